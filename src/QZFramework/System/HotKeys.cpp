#include "QZFramework/System/HotKeys.h"

#include "QZFramework/Application/InputParams.h"
#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/Notification/NotificationDistributor.h"

namespace QZ {

namespace {

NotificationID FindID(const WideString& identifier) {
  // Interning a text that is not bound yet is harmless: identifiers live for
  // the process.
  return identifier.IsEmpty() ? nullptr : InternNotificationID(identifier.GetChars());
}

} // namespace

QZRESULT HotKeyMap::AddKey(const KeyCode& key, const WideString& identifier) {
  if (identifier.IsEmpty() || !FindNotification(key).IsEmpty())
    return E_INVALIDARG;
  const NotificationID id = InternNotificationID(identifier.GetChars());
  if (!id)
    return E_INVALIDARG;
  Array<KeyCode>& keys = mKeys[id];
  if (keys.InsertItem(keys.GetCount(), key) < 0)
    return E_OUTOFMEMORY;
  return S_OK;
}

Array<KeyCode> HotKeyMap::GetKeys(const WideString& identifier) const {
  const NotificationID id = FindID(identifier);
  const auto found = id ? mKeys.find(id) : mKeys.end();
  return found == mKeys.end() ? Array<KeyCode>() : found->second;
}

bool HotKeyMap::HasKeys(const WideString& identifier) const {
  const NotificationID id = FindID(identifier);
  return id && mKeys.contains(id);
}

WideString HotKeyMap::FindNotification(const KeyCode& key) const {
  for (const auto& [id, keys] : mKeys)
    for (std::uint32_t i = keys.GetCount(); i-- > 0;)
      if (keys.GetAt(i) == key)
        return WideString(id);
  return WideString();
}

QZRESULT HotKeyMap::LoadFromStringTable(const RCPtr<LStringTable>& table, const WideString& prefix) {
  if (!table)
    return E_INVALIDARG;
  LStringTable::SortedEntries entries;
  table->GetSortedEntries(entries);
  WideString start = prefix;
  start.AppendChar(u'.');
  const std::u16string_view head(start.GetChars(), start.GetLength());
  for (std::uint32_t i = 0; i < entries.GetCount(); ++i) {
    const auto& entry = entries.GetAt(i);
    const std::u16string_view id(entry.mKey.GetChars(), entry.mKey.GetLength());
    if (!id.starts_with(head))
      continue;
    const WideString identifier(std::u16string(id.substr(id.rfind(u'.') + 1)).c_str());
    const KeyCode key = KeyCode::Parse(entry.mValue);
    if (key.mPacked >= 0)
      (void)AddKey(key, identifier); // a key bound already keeps its first binding
  }
  return S_OK;
}

KeyCode FindFirstKeyCode(const HotKeyMap& map, const WideString& identifier) {
  const Array<KeyCode> keys = map.GetKeys(identifier);
  return keys.GetCount() == 0 ? KeyCode() : keys.GetAt(0);
}

RCPtr<LGlobalHotKeyManager> LGlobalHotKeyManager::Create(const RCPtr<LNotificationReceiver>& target) {
  return RCPtr<LGlobalHotKeyManager>(new LGlobalHotKeyManager(target));
}

std::int32_t LGlobalHotKeyManager::ProcessKey(const KeyCode& key) {
  const WideString identifier = mMap.FindNotification(key);
  if (identifier.IsEmpty())
    return 1;
  const RCPtr<LNotification> notification =
      LNotification::Create(identifier.GetChars(), LKeyParam::Create(key, 1));
  if (mTarget)
    mTarget->Receive(RCPtr<LNotificationDistributor>(), notification);
  return 0;
}

} // namespace QZ
