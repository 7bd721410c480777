#pragma once
// An OpenGL rendering context with the surface it draws to: an off-screen
// surface (EGL on Mesa, no display server needed) or a window (SDL, see
// SDLGLContext.h). Every context is a desktop compatibility-profile context, so
// the OpenGL 1.x calls (immediate mode, display lists, the fixed pipeline) work
// on it.
//
// The caller says what it wants (double buffering, a back buffer that keeps the
// frame after a swap) and the context reports what it got; a caller that needs
// a behaviour the context lacks takes its own road (for example flushing a
// single-buffered surface instead of swapping).
//
// Threads: a context is current on at most one thread at a time; MakeCurrent,
// Release and Swap act on the calling thread. Creation leaves the calling
// thread with the context it had current before (or none). A context is
// destroyed on a thread where it is current or on none; destruction releases
// it first.

#include <cstdint>
#include <memory>
#include <string>

namespace QZ::Platform {

enum class GLStatus : std::int32_t {
  Ok = 0,
  InvalidParameter = 1, // a size below 1, a null window
  NoDisplay = 2,        // the window system or EGL display could not be opened
  NoConfig = 3,         // no framebuffer configuration fits
  NoSurface = 4,        // the drawing surface could not be made
  NoContext = 5,        // the rendering context could not be made or made current
};

struct GLContextWants {
  bool doubleBuffer = true;
  // After a swap the back buffer still holds the frame just shown.
  bool preserveBackOnSwap = true;
};

struct GLContextObtained {
  bool doubleBuffered = false;
  // True only when a swap is known to leave the back buffer as it was.
  bool swapPreserves = false;
  std::string version;    // GL_VERSION
  std::string renderer;   // GL_RENDERER
  std::string extensions; // GL_EXTENSIONS, blank-separated
};

// The address of an OpenGL entry point, to be cast to its own type.
using GLProcAddress = void (*)();

class GLContext {
public:
  GLContext() = default;
  GLContext(const GLContext&) = delete;
  GLContext& operator=(const GLContext&) = delete;
  virtual ~GLContext() = default;

  const GLContextObtained& GetObtained() const { return mObtained; }

  // Makes this context and its surface current on the calling thread.
  virtual bool MakeCurrent() = 0;
  // Leaves no context current on the calling thread when this one is current
  // there; nothing otherwise. True when this context is not current afterwards.
  virtual bool Release() = 0;
  virtual bool IsCurrent() const = 0;
  // Shows the back buffer (a window's); for a single-buffered surface nothing
  // but success.
  virtual bool Swap() = 0;

  // The context's OpenGL extension names, blank-separated; read at creation.
  const char* GetExtensionString() const { return mObtained.extensions.c_str(); }
  // The entry point of that name, null when the binding knows none.
  virtual GLProcAddress GetProcAddress(const char* name) const = 0;

protected:
  GLContextObtained mObtained;
};

// An off-screen context of width x height pixels (EGL pbuffer on the Mesa
// surfaceless platform, falling back to the default EGL display). Such a
// surface is single-buffered, so doubleBuffered and swapPreserves come out
// false whatever is wanted. Null (with *status) on failure.
[[nodiscard]] std::unique_ptr<GLContext> CreateOffscreenGLContext(std::int32_t width, std::int32_t height,
                                                                  const GLContextWants& wants,
                                                                  GLStatus* status = nullptr);

// True when name is one whole blank-separated word of list: it starts the list
// or follows a blank, and the list ends or has a blank after it. An empty name
// or one with a blank is never found.
bool HasExtensionToken(const char* list, const char* name);

} // namespace QZ::Platform
