#include "QZFramework/Utilities/Graphics/PurgableObjectCache.h"

#include "QZFramework/Utilities/Storage/PolylineT.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace QZ {
namespace {

// A built object; counts the live ones.
class Built : public virtual LRefCountedObject {
public:
  explicit Built(int key) : mKey(key) { ++sLive; }
  ~Built() override { --sLive; }
  int mKey;
  static inline int sLive = 0;
};

int KeyOf(const int& source) { return source; }

using Cache = PurgableObjectCache<Built, int, int, &KeyOf, 8, GetBits<8, 4, int>>;

// Keys 16 apart fall in different buckets; plain small numbers name them here.
int K(int n) { return n * 16; }

// The entry position of a slot handed out by Get.
std::uint32_t PositionOf(const Cache& cache, const RCPtr<Built>& slot) {
  for (std::uint32_t i = 0; i < cache.GetCapacity(); ++i) {
    if (&cache.GetEntry(i).mObject == &slot)
      return i;
  }
  ADD_FAILURE() << "slot of no entry";
  return ~0u;
}

enum class Op { Get, GetDiscarding, Purge, Discard };

struct Step {
  Op op;
  std::uint32_t value;    // key number for Get and Discard, the mark for Purge
  int expected;           // Get: entry position; Purge: entries reset; Discard: result
  bool emptySlot = false; // Get: the slot came back empty (and is then filled)
};

struct EntryState {
  int key; // key number
  bool built;
  std::uint32_t useCount;
};

struct Scenario {
  const char* name;
  std::uint32_t capacity;
  std::uint32_t counterSeed;
  std::vector<Step> steps;
  std::vector<EntryState> entries; // the registered entries, in position order
};

void RunScenario(const Scenario& s) {
  SCOPED_TRACE(s.name);
  Cache cache(s.capacity);
  cache.mUseCounter = s.counterSeed;
  for (std::size_t i = 0; i < s.steps.size(); ++i) {
    const Step& step = s.steps[i];
    SCOPED_TRACE("step " + std::to_string(i));
    switch (step.op) {
    case Op::Get:
    case Op::GetDiscarding: {
      RCPtr<Built>& slot = cache.Get(K(static_cast<int>(step.value)), step.op == Op::GetDiscarding);
      EXPECT_EQ(static_cast<std::uint32_t>(step.expected), PositionOf(cache, slot));
      EXPECT_EQ(step.emptySlot, slot.IsNull());
      if (slot.IsNull())
        slot = new Built(static_cast<int>(step.value));
      EXPECT_EQ(static_cast<int>(step.value), slot->mKey) << "slot of another key";
      break;
    }
    case Op::Purge:
      EXPECT_EQ(step.expected, cache.Purge(step.value));
      break;
    case Op::Discard:
      EXPECT_EQ(step.expected, cache.Discard(K(static_cast<int>(step.value))));
      break;
    }
  }
  ASSERT_EQ(s.entries.size(), cache.GetKeyIndex().GetCount());
  for (std::uint32_t i = 0; i < s.entries.size(); ++i) {
    const Cache::Entry& entry = cache.GetEntry(i);
    EXPECT_EQ(K(s.entries[i].key), entry.mKey) << "entry " << i;
    EXPECT_EQ(s.entries[i].built, !entry.IsEmpty()) << "entry " << i;
    EXPECT_EQ(s.entries[i].useCount, entry.mUseCount) << "entry " << i;
    Cache::Entry* const* indexed = cache.GetKeyIndex().Find(entry.mKey);
    ASSERT_NE(nullptr, indexed) << "entry " << i << " not in the index";
    EXPECT_EQ(&entry, *indexed);
  }
}

TEST(PurgableObjectCacheTest, Scenarios) {
  const Op G = Op::Get, D = Op::GetDiscarding, P = Op::Purge, X = Op::Discard;
  const Scenario scenarios[] = {
      {"K1 K2 K1 K3: K3 takes the entry of K2, the older one",
       2,
       0,
       {{G, 1, 0, true}, {G, 2, 1, true}, {G, 1, 0}, {G, 3, 1, true}, {X, 2, 1}},
       {{1, true, 2}, {3, true, 1}}},
      {"a purge newer than every use empties all; a new key reuses the first entry",
       3,
       0,
       {{G, 1, 0, true}, {G, 2, 1, true}, {G, 3, 2, true}, {P, 4, 3}, {G, 4, 0, true}, {G, 2, 1, true}},
       {{4, true, 1}, {2, true, 1}, {3, false, 0}}},
      {"a purged key finds its own entry again, empty",
       2,
       0,
       {{G, 1, 0, true}, {G, 2, 1, true}, {P, 2, 1}, {G, 1, 0, true}, {G, 2, 1}},
       {{1, true, 1}, {2, true, 2}}},
      {"get with discard empties a present entry; its use count restarts",
       2,
       0,
       {{G, 1, 0, true}, {G, 1, 0}, {G, 1, 0}, {D, 1, 0, true}, {D, 5, 1, true}},
       {{1, true, 1}, {5, true, 1}}},
      {"discard: 1 for an absent key, 0 and an empty entry for a present one",
       3,
       0,
       {{G, 1, 0, true}, {X, 7, 1}, {G, 2, 1, true}, {X, 2, 0}, {X, 2, 0}},
       {{1, true, 1}, {2, false, 0}}},
      {"a full cache takes an emptied entry before the oldest",
       3,
       0,
       {{G, 1, 0, true}, {G, 2, 1, true}, {G, 3, 2, true}, {X, 2, 0}, {G, 4, 1, true}, {X, 2, 1}},
       {{1, true, 1}, {4, true, 1}, {3, true, 1}}},
      {"an emptied entry is taken even where others are older (across the wrap)",
       3,
       0xFFFFFFFDu,
       {{G, 1, 0, true}, {G, 2, 1, true}, {G, 3, 2, true}, {X, 3, 0}, {G, 4, 2, true}},
       {{1, true, 1}, {2, true, 1}, {4, true, 1}}},
      {"ages wrap with the use counter: K1 used at 0xFFFFFFFF is older than K2 used at 0",
       2,
       0xFFFFFFFEu,
       {{G, 1, 0, true}, {G, 2, 1, true}, {G, 3, 0, true}},
       {{3, true, 1}, {2, true, 1}}},
      {"purge marks compare across the wrap",
       3,
       0xFFFFFFFDu,
       {{G, 1, 0, true}, {G, 2, 1, true}, {G, 3, 2, true}, {G, 3, 2}, {P, 0xFFFFFFFFu, 1}},
       {{1, false, 0}, {2, true, 1}, {3, true, 2}}},
      {"never-used and emptied entries count again at every positive mark",
       4,
       0,
       {{G, 1, 0, true}, {P, 0, 0}, {P, 1, 3}, {P, 5, 4}, {P, 5, 4}, {P, 0x80000001u, 0}},
       {{1, false, 0}}},
  };
  for (const Scenario& s : scenarios)
    RunScenario(s);
  EXPECT_EQ(0, Built::sLive);
}

// Seeded last uses and use counts of a full cache of three; a fourth key
// replaces the oldest entry, the least used among equally old ones, the first
// among equals.
TEST(PurgableObjectCacheTest, ReplacementOrder) {
  struct Case {
    std::uint32_t counter;
    std::uint32_t lastUse[3];
    std::uint32_t useCount[3];
    std::uint32_t victim;
  };
  const Case cases[] = {
      {3, {1, 2, 3}, {5, 5, 5}, 0},
      {3, {3, 1, 1}, {1, 4, 2}, 2},
      {3, {2, 2, 2}, {3, 3, 3}, 0},
      {3, {3, 2, 1}, {1, 1, 0xFFFFFFFFu}, 2},
      {3, {3, 3, 3}, {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu}, 0},
      {5, {0xFFFFFFFFu, 4, 3}, {1, 1, 1}, 0},
  };
  for (const Case& c : cases) {
    Cache cache(3);
    for (int key : {1, 2, 3})
      cache.Get(K(key), false) = new Built(key);
    for (std::uint32_t i = 0; i < 3; ++i) {
      cache.GetEntry(i).mLastUse = c.lastUse[i];
      cache.GetEntry(i).mUseCount = c.useCount[i];
    }
    cache.mUseCounter = c.counter;
    EXPECT_EQ(c.victim, PositionOf(cache, cache.Get(K(4), false))) << "case " << (&c - cases);
    EXPECT_EQ(2, Built::sLive) << "the victim's object is released";
    EXPECT_EQ(c.counter + 1, cache.GetEntry(c.victim).mLastUse);
  }
}

TEST(PurgableObjectCacheTest, UseCountSaturatesAndCounterWraps) {
  Cache cache(2);
  cache.Get(K(1), false);
  cache.GetEntry(0).mUseCount = 0xFFFFFFFEu;
  cache.mUseCounter = 0xFFFFFFFFu;
  cache.Get(K(1), false);
  EXPECT_EQ(0xFFFFFFFFu, cache.GetEntry(0).mUseCount);
  EXPECT_EQ(0u, cache.mUseCounter);
  EXPECT_EQ(0u, cache.GetEntry(0).mLastUse);
  cache.Get(K(1), false);
  EXPECT_EQ(0xFFFFFFFFu, cache.GetEntry(0).mUseCount);
  EXPECT_EQ(1u, cache.GetEntry(0).mLastUse);
}

TEST(PurgableObjectCacheTest, DestructionReleasesTheObjects) {
  {
    Cache cache(4);
    for (int key : {1, 2, 3})
      cache.Get(K(key), false) = new Built(key);
    EXPECT_EQ(3, Built::sLive);
  }
  EXPECT_EQ(0, Built::sLive);
}

TEST(PurgableObjectCacheTest, ACapacityOfZeroIsRefused) {
  try {
    Cache cache(0);
    FAIL() << "constructed";
  } catch (const std::invalid_argument& e) {
    EXPECT_EQ(std::string("Invalid Argument : capacity 0 : QZ::PurgableObjectCache::PurgableObjectCache : "
                          "Utilities\\Graphics\\PurgableObjectCache : Line 57"),
              e.what());
  }
}

// The renderers' path and display-list caches: one entry per polyline.
TEST(PurgableObjectCacheTest, KeyedByPolylineHandles) {
  PurgableObjectCache<Built, PolylineT<float>, int, &PolylineT<float>::GetHandle, 8, GetBits<8, 4, int>> cache(2);
  PolylineT<float> a;
  PolylineT<float> b;
  RCPtr<Built>& slotA = cache.Get(a, false);
  slotA = new Built(1);
  RCPtr<Built>& slotB = cache.Get(b, false);
  EXPECT_NE(&slotA, &slotB);
  EXPECT_TRUE(slotB.IsNull());
  EXPECT_EQ(&slotA, &cache.Get(a, false));
  EXPECT_EQ(1, slotA->mKey);
  EXPECT_EQ(0, cache.Discard(a.GetHandle()));
  EXPECT_EQ(0, Built::sLive);
}

} // namespace
} // namespace QZ
