#include "QZFramework/Utilities/Graphics/Bitmap.h"

#include "Support/BitmapTestSupport.h"
#include "fixtures/Graphics/Sheet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace QZ {
namespace {

using QZ::test::Pixels;
using QZ::test::SheetPixel;
using QZ::test::ThrownText;
using Size = SizeT<std::int32_t>;

RCPtr<LColorizer> Solid(std::uint32_t argb) {
  return RCPtr<LColorizer>(new LColorizer(u"solid", LColorizer::kSolidFill, Color::FromARGB(argb)));
}

RCPtr<LBitmap> SheetCopy() {
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  EXPECT_TRUE(sheet);
  return sheet ? sheet->Clone() : RCPtr<LBitmap>();
}

std::vector<std::uint32_t> SheetPixels() {
  std::vector<std::uint32_t> words;
  for (int y = 0; y < QZ::test::kSheetHeight; ++y)
    for (int x = 0; x < QZ::test::kSheetWidth; ++x)
      words.push_back(SheetPixel(x, y));
  return words;
}

std::string Error(const char* kind, const char* function, int line) {
  return std::string(kind) + " : " + function + " : Utilities\\Graphics\\Bitmap : Line " + std::to_string(line);
}

TEST(BitmapFill, FillsEveryPixelWithThePackedColour) {
  RCPtr<LBitmap> filled = LBitmap::CreateFilledBitmap({3, 2}, Color{0, 0, 1, 1});
  ASSERT_TRUE(filled);
  EXPECT_EQ(filled->GetRect(), (RectT<std::int32_t>{0, 0, 3, 2}));
  EXPECT_TRUE(filled->IsUsable());
  EXPECT_TRUE(filled->GetSource().IsEmpty());
  EXPECT_EQ(Pixels(*filled), std::vector<std::uint32_t>(6, 0xFF0000FFu));

  for (const Size size : {Size{0, 5}, Size{5, 0}, Size{-1, 5}, Size{5, std::numeric_limits<std::int32_t>::min()}})
    EXPECT_EQ(ThrownText<Exception<std::runtime_error>>(
                  [&] { static_cast<void>(LBitmap::CreateFilledBitmap(size, Color{})); }),
              Error("Runtime Error", "QZ::LBitmap::CreateFilledBitmap", 327))
        << size.width << "x" << size.height;
}

TEST(BitmapFill, ColorizedBitmapScalesTheColoursAlpha) {
  RCPtr<LColorizer> red(new LColorizer(u"red", LColorizer::kSolidFill, Color{1, 0, 0, 0.5f}));
  RCPtr<LBitmap> filled = LBitmap::CreateColorizedBitmap(red, 0.5f, {2, 2});
  ASSERT_TRUE(filled);
  EXPECT_EQ(Pixels(*filled), std::vector<std::uint32_t>(4, 0x40FF0000u)); // alpha 0.25

  EXPECT_EQ(ThrownText<Exception<std::runtime_error>>([&] {
              static_cast<void>(LBitmap::CreateColorizedBitmap(red, 1, {0, 3}));
            }),
            Error("Runtime Error", "QZ::LBitmap::CreateColorizedBitmap", 298));
  EXPECT_EQ(ThrownText<Exception<std::runtime_error>>([&] {
              static_cast<void>(LBitmap::CreateColorizedBitmap(RCPtr<LColorizer>(), 1, {3, 3}));
            }),
            Error("Runtime Error", "QZ::LBitmap::CreateColorizedBitmap", 298));

  RCPtr<LColorizer> gradient(
      new LColorizer(u"g", LColorizer::kRadialGradient, Color{1, 0, 0, 1}, Color{0, 0, 1, 1}, 0, 0, 1, 1));
  EXPECT_EQ(ThrownText<Exception<std::domain_error>>([&] {
              static_cast<void>(LBitmap::CreateColorizedBitmap(gradient, 1, {3, 3}));
            }),
            Error("Domain Error", "QZ::LBitmap::CreateGradientFilledBitmap", 362));
}

TEST(BitmapTint, ExactBytesOfTheEdgeCases) {
  const std::vector<std::uint32_t> original = SheetPixels();
  const struct {
    const char* what;
    std::uint32_t colour;
    float modifier;
  } unchanged[] = {
      {"transparent colour", 0x00FF8040u, 1.0f},
      {"modifier 0", 0xFFFF8040u, 0.0f},
  };
  for (const auto& c : unchanged) {
    RCPtr<LBitmap> copy = SheetCopy();
    LBitmap::ApplyColorizer(copy, Solid(c.colour), c.modifier);
    EXPECT_EQ(Pixels(*copy), original) << c.what;
  }

  // Opaque white at full strength: every colour byte 255, alpha kept.
  RCPtr<LBitmap> white = SheetCopy();
  LBitmap::ApplyColorizer(white, Solid(0xFFFFFFFFu), 1.0f);
  std::vector<std::uint32_t> expected = original;
  for (std::uint32_t& word : expected)
    word |= 0x00FFFFFFu;
  EXPECT_EQ(Pixels(*white), expected);

  // Half-strength red over (r 0, g 255, b 100, a 200): c = 128/255, so red
  // becomes round(c * 255) = 128, green 255 (1 - c) = 127, blue 50.
  RCPtr<LBitmap> pixel = LBitmap::CreateFilledBitmap({1, 1}, Color::FromARGB(0xC800FF64u));
  LBitmap::ApplyColorizer(pixel, Solid(0x80FF0000u), 1.0f);
  EXPECT_EQ(Pixels(*pixel), std::vector<std::uint32_t>{0xC8807F32u});
}

TEST(BitmapTint, ALinearGradientOfOneColourTintsLikeASolidColour) {
  const Color colour = Color::FromARGB(0xA0308050u);
  RCPtr<LColorizer> gradient(new LColorizer(u"g", LColorizer::kLinearGradient, colour, colour, 0, 0, 10, 0));
  RCPtr<LColorizer> solid(new LColorizer(u"s", LColorizer::kSolidFill, colour));
  RCPtr<LBitmap> a = SheetCopy();
  RCPtr<LBitmap> b = SheetCopy();
  LBitmap::ApplyColorizer(a, gradient, 0.75f);
  LBitmap::ApplyColorizer(b, solid, 0.75f);
  EXPECT_EQ(Pixels(*a), Pixels(*b));
  EXPECT_NE(Pixels(*a), SheetPixels());
}

TEST(BitmapTint, ModifiersBeyondOneClampToTheByteRange) {
  const std::vector<std::uint32_t> original = SheetPixels();
  const struct {
    std::uint32_t colour;
    float modifier;
    std::uint32_t rgb; // every red, green and blue byte
  } cases[] = {
      {0xFFFFFFFFu, 2.0f, 0xFFFFFF}, // (2 - old / 255) * 255 is 255 or more
      {0xFF000000u, 2.0f, 0x000000}, // -old is 0 or less
      {0xFFFFFFFFu, 1000.0f, 0xFFFFFF},
      {0xFF000000u, std::numeric_limits<float>::infinity(), 0x000000},
  };
  for (const auto& c : cases) {
    RCPtr<LBitmap> copy = SheetCopy();
    LBitmap::ApplyColorizer(copy, Solid(c.colour), c.modifier);
    const std::vector<std::uint32_t> tinted = Pixels(*copy);
    ASSERT_EQ(tinted.size(), original.size());
    for (std::size_t i = 0; i < tinted.size(); ++i)
      ASSERT_EQ(tinted[i], (original[i] & 0xFF000000u) | c.rgb) << std::hex << c.colour << " x" << c.modifier;
  }
}

TEST(BitmapTint, TintsOnlyTheBitmapsRectangle) {
  RCPtr<LBitmap> canvas = LBitmap::CreateFilledBitmap({4, 3}, Color::FromARGB(0xFF000000u));
  RCPtr<LBitmap> view = canvas->CreateSubBitmap(1, 1, 2, 1);
  ASSERT_TRUE(view);
  LBitmap::ApplyColorizer(view, Solid(0xFFFFFFFFu), 1.0f);
  const std::uint32_t B = 0xFF000000u;
  const std::uint32_t W = 0xFFFFFFFFu;
  EXPECT_EQ(Pixels(*canvas), (std::vector<std::uint32_t>{B, B, B, B, B, W, W, B, B, B, B, B}));
}

TEST(BitmapTint, FailuresRaiseAndLeaveThePixels) {
  RCPtr<LBitmap> copy = SheetCopy();
  EXPECT_EQ(ThrownText<Exception<std::runtime_error>>(
                [&] { LBitmap::ApplyColorizer(RCPtr<LBitmap>(), Solid(0xFFFFFFFFu), 1); }),
            Error("Runtime Error", "QZ::LBitmap::ApplyColorizer", 374));
  EXPECT_EQ(
      ThrownText<Exception<std::runtime_error>>([&] { LBitmap::ApplyColorizer(copy, RCPtr<LColorizer>(), 1); }),
      Error("Runtime Error", "QZ::LBitmap::ApplyColorizer", 374));

  RCPtr<LColorizer> gradient(
      new LColorizer(u"g", LColorizer::kLinearGradient, Color{1, 0, 0, 1}, Color{0, 0, 1, 1}));
  EXPECT_EQ(ThrownText<Exception<std::domain_error>>([&] { LBitmap::ApplyColorizer(copy, gradient, 1); }),
            Error("Domain Error", "QZ::LBitmap::CreateGradientFilledBitmap", 362));
  EXPECT_EQ(Pixels(*copy), SheetPixels());

  // No pixels to lock.
  RCPtr<LBitmap> empty(new LBitmap);
  EXPECT_EQ(ThrownText<Exception<std::runtime_error>>(
                [&] { LBitmap::ApplyColorizer(empty->Clone(), Solid(0xFFFFFFFFu), 1); }),
            Error("Runtime Error", "QZ::LBitmap::ApplyColorizer", 398));

  // The pixels are locked by someone else: the failure is recorded on the image.
  RCPtr<LBitmapData> lock = copy->Lock();
  EXPECT_EQ(
      ThrownText<Exception<std::runtime_error>>([&] { LBitmap::ApplyColorizer(copy, Solid(0xFFFFFFFFu), 1); }),
      Error("Runtime Error", "QZ::LBitmap::ApplyColorizer", 398));
  EXPECT_EQ(copy->GetGdiplusBitmap()->GetLastStatus(), Platform::ImageStatus::WrongState);
  lock = nullptr;
  EXPECT_EQ(Pixels(*copy), SheetPixels());
}

TEST(BitmapPart, PreparesTintedCopiesOrFilledBitmaps) {
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(sheet);
  RCPtr<LBitmap> picture = sheet->CreateSubBitmap(10, 20, 4, 3);
  RCPtr<LBitmap> mask = sheet->CreateSubBitmap(0, 0, 2, 2);
  ASSERT_TRUE(picture);
  ASSERT_TRUE(mask);
  RCPtr<LColorizer> white = Solid(0xFFFFFFFFu);

  // An image: a tinted copy; the shared sheet stays as it was.
  RCPtr<LBitmap> tinted = LBitmap::PreparePartBitmap(white, 1.0f, {4, 3}, picture, RCPtr<LBitmap>());
  ASSERT_TRUE(tinted);
  EXPECT_NE(tinted->GetGdiplusBitmap(), sheet->GetGdiplusBitmap());
  EXPECT_EQ(tinted->GetRect(), (RectT<std::int32_t>{0, 0, 4, 3}));
  EXPECT_EQ(Pixels(*tinted)[0], (SheetPixel(10, 20) | 0x00FFFFFFu));
  EXPECT_EQ(Pixels(*sheet), SheetPixels());

  // Only a mask: the tinted mask.
  RCPtr<LBitmap> tintedMask = LBitmap::PreparePartBitmap(white, 1.0f, {4, 3}, RCPtr<LBitmap>(), mask);
  ASSERT_TRUE(tintedMask);
  EXPECT_EQ(Pixels(*tintedMask),
            (std::vector<std::uint32_t>{0xFFFFFFFFu, SheetPixel(1, 0) | 0x00FFFFFFu,
                                        SheetPixel(0, 1) | 0x00FFFFFFu, SheetPixel(1, 1) | 0x00FFFFFFu}));
  EXPECT_EQ(Pixels(*mask)[1], SheetPixel(1, 0));

  // Neither: a filled bitmap of the part's size.
  RCPtr<LBitmap> filled =
      LBitmap::PreparePartBitmap(Solid(0xFF00FF00u), 0.5f, {2, 1}, RCPtr<LBitmap>(), RCPtr<LBitmap>());
  ASSERT_TRUE(filled);
  EXPECT_EQ(Pixels(*filled), (std::vector<std::uint32_t>{0x8000FF00u, 0x8000FF00u}));

  // Masking an image is not supported.
  EXPECT_EQ(ThrownText<Exception<std::domain_error>>([&] {
              static_cast<void>(LBitmap::PreparePartBitmap(white, 1.0f, {4, 3}, picture, mask));
            }),
            Error("Domain Error", "QZ::LBitmap::ApplyColorizer", 444));
}

TEST(BitmapPart, ResultsWrittenAsPngReadBackTheSame) {
  QZ::test::TempFolder folder;
  RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
  ASSERT_TRUE(sheet);
  RCPtr<LColorizer> tint(new LColorizer(u"t", LColorizer::kSolidFill, Color::FromARGB(0xC0204080u)));
  const struct {
    const char* file;
    RCPtr<LBitmap> bitmap;
  } results[] = {
      {"tinted.png",
       LBitmap::PreparePartBitmap(tint, 0.8f, {20, 10}, sheet->CreateSubBitmap(10, 20, 20, 10), RCPtr<LBitmap>())},
      {"filled.png", LBitmap::PreparePartBitmap(tint, 0.5f, {7, 5}, RCPtr<LBitmap>(), RCPtr<LBitmap>())},
      {"clone.png", sheet->CreateSubBitmap(3, 0, 5, 5)->Clone()},
  };
  for (const auto& r : results) {
    ASSERT_TRUE(r.bitmap) << r.file;
    const std::string path = folder.File(r.file);
    ASSERT_EQ(r.bitmap->GetGdiplusBitmap()->SavePngFile(path.c_str()), Platform::ImageStatus::Ok) << r.file;
    RCPtr<LBitmap> back = LBitmap::GetCachedBitmap(QZ::test::Wide(path));
    ASSERT_TRUE(back) << r.file;
    EXPECT_EQ(back->GetRect(), r.bitmap->GetRect()) << r.file;
    EXPECT_EQ(Pixels(*back), Pixels(*r.bitmap)) << r.file;
  }
}

} // namespace
} // namespace QZ
