#pragma once
// How a picture fills a rectangle: shared by the renderers, which draw it, and
// the skin's visual parts, which name it.

#include <cstdint>

namespace QZ {

inline constexpr std::int32_t kResizeStretch = 0;
inline constexpr std::int32_t kResizeTile = 1;
inline constexpr std::int32_t kResizeCentre = 2;

} // namespace QZ
