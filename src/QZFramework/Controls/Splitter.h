#pragma once
// LSplitterBase, LSplitterH and LSplitterV: a bar between panes that the user
// drags to give one pane more room and the other less. LSplitterH moves up
// and down, LSplitterV left and right. The bar works through its siblings'
// layouts: a bar placed relative to a sibling (its position on the moving
// axis names that sibling) resizes that sibling while it is dragged, and the
// siblings laid out against the bar follow. Each pane keeps between its
// natural size and its fixed maximum size.
//
// During a drag the bar is placed absolutely so that it moves freely; at the
// end it is placed relative to its reference sibling again and ends where the
// resized sibling puts it. The reference sibling is held only while a drag
// runs. A range whose minimum lies above its maximum (a pane already below
// its natural size) keeps the bar where it is. When the container shrinks,
// the panes after the bar count the room their layout gives them rather than
// their size (which their minimum holds, past the container's edge), so that
// the reference sibling gives way and the bar stays inside. UI thread only,
// like every control.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"

#include <cstdint>

namespace QZ {

class LSplitterBase : public LControl {
public:
  static constexpr std::int32_t kHorizontal = 0; // moves along Y
  static constexpr std::int32_t kVertical = 1;   // moves along X

  static constexpr std::int32_t kLookNormal = 0;
  static constexpr std::int32_t kLookHover = 1;
  static constexpr std::int32_t kLookDragged = 2;
  static constexpr std::int32_t kLookFocused = 3;
  static constexpr std::int32_t kLookFocusedHover = 4;
  static constexpr std::int32_t kLookFocusedDragged = 5;
  static constexpr std::int32_t kLookDisabled = 6;

  LSplitterBase(const RCPtr<LControl>& parent, const WideString& name, std::int32_t orientation)
      : LControl(parent, name), mOrientation(orientation) {}
  ~LSplitterBase() override = default;

  // The drag range, the bar placed absolutely, then the base's.
  void OnDragBegin() override;
  // The reference sibling's size follows the drag.
  void OnDragMove(const RCPtr<LPointWithModifiersParam>& param) override;
  // The bar placed relative to its reference sibling again, then the base's.
  void OnDragEnd() override;
  // On the moving axis: the drag range.
  void GetDragLimits(RectT<double>& limits) override;
  // A left drag moves the bar along its axis; the look follows the state.
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  // The base's, then the sizing cursor of the orientation.
  QZRESULT Initialize() override;
  // The base's re-layout; a bar left outside its range afterwards resizes its
  // reference sibling so that it sits at the range's nearest end. 0.
  QZRESULT OnContainerResized(const SizeT<std::int32_t>& size) override;
  QZRESULT ReleaseInnerReferences() override;

  std::int32_t GetOrientation() const { return mOrientation; }
  // The range of the bar's coordinate (parent coordinates) found at the last drag start.
  double GetRangeMinimum() const { return mMinimum; }
  double GetRangeMaximum() const { return mMaximum; }

private:
  std::int32_t Axis() const {
    return mOrientation == kHorizontal ? LLayoutDescriptor::kAxisY : LLayoutDescriptor::kAxisX;
  }
  // The range of the bar's coordinate and the reference sibling (null when
  // the bar is placed absolutely); forDrag also places the bar absolutely and
  // records the sibling's size.
  void ComputeRange(bool forDrag, double& minimum, double& maximum, RCPtr<LControl>& reference);

  std::int32_t mOrientation;
  double mMinimum = 0;
  double mMaximum = kMaxExactDouble;
  AxisPlacement mSavedPlacement;
  RCPtr<LControl> mReference;
  double mReferenceSizeAtStart = 0;
};

class LSplitterH : public LSplitterBase {
public:
  LSplitterH(const RCPtr<LControl>& parent, const WideString& name) : LSplitterBase(parent, name, kHorizontal) {}
  ~LSplitterH() override = default;

  // "Framework.SplitterH".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);
};

class LSplitterV : public LSplitterBase {
public:
  LSplitterV(const RCPtr<LControl>& parent, const WideString& name) : LSplitterBase(parent, name, kVertical) {}
  ~LSplitterV() override = default;

  // "Framework.SplitterV".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LSplitterBase, "class QZ::LSplitterBase")
QZ_TYPE_NAME(QZ::LSplitterH, "class QZ::LSplitterH")
QZ_TYPE_NAME(QZ::LSplitterV, "class QZ::LSplitterV")
