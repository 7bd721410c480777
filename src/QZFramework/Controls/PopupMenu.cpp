#include "QZFramework/Controls/PopupMenu.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/FontText.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/ControlBase/Look.h"
#include "QZFramework/Controls/ComboMenu.h"
#include "QZFramework/Controls/MainMenu.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Renderer/Renderer.h"
#include "QZFramework/Utilities/Storage/ReuseAllocator.h"

#include <algorithm>
#include <cmath>

namespace QZ {

namespace {

constexpr const char16_t* kHotKeyLabelName = u"hotKeyLabel";
constexpr const char16_t* kCheckBoxName = u"checkBox";
constexpr const char16_t* kSubmenuName = u"submenu";
constexpr const char16_t* kHoverChange = u"NID_HOVER_CONDITION_CHANGE";
constexpr const char16_t* kItemActivated = u"NID_ITEM_ACTIVATED";

constexpr std::uint32_t kLeftKey = kKeyPressed | (0x25u << kKeyVirtualKeyShift);
constexpr std::uint32_t kRightKey = kKeyPressed | (0x27u << kKeyVirtualKeyShift);
constexpr std::uint32_t kEscapeKey = kKeyPressed | (0x1Bu << kKeyVirtualKeyShift);
constexpr std::uint32_t kEnterKey = kKeyPressed | (0x0Du << kKeyVirtualKeyShift);

constexpr std::int32_t kLeftButton = 1;

using ActivationAllocator = ReuseAllocator<LMenuActivationParam, 4>;

// Made at first use and never destroyed: a posted activation may be dropped while the process ends.
ActivationAllocator& GetActivationAllocator() {
  static ActivationAllocator* allocator = new ActivationAllocator(true);
  return *allocator;
}

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

double AxisOf(const PointT<double>& point, std::int32_t axis) { return axis == 0 ? point.x : point.y; }

} // namespace

// ---------------------------------------------------------------------------
// LMenuActivationParam

RCPtr<LMenuActivationParam> LMenuActivationParam::Create(const RCPtr<LMenuDescriptor>& menu, std::int32_t row) {
  return RCPtr<LMenuActivationParam>(new LMenuActivationParam(menu, row));
}

LMenuActivationParam::~LMenuActivationParam() = default;

void* LMenuActivationParam::operator new(std::size_t size) { return GetActivationAllocator().Allocate(size); }

void LMenuActivationParam::operator delete(void* p) { GetActivationAllocator().Free(p); }

WideString LMenuActivationParam::ToString() const { return WideString(u"LMenuActivationParam: Row = %d", mValue); }

// ---------------------------------------------------------------------------
// Creation

RCPtr<LControl>& LPopupMenu::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                    const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LPopupMenu>(out, parent, descriptor);
}

QZRESULT LPopupMenu::Initialize() {
  if (LCheckedListBox::Initialize() < 0)
    return E_FAIL;
  const RCPtr<LControl> self(this);
  mPopupHandler = LNotificationHandler<LPopupMenu>::Create(this);
  // Row controls the list made before the handler existed.
  for (std::int32_t k = 0; k < GetItemControlCount(); ++k)
    static_cast<void>(mPopupHandler->Register(&LPopupMenu::OnRowHoverChange,
                                              AsDistributor(RCPtr<LControl>(GetItemControlAt(k))), kHoverChange));
  InitSizeLimits();
  SetFocusIgnoresAncestors(true);
  static_cast<void>(SetDropDownMode(true));
  SetCheckBoxClickThrough(true);
  return BuildMenuFromStringTable();
}

QZRESULT LPopupMenu::FinishInitialize() {
  static_cast<void>(LCheckedListBox::FinishInitialize());
  static_cast<void>(SetHidden(false));
  static_cast<void>(SetVisible(false));
  InitSizeLimits();
  return S_OK;
}

void LPopupMenu::InitSizeLimits() {
  mMenuTextMargin = -1;
  const LLayoutDescriptor* skin = mDescriptor ? mDescriptor->GetLayout().GetRaw() : nullptr;
  if (!skin || !mLayout)
    return;
  for (const std::int32_t axis : {LLayoutDescriptor::kAxisX, LLayoutDescriptor::kAxisY}) {
    if (skin->mMinSize[axis].mAbsolute != 0 && skin->mMaxSize[axis].mAbsolute != 0)
      continue;
    SizeLimitSpec minimum = mLayout->mMinSize[axis];
    const SizeLimitSpec maximum = mLayout->mMaxSize[axis];
    if (axis == LLayoutDescriptor::kAxisX) {
      minimum.mAbsolute = std::trunc(mBounds.width);
    } else {
      minimum.mAbsolute = GetRowHeight();
      minimum.mRelative = 0;
    }
    static_cast<void>(SetAxisSizeLimits(axis, minimum, maximum));
  }
}

QZRESULT LPopupMenu::BuildMenuFromStringTable() {
  const RCPtr<LStringTable> table = GetStringTable();
  if (!table)
    return S_FALSE;
  LStringTable::SortedEntries entries;
  table->GetSortedEntries(entries);
  if (const RCPtr<LMenuDescriptor> menu = LMenuDescriptor::CreateFromStringTable(entries))
    return SetMenu(menu);
  return S_OK;
}

QZRESULT LPopupMenu::CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) {
  const QZRESULT result = LCheckedListBox::CreateChildrenFromDescriptor(descriptor);
  if (result >= 0 && mMenu && mCreated) {
    const RCPtr<LControl> self(this);
    ClearSelection();
    static_cast<void>(RebuildRows());
  }
  return result;
}

QZRESULT LPopupMenu::CreateItemControl() {
  const QZRESULT result = LCheckedListBox::CreateItemControl();
  if (result < 0 || !mPopupHandler)
    return result;
  const RCPtr<LControl> control(GetItemControlAt(GetItemControlCount() - 1));
  if (control)
    static_cast<void>(
        mPopupHandler->Register(&LPopupMenu::OnRowHoverChange, AsDistributor(control), kHoverChange));
  return result;
}

std::int32_t LPopupMenu::Receive(const RCPtr<LNotificationDistributor>& source,
                                 const RCPtr<LNotification>& notification) {
  if (!mCreated)
    return 0;
  if (mPopupHandler) {
    const std::int32_t handled = mPopupHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LCheckedListBox::Receive(source, notification);
}

std::int32_t LPopupMenu::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mPopupHandler && id)
    static_cast<void>(mPopupHandler->Unregister(distributor, id));
  return LCheckedListBox::Unsubscribe(distributor, id);
}

QZRESULT LPopupMenu::ReleaseInnerReferences() {
  mPopupHandler = RCPtr<LNotificationHandler<LPopupMenu>>();
  mSubmenu = RCPtr<LPopupMenu>();
  mOpenSubmenuItem = RCPtr<LMenuDescriptor>();
  mCommandReceiver = RCPtr<LNotificationReceiver>();
  mItemUpdater = RCPtr<LMenuItemUpdater>();
  mMenu = RCPtr<LMenuDescriptor>();
  return LCheckedListBox::ReleaseInnerReferences();
}

// ---------------------------------------------------------------------------
// The menu and its rows

QZRESULT LPopupMenu::SetMenu(const RCPtr<LMenuDescriptor>& menu) {
  if (!menu)
    return E_INVALIDARG;
  const RCPtr<LControl> self(this);
  static_cast<void>(CloseSubmenu());
  mMenu = menu->Clone();
  if (!mMenu)
    return E_OUTOFMEMORY;
  ResolveHotKeyTexts(mMenu);
  return RebuildRows();
}

QZRESULT LPopupMenu::SetMenuFromParentItem(const RCPtr<LPopupMenu>& parent, std::int32_t row) {
  const RCPtr<LMenuItemDescriptor> item = parent ? parent->GetRowItem(row) : RCPtr<LMenuItemDescriptor>();
  if (!item)
    return E_INVALIDARG;
  mMenu = item;
  ResolveHotKeyTexts(mMenu);
  return RebuildRows();
}

RCPtr<LMenuItemDescriptor> LPopupMenu::GetRowItem(std::int32_t row) const {
  if (!mMenu || row < 0 || row >= GetItemCount())
    return RCPtr<LMenuItemDescriptor>();
  return mMenu->GetItem(static_cast<std::uint32_t>(row));
}

std::int32_t LPopupMenu::RowOfItem(const LMenuDescriptor* item) const {
  if (!mMenu || !item)
    return -1;
  for (std::uint32_t i = 0; i < mMenu->GetItemCount() && static_cast<std::int32_t>(i) < GetItemCount(); ++i)
    if (mMenu->GetItem(i).GetRaw() == item)
      return static_cast<std::int32_t>(i);
  return -1;
}

QZRESULT LPopupMenu::SetCommandReceiver(const RCPtr<LNotificationReceiver>& receiver) {
  if (!receiver)
    return E_INVALIDARG;
  if (mCommandReceiver)
    return E_FAIL;
  mCommandReceiver = receiver;
  if (mMenu) {
    const RCPtr<LControl> self(this);
    ResolveHotKeyTexts(mMenu);
    static_cast<void>(RebuildRows());
  }
  return S_OK;
}

RCPtr<LNotificationReceiver> LPopupMenu::GetCommandReceiver() const {
  if (mCommandReceiver)
    return mCommandReceiver;
  for (RCPtr<LControl> control = mParent; control; control = control->GetParent()) {
    if (!DynamicCast<LPopupMenu>(control))
      return RCPtr<LNotificationReceiver>(static_cast<LNotificationReceiver*>(control.GetRaw()));
  }
  return RCPtr<LNotificationReceiver>();
}

RCPtr<LMenuItemUpdater> LPopupMenu::GetItemUpdater() {
  if (mItemUpdater)
    return mItemUpdater;
  const RCPtr<LNotificationReceiver> receiver = GetCommandReceiver();
  if (auto* control = dynamic_cast<LControl*>(receiver.GetRaw()))
    mItemUpdater = control->GetMenuItemUpdater();
  return mItemUpdater;
}

void LPopupMenu::ResolveHotKeyTexts(const RCPtr<LMenuDescriptor>& menu) {
  if (!menu)
    return;
  const RCPtr<LNotificationReceiver> receiver = GetCommandReceiver();
  const auto* receiverControl = dynamic_cast<const LControl*>(receiver.GetRaw());
  const RCPtr<IRootWindow> rootWindow =
      receiverControl ? receiverControl->GetRootWindowSlot() : GetRootWindowSlot();
  IFrameworkApp* app = GetFrameworkApp();
  // Commands posted to the window come from the window's and the application's keys only.
  const bool windowOnly =
      mCommandReceiver && rootWindow && mCommandReceiver == rootWindow->GetQueuePostingReceiver();
  for (std::uint32_t i = 0; i < menu->GetItemCount(); ++i) {
    const RCPtr<LMenuItemDescriptor> item = menu->GetItem(i);
    if (item->HasSubItems()) {
      ResolveHotKeyTexts(item);
      continue;
    }
    if (!item->mShortcut.IsEmpty() || item->mCommand.IsEmpty())
      continue;
    std::uint32_t code = kNoHotKeyCode;
    if (!windowOnly && receiverControl)
      code = receiverControl->GetLocalHotKey(item->mCommand).Bits();
    if ((code & kKeyInvalid) != 0 && rootWindow)
      code = rootWindow->FindFirstHotKey(item->mCommand);
    if ((code & kKeyInvalid) != 0 && app)
      code = app->FindFirstGlobalHotKey(item->mCommand);
    if ((code & kKeyInvalid) == 0)
      item->mShortcut = KeyCode::FormatForDisplay(static_cast<std::int32_t>(code));
  }
}

QZRESULT LPopupMenu::RebuildRows() {
  if (!mMenu)
    return S_OK;
  const RCPtr<LControl> self(this);
  const auto count = static_cast<std::int32_t>(mMenu->GetItemCount());
  static_cast<void>(SetItemCount(count));
  const RCPtr<LCheckedListBoxItem> sample = GetCheckedItemControlAt(GetItemControlCount() - 1);
  if (!sample)
    return S_FALSE;
  if (mMenuTextMargin < 0) {
    const RCPtr<LControl>& checkBox = sample->FindChild(WideString(kCheckBoxName));
    const RCPtr<LControl>& hotKeyLabel = sample->FindChild(WideString(kHotKeyLabelName));
    double margin = kTextMarginExtra;
    if (checkBox)
      margin += std::trunc(checkBox->GetBounds().x + checkBox->GetBounds().width);
    if (hotKeyLabel)
      margin +=
          std::trunc(sample->GetBounds().width - hotKeyLabel->GetBounds().x - hotKeyLabel->GetBounds().width);
    mMenuTextMargin = static_cast<std::int32_t>(margin);
  }
  // A separator is a blank row: its height is the separator height.
  const bool wasBlank = sample->IsBlank();
  sample->SetBlank(true);
  static_cast<void>(sample->SetText(WideString()));
  static_cast<void>(sample->UpdateLayout());
  mSeparatorHeight = static_cast<std::int32_t>(std::trunc(sample->GetBounds().height));
  sample->SetBlank(wasBlank);

  mSeparatorCount = 0;
  std::int32_t contentWidth = 0;
  for (std::int32_t row = 0; row < count; ++row) {
    const RCPtr<LMenuItemDescriptor> item = mMenu->GetItem(static_cast<std::uint32_t>(row));
    static_cast<void>(
        SetRow(row, RCPtr<LTaggableObject>(item.GetRaw()), 0.0, item->HasSubItems(), item->mSeparator != 0));
    SetRowChecked(row, item->mChecked != 0);
    if (item->mSeparator != 0)
      ++mSeparatorCount;
    contentWidth = std::max(contentWidth, MeasureItemWidth(row));
  }
  static_cast<void>(SetContentWidth(contentWidth));
  static_cast<void>(SetWidthForContent(GetScrollBarSize().width + contentWidth));
  static_cast<void>(SetHeightForContent(GetContentHeight()));
  static_cast<void>(RebindFrom(0));
  return S_OK;
}

std::int32_t LPopupMenu::MeasureItemWidth(std::int32_t row) {
  const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
  const RCPtr<LCheckedListBoxItem> control = GetCheckedItemControlAt(0);
  if (!item || !control)
    return 0;
  IFrameworkApp* app = GetFrameworkApp();
  const RCPtr<LRenderer> renderer = app ? app->GetRenderer() : RCPtr<LRenderer>();
  if (!renderer)
    return std::max(mMenuTextMargin, 0);
  double width = LFontText::MeasuredWidth(*renderer, item->mLabel, control->GetFontRef());
  if (const RCPtr<LControl>& hotKeyLabel = control->FindChild(WideString(kHotKeyLabelName)))
    width += LFontText::MeasuredWidth(*renderer, item->mShortcut, hotKeyLabel->GetFontRef());
  return static_cast<std::int32_t>(std::lround(width)) + std::max(mMenuTextMargin, 0);
}

std::int32_t LPopupMenu::MeasureRowWidth(std::int32_t row) { return MeasureItemWidth(row); }

std::int32_t LPopupMenu::GetContentHeight() const {
  return mSeparatorCount * mSeparatorHeight + (GetItemCount() - mSeparatorCount) * GetRowHeight();
}

bool LPopupMenu::CanSelectRow(std::int32_t row) const {
  const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
  return item && item->mEnabled != 0 && item->mSeparator == 0;
}

QZRESULT LPopupMenu::SwapRows(std::int32_t, std::int32_t) { return E_NOTIMPL; }

QZRESULT LPopupMenu::BindRow(std::int32_t row, std::int32_t& index) {
  const QZRESULT result = LCheckedListBox::BindRow(row, index);
  if (result < 0 || index < 0)
    return result;
  const RCPtr<LCheckedListBoxItem> control = GetCheckedItemControlAt(index);
  if (!control)
    return result;
  const RCPtr<LControl>& hotKeyLabel = control->FindChild(WideString(kHotKeyLabelName));
  const RCPtr<LButton> checkBox = control->GetCheckBox();
  const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
  if (hotKeyLabel)
    static_cast<void>(hotKeyLabel->SetText(item ? item->mShortcut : WideString()));
  std::int32_t checkLook = kCheckLookUnchecked;
  if (item) {
    control->SetBlank(item->mSeparator != 0);
    // Separators are drawn as rows but never taken: a disabled row control ignores the pointer.
    control->SetEnabled(item->mEnabled != 0 && item->mSeparator == 0);
    if (item->mChecked != 0)
      checkLook = control->IsMouseInside() ? kCheckLookCheckedHover : kCheckLookChecked;
  } else {
    control->SetEnabled(false);
  }
  if (checkBox && static_cast<std::uint32_t>(checkLook) < checkBox->GetLookCount())
    static_cast<void>(checkBox->SelectLook(checkLook));
  if (hotKeyLabel) {
    const RCPtr<LLook>& rowLook = control->GetLook(-1);
    if (rowLook && rowLook->GetClientPart())
      static_cast<void>(hotKeyLabel->SetLookClientPart(std::max(hotKeyLabel->GetFirstVisibleLookIndex(), 0),
                                                       rowLook->GetClientPart()));
  }
  return result;
}

// ---------------------------------------------------------------------------
// Item states

void LPopupMenu::RefreshItemStates() {
  const RCPtr<LMenuItemUpdater> updater = GetItemUpdater();
  if (!updater || !mMenu)
    return;
  const RCPtr<LControl> self(this);
  ClearSelection();
  for (std::int32_t row = GetItemCount(); row-- > 0;) {
    const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
    if (!item || item->HasSubItems() || item->mSeparator != 0)
      continue;
    LMenuItemState state;
    static_cast<void>(mMenu->GetItemInfo(static_cast<std::uint32_t>(row), state));
    if (const RCPtr<LControl> target = updater->mTarget)
      static_cast<void>(target->GetCommandEnabled(mMenu, row, item->mCommand, state));
    static_cast<void>(ApplyItemState(row, state));
  }
}

QZRESULT LPopupMenu::ApplyItemState(std::int32_t row, const LMenuItemState& state) {
  const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
  if (!item)
    return E_INVALIDARG;
  LMenuItemState current;
  static_cast<void>(mMenu->GetItemInfo(static_cast<std::uint32_t>(row), current));
  if (current == state)
    return S_FALSE;
  const RCPtr<LControl> self(this);
  if (item->mSeparator == 0)
    item->mEnabled = state.mEnabled ? 1 : 0;
  if (item->mSeparator == 0 && !item->HasSubItems()) {
    item->mChecked = state.mChecked ? 1 : 0;
    SetRowChecked(row, state.mChecked);
  }
  if (!item->mLabel.EqualsString(state.mLabel)) {
    item->mLabel = state.mLabel;
    static_cast<void>(RebuildRows());
  }
  std::int32_t index = -1;
  static_cast<void>(BindRow(row, index));
  return S_OK;
}

// ---------------------------------------------------------------------------
// Submenus

RCPtr<LPopupMenu> LPopupMenu::GetParentMenu() const { return DynamicCast<LPopupMenu>(mParent); }

bool LPopupMenu::IsInMenuChain(const LPopupMenu* menu) const {
  if (!menu)
    return false;
  for (const LPopupMenu* up = this; up; up = DynamicCast<LPopupMenu>(up->GetParent()).GetRaw())
    if (up == menu)
      return true;
  for (const LPopupMenu* down = mSubmenu.GetRaw(); down; down = down->mSubmenu.GetRaw())
    if (down == menu)
      return true;
  return false;
}

void LPopupMenu::StartHoverTimer() {
  IFrameworkApp* app = GetFrameworkApp();
  mHoverStart = app ? app->GetMilliseconds() : 0;
  if (!mHoverTimerRunning) {
    mHoverTimerRunning = true;
    static_cast<void>(BeginIdleNotifications());
  }
}

void LPopupMenu::StopHoverTimer() {
  if (!mHoverTimerRunning)
    return;
  mHoverTimerRunning = false;
  static_cast<void>(EndIdleNotifications());
}

void LPopupMenu::PlaceAtRootPosition(std::int32_t axis, double p) {
  if (!mLayout)
    return;
  AxisPlacement placement = mLayout->mPlacement[axis];
  const SizeSpec size = mLayout->mSize[axis];
  placement.mRelative = 0;
  // The parent's origin, wherever the skin's reference puts it: the difference
  // to the wanted place is measured and corrected (twice at most, as a
  // changed relative part moves the control once more).
  for (int pass = 0; pass < 2; ++pass) {
    const double now = AxisOf(GetPositionInRoot(), axis);
    if (pass > 0 && now == p)
      break;
    placement.mAbsolute += p - now;
    static_cast<void>(SetAxisPlacement(axis, placement, size));
  }
}

QZRESULT LPopupMenu::OpenSubmenu(std::int32_t row) {
  const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
  if (!item || !item->HasSubItems())
    return E_INVALIDARG;
  const RCPtr<LPopupMenu> self(this);
  static_cast<void>(CloseSubmenu());
  IFrameworkApp* app = GetFrameworkApp();
  LControlFactory* factory = app ? app->GetControlFactory() : nullptr;
  if (!factory || !mDescriptor || !mLayout)
    return E_FAIL;
  const RCPtr<LControlDescriptor> descriptor =
      factory->CloneDescriptor(mDescriptor, mLayout->Clone(), WideString(kSubmenuName));
  // The submenu closed before must be gone, as the new one takes its name.
  static_cast<void>(CloseDeferredChildren());
  mFocusPassing = true;
  const RCPtr<LControl> created = factory->CreateControl(descriptor, RCPtr<LControl>(self));
  const RCPtr<LPopupMenu> submenu = DynamicCast<LPopupMenu>(created);
  if (!submenu || submenu->GetParent() != RCPtr<LControl>(self)) {
    if (created && created->GetParent() == RCPtr<LControl>(self))
      static_cast<void>(created->Close());
    return E_FAIL;
  }
  mSubmenu = submenu;
  mOpenSubmenuItem = item;
  submenu->mCommandReceiver = mCommandReceiver;
  submenu->mAutoClose = mAutoClose;
  submenu->mItemUpdater = mItemUpdater;
  static_cast<void>(submenu->SetMenuFromParentItem(self, row));

  // Right of the row, or left of this menu when the window ends first; down
  // from the row, moved up to end at the window's bottom but not above the top.
  const RectT<double> rowRect = GetRowRect(row);
  const PointT<double> origin = GetPositionInRoot();
  const RCPtr<IRootWindow>& rootWindow = GetRootWindowSlot();
  const SizeT<std::int32_t> client = rootWindow ? rootWindow->GetSize() : SizeT<std::int32_t>{0, 0};
  const RectT<double>& size = submenu->GetBounds();
  double x = std::trunc(rowRect.x + rowRect.width);
  if (rootWindow && origin.x + x + size.width > client.width) {
    x = -size.width;
    if (origin.x + x < 0)
      x = std::trunc(rowRect.x + rowRect.width);
  }
  double y = std::trunc(rowRect.y);
  if (rootWindow && origin.y + y + size.height > client.height)
    y = client.height - origin.y - size.height;
  if (origin.y + y < 0)
    y = 0;
  submenu->PlaceAtRootPosition(LLayoutDescriptor::kAxisX, origin.x + x);
  submenu->PlaceAtRootPosition(LLayoutDescriptor::kAxisY, origin.y + y);
  static_cast<void>(submenu->SetVisible(true));
  return S_OK;
}

QZRESULT LPopupMenu::CloseSubmenu() {
  StopHoverTimer();
  if (mSubmenu) {
    const RCPtr<LControl> self(this);
    mFocusPassing = true;
    const RCPtr<LPopupMenu> submenu = std::move(mSubmenu);
    mSubmenu = RCPtr<LPopupMenu>();
    static_cast<void>(submenu->CloseSubmenu());
    static_cast<void>(submenu->SetVisible(false));
    static_cast<void>(CloseChildLater(RCPtr<LControl>(submenu)));
  }
  mOpenSubmenuItem = RCPtr<LMenuDescriptor>();
  return S_OK;
}

QZRESULT LPopupMenu::CloseMenu() {
  mClosing = true;
  if (const RCPtr<LPopupMenu> parent = GetParentMenu())
    return parent->CloseMenu();
  const RCPtr<LControl> self(this);
  StopHoverTimer();
  static_cast<void>(CloseSubmenu());
  if (mParent)
    static_cast<void>(mParent->CloseChildLater(self));
  else
    static_cast<void>(SetVisible(false));
  return S_OK;
}

void LPopupMenu::MarkOpenSubmenuRow() {
  const std::int32_t row = RowOfItem(mOpenSubmenuItem.GetRaw());
  if (row >= 0 && GetFocusRow() != row)
    static_cast<void>(SelectRange(row, row, true));
  StopHoverTimer();
}

bool LPopupMenu::IsPointerOverRow(std::int32_t row) const {
  const RCPtr<LListBoxItem> control = GetItemControlAt(GetItemControlIndex(row));
  const RCPtr<IRootWindow>& rootWindow = GetRootWindowSlot();
  if (!control || !rootWindow)
    return false;
  if (control->IsMouseInside())
    return true;
  // While the list holds the pointer (a press dragged over the rows) no row sees it enter.
  const PointT<std::int32_t> cursor = rootWindow->GetCursorPosition();
  const PointT<double> at = control->GetPositionInRoot();
  const RectT<double>& bounds = control->GetBounds();
  return cursor.x >= at.x && cursor.x < at.x + bounds.width && cursor.y >= at.y && cursor.y < at.y + bounds.height;
}

std::int32_t LPopupMenu::FirstSelectableRow() const {
  for (std::int32_t row = 0; row < GetItemCount(); ++row)
    if (CanSelectRow(row))
      return row;
  return -1;
}

void LPopupMenu::OnSelectionChanged() {
  LCheckedListBox::OnSelectionChanged();
  const RCPtr<LControl> self(this);
  if (const RCPtr<LPopupMenu> parent = GetParentMenu())
    parent->MarkOpenSubmenuRow();
  const std::int32_t row = GetFocusRow();
  const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
  if (!item)
    return;
  if (item->HasSubItems()) {
    if (item.GetRaw() == mOpenSubmenuItem.GetRaw())
      StopHoverTimer();
    else if (IsPointerOverRow(row))
      StartHoverTimer();
  } else if (mSubmenu) {
    // Resting on a command row closes the open submenu after the same delay.
    StartHoverTimer();
  }
}

void LPopupMenu::OnIdle() {
  LCheckedListBox::OnIdle();
  if (!mHoverTimerRunning)
    return;
  IFrameworkApp* app = GetFrameworkApp();
  const std::uint32_t now = app ? app->GetMilliseconds() : 0;
  if (now - mHoverStart <= kHoverDelay)
    return;
  const RCPtr<LControl> self(this);
  static_cast<void>(CloseSubmenu());
  const std::int32_t row = GetFocusRow();
  const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
  if (item && item->HasSubItems())
    static_cast<void>(OpenSubmenu(row));
}

// ---------------------------------------------------------------------------
// Activation

void LPopupMenu::OnRowActivated(std::int32_t row) {
  LCheckedListBox::OnRowActivated(row);
  const RCPtr<LMenuItemDescriptor> item = GetRowItem(GetFocusRow() >= 0 ? GetFocusRow() : row);
  if (!item)
    return;
  const RCPtr<LPopupMenu> self(this);
  if (item->HasSubItems()) {
    if (item.GetRaw() != mOpenSubmenuItem.GetRaw())
      static_cast<void>(OpenSubmenu(RowOfItem(item.GetRaw())));
    if (mSubmenu) {
      const std::int32_t first = mSubmenu->FirstSelectableRow();
      if (first >= 0)
        static_cast<void>(mSubmenu->SelectRange(first, -1, true));
    }
    return;
  }
  if (const RCPtr<LPopupMenu> parent = GetParentMenu())
    parent->mFocusPassing = true;
  ActivateItem(item);
}

void LPopupMenu::ActivateRowInPlace(std::int32_t row) {
  const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
  if (!item || !CanSelectRow(row))
    return;
  if (item->HasSubItems()) {
    // A submenu row keeps its menu open: the list's activation would hide it.
    if (GetFocusRow() != row)
      static_cast<void>(SelectRange(row, -1, true));
    OnRowActivated(row);
    return;
  }
  ActivateRow(row);
}

void LPopupMenu::ActivateItem(const RCPtr<LMenuItemDescriptor>& item) {
  const RCPtr<LPopupMenu> self(this);
  for (RCPtr<LControl> control = mParent; control; control = control->GetParent()) {
    if (const RCPtr<LMainMenu> bar = DynamicCast<LMainMenu>(control)) {
      bar->RestoreFocusBeforeMenu();
      break;
    }
  }
  if (mAutoClose && !mClosing)
    static_cast<void>(SetVisible(false));
  const RCPtr<LNotificationReceiver> receiver = GetCommandReceiver();
  if (receiver) {
    std::int32_t row = GetFocusRow();
    if (row >= GetItemCount())
      row = -1;
    // The title of a menu that does not close itself hides the whole chain on this.
    RCPtr<LPopupMenu> top = self;
    while (const RCPtr<LPopupMenu> up = top->GetParentMenu())
      top = up;
    top->Notify(LNotification::Create(kItemActivated));
    if (!item->mCommand.IsEmpty()) {
      const RCPtr<LMenuActivationParam> param = LMenuActivationParam::Create(mMenu, row);
      const RCPtr<LNotification> command = LNotification::Create(item->mCommand.GetChars(), param);
      static_cast<void>(receiver->Receive(RCPtr<LNotificationDistributor>(), command));
    }
  }
  if (mAutoClose && !mClosing)
    static_cast<void>(CloseMenu());
}

void LPopupMenu::DismissShownMenu() {
  const RCPtr<LPopupMenu> self(this);
  RCPtr<LPopupMenu> top = self;
  while (const RCPtr<LPopupMenu> up = top->GetParentMenu())
    top = up;
  // The focus goes back where it was before the menu bar took it, as after an activation.
  for (RCPtr<LControl> control = top->GetParent(); control; control = control->GetParent()) {
    if (const RCPtr<LMainMenu> bar = DynamicCast<LMainMenu>(control)) {
      bar->RestoreFocusBeforeMenu();
      break;
    }
  }
  static_cast<void>(top->CloseSubmenu());
  static_cast<void>(top->SetVisible(false));
  // Nothing had the focus before: the control that shows the menu keeps it rather than a hidden menu.
  const RCPtr<LControl> owner = top->GetParent();
  if (owner && (top->HasFocus() || top->ContainsFocus()))
    static_cast<void>(owner->SetFocus(true));
}

// ---------------------------------------------------------------------------
// Focus, visibility, pointer and keys

QZRESULT LPopupMenu::SetFocus(bool fromFirst) {
  if ((mHasFocus || mContainsFocus) && !mFocusPassing && mAutoClose && !mClosing)
    static_cast<void>(CloseMenu());
  mFocusPassing = false;
  return LCheckedListBox::SetFocus(fromFirst);
}

void LPopupMenu::OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) {
  LCheckedListBox::OnConditionsChanged(conditions);
  if (!conditions)
    return;
  const RCPtr<LControl> self(this);
  const std::uint32_t previous = conditions->mPreviousBits;
  const std::uint32_t current = conditions->mCurrentBits;
  const std::uint32_t focusBits = kConditionHasFocus | kConditionContainsFocus;
  const bool top = !GetParentMenu();
  if (top && ((previous ^ current) & focusBits) != 0 && (current & focusBits) == 0 && IsVisible(false) &&
      mBounds.width > 0 && mBounds.height > 0 && mAutoClose && !mClosing)
    static_cast<void>(CloseMenu());
  if ((current & kConditionVisible) != 0 && (previous & kConditionVisible) == 0)
    RefreshItemStates();
  if (top && (current & kConditionVisible) == 0 && (previous & kConditionVisible) != 0)
    static_cast<void>(CloseSubmenu());
}

QZRESULT LPopupMenu::TakeFocusOnMouseDown(const RCPtr<LControl>&) { return S_OK; }

void LPopupMenu::HandleLeftButtonUp(const RCPtr<LMouseButtonParam>& param) {
  if (param) {
    const std::int32_t row = RowAtPoint(param->mPoint);
    const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
    if (item && item->HasSubItems()) {
      LScrollView::HandleLeftButtonUp(param);
      ActivateRowInPlace(row);
      return;
    }
  }
  LCheckedListBox::HandleLeftButtonUp(param);
}

void LPopupMenu::HandleMouseMove(const RCPtr<LPointWithModifiersParam>& param) {
  LCheckedListBox::HandleMouseMove(param);
  if (!param || !mLeftDragging || !mCaptured)
    return;
  const PointT<std::int32_t>& point = param->mPoint;
  if (point.x >= 0 && point.y >= 0 && point.x < mBounds.width && point.y < mBounds.height)
    return;
  const RCPtr<IRootWindow>& rootWindow = GetRootWindowSlot();
  if (!rootWindow)
    return;
  const RCPtr<LControl> self(this);
  const PointT<double> origin = GetPositionInRoot();
  const PointT<std::int32_t> rootPoint{static_cast<std::int32_t>(origin.x) + point.x,
                                       static_cast<std::int32_t>(origin.y) + point.y};
  RCPtr<LControl> found;
  PointT<std::int32_t> local{};
  if (rootWindow->GetControlAtPoint(found, rootPoint, local, false) < 0 || !found)
    return;
  // One press travels from a title into its menu and on into the submenus.
  if (const RCPtr<LComboMenu> title = DynamicCast<LComboMenu>(found)) {
    static_cast<void>(title->BeginCapture(kLeftButton, local));
    return;
  }
  for (RCPtr<LControl> control = found; control; control = control->GetParent()) {
    const RCPtr<LPopupMenu> menu = DynamicCast<LPopupMenu>(control);
    if (!menu)
      continue;
    if (menu.GetRaw() != this && IsInMenuChain(menu.GetRaw())) {
      const PointT<double> at = menu->GetPositionInRoot();
      static_cast<void>(menu->BeginCapture(kLeftButton, {rootPoint.x - static_cast<std::int32_t>(at.x),
                                                         rootPoint.y - static_cast<std::int32_t>(at.y)}));
    }
    return;
  }
}

QZRESULT LPopupMenu::HandleKey(const RCPtr<LKeyParam>& key) {
  if (!key)
    return S_FALSE;
  const RCPtr<LPopupMenu> self(this);
  const std::uint32_t bits = key->mKey.Bits();
  if (bits == kLeftKey) {
    if (const RCPtr<LPopupMenu> parent = GetParentMenu())
      static_cast<void>(parent->CloseSubmenu());
    return S_OK;
  }
  if (bits == kRightKey) {
    const std::int32_t row = GetFocusRow();
    const RCPtr<LMenuItemDescriptor> item = GetRowItem(row);
    if (item && item->HasSubItems()) {
      if (item.GetRaw() != mOpenSubmenuItem.GetRaw())
        static_cast<void>(OpenSubmenu(row));
      if (const RCPtr<LPopupMenu> submenu = mSubmenu) {
        const std::int32_t first = submenu->FirstSelectableRow();
        if (first >= 0)
          static_cast<void>(submenu->SelectRange(first, -1, true));
        // The keys go on in the submenu (shown under this focused menu, it has taken the focus already).
        if (!submenu->HasFocus()) {
          mFocusPassing = true;
          submenu->mFocusPassing = true;
          static_cast<void>(submenu->SetFocus(true));
        }
      }
    }
    return S_OK;
  }
  if (bits == kEscapeKey) {
    if (!mAutoClose)
      DismissShownMenu();
    else if (!mClosing)
      static_cast<void>(CloseMenu());
    return S_OK;
  }
  if (bits == kEnterKey) {
    if (GetFocusRow() >= 0)
      ActivateRowInPlace(GetFocusRow());
    return S_OK;
  }
  return LCheckedListBox::HandleKey(key);
}

std::int32_t LPopupMenu::OnRowHoverChange(const RCPtr<LNotificationDistributor>& source,
                                          const RCPtr<LNotification>& notification) {
  const RCPtr<LConditionsParam> conditions =
      notification ? DynamicCast<LConditionsParam>(notification->GetPayload()) : RCPtr<LConditionsParam>();
  IFrameworkApp* app = GetFrameworkApp();
  if (!conditions || !app)
    return 0;
  const bool now = (conditions->mCurrentBits & kConditionHover) != 0;
  const bool before = (conditions->mPreviousBits & kConditionHover) != 0;
  if (now && !before) {
    const auto* control = dynamic_cast<const LControl*>(source.GetRaw());
    const RCPtr<LMenuItemDescriptor> item = GetRowItem(control ? GetRowOfItemControl(control) : -1);
    if (item && !item->mTip.IsEmpty())
      static_cast<void>(app->SetStatusText(item->mTip, false));
  } else if (!now && before) {
    static_cast<void>(app->RefreshStatusText(false));
  }
  return 0;
}

void LPopupMenu::ShowAtCursor() {
  const RCPtr<LControl> self(this);
  if (const RCPtr<IRootWindow>& rootWindow = GetRootWindowSlot()) {
    const PointT<std::int32_t> cursor = rootWindow->GetCursorPosition();
    const SizeT<std::int32_t> client = rootWindow->GetSize();
    for (const std::int32_t axis : {LLayoutDescriptor::kAxisX, LLayoutDescriptor::kAxisY}) {
      double p = axis == 0 ? cursor.x : cursor.y;
      const double extent = axis == 0 ? mBounds.width : mBounds.height;
      const double room = axis == 0 ? client.width : client.height;
      if (p + extent > room)
        p = room - extent;
      if (p < 0)
        p = 0;
      PlaceAtRootPosition(axis, p);
    }
  }
  static_cast<void>(SetVisible(true));
  if (!mHasFocus)
    static_cast<void>(SetFocus(true));
}

} // namespace QZ
