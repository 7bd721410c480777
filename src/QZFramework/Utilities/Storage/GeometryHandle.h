#pragma once
// Handles of the point and rectangle lists: the identity under which the
// renderers cache what they build from a list. Process-wide and unique until
// the 32-bit counter wraps; steps of 16 keep bits 4 to 11, the caches' bucket
// bits, changing from one list to the next.

#include <atomic>
#include <cstdint>

namespace QZ {

inline std::int32_t NewGeometryHandle() {
  static std::atomic<std::uint32_t> sLast{0};
  std::uint32_t handle;
  do {
    handle = sLast.fetch_add(16, std::memory_order_relaxed) + 16;
  } while (handle == 0); // 0 is no list
  return static_cast<std::int32_t>(handle);
}

} // namespace QZ
