#include "Platform/Window/WindowSystem.h"

#include "Platform/Window/WindowSystemState.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace QZ::Platform {

namespace detail {

WindowSystemState& State() {
  static WindowSystemState state;
  return state;
}

} // namespace detail

using detail::State;

bool StartWindowSystem() {
  detail::WindowSystemState& state = State();
  if (state.startCount > 0) {
    ++state.startCount;
    return true;
  }
  // Closing the last window ends nothing by itself; the application decides when to quit.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // Presenting copies pixels into the window system's own framebuffer; a renderer in between would
  // load OpenGL for every window and gain nothing for a copy.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // No end-of-turn markers in the queue: a poll would stop at one left by an earlier wait and leave the
  // events behind it for later. Where a turn ends is the caller's decision.
  SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
  // The click that activates a window is a click like any other (SDL on X11 drops it otherwise).
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  if (!InitVideoOnDisplay(SDL_INIT_VIDEO))
    return false;
  if (state.wakeEventType.load() == 0) {
    const Uint32 type = SDL_RegisterEvents(1);
    state.wakeEventType.store(type == static_cast<Uint32>(-1) ? 0u : type);
  }
  SDL_EventState(SDL_DROPBEGIN, SDL_ENABLE);
  SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
  SDL_EventState(SDL_DROPTEXT, SDL_ENABLE);
  SDL_EventState(SDL_DROPCOMPLETE, SDL_ENABLE);
  SDL_StartTextInput();
  state.startCount = 1;
  return true;
}

void StopWindowSystem() {
  detail::WindowSystemState& state = State();
  if (state.startCount == 0 || --state.startCount > 0)
    return;
  detail::FreeCursors();
  state.pending.clear();
  state.translator.Reset();
  state.focus = kNoWindow;
  state.capture = kNoWindow;
  // Drop files still queued are ours to free.
  SDL_Event event;
  while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_DROPFILE, SDL_DROPTEXT) == 1)
    SDL_free(event.drop.file);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool InitVideoOnDisplay(std::uint32_t subsystems) {
  if (SDL_InitSubSystem(subsystems) != 0)
    return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* wanted = std::getenv("SDL_VIDEODRIVER");
  const bool fallback =
      driver != nullptr && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
  if (!fallback || (wanted != nullptr && std::strstr(wanted, driver) != nullptr))
    return true;
  SDL_QuitSubSystem(subsystems);
  SDL_SetError("%s", kNoDisplayError);
  return false;
}

bool IsWindowSystemStarted() { return State().startCount > 0; }

std::string GetWindowSystemError() { return SDL_GetError(); }

bool WaitForWindowEvent(std::int32_t timeoutMs) {
  detail::WindowSystemState& state = State();
  if (!state.pending.empty())
    return true;
  if (state.startCount == 0)
    return false;
  if (timeoutMs == 0) {
    SDL_PumpEvents();
    return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0;
  }
  if (timeoutMs < 0)
    return SDL_WaitEvent(nullptr) == 1;
  return SDL_WaitEventTimeout(nullptr, timeoutMs) == 1;
}

void DropPressesMadeUntilNow() {
  detail::WindowSystemState& state = State();
  if (state.startCount == 0)
    return;
  // What the display server has sent gets SDL's time stamp as it enters SDL's queue: take it in first.
  SDL_PumpEvents();
  state.translator.DropPressesUntil(SDL_GetTicks());
  // Everything in SDL's queue now was made before this point, whatever millisecond its stamp names.
  SDL_Event queued;
  for (const Uint32 type : {SDL_MOUSEBUTTONDOWN, SDL_KEYDOWN, SDL_TEXTINPUT}) {
    while (SDL_PeepEvents(&queued, 1, SDL_GETEVENT, type, type) == 1)
      state.translator.DropPress(queued);
  }
  const auto isPress = [](const WindowEvent& event) {
    switch (event.kind) {
    case WindowEventKind::kMouseButton:
      return event.action != MouseAction::kRelease;
    case WindowEventKind::kKey:
      return event.keyDown;
    case WindowEventKind::kCharacter:
      return true;
    default:
      return false;
    }
  };
  std::erase_if(state.pending, isPress);
}

bool PollWindowEvent(WindowEvent& out) {
  detail::WindowSystemState& state = State();
  while (state.pending.empty()) {
    if (state.startCount == 0)
      return false;
    SDL_Event event;
    if (SDL_PollEvent(&event) == 0)
      return false;
    if (event.type == SDL_MOUSEMOTION) {
      // A move followed at once by another of the same window and buttons says nothing the later one
      // does not.
      SDL_Event next;
      if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 &&
          next.type == SDL_MOUSEMOTION && next.motion.windowID == event.motion.windowID &&
          next.motion.state == event.motion.state && next.motion.which == event.motion.which)
        continue;
    }
    state.translator.Translate(event, state.pending);
    if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT)
      SDL_free(event.drop.file);
  }
  out = std::move(state.pending.front());
  state.pending.pop_front();
  return true;
}

bool PostWake() {
  const std::uint32_t type = State().wakeEventType.load();
  if (type == 0 || SDL_WasInit(SDL_INIT_EVENTS) == 0)
    return false;
  SDL_Event event;
  SDL_zero(event);
  event.type = type;
  return SDL_PushEvent(&event) == 1;
}

bool PostQuit() {
  if (SDL_WasInit(SDL_INIT_EVENTS) == 0)
    return false;
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_QUIT;
  return SDL_PushEvent(&event) == 1;
}

WindowRect GetWorkArea() {
  SDL_Rect rect;
  if (SDL_GetDisplayUsableBounds(0, &rect) != 0)
    return GetScreenBounds();
  return {rect.x, rect.y, rect.w, rect.h};
}

WindowRect GetScreenBounds() {
  SDL_Rect rect;
  if (SDL_GetDisplayBounds(0, &rect) != 0)
    return {};
  return {rect.x, rect.y, rect.w, rect.h};
}

std::int32_t GetScreenDpi() {
  float horizontal = 0.0f;
  if (SDL_GetDisplayDPI(0, nullptr, &horizontal, nullptr) != 0 || !(horizontal >= 1.0f) || horizontal > 10000.0f)
    return kDefaultScreenDpi;
  return static_cast<std::int32_t>(std::lround(horizontal));
}

} // namespace QZ::Platform
