#include "Panel/Main/WindowPlacementRecord.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace QZ {
namespace {

using Platform::WindowPlacement;
using Platform::WindowRect;
using Platform::WindowShowState;

TEST(WindowPlacementRecord, AWrittenPlacementReadsBack) {
  for (WindowShowState state :
       {WindowShowState::kRestored, WindowShowState::kMinimised, WindowShowState::kMaximised}) {
    SCOPED_TRACE(static_cast<int>(state));
    const WindowPlacement placement{state, {-30, 2000000000, 1200, 640}};
    const std::vector<std::uint8_t> record = EncodePlacementRecord(placement);
    EXPECT_EQ(record.size(), kPlacementRecordSize);
    EXPECT_EQ(DecodePlacementRecord(record), placement);
  }
  // Little-endian, state first.
  const std::vector<std::uint8_t> record =
      EncodePlacementRecord({WindowShowState::kMaximised, {1, -2, 0x0304, 5}});
  const std::vector<std::uint8_t> expected = {2,    0,    0, 0, 1, 0, 0, 0, 0xFE, 0xFF,
                                              0xFF, 0xFF, 4, 3, 0, 0, 5, 0, 0,    0};
  EXPECT_EQ(record, expected);
}

TEST(WindowPlacementRecord, AnythingButAWellFormedRecordIsIgnored) {
  const std::vector<std::uint8_t> good = EncodePlacementRecord({WindowShowState::kRestored, {10, 20, 300, 200}});
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  auto with = [&](std::size_t index, std::int32_t value) {
    std::vector<std::uint8_t> bytes = good;
    for (std::size_t i = 0; i < 4; ++i)
      bytes[index * 4 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
    return bytes;
  };
  std::vector<std::uint8_t> longer = good;
  longer.push_back(0);
  // The 44-byte record of another platform's writer.
  std::vector<std::uint8_t> foreign(44, 0);
  foreign[0] = 44;
  const Case cases[] = {
      {"empty", {}},
      {"short", std::vector<std::uint8_t>(good.begin(), good.end() - 1)},
      {"long", longer},
      {"foreign", foreign},
      {"state 3", with(0, 3)},
      {"state -1", with(0, -1)},
      {"width 0", with(3, 0)},
      {"negative width", with(3, -300)},
      {"height 0", with(4, 0)},
      {"negative height", with(4, -1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodePlacementRecord(c.bytes), std::nullopt);
  }
}

TEST(WindowPlacementRecord, APlacementIsFittedToTheDesktop) {
  const WindowRect desktop{0, 0, 1920, 1080};
  struct Case {
    const char* what;
    WindowRect bounds;
    WindowRect fitted;
  };
  const Case cases[] = {
      {"inside", {100, 50, 1200, 640}, {100, 50, 1200, 640}},
      {"left and above", {-200, -10, 1200, 640}, {0, 0, 1200, 640}},
      {"past the right and bottom", {1000, 900, 1200, 640}, {720, 440, 1200, 640}},
      {"larger than the desktop", {-50, 30, 2400, 1280}, {0, 0, 1920, 1080}},
      {"far away", {2000000000, 2000000000, 1200, 640}, {720, 440, 1200, 640}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const WindowPlacement fitted = FitPlacementToDesktop({WindowShowState::kRestored, c.bounds}, desktop);
    EXPECT_EQ(fitted.normalBounds, c.fitted);
  }
}

TEST(WindowPlacementRecord, FittingRestoresAMinimisedWindowAndAppliesTheSizeLimits) {
  const WindowRect desktop{100, 50, 800, 600};
  WindowPlacement fitted = FitPlacementToDesktop({WindowShowState::kMinimised, {0, 0, 300, 200}}, desktop);
  EXPECT_EQ(fitted.state, WindowShowState::kRestored);
  EXPECT_EQ(fitted.normalBounds, (WindowRect{100, 50, 300, 200}));
  EXPECT_EQ(FitPlacementToDesktop({WindowShowState::kMaximised, {0, 0, 300, 200}}, desktop).state,
            WindowShowState::kMaximised);

  // A minimum larger than the desktop: the window keeps its left and top edges on the desktop.
  auto atLeast1000 = [](std::int32_t& width, std::int32_t& height) {
    width = std::max(width, 1000);
    height = std::max(height, 700);
  };
  fitted = FitPlacementToDesktop({WindowShowState::kRestored, {400, 300, 500, 400}}, desktop, atLeast1000);
  EXPECT_EQ(fitted.normalBounds, (WindowRect{100, 50, 1000, 700}));

  // Without a desktop only the state changes.
  fitted = FitPlacementToDesktop({WindowShowState::kMinimised, {-5, -5, 3000, 3000}}, WindowRect{});
  EXPECT_EQ(fitted, (WindowPlacement{WindowShowState::kRestored, {-5, -5, 3000, 3000}}));
}

} // namespace
} // namespace QZ
