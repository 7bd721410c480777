#include "QZFramework/Controls/Splitter.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/Controls/AxisLayout.h"

#include <algorithm>
#include <utility>

namespace QZ {

namespace {

constexpr const char16_t* kCursorSizeNS = u"UI_CURSOR_SIZE_NS";
constexpr const char16_t* kCursorSizeWE = u"UI_CURSOR_SIZE_WE";

double Along(const RectT<double>& rect, std::int32_t axis) { return axis == 0 ? rect.x : rect.y; }
double ExtentAlong(const RectT<double>& rect, std::int32_t axis) { return axis == 0 ? rect.width : rect.height; }
double Along(const SizeT<double>& size, std::int32_t axis) { return axis == 0 ? size.width : size.height; }

// The extent the control's layout gives it now, before its minimum and maximum
// sizes: the room it has. Its bounds may be older, or held at its minimum past
// the parent's edge, while its container is being resized.
double RoomAlong(const LControl& control, std::int32_t axis) {
  RectT<double> rect{};
  if (!control.GetLayout() ||
      LControl::ComputeLayoutBounds(control.GetLayout().GetRaw(), control.GetParent().GetRaw(), {}, {}, {},
                                    rect) != S_OK)
    return ExtentAlong(control.GetBounds(), axis);
  return ExtentAlong(rect, axis);
}

} // namespace

QZRESULT LSplitterBase::Initialize() {
  const QZRESULT result = LControl::Initialize();
  if (IFrameworkApp* app = GetFrameworkApp())
    SetCursor(app->GetCursor(WideString(mOrientation == kHorizontal ? kCursorSizeNS : kCursorSizeWE)));
  return result;
}

QZRESULT LSplitterBase::ReleaseInnerReferences() {
  mReference = RCPtr<LControl>();
  return LControl::ReleaseInnerReferences();
}

void LSplitterBase::ComputeRange(bool forDrag, double& minimum, double& maximum, RCPtr<LControl>& reference) {
  minimum = 0;
  maximum = kMaxExactDouble;
  reference = RCPtr<LControl>();
  const RCPtr<LControl> parent = GetParent();
  if (!parent || !GetLayout())
    return;
  const std::int32_t axis = Axis();
  const double c = Along(GetBounds(), axis);
  const AxisPlacement placement = GetLayout()->mPlacement[axis];
  if (placement.mReference == kPositionControl) {
    reference = parent->FindChild(placement.mReferenceName);
    if (reference.GetRaw() == this)
      reference = RCPtr<LControl>();
  }
  if (reference) {
    const double s = ExtentAlong(reference->GetBounds(), axis);
    if (forDrag) {
      // Free the bar for the drag: absolute, where it is now.
      mSavedPlacement = placement;
      AxisPlacement free = placement;
      free.mReference = kPositionClient;
      free.mReferenceName = WideString();
      free.mRelative = 0;
      const PointT<double>& scroll = parent->GetScrollOffset();
      free.mAbsolute = c + static_cast<double>(placement.mAnchor) * ExtentAlong(GetBounds(), axis) -
                       (placement.mDocked ? (axis == 0 ? scroll.x : scroll.y) : 0.0);
      static_cast<void>(SetAxisPlacement(axis, free, GetLayout()->mSize[axis]));
      mReferenceSizeAtStart = s;
    }
    const double n = Along(reference->MeasureNaturalSize(), axis);
    minimum = std::max(minimum, c - (s - n));
    const double m = Along(reference->GetFixedMaximumSize(), axis);
    if (m > 0)
      maximum = std::min(maximum, c + (m - s));
  }

  const ChildControlList& siblings = parent->GetChildren();
  const std::int32_t order = GetLayout()->mLayoutOrder;
  for (std::uint32_t i = 0; i < siblings.GetCount(); ++i) {
    const RCPtr<LControl>& w = siblings.GetAt(i, kCreationOrder);
    if (w.GetRaw() == this || !w->GetLayout() || w->GetLayout()->mLayoutOrder <= order)
      continue;
    const SizeSpec& size = w->GetLayout()->mSize[axis];
    const AxisPlacement& position = w->GetLayout()->mPlacement[axis];
    const bool sizeToBar = size.mReference == kSizeControl && size.mReferenceName == GetName();
    const bool placedAtBar = position.mReference == kPositionControl && position.mReferenceName == GetName() &&
                             size.mReference != kSizeSelf;
    if (!sizeToBar && !placedAtBar)
      continue;
    // After a resize of the container the panes that follow the bar are measured by the room they have.
    const double s = forDrag ? ExtentAlong(w->GetBounds(), axis) : RoomAlong(*w, axis);
    const double n = Along(w->MeasureNaturalSize(), axis);
    const double m = Along(w->GetFixedMaximumSize(), axis);
    const float factor = sizeToBar ? size.mRelative : position.mRelative;
    if (factor == 0.0f) {
      minimum = std::max(minimum, c - (s - n));
      if (m > 0)
        maximum = std::min(maximum, c + (m - s));
    } else {
      maximum = std::min(maximum, c + (s - n));
      if (m > 0)
        minimum = std::max(minimum, c - (m - s));
    }
  }
}

void LSplitterBase::OnDragBegin() {
  const RCPtr<LControl> self(this);
  ComputeRange(true, mMinimum, mMaximum, mReference);
  const double c = Along(GetBounds(), Axis());
  if (mMinimum > mMaximum) // a pane already below its natural size: the bar stays
    mMinimum = mMaximum = c;
  // Into the pointer's terms: the base limits where the press point may go.
  const PointT<double>& origin = GetDragOrigin();
  const double shift = (Axis() == 0 ? origin.x : origin.y) - c;
  mMinimum += shift;
  mMaximum += shift;
  LControl::OnDragBegin();
}

void LSplitterBase::GetDragLimits(RectT<double>& limits) {
  if (Axis() == 0) {
    limits.x = mMinimum;
    limits.width = mMaximum - mMinimum;
  } else {
    limits.y = mMinimum;
    limits.height = mMaximum - mMinimum;
  }
}

void LSplitterBase::OnDragMove(const RCPtr<LPointWithModifiersParam>& param) {
  if (const RCPtr<LControl> reference = mReference) {
    const double offset = Axis() == 0 ? mDragDisplacement.x : mDragDisplacement.y;
    ChangeAxisLayout(reference, Axis(), std::nullopt, mReferenceSizeAtStart + offset);
  }
  LControl::OnDragMove(param);
}

void LSplitterBase::OnDragEnd() {
  const RCPtr<LControl> self(this);
  if (mReference && GetLayout())
    static_cast<void>(SetAxisPlacement(Axis(), mSavedPlacement, GetLayout()->mSize[Axis()]));
  LControl::OnDragEnd();
}

void LSplitterBase::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  LControl::OnConditionsChanged(conditions);
  if (!conditions)
    return;
  const std::uint32_t previous = conditions->mPreviousBits;
  const std::uint32_t current = conditions->mCurrentBits;
  const bool dragging = (current & kConditionLeftDragging) != 0;
  if (dragging && (previous & kConditionLeftDragging) == 0)
    static_cast<void>(SetDragMode(kDragMoveAutoScroll, mOrientation == kHorizontal ? kDragAxisY : kDragAxisX));
  else if (!dragging && (previous & kConditionLeftDragging) != 0)
    mReference = RCPtr<LControl>();

  const bool focused = (current & kConditionHasFocus) != 0;
  const bool inside = (current & kConditionMouseInside) != 0;
  std::int32_t look = focused ? kLookFocused : kLookNormal;
  if (!IsEnabled(true))
    look = kLookDisabled;
  else if ((current & kConditionCaptured) != 0 && dragging && inside)
    look = focused ? kLookFocusedDragged : kLookDragged;
  else if (inside || dragging)
    look = focused ? kLookFocusedHover : kLookHover;
  static_cast<void>(SelectLook(look));
}

QZRESULT LSplitterBase::OnContainerResized(const SizeT<std::int32_t>& size) {
  const RCPtr<LControl> self(this);
  static_cast<void>(LControl::OnContainerResized(size));
  double minimum = 0;
  double maximum = 0;
  RCPtr<LControl> reference;
  ComputeRange(false, minimum, maximum, reference);
  if (!reference)
    return S_OK;
  if (minimum > maximum)
    std::swap(minimum, maximum);
  const std::int32_t axis = Axis();
  const double c = Along(GetBounds(), axis);
  const double s = ExtentAlong(reference->GetBounds(), axis);
  if (c < minimum)
    ChangeAxisLayout(reference, axis, std::nullopt, s + (minimum - c));
  else if (c > maximum)
    ChangeAxisLayout(reference, axis, std::nullopt, s - (c - maximum));
  return S_OK;
}

RCPtr<LControl>& LSplitterH::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                    const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LSplitterH>(out, parent, descriptor);
}

RCPtr<LControl>& LSplitterV::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                    const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LSplitterV>(out, parent, descriptor);
}

} // namespace QZ
