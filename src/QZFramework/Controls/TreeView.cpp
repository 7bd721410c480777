#include "QZFramework/Controls/TreeView.h"

#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <utility>

namespace QZ {

namespace {

constexpr const char16_t* kValueChange = u"NID_VALUE_CHANGE";
constexpr const char16_t* kLeftClick = u"NID_LEFT_CLICK";
constexpr const char16_t* kItemCheckChange = u"NID_ITEM_CHECK_CHANGE";
constexpr const char16_t* kItemCheckBoxClicked = u"NID_ITEM_CHECKBOX_CLICKED";

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

// Sets a flag for a scope and puts the old value back, also when binding throws.
class CFlagScope {
public:
  explicit CFlagScope(bool& flag) : mFlag(flag), mOld(std::exchange(flag, true)) {}
  ~CFlagScope() { mFlag = mOld; }
  CFlagScope(const CFlagScope&) = delete;
  CFlagScope& operator=(const CFlagScope&) = delete;

private:
  bool& mFlag;
  bool mOld;
};

} // namespace

RCPtr<LControl>& LTreeView::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                   const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LTreeView>(out, parent, descriptor);
}

// ---------------------------------------------------------------------------
// Records

QZRESULT LTreeView::InsertItemRecord(std::int32_t row) {
  const QZRESULT result = LCheckedListBox::InsertItemRecord(row);
  if (result < 0)
    return result;
  // The rows at and after the new one moved down: so do the links to them.
  for (std::int32_t& parent : mParentRows)
    if (parent >= row)
      ++parent;
  mParentRows.insert(mParentRows.begin() + row, -1);
  return result;
}

QZRESULT LTreeView::EraseItemRecord(std::int32_t row) {
  const std::int32_t count = GetItemCount();
  if (row < 0 || row >= count)
    return E_INVALIDARG;
  // The row and every row whose parent goes with it. Parents stand before
  // their children, so one pass in row order finds the whole subtree.
  std::vector<bool> erased(static_cast<std::size_t>(count), false);
  erased[static_cast<std::size_t>(row)] = true;
  for (std::int32_t i = row + 1; i < count; ++i) {
    const std::int32_t parent = mParentRows[static_cast<std::size_t>(i)];
    if (parent >= row && parent < i && erased[static_cast<std::size_t>(parent)])
      erased[static_cast<std::size_t>(i)] = true;
  }
  // Where each remaining row ends up.
  std::vector<std::int32_t> moved(static_cast<std::size_t>(count), -1);
  std::int32_t next = 0;
  for (std::int32_t i = 0; i < count; ++i)
    if (!erased[static_cast<std::size_t>(i)])
      moved[static_cast<std::size_t>(i)] = next++;
  for (std::int32_t i = count; i-- > row;) {
    if (!erased[static_cast<std::size_t>(i)])
      continue;
    const QZRESULT result = LCheckedListBox::EraseItemRecord(i);
    if (result < 0)
      return result;
    mParentRows.erase(mParentRows.begin() + i);
  }
  for (std::int32_t& parent : mParentRows)
    if (parent >= 0)
      parent = moved[static_cast<std::size_t>(parent)];
  return S_OK;
}

QZRESULT LTreeView::SwapRows(std::int32_t a, std::int32_t b) {
  const QZRESULT result = LCheckedListBox::SwapRows(a, b);
  std::swap(mParentRows[static_cast<std::size_t>(a)], mParentRows[static_cast<std::size_t>(b)]);
  return result;
}

// ---------------------------------------------------------------------------
// Tree structure

std::int32_t LTreeView::GetParentRow(std::int32_t row) const {
  return row >= 0 && row < GetItemCount() ? mParentRows[static_cast<std::size_t>(row)] : -1;
}

QZRESULT LTreeView::SetParentRow(std::int32_t row, std::int32_t parent) {
  if (row < 0 || row >= GetItemCount() || parent < -1 || parent >= row)
    return E_INVALIDARG;
  mParentRows[static_cast<std::size_t>(row)] = parent;
  return S_OK;
}

std::int32_t LTreeView::GetDepth(std::int32_t row) const {
  std::int32_t depth = 0;
  // Parents stand before their rows, so the walk ends.
  for (std::int32_t parent = GetParentRow(row); parent >= 0 && parent < row; parent = GetParentRow(parent)) {
    ++depth;
    row = parent;
  }
  return depth;
}

bool LTreeView::IsAncestor(std::int32_t a, std::int32_t b) const {
  const std::int32_t count = GetItemCount();
  if (a < 0 || a >= count || b < 0 || b >= count)
    return false;
  for (std::int32_t parent = GetParentRow(b); parent >= a && parent < b; parent = GetParentRow(parent)) {
    if (parent == a)
      return true;
    b = parent;
  }
  return false;
}

std::int32_t LTreeView::GetDescendantCount(std::int32_t row) const {
  const std::int32_t count = GetItemCount();
  if (row < 0 || row >= count)
    return 0;
  const std::int32_t depth = GetDepth(row);
  std::int32_t descendants = 0;
  for (std::int32_t i = row + 1; i < count && GetDepth(i) > depth; ++i)
    ++descendants;
  return descendants;
}

bool LTreeView::AncestorsExpanded(std::int32_t row) const {
  for (std::int32_t parent = GetParentRow(row); parent >= 0 && parent < row; parent = GetParentRow(parent)) {
    if (!IsRowChecked(parent))
      return false;
    row = parent;
  }
  return true;
}

void LTreeView::UpdateDescendantVisibility(std::int32_t row) {
  const RCPtr<LControl> self(this);
  for (std::int32_t i = row + 1; i < GetItemCount() && IsAncestor(row, i); ++i)
    static_cast<void>(SetItemHidden(i, !AncestorsExpanded(i)));
}

void LTreeView::ExpandRow(std::int32_t row) {
  const RCPtr<LControl> self(this);
  const std::int32_t index = GetItemControlIndex(row);
  const RCPtr<LButton> checkBox = index >= 0 && row < GetItemCount()
                                      ? GetCheckBox(RCPtr<LControl>(GetItemControlAt(index)))
                                      : RCPtr<LButton>();
  // The box's value change does the rest only while the tree follows values.
  if (checkBox && mExpandAutoValueSet && !IsRowChecked(row)) {
    static_cast<void>(checkBox->SetValue(1.0));
    if (IsRowChecked(row))
      return;
  }
  SetRowChecked(row, true);
  UpdateDescendantVisibility(row);
}

std::int32_t LTreeView::MoveRowUnder(std::int32_t row, std::int32_t newParent) {
  if (row <= 0 || row >= GetItemCount() || row == newParent)
    return row;
  if (GetParentRow(row) == newParent)
    return row;
  // Moving a subtree, or below a row after it, is not defined: the tree stays as it is.
  if (newParent < 0 || newParent > row || GetDescendantCount(row) != 0)
    return row;
  const RCPtr<LControl> self(this);
  const bool inside = IsAncestor(newParent, row);
  std::int32_t target = row;
  if (inside) {
    // Already in the new parent's subtree: to its end, past the rows that
    // follow (left where it is, it would split its old parent's subtree).
    target = newParent + GetDescendantCount(newParent);
    for (std::int32_t i = row; i < target; ++i)
      static_cast<void>(LCheckedListBox::SwapRows(i, i + 1));
    std::rotate(mParentRows.begin() + row, mParentRows.begin() + row + 1, mParentRows.begin() + target + 1);
  } else {
    while (target - 1 != newParent && !IsAncestor(newParent, target - 1))
      --target;
    for (std::int32_t i = row; i > target; --i)
      static_cast<void>(LCheckedListBox::SwapRows(i - 1, i));
    std::rotate(mParentRows.begin() + target, mParentRows.begin() + row, mParentRows.begin() + row + 1);
  }
  // The rows passed moved by one toward the row's old place, and the links to
  // them follow; the row has no children pointing at it.
  auto follow = [&](std::int32_t at) {
    if (at == row)
      return target;
    if (inside)
      return at > row && at <= target ? at - 1 : at;
    return at >= target && at < row ? at + 1 : at;
  };
  for (std::int32_t& parent : mParentRows)
    parent = follow(parent);
  mParentRows[static_cast<std::size_t>(target)] = newParent;
  SetAnchorRow(follow(GetAnchorRow()));
  SetFocusRow(follow(GetFocusRow()));
  ExpandRow(newParent);
  UpdateDescendantVisibility(newParent);
  static_cast<void>(RebindFrom(std::min(row, target) - 1));
  static_cast<void>(LayoutItemControls());
  return target;
}

// ---------------------------------------------------------------------------
// Removing and sorting

std::int32_t LTreeView::RemoveItem(std::int32_t row) {
  if (row < 0 || row >= GetItemCount())
    return E_INVALIDARG;
  const RCPtr<LControl> self(this);
  // The whole subtree goes: none of it may stay selected.
  const std::int32_t end = row + 1 + GetDescendantCount(row);
  for (std::int32_t i = end; i-- > row;)
    static_cast<void>(DeselectRow(i));
  const std::int32_t anchor = GetAnchorRow();
  const std::int32_t focus = GetFocusRow();
  const std::int32_t before = GetItemCount();
  const std::int32_t result = LListBox::RemoveItem(row);
  if (result < 0)
    return result;
  const std::int32_t erased = before - GetItemCount();
  auto follow = [&](std::int32_t at) {
    if (at < row)
      return at;
    if (at < row + erased)
      return -1;
    return at - erased < GetItemCount() ? at - erased : -1;
  };
  SetAnchorRow(follow(anchor));
  SetFocusRow(follow(focus));
  RecountChecked();
  return result;
}

bool LTreeView::SortItems() { return false; }

QZRESULT LTreeView::SortRange(std::int32_t, std::int32_t) { return E_NOTIMPL; }

// ---------------------------------------------------------------------------
// Row controls

void LTreeView::SubscribeExpandBox(const RCPtr<LButton>& checkBox) {
  if (!mTreeHandler || !checkBox)
    return;
  const RCPtr<LNotificationDistributor> source = AsDistributor(RCPtr<LControl>(checkBox));
  if (mExpandAutoValueSet)
    static_cast<void>(mTreeHandler->Register(&LTreeView::OnExpandValueChange, source, kValueChange));
  else
    static_cast<void>(mTreeHandler->Register(&LTreeView::OnExpandClick, source, kLeftClick));
}

QZRESULT LTreeView::CreateItemControl() {
  const QZRESULT result = LCheckedListBox::CreateItemControl();
  if (result >= 0)
    SubscribeExpandBox(GetCheckBox(RCPtr<LControl>(GetItemControlAt(GetItemControlCount() - 1))));
  return result;
}

void LTreeView::SetCheckBoxAutoValueSet(bool autoValueSet) {
  if (mExpandAutoValueSet == autoValueSet)
    return;
  mExpandAutoValueSet = autoValueSet;
  // The checked list takes every box's old binding out (ours too) and binds its own.
  LCheckedListBox::SetCheckBoxAutoValueSet(autoValueSet);
  for (std::int32_t i = 0; i < GetItemControlCount(); ++i)
    SubscribeExpandBox(GetCheckBox(RCPtr<LControl>(GetItemControlAt(i))));
}

QZRESULT LTreeView::BindRow(std::int32_t row, std::int32_t& index) {
  const CFlagScope binding(mBindingRow);
  const QZRESULT result = LCheckedListBox::BindRow(row, index);
  if (result < 0 || index < 0 || row >= GetItemCount())
    return result;
  const RCPtr<LListBoxItem> control = GetItemControlAt(index);
  const RCPtr<LButton> checkBox = GetCheckBox(RCPtr<LControl>(control));
  // A row has descendants when the row after it is deeper: no need to count them all.
  if (checkBox)
    checkBox->SetEnabled(row + 1 < GetItemCount() && GetDepth(row + 1) > GetDepth(row));
  const RCPtr<LLayoutDescriptor> layout = control ? control->GetLayout() : RCPtr<LLayoutDescriptor>();
  AxisPlacement placement;
  SizeSpec size;
  if (!layout || layout->GetAxisLayout(LLayoutDescriptor::kAxisX, placement, size) != S_OK)
    return result;
  const double indent = GetDepth(row) * (checkBox ? checkBox->GetBounds().width : 0.0);
  if (placement.mAbsolute != indent) {
    placement.mAbsolute = indent;
    static_cast<void>(control->SetAxisPlacement(LLayoutDescriptor::kAxisX, placement, size));
  }
  return result;
}

// ---------------------------------------------------------------------------
// Expand boxes

std::int32_t LTreeView::ToggleFromBox(const RCPtr<LNotificationDistributor>& source, const char16_t* id) {
  if (mBindingRow)
    return 1;
  const RCPtr<LControl> self(this);
  const RCPtr<LButton> checkBox = DynamicCast<LButton>(source);
  const RCPtr<LControl> itemControl = checkBox ? checkBox->GetParent() : RCPtr<LControl>();
  const std::int32_t row = itemControl ? GetRowOfItemControl(itemControl.GetRaw()) : -1;
  if (row < 0 || row >= GetItemCount())
    return 1;
  const double value = checkBox->GetNormalizedValue();
  const auto param = MakeRCPtr<LIndexedDataWithValueParam>(RCPtr<LRefCountedObject>(), row, value);
  SetRowChecked(row, value >= 0.5);
  UpdateDescendantVisibility(row);
  static_cast<void>(RebindFrom(row));
  static_cast<void>(LayoutItemControls());
  static_cast<void>(SelectRange(row, row, !IsMultiSelect()));
  Notify(LNotification::Create(id, param));
  return 1;
}

std::int32_t LTreeView::OnExpandValueChange(const RCPtr<LNotificationDistributor>& source,
                                            const RCPtr<LNotification>&) {
  return ToggleFromBox(source, kItemCheckChange);
}

std::int32_t LTreeView::OnExpandClick(const RCPtr<LNotificationDistributor>& source, const RCPtr<LNotification>&) {
  return ToggleFromBox(source, kItemCheckBoxClicked);
}

// ---------------------------------------------------------------------------
// Creation and notifications

QZRESULT LTreeView::Initialize() {
  const QZRESULT result = LCheckedListBox::Initialize();
  mTreeHandler = LNotificationHandler<LTreeView>::Create(this);
  // Row controls made before the handler existed.
  for (std::int32_t i = 0; i < GetItemControlCount(); ++i)
    SubscribeExpandBox(GetCheckBox(RCPtr<LControl>(GetItemControlAt(i))));
  return result;
}

std::int32_t LTreeView::Receive(const RCPtr<LNotificationDistributor>& source,
                                const RCPtr<LNotification>& notification) {
  if (!mCreated)
    return 0;
  if (mTreeHandler) {
    const std::int32_t handled = mTreeHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LCheckedListBox::Receive(source, notification);
}

std::int32_t LTreeView::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mTreeHandler && id)
    static_cast<void>(mTreeHandler->Unregister(distributor, id));
  return LCheckedListBox::Unsubscribe(distributor, id);
}

QZRESULT LTreeView::ReleaseInnerReferences() {
  mTreeHandler = RCPtr<LNotificationHandler<LTreeView>>();
  return LCheckedListBox::ReleaseInnerReferences();
}

} // namespace QZ
