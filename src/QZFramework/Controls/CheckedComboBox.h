#pragma once
// LCheckedComboBox: a combo box whose drop-down list is a checked list box
// (its "listBox" child, required), so the rows carry check marks and icons.
// An optional "checkBox" button child of the box shows the selected row's
// check state and icon; it is looked up each time, never kept.
//
// Looks: the combo box's seven states (0-6) while no row is checked, the same
// shifted by kCheckedLookOffset (7-13) while at least one is. The list's
// "NID_ITEM_CHECK_CHANGE" is passed on through the box's own distributor with
// the list's parameter. UI thread only, like every control.

#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/CheckedListBox.h"
#include "QZFramework/Controls/ComboBox.h"

#include <cstdint>

namespace QZ {

class LCheckedComboBox : public LComboBox {
public:
  // Added to the combo box's look while a row is checked.
  static constexpr std::int32_t kCheckedLookOffset = 7;

  LCheckedComboBox(const RCPtr<LControl>& parent, const WideString& name) : LComboBox(parent, name) {}
  ~LCheckedComboBox() override = default;

  // "Framework.CheckedComboBox" and "Framework.ComboBoxWithIcons".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  const RCPtr<LCheckedListBox>& GetCheckedList() const { return mCheckedList; }
  RCPtr<LButton> GetCheckBox() const;
  // Whether presses on the check box go through to the box.
  void SetCheckBoxClickThrough(bool clickThrough);

  // The check box shows the row's state and icon (no icon past the rows, the
  // value then as it was); then the combo box's.
  std::int32_t SetSelectedIndex(std::int32_t index) override;
  QZRESULT SetItemCount(std::int32_t count) override;
  void UpdateVisualState() override;
  // E_FAIL without a checked list as "listBox", else 0.
  QZRESULT Initialize() override;
  QZRESULT FinishInitialize() override;
  // The checked combo's handler first, then the combo box's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

private:
  std::int32_t OnItemCheckChange(const RCPtr<LNotificationDistributor>& source,
                                 const RCPtr<LNotification>& notification);
  // Every look of the check box, from the last, shows the icon (none clears it).
  void ShowIcon(const RCPtr<LButton>& checkBox, const RCPtr<LBitmap>& icon);

  RCPtr<LNotificationHandler<LCheckedComboBox>> mCheckedHandler;
  RCPtr<LCheckedListBox> mCheckedList;
  bool mCheckBoxClickThrough = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LCheckedComboBox, "class QZ::LCheckedComboBox")
