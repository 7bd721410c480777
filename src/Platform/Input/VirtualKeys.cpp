#include "Platform/Input/VirtualKeys.h"

#include <SDL.h>

#include <array>
#include <utility>

namespace QZ::Platform {

namespace {

struct KeyPair {
  SDL_Keycode keycode;
  std::uint8_t virtualKey;
};

// Keys whose codes are not a simple range. A key event reports the generic
// modifier keys (Shift, Control, Alt), as the window system of the stored key
// texts does; the sided codes 0xA0-0xA5 are reached only by SDLKeycodesForVirtualKey.
// Where several SDL keys give one virtual key, the first listed is the one the
// way back gives first.
// clang-format off
constexpr std::array kKeys{
    KeyPair{SDLK_CANCEL, 0x03}, KeyPair{SDLK_BACKSPACE, 0x08}, KeyPair{SDLK_TAB, 0x09},
    KeyPair{SDLK_CLEAR, 0x0C}, KeyPair{SDLK_KP_CLEAR, 0x0C}, KeyPair{SDLK_RETURN, 0x0D},
    KeyPair{SDLK_KP_ENTER, 0x0D}, KeyPair{SDLK_RETURN2, 0x0D},
    KeyPair{SDLK_LSHIFT, 0x10}, KeyPair{SDLK_RSHIFT, 0x10}, KeyPair{SDLK_LCTRL, 0x11},
    KeyPair{SDLK_RCTRL, 0x11}, KeyPair{SDLK_LALT, 0x12}, KeyPair{SDLK_RALT, 0x12}, KeyPair{SDLK_PAUSE, 0x13},
    KeyPair{SDLK_CAPSLOCK, 0x14}, KeyPair{SDLK_ESCAPE, 0x1B}, KeyPair{SDLK_SPACE, 0x20},
    KeyPair{SDLK_PAGEUP, 0x21}, KeyPair{SDLK_PAGEDOWN, 0x22}, KeyPair{SDLK_END, 0x23}, KeyPair{SDLK_HOME, 0x24},
    KeyPair{SDLK_LEFT, 0x25}, KeyPair{SDLK_UP, 0x26}, KeyPair{SDLK_RIGHT, 0x27}, KeyPair{SDLK_DOWN, 0x28},
    KeyPair{SDLK_SELECT, 0x29}, KeyPair{SDLK_EXECUTE, 0x2B}, KeyPair{SDLK_PRINTSCREEN, 0x2C},
    KeyPair{SDLK_INSERT, 0x2D}, KeyPair{SDLK_DELETE, 0x2E}, KeyPair{SDLK_HELP, 0x2F}, KeyPair{SDLK_LGUI, 0x5B},
    KeyPair{SDLK_RGUI, 0x5C}, KeyPair{SDLK_APPLICATION, 0x5D}, KeyPair{SDLK_MENU, 0x5D}, KeyPair{SDLK_SLEEP, 0x5F},
    KeyPair{SDLK_KP_0, 0x60}, KeyPair{SDLK_KP_1, 0x61}, KeyPair{SDLK_KP_2, 0x62}, KeyPair{SDLK_KP_3, 0x63},
    KeyPair{SDLK_KP_4, 0x64}, KeyPair{SDLK_KP_5, 0x65}, KeyPair{SDLK_KP_6, 0x66}, KeyPair{SDLK_KP_7, 0x67},
    KeyPair{SDLK_KP_8, 0x68}, KeyPair{SDLK_KP_9, 0x69}, KeyPair{SDLK_KP_MULTIPLY, 0x6A},
    KeyPair{SDLK_KP_PLUS, 0x6B}, KeyPair{SDLK_SEPARATOR, 0x6C}, KeyPair{SDLK_KP_COMMA, 0x6C}, KeyPair{SDLK_KP_MINUS, 0x6D},
    KeyPair{SDLK_KP_PERIOD, 0x6E}, KeyPair{SDLK_KP_DECIMAL, 0x6E}, KeyPair{SDLK_KP_DIVIDE, 0x6F},
    KeyPair{SDLK_F1, 0x70}, KeyPair{SDLK_F2, 0x71}, KeyPair{SDLK_F3, 0x72}, KeyPair{SDLK_F4, 0x73},
    KeyPair{SDLK_F5, 0x74}, KeyPair{SDLK_F6, 0x75}, KeyPair{SDLK_F7, 0x76}, KeyPair{SDLK_F8, 0x77},
    KeyPair{SDLK_F9, 0x78}, KeyPair{SDLK_F10, 0x79}, KeyPair{SDLK_F11, 0x7A}, KeyPair{SDLK_F12, 0x7B},
    KeyPair{SDLK_F13, 0x7C}, KeyPair{SDLK_F14, 0x7D}, KeyPair{SDLK_F15, 0x7E}, KeyPair{SDLK_F16, 0x7F},
    KeyPair{SDLK_F17, 0x80}, KeyPair{SDLK_F18, 0x81}, KeyPair{SDLK_F19, 0x82}, KeyPair{SDLK_F20, 0x83},
    KeyPair{SDLK_F21, 0x84}, KeyPair{SDLK_F22, 0x85}, KeyPair{SDLK_F23, 0x86}, KeyPair{SDLK_F24, 0x87},
    KeyPair{SDLK_NUMLOCKCLEAR, 0x90}, KeyPair{SDLK_SCROLLLOCK, 0x91}, KeyPair{SDLK_KP_EQUALS, 0x92},
    KeyPair{SDLK_AC_BACK, 0xA6},
    KeyPair{SDLK_AC_FORWARD, 0xA7}, KeyPair{SDLK_AC_REFRESH, 0xA8}, KeyPair{SDLK_AC_STOP, 0xA9},
    KeyPair{SDLK_AC_SEARCH, 0xAA}, KeyPair{SDLK_AC_BOOKMARKS, 0xAB}, KeyPair{SDLK_AC_HOME, 0xAC},
    KeyPair{SDLK_MUTE, 0xAD}, KeyPair{SDLK_AUDIOMUTE, 0xAD}, KeyPair{SDLK_VOLUMEDOWN, 0xAE}, KeyPair{SDLK_VOLUMEUP, 0xAF},
    KeyPair{SDLK_AUDIONEXT, 0xB0}, KeyPair{SDLK_AUDIOPREV, 0xB1}, KeyPair{SDLK_AUDIOSTOP, 0xB2},
    KeyPair{SDLK_AUDIOPLAY, 0xB3}, KeyPair{SDLK_MAIL, 0xB4}, KeyPair{SDLK_MEDIASELECT, 0xB5},
    KeyPair{SDLK_COMPUTER, 0xB6}, KeyPair{SDLK_CALCULATOR, 0xB7},
    // Punctuation, by the positions of a US keyboard.
    KeyPair{SDLK_SEMICOLON, 0xBA}, KeyPair{SDLK_EQUALS, 0xBB}, KeyPair{SDLK_COMMA, 0xBC},
    KeyPair{SDLK_MINUS, 0xBD}, KeyPair{SDLK_PERIOD, 0xBE}, KeyPair{SDLK_SLASH, 0xBF},
    KeyPair{SDLK_BACKQUOTE, 0xC0}, KeyPair{SDLK_LEFTBRACKET, 0xDB}, KeyPair{SDLK_BACKSLASH, 0xDC},
    KeyPair{SDLK_RIGHTBRACKET, 0xDD}, KeyPair{SDLK_QUOTE, 0xDE},
};
// clang-format on

// The sided modifier keys, for key-state queries only.
// clang-format off
constexpr std::array kSidedKeys{
    KeyPair{SDLK_LSHIFT, 0xA0}, KeyPair{SDLK_RSHIFT, 0xA1}, KeyPair{SDLK_LCTRL, 0xA2},
    KeyPair{SDLK_RCTRL, 0xA3},  KeyPair{SDLK_LALT, 0xA4},   KeyPair{SDLK_RALT, 0xA5},
};
// clang-format on

} // namespace

std::uint8_t VirtualKeyFromSDLKeycode(std::int32_t keycode) {
  if (keycode >= SDLK_0 && keycode <= SDLK_9)
    return static_cast<std::uint8_t>(0x30 + (keycode - SDLK_0));
  if (keycode >= SDLK_a && keycode <= SDLK_z)
    return static_cast<std::uint8_t>(0x41 + (keycode - SDLK_a));
  for (const KeyPair& key : kKeys)
    if (key.keycode == keycode)
      return key.virtualKey;
  return 0;
}

std::uint8_t VirtualKeyFromSDLKey(std::int32_t keycode, std::int32_t scancode) {
  if (const std::uint8_t virtualKey = VirtualKeyFromSDLKeycode(keycode); virtualKey != 0)
    return virtualKey;
  if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
    return static_cast<std::uint8_t>(0x41 + (scancode - SDL_SCANCODE_A));
  // SDL numbers the digit row from 1 to 9, then 0.
  if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
    return static_cast<std::uint8_t>(0x31 + (scancode - SDL_SCANCODE_1));
  if (scancode == SDL_SCANCODE_0)
    return 0x30;
  return 0;
}

std::int32_t SDLScancodeForLetterOrDigit(std::uint8_t virtualKey) {
  if (virtualKey >= 0x41 && virtualKey <= 0x5A)
    return SDL_SCANCODE_A + (virtualKey - 0x41);
  if (virtualKey >= 0x31 && virtualKey <= 0x39)
    return SDL_SCANCODE_1 + (virtualKey - 0x31);
  if (virtualKey == 0x30)
    return SDL_SCANCODE_0;
  return SDL_SCANCODE_UNKNOWN;
}

std::vector<std::int32_t> SDLKeycodesForVirtualKey(std::uint8_t virtualKey) {
  std::vector<std::int32_t> keycodes;
  if (virtualKey >= 0x30 && virtualKey <= 0x39)
    keycodes.push_back(SDLK_0 + (virtualKey - 0x30));
  else if (virtualKey >= 0x41 && virtualKey <= 0x5A)
    keycodes.push_back(SDLK_a + (virtualKey - 0x41));
  for (const KeyPair& key : kKeys)
    if (key.virtualKey == virtualKey)
      keycodes.push_back(key.keycode);
  for (const KeyPair& key : kSidedKeys)
    if (key.virtualKey == virtualKey)
      keycodes.push_back(key.keycode);
  return keycodes;
}

} // namespace QZ::Platform
