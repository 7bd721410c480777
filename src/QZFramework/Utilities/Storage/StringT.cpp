#include "QZFramework/Utilities/Storage/StringT.h"

#include "QZFramework/Utilities/Storage/ConvertUTF.h"
#include "Platform/System/Numbers.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace QZ {

// Where this file's exceptions say they come from: the string template's
// header, as the folder was spelled there.
constexpr const char* kSourcePath = "utilities\\Storage/StringT";
namespace {

// Constant-initialised, so they are valid before any dynamic initialiser runs.
int gStorageInitCount = 0;
LIBuffer* gEmptyNarrow = nullptr;
LIBuffer* gEmptyWide = nullptr;

LIBuffer* MakeEmptyStorage(std::uint32_t bytes) {
  ConstRCPtr<LIBuffer> buffer = CreateLBuffer(bytes, 0, true);
  LIBuffer* raw = buffer.GetRaw();
  raw->AddRef(); // the process's own reference
  return raw;
}

template <class C>
LIBuffer*& EmptySlot() {
  if constexpr (sizeof(C) == 1)
    return gEmptyNarrow;
  else
    return gEmptyWide;
}

template <class C>
LIBuffer* GetEmptyStorage() {
  LIBuffer*& slot = EmptySlot<C>();
  // Only reached before the first initialiser or after the last one: such a
  // storage stays for the rest of the process.
  if (!slot)
    slot = MakeEmptyStorage(sizeof(C));
  return slot;
}

void ReleaseEmptyStorage(LIBuffer*& slot) {
  LIBuffer* raw = slot;
  slot = nullptr;
  if (raw)
    raw->Release();
}

template <class C>
std::size_t TextLength(const C* text, std::size_t max) {
  std::size_t n = 0;
  while (n < max && text[n] != C(0))
    ++n;
  return n;
}

template <class C>
bool InSet(const C* set, C ch) {
  if (!set)
    return false;
  for (; *set; ++set)
    if (*set == ch)
      return true;
  return false;
}

std::uint32_t ByteCount(std::uint64_t chars, std::size_t charSize) {
  const std::uint64_t bytes = chars * charSize;
  if (bytes > UINT32_MAX)
    throw Exception<std::bad_alloc>();
  return static_cast<std::uint32_t>(bytes);
}

bool IsCSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

} // namespace

StringStorageInit::StringStorageInit() {
  if (gStorageInitCount++ == 0) {
    if (!gEmptyNarrow)
      gEmptyNarrow = MakeEmptyStorage(1);
    if (!gEmptyWide)
      gEmptyWide = MakeEmptyStorage(2);
  }
}

StringStorageInit::~StringStorageInit() {
  if (--gStorageInitCount == 0) {
    ReleaseEmptyStorage(gEmptyNarrow);
    ReleaseEmptyStorage(gEmptyWide);
  }
}

// ---------------------------------------------------------------------------
// Storage

template <class C, class O>
void StringT<C, O>::SetEmptyStorage() {
  mStorage = GetEmptyStorage<C>();
}

template <class C, class O>
void StringT<C, O>::SetNewStorage(std::uint32_t chars) {
  mStorage = CreateLBuffer(ByteCount(chars, sizeof(C)), 0, true);
}

// Characters a resize adds are zero, so the caller's array never shows stale bytes.
template <class C, class O>
void StringT<C, O>::ResizeLocked(std::uint64_t chars) {
  const std::uint32_t oldBytes = Buffer()->GetSize();
  const std::uint32_t bytes = ByteCount(chars, sizeof(C));
  Buffer()->SetSize(bytes);
  if (bytes > oldBytes)
    std::memset(Buffer()->GetData() + oldBytes, 0, bytes - oldBytes);
}

template <class C, class O>
StringT<C, O>::StringT() {
  SetEmptyStorage();
}

template <class C, class O>
StringT<C, O>::StringT(C ch) {
  SetNewStorage(ch == C(0) ? 1 : 2);
  Data()[0] = ch;
}

template <class C, class O>
StringT<C, O>::StringT(const StringT& other) {
  if (other.Buffer()->IsShareable()) {
    mStorage = other.mStorage;
  } else {
    // A locked buffer is never shared; the copy gets the text only.
    SetEmptyStorage();
    AssignText(other.GetChars(), other.GetLength());
  }
}

template <class C, class O>
StringT<C, O>::StringT(const C* text) {
  SetEmptyStorage();
  if constexpr (kWide) {
    AssignText(text, kWholeText);
  } else {
    C buffer[kFormatBufferSize];
    const std::size_t length = FormatArgs(buffer, kFormatBufferSize, text, nullptr, 0);
    AssignText(buffer, static_cast<std::uint32_t>(length));
  }
}

template <class C, class O>
StringT<C, O>::StringT(const O* utf8) requires WideCharacter<C> {
  ConvertFromNarrow(utf8, -1);
}

template <class C, class O>
StringT<C, O>::StringT(const StringT<O, C>& other) {
  if constexpr (kWide)
    ConvertFromNarrow(other.GetChars(), -1);
  else
    ConvertFromWide(other.GetChars(), -1);
}

template <class C, class O>
StringT<C, O>::StringT(const ConstRCPtr<LIBuffer>& buffer) requires(!WideCharacter<C>) {
  if (!buffer || buffer->GetSize() == 0) {
    SetEmptyStorage();
    return;
  }
  // Shares a shareable buffer; the pointer copies an unshareable one.
  ConstRCPtr<LIBuffer> storage = buffer;
  const std::uint32_t size = storage->GetSize();
  const std::uint32_t length = static_cast<std::uint32_t>(TextLength(storage->GetData(), size));
  if (length + 1 != size) {
    // No terminator at the end: a private exact copy, since a shared buffer
    // must not change under its other owners.
    storage = storage->CopyRange(length + 1, 0);
  }
  mStorage = storage;
}

template <class C, class O>
void StringT<C, O>::Clear() {
  if (IsLocked())
    Data()[0] = C(0);
  else
    SetEmptyStorage();
}

template <class C, class O>
std::uint32_t StringT<C, O>::GetLength() const {
  if (!IsLocked())
    return SizeInChars() - 1;
  return static_cast<std::uint32_t>(TextLength(Data(), SizeInChars()));
}

template <class C, class O>
C* StringT<C, O>::Lock(std::uint32_t count) {
  if (IsLocked())
    return nullptr;
  if (count == 0)
    count = GetLength() + 1;
  const std::uint32_t bytes = ByteCount(count, sizeof(C));
  if (Buffer()->GetRefCount() > 1) {
    ConstRCPtr<LIBuffer> copy;
    try {
      copy = Buffer()->CopyRange(bytes, 0);
    } catch (const std::bad_alloc&) {
      // Reported below; the string keeps its shared storage, unwritten.
    }
    if (!copy) {
      if constexpr (kWide)
        ThrowException<std::runtime_error>("", "QZ::StringT<wchar_t,char>::Lock", kSourcePath, 764);
      else
        ThrowException<std::runtime_error>("", "QZ::StringT<char,wchar_t>::Lock", kSourcePath, 764);
    }
    mStorage = copy;
  }
  Buffer()->SetUnshareable(true);
  ResizeLocked(count);
  Data()[count - 1] = C(0);
  return Data();
}

template <class C, class O>
int StringT<C, O>::Unlock() {
  if (!IsLocked())
    return 1;
  const std::uint32_t length = GetLength();
  if (length != 0) {
    Buffer()->SetUnshareable(false);
    Buffer()->SetSize(ByteCount(length + 1, sizeof(C)));
  } else {
    SetEmptyStorage();
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Assignment

template <class C, class O>
StringT<C, O>& StringT<C, O>::AssignText(const C* text, std::uint32_t maxCount) {
  if (!text || text[0] == C(0) || maxCount == 0) {
    Clear();
    return *this;
  }
  const std::uint32_t length = static_cast<std::uint32_t>(TextLength(text, maxCount));
  if (IsLocked()) {
    // The locked buffer grows to take the whole text; it never shrinks under
    // the caller's array.
    if (length + 1 > SizeInChars())
      ResizeLocked(std::uint64_t{length} + 1);
    std::memmove(Data(), text, length * sizeof(C));
    Data()[length] = C(0);
    return *this;
  }
  // The text may live in the current storage: copy before replacing it.
  ConstRCPtr<LIBuffer> storage = CreateLBuffer(ByteCount(std::uint64_t{length} + 1, sizeof(C)), 0, true);
  std::memcpy(storage->GetData(), text, length * sizeof(C));
  mStorage = storage;
  return *this;
}

template <class C, class O>
StringT<C, O>& StringT<C, O>::AssignString(const StringT& other) {
  if (!IsLocked() && other.Buffer()->IsShareable())
    mStorage = other.mStorage;
  else
    AssignText(other.GetChars(), other.GetLength());
  return *this;
}

template <class C, class O>
StringT<C, O>& StringT<C, O>::AssignNarrow(const char* text, std::uint32_t maxBytes) requires WideCharacter<C> {
  if (!text || text[0] == 0 || maxBytes == 0) {
    Clear();
    return *this;
  }
  StringT<O, C> narrow;
  narrow.Assign(text, maxBytes);
  if (!IsLocked()) {
    ConvertFromNarrow(narrow.GetChars(), -1);
  } else {
    const StringT wide(narrow);
    AssignText(wide.GetChars(), wide.GetLength());
  }
  return *this;
}

// ---------------------------------------------------------------------------
// Pieces

template <class C, class O>
StringT<C, O> StringT<C, O>::Mid(std::int32_t start, std::int32_t count) const {
  const std::uint32_t length = GetLength();
  std::int64_t first = start;
  std::int64_t n = count;
  if (first < 0) {
    first += length;
    if (first < 0) {
      n += first;
      first = 0;
    }
  }
  StringT result;
  // A count that went negative reads as a very large unsigned one: to the end.
  std::uint64_t take = n < 0 ? std::uint64_t{UINT32_MAX} : static_cast<std::uint64_t>(n);
  if (static_cast<std::uint64_t>(first) >= length || take == 0)
    return result;
  take = std::min<std::uint64_t>(take, length - static_cast<std::uint64_t>(first));
  result.AssignText(GetChars() + first, static_cast<std::uint32_t>(take));
  return result;
}

template <class C, class O>
StringT<C, O> StringT<C, O>::MidToEnd(std::int32_t start) const {
  return Mid(start, static_cast<std::int32_t>(static_cast<std::int64_t>(GetLength()) - start));
}

template <class C, class O>
StringT<C, O> StringT<C, O>::Left(std::int32_t count) const {
  return Mid(0, count);
}

template <class C, class O>
StringT<C, O> StringT<C, O>::Right(std::int32_t count) const {
  if (count == INT32_MIN)
    return StringT(); // -count would not fit; no such tail
  return Mid(-count, count);
}

template <class C, class O>
bool StringT<C, O>::Delete(std::uint32_t position, std::uint32_t count) requires WideCharacter<C> {
  const std::uint32_t length = GetLength();
  if (position >= length || std::uint64_t{position} + count > length)
    return false;
  const StringT result =
      Left(static_cast<std::int32_t>(position)).Concat(MidToEnd(static_cast<std::int32_t>(position + count)));
  AssignString(result);
  return true;
}

template <class C, class O>
StringT<C, O> StringT<C, O>::Concat(const StringT& other) const {
  StringT result(*this);
  result.AppendString(other);
  return result;
}

template <class C, class O>
StringT<C, O>& StringT<C, O>::AppendString(const StringT& other) {
  if (other.IsEmpty())
    return *this;
  if (&other == this) {
    const StringT copy(other); // the storage may move below
    return AppendString(copy);
  }
  const std::uint32_t length = GetLength();
  const std::uint32_t otherLength = other.GetLength();
  const std::uint64_t total = std::uint64_t{length} + otherLength + 1;
  if (IsLocked()) {
    // Grows only: the caller's array keeps at least the size it locked.
    if (total > SizeInChars())
      ResizeLocked(total);
    std::memcpy(Data() + length, other.GetChars(), otherLength * sizeof(C));
    Data()[length + otherLength] = C(0);
    return *this;
  }
  ByteCount(total, sizeof(C)); // refuse before touching anything
  C* chars = Lock(static_cast<std::uint32_t>(total));
  std::memcpy(chars + length, other.GetChars(), otherLength * sizeof(C));
  Unlock();
  return *this;
}

template <class C, class O>
QZRESULT StringT<C, O>::AppendChar(C ch) requires WideCharacter<C> {
  return InsertChars(GetLength(), &ch, 1);
}

template <class C, class O>
QZRESULT StringT<C, O>::InsertString(std::uint32_t position, const StringT& text) requires WideCharacter<C> {
  const std::uint32_t length = GetLength();
  if (position > length)
    return E_INVALIDARG;
  if (position == length) {
    AppendString(text);
  } else if (position == 0) {
    AssignString(text.Concat(*this));
  } else {
    const std::int32_t at = static_cast<std::int32_t>(position);
    AssignString(Left(at).Concat(text).Concat(MidToEnd(at)));
  }
  return S_OK;
}

template <class C, class O>
QZRESULT StringT<C, O>::InsertChars(std::uint32_t position, const C* chars,
                                    std::uint32_t count) requires WideCharacter<C> {
  if (position > GetLength())
    return E_INVALIDARG;
  StringT text;
  text.AssignText(chars, count); // stops at a zero within count
  return InsertString(position, text);
}

template <class C, class O>
QZRESULT StringT<C, O>::InsertNarrow(std::uint32_t position, const char* text,
                                     std::uint32_t count) requires WideCharacter<C> {
  if (position > GetLength())
    return E_INVALIDARG;
  StringT wide;
  wide.AssignNarrow(text, count); // stops at a zero within count
  return InsertString(position, wide);
}

template <class C, class O>
QZRESULT StringT<C, O>::AppendNarrowChar(char ch) requires WideCharacter<C> {
  return InsertNarrow(GetLength(), &ch, 1);
}

template <class C, class O>
StringT<C, O>& StringT<C, O>::ReplaceChars(const C* set, C replacement) requires WideCharacter<C> {
  if (replacement == C(0) || !set || set[0] == C(0))
    return *this;
  const std::uint32_t length = GetLength();
  std::vector<C> chars(GetChars(), GetChars() + length);
  bool changed = false;
  for (C& ch : chars) {
    if (InSet(set, ch)) {
      ch = replacement;
      changed = true;
    }
  }
  if (changed)
    AssignText(chars.data(), length);
  return *this;
}

template <class C, class O>
StringT<C, O> StringT<C, O>::ToUpper() const requires WideCharacter<C> {
  StringT result;
  result.AssignText(GetChars(), GetLength());
  if (!result.IsEmpty()) {
    C* chars = result.Lock();
    for (C* p = chars; *p; ++p)
      if (*p >= C('a') && *p <= C('z'))
        *p = static_cast<C>(*p - C('a') + C('A'));
    result.Unlock();
  }
  return result;
}

template <class C, class O>
StringT<C, O> StringT<C, O>::ToLower() const requires WideCharacter<C> {
  StringT result;
  result.AssignText(GetChars(), GetLength());
  if (!result.IsEmpty()) {
    C* chars = result.Lock();
    for (C* p = chars; *p; ++p)
      if (*p >= C('A') && *p <= C('Z'))
        *p = static_cast<C>(*p - C('A') + C('a'));
    result.Unlock();
  }
  return result;
}

namespace {
constexpr char16_t kBlanks[] = u" \t\r\n";
}

template <class C, class O>
StringT<C, O> StringT<C, O>::Trim() const requires WideCharacter<C> {
  return TrimLeft().TrimRight();
}

template <class C, class O>
StringT<C, O> StringT<C, O>::TrimLeft() const requires WideCharacter<C> {
  return TrimLeftChars(kBlanks);
}

template <class C, class O>
StringT<C, O> StringT<C, O>::TrimRight() const requires WideCharacter<C> {
  return TrimRightChars(kBlanks);
}

template <class C, class O>
StringT<C, O> StringT<C, O>::TrimLeftChars(const C* set) const requires WideCharacter<C> {
  const std::uint32_t length = GetLength();
  const C* chars = GetChars();
  std::uint32_t first = 0;
  while (first < length && InSet(set, chars[first]))
    ++first;
  if (first == 0 || first == length)
    return *this; // nothing to cut, or nothing would be left: unchanged
  return MidToEnd(static_cast<std::int32_t>(first));
}

template <class C, class O>
StringT<C, O> StringT<C, O>::TrimRightChars(const C* set) const requires WideCharacter<C> {
  std::uint32_t end = GetLength();
  const C* chars = GetChars();
  while (end > 0 && InSet(set, chars[end - 1]))
    --end;
  if (end == GetLength())
    return *this;
  return Left(static_cast<std::int32_t>(end));
}

// ---------------------------------------------------------------------------
// Search and comparison

template <class C, class O>
std::int32_t StringT<C, O>::FindString(const StringT& other) const requires WideCharacter<C> {
  const std::uint32_t length = GetLength();
  const std::uint32_t otherLength = other.GetLength();
  if (otherLength == 0)
    return 0;
  if (otherLength > length)
    return -1;
  const C* chars = GetChars();
  const C* needle = other.GetChars();
  for (std::uint32_t i = 0; i + otherLength <= length; ++i)
    if (std::equal(needle, needle + otherLength, chars + i))
      return static_cast<std::int32_t>(i);
  return -1;
}

template <class C, class O>
std::int32_t StringT<C, O>::Find(const C* text, std::int32_t start) const requires(!WideCharacter<C>) {
  if (!text)
    return -1;
  const std::uint32_t length = GetLength();
  std::int64_t first = start;
  if (first < 0)
    first = std::max<std::int64_t>(first + length, 0);
  if (first > length)
    return -1;
  const std::basic_string_view<C> haystack(GetChars() + first, static_cast<std::size_t>(length - first));
  const std::size_t at = haystack.find(text);
  return at == haystack.npos ? -1 : static_cast<std::int32_t>(first + static_cast<std::int64_t>(at));
}

template <class C, class O>
std::int32_t StringT<C, O>::ReverseFind(char ch) const requires WideCharacter<C> {
  const auto byte = static_cast<unsigned char>(ch);
  if (byte >= 0x80)
    return -1; // not a one-byte UTF-8 character
  const C unit = static_cast<C>(byte);
  const C* chars = GetChars();
  for (std::uint32_t i = GetLength(); i > 0; --i)
    if (chars[i - 1] == unit)
      return static_cast<std::int32_t>(i - 1);
  return -1;
}

template <class C, class O>
bool StringT<C, O>::IsEqual(const C* text) const {
  if (!text || text[0] == C(0))
    return IsEmpty();
  if (IsEmpty())
    return false;
  const C* chars = GetChars();
  std::size_t i = 0;
  while (chars[i] == text[i] && chars[i] != C(0))
    ++i;
  return chars[i] == text[i];
}

template <class C, class O>
bool StringT<C, O>::IsEqual(const O* text) const {
  StringT converted;
  if constexpr (kWide)
    converted.ConvertFromNarrow(text, -1);
  else
    converted.ConvertFromWide(text, -1);
  if (converted.Buffer() == Buffer())
    return true;
  return IsEqual(converted.GetChars());
}

template <class C, class O>
bool StringT<C, O>::EqualsString(const StringT& other) const requires WideCharacter<C> {
  if (other.Buffer() == Buffer())
    return true;
  return IsEqual(other.GetChars());
}

template <class C, class O>
bool StringT<C, O>::IsNotEqual(const StringT& other) const requires WideCharacter<C> {
  if (other.Buffer() == Buffer())
    return false;
  return !IsEqual(other.GetChars());
}

template <class C, class O>
bool StringT<C, O>::IsNotEqual(const char* text) const requires WideCharacter<C> {
  return !IsEqual(text);
}

template <class C, class O>
bool StringT<C, O>::IsLess(const StringT& other) const requires WideCharacter<C> {
  const C* a = GetChars();
  const C* b = other.GetChars();
  if (a == b)
    return false;
  while (*a == *b && *a != C(0)) {
    ++a;
    ++b;
  }
  return static_cast<std::uint16_t>(*a) < static_cast<std::uint16_t>(*b);
}

template <class C, class O>
std::int32_t StringT<C, O>::CompareIgnoringCase(const StringT& other) const requires WideCharacter<C> {
  const C* a = GetChars();
  const C* b = other.GetChars();
  if (a == b)
    return 0;
  const auto fold = [](C c) {
    const auto unit = static_cast<std::int32_t>(static_cast<std::uint16_t>(c));
    return unit >= 'A' && unit <= 'Z' ? unit - 'A' + 'a' : unit;
  };
  while (fold(*a) == fold(*b) && *a != C(0)) {
    ++a;
    ++b;
  }
  return fold(*a) - fold(*b);
}

// ---------------------------------------------------------------------------
// Numbers

template <class C, class O>
std::int32_t StringT<C, O>::ToInt() const requires WideCharacter<C> {
  const C* p = GetChars();
  while (IsCSpace(*p))
    ++p;
  bool negative = false;
  if (*p == C('+') || *p == C('-'))
    negative = *p++ == C('-');
  // Out-of-range values saturate, as the runtime's conversion does.
  std::int64_t value = 0;
  for (; *p >= C('0') && *p <= C('9'); ++p) {
    value = value * 10 + (*p - C('0'));
    if (value > std::int64_t{INT32_MAX} + 1)
      value = std::int64_t{INT32_MAX} + 1;
  }
  if (negative)
    return static_cast<std::int32_t>(std::max<std::int64_t>(-value, INT32_MIN));
  return static_cast<std::int32_t>(std::min<std::int64_t>(value, INT32_MAX));
}

template <class C, class O>
double StringT<C, O>::ToDouble() const requires WideCharacter<C> {
  // Numbers are ASCII: the first other character ends the text to parse.
  const C* chars = GetChars();
  std::string ascii;
  for (const C* p = chars; *p && *p < 0x80; ++p)
    ascii.push_back(static_cast<char>(*p));
  return Platform::ParseDoubleInCLocale(ascii.c_str());
}

// ---------------------------------------------------------------------------
// Conversion

template <class C, class O>
StringT<O, C> StringT<C, O>::ToNarrow() const requires WideCharacter<C> {
  return StringT<O, C>(*this);
}

template <class C, class O>
QZRESULT StringT<C, O>::ConvertFromNarrow(const char* source, std::int32_t length) requires WideCharacter<C> {
  if (!source || length == 0 || (length < 0 && source[0] == 0)) {
    SetEmptyStorage();
    return S_OK;
  }
  const std::uint64_t units = length < 0 ? std::strlen(source) + 1 : static_cast<std::uint64_t>(length);
  // One code unit per source byte, and the terminator.
  ConstRCPtr<LIBuffer> storage = CreateLBuffer(ByteCount(units + 1, sizeof(char16_t)), 0, true);
  auto* begin = reinterpret_cast<char16_t*>(storage->GetData());
  char16_t* target = begin;
  const char* from = source;
  const ConversionResult result =
      ConvertUTF8toUTF16(&from, source + units, &target, begin + units + 1, ConversionFlags::Lenient);
  begin[units] = 0;
  const std::size_t converted = TextLength(begin, units + 1);
  storage.GetRaw()->SetSize(ByteCount(converted + 1, sizeof(char16_t)));
  mStorage = storage;
  return result == ConversionResult::Ok ? S_OK : E_FAIL;
}

template <class C, class O>
QZRESULT StringT<C, O>::ConvertFromWide(const char16_t* source, std::int32_t length) requires(!WideCharacter<C>) {
  if (!source || length == 0 || (length < 0 && source[0] == 0)) {
    SetEmptyStorage();
    return S_OK;
  }
  const std::uint64_t units =
      length < 0 ? std::char_traits<char16_t>::length(source) + 1 : static_cast<std::uint64_t>(length);
  // At most four bytes per source unit, and the terminator.
  ConstRCPtr<LIBuffer> storage = CreateLBuffer(ByteCount(units * 4 + 1, 1), 0, true);
  char* begin = storage->GetData();
  char* target = begin;
  const char16_t* from = source;
  const ConversionResult result =
      ConvertUTF16toUTF8(&from, source + units, &target, begin + units * 4 + 1, ConversionFlags::Lenient);
  begin[units * 4] = 0;
  const std::size_t converted = TextLength(begin, units * 4 + 1);
  storage.GetRaw()->SetSize(ByteCount(converted + 1, 1));
  mStorage = storage;
  return result == ConversionResult::Ok ? S_OK : E_FAIL;
}

// ---------------------------------------------------------------------------
// Splitting

template <class C, class O>
StringArrayT<C, O> StringT<C, O>::Split(const StringT& separators) const requires WideCharacter<C> {
  StringArrayT<C, O> pieces;
  const C* set = separators.GetChars();
  const C* chars = GetChars();
  const std::uint32_t length = GetLength();
  if (std::none_of(chars, chars + length, [set](C ch) { return InSet(set, ch); })) {
    pieces.AddItem(*this);
    return pieces;
  }
  // Every separator ends a piece; a trailing one starts none.
  std::uint32_t position = 0;
  while (position < length) {
    std::uint32_t n = 0;
    while (position + n < length && !InSet(set, chars[position + n]))
      ++n;
    pieces.AddItem(n > 0 ? Mid(static_cast<std::int32_t>(position), static_cast<std::int32_t>(n)) : StringT());
    position += n + 1;
  }
  return pieces;
}

// Members one by one rather than the whole class: an explicit instantiation of
// the class would make some compilers instantiate the other width's members too.
#define QZ_STRING_COMMON_MEMBERS(W, C, O)                                                                         \
  template void W::SetEmptyStorage();                                                                             \
  template void W::SetNewStorage(std::uint32_t);                                                                  \
  template void W::ResizeLocked(std::uint64_t);                                                                   \
  template W::StringT();                                                                                          \
  template W::StringT(C);                                                                                         \
  template W::StringT(const W&);                                                                                  \
  template W::StringT(const C*);                                                                                  \
  template W::StringT(const StringT<O, C>&);                                                                      \
  template void W::Clear();                                                                                       \
  template std::uint32_t W::GetLength() const;                                                                    \
  template C* W::Lock(std::uint32_t);                                                                             \
  template int W::Unlock();                                                                                       \
  template W& W::AssignText(const C*, std::uint32_t);                                                             \
  template W& W::AssignString(const W&);                                                                          \
  template W W::Mid(std::int32_t, std::int32_t) const;                                                            \
  template W W::MidToEnd(std::int32_t) const;                                                                     \
  template W W::Left(std::int32_t) const;                                                                         \
  template W W::Right(std::int32_t) const;                                                                        \
  template W W::Concat(const W&) const;                                                                           \
  template W& W::AppendString(const W&);                                                                          \
  template bool W::IsEqual(const C*) const;                                                                       \
  template bool W::IsEqual(const O*) const;

QZ_STRING_COMMON_MEMBERS(WideString, char16_t, char)
QZ_STRING_COMMON_MEMBERS(NarrowString, char, char16_t)
#undef QZ_STRING_COMMON_MEMBERS

template WideString::StringT(const char*);
template WideString& WideString::AssignNarrow(const char*, std::uint32_t);
template bool WideString::Delete(std::uint32_t, std::uint32_t);
template QZRESULT WideString::AppendChar(char16_t);
template QZRESULT WideString::InsertString(std::uint32_t, const WideString&);
template QZRESULT WideString::InsertChars(std::uint32_t, const char16_t*, std::uint32_t);
template QZRESULT WideString::InsertNarrow(std::uint32_t, const char*, std::uint32_t);
template QZRESULT WideString::AppendNarrowChar(char);
template WideString& WideString::ReplaceChars(const char16_t*, char16_t);
template WideString WideString::ToUpper() const;
template WideString WideString::ToLower() const;
template WideString WideString::Trim() const;
template WideString WideString::TrimLeft() const;
template WideString WideString::TrimRight() const;
template WideString WideString::TrimLeftChars(const char16_t*) const;
template WideString WideString::TrimRightChars(const char16_t*) const;
template std::int32_t WideString::FindString(const WideString&) const;
template std::int32_t WideString::ReverseFind(char) const;
template bool WideString::EqualsString(const WideString&) const;
template bool WideString::IsNotEqual(const WideString&) const;
template bool WideString::IsNotEqual(const char*) const;
template bool WideString::IsLess(const WideString&) const;
template std::int32_t WideString::CompareIgnoringCase(const WideString&) const;
template std::int32_t WideString::ToInt() const;
template double WideString::ToDouble() const;
template NarrowString WideString::ToNarrow() const;
template QZRESULT WideString::ConvertFromNarrow(const char*, std::int32_t);
template StringArrayT<char16_t, char> WideString::Split(const WideString&) const;

template NarrowString::StringT(const ConstRCPtr<LIBuffer>&);
template std::int32_t NarrowString::Find(const char*, std::int32_t) const;
template QZRESULT NarrowString::ConvertFromWide(const char16_t*, std::int32_t);

// ---------------------------------------------------------------------------
// Number texts

namespace {

// "1234" with 2 decimals gives "12.34", "5" gives ".05"; a sign stays in front.
WideString ToFixedPoint(WideString text, std::int32_t decimals) {
  if (decimals <= 0)
    return text;
  WideString sign;
  if (text.GetChars()[0] == u'-') {
    sign = text.Left(1);
    text = text.MidToEnd(1);
  }
  const std::uint32_t length = text.GetLength();
  if (length < static_cast<std::uint32_t>(decimals)) {
    // All the zeros in one insertion; one at a time is quadratic in decimals.
    const std::u16string zeros(static_cast<std::uint32_t>(decimals) - length, u'0');
    text.InsertChars(0, zeros.c_str());
  }
  const std::int32_t k = static_cast<std::int32_t>(text.GetLength()) - decimals;
  return sign.Concat(text.Left(k)).Concat(WideString(u".")).Concat(text.MidToEnd(k));
}

} // namespace

WideString IntToString(std::int32_t value, std::int32_t decimals) {
  return ToFixedPoint(WideString(u"%d", value), decimals);
}

WideString UIntToString(std::uint32_t value, std::int32_t decimals) {
  return ToFixedPoint(WideString(u"%u", value), decimals);
}

WideString DoubleToString(double value, std::int32_t decimals) {
  if (decimals < 0)
    return WideString(u"%lf", value);
  const WideString format(u"%%.%dlf", decimals);
  return WideString(format.GetChars(), value);
}

std::string ToUtf8(const WideString& text) {
  const NarrowString narrow = text.ToNarrow();
  return std::string(narrow.GetChars(), narrow.GetLength());
}

} // namespace QZ
