#pragma once
// LComboBox: the drop-down selector. The box shows the selected row's text and
// drops down its "listBox" child (required; a list box in drop-down mode) below
// or above itself, as far as the window's client area allows. An optional
// "textBox" child makes the box editable: its text selects the matching row.
//
// Rows are the list box's. The box keeps the selected index in step with the
// list's selection: -1 or a row. Texts are looked up ignoring case (SetText,
// the text box's validation) and compared exactly where the box's own text
// meets row texts (opening the list, inserting a row).
//
// Notifications through the box's own distributor: "NID_SELECTION_CHANGE" when
// another row is selected, "NID_DROPDOWN_OPENING" before the list opens, and
// the text box's "NID_TEXTBOX_TEXT_CHANGE", "NID_TEXTBOX_VALIDATING" and
// "NID_TEXTBOX_VALIDATED" passed on with their parameters. The start-up
// selection ("INITIAL_SELECTED_INDEX", row 0 by default) sends nothing.
//
// Without "listBox" the box exists but selects nothing: the operations that
// need the list answer E_FAIL. The text box is looked up each time, never kept.
// UI thread only, like every control.

#include "QZFramework/Controls/DropDownControl.h"
#include "QZFramework/Controls/ListBox.h"
#include "QZFramework/Controls/TextBox.h"

#include <cstdint>

namespace QZ {

class LComboBox : public LDropDownControl {
public:
  // Room the open list leaves to the window's top and bottom edges.
  static constexpr double kWindowMargin = 5;

  LComboBox(const RCPtr<LControl>& parent, const WideString& name) : LDropDownControl(parent, name) {}
  ~LComboBox() override = default;

  // "Framework.ComboBox" and "Framework.ComboTextBox".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // ---- Virtual operations of the combo box

  // The list's SetItemCount result; a selection past the new end is cleared and
  // an open list placed again. E_FAIL without the list.
  virtual QZRESULT SetItemCount(std::int32_t count);
  // Selects the row and shows its text; "NID_SELECTION_CHANGE" when it is
  // another row. Below 0 clears the selection and keeps the text; past the end
  // clears the index and changes nothing else. The new index.
  virtual std::int32_t SetSelectedIndex(std::int32_t index);
  // The look of the box's state (closed/open, focus, hover, disabled).
  virtual void UpdateVisualState();

  // ---- Rows

  RCPtr<LListBox> GetListBox() const;
  RCPtr<LTextBox> GetTextBox() const;
  std::int32_t GetSelectedIndex() const { return mSelectedIndex; }
  std::int32_t GetInitialSelectedIndex() const { return mInitialSelectedIndex; }
  // The list's item at the row; null without the list or out of range.
  RCPtr<LTaggableObject> GetItemAt(std::int32_t index) const;
  // The row's text; empty without an item or out of range.
  WideString GetItemText(std::int32_t index) const;
  std::int32_t GetItemCount() const;
  // The row the list reports; E_INVALIDARG for null, E_FAIL without the list,
  // the list's negative result unchanged.
  std::int32_t InsertItem(std::int32_t index, const RCPtr<LTaggableObject>& item);
  std::int32_t AddItem(const RCPtr<LTaggableObject>& item);
  std::int32_t AddItem(const WideString& text);
  // Opens (places and shows) or closes the list. E_FAIL without the list, else 0.
  QZRESULT ShowDropDownList(bool show);
  // Where the last left press on the box was, in the list's coordinates.
  const PointT<double>& GetPressPoint() const { return mPressPoint; }

  // ---- Overridden operations

  bool IsDroppedDown() const override;
  QZRESULT ShowDropDown(bool show) override;
  // Shows the text and selects the last row that matches it ignoring case (-1
  // when none). 0 when the text changed, 1 when it was equal.
  QZRESULT SetText(const WideString& text) override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  // Down and Enter open a closed list, Escape closes an open one: 0. Else 1.
  QZRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
  // Escape closes the list; no key goes further (siblings, hot keys).
  void ProcessUnhandledKey(const RCPtr<LKeyParam>& key) override;
  QZRESULT Initialize() override;
  QZRESULT ReadCreateParams() override;
  // Hides the list and completes its size limits from the box. E_FAIL without the list.
  QZRESULT FinishInitialize() override;
  // The box's text when it does not fit, else the base's.
  WideString GetToolTipText() const override;
  // The combo's handler first, then the drop-down control's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

private:
  std::int32_t OnListVisibilityChange(const RCPtr<LNotificationDistributor>& source,
                                      const RCPtr<LNotification>& notification);
  std::int32_t OnListItemActivated(const RCPtr<LNotificationDistributor>& source,
                                   const RCPtr<LNotification>& notification);
  std::int32_t OnTextBoxPassOn(const RCPtr<LNotificationDistributor>& source,
                               const RCPtr<LNotification>& notification);
  std::int32_t OnTextBoxValidated(const RCPtr<LNotificationDistributor>& source,
                                  const RCPtr<LNotification>& notification);
  std::int32_t OnTextBoxFocusChange(const RCPtr<LNotificationDistributor>& source,
                                    const RCPtr<LNotification>& notification);
  // Places the list below or above the box for the room the window leaves.
  void PlaceDropDownList(const RCPtr<LListBox>& list);
  void HideList();

  RCPtr<LNotificationHandler<LComboBox>> mComboHandler;
  RCPtr<LListBox> mListBox;
  std::int32_t mSelectedIndex = -1;
  std::int32_t mInitialSelectedIndex = 0;
  PointT<double> mPressPoint{};
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LComboBox, "class QZ::LComboBox")
