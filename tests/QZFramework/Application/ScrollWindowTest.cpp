// A panel with scroll bars from the skin in a real window under the offscreen
// driver: the wheel scrolls the content by a small step, and a held press in
// the track pages at once and again after 0.4 s on the application's clock,
// showing the Clicked look below the thumb while it pages.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Controls/ScrollSkin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 240;
constexpr std::int32_t kHeight = 140;

// A 200 by 100 panel at (10, 10) with its bars and a green 50 by 50 child at
// its top left. With a tall extent the vertical bar covers x 194 .. 210; its
// channel runs from y 26 to 94 and its 16-pixel thumb starts at the top.
std::string ScrollWindowSkin() {
  const std::string content = test::ScrollPart(
      "Test.Plain", "content", "XPositionAbs=\"0\" YPositionAbs=\"0\" XSizeAbs=\"50\" YSizeAbs=\"50\"", "Green");
  const std::string view = test::ScrollPart(
      "Framework.Panel", "view", "XPositionAbs=\"10\" YPositionAbs=\"10\" XSizeAbs=\"200\" YSizeAbs=\"100\"",
      "Gray", test::ScrollViewBars() + content);
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" +
         test::ScrollLooks() + "<Skins><Skin Name=\"S\">" +
         test::ScrollPart("Test.Plain", "main",
                          "XPositionAbs=\"0\" YPositionAbs=\"0\" XSizeAbs=\"240\" YSizeAbs=\"140\"", "Gray",
                          view) +
         "</Skin></Skins></Application></Veskor_Skin_Definitions>";
}

class ScrollWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
  }
  void TearDown() override {
    mView = RCPtr<LScrollView>();
    SkinWindowFixture::TearDown();
  }

  RCPtr<LScrollView> mView;
};

TEST_F(ScrollWindowTest, TheWheelAndAHeldTrackPressScrollThePanel) {
  OpenSkinWindow(ScrollWindowSkin(), kWidth, kHeight);
  mView = DynamicCast<LScrollView>(mMain->FindChild(WideString(u"view")));
  ASSERT_TRUE(mView && mView->GetVerticalBar());

  EXPECT_EQ(PaintAndRead(202, 60), test::kScrollGray) << "no extent: no bar, the panel's own look";
  ASSERT_EQ(mView->SetClientExtent(150, 1000), S_OK); // 900 pixels to scroll, 10 a notch, 100 a page
  EXPECT_EQ(PaintAndRead(202, 30), test::kScrollBlue) << "the thumb at the top";
  EXPECT_EQ(PaintAndRead(202, 60), test::kScrollWhite) << "the channel";
  EXPECT_EQ(PaintAndRead(30, 55), test::kScrollGreen);

  // One notch towards the user scrolls down by the small step (an inactive window takes no wheel).
  ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
  ASSERT_TRUE(mSimulator.MovePointer(mId, {30, 30}));
  ASSERT_TRUE(mSimulator.Wheel(mId, Platform::WheelAxis::kVertical, -120, {30, 30}));
  Pump();
  EXPECT_EQ(mView->GetScrollOffset().y, 10.0);
  EXPECT_EQ(PaintAndRead(30, 55), test::kScrollGray) << "the content moved up by 10";
  EXPECT_EQ(PaintAndRead(30, 45), test::kScrollGreen);

  // A held press in the track below the thumb pages at once, then after 0.4 s.
  mApp->mMilliseconds = 1000;
  ASSERT_TRUE(mSimulator.MovePointer(mId, {202, 88}));
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, {202, 88}));
  Pump();
  EXPECT_EQ(mView->GetScrollOffset().y, 110.0);
  EXPECT_EQ(PaintAndRead(202, 88), test::kScrollRed) << "the Clicked look between the thumb and the end";
  IdleAt(1399);
  EXPECT_EQ(mView->GetScrollOffset().y, 110.0);
  IdleAt(1401);
  EXPECT_EQ(mView->GetScrollOffset().y, 210.0);
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, {202, 88}));
  Pump();
  EXPECT_EQ(PaintAndRead(202, 88), test::kScrollWhite) << "the Normal look once the press ends";
  IdleAt(2000);
  EXPECT_EQ(mView->GetScrollOffset().y, 210.0);
}

} // namespace
} // namespace QZ
