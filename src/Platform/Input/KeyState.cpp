#include "Platform/Input/KeyState.h"

#include "Platform/Input/VirtualKeys.h"

#include <SDL.h>

#include <mutex>

namespace QZ::Platform {

namespace {

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
    int count = 0;
    const Uint8* keys = SDL_GetKeyboardState(&count);
    for (const std::int32_t keycode : SDLKeycodesForVirtualKey(virtualKey)) {
      const SDL_Scancode scancode = SDL_GetScancodeFromKey(keycode);
      if (scancode != SDL_SCANCODE_UNKNOWN && scancode < count && keys[scancode])
        state.down = true;
    }
    const SDL_Keymod mods = SDL_GetModState();
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
