#include "Panel/Main/ApplicationBaseWin.h"

#include "Panel/Main/CommandLine.h"
#include "Panel/Main/Version.h"
#include "Platform/App/MessageBox.h"
#include "Platform/Graphics2D/Image.h"
#include "Platform/Resources/Resources.h"
#include "Platform/Window/Window.h"
#include "Platform/Window/WindowSystem.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Application/RootWindow.h"
#include "QZFramework/Controls/DropDownControl.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Renderer/OpenGL/GLRenderer.h"
#include "UI/DriverCommon/MainControl.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string_view>
#include <utility>
#include <vector>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "include\\../Application/ApplicationBaseWin";
constexpr const char* kInitApplication = "QZ::MFCFrameworkApp<class LApplication>::InitApplication";
constexpr const char* kRun = "QZ::MFCFrameworkApp<class LApplication>::Run";
constexpr std::int32_t kMaxScreenDpi = 10000;
// The splash's animation: 0 to 100 over this many seconds.
constexpr std::int32_t kSplashSeconds = 8;

// The command line as it is handed over: its UTF-8 bytes and the terminating zero.
std::vector<std::uint8_t> HandOverBytes(const NarrowString& commandLine) {
  const auto* chars = reinterpret_cast<const std::uint8_t*>(commandLine.GetChars());
  std::vector<std::uint8_t> bytes(chars, chars + commandLine.GetLength());
  bytes.push_back(0);
  return bytes;
}

} // namespace

std::optional<std::int32_t> ParseScreenDpi(const char* text) {
  if (text == nullptr)
    return std::nullopt;
  const std::string_view view(text);
  std::int32_t value = 0;
  const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
  if (error != std::errc() || end != view.data() + view.size() || value < 1 || value > kMaxScreenDpi)
    return std::nullopt;
  return value;
}

SEditorOptions EditorOptionsFromProcess(int argc, const char* const* argv) {
  SEditorOptions options;
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (i > 0)
      line.push_back(' ');
    line.append(argv[i]);
  }
  options.mCommandLine = NarrowString(line.c_str());
  options.mEnvironment.mScreenDpi = ParseScreenDpi(std::getenv(kEnvironmentScreenDpi));
  const char* exitHook = std::getenv(kEnvironmentExitAfterFirstFrame);
  options.mExitAfterFirstFrame = exitHook != nullptr && *exitHook != '\0' && std::strcmp(exitHook, "0") != 0;
  if (const char* screenshot = std::getenv(kEnvironmentScreenshot))
    options.mScreenshotPath = screenshot;
  if (const char* open = std::getenv(kEnvironmentScreenshotOpen))
    options.mScreenshotOpen = open;
  return options;
}

CEditorProcess::CEditorProcess(SEditorOptions options) : mOptions(std::move(options)) {
  if (mOptions.mLanguageId == -1)
    mOptions.mLanguageId = kDefaultLanguageId;
}

CEditorProcess::~CEditorProcess() {
  ShutDown();
  StopSplash();
  mInstanceLock.reset();
  mFrameworkStrings = RCPtr<LStringTable>();
  mFactory = RCPtr<LControlFactory>();
  if (mWindowSystemStarted)
    Platform::StopWindowSystem();
}

int CEditorProcess::Execute() {
  if (!InitApplication())
    return ExitCodeFor(mOutcome);
  if (!InitInstance())
    return ExitCodeFor(StartupOutcome::kFailed);
  return Run();
}

void CEditorProcess::Fail() {
  StopSplash();
  mOutcome = StartupOutcome::kFailed;
  const SStartupErrorTexts texts = GetStartupErrorTexts(mFrameworkStrings.Get());
  static_cast<void>(Platform::ShowMessageBox(ToUtf8(texts.mText), ToUtf8(texts.mCaption),
                                             Platform::kMessageBoxIconError | Platform::kMessageBoxStyleOk));
}

bool CEditorProcess::InitApplication() {
  if (!Platform::AppHost::InitApplication() || !(mWindowSystemStarted = Platform::StartWindowSystem())) {
    // Without a display the box below may have nowhere to show: the reason goes to the error stream as well.
    std::fprintf(stderr, "%s\n", Platform::GetWindowSystemError().c_str());
    Fail();
    return false;
  }
  StartSplash();
  try {
    mFactory = MakeRCPtr<LControlFactory>(Version::GetProductName());
    ThrowIfFailed(mFactory->LoadResources(mOptions.mResourceFolder, mOptions.mLanguageId), kInitApplication,
                  kSourcePath, 169);
    mFrameworkStrings = mFactory->GetFrameworkStringTable();
    // The OpenGL renderer is there for windows that ask for it; its error texts come from the framework table.
    LGLRenderer::Register(SGLRendererServices{nullptr, [strings = mFrameworkStrings](const char* key) {
                                                WideString text;
                                                if (strings) {
                                                  WideString id;
                                                  id.AssignNarrow(key);
                                                  static_cast<void>(strings->GetString(id.GetChars(), text));
                                                }
                                                return text;
                                              }});
    return CheckSingleInstance();
  } catch (const std::exception&) {
    Fail();
    return false;
  }
}

bool CEditorProcess::CheckSingleInstance() {
  Platform::InstanceStatus status = Platform::InstanceStatus::kFailed;
  mInstanceLock = Platform::InstanceLock::Acquire(kMainWindowClassNameUtf8, status, mOptions.mInstanceFolder);
  if (status != Platform::InstanceStatus::kSecond)
    return true; // the first, or no lock to be had: this editor runs
  const std::vector<std::uint8_t> bytes = HandOverBytes(mOptions.mCommandLine);
  const Platform::HandOverResult result =
      Platform::HandOverToFirstInstance(kMainWindowClassNameUtf8, kCopyDataCommandLine, bytes,
                                        Platform::kDefaultHandOverTimeoutMs, mOptions.mInstanceFolder);
  // The first editor has no main window yet, or cannot be reached at all: this one runs as well.
  if (result == Platform::HandOverResult::kNoListener || result == Platform::HandOverResult::kFailed)
    return true;
  mOutcome = StartupOutcome::kHandedOver;
  return false;
}

bool CEditorProcess::InitInstance() {
  ApplyDebugOutputSwitch(ParseDebugOutputSwitch(UpperCaseAscii(mOptions.mCommandLine)));
  return true;
}

int CEditorProcess::Run() {
  if (StartEditor()) {
    RunMainLoop();
    ShutDown();
  }
  return ExitCodeFor(mOutcome);
}

bool CEditorProcess::StartEditor() {
  try {
    mApplication = MakeRCPtr<LApplication>(mFactory, mFrameworkStrings, mOptions.mCommandLine, *this,
                                           mOptions.mLanguageId, mOptions.mEnvironment);
    ThrowIfFailed(mApplication->RunApplicationStartup(), kRun, kSourcePath, 380);
    ThrowIfFailed(mApplication->CreateMainWindow(), kRun, kSourcePath, 361);
    OSWindow* window = mApplication->GetMainWindow();
    const RCPtr<LRootWindow>& root = window->GetRootWindow();
    ThrowIfFailed(root ? root->SetRootControlByName(mApplication->GetMainControlName()) : E_FAIL, kRun,
                  kSourcePath, 362);
    // The screenshot shows the whole layout, whatever the desktop; any other start fits the desktop's work
    // area, and once more when the window manager has framed the window.
    const bool wholeLayout = !mOptions.mScreenshotPath.empty();
    if (wholeLayout)
      window->ApplySizeLimits();
    else
      mApplication->FitMainWindowToWorkArea();
    static_cast<void>(window->Show(true));
    if (wholeLayout)
      mApplication->ShowWholeLayout();
    else {
      mApplication->FitMainWindowToWorkArea();
      mApplication->FitWhenFramed();
    }
    static_cast<void>(window->RedrawNow());
    StopSplash();
  } catch (const std::exception&) {
    ShutDown();
    Fail();
    return false;
  }
  mListening = mInstanceLock && mInstanceLock->Listen();
  // Nothing wakes the loop when a second instance hands over: the idle task looks now and then.
  if (mListening)
    mApplication->SetIdlePollInterval(kHandOverPollMs);
  if (mListening || !mOptions.mScreenshotPath.empty())
    mApplication->SetIdleTask([this] { OnFirstIdle(); });
  if (mOptions.mExitAfterFirstFrame) {
    std::fputs(kFirstFrameMarker, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (const RCPtr<LNotificationCenter>& center = GetApplicationNotificationCenter())
      static_cast<void>(center->Post(LNotification::Create(kNidAppExitRequest)));
  }
  return true;
}

void CEditorProcess::OnFirstIdle() {
  if (mListening)
    static_cast<void>(PollHandOver(0));
  if (mOptions.mScreenshotPath.empty() || mScreenshotTaken)
    return;
  mScreenshotTaken = true;
  OpenForScreenshot(mOptions.mScreenshotOpen);
  if (WriteScreenshot(mOptions.mScreenshotPath)) {
    std::fputs(kScreenshotMarker, stdout);
    std::fputs(mOptions.mScreenshotPath.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
  } else {
    std::fprintf(stderr, "cannot write the screenshot %s\n", mOptions.mScreenshotPath.c_str());
  }
  if (const RCPtr<LNotificationCenter>& center = GetApplicationNotificationCenter())
    static_cast<void>(center->Post(LNotification::Create(kNidAppExitRequest)));
}

void CEditorProcess::OpenForScreenshot(const std::string& path) {
  if (path.empty())
    return;
  OSWindow* window = mApplication ? mApplication->GetMainWindow() : nullptr;
  const RCPtr<LRootWindow> root = window ? window->GetRootWindow() : RCPtr<LRootWindow>();
  RCPtr<LControl> control = root && root->GetRootControl()
                                ? root->GetRootControl()->FindChild(WideString(kDeviceViewName))
                                : RCPtr<LControl>();
  for (std::size_t at = 0; control && at <= path.size();) {
    const std::size_t slash = std::min(path.find('/', at), path.size());
    control = control->FindChild(WideString(path.substr(at, slash - at).c_str()));
    at = slash + 1;
  }
  const RCPtr<LDropDownControl> dropDown = DynamicCast<LDropDownControl>(control);
  if (!dropDown) {
    std::fprintf(stderr, "no combo box %s to open\n", path.c_str());
    return;
  }
  static_cast<void>(dropDown->SetFocus(true));
  static_cast<void>(dropDown->ShowDropDown(true));
}

bool CEditorProcess::WriteScreenshot(const std::string& path) {
  OSWindow* window = mApplication ? mApplication->GetMainWindow() : nullptr;
  if (window == nullptr)
    return false;
  // What the idle pass invalidated is on screen before it is read.
  OSWindow::PaintPendingWindows();
  Platform::Window& platformWindow = window->GetPlatformWindow();
  const Platform::WindowRect bounds = platformWindow.GetClientBounds();
  const Platform::WindowRect client{0, 0, bounds.width, bounds.height};
  std::vector<std::uint32_t> pixels;
  if (!platformWindow.ReadPixels(client, pixels))
    return false;
  std::unique_ptr<Platform::Image> image = Platform::Image::Create(client.width, client.height);
  if (!image)
    return false;
  for (std::int32_t y = 0; y < client.height; ++y)
    for (std::int32_t x = 0; x < client.width; ++x)
      if (image->SetPixel(x, y,
                          pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(client.width) +
                                 static_cast<std::size_t>(x)]) != Platform::ImageStatus::Ok)
        return false;
  return image->SavePngFile(path.c_str()) == Platform::ImageStatus::Ok;
}

void CEditorProcess::RunMainLoop() {
  if (mApplication)
    static_cast<void>(mApplication->Run());
}

void CEditorProcess::ShutDown() {
  if (!mApplication)
    return;
  RCPtr<LApplication> application = std::move(mApplication);
  mApplication = RCPtr<LApplication>();
  static_cast<void>(application->RunApplicationShutdown());
  application = RCPtr<LApplication>();
}

void CEditorProcess::StartSplash() {
  if (mSplash || mOptions.mSplashImageName.IsEmpty())
    return;
  // The resource's name as pictures are found by theirs: upper case, dots and blanks as underscores.
  WideString name = mOptions.mSplashImageName.ToUpper();
  name.ReplaceChars(u". ", u'_');
  std::span<const std::uint8_t> bytes;
  if (!Platform::FindResource(kPictureResourceType, name.ToNarrow().GetChars(), bytes) || bytes.empty())
    return;
  WideString source(u"::");
  source.AppendString(mOptions.mSplashImageName);
  const RCPtr<LBitmap> picture = LBitmap::GetCachedBitmap(source);
  if (!picture)
    return;
  mSplash = std::make_unique<SplashWindow>();
  mSplash->SetImage(picture);
  mSplash->Start();
  mSplash->AnimateProgress(0, 100, kSplashSeconds);
}

void CEditorProcess::StopSplash() {
  if (!mSplash)
    return;
  mSplash->SetProgress(100);
  mSplash->Close();
  mSplash.reset();
}

bool CEditorProcess::PollHandOver(std::int32_t timeoutMs) {
  if (!mInstanceLock || !mApplication)
    return false;
  const std::optional<Platform::HandOver> handOver =
      mInstanceLock->TakeHandOver(timeoutMs > 0 ? timeoutMs : kHandOverReadTimeoutMs);
  if (!handOver || handOver->tag != kCopyDataCommandLine)
    return false;
  mApplication->TakeHandOver(handOver->data);
  return true;
}

} // namespace QZ
