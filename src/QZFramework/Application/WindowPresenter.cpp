#include "QZFramework/Application/WindowPresenter.h"

#include <algorithm>

namespace QZ {

bool CWindowPresenter::BeginDraw(Platform::WindowPixels& pixels) {
  const Platform::WindowRect client = mWindow.GetClientBounds();
  const std::int32_t width = std::max(client.width, 1);
  const std::int32_t height = std::max(client.height, 1);
  if (width != mWidth || height != mHeight) {
    mPixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0xFF000000u);
    mWidth = width;
    mHeight = height;
  }
  pixels = {mPixels.data(), mWidth, mHeight, mWidth * 4};
  return true;
}

std::vector<Platform::WindowRect> CWindowPresenter::Cut(std::span<const Platform::RectI> rects, std::int32_t width,
                                                        std::int32_t height) {
  std::vector<Platform::WindowRect> shown;
  shown.reserve(rects.size());
  for (const Platform::RectI& rect : rects) {
    const std::int32_t left = std::clamp(rect.x, 0, width);
    const std::int32_t top = std::clamp(rect.y, 0, height);
    const std::int32_t right = std::clamp(rect.x + rect.width, 0, width);
    const std::int32_t bottom = std::clamp(rect.y + rect.height, 0, height);
    if (right > left && bottom > top)
      shown.push_back({left, top, right - left, bottom - top});
  }
  return shown;
}

void CWindowPresenter::Present(const Platform::PixelView& view, std::span<const Platform::RectI> rects) {
  const std::vector<Platform::WindowRect> shown = Cut(rects, view.width, view.height);
  if (shown.empty())
    return;
  if (mWindow.Present(view, shown))
    mPresentCount += static_cast<std::uint32_t>(shown.size());
}

void CWindowPresenter::Show(std::span<const Platform::RectI> rects) {
  // The canvas leaves the top byte as it finds it; the window layer shows premultiplied pixels opaque
  // (as drawn over black), so the alpha bytes need no pass of their own here.
  Present({reinterpret_cast<const std::uint8_t*>(mPixels.data()), mWidth, mHeight, mWidth * 4,
           Platform::PixelAlpha::kPremultiplied},
          rects);
}

void CWindowPresenter::ShowSurface(const Platform::Surface& surface, std::span<const Platform::RectI> rects) {
  // The surface's premultiplied pixels go to the window as they are: the window layer copies each one once,
  // opaque, into the window.
  Present({surface.GetData(), surface.GetWidth(), surface.GetHeight(), surface.GetStride(),
           Platform::PixelAlpha::kPremultiplied},
          rects);
}

} // namespace QZ
