#pragma once
// The process-wide owner of the notification centers. Its ProcessAll is the
// notification part of every idle pass.
//
// No lock: centers are created and processed on the UI thread; other threads
// only look up centers that exist already.
//
// The references that GetCenter, FindCenter and GetApplicationNotificationCenter
// return stay valid while the manager lives, however many centers are added
// later: each center's pointer keeps its place. Copy the pointer to keep a
// center beyond the manager.

#include "QZFramework/Notification/NotificationCenter.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <deque>

namespace QZ {

class LNotificationCenterManager : public virtual LRefCountedObject {
public:
  [[nodiscard]] static RCPtr<LNotificationCenterManager> Create();
  // The singleton, created on the first call. Setting it to null releases the
  // manager and every center nobody else holds.
  static RCPtr<LNotificationCenterManager>& GetInstance();

  ~LNotificationCenterManager() override;

  // The center of that name (same storage or equal text), or a null pointer.
  const RCPtr<LNotificationCenter>& FindCenter(const WideString& name) const;
  // Creates the center when missing; null for an empty name.
  const RCPtr<LNotificationCenter>& GetCenter(const WideString& name);
  // Processes every center's queue, last created first. True when any still holds
  // notifications.
  bool ProcessAll(bool idle);

private:
  LNotificationCenterManager();

  // Creation order. A deque, because appending never moves the pointers that
  // earlier calls returned references to.
  std::deque<RCPtr<LNotificationCenter>> mCenters;
  static RCPtr<LNotificationCenterManager> sInstance;
};

// The "application" center, created with the manager on first use.
const RCPtr<LNotificationCenter>& GetApplicationNotificationCenter();

} // namespace QZ

QZ_TYPE_NAME(QZ::LNotificationCenterManager, "class QZ::LNotificationCenterManager")
