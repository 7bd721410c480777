#pragma once
// Synchronous delivery: for each identifier, the receivers registered for it,
// called newest first on the caller's thread with no lock held.
//
// A registration holds a reference (and an inner reference) to both the
// distributor and the receiver; the last outside release of either side breaks
// the cycle through ReleaseInnerReferences.
//
// Lock order: distributor lock, then a pool lock; the queue and notification
// locks come after both.

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationReceiver.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Threading/Mutex.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace QZ {

// Registration flag: only notifications posted through a queue, and of those only
// the one posted last before delivery.
inline constexpr std::uint32_t kNotifyLatestPostedOnly = 0x1;

// Answers of registering, removing and delivering (a client's Unsubscribe
// gives the same): done, or a success that changed nothing (already
// registered, not registered, nobody to call).
inline constexpr std::int32_t kNotifyDone = S_OK;
inline constexpr std::int32_t kNotifyNothingDone = S_FALSE;

class LNotificationDistributor : public virtual LRefCountedObject {
public:
  class LNotificationRegisteredClientInfo;
  class LNotificationClientPool;

  LNotificationDistributor();
  ~LNotificationDistributor() override;

  // kNotifyDone for a new registration; kNotifyNothingDone when already
  // registered (flags updated) or without identifier; E_INVALIDARG for a null
  // client.
  std::int32_t RegisterClient(const RCPtr<LNotificationReceiver>& client, const char16_t* name,
                              std::uint32_t flags = 0);
  // kNotifyDone removed; kNotifyNothingDone not registered; E_INVALIDARG for a
  // null client or no identifier.
  std::int32_t UnregisterClient(const RCPtr<LNotificationReceiver>& client, const char16_t* name);
  // The number of registrations removed.
  std::int32_t UnregisterClientFromAll(const RCPtr<LNotificationReceiver>& client);
  // Asks every registered receiver to unsubscribe.
  std::int32_t UnsubscribeAllClients();
  // kNotifyDone clients were called; kNotifyNothingDone nobody is registered;
  // E_INVALIDARG for null.
  std::int32_t Notify(const RCPtr<LNotification>& notification);

  RCPtr<LNotificationClientPool> FindClientPool(NotificationID id);
  QZRESULT GetClientFlags(const RCPtr<LNotificationReceiver>& client, const char16_t* name, std::uint32_t& flags);
  bool IsClientRegistered(const RCPtr<LNotificationReceiver>& client);

  // OR of the flags of every registration ever made here; never cleared. Lets
  // posting skip the pool lookup when no registration asked for anything.
  std::uint32_t GetAllClientFlags() const { return mAllFlags.load(std::memory_order_relaxed); }

private:
  LNotificationClientPool* FindPoolLocked(NotificationID id);
  std::int32_t UnregisterID(const RCPtr<LNotificationReceiver>& client, NotificationID id,
                            RCPtr<LNotificationRegisteredClientInfo>& removed);

  Mutex mLock;
  RCPtrArray<LNotificationClientPool, 1, 0> mPools; // creation order; never shrinks
  std::atomic<std::uint32_t> mAllFlags{0};
};

class LNotificationDistributor::LNotificationRegisteredClientInfo : public LRefCountedObject {
public:
  LNotificationRegisteredClientInfo(const RCPtr<LNotificationReceiver>& client, std::uint32_t flags)
      : mClient(client), mFlags(flags) {}

  RCPtr<LNotificationReceiver> mClient;
  RCPtr<LNotification> mPending; // latest posted, with kNotifyLatestPostedOnly only
  std::uint32_t mFlags;
};

class LNotificationDistributor::LNotificationClientPool : public LRefCountedObject {
public:
  explicit LNotificationClientPool(NotificationID id);
  ~LNotificationClientPool() override;

  // 0, or E_INVALIDARG for a null client. A registered client only gets its flags updated.
  QZRESULT AddClient(const RCPtr<LNotificationReceiver>& client, std::uint32_t flags);
  // kNotifyDone removed, kNotifyNothingDone absent.
  std::int32_t RemoveClient(const RCPtr<LNotificationReceiver>& client);
  // The client's index, searched newest first; kNotFound when absent.
  static constexpr std::int32_t kNotFound = -1;
  std::int32_t FindClient(const RCPtr<LNotificationReceiver>& client);
  // The client registered at index and, read under the same lock, the count; null when index is outside.
  RCPtr<LNotificationReceiver> GetClientAt(std::int32_t index, std::int32_t& count);
  QZRESULT GetClientFlags(const RCPtr<LNotificationReceiver>& client, std::uint32_t& flags);
  std::uint32_t GetCount();

  // Calls every client, newest first. kNotifyDone, or kNotifyNothingDone when
  // the pool is empty.
  std::int32_t NotifyAll(const RCPtr<LNotificationDistributor>& source, const RCPtr<LNotification>& notification);
  // Calls the client at index; returns the index after the call, moved down by
  // removals below it, or the count when index is out of range.
  std::int32_t NotifyClientAt(const RCPtr<LNotificationDistributor>& source, std::int32_t index,
                              const RCPtr<LNotification>& notification);

  // Posting: makes notification the pending one of every latest-posted-only
  // registration; the ones it replaces will not be delivered to them.
  void SetPending(const RCPtr<LNotification>& notification);

  NotificationID GetID() const { return mID; }
  std::uint32_t GetCombinedFlags() const { return mCombinedFlags.load(); }

private:
  friend class LNotificationDistributor;

  std::int32_t TakeClient(const RCPtr<LNotificationReceiver>& client,
                          RCPtr<LNotificationRegisteredClientInfo>& removed);
  // Newest first.
  void GetClients(std::vector<RCPtr<LNotificationReceiver>>& clients);

  // Every walk over the clients keeps its own cursor (the index of the client
  // being called), so nested deliveries of one identifier do not disturb each
  // other. Removals below a cursor move it down. Guarded by the pool lock.
  struct Cursor {
    std::int32_t index;
    Cursor* next;
  };
  class Walk;

  // Steps the walk to the next client down and calls it. False when done.
  bool CallNext(Walk& walk, const RCPtr<LNotificationDistributor>& source,
                const RCPtr<LNotification>& notification);

  std::atomic<std::uint32_t> mCombinedFlags{0};
  NotificationID mID;
  RCPtrArray<LNotificationRegisteredClientInfo, 1, 0> mRegistrations; // registration order
  Mutex mLock;
  Cursor* mCursors = nullptr;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LNotificationDistributor, "class QZ::LNotificationDistributor")
QZ_TYPE_NAME(QZ::LNotificationDistributor::LNotificationClientPool,
             "class QZ::LNotificationDistributor::LNotificationClientPool")
QZ_TYPE_NAME(QZ::LNotificationDistributor::LNotificationRegisteredClientInfo,
             "class QZ::LNotificationDistributor::LNotificationRegisteredClientInfo")
