#include "QZFramework/Controls/CheckedComboBox.h"

#include "QZFramework/Notification/Notification.h"

namespace QZ {

namespace {

constexpr const char16_t* kListBoxName = u"listBox";
constexpr const char16_t* kCheckBoxName = u"checkBox";
constexpr const char16_t* kItemCheckChange = u"NID_ITEM_CHECK_CHANGE";

} // namespace

RCPtr<LControl>& LCheckedComboBox::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                          const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LCheckedComboBox>(out, parent, descriptor);
}

RCPtr<LButton> LCheckedComboBox::GetCheckBox() const {
  return DynamicCast<LButton>(FindChild(WideString(kCheckBoxName)));
}

void LCheckedComboBox::SetCheckBoxClickThrough(bool clickThrough) {
  mCheckBoxClickThrough = clickThrough;
  if (const RCPtr<LButton> checkBox = GetCheckBox())
    checkBox->SetClickThrough(clickThrough);
}

void LCheckedComboBox::ShowIcon(const RCPtr<LButton>& checkBox, const RCPtr<LBitmap>& icon) {
  for (std::uint32_t look = checkBox->GetLookCount(); look-- > 0;)
    if (checkBox->GetLook(static_cast<std::int32_t>(look)))
      static_cast<void>(checkBox->SetLookImage(icon, 0, static_cast<std::int32_t>(look), false));
}

// ---------------------------------------------------------------------------
// Creation

QZRESULT LCheckedComboBox::Initialize() {
  mCheckedList = DynamicCast<LCheckedListBox>(FindChild(WideString(kListBoxName)));
  if (LComboBox::Initialize() < 0 || !mCheckedList)
    return E_FAIL;
  if (const RCPtr<LButton> checkBox = GetCheckBox())
    checkBox->SetUseParentToolTip(true);
  static_cast<void>(mCheckedList->SetDropDownMode(true));
  if (mCheckedList->GetIconCount() > 0)
    SetCheckBoxClickThrough(true);
  mCheckedHandler = LNotificationHandler<LCheckedComboBox>::Create(this);
  static_cast<void>(mCheckedHandler->Register(
      &LCheckedComboBox::OnItemCheckChange,
      RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(mCheckedList.GetRaw())),
      kItemCheckChange));
  return S_OK;
}

QZRESULT LCheckedComboBox::FinishInitialize() {
  if (const RCPtr<LButton> checkBox = GetCheckBox()) {
    const std::int32_t selected = GetSelectedIndex();
    ShowIcon(checkBox, mCheckedList && selected >= 0 ? mCheckedList->GetRowIcon(selected) : RCPtr<LBitmap>());
  }
  return LComboBox::FinishInitialize();
}

std::int32_t LCheckedComboBox::Receive(const RCPtr<LNotificationDistributor>& source,
                                       const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mCheckedHandler) {
    const std::int32_t handled = mCheckedHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LComboBox::Receive(source, notification);
}

std::int32_t LCheckedComboBox::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mCheckedHandler && id)
    static_cast<void>(mCheckedHandler->Unregister(distributor, id));
  return LComboBox::Unsubscribe(distributor, id);
}

QZRESULT LCheckedComboBox::ReleaseInnerReferences() {
  mCheckedHandler = RCPtr<LNotificationHandler<LCheckedComboBox>>();
  mCheckedList = RCPtr<LCheckedListBox>();
  return LComboBox::ReleaseInnerReferences();
}

// ---------------------------------------------------------------------------
// Rows, looks and checks

std::int32_t LCheckedComboBox::SetSelectedIndex(std::int32_t index) {
  const RCPtr<LControl> self(this);
  if (const RCPtr<LButton> checkBox = GetCheckBox()) {
    RCPtr<LBitmap> icon;
    if (mCheckedList && index >= 0 && index < mCheckedList->GetItemCount()) {
      static_cast<void>(checkBox->SetValue(mCheckedList->IsRowChecked(index) ? 1.0 : 0.0));
      icon = mCheckedList->GetRowIcon(index);
    }
    ShowIcon(checkBox, icon);
  }
  return LComboBox::SetSelectedIndex(index);
}

QZRESULT LCheckedComboBox::SetItemCount(std::int32_t count) {
  const RCPtr<LControl> self(this);
  const QZRESULT result = LComboBox::SetItemCount(count);
  UpdateVisualState();
  return result;
}

void LCheckedComboBox::UpdateVisualState() {
  std::int32_t look = StateLook(true);
  if (mCheckedList && mCheckedList->GetCheckedCount() > 0)
    look += kCheckedLookOffset;
  static_cast<void>(SelectLook(look));
}

std::int32_t LCheckedComboBox::OnItemCheckChange(const RCPtr<LNotificationDistributor>&,
                                                 const RCPtr<LNotification>& notification) {
  const RCPtr<LControl> self(this);
  // Only the first check and the last uncheck change the set of looks.
  const std::int32_t checked = mCheckedList ? mCheckedList->GetCheckedCount() : 0;
  if (checked == 0 || checked == 1)
    UpdateVisualState();
  Notify(LNotification::Create(kItemCheckChange,
                               notification ? notification->GetPayload() : RCPtr<LRefCountedObject>()));
  return 1;
}

} // namespace QZ
