// Menu descriptors from string-table entries. The input is UTF-8 lines of
// "identifier=text"; the entries are sorted as the callers sort them. Any
// entries build a menu or fail cleanly; the tree holds at most one item per
// entry on every path (a submenu is never built inside itself), and every
// tree, its copy included, is freed with its last reference (LeakSanitizer).

#include "QZFramework/ControlBase/MenuDescriptor.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

// Items on the deepest path of the tree, and all items.
std::size_t Depth(const QZ::LMenuDescriptor& menu, std::size_t& total) {
  std::size_t deepest = 0;
  for (std::uint32_t i = 0; i < menu.GetItemCount(); ++i) {
    ++total;
    deepest = std::max(deepest, 1 + Depth(*menu.GetItem(i), total));
  }
  return deepest;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::pair<std::string, std::string>> lines;
  for (std::size_t start = 0; start < input.size();) {
    std::size_t end = input.find('\n', start);
    if (end == std::string_view::npos)
      end = input.size();
    const std::string_view line = input.substr(start, end - start);
    const std::size_t equals = line.find('=');
    lines.emplace_back(std::string(line.substr(0, equals)),
                       equals == std::string_view::npos ? std::string() : std::string(line.substr(equals + 1)));
    start = end + 1;
  }
  QZ::LMenuDescriptor::Entries entries;
  for (const auto& [id, text] : lines)
    entries.AddItem({QZ::WideString(id.c_str()), QZ::WideString(text.c_str())});
  // Sorted by identifier, then by text, in code units.
  std::vector<std::pair<std::u16string, std::u16string>> sorted;
  for (std::uint32_t i = 0; i < entries.GetCount(); ++i)
    sorted.emplace_back(entries.GetAt(i).mKey.GetChars(), entries.GetAt(i).mValue.GetChars());
  std::sort(sorted.begin(), sorted.end());
  QZ::LMenuDescriptor::Entries ordered;
  for (const auto& [id, text] : sorted)
    ordered.AddItem({QZ::WideString(id.c_str()), QZ::WideString(text.c_str())});

  const QZ::RCPtr<QZ::LMenuDescriptor> menu = QZ::LMenuDescriptor::CreateFromStringTable(ordered);
  if (!menu)
    return 0;
  std::size_t total = 0;
  Check(Depth(*menu, total) <= ordered.GetCount());
  const QZ::RCPtr<QZ::LMenuDescriptor> copy = menu->Clone();
  std::size_t copied = 0;
  Depth(*copy, copied);
  Check(copied == total);
  return 0;
}
