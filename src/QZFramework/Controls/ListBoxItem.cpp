#include "QZFramework/Controls/ListBoxItem.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/InputParams.h"

#include <cmath>
#include <utility>

namespace QZ {

RCPtr<LControl>& LListBoxItem::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                      const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LListBoxItem>(out, parent, descriptor);
}

std::int32_t LListBoxItem::GetVisualState() const {
  if (mBlank)
    return kLookBlank;
  const bool selected = IsSelected();
  if (!IsEnabled(true))
    return selected ? kLookBlank : kLookDisabled;
  const bool hovered = mMouseInside || mForcedHover;
  // Held and dragged: pressed while the pointer is on the item, hover off it.
  std::int32_t family = kLookNormal;
  if (mCaptured && mLeftDragging)
    family = hovered ? kLookPressed : kLookHover;
  else if (hovered && !mCaptured)
    family = kLookHover;
  if (selected)
    return (mMarked ? kLookSelectedMarkedOffset : kLookSelectedOffset) + family;
  return (mMarked ? kLookMarkedOffset : 0) + family;
}

void LListBoxItem::RefreshLook() {
  static_cast<void>(SelectLook(GetVisualState()));
  InvalidateWhole();
}

void LListBoxItem::SetBlank(bool blank) {
  if (blank == mBlank)
    return;
  mBlank = blank;
  if (blank)
    static_cast<void>(SetText(WideString()));
  RefreshLook();
}

void LListBoxItem::OnValueChanged() { RefreshLook(); }

void LListBoxItem::OnConditionsChanged(const RCPtr<LConditionsParam>&) { RefreshLook(); }

QZRESULT LListBoxItem::FinishInitialize() {
  SetNotFocusable(true);
  return S_OK;
}

WideString LListBoxItem::GetToolTipText() const {
  if (IsTextTruncated())
    return mText;
  return LControl::GetToolTipText();
}

QZRESULT LListBoxItem::BeginCapture(std::int32_t button, PointT<std::int32_t> point) {
  if (mInDropDown && mParent) {
    const RCPtr<LControl> parent = mParent;
    const PointT<double> offset = GetOffsetInParent();
    const PointT<std::int32_t> inParent{point.x + static_cast<std::int32_t>(std::lround(offset.x)),
                                        point.y + static_cast<std::int32_t>(std::lround(offset.y))};
    return static_cast<UITarget*>(parent.GetRaw())->BeginCapture(button, inParent);
  }
  return LControl::BeginCapture(button, point);
}

QZRESULT LListBoxItem::OnMouseDown(const RCPtr<LMouseButtonParam>& param) {
  const RCPtr<LControl> self(this);
  const bool outer = !mInMouseDown;
  mInMouseDown = true;
  const QZRESULT result = LControl::OnMouseDown(param);
  if (outer)
    mInMouseDown = false;
  if (outer && mPressTarget) {
    const RCPtr<LListBoxItem> target = std::move(mPressTarget);
    mPressTarget = RCPtr<LListBoxItem>();
    MovePress(target, mPressButton, mPressPoint);
  }
  return result;
}

void LListBoxItem::MovePressTo(const RCPtr<LListBoxItem>& target, std::uint32_t button,
                               const PointT<std::int32_t>& point) {
  if (!target || target.GetRaw() == this)
    return;
  if (mInMouseDown) {
    mPressTarget = target;
    mPressButton = button;
    mPressPoint = point;
    return;
  }
  MovePress(target, button, point);
}

void LListBoxItem::MovePress(const RCPtr<LListBoxItem>& target, std::uint32_t button,
                             const PointT<std::int32_t>& point) {
  if (!target->GetParent())
    return;
  static_cast<void>(
      static_cast<UITarget*>(target.GetRaw())->BeginCapture(static_cast<std::int32_t>(button), point));
  const RCPtr<IRootWindow>& rootWindow = target->GetRootWindowSlot();
  if (!rootWindow)
    return;
  const PointT<double> origin = target->GetPositionInRoot();
  const PointT<std::int32_t> client{point.x + static_cast<std::int32_t>(std::lround(origin.x)),
                                    point.y + static_cast<std::int32_t>(std::lround(origin.y))};
  IWindowOSServices* window = rootWindow->GetWindowOSServices();
  IFrameworkApp* app = GetFrameworkApp();
  if (window && app)
    app->SetCursorPosition(window->ClientToScreen(client));
  RCPtr<LControl> found;
  PointT<std::int32_t> local{};
  static_cast<void>(rootWindow->GetControlAtPoint(found, client, local, true));
}

} // namespace QZ
