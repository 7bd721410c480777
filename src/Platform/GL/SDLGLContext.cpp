#include "Platform/GL/SDLGLContext.h"

#include "Platform/GL/GLContextCommon.h"

#include <SDL.h>

namespace QZ::Platform {

namespace {

class SDLWindowContext final : public GLContext {
public:
  SDLWindowContext(SDL_Window* window, SDL_GLContext context) : mWindow(window), mContext(context) {}

  ~SDLWindowContext() override {
    Release();
    SDL_GL_DeleteContext(mContext);
  }

  bool MakeCurrent() override { return SDL_GL_MakeCurrent(mWindow, mContext) == 0; }

  bool Release() override {
    if (!IsCurrent())
      return true;
    return SDL_GL_MakeCurrent(mWindow, nullptr) == 0;
  }

  bool IsCurrent() const override { return SDL_GL_GetCurrentContext() == mContext; }

  bool Swap() override {
    SDL_GL_SwapWindow(mWindow);
    return true;
  }

  GLProcAddress GetProcAddress(const char* name) const override {
    // SDL hands the address out untyped; its own type comes back at the caller.
    return name != nullptr ? reinterpret_cast<GLProcAddress>(SDL_GL_GetProcAddress(name)) : nullptr;
  }

  void SetObtained(const GLContextObtained& obtained) { mObtained = obtained; }

private:
  SDL_Window* mWindow;
  SDL_GLContext mContext;
};

} // namespace

void PrepareSDLWindowForGL(const GLContextWants& wants) {
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, wants.doubleBuffer ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

std::unique_ptr<GLContext> CreateSDLWindowGLContext(SDL_Window* window, const GLContextWants& wants,
                                                    GLStatus* status) {
  using detail::SetStatus;
  if (window == nullptr) {
    SetStatus(status, GLStatus::InvalidParameter);
    return nullptr;
  }
  PrepareSDLWindowForGL(wants);

  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
  // SDL makes the new context current on this thread.
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (context == nullptr) {
    SetStatus(status, GLStatus::NoContext);
    return nullptr;
  }
  auto result = std::make_unique<SDLWindowContext>(window, context);

  GLContextObtained obtained;
  int doubleBuffered = 0;
  if (SDL_GL_GetAttribute(SDL_GL_DOUBLEBUFFER, &doubleBuffered) == 0)
    obtained.doubleBuffered = doubleBuffered != 0;
  obtained.swapPreserves = false;
  detail::ReadContextStrings(obtained);
  result->SetObtained(obtained);

  if (previousContext != nullptr && previousWindow != nullptr)
    SDL_GL_MakeCurrent(previousWindow, previousContext);
  else
    result->Release();

  SetStatus(status, GLStatus::Ok);
  return result;
}

std::unique_ptr<GLContext> CreateNativeWindowGLContext(void* nativeWindow, const GLContextWants& wants,
                                                       GLStatus* status) {
  return CreateSDLWindowGLContext(static_cast<SDL_Window*>(nativeWindow), wants, status);
}

} // namespace QZ::Platform
