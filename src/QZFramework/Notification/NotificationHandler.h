#pragma once
// Binds a member function of a client class to each (source distributor,
// identifier) pair. The owner's Receive forwards here; its Unsubscribe erases
// the binding first and then unsubscribes as a client.

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"

#include <cstdint>
#include <functional>
#include <map>

namespace QZ {

// Key of the handler maps: source (null for source-less bindings) and identifier,
// ordered by address.
struct Receivable {
  Receivable(const LNotificationDistributor* source, NotificationID id) : mSource(source), mID(id) {}
  virtual ~Receivable() = default;

  bool operator<(const Receivable& other) const {
    const std::less<const void*> before;
    if (mSource != other.mSource)
      return before(mSource, other.mSource);
    return before(mID, other.mID);
  }

  const LNotificationDistributor* mSource;
  NotificationID mID;
};

template <class T>
class LNotificationHandler : public virtual LRefCountedObject {
public:
  using Member = std::int32_t (T::*)(const RCPtr<LNotificationDistributor>& source,
                                     const RCPtr<LNotification>& notification);

  // owner holds the handler through a smart pointer; the handler keeps a plain pointer back.
  [[nodiscard]] static RCPtr<LNotificationHandler> Create(T* owner) {
    return RCPtr<LNotificationHandler>(new LNotificationHandler(owner));
  }

  // Subscribes the owner. An existing binding for the same key keeps its member;
  // the subscription's flags are updated all the same.
  QZRESULT Register(Member member, const RCPtr<LNotificationDistributor>& distributor, const char16_t* name,
                    std::uint32_t flags = 0) {
    if (!distributor)
      return E_INVALIDARG;
    NotificationID id = mOwner->Subscribe(distributor, name, flags);
    if (!id)
      return E_FAIL;
    mMap.emplace(Receivable(distributor.GetRaw(), id), member);
    return S_OK;
  }

  // For notifications handed to the owner directly; subscribes nothing.
  QZRESULT RegisterForReceive(Member member, const char16_t* name) {
    NotificationID id = InternNotificationID(name);
    if (!id)
      return E_FAIL;
    mMap.emplace(Receivable(nullptr, id), member);
    return S_OK;
  }

  bool Unregister(const LNotificationDistributor* source, const char16_t* name) {
    NotificationID id = InternNotificationID(name);
    return id && mMap.erase(Receivable(source, id)) > 0;
  }
  bool Unregister(const RCPtr<LNotificationDistributor>& source, const char16_t* name) {
    return Unregister(source.GetRaw(), name);
  }

  // The bound member's result, or 0 when nothing is bound.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source, const RCPtr<LNotification>& notification) {
    if (!notification)
      return 0;
    auto found = mMap.find(Receivable(source.GetRaw(), notification->GetID()));
    if (found == mMap.end())
      return 0;
    Member member = found->second; // the call may erase the entry
    return (mOwner->*member)(source, notification);
  }

  // E_FAIL when nothing is bound; otherwise the source's GetClientFlags for the owner.
  QZRESULT GetRegistration(const RCPtr<LNotificationDistributor>& source, const char16_t* name, Member& member,
                           std::uint32_t& flags) {
    NotificationID id = InternNotificationID(name);
    if (!id)
      return E_FAIL;
    auto found = mMap.find(Receivable(source.GetRaw(), id));
    if (found == mMap.end())
      return E_FAIL;
    member = found->second;
    if (!source)
      return E_FAIL; // a source-less binding has no registration
    return source->GetClientFlags(RCPtr<LNotificationReceiver>(mOwner), id, flags);
  }

private:
  explicit LNotificationHandler(T* owner) : mOwner(owner) {}

  T* mOwner;
  std::map<Receivable, Member> mMap;
};

} // namespace QZ
