// The value model (clamping, linear and exponential ranges, "NID_VALUE_CHANGE")
// and the condition bits with their notifications.

#include "QZFramework/ControlBase/SkinnedTreeFixture.h"

#include "QZFramework/ControlBase/ControlParams.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationClient.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::At;
using test::Skinned;

constexpr const char16_t* kConditionIds[] = {u"NID_CONDITION_CHANGE",
                                             u"NID_HAS_FOCUS_CONDITION_CHANGE",
                                             u"NID_CONTAINS_FOCUS_CONDITION_CHANGE",
                                             u"NID_HOVER_CONDITION_CHANGE",
                                             u"NID_CAPTURE_CONDITION_CHANGE",
                                             u"NID_LEFT_DRAG_CONDITION_CHANGE",
                                             u"NID_MIDDLE_DRAG_CONDITION_CHANGE",
                                             u"NID_RIGHT_DRAG_CONDITION_CHANGE",
                                             u"NID_ENABLED_CONDITION_CHANGE",
                                             u"NID_VISIBLITY_CONDITION_CHANGE",
                                             u"NID_VALUE_CHANGE"};

// Logs "control.ID" for every notification of the controls it listens to (the
// ids without "NID_" and "_CONDITION_CHANGE"), with the value payload.
class Listener : public LNotificationClient {
public:
  explicit Listener(std::vector<std::string>* log) : mLog(log) {}

  void ListenTo(const RCPtr<LControl>& control) {
    for (const char16_t* id : kConditionIds)
      Subscribe(RCPtr<LNotificationDistributor>(control.Get()), id);
  }

  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override {
    const RCPtr<LControl> control = DynamicCast<LControl>(source);
    std::string id;
    for (NotificationID p = notification->GetID(); *p; ++p)
      id += static_cast<char>(*p);
    id = id.substr(4);
    if (const auto cut = id.find("_CONDITION_CHANGE"); cut != std::string::npos)
      id = id.substr(0, cut);
    std::string entry = test::Narrow(control->GetName()) + "." + id;
    if (const RCPtr<LValueParam> value = DynamicCast<LValueParam>(notification->GetPayload())) {
      entry += "(" + std::to_string(value->mNormalizedValue) + "," + std::to_string(value->mValue) + ")";
    }
    if (const RCPtr<LConditionsParam> conditions = DynamicCast<LConditionsParam>(notification->GetPayload()))
      mLastConditions = conditions.Get();
    mLog->push_back(entry);
    return 0;
  }

  const LConditionsParam* mLastConditions = nullptr;

private:
  std::vector<std::string>* mLog;
};

class ControlValueTest : public test::SkinnedTreeFixture {
protected:
  void SetUp() override {
    SkinnedTreeFixture::SetUp();
    LoadSkins({Skinned("main", "Gray", At(0, 0, 200, 100),
                       Skinned("a", "Red", At(0, 0, 50, 50),
                               Skinned("a1", "Red", At(0, 0, 10, 10)) + Skinned("a2", "Red", At(10, 0, 10, 10))) +
                           Skinned("b", "Green", At(60, 0, 50, 50)))});
    mMain = Open(u"main");
    ASSERT_TRUE(mMain);
    mMain->UpdateConditions(); // laid out in its window: visible now
    mListener = MakeRCPtr<Listener>(&mLog);
    for (const auto& path :
         std::vector<std::vector<const char16_t*>>{{}, {u"a"}, {u"a", u"a1"}, {u"a", u"a2"}, {u"b"}})
      mListener->ListenTo(path.empty() ? RCPtr<LControl>(mMain) : RCPtr<LControl>(Find(mMain, path)));
    mLog.clear();
  }
  void TearDown() override {
    mListener->UnsubscribeAll();
    mListener = nullptr;
    mMain = nullptr;
    SkinnedTreeFixture::TearDown();
  }

  RCPtr<test::SkinnedControl> mMain;
  RCPtr<Listener> mListener;
};

TEST_F(ControlValueTest, SetValueClampsAndAnnouncesOnlyChanges) {
  const RCPtr<test::SkinnedControl> a = Find(mMain, {u"a"});
  ASSERT_EQ(a->SetValueRange(0, 10, LControl::kValueMappingLinear), S_OK);
  EXPECT_EQ(a->SetValue(0.25), 0.25);
  EXPECT_EQ(a->SetValue(1.5), 1.0);
  EXPECT_EQ(a->SetValue(1.0), 1.0) << "unchanged";
  EXPECT_EQ(a->SetValue(-2), 0.0);
  EXPECT_EQ(a->SetValue(std::nan("")), 0.0) << "a NaN changes nothing";
  EXPECT_EQ(mLog, (std::vector<std::string>{"a.valueChanged", "a.VALUE_CHANGE(0.250000,2.500000)",
                                            "a.valueChanged", "a.VALUE_CHANGE(1.000000,10.000000)",
                                            "a.valueChanged", "a.VALUE_CHANGE(0.000000,0.000000)"}));

  // An override may change the stored value; the notification reports that one.
  mLog.clear();
  a->mValueOverride = 0.5;
  EXPECT_EQ(a->SetValue(0.9), 0.5);
  EXPECT_EQ(mLog, (std::vector<std::string>{"a.valueChanged", "a.VALUE_CHANGE(0.500000,5.000000)"}));

  // A new range changes neither the value nor says anything.
  mLog.clear();
  ASSERT_EQ(a->SetValueRange(10, 1000, LControl::kValueMappingExponential), S_OK);
  EXPECT_EQ(a->GetNormalizedValue(), 0.5);
  EXPECT_TRUE(mLog.empty());
  EXPECT_NEAR(a->GetValue(), 100.0, 1e-9);
  EXPECT_EQ(test::Narrow(LValueParam::Create(0.5, 100)->ToString()), "ValueParam = 0.500000");
}

TEST_F(ControlValueTest, RangesMapBothWays) {
  struct Case {
    const char* why;
    double minimum, maximum;
    std::int32_t mapping;
    double normalized, value;
  };
  const Case cases[] = {
      {"linear", 0, 10, 0, 0.25, 2.5},
      {"exponential", 10, 1000, 1, 0.5, 100},
      {"descending linear", 10, 0, 0, 0.75, 2.5},
      {"exponential ends", 2, 32, 1, 1.0, 32},
      {"default range", 0, 0, 0, 0.0, 0},
  };
  const RCPtr<test::SkinnedControl> a = Find(mMain, {u"a"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ASSERT_EQ(a->SetValueRange(c.minimum, c.maximum, c.mapping), S_OK);
    EXPECT_NEAR(a->NormalizedToValue(c.normalized), c.value, 1e-9);
    EXPECT_NEAR(a->ValueToNormalized(c.value), c.normalized, 1e-9);
  }
  // Outside the range the value is clamped first; equal bounds give 0.
  ASSERT_EQ(a->SetValueRange(0, 10, 0), S_OK);
  EXPECT_EQ(a->ValueToNormalized(20), 1.0);
  EXPECT_EQ(a->ValueToNormalized(-5), 0.0);
  ASSERT_EQ(a->SetValueRange(4, 4, 0), S_OK);
  EXPECT_EQ(a->ValueToNormalized(9), 0.0);

  // Refused ranges leave the old one.
  EXPECT_EQ(a->SetValueRange(0, 10, 1), E_INVALIDARG);
  EXPECT_EQ(a->SetValueRange(10, -1, 1), E_INVALIDARG);
  EXPECT_EQ(a->SetValueRange(0, 10, 2), E_INVALIDARG);
  EXPECT_EQ(a->NormalizedToValue(1), 4.0);
}

TEST_F(ControlValueTest, ValueRecordsComeBackFromTheirPool) {
  const LValueParam* first = LValueParam::Create(0.1, 1).Get(); // released at once
  const RCPtr<LValueParam> second = LValueParam::Create(0.2, 2);
  EXPECT_EQ(second.Get(), first) << "the record freed last is handed out first";
  const RCPtr<LConditionsParam> conditions = LConditionsParam::Create(1, 2, {1.5, -2});
  EXPECT_EQ(test::Narrow(conditions->ToString()), "(1.5, -2)");
}

TEST_F(ControlValueTest, ConditionNotificationsInOrderOncePerChange) {
  const RCPtr<test::SkinnedControl> a = Find(mMain, {u"a"});
  const RCPtr<test::SkinnedControl> a1 = Find(mMain, {u"a", u"a1"});
  struct Step {
    const char* why;
    std::function<void()> change;
    std::vector<std::string> expected;
  };
  const Step steps[] = {
      {"focus moves into a child: contains focus only",
       [&] {
         a->SetFocusFlags(false, true);
         a->UpdateConditions();
       },
       {"a.conditionsChanged", "a.CONDITION_CHANGE", "a.CONTAINS_FOCUS"}},
      {"no change: nothing", [&] { a->UpdateConditions(); }, {}},
      {"mouse inside: hover",
       [&] {
         a->SetMouseFlags(true, false);
         a->UpdateConditions();
       },
       {"a.conditionsChanged", "a.CONDITION_CHANGE", "a.HOVER"}},
      {"focus and capture together, in the fixed order",
       [&] {
         a->SetFocusFlags(true, false);
         a->SetMouseFlags(true, true);
         a->UpdateConditions();
       },
       {"a.conditionsChanged", "a.CONDITION_CHANGE", "a.HAS_FOCUS", "a.CONTAINS_FOCUS", "a.CAPTURE"}},
      {"left drag armed",
       [&] {
         a->SetDragFlags(0, true, false);
         a->UpdateConditions();
       },
       {"a.conditionsChanged", "a.CONDITION_CHANGE", "a.LEFT_DRAG"}},
      {"and released without dragging",
       [&] {
         a->SetDragFlags(0, false, false);
         a->UpdateConditions();
       },
       {"a.conditionsChanged", "a.CONDITION_CHANGE", "a.LEFT_DRAG"}},
      {"right dragging",
       [&] {
         a->SetDragFlags(2, false, true);
         a->UpdateConditions();
       },
       {"a.conditionsChanged", "a.CONDITION_CHANGE", "a.RIGHT_DRAG"}},
      {"disabling spreads down, children last to first, each before its own",
       [&] {
         mMain->SetEnabledFlag(false);
         mMain->UpdateConditions();
       },
       {"main.conditionsChanged", "main.CONDITION_CHANGE", "main.ENABLED", "b.conditionsChanged",
        "b.CONDITION_CHANGE", "b.ENABLED", "a.conditionsChanged", "a.CONDITION_CHANGE", "a.ENABLED",
        "a2.conditionsChanged", "a2.CONDITION_CHANGE", "a2.ENABLED", "a1.conditionsChanged", "a1.CONDITION_CHANGE",
        "a1.ENABLED"}},
      {"hiding a child",
       [&] { a1->SetVisible(false); },
       {"a1.conditionsChanged", "a1.CONDITION_CHANGE", "a1.VISIBLITY"}},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.why);
    mLog.clear();
    step.change();
    EXPECT_EQ(mLog, step.expected);
  }
  // Every notification carries the control's one record, updated in place.
  EXPECT_EQ(mListener->mLastConditions, a1->GetConditionsParam().Get());
  EXPECT_EQ(a1->GetConditionsParam()->mPreviousBits, LControl::kConditionVisible);
  EXPECT_EQ(a1->GetConditionsParam()->mCurrentBits, 0u);
}

TEST_F(ControlValueTest, AHiddenControlUnderThePointerMovesTheHoverElsewhere) {
  const RCPtr<test::SkinnedControl> b = Find(mMain, {u"b"});
  mWindow->mCursor = {70, 10};
  b->SetMouseFlags(true, false);
  b->UpdateConditions();
  EXPECT_TRUE(mWindow->mHitTests.empty());
  b->SetVisible(false);
  EXPECT_EQ(mWindow->mHitTests, (std::vector<PointT<std::int32_t>>{{70, 10}}));
  // So does the end of a capture with the pointer outside.
  const RCPtr<test::SkinnedControl> a = Find(mMain, {u"a"});
  a->SetMouseFlags(false, true);
  a->UpdateConditions();
  a->SetMouseFlags(false, false);
  a->UpdateConditions();
  EXPECT_EQ(mWindow->mHitTests.size(), 2u);
}

} // namespace
} // namespace QZ
