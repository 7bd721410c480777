#include "QZFramework/ControlBase/MenuDescriptor.h"

#include "QZFramework/ControlBase/Control.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace QZ {

namespace {

bool IsNumber(std::u16string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

std::int32_t ToNumber(std::u16string_view text) {
  std::int32_t value = 0;
  for (const char16_t c : text)
    value = std::min(value * 10 + (c - u'0'), 1000000);
  return value;
}

} // namespace

LMenuItemUpdater::LMenuItemUpdater(const RCPtr<LControl>& target) : mTarget(target) {}
LMenuItemUpdater::~LMenuItemUpdater() = default;

QZRESULT LMenuDescriptor::AddItem(const SItem& item) { return mItems.AddItem(item) < 0 ? E_OUTOFMEMORY : S_OK; }

LMenuDescriptor::SItem& LMenuDescriptor::FindOrCreate(const WideString& name, std::int32_t order) {
  for (std::uint32_t i = 0; i < mItems.GetCount(); ++i)
    if (mItems.GetAt(i).mID.EqualsString(name))
      return mItems.GetAt(i);
  SItem item;
  item.mID = name;
  item.mOrder = order;
  // Kept sorted by order; equal orders keep their arrival.
  std::uint32_t at = mItems.GetCount();
  while (at > 0 && mItems.GetAt(at - 1).mOrder > order)
    --at;
  mItems.InsertItem(at, item);
  return mItems.GetAt(at);
}

RCPtr<LMenuDescriptor> LMenuDescriptor::CreateFromStringTable(const Entries& entries) {
  const RCPtr<LMenuDescriptor> menu = MakeRCPtr<LMenuDescriptor>();
  for (std::uint32_t e = 0; e < entries.GetCount(); ++e) {
    const WideString& id = entries.GetAt(e).mKey;
    const std::u16string_view text(id.GetChars(), id.GetLength());
    std::vector<std::u16string_view> parts;
    for (std::size_t start = 0;;) {
      const std::size_t dot = text.find(u'.', start);
      parts.push_back(
          text.substr(start, dot == std::u16string_view::npos ? std::u16string_view::npos : dot - start));
      if (dot == std::u16string_view::npos)
        break;
      start = dot + 1;
    }
    const bool subMenu = parts.size() > 1 && parts.back().empty();
    if (subMenu)
      parts.pop_back();
    LMenuDescriptor* current = menu.GetRaw();
    std::int32_t order = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      if (IsNumber(parts[i]) && i + 1 < parts.size()) {
        order = ToNumber(parts[i]);
        continue;
      }
      SItem& item = current->FindOrCreate(WideString(std::u16string(parts[i]).c_str()), order);
      order = 0;
      if (i + 1 == parts.size()) {
        item.mLabel = entries.GetAt(e).mValue;
        if (subMenu && !item.mSubMenu)
          item.mSubMenu = MakeRCPtr<LMenuDescriptor>();
        break;
      }
      if (!item.mSubMenu)
        item.mSubMenu = MakeRCPtr<LMenuDescriptor>();
      current = item.mSubMenu.GetRaw();
    }
  }
  return menu;
}

} // namespace QZ
