#include "QZFramework/Controls/Button.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/Notification/Notification.h"

namespace QZ {

namespace {

constexpr const char16_t* kSimulateClick = u"NID_SIMULATE_CLICK";
constexpr const char16_t* kAutoRepeat = u"NID_BUTTON_AUTOREPEAT";
constexpr const char16_t* kAutoValueSetParam = u"AUTO_VALUE_SET";
constexpr const char16_t* kIsRadioParam = u"IS_RADIO";

bool ReadFlag(const RCPtr<LStringTable>& params, const char16_t* id) {
  WideString text;
  return params && params->GetString(id, text) && text.ToLower() == WideString(u"true");
}

} // namespace

RCPtr<LControl>& LButton::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LButton>(out, parent, descriptor);
}

double LButton::Now() const {
  IFrameworkApp* app = GetFrameworkApp();
  return app ? app->GetTime() : 0.0;
}

QZRESULT LButton::Initialize() {
  const QZRESULT base = LControl::Initialize();
  if (base < 0)
    return base;
  mButtonHandler = LNotificationHandler<LButton>::Create(this);
  if (mButtonHandler->RegisterForReceive(&LButton::HandleSimulateClick, kSimulateClick) < 0)
    return base;
  const RCPtr<LStringTable> params = mDescriptor ? mDescriptor->GetCreateParams() : RCPtr<LStringTable>();
  static_cast<void>(SetAutoValueSet(ReadFlag(params, kAutoValueSetParam)));
  static_cast<void>(SetRadio(ReadFlag(params, kIsRadioParam)));
  return S_OK;
}

std::int32_t LButton::Receive(const RCPtr<LNotificationDistributor>& source,
                              const RCPtr<LNotification>& notification) {
  if (!mCreated)
    return 0;
  if (mButtonHandler) {
    const std::int32_t handled = mButtonHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LControl::Receive(source, notification);
}

QZRESULT LButton::ReleaseInnerReferences() {
  mButtonHandler = RCPtr<LNotificationHandler<LButton>>();
  return LControl::ReleaseInnerReferences();
}

QZRESULT LButton::SetAutoValueSet(bool autoValueSet) {
  mAutoValueSet = autoValueSet;
  return S_OK;
}

QZRESULT LButton::SetRadio(bool radio) {
  mIsRadio = radio;
  return S_OK;
}

bool LButton::SetChecked(bool checked) {
  static_cast<void>(SetValue(checked ? 1.0 : 0.0));
  return IsOn();
}

QZRESULT LButton::UpdateVisualState() {
  if (mClickThrough || mSimulatedClickPending)
    return S_OK;
  const std::int32_t on = IsOn() ? kLookOn : 0;
  if (!IsEnabled(true))
    return SelectLook(kLookDisabled + on);
  const bool pressed = mCaptured && (mLeftDragArmed || mLeftDragging);
  const bool inside = mMouseInside;
  std::int32_t state = kLookNormal;
  if (pressed)
    state = inside || mPressedWhileCaptured ? kLookPressed : kLookHover;
  else if (inside && !mCaptured)
    state = kLookHover;
  if (mHasFocus)
    state += kLookFocusedOffset;
  return SelectLook(state + on);
}

void LButton::OnValueChanged() {
  if (mIsRadio && IsOn() && GetParent()) {
    const ChildControlList& siblings = GetParent()->GetChildren();
    for (std::uint32_t i = siblings.GetCount(); i-- > 0;) {
      const RCPtr<LButton> other = DynamicCast<LButton>(siblings.GetAt(i, kCreationOrder));
      if (other && other.GetRaw() != this && other->mIsRadio)
        static_cast<void>(other->SetValue(0.0));
    }
  }
  static_cast<void>(UpdateVisualState());
}

void LButton::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  LControl::OnConditionsChanged(conditions);
  if (conditions) {
    const std::uint32_t gained = conditions->mCurrentBits & ~conditions->mPreviousBits;
    const std::uint32_t lost = conditions->mPreviousBits & ~conditions->mCurrentBits;
    if (mAutoRepeat && (gained & kConditionHover) != 0) {
      // Time spent outside does not count towards the next repeat.
      mLastTick = Now();
    } else if ((gained & kConditionLeftDragArmed) != 0) {
      if (mAutoRepeat && IsEnabled(true) && !mRepeating) {
        mRepeating = true;
        if (!mSimulatedClickPending)
          static_cast<void>(BeginIdleNotifications());
        mLastTick = Now();
        mTimeToNextRepeat = mFirstRepeatDelay;
        FireAutoRepeat();
      }
    } else if ((lost & kConditionCaptured) != 0) {
      if (mAutoRepeat && mRepeating) {
        mRepeating = false;
        if (!mSimulatedClickPending)
          static_cast<void>(EndIdleNotifications());
      }
    }
  }
  static_cast<void>(UpdateVisualState());
}

void LButton::SetEnabled(bool enabled) {
  LControl::SetEnabled(enabled);
  static_cast<void>(UpdateVisualState());
}

void LButton::HandleLeftClick(const RCPtr<LMouseButtonParam>& param) {
  LControl::HandleLeftClick(param);
  if (mAutoValueSet)
    static_cast<void>(SetValue(!mIsRadio && IsOn() ? 0.0 : 1.0));
}

bool LButton::ContainsPoint(const PointT<std::int32_t>& point) const {
  return !mClickThrough && LControl::ContainsPoint(point);
}

QZRESULT LButton::HandleKey(const RCPtr<LKeyParam>& key) {
  if (key && key->mKey.Bits() == kEnterKey) {
    SimulateClick();
    return S_OK;
  }
  return S_FALSE;
}

void LButton::FireAutoRepeat() { static_cast<void>(Notify(LNotification::Create(kAutoRepeat))); }

void LButton::CompleteSimulatedClick() {
  if (mAutoRepeat)
    FireAutoRepeat();
  const RCPtr<IRootWindow> rootWindow = GetRootWindowSlot();
  const std::uint32_t buttons = rootWindow ? rootWindow->GetMouseButtonState() : 0;
  static_cast<void>(
      OnLeftClick(LMouseButtonParam::Create(kMouseButtonLeft, PointT<std::int32_t>{0, 0}, 0, 0, buttons, 0)));
}

void LButton::OnIdle() {
  const RCPtr<LButton> self(this); // a click may drop the last outside reference
  if (mSimulatedClickPending && Now() - mSimulatedClickStart >= mSimulatedPressTime) {
    mSimulatedClickPending = false;
    if (!mRepeating)
      static_cast<void>(EndIdleNotifications());
    mSimulatedClickStart = 0.0;
    static_cast<void>(UpdateVisualState());
    CompleteSimulatedClick();
  }
  if (mRepeating && mMouseInside && IsEnabled(true)) {
    const double now = Now();
    mTimeToNextRepeat -= now - mLastTick;
    mLastTick = now;
    if (mTimeToNextRepeat <= 0.0) {
      mTimeToNextRepeat = mRepeatInterval;
      FireAutoRepeat();
    }
  }
}

void LButton::SimulateClick() {
  const RCPtr<LButton> self(this);
  const bool wasPending = mSimulatedClickPending;
  if (wasPending)
    CompleteSimulatedClick();
  mSimulatedClickPending = true;
  static_cast<void>(SetFocus(true));
  if (!wasPending && !mRepeating)
    static_cast<void>(BeginIdleNotifications());
  mSimulatedClickStart = Now();
  static_cast<void>(SelectLook(kLookPressed + (IsOn() ? kLookOn : 0)));
  InvalidateWhole();
}

std::int32_t LButton::HandleSimulateClick(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  if (IsEnabled(true))
    SimulateClick();
  return 1;
}

WideString LButton::GetToolTipText() const {
  if (IsTextTruncated())
    return GetText();
  return LControl::GetToolTipText();
}

} // namespace QZ
