#include "QZFramework/Notification/NotificationDistributor.h"

#include <utility>
#include <vector>

namespace QZ {

using ClientPool = LNotificationDistributor::LNotificationClientPool;
using ClientInfo = LNotificationDistributor::LNotificationRegisteredClientInfo;

// One walk's cursor. It is linked into the pool under the pool lock of the first
// step and unlinked under that of the last, so a walk costs one lock per client
// and one more.
class LNotificationDistributor::LNotificationClientPool::Walk {
public:
  explicit Walk(ClientPool& pool) : mPool(pool) {}
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;
  ~Walk() {
    if (mLinked) { // left by an exception
      MutexLock lock(mPool.mLock);
      Unlink();
    }
  }

  // Pool lock held.
  void Link(std::int32_t index) {
    mCursor.index = index;
    mCursor.next = mPool.mCursors;
    mPool.mCursors = &mCursor;
    mLinked = true;
  }
  void Unlink() {
    for (Cursor** link = &mPool.mCursors; *link; link = &(*link)->next) {
      if (*link == &mCursor) {
        *link = mCursor.next;
        break;
      }
    }
    mLinked = false;
  }

  ClientPool& mPool;
  Cursor mCursor{0, nullptr};
  bool mLinked = false;
  bool mEmpty = false;
};

LNotificationDistributor::LNotificationClientPool::LNotificationClientPool(NotificationID id) : mID(id) {}

LNotificationDistributor::LNotificationClientPool::~LNotificationClientPool() = default;

QZRESULT LNotificationDistributor::LNotificationClientPool::AddClient(const RCPtr<LNotificationReceiver>& client,
                                                                      std::uint32_t flags) {
  if (!client)
    return E_INVALIDARG;
  MutexLock lock(mLock);
  const std::uint32_t count = mRegistrations.GetCount();
  for (std::uint32_t j = count; j-- > 0;) {
    ClientInfo* info = mRegistrations.GetAt(j).Get();
    if (info->mClient.GetRaw() != client.GetRaw())
      continue;
    if (info->mFlags != flags) {
      info->mFlags = flags;
      std::uint32_t combined = 0;
      for (std::uint32_t k = 0; k < count; ++k)
        combined |= mRegistrations.GetAt(k)->mFlags;
      mCombinedFlags.store(combined);
    }
    return S_OK;
  }
  mRegistrations.AddItem(RCPtr<ClientInfo>(new ClientInfo(client, flags)));
  mCombinedFlags.fetch_or(flags);
  return S_OK;
}

std::int32_t
LNotificationDistributor::LNotificationClientPool::RemoveClient(const RCPtr<LNotificationReceiver>& client) {
  RCPtr<ClientInfo> removed;
  return TakeClient(client, removed);
}

// The removed record is handed out so that the client is released with no lock held.
std::int32_t
LNotificationDistributor::LNotificationClientPool::TakeClient(const RCPtr<LNotificationReceiver>& client,
                                                              RCPtr<ClientInfo>& removed) {
  MutexLock lock(mLock);
  for (std::uint32_t j = mRegistrations.GetCount(); j-- > 0;) {
    if (mRegistrations.GetAt(j)->mClient.GetRaw() != client.GetRaw())
      continue;
    mRegistrations.RemoveItem(j, removed);
    const std::int32_t index = static_cast<std::int32_t>(j);
    for (Cursor* cursor = mCursors; cursor; cursor = cursor->next) {
      if (index < cursor->index)
        --cursor->index;
    }
    return kNotifyDone;
  }
  return kNotifyNothingDone;
}

std::int32_t
LNotificationDistributor::LNotificationClientPool::FindClient(const RCPtr<LNotificationReceiver>& client) {
  MutexLock lock(mLock);
  for (std::uint32_t j = mRegistrations.GetCount(); j-- > 0;) {
    if (mRegistrations.GetAt(j)->mClient.GetRaw() == client.GetRaw())
      return static_cast<std::int32_t>(j);
  }
  return kNotFound;
}

RCPtr<LNotificationReceiver> LNotificationDistributor::LNotificationClientPool::GetClientAt(std::int32_t index,
                                                                                            std::int32_t& count) {
  MutexLock lock(mLock);
  count = static_cast<std::int32_t>(mRegistrations.GetCount());
  if (index < 0 || index >= count)
    return RCPtr<LNotificationReceiver>();
  return mRegistrations.GetAt(static_cast<std::uint32_t>(index))->mClient;
}

QZRESULT
LNotificationDistributor::LNotificationClientPool::GetClientFlags(const RCPtr<LNotificationReceiver>& client,
                                                                  std::uint32_t& flags) {
  MutexLock lock(mLock);
  for (std::uint32_t j = mRegistrations.GetCount(); j-- > 0;) {
    const ClientInfo* info = mRegistrations.GetAt(j).Get();
    if (info->mClient.GetRaw() == client.GetRaw()) {
      flags = info->mFlags;
      return S_OK;
    }
  }
  return E_FAIL;
}

std::uint32_t LNotificationDistributor::LNotificationClientPool::GetCount() {
  MutexLock lock(mLock);
  return mRegistrations.GetCount();
}

void LNotificationDistributor::LNotificationClientPool::GetClients(
    std::vector<RCPtr<LNotificationReceiver>>& clients) {
  MutexLock lock(mLock);
  for (std::uint32_t j = mRegistrations.GetCount(); j-- > 0;)
    clients.push_back(mRegistrations.GetAt(j)->mClient);
}

void LNotificationDistributor::LNotificationClientPool::SetPending(const RCPtr<LNotification>& notification) {
  std::vector<RCPtr<LNotification>> replaced; // released after the lock: their recycling takes other locks
  MutexLock lock(mLock);
  for (std::uint32_t j = mRegistrations.GetCount(); j-- > 0;) {
    ClientInfo* info = mRegistrations.GetAt(j).Get();
    if (!(info->mFlags & kNotifyLatestPostedOnly))
      continue;
    if (info->mPending)
      replaced.push_back(info->mPending);
    info->mPending = notification;
  }
}

bool LNotificationDistributor::LNotificationClientPool::CallNext(Walk& walk,
                                                                 const RCPtr<LNotificationDistributor>& source,
                                                                 const RCPtr<LNotification>& notification) {
  RCPtr<LNotificationReceiver> client;
  RCPtr<LNotification> pending;
  {
    MutexLock lock(mLock);
    const std::int32_t count = static_cast<std::int32_t>(mRegistrations.GetCount());
    if (!walk.mLinked) {
      if (count == 0) {
        walk.mEmpty = true;
        return false;
      }
      walk.Link(count); // above the newest registration
    }
    std::int32_t i = walk.mCursor.index - 1;
    if (i >= count)
      i = count - 1;
    if (i < 0) {
      walk.Unlink();
      return false;
    }
    walk.mCursor.index = i;
    ClientInfo* info = mRegistrations.GetAt(static_cast<std::uint32_t>(i)).Get();
    if (info->mFlags & kNotifyLatestPostedOnly) {
      if (info->mPending.GetRaw() != notification.GetRaw())
        return true;
      pending = info->mPending;
      info->mPending = RCPtr<LNotification>();
    }
    client = info->mClient;
  }
  client->Receive(source, notification);
  return true;
}

std::int32_t
LNotificationDistributor::LNotificationClientPool::NotifyAll(const RCPtr<LNotificationDistributor>& source,
                                                             const RCPtr<LNotification>& notification) {
  Walk walk(*this);
  while (CallNext(walk, source, notification)) {
  }
  return walk.mEmpty ? kNotifyNothingDone : kNotifyDone;
}

std::int32_t LNotificationDistributor::LNotificationClientPool::NotifyClientAt(
    const RCPtr<LNotificationDistributor>& source, std::int32_t index, const RCPtr<LNotification>& notification) {
  Walk walk(*this);
  {
    MutexLock lock(mLock);
    const std::int32_t count = static_cast<std::int32_t>(mRegistrations.GetCount());
    if (index < 0 || index >= count)
      return count;
    walk.Link(index + 1); // CallNext steps down onto index
  }
  CallNext(walk, source, notification);
  MutexLock lock(mLock);
  const std::int32_t after = walk.mCursor.index;
  walk.Unlink();
  return after;
}

LNotificationDistributor::LNotificationDistributor() = default;

LNotificationDistributor::~LNotificationDistributor() = default;

ClientPool* LNotificationDistributor::FindPoolLocked(NotificationID id) {
  for (std::uint32_t i = mPools.GetCount(); i-- > 0;) {
    ClientPool* pool = mPools.GetAt(i).Get();
    if (pool->GetID() == id)
      return pool;
  }
  return nullptr;
}

RCPtr<ClientPool> LNotificationDistributor::FindClientPool(NotificationID id) {
  MutexLock lock(mLock);
  return RCPtr<ClientPool>(FindPoolLocked(id));
}

std::int32_t LNotificationDistributor::RegisterClient(const RCPtr<LNotificationReceiver>& client,
                                                      const char16_t* name, std::uint32_t flags) {
  if (!client)
    return E_INVALIDARG;
  NotificationID id = InternNotificationID(name);
  if (!id)
    return kNotifyNothingDone;
  MutexLock lock(mLock);
  ClientPool* pool = FindPoolLocked(id);
  const bool registered = pool && pool->FindClient(client) >= 0;
  if (!registered) {
    AddRef();
    AddInnerReferences(1);
  }
  if (!pool) {
    mPools.AddItem(RCPtr<ClientPool>(new ClientPool(id)));
    pool = mPools.GetAt(mPools.GetCount() - 1).Get();
  }
  mAllFlags.fetch_or(flags, std::memory_order_relaxed);
  pool->AddClient(client, flags);
  return registered ? kNotifyNothingDone : kNotifyDone;
}

std::int32_t LNotificationDistributor::UnregisterID(const RCPtr<LNotificationReceiver>& client, NotificationID id,
                                                    RCPtr<ClientInfo>& removed) {
  MutexLock lock(mLock);
  ClientPool* pool = FindPoolLocked(id);
  if (!pool || pool->TakeClient(client, removed) != kNotifyDone)
    return kNotifyNothingDone;
  // The caller holds its own reference, so this release never frees the distributor.
  AddInnerReferences(-1);
  Release();
  return kNotifyDone;
}

std::int32_t LNotificationDistributor::UnregisterClient(const RCPtr<LNotificationReceiver>& client,
                                                        const char16_t* name) {
  if (!client)
    return E_INVALIDARG;
  NotificationID id = InternNotificationID(name);
  if (!id)
    return E_INVALIDARG;
  RCPtr<ClientInfo> removed;
  return UnregisterID(client, id, removed);
}

std::int32_t LNotificationDistributor::UnregisterClientFromAll(const RCPtr<LNotificationReceiver>& client) {
  if (!client)
    return E_INVALIDARG;
  std::vector<RCPtr<ClientInfo>> removed;
  std::int32_t sum = 0;
  MutexLock lock(mLock);
  for (std::uint32_t i = mPools.GetCount(); i-- > 0;) {
    RCPtr<ClientInfo> record;
    if (UnregisterID(client, mPools.GetAt(i)->GetID(), record) == kNotifyDone) {
      ++sum;
      removed.push_back(record);
    }
  }
  return sum;
}

// The clients are asked with no lock held: an Unsubscribe may release the last
// reference of its own object, and that may reach any other distributor.
std::int32_t LNotificationDistributor::UnsubscribeAllClients() {
  RCPtr<LNotificationDistributor> self(this);
  std::vector<std::pair<RCPtr<LNotificationReceiver>, NotificationID>> asked;
  {
    MutexLock lock(mLock);
    std::vector<RCPtr<LNotificationReceiver>> clients;
    for (std::uint32_t i = mPools.GetCount(); i-- > 0;) {
      ClientPool* pool = mPools.GetAt(i).Get();
      clients.clear();
      pool->GetClients(clients);
      for (RCPtr<LNotificationReceiver>& client : clients)
        asked.emplace_back(client, pool->GetID());
    }
  }
  for (auto& [client, id] : asked)
    client->Unsubscribe(self, id);
  return 0;
}

std::int32_t LNotificationDistributor::Notify(const RCPtr<LNotification>& notification) {
  if (!notification)
    return E_INVALIDARG;
  ClientPool* pool;
  {
    MutexLock lock(mLock);
    pool = FindPoolLocked(notification->GetID());
  }
  // Pools stay as long as their distributor, which the caller keeps alive.
  if (!pool)
    return kNotifyNothingDone;
  return pool->NotifyAll(RCPtr<LNotificationDistributor>(this), notification);
}

QZRESULT LNotificationDistributor::GetClientFlags(const RCPtr<LNotificationReceiver>& client, const char16_t* name,
                                                  std::uint32_t& flags) {
  NotificationID id = InternNotificationID(name);
  if (!id || !client)
    return E_FAIL;
  MutexLock lock(mLock);
  ClientPool* pool = FindPoolLocked(id);
  return pool ? pool->GetClientFlags(client, flags) : E_FAIL;
}

bool LNotificationDistributor::IsClientRegistered(const RCPtr<LNotificationReceiver>& client) {
  MutexLock lock(mLock);
  for (std::uint32_t i = mPools.GetCount(); i-- > 0;) {
    if (mPools.GetAt(i)->FindClient(client) >= 0)
      return true;
  }
  return false;
}

} // namespace QZ
