#pragma once
// LPopupMenu: the menu control ("Framework.PopupMenu"), a checked list box in
// drop-down mode whose rows (LMenuListBoxItem, from "templateItem") show the
// items of its own copy of a menu descriptor: command rows, separators and
// submenu rows. Hovering selects, a release or Enter activates. Activating a
// command row hands a notification named by the item's command, with an
// LMenuActivationParam, straight to the command receiver; without a receiver
// set, the receiver is the nearest ancestor that is no pop-up menu.
//
// A submenu row opens another LPopupMenu, a child named "submenu" of this one,
// once the pointer has rested on the row for more than kHoverDelay
// milliseconds of the application's clock (driven by the idle pass), or at
// once by Right or a click. Menus so form a chain: the top menu, its open
// submenu, and so on. Submenus exist only while open: closing hides one and
// hands it to its parent's deferred close, so a submenu is never destroyed
// from inside its own handlers. With auto-close set (the default; submenus
// inherit it) the chain closes after an activation, on Escape and when it
// loses the focus, the top menu going through its own parent's deferred close;
// the combo menu clears it and shows and hides its menu itself, except that
// Escape still hides such a chain and gives the focus back (to the control
// that had it before the menu bar, else to the control that shows the menu).
//
// Invariants: the open submenu (when any) is a child of this menu showing the
// sub-items of the open-submenu item, which is an item of this menu; the
// focus-passing flag is set only between a hand-over of the focus inside the
// chain and the SetFocus that follows it.
// UI thread only, like every control.

#include "QZFramework/ControlBase/MenuDescriptor.h"
#include "QZFramework/ControlBase/PopupMenuInterface.h"
#include "QZFramework/Controls/CheckedListBox.h"

#include <cstdint>

namespace QZ {

// Payload of a menu command: the menu the row was activated in and the row.
class LMenuActivationParam : public virtual LRefCountedObject {
public:
  [[nodiscard]] static RCPtr<LMenuActivationParam> Create(const RCPtr<LMenuDescriptor>& menu, std::int32_t row);
  ~LMenuActivationParam() override;

  // Activations come often: objects come from a pool of four-object blocks.
  static void* operator new(std::size_t size);
  static void operator delete(void* p);

  WideString ToString() const override;

  RCPtr<LMenuDescriptor> mMenu;
  std::int32_t mValue = -1;

private:
  LMenuActivationParam(const RCPtr<LMenuDescriptor>& menu, std::int32_t row) : mMenu(menu), mValue(row) {}
};

class LPopupMenu : public LCheckedListBox, public IPopupMenu {
public:
  // The pointer rests on a submenu row longer than this (milliseconds) before it opens.
  static constexpr std::uint32_t kHoverDelay = 250;
  // Room added to a row's texts beyond the check box and the hot-key label.
  static constexpr std::int32_t kTextMarginExtra = 20;
  // The check box's looks: unchecked, checked, checked under the pointer.
  static constexpr std::int32_t kCheckLookUnchecked = 0;
  static constexpr std::int32_t kCheckLookChecked = 7;
  static constexpr std::int32_t kCheckLookCheckedHover = 8;

  LPopupMenu(const RCPtr<LControl>& parent, const WideString& name) : LCheckedListBox(parent, name) {}
  ~LPopupMenu() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The width a row needs: its label and hot-key text plus the text margin; 0
  // without menu or past the end.
  virtual std::int32_t MeasureItemWidth(std::int32_t row);

  // ---- IPopupMenu

  // E_INVALIDARG for null; else closes an open submenu, keeps a deep copy, fills
  // the hot-key texts and builds the rows (RebuildRows' result).
  QZRESULT SetMenu(const RCPtr<LMenuDescriptor>& menu) override;
  RCPtr<LMenuDescriptor> GetMenu() const override { return mMenu; }
  // At the pointer, kept inside the window; shown and focused.
  void ShowAtCursor() override;

  // ---- The menu

  // E_INVALIDARG for null, E_FAIL when one is set already; else 0 (rows rebuilt
  // when a menu is set).
  QZRESULT SetCommandReceiver(const RCPtr<LNotificationReceiver>& receiver);
  // The receiver set, else the nearest ancestor that is no pop-up menu; null at the top.
  RCPtr<LNotificationReceiver> GetCommandReceiver() const;
  // The one cached, else the command receiver's control's (cached then).
  RCPtr<LMenuItemUpdater> GetItemUpdater();
  void SetItemUpdater(const RCPtr<LMenuItemUpdater>& updater) { mItemUpdater = updater; }
  // E_INVALIDARG when the row's item has no sub-items; else 0 once the submenu shows.
  QZRESULT OpenSubmenu(std::int32_t row);
  // Stops the hover delay and closes the open submenu and its own. 0.
  QZRESULT CloseSubmenu();
  // Closes the whole chain (through the top menu). 0.
  QZRESULT CloseMenu();
  // The updater's control adjusts every plain item's state.
  void RefreshItemStates();
  // E_INVALIDARG past the end, 1 for an equal state, else 0.
  QZRESULT ApplyItemState(std::int32_t row, const LMenuItemState& state);
  // The row's item becomes the menu, shared with the parent menu: E_INVALIDARG past the end.
  QZRESULT SetMenuFromParentItem(const RCPtr<LPopupMenu>& parent, std::int32_t row);
  // Builds the rows from the menu: 0; 1 without a row control.
  QZRESULT RebuildRows();
  // Fills the empty hot-key texts of the items (recursively) from the key maps.
  void ResolveHotKeyTexts(const RCPtr<LMenuDescriptor>& menu);
  // Whether the menu is this one, one of its open submenus or one of its parent menus.
  bool IsInMenuChain(const LPopupMenu* menu) const;

  const RCPtr<LPopupMenu>& GetSubmenu() const { return mSubmenu; }
  const RCPtr<LMenuDescriptor>& GetOpenSubmenuItem() const { return mOpenSubmenuItem; }
  // The item of a row; null out of range.
  RCPtr<LMenuItemDescriptor> GetRowItem(std::int32_t row) const;
  void SetAutoClose(bool autoClose) { mAutoClose = autoClose; }
  bool GetAutoClose() const { return mAutoClose; }
  bool IsClosing() const { return mClosing; }
  bool IsHoverTimerRunning() const { return mHoverTimerRunning; }
  std::int32_t GetSeparatorHeight() const { return mSeparatorHeight; }
  std::int32_t GetSeparatorCount() const { return mSeparatorCount; }
  // The parent when it is a pop-up menu (this menu is a submenu); else null.
  RCPtr<LPopupMenu> GetParentMenu() const;

  // ---- Overridden operations

  QZRESULT SetFocus(bool fromFirst) override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  QZRESULT CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
  // A press on a row does not move the focus. 0.
  QZRESULT TakeFocusOnMouseDown(const RCPtr<LControl>& pressed) override;
  void HandleMouseMove(const RCPtr<LPointWithModifiersParam>& param) override;
  QZRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
  void OnIdle() override;
  QZRESULT Initialize() override;
  QZRESULT FinishInitialize() override;
  void OnSelectionChanged() override;
  void OnRowActivated(std::int32_t row) override;
  QZRESULT CreateItemControl() override;
  QZRESULT BindRow(std::int32_t row, std::int32_t& index) override;
  std::int32_t MeasureRowWidth(std::int32_t row) override;
  std::int32_t GetContentHeight() const override;
  // Enabled and no separator.
  bool CanSelectRow(std::int32_t row) const override;
  // Rows are never reordered: E_NOTIMPL.
  QZRESULT SwapRows(std::int32_t a, std::int32_t b) override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

  // A release on a submenu row opens it without hiding the menu; others as the list box.
  void HandleLeftButtonUp(const RCPtr<LMouseButtonParam>& param) override;

private:
  std::int32_t OnRowHoverChange(const RCPtr<LNotificationDistributor>& source,
                                const RCPtr<LNotification>& notification);
  void StartHoverTimer();
  void StopHoverTimer();
  // The parent menu selects the row of its open submenu again.
  void MarkOpenSubmenuRow();
  // Escape in a chain that does not close itself: hides it through its top menu and gives the focus back.
  void DismissShownMenu();
  // The row showing the item, or -1.
  std::int32_t RowOfItem(const LMenuDescriptor* item) const;
  // The command row's work: focus back, hide, send, close.
  void ActivateItem(const RCPtr<LMenuItemDescriptor>& item);
  // The menu from the table's entries ("CONTEXT_MENU"-less: every entry). 1 without a table.
  QZRESULT BuildMenuFromStringTable();
  void InitSizeLimits();
  // Places an axis at the root-window position p (the parent's origin taken out).
  void PlaceAtRootPosition(std::int32_t axis, double p);
  // The row's work without the list's hiding: a submenu row opens, a command row activates.
  void ActivateRowInPlace(std::int32_t row);
  // Whether the pointer lies over the control showing the row.
  bool IsPointerOverRow(std::int32_t row) const;
  // The first row that may be selected, or -1.
  std::int32_t FirstSelectableRow() const;

  RCPtr<LNotificationHandler<LPopupMenu>> mPopupHandler;
  RCPtr<LMenuDescriptor> mMenu;
  RCPtr<LPopupMenu> mSubmenu;
  RCPtr<LMenuDescriptor> mOpenSubmenuItem;
  RCPtr<LNotificationReceiver> mCommandReceiver;
  RCPtr<LMenuItemUpdater> mItemUpdater;
  bool mHoverTimerRunning = false;
  std::uint32_t mHoverStart = 0;
  bool mFocusPassing = false;
  bool mAutoClose = true;
  bool mClosing = false;
  std::int32_t mSeparatorHeight = 0;
  std::int32_t mSeparatorCount = 0;
  // Negative until RebuildRows measures it.
  std::int32_t mMenuTextMargin = -1;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMenuActivationParam, "class QZ::LMenuActivationParam")
QZ_TYPE_NAME(QZ::LPopupMenu, "class QZ::LPopupMenu")
