#include "QZFramework/Utilities/Storage/StringArrayT.h"

namespace QZ {
namespace {

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

// Equality as the C locale's case-insensitive comparison sees it: ASCII letters fold.
bool EqualIgnoringCase(const char16_t* a, const char16_t* b) {
  while (*a && FoldAscii(*a) == FoldAscii(*b)) {
    ++a;
    ++b;
  }
  return FoldAscii(*a) == FoldAscii(*b);
}

} // namespace

template <class C, class O>
std::int32_t StringArrayT<C, O>::Find(const StringT<C, O>& text, bool exact, std::uint32_t start) const {
  const std::uint32_t count = this->GetCount();
  if (start >= count)
    return -1;
  for (std::uint32_t i = start; i < count; ++i) {
    const StringT<C, O>& item = this->GetAt(i);
    if (item.GetStorage() == text.GetStorage())
      return static_cast<std::int32_t>(i);
    if (exact ? item.IsEqual(text.GetChars())
              : (item.GetChars() == text.GetChars() || EqualIgnoringCase(item.GetChars(), text.GetChars())))
      return static_cast<std::int32_t>(i);
  }
  return -1;
}

template <class C, class O>
std::int32_t StringArrayT<C, O>::FindPointer(const C* chars) const {
  for (std::uint32_t i = this->GetCount(); i > 0; --i)
    if (this->GetAt(i - 1).GetChars() == chars)
      return static_cast<std::int32_t>(i - 1);
  return -1;
}

template <class C, class O>
std::int32_t StringArrayT<C, O>::FindContaining(const StringT<C, O>& text, bool caseSensitive,
                                                std::uint32_t start) const {
  const std::uint32_t count = this->GetCount();
  if (start >= count)
    return -1;
  const StringT<C, O> needle = caseSensitive ? text : text.ToLower();
  for (std::uint32_t i = start; i < count; ++i) {
    const StringT<C, O>& item = this->GetAt(i);
    if ((caseSensitive ? item : item.ToLower()).FindString(needle) >= 0)
      return static_cast<std::int32_t>(i);
  }
  return -1;
}

template class StringArrayT<char16_t, char>;

} // namespace QZ
