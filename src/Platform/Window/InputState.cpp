#include "Platform/Window/InputState.h"

#include "Platform/Window/InputSimulator.h"
#include "Platform/Window/WindowSystemState.h"

namespace QZ::Platform {

std::uint32_t GetModifierMask() { return detail::ModifierMaskFromSdl(SDL_GetModState()); }

std::uint32_t GetMouseButtons() {
  if (const InputSimulator* simulator = InputSimulator::Current(); simulator != nullptr)
    return simulator->GetButtons();
  return detail::ButtonsFromSdlState(SDL_GetGlobalMouseState(nullptr, nullptr));
}

WindowPoint GetPointerScreenPosition() {
  if (const InputSimulator* simulator = InputSimulator::Current(); simulator != nullptr)
    return simulator->GetPointerScreenPosition();
  WindowPoint point;
  SDL_GetGlobalMouseState(&point.x, &point.y);
  return point;
}

bool SetPointerScreenPosition(WindowPoint screen) {
  if (InputSimulator* simulator = InputSimulator::Current(); simulator != nullptr) {
    simulator->SetPointerScreenPosition(screen);
    return true;
  }
  return SDL_WarpMouseGlobal(screen.x, screen.y) == 0;
}

} // namespace QZ::Platform
