#include "Platform/Graphics2D/Surface.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

namespace QZ::Platform {

namespace {

cairo_surface_t* Cairo(const std::shared_ptr<void>& surface) {
  return static_cast<cairo_surface_t*>(surface.get());
}

std::uint32_t MulDiv255(std::uint32_t c, std::uint32_t a) {
  const std::uint32_t t = c * a + 0x80;
  return ((t >> 8) + t) >> 8;
}

} // namespace

std::uint32_t PremultiplyArgb(std::uint32_t argb) {
  const std::uint32_t a = argb >> 24;
  if (a == 255)
    return argb;
  return a << 24 | MulDiv255((argb >> 16) & 0xFF, a) << 16 | MulDiv255((argb >> 8) & 0xFF, a) << 8 |
         MulDiv255(argb & 0xFF, a);
}

std::uint32_t UnpremultiplyArgb(std::uint32_t premultiplied) {
  const std::uint32_t a = premultiplied >> 24;
  if (a == 255)
    return premultiplied;
  if (a == 0)
    return 0;
  auto channel = [&](int shift) {
    return std::min<std::uint32_t>(255, (((premultiplied >> shift) & 0xFF) * 255 + a / 2) / a);
  };
  return a << 24 | channel(16) << 16 | channel(8) << 8 | channel(0);
}

Surface::Surface(std::int32_t width, std::int32_t height, void* surface)
    : mWidth(width), mHeight(height),
      mSurface(surface, [](void* s) { cairo_surface_destroy(static_cast<cairo_surface_t*>(s)); }) {}

Surface::~Surface() = default;

std::unique_ptr<Surface> Surface::Create(std::int32_t width, std::int32_t height, ImageStatus* status) {
  auto report = [&](ImageStatus s) {
    if (status)
      *status = s;
  };
  if (width < 1 || height < 1) {
    report(ImageStatus::InvalidParameter);
    return nullptr;
  }
  if (std::uint64_t{static_cast<std::uint32_t>(width)} * static_cast<std::uint32_t>(height) * 4 >
      Image::kMaxPixelBytes) {
    report(ImageStatus::OutOfMemory);
    return nullptr;
  }
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    report(ImageStatus::OutOfMemory);
    return nullptr;
  }
  report(ImageStatus::Ok);
  return std::unique_ptr<Surface>(new Surface(width, height, surface));
}

std::uint32_t* Surface::Row(std::int32_t y) const {
  cairo_surface_t* surface = Cairo(mSurface);
  std::uint8_t* data = cairo_image_surface_get_data(surface);
  return reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) *
                                                     cairo_image_surface_get_stride(surface));
}

const std::uint8_t* Surface::GetData() const {
  cairo_surface_flush(Cairo(mSurface));
  return cairo_image_surface_get_data(Cairo(mSurface));
}

std::int32_t Surface::GetStride() const { return cairo_image_surface_get_stride(Cairo(mSurface)); }

ImageStatus Surface::GetPixel(std::int32_t x, std::int32_t y, std::uint32_t& argb) const {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight)
    return ImageStatus::InvalidParameter;
  cairo_surface_flush(Cairo(mSurface));
  argb = UnpremultiplyArgb(Row(y)[x]);
  return ImageStatus::Ok;
}

ImageStatus Surface::SetPixel(std::int32_t x, std::int32_t y, std::uint32_t argb) {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight)
    return ImageStatus::InvalidParameter;
  FillPixels({x, y, 1, 1}, argb);
  return ImageStatus::Ok;
}

void Surface::FillPixels(const RectI& rect, std::uint32_t argb) {
  const std::int64_t left = std::max<std::int64_t>(rect.x, 0);
  const std::int64_t top = std::max<std::int64_t>(rect.y, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{rect.x} + rect.width, mWidth);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{rect.y} + rect.height, mHeight);
  if (left >= right || top >= bottom)
    return;
  cairo_surface_t* surface = Cairo(mSurface);
  cairo_surface_flush(surface);
  const std::uint32_t value = PremultiplyArgb(argb);
  for (std::int64_t y = top; y < bottom; ++y) {
    std::uint32_t* row = Row(static_cast<std::int32_t>(y));
    std::fill(row + left, row + right, value);
  }
  cairo_surface_mark_dirty_rectangle(surface, static_cast<int>(left), static_cast<int>(top),
                                     static_cast<int>(right - left), static_cast<int>(bottom - top));
}

std::unique_ptr<Image> Surface::ToImage() const {
  std::unique_ptr<Image> image = Image::Create(mWidth, mHeight);
  ImageLockData data;
  if (!image ||
      image->LockBits(0, 0, mWidth, mHeight, kImageLockWrite, kPixelFormat32bppARGB, data) != ImageStatus::Ok)
    return nullptr;
  cairo_surface_flush(Cairo(mSurface));
  for (std::int32_t y = 0; y < mHeight; ++y) {
    const std::uint32_t* from = Row(y);
    auto* to = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(data.scan0) +
                                                static_cast<std::ptrdiff_t>(y) * data.stride);
    for (std::int32_t x = 0; x < mWidth; ++x)
      to[x] = UnpremultiplyArgb(from[x]);
  }
  image->UnlockBits(data);
  return image;
}

} // namespace QZ::Platform
