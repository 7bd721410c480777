#pragma once
// The virtual-key code (the framework's key codes, Windows values) of an SDL key code, and back. One
// table serves both directions. Keys that have no virtual key (most letters of other layouts) give 0.
//
// The SDL key code is taken as its plain 32-bit value so that callers need no SDL header.

#include <cstdint>

namespace QZ::Platform {

// The virtual key of an SDL key code (SDL_Keycode); 0 when it has none.
std::uint32_t TranslateSdlKey(std::int32_t sdlKeycode);
// An SDL key code that gives the virtual key; 0 (SDLK_UNKNOWN) when none does.
std::int32_t SdlKeyForVirtualKey(std::uint32_t virtualKey);

} // namespace QZ::Platform
