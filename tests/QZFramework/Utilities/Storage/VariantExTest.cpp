#include "QZFramework/Utilities/Storage/VariantEx.h"

#include "QZFramework/Utilities/Storage/Array.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace QZ {
namespace {
using Bytes = std::vector<std::uint8_t>;

std::u16string Text(const WideString& s) { return std::u16string(s.GetChars(), s.GetLength()); }

template <class T>
VariantEx Make(std::int32_t type, T value) {
  VariantEx v;
  EXPECT_EQ(v.SetData(type, &value, sizeof value), type);
  return v;
}

VariantEx MakeText(const char* text) {
  VariantEx v;
  v.SetString(text);
  return v;
}

VariantEx Pack(std::initializer_list<VariantEx> items) {
  std::vector<const Variant*> pointers;
  for (const VariantEx& item : items)
    pointers.push_back(&item);
  VariantEx v;
  v.SetArray(pointers.data(), static_cast<std::uint32_t>(pointers.size()));
  return v;
}

TEST(VariantEx, TextGetters) {
  const struct {
    const char* text;
    bool b;
    std::int8_t i8;
    std::uint16_t u16;
    std::int32_t i32;
    std::int64_t i64;
    std::uint32_t u32;
    double d;
  } cases[] = {
      {"12", false, 12, 12, 12, 12, 12, 12.0},
      {"TRUE", true, 0, 0, 0, 0, 0, 0.0},
      {"tRuE", true, 0, 0, 0, 0, 0, 0.0},
      {"true ", false, 0, 0, 0, 0, 0, 0.0},
      {"1", false, 1, 1, 1, 1, 1, 1.0},
      {"  -7xyz", false, -7, 65529, -7, -7, 0xFFFFFFF9u, -7.0},
      {"+300", false, 44, 300, 300, 300, 300, 300.0},
      {"99999999999", false, -1, 0xFFFF, std::numeric_limits<std::int32_t>::max(), 99999999999LL, 1215752191u,
       99999999999.0},
      // Beyond 64 bits: saturates, even where ten times the magnitude would wrap to a small number.
      {"18446744073709551620", false, -1, 0xFFFF, std::numeric_limits<std::int32_t>::max(),
       std::numeric_limits<std::int64_t>::max(), 0xFFFFFFFFu, 18446744073709551620.0},
      {"-92233720368547758080", false, 0, 0, std::numeric_limits<std::int32_t>::min(),
       std::numeric_limits<std::int64_t>::min(), 0, -92233720368547758080.0},
      {"-2.5e3 volts", false, -2, 65534, -2, -2, 0xFFFFFFFEu, -2500.0},
      {"1e999", false, 1, 1, 1, 1, 1, std::numeric_limits<double>::infinity()},
      {"abc", false, 0, 0, 0, 0, 0, 0.0},
      {"", false, 0, 0, 0, 0, 0, 0.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const VariantEx v = MakeText(c.text);
    EXPECT_EQ(v.GetBool(), c.b);
    EXPECT_EQ(v.GetInt8(), c.i8);
    EXPECT_EQ(v.GetUInt8(), static_cast<std::uint8_t>(c.i8));
    EXPECT_EQ(v.GetInt16(), static_cast<std::int16_t>(c.u16));
    EXPECT_EQ(v.GetUInt16(), c.u16);
    EXPECT_EQ(v.GetInt32(), c.i32);
    EXPECT_EQ(v.GetInt64(), c.i64);
    EXPECT_EQ(v.GetUInt64(), static_cast<std::uint64_t>(c.i64));
    EXPECT_EQ(v.GetUInt32(), c.u32);
    EXPECT_EQ(v.GetDouble(), c.d);
    EXPECT_EQ(v.GetFloat(), static_cast<float>(c.d));
  }
  // A long run of leading zeros is still one number.
  const VariantEx padded = MakeText((std::string(600, '0') + "1.5").c_str());
  EXPECT_EQ(padded.GetDouble(), 1.5);
  EXPECT_EQ(padded.GetInt64(), 1);

  // Other types read as in Variant, also through a Variant reference.
  const VariantEx three = Make<double>(kVariantDouble, 2.5);
  const Variant& asVariant = three;
  EXPECT_EQ(asVariant.GetInt32(), 3);
  const VariantEx twelve = MakeText("12");
  EXPECT_EQ(static_cast<const Variant&>(twelve).GetUInt8(), 12);
  EXPECT_EQ(static_cast<const Variant&>(twelve).GetDouble(), 12.0);
}

// Values no operation makes: unknown type codes.
struct UnknownType : VariantEx {
  UnknownType() { mType = 20; }
  ~UnknownType() override { mType = kVariantEmpty; }
};

TEST(VariantEx, ValueToString) {
  const Bytes utf8 = {'h', 0xC3, 0xA9, 0};
  const struct {
    const char* name;
    VariantEx value;
    std::u16string text;
  } cases[] = {
      {"empty", VariantEx(), u"<empty>"},
      {"bool", Make<std::uint8_t>(kVariantBool, 1), u"true"},
      {"bool false", Make<std::uint8_t>(kVariantBool, 0), u"false"},
      {"int8 -1", Make<std::int8_t>(kVariantInt8, -1), u"-1 (0xFFFFFFFF)"},
      {"uint8", Make<std::uint8_t>(kVariantUInt8, 200), u"200 (0xC8)"},
      {"int16", Make<std::int16_t>(kVariantInt16, 10), u"10 (0x000A)"},
      {"uint16", Make<std::uint16_t>(kVariantUInt16, 0xFFFF), u"65535 (0xFFFF)"},
      {"int32", Make<std::int32_t>(kVariantInt32, 1), u"1 (0x00000001)"},
      {"uint32", Make<std::uint32_t>(kVariantUInt32, 0xFFFFFFFF), u"4294967295 (0xFFFFFFFF)"},
      {"float", Make<float>(kVariantFloat, 1.5f), u"1.500000"},
      {"double", Make<double>(kVariantDouble, -0.25), u"-0.250000"},
      {"int64 -1", Make<std::int64_t>(kVariantInt64, -1), u"-1 (0xFFFFFFFFFFFFFFFF)"},
      {"int64 255", Make<std::int64_t>(kVariantInt64, 255), u"255 (0xFF)"},
      {"uint64", Make<std::uint64_t>(kVariantUInt64, 0xABC), u"ABC"},
      {"text", MakeText(reinterpret_cast<const char*>(utf8.data())), u"h\u00E9"},
      {"array", Pack({Make<std::int32_t>(kVariantInt32, 1), MakeText("ab")}),
       u"array(2):\n  [0] 1 (0x00000001)\n  [1] ab"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Text(c.value.ValueToString(-1)), c.text);
    EXPECT_EQ(Text(c.value.ToString()), c.text);
  }
  EXPECT_EQ(Text(UnknownType().ValueToString(0)), u"");

  // A buffer prints the address of its data, not its contents.
  VariantEx buffer;
  buffer.SetBuffer("\x01\x02", 2);
  std::uint32_t size = 0;
  const auto address = reinterpret_cast<std::uintptr_t>(buffer.GetData(size));
  EXPECT_EQ(Text(buffer.ValueToString(-1)), Text(WideString(u"%I64X", static_cast<std::uint64_t>(address))));
}

TEST(VariantEx, ToIndentedString) {
  const VariantEx flat = Pack({Make<std::int32_t>(kVariantInt32, 1), MakeText("ab")});
  EXPECT_EQ(Text(flat.ToIndentedString(0)), u"array(2):\n  [0] 1 (0x00000001)\n  [1] ab");
  EXPECT_EQ(Text(flat.ToIndentedString(1)), u"array(2):\n    [0] 1 (0x00000001)\n    [1] ab");
  EXPECT_EQ(Text(flat.ValueToString(1)), Text(flat.ToIndentedString(1)));

  const VariantEx nested = Pack({Pack({MakeText("x")}), Pack({})});
  EXPECT_EQ(Text(nested.ToIndentedString(0)), u"array(2):\n  [0] array(1):\n    [0] x\n  [1] <empty array>");
  EXPECT_EQ(Text(Pack({}).ToIndentedString(0)), u"<empty array>");
  EXPECT_EQ(Text(MakeText("t").ToIndentedString(3)), u"t");

  // A deep nest prints in bounded time and size.
  VariantEx deep = MakeText("leaf");
  for (int i = 0; i < 200; ++i)
    deep = Pack({deep});
  const std::u16string text = Text(deep.ToIndentedString(0));
  EXPECT_NE(text.find(u"array(1): ..."), std::u16string::npos);
  EXPECT_LT(text.size(), 20000u);
}

TEST(VariantEx, StorageIsABufferOfItsOwn) {
  VariantEx bytes;
  bytes.SetBuffer("\x05\x06", 2);
  const ConstRCPtr<LIBuffer>& storage = bytes.GetBuffer();
  ASSERT_TRUE(storage);
  EXPECT_EQ(storage->GetSize(), 2u);
  EXPECT_EQ(storage->GetData()[1], 6);

  // Copies never share: owned data goes into a new buffer.
  const VariantEx copy(bytes);
  const VariantEx fromVariant{static_cast<const Variant&>(bytes)};
  EXPECT_NE(copy.GetBuffer().Get(), storage.Get());
  EXPECT_NE(fromVariant.GetBuffer().Get(), storage.Get());
  EXPECT_TRUE(copy.IsEqual(bytes));
  VariantEx assigned;
  assigned = copy;
  EXPECT_NE(assigned.GetBuffer().Get(), copy.GetBuffer().Get());
  EXPECT_TRUE(assigned.IsEqual(bytes));

  try {
    Make<std::int32_t>(kVariantInt32, 1).GetBuffer();
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Runtime Error : QZ::VariantEx::GetBuffer : Utilities\\Storage\\VariantEx : Line 464");
  }
}

TEST(VariantEx, SetStringFromStrings) {
  NarrowString narrow(WideString(u"caf\u00E9"));
  VariantEx v;
  EXPECT_EQ(v.SetString(narrow), kVariantString);
  EXPECT_STREQ(v.GetString(), "caf\xC3\xA9");
  EXPECT_EQ(v.GetSize(), 6u);
  EXPECT_NE(v.GetBuffer().Get(), narrow.GetStorage().Get());
  std::uint32_t size = 0;
  static_cast<char*>(v.GetMutableData(size))[0] = 'C';
  EXPECT_STREQ(narrow.GetChars(), "caf\xC3\xA9");
  EXPECT_EQ(Text(v.ToString()), u"Caf\u00E9");

  EXPECT_EQ(v.SetString(WideString(u"\u00FC1")), kVariantString);
  EXPECT_STREQ(v.GetString(), "\xC3\xBC"
                              "1");
  EXPECT_EQ(v.SetString(WideString()), kVariantString);
  EXPECT_EQ(v.GetSize(), 1u);
  EXPECT_FALSE(v.GetBool());
}

TEST(VariantEx, GetArrayAndDeserialize) {
  const VariantEx list = Pack({MakeText("a"), Make<std::int32_t>(kVariantInt32, 2)});
  Array<VariantEx> items;
  EXPECT_EQ(list.GetArray(items), S_OK);
  ASSERT_EQ(items.GetCount(), 2u);
  EXPECT_STREQ(items.GetAt(0).GetString(), "a");
  EXPECT_TRUE(items.GetAt(0).GetBuffer());
  EXPECT_EQ(items.GetAt(1).GetInt32(), 2);

  EXPECT_EQ(VariantEx().GetArray(items), S_OK);
  EXPECT_EQ(items.GetCount(), 0u);
  items.SetSize(1);
  EXPECT_EQ(MakeText("x").GetArray(items), E_INVALIDARG);
  EXPECT_EQ(items.GetCount(), 0u);

  const std::uint8_t record[] = {0x0D, 0, 0, 0, 0x01, 0, 0, 0, 0x0E, 0, 0, 0, 0x05};
  VariantEx v = MakeText("old");
  EXPECT_EQ(v.Deserialize(record, sizeof record), S_OK);
  EXPECT_EQ(v.GetType(), kVariantBuffer);
  EXPECT_EQ(v.GetBuffer()->GetSize(), 1u);
  EXPECT_EQ(v.GetBuffer()->GetData()[0], 5);
  EXPECT_EQ(v.Deserialize(record, 12), E_FAIL);
}

TEST(VariantEx, ArraysOfValuesCompareItemByItem) {
  Array<VariantEx> a;
  Array<VariantEx> b;
  EXPECT_TRUE(IsEqual<VariantEx>(a, b));
  a.AddItem(MakeText("x"));
  EXPECT_FALSE(IsEqual<VariantEx>(a, b));
  b.AddItem(MakeText("x"));
  EXPECT_TRUE(IsEqual<VariantEx>(a, b));
  b.AddItem(VariantEx());
  a.AddItem(Make<std::int32_t>(kVariantInt32, 0));
  EXPECT_FALSE(IsEqual<VariantEx>(a, b));
}

} // namespace
} // namespace QZ
