#include "QZFramework/Controls/CenteredSlider.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ObjectBase/Exception.h"

#include <stdexcept>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "Controls\\CenteredSlider";
constexpr const char16_t* kMouseMove = u"NID_MOUSE_MOVE";

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

// The centre of the thumb on an axis, from its layout's absolute position and size.
double ThumbCentre(const LControl& thumb, std::int32_t axis) {
  AxisPlacement placement;
  SizeSpec size;
  if (!thumb.GetLayout() || thumb.GetLayout()->GetAxisLayout(axis, placement, size) != S_OK)
    return 0;
  return placement.mAbsolute + size.mAbsolute / 2;
}

void MoveOnAxis(const RCPtr<LControl>& control, std::int32_t axis, double position) {
  AxisPlacement placement;
  SizeSpec size;
  if (!control || !control->GetLayout() || control->GetLayout()->GetAxisLayout(axis, placement, size) != S_OK)
    return;
  if (placement.mAbsolute == position)
    return;
  placement.mAbsolute = position;
  static_cast<void>(control->SetAxisPlacement(axis, placement, size));
}

} // namespace

RCPtr<LControl>& LCenteredSlider::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                         const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LCenteredSlider>(out, parent, descriptor);
}

QZRESULT LCenteredSlider::Initialize() {
  if (LSlider::Initialize() < 0)
    return E_FAIL;
  mCenteredHandler = LNotificationHandler<LCenteredSlider>::Create(this);
  mLowBounds = FindChild(WideString(u"lowRangeBounds"));
  mHighBounds = FindChild(WideString(u"highRangeBounds"));
  for (const RCPtr<LControl>& bounds : {mLowBounds, mHighBounds}) {
    if (!bounds)
      continue;
    bounds->SetHitTestExcluded(true);
    if (const RCPtr<LControl>& fill = bounds->FindChild(WideString(u"fill")))
      fill->SetHitTestExcluded(true);
  }
  if (GetThumb())
    static_cast<void>(
        mCenteredHandler->Register(&LCenteredSlider::OnThumbMoved, AsDistributor(GetThumb()), kMouseMove));
  SetBoundsPosFromThumbPos();
  return S_OK;
}

std::int32_t LCenteredSlider::Receive(const RCPtr<LNotificationDistributor>& source,
                                      const RCPtr<LNotification>& notification) {
  if (IsCreated() && mCenteredHandler) {
    // The slider follows the thumb's moves too: the bounds go after it has placed the thumb.
    if (mCenteredHandler->Receive(source, notification) != 0)
      return 1;
  }
  return LSlider::Receive(source, notification);
}

QZRESULT LCenteredSlider::ReleaseInnerReferences() {
  mCenteredHandler = RCPtr<LNotificationHandler<LCenteredSlider>>();
  mLowBounds = mHighBounds = RCPtr<LControl>();
  return LSlider::ReleaseInnerReferences();
}

std::int32_t LCenteredSlider::OnThumbMoved(const RCPtr<LNotificationDistributor>& source,
                                           const RCPtr<LNotification>& notification) {
  static_cast<void>(LSlider::Receive(source, notification));
  SetBoundsPosFromThumbPos();
  return 1;
}

double LCenteredSlider::SetValueAndThumb(double normalized) {
  const RCPtr<LCenteredSlider> self(this);
  const double result = LSlider::SetValueAndThumb(normalized);
  SetBoundsPosFromThumbPos();
  return result;
}

void LCenteredSlider::SetBoundsPosFromThumbPos() {
  const RCPtr<LControl>& thumb = GetThumb();
  if (!thumb)
    ThrowException<std::runtime_error>("Null Pointer : Thumb Child was not created.",
                                       "QZ::LCenteredSlider::SetBoundsPosFromThumbPos", kSourcePath, 67);
  const RCPtr<LControl> start = FindChild(WideString(u"thumbStart"));
  const RCPtr<LControl> end = FindChild(WideString(u"thumbEnd"));
  if (!start || !end)
    return;
  std::int32_t axis;
  if (end->GetBounds().y == start->GetBounds().y)
    axis = 0;
  else if (end->GetBounds().x == start->GetBounds().x)
    axis = 1;
  else
    return;
  const double centre = ThumbCentre(*thumb, axis);
  for (const RCPtr<LControl>& bounds : {mLowBounds, mHighBounds})
    MoveOnAxis(bounds, axis, centre);
}

} // namespace QZ
