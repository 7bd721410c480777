#include "Platform/Window/SdlKeys.h"

#include <SDL.h>

#include <algorithm>
#include <array>
#include <utility>

namespace QZ::Platform {

namespace {

struct KeyPair {
  SDL_Keycode sdl;
  std::uint32_t virtualKey;
};

// One entry per SDL key; where two SDL keys give one virtual key, the first is the one SdlKeyForVirtualKey
// answers. Letters, digits and function keys are ranges (below).
constexpr KeyPair kKeys[] = {
    {SDLK_CANCEL, 0x03},
    {SDLK_BACKSPACE, 0x08},
    {SDLK_TAB, 0x09},
    {SDLK_CLEAR, 0x0C},
    {SDLK_KP_CLEAR, 0x0C},
    {SDLK_RETURN, 0x0D},
    {SDLK_KP_ENTER, 0x0D},
    {SDLK_RETURN2, 0x0D},
    // Key messages name the modifier keys by their general codes; which side is down is in the
    // modifier mask.
    {SDLK_LSHIFT, 0x10},
    {SDLK_RSHIFT, 0x10},
    {SDLK_LCTRL, 0x11},
    {SDLK_RCTRL, 0x11},
    {SDLK_LALT, 0x12},
    {SDLK_RALT, 0x12},
    {SDLK_PAUSE, 0x13},
    {SDLK_CAPSLOCK, 0x14},
    {SDLK_ESCAPE, 0x1B},
    {SDLK_SPACE, 0x20},
    {SDLK_PAGEUP, 0x21},
    {SDLK_PAGEDOWN, 0x22},
    {SDLK_END, 0x23},
    {SDLK_HOME, 0x24},
    {SDLK_LEFT, 0x25},
    {SDLK_UP, 0x26},
    {SDLK_RIGHT, 0x27},
    {SDLK_DOWN, 0x28},
    {SDLK_SELECT, 0x29},
    {SDLK_EXECUTE, 0x2B},
    {SDLK_PRINTSCREEN, 0x2C},
    {SDLK_INSERT, 0x2D},
    {SDLK_DELETE, 0x2E},
    {SDLK_HELP, 0x2F},
    {SDLK_LGUI, 0x5B},
    {SDLK_RGUI, 0x5C},
    {SDLK_APPLICATION, 0x5D},
    {SDLK_MENU, 0x5D},
    {SDLK_SLEEP, 0x5F},
    {SDLK_KP_0, 0x60},
    {SDLK_KP_1, 0x61},
    {SDLK_KP_2, 0x62},
    {SDLK_KP_3, 0x63},
    {SDLK_KP_4, 0x64},
    {SDLK_KP_5, 0x65},
    {SDLK_KP_6, 0x66},
    {SDLK_KP_7, 0x67},
    {SDLK_KP_8, 0x68},
    {SDLK_KP_9, 0x69},
    {SDLK_KP_MULTIPLY, 0x6A},
    {SDLK_KP_PLUS, 0x6B},
    {SDLK_SEPARATOR, 0x6C},
    {SDLK_KP_COMMA, 0x6C},
    {SDLK_KP_MINUS, 0x6D},
    {SDLK_KP_PERIOD, 0x6E},
    {SDLK_KP_DECIMAL, 0x6E},
    {SDLK_KP_DIVIDE, 0x6F},
    {SDLK_NUMLOCKCLEAR, 0x90},
    {SDLK_SCROLLLOCK, 0x91},
    {SDLK_KP_EQUALS, 0x92},
    {SDLK_AC_BACK, 0xA6},
    {SDLK_AC_FORWARD, 0xA7},
    {SDLK_AC_REFRESH, 0xA8},
    {SDLK_AC_STOP, 0xA9},
    {SDLK_AC_SEARCH, 0xAA},
    {SDLK_AC_BOOKMARKS, 0xAB},
    {SDLK_AC_HOME, 0xAC},
    {SDLK_MUTE, 0xAD},
    {SDLK_AUDIOMUTE, 0xAD},
    {SDLK_VOLUMEDOWN, 0xAE},
    {SDLK_VOLUMEUP, 0xAF},
    {SDLK_AUDIONEXT, 0xB0},
    {SDLK_AUDIOPREV, 0xB1},
    {SDLK_AUDIOSTOP, 0xB2},
    {SDLK_AUDIOPLAY, 0xB3},
    {SDLK_MAIL, 0xB4},
    {SDLK_MEDIASELECT, 0xB5},
    {SDLK_COMPUTER, 0xB6},
    {SDLK_CALCULATOR, 0xB7},
    // The punctuation keys of a US keyboard, as the OEM virtual keys.
    {SDLK_SEMICOLON, 0xBA},
    {SDLK_EQUALS, 0xBB},
    {SDLK_COMMA, 0xBC},
    {SDLK_MINUS, 0xBD},
    {SDLK_PERIOD, 0xBE},
    {SDLK_SLASH, 0xBF},
    {SDLK_BACKQUOTE, 0xC0},
    {SDLK_LEFTBRACKET, 0xDB},
    {SDLK_BACKSLASH, 0xDC},
    {SDLK_RIGHTBRACKET, 0xDD},
    {SDLK_QUOTE, 0xDE},
};

} // namespace

std::uint32_t TranslateSdlKey(std::int32_t sdlKeycode) {
  if (sdlKeycode >= SDLK_a && sdlKeycode <= SDLK_z)
    return static_cast<std::uint32_t>(sdlKeycode - SDLK_a) + 0x41;
  if (sdlKeycode >= SDLK_0 && sdlKeycode <= SDLK_9)
    return static_cast<std::uint32_t>(sdlKeycode - SDLK_0) + 0x30;
  if (sdlKeycode >= SDLK_F1 && sdlKeycode <= SDLK_F12)
    return static_cast<std::uint32_t>(sdlKeycode - SDLK_F1) + 0x70;
  if (sdlKeycode >= SDLK_F13 && sdlKeycode <= SDLK_F24)
    return static_cast<std::uint32_t>(sdlKeycode - SDLK_F13) + 0x7C;
  for (const KeyPair& pair : kKeys) {
    if (pair.sdl == sdlKeycode)
      return pair.virtualKey;
  }
  return 0;
}

std::int32_t SdlKeyForVirtualKey(std::uint32_t virtualKey) {
  const auto vk = static_cast<std::int32_t>(virtualKey);
  if (vk >= 0x41 && vk <= 0x5A)
    return SDLK_a + (vk - 0x41);
  if (vk >= 0x30 && vk <= 0x39)
    return SDLK_0 + (vk - 0x30);
  if (vk >= 0x70 && vk <= 0x7B)
    return SDLK_F1 + (vk - 0x70);
  if (vk >= 0x7C && vk <= 0x87)
    return SDLK_F13 + (vk - 0x7C);
  switch (virtualKey) {
  case 0xA0:
    return SDLK_LSHIFT;
  case 0xA1:
    return SDLK_RSHIFT;
  case 0xA2:
    return SDLK_LCTRL;
  case 0xA3:
    return SDLK_RCTRL;
  case 0xA4:
    return SDLK_LALT;
  case 0xA5:
    return SDLK_RALT;
  default:
    break;
  }
  for (const KeyPair& pair : kKeys) {
    if (pair.virtualKey == virtualKey)
      return pair.sdl;
  }
  return SDLK_UNKNOWN;
}

} // namespace QZ::Platform
