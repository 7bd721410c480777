// The button's looks, toggle and radio values, autorepeat and simulated
// clicks, driven through a scripted root window and the fake clock.

#include "QZFramework/Controls/ControlsFixture.h"

#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Controls/Button.h"

#include <gtest/gtest.h>

namespace QZ {
namespace {

using test::ControlsFixture;
using test::NotificationLog;
using test::Placed;
using test::TestControl;

using Button = Placed<LButton>;

class ButtonTest : public ControlsFixture {
protected:
  void SetUp() override {
    ControlsFixture::SetUp();
    mRoot = Make<TestControl>(RCPtr<LControl>(), u"root", {0, 0, 200, 200});
    mWindow->SetRootControl(mRoot);
    mButton = Make<LButton>(mRoot, u"button", {10, 10, 50, 20}, 14);
    mOther = Make<LButton>(mRoot, u"other", {100, 100, 50, 20}, 14);
    mLog = Listen(mButton, {u"NID_LEFT_CLICK", u"NID_VALUE_CHANGE", u"NID_BUTTON_AUTOREPEAT"});
  }
  void TearDown() override {
    mLog = RCPtr<NotificationLog>();
    mRoot = RCPtr<Placed<TestControl>>();
    mButton = mOther = RCPtr<Button>();
    ControlsFixture::TearDown();
  }

  static constexpr PointT<std::int32_t> kInside{20, 15};
  static constexpr PointT<std::int32_t> kOutside{80, 80};

  RCPtr<Placed<TestControl>> mRoot;
  RCPtr<Button> mButton, mOther;
  RCPtr<NotificationLog> mLog;
};

TEST_F(ButtonTest, TheLookFollowsHoverPressFocusValueAndTheEnabledState) {
  mButton->UpdateVisualState();
  EXPECT_EQ(mButton->ShownLook(), 0);
  mWindow->Move(kInside);
  EXPECT_EQ(mButton->ShownLook(), 1);
  mWindow->Press(kMouseButtonLeft, kInside); // the press also gives the focus
  EXPECT_EQ(mButton->ShownLook(), 5);
  mWindow->Move(kOutside);
  EXPECT_EQ(mButton->ShownLook(), 4) << "pressed outside shows hover";
  mWindow->Release(kMouseButtonLeft, kOutside);
  EXPECT_EQ(mButton->ShownLook(), 3);
  mButton->SetChecked(true);
  EXPECT_EQ(mButton->ShownLook(), 10);
  mWindow->Move(kInside);
  EXPECT_EQ(mButton->ShownLook(), 11);

  // Disabled: 6 or 13 whatever the focus and the pointer say.
  mButton->SetEnabled(false);
  EXPECT_EQ(mButton->ShownLook(), 13);
  mButton->SetChecked(false);
  EXPECT_EQ(mButton->ShownLook(), 6);
  mRoot->SetEnabled(false);
  mButton->SetEnabled(true);
  EXPECT_EQ(mButton->ShownLook(), 6) << "a disabled ancestor disables the button";
}

TEST_F(ButtonTest, ACapturedThumbKeepsThePressedLookOutsideItsBounds) {
  mButton->SetPressedWhileCaptured(true);
  mWindow->Press(kMouseButtonLeft, kInside);
  mWindow->Move(kOutside);
  EXPECT_EQ(mButton->ShownLook(), 5);
  mWindow->Release(kMouseButtonLeft, kOutside);
  EXPECT_EQ(mButton->ShownLook(), 3);
}

TEST_F(ButtonTest, AToggleFlipsAndItsValueChangeComesBeforeTheClick) {
  ASSERT_EQ(mButton->SetAutoValueSet(true), S_OK);
  mWindow->Click(kMouseButtonLeft, kInside);
  EXPECT_TRUE(mButton->IsOn());
  mWindow->Click(kMouseButtonLeft, kInside);
  EXPECT_FALSE(mButton->IsOn());
  EXPECT_EQ(mLog->mEntries, (std::vector<std::string>{"NID_VALUE_CHANGE", "NID_LEFT_CLICK", "NID_VALUE_CHANGE",
                                                      "NID_LEFT_CLICK"}));
}

TEST_F(ButtonTest, ARadioButtonTurnsOffItsSiblingsOnlyAndStaysOnWhenClickedAgain) {
  const auto group = Make<TestControl>(mRoot, u"group", {0, 50, 200, 40});
  const auto one = Make<LButton>(group, u"one", {0, 0, 20, 20}, 14);
  const auto two = Make<LButton>(group, u"two", {30, 0, 20, 20}, 14);
  const auto plain = Make<LButton>(group, u"plain", {60, 0, 20, 20}, 14);
  for (const auto& button : {one, two, mButton}) {
    button->SetRadio(true);
    button->SetAutoValueSet(true);
  }
  mButton->SetChecked(true); // elsewhere
  plain->SetChecked(true);   // not a radio button
  mWindow->Click(kMouseButtonLeft, {5, 55});
  EXPECT_TRUE(one->IsOn());
  mWindow->Click(kMouseButtonLeft, {35, 55});
  EXPECT_TRUE(two->IsOn());
  EXPECT_FALSE(one->IsOn());
  EXPECT_TRUE(plain->IsOn());
  EXPECT_TRUE(mButton->IsOn());
  const auto log = Listen(two, {u"NID_LEFT_CLICK", u"NID_VALUE_CHANGE"});
  mWindow->Click(kMouseButtonLeft, {35, 55});
  EXPECT_TRUE(two->IsOn());
  EXPECT_EQ(log->mEntries, std::vector<std::string>{"NID_LEFT_CLICK"});
}

TEST_F(ButtonTest, AHeldAutorepeatButtonFiresAtThePressAfterTheDelayThenEachInterval) {
  mButton->SetAutoRepeat(true);
  const auto repeats = [this] { return mLog->Count("NID_BUTTON_AUTOREPEAT"); };
  mApp.mMilliseconds = 1000;
  mWindow->Move(kInside);
  mWindow->Press(kMouseButtonLeft, kInside);
  EXPECT_EQ(repeats(), 1) << "the press is the first repeat";
  // Checked a millisecond either side: the countdown runs on the clock's seconds.
  IdleAt(1299);
  EXPECT_EQ(repeats(), 1);
  IdleAt(1301);
  EXPECT_EQ(repeats(), 2);
  IdleAt(1350);
  IdleAt(1400);
  EXPECT_EQ(repeats(), 2);
  IdleAt(1402);
  EXPECT_EQ(repeats(), 3);

  // Outside the countdown stands still, and coming back brings no burst.
  mWindow->Move(kOutside);
  EXPECT_EQ(mButton->ShownLook(), 4);
  IdleAt(2000);
  EXPECT_EQ(repeats(), 3);
  mApp.mMilliseconds = 2050;
  mWindow->Move(kInside);
  IdleAt(2100);
  IdleAt(2149);
  EXPECT_EQ(repeats(), 3);
  IdleAt(2151);
  EXPECT_EQ(repeats(), 4);

  mWindow->Release(kMouseButtonLeft, kInside);
  EXPECT_FALSE(mButton->IsRepeating());
  IdleAt(3000);
  EXPECT_EQ(repeats(), 4);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 1);
}

TEST_F(ButtonTest, EnterShowsThePressedLookForAMomentThenClicks) {
  ASSERT_EQ(KeyCode(0x0D, true, 0, 0).Bits(), LButton::kEnterKey);
  ASSERT_EQ(mButton->SetFocus(true), S_OK);
  mApp.mMilliseconds = 500;
  mWindow->Key(0x0D);
  EXPECT_TRUE(mButton->IsSimulatedClickPending());
  EXPECT_EQ(mButton->ShownLook(), 2);
  IdleAt(649);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 0);
  IdleAt(651);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 1);
  EXPECT_EQ(mButton->ShownLook(), 3);

  // Twice quickly: the second completes the first at once.
  mWindow->Key(0x0D);
  mWindow->Key(0x0D);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 2);
  IdleAt(802);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 3);
  EXPECT_FALSE(mButton->IsSimulatedClickPending());
  IdleAt(2000);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 3);
}

TEST_F(ButtonTest, TheSimulateClickNotificationIsIgnoredWhileDisabled) {
  const RCPtr<LNotification> simulate = LNotification::Create(u"NID_SIMULATE_CLICK");
  mRoot->SetEnabled(false);
  EXPECT_EQ(mButton->Receive(RCPtr<LNotificationDistributor>(), simulate), 1);
  EXPECT_FALSE(mButton->IsSimulatedClickPending());
  mRoot->SetEnabled(true);
  EXPECT_EQ(mButton->Receive(RCPtr<LNotificationDistributor>(), simulate), 1);
  EXPECT_TRUE(mButton->IsSimulatedClickPending());
  EXPECT_EQ(Focused(), "button");
  mApp.mMilliseconds = 150;
  mWindow->ProcessIdle();
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 1);
}

TEST_F(ButtonTest, AClickThroughButtonIsNeverHitAndKeepsItsLook) {
  mButton->SetChecked(true);
  mButton->SetClickThrough(true);
  mWindow->Click(kMouseButtonLeft, kInside);
  EXPECT_EQ(mLog->Count("NID_LEFT_CLICK"), 0);
  mButton->SetChecked(false);
  mButton->SetEnabled(false);
  EXPECT_EQ(mButton->ShownLook(), 7);
}

} // namespace
} // namespace QZ
