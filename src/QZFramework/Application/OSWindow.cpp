#include "QZFramework/Application/OSWindow.h"

#include "Platform/App/WindowEventRoute.h"
#include "Platform/Window/InputState.h"
#include "Platform/Window/WindowSystem.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/System/KeyCode.h"

#include <algorithm>
#include <climits>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace QZ {
namespace {

constexpr std::int32_t kWheelStep = Platform::kWheelDeltaPerNotch;
constexpr std::int32_t kMaxIdleCount = 2;

std::map<Platform::WindowId, OSWindow*>& Windows() {
  static std::map<Platform::WindowId, OSWindow*> windows;
  return windows;
}

// The windows whose modal loops are on the stack, the innermost last.
std::vector<OSWindow*>& ModalRuns() {
  static std::vector<OSWindow*> runs;
  return runs;
}

OSWindow::PlacementWriter& Writer() {
  static OSWindow::PlacementWriter writer;
  return writer;
}

LFrameworkApp* FrameworkApp() { return dynamic_cast<LFrameworkApp*>(GetFrameworkApp()); }

PointT<std::int32_t> ToPoint(Platform::WindowPoint p) { return {p.x, p.y}; }
Platform::WindowPoint ToWindowPoint(const PointT<std::int32_t>& p) { return {p.x, p.y}; }

} // namespace

// ---- The list of windows

OSWindow* OSWindow::Create(const SCreateParams& params) {
  Platform::WindowOptions options;
  options.title = ToUtf8(params.title);
  options.clientBounds = {params.clientBounds.x, params.clientBounds.y, params.clientBounds.width,
                          params.clientBounds.height};
  options.resizable = params.resizable;
  options.visible = params.visible;
  std::unique_ptr<Platform::Window> window = Platform::Window::Create(options);
  if (!window)
    return nullptr;
  if (params.parent)
    (void)window->SetModalFor(&params.parent->GetPlatformWindow());
  auto* osWindow = new OSWindow(std::move(window), params.parent, params.className);
  Windows()[osWindow->mWindow->GetId()] = osWindow;
  return osWindow;
}

OSWindow* OSWindow::FromId(Platform::WindowId id) {
  const auto found = Windows().find(id);
  return found == Windows().end() ? nullptr : found->second;
}

std::uint32_t OSWindow::GetWindowCount() { return static_cast<std::uint32_t>(Windows().size()); }

void OSWindow::SetPlacementWriter(PlacementWriter writer) { Writer() = std::move(writer); }

bool OSWindow::DispatchWindowEvent(const Platform::WindowEvent& event) {
  OSWindow* window = FromId(event.window);
  if (!window)
    return false;
  window->HandleEvent(event);
  return true;
}

OSWindow::HostRoute::HostRoute(Platform::AppHost& host)
    : mHost(host), mId(Platform::RouteWindowEvents(host, [](const Platform::WindowEvent& event) {
        (void)DispatchWindowEvent(event);
        if (!Platform::WaitForWindowEvent(0))
          PaintPendingWindows();
      })) {}

OSWindow::HostRoute::~HostRoute() { mHost.RemoveEventHandler(mId); }

bool OSWindow::PumpWindowEvents() {
  Platform::WindowEvent event;
  bool quit = false;
  while (Platform::PollWindowEvent(event)) {
    if (event.kind == Platform::WindowEventKind::kQuit) {
      quit = true;
      break;
    }
    (void)DispatchWindowEvent(event);
  }
  PaintPendingWindows();
  return !quit;
}

void OSWindow::PaintPendingWindows() {
  std::vector<Platform::WindowId> ids;
  for (const auto& [id, window] : Windows()) {
    if (window->mPaintPending)
      ids.push_back(id);
  }
  for (const Platform::WindowId id : ids) {
    if (OSWindow* window = FromId(id))
      window->Paint();
  }
}

OSWindow::OSWindow(std::unique_ptr<Platform::Window> window, OSWindow* parent, const WideString& className)
    : mWindow(std::move(window)), mPresenter(std::make_unique<CWindowPresenter>(*mWindow)), mParent(parent),
      mClassName(className) {}

WindowHandle OSWindow::GetWindowHandle(std::int32_t rendererType) {
  if (rendererType == kRendererTypeOpenGL)
    return mWindow->GetNativeHandle();
  return static_cast<Platform::WindowTarget*>(mPresenter.get());
}

OSWindow::~OSWindow() {
  if (mRootWindow) {
    mRootWindow->DetachNativeWindow();
    if (LFrameworkApp* app = FrameworkApp())
      (void)app->RemoveRootWindow(RCPtr<IRootWindow>(mRootWindow.Get()));
  }
  // The context presents through the presenter, which draws on the window:
  // they go first, in that order.
  mRenderContext = RCPtr<LRenderContextInfo>();
  mRenderer = RCPtr<LRenderer>();
  mRootWindow = RCPtr<LRootWindow>();
  mPresenter.reset();
  mWindow.reset();
}

void OSWindow::DestroyWindow() {
  // Its own loop is still on the stack: the loop ends, and destroys the window when it returns.
  if (mInModalRun) {
    mContinueModal = false;
    mModal = false;
    return;
  }
  if (IsMainWindow() && !mParent)
    SavePlacement();
  Windows().erase(mWindow->GetId());
  delete this;
}

void OSWindow::SavePlacement() {
  if (Writer())
    Writer()(mClassName, mWindow->GetPlacement());
}

// ---- Renderer and root window

QZRESULT OSWindow::CreateRenderer(std::int32_t type) {
  RectT<std::int32_t> client;
  GetClientRect(client);
  const RCPtr<LRenderer> renderer = LRenderer::Create(type, client, GetWindowHandle(type));
  if (!renderer)
    return E_FAIL;
  return AttachRenderer(renderer);
}

QZRESULT OSWindow::AttachRenderer(const RCPtr<LRenderer>& renderer) {
  mRenderer = renderer;
  RectT<std::int32_t> client;
  GetClientRect(client);
  if (renderer)
    (void)renderer->InitRenderContextInfo(client, GetWindowHandle(renderer->GetRendererType()), false,
                                          mRenderContext);
  mRootWindow = LRootWindow::Create(renderer, this);
  if (LFrameworkApp* app = FrameworkApp())
    (void)app->AddRootWindow(RCPtr<IRootWindow>(mRootWindow.Get()));
  return S_OK;
}

IRootWindowInput* OSWindow::Input() {
  if (mInputOverride)
    return mInputOverride;
  return mRootWindow.Get();
}

bool OSWindow::IsMainWindow() {
  IFrameworkApp* app = GetFrameworkApp();
  if (!app || !mRootWindow)
    return false;
  const RCPtr<IRootWindow> first = app->GetRootWindow(0);
  return first.Get() == static_cast<IRootWindow*>(mRootWindow.Get());
}

// ---- Events

void OSWindow::HandleEvent(const Platform::WindowEvent& event) {
  using Kind = Platform::WindowEventKind;
  if (!Input())
    return;
  switch (event.kind) {
  case Kind::kMouseButton:
    OnButton(event);
    break;
  case Kind::kMouseMove:
    OnMouseMove(event);
    break;
  case Kind::kMouseWheel:
    OnWheel(event);
    break;
  case Kind::kKey:
    OnKey(event);
    break;
  case Kind::kCharacter:
    OnCharacter(event);
    break;
  case Kind::kMouseLeave:
    OnMouseLeave();
    break;
  case Kind::kFocusGained:
    Input()->RestoreFocus();
    break;
  case Kind::kFocusLost:
    if (mCaptureFlag) {
      mCaptureFlag = false;
      mWindow->ReleaseMouse();
    }
    Input()->OnWindowFocusLost();
    break;
  case Kind::kCaptureLost:
    if (event.otherWindow != mWindow->GetId()) {
      mPressCount = 0;
      mCaptureFlag = false;
      Input()->CaptureLost();
    }
    break;
  case Kind::kClose:
    OnClose();
    break;
  case Kind::kSize:
    OnSize(event);
    break;
  case Kind::kMove:
    OnMove();
    break;
  case Kind::kExpose:
    InvalidateAll();
    break;
  case Kind::kDisplayChanged:
    Input()->InvalidateClientArea();
    break;
  case Kind::kDropFiles:
    OnDrop(event);
    break;
  default:
    break;
  }
}

void OSWindow::OnButton(const Platform::WindowEvent& event) {
  mLastMouse = ToPoint(event.point);
  const std::uint32_t button = event.button;
  const std::uint32_t modifiers = event.modifiers & Platform::kMouseModifierBits;
  if (event.action == Platform::MouseAction::kRelease) {
    mPressedButtons &= ~button;
    const Platform::WindowPoint screen = Platform::GetPointerScreenPosition();
    if (!mWindow->IsScreenPointOver(screen) && Platform::GetMouseButtons() == 0 && mPressCount != 0) {
      mPressCount = 0;
      mCaptureFlag = false;
      Input()->DispatchMouseButton(kMouseActionRelease, button, modifiers, mLastMouse, 0);
      mWindow->ReleaseMouse();
    } else {
      Input()->DispatchMouseButton(kMouseActionRelease, button, modifiers, mLastMouse, 0);
    }
    return;
  }
  if (!Input()->HasFocusedControl())
    (void)mWindow->SetFocus();
  mPressedButtons |= button;
  if (mPressCount++ == 0 && !mCaptureFlag) {
    (void)mWindow->CaptureMouse();
    mCaptureFlag = true;
  }
  const std::int32_t action =
      event.action == Platform::MouseAction::kDoubleClick ? kMouseActionDoubleClick : kMouseActionPress;
  Input()->DispatchMouseButton(action, button, modifiers, mLastMouse, 0);
}

void OSWindow::OnMouseMove(const Platform::WindowEvent& event) {
  const Platform::WindowPoint screen = mWindow->ClientToScreen(event.point);
  const bool over = mWindow->IsScreenPointOver(screen);
  const bool inFrame = mWindow->IsScreenPointInFrame(screen);
  if (mCaptureFlag) {
    if (Platform::GetMouseButtons() == 0 && (!over || inFrame)) {
      mCaptureFlag = false;
      mWindow->ReleaseMouse();
    }
  } else if (Platform::Window::HoverNeedsCapture()) {
    const Platform::WindowId focus = Platform::Window::GetFocusWindow();
    const bool parentFrame = mParent && focus == mParent->mWindow->GetId();
    if (parentFrame || (focus == mWindow->GetId() && !inFrame)) {
      (void)mWindow->CaptureMouse();
      mCaptureFlag = true;
    }
  }
  mLastMouse = ToPoint(event.point);
  Input()->DispatchMouseMove(mLastMouse, event.modifiers & Platform::kMouseModifierBits, 0);
}

void OSWindow::OnMouseLeave() {
  // The window system reports the pointer leaving where a held capture would
  // have shown it: a move to where the pointer is now ends the hover.
  const Platform::WindowPoint client = mWindow->ScreenToClient(Platform::GetPointerScreenPosition());
  if (mCaptureFlag && Platform::GetMouseButtons() == 0) {
    mCaptureFlag = false;
    mWindow->ReleaseMouse();
  }
  mLastMouse = ToPoint(client);
  Input()->DispatchMouseMove(mLastMouse, Platform::GetModifierMask() & Platform::kMouseModifierBits, 0);
}

void OSWindow::OnWheel(const Platform::WindowEvent& event) {
  const std::size_t axis = event.axis == Platform::WheelAxis::kHorizontal ? 1 : 0;
  std::int32_t& accumulator = mWheel[axis];
  accumulator += event.wheelDelta;
  std::uint32_t direction = 0;
  if (accumulator >= kWheelStep) {
    while (accumulator >= kWheelStep)
      accumulator -= kWheelStep;
    direction = axis == 0 ? kWheelUp : kWheelRight;
  } else if (accumulator <= -kWheelStep) {
    while (accumulator <= -kWheelStep)
      accumulator += kWheelStep;
    direction = axis == 0 ? kWheelDown : kWheelLeft;
  } else {
    return;
  }
  mLastMouse = ToPoint(event.point);
  Input()->DispatchMouseWheel(mLastMouse, event.modifiers & Platform::kMouseModifierBits, direction);
}

void OSWindow::OnKey(const Platform::WindowEvent& event) {
  const std::uint32_t mask = event.modifiers;
  if (event.virtualKey != 0) {
    const std::uint8_t value = event.keyDown ? (event.repeat ? 1 : 0) : 1;
    const KeyCode key(static_cast<std::uint8_t>(event.virtualKey), event.keyDown, value, mask);
    Input()->DispatchKey(LKeyParam::Create(key, 1));
    return;
  }
  const bool ctrl = (mask & kModifierCtrl) != 0;
  const bool alt = (mask & kModifierAlt) != 0;
  if (ctrl && alt) {
    Input()->DispatchKey(LKeyParam::Create(KeyCode(char16_t{0}, mask), 1));
  } else if (alt) {
    // What the system keys of a key without code give: only the modifiers.
    KeyCode key;
    key.mPacked = static_cast<std::int32_t>(KeyCode::PackedModifiers(mask));
    key.mSideMask = KeyCode::SideMask(mask);
    Input()->DispatchKey(LKeyParam::Create(key, 0));
  }
}

void OSWindow::OnCharacter(const Platform::WindowEvent& event) {
  if ((event.modifiers & (kModifierWin | kModifierLeftWin | kModifierRightWin)) != 0)
    return;
  const std::uint32_t modifiers = event.modifiers & (kModifierShift | kModifierCtrl | kModifierAlt);
  Input()->DispatchKey(LKeyParam::Create(KeyCode(event.character, modifiers), 1));
}

void OSWindow::OnClose() {
  if (IsMainWindow()) {
    (void)GetApplicationNotificationCenter()->Post(LNotification::Create(kNidAppExitRequest));
    return;
  }
  Input()->RequestSystemClose();
}

void OSWindow::OnSize(const Platform::WindowEvent& event) {
  if (event.showState != Platform::WindowShowState::kMinimised) {
    Input()->NotifyClientSizeChanged(event.width, event.height);
    Input()->SetInvalidateAll();
  }
  if (mRenderContext)
    mRenderContext->mViewport = {0, 0, event.width, event.height};
}

void OSWindow::OnMove() {
  if (mOutsideWorkArea) {
    Input()->SetInvalidateAll();
    mOutsideWorkArea = false;
  }
  IFrameworkApp* app = GetFrameworkApp();
  const RectT<std::int32_t> work =
      app ? app->GetWorkArea() : RectT<std::int32_t>{0, 0, INT32_MAX / 2, INT32_MAX / 2};
  const Platform::WindowRect window = mWindow->GetWindowBounds();
  const std::int64_t right = std::int64_t{window.x} + window.width;
  const std::int64_t bottom = std::int64_t{window.y} + window.height;
  if (window.x < work.x || window.y < work.y || right > std::int64_t{work.x} + work.width ||
      bottom > std::int64_t{work.y} + work.height)
    mOutsideWorkArea = true;
}

void OSWindow::OnDrop(const Platform::WindowEvent& event) {
  // The window system reports a drop only once it happened (no entering or
  // hovering), so the whole drag runs here: fresh data, the target under the
  // point, the drop, and nothing kept for a later drag.
  IRootWindowInput* input = Input();
  input->ClearDrop();
  RCPtr<LDropFileList> files = MakeRCPtr<LDropFileList>();
  for (const std::string& path : event.files) {
    WideString wide;
    if (wide.ConvertFromNarrow(path.c_str(), static_cast<std::int32_t>(path.size())) == S_OK && !wide.IsEmpty())
      (void)files->InsertItem(files->GetCount(), wide);
  }
  if (files->GetCount() == 0)
    return;
  input->SetDropData(files);
  if (input->UpdateDropTarget(ToPoint(event.point)))
    (void)input->Drop();
  input->ClearDrop();
}

void OSWindow::OnCopyData(std::uint32_t identifier, const std::vector<std::uint8_t>& bytes) {
  if (identifier != kCopyDataCommandLine || !mWindow->IsEnabled())
    return;
  LFrameworkApp* app = FrameworkApp();
  if (!app)
    return;
  std::size_t length = 0;
  while (length < bytes.size() && bytes[length] != 0)
    ++length;
  NarrowString text;
  text.Assign(reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(length));
  (void)app->OnCopyData(text);
}

void OSWindow::ConstrainSizingRect(std::int32_t& left, std::int32_t& top, std::int32_t& right,
                                   std::int32_t& bottom) {
  if (!Input())
    return;
  const Platform::WindowFrame frame = mWindow->GetFrame();
  const std::int32_t frameWidth = frame.left + frame.right;
  const std::int32_t frameHeight = frame.top + frame.bottom;
  std::int32_t width = right - left - frameWidth;
  std::int32_t height = bottom - top - frameHeight;
  if (Input()->ConstrainSize(width, height)) {
    right = left + width + frameWidth;
    bottom = top + height + frameHeight;
  }
}

void OSWindow::ApplySizeLimits() {
  if (!Input())
    return;
  // The limits are what the root window's sizing rule makes of the smallest and of a vast size; a vast size
  // that stays vast has no maximum.
  constexpr std::int32_t kVast = 1 << 20;
  std::int32_t minWidth = 1;
  std::int32_t minHeight = 1;
  std::int32_t maxWidth = kVast;
  std::int32_t maxHeight = kVast;
  static_cast<void>(Input()->ConstrainSize(minWidth, minHeight));
  static_cast<void>(Input()->ConstrainSize(maxWidth, maxHeight));
  mWindow->SetSizeLimits(minWidth, minHeight, maxWidth >= kVast ? 0 : maxWidth,
                         maxHeight >= kVast ? 0 : maxHeight);
}

// ---- Paint

void OSWindow::Paint() {
  IRootWindowInput* input = Input();
  if (!input)
    return;
  const RectT<std::int32_t> update = mUpdateRect;
  mUpdateRect = {};
  mPaintPending = false;
  Region region;
  input->TakeInvalidRegion(region);
  if (!mRenderer || !mRenderContext) {
    input->Paint(region);
    return;
  }
  Region& dirty = mRenderContext->mDirtyRegion;
  dirty = Region();
  dirty = region;
  if (update.width >= 1 && update.height >= 1)
    dirty.AddRect({update.x, update.y, update.x + update.width, update.y + update.height});
  // The frame ends also when drawing throws, or the window would never paint again.
  CRenderFrame frame(mRenderer, mRenderContext);
  EdgeRect bounds;
  const RectT<std::int32_t> client = mRenderContext->mViewport;
  const bool whole = dirty.GetRectCount() == 1 && dirty.GetBounds(bounds) &&
                     bounds == EdgeRect{client.x, client.y, client.x + client.width, client.y + client.height};
  input->Paint(whole ? dirty : region);
  (void)frame.Finish();
}

// ---- IWindowOSServices

void OSWindow::SetTitle(const WideString& title) { (void)mWindow->SetTitle(ToUtf8(title)); }

bool OSWindow::IsActive() {
  const Platform::WindowId focus = Platform::Window::GetFocusWindow();
  if (focus == mWindow->GetId())
    return true;
  return mParent && focus == mParent->mWindow->GetId() && IsMainWindow();
}

PointT<std::int32_t> OSWindow::ClientToScreen(const PointT<std::int32_t>& client) {
  return ToPoint(mWindow->ClientToScreen(ToWindowPoint(client)));
}

PointT<std::int32_t> OSWindow::ScreenToClient(const PointT<std::int32_t>& screen) {
  return ToPoint(mWindow->ScreenToClient(ToWindowPoint(screen)));
}

void OSWindow::InvalidateAll() {
  const Platform::WindowRect client = mWindow->GetClientBounds();
  InvalidateRect({0, 0, client.width, client.height});
}

void OSWindow::InvalidateRect(const RectT<std::int32_t>& rect) {
  if (rect.width < 1 || rect.height < 1)
    return;
  if (mUpdateRect.width < 1 || mUpdateRect.height < 1) {
    mUpdateRect = rect;
  } else {
    const std::int32_t left = std::min(mUpdateRect.x, rect.x);
    const std::int32_t top = std::min(mUpdateRect.y, rect.y);
    const std::int32_t right = std::max(mUpdateRect.x + mUpdateRect.width, rect.x + rect.width);
    const std::int32_t bottom = std::max(mUpdateRect.y + mUpdateRect.height, rect.y + rect.height);
    mUpdateRect = {left, top, right - left, bottom - top};
  }
  // A loop waiting for events wakes up to paint.
  if (!mPaintPending)
    (void)Platform::PostWake();
  mPaintPending = true;
}

void OSWindow::GetClientRect(RectT<std::int32_t>& out) {
  const Platform::WindowRect client = mWindow->GetClientBounds();
  if (client.width < 0 || client.height < 0)
    return;
  out = {0, 0, client.width, client.height};
}

QZRESULT OSWindow::SetClientBounds(const RectT<std::int32_t>& bounds) {
  return mWindow->SetClientBounds({bounds.x, bounds.y, bounds.width, bounds.height}) ? S_OK : E_FAIL;
}

QZRESULT OSWindow::RedrawNow() {
  InvalidateAll();
  Paint();
  return S_OK;
}

QZRESULT OSWindow::EndModal(std::int32_t result) {
  if (mModal) {
    mModalResult = result;
    mContinueModal = false;
    mModal = false;
    return S_OK;
  }
  // A loop that is ending already keeps its result, and its window lives until the loop has returned.
  if (mInModalRun)
    return S_OK;
  DestroyWindow();
  return S_OK;
}

OSWindow* OSWindow::GetInnermostModalWindow() {
  const std::vector<OSWindow*>& runs = ModalRuns();
  return runs.empty() ? nullptr : runs.back();
}

bool OSWindow::IsBehindModalWindow(const IWindowOSServices* window) {
  const OSWindow* innermost = GetInnermostModalWindow();
  return innermost && static_cast<const IWindowOSServices*>(innermost) != window;
}

std::int32_t OSWindow::RunModalLoop() {
  LFrameworkApp* app = FrameworkApp();
  if (!app) {
    DestroyWindow();
    return kModalLoopQuit;
  }
  Platform::AppHost& host = app->GetHost();
  mModal = true;
  mContinueModal = true;
  mInModalRun = true;
  ModalRuns().push_back(this);
  const bool disableParent = mParent && mParent->mWindow->IsEnabled();
  if (disableParent)
    mParent->mWindow->SetEnabled(false);
  mWindow->SetEnabled(true);
  std::int32_t loop = 0;
  {
    // Whatever ends the loop, an exception included, gives the parent its input back.
    struct Restore {
      OSWindow* self;
      bool parent;
      ~Restore() {
        self->mModal = false;
        self->mContinueModal = false;
        self->mInModalRun = false;
        std::vector<OSWindow*>& runs = ModalRuns();
        runs.erase(std::remove(runs.begin(), runs.end(), self), runs.end());
        if (parent)
          self->mParent->mWindow->SetEnabled(true);
      }
    } restore{this, disableParent};
    const HostRoute route(host);
    loop = host.RunLoop(
        [this, app](std::int32_t idleCount) {
          PaintPendingWindows();
          if (!mWindow->IsVisible())
            (void)mWindow->Show();
          const bool more = app->ProcessIdle(idleCount == 0);
          return more && idleCount < kMaxIdleCount;
        },
        [this] { return mContinueModal; });
    if (disableParent && IsActive())
      (void)mParent->mWindow->SetFocus();
  }
  const std::int32_t result = loop == Platform::AppHost::kLoopQuit ? kModalLoopQuit : mModalResult;
  DestroyWindow();
  return result;
}

bool OSWindow::HasFocus() { return mWindow->HasFocus(); }

QZRESULT OSWindow::SetFocus() { return mWindow->SetFocus() ? S_OK : E_FAIL; }

std::uintptr_t OSWindow::SetCursor(std::uintptr_t cursor) {
  const Platform::CursorId current = Platform::GetCurrentCursor();
  if (cursor == current)
    return current;
  return Platform::SetCurrentCursor(static_cast<Platform::CursorId>(cursor));
}

PointT<std::int32_t> OSWindow::GetCursorPosition() {
  if (!mCaptureFlag)
    mLastMouse = ToPoint(mWindow->ScreenToClient(Platform::GetPointerScreenPosition()));
  return mLastMouse;
}

std::uint32_t OSWindow::GetMouseButtonState() {
  if (!mCaptureFlag)
    mPressedButtons = Platform::GetMouseButtons();
  return mPressedButtons;
}

bool OSWindow::Show(bool show) { return show ? mWindow->Show() : mWindow->Hide(); }

QZRESULT OSWindow::BringToTop() { return mWindow->Raise() ? S_OK : E_FAIL; }

QZRESULT OSWindow::SetTopMost(bool topMost) { return mWindow->SetTopMost(topMost) ? S_OK : E_FAIL; }

} // namespace QZ
