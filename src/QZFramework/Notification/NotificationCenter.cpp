#include "QZFramework/Notification/NotificationCenter.h"

namespace QZ {

LNotificationCenter::LNotificationCenter(const WideString& name) : mName(name) {}

LNotificationCenter::~LNotificationCenter() = default;

RCPtr<LNotificationCenter> LNotificationCenter::Create(const WideString& name) {
  RCPtr<LNotificationCenter> center(new LNotificationCenter(name));
  center->SetSelfDistributor();
  return center;
}

QZRESULT LNotificationCenter::ReleaseInnerReferences() {
  UnsubscribeAllClients();
  Shutdown(); // also gives back the self-reference's inner reference
  return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? S_OK : E_FAIL;
}

} // namespace QZ
