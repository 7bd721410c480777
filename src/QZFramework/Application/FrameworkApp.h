#pragma once
// LFrameworkApp: the framework's application object, one per process. It owns
// the control factory (skins, string tables, control classes), the list of
// root windows (index 0 is the main window while it lives), the global hot-key
// manager, the clipboard and the application font; it runs the framework's part
// of start-up, the main-loop wrapper, the idle pass, the exit request, skin
// switching and shutdown.
//
// It is abstract: the editor application supplies the services that depend on
// the product (names, settings files, cursors, clocks, the system font, the key
// state, the main window). The message loop and the message boxes have
// defaults over the platform (the application host and the platform's message
// box). While it lives, the platform's waits for dialogs of other programs (message
// boxes, the shell's opener) keep its windows painting (PaintingWait.h).
//
// Lifecycle: construct (registers the process-wide application, makes the
// "application" center, the hot-key manager aimed at that center's queue and an
// uninitialised clipboard), RunApplicationStartup, CreateMainWindow, Run,
// RunApplicationShutdown, release. The destructor leaves every subscription,
// releases the center manager, turns notification pooling off and withdraws the
// process-wide application, in that order. The exit flag only goes from false
// to true, on "NID_APP_EXIT_REQ".
//
// Threads: everything runs on the UI thread. Other threads reach the
// application only by posting to a center's queue, which the idle pass
// delivers; such a post wakes the host's loop.
//
// Idle: the host's loop sleeps until an event or the next due idle work
// (GetIdleWaitTime): at once while work remains, at the host's fixed wait time
// while a control asks for idle passes, otherwise until something happens.

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/System/ClipBoard.h"
#include "QZFramework/System/HotKeys.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/IniFileManager.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include "Platform/Dialogs/ModalWait.h"

#include <array>
#include <cstdint>
#include <vector>

namespace QZ::Platform {
class AppHost;
}

namespace QZ {

// The cursor names the framework asks the application for (GetCursor).
inline constexpr const char16_t* kCursorAppStarting = u"UI_CURSOR_APP_STARTING";
inline constexpr const char16_t* kCursorArrow = u"UI_CURSOR_ARROW";
inline constexpr const char16_t* kCursorCross = u"UI_CURSOR_CROSS";
inline constexpr const char16_t* kCursorDropCopy = u"UI_CURSOR_DROP_COPY";
inline constexpr const char16_t* kCursorDropMove = u"UI_CURSOR_DROP_MOVE";
inline constexpr const char16_t* kCursorHand = u"UI_CURSOR_HAND";
inline constexpr const char16_t* kCursorHelp = u"UI_CURSOR_HELP";
inline constexpr const char16_t* kCursorIBeam = u"UI_CURSOR_IBEAM";
inline constexpr const char16_t* kCursorMag = u"UI_CURSOR_MAG";
inline constexpr const char16_t* kCursorMagMinus = u"UI_CURSOR_MAG_MINUS";
inline constexpr const char16_t* kCursorMagPlus = u"UI_CURSOR_MAG_PLUS";
inline constexpr const char16_t* kCursorNoDrop = u"UI_CURSOR_NO_DROP";
inline constexpr const char16_t* kCursorRotate = u"UI_CURSOR_ROTATE";
inline constexpr const char16_t* kCursorSizeAll = u"UI_CURSOR_SIZE_ALL";
inline constexpr const char16_t* kCursorSizeNESW = u"UI_CURSOR_SIZE_NESW";
inline constexpr const char16_t* kCursorSizeNS = u"UI_CURSOR_SIZE_NS";
inline constexpr const char16_t* kCursorSizeNWSE = u"UI_CURSOR_SIZE_NWSE";
inline constexpr const char16_t* kCursorSizeWE = u"UI_CURSOR_SIZE_WE";
inline constexpr const char16_t* kCursorSplitH = u"UI_CURSOR_SPLIT_H";
inline constexpr const char16_t* kCursorSplitV = u"UI_CURSOR_SPLIT_V";
inline constexpr const char16_t* kCursorUpArrow = u"UI_CURSOR_UP_ARROW";
inline constexpr const char16_t* kCursorWait = u"UI_CURSOR_WAIT";
// The cursor that the root window, the base control and the end of a drag
// restore.
inline constexpr const char16_t* kCursorDefault = kCursorArrow;

// Every cursor name, in the order above.
inline constexpr std::array<const char16_t*, 22> kCursorNames = {
    kCursorAppStarting, kCursorArrow,   kCursorCross,    kCursorDropCopy, kCursorDropMove, kCursorHand,
    kCursorHelp,        kCursorIBeam,   kCursorMag,      kCursorMagMinus, kCursorMagPlus,  kCursorNoDrop,
    kCursorRotate,      kCursorSizeAll, kCursorSizeNESW, kCursorSizeNS,   kCursorSizeNWSE, kCursorSizeWE,
    kCursorSplitH,      kCursorSplitV,  kCursorUpArrow,  kCursorWait};

// The application's cursor for a name; 0 without an application.
CursorID GetCursorID(const WideString& name);

// The identifiers the application object sends or answers.
inline constexpr const char16_t* kNidAppExitRequest = u"NID_APP_EXIT_REQ";

// Settings keys and files.
inline constexpr const char16_t* kSettingCurrentSkinIndex = u"CurrentSkinIndex";
inline constexpr std::int32_t kSettingsFileApplication = 0;
inline constexpr std::int32_t kSettingsFileUser = 1;

class LFrameworkApp : public virtual LNotificationClient, public IFrameworkApp {
public:
  // The message-box style of the start-up error: the error icon, one button.
  static constexpr std::uint32_t kErrorBoxStyle = 0x10;

  // host runs the message loop (RunMessageLoop) and must outlive the object.
  LFrameworkApp(const RCPtr<LControlFactory>& factory, const NarrowString& commandLine,
                const RCPtr<LStringTable>& frameworkStrings, Platform::AppHost& host);
  ~LFrameworkApp() override;
  LFrameworkApp(const LFrameworkApp&) = delete;
  LFrameworkApp& operator=(const LFrameworkApp&) = delete;

  // ---- Start-up, loop, shutdown

  // Pooling on, the framework control classes, the global hot keys ("GHK"
  // entries of the application's string table), the clipboard, the skin the
  // user settings name (clamped to the skins there are). 0; E_FAIL when a step
  // failed, which ends the start-up there. Overrides call it first.
  virtual QZRESULT RunApplicationStartup();
  // Repaints the main window, runs the message loop and the idle pass around
  // it. An exception out of the loop shows "STARTUP_ERROR" and requests the
  // exit, which the final idle pass delivers. The final pass's answer.
  virtual bool Run();
  // Called by Run before the loop; nothing here.
  virtual void OnBeforeMessageLoop();
  // The platform message loop: the host's loop with OnPlatformIdle as its idle
  // handler, until a quit request. The loop's result.
  virtual std::int32_t RunMessageLoop();
  // Releases the factory, the hot-key manager and the clipboard, in that order.
  // 0. Overrides add their own steps.
  virtual QZRESULT RunApplicationShutdown();
  // The idle handler for the platform's idle calls: while no exit is
  // requested, one idle pass ("NID_IDLE" only at count 0); another call is
  // wanted only when work remains and the count is below 2, so one idle period
  // has at most three passes.
  bool OnPlatformIdle(std::int32_t idleCount);
  // How long the host's loop may sleep before its next idle period: 0 when the
  // last pass left work, the host's fixed wait time while a control of a root
  // window asks for idle passes (its timers), else the idle poll interval when
  // one is set, else until an event, a paint or a post from another thread
  // (which wakes the loop).
  std::uint32_t GetIdleWaitTime();
  // For work an idle pass polls because nothing announces it (a listening
  // socket): the loop comes back at least this often. 0: no such work.
  void SetIdlePollInterval(std::uint32_t milliseconds) { mIdlePollMs = milliseconds; }

  // ---- Idle pass and exit

  // Every center's queue (last to first), then every root window's idle part
  // (last to first, each one even when work remains already); true when any
  // still has work.
  bool ProcessIdle(bool sendIdle) override;
  // "NID_APP_EXIT_REQ" sets the exit flag and asks root windows count-1 ... 1
  // to close (the main window is the application's to close). 0.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  bool IsExitRequested() const { return mExitRequested; }
  // A command line handed over by a second instance; ignored here. 0.
  virtual std::int32_t OnCopyData(const NarrowString& text);

  // ---- Skins

  // Switches to skin index: the system font (a failure raises), the factory's
  // current skin, the skin's font over the system font as the application
  // font, every root window rebuilt with its focus taken and given back, and
  // the index stored in the user settings when they are open. 0; E_INVALIDARG
  // (and nothing changed) for an index the factory has no skin for.
  virtual QZRESULT SetSkin(std::int32_t index);
  // "CurrentSkinIndex" of the user settings; 0 without them.
  virtual std::int32_t GetCurrentSkinIndex();
  RCPtr<LFont> GetDefaultFont() override { return mFont; }

  // ---- Root windows

  // Appends the window unless listed; its index either way. -1 for null.
  std::int32_t AddRootWindow(const RCPtr<IRootWindow>& rootWindow);
  // 0 once removed; -1 (nothing changes) when it is not listed.
  std::int32_t RemoveRootWindow(const RCPtr<IRootWindow>& rootWindow);
  // The index searched from the last to the first; -1 when absent.
  std::int32_t IndexOfRootWindow(const RCPtr<IRootWindow>& rootWindow) const;
  std::uint32_t GetRootWindowCount() const { return mRootWindows.GetCount(); }
  // Null past the last.
  RCPtr<IRootWindow> GetRootWindow(std::uint32_t index) override {
    return index < mRootWindows.GetCount() ? mRootWindows.GetAt(index) : RCPtr<IRootWindow>();
  }
  RCPtr<IRootWindow> GetActiveRootWindow() override;

  // ---- Services

  RCPtr<LRenderer> GetRenderer() override;
  LControlFactory* GetControlFactory() override { return mFactory.Get(); }
  const RCPtr<LStringTable>& GetFrameworkStringTable() const { return mFrameworkStrings; }
  const RCPtr<LStringTable>& GetApplicationStringTable() const { return mApplicationStrings; }
  const RCPtr<LGlobalHotKeyManager>& GetGlobalHotKeyManager() const { return mHotKeys; }
  // The global hot keys for the control base. While a modal loop runs, the
  // application's commands belong to the windows behind it and do not act:
  // only the edit commands, which work on the focused control (the modal
  // window's), still do; any other bound key answers 1, as an unbound one.
  std::int32_t ProcessGlobalHotKey(const KeyCode& key) override;
  bool HasGlobalHotKey(const WideString& id) override;
  void DeliverGlobalHotKeyCommand(const WideString& id) override;
  std::uint32_t FindFirstGlobalHotKey(const WideString& id) override;
  std::uint32_t GetModifierKeys() override { return GetModifierKeyState(); }
  const RCPtr<LClipboard>& GetClipboard() const { return mClipboard; }
  // The clipboard's answers (LClipboard); null, E_FAIL and false without it.
  RCPtr<LRefCountedObject> GetClipboardText() override;
  QZRESULT SetClipboardText(const RCPtr<LRefCountedObject>& data) override;
  bool IsEditCommandAvailable(std::int32_t code) override;
  const NarrowString& GetCommandLine() const { return mCommandLine; }

  // The active root window's answer, else the key state of the three buttons.
  std::uint32_t GetMouseButtonState() override;
  // The active root window's pointer in screen coordinates, else the platform's.
  PointT<std::int32_t> GetCursorPosition() override;
  // No status bar exists in this system: E_FAIL, nothing changes.
  QZRESULT SetStatusText(const WideString& text, bool immediately) override;
  QZRESULT RefreshStatusText(bool immediately) override;
  // The platform's modal message box; the button pressed.
  virtual std::int32_t ShowMessageBox(const WideString& text, const WideString& caption, std::uint32_t style);
  // The settings store.
  IIniFileManager* GetSettings() { return GetIniFileManager(); }

  // ---- Supplied by the application

  virtual WideString GetCompanyName() = 0;
  virtual WideString GetProductName() = 0;
  virtual WideString GetProductVersion() = 0;
  virtual WideString GetSettingsVersion() = 0;
  virtual WideString GetApplicationName() = 0;
  // The skin name of the main window's control.
  virtual WideString GetMainControlName() = 0;
  virtual std::int32_t GetLanguageId() = 0;
  // Whether the key of a virtual-key code (1, 2 and 4: the mouse buttons) is
  // down and toggled on.
  virtual void GetKeyState(std::uint32_t virtualKey, bool& down, bool& toggled) = 0;
  virtual IIniFileManager* GetIniFileManager() = 0;
  // The open settings file of a kind (kSettingsFileApplication,
  // kSettingsFileUser); 0 when it is not open.
  virtual IniFileHandle GetSettingsFile(std::int32_t kind) = 0;
  virtual void ShowCursor(bool show) = 0;
  void SetCursorPosition(const PointT<std::int32_t>& screen) override = 0;
  virtual QZRESULT CreateMainWindow() = 0;

  // The host whose loop the application and its modal windows run.
  Platform::AppHost& GetHost() { return mHost; }

protected:
private:
  // Snapshot of the list, so that windows may come and go during a walk.
  std::vector<RCPtr<IRootWindow>> RootWindows() const;

  RCPtr<LControlFactory> mFactory;
  NarrowString mCommandLine;
  RCPtrArray<IRootWindow> mRootWindows;
  RCPtr<LStringTable> mFrameworkStrings;
  RCPtr<LStringTable> mApplicationStrings;
  bool mExitRequested = false;
  RCPtr<LFont> mFont;
  RCPtr<LGlobalHotKeyManager> mHotKeys;
  RCPtr<LClipboard> mClipboard;
  Platform::AppHost& mHost;
  // The last idle pass's answer: work remains.
  bool mIdleWorkLeft = false;
  std::uint32_t mIdlePollMs = 0;
  IFrameworkApp* mPreviousApp = nullptr;
  Platform::ModalWait mPreviousModalWait;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LFrameworkApp, "class QZ::LFrameworkApp")
