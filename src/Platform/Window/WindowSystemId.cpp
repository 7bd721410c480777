// Window::GetSystemWindowId apart from the rest of the window: SDL's window-manager header brings in Xlib,
// whose macros would clash with names in Window.cpp.

#include "Platform/Window/Window.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace QZ::Platform {

std::uint64_t Window::GetSystemWindowId() const {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(static_cast<SDL_Window*>(GetNativeHandle()), &info) != SDL_TRUE)
    return 0;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (info.subsystem == SDL_SYSWM_X11)
    return static_cast<std::uint64_t>(info.info.x11.window);
#endif
  return 0;
}

} // namespace QZ::Platform
