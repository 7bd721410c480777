#include "Platform/Graphics2D/WindowTarget.h"

#include "Platform/Graphics2D/Canvas.h"

#include <algorithm>

namespace QZ::Platform {

void WindowTarget::ShowSurface(const Surface& surface, std::span<const RectI> rects) {
  std::unique_ptr<Canvas> canvas = Canvas::Create(*this);
  if (!canvas)
    return;
  // Copied, never blended: transparent pixels must not leave the window's old pixels showing through.
  canvas->SetCompositingMode(CompositingMode::SourceCopy);
  canvas->SetImageFilter(ImageFilter::Nearest);
  for (const RectI& rect : rects)
    static_cast<void>(canvas->DrawSurface(surface, {rect.x, rect.y}, rect));
  // The window shows what was drawn when the canvas goes.
}

MemoryWindow::MemoryWindow(std::int32_t width, std::int32_t height, std::uint32_t argb)
    : mWidth(std::max(width, 1)), mHeight(std::max(height, 1)),
      mPixels(static_cast<std::size_t>(mWidth) * static_cast<std::size_t>(mHeight), argb) {}

std::uint32_t MemoryWindow::GetPixel(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= mWidth || y >= mHeight)
    return 0;
  return 0xFF000000 |
         mPixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(mWidth) + static_cast<std::size_t>(x)];
}

std::unique_ptr<Image> MemoryWindow::ToImage() const {
  std::unique_ptr<Image> image = Image::Create(mWidth, mHeight);
  ImageLockData data;
  if (!image ||
      image->LockBits(0, 0, mWidth, mHeight, kImageLockWrite, kPixelFormat32bppARGB, data) != ImageStatus::Ok)
    return nullptr;
  for (std::int32_t y = 0; y < mHeight; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(data.scan0) +
                                                 static_cast<std::ptrdiff_t>(y) * data.stride);
    for (std::int32_t x = 0; x < mWidth; ++x)
      row[x] = GetPixel(x, y);
  }
  image->UnlockBits(data);
  return image;
}

bool MemoryWindow::BeginDraw(WindowPixels& pixels) {
  pixels = {mPixels.data(), mWidth, mHeight, mWidth * 4};
  return true;
}

void MemoryWindow::Show(std::span<const RectI> rects) { mShown.insert(mShown.end(), rects.begin(), rects.end()); }

void MemoryWindow::EndDraw() {}

} // namespace QZ::Platform
