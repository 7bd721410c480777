#include "QZFramework/Utilities/Graphics/Region.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace QZ {

void PrintTo(const EdgeRect& r, std::ostream* os) {
  *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();

using Rects = std::vector<EdgeRect>;

// Stands in for the framework's arrays: GetRects only needs these two.
struct RectList {
  std::vector<RectT<std::int32_t>> items;
  void RemoveAll() { items.clear(); }
  void AddItem(const RectT<std::int32_t>& r) { items.push_back(r); }
};

Rects ListOf(const Region& region) {
  RectList list;
  list.items.push_back({1, 2, 3, 4}); // GetRects must empty the array first
  region.GetRects(list);
  Rects out;
  for (const auto& r : list.items)
    out.push_back({r.x, r.y, r.x + r.width, r.y + r.height});
  EXPECT_EQ(region.GetRectCount(), static_cast<int>(out.size()));
  EXPECT_EQ(region.IsEmpty(), out.empty());
  return out;
}

// AddRect puts each rectangle first, so the last one added leads the list.
Region Added(const Rects& rects) {
  Region region;
  for (const auto& r : rects)
    region.AddRect(r);
  return region;
}

using Pixels = std::set<std::pair<int, int>>;

Pixels PixelsOf(const Rects& rects) {
  Pixels pixels;
  for (const auto& r : rects)
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x)
        pixels.insert({x, y});
  return pixels;
}

bool Overlapping(const Rects& rects) {
  for (std::size_t i = 0; i < rects.size(); ++i)
    for (std::size_t j = i + 1; j < rects.size(); ++j) {
      const EdgeRect& a = rects[i];
      const EdgeRect& b = rects[j];
      if (a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom)
        return true;
    }
  return false;
}

TEST(Region, AddRectListsPiecesInOrder) {
  const struct {
    const char* name;
    Rects added;
    Rects expected;
  } cases[] = {
      {"empty rectangles are ignored", {{5, 0, 5, 10}, {0, 5, 10, 5}, {10, 0, 0, 10}, {0, 10, 10, 0}}, {}},
      {"same rectangle twice", {{0, 0, 10, 10}, {0, 0, 10, 10}}, {{0, 0, 10, 10}}},
      {"one covering two", {{0, 0, 10, 10}, {20, 0, 30, 10}, {0, 0, 30, 10}}, {{0, 0, 30, 10}}},
      {"inside an earlier one",
       {{0, 0, 30, 30}, {10, 10, 20, 20}},
       {{10, 10, 20, 20}, {20, 10, 30, 20}, {0, 10, 10, 20}, {0, 20, 30, 30}, {0, 0, 30, 10}}},
      {"partial overlap", {{0, 0, 10, 10}, {5, 5, 15, 15}}, {{5, 5, 15, 15}, {0, 5, 5, 10}, {0, 0, 10, 5}}},
      {"touching edges stay apart", {{0, 0, 10, 10}, {10, 0, 20, 10}}, {{10, 0, 20, 10}, {0, 0, 10, 10}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Region region = Added(c.added);
    const Rects list = ListOf(region);
    EXPECT_EQ(list, c.expected);
    EXPECT_FALSE(Overlapping(list));
    EXPECT_EQ(PixelsOf(list), PixelsOf(c.added));
  }
}

TEST(Region, SubtractRectCutsAroundAndHandsOverTheOverlap) {
  const struct {
    const char* name;
    Rects added;
    EdgeRect r;
    Rects remaining;
    Rects removed;
  } cases[] = {
      {"touching edge", {{0, 0, 10, 10}}, {10, 0, 20, 10}, {{0, 0, 10, 10}}, {}},
      {"touching bottom", {{0, 0, 10, 10}}, {0, 10, 10, 20}, {{0, 0, 10, 10}}, {}},
      // An empty rectangle inside a node would cut it into empty pieces.
      {"empty rectangle", {{0, 0, 10, 10}}, {5, 5, 5, 5}, {{0, 0, 10, 10}}, {}},
      {"zero height line", {{0, 0, 10, 10}}, {2, 5, 8, 5}, {{0, 0, 10, 10}}, {}},
      {"corner", {{0, 0, 10, 10}}, {5, 5, 20, 20}, {{0, 5, 5, 10}, {0, 0, 10, 5}}, {{5, 5, 10, 10}}},
      {"hole",
       {{0, 0, 30, 30}},
       {10, 10, 20, 20},
       {{20, 10, 30, 20}, {0, 10, 10, 20}, {0, 20, 30, 30}, {0, 0, 30, 10}},
       {{10, 10, 20, 20}}},
      // The first node goes away, so the second one is unlinked behind new pieces.
      {"across two nodes",
       {{0, 0, 10, 10}, {20, 0, 30, 10}},
       {5, 0, 25, 10},
       {{0, 0, 5, 10}, {25, 0, 30, 10}},
       {{5, 0, 10, 10}, {20, 0, 25, 10}}},
      {"middle node",
       {{40, 0, 50, 10}, {20, 0, 30, 10}, {0, 0, 10, 10}},
       {15, 0, 35, 10},
       {{0, 0, 10, 10}, {40, 0, 50, 10}},
       {{20, 0, 30, 10}}},
      {"everything", {{0, 0, 10, 10}, {20, 0, 30, 10}}, {-5, -5, 40, 40}, {}, {{0, 0, 10, 10}, {20, 0, 30, 10}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Region region = Added(c.added);
    Region removed;
    region.SubtractRect(c.r, &removed);
    EXPECT_EQ(ListOf(region), c.remaining);
    EXPECT_EQ(ListOf(removed), c.removed);

    Region dropped = Added(c.added);
    dropped.SubtractRect(c.r);
    EXPECT_EQ(ListOf(dropped), c.remaining);
  }
}

TEST(Region, SubtractRegionGoesThroughTheOtherInListOrder) {
  Region region = Added({{0, 0, 30, 10}});
  const Region other = Added({{0, 0, 5, 10}, {20, 0, 25, 10}});
  Region removed;
  region.SubtractRegion(other, &removed);
  EXPECT_EQ(ListOf(region), (Rects{{5, 0, 20, 10}, {25, 0, 30, 10}}));
  EXPECT_EQ(ListOf(removed), (Rects{{0, 0, 5, 10}, {20, 0, 25, 10}}));
  EXPECT_EQ(ListOf(other), (Rects{{20, 0, 25, 10}, {0, 0, 5, 10}}));

  Region self = Added({{0, 0, 10, 10}, {20, 0, 30, 10}});
  self.SubtractRegion(self);
  EXPECT_EQ(ListOf(self), Rects{});
}

TEST(Region, AppendRegionCopiesInReverseWithoutRemovingOverlap) {
  Region region = Added({{0, 0, 5, 5}});
  Region other = Added({{10, 0, 20, 10}, {30, 0, 40, 10}});
  region.AppendRegion(other);
  EXPECT_EQ(ListOf(region), (Rects{{10, 0, 20, 10}, {30, 0, 40, 10}, {0, 0, 5, 5}}));
  other.Clear(); // the copies are the region's own
  EXPECT_EQ(region.GetRectCount(), 3);

  Region twice = Added({{0, 0, 5, 5}});
  twice.AppendRegion(twice);
  EXPECT_EQ(ListOf(twice), (Rects{{0, 0, 5, 5}, {0, 0, 5, 5}}));
}

TEST(Region, IntersectKeepsThePartsInsideTheOther) {
  const struct {
    const char* name;
    Rects region;
    Rects other;
    Rects expected;
  } cases[] = {
      {"overlap", {{0, 0, 30, 30}}, {{10, 10, 40, 40}}, {{10, 10, 30, 30}}},
      {"clips two rectangles",
       {{0, 0, 10, 10}, {20, 0, 30, 10}},
       {{5, 0, 25, 10}},
       {{5, 0, 10, 10}, {20, 0, 25, 10}}},
      {"other has two rectangles",
       {{0, 0, 100, 100}},
       {{0, 0, 10, 10}, {50, 50, 60, 60}},
       {{0, 0, 10, 10}, {50, 50, 60, 60}}},
      {"disjoint", {{0, 0, 10, 10}}, {{20, 20, 30, 30}}, {}},
      {"touching", {{0, 0, 10, 10}}, {{10, 0, 20, 10}}, {}},
      {"empty other", {{0, 0, 10, 10}}, {}, {}},
      {"empty region", {}, {{0, 0, 10, 10}}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Region region = Added(c.region);
    const Region other = Added(c.other);
    region.Intersect(other);
    const Rects list = ListOf(region);
    EXPECT_EQ(list, c.expected);
    Pixels inside;
    const Pixels mine = PixelsOf(c.region);
    for (const auto& p : PixelsOf(c.other))
      if (mine.count(p))
        inside.insert(p);
    EXPECT_EQ(PixelsOf(list), inside);
  }
  Region self = Added({{0, 0, 10, 10}, {20, 0, 30, 10}});
  self.Intersect(self);
  EXPECT_EQ(ListOf(self), (Rects{{20, 0, 30, 10}, {0, 0, 10, 10}}));
}

TEST(Region, NormalizeBandsSortsAndMerges) {
  const struct {
    const char* name;
    Rects added;
    Rects expected;
  } cases[] = {
      {"empty", {}, {}},
      {"single", {{0, 0, 10, 10}}, {{0, 0, 10, 10}}},
      {"side by side", {{0, 0, 10, 10}, {10, 0, 20, 10}}, {{0, 0, 20, 10}}},
      {"one above the other", {{0, 0, 10, 10}, {0, 10, 10, 20}}, {{0, 0, 10, 20}}},
      {"three bands", {{0, 0, 10, 20}, {10, 5, 20, 15}}, {{0, 0, 10, 5}, {0, 5, 20, 15}, {0, 15, 10, 20}}},
      {"hole filled again", {{0, 0, 30, 30}, {10, 10, 20, 20}}, {{0, 0, 30, 30}}},
      {"ring",
       {{0, 0, 30, 10}, {0, 20, 30, 30}, {0, 10, 10, 20}, {20, 10, 30, 20}},
       {{0, 0, 30, 10}, {0, 10, 10, 20}, {20, 10, 30, 20}, {0, 20, 30, 30}}},
      {"band ordered by left",
       {{20, 0, 30, 10}, {0, 0, 10, 10}, {40, 0, 50, 10}},
       {{0, 0, 10, 10}, {20, 0, 30, 10}, {40, 0, 50, 10}}},
      // Joining the right pair makes it touch the left one: another pass joins them.
      {"touching out of order", {{10, 0, 20, 10}, {20, 0, 30, 10}, {0, 0, 10, 10}}, {{0, 0, 30, 10}}},
      {"touching reversed", {{0, 0, 10, 10}, {20, 0, 30, 10}, {10, 0, 20, 10}}, {{0, 0, 30, 10}}},
      {"staircase", {{5, 10, 15, 20}, {0, 0, 10, 10}}, {{0, 0, 10, 10}, {5, 10, 15, 20}}},
      // Grouped by bottom; a merged column keeps its top, so tops in a group differ.
      {"column beside a short one", {{0, 0, 10, 30}, {20, 10, 30, 20}}, {{20, 10, 30, 20}, {0, 0, 10, 30}}},
      {"cut at the next larger top", {{0, 0, 10, 30}, {20, 10, 30, 40}}, {{0, 0, 10, 30}, {20, 10, 30, 40}}},
      {"column over four bands",
       {{0, 0, 10, 40}, {20, 10, 30, 15}, {20, 25, 30, 30}},
       {{20, 10, 30, 15}, {20, 25, 30, 30}, {0, 0, 10, 40}}},
      {"same top, different bottoms", {{0, 0, 10, 10}, {20, 0, 30, 20}}, {{0, 0, 10, 10}, {20, 0, 30, 20}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Region region = Added(c.added);
    region.Normalize();
    const Rects list = ListOf(region);
    EXPECT_EQ(list, c.expected);
    EXPECT_EQ(PixelsOf(list), PixelsOf(c.added));
    region.Normalize();
    EXPECT_EQ(ListOf(region), c.expected);
  }
}

// Random adds and subtracts against a pixel model: coverage is exact, nodes
// never overlap, and Normalize leaves bands grouped by bottom, ordered by left,
// with no two rectangles of a band touching.
TEST(Region, RandomEditsMatchAPixelModel) {
  std::mt19937 random(12345);
  auto coordinate = [&] { return static_cast<std::int32_t>(random() % 20); };
  for (int trial = 0; trial < 120; ++trial) {
    SCOPED_TRACE(trial);
    Region region;
    Pixels model;
    for (int step = 0; step < 12; ++step) {
      const std::int32_t x1 = coordinate(), x2 = coordinate(), y1 = coordinate(), y2 = coordinate();
      const EdgeRect r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2) + 1, std::max(y1, y2) + 1};
      const Pixels pixels = PixelsOf({r});
      if (random() % 3 == 0) {
        region.SubtractRect(r);
        for (const auto& p : pixels)
          model.erase(p);
      } else {
        region.AddRect(r);
        model.insert(pixels.begin(), pixels.end());
      }
    }
    const Rects before = ListOf(region);
    ASSERT_EQ(PixelsOf(before), model);
    ASSERT_FALSE(Overlapping(before));

    region.Normalize();
    const Rects after = ListOf(region);
    ASSERT_EQ(PixelsOf(after), model);
    ASSERT_FALSE(Overlapping(after));
    for (std::size_t i = 1; i < after.size(); ++i) {
      const EdgeRect& a = after[i - 1];
      const EdgeRect& b = after[i];
      ASSERT_LE(a.bottom, b.bottom);
      if (a.bottom == b.bottom) {
        ASSERT_LE(a.right, b.left); // ordered by left
        if (a.top == b.top) {
          ASSERT_LT(a.right, b.left); // and apart within a band
        }
      }
    }
  }
}

TEST(Region, OffsetMovesAndSaturates) {
  const struct {
    const char* name;
    Rects added;
    std::int32_t dx, dy;
    Rects expected;
  } cases[] = {
      {"zero", {{0, 0, 10, 10}}, 0, 0, {{0, 0, 10, 10}}},
      {"three and minus two", {{0, 0, 10, 10}, {20, 5, 30, 8}}, 3, -2, {{23, 3, 33, 6}, {3, -2, 13, 8}}},
      {"right edge stops at the maximum", {{-10, 0, 10, 10}}, kMax, 0, {{kMax - 10, 0, kMax, 10}}},
      {"top edge stops at the minimum", {{0, -5, 10, 10}}, 0, kMin, {{0, kMin, 10, kMin + 10}}},
      // Nothing of it is left inside the 32-bit range.
      {"pushed out entirely", {{0, 0, 10, 10}, {kMax - 5, 0, kMax, 10}}, 10, 0, {{10, 0, 20, 10}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Region region = Added(c.added);
    region.Offset(c.dx, c.dy);
    EXPECT_EQ(ListOf(region), c.expected);
  }
}

TEST(Region, BoundsCountAndRects) {
  Region region;
  EdgeRect bounds{1, 2, 3, 4};
  EXPECT_FALSE(region.GetBounds(bounds));
  EXPECT_EQ(bounds, (EdgeRect{0, 0, 0, 0}));
  EXPECT_EQ(region.GetRectCount(), 0);

  region.AddRect({0, 5, 10, 10});
  region.AddRect({-3, 20, 4, 25});
  EXPECT_TRUE(region.GetBounds(bounds));
  EXPECT_EQ(bounds, (EdgeRect{-3, 5, 10, 25}));

  RectList list;
  region.GetRects(list);
  EXPECT_EQ(list.items, (std::vector<RectT<std::int32_t>>{{-3, 20, 7, 5}, {0, 5, 10, 5}}));

  // A width past 2^31 - 1 cannot be told; it stops at the maximum instead of wrapping.
  Region wide;
  wide.AddRect({kMin, 0, kMax, 1});
  wide.GetRects(list);
  EXPECT_EQ(list.items, (std::vector<RectT<std::int32_t>>{{kMin, 0, kMax, 1}}));

  region.Clear();
  EXPECT_TRUE(region.IsEmpty());
  EXPECT_FALSE(region.GetBounds(bounds));
}

TEST(Region, IntersectsRectUsesStrictOverlap) {
  const Region region = Added({{0, 0, 10, 10}, {20, 0, 30, 10}});
  const struct {
    EdgeRect r;
    bool expected;
  } cases[] = {
      {{5, 5, 6, 6}, true},     {{9, 9, 21, 10}, true},  {{10, 0, 20, 10}, false},
      {{0, 10, 30, 20}, false}, {{-5, -5, 0, 0}, false}, {{29, 9, 40, 40}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.r));
    EXPECT_EQ(region.IntersectsRect(c.r), c.expected);
  }
  EXPECT_FALSE(Region().IntersectsRect({0, 0, 10, 10}));
}

TEST(Region, IntersectsMovesClipsAndRoundsTheRectangle) {
  const Region region = Added({{0, 0, 10, 10}});
  const double eps = 2.220446049250313e-16;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* name;
    RectT<double> r;
    PointT<double> origin;
    bool expected;
  } cases[] = {
      {"inside", {2, 2, 3, 3}, {0, 0}, true},
      {"moved out by the origin", {2, 2, 3, 3}, {20, 0}, false},
      {"moved in by the origin", {-20, -20, 3, 3}, {21, 21}, true},
      {"wholly negative", {-30, -30, 10, 10}, {0, 0}, false},
      {"partly negative", {-5, -5, 6, 6}, {0, 0}, true},
      {"width of 2^-52", {2, 2, eps, 3}, {0, 0}, false},
      {"height of 2^-52", {2, 2, 3, eps}, {0, 0}, false},
      {"rounds up to the touching edge", {9.6, 0, 1, 1}, {0, 0}, false},
      {"rounds down inside", {9.4, 0, 1, 1}, {0, 0}, true},
      {"far right", {1e300, 0, 1, 1}, {0, 0}, false},
      {"huge width", {5, 5, 1e300, 1e300}, {0, 0}, true},
      {"not a number", {nan, 0, 5, 5}, {0, 0}, false},
      {"not a number in the origin", {0, 0, 5, 5}, {0, nan}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(region.Intersects(c.r, c.origin), c.expected);
  }
  EXPECT_FALSE(Region().Intersects({0, 0, 10, 10}, {0, 0}));
}

TEST(Region, AddRoundedRectAddsHalfAndTruncates) {
  const struct {
    const char* name;
    RectT<double> r;
    Rects expected;
  } cases[] = {
      {"whole numbers", {1, 2, 3, 4}, {{1, 2, 4, 6}}},
      {"halves go up", {0.5, 1.5, 2.5, 2.4}, {{1, 2, 4, 4}}},
      {"negative x", {-1.7, 0.4, 3.2, 2.6}, {{-1, 0, 2, 3}}},
      {"negative x just past a half", {-1.2, 0, 2, 2}, {{0, 0, 2, 2}}},
      {"rounds to nothing", {0, 0, 0.4, 5}, {}},
      {"width past the range", {0, 0, 3e9, 1}, {{0, 0, kMax, 1}}},
      {"edge past the range", {2147483000.0, 0, 5000, 1}, {{2147483000, 0, kMax, 1}}},
      {"left past the range", {3e9, 0, 10, 10}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Region region;
    AddRoundedRectToRegion(region, c.r);
    EXPECT_EQ(ListOf(region), c.expected);
  }
}

TEST(Region, CopiesKeepOrderAndOwnTheirNodes) {
  Region original = Added({{0, 0, 10, 10}, {20, 0, 30, 10}, {40, 0, 50, 10}});
  const Rects order = ListOf(original);

  Region copy(original);
  EXPECT_EQ(ListOf(copy), order);
  original.AddRect({0, 0, 50, 10});
  EXPECT_EQ(ListOf(copy), order);

  Region assigned = Added({{100, 100, 110, 110}});
  assigned = copy;
  EXPECT_EQ(ListOf(assigned), order);
  const Region& alias = assigned;
  assigned = alias;
  EXPECT_EQ(ListOf(assigned), order);

  Region moved(std::move(assigned));
  EXPECT_EQ(ListOf(moved), order);
  EXPECT_TRUE(assigned.IsEmpty()); // NOLINT(bugprone-use-after-move): moved-from is empty
  Region target = Added({{1, 1, 2, 2}});
  target = std::move(moved);
  EXPECT_EQ(ListOf(target), order);
}

TEST(Region, NodesPastThePoolComeFromTheHeapAndAllReturn) {
  RegionNodePool& pool = RegionNodePool::GetInstance();
  const auto before = pool.GetStats();
  {
    Region region;
    for (int i = 0; i < 600; ++i)
      region.AddRect({2 * i, 0, 2 * i + 1, 1});
    EXPECT_EQ(region.GetRectCount(), 600);
    const auto during = pool.GetStats();
    EXPECT_EQ(during.capacity, RegionNodePool::kCapacity);
    EXPECT_EQ(during.freeCount, 0u);
    EXPECT_EQ(during.inUse, before.inUse + 600);

    Region copy(region);
    copy.Normalize();
    EXPECT_EQ(copy.GetRectCount(), 600);
    copy.Intersect(Added({{0, 0, 100, 1}}));
    EXPECT_EQ(copy.GetRectCount(), 50);
    EXPECT_EQ(pool.GetStats().inUse, before.inUse + 650);
  }
  const auto after = pool.GetStats();
  EXPECT_EQ(after.inUse, before.inUse);
  EXPECT_GE(after.peak, before.inUse + 1200);
  if (before.inUse == 0) {
    EXPECT_EQ(after.freeCount, after.capacity);
  }
}

} // namespace
} // namespace QZ
