#pragma once
// Text helpers shared by the property-list tree and its parser. Private to them.

#include <cstddef>
#include <string_view>

namespace QZ::XNodeText {

// ASCII letters only; the rest is compared as is.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z')
      x = static_cast<char>(x + ('a' - 'A'));
    if (y >= 'A' && y <= 'Z')
      y = static_cast<char>(y + ('a' - 'A'));
    if (x != y)
      return false;
  }
  return true;
}

// Length 0 means up to the terminating zero; null is empty.
inline std::string_view TextView(const char* text, std::size_t length) {
  if (!text)
    return {};
  return length ? std::string_view(text, length) : std::string_view(text);
}

} // namespace QZ::XNodeText
