#include "Platform/Window/NativeEvents.h"

#include "Platform/Window/WindowSystemState.h"

#include <utility>

namespace QZ::Platform {

bool TakeNativeEvent(SDL_Event& event) {
  detail::WindowSystemState& state = detail::State();
  if (state.startCount == 0 || event.type == SDL_QUIT)
    return false;
  state.translator.Translate(event, state.pending);
  if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT) {
    SDL_free(event.drop.file);
    event.drop.file = nullptr;
  }
  return true;
}

bool TakePendingWindowEvent(WindowEvent& out) {
  detail::WindowSystemState& state = detail::State();
  if (state.pending.empty())
    return false;
  out = std::move(state.pending.front());
  state.pending.pop_front();
  return true;
}

} // namespace QZ::Platform
