#pragma once
// Byte storage that grows in granules and shrinks only past a slack.
//
// Heap exhaustion: a failed Alloc or Realloc throws Exception<std::bad_alloc>
// and leaves the buffer as it was, so no buffer ever holds a capacity without a
// block. A size whose rounded capacity does not fit 32 bits is treated alike.

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/Utilities/Storage/Allocator.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <type_traits>

namespace QZ {

using AllocatorFunction = IAllocator& (*)();

// Sizes and offsets are byte counts. GetData is shallow-const, like a raw
// pointer member: const holders (ConstRCPtr) may still read and write the bytes.
struct IBuffer {
  virtual std::uint32_t GetSize() const = 0;
  virtual std::uint32_t Allocate(std::uint32_t n) = 0;
  virtual std::uint32_t SetSize(std::uint32_t n) = 0;
  virtual QZRESULT Fill8(int value, std::uint32_t offset, std::int32_t count) = 0;
  virtual QZRESULT Fill16(int value, std::uint32_t offset, std::int32_t count) = 0;
  virtual std::uint32_t GetCapacity() const = 0;
  virtual char* GetData() const = 0;
  virtual ~IBuffer() = default;

  // Null for any offset at or past the size.
  char* GetDataAt(std::uint32_t offset) const { return offset < GetSize() ? GetData() + offset : nullptr; }
};

[[noreturn]] inline void ThrowBufferAllocationFailed() { throw Exception<std::bad_alloc>(); }

template <std::uint32_t Granularity, std::uint32_t Slack, std::uint32_t Alignment = 8, class TPtr = char*,
          AllocatorFunction AllocatorFn = GetSystemAllocator>
class BufferT : public virtual IBuffer {
  static_assert(Granularity > 0, "granule must not be empty");
  static_assert(std::is_pointer_v<TPtr>, "data type must be a pointer");

public:
  // A reserve (capacity above size) is allocated unrounded, then SetSize applies
  // the shrink rule, so it survives only within the slack.
  explicit BufferT(std::uint32_t size = 0, std::uint32_t capacity = 0, bool zeroFill = false) {
    if (capacity > size) {
      void* block = AllocatorFn().Alloc(capacity);
      if (!block)
        ThrowBufferAllocationFailed();
      Attach(block, capacity);
    }
    try {
      BufferT::SetSize(size);
    } catch (...) {
      FreeBlock(); // the destructor does not run for a failed constructor
      throw;
    }
    if (size != 0 && zeroFill)
      std::memset(mBlock, 0, size);
  }

  BufferT(const BufferT&) = delete;
  BufferT& operator=(const BufferT&) = delete;

  ~BufferT() override { FreeBlock(); }

  std::uint32_t GetSize() const override { return mSize; }

  // Contents are dropped unless the rounded size equals the capacity.
  std::uint32_t Allocate(std::uint32_t n) override {
    if (n == 0) {
      FreeBlock();
      return 0;
    }
    const std::uint32_t capacity = RoundUp(n);
    if (capacity != mCapacity) {
      // The new block comes first, so a failure leaves the old one in place.
      void* block = AllocatorFn().Alloc(capacity);
      if (!block)
        ThrowBufferAllocationFailed();
      if (mBlock)
        AllocatorFn().Free(mBlock);
      Attach(block, capacity);
    }
    mSize = n;
    return n;
  }

  std::uint32_t SetSize(std::uint32_t n) override {
    if (mCapacity == 0)
      return BufferT::Allocate(n);
    if (mCapacity < n || mCapacity - n > kShrinkThreshold) {
      const std::uint32_t capacity = RoundUp(n);
      void* block = AllocatorFn().Realloc(mBlock, capacity); // 0 releases the block
      if (!block && capacity != 0)
        ThrowBufferAllocationFailed(); // realloc keeps the old block on failure
      Attach(block, capacity);
    }
    mSize = n;
    return n;
  }

  QZRESULT Fill8(int value, std::uint32_t offset, std::int32_t count) override {
    std::uint64_t n;
    if (count < 0) {
      if (offset > mSize)
        return E_INVALIDARG;
      n = mSize - offset;
    } else {
      if (std::uint64_t{offset} + static_cast<std::uint64_t>(count) > mSize)
        return E_INVALIDARG;
      n = static_cast<std::uint64_t>(count);
    }
    if (n != 0)
      std::memset(GetData() + offset, value & 0xFF, n);
    return S_OK;
  }

  // Units start at a byte offset and may be unaligned; an odd trailing byte stays.
  QZRESULT Fill16(int value, std::uint32_t offset, std::int32_t count) override {
    std::uint64_t n;
    if (count < 0) {
      if (offset > mSize)
        return E_INVALIDARG;
      n = (mSize - offset) / 2;
    } else {
      if (std::uint64_t{offset} + 2 * static_cast<std::uint64_t>(count) > mSize)
        return E_INVALIDARG;
      n = static_cast<std::uint64_t>(count);
    }
    const std::uint16_t unit = static_cast<std::uint16_t>(value & 0xFFFF);
    for (std::uint64_t i = 0; i < n; ++i)
      std::memcpy(GetData() + offset + 2 * i, &unit, sizeof unit);
    return S_OK;
  }

  std::uint32_t GetCapacity() const override { return mCapacity; }
  char* GetData() const override { return static_cast<char*>(mBlock); }

  // The data as the instance's element pointer type.
  TPtr GetTypedData() const { return mData; }

  static constexpr std::uint32_t kGranularity = Granularity;
  static constexpr std::uint32_t kSlack = Slack;

private:
  // Slack-0 instances still keep up to one granule minus a byte spare.
  static constexpr std::uint32_t kShrinkThreshold = std::max(Slack, Granularity - 1);

  static std::uint32_t RoundUp(std::uint32_t n) {
    const std::uint64_t rounded = (std::uint64_t{n} + Granularity - 1) / Granularity * Granularity;
    if (rounded > UINT32_MAX)
      ThrowBufferAllocationFailed();
    return static_cast<std::uint32_t>(rounded);
  }

  void Attach(void* block, std::uint32_t capacity) noexcept {
    mBlock = block;
    mData = static_cast<TPtr>(block);
    mCapacity = block ? capacity : 0;
  }

  void FreeBlock() noexcept {
    if (mBlock)
      AllocatorFn().Free(mBlock);
    mData = nullptr;
    mSize = 0;
    mBlock = nullptr;
    mCapacity = 0;
  }

  TPtr mData = nullptr;
  std::uint32_t mSize = 0;
  void* mBlock = nullptr;
  std::uint32_t mCapacity = 0;
};

} // namespace QZ
