#pragma once
// LCheckedListBox: a list box whose rows carry a checked state and an icon,
// both shown by the "checkBox" button child of every row control
// (LCheckedListBoxItem). A click on a check box updates the row, selects it
// and tells the listeners ("NID_ITEM_CHECK_CHANGE" with auto value set,
// "NID_ITEM_CHECKBOX_CLICKED" without, whose receiver decides).
//
// Invariant: checkedCount is the number of rows whose checked flag is set.
// Binding a row assigns the check box's value with the list's binding taken
// out, so scrolling never looks like a user's change.
// UI thread only, like every control.

#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/ListBox.h"
#include "QZFramework/Controls/ListBoxItem.h"
#include "QZFramework/Utilities/Graphics/Bitmap.h"

#include <cstdint>
#include <vector>

namespace QZ {

// Payload of the check notifications: the row and its data object.
class LIndexedDataParam : public virtual LRefCountedObject {
public:
  LIndexedDataParam(const RCPtr<LRefCountedObject>& data, std::int32_t index) : mData(data), mIndex(index) {}
  WideString ToString() const override;

  RCPtr<LRefCountedObject> mData;
  std::int32_t mIndex = 0;
};

class LIndexedDataWithValueParam : public LIndexedDataParam {
public:
  LIndexedDataWithValueParam(const RCPtr<LRefCountedObject>& data, std::int32_t index, double value)
      : LIndexedDataParam(data, index), mValue(value) {}
  WideString ToString() const override;

  double mValue = 0.0;
};

class LCheckedListBoxItem : public LListBoxItem {
public:
  LCheckedListBoxItem(const RCPtr<LControl>& parent, const WideString& name) : LListBoxItem(parent, name) {}
  ~LCheckedListBoxItem() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The look alone at weight 1; the check box too when it follows the look.
  virtual bool SelectItemLook(std::int32_t index, bool invalidate);
  // The check box's look once the item is created, else 1.
  QZRESULT SelectCheckBoxLook(std::int32_t index, bool invalidate);
  RCPtr<LButton> GetCheckBox() const;
  void SetCheckBoxFollowsLook(bool follows) { mCheckBoxFollowsLook = follows; }

  QZRESULT Initialize() override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

private:
  std::int32_t OnCheckBoxHover(const RCPtr<LNotificationDistributor>& source,
                               const RCPtr<LNotification>& notification);

  RCPtr<LNotificationHandler<LCheckedListBoxItem>> mItemHandler;
  bool mCheckBoxFollowsLook = false;
};

class LCheckedListBox : public LListBox {
public:
  struct SCheckedRowRecord : SRowRecord {
    bool mChecked = false;
    RCPtr<LBitmap> mIcon;
  };

  LCheckedListBox(const RCPtr<LControl>& parent, const WideString& name) : LListBox(parent, name) {}
  ~LCheckedListBox() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  virtual void SetCheckBoxAutoValueSet(bool autoValueSet);
  virtual void RecountChecked();
  // The record, or null out of range.
  virtual SCheckedRowRecord* GetCheckedRecord(std::int32_t row);

  static RCPtr<LButton> GetCheckBox(const RCPtr<LControl>& itemControl);
  bool IsRowChecked(std::int32_t row) const;
  void SetRowChecked(std::int32_t row, bool checked);
  // Out of range: null; with icons from look 3 they cycle over the rows.
  RCPtr<LBitmap> GetRowIcon(std::int32_t row) const;
  void SetRowIcon(std::int32_t row, const RCPtr<LBitmap>& icon);
  void SetCheckBoxClickThrough(bool clickThrough);
  void SetCheckBoxFollowsLook(bool follows) { mCheckBoxFollowsLook = follows; }
  std::int32_t GetCheckedCount() const { return mCheckedCount; }
  std::uint32_t GetIconCount() const { return static_cast<std::uint32_t>(mIcons.size()); }
  RCPtr<LCheckedListBoxItem> GetCheckedItemControlAt(std::int32_t index) const;

  std::int32_t GetItemCount() const override;
  std::int32_t SetItemCount(std::int32_t count) override;
  std::int32_t RemoveItem(std::int32_t row) override;
  // No row is left checked.
  QZRESULT RemoveAllItems() override;
  QZRESULT CreateItemControl() override;
  QZRESULT BindRow(std::int32_t row, std::int32_t& index) override;
  QZRESULT SwapRows(std::int32_t a, std::int32_t b) override;
  SRowRecord* GetItemRecord(std::int32_t row) override;
  const SRowRecord* GetItemRecord(std::int32_t row) const override;
  QZRESULT InsertItemRecord(std::int32_t row) override;
  QZRESULT EraseItemRecord(std::int32_t row) override;
  QZRESULT Initialize() override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

private:
  std::int32_t OnCheckBoxValueChange(const RCPtr<LNotificationDistributor>& source,
                                     const RCPtr<LNotification>& notification);
  std::int32_t OnCheckBoxClick(const RCPtr<LNotificationDistributor>& source,
                               const RCPtr<LNotification>& notification);
  // The row of the check box's row control and the parameter for it; -1 when none.
  std::int32_t CheckBoxRow(const RCPtr<LNotificationDistributor>& source, RCPtr<LButton>& checkBox) const;
  void SubscribeCheckBox(const RCPtr<LButton>& checkBox);
  void SetCheckBoxValue(const RCPtr<LButton>& checkBox, double value);

  RCPtr<LNotificationHandler<LCheckedListBox>> mCheckHandler;
  std::vector<SCheckedRowRecord> mCheckedRows;
  bool mCheckBoxFollowsLook = false;
  bool mCheckBoxClickThrough = false;
  bool mAutoValueSet = true;
  std::int32_t mCheckedCount = 0;
  std::vector<RCPtr<LBitmap>> mIcons;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LIndexedDataParam, "class QZ::LIndexedDataParam")
QZ_TYPE_NAME(QZ::LIndexedDataWithValueParam, "class QZ::LIndexedDataWithValueParam")
QZ_TYPE_NAME(QZ::LCheckedListBoxItem, "class QZ::LCheckedListBoxItem")
QZ_TYPE_NAME(QZ::LCheckedListBox, "class QZ::LCheckedListBox")
