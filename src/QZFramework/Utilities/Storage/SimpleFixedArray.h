#pragma once
// SimpleFixedArray<T, N>: at most N elements in an inline store; never allocates.

#include "QZFramework/Utilities/Storage/Iterable.h"

#include <algorithm>
#include <cstdint>

namespace QZ {

template <class T, std::uint32_t N>
class SimpleFixedArray final : public IArray<T> {
  static_assert(N > 0 && N <= kMaxItemCount, "bad inline capacity");

public:
  SimpleFixedArray() = default;
  SimpleFixedArray(const SimpleFixedArray&) = default;
  SimpleFixedArray& operator=(const SimpleFixedArray&) = default;

  std::uint32_t GetCount() const override { return mCount; }
  std::uint32_t GetMaxCount() const override { return N; }

  // An index at or past the count is refused rather than read.
  std::int32_t RemoveItem(std::uint32_t index, T& item) override {
    if (index >= mCount)
      return E_INVALIDARG;
    return IArray<T>::RemoveItem(index, item);
  }

  // A larger count is cut to N and reported as such, not as an error. New
  // elements keep whatever the store held.
  std::int32_t SetSize(std::uint32_t count) override {
    mCount = std::min(count, N);
    return static_cast<std::int32_t>(mCount);
  }

  std::int32_t InsertSpace(std::uint32_t index, std::uint32_t count) override {
    if (count == 0)
      return static_cast<std::int32_t>(mCount);
    if (index > mCount || std::uint64_t{mCount} + count > N)
      return E_INVALIDARG;
    const std::uint32_t old = mCount;
    SetSize(mCount + count);
    std::move_backward(mStore + index, mStore + old, mStore + old + count);
    return static_cast<std::int32_t>(mCount);
  }

  std::int32_t RemoveItems(std::uint32_t index, std::uint32_t count) override {
    if (count == 0)
      return static_cast<std::int32_t>(mCount);
    if (std::uint64_t{index} + count > mCount)
      return E_INVALIDARG;
    std::move(mStore + index + count, mStore + mCount, mStore + index);
    return SetSize(mCount - count);
  }

  const T* GetData() const override { return mStore; }
  T* GetData() override { return mStore; }

private:
  std::uint32_t mCount = 0;
  T mStore[N] = {};
};

} // namespace QZ
