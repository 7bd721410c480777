#pragma once
// The OpenGL back end's render context: a window's (or an off-screen
// surface's) context with the platform OpenGL context that draws it. The
// largest surface is the maximum viewport size read from the OpenGL context
// current at construction (0 x 0 when none is); presenting swaps the buffers
// unless the context is off-screen.
//
// An off-screen context draws into its surface, a framebuffer object of the
// OpenGL renderer's context (none where that context has no framebuffer
// objects); the surface goes with the context info, its names deleted on the
// platform context.
//
// The platform context is shared: the renderer that made it may keep it too.
// UI thread only, like every render context; no locks.

#include "Platform/GL/GLContext.h"
#include "QZFramework/Renderer/OpenGL/GLOffscreenSurface.h"
#include "QZFramework/Renderer/RenderContextInfo.h"

#include <cstdint>
#include <memory>

namespace QZ {

class LGLRenderContextInfo : public LRenderContextInfo {
public:
  // Reads GL_MAX_VIEWPORT_DIMS from the context current on this thread.
  LGLRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window, bool offscreen,
                       std::shared_ptr<Platform::GLContext> glContext);
  ~LGLRenderContextInfo() override;

  SizeT<std::int32_t> GetMaxSurfaceSize() const override;
  // Shows the frame: a buffer swap of the platform context, unless the context
  // is off-screen or has no platform context.
  void SwapLayerBuffers();

  Platform::GLContext* GetGLContext() const { return mGLContext.get(); }
  // The pixels of an off-screen context; null for a window, and where the
  // context cannot have them.
  const RCPtr<LGLOffscreenSurface>& GetSurface() const { return mSurface; }
  void SetSurface(const RCPtr<LGLOffscreenSurface>& surface) { mSurface = surface; }

private:
  std::int32_t mMaxViewportWidth = 0;
  std::int32_t mMaxViewportHeight = 0;
  std::shared_ptr<Platform::GLContext> mGLContext;
  RCPtr<LGLOffscreenSurface> mSurface;
};

} // namespace QZ
