#pragma once
// The state of keyboard and mouse as the window system knows it now, independent of any window: held
// modifiers and buttons, the pointer's screen position, and cursors. Whether a key is down is the key
// state's (Platform/Input/KeyState.h).
//
// Cursors are the window system's: a cursor id names one for the process's life (kNoCursor is none,
// which hides the pointer while it is current). System cursors come by name and are made once.
//
// While an InputSimulator (InputSimulator.h) lives, the pointer position and the held buttons are the
// simulated ones.
//
// Threads: the UI thread, with the window system started.

#include "Platform/Window/WindowTypes.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace QZ::Platform {

// The whole modifier mask (WindowTypes.h bits) of the keys held now.
std::uint32_t GetModifierMask();
// Buttons held now (kMouseLeft, kMouseMiddle, kMouseRight).
std::uint32_t GetMouseButtons();
WindowPoint GetPointerScreenPosition();
bool SetPointerScreenPosition(WindowPoint screen);

enum class SystemCursor : std::uint8_t {
  kArrow,
  kIBeam,
  kWait,
  kCross,
  kUpArrow,
  kSizeAll,
  kSizeNWSE,
  kSizeNESW,
  kSizeWE,
  kSizeNS,
  kNo,
  kHand,
  kAppStarting,
  kHelp,
};
// The system cursor named "ARROW", "IBEAM", "WAIT", "CROSS", "UPARROW", "SIZEALL", "SIZENWSE", "SIZENESW",
// "SIZEWE", "SIZENS", "NO", "HAND", "APPSTARTING" or "HELP" (exact case); nothing for another name.
std::optional<SystemCursor> FindSystemCursor(std::string_view name);

using CursorId = std::uint32_t;
inline constexpr CursorId kNoCursor = 0;

// The cursor for a system cursor; kNoCursor when the window system has no cursors (offscreen).
CursorId GetSystemCursor(SystemCursor cursor);
// A cursor from pixels (up to 256 x 256) with its hot spot; kNoCursor on failure.
CursorId CreatePixelCursor(const PixelView& pixels, WindowPoint hotSpot);
// Makes the cursor current for the whole process and returns the one current before.
CursorId SetCurrentCursor(CursorId cursor);
CursorId GetCurrentCursor();
// A counter as the pointer's display count: the pointer shows while it is 0 or more. Returns the new count.
std::int32_t ShowPointer(bool show);
// Whether the window system shows the pointer now.
bool IsPointerShown();

} // namespace QZ::Platform
