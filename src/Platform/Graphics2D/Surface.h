#pragma once
// A drawing surface: the pixel format every Canvas draws in and every window
// shows ("compatible" with the windows), 32-bit words 0xAARRGGBB with
// premultiplied alpha. Back buffers and the temporaries of bitmap drawing are
// surfaces; decoded pictures are Images (straight alpha) instead.
//
// A new surface is transparent black. Pixel reads and writes take and give
// straight (not premultiplied) colours; a colour written with an alpha below
// 255 is stored premultiplied, so it reads back rounded.
//
// One surface is used by one thread at a time, canvases on it included.

#include "Platform/Graphics2D/Geometry2D.h"
#include "Platform/Graphics2D/Image.h"

#include <cstdint>
#include <memory>

namespace QZ::Platform {

class Surface {
public:
  // Null (with *status set) for a size below 1 or too large (Image's limit).
  static std::unique_ptr<Surface> Create(std::int32_t width, std::int32_t height, ImageStatus* status = nullptr);

  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;
  ~Surface();

  std::int32_t GetWidth() const { return mWidth; }
  std::int32_t GetHeight() const { return mHeight; }

  // InvalidParameter outside the surface.
  ImageStatus GetPixel(std::int32_t x, std::int32_t y, std::uint32_t& argb) const;
  ImageStatus SetPixel(std::int32_t x, std::int32_t y, std::uint32_t argb);
  // Sets every pixel of the rectangle that lies on the surface to the colour,
  // alpha included: no blending, no transform, no clip. The rest of the
  // rectangle is ignored.
  void FillPixels(const RectI& rect, std::uint32_t argb);

  // The pixels for reading, premultiplied words 0xAARRGGBB: row y starts at
  // GetData() + y * GetStride() bytes. Drawing that is still under way is
  // finished first. A window presents a back buffer straight from here, with
  // no copy in between.
  const std::uint8_t* GetData() const;
  std::int32_t GetStride() const;

  // A straight-alpha copy, for reading back and saving as PNG; null when
  // memory runs out.
  std::unique_ptr<Image> ToImage() const;

private:
  friend class Canvas;
  friend class CachedImage;

  Surface(std::int32_t width, std::int32_t height, void* surface);
  std::uint32_t* Row(std::int32_t y) const;

  std::int32_t mWidth;
  std::int32_t mHeight;
  std::shared_ptr<void> mSurface; // the drawing library's image surface
};

// Straight 0xAARRGGBB to premultiplied and back, rounded as the drawing
// library rounds.
std::uint32_t PremultiplyArgb(std::uint32_t argb);
std::uint32_t UnpremultiplyArgb(std::uint32_t premultiplied);

} // namespace QZ::Platform
