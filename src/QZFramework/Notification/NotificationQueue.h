#pragma once
// Asynchronous delivery: notifications posted from any thread are delivered
// later through the queue's distributor, on the thread that processes the queue
// (the UI thread, in the idle pass).
//
// The rings of all queues share one Mutex. Post takes the distributor lock, a
// pool lock and that Mutex one after another, never nested; Process holds no
// lock while clients run.

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/Notification/NotificationReceiver.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/RCPtrQueue.h"
#include "QZFramework/Utilities/Threading/Mutex.h"

#include <cstdint>
#include <functional>

namespace QZ {

// The one lock of every queue's ring in the process.
Mutex& GetNotificationQueueMutex();

// Called on the posting thread after a queue took a notification (the
// application wakes its waiting loop with it, so a worker's post is delivered
// without waiting out a time-out). Empty: none. Once a change returns, no call
// of the listener it replaced is still running; the listener must not post.
void SetNotificationPostListener(std::function<void()> listener);

class LNotificationQueue : public virtual LRefCountedObject {
public:
  class LPostingReceiver;

  LNotificationQueue();
  ~LNotificationQueue() override;

  // Any thread. 0 queued; E_INVALIDARG for null or an already posted
  // notification; E_FAIL without a distributor.
  QZRESULT Post(const RCPtr<LNotification>& notification);
  // Delivers what was queued when it started, then "NID_IDLE" when idle is set.
  // Not re-entrant: from inside a handler it delivers "NID_IDLE" only. True
  // when notifications remain queued.
  bool Process(bool idle);
  // Drops what is queued without delivering it. True when notifications remain.
  bool Clear();
  // Unlinks the distributor and the posting receiver for good.
  void Shutdown();
  // E_FAIL when a distributor is set already or after Shutdown; null changes nothing.
  QZRESULT SetDistributor(const RCPtr<LNotificationDistributor>& distributor);
  // What gets subscribed to other distributors; null after Shutdown.
  RCPtr<LNotificationReceiver> GetPostingReceiver() const;

  QZRESULT ReleaseInnerReferences() override;

protected:
  // A center delivers through itself; that reference is an inner one, given back
  // by Shutdown.
  void SetSelfDistributor();

private:
  RCPtr<LNotificationDistributor> GetDistributor() const;

  bool mProcessing = false;
  std::uint32_t mClearCount = 0; // lets Process notice a Clear made by a handler
  RCPtrQueue<LNotification, 256, Mutex> mRing;
  // Written on the processing thread under the queue Mutex, read by posters under it.
  RCPtr<LNotificationDistributor> mDistributor;
  bool mDistributorIsSelf = false;
  RCPtr<LPostingReceiver> mPostingReceiver;
  RCPtr<LNotification> mIdleNotification;
};

// Turns a notification sent to it into a posted copy in its queue, so that a
// queue can subscribe to any distributor.
class LNotificationQueue::LPostingReceiver : public LNotificationReceiver {
public:
  explicit LPostingReceiver(LNotificationQueue* queue);
  ~LPostingReceiver() override;

  // Any thread. Posts a copy sharing the payload; the source is not kept.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  // Always E_FAIL.
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& source, NotificationID id) override;

private:
  friend class LNotificationQueue;
  void Unlink();

  RCPtr<LNotificationQueue> mQueue; // guarded by the queue Mutex; null after Shutdown
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LNotificationQueue, "class QZ::LNotificationQueue")
QZ_TYPE_NAME(QZ::LNotificationQueue::LPostingReceiver, "class QZ::LNotificationQueue::LPostingReceiver")
