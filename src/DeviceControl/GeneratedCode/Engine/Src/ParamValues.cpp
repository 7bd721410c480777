#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"

#include "QZFramework/Utilities/Storage/StringT.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

namespace QZ {
namespace {

Variant Int32Value(std::int32_t value) {
  Variant v;
  v.SetData(kVariantInt32, &value, sizeof value);
  return v;
}

// One item of a list: its elements packed in order.
Variant PackItem(std::initializer_list<const Variant*> elements) {
  Variant item;
  item.SetArray(elements.begin(), static_cast<std::uint32_t>(elements.size()));
  return item;
}

// Item index of a list when it is a packed array of exactly elementCount elements.
std::int32_t ReadItem(const Variant& list, std::uint32_t index, std::uint32_t elementCount, Variant& item) {
  if (list.GetType() != kVariantArray || list.GetSize() <= 4 || index >= list.GetArrayCount())
    return kParamNoItem;
  list.GetArrayItem(index, item);
  if (item.GetType() != kVariantArray || item.GetArrayCount() != elementCount)
    return kParamBadItem;
  return kParamDone;
}

void WriteList(Variant& list, const std::vector<Variant>& items) {
  list.SetArray(items.data(), static_cast<std::uint32_t>(items.size()));
}

std::int32_t ReadValues(const ParamValues& list, std::vector<ParamValue>& items) {
  const std::uint32_t count = list.GetArrayCount();
  items.resize(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    ParamValue& item = items[i];
    const std::int32_t result = list.GetParamValue(i, item.value, item.descriptor.id, item.descriptor.detail);
    if (result != kParamDone)
      return result;
  }
  return kParamDone;
}

void WriteValues(ParamValues& list, const ParamValue* items, std::uint32_t count) {
  std::vector<Variant> packed;
  packed.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const Variant id = Int32Value(items[i].descriptor.id);
    packed.push_back(PackItem({&items[i].value, &id, &items[i].descriptor.detail}));
  }
  WriteList(list, packed);
}

bool Matches(const ParamDescriptor& a, const ParamDescriptor& b) {
  return a.id == b.id && a.detail.IsEqual(b.detail);
}

// The bytes a value shows to the cross-type comparison: data for codes above
// 11, the whole 8-byte value field (zero above its width) for the others.
struct ComparedBytes {
  explicit ComparedBytes(const Variant& v) {
    std::uint32_t n = 0;
    const void* p = v.GetData(n);
    if (v.GetType() > kVariantUInt64) {
      data = static_cast<const unsigned char*>(p);
      size = n;
    } else {
      if (p)
        std::memcpy(field, p, n < sizeof field ? n : sizeof field);
      data = field;
      size = sizeof field;
    }
  }
  unsigned char field[8] = {};
  const unsigned char* data = nullptr;
  std::uint32_t size = 0;
};

bool IsBytesLess(const unsigned char* a, std::uint32_t aSize, const unsigned char* b, std::uint32_t bSize,
                 bool signedBytes) {
  if (aSize != bSize)
    return aSize < bSize;
  for (std::uint32_t i = 0; i < aSize; ++i) {
    if (a[i] != b[i])
      return signedBytes ? static_cast<signed char>(a[i]) < static_cast<signed char>(b[i]) : a[i] < b[i];
  }
  return false;
}

bool IsDataLess(const Variant& a, const Variant& b, bool signedBytes) {
  std::uint32_t aSize = 0;
  std::uint32_t bSize = 0;
  const void* aData = a.GetData(aSize);
  const void* bData = b.GetData(bSize);
  return IsBytesLess(static_cast<const unsigned char*>(aData), aSize, static_cast<const unsigned char*>(bData),
                     bSize, signedBytes);
}

bool IsFloating(std::int32_t type) { return type == kVariantFloat || type == kVariantDouble; }

constexpr double kTwo63 = 9223372036854775808.0;
constexpr double kTwo64 = 18446744073709551616.0;

// A float or double outside what a 64-bit integer of its sign can hold.
bool IsBeyond64Bits(const Variant& v, bool negative) {
  const double x = v.GetDouble();
  return negative ? x < -kTwo63 : x >= kTwo64;
}

// Same type code on both sides.
bool IsSameTypeLess(const Variant& a, const Variant& b) {
  switch (a.GetType()) {
  case kVariantBool:
  case kVariantUInt8:
    return IsDataLess(a, b, false);
  case kVariantInt8:
  case kVariantInt16:
  case kVariantInt32:
    return a.GetInt32() < b.GetInt32();
  case kVariantUInt16:
  case kVariantUInt32:
    return a.GetUInt32() < b.GetUInt32();
  case kVariantFloat:
  case kVariantDouble:
    return b.GetDouble() > a.GetDouble();
  case kVariantInt64:
    return a.GetInt64() < b.GetInt64();
  case kVariantUInt64:
    return a.GetUInt64() < b.GetUInt64();
  case kVariantExternal:
  case kVariantExternalConst: {
    // Size, then address: "smaller size or lower address" would hold both ways.
    std::uint32_t aSize = 0;
    std::uint32_t bSize = 0;
    const void* aData = a.GetData(aSize);
    const void* bData = b.GetData(bSize);
    if (aSize != bSize)
      return aSize < bSize;
    return std::less<const void*>()(aData, bData);
  }
  case kVariantBuffer:
    return IsDataLess(a, b, false);
  case kVariantString:
    return IsDataLess(a, b, true);
  case kVariantArray: {
    const std::uint32_t aCount = a.GetArrayCount();
    const std::uint32_t bCount = b.GetArrayCount();
    Variant aItem;
    Variant bItem;
    for (std::uint32_t i = 0; i < aCount && i < bCount; ++i) {
      a.GetArrayItem(i, aItem);
      b.GetArrayItem(i, bItem);
      if (!aItem.IsEqual(bItem))
        return IsVariantLess(aItem, bItem);
    }
    return aCount < bCount;
  }
  default:
    // Empty, and codes no value carries: all equal.
    return false;
  }
}

} // namespace

std::int32_t ParamValues::GetParamValue(std::uint32_t index, Variant& value, std::int32_t& id,
                                        Variant& detail) const {
  value.Clear();
  id = -1;
  Variant item;
  const std::int32_t result = ReadItem(*this, index, 3, item);
  if (result != kParamDone)
    return result;
  Variant element;
  item.GetArrayItem(1, element);
  id = element.GetInt32();
  item.GetArrayItem(0, value);
  item.GetArrayItem(2, detail);
  return kParamDone;
}

std::int32_t ParamValues::FindParamValue(const ParamDescriptor& descriptor, Variant& value) const {
  value.Clear();
  const std::uint32_t count = GetArrayCount();
  ParamValue item;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::int32_t result = GetParamValue(i, item.value, item.descriptor.id, item.descriptor.detail);
    if (result != kParamDone)
      return result;
    if (Matches(item.descriptor, descriptor)) {
      value.Assign(item.value);
      return kParamDone;
    }
  }
  return kParamNothingToDo;
}

std::int32_t ParamValues::SetParamValue(const ParamDescriptor& descriptor, const Variant& value) {
  std::vector<ParamValue> items;
  const std::int32_t result = ReadValues(*this, items);
  if (result != kParamDone)
    return result;
  for (ParamValue& item : items) {
    if (Matches(item.descriptor, descriptor)) {
      if (item.value.IsEqual(value))
        return kParamNothingToDo;
      item.value.Assign(value);
      WriteValues(*this, items.data(), static_cast<std::uint32_t>(items.size()));
      return kParamDone;
    }
  }
  const auto position = std::find_if(items.begin(), items.end(), [&](const ParamValue& item) {
    return IsParamDescriptorLess(descriptor, item.descriptor);
  });
  items.insert(position, ParamValue(descriptor, value));
  WriteValues(*this, items.data(), static_cast<std::uint32_t>(items.size()));
  return kParamDone;
}

std::int32_t ParamValues::RemoveParamValue(const ParamDescriptor& descriptor) {
  std::vector<ParamValue> items;
  const std::int32_t result = ReadValues(*this, items);
  if (result != kParamDone)
    return result;
  for (auto it = items.rbegin(); it != items.rend(); ++it) {
    if (Matches(it->descriptor, descriptor)) {
      items.erase(std::next(it).base());
      WriteValues(*this, items.data(), static_cast<std::uint32_t>(items.size()));
      return kParamDone;
    }
  }
  return kParamNothingToDo;
}

std::int32_t ParamValues::SetParamValues(const ParamValue* items, std::uint32_t count) {
  if (!items || count == 0)
    return kParamNoItem;
  WriteValues(*this, items, count);
  return kParamDone;
}

std::int32_t ParamValues::SetSingleValue(const ParamDescriptor& descriptor, const Variant& value) {
  const ParamValue item(descriptor, value);
  WriteValues(*this, &item, 1);
  return kParamDone;
}

std::int32_t ParamRanges::SetParamRanges(const ParamRange* ranges, std::uint32_t count) {
  if (!ranges || count == 0)
    return kParamNoItem;
  std::vector<Variant> items;
  items.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const Variant first = Int32Value(ranges[i].first);
    const Variant n = Int32Value(ranges[i].count);
    items.push_back(PackItem({&first, &n}));
  }
  WriteList(*this, items);
  return kParamDone;
}

std::int32_t ParamRanges::GetParamRange(std::uint32_t index, ParamRange& range) const {
  Variant item;
  const std::int32_t result = ReadItem(*this, index, 2, item);
  if (result == kParamNoItem)
    range = ParamRange{-1, 0};
  if (result != kParamDone)
    return result;
  Variant element;
  item.GetArrayItem(0, element);
  range.first = element.GetInt32();
  item.GetArrayItem(1, element);
  range.count = element.GetInt32();
  return kParamDone;
}

ParamDescriptors::ParamDescriptors(const ParamRange& range) {
  ParamRanges ranges;
  ranges.SetParamRanges(&range, 1);
  SetFromRanges(ranges);
}

std::int32_t ParamDescriptors::SetParamDescriptors(const ParamDescriptor* descriptors, std::uint32_t count) {
  if (!descriptors || count == 0)
    return kParamNoItem;
  std::vector<Variant> items;
  items.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    const Variant id = Int32Value(descriptors[i].id);
    items.push_back(PackItem({&id, &descriptors[i].detail}));
  }
  WriteList(*this, items);
  return kParamDone;
}

void ParamDescriptors::SetFromRanges(const ParamRanges& ranges) {
  const Variant emptyDetail;
  std::vector<Variant> items;
  const std::uint32_t rangeCount = ranges.GetArrayCount();
  for (std::uint32_t r = 0; r < rangeCount; ++r) {
    ParamRange range;
    if (ranges.GetParamRange(r, range) != kParamDone)
      continue;
    for (std::int32_t i = 0; i < range.count; ++i) {
      // Identifiers wrap as the 32-bit identifiers they are.
      const Variant id = Int32Value(static_cast<std::int32_t>(static_cast<std::uint32_t>(range.first) + i));
      items.push_back(PackItem({&id, &emptyDetail}));
    }
  }
  WriteList(*this, items);
}

std::int32_t ParamDescriptors::GetParamDescriptor(std::uint32_t index, ParamDescriptor& descriptor) const {
  descriptor.detail.Clear();
  descriptor.id = -1;
  Variant item;
  const std::int32_t result = ReadItem(*this, index, 2, item);
  if (result != kParamDone)
    return result;
  Variant element;
  item.GetArrayItem(0, element);
  descriptor.id = element.GetInt32();
  item.GetArrayItem(1, descriptor.detail);
  return kParamDone;
}

bool IsParamValues(const Variant& value) {
  if (value.GetType() == kVariantEmpty)
    return true;
  if (value.GetType() != kVariantArray)
    return false;
  const std::uint32_t count = value.GetArrayCount();
  Variant item;
  Variant id;
  for (std::uint32_t i = 0; i < count; ++i) {
    value.GetArrayItem(i, item);
    if (item.GetType() != kVariantArray || item.GetArrayCount() != 3)
      return false;
    item.GetArrayItem(1, id);
    if (id.GetType() != kVariantInt32)
      return false;
  }
  return true;
}

bool IsVariantLess(const Variant& a, const Variant& b) {
  const std::int32_t aType = a.GetType();
  const std::int32_t bType = b.GetType();
  if (aType == bType)
    return IsSameTypeLess(a, b);
  if (aType == kVariantEmpty || bType == kVariantEmpty)
    return aType < bType;
  if (aType <= kVariantDouble && bType <= kVariantDouble)
    return b.GetDouble() > a.GetDouble();
  if (aType > kVariantUInt64 || bType > kVariantUInt64) {
    const ComparedBytes aBytes(a);
    const ComparedBytes bBytes(b);
    return IsBytesLess(aBytes.data, aBytes.size, bBytes.data, bBytes.size, false);
  }
  // A 64-bit integer against another number.
  const bool aNegative = a.IsNegative();
  const bool bNegative = b.IsNegative();
  if (aNegative != bNegative)
    return aNegative;
  const bool aFloating = IsFloating(aType);
  const bool bFloating = IsFloating(bType);
  if (!aFloating && !bFloating)
    return b.GetDouble() > a.GetDouble();
  if (aFloating && IsBeyond64Bits(a, aNegative))
    return aNegative;
  if (bFloating && IsBeyond64Bits(b, bNegative))
    return !bNegative;
  if (aNegative)
    return a.GetInt64() < b.GetInt64();
  return a.GetUInt64() < b.GetUInt64();
}

bool IsParamDescriptorLess(const ParamDescriptor& a, const ParamDescriptor& b) {
  const std::uint32_t aID = static_cast<std::uint32_t>(a.id);
  const std::uint32_t bID = static_cast<std::uint32_t>(b.id);
  if (aID != bID)
    return aID < bID;
  return IsVariantLess(a.detail, b.detail);
}

WideString ParamDescriptorToString(const ParamDescriptor& descriptor) {
  return UIntToString(static_cast<std::uint32_t>(descriptor.id), -1);
}

} // namespace QZ
