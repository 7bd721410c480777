#pragma once
// Pool of fixed-size records for one class, for objects made and dropped at a
// high rate. Freed records are handed out again, last freed first; records go
// back to the heap only when the pool is destroyed. A pooled class routes its
// operator new and delete here:
//
//   static void* operator new(std::size_t size) { return sPool.Allocate(size); }
//   static void operator delete(void* p) { sPool.Free(p); }
//
// Every block handed out, record or not, carries a header whose last word sits
// immediately in front of the storage: a record's index, or kHeapBlock for a
// block of another size (a derived class) taken from the heap. Free reads only
// that header, so it never reads in front of a block that isn't ours.

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/Allocator.h"
#include "QZFramework/Utilities/Storage/ArrayBuffer.h"
#include "QZFramework/Utilities/Threading/OptionalLockGuard.h"
#include "QZFramework/Utilities/Threading/SpinLock.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace QZ {

template <class T, std::uint32_t N>
class ReuseAllocator {
public:
  static constexpr std::uint32_t kHeapBlock = 0xFFFFFFFF;

  // Header in front of the storage, padded so the storage keeps the alignment
  // of both T and the heap.
  static constexpr std::size_t kAlignment = std::max(alignof(T), alignof(std::max_align_t));
  static constexpr std::size_t kHeaderSize = kAlignment;

  // One record: header (the index word last) and storage for one T.
  struct Buf {
    unsigned char* Storage() { return mBytes + kHeaderSize; }
    alignas(kAlignment) unsigned char mBytes[kHeaderSize + sizeof(T)];
  };

  // useLock: the pool is shared between threads.
  explicit ReuseAllocator(bool useLock) : mLock(useLock ? new SpinLock : nullptr) {
    // Room for N entries reserved up front; the slack keeps it.
    mBlocks.SetSize(1);
    mBlocks.SetSize(0);
    mFree.SetSize(1);
    mFree.SetSize(0);
  }

  ReuseAllocator(const ReuseAllocator&) = delete;
  ReuseAllocator& operator=(const ReuseAllocator&) = delete;

  // Frees the records without running any destructor of T: every object must
  // be gone by now.
  virtual ~ReuseAllocator() {
    for (std::uint32_t i = mBlocks.GetCount(); i-- > 0;)
      delete mBlocks.GetData()[i];
    mBlocks.SetSize(0);
    mFree.SetSize(0);
    delete mLock;
  }

  void* Allocate(std::size_t size) {
    if (size != sizeof(T))
      return AllocateFromHeap(size); // a derived class; the pool is not touched
    Guard guard(mLock);
    const std::uint32_t freeCount = mFree.GetCount();
    if (freeCount != 0) {
      const std::uint32_t index = mFree.GetData()[freeCount - 1];
      mFree.SetSize(freeCount - 1);
      return mBlocks.GetData()[index]->Storage();
    }
    const std::uint32_t index = mBlocks.GetCount();
    std::unique_ptr<Buf> record(new Buf);
    if (mBlocks.SetSize(index + 1) < 0)
      throw Exception<std::bad_alloc>();
    WriteIndex(record->Storage(), index);
    mBlocks.GetData()[index] = record.get();
    return record.release()->Storage();
  }

  void Free(void* pointer) noexcept {
    if (!pointer)
      return;
    unsigned char* storage = static_cast<unsigned char*>(pointer);
    {
      Guard guard(mLock);
      const std::uint32_t index = ReadIndex(storage);
      if (index < mBlocks.GetCount() && mBlocks.GetData()[index]->Storage() == storage) {
        const std::uint32_t freeCount = mFree.GetCount();
        try {
          if (mFree.SetSize(freeCount + 1) >= 0)
            mFree.GetData()[freeCount] = index;
        } catch (...) {
          // No room to list it: the record stays with the pool, unused.
        }
        return;
      }
    }
    std::free(storage - kHeaderSize);
  }

private:
  using Guard = OptionalLockGuard<SpinLock>;

  static std::uint32_t ReadIndex(const unsigned char* storage) {
    std::uint32_t index;
    std::memcpy(&index, storage - sizeof index, sizeof index);
    return index;
  }
  static void WriteIndex(unsigned char* storage, std::uint32_t index) {
    std::memcpy(storage - sizeof index, &index, sizeof index);
  }

  static void* AllocateFromHeap(std::size_t size) {
    if (size > SIZE_MAX - 2 * kAlignment)
      throw Exception<std::bad_alloc>();
    const std::size_t total = (kHeaderSize + size + kAlignment - 1) / kAlignment * kAlignment;
    void* block = std::aligned_alloc(kAlignment, total);
    if (!block)
      throw Exception<std::bad_alloc>();
    unsigned char* storage = static_cast<unsigned char*>(block) + kHeaderSize;
    WriteIndex(storage, kHeapBlock);
    return storage;
  }

  ArrayBuffer<Buf*, N, 1600, 1, 8, GetSystemAllocator> mBlocks;
  ArrayBuffer<std::uint32_t, N, 1600, 1, 8, GetSystemAllocator> mFree;
  SpinLock* mLock;
};

} // namespace QZ
