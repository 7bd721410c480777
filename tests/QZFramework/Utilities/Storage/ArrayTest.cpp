#include "QZFramework/Utilities/Storage/Array.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace QZ {
namespace {

std::vector<std::string> Items(const Array<std::string>& a) {
  return std::vector<std::string>(a.GetData(), a.GetData() + a.GetCount());
}

using S = std::vector<std::string>;

TEST(Array, ClassElementsAreValueInitialisedCopiedAndDestroyed) {
  Array<std::string> a;
  EXPECT_EQ(a.GetData(), nullptr);
  EXPECT_EQ(a.SetSize(2), 2);
  EXPECT_EQ(Items(a), (S{"", ""}));
  a.GetAt(0) = "a long enough text to live on the heap";
  a.GetAt(1) = "b";
  EXPECT_EQ(a.InsertSpace(1, 2), 4);
  EXPECT_EQ(a.InsertItem(4, "e"), 4);
  EXPECT_EQ(Items(a), (S{"a long enough text to live on the heap", "", "", "b", "e"}));
  EXPECT_EQ(a.Swap(0, 4), S_OK);
  std::string out;
  EXPECT_EQ(a.RemoveItem(4, out), 4);
  EXPECT_EQ(out, "a long enough text to live on the heap");
  EXPECT_EQ(a.RemoveItems(1, 2), 2);
  EXPECT_EQ(Items(a), (S{"e", "b"}));

  Array<std::string> copy = a; // a value: the copy owns its own elements
  copy.GetAt(0) = "changed";
  EXPECT_EQ(Items(a), (S{"e", "b"}));

  EXPECT_EQ(a.RemoveItems(2, 0), E_INVALIDARG);
  EXPECT_EQ(a.RemoveItems(1, 2), E_INVALIDARG);
  EXPECT_EQ(a.InsertSpace(3, 1), E_INVALIDARG);
  EXPECT_THROW(a.GetAt(2), std::out_of_range);
  EXPECT_EQ(Items(a), (S{"e", "b"}));
  EXPECT_EQ(a.SetSize(0x80000000u), E_OUTOFMEMORY);
  EXPECT_EQ(a.SetSize(0), 0);
  EXPECT_EQ(a.GetData(), nullptr);
}

} // namespace
} // namespace QZ
