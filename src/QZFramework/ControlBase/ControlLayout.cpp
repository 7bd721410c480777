// LControl: layout, bounds, scrolling and coordinate conversion.

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace QZ {

namespace {

constexpr const char16_t* kScrollOffsetChange = u"NID_SCROLL_OFFSET_CHANGE";
constexpr double kSameSize = 2.220446049250313e-15;
constexpr double kTiny = 2.220446049250313e-16; // 2^-52

// Half away from zero through a 64-bit integer, as a double.
double R(double v) {
  constexpr double kLimit = 9.2e18;
  if (std::isnan(v))
    return 0; // converting NaN to an integer is undefined
  const double shifted = v < 0 ? v - 0.5 : v + 0.5;
  return static_cast<double>(static_cast<std::int64_t>(std::clamp(shifted, -kLimit, kLimit)));
}

double Axis(const PointT<double>& p, std::int32_t axis) { return axis == LLayoutDescriptor::kAxisX ? p.x : p.y; }
double Axis(const SizeT<double>& s, std::int32_t axis) {
  return axis == LLayoutDescriptor::kAxisX ? s.width : s.height;
}
double Origin(const RectT<double>& r, std::int32_t axis) { return axis == LLayoutDescriptor::kAxisX ? r.x : r.y; }
double Extent(const RectT<double>& r, std::int32_t axis) {
  return axis == LLayoutDescriptor::kAxisX ? r.width : r.height;
}

bool DockedOn(const LControl& control, std::int32_t axis) {
  const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
  return layout && layout->mPlacement[axis].mDocked;
}

bool ClipsToParent(const LControl& control) {
  const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
  return !layout || layout->mClipToParent;
}

PointT<double> ToDouble(const PointT<std::int32_t>& p) { return p.ToDoublePoint(); }

} // namespace

// ---------------------------------------------------------------------------
// Client area

RectT<double> LControl::GetClientRect() const {
  const RCPtr<LLook>& look = GetLook(-1);
  if (!look)
    return {0, 0, mBounds.width, mBounds.height};
  return look->GetClientRect().ToDoubleRect();
}

RectT<double> LControl::GetClientExtent(const RCPtr<LControl>&) const {
  return {0, 0, kMaxExactDouble, kMaxExactDouble};
}

RectT<double> LControl::GetLocalBounds() const {
  const RectT<double> client = GetClientRect();
  return {0, 0, client.width, client.height};
}

RectT<double> LControl::GetVisibleContentRect() const {
  const RectT<double> client = GetClientRect();
  return {mScrollOffset.x, mScrollOffset.y, client.width, client.height};
}

// ---------------------------------------------------------------------------
// Computing the bounds

QZRESULT LControl::ComputeLayoutBounds(const LLayoutDescriptor* layout, const LControl* parent,
                                       const RectT<double>& referenceRect, const SizeT<double>& referenceSize,
                                       const PointT<double>& referencePoint, RectT<double>& out) {
  if (!layout)
    return E_INVALIDARG;
  double origin[2] = {};
  double size[2] = {};
  for (const std::int32_t a : {LLayoutDescriptor::kAxisX, LLayoutDescriptor::kAxisY}) {
    double outerOrigin = Origin(referenceRect, a);
    double outerSize = Extent(referenceRect, a);
    double clientSize = Axis(referenceSize, a);
    double scroll = 0;
    RectT<double> client{};
    if (parent) {
      client = parent->GetClientRect();
      outerOrigin = -Origin(client, a);
      outerSize = Extent(parent->mBounds, a);
      clientSize = Extent(client, a);
      scroll = Axis(parent->mScrollOffset, a);
    }
    const AxisPlacement& placement = layout->mPlacement[a];
    const SizeSpec& sizeSpec = layout->mSize[a];
    const auto anchor = static_cast<double>(placement.mAnchor);

    // Where the anchor point lies.
    double p = placement.mAbsolute;
    const auto positionRel = static_cast<double>(placement.mRelative);
    switch (placement.mReference) {
    case kPositionParent:
      p = R(positionRel * outerSize) + placement.mAbsolute + outerOrigin;
      break;
    case kPositionClient:
      p = R(positionRel * clientSize) + placement.mAbsolute;
      break;
    case kPositionControl: {
      double base = 0;
      double extent = 0;
      if (parent) {
        if (const RCPtr<LControl>& sibling = parent->FindChild(placement.mReferenceName)) {
          base = Origin(sibling->mBounds, a) - (DockedOn(*sibling, a) ? scroll : 0);
          extent = Extent(sibling->mBounds, a);
        }
      } else {
        base = Axis(referencePoint, a);
      }
      p = R(positionRel * extent) + base + placement.mAbsolute;
      break;
    }
    default:
      break;
    }

    // The size: itself, or up to a far edge opposite the anchor.
    double s = 0;
    if (sizeSpec.mReference == kSizeSelf) {
      s = sizeSpec.mAbsolute < 0 ? 0 : sizeSpec.mAbsolute;
    } else {
      const auto sizeRel = static_cast<double>(sizeSpec.mRelative);
      double far = sizeSpec.mAbsolute;
      switch (sizeSpec.mReference) {
      case kSizeParent:
        far = R(sizeRel * outerSize) + outerOrigin + sizeSpec.mAbsolute;
        break;
      case kSizeClient:
        far = R(sizeRel * clientSize) + sizeSpec.mAbsolute;
        break;
      case kSizeControl:
        if (parent) {
          if (const RCPtr<LControl>& sibling = parent->FindChild(sizeSpec.mReferenceName)) {
            far = R(sizeRel * Extent(sibling->mBounds, a)) + Origin(sibling->mBounds, a) -
                  (DockedOn(*sibling, a) ? scroll : 0) + sizeSpec.mAbsolute;
          }
        } else {
          far = Axis(referencePoint, a) + sizeSpec.mAbsolute;
        }
        break;
      default:
        break;
      }
      const double e = far - p;
      if (e > 0 && anchor >= 0 && anchor < 1)
        s = e * (1.0 / (1.0 - anchor));
      else if (e < 0 && anchor > 0 && anchor <= 1)
        s = e * (1.0 / -anchor);
    }
    origin[a] = p - anchor * s + (placement.mDocked ? scroll : 0);
    size[a] = s;
  }
  // Rounded by edges.
  const double left = R(origin[0]);
  const double top = R(origin[1]);
  const double right = R(origin[0] + size[0]);
  const double bottom = R(origin[1] + size[1]);
  out = {left, top, right - left, bottom - top};
  return S_OK;
}

QZRESULT LControl::UpdateLayout() {
  if (!mLayout)
    return E_FAIL;
  RectT<double> rect{};
  if (mParent) {
    ComputeLayoutBounds(mLayout.GetRaw(), mParent.GetRaw(), {}, {}, {}, rect);
  } else {
    if (mCreated && !mRootWindow)
      return E_FAIL;
    IFrameworkApp* app = GetFrameworkApp();
    RCPtr<IRootWindow> rootWindow = mRootWindow;
    if (!rootWindow && app)
      rootWindow = app->GetActiveRootWindow();
    if (!rootWindow && app)
      rootWindow = app->GetRootWindow(0);
    if (!rootWindow)
      return E_FAIL;
    const RectT<double> workArea = app ? app->GetWorkArea().ToDoubleRect() : RectT<double>{};
    const SizeT<std::int32_t> clientSize = rootWindow->GetSize();
    IWindowOSServices* window = rootWindow->GetWindowOSServices();
    const PointT<double> clientOnScreen =
        ToDouble(window ? window->ClientToScreen({0, 0}) : PointT<std::int32_t>{});
    const RectT<double> reference{-clientOnScreen.x, -clientOnScreen.y, workArea.width, workArea.height};
    const PointT<double> cursor = ToDouble(app ? app->GetCursorPosition() : PointT<std::int32_t>{});
    ComputeLayoutBounds(mLayout.GetRaw(), nullptr, reference,
                        {ToClampedDouble(clientSize.width), ToClampedDouble(clientSize.height)},
                        {cursor.x - clientOnScreen.x, cursor.y - clientOnScreen.y}, rect);
  }
  PointT<double> position{rect.x, rect.y};
  SizeT<double> size{rect.width, rect.height};
  static_cast<void>(ApplyLayoutMinSize(position, size));
  static_cast<void>(ApplyLayoutMaxSize(position, size));
  RectT<double> snapped{position.x, position.y, size.width, size.height};
  snapped.SnapToPixels();
  return SetBounds({snapped.x, snapped.y}, {snapped.width, snapped.height});
}

// ---------------------------------------------------------------------------
// Minimum and maximum sizes

double LControl::MeasureLimitExtent(const SizeLimitSpec& limit, std::int32_t axis) const {
  const std::uint32_t count = mChildren.GetCount();
  if (limit.mControlName.IsEqual(SizeLimitSpec::kAllChildren))
    return MeasureChildrenExtent(0, static_cast<std::int32_t>(count) - 1, axis);
  const RCPtr<LControl>& child = FindChild(limit.mControlName);
  if (!child)
    return 0;
  const std::int32_t index = FindChildIndex(child, kCreationOrder);
  return MeasureChildrenExtent(index, index, axis);
}

QZRESULT LControl::ApplyMinSizeOnAxis(std::int32_t a, double& position, double& size, double width) {
  const SizeLimitSpec& limit = mLayout->mMinSize[a];
  const auto anchor = static_cast<double>(mLayout->mPlacement[a].mAnchor);
  if (!limit.mRelativeToControl) {
    double m = limit.mAbsolute;
    const std::int32_t overflow =
        a == LLayoutDescriptor::kAxisX ? mLayout->mTextOverflowX : mLayout->mTextOverflowY;
    const RCPtr<LLook>& look = GetLook(-1);
    if (overflow != kTextOverflowClip && look && look->GetTextBlock()) {
      RCPtr<LFontText>& block = look->GetTextBlockForChange();
      const TextProperties& text = look->GetDescriptor()->GetTextProperties();
      const RectT<std::int32_t> area = look->ComputeTextRect(
          SizeT<double>{a == LLayoutDescriptor::kAxisX ? size : width, a == LLayoutDescriptor::kAxisY ? size : 0}
              .RoundToLong());
      constexpr double kTextLimit = 8388608.0;
      const double areaWidth = std::clamp(static_cast<double>(area.width), -kTextLimit, kTextLimit);
      const double areaHeight = std::clamp(static_cast<double>(area.height), -kTextLimit, kTextLimit);
      if (a == LLayoutDescriptor::kAxisX && overflow == kTextOverflowExpand) {
        block->SetWrap(false);
        const double growth = std::ceil(static_cast<double>(block->MeasureWidth()) - areaWidth);
        // A text area of fixed width (no relative span) cannot grow with the control.
        const double span = static_cast<double>(text.mRightRel) - static_cast<double>(text.mLeftRel);
        if (growth > 0 && span > 0)
          m = std::max(m, size + std::ceil(growth / span));
        const SizeLimitSpec& maximum = mLayout->mMaxSize[a];
        if (!maximum.mRelativeToControl && maximum.mAbsolute > 0 && m > maximum.mAbsolute) {
          m = maximum.mAbsolute;
          block->SetWrap(true);
        }
      } else if (a == LLayoutDescriptor::kAxisY) {
        const auto blockWidth = TruncateToLong(width);
        const double growth = std::ceil(static_cast<double>(block->MeasureHeight(blockWidth)) - areaHeight);
        const double span = static_cast<double>(text.mBottomRel) - static_cast<double>(text.mTopRel);
        if (growth > 0 && span > 0)
          m = std::max(m, size + std::ceil(growth / span));
      }
    }
    if (m > size) {
      const double d = m - size;
      size = m;
      position -= R(anchor * d);
      return S_FALSE;
    }
    return S_OK;
  }
  if (mChildren.GetCount() == 0)
    return S_OK;
  const double extent = MeasureLimitExtent(limit, a);
  if (!(extent > 0) || extent == size)
    return S_OK;
  const double p = position;
  const double s = size;
  const double o = p + anchor * s - anchor * extent;
  const double m = o + static_cast<double>(limit.mRelative) * extent + limit.mAbsolute;
  if (p > m) {
    if (!(anchor > 0 && anchor <= 1))
      return E_FAIL;
    position = m;
    size = s + R((p - m) / anchor);
    return S_FALSE;
  }
  if (m > p + s) {
    if (!(anchor >= 0 && anchor < 1))
      return E_FAIL;
    const double d = m - (p + s);
    position = p - R(anchor * d / (1 - anchor));
    size = R(m) - position;
    return S_FALSE;
  }
  return S_OK;
}

QZRESULT LControl::ApplyLayoutMinSize(PointT<double>& position, SizeT<double>& size) {
  if (!mLayout)
    return E_FAIL;
  QZRESULT result = S_OK;
  for (const std::int32_t a : {LLayoutDescriptor::kAxisX, LLayoutDescriptor::kAxisY}) {
    double& p = a == LLayoutDescriptor::kAxisX ? position.x : position.y;
    double& s = a == LLayoutDescriptor::kAxisX ? size.width : size.height;
    const QZRESULT axisResult = ApplyMinSizeOnAxis(a, p, s, size.width);
    if (axisResult != S_OK)
      result = axisResult;
  }
  return result;
}

QZRESULT LControl::ApplyMaxSizeOnAxis(std::int32_t a, double& position, double& size) {
  const SizeLimitSpec& limit = mLayout->mMaxSize[a];
  const auto anchor = static_cast<double>(mLayout->mPlacement[a].mAnchor);
  if (!limit.mRelativeToControl) {
    if (limit.mAbsolute == 0 || !(size > limit.mAbsolute))
      return S_OK;
    const double d = limit.mAbsolute - size;
    size = limit.mAbsolute;
    position -= R(anchor * d);
    return S_FALSE;
  }
  if (mChildren.GetCount() == 0)
    return S_OK;
  const double extent = MeasureLimitExtent(limit, a);
  if (!(extent > 0) || extent == size)
    return S_OK;
  const double p = position;
  const double far =
      p + anchor * size - anchor * extent + static_cast<double>(limit.mRelative) * extent + limit.mAbsolute;
  if (!(p < far && far < p + size))
    return S_OK;
  // The far edge comes back to the limit; the near edge stays where it is.
  const double right = std::floor(far);
  const double left = std::min(R(p), right);
  position = left;
  size = right - left;
  return S_FALSE;
}

QZRESULT LControl::ApplyLayoutMaxSize(PointT<double>& position, SizeT<double>& size) {
  if (!mLayout)
    return S_OK;
  QZRESULT result = S_OK;
  if (ApplyMaxSizeOnAxis(LLayoutDescriptor::kAxisX, position.x, size.width) != S_OK)
    result = S_FALSE;
  if (ApplyMaxSizeOnAxis(LLayoutDescriptor::kAxisY, position.y, size.height) != S_OK)
    result = S_FALSE;
  return result;
}

double LControl::MeasureChildrenExtent(std::int32_t first, std::int32_t last, std::int32_t axis) const {
  const auto count = static_cast<std::int32_t>(mChildren.GetCount());
  if (first < 0 || last < 0 || last < first || first >= count)
    return 0;
  last = std::min(last, count - 1);
  double extent = 0;
  for (std::int32_t i = last; i >= first; --i) {
    const RCPtr<LControl>& child = mChildren.GetAt(static_cast<std::uint32_t>(i), kCreationOrder);
    if (!ClipsToParent(*child) && first != last)
      continue;
    double position = Axis(child->GetOffsetInParent(), axis);
    if (DockedOn(*child, axis))
      position -= Axis(mScrollOffset, axis);
    extent = std::max(extent, position + Extent(child->mBounds, axis));
  }
  if (!(extent > kTiny))
    return 0;
  if (const RCPtr<LLook>& look = GetLook(-1)) {
    const RectT<std::int32_t>& client = look->GetClientRect();
    const SizeT<std::int32_t> lookSize = look->GetSize();
    extent += axis == LLayoutDescriptor::kAxisX
                  ? static_cast<double>(std::int64_t{lookSize.width} - client.x - client.width)
                  : static_cast<double>(std::int64_t{lookSize.height} - client.y - client.height);
  }
  return extent;
}

// ---------------------------------------------------------------------------
// Applying bounds

void LControl::ResizeRootWindow() {
  if (!mRootWindow)
    return;
  const RectT<std::int32_t> present = mRootWindow->GetBounds();
  const SizeT<std::int32_t> size = SizeT<double>{mBounds.width, mBounds.height}.RoundToLong();
  mRootWindow->SetBounds({present.x, present.y, size.width, size.height});
}

QZRESULT LControl::SetBounds(const PointT<double>& position, const SizeT<double>& size) {
  if (position.x == mBounds.x && position.y == mBounds.y && size.width == mBounds.width &&
      size.height == mBounds.height)
    return S_FALSE;
  OnSizeChanging();
  const bool sizeChanged =
      std::fabs(size.width - mBounds.width) >= kSameSize || std::fabs(size.height - mBounds.height) >= kSameSize;
  InvalidateRect({0, 0, mBounds.width, mBounds.height}, ClipsToParent(*this));
  if (mUnclippedDescendants > 0)
    InvalidateUnclippedDescendants();
  mBounds = {position.x, position.y, size.width, size.height};
  const SizeT<std::int32_t> rounded = size.RoundToLong();
  for (std::uint32_t i = 0; i < mLooks.GetCount(); ++i) {
    if (const RCPtr<LLook>& look = mLooks.GetAt(i))
      look->SetSize(rounded);
  }
  if (sizeChanged && !mLayoutSuppressed) {
    mLayoutSuppressed = true;
    for (std::uint32_t i = 0; i < mChildren.GetCount(); ++i)
      mChildren.GetAt(i, kCreationOrder)->OnContainerResized(rounded);
    static_cast<void>(UpdateLayout());
    mLayoutSuppressed = false;
  }
  if (mParent) {
    const RCPtr<LControl> parent = mParent; // a sibling's layout may not drop it under us
    SSiblingWalk* walk = parent->mSiblingWalk;
    if (walk && walk->mExpected == this) {
      // An earlier sibling's walk moved this control: that walk goes on after it.
      walk->mExpected = nullptr;
      walk->mHandedBack = true;
      walk->mDeferred.push_back(RCPtr<LControl>(this));
      return S_OK;
    }
    WalkLaterSiblings(parent);
    parent->RelayoutAndInvalidate(RCPtr<LControl>(this));
  } else {
    ResizeRootWindow();
  }
  FinishSetBounds();
  return S_OK;
}

void LControl::WalkLaterSiblings(const RCPtr<LControl>& parent) {
  SSiblingWalk walk;
  walk.mOuter = parent->mSiblingWalk;
  parent->mSiblingWalk = &walk;
  const std::int32_t index = parent->FindChildIndex(RCPtr<LControl>(this), kCreationOrder);
  try {
    for (std::int32_t i = index + 1; index >= 0 && i < static_cast<std::int32_t>(parent->mChildren.GetCount());
         ++i) {
      const RCPtr<LControl> sibling = parent->mChildren.GetAt(static_cast<std::uint32_t>(i), kCreationOrder);
      walk.mExpected = sibling.GetRaw();
      walk.mHandedBack = false;
      const QZRESULT result = sibling->UpdateLayout();
      walk.mExpected = nullptr;
      // Unchanged: the next sibling is asked. Moved: its walk would start at the next sibling, so this one
      // goes on there. Anything else ends the walk.
      if (result != S_FALSE && !walk.mHandedBack)
        break;
    }
  } catch (...) {
    parent->mSiblingWalk = walk.mOuter;
    throw;
  }
  parent->mSiblingWalk = walk.mOuter;
  for (auto it = walk.mDeferred.rbegin(); it != walk.mDeferred.rend(); ++it) {
    parent->RelayoutAndInvalidate(*it);
    (*it)->FinishSetBounds();
  }
}

void LControl::FinishSetBounds() {
  // An empty control cannot hold the focus: the parent passes it to the first control that can.
  if ((mBounds.width <= 0 || mBounds.height <= 0) && (mHasFocus || mContainsFocus) && mParent) {
    const RCPtr<LControl> parent = mParent;
    static_cast<void>(parent->SetFocus(true));
  }
  InvalidateRect({0, 0, mBounds.width, mBounds.height}, ClipsToParent(*this));
  if (mUnclippedDescendants > 0)
    InvalidateUnclippedDescendants();
  OnSizeChanged();
}

void LControl::OnSizeChanging() {}

void LControl::OnSizeChanged() {}

void LControl::UpdateVisibleRegion(const PointT<double>&, const PointT<double>&) {}

void LControl::InvalidateChildArea(const RCPtr<LControl>&) {}

QZRESULT LControl::RelayoutAndInvalidate(const RCPtr<LControl>& child) {
  if (!mLayoutSuppressed)
    static_cast<void>(UpdateLayout());
  InvalidateChildArea(child);
  return S_OK;
}

QZRESULT LControl::OnContainerResized(const SizeT<std::int32_t>& size) {
  const SizeT<std::int32_t> before = SizeT<double>{mBounds.width, mBounds.height}.RoundToLong();
  static_cast<void>(UpdateLayout());
  if (mParent)
    return S_OK;
  const SizeT<std::int32_t> after = SizeT<double>{mBounds.width, mBounds.height}.RoundToLong();
  if (!(after == before) || after == size)
    return S_OK;
  ResizeRootWindow(); // the layout keeps a size other than the window's
  return S_OK;
}

QZRESULT LControl::OnParentScrolled(const PointT<double>&, const PointT<double>&) {
  if (DockedOn(*this, LLayoutDescriptor::kAxisX) || DockedOn(*this, LLayoutDescriptor::kAxisY))
    static_cast<void>(UpdateLayout());
  return S_OK;
}

const PointT<double>& LControl::SetScrollOffset(const PointT<double>& offset) {
  const PointT<double> rounded{R(offset.x), R(offset.y)};
  if (rounded == mScrollOffset)
    return mScrollOffset;
  InvalidateUnclippedDescendants();
  const PointT<double> old = mScrollOffset;
  mScrollOffset = rounded;
  const RCPtr<LControl> self(this); // a child's work may drop the last outside reference
  for (std::uint32_t i = 0; i < mChildren.GetCount(); ++i)
    mChildren.GetAt(i, kCreationOrder)->OnParentScrolled(old, rounded);
  InvalidateRect({0, 0, mBounds.width, mBounds.height}, ClipsToParent(*this));
  UpdateVisibleRegion(old, rounded);
  Notify(LNotification::Create(kScrollOffsetChange));
  // The content moved under a resting mouse: the window finds the control under it again.
  const RCPtr<IRootWindow>& rootWindow = GetRootWindowSlot();
  if (rootWindow && rootWindow->HasHoverControl()) {
    const PointT<std::int32_t> cursor = rootWindow->GetCursorPosition();
    PointT<double> local = ToDouble(cursor);
    const RCPtr<LControl> top = GetTopLevelControl();
    ConvertPointFrom(*top, local);
    const PointT<std::int32_t> point = local.RoundToLong();
    const SizeT<std::int32_t> size = SizeT<double>{mBounds.width, mBounds.height}.RoundToLong();
    if (point.x >= 0 && point.x < size.width && point.y >= 0 && point.y < size.height) {
      RCPtr<LControl> found;
      PointT<std::int32_t> foundPoint{};
      static_cast<void>(rootWindow->GetControlAtPoint(found, cursor, foundPoint, true));
    }
  }
  return mScrollOffset;
}

// ---------------------------------------------------------------------------
// Run-time placement

QZRESULT LControl::SetPlacement(const AxisPlacement& xPlacement, const SizeSpec& xSize,
                                const AxisPlacement& yPlacement, const SizeSpec& ySize) {
  if (!mLayout)
    return S_FALSE;
  constexpr std::int32_t x = LLayoutDescriptor::kAxisX;
  constexpr std::int32_t y = LLayoutDescriptor::kAxisY;
  if (mParent && (xPlacement.mDocked != mLayout->mPlacement[x].mDocked ||
                  yPlacement.mDocked != mLayout->mPlacement[y].mDocked))
    mParent->mChildren.AdvanceChangeStamp();
  mLayout->mPlacement[x] = xPlacement;
  mLayout->mSize[x] = xSize;
  mLayout->mPlacement[y] = yPlacement;
  mLayout->mSize[y] = ySize;
  static_cast<void>(UpdateLayout());
  const bool same = mLayout->mPlacement[x] == xPlacement && mLayout->mSize[x] == xSize &&
                    mLayout->mPlacement[y] == yPlacement && mLayout->mSize[y] == ySize;
  return same ? S_OK : S_FALSE;
}

QZRESULT LControl::SetAxisPlacement(std::int32_t axis, const AxisPlacement& placement, const SizeSpec& size) {
  if (!mLayout)
    return S_FALSE;
  AxisPlacement oldPlacement;
  SizeSpec oldSize;
  if (mLayout->GetAxisLayout(axis, oldPlacement, oldSize) != S_OK)
    return S_FALSE;
  if (mParent && oldPlacement.mDocked != placement.mDocked)
    mParent->mChildren.AdvanceChangeStamp();
  static_cast<void>(mLayout->SetAxisLayout(axis, placement, size));
  static_cast<void>(UpdateLayout());
  AxisPlacement storedPlacement;
  SizeSpec storedSize;
  static_cast<void>(mLayout->GetAxisLayout(axis, storedPlacement, storedSize));
  return storedPlacement == placement && storedSize == size ? S_OK : S_FALSE;
}

QZRESULT LControl::SetAxisSizeLimits(std::int32_t axis, const SizeLimitSpec& minimum,
                                     const SizeLimitSpec& maximum) {
  if (!mLayout || mLayout->SetAxisSizeLimits(axis, minimum, maximum) != S_OK)
    return S_FALSE;
  static_cast<void>(UpdateLayout());
  SizeLimitSpec storedMinimum;
  SizeLimitSpec storedMaximum;
  static_cast<void>(mLayout->GetAxisSizeLimits(axis, storedMinimum, storedMaximum));
  return storedMinimum == minimum && storedMaximum == maximum ? S_OK : S_FALSE;
}

SizeT<double> LControl::MeasureNaturalSize() {
  double natural[2] = {};
  for (const std::int32_t a : {LLayoutDescriptor::kAxisX, LLayoutDescriptor::kAxisY}) {
    AxisPlacement placement;
    SizeSpec saved;
    if (!mLayout || mLayout->GetAxisLayout(a, placement, saved) != S_OK)
      continue;
    SizeSpec zero;
    zero.mReference = kSizeSelf;
    zero.mRelative = 0;
    zero.mAbsolute = 0;
    SetAxisPlacement(a, placement, zero);
    natural[a] = Extent(mBounds, a);
    SetAxisPlacement(a, placement, saved);
  }
  return {natural[0], natural[1]};
}

SizeT<double> LControl::GetFixedMaximumSize() const {
  if (!mLayout)
    return {};
  const SizeLimitSpec& x = mLayout->mMaxSize[LLayoutDescriptor::kAxisX];
  const SizeLimitSpec& y = mLayout->mMaxSize[LLayoutDescriptor::kAxisY];
  return {x.mRelativeToControl ? 0 : x.mAbsolute, y.mRelativeToControl ? 0 : y.mAbsolute};
}

// ---------------------------------------------------------------------------
// Coordinates

PointT<double> LControl::GetOffsetInParent() const {
  if (!mParent)
    return {mBounds.x, mBounds.y};
  const RectT<double> client = mParent->GetClientRect();
  return {mBounds.x - mParent->mScrollOffset.x + client.x, mBounds.y - mParent->mScrollOffset.y + client.y};
}

PointT<double> LControl::GetPositionInRoot() const {
  PointT<double> position{mBounds.x, mBounds.y};
  for (const LControl* ancestor = mParent.GetRaw(); ancestor; ancestor = ancestor->mParent.GetRaw()) {
    const RectT<double> client = ancestor->GetClientRect();
    position.x += client.x - ancestor->mScrollOffset.x + ancestor->mBounds.x;
    position.y += client.y - ancestor->mScrollOffset.y + ancestor->mBounds.y;
  }
  return position;
}

PointT<double>& LControl::ConvertPointFrom(const LControl& other, PointT<double>& point) const {
  const PointT<std::int32_t> from = other.GetPositionInRoot().RoundToLong();
  const PointT<std::int32_t> to = GetPositionInRoot().RoundToLong();
  point.x += static_cast<double>(std::int64_t{from.x} - to.x);
  point.y += static_cast<double>(std::int64_t{from.y} - to.y);
  return point;
}

bool LControl::ContainsPoint(const PointT<std::int32_t>& point) const {
  const PointT<std::int32_t> origin = PointT<double>{mBounds.x, mBounds.y}.RoundToLong();
  const double px = static_cast<double>(std::int64_t{origin.x} + point.x);
  const double py = static_cast<double>(std::int64_t{origin.y} + point.y);
  return mBounds.x <= px && px < mBounds.x + mBounds.width && mBounds.y <= py && py < mBounds.y + mBounds.height;
}

void LControl::RevealArea(const RectT<double>&) {}

void LControl::ScrollIntoView() {
  const RCPtr<LControl> self(this); // a scroll's listeners may change the tree
  RectT<double> area = mBounds;     // in the parent's content space
  RCPtr<LControl> child(this);
  for (RCPtr<LControl> parent = mParent; parent; parent = parent->mParent) {
    // A docked control stays put whatever its parent's offset.
    if (!DockedOn(*child, LLayoutDescriptor::kAxisX) && !DockedOn(*child, LLayoutDescriptor::kAxisY))
      parent->RevealArea(area);
    // The part the parent shows, in the parent's own coordinates, then in its own parent's content space.
    const RectT<double> client = parent->GetClientRect();
    const double left = std::max(0.0, area.x + client.x - parent->mScrollOffset.x);
    const double top = std::max(0.0, area.y + client.y - parent->mScrollOffset.y);
    const double right = std::min(parent->mBounds.width, area.x + area.width + client.x - parent->mScrollOffset.x);
    const double bottom =
        std::min(parent->mBounds.height, area.y + area.height + client.y - parent->mScrollOffset.y);
    if (right <= left || bottom <= top)
      return; // nothing of it shows there: no outer view can bring it into sight
    area = {left + parent->mBounds.x, top + parent->mBounds.y, right - left, bottom - top};
    child = parent;
  }
}

RectT<double> LControl::GetChildrenBounds() const {
  std::int32_t left = std::numeric_limits<std::int32_t>::max();
  std::int32_t top = std::numeric_limits<std::int32_t>::max();
  std::int32_t right = std::numeric_limits<std::int32_t>::min();
  std::int32_t bottom = std::numeric_limits<std::int32_t>::min();
  for (std::uint32_t i = 0; i < mChildren.GetCount(); ++i) {
    const RCPtr<LControl>& child = mChildren.GetAt(i, kCreationOrder);
    if (DockedOn(*child, LLayoutDescriptor::kAxisX) || DockedOn(*child, LLayoutDescriptor::kAxisY))
      continue;
    const RectT<std::int32_t> r = child->mBounds.RoundToLong();
    left = std::min(left, r.x);
    top = std::min(top, r.y);
    right = std::max(
        right, static_cast<std::int32_t>(static_cast<std::uint32_t>(r.x) + static_cast<std::uint32_t>(r.width)));
    bottom = std::max(
        bottom, static_cast<std::int32_t>(static_cast<std::uint32_t>(r.y) + static_cast<std::uint32_t>(r.height)));
  }
  // Differences modulo 2^32, as the integer rectangle has them.
  const auto width =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(right) - static_cast<std::uint32_t>(left));
  const auto height =
      static_cast<std::int32_t>(static_cast<std::uint32_t>(bottom) - static_cast<std::uint32_t>(top));
  return {static_cast<double>(left), static_cast<double>(top), static_cast<double>(width),
          static_cast<double>(height)};
}

} // namespace QZ
