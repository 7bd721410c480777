#include "Platform/Window/SdlKeys.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace QZ::Platform {
namespace {

TEST(SdlKeysTest, TranslatesTheKeysOfAKeyboardToVirtualKeys) {
  struct Case {
    SDL_Keycode sdl;
    std::uint32_t virtualKey;
  };
  const Case cases[] = {
      {SDLK_a, 0x41},
      {SDLK_z, 0x5A},
      {SDLK_0, 0x30},
      {SDLK_9, 0x39},
      {SDLK_F1, 0x70},
      {SDLK_F4, 0x73},
      {SDLK_F12, 0x7B},
      {SDLK_F13, 0x7C},
      {SDLK_F24, 0x87},
      {SDLK_BACKSPACE, 0x08},
      {SDLK_TAB, 0x09},
      {SDLK_RETURN, 0x0D},
      {SDLK_KP_ENTER, 0x0D},
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
      {SDLK_LSHIFT, 0x10},
      {SDLK_RSHIFT, 0x10},
      {SDLK_LCTRL, 0x11},
      {SDLK_RCTRL, 0x11},
      {SDLK_LALT, 0x12},
      {SDLK_RALT, 0x12},
      {SDLK_LGUI, 0x5B},
      {SDLK_RGUI, 0x5C},
      {SDLK_APPLICATION, 0x5D},
      {SDLK_KP_0, 0x60},
      {SDLK_KP_9, 0x69},
      {SDLK_KP_MULTIPLY, 0x6A},
      {SDLK_KP_PLUS, 0x6B},
      {SDLK_KP_MINUS, 0x6D},
      {SDLK_KP_PERIOD, 0x6E},
      {SDLK_KP_DIVIDE, 0x6F},
      {SDLK_NUMLOCKCLEAR, 0x90},
      {SDLK_SCROLLLOCK, 0x91},
      {SDLK_CAPSLOCK, 0x14},
      {SDLK_PAUSE, 0x13},
      {SDLK_PRINTSCREEN, 0x2C},
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
      {SDLK_VOLUMEUP, 0xAF},
      {SDLK_AUDIOPLAY, 0xB3},
      // Keys without a virtual key: a letter of another layout, SDL's unknown key.
      {0xE4, 0},
      {SDLK_UNKNOWN, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sdl);
    EXPECT_EQ(TranslateSdlKey(c.sdl), c.virtualKey);
  }
}

TEST(SdlKeysTest, EveryVirtualKeyWithAnSdlKeyComesBackFromIt) {
  for (std::uint32_t vk = 1; vk < 256; ++vk) {
    SCOPED_TRACE(vk);
    const std::int32_t sdl = SdlKeyForVirtualKey(vk);
    if (sdl == SDLK_UNKNOWN)
      continue;
    // The side codes of the modifiers come back as the general code the key messages use.
    const std::uint32_t expected = vk >= 0xA0 && vk <= 0xA5 ? 0x10 + (vk - 0xA0) / 2 : vk;
    EXPECT_EQ(TranslateSdlKey(sdl), expected);
  }
  EXPECT_EQ(SdlKeyForVirtualKey(0xA1), SDLK_RSHIFT);
  EXPECT_EQ(SdlKeyForVirtualKey(0xFF), SDLK_UNKNOWN);
}

} // namespace
} // namespace QZ::Platform
