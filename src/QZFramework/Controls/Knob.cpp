#include "QZFramework/Controls/Knob.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/ControlBase/Look.h"
#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/ControlBase/VisualPart.h"
#include "QZFramework/Controls/ArrowKeyStepping.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Utilities/Storage/Holder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace QZ {

namespace {

constexpr const char16_t* kValueChange = u"NID_VALUE_CHANGE";
constexpr const char16_t* kValueChangeCapture = u"NID_VALUE_CHANGE_CAPTURE";
constexpr const char16_t* kNidKeyUp = u"NID_VALUE_CHANGE_KEY_UP";

constexpr double kDefaultFineMultiplier = 0.25;
// The linear range a skin without one gets: a multiple of the position count near this many pixels.
constexpr double kDefaultLinearPixels = 128.0;

RCPtr<LHolder<bool>> CaptureFlag(bool capturing) {
  const RCPtr<LHolder<bool>> holder = LHolder<bool>::Create();
  if (holder->mValue)
    *holder->mValue = capturing;
  return holder;
}

double WrapAngle(double degrees) {
  if (!std::isfinite(degrees))
    return 0;
  degrees = std::fmod(degrees, 360.0);
  return degrees < 0 ? degrees + 360.0 : degrees;
}

} // namespace

RCPtr<LControl>& LKnob::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                               const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LKnob>(out, parent, descriptor);
}

QZRESULT LKnob::Initialize() {
  const QZRESULT result = LControl::Initialize();
  if (result < 0)
    return result;
  if (const RCPtr<LStringTable> params = mDescriptor ? mDescriptor->GetCreateParams() : RCPtr<LStringTable>()) {
    WideString text;
    if (params->GetString(u"LINEAR_GESTURE_FULL_RANGE", text))
      mLinearFullRange = std::atoi(text.ToNarrow().GetChars());
    if (params->GetString(u"RADIAL_GESTURE_START_ANGLE", text))
      mStartAngle = std::atof(text.ToNarrow().GetChars());
    if (params->GetString(u"RADIAL_GESTURE_END_ANGLE", text))
      mEndAngle = std::atof(text.ToNarrow().GetChars());
    if (params->GetString(u"FINE_ADJUST_MULTIPLIER", text))
      mFineMultiplier = std::atof(text.ToNarrow().GetChars());
  }
  mRadial = mStartAngle != 0 || mEndAngle != 0;
  mStartAngle = WrapAngle(mStartAngle);
  mEndAngle = WrapAngle(mEndAngle);
  if (mFineMultiplier == 0 || !std::isfinite(mFineMultiplier))
    mFineMultiplier = kDefaultFineMultiplier;
  static_cast<void>(SetValueRange(0.0, 127.0, kValueMappingLinear));
  return result;
}

RCPtr<LBitmap> LKnob::OverlayImage(std::int32_t index) const {
  const RCPtr<LLook>& look = mLooks.GetAt(static_cast<std::uint32_t>(index));
  if (!look)
    return RCPtr<LBitmap>();
  if (look->GetNonClientCount() > 0 && look->GetNonClientPart(0))
    return look->GetNonClientPart(0)->GetImage();
  return look->GetClientPart() ? look->GetClientPart()->GetImage() : RCPtr<LBitmap>();
}

void LKnob::SetPositionImages(const RCPtr<LBitmap>& image) {
  for (std::uint32_t i = mPositionLooks; i-- > 0;)
    static_cast<void>(SetLookImage(image, 0, static_cast<std::int32_t>(i), false));
}

QZRESULT LKnob::FinishInitialize() {
  mPositionLooks = 0;
  while (mPositionLooks < mLooks.GetCount() && mLooks.GetAt(mPositionLooks))
    ++mPositionLooks;
  const std::uint32_t count = mLooks.GetCount();
  mFocusOverlay = mPositionLooks + 1 < count && mLooks.GetAt(mPositionLooks + 1)
                      ? static_cast<std::int32_t>(mPositionLooks + 1)
                      : -1;
  mDisabledOverlay = mPositionLooks + 2 < count && mLooks.GetAt(mPositionLooks + 2)
                         ? static_cast<std::int32_t>(mPositionLooks + 2)
                         : -1;
  if (mFocusOverlay >= 0 && mHasFocus)
    SetPositionImages(OverlayImage(mFocusOverlay));
  if (mDisabledOverlay >= 0 && !IsEnabled(true))
    SetPositionImages(OverlayImage(mDisabledOverlay));
  if (!mRadial && mLinearFullRange == 0 && mPositionLooks > 0)
    mLinearFullRange = static_cast<std::int32_t>(mPositionLooks) *
                       RoundToLong(kDefaultLinearPixels / static_cast<double>(mPositionLooks));
  const RCPtr<LLook>& look = GetLook(GetFirstVisibleLookIndex());
  RectT<double> area{0, 0, GetBounds().width, GetBounds().height};
  if (look) {
    const RectT<std::int32_t>& client = look->GetClientRect();
    area = {static_cast<double>(client.x), static_cast<double>(client.y), static_cast<double>(client.width),
            static_cast<double>(client.height)};
  }
  mCentre = {TruncateToLong(area.x + area.width * 0.5), TruncateToLong(area.y + area.height * 0.5)};
  OnValueChanged();
  return S_OK;
}

void LKnob::OnValueChanged() {
  if (mPositionLooks == 0)
    return;
  static_cast<void>(SelectLook(RoundToLong((mPositionLooks - 1) * GetNormalizedValue())));
}

double LKnob::SetValue(double normalized) {
  if (mLeftDragging) {
    mPendingValue = normalized;
    return mNormalizedValue;
  }
  return LControl::SetValue(normalized);
}

PointT<std::int32_t> LKnob::ToKnob(const PointT<double>& point) const {
  return PointT<double>{point.x - GetBounds().x, point.y - GetBounds().y}.RoundToLong();
}

void LKnob::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  LControl::OnConditionsChanged(conditions);
  if (!conditions)
    return;
  const RCPtr<LKnob> self(this);
  const std::uint32_t previous = conditions->mPreviousBits;
  const std::uint32_t current = conditions->mCurrentBits;
  const std::uint32_t changed = previous ^ current;
  if ((current & kConditionLeftDragging) != 0 && (previous & kConditionLeftDragging) == 0) {
    mLast = mPrevious = ToKnob(conditions->mPoint);
    if (mRadial)
      ApplyRadialGesture(mLast);
    mPendingValue = -1.0;
    static_cast<void>(Notify(LNotification::Create(kValueChangeCapture, CaptureFlag(true))));
  } else if ((changed & kConditionLeftDragging) != 0) {
    const double pending = mPendingValue;
    mPendingValue = -1.0;
    if (mApplyPending && pending >= 0.0 && pending <= 1.0)
      static_cast<void>(LControl::SetValue(pending));
    static_cast<void>(Notify(LNotification::Create(kValueChangeCapture, CaptureFlag(false))));
    if (mNotifyOnRelease)
      static_cast<void>(Notify(LNotification::Create(
          kValueChange, LValueParam::Create(GetNormalizedValue(), NormalizedToValue(GetNormalizedValue())))));
  } else if ((previous & kConditionHasFocus) != 0 && (current & kConditionHasFocus) == 0 && mKeyStepping) {
    mKeyStepping = false;
    static_cast<void>(Notify(LNotification::Create(kNidKeyUp)));
  }
  if ((changed & kConditionHasFocus) != 0 && mFocusOverlay >= 0)
    SetPositionImages((current & kConditionHasFocus) != 0 ? OverlayImage(mFocusOverlay) : RCPtr<LBitmap>());
  if ((changed & kConditionEnabled) != 0 && mDisabledOverlay >= 0)
    SetPositionImages(IsEnabled(true) ? RCPtr<LBitmap>() : OverlayImage(mDisabledOverlay));
}

void LKnob::HandleMouseMove(const RCPtr<LPointWithModifiersParam>& param) {
  LControl::HandleMouseMove(param);
  if (!param || !mLeftDragging)
    return;
  const PointT<std::int32_t> point = param->mPoint;
  if (mRadial)
    ApplyRadialGesture(point);
  else
    ApplyLinearGesture(point);
}

void LKnob::ApplyLinearGesture(const PointT<std::int32_t>& point) {
  // Without two steps of travel the range has no step to quantise to.
  if (mLinearFullRange < 2)
    return;
  IFrameworkApp* app = GetFrameworkApp();
  const bool ctrl = app && (app->GetModifierKeys() & kModifierCtrl) != 0;
  std::int32_t dx = point.x - mLast.x;
  std::int32_t dy = point.y - mLast.y;
  const std::int32_t trend = (point.x - mPrevious.x) - (point.y - mPrevious.y);
  if (dx > 0 && dy > 0) {
    if (trend > 0 && dx < dy)
      dy = 0;
    else if (trend < 0 && dx > dy)
      dx = 0;
  } else if (dx < 0 && dy < 0) {
    if (trend > 0 && dx < dy)
      dx = 0;
    else if (trend < 0 && dx > dy)
      dy = 0;
  }
  double steps = mLinearFullRange - 1.0;
  double move = (dx - dy) / steps;
  if (ctrl) {
    move *= mFineMultiplier;
    steps = mLinearFullRange / mFineMultiplier - 1.0;
  }
  if (steps > 0) {
    const double value = std::clamp(GetNormalizedValue() + move, 0.0, 1.0);
    static_cast<void>(LControl::SetValue(RoundToLong(value * steps) / steps));
  }
  mPrevious = mLast;
  mLast = point;
}

void LKnob::ApplyRadialGesture(const PointT<std::int32_t>& point) {
  if (point == mCentre)
    return;
  double angle = std::atan2(static_cast<double>(point.y - mCentre.y), static_cast<double>(point.x - mCentre.x)) *
                     180.0 / std::numbers::pi +
                 90.0;
  angle = WrapAngle(angle);
  const double start = mStartAngle;
  double end = mEndAngle;
  if (end <= start)
    end += 360.0;
  if (angle <= start)
    angle += 360.0;
  double value;
  if (angle >= start && angle <= end) {
    value = (angle - start) / (end - start);
    if (!(value >= 0.0 && value <= 1.0))
      return;
  } else {
    value = angle <= end + (start + 360.0 - end) / 2 ? 1.0 : 0.0;
  }
  static_cast<void>(LControl::SetValue(value));
}

void LKnob::StepBy(double units) {
  static_cast<void>(SetValue(ValueToNormalized(NormalizedToValue(GetNormalizedValue()) + units)));
}

QZRESULT LKnob::HandleKey(const RCPtr<LKeyParam>& key) {
  return StepByArrowKey(*this, key, mKeyStepping, [this](double units) { StepBy(units); }) ? S_OK : S_FALSE;
}

QZRESULT LKnob::HandleMouseWheel(const RCPtr<LMouseWheelParam>& param) {
  if (param)
    StepBy(param->mDirection == kWheelUp ? 1.0 : -1.0);
  return S_OK;
}

QZRESULT LKnob::HandleMouseHorizontalWheel(const RCPtr<LMouseWheelParam>& param) {
  if (param)
    StepBy(param->mDirection == kWheelRight ? 1.0 : -1.0);
  return S_OK;
}

} // namespace QZ
