#include "QZFramework/Renderer/OpenGL/GLImage.h"

#include "QZFramework/Renderer/OpenGL/GLErrors.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace QZ {

static_assert(kGLTexture2D == GL_TEXTURE_2D && kGLFormatBGRA == GL_BGRA && kGLFormatAlpha == GL_ALPHA &&
              kGLTypeUnsignedByte == GL_UNSIGNED_BYTE && kGLInternalAlpha8 == GL_ALPHA8 &&
              kGLInternalAlpha4 == GL_ALPHA4 && kGLInternalRGBA8 == GL_RGBA8);

namespace {

// Pixel buffers above this size are refused (OpenGL cannot take them anyway).
constexpr std::int64_t kMaxImageBytes = std::int64_t{1} << 31;

std::int32_t RoundUpTo4(std::int64_t bytes) { return static_cast<std::int32_t>((bytes + 3) & ~std::int64_t{3}); }

// A zero-filled buffer of stride x height bytes; null for none or too many.
std::uint8_t* AllocatePixels(std::int64_t stride, std::int64_t height) {
  if (stride <= 0 || height <= 0 || stride * height > kMaxImageBytes)
    return nullptr;
  return new (std::nothrow) std::uint8_t[static_cast<std::size_t>(stride * height)]();
}

void ApplyUnpackSettings(const SGLImage& image) {
  const SGLUnpackSettings settings = UnpackSettingsFor(image.mStride, image.mBytesPerPixel);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, settings.mRowLength);
  glPixelStorei(GL_UNPACK_ALIGNMENT, settings.mAlignment);
}

} // namespace

SGLUnpackSettings UnpackSettingsFor(std::int32_t stride, std::int32_t bytesPerPixel) {
  SGLUnpackSettings settings;
  if (bytesPerPixel <= 0)
    return settings;
  settings.mRowLength = stride / bytesPerPixel;
  const std::int32_t rest = stride % bytesPerPixel;
  if (rest != 0) {
    settings.mAlignment = 1;
    while (settings.mAlignment <= rest)
      settings.mAlignment *= 2;
  }
  return settings;
}

void SGLImage::Clear() {
  mFormat = 0;
  mType = 0;
  mOwnsData = false;
  mData = nullptr;
  mWidth = 0;
  mHeight = 0;
  mStride = 0;
  mBytesPerPixel = 0;
}

void SGLImage::Reset() {
  if (mOwnsData)
    delete[] mData;
  Clear();
}

void SGLImage::TakeFrom(SGLImage& other) {
  if (&other == this)
    return;
  Reset();
  mFormat = other.mFormat;
  mType = other.mType;
  mOwnsData = other.mOwnsData;
  mData = other.mData;
  mWidth = other.mWidth;
  mHeight = other.mHeight;
  mStride = other.mStride;
  mBytesPerPixel = other.mBytesPerPixel;
  other.Clear();
}

void SGLImage::SetExternal(const void* data, std::int32_t stride, std::int32_t bytesPerPixel, std::int32_t width,
                           std::int32_t height, std::uint32_t format, std::uint32_t type) {
  Reset();
  // Never written through: only the upload reads external pixels.
  mData = static_cast<std::uint8_t*>(const_cast<void*>(data));
  mStride = stride;
  mBytesPerPixel = bytesPerPixel;
  mWidth = width;
  mHeight = height;
  mFormat = format;
  mType = type;
}

void SGLImage::MakeAlphaFrom(std::int32_t width, std::int32_t height, const SGLImage& source) {
  const std::int32_t stride = RoundUpTo4(std::max(width, 0));
  std::uint8_t* alpha = AllocatePixels(stride, height);

  // Built before the old data goes, since the source may be this image. Only
  // whole 32-bit pixels inside each source row are read.
  if (alpha != nullptr && source.mData != nullptr) {
    const std::int32_t rows = std::min(height, source.mHeight);
    const std::int32_t columns = std::min({width, source.mWidth, source.mStride / 4});
    for (std::int32_t y = 0; y < rows; ++y) {
      const std::uint8_t* in = source.mData + std::int64_t{y} * source.mStride;
      std::uint8_t* out = alpha + std::int64_t{y} * stride;
      for (std::int32_t x = 0; x < columns; ++x) {
        std::uint32_t pixel = 0;
        std::memcpy(&pixel, in + 4 * std::int64_t{x}, sizeof pixel);
        if (pixel == 0) {
          out[x] = 0;
          continue;
        }
        const double r = static_cast<double>((pixel >> 16) & 0xFF);
        const double g = static_cast<double>((pixel >> 8) & 0xFF);
        const double b = static_cast<double>(pixel & 0xFF);
        const double luminance = 0.59 * g + 0.3 * r + 0.11 * b;
        out[x] = static_cast<std::uint8_t>(255 - static_cast<std::int32_t>(luminance));
      }
    }
  }

  Reset();
  mFormat = kGLFormatAlpha;
  mType = kGLTypeUnsignedByte;
  mBytesPerPixel = 1;
  mWidth = width;
  mHeight = height;
  mStride = stride;
  mData = alpha;
  mOwnsData = alpha != nullptr;
}

void SGLImage::ConvertToAlpha() { MakeAlphaFrom(mWidth, mHeight, *this); }

void SGLImage::ScaleFrom(std::int32_t width, std::int32_t height, const SGLImage& source) {
  const std::int32_t stride = RoundUpTo4(std::int64_t{std::max(width, 0)} * std::max(source.mBytesPerPixel, 0));
  std::uint8_t* scaled = AllocatePixels(stride, height);
  if (scaled != nullptr && source.mData != nullptr) {
    ApplyUnpackSettings(source);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    gluScaleImage(source.mFormat, source.mWidth, source.mHeight, source.mType, source.mData, width, height,
                  source.mType, scaled);
    DrainGLErrors();
  }

  const std::uint32_t format = source.mFormat;
  const std::uint32_t type = source.mType;
  const std::int32_t bytesPerPixel = source.mBytesPerPixel;
  Reset();
  mFormat = format;
  mType = type;
  mBytesPerPixel = bytesPerPixel;
  mWidth = width;
  mHeight = height;
  mStride = stride;
  mData = scaled;
  mOwnsData = scaled != nullptr;
}

void SGLImage::ScaleTo(std::int32_t width, std::int32_t height) { ScaleFrom(width, height, *this); }

std::uint32_t SGLImage::UploadTo(std::uint32_t target, std::uint32_t internalFormat, bool mipmaps) const {
  DrainGLErrors();
  ApplyUnpackSettings(*this);
  if (mipmaps)
    gluBuild2DMipmaps(target, static_cast<GLint>(internalFormat), mWidth, mHeight, mFormat, mType, mData);
  else
    glTexSubImage2D(target, 0, 0, 0, mWidth, mHeight, mFormat, mType, mData);
  return TakeGLError();
}

} // namespace QZ
