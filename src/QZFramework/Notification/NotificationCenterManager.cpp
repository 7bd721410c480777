#include "QZFramework/Notification/NotificationCenterManager.h"

namespace QZ {

RCPtr<LNotificationCenterManager> LNotificationCenterManager::sInstance;

LNotificationCenterManager::LNotificationCenterManager() = default;

LNotificationCenterManager::~LNotificationCenterManager() = default;

RCPtr<LNotificationCenterManager> LNotificationCenterManager::Create() {
  return RCPtr<LNotificationCenterManager>(new LNotificationCenterManager);
}

RCPtr<LNotificationCenterManager>& LNotificationCenterManager::GetInstance() {
  if (!sInstance)
    sInstance = Create();
  return sInstance;
}

const RCPtr<LNotificationCenter>& LNotificationCenterManager::FindCenter(const WideString& name) const {
  for (const RCPtr<LNotificationCenter>& center : mCenters) {
    if (center->GetName().EqualsString(name))
      return center;
  }
  return RCPtr<LNotificationCenter>::sNull;
}

const RCPtr<LNotificationCenter>& LNotificationCenterManager::GetCenter(const WideString& name) {
  if (name.IsEmpty())
    return RCPtr<LNotificationCenter>::sNull;
  const RCPtr<LNotificationCenter>& found = FindCenter(name);
  if (found)
    return found;
  return mCenters.emplace_back(LNotificationCenter::Create(name));
}

bool LNotificationCenterManager::ProcessAll(bool idle) {
  RCPtr<LNotificationCenterManager> self(this); // a handler may drop the singleton
  bool more = false;
  // Handlers may create centers meanwhile; those wait for the next pass.
  for (std::size_t i = mCenters.size(); i-- > 0;) {
    RCPtr<LNotificationCenter> center = mCenters[i];
    if (center->Process(idle))
      more = true;
  }
  return more;
}

const RCPtr<LNotificationCenter>& GetApplicationNotificationCenter() {
  static const WideString name(u"application");
  return LNotificationCenterManager::GetInstance()->GetCenter(name);
}

} // namespace QZ
