#pragma once
// The editor's process: what runs before the application object exists and after it is gone. It starts
// the window system, loads the embedded skins and string tables, makes sure one editor runs per user
// (a second one hands its command line to the first and ends), reads the command line's debug switches,
// then makes the application, runs its start-up, makes and shows the main window and runs the main loop.
//
// Exit codes: 0 for a normal exit and for a second instance that handed over; every start-up failure shows
// the start-up error box (no owner) and exits with kExitCodeStartupFailed.
//
// Order: InitApplication (window system, resources, single-instance test), InitInstance (debug switches),
// Run (StartEditor, RunMainLoop, ShutDown). Tests may call the steps of Run one by one.
//
// Threads: the UI thread, the one that made the object.

#include "Panel/Main/Application.h"
#include "Panel/Main/StartupErrors.h"
#include "Platform/App/AppHost.h"
#include "Platform/Instance/SingleInstance.h"
#include "QZFramework/Application/SplashWindow.h"
#include "QZFramework/ControlBase/ControlFactory.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace QZ {

// The hooks the program reads from its environment, for tests and measurements:
//   PELLAN_VORN_SCREEN_DPI=<n>           the screen is taken to have n pixels per inch (1-10000)
//   PELLAN_VORN_EXIT_AFTER_FIRST_FRAME=1 once the main window's first frame is shown, the program writes
//                                        "first frame" to standard output and asks to exit (as Alt+F4 does)
//   PELLAN_VORN_SCREENSHOT=<file>        once the first idle pass has shown the engine's values, the program
//                                        writes its main window's pixels, at the whole layout's size, to
//                                        <file> as PNG, says "screenshot <file>" (or why it could not) and asks
//                                        to exit
//   PELLAN_VORN_SCREENSHOT_OPEN=<path>   with the screenshot: the combo box at that path of names under the
//                                        device view ("arpeggiator/noteRepeatClock/comboBox") takes the focus
//                                        and opens its list before the picture is taken
inline constexpr const char* kEnvironmentScreenDpi = "PELLAN_VORN_SCREEN_DPI";
inline constexpr const char* kEnvironmentExitAfterFirstFrame = "PELLAN_VORN_EXIT_AFTER_FIRST_FRAME";
inline constexpr const char* kFirstFrameMarker = "first frame";
inline constexpr const char* kEnvironmentScreenshot = "PELLAN_VORN_SCREENSHOT";
inline constexpr const char* kScreenshotMarker = "screenshot ";
inline constexpr const char* kEnvironmentScreenshotOpen = "PELLAN_VORN_SCREENSHOT_OPEN";
// The language of the string tables when the caller gives none (-1): US English.
inline constexpr std::int32_t kDefaultLanguageId = 0x0409;
// The start-up picture: a "GDIPLUS" resource of this name shows in the splash window while the editor starts.
// The program holds none, so it starts without one.
inline constexpr const char16_t* kSplashImageName = u"Splash.png";
// How long the first instance waits for a connected second instance's bytes.
inline constexpr std::int32_t kHandOverReadTimeoutMs = 500;
// How often a quiet editor looks for a hand-over from a second instance.
inline constexpr std::uint32_t kHandOverPollMs = 250;

struct SEditorOptions {
  // The whole command line, UTF-8: the program's path and its arguments joined by blanks.
  NarrowString mCommandLine;
  // Where the skins and string tables come from: "::" (embedded) or a folder.
  WideString mResourceFolder{kResourceFolder};
  std::int32_t mLanguageId = -1;
  SApplicationEnvironment mEnvironment;
  bool mExitAfterFirstFrame = false;
  // Where the screenshot hook writes the main window (UTF-8 path); empty: no screenshot.
  std::string mScreenshotPath;
  // The combo box the screenshot shows open (names under the device view, "/" between); empty: none.
  std::string mScreenshotOpen;
  // The folder of the single-instance lock and socket; empty: the user's runtime folder.
  std::string mInstanceFolder;
  // The splash window's picture, by resource name.
  WideString mSplashImageName{kSplashImageName};
};

// The command line and the hooks above from the program's arguments and environment.
SEditorOptions EditorOptionsFromProcess(int argc, const char* const* argv);
// A switch text of PELLAN_VORN_SCREEN_DPI: a whole decimal number 1-10000, else nothing.
std::optional<std::int32_t> ParseScreenDpi(const char* text);

class CEditorProcess : public Platform::AppHost {
public:
  explicit CEditorProcess(SEditorOptions options);
  ~CEditorProcess() override;
  CEditorProcess(const CEditorProcess&) = delete;
  CEditorProcess& operator=(const CEditorProcess&) = delete;

  // The whole run; the process's exit code.
  int Execute();

  // False ends the process: a start-up failure (the box was shown) or a second instance that handed over.
  bool InitApplication() override;
  bool InitInstance() override;
  // StartEditor, RunMainLoop, ShutDown. The exit code.
  int Run() override;

  // The application, its start-up, the main window with "mainControl", shown and painted once, and the
  // hand-over listener. False after a failure (the box was shown, the application is gone).
  bool StartEditor();
  void RunMainLoop();
  void ShutDown();
  // Takes one waiting hand-over of a second instance, if any, to the application. True when one came.
  bool PollHandOver(std::int32_t timeoutMs);
  // The main window's client area as it is painted now, written as a PNG file. False when there is no
  // window, its pixels cannot be read or the file cannot be written.
  bool WriteScreenshot(const std::string& path);
  // The screenshot's open combo box: the drop-down control at that path of names under the device view takes
  // the focus and opens. Nothing for an empty path; a path that names no drop-down control is reported on the
  // error stream.
  void OpenForScreenshot(const std::string& path);
  // The splash window, when its picture is among the resources and none runs yet: started with a progress
  // animation from 0 to 100 over 8 seconds. Stopping brings the bar to 100 and closes it; nothing without one.
  void StartSplash();
  void StopSplash();

  StartupOutcome GetOutcome() const { return mOutcome; }
  LApplication* GetApplication() const { return mApplication.Get(); }
  const RCPtr<LControlFactory>& GetFactory() const { return mFactory; }
  const SEditorOptions& GetOptions() const { return mOptions; }
  SplashWindow* GetSplash() const { return mSplash.get(); }

private:
  void Fail();
  // What runs after each first idle pass: the hand-over poll, and the screenshot hook once.
  void OnFirstIdle();
  // The second instance's side: true when this process should go on.
  bool CheckSingleInstance();

  SEditorOptions mOptions;
  StartupOutcome mOutcome = StartupOutcome::kRan;
  bool mWindowSystemStarted = false;
  RCPtr<LControlFactory> mFactory;
  RCPtr<LStringTable> mFrameworkStrings;
  std::unique_ptr<Platform::InstanceLock> mInstanceLock;
  RCPtr<LApplication> mApplication;
  std::unique_ptr<SplashWindow> mSplash;
  bool mListening = false;
  bool mScreenshotTaken = false;
};

} // namespace QZ
