#include "QZFramework/Application/RootWindow.h"

#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/ControlBase/ControlFactory.h"

#include <algorithm>
#include <utility>

namespace QZ {
namespace {

constexpr const char16_t* kHotKeyPrefix = u"GHK";

} // namespace

RCPtr<LRootWindow> LRootWindow::Create(const RCPtr<LRenderer>& renderer, IWindowOSServices* window) {
  RCPtr<LRootWindow> rootWindow(new LRootWindow(renderer, window));
  rootWindow->SetSelfDistributor();
  rootWindow->mHotKeys = LGlobalHotKeyManager::Create(rootWindow->GetPostingReceiver());
  return rootWindow;
}

LRootWindow::LRootWindow(const RCPtr<LRenderer>& renderer, IWindowOSServices* window)
    : mRenderer(renderer), mWindow(window) {}

LRootWindow::~LRootWindow() = default;

RCPtr<LNotificationDistributor> LRootWindow::GetNotificationDistributor() {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(this));
}

// ---- The tree

QZRESULT LRootWindow::SetRootControl(const RCPtr<LControl>& control) {
  mFocus = RCPtr<LControl>();
  mPreviousFocus = RCPtr<LControl>();
  mHover = RCPtr<LControl>();
  mCapture = RCPtr<LControl>();
  mDropTarget = RCPtr<LControl>();
  if (mRootControl) {
    AddInnerReferences(-1);
    const RCPtr<LControl> old = std::move(mRootControl);
    old->Close();
    mHotKeys->GetHotKeyMap() = HotKeyMap();
  }
  if (!control)
    return S_OK;
  mRootControl = control;
  if (const RCPtr<LStringTable> table = control->GetStringTable())
    (void)mHotKeys->GetHotKeyMap().LoadFromStringTable(table, WideString(kHotKeyPrefix));
  if (!control->GetRootWindow())
    (void)control->SetRootWindow(RCPtr<IRootWindow>(this));
  AxisPlacement position;
  position.mReference = kPositionClient;
  SizeSpec size;
  size.mReference = kSizeClient;
  size.mRelative = 1.0f;
  (void)control->SetPlacement(position, size, position, size);
  if (!mFocus && mWindow && !mWindow->HasFocus())
    (void)mWindow->SetFocus();
  AddInnerReferences(1);
  const SizeT<std::int32_t> client = ClientSize();
  InvalidateRect({0, 0, client.width, client.height});
  return S_OK;
}

QZRESULT LRootWindow::SetRootControlByName(const WideString& name) {
  RCPtr<LControl> control;
  if (!name.IsEmpty()) {
    if (IFrameworkApp* app = GetFrameworkApp()) {
      if (LControlFactory* factory = app->GetControlFactory())
        control = factory->CreateTopLevelControl(name, RCPtr<IRootWindow>(this));
    }
  }
  return SetRootControl(control);
}

QZRESULT LRootWindow::ReleaseInnerReferences() {
  UnsubscribeAllClients();
  mWindow = nullptr;
  (void)SetRootControlByName(WideString());
  Shutdown();
  return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? S_OK : E_FAIL;
}

// ---- Window services

RectT<std::int32_t> LRootWindow::GetBounds() {
  if (!mWindow)
    return mBounds;
  RectT<std::int32_t> client = mBounds;
  mWindow->GetClientRect(client);
  const PointT<std::int32_t> origin = mWindow->ClientToScreen({0, 0});
  mBounds = {origin.x, origin.y, client.width, client.height};
  return mBounds;
}

SizeT<std::int32_t> LRootWindow::GetSize() {
  const RectT<std::int32_t> bounds = GetBounds();
  return {bounds.width, bounds.height};
}

SizeT<std::int32_t> LRootWindow::ClientSize() { return GetSize(); }

void LRootWindow::SetBounds(const RectT<std::int32_t>& bounds) {
  if (!mWindow || bounds == GetBounds())
    return;
  (void)mWindow->SetClientBounds(bounds);
  if (mRootControl) {
    const RectT<double> local = mRootControl->GetLocalBounds();
    (void)mRootControl->InvalidateRect({0, 0, local.width, local.height}, true);
  }
}

void LRootWindow::InvalidateRect(const RectT<std::int32_t>& rect) {
  const SizeT<std::int32_t> client = ClientSize();
  RectT<std::int32_t> clipped;
  if (!RectT<std::int32_t>::Intersect(rect, {0, 0, client.width, client.height}, clipped))
    return;
  {
    MutexLock lock(mPaintLock);
    mInvalidRegion.AddRect({clipped.x, clipped.y, clipped.x + clipped.width, clipped.y + clipped.height});
  }
  if (mWindow)
    mWindow->InvalidateRect(clipped);
}

void LRootWindow::InvalidateClientArea() {
  const SizeT<std::int32_t> client = ClientSize();
  InvalidateRect({0, 0, client.width, client.height});
}

QZRESULT LRootWindow::RedrawNow() {
  InvalidateClientArea();
  return mWindow ? mWindow->RedrawNow() : E_FAIL;
}

void LRootWindow::TakeInvalidRegion(Region& out) {
  if (mInvalidateAll) {
    InvalidateClientArea();
    mInvalidateAll = false;
  }
  MutexLock lock(mPaintLock);
  out = Region();
  out = mInvalidRegion;
  mInvalidRegion = Region();
}

std::uint32_t LRootWindow::GetMouseButtonState() {
  if (!mWindow)
    return 0;
  if (mWindow->IsActive())
    return mWindow->GetMouseButtonState();
  IFrameworkApp* app = GetFrameworkApp();
  return app ? app->GetMouseButtonState() : 0;
}

PointT<std::int32_t> LRootWindow::GetCursorPosition() {
  if (!mWindow)
    return {0, 0};
  if (mWindow->IsActive())
    return mWindow->GetCursorPosition();
  IFrameworkApp* app = GetFrameworkApp();
  return mWindow->ScreenToClient(app ? app->GetCursorPosition() : PointT<std::int32_t>{});
}

QZRESULT LRootWindow::RequestClose(std::int32_t result) {
  if (!mWindow)
    return E_FAIL;
  mCloseResult = result;
  mCloseRequested = true;
  return S_OK;
}

void LRootWindow::RequestSystemClose() {
  // A dialog root control ends with its cancel result once the dialog class
  // exists; every other window closes with 0.
  if (mWindow)
    (void)RequestClose(0);
}

bool LRootWindow::ConstrainSize(std::int32_t& width, std::int32_t& height) {
  std::int32_t newWidth = width;
  std::int32_t newHeight = height;
  if (mRootControl && mRootControl->GetLayout()) {
    IFrameworkApp* app = GetFrameworkApp();
    const RectT<std::int32_t> workArea = app ? app->GetWorkArea() : RectT<std::int32_t>{};
    const PointT<std::int32_t> origin = mWindow ? mWindow->ClientToScreen({0, 0}) : PointT<std::int32_t>{};
    const RectT<double> reference{-static_cast<double>(origin.x), -static_cast<double>(origin.y),
                                  static_cast<double>(workArea.width), static_cast<double>(workArea.height)};
    const PointT<std::int32_t> cursor = app ? app->GetCursorPosition() : PointT<std::int32_t>{};
    RectT<double> out;
    if (LControl::ComputeLayoutBounds(mRootControl->GetLayout().Get(), nullptr, reference,
                                      {static_cast<double>(width), static_cast<double>(height)},
                                      cursor.ToDoublePoint(), out) == S_OK) {
      out.SnapToPixels();
      PointT<double> position{out.x, out.y};
      SizeT<double> size{out.width, out.height};
      (void)mRootControl->ApplyLayoutMinSize(position, size);
      (void)mRootControl->ApplyLayoutMaxSize(position, size);
      RectT<double> limited{position.x, position.y, size.width, size.height};
      limited.SnapToPixels();
      newWidth = RoundToLong(limited.width);
      newHeight = RoundToLong(limited.height);
    }
  }
  if (newWidth <= 0)
    newWidth = 1;
  if (newHeight <= 0)
    newHeight = 1;
  const bool changed = newWidth != width || newHeight != height;
  width = newWidth;
  height = newHeight;
  return changed;
}

void LRootWindow::SetTextInputFocus(bool gained, const RCPtr<LControl>& control, std::int32_t value) {
  if (!mWindow)
    return;
  if (!gained)
    mWindow->EnableTextInput(false, value);
  else if (control && control == mFocus)
    mWindow->EnableTextInput(true, value);
}

void LRootWindow::TabToNextWindow(const RCPtr<LKeyParam>& key) {
  if (!mWindow || !mWindow->IsActive() || mWindow->IsInModalLoop())
    return;
  auto* app = dynamic_cast<LFrameworkApp*>(GetFrameworkApp());
  const bool backwards = key && (key->mKey.Bits() & kKeyShift) != 0;
  const std::int32_t count = app ? static_cast<std::int32_t>(app->GetRootWindowCount()) : 0;
  if (count <= 1) {
    // Going round the window's own tree is the control base's focus moving.
    return;
  }
  std::int32_t next = app->IndexOfRootWindow(RCPtr<IRootWindow>(this)) + (backwards ? -1 : 1);
  if (next < 0)
    next = count - 1;
  else if (next >= count)
    next = 0;
  const RCPtr<IRootWindow> window = app->GetRootWindow(static_cast<std::uint32_t>(next));
  IWindowOSServices* native = window ? window->GetWindowOSServices() : nullptr;
  if (native && !native->IsActive())
    (void)native->SetFocus();
}

CursorID LRootWindow::SetCursor(CursorID cursor) {
  if (!mWindow)
    return 0;
  if (cursor == 0)
    cursor = GetCursorID(WideString(kCursorDefault));
  return mWindow->SetCursor(cursor);
}

// ---- Focus, capture, hover

void LRootWindow::SetFocusedControl(const RCPtr<LControl>& control) {
  if (mFocus != control)
    mFocus = control;
}

void LRootWindow::ClearFocusedControl() {
  mPreviousFocus = std::move(mFocus);
  mFocus = RCPtr<LControl>();
}

QZRESULT LRootWindow::SetCaptureControl(const RCPtr<LControl>& control) {
  if (!control)
    return E_INVALIDARG;
  mCapture = control;
  return S_OK;
}

QZRESULT LRootWindow::ClearCaptureControl() {
  mCapture = RCPtr<LControl>();
  return S_OK;
}

QZRESULT LRootWindow::SetHoverControl(const RCPtr<LControl>& control) {
  RCPtr<LControl> next = control;
  if (mCapture && next != mCapture)
    next = RCPtr<LControl>();
  if (next == mHover)
    return S_OK;
  RCPtr<LControl> owner;
  if (next && next != mCapture) {
    owner = LControl::GetToolTipOwner(next);
    if (owner && owner->GetToolTipText().IsEmpty())
      owner = RCPtr<LControl>();
  }
  if (owner != mToolTipOwner)
    mToolTipOwner = owner;
  mHover = next;
  return S_OK;
}

QZRESULT LRootWindow::GetControlAtPoint(RCPtr<LControl>& control, const PointT<std::int32_t>&,
                                        PointT<std::int32_t>&, bool hoverUpdate) {
  control = RCPtr<LControl>();
  if (hoverUpdate)
    (void)SetHoverControl(control);
  return S_OK;
}

// ---- Input

void LRootWindow::DispatchMouseButton(std::int32_t action, std::uint32_t button, std::uint32_t,
                                      const PointT<std::int32_t>&, std::int32_t) {
  if (!mWindow || !mWindow->IsActive())
    return;
  const std::uint32_t bit = button & (kMouseButtonLeft | kMouseButtonMiddle | kMouseButtonRight);
  switch (action) {
  case kMouseActionPress:
    mDoubleClickPending &= ~bit;
    break;
  case kMouseActionRelease:
    mDoubleClickPending &= ~bit;
    break;
  case kMouseActionDoubleClick:
    mDoubleClickPending |= bit;
    break;
  default:
    break;
  }
}

void LRootWindow::DispatchMouseMove(const PointT<std::int32_t>& point, std::uint32_t, std::int32_t) {
  if (!mWindow || !mWindow->IsActive())
    return;
  RCPtr<LControl> target;
  PointT<std::int32_t> local;
  (void)GetControlAtPoint(target, point, local, true);
}

void LRootWindow::DispatchMouseWheel(const PointT<std::int32_t>&, std::uint32_t, std::uint32_t) {
  if (!mWindow || !mWindow->IsActive())
    return;
}

void LRootWindow::DispatchKey(const RCPtr<LKeyParam>&) {}

void LRootWindow::QueueKey(const RCPtr<LKeyParam>& key) {
  if (key)
    (void)mKeyQueue.Enqueue(key);
}

void LRootWindow::OnWindowFocusLost() {
  (void)SetHoverControl(RCPtr<LControl>());
  if (mFocus)
    ClearFocusedControl();
}

void LRootWindow::RestoreFocus() {}

void LRootWindow::CaptureLost() { mCapture = RCPtr<LControl>(); }

void LRootWindow::NotifyClientSizeChanged(std::int32_t, std::int32_t) {}

// ---- Drops

bool LRootWindow::UpdateDropTarget(const PointT<std::int32_t>& point) {
  RCPtr<LControl> control;
  PointT<std::int32_t> local;
  (void)GetControlAtPoint(control, point, local, false);
  if (control == mDropTarget)
    return mDropAllowed;
  mDropTarget = control;
  mDropAllowed = false;
  return mDropAllowed;
}

QZRESULT LRootWindow::Drop() {
  // No control takes files until the controls' drop operations exist.
  return E_FAIL;
}

void LRootWindow::ClearDrop() {
  mDropData = RCPtr<LDropFileList>();
  mDropTarget = RCPtr<LControl>();
  mDropAllowed = false;
}

// ---- Paint

void LRootWindow::Paint(const Region& region) {
  if (!mRootControl || region.IsEmpty())
    return;
  // States saved and not restored mean a frame broke off half-way: draw
  // nothing now and everything at the next paint.
  const LRenderContextInfo* context = mRenderer ? mRenderer->GetCurrentContext() : nullptr;
  if (context && !context->mSavedStates.empty()) {
    if (mWindow)
      mWindow->InvalidateAll();
    return;
  }
  RectT<double> clip = mRootControl->GetLocalBounds();
  EdgeRect box;
  if (region.GetBounds(box)) {
    const double left = std::max(clip.x, static_cast<double>(box.left));
    const double top = std::max(clip.y, static_cast<double>(box.top));
    const double right = std::min(clip.x + clip.width, static_cast<double>(box.right));
    const double bottom = std::min(clip.y + clip.height, static_cast<double>(box.bottom));
    clip = {left, top, right - left, bottom - top};
  }
  const SizeT<std::int32_t> client = ClientSize();
  const RectT<double> origin = RectT<std::int32_t>{0, 0, client.width, client.height}.ToDoubleRect();
  ClipSpec spec;
  spec.mFlavor = kClipFlavorClip;
  spec.mBounds = origin;
  spec.mClip = clip;
  spec.mRelative = false;
  const CAutoClip scope(mRenderer, spec);
  // The tree itself is drawn by the controls' layer rendering.
}

// ---- Idle

bool LRootWindow::ProcessIdle(bool sendIdle) {
  while (mKeyQueue.GetCount() != 0) {
    const RCPtr<LKeyParam> key = mKeyQueue.Dequeue();
    DispatchKey(key);
  }
  bool moreWork = false;
  if (!mProcessingQueue) {
    mProcessingQueue = true;
    try {
      moreWork = Process(sendIdle);
    } catch (...) {
      mProcessingQueue = false;
      throw;
    }
    mProcessingQueue = false;
  }
  if (mCloseRequested && mWindow) {
    mCloseRequested = false;
    (void)mWindow->EndModal(mCloseResult);
  }
  return moreWork;
}

} // namespace QZ
