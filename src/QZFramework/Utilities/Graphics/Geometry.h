#pragma once
// Points, sizes and rectangles {x, y, width, height} over float, double and
// 32-bit integer coordinates, with the one set of conversions every pixel edge
// goes through: doubles and floats round half away from zero and saturate to
// the 32-bit range (NaN gives the minimum); integers read back as doubles are
// limited to +-2^52, as floats to +-2^23.
//
// The integer form is 32-bit on every platform (the "long" of the names), so
// coordinates are float, double or std::int32_t and nothing else.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <type_traits>

namespace QZ {

template <class T>
inline constexpr bool kIsGeometryCoordinate =
    std::is_same_v<T, float> || std::is_same_v<T, double> || std::is_same_v<T, std::int32_t>;

// Half away from zero, saturating: above 2147483647.0 gives 2147483647, below
// -2147483648.0 and NaN give -2147483648. The fraction is taken exactly, so
// values just under one half (0.49999999999999994) do not round up the way
// v + 0.5 computed in doubles would.
constexpr std::int32_t RoundToLong(double v) noexcept {
  if (!(v >= -2147483648.0))
    return std::numeric_limits<std::int32_t>::min();
  if (v > 2147483647.0)
    return std::numeric_limits<std::int32_t>::max();
  auto whole = static_cast<std::int64_t>(v); // truncates toward zero
  const double fraction = v - static_cast<double>(whole);
  if (fraction >= 0.5)
    ++whole;
  else if (fraction <= -0.5)
    --whole;
  return static_cast<std::int32_t>(whole);
}

// Toward zero, saturating as RoundToLong does (NaN gives -2147483648). A float or double from a skin or a layout
// may be anything, and converting one outside the range is undefined.
constexpr std::int32_t TruncateToLong(double v) noexcept {
  if (!(v > -2147483649.0))
    return std::numeric_limits<std::int32_t>::min();
  if (v >= 2147483648.0)
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(v);
}

inline constexpr double kMaxExactDouble = 4503599627370496.0; // 2^52
inline constexpr float kMaxExactFloat = 8388608.0f;           // 2^23

// Doubles made from integers stay where every whole number is exact.
constexpr double ToClampedDouble(std::int64_t v) noexcept {
  return std::clamp(static_cast<double>(v), -kMaxExactDouble, kMaxExactDouble);
}

// Nearest float, then limited to +-2^23.
constexpr float ToClampedFloat(std::int32_t v) noexcept {
  return std::clamp(static_cast<float>(v), -kMaxExactFloat, kMaxExactFloat);
}

template <class T>
struct PointT {
  static_assert(kIsGeometryCoordinate<T>, "coordinates are float, double or std::int32_t");

  T x{};
  T y{};

  friend constexpr bool operator==(const PointT&, const PointT&) = default;

  constexpr PointT<std::int32_t> RoundToLong() const noexcept requires std::is_same_v<T, double> {
    return {QZ::RoundToLong(x), QZ::RoundToLong(y)};
  }

  // Each float is widened to double first, so 2^31 and above give 2147483647.
  constexpr PointT<std::int32_t> ToIntPoint() const noexcept requires std::is_same_v<T, float> {
    return {QZ::RoundToLong(static_cast<double>(x)), QZ::RoundToLong(static_cast<double>(y))};
  }

  constexpr PointT<double> ToDoublePoint() const noexcept requires std::is_same_v<T, std::int32_t> {
    return {ToClampedDouble(x), ToClampedDouble(y)};
  }
};

template <class T>
struct SizeT {
  static_assert(kIsGeometryCoordinate<T>, "coordinates are float, double or std::int32_t");

  T width{};
  T height{};

  friend constexpr bool operator==(const SizeT&, const SizeT&) = default;

  constexpr SizeT<std::int32_t> RoundToLong() const noexcept requires std::is_same_v<T, double> {
    return {QZ::RoundToLong(width), QZ::RoundToLong(height)};
  }
};

template <class T>
struct RectT {
  static_assert(kIsGeometryCoordinate<T>, "coordinates are float, double or std::int32_t");

  T x{};
  T y{};
  T width{};
  T height{};

  friend constexpr bool operator==(const RectT&, const RectT&) = default;

  constexpr RectT<std::int32_t> RoundToLong() const noexcept requires std::is_floating_point_v<T> {
    return {QZ::RoundToLong(static_cast<double>(x)), QZ::RoundToLong(static_cast<double>(y)),
            QZ::RoundToLong(static_cast<double>(width)), QZ::RoundToLong(static_cast<double>(height))};
  }

  constexpr RectT<float> ToFloatRect() const noexcept requires std::is_same_v<T, std::int32_t> {
    return {ToClampedFloat(x), ToClampedFloat(y), ToClampedFloat(width), ToClampedFloat(height)};
  }

  constexpr RectT<double> ToDoubleRect() const noexcept requires std::is_same_v<T, std::int32_t> {
    return {ToClampedDouble(x), ToClampedDouble(y), ToClampedDouble(width), ToClampedDouble(height)};
  }

  // out = a ∩ b as {max left, max top, min right - left, min bottom - top}; out
  // is written even when empty. Integers: true when both sizes are at least 1;
  // edges are summed in 64 bits and the sizes saturate. Doubles: true when both
  // sizes exceed 2^-52 (false for NaN). out may be a or b.
  static constexpr bool Intersect(const RectT& a, const RectT& b,
                                  RectT& out) noexcept requires std::is_same_v<T, std::int32_t> {
    const std::int64_t left = std::max(a.x, b.x);
    const std::int64_t top = std::max(a.y, b.y);
    const std::int64_t right = std::min(std::int64_t{a.x} + a.width, std::int64_t{b.x} + b.width);
    const std::int64_t bottom = std::min(std::int64_t{a.y} + a.height, std::int64_t{b.y} + b.height);
    const std::int64_t width = right - left;
    const std::int64_t height = bottom - top;
    out = {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), Saturate(width), Saturate(height)};
    return width >= 1 && height >= 1;
  }

  static constexpr bool Intersect(const RectT& a, const RectT& b,
                                  RectT& out) noexcept requires std::is_same_v<T, double> {
    const double left = std::max(a.x, b.x);
    const double top = std::max(a.y, b.y);
    const double width = std::min(a.x + a.width, b.x + b.width) - left;
    const double height = std::min(a.y + a.height, b.y + b.height) - top;
    out = {left, top, width, height};
    constexpr double kEpsilon = std::numeric_limits<double>::epsilon(); // 2^-52
    return width > kEpsilon && height > kEpsilon;
  }

  // In place: a negative size is flipped by moving x (y) to the other edge; then
  // the four edges are floored, a value within 2^-52 of its own magnitude below
  // a whole number counting as that number.
  void SnapToPixels() noexcept requires std::is_same_v<T, double> {
    if (width < 0) {
      x += width;
      width = -width;
    }
    if (height < 0) {
      y += height;
      height = -height;
    }
    const double left = FloorWithTolerance(x);
    const double top = FloorWithTolerance(y);
    const double right = FloorWithTolerance(x + width);
    const double bottom = FloorWithTolerance(y + height);
    x = left;
    y = top;
    width = right - left;
    height = bottom - top;
  }

private:
  static constexpr std::int32_t Saturate(std::int64_t v) noexcept {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
  }

  static double FloorWithTolerance(double v) noexcept {
    constexpr double kEpsilon = std::numeric_limits<double>::epsilon();
    return v >= 0 ? std::trunc(v * (1.0 + kEpsilon)) : std::trunc(v - (1.0 + v * kEpsilon));
  }
};

} // namespace QZ
