#pragma once
// LScrollView: a control whose children live on a content area (the client
// extent) that may be larger than the control. The children scroll by the
// base's scroll offset; up to two scroll bars among the children ("hBar",
// "vBar", with an optional "corner" that fills the square where they meet and
// carries their thickness) show only when the content does not fit on their
// axis, follow the extent and the view size, and turn into scroll offsets when
// moved. The extent may follow the children ("AUTO_CLIENT_EXTENT_X/Y").
//
// Invariants: an extent of 0 on an axis means "not set": no bar there and an
// unbounded scroll offset. A bar is hidden or shown by its thickness (through
// the corner), never by its visible flag. A bar position set by the view
// (after the offset changed) never comes back as a scroll request; the guards
// keep the view's own bar and offset updates from re-entering through the
// children's layout. UI thread only, like every control.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Controls/ScrollBar.h"

#include <cstdint>

namespace QZ {

class LScrollView : public LControl {
public:
  // SetAutoClientExtent's modes.
  static constexpr std::int32_t kAutoExtentOff = 0;
  static constexpr std::int32_t kAutoExtentWidth = 1;
  static constexpr std::int32_t kAutoExtentHeight = 2;
  static constexpr std::int32_t kAutoExtentBoth = 3;
  // ShowScrollBar's axes.
  static constexpr std::int32_t kHorizontalBar = 0;
  static constexpr std::int32_t kVerticalBar = 1;
  // The largest scroll offset on an axis without extent.
  static constexpr double kUnbounded = 4503599627370496.0; // 2^52

  LScrollView(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LScrollView() override = default;

  // The bars are updated for the new extent. Nothing in the view.
  virtual void OnClientExtentChanged();
  // The view area changed size, or a bar was shown or hidden (true for the
  // vertical one); hooks for derived classes.
  virtual void OnViewAreaChanged();
  virtual void OnScrollBarShownChanged(bool vertical);

  // Stores the extent, updates the bars and sends "NID_CLIENT_EXTENT_CHANGE":
  // 0; 1 (nothing happens) when it equals the current one.
  QZRESULT SetClientExtent(double width, double height);
  const SizeT<double>& GetClientExtentSize() const { return mClientExtent; }
  // The mode (kAutoExtent...) and the margin added to the children's extent. 0.
  QZRESULT SetAutoClientExtent(std::int32_t mode, std::int32_t marginX, std::int32_t marginY);
  std::int32_t GetAutoExtentMode() const { return mAutoExtentMode; }
  // The extent from the children for the mode: SetClientExtent's result; 1 when off.
  QZRESULT ApplyAutoClientExtent();
  // Shows each bar only when the content does not fit, then the ranges. 1 when
  // already running, else 0.
  QZRESULT UpdateScrollBars();
  // The bars' ranges, thumbs and steps from the extent and the view area.
  void UpdateScrollBarRanges();
  // Gives the bar of the axis (kHorizontalBar, kVerticalBar) its thickness or none.
  void ShowScrollBar(std::int32_t axis, bool show);
  bool IsScrollBarShown(std::int32_t axis) const;
  // The corner's size, else {vertical bar width, horizontal bar height}.
  SizeT<double> GetScrollBarSize() const;
  // Scrolling by whole lines of lineSize pixels on an axis (0 X, 1 Y).
  void SetLineMode(std::int32_t axis, bool lineMode, std::int32_t lineSize);

  const RCPtr<LScrollbar>& GetHorizontalBar() const { return mHBar; }
  const RCPtr<LScrollbar>& GetVerticalBar() const { return mVBar; }

  // The view area: the client rectangle less the shown bars.
  RectT<double> GetLocalBounds() const override;
  // The part of the view area that the user sees, in the space of the visible
  // content (0, 0 is the content at the scroll offset): the whole view area
  // here; a view partly covered by a sibling drawn over it leaves that part out.
  virtual RectT<double> GetViewAreaInSight() const;
  // On each axis with a client extent, the least scroll that brings the area
  // into sight (its start first when it is larger than what is in sight),
  // within the extent; whole lines on an axis in line mode. An axis without
  // extent (a panel that does not scroll) stays.
  void RevealArea(const RectT<double>& area) override;
  // The largest scroll offset: extent less view, 2^52 without extent.
  RectT<double> GetClientExtent(const RCPtr<LControl>& asking) const override;
  SizeT<double> GetFixedMaximumSize() const override;
  const PointT<double>& SetScrollOffset(const PointT<double>& offset) override;
  // The bars follow the new offset without scrolling back.
  void UpdateVisibleRegion(const PointT<double>& oldOffset, const PointT<double>& newOffset) override;
  void InvalidateChildArea(const RCPtr<LControl>& child) override;
  void OnChildRemoved(const RCPtr<LControl>& child, std::int32_t formerIndex) override;
  void OnSizeChanging() override;
  void OnSizeChanged() override;
  QZRESULT CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
  QZRESULT HandleMouseWheel(const RCPtr<LMouseWheelParam>& param) override;
  QZRESULT HandleMouseHorizontalWheel(const RCPtr<LMouseWheelParam>& param) override;
  QZRESULT Initialize() override;
  QZRESULT ReadCreateParams() override;
  // The view's handler first, then the base control's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  QZRESULT ReleaseInnerReferences() override;

private:
  // Subscribes to the bars (once) and takes their thickness.
  void WireScrollBars();
  std::int32_t OnBarValueChange(const RCPtr<LNotificationDistributor>& source,
                                const RCPtr<LNotification>& notification);
  // The farthest right and bottom edge of the children not docked on that axis.
  SizeT<double> MeasureChildren() const;
  // One wheel step on a bar.
  static void StepBar(const RCPtr<LScrollbar>& bar, const RCPtr<LMouseWheelParam>& param);
  // The thickness of the vertical (width) and horizontal (height) bar now.
  double CurrentThickness(std::int32_t axis) const;

  RCPtr<LNotificationHandler<LScrollView>> mViewHandler;
  bool mUpdatingBars = false;
  bool mSettingOffset = false;
  bool mLayoutPending = false;
  RCPtr<LScrollbar> mHBar;
  RCPtr<LScrollbar> mVBar;
  RCPtr<LControl> mCorner;
  SizeT<double> mClientExtent{0, 0};
  // The vertical bar's width and the horizontal bar's height when shown.
  SizeT<double> mScrollBarSize{0, 0};
  std::int32_t mAutoExtentMode = kAutoExtentOff;
  PointT<std::int32_t> mAutoExtentMargin{0, 0};
  bool mLineMode[2] = {false, false};
  std::int32_t mLineSize[2] = {0, 0};
  // While set, the bar of that axis is being moved by the view itself.
  bool mBarMuted[2] = {false, false};
  bool mHBarSubscribed = false;
  bool mVBarSubscribed = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LScrollView, "class QZ::LScrollView")
