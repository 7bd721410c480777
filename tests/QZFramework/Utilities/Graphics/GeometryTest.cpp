#include "QZFramework/Utilities/Graphics/Geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <ostream>

namespace QZ {

template <class T>
void PrintTo(const RectT<T>& r, std::ostream* os) {
  *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}
template <class T>
void PrintTo(const PointT<T>& p, std::ostream* os) {
  *os << "(" << p.x << ", " << p.y << ")";
}

namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kEps = 2.220446049250313e-16;

using LongRect = RectT<std::int32_t>;
using DoubleRect = RectT<double>;

TEST(GeometryRounding, DoublesRoundHalfAwayFromZeroAndSaturate) {
  const struct {
    double v;
    std::int32_t expected;
  } cases[] = {
      {2.5, 3},
      {-2.5, -3},
      {0.5, 1},
      {-0.5, -1},
      {1.4999999999999998, 1},
      {2.4, 2},
      {-2.6, -3},
      {-0.0, 0},
      // Just below one half: v + 0.5 in doubles would give 1.
      {0.49999999999999994, 0},
      {-0.49999999999999994, 0},
      {2147483647.0, kMax},
      {2147483646.5, kMax},
      {2147483647.2, kMax},
      {2147483648.0, kMax},
      {3e9, kMax},
      {kInf, kMax},
      {-2147483648.0, kMin},
      {-2147483647.5, kMin},
      {-2147483648.3, kMin},
      {-3e9, kMin},
      {-kInf, kMin},
      {kNaN, kMin},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.v);
    EXPECT_EQ(RoundToLong(c.v), c.expected);
    // Every double conversion goes through the same rule, member by member.
    const LongRect r = DoubleRect{c.v, 1.5, -1.5, 7.0}.RoundToLong();
    EXPECT_EQ(r, (LongRect{c.expected, 2, -2, 7}));
    EXPECT_EQ((DoubleRect{0.0, c.v, 0.0, 0.0}.RoundToLong().y), c.expected);
    EXPECT_EQ((DoubleRect{0.0, 0.0, c.v, 0.0}.RoundToLong().width), c.expected);
    EXPECT_EQ((DoubleRect{0.0, 0.0, 0.0, c.v}.RoundToLong().height), c.expected);
    EXPECT_EQ((PointT<double>{c.v, -2.5}.RoundToLong()), (PointT<std::int32_t>{c.expected, -3}));
    EXPECT_EQ((PointT<double>{2.5, c.v}.RoundToLong()), (PointT<std::int32_t>{3, c.expected}));
    EXPECT_EQ((SizeT<double>{c.v, 0.4}.RoundToLong()), (SizeT<std::int32_t>{c.expected, 0}));
    EXPECT_EQ((SizeT<double>{0.6, c.v}.RoundToLong()), (SizeT<std::int32_t>{1, c.expected}));
  }
}

TEST(GeometryRounding, FloatsWidenThenRoundAndSaturate) {
  const float fmax = std::numeric_limits<float>::max();
  const float finf = std::numeric_limits<float>::infinity();
  const struct {
    float v;
    std::int32_t expected;
  } cases[] = {
      {2.5f, 3},
      {-2.5f, -3},
      {-0.5f, -1},
      {0.49999997f, 0},
      {16777216.0f, 16777216},
      {2147483520.0f, 2147483520}, // the largest float below 2^31
      {2147483648.0f, kMax},
      {2147483904.0f, kMax},
      {3e9f, kMax},
      {fmax, kMax},
      {finf, kMax},
      {-2147483648.0f, kMin},
      {-2147483904.0f, kMin},
      {-fmax, kMin},
      {-finf, kMin},
      {std::numeric_limits<float>::quiet_NaN(), kMin},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.v);
    EXPECT_EQ((RectT<float>{c.v, 0.5f, c.v, -0.5f}.RoundToLong()), (LongRect{c.expected, 1, c.expected, -1}));
    EXPECT_EQ((RectT<float>{0.0f, c.v, 1.0f, c.v}.RoundToLong()), (LongRect{0, c.expected, 1, c.expected}));
    EXPECT_EQ((PointT<float>{c.v, 1.5f}.ToIntPoint()), (PointT<std::int32_t>{c.expected, 2}));
    EXPECT_EQ((PointT<float>{1.5f, c.v}.ToIntPoint()), (PointT<std::int32_t>{2, c.expected}));
  }
}

TEST(GeometryRounding, TruncationSaturates) {
  const struct {
    double v;
    std::int32_t expected;
  } cases[] = {{2.9, 2},
               {-2.9, -2},
               {2147483646.9, 2147483646},
               {2147483647.0, kMax},
               {1e39, kMax},
               {kInf, kMax},
               {-1e39, kMin},
               {-kInf, kMin},
               {kNaN, kMin},
               {-0.0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.v);
    EXPECT_EQ(TruncateToLong(c.v), c.expected);
  }
}

TEST(GeometryRounding, IntegersToFloatsAreLimitedTo2Pow23) {
  const struct {
    std::int32_t v;
    float expected;
  } cases[] = {
      {100, 100.0f},         {-100, -100.0f},        {8388608, 8388608.0f},    {-8388608, -8388608.0f},
      {8388609, 8388608.0f}, {10000000, 8388608.0f}, {-10000000, -8388608.0f}, {kMax, 8388608.0f},
      {kMin, -8388608.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.v);
    EXPECT_EQ((LongRect{c.v, 1, 2, 3}.ToFloatRect()), (RectT<float>{c.expected, 1.0f, 2.0f, 3.0f}));
    EXPECT_EQ((LongRect{1, c.v, 2, 3}.ToFloatRect()), (RectT<float>{1.0f, c.expected, 2.0f, 3.0f}));
    EXPECT_EQ((LongRect{1, 2, c.v, 3}.ToFloatRect()), (RectT<float>{1.0f, 2.0f, c.expected, 3.0f}));
    EXPECT_EQ((LongRect{1, 2, 3, c.v}.ToFloatRect()), (RectT<float>{1.0f, 2.0f, 3.0f, c.expected}));
  }
}

TEST(GeometryRounding, IntegersToDoublesAreExactWithin2Pow52) {
  EXPECT_EQ((LongRect{kMin, kMax, -1, 0}.ToDoubleRect()), (DoubleRect{-2147483648.0, 2147483647.0, -1.0, 0.0}));
  EXPECT_EQ((PointT<std::int32_t>{kMax, kMin}.ToDoublePoint()), (PointT<double>{2147483647.0, -2147483648.0}));
  // The limit itself, for the wider integers the helper accepts.
  EXPECT_EQ(ToClampedDouble(std::int64_t{1} << 60), 4503599627370496.0);
  EXPECT_EQ(ToClampedDouble(-(std::int64_t{1} << 60)), -4503599627370496.0);
  EXPECT_EQ(ToClampedDouble(std::int64_t{1} << 52), 4503599627370496.0);
  // Round trip of the integer form.
  const LongRect r{-7, 12, 300, 0};
  EXPECT_EQ(r.ToDoubleRect().RoundToLong(), r);
}

TEST(RectIntersect, IntegerRectangles) {
  const struct {
    const char* name;
    LongRect a, b, out;
    bool result;
  } cases[] = {
      {"overlap", {0, 0, 10, 10}, {5, 3, 10, 10}, {5, 3, 5, 7}, true},
      {"inside", {0, 0, 10, 10}, {2, 2, 3, 3}, {2, 2, 3, 3}, true},
      {"one pixel", {0, 0, 10, 10}, {9, 9, 5, 5}, {9, 9, 1, 1}, true},
      {"touching edges", {0, 0, 10, 10}, {10, 0, 5, 10}, {10, 0, 0, 10}, false},
      {"apart", {0, 0, 10, 10}, {20, 30, 5, 5}, {20, 30, -10, -20}, false},
      {"zero height", {0, 0, 10, 10}, {0, 5, 10, 0}, {0, 5, 10, 0}, false},
      {"negative width", {0, 0, 10, 10}, {5, 0, -3, 10}, {5, 0, -3, 10}, false},
      // Edges past the 32-bit range are summed in 64 bits: no wrap.
      {"right edge past 2^31", {kMax - 5, 0, 100, 10}, {0, 0, kMax, 10}, {kMax - 5, 0, 5, 10}, true},
      {"both edges past 2^31",
       {kMax - 5, 0, kMax, 10},
       {kMax - 9, 0, kMax, 10},
       {kMax - 5, 0, kMax - 4, 10},
       true},
      {"far apart saturates", {kMax, 0, 0, 1}, {kMin, 0, 0, 1}, {kMax, 0, kMin, 1}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LongRect out{-1, -1, -1, -1};
    EXPECT_EQ(LongRect::Intersect(c.a, c.b, out), c.result);
    EXPECT_EQ(out, c.out);
    LongRect reversed;
    EXPECT_EQ(LongRect::Intersect(c.b, c.a, reversed), c.result);
    EXPECT_EQ(reversed, c.out);
    LongRect aliased = c.a; // out may be one of the inputs
    EXPECT_EQ(LongRect::Intersect(aliased, c.b, aliased), c.result);
    EXPECT_EQ(aliased, c.out);
  }
}

TEST(RectIntersect, DoubleRectanglesNeedMoreThan2PowMinus52) {
  const struct {
    const char* name;
    DoubleRect a, b, out;
    bool result;
  } cases[] = {
      {"overlap", {0, 0, 10, 10}, {2.5, 2.5, 10, 10}, {2.5, 2.5, 7.5, 7.5}, true},
      {"width exactly 2^-52", {0, 0, kEps, 10}, {0, 0, 10, 10}, {0, 0, kEps, 10}, false},
      {"width twice 2^-52", {0, 0, 2 * kEps, 10}, {0, 0, 10, 10}, {0, 0, 2 * kEps, 10}, true},
      {"touching", {0, 0, 10, 10}, {0, 10, 10, 10}, {0, 10, 10, 0}, false},
      {"apart gives negative sizes", {0, 0, 1, 1}, {3, 5, 1, 1}, {3, 5, -2, -4}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DoubleRect out;
    EXPECT_EQ(DoubleRect::Intersect(c.a, c.b, out), c.result);
    EXPECT_EQ(out, c.out);
  }
  DoubleRect out;
  EXPECT_FALSE(DoubleRect::Intersect({kNaN, 0, 10, 10}, {0, 0, 10, 10}, out));
  EXPECT_FALSE(DoubleRect::Intersect({0, 0, 10, kNaN}, {0, 0, 10, 10}, out));
}

TEST(RectSnapToPixels, FloorsTheEdgesWithTolerance) {
  const struct {
    const char* name;
    DoubleRect in, out;
  } cases[] = {
      {"half pixels", {0.5, 0.5, 2.0, 2.0}, {0, 0, 2, 2}},
      {"negative width", {10, 0, -4, 1}, {6, 0, 4, 1}},
      {"negative height", {0, 10, 1, -4.5}, {0, 5, 1, 5}},
      {"edges floored apart", {0.9, 0.2, 0.2, 1.9}, {0, 0, 1, 2}},
      {"negative coordinates", {-2.5, -0.5, 1, 1}, {-3, -1, 1, 1}},
      {"whole numbers unchanged", {-3, 4, 5, 6}, {-3, 4, 5, 6}},
      // Within 2^-52 of its magnitude below a whole number counts as it.
      {"just below 3", {2.9999999999999996, 0, 1, 1}, {3, 0, 1, 1}},
      {"clearly below 3", {2.9999999, 0, 1, 1}, {2, 0, 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    DoubleRect r = c.in;
    r.SnapToPixels();
    EXPECT_EQ(r, c.out);
  }
}

} // namespace
} // namespace QZ
