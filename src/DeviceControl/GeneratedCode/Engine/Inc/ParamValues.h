#pragma once
// Parameter identifiers, values and ranges, and their packed lists. A list is a
// Variant holding nothing or a packed array whose items are packed arrays:
//   ParamValues      item = [value, id (int32), detail]
//   ParamDescriptors item = [id (int32), detail]
//   ParamRanges      item = [first (int32), count (int32)]
// so any number of values crosses a thread or a notification as one value.
// The list operations answer with the kParam... results below and never throw.

#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/Variant.h"

#include <cstdint>

namespace QZ {

template <class C, class O>
class StringT;
using WideString = StringT<char16_t, char>;

// Results of the list operations.
inline constexpr std::int32_t kParamDone = 0;
// Not found, or already holding an equal value: the list is unchanged.
inline constexpr std::int32_t kParamNothingToDo = 1;
// No item at the index, or the value is not a list.
inline constexpr std::int32_t kParamNoItem = -4;
// An item of the wrong shape (not an array of the list's element count).
inline constexpr std::int32_t kParamBadItem = -7;

// A parameter identifier plus a detail key into a nested value (empty for
// every parameter of the controller).
struct ParamDescriptor {
  ParamDescriptor() = default;
  explicit ParamDescriptor(std::int32_t paramID) : id(paramID) {}
  ParamDescriptor(std::int32_t paramID, const Variant& paramDetail) : id(paramID), detail(paramDetail) {}

  std::int32_t id = -1;
  Variant detail;
};

struct ParamValue {
  ParamValue() = default;
  ParamValue(const ParamDescriptor& paramDescriptor, const Variant& paramValue)
      : descriptor(paramDescriptor), value(paramValue) {}

  ParamDescriptor descriptor;
  Variant value;
};

struct ParamRange {
  std::int32_t first = 0;
  std::int32_t count = 0;
};

class ParamValues : public Variant {
public:
  // An empty array.
  ParamValues() { mType = kVariantArray; }
  ParamValues(const ParamValues&) = default;
  ParamValues& operator=(const ParamValues&) = default;
  ~ParamValues() override = default;

  // value is cleared and id set to -1 first; detail is written only on success.
  // kParamNoItem, kParamBadItem or kParamDone.
  [[nodiscard]] std::int32_t GetParamValue(std::uint32_t index, Variant& value, std::int32_t& id,
                                           Variant& detail) const;
  // The first item with the descriptor's identifier and an equal detail:
  // kParamDone found, kParamNothingToDo not found (value cleared), negative on
  // a malformed list.
  [[nodiscard]] std::int32_t FindParamValue(const ParamDescriptor& descriptor, Variant& value) const;
  // Replaces the item's value or inserts a new item in descriptor order:
  // kParamDone changed, kParamNothingToDo an equal value was already there,
  // negative on a malformed list.
  std::int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value);
  // Removes the last item with that descriptor: kParamDone removed,
  // kParamNothingToDo none there, negative on a malformed list.
  std::int32_t RemoveParamValue(const ParamDescriptor& descriptor);
  // kParamNoItem for no items (the list is left as it was).
  std::int32_t SetParamValues(const ParamValue* items, std::uint32_t count);
  std::int32_t SetSingleValue(const ParamDescriptor& descriptor, const Variant& value);
};

class ParamRanges : public Variant {
public:
  ParamRanges() = default;
  ParamRanges(const ParamRanges&) = default;
  ParamRanges& operator=(const ParamRanges&) = default;
  ~ParamRanges() override = default;

  // kParamNoItem for no ranges.
  std::int32_t SetParamRanges(const ParamRange* ranges, std::uint32_t count);
  // kParamNoItem leaves {-1, 0}; kParamBadItem leaves range as it was.
  [[nodiscard]] std::int32_t GetParamRange(std::uint32_t index, ParamRange& range) const;
};

class ParamDescriptors : public Variant {
public:
  ParamDescriptors() = default;
  // Every identifier of the range in increasing order, each with an empty detail.
  explicit ParamDescriptors(const ParamRange& range);
  ParamDescriptors(const ParamDescriptors&) = default;
  ParamDescriptors& operator=(const ParamDescriptors&) = default;
  ~ParamDescriptors() override = default;

  // kParamNoItem for no descriptors.
  std::int32_t SetParamDescriptors(const ParamDescriptor* descriptors, std::uint32_t count);
  void SetFromRanges(const ParamRanges& ranges);
  // descriptor's detail is cleared and its identifier set to -1 first.
  [[nodiscard]] std::int32_t GetParamDescriptor(std::uint32_t index, ParamDescriptor& descriptor) const;
};

// Empty, or a packed array of three-element items whose identifier is an int32.
bool IsParamValues(const Variant& value);

// The order of details in sorted lists (never true both ways, false for equal values).
bool IsVariantLess(const Variant& a, const Variant& b);
// Identifiers compared unsigned (negative ones after all others), then details.
bool IsParamDescriptorLess(const ParamDescriptor& a, const ParamDescriptor& b);

// The identifier as an unsigned decimal: -4 reads 4294967292.
WideString ParamDescriptorToString(const ParamDescriptor& descriptor);

} // namespace QZ

QZ_TYPE_NAME(QZ::ParamValues, "class QZ::ParamValues")
