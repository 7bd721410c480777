#include "QZFramework/Application/FrameworkApp.h"

#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Application/PaintingWait.h"

#include "Platform/App/AppHost.h"
#include "Platform/App/MessageBox.h"
#include "Platform/Window/InputState.h"
#include "QZFramework/Application/ControlClassRegistry.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/Notification/NotificationQueue.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Renderer/Renderer.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <string>
#include <thread>
#include <utility>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "Application\\FrameworkApp";
constexpr const char* kRunApplicationStartup = "QZ::LFrameworkApp::RunApplicationStartup";
constexpr const char* kSetSkin = "QZ::LFrameworkApp::SetSkin";

// Mouse buttons as the key state names them, with their button bits.
constexpr std::uint32_t kVirtualKeyLeftButton = 0x01;
constexpr std::uint32_t kVirtualKeyRightButton = 0x02;
constexpr std::uint32_t kVirtualKeyMiddleButton = 0x04;
constexpr std::uint32_t kButtonLeft = 1;
constexpr std::uint32_t kButtonMiddle = 2;
constexpr std::uint32_t kButtonRight = 4;

// The idle pass asks for at most this many passes per idle period.
constexpr std::int32_t kMaxIdleCount = 2;
// What controls subscribe to on their root window while they need idle passes (caret, tool tips, auto-repeat).
constexpr const char16_t* kIdleNotificationId = u"NID_IDLE";

// The application's commands that act on the focused control (the clipboard's edit commands): their keys
// still work in a modal window.
constexpr const char16_t* kFocusedControlCommands[] = {u"NID_EDIT_CUT_REQ", u"NID_EDIT_COPY_REQ",
                                                       u"NID_EDIT_PASTE_REQ", u"NID_EDIT_DELETE_REQ"};

bool IsActive(IRootWindow& window) {
  IWindowOSServices* native = window.GetWindowOSServices();
  return native != nullptr && native->IsActive();
}

} // namespace

CursorID GetCursorID(const WideString& name) {
  IFrameworkApp* app = GetFrameworkApp();
  return app ? app->GetCursor(name) : 0;
}

LFrameworkApp::LFrameworkApp(const RCPtr<LControlFactory>& factory, const NarrowString& commandLine,
                             const RCPtr<LStringTable>& frameworkStrings, Platform::AppHost& host)
    : mFactory(factory), mCommandLine(commandLine), mFrameworkStrings(frameworkStrings), mHost(host) {
  mPreviousApp = SetFrameworkApp(this);
  mPreviousModalWait = Platform::SetModalWait(PaintingWait);
  // The manager and its "application" center exist before any worker thread
  // that posts there; a fired global hot key is queued on that center.
  const RCPtr<LNotificationCenter>& center = GetApplicationNotificationCenter();
  mHotKeys = LGlobalHotKeyManager::Create(center ? center->GetPostingReceiver() : RCPtr<LNotificationReceiver>());
  mClipboard = LClipboard::Create();
  if (mFactory)
    mApplicationStrings = mFactory->GetApplicationStringTable();
  // The loop sleeps until its next due work; a worker's post wakes it (a post on this thread is seen by the idle
  // pass that follows it).
  mHost.SetWaitTimeSource([this] { return GetIdleWaitTime(); });
  const std::thread::id uiThread = std::this_thread::get_id();
  Platform::AppHost* loopHost = &mHost;
  SetNotificationPostListener([uiThread, loopHost] {
    if (std::this_thread::get_id() != uiThread)
      loopHost->Wake();
  });
}

LFrameworkApp::~LFrameworkApp() {
  SetNotificationPostListener(nullptr);
  mHost.SetWaitTimeSource(nullptr);
  UnsubscribeAll();
  LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
  LNotification::EnablePooling(false);
  Platform::SetModalWait(std::move(mPreviousModalWait));
  SetFrameworkApp(mPreviousApp);
}

QZRESULT LFrameworkApp::RunApplicationStartup() {
  try {
    LNotification::EnablePooling(true);
    if (mFactory)
      ThrowIfFailed(RegisterControlClasses(*mFactory, GetFrameworkControlClasses()), kRunApplicationStartup,
                    kSourcePath, 141);
    mHotKeys->GetHotKeyMap().LoadFromStringTable(mApplicationStrings, WideString(u"GHK"));
    mClipboard->Initialize();
    // The stored index comes from a file the user can edit: a negative one
    // means the first skin, and without any skin there is nothing to select.
    const std::int32_t skins =
        mFactory ? static_cast<std::int32_t>(mFactory->GetTopLevelDescriptors().GetCount()) : 0;
    if (skins == 0)
      return E_FAIL;
    const std::int32_t index = std::clamp(GetCurrentSkinIndex(), 0, skins - 1);
    if (SetSkin(index) < 0)
      return E_FAIL;
  } catch (const std::exception&) {
    return E_FAIL;
  }
  return S_OK;
}

bool LFrameworkApp::Run() {
  if (mRootWindows.GetCount() > 0)
    mRootWindows.GetAt(0)->RedrawNow();
  OnBeforeMessageLoop();
  ProcessIdle(true);
  try {
    RunMessageLoop();
  } catch (...) {
    WideString text;
    WideString caption;
    if (mFrameworkStrings) {
      mFrameworkStrings->GetString(u"STARTUP_ERROR", text);
      mFrameworkStrings->GetString(u"STARTUP_ERROR_CAPTION", caption);
    }
    ShowMessageBox(text, caption, kErrorBoxStyle);
    if (const RCPtr<LNotificationCenter>& center = GetApplicationNotificationCenter())
      center->Post(LNotification::Create(kNidAppExitRequest));
  }
  return ProcessIdle(true);
}

void LFrameworkApp::OnBeforeMessageLoop() {}

std::int32_t LFrameworkApp::RunMessageLoop() {
  const OSWindow::HostRoute route(mHost);
  return mHost.RunLoop([this](std::int32_t idleCount) { return OnPlatformIdle(idleCount); }, [] { return true; });
}

QZRESULT LFrameworkApp::RunApplicationShutdown() {
  // Each member is cleared before its object goes, so that nothing the release
  // runs finds a half-released member here.
  RCPtr<LControlFactory> factory = std::move(mFactory);
  factory = RCPtr<LControlFactory>();
  RCPtr<LGlobalHotKeyManager> hotKeys = std::move(mHotKeys);
  hotKeys = RCPtr<LGlobalHotKeyManager>();
  RCPtr<LClipboard> clipboard = std::move(mClipboard);
  clipboard = RCPtr<LClipboard>();
  return S_OK;
}

bool LFrameworkApp::OnPlatformIdle(std::int32_t idleCount) {
  // What became invalid is painted once the queue is empty, before idle work.
  OSWindow::PaintPendingWindows();
  if (mExitRequested)
    return false;
  const bool moreWork = ProcessIdle(idleCount == 0);
  return moreWork && idleCount < kMaxIdleCount;
}

bool LFrameworkApp::ProcessIdle(bool sendIdle) {
  bool moreWork = false;
  if (const RCPtr<LNotificationCenterManager>& manager = LNotificationCenterManager::GetInstance())
    moreWork = manager->ProcessAll(sendIdle);
  const std::vector<RCPtr<IRootWindow>> windows = RootWindows();
  for (auto it = windows.rbegin(); it != windows.rend(); ++it)
    if ((*it)->ProcessIdle(sendIdle))
      moreWork = true;
  mIdleWorkLeft = moreWork;
  return moreWork;
}

std::uint32_t LFrameworkApp::GetIdleWaitTime() {
  if (mIdleWorkLeft)
    return 0;
  // The controls' timers (the caret's blink, a tool tip's delay, a held arrow's repeat, a drag's coasting) are
  // read by the controls themselves in their idle passes: while any control asks for them, the loop comes back
  // at the host's fixed interval.
  const NotificationID idle = InternNotificationID(kIdleNotificationId);
  for (const RCPtr<IRootWindow>& window : RootWindows()) {
    const RCPtr<LNotificationDistributor> distributor = window ? window->GetNotificationDistributor() : nullptr;
    const RCPtr<LNotificationDistributor::LNotificationClientPool> pool =
        distributor ? distributor->FindClientPool(idle) : nullptr;
    if (pool && pool->GetCount() > 0)
      return std::min(mHost.GetWaitTime(), mIdlePollMs != 0 ? mIdlePollMs : Platform::AppHost::kWaitForever);
  }
  return mIdlePollMs != 0 ? mIdlePollMs : Platform::AppHost::kWaitForever;
}

std::int32_t LFrameworkApp::Receive(const RCPtr<LNotificationDistributor>&,
                                    const RCPtr<LNotification>& notification) {
  if (!notification || notification->GetID() != InternNotificationID(kNidAppExitRequest))
    return 0;
  mExitRequested = true;
  const std::vector<RCPtr<IRootWindow>> windows = RootWindows();
  for (std::size_t i = windows.size(); i > 1; --i)
    windows[i - 1]->RequestClose(0);
  return 0;
}

std::int32_t LFrameworkApp::OnCopyData(const NarrowString&) { return 0; }

QZRESULT LFrameworkApp::SetSkin(std::int32_t index) {
  WideString face;
  float size = 0.0f;
  std::int32_t style = 0;
  ThrowIfFailed(GetSystemFont(face, size, style), kSetSkin, kSourcePath, 234);
  // The factory refuses an index it has no skin for; nothing changes then.
  if (const QZRESULT result = mFactory ? mFactory->SetCurrentSkinIndex(index) : E_INVALIDARG; result < 0)
    return result;
  mFactory->GetSkinFont(face, size, style);
  mFont = LFont::GetFont(face, size, style);

  const std::vector<RCPtr<IRootWindow>> windows = RootWindows();
  for (const RCPtr<IRootWindow>& window : windows) {
    const bool active = IsActive(*window);
    if (active)
      window->OnWindowFocusLost();
    if (RCPtr<LControl> rootControl = window->GetRootControl())
      static_cast<void>(mFactory->ApplySkinToControl(rootControl));
    const RectT<std::int32_t> bounds = window->GetBounds();
    window->InvalidateRect({0, 0, bounds.width, bounds.height});
    if (active)
      window->RestoreFocus();
  }

  if (const IniFileHandle file = GetSettingsFile(kSettingsFileUser); file != 0)
    if (IIniFileManager* settings = GetIniFileManager())
      settings->SetInt(file, WideString(kSettingCurrentSkinIndex), index);
  return S_OK;
}

std::int32_t LFrameworkApp::GetCurrentSkinIndex() {
  const IniFileHandle file = GetSettingsFile(kSettingsFileUser);
  IIniFileManager* settings = GetSettings();
  if (file == 0 || settings == nullptr)
    return 0;
  std::int32_t index = 0;
  if (settings->GetInt(file, WideString(kSettingCurrentSkinIndex), 0, index) < 0)
    return 0;
  return index;
}

std::int32_t LFrameworkApp::AddRootWindow(const RCPtr<IRootWindow>& rootWindow) {
  if (!rootWindow)
    return -1;
  if (const std::int32_t index = IndexOfRootWindow(rootWindow); index >= 0)
    return index;
  mRootWindows.AddItem(rootWindow);
  return static_cast<std::int32_t>(mRootWindows.GetCount()) - 1;
}

std::int32_t LFrameworkApp::RemoveRootWindow(const RCPtr<IRootWindow>& rootWindow) {
  const std::int32_t index = IndexOfRootWindow(rootWindow);
  if (index < 0)
    return index;
  RCPtr<IRootWindow> removed;
  mRootWindows.RemoveItem(static_cast<std::uint32_t>(index), removed);
  return S_OK;
}

std::int32_t LFrameworkApp::IndexOfRootWindow(const RCPtr<IRootWindow>& rootWindow) const {
  for (std::uint32_t i = mRootWindows.GetCount(); i > 0; --i)
    if (mRootWindows.GetAt(i - 1).Get() == rootWindow.Get())
      return static_cast<std::int32_t>(i - 1);
  return -1;
}

std::int32_t LFrameworkApp::ProcessGlobalHotKey(const KeyCode& key) {
  if (!mHotKeys)
    return 1;
  if (OSWindow::IsBehindModalWindow(nullptr)) {
    const WideString id = mHotKeys->GetHotKeyMap().FindNotification(key);
    const bool edit = std::any_of(std::begin(kFocusedControlCommands), std::end(kFocusedControlCommands),
                                  [&id](const char16_t* command) { return id.EqualsString(WideString(command)); });
    if (!edit)
      return 1;
  }
  return mHotKeys->ProcessKey(key);
}

bool LFrameworkApp::HasGlobalHotKey(const WideString& id) {
  return mHotKeys && mHotKeys->GetHotKeyMap().HasKeys(id);
}

void LFrameworkApp::DeliverGlobalHotKeyCommand(const WideString& id) {
  if (mHotKeys && mHotKeys->GetTarget())
    DeliverNotification(mHotKeys->GetTarget(), id.GetChars());
}

std::uint32_t LFrameworkApp::FindFirstGlobalHotKey(const WideString& id) {
  return mHotKeys ? FindFirstKeyCode(mHotKeys->GetHotKeyMap(), id).Bits() : kNoHotKeyCode;
}

RCPtr<LRefCountedObject> LFrameworkApp::GetClipboardText() {
  return mClipboard ? mClipboard->GetText() : RCPtr<LRefCountedObject>();
}

QZRESULT LFrameworkApp::SetClipboardText(const RCPtr<LRefCountedObject>& data) {
  return mClipboard ? mClipboard->SetText(data) : E_FAIL;
}

bool LFrameworkApp::IsEditCommandAvailable(std::int32_t code) {
  return mClipboard && mClipboard->IsEditCommandAvailable(code);
}

RCPtr<IRootWindow> LFrameworkApp::GetActiveRootWindow() {
  for (std::uint32_t i = mRootWindows.GetCount(); i > 0; --i)
    if (IsActive(*mRootWindows.GetAt(i - 1)))
      return mRootWindows.GetAt(i - 1);
  return RCPtr<IRootWindow>();
}

RCPtr<LRenderer> LFrameworkApp::GetRenderer() {
  if (mRootWindows.GetCount() == 0)
    return RCPtr<LRenderer>();
  return mRootWindows.GetAt(0)->GetRenderer();
}

std::uint32_t LFrameworkApp::GetMouseButtonState() {
  if (const RCPtr<IRootWindow> active = GetActiveRootWindow())
    return active->GetMouseButtonState();
  std::uint32_t buttons = 0;
  const auto addIfDown = [&](std::uint32_t virtualKey, std::uint32_t bit) {
    bool down = false;
    bool toggled = false;
    GetKeyState(virtualKey, down, toggled);
    if (down)
      buttons |= bit;
  };
  addIfDown(kVirtualKeyLeftButton, kButtonLeft);
  addIfDown(kVirtualKeyMiddleButton, kButtonMiddle);
  addIfDown(kVirtualKeyRightButton, kButtonRight);
  return buttons;
}

PointT<std::int32_t> LFrameworkApp::GetCursorPosition() {
  if (const RCPtr<IRootWindow> active = GetActiveRootWindow())
    if (IWindowOSServices* native = active->GetWindowOSServices())
      return native->ClientToScreen(active->GetCursorPosition());
  const Platform::WindowPoint screen = Platform::GetPointerScreenPosition();
  return {screen.x, screen.y};
}

QZRESULT LFrameworkApp::SetStatusText(const WideString&, bool) { return E_FAIL; }

QZRESULT LFrameworkApp::RefreshStatusText(bool) { return E_FAIL; }

std::int32_t LFrameworkApp::ShowMessageBox(const WideString& text, const WideString& caption,
                                           std::uint32_t style) {
  return Platform::ShowMessageBox(ToUtf8(text), ToUtf8(caption), style, GetDialogOwnerWindow());
}

std::vector<RCPtr<IRootWindow>> LFrameworkApp::RootWindows() const {
  std::vector<RCPtr<IRootWindow>> windows;
  windows.reserve(mRootWindows.GetCount());
  for (std::uint32_t i = 0; i < mRootWindows.GetCount(); ++i)
    windows.push_back(mRootWindows.GetAt(i));
  return windows;
}

} // namespace QZ
