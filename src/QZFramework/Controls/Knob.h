#pragma once
// LKnob: a rotary value control drawn as a film strip. Looks 0..N-1 are the
// positions (look k shows the value k / (N - 1)); the first missing look ends
// them; look N + 1, when present, is the focus overlay and look N + 2 the
// disabled overlay, whose images are put on every position look while the
// knob has the focus or is disabled. The value is the base control's, range
// 0..127. A left drag turns it linearly (right and up turn it up; R pixels of
// travel cover the whole range, R / fine multiplier with Ctrl held) or, when
// either radial angle is set, radially (the pointer's angle around the centre
// within the arc from the start angle clockwise to the end angle; 0 is up).
// The arrow keys and the wheel step by one range unit.
//
// Invariants: during a drag values set from outside wait in the pending value
// and are applied at its end. A knob without position looks, or with a linear
// range below 2 pixels, takes no linear gesture. UI thread only.

#include "QZFramework/ControlBase/Control.h"

#include <cstdint>

namespace QZ {

class LKnob : public LControl {
public:
  LKnob(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LKnob() override = default;

  // "Framework.Knob".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // During a drag only the pending value (the value is returned unchanged).
  double SetValue(double normalized) override;
  // The position look of the value.
  void OnValueChanged() override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  void HandleMouseMove(const RCPtr<LPointWithModifiersParam>& param) override;
  // One range unit up (away from the user, right) or down; the wheel stops here.
  QZRESULT HandleMouseWheel(const RCPtr<LMouseWheelParam>& param) override;
  QZRESULT HandleMouseHorizontalWheel(const RCPtr<LMouseWheelParam>& param) override;
  // The arrow keys step the value: 0; other keys 1.
  QZRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
  // The creation parameters and the range 0..127; the base result.
  QZRESULT Initialize() override;
  // The position looks, the overlays, the linear range and the centre. 0.
  QZRESULT FinishInitialize() override;

  bool IsRadial() const { return mRadial; }
  std::int32_t GetLinearFullRange() const { return mLinearFullRange; }
  double GetRadialStartAngle() const { return mStartAngle; }
  double GetRadialEndAngle() const { return mEndAngle; }
  double GetFineMultiplier() const { return mFineMultiplier; }
  std::uint32_t GetPositionLookCount() const { return mPositionLooks; }
  const PointT<std::int32_t>& GetCentre() const { return mCentre; }
  void SetNotifyOnRelease(bool notify) { mNotifyOnRelease = notify; }

private:
  void ApplyLinearGesture(const PointT<std::int32_t>& point);
  void ApplyRadialGesture(const PointT<std::int32_t>& point);
  // Part 0 of every position look shows image (none for null).
  void SetPositionImages(const RCPtr<LBitmap>& image);
  RCPtr<LBitmap> OverlayImage(std::int32_t look) const;
  PointT<std::int32_t> ToKnob(const PointT<double>& point) const;
  void StepBy(double units);

  bool mRadial = false;
  std::int32_t mLinearFullRange = 0;
  double mStartAngle = 0;
  double mEndAngle = 0;
  double mFineMultiplier = 0.25;
  std::uint32_t mPositionLooks = 0;
  PointT<std::int32_t> mLast{0, 0};
  PointT<std::int32_t> mPrevious{0, 0};
  PointT<std::int32_t> mCentre{0, 0};
  double mPendingValue = -1.0;
  bool mApplyPending = true;
  bool mNotifyOnRelease = false;
  bool mKeyStepping = false;
  std::int32_t mFocusOverlay = -1;
  std::int32_t mDisabledOverlay = -1;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LKnob, "class QZ::LKnob")
