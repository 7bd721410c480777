#pragma once
// The plain geometry records of the 2D drawing layer: points and rectangles
// {x, y, width, height} in whole pixels or in floating drawing coordinates.
// No invariants: a rectangle with a width or height below 1 covers nothing.

#include <cstdint>

namespace QZ::Platform {

struct PointI {
  std::int32_t x = 0;
  std::int32_t y = 0;
};

struct PointF {
  float x = 0;
  float y = 0;
};

struct RectI {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
};

struct RectF {
  float x = 0;
  float y = 0;
  float width = 0;
  float height = 0;
};

} // namespace QZ::Platform
