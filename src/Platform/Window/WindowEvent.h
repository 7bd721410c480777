#pragma once
// The window layer's input and window events: what the window system reported, in our own terms. The
// event loop (WindowSystem.h) hands them out one at a time, in the order they happened.
//
// Points are client coordinates of the event's window (a move reports the screen position of the client
// origin). Mouse events carry the modifier bits Ctrl, Shift and Alt only; key and character events carry
// the whole modifier mask with the left and right bits, the Win keys included (the consumer decides what a
// held Win key means for characters). Input (buttons, moves, wheel, keys, characters, close requests) of a
// disabled window is never reported.

#include "Platform/Window/WindowTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace QZ::Platform {

enum class WindowEventKind : std::uint8_t {
  kMouseButton,      // button, action, point, modifiers, buttons held after it
  kMouseMove,        // point, modifiers, buttons held
  kMouseWheel,       // axis, wheelDelta (120 per notch; positive away from the user / to the right), point
  kKey,              // virtualKey (0 when the key has none), keyDown, repeat, modifiers
  kCharacter,        // character: one UTF-16 unit; modifiers
  kMouseEnter,       // the pointer came over the window
  kMouseLeave,       // the pointer left the window
  kFocusGained,      // the window got the keyboard focus (it is the active window)
  kFocusLost,        // the window lost it
  kCaptureLost,      // the window held the mouse capture and lost it; otherWindow took it (kNoWindow: nobody)
  kClose,            // the user asked to close the window (its close box or the window manager)
  kSize,             // width, height of the client area and the window's showState
  kMove,             // point: the new screen position of the client origin
  kExpose,           // the window system lost the window's pixels: present them again
  kDisplayChanged,   // the screen's arrangement or resolution changed (window may be kNoWindow)
  kDropFiles,        // a drop ended on the window: files (UTF-8 paths, possibly none), point
  kClipboardChanged, // the clipboard's contents changed (window is kNoWindow)
  kQuit,             // the application was asked to quit (window is kNoWindow)
  kWake,             // PostWake from some thread (window is kNoWindow)
};

// The values are the framework's button actions.
enum class MouseAction : std::uint8_t { kPress = 0, kRelease = 1, kDoubleClick = 2 };

enum class WheelAxis : std::uint8_t { kVertical = 0, kHorizontal = 1 };

// One pixel step of the wheel is this much of a notch.
inline constexpr std::int32_t kWheelDeltaPerNotch = 120;

struct WindowEvent {
  WindowEventKind kind = WindowEventKind::kWake;
  WindowId window = kNoWindow;
  WindowPoint point;
  std::uint32_t modifiers = 0;

  std::uint32_t button = 0; // kMouseLeft, kMouseMiddle or kMouseRight
  MouseAction action = MouseAction::kPress;
  std::uint32_t buttons = 0; // buttons held once the event has happened

  WheelAxis axis = WheelAxis::kVertical;
  std::int32_t wheelDelta = 0;

  std::uint32_t virtualKey = 0;
  bool keyDown = false;
  bool repeat = false; // a key-down the keyboard repeats while the key is held

  char16_t character = 0;

  std::int32_t width = 0;
  std::int32_t height = 0;
  WindowShowState showState = WindowShowState::kRestored;

  WindowId otherWindow = kNoWindow;

  std::vector<std::string> files;
};

} // namespace QZ::Platform
