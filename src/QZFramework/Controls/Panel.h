#pragma once
// LPanel: the general container. It draws nothing of its own; it keeps Tab
// traversal inside its group of children until the group is exhausted and
// then hands it to the enclosing group, so only the top-level control wraps
// around. Ctrl+Tab climbs out of every enclosing panel unchanged.
//
// Keys nobody in the group used climb the chain of panels (each offering them
// to its children's local hot keys first) and end at the window's and the
// application's hot keys. A panel with a parent also hears the keys its parent
// offers to its children ("NID_SIBLING_KEY") and passes them on to its own.
// A panel that groups focusable controls never holds the focus itself, so
// while all of them are out of use Tab passes it by.
// UI thread only, like every control.

#include "QZFramework/Controls/ScrollView.h"

namespace QZ {

class LPanel : public LScrollView {
public:
  LPanel(const RCPtr<LControl>& parent, const WideString& name) : LScrollView(parent, name) {}
  ~LPanel() override = default;

  // Serves "Framework.Panel", "Framework.ScrollChannel",
  // "Framework.ComboSlider.DropDownPanel" and "Framework.CenteredSliderBounds".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The base's next tab stop, except that a panel with a parent refuses a
  // search that wrapped around its children: the shared null then.
  const RCPtr<LControl>& GetNextTabStop(const RCPtr<LControl>& child, bool reverse) const override;
  // Tab from the last control of the key's path: the next child that can take
  // the focus or pass it on; when none (or with Ctrl) the key goes up.
  void NavigateFocus(const RCPtr<LKeyParam>& key) override;

  // The base's, then (with a parent) the subscription to the parent's
  // "NID_SIBLING_KEY": E_FAIL when that fails, else 0.
  QZRESULT Initialize() override;
  // The children's local hot keys; unused, the key climbs to the parent, and
  // from the top to the window's and the application's hot keys.
  void ProcessUnhandledKey(const RCPtr<LKeyParam>& key) override;
  // The panel's handler first, then the base control's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

protected:
  // False while any child is a focusable control (enabled or not).
  bool MayHoldFocusItself() const override;

private:
  // The parent's "NID_SIBLING_KEY": offered to the children's local hot keys,
  // then to the panel's own. 1.
  std::int32_t OnParentSiblingKey(const RCPtr<LNotificationDistributor>& source,
                                  const RCPtr<LNotification>& notification);

  RCPtr<LNotificationHandler<LPanel>> mPanelHandler;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LPanel, "class QZ::LPanel")
