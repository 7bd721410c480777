#pragma once
// The target of one frame: a window, or an off-screen surface a control draws
// into and later copies or scrolls. Holds what every back end shares: the
// window, the viewport, the dirty region the window fills before each frame,
// the current drawing state and the stack of saved states the renderer's state
// operations work on. Each back end derives its own context with its device
// objects and answers GetMaxSurfaceSize.
//
// The members are read and written directly by the renderers, the window that
// owns the context and the controls that own off-screen contexts. The states
// persist from frame to frame; the renderer keeps pushes and pops balanced
// within a frame. UI thread only; no locks.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Renderer/RenderState.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Graphics/Region.h"

#include <cstdint>
#include <deque>

namespace QZ {

// A native window as the platform's window layer hands it out; opaque here.
using WindowHandle = void*;
// What a back end draws to a window through. There is no separate device
// context on our platform: it is the window's handle itself.
using DeviceContextHandle = void*;

class LRenderContextInfo : public LRefCountedObject {
public:
  LRenderContextInfo(const RectT<std::int32_t>& viewport, WindowHandle window, bool offscreen);
  ~LRenderContextInfo() override;
  LRenderContextInfo(const LRenderContextInfo&) = delete;
  LRenderContextInfo& operator=(const LRenderContextInfo&) = delete;

  // The largest surface the context supports.
  virtual SizeT<std::int32_t> GetMaxSurfaceSize() const = 0;

  WindowHandle mWindow;
  // Never presented to a window; only such contexts can be the source of
  // DrawSurfacePart and ScrollOffscreenSurface.
  bool mOffscreen;
  // The part of the viewport to present at the end of the frame.
  Region mDirtyRegion;
  RectT<std::int32_t> mViewport;
  RenderState mCurrentState;
  // Used as a stack: pushed and popped at the back.
  std::deque<RenderState> mSavedStates;
  // Null for a context made without a window.
  DeviceContextHandle mDeviceContext;
};

} // namespace QZ
