// Off-screen contexts over EGL. One EGL display serves the whole process: it is
// opened on first use and stays initialised (terminating it would pull the
// display from under contexts other code may still hold).

#include "Platform/GL/GLContext.h"
#include "Platform/GL/GLContextCommon.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <mutex>

namespace QZ::Platform {

namespace {

struct SharedDisplay {
  EGLDisplay display = EGL_NO_DISPLAY;
  bool createContextKhr = false; // profile attributes understood
};

bool Initialise(EGLDisplay display) {
  EGLint major = 0;
  EGLint minor = 0;
  return display != EGL_NO_DISPLAY && eglInitialize(display, &major, &minor) == EGL_TRUE;
}

// The surfaceless platform needs neither a display server nor a GPU; without
// it the default display is tried.
const SharedDisplay& GetSharedDisplay() {
  static SharedDisplay shared;
  static std::once_flag once;
  std::call_once(once, [] {
    const char* clientExtensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    EGLDisplay display = EGL_NO_DISPLAY;
    if (HasExtensionToken(clientExtensions, "EGL_MESA_platform_surfaceless")) {
      display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
      if (!Initialise(display))
        display = EGL_NO_DISPLAY;
    }
    if (display == EGL_NO_DISPLAY) {
      display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
      if (!Initialise(display))
        display = EGL_NO_DISPLAY;
    }
    shared.display = display;
    if (display != EGL_NO_DISPLAY)
      shared.createContextKhr =
          HasExtensionToken(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_create_context");
  });
  return shared;
}

class EGLOffscreenContext final : public GLContext {
public:
  EGLOffscreenContext(EGLDisplay display, EGLSurface surface, EGLContext context)
      : mDisplay(display), mSurface(surface), mContext(context) {}

  ~EGLOffscreenContext() override {
    Release();
    eglDestroyContext(mDisplay, mContext);
    eglDestroySurface(mDisplay, mSurface);
  }

  bool MakeCurrent() override {
    // EGL keeps the bound API per thread; a thread that never bound it would
    // look for an OpenGL ES context.
    eglBindAPI(EGL_OPENGL_API);
    return eglMakeCurrent(mDisplay, mSurface, mSurface, mContext) == EGL_TRUE;
  }

  bool Release() override {
    if (!IsCurrent())
      return true;
    return eglMakeCurrent(mDisplay, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
  }

  bool IsCurrent() const override { return eglGetCurrentContext() == mContext; }

  bool Swap() override { return eglSwapBuffers(mDisplay, mSurface) == EGL_TRUE; }

  GLProcAddress GetProcAddress(const char* name) const override {
    return name != nullptr ? eglGetProcAddress(name) : nullptr;
  }

  void SetObtained(const GLContextObtained& obtained) { mObtained = obtained; }

private:
  EGLDisplay mDisplay;
  EGLSurface mSurface;
  EGLContext mContext;
};

} // namespace

std::unique_ptr<GLContext> CreateOffscreenGLContext(std::int32_t width, std::int32_t height, const GLContextWants&,
                                                    GLStatus* status) {
  using detail::SetStatus;
  if (width < 1 || height < 1) {
    SetStatus(status, GLStatus::InvalidParameter);
    return nullptr;
  }
  const SharedDisplay& shared = GetSharedDisplay();
  if (shared.display == EGL_NO_DISPLAY) {
    SetStatus(status, GLStatus::NoDisplay);
    return nullptr;
  }
  EGLDisplay display = shared.display;
  // Initialising an initialised display does nothing; it brings back one that
  // other code in the process (sharing the same native display) terminated.
  if (!Initialise(display)) {
    SetStatus(status, GLStatus::NoDisplay);
    return nullptr;
  }
  if (eglBindAPI(EGL_OPENGL_API) != EGL_TRUE) {
    SetStatus(status, GLStatus::NoContext);
    return nullptr;
  }

  const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,
                                     8,
                                     EGL_GREEN_SIZE,
                                     8,
                                     EGL_BLUE_SIZE,
                                     8,
                                     EGL_ALPHA_SIZE,
                                     8,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configCount = 0;
  if (eglChooseConfig(display, configAttributes, &config, 1, &configCount) != EGL_TRUE || configCount < 1) {
    SetStatus(status, GLStatus::NoConfig);
    return nullptr;
  }

  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
  if (surface == EGL_NO_SURFACE) {
    SetStatus(status, GLStatus::NoSurface);
    return nullptr;
  }

  const EGLint profileAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  const EGLint noAttributes[] = {EGL_NONE};
  EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT,
                                        shared.createContextKhr ? profileAttributes : noAttributes);
  if (context == EGL_NO_CONTEXT) {
    eglDestroySurface(display, surface);
    SetStatus(status, GLStatus::NoContext);
    return nullptr;
  }

  auto result = std::make_unique<EGLOffscreenContext>(display, surface, context);

  // Read what the context offers with it current, then put back what was
  // current before (another EGL context or none).
  EGLContext previousContext = eglGetCurrentContext();
  EGLSurface previousDraw = eglGetCurrentSurface(EGL_DRAW);
  EGLSurface previousRead = eglGetCurrentSurface(EGL_READ);
  EGLDisplay previousDisplay = eglGetCurrentDisplay();
  if (!result->MakeCurrent()) {
    SetStatus(status, GLStatus::NoContext);
    return nullptr;
  }
  GLContextObtained obtained;
  detail::ReadContextStrings(obtained);
  result->SetObtained(obtained);
  if (previousContext != EGL_NO_CONTEXT && previousDisplay != EGL_NO_DISPLAY)
    eglMakeCurrent(previousDisplay, previousDraw, previousRead, previousContext);
  else
    result->Release();

  SetStatus(status, GLStatus::Ok);
  return result;
}

} // namespace QZ::Platform
