#pragma once
// The drawing state of a render context (origin, clip, alpha, stencil) and the
// stencil object it carries.
//
// A state is a value: copying it copies every field and shares the stencil.
// Stencils carry no pixels, only their size; their rectangle is always
// {0, 0, width, height}. Used on the UI thread only; no locks.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"

#include <cstdint>

namespace QZ {

class LStencil : public virtual LRefCountedObject {
public:
  explicit LStencil(const SizeT<std::int32_t>& size) : mSize(size), mRect{0, 0, size.width, size.height} {}
  ~LStencil() override = default;

  [[nodiscard]] static RCPtr<LStencil> CreateForSize(const SizeT<std::int32_t>& size);

  // The copy by size: a new stencil of the same size, its rectangle reset.
  [[nodiscard]] RCPtr<LStencil> CreateCopyBySize() const;
  RCPtr<LRefCountedObject> CreateCopy() const override;

  const SizeT<std::int32_t>& GetSize() const { return mSize; }
  const RectT<std::int32_t>& GetRect() const { return mRect; }

private:
  SizeT<std::int32_t> mSize;
  RectT<std::int32_t> mRect;
};

// The initial clip: the single-precision numbers nearest -5e15 and 1e16, so it
// covers every coordinate that can occur.
inline constexpr double kUnboundedClipOrigin = static_cast<double>(-5e15f);
inline constexpr double kUnboundedClipSize = static_cast<double>(1e16f);
static_assert(kUnboundedClipOrigin == -5000000136282112.0 && kUnboundedClipSize == 10000000272564224.0);

class RenderState {
public:
  RenderState() = default;
  RenderState(const RenderState&) = default;
  RenderState& operator=(const RenderState&) = default;
  virtual ~RenderState() = default;

  // A point (x, y) given to a drawing operation lands on the context's pixel
  // (origin.x + x, origin.y + y).
  PointT<double> mOrigin{0.0, 0.0};
  // In drawing coordinates.
  RectT<double> mClip{kUnboundedClipOrigin, kUnboundedClipOrigin, kUnboundedClipSize, kUnboundedClipSize};
  // Kept for the callers (control opacity); no back end applies it.
  float mAlpha = 1.0f;
  // Set when PushClip installed a caller's stencil object itself.
  bool mStencilInstalled = false;
  RCPtr<LStencil> mStencil;
};

} // namespace QZ
