#include "QZFramework/Utilities/Graphics/Color.h"
#include "QZFramework/Utilities/Graphics/Colorizer.h"

#include "Support/BitmapTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace QZ {

namespace {

constexpr float k = kByteToChannel;

TEST(Color, ParsesHexTextByLength) {
  const Color start{0.25f, 0.5f, 0.75f, 0.125f};
  const struct {
    const char* text;
    Color start;
    Color expected;
  } cases[] = {
      {"0x80FF0000", start, {1, 0, 0, 128 * k}},
      {"80FF0000", start, {1, 0, 0, 128 * k}},
      {"0X0000FF00", start, {0, 1, 0, 0}},
      {"ff", start, {0.25f, 0.5f, 0.75f, 1}}, // alpha only
      {"0x40", start, {0.25f, 0.5f, 0.75f, 64 * k}},
      {"00ff00", start, {0, 1, 0, 0.125f}}, // colour only, alpha kept
      {"00ff00", Color{}, {0, 1, 0, 0}},    // a new colour keeps alpha 0
      {"0x123456", Color{}, {0x12 * k, 0x34 * k, 0x56 * k, 0}},
      {"12345", start, start}, // other lengths change nothing
      {"123456789", start, start},
      {"", start, start},
      {"0x", start, start},
      {"zz", start, {0.25f, 0.5f, 0.75f, 0}},      // no digits read as 0
      {"12zzzz", start, {0, 0, 0x12 * k, 0.125f}}, // digits up to the first other character
  };
  for (const auto& c : cases) {
    Color color = c.start;
    color.SetFromHexString(c.text);
    EXPECT_EQ(color, c.expected) << '"' << c.text << '"';
  }
  Color color = start;
  color.SetFromHexString(nullptr);
  EXPECT_EQ(color, start);
}

TEST(Color, PacksRoundingHalfAwayFromZeroAndClamping) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    Color color;
    std::uint32_t expected;
  } cases[] = {
      {{1, 0.5f, 0, 1}, 0xFFFF8000u}, // 127.5 rounds to 128
      {{1.2f, -0.1f, 0, 1}, 0xFFFF0000u},
      {{0, 0, 1, 1}, 0xFF0000FFu},
      {{0.001f, 0.002f, 0.998f, 0}, 0x000001FEu}, // 0.255 -> 0, 0.51 -> 1, 254.49 -> 254
      {{nan, inf, -inf, nan}, 0x0000FF00u},
      {{}, 0u},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.color.ToARGB(), c.expected) << ::testing::PrintToString(c.color);
}

TEST(Color, PackedColoursSurviveTheRoundTrip) {
  EXPECT_EQ(Color::FromARGB(0x80FF0000u), (Color{1, 0, 0, 128 * k}));
  for (std::uint32_t v = 0; v < 256; ++v) {
    const std::uint32_t argb = v << 24 | (255 - v) << 16 | ((v * 7) & 0xFF) << 8 | ((v * 13 + 5) & 0xFF);
    EXPECT_EQ(Color::FromARGB(argb).ToARGB(), argb) << std::hex << argb;
  }
}

TEST(Colorizer, ActsAsAGradientOnlyWithTwoDifferentColours) {
  const Color red{1, 0, 0, 1};
  const Color blue{0, 0, 1, 1};
  const struct {
    std::int32_t type;
    Color end;
    bool gradient;
  } cases[] = {
      {LColorizer::kSolidFill, blue, false},     {LColorizer::kLinearGradient, blue, true},
      {LColorizer::kRadialGradient, blue, true}, {LColorizer::kLinearGradient, red, false},
      {LColorizer::kRadialGradient, red, false},
  };
  for (const auto& c : cases) {
    LColorizer colorizer(u"c", c.type, red, c.end);
    EXPECT_EQ(colorizer.IsGradient(), c.gradient) << c.type;
  }
}

} // namespace
} // namespace QZ
