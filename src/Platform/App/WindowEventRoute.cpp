#include "Platform/App/WindowEventRoute.h"

#include "Platform/Window/NativeEvents.h"
#include "Platform/Window/WindowSystem.h"

#include <SDL.h>

#include <utility>

namespace QZ::Platform {

std::uint32_t RouteWindowEvents(AppHost& host, std::function<void(const WindowEvent&)> sink) {
  return host.AddEventHandler([sink = std::move(sink)](const SDL_Event& event) {
    SDL_Event copy = event;
    if (!TakeNativeEvent(copy))
      return false;
    // Only what this event gave: PollWindowEvent would go on to SDL's queue,
    // which is the host's to take.
    WindowEvent translated;
    while (TakePendingWindowEvent(translated))
      sink(translated);
    return true;
  });
}

} // namespace QZ::Platform
