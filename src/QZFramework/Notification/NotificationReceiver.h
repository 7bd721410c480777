#pragma once
// Whatever a distributor can call: notification clients, and the posting
// receivers that turn a sent notification into a queued one.

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"

#include <cstdint>

namespace QZ {

class LNotificationDistributor;

class LNotificationReceiver : public virtual LRefCountedObject {
public:
  // source is null for a notification handed over directly. Distributors ignore
  // the result.
  virtual std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                               const RCPtr<LNotification>& notification) = 0;
  // A distributor asks the receiver to drop its registration for id.
  virtual std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& source, NotificationID id) = 0;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LNotificationReceiver, "class QZ::LNotificationReceiver")
