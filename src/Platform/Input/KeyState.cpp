#include "Platform/Input/KeyState.h"

#include "Platform/Input/VirtualKeys.h"

#include <SDL.h>

#include <mutex>

namespace QZ::Platform {

namespace {

// SDL's modifier bits for a modifier key; 0 for any other key. SDL keeps them
// from the key events (and from whoever sets them), so they, not the keyboard
// state, say whether a modifier is held.
unsigned ModifierBits(std::uint8_t virtualKey) {
  switch (virtualKey) {
  case kVirtualKeyShift:
    return KMOD_SHIFT;
  case kVirtualKeyControl:
    return KMOD_CTRL;
  case kVirtualKeyMenu:
    return KMOD_ALT;
  case 0x5B: // left Win
    return KMOD_LGUI;
  case 0x5C: // right Win
    return KMOD_RGUI;
  case 0xA0:
    return KMOD_LSHIFT;
  case 0xA1:
    return KMOD_RSHIFT;
  case 0xA2:
    return KMOD_LCTRL;
  case 0xA3:
    return KMOD_RCTRL;
  case 0xA4:
    return KMOD_LALT;
  case 0xA5:
    return KMOD_RALT;
  default:
    return 0;
  }
}

class SDLKeyStateSource final : public KeyStateSource {
public:
  SKeyState GetKeyState(std::uint8_t virtualKey) override {
    SKeyState state;
    switch (virtualKey) {
    case kVirtualKeyLeftButton:
      state.down = (SDL_GetGlobalMouseState(nullptr, nullptr) & SDL_BUTTON_LMASK) != 0;
      return state;
    case kVirtualKeyRightButton:
      state.down = (SDL_GetGlobalMouseState(nullptr, nullptr) & SDL_BUTTON_RMASK) != 0;
      return state;
    case kVirtualKeyMiddleButton:
      state.down = (SDL_GetGlobalMouseState(nullptr, nullptr) & SDL_BUTTON_MMASK) != 0;
      return state;
    default:
      break;
    }
    const SDL_Keymod mods = SDL_GetModState();
    if (const unsigned bits = ModifierBits(virtualKey); bits != 0) {
      state.down = (mods & bits) != 0;
      return state;
    }
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    bool found = false;
    for (const std::int32_t keycode : SDLKeycodesForVirtualKey(virtualKey)) {
      const SDL_Scancode scancode = SDL_GetScancodeFromKey(keycode);
      if (scancode == SDL_SCANCODE_UNKNOWN)
        continue;
      found = true;
      if (scancode < count && keys[scancode])
        state.down = true;
    }
    // A layout without the letter (a non-Latin one): the physical key that key events report as it.
    if (const std::int32_t physical = SDLScancodeForLetterOrDigit(virtualKey);
        !found && physical != SDL_SCANCODE_UNKNOWN && physical < count && keys[physical])
      state.down = true;
    if (virtualKey == kVirtualKeyCapsLock)
      state.toggled = (mods & KMOD_CAPS) != 0;
    else if (virtualKey == kVirtualKeyNumLock)
      state.toggled = (mods & KMOD_NUM) != 0;
    else if (virtualKey == kVirtualKeyScrollLock)
      state.toggled = (mods & KMOD_SCROLL) != 0;
    return state;
  }
};

struct Installed {
  std::mutex lock;
  std::shared_ptr<KeyStateSource> source = std::make_shared<SDLKeyStateSource>();
};

Installed& GetInstalled() {
  static Installed installed;
  return installed;
}

} // namespace

std::shared_ptr<KeyStateSource> GetKeyStateSource() {
  Installed& installed = GetInstalled();
  std::lock_guard guard(installed.lock);
  return installed.source;
}

std::shared_ptr<KeyStateSource> SetKeyStateSource(std::shared_ptr<KeyStateSource> source) {
  if (!source)
    source = std::make_shared<SDLKeyStateSource>();
  Installed& installed = GetInstalled();
  std::lock_guard guard(installed.lock);
  installed.source.swap(source);
  return source;
}

SKeyState GetKeyState(std::uint8_t virtualKey) { return GetKeyStateSource()->GetKeyState(virtualKey); }

} // namespace QZ::Platform
