#pragma once
// LListBox: the list control. It holds an ordered list of rows (records around
// a data object whose ToString is the row's text, a selection value and the
// marked, blank and hidden flags) and shows them through a few recycled row
// controls (LListBoxItem) stacked in a scroll view that scrolls in whole rows.
//
// Row controls come from the skin's "templateItem" child: clones of its
// descriptor named "ItemControl1", "ItemControl2", ..., docked on Y one under
// the other, made only as far as the view reaches and never destroyed while the
// list lives; scrolling binds other rows to them. A list without a template
// shows its "item1", "item2", ... children instead, one per row.
//
// Invariants: selectedCount is the number of rows whose value is 0.5 or more
// (every value change goes through SetRowValue, except SetRow, whose callers
// pass 0); anchor and focus are -1 or rows; firstRow is a row, or the count
// for an empty list. Row control k shows the k-th row after firstRow that is
// not hidden (rows past the last count as shown; firstRow itself as well);
// hidden rows never get one. itemControls holds each row control's position in
// the child list (creation order) and follows removals of children.
//
// Record stores (this list's and every derived list's) call RecordInserted
// after inserting a record and RecordErasing before erasing one: anchor and
// focus stay on their rows across an insert, and the hidden-row count (which
// the content height and the row mapping rest on) follows the records. A
// record's hidden flag changes only through SetItemHidden.
//
// Cost: binding a row, the content height and the widest row cost work bounded
// by the rows on screen plus the rows changed, whatever the row count.
// Counting rows toward a row control stops at the number of row controls;
// the content height comes from the running hidden-row count; the widest row
// comes from a running count of rows per measured width, so a row that was
// the widest going or changing costs no measuring of the other rows. The width
// counts are dropped (and rebuilt by the next full measuring) whenever row
// widths may have changed behind them: a new row height or text margin, the
// first row control made or removed, SetRow, RefreshRowText, rows added or
// removed in bulk or through the record operations directly.
//
// Drop-down mode (combo boxes, menus): a pressed row control hands the capture
// to the list, hovering selects, the release on a row activates and hides the
// list, and "NID_SELECTION_CHANGE" is not sent. The list's height follows its
// rows.
//
// Notifications go out synchronously through the list's own distributor, so
// receivers see the list in its new state and may call back into it. UI thread
// only, like every control.

#include "QZFramework/Controls/ItemConditionsParam.h"
#include "QZFramework/Controls/ListBoxItem.h"
#include "QZFramework/Controls/ScrollView.h"
#include "QZFramework/Utilities/Storage/TaggableObject.h"

#include <cstdint>
#include <limits>
#include <map>
#include <vector>

namespace QZ {

class LListBox : public LScrollView {
public:
  // One row.
  struct SRowRecord {
    // The data object; null is the empty text.
    RCPtr<LTaggableObject> mItem;
    // Selected at 0.5 or more; the list writes 0 and 1.
    double mValue = 0.0;
    bool mMarked = false;
    bool mBlank = false;
    bool mHidden = false;
  };

  // selectMode: plain click selects one, Ctrl toggles, Shift extends.
  static constexpr std::int32_t kSelectExtended = 1;
  // Row height before it is measured, and when the measure gives less than a pixel.
  static constexpr std::int32_t kDefaultRowHeight = 14;
  // "ITEM." entries above this number are ignored.
  static constexpr std::int32_t kMaxItemParamIndex = 1024;
  // Packed key codes the list answers.
  static constexpr std::uint32_t kKeyUp = 0x20260000;
  static constexpr std::uint32_t kKeyShiftUp = 0x22260000;
  static constexpr std::uint32_t kKeyDown = 0x20280000;
  static constexpr std::uint32_t kKeyShiftDown = 0x22280000;
  static constexpr std::uint32_t kKeyLeft = 0x20250000;
  static constexpr std::uint32_t kKeyRight = 0x20270000;
  static constexpr std::uint32_t kKeyPageUp = 0x20210000;
  static constexpr std::uint32_t kKeyPageDown = 0x20220000;
  static constexpr std::uint32_t kKeyHome = 0x20240000;
  static constexpr std::uint32_t kKeyEnd = 0x20230000;
  static constexpr std::uint32_t kKeyEnter = 0x200D0000;

  LListBox(const RCPtr<LControl>& parent, const WideString& name) : LScrollView(parent, name) {}
  ~LListBox() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);
  // The item object of a text row: the text wrapped, its ToString the text.
  static RCPtr<LTaggableObject> MakeTextItem(const WideString& text);

  // ---- Virtual operations of the list

  virtual std::int32_t GetItemCount() const;
  // Grows with empty rows or removes the last ones: n when the count is n
  // afterwards, else minus the count reached.
  virtual std::int32_t SetItemCount(std::int32_t count);
  // The new count; E_INVALIDARG for a row out of range.
  virtual std::int32_t RemoveItem(std::int32_t row);
  // 1 for an empty list, E_FAIL when a record could not be erased, else 0.
  virtual QZRESULT RemoveAllItems();
  // Whether SortRange over every row succeeded.
  virtual bool SortItems();
  // Measures the row height and the text margin with the row control's font. 0.
  virtual QZRESULT MeasureRowHeight(const RCPtr<LControl>& itemControl);
  // Hooks of FireSelectionChange and ActivateRow; nothing in the list.
  virtual void OnSelectionChanged();
  virtual void OnRowActivated(std::int32_t row);
  // The row the row control shows (past the last row for controls that show
  // none); -1 for a control that is no row control.
  virtual std::int32_t GetRowOfItemControl(const LControl* control) const;
  // E_INVALIDARG out of range, 1 unchanged, else 0.
  virtual QZRESULT SetItemHidden(std::int32_t row, bool hidden);
  // Makes the next row control from the template and binds it. 0; E_FAIL when
  // the factory made none (or one that is no row control).
  virtual QZRESULT CreateItemControl();
  // Binds a row to the row control that shows it: 0 and its index, or 1 and
  // -1 when no control shows the row.
  virtual QZRESULT BindRow(std::int32_t row, std::int32_t& index);
  // The index of the row control showing the row, or -1.
  virtual std::int32_t GetItemControlIndex(std::int32_t row) const;
  // The width a row control needs for the row's text; 0 out of range or
  // without row controls.
  virtual std::int32_t MeasureRowWidth(std::int32_t row);
  // Rows not hidden times the row height.
  virtual std::int32_t GetContentHeight() const;
  // Whether the row may be selected; always in the list.
  virtual bool CanSelectRow(std::int32_t row) const;
  // Exchanges two records whole. 0.
  virtual QZRESULT SwapRows(std::int32_t a, std::int32_t b);
  // Sorts count rows from start by their texts, ignoring case (stable). 1 for
  // none, E_INVALIDARG beyond the rows, else 0.
  virtual QZRESULT SortRange(std::int32_t start, std::int32_t count);
  // The record; callers check the range.
  virtual SRowRecord* GetItemRecord(std::int32_t row);
  virtual const SRowRecord* GetItemRecord(std::int32_t row) const;
  // A new record before row (at most the count). 0.
  virtual QZRESULT InsertItemRecord(std::int32_t row);
  // Removes the record (below the count). 0.
  virtual QZRESULT EraseItemRecord(std::int32_t row);

  // ---- Rows

  // The row's item; the shared null pointer out of range.
  const RCPtr<LTaggableObject>& GetItem(std::int32_t row) const;
  // The row's text; empty out of range or without an item.
  WideString GetItemText(std::int32_t row) const;
  // Inserts before row (at most the count); anchor and focus at or after it
  // move down with their rows. Returns row.
  std::int32_t InsertItem(std::int32_t row, const RCPtr<LTaggableObject>& item);
  // Replaces the row's item. 0 (also out of range, where nothing happens).
  QZRESULT SetItem(std::int32_t row, const RCPtr<LTaggableObject>& item);
  // Puts the items of the first order.size() rows in another order: row k takes
  // the item row order[k] held. The items move as references, nothing else of
  // the rows moves, nothing is measured (a row's width goes with its item, so
  // the widest stays) and only the rows shown are bound again. E_INVALIDARG
  // unless order holds each of those rows once; else 0.
  QZRESULT ReorderItems(const std::vector<std::int32_t>& order);
  // Stores the four fields as given (the value without selection bookkeeping). 0.
  QZRESULT SetRow(std::int32_t row, const RCPtr<LTaggableObject>& item, double value, bool marked, bool blank);
  // The row control showing the row takes its text again. 0.
  QZRESULT RefreshRowText(std::int32_t row);
  double GetRowValue(std::int32_t row) const;
  bool IsRowSelected(std::int32_t row) const;
  // Stores the value, keeping selectedCount; 0 (also out of range).
  QZRESULT SetRowValue(std::int32_t row, double value);
  // The selected rows, ascending (a cache of the list).
  const std::vector<std::uint32_t>& GetSelectedRows();
  std::int32_t GetSelectedCount() const { return mSelectedCount; }
  bool SetRowMarked(std::int32_t row, bool marked);
  bool SetRowBlank(std::int32_t row, bool blank);
  bool GetRowMarked(std::int32_t row) const;
  bool IsRowHidden(std::int32_t row) const;
  // 0 when the row is shown and its control took the forced hover, else 1.
  QZRESULT SetRowHover(std::int32_t row, bool on);
  // The look on the row control showing the row; 1 when none or no such look.
  QZRESULT SetRowLook(std::int32_t row, std::int32_t lookIndex);
  // The row control's bounds in the list's coordinates; all 0 when not shown.
  RectT<double> GetRowRect(std::int32_t row) const;

  // ---- Selection

  // Selects first..last (either order; last < 0: first alone), exclusively or
  // adding. first, or E_INVALIDARG for first out of range.
  QZRESULT SelectRange(std::int32_t first, std::int32_t last, bool exclusive);
  // 1 when the row is out of range or not selected, else 0.
  QZRESULT DeselectRow(std::int32_t row);
  void ClearSelection();
  void FireSelectionChange();
  void ActivateRow(std::int32_t row);
  // 0.
  QZRESULT SetDropDownMode(bool on);
  bool IsDropDownMode() const { return mDropDownMode; }
  std::int32_t GetAnchorRow() const { return mAnchorRow; }
  std::int32_t GetFocusRow() const { return mFocusRow; }
  void SetAnchorRow(std::int32_t row) { mAnchorRow = row; }
  void SetFocusRow(std::int32_t row) { mFocusRow = row; }

  // Owning code sets these directly.
  void SetMultiSelect(bool multiSelect) { mMultiSelect = multiSelect; }
  bool IsMultiSelect() const { return mMultiSelect; }
  void SetSelectMode(std::int32_t mode) { mSelectMode = mode; }
  void SetAutoSort(bool autoSort) { mAutoSort = autoSort; }
  void SetItemDragThreshold(std::int32_t pixels) { mItemDragThreshold = pixels; }

  // ---- Text search

  // The highest row whose text matches; -1 when none.
  std::int32_t FindRowByText(const WideString& text, bool caseSensitive) const;
  // Selects the first match after the row after (wrapping round): its
  // SelectRange result, or -1 when none.
  std::int32_t SelectByText(const WideString& text, std::int32_t after, bool caseSensitive);

  // ---- Row controls and scrolling

  // Makes row controls until they reach the bottom of the view: 0; 1 without
  // template or row height; E_FAIL when the factory made none.
  QZRESULT EnsureItemControls();
  // Binds every row from row up to the one after the last row control's. 1
  // without row controls, else the last BindRow result.
  QZRESULT RebindFrom(std::int32_t row);
  // The row control at that index; the shared null pointer past the end.
  RCPtr<LListBoxItem> GetItemControlAt(std::int32_t index) const;
  std::int32_t GetItemControlCount() const { return static_cast<std::int32_t>(mItemControls.size()); }
  // The row after the one the control shows.
  std::int32_t LastShownRow(const LControl* control) const;
  // The leading row controls that lie wholly inside the view.
  std::int32_t CountControlsThatFit() const;
  // The row under a point of the list; -1 when none.
  std::int32_t RowAtPoint(const PointT<std::int32_t>& point) const;
  // Scrolls so the row (or the nearest row not hidden) is wholly shown:
  // E_INVALIDARG out of range, 1 when nothing can be shown, else 0.
  QZRESULT ScrollRowIntoView(std::int32_t row);
  std::int32_t GetFirstRow() const { return mFirstRow; }
  std::int32_t GetRowHeight() const { return mRowHeight; }
  std::int32_t GetTextMargin() const { return mTextMargin; }
  std::int32_t GetContentWidth() const { return mContentWidth; }
  const RCPtr<LControlDescriptor>& GetTemplateDescriptor() const { return mTemplateDescriptor; }

  // ---- Sizes

  // 1 while bulk-updating or unchanged, else 0.
  QZRESULT SetContentWidth(std::int32_t width);
  QZRESULT RecomputeContentWidth();
  // The client extent from the content; the row controls as wide as the
  // content when the template has a fixed width. 1 while bulk-updating.
  QZRESULT LayoutItemControls();
  // The list's own height (width) such that its client area is h (w) high (wide).
  QZRESULT SetHeightForContent(double height);
  QZRESULT SetWidthForContent(double width);
  // The vertical size limits and size snap to whole rows.
  QZRESULT SnapSizeLimitsToRows();

  // ---- Rows from parameters

  // The rows from the table's "ITEM.<n>" entries. E_INVALIDARG without a table.
  QZRESULT ReadItemParams(const RCPtr<LStringTable>& table);

  // ---- Overridden operations

  void OnScrollBarShownChanged(bool vertical) override;
  void OnSizeChanged() override;
  void UpdateVisibleRegion(const PointT<double>& oldOffset, const PointT<double>& newOffset) override;
  void InvalidateChildArea(const RCPtr<LControl>& child) override;
  void OnChildRemoved(const RCPtr<LControl>& child, std::int32_t formerIndex) override;
  QZRESULT CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
  QZRESULT AttachChildFromDescriptor(RCPtr<LControl> child, const RCPtr<LControlDescriptor>& descriptor) override;
  QZRESULT Initialize() override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  void HandleLeftButtonUp(const RCPtr<LMouseButtonParam>& param) override;
  void HandleMouseMove(const RCPtr<LPointWithModifiersParam>& param) override;
  QZRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
  // The list's handler first, then the scroll view's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

protected:
  // Whether a release outside the list but over this parent leaves a drop-down
  // list open: the combo box and the combo menu that own it.
  virtual bool IsDropDownOwner(const LControl& parent) const;
  // Every record store calls these: after inserting a record at row, and
  // before erasing a record.
  void RecordInserted(std::int32_t row);
  void RecordErasing(const SRowRecord& record);

private:
  // Row-control notifications.
  std::int32_t OnItemMouseDown(const RCPtr<LNotificationDistributor>& source,
                               const RCPtr<LNotification>& notification);
  std::int32_t OnItemMouseUp(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);
  std::int32_t OnItemLeftDragChange(const RCPtr<LNotificationDistributor>& source,
                                    const RCPtr<LNotification>& notification);
  std::int32_t OnItemHoverChange(const RCPtr<LNotificationDistributor>& source,
                                 const RCPtr<LNotification>& notification);
  void ClickSelect(const RCPtr<LListBoxItem>& itemControl, const RCPtr<LMouseButtonParam>& event);
  void RightClickRow(const RCPtr<LListBoxItem>& itemControl, const RCPtr<LMouseButtonParam>& event);
  // The press moves to the control that shows the row now, when another does.
  void MovePressTo(const RCPtr<LListBoxItem>& clicked, std::int32_t row, std::uint32_t button,
                   const RCPtr<LMouseButtonParam>& event);
  // Subscribes to a row control and gives it the list's settings.
  void WireItemControl(const RCPtr<LListBoxItem>& itemControl);
  // The row control a notification came from, or null.
  RCPtr<LListBoxItem> ItemControlOf(const RCPtr<LNotificationDistributor>& source) const;
  // The row control's event as a new event in the list's coordinates.
  RCPtr<LMouseButtonParam> ToListEvent(const RCPtr<LListBoxItem>& itemControl,
                                       const RCPtr<LMouseButtonParam>& event) const;
  void SendItemConditions(const char16_t* id, const RCPtr<LListBoxItem>& itemControl,
                          const RCPtr<LConditionsParam>& conditions);
  // The k-th row after from counting rows past the last and rows not hidden.
  std::int32_t StepRows(std::int32_t from, std::int32_t steps) const;
  // Rows in [from, to) that are past the last row or not hidden, counted up to limit.
  std::int32_t CountShownRows(std::int32_t from, std::int32_t to,
                              std::int32_t limit = std::numeric_limits<std::int32_t>::max()) const;
  // The row text into the row control showing it (SetItem's half of RefreshRowText).
  void ShowRowText(std::int32_t row);
  // The running count of rows per width.
  void CountWidth(std::int32_t width);
  void UncountWidth(std::int32_t width);
  void ForgetWidths();
  // RecomputeContentWidth, from the running counts while they hold every row.
  QZRESULT ContentWidthAfterWidestChanged();
  // The index of a control among the row controls (from the last); -1.
  std::int32_t IndexOfItemControl(const LControl* control) const;
  // A hidden first row gives way to the nearest row shown.
  void KeepFirstRowShown();
  // Static rows from the "item%d" children (from Initialize, or after a skin switch).
  void AttachStaticRows(bool addRows);
  // The template's horizontal text overflow is "Expand".
  bool TemplateExpands() const;
  // The width of the vertical bar (or the corner).
  double ScrollBarWidth() const;
  // The vertical bar passes a key on; none without the bar.
  void PassKeyToBar(const RCPtr<LScrollbar>& bar, const RCPtr<LKeyParam>& key);
  // The nearest row at or above (step -1) or below (step 1) from that may be selected; -1.
  std::int32_t FindSelectableRow(std::int32_t from, std::int32_t step) const;

  RCPtr<LNotificationHandler<LListBox>> mListHandler;
  std::int32_t mTextMargin = 0;
  std::int32_t mContentWidth = 0;
  std::vector<SRowRecord> mRows;
  std::vector<std::uint32_t> mItemControls;
  RCPtr<LControlDescriptor> mTemplateDescriptor;
  std::int32_t mAnchorRow = -1;
  std::int32_t mFocusRow = -1;
  bool mMultiSelect = false;
  std::int32_t mSelectMode = kSelectExtended;
  std::int32_t mPressedRow = -1;
  bool mDropDownMode = false;
  bool mAutoSort = false;
  std::int32_t mRowHeight = kDefaultRowHeight;
  std::vector<std::uint32_t> mSelectedRows;
  std::int32_t mSelectedCount = 0;
  std::int32_t mItemDragThreshold = 1;
  std::int32_t mFirstRow = 0;
  bool mLayoutGuard = false;
  bool mSuspendLayout = false;
  bool mRowHeightMeasured = false;
  bool mBulkUpdate = false;
  // Static rows ("item%d" children) rather than template rows.
  bool mStaticRows = false;
  // Records whose hidden flag is set.
  std::int32_t mHiddenCount = 0;
  // How many rows measured each width; it stands for every row's width while
  // mWidthsKnown is set and mCountedWidths is the row count.
  std::map<std::int32_t, std::int32_t> mWidthCounts;
  std::int32_t mCountedWidths = 0;
  bool mWidthsKnown = true;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LListBox, "class QZ::LListBox")
