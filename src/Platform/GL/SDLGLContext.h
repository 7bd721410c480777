#pragma once
// OpenGL contexts for SDL windows, for the window layer that owns them. SDL
// must be initialised with its video subsystem, and the window made with
// SDL_WINDOW_OPENGL after PrepareSDLWindowForGL, since the window system picks
// the window's pixel format when the window is made. With
// SDL_VIDEODRIVER=offscreen SDL gives such windows without a display server.
//
// SDL cannot ask for a back buffer that survives a swap, so these contexts
// always report swapPreserves false; double buffering is reported as obtained.
// The window must outlive its context.

#include "Platform/GL/GLContext.h"

struct SDL_Window;

namespace QZ::Platform {

// The framebuffer the next OpenGL window gets: 8 bits of red, green and blue,
// no alpha, depth or stencil, double buffering as wanted, and a compatibility
// profile.
void PrepareSDLWindowForGL(const GLContextWants& wants);

// A context drawing to the window. Null (with *status) for a null window or
// when SDL cannot make the context.
[[nodiscard]] std::unique_ptr<GLContext> CreateSDLWindowGLContext(SDL_Window* window, const GLContextWants& wants,
                                                                  GLStatus* status = nullptr);

// The same for a window given by its native handle (what the window layer's
// GetNativeHandle returns), for callers that see windows only as handles.
[[nodiscard]] std::unique_ptr<GLContext>
CreateNativeWindowGLContext(void* nativeWindow, const GLContextWants& wants, GLStatus* status = nullptr);

} // namespace QZ::Platform
