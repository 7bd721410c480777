#pragma once
// LDropDownControl: the base of the controls that drop a part down when pressed
// (the combo box and its relatives). It decides when a left press, a focus
// change or a focus loss opens or closes the part; what the part is and where
// it goes is the subclass's, through IsDroppedDown and ShowDropDown.
//
// A press arrives in the base control's order: SetFocus, then the control's own
// "NID_MOUSE_DOWN", then the pressed bit (kConditionLeftDragArmed) turns on.
// SetFocus closes an open part and remembers it did; the mouse-down handler
// then arms the suppress flag, so the pressed bit that follows opens nothing:
// a press on an open control closes it, a press on a closed one opens it.
//
// The part is placed against the window and the control's place in it when it
// opens, so it closes when that ground moves: the window taking a new size, or
// an ancestor scrolling.
// Never created by name. UI thread only, like every control.

#include "QZFramework/ControlBase/Control.h"

namespace QZ {

class LDropDownControl : public LControl {
public:
  // Indices into the look list.
  static constexpr std::int32_t kLookClosed = 0;
  static constexpr std::int32_t kLookClosedFocused = 1;
  static constexpr std::int32_t kLookClosedHover = 2;
  static constexpr std::int32_t kLookClosedHoverFocused = 3;
  static constexpr std::int32_t kLookOpen = 4;
  static constexpr std::int32_t kLookOpenHover = 5;
  static constexpr std::int32_t kLookDisabled = 6;

  LDropDownControl(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LDropDownControl() override = default;

  // True while the drop-down part is open.
  virtual bool IsDroppedDown() const = 0;
  // Opens or closes the part; negative on failure (E_FAIL without the part).
  virtual QZRESULT ShowDropDown(bool show) = 0;

  // The base's, then the handler of the control's own "NID_MOUSE_DOWN". The base's result.
  QZRESULT Initialize() override;
  // The base's; an open part is closed and the closing remembered for the press that may follow.
  QZRESULT SetFocus(bool fromFirst) override;
  // The pressed bit turning on opens the part, unless the press has just closed it.
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  // Closes the part, then the base's.
  bool KillFocus() override;
  // Listens to the window's size and to every ancestor's scroll offset, then the base's.
  void AttachToRootWindow() override;
  // The drop-down's handler first, then the base control's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

  bool IsClosedOnFocus() const { return mClosedOnFocus; }
  bool IsOpenSuppressed() const { return mSuppressOpen; }

protected:
  // The look for the state: disabled, open (hovered or not), or closed by focus and hover. ownFlagOnly: a
  // disabled parent does not disable the look.
  std::int32_t StateLook(bool ownFlagOnly) const;

private:
  // The control's own "NID_MOUSE_DOWN". 0.
  std::int32_t OnMouseDownNotification(const RCPtr<LNotificationDistributor>& source,
                                       const RCPtr<LNotification>& notification);
  // The window's "NID_WINDOW_SIZE_CHANGE" or an ancestor's "NID_SCROLL_OFFSET_CHANGE": an open part closes. 1.
  std::int32_t OnGroundMoved(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);

  RCPtr<LNotificationHandler<LDropDownControl>> mDropDownHandler;
  bool mClosedOnFocus = false;
  bool mSuppressOpen = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LDropDownControl, "class QZ::LDropDownControl")
