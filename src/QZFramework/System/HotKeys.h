#pragma once
// Hot keys: bindings of key codes to notification identifiers (HotKeyMap), read
// from string-table entries "<prefix>.<identifier>" = "<key text>", and the
// manager that turns a bound key into its notification for a target receiver
// (LGlobalHotKeyManager: the application's and each root window's).
//
// A key is bound to at most one identifier in a map; a later binding of an
// equal key is refused. UI thread only.

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationReceiver.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/System/KeyCode.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <functional>
#include <map>

namespace QZ {

class LStringTable;

class HotKeyMap {
public:
  // 0; E_INVALIDARG when the key is bound already (to any identifier) or the
  // identifier is empty.
  QZRESULT AddKey(const KeyCode& key, const WideString& identifier);
  // A copy of the identifier's keys in the order added; empty when unbound.
  Array<KeyCode> GetKeys(const WideString& identifier) const;
  bool HasKeys(const WideString& identifier) const;
  // The identifier bound to a key equal to key; empty when none.
  WideString FindNotification(const KeyCode& key) const;
  // Binds the entries "<prefix>.<...>.<identifier>" of the table, in identifier
  // order, to the identifier after the last "."; texts that parse to the
  // invalid key and keys already bound are skipped. 0; E_INVALIDARG for a null
  // table.
  QZRESULT LoadFromStringTable(const RCPtr<LStringTable>& table, const WideString& prefix);

private:
  using Keys = std::map<NotificationID, Array<KeyCode>, std::less<>>;
  Keys mKeys; // by interned identifier
};

// The first key bound to the identifier; the invalid key when none.
KeyCode FindFirstKeyCode(const HotKeyMap& map, const WideString& identifier);

class LGlobalHotKeyManager : public virtual LRefCountedObject {
public:
  [[nodiscard]] static RCPtr<LGlobalHotKeyManager> Create(const RCPtr<LNotificationReceiver>& target);
  ~LGlobalHotKeyManager() override = default;

  // 1 when no identifier is bound to the key. Otherwise the target (when there
  // is one) receives, with no source, a notification with the bound identifier
  // and an LKeyParam of the key with the value 1; 0.
  std::int32_t ProcessKey(const KeyCode& key);

  HotKeyMap& GetHotKeyMap() { return mMap; }
  const HotKeyMap& GetHotKeyMap() const { return mMap; }
  const RCPtr<LNotificationReceiver>& GetTarget() const { return mTarget; }

private:
  explicit LGlobalHotKeyManager(const RCPtr<LNotificationReceiver>& target) : mTarget(target) {}

  HotKeyMap mMap;
  RCPtr<LNotificationReceiver> mTarget;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LGlobalHotKeyManager, "class QZ::LGlobalHotKeyManager")
