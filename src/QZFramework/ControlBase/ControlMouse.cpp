// The control's mouse input: hit testing over the tree, enter and leave,
// press, move and release, the capture, click dispatch, the wheel, cursors,
// forced hover and drops from outside.

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <cstdlib>

namespace QZ {

namespace {

constexpr const char16_t* kMouseDown = u"NID_MOUSE_DOWN";
constexpr const char16_t* kMouseUp = u"NID_MOUSE_UP";
constexpr const char16_t* kMouseMove = u"NID_MOUSE_MOVE";
constexpr const char16_t* kLeftClick = u"NID_LEFT_CLICK";
constexpr const char16_t* kMiddleClick = u"NID_MIDDLE_CLICK";
constexpr const char16_t* kRightClick = u"NID_RIGHT_CLICK";
constexpr const char16_t* kArrowCursor = u"UI_CURSOR_ARROW";

bool IsButton(std::uint32_t button) {
  return button == kMouseButtonLeft || button == kMouseButtonMiddle || button == kMouseButtonRight;
}

bool ClipsToParent(const LControl& control) {
  const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
  return !layout || layout->mClipToParent;
}

bool DockedOnBothAxes(const LControl& control) {
  const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
  return layout && layout->mPlacement[LLayoutDescriptor::kAxisX].mDocked &&
         layout->mPlacement[LLayoutDescriptor::kAxisY].mDocked;
}

double Limited(double v) { return std::clamp(v, -kMaxExactDouble, kMaxExactDouble); }

bool Inside(const RectT<std::int32_t>& r, const PointT<std::int32_t>& p) {
  return std::int64_t{r.x} <= p.x && p.x < std::int64_t{r.x} + r.width && std::int64_t{r.y} <= p.y &&
         p.y < std::int64_t{r.y} + r.height;
}

PointT<std::int32_t> Offset(const PointT<std::int32_t>& p, std::int64_t dx, std::int64_t dy) {
  const auto clamp = [](std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  };
  return {clamp(p.x + dx), clamp(p.y + dy)};
}

} // namespace

// ---------------------------------------------------------------------------
// Hit testing

bool LControl::IsTransparentAt(const PointT<std::int32_t>& point) const {
  bool transparent = true;
  for (std::uint32_t i = 0; i < mLooks.GetCount() && transparent; ++i) {
    if (i < mLookWeights.GetCount() && mLookWeights.GetAt(i) > 0.0f)
      transparent = (GetLookColorAtPoint(point, static_cast<std::int32_t>(i)) >> 24) == 0;
  }
  return transparent;
}

std::int32_t LControl::GetFloatingZOrder() const {
  std::int32_t z = kNotFloating;
  for (const LControl* control = this; control; control = control->mParent.GetRaw()) {
    if (!ClipsToParent(*control))
      z = std::max(z, control->mLayout->mZOrder);
  }
  return z;
}

bool LControl::IsUnclipped(bool recursive) const {
  for (const LControl* control = this; control; control = control->mParent.GetRaw()) {
    if (!ClipsToParent(*control))
      return true;
    if (!recursive)
      break;
  }
  return false;
}

RCPtr<LControl> LControl::HitTest(const PointT<std::int32_t>& point, bool withinClip, PointT<std::int32_t>& local,
                                  std::int32_t& zOrder) {
  local = {0, 0};
  if (!mLayout || !mLayout->mVisible || mBounds.width <= 0 || mBounds.height <= 0)
    return RCPtr<LControl>();
  const bool inside = ContainsPoint(point);
  if (!inside && mUnclippedDescendants == 0)
    return RCPtr<LControl>();

  RCPtr<LControl> best;
  std::int32_t bestZ = kNotFloating;
  const bool floats = GetFloatingZOrder() > kNotFloating;
  if (mChildren.GetCount() > 0) {
    const PointT<std::int32_t> scroll = mScrollOffset.RoundToLong();
    for (std::uint32_t look = 0; look < mLooks.GetCount(); ++look) {
      if (look >= mLookWeights.GetCount() || mLookWeights.GetAt(look) <= 0.0f)
        continue;
      const RectT<std::int32_t> client = GetLookClientRect(static_cast<std::int32_t>(look)).RoundToLong();
      const bool clientInside = Inside(client, point);
      const PointT<std::int32_t> inChildren =
          Offset(point, std::int64_t{scroll.x} - client.x, std::int64_t{scroll.y} - client.y);
      for (std::uint32_t k = mChildren.GetCount(); k-- > 0;) {
        if (k >= mChildren.GetCount())
          continue;
        // Held: a listener may take the child out of the tree while it is asked.
        const RCPtr<LControl> child = mChildren.GetAt(k, kZOrder);
        const bool test =
            (!best && ((inside && withinClip && (DockedOnBothAxes(*child) || clientInside)) || floats)) ||
            !ClipsToParent(*child) || child->mUnclippedDescendants > 0;
        if (!test)
          continue;
        const PointT<std::int32_t> position = PointT<double>{child->mBounds.x, child->mBounds.y}.RoundToLong();
        PointT<std::int32_t> childLocal{};
        const RCPtr<LControl> found =
            child->HitTest(Offset(inChildren, -std::int64_t{position.x}, -std::int64_t{position.y}),
                           withinClip && inside, childLocal, zOrder);
        if (!found)
          continue;
        const std::int32_t foundZ = found->GetFloatingZOrder();
        if (!best || foundZ > bestZ) {
          best = found;
          bestZ = foundZ;
          local = childLocal;
        }
      }
    }
  }
  if (best) {
    zOrder = bestZ;
    return best;
  }

  const std::int32_t z = GetFloatingZOrder();
  bool outsideParentClient = false;
  if (mParent && !DockedOnBothAxes(*this) && ClipsToParent(*this)) {
    PointT<double> inParent{Limited(point.x), Limited(point.y)};
    mParent->ConvertPointFrom(*this, inParent);
    outsideParentClient = !Inside(mParent->GetLookClientRect(-1).RoundToLong(),
                                  PointT<double>{inParent.x, inParent.y}.RoundToLong());
  }
  if (!IsTransparentAt(point) && !mHitTestExcluded && inside && !outsideParentClient &&
      ((z > kNotFloating && z > zOrder) || (z == kNotFloating && withinClip))) {
    local = point;
    zOrder = z;
    return RCPtr<LControl>(this);
  }
  return RCPtr<LControl>();
}

// ---------------------------------------------------------------------------
// Enter, leave, press, move, release

bool LControl::IsUsable() const {
  return IsVisible(true) && IsEnabled(false) && (!mParent || mParent->IsEnabled(true));
}

QZRESULT LControl::OnMouseEnter() {
  mMouseInside = true;
  UpdateConditions();
  return S_OK;
}

QZRESULT LControl::OnMouseLeave() {
  mMouseInside = false;
  UpdateConditions();
  return S_OK;
}

QZRESULT LControl::TakeFocusOnMouseDown(const RCPtr<LControl>&) {
  if (!mNotFocusable && (!mParent || mFocusIgnoresAncestors || !mParent->IsNotFocusable(true)))
    SetFocus(true);
  else if (mParent)
    mParent->TakeFocusOnMouseDown(RCPtr<LControl>(this));
  return S_OK;
}

bool LControl::IsNotFocusable(bool recursive) const {
  for (const LControl* control = this; control; control = control->mParent.GetRaw()) {
    if (control->mNotFocusable)
      return true;
    if (!recursive || control->mFocusIgnoresAncestors)
      break;
  }
  return false;
}

QZRESULT LControl::OnMouseDown(const RCPtr<LMouseButtonParam>& param) {
  if (!param || !IsButton(param->mButton))
    return E_INVALIDARG;
  if (!mCaptured && !IsUsable())
    return S_FALSE;
  // Held: listeners may close the control while it handles the press.
  const RCPtr<LControl> self(this);
  StopFlingOnPress();
  if (!mCaptured)
    TakeFocusOnMouseDown(self);
  switch (param->mButton) {
  case kMouseButtonLeft:
    mLastLeftPress = param;
    HandleLeftButtonDown(param);
    break;
  case kMouseButtonMiddle:
    HandleMiddleButtonDown(param);
    break;
  default:
    HandleRightButtonDown(param);
    break;
  }
  Notify(LNotification::Create(kMouseDown, param));
  if (!mCaptured)
    static_cast<UITarget*>(this)->BeginCapture(static_cast<std::int32_t>(param->mButton), param->mPoint);
  return S_OK;
}

QZRESULT LControl::OnMouseMove(const RCPtr<LPointWithModifiersParam>& param) {
  if (!param)
    return E_INVALIDARG;
  const RCPtr<LControl> self(this);
  if (IFrameworkApp* app = GetFrameworkApp())
    mMoveTime = app->GetMilliseconds();
  if (mLeftDragArmed || mMiddleDragArmed || mRightDragArmed) {
    const PointT<std::int32_t> pressed =
        PointT<double>{mDragOrigin.x - mBounds.x, mDragOrigin.y - mBounds.y}.RoundToLong();
    const std::int64_t distance = std::max(std::llabs(std::int64_t{param->mPoint.x} - pressed.x),
                                           std::llabs(std::int64_t{param->mPoint.y} - pressed.y));
    if (distance >= mDragThreshold) {
      // Hooks and listeners see the press point before the drag begins; the
      // armed bytes stay set, but this nested move is at distance 0.
      const bool savedArmed[3] = {mLeftDragArmed, mMiddleDragArmed, mRightDragArmed};
      mLeftDragArmed = mMiddleDragArmed = mRightDragArmed = false;
      static_cast<UITarget*>(this)->OnMouseMove(LPointWithModifiersParam::Create(pressed, param->mModifiers, 0));
      if (savedArmed[0])
        mLeftDragging = true;
      else if (savedArmed[1])
        mMiddleDragging = true;
      else
        mRightDragging = true;
      UpdateConditions();
    }
  }
  HandleMouseMove(param);
  Notify(LNotification::Create(kMouseMove, param));
  // Last: hooks and listeners see the control where the move found it.
  if (mLeftDragging && mDragMode != kDragNone)
    DragTo(param);
  mLastMoveTime = mMoveTime;
  return S_OK;
}

QZRESULT LControl::OnMouseUp(const RCPtr<LMouseButtonParam>& param) {
  if (!param || !IsButton(param->mButton))
    return E_INVALIDARG;
  if (!mCaptured && !IsUsable())
    return S_FALSE;
  const RCPtr<LControl> self(this);
  bool armed = false;
  bool dragging = false;
  switch (param->mButton) {
  case kMouseButtonLeft:
    HandleLeftButtonUp(param);
    armed = mLeftDragArmed;
    dragging = mLeftDragging;
    break;
  case kMouseButtonMiddle:
    HandleMiddleButtonUp(param);
    armed = mMiddleDragArmed;
    dragging = mMiddleDragging;
    break;
  default:
    HandleRightButtonUp(param);
    armed = mRightDragArmed;
    dragging = mRightDragging;
    break;
  }
  const bool click = mMouseInside && (armed || (dragging && mDragMode == 0));
  if (param->mButton == kMouseButtonLeft && dragging && mDragMode == kDragScroll)
    FlingOnRelease();
  Notify(LNotification::Create(kMouseUp, param));
  if (mCaptured && param->mButtonState == 0)
    static_cast<UITarget*>(this)->EndCapture();
  if (click && IsEnabled(false) && (!mParent || mParent->IsEnabled(true)))
    DispatchClick(param);
  return S_OK;
}

void LControl::HandleLeftButtonDown(const RCPtr<LMouseButtonParam>&) {}
void LControl::HandleMiddleButtonDown(const RCPtr<LMouseButtonParam>&) {}
void LControl::HandleRightButtonDown(const RCPtr<LMouseButtonParam>&) {}
void LControl::HandleLeftButtonUp(const RCPtr<LMouseButtonParam>&) {}
void LControl::HandleMiddleButtonUp(const RCPtr<LMouseButtonParam>&) {}
void LControl::HandleRightButtonUp(const RCPtr<LMouseButtonParam>&) {}
void LControl::HandleMouseMove(const RCPtr<LPointWithModifiersParam>&) {}
void LControl::HandleLeftClick(const RCPtr<LMouseButtonParam>&) {}
void LControl::HandleMiddleClick(const RCPtr<LMouseButtonParam>&) {}
void LControl::HandleRightClick(const RCPtr<LMouseButtonParam>&) {}

// ---------------------------------------------------------------------------
// Capture

QZRESULT LControl::BeginCapture(std::int32_t button, PointT<std::int32_t> point) {
  if (!IsUsable() || mCaptured)
    return S_FALSE;
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (button != 0) {
    const auto bit = static_cast<std::uint32_t>(button);
    if (!IsButton(bit) || !rootWindow || (rootWindow->GetMouseButtonState() & bit) == 0)
      return S_FALSE;
  }
  const RCPtr<LControl> self(this);
  mDragOrigin = {Limited(point.x) + mBounds.x, Limited(point.y) + mBounds.y};
  mDragDisplacement = {0, 0};
  mCaptured = true;
  if (IFrameworkApp* app = GetFrameworkApp())
    mLastMoveTime = app->GetMilliseconds();
  mDragVelocity = {0, 0};
  if (rootWindow)
    rootWindow->SetCaptureControl(self);
  if (button == static_cast<std::int32_t>(kMouseButtonRight)) {
    mRightDragArmed = true;
  } else if (button == static_cast<std::int32_t>(kMouseButtonMiddle)) {
    mMiddleDragArmed = true;
  } else if (button == static_cast<std::int32_t>(kMouseButtonLeft)) {
    mLeftDragArmed = true;
    mDragMode = 0;
  }
  UpdateConditions();
  StartDragAtOnce();
  return S_OK;
}

QZRESULT LControl::EndCapture() {
  if (!mCaptured)
    return S_FALSE;
  const RCPtr<LControl> self(this);
  mCaptured = false;
  mLeftDragArmed = mMiddleDragArmed = mRightDragArmed = false;
  mLeftDragging = mMiddleDragging = mRightDragging = false;
  QZRESULT result = S_OK;
  // Only this control's hold is released: the window may have passed the pointer on already.
  if (const RCPtr<IRootWindow> rootWindow = FindRootWindow()) {
    if (rootWindow->GetCaptureControl().GetRaw() == this)
      result = rootWindow->ClearCaptureControl();
  }
  UpdateConditions();
  mLastLeftPress = RCPtr<LMouseButtonParam>();
  return result;
}

// ---------------------------------------------------------------------------
// Clicks

QZRESULT LControl::DispatchClick(const RCPtr<LMouseButtonParam>& param) {
  if (!param)
    return E_INVALIDARG;
  switch (param->mButton) {
  case kMouseButtonLeft:
    return OnLeftClick(param);
  case kMouseButtonMiddle:
    return OnMiddleClick(param);
  case kMouseButtonRight:
    return OnRightClick(param);
  default:
    return E_INVALIDARG;
  }
}

QZRESULT LControl::OnLeftClick(const RCPtr<LMouseButtonParam>& param) {
  if (!param)
    return E_INVALIDARG;
  HandleLeftClick(param);
  Notify(LNotification::Create(kLeftClick, param));
  return S_OK;
}

QZRESULT LControl::OnMiddleClick(const RCPtr<LMouseButtonParam>& param) {
  if (!param)
    return E_INVALIDARG;
  HandleMiddleClick(param);
  Notify(LNotification::Create(kMiddleClick, param));
  return S_OK;
}

QZRESULT LControl::OnRightClick(const RCPtr<LMouseButtonParam>& param) {
  if (!param)
    return E_INVALIDARG;
  HandleRightClick(param);
  Notify(LNotification::Create(kRightClick, param));
  if (const RCPtr<LMenuDescriptor> menu = GetContextMenuDescriptor())
    ShowContextMenu(menu);
  return S_OK;
}

// ---------------------------------------------------------------------------
// Wheel

QZRESULT LControl::HandleMouseWheel(const RCPtr<LMouseWheelParam>&) { return S_FALSE; }
QZRESULT LControl::HandleMouseHorizontalWheel(const RCPtr<LMouseWheelParam>&) { return S_FALSE; }

QZRESULT LControl::OnMouseWheel(const RCPtr<LMouseWheelParam>& param) {
  if (!param)
    return -1;
  RCPtrArray<LControl> offered;
  const bool horizontal = param->mDirection != kWheelDown && param->mDirection != kWheelUp;
  RCPtr<LControl> control(this);
  QZRESULT result = S_FALSE;
  while (control) {
    result = horizontal ? control->HandleMouseHorizontalWheel(param) : control->HandleMouseWheel(param);
    if (result != S_FALSE)
      return result;
    if (control->IsUnclipped(true)) {
      // A floating control that does not use the wheel passes it to what the
      // user sees beneath it, not to its parent.
      offered.AddItem(control);
      for (std::uint32_t i = 0; i < offered.GetCount(); ++i)
        offered.GetAt(i)->mHitTestExcluded = true;
      RCPtr<LControl> beneath;
      const RCPtr<IRootWindow> rootWindow = control->FindRootWindow();
      if (rootWindow) {
        PointT<std::int32_t> local{};
        rootWindow->GetControlAtPoint(beneath, param->mPoint, local, true);
      }
      for (std::uint32_t i = 0; i < offered.GetCount(); ++i)
        offered.GetAt(i)->mHitTestExcluded = false;
      control = beneath;
    } else {
      control = control->mParent;
    }
  }
  return result;
}

QZRESULT LControl::OnMouseHorizontalWheel(const RCPtr<LMouseWheelParam>& param) { return OnMouseWheel(param); }

// ---------------------------------------------------------------------------
// Cursor and hover

void LControl::SetCursor(CursorID cursor) {
  if (cursor == mCursorID)
    return;
  const CursorID old = mCursorID;
  mCursorID = cursor;
  if (!mMouseInside)
    return;
  if (old != 0)
    static_cast<void>(ApplyCursor());
  else
    mSavedCursor = ApplyCursor();
}

CursorID LControl::ApplyCursor() {
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (!rootWindow)
    return 0;
  if (mCursorID != 0)
    return rootWindow->SetCursor(mCursorID);
  IFrameworkApp* app = GetFrameworkApp();
  return rootWindow->SetCursor(app ? app->GetCursor(WideString(kArrowCursor)) : 0);
}

void LControl::SetForcedHover(bool forced) {
  if (forced == mForcedHover)
    return;
  mForcedHover = forced;
  UpdateConditions();
}

// ---------------------------------------------------------------------------
// Drops from outside

bool LControl::CanDrop(const RCPtr<LDropFileList>& files) { return mParent && mParent->CanDrop(files); }

QZRESULT LControl::Drop(const RCPtr<LDropFileList>& files) { return mParent ? mParent->Drop(files) : S_FALSE; }

} // namespace QZ
