#pragma once
// LSlider: a thumb travelling along a straight track between the skin's two
// markers "thumbStart" (S) and "thumbEnd" (E), in any direction: the slider
// knows only the two end positions and projects the pointer onto the line
// between them. Its value is the base control's (normalised 0..1 over the
// range, 0..127 after Initialize). The thumb ("thumb", made from the
// descriptor of "thumbStart") follows the pointer while it is dragged and the
// value follows the thumb; a press on the slider outside the thumb pages
// towards the pointer (at the click, then after 0.3 s and every 0.1 s while
// held over the slider); the arrow keys and the wheel step by one range unit.
//
// Invariants: while the thumb is dragged, values set from outside wait in the
// pending value (the last one wins, applied at the end of the drag) and the
// thumb is placed only by the pointer; otherwise every value change places the
// thumb on the segment S..E. Paging holds one idle request from its start to
// its end. A skin without the markers, or with both at one position, leaves
// the value where it is. UI thread only, like every control.

#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Panel.h"

#include <cstdint>

namespace QZ {

class LSlider : public LPanel {
public:
  // The looks.
  static constexpr std::int32_t kLookNormal = 0;
  static constexpr std::int32_t kLookFocused = 1;
  static constexpr std::int32_t kLookDisabled = 2;

  LSlider(const RCPtr<LControl>& parent, const WideString& name) : LPanel(parent, name) {}
  ~LSlider() override = default;

  // "Framework.Slider".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // During a drag only the pending value (the value is returned unchanged);
  // otherwise SetValueAndThumb.
  double SetValue(double normalized) override;
  // Takes a child "thumb" when it has no thumb yet, then places the thumb.
  void OnSizeChanged() override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  // One range unit up (away from the user, right) or down. 0: the wheel stops here.
  QZRESULT HandleMouseWheel(const RCPtr<LMouseWheelParam>& param) override;
  QZRESULT HandleMouseHorizontalWheel(const RCPtr<LMouseWheelParam>& param) override;
  // One page towards the click.
  void HandleLeftClick(const RCPtr<LMouseButtonParam>& param) override;
  // The arrow keys of a focused thumb step the value; other keys go to the panel.
  void ProcessUnhandledKey(const RCPtr<LKeyParam>& key) override;
  // The same keys when the slider holds the focus itself: 0, else 1.
  QZRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
  void OnIdle() override;
  // E_FAIL when the panel's initialisation failed, else 0.
  QZRESULT Initialize() override;
  // A "thumb" left over from a rebuild gets its descriptor again from "thumbStart".
  QZRESULT AttachChildFromDescriptor(RCPtr<LControl> child, const RCPtr<LControlDescriptor>& descriptor) override;
  // Hides the markers and takes the point of the thumb that paging aims at. 0.
  QZRESULT FinishInitialize() override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  QZRESULT ReleaseInnerReferences() override;

  // The base's SetValue, then the thumb's place; the normalised value.
  virtual double SetValueAndThumb(double normalized);
  // The value of the thumb's position.
  virtual void UpdateValueFromThumb();
  // The thumb to the value's place on the track (not while dragged).
  virtual void UpdateThumbPosition();
  // Where the thumb goes for a pointer at point (content coordinates): the
  // point less the grab offset, projected onto the track and kept between S and E.
  virtual PointT<std::int32_t> ConstrainPointToTrack(const PointT<std::int32_t>& point);
  // |S point| / |S E|, not clamped; the present value for a track without length.
  virtual double ValueFromPoint(const PointT<std::int32_t>& point);

  // One page (at most the page step) towards a point (content coordinates), never past it.
  void PageTowardPoint(const PointT<double>& point);
  // The end of a drag sends one more "NID_VALUE_CHANGE" (the combo slider's choice).
  void SetNotifyOnRelease(bool notify) { mNotifyOnRelease = notify; }

  const RCPtr<LControl>& GetThumb() const { return mThumb; }
  bool IsDragging() const { return mDragging; }
  bool IsPaging() const { return mPaging; }
  bool IsKeyStepping() const { return mKeyStepping; }
  double GetPendingValue() const { return mPendingValue; }
  const PointT<std::int32_t>& GetThumbReference() const { return mThumbReference; }

private:
  // Makes "thumb" from the descriptor of "thumbStart", placed by the slider alone.
  RCPtr<LControlDescriptor> MakeThumbDescriptor() const;
  void CreateThumb();
  void WireThumb();
  std::int32_t OnThumbDrag(const RCPtr<LNotificationDistributor>& source,
                           const RCPtr<LNotification>& notification);
  std::int32_t OnThumbMove(const RCPtr<LNotificationDistributor>& source,
                           const RCPtr<LNotification>& notification);
  // The arrow-key steps shared by both key paths; whether the key was one of them.
  bool StepByKey(const RCPtr<LKeyParam>& key);
  void StepBy(double units);
  void MoveThumbTo(const PointT<std::int32_t>& position);
  PointT<std::int32_t> ThumbPosition() const;
  PointT<std::int32_t> Start() const;
  PointT<std::int32_t> End() const;
  // A point of the control (local) in its content space.
  PointT<double> LocalToContent(const PointT<double>& point) const;
  double Now() const;

  RCPtr<LNotificationHandler<LSlider>> mSliderHandler;
  RCPtr<LControl> mThumb;
  RCPtr<LControl> mThumbStart;
  RCPtr<LControl> mThumbEnd;
  bool mDragging = false;
  PointT<std::int32_t> mGrabOffset{0, 0};
  double mPageStep = 0.1;
  bool mPaging = false;
  double mPagingClock = 0;
  double mPagingTimeLeft = 0;
  double mPendingValue = -1.0;
  bool mApplyPending = true;
  bool mNotifyOnRelease = false;
  bool mKeyStepping = false;
  PointT<std::int32_t> mThumbReference{0, 0};
  bool mThumbWired = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LSlider, "class QZ::LSlider")
