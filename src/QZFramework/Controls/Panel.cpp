#include "QZFramework/Controls/Panel.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Notification/Notification.h"

namespace QZ {

namespace {

// The class the panel builds on: its operations run after the panel's own.
using PanelBase = LScrollView;

constexpr const char16_t* kSiblingKey = u"NID_SIBLING_KEY";

const RCPtr<LControl>& NoControl() {
  static const RCPtr<LControl> none;
  return none;
}

} // namespace

RCPtr<LControl>& LPanel::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LPanel>(out, parent, descriptor);
}

QZRESULT LPanel::Initialize() {
  const QZRESULT base = PanelBase::Initialize();
  if (base < 0 || !GetParent())
    return base;
  mPanelHandler = LNotificationHandler<LPanel>::Create(this);
  const RCPtr<LNotificationDistributor> parent(static_cast<LNotificationDistributor*>(GetParent().GetRaw()));
  // Without the subscription the panel still works; only its parent's keys no
  // longer reach its children.
  if (mPanelHandler->Register(&LPanel::OnParentSiblingKey, parent, kSiblingKey) < 0)
    return E_FAIL;
  return S_OK;
}

std::int32_t LPanel::Receive(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mPanelHandler) {
    const std::int32_t handled = mPanelHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return PanelBase::Receive(source, notification);
}

std::int32_t LPanel::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mPanelHandler && id)
    static_cast<void>(mPanelHandler->Unregister(distributor, id));
  return PanelBase::Unsubscribe(distributor, id);
}

QZRESULT LPanel::ReleaseInnerReferences() {
  mPanelHandler = RCPtr<LNotificationHandler<LPanel>>();
  return PanelBase::ReleaseInnerReferences();
}

std::int32_t LPanel::OnParentSiblingKey(const RCPtr<LNotificationDistributor>& source,
                                        const RCPtr<LNotification>& notification) {
  const RCPtr<LSiblingKeyParam> sibling =
      notification ? DynamicCast<LSiblingKeyParam>(notification->GetPayload()) : RCPtr<LSiblingKeyParam>();
  if (!sibling)
    return 1;
  const RCPtr<LPanel> self(this);
  if (OnSiblingKey(LKeyParam::Create(sibling->mKey, 1)) != S_FALSE) {
    sibling->mResult = 0;
    return 1;
  }
  // This handler answers for the panel, so the panel's own local hot keys
  // are asked here too; otherwise they could never fire.
  return OnSiblingKeyNotification(source, notification);
}

void LPanel::ProcessUnhandledKey(const RCPtr<LKeyParam>& key) {
  if (!key || OnSiblingKey(key) != S_FALSE)
    return;
  const RCPtr<LPanel> self(this);
  if (const RCPtr<LControl> parent = GetParent()) {
    key->mVisited.AddItem(RCPtr<LControl>(this));
    parent->ProcessUnhandledKey(key);
    return;
  }
  // The top of the chain: the window's hot keys, then the application's.
  if (const RCPtr<IRootWindow> rootWindow = FindRootWindow();
      rootWindow && rootWindow->ProcessHotKey(key->mKey) != S_FALSE)
    return;
  if (IFrameworkApp* app = GetFrameworkApp())
    static_cast<void>(app->ProcessGlobalHotKey(key->mKey));
}

bool LPanel::MayHoldFocusItself() const {
  const ChildControlList& children = GetChildren();
  for (std::uint32_t i = 0; i < children.GetCount(); ++i)
    if (!children.GetAt(i, kCreationOrder)->IsNotFocusable())
      return false;
  return true;
}

const RCPtr<LControl>& LPanel::GetNextTabStop(const RCPtr<LControl>& child, bool reverse) const {
  const RCPtr<LControl>& found = PanelBase::GetNextTabStop(child, reverse);
  if (!GetParent() || !found)
    return found;
  const std::int32_t from = child ? FindChildIndex(child, kTabOrder) : -1;
  const std::int32_t to = FindChildIndex(found, kTabOrder);
  const bool wrapped = reverse ? to >= from : to <= from;
  return wrapped ? NoControl() : found;
}

void LPanel::NavigateFocus(const RCPtr<LKeyParam>& key) {
  if (!key)
    return;
  const bool reverse = (key->mKey.Bits() & kKeyShift) != 0;
  if ((key->mKey.Bits() & kKeyCtrl) == 0) {
    const std::uint32_t visited = key->mVisited.GetCount();
    RCPtr<LControl> start = visited > 0 ? key->mVisited.GetAt(visited - 1) : RCPtr<LControl>();
    RCPtr<LControl> candidate = GetNextTabStop(start, reverse);
    while (candidate && candidate != start) {
      if (candidate->CanTakeFocus() || candidate->HasFocusableChild()) {
        static_cast<void>(candidate->SetFocus(!reverse));
        return;
      }
      // A start that dropped out of the tab order would never be met again.
      if (start && (!start->IsVisible(true) || !start->IsEnabled(true)))
        start = candidate;
      candidate = GetNextTabStop(candidate, reverse);
    }
  }
  key->mVisited.AddItem(RCPtr<LControl>(this));
  if (GetParent())
    GetParent()->NavigateFocus(key);
}

} // namespace QZ
