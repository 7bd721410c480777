#pragma once
// CWindowPresenter: a native window as the drawing target of the GDI+-role
// renderer. The renderer's context copies the dirty rectangles of its back
// buffer into the pixels this presenter lends, and the presenter hands exactly
// those rectangles to the window layer (Present), opaque. The pixels keep the
// last frame and follow the window's client size.
//
// The window must outlive the presenter. UI thread only.

#include "Platform/Graphics2D/WindowTarget.h"
#include "Platform/Window/Window.h"

#include <cstdint>
#include <span>
#include <vector>

namespace QZ {

class CWindowPresenter final : public Platform::WindowTarget {
public:
  explicit CWindowPresenter(Platform::Window& window) : mWindow(window) {}

  bool BeginDraw(Platform::WindowPixels& pixels) override;
  void Show(std::span<const Platform::RectI> rects) override;
  void EndDraw() override {}

  // The rectangles presented so far.
  std::uint32_t GetPresentCount() const { return mPresentCount; }

private:
  Platform::Window& mWindow;
  std::vector<std::uint32_t> mPixels;
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;
  std::uint32_t mPresentCount = 0;
};

} // namespace QZ
