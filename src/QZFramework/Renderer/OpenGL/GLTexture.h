#pragma once
// LGLTexture: a 2-D OpenGL texture whose storage is a power of two on each
// side (NextTextureSize), allocated once without data; the image goes into the
// top-left corner. Storage the driver cannot take is halved until it fits, and
// the image is then scaled down to it (so is an image that repeat wrapping
// needs at the full storage size); an image larger than the largest storage
// (16384) is scaled down to it on the sides that overflow. Filtering, wrapping
// and mipmaps are chosen by the upload flags.
//
// Every operation acts on the OpenGL context current on the calling thread
// (the UI thread). OpenGL errors of the set-up are drained and dropped; an
// error while allocating the storage or sending the pixels fails the upload,
// which the result and GetUploadResult report. The name is -1 until the first
// upload; a name that OpenGL no longer knows as a texture is made again by the
// next upload.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Renderer/OpenGL/GLImage.h"
#include "QZFramework/Utilities/Graphics/Bitmap.h"

#include <cstdint>

namespace QZ {

// The storage size for n pixels: the smallest power of two not below n, at
// most 16384; 0 for n of 0 or less.
std::int32_t NextTextureSize(std::int32_t n);

// Upload flags.
inline constexpr std::uint32_t kGLTextureNearest = 1; // nearest filtering, else linear
inline constexpr std::uint32_t kGLTextureRepeat = 2;  // repeat wrapping (image scaled to the storage), else clamp
inline constexpr std::uint32_t kGLTextureMipmaps = 4; // mipmaps built by GLU

// A rectangle by its edges.
struct SGLRect {
  float mX0 = 0.0f;
  float mY0 = 0.0f;
  float mX1 = 0.0f;
  float mY1 = 0.0f;
};

class LGLTexture : public LRefCountedObject {
public:
  LGLTexture() = default;
  // Deletes the name when OpenGL still knows it as a texture.
  ~LGLTexture() override;
  LGLTexture(const LGLTexture&) = delete;
  LGLTexture& operator=(const LGLTexture&) = delete;

  // Binds (making a name when needed), sets the parameters the flags choose,
  // allocates power-of-two storage and uploads the image. The image may be
  // changed: scaled to the storage, converted to alpha for kGLInternalAlpha8 and
  // kGLInternalAlpha4. The scale is not used. S_OK; E_OUTOFMEMORY when OpenGL
  // or the scaling ran out of memory, E_FAIL for any other OpenGL error of the
  // storage or the pixels: the texture then has no usable picture.
  QZRESULT Upload(SGLImage& image, std::uint32_t internalFormat, std::uint32_t flags, float scale);
  // Keeps the bitmap and uploads the whole image that holds its pixels (all
  // views of one image share the texture) as kGLInternalRGBA8 with flags 0.
  // A null bitmap uploads nothing (S_OK); a bitmap whose pixels cannot be
  // locked, or that has none, gives E_FAIL; otherwise as Upload.
  QZRESULT UploadBitmap(const RCPtr<LBitmap>& bitmap);
  // Halves width and height (both at once) until the driver accepts storage of
  // that size and formats, and returns the factor they were divided by (1 when
  // they fit at once). A width of 1 or less, or a height that reaches 1, stops
  // the search with the last size tried.
  std::int32_t FitTextureSize(float& width, float& height, std::uint32_t internalFormat, std::uint32_t format,
                              std::uint32_t type);
  // A textured quad: the source rectangle, in the pixels of the uploaded image,
  // drawn onto the target rectangle; source y grows downwards as in the image.
  void Draw(const SGLRect& source, const SGLRect& target) const;

  std::uint32_t GetTarget() const { return mTarget; }
  std::int32_t GetName() const { return mName; }
  float GetTextureWidth() const { return mTextureWidth; }
  float GetTextureHeight() const { return mTextureHeight; }
  float GetImageWidth() const { return mImageWidth; }
  float GetImageHeight() const { return mImageHeight; }
  const RCPtr<LBitmap>& GetBitmap() const { return mBitmap; }
  // The result of the last upload; S_OK before any.
  QZRESULT GetUploadResult() const { return mUploadResult; }

protected:
  // Binds the texture, first making a name when there is none.
  void Bind();

  std::uint32_t mTarget = kGLTexture2D;
  std::int32_t mName = -1;
  float mTextureWidth = 0.0f;
  float mTextureHeight = 0.0f;
  // Size of the image in the storage: the texture size after a rescale.
  float mImageWidth = 0.0f;
  float mImageHeight = 0.0f;
  // Size of the image as given to Upload, before any rescale: the unit of the
  // source rectangles of Draw.
  float mSourceWidth = 0.0f;
  float mSourceHeight = 0.0f;
  RCPtr<LBitmap> mBitmap;
  QZRESULT mUploadResult = S_OK;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LGLTexture, "class QZ::LGLTexture")
