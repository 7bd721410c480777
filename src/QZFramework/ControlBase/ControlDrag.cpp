// Dragging of the base control: moving, resizing, drag and drop, scrolling
// the content with the pointer; auto-scroll of the parent or the drop target
// and the fling of a fast release, both as scroll animations stepped at idle.

#include "QZFramework/ControlBase/AutoHitTestExclusion.h"
#include "QZFramework/ControlBase/Control.h"

#include "QZFramework/ControlBase/InputParams.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace QZ {

namespace {

constexpr const char16_t* kCursorDropMove = u"UI_CURSOR_DROP_MOVE";
constexpr const char16_t* kCursorNoDrop = u"UI_CURSOR_NO_DROP";
constexpr const char16_t* kCursorArrow = u"UI_CURSOR_ARROW";

double Limited(double v) { return std::clamp(v, -kMaxExactDouble, kMaxExactDouble); }
double RoundHalfAway(double v) { return v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5); }
// Rounded half away from zero and limited to the int range.
std::int32_t ToInt(double v) { return TruncateToLong(RoundHalfAway(v)); }
double Clamp(double v, double low, double high) { return v < low ? low : (v > high ? high : v); }

void ShowCursor(const RCPtr<IRootWindow>& rootWindow, const char16_t* name) {
  IFrameworkApp* app = GetFrameworkApp();
  if (rootWindow && app)
    rootWindow->SetCursor(app->GetCursor(WideString(name)));
}

} // namespace

QZRESULT LControl::SetDragMode(std::int32_t mode, std::int32_t flags) {
  mDragMode = mode;
  mDragFlags = flags;
  return S_OK;
}

QZRESULT LControl::SetDragThreshold(std::int32_t pixels) {
  if (pixels < 0)
    return E_INVALIDARG;
  mDragThreshold = pixels;
  return S_OK;
}

void LControl::UpdateDragState(std::uint32_t previous, std::uint32_t current, bool beginning) {
  const bool was = (previous & kConditionLeftDragging) != 0;
  const bool is = (current & kConditionLeftDragging) != 0;
  if (was == is || mDragMode == kDragNone || is != beginning)
    return;
  if (is)
    OnDragBegin();
  else
    OnDragEnd();
}

void LControl::StartDragAtOnce() {
  if (mDragThreshold != 0)
    return;
  const bool left = mLeftDragArmed;
  if (mLeftDragArmed)
    mLeftDragging = true;
  else if (mMiddleDragArmed)
    mMiddleDragging = true;
  else if (mRightDragArmed)
    mRightDragging = true;
  else
    return;
  mLeftDragArmed = mMiddleDragArmed = mRightDragArmed = false;
  UpdateConditions();
  if (left && mDragMode != kDragNone) {
    const PointT<std::int32_t> pressed =
        PointT<double>{mDragOrigin.x - mBounds.x, mDragOrigin.y - mBounds.y}.RoundToLong();
    DragTo(LPointWithModifiersParam::Create(pressed, 0, 0));
  }
}

void LControl::OnDragBegin() {
  if (!mLeftDragging || !mParent || !mLayout)
    return;
  mSizeAtDragStart = {mBounds.width, mBounds.height};
  mParentScrollAtDragStart = mParent->mScrollOffset;
  if (mDragMode == kDragAndDrop) {
    mDropTarget = RCPtr<LControl>();
    mWasUnclipped = !mLayout->mClipToParent;
    SetClipToParent(false);
    // The control floats above the others; its axes stay where they are while the parent scrolls.
    const double position[2] = {mBounds.x, mBounds.y};
    bool* wasDocked[2] = {&mXWasDocked, &mYWasDocked};
    for (std::int32_t axis = 0; axis < 2; ++axis) {
      *wasDocked[axis] = mLayout->mPlacement[axis].mDocked;
      if (*wasDocked[axis])
        continue;
      AxisPlacement placement = mLayout->mPlacement[axis];
      placement.mDocked = true;
      placement.mAbsolute = position[axis] - (axis == 0 ? mParent->mScrollOffset.x : mParent->mScrollOffset.y);
      SetAxisPlacement(axis, placement, mLayout->mSize[axis]);
    }
  }
  mLayoutAtDragStart[0] = mLayout->mPlacement[0].mAbsolute;
  mLayoutAtDragStart[1] = mLayout->mPlacement[1].mAbsolute;
  mLayoutAtDragStart[2] = mLayout->mSize[0].mAbsolute;
  mLayoutAtDragStart[3] = mLayout->mSize[1].mAbsolute;
}

void LControl::CaptureDragOrigin() {
  mDragOrigin.x += mDragDisplacement.x;
  mDragOrigin.y += mDragDisplacement.y;
  if (!mParent || !mLayout)
    return;
  mSizeAtDragStart = {mBounds.width, mBounds.height};
  mParentScrollAtDragStart = mParent->mScrollOffset;
  mLayoutAtDragStart[0] = mLayout->mPlacement[0].mAbsolute;
  mLayoutAtDragStart[1] = mLayout->mPlacement[1].mAbsolute;
  mLayoutAtDragStart[2] = mLayout->mSize[0].mAbsolute;
  mLayoutAtDragStart[3] = mLayout->mSize[1].mAbsolute;
}

void LControl::DragTo(const RCPtr<LPointWithModifiersParam>& param) {
  if (!param || !mParent || !mLayout)
    return;
  const RCPtr<LControl> self(this);
  const RCPtr<LControl> parent = mParent;
  const PointT<double> p{Limited(param->mPoint.x), Limited(param->mPoint.y)};
  const PointT<double> inRoot = GetPositionInRoot();
  const PointT<double> rootPoint{p.x + inRoot.x, p.y + inRoot.y};
  const PointT<double> d{mBounds.x + p.x - mDragOrigin.x, mBounds.y + p.y - mDragOrigin.y};
  const std::int32_t mode = mDragMode;

  // Limits of the displacement: the parent's visible area, narrowed by the hook.
  RectT<double> visible{};
  RectT<double> limits{};
  PointT<double> minD{};
  PointT<double> maxD{};
  if (mode != kDragAndDrop) {
    const RectT<double> local = parent->GetLocalBounds();
    visible = {parent->mScrollOffset.x, parent->mScrollOffset.y, local.width, local.height};
    limits = visible;
    GetDragLimits(limits);
    minD = {limits.x - mDragOrigin.x, limits.y - mDragOrigin.y};
    maxD = {limits.x + limits.width - mDragOrigin.x, limits.y + limits.height - mDragOrigin.y};
  }
  if (mode == kDragResize || mode == kDragResizeAutoScroll) {
    // The size never falls below 1.
    const double width = mSizeAtDragStart.width;
    const double height = mSizeAtDragStart.height;
    if ((mDragFlags & kDragRightEdge) != 0 && minD.x <= -width)
      minD.x = 1 - width;
    else if ((mDragFlags & kDragLeftEdge) != 0 && maxD.x >= width)
      maxD.x = width - 1;
    if ((mDragFlags & kDragBottomEdge) != 0 && minD.y <= -height)
      minD.y = 1 - height;
    else if ((mDragFlags & kDragTopEdge) != 0 && maxD.y >= height)
      maxD.y = height - 1;
  }

  bool right = false, left = false, down = false, up = false;
  PointT<double> amount{};
  if (mode == kDragMoveAutoScroll || mode == kDragResizeAutoScroll) {
    PointT<double> q = p;
    parent->ConvertPointFrom(*this, q);
    q.x += parent->mScrollOffset.x;
    q.y += parent->mScrollOffset.y;
    const bool xOn = (mDragFlags & (kDragAxisX | kDragRightEdge | kDragLeftEdge)) != 0;
    const bool yOn = (mDragFlags & (kDragAxisY | kDragTopEdge | kDragBottomEdge)) != 0;
    const double origin[2] = {mDragOrigin.x, mDragOrigin.y};
    const double at[2] = {q.x, q.y};
    const double v0[2] = {visible.x, visible.y};
    const double vs[2] = {visible.width, visible.height};
    const double l0[2] = {limits.x, limits.y};
    const double ls[2] = {limits.width, limits.height};
    const double disp[2] = {d.x, d.y};
    bool* far[2] = {&right, &down};
    bool* near[2] = {&left, &up};
    double* amounts[2] = {&amount.x, &amount.y};
    const bool on[2] = {xOn, yOn};
    for (int axis = 0; axis < 2; ++axis) {
      if (at[axis] > v0[axis] + 0.5 * vs[axis]) {
        const double m =
            Clamp(std::trunc(v0[axis] + vs[axis]) - std::trunc(l0[axis] + ls[axis]) + kAutoScrollMargin, 0,
                  kAutoScrollMargin);
        const double t = v0[axis] + vs[axis] - origin[axis] - m;
        if (disp[axis] >= t) {
          *amounts[axis] = disp[axis] - t;
          *far[axis] = on[axis];
        }
      } else {
        const double m =
            Clamp(kAutoScrollMargin - std::trunc(std::trunc(v0[axis]) - l0[axis]), 0, kAutoScrollMargin);
        const double t = m + v0[axis] - origin[axis];
        if (t >= disp[axis]) {
          *amounts[axis] = t - disp[axis];
          *near[axis] = on[axis];
        }
      }
    }
  }

  PointT<double> moved = d;
  if (mode >= kDragMove && mode <= kDragResizeAutoScroll) {
    moved = {Clamp(d.x, minD.x, maxD.x), Clamp(d.y, minD.y, maxD.y)};
    if (moved.x != d.x)
      left = right = false;
    if (moved.y != d.y)
      up = down = false;
    mDragDisplacement = moved;
  }

  // A docked axis follows the parent's scrolling since the drag began.
  const auto dockedShift = [&](std::int32_t axis) {
    if (!mLayout->mPlacement[axis].mDocked)
      return 0.0;
    return axis == 0 ? parent->mScrollOffset.x - mParentScrollAtDragStart.x
                     : parent->mScrollOffset.y - mParentScrollAtDragStart.y;
  };
  if (mode == kDragAndDrop || mode == kDragMove || mode == kDragMoveAutoScroll) {
    const std::int32_t axisFlags[2] = {kDragAxisX, kDragAxisY};
    const double delta[2] = {moved.x, moved.y};
    for (std::int32_t axis = 0; axis < 2; ++axis) {
      if ((mDragFlags & axisFlags[axis]) == 0)
        continue;
      AxisPlacement placement = mLayout->mPlacement[axis];
      placement.mAbsolute = mLayoutAtDragStart[axis] + delta[axis] - dockedShift(axis);
      SetAxisPlacement(axis, placement, mLayout->mSize[axis]);
    }
  } else if (mode == kDragResize || mode == kDragResizeAutoScroll) {
    const std::int32_t farEdge[2] = {kDragRightEdge, kDragBottomEdge};
    const std::int32_t nearEdge[2] = {kDragLeftEdge, kDragTopEdge};
    const double delta[2] = {moved.x, moved.y};
    for (std::int32_t axis = 0; axis < 2; ++axis) {
      AxisPlacement placement = mLayout->mPlacement[axis];
      SizeSpec size = mLayout->mSize[axis];
      if ((mDragFlags & farEdge[axis]) != 0) {
        size.mAbsolute = mLayoutAtDragStart[2 + axis] + delta[axis];
      } else if ((mDragFlags & nearEdge[axis]) != 0) {
        placement.mAbsolute = mLayoutAtDragStart[axis] + delta[axis] - dockedShift(axis);
        size.mAbsolute = mLayoutAtDragStart[2 + axis] - delta[axis];
      } else {
        continue;
      }
      SetAxisPlacement(axis, placement, size);
    }
  } else if (mode == kDragScroll) {
    const RectT<double> range = GetClientExtent(self);
    const double dt = static_cast<double>(static_cast<std::int32_t>(mMoveTime - mLastMoveTime)) / 1000.0;
    if (dt <= 0)
      return;
    const double delta[2] = {mDragDisplacement.x - d.x, mDragDisplacement.y - d.y};
    double* velocity[2] = {&mDragVelocity.x, &mDragVelocity.y};
    const bool enabled[2] = {mDragFlags == 3 || mDragFlags == 1, mDragFlags == 3 || mDragFlags == 2};
    for (std::int32_t axis = 0; axis < 2; ++axis) {
      double& v = *velocity[axis];
      v = (v == 0 || dt >= 0.2) ? delta[axis] / dt : 0.5 * v + 0.5 * delta[axis] / dt;
      if (!enabled[axis] || delta[axis] == 0)
        continue;
      PointT<double> offset = mScrollOffset;
      if (axis == 0)
        offset.x = Clamp(offset.x + delta[axis], range.x, range.x + range.width);
      else
        offset.y = Clamp(offset.y + delta[axis], range.y, range.y + range.height);
      SetScrollOffset(offset);
    }
    mDragDisplacement = d;
  }

  if (mode == kDragAndDrop) {
    TrackDropTarget(rootPoint, self);
  } else if (mode == kDragMoveAutoScroll || mode == kDragResizeAutoScroll) {
    if (!right && !left && !down && !up) {
      parent->StopInertialScroll(0);
      parent->StopInertialScroll(1);
    } else {
      const RectT<double> range = parent->GetClientExtent(self);
      if (!left && !right)
        parent->StopInertialScroll(0);
      else
        parent->StartInertialScroll(0, (amount.x + 1.0) * kAutoScrollSpeed * (left ? -1.0 : 1.0),
                                    range.x + range.width, range.x, self);
      if (!up && !down)
        parent->StopInertialScroll(1);
      else
        parent->StartInertialScroll(1, (amount.y + 1.0) * kAutoScrollSpeed * (up ? -1.0 : 1.0),
                                    range.y + range.height, range.y, self);
    }
  }
  OnDragMove(param);
}

void LControl::TrackDropTarget(const PointT<double>& rootPoint, const RCPtr<LControl>& self) {
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  if (!rootWindow)
    return;
  RCPtr<LControl> found;
  PointT<std::int32_t> local{};
  {
    const CAutoHitTestExclusion exclusion(self);
    rootWindow->GetControlAtPoint(found, {ToInt(rootPoint.x), ToInt(rootPoint.y)}, local, false);
  }
  RCPtr<LControl> candidate;
  PointT<double> point{static_cast<double>(local.x), static_cast<double>(local.y)};
  if (found) {
    found->FindDropTarget(candidate, self, rootPoint.x, rootPoint.y);
    if (candidate && candidate != found) {
      candidate->ConvertPointFrom(*found, point);
      point = {RoundHalfAway(Limited(point.x)), RoundHalfAway(Limited(point.y))};
    }
  }
  if (candidate != mDropTarget) {
    if (const RCPtr<LControl> old = std::move(mDropTarget)) {
      old->StopInertialScroll(0);
      old->StopInertialScroll(1);
      old->OnDragLeave(self);
    }
    mDropTarget = candidate;
    if (candidate) {
      ShowCursor(rootWindow, kCursorDropMove);
      candidate->OnDragEnter(self);
    }
  }
  const RCPtr<LControl> target = mDropTarget;
  if (!target) {
    ShowCursor(rootWindow, kCursorNoDrop);
    return;
  }
  target->OnDragOver(self, rootPoint.x, rootPoint.y);
  bool right = false, left = false, down = false, up = false;
  PointT<double> amount{};
  const std::int32_t edges = target->GetDropAutoScrollEdges(self);
  if (edges != 0) {
    const RectT<double> client = target->GetLookClientRect(-1);
    const PointT<double> seen = target->mScrollOffset;
    const PointT<double> t{point.x + seen.x - client.x, point.y + seen.y - client.y};
    if (t.x >= seen.x + client.width - kAutoScrollMargin) {
      amount.x = t.x - (seen.x + client.width - kAutoScrollMargin);
      right = (edges & kDragRightEdge) != 0;
    } else if (seen.x + kAutoScrollMargin >= t.x) {
      amount.x = seen.x + kAutoScrollMargin - t.x;
      left = (edges & kDragLeftEdge) != 0;
    }
    if (t.y >= seen.y + client.height - kAutoScrollMargin) {
      amount.y = t.y - (seen.y + client.height - kAutoScrollMargin);
      down = (edges & kDragBottomEdge) != 0;
    } else if (seen.y + kAutoScrollMargin >= t.y) {
      amount.y = seen.y + kAutoScrollMargin - t.y;
      up = (edges & kDragTopEdge) != 0;
    }
  }
  if (!right && !left && !down && !up) {
    target->StopInertialScroll(0);
    target->StopInertialScroll(1);
    return;
  }
  const RectT<double> range = target->GetClientExtent(self);
  if (!left && !right)
    target->StopInertialScroll(0);
  else
    target->StartInertialScroll(0, (amount.x + 1.0) * kAutoScrollSpeed * (left ? -1.0 : 1.0),
                                range.x + range.width, range.x, self);
  if (!up && !down)
    target->StopInertialScroll(1);
  else
    target->StartInertialScroll(1, (amount.y + 1.0) * kAutoScrollSpeed * (up ? -1.0 : 1.0), range.y + range.height,
                                range.y, self);
}

void LControl::OnDragMove(const RCPtr<LPointWithModifiersParam>&) {}

void LControl::OnDragEnd() {
  const RCPtr<LControl> self(this);
  if (mDragMode != kDragAndDrop) {
    if (const RCPtr<LControl> parent = mParent) {
      parent->StopInertialScroll(0);
      parent->StopInertialScroll(1);
    }
    return;
  }
  ShowCursor(FindRootWindow(), kCursorArrow);
  if (!mWasUnclipped)
    SetClipToParent(true);
  if (mParent && mLayout) {
    // The pinned axes scroll with the parent again, from where the control was dropped.
    const bool wasDocked[2] = {mXWasDocked, mYWasDocked};
    for (std::int32_t axis = 0; axis < 2; ++axis) {
      if (wasDocked[axis])
        continue;
      AxisPlacement placement = mLayout->mPlacement[axis];
      placement.mDocked = false;
      placement.mAbsolute += axis == 0 ? mParent->mScrollOffset.x : mParent->mScrollOffset.y;
      SetAxisPlacement(axis, placement, mLayout->mSize[axis]);
    }
  }
  if (const RCPtr<LControl> target = std::move(mDropTarget)) {
    target->StopInertialScroll(0);
    target->StopInertialScroll(1);
    static_cast<void>(target->AcceptDrop(self)); // a refused drop leaves the control where it was
    target->OnDragLeave(self);
  }
}

void LControl::FindDropTarget(RCPtr<LControl>& out, const RCPtr<LControl>& dragged, double rootX, double rootY) {
  out = RCPtr<LControl>();
  const RCPtr<IRootWindow> rootWindow = FindRootWindow();
  RCPtrArray<LControl> offered;
  const auto isOffered = [&offered](const LControl* control) {
    for (std::uint32_t i = 0; i < offered.GetCount(); ++i)
      if (offered.GetAt(i).GetRaw() == control)
        return true;
    return false;
  };
  RCPtr<LControl> c(this);
  while (c) {
    if (c->AcceptsDraggedControl(dragged)) {
      out = c;
      return;
    }
    if (!c->mLayout || c->mLayout->mClipToParent) {
      c = c->mParent;
      continue;
    }
    // A floating control that does not accept: look through it and its subtree.
    if (isOffered(c.GetRaw()) || !rootWindow)
      return;
    offered.AddItem(c);
    RCPtrArray<LControl> descendants;
    c->CollectDescendants(descendants);
    for (std::uint32_t i = 0; i < descendants.GetCount(); ++i)
      offered.AddItem(descendants.GetAt(i));
    const auto exclude = [&](bool on) {
      if (dragged)
        dragged->SetHitTestExcluded(on);
      for (std::uint32_t i = 0; i < offered.GetCount(); ++i)
        offered.GetAt(i)->SetHitTestExcluded(on);
    };
    exclude(true);
    RCPtr<LControl> beneath;
    PointT<std::int32_t> local{};
    rootWindow->GetControlAtPoint(beneath, {ToInt(rootX), ToInt(rootY)}, local, true);
    exclude(false);
    c = beneath && !isOffered(beneath.GetRaw()) ? beneath : RCPtr<LControl>();
  }
}

bool LControl::AcceptsDraggedControl(const RCPtr<LControl>&) { return false; }
std::int32_t LControl::GetDropAutoScrollEdges(const RCPtr<LControl>&) { return 0; }
void LControl::GetDragLimits(RectT<double>&) {}
void LControl::OnDragEnter(const RCPtr<LControl>&) {}
void LControl::OnDragOver(const RCPtr<LControl>&, double, double) {}
void LControl::OnDragLeave(const RCPtr<LControl>&) {}
QZRESULT LControl::AcceptDrop(const RCPtr<LControl>&) { return E_FAIL; }

// ---------------------------------------------------------------------------
// Scroll animations

QZRESULT LControl::StartInertialScroll(std::int32_t axis, double velocity, double upper, double lower,
                                       const RCPtr<LControl>& target) {
  if (axis < 0 || axis > 1)
    return E_INVALIDARG;
  SScrollAnimation& animation = mScrollAnimations[axis];
  animation.mVelocity = velocity;
  animation.mUpper = upper;
  animation.mLower = lower;
  animation.mTarget = target;
  if (!animation.mRunning) {
    animation.mRunning = true;
    IFrameworkApp* app = GetFrameworkApp();
    animation.mLastStepTime = app ? app->GetTime() : 0.0;
    BeginIdleNotifications();
  }
  return S_OK;
}

QZRESULT LControl::StopInertialScroll(std::int32_t axis) {
  if (axis < 0 || axis > 1)
    return S_FALSE;
  SScrollAnimation& animation = mScrollAnimations[axis];
  animation.mTarget = RCPtr<LControl>();
  if (!animation.mRunning)
    return S_FALSE;
  animation.mRunning = false;
  animation.mStartedByRelease = false;
  EndIdleNotifications();
  return S_OK;
}

void LControl::StepScrollAnimations() {
  IFrameworkApp* app = GetFrameworkApp();
  if (!app)
    return;
  const RCPtr<LControl> self(this);
  for (std::int32_t axis = 0; axis < 2; ++axis) {
    SScrollAnimation& animation = mScrollAnimations[axis];
    if (!animation.mRunning)
      continue;
    const double now = app->GetTime();
    const double dt = now - animation.mLastStepTime;
    const double step = RoundHalfAway(animation.mVelocity * dt);
    animation.mLastStepTime = now;
    if (step != 0) {
      PointT<double> offset = mScrollOffset;
      double& value = axis == 0 ? offset.x : offset.y;
      value = Clamp(value + step, animation.mLower, animation.mUpper);
      SetScrollOffset(offset);
      // The dragged control stays under the pointer as the content moves.
      if (const RCPtr<LControl> target = animation.mTarget) {
        if (const RCPtr<IRootWindow> rootWindow = target->FindRootWindow()) {
          const PointT<std::int32_t> cursor = rootWindow->GetCursorPosition();
          const PointT<std::int32_t> origin = target->GetPositionInRoot().RoundToLong();
          target->DragTo(LPointWithModifiersParam::Create({cursor.x - origin.x, cursor.y - origin.y},
                                                          app->GetModifierKeys(), 0));
        }
      }
    }
    if (animation.mRunning && animation.mStartedByRelease &&
        app->GetMilliseconds() - mReleaseTime > kFlingCoastTime) {
      const double decrease = RoundHalfAway(mDeceleration * dt);
      if (animation.mVelocity > 0) {
        if (animation.mVelocity > decrease)
          animation.mVelocity -= decrease;
        else
          StopInertialScroll(axis);
      } else if (-decrease > animation.mVelocity) {
        animation.mVelocity += decrease;
      } else {
        StopInertialScroll(axis);
      }
    }
  }
}

void LControl::FlingOnRelease() {
  IFrameworkApp* app = GetFrameworkApp();
  if (!app)
    return;
  mReleaseTime = app->GetMilliseconds();
  if (mReleaseTime - mLastMoveTime >= kFlingRestTime)
    return;
  const RCPtr<LControl> self(this);
  // The range's origin bounds the fling as it bounds the scrolling by drag.
  const RectT<double> range = GetClientExtent(self);
  if ((mDragFlags == 3 || mDragFlags == 1) && std::fabs(mDragVelocity.x) >= kFlingMinimumSpeed) {
    StartInertialScroll(0, mDragVelocity.x, range.x + range.width, range.x, RCPtr<LControl>());
    mScrollAnimations[0].mStartedByRelease = true;
  }
  if ((mDragFlags == 3 || mDragFlags == 2) && std::fabs(mDragVelocity.y) >= kFlingMinimumSpeed) {
    StartInertialScroll(1, mDragVelocity.y, range.y + range.height, range.y, RCPtr<LControl>());
    mScrollAnimations[1].mStartedByRelease = true;
  }
}

void LControl::StopFlingOnPress() {
  for (std::int32_t axis = 0; axis < 2; ++axis)
    if (mScrollAnimations[axis].mStartedByRelease)
      StopInertialScroll(axis);
}

} // namespace QZ
