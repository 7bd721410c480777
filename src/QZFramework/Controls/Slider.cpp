#include "QZFramework/Controls/Slider.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Controls/ArrowKeyStepping.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Utilities/Storage/Holder.h"

#include <algorithm>
#include <cmath>

namespace QZ {

namespace {

constexpr const char16_t* kValueChange = u"NID_VALUE_CHANGE";
constexpr const char16_t* kValueChangeCapture = u"NID_VALUE_CHANGE_CAPTURE";
constexpr const char16_t* kNidKeyUp = u"NID_VALUE_CHANGE_KEY_UP";
constexpr const char16_t* kLeftDragChange = u"NID_LEFT_DRAG_CONDITION_CHANGE";
constexpr const char16_t* kMouseMove = u"NID_MOUSE_MOVE";

constexpr double kFirstPageDelay = 0.3;
constexpr double kPageInterval = 0.1;

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

// The payload of "NID_VALUE_CHANGE_CAPTURE".
RCPtr<LHolder<bool>> CaptureFlag(bool capturing) {
  const RCPtr<LHolder<bool>> holder = LHolder<bool>::Create();
  if (holder->mValue)
    *holder->mValue = capturing;
  return holder;
}

RCPtr<LConditionsParam> ConditionsOf(const RCPtr<LNotification>& notification) {
  return notification ? DynamicCast<LConditionsParam>(notification->GetPayload()) : RCPtr<LConditionsParam>();
}

PointT<std::int32_t> PositionOf(const RCPtr<LControl>& control) {
  if (!control)
    return {0, 0};
  return PointT<double>{control->GetBounds().x, control->GetBounds().y}.RoundToLong();
}

double Distance(const PointT<std::int32_t>& a, const PointT<std::int32_t>& b) {
  return std::hypot(static_cast<double>(b.x) - a.x, static_cast<double>(b.y) - a.y);
}

} // namespace

RCPtr<LControl>& LSlider::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LSlider>(out, parent, descriptor);
}

double LSlider::Now() const {
  IFrameworkApp* app = GetFrameworkApp();
  return app ? app->GetTime() : 0.0;
}

// ---------------------------------------------------------------------------
// Creation

QZRESULT LSlider::Initialize() {
  if (LPanel::Initialize() < 0)
    return E_FAIL;
  mSliderHandler = LNotificationHandler<LSlider>::Create(this);
  mThumbEnd = FindChild(WideString(u"thumbEnd"));
  mThumbStart = FindChild(WideString(u"thumbStart"));
  if (mThumbStart)
    CreateThumb();
  OnSizeChanged();
  static_cast<void>(SetValueRange(0.0, 127.0, kValueMappingLinear));
  static_cast<void>(SetDragThreshold(0));
  return S_OK;
}

RCPtr<LControlDescriptor> LSlider::MakeThumbDescriptor() const {
  IFrameworkApp* app = GetFrameworkApp();
  LControlFactory* factory = app ? app->GetControlFactory() : nullptr;
  const RCPtr<LControl> start = FindChild(WideString(u"thumbStart"));
  if (!factory || !start || !start->GetDescriptor() || !start->GetLayout())
    return RCPtr<LControlDescriptor>();
  // The slider places the thumb itself: no tab stop, anchor, relative position or docking.
  const RCPtr<LLayoutDescriptor> layout = start->GetLayout()->Clone();
  layout->mTabStop = 0;
  for (AxisPlacement& placement : layout->mPlacement) {
    placement.mAnchor = 0;
    placement.mRelative = 0;
    placement.mDocked = false;
  }
  return factory->CloneDescriptor(start->GetDescriptor(), layout, WideString(u"thumb"));
}

void LSlider::CreateThumb() {
  mThumb = FindChild(WideString(u"thumb"));
  if (!mThumb) {
    const RCPtr<LControlDescriptor> descriptor = MakeThumbDescriptor();
    IFrameworkApp* app = GetFrameworkApp();
    LControlFactory* factory = app ? app->GetControlFactory() : nullptr;
    if (!descriptor || !factory)
      return;
    mThumb = factory->CreateControl(descriptor, RCPtr<LControl>(this));
  }
  if (!mThumb)
    return;
  static_cast<void>(mThumb->SetVisible(true));
  WireThumb();
}

void LSlider::WireThumb() {
  if (!mThumb || !mSliderHandler || mThumbWired)
    return;
  mThumbWired = true;
  static_cast<void>(mSliderHandler->Register(&LSlider::OnThumbMove, AsDistributor(mThumb), kMouseMove));
  static_cast<void>(mSliderHandler->Register(&LSlider::OnThumbDrag, AsDistributor(mThumb), kLeftDragChange));
  if (const RCPtr<LButton> button = DynamicCast<LButton>(mThumb))
    button->SetPressedWhileCaptured(true);
}

QZRESULT LSlider::AttachChildFromDescriptor(RCPtr<LControl> child, const RCPtr<LControlDescriptor>& descriptor) {
  if (!child || descriptor || !child->GetName().IsEqual(u"thumb"))
    return LPanel::AttachChildFromDescriptor(child, descriptor);
  const QZRESULT result = LPanel::AttachChildFromDescriptor(child, MakeThumbDescriptor());
  static_cast<void>(child->SetVisible(true));
  return result;
}

QZRESULT LSlider::FinishInitialize() {
  static_cast<void>(LPanel::FinishInitialize());
  mThumbEnd = FindChild(WideString(u"thumbEnd"));
  mThumbStart = FindChild(WideString(u"thumbStart"));
  // The markers only mark the ends of the track.
  for (const RCPtr<LControl>& marker : {mThumbEnd, mThumbStart}) {
    if (marker)
      static_cast<void>(marker->SetVisible(false));
  }
  if (mThumbStart && mThumbStart->GetLayout()) {
    const RectT<double>& bounds = mThumbStart->GetBounds();
    const double size[2] = {bounds.width, bounds.height};
    std::int32_t reference[2] = {0, 0};
    for (std::int32_t axis = 0; axis < 2; ++axis) {
      const double anchor = mThumbStart->GetLayout()->mPlacement[axis].mAnchor;
      reference[axis] = RoundToLong(anchor != 0 ? anchor * size[axis] : size[axis] / 2);
    }
    mThumbReference = {reference[0], reference[1]};
  }
  OnSizeChanged();
  return S_OK;
}

std::int32_t LSlider::Receive(const RCPtr<LNotificationDistributor>& source,
                              const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mSliderHandler) {
    const std::int32_t handled = mSliderHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LPanel::Receive(source, notification);
}

QZRESULT LSlider::ReleaseInnerReferences() {
  mSliderHandler = RCPtr<LNotificationHandler<LSlider>>();
  mThumb = mThumbStart = mThumbEnd = RCPtr<LControl>();
  mThumbWired = false;
  return LPanel::ReleaseInnerReferences();
}

// ---------------------------------------------------------------------------
// Value and thumb

double LSlider::SetValue(double normalized) {
  if (mDragging) {
    mPendingValue = normalized;
    return mNormalizedValue;
  }
  return SetValueAndThumb(normalized);
}

double LSlider::SetValueAndThumb(double normalized) {
  const RCPtr<LSlider> self(this);
  static_cast<void>(LPanel::SetValue(normalized));
  UpdateThumbPosition();
  return GetNormalizedValue();
}

PointT<std::int32_t> LSlider::ThumbPosition() const { return PositionOf(mThumb); }
PointT<std::int32_t> LSlider::Start() const { return PositionOf(mThumbStart); }
PointT<std::int32_t> LSlider::End() const { return PositionOf(mThumbEnd); }

void LSlider::MoveThumbTo(const PointT<std::int32_t>& position) {
  const RCPtr<LLayoutDescriptor>& layout = mThumb ? mThumb->GetLayout() : RCPtr<LLayoutDescriptor>();
  if (!layout)
    return;
  const std::int32_t target[2] = {position.x, position.y};
  for (std::int32_t axis = 0; axis < 2; ++axis) {
    AxisPlacement placement;
    SizeSpec size;
    if (layout->GetAxisLayout(axis, placement, size) != S_OK)
      continue;
    placement.mAbsolute = target[axis];
    static_cast<void>(mThumb->SetAxisPlacement(axis, placement, size));
  }
}

void LSlider::UpdateThumbPosition() {
  if (mDragging || !mThumb || !mThumbStart || !mThumbEnd)
    return;
  const double value = GetNormalizedValue();
  const PointT<std::int32_t> s = Start();
  const PointT<std::int32_t> e = End();
  const PointT<std::int32_t> target{s.x + RoundToLong((e.x - s.x) * value),
                                    s.y + RoundToLong((e.y - s.y) * value)};
  if (target == ThumbPosition())
    return;
  MoveThumbTo(target);
}

void LSlider::UpdateValueFromThumb() {
  if (!mThumb)
    return;
  static_cast<void>(SetValueAndThumb(ValueFromPoint(ThumbPosition())));
}

double LSlider::ValueFromPoint(const PointT<std::int32_t>& point) {
  const double length = Distance(Start(), End());
  // Without a track no position says anything about the value.
  if (!mThumbStart || !mThumbEnd || length == 0)
    return GetNormalizedValue();
  return Distance(Start(), point) / length;
}

PointT<std::int32_t> LSlider::ConstrainPointToTrack(const PointT<std::int32_t>& point) {
  const PointT<std::int32_t> q{point.x - mGrabOffset.x, point.y - mGrabOffset.y};
  const PointT<std::int32_t> s = Start();
  const PointT<std::int32_t> e = End();
  const RectT<double> thumb = mThumb ? mThumb->GetBounds() : RectT<double>{};
  PointT<std::int32_t> result;
  if (e.x == s.x) {
    result = {TruncateToLong(thumb.x), q.y};
  } else if (e.y == s.y) {
    result = {q.x, TruncateToLong(thumb.y)};
  } else {
    // The foot of the perpendicular from q to the track's line, in single precision.
    const float m = static_cast<float>(e.y - s.y) / static_cast<float>(e.x - s.x);
    const float c = static_cast<float>(s.y) - static_cast<float>(s.x) * m;
    const float n = -1.0f / m;
    const float x = (static_cast<float>(q.y) - static_cast<float>(q.x) * n - c) / (m - n);
    const std::int32_t footX = RoundToLong(x);
    result = {footX, RoundToLong(static_cast<float>(footX) * m + c)};
  }
  result.x = std::clamp(result.x, std::min(s.x, e.x), std::max(s.x, e.x));
  result.y = std::clamp(result.y, std::min(s.y, e.y), std::max(s.y, e.y));
  return result;
}

void LSlider::OnSizeChanged() {
  if (!mThumb) {
    mThumb = FindChild(WideString(u"thumb"));
    WireThumb();
  }
  if (mThumb)
    UpdateThumbPosition();
}

// ---------------------------------------------------------------------------
// Dragging

std::int32_t LSlider::OnThumbDrag(const RCPtr<LNotificationDistributor>&,
                                  const RCPtr<LNotification>& notification) {
  const RCPtr<LConditionsParam> conditions = ConditionsOf(notification);
  if (!conditions || !mThumb)
    return 1;
  const RCPtr<LSlider> self(this);
  const bool now = (conditions->mCurrentBits & kConditionLeftDragging) != 0;
  const bool before = (conditions->mPreviousBits & kConditionLeftDragging) != 0;
  if (now && !before) {
    mDragging = true;
    const RectT<double>& bounds = mThumb->GetBounds();
    mGrabOffset = PointT<double>{conditions->mPoint.x - bounds.x, conditions->mPoint.y - bounds.y}.RoundToLong();
    mPendingValue = -1.0;
    static_cast<void>(Notify(LNotification::Create(kValueChangeCapture, CaptureFlag(true))));
  } else if (!now && before && mDragging) {
    mDragging = false;
    const double pending = mPendingValue;
    mPendingValue = -1.0;
    if (mApplyPending && pending >= 0.0 && pending <= 1.0)
      static_cast<void>(SetValueAndThumb(pending));
    static_cast<void>(Notify(LNotification::Create(kValueChangeCapture, CaptureFlag(false))));
    if (mNotifyOnRelease)
      static_cast<void>(Notify(LNotification::Create(
          kValueChange, LValueParam::Create(GetNormalizedValue(), NormalizedToValue(GetNormalizedValue())))));
  }
  return 1;
}

std::int32_t LSlider::OnThumbMove(const RCPtr<LNotificationDistributor>&,
                                  const RCPtr<LNotification>& notification) {
  if (!mDragging || !mThumb || !notification)
    return 1;
  const RCPtr<LPointParam> move = DynamicCast<LPointParam>(notification->GetPayload());
  if (!move)
    return 1;
  const RCPtr<LSlider> self(this);
  // The pointer in the slider's content space, where the markers and the thumb are placed.
  const RectT<double>& bounds = mThumb->GetBounds();
  const PointT<std::int32_t> pointer =
      PointT<double>{move->mPoint.x + bounds.x, move->mPoint.y + bounds.y}.RoundToLong();
  const PointT<std::int32_t> position = ConstrainPointToTrack(pointer);
  if (position == ThumbPosition())
    return 1;
  MoveThumbTo(position);
  UpdateValueFromThumb();
  return 1;
}

// ---------------------------------------------------------------------------
// Paging

PointT<double> LSlider::LocalToContent(const PointT<double>& point) const {
  const RectT<double> client = GetClientRect();
  return {point.x - client.x + mScrollOffset.x, point.y - client.y + mScrollOffset.y};
}

void LSlider::PageTowardPoint(const PointT<double>& point) {
  if (!mThumb || !mThumbStart || !mThumbEnd || Distance(Start(), End()) == 0)
    return;
  const PointT<std::int32_t> p =
      PointT<double>{point.x - mThumbReference.x, point.y - mThumbReference.y}.RoundToLong();
  const double toward = ValueFromPoint(p);
  const double current = GetNormalizedValue();
  const double value = Distance(Start(), p) < Distance(Start(), ThumbPosition())
                           ? std::max(toward, current - mPageStep)
                           : std::min(toward, current + mPageStep);
  static_cast<void>(SetValueAndThumb(value));
}

void LSlider::HandleLeftClick(const RCPtr<LMouseButtonParam>& param) {
  LPanel::HandleLeftClick(param);
  if (param)
    PageTowardPoint(LocalToContent({static_cast<double>(param->mPoint.x), static_cast<double>(param->mPoint.y)}));
}

void LSlider::OnIdle() {
  LPanel::OnIdle();
  if (!mPaging || !(mMouseInside || mForcedHover) || !IsEnabled(true))
    return;
  const double now = Now();
  mPagingTimeLeft -= now - mPagingClock;
  mPagingClock = now;
  if (mPagingTimeLeft > 0)
    return;
  mPagingTimeLeft = kPageInterval;
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (!rootWindow)
    return;
  const RCPtr<LSlider> self(this);
  const PointT<std::int32_t> cursor = rootWindow->GetCursorPosition();
  const PointT<double> origin = GetPositionInRoot();
  PageTowardPoint(LocalToContent({cursor.x - origin.x, cursor.y - origin.y}));
}

// ---------------------------------------------------------------------------
// Conditions and looks

void LSlider::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  LPanel::OnConditionsChanged(conditions);
  if (!conditions)
    return;
  const RCPtr<LSlider> self(this);
  const std::uint32_t previous = conditions->mPreviousBits;
  const std::uint32_t current = conditions->mCurrentBits;
  const std::uint32_t gained = current & ~previous;
  const std::uint32_t lost = previous & ~current;
  if (((gained | lost) & kConditionLeftDragging) != 0) {
    if ((gained & kConditionLeftDragging) != 0 && IsEnabled(true)) {
      if (!mPaging) {
        mPaging = true;
        static_cast<void>(BeginIdleNotifications());
      }
      mPagingClock = Now();
      mPagingTimeLeft = kFirstPageDelay;
    } else if ((lost & kConditionLeftDragging) != 0 && mPaging) {
      mPaging = false;
      static_cast<void>(EndIdleNotifications());
    }
    return;
  }
  if ((lost & kConditionContainsFocus) != 0) {
    if (mKeyStepping) {
      mKeyStepping = false;
      static_cast<void>(Notify(LNotification::Create(kNidKeyUp)));
    }
    static_cast<void>(SelectLook(IsEnabled(true) ? kLookNormal : kLookDisabled));
  } else if ((gained & kConditionContainsFocus) != 0) {
    static_cast<void>(SelectLook(kLookFocused));
  } else if (((gained | lost) & kConditionEnabled) != 0) {
    if (IsEnabled(true))
      static_cast<void>(SelectLook((current & kConditionContainsFocus) != 0 ? kLookFocused : kLookNormal));
    else
      static_cast<void>(SelectLook(kLookDisabled));
  }
}

// ---------------------------------------------------------------------------
// Keys and wheel

void LSlider::StepBy(double units) {
  static_cast<void>(SetValue(ValueToNormalized(NormalizedToValue(GetNormalizedValue()) + units)));
}

bool LSlider::StepByKey(const RCPtr<LKeyParam>& key) {
  return StepByArrowKey(*this, key, mKeyStepping, [this](double units) { StepBy(units); });
}

void LSlider::ProcessUnhandledKey(const RCPtr<LKeyParam>& key) {
  if (StepByKey(key))
    return;
  LPanel::ProcessUnhandledKey(key);
}

QZRESULT LSlider::HandleKey(const RCPtr<LKeyParam>& key) { return StepByKey(key) ? S_OK : S_FALSE; }

QZRESULT LSlider::HandleMouseWheel(const RCPtr<LMouseWheelParam>& param) {
  if (param)
    StepBy(param->mDirection == kWheelUp ? 1.0 : -1.0);
  return S_OK;
}

QZRESULT LSlider::HandleMouseHorizontalWheel(const RCPtr<LMouseWheelParam>& param) {
  if (param)
    StepBy(param->mDirection == kWheelRight ? 1.0 : -1.0);
  return S_OK;
}

} // namespace QZ
