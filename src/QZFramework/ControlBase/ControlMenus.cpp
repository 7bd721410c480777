// Context menus of the base control: the descriptor, its commands bound to
// the hot keys that also reach them, the descriptors read from the string
// table, and the menu item updater.

#include "QZFramework/ControlBase/Control.h"

#include "QZFramework/ControlBase/PopupMenuInterface.h"

#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace QZ {

namespace {

constexpr std::u16string_view kContextMenuPrefix = u"CONTEXT_MENU";

// Every id loses its first count characters.
LStringTable::SortedEntries WithoutPrefix(const LStringTable::SortedEntries& entries, std::uint32_t count) {
  LStringTable::SortedEntries out;
  for (std::uint32_t i = 0; i < entries.GetCount(); ++i) {
    const auto& entry = entries.GetAt(i);
    out.AddItem({entry.mKey.MidToEnd(count), entry.mValue});
  }
  return out;
}

} // namespace

QZRESULT LControl::SetContextMenuDescriptor(const RCPtr<LMenuDescriptor>& menu) {
  if (mContextMenu)
    static_cast<void>(BindMenuHotKeys(mContextMenu, false));
  mContextMenu = menu;
  if (mContextMenu)
    static_cast<void>(BindMenuHotKeys(mContextMenu, true));
  return S_OK;
}

RCPtr<LMenuDescriptor> LControl::GetContextMenuDescriptor() const { return mContextMenu; }

QZRESULT LControl::BindMenuHotKeys(const RCPtr<LMenuDescriptor>& menu, bool bind) {
  if (!menu)
    return E_INVALIDARG;
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  IFrameworkApp* app = GetFrameworkApp();
  for (std::uint32_t i = 0; i < menu->GetItemCount(); ++i) {
    const RCPtr<LMenuItemDescriptor> item = menu->GetItem(i);
    if (item->HasSubItems()) {
      static_cast<void>(BindMenuHotKeys(item, bind));
      continue;
    }
    const WideString& command = item->mCommand;
    if (command.IsEmpty() || !mHandler)
      continue;
    const bool hasKeys = (rootWindow && rootWindow->HasHotKey(command)) || (app && app->HasGlobalHotKey(command));
    if (!hasKeys)
      continue;
    if (bind)
      mHandler->RegisterForReceive(&LControl::OnMenuHotKeyCommand, command.GetChars());
    else
      mHandler->Unregister(static_cast<const LNotificationDistributor*>(nullptr), command.GetChars());
  }
  return S_OK;
}

std::int32_t LControl::OnMenuHotKeyCommand(const RCPtr<LNotificationDistributor>&,
                                           const RCPtr<LNotification>& notification) {
  if (!notification)
    return 1;
  const WideString id(notification->GetID());
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (rootWindow && rootWindow->HasHotKey(id))
    rootWindow->DeliverHotKeyCommand(id);
  else if (IFrameworkApp* app = GetFrameworkApp())
    app->DeliverGlobalHotKeyCommand(id);
  return 1;
}

QZRESULT LControl::LoadContextMenuDescriptors(IArray<RCPtr<LMenuDescriptor>>& out) {
  const RCPtr<LStringTable> table = GetStringTable();
  if (!table)
    return S_FALSE;
  const WideString prefix(std::u16string(kContextMenuPrefix).c_str());
  WideString onePrefix = prefix;
  onePrefix.AppendChar(u'.');
  LStringTable::SortedEntries entries;
  table->GetSortedEntriesWithPrefix(onePrefix, entries);
  if (entries.GetCount() > 0) {
    if (const RCPtr<LMenuDescriptor> menu =
            LMenuDescriptor::CreateFromStringTable(WithoutPrefix(entries, onePrefix.GetLength())))
      out.AddItem(menu);
    return S_FALSE;
  }
  // Several menus: one per key, the part of the id before its first ".".
  table->GetSortedEntriesWithPrefix(prefix, entries);
  std::vector<std::u16string> keys;
  for (std::uint32_t i = 0; i < entries.GetCount(); ++i) {
    const WideString& id = entries.GetAt(i).mKey;
    const std::u16string_view text(id.GetChars(), id.GetLength());
    const std::size_t dot = text.find(u'.');
    if (dot == std::u16string_view::npos)
      continue;
    std::u16string key(text.substr(0, dot));
    if (std::find(keys.begin(), keys.end(), key) == keys.end())
      keys.push_back(std::move(key));
  }
  std::stable_sort(keys.begin(), keys.end());
  for (const std::u16string& key : keys) {
    WideString keyPrefix(key.c_str());
    keyPrefix.AppendChar(u'.');
    table->GetSortedEntriesWithPrefix(keyPrefix, entries);
    if (entries.GetCount() == 0)
      continue;
    if (const RCPtr<LMenuDescriptor> menu =
            LMenuDescriptor::CreateFromStringTable(WithoutPrefix(entries, keyPrefix.GetLength())))
      out.AddItem(menu);
  }
  return S_FALSE;
}

RCPtr<LMenuDescriptor> LControl::GetMenuDescriptorOfPopup() const {
  const auto* popup = dynamic_cast<const IPopupMenu*>(GetPopupMenu().GetRaw());
  return popup ? popup->GetMenu() : RCPtr<LMenuDescriptor>();
}

const RCPtr<LMenuItemUpdater>& LControl::GetMenuItemUpdater() {
  if (!mMenuItemUpdater) {
    // The updater's reference back to the control is counted as inner, so the
    // pair goes when only they hold each other.
    mMenuItemUpdater = MakeRCPtr<LMenuItemUpdater>(RCPtr<LControl>(this));
    AddInnerReferences(1);
  }
  return mMenuItemUpdater;
}

void LControl::ReleaseMenuItemUpdater() {
  if (!mMenuItemUpdater)
    return;
  AddInnerReferences(-1);
  const RCPtr<LMenuItemUpdater> updater = std::move(mMenuItemUpdater);
  updater->mTarget = RCPtr<LControl>();
}

QZRESULT LControl::GetCommandEnabled(const RCPtr<LMenuDescriptor>&, std::int32_t, const WideString&,
                                     LMenuItemState&) {
  return S_FALSE;
}

} // namespace QZ
