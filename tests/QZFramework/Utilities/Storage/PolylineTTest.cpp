#include "QZFramework/Utilities/Storage/PolylineT.h"

#include "QZFramework/Utilities/Storage/HashedList.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace QZ {
namespace {

TEST(PolylineTTest, HandlesAreDistinctAndSpreadOverTheCacheBuckets) {
  PolylineT<float> lists[64];
  std::set<std::int32_t> handles;
  std::set<std::uint32_t> buckets;
  for (const PolylineT<float>& list : lists) {
    EXPECT_NE(0, list.GetHandle());
    EXPECT_EQ(list.GetHandle(), PolylineT<float>::GetHandle(list));
    handles.insert(list.GetHandle());
    buckets.insert(GetBits<8, 4, int>(list.GetHandle()));
  }
  EXPECT_EQ(64u, handles.size());
  EXPECT_EQ(64u, buckets.size());
}

// The owner marks changes; a renderer drawing a const list clears the mark.
TEST(PolylineTTest, ChangedFlagStartsSetAndIsReadAndCleared) {
  PolylineT<float> polyline;
  const PolylineT<float>& drawn = polyline;
  EXPECT_TRUE(drawn.IsChanged());
  drawn.ClearChanged();
  EXPECT_FALSE(drawn.IsChanged());

  polyline.AddItem({1.5f, 2.5f});
  EXPECT_FALSE(drawn.IsChanged()); // only the owner says what changed
  polyline.SetChanged();
  EXPECT_TRUE(drawn.IsChanged());
  polyline.SetChanged(false);
  EXPECT_FALSE(drawn.IsChanged());
}

TEST(PolylineTTest, PointsAreAVertexArray) {
  PolylineT<float> polyline;
  EXPECT_EQ(1.0f, polyline.GetLineWidth());
  polyline.SetLineWidth(2.5f);
  EXPECT_EQ(2.5f, polyline.GetLineWidth());

  for (float v : {0.0f, 1.0f, 2.0f})
    polyline.AddItem({v, -v});
  ASSERT_EQ(3u, polyline.GetCount());
  float vertices[6];
  std::memcpy(vertices, polyline.GetData(), sizeof vertices);
  const float expected[6] = {0, -0.0f, 1, -1, 2, -2};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(expected[i], vertices[i]) << i;
}

} // namespace
} // namespace QZ
