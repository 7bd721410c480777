#include "QZFramework/Application/RootWindow.h"

#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Controls/Dialog.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace QZ {
namespace {

constexpr const char16_t* kHotKeyPrefix = u"GHK";

// The top-left corner of the client area of the look a control shows, whole pixels.
PointT<std::int32_t> LookClientOffset(const LControl& control) {
  const RectT<std::int32_t> client = control.GetLookClientRect(-1).RoundToLong();
  return {client.x, client.y};
}

// Pops the state its owner pushed, also when a control raises while drawing.
class PopStateOnExit {
public:
  explicit PopStateOnExit(const RCPtr<LRenderer>& renderer) : mRenderer(renderer) {}
  ~PopStateOnExit() { mRenderer->PopState(); }
  PopStateOnExit(const PopStateOnExit&) = delete;
  PopStateOnExit& operator=(const PopStateOnExit&) = delete;

private:
  const RCPtr<LRenderer>& mRenderer;
};

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
  // A control made for this window before it was installed gave its text to
  // nobody: the window takes it as its title now (an empty text leaves the
  // title the window was made with).
  if (mWindow && !control->GetText().IsEmpty())
    mWindow->SetTitle(control->GetText());
  AxisPlacement position;
  position.mReference = kPositionClient;
  SizeSpec size;
  size.mReference = kSizeClient;
  size.mRelative = 1.0f;
  (void)control->SetPlacement(position, size, position, size);
  if (!mFocus && mWindow) {
    if (mWindow->HasFocus())
      (void)control->SetFocus(true);
    else
      (void)mWindow->SetFocus();
  }
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
  mLayerControls.RemoveAll(); // left over when a paint broke off
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
  // A dialog closes as its Cancel button does, so its listeners may refuse;
  // every other window closes with 0.
  if (const RCPtr<LDialog> dialog = DynamicCast<LDialog>(mRootControl)) {
    dialog->Close(kDialogResultCancel);
    return;
  }
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
    if (mRootControl) {
      const RCPtr<LControl> root = mRootControl;
      (void)root->KillFocus();
      (void)root->SetFocus(!backwards);
    }
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

// ---- Hot keys

std::int32_t LRootWindow::ProcessHotKey(const KeyCode& key) {
  if (mWindow && OSWindow::IsBehindModalWindow(mWindow))
    return S_OK;
  return mHotKeys ? mHotKeys->ProcessKey(key) : 1;
}

bool LRootWindow::HasHotKey(const WideString& id) { return mHotKeys && mHotKeys->GetHotKeyMap().HasKeys(id); }

void LRootWindow::DeliverHotKeyCommand(const WideString& id) {
  if (mHotKeys && mHotKeys->GetTarget())
    DeliverNotification(mHotKeys->GetTarget(), id.GetChars());
}

std::uint32_t LRootWindow::FindFirstHotKey(const WideString& id) {
  return mHotKeys ? FindFirstKeyCode(mHotKeys->GetHotKeyMap(), id).Bits() : kNoHotKeyCode;
}

// ---- Focus, capture, hover

QZRESULT LRootWindow::SetFocusedControl(const RCPtr<LControl>& control) {
  if (mFocus != control)
    mFocus = control;
  return S_OK;
}

QZRESULT LRootWindow::ClearFocusedControl() {
  mPreviousFocus = std::move(mFocus);
  mFocus = RCPtr<LControl>();
  return S_OK;
}

QZRESULT LRootWindow::SetCaptureControl(const RCPtr<LControl>& control) {
  if (!control)
    return E_INVALIDARG;
  // The control that captures has marked itself captured already: only
  // another holder is told it lost the pointer.
  if (mCapture && mCapture != control) {
    const RCPtr<LControl> old = mCapture;
    (void)old->EndCapture();
  }
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
  if (owner != mToolTipOwner) {
    const RCPtr<LControl> oldOwner = std::move(mToolTipOwner);
    if (oldOwner)
      (void)oldOwner->CreateToolTip(false);
    mToolTipOwner = owner;
    if (owner)
      (void)owner->CreateToolTip(true);
  }
  const RCPtr<LControl> old = std::move(mHover);
  mHover = next;
  if (old && (old->GetParent() || old->GetRootWindow()))
    (void)old->OnMouseLeave();
  if (next)
    (void)next->OnMouseEnter();
  return S_OK;
}

void LRootWindow::HideToolTip() {
  // The owner stays: the same control shows no new tip until the pointer has left it.
  if (const RCPtr<LControl> owner = mToolTipOwner)
    (void)owner->CreateToolTip(false);
}

PointT<std::int32_t> LRootWindow::LocalPoint(const RCPtr<LControl>& control, const PointT<std::int32_t>& point) {
  const PointT<std::int32_t> origin = control->GetPositionInRoot().RoundToLong();
  return {point.x - origin.x, point.y - origin.y};
}

QZRESULT LRootWindow::GetControlAtPoint(RCPtr<LControl>& control, const PointT<std::int32_t>& point,
                                        PointT<std::int32_t>& local, bool hoverUpdate) {
  control = RCPtr<LControl>();
  local = {0, 0};
  if (!mRootControl)
    return S_OK;
  const RCPtr<LControl> root = mRootControl;
  const PointT<std::int32_t> origin = PointT<double>{root->GetBounds().x, root->GetBounds().y}.RoundToLong();
  std::int32_t zOrder = LControl::kNotFloating;
  control = root->HitTest({point.x - origin.x, point.y - origin.y}, true, local, zOrder);
  if (hoverUpdate)
    (void)SetHoverControl(control);
  return S_OK;
}

// ---- Input

void LRootWindow::DispatchMouseButton(std::int32_t action, std::uint32_t button, std::uint32_t modifiers,
                                      const PointT<std::int32_t>& point, std::int32_t pointerIndex) {
  if (!mWindow || !mWindow->IsActive())
    return;
  if (point != GetCursorPosition())
    DispatchMouseMove(point, modifiers, pointerIndex);
  HideToolTip();
  const bool knownButton =
      button == kMouseButtonLeft || button == kMouseButtonMiddle || button == kMouseButtonRight;
  if (action == kMouseActionRelease) {
    if (!mCapture)
      return;
    const RCPtr<LControl> target = mCapture;
    const std::uint32_t doubleClick = (mDoubleClickPending & button) != 0 ? 1 : 0;
    mDoubleClickPending &= ~button;
    (void)target->OnMouseUp(LMouseButtonParam::Create(button, LocalPoint(target, point), modifiers, doubleClick,
                                                      GetMouseButtonState(), pointerIndex));
    return;
  }
  RCPtr<LControl> target;
  PointT<std::int32_t> local;
  if (mCapture) {
    target = mCapture;
    local = LocalPoint(target, point);
  } else {
    (void)GetControlAtPoint(target, point, local, true);
    if (!target)
      return;
  }
  const std::uint32_t state = GetMouseButtonState();
  if (!knownButton)
    return;
  std::uint32_t doubleClick = 0;
  if (action == kMouseActionDoubleClick) {
    doubleClick = 1;
    mDoubleClickPending |= button;
  } else {
    mDoubleClickPending &= ~button;
  }
  (void)target->OnMouseDown(LMouseButtonParam::Create(button, local, modifiers, doubleClick, state, pointerIndex));
}

void LRootWindow::DispatchMouseMove(const PointT<std::int32_t>& point, std::uint32_t modifiers,
                                    std::int32_t pointerIndex) {
  if (!mWindow || !mWindow->IsActive())
    return;
  RCPtr<LControl> target;
  PointT<std::int32_t> local;
  if (mCapture) {
    const RCPtr<LControl> holder = mCapture;
    (void)GetControlAtPoint(target, point, local, true);
    target = holder;
    local = LocalPoint(holder, point);
  } else {
    (void)GetControlAtPoint(target, point, local, true);
    if (!target)
      return;
  }
  (void)target->OnMouseMove(LPointWithModifiersParam::Create(local, modifiers, pointerIndex));
}

void LRootWindow::DispatchMouseWheel(const PointT<std::int32_t>& point, std::uint32_t modifiers,
                                     std::uint32_t direction) {
  if (!mWindow || !mWindow->IsActive())
    return;
  HideToolTip();
  RCPtr<LControl> target = mCapture;
  if (!target) {
    PointT<std::int32_t> local;
    (void)GetControlAtPoint(target, point, local, true);
    if (!target)
      return;
  }
  const RCPtr<LMouseWheelParam> param = LMouseWheelParam::Create(point, modifiers, direction);
  const bool horizontal = direction == kWheelLeft || direction == kWheelRight;
  const QZRESULT result = horizontal ? target->OnMouseHorizontalWheel(param) : target->OnMouseWheel(param);
  if (result == 1 && mFocus) {
    const RCPtr<LControl> focus = mFocus;
    (void)(horizontal ? focus->OnMouseHorizontalWheel(param) : focus->OnMouseWheel(param));
  }
}

void LRootWindow::DispatchKey(const RCPtr<LKeyParam>& key) {
  HideToolTip();
  if (!mFocus || !key)
    return;
  DeliverKey(key);
}

void LRootWindow::DeliverKey(const RCPtr<LKeyParam>& key) {
  const RCPtr<LControl> focus = mFocus;
  focus->OnKey(key);
  // A control that the key gave the focus (Tab, Shift+Tab, a key that moves it otherwise) comes into sight,
  // so that its ring shows in a window smaller than its layout. The focus going deeper into the control that
  // held it (a combo box handing it to its open list) is no move: that control is where the user looks, and
  // its part places itself.
  const RCPtr<LControl> gained = mFocus;
  if (gained && gained != focus && !focus->IsSelfOrAncestorOf(gained.GetRaw()))
    gained->ScrollIntoView();
}

void LRootWindow::QueueKey(const RCPtr<LKeyParam>& key) {
  if (key)
    (void)mKeyQueue.Enqueue(key);
}

void LRootWindow::OnWindowFocusLost() {
  (void)SetHoverControl(RCPtr<LControl>());
  if (!mRootControl)
    return;
  const RCPtr<LControl> root = mRootControl;
  (void)root->SetFocus(true);
  (void)root->KillFocus();
}

void LRootWindow::RestoreFocus() {
  if (!mFocus && mPreviousFocus) {
    const RCPtr<LControl> previous = mPreviousFocus;
    const RCPtr<LControl> top = previous->GetTopLevelControl();
    if (top && top->GetRootWindow().Get() == static_cast<IRootWindow*>(this)) {
      (void)previous->SetFocus(true);
      return;
    }
  }
  if (mRootControl) {
    const RCPtr<LControl> root = mRootControl;
    (void)root->SetFocus(true);
  }
}

void LRootWindow::CaptureLost() {
  if (!mCapture)
    return;
  const RCPtr<LControl> holder = mCapture;
  (void)holder->EndCapture();
  if (mCapture == holder)
    mCapture = RCPtr<LControl>();
}

void LRootWindow::NotifyClientSizeChanged(std::int32_t width, std::int32_t height) {
  const RCPtr<LRootWindow> self(this);
  if (mRootControl) {
    const RCPtr<LControl> root = mRootControl;
    (void)root->OnContainerResized({width, height});
  }
  // The system repeats a size now and then (a move, a show): only a new one is news.
  const SizeT<std::int32_t> size{width, height};
  if (size == mNotifiedSize)
    return;
  mNotifiedSize = size;
  (void)Notify(LNotification::Create(kNidWindowSizeChange));
}

// ---- Drops

bool LRootWindow::UpdateDropTarget(const PointT<std::int32_t>& point) {
  RCPtr<LControl> control;
  PointT<std::int32_t> local;
  (void)GetControlAtPoint(control, point, local, false);
  if (control == mDropTarget)
    return mDropAllowed;
  mDropTarget = control;
  mDropAllowed = control ? control->CanDrop(mDropData) : false;
  return mDropAllowed;
}

QZRESULT LRootWindow::Drop() {
  if (!mDropTarget)
    return E_FAIL;
  const RCPtr<LControl> target = mDropTarget;
  return target->Drop(mDropData);
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
  RectT<double> clip = mRootControl->GetBounds();
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
  const RCPtr<LControl> root = mRootControl; // a control's hook may replace the tree
  RenderControlTree(root, region, false);
}

void LRootWindow::RenderControlTree(const RCPtr<LControl>& control, const Region& region, bool layered) {
  mLayerControls.RemoveAll();
  static_cast<void>(control->RenderLayer(mRenderer, region, mLayerControls, layered));
  if (mLayerControls.GetCount() == 0)
    return;
  // The list is shared with the nested passes below: draw from a copy.
  std::vector<RCPtr<LControl>> floating;
  floating.reserve(mLayerControls.GetCount());
  for (std::uint32_t i = 0; i < mLayerControls.GetCount(); ++i)
    floating.push_back(mLayerControls.GetAt(i));
  mLayerControls.RemoveAll();
  std::stable_sort(floating.begin(), floating.end(), [](const RCPtr<LControl>& a, const RCPtr<LControl>& b) {
    return a->GetLayout()->mZOrder < b->GetLayout()->mZOrder;
  });
  for (const RCPtr<LControl>& layer : floating) {
    // Each floating control is drawn in its parent's child space, clipped only
    // to its own bounds, over everything drawn before it.
    PointT<double> origin{};
    if (const RCPtr<LControl> parent = layer->GetParent()) {
      const PointT<std::int32_t> at = parent->GetPositionInRoot().RoundToLong();
      const PointT<std::int32_t> client = LookClientOffset(*parent);
      const PointT<double>& scroll = parent->GetScrollOffset();
      origin = {static_cast<double>(at.x) + client.x - scroll.x, static_cast<double>(at.y) + client.y - scroll.y};
    }
    mRenderer->PushClip({origin.x, origin.y, 0, 0}, layer->GetBounds(), RCPtr<LStencil>(), false);
    const PopStateOnExit scope(mRenderer);
    if (RenderState* state = mRenderer->GetCurrentState()) {
      // The ancestors' opacity, as the control would have inherited it inside
      // its parent; its own is applied by its layer.
      float inherited = 1.0f;
      for (RCPtr<LControl> ancestor = layer->GetParent(); ancestor; ancestor = ancestor->GetParent())
        inherited *= ancestor->GetOpacity();
      state->mAlpha = inherited;
      state->mStencilInstalled = false;
    }
    RenderControlTree(layer, region, true);
  }
}

// ---- Idle

bool LRootWindow::ProcessIdle(bool sendIdle) {
  while (mKeyQueue.GetCount() != 0) {
    const RCPtr<LKeyParam> key = mKeyQueue.Dequeue();
    HideToolTip();
    if (mFocus && key)
      DeliverKey(key);
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
