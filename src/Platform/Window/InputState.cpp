#include "Platform/Window/InputState.h"

#include "Platform/Window/InputSimulator.h"
#include "Platform/Window/SdlKeys.h"
#include "Platform/Window/WindowSystemState.h"

namespace QZ::Platform {

namespace {

// Virtual keys of the mouse buttons and the modifiers.
constexpr std::uint32_t kVkLeftButton = 0x01;
constexpr std::uint32_t kVkRightButton = 0x02;
constexpr std::uint32_t kVkMiddleButton = 0x04;
constexpr std::uint32_t kVkShift = 0x10;
constexpr std::uint32_t kVkControl = 0x11;
constexpr std::uint32_t kVkMenu = 0x12;
constexpr std::uint32_t kVkCapital = 0x14;
constexpr std::uint32_t kVkLeftWin = 0x5B;
constexpr std::uint32_t kVkRightWin = 0x5C;
constexpr std::uint32_t kVkNumLock = 0x90;
constexpr std::uint32_t kVkScroll = 0x91;
constexpr std::uint32_t kVkLeftShift = 0xA0;
constexpr std::uint32_t kVkRightShift = 0xA1;
constexpr std::uint32_t kVkLeftControl = 0xA2;
constexpr std::uint32_t kVkRightControl = 0xA3;
constexpr std::uint32_t kVkLeftMenu = 0xA4;
constexpr std::uint32_t kVkRightMenu = 0xA5;

// The SDL modifier bits that say a modifier key is down; 0 for other keys.
unsigned ModifierBitsOfKey(std::uint32_t virtualKey) {
  switch (virtualKey) {
  case kVkShift:
    return KMOD_SHIFT;
  case kVkControl:
    return KMOD_CTRL;
  case kVkMenu:
    return KMOD_ALT;
  case kVkLeftShift:
    return KMOD_LSHIFT;
  case kVkRightShift:
    return KMOD_RSHIFT;
  case kVkLeftControl:
    return KMOD_LCTRL;
  case kVkRightControl:
    return KMOD_RCTRL;
  case kVkLeftMenu:
    return KMOD_LALT;
  case kVkRightMenu:
    return KMOD_RALT;
  case kVkLeftWin:
    return KMOD_LGUI;
  case kVkRightWin:
    return KMOD_RGUI;
  default:
    return 0;
  }
}

} // namespace

std::uint32_t GetModifierMask() { return detail::ModifierMaskFromSdl(SDL_GetModState()); }

bool GetKeyState(std::uint32_t virtualKey, bool& down, bool& toggled) {
  down = false;
  toggled = false;
  if (virtualKey == kVkLeftButton || virtualKey == kVkRightButton || virtualKey == kVkMiddleButton) {
    const std::uint32_t buttons = GetMouseButtons();
    const std::uint32_t bit = virtualKey == kVkLeftButton    ? kMouseLeft
                              : virtualKey == kVkRightButton ? kMouseRight
                                                             : kMouseMiddle;
    down = (buttons & bit) != 0;
    return true;
  }
  const unsigned mod = SDL_GetModState();
  if (const unsigned bits = ModifierBitsOfKey(virtualKey); bits != 0) {
    down = (mod & bits) != 0;
    return true;
  }
  const SDL_Keycode key = SdlKeyForVirtualKey(virtualKey);
  if (key == SDLK_UNKNOWN)
    return false;
  if (const InputSimulator* simulator = InputSimulator::Current(); simulator != nullptr) {
    down = simulator->IsKeyDown(virtualKey);
  } else {
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    const SDL_Scancode scancode = SDL_GetScancodeFromKey(key);
    down = keys != nullptr && scancode > SDL_SCANCODE_UNKNOWN && scancode < count && keys[scancode] != 0;
  }
  if (virtualKey == kVkCapital)
    toggled = (mod & KMOD_CAPS) != 0;
  else if (virtualKey == kVkNumLock)
    toggled = (mod & KMOD_NUM) != 0;
  else if (virtualKey == kVkScroll)
    toggled = (mod & KMOD_SCROLL) != 0;
  return true;
}

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
