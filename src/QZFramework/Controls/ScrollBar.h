#pragma once
// LScrollbar: the scroll bar. A value control (normalised 0..1 over a real
// range) drawn as a track ("channel") holding a draggable "thumb", with two
// step buttons "dec" and "inc". The buttons and arrow keys move it by the
// small step, a press in the track and Page Up / Page Down by the page step
// (the track repeats while held: at once, after the first delay, then every
// interval), and the thumb follows the pointer while dragged. Every change is
// announced through the base's "NID_VALUE_CHANGE".
//
// Invariants: the thumb is never moved by a value while it is dragged; a value
// set from outside during the drag waits in the pending value and is applied
// when the drag ends. The bar holds one idle request while the track pages.
// Times come from the application's GetTime. The bar's orientation is taken
// from where its buttons lie. UI thread only, like every control.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Controls/Button.h"

#include <cstdint>

namespace QZ {

class LScrollbar : public LControl {
public:
  // The keys the bar answers (EnableKeys).
  static constexpr std::uint32_t kKeyUp = 0x1;
  static constexpr std::uint32_t kKeyDown = 0x2;
  static constexpr std::uint32_t kKeyLeft = 0x4;
  static constexpr std::uint32_t kKeyRight = 0x8;
  static constexpr std::uint32_t kKeyPageUp = 0x10;
  static constexpr std::uint32_t kKeyPageDown = 0x20;
  static constexpr std::uint32_t kKeyHome = 0x40;
  static constexpr std::uint32_t kKeyEnd = 0x80;
  static constexpr std::uint32_t kAllKeys = 0xFF;

  // The side of the thumb the track pages towards.
  static constexpr std::int32_t kPagingNone = 0;
  static constexpr std::int32_t kPagingTowardsStart = 1;
  static constexpr std::int32_t kPagingTowardsEnd = 2;

  // The channel's looks.
  static constexpr std::int32_t kChannelLookNormal = 0;
  static constexpr std::int32_t kChannelLookClicked = 1;

  LScrollbar(const RCPtr<LControl>& parent, const WideString& name);
  ~LScrollbar() override = default;

  // "Framework.ScrollBar".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // While the thumb is dragged the value only waits (the unchanged value is
  // returned); otherwise clamps to 0..1, announces and places the thumb.
  double SetValue(double normalized) override;
  // Keeps the real value across the change of range; E_INVALIDARG (the old
  // range stays) for an exponential mapping with a bound not above 0.
  QZRESULT SetValueRange(double minimum, double maximum, std::int32_t mapping) override;
  void OnSizeChanged() override;
  void OnIdle() override;
  // Finds and wires "channel", its "thumb", "dec" and "inc"; the orientation
  // comes from the buttons. 0, or E_FAIL when the base failed.
  QZRESULT Initialize() override;
  // The bar and its parts never take the focus; the thumb's thickness is its
  // minimum length. 0.
  QZRESULT FinishInitialize() override;
  // The bar's handler first, then the base control's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  QZRESULT ReleaseInnerReferences() override;

  // The keys answered (kKey... bits); the first non-zero mask makes the bar
  // listen to the keys its parent offers. 0, or E_INVALIDARG for a mask wider
  // than a byte.
  QZRESULT EnableKeys(std::uint32_t mask);
  // The thumb's length from the track and the thumb fraction, then its place.
  void LayoutThumb();
  // The thumb's place from the value (not while it is dragged).
  void PositionThumb();
  // A point in the channel's coordinates: 1 before the thumb, 2 after it, 0
  // on it or outside the track.
  std::int32_t HitTestTrack(const PointT<double>& point) const;

  void SetSmallStep(double step) { mSmallStep = step; }
  void SetPageStep(double step) { mPageStep = step; }
  // The thumb is laid out again by LayoutThumb.
  void SetThumbFraction(double fraction) { mThumbFraction = fraction; }
  double GetSmallStep() const { return mSmallStep; }
  double GetPageStep() const { return mPageStep; }
  double GetThumbFraction() const { return mThumbFraction; }
  double GetThumbLength() const { return mThumbLength; }
  double GetMinThumbLength() const { return mMinThumbLength; }
  double GetTrackEnd() const { return mTrackEnd; }
  bool IsVertical() const { return mVertical != 0; }
  bool IsDraggingThumb() const { return mDraggingThumb; }
  double GetPendingValue() const { return mPendingValue; }
  std::int32_t GetPagingDirection() const { return mPagingDirection; }
  std::uint32_t GetKeyFlags() const { return mKeyFlags; }
  const RCPtr<LButton>& GetThumb() const { return mThumb; }
  const RCPtr<LControl>& GetChannel() const { return mChannel; }

private:
  std::int32_t OnStepButton(const RCPtr<LNotificationDistributor>& source,
                            const RCPtr<LNotification>& notification);
  std::int32_t OnChannelDrag(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);
  std::int32_t OnChannelHover(const RCPtr<LNotificationDistributor>& source,
                              const RCPtr<LNotification>& notification);
  std::int32_t OnThumbDrag(const RCPtr<LNotificationDistributor>& source,
                           const RCPtr<LNotification>& notification);
  std::int32_t OnThumbMove(const RCPtr<LNotificationDistributor>& source,
                           const RCPtr<LNotification>& notification);
  std::int32_t OnBarKey(const RCPtr<LNotificationDistributor>& source, const RCPtr<LNotification>& notification);

  // The pointer in the channel's coordinates, and whether it is over the
  // channel on the side being paged.
  PointT<double> PointerInChannel() const;
  bool PointerOnPagingSide() const;
  // Shows the Clicked look between the thumb and the end paged towards while
  // the pointer is there; else the Normal look alone.
  void UpdatePagingLook();
  // One page towards the paging side.
  void PageOnce();
  double Now() const;
  // The thumb's leading edge and length along the axis, in channel client coordinates.
  double ThumbPosition() const;
  std::int32_t Axis() const { return mVertical ? 1 : 0; }

  RCPtr<LNotificationHandler<LScrollbar>> mBarHandler;
  std::int32_t mVertical = 1;
  RCPtr<LButton> mThumb;
  RCPtr<LControl> mChannel;
  RCPtr<LButton> mDec;
  RCPtr<LButton> mInc;
  double mSmallStep = 0.02;
  double mPageStep = 0.2;
  double mThumbFraction = 0.1;
  double mMinThumbLength = 10;
  double mThumbLength = 0;
  double mTrackStart = 0;
  double mTrackEnd = 0;
  double mChannelOrigin = 0;
  bool mDraggingThumb = false;
  PointT<std::int32_t> mGrabOffset{0, 0};
  std::int32_t mPagingDirection = kPagingNone;
  double mPageRepeatInterval = 0.2;
  double mFirstPageRepeatDelay = 0.4;
  double mPagingLastTick = 0;
  double mPagingCountdown = 0;
  double mPendingValue = -1;
  std::uint32_t mKeyFlags = 0;
  bool mKeysSubscribed = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LScrollbar, "class QZ::LScrollbar")
