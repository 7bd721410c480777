#pragma once
// What a control tree asks of the window that hosts it: the seam between the
// control base and the windowing, which implements it (the root window of a
// native window). A top-level control holds its root window through a counted
// reference while the root window holds the control as its root control; the
// root window counts the control's reference to it as one of its own inner
// references, so the pair is freed when the last outside owner lets go.
//
// UI thread only; nothing here locks.

#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"

namespace QZ {

class LControl;

// The native window behind a root window, as far as controls reach it.
class IWindowOSServices {
public:
  virtual ~IWindowOSServices() = default;

  virtual void SetTitle(const WideString& title) = 0;
};

class IRootWindow : public virtual LRefCountedObject {
public:
  // The distributor of the window's own notifications: "NID_IDLE" once per
  // idle pass, hot keys and menu commands. Never null.
  virtual RCPtr<LNotificationDistributor> GetNotificationDistributor() = 0;
  // The top of the window's control tree; null while none is installed.
  virtual RCPtr<LControl> GetRootControl() = 0;
  // The native window; null once it is gone.
  virtual IWindowOSServices* GetWindowOSServices() = 0;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::IRootWindow, "class QZ::IRootWindow")
