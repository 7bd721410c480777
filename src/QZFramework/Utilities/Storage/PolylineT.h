#pragma once
// A list of points drawn as segments, a line strip or a polygon: contiguous
// (x, y) pairs (a vertex array as it stands), a line width, the handle the
// renderers key their built geometry by, and a changed flag. The owner sets the
// flag whenever it changes the points; a renderer that caches reads and clears
// it, and rebuilds when it was set. A new list starts changed, so nothing built
// for an earlier list can stand in for it.

#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/ArrayBuffer.h"
#include "QZFramework/Utilities/Storage/GeometryHandle.h"

#include <cstdint>

namespace QZ {

template <class T>
class PolylineT : public ArrayBuffer<PointT<T>> {
  static_assert(sizeof(PointT<T>) == 2 * sizeof(T), "points are packed coordinate pairs");

public:
  PolylineT() = default;
  ~PolylineT() override = default;

  std::int32_t GetHandle() const { return mHandle; }
  // The key function of the renderers' caches.
  static std::int32_t GetHandle(const PolylineT& polyline) { return polyline.mHandle; }

  float GetLineWidth() const { return mLineWidth; }
  void SetLineWidth(float width) { mLineWidth = width; }

  bool IsChanged() const { return mChanged; }
  void SetChanged(bool changed = true) { mChanged = changed; }
  // Cache bookkeeping, not content: cleared by renderers that draw a const list.
  void ClearChanged() const { mChanged = false; }

private:
  std::int32_t mHandle = NewGeometryHandle();
  float mLineWidth = 1.0f;
  mutable bool mChanged = true;
};

} // namespace QZ
