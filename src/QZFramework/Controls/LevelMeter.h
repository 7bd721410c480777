#pragma once
// LLevelMeter: shows a level, a peak marker and a clip light that its owner
// feeds; it computes no levels itself. The level (the control's value, 0..1)
// sizes "activeOverlay" along the meter's axis (vertical when the meter is
// higher than wide at creation: the overlay covers the part above the level;
// horizontal: the part up to it); the peak moves "peakLo" between the places
// of "peakLo" and "peakHi"; "clipButton" is the clip light. A changed clip
// count lights it; without latching the next update with the same count puts
// it out, with latching only a click on it (or SetClipLatch) does.
//
// A skin without "peakHi" shows no peak marker; one without "activeOverlay"
// or "clipButton" leaves that part of the display undone. UI thread only,
// like every control.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Controls/Button.h"

#include <cstdint>

namespace QZ {

class LLevelMeter : public LControl {
public:
  LLevelMeter(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LLevelMeter() override = default;

  // "Framework.LevelMeter".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // A value set from outside: that level, the peak at 0, the clip count unchanged.
  void OnValueChanged() override;
  QZRESULT Initialize() override;
  // The orientation, the markers' places, the children hidden and not focusable. 0.
  QZRESULT FinishInitialize() override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  QZRESULT ReleaseInnerReferences() override;

  // SetLevelsWithClip with the stored clip count. 0.
  virtual QZRESULT SetLevels(double level, double peak);
  // One display update. 0.
  virtual QZRESULT SetLevelsWithClip(double level, double peak, std::int32_t clipCount);
  // E_FAIL without a clip button; else the light goes out and latching follows latch. 0.
  virtual QZRESULT SetClipLatch(bool latch);
  virtual bool IsClipped() const;
  virtual std::int32_t GetClipCount() const { return mClipCount; }
  virtual void SetClipCount(std::int32_t count) { mClipCount = count; }

  bool IsVertical() const { return mVertical; }
  const RCPtr<LControl>& GetPeakMarker() const { return mPeakMarker; }
  const RCPtr<LControl>& GetOverlay() const { return mOverlay; }
  const RCPtr<LControl>& GetClipButton() const { return mClipButton; }

private:
  std::int32_t OnClipClick(const RCPtr<LNotificationDistributor>& source,
                           const RCPtr<LNotification>& notification);

  RCPtr<LNotificationHandler<LLevelMeter>> mMeterHandler;
  std::int32_t mClipCount = 0;
  bool mLatching = false;
  PointT<double> mPeakStart;
  PointT<double> mPeakEnd;
  RCPtr<LControl> mPeakMarker;
  RCPtr<LControl> mOverlay;
  RCPtr<LControl> mClipButton;
  bool mVertical = false;
  bool mUpdating = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LLevelMeter, "class QZ::LLevelMeter")
