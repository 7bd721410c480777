#pragma once
// The framework's strings: StringT<char16_t,char> holds UTF-16 text,
// StringT<char,char16_t> UTF-8 text. Both share their storage copy-on-write:
// a copy is one reference, and the text is copied on the first write to a
// shared buffer. Lock hands out the buffer for direct writing; the storage is
// marked unshareable until Unlock, so no other string can see it half-written.
//
// Storage invariants: never null; unlocked, the buffer holds exactly the text
// and one zero character; locked, the text ends at the first zero within the
// buffer. Every empty unlocked string of one width shares one storage.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/Buffer.h"
#include "QZFramework/Utilities/Storage/StringFormat.h"

#include <concepts>
#include <cstdint>
#include <string>

namespace QZ {

template <class C, class O>
class StringArrayT;

// The character type of the wide string; members only it has are constrained on it.
template <class C>
concept WideCharacter = std::same_as<C, char16_t>;

// Keeps the shared empty storages alive from before the first static object of
// any unit that includes this header is made until after the last one is gone.
class StringStorageInit {
public:
  StringStorageInit();
  ~StringStorageInit();
  StringStorageInit(const StringStorageInit&) = delete;
  StringStorageInit& operator=(const StringStorageInit&) = delete;
};
static StringStorageInit sStringStorageInit;

template <class C, class O>
class StringT {
  static_assert((std::same_as<C, char16_t> && std::same_as<O, char>) ||
                    (std::same_as<C, char> && std::same_as<O, char16_t>),
                "StringT exists for UTF-16 and UTF-8 text only");
  static constexpr bool kWide = WideCharacter<C>;

public:
  using CharType = C;
  using OtherCharType = O;

  // A maximum count meaning "the whole zero-terminated text".
  static constexpr std::uint32_t kWholeText = 0x7FFFFFFE;
  // Elements of the buffer the formatting constructor writes into.
  static constexpr std::size_t kFormatBufferSize = 16384;

  StringT();
  explicit StringT(C ch);
  StringT(const StringT& other);
  virtual ~StringT() = default;

  // Wide: the text. Narrow: the text as a format without arguments ("%%" gives
  // "%"); Assign takes a narrow text as it is.
  StringT(const C* text);
  // A UTF-8 text, converted.
  StringT(const O* utf8) requires WideCharacter<C>;

  // printf-style formatting; see StringFormat.h.
  template <class A0, class... Args>
  StringT(const C* format, const A0& first, const Args&... rest) : StringT() {
    C buffer[kFormatBufferSize];
    const std::size_t length = FormatText(buffer, kFormatBufferSize, format, first, rest...);
    AssignText(buffer, static_cast<std::uint32_t>(length));
  }

  // Conversion between the widths.
  explicit StringT(const StringT<O, C>& other);
  // Narrow text over an existing byte buffer (a string-typed variant's data).
  explicit StringT(const ConstRCPtr<LIBuffer>& buffer) requires(!WideCharacter<C>);

  StringT& operator=(const StringT& other) { return AssignString(other); }

  StringT& AssignString(const StringT& other);
  StringT& AssignChars(const C* text, std::uint32_t maxCount = kWholeText) requires WideCharacter<C> {
    return AssignText(text, maxCount);
  }
  StringT& Assign(const C* text, std::uint32_t maxCount = kWholeText) requires(!WideCharacter<C>) {
    return AssignText(text, maxCount);
  }
  // At most maxBytes of a UTF-8 text; a cut multi-byte character is dropped.
  StringT& AssignNarrow(const char* text, std::uint32_t maxBytes = kWholeText) requires WideCharacter<C>;

  void Clear();

  std::uint32_t GetLength() const;
  const C* GetChars() const { return Data(); }
  bool IsEmpty() const { return Data()[0] == C(0); }
  // The storage; for code that keeps or copies the buffer itself (variants).
  const ConstRCPtr<LIBuffer>& GetStorage() const { return mStorage; }

  // A writable array of count characters (0: length + 1), the last one zero;
  // null when already locked. A shorter count cuts the text.
  C* Lock(std::uint32_t count = 0);
  // 0 after unlocking, 1 when the string was not locked.
  int Unlock();

  StringT Mid(std::int32_t start, std::int32_t count) const;
  StringT MidToEnd(std::int32_t start) const;
  StringT Left(std::int32_t count) const;
  StringT Right(std::int32_t count) const;
  bool Delete(std::uint32_t position, std::uint32_t count) requires WideCharacter<C>;

  StringT Concat(const StringT& other) const;
  StringT& AppendString(const StringT& other);
  QZRESULT AppendChar(C ch) requires WideCharacter<C>;
  QZRESULT InsertString(std::uint32_t position, const StringT& text) requires WideCharacter<C>;
  QZRESULT InsertChars(std::uint32_t position, const C* chars,
                       std::uint32_t count = kWholeText) requires WideCharacter<C>;
  QZRESULT InsertNarrow(std::uint32_t position, const char* text,
                        std::uint32_t count = kWholeText) requires WideCharacter<C>;
  QZRESULT AppendNarrowChar(char ch) requires WideCharacter<C>;
  StringT& ReplaceChars(const C* set, C replacement) requires WideCharacter<C>;

  // Case mapping of ASCII letters only, as in the C locale.
  StringT ToUpper() const requires WideCharacter<C>;
  StringT ToLower() const requires WideCharacter<C>;

  StringT Trim() const requires WideCharacter<C>;
  StringT TrimLeft() const requires WideCharacter<C>;
  StringT TrimRight() const requires WideCharacter<C>;
  StringT TrimLeftChars(const C* set) const requires WideCharacter<C>;
  StringT TrimRightChars(const C* set) const requires WideCharacter<C>;

  std::int32_t FindString(const StringT& other) const requires WideCharacter<C>;
  std::int32_t Find(const C* text, std::int32_t start = 0) const requires(!WideCharacter<C>);
  // Last index of an ASCII character; -1 when absent or not ASCII.
  std::int32_t ReverseFind(char ch) const requires WideCharacter<C>;

  bool IsEqual(const C* text) const;
  bool IsEqual(const O* text) const;
  bool EqualsString(const StringT& other) const requires WideCharacter<C>;
  bool IsNotEqual(const StringT& other) const requires WideCharacter<C>;
  bool IsNotEqual(const char* text) const requires WideCharacter<C>;
  // Code-unit order; a proper prefix is less.
  bool IsLess(const StringT& other) const requires WideCharacter<C>;
  // Below 0, 0 or above 0 as the text sorts before, with or after other when
  // ASCII letters are folded to lower case (as ToLower folds them); code-unit
  // order otherwise, a proper prefix first.
  std::int32_t CompareIgnoringCase(const StringT& other) const requires WideCharacter<C>;

  // Leading number, as _wtoi / _wtof read it in the C locale.
  std::int32_t ToInt() const requires WideCharacter<C>;
  double ToDouble() const requires WideCharacter<C>;

  StringT<O, C> ToNarrow() const requires WideCharacter<C>;
  StringT ToWide() const requires WideCharacter<C> { return *this; }

  StringArrayT<C, O> Split(const StringT& separators) const requires WideCharacter<C>;

  // Replace the storage with the conversion of a source of length units (-1:
  // the zero-terminated text). 0, or E_FAIL when the conversion stopped early;
  // what came before the stop is kept.
  QZRESULT ConvertFromNarrow(const char* source, std::int32_t length = -1) requires WideCharacter<C>;
  QZRESULT ConvertFromWide(const char16_t* source, std::int32_t length = -1) requires(!WideCharacter<C>);

  friend bool operator==(const StringT& a, const StringT& b) requires WideCharacter<C> {
    return a.EqualsString(b);
  }
  friend bool operator<(const StringT& a, const StringT& b) requires WideCharacter<C> { return a.IsLess(b); }

private:
  LIBuffer* Buffer() const { return mStorage.GetRaw(); }
  C* Data() const { return reinterpret_cast<C*>(Buffer()->GetData()); }
  std::uint32_t SizeInChars() const { return static_cast<std::uint32_t>(Buffer()->GetSize() / sizeof(C)); }
  bool IsLocked() const { return !Buffer()->IsShareable(); }
  void SetEmptyStorage();
  void SetNewStorage(std::uint32_t chars);
  void ResizeLocked(std::uint64_t chars);
  StringT& AssignText(const C* text, std::uint32_t maxCount);

  ConstRCPtr<LIBuffer> mStorage;
};

// The two widths of text: UTF-16 for everything shown or stored, UTF-8 at the edges (files, platform).
using WideString = StringT<char16_t, char>;
using NarrowString = StringT<char, char16_t>;

// The text as UTF-8 in a standard string, as the platform layer takes it.
std::string ToUtf8(const WideString& text);

// Number texts. With decimals > 0 the digits become a fixed-point text:
// IntToString(1234, 2) is "12.34", IntToString(5, 2) is ".05".
WideString IntToString(std::int32_t value, std::int32_t decimals);
WideString UIntToString(std::uint32_t value, std::int32_t decimals);
// decimals < 0: six decimals.
WideString DoubleToString(double value, std::int32_t decimals);

} // namespace QZ

// Split's result; included last so that either header may come first.
#include "QZFramework/Utilities/Storage/StringArrayT.h"
