#pragma once
// Binds a member function of a client class to each (source distributor,
// identifier) pair. The owner's Receive forwards here; its Unsubscribe erases
// the binding first and then unsubscribes as a client.

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>

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

// Takes one binding of a handler out for its lifetime, so that a change the
// owner makes itself (a value it assigns to a child) is not taken for one the
// user made. The subscription stays; only the binding is taken out and put
// back with its member and flags. A binding that does not exist is a
// programming error.
template <class T>
class CAutoNotificationDisabler {
public:
  CAutoNotificationDisabler(const RCPtr<LNotificationHandler<T>>& handler,
                            const RCPtr<LNotificationDistributor>& source, const char16_t* name)
      : mHandler(handler), mSource(source), mName(name) {
    if (!mHandler || mHandler->GetRegistration(mSource, mName, mMember, mFlags) < 0)
      ThrowIfFailed(E_FAIL, Function("CAutoNotificationDisabler"), kDisablerSourcePath, 247);
    if (!mHandler->Unregister(mSource, mName))
      ThrowIfFailed(E_FAIL, Function("CAutoNotificationDisabler"), kDisablerSourcePath, 248);
  }
  ~CAutoNotificationDisabler() noexcept(false) {
    if (mHandler->Register(mMember, mSource, mName, mFlags) < 0)
      ThrowIfFailed(E_FAIL, Function("~CAutoNotificationDisabler"), kDisablerSourcePath, 253);
  }
  CAutoNotificationDisabler(const CAutoNotificationDisabler&) = delete;
  CAutoNotificationDisabler& operator=(const CAutoNotificationDisabler&) = delete;

private:
  static constexpr const char* kDisablerSourcePath = "notification\\NotificationHandler";
  static std::string Function(const char* name) {
    return std::string("QZ::CAutoNotificationDisabler<") + TypeName<T>::value + ">::" + name;
  }

  RCPtr<LNotificationHandler<T>> mHandler;
  RCPtr<LNotificationDistributor> mSource;
  const char16_t* mName;
  typename LNotificationHandler<T>::Member mMember = nullptr;
  std::uint32_t mFlags = 0;
};

} // namespace QZ
