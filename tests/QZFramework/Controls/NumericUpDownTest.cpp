// The numeric up-down from a skin: typed text validated into the range, the
// accepted characters, the step buttons and the arrow keys, and the
// validation notifications passed on.

#include "QZFramework/Controls/ValueControlsFixture.h"

#include "QZFramework/Utilities/Storage/WrapperStringable.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ {
namespace {

using test::Narrow;
using test::NotificationLog;

class NumericUpDownTest : public test::ValueControlsFixture {
protected:
  void SetUp() override {
    ValueControlsFixture::SetUp();
    OpenMain(test::UpDownEntry("updown", 10, 10));
    mUpDown = Find<LNumericUpDown>(u"updown");
    ASSERT_TRUE(mUpDown && mUpDown->GetTextBox() && mUpDown->GetUpButton() && mUpDown->GetDownButton());
    mBox = mUpDown->GetTextBox();
    ASSERT_EQ(mUpDown->SetValueRange(0, 127, LControl::kValueMappingLinear), S_OK);
  }
  void TearDown() override {
    mUpDown = RCPtr<LNumericUpDown>();
    mBox = RCPtr<LTextBox>();
    ValueControlsFixture::TearDown();
  }
  void SetValue(double value) { mUpDown->SetValue(mUpDown->ValueToNormalized(value)); }
  std::string BoxText() const { return Narrow(mBox->GetText()); }

  RCPtr<LNumericUpDown> mUpDown;
  RCPtr<LTextBox> mBox;
};

TEST_F(NumericUpDownTest, TypedTextIsClampedIntoTheRangeOrReplacedByTheValue) {
  struct Case {
    const char* name;
    double minimum, maximum, value;
    const char* typed;
    double valueAfter;
    const char* textAfter;
  };
  const Case cases[] = {
      {"above the range", 0, 127, 10, "300", 127, "127"},
      {"a number", 0, 127, 10, "64", 64, "64"},
      {"leading zeros stay", 0, 127, 7, "007", 7, "007"},
      {"empty", 0, 127, 10, "", 10, "10"},
      {"zero at the minimum", 0, 127, 0, "00", 0, "0"},
      {"letters pasted", 0, 127, 10, "abc", 10, "10"},
      {"nan pasted", 0, 127, 10, "nan", 10, "10"},
      {"inf pasted", 0, 127, 10, "inf", 10, "10"},
      {"hexadecimal pasted", 0, 127, 10, "0x20", 10, "10"},
      {"a minus inside", -12, 12, 3, "5-", 3, "3"},
      {"only a minus", -12, 12, 3, "-", 3, "3"},
      {"a negative number", -12, 12, 3, "-7", -7, "-7"},
      {"below the range", -12, 12, 3, "-40", -12, "-12"},
      {"a point without decimals", -12, 12, 3, "1.5", 3, "3"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(mUpDown->SetValueRange(c.minimum, c.maximum, LControl::kValueMappingLinear), S_OK);
    SetValue(c.value);
    mBox->SetText(WideString(c.typed)); // as a paste would leave it, past the typing filter
    EXPECT_TRUE(mBox->Validate()->mAccept);
    EXPECT_NEAR(mUpDown->GetValue(), c.valueAfter, 1e-9);
    EXPECT_EQ(BoxText(), c.textAfter);
  }
}

TEST_F(NumericUpDownTest, TheRangeSetsTheAcceptedCharactersAndTheText) {
  SetValue(10);
  EXPECT_EQ(Narrow(mBox->mCharacterFilter), "0123456789");
  EXPECT_TRUE(mBox->mFilterIsAllowList);
  ASSERT_EQ(mUpDown->SetValueRange(-12, 12, LControl::kValueMappingLinear), S_OK);
  EXPECT_EQ(Narrow(mBox->mCharacterFilter), "0123456789-");
  EXPECT_EQ(BoxText(), std::string(Narrow(mUpDown->FormatValue())));

  for (const auto& [minimum, maximum, mapping] : {std::tuple{1.0, 10.0, 2}, std::tuple{0.0, 10.0, 1}}) {
    SCOPED_TRACE(mapping);
    EXPECT_EQ(mUpDown->SetValueRange(minimum, maximum, mapping), E_INVALIDARG);
    EXPECT_EQ(Narrow(mBox->mCharacterFilter), "0123456789-") << "nothing changes";
  }
  // Typing a minus sign into a box of a positive range changes nothing.
  ASSERT_EQ(mUpDown->SetValueRange(0, 127, LControl::kValueMappingLinear), S_OK);
  ASSERT_EQ(mBox->SetFocus(true), S_OK);
  mBox->SetText(WideString(u"5"));
  ASSERT_EQ(mBox->SetCaret(1, false), S_OK);
  EXPECT_EQ(mBox->HandleKey(LKeyParam::Create(KeyCode(u'-', 0), 1)), S_OK);
  EXPECT_EQ(BoxText(), "5");
}

TEST_F(NumericUpDownTest, AValueFromOutsideRewritesTheTextWithOneValidationPair) {
  const RCPtr<NotificationLog> log =
      Listen(mUpDown, {u"NID_VALUE_CHANGE", u"NID_TEXTBOX_VALIDATING", u"NID_TEXTBOX_VALIDATED"});
  SetValue(42);
  EXPECT_EQ(BoxText(), "42");
  EXPECT_EQ(log->mEntries,
            (std::vector<std::string>{"NID_TEXTBOX_VALIDATING", "NID_TEXTBOX_VALIDATED", "NID_VALUE_CHANGE"}));
  mUpDown->SetText(WideString(u"17"));
  EXPECT_NEAR(mUpDown->GetValue(), 17, 1e-9);
  EXPECT_EQ(BoxText(), "17");
}

TEST_F(NumericUpDownTest, AListenerThatRefusesLeavesValueAndTextAlone) {
  class Refuser : public LNotificationClient {
  public:
    std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) override {
      if (const auto params = DynamicCast<LTextValidationParams>(n->GetPayload()))
        params->mAccept = false;
      return 0;
    }
  };
  SetValue(10);
  const RCPtr<Refuser> refuser = MakeRCPtr<Refuser>();
  mUpDown->RegisterClient(refuser, u"NID_TEXTBOX_VALIDATING");
  mBox->SetText(WideString(u"300"));
  EXPECT_FALSE(mBox->Validate()->mAccept);
  EXPECT_NEAR(mUpDown->GetValue(), 10, 1e-9);
  EXPECT_EQ(BoxText(), "300");
  mUpDown->UnregisterClientFromAll(refuser);
}

TEST_F(NumericUpDownTest, TheArrowKeysClickTheButtonsWhichStepTheValue) {
  SetValue(10);
  const RCPtr<NotificationLog> log = Listen(mUpDown, {u"NID_VALUE_CHANGE"});
  ASSERT_EQ(mBox->SetFocus(true), S_OK);
  mApp.mMilliseconds = 1000;
  mWindow->Key(0x26);
  EXPECT_TRUE(mUpDown->GetUpButton()->IsSimulatedClickPending()) << "the button flashes pressed";
  IdleAt(1200);
  EXPECT_NEAR(mUpDown->GetValue(), 11, 1e-9);
  mWindow->Key(0x28);
  IdleAt(1400);
  mWindow->Key(0x28);
  IdleAt(1600);
  EXPECT_NEAR(mUpDown->GetValue(), 9, 1e-9);
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), 3);

  mWindow->mHotKeys = {{static_cast<std::int32_t>(KeyCode(0x26, true, 0, kModifierShift).Bits()), "up"}};
  mWindow->Key(0x26, kModifierShift);
  EXPECT_EQ(mWindow->mOwnLog.back(), "window.hotkey:up") << "Shift+Up is not the up-down's";
  IdleAt(1800);
  EXPECT_NEAR(mUpDown->GetValue(), 9, 1e-9);
}

TEST_F(NumericUpDownTest, HoldingTheDownButtonAtTheMinimumChangesNothing) {
  SetValue(1);
  const RCPtr<NotificationLog> log = Listen(mUpDown, {u"NID_VALUE_CHANGE"});
  mApp.mMilliseconds = 1000;
  const PointT<std::int32_t> down{95, 25}; // the up-down at (10, 10), its down button at (80, 10)
  mWindow->Move(down);
  mWindow->Press(kMouseButtonLeft, down);
  EXPECT_NEAR(mUpDown->GetValue(), 0, 1e-9) << "one step at the press";
  for (std::uint32_t ms : {1300u, 1400u, 1500u})
    IdleAt(ms);
  mWindow->Release(kMouseButtonLeft, down);
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), 1);
  EXPECT_NEAR(mUpDown->GetValue(), 0, 1e-9);
  EXPECT_TRUE(mUpDown->GetDownButton()->IsNotFocusable());
  EXPECT_FALSE(mUpDown->IsNotFocusable());
}

} // namespace
} // namespace QZ
