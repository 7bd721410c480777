#include "QZFramework/Controls/TabControl.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/Notification.h"

namespace QZ {

namespace {

constexpr const char16_t* kLeftClick = u"NID_LEFT_CLICK";
constexpr const char16_t* kTabButtonClicked = u"NID_TAB_BUTTON_CLICKED";
constexpr const char16_t* kTabBecomingUnselected = u"NID_TAB_BECOMING_UNSELECTED";
constexpr const char16_t* kTabSelected = u"NID_TAB_SELECTED";

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

// The child at a creation-order index, or null.
RCPtr<LControl> ChildAt(const RCPtr<LControl>& holder, std::int32_t index) {
  if (!holder || index < 0 || static_cast<std::uint32_t>(index) >= holder->GetChildren().GetCount())
    return RCPtr<LControl>();
  return holder->GetChildren().GetAt(static_cast<std::uint32_t>(index), LControl::kCreationOrder);
}

} // namespace

RCPtr<LControl>& LTabControl::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                     const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LTabControl>(out, parent, descriptor);
}

QZRESULT LTabControl::Initialize() {
  if (LPanel::Initialize() < 0)
    return E_FAIL;
  mButtonHolder = FindChild(WideString(u"buttonHolder"));
  mPageHolder = FindChild(WideString(u"pageHolder"));
  const QZRESULT result = SelectTabAt(0);
  if (result < 0)
    return result;
  mTabHandler = LNotificationHandler<LTabControl>::Create(this);
  const ChildControlList& buttons = mButtonHolder->GetChildren();
  for (std::uint32_t i = 0; i < buttons.GetCount(); ++i)
    static_cast<void>(mTabHandler->Register(&LTabControl::OnButtonClick,
                                            AsDistributor(buttons.GetAt(i, kCreationOrder)), kLeftClick));
  return result;
}

QZRESULT LTabControl::CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) {
  const QZRESULT result = LPanel::CreateChildrenFromDescriptor(descriptor);
  if (IsCreated()) {
    mButtonHolder = FindChild(WideString(u"buttonHolder"));
    mPageHolder = FindChild(WideString(u"pageHolder"));
    const WideString name = mSelectedTabName;
    static_cast<void>(SelectTab(name));
  }
  return result;
}

void LTabControl::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  const RCPtr<LControl> self(this);
  if (conditions && (conditions->mCurrentBits & ~conditions->mPreviousBits & kConditionVisible) != 0 &&
      GetRootWindow()) {
    if (const RCPtr<LControl> page = GetSelectedPage())
      static_cast<void>(page->SetFocus(true));
  }
  LPanel::OnConditionsChanged(conditions);
}

std::int32_t LTabControl::Receive(const RCPtr<LNotificationDistributor>& source,
                                  const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mTabHandler) {
    const std::int32_t handled = mTabHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LPanel::Receive(source, notification);
}

std::int32_t LTabControl::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mTabHandler && id)
    static_cast<void>(mTabHandler->Unregister(distributor, id));
  return LPanel::Unsubscribe(distributor, id);
}

QZRESULT LTabControl::ReleaseInnerReferences() {
  mTabHandler = RCPtr<LNotificationHandler<LTabControl>>();
  mButtonHolder = mPageHolder = RCPtr<LControl>();
  return LPanel::ReleaseInnerReferences();
}

std::int32_t LTabControl::GetTabCount() const {
  return mButtonHolder ? static_cast<std::int32_t>(mButtonHolder->GetChildren().GetCount()) : 0;
}

std::int32_t LTabControl::FindTab(const WideString& name) const {
  if (!mButtonHolder)
    return -1;
  const ChildControlList& buttons = mButtonHolder->GetChildren();
  for (std::uint32_t i = buttons.GetCount(); i-- > 0;) {
    if (buttons.GetAt(i, kCreationOrder)->GetName() == name)
      return static_cast<std::int32_t>(i);
  }
  return -1;
}

std::int32_t LTabControl::GetSelectedIndex() const { return FindTab(mSelectedTabName); }

RCPtr<LControl> LTabControl::GetSelectedPage() const { return GetPageAt(GetSelectedIndex()); }

RCPtr<LControl> LTabControl::GetPage(const WideString& name) const { return GetPageAt(FindTab(name)); }

RCPtr<LControl> LTabControl::GetPageAt(std::int32_t index) const {
  return index < GetTabCount() ? ChildAt(mPageHolder, index) : RCPtr<LControl>();
}

RCPtr<LControl> LTabControl::GetTabButton(const WideString& name) const { return GetTabButtonAt(FindTab(name)); }

RCPtr<LControl> LTabControl::GetTabButtonAt(std::int32_t index) const { return ChildAt(mButtonHolder, index); }

QZRESULT LTabControl::SelectTab(const WideString& name) {
  if (!mButtonHolder || !mPageHolder)
    return E_FAIL;
  const RCPtr<LControl> self(this);
  const std::int32_t current = GetSelectedIndex();
  const std::int32_t target = FindTab(name);
  if (current >= 0 && current != target) {
    const RCPtr<LTabBecomingUnselectedParams> params(new LTabBecomingUnselectedParams(current, target));
    Notify(LNotification::Create(kTabBecomingUnselected, params));
    if (params->mTargetIndex != target)
      return SelectTabAt(params->mTargetIndex);
  }
  for (std::int32_t i = GetTabCount() - 1; i >= 0; --i) {
    if (i == target)
      continue;
    if (const RCPtr<LControl> page = GetPageAt(i))
      static_cast<void>(page->SetVisible(false));
  }
  mSelectedTabName = name;
  OnTabSelected(target);
  if (const RCPtr<LControl> page = GetPageAt(target))
    static_cast<void>(page->SetVisible(true));
  Notify(LNotification::Create(kTabSelected, GetSelectedPage()));
  return S_OK;
}

QZRESULT LTabControl::SelectTabAt(std::int32_t index) {
  const RCPtr<LControl> button = GetTabButtonAt(index);
  if (!button)
    return E_FAIL;
  const WideString name = button->GetName();
  return SelectTab(name);
}

void LTabControl::OnTabSelected(std::int32_t) {}

std::int32_t LTabControl::OnButtonClick(const RCPtr<LNotificationDistributor>& source,
                                        const RCPtr<LNotification>&) {
  const RCPtr<LControl> self(this);
  const RCPtr<LControl> button = DynamicCast<LControl>(source);
  if (!button)
    return 0;
  const WideString name = button->GetName();
  const std::int32_t clicked = FindTab(name);
  if (clicked >= 0)
    Notify(LNotification::Create(kTabButtonClicked, button));
  static_cast<void>(SelectTab(name));
  const std::int32_t selected = GetSelectedIndex();
  if (selected >= 0) {
    if (selected != clicked) {
      if (const RCPtr<LControl> shown = GetTabButtonAt(selected))
        static_cast<void>(shown->SetValue(1.0));
    }
    if (const RCPtr<LControl> page = GetPageAt(selected))
      static_cast<void>(page->SetFocus(true));
  }
  return 0;
}

} // namespace QZ
