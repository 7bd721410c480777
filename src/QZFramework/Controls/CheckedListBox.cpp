#include "QZFramework/Controls/CheckedListBox.h"

#include "QZFramework/ControlBase/Look.h"
#include "QZFramework/ControlBase/VisualPart.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <string>
#include <utility>

namespace QZ {

namespace {

constexpr const char16_t* kCheckBoxName = u"checkBox";
constexpr const char16_t* kValueChange = u"NID_VALUE_CHANGE";
constexpr const char16_t* kLeftClick = u"NID_LEFT_CLICK";
constexpr const char16_t* kHoverChange = u"NID_HOVER_CONDITION_CHANGE";
constexpr const char16_t* kItemCheckChange = u"NID_ITEM_CHECK_CHANGE";
constexpr const char16_t* kItemCheckBoxClicked = u"NID_ITEM_CHECKBOX_CLICKED";
// The list's look whose image parts are the row icons.
constexpr std::int32_t kIconLook = 3;

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

} // namespace

// ---------------------------------------------------------------------------
// Parameters

WideString LIndexedDataParam::ToString() const {
  const WideString text(u"LIndexedDataParam: Index = %d, Data = ", mIndex);
  return mData ? text.Concat(mData->ToString()) : text;
}

WideString LIndexedDataWithValueParam::ToString() const {
  return LIndexedDataParam::ToString().Concat(WideString(u" Value = %lf", mValue));
}

// ---------------------------------------------------------------------------
// LCheckedListBoxItem

RCPtr<LControl>& LCheckedListBoxItem::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                             const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LCheckedListBoxItem>(out, parent, descriptor);
}

RCPtr<LButton> LCheckedListBoxItem::GetCheckBox() const {
  return DynamicCast<LButton>(FindChild(WideString(kCheckBoxName)));
}

QZRESULT LCheckedListBoxItem::Initialize() {
  const QZRESULT result = LListBoxItem::Initialize();
  mItemHandler = LNotificationHandler<LCheckedListBoxItem>::Create(this);
  if (const RCPtr<LButton> checkBox = GetCheckBox()) {
    static_cast<void>(mItemHandler->Register(&LCheckedListBoxItem::OnCheckBoxHover,
                                             AsDistributor(RCPtr<LControl>(checkBox)), kHoverChange));
    checkBox->SetNotFocusable(true);
    checkBox->SetUseParentToolTip(true);
  }
  return result;
}

std::int32_t LCheckedListBoxItem::OnCheckBoxHover(const RCPtr<LNotificationDistributor>&,
                                                  const RCPtr<LNotification>& notification) {
  const RCPtr<LConditionsParam> conditions =
      notification ? DynamicCast<LConditionsParam>(notification->GetPayload()) : RCPtr<LConditionsParam>();
  const bool entered = conditions && (conditions->mCurrentBits & kConditionMouseInside) != 0 &&
                       (conditions->mPreviousBits & kConditionMouseInside) == 0;
  SetForcedHover(entered);
  return 1;
}

bool LCheckedListBoxItem::SelectItemLook(std::int32_t index, bool invalidate) {
  QZRESULT result = SetLookWeight(index, 1.0f, true);
  if (result >= 0 && mCreated && mCheckBoxFollowsLook)
    result = SelectCheckBoxLook(index, invalidate);
  return result >= 0;
}

QZRESULT LCheckedListBoxItem::SelectCheckBoxLook(std::int32_t index, bool invalidate) {
  if (!mCreated)
    return S_FALSE;
  const RCPtr<LButton> checkBox = GetCheckBox();
  if (!checkBox)
    return S_FALSE;
  const QZRESULT result = checkBox->SelectLook(index);
  if (invalidate)
    static_cast<void>(checkBox->InvalidateRect(checkBox->GetLocalBounds(), true));
  return result;
}

std::int32_t LCheckedListBoxItem::Receive(const RCPtr<LNotificationDistributor>& source,
                                          const RCPtr<LNotification>& notification) {
  if (!mCreated)
    return 0;
  if (mItemHandler) {
    const std::int32_t handled = mItemHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LListBoxItem::Receive(source, notification);
}

std::int32_t LCheckedListBoxItem::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor,
                                              NotificationID id) {
  if (mItemHandler && id)
    static_cast<void>(mItemHandler->Unregister(distributor, id));
  return LListBoxItem::Unsubscribe(distributor, id);
}

QZRESULT LCheckedListBoxItem::ReleaseInnerReferences() {
  mItemHandler = RCPtr<LNotificationHandler<LCheckedListBoxItem>>();
  return LListBoxItem::ReleaseInnerReferences();
}

// ---------------------------------------------------------------------------
// LCheckedListBox: records

RCPtr<LControl>& LCheckedListBox::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                         const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LCheckedListBox>(out, parent, descriptor);
}

std::int32_t LCheckedListBox::GetItemCount() const { return static_cast<std::int32_t>(mCheckedRows.size()); }

LListBox::SRowRecord* LCheckedListBox::GetItemRecord(std::int32_t row) {
  return &mCheckedRows[static_cast<std::size_t>(row)];
}

const LListBox::SRowRecord* LCheckedListBox::GetItemRecord(std::int32_t row) const {
  return &mCheckedRows[static_cast<std::size_t>(row)];
}

LCheckedListBox::SCheckedRowRecord* LCheckedListBox::GetCheckedRecord(std::int32_t row) {
  return row >= 0 && row < GetItemCount() ? &mCheckedRows[static_cast<std::size_t>(row)] : nullptr;
}

QZRESULT LCheckedListBox::InsertItemRecord(std::int32_t row) {
  mCheckedRows.insert(mCheckedRows.begin() + row, SCheckedRowRecord());
  RecordInserted(row);
  return S_OK;
}

QZRESULT LCheckedListBox::EraseItemRecord(std::int32_t row) {
  RecordErasing(mCheckedRows[static_cast<std::size_t>(row)]);
  mCheckedRows.erase(mCheckedRows.begin() + row);
  return S_OK;
}

QZRESULT LCheckedListBox::SwapRows(std::int32_t a, std::int32_t b) {
  std::swap(mCheckedRows[static_cast<std::size_t>(a)], mCheckedRows[static_cast<std::size_t>(b)]);
  return S_OK;
}

void LCheckedListBox::RecountChecked() {
  mCheckedCount = static_cast<std::int32_t>(std::count_if(mCheckedRows.begin(), mCheckedRows.end(),
                                                          [](const SCheckedRowRecord& r) { return r.mChecked; }));
}

std::int32_t LCheckedListBox::SetItemCount(std::int32_t count) {
  const std::int32_t result = LListBox::SetItemCount(count);
  RecountChecked();
  return result;
}

std::int32_t LCheckedListBox::RemoveItem(std::int32_t row) {
  const bool wasChecked = IsRowChecked(row);
  const std::int32_t result = LListBox::RemoveItem(row);
  if (result >= 0 && wasChecked)
    --mCheckedCount;
  return result;
}

QZRESULT LCheckedListBox::RemoveAllItems() {
  const QZRESULT result = LListBox::RemoveAllItems();
  RecountChecked();
  return result;
}

bool LCheckedListBox::IsRowChecked(std::int32_t row) const {
  return row >= 0 && row < GetItemCount() && mCheckedRows[static_cast<std::size_t>(row)].mChecked;
}

void LCheckedListBox::SetRowChecked(std::int32_t row, bool checked) {
  SCheckedRowRecord* record = GetCheckedRecord(row);
  if (!record || record->mChecked == checked)
    return;
  record->mChecked = checked;
  mCheckedCount += checked ? 1 : -1;
  std::int32_t index = -1;
  static_cast<void>(BindRow(row, index));
}

RCPtr<LBitmap> LCheckedListBox::GetRowIcon(std::int32_t row) const {
  if (row < 0 || row >= GetItemCount())
    return RCPtr<LBitmap>();
  if (!mIcons.empty())
    return mIcons[static_cast<std::size_t>(row) % mIcons.size()];
  return mCheckedRows[static_cast<std::size_t>(row)].mIcon;
}

void LCheckedListBox::SetRowIcon(std::int32_t row, const RCPtr<LBitmap>& icon) {
  if (SCheckedRowRecord* record = GetCheckedRecord(row))
    record->mIcon = icon;
}

RCPtr<LButton> LCheckedListBox::GetCheckBox(const RCPtr<LControl>& itemControl) {
  return itemControl ? DynamicCast<LButton>(itemControl->FindChild(WideString(kCheckBoxName))) : RCPtr<LButton>();
}

RCPtr<LCheckedListBoxItem> LCheckedListBox::GetCheckedItemControlAt(std::int32_t index) const {
  return DynamicCast<LCheckedListBoxItem>(GetItemControlAt(index));
}

// ---------------------------------------------------------------------------
// Check boxes

void LCheckedListBox::SetCheckBoxClickThrough(bool clickThrough) {
  mCheckBoxClickThrough = clickThrough;
  for (std::int32_t i = 0; i < GetItemControlCount(); ++i)
    if (const RCPtr<LButton> checkBox = GetCheckBox(RCPtr<LControl>(GetItemControlAt(i))))
      checkBox->SetClickThrough(clickThrough);
}

void LCheckedListBox::SubscribeCheckBox(const RCPtr<LButton>& checkBox) {
  if (!mCheckHandler || !checkBox)
    return;
  const RCPtr<LNotificationDistributor> source = AsDistributor(RCPtr<LControl>(checkBox));
  if (mAutoValueSet)
    static_cast<void>(mCheckHandler->Register(&LCheckedListBox::OnCheckBoxValueChange, source, kValueChange));
  else
    static_cast<void>(mCheckHandler->Register(&LCheckedListBox::OnCheckBoxClick, source, kLeftClick));
}

void LCheckedListBox::SetCheckBoxAutoValueSet(bool autoValueSet) {
  if (mAutoValueSet == autoValueSet)
    return;
  mAutoValueSet = autoValueSet;
  for (std::int32_t i = 0; i < GetItemControlCount(); ++i) {
    const RCPtr<LButton> checkBox = GetCheckBox(RCPtr<LControl>(GetItemControlAt(i)));
    if (!checkBox)
      continue;
    static_cast<void>(checkBox->SetAutoValueSet(autoValueSet));
    // The list follows the value while the box sets it, else the click.
    Unsubscribe(AsDistributor(RCPtr<LControl>(checkBox)),
                InternNotificationID(autoValueSet ? kLeftClick : kValueChange));
    SubscribeCheckBox(checkBox);
  }
}

void LCheckedListBox::SetCheckBoxValue(const RCPtr<LButton>& checkBox, double value) {
  LNotificationHandler<LCheckedListBox>::Member member = nullptr;
  std::uint32_t flags = 0;
  const RCPtr<LNotificationDistributor> source = AsDistributor(RCPtr<LControl>(checkBox));
  if (mAutoValueSet && mCheckHandler && mCheckHandler->GetRegistration(source, kValueChange, member, flags) >= 0) {
    const CAutoNotificationDisabler<LCheckedListBox> quiet(mCheckHandler, source, kValueChange);
    static_cast<void>(checkBox->SetValue(value));
    return;
  }
  static_cast<void>(checkBox->SetValue(value));
}

QZRESULT LCheckedListBox::CreateItemControl() {
  const QZRESULT result = LListBox::CreateItemControl();
  if (result < 0)
    return result;
  const RCPtr<LListBoxItem> control = GetItemControlAt(GetItemControlCount() - 1);
  if (const RCPtr<LCheckedListBoxItem> item = DynamicCast<LCheckedListBoxItem>(control))
    item->SetCheckBoxFollowsLook(mCheckBoxFollowsLook);
  if (const RCPtr<LButton> checkBox = GetCheckBox(RCPtr<LControl>(control))) {
    checkBox->SetClickThrough(mCheckBoxClickThrough);
    static_cast<void>(checkBox->SetAutoValueSet(mAutoValueSet));
    SubscribeCheckBox(checkBox);
    // The base bound the row before the box was wired: bind it again.
    std::int32_t index = -1;
    static_cast<void>(BindRow(GetRowOfItemControl(control.GetRaw()), index));
  }
  return result;
}

QZRESULT LCheckedListBox::BindRow(std::int32_t row, std::int32_t& index) {
  const QZRESULT result = LListBox::BindRow(row, index);
  if (result < 0 || index < 0)
    return result;
  const RCPtr<LButton> checkBox = GetCheckBox(RCPtr<LControl>(GetItemControlAt(index)));
  if (!checkBox)
    return result;
  const bool hasRow = row < GetItemCount();
  SetCheckBoxValue(checkBox, hasRow && IsRowChecked(row) ? 1.0 : 0.0);
  const RCPtr<LBitmap> icon = hasRow ? GetRowIcon(row) : RCPtr<LBitmap>();
  for (std::uint32_t look = 0; look < checkBox->GetLookCount(); ++look)
    if (checkBox->GetLook(static_cast<std::int32_t>(look)))
      static_cast<void>(checkBox->SetLookImage(icon, 0, static_cast<std::int32_t>(look), false));
  checkBox->SetVisible(hasRow);
  return result;
}

std::int32_t LCheckedListBox::CheckBoxRow(const RCPtr<LNotificationDistributor>& source,
                                          RCPtr<LButton>& checkBox) const {
  checkBox = DynamicCast<LButton>(source);
  const RCPtr<LControl> parent = checkBox ? checkBox->GetParent() : RCPtr<LControl>();
  return parent ? GetRowOfItemControl(parent.GetRaw()) : -1;
}

std::int32_t LCheckedListBox::OnCheckBoxValueChange(const RCPtr<LNotificationDistributor>& source,
                                                    const RCPtr<LNotification>&) {
  const RCPtr<LCheckedListBox> self(this);
  RCPtr<LButton> checkBox;
  const std::int32_t row = CheckBoxRow(source, checkBox);
  SCheckedRowRecord* record = GetCheckedRecord(row);
  if (!record)
    return 1;
  const double value = checkBox->GetNormalizedValue();
  const auto param = MakeRCPtr<LIndexedDataWithValueParam>(RCPtr<LRefCountedObject>(), row, value);
  const bool checked = value >= 0.5;
  if (record->mChecked != checked) {
    record->mChecked = checked;
    mCheckedCount += checked ? 1 : -1;
  }
  static_cast<void>(SelectRange(row, row, !IsMultiSelect()));
  Notify(LNotification::Create(kItemCheckChange, param));
  return 1;
}

std::int32_t LCheckedListBox::OnCheckBoxClick(const RCPtr<LNotificationDistributor>& source,
                                              const RCPtr<LNotification>&) {
  const RCPtr<LCheckedListBox> self(this);
  RCPtr<LButton> checkBox;
  const std::int32_t row = CheckBoxRow(source, checkBox);
  SCheckedRowRecord* record = GetCheckedRecord(row);
  if (!record)
    return 1;
  const double value = checkBox->GetNormalizedValue();
  const auto param = MakeRCPtr<LIndexedDataWithValueParam>(RCPtr<LRefCountedObject>(), row, value);
  // The count stays: the receiver decides whether the row changes (SetRowChecked).
  record->mChecked = value >= 0.5;
  RecountChecked();
  static_cast<void>(SelectRange(row, row, !IsMultiSelect()));
  Notify(LNotification::Create(kItemCheckBoxClicked, param));
  return 1;
}

// ---------------------------------------------------------------------------
// Creation and notifications

QZRESULT LCheckedListBox::Initialize() {
  const QZRESULT result = LListBox::Initialize();
  mCheckHandler = LNotificationHandler<LCheckedListBox>::Create(this);
  // Only the plain checked list takes icons from look 3 (not the classes built on it).
  const std::string className = RunTimeTypeName(typeid(*this));
  if (className.find("LCheckedListBox") != std::string::npos && GetLookCount() > 3) {
    if (const RCPtr<LLook>& look = GetLook(kIconLook);
        look && GetLookCount() > static_cast<std::uint32_t>(kIconLook)) {
      for (std::uint32_t i = 0; i < look->GetNonClientCount(); ++i) {
        const RCPtr<LVisualPart>& part = look->GetNonClientPart(i);
        if (part && part->GetImage())
          mIcons.push_back(part->GetImage());
      }
      SetCheckBoxClickThrough(true);
    }
  }
  // Row controls made before the handler existed.
  for (std::int32_t i = 0; i < GetItemControlCount(); ++i)
    SubscribeCheckBox(GetCheckBox(RCPtr<LControl>(GetItemControlAt(i))));
  return result;
}

std::int32_t LCheckedListBox::Receive(const RCPtr<LNotificationDistributor>& source,
                                      const RCPtr<LNotification>& notification) {
  if (!mCreated)
    return 0;
  if (mCheckHandler) {
    const std::int32_t handled = mCheckHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LListBox::Receive(source, notification);
}

std::int32_t LCheckedListBox::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mCheckHandler && id)
    static_cast<void>(mCheckHandler->Unregister(distributor, id));
  return LListBox::Unsubscribe(distributor, id);
}

QZRESULT LCheckedListBox::ReleaseInnerReferences() {
  mCheckHandler = RCPtr<LNotificationHandler<LCheckedListBox>>();
  return LListBox::ReleaseInnerReferences();
}

} // namespace QZ
