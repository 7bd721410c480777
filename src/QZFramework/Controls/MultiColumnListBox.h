#pragma once
// LMultiColumnListBox: a table made of list boxes side by side, one per column
// ("listboxNoScroll1", "listboxNoScroll2", ...), each with an optional header
// button above it ("buttonColumnHeader1", ...). The table makes the columns act
// as one list: a selection made in one column is made in all of them, the row
// under the pointer is highlighted in all of them, they scroll vertically
// together with the table's own bars, and a click on a header sorts every
// column's rows by that column's texts, ascending first, then descending.
//
// Invariants: row r of the table is row r of every column; the owner fills
// the columns and the table adds or removes no rows. The table's row count is
// the first column's; following a selection and sorting cover only the rows
// that every column holds, so no column's items are moved past its count. A
// table without columns has no extent, no rows and sorts nothing. Columns and
// headers are bound once, in Initialize; the columns and headers are docked
// vertically, so the table's vertical scrolling moves the rows inside the
// columns while the headers stay on top. The columns after the first never
// take the focus: the keyboard reaches the table through the first column.
//
// The table's own changes to its columns (following a selection, following a
// scroll, sorting) run with the matching subscription taken out, so they do
// not come back to it. UI thread only, like every control.

#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/ListBox.h"
#include "QZFramework/Controls/Panel.h"

#include <cstdint>
#include <vector>

namespace QZ {

class LMultiColumnListBox : public LPanel {
public:
  // Initialize's answers with header buttons.
  static constexpr QZRESULT kHeadersMatchColumns = 1;
  static constexpr QZRESULT kHeadersDoNotMatchColumns = 0;

  LMultiColumnListBox(const RCPtr<LControl>& parent, const WideString& name) : LPanel(parent, name) {}
  ~LMultiColumnListBox() override = default;

  // "Framework.listbox2ColumnSortable".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // Sorts every column's rows by the texts of that column, ignoring case, in
  // the column's next direction, which then flips; rows keep their items,
  // marks (the first column's) and selection (that column's). No
  // "NID_SELECTION_CHANGE" comes of it. 0; E_INVALIDARG for a column that is
  // not there. Throws the failed-result exception when the selection
  // subscriptions cannot be taken out or put back.
  QZRESULT PerformSort(std::int32_t column);
  // The row's item text in that column; empty for a column or row out of range.
  WideString GetCellText(std::int32_t column, std::int32_t row) const;
  // The first column's row count; 0 without columns.
  std::int32_t GetRowCount() const;
  std::int32_t GetColumnCount() const { return static_cast<std::int32_t>(mColumns.size()); }
  std::int32_t GetHeaderCount() const { return static_cast<std::int32_t>(mHeaderButtons.size()); }
  // The column list box; null out of range.
  RCPtr<LListBox> GetColumn(std::int32_t column) const;

  // The area the first column's rows show in: the first column's position and
  // height, the table's width less the vertical bar. Empty without columns.
  RectT<double> GetLocalBounds() const override;
  // Every column scrolls to the new vertical offset, then the bars follow.
  void UpdateVisibleRegion(const PointT<double>& oldOffset, const PointT<double>& newOffset) override;
  // The last column changed: the extent follows. Other children change nothing.
  void InvalidateChildArea(const RCPtr<LControl>& child) override;
  // The panel's, then the columns and headers are bound. Without header
  // buttons the panel's result; with them kHeadersMatchColumns when there are
  // as many as columns, else kHeadersDoNotMatchColumns.
  QZRESULT Initialize() override;
  // The later columns leave the focus to the first; the line size, the
  // columns' size limits and the extent from the columns. 0.
  QZRESULT FinishInitialize() override;
  // The table's handler first, then the panel's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

private:
  std::int32_t OnColumnHoverChange(const RCPtr<LNotificationDistributor>& source,
                                   const RCPtr<LNotification>& notification);
  std::int32_t OnColumnSelectionChange(const RCPtr<LNotificationDistributor>& source,
                                       const RCPtr<LNotification>& notification);
  std::int32_t OnColumnActivated(const RCPtr<LNotificationDistributor>& source,
                                 const RCPtr<LNotification>& notification);
  std::int32_t OnColumnDoubleClicked(const RCPtr<LNotificationDistributor>& source,
                                     const RCPtr<LNotification>& notification);
  std::int32_t OnColumnRightClick(const RCPtr<LNotificationDistributor>& source,
                                  const RCPtr<LNotification>& notification);
  std::int32_t OnFirstColumnScrolled(const RCPtr<LNotificationDistributor>& source,
                                     const RCPtr<LNotification>& notification);
  std::int32_t OnFirstColumnExtentChange(const RCPtr<LNotificationDistributor>& source,
                                         const RCPtr<LNotification>& notification);
  std::int32_t OnHeaderClick(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);

  // The client extent from the columns: SetClientExtent's result; 1 without columns.
  QZRESULT UpdateClientExtent();
  // Takes back the size limits a list box sets on itself where the skin set none.
  void ResetColumnSizeLimits();
  // The rows every column holds.
  std::int32_t GetCommonRowCount() const;
  // The position of the sender among the columns; -1.
  std::int32_t ColumnIndexOf(const RCPtr<LNotificationDistributor>& source) const;

  RCPtr<LNotificationHandler<LMultiColumnListBox>> mTableHandler;
  std::vector<RCPtr<LListBox>> mColumns;
  std::vector<RCPtr<LButton>> mHeaderButtons;
  std::vector<bool> mSortAscending;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMultiColumnListBox, "class QZ::LMultiColumnListBox")
