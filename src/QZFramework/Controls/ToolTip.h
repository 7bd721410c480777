#pragma once
// LToolTip: the small text window near the pointer. It waits 500 ms before it
// shows, stays 5 s, and shows at once when another visible tip went away less
// than 50 ms before, so moving along a row of controls does not wait each
// time. Each Hide also closes the tip; the next hover makes a new one.
// The base control makes the tip from the skin's "toolTip" entry as a child
// of the control whose text it shows, sets that text and calls Show; Hide
// comes from the same place when the pointer moves on. Times come from the application's GetMilliseconds; the time
// of the last hide is shared by every tip (UI thread only, like every control).

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/ToolTipInterface.h"

#include <cstdint>

namespace QZ {

class LToolTip : public LControl, public IToolTip {
public:
  static constexpr std::int32_t kHidden = 0;
  static constexpr std::int32_t kWaiting = 1;
  static constexpr std::int32_t kShown = 2;
  static constexpr std::uint32_t kShowDelay = 500;
  static constexpr std::uint32_t kShowTime = 5000;
  static constexpr std::uint32_t kReshowWindow = 50;

  LToolTip(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LToolTip() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The tip takes the pointer over its whole rectangle.
  bool IsTransparentAt(const PointT<std::int32_t>& point) const override;
  void OnIdle() override;
  // Not focusable; the tip reads no creation parameters. 0.
  QZRESULT ReadCreateParams() override;
  // Hidden until Show. 0.
  QZRESULT FinishInitialize() override;

  // Limits the width to the window, then waits, or shows at once right after
  // another tip went away.
  void Show() override;
  // Ends the wait or the show and has the parent close the tip.
  void Hide() override;

  std::int32_t GetDisplayState() const { return mDisplayState; }
  // The shared time of the last hide of a visible tip (tests set it back).
  static std::uint32_t& LastHideTime() { return sLastHideTime; }

private:
  // 20 pixels below the pointer, left-aligned with it, pushed back inside the
  // window at the right and bottom edges.
  void PositionNearPointer();
  std::uint32_t Now() const;

  std::int32_t mDisplayState = kHidden;
  std::uint32_t mStateTime = 0;
  static std::uint32_t sLastHideTime;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LToolTip, "class QZ::LToolTip")
