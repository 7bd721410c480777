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
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class LControl;

// The native window behind a root window, as far as controls reach it.
class IWindowOSServices {
public:
  virtual ~IWindowOSServices() = default;

  virtual void SetTitle(const WideString& title) = 0;
  // A client point in screen coordinates; the point itself where the window
  // cannot say.
  virtual PointT<std::int32_t> ClientToScreen(const PointT<std::int32_t>& point) { return point; }
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

  // What layout and scrolling ask of the window; the bodies answer for a
  // window that has nothing on screen.
  // The native window's client size.
  virtual SizeT<std::int32_t> GetSize() { return {}; }
  // The client area in screen coordinates.
  virtual RectT<std::int32_t> GetBounds() { return {}; }
  // Moves and resizes the native window so its client area gets the
  // rectangle (screen coordinates).
  virtual void SetBounds(const RectT<std::int32_t>&) {}
  // The cursor in client coordinates.
  virtual PointT<std::int32_t> GetCursorPosition() { return {}; }
  // Whether the window tracks a control under the mouse (hover).
  virtual bool HasHoverControl() { return false; }
  // The control at a client point and the point in its coordinates; with
  // hoverUpdate the hover (and tool tip) moves to it.
  virtual QZRESULT GetControlAtPoint(RCPtr<LControl>& /*control*/, const PointT<std::int32_t>& /*point*/,
                                     PointT<std::int32_t>& /*local*/, bool /*hoverUpdate*/) {
    return E_NOTIMPL;
  }
};

} // namespace QZ

QZ_TYPE_NAME(QZ::IRootWindow, "class QZ::IRootWindow")
