#include "QZFramework/Utilities/Storage/VariantEx.h"

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/Array.h"

#include <charconv>
#include <limits>
#include <stdexcept>
#include <string>

namespace QZ {
namespace {

constexpr const char* kSourcePath = "Utilities\\Storage\\VariantEx";

// Nested arrays deeper than this print their item count only: the text of a
// deep nest grows with the square of its depth.
constexpr std::int32_t kMaxPrintedDepth = 64;

bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

const char16_t* SkipBlanks(const char16_t* p) {
  while (IsBlank(*p))
    ++p;
  return p;
}

// The leading decimal integer of a text (blanks and a sign allowed, 0 when
// there is none), saturated to [min, max] as the runtime's conversions do.
std::int64_t LeadingInteger(const char16_t* text, std::int64_t min, std::int64_t max) {
  const char16_t* p = SkipBlanks(text);
  bool negative = false;
  if (*p == u'+' || *p == u'-')
    negative = *p++ == u'-';
  std::uint64_t magnitude = 0;
  const std::uint64_t limit =
      negative ? static_cast<std::uint64_t>(-(min + 1)) + 1 : static_cast<std::uint64_t>(max);
  for (; *p >= u'0' && *p <= u'9'; ++p) {
    const unsigned digit = static_cast<unsigned>(*p - u'0');
    // Checked before multiplying: a 64-bit magnitude times ten would wrap.
    if (magnitude > (limit - digit) / 10)
      return negative ? min : max;
    magnitude = magnitude * 10 + digit;
  }
  if (!negative)
    return static_cast<std::int64_t>(magnitude);
  return magnitude == static_cast<std::uint64_t>(-(min + 1)) + 1 ? min : -static_cast<std::int64_t>(magnitude);
}

std::int32_t LeadingInt32(const char16_t* text) {
  return static_cast<std::int32_t>(
      LeadingInteger(text, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int64_t LeadingInt64(const char16_t* text) {
  return LeadingInteger(text, std::numeric_limits<std::int64_t>::min(), std::numeric_limits<std::int64_t>::max());
}

// The leading floating-point number of a text, 0 when there is none; never
// depends on the locale.
double LeadingDouble(const char16_t* text) {
  const char16_t* p = SkipBlanks(text);
  std::string ascii;
  for (; *p > 0 && *p < 0x80; ++p)
    ascii.push_back(static_cast<char>(*p));
  const char* first = ascii.c_str();
  const char* last = first + ascii.size();
  bool negative = false;
  if (first != last && (*first == '+' || *first == '-')) {
    negative = *first == '-';
    ++first;
  }
  if (first != last && (*first == '+' || *first == '-'))
    return 0.0; // a second sign is no number
  double value = 0.0;
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    // from_chars leaves value unset: overflow reads as infinity, underflow as 0.
    const char* e = first;
    while (e != result.ptr && *e != 'e' && *e != 'E')
      ++e;
    value = (e + 1 < result.ptr && e[1] == '-') ? 0.0 : std::numeric_limits<double>::infinity();
  } else if (result.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

bool IsTrueText(const WideString& text) {
  const char16_t* p = text.GetChars();
  for (const char* t = "true"; *t; ++t, ++p) {
    const char16_t c = (*p >= u'A' && *p <= u'Z') ? static_cast<char16_t>(*p + (u'a' - u'A')) : *p;
    if (c != static_cast<char16_t>(*t))
      return false;
  }
  return *p == 0;
}

} // namespace

VariantEx::VariantEx(const Variant& other) { Assign(other); }

VariantEx::VariantEx(const VariantEx& other) : Variant(), IStringable() { Assign(other); }

VariantEx& VariantEx::operator=(const Variant& other) {
  Assign(other);
  return *this;
}

VariantEx& VariantEx::operator=(const VariantEx& other) {
  Assign(other);
  return *this;
}

VariantEx::~VariantEx() {
  if (mType >= kVariantBuffer)
    FreeBuffer(DataPointer());
  std::memset(mValue, 0, sizeof(mValue));
  mSize = 0;
  mType = kVariantEmpty;
  mStorage = ConstRCPtr<LIBuffer>();
}

WideString VariantEx::Text() const { return ValueToString(-1); }

bool VariantEx::GetBool() const {
  if (mType != kVariantString)
    return Variant::GetBool();
  return IsTrueText(Text());
}

std::int8_t VariantEx::GetInt8() const {
  if (mType != kVariantString)
    return Variant::GetInt8();
  return static_cast<std::int8_t>(LeadingInt32(Text().GetChars()));
}

std::int16_t VariantEx::GetInt16() const {
  if (mType != kVariantString)
    return Variant::GetInt16();
  return static_cast<std::int16_t>(LeadingInt32(Text().GetChars()));
}

std::int32_t VariantEx::GetInt32() const {
  if (mType != kVariantString)
    return Variant::GetInt32();
  return LeadingInt32(Text().GetChars());
}

std::int64_t VariantEx::GetInt64() const {
  if (mType != kVariantString)
    return Variant::GetInt64();
  return LeadingInt64(Text().GetChars());
}

std::uint8_t VariantEx::GetUInt8() const {
  if (mType != kVariantString)
    return Variant::GetUInt8();
  return static_cast<std::uint8_t>(LeadingInt32(Text().GetChars()));
}

std::uint16_t VariantEx::GetUInt16() const {
  if (mType != kVariantString)
    return Variant::GetUInt16();
  return static_cast<std::uint16_t>(LeadingInt32(Text().GetChars()));
}

std::uint32_t VariantEx::GetUInt32() const {
  if (mType != kVariantString)
    return Variant::GetUInt32();
  return static_cast<std::uint32_t>(GetInt64());
}

std::uint64_t VariantEx::GetUInt64() const {
  if (mType != kVariantString)
    return Variant::GetUInt64();
  return static_cast<std::uint64_t>(LeadingInt64(Text().GetChars()));
}

float VariantEx::GetFloat() const {
  if (mType != kVariantString)
    return Variant::GetFloat();
  return static_cast<float>(LeadingDouble(Text().GetChars()));
}

double VariantEx::GetDouble() const {
  if (mType != kVariantString)
    return Variant::GetDouble();
  return LeadingDouble(Text().GetChars());
}

void* VariantEx::AllocateBuffer(std::uint32_t size) {
  mStorage = CreateLBuffer(size, 0, true);
  return mStorage ? mStorage.GetRaw()->GetData() : nullptr;
}

void VariantEx::FreeBuffer(void* data) {
  if (data)
    mStorage = ConstRCPtr<LIBuffer>();
}

std::int32_t VariantEx::SetString(const NarrowString& text) {
  Reset();
  const ConstRCPtr<LIBuffer>& buffer = text.GetStorage();
  ConstRCPtr<LIBuffer> copy = buffer->CopyRange(buffer->GetSize(), 0);
  if (!copy || copy->GetSize() == 0)
    return 0;
  mStorage = copy;
  SetDataPointer(mStorage.GetRaw()->GetData());
  mSize = mStorage->GetSize();
  mType = kVariantString;
  return kVariantString;
}

std::int32_t VariantEx::SetString(const WideString& text) { return SetString(NarrowString(text)); }

const ConstRCPtr<LIBuffer>& VariantEx::GetBuffer() const {
  if (mType != kVariantBuffer && mType != kVariantString)
    ThrowException<std::runtime_error>("", "QZ::VariantEx::GetBuffer", kSourcePath, 464);
  return mStorage;
}

QZRESULT VariantEx::GetArray(IArray<VariantEx>& out) const {
  out.RemoveAll();
  if (mType == kVariantEmpty)
    return S_OK;
  if (mType != kVariantArray)
    return E_INVALIDARG;
  const std::uint32_t count = GetArrayCount();
  if (out.SetSize(count) != static_cast<std::int32_t>(count))
    return E_OUTOFMEMORY;
  for (std::uint32_t i = 0; i < count; ++i)
    GetArrayItem(i, out.GetAt(i));
  return S_OK;
}

QZRESULT VariantEx::Deserialize(const void* record, std::uint32_t available) {
  return QZ::Deserialize(*this, record, available);
}

WideString VariantEx::ValueToString(std::int32_t level) const {
  switch (mType) {
  case kVariantEmpty:
    return WideString(u"<empty>");
  case kVariantBool:
    return WideString(Load<std::uint8_t>() != 0 ? u"true" : u"false");
  case kVariantInt8: {
    const std::int32_t v = Load<std::int8_t>();
    return WideString(u"%I32d (0x%02X)", v, static_cast<std::uint32_t>(v));
  }
  case kVariantUInt8:
    return WideString(u"%I32u (0x%02X)", std::uint32_t{Load<std::uint8_t>()}, std::uint32_t{Load<std::uint8_t>()});
  case kVariantInt16: {
    const std::int32_t v = Load<std::int16_t>();
    return WideString(u"%I32d (0x%04X)", v, static_cast<std::uint32_t>(v));
  }
  case kVariantUInt16:
    return WideString(u"%I32u (0x%04X)", std::uint32_t{Load<std::uint16_t>()},
                      std::uint32_t{Load<std::uint16_t>()});
  case kVariantInt32:
    return WideString(u"%I32d (0x%08X)", Load<std::int32_t>(), Load<std::uint32_t>());
  case kVariantUInt32:
    return WideString(u"%I32u (0x%08X)", Load<std::uint32_t>(), Load<std::uint32_t>());
  case kVariantFloat:
    return WideString(u"%f", static_cast<double>(Load<float>()));
  case kVariantDouble:
    return WideString(u"%lf", Load<double>());
  case kVariantInt64:
    return WideString(u"%I64d (0x%I64X)", Load<std::int64_t>(), Load<std::uint64_t>());
  case kVariantUInt64:
  case kVariantExternal:
  case kVariantExternalConst:
  case kVariantBuffer:
    // For codes 12 to 14 the field holds the data's address.
    return WideString(u"%I64X", Load<std::uint64_t>());
  case kVariantString:
    return WideString(NarrowString(mStorage));
  case kVariantArray:
    return IndentedAt(level < 0 ? 0 : level, 0);
  default:
    return WideString();
  }
}

WideString VariantEx::ToIndentedString(std::int32_t level) const { return IndentedAt(level, 0); }

WideString VariantEx::IndentedAt(std::int32_t level, std::int32_t depth) const {
  if (mType != kVariantArray)
    return ValueToString(-1);
  if (depth >= kMaxPrintedDepth)
    return WideString(u"array(%u): ...", GetArrayCount());
  Array<VariantEx> items;
  GetArray(items);
  const std::uint32_t count = items.GetCount();
  if (count == 0)
    return WideString(u"<empty array>");
  std::u16string indent(2 * static_cast<std::size_t>(level < 0 ? 0 : level) + 2, u' ');
  WideString text(u"array(%u):", count);
  for (std::uint32_t i = 0; i < count; ++i) {
    text.AppendString(WideString(u"\n%s[%u] ", indent.c_str(), i));
    text.AppendString(items.GetAt(i).IndentedAt(level + 1, depth + 1));
  }
  return text;
}

WideString VariantEx::ToString() const { return ValueToString(-1); }

} // namespace QZ
