#pragma once
// For a loop that takes SDL's events itself (the application host's): hands
// one of them to the window layer, which translates it and keeps the results
// for PollWindowEvent, as if it had taken the event from the queue itself.
//
// UI thread, with the window system started.

union SDL_Event;

namespace QZ::Platform {

// False, and nothing kept, for a quit request (SDL_QUIT), which the loop keeps
// for itself. The event's drop text, if any, is freed here.
bool TakeNativeEvent(SDL_Event& event);

struct WindowEvent;
// The next translated event already kept, without looking at SDL's queue;
// false when none is kept.
bool TakePendingWindowEvent(WindowEvent& out);

} // namespace QZ::Platform
