#include "QZFramework/Utilities/Storage/RegistryKey.h"

#include "Platform/Registry/Registry.h"
#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using QZ::LRegistryKey;
using QZ::MakeRCPtr;
using QZ::RCPtr;
using QZ::StringArrayT;
using QZ::VariantEx;
using QZ::WideString;
namespace Platform = QZ::Platform;

constexpr std::uint32_t kMachine = Platform::kRegistryLocalMachine;
constexpr const char16_t* kDrivers = u"Software\\Maker\\Audio\\Drivers";

std::string Utf8(const VariantEx& value) { return value.GetString() ? value.GetString() : "<not text>"; }

// An enumeration that breaks off after its first name, as a registry changed
// under the reader would.
class BreakingRegistry : public Platform::MemoryRegistry {
public:
  std::int32_t EnumSubKey(Platform::RegistryHandle handle, std::uint32_t index, char16_t* name,
                          std::uint32_t capacity, std::uint32_t& length) override {
    if (index >= 1)
      return Platform::kRegistryNoMoreItems;
    return MemoryRegistry::EnumSubKey(handle, index, name, capacity, length);
  }
};

class RegistryKeyTest : public ::testing::Test {
protected:
  void SetUp() override {
    registry.SetString(kMachine, kDrivers, u"SoftwarePath", u"C:\\Program Files\\Mäker");
    registry.SetNumber32(kMachine, kDrivers, u"Version", 3);
    registry.AddKey(kMachine, std::u16string(kDrivers) + u"\\Interface");
    registry.AddKey(kMachine, std::u16string(kDrivers) + u"\\Mixer");
  }

  RCPtr<LRegistryKey> Drivers(std::int32_t view64 = 0) {
    return MakeRCPtr<LRegistryKey>(2, WideString(kDrivers), view64);
  }

  Platform::MemoryRegistry registry;
  Platform::ScopedRegistryBackend installed{registry};
};

TEST_F(RegistryKeyTest, TextValueReadsAsUtf8AndTheKeyIsOpenedAndClosedPerRead) {
  RCPtr<LRegistryKey> key = Drivers();
  EXPECT_FALSE(key->IsOpen()) << "construction opens nothing";
  EXPECT_EQ(registry.GetOpenCallCount(), 0u);
  for (int read = 1; read <= 2; ++read) {
    VariantEx value;
    ASSERT_EQ(key->ReadValue(WideString(u"SoftwarePath"), value), QZ::S_OK);
    EXPECT_EQ(value.GetType(), QZ::kVariantString);
    EXPECT_EQ(Utf8(value), "C:\\Program Files\\M\xC3\xA4ker");
    EXPECT_FALSE(key->IsOpen());
    EXPECT_EQ(registry.GetOpenHandleCount(), 0u);
    EXPECT_EQ(registry.GetOpenCallCount(), static_cast<std::uint32_t>(read));
  }
  EXPECT_EQ(registry.GetLastAccess(), Platform::kRegistryRead);
}

TEST_F(RegistryKeyTest, OtherValuesAreSerialisedRecordsAndAnythingElseLeavesTheOutputAlone) {
  std::uint8_t record[64] = {};
  const QZ::QZRESULT length = QZ::Serialize(QZ::test::Int32(-77), record, sizeof record);
  ASSERT_GT(length, 0);
  registry.SetValue(kMachine, kDrivers, u"Record", Platform::kRegistryBinary, record,
                    static_cast<std::uint32_t>(length));
  registry.SetValue(kMachine, kDrivers, u"Garbage", Platform::kRegistryBinary, "not a record at all", 19);
  RCPtr<LRegistryKey> key = Drivers();

  VariantEx value;
  ASSERT_EQ(key->ReadValue(WideString(u"Record"), value), QZ::S_OK);
  EXPECT_EQ(value.GetType(), QZ::kVariantInt32);
  EXPECT_EQ(value.GetInt32(), -77);

  for (const char16_t* name : {u"Version", u"Garbage"}) {
    SCOPED_TRACE(std::string(name, name + std::u16string_view(name).size()));
    VariantEx kept;
    kept.SetString("kept");
    EXPECT_EQ(key->ReadValue(WideString(name), kept), QZ::S_OK);
    EXPECT_EQ(Utf8(kept), "kept");
  }

  VariantEx kept;
  kept.SetString("kept");
  EXPECT_EQ(key->ReadValue(WideString(u"Missing"), kept), QZ::E_FAIL);
  EXPECT_EQ(Utf8(kept), "kept");
  EXPECT_EQ(registry.GetOpenHandleCount(), 0u);
}

TEST_F(RegistryKeyTest, TextWithoutItsZeroIsNotReadPastItsBytes) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    std::string text;
  };
  const Case cases[] = {
      {"no terminating zero", {'a', 0, 'b', 0, 'c', 0}, "abc"},
      {"odd byte count", {'a', 0, 'b', 0, 'c'}, "ab"},
      {"zero inside", {'a', 0, 0, 0, 'c', 0, 0, 0}, "a"},
      {"empty value", {}, ""},
      {"one byte", {'x'}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Exactly the value's bytes on the heap, so reading past them is caught.
    registry.SetValue(kMachine, kDrivers, u"Text", Platform::kRegistryString, c.bytes.data(),
                      static_cast<std::uint32_t>(c.bytes.size()));
    VariantEx value;
    ASSERT_EQ(Drivers()->ReadValue(WideString(u"Text"), value), QZ::S_OK);
    EXPECT_EQ(value.GetType(), QZ::kVariantString);
    EXPECT_EQ(Utf8(value), c.text);
  }
}

TEST_F(RegistryKeyTest, KeysThatCannotBeOpenedFailEveryOperation) {
  const RCPtr<LRegistryKey> keys[] = {
      MakeRCPtr<LRegistryKey>(2, WideString(u"Software\\Nobody"), 0),
      MakeRCPtr<LRegistryKey>(1, WideString(kDrivers), 0), // another root
      MakeRCPtr<LRegistryKey>(4, WideString(kDrivers), 0), // no such root
      MakeRCPtr<LRegistryKey>(-1, WideString(kDrivers), 0),
  };
  for (const RCPtr<LRegistryKey>& key : keys) {
    SCOPED_TRACE(key->GetRootIndex());
    VariantEx value;
    EXPECT_EQ(key->ReadValue(WideString(u"SoftwarePath"), value), QZ::E_FAIL);
    EXPECT_TRUE(value.IsEmpty());
    StringArrayT<char16_t, char> names;
    EXPECT_EQ(key->EnumSubKeys(names), QZ::E_FAIL);
    EXPECT_EQ(names.GetCount(), 0u);
    EXPECT_TRUE(key->GetSubKey(WideString(u"Interface")).IsNull());
  }
  EXPECT_EQ(registry.GetOpenHandleCount(), 0u);
}

TEST_F(RegistryKeyTest, SubKeysMatchTheirExactNameAndKeepRootAndView) {
  RCPtr<LRegistryKey> key = Drivers(1);
  StringArrayT<char16_t, char> names;
  ASSERT_EQ(key->EnumSubKeys(names), QZ::S_OK);
  ASSERT_EQ(names.GetCount(), 2u);
  EXPECT_TRUE(names.GetAt(0).IsEqual(u"Interface"));
  EXPECT_TRUE(names.GetAt(1).IsEqual(u"Mixer"));
  EXPECT_EQ(registry.GetLastAccess(), Platform::kRegistryRead64);

  const std::uint32_t opensBefore = registry.GetOpenCallCount();
  RCPtr<LRegistryKey> sub = key->GetSubKey(WideString(u"Interface"));
  ASSERT_FALSE(sub.IsNull());
  EXPECT_EQ(registry.GetOpenCallCount(), opensBefore + 1) << "the nested listing reuses the open key";
  EXPECT_TRUE(sub->GetSubKeyPath().IsEqual(u"Software\\Maker\\Audio\\Drivers\\Interface"));
  EXPECT_EQ(sub->GetRootIndex(), 2);
  EXPECT_TRUE(sub->IsView64());

  for (const char16_t* name : {u"interface", u"INTERFACE", u"", u"Drivers"}) {
    SCOPED_TRACE(std::string(name, name + std::u16string_view(name).size()));
    EXPECT_TRUE(key->GetSubKey(WideString(name)).IsNull());
  }
  EXPECT_EQ(registry.GetOpenHandleCount(), 0u);
}

TEST(RegistryKey, ListingThatBreaksOffKeepsTheFullCountAndFails) {
  BreakingRegistry registry;
  Platform::ScopedRegistryBackend installed(registry);
  for (const char16_t* name : {u"Alpha", u"Beta", u"Gamma"})
    registry.AddKey(kMachine, std::u16string(u"Drivers\\") + name);
  LRegistryKey key(2, WideString(u"Drivers"), 0);

  StringArrayT<char16_t, char> names;
  EXPECT_EQ(key.EnumSubKeys(names), QZ::E_FAIL);
  ASSERT_EQ(names.GetCount(), 3u);
  EXPECT_TRUE(names.GetAt(0).IsEqual(u"Alpha"));
  EXPECT_TRUE(names.GetAt(1).IsEmpty());
  EXPECT_TRUE(names.GetAt(2).IsEmpty());
  EXPECT_TRUE(key.GetSubKey(WideString(u"Alpha")).IsNull()) << "a broken listing finds nothing";
  EXPECT_EQ(registry.GetOpenHandleCount(), 0u);
}

TEST(RegistryKey, WithoutARegistryNothingIsFound) {
  LRegistryKey key(2, WideString(kDrivers), 0);
  VariantEx value;
  EXPECT_EQ(key.ReadValue(WideString(u"SoftwarePath"), value), QZ::E_FAIL);
  EXPECT_TRUE(key.GetSubKey(WideString(u"")).IsNull());
}

} // namespace
