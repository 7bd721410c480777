#pragma once
// CWindowPresenter: a native window as the drawing target of the GDI+-role
// renderer. The renderer's context hands it the back buffer and the dirty
// rectangles of a frame (ShowSurface), and the presenter gives exactly those
// rectangles of the back buffer's pixels to the window layer (Present), which
// copies them, opaque, into the window: one copy per frame, no buffer of the
// presenter's own in between.
//
// A canvas may still draw on the window through the presenter (BeginDraw /
// Show / EndDraw): for that alone it keeps pixels of the window's client size,
// made on the first BeginDraw and kept from then on.
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
  void ShowSurface(const Platform::Surface& surface, std::span<const Platform::RectI> rects) override;

  // The rectangles presented so far.
  std::uint32_t GetPresentCount() const { return mPresentCount; }
  // Whether the presenter holds pixels of its own (only after a canvas drew on it).
  bool HasOwnPixels() const { return !mPixels.empty(); }

private:
  // The rectangles cut at the width and height, empty ones left out.
  static std::vector<Platform::WindowRect> Cut(std::span<const Platform::RectI> rects, std::int32_t width,
                                               std::int32_t height);
  void Present(const Platform::PixelView& view, std::span<const Platform::RectI> rects);

  Platform::Window& mWindow;
  std::vector<std::uint32_t> mPixels;
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;
  std::uint32_t mPresentCount = 0;
};

} // namespace QZ
