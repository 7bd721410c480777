#include "QZFramework/Notification/NotificationQueue.h"

#include <atomic>
#include <mutex>
#include <new>
#include <utility>

namespace QZ {
namespace {

constexpr std::uint32_t kRingSlots = 256;

// Never destroyed: a queue released during static destruction may still take it.
Mutex& QueueMutex() {
  alignas(Mutex) static unsigned char storage[sizeof(Mutex)];
  static Mutex* mutex = new (storage) Mutex;
  return *mutex;
}

[[maybe_unused]] const bool gQueueMutexMade = (QueueMutex(), true);

struct PostListener {
  std::mutex lock; // held while the listener runs, so a change waits for a call in progress
  std::function<void()> listener;
  std::atomic<bool> set{false}; // spares a post the lock while there is none
};

PostListener& Listener() {
  static PostListener* listener = new PostListener; // never destroyed: posts may come during static destruction
  return *listener;
}

void NotifyPostListener() {
  PostListener& listener = Listener();
  if (!listener.set.load(std::memory_order_acquire))
    return;
  const std::lock_guard<std::mutex> guard(listener.lock);
  if (listener.listener)
    listener.listener();
}

} // namespace

Mutex& GetNotificationQueueMutex() { return QueueMutex(); }

void SetNotificationPostListener(std::function<void()> listener) {
  PostListener& target = Listener();
  const std::lock_guard<std::mutex> guard(target.lock);
  target.set.store(static_cast<bool>(listener), std::memory_order_release);
  target.listener = std::move(listener);
}

LNotificationQueue::LNotificationQueue() : mRing(&QueueMutex(), kRingSlots) {
  mPostingReceiver = RCPtr<LPostingReceiver>(new LPostingReceiver(this));
  AddInnerReferences(1);
  mIdleNotification = LNotification::Create(u"NID_IDLE");
}

LNotificationQueue::~LNotificationQueue() {
  Clear();
  mIdleNotification = RCPtr<LNotification>();
  mPostingReceiver = RCPtr<LPostingReceiver>();
  mDistributor = RCPtr<LNotificationDistributor>();
}

RCPtr<LNotificationDistributor> LNotificationQueue::GetDistributor() const {
  MutexLock lock(QueueMutex());
  return mDistributor;
}

QZRESULT LNotificationQueue::Post(const RCPtr<LNotification>& notification) {
  if (!notification || !notification->MarkPosted())
    return E_INVALIDARG;
  RCPtr<LNotificationDistributor> distributor;
  {
    MutexLock lock(QueueMutex());
    if (!mDistributor) {
      notification->SetPosted(false);
      return E_FAIL;
    }
    // Without latest-posted-only registrations there is no pending slot to fill,
    // and the post is one hold of the queue Mutex.
    if (!(mDistributor->GetAllClientFlags() & kNotifyLatestPostedOnly))
      mRing.Enqueue(notification);
    else
      distributor = mDistributor;
  }
  if (distributor) {
    RCPtr<LNotificationDistributor::LNotificationClientPool> pool =
        distributor->FindClientPool(notification->GetID());
    if (pool && (pool->GetCombinedFlags() & kNotifyLatestPostedOnly))
      pool->SetPending(notification);
    mRing.Enqueue(notification);
  }
  NotifyPostListener();
  return S_OK;
}

bool LNotificationQueue::Process(bool idle) {
  RCPtr<LNotificationDistributor> distributor = GetDistributor();
  if (!distributor) {
    // Shut down: whatever a poster slipped in meanwhile is dropped, not delivered.
    Clear();
    return false;
  }
  if (!mProcessing) {
    struct Processing {
      bool& flag;
      explicit Processing(bool& f) : flag(f) { flag = true; }
      ~Processing() { flag = false; }
    } processing(mProcessing);
    const std::uint32_t clears = mClearCount;
    for (std::uint32_t n = mRing.GetCount(); n > 0; --n) {
      // Cleared also when a handler throws: a notification left marked posted
      // could never be posted again, neither by its holder nor from the pool.
      struct Delivery {
        RCPtr<LNotification> notification;
        ~Delivery() { notification->SetPosted(false); }
      } delivery{mRing.Dequeue()};
      distributor->Notify(delivery.notification);
      if (mClearCount != clears)
        break; // a handler cleared or shut down the queue: the rest is gone
    }
  }
  if (idle) {
    distributor = GetDistributor();
    RCPtr<LNotification> idleNotification = mIdleNotification;
    if (distributor && idleNotification)
      distributor->Notify(idleNotification);
  }
  return mRing.GetCount() > 0;
}

bool LNotificationQueue::Clear() {
  ++mClearCount;
  for (std::uint32_t n = mRing.GetCount(); n > 0; --n) {
    RCPtr<LNotification> notification = mRing.Dequeue();
    notification->SetPosted(false);
  }
  return mRing.GetCount() > 0;
}

void LNotificationQueue::Shutdown() {
  Clear();
  RCPtr<LNotificationDistributor> distributor;
  RCPtr<LPostingReceiver> receiver;
  {
    MutexLock lock(QueueMutex());
    std::swap(distributor, mDistributor);
  }
  Clear(); // whatever another thread posted before the distributor went
  // Inner references go back before the references themselves, so that their
  // releases are not taken for the last outside one.
  if (mDistributorIsSelf) {
    mDistributorIsSelf = false;
    AddInnerReferences(-1);
  }
  if (mPostingReceiver) {
    std::swap(receiver, mPostingReceiver);
    AddInnerReferences(-1);
    receiver->Unlink();
  }
}

QZRESULT LNotificationQueue::SetDistributor(const RCPtr<LNotificationDistributor>& distributor) {
  if (!mPostingReceiver)
    return E_FAIL;
  MutexLock lock(QueueMutex());
  if (mDistributor)
    return E_FAIL;
  if (distributor)
    mDistributor = distributor;
  return S_OK;
}

void LNotificationQueue::SetSelfDistributor() {
  if (SetDistributor(RCPtr<LNotificationDistributor>(dynamic_cast<LNotificationDistributor*>(this))) == S_OK &&
      GetDistributor()) {
    AddInnerReferences(1);
    mDistributorIsSelf = true;
  }
}

RCPtr<LNotificationReceiver> LNotificationQueue::GetPostingReceiver() const {
  return RCPtr<LNotificationReceiver>(mPostingReceiver.GetRaw());
}

QZRESULT LNotificationQueue::ReleaseInnerReferences() {
  Shutdown();
  return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? S_OK : E_FAIL;
}

LNotificationQueue::LPostingReceiver::LPostingReceiver(LNotificationQueue* queue) : mQueue(queue) {}

LNotificationQueue::LPostingReceiver::~LPostingReceiver() = default;

void LNotificationQueue::LPostingReceiver::Unlink() {
  RCPtr<LNotificationQueue> queue;
  MutexLock lock(QueueMutex());
  std::swap(queue, mQueue);
  // queue is released after the lock: it may be the queue's last reference
}

std::int32_t LNotificationQueue::LPostingReceiver::Receive(const RCPtr<LNotificationDistributor>&,
                                                           const RCPtr<LNotification>& notification) {
  RCPtr<LNotificationQueue> queue;
  {
    MutexLock lock(QueueMutex());
    queue = mQueue;
  }
  if (!queue || !notification)
    return 0;
  RCPtr<LNotification> copy = LNotification::Create(notification->GetID(), notification->GetPayload());
  queue->Post(copy);
  return 0;
}

std::int32_t LNotificationQueue::LPostingReceiver::Unsubscribe(const RCPtr<LNotificationDistributor>&,
                                                               NotificationID) {
  return E_FAIL;
}

} // namespace QZ
