#include "QZFramework/Utilities/Storage/SimpleFixedArray.h"

#include <gtest/gtest.h>

#include <vector>

namespace QZ {
namespace {

using Bytes = std::vector<signed char>;

Bytes Items(const SimpleFixedArray<signed char, 8>& a) { return Bytes(a.GetData(), a.GetData() + a.GetCount()); }

TEST(SimpleFixedArray, HoldsAtMostNElements) {
  SimpleFixedArray<signed char, 8> a;
  const signed char identity[] = {-16, 0x7E, 0x7F, 0x06, 0x01, -9};
  for (signed char b : identity)
    a.AddItem(b);
  EXPECT_EQ(Items(a), Bytes(identity, identity + 6));

  EXPECT_EQ(a.InsertSpace(2, 3), E_INVALIDARG) << "6 + 3 > 8";
  EXPECT_EQ(a.InsertSpace(7, 1), E_INVALIDARG) << "past the count";
  EXPECT_EQ(a.InsertSpace(0, 0), 6);
  EXPECT_EQ(a.InsertSpace(1, 2), 8);
  EXPECT_EQ(a.GetAt(0), -16);
  EXPECT_EQ(Bytes(a.GetData() + 3, a.GetData() + 8), Bytes(identity + 1, identity + 6)) << "tail moved up";
  EXPECT_EQ(a.InsertSpace(0, 1), E_INVALIDARG) << "full";
  EXPECT_EQ(a.AddItem(1), E_INVALIDARG);
  EXPECT_EQ(a.GetCount(), 8u);

  EXPECT_EQ(a.RemoveItems(1, 2), 6);
  EXPECT_EQ(Items(a), Bytes(identity, identity + 6));
  EXPECT_EQ(a.RemoveItems(9, 0), 6);
  EXPECT_EQ(a.RemoveItems(5, 2), E_INVALIDARG);
  signed char out = 0;
  EXPECT_EQ(a.RemoveItem(6, out), E_INVALIDARG);
  EXPECT_EQ(a.RemoveItem(5, out), 5);
  EXPECT_EQ(out, -9);

  EXPECT_EQ(a.SetSize(12), 8) << "cut to N without an error";
  EXPECT_EQ(a.GetCount(), 8u);
  EXPECT_EQ(a.SetSize(6), 6);
}

} // namespace
} // namespace QZ
