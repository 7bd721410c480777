#include "QZFramework/Renderer/Gdi/GDIRenderContextInfo.h"

#include "Platform/Graphics2D/WindowTarget.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace QZ {

namespace {

// What Region::GetRects fills.
struct RectList {
  std::vector<RectT<std::int32_t>> rects;
  void RemoveAll() { rects.clear(); }
  void AddItem(const RectT<std::int32_t>& rect) { rects.push_back(rect); }
};

} // namespace

LGDIRendererOffscreenSurface::LGDIRendererOffscreenSurface(const SizeT<std::int32_t>& size, WindowHandle window)
    : mWindow(window) {
  SetSize(size);
}

LGDIRendererOffscreenSurface::~LGDIRendererOffscreenSurface() = default;

QZRESULT LGDIRendererOffscreenSurface::SetSize(const SizeT<std::int32_t>& size) {
  mGraphics.reset();
  const std::int32_t width = size.width > 0 ? size.width : 1;
  const std::int32_t height = size.height > 0 ? size.height : 1;
  // Every full repaint asks for empty buffers: clearing the pixels there are costs far less than mapping
  // and faulting in new ones, and the clear waits until the pixels are wanted (a buffer never used is never
  // touched; a first drawing that covers everything makes it needless).
  if (mBitmap && mBitmap->GetWidth() == width && mBitmap->GetHeight() == height) {
    mGraphics = Platform::Canvas::Create(*mBitmap);
    mClearPending = mGraphics != nullptr;
    return S_OK;
  }
  mClearPending = false;
  mBitmap.reset();
  // Every window shows the one pixel format surfaces have, so the window is
  // not needed to make a compatible one.
  mBitmap = Platform::Surface::Create(width, height);
  if (mBitmap)
    mGraphics = Platform::Canvas::Create(*mBitmap);
  return S_OK;
}

SizeT<std::int32_t> LGDIRendererOffscreenSurface::GetSize() const {
  if (!mBitmap)
    return {0, 0};
  return {mBitmap->GetWidth(), mBitmap->GetHeight()};
}

void LGDIRendererOffscreenSurface::PayPendingClear() const {
  if (!mClearPending)
    return;
  mClearPending = false;
  ++mClearsPaid;
  if (mGraphics)
    mGraphics->Clear(0);
}

Platform::Canvas* LGDIRendererOffscreenSurface::GetGraphics() const {
  PayPendingClear();
  return mGraphics.get();
}

Platform::Surface* LGDIRendererOffscreenSurface::GetBitmap() const {
  PayPendingClear();
  return mBitmap.get();
}

Platform::ImageStatus LGDIRendererOffscreenSurface::CopyRect(Platform::Canvas& target,
                                                             const PointT<std::int32_t>& destination,
                                                             const RectT<std::int32_t>& source) const {
  const Platform::Surface* pixels = GetBitmap();
  if (!pixels)
    return Platform::ImageStatus::InvalidParameter;
  return target.DrawSurface(*pixels, {destination.x, destination.y},
                            {source.x, source.y, source.width, source.height});
}

LGDIRenderContextInfo::LGDIRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window,
                                             bool offscreen)
    : LRenderContextInfo(viewport, window, offscreen),
      mBackBuffer(
          MakeRCPtr<LGDIRendererOffscreenSurface>(SizeT<std::int32_t>{viewport.width, viewport.height}, window)),
      mSpareBuffer(
          MakeRCPtr<LGDIRendererOffscreenSurface>(SizeT<std::int32_t>{viewport.width, viewport.height}, window)) {}

LGDIRenderContextInfo::~LGDIRenderContextInfo() = default;

SizeT<std::int32_t> LGDIRenderContextInfo::GetMaxSurfaceSize() const { return {4096, 4096}; }

Platform::Canvas* LGDIRenderContextInfo::GetGraphics() const {
  return mBackBuffer ? mBackBuffer->GetGraphics() : nullptr;
}

void LGDIRenderContextInfo::UpdateBufferSize() {
  const SizeT<std::int32_t> size = mBackBuffer->GetSize();
  const SizeT<std::int32_t> wanted{mViewport.width, mViewport.height};
  if (size.width == wanted.width && size.height == wanted.height) {
    RectList dirty;
    mDirtyRegion.GetRects(dirty);
    const bool wholeViewportDirty = dirty.rects.size() == 1 && dirty.rects[0].x == mViewport.x &&
                                    dirty.rects[0].y == mViewport.y && dirty.rects[0].width == mViewport.width &&
                                    dirty.rects[0].height == mViewport.height;
    if (!wholeViewportDirty)
      return;
  }
  mBackBuffer->SetSize(wanted);
  mSpareBuffer->SetSize(wanted);
}

void LGDIRenderContextInfo::Present() {
  Platform::Canvas* graphics = GetGraphics();
  if (graphics)
    graphics->Flush();
  if (mOffscreen || !mWindow)
    return;
  const Platform::Surface* pixels = mBackBuffer->GetBitmap();
  if (!pixels)
    return;
  RectList dirty;
  mDirtyRegion.GetRects(dirty);
  if (dirty.rects.empty())
    return;
  std::vector<Platform::RectI> shown;
  shown.reserve(dirty.rects.size());
  for (auto rect = dirty.rects.rbegin(); rect != dirty.rects.rend(); ++rect)
    shown.push_back({rect->x, rect->y, rect->width, rect->height});
  // The window copies the back buffer's pixels itself, never blending: transparent back-buffer pixels must
  // not leave the window's old pixels showing through.
  static_cast<Platform::WindowTarget*>(mWindow)->ShowSurface(*pixels, shown);
}

void LGDIRenderContextInfo::SwapBuffers() { std::swap(mBackBuffer, mSpareBuffer); }

} // namespace QZ
