#include "QZFramework/Controls/MultiColumnListBox.h"

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/ObjectBase/Exception.h"

#include <algorithm>
#include <compare>
#include <cstdint>
#include <string>
#include <vector>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "Controls\\MultiColumnListBox";
constexpr const char* kPerformSortFunction = "QZ::LMultiColumnListBox::PerformSort";
constexpr int kUnsubscribeLine = 725;
constexpr int kResubscribeLine = 768;

constexpr const char16_t* kColumnNameFormat = u"listboxNoScroll%d";
constexpr const char16_t* kHeaderNameFormat = u"buttonColumnHeader%d";

constexpr const char16_t* kItemHoverChange = u"NID_ITEM_HOVER_CONDITION_CHANGE";
constexpr const char16_t* kSelectionChange = u"NID_SELECTION_CHANGE";
constexpr const char16_t* kItemActivated = u"NID_ITEM_ACTIVATED";
constexpr const char16_t* kItemDoubleClicked = u"NID_ITEM_DOUBLE_CLICKED";
constexpr const char16_t* kItemRightClick = u"NID_ITEM_RIGHT_CLICK";
constexpr const char16_t* kScrollOffsetChange = u"NID_SCROLL_OFFSET_CHANGE";
constexpr const char16_t* kClientExtentChange = u"NID_CLIENT_EXTENT_CHANGE";
constexpr const char16_t* kLeftClick = u"NID_LEFT_CLICK";

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

// The control's vertical placement again, docked: it keeps its place when the
// table scrolls vertically.
void DockVertically(const RCPtr<LControl>& control) {
  const RCPtr<LLayoutDescriptor>& layout = control->GetLayout();
  AxisPlacement placement;
  SizeSpec size;
  if (!layout || layout->GetAxisLayout(LLayoutDescriptor::kAxisY, placement, size) != S_OK)
    return;
  placement.mDocked = true;
  static_cast<void>(control->SetAxisPlacement(LLayoutDescriptor::kAxisY, placement, size));
}

// Ascending by text ignoring case; one stored text is equal to itself.
bool TextBefore(const WideString& a, const WideString& b) {
  return a.GetChars() != b.GetChars() && a.CompareIgnoringCase(b) < 0;
}

// The first eight characters of a text folded as CompareIgnoringCase folds
// them (0 past the end), packed so that two keys compare as their texts' first
// eight characters do: texts whose keys differ are ordered by their keys
// without reading the texts, which lie all over the heap.
struct SSortKey {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  auto operator<=>(const SSortKey&) const = default;
};

SSortKey MakeSortKey(const WideString& text) {
  const char16_t* c = text.GetChars();
  SSortKey key;
  for (std::uint64_t* word : {&key.high, &key.low}) {
    for (int i = 0; i < 4; ++i) {
      std::uint64_t unit = 0;
      if (*c != u'\0') {
        unit = static_cast<std::uint16_t>(*c++);
        if (unit >= 'A' && unit <= 'Z')
          unit += 'a' - 'A';
      }
      *word = *word << 16 | unit;
    }
  }
  return key;
}

} // namespace

RCPtr<LControl>& LMultiColumnListBox::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                             const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LMultiColumnListBox>(out, parent, descriptor);
}

// ---------------------------------------------------------------------------
// Creation

QZRESULT LMultiColumnListBox::Initialize() {
  const QZRESULT panelResult = LPanel::Initialize();
  mTableHandler = LNotificationHandler<LMultiColumnListBox>::Create(this);
  const RCPtr<LControl> self(this);

  // The subscriptions' results are not needed: a column that cannot be heard
  // simply does not take part.
  for (std::int32_t n = 1;; ++n) {
    const RCPtr<LListBox> column = DynamicCast<LListBox>(FindChild(WideString(kColumnNameFormat, n)));
    if (!column)
      break;
    mColumns.push_back(column);
    const RCPtr<LNotificationDistributor> source = AsDistributor(RCPtr<LControl>(column));
    static_cast<void>(
        mTableHandler->Register(&LMultiColumnListBox::OnColumnHoverChange, source, kItemHoverChange));
    static_cast<void>(
        mTableHandler->Register(&LMultiColumnListBox::OnColumnSelectionChange, source, kSelectionChange));
    static_cast<void>(mTableHandler->Register(&LMultiColumnListBox::OnColumnActivated, source, kItemActivated));
    static_cast<void>(
        mTableHandler->Register(&LMultiColumnListBox::OnColumnDoubleClicked, source, kItemDoubleClicked));
    static_cast<void>(mTableHandler->Register(&LMultiColumnListBox::OnColumnRightClick, source, kItemRightClick));
    if (n == 1) {
      static_cast<void>(
          mTableHandler->Register(&LMultiColumnListBox::OnFirstColumnScrolled, source, kScrollOffsetChange));
      static_cast<void>(
          mTableHandler->Register(&LMultiColumnListBox::OnFirstColumnExtentChange, source, kClientExtentChange));
    }
    DockVertically(RCPtr<LControl>(column));
  }

  for (std::int32_t n = 1;; ++n) {
    const RCPtr<LButton> header = DynamicCast<LButton>(FindChild(WideString(kHeaderNameFormat, n)));
    if (!header)
      break;
    mHeaderButtons.push_back(header);
    static_cast<void>(mTableHandler->Register(&LMultiColumnListBox::OnHeaderClick,
                                              AsDistributor(RCPtr<LControl>(header)), kLeftClick));
    DockVertically(RCPtr<LControl>(header));
  }

  QZRESULT result = panelResult;
  if (!mHeaderButtons.empty())
    result = mHeaderButtons.size() == mColumns.size() ? kHeadersMatchColumns : kHeadersDoNotMatchColumns;
  mSortAscending.assign(mColumns.size(), true);
  static_cast<void>(SetAutoClientExtent(kAutoExtentOff, 0, 0));
  // The vertical bar moves in whole rows; the row height comes in FinishInitialize.
  SetLineMode(kVerticalBar, true, 0);
  return result;
}

QZRESULT LMultiColumnListBox::FinishInitialize() {
  if (mColumns.empty())
    return S_OK;
  const RCPtr<LControl> self(this);
  for (std::size_t i = 1; i < mColumns.size(); ++i)
    mColumns[i]->SetNotFocusable(true);
  SetLineMode(kVerticalBar, true, mColumns.front()->GetRowHeight());
  UpdateScrollBarRanges();
  ResetColumnSizeLimits();
  static_cast<void>(UpdateClientExtent());
  return S_OK;
}

void LMultiColumnListBox::ResetColumnSizeLimits() {
  for (std::size_t i = mColumns.size(); i-- > 0;) {
    const RCPtr<LListBox>& column = mColumns[i];
    const RCPtr<LControlDescriptor>& descriptor = column->GetDescriptor();
    const RCPtr<LLayoutDescriptor> skin = descriptor ? descriptor->GetLayout() : RCPtr<LLayoutDescriptor>();
    const RCPtr<LLayoutDescriptor>& layout = column->GetLayout();
    if (!skin || !layout)
      continue;
    SizeLimitSpec minimum;
    SizeLimitSpec maximum;
    if (skin->mMaxSize[LLayoutDescriptor::kAxisX].mAbsolute == 0 &&
        layout->GetAxisSizeLimits(LLayoutDescriptor::kAxisX, minimum, maximum) == S_OK) {
      maximum.mRelative = 0;
      maximum.mAbsolute = 0;
      static_cast<void>(column->SetAxisSizeLimits(LLayoutDescriptor::kAxisX, minimum, maximum));
    }
    const bool noMinimum = skin->mMinSize[LLayoutDescriptor::kAxisY].mAbsolute == 0;
    const bool noMaximum = skin->mMaxSize[LLayoutDescriptor::kAxisY].mAbsolute == 0;
    if ((noMinimum || noMaximum) &&
        layout->GetAxisSizeLimits(LLayoutDescriptor::kAxisY, minimum, maximum) == S_OK) {
      if (noMinimum) {
        // At least one row.
        minimum.mRelative = 0;
        minimum.mAbsolute = column->GetRowHeight();
      }
      if (noMaximum) {
        maximum.mRelative = 0;
        maximum.mAbsolute = 0;
      }
      static_cast<void>(column->SetAxisSizeLimits(LLayoutDescriptor::kAxisY, minimum, maximum));
    }
  }
}

std::int32_t LMultiColumnListBox::Receive(const RCPtr<LNotificationDistributor>& source,
                                          const RCPtr<LNotification>& notification) {
  if (!mCreated)
    return 0;
  if (mTableHandler) {
    const std::int32_t handled = mTableHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LPanel::Receive(source, notification);
}

std::int32_t LMultiColumnListBox::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor,
                                              NotificationID id) {
  if (mTableHandler && id)
    static_cast<void>(mTableHandler->Unregister(distributor, id));
  return LPanel::Unsubscribe(distributor, id);
}

QZRESULT LMultiColumnListBox::ReleaseInnerReferences() {
  mSortAscending.clear();
  mHeaderButtons.clear();
  mColumns.clear();
  mTableHandler = RCPtr<LNotificationHandler<LMultiColumnListBox>>();
  return LPanel::ReleaseInnerReferences();
}

// ---------------------------------------------------------------------------
// Rows and cells

std::int32_t LMultiColumnListBox::GetRowCount() const {
  return mColumns.empty() ? 0 : mColumns.front()->GetItemCount();
}

std::int32_t LMultiColumnListBox::GetCommonRowCount() const {
  if (mColumns.empty())
    return 0;
  std::int32_t count = mColumns.front()->GetItemCount();
  for (const RCPtr<LListBox>& column : mColumns)
    count = std::min(count, column->GetItemCount());
  return count;
}

RCPtr<LListBox> LMultiColumnListBox::GetColumn(std::int32_t column) const {
  if (column < 0 || column >= GetColumnCount())
    return RCPtr<LListBox>();
  return mColumns[static_cast<std::size_t>(column)];
}

WideString LMultiColumnListBox::GetCellText(std::int32_t column, std::int32_t row) const {
  if (column < 0 || column >= GetColumnCount() || row < 0 || row >= GetRowCount())
    return WideString();
  return mColumns[static_cast<std::size_t>(column)]->GetItemText(row);
}

std::int32_t LMultiColumnListBox::ColumnIndexOf(const RCPtr<LNotificationDistributor>& source) const {
  for (std::size_t i = 0; i < mColumns.size(); ++i) {
    if (static_cast<LNotificationDistributor*>(mColumns[i].GetRaw()) == source.GetRaw())
      return static_cast<std::int32_t>(i);
  }
  return -1;
}

// ---------------------------------------------------------------------------
// Extent and scrolling

RectT<double> LMultiColumnListBox::GetLocalBounds() const {
  if (mColumns.empty())
    return {0, 0, 0, 0};
  const RCPtr<LListBox>& first = mColumns.front();
  const RectT<double>& position = first->GetBounds();
  const RectT<double> client = GetLookClientRect(-1);
  return {position.x, position.y, std::max(0.0, client.width - GetScrollBarSize().width),
          first->GetLookClientRect(-1).height};
}

QZRESULT LMultiColumnListBox::UpdateClientExtent() {
  if (mColumns.empty())
    return S_FALSE;
  const RectT<double>& last = mColumns.back()->GetBounds();
  return SetClientExtent(last.x + last.width, mColumns.front()->GetClientExtentSize().height);
}

void LMultiColumnListBox::InvalidateChildArea(const RCPtr<LControl>& child) {
  if (!child || mColumns.empty())
    return;
  if (child->GetName().EqualsString(WideString(kColumnNameFormat, GetColumnCount())))
    static_cast<void>(UpdateClientExtent());
}

void LMultiColumnListBox::UpdateVisibleRegion(const PointT<double>& oldOffset, const PointT<double>& newOffset) {
  if (mTableHandler && !mColumns.empty()) {
    const RCPtr<LControl> self(this);
    const CAutoNotificationDisabler<LMultiColumnListBox> quiet(
        mTableHandler, AsDistributor(RCPtr<LControl>(mColumns.front())), kScrollOffsetChange);
    for (std::size_t i = 0; i < mColumns.size(); ++i) {
      const RCPtr<LListBox> column = mColumns[i];
      static_cast<void>(column->SetScrollOffset({column->GetScrollOffset().x, newOffset.y}));
    }
  }
  LPanel::UpdateVisibleRegion(oldOffset, newOffset);
}

std::int32_t LMultiColumnListBox::OnFirstColumnScrolled(const RCPtr<LNotificationDistributor>&,
                                                        const RCPtr<LNotification>&) {
  if (mColumns.empty())
    return 1;
  // The table keeps its own horizontal offset: a column that scrolls a row
  // into view must not move the table sideways.
  static_cast<void>(SetScrollOffset({mScrollOffset.x, mColumns.front()->GetScrollOffset().y}));
  return 1;
}

std::int32_t LMultiColumnListBox::OnFirstColumnExtentChange(const RCPtr<LNotificationDistributor>&,
                                                            const RCPtr<LNotification>&) {
  if (mColumns.empty())
    return 1;
  const RCPtr<LControl> self(this);
  SetLineMode(kVerticalBar, true, mColumns.front()->GetRowHeight());
  UpdateScrollBarRanges();
  static_cast<void>(UpdateClientExtent());
  return 1;
}

// ---------------------------------------------------------------------------
// Following the columns

std::int32_t LMultiColumnListBox::OnColumnSelectionChange(const RCPtr<LNotificationDistributor>& source,
                                                          const RCPtr<LNotification>&) {
  const std::int32_t sender = ColumnIndexOf(source);
  if (sender < 0)
    return 1;
  const RCPtr<LControl> self(this);
  const RCPtr<LListBox> from = mColumns[static_cast<std::size_t>(sender)];
  const bool exclusive = !mColumns.front()->IsMultiSelect();
  for (std::int32_t row = GetCommonRowCount(); row-- > 0;) {
    for (std::size_t e = mColumns.size(); e-- > 0;) {
      if (e == static_cast<std::size_t>(sender))
        continue;
      const RCPtr<LListBox> column = mColumns[e];
      const bool selected = from->IsRowSelected(row);
      if (column->IsRowSelected(row) == selected)
        continue;
      const CAutoNotificationDisabler<LMultiColumnListBox> quiet(
          mTableHandler, AsDistributor(RCPtr<LControl>(column)), kSelectionChange);
      if (selected)
        static_cast<void>(column->SelectRange(row, -1, exclusive));
      else
        static_cast<void>(column->DeselectRow(row));
    }
  }
  Notify(LNotification::Create(kSelectionChange));
  return 1;
}

std::int32_t LMultiColumnListBox::OnColumnHoverChange(const RCPtr<LNotificationDistributor>& source,
                                                      const RCPtr<LNotification>& notification) {
  const std::int32_t sender = ColumnIndexOf(source);
  const RCPtr<LItemConditionsParam> param = DynamicCast<LItemConditionsParam>(notification->GetPayload());
  if (sender < 0 || !param)
    return 1;
  const RCPtr<LControl> self(this);
  const bool was = (param->mPreviousBits & kConditionHover) != 0;
  const bool is = (param->mCurrentBits & kConditionHover) != 0;
  // Only the row under the pointer spreads its hover; the rows that follow it
  // report theirs without the pointer, which ends here.
  if (is && !was && !param->mMouseInside)
    return 1;
  for (std::size_t e = mColumns.size(); e-- > 0;) {
    if (e == static_cast<std::size_t>(sender))
      continue;
    const RCPtr<LListBox> column = mColumns[e];
    if (is != was)
      static_cast<void>(column->SetRowHover(param->mRow, is));
    else
      static_cast<void>(column->SetRowLook(param->mRow, param->mLookIndex));
  }
  return 1;
}

std::int32_t LMultiColumnListBox::OnColumnActivated(const RCPtr<LNotificationDistributor>&,
                                                    const RCPtr<LNotification>&) {
  Notify(LNotification::Create(kItemActivated));
  return 1;
}

std::int32_t LMultiColumnListBox::OnColumnDoubleClicked(const RCPtr<LNotificationDistributor>&,
                                                        const RCPtr<LNotification>&) {
  Notify(LNotification::Create(kItemDoubleClicked));
  return 1;
}

std::int32_t LMultiColumnListBox::OnColumnRightClick(const RCPtr<LNotificationDistributor>&,
                                                     const RCPtr<LNotification>&) {
  Notify(LNotification::Create(kItemRightClick));
  return 1;
}

// ---------------------------------------------------------------------------
// Sorting

std::int32_t LMultiColumnListBox::OnHeaderClick(const RCPtr<LNotificationDistributor>& source,
                                                const RCPtr<LNotification>&) {
  const std::size_t headers = std::min(mHeaderButtons.size(), mColumns.size());
  for (std::size_t c = headers; c-- > 0;) {
    if (static_cast<LNotificationDistributor*>(mHeaderButtons[c].GetRaw()) == source.GetRaw()) {
      static_cast<void>(PerformSort(static_cast<std::int32_t>(c)));
      break;
    }
  }
  return 1;
}

QZRESULT LMultiColumnListBox::PerformSort(std::int32_t column) {
  if (column < 0 || column >= GetColumnCount() || !mTableHandler)
    return E_INVALIDARG;
  const RCPtr<LControl> self(this);
  const auto c = static_cast<std::size_t>(column);
  const std::int32_t n = GetCommonRowCount();

  // Each text is read once, for its key; the records the sort moves are small,
  // and only texts whose first eight characters agree are read again.
  struct SSortRecord {
    SSortKey key;
    std::int32_t index;
  };
  std::vector<SSortRecord> records;
  std::vector<bool> marks;
  records.reserve(static_cast<std::size_t>(n));
  marks.reserve(static_cast<std::size_t>(n));
  for (std::int32_t k = 0; k < n; ++k) {
    records.push_back({MakeSortKey(GetCellText(column, k)), k});
    marks.push_back(mColumns.front()->GetRowMarked(k));
  }
  std::vector<bool> saved(static_cast<std::size_t>(n), false);
  // Rows past the common count stay where they are, and so does their selection.
  std::vector<std::vector<std::int32_t>> keptSelections(mColumns.size());
  for (const std::uint32_t row : mColumns[c]->GetSelectedRows()) {
    if (row < static_cast<std::uint32_t>(n))
      saved[row] = true;
  }
  for (std::size_t i = 0; i < mColumns.size(); ++i) {
    for (const std::uint32_t row : mColumns[i]->GetSelectedRows()) {
      if (row >= static_cast<std::uint32_t>(n))
        keptSelections[i].push_back(static_cast<std::int32_t>(row));
    }
  }

  // The columns' own selection notifications must not reach the table while
  // their rows move.
  const NotificationID selectionChange = InternNotificationID(kSelectionChange);
  for (std::size_t i = mColumns.size(); i-- > 0;) {
    const RCPtr<LNotificationDistributor> source = AsDistributor(RCPtr<LControl>(mColumns[i]));
    LNotificationHandler<LMultiColumnListBox>::Member member = nullptr;
    std::uint32_t flags = 0;
    ThrowIfFailed(mTableHandler->GetRegistration(source, kSelectionChange, member, flags), kPerformSortFunction,
                  kSourcePath, kUnsubscribeLine);
    ThrowIfFailed(Unsubscribe(source, selectionChange), kPerformSortFunction, kSourcePath, kUnsubscribeLine);
  }

  for (std::size_t i = mColumns.size(); i-- > 0;)
    mColumns[i]->ClearSelection();

  // Equal texts may come in either order; the stable sort keeps them as they were.
  const auto before = [this, column](const SSortRecord& a, const SSortRecord& b) {
    if (a.key != b.key)
      return a.key < b.key;
    return TextBefore(GetCellText(column, a.index), GetCellText(column, b.index));
  };
  if (mSortAscending[c]) {
    std::stable_sort(records.begin(), records.end(), before);
  } else {
    std::stable_sort(records.begin(), records.end(),
                     [&before](const SSortRecord& a, const SSortRecord& b) { return before(b, a); });
  }
  mSortAscending[c] = !mSortAscending[c];

  // Every column's items move as references; a row's width goes with its item,
  // so no column measures its rows again.
  std::vector<std::int32_t> order(static_cast<std::size_t>(n));
  for (std::int32_t k = 0; k < n; ++k)
    order[static_cast<std::size_t>(k)] = records[static_cast<std::size_t>(k)].index;
  for (std::size_t i = mColumns.size(); i-- > 0;)
    static_cast<void>(mColumns[i]->ReorderItems(order));

  for (std::int32_t k = n; k-- > 0;) {
    const auto from = static_cast<std::size_t>(records[static_cast<std::size_t>(k)].index);
    for (const RCPtr<LListBox>& list : mColumns)
      static_cast<void>(list->SetRowMarked(k, marks[from]));
    if (!saved[from])
      continue;
    for (std::size_t i = mColumns.size(); i-- > 0;) {
      if (mColumns[i]->SelectRange(k, -1, false) < 0)
        break;
    }
  }
  for (std::size_t i = 0; i < mColumns.size(); ++i) {
    for (const std::int32_t row : keptSelections[i])
      static_cast<void>(mColumns[i]->SelectRange(row, -1, false));
  }

  for (std::size_t i = mColumns.size(); i-- > 0;) {
    ThrowIfFailed(mTableHandler->Register(&LMultiColumnListBox::OnColumnSelectionChange,
                                          AsDistributor(RCPtr<LControl>(mColumns[i])), kSelectionChange),
                  kPerformSortFunction, kSourcePath, kResubscribeLine);
  }
  return S_OK;
}

} // namespace QZ
