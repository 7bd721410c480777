#include "QZFramework/Controls/ScrollView.h"

#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <cmath>

namespace QZ {

namespace {

constexpr const char16_t* kValueChange = u"NID_VALUE_CHANGE";
constexpr const char16_t* kClientExtentChange = u"NID_CLIENT_EXTENT_CHANGE";
constexpr const char16_t* kAutoExtentX = u"AUTO_CLIENT_EXTENT_X";
constexpr const char16_t* kAutoExtentY = u"AUTO_CLIENT_EXTENT_Y";
constexpr double kSameExtent = 2.220446049250313e-15;
// Bar values in line mode add up steps of 1 / lines, which fall a hair short
// of whole lines; a value this close below a line counts as that line.
constexpr double kLineTolerance = 1e-7;

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

bool DockedOn(const LControl& control, std::int32_t axis) {
  const RCPtr<LLayoutDescriptor>& layout = control.GetLayout();
  return layout && layout->mPlacement[axis].mDocked;
}

double Along(const SizeT<double>& size, std::int32_t axis) { return axis == 0 ? size.width : size.height; }
double Along(const PointT<double>& point, std::int32_t axis) { return axis == 0 ? point.x : point.y; }
double Along(const RectT<double>& rect, std::int32_t axis) { return axis == 0 ? rect.width : rect.height; }

double ClampToUnbounded(double value) {
  return std::clamp(value, -LScrollView::kUnbounded, LScrollView::kUnbounded);
}

// Turns a bar back off while the view moves it itself.
class CBarMute {
public:
  explicit CBarMute(bool& muted) : mMuted(muted), mWas(muted) { mMuted = true; }
  ~CBarMute() { mMuted = mWas; }
  CBarMute(const CBarMute&) = delete;
  CBarMute& operator=(const CBarMute&) = delete;

private:
  bool& mMuted;
  bool mWas;
};

} // namespace

// ---------------------------------------------------------------------------
// Creation

QZRESULT LScrollView::Initialize() {
  const QZRESULT base = LControl::Initialize();
  if (base < 0)
    return base;
  mViewHandler = LNotificationHandler<LScrollView>::Create(this);
  WireScrollBars();
  return S_OK;
}

void LScrollView::WireScrollBars() {
  mCorner = FindChild(WideString(u"corner"));
  // A child of another class under a bar's name is not a bar.
  mHBar = DynamicCast<LScrollbar>(FindChild(WideString(u"hBar")));
  mVBar = DynamicCast<LScrollbar>(FindChild(WideString(u"vBar")));
  mScrollBarSize = {0, 0};
  if (mCorner && mCorner->GetLayout())
    mScrollBarSize = {mCorner->GetLayout()->mSize[0].mAbsolute, mCorner->GetLayout()->mSize[1].mAbsolute};
  if (mHBar) {
    if (!mHBarSubscribed && mViewHandler) {
      mHBarSubscribed =
          mViewHandler->Register(&LScrollView::OnBarValueChange, AsDistributor(mHBar), kValueChange) == S_OK;
    }
    if (mScrollBarSize.height == 0)
      mScrollBarSize.height = mHBar->GetBounds().height;
  }
  if (mVBar) {
    if (!mVBarSubscribed && mViewHandler) {
      mVBarSubscribed =
          mViewHandler->Register(&LScrollView::OnBarValueChange, AsDistributor(mVBar), kValueChange) == S_OK;
    }
    if (mScrollBarSize.width == 0)
      mScrollBarSize.width = mVBar->GetBounds().width;
  }
  static_cast<void>(UpdateScrollBars());
}

QZRESULT LScrollView::ReadCreateParams() {
  const QZRESULT base = LControl::ReadCreateParams();
  const RCPtr<LStringTable> params = mDescriptor ? mDescriptor->GetCreateParams() : RCPtr<LStringTable>();
  const auto flag = [&params](const char16_t* id) {
    WideString text;
    return params && params->GetString(id, text) && IsTrueParam(text);
  };
  mAutoExtentMode = (flag(kAutoExtentX) ? kAutoExtentWidth : 0) + (flag(kAutoExtentY) ? kAutoExtentHeight : 0);
  mAutoExtentMargin = {0, 0};
  static_cast<void>(ApplyAutoClientExtent());
  return base;
}

QZRESULT LScrollView::CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) {
  if (!mCreated)
    return LControl::CreateChildrenFromDescriptor(descriptor);
  // Children made again at run time: the extent follows once they are all there.
  const std::int32_t mode = mAutoExtentMode;
  mAutoExtentMode = kAutoExtentOff;
  const QZRESULT result = LControl::CreateChildrenFromDescriptor(descriptor);
  WireScrollBars();
  mAutoExtentMode = mode;
  static_cast<void>(ApplyAutoClientExtent());
  static_cast<void>(UpdateScrollBars());
  OnSizeChanged();
  return result;
}

std::int32_t LScrollView::Receive(const RCPtr<LNotificationDistributor>& source,
                                  const RCPtr<LNotification>& notification) {
  if (!mCreated)
    return 0;
  if (mViewHandler) {
    const std::int32_t handled = mViewHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LControl::Receive(source, notification);
}

QZRESULT LScrollView::ReleaseInnerReferences() {
  mViewHandler = RCPtr<LNotificationHandler<LScrollView>>();
  mHBar = mVBar = RCPtr<LScrollbar>();
  mCorner = RCPtr<LControl>();
  return LControl::ReleaseInnerReferences();
}

// ---------------------------------------------------------------------------
// Extent

QZRESULT LScrollView::SetClientExtent(double width, double height) {
  if (std::fabs(width - mClientExtent.width) <= kSameExtent &&
      std::fabs(height - mClientExtent.height) <= kSameExtent)
    return S_FALSE;
  const RCPtr<LControl> self(this);
  mClientExtent = {width, height};
  OnClientExtentChanged();
  Notify(LNotification::Create(kClientExtentChange));
  return S_OK;
}

void LScrollView::OnClientExtentChanged() { static_cast<void>(UpdateScrollBars()); }
void LScrollView::OnViewAreaChanged() {}
void LScrollView::OnScrollBarShownChanged(bool) {}

QZRESULT LScrollView::SetAutoClientExtent(std::int32_t mode, std::int32_t marginX, std::int32_t marginY) {
  mAutoExtentMode = mode;
  mAutoExtentMargin = {marginX, marginY};
  static_cast<void>(ApplyAutoClientExtent());
  return S_OK;
}

SizeT<double> LScrollView::MeasureChildren() const {
  double right = 0;
  double bottom = 0;
  for (std::uint32_t i = mChildren.GetCount(); i-- > 0;) {
    const RCPtr<LControl>& child = mChildren.GetAt(i, kCreationOrder);
    const RectT<double>& b = child->GetBounds();
    if (!DockedOn(*child, 0))
      right = std::max(right, std::round(b.x) + std::round(b.width));
    if (!DockedOn(*child, 1))
      bottom = std::max(bottom, std::round(b.y) + std::round(b.height));
  }
  return {right, bottom};
}

QZRESULT LScrollView::ApplyAutoClientExtent() {
  if (mAutoExtentMode == kAutoExtentOff)
    return S_FALSE;
  const SizeT<double> children = MeasureChildren();
  const double width = ClampToUnbounded(children.width + mAutoExtentMargin.x);
  const double height = ClampToUnbounded(children.height + mAutoExtentMargin.y);
  switch (mAutoExtentMode) {
  case kAutoExtentWidth:
    return SetClientExtent(width, mClientExtent.height);
  case kAutoExtentHeight:
    return SetClientExtent(mClientExtent.width, height);
  case kAutoExtentBoth:
    return SetClientExtent(width, height);
  default:
    return S_OK;
  }
}

// ---------------------------------------------------------------------------
// Bars

bool LScrollView::IsScrollBarShown(std::int32_t axis) const {
  const RCPtr<LScrollbar>& bar = axis == kVerticalBar ? mVBar : mHBar;
  return bar && bar->GetLayout() && bar->GetLayout()->mVisible && bar->GetBounds().width > 0 &&
         bar->GetBounds().height > 0;
}

SizeT<double> LScrollView::GetScrollBarSize() const {
  if (mCorner)
    return {mCorner->GetBounds().width, mCorner->GetBounds().height};
  return {mVBar ? mVBar->GetBounds().width : 0.0, mHBar ? mHBar->GetBounds().height : 0.0};
}

double LScrollView::CurrentThickness(std::int32_t axis) const {
  const SizeT<double> size = GetScrollBarSize();
  return axis == kVerticalBar ? size.width : size.height;
}

void LScrollView::ShowScrollBar(std::int32_t axis, bool show) {
  const RCPtr<LScrollbar>& bar = axis == kVerticalBar ? mVBar : mHBar;
  if (!bar || IsScrollBarShown(axis) == show)
    return;
  // The vertical bar's thickness is a width, the horizontal bar's a height.
  const std::int32_t thicknessAxis = axis == kVerticalBar ? LLayoutDescriptor::kAxisX : LLayoutDescriptor::kAxisY;
  const RCPtr<LControl> carrier = mCorner ? mCorner : RCPtr<LControl>(bar);
  const RCPtr<LLayoutDescriptor>& layout = carrier->GetLayout();
  AxisPlacement placement;
  SizeSpec size;
  if (!layout || layout->GetAxisLayout(thicknessAxis, placement, size) != S_OK)
    return;
  SizeSpec thickness;
  thickness.mAbsolute = show ? (axis == kVerticalBar ? mScrollBarSize.width : mScrollBarSize.height) : 0.0;
  static_cast<void>(carrier->SetAxisPlacement(thicknessAxis, placement, thickness));
}

QZRESULT LScrollView::UpdateScrollBars() {
  if (mUpdatingBars)
    return S_FALSE;
  mUpdatingBars = true;
  const RCPtr<LControl> self(this);
  const double v = CurrentThickness(kVerticalBar);
  const double h = CurrentThickness(kHorizontalBar);
  const bool vShown = IsScrollBarShown(kVerticalBar);
  const bool hShown = IsScrollBarShown(kHorizontalBar);
  const RectT<double> view = GetLocalBounds();
  const double fullWidth = view.width + (v > 0 ? mScrollBarSize.width : 0.0);
  const double fullHeight = view.height + (h > 0 ? mScrollBarSize.height : 0.0);

  static_cast<void>(ApplyAutoClientExtent());
  bool needV = mClientExtent.height > fullHeight;
  const bool needH = mClientExtent.width > fullWidth - (needV ? mScrollBarSize.width : 0.0);
  // The horizontal bar may take the room the content needed.
  if (needH && !needV)
    needV = mClientExtent.height > fullHeight - mScrollBarSize.height;
  ShowScrollBar(kVerticalBar, needV);
  ShowScrollBar(kHorizontalBar, needH);
  UpdateScrollBarRanges();

  if (IsScrollBarShown(kVerticalBar) != vShown)
    OnScrollBarShownChanged(true);
  if (IsScrollBarShown(kHorizontalBar) != hShown)
    OnScrollBarShownChanged(false);
  const RectT<double> after = GetLocalBounds();
  if (after.x != view.x || after.y != view.y || after.width != view.width || after.height != view.height)
    OnViewAreaChanged();
  static_cast<void>(ApplyAutoClientExtent());
  mUpdatingBars = false;
  return S_OK;
}

void LScrollView::UpdateScrollBarRanges() {
  const RectT<double> viewArea = GetLocalBounds();
  for (const std::int32_t axis : {kHorizontalBar, kVerticalBar}) {
    const RCPtr<LScrollbar> bar = axis == kVerticalBar ? mVBar : mHBar;
    if (!bar || !bar->GetParent())
      continue;
    const double view = Along(viewArea, axis);
    const double extent = Along(mClientExtent, axis);
    if (mLineMode[axis] && mLineSize[axis] > 0) {
      const double line = mLineSize[axis];
      const double total = std::trunc(extent / line);
      const double visible = std::trunc(view / line);
      const double small = total > visible ? 1.0 / (total - visible) : 1.0;
      const double real = bar->GetValue();
      bar->SetSmallStep(small);
      bar->SetPageStep(std::min(visible * small, 1.0));
      bar->SetThumbFraction(total > visible ? visible / total : 1.0);
      bar->LayoutThumb();
      const double maximum = total > visible ? total - visible : 0.0;
      static_cast<void>(bar->SetValueRange(0.0, maximum, kValueMappingLinear));
      static_cast<void>(bar->SetValue(bar->ValueToNormalized(std::clamp(real, 0.0, maximum))));
      continue;
    }
    double thumb = 1.0;
    double page = 1.0;
    if (view < extent) {
      thumb = std::clamp(view / extent, 0.0, 1.0);
      page = std::clamp(view / (extent - view), 0.0, 1.0);
    }
    static_cast<void>(bar->SetValueRange(0.0, extent - view, kValueMappingLinear));
    bar->SetThumbFraction(thumb);
    bar->LayoutThumb();
    bar->SetPageStep(page);
    bar->SetSmallStep(page / 10.0);
    // An axis without extent is unbounded: its offset is the program's, not the bar's.
    if (extent == 0.0)
      continue;
    const double offset = std::max(0.0, std::round((extent - view) * bar->GetNormalizedValue()));
    if (offset != Along(mScrollOffset, axis)) {
      const PointT<double> next =
          axis == kVerticalBar ? PointT<double>{mScrollOffset.x, offset} : PointT<double>{offset, mScrollOffset.y};
      static_cast<void>(SetScrollOffset(next));
    }
  }
}

void LScrollView::SetLineMode(std::int32_t axis, bool lineMode, std::int32_t lineSize) {
  if (axis < 0 || axis > 1)
    return;
  mLineMode[axis] = lineMode;
  mLineSize[axis] = lineSize;
}

std::int32_t LScrollView::OnBarValueChange(const RCPtr<LNotificationDistributor>& source,
                                           const RCPtr<LNotification>&) {
  const std::int32_t axis =
      mVBar && source.GetRaw() == static_cast<LNotificationDistributor*>(mVBar.GetRaw())   ? kVerticalBar
      : mHBar && source.GetRaw() == static_cast<LNotificationDistributor*>(mHBar.GetRaw()) ? kHorizontalBar
                                                                                           : -1;
  if (axis < 0 || mBarMuted[axis])
    return 1;
  const RCPtr<LScrollbar>& bar = axis == kVerticalBar ? mVBar : mHBar;
  const double real = bar->GetValue();
  const double offset = mLineMode[axis] && mLineSize[axis] > 0
                            ? std::floor(real + kLineTolerance) * mLineSize[axis]
                            : std::round(real);
  const PointT<double> next =
      axis == kVerticalBar ? PointT<double>{mScrollOffset.x, offset} : PointT<double>{offset, mScrollOffset.y};
  static_cast<void>(SetScrollOffset(next));
  return 1;
}

// ---------------------------------------------------------------------------
// Geometry

RectT<double> LScrollView::GetLocalBounds() const {
  RectT<double> view = GetClientRect();
  const SizeT<double> thickness = GetScrollBarSize();
  if (IsScrollBarShown(kVerticalBar))
    view.width = std::max(0.0, view.width - thickness.width);
  if (IsScrollBarShown(kHorizontalBar))
    view.height = std::max(0.0, view.height - thickness.height);
  return view;
}

RectT<double> LScrollView::GetViewAreaInSight() const {
  const RectT<double> view = GetLocalBounds();
  return {0, 0, view.width, view.height};
}

void LScrollView::RevealArea(const RectT<double>& area) {
  const RectT<double> sight = GetViewAreaInSight();
  const RectT<double> largest = GetClientExtent(RCPtr<LControl>());
  PointT<double> offset = mScrollOffset;
  for (const std::int32_t axis : {kHorizontalBar, kVerticalBar}) {
    if (Along(mClientExtent, axis) == 0.0)
      continue;
    const double start = axis == kVerticalBar ? area.y : area.x;
    const double end = start + Along(area, axis);
    const double inset = axis == kVerticalBar ? sight.y : sight.x;
    const double size = Along(sight, axis);
    const double current = Along(offset, axis);
    double wanted = current;
    if (end - start > size || start < current + inset)
      wanted = start - inset;
    else if (end > current + inset + size)
      wanted = end - inset - size;
    if (wanted == current)
      continue;
    if (mLineMode[axis] && mLineSize[axis] > 0) {
      // Back by whole lines up to the start, on by whole lines past the end.
      const double line = mLineSize[axis];
      wanted = wanted < current ? std::floor(wanted / line) * line : std::ceil(wanted / line) * line;
    }
    wanted = std::clamp(wanted, 0.0, std::max(0.0, Along(largest, axis)));
    (axis == kVerticalBar ? offset.y : offset.x) = wanted;
  }
  if (offset != mScrollOffset)
    static_cast<void>(SetScrollOffset(offset));
}

RectT<double> LScrollView::GetClientExtent(const RCPtr<LControl>&) const {
  const RectT<double> view = GetLocalBounds();
  const auto largest = [&](std::int32_t axis) {
    const double extent = Along(mClientExtent, axis);
    return extent == 0.0 ? kUnbounded : std::max(0.0, extent - Along(view, axis));
  };
  return {0, 0, largest(0), largest(1)};
}

SizeT<double> LScrollView::GetFixedMaximumSize() const {
  SizeT<double> size = LControl::GetFixedMaximumSize();
  if (size.width == 0 || size.height == 0) {
    const SizeT<double> children = MeasureChildren();
    if (size.width == 0)
      size.width = children.width;
    if (size.height == 0)
      size.height = children.height;
  }
  return size;
}

const PointT<double>& LScrollView::SetScrollOffset(const PointT<double>& offset) {
  const bool was = mSettingOffset;
  mSettingOffset = true;
  const PointT<double>& result = LControl::SetScrollOffset(offset);
  mSettingOffset = was;
  return result;
}

void LScrollView::UpdateVisibleRegion(const PointT<double>& oldOffset, const PointT<double>& newOffset) {
  const RectT<double> view = GetLocalBounds();
  for (const std::int32_t axis : {kHorizontalBar, kVerticalBar}) {
    const RCPtr<LScrollbar> bar = axis == kVerticalBar ? mVBar : mHBar;
    if (!bar)
      continue;
    const CBarMute mute(mBarMuted[axis]);
    if (mLineMode[axis] && mLineSize[axis] > 0) {
      // The bar counts lines there, not pixels.
      static_cast<void>(bar->SetValue(bar->ValueToNormalized(Along(newOffset, axis) / mLineSize[axis])));
      continue;
    }
    const double range = Along(mClientExtent, axis) - Along(view, axis);
    static_cast<void>(bar->SetValue(range > 0 ? Along(newOffset, axis) / range : 0.0));
  }
  LControl::UpdateVisibleRegion(oldOffset, newOffset);
}

void LScrollView::InvalidateChildArea(const RCPtr<LControl>& child) {
  if (!mUpdatingBars && !mSettingOffset && !mLayoutPending) {
    if (child && DockedOn(*child, 0) && DockedOn(*child, 1))
      static_cast<void>(UpdateScrollBars());
    else
      static_cast<void>(ApplyAutoClientExtent());
  }
  LControl::InvalidateChildArea(child);
}

void LScrollView::OnChildRemoved(const RCPtr<LControl>& child, std::int32_t formerIndex) {
  LControl::OnChildRemoved(child, formerIndex);
  if (GetRootWindowSlot())
    static_cast<void>(ApplyAutoClientExtent());
}

void LScrollView::OnSizeChanging() {
  LControl::OnSizeChanging();
  // The children are laid out against the new size before OnSizeChanged.
  mLayoutPending = true;
}

void LScrollView::OnSizeChanged() {
  LControl::OnSizeChanged();
  mLayoutPending = false;
  static_cast<void>(ApplyAutoClientExtent());
  static_cast<void>(UpdateScrollBars());
}

// ---------------------------------------------------------------------------
// Wheel

void LScrollView::StepBar(const RCPtr<LScrollbar>& bar, const RCPtr<LMouseWheelParam>& param) {
  const double step = (param->mModifiers & kModifierShift) != 0 ? bar->GetPageStep() : bar->GetSmallStep();
  // Down the page, or towards the right end: a tilt to the right scrolls to the right.
  const bool forward = param->mDirection == kWheelDown || param->mDirection == kWheelRight;
  static_cast<void>(bar->SetValue(bar->GetNormalizedValue() + (forward ? step : -step)));
}

QZRESULT LScrollView::HandleMouseWheel(const RCPtr<LMouseWheelParam>& param) {
  const bool v = IsScrollBarShown(kVerticalBar);
  const bool h = IsScrollBarShown(kHorizontalBar);
  if (!param || (!v && !h))
    return S_FALSE;
  const RCPtr<LControl> self(this);
  const bool horizontal = !v || (h && (param->mModifiers & kModifierAlt) != 0);
  StepBar(horizontal ? mHBar : mVBar, param);
  return S_OK;
}

QZRESULT LScrollView::HandleMouseHorizontalWheel(const RCPtr<LMouseWheelParam>& param) {
  const bool v = IsScrollBarShown(kVerticalBar);
  const bool h = IsScrollBarShown(kHorizontalBar);
  if (!param || (!v && !h))
    return S_FALSE;
  const RCPtr<LControl> self(this);
  StepBar(h ? mHBar : mVBar, param);
  return S_OK;
}

} // namespace QZ
