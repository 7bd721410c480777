#pragma once
// LMenuDescriptor: a menu as the controls hand it to the menu controls: items
// in order, each with a notification id, a label and optional sub-items; built
// from (id, text) string-table entries. LMenuItemUpdater: the link from a menu
// to the control that answers for its items' states. This is the least the
// base control needs; the menu controls own the full item grammar.
//
// UI thread only.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/Pair.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class LControl;

class LMenuDescriptor : public virtual LRefCountedObject {
public:
  struct SItem {
    WideString mID; // the notification id; "-" for a separator
    WideString mLabel;
    std::int32_t mOrder = 0;
    RCPtr<LMenuDescriptor> mSubMenu; // null for a plain item
  };
  using Entries = Array<Pair<WideString, WideString>>;

  // Each id is split at "."; a numeric part gives the order of the item named
  // by the part after it; earlier names find or create the items whose
  // sub-menus the later parts go into; an id ending in "." names a sub-menu.
  [[nodiscard]] static RCPtr<LMenuDescriptor> CreateFromStringTable(const Entries& entries);

  std::uint32_t GetItemCount() const { return mItems.GetCount(); }
  const SItem& GetItem(std::uint32_t index) const { return mItems.GetAt(index); }
  QZRESULT AddItem(const SItem& item);

private:
  SItem& FindOrCreate(const WideString& name, std::int32_t order);

  Array<SItem> mItems;
};

// The state of one menu item as the updater's target leaves it.
struct SMenuItemState {
  bool mEnabled = true;
  bool mChecked = false;
};

class LMenuItemUpdater : public virtual LRefCountedObject {
public:
  explicit LMenuItemUpdater(const RCPtr<LControl>& target);
  ~LMenuItemUpdater() override;
  LMenuItemUpdater(const LMenuItemUpdater&) = delete;
  LMenuItemUpdater& operator=(const LMenuItemUpdater&) = delete;

  RCPtr<LControl> mTarget;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMenuDescriptor, "class QZ::LMenuDescriptor")
QZ_TYPE_NAME(QZ::LMenuItemUpdater, "class QZ::LMenuItemUpdater")
