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

void CWindowPresenter::Show(std::span<const Platform::RectI> rects) {
  std::vector<Platform::WindowRect> shown;
  shown.reserve(rects.size());
  for (const Platform::RectI& rect : rects) {
    const std::int32_t left = std::clamp(rect.x, 0, mWidth);
    const std::int32_t top = std::clamp(rect.y, 0, mHeight);
    const std::int32_t right = std::clamp(rect.x + rect.width, 0, mWidth);
    const std::int32_t bottom = std::clamp(rect.y + rect.height, 0, mHeight);
    if (right <= left || bottom <= top)
      continue;
    // The canvas leaves the top byte as it finds it; the window layer shows premultiplied pixels opaque
    // (as drawn over black), so the alpha bytes need no pass of their own here.
    shown.push_back({left, top, right - left, bottom - top});
  }
  if (shown.empty())
    return;
  const Platform::PixelView view{reinterpret_cast<const std::uint8_t*>(mPixels.data()), mWidth, mHeight,
                                 mWidth * 4, Platform::PixelAlpha::kPremultiplied};
  if (mWindow.Present(view, shown))
    mPresentCount += static_cast<std::uint32_t>(shown.size());
}

} // namespace QZ
