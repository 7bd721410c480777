#include "QZFramework/Utilities/Storage/ArrayBuffer.h"

#include "Support/CountingAllocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <vector>

namespace QZ {
namespace {

using test::CountingAllocator;

CountingAllocator& Heap() { return test::GetCountingAllocatorInstance(); }

template <class T>
std::vector<T> Items(const IArray<T>& a) {
  return std::vector<T>(a.GetData(), a.GetData() + a.GetCount());
}

bool IsInside(const void* p, const void* object, std::size_t size) {
  const auto* b = static_cast<const char*>(object);
  return static_cast<const char*>(p) >= b && static_cast<const char*>(p) < b + size;
}

TEST(ArrayBuffer, AddedElementsAreZeroEvenWhereTheBlockWasKept) {
  ArrayBuffer<unsigned int> a;
  EXPECT_EQ(a.SetSize(3), 3);
  EXPECT_EQ(Items(a), (std::vector<unsigned int>{0, 0, 0}));
  a.GetAt(0) = 5;
  a.GetAt(1) = 6;
  a.GetAt(2) = 7;
  EXPECT_EQ(a.InsertSpace(1, 2), 5);
  EXPECT_EQ(Items(a), (std::vector<unsigned int>{5, 0, 0, 6, 7}));
  EXPECT_EQ(a.InsertSpace(5, 1), 6);
  EXPECT_EQ(Items(a), (std::vector<unsigned int>{5, 0, 0, 6, 7, 0}));

  // A pool list keeps its block on shrinking; growing again must not show the old values.
  ArrayBuffer<unsigned int, 4, 1600> pool;
  for (unsigned int v : {1u, 2u, 3u})
    pool.AddItem(v);
  const unsigned int* block = pool.GetData();
  EXPECT_EQ(pool.SetSize(1), 1);
  EXPECT_EQ(pool.SetSize(3), 3);
  EXPECT_EQ(pool.GetData(), block);
  EXPECT_EQ(Items(pool), (std::vector<unsigned int>{1, 0, 0}));
  unsigned int out;
  pool.AddItem(9);
  EXPECT_EQ(pool.RemoveItem(0, out), 3);
  EXPECT_EQ(pool.InsertSpace(3, 1), 4);
  EXPECT_EQ(Items(pool), (std::vector<unsigned int>{0, 0, 9, 0}));
}

TEST(ArrayBuffer, StorageFollowsGrowByAndMaxSpareInElements) {
  Heap().Reset();
  {
    // Granule and slack of 4 elements, 16 bytes each.
    ArrayBuffer<unsigned int, 4, 4, 1, 8, test::GetCountingAllocator> a;
    const struct {
      std::uint32_t count;
      int heapCalls;          // Alloc and Realloc so far
      std::size_t blockBytes; // of the latest one
    } steps[] = {{1, 1, 16}, {4, 1, 16}, {5, 2, 32}, {4, 2, 32}, {1, 3, 16}, {0, 3, 16}, {3, 3, 16}};
    for (const auto& s : steps) {
      EXPECT_EQ(a.SetSize(s.count), static_cast<std::int32_t>(s.count));
      EXPECT_EQ(Heap().allocs + Heap().reallocs, s.heapCalls) << "count " << s.count;
      EXPECT_EQ(Heap().lastSize, s.blockBytes) << "count " << s.count;
    }
  }
  EXPECT_EQ(Heap().frees, 1);
  Heap().Reset();
}

TEST(ArrayBuffer, CountsBeyondThe32BitByteSizeAreRefused) {
  ArrayBuffer<double> a;
  a.AddItem(1.5);
  EXPECT_EQ(a.SetSize(0x20000000), E_OUTOFMEMORY) << "8 × 0x20000000 bytes do not fit 32 bits";
  EXPECT_EQ(a.SetSize(0xFFFFFFFFu), E_OUTOFMEMORY);
  EXPECT_EQ(a.InsertSpace(0, 0x7FFFFFFF), E_OUTOFMEMORY);
  EXPECT_EQ(Items(a), std::vector<double>{1.5});
  ArrayBufferM<signed char, 4> m;
  EXPECT_EQ(m.SetSize(0x80000000u), E_OUTOFMEMORY);
  EXPECT_EQ(m.GetCount(), 0u);
}

TEST(ArrayBuffer, FailedAllocationThrowsAndKeepsTheElements) {
  Heap().Reset();
  {
    ArrayBuffer<unsigned int, 1, 0, 1, 8, test::GetCountingAllocator> a;
    a.AddItem(1);
    a.AddItem(2);
    Heap().succeedCount = 0;
    EXPECT_THROW(a.AddItem(3), std::bad_alloc);
    EXPECT_THROW(a.InsertItem(0, 3), std::bad_alloc);
    EXPECT_EQ(Items(a), (std::vector<unsigned int>{1, 2}));
    ArrayBufferM<signed char, 4, 1, 0, 1, 8, test::GetCountingAllocator> m;
    m.SetSize(4);
    m.GetAt(3) = 'x';
    EXPECT_THROW(m.SetSize(5), std::bad_alloc);
    EXPECT_EQ(m.GetCount(), 4u);
    EXPECT_EQ(m.GetAt(3), 'x');
    Heap().succeedCount = -1;
  }
  Heap().Reset();
}

TEST(ArrayBufferM, MovesBetweenInlineStoreAndHeapAtM) {
  Heap().Reset();
  {
    using Message = ArrayBufferM<signed char, 4, 1, 0, 1, 8, test::GetCountingAllocator>;
    Message m;
    const auto inlineStore = [&m] { return IsInside(m.GetData(), &m, sizeof m); };
    EXPECT_EQ(m.AddItem(1), 1);
    EXPECT_EQ(m.SetSize(3), 3);
    EXPECT_EQ(Items(m), (std::vector<signed char>{1, 0, 0}));
    EXPECT_TRUE(inlineStore());
    m.GetAt(2) = 3;
    m.AddItem(4);
    EXPECT_TRUE(inlineStore());
    EXPECT_EQ(Heap().allocs, 0);

    EXPECT_EQ(m.SetSize(5), 5);
    EXPECT_FALSE(inlineStore());
    EXPECT_EQ(Heap().allocs, 1);
    EXPECT_EQ(Items(m), (std::vector<signed char>{1, 0, 3, 4, 0}));
    m.AddItem(6);
    EXPECT_EQ(Items(m), (std::vector<signed char>{1, 0, 3, 4, 0, 6}));

    signed char out = 0;
    EXPECT_EQ(m.RemoveItems(1, 2), 4);
    EXPECT_TRUE(inlineStore());
    EXPECT_EQ(Heap().frees, Heap().allocs) << "heap block released";
    EXPECT_EQ(Items(m), (std::vector<signed char>{1, 4, 0, 6}));

    // Inserting into a full inline store moves to the heap with the gap zeroed.
    m.GetAt(2) = 5;
    EXPECT_EQ(m.InsertSpace(0, 1), 5);
    EXPECT_FALSE(inlineStore());
    EXPECT_EQ(Items(m), (std::vector<signed char>{0, 1, 4, 5, 6}));
    EXPECT_EQ(m.RemoveLastItem(out), 4);
    EXPECT_EQ(out, 6);
    EXPECT_TRUE(inlineStore());
    EXPECT_EQ(Items(m), (std::vector<signed char>{0, 1, 4, 5}));
    // Zero elements is the inline state too.
    m.SetSize(7);
    EXPECT_EQ(m.SetSize(0), 0);
    EXPECT_EQ(m.GetCount(), 0u);
    EXPECT_EQ(m.SetSize(2), 2);
    EXPECT_EQ(Items(m), (std::vector<signed char>{0, 0}));
    EXPECT_EQ(m.RemoveAll(), S_OK);
  }
  EXPECT_EQ(Heap().frees, Heap().allocs);
  Heap().Reset();
}

} // namespace
} // namespace QZ
