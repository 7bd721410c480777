#pragma once
// The GDI+ back end's render context and its surfaces. The renderer never
// draws on a window directly: every drawing of a frame goes into the
// context's back buffer, a surface of the viewport's size in the windows'
// pixel format, and the end of the frame copies only the rectangles of the
// dirty region to the window. The back buffer therefore keeps the last frame,
// and a partly damaged window is repaired by copying. The spare buffer, of the
// same size, serves off-screen contexts, whose content is scrolled by
// exchanging the two.
//
// The window handle of a GDI+ context is the window's Platform::WindowTarget
// (the native window's presenter on screen, a MemoryWindow in tests), converted to the
// handle from a WindowTarget pointer; a context made without one presents
// nothing. Both surfaces are at least 1 x 1. A surface
// that could not be made stays without pixels (GetSize {0, 0}); drawing into it
// does nothing, and the next RenderStart makes the surfaces again.
//
// UI thread only, like every render context; no locks.

#include "Platform/Graphics2D/Canvas.h"
#include "Platform/Graphics2D/Surface.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Renderer/RenderContextInfo.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"

#include <cstdint>
#include <memory>

namespace QZ {

// A window-sized drawing surface with the canvas that draws on it.
class LGDIRendererOffscreenSurface : public virtual LRefCountedObject {
public:
  LGDIRendererOffscreenSurface(const SizeT<std::int32_t>& size, WindowHandle window);
  ~LGDIRendererOffscreenSurface() override;
  LGDIRendererOffscreenSurface(const LGDIRendererOffscreenSurface&) = delete;
  LGDIRendererOffscreenSurface& operator=(const LGDIRendererOffscreenSurface&) = delete;

  // A transparent surface (the same one cleared when the size is unchanged)
  // and a new canvas; a width or height of 0 or less becomes 1. Returns 0,
  // also when the surface could not be made.
  QZRESULT SetSize(const SizeT<std::int32_t>& size);
  // {0, 0} without pixels.
  SizeT<std::int32_t> GetSize() const;
  // Null without pixels.
  Platform::Canvas* GetGraphics() const { return mGraphics.get(); }
  Platform::Surface* GetBitmap() const { return mBitmap.get(); }
  WindowHandle GetWindow() const { return mWindow; }
  // The source rectangle of the pixels 1:1 onto the target at the destination.
  Platform::ImageStatus CopyRect(Platform::Canvas& target, const PointT<std::int32_t>& destination,
                                 const RectT<std::int32_t>& source) const;

private:
  WindowHandle mWindow;
  std::unique_ptr<Platform::Surface> mBitmap;
  std::unique_ptr<Platform::Canvas> mGraphics;
};

class LGDIRenderContextInfo : public LRenderContextInfo {
public:
  LGDIRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window, bool offscreen);
  ~LGDIRenderContextInfo() override;

  // {4096, 4096}.
  SizeT<std::int32_t> GetMaxSurfaceSize() const override;

  const RCPtr<LGDIRendererOffscreenSurface>& GetBackBuffer() const { return mBackBuffer; }
  const RCPtr<LGDIRendererOffscreenSurface>& GetSpareBuffer() const { return mSpareBuffer; }
  // The back buffer's canvas, which every drawing of the frame goes through;
  // null without pixels.
  Platform::Canvas* GetGraphics() const;

  // At the start of every frame: both surfaces are made again when the
  // viewport's size changed or the dirty region is exactly the whole
  // viewport (a full repaint starts from an empty picture).
  void UpdateBufferSize();
  // At the end of every frame: finishes the drawing and, unless off-screen,
  // copies each dirty rectangle of the back buffer to the same place in the
  // window, from the last rectangle to the first. The dirty region is left as
  // it is.
  void Present();
  void SwapBuffers();

private:
  RCPtr<LGDIRendererOffscreenSurface> mBackBuffer;
  RCPtr<LGDIRendererOffscreenSurface> mSpareBuffer;
};

} // namespace QZ
