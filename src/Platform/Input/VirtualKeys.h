#pragma once
// Keys as the framework numbers them: the virtual-key codes 0x01-0xFE (the
// values the stored key texts and the key tables use), and the translation of
// SDL's key codes into them. The tables are constant; any thread.

#include <cstdint>
#include <vector>

namespace QZ::Platform {

// The codes the platform layer itself needs by name.
inline constexpr std::uint8_t kVirtualKeyLeftButton = 0x01;
inline constexpr std::uint8_t kVirtualKeyRightButton = 0x02;
inline constexpr std::uint8_t kVirtualKeyMiddleButton = 0x04;
inline constexpr std::uint8_t kVirtualKeyShift = 0x10;
inline constexpr std::uint8_t kVirtualKeyControl = 0x11;
inline constexpr std::uint8_t kVirtualKeyMenu = 0x12; // Alt
inline constexpr std::uint8_t kVirtualKeyCapsLock = 0x14;
inline constexpr std::uint8_t kVirtualKeyNumLock = 0x90;
inline constexpr std::uint8_t kVirtualKeyScrollLock = 0x91;

// The virtual key of an SDL key code (SDL_Keycode); 0 for a key with none.
// Letters map by their unshifted character ("a" to 0x41), so the key follows
// the keyboard layout as the stored key texts expect.
std::uint8_t VirtualKeyFromSDLKeycode(std::int32_t keycode);

// The virtual key of a key event: its key code's, and where the key code has
// none (a letter of a non-Latin layout: Cyrillic, Greek, ...) and the physical
// key (SDL_Scancode) is a letter or a digit, the physical key's, as on a US
// keyboard. So Ctrl with the key of "C" is Ctrl+C on every layout.
std::uint8_t VirtualKeyFromSDLKey(std::int32_t keycode, std::int32_t scancode);

// The physical key (SDL_Scancode) of a letter or digit virtual key as on a US
// keyboard; 0 for any other virtual key.
std::int32_t SDLScancodeForLetterOrDigit(std::uint8_t virtualKey);

// Every SDL key code that maps to the virtual key; the generic modifier keys
// (Shift, Control, Alt) also take both of their sided keys. Empty for a code
// with no key.
std::vector<std::int32_t> SDLKeycodesForVirtualKey(std::uint8_t virtualKey);

} // namespace QZ::Platform
