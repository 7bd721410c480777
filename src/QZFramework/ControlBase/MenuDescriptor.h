#pragma once
// LMenuDescriptor: a menu before any control shows it, an ordered list of
// items. LMenuItemDescriptor: one item; it is itself a menu, whose items are
// its submenu. Trees come from string-table entries (CreateFromStringTable)
// or from code (AppendItem, AppendSeparator, InsertItem).
//
// Every item holds a counted link to the menu that holds it; the link is also
// one of that menu's inner references, so a tree held only through its own
// parent links is freed: the release hook (DetachItems) breaks the links.
// A tree is built once and then only read; the pop-up menu works on a Clone.
//
// LMenuItemState: the (enabled, checked, label) of one item as the control
// answering for the menu's commands leaves it. LMenuItemUpdater: the link
// from a menu to that control.
//
// UI thread only.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/Pair.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/TaggableObject.h"

#include <cstdint>

namespace QZ {

class LControl;
class LMenuItemDescriptor;

struct LMenuItemState {
  bool mEnabled = false;
  bool mChecked = false;
  WideString mLabel;

  friend bool operator==(const LMenuItemState& a, const LMenuItemState& b) {
    return a.mEnabled == b.mEnabled && a.mChecked == b.mChecked && a.mLabel.EqualsString(b.mLabel);
  }
};

class LMenuDescriptor : public virtual LTaggableObject {
public:
  // (identifier, text) pairs, sorted by identifier and then by text.
  using Entries = Array<Pair<WideString, WideString>>;

  LMenuDescriptor() = default;
  ~LMenuDescriptor() override;
  LMenuDescriptor(const LMenuDescriptor&) = delete;
  LMenuDescriptor& operator=(const LMenuDescriptor&) = delete;

  [[nodiscard]] static RCPtr<LMenuDescriptor> Create();
  // Null when the build fails; entries that fit no form are left out.
  [[nodiscard]] static RCPtr<LMenuDescriptor> CreateFromStringTable(const Entries& entries);

  // Callers pass the item count to append. The array's result.
  std::int32_t AppendItem(std::uint32_t index, const WideString& label, const WideString& command, bool enabled,
                          bool checked);
  // A negative result leaves the item's parent as it was.
  std::int32_t InsertItem(std::uint32_t index, const RCPtr<LMenuItemDescriptor>& item);
  std::int32_t AppendSeparator(std::uint32_t index);
  // E_INVALIDARG past the end, with zero flags and an empty label.
  QZRESULT GetItemInfo(std::uint32_t index, LMenuItemState& state) const;
  // Empties the menu, last item first, and clears this menu's own parent.
  QZRESULT DetachItems();
  [[nodiscard]] RCPtr<LMenuDescriptor> Clone() const;

  std::uint32_t GetItemCount() const { return mItems.GetCount(); }
  // Null past the end.
  RCPtr<LMenuItemDescriptor> GetItem(std::uint32_t index) const;
  const RCPtr<LMenuDescriptor>& GetParent() const { return mParent; }

  QZRESULT ReleaseInnerReferences() override;

protected:
  void SetParent(const RCPtr<LMenuDescriptor>& parent);
  void CopyItemsInto(LMenuDescriptor& target) const;

private:
  RCPtrArray<LMenuItemDescriptor> mItems;
  RCPtr<LMenuDescriptor> mParent;
};

class LMenuItemDescriptor : public LMenuDescriptor {
public:
  LMenuItemDescriptor() = default;
  ~LMenuItemDescriptor() override;

  // The label.
  WideString ToString() const override;
  [[nodiscard]] RCPtr<LMenuItemDescriptor> CloneItem() const;
  bool HasSubItems() const { return GetItemCount() > 0; }

  WideString mLabel;
  WideString mShortcut; // filled by the pop-up menu from the hot-key maps
  WideString mTip;
  WideString mCommand; // empty for a separator and a submenu item
  std::uint8_t mEnabled = 1;
  std::uint8_t mChecked = 0;
  std::uint8_t mSeparator = 0;

private:
  friend class LMenuDescriptor;
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
QZ_TYPE_NAME(QZ::LMenuItemDescriptor, "class QZ::LMenuItemDescriptor")
QZ_TYPE_NAME(QZ::LMenuItemUpdater, "class QZ::LMenuItemUpdater")
