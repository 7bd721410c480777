#pragma once
// LTreeView: a tree shown as a flat checked list. Rows stand in tree order,
// every row directly followed by its descendants, and each row names its parent
// row (-1 at the top level). A row's check box is its expand box: a checked row
// is expanded, and a row is hidden unless all its ancestors are expanded. Each
// row control is indented by the row's depth times the width of its box.
//
// Invariants: a row's parent stands before it (SetParentRow refuses anything
// else, so walking up the parents always ends); the rows between a parent and
// its child are the parent's descendants. Inserting a record moves the parent
// indices at or past it up by one; erasing a record erases its whole subtree
// and moves the indices past it down. Removing a row deselects its subtree,
// moves anchor and focus past it down by the rows erased (-1 inside it) and
// recounts the checked rows. The tree is built by its owner in tree order
// (InsertItem, SetParentRow, then UpdateDescendantVisibility of the parent);
// it is never sorted.
//
// The tree takes no idle request of its own, so it ends none either: the
// requests its base takes (auto-scrolling, deferred closes) run their course.
//
// The expand boxes report to the tree's own handler, which is asked before the
// checked list's; while a row is being bound, their notifications are ignored,
// so binding never toggles a row. UI thread only, like every control.

#include "QZFramework/Controls/CheckedListBox.h"

#include <cstdint>
#include <vector>

namespace QZ {

class LTreeView : public LCheckedListBox {
public:
  LTreeView(const RCPtr<LControl>& parent, const WideString& name) : LCheckedListBox(parent, name) {}
  ~LTreeView() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // ---- Virtual operations of the tree

  // Makes a row without descendants the last child of a row that stands
  // before it: it moves to the end of the new parent's subtree, the rows it
  // passes move by one, and the parent indices pointing at them follow. The
  // row's new index; the row unchanged when it is out of range, row 0, the
  // new parent itself or already its child, has descendants, or when the new
  // parent is -1 or does not stand before it.
  virtual std::int32_t MoveRowUnder(std::int32_t row, std::int32_t newParent);
  // The parent row; -1 at the top level and out of range.
  virtual std::int32_t GetParentRow(std::int32_t row) const;
  // The number of ancestors; 0 out of range.
  virtual std::int32_t GetDepth(std::int32_t row) const;
  // The rows directly after the row that are deeper than it.
  virtual std::int32_t GetDescendantCount(std::int32_t row) const;
  // Names the row's parent: -1 or a row before it. E_INVALIDARG otherwise
  // (nothing changes), else 0. Visibility is the caller's to update.
  virtual QZRESULT SetParentRow(std::int32_t row, std::int32_t parent);
  // Hides or shows every descendant of the row by its ancestors' expansion.
  virtual void UpdateDescendantVisibility(std::int32_t row);

  // ---- Rows

  // Whether a lies on b's chain of parents (a row is not its own ancestor).
  bool IsAncestor(std::int32_t a, std::int32_t b) const;
  bool IsRowExpanded(std::int32_t row) const { return IsRowChecked(row); }
  // Expands the row: through its box when a row control shows it (the box's
  // reaction selects the row and tells the listeners), else quietly.
  void ExpandRow(std::int32_t row);

  // ---- Overridden operations

  void SetCheckBoxAutoValueSet(bool autoValueSet) override;
  std::int32_t RemoveItem(std::int32_t row) override;
  // A tree is not sorted: false, and SortRange answers E_NOTIMPL.
  bool SortItems() override;
  QZRESULT SortRange(std::int32_t start, std::int32_t count) override;
  QZRESULT CreateItemControl() override;
  QZRESULT BindRow(std::int32_t row, std::int32_t& index) override;
  QZRESULT SwapRows(std::int32_t a, std::int32_t b) override;
  QZRESULT InsertItemRecord(std::int32_t row) override;
  // E_INVALIDARG out of range; else removes the record and its subtree. 0.
  QZRESULT EraseItemRecord(std::int32_t row) override;
  QZRESULT Initialize() override;
  // The tree's handler first, then the checked list's chain.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

private:
  std::int32_t OnExpandValueChange(const RCPtr<LNotificationDistributor>& source,
                                   const RCPtr<LNotification>& notification);
  std::int32_t OnExpandClick(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);
  // The common part of both: the row toggled to the box's value, its subtree
  // shown or hidden, the row selected, then the notification.
  std::int32_t ToggleFromBox(const RCPtr<LNotificationDistributor>& source, const char16_t* id);
  void SubscribeExpandBox(const RCPtr<LButton>& checkBox);
  // Whether every ancestor of the row is expanded.
  bool AncestorsExpanded(std::int32_t row) const;

  RCPtr<LNotificationHandler<LTreeView>> mTreeHandler;
  // Parent row of each record, in step with the checked list's records.
  std::vector<std::int32_t> mParentRows;
  bool mBindingRow = false;
  // The checked list's setting, which it keeps to itself.
  bool mExpandAutoValueSet = true;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LTreeView, "class QZ::LTreeView")
