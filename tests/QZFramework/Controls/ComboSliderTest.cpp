// The combo slider from a skin: its slider in the drop-down panel and the
// shared value, the text, the extra value change at the end of a drag, where
// the panel opens near the window's right edge, the keys, and a skin without
// the panel.

#include "QZFramework/Controls/IndicatorsFixture.h"

#include "QZFramework/Controls/ComboSlider.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>

namespace QZ {
namespace {

using test::At;
using test::NotificationLog;
using test::ScrollPart;

constexpr std::uint8_t kDownKey = 0x28;
constexpr std::uint8_t kEscapeKey = 0x1B;
constexpr std::uint8_t kLetterA = 0x41;

class ComboSliderTest : public test::IndicatorsFixture {
protected:
  void TearDown() override {
    mCombo = RCPtr<LComboSlider>();
    IndicatorsFixture::TearDown();
  }
  // A combo slider of 100 by 20 at (x, 10); its panel of 260 by 100 at (panelX, 20)
  // holds a slider whose track runs from (0, 40) to (180, 40). The panel reaches
  // past the combo slider, so it is not clipped to it.
  void Open(int x, int panelX, bool withPanel = true) {
    OpenEntries(ComboEntry("combo", x, panelX, withPanel));
    mCombo = Find<LComboSlider>(u"combo");
    ASSERT_TRUE(mCombo);
    // The owner gives the combo slider its range; the slider has 0..127 of its own.
    ASSERT_EQ(mCombo->SetValueRange(0, 127, LControl::kValueMappingLinear), S_OK);
  }
  static std::string ComboEntry(const std::string& name, int x, int panelX, bool withPanel = true) {
    const std::string panel = withPanel ? ScrollPart("Framework.ComboSlider.DropDownPanel", "dropDownPanel",
                                                     At(panelX, 20, 260, 100) + " ClipToParent=\"false\"", "Gray",
                                                     test::SliderEntry("slider", 0, 0, 0, 40, 180, 40))
                                        : std::string();
    return ScrollPart("Framework.ComboSlider", name, At(x, 10, 100, 20), "SevenLooks", panel);
  }
  void OpenEntries(const std::string& entries) {
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.ComboSlider"), &LComboSlider::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.ComboSlider.DropDownPanel"), &LPanel::Create);
    OpenWith(entries, GreenLooks("SevenLooks", 7));
  }
  std::string Text() const { return test::Narrow(mCombo->GetText()); }

  RCPtr<LComboSlider> mCombo;
};

TEST_F(ComboSliderTest, AValueFromOutsideMovesTheThumbAndRewritesTheText) {
  Open(10, 0);
  const RCPtr<LSlider> slider = mCombo->GetSlider();
  ASSERT_TRUE(slider);
  EXPECT_FALSE(mCombo->IsDroppedDown()) << "the panel starts hidden";
  mCombo->SetValue(mCombo->ValueToNormalized(64));
  EXPECT_EQ(Text(), "64");
  EXPECT_DOUBLE_EQ(slider->GetNormalizedValue(), mCombo->GetNormalizedValue());
  EXPECT_EQ(slider->GetThumb()->GetBounds().x, 91); // 64 / 127 of 180, rounded

  // And the other way: a step of the slider is the combo slider's value.
  const RCPtr<NotificationLog> log = Listen(mCombo, {u"NID_VALUE_CHANGE"});
  slider->SetValue(1.0);
  EXPECT_DOUBLE_EQ(mCombo->GetNormalizedValue(), 1.0);
  EXPECT_EQ(Text(), "127");
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), 1);
}

TEST_F(ComboSliderTest, DraggingInTheOpenPanelFollowsAndRepeatsTheValueAtTheRelease) {
  Open(10, 0);
  ASSERT_EQ(mCombo->ShowDropDown(true), S_OK);
  ASSERT_TRUE(mCombo->IsDroppedDown());
  const RCPtr<LSlider> slider = mCombo->GetSlider();
  const RCPtr<NotificationLog> log = Listen(mCombo, {u"NID_VALUE_CHANGE"});
  // The thumb at (0, 40) in the slider: (10, 70) in the window; grabbed 5 pixels into it.
  mWindow->Move({15, 75});
  mWindow->Press(kMouseButtonLeft, {15, 75});
  mWindow->Move({16, 75});
  ASSERT_TRUE(slider->IsDragging());
  mWindow->Move({105, 75});
  EXPECT_DOUBLE_EQ(mCombo->GetNormalizedValue(), 0.5);
  EXPECT_EQ(Text(), "64");
  mWindow->Move({60, 75});
  EXPECT_DOUBLE_EQ(mCombo->GetNormalizedValue(), 0.25);
  EXPECT_EQ(Text(), "32");
  const int duringDrag = log->Count("NID_VALUE_CHANGE");
  EXPECT_EQ(duringDrag, 3) << "one per thumb step (x 1, 90, 45)";
  mWindow->Release(kMouseButtonLeft, {60, 75});
  EXPECT_FALSE(slider->IsDragging());
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), duringDrag + 1) << "one more at the release";
  EXPECT_DOUBLE_EQ(mCombo->GetNormalizedValue(), 0.25);
}

TEST_F(ComboSliderTest, ThePanelOpensWhereTheSkinPutsItButInsideTheWindow) {
  // The window's top-level control is 600 wide; the panel 260.
  const struct {
    int comboX;
    int skinX;
    double openedX;
  } cases[] = {{0, 150, 150}, {0, 450, 340}, {100, 350, 240}, {400, 100, -60}, {500, 0, -160}};
  std::string entries;
  for (std::size_t i = 0; i < std::size(cases); ++i)
    entries += ComboEntry("combo" + std::to_string(i), cases[i].comboX, cases[i].skinX);
  OpenEntries(entries);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(std::to_string(c.comboX) + " " + std::to_string(c.skinX));
    const std::u16string name = u"combo" + std::u16string(1, static_cast<char16_t>(u'0' + i));
    mCombo = Find<LComboSlider>(name.c_str());
    ASSERT_TRUE(mCombo);
    ASSERT_EQ(mCombo->ShowDropDown(true), S_OK);
    const RCPtr<LPanel> panel = mCombo->GetDropDownPanel();
    EXPECT_EQ(panel->GetBounds().x, c.openedX);
    EXPECT_TRUE(mCombo->IsDroppedDown());
    ASSERT_EQ(mCombo->ShowDropDown(false), S_OK);
    EXPECT_FALSE(mCombo->IsDroppedDown());
  }
}

TEST_F(ComboSliderTest, KeysOpenAndCloseAndNoKeyLeavesTheOpenPanel) {
  Open(10, 0);
  mWindow->mHotKeys = {{KeyCode(kLetterA, true, 0, 0).mPacked, "a"}};
  ASSERT_EQ(mCombo->SetFocus(true), S_OK);
  mWindow->Key(kDownKey);
  ASSERT_TRUE(mCombo->IsDroppedDown()) << "Down opens";

  const RCPtr<LSlider> slider = mCombo->GetSlider();
  ASSERT_EQ(slider->SetFocus(true), S_OK);
  const double before = mCombo->GetNormalizedValue();
  mWindow->Key(kLetterA);
  EXPECT_TRUE(mCombo->IsDroppedDown());
  EXPECT_EQ(mCombo->GetNormalizedValue(), before);
  for (const std::string& entry : mWindow->mOwnLog)
    EXPECT_NE(entry, "window.hotkey:a") << "the letter reached the window's hot keys";

  mWindow->Key(kEscapeKey);
  EXPECT_FALSE(mCombo->IsDroppedDown()) << "Escape in the slider closes the panel";
}

TEST_F(ComboSliderTest, WithoutThePanelNothingDropsDownAndTheValueStillWorks) {
  Open(10, 0, false);
  EXPECT_FALSE(mCombo->GetDropDownPanel());
  EXPECT_EQ(mCombo->ShowDropDown(true), E_FAIL);
  EXPECT_FALSE(mCombo->IsDroppedDown());
  const RCPtr<NotificationLog> log = Listen(mCombo, {u"NID_VALUE_CHANGE"});
  mCombo->SetValue(mCombo->ValueToNormalized(64));
  EXPECT_EQ(Text(), "64");
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), 1);
}

} // namespace
} // namespace QZ
