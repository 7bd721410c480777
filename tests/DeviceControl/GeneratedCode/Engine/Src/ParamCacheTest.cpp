#include "DeviceControl/GeneratedCode/Engine/Inc/ParamCache.h"

#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace {

using QZ::ParamDescriptor;
using QZ::ParamValues;
using QZ::RCPtr;
using QZ::Variant;

using QZ::test::Int32;

Variant Byte(std::uint8_t b) { return QZ::test::MakeBuffer({b}); }
Variant Text(const char* text) { return QZ::test::MakeText(text); }
Variant Path(std::initializer_list<Variant> keys) { return QZ::test::Pack(keys); }

class RecordingCache : public LParamCache {
public:
  RecordingCache() : LParamCache(12) {}
  QZ::QZRESULT OnValueChanged(std::int32_t index, const Variant& value) override {
    changes.push_back({index, value});
    return LParamCache::OnValueChanged(index, value);
  }
  std::vector<std::pair<std::int32_t, Variant>> changes;
};

TEST(ParamCache, PlainEntries) {
  RCPtr<LParamCache> cache(new LParamCache(12));
  EXPECT_EQ(cache->GetCount(), 12);
  EXPECT_EQ(cache->SetValue(ParamDescriptor(3), Byte(0), false), LParamCache::kDone);
  EXPECT_EQ(cache->SetValue(ParamDescriptor(3), Byte(0), false), LParamCache::kNothingDone);
  Variant value = Int32(9);
  EXPECT_EQ(cache->GetValue(ParamDescriptor(3), value), LParamCache::kDone);
  EXPECT_TRUE(value.IsEqual(Byte(0)));
  EXPECT_EQ(cache->GetValue(ParamDescriptor(4), value), LParamCache::kDone);
  EXPECT_TRUE(value.IsEmpty());

  for (std::int32_t index : {12, -1}) {
    SCOPED_TRACE(index);
    value = Int32(9);
    EXPECT_EQ(cache->GetValue(ParamDescriptor(index), value), LParamCache::kRefused);
    EXPECT_TRUE(value.IsEmpty());
    EXPECT_EQ(cache->SetValue(ParamDescriptor(index), Byte(1), false), LParamCache::kRefused);
  }
  EXPECT_EQ(cache->OnValueChanged(0, value), QZ::E_NOTIMPL);
}

TEST(ParamCache, OneKeyPath) {
  RCPtr<LParamCache> cache(new LParamCache(12));
  cache->SetValue(ParamDescriptor(2), Byte(7), false);
  // An entry that is no list is replaced by one.
  EXPECT_EQ(cache->SetValue(ParamDescriptor(2, Int32(5)), Byte(1), false), LParamCache::kDone);
  Variant value;
  EXPECT_EQ(cache->GetValue(ParamDescriptor(2, Int32(5)), value), LParamCache::kDone);
  EXPECT_TRUE(value.IsEqual(Byte(1)));
  EXPECT_EQ(cache->GetValue(ParamDescriptor(2, Int32(6)), value), LParamCache::kNothingDone);
  EXPECT_TRUE(value.IsEmpty());

  Variant entry;
  cache->GetValue(ParamDescriptor(2), entry);
  ParamValues expected;
  expected.SetSingleValue(ParamDescriptor(2, Int32(5)), Byte(1));
  EXPECT_TRUE(entry.IsEqual(expected));

  EXPECT_EQ(cache->SetValue(ParamDescriptor(2, Int32(5)), Byte(1), false), LParamCache::kNothingDone);
  EXPECT_EQ(cache->SetValue(ParamDescriptor(2, Int32(6)), Variant(), false), LParamCache::kNothingDone);
  EXPECT_EQ(cache->SetValue(ParamDescriptor(2, Int32(5)), Variant(), false), LParamCache::kDone);
  EXPECT_EQ(cache->GetValue(ParamDescriptor(2, Int32(5)), value), LParamCache::kNothingDone);
}

TEST(ParamCache, NestedPath) {
  RCPtr<LParamCache> cache(new LParamCache(12));
  const Variant path = Path({Text("a"), Int32(7)});
  EXPECT_EQ(cache->SetValue(ParamDescriptor(1, path), Byte(3), false), LParamCache::kDone);
  EXPECT_EQ(cache->SetValue(ParamDescriptor(1, Path({Text("a"), Int32(8)})), Byte(4), false), LParamCache::kDone);
  EXPECT_EQ(cache->SetValue(ParamDescriptor(1, Path({Text("b")})), Byte(5), false), LParamCache::kDone);
  Variant value;
  EXPECT_EQ(cache->GetValue(ParamDescriptor(1, path), value), LParamCache::kDone);
  EXPECT_TRUE(value.IsEqual(Byte(3)));
  EXPECT_EQ(cache->GetValue(ParamDescriptor(1, Text("b")), value), LParamCache::kDone);
  EXPECT_TRUE(value.IsEqual(Byte(5)));

  // The first level holds the nested list.
  EXPECT_EQ(cache->GetValue(ParamDescriptor(1, Text("a")), value), LParamCache::kDone);
  ParamValues nested;
  nested.Assign(value);
  EXPECT_EQ(nested.GetArrayCount(), 2u);
  EXPECT_EQ(nested.FindParamValue(ParamDescriptor(1, Int32(8)), value), QZ::kParamDone);
  EXPECT_TRUE(value.IsEqual(Byte(4)));

  EXPECT_EQ(cache->SetValue(ParamDescriptor(1, path), Variant(), false), LParamCache::kDone);
  EXPECT_EQ(cache->GetValue(ParamDescriptor(1, path), value), LParamCache::kNothingDone);
  EXPECT_EQ(cache->GetValue(ParamDescriptor(1, Path({Text("a"), Int32(8)})), value), LParamCache::kDone);
  EXPECT_EQ(cache->GetValue(ParamDescriptor(1, Path({Text("x"), Int32(8)})), value), LParamCache::kNothingDone);
}

TEST(ParamCache, RefusedPathsLeaveTheEntry) {
  RCPtr<LParamCache> cache(new LParamCache(12));
  static const unsigned char outside = 0;
  struct External : Variant {
    External() {
      mType = QZ::kVariantExternalConst;
      SetDataPointer(const_cast<unsigned char*>(&outside));
      mSize = 1;
    }
  };
  const Variant refused[] = {Path({}), Path({Int32(1), Variant()}), External()};
  cache->SetValue(ParamDescriptor(0), Byte(9), false);
  for (const Variant& detail : refused) {
    Variant value = Int32(1);
    EXPECT_EQ(cache->SetValue(ParamDescriptor(0, detail), Byte(1), false), LParamCache::kRefused);
    EXPECT_EQ(cache->GetValue(ParamDescriptor(0, detail), value), LParamCache::kRefused);
    EXPECT_TRUE(value.IsEmpty());
  }
  Variant value;
  cache->GetValue(ParamDescriptor(0), value);
  EXPECT_TRUE(value.IsEqual(Byte(9)));
  // A keyed read of an entry that is no list fails, and so does removing from it.
  EXPECT_EQ(cache->GetValue(ParamDescriptor(0, Int32(1)), value), LParamCache::kRefused);
  EXPECT_EQ(cache->SetValue(ParamDescriptor(0, Int32(1)), Variant(), false), LParamCache::kNothingDone);
  cache->GetValue(ParamDescriptor(0), value);
  EXPECT_TRUE(value.IsEqual(Byte(9)));
}

TEST(ParamCache, NotifiesChangesOnlyWhenAsked) {
  RCPtr<RecordingCache> cache(new RecordingCache);
  cache->SetValue(ParamDescriptor(5), Byte(1), false);
  cache->SetValue(ParamDescriptor(5), Byte(2), true);
  cache->SetValue(ParamDescriptor(5), Byte(2), true); // unchanged
  cache->SetValue(ParamDescriptor(6, Int32(1)), Byte(3), true);
  ASSERT_EQ(cache->changes.size(), 2u);
  EXPECT_EQ(cache->changes[0].first, 5);
  EXPECT_TRUE(cache->changes[0].second.IsEqual(Byte(2)));
  EXPECT_EQ(cache->changes[1].first, 6);
  EXPECT_TRUE(QZ::IsParamValues(cache->changes[1].second)); // the whole entry
}

TEST(ParamCache, ConcurrentReadersAndWriters) {
  RCPtr<LParamCache> cache(new LParamCache(12));
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&cache, t] {
      for (int i = 0; i < 200; ++i) {
        cache->SetValue(ParamDescriptor(t), Byte(static_cast<std::uint8_t>(i)), false);
        cache->SetValue(ParamDescriptor(11, Int32(t)), Byte(static_cast<std::uint8_t>(i)), false);
        Variant value;
        cache->GetValue(ParamDescriptor((t + 1) % 4), value);
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  for (int t = 0; t < 4; ++t) {
    Variant value;
    EXPECT_EQ(cache->GetValue(ParamDescriptor(11, Int32(t)), value), LParamCache::kDone);
    EXPECT_TRUE(value.IsEqual(Byte(199)));
  }
}

} // namespace
