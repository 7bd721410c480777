#include "QZFramework/Utilities/Storage/BufferT.h"

#include "Support/CountingAllocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::CountingAllocator;
using test::GetCountingAllocator;

template <std::uint32_t G, std::uint32_t S>
using TestBuffer = BufferT<G, S, 8, char*, test::GetCountingAllocator>;

CountingAllocator& Heap() { return test::GetCountingAllocatorInstance(); }

class BufferTest : public ::testing::Test {
protected:
  void SetUp() override { Heap().Reset(); }
  void TearDown() override { Heap().Reset(); }
};

void ExpectEmpty(const IBuffer& b) {
  EXPECT_EQ(b.GetSize(), 0u);
  EXPECT_EQ(b.GetCapacity(), 0u);
  EXPECT_EQ(b.GetData(), nullptr);
}

struct Step {
  enum Op { kSetSize, kAllocate } op;
  std::uint32_t n;
  std::uint32_t capacity; // expected afterwards
  bool blockKept;         // no allocator call and the same block
};

// Runs the steps on a buffer of granule G and slack S, checking capacity,
// whether the block was touched, and that the common prefix of the contents
// survives every SetSize.
template <std::uint32_t G, std::uint32_t S>
void RunSteps(const std::vector<Step>& steps) {
  TestBuffer<G, S> b;
  std::uint32_t filled = 0; // bytes known to hold their index
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& step = steps[i];
    SCOPED_TRACE("G " + std::to_string(G) + " S " + std::to_string(S) + " step " + std::to_string(i));
    const char* before = b.GetData();
    const int calls = Heap().allocs + Heap().reallocs + Heap().frees;
    const std::uint32_t result = step.op == Step::kSetSize ? b.SetSize(step.n) : b.Allocate(step.n);
    EXPECT_EQ(result, step.n);
    EXPECT_EQ(b.GetSize(), step.n);
    EXPECT_EQ(b.GetCapacity(), step.capacity);
    EXPECT_EQ(b.GetData() == nullptr, step.capacity == 0);
    if (step.blockKept) {
      EXPECT_EQ(b.GetData(), before);
      EXPECT_EQ(Heap().allocs + Heap().reallocs + Heap().frees, calls);
    }
    if (step.op == Step::kSetSize) {
      for (std::uint32_t k = 0; k < std::min(filled, step.n); ++k)
        ASSERT_EQ(b.GetData()[k], static_cast<char>(k)) << "byte " << k;
    }
    for (std::uint32_t k = 0; k < step.n; ++k)
      b.GetData()[k] = static_cast<char>(k);
    filled = step.n;
  }
}

TEST_F(BufferTest, SetSizeFollowsGranuleAndSlack) {
  using S = Step;
  // Granule 4, no slack: at most 3 spare bytes.
  RunSteps<4, 0>({{S::kSetSize, 5, 8, false},
                  {S::kSetSize, 8, 8, true},
                  {S::kSetSize, 7, 8, true},
                  {S::kSetSize, 4, 4, false},
                  {S::kSetSize, 0, 0, false}});
  // Exact size: any change reallocates.
  RunSteps<1, 0>({{S::kSetSize, 3, 3, false}, {S::kSetSize, 3, 3, true}, {S::kSetSize, 2, 2, false}});
  // Strings: up to 128 spare bytes are kept.
  RunSteps<1, 128>({{S::kSetSize, 300, 300, false},
                    {S::kSetSize, 172, 300, true},
                    {S::kSetSize, 171, 171, false},
                    {S::kSetSize, 0, 0, false}});
  // Queue storage: 1024 spare is not more than 1024, so SetSize (0) keeps the block.
  RunSteps<1024, 1024>({{S::kSetSize, 4, 1024, false},
                        {S::kSetSize, 0, 1024, true},
                        {S::kSetSize, 1025, 2048, false},
                        {S::kSetSize, 1024, 2048, true},
                        {S::kSetSize, 1023, 1024, false}});
  // Pool lists: the threshold is the slack alone, not slack plus granule.
  RunSteps<4, 6400>({{S::kSetSize, 6404, 6404, false}, {S::kSetSize, 4, 6404, true}, {S::kSetSize, 3, 4, false}});
}

TEST_F(BufferTest, AllocateKeepsOrReplacesTheBlockByRoundedSize) {
  using S = Step;
  // Same rounded size: block and contents stay. Different: a new block, nothing copied.
  RunSteps<16, 0>({{S::kAllocate, 16, 16, false}, {S::kAllocate, 10, 16, true}});
  RunSteps<16, 0>({{S::kAllocate, 32, 32, false}, {S::kAllocate, 10, 16, false}, {S::kAllocate, 0, 0, false}});

  TestBuffer<16, 0> b;
  b.Allocate(16);
  std::memset(b.GetData(), 'k', 16);
  b.Allocate(10);
  EXPECT_EQ(std::string(b.GetData(), 10), std::string(10, 'k'));
  b.Allocate(32);
  EXPECT_EQ(b.GetData()[0], static_cast<char>(0xCD)) << "Allocate must not copy";
  EXPECT_EQ(Heap().reallocs, 0);

  TestBuffer<16, 0> empty;
  const int allocs = Heap().allocs;
  EXPECT_EQ(empty.Allocate(0), 0u);
  ExpectEmpty(empty);
  EXPECT_EQ(Heap().allocs, allocs);
}

TEST_F(BufferTest, ConstructorReserveSurvivesOnlyWithinTheThreshold) {
  {
    TestBuffer<1, 128> b(0, 0, true);
    ExpectEmpty(b);
    EXPECT_EQ(Heap().allocs, 0);
  }
  {
    TestBuffer<1, 128> b(2, 0, true);
    EXPECT_EQ(b.GetSize(), 2u);
    EXPECT_EQ(b.GetCapacity(), 2u);
    EXPECT_EQ(std::string(b.GetData(), 2), std::string(2, '\0'));
  }
  {
    TestBuffer<1, 128> b(3, 100, false); // 97 spare: kept, unrounded
    EXPECT_EQ(b.GetCapacity(), 100u);
    EXPECT_EQ(b.GetData()[0], static_cast<char>(0xCD)) << "not zero-filled";
  }
  {
    TestBuffer<4, 0> b(1, 100, true); // the reserve is shrunk away at once
    EXPECT_EQ(b.GetSize(), 1u);
    EXPECT_EQ(b.GetCapacity(), 4u);
    EXPECT_EQ(b.GetData()[0], 0);
  }
  {
    TestBuffer<1024, 1024> b(0, 1024, false);
    EXPECT_EQ(b.GetSize(), 0u);
    EXPECT_EQ(b.GetCapacity(), 1024u);
    EXPECT_NE(b.GetData(), nullptr);
    EXPECT_EQ(b.GetDataAt(0), nullptr);
  }
  {
    TestBuffer<1024, 1024> b(0, 256, false);
    EXPECT_EQ(b.GetCapacity(), 256u);
    b.SetSize(300);
    EXPECT_EQ(b.GetCapacity(), 1024u);
  }
  EXPECT_EQ(Heap().allocs, Heap().frees) << "every block freed by the destructor";
}

TEST_F(BufferTest, GetDataAtIsNullAtOrPastTheSize) {
  TestBuffer<8, 0> b;
  EXPECT_EQ(b.GetDataAt(0), nullptr);
  b.SetSize(5);
  EXPECT_EQ(b.GetDataAt(0), b.GetData());
  EXPECT_EQ(b.GetDataAt(4), b.GetData() + 4);
  EXPECT_EQ(b.GetDataAt(5), nullptr);
  EXPECT_EQ(b.GetDataAt(7), nullptr) << "inside the capacity but past the size";
  EXPECT_EQ(b.GetDataAt(0xFFFFFFFFu), nullptr);
}

TEST_F(BufferTest, Fill8AndFill16RangesAndResults) {
  struct Case {
    bool wide;
    int value;
    std::uint32_t offset;
    std::int32_t count;
    QZRESULT result;
    const char* bytes; // the 5 bytes afterwards, '.' for untouched
  } cases[] = {
      {false, 0x141, 0, -1, S_OK, "AAAAA"},
      {false, 'B', 3, -1, S_OK, "...BB"},
      {false, 'B', 5, -1, S_OK, "....."},
      {false, 'B', 6, -1, E_INVALIDARG, "....."},
      {false, 'B', 1, 2, S_OK, ".BB.."},
      {false, 'B', 5, 0, S_OK, "....."},
      {false, 'B', 5, 1, E_INVALIDARG, "....."},
      {false, 'B', 4, 2, E_INVALIDARG, "....."},
      {false, 'B', 0xFFFFFFFFu, 1, E_INVALIDARG, "....."},
      {true, 0x10000 + ('D' << 8) + 'C', 0, -1, S_OK, "CDCD."},
      {true, ('D' << 8) + 'C', 1, -1, S_OK, ".CDCD"},
      {true, ('D' << 8) + 'C', 4, -1, S_OK, "....."},
      {true, ('D' << 8) + 'C', 1, 1, S_OK, ".CD.."},
      {true, ('D' << 8) + 'C', 3, 1, S_OK, "...CD"},
      {true, ('D' << 8) + 'C', 4, 1, E_INVALIDARG, "....."},
      {true, ('D' << 8) + 'C', 5, 0, S_OK, "....."},
      {true, ('D' << 8) + 'C', 6, -1, E_INVALIDARG, "....."},
      {true, ('D' << 8) + 'C', 0, 0x7FFFFFFF, E_INVALIDARG, "....."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.wide ? "Fill16" : "Fill8") + " offset " + std::to_string(c.offset) + " count " +
                 std::to_string(c.count));
    TestBuffer<1, 0> b(5);
    std::memset(b.GetData(), '.', 5);
    const QZRESULT r = c.wide ? b.Fill16(c.value, c.offset, c.count) : b.Fill8(c.value, c.offset, c.count);
    EXPECT_EQ(r, c.result);
    EXPECT_EQ(std::string(b.GetData(), 5), c.bytes);
  }
  TestBuffer<1, 0> empty;
  EXPECT_EQ(empty.Fill8('x', 0, -1), S_OK);
  EXPECT_EQ(empty.Fill16('x', 0, -1), S_OK);
  EXPECT_EQ(empty.Fill8('x', 0, 0), S_OK);
  EXPECT_EQ(empty.Fill8('x', 0, 1), E_INVALIDARG);
}

TEST_F(BufferTest, FailedAllocationThrowsAndLeavesTheBufferIntact) {
  TestBuffer<4, 0> b;
  b.SetSize(6);
  std::memcpy(b.GetData(), "abcdef", 6);
  char* const data = b.GetData();

  Heap().succeedCount = 0;
  EXPECT_THROW(b.SetSize(100), std::bad_alloc);
  EXPECT_THROW(b.Allocate(100), std::bad_alloc);
  // Sizes whose rounded capacity does not fit 32 bits never reach the heap.
  Heap().succeedCount = -1;
  EXPECT_THROW(b.SetSize(0xFFFFFFFFu), std::bad_alloc);
  EXPECT_THROW(b.Allocate(0xFFFFFFFEu), std::bad_alloc);
  EXPECT_EQ(b.GetSize(), 6u);
  EXPECT_EQ(b.GetCapacity(), 8u);
  EXPECT_EQ(b.GetData(), data);
  EXPECT_EQ(std::string(b.GetData(), 6), "abcdef");

  TestBuffer<4, 0> empty;
  Heap().succeedCount = 0;
  EXPECT_THROW(empty.SetSize(1), std::bad_alloc);
  ExpectEmpty(empty);

  // The reserve is made, then the shrink to the size fails: the reserve must not leak.
  Heap().succeedCount = 1;
  EXPECT_THROW((TestBuffer<4, 0>(1, 100, true)), std::bad_alloc);
  Heap().succeedCount = 0;
  try {
    TestBuffer<1, 128> failed(0, 10, true);
    ADD_FAILURE() << "no exception";
  } catch (const ExceptionBase& e) {
    EXPECT_STREQ(e.what(), "bad allocation");
  }
  Heap().succeedCount = -1;
  EXPECT_EQ(b.SetSize(100), 100u) << "usable again once the heap recovers";
  EXPECT_EQ(std::string(b.GetData(), 6), "abcdef");
}

TEST(SystemAllocator, OneInstanceWithReleasingRealloc) {
  IAllocator& heap = GetSystemAllocator();
  EXPECT_EQ(&heap, &GetSystemAllocator());
  void* block = heap.Alloc(8);
  ASSERT_NE(block, nullptr);
  std::memcpy(block, "abcdefgh", 8);
  block = heap.Realloc(block, 4096);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::memcmp(block, "abcdefgh", 8), 0);
  EXPECT_EQ(heap.Realloc(block, 0), nullptr); // released; LeakSanitizer would notice otherwise
  void* zeros = heap.Calloc(3, 4);
  ASSERT_NE(zeros, nullptr);
  EXPECT_EQ(std::memcmp(zeros, "\0\0\0\0\0\0\0\0\0\0\0\0", 12), 0);
  heap.Free(zeros);
  heap.Free(nullptr);
}

} // namespace
} // namespace QZ
