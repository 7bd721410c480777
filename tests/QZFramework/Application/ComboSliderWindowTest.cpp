// The combo slider made by class name from a skin, in a real window under the
// offscreen driver: a press opens its panel shifted left to stay inside the
// window, a drag of the panel's slider changes the value and text and repeats
// the value at the release, and keys given to the open panel's slider reach
// no global hot key.

#include "QZFramework/Application/ValueControlsWindowFixture.h"

#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Controls/ComboSlider.h"
#include "QZFramework/Controls/Slider.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/System/HotKeys.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace QZ {
namespace {

using test::At;
using test::ScrollPart;

constexpr std::int32_t kWidth = 300;
constexpr std::int32_t kHeight = 200;
constexpr std::uint32_t kDownKey = 0x28;
constexpr std::uint32_t kEscapeKey = 0x1B;
constexpr std::uint32_t kLetterA = 0x41;

// The combo slider 100 by 20 at (0, 10); its panel of 200 by 60, which the
// skin puts at x 150 (past the window's right edge), holds a slider whose
// 20-pixel thumb runs from x 0 to 180 at y 20. A button to take the focus
// elsewhere at (10, 150).
std::string Entries() {
  const std::string slider =
      ScrollPart("Framework.Slider", "slider", At(0, 0, 200, 60), "Channel",
                 ScrollPart("Framework.Button", "thumbStart", At(0, 20, 20, 20), "BlueButton") +
                     ScrollPart("Framework.Button", "thumbEnd", At(180, 20, 20, 20), "BlueButton"));
  const std::string panel = ScrollPart("Framework.ComboSlider.DropDownPanel", "dropDownPanel",
                                       At(150, 20, 200, 60) + " ClipToParent=\"false\"", "Gray", slider);
  return ScrollPart("Framework.ComboSlider", "combo", At(0, 10, 100, 20), "SevenLooks", panel) +
         ScrollPart("Framework.Button", "other", At(10, 150, 40, 20), "GreenButton");
}

class ComboSliderWindowTest : public test::ValueControlsWindowFixture {
protected:
  void SetUp() override {
    ValueControlsWindowFixture::SetUp();
    Open(Entries(), test::GreenLookList("SevenLooks", 7), kWidth, kHeight);
    mCombo = Find<LComboSlider>(u"combo");
    ASSERT_TRUE(mCombo && mCombo->GetSlider());
    ASSERT_EQ(mCombo->SetValueRange(0, 127, LControl::kValueMappingLinear), S_OK);
  }
  void TearDown() override {
    mCombo = RCPtr<LComboSlider>();
    ValueControlsWindowFixture::TearDown();
  }
  std::string Text() const { return mCombo->GetText().ToNarrow().GetChars(); }

  RCPtr<LComboSlider> mCombo;
};

TEST_F(ComboSliderWindowTest, APressOpensThePanelInsideTheWindowAndTheDraggedValueRepeatsAtTheRelease) {
  EXPECT_FALSE(mCombo->IsDroppedDown());
  EXPECT_EQ(PaintAndRead(250, 60), test::kScrollGray) << "nothing there while closed";

  Click({50, 20});
  ASSERT_TRUE(mCombo->IsDroppedDown());
  EXPECT_EQ(mCombo->GetDropDownPanel()->GetBounds().x, 100) << "the window's width less the panel's";
  std::vector<std::uint32_t> pixels = Paint();
  EXPECT_EQ(RunFrom(pixels, 100, 60, test::kScrollBlue), 20) << "the thumb at the panel's left edge";
  EXPECT_NE(PixelAt(pixels, 250, 60), test::kScrollGray) << "the slider's channel";

  // The thumb (100, 50 in the window) dragged 90 pixels: half way, on every move.
  const RCPtr<test::IdLog> log = Listen(mCombo, {u"NID_VALUE_CHANGE"});
  Drag({{105, 60}, {106, 60}, {195, 60}}, false);
  ASSERT_TRUE(mCombo->GetSlider()->IsDragging());
  EXPECT_DOUBLE_EQ(mCombo->GetNormalizedValue(), 0.5);
  EXPECT_EQ(Text(), "64");
  const int duringDrag = log->Count("NID_VALUE_CHANGE");
  EXPECT_EQ(duringDrag, 2) << "one per thumb step";
  Release({195, 60});
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), duringDrag + 1) << "one more at the release";
  EXPECT_DOUBLE_EQ(mCombo->GetNormalizedValue(), 0.5);
  EXPECT_TRUE(mCombo->IsDroppedDown());
  EXPECT_EQ(RunFrom(Paint(), 190, 60, test::kScrollBlue), 20) << "the thumb where it was dropped";

  // A value from outside moves the thumb back and rewrites the text.
  mCombo->SetValue(0.0);
  EXPECT_EQ(Text(), "0");
  EXPECT_EQ(mCombo->GetSlider()->GetThumb()->GetBounds().x, 0);
}

TEST_F(ComboSliderWindowTest, ALetterForTheOpenPanelsSliderReachesNoHotKeyAndEscapeClosesIt) {
  ASSERT_EQ(mApp->GetGlobalHotKeyManager()->GetHotKeyMap().AddKey(
                KeyCode(static_cast<std::uint8_t>(kLetterA), true, 0, 0), WideString(u"NID_TEST_A")),
            S_OK);
  const RCPtr<test::IdLog> application = MakeRCPtr<test::IdLog>();
  application->Subscribe(RCPtr<LNotificationDistributor>(GetApplicationNotificationCenter().GetRaw()),
                         u"NID_TEST_A");

  // From another control the letter reaches the hot key.
  ASSERT_EQ(Find(u"other")->SetFocus(true), S_OK);
  Key(kLetterA);
  IdleAt(100);
  ASSERT_EQ(application->Count("NID_TEST_A"), 1);

  // Down opens the focused combo slider; a click gives its slider the focus, which takes the letter
  // and nothing follows.
  ASSERT_EQ(mCombo->SetFocus(true), S_OK);
  Key(kDownKey);
  ASSERT_TRUE(mCombo->IsDroppedDown());
  Click({105, 60});
  ASSERT_EQ(Focused(), "thumb") << "the open panel's slider has the focus";
  ASSERT_TRUE(mCombo->IsDroppedDown());
  const double before = mCombo->GetNormalizedValue();
  Key(kLetterA);
  IdleAt(200);
  EXPECT_EQ(application->Count("NID_TEST_A"), 1);
  EXPECT_TRUE(mCombo->IsDroppedDown());
  EXPECT_EQ(mCombo->GetNormalizedValue(), before);

  Key(kEscapeKey);
  EXPECT_FALSE(mCombo->IsDroppedDown()) << "Escape in the slider closes the panel";
  application->UnsubscribeAll();
}

} // namespace
} // namespace QZ
