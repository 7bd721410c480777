#pragma once
// A list of filled rectangles {x, y, width, height}, each with a packed colour
// 0xAARRGGBB in a parallel array, drawn scaled by (scale x, scale y); with a
// handle and a changed flag as PolylineT has. Every change of the rectangle
// array's size applies to the colours too (added colours are 0), so the two
// arrays stay parallel; colours are written in place.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/ArrayBuffer.h"
#include "QZFramework/Utilities/Storage/GeometryHandle.h"
#include "QZFramework/Utilities/Storage/Iterable.h"

#include <algorithm>
#include <cstdint>

namespace QZ {

template <class T>
class ColorRectListT : public IArray<RectT<T>> {
  static_assert(sizeof(RectT<T>) == 4 * sizeof(T), "rectangles are packed coordinate quadruples");

public:
  ColorRectListT() = default;
  ColorRectListT(const ColorRectListT&) = delete;
  ColorRectListT& operator=(const ColorRectListT&) = delete;
  virtual ~ColorRectListT() = default;

  // The shorter of the two arrays, should a failed resize ever leave them apart.
  std::uint32_t GetCount() const override { return std::min(mRects.GetCount(), mColors.GetCount()); }

  const RectT<T>* GetData() const override { return mRects.GetData(); }
  RectT<T>* GetData() override { return mRects.GetData(); }

  const IArray<std::uint32_t>& GetColors() const { return mColors; }
  std::uint32_t* GetColorData() { return mColors.GetData(); }
  const std::uint32_t* GetColorData() const { return mColors.GetData(); }

  // The new count.
  std::int32_t AddRect(const RectT<T>& rect, std::uint32_t color) {
    const std::uint32_t index = GetCount();
    const std::int32_t result = InsertSpace(index, 1);
    if (result >= 0) {
      mRects.GetData()[index] = rect;
      mColors.GetData()[index] = color;
    }
    return result;
  }

  // A rectangle and its colour go together.
  QZRESULT Swap(std::uint32_t a, std::uint32_t b) override {
    const QZRESULT result = mRects.Swap(a, b);
    return result < 0 ? result : mColors.Swap(a, b);
  }

  // Colours first; when the rectangles then fail, the colours go back.
  std::int32_t SetSize(std::uint32_t count) override {
    const std::uint32_t old = GetCount();
    const std::int32_t result = mColors.SetSize(count);
    if (result < 0)
      return result;
    return Revertible([&] { return mRects.SetSize(count); }, [&] { mColors.SetSize(old); });
  }

  std::int32_t InsertSpace(std::uint32_t index, std::uint32_t count) override {
    const std::int32_t result = mColors.InsertSpace(index, count);
    if (result < 0 || count == 0)
      return result;
    return Revertible([&] { return mRects.InsertSpace(index, count); },
                      [&] { mColors.RemoveItems(index, count); });
  }

  std::int32_t RemoveItems(std::uint32_t index, std::uint32_t count) override {
    if (std::uint64_t{index} + count > GetCount())
      return E_INVALIDARG;
    mColors.RemoveItems(index, count);
    return mRects.RemoveItems(index, count);
  }

  std::int32_t GetHandle() const { return mHandle; }
  // The key function of the renderers' caches.
  static std::int32_t GetHandle(const ColorRectListT& list) { return list.mHandle; }

  float GetScaleX() const { return mScaleX; }
  float GetScaleY() const { return mScaleY; }
  void SetScale(float x, float y) {
    mScaleX = x;
    mScaleY = y;
  }

  bool IsChanged() const { return mChanged; }
  void SetChanged(bool changed = true) { mChanged = changed; }
  void ClearChanged() const { mChanged = false; }

private:
  template <class Change, class Revert>
  static std::int32_t Revertible(Change change, Revert revert) {
    std::int32_t result;
    try {
      result = change();
    } catch (...) {
      revert();
      throw;
    }
    if (result < 0)
      revert();
    return result;
  }

  ArrayBuffer<RectT<T>> mRects;
  ArrayBuffer<std::uint32_t> mColors;
  std::int32_t mHandle = NewGeometryHandle();
  float mScaleX = 1.0f;
  float mScaleY = 1.0f;
  mutable bool mChanged = true;
};

} // namespace QZ
