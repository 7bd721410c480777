#pragma once
// SGLImage: rows of pixels on their way into an OpenGL texture, either the
// caller's memory (SetExternal) or a buffer of the image's own (alpha
// conversion, scaling). Only the operations that read or write pixels through
// OpenGL (ScaleFrom, ScaleTo, UploadTo) need a current context; OpenGL errors
// they raise are drained and dropped, except that UploadTo returns the first.
//
// The image owns its data only when mOwnsData is set; owned data is freed by
// Reset, by every operation that refills the image and by the destructor.
// TakeFrom is the only way to hand owned data on: copying is not allowed.
//
// UI thread (the rendering thread) only.

#include <cstdint>

namespace QZ {

// The OpenGL values these objects take and keep, so that callers need no
// OpenGL header of their own.
inline constexpr std::uint32_t kGLTexture2D = 0x0DE1;        // GL_TEXTURE_2D
inline constexpr std::uint32_t kGLFormatBGRA = 0x80E1;       // GL_BGRA_EXT
inline constexpr std::uint32_t kGLFormatAlpha = 0x1906;      // GL_ALPHA
inline constexpr std::uint32_t kGLTypeUnsignedByte = 0x1401; // GL_UNSIGNED_BYTE
inline constexpr std::uint32_t kGLInternalAlpha8 = 0x803C;   // GL_ALPHA8
inline constexpr std::uint32_t kGLInternalAlpha4 = 0x803B;   // GL_ALPHA4
inline constexpr std::uint32_t kGLInternalRGBA8 = 0x8058;    // GL_RGBA8

// How OpenGL is to walk the rows of an image: GL_UNPACK_ROW_LENGTH is the
// stride in whole pixels; GL_UNPACK_ALIGNMENT is 1 when the stride holds whole
// pixels, else the smallest power of two above the bytes left over.
struct SGLUnpackSettings {
  std::int32_t mRowLength = 0;
  std::int32_t mAlignment = 1;
};
SGLUnpackSettings UnpackSettingsFor(std::int32_t stride, std::int32_t bytesPerPixel);

struct SGLImage {
  std::uint32_t mFormat = 0; // e.g. kGLFormatBGRA, kGLFormatAlpha
  std::uint32_t mType = 0;   // e.g. kGLTypeUnsignedByte
  bool mOwnsData = false;
  std::uint8_t* mData = nullptr; // first byte of the top row
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;
  std::int32_t mStride = 0; // bytes from one row to the next
  std::int32_t mBytesPerPixel = 0;

  SGLImage() = default;
  ~SGLImage() { Reset(); }
  SGLImage(const SGLImage&) = delete;
  SGLImage& operator=(const SGLImage&) = delete;

  // Every field 0; owned data is not freed (it has been handed on).
  void Clear();
  // Owned data freed, then every field 0.
  void Reset();
  // Takes other's fields, ownership included, and clears other.
  void TakeFrom(SGLImage& other);
  // Points at the caller's pixels, not owned; owned data is freed first.
  void SetExternal(const void* data, std::int32_t stride, std::int32_t bytesPerPixel, std::int32_t width,
                   std::int32_t height, std::uint32_t format, std::uint32_t type);

  // An owned 8-bit alpha image of width x height (rows padded to 4 bytes) from
  // a source of 32-bit 0xAARRGGBB pixels: 0 where the whole pixel is 0, else
  // 255 minus its luminance 0.59 G + 0.3 R + 0.11 B (truncated). Pixels the
  // source does not have are 0. The source may be this image.
  void MakeAlphaFrom(std::int32_t width, std::int32_t height, const SGLImage& source);
  void ConvertToAlpha();

  // An owned copy of source scaled to width x height by GLU, in the source's
  // format and type (rows padded to 4 bytes). The source may be this image.
  void ScaleFrom(std::int32_t width, std::int32_t height, const SGLImage& source);
  void ScaleTo(std::int32_t width, std::int32_t height);

  // Sends the pixels to the texture bound to target: into the top-left corner
  // of level 0, or as a full set of mipmaps built by GLU. Returns the first
  // OpenGL error the upload raised (0 for none); the others are drained.
  std::uint32_t UploadTo(std::uint32_t target, std::uint32_t internalFormat, bool mipmaps) const;
};

} // namespace QZ
