#include "Platform/Splash/SplashScreen.h"

#include "Platform/Splash/FakeSplash.h"
#include "Platform/Splash/SplashWait.h"
#include "Platform/Splash/X11SplashScreen.h"

#include <poll.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

namespace QZ::Platform {

SplashBackend ChooseSplashBackend() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver != nullptr && *driver != '\0') {
    // A list names the drivers to try in order; the first one that works is taken, which for x11 is where a
    // display runs.
    const std::string_view list(driver);
    const std::string_view first = list.substr(0, list.find(','));
    return first == "x11" ? SplashBackend::kX11 : SplashBackend::kFake;
  }
  // SDL 2 prefers X11 (XWayland included) whenever a display is named.
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0' ? SplashBackend::kX11 : SplashBackend::kFake;
}

std::unique_ptr<SplashScreen> SplashScreen::Connect() {
  if (ChooseSplashBackend() == SplashBackend::kX11) {
    if (std::unique_ptr<SplashScreen> screen = Connect(SplashBackend::kX11))
      return screen;
  }
  return MakeFakeSplashScreen();
}

std::unique_ptr<SplashScreen> SplashScreen::Connect(SplashBackend backend, std::string* error) {
  if (backend == SplashBackend::kFake)
    return MakeFakeSplashScreen();
  return ConnectX11SplashScreen(error);
}

bool WaitForReadable(int wakeHandle, int displayHandle, std::int32_t timeoutMs) {
  pollfd fds[2] = {{wakeHandle, POLLIN, 0}, {displayHandle, POLLIN, 0}};
  const int result = ::poll(fds, 2, timeoutMs < 0 ? -1 : timeoutMs);
  if (result <= 0)
    return false;
  return displayHandle >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
}

} // namespace QZ::Platform
