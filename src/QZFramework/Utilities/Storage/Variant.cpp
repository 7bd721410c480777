#include "QZFramework/Utilities/Storage/Variant.h"

#include <bit>
#include <cmath>
#include <iterator>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace QZ {

static_assert(sizeof(void*) <= 8, "the value field holds a data pointer");
static_assert(std::endian::native == std::endian::little, "the value field is read little-endian");

namespace {

constexpr std::uint32_t kKindCurrent = 1;
constexpr std::uint32_t kKindOld = 0;

// Old type codes (record kind 0), by old code.
constexpr std::int32_t kOldTypeCodes[] = {
    kVariantEmpty,    kVariantBool,          kVariantInt32,  kVariantInt64,  kVariantFloat, kVariantDouble,
    kVariantExternal, kVariantExternalConst, kVariantBuffer, kVariantString, kVariantArray,
};

std::uint32_t ReadU32(const unsigned char* p) {
  return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void WriteU32(unsigned char* p, std::uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
}

std::uint32_t ScalarWidth(std::int32_t type) {
  switch (type) {
  case kVariantBool:
  case kVariantInt8:
  case kVariantUInt8:
    return 1;
  case kVariantInt16:
  case kVariantUInt16:
    return 2;
  case kVariantInt32:
  case kVariantUInt32:
  case kVariantFloat:
    return 4;
  case kVariantDouble:
  case kVariantInt64:
  case kVariantUInt64:
    return 8;
  default:
    return 0;
  }
}

bool OwnsData(std::int32_t type) { return type > kVariantExternalConst; }
bool IsFloating(std::int32_t type) { return type == kVariantFloat || type == kVariantDouble; }

// Calls visit(offset, length) for each whole record of packed data. The walk
// stops at a length below the header (a zero length would never advance) and
// at a record that runs past the data; visit returns false to stop early.
template <class Visit>
void WalkRecords(const unsigned char* data, std::uint32_t size, Visit&& visit) {
  if (!data)
    return;
  std::uint32_t offset = 0;
  while (size - offset >= kVariantRecordHeaderSize) {
    const std::uint32_t length = ReadU32(data + offset);
    if (length < kVariantRecordHeaderSize || length > size - offset)
      return;
    if (!visit(offset, length))
      return;
    offset += length;
  }
}

// R(x): round half away from zero. The single-precision form adds 0.5 as a float.
double RoundDouble(double x) { return std::trunc(x < 0 ? x - 0.5 : x + 0.5); }
float RoundFloat(float x) { return std::trunc(x < 0 ? x - 0.5f : x + 0.5f); }

// Out-of-range and NaN inputs have no integer value: NaN gives 0, the rest saturate.
std::int32_t ToInt32(double r) {
  if (std::isnan(r))
    return 0;
  if (r <= -2147483648.0)
    return std::numeric_limits<std::int32_t>::min();
  if (r >= 2147483647.0)
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(r);
}

constexpr double kTwo63 = 9223372036854775808.0;
constexpr double kTwo64 = 18446744073709551616.0;

std::int64_t ToInt64(double r) {
  if (std::isnan(r))
    return 0;
  if (r < -kTwo63)
    return std::numeric_limits<std::int64_t>::min();
  if (r >= kTwo63)
    return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(r);
}

// From 2^63 up the value converts without sign; negatives give their two's complement.
std::uint64_t ToUInt64(double r) {
  if (std::isnan(r))
    return 0;
  if (r >= kTwo64)
    return std::numeric_limits<std::uint64_t>::max();
  if (r >= kTwo63)
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(r - kTwo63)) + (std::uint64_t(1) << 63);
  return static_cast<std::uint64_t>(ToInt64(r));
}

// The first n bytes of v's bytes (value field or data) as a little-endian number;
// data shorter than n is read as far as it goes.
std::uint64_t LeadingBits(const Variant& v, std::uint32_t n) {
  std::uint32_t size = 0;
  const void* data = v.Variant::GetData(size);
  std::uint64_t bits = 0;
  if (data)
    std::memcpy(&bits, data, size < n ? size : n);
  return bits;
}

// The integer reading shared by the integer getters for everything but float and
// double: bool 0 or 1, integers extended by their own signedness, the first
// dataBytes bytes of data (12 to 14), the size less one of a text.
std::int64_t IntegerOf(const Variant& v, std::uint32_t dataBytes) {
  const std::uint64_t bits = LeadingBits(v, 8);
  switch (v.GetType()) {
  case kVariantBool:
    return (bits & 0xFF) != 0;
  case kVariantInt8:
    return static_cast<std::int8_t>(bits);
  case kVariantInt16:
    return static_cast<std::int16_t>(bits);
  case kVariantInt32:
    return static_cast<std::int32_t>(bits);
  case kVariantInt64:
  case kVariantUInt8:
  case kVariantUInt16:
  case kVariantUInt32:
  case kVariantUInt64:
    return static_cast<std::int64_t>(bits);
  case kVariantExternal:
  case kVariantExternalConst:
  case kVariantBuffer:
    return static_cast<std::int64_t>(LeadingBits(v, dataBytes));
  case kVariantString:
    return static_cast<std::uint32_t>(v.GetSize() - 1);
  default:
    return 0;
  }
}

double FloatingOf(const Variant& v) {
  return v.GetType() == kVariantFloat
             ? static_cast<double>(std::bit_cast<float>(static_cast<std::uint32_t>(LeadingBits(v, 4))))
             : std::bit_cast<double>(LeadingBits(v, 8));
}

// Single-precision rounding for a float source, double precision for a double.
std::int64_t RoundedInt64(const Variant& v) {
  if (v.GetType() == kVariantFloat)
    return ToInt64(RoundFloat(static_cast<float>(FloatingOf(v))));
  return ToInt64(RoundDouble(FloatingOf(v)));
}

// At most size bytes from p, which lies in a value's own bytes and has own of them left.
std::vector<unsigned char> CopyOfOwn(const void* p, std::uint32_t own, std::uint32_t size) {
  const auto* bytes = static_cast<const unsigned char*>(p);
  return std::vector<unsigned char>(bytes, bytes + (size < own ? size : own));
}

} // namespace

Variant::Variant(const Variant& other) { Assign(other); }

Variant& Variant::operator=(const Variant& other) {
  Assign(other);
  return *this;
}

Variant::~Variant() {
  if (OwnsData(mType))
    Variant::FreeBuffer(DataPointer());
  std::memset(mValue, 0, sizeof(mValue));
  mSize = 0;
  mType = kVariantEmpty;
}

bool Variant::GetBool() const {
  switch (mType) {
  case kVariantBool:
  case kVariantInt8:
  case kVariantUInt8:
  case kVariantInt16:
  case kVariantUInt16:
  case kVariantInt32:
  case kVariantUInt32:
  case kVariantInt64:
  case kVariantUInt64:
    return Load<std::uint64_t>() != 0;
  case kVariantFloat:
    return Load<float>() != 0.0f; // NaN != 0
  case kVariantDouble:
    return Load<double>() != 0.0;
  case kVariantExternal:
  case kVariantExternalConst:
    return DataPointer() != nullptr;
  case kVariantBuffer:
  case kVariantArray:
    return mSize != 0;
  case kVariantString:
    return mSize > 1;
  default:
    return false;
  }
}

std::int8_t Variant::GetInt8() const {
  if (IsFloating(mType))
    return static_cast<std::int8_t>(ToInt32(RoundDouble(FloatingOf(*this))));
  return static_cast<std::int8_t>(IntegerOf(*this, 1));
}

std::int16_t Variant::GetInt16() const {
  if (IsFloating(mType))
    return static_cast<std::int16_t>(ToInt32(RoundDouble(FloatingOf(*this))));
  return static_cast<std::int16_t>(IntegerOf(*this, 2));
}

std::int32_t Variant::GetInt32() const {
  if (IsFloating(mType))
    return ToInt32(RoundDouble(FloatingOf(*this)));
  return static_cast<std::int32_t>(IntegerOf(*this, 4));
}

std::int64_t Variant::GetInt64() const {
  if (IsFloating(mType))
    return RoundedInt64(*this);
  return IntegerOf(*this, 8);
}

std::uint8_t Variant::GetUInt8() const { return static_cast<std::uint8_t>(GetInt8()); }

std::uint16_t Variant::GetUInt16() const {
  if (IsFloating(mType))
    return static_cast<std::uint16_t>(ToInt32(RoundDouble(FloatingOf(*this))));
  if (mType == kVariantInt8) // not sign-extended
    return Load<std::uint8_t>();
  return static_cast<std::uint16_t>(IntegerOf(*this, 2));
}

std::uint32_t Variant::GetUInt32() const {
  if (IsFloating(mType))
    return static_cast<std::uint32_t>(ToInt64(RoundDouble(FloatingOf(*this))));
  return static_cast<std::uint32_t>(IntegerOf(*this, 4));
}

std::uint64_t Variant::GetUInt64() const {
  if (mType == kVariantFloat)
    return ToUInt64(RoundFloat(Load<float>()));
  if (mType == kVariantDouble)
    return ToUInt64(RoundDouble(Load<double>()));
  return static_cast<std::uint64_t>(IntegerOf(*this, 8));
}

float Variant::GetFloat() const {
  switch (mType) {
  case kVariantBool:
  case kVariantInt8:
  case kVariantInt16:
  case kVariantInt32:
  case kVariantInt64:
    return static_cast<float>(IntegerOf(*this, 8));
  case kVariantUInt8:
  case kVariantUInt16:
  case kVariantUInt32:
  case kVariantUInt64:
    return static_cast<float>(Load<std::uint64_t>());
  case kVariantFloat:
    return Load<float>();
  case kVariantDouble:
    return static_cast<float>(Load<double>());
  case kVariantExternal:
  case kVariantExternalConst:
  case kVariantBuffer:
  case kVariantString:
    return static_cast<float>(GetInt32());
  default:
    return 0.0f;
  }
}

double Variant::GetDouble() const {
  switch (mType) {
  case kVariantBool:
  case kVariantInt8:
  case kVariantInt16:
  case kVariantInt32:
  case kVariantInt64:
    return static_cast<double>(IntegerOf(*this, 8));
  case kVariantUInt8:
  case kVariantUInt16:
  case kVariantUInt32:
  case kVariantUInt64:
    return static_cast<double>(Load<std::uint64_t>());
  case kVariantFloat:
    return Load<float>();
  case kVariantDouble:
    return Load<double>();
  case kVariantExternal:
  case kVariantExternalConst:
  case kVariantBuffer:
  case kVariantString:
    return static_cast<double>(GetInt64());
  default:
    return 0.0;
  }
}

const void* Variant::GetData(std::uint32_t& size) const {
  if (const std::uint32_t width = ScalarWidth(mType)) {
    size = width;
    return mValue;
  }
  if (mType >= kVariantExternal && mType <= kVariantArray) {
    size = mSize;
    return DataPointer();
  }
  size = 0;
  return nullptr;
}

void* Variant::GetMutableData(std::uint32_t& size) {
  if (mType == kVariantExternalConst || mType == kVariantArray) {
    size = 0;
    return nullptr;
  }
  return const_cast<void*>(Variant::GetData(size));
}

const char* Variant::GetString() const {
  return mType == kVariantString ? static_cast<const char*>(DataPointer()) : nullptr;
}

void* Variant::AllocateBuffer(std::uint32_t size) { return new (std::nothrow) unsigned char[size]; }

void Variant::FreeBuffer(void* data) { delete[] static_cast<unsigned char*>(data); }

void Variant::Reset() {
  if (OwnsData(mType))
    FreeBuffer(DataPointer());
  std::memset(mValue, 0, sizeof(mValue));
  mSize = 0;
  mType = kVariantEmpty;
}

void Variant::Clear() { Reset(); }

std::uint32_t Variant::OwnBytesFrom(const void* p) const {
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  const auto from = [at](const void* begin, std::uint32_t size) -> std::uint32_t {
    const auto first = reinterpret_cast<std::uintptr_t>(begin);
    return begin && at >= first && at - first < size ? static_cast<std::uint32_t>(size - (at - first)) : 0;
  };
  if (const std::uint32_t n = from(mValue, sizeof(mValue)))
    return n;
  return OwnsData(mType) ? from(DataPointer(), mSize) : 0;
}

std::int32_t Variant::Assign(const Variant& other) {
  if (&other == this)
    return mType;
  Reset();
  const std::uint32_t size = other.mSize;
  if (OwnsData(other.mType) && size != 0) {
    void* data = AllocateBuffer(size);
    if (!data)
      return 0;
    std::memcpy(data, other.DataPointer(), size);
    SetDataPointer(data);
    mSize = size;
    mType = other.mType;
    return mType;
  }
  // External data (12, 13) shares the other's pointer; owned data of size 0 is
  // empty storage, never a pointer into the other's.
  if (!OwnsData(other.mType))
    std::memcpy(mValue, other.mValue, sizeof(mValue));
  mSize = size;
  mType = other.mType;
  return mType;
}

std::int32_t Variant::SetData(std::int32_t type, const void* data, std::uint32_t size) {
  if (const std::uint32_t own = OwnBytesFrom(data)) {
    const std::vector<unsigned char> copy = CopyOfOwn(data, own, size);
    return SetData(type, copy.data(), static_cast<std::uint32_t>(copy.size()));
  }
  Reset();
  if (const std::uint32_t width = ScalarWidth(type)) {
    if (size != width || !data)
      return 0;
    std::memcpy(mValue, data, width);
    mType = type;
    return type;
  }
  switch (type) {
  case kVariantString: {
    // The text ends at its first zero byte, but never beyond size bytes: a
    // record's payload may lack the zero.
    const void* zero = data ? std::memchr(data, 0, size) : nullptr;
    if (zero)
      return SetString(static_cast<const char*>(data));
    const std::uint32_t length = data ? size : 0;
    if (length == std::numeric_limits<std::uint32_t>::max() || SetBuffer(nullptr, length + 1) == 0)
      return 0;
    unsigned char* text = static_cast<unsigned char*>(DataPointer());
    if (length)
      std::memcpy(text, data, length);
    text[length] = 0;
    mType = kVariantString;
    return kVariantString;
  }
  case kVariantExternal:
  case kVariantExternalConst:
  case kVariantBuffer:
    return SetBuffer(data, size);
  case kVariantArray:
    if (SetBuffer(data, size) == 0)
      return 0;
    mType = kVariantArray;
    return kVariantArray;
  default:
    return 0;
  }
}

std::int32_t Variant::SetBuffer(const void* data, std::uint32_t size) {
  if (const std::uint32_t own = OwnBytesFrom(data)) {
    const std::vector<unsigned char> copy = CopyOfOwn(data, own, size);
    return SetBuffer(copy.data(), static_cast<std::uint32_t>(copy.size()));
  }
  Reset();
  void* storage = AllocateBuffer(size);
  if (!storage && size != 0)
    return 0;
  if (data && size != 0)
    std::memcpy(storage, data, size);
  SetDataPointer(storage);
  mSize = size;
  mType = kVariantBuffer;
  return kVariantBuffer;
}

std::int32_t Variant::SetString(const char* text) {
  if (!text)
    text = "";
  if (const std::uint32_t own = OwnBytesFrom(text)) {
    const void* zero = std::memchr(text, 0, own);
    const std::string copy(text, zero ? static_cast<const char*>(zero) : text + own);
    return SetString(copy.c_str());
  }
  const std::size_t length = std::strlen(text);
  if (length >= std::numeric_limits<std::uint32_t>::max() ||
      SetBuffer(text, static_cast<std::uint32_t>(length + 1)) == 0)
    return 0;
  mType = kVariantString;
  return kVariantString;
}

std::int32_t Variant::SetArray(const Variant* items, std::uint32_t count) {
  std::vector<const Variant*> pointers;
  if (items) {
    pointers.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i)
      pointers.push_back(items + i);
  }
  return SetArray(pointers.data(), static_cast<std::uint32_t>(pointers.size()));
}

std::int32_t Variant::SetArray(const Variant* const* items, std::uint32_t count) {
  if (!items)
    count = 0;
  // An item may be this value itself, whose bytes the reset below would free.
  Variant self;
  std::vector<const Variant*> substituted;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (items[i] == this) {
      self.Assign(*this);
      substituted.assign(items, items + count);
      for (auto& item : substituted)
        if (item == this)
          item = &self;
      items = substituted.data();
      break;
    }
  }
  WriteArray(items, count);
  return mType == kVariantArray ? kVariantArray : 0;
}

void Variant::WriteArray(const Variant* const* items, std::uint32_t count) {
  Reset();
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t n = 0;
    items[i]->GetData(n);
    total += std::uint64_t(n) + kVariantRecordHeaderSize;
  }
  if (total > std::numeric_limits<std::uint32_t>::max())
    return;
  unsigned char* data = nullptr;
  if (total != 0) {
    data = static_cast<unsigned char*>(AllocateBuffer(static_cast<std::uint32_t>(total)));
    if (!data)
      return;
  }
  std::uint32_t offset = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t n = 0;
    const void* payload = items[i]->GetData(n);
    // External data without bytes has no payload to write; its header still
    // fills the room counted for it, and the record does not decode.
    WriteU32(data + offset, n + kVariantRecordHeaderSize);
    WriteU32(data + offset + 4, kKindCurrent);
    WriteU32(data + offset + 8, static_cast<std::uint32_t>(items[i]->GetType()));
    if (n != 0)
      std::memcpy(data + offset + kVariantRecordHeaderSize, payload, n);
    offset += n + kVariantRecordHeaderSize;
  }
  SetDataPointer(data);
  mSize = static_cast<std::uint32_t>(total);
  mType = kVariantArray;
}

std::uint32_t Variant::GetArrayCount() const {
  if (mType != kVariantArray || mSize <= 4)
    return 0;
  std::uint32_t count = 0;
  WalkRecords(static_cast<const unsigned char*>(DataPointer()), mSize, [&](std::uint32_t, std::uint32_t) {
    ++count;
    return true;
  });
  return count;
}

std::int32_t Variant::GetArrayItem(std::uint32_t index, Variant& out) const {
  if (&out == this) {
    const Variant copy(*this);
    return copy.GetArrayItem(index, out);
  }
  out.Clear();
  if (mType != kVariantArray || mSize <= 4)
    return -1;
  const unsigned char* data = static_cast<const unsigned char*>(DataPointer());
  std::uint32_t position = 0;
  bool found = false;
  std::uint32_t offset = 0;
  WalkRecords(data, mSize, [&](std::uint32_t at, std::uint32_t) {
    if (position++ == index) {
      offset = at;
      found = true;
      return false;
    }
    return true;
  });
  if (!found)
    return -1;
  // The walk has checked the record's frame, so reading it cannot fail.
  static_cast<void>(Deserialize(out, data + offset, mSize - offset));
  return 0;
}

bool Variant::IsEqual(const Variant& other) const {
  if (mType != other.mType)
    return false;
  switch (mType) {
  case kVariantEmpty:
    return true;
  case kVariantBool:
  case kVariantInt8:
  case kVariantUInt8:
    return Load<std::uint8_t>() == other.Load<std::uint8_t>();
  case kVariantInt16:
  case kVariantUInt16:
    return Load<std::uint16_t>() == other.Load<std::uint16_t>();
  case kVariantInt32:
  case kVariantUInt32:
    return Load<std::uint32_t>() == other.Load<std::uint32_t>();
  case kVariantFloat:
    return Load<float>() == other.Load<float>();
  case kVariantDouble:
    return Load<double>() == other.Load<double>();
  case kVariantInt64:
  case kVariantUInt64:
    return Load<std::uint64_t>() == other.Load<std::uint64_t>();
  case kVariantExternal:
  case kVariantExternalConst:
    return DataPointer() == other.DataPointer() && mSize == other.mSize;
  case kVariantBuffer:
  case kVariantString:
  case kVariantArray:
    return mSize == other.mSize && (mSize == 0 || std::memcmp(DataPointer(), other.DataPointer(), mSize) == 0);
  default:
    return false;
  }
}

bool Variant::IsNegative() const {
  switch (mType) {
  case kVariantInt8:
    return Load<std::int8_t>() < 0;
  case kVariantInt16:
    return Load<std::int16_t>() < 0;
  case kVariantInt32:
    return Load<std::int32_t>() < 0;
  case kVariantInt64:
    return Load<std::int64_t>() < 0;
  case kVariantFloat:
    return Load<float>() < 0.0f;
  case kVariantDouble:
    return Load<double>() < 0.0;
  default:
    return false;
  }
}

QZRESULT Serialize(const Variant& value, void* destination, std::uint32_t capacity) {
  std::uint32_t n = 0;
  const void* payload = value.GetData(n);
  if (n == 0 && (value.GetType() == kVariantExternal || value.GetType() == kVariantExternalConst))
    return E_FAIL;
  // The length must also read back as a non-negative result.
  const std::uint64_t length = std::uint64_t(n) + kVariantRecordHeaderSize;
  if (!destination || capacity < length || length > std::uint64_t(std::numeric_limits<std::int32_t>::max()))
    return E_FAIL;
  unsigned char* out = static_cast<unsigned char*>(destination);
  WriteU32(out, static_cast<std::uint32_t>(length));
  WriteU32(out + 4, kKindCurrent);
  WriteU32(out + 8, static_cast<std::uint32_t>(value.GetType()));
  if (n != 0)
    std::memcpy(out + kVariantRecordHeaderSize, payload, n);
  return static_cast<QZRESULT>(length);
}

QZRESULT Deserialize(Variant& value, const void* record, std::uint32_t available) {
  if (!record || available < kVariantRecordHeaderSize)
    return E_FAIL;
  const unsigned char* in = static_cast<const unsigned char*>(record);
  const std::uint32_t length = ReadU32(in);
  // A length below the header would make the payload length negative.
  if (length < kVariantRecordHeaderSize || length > available)
    return E_FAIL;

  // A record inside the value's own data would be freed before it is read.
  std::uint32_t ownSize = 0;
  const unsigned char* own = static_cast<const unsigned char*>(value.GetData(ownSize));
  if (value.GetType() > kVariantExternalConst && own && in >= own && in < own + ownSize) {
    const std::vector<unsigned char> copy(in, in + length);
    return Deserialize(value, copy.data(), length);
  }

  const std::uint32_t kind = ReadU32(in + 4);
  const std::uint32_t code = ReadU32(in + 8);
  std::int32_t type;
  if (kind == kKindCurrent) {
    if (code > kVariantArray)
      return E_FAIL;
    type = static_cast<std::int32_t>(code);
  } else if (kind == kKindOld) {
    if (code >= std::size(kOldTypeCodes))
      return E_FAIL;
    type = kOldTypeCodes[code];
  } else {
    return E_FAIL;
  }

  const std::uint32_t payloadLength = length - kVariantRecordHeaderSize;
  if (payloadLength == 0) {
    if (type == kVariantEmpty) {
      value.Clear();
      return S_OK;
    }
    if (type == kVariantArray) {
      value.SetArray(static_cast<const Variant* const*>(nullptr), 0);
      return S_OK;
    }
    return E_FAIL;
  }
  if (type == kVariantEmpty)
    return E_FAIL;
  return value.SetData(type, in + kVariantRecordHeaderSize, payloadLength) == type ? S_OK : E_FAIL;
}

} // namespace QZ
