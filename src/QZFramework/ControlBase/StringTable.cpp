#include "QZFramework/ControlBase/StringTable.h"

namespace QZ {

bool LStringTable::GetString(const char16_t* id, WideString& text) const {
  if (!id)
    return false;
  const auto found = mEntries.find(std::u16string_view(id));
  if (found == mEntries.end())
    return false;
  text = found->second;
  return true;
}

QZRESULT LStringTable::SetString(const char16_t* id, const WideString& text) {
  if (!id || !id[0])
    return E_INVALIDARG;
  const auto found = mEntries.find(std::u16string_view(id));
  if (found != mEntries.end()) {
    found->second = text;
    return S_FALSE;
  }
  mEntries.emplace(WideString(id), text);
  return S_OK;
}

namespace {

// Appends the entries of [first, last), which the map keeps in ascending id order.
template <class It>
void AppendEntries(It first, It last, const std::u16string_view prefix, LStringTable::SortedEntries& out) {
  for (It it = first; it != last; ++it) {
    if (!WideTextLess::View(it->first).starts_with(prefix))
      break;
    if (out.InsertItem(out.GetCount(), {it->first, it->second}) < 0)
      throw Exception<std::bad_alloc>();
  }
}

} // namespace

QZRESULT LStringTable::GetSortedEntries(SortedEntries& out) const {
  out.SetSize(0);
  AppendEntries(mEntries.begin(), mEntries.end(), std::u16string_view(), out);
  return S_OK;
}

QZRESULT LStringTable::GetSortedEntriesWithPrefix(const WideString& prefix, SortedEntries& out) const {
  out.SetSize(0);
  const std::u16string_view view = WideTextLess::View(prefix);
  // Every id that begins with the prefix sorts at or after it, and they are adjacent.
  AppendEntries(mEntries.lower_bound(view), mEntries.end(), view, out);
  return S_OK;
}

} // namespace QZ
