#pragma once
// Sorting of the contiguous arrays (anything with GetCount, GetData): Sort is
// an introspective quicksort in place, SortIndecies a stable sort of a view of
// indexes into an array. Comparators answer whether the left item goes before
// the right one.
//
// Sort only ever exchanges items, through the array's own Swap: smart pointers
// trade what they hold without count changes (no private copies of unshareable
// objects). A comparator that is not a strict weak order gives some order,
// never a read outside the range.

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/BufferT.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <type_traits>
#include <utility>

namespace QZ {
namespace ArrayUtils {

// Where this header's exceptions say they come from.
inline constexpr const char* kSourcePath = "utilities\\Storage/ArrayUtils";
namespace Detail {

// The items of an array, exchanged through the array's own Swap (smart-pointer
// arrays trade what the slots hold; lists with parallel arrays keep them together).
template <class A>
struct ArrayItems {
  A& array;
  decltype(std::declval<A&>().GetData()) data;

  auto& operator[](std::uint32_t i) const { return data[i]; }
  void Swap(std::uint32_t a, std::uint32_t b) const {
    if (a != b)
      array.Swap(a, b);
  }
};

template <class I>
struct PlainItems {
  I* data;

  I& operator[](std::uint32_t i) const { return data[i]; }
  void Swap(std::uint32_t a, std::uint32_t b) const { std::swap(data[a], data[b]); }
};

inline constexpr std::uint32_t kInsertionSortMax = 32;

// Stable: an item moves down only past items that go strictly after it.
template <class S, class Compare>
void InsertionSort(const S& data, std::uint32_t first, std::uint32_t last, Compare& comp) {
  for (std::uint32_t i = first + 1; i < last; ++i) {
    for (std::uint32_t j = i; j > first && comp(data[j], data[j - 1]); --j)
      data.Swap(j, j - 1);
  }
}

template <class S, class Compare>
void SiftDown(const S& data, std::uint32_t first, std::uint32_t root, std::uint32_t count, Compare& comp) {
  for (;;) {
    std::uint32_t child = 2 * root + 1;
    if (child >= count)
      return;
    if (child + 1 < count && comp(data[first + child], data[first + child + 1]))
      ++child;
    if (!comp(data[first + root], data[first + child]))
      return;
    data.Swap(first + root, first + child);
    root = child;
  }
}

template <class S, class Compare>
void HeapSort(const S& data, std::uint32_t first, std::uint32_t last, Compare& comp) {
  const std::uint32_t count = last - first;
  for (std::uint32_t i = count / 2; i-- > 0;)
    SiftDown(data, first, i, count, comp);
  for (std::uint32_t end = count; end-- > 1;) {
    data.Swap(first, first + end);
    SiftDown(data, first, 0, end, comp);
  }
}

// Puts the median of first, middle and last - 1 at first, partitions around it
// and returns the pivot's final index. Items equal to the pivot stop both scans,
// so runs of equal items split evenly.
template <class S, class Compare>
std::uint32_t Partition(const S& data, std::uint32_t first, std::uint32_t last, Compare& comp) {
  const std::uint32_t mid = first + (last - first) / 2;
  const std::uint32_t back = last - 1;
  if (comp(data[mid], data[first]))
    data.Swap(mid, first);
  if (comp(data[back], data[mid])) {
    data.Swap(back, mid);
    if (comp(data[mid], data[first]))
      data.Swap(mid, first);
  }
  data.Swap(first, mid);

  std::uint32_t i = first + 1;
  std::uint32_t j = back;
  for (;;) {
    while (i <= j && comp(data[i], data[first]))
      ++i;
    while (i <= j && comp(data[first], data[j]))
      --j;
    if (i >= j)
      break;
    data.Swap(i, j);
    ++i;
    --j;
  }
  data.Swap(first, j);
  return j;
}

// Partitions while ranges exceed the insertion-sort size and the depth budget
// lasts, recursing into the smaller side only.
template <class S, class Compare>
void IntroSort(const S& data, std::uint32_t first, std::uint32_t last, std::uint32_t depth, Compare& comp) {
  while (last - first > kInsertionSortMax) {
    if (depth == 0) {
      HeapSort(data, first, last, comp);
      return;
    }
    --depth;
    const std::uint32_t pivot = Partition(data, first, last, comp);
    if (pivot - first < last - pivot - 1) {
      IntroSort(data, first, pivot, depth, comp);
      first = pivot + 1;
    } else {
      IntroSort(data, pivot + 1, last, depth, comp);
      last = pivot;
    }
  }
  InsertionSort(data, first, last, comp);
}

// About 1.5 log2(count) partitioning levels.
inline std::uint32_t DepthBudget(std::uint32_t count) {
  std::uint32_t log2 = 0;
  while (count >>= 1)
    ++log2;
  return log2 + log2 / 2;
}

// Bottom-up merge sort over a temporary buffer; runs of up to 32 are first
// insertion-sorted. Equal items keep their order.
template <class I, class Compare>
void StableSort(I* data, std::uint32_t count, Compare& comp) {
  const PlainItems<I> items{data};
  for (std::uint32_t first = 0; first < count; first += kInsertionSortMax)
    InsertionSort(items, first, std::min(count, first + kInsertionSortMax), comp);
  if (count <= kInsertionSortMax)
    return;
  std::unique_ptr<I[]> buffer(new I[count]);
  I* from = data;
  I* to = buffer.get();
  for (std::uint64_t width = kInsertionSortMax; width < count; width *= 2) {
    for (std::uint64_t left = 0; left < count; left += 2 * width) {
      const std::uint32_t mid = static_cast<std::uint32_t>(std::min<std::uint64_t>(left + width, count));
      const std::uint32_t end = static_cast<std::uint32_t>(std::min<std::uint64_t>(left + 2 * width, count));
      std::uint32_t a = static_cast<std::uint32_t>(left);
      std::uint32_t b = mid;
      std::uint32_t out = a;
      while (a < mid && b < end)
        to[out++] = comp(from[b], from[a]) ? from[b++] : from[a++];
      while (a < mid)
        to[out++] = from[a++];
      while (b < end)
        to[out++] = from[b++];
    }
    std::swap(from, to);
  }
  if (from != data)
    std::copy(from, from + count, data);
}

} // namespace Detail

// Sorts items start .. start + count - 1 in place. Equal items keep their
// order only when the range holds at most 32 items.
template <class A, class Compare>
void Sort(A& array, std::uint32_t start, std::uint32_t count, Compare comp) {
  if (std::uint64_t{start} + count > array.GetCount())
    ThrowException<std::out_of_range>("", "QZ::ArrayUtils::Sort", kSourcePath, 255);
  if (count < 2)
    return;
  const Detail::ArrayItems<A> items{array, array.GetData()};
  Detail::IntroSort(items, start, start + count, Detail::DepthBudget(count), comp);
}

// Fills view with the indexes start .. start + count - 1 of array and sorts
// them stably; comp receives two indexes.
template <class View, class A, class Compare>
void SortIndecies(View& view, const A& array, std::uint32_t start, std::uint32_t count, Compare comp) {
  if (std::uint64_t{start} + count > array.GetCount())
    ThrowException<std::out_of_range>("", "QZ::ArrayUtils::SortIndecies", kSourcePath, 268);
  using Index = std::remove_reference_t<decltype(*view.GetData())>;
  static_assert(std::is_integral_v<Index>, "a view holds indexes");
  if (view.SetSize(count) != static_cast<std::int32_t>(count))
    ThrowBufferAllocationFailed();
  Index* indexes = view.GetData();
  for (std::uint32_t i = 0; i < count; ++i)
    indexes[i] = static_cast<Index>(start + i);
  if (count >= 2)
    Detail::StableSort(indexes, count, comp);
}

} // namespace ArrayUtils
} // namespace QZ
