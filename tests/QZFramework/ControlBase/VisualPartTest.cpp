#include "QZFramework/ControlBase/LookFixture.h"

#include "fixtures/Graphics/Sheet.h"
#include "Support/ThrownText.h"

#include "QZFramework/Renderer/ResizeType.h"
#include "QZFramework/Utilities/Graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace QZ {
namespace {

using test::SheetPixel;
using test::ThrownText;

class VisualPartTest : public test::LookFixture {
protected:
  // A rectangle of the fixture sheet as a picture part.
  static RCPtr<LVisualPart> SheetPart(std::int32_t x, std::int32_t y, std::int32_t resizeType) {
    RCPtr<LBitmap> sheet = LBitmap::GetCachedBitmap(u"::arp_on.png");
    return LVisualPart::Create(WideString(u"sheet"), sheet->CreateSubBitmap(x, y, 8, 8), resizeType,
                               RCPtr<LColorizer>(), 1.0f, RCPtr<LBitmap>());
  }
};

TEST_F(VisualPartTest, DescriptorCachesOnePartWhileSomeoneHoldsIt) {
  const RCPtr<LVisualPartDescriptor>& descriptor = mFactory->FindPart(WideString(u"Picture"));
  RCPtr<LVisualPart> first = descriptor->GetVisualPart();
  ASSERT_TRUE(first);
  EXPECT_EQ(first.GetRaw(), descriptor->GetVisualPart().GetRaw());
  EXPECT_EQ(first->GetSourceDescriptor(), descriptor.GetRaw());
  EXPECT_EQ(first->GetInnerRefCount(), 1);
  EXPECT_EQ(first->GetWidth(), 8);
  EXPECT_EQ(first->GetHeight(), 8);
  EXPECT_EQ(first->GetResizeType(), kResizeTile);

  // The last holder lets go: the cache is emptied and the next request builds
  // again (ASan would see a part freed under the cache).
  first = nullptr;
  RCPtr<LVisualPart> again = descriptor->GetVisualPart();
  ASSERT_TRUE(again);
  EXPECT_EQ(again->GetRefCount(), 2);
  EXPECT_EQ(again->GetColorAtPoint(PointT<std::int32_t>{3, 2}), SheetPixel(3, 12));
}

TEST_F(VisualPartTest, APartOutlivesTheDescriptorThatMadeIt) {
  RCPtr<LVisualPartDescriptor> descriptor =
      MakeRCPtr<LVisualPartDescriptor>(WideString(u"own"), ImageSource{}, kResizeStretch,
                                       mFactory->FindColorizer(WideString(u"Red")), 4, 3, 0.5f, ImageSource{});
  RCPtr<LVisualPart> part = descriptor->GetVisualPart();
  ASSERT_TRUE(part);
  descriptor = nullptr;
  EXPECT_EQ(part->GetSourceDescriptor(), nullptr);
  EXPECT_EQ(part->GetInnerRefCount(), 0);
  EXPECT_EQ(part->GetColorAtPoint(PointT<std::int32_t>{3, 2}), 0x80FF0000u); // alpha 1 x 0.5
}

TEST_F(VisualPartTest, NoPartWithoutColouriserOrWhilePictureDoesNotLoad) {
  const RCPtr<LVisualPartDescriptor> bare = MakeRCPtr<LVisualPartDescriptor>(
      WideString(u"bare"), ImageSource{}, kResizeStretch, RCPtr<LColorizer>(), 4, 4, 1.0f, ImageSource{});
  EXPECT_FALSE(bare->GetVisualPart());
  const RCPtr<LVisualPartDescriptor>& missing = mFactory->FindPart(WideString(u"Missing"));
  EXPECT_FALSE(missing->GetVisualPart());
  EXPECT_FALSE(missing->GetVisualPart()); // tried again, still nothing
  EXPECT_FALSE(LVisualPart::Create(WideString(u"x"), RCPtr<LBitmap>(), kResizeStretch, RCPtr<LColorizer>(), 1.0f,
                                   RCPtr<LBitmap>()));
}

TEST_F(VisualPartTest, DrawsPicturesAndColours) {
  StartFrame();
  SheetPart(0, 10, kResizeTile)->Draw(mRenderer, {20.4f, 7.5f});
  Part(u"Dot")->Draw(mRenderer, {15.0f, 15.0f});     // centred colour: its own size in the middle
  Part(u"Cap")->Draw(mRenderer, {9.0f, 6.0f});       // stretched colour fills the rectangle
  Part(u"Invisible")->Draw(mRenderer, {9.0f, 6.0f}); // alpha 0: nothing
  ASSERT_EQ(mRenderer->mDrawn.size(), 3u);
  EXPECT_EQ(mRenderer->mDrawn[0].what, "bitmap");
  EXPECT_EQ(mRenderer->mDrawn[0].rect, (RectT<std::int32_t>{0, 0, 20, 8}));
  EXPECT_EQ(mRenderer->mDrawn[0].argb, static_cast<std::uint32_t>(kResizeTile));
  EXPECT_EQ(mRenderer->mDrawn[1].rect, (RectT<std::int32_t>{2, 2, 10, 10}));
  EXPECT_EQ(mRenderer->mDrawn[1].argb, 0xFFFF0000u);
  EXPECT_EQ(mRenderer->mDrawn[2].rect, (RectT<std::int32_t>{0, 0, 9, 6}));

  const LVisualPart empty(WideString(u"empty"), RCPtr<LBitmap>(), kResizeStretch, RCPtr<LColorizer>(), {4, 4},
                          1.0f, RCPtr<LBitmap>());
  EXPECT_EQ(ThrownText<std::runtime_error>([&] {
              const_cast<LVisualPart&>(empty).Draw(mRenderer, {4, 4});
            }),
            "Runtime Error : QZ::LVisualPart::Draw : ControlBase\\VisualPart : Line 218");
}

TEST_F(VisualPartTest, ColourAtPointInDrawnRectangles) {
  const RCPtr<LVisualPart> tiled = SheetPart(0, 10, kResizeTile);
  const RCPtr<LVisualPart> centred = SheetPart(0, 10, kResizeCentre);
  const RCPtr<LVisualPart> stretched = SheetPart(0, 10, kResizeStretch);
  struct Case {
    const char* what;
    const RCPtr<LVisualPart>* part;
    PointT<float> point;
    SizeT<float> drawn;
    std::uint32_t expected;
  } cases[] = {
      {"natural size rounds the point", &tiled, {2.5f, 1.5f}, {8.0f, 8.0f}, SheetPixel(3, 12)},
      {"left of the rectangle", &tiled, {-0.1f, 1.0f}, {20.0f, 8.5f}, 0x00FFFFFF},
      {"right edge is outside", &tiled, {20.0f, 1.0f}, {20.0f, 8.5f}, 0x00FFFFFF},
      {"tile 17.6 in 20 answers from column 2", &tiled, {17.6f, 3.2f}, {20.0f, 8.5f}, SheetPixel(2, 13)},
      {"centred: the picture's own pixel", &centred, {2.0f, 3.0f}, {12.0f, 12.0f}, SheetPixel(0, 11)},
      {"centred: beside the picture", &centred, {1.0f, 3.0f}, {12.0f, 12.0f}, 0x00FFFFFF},
      {"stretched larger", &stretched, {5.0f, 7.0f}, {16.0f, 16.0f}, SheetPixel(2, 13)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ((*c.part)->GetColorAtPoint(c.point, c.drawn), c.expected);
  }
}

TEST_F(VisualPartTest, ShrunkPictureScansItsBlockColumnByColumn) {
  // Sheet pixel (2, 0) is fully transparent: shown at half size, the drawn
  // pixel (0, 0) covers the block (0..1, 0..1) of the part, read down column 0
  // first, so (0, 1) answers before (1, 0).
  const RCPtr<LVisualPart> part = SheetPart(2, 0, kResizeStretch);
  EXPECT_EQ(part->GetColorAtPoint(PointT<std::int32_t>{0, 0}) >> 24, 0u);
  EXPECT_EQ(part->GetColorAtPoint(PointT<float>{0.0f, 0.0f}, {4.0f, 4.0f}), SheetPixel(2, 1));
  EXPECT_EQ(part->GetColorAtPoint(PointT<float>{1.0f, 1.0f}, {4.0f, 4.0f}), SheetPixel(4, 2));
}

TEST_F(VisualPartTest, ColourLookupsThatCannotAnswerRaiseTheirErrors) {
  const RCPtr<LVisualPart> odd = LVisualPart::Create(
      WideString(u"odd"), LBitmap::GetCachedBitmap(u"::arp_on.png")->CreateSubBitmap(0, 10, 8, 8), 7,
      RCPtr<LColorizer>(), 1.0f, RCPtr<LBitmap>());
  EXPECT_EQ(ThrownText<std::runtime_error>([&] {
              odd->GetColorAtPoint(PointT<float>{1, 1}, {9.0f, 9.0f});
            }),
            "Runtime Error : QZ::LVisualPart::GetColorAtPoint : ControlBase\\VisualPart : Line 165");

  const LVisualPart empty(WideString(u"empty"), RCPtr<LBitmap>(), kResizeStretch, RCPtr<LColorizer>(), {4, 4},
                          1.0f, RCPtr<LBitmap>());
  EXPECT_EQ(ThrownText<std::runtime_error>([&] {
              empty.GetColorAtPoint(PointT<std::int32_t>{1, 1});
            }),
            "Runtime Error : QZ::LVisualPart::GetColorAtPoint : ControlBase\\VisualPart : Line 91");

  // A colouriser is shared with the skin and may turn into a gradient later.
  const RCPtr<LColorizer> colorizer =
      MakeRCPtr<LColorizer>(WideString(u"c"), LColorizer::kSolidFill, Color{1, 0, 0, 1});
  const LVisualPart colour(WideString(u"colour"), RCPtr<LBitmap>(), kResizeStretch, colorizer, {4, 4}, 1.0f,
                           RCPtr<LBitmap>());
  EXPECT_FALSE(colour.GetImage());
  colorizer->SetColorType(LColorizer::kLinearGradient);
  EXPECT_EQ(ThrownText<std::runtime_error>([&] {
              colour.GetColorAtPoint(PointT<std::int32_t>{1, 1});
            }),
            "Runtime Error : QZ::LVisualPart::GetColorAtPoint : ControlBase\\VisualPart : Line 76");
  colorizer->SetColorType(LColorizer::kRadialGradient);
  EXPECT_EQ(ThrownText<std::runtime_error>([&] {
              colour.GetColorAtPoint(PointT<std::int32_t>{1, 1});
            }),
            "Runtime Error : QZ::LVisualPart::GetColorAtPoint : ControlBase\\VisualPart : Line 81");
}

TEST_F(VisualPartTest, AnEmptyTileIsTransparent) {
  const RCPtr<LColorizer> colorizer = mFactory->FindColorizer(WideString(u"Red"));
  const LVisualPart empty(WideString(u"empty"), RCPtr<LBitmap>(), kResizeTile, colorizer, {0, 0}, 1.0f,
                          RCPtr<LBitmap>());
  EXPECT_EQ(empty.GetColorAtPoint(PointT<float>{3, 3}, {10.0f, 10.0f}), 0x00FFFFFFu);
}

} // namespace
} // namespace QZ
