#pragma once
// An array of wide strings with exact and case-insensitive search.

#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

template <class C, class O>
class StringArrayT : public Array<StringT<C, O>> {
  static_assert(std::same_as<C, char16_t>, "string arrays hold wide strings");

public:
  // Index of the first element at or after start that holds the text's very
  // storage or, with exact, equals it, or, without, equals it ignoring ASCII
  // case; -1 when none.
  std::int32_t Find(const StringT<C, O>& text, bool exact, std::uint32_t start = 0) const;
  // Index of the element whose characters are at exactly that address,
  // searched from the last; -1 when none.
  std::int32_t FindPointer(const C* chars) const;
  // Index of the first element at or after start that contains the text (an
  // empty text is in every element); without caseSensitive, both lower-cased
  // first. -1 when none.
  std::int32_t FindContaining(const StringT<C, O>& text, bool caseSensitive, std::uint32_t start = 0) const;
};

extern template class StringArrayT<char16_t, char>;

} // namespace QZ
