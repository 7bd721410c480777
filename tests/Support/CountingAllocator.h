#pragma once
// An allocator for tests: counts calls, scribbles over new blocks so that
// zero-filling is visible, and can be told to fail.

#include "QZFramework/Utilities/Storage/Allocator.h"

#include <cstdlib>
#include <cstring>

namespace QZ::test {

class CountingAllocator final : public IAllocator {
public:
  void* Alloc(std::size_t size) override {
    ++allocs;
    lastSize = size;
    if (Failing())
      return nullptr;
    void* block = std::malloc(size);
    std::memset(block, 0xCD, size);
    return block;
  }
  void* Calloc(std::size_t count, std::size_t size) override {
    ++allocs;
    return Failing() ? nullptr : std::calloc(count, size);
  }
  void* Realloc(void* block, std::size_t size) override {
    ++reallocs;
    lastSize = size;
    if (size == 0) {
      std::free(block);
      return nullptr;
    }
    return Failing() ? nullptr : std::realloc(block, size);
  }
  void Free(void* block) override {
    if (block)
      ++frees;
    std::free(block);
  }

  void Reset() { *this = CountingAllocator(); }

  int allocs = 0;
  int reallocs = 0;
  int frees = 0;
  std::size_t lastSize = 0; // of the latest Alloc or Realloc
  // Number of further allocations that succeed; negative means no limit.
  int succeedCount = -1;

private:
  bool Failing() {
    if (succeedCount < 0)
      return false;
    if (succeedCount == 0)
      return true;
    --succeedCount;
    return false;
  }
};

inline CountingAllocator& GetCountingAllocatorInstance() {
  static CountingAllocator instance;
  return instance;
}

inline IAllocator& GetCountingAllocator() { return GetCountingAllocatorInstance(); }

} // namespace QZ::test
