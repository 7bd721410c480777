#include "QZFramework/Controls/ProgressBar.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/Controls/AxisLayout.h"

#include <cmath>
#include <limits>

namespace QZ {

namespace {

constexpr const char16_t* kWordKeys[] = {u"HOURS_SINGULAR", u"HOURS_PLURAL",     u"MINUTES_SINGULAR",
                                         u"MINUTES_PLURAL", u"SECONDS_SINGULAR", u"SECONDS_PLURAL",
                                         u"REMAINING"};

// The estimate is refreshed against a newer reference once this much time has passed.
constexpr double kReferenceInterval = 1.0;

} // namespace

RCPtr<LControl>& LProgressBar::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                      const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LProgressBar>(out, parent, descriptor);
}

double LProgressBar::Now() const {
  IFrameworkApp* app = GetFrameworkApp();
  return app ? app->GetTime() : 0.0;
}

QZRESULT LProgressBar::Initialize() {
  const QZRESULT result = LControl::Initialize();
  mOverlay = FindChild(WideString(u"activeOverlay"));
  mTimeLabel = DynamicCast<LLabel>(FindChild(WideString(u"timeRemainingLabel")));
  if (mTimeLabel)
    static_cast<void>(mTimeLabel->SetVisible(false));
  mPercentLabel = DynamicCast<LLabel>(FindChild(WideString(u"percentCompleteLabel")));
  IFrameworkApp* app = GetFrameworkApp();
  LControlFactory* factory = app ? app->GetControlFactory() : nullptr;
  if (const RCPtr<LStringTable> strings = factory ? factory->GetFrameworkStringTable() : RCPtr<LStringTable>()) {
    for (std::int32_t word = 0; word < kWordCount; ++word)
      static_cast<void>(strings->GetString(kWordKeys[word], mWords[word]));
  }
  static_cast<void>(SetValue(0.0));
  static_cast<void>(SetValueRange(0.0, 100.0, kValueMappingLinear));
  return result;
}

QZRESULT LProgressBar::FinishInitialize() {
  SetNotFocusable(true);
  OnValueChanged();
  return S_OK;
}

QZRESULT LProgressBar::ReleaseInnerReferences() {
  mOverlay = RCPtr<LControl>();
  mTimeLabel = mPercentLabel = RCPtr<LLabel>();
  return LControl::ReleaseInnerReferences();
}

void LProgressBar::OnValueChanged() {
  const RCPtr<LProgressBar> self(this);
  const double percent = GetNormalizedValue() * 100.0;
  const std::int32_t width = RoundToLong(GetBounds().width * percent / 100.0);
  if (mOverlay) {
    if (width > 0) {
      static_cast<void>(mOverlay->SetVisible(true));
      ChangeAxisLayout(mOverlay, 0, std::nullopt, width);
    } else {
      static_cast<void>(mOverlay->SetVisible(false));
    }
  }
  if (mPercentLabel)
    static_cast<void>(mPercentLabel->SetText(DoubleToString(percent, 0)));
  if (mEstimating)
    EstimateRemainingTime();
}

void LProgressBar::EstimateRemainingTime() {
  const double value = GetNormalizedValue();
  const double now = Now();
  if (value > mReferenceValue && now > mReferenceTime) {
    if (now - mReferenceTime > kReferenceInterval) {
      mReferenceValue = value;
      mReferenceTime = now;
    }
    const double rate = (value - mStartValue) / (now - mStartTime);
    // A value that barely moved gives an estimate past any text we can show: hold it at the end.
    const double remaining = (1.0 - value) / rate;
    const double limit = static_cast<double>(std::numeric_limits<std::int32_t>::max());
    UpdateRemainingTimeText(std::isfinite(remaining) && remaining < limit
                                ? RoundToLong(remaining)
                                : std::numeric_limits<std::int32_t>::max());
  }
  if (value >= 1.0)
    mEstimating = false;
}

void LProgressBar::SetTimeEstimate(bool on) {
  if (on == mEstimating)
    return;
  mEstimating = on;
  if (!on)
    return;
  mStartTime = mReferenceTime = Now();
  mStartValue = mReferenceValue = GetNormalizedValue();
}

void LProgressBar::UpdateRemainingTimeText(std::int32_t seconds) {
  if (!mTimeLabel)
    return;
  static_cast<void>(mTimeLabel->SetVisible(true));
  WideString text;
  const auto add = [&text, this](std::int32_t number, Word word) {
    if (!text.IsEmpty())
      text.AppendString(WideString(u" "));
    text.AppendString(IntToString(number, 0));
    text.AppendString(WideString(u" "));
    text.AppendString(mWords[word]);
  };
  if (seconds <= 0) {
    add(0, kSeconds);
  } else {
    const std::int32_t hours = seconds / 3600;
    const std::int32_t minutes = (seconds % 3600) / 60;
    const std::int32_t rest = seconds % 60;
    if (hours > 0) {
      add(hours, hours == 1 ? kHour : kHours);
      if (minutes == 0)
        add(0, kMinutes);
    }
    if (minutes >= 1)
      add(minutes, minutes == 1 ? kMinute : kMinutes);
    add(rest, rest == 1 ? kSecond : kSeconds);
  }
  text.AppendString(WideString(u" "));
  text.AppendString(mWords[kRemaining]);
  static_cast<void>(mTimeLabel->SetText(text));
}

} // namespace QZ
