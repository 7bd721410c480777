#include "QZFramework/ControlBase/MenuDescriptor.h"

#include "QZFramework/ControlBase/Control.h"

#include <algorithm>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace QZ {

namespace {

// (target, text) pairs of one menu, in the order of their positions.
using EntryList = std::vector<std::pair<std::u16string, std::u16string>>;
// Submenu name to its list; names compare by code units.
using SubmenuMap = std::map<std::u16string, EntryList>;

std::u16string_view View(const WideString& text) {
  return {text.GetChars(), static_cast<std::size_t>(text.GetLength())};
}

WideString ToWide(std::u16string_view text) { return WideString(std::u16string(text).c_str()); }

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// The C runtime's reading of a wide decimal number: blanks, a sign, digits up
// to the first other character; no digits give 0. Clamped, so that a long run
// of digits cannot overflow.
std::int64_t ReadDecimal(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r')))
    ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
    negative = text[i++] == u'-';
  std::int64_t value = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i)
    value = std::min<std::int64_t>(value * 10 + (text[i] - u'0'), std::int64_t{1} << 40);
  return negative ? -value : value;
}

// Builds the list into target, a new menu or item; path holds the submenus being built on the
// current path, so a submenu that names itself gives no item instead of
// recursing without end. False when an item cannot be added.
bool BuildMenu(const EntryList& list, const SubmenuMap& submenus, LMenuDescriptor& target,
               std::vector<std::u16string>& path) {
  for (const auto& [entryTarget, text] : list) {
    const std::size_t bar = text.find(u'|');
    const std::u16string_view label = std::u16string_view(text).substr(0, bar);
    const std::u16string_view tip =
        bar == std::u16string::npos ? std::u16string_view() : std::u16string_view(text).substr(bar + 1);
    const std::uint32_t index = target.GetItemCount();
    if (!entryTarget.empty() && entryTarget.back() == u'.') {
      const std::u16string name = entryTarget.substr(0, entryTarget.find_last_not_of(u'.') + 1);
      const auto found = submenus.find(name);
      if (found == submenus.end() || std::find(path.begin(), path.end(), name) != path.end())
        continue;
      if (target.AppendItem(index, ToWide(label), WideString(), true, false) < 0)
        return false;
      const RCPtr<LMenuItemDescriptor> item = target.GetItem(index);
      if (!tip.empty())
        item->mTip = ToWide(tip);
      path.push_back(name);
      const bool built = BuildMenu(found->second, submenus, *item, path);
      path.pop_back();
      if (!built)
        return false;
      continue;
    }
    if (entryTarget == u"-") {
      if (target.AppendSeparator(index) < 0)
        return false;
      continue;
    }
    if (target.AppendItem(index, ToWide(label), ToWide(entryTarget), true, false) < 0)
      return false;
    target.GetItem(index)->mTip = ToWide(tip);
  }
  return true;
}

} // namespace

LMenuItemUpdater::LMenuItemUpdater(const RCPtr<LControl>& target) : mTarget(target) {}
LMenuItemUpdater::~LMenuItemUpdater() = default;

// ---------------------------------------------------------------------------
// LMenuDescriptor

LMenuDescriptor::~LMenuDescriptor() = default;

RCPtr<LMenuDescriptor> LMenuDescriptor::Create() { return MakeRCPtr<LMenuDescriptor>(); }

RCPtr<LMenuItemDescriptor> LMenuDescriptor::GetItem(std::uint32_t index) const {
  return index < mItems.GetCount() ? mItems.GetAt(index) : RCPtr<LMenuItemDescriptor>();
}

void LMenuDescriptor::SetParent(const RCPtr<LMenuDescriptor>& parent) {
  if (mParent == parent)
    return;
  // The inner count goes down before the reference, so that giving the link
  // back never looks like the parent's last outside reference.
  if (mParent)
    mParent->AddInnerReferences(-1);
  mParent = parent;
  if (mParent)
    mParent->AddInnerReferences(1);
}

std::int32_t LMenuDescriptor::AppendItem(std::uint32_t index, const WideString& label, const WideString& command,
                                         bool enabled, bool checked) {
  const auto item = MakeRCPtr<LMenuItemDescriptor>();
  item->mLabel = label;
  item->mCommand = command;
  item->mEnabled = enabled ? 1 : 0;
  item->mChecked = checked ? 1 : 0;
  return InsertItem(index, item);
}

std::int32_t LMenuDescriptor::InsertItem(std::uint32_t index, const RCPtr<LMenuItemDescriptor>& item) {
  const std::int32_t result = mItems.InsertItem(index, item);
  if (result >= 0 && item)
    item->SetParent(RCPtr<LMenuDescriptor>(this));
  return result;
}

std::int32_t LMenuDescriptor::AppendSeparator(std::uint32_t index) {
  const auto item = MakeRCPtr<LMenuItemDescriptor>();
  item->mSeparator = 1;
  return InsertItem(index, item);
}

QZRESULT LMenuDescriptor::GetItemInfo(std::uint32_t index, LMenuItemState& state) const {
  if (index >= mItems.GetCount()) {
    state = LMenuItemState();
    return E_INVALIDARG;
  }
  const RCPtr<LMenuItemDescriptor>& item = mItems.GetAt(index);
  state.mEnabled = item->mEnabled != 0;
  state.mChecked = item->mChecked != 0;
  state.mLabel = item->mLabel;
  return S_OK;
}

QZRESULT LMenuDescriptor::DetachItems() {
  while (mItems.GetCount() > 0) {
    RCPtr<LMenuItemDescriptor> item;
    mItems.RemoveItem(mItems.GetCount() - 1, item);
    if (item)
      item->SetParent(RCPtr<LMenuDescriptor>());
  }
  SetParent(RCPtr<LMenuDescriptor>());
  return S_OK;
}

QZRESULT LMenuDescriptor::ReleaseInnerReferences() {
  static_cast<void>(DetachItems());
  return S_OK;
}

void LMenuDescriptor::CopyItemsInto(LMenuDescriptor& target) const {
  for (std::uint32_t i = 0; i < mItems.GetCount(); ++i)
    if (const RCPtr<LMenuItemDescriptor>& item = mItems.GetAt(i))
      target.InsertItem(target.GetItemCount(), item->CloneItem());
}

RCPtr<LMenuDescriptor> LMenuDescriptor::Clone() const {
  const RCPtr<LMenuDescriptor> copy = Create();
  CopyItemsInto(*copy);
  return copy;
}

RCPtr<LMenuDescriptor> LMenuDescriptor::CreateFromStringTable(const Entries& entries) {
  EntryList top;
  SubmenuMap submenus;
  for (std::uint32_t e = 0; e < entries.GetCount(); ++e) {
    const std::u16string_view id = View(entries.GetAt(e).mKey);
    std::vector<std::u16string_view> parts;
    for (std::size_t start = 0; start < id.size();) {
      const std::size_t dot = id.find(u'.', start);
      parts.push_back(
          id.substr(start, dot == std::u16string_view::npos ? std::u16string_view::npos : dot - start));
      if (dot == std::u16string_view::npos)
        break;
      start = dot + 1;
    }
    if (parts.size() < 2)
      continue;
    std::u16string name;
    std::int64_t position = 0;
    std::u16string target;
    if (!parts[0].empty() && IsDigit(parts[0].front())) {
      position = ReadDecimal(parts[0]);
      target = parts[1];
    } else {
      name = parts[0];
      position = ReadDecimal(parts[1]);
      if (parts.size() > 2)
        target = parts[2];
    }
    if (id.back() == u'.')
      target += u'.';
    EntryList& list = name.empty() ? top : submenus[name];
    if (position != static_cast<std::int64_t>(list.size()))
      continue;
    list.emplace_back(std::move(target), std::u16string(View(entries.GetAt(e).mValue)));
  }
  const RCPtr<LMenuDescriptor> menu = Create();
  std::vector<std::u16string> path;
  if (!BuildMenu(top, submenus, *menu, path))
    return RCPtr<LMenuDescriptor>();
  return menu;
}

// ---------------------------------------------------------------------------
// LMenuItemDescriptor

LMenuItemDescriptor::~LMenuItemDescriptor() = default;

WideString LMenuItemDescriptor::ToString() const { return mLabel; }

RCPtr<LMenuItemDescriptor> LMenuItemDescriptor::CloneItem() const {
  const auto copy = MakeRCPtr<LMenuItemDescriptor>();
  CopyItemsInto(*copy);
  copy->mLabel = mLabel;
  copy->mShortcut = mShortcut;
  copy->mTip = mTip;
  copy->mCommand = mCommand;
  copy->mEnabled = mEnabled;
  copy->mChecked = mChecked;
  copy->mSeparator = mSeparator;
  return copy;
}

} // namespace QZ
