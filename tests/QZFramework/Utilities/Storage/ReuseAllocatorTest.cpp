#include "QZFramework/Utilities/Storage/ReuseAllocator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

namespace QZ {
namespace {

struct Record {
  std::uint64_t mOwner;
  std::uint64_t mSerial;
};

using RecordPool = ReuseAllocator<Record, 4>;

TEST(ReuseAllocatorTest, FreedRecordsComeBackLastFreedFirst) {
  RecordPool pool(false);
  void* a = pool.Allocate(sizeof(Record));
  void* b = pool.Allocate(sizeof(Record));
  void* c = pool.Allocate(sizeof(Record));
  EXPECT_EQ(3u, std::set<void*>({a, b, c}).size());

  pool.Free(b);
  EXPECT_EQ(b, pool.Allocate(sizeof(Record)));
  pool.Free(a);
  pool.Free(c);
  EXPECT_EQ(c, pool.Allocate(sizeof(Record)));
  EXPECT_EQ(a, pool.Allocate(sizeof(Record)));

  void* d = pool.Allocate(sizeof(Record));
  EXPECT_EQ(4u, std::set<void*>({a, b, c, d}).size());
  for (void* p : {a, b, c, d})
    pool.Free(p);
}

// A pooled class; objects of a derived class are of another size and come
// from the heap.
class Pooled {
public:
  static void* operator new(std::size_t size) { return sPool.Allocate(size); }
  static void operator delete(void* p) { sPool.Free(p); }
  virtual ~Pooled() = default;
  int mValue = 0;
  static ReuseAllocator<Pooled, 4> sPool;
};
ReuseAllocator<Pooled, 4> Pooled::sPool(false);

class Larger : public Pooled {
public:
  char mExtra[40] = {};
};

// Free of a heap block reads only the block's own header (ASan checks it).
TEST(ReuseAllocatorTest, BlocksOfAnotherSizeGoToTheHeapAndBack) {
  Pooled* record = new Pooled;
  Pooled* larger = new Larger;
  Pooled* second = new Pooled;
  std::memset(static_cast<Larger*>(larger)->mExtra, 0x5A, sizeof(Larger::mExtra));
  delete larger;
  delete record;
  Pooled* reused = new Pooled;
  EXPECT_EQ(record, reused) << "the heap block did not enter the free list";
  delete reused;
  delete second;

  RecordPool pool(true);
  void* odd = pool.Allocate(3);
  std::memset(odd, 0, 3);
  pool.Free(odd);
  void* big = pool.Allocate(1000);
  EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(big) % alignof(std::max_align_t));
  pool.Free(big);
  pool.Free(nullptr);
}

// Destroying the pool frees every record (LeakSanitizer checks it).
TEST(ReuseAllocatorTest, DestroyingThePoolFreesItsRecords) {
  auto* pool = new ReuseAllocator<Record, 32>(true);
  std::vector<void*> blocks;
  for (int i = 0; i < 100; ++i)
    blocks.push_back(pool->Allocate(sizeof(Record)));
  for (void* p : blocks)
    pool->Free(p);
  delete pool;
}

// Threads allocate, fill, check and free records of one spin-locked pool; no
// record is ever handed to two owners at once.
TEST(ReuseAllocatorTest, ASpinLockedPoolSharedByThreads) {
  constexpr int kThreads = 4;
  constexpr int kRounds = 2000;
  constexpr int kHeld = 8;
  ReuseAllocator<Record, 1> pool(true);
  std::atomic<int> clashes{0};

  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&pool, &clashes, t] {
      for (int round = 0; round < kRounds; ++round) {
        Record* held[kHeld];
        for (int i = 0; i < kHeld; ++i) {
          held[i] = static_cast<Record*>(pool.Allocate(sizeof(Record)));
          held[i]->mOwner = static_cast<std::uint64_t>(t);
          held[i]->mSerial = static_cast<std::uint64_t>(round * kHeld + i);
        }
        void* odd = pool.Allocate(sizeof(Record) + 1); // the heap road, concurrently
        std::this_thread::yield();
        for (int i = 0; i < kHeld; ++i) {
          if (held[i]->mOwner != static_cast<std::uint64_t>(t) ||
              held[i]->mSerial != static_cast<std::uint64_t>(round * kHeld + i))
            ++clashes;
        }
        pool.Free(odd);
        for (int i = kHeld; i-- > 0;)
          pool.Free(held[i]);
      }
    });
  for (auto& thread : threads)
    thread.join();

  EXPECT_EQ(0, clashes.load());
  // Every record is free again and is handed out once.
  std::set<void*> seen;
  std::vector<void*> again;
  for (int i = 0; i < kThreads * kHeld; ++i) {
    again.push_back(pool.Allocate(sizeof(Record)));
    seen.insert(again.back());
  }
  EXPECT_EQ(again.size(), seen.size());
  for (void* p : again)
    pool.Free(p);
}

} // namespace
} // namespace QZ
