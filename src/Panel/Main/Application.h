#pragma once
// LApplication: the editor's application object. It answers the services the framework asks of the
// product (names and version strings, folders and settings files, cursors, the system font, clocks, the key
// state, message boxes, windows for controls), owns the engine and the MIDI manager, chooses the skin by the
// screen's resolution, registers the editor's skin classes and makes the main window from "mainControl".
//
// Start-up order (RunApplicationStartup): the framework's part (control classes, "GHK" hot keys, clipboard,
// the stored skin), then "NID_APP_EXIT_REQ" subscribed on the application center and Alt+F4 bound to it
// unless the "GHK" entries bound that key, the "GHK_WIN" hot keys, the "PresetEditor." classes, the engine
// (made the process's engine before anything reads it), the MIDI manager, and last the skin for the screen.
// The engine always exists before the MIDI manager; shutdown releases the manager first.
//
// The exit request ends the main loop: the framework's handling, then the host's quit.
//
// Threads: the UI thread. The engine and the MIDI manager run workers of their own.

#include "DeviceControl/Engine/PresetEditorCommon/MidiManager.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "Panel/Main/ApplicationFolders.h"
#include "Platform/Window/WindowTypes.h"
#include "QZFramework/Application/ControlClassRegistry.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Utilities/Storage/IniFileManager.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace QZ {

// The main window's class name: the single-instance lock and the placement profile's section are named after it.
inline constexpr const char16_t* kMainWindowClassName = u"PellanWirelessVornPresetEditorMainWindowClass";
inline constexpr const char* kMainWindowClassNameUtf8 = "PellanWirelessVornPresetEditorMainWindowClass";
inline constexpr const char16_t* kMainControlName = u"mainControl";
// The placement profile, beside the user settings.
inline constexpr const char16_t* kPlacementProfileFileName = u"WindowPlacement.ini";
inline constexpr std::int32_t kApplicationIconId = 2002;
// The icon's picture among the program's resources: a PNG file of this type and name.
inline constexpr const char* kIconResourceType = "ICON";
inline constexpr const char* kIconResourceName = "2002";
// The drop cursors' pictures among the program's resources: PNG files of this type and these names.
inline constexpr const char* kPictureResourceType = "GDIPLUS";
inline constexpr const char* kCursorDropCopyPicture = "CURSOR_DROP_COPY_PNG";
inline constexpr const char* kCursorDropMovePicture = "CURSOR_DROP_MOVE_PNG";
inline constexpr const char16_t* kAltF4 = u"Alt+VKEY_F4";
inline constexpr const char16_t* kApplicationHotKeyPrefix = u"GHK_WIN";

// Window styles of the main window and of windows opened for controls (the values the stored callers use).
inline constexpr std::uint32_t kStyleFixedMainWindow = 0xCA0000;     // caption, system menu, minimise box
inline constexpr std::uint32_t kStyleResizableMainWindow = 0xCE0000; // and the sizing border
inline constexpr std::uint32_t kStyleMaximisableMainWindow = 0xCF0000;
inline constexpr std::uint32_t kStylePopupCaption = 0x80C00000;
inline constexpr std::uint32_t kStyleSystemMenu = 0x80000;
inline constexpr std::uint32_t kStyleSizingBorder = 0x40000;
inline constexpr std::uint32_t kStyleMinimiseBox = 0x20000;
inline constexpr std::uint32_t kStyleMaximiseBox = 0x10000;

// The main window's style from its control's size limits: fixed when (there is a minimum and the minimum
// equals the maximum on both axes) or all four limits refer to a control; else resizable, with a maximise
// box when neither maximum is set.
std::uint32_t MainWindowStyle(const LLayoutDescriptor& layout);
// A window opened for a control: a caption; the system menu with any flag; the two boxes; a sizing border
// for a modeless window whose control is not of fixed size.
std::uint32_t ControlWindowStyle(bool modal, bool systemMenu, bool minimiseBox, bool maximiseBox, bool fixedSize);

// The editor's skin classes ("PresetEditor." names) in their registration order, registered after the
// framework's.
std::span<const SControlClass> GetEditorControlClasses();

// The system's user-interface font as the window system gives it: a face and a character height in pixels
// (negative as the platform reports it), weight and flags.
struct SPlatformFont {
  WideString mFace;
  std::int32_t mHeight = 0;
  std::int32_t mWeight = 400;
  bool mItalic = false;
  bool mUnderline = false;
  bool mStrikeOut = false;
};
// Points at 96 pixels per inch whatever the screen, and the style bits (1 bold from weight 700, 2 italic,
// 4 underline, 8 strike-out).
void PlatformFontToPoints(const SPlatformFont& font, WideString& face, float& size, std::int32_t& style);

// What differs between the program and its tests: the resolution the screen is taken to have, and the system
// font.
struct SApplicationEnvironment {
  // Overrides the screen's pixels per inch.
  std::optional<std::int32_t> mScreenDpi;
  // The system font; the desktop's default (a 12-pixel sans face) when not given.
  std::optional<SPlatformFont> mSystemFont;
  // Overrides the desktop's work area (screen coordinates), as a smaller or larger screen would have it.
  std::optional<Platform::WindowRect> mWorkArea;
};

class LApplication : public LFrameworkApp {
public:
  LApplication(const RCPtr<LControlFactory>& factory, const RCPtr<LStringTable>& frameworkStrings,
               const NarrowString& commandLine, Platform::AppHost& host, std::int32_t languageId,
               SApplicationEnvironment environment = {});
  ~LApplication() override;

  // ---- Start-up, exit, shutdown

  QZRESULT RunApplicationStartup() override;
  // The main window of the main control's descriptor, its renderer and the saved placement fitted to the
  // desktop. E_FAIL when the window cannot be made; "Invalid Control Name" when the skin lacks the control.
  // A main control whose size follows the window's starts the window at its largest size (the whole layout).
  QZRESULT CreateMainWindow() override;
  // Once the main control is in the window: the window's size limits, the minimum lowered to what the work
  // area leaves beside the window's frame (the main control's own minimum with it, so the device view
  // scrolls rather than reaching past the window), and the window, frame included, shrunk and moved into
  // the work area. Run again once the window is shown, and FitWhenFramed has it run once more when the window
  // manager's frame is known (Show does not wait for it).
  void FitMainWindowToWorkArea();
  void FitWhenFramed() { mFitWhenFramed = true; }
  // The idle pass, and the fit FitWhenFramed asked for once the frame is known.
  bool ProcessIdle(bool sendIdle) override;
  // The main window at its largest size, whatever the desktop (the screenshot hook's full picture).
  void ShowWholeLayout();
  QZRESULT RunApplicationShutdown() override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  virtual bool CanExit() { return true; }
  // A second instance's command line; ignored. 0.
  std::int32_t OnCopyData(const NarrowString& text) override;
  // Brings the main window forward for a second instance (restored when minimised, its last pop-up on top)
  // and hands it the command line. Nothing without a main window.
  void TakeHandOver(std::span<const std::uint8_t> commandLine);
  // The host's loop with the framework's idle handling; the idle task runs after the first pass of every idle
  // period (about every 33 ms while nothing happens).
  std::int32_t RunMessageLoop() override;
  void SetIdleTask(std::function<void()> task) { mIdleTask = std::move(task); }
  // Gives the window the program's icon (resource 2002); false when the program has none.
  static bool SetApplicationIcon(Platform::Window& window);
  // Replaces the MIDI manager; the result of starting its connection watch.
  std::int32_t ReinitalizeMidiManager();

  // ---- Services

  WideString GetCompanyName() override;
  WideString GetProductName() override;
  WideString GetProductVersion() override;
  WideString GetSettingsVersion() override { return kSettingsVersion; }
  WideString GetApplicationName() override { return GetProductName(); }
  WideString GetMainControlName() override { return kMainControlName; }
  std::int32_t GetLanguageId() override { return mLanguageId; }
  WideString GetFolder(std::int32_t pathId);
  IniFileHandle GetSettingsFile(std::int32_t kind) override { return mSettingsFiles.Get(kind); }
  IIniFileManager* GetIniFileManager() override { return mSettings.Get(); }
  CursorID GetCursor(const WideString& name) override;
  QZRESULT GetSystemFont(WideString& face, float& size, std::int32_t& style) override;
  RectT<std::int32_t> GetWorkArea() override;
  std::int32_t GetRendererType() override { return kRendererTypeGDIPlus; }
  std::uint32_t GetMilliseconds() override;
  double GetTime() override;
  // Year, month, day of week, day, hour, minute, second, milliseconds. 0.
  std::int32_t GetLocalTime(std::array<std::int32_t, 8>& out);
  void GetKeyState(std::uint32_t virtualKey, bool& down, bool& toggled) override;
  // Before the main window exists the box has no owner; afterwards the active root window's, else the main
  // window's (the owner only orders the windows; the box is modal either way).
  std::int32_t ShowMessageBox(const WideString& text, const WideString& caption, std::uint32_t style) override;
  // The window that owns a message box shown now; null for none.
  IWindowOSServices* GetMessageBoxOwner();
  void ShowCursor(bool show) override;
  void SetCursorPosition(const PointT<std::int32_t>& screen) override;
  // A top-level control of the current skin, made without a root window.
  RCPtr<LControl> CreateControl(const WideString& name);
  // A window for an existing control, in the active (else the main) root window's place: the new root
  // window's index, or E_FAIL. The control's position is taken in the parent's client coordinates.
  std::int32_t CreateRootWindow(const RCPtr<LControl>& control, bool modal, bool systemMenu, bool minimiseBox,
                                bool maximiseBox);
  // A modal window for the control and its loop: the loop's result, or E_FAIL.
  std::int32_t DoModal(const RCPtr<LControl>& control, bool systemMenu) override;
  // A modeless window for the control: its root window's index, or E_FAIL.
  std::int32_t OpenWindow(const RCPtr<LControl>& control, bool systemMenu, bool minimiseBox, bool maximiseBox);

  // ---- The editor's

  const RCPtr<LRootModuleEngine>& GetEngine() const { return mEngine; }
  RCPtr<LMidiManager> GetMidiManager() const { return mMidiManager; }
  bool IsHighDpi() const { return mHighDpi; }
  OSWindow* GetMainWindow() const { return mMainWindow; }
  // The style the main window was made with (0 before).
  std::uint32_t GetMainWindowStyle() const { return mMainWindowStyle; }
  std::int32_t GetScreenDpi() const;

  // The running application, or null.
  static LApplication* GetRunning();

private:
  void RestorePlacement();
  void SavePlacement(const Platform::WindowPlacement& placement);
  IniFileHandle GetPlacementProfile();

  std::int32_t mLanguageId;
  SApplicationEnvironment mEnvironment;
  RCPtr<LIniFileManager> mSettings;
  CSettingsFiles mSettingsFiles;
  IniFileHandle mPlacementProfile = 0;
  RCPtr<LRootModuleEngine> mEngine;
  RCPtr<LMidiManager> mMidiManager;
  bool mHighDpi = false;
  OSWindow* mMainWindow = nullptr;
  std::uint32_t mMainWindowStyle = 0;
  std::chrono::steady_clock::time_point mClockStart;
  std::uint32_t mLastMilliseconds = 0;
  double mSeconds = 0;
  std::function<void()> mIdleTask;
  bool mFitWhenFramed = false;
  // The cursors made from pictures, by resource name (kNoCursor: the picture could not be used).
  std::map<std::string, CursorID> mPictureCursors;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LApplication, "class LApplication")
