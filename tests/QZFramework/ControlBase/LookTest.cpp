#include "QZFramework/ControlBase/LookFixture.h"

#include "Support/ThrownText.h"

#include "QZFramework/Renderer/ResizeType.h"
#include "QZFramework/Utilities/Graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace QZ {
namespace {

using test::ThrownText;
using Rect = RectT<std::int32_t>;

class LookTest : public test::LookFixture {};

TEST_F(LookTest, PlacesClientNonClientAndTextRectangles) {
  const RCPtr<LLook> look = MakeLook(u"Framed");
  EXPECT_EQ(look->GetClientRect(), (Rect{1, 1, 94, 23}));
  EXPECT_EQ(look->GetChildrenClipRect(), (Rect{1, 1, 94, 23}));
  ASSERT_EQ(look->GetNonClientCount(), 3u);
  EXPECT_EQ(look->GetNonClientRect(0), (Rect{95, 0, 5, 4}));                         // top right corner
  EXPECT_EQ(look->GetNonClientRect(1), (Rect{0, 0, 95, 1}));                         // top line, height given
  EXPECT_EQ(look->GetNonClientRect(2), (Rect{(100 - 5) / 2, (30 - 4) / 2, 5, 4}));   // no offsets: centred
  EXPECT_EQ(look->GetNonClientPart(0).GetRaw(), look->GetNonClientPart(2).GetRaw()); // one cached part
  EXPECT_EQ(look->GetTextRect(), (Rect{10, 2, 80, 26}));

  // Laid out again at another size; the same size changes nothing.
  look->SetSize({41, 11});
  EXPECT_EQ(look->GetClientRect(), (Rect{1, 1, 35, 4}));
  EXPECT_EQ(look->GetNonClientRect(0), (Rect{36, 0, 5, 4}));
  EXPECT_EQ(look->GetNonClientRect(2), (Rect{18, 3, 5, 4}));
  EXPECT_EQ(look->GetTextRect(), (Rect{10, 2, 21, 7}));

  // Offsets larger than the look leave an empty client rectangle.
  EXPECT_EQ(MakeLook(u"Huge")->GetClientRect(), (Rect{100, 30, 0, 0}));
  EXPECT_EQ(MakeLook(u"Plain")->GetClientRect(), (Rect{0, 0, 100, 30}));
}

TEST_F(LookTest, ColourAtPointAsksNonClientPartsFirst) {
  const RCPtr<LLook> look = MakeLook(u"Framed");
  EXPECT_EQ(look->GetColorAtPoint({97, 1}), 0xFFFF0000u);  // corner cap over the client area
  EXPECT_EQ(look->GetColorAtPoint({50, 10}), 0xFF0000FFu); // client part
  EXPECT_EQ(look->GetColorAtPoint({0, 29}), 0x00FFFFFFu);  // nothing there
  look->SetImage(LBitmap::GetCachedBitmap(u"::arp_on.png")->CreateSubBitmap(2, 0, 8, 8), kResizeTile, false);
  EXPECT_EQ(look->GetColorAtPoint({1, 1}) >> 24, 0xFFu); // image pixel (0,0) is transparent: client answers
  EXPECT_EQ(look->GetColorAtPoint({1, 1}), 0xFF0000FFu);
}

TEST_F(LookTest, DrawsItsPartsWhereDamagedAndInsideItsRegion) {
  const RCPtr<LLook> look = MakeLook(u"Framed");
  StartFrame();
  EXPECT_EQ(look->DrawClientParts(mRenderer, Damaged({0, 0, 100, 30})), S_OK);
  EXPECT_EQ(look->DrawNonClientParts(mRenderer, Damaged({0, 0, 100, 30})), S_OK);
  ASSERT_EQ(mRenderer->mDrawn.size(), 4u);
  EXPECT_EQ(mRenderer->mDrawn[0].rect, (Rect{0, 0, 94, 23}));
  EXPECT_EQ(mRenderer->mDrawn[0].origin, (PointT<double>{1, 1}));
  EXPECT_EQ(mRenderer->mDrawn[0].argb, 0xFF0000FFu);
  EXPECT_EQ(mRenderer->mDrawn[1].origin, (PointT<double>{95, 0}));
  EXPECT_EQ(mRenderer->mDrawn[2].rect, (Rect{0, 0, 95, 1}));
  EXPECT_EQ(mRenderer->mDrawn[3].origin, (PointT<double>{47, 13}));
  EXPECT_EQ(mRenderer->GetCurrentContext()->mSavedStates.size(), 0u);

  // Damage away from the corner leaves it alone; the look's region keeps the
  // drawing to the left half.
  mRenderer->mDrawn.clear();
  look->DrawNonClientParts(mRenderer, Damaged({0, 5, 100, 30}));
  ASSERT_EQ(mRenderer->mDrawn.size(), 1u);
  EXPECT_EQ(mRenderer->mDrawn[0].origin, (PointT<double>{47, 13}));
  mRenderer->mDrawn.clear();
  look->GetRegion().AddRect({0, 0, 40, 30});
  look->DrawNonClientParts(mRenderer, Damaged({0, 0, 100, 30}));
  ASSERT_EQ(mRenderer->mDrawn.size(), 1u);
  EXPECT_EQ(mRenderer->mDrawn[0].rect, (Rect{0, 0, 95, 1}));
}

TEST_F(LookTest, ImagePartDrawsOverOrInsteadOfTheClientPart) {
  const RCPtr<LLook> look = MakeLook(u"Plain");
  EXPECT_EQ(look->SetImage(RCPtr<LBitmap>(), kResizeStretch, false), S_FALSE);
  const RCPtr<LBitmap> picture = LBitmap::GetCachedBitmap(u"::arp_on.png")->CreateSubBitmap(0, 10, 8, 8);
  EXPECT_EQ(look->SetImage(picture, kResizeCentre, false), S_OK);
  StartFrame();
  look->DrawClientParts(mRenderer, Damaged({0, 0, 100, 30}));
  ASSERT_EQ(mRenderer->mDrawn.size(), 2u);
  EXPECT_EQ(mRenderer->mDrawn[0].what, "fill");
  EXPECT_EQ(mRenderer->mDrawn[1].what, "bitmap");
  EXPECT_EQ(mRenderer->mDrawn[1].argb, static_cast<std::uint32_t>(kResizeCentre));

  mRenderer->mDrawn.clear();
  EXPECT_EQ(look->SetImage(picture, kResizeStretch, true), S_OK);
  look->DrawClientParts(mRenderer, Damaged({0, 0, 100, 30}));
  ASSERT_EQ(mRenderer->mDrawn.size(), 1u);
  EXPECT_EQ(mRenderer->mDrawn[0].what, "bitmap");
  EXPECT_EQ(look->SetImage(RCPtr<LBitmap>(), kResizeStretch, false), S_OK);
  EXPECT_FALSE(look->GetImagePart());
}

TEST_F(LookTest, DrawsLabelTextInTheForegroundColour) {
  const RCPtr<LLook> look = MakeLook(u"Framed");
  look->SetFont(TestFont());
  look->SetText(WideString(u"ab\ncd"));
  StartFrame();
  EXPECT_EQ(look->DrawLabelText(mRenderer, Damaged({0, 0, 100, 30}), {3.0, -4.4}), S_OK);
  ASSERT_EQ(mRenderer->mDrawn.size(), 2u);
  EXPECT_EQ(mRenderer->mDrawn[0].what, "ab");
  EXPECT_EQ(mRenderer->mDrawn[0].origin, (PointT<double>{10, 2})); // the text rectangle's origin
  EXPECT_EQ(mRenderer->mDrawn[0].rect.x, -3);
  EXPECT_EQ(mRenderer->mDrawn[0].rect.y, 4);
  EXPECT_EQ(mRenderer->mDrawn[0].argb, 0xFFFF0000u);
  EXPECT_EQ(mRenderer->mDrawn[1].what, "cd");
  EXPECT_EQ(mRenderer->mDrawn[1].rect.y, 4 + mRenderer->mLineHeight);
  EXPECT_EQ(mRenderer->GetCurrentContext()->mSavedStates.size(), 0u);

  // Damage outside the text rectangle draws nothing.
  mRenderer->mDrawn.clear();
  look->DrawLabelText(mRenderer, Damaged({0, 0, 100, 2}), {0, 0});
  EXPECT_TRUE(mRenderer->mDrawn.empty());

  // No text properties: no text block, nothing to draw.
  const RCPtr<LLook> plain = MakeLook(u"Plain");
  EXPECT_EQ(plain->SetText(WideString(u"x")), S_FALSE);
  EXPECT_EQ(plain->DrawLabelText(mRenderer, Damaged({0, 0, 100, 30}), {0, 0}), S_FALSE);
  EXPECT_TRUE(mRenderer->mDrawn.empty());
}

TEST_F(LookTest, TextForegroundPartsThatCannotFillRaiseTheirErrors) {
  const RCPtr<LLook> look = MakeLook(u"Framed");
  look->SetText(WideString(u"ab"));
  EXPECT_EQ(look->SetTextForegroundPart(RCPtr<LVisualPart>()), E_INVALIDARG);
  ASSERT_EQ(look->SetTextForegroundPart(Part(u"Picture")), S_OK);
  StartFrame();
  EXPECT_EQ(
      ThrownText<std::domain_error>([&] {
        look->DrawLabelText(mRenderer, Damaged({0, 0, 100, 30}), {0, 0});
      }),
      "Domain Error : Bitmap fill for text foreground part not yet implemented. : QZ::LLook::DrawLabelText : "
      "ControlBase\\Look : Line 293");
  const RCPtr<LColorizer> colorizer =
      MakeRCPtr<LColorizer>(WideString(u"g"), LColorizer::kSolidFill, Color{0, 1, 0, 1});
  look->SetTextForegroundPart(MakeRCPtr<LVisualPart>(WideString(u"g"), RCPtr<LBitmap>(), kResizeStretch, colorizer,
                                                     SizeT<std::int32_t>{1, 1}, 1.0f, RCPtr<LBitmap>()));
  colorizer->SetColorType(LColorizer::kLinearGradient);
  EXPECT_EQ(
      ThrownText<std::domain_error>([&] {
        look->DrawLabelText(mRenderer, Damaged({0, 0, 100, 30}), {0, 0});
      }),
      "Domain Error : Gradient fill for text foreground part not yet implemented. : QZ::LLook::DrawLabelText : "
      "ControlBase\\Look : Line 302");
  EXPECT_EQ(mRenderer->GetCurrentContext()->mSavedStates.size(), 0u); // balanced even when raising
}

} // namespace
} // namespace QZ
