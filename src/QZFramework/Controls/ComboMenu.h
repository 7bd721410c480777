#pragma once
// LComboMenu: a menu title ("Framework.ComboMenu"), a drop-down control whose
// drop-down part is its pop-up menu child "popupMenu" (required: a title
// without one raises the "Null Pointer" runtime error from Initialize). A press
// opens the menu under the title with the press handed on to it, so it can be
// dragged down the menu and released on a row; while a title of the same bar
// is open, the pointer entering another title moves the open menu there.
//
// The title shows and hides its menu itself: the menu's auto-close is off, and
// it is never closed as a control. The menu is looked up by name each time.
// Looks: 0 normal, 1 pointer over the title, 2 open, 3 disabled.
// UI thread only, like every control.

#include "QZFramework/Controls/DropDownControl.h"
#include "QZFramework/Controls/PopupMenu.h"

#include <cstdint>

namespace QZ {

class LComboMenu : public LDropDownControl {
public:
  static constexpr std::int32_t kLookNormal = 0;
  static constexpr std::int32_t kLookHover = 1;
  static constexpr std::int32_t kLookOpen = 2;
  static constexpr std::int32_t kLookDisabled = 3;

  LComboMenu(const RCPtr<LControl>& parent, const WideString& name) : LDropDownControl(parent, name) {}
  ~LComboMenu() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The "popupMenu" child as a pop-up menu; null without one.
  RCPtr<LPopupMenu> GetPopup() const;
  // Opens (placed inside the top-level control, focused, holding a running
  // press) or closes the menu. E_FAIL without the menu, else 0.
  QZRESULT ShowPopupMenu(bool show);
  double GetHorizontalOffset() const { return mHorizontalOffset; }
  const PointT<double>& GetPressPoint() const { return mPressPoint; }

  bool IsDroppedDown() const override;
  QZRESULT ShowDropDown(bool show) override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  QZRESULT Initialize() override;
  QZRESULT FinishInitialize() override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

private:
  std::int32_t OnPopupVisibilityChange(const RCPtr<LNotificationDistributor>& source,
                                       const RCPtr<LNotification>& notification);
  std::int32_t OnPopupItemActivated(const RCPtr<LNotificationDistributor>& source,
                                    const RCPtr<LNotification>& notification);
  // Look 2 while open, else 1 under the pointer, else 0 (3 when disabled).
  void UpdateLook();
  // The title of the same bar whose menu is open (searched from the last); null.
  RCPtr<LComboMenu> FindOpenSiblingMenu() const;

  RCPtr<LNotificationHandler<LComboMenu>> mComboMenuHandler;
  double mHorizontalOffset = 0;
  PointT<double> mPressPoint{};
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LComboMenu, "class QZ::LComboMenu")
