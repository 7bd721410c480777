#include "QZFramework/Controls/DropDownControl.h"

#include "QZFramework/ControlBase/ControlParams.h"
#include "QZFramework/Notification/Notification.h"

namespace QZ {

namespace {

constexpr const char16_t* kMouseDown = u"NID_MOUSE_DOWN";
constexpr const char16_t* kScrollOffsetChange = u"NID_SCROLL_OFFSET_CHANGE";

} // namespace

QZRESULT LDropDownControl::Initialize() {
  const QZRESULT result = LControl::Initialize();
  mDropDownHandler = LNotificationHandler<LDropDownControl>::Create(this);
  if (!mDropDownHandler)
    return result;
  const RCPtr<LNotificationDistributor> self(static_cast<LNotificationDistributor*>(this));
  static_cast<void>(mDropDownHandler->Register(&LDropDownControl::OnMouseDownNotification, self, kMouseDown));
  return result;
}

std::int32_t LDropDownControl::StateLook(bool ownFlagOnly) const {
  if (!IsEnabled(!ownFlagOnly))
    return kLookDisabled;
  const bool hover = IsMouseInside();
  if (IsDroppedDown())
    return hover ? kLookOpenHover : kLookOpen;
  if (HasFocus() || ContainsFocus())
    return hover ? kLookClosedHoverFocused : kLookClosedFocused;
  return hover ? kLookClosedHover : kLookClosed;
}

std::int32_t LDropDownControl::OnMouseDownNotification(const RCPtr<LNotificationDistributor>&,
                                                       const RCPtr<LNotification>&) {
  if (mClosedOnFocus)
    mSuppressOpen = true;
  return 0;
}

QZRESULT LDropDownControl::SetFocus(bool fromFirst) {
  const RCPtr<LControl> self(this);
  const QZRESULT result = LControl::SetFocus(fromFirst);
  if (IsDroppedDown()) {
    static_cast<void>(ShowDropDown(false));
    mClosedOnFocus = true;
  } else {
    mClosedOnFocus = false;
  }
  return result;
}

void LDropDownControl::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  LControl::OnConditionsChanged(conditions);
  if (!conditions)
    return;
  const bool pressedNow = (conditions->mCurrentBits & kConditionLeftDragArmed) != 0;
  const bool pressedBefore = (conditions->mPreviousBits & kConditionLeftDragArmed) != 0;
  if (!pressedNow || pressedBefore)
    return;
  if (mSuppressOpen) {
    mSuppressOpen = false;
    return;
  }
  static_cast<void>(ShowDropDown(true));
}

bool LDropDownControl::KillFocus() {
  const RCPtr<LControl> self(this);
  static_cast<void>(ShowDropDown(false));
  return LControl::KillFocus();
}

void LDropDownControl::AttachToRootWindow() {
  if (mDropDownHandler) {
    // A registration that is there already stays as it is (a tree attached again).
    for (RCPtr<LControl> ancestor = GetParent(); ancestor; ancestor = ancestor->GetParent()) {
      const RCPtr<LNotificationDistributor> source(static_cast<LNotificationDistributor*>(ancestor.GetRaw()));
      static_cast<void>(mDropDownHandler->Register(&LDropDownControl::OnGroundMoved, source, kScrollOffsetChange));
    }
    if (const RCPtr<IRootWindow>& rootWindow = GetRootWindowSlot())
      static_cast<void>(mDropDownHandler->Register(
          &LDropDownControl::OnGroundMoved, rootWindow->GetNotificationDistributor(), kNidWindowSizeChange));
  }
  LControl::AttachToRootWindow();
}

std::int32_t LDropDownControl::OnGroundMoved(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  if (IsDroppedDown()) {
    const RCPtr<LControl> self(this);
    static_cast<void>(ShowDropDown(false));
  }
  return 1;
}

std::int32_t LDropDownControl::Receive(const RCPtr<LNotificationDistributor>& source,
                                       const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mDropDownHandler) {
    const std::int32_t handled = mDropDownHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LControl::Receive(source, notification);
}

std::int32_t LDropDownControl::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mDropDownHandler && id)
    static_cast<void>(mDropDownHandler->Unregister(distributor, id));
  return LControl::Unsubscribe(distributor, id);
}

QZRESULT LDropDownControl::ReleaseInnerReferences() {
  mDropDownHandler = RCPtr<LNotificationHandler<LDropDownControl>>();
  return LControl::ReleaseInnerReferences();
}

} // namespace QZ
