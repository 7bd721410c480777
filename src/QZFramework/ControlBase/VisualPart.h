#pragma once
// LVisualPart: one drawable piece of a look, a picture (a rectangle of a skin
// image, possibly tinted) or a plain colour, drawn stretched, tiled or centred
// into a rectangle, and asked for the colour under a point (hit testing treats
// transparent pixels as outside).
//
// Tinted pictures are made once, when the part is built; drawing never tints.
// Parts built from the skin are cached by their visual part descriptor and
// shared by every look that shows them. The descriptor's reference is counted
// as the part's one inner reference, so when only the cache holds the part
// besides the releasing owner, the part empties the cache and goes: a cached
// part lives while some look holds it. The part keeps a plain back pointer to
// its descriptor, which the descriptor clears when it goes first.
//
// UI thread only; nothing locks.

#include "QZFramework/ControlBase/LookDescriptor.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Graphics/Bitmap.h"
#include "QZFramework/Utilities/Graphics/Colorizer.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class LRenderer;

// What GetColorAtPoint answers outside a part: transparent white.
inline constexpr std::uint32_t kTransparentWhite = 0x00FFFFFF;

class LVisualPart : public virtual LRefCountedObject {
public:
  // A picture part of the image's size; null for a null image.
  [[nodiscard]] static RCPtr<LVisualPart> Create(const WideString& name, const RCPtr<LBitmap>& image,
                                                 std::int32_t resizeType, const RCPtr<LColorizer>& colorizer,
                                                 float alphaModifier, const RCPtr<LBitmap>& mask);

  // With an image the size is the image's. With a colouriser and an image, a
  // mask or a gradient, the picture becomes the tinted (or filled) bitmap; a
  // solid colouriser alone keeps the part a colour part without image.
  LVisualPart(const WideString& name, const RCPtr<LBitmap>& image, std::int32_t resizeType,
              const RCPtr<LColorizer>& colorizer, const SizeT<std::int32_t>& size, float alphaModifier,
              const RCPtr<LBitmap>& mask);
  ~LVisualPart() override = default;

  // Fills {0, 0, size} (rounded) at the current origin. 0. A part with neither
  // picture nor colouriser raises its runtime error.
  virtual QZRESULT Draw(const RCPtr<LRenderer>& renderer, const SizeT<float>& size);

  // The packed 0xAARRGGBB colour at a point of the part at its natural size;
  // kTransparentWhite outside. Gradient colourisers and parts with neither
  // picture nor colouriser raise their runtime errors.
  std::uint32_t GetColorAtPoint(const PointT<std::int32_t>& point) const;
  // The same for the part drawn into a rectangle of the drawn size.
  std::uint32_t GetColorAtPoint(const PointT<float>& point, const SizeT<float>& drawnSize) const;

  // Remembers the descriptor whose cache holds this part and counts that
  // reference as an inner one.
  void SetSourceDescriptor(LVisualPartDescriptor* descriptor);
  // The descriptor is going: the part forgets it and its inner reference.
  void DetachSourceDescriptor();
  // 1 without inner references; otherwise empties the descriptor's cache and
  // gives the inner reference back, 0.
  QZRESULT ReleaseInnerReferences() override;

  const WideString& GetName() const { return mName; }
  const RCPtr<LBitmap>& GetImage() const { return mImage; }
  std::int32_t GetWidth() const { return mWidth; }
  std::int32_t GetHeight() const { return mHeight; }
  std::int32_t GetResizeType() const { return mResizeType; }
  const RCPtr<LColorizer>& GetColorizer() const { return mColorizer; }
  float GetAlphaModifier() const { return mAlphaModifier; }
  const RCPtr<LBitmap>& GetMask() const { return mMask; }
  LVisualPartDescriptor* GetSourceDescriptor() const { return mSourceDescriptor; }

private:
  WideString mName;
  RCPtr<LBitmap> mImage;
  std::int32_t mWidth;
  std::int32_t mHeight;
  std::int32_t mResizeType;
  RCPtr<LColorizer> mColorizer;
  float mAlphaModifier;
  RCPtr<LBitmap> mMask;
  LVisualPartDescriptor* mSourceDescriptor = nullptr;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LVisualPart, "class QZ::LVisualPart")
