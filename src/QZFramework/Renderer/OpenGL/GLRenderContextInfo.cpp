#include "QZFramework/Renderer/OpenGL/GLRenderContextInfo.h"

#include "QZFramework/Renderer/OpenGL/GLErrors.h"

#include <utility>

namespace QZ {

LGLRenderContextInfo::LGLRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window,
                                           bool offscreen, std::shared_ptr<Platform::GLContext> glContext)
    : LRenderContextInfo(viewport, window, offscreen), mGLContext(std::move(glContext)) {
  // Without a current context the call does nothing and the size stays 0 x 0.
  GLint dimensions[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dimensions);
  DrainGLErrors();
  mMaxViewportWidth = dimensions[0];
  mMaxViewportHeight = dimensions[1];
}

LGLRenderContextInfo::~LGLRenderContextInfo() {
  if (!mSurface)
    return;
  // The surface's names belong to the platform context: deleted there, and
  // whatever was current before stays so when it was this context.
  const bool wasCurrent = mGLContext && mGLContext->IsCurrent();
  const bool current = wasCurrent || (mGLContext && mGLContext->MakeCurrent());
  if (!current)
    mSurface->Abandon(); // no context to delete them on
  mSurface = nullptr;
  if (current && !wasCurrent)
    (void)mGLContext->Release();
}

SizeT<std::int32_t> LGLRenderContextInfo::GetMaxSurfaceSize() const {
  return {mMaxViewportWidth, mMaxViewportHeight};
}

void LGLRenderContextInfo::SwapLayerBuffers() {
  if (!mOffscreen && mGLContext)
    mGLContext->Swap();
}

} // namespace QZ
