#include "QZFramework/Controls/MainMenu.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"

#include <vector>

namespace QZ {

namespace {

constexpr const char16_t* kTemplateName = u"templateMenu";
constexpr const char16_t* kLabelPrefix = u"MENU_LABEL.";

} // namespace

RCPtr<LControl>& LMainMenu::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                   const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LMainMenu>(out, parent, descriptor);
}

RCPtr<LPopupMenu> LMainMenu::PopupOf(const RCPtr<LControl>& title) {
  return title ? DynamicCast<LPopupMenu>(title->GetPopupMenu()) : RCPtr<LPopupMenu>();
}

QZRESULT LMainMenu::Initialize() {
  const QZRESULT result = LControl::Initialize();
  SetNotFocusable(true);
  const RCPtr<LControl> self(this);
  for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
    const RCPtr<LControl> child = mChildren.GetAt(i, kCreationOrder);
    if (child->GetName().EqualsString(WideString(kTemplateName))) {
      mTitleTemplate = child->GetDescriptor();
      static_cast<void>(child->Close());
      mTemplateFound = true;
      continue;
    }
    // A press on a title gives it the focus although the bar takes none.
    child->SetFocusIgnoresAncestors(true);
    if (const RCPtr<LPopupMenu> popup = PopupOf(child))
      popup->SetItemUpdater(GetMenuItemUpdater());
    ++mFixedTitleCount;
    if (!mTitleTemplate)
      mTitleTemplate = child->GetDescriptor();
  }
  const RCPtr<LStringTable> table = GetStringTable();
  if (!table)
    return result;
  // Labels by number; a number outside 0..kMaxLabelIndex would write outside
  // the list or make it without bound, and is left out.
  const WideString prefix(kLabelPrefix);
  LStringTable::SortedEntries entries;
  table->GetSortedEntriesWithPrefix(prefix, entries);
  std::vector<WideString> labels;
  for (std::uint32_t i = 0; i < entries.GetCount(); ++i) {
    const auto& entry = entries.GetAt(i);
    const std::int32_t n = entry.mKey.MidToEnd(static_cast<std::int32_t>(prefix.GetLength())).ToInt();
    if (n < 0 || n > kMaxLabelIndex)
      continue;
    if (labels.size() <= static_cast<std::size_t>(n))
      labels.resize(static_cast<std::size_t>(n) + 1);
    labels[static_cast<std::size_t>(n)] = entry.mValue;
  }
  RCPtrArray<LMenuDescriptor> menus;
  if (LoadContextMenuDescriptors(menus) < 0 || menus.GetCount() != labels.size())
    return result;
  std::int32_t failed = 0;
  for (std::uint32_t i = 0; i < menus.GetCount(); ++i) {
    const WideString& label = labels[i];
    if (InsertMenuAt(static_cast<std::int32_t>(i) - failed, label, label, menus.GetAt(i)) < 0)
      ++failed;
  }
  return result;
}

QZRESULT LMainMenu::ReleaseInnerReferences() {
  mFocusBeforeMenu = RCPtr<LControl>();
  mTitleTemplate = RCPtr<LControlDescriptor>();
  mDelegate = RCPtr<LMenuItemUpdater>();
  return LControl::ReleaseInnerReferences();
}

bool LMainMenu::SetMenuItemUpdater(const RCPtr<LMenuItemUpdater>& updater) {
  const bool same = mDelegate == updater;
  mDelegate = updater;
  return same;
}

// ---------------------------------------------------------------------------
// Titles

RCPtr<LControl> LMainMenu::GetTitleAt(std::int32_t k) const {
  if (k < 0 || static_cast<std::uint32_t>(k) >= mChildren.GetCount())
    return RCPtr<LControl>();
  return mChildren.GetAt(static_cast<std::uint32_t>(k), kCreationOrder);
}

std::int32_t LMainMenu::IndexOfChild(const WideString& name) const {
  for (std::uint32_t i = mChildren.GetCount(); i-- > 0;)
    if (mChildren.GetAt(i, kCreationOrder)->GetName().EqualsString(name))
      return static_cast<std::int32_t>(i);
  return -1;
}

WideString LMainMenu::GetMenuName(std::int32_t position) const {
  if (position < 0)
    return WideString();
  const RCPtr<LControl> title = GetTitleAt(mFixedTitleCount + position);
  return title ? title->GetName() : WideString();
}

std::int32_t LMainMenu::IndexOfMenu(const WideString& name) const {
  const std::int32_t index = IndexOfChild(name);
  return index < mFixedTitleCount ? -1 : index - mFixedTitleCount;
}

QZRESULT LMainMenu::AddMenuTitle(const WideString& name) {
  if (FindChild(name))
    return E_INVALIDARG;
  IFrameworkApp* app = GetFrameworkApp();
  LControlFactory* factory = app ? app->GetControlFactory() : nullptr;
  if (!mTitleTemplate || !factory)
    return E_FAIL;
  const RCPtr<LLayoutDescriptor>& templateLayout = mTitleTemplate->GetLayout();
  const RCPtr<LLayoutDescriptor> layout =
      templateLayout ? templateLayout->Clone() : MakeRCPtr<LLayoutDescriptor>();
  const RCPtr<LControl> last = GetTitleAt(GetTitleCount() - 1);
  if (last && (GetTitleCount() > mFixedTitleCount || !mTemplateFound)) {
    // Starts at the right edge of the title before.
    AxisPlacement& x = layout->mPlacement[LLayoutDescriptor::kAxisX];
    x.mReference = kPositionControl;
    x.mReferenceName = last->GetName();
    x.mRelative = 1.0f;
    x.mAbsolute = 0;
  }
  const RCPtr<LControl> self(this);
  const RCPtr<LControl> title =
      factory->CreateControl(factory->CloneDescriptor(mTitleTemplate, layout, name), self);
  if (!title || title->GetParent() != self)
    return E_FAIL;
  title->SetFocusIgnoresAncestors(true);
  if (const RCPtr<LPopupMenu> popup = PopupOf(title)) {
    popup->SetItemUpdater(GetMenuItemUpdater());
    if (const RCPtr<IRootWindow>& rootWindow = GetRootWindowSlot())
      static_cast<void>(popup->SetCommandReceiver(rootWindow->GetQueuePostingReceiver()));
  }
  return S_OK;
}

void LMainMenu::RenameTitle(const RCPtr<LControl>& title, const WideString& name) {
  static_cast<void>(mChildren.RenameChild(title, name));
}

std::int32_t LMainMenu::InsertMenu(const WideString& before, const WideString& name, const WideString& label,
                                   const RCPtr<LMenuDescriptor>& menu) {
  std::int32_t target = GetTitleCount();
  if (!before.IsEmpty()) {
    const std::int32_t position = IndexOfMenu(before);
    if (position < 0)
      return E_INVALIDARG;
    target = position + mFixedTitleCount;
  }
  const RCPtr<LControl> self(this);
  // A taken name would leave the titles shifted onto one another and lose the last menu.
  if (AddMenuTitle(name) < 0)
    return E_INVALIDARG;
  // The contents, texts and names move one title to the right; the controls stay.
  for (std::int32_t b = GetTitleCount() - 1; b > target; --b) {
    const RCPtr<LControl> a = GetTitleAt(b - 1);
    const RCPtr<LControl> bTitle = GetTitleAt(b);
    if (!a || !bTitle)
      continue;
    const RCPtr<LPopupMenu> from = PopupOf(a);
    const RCPtr<LPopupMenu> to = PopupOf(bTitle);
    if (from && to && from->GetMenu())
      static_cast<void>(to->SetMenu(from->GetMenu()));
    static_cast<void>(bTitle->SetText(a->GetText()));
    const WideString formerName = a->GetName();
    RenameTitle(a, formerName.Concat(WideString(u"_")));
    RenameTitle(bTitle, formerName);
  }
  const RCPtr<LControl> title = GetTitleAt(target);
  if (!title)
    return E_FAIL;
  static_cast<void>(title->SetText(label));
  if (const RCPtr<LPopupMenu> popup = PopupOf(title); popup && menu)
    static_cast<void>(popup->SetMenu(menu));
  RenameTitle(title, name);
  return target - mFixedTitleCount;
}

std::int32_t LMainMenu::InsertMenuAt(std::int32_t position, const WideString& name, const WideString& label,
                                     const RCPtr<LMenuDescriptor>& menu) {
  if (position < 0 || position > GetTitleCount() - mFixedTitleCount)
    return E_INVALIDARG;
  return InsertMenu(GetMenuName(position), name, label, menu);
}

// ---------------------------------------------------------------------------
// Skins, windows, focus and commands

QZRESULT LMainMenu::AttachChildFromDescriptor(RCPtr<LControl> child, const RCPtr<LControlDescriptor>& descriptor) {
  if (!child) {
    if (descriptor && descriptor->GetName().EqualsString(WideString(kTemplateName)))
      mTitleTemplate = descriptor;
    return S_OK;
  }
  const QZRESULT result = LControl::AttachChildFromDescriptor(child, descriptor);
  if (descriptor && !mTitleTemplate)
    mTitleTemplate = child->GetDescriptor();
  return result;
}

QZRESULT LMainMenu::CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) {
  mTitleTemplate = RCPtr<LControlDescriptor>();
  struct SSavedTitle {
    RCPtr<LMenuDescriptor> menu;
    WideString text;
    WideString name;
  };
  std::vector<SSavedTitle> saved;
  for (std::int32_t k = mFixedTitleCount; k < GetTitleCount(); ++k) {
    const RCPtr<LControl> title = GetTitleAt(k);
    saved.push_back({title->GetMenuDescriptorOfPopup(), title->GetText(), title->GetName()});
  }
  const RCPtr<LControl> self(this);
  const QZRESULT result = LControl::CreateChildrenFromDescriptor(descriptor);
  for (const SSavedTitle& title : saved)
    static_cast<void>(AddMenuTitle(title.name));
  for (std::size_t i = 0; i < saved.size(); ++i) {
    const RCPtr<LControl> title = GetTitleAt(mFixedTitleCount + static_cast<std::int32_t>(i));
    if (!title)
      continue;
    if (const RCPtr<LPopupMenu> popup = PopupOf(title); popup && saved[i].menu)
      static_cast<void>(popup->SetMenu(saved[i].menu));
    static_cast<void>(title->SetText(saved[i].text));
  }
  return result;
}

void LMainMenu::AttachToRootWindow() {
  if (const RCPtr<IRootWindow> rootWindow = FindRootWindow()) {
    const RCPtr<LNotificationReceiver> receiver = rootWindow->GetQueuePostingReceiver();
    for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
      const RCPtr<LPopupMenu> popup = PopupOf(mChildren.GetAt(i, kCreationOrder));
      if (popup && receiver)
        static_cast<void>(popup->SetCommandReceiver(receiver));
    }
  }
  LControl::AttachToRootWindow();
}

void LMainMenu::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  LControl::OnConditionsChanged(conditions);
  if (!conditions || (conditions->mPreviousBits & kConditionContainsFocus) != 0 ||
      (conditions->mCurrentBits & kConditionContainsFocus) == 0)
    return;
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (!rootWindow)
    return;
  RCPtr<LControl> before;
  rootWindow->GetPreviousFocusedControl(before);
  // An ancestor is kept out: held here it would keep its own tree alive, and the
  // edit-target walk reaches it through the parents anyway.
  for (const LControl* ancestor = mParent.GetRaw(); ancestor && before; ancestor = ancestor->GetParent().GetRaw())
    if (ancestor == before.GetRaw())
      before = RCPtr<LControl>();
  mFocusBeforeMenu = before;
}

void LMainMenu::RestoreFocusBeforeMenu() {
  const RCPtr<LControl> before = mFocusBeforeMenu;
  if (before && before->GetRootWindowSlot())
    static_cast<void>(before->SetFocus(true));
}

RCPtr<LControl> LMainMenu::GetDelegatedEditTarget() const {
  const auto* target = dynamic_cast<const IEditTarget*>(mFocusBeforeMenu.GetRaw());
  return target && target->IsEditTarget() ? mFocusBeforeMenu : RCPtr<LControl>();
}

QZRESULT LMainMenu::GetCommandEnabled(const RCPtr<LMenuDescriptor>& menu, std::int32_t itemIndex,
                                      const WideString& id, LMenuItemState& state) {
  if (!mDelegate)
    return S_FALSE;
  const RCPtr<LControl> target = mDelegate->mTarget;
  if (!target)
    return E_FAIL;
  // A delegate naming the bar itself would ask the bar again without end.
  if (target.GetRaw() == this)
    return S_FALSE;
  return target->GetCommandEnabled(menu, itemIndex, id, state);
}

} // namespace QZ
