#pragma once
// LMenuListBoxItem: the row control of a pop-up menu ("Framework.MenuItem"): a
// checked-list row whose "checkBox" shows the item's check mark and whose
// "hotKeyLabel" shows the item's hot-key text. It adds no state; the menu
// binds everything it shows.
// UI thread only, like every control.

#include "QZFramework/Controls/CheckedListBox.h"

#include <cstdint>

namespace QZ {

class LMenuListBoxItem : public LCheckedListBoxItem {
public:
  LMenuListBoxItem(const RCPtr<LControl>& parent, const WideString& name) : LCheckedListBoxItem(parent, name) {}
  ~LMenuListBoxItem() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The base's look; true unless it failed.
  bool SelectItemLook(std::int32_t index, bool invalidate) override;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMenuListBoxItem, "class QZ::LMenuListBoxItem")
