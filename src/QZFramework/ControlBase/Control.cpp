#include "QZFramework/ControlBase/Control.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/ArrayUtils.h"

#include <stdexcept>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "ControlBase\\Control";

constexpr const char16_t* kIdleNotification = u"NID_IDLE";
constexpr const char16_t* kPopupMenuName = u"popupMenu";

// What the orders read of a child that has no layout.
const LLayoutDescriptor& LayoutOf(const LControl& control) {
  static const LLayoutDescriptor kDefaultLayout;
  const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
  return layout ? *layout : kDefaultLayout;
}

// A control without layout counts as clipping.
bool ClipsToParent(const LControl& control) { return LayoutOf(control).mClipToParent; }

std::int32_t DockedAxes(const LLayoutDescriptor& layout) {
  return (layout.mPlacement[LLayoutDescriptor::kAxisX].mDocked ? 1 : 0) +
         (layout.mPlacement[LLayoutDescriptor::kAxisY].mDocked ? 1 : 0);
}

} // namespace

// ---------------------------------------------------------------------------
// ChildControlList

LControl::ChildControlList::ChildControlList(LControl* owner)
    : mTabOrderLess{&mChildren}, mZOrderLess{&mChildren}, mOwner(owner) {}

LControl::ChildControlList::~ChildControlList() = default;

bool LControl::ChildControlList::TabOrderLess::operator()(std::uint32_t a, std::uint32_t b) const {
  const std::int32_t left = LayoutOf(*children->GetAt(a)).mTabStop;
  const std::int32_t right = LayoutOf(*children->GetAt(b)).mTabStop;
  if (left != right)
    return left < right;
  return a < b;
}

bool LControl::ChildControlList::ZOrderLess::operator()(std::uint32_t a, std::uint32_t b) const {
  const LLayoutDescriptor& left = LayoutOf(*children->GetAt(a));
  const LLayoutDescriptor& right = LayoutOf(*children->GetAt(b));
  if (left.mClipToParent != right.mClipToParent)
    return left.mClipToParent;
  const std::int32_t leftDocked = DockedAxes(left);
  const std::int32_t rightDocked = DockedAxes(right);
  if (leftDocked != rightDocked)
    return leftDocked < rightDocked;
  if (left.mZOrder != right.mZOrder)
    return left.mZOrder < right.mZOrder;
  return a < b;
}

QZRESULT LControl::ChildControlList::SortViews() const {
  ArrayUtils::SortIndecies(mTabOrder, mChildren, 0, mChildren.GetCount(), mTabOrderLess);
  ArrayUtils::SortIndecies(mZOrder, mChildren, 0, mChildren.GetCount(), mZOrderLess);
  mSortedStamp = mChangeStamp;
  return S_OK;
}

const RCPtr<LControl>& LControl::ChildControlList::Slot(std::uint32_t index, std::int32_t order,
                                                        int badOrderLine) const {
  if (order != kCreationOrder && mSortedStamp != mChangeStamp)
    SortViews();
  switch (order) {
  case kCreationOrder:
    return mChildren.GetAt(index);
  case kZOrder:
    return mChildren.GetAt(mZOrder.GetAt(index));
  case kTabOrder:
    return mChildren.GetAt(mTabOrder.GetAt(index));
  default:
    ThrowException<std::runtime_error>("", "QZ::LControl::ChildControlList::GetAt", kSourcePath, badOrderLine);
  }
}

const RCPtr<LControl>& LControl::ChildControlList::GetAt(std::uint32_t index, std::int32_t order) {
  if (index >= mChildren.GetCount())
    ThrowException<std::runtime_error>("", "QZ::LControl::ChildControlList::GetAt", kSourcePath, 3356);
  return Slot(index, order, 3376);
}

const RCPtr<LControl>& LControl::ChildControlList::GetAt(std::uint32_t index, std::int32_t order) const {
  if (index >= mChildren.GetCount())
    ThrowException<std::runtime_error>("", "QZ::LControl::ChildControlList::GetAt", kSourcePath, 3384);
  return Slot(index, order, 3404);
}

QZRESULT LControl::ChildControlList::Add(const RCPtr<LControl>& child) {
  if (!child)
    return E_INVALIDARG;
  if (!mByName.try_emplace(KeyOf(child->mName), child.GetRaw()).second)
    return E_FAIL;
  child->mIndexInParentHint = mChildren.GetCount();
  mOwner->AddUnclippedDescendants(child->mUnclippedDescendants + (ClipsToParent(*child) ? 0 : 1));
  child->mParent = mOwner;
  mOwner->AddInnerReferences(1);
  mChildren.AddItem(child);
  AdvanceChangeStamp();
  return S_OK;
}

std::int32_t LControl::ChildControlList::RemoveAt(std::uint32_t index) {
  // Held until the owner has heard of the removal: the list's reference may be the last.
  const RCPtr<LControl> child = mChildren.GetAt(index);
  mOwner->AddUnclippedDescendants(-(child->mUnclippedDescendants + (ClipsToParent(*child) ? 0 : 1)));
  mOwner->AddInnerReferences(-1);
  child->mParent = nullptr;
  mByName.erase(KeyOf(child->mName));
  mChildren.RemoveItems(index, 1);
  AdvanceChangeStamp();
  const auto formerIndex = static_cast<std::int32_t>(index);
  mOwner->OnChildRemoved(child, formerIndex);
  return formerIndex;
}

std::int32_t LControl::ChildControlList::Remove(const RCPtr<LControl>& child) {
  const std::int32_t index = IndexOf(child.GetRaw());
  return index < 0 ? -1 : RemoveAt(static_cast<std::uint32_t>(index));
}

LControl* LControl::ChildControlList::FindByName(const WideString& name) const {
  const auto found = mByName.find(KeyOf(name));
  return found == mByName.end() ? nullptr : found->second;
}

std::int32_t LControl::ChildControlList::IndexOf(const LControl* child) const {
  if (!child || child->mParent.GetRaw() != mOwner)
    return -1;
  const std::uint32_t hint = child->mIndexInParentHint;
  if (hint < mChildren.GetCount() && mChildren.GetAt(hint).GetRaw() == child)
    return static_cast<std::int32_t>(hint);
  for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
    if (mChildren.GetAt(i).GetRaw() == child) {
      child->mIndexInParentHint = i;
      return static_cast<std::int32_t>(i);
    }
  }
  return -1;
}

QZRESULT LControl::ChildControlList::RemoveAll() {
  if (mChildren.GetCount() == 0)
    return S_FALSE;
  // Removal hooks may change the list; each step takes the last child there is.
  while (mChildren.GetCount() > 0)
    RemoveAt(mChildren.GetCount() - 1);
  return S_OK;
}

QZRESULT LControl::ChildControlList::RenameChild(const RCPtr<LControl>& child, const WideString& newName) {
  if (child && child->mName.EqualsString(newName))
    return S_FALSE;
  if (FindByName(newName))
    return E_FAIL;
  const std::int32_t found = IndexOf(child.GetRaw());
  if (found < 0)
    return E_INVALIDARG;
  const WideString oldName = child->mName;
  mByName.erase(KeyOf(oldName));
  mByName.emplace(KeyOf(newName), child.GetRaw());
  child->mName = newName;
  for (auto i = static_cast<std::uint32_t>(found) + 1; i < mChildren.GetCount(); ++i) {
    const RCPtr<LControl>& later = mChildren.GetAt(i);
    if (later->mLayout)
      later->mLayout->RenameControlReference(oldName, newName);
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Construction and destruction

LControl::LControl(const RCPtr<LControl>& parent, const WideString& name) : mName(name), mChildren(this) {
  if (parent) {
    parent->CloseDeferredChildren();
    // Asked first, since the list's refusal would drop the only reference to a
    // control still being built. A refused control stays without parent.
    if (!parent->FindChild(mName))
      parent->mChildren.Add(RCPtr<LControl>(this));
  }
  if (IFrameworkApp* app = GetFrameworkApp()) {
    if (LControlFactory* factory = app->GetControlFactory())
      mStringTable = factory->GetStringTableForControl(parent, mName);
  }
}

LControl::~LControl() = default;

// ---------------------------------------------------------------------------
// Virtual operations

QZRESULT LControl::SetText(const WideString& text) { return ApplyText(text, true) ? S_OK : S_FALSE; }

bool LControl::SetClipToParent(bool clip) {
  if (!mLayout)
    return true; // a control without layout clips, and has nothing to change
  if (mLayout->mClipToParent == clip)
    return clip;
  const RectT<double> local{0, 0, mBounds.width, mBounds.height};
  if (clip)
    InvalidateRect(local, false);
  mLayout->mClipToParent = clip;
  if (mParent) {
    mParent->mChildren.AdvanceChangeStamp();
    if (clip)
      mParent->DecrementUnclippedDescendants();
    else
      mParent->IncrementUnclippedDescendants();
  }
  if (!clip)
    InvalidateRect(local, false);
  return clip;
}

RCPtr<LStringTable> LControl::GetStringTable() const { return mStringTable; }

QZRESULT LControl::Close() {
  if (!mParent)
    DetachFromRootWindow();
  SetVisible(false);
  SetClipToParent(true);
  EndCaptureWithin();
  while (mIdleRequestCount > 0)
    EndIdleNotifications();
  if (!mParent)
    return SetRootWindow(RCPtr<IRootWindow>());
  return SetParent(RCPtr<LControl>());
}

void LControl::EndCaptureWithin() {
  if (mCaptured)
    static_cast<void>(static_cast<UITarget*>(this)->EndCapture());
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (!rootWindow)
    return;
  if (const RCPtr<LControl> holder = rootWindow->GetCaptureControl()) {
    if (holder.GetRaw() != this && IsSelfOrAncestorOf(holder.GetRaw()))
      static_cast<void>(static_cast<UITarget*>(holder.GetRaw())->EndCapture());
  }
}

void LControl::DetachFromRootWindow() {
  for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
    if (i < mChildren.GetCount())
      mChildren.GetAt(i, kCreationOrder)->DetachFromRootWindow();
  }
}

void LControl::AttachToRootWindow() {
  if (mIdleRequestCount > 0) {
    if (const RCPtr<IRootWindow> rootWindow = FindRootWindow())
      static_cast<void>(SubscribeIdle(rootWindow));
  }
  for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
    if (i < mChildren.GetCount())
      mChildren.GetAt(i, kCreationOrder)->AttachToRootWindow();
  }
}

void LControl::OnChildRemoved(const RCPtr<LControl>&, std::int32_t) {}

bool LControl::HasFocusableChild() const {
  if (!IsVisible(true) || !LayoutOf(*this).mEnabled || (mParent && !mParent->IsEnabled(true)) || mNotFocusable)
    return false;
  for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
    const RCPtr<LControl>& child = mChildren.GetAt(i, kCreationOrder);
    if (child->CanTakeFocus() || child->HasFocusableChild())
      return true;
  }
  return false;
}

QZRESULT LControl::ReservedQueryC(const RectT<double>&) { return S_OK; }

void LControl::OnIdle() {}

QZRESULT LControl::Initialize() {
  mNotificationCenter = GetApplicationNotificationCenter();
  mHandler = LNotificationHandler<LControl>::Create(this);
  ReadCreateParams();
  if (mStringTable)
    mStringTable->GetString(u"TOOLTIP", mToolTipText);
  return LoadLocalHotKeys();
}

QZRESULT LControl::FinishInitialize() { return S_OK; }

WideString LControl::GetToolTipText() const { return mToolTipText; }

std::int32_t LControl::Receive(const RCPtr<LNotificationDistributor>& source,
                               const RCPtr<LNotification>& notification) {
  if (!mHandler || !mCreated)
    return 0;
  return mHandler->Receive(source, notification);
}

std::int32_t LControl::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mHandler)
    mHandler->Unregister(distributor, id);
  return LNotificationClient::Unsubscribe(distributor, id);
}

QZRESULT LControl::ReleaseInnerReferences() {
  ReleaseMenuItemUpdater();
  UnsubscribeAllClients();
  mChildren.RemoveAll();
  UnsubscribeAll();
  return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------
// Tree

bool LControl::IsSelfOrAncestorOf(const LControl* control) const {
  for (; control; control = control->mParent.GetRaw()) {
    if (control == this)
      return true;
  }
  return false;
}

void LControl::AddUnclippedDescendants(std::int32_t delta) {
  if (delta == 0)
    return;
  for (LControl* control = this; control; control = control->mParent.GetRaw())
    control->mUnclippedDescendants += delta;
}

void LControl::IncrementUnclippedDescendants() { AddUnclippedDescendants(1); }

void LControl::DecrementUnclippedDescendants() { AddUnclippedDescendants(-1); }

QZRESULT LControl::SetParent(const RCPtr<LControl>& newParent) {
  if (newParent.GetRaw() == mParent.GetRaw())
    return S_FALSE;
  // A control under itself would make its parent chain a ring.
  if (IsSelfOrAncestorOf(newParent.GetRaw()))
    return E_INVALIDARG;
  const RCPtr<LControl> self(this); // the old parent's list may hold the last reference
  if (mParent && !newParent)
    EndCaptureWithin();
  if (mParent) {
    InvalidateRect(RectT<double>{0, 0, mBounds.width, mBounds.height}, ClipsToParent(*this));
    mParent->mChildren.Remove(self);
  } else {
    mRootWindow = nullptr;
  }
  if (!newParent)
    return S_OK;
  newParent->CloseDeferredChildren();
  const QZRESULT added = newParent->mChildren.Add(self);
  return QZ_FAILED(added) ? added : S_OK;
}

QZRESULT LControl::SetRootWindow(const RCPtr<IRootWindow>& rootWindow) {
  if (mParent)
    return E_FAIL;
  mRootWindow = rootWindow;
  if (!rootWindow)
    return S_OK;
  // The window's title follows a root control's text; a control without text leaves the title the window was
  // made with (an empty title shows as a nameless window).
  if (const RCPtr<LControl> rootControl = rootWindow->GetRootControl()) {
    rootControl->SetText(mText);
    IWindowOSServices* window = rootWindow->GetWindowOSServices();
    if (window && !mText.IsEmpty())
      window->SetTitle(mText);
  }
  AttachToRootWindow();
  return S_OK;
}

const RCPtr<IRootWindow>& LControl::GetRootWindowSlot() const {
  const LControl* top = this;
  while (top->mParent)
    top = top->mParent.GetRaw();
  return top->mRootWindow;
}

RCPtr<LControl> LControl::GetTopLevelControl() {
  LControl* top = this;
  while (top->mParent)
    top = top->mParent.GetRaw();
  return RCPtr<LControl>(top);
}

const RCPtr<LControl>& LControl::FindChild(const WideString& name) const {
  const std::int32_t index = mChildren.IndexOf(mChildren.FindByName(name));
  return index < 0 ? RCPtr<LControl>::sNull : mChildren.GetAt(static_cast<std::uint32_t>(index), kCreationOrder);
}

std::int32_t LControl::FindChildIndex(const RCPtr<LControl>& child, std::int32_t order) const {
  if (order == kCreationOrder)
    return mChildren.IndexOf(child.GetRaw());
  for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
    if (mChildren.GetAt(i, order).GetRaw() == child.GetRaw())
      return static_cast<std::int32_t>(i);
  }
  return -1;
}

std::int32_t LControl::CollectDescendants(RCPtrArray<LControl>& out) const {
  out.RemoveAll();
  for (std::uint32_t i = 0; i < mChildren.GetCount(); ++i) {
    const RCPtr<LControl>& child = mChildren.GetAt(i, kCreationOrder);
    out.AddItem(child);
    RCPtrArray<LControl> below;
    child->CollectDescendants(below);
    out.AppendItems(below);
  }
  return static_cast<std::int32_t>(out.GetCount());
}

// ---------------------------------------------------------------------------
// Idle requests and closing

RCPtr<IRootWindow> LControl::FindRootWindow() const { return GetRootWindowSlot(); }

QZRESULT LControl::SubscribeIdle(const RCPtr<IRootWindow>& rootWindow) {
  QZRESULT result = E_FAIL;
  if (mHandler) {
    result = mHandler->Register(&LControl::HandleIdleNotification, rootWindow->GetNotificationDistributor(),
                                kIdleNotification);
  }
  if (QZ_FAILED(result))
    mIdleRequestCount = 0;
  return result;
}

QZRESULT LControl::BeginIdleNotifications() {
  if (mIdleRequestCount++ != 0)
    return S_OK;
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (!rootWindow)
    return S_OK; // AttachToRootWindow subscribes once the tree has a window
  return SubscribeIdle(rootWindow);
}

QZRESULT LControl::EndIdleNotifications() {
  // Without a request there is nothing to end: a count below 0 would keep every
  // later request from subscribing.
  if (mIdleRequestCount == 0)
    return S_FALSE;
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (mIdleRequestCount-- != 1 || !rootWindow)
    return S_OK;
  const RCPtr<LNotificationDistributor> distributor = rootWindow->GetNotificationDistributor();
  const std::int32_t result = LNotificationClient::Unsubscribe(distributor, kIdleNotification);
  const bool unbound = mHandler && mHandler->Unregister(distributor, kIdleNotification);
  return unbound ? result : E_FAIL;
}

std::int32_t LControl::HandleIdleNotification(const RCPtr<LNotificationDistributor>&,
                                              const RCPtr<LNotification>&) {
  StepScrollAnimations();
  CloseDeferredChildren();
  OnIdle();
  return 0;
}

QZRESULT LControl::CloseChildLater(const RCPtr<LControl>& child) {
  if (!child || child->mParent.GetRaw() != this)
    return E_INVALIDARG;
  child->EndCaptureWithin();
  child->SetVisible(false);
  const std::int32_t index = mControlsToCloseLater.AddItem(child);
  if (index < 0)
    return E_INVALIDARG;
  if (index == 0)
    BeginIdleNotifications();
  return S_OK;
}

QZRESULT LControl::CloseDeferredChildren() {
  const std::uint32_t queued = mControlsToCloseLater.GetCount();
  if (queued == 0)
    return S_OK;
  for (std::uint32_t i = 0; i < queued && mControlsToCloseLater.GetCount() > 0; ++i) {
    const RCPtr<LControl> child = mControlsToCloseLater.GetAt(0);
    child->Close();
    mControlsToCloseLater.RemoveItems(0, 1);
  }
  if (mControlsToCloseLater.GetCount() == 0)
    EndIdleNotifications();
  return S_OK;
}

// ---------------------------------------------------------------------------
// State

bool LControl::IsVisible(bool recursive) const {
  for (const LControl* control = this; control; control = control->mParent.GetRaw()) {
    if (!LayoutOf(*control).mVisible || control->mBounds.width <= 0 || control->mBounds.height <= 0)
      return false;
    if (!recursive)
      break;
  }
  return true;
}

bool LControl::IsEnabled(bool recursive) const {
  for (const LControl* control = this; control; control = control->mParent.GetRaw()) {
    if (!LayoutOf(*control).mEnabled)
      return false;
    if (!recursive)
      break;
  }
  return true;
}

QZRESULT LControl::SetHidden(bool hidden) {
  if (!mLayout)
    return E_FAIL;
  if (mLayout->mHidden == hidden)
    return S_FALSE;
  mLayout->mHidden = hidden;
  return S_OK;
}

bool LControl::CanTakeFocus() const {
  if (!IsVisible(true) || !LayoutOf(*this).mEnabled || (mParent && !mParent->IsEnabled(true)))
    return false;
  if (HasFocusableChild() || mNotFocusable || !MayHoldFocusItself())
    return false;
  if (mFocusIgnoresAncestors)
    return true;
  for (const LControl* ancestor = mParent.GetRaw(); ancestor; ancestor = ancestor->mParent.GetRaw()) {
    if (ancestor->mNotFocusable)
      return false;
    if (ancestor->mFocusIgnoresAncestors)
      break;
  }
  return true;
}

const RCPtr<LControl>& LControl::GetPopupMenu() const { return FindChild(WideString(kPopupMenuName)); }

RCPtr<LControl> LControl::GetToolTipOwner(const RCPtr<LControl>& control) {
  if (!control)
    return RCPtr<LControl>();
  if (control->GetToolTipText().IsEmpty() && control->mUseParentToolTip && control->mParent)
    return GetToolTipOwner(control->mParent);
  return control;
}

} // namespace QZ
