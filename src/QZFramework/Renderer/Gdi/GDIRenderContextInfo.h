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
// nothing. Presenting hands the back buffer itself to the window
// (WindowTarget::ShowSurface), which copies the rectangles once. Both surfaces
// are at least 1 x 1. A surface that could not be made stays without pixels
// (GetSize {0, 0}); drawing into it does nothing, and the next RenderStart
// makes the surfaces again.
//
// A surface emptied at its own size is cleared lazily: the clear is owed until
// its pixels or its canvas are first asked for (GetGraphics, GetBitmap,
// CopyRect), and a drawing that covers every pixel may take its place
// (DropPendingClear). So an on-screen context's spare buffer, never used,
// never has its memory touched, and a full repaint that starts with an opaque
// picture of the whole window does not clear first.
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

  // A transparent surface (the same one, its clear owed, when the size is
  // unchanged) and a new canvas; a width or height of 0 or less becomes 1.
  // Returns 0, also when the surface could not be made.
  QZRESULT SetSize(const SizeT<std::int32_t>& size);
  // {0, 0} without pixels.
  SizeT<std::int32_t> GetSize() const;
  // Null without pixels. Both pay an owed clear first.
  Platform::Canvas* GetGraphics() const;
  Platform::Surface* GetBitmap() const;
  // The canvas for its state alone (transform, clip, modes), never for its
  // pixels: an owed clear stays owed. Null without pixels.
  Platform::Canvas* PeekGraphics() const { return mGraphics.get(); }
  bool IsClearPending() const { return mClearPending; }
  // The caller covers every pixel before anything reads them: the owed clear
  // is not needed.
  void DropPendingClear() { mClearPending = false; }
  // The owed clears paid so far.
  std::uint32_t GetClearsPaid() const { return mClearsPaid; }
  WindowHandle GetWindow() const { return mWindow; }
  // The source rectangle of the pixels 1:1 onto the target at the destination.
  Platform::ImageStatus CopyRect(Platform::Canvas& target, const PointT<std::int32_t>& destination,
                                 const RectT<std::int32_t>& source) const;

private:
  void PayPendingClear() const;

  WindowHandle mWindow;
  std::unique_ptr<Platform::Surface> mBitmap;
  std::unique_ptr<Platform::Canvas> mGraphics;
  mutable bool mClearPending = false;
  mutable std::uint32_t mClearsPaid = 0;
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
  // has the window show each dirty rectangle of the back buffer at the same
  // place, from the last rectangle to the first. The dirty region is left as
  // it is.
  void Present();
  void SwapBuffers();

private:
  RCPtr<LGDIRendererOffscreenSurface> mBackBuffer;
  RCPtr<LGDIRendererOffscreenSurface> mSpareBuffer;
};

} // namespace QZ
