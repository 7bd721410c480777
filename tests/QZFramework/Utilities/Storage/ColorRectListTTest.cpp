#include "QZFramework/Utilities/Storage/ColorRectListT.h"

#include "QZFramework/Utilities/Storage/ArrayUtils.h"

#include <gtest/gtest.h>

#include <vector>

namespace QZ {
namespace {

using List = ColorRectListT<float>;

// Each rectangle's x is its colour's low byte, so the pairing shows.
std::vector<std::uint32_t> Pairs(const List& list) {
  std::vector<std::uint32_t> pairs;
  EXPECT_EQ(list.GetCount(), list.GetColors().GetCount());
  for (std::uint32_t i = 0; i < list.GetCount(); ++i) {
    const auto x = static_cast<std::uint32_t>(list.GetData()[i].x);
    EXPECT_EQ(x, list.GetColorData()[i] & 0xFF) << "rectangle " << i << " lost its colour";
    pairs.push_back(x);
  }
  return pairs;
}

void Add(List& list, std::initializer_list<int> xs) {
  for (int x : xs)
    list.AddRect({static_cast<float>(x), 0, 10, 10}, 0xFF000000u | static_cast<std::uint32_t>(x));
}

TEST(ColorRectListTTest, ColoursFollowEveryChangeOfTheRectangles) {
  List list;
  Add(list, {1, 2, 3, 4});
  EXPECT_EQ((std::vector<std::uint32_t>{1, 2, 3, 4}), Pairs(list));

  // Rectangles added through the array interface get colour 0 beside them.
  EXPECT_EQ(5, list.InsertItem(1, RectT<float>{}));
  EXPECT_EQ((std::vector<std::uint32_t>{1, 0, 2, 3, 4}), Pairs(list));
  EXPECT_EQ(3, list.RemoveItems(0, 2));
  EXPECT_EQ((std::vector<std::uint32_t>{2, 3, 4}), Pairs(list));
  EXPECT_EQ(S_OK, list.Swap(0, 2));
  EXPECT_EQ((std::vector<std::uint32_t>{4, 3, 2}), Pairs(list));
  EXPECT_EQ(5, list.SetSize(5));
  EXPECT_EQ((std::vector<std::uint32_t>{4, 3, 2, 0, 0}), Pairs(list));
  EXPECT_EQ(2, list.SetSize(2));
  EXPECT_EQ((std::vector<std::uint32_t>{4, 3}), Pairs(list));

  // A failed change leaves both arrays as they were.
  EXPECT_EQ(E_INVALIDARG, list.RemoveItems(1, 2));
  EXPECT_EQ(E_INVALIDARG, list.InsertSpace(3, 1));
  EXPECT_EQ(E_INVALIDARG, list.Swap(0, 2));
  EXPECT_EQ((std::vector<std::uint32_t>{4, 3}), Pairs(list));

  // Sorting exchanges through the list, so colours travel along.
  Add(list, {9, 1});
  ArrayUtils::Sort(list, 0, list.GetCount(),
                   [](const RectT<float>& a, const RectT<float>& b) { return a.x < b.x; });
  EXPECT_EQ((std::vector<std::uint32_t>{1, 3, 4, 9}), Pairs(list));
}

TEST(ColorRectListTTest, HandleScaleAndChangedFlag) {
  List a;
  List b;
  EXPECT_NE(a.GetHandle(), b.GetHandle());
  EXPECT_EQ(b.GetHandle(), List::GetHandle(b));

  EXPECT_EQ(1.0f, a.GetScaleX());
  EXPECT_EQ(1.0f, a.GetScaleY());
  a.SetScale(2.0f, 0.5f);
  EXPECT_EQ(2.0f, a.GetScaleX());
  EXPECT_EQ(0.5f, a.GetScaleY());

  const List& drawn = a;
  EXPECT_TRUE(drawn.IsChanged());
  drawn.ClearChanged();
  EXPECT_FALSE(drawn.IsChanged());
  a.SetChanged();
  EXPECT_TRUE(drawn.IsChanged());
}

} // namespace
} // namespace QZ
