#pragma once
// LMainMenu: the window's menu bar ("Framework.MainMenu"). It builds menu
// titles (LComboMenu, cloned from its skin child "templateMenu") from its
// string table: "MENU_LABEL.<n>" entries give the titles' texts and the
// "CONTEXT_MENU" entries their menus, paired by position. Opening a title,
// moving between menus and choosing a row are the titles' and menus' work; the
// bar gives every menu its item updater and, once in a window, the window's
// queue as the command receiver, so a chosen command is delivered to the
// window's clients in the next idle pass.
//
// The bar never takes the focus itself; its titles are focus boundaries. It
// records the control that had the focus when the focus moved into the bar,
// gives the focus back to it when a command is chosen, and names it as the
// target of edit requests meanwhile (IEditTargetDelegate). A delegate that the
// application's view installs (SetMenuItemUpdater) decides which commands are
// enabled.
//
// Children: the fixed titles (skin children other than "templateMenu"), then
// the string-table titles; positions count the string-table titles only.
// A skin change rebuilds the titles with their menus, texts and names.
// UI thread only, like every control.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/EditTarget.h"
#include "QZFramework/Controls/ComboMenu.h"

#include <cstdint>

namespace QZ {

class LMainMenu : public LControl, public IEditTargetDelegate {
public:
  // "MENU_LABEL.<n>" entries above this number (or below 0) are ignored.
  static constexpr std::int32_t kMaxLabelIndex = 1024;

  LMainMenu(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LMainMenu() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The delegate whose control answers GetCommandEnabled for every row of the
  // bar; true when it was that one already.
  bool SetMenuItemUpdater(const RCPtr<LMenuItemUpdater>& updater);
  // The name of the title at that position; empty when there is none.
  WideString GetMenuName(std::int32_t position) const;
  // The position of the string-table title of that name, or -1.
  std::int32_t IndexOfMenu(const WideString& name) const;
  // A new title before the one named before (empty: at the end): the position,
  // or E_INVALIDARG for an unknown before name or a name the bar holds.
  std::int32_t InsertMenu(const WideString& before, const WideString& name, const WideString& label,
                          const RCPtr<LMenuDescriptor>& menu);
  // E_INVALIDARG past the end (the end itself appends).
  std::int32_t InsertMenuAt(std::int32_t position, const WideString& name, const WideString& label,
                            const RCPtr<LMenuDescriptor>& menu);
  // A title cloned from the template, placed after the last child. 0;
  // E_INVALIDARG when the name is taken, E_FAIL without template or factory.
  QZRESULT AddMenuTitle(const WideString& name);
  // The k-th child (creation order); null when there are fewer.
  RCPtr<LControl> GetTitleAt(std::int32_t k) const;
  std::int32_t GetTitleCount() const { return static_cast<std::int32_t>(mChildren.GetCount()); }
  std::int32_t GetFixedTitleCount() const { return mFixedTitleCount; }
  const RCPtr<LControl>& GetFocusBeforeMenu() const { return mFocusBeforeMenu; }
  // The focus goes back to the control that had it before the menu, while it is in a window.
  void RestoreFocusBeforeMenu();

  // The focus before the menu when it takes edits; else null (the walk goes on).
  RCPtr<LControl> GetDelegatedEditTarget() const override;
  // 1 without delegate, E_FAIL with one that names no control, else its control's answer.
  QZRESULT GetCommandEnabled(const RCPtr<LMenuDescriptor>& menu, std::int32_t itemIndex, const WideString& id,
                             LMenuItemState& state) override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  void AttachToRootWindow() override;
  QZRESULT CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
  // The base's result.
  QZRESULT Initialize() override;
  QZRESULT AttachChildFromDescriptor(RCPtr<LControl> child, const RCPtr<LControlDescriptor>& descriptor) override;
  QZRESULT ReleaseInnerReferences() override;

private:
  // The title's menu (its "popupMenu" child); null.
  static RCPtr<LPopupMenu> PopupOf(const RCPtr<LControl>& title);
  // The child of that name searched from the last; -1.
  std::int32_t IndexOfChild(const WideString& name) const;
  void RenameTitle(const RCPtr<LControl>& title, const WideString& name);

  RCPtr<LControl> mFocusBeforeMenu;
  RCPtr<LControlDescriptor> mTitleTemplate;
  RCPtr<LMenuItemUpdater> mDelegate;
  std::int32_t mFixedTitleCount = 0;
  bool mTemplateFound = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMainMenu, "class QZ::LMainMenu")
