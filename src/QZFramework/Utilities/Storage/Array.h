#pragma once
// Array<T>: elements of any copyable type in a standard vector.

#include "QZFramework/Utilities/Storage/Iterable.h"

#include <cstdint>
#include <stdexcept>
#include <type_traits>
#include <vector>

namespace QZ {

template <class T>
class Array : public IArray<T> {
  static_assert(!std::is_same_v<T, bool>, "vector<bool> has no contiguous storage; use ArrayBuffer<bool>");

public:
  Array() = default;
  Array(const Array&) = default;
  Array& operator=(const Array&) = default;

  std::uint32_t GetCount() const override { return static_cast<std::uint32_t>(mItems.size()); }

  // The standard library's exception, not the framework's.
  T& GetAt(std::uint32_t index) override {
    if (index >= mItems.size())
      throw std::out_of_range("invalid vector<T> subscript");
    return mItems[index];
  }
  const T& GetAt(std::uint32_t index) const override {
    if (index >= mItems.size())
      throw std::out_of_range("invalid vector<T> subscript");
    return mItems[index];
  }

  // The index of the new element (an ArrayBuffer returns the new count).
  std::int32_t InsertItem(std::uint32_t index, const T& item) override {
    if (index > mItems.size())
      return E_INVALIDARG;
    if (mItems.size() >= kMaxItemCount)
      return E_OUTOFMEMORY;
    mItems.insert(mItems.begin() + index, item);
    return static_cast<std::int32_t>(index);
  }

  std::int32_t SetSize(std::uint32_t count) override {
    if (count > kMaxItemCount)
      return E_OUTOFMEMORY;
    mItems.resize(count);
    return Count();
  }

  std::int32_t InsertSpace(std::uint32_t index, std::uint32_t count) override {
    if (index > mItems.size())
      return E_INVALIDARG;
    if (mItems.size() + count > kMaxItemCount)
      return E_OUTOFMEMORY;
    mItems.insert(mItems.begin() + index, count, T());
    return Count();
  }

  // Unlike the array buffers, an index at the count is refused even for no elements.
  std::int32_t RemoveItems(std::uint32_t index, std::uint32_t count) override {
    if (index >= mItems.size() || std::uint64_t{index} + count > mItems.size())
      return E_INVALIDARG;
    mItems.erase(mItems.begin() + index, mItems.begin() + index + count);
    return Count();
  }

  const T* GetData() const override { return mItems.empty() ? nullptr : mItems.data(); }
  T* GetData() override { return mItems.empty() ? nullptr : mItems.data(); }

  virtual ~Array() = default;

private:
  std::int32_t Count() const { return static_cast<std::int32_t>(mItems.size()); }

  std::vector<T> mItems;
};

} // namespace QZ
