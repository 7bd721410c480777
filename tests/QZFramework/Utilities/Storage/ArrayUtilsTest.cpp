#include "QZFramework/Utilities/Storage/ArrayUtils.h"

#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/ArrayBuffer.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"

#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace QZ {
namespace {

struct Item {
  int mKey;
  int mSerial; // position before sorting
};

bool ByKey(const Item& a, const Item& b) { return a.mKey < b.mKey; }

std::vector<Item> Items(std::uint32_t count, int keys, std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<Item> items;
  for (std::uint32_t i = 0; i < count; ++i)
    items.push_back({static_cast<int>(random() % static_cast<std::uint32_t>(keys)), static_cast<int>(i)});
  return items;
}

void Fill(ArrayBuffer<Item>& array, const std::vector<Item>& items) {
  array.SetSize(static_cast<std::uint32_t>(items.size()));
  std::copy(items.begin(), items.end(), array.GetData());
}

std::vector<int> Serials(const ArrayBuffer<Item>& array) {
  std::vector<int> serials;
  for (std::uint32_t i = 0; i < array.GetCount(); ++i)
    serials.push_back(array.GetData()[i].mSerial);
  return serials;
}

std::string CaughtText(const std::function<void()>& action) { return test::ThrownText<std::out_of_range>(action); }

// Up to 32 items are insertion-sorted, so equal keys keep their order there;
// beyond, the result is ordered but ties may move.
TEST(ArrayUtilsSortTest, OrdersItemsStablyUpToThirtyTwo) {
  struct Case {
    std::uint32_t count;
    int keys;
    bool stable;
  };
  const Case cases[] = {{2, 2, true},   {17, 3, true},    {32, 4, true},      {32, 32, true},
                        {33, 4, false}, {1000, 7, false}, {5000, 5000, false}};
  for (const Case& c : cases) {
    const std::vector<Item> items = Items(c.count, c.keys, c.count);
    std::vector<Item> expected = items;
    std::stable_sort(expected.begin(), expected.end(), ByKey);

    ArrayBuffer<Item> array;
    Fill(array, items);
    ArrayUtils::Sort(array, 0, c.count, ByKey);

    const Item* sorted = array.GetData();
    EXPECT_TRUE(std::is_sorted(sorted, sorted + c.count, ByKey)) << c.count;
    std::vector<int> serials = Serials(array);
    if (c.stable) {
      std::vector<int> stableSerials;
      for (const Item& item : expected)
        stableSerials.push_back(item.mSerial);
      EXPECT_EQ(stableSerials, serials) << c.count;
    }
    std::sort(serials.begin(), serials.end());
    for (std::uint32_t i = 0; i < c.count; ++i)
      ASSERT_EQ(static_cast<int>(i), serials[i]) << "not a permutation, count " << c.count;
  }
}

TEST(ArrayUtilsSortTest, SortsOnlyTheRangeAndChecksIt) {
  Array<int> values;
  for (int v : {9, 8, 7, 6, 5, 4, 3, 2, 1, 0})
    values.AddItem(v);
  ArrayUtils::Sort(values, 3, 5, std::less<int>());
  std::vector<int> result(values.GetData(), values.GetData() + values.GetCount());
  EXPECT_EQ((std::vector<int>{9, 8, 7, 2, 3, 4, 5, 6, 1, 0}), result);

  // Fewer than two items: nothing to do, at any position inside the array.
  ArrayUtils::Sort(values, 10, 0, std::less<int>());
  ArrayUtils::Sort(values, 9, 1, std::less<int>());

  const std::string error = "Out of Range : QZ::ArrayUtils::Sort : utilities\\Storage/ArrayUtils : Line 255";
  EXPECT_EQ(error, CaughtText([&] { ArrayUtils::Sort(values, 8, 3, std::less<int>()); }));
  EXPECT_EQ(error, CaughtText([&] { ArrayUtils::Sort(values, 11, 0, std::less<int>()); }));
  EXPECT_EQ(error, CaughtText([&] { ArrayUtils::Sort(values, 0xFFFFFFFFu, 2, std::less<int>()); }));
  EXPECT_EQ(result, std::vector<int>(values.GetData(), values.GetData() + values.GetCount()));
}

// McIlroy's adversary: items start as "gas" and are frozen to ever larger
// values as the sort compares them, so that every median-of-three pivot comes
// out near an end. Quicksort alone then takes about n^2/4 comparisons; the
// heap-sort fallback keeps the count near n log n.
class Adversary {
public:
  explicit Adversary(std::uint32_t count) : mValues(count, kGas) {}

  bool Less(std::uint32_t x, std::uint32_t y) {
    ++mComparisons;
    if (mValues[x] == kGas && mValues[y] == kGas)
      mValues[x == mCandidate ? x : y] = mSolid++;
    if (mValues[x] == kGas)
      mCandidate = x;
    else if (mValues[y] == kGas)
      mCandidate = y;
    return mValues[x] < mValues[y];
  }

  std::uint64_t mComparisons = 0;
  std::vector<int> mValues;

private:
  static constexpr int kGas = 1 << 30;
  int mSolid = 0;
  std::uint32_t mCandidate = 0;
};

TEST(ArrayUtilsSortTest, AdversarialInputFallsBackToHeapSort) {
  const std::uint32_t count = 4000;
  Adversary adversary(count);
  ArrayBuffer<std::uint32_t> ids;
  ids.SetSize(count);
  for (std::uint32_t i = 0; i < count; ++i)
    ids.GetData()[i] = i;

  ArrayUtils::Sort(ids, 0, count, [&](std::uint32_t a, std::uint32_t b) { return adversary.Less(a, b); });

  EXPECT_LT(adversary.mComparisons, 8u * count * 12) << "quadratic partitioning"; // about 8 n log2 n
  for (std::uint32_t i = 1; i < count; ++i)
    ASSERT_LE(adversary.mValues[ids.GetData()[i - 1]], adversary.mValues[ids.GetData()[i]]);
}

// Comparators that are no order at all: the sort must still only exchange
// items of the range.
TEST(ArrayUtilsSortTest, AnInconsistentComparatorStaysInsideTheRange) {
  std::mt19937 random(7);
  const std::function<bool(const Item&, const Item&)> comparators[] = {
      [&](const Item&, const Item&) { return random() % 2 == 0; },
      [](const Item& a, const Item& b) { return a.mKey >= 0 && b.mKey >= 0; }, // always
      [](const Item& a, const Item& b) { return a.mKey < 0 || b.mKey < 0; },   // never
  };
  for (const auto& comparator : comparators) {
    for (std::uint32_t count : {5u, 32u, 33u, 500u}) {
      ArrayBuffer<Item> array;
      Fill(array, Items(count, 3, count));
      ArrayUtils::Sort(array, 0, count, comparator);
      std::vector<int> serials = Serials(array);
      std::sort(serials.begin(), serials.end());
      for (std::uint32_t i = 0; i < count; ++i)
        ASSERT_EQ(static_cast<int>(i), serials[i]) << count;
    }
  }
}

class Counted : public virtual LRefCountedObject {
public:
  Counted(int key, int* copies) : mKey(key), mCopies(copies) {}
  RCPtr<LRefCountedObject> CreateCopy() const override {
    ++*mCopies;
    return RCPtr<LRefCountedObject>(new Counted(mKey, mCopies));
  }
  int mKey;

private:
  int* mCopies;
};

// Slots trade their pointers: no count changes, so no private copies of
// unshareable objects either.
TEST(ArrayUtilsSortTest, SmartPointersAreExchangedNotCopied) {
  int copies = 0;
  RCPtrArray<Counted> array;
  const std::vector<Item> items = Items(100, 50, 3);
  for (const Item& item : items) {
    array.AddItem(new Counted(item.mKey, &copies));
    array.GetAt(array.GetCount() - 1)->SetUnshareable(true); // the slot is the sole owner
  }
  ArrayUtils::Sort(array, 0, array.GetCount(),
                   [](const RCPtr<Counted>& a, const RCPtr<Counted>& b) { return a->mKey < b->mKey; });
  EXPECT_EQ(0, copies);
  for (std::uint32_t i = 0; i < array.GetCount(); ++i) {
    EXPECT_EQ(1, array.GetAt(i)->GetRefCount());
    if (i > 0) {
      EXPECT_LE(array.GetAt(i - 1)->mKey, array.GetAt(i)->mKey);
    }
  }
}

TEST(ArrayUtilsSortIndeciesTest, FillsTheViewAndSortsItStably) {
  struct Case {
    std::uint32_t size;
    std::uint32_t start;
    std::uint32_t count;
  };
  const Case cases[] = {{0, 0, 0}, {5, 5, 0}, {5, 2, 1}, {10, 3, 7}, {300, 20, 250}};
  for (const Case& c : cases) {
    const std::vector<Item> items = Items(c.size, 4, c.size + 1);
    Array<Item> array;
    for (const Item& item : items)
      array.AddItem(item);
    ArrayBuffer<unsigned, 1, 0> view;
    view.SetSize(400); // an earlier, larger view
    ArrayUtils::SortIndecies(view, array, c.start, c.count,
                             [&](unsigned a, unsigned b) { return items[a].mKey < items[b].mKey; });

    std::vector<unsigned> expected(c.count);
    for (std::uint32_t i = 0; i < c.count; ++i)
      expected[i] = c.start + i;
    std::stable_sort(expected.begin(), expected.end(),
                     [&](unsigned a, unsigned b) { return items[a].mKey < items[b].mKey; });
    EXPECT_EQ(expected, std::vector<unsigned>(view.GetData(), view.GetData() + view.GetCount()))
        << c.size << " " << c.start << " " << c.count;
  }
}

TEST(ArrayUtilsSortIndeciesTest, ARangeBeyondTheArrayThrows) {
  Array<int> array;
  array.SetSize(4);
  ArrayBuffer<unsigned, 1, 0> view;
  view.SetSize(2);
  const std::string error =
      "Out of Range : QZ::ArrayUtils::SortIndecies : utilities\\Storage/ArrayUtils : Line 268";
  EXPECT_EQ(error, CaughtText([&] { ArrayUtils::SortIndecies(view, array, 2, 3, std::less<unsigned>()); }));
  EXPECT_EQ(error, CaughtText([&] { ArrayUtils::SortIndecies(view, array, 5, 0, std::less<unsigned>()); }));
  EXPECT_EQ(2u, view.GetCount()); // untouched
}

} // namespace
} // namespace QZ
