#pragma once
// The window system as a whole: starting and stopping it, the event queue of every window, and the
// screen. SDL2 underneath; SDL_VIDEODRIVER=offscreen gives windows and events without a display server.
//
// Start and Stop nest (each Start needs its Stop); the thread of the first Start is the UI thread, on
// which every other operation here and in Window.h runs, except PostWake and PostQuit, which any thread
// may call while the system runs. The last window closing does not end anything by itself: quitting is
// the application's decision (PostQuit, or the kQuit the window system reports).

#include "Platform/Window/WindowEvent.h"
#include "Platform/Window/WindowTypes.h"

#include <cstdint>
#include <string>

namespace QZ::Platform {

// False (see GetWindowSystemError) when the window system cannot start, e.g. without a display.
[[nodiscard]] bool StartWindowSystem();
// Starts SDL's video for a caller of its own (the application host): true when it runs on a display, or on the
// driver SDL_VIDEODRIVER names. SDL falls back to its offscreen driver when no display can be opened; a program
// that went on there would run with no window anyone can see, so that fallback counts as a failure (video stopped
// again, the error text set) unless the environment asked for it.
[[nodiscard]] bool InitVideoOnDisplay(std::uint32_t subsystems);
// The text of a start-up that found no display.
inline constexpr const char* kNoDisplayError = "cannot open a display (set DISPLAY, or SDL_VIDEODRIVER=offscreen "
                                               "to run without one)";
void StopWindowSystem();
bool IsWindowSystemStarted();
// The window system's text for its last failure.
std::string GetWindowSystemError();

// Waits until an event is waiting or timeoutMs passes (0 only looks; negative waits without limit).
// True when an event is waiting.
bool WaitForWindowEvent(std::int32_t timeoutMs);
// Takes the next event; false when none is waiting. Several pointer moves of one window in a row come
// out as the last of them.
bool PollWindowEvent(WindowEvent& out);
// Drops the mouse presses, key presses and typed text made until now that no one has taken yet: input
// made while the UI thread was held by a long operation, which the user no longer means when it returns.
// The window system's pending input is fetched first, so each event is judged by its own time stamp;
// releases, moves and wheel steps still come. Nothing while the window system is stopped.
void DropPressesMadeUntilNow();
// Wakes a waiting WaitForWindowEvent with a kWake event. Any thread.
bool PostWake();
// Queues a kQuit event. Any thread.
bool PostQuit();

// The screen's area not taken by task bars and panels, and the whole screen, in screen coordinates.
WindowRect GetWorkArea();
WindowRect GetScreenBounds();
// Pixels per inch of the screen; 96 where the window system cannot tell.
std::int32_t GetScreenDpi();
inline constexpr std::int32_t kDefaultScreenDpi = 96;

} // namespace QZ::Platform
