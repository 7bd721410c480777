#pragma once
// WindowTarget: what a Canvas needs of a window to draw on it. The window
// lends its pixels (32-bit words 0x..RRGGBB, the top byte ignored) for the
// life of the canvas and is told which rectangles were drawn, so it shows
// exactly those. A window may also be handed a whole surface and the
// rectangles of it to show (ShowSurface), which a window that can read the
// surface's pixels itself copies once, straight into what it shows. The
// framework's window presenter (over the window layer) is the window on
// screen; MemoryWindow the one held in memory for tests, screenshots and
// benchmarks.
//
// One thread at a time; at most one canvas on a window at a time.

#include "Platform/Graphics2D/Geometry2D.h"
#include "Platform/Graphics2D/Image.h"
#include "Platform/Graphics2D/Surface.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace QZ::Platform {

struct WindowPixels {
  void* pixels = nullptr; // pixel (x, y) at pixels + y * stride + 4 * x
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;
};

class WindowTarget {
public:
  virtual ~WindowTarget() = default;
  // Lends the window's pixels; false when it has none to draw on now.
  virtual bool BeginDraw(WindowPixels& pixels) = 0;
  // Shows the rectangles (inside the window) drawn since the last call.
  virtual void Show(std::span<const RectI> rects) = 0;
  // Takes the pixels back; they are not touched after this.
  virtual void EndDraw() = 0;
  // Shows the rectangles of the surface, pixel (x, y) of the surface on
  // window pixel (x, y), copied (never blended) and cut at the surface and
  // the window. By default through a canvas on the window (BeginDraw, Show
  // with the rectangles as cut, EndDraw); no canvas may be open on the window.
  virtual void ShowSurface(const Surface& surface, std::span<const RectI> rects);
};

// A window held in memory: its pixels are opaque and start as the given
// colour; it keeps a log of every rectangle shown.
class MemoryWindow final : public WindowTarget {
public:
  // A size below 1 becomes 1.
  MemoryWindow(std::int32_t width, std::int32_t height, std::uint32_t argb = 0xFF000000);

  std::int32_t GetWidth() const { return mWidth; }
  std::int32_t GetHeight() const { return mHeight; }
  // The pixel as 0xFFRRGGBB; 0 outside the window.
  std::uint32_t GetPixel(std::int32_t x, std::int32_t y) const;
  // A copy of the pixels (opaque), for saving as PNG; null when memory runs out.
  std::unique_ptr<Image> ToImage() const;

  // Every rectangle shown so far, in order; ClearShown starts a new log.
  const std::vector<RectI>& GetShown() const { return mShown; }
  void ClearShown() { mShown.clear(); }

  bool BeginDraw(WindowPixels& pixels) override;
  void Show(std::span<const RectI> rects) override;
  void EndDraw() override;

private:
  std::int32_t mWidth;
  std::int32_t mHeight;
  std::vector<std::uint32_t> mPixels;
  std::vector<RectI> mShown;
};

} // namespace QZ::Platform
