#include "QZFramework/Controls/ListBox.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/FontText.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/LookDescriptor.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Renderer/Renderer.h"
#include "QZFramework/Utilities/Storage/Holder.h"
#include "QZFramework/Utilities/Storage/WrapperStringable.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>

namespace QZ {

namespace {

constexpr const char16_t* kSelectionChange = u"NID_SELECTION_CHANGE";
constexpr const char16_t* kItemActivated = u"NID_ITEM_ACTIVATED";
constexpr const char16_t* kItemDoubleClicked = u"NID_ITEM_DOUBLE_CLICKED";
constexpr const char16_t* kItemRightClick = u"NID_ITEM_RIGHT_CLICK";
constexpr const char16_t* kItemHoverChange = u"NID_ITEM_HOVER_CONDITION_CHANGE";
constexpr const char16_t* kItemLeftDragChange = u"NID_ITEM_LEFT_DRAG_CONDITION_CHANGE";
constexpr const char16_t* kMouseDown = u"NID_MOUSE_DOWN";
constexpr const char16_t* kMouseUp = u"NID_MOUSE_UP";
constexpr const char16_t* kLeftDragChange = u"NID_LEFT_DRAG_CONDITION_CHANGE";
constexpr const char16_t* kHoverChange = u"NID_HOVER_CONDITION_CHANGE";
constexpr const char16_t* kTemplateName = u"templateItem";
constexpr const char16_t* kItemParamPrefix = u"ITEM.";
// Measured for the row height: the tallest ascent and the deepest descent of the usual fonts.
constexpr const char16_t* kRowHeightSample = u"{WXyg|}";
// The list's looks.
constexpr std::int32_t kListLookNormal = 0;
constexpr std::int32_t kListLookDisabled = 1;
constexpr std::int32_t kListLookFocused = 2;

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

WideString Numbered(const char16_t* prefix, std::int32_t number) {
  WideString text(prefix);
  const std::string digits = std::to_string(number);
  for (const char c : digits)
    static_cast<void>(text.AppendChar(static_cast<char16_t>(c)));
  return text;
}

// The same stored text, or equal as the search asks.
bool TextsMatch(const WideString& a, const WideString& b, bool caseSensitive) {
  if (a.GetChars() == b.GetChars())
    return true;
  return caseSensitive ? a.EqualsString(b) : a.CompareIgnoringCase(b) == 0;
}

std::int32_t Round(double value) { return static_cast<std::int32_t>(std::lround(value)); }

} // namespace

RCPtr<LControl>& LListBox::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                  const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LListBox>(out, parent, descriptor);
}

RCPtr<LTaggableObject> LListBox::MakeTextItem(const WideString& text) {
  return RCPtr<LTaggableObject>(LWrapperStringable<WideString>::Create(text));
}

// ---------------------------------------------------------------------------
// Creation

QZRESULT LListBox::Initialize() {
  const QZRESULT result = LScrollView::Initialize();
  mListHandler = LNotificationHandler<LListBox>::Create(this);
  if (result < 0)
    return result;
  static_cast<void>(SetAutoClientExtent(kAutoExtentOff, 0, 0));
  const RCPtr<LControl> self(this);
  const RCPtr<LControl> templateControl = FindChild(WideString(kTemplateName));
  if (templateControl) {
    mTemplateDescriptor = templateControl->GetDescriptor();
    static_cast<void>(MeasureRowHeight(templateControl));
    static_cast<void>(templateControl->Close());
    SetLineMode(kVerticalBar, true, mRowHeight);
    UpdateScrollBarRanges();
    static_cast<void>(ReadItemParams(GetStringTable()));
    static_cast<void>(EnsureItemControls());
    static_cast<void>(RebindFrom(mFirstRow));
    return result;
  }
  AttachStaticRows(true);
  return result;
}

void LListBox::AttachStaticRows(bool addRows) {
  bool found = false;
  for (std::int32_t n = 1;; ++n) {
    const RCPtr<LListBoxItem> control = DynamicCast<LListBoxItem>(FindChild(Numbered(u"item", n)));
    if (!control)
      break;
    if (!found)
      static_cast<void>(MeasureRowHeight(RCPtr<LControl>(control)));
    found = true;
    mItemControls.push_back(static_cast<std::uint32_t>(mChildren.IndexOf(control.GetRaw())));
    if (addRows) {
      static_cast<void>(InsertItemRecord(n - 1));
      static_cast<void>(SetItem(n - 1, MakeTextItem(control->GetText())));
    }
    WireItemControl(control);
  }
  mStaticRows = found;
  if (!found)
    return;
  static_cast<void>(RebindFrom(0));
  if (mDropDownMode)
    static_cast<void>(SetHeightForContent(GetContentHeight()));
  static_cast<void>(LayoutItemControls());
  if (mAutoSort && addRows)
    static_cast<void>(SortItems());
}

void LListBox::WireItemControl(const RCPtr<LListBoxItem>& itemControl) {
  if (mListHandler) {
    const RCPtr<LNotificationDistributor> source = AsDistributor(RCPtr<LControl>(itemControl));
    static_cast<void>(mListHandler->Register(&LListBox::OnItemMouseDown, source, kMouseDown));
    static_cast<void>(mListHandler->Register(&LListBox::OnItemMouseUp, source, kMouseUp));
    static_cast<void>(mListHandler->Register(&LListBox::OnItemLeftDragChange, source, kLeftDragChange));
    static_cast<void>(mListHandler->Register(&LListBox::OnItemHoverChange, source, kHoverChange));
  }
  itemControl->SetInDropDown(mDropDownMode);
  static_cast<void>(itemControl->SetDragThreshold(mItemDragThreshold));
}

QZRESULT LListBox::CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) {
  const bool rebuild = mCreated;
  mSuspendLayout = true;
  mTemplateDescriptor = RCPtr<LControlDescriptor>();
  const QZRESULT result = LScrollView::CreateChildrenFromDescriptor(descriptor);
  mSuspendLayout = false;
  if (!rebuild)
    return result;
  // The rebuild took every child off and put back only those the new skin
  // names: the row controls are gone, the static rows are back under their
  // names. The rows, the selection and the scroll position are the list's own
  // and stay.
  mItemControls.clear();
  ForgetWidths();
  if (mTemplateDescriptor) {
    SetLineMode(kVerticalBar, true, mRowHeight);
    UpdateScrollBarRanges();
    static_cast<void>(EnsureItemControls());
  } else if (mStaticRows) {
    AttachStaticRows(false);
  }
  static_cast<void>(RebindFrom(mFirstRow));
  static_cast<void>(LayoutItemControls());
  static_cast<void>(RecomputeContentWidth());
  return result;
}

QZRESULT LListBox::AttachChildFromDescriptor(RCPtr<LControl> child, const RCPtr<LControlDescriptor>& descriptor) {
  if (!child) {
    if (!descriptor || !descriptor->GetName().EqualsString(WideString(kTemplateName)))
      return E_FAIL;
    // The new skin's template: measured once, then only its clones are shown.
    mTemplateDescriptor = descriptor;
    LControlFactory* factory = GetFrameworkApp() ? GetFrameworkApp()->GetControlFactory() : nullptr;
    const RCPtr<LControl> control =
        factory ? factory->CreateControl(descriptor, RCPtr<LControl>(this)) : RCPtr<LControl>();
    if (control) {
      static_cast<void>(MeasureRowHeight(control));
      static_cast<void>(control->Close());
    }
    return S_OK;
  }
  if (!descriptor)
    return S_OK;
  return LScrollView::AttachChildFromDescriptor(child, descriptor);
}

std::int32_t LListBox::Receive(const RCPtr<LNotificationDistributor>& source,
                               const RCPtr<LNotification>& notification) {
  if (!mCreated)
    return 0;
  if (mListHandler) {
    const std::int32_t handled = mListHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LScrollView::Receive(source, notification);
}

std::int32_t LListBox::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mListHandler && id)
    static_cast<void>(mListHandler->Unregister(distributor, id));
  return LScrollView::Unsubscribe(distributor, id);
}

QZRESULT LListBox::ReleaseInnerReferences() {
  mListHandler = RCPtr<LNotificationHandler<LListBox>>();
  mTemplateDescriptor = RCPtr<LControlDescriptor>();
  return LScrollView::ReleaseInnerReferences();
}

// ---------------------------------------------------------------------------
// Records

std::int32_t LListBox::GetItemCount() const { return static_cast<std::int32_t>(mRows.size()); }

LListBox::SRowRecord* LListBox::GetItemRecord(std::int32_t row) { return &mRows[static_cast<std::size_t>(row)]; }

const LListBox::SRowRecord* LListBox::GetItemRecord(std::int32_t row) const {
  return &mRows[static_cast<std::size_t>(row)];
}

QZRESULT LListBox::InsertItemRecord(std::int32_t row) {
  mRows.insert(mRows.begin() + row, SRowRecord());
  RecordInserted(row);
  return S_OK;
}

QZRESULT LListBox::EraseItemRecord(std::int32_t row) {
  RecordErasing(mRows[static_cast<std::size_t>(row)]);
  mRows.erase(mRows.begin() + row);
  return S_OK;
}

void LListBox::RecordInserted(std::int32_t row) {
  // The rows at and after the new one moved down; so do the two ends of the
  // last range selection, or the keys and Enter would act on the row before.
  if (mAnchorRow >= row)
    ++mAnchorRow;
  if (mFocusRow >= row)
    ++mFocusRow;
}

void LListBox::RecordErasing(const SRowRecord& record) {
  if (record.mHidden)
    --mHiddenCount;
}

QZRESULT LListBox::SwapRows(std::int32_t a, std::int32_t b) {
  std::swap(*GetItemRecord(a), *GetItemRecord(b));
  return S_OK;
}

bool LListBox::CanSelectRow(std::int32_t) const { return true; }
void LListBox::OnSelectionChanged() {}
void LListBox::OnRowActivated(std::int32_t) {}

// ---------------------------------------------------------------------------
// Rows

const RCPtr<LTaggableObject>& LListBox::GetItem(std::int32_t row) const {
  static const RCPtr<LTaggableObject> sNull;
  if (row < 0 || row >= GetItemCount())
    return sNull;
  return GetItemRecord(row)->mItem;
}

WideString LListBox::GetItemText(std::int32_t row) const {
  const RCPtr<LTaggableObject>& item = GetItem(row);
  return item ? item->ToString() : WideString();
}

bool LListBox::IsRowHidden(std::int32_t row) const {
  return row >= 0 && row < GetItemCount() && GetItemRecord(row)->mHidden;
}

std::int32_t LListBox::InsertItem(std::int32_t row, const RCPtr<LTaggableObject>& item) {
  if (row < 0 || row > GetItemCount())
    return E_INVALIDARG;
  const RCPtr<LControl> self(this);
  static_cast<void>(InsertItemRecord(row));
  GetItemRecord(row)->mItem = item;
  static_cast<void>(EnsureItemControls());
  static_cast<void>(RebindFrom(row));
  static_cast<void>(LayoutItemControls());
  if (mBulkUpdate) {
    ForgetWidths();
  } else {
    const std::int32_t width = MeasureRowWidth(row);
    CountWidth(width);
    if (width > mContentWidth)
      static_cast<void>(SetContentWidth(width));
  }
  if (mDropDownMode)
    static_cast<void>(SetHeightForContent(GetContentHeight()));
  if (mAutoSort)
    static_cast<void>(SortItems());
  return row;
}

QZRESULT LListBox::SetItem(std::int32_t row, const RCPtr<LTaggableObject>& item) {
  if (row < 0 || row >= GetItemCount())
    return S_OK;
  const std::int32_t oldWidth = mBulkUpdate ? 0 : MeasureRowWidth(row);
  GetItemRecord(row)->mItem = item;
  ShowRowText(row);
  if (mBulkUpdate) {
    ForgetWidths();
    return S_OK;
  }
  const std::int32_t width = MeasureRowWidth(row);
  UncountWidth(oldWidth);
  CountWidth(width);
  if (oldWidth == mContentWidth)
    static_cast<void>(ContentWidthAfterWidestChanged());
  else if (width > mContentWidth)
    static_cast<void>(SetContentWidth(width));
  return S_OK;
}

QZRESULT LListBox::ReorderItems(const std::vector<std::int32_t>& order) {
  const auto rows = static_cast<std::int32_t>(order.size());
  if (rows > GetItemCount())
    return E_INVALIDARG;
  std::vector<bool> taken(order.size(), false);
  for (const std::int32_t from : order) {
    if (from < 0 || from >= rows || taken[static_cast<std::size_t>(from)])
      return E_INVALIDARG;
    taken[static_cast<std::size_t>(from)] = true;
  }
  const RCPtr<LControl> self(this);
  // Moved out and back in: no item is touched on the way.
  std::vector<RCPtr<LTaggableObject>> items(order.size());
  for (std::int32_t row = 0; row < rows; ++row)
    items[static_cast<std::size_t>(row)] = std::move(GetItemRecord(row)->mItem);
  for (std::int32_t row = 0; row < rows; ++row)
    GetItemRecord(row)->mItem = std::move(items[static_cast<std::size_t>(order[static_cast<std::size_t>(row)])]);
  static_cast<void>(RebindFrom(mFirstRow));
  // Widths counted before (or left stale) by someone else are measured now.
  if (!mWidthsKnown || mCountedWidths != GetItemCount())
    static_cast<void>(RecomputeContentWidth());
  return S_OK;
}

QZRESULT LListBox::SetRow(std::int32_t row, const RCPtr<LTaggableObject>& item, double value, bool marked,
                          bool blank) {
  if (row < 0 || row >= GetItemCount())
    return S_OK;
  SRowRecord* record = GetItemRecord(row);
  record->mItem = item;
  record->mValue = value;
  record->mMarked = marked;
  record->mBlank = blank;
  return RefreshRowText(row);
}

QZRESULT LListBox::RefreshRowText(std::int32_t row) {
  // The row's text may have changed without the list: its width is not known.
  ForgetWidths();
  ShowRowText(row);
  return S_OK;
}

void LListBox::ShowRowText(std::int32_t row) {
  const std::int32_t index = GetItemControlIndex(row);
  if (index >= 0) {
    const RCPtr<LListBoxItem> control = GetItemControlAt(index);
    if (control && row < GetItemCount() && !GetItemRecord(row)->mBlank)
      static_cast<void>(control->SetText(GetItemText(row)));
    std::int32_t bound = -1;
    static_cast<void>(BindRow(row, bound));
  }
  if (mDropDownMode) {
    static_cast<void>(LayoutItemControls());
    static_cast<void>(SetHeightForContent(GetContentHeight()));
  }
}

std::int32_t LListBox::RemoveItem(std::int32_t row) {
  if (row < 0 || row >= GetItemCount())
    return E_INVALIDARG;
  const RCPtr<LControl> self(this);
  const std::int32_t oldWidth = mBulkUpdate ? -1 : MeasureRowWidth(row);
  const std::int32_t countBefore = GetItemCount();
  static_cast<void>(DeselectRow(row));
  static_cast<void>(EraseItemRecord(row));
  // A record store may take more than the one row (a tree takes the subtree),
  // whose widths were not noted.
  if (mBulkUpdate || GetItemCount() != countBefore - 1)
    ForgetWidths();
  else
    UncountWidth(oldWidth);
  const bool anchorAfter = mAnchorRow > row;
  const bool focusAfter = mFocusRow > row;
  if (anchorAfter && focusAfter) {
    --mAnchorRow;
    --mFocusRow;
  } else if (anchorAfter != focusAfter) {
    mAnchorRow = -1;
    mFocusRow = -1;
  }
  // The removed row may have been the last one while anchor or focus pointed
  // at it without being selected: they must not point past the rows.
  const std::int32_t count = GetItemCount();
  if (mAnchorRow >= count)
    mAnchorRow = -1;
  if (mFocusRow >= count)
    mFocusRow = -1;
  if (mFirstRow > count)
    mFirstRow = count;
  static_cast<void>(EnsureItemControls());
  static_cast<void>(RebindFrom(row));
  if (oldWidth == mContentWidth)
    static_cast<void>(ContentWidthAfterWidestChanged());
  if (mDropDownMode)
    static_cast<void>(SetHeightForContent(GetContentHeight()));
  static_cast<void>(LayoutItemControls());
  if (count > 0)
    static_cast<void>(ScrollRowIntoView(std::min(mFirstRow, count - 1)));
  return count;
}

QZRESULT LListBox::RemoveAllItems() {
  if (GetItemCount() == 0)
    return S_FALSE;
  const RCPtr<LControl> self(this);
  static_cast<void>(ScrollRowIntoView(0));
  ClearSelection();
  QZRESULT result = S_OK;
  for (std::int32_t row = GetItemCount(); row-- > 0;) {
    if (EraseItemRecord(row) < 0) {
      result = E_FAIL;
      break;
    }
  }
  mFirstRow = std::min(mFirstRow, GetItemCount());
  static_cast<void>(EnsureItemControls());
  static_cast<void>(RebindFrom(0));
  static_cast<void>(LayoutItemControls());
  static_cast<void>(RecomputeContentWidth());
  if (mDropDownMode)
    static_cast<void>(SetHeightForContent(GetContentHeight()));
  return result;
}

std::int32_t LListBox::SetItemCount(std::int32_t count) {
  if (count < 0)
    return E_INVALIDARG;
  if (count == GetItemCount())
    return count;
  const RCPtr<LControl> self(this);
  mBulkUpdate = true;
  while (GetItemCount() < count) {
    if (InsertItem(GetItemCount(), RCPtr<LTaggableObject>()) < 0)
      break;
  }
  while (GetItemCount() > count) {
    if (RemoveItem(GetItemCount() - 1) < 0)
      break;
  }
  mBulkUpdate = false;
  static_cast<void>(LayoutItemControls());
  static_cast<void>(RecomputeContentWidth());
  if (mDropDownMode)
    static_cast<void>(SetHeightForContent(GetContentHeight()));
  return GetItemCount() == count ? count : -GetItemCount();
}

QZRESULT LListBox::SetItemHidden(std::int32_t row, bool hidden) {
  if (row < 0 || row >= GetItemCount())
    return E_INVALIDARG;
  if (GetItemRecord(row)->mHidden == hidden)
    return S_FALSE;
  const RCPtr<LControl> self(this);
  GetItemRecord(row)->mHidden = hidden;
  mHiddenCount += hidden ? 1 : -1;
  if (hidden) {
    static_cast<void>(DeselectRow(row));
    if (row == mFirstRow) {
      mFirstRow = GetItemCount();
      static_cast<void>(ScrollRowIntoView(row));
    }
  }
  // The rows shown below the changed one move by one row control.
  static_cast<void>(RebindFrom(mFirstRow));
  static_cast<void>(LayoutItemControls());
  if (mDropDownMode)
    static_cast<void>(SetHeightForContent(GetContentHeight()));
  return S_OK;
}

double LListBox::GetRowValue(std::int32_t row) const {
  return row >= 0 && row < GetItemCount() ? GetItemRecord(row)->mValue : 0.0;
}

bool LListBox::IsRowSelected(std::int32_t row) const { return GetRowValue(row) >= 0.5; }

QZRESULT LListBox::SetRowValue(std::int32_t row, double value) {
  if (row < 0 || row >= GetItemCount())
    return S_OK;
  SRowRecord* record = GetItemRecord(row);
  const bool was = record->mValue >= 0.5;
  const bool now = value >= 0.5;
  if (was != now)
    mSelectedCount += now ? 1 : -1;
  record->mValue = value;
  std::int32_t index = -1;
  static_cast<void>(BindRow(row, index));
  return S_OK;
}

const std::vector<std::uint32_t>& LListBox::GetSelectedRows() {
  mSelectedRows.clear();
  for (std::int32_t row = 0; row < GetItemCount(); ++row) {
    if (GetItemRecord(row)->mValue >= 0.5)
      mSelectedRows.push_back(static_cast<std::uint32_t>(row));
  }
  return mSelectedRows;
}

bool LListBox::SetRowMarked(std::int32_t row, bool marked) {
  if (row < 0 || row >= GetItemCount())
    return false;
  GetItemRecord(row)->mMarked = marked;
  std::int32_t index = -1;
  static_cast<void>(BindRow(row, index));
  return true;
}

bool LListBox::SetRowBlank(std::int32_t row, bool blank) {
  if (row < 0 || row >= GetItemCount())
    return false;
  GetItemRecord(row)->mBlank = blank;
  std::int32_t index = -1;
  static_cast<void>(BindRow(row, index));
  return true;
}

bool LListBox::GetRowMarked(std::int32_t row) const {
  return row >= 0 && row < GetItemCount() && GetItemRecord(row)->mMarked;
}

QZRESULT LListBox::SetRowHover(std::int32_t row, bool on) {
  const RCPtr<LListBoxItem> control = GetItemControlAt(GetItemControlIndex(row));
  if (!control)
    return S_FALSE;
  control->SetForcedHover(on);
  return S_OK;
}

QZRESULT LListBox::SetRowLook(std::int32_t row, std::int32_t lookIndex) {
  const RCPtr<LListBoxItem> control = GetItemControlAt(GetItemControlIndex(row));
  if (!control || lookIndex < 0 || static_cast<std::uint32_t>(lookIndex) >= control->GetLookCount())
    return S_FALSE;
  return control->SelectLook(lookIndex);
}

RectT<double> LListBox::GetRowRect(std::int32_t row) const {
  if (row < 0 || row >= GetItemCount())
    return {};
  const RCPtr<LListBoxItem> control = GetItemControlAt(GetItemControlIndex(row));
  if (!control)
    return {};
  const PointT<double> offset = control->GetOffsetInParent();
  return {offset.x, offset.y, control->GetBounds().width, control->GetBounds().height};
}

// ---------------------------------------------------------------------------
// Selection

QZRESULT LListBox::SelectRange(std::int32_t first, std::int32_t last, bool exclusive) {
  if (first < 0 || first >= GetItemCount())
    return E_INVALIDARG;
  const RCPtr<LControl> self(this);
  if (last < 0)
    last = first;
  // Rows past the end (a caller's slip) end at the last row.
  last = std::min(last, GetItemCount() - 1);
  if (first == last && IsRowSelected(first) && (!exclusive || mSelectedCount == 1)) {
    static_cast<void>(ScrollRowIntoView(first));
    return first;
  }
  mAnchorRow = first;
  mFocusRow = last;
  bool changed = false;
  if (exclusive) {
    const std::int32_t low = std::min(first, last);
    const std::int32_t high = std::max(first, last);
    for (std::int32_t row = GetItemCount(); row-- > 0;) {
      const bool inside = row >= low && row <= high;
      if (inside != IsRowSelected(row)) {
        static_cast<void>(SetRowValue(row, inside ? 1.0 : 0.0));
        changed = true;
      }
    }
  } else {
    const std::int32_t step = last >= first ? 1 : -1;
    for (mFocusRow = first; mFocusRow != last; mFocusRow += step) {
      if (!IsRowSelected(mFocusRow)) {
        static_cast<void>(SetRowValue(mFocusRow, 1.0));
        changed = true;
      }
    }
    if (!IsRowSelected(last)) {
      static_cast<void>(SetRowValue(last, 1.0));
      changed = true;
    }
  }
  static_cast<void>(ScrollRowIntoView(mFocusRow));
  if (changed)
    FireSelectionChange();
  return first;
}

QZRESULT LListBox::DeselectRow(std::int32_t row) {
  if (!IsRowSelected(row))
    return S_FALSE;
  const RCPtr<LControl> self(this);
  static_cast<void>(SetRowValue(row, 0.0));
  if (mSelectedCount == 0) {
    mAnchorRow = -1;
    mFocusRow = -1;
    FireSelectionChange();
    return S_OK;
  }
  const std::int32_t count = GetItemCount();
  if (mFocusRow == row) {
    const bool anchorWithFocus = mAnchorRow == mFocusRow;
    if (row + 1 < count && IsRowSelected(row + 1)) {
      mFocusRow = row + 1;
      if (anchorWithFocus)
        mAnchorRow = mFocusRow;
    } else if (row >= 1 && IsRowSelected(row - 1)) {
      mFocusRow = row - 1;
      if (anchorWithFocus)
        mAnchorRow = mFocusRow;
    } else if (mAnchorRow < count && mAnchorRow != row) {
      mFocusRow = mAnchorRow;
    } else {
      const std::vector<std::uint32_t>& selected = GetSelectedRows();
      if (selected.empty()) {
        mAnchorRow = -1;
        mFocusRow = -1;
        mSelectedCount = 0;
      } else {
        mAnchorRow = mFocusRow = static_cast<std::int32_t>(selected.back());
      }
    }
  } else if (mAnchorRow == row) {
    if (row + 1 < count && IsRowSelected(row + 1))
      mAnchorRow = row + 1;
    else if (row >= 1 && IsRowSelected(row - 1))
      mAnchorRow = row - 1;
    else
      mAnchorRow = -1;
  }
  FireSelectionChange();
  return S_OK;
}

void LListBox::ClearSelection() {
  const RCPtr<LControl> self(this);
  bool changed = false;
  for (std::int32_t row = GetItemCount(); row-- > 0;) {
    if (IsRowSelected(row)) {
      static_cast<void>(SetRowValue(row, 0.0));
      changed = true;
    }
  }
  mAnchorRow = -1;
  mFocusRow = -1;
  if (changed)
    FireSelectionChange();
}

void LListBox::FireSelectionChange() {
  OnSelectionChanged();
  if (!mDropDownMode)
    Notify(LNotification::Create(kSelectionChange));
}

void LListBox::ActivateRow(std::int32_t row) {
  if (row < 0 || row >= GetItemCount() || !CanSelectRow(row))
    return;
  const RCPtr<LControl> self(this);
  OnRowActivated(row);
  if (mDropDownMode)
    static_cast<void>(SetVisible(false));
  if (mParent)
    Notify(LNotification::Create(kItemActivated));
}

QZRESULT LListBox::SetDropDownMode(bool on) {
  for (std::int32_t k = 0; k < GetItemControlCount(); ++k) {
    if (const RCPtr<LListBoxItem> control = GetItemControlAt(k))
      control->SetInDropDown(on);
  }
  mDropDownMode = on;
  return S_OK;
}

// ---------------------------------------------------------------------------
// Text search

std::int32_t LListBox::FindRowByText(const WideString& text, bool caseSensitive) const {
  for (std::int32_t row = GetItemCount(); row-- > 0;) {
    const RCPtr<LTaggableObject>& item = GetItemRecord(row)->mItem;
    if (item && TextsMatch(item->ToString(), text, caseSensitive))
      return row;
  }
  return -1;
}

std::int32_t LListBox::SelectByText(const WideString& text, std::int32_t after, bool caseSensitive) {
  const std::int32_t count = GetItemCount();
  if (after < -1 || after >= count)
    after = -1;
  for (std::int32_t i = 1; i <= count; ++i) {
    const std::int32_t row = (after + i) % count;
    const RCPtr<LTaggableObject>& item = GetItemRecord(row)->mItem;
    if (item && TextsMatch(item->ToString(), text, caseSensitive))
      return SelectRange(row, -1, true);
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Row controls

RCPtr<LListBoxItem> LListBox::GetItemControlAt(std::int32_t index) const {
  if (index < 0 || index >= GetItemControlCount())
    return RCPtr<LListBoxItem>();
  const std::uint32_t position = mItemControls[static_cast<std::size_t>(index)];
  if (position >= mChildren.GetCount())
    return RCPtr<LListBoxItem>();
  return DynamicCast<LListBoxItem>(mChildren.GetAt(position, kCreationOrder));
}

std::int32_t LListBox::IndexOfItemControl(const LControl* control) const {
  if (!control)
    return -1;
  const std::int32_t position = mChildren.IndexOf(control);
  if (position < 0)
    return -1;
  for (std::size_t k = mItemControls.size(); k-- > 0;) {
    if (mItemControls[k] == static_cast<std::uint32_t>(position))
      return static_cast<std::int32_t>(k);
  }
  return -1;
}

std::int32_t LListBox::StepRows(std::int32_t from, std::int32_t steps) const {
  if (mHiddenCount == 0)
    return from + std::max(steps, 0);
  const std::int32_t count = GetItemCount();
  std::int32_t row = from;
  for (std::int32_t i = 0; i < steps; ++i) {
    ++row;
    while (row < count && GetItemRecord(row)->mHidden)
      ++row;
  }
  return row;
}

std::int32_t LListBox::CountShownRows(std::int32_t from, std::int32_t to, std::int32_t limit) const {
  if (to <= from || limit <= 0)
    return 0;
  if (mHiddenCount == 0)
    return std::min(to - from, limit);
  const std::int32_t count = GetItemCount();
  std::int32_t shown = 0;
  std::int32_t row = from;
  for (; row < to && row < count && shown < limit; ++row) {
    if (!GetItemRecord(row)->mHidden)
      ++shown;
  }
  // Rows past the last all count.
  if (row < to && shown < limit)
    shown += std::min(to - row, limit - shown);
  return shown;
}

std::int32_t LListBox::GetRowOfItemControl(const LControl* control) const {
  const std::int32_t k = IndexOfItemControl(control);
  return k < 0 ? -1 : StepRows(mFirstRow, k);
}

std::int32_t LListBox::LastShownRow(const LControl* control) const {
  const std::int32_t row = GetRowOfItemControl(control);
  return row < 0 ? -1 : StepRows(row, 1);
}

std::int32_t LListBox::GetItemControlIndex(std::int32_t row) const {
  if (row < mFirstRow || (row < GetItemCount() && GetItemRecord(row)->mHidden))
    return -1;
  // Counting stops where the row controls end: a row further down is not shown.
  const std::int32_t n = CountShownRows(mFirstRow, row, GetItemControlCount());
  return n < GetItemControlCount() ? n : -1;
}

QZRESULT LListBox::BindRow(std::int32_t row, std::int32_t& index) {
  index = -1;
  if (row < 0 || row < mFirstRow || (row < GetItemCount() && GetItemRecord(row)->mHidden))
    return S_FALSE;
  const std::int32_t n = CountShownRows(mFirstRow, row, GetItemControlCount());
  if (n >= GetItemControlCount())
    return S_FALSE;
  index = n;
  const RCPtr<LListBoxItem> control = GetItemControlAt(n);
  if (!control)
    return S_FALSE;
  const bool hasRow = row < GetItemCount();
  const SRowRecord empty;
  const SRowRecord& record = hasRow ? *GetItemRecord(row) : empty;
  // A blank row shows no text, whatever its item says.
  static_cast<void>(control->SetText(hasRow && !record.mBlank ? GetItemText(row) : WideString()));
  static_cast<void>(control->SetValue(record.mValue));
  if (control->IsMarked() != record.mMarked) {
    control->SetMarked(record.mMarked);
    control->RefreshLook();
  }
  control->SetEnabled(hasRow);
  control->SetBlank(record.mBlank);
  return S_OK;
}

void LListBox::KeepFirstRowShown() {
  const std::int32_t count = GetItemCount();
  if (mFirstRow >= count || !GetItemRecord(mFirstRow)->mHidden)
    return;
  // Rows inserted, removed or sorted around the first row left a hidden row
  // there, which no row control may show: the next row shown takes its place
  // (the rows above stay the same, and so does the offset), else the one before.
  std::int32_t row = mFirstRow;
  while (row < count && GetItemRecord(row)->mHidden)
    ++row;
  if (row < count) {
    mFirstRow = row;
    return;
  }
  row = mFirstRow;
  while (row > 0 && GetItemRecord(row)->mHidden)
    --row;
  if (GetItemRecord(row)->mHidden)
    return;
  mFirstRow = row;
  static_cast<void>(SetScrollOffset({mScrollOffset.x, CountShownRows(0, row) * static_cast<double>(mRowHeight)}));
}

QZRESULT LListBox::RebindFrom(std::int32_t row) {
  if (mItemControls.empty())
    return S_FALSE;
  KeepFirstRowShown();
  const RCPtr<LListBoxItem> lastControl = GetItemControlAt(GetItemControlCount() - 1);
  const std::int32_t last = LastShownRow(lastControl.GetRaw());
  QZRESULT result = S_FALSE;
  // Rows above the first shown one have no control to bind.
  for (std::int32_t r = std::max(row, mFirstRow); r <= last; ++r) {
    std::int32_t index = -1;
    result = BindRow(r, index);
    if (result < 0)
      break;
  }
  return result;
}

QZRESULT LListBox::CreateItemControl() {
  if (!mTemplateDescriptor)
    return E_FAIL;
  LControlFactory* factory = GetFrameworkApp() ? GetFrameworkApp()->GetControlFactory() : nullptr;
  if (!factory)
    return E_FAIL;
  const RCPtr<LLayoutDescriptor>& templateLayout = mTemplateDescriptor->GetLayout();
  const RCPtr<LLayoutDescriptor> layout =
      templateLayout ? templateLayout->Clone() : MakeRCPtr<LLayoutDescriptor>();
  AxisPlacement& y = layout->mPlacement[LLayoutDescriptor::kAxisY];
  y.mDocked = true;
  y.mAnchor = 0;
  y.mAbsolute = 0;
  const RCPtr<LListBoxItem> previous = GetItemControlAt(GetItemControlCount() - 1);
  if (previous) {
    // Directly under the row control before.
    y.mReference = kPositionControl;
    y.mReferenceName = previous->GetName();
    y.mRelative = 1.0f;
  } else {
    y.mReference = kPositionClient;
    y.mReferenceName = WideString();
    y.mRelative = 0;
  }
  layout->mTextOverflowX = kTextOverflowClip;
  const WideString name = Numbered(u"ItemControl", GetItemControlCount() + 1);
  const RCPtr<LControlDescriptor> descriptor = factory->CloneDescriptor(mTemplateDescriptor, layout, name);
  const RCPtr<LControl> self(this);
  const RCPtr<LControl> created = factory->CreateControl(descriptor, self);
  const RCPtr<LListBoxItem> control = DynamicCast<LListBoxItem>(created);
  const std::int32_t position = control && control->GetParent() == self ? mChildren.IndexOf(control.GetRaw()) : -1;
  if (position < 0) {
    // No row control came of it: nothing to show the rows with.
    if (created && created->GetParent() == self)
      static_cast<void>(created->Close());
    return E_FAIL;
  }
  WireItemControl(control);
  control->SetUseParentToolTip(true);
  mItemControls.push_back(static_cast<std::uint32_t>(position));
  // Rows measure in the first row control's font, and measured nothing without one.
  if (mItemControls.size() == 1)
    ForgetWidths();
  std::int32_t index = -1;
  static_cast<void>(BindRow(StepRows(mFirstRow, GetItemControlCount() - 1), index));
  return S_OK;
}

QZRESULT LListBox::EnsureItemControls() {
  if (mLayoutGuard || mSuspendLayout)
    return S_OK;
  if (!mRowHeightMeasured || !mTemplateDescriptor)
    return S_FALSE;
  const RCPtr<LControl> self(this);
  mLayoutGuard = true;
  const double bottom = mScrollOffset.y + GetClientRect().height;
  QZRESULT result = S_OK;
  for (;;) {
    const RCPtr<LListBoxItem> last = GetItemControlAt(GetItemControlCount() - 1);
    const double lastBottom = last ? last->GetBounds().y + last->GetBounds().height : 0.0;
    if (lastBottom >= bottom)
      break;
    // Row controls that take no height would never fill the view.
    if (last && last->GetBounds().height <= 0) {
      result = E_FAIL;
      break;
    }
    if (CreateItemControl() < 0) {
      result = E_FAIL;
      break;
    }
    const RCPtr<LListBoxItem> made = GetItemControlAt(GetItemControlCount() - 1);
    if (!made || made->GetBounds().height <= 0) {
      result = E_FAIL;
      break;
    }
  }
  mLayoutGuard = false;
  return result;
}

std::int32_t LListBox::CountControlsThatFit() const {
  const double bottom = mScrollOffset.y + GetClientRect().height;
  std::int32_t fit = 0;
  for (std::int32_t k = 0; k < GetItemControlCount(); ++k) {
    const RCPtr<LListBoxItem> control = GetItemControlAt(k);
    if (!control || control->GetBounds().y + control->GetBounds().height > bottom)
      break;
    ++fit;
  }
  return fit;
}

std::int32_t LListBox::RowAtPoint(const PointT<std::int32_t>& point) const {
  const RectT<double> client = GetClientRect();
  const double x = point.x - client.x;
  const double y = point.y - client.y;
  if (x < 0 || x >= client.width || y < 0 || y >= client.height)
    return -1;
  const double cx = x + mScrollOffset.x;
  const double cy = y + mScrollOffset.y;
  for (std::int32_t k = GetItemControlCount(); k-- > 0;) {
    const RCPtr<LListBoxItem> control = GetItemControlAt(k);
    if (!control)
      continue;
    const RectT<double>& b = control->GetBounds();
    if (cx >= b.x && cx < b.x + b.width && cy >= b.y && cy < b.y + b.height) {
      const std::int32_t row = GetRowOfItemControl(control.GetRaw());
      return row >= 0 && row < GetItemCount() ? row : -1;
    }
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Scrolling

QZRESULT LListBox::ScrollRowIntoView(std::int32_t row) {
  const std::int32_t count = GetItemCount();
  if (row < 0 || row >= count)
    return E_INVALIDARG;
  while (IsRowHidden(row) && row > 0)
    --row;
  while (IsRowHidden(row) && row < count - 1)
    ++row;
  if (IsRowHidden(row) || mItemControls.empty())
    return S_FALSE;
  const std::int32_t fit = CountControlsThatFit();
  const std::int32_t k = fit > 0 ? fit - 1 : 0;
  // The first row of the last k + 1 rows not hidden; -1 for none.
  std::int32_t maxFirst = -1;
  for (std::int32_t r = count, seen = 0; r-- > 0;) {
    if (!GetItemRecord(r)->mHidden && ++seen == k + 1) {
      maxFirst = r;
      break;
    }
  }
  const std::int32_t lastShown = StepRows(mFirstRow, k);
  if (mFirstRow <= row && row <= lastShown && (maxFirst < 0 || mFirstRow <= maxFirst))
    return S_OK;
  std::int32_t target = 0;
  if (maxFirst >= 0 && row > maxFirst) {
    target = maxFirst;
  } else if (row < mFirstRow) {
    target = row;
  } else {
    // The row becomes the last wholly shown one.
    target = -1;
    std::int32_t firstVisible = -1;
    for (std::int32_t r = row, seen = 0; r >= 0; --r) {
      if (GetItemRecord(r)->mHidden)
        continue;
      firstVisible = r;
      if (seen++ == k) {
        target = r;
        break;
      }
    }
    if (target < 0)
      target = firstVisible;
  }
  if (target == mFirstRow)
    return S_OK;
  const RCPtr<LControl> self(this);
  // Moving under a resting pointer must not select in a drop-down list.
  const bool dropDown = mDropDownMode;
  mDropDownMode = false;
  const double rows = CountShownRows(0, target);
  static_cast<void>(SetScrollOffset({mScrollOffset.x, rows * mRowHeight}));
  if (mFirstRow != target) {
    // The offset stayed (a hidden row made way): the first row moves all the same.
    mFirstRow = target;
    static_cast<void>(RebindFrom(mFirstRow));
  }
  mDropDownMode = dropDown;
  return S_OK;
}

void LListBox::UpdateVisibleRegion(const PointT<double>& oldOffset, const PointT<double>& newOffset) {
  if (newOffset.y != oldOffset.y && !mStaticRows && mRowHeight > 0) {
    const std::int32_t count = GetItemCount();
    std::int32_t target = 0;
    if (count > 0) {
      target = static_cast<std::int32_t>(std::trunc(newOffset.y / mRowHeight));
      target = std::max(target, 0);
      for (std::int32_t r = 0; mHiddenCount > 0 && r <= target && r < count; ++r) {
        if (GetItemRecord(r)->mHidden)
          ++target;
      }
      if (target >= count) {
        target = count - 1;
        while (target > 0 && GetItemRecord(target)->mHidden)
          --target;
      }
    }
    if (target != mFirstRow) {
      const RCPtr<LControl> self(this);
      mFirstRow = target;
      static_cast<void>(RebindFrom(mFirstRow));
      // The row control under a resting pointer now shows another row: its
      // hover is worked out again.
      const RCPtr<IRootWindow>& rootWindow = GetRootWindowSlot();
      const RCPtr<LControl> hover = rootWindow ? rootWindow->GetHoverControl() : RCPtr<LControl>();
      if (hover && hover->GetParent() == self && IndexOfItemControl(hover.GetRaw()) >= 0) {
        static_cast<void>(hover->SetVisible(false));
        static_cast<void>(hover->SetVisible(true));
      }
    }
  }
  LScrollView::UpdateVisibleRegion(oldOffset, newOffset);
}

void LListBox::OnSizeChanged() {
  LScrollView::OnSizeChanged();
  static_cast<void>(EnsureItemControls());
  static_cast<void>(ScrollRowIntoView(mFirstRow));
}

void LListBox::InvalidateChildArea(const RCPtr<LControl>& child) {
  LScrollView::InvalidateChildArea(child);
  static_cast<void>(EnsureItemControls());
}

void LListBox::OnChildRemoved(const RCPtr<LControl>& child, std::int32_t formerIndex) {
  if (formerIndex >= 0) {
    const auto position = static_cast<std::uint32_t>(formerIndex);
    const auto found = std::find(mItemControls.begin(), mItemControls.end(), position);
    if (found != mItemControls.end()) {
      // The first row control (the rows' font) may be another one now.
      if (found == mItemControls.begin())
        ForgetWidths();
      mItemControls.erase(found);
    }
    for (std::uint32_t& entry : mItemControls) {
      if (entry > position)
        --entry;
    }
  }
  LScrollView::OnChildRemoved(child, formerIndex);
}

// ---------------------------------------------------------------------------
// Measuring and sizes

QZRESULT LListBox::MeasureRowHeight(const RCPtr<LControl>& itemControl) {
  if (!itemControl)
    return S_OK;
  const RCPtr<LControl> self(this);
  const double listWidth = std::trunc(mBounds.width);

  // The width outside the text: the text area's insets in the row control's look.
  double margin = 0;
  const RCPtr<LLook>& look = itemControl->GetLook(-1);
  const RCPtr<LLookDescriptor> lookDescriptor = look ? look->GetDescriptor() : RCPtr<LLookDescriptor>();
  if (lookDescriptor && lookDescriptor->HasTextProperties()) {
    const TextProperties& text = lookDescriptor->GetTextProperties();
    const double w = itemControl->GetBounds().width;
    const double span = (text.mRightRel * w + text.mRightAbs) - (text.mLeftRel * w + text.mLeftAbs);
    margin = w - span;
  }
  const RCPtr<LFontText> empty = MakeRCPtr<LFontText>(WideString(), itemControl->GetFontRef());
  mTextMargin = Round(margin + empty->GetLine(0).width);
  // Another margin, perhaps another font: every row measures anew.
  ForgetWidths();
  const RCPtr<LFontText> sample = MakeRCPtr<LFontText>(WideString(kRowHeightSample), itemControl->GetFontRef());
  mRowHeight = Round(sample->GetLine(0).height);
  if (mRowHeight < 1)
    mRowHeight = kDefaultRowHeight;

  // A template that grows with its text lets the list be no narrower than it was made.
  SizeLimitSpec minimum;
  SizeLimitSpec maximum;
  if (mLayout && mLayout->GetAxisSizeLimits(LLayoutDescriptor::kAxisX, minimum, maximum) == S_OK &&
      TemplateExpands() && minimum.mAbsolute == 0 && listWidth > 0) {
    minimum.mAbsolute = listWidth;
    static_cast<void>(SetAxisSizeLimits(LLayoutDescriptor::kAxisX, minimum, maximum));
  }
  // The width as the skin gives it (an earlier fit to the content is undone).
  if (mLayout && mDescriptor && mDescriptor->GetLayout()) {
    static_cast<void>(SetAxisPlacement(LLayoutDescriptor::kAxisX, mLayout->mPlacement[LLayoutDescriptor::kAxisX],
                                       mDescriptor->GetLayout()->mSize[LLayoutDescriptor::kAxisX]));
  }
  if (mDropDownMode)
    static_cast<void>(SetHeightForContent(mRowHeight * std::max(GetItemCount(), 1)));
  mRowHeightMeasured = true;
  return S_OK;
}

std::int32_t LListBox::MeasureRowWidth(std::int32_t row) {
  if (row < 0 || row >= GetItemCount())
    return 0;
  const RCPtr<LListBoxItem> control = GetItemControlAt(0);
  if (!control)
    return 0;
  IFrameworkApp* app = GetFrameworkApp();
  const RCPtr<LRenderer> renderer = app ? app->GetRenderer() : RCPtr<LRenderer>();
  const double width =
      renderer ? LFontText::MeasuredWidth(*renderer, GetItemText(row), control->GetFontRef()) : 0.0;
  return static_cast<std::int32_t>(std::trunc(mTextMargin + (width + 0.5)));
}

std::int32_t LListBox::GetContentHeight() const { return (GetItemCount() - mHiddenCount) * mRowHeight; }

bool LListBox::TemplateExpands() const {
  return mTemplateDescriptor && mTemplateDescriptor->GetLayout() &&
         mTemplateDescriptor->GetLayout()->mTextOverflowX == kTextOverflowExpand;
}

double LListBox::ScrollBarWidth() const { return GetScrollBarSize().width; }

QZRESULT LListBox::SetContentWidth(std::int32_t width) {
  if (mBulkUpdate || width == mContentWidth)
    return S_FALSE;
  mContentWidth = width;
  static_cast<void>(LayoutItemControls());
  if (TemplateExpands())
    static_cast<void>(SetWidthForContent(ScrollBarWidth() + mContentWidth));
  return S_OK;
}

QZRESULT LListBox::RecomputeContentWidth() {
  if (mBulkUpdate)
    return S_FALSE;
  mWidthCounts.clear();
  mCountedWidths = 0;
  mWidthsKnown = true;
  for (std::int32_t row = 0; row < GetItemCount(); ++row)
    CountWidth(MeasureRowWidth(row));
  return SetContentWidth(mWidthCounts.empty() ? 0 : mWidthCounts.rbegin()->first);
}

void LListBox::CountWidth(std::int32_t width) {
  // The only row starts the counts afresh.
  if (!mWidthsKnown && GetItemCount() == 1) {
    mWidthCounts.clear();
    mCountedWidths = 0;
    mWidthsKnown = true;
  }
  if (!mWidthsKnown)
    return;
  ++mWidthCounts[width];
  ++mCountedWidths;
}

void LListBox::UncountWidth(std::int32_t width) {
  if (!mWidthsKnown)
    return;
  const auto found = mWidthCounts.find(width);
  if (found == mWidthCounts.end()) {
    // The row measures otherwise than when it was counted.
    ForgetWidths();
    return;
  }
  if (--found->second == 0)
    mWidthCounts.erase(found);
  --mCountedWidths;
}

void LListBox::ForgetWidths() {
  mWidthCounts.clear();
  mCountedWidths = 0;
  // An empty list's counts are complete as they stand.
  mWidthsKnown = GetItemCount() == 0;
}

QZRESULT LListBox::ContentWidthAfterWidestChanged() {
  if (mBulkUpdate)
    return S_FALSE;
  if (!mWidthsKnown || mCountedWidths != GetItemCount())
    return RecomputeContentWidth();
  return SetContentWidth(mWidthCounts.empty() ? 0 : mWidthCounts.rbegin()->first);
}

QZRESULT LListBox::LayoutItemControls() {
  if (mBulkUpdate)
    return S_FALSE;
  const RCPtr<LLayoutDescriptor> templateLayout =
      mTemplateDescriptor ? mTemplateDescriptor->GetLayout() : RCPtr<LLayoutDescriptor>();
  const bool fixedWidth =
      !templateLayout || templateLayout->mSize[LLayoutDescriptor::kAxisX].mReference == kSizeSelf;
  const QZRESULT result = SetClientExtent(fixedWidth ? mContentWidth : 0, GetContentHeight());
  // Only template rows follow the content width; static rows stay where the skin put them.
  if (fixedWidth && templateLayout) {
    for (std::int32_t k = 0; k < GetItemControlCount(); ++k) {
      const RCPtr<LListBoxItem> control = GetItemControlAt(k);
      if (!control)
        continue;
      AxisPlacement placement;
      placement.mAnchor = 0.5f;
      placement.mReference = kPositionClient;
      placement.mRelative = 0.5f;
      placement.mAbsolute = 0;
      SizeSpec size;
      size.mReference = kSizeSelf;
      size.mRelative = 0;
      size.mAbsolute = mContentWidth;
      static_cast<void>(control->SetAxisPlacement(LLayoutDescriptor::kAxisX, placement, size));
    }
  }
  return result;
}

QZRESULT LListBox::SetHeightForContent(double height) {
  if (mBulkUpdate || !mLayout)
    return S_FALSE;
  SizeSpec size;
  size.mReference = kSizeSelf;
  size.mRelative = 0;
  size.mAbsolute = Round(mBounds.height - GetClientRect().height + height);
  return SetAxisPlacement(LLayoutDescriptor::kAxisY, mLayout->mPlacement[LLayoutDescriptor::kAxisY], size);
}

QZRESULT LListBox::SetWidthForContent(double width) {
  if (mBulkUpdate || !mLayout)
    return S_FALSE;
  SizeSpec size;
  size.mReference = kSizeSelf;
  size.mRelative = 0;
  size.mAbsolute = Round(mBounds.width - GetClientRect().width + width);
  return SetAxisPlacement(LLayoutDescriptor::kAxisX, mLayout->mPlacement[LLayoutDescriptor::kAxisX], size);
}

void LListBox::OnScrollBarShownChanged(bool vertical) {
  LScrollView::OnScrollBarShownChanged(vertical);
  if (vertical && TemplateExpands())
    static_cast<void>(SetWidthForContent(ScrollBarWidth() + mContentWidth));
}

QZRESULT LListBox::SnapSizeLimitsToRows() {
  if (!mLayout || mRowHeight <= 0)
    return S_FALSE;
  const double nonClient = std::trunc(mBounds.height - GetClientRect().height);
  const auto snap = [&](double v) {
    return std::max(nonClient + mRowHeight * std::trunc((v - nonClient) / mRowHeight), nonClient + mRowHeight);
  };
  SizeLimitSpec minimum;
  SizeLimitSpec maximum;
  if (mLayout->GetAxisSizeLimits(LLayoutDescriptor::kAxisY, minimum, maximum) == S_OK) {
    if (minimum.mAbsolute > nonClient)
      minimum.mAbsolute = snap(minimum.mAbsolute);
    if (maximum.mAbsolute > nonClient)
      maximum.mAbsolute = snap(maximum.mAbsolute);
    if (minimum.mAbsolute > 0 || maximum.mAbsolute > 0)
      static_cast<void>(SetAxisSizeLimits(LLayoutDescriptor::kAxisY, minimum, maximum));
  }
  SizeSpec size = mLayout->mSize[LLayoutDescriptor::kAxisY];
  if (size.mAbsolute > 0) {
    size.mAbsolute =
        std::max(nonClient + mRowHeight * std::trunc(size.mAbsolute / mRowHeight), nonClient + mRowHeight);
    static_cast<void>(
        SetAxisPlacement(LLayoutDescriptor::kAxisY, mLayout->mPlacement[LLayoutDescriptor::kAxisY], size));
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Rows from parameters, sorting

QZRESULT LListBox::ReadItemParams(const RCPtr<LStringTable>& table) {
  if (!table)
    return E_INVALIDARG;
  const RCPtr<LControl> self(this);
  static_cast<void>(RemoveAllItems());
  LStringTable::SortedEntries entries;
  static_cast<void>(table->GetSortedEntriesWithPrefix(WideString(kItemParamPrefix), entries));
  std::vector<WideString> texts;
  const WideString prefix(kItemParamPrefix);
  for (std::uint32_t i = 0; i < entries.GetCount(); ++i) {
    const WideString number = entries.GetAt(i).mKey.MidToEnd(static_cast<std::int32_t>(prefix.GetLength()));
    const std::int32_t n = number.ToInt();
    // A number from the skin text sizes the list: none before the first row, none in the millions.
    if (n < 0 || n > kMaxItemParamIndex)
      continue;
    if (texts.size() < static_cast<std::size_t>(n) + 1)
      texts.resize(static_cast<std::size_t>(n) + 1);
    texts[static_cast<std::size_t>(n)] = entries.GetAt(i).mValue;
  }
  mBulkUpdate = true;
  static_cast<void>(SetItemCount(static_cast<std::int32_t>(texts.size())));
  mBulkUpdate = true;
  for (std::size_t i = 0; i < texts.size(); ++i)
    static_cast<void>(SetItem(static_cast<std::int32_t>(i), MakeTextItem(texts[i])));
  mBulkUpdate = false;
  static_cast<void>(LayoutItemControls());
  static_cast<void>(RecomputeContentWidth());
  if (mDropDownMode)
    static_cast<void>(SetHeightForContent(GetContentHeight()));
  return S_OK;
}

bool LListBox::SortItems() { return SortRange(0, GetItemCount()) >= 0; }

QZRESULT LListBox::SortRange(std::int32_t start, std::int32_t count) {
  if (count == 0)
    return S_FALSE;
  if (start < 0 || count < 0 || start > GetItemCount() - count)
    return E_INVALIDARG;
  const RCPtr<LControl> self(this);
  struct SEntry {
    std::int32_t row;
    WideString text;
  };
  std::vector<SEntry> entries;
  entries.reserve(static_cast<std::size_t>(count));
  for (std::int32_t row = start; row < start + count; ++row)
    entries.push_back({row, GetItemText(row)});
  // Stable: rows equal but for case keep their order.
  std::stable_sort(entries.begin(), entries.end(), [](const SEntry& a, const SEntry& b) {
    return a.text.GetChars() != b.text.GetChars() && a.text.CompareIgnoringCase(b.text) < 0;
  });
  // Anchor and focus follow their rows.
  bool anchorMoved = false;
  bool focusMoved = false;
  for (std::int32_t k = 0; k < count; ++k) {
    const std::int32_t from = entries[static_cast<std::size_t>(k)].row;
    if (!anchorMoved && from == mAnchorRow) {
      mAnchorRow = start + k;
      anchorMoved = true;
    }
    if (!focusMoved && from == mFocusRow) {
      mFocusRow = start + k;
      focusMoved = true;
    }
  }
  // The records into sorted order by swaps: where each original row is now, and which is at each place.
  std::vector<std::int32_t> location(static_cast<std::size_t>(count));
  std::vector<std::int32_t> occupant(static_cast<std::size_t>(count));
  std::iota(location.begin(), location.end(), 0);
  std::iota(occupant.begin(), occupant.end(), 0);
  for (std::int32_t k = 0; k < count; ++k) {
    const std::int32_t wanted = entries[static_cast<std::size_t>(k)].row - start;
    const std::int32_t at = location[static_cast<std::size_t>(wanted)];
    if (at == k)
      continue;
    static_cast<void>(SwapRows(start + k, start + at));
    const std::int32_t displaced = occupant[static_cast<std::size_t>(k)];
    occupant[static_cast<std::size_t>(at)] = displaced;
    location[static_cast<std::size_t>(displaced)] = at;
    occupant[static_cast<std::size_t>(k)] = wanted;
    location[static_cast<std::size_t>(wanted)] = k;
  }
  static_cast<void>(RebindFrom(mFirstRow));
  if (mFocusRow >= 0)
    static_cast<void>(ScrollRowIntoView(mFocusRow));
  return S_OK;
}

// ---------------------------------------------------------------------------
// Mouse

RCPtr<LListBoxItem> LListBox::ItemControlOf(const RCPtr<LNotificationDistributor>& source) const {
  const RCPtr<LListBoxItem> control = DynamicCast<LListBoxItem>(source);
  return control && IndexOfItemControl(control.GetRaw()) >= 0 ? control : RCPtr<LListBoxItem>();
}

RCPtr<LMouseButtonParam> LListBox::ToListEvent(const RCPtr<LListBoxItem>& itemControl,
                                               const RCPtr<LMouseButtonParam>& event) const {
  const PointT<double> offset = itemControl->GetOffsetInParent();
  const PointT<double> point{std::clamp(event->mPoint.x + offset.x, -kUnbounded, kUnbounded),
                             std::clamp(event->mPoint.y + offset.y, -kUnbounded, kUnbounded)};
  return LMouseButtonParam::Create(event->mButton, point.RoundToLong(), event->mModifiers, event->mDoubleClick,
                                   event->mButtonState, event->mPointerIndex);
}

std::int32_t LListBox::OnItemMouseDown(const RCPtr<LNotificationDistributor>& source,
                                       const RCPtr<LNotification>& notification) {
  const RCPtr<LListBoxItem> control = ItemControlOf(source);
  const RCPtr<LMouseButtonParam> event = DynamicCast<LMouseButtonParam>(notification->GetPayload());
  if (!control || !event || mDropDownMode)
    return 1;
  const RCPtr<LControl> self(this);
  if (event->mButton == kMouseButtonLeft) {
    if (mMultiSelect) {
      const std::int32_t row = GetRowOfItemControl(control.GetRaw());
      if (row >= 0 && row < GetItemCount() && !IsRowSelected(row)) {
        ClickSelect(control, event);
        mPressedRow = row;
      }
    } else {
      ClickSelect(control, event);
    }
  } else if (event->mButton == kMouseButtonRight) {
    RightClickRow(control, event);
  }
  return 1;
}

std::int32_t LListBox::OnItemMouseUp(const RCPtr<LNotificationDistributor>& source,
                                     const RCPtr<LNotification>& notification) {
  const RCPtr<LListBoxItem> control = ItemControlOf(source);
  const RCPtr<LMouseButtonParam> event = DynamicCast<LMouseButtonParam>(notification->GetPayload());
  if (!control || !event || mDropDownMode || event->mButton != kMouseButtonLeft || !mMultiSelect)
    return 1;
  const RCPtr<LControl> self(this);
  const std::int32_t row = GetRowOfItemControl(control.GetRaw());
  if (IsRowSelected(row) && row != mPressedRow)
    ClickSelect(control, event);
  mPressedRow = -1;
  return 1;
}

void LListBox::ClickSelect(const RCPtr<LListBoxItem>& itemControl, const RCPtr<LMouseButtonParam>& event) {
  const std::int32_t row = GetRowOfItemControl(itemControl.GetRaw());
  if (row < 0 || row >= GetItemCount())
    return;
  const RCPtr<LMouseButtonParam> listEvent = ToListEvent(itemControl, event);
  const auto toggle = [&] {
    if (itemControl->GetNormalizedValue() >= 0.5)
      static_cast<void>(DeselectRow(row));
    else
      static_cast<void>(SelectRange(row, row, false));
  };
  if (!mMultiSelect) {
    static_cast<void>(SelectRange(row, row, true));
    MovePressTo(itemControl, row, kMouseButtonLeft, event);
  } else if (mSelectMode == kSelectExtended) {
    const bool ctrl = (listEvent->mModifiers & kModifierCtrl) != 0;
    const bool shift = (listEvent->mModifiers & kModifierShift) != 0;
    if (ctrl && shift) {
      mAnchorRow = mFocusRow = row;
      static_cast<void>(SelectRange(row, row, false));
    } else if (shift) {
      mFocusRow = row;
      static_cast<void>(SelectRange(mAnchorRow >= 0 ? mAnchorRow : row, row, true));
    } else if (ctrl) {
      toggle();
    } else {
      static_cast<void>(SelectRange(row, row, true));
    }
  } else {
    toggle();
  }
  if (listEvent->mDoubleClick != 0)
    Notify(LNotification::Create(kItemDoubleClicked));
}

void LListBox::RightClickRow(const RCPtr<LListBoxItem>& itemControl, const RCPtr<LMouseButtonParam>& event) {
  const std::int32_t row = GetRowOfItemControl(itemControl.GetRaw());
  if (!event || row < 0 || row >= GetItemCount())
    return;
  if (event->mDoubleClick == 0) {
    const RCPtr<LHolder<std::int32_t>> holder = LHolder<std::int32_t>::Create();
    if (holder->mValue)
      *holder->mValue = row;
    Notify(LNotification::Create(kItemRightClick, holder));
  }
  MovePressTo(itemControl, row, kMouseButtonRight, event);
}

void LListBox::MovePressTo(const RCPtr<LListBoxItem>& clicked, std::int32_t row, std::uint32_t button,
                           const RCPtr<LMouseButtonParam>& event) {
  const RCPtr<LListBoxItem> showing = GetItemControlAt(GetItemControlIndex(row));
  if (showing && showing != clicked)
    clicked->MovePressTo(showing, button, event->mPoint);
}

void LListBox::SendItemConditions(const char16_t* id, const RCPtr<LListBoxItem>& itemControl,
                                  const RCPtr<LConditionsParam>& conditions) {
  const RCPtr<LItemConditionsParam> param =
      LItemConditionsParam::Create(*conditions, GetRowOfItemControl(itemControl.GetRaw()),
                                   itemControl->GetFirstVisibleLookIndex(), itemControl->IsMouseInside());
  Notify(LNotification::Create(id, param));
}

std::int32_t LListBox::OnItemHoverChange(const RCPtr<LNotificationDistributor>& source,
                                         const RCPtr<LNotification>& notification) {
  const RCPtr<LListBoxItem> control = ItemControlOf(source);
  const RCPtr<LConditionsParam> conditions = DynamicCast<LConditionsParam>(notification->GetPayload());
  if (!control || !conditions || !control->IsEnabled(true))
    return 1;
  const RCPtr<LControl> self(this);
  if (mDropDownMode && (conditions->mCurrentBits & kConditionHover) != 0 &&
      (conditions->mPreviousBits & kConditionHover) == 0) {
    const std::int32_t row = GetRowOfItemControl(control.GetRaw());
    if (row >= 0 && row < GetItemCount())
      static_cast<void>(SelectRange(row, -1, true));
  }
  SendItemConditions(kItemHoverChange, control, conditions);
  return 1;
}

std::int32_t LListBox::OnItemLeftDragChange(const RCPtr<LNotificationDistributor>& source,
                                            const RCPtr<LNotification>& notification) {
  const RCPtr<LListBoxItem> control = ItemControlOf(source);
  const RCPtr<LConditionsParam> conditions = DynamicCast<LConditionsParam>(notification->GetPayload());
  if (!control || !conditions || !control->IsEnabled(true))
    return 1;
  SendItemConditions(kItemLeftDragChange, control, conditions);
  return 1;
}

void LListBox::HandleMouseMove(const RCPtr<LPointWithModifiersParam>& param) {
  LScrollView::HandleMouseMove(param);
  if (!param || !mDropDownMode || !mCaptured || !mLeftDragging)
    return;
  const RCPtr<LControl> self(this);
  const std::int32_t row = RowAtPoint(param->mPoint);
  if (row < 0)
    ClearSelection();
  else if (CanSelectRow(row))
    static_cast<void>(SelectRange(row, -1, true));
}

bool LListBox::IsDropDownOwner(const LControl& parent) const {
  const std::string type = RunTimeTypeName(typeid(parent));
  return type == "class QZ::LComboBox" || type == "class QZ::LComboMenu";
}

void LListBox::HandleLeftButtonUp(const RCPtr<LMouseButtonParam>& param) {
  LScrollView::HandleLeftButtonUp(param);
  if (!param || !mDropDownMode)
    return;
  const RCPtr<LControl> self(this);
  const std::int32_t row = RowAtPoint(param->mPoint);
  if (row >= 0 && mParent) {
    ActivateRow(row);
    return;
  }
  if (!mParent || !IsDropDownOwner(*mParent))
    return;
  // A release over the owner (its own button) leaves the list open.
  PointT<double> point{static_cast<double>(param->mPoint.x), static_cast<double>(param->mPoint.y)};
  const PointT<double> offset = GetOffsetInParent();
  point.x += offset.x;
  point.y += offset.y;
  const RectT<double>& owner = mParent->GetBounds();
  if (point.x >= 0 && point.x < owner.width && point.y >= 0 && point.y < owner.height)
    return;
  static_cast<void>(SetVisible(false));
}

// ---------------------------------------------------------------------------
// Keys and looks

void LListBox::PassKeyToBar(const RCPtr<LScrollbar>& bar, const RCPtr<LKeyParam>& key) {
  if (bar)
    static_cast<UITarget*>(bar.GetRaw())->OnKey(key);
}

std::int32_t LListBox::FindSelectableRow(std::int32_t from, std::int32_t step) const {
  for (std::int32_t row = from; row >= 0 && row < GetItemCount(); row += step) {
    if (CanSelectRow(row))
      return row;
  }
  return -1;
}

QZRESULT LListBox::HandleKey(const RCPtr<LKeyParam>& key) {
  if (!key)
    return S_FALSE;
  const RCPtr<LControl> self(this);
  const std::uint32_t code = key->mKey.Bits();
  const auto selectFound = [&](std::int32_t row, bool extend) {
    if (row < 0)
      return;
    if (extend && mMultiSelect)
      static_cast<void>(SelectRange(mAnchorRow >= 0 ? mAnchorRow : row, row, false));
    else
      static_cast<void>(SelectRange(row, -1, true));
  };
  switch (code) {
  case kKeyUp:
  case kKeyShiftUp:
    if (mFocusRow - 1 >= 0 && mFocusRow - 1 < GetItemCount())
      selectFound(FindSelectableRow(mFocusRow - 1, -1), code == kKeyShiftUp);
    return S_OK;
  case kKeyDown:
  case kKeyShiftDown: {
    const std::int32_t next = mFocusRow + 1;
    if (next >= 0 && next < GetItemCount())
      selectFound(FindSelectableRow(next, 1), code == kKeyShiftDown);
    return S_OK;
  }
  case kKeyLeft:
  case kKeyRight:
    PassKeyToBar(GetHorizontalBar(), key);
    return S_OK;
  case kKeyPageUp:
  case kKeyPageDown:
    PassKeyToBar(GetVerticalBar(), key);
    return S_OK;
  case kKeyHome:
  case kKeyEnd:
    PassKeyToBar(GetHorizontalBar(), key);
    PassKeyToBar(GetVerticalBar(), key);
    return S_OK;
  case kKeyEnter:
    if (mFocusRow >= 0)
      ActivateRow(mFocusRow);
    return S_OK;
  default:
    return S_FALSE;
  }
}

void LListBox::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  LScrollView::OnConditionsChanged(conditions);
  if (!conditions)
    return;
  const std::uint32_t changed = conditions->mPreviousBits ^ conditions->mCurrentBits;
  if ((changed & (kConditionEnabled | kConditionHasFocus)) == 0)
    return;
  std::int32_t look = !IsEnabled(true) ? kListLookDisabled : mHasFocus ? kListLookFocused : kListLookNormal;
  if (static_cast<std::uint32_t>(look) >= GetLookCount())
    look = kListLookNormal;
  static_cast<void>(SelectLook(look));
}

} // namespace QZ
