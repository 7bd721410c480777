#pragma once
// LBitmap: a rectangle of one decoded image, either an image of its own (from
// a "GDIPLUS" resource, a file, or made in memory) or a view into the image of
// another bitmap. Skin pictures come from one process-wide cache, so every part
// cut from one sheet shares one decoded image.
//
// Rectangles come from the skin and are never clipped: a view may reach past
// its image (skin code counts on getting one), so everything that touches
// pixels checks against the image itself. A copy of a rectangle that is not
// wholly inside has no image, a lock of it (or a tint) fails, a pixel read
// outside the image gives zero, and drawing code must take only the part of
// the rectangle that lies inside GetGdiplusBitmap().

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Graphics/Color.h"
#include "QZFramework/Utilities/Graphics/Colorizer.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Graphics/PixelBuffer.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "Platform/Graphics2D/Image.h"

#include <cstdint>
#include <memory>

namespace QZ {

class LBitmapData;

class LBitmap : public virtual LRefCountedObject {
public:
  // Every field zero or null: no pixels until something gives it an image.
  LBitmap();
  // Decodes the source ("::" and an image file name for a resource, else a
  // file path); the bitmap has no image when that fails. Used by the cache.
  LBitmap(const WideString& source, const WideString& cacheKey);
  ~LBitmap() override;

  // The shared bitmap of a source, decoded on first use; null when the source
  // does not load, and nothing is cached then. "::arp_on.png" and
  // "::ARP_ON.PNG" are one entry; a file is keyed by its real path (links and
  // ".." resolved, case kept), so each entry is one file.
  [[nodiscard]] static RCPtr<LBitmap> GetCachedBitmap(const WideString& source);

  // A view of (x, y, width, height) relative to this bitmap, sharing its
  // image; a width or height below 1 views the whole bitmap. Views of views
  // point at the bitmap that holds the image. The rectangle is kept as given,
  // also where it leaves the image (offsets past the 32-bit range are held at
  // its ends). Null only when there is no image.
  [[nodiscard]] RCPtr<LBitmap> CreateSubBitmap(std::int32_t x, std::int32_t y, std::int32_t width,
                                               std::int32_t height);

  // A new bitmap owning a copy of this bitmap's rectangle, at (0, 0); without
  // an image when the copy fails.
  [[nodiscard]] RCPtr<LBitmap> Clone() const;

  // The image that holds the pixels: this bitmap's own, else its parent's.
  Platform::Image* GetGdiplusBitmap() const;
  // The identity of that image, pointer-wide: every view of one image has the
  // same handle, so renderers key their per-image objects (textures) by it. 0
  // without an image.
  std::uintptr_t GetHandle() const { return reinterpret_cast<std::uintptr_t>(GetGdiplusBitmap()); }
  // The handle of the bitmap; 0 for a null one.
  static std::uintptr_t GetHandle(const RCPtr<LBitmap>& bitmap) { return bitmap ? bitmap->GetHandle() : 0; }
  static std::uintptr_t GetHandle(const ConstRCPtr<LBitmap>& bitmap) { return bitmap ? bitmap->GetHandle() : 0; }

  // A read lock of the pixels. A view locks the whole bitmap that holds its
  // image. The lock record is all zero when locking fails.
  RCPtr<LBitmapData> Lock();

  // The pixel at (x, y) relative to this bitmap's rectangle as straight
  // channels (byte / 255); {0, 0, 0, 0} outside the image or when the read
  // fails. Like the offset, the point is not held to the rectangle.
  Color GetPixel(std::int32_t x, std::int32_t y) const;

  // Tints the bitmap's rectangle in place: each of red, green and blue moves
  // towards the colouriser's colour by its alpha times alphaModifier; alpha is
  // kept. Results beyond a byte are clamped.
  static void ApplyColorizer(const RCPtr<LBitmap>& bitmap, const ConstRCPtr<LColorizer>& colorizer,
                             float alphaModifier);
  // A new bitmap of the size filled with the colouriser's colour, its alpha
  // times alphaModifier.
  [[nodiscard]] static RCPtr<LBitmap> CreateColorizedBitmap(const ConstRCPtr<LColorizer>& colorizer,
                                                            float alphaModifier, const SizeT<std::int32_t>& size);
  // A new bitmap of the size with every pixel color.ToARGB().
  [[nodiscard]] static RCPtr<LBitmap> CreateFilledBitmap(const SizeT<std::int32_t>& size, const Color& color);
  // Gradients are not drawn: always raises its domain error.
  [[noreturn]] static RCPtr<LBitmap> CreateGradientFilledBitmap(const SizeT<std::int32_t>& size,
                                                                const Color& startColor, const Color& endColor,
                                                                const PointT<float>& startPoint,
                                                                const PointT<float>& endPoint, bool radial);
  // The picture of a visual part: a tinted copy of the image, a tinted copy of
  // the mask, or a filled bitmap of the size when there is neither. The shared
  // picture itself is never changed.
  [[nodiscard]] static RCPtr<LBitmap> PreparePartBitmap(const ConstRCPtr<LColorizer>& colorizer,
                                                        float alphaModifier, const SizeT<std::int32_t>& size,
                                                        const RCPtr<LBitmap>& image, const RCPtr<LBitmap>& mask);

  // Usable when exactly one of an image and a parent is set.
  bool IsUsable() const { return (mImage != nullptr) != !mParent.IsNull(); }
  std::int32_t GetX() const { return mX; }
  std::int32_t GetY() const { return mY; }
  std::int32_t GetWidth() const { return mWidth; }
  std::int32_t GetHeight() const { return mHeight; }
  RectT<std::int32_t> GetRect() const { return {mX, mY, mWidth, mHeight}; }
  const RCPtr<LBitmap>& GetParent() const { return mParent; }
  const WideString& GetSource() const { return mSource; }
  const WideString& GetCacheKey() const { return mCacheKey; }

protected:
  // Leaves the cache when only the cache's reference remains besides the
  // caller's.
  QZRESULT ReleaseInnerReferences() override;

private:
  // Takes an image made elsewhere, with the rectangle of the whole image.
  explicit LBitmap(std::unique_ptr<Platform::Image> image);

  std::int32_t mX = 0;
  std::int32_t mY = 0;
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;
  RCPtr<LBitmap> mParent;
  WideString mSource;
  WideString mCacheKey;
  std::unique_ptr<Platform::Image> mImage;
};

// A lock of a bitmap's rectangle as 32-bit ARGB words (bytes blue, green, red,
// alpha), held from construction to destruction.
class LBitmapData : public IPixelBuffer<std::uint32_t>, public virtual LRefCountedObject {
public:
  // Locking into a caller's buffer is not supported: a non-null external
  // buffer raises a domain error.
  LBitmapData(const RCPtr<LBitmap>& bitmap, std::uint32_t lockMode,
              const RCPtr<LPixelBuffer<std::uint32_t>>& externalBuffer = RCPtr<LPixelBuffer<std::uint32_t>>());
  ~LBitmapData() override;
  LBitmapData(const LBitmapData&) = delete;
  LBitmapData& operator=(const LBitmapData&) = delete;

  std::int32_t GetWidth() const override;
  std::int32_t GetHeight() const override;
  std::int32_t GetStride() const override;
  // Null outside the locked rectangle and when the lock failed.
  const std::uint32_t* GetPixelAddressConst(std::int32_t x, std::int32_t y) const override;
  std::uint32_t* GetPixelAddress(std::int32_t x, std::int32_t y) override;

  const Platform::ImageLockData& GetLockData() const { return mLock; }

private:
  RCPtr<LBitmap> mBitmap;
  Platform::ImageLockData mLock;
  RCPtr<LPixelBuffer<std::uint32_t>> mExternalBuffer;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LBitmap, "class QZ::LBitmap")
QZ_TYPE_NAME(QZ::LBitmapData, "class QZ::LBitmapData")
