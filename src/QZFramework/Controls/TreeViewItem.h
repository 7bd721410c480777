#pragma once
// LTreeViewItem: the row control of a tree view. A checked list item whose
// "checkBox" child serves as the row's expand box; the tree enables the box
// only for rows with descendants and indents the item by the row's depth.
// It adds nothing to the checked list item but its class name for the skins.
// UI thread only, like every control.

#include "QZFramework/Controls/CheckedListBox.h"

namespace QZ {

class LTreeViewItem : public LCheckedListBoxItem {
public:
  LTreeViewItem(const RCPtr<LControl>& parent, const WideString& name) : LCheckedListBoxItem(parent, name) {}
  ~LTreeViewItem() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LTreeViewItem, "class QZ::LTreeViewItem")
