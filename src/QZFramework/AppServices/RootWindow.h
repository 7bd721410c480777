#pragma once
// What a control tree and the application ask of the window that hosts a
// tree: the seam between the control base and the application on one side and
// the windowing on the other, which implements it (the root window of a native
// window). A top-level control holds its root window through a counted
// reference while the root window holds the control as its root control; the
// root window counts the control's reference to it as one of its own inner
// references, so the pair is freed when the last outside owner lets go.
//
// UI thread only; nothing here locks.

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/Notification/NotificationReceiver.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class LControl;
class LKeyParam;
class LRenderer;

// The native window behind a root window, as far as controls and the
// application reach it.
class IWindowOSServices {
public:
  virtual ~IWindowOSServices() = default;

  virtual void SetTitle(const WideString& title) = 0;
  // Whether the window is the active one (it has the keyboard focus).
  virtual bool IsActive() = 0;
  // A point of the client area in screen coordinates.
  virtual PointT<std::int32_t> ClientToScreen(const PointT<std::int32_t>& client) = 0;

  // What the root window asks of its native window. Results are 0 unless said
  // otherwise; E_FAIL where the native window is gone.

  // Marks the whole client area, or a rectangle {x, y, width, height} of it,
  // for the next paint.
  virtual void InvalidateAll() = 0;
  virtual void InvalidateRect(const RectT<std::int32_t>& rect) = 0;
  // The client rectangle {0, 0, width, height}; out unchanged when unknown.
  virtual void GetClientRect(RectT<std::int32_t>& out) = 0;
  virtual PointT<std::int32_t> ScreenToClient(const PointT<std::int32_t>& screen) = 0;
  // Moves and sizes the window so its client area is the rectangle (screen
  // coordinates).
  virtual QZRESULT SetClientBounds(const RectT<std::int32_t>& bounds) = 0;
  // Paints what is invalid at once.
  virtual QZRESULT RedrawNow() = 0;
  // Ends the window's modal loop with the result, or, outside one, the window.
  virtual QZRESULT EndModal(std::int32_t result) = 0;
  virtual bool IsInModalLoop() = 0;
  // Whether the window has the keyboard focus; asks for it.
  virtual bool HasFocus() = 0;
  virtual QZRESULT SetFocus() = 0;
  // Makes the cursor current; the one current before.
  virtual std::uintptr_t SetCursor(std::uintptr_t cursor) = 0;
  // The pointer in client coordinates and the buttons held (1 left, 2 middle,
  // 4 right), as the window's own messages left them while it holds the
  // capture.
  virtual PointT<std::int32_t> GetCursorPosition() = 0;
  virtual std::uint32_t GetMouseButtonState() = 0;
  // A text box gained or lost the focus; nothing to do on our platforms.
  virtual void EnableTextInput(bool enable, std::int32_t value) = 0;
};

// Sent at once through a root window's distributor when its client area has
// taken a new size (no payload): what was placed against the old size (an
// open drop-down list) can give way.
inline constexpr const char16_t* kNidWindowSizeChange = u"NID_WINDOW_SIZE_CHANGE";

class IRootWindow : public virtual LRefCountedObject {
public:
  // The distributor of the window's own notifications: "NID_IDLE" once per
  // idle pass, hot keys and menu commands, the client area's new size. Never null.
  virtual RCPtr<LNotificationDistributor> GetNotificationDistributor() = 0;
  // The top of the window's control tree; null while none is installed.
  virtual RCPtr<LControl> GetRootControl() = 0;
  // The native window; null once it is gone.
  virtual IWindowOSServices* GetWindowOSServices() = 0;

  // The renderer the window paints with.
  virtual RCPtr<LRenderer> GetRenderer() = 0;
  // The control that holds the keyboard focus; null when none does.
  virtual RCPtr<LControl> GetFocusedControl() = 0;
  // The window's part of an idle pass (its queued keys, then its own queue and
  // "NID_IDLE" when sendIdle); true when more work remains.
  virtual bool ProcessIdle(bool sendIdle) = 0;
  // Asks the window to close with the result at the next idle work. 0, or
  // E_FAIL without native window.
  virtual QZRESULT RequestClose(std::int32_t result) = 0;
  // Paints what is invalid now rather than at the next paint.
  virtual QZRESULT RedrawNow() = 0;
  // The mouse buttons held: 1 left, 2 middle, 4 right.
  virtual std::uint32_t GetMouseButtonState() = 0;
  // The pointer in client coordinates.
  virtual PointT<std::int32_t> GetCursorPosition() = 0;
  // The client area in screen coordinates, read again from the native window.
  virtual RectT<std::int32_t> GetBounds() = 0;
  // Adds a rectangle of the client area (client pixels) to what must be painted.
  virtual void InvalidateRect(const RectT<std::int32_t>& rect) = 0;
  // The native window lost the keyboard focus, or got it back.
  virtual void OnWindowFocusLost() = 0;
  virtual void RestoreFocus() = 0;
  // The native window's client size.
  virtual SizeT<std::int32_t> GetSize() = 0;
  // Moves and resizes the native window so its client area gets the rectangle (screen coordinates).
  virtual void SetBounds(const RectT<std::int32_t>& bounds) = 0;
  // Whether the window tracks a control under the mouse (hover).
  virtual bool HasHoverControl() = 0;
  // The control under the mouse (hover); null when none.
  virtual RCPtr<LControl> GetHoverControl() = 0;
  // The control at a client point and the point in its coordinates; with hoverUpdate the hover (and tool
  // tip) moves to it.
  virtual QZRESULT GetControlAtPoint(RCPtr<LControl>& control, const PointT<std::int32_t>& point,
                                     PointT<std::int32_t>& local, bool hoverUpdate) = 0;

  // The control that holds the pointer: the holder before it gets EndCapture
  // first. E_INVALIDARG for null, else 0.
  virtual QZRESULT SetCaptureControl(const RCPtr<LControl>& control) = 0;
  // No control holds the pointer any more. 0.
  virtual QZRESULT ClearCaptureControl() = 0;
  // The control that holds the pointer; null when none does.
  virtual RCPtr<LControl> GetCaptureControl() = 0;
  // Records the control that holds the keyboard focus (nothing for the same one). 0.
  virtual QZRESULT SetFocusedControl(const RCPtr<LControl>& control) = 0;
  // The focused control becomes the previous one and none holds the focus. 0.
  virtual QZRESULT ClearFocusedControl() = 0;
  // Shows a cursor (0: the application's default arrow); the one shown before.
  virtual CursorID SetCursor(CursorID cursor) = 0;
  // Tab left the window's tree: the next (with Shift, the previous) window
  // takes the focus; with one window the focus wraps inside it.
  virtual void TabToNextWindow(const RCPtr<LKeyParam>& key) = 0;

  // The window's hot keys, as the application's (IFrameworkApp): 1 when no
  // command is bound to the key; whether a key is bound to the id; the id,
  // without payload, to the hot keys' receiver. A window without hot keys
  // keeps these answers.
  virtual std::int32_t ProcessHotKey(const KeyCode& key) {
    static_cast<void>(key);
    return 1;
  }
  virtual bool HasHotKey(const WideString& id) {
    static_cast<void>(id);
    return false;
  }
  virtual void DeliverHotKeyCommand(const WideString& id) { static_cast<void>(id); }
  // The packed code of the first of the window's keys bound to the command
  // id; kNoHotKeyCode when none.
  virtual std::uint32_t FindFirstHotKey(const WideString& id) {
    static_cast<void>(id);
    return kNoHotKeyCode;
  }
  // What is sent to this receiver is queued on the window and delivered to
  // the window's clients in the next idle pass (the menu bar's commands);
  // null for a window without a queue.
  virtual RCPtr<LNotificationReceiver> GetQueuePostingReceiver() { return RCPtr<LNotificationReceiver>(); }
  // The control that held the focus before the present one (or before the
  // focus left the tree), null when none did; a window that does not track it
  // leaves out as it is.
  virtual void GetPreviousFocusedControl(RCPtr<LControl>& out) { static_cast<void>(out); }

  // A text-entry control gained (or lost) the focus: the native window may
  // start (or stop) text input for it. Nothing for a window without text input.
  virtual void SetTextInputFocus(bool gained, const RCPtr<LControl>& control, std::int32_t value) {
    static_cast<void>(gained);
    static_cast<void>(control);
    static_cast<void>(value);
  }
};

} // namespace QZ

QZ_TYPE_NAME(QZ::IRootWindow, "class QZ::IRootWindow")
