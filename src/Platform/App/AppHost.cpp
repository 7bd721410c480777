#include "Platform/App/AppHost.h"

#include "Platform/Window/WindowSystem.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <thread>

namespace QZ::Platform {

namespace {

// How long a wake-up waits for its event to reach the queue: up to 20 pauses of 0.1 ms. A pushing thread queues it
// right after the watch returns; an event SDL drops after its watch (a full queue) costs no more than this.
constexpr int kEventLandingAttempts = 20;
constexpr int kEventLandingPauseUs = 100;

} // namespace

AppHost::AppHost() = default;

AppHost::~AppHost() {
  if (mWatching)
    SDL_DelEventWatch(&AppHost::OnEventAdded, this);
  if (mStarted)
    SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS);
}

int AppHost::Main() {
  if (!InitApplication())
    return 0;
  if (!InitInstance())
    return ExitInstance();
  return Run();
}

bool AppHost::InitApplication() {
  if (mStarted)
    return true;
  // Windows close through the application, never by themselves.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // The wait below is woken by an event watch; SDL's poll sentinel, pushed by every poll, would trip it at once
  // and turn the wait into a spin. Set here, not left to the window layer: a host may run without one.
  SDL_SetHint(SDL_HINT_POLL_SENTINEL, "0");
  if (!InitVideoOnDisplay(SDL_INIT_VIDEO | SDL_INIT_EVENTS))
    return false;
  mStarted = true;
  // Only these drivers can sleep until an event comes; SDL polls for the rest.
  const char* driver = SDL_GetCurrentVideoDriver();
  mNativeWait = driver != nullptr && (std::strcmp(driver, "x11") == 0 || std::strcmp(driver, "wayland") == 0);
  if (!mNativeWait) {
    SDL_AddEventWatch(&AppHost::OnEventAdded, this);
    mWatching = true;
  }
  const Uint32 type = SDL_RegisterEvents(1);
  mWakeEventType = type == static_cast<Uint32>(-1) ? 0 : type;
  return true;
}

bool AppHost::InitInstance() { return true; }

int AppHost::Run() {
  RunLoop([this](std::int32_t count) { return OnIdle(count); }, [] { return true; });
  mQuitRequested = false; // the main loop takes the request
  return ExitInstance();
}

bool AppHost::OnIdle(std::int32_t) { return false; }

int AppHost::ExitInstance() { return mQuitCode.load(); }

int AppHost::RunLoop(const IdleHook& idle, const std::function<bool()>& keepRunning) {
  std::int32_t idleCount = 0;
  bool idling = true;
  for (;;) {
    while (idling && !mQuitRequested && keepRunning() && !EventWaiting()) {
      idling = idle && idle(idleCount);
      if (idleCount < INT32_MAX)
        ++idleCount;
    }
    if (mQuitRequested)
      return kLoopQuit;
    if (!keepRunning())
      return 0;
    SDL_Event event;
    const bool got = WaitForEvent(mWaitSource ? mWaitSource() : mWaitMs, event);
    // Whatever ended the wait, the idle passes below see what was posted before now; a later Wake must send
    // its own event.
    mWakePending = false;
    if (got) {
      Dispatch(event);
      while (SDL_PollEvent(&event) == 1)
        Dispatch(event);
    }
    // The events that came, or the end of the wait, start a new idle period.
    idling = true;
    idleCount = 0;
  }
}

std::uint32_t AppHost::AddEventHandler(EventHandler handler) {
  const std::uint32_t id = mNextHandlerId++;
  mHandlers.emplace_back(id, std::move(handler));
  return id;
}

void AppHost::RemoveEventHandler(std::uint32_t id) {
  std::erase_if(mHandlers, [id](const auto& entry) { return entry.first == id; });
}

void AppHost::PostQuit(int code) {
  mQuitCode = code;
  mQuitRequested = true;
  Wake();
}

void AppHost::Wake() {
  const std::uint32_t type = mWakeEventType.load();
  if (type == 0 || mWakePending.exchange(true))
    return;
  SDL_Event event{};
  event.type = type;
  if (SDL_PushEvent(&event) != 1)
    mWakePending = false; // not queued (a full queue wakes the loop anyway): the next Wake tries again
}

bool AppHost::WaitForEvent(std::uint32_t timeout, SDL_Event& event) {
  const bool forever = timeout == kWaitForever;
  if (mNativeWait)
    return SDL_WaitEventTimeout(&event,
                                forever ? -1 : static_cast<int>(std::min<std::uint32_t>(timeout, INT_MAX))) == 1;
  // An event may be queued already (a nested loop runs inside the dispatch of an earlier one, whose wait took
  // the added mark): it is taken without waiting.
  SDL_PumpEvents();
  if (SDL_PollEvent(&event) == 1)
    return true;
  bool woken = false;
  {
    std::unique_lock lock(mAddedMutex);
    if (forever)
      mAddedCondition.wait(lock, [this] { return mEventAdded; });
    else
      mAddedCondition.wait_for(lock, std::chrono::milliseconds(timeout), [this] { return mEventAdded; });
    // An event added before the wait began ends it at once, at most once.
    woken = mEventAdded;
    mEventAdded = false;
  }
  SDL_PumpEvents();
  if (SDL_PollEvent(&event) == 1)
    return true;
  // SDL calls the watch before it queues the event: the event that woke us may not be there yet. Without this the
  // next wait would sleep through it.
  for (int attempt = 0; woken && attempt < kEventLandingAttempts; ++attempt) {
    std::this_thread::sleep_for(std::chrono::microseconds(kEventLandingPauseUs));
    SDL_PumpEvents();
    if (SDL_PollEvent(&event) == 1)
      return true;
  }
  return false;
}

int AppHost::OnEventAdded(void* host, SDL_Event*) {
  auto* self = static_cast<AppHost*>(host);
  {
    const std::lock_guard lock(self->mAddedMutex);
    self->mEventAdded = true;
  }
  self->mAddedCondition.notify_one();
  return 1;
}

bool AppHost::EventWaiting() {
  // The queue only: pumping the driver before every idle pass costs more than the passes. What the driver holds
  // is pumped by the wait, which comes next.
  return mStarted && SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE;
}

void AppHost::Dispatch(const SDL_Event& event) {
  if (mWakeEventType != 0 && event.type == mWakeEventType)
    return;
  // A copy: a handler may add or remove handlers.
  const auto handlers = mHandlers;
  for (const auto& [id, handler] : handlers)
    if (handler && handler(event))
      return;
  if (event.type == SDL_QUIT)
    PostQuit(0);
}

} // namespace QZ::Platform
