#pragma once
// LCenteredSlider: a slider whose track shows a band that follows the thumb.
// The skin's panels "lowRangeBounds" and "highRangeBounds" (either may be
// missing) are kept with their position on the track's axis at the thumb's
// centre, after every value change that places the thumb and every move the
// thumb reports while dragged; the skin's layout of each panel makes the band.
// The panels and their "fill" children are excluded from hit testing, so a
// press on the band reaches the slider (and pages it) as if it were not there.
// A slanted track moves neither panel.
//
// A centred slider without a thumb raises the framework's runtime error on the
// first placement, which Initialize makes. UI thread only, like every control.

#include "QZFramework/Controls/Slider.h"

namespace QZ {

class LCenteredSlider : public LSlider {
public:
  LCenteredSlider(const RCPtr<LControl>& parent, const WideString& name) : LSlider(parent, name) {}
  ~LCenteredSlider() override = default;

  // "Framework.CenteredSlider".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // E_FAIL when the slider's initialisation failed, else 0.
  QZRESULT Initialize() override;
  // The slider's, then the bounds to the thumb.
  double SetValueAndThumb(double normalized) override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  QZRESULT ReleaseInnerReferences() override;

  // Both bounds panels to the thumb's centre on the track's axis.
  virtual void SetBoundsPosFromThumbPos();

  const RCPtr<LControl>& GetLowBounds() const { return mLowBounds; }
  const RCPtr<LControl>& GetHighBounds() const { return mHighBounds; }

private:
  std::int32_t OnThumbMoved(const RCPtr<LNotificationDistributor>& source,
                            const RCPtr<LNotification>& notification);

  RCPtr<LNotificationHandler<LCenteredSlider>> mCenteredHandler;
  RCPtr<LControl> mLowBounds;
  RCPtr<LControl> mHighBounds;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LCenteredSlider, "class QZ::LCenteredSlider")
