#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"

#include "QZFramework/Utilities/Storage/StringT.h"

#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace QZ {
namespace {

using namespace test;

std::vector<std::int32_t> IDs(const ParamValues& list) {
  std::vector<std::int32_t> ids;
  Variant value;
  Variant detail;
  std::int32_t id = 0;
  for (std::uint32_t i = 0; i < list.GetArrayCount(); ++i) {
    EXPECT_EQ(list.GetParamValue(i, value, id, detail), kParamDone);
    ids.push_back(id);
  }
  return ids;
}

// Values no operation makes: external data and unknown type codes.
struct RawVariant : Variant {
  RawVariant(std::int32_t type, const void* data, std::uint32_t size) {
    mType = type;
    SetDataPointer(const_cast<void*>(data));
    mSize = size;
  }
};

TEST(ParamValues, NewListIsAnEmptyArray) {
  const ParamValues list;
  EXPECT_EQ(list.GetType(), kVariantArray);
  EXPECT_EQ(list.GetSize(), 0u);
  EXPECT_EQ(list.GetArrayCount(), 0u);
  Variant value = Int32(5);
  Variant detail = Int32(6);
  std::int32_t id = 7;
  EXPECT_EQ(list.GetParamValue(0, value, id, detail), kParamNoItem);
  EXPECT_EQ(id, -1);
  EXPECT_TRUE(value.IsEmpty());
  EXPECT_EQ(detail.GetInt32(), 6);
  EXPECT_TRUE(IsParamValues(list));
}

TEST(ParamValues, PackedItemBytes) {
  ParamValues list;
  EXPECT_EQ(list.SetSingleValue(ParamDescriptor(3), MakeBuffer({0x01})), kParamDone);
  const Bytes expected = {
      0x35, 0, 0, 0, 0x01, 0, 0, 0, 0x10, 0, 0, 0,                // the item: a 3-element array
      0x0D, 0, 0, 0, 0x01, 0, 0, 0, 0x0E, 0, 0, 0, 0x01,          // value: byte buffer 01
      0x10, 0, 0, 0, 0x01, 0, 0, 0, 0x06, 0, 0, 0, 0x03, 0, 0, 0, // identifier: int32 3
      0x0C, 0, 0, 0, 0x01, 0, 0, 0, 0x00, 0, 0, 0,                // detail: empty
  };
  EXPECT_EQ(list.GetSize(), 53u);
  EXPECT_EQ(DataOf(list), expected);

  Variant value;
  Variant detail = Int32(1);
  std::int32_t id = 0;
  EXPECT_EQ(list.GetParamValue(0, value, id, detail), kParamDone);
  EXPECT_EQ(id, 3);
  EXPECT_TRUE(value.IsEqual(MakeBuffer({0x01})));
  EXPECT_TRUE(detail.IsEmpty());
}

TEST(ParamValues, SetParamValueKeepsDescriptorOrder) {
  const struct {
    const char* name;
    std::vector<std::int32_t> inserted;
    std::vector<std::int32_t> order;
  } cases[] = {
      {"ascending", {5, 2, 9}, {2, 5, 9}},
      {"negative after non-negative", {-4, 3}, {3, -4}},
      {"negatives by unsigned value", {-1, -4, 0}, {0, -4, -1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ParamValues list;
    for (std::int32_t id : c.inserted)
      EXPECT_EQ(list.SetParamValue(ParamDescriptor(id), MakeBuffer({static_cast<std::uint8_t>(id)})), kParamDone);
    EXPECT_EQ(IDs(list), c.order);
  }

  // Same identifier: ordered by detail; an equal value changes nothing.
  ParamValues list;
  list.SetParamValue(ParamDescriptor(1, Int32(20)), MakeBuffer({1}));
  list.SetParamValue(ParamDescriptor(1, Int32(10)), MakeBuffer({2}));
  list.SetParamValue(ParamDescriptor(1), MakeBuffer({3}));
  Variant found;
  EXPECT_EQ(list.FindParamValue(ParamDescriptor(1, Int32(10)), found), kParamDone);
  EXPECT_TRUE(found.IsEqual(MakeBuffer({2})));
  Variant value;
  Variant detail;
  std::int32_t id = 0;
  ASSERT_EQ(list.GetParamValue(0, value, id, detail), kParamDone);
  EXPECT_TRUE(detail.IsEmpty());
  ASSERT_EQ(list.GetParamValue(2, value, id, detail), kParamDone);
  EXPECT_EQ(detail.GetInt32(), 20);

  const Bytes before = DataOf(list);
  EXPECT_EQ(list.SetParamValue(ParamDescriptor(1, Int32(10)), MakeBuffer({2})), kParamNothingToDo);
  EXPECT_EQ(DataOf(list), before);
  EXPECT_EQ(list.SetParamValue(ParamDescriptor(1, Int32(10)), MakeBuffer({7, 7})), kParamDone);
  EXPECT_EQ(list.FindParamValue(ParamDescriptor(1, Int32(10)), found), kParamDone);
  EXPECT_TRUE(found.IsEqual(MakeBuffer({7, 7})));
  EXPECT_EQ(list.GetArrayCount(), 3u);
}

TEST(ParamValues, FindAndRemove) {
  const ParamValue items[] = {
      {ParamDescriptor(4), MakeBuffer({1})},
      {ParamDescriptor(4, Int32(1)), MakeBuffer({2})},
      {ParamDescriptor(4), MakeBuffer({3})},
  };
  ParamValues list;
  EXPECT_EQ(list.SetParamValues(items, 3), kParamDone);
  Variant found = Int32(9);
  EXPECT_EQ(list.FindParamValue(ParamDescriptor(4), found), kParamDone);
  EXPECT_TRUE(found.IsEqual(MakeBuffer({1}))); // the first in list order
  EXPECT_EQ(list.FindParamValue(ParamDescriptor(5), found), kParamNothingToDo);
  EXPECT_TRUE(found.IsEmpty());

  EXPECT_EQ(list.RemoveParamValue(ParamDescriptor(4)), kParamDone); // the last such item
  EXPECT_EQ(list.GetArrayCount(), 2u);
  EXPECT_EQ(list.FindParamValue(ParamDescriptor(4, Int32(1)), found), kParamDone);
  EXPECT_TRUE(found.IsEqual(MakeBuffer({2})));
  EXPECT_EQ(list.RemoveParamValue(ParamDescriptor(4, Int32(2))), kParamNothingToDo);
  EXPECT_EQ(list.RemoveParamValue(ParamDescriptor(4)), kParamDone);
  EXPECT_EQ(list.RemoveParamValue(ParamDescriptor(4, Int32(1))), kParamDone);
  EXPECT_EQ(list.GetArrayCount(), 0u);
  EXPECT_EQ(list.GetType(), kVariantArray);
  EXPECT_EQ(list.RemoveParamValue(ParamDescriptor(4)), kParamNothingToDo);

  const Bytes before = DataOf(list);
  EXPECT_EQ(list.SetParamValues(nullptr, 1), kParamNoItem);
  EXPECT_EQ(list.SetParamValues(items, 0), kParamNoItem);
  EXPECT_EQ(DataOf(list), before);
}

TEST(ParamValues, MalformedItems) {
  const Variant good = Pack({MakeBuffer({1}), Int32(1), Variant()});
  const Variant fourElements = Pack({MakeBuffer({1}), Int32(2), Variant(), Variant()});
  ParamValues list;
  static_cast<Variant&>(list) = Pack({good, fourElements, Pack({MakeBuffer({3}), Int32(3), Variant()})});

  Variant value = Int32(1);
  Variant detail = Int32(1);
  std::int32_t id = 0;
  EXPECT_EQ(list.GetParamValue(1, value, id, detail), kParamBadItem);
  EXPECT_EQ(id, -1);
  EXPECT_TRUE(value.IsEmpty());
  EXPECT_EQ(detail.GetInt32(), 1);
  EXPECT_FALSE(IsParamValues(list));

  EXPECT_EQ(list.FindParamValue(ParamDescriptor(1), value), kParamDone);
  EXPECT_EQ(list.FindParamValue(ParamDescriptor(3), value), kParamBadItem);
  EXPECT_TRUE(value.IsEmpty());
  const Bytes before = DataOf(list);
  EXPECT_EQ(list.SetParamValue(ParamDescriptor(1), MakeBuffer({9})), kParamBadItem);
  EXPECT_EQ(list.RemoveParamValue(ParamDescriptor(1)), kParamBadItem);
  EXPECT_EQ(DataOf(list), before);
}

TEST(ParamValues, IsParamValues) {
  const struct {
    const char* name;
    Variant value;
    bool expected;
  } cases[] = {
      {"empty", Variant(), true},
      {"empty array", Pack({}), true},
      {"one item", Pack({Pack({MakeBuffer({1}), Int32(1), Variant()})}), true},
      {"identifier not int32", Pack({Pack({MakeBuffer({1}), Make<std::int16_t>(kVariantInt16, 1), Variant()})}),
       false},
      {"item not an array", Pack({MakeBuffer({1})}), false},
      {"byte buffer", MakeBuffer({1}), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsParamValues(c.value), c.expected);
  }
}

TEST(ParamDescriptorToString, NamesTheIdentifierUnsigned) {
  EXPECT_TRUE(ParamDescriptorToString(ParamDescriptor(-4)).IsEqual(u"4294967292"));
  EXPECT_TRUE(ParamDescriptorToString(ParamDescriptor(11, Int32(3))).IsEqual(u"11"));
}

TEST(ParamDescriptors, FromRangesAndExplicitLists) {
  const ParamDescriptors all(ParamRange{0, 12});
  ASSERT_EQ(all.GetArrayCount(), 12u);
  ParamDescriptor d;
  for (std::uint32_t i = 0; i < 12; ++i) {
    EXPECT_EQ(all.GetParamDescriptor(i, d), kParamDone);
    EXPECT_EQ(d.id, static_cast<std::int32_t>(i));
    EXPECT_TRUE(d.detail.IsEmpty());
  }
  d.detail = Int32(4);
  EXPECT_EQ(all.GetParamDescriptor(12, d), kParamNoItem);
  EXPECT_EQ(d.id, -1);
  EXPECT_TRUE(d.detail.IsEmpty());

  const ParamRange parts[] = {{5, 2}, {0, 0}, {-2, 1}};
  ParamRanges ranges;
  EXPECT_EQ(ranges.SetParamRanges(parts, 3), kParamDone);
  ParamDescriptors fromRanges;
  fromRanges.SetFromRanges(ranges);
  std::vector<std::int32_t> ids;
  for (std::uint32_t i = 0; fromRanges.GetParamDescriptor(i, d) == kParamDone; ++i)
    ids.push_back(d.id);
  EXPECT_EQ(ids, (std::vector<std::int32_t>{5, 6, -2}));

  const ParamDescriptor explicitList[] = {ParamDescriptor(-8), ParamDescriptor(2, MakeText("k"))};
  ParamDescriptors list;
  EXPECT_EQ(list.SetParamDescriptors(nullptr, 1), kParamNoItem);
  EXPECT_EQ(list.SetParamDescriptors(explicitList, 0), kParamNoItem);
  EXPECT_EQ(list.SetParamDescriptors(explicitList, 2), kParamDone);
  EXPECT_EQ(list.GetParamDescriptor(1, d), kParamDone);
  EXPECT_EQ(d.id, 2);
  EXPECT_STREQ(d.detail.GetString(), "k");

  ParamDescriptors wrongShape;
  static_cast<Variant&>(wrongShape) = Pack({Pack({Int32(1)})});
  EXPECT_EQ(wrongShape.GetParamDescriptor(0, d), kParamBadItem);
}

TEST(ParamRanges, SetAndGet) {
  const ParamRange one[] = {{3, 9}};
  ParamRanges ranges;
  EXPECT_EQ(ranges.SetParamRanges(nullptr, 1), kParamNoItem);
  EXPECT_EQ(ranges.SetParamRanges(one, 0), kParamNoItem);
  EXPECT_EQ(ranges.SetParamRanges(one, 1), kParamDone);
  ParamRange r{7, 7};
  EXPECT_EQ(ranges.GetParamRange(0, r), kParamDone);
  EXPECT_EQ(r.first, 3);
  EXPECT_EQ(r.count, 9);
  EXPECT_EQ(ranges.GetParamRange(1, r), kParamNoItem);
  EXPECT_EQ(r.first, -1);
  EXPECT_EQ(r.count, 0);

  ParamRanges wrongShape;
  static_cast<Variant&>(wrongShape) = Pack({Pack({Int32(1), Int32(2), Int32(3)})});
  r = ParamRange{7, 7};
  EXPECT_EQ(wrongShape.GetParamRange(0, r), kParamBadItem);
  EXPECT_EQ(r.first, 7);
}

TEST(IsVariantLess, Cases) {
  const struct {
    const char* name;
    Variant a;
    Variant b;
    bool less;
  } cases[] = {
      {"text: shorter first", MakeText("b"), MakeText("ab"), true},
      {"text: longer after", MakeText("ab"), MakeText("b"), false},
      {"text bytes are signed", MakeText("\x80"), MakeText("\x01"), true},
      {"buffer bytes are unsigned", MakeBuffer({0x80}), MakeBuffer({0x01}), false},
      {"buffer 01 before 02", MakeBuffer({0x01}), MakeBuffer({0x02}), true},
      {"equal buffers", MakeBuffer({1, 2}), MakeBuffer({1, 2}), false},
      {"int8 signed", Make<std::int8_t>(kVariantInt8, -1), Make<std::int8_t>(kVariantInt8, 1), true},
      {"uint32 unsigned", Make<std::uint32_t>(kVariantUInt32, 0x80000000u), Make<std::uint32_t>(kVariantUInt32, 1),
       false},
      {"double NaN", Make<double>(kVariantDouble, std::numeric_limits<double>::quiet_NaN()),
       Make<double>(kVariantDouble, 1.0), false},
      {"empty before anything", Variant(), Make<std::int8_t>(kVariantInt8, -5), true},
      {"anything after empty", MakeBuffer({}), Variant(), false},
      {"mixed small numbers by value", Make<std::int8_t>(kVariantInt8, -2), Make<float>(kVariantFloat, -1.5f),
       true},
      {"int64 -1 before uint32 5", Make<std::int64_t>(kVariantInt64, -1), Make<std::uint32_t>(kVariantUInt32, 5),
       true},
      {"uint64 2^63 not before double 1", Make<std::uint64_t>(kVariantUInt64, 1ull << 63),
       Make<double>(kVariantDouble, 1.0), false},
      {"double beyond 2^64 after uint64 max", Make<std::uint64_t>(kVariantUInt64, ~0ull),
       Make<double>(kVariantDouble, 1e30), true},
      {"int64 against int32 by value", Make<std::int64_t>(kVariantInt64, 3), Int32(4), true},
      {"buffer against int32 by bytes: shorter first", MakeBuffer({9}), Int32(1), true},
      {"arrays: first differing item decides", Pack({Int32(1), Int32(5)}), Pack({Int32(1), Int32(6), Int32(0)}),
       true},
      {"arrays: fewer items first", Pack({Int32(1)}), Pack({Int32(1), Int32(0)}), true},
      {"equal arrays", Pack({Int32(1)}), Pack({Int32(1)}), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(IsVariantLess(c.a, c.b), c.less);
  }
}

TEST(IsVariantLess, IsAStrictOrderingForExternalDataAndUnknownTypes) {
  static const unsigned char storage[2] = {};
  // The larger size sits at the lower address: "smaller size or lower address"
  // would put each before the other.
  const RawVariant small(kVariantExternalConst, storage + 1, 1);
  const RawVariant large(kVariantExternalConst, storage, 2);
  EXPECT_TRUE(IsVariantLess(small, large));
  EXPECT_FALSE(IsVariantLess(large, small));
  EXPECT_FALSE(IsVariantLess(small, small));
  const RawVariant sameSizeLow(kVariantExternal, storage, 1);
  const RawVariant sameSizeHigh(kVariantExternal, storage + 1, 1);
  EXPECT_TRUE(IsVariantLess(sameSizeLow, sameSizeHigh));
  EXPECT_FALSE(IsVariantLess(sameSizeHigh, sameSizeLow));

  const RawVariant unknown(20, nullptr, 0);
  EXPECT_FALSE(IsVariantLess(unknown, unknown));

  // Bisection over a sorted list finds every element.
  std::vector<ParamDescriptor> sorted = {ParamDescriptor(2, large), ParamDescriptor(2, small), ParamDescriptor(-4),
                                         ParamDescriptor(2, Variant()), ParamDescriptor(0)};
  std::sort(sorted.begin(), sorted.end(), IsParamDescriptorLess);
  for (const ParamDescriptor& d : sorted) {
    const auto it = std::lower_bound(sorted.begin(), sorted.end(), d, IsParamDescriptorLess);
    ASSERT_NE(it, sorted.end());
    EXPECT_EQ(it->id, d.id);
    EXPECT_TRUE(it->detail.IsEqual(d.detail));
  }
  EXPECT_EQ(sorted.front().id, 0);
  EXPECT_EQ(sorted.back().id, -4);
}

} // namespace
} // namespace QZ
