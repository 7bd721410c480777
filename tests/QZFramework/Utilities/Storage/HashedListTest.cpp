#include "QZFramework/Utilities/Storage/HashedList.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace QZ {
namespace {

struct Glyph {
  std::int32_t mCharacter;
  int mWidth;
  static std::int32_t GetUniqueID(const Glyph& glyph) { return glyph.mCharacter; }
};

using GlyphList = HashedList<Glyph, std::int32_t, &Glyph::GetUniqueID, 8, GetBits<8, 0, std::int32_t>>;

// Keys and values are the same integer; buckets by bits 4 to 11.
int Self(const int& value) { return value; }
using IntList = HashedList<int, int, &Self, 8, GetBits<8, 4, int>>;

TEST(HashedListTest, BucketFunctionsTakeTheirEightBits) {
  struct Case {
    std::uint32_t actual;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {GetBits<8, 4, int>(0x1234), 0x23},
      {GetBits<8, 4, int>(0x000F), 0x00},
      {GetBits<8, 4, int>(0x0FF0), 0xFF},
      {GetBits<8, 4, int>(0x1000), 0x00}, // bit 12 and above play no part
      {GetBits<8, 4, int>(-16), 0xFF},    // negative keys spread like the others
      {GetBits<8, 4, std::uintptr_t>(0x7FFF'1230), 0x23},
      {GetBits<8, 0, std::int32_t>(0x141), 0x41},
      {GetBits<8, 0, std::int32_t>(-1), 0xFF},
      {GetBits<8, 0, long>(u'\u00E9'), 0xE9},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(cases[i].expected, cases[i].actual) << "case " << i;
}

TEST(HashedListTest, AddFindReplaceRemove) {
  GlyphList list;
  Glyph fallback{0, -1};
  EXPECT_EQ(&fallback, list.Find(65, &fallback));
  EXPECT_EQ(nullptr, static_cast<const GlyphList&>(list).Find(65));

  // 0x41, 0x141 and 0x241 share bucket 0x41.
  for (std::int32_t character : {0x41, 0x141, 0x241, 0x42})
    EXPECT_TRUE(list.Add({character, character & 0xF}));
  EXPECT_EQ(4u, list.GetCount());
  EXPECT_EQ(3u, list.GetBucket(0x41).GetCount());
  EXPECT_EQ(1u, list.GetBucket(0x42).GetCount());

  // An existing key keeps its node and count; its value is replaced.
  EXPECT_FALSE(list.Add({0x141, 99}));
  EXPECT_EQ(4u, list.GetCount());
  EXPECT_EQ(99, list.Find(0x141, nullptr)->mWidth);

  Glyph* found = list.Find(0x241, nullptr);
  ASSERT_NE(nullptr, found);
  found->mWidth = 7; // the address of the stored value
  EXPECT_EQ(7, list.Find(0x241, nullptr)->mWidth);

  EXPECT_TRUE(list.Remove(0x141));
  EXPECT_FALSE(list.Remove(0x141));
  EXPECT_FALSE(list.Remove(0x341));
  EXPECT_EQ(3u, list.GetCount());
  EXPECT_EQ(nullptr, list.Find(0x141, nullptr));
  EXPECT_EQ(1, list.Find(0x41, nullptr)->mWidth);
  EXPECT_EQ(7, list.Find(0x241, nullptr)->mWidth);

  list.RemoveAll();
  EXPECT_EQ(0u, list.GetCount());
  EXPECT_EQ(0u, list.GetBucket(0x41).GetCount());
  EXPECT_EQ(nullptr, list.Find(0x42, nullptr));
  EXPECT_TRUE(list.Add({0x42, 1}));
  EXPECT_EQ(1u, list.GetCount());
}

TEST(HashedListTest, NodesAreAppendedAndTheirTextIsTheKey) {
  IntList list;
  for (int key : {0x10, 0x1010, -0xFF0})
    list.Add(key);
  const IntList::Bucket& bucket = list.GetBucket(1);
  ASSERT_EQ(3u, bucket.GetCount());
  EXPECT_EQ(0x10, bucket.GetAt(0)->mKey);
  EXPECT_EQ(0x1010, bucket.GetAt(1)->mKey);
  EXPECT_EQ(std::string("4112"), bucket.GetAt(1)->ToString().ToNarrow().GetChars());
  EXPECT_EQ(std::string("-4080"), bucket.GetAt(2)->ToString().ToNarrow().GetChars());
}

// A bucket function of a key type may answer beyond the bucket count.
std::uint32_t WideBits(const int& key) { return 0x100 + static_cast<std::uint32_t>(key); }

TEST(HashedListTest, BucketsBeyondTheCountWrapAround) {
  HashedList<int, int, &Self, 8, &WideBits> list;
  EXPECT_TRUE(list.Add(0xFF));
  EXPECT_TRUE(list.Add(0x1FF));
  EXPECT_EQ(2u, list.GetBucket(0xFF).GetCount());
  EXPECT_NE(nullptr, list.Find(0x1FF, nullptr));
}

// Records the list's count as each value goes.
class CountingProbe : public virtual LRefCountedObject {
public:
  CountingProbe(int key, const IHashedList<RCPtr<CountingProbe>, int>* list, std::vector<std::uint32_t>* log)
      : mKey(key), mList(list), mLog(log) {}
  ~CountingProbe() override { mLog->push_back(mList->GetCount()); }
  static int KeyOf(const RCPtr<CountingProbe>& probe) { return probe->mKey; }

  int mKey;

private:
  const IHashedList<RCPtr<CountingProbe>, int>* mList;
  std::vector<std::uint32_t>* mLog;
};

TEST(HashedListTest, ValuesAreReleasedAfterTheListIsConsistent) {
  std::vector<std::uint32_t> log;
  HashedList<RCPtr<CountingProbe>, int, &CountingProbe::KeyOf, 8, GetBits<8, 4, int>> list;
  for (int key : {0x10, 0x20, 0x30})
    list.Add(RCPtr<CountingProbe>(new CountingProbe(key, &list, &log)));

  EXPECT_TRUE(list.Remove(0x20));
  EXPECT_EQ((std::vector<std::uint32_t>{2}), log);

  // Replacing a value releases the old one; the count stands.
  EXPECT_FALSE(list.Add(RCPtr<CountingProbe>(new CountingProbe(0x10, &list, &log))));
  EXPECT_EQ((std::vector<std::uint32_t>{2, 2}), log);

  list.RemoveAll();
  EXPECT_EQ((std::vector<std::uint32_t>{2, 2, 0, 0}), log);
}

} // namespace
} // namespace QZ
