#pragma once
// LProgressBar: how far an operation has come. The overlay "activeOverlay"
// grows from the left with the value (range 0..100), "percentCompleteLabel"
// shows the percentage as a plain number and, while time estimation is on,
// "timeRemainingLabel" shows the remaining time in words of the application's
// string table. The estimate extrapolates the average rate since estimation
// began; it stops when the value reaches the end and the last text stays.
//
// Missing children leave their part of the display undone. The clock is the
// application's (GetTime). UI thread only, like every control.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Controls/Label.h"

#include <cstdint>

namespace QZ {

class LProgressBar : public LControl {
public:
  LProgressBar(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LProgressBar() override = default;

  // "Framework.ProgressBar".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The overlay's width, the percentage and, while estimating, the remaining time.
  void OnValueChanged() override;
  // The children, the words (framework string table) and the range 0..100 at
  // 0; the base result.
  QZRESULT Initialize() override;
  // Not focusable; the display of the value. 0.
  QZRESULT FinishInitialize() override;
  QZRESULT ReleaseInnerReferences() override;

  // Shows the time label with s seconds in words ("1 Hour 2 Minutes 5 Seconds Remaining").
  virtual void UpdateRemainingTimeText(std::int32_t seconds);
  // Switching on restarts the estimate from the current value and time.
  virtual void SetTimeEstimate(bool on);

  bool IsEstimating() const { return mEstimating; }
  const RCPtr<LControl>& GetOverlay() const { return mOverlay; }
  const RCPtr<LLabel>& GetTimeLabel() const { return mTimeLabel; }
  const RCPtr<LLabel>& GetPercentLabel() const { return mPercentLabel; }

private:
  enum Word { kHour, kHours, kMinute, kMinutes, kSecond, kSeconds, kRemaining, kWordCount };

  void EstimateRemainingTime();
  double Now() const;

  RCPtr<LControl> mOverlay;
  RCPtr<LLabel> mTimeLabel;
  RCPtr<LLabel> mPercentLabel;
  WideString mWords[kWordCount];
  double mStartTime = 0;
  double mStartValue = 0;
  double mReferenceTime = 0;
  double mReferenceValue = 0;
  bool mEstimating = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LProgressBar, "class QZ::LProgressBar")
