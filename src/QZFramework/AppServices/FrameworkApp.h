#pragma once
// What the graphics and control code asks of the application object: the
// seam between them and the framework application, which implements it. The
// application object registers itself as the process-wide application when it
// starts and withdraws when it goes; until then there is none.
//
// The control base extends this interface, as it grows, with the services it
// needs. The application pointer is set and read atomically; the services
// themselves are for the UI thread.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class IRootWindow;
class LControl;
class LControlFactory;
struct KeyCode;
class LFont;
class LRenderer;

// A cursor as the application hands it out for a cursor name; 0 is none.
using CursorID = std::uintptr_t;

// The packed code of no key (the invalid key of ControlBase/KeyCode.h), as the
// hot-key look-ups answer for a command no key is bound to.
inline constexpr std::uint32_t kNoHotKeyCode = 0x80000000u;

class IFrameworkApp {
public:
  virtual ~IFrameworkApp() = default;

  // The renderer of the first root window; null while no root window exists.
  virtual RCPtr<LRenderer> GetRenderer() = 0;
  // The system's icon-title font: face, size in points and style bits (1 bold,
  // 2 italic, 4 underline, 8 strike-out). E_FAIL when the system cannot say,
  // the outputs then unchanged.
  virtual QZRESULT GetSystemFont(WideString& face, float& size, std::int32_t& style) = 0;
  // The renderer type the native windows create.
  virtual std::int32_t GetRendererType() = 0;
  // Milliseconds of the system clock; callers compare differences of readings.
  virtual std::uint32_t GetMilliseconds() = 0;
  // Seconds, accumulated from millisecond differences.
  virtual double GetTime() = 0;
  // The control factory the application owns for its whole run: the skins,
  // the string tables and the control classes. Null before start-up made it.
  virtual LControlFactory* GetControlFactory() = 0;

  // The base font of controls whose font does not come from a parent: the
  // application font the current skin chose; null before the first skin.
  virtual RCPtr<LFont> GetDefaultFont() = 0;
  // The desktop work area {x, y, width, height} in screen pixels.
  virtual RectT<std::int32_t> GetWorkArea() = 0;
  // The pointer in screen coordinates.
  virtual PointT<std::int32_t> GetCursorPosition() = 0;
  // The mouse buttons held: 1 left, 2 middle, 4 right.
  virtual std::uint32_t GetMouseButtonState() = 0;
  // The last root window (searched from the last to the first) whose native
  // window reports itself active; null when none does.
  virtual RCPtr<IRootWindow> GetActiveRootWindow() = 0;
  // The cursor for one of the "UI_CURSOR_" names; 0 for a name it lacks.
  virtual CursorID GetCursor(const WideString& name) = 0;
  // Status texts on the main window's status bar: E_FAIL without a main window
  // or without a status bar, and nothing changes.
  virtual QZRESULT SetStatusText(const WideString& text, bool immediately) = 0;
  virtual QZRESULT RefreshStatusText(bool immediately) = 0;
  // One idle pass of the application (queued notifications, then "NID_IDLE"
  // when sendIdle); true when more idle work remains.
  virtual bool ProcessIdle(bool sendIdle) = 0;
  // The root window at that index (0 is the main window); null past the last.
  virtual RCPtr<IRootWindow> GetRootWindow(std::uint32_t index) = 0;

  // The application's global hot keys, the last stop of a key nobody used.
  // ProcessGlobalHotKey: 1 when no command is bound to the key, else 0 once
  // the command went to the hot keys' receiver. HasGlobalHotKey: whether a
  // key is bound to the command id. DeliverGlobalHotKeyCommand: the command
  // id, without payload, to the hot keys' receiver. An application without
  // hot keys keeps these answers.
  virtual std::int32_t ProcessGlobalHotKey(const KeyCode& key) {
    static_cast<void>(key);
    return 1;
  }
  virtual bool HasGlobalHotKey(const WideString& id) {
    static_cast<void>(id);
    return false;
  }
  virtual void DeliverGlobalHotKeyCommand(const WideString& id) { static_cast<void>(id); }
  // The packed code of the first global key bound to the command id (menus
  // show it as the item's hot-key text); kNoHotKeyCode when none.
  virtual std::uint32_t FindFirstGlobalHotKey(const WideString& id) {
    static_cast<void>(id);
    return kNoHotKeyCode;
  }
  // The modifier keys held now (kModifierCtrl, kModifierShift, kModifierAlt);
  // none for an application that cannot ask the keyboard.
  virtual std::uint32_t GetModifierKeys() { return 0; }
  // Moves the pointer to a point of the screen; an application that cannot
  // move it leaves it where it is.
  virtual void SetCursorPosition(const PointT<std::int32_t>& screen) { static_cast<void>(screen); }

  // The application's clipboard, for the controls that edit text. Get: the
  // object on the clipboard (text comes as an LWrapperStringable of a wide
  // string), null when it holds none. Set: puts the object there; 0, or a
  // failure when it cannot. IsEditCommandAvailable: whether the focused edit
  // target of the active window can run the edit (the codes of
  // ControlBase/EditTarget.h) now. An application without a clipboard keeps
  // these answers.
  virtual RCPtr<LRefCountedObject> GetClipboardText() { return RCPtr<LRefCountedObject>(); }
  virtual QZRESULT SetClipboardText(const RCPtr<LRefCountedObject>& data) {
    static_cast<void>(data);
    return E_FAIL;
  }
  virtual bool IsEditCommandAvailable(std::int32_t code) {
    static_cast<void>(code);
    return false;
  }

  // Shows the control in a modal window of its own (with the system menu when asked) and runs the window
  // until it closes: the code it closed with. E_FAIL for an application that cannot open windows.
  virtual std::int32_t DoModal(const RCPtr<LControl>& control, bool systemMenu) {
    static_cast<void>(control);
    static_cast<void>(systemMenu);
    return E_FAIL;
  }
};

// The process-wide application; null when none is registered.
IFrameworkApp* GetFrameworkApp();
// Registers the application (null withdraws it); returns the one registered before.
IFrameworkApp* SetFrameworkApp(IFrameworkApp* app);

} // namespace QZ
