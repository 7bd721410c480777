// The control's value model and its condition bits.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <cmath>

namespace QZ {

namespace {

constexpr const char16_t* kValueChange = u"NID_VALUE_CHANGE";
constexpr const char16_t* kConditionChange = u"NID_CONDITION_CHANGE";

// The notification of each condition, in the order they are sent.
struct ConditionNotification {
  std::uint32_t bits;
  const char16_t* id;
};
constexpr ConditionNotification kConditionNotifications[] = {
    {LControl::kConditionHasFocus, u"NID_HAS_FOCUS_CONDITION_CHANGE"},
    {LControl::kConditionContainsFocus, u"NID_CONTAINS_FOCUS_CONDITION_CHANGE"},
    {LControl::kConditionHover, u"NID_HOVER_CONDITION_CHANGE"},
    {LControl::kConditionCaptured, u"NID_CAPTURE_CONDITION_CHANGE"},
    {LControl::kConditionLeftDragArmed | LControl::kConditionLeftDragging, u"NID_LEFT_DRAG_CONDITION_CHANGE"},
    {LControl::kConditionMiddleDragArmed | LControl::kConditionMiddleDragging,
     u"NID_MIDDLE_DRAG_CONDITION_CHANGE"},
    {LControl::kConditionRightDragArmed | LControl::kConditionRightDragging, u"NID_RIGHT_DRAG_CONDITION_CHANGE"},
    {LControl::kConditionEnabled, u"NID_ENABLED_CONDITION_CHANGE"},
    {LControl::kConditionVisible, u"NID_VISIBLITY_CONDITION_CHANGE"},
};

} // namespace

// ---------------------------------------------------------------------------
// Value

double LControl::SetValue(double normalized) {
  // No comparison holds for a NaN, so no clamp would catch it: it changes nothing.
  if (std::isnan(normalized))
    return mNormalizedValue;
  const double clamped = normalized < 0 ? 0.0 : (normalized > 1 ? 1.0 : normalized);
  if (clamped == mNormalizedValue)
    return mNormalizedValue;
  const RCPtr<LControl> self(this); // a listener may drop the last outside reference
  mNormalizedValue = clamped;
  OnValueChanged(); // may adjust the stored value
  const RCPtr<LValueParam> param = LValueParam::Create(mNormalizedValue, NormalizedToValue(mNormalizedValue));
  Notify(LNotification::Create(kValueChange, param));
  return mNormalizedValue;
}

void LControl::OnValueChanged() {}

QZRESULT LControl::SetValueRange(double minimum, double maximum, std::int32_t mapping) {
  if (mapping != kValueMappingLinear && mapping != kValueMappingExponential)
    return E_INVALIDARG;
  if (mapping == kValueMappingExponential && !(minimum > 0 && maximum > 0))
    return E_INVALIDARG;
  mValueMapping = mapping;
  mValueMinimum = minimum;
  mValueMaximum = maximum;
  return S_OK;
}

double LControl::NormalizedToValue(double normalized) const {
  if (mValueMapping == kValueMappingExponential)
    return mValueMinimum * std::pow(mValueMaximum / mValueMinimum, normalized);
  return mValueMinimum + (mValueMaximum - mValueMinimum) * normalized;
}

double LControl::ValueToNormalized(double value) const {
  const double low = std::min(mValueMinimum, mValueMaximum);
  const double high = std::max(mValueMinimum, mValueMaximum);
  const double x = std::clamp(value, low, high);
  if (mValueMinimum == mValueMaximum)
    return 0.0;
  if (mValueMapping == kValueMappingExponential)
    return std::log(x / mValueMinimum) / std::log(mValueMaximum / mValueMinimum);
  return (x - mValueMinimum) / (mValueMaximum - mValueMinimum);
}

// ---------------------------------------------------------------------------
// Conditions

void LControl::OnConditionsChanged(const RCPtr<LConditionsParam>&) {}

std::uint32_t LControl::ComputeConditionBits() const {
  std::uint32_t bits = 0;
  const auto set = [&bits](bool condition, std::uint32_t bit) {
    if (condition)
      bits |= bit;
  };
  set(mHasFocus, kConditionHasFocus);
  set(mContainsFocus, kConditionContainsFocus);
  set(mMouseInside, kConditionMouseInside);
  set(mCaptured, kConditionCaptured);
  set(mLeftDragArmed, kConditionLeftDragArmed);
  set(mMiddleDragArmed, kConditionMiddleDragArmed);
  set(mRightDragArmed, kConditionRightDragArmed);
  set(mLeftDragging, kConditionLeftDragging);
  set(mMiddleDragging, kConditionMiddleDragging);
  set(mRightDragging, kConditionRightDragging);
  set(IsEnabled(true), kConditionEnabled);
  set(IsVisible(true), kConditionVisible);
  set(mMouseInside || mForcedHover, kConditionHover);
  return bits;
}

void LControl::UpdateConditions() {
  const std::uint32_t bits = ComputeConditionBits();
  if (bits == mConditionsParam->mCurrentBits)
    return;
  const RCPtr<LControl> self(this); // a listener may drop the last outside reference
  const RCPtr<LConditionsParam> conditions = mConditionsParam;
  conditions->mPreviousBits = conditions->mCurrentBits;
  conditions->mCurrentBits = bits;
  conditions->mPoint = mDragOrigin;
  const std::uint32_t previous = conditions->mPreviousBits;
  const std::uint32_t changed = previous ^ bits;
  const bool inside = (bits & kConditionMouseInside) != 0;
  const bool captured = (bits & kConditionCaptured) != 0;
  const bool insideChanged = (changed & kConditionMouseInside) != 0;
  const bool captureEnded = (changed & kConditionCaptured) != 0 && !captured;

  // The control's cursor shows while the pointer is over it; the one it
  // replaced comes back when the pointer leaves or the capture ends outside.
  if (mCursorID != 0) {
    if (insideChanged && inside && !captured)
      mSavedCursor = ApplyCursor();
    if ((insideChanged && !inside && !captured) || (captureEnded && !inside)) {
      if (const RCPtr<IRootWindow> rootWindow = FindRootWindow())
        rootWindow->SetCursor(mSavedCursor);
    }
  }

  UpdateDragState(previous, bits, false);
  OnConditionsChanged(conditions);
  Notify(LNotification::Create(kConditionChange, conditions));
  for (const ConditionNotification& entry : kConditionNotifications) {
    if ((changed & entry.bits) != 0)
      Notify(LNotification::Create(entry.id, conditions));
  }
  UpdateDragState(previous, bits, true);

  // The control under a resting pointer may be another one now.
  const bool becameHidden = (changed & kConditionVisible) != 0 && (bits & kConditionVisible) == 0;
  if ((inside && becameHidden && !captured) || (captureEnded && !inside)) {
    if (const RCPtr<IRootWindow> rootWindow = GetRootWindowSlot()) {
      RCPtr<LControl> found;
      PointT<std::int32_t> local{};
      static_cast<void>(rootWindow->GetControlAtPoint(found, rootWindow->GetCursorPosition(), local, true));
    }
  }

  if ((changed & (kConditionEnabled | kConditionVisible)) != 0) {
    for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
      if (i < mChildren.GetCount())
        mChildren.GetAt(i, kCreationOrder)->UpdateConditions();
    }
  }
}

} // namespace QZ
