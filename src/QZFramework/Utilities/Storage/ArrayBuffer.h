#pragma once
// Arrays of plain values in a BufferT: ArrayBuffer grows by GrowBy elements and
// shrinks only past MaxSpare spare ones (the buffer's granule and slack, in
// bytes: GrowBy and MaxSpare times the element size); ArrayBufferM keeps up to M
// elements in an inline store and uses the heap only beyond that.
//
// The buffer is a member rather than a base: IBuffer and IArray both name
// SetSize and GetData, with byte and element meanings.

#include "QZFramework/Utilities/Storage/BufferT.h"
#include "QZFramework/Utilities/Storage/Iterable.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace QZ {

// Unit: always 1. Alignment: the buffer's, always 8.
template <class T, std::uint32_t GrowBy = 1, std::uint32_t MaxSpare = 0, std::uint32_t Unit = 1,
          std::uint32_t Alignment = 8, AllocatorFunction AllocatorFn = GetSystemAllocator>
class ArrayBuffer : public IArray<T> {
  static_assert(std::is_trivially_copyable_v<T>, "elements are moved and zeroed as bytes");
  static_assert(GrowBy > 0, "must grow");

public:
  using Storage = BufferT<GrowBy * sizeof(T), MaxSpare * sizeof(T), Alignment, T*, AllocatorFn>;

  ArrayBuffer() = default;
  ArrayBuffer(const ArrayBuffer&) = delete;
  ArrayBuffer& operator=(const ArrayBuffer&) = delete;
  virtual ~ArrayBuffer() = default;

  std::uint32_t GetCount() const override { return mBuffer.GetSize() / kSize; }

  QZRESULT Swap(std::uint32_t a, std::uint32_t b) override {
    const std::uint32_t count = this->GetCount();
    if (a >= count || b >= count)
      return E_INVALIDARG;
    T* data = this->GetData();
    const T temp = data[a];
    data[a] = data[b];
    data[b] = temp;
    return S_OK;
  }

  // The new count (an Array returns the index).
  std::int32_t InsertItem(std::uint32_t index, const T& item) override {
    const T value = item; // item may live in our storage, which InsertSpace moves
    const std::int32_t result = InsertSpace(index, 1);
    if (result >= 0)
      this->GetData()[index] = value;
    return result;
  }

  std::int32_t RemoveItem(std::uint32_t index, T& item) override {
    if (index >= this->GetCount())
      return E_INVALIDARG;
    item = this->GetData()[index];
    return RemoveItems(index, 1);
  }

  // Added elements are zero.
  std::int32_t SetSize(std::uint32_t count) override {
    const std::uint32_t old = this->GetCount();
    const std::int32_t result = SetSizeRaw(count);
    if (result >= 0 && count > old)
      std::memset(static_cast<void*>(this->GetData() + old), 0, std::size_t{count - old} * kSize);
    return result;
  }

  std::int32_t InsertSpace(std::uint32_t index, std::uint32_t count) override {
    const std::uint32_t old = this->GetCount();
    if (count == 0)
      return static_cast<std::int32_t>(old);
    if (index > old)
      return E_INVALIDARG;
    if (std::uint64_t{old} + count > kMaxItemCount)
      return E_OUTOFMEMORY;
    if (index == old)
      return SetSize(old + count);
    const std::int32_t result = SetSizeRaw(old + count);
    if (result < 0)
      return result;
    T* data = this->GetData();
    std::memmove(static_cast<void*>(data + index + count), data + index, std::size_t{old - index} * kSize);
    std::memset(static_cast<void*>(data + index), 0, std::size_t{count} * kSize);
    return static_cast<std::int32_t>(old + count);
  }

  // No elements is no error, whatever the index.
  std::int32_t RemoveItems(std::uint32_t index, std::uint32_t count) override {
    const std::uint32_t old = this->GetCount();
    if (count == 0)
      return static_cast<std::int32_t>(old);
    if (std::uint64_t{index} + count > old)
      return E_INVALIDARG;
    if (old - index - count > 0) {
      T* data = this->GetData();
      std::memmove(static_cast<void*>(data + index), data + index + count,
                   std::size_t{old - index - count} * kSize);
    }
    return SetSizeRaw(old - count);
  }

  const T* GetData() const override { return mBuffer.GetTypedData(); }
  T* GetData() override { return mBuffer.GetTypedData(); }

  // Resizes without initialising added elements.
  virtual std::int32_t SetSizeRaw(std::uint32_t count) {
    if (count > kMaxCount)
      return E_OUTOFMEMORY;
    return static_cast<std::int32_t>(mBuffer.SetSize(count * kSize) / kSize);
  }

protected:
  static constexpr std::uint32_t kSize = sizeof(T);
  // Counts whose byte size still fits the buffer's 32-bit size.
  static constexpr std::uint32_t kMaxCount = std::min<std::uint32_t>(kMaxItemCount, UINT32_MAX / sizeof(T));

  Storage mBuffer;
};

template <class T, std::uint32_t M, std::uint32_t GrowBy = 1, std::uint32_t MaxSpare = 0, std::uint32_t Unit = 1,
          std::uint32_t Alignment = 8, AllocatorFunction AllocatorFn = GetSystemAllocator>
class ArrayBufferM : public ArrayBuffer<T, GrowBy, MaxSpare, Unit, Alignment, AllocatorFn> {
  using Base = ArrayBuffer<T, GrowBy, MaxSpare, Unit, Alignment, AllocatorFn>;
  static_assert(M > 0, "no inline store");

public:
  ArrayBufferM() = default;

  // The inline count is 0 whenever the elements are on the heap.
  std::uint32_t GetCount() const override { return mInlineCount != 0 ? mInlineCount : Base::GetCount(); }

  const T* GetData() const override { return GetCount() <= M ? mInline : Base::GetData(); }
  T* GetData() override { return GetCount() <= M ? mInline : Base::GetData(); }

  // Crossing M moves the elements between the inline store and the heap.
  std::int32_t SetSizeRaw(std::uint32_t count) override {
    const std::uint32_t old = GetCount();
    if (old <= M) {
      if (count <= M) {
        mInlineCount = count;
      } else {
        if (count > Base::kMaxCount)
          return E_OUTOFMEMORY;
        this->mBuffer.Allocate(count * Base::kSize);
        std::memcpy(static_cast<void*>(this->mBuffer.GetTypedData()), mInline, std::size_t{old} * Base::kSize);
        mInlineCount = 0;
      }
    } else if (count > M) {
      return Base::SetSizeRaw(count);
    } else {
      std::memcpy(static_cast<void*>(mInline), this->mBuffer.GetTypedData(), std::size_t{count} * Base::kSize);
      mInlineCount = count;
      this->mBuffer.Allocate(0);
    }
    return static_cast<std::int32_t>(count);
  }

private:
  std::uint32_t mInlineCount = 0;
  T mInline[M] = {};
};

} // namespace QZ
