#pragma once
// An object that subscribes to distributors. It remembers them by plain pointer;
// each registration holds the client and counts as one of its inner references,
// so the last outside release unsubscribes it everywhere.
//
// A client must be owned by a smart pointer before it subscribes. Subscribing,
// unsubscribing and handling happen on one thread at a time.

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationReceiver.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/Utilities/Storage/Array.h"

#include <cstdint>

namespace QZ {

class LNotificationDistributor;

class LNotificationClient : public LNotificationReceiver {
public:
  LNotificationClient();
  ~LNotificationClient() override; // does not unsubscribe

  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  // kNotifyNothingDone without subscriptions; E_INVALIDARG for a null
  // distributor or name; otherwise the distributor's UnregisterClient result.
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, const char16_t* name) override;

  // The identifier, also when already subscribed (the flags are updated); null
  // for a null distributor or a name without identifier.
  NotificationID Subscribe(const RCPtr<LNotificationDistributor>& distributor, const char16_t* name,
                           std::uint32_t flags = 0);
  // The number of registrations removed.
  std::int32_t UnsubscribeAll();
  QZRESULT ReleaseInnerReferences() override;

  std::int32_t GetSubscriptionCount() const { return mSubscriptionCount; }

private:
  std::int32_t mSubscriptionCount = 0;
  Array<LNotificationDistributor*> mDistributors; // first-subscription order
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LNotificationClient, "class QZ::LNotificationClient")
