#include "Platform/Registry/Registry.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

TEST(Registry, WithoutABackendEveryKeyIsAbsent) {
  RegistryHandle handle = 42;
  EXPECT_EQ(RegistryOpenKey(kRegistryLocalMachine, u"Software", kRegistryRead, handle), kRegistryNotFound);
  EXPECT_EQ(handle, kNoRegistryHandle);
  EXPECT_EQ(RegistryOpenKey(kRegistryCurrentUser, u"", kRegistryRead, handle), kRegistryNotFound);
  std::uint32_t count = 7;
  EXPECT_NE(RegistryQuerySubKeyCount(handle, count), kRegistryOk);
  EXPECT_EQ(count, 7u);
}

class MemoryRegistryTest : public ::testing::Test {
protected:
  MemoryRegistry registry;
  ScopedRegistryBackend installed{registry};

  RegistryHandle Open(std::u16string_view path, std::uint32_t root = kRegistryLocalMachine) {
    RegistryHandle handle = kNoRegistryHandle;
    EXPECT_EQ(RegistryOpenKey(root, path, kRegistryRead, handle), kRegistryOk);
    return handle;
  }

  std::vector<std::u16string> SubKeys(RegistryHandle handle) {
    std::vector<std::u16string> names;
    char16_t name[kRegistryMaxKeyName + 1];
    std::uint32_t length = 0;
    for (std::uint32_t i = 0; RegistryEnumSubKey(handle, i, name, kRegistryMaxKeyName + 1, length) == kRegistryOk;
         ++i)
      names.emplace_back(name, length);
    return names;
  }
};

TEST_F(MemoryRegistryTest, OpensKeysByPathIgnoringCaseAndCountsHandles) {
  registry.AddKey(kRegistryLocalMachine, u"Software\\Maker\\Drivers");
  const RegistryHandle exact = Open(u"Software\\Maker\\Drivers");
  const RegistryHandle other = Open(u"SOFTWARE\\maker\\drivers");
  const RegistryHandle root = Open(u"");
  EXPECT_NE(exact, other);
  EXPECT_EQ(registry.GetOpenHandleCount(), 3u);

  struct Case {
    std::uint32_t root;
    const char16_t* path;
    std::int32_t result;
  };
  const Case refused[] = {
      {kRegistryCurrentUser, u"Software\\Maker", kRegistryNotFound}, // another root
      {kRegistryLocalMachine, u"Software\\Nobody", kRegistryNotFound},
      {kRegistryLocalMachine, u"Software\\\\Maker", kRegistryNotFound}, // empty part
      {kRegistryLocalMachine, u"\\Software", kRegistryNotFound},
      {kRegistryLocalMachine, u"Software\\", kRegistryNotFound},
      {0x80000004u, u"Software", kRegistryInvalidHandle}, // no such root
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(std::string(c.path, c.path + std::u16string_view(c.path).size()));
    RegistryHandle handle = 5;
    EXPECT_EQ(RegistryOpenKey(c.root, c.path, kRegistryRead, handle), c.result);
    EXPECT_EQ(handle, kNoRegistryHandle);
  }

  EXPECT_EQ(RegistryCloseKey(exact), kRegistryOk);
  EXPECT_EQ(RegistryCloseKey(exact), kRegistryInvalidHandle);
  EXPECT_EQ(RegistryCloseKey(other), kRegistryOk);
  EXPECT_EQ(RegistryCloseKey(root), kRegistryOk);
  EXPECT_EQ(registry.GetOpenHandleCount(), 0u);
  EXPECT_EQ(registry.GetOpenCallCount(), 9u);
}

TEST_F(MemoryRegistryTest, ValuesAreProbedThenReadAndNeverOverrunTheCallersBuffer) {
  registry.SetString(kRegistryLocalMachine, u"Software\\Maker", u"SoftwarePath", u"C:\\Maker");
  registry.SetNumber32(kRegistryLocalMachine, u"Software\\Maker", u"Count", 0x01020304u);
  const RegistryHandle key = Open(u"Software\\Maker");

  std::uint32_t type = 0;
  std::uint32_t size = 0;
  ASSERT_EQ(RegistryQueryValue(key, u"softwarepath", type, nullptr, size), kRegistryOk);
  EXPECT_EQ(type, kRegistryString);
  EXPECT_EQ(size, 9u * sizeof(char16_t)); // with the zero

  std::vector<char16_t> text(size / 2 + 1, u'#');
  std::uint32_t small = size - 2;
  EXPECT_EQ(RegistryQueryValue(key, u"SoftwarePath", type, text.data(), small), kRegistryMoreData);
  EXPECT_EQ(small, size);
  EXPECT_EQ(text[0], u'#');
  ASSERT_EQ(RegistryQueryValue(key, u"SoftwarePath", type, text.data(), small), kRegistryOk);
  EXPECT_EQ(std::u16string(text.data()), u"C:\\Maker");
  EXPECT_EQ(text[size / 2], u'#');

  std::uint8_t number[4] = {};
  size = 4;
  ASSERT_EQ(RegistryQueryValue(key, u"Count", type, number, size), kRegistryOk);
  EXPECT_EQ(type, kRegistryNumber32);
  EXPECT_EQ(number[0], 0x04);
  EXPECT_EQ(number[3], 0x01);

  EXPECT_EQ(RegistryQueryValue(key, u"Missing", type, nullptr, size), kRegistryNotFound);
  EXPECT_EQ(RegistryQueryValue(kNoRegistryHandle, u"Count", type, nullptr, size), kRegistryInvalidHandle);
  EXPECT_EQ(RegistryCloseKey(key), kRegistryOk);
}

TEST_F(MemoryRegistryTest, SubKeysAreCountedAndListedInNameOrderWithTheirOwnCase) {
  registry.AddKey(kRegistryLocalMachine, u"Drivers\\beta");
  registry.AddKey(kRegistryLocalMachine, u"Drivers\\Alpha\\Inner");
  registry.AddKey(kRegistryLocalMachine, u"DRIVERS\\Gamma");
  const RegistryHandle key = Open(u"Drivers");
  std::uint32_t count = 0;
  ASSERT_EQ(RegistryQuerySubKeyCount(key, count), kRegistryOk);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(SubKeys(key), (std::vector<std::u16string>{u"Alpha", u"beta", u"Gamma"}));

  char16_t name[6];
  std::uint32_t length = 0;
  EXPECT_EQ(RegistryEnumSubKey(key, 0, name, 5, length), kRegistryMoreData) << "no room for the zero";
  EXPECT_EQ(RegistryEnumSubKey(key, 0, name, 6, length), kRegistryOk);
  EXPECT_EQ(length, 5u);
  EXPECT_EQ(RegistryEnumSubKey(key, 3, name, 6, length), kRegistryNoMoreItems);
  EXPECT_EQ(RegistryCloseKey(key), kRegistryOk);
}

TEST_F(MemoryRegistryTest, RemembersTheAccessOfTheLastOpen) {
  RegistryHandle handle = kNoRegistryHandle;
  ASSERT_EQ(RegistryOpenKey(kRegistryUsers, u"", kRegistryRead64, handle), kRegistryOk);
  EXPECT_EQ(registry.GetLastAccess(), kRegistryRead64);
  EXPECT_EQ(RegistryCloseKey(handle), kRegistryOk);
}

TEST(Registry, ScopedBackendRestoresTheEmptyRegistry) {
  {
    MemoryRegistry registry;
    ScopedRegistryBackend installed(registry);
    RegistryHandle handle = kNoRegistryHandle;
    ASSERT_EQ(RegistryOpenKey(kRegistryUsers, u"", kRegistryRead, handle), kRegistryOk);
    EXPECT_EQ(RegistryCloseKey(handle), kRegistryOk);
  }
  RegistryHandle handle = kNoRegistryHandle;
  EXPECT_EQ(RegistryOpenKey(kRegistryUsers, u"", kRegistryRead, handle), kRegistryNotFound);
}

} // namespace
} // namespace QZ::Platform
