#include "Platform/Input/FakeKeyState.h"
#include "Platform/Input/KeyState.h"
#include "Platform/Input/VirtualKeys.h"

#include <SDL.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace QZ::Platform {
namespace {

TEST(VirtualKeys, SDLKeycodes) {
  struct Case {
    SDL_Keycode keycode;
    std::uint8_t virtualKey;
  };
  const Case cases[] = {
      // Letters and digits follow the unshifted character.
      {SDLK_a, 0x41},
      {SDLK_z, 0x5A},
      {SDLK_0, 0x30},
      {SDLK_9, 0x39},
      {SDLK_F1, 0x70},
      {SDLK_F4, 0x73},
      {SDLK_F12, 0x7B},
      {SDLK_F13, 0x7C},
      {SDLK_F24, 0x87},
      {SDLK_CANCEL, 0x03},
      {SDLK_BACKSPACE, 0x08},
      {SDLK_TAB, 0x09},
      {SDLK_CLEAR, 0x0C},
      {SDLK_RETURN, 0x0D},
      {SDLK_KP_ENTER, 0x0D},
      {SDLK_RETURN2, 0x0D},
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
      {SDLK_INSERT, 0x2D},
      {SDLK_DELETE, 0x2E},
      // Key events name the modifier keys by their generic codes.
      {SDLK_LSHIFT, 0x10},
      {SDLK_RSHIFT, 0x10},
      {SDLK_LCTRL, 0x11},
      {SDLK_RCTRL, 0x11},
      {SDLK_LALT, 0x12},
      {SDLK_RALT, 0x12},
      {SDLK_LGUI, 0x5B},
      {SDLK_RGUI, 0x5C},
      {SDLK_APPLICATION, 0x5D},
      {SDLK_MENU, 0x5D},
      {SDLK_KP_0, 0x60},
      {SDLK_KP_9, 0x69},
      {SDLK_KP_MULTIPLY, 0x6A},
      {SDLK_KP_PLUS, 0x6B},
      {SDLK_KP_COMMA, 0x6C},
      {SDLK_KP_MINUS, 0x6D},
      {SDLK_KP_PERIOD, 0x6E},
      {SDLK_KP_DIVIDE, 0x6F},
      {SDLK_KP_EQUALS, 0x92},
      {SDLK_NUMLOCKCLEAR, 0x90},
      {SDLK_SCROLLLOCK, 0x91},
      {SDLK_CAPSLOCK, 0x14},
      {SDLK_PAUSE, 0x13},
      {SDLK_PRINTSCREEN, 0x2C},
      {SDLK_MUTE, 0xAD},
      {SDLK_AUDIOMUTE, 0xAD},
      {SDLK_VOLUMEUP, 0xAF},
      {SDLK_AUDIOPLAY, 0xB3},
      // Punctuation by the positions of a US keyboard.
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
      // Keys without a virtual key: a shifted character, a letter of another
      // layout, SDL's unknown key.
      {SDLK_EXCLAIM, 0},
      {0xE4, 0},
      {SDLK_UNKNOWN, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(SDL_GetKeyName(c.keycode));
    EXPECT_EQ(VirtualKeyFromSDLKeycode(c.keycode), c.virtualKey);
  }
}

TEST(VirtualKeys, AKeyCodeWithoutAVirtualKeyFallsBackToItsPhysicalLetterOrDigit) {
  struct Case {
    const char* what;
    SDL_Keycode keycode;
    SDL_Scancode scancode;
    std::uint8_t virtualKey;
  };
  const Case cases[] = {
      {"Cyrillic es on C", 0x0441, SDL_SCANCODE_C, 0x43},
      {"Cyrillic ef on A", 0x0444, SDL_SCANCODE_A, 0x41},
      {"Cyrillic ya on Z", 0x044F, SDL_SCANCODE_Z, 0x5A},
      {"e acute on 2", 0x00E9, SDL_SCANCODE_2, 0x32},
      {"a grave on 0", 0x00E0, SDL_SCANCODE_0, 0x30},
      {"ampersand on 1", SDLK_AMPERSAND, SDL_SCANCODE_1, 0x31},
      {"the layout's own letter wins", SDLK_a, SDL_SCANCODE_Q, 0x41},
      {"a mapped key keeps its own", SDLK_F5, SDL_SCANCODE_F5, 0x74},
      {"Cyrillic zhe on the semicolon key", 0x0436, SDL_SCANCODE_SEMICOLON, 0},
      {"nothing at all", SDLK_UNKNOWN, SDL_SCANCODE_UNKNOWN, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(VirtualKeyFromSDLKey(c.keycode, c.scancode), c.virtualKey);
  }
  for (std::uint8_t key = 0x30; key <= 0x5A; ++key) {
    SCOPED_TRACE(key);
    const std::int32_t scancode = SDLScancodeForLetterOrDigit(key);
    const bool letterOrDigit = key <= 0x39 || key >= 0x41;
    EXPECT_EQ(scancode != SDL_SCANCODE_UNKNOWN, letterOrDigit);
    if (letterOrDigit) {
      EXPECT_EQ(VirtualKeyFromSDLKey(0x0400, scancode), key) << "the way back";
    }
  }
}

TEST(VirtualKeys, EveryMappedKeyFindsItsWayBack) {
  for (int code = 1; code < 256; ++code) {
    const auto virtualKey = static_cast<std::uint8_t>(code);
    for (const std::int32_t keycode : SDLKeycodesForVirtualKey(virtualKey)) {
      SCOPED_TRACE(code);
      const std::uint8_t back = VirtualKeyFromSDLKeycode(keycode);
      // The sided modifier codes come back as their generic key.
      EXPECT_TRUE(back == virtualKey || (code >= 0xA0 && code <= 0xA5 && back == 0x10 + (code - 0xA0) / 2));
    }
  }
  const auto shift = SDLKeycodesForVirtualKey(0x10);
  EXPECT_TRUE(std::ranges::find(shift, SDLK_LSHIFT) != shift.end());
  EXPECT_TRUE(std::ranges::find(shift, SDLK_RSHIFT) != shift.end());
  EXPECT_EQ(SDLKeycodesForVirtualKey(0xA1), std::vector<std::int32_t>{SDLK_RSHIFT});
  // The first code of a key is its main key.
  EXPECT_EQ(SDLKeycodesForVirtualKey(0x0D).front(), SDLK_RETURN);
  EXPECT_EQ(SDLKeycodesForVirtualKey(0x5D).front(), SDLK_APPLICATION);
  EXPECT_TRUE(SDLKeycodesForVirtualKey(0xFF).empty());
}

TEST(KeyState, AFakeIsInstalledForItsScope) {
  const auto before = GetKeyStateSource();
  {
    ScopedFakeKeyState keys;
    EXPECT_NE(GetKeyStateSource(), before);
    keys->SetDown(0x41, true);
    keys->SetToggled(kVirtualKeyCapsLock, true);
    EXPECT_TRUE(GetKeyState(0x41).down);
    EXPECT_FALSE(GetKeyState(0x41).toggled);
    EXPECT_TRUE(GetKeyState(kVirtualKeyCapsLock).toggled);
    EXPECT_FALSE(GetKeyState(0x42).down);
  }
  EXPECT_EQ(GetKeyStateSource(), before);
}

// The SDL backend reads SDL's keyboard state; without a window nothing is down.
TEST(KeyState, SDLBackendWithoutInput) {
  ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
  const auto previous = SetKeyStateSource(nullptr);
  for (const std::uint8_t key : {std::uint8_t{0x10}, std::uint8_t{0x41}, kVirtualKeyLeftButton})
    EXPECT_FALSE(GetKeyState(key).down);
  SetKeyStateSource(previous);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

} // namespace
} // namespace QZ::Platform
