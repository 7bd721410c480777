#include "QZFramework/Utilities/Graphics/Region.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <set>
#include <thread>
#include <vector>

namespace QZ {
namespace {

constexpr std::uint32_t kCapacity = RegionNodePool::kCapacity;

bool IsZero(const RegionNode* n) {
  return n->left == 0 && n->top == 0 && n->right == 0 && n->bottom == 0 && n->next == nullptr;
}

TEST(RegionNodePool, FirstAllocationFillsTheRing) {
  RegionNodePool pool;
  auto stats = pool.GetStats();
  EXPECT_EQ(stats.capacity, 0u);
  EXPECT_EQ(stats.peak, 0u);

  RegionNode* node = pool.Allocate();
  EXPECT_TRUE(IsZero(node));
  EXPECT_TRUE(pool.IsSlot(node));
  stats = pool.GetStats();
  EXPECT_EQ(stats.capacity, kCapacity);
  EXPECT_EQ(stats.head, 1u);
  EXPECT_EQ(stats.freeCount, kCapacity - 1);
  EXPECT_EQ(stats.inUse, 1u);
  EXPECT_EQ(stats.peak, 1u);

  pool.Free(node);
  pool.Free(nullptr);
  stats = pool.GetStats();
  EXPECT_EQ(stats.freeCount, kCapacity);
  EXPECT_EQ(stats.inUse, 0u);
  EXPECT_EQ(stats.peak, 1u);
}

TEST(RegionNodePool, SlotsGoFirstInFirstOutAndTheHeapTakesTheRest) {
  RegionNodePool pool;
  std::vector<RegionNode*> nodes;
  for (std::uint32_t i = 0; i < kCapacity; ++i) {
    nodes.push_back(pool.Allocate());
    ASSERT_TRUE(pool.IsSlot(nodes.back()));
    if (i > 0) { // a fresh ring hands the slots out in order
      ASSERT_GT(nodes[i], nodes[i - 1]);
    }
  }
  EXPECT_EQ(pool.GetStats().freeCount, 0u);

  RegionNode* heap = pool.Allocate(); // the 513th live node
  EXPECT_FALSE(pool.IsSlot(heap));
  EXPECT_TRUE(IsZero(heap));
  auto stats = pool.GetStats();
  EXPECT_EQ(stats.inUse, kCapacity + 1);
  EXPECT_EQ(stats.peak, kCapacity + 1);

  pool.Free(heap); // back to the heap, not into the ring
  EXPECT_EQ(pool.GetStats().freeCount, 0u);
  EXPECT_EQ(pool.GetStats().inUse, kCapacity);

  *nodes[2] = RegionNode{{7, 7, 9, 9}, nodes[3]};
  for (int i : {5, 2, 9})
    pool.Free(nodes[i]);
  EXPECT_EQ(pool.GetStats().freeCount, 3u);
  EXPECT_EQ(pool.Allocate(), nodes[5]);
  RegionNode* reused = pool.Allocate();
  EXPECT_EQ(reused, nodes[2]);
  EXPECT_TRUE(IsZero(reused));
  EXPECT_EQ(pool.Allocate(), nodes[9]);
  EXPECT_FALSE(pool.IsSlot(heap = pool.Allocate()));
  pool.Free(heap);

  for (RegionNode* n : nodes)
    pool.Free(n);
  stats = pool.GetStats();
  EXPECT_EQ(stats.inUse, 0u);
  EXPECT_EQ(stats.freeCount, kCapacity);
  EXPECT_EQ(stats.peak, kCapacity + 1);
}

TEST(RegionNodePool, ASlotFreedTwiceIsHandedOutOnce) {
  RegionNodePool pool;
  RegionNode* a = pool.Allocate();
  RegionNode* b = pool.Allocate();
  pool.Free(a);
  pool.Free(a);
  auto stats = pool.GetStats();
  EXPECT_EQ(stats.freeCount, kCapacity - 1);
  EXPECT_EQ(stats.inUse, 1u);

  std::set<RegionNode*> handedOut{b};
  for (std::uint32_t i = 0; i < kCapacity - 1; ++i)
    EXPECT_TRUE(handedOut.insert(pool.Allocate()).second);
  for (RegionNode* n : handedOut)
    pool.Free(n);
  EXPECT_EQ(pool.GetStats().inUse, 0u);
}

TEST(RegionNodePool, ReleasedSlotsWaitForTheLastNode) {
  RegionNodePool pool;
  RegionNode* a = pool.Allocate();
  RegionNode* b = pool.Allocate();
  pool.ReleaseSlots();
  EXPECT_EQ(pool.GetStats().capacity, kCapacity);
  pool.Free(a);
  EXPECT_EQ(pool.GetStats().capacity, kCapacity);
  pool.Free(b);
  auto stats = pool.GetStats();
  EXPECT_EQ(stats.capacity, 0u);
  EXPECT_EQ(stats.freeCount, 0u);
  EXPECT_EQ(stats.head, 0u);

  RegionNode* late = pool.Allocate();
  EXPECT_FALSE(pool.IsSlot(late));
  EXPECT_TRUE(IsZero(late));
  pool.Free(late);
  EXPECT_EQ(pool.GetStats().inUse, 0u);

  RegionNodePool unused; // released before its first use: never makes slots
  unused.ReleaseSlots();
  RegionNode* n = unused.Allocate();
  EXPECT_EQ(unused.GetStats().capacity, 0u);
  unused.Free(n);
}

// Each thread stamps its nodes and checks the stamps before freeing them: a
// node handed to two threads at once shows up as a foreign stamp. Together the
// threads hold more nodes than there are slots, so the heap path runs too.
TEST(RegionNodePool, ThreadsShareThePoolButNeverANode) {
  RegionNodePool pool;
  constexpr int kThreads = 8;
  constexpr int kRounds = 400;
  std::atomic<int> foreignStamps{0};
  // Most slots stay taken, so every thread's larger rounds reach the heap whatever the scheduling.
  std::vector<RegionNode*> reserved;
  for (std::uint32_t i = 0; i + 50 < kCapacity; ++i)
    reserved.push_back(pool.Allocate());
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      std::vector<RegionNode*> held;
      for (int round = 0; round < kRounds; ++round) {
        const int count = 1 + (round * 37 + t * 11) % 120;
        for (int i = 0; i < count; ++i) {
          RegionNode* n = pool.Allocate();
          if (!IsZero(n))
            ++foreignStamps;
          *n = RegionNode{{t, round, i, -1}, nullptr};
          held.push_back(n);
        }
        for (int i = 0; i < count; ++i) {
          const RegionNode* n = held[i];
          if (n->left != t || n->top != round || n->right != i)
            ++foreignStamps;
        }
        if (round % 2)
          for (auto it = held.rbegin(); it != held.rend(); ++it)
            pool.Free(*it);
        else
          for (RegionNode* n : held)
            pool.Free(n);
        held.clear();
      }
    });
  }
  for (auto& th : threads)
    th.join();
  for (RegionNode* n : reserved)
    pool.Free(n);
  EXPECT_EQ(foreignStamps.load(), 0);
  const auto stats = pool.GetStats();
  EXPECT_EQ(stats.inUse, 0u);
  EXPECT_EQ(stats.freeCount, kCapacity);
  EXPECT_GT(stats.peak, kCapacity); // the heap was in use at some point
}

// Regions owned by different threads change at once through the one pool.
TEST(RegionNodePool, RegionsOnSeveralThreads) {
  RegionNodePool& pool = RegionNodePool::GetInstance();
  const auto before = pool.GetStats();
  constexpr int kThreads = 8;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 40; ++round) {
        // A 10 x 10 grid of 4 x 4 squares, 6 apart.
        Region grid;
        for (int y = 0; y < 10; ++y)
          for (int x = 0; x < 10; ++x)
            grid.AddRect({x * 6, y * 6, x * 6 + 4, y * 6 + 4});
        // A band over the middle of rows 2 and 3: those squares merge into bars.
        Region band;
        band.AddRect({0, 13, 60, 21});
        Region merged(grid);
        merged.AppendRegion(band); // overlaps until SubtractRect makes room
        Region clean(grid);
        clean.SubtractRegion(band);
        clean.AddRect({0, 13, 60, 21});
        clean.Normalize();
        Region inside(grid);
        inside.Intersect(band);
        inside.Normalize();
        inside.Offset(t, round);
        EdgeRect bounds;
        if (grid.GetRectCount() != 100 || merged.GetRectCount() != 101 || !inside.GetBounds(bounds) ||
            bounds != EdgeRect{t, 13 + round, 58 + t, 21 + round} || inside.GetRectCount() != 20 ||
            clean.GetRectCount() != 101)
          ++failures;
      }
    });
  }
  for (auto& th : threads)
    th.join();
  EXPECT_EQ(failures.load(), 0);
  EXPECT_EQ(pool.GetStats().inUse, before.inUse);
}

} // namespace
} // namespace QZ
