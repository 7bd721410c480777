#include "QZFramework/Controls/ComboBox.h"

#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/ControlParams.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <cmath>

namespace QZ {

namespace {

constexpr const char16_t* kListBoxName = u"listBox";
constexpr const char16_t* kTextBoxName = u"textBox";
constexpr const char16_t* kInitialSelectedIndex = u"INITIAL_SELECTED_INDEX";
constexpr const char16_t* kSelectionChange = u"NID_SELECTION_CHANGE";
constexpr const char16_t* kDropDownOpening = u"NID_DROPDOWN_OPENING";
constexpr const char16_t* kTextChange = u"NID_TEXTBOX_TEXT_CHANGE";
constexpr const char16_t* kValidating = u"NID_TEXTBOX_VALIDATING";
constexpr const char16_t* kValidated = u"NID_TEXTBOX_VALIDATED";
constexpr const char16_t* kVisibilityChange = u"NID_VISIBLITY_CONDITION_CHANGE";
constexpr const char16_t* kItemActivated = u"NID_ITEM_ACTIVATED";
constexpr const char16_t* kHasFocusChange = u"NID_HAS_FOCUS_CONDITION_CHANGE";

// Down, Enter and Escape pressed without modifiers.
constexpr std::uint32_t kDownKey = kKeyPressed | (0x28u << kKeyVirtualKeyShift);
constexpr std::uint32_t kReturnKey = kKeyPressed | (0x0Du << kKeyVirtualKeyShift);
constexpr std::uint32_t kEscapeKey = kKeyPressed | (0x1Bu << kKeyVirtualKeyShift);

constexpr std::int32_t kLeftButton = 1;

RCPtr<LNotificationDistributor> AsDistributor(const LControl* control) {
  return RCPtr<LNotificationDistributor>(
      static_cast<LNotificationDistributor*>(const_cast<LControl*>(control))); // NOLINT: counted, not changed
}

std::uint32_t KeyBits(const RCPtr<LKeyParam>& key) { return key ? key->mKey.Bits() : 0u; }

// The skin's own layout of the control (the one the control started from).
const LLayoutDescriptor* SkinLayoutOf(const LControl& control) {
  return control.GetDescriptor() ? control.GetDescriptor()->GetLayout().GetRaw() : nullptr;
}

} // namespace

RCPtr<LControl>& LComboBox::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                   const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LComboBox>(out, parent, descriptor);
}

RCPtr<LListBox> LComboBox::GetListBox() const {
  return DynamicCast<LListBox>(FindChild(WideString(kListBoxName)));
}

RCPtr<LTextBox> LComboBox::GetTextBox() const {
  return DynamicCast<LTextBox>(FindChild(WideString(kTextBoxName)));
}

RCPtr<LTaggableObject> LComboBox::GetItemAt(std::int32_t index) const {
  return mListBox ? mListBox->GetItem(index) : RCPtr<LTaggableObject>();
}

WideString LComboBox::GetItemText(std::int32_t index) const {
  return mListBox ? mListBox->GetItemText(index) : WideString();
}

std::int32_t LComboBox::GetItemCount() const { return mListBox ? mListBox->GetItemCount() : 0; }

// ---------------------------------------------------------------------------
// Creation

QZRESULT LComboBox::ReadCreateParams() {
  const QZRESULT result = LDropDownControl::ReadCreateParams();
  mInitialSelectedIndex = 0;
  const RCPtr<LStringTable> params = GetDescriptor() ? GetDescriptor()->GetCreateParams() : RCPtr<LStringTable>();
  WideString text;
  if (params && params->GetString(kInitialSelectedIndex, text))
    mInitialSelectedIndex = text.ToInt();
  return result;
}

QZRESULT LComboBox::Initialize() {
  if (LDropDownControl::Initialize() < 0)
    return E_FAIL;
  mListBox = GetListBox();
  if (!mListBox)
    return E_FAIL;
  mComboHandler = LNotificationHandler<LComboBox>::Create(this);
  if (mComboHandler) {
    const RCPtr<LNotificationDistributor> list = AsDistributor(mListBox.GetRaw());
    static_cast<void>(mComboHandler->Register(&LComboBox::OnListVisibilityChange, list, kVisibilityChange));
    static_cast<void>(mComboHandler->Register(&LComboBox::OnListItemActivated, list, kItemActivated));
    if (const RCPtr<LTextBox> textBox = GetTextBox()) {
      const RCPtr<LNotificationDistributor> box = AsDistributor(textBox.GetRaw());
      static_cast<void>(mComboHandler->Register(&LComboBox::OnTextBoxPassOn, box, kValidating));
      static_cast<void>(mComboHandler->Register(&LComboBox::OnTextBoxPassOn, box, kTextChange));
      static_cast<void>(mComboHandler->Register(&LComboBox::OnTextBoxValidated, box, kValidated));
      static_cast<void>(mComboHandler->Register(&LComboBox::OnTextBoxFocusChange, box, kHasFocusChange));
    }
  }
  static_cast<void>(mListBox->SetDropDownMode(true));
  HideList();
  if (const RCPtr<LStringTable> table = GetStringTable())
    static_cast<void>(mListBox->ReadItemParams(table));
  const std::int32_t initial = mInitialSelectedIndex;
  if (initial >= 0 && initial < mListBox->GetItemCount() && mListBox->SelectRange(initial, -1, true) >= 0) {
    static_cast<void>(LControl::SetText(mListBox->GetItemText(initial)));
    mSelectedIndex = initial;
  }
  return S_OK;
}

QZRESULT LComboBox::FinishInitialize() {
  static_cast<void>(LDropDownControl::FinishInitialize());
  if (!mListBox)
    return E_FAIL;
  const RCPtr<LListBox> list = mListBox;
  HideList();
  const LLayoutDescriptor* skin = SkinLayoutOf(*list);
  const RCPtr<LLayoutDescriptor>& layout = list->GetLayout();
  if (!skin || !layout)
    return S_OK;
  for (const std::int32_t axis : {LLayoutDescriptor::kAxisX, LLayoutDescriptor::kAxisY}) {
    const double skinMinimum = skin->mMinSize[axis].mAbsolute;
    const double skinMaximum = skin->mMaxSize[axis].mAbsolute;
    if (skinMinimum != 0 && skinMaximum != 0)
      continue;
    SizeLimitSpec minimum = layout->mMinSize[axis];
    const SizeLimitSpec maximum = layout->mMaxSize[axis];
    if (skinMinimum == 0) {
      if (axis == LLayoutDescriptor::kAxisX) {
        minimum.mAbsolute = std::trunc(GetBounds().width);
      } else {
        minimum.mAbsolute = list->GetRowHeight();
        minimum.mRelative = 0;
      }
    }
    static_cast<void>(list->SetAxisSizeLimits(axis, minimum, maximum));
  }
  if (layout->mMaxSize[LLayoutDescriptor::kAxisY].mAbsolute > 0)
    static_cast<void>(list->SnapSizeLimitsToRows());
  return S_OK;
}

std::int32_t LComboBox::Receive(const RCPtr<LNotificationDistributor>& source,
                                const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mComboHandler) {
    const std::int32_t handled = mComboHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LDropDownControl::Receive(source, notification);
}

std::int32_t LComboBox::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mComboHandler && id)
    static_cast<void>(mComboHandler->Unregister(distributor, id));
  return LDropDownControl::Unsubscribe(distributor, id);
}

QZRESULT LComboBox::ReleaseInnerReferences() {
  mComboHandler = RCPtr<LNotificationHandler<LComboBox>>();
  mListBox = RCPtr<LListBox>();
  return LDropDownControl::ReleaseInnerReferences();
}

// ---------------------------------------------------------------------------
// Rows and selection

std::int32_t LComboBox::InsertItem(std::int32_t index, const RCPtr<LTaggableObject>& item) {
  if (!item)
    return E_INVALIDARG;
  if (!mListBox)
    return E_FAIL;
  const RCPtr<LControl> self(this);
  const std::int32_t row = mListBox->InsertItem(index, item);
  if (row < 0)
    return row;
  if (mSelectedIndex >= 0) {
    // The list has moved its own selection with the rows.
    if (row <= mSelectedIndex)
      ++mSelectedIndex;
  } else if (item->ToString().EqualsString(GetText())) {
    static_cast<void>(SetSelectedIndex(row));
  }
  return row;
}

std::int32_t LComboBox::AddItem(const RCPtr<LTaggableObject>& item) { return InsertItem(GetItemCount(), item); }

std::int32_t LComboBox::AddItem(const WideString& text) { return AddItem(LListBox::MakeTextItem(text)); }

std::int32_t LComboBox::SetSelectedIndex(std::int32_t index) {
  if (!mListBox) {
    mSelectedIndex = -1;
    return -1;
  }
  const RCPtr<LControl> self(this);
  const RCPtr<LListBox> list = mListBox;
  if (index < 0) {
    mSelectedIndex = -1;
    list->ClearSelection();
    return -1;
  }
  if (list->SelectRange(index, index, true) < 0) {
    mSelectedIndex = -1;
    return -1;
  }
  const std::int32_t previous = mSelectedIndex;
  mSelectedIndex = index;
  const WideString text = list->GetItemText(index);
  static_cast<void>(ApplyText(text, true));
  if (const RCPtr<LTextBox> textBox = GetTextBox())
    static_cast<void>(textBox->SetText(text));
  if (index != previous)
    Notify(LNotification::Create(kSelectionChange));
  return mSelectedIndex;
}

QZRESULT LComboBox::SetText(const WideString& text) {
  const RCPtr<LControl> self(this);
  if (!ApplyText(text, true))
    return S_FALSE;
  const std::int32_t row = mListBox ? mListBox->FindRowByText(text, false) : -1;
  static_cast<void>(SetSelectedIndex(row));
  return S_OK;
}

QZRESULT LComboBox::SetItemCount(std::int32_t count) {
  if (!mListBox)
    return E_FAIL;
  const RCPtr<LControl> self(this);
  const QZRESULT result = mListBox->SetItemCount(count);
  if (mSelectedIndex >= count)
    static_cast<void>(SetSelectedIndex(-1));
  if (IsDroppedDown())
    static_cast<void>(ShowDropDownList(true));
  return result;
}

// ---------------------------------------------------------------------------
// The drop-down list

bool LComboBox::IsDroppedDown() const {
  if (!mListBox)
    return false;
  const RectT<double>& bounds = mListBox->GetBounds();
  return mListBox->IsVisible(false) && bounds.width > 0 && bounds.height > 0;
}

QZRESULT LComboBox::ShowDropDown(bool show) { return ShowDropDownList(show); }

void LComboBox::HideList() {
  if (mListBox)
    static_cast<void>(mListBox->SetVisible(false));
}

void LComboBox::PlaceDropDownList(const RCPtr<LListBox>& list) {
  const double height = GetBounds().height;
  const double top = GetPositionInRoot().y;
  const RCPtr<IRootWindow>& rootWindow = GetRootWindowSlot();
  const double windowHeight = rootWindow ? static_cast<double>(rootWindow->GetBounds().height) : 0.0;
  const double roomBelow = windowHeight - (top + height) - kWindowMargin;
  const double roomAbove = top - kWindowMargin;

  const double wanted = static_cast<double>(list->GetItemCount()) * list->GetRowHeight();
  const LLayoutDescriptor* skin = SkinLayoutOf(*list);
  const double skinMaximum = skin ? skin->mMaxSize[LLayoutDescriptor::kAxisY].mAbsolute : 0.0;
  const RCPtr<LLayoutDescriptor>& layout = list->GetLayout();
  if (!layout)
    return;
  const double currentMaximum = layout->mMaxSize[LLayoutDescriptor::kAxisY].mAbsolute;

  bool below = false;
  if (currentMaximum != 0 && skinMaximum > 0 && (roomBelow >= skinMaximum || roomAbove >= skinMaximum))
    below = roomBelow >= skinMaximum;
  else
    below = roomBelow >= wanted || roomBelow >= roomAbove;
  const double available = below ? roomBelow : roomAbove;
  double newMaximum = 0;
  if (skinMaximum > 0)
    newMaximum = std::min(available, skinMaximum);
  else if (wanted > available)
    newMaximum = available;

  SizeLimitSpec maximum = layout->mMaxSize[LLayoutDescriptor::kAxisY];
  maximum.mAbsolute = newMaximum;
  static_cast<void>(
      list->SetAxisSizeLimits(LLayoutDescriptor::kAxisY, layout->mMinSize[LLayoutDescriptor::kAxisY], maximum));

  AxisPlacement placement;
  placement.mReference = kPositionParent;
  placement.mAnchor = below ? 0.0f : 1.0f;
  placement.mRelative = below ? 1.0f : 0.0f;
  placement.mAbsolute = 0;
  placement.mDocked = false;
  SizeSpec size = layout->mSize[LLayoutDescriptor::kAxisY];
  size.mAbsolute = std::min(wanted, available);
  static_cast<void>(list->SetAxisPlacement(LLayoutDescriptor::kAxisY, placement, size));
  static_cast<void>(list->SnapSizeLimitsToRows());

  // The first row that shows the box's text ends up selected and in view.
  bool found = false;
  for (std::int32_t row = list->GetItemCount() - 1; row >= 0; --row) {
    if (list->GetItemText(row).EqualsString(GetText())) {
      static_cast<void>(list->SelectRange(row, -1, true));
      static_cast<void>(list->ScrollRowIntoView(row));
      found = true;
    }
  }
  if (!found && list->GetItemCount() > 0) {
    static_cast<void>(list->SelectRange(0, -1, true));
    static_cast<void>(list->ScrollRowIntoView(0));
  }
}

QZRESULT LComboBox::ShowDropDownList(bool show) {
  if (!mListBox)
    return E_FAIL;
  const RCPtr<LControl> self(this);
  const RCPtr<LListBox> list = mListBox;
  if (show && GetParent()) {
    Notify(LNotification::Create(kDropDownOpening));
    PlaceDropDownList(list);
  }
  static_cast<void>(list->SetVisible(show));
  if (show) {
    // The press that opened the list goes on in the list: dragged over the
    // rows, it is released on one.
    if (list->IsDropDownMode() && mLeftDragArmed)
      static_cast<void>(list->BeginCapture(kLeftButton, mPressPoint.RoundToLong()));
    static_cast<void>(list->SetFocus(true));
  }
  return S_OK;
}

// ---------------------------------------------------------------------------
// Looks, conditions and keys

void LComboBox::UpdateVisualState() { static_cast<void>(SelectLook(StateLook(true))); }

void LComboBox::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  if (conditions && (conditions->mCurrentBits & kConditionLeftDragArmed) != 0 &&
      (conditions->mPreviousBits & kConditionLeftDragArmed) == 0) {
    const PointT<double> listAt = mListBox ? mListBox->GetOffsetInParent() : PointT<double>{};
    mPressPoint = {conditions->mPoint.x - listAt.x, conditions->mPoint.y - listAt.y};
  }
  const RCPtr<LControl> self(this);
  LDropDownControl::OnConditionsChanged(conditions);
  UpdateVisualState();
}

QZRESULT LComboBox::HandleKey(const RCPtr<LKeyParam>& key) {
  const std::uint32_t bits = KeyBits(key);
  if (!IsDroppedDown()) {
    if (bits == kDownKey || bits == kReturnKey) {
      static_cast<void>(ShowDropDownList(true));
      return S_OK;
    }
  } else if (bits == kEscapeKey) {
    HideList();
    return S_OK;
  }
  return S_FALSE;
}

void LComboBox::ProcessUnhandledKey(const RCPtr<LKeyParam>& key) {
  if (KeyBits(key) == kEscapeKey)
    HideList();
}

WideString LComboBox::GetToolTipText() const {
  return IsTextTruncated() ? GetText() : LDropDownControl::GetToolTipText();
}

// ---------------------------------------------------------------------------
// Notifications of the parts

std::int32_t LComboBox::OnListVisibilityChange(const RCPtr<LNotificationDistributor>&,
                                               const RCPtr<LNotification>&) {
  UpdateVisualState();
  return 0;
}

std::int32_t LComboBox::OnListItemActivated(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
  const RCPtr<LControl> self(this);
  const std::int32_t row = mListBox ? mListBox->GetFocusRow() : -1;
  static_cast<void>(SetSelectedIndex(row < GetItemCount() ? row : -1));
  return 1;
}

std::int32_t LComboBox::OnTextBoxPassOn(const RCPtr<LNotificationDistributor>&,
                                        const RCPtr<LNotification>& notification) {
  if (notification)
    Notify(LNotification::Create(notification->GetID(), notification->GetPayload()));
  return 0;
}

std::int32_t LComboBox::OnTextBoxValidated(const RCPtr<LNotificationDistributor>&,
                                           const RCPtr<LNotification>& notification) {
  const RCPtr<LControl> self(this);
  const RCPtr<LTextValidationParams> params = notification
                                                  ? DynamicCast<LTextValidationParams>(notification->GetPayload())
                                                  : RCPtr<LTextValidationParams>();
  if (params) {
    const std::int32_t row = mListBox ? mListBox->SelectByText(params->mText, -1, false) : -1;
    static_cast<void>(SetSelectedIndex(row));
    Notify(LNotification::Create(kValidated, notification->GetPayload()));
  }
  return 0;
}

std::int32_t LComboBox::OnTextBoxFocusChange(const RCPtr<LNotificationDistributor>&,
                                             const RCPtr<LNotification>& notification) {
  const RCPtr<LConditionsParam> conditions =
      notification ? DynamicCast<LConditionsParam>(notification->GetPayload()) : RCPtr<LConditionsParam>();
  if (conditions && (conditions->mCurrentBits & kConditionHasFocus) != 0 &&
      (conditions->mPreviousBits & kConditionHasFocus) == 0)
    HideList();
  return 0;
}

} // namespace QZ
