// The container interface, run over every value container with 4-byte elements.

#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/ArrayBuffer.h"
#include "QZFramework/Utilities/Storage/SimpleFixedArray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <vector>

namespace QZ {
namespace {

template <class C>
void Fill(C& a, std::initializer_list<unsigned int> values) {
  ASSERT_EQ(a.SetSize(static_cast<std::uint32_t>(values.size())), static_cast<std::int32_t>(values.size()));
  std::uint32_t i = 0;
  for (unsigned int v : values)
    a.GetAt(i++) = v;
}

std::vector<unsigned int> Items(const IIterable<unsigned int>& a) {
  std::vector<unsigned int> items;
  for (auto it = a.Begin(); !(it == a.End()); ++it)
    items.push_back(*it);
  return items;
}

std::vector<unsigned int> ReverseItems(const IIterable<unsigned int>& a) {
  std::vector<unsigned int> items;
  for (auto it = a.RBegin(); !(it == a.REnd()); ++it)
    items.push_back(*it);
  return items;
}

using V = std::vector<unsigned int>;

template <class C>
class ContainerTest : public ::testing::Test {};

using Containers =
    ::testing::Types<Array<unsigned int>, ArrayBuffer<unsigned int>, ArrayBuffer<unsigned int, 4, 1600>,
                     ArrayBufferM<unsigned int, 4>, SimpleFixedArray<unsigned int, 8>>;
TYPED_TEST_SUITE(ContainerTest, Containers);

TYPED_TEST(ContainerTest, PositionsOfAnEmptyArrayAreNull) {
  TypeParam a;
  EXPECT_EQ(a.GetCount(), 0u);
  EXPECT_EQ(a.FirstPosition(), 0u);
  EXPECT_EQ(a.LastPosition(), 0u);
  EXPECT_EQ(a.EndPosition(), 0u);
  EXPECT_EQ(a.BeforeFirstPosition(), 0u);
  EXPECT_TRUE(a.Begin() == a.End());
  EXPECT_TRUE(a.RBegin() == a.REnd());
  EXPECT_EQ(a.Advance(0, 5), 0u);
  EXPECT_EQ(a.Advance(0, -5), 0u);
  EXPECT_THROW(*a.Begin(), std::out_of_range);
}

TYPED_TEST(ContainerTest, AdvanceStaysBetweenBeforeFirstAndEnd) {
  TypeParam a;
  Fill(a, {10, 20, 30});
  const ItemPosition A = reinterpret_cast<ItemPosition>(a.GetData());
  EXPECT_EQ(a.FirstPosition(), A);
  EXPECT_EQ(a.LastPosition(), A + 8);
  EXPECT_EQ(a.EndPosition(), A + 12);
  EXPECT_EQ(a.BeforeFirstPosition(), A - 4);
  const struct {
    ItemPosition from;
    std::int32_t n;
    ItemPosition to;
  } cases[] = {
      {A, 1, A + 4},  {A, 2, A + 8},  {A, 3, A + 12},      {A, 10, A + 12}, {A, -1, A - 4},
      {A, -3, A - 4}, {A + 8, -2, A}, {A + 12, -1, A + 8}, {A - 4, 1, A},   {A, 0x7FFFFFFF, A + 12},
  };
  for (const auto& c : cases)
    EXPECT_EQ(a.Advance(c.from, c.n), c.to)
        << "from A+" << static_cast<std::intptr_t>(c.from - A) << " by " << c.n;

  EXPECT_EQ(Items(a), (V{10, 20, 30}));
  EXPECT_EQ(ReverseItems(a), (V{30, 20, 10}));
  auto it = a.Begin();
  it += 2;
  EXPECT_EQ(*it, 30u);
  --it;
  EXPECT_EQ(*it, 20u);
  *it = 21;
  EXPECT_EQ(a.GetAt(1), 21u);
  // End and before-first name no element.
  EXPECT_THROW(a.GetAtPosition(a.EndPosition()), std::out_of_range);
  EXPECT_THROW(a.GetAtPosition(a.BeforeFirstPosition()), std::out_of_range);
}

TYPED_TEST(ContainerTest, IndexAtOrPastTheCountIsNeverRead) {
  TypeParam a;
  Fill(a, {1, 2});
  const TypeParam& c = a;
  EXPECT_THROW(a.GetAt(2), std::out_of_range);
  EXPECT_THROW(c.GetAt(2), std::out_of_range);
  EXPECT_EQ(a.Swap(0, 2), E_INVALIDARG);
  EXPECT_EQ(a.Swap(2, 0), E_INVALIDARG);
  EXPECT_EQ(Items(a), (V{1, 2}));
  EXPECT_EQ(a.Swap(0, 1), S_OK);
  EXPECT_EQ(Items(a), (V{2, 1}));
  EXPECT_EQ(a.InsertItem(3, 9), E_INVALIDARG);
  EXPECT_EQ(a.InsertSpace(3, 1), E_INVALIDARG);
  EXPECT_EQ(a.RemoveItems(1, 2), E_INVALIDARG);
  EXPECT_EQ(a.RemoveItems(0xFFFFFFFFu, 2), E_INVALIDARG) << "index + count must not wrap";
  EXPECT_EQ(Items(a), (V{2, 1}));
}

TYPED_TEST(ContainerTest, SetItemsAppendItemsAndRemoveAll) {
  TypeParam a, b;
  Fill(a, {1, 2, 3});
  Fill(b, {7, 8});
  EXPECT_EQ(a.SetItems(b), 2);
  EXPECT_EQ(Items(a), (V{7, 8}));
  EXPECT_EQ(a.SetItems(a), 2) << "from itself";
  EXPECT_EQ(Items(a), (V{7, 8}));

  TypeParam empty;
  EXPECT_EQ(a.AppendItems(empty), 2);
  EXPECT_EQ(a.AppendItemsRaw(empty), 2);
  EXPECT_EQ(a.AppendItems(b), 4);
  EXPECT_EQ(Items(a), (V{7, 8, 7, 8}));
  EXPECT_EQ(b.AppendItems(b), 4) << "onto itself";
  EXPECT_EQ(Items(b), (V{7, 8, 7, 8}));
  // From another kind of container.
  Array<unsigned int> other;
  Fill(other, {5});
  EXPECT_EQ(a.AppendItemsRaw(other), 5);
  EXPECT_EQ(Items(a), (V{7, 8, 7, 8, 5}));

  EXPECT_EQ(a.RemoveAll(), S_OK);
  EXPECT_EQ(a.GetCount(), 0u);
  EXPECT_EQ(empty.RemoveAll(), S_OK);
}

TYPED_TEST(ContainerTest, InsertAndRemoveKeepOrder) {
  TypeParam a;
  Fill(a, {5, 6, 7});
  EXPECT_GE(a.InsertItem(1, 9), 0);
  EXPECT_EQ(Items(a), (V{5, 9, 6, 7}));
  unsigned int out = 0;
  EXPECT_EQ(a.RemoveItem(0, out), 3);
  EXPECT_EQ(out, 5u);
  EXPECT_EQ(a.RemoveLastItem(out), 2);
  EXPECT_EQ(out, 7u);
  EXPECT_EQ(Items(a), (V{9, 6}));
  EXPECT_EQ(a.InsertSpace(1, 2), 4);
  EXPECT_EQ(a.RemoveItems(1, 2), 2);
  EXPECT_EQ(Items(a), (V{9, 6}));
}

TYPED_TEST(ContainerTest, InsertingOneOfItsOwnElements) {
  TypeParam a;
  Fill(a, {1, 2, 3});
  // The reference points into the storage that the insertion moves (or reallocates).
  EXPECT_GE(a.InsertItem(0, a.GetAt(2)), 0);
  EXPECT_EQ(Items(a), (V{3, 1, 2, 3}));
  EXPECT_GE(a.AddItem(a.GetAt(1)), 0);
  EXPECT_EQ(Items(a), (V{3, 1, 2, 3, 1}));
}

TEST(Container, MaxCount) {
  EXPECT_EQ(Array<unsigned int>().GetMaxCount(), 0x7FFFFFFFu);
  EXPECT_EQ((ArrayBuffer<double>().GetMaxCount()), 0x7FFFFFFFu);
  EXPECT_EQ((ArrayBufferM<signed char, 4>().GetMaxCount()), 0x7FFFFFFFu);
  EXPECT_EQ((SimpleFixedArray<signed char, 8>().GetMaxCount()), 8u);
}

// Where Array and ArrayBuffer answer differently.
TEST(Container, ArrayAndArrayBufferResults) {
  Array<unsigned int> array;
  ArrayBuffer<unsigned int> buffer;
  Fill(array, {1, 2});
  Fill(buffer, {1, 2});
  IIterableModifiable<unsigned int>* const both[] = {&array, &buffer};
  const struct {
    const char* what;
    std::int32_t (*op)(IIterableModifiable<unsigned int>&);
    std::int32_t array, buffer;
  } cases[] = {
      {"InsertItem (count, x)", [](IIterableModifiable<unsigned int>& a) { return a.InsertItem(2, 3); }, 2, 3},
      {"AddItem (x)", [](IIterableModifiable<unsigned int>& a) { return a.AddItem(4); }, 3, 4},
      {"RemoveItems (count, 0)", [](IIterableModifiable<unsigned int>& a) { return a.RemoveItems(4, 0); },
       E_INVALIDARG, 4},
      {"RemoveItems (far, 0)", [](IIterableModifiable<unsigned int>& a) { return a.RemoveItems(99, 0); },
       E_INVALIDARG, 4},
      {"RemoveItems (0, 0)", [](IIterableModifiable<unsigned int>& a) { return a.RemoveItems(0, 0); }, 4, 4},
      {"InsertItem (0, x)", [](IIterableModifiable<unsigned int>& a) { return a.InsertItem(0, 0); }, 0, 5},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.op(array), c.array) << "Array " << c.what;
    EXPECT_EQ(c.op(buffer), c.buffer) << "ArrayBuffer " << c.what;
  }
  for (auto* a : both)
    EXPECT_EQ(Items(*a), (V{0, 1, 2, 3, 4}));

  // Out of range removal: the array throws the standard library's exception, the buffer reports.
  unsigned int out = 77;
  try {
    array.RemoveItem(5, out);
    ADD_FAILURE() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ(e.what(), "invalid vector<T> subscript");
    EXPECT_EQ(dynamic_cast<const ExceptionBase*>(&e), nullptr) << "not the framework's exception";
  }
  EXPECT_EQ(buffer.RemoveItem(5, out), E_INVALIDARG);
  EXPECT_EQ(array.RemoveAll(), S_OK);
  EXPECT_EQ(buffer.RemoveAll(), S_OK);
  EXPECT_THROW(array.RemoveLastItem(out), std::out_of_range);
  EXPECT_EQ(buffer.RemoveLastItem(out), E_INVALIDARG);
  EXPECT_EQ((SimpleFixedArray<unsigned int, 8>().RemoveLastItem(out)), E_INVALIDARG);
  EXPECT_EQ(out, 77u);
}

} // namespace
} // namespace QZ
