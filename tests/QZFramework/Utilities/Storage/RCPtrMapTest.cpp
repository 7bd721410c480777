#include "QZFramework/Utilities/Storage/RCPtrMap.h"

#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace QZ {
namespace {

// Logs its name when destroyed. The extra base puts the LRefCountedObject
// part away from the object's own address.
struct Padding {
  virtual ~Padding() = default;
  char mBytes[24] = {};
};

class Named : public Padding, public virtual LRefCountedObject {
public:
  Named(const char* name, std::vector<std::string>* log) : mName(name), mLog(log) {}
  ~Named() override { mLog->push_back(mName); }
  WideString ToString() const override { return WideString(mName.c_str()); }

  std::string mName;

private:
  std::vector<std::string>* mLog;
};

using NamedMap = RCPtrMap<Named, Named, 8>;

class RCPtrMapTest : public ::testing::Test {
protected:
  RCPtr<Named> Make(const char* name) { return RCPtr<Named>(new Named(name, &mLog)); }

  std::vector<std::string> mLog; // outlives the maps
};

std::string CaughtText(const std::function<void()>& action) {
  return test::ThrownText<std::invalid_argument>(action);
}

TEST_F(RCPtrMapTest, HoldsItsKeysAndValuesUntilRemoved) {
  RCPtr<Named> font = Make("font");
  RCPtr<Named> record = Make("record");
  {
    NamedMap map;
    EXPECT_TRUE(map.Set(font, record));
    EXPECT_EQ(1u, map.GetCount());
    EXPECT_EQ(2, font->GetRefCount());
    EXPECT_EQ(2, record->GetRefCount());
    EXPECT_EQ(record, map.Lookup(font));
    EXPECT_EQ(record, map.Lookup(font.Get()));

    // Dropping our own references leaves both alive in the map.
    Named* const fontKey = font.Get();
    font = nullptr;
    record = nullptr;
    EXPECT_TRUE(mLog.empty());
    EXPECT_EQ("record", map.Lookup(fontKey)->mName);

    EXPECT_TRUE(map.Remove(fontKey));
    EXPECT_EQ((std::vector<std::string>{"record", "font"}), mLog);
    EXPECT_EQ(0u, map.GetCount());
  }

  // Destroying the map releases what is left in it.
  RCPtr<Named> a = Make("a");
  {
    NamedMap map;
    map.Set(a, Make("va"));
    map.Set(Make("b"), Make("vb"));
  }
  std::sort(mLog.begin() + 2, mLog.end()); // buckets go by address
  EXPECT_EQ((std::vector<std::string>{"record", "font", "b", "va", "vb"}), mLog);
  EXPECT_EQ(1, a->GetRefCount()); // a is still ours
}

TEST_F(RCPtrMapTest, SetReplacesTheValueOfAnExistingKey) {
  RCPtr<Named> key = Make("key");
  NamedMap map;
  EXPECT_TRUE(map.Set(key, Make("first")));
  EXPECT_FALSE(map.Set(key, Make("second")));
  EXPECT_EQ((std::vector<std::string>{"first"}), mLog);
  EXPECT_EQ(1u, map.GetCount());
  EXPECT_EQ(2, key->GetRefCount());
  EXPECT_EQ("second", map.Lookup(key)->mName);

  // A pair added directly replaces the key's pair as well.
  RCPtr<NamedMap::PairType> pair(new NamedMap::PairType(key, Make("third")));
  EXPECT_FALSE(map.Add(pair));
  EXPECT_EQ(pair, map.FindNode(key));
  EXPECT_EQ("third", map.Lookup(key)->mName);
  EXPECT_EQ(std::string("key"), pair->ToString().ToNarrow().GetChars());
}

TEST_F(RCPtrMapTest, AbsentKeysFindTheSharedEmptyPointers) {
  RCPtr<Named> key = Make("key");
  RCPtr<Named> other = Make("other");
  NamedMap map;
  map.Set(key, Make("value"));

  EXPECT_EQ(&RCPtr<Named>::sNull, &map.Lookup(other));
  EXPECT_EQ(&RCPtr<Named>::sNull, &map.Lookup(nullptr));
  EXPECT_EQ(&RCPtr<NamedMap::PairType>::sNull, &map.FindNode(other));
  EXPECT_FALSE(map.Remove(other));
  EXPECT_FALSE(map.Remove(static_cast<const Named*>(nullptr)));
  EXPECT_EQ(1u, map.GetCount());
}

TEST_F(RCPtrMapTest, KeysAreTheAddressesOfTheCountedParts) {
  RCPtr<Named> key = Make("key");
  const LRefCountedObject* counted = key.Get();
  ASSERT_NE(static_cast<const void*>(counted), static_cast<const void*>(key.Get()));
  const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(counted);
  EXPECT_EQ(address, RCPtrMapKeyOf<Named>(key.Get()));

  NamedMap map;
  map.Set(key, Make("value"));
  const std::uint32_t bucket = static_cast<std::uint32_t>(address >> 4) & 0xFF;
  EXPECT_EQ(bucket, NamedMap::BucketIndex(address));
  ASSERT_EQ(1u, map.GetBucket(bucket).GetCount());
  EXPECT_EQ(address, map.GetBucket(bucket).GetAt(0)->mKey);
  EXPECT_NE(nullptr, map.Find(address, nullptr));
}

TEST_F(RCPtrMapTest, AKeylessPairIsRefused) {
  NamedMap map;
  EXPECT_EQ("Invalid Argument : null key : QZ::RCPtrMap::Set : utilities\\Storage/RCPtrMap : Line 81",
            CaughtText([&] { map.Set(nullptr, Make("value")); }));
  EXPECT_EQ("Invalid Argument : pair without key : QZ::RCPtrHalfMap::Add : utilities\\Storage/RCPtrMap : Line 47",
            CaughtText([&] { map.Add(RCPtr<NamedMap::PairType>(new NamedMap::PairType(nullptr, nullptr))); }));
  EXPECT_EQ("Invalid Argument : pair without key : QZ::RCPtrHalfMap::Add : utilities\\Storage/RCPtrMap : Line 47",
            CaughtText([&] { map.Add(nullptr); }));
  EXPECT_EQ(0u, map.GetCount());
  EXPECT_EQ((std::vector<std::string>{"value"}), mLog);
}

} // namespace
} // namespace QZ
