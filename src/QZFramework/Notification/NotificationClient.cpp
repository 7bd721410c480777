#include "QZFramework/Notification/NotificationClient.h"

#include "QZFramework/Notification/NotificationDistributor.h"

namespace QZ {

LNotificationClient::LNotificationClient() = default;

LNotificationClient::~LNotificationClient() = default;

std::int32_t LNotificationClient::Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  return 0;
}

NotificationID LNotificationClient::Subscribe(const RCPtr<LNotificationDistributor>& distributor,
                                              const char16_t* name, std::uint32_t flags) {
  if (!distributor)
    return nullptr;
  NotificationID id = InternNotificationID(name);
  if (!id)
    return nullptr;
  RCPtr<LNotificationReceiver> self(this);
  const std::int32_t result = distributor->RegisterClient(self, id, flags);
  if (result == kNotifyDone) {
    AddInnerReferences(1);
    ++mSubscriptionCount;
  }
  if (result == kNotifyDone || result == kNotifyNothingDone) {
    LNotificationDistributor* raw = distributor.GetRaw();
    bool known = false;
    for (std::uint32_t i = 0; i < mDistributors.GetCount() && !known; ++i)
      known = mDistributors.GetAt(i) == raw;
    if (!known)
      mDistributors.AddItem(raw);
    return id;
  }
  return nullptr;
}

std::int32_t LNotificationClient::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor,
                                              const char16_t* name) {
  if (mSubscriptionCount == 0)
    return kNotifyNothingDone;
  if (!distributor || !name)
    return E_INVALIDARG;
  RCPtr<LNotificationReceiver> self(this);
  const std::int32_t result = distributor->UnregisterClient(self, name);
  if (result == kNotifyDone) {
    AddInnerReferences(-1);
    --mSubscriptionCount;
    if (!distributor->IsClientRegistered(self)) {
      for (std::uint32_t i = mDistributors.GetCount(); i-- > 0;) {
        if (mDistributors.GetAt(i) == distributor.GetRaw()) {
          LNotificationDistributor* dropped = nullptr;
          mDistributors.RemoveItem(i, dropped);
          break;
        }
      }
    }
  }
  return result;
}

std::int32_t LNotificationClient::UnsubscribeAll() {
  if (mSubscriptionCount < 1)
    return 0;
  // Given back first, so that the registrations' releases below are not taken
  // for the last outside one.
  AddInnerReferences(-mSubscriptionCount);
  RCPtr<LNotificationReceiver> self(this);
  std::int32_t sum = 0;
  for (std::uint32_t i = mDistributors.GetCount(); i-- > 0;) {
    RCPtr<LNotificationDistributor> distributor(mDistributors.GetAt(i));
    sum += distributor->UnregisterClientFromAll(self);
    LNotificationDistributor* dropped = nullptr;
    mDistributors.RemoveItem(i, dropped);
  }
  mSubscriptionCount = 0;
  return sum;
}

QZRESULT LNotificationClient::ReleaseInnerReferences() {
  UnsubscribeAll();
  return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? S_OK : E_FAIL;
}

} // namespace QZ
