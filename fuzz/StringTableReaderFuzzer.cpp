// String-table reader, over UTF-8 and UTF-16 documents. Any bytes, read as both
// the application's and the framework's document, load (0) in German, its
// related language or English, and every table lists its entries in strictly
// ascending id order.

#include "QZFramework/ControlBase/ControlFactory.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

using namespace QZ;

void Check(bool condition) {
  if (!condition)
    std::abort();
}

void CheckTable(const RCPtr<LStringTable>& table) {
  if (!table)
    return;
  LStringTable::SortedEntries entries;
  Check(table->GetSortedEntries(entries) == S_OK);
  Check(entries.GetCount() == table->GetCount());
  for (std::uint32_t i = 1; i < entries.GetCount(); ++i)
    Check(entries.GetAt(i - 1).mKey.IsLess(entries.GetAt(i).mKey));
  WideString text;
  for (std::uint32_t i = 0; i < entries.GetCount(); ++i)
    Check(table->GetString(entries.GetAt(i).mKey.GetChars(), text) && text.EqualsString(entries.GetAt(i).mValue));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  RCPtr<LControlFactory> factory = MakeRCPtr<LControlFactory>(u"PresetEditor");
  const std::span<const std::uint8_t> document(data, size);
  factory->LoadStringTablesFromText(document, document, 0x0407);
  const std::int32_t lcid = factory->GetLCID();
  Check(lcid == 0x0407 || lcid == 0x0007 || lcid == kLcidEnglish);
  CheckTable(factory->GetFrameworkStringTable());
  CheckTable(factory->GetApplicationStringTable());
  CheckTable(factory->GetStringTableForParentDescriptor(nullptr, u"mainControl"));
  return 0;
}
