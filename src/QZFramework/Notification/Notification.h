#pragma once
// Notifications: an interned identifier, an optional payload and a posted flag.
// Identifiers are interned once and compared by address. A released notification
// goes back to a process-wide pool (last in, first out) while pooling is on.

#include "QZFramework/ObjectBase/RefCountedObject.h"

#include <atomic>
#include <cstdint>

namespace QZ {

class Mutex;
class LNotificationReceiver;

// The characters of an entry of the identifier table; equal identifiers are equal
// pointers. Entries never move or change, so reading one needs no lock.
using NotificationID = const char16_t*;

// Null for a null or empty text. An identifier passed back in is found without
// comparing text.
NotificationID InternNotificationID(const char16_t* text);

// Guards the identifier table and the pool. Innermost lock of the notification
// system: nothing else is locked while it is held.
Mutex& GetNotificationMutex();

class LNotification : public virtual LRefCountedObject {
public:
  // From the pool while pooling is on; null for a null or empty text.
  [[nodiscard]] static RCPtr<LNotification>
  Create(const char16_t* text, const RCPtr<LRefCountedObject>& payload = RCPtr<LRefCountedObject>());
  // Always a fresh object; null for a null or empty text.
  [[nodiscard]] static RCPtr<LNotification>
  New(const char16_t* text, const RCPtr<LRefCountedObject>& payload = RCPtr<LRefCountedObject>());
  // Switching off empties the pool.
  static void EnablePooling(bool on);
  static bool IsPoolingEnabled();
  static std::uint32_t GetPoolCount();

  NotificationID GetID() const { return mID; }
  const RCPtr<LRefCountedObject>& GetPayload() const { return mPayload; }
  // Set while the notification sits in a queue and while it is delivered from it.
  bool IsPosted() const { return mPosted.load(); }

  // The last outside release puts the notification back into the pool.
  std::int32_t Release() const override;
  ~LNotification() override;

private:
  friend class LNotificationQueue;

  LNotification(NotificationID id, const RCPtr<LRefCountedObject>& payload);
  void SetPosted(bool posted) { mPosted.store(posted); }
  // Sets the flag; false when it was set already. One test-and-set, so that two
  // threads posting the same notification cannot both queue it.
  bool MarkPosted() { return !mPosted.exchange(true); }

  NotificationID mID;
  // Dropped by the recycling release, which owns the object alone at that point.
  mutable RCPtr<LRefCountedObject> mPayload;
  std::atomic<bool> mPosted{false};
  mutable std::atomic<bool> mRecycling{false};
};

// Hands a new notification straight to a receiver, with no source; for
// receivers bound with LNotificationHandler<T>::RegisterForReceive.
void DeliverNotification(const RCPtr<LNotificationReceiver>& receiver, const char16_t* text,
                         const RCPtr<LRefCountedObject>& payload = RCPtr<LRefCountedObject>());

} // namespace QZ

QZ_TYPE_NAME(QZ::LNotification, "class QZ::LNotification")
