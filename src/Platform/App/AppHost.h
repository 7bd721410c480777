#pragma once
// The application host: the process's start-up, its event loop and its exit, as
// plain operations that an application overrides (InitApplication,
// InitInstance, Run, OnIdle with its count, ExitInstance) over SDL's event
// queue.
//
// The loop waits for events at most the wait time, hands out every event that
// came, and then, while no event waits, runs idle passes with the counts 0, 1,
// 2 ... until the idle hook answers false. Each batch of events and each wait
// that timed out starts a new idle period (count 0 again). The wait time is the
// wait-time source's answer, asked before every wait (the application's next
// due work; kWaitForever: until an event or a Wake), else the fixed wait time
// (33 ms unless set). Between idle passes the host looks at SDL's queue
// without pumping the driver: the wait pumps it. The wait sleeps on the video
// driver's own wait where it has one (X11, Wayland); elsewhere (the offscreen
// driver) SDL would poll its queue every millisecond, so the host sleeps on a
// condition of its own that every event added to SDL's queue, from any thread,
// signals.
//
// A quit request (PostQuit) ends every loop: a nested loop (a modal window's)
// returns -1 and leaves the request standing, so the loops outside it end too;
// the outermost one, Run, takes the request and returns ExitInstance().
//
// Threads: the loop, the hooks and the event handlers run on the UI thread, the
// one that called InitApplication. PostQuit and Wake may be called from any
// thread; wakes that come while one is on its way add no further event.
// Exceptions from hooks and handlers leave the loop unchanged and reach the
// caller of Run or RunLoop.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

union SDL_Event;

namespace QZ::Platform {

class AppHost {
public:
  static constexpr std::uint32_t kDefaultWaitMs = 33;
  // A wait that only an event (or a Wake) ends.
  static constexpr std::uint32_t kWaitForever = 0xFFFFFFFF;
  // RunLoop's answer when a quit request ended it.
  static constexpr int kLoopQuit = -1;

  // Hands an event to its owner; true when taken, which ends the search.
  using EventHandler = std::function<bool(const SDL_Event& event)>;
  // One idle pass with its count; true to ask for another before waiting.
  using IdleHook = std::function<bool(std::int32_t idleCount)>;
  // The milliseconds the next wait may last (kWaitForever: no limit).
  using WaitTimeSource = std::function<std::uint32_t()>;

  AppHost();
  AppHost(const AppHost&) = delete;
  AppHost& operator=(const AppHost&) = delete;
  virtual ~AppHost();

  // The process's run: InitApplication (false: 0), InitInstance (false:
  // ExitInstance()'s result), then Run's result.
  int Main();

  // Starts SDL's video and event subsystems; false when SDL cannot. Overrides
  // call it first.
  virtual bool InitApplication();
  // True.
  virtual bool InitInstance();
  // The main loop until a quit request; then ExitInstance().
  virtual int Run();
  // No idle work: false.
  virtual bool OnIdle(std::int32_t idleCount);
  // The code of the quit request that ended the main loop.
  virtual int ExitInstance();

  // The loop Run uses, for nested loops too: 0 when keepRunning answers false
  // (asked before every wait and after every idle pass), kLoopQuit when a quit
  // request ends it. A null idle hook means no idle work. Loops need
  // InitApplication to have succeeded.
  int RunLoop(const IdleHook& idle, const std::function<bool()>& keepRunning);

  // Handlers are asked in the order they were added. An SDL_QUIT event (a
  // signal, or SDL's own request) that no handler takes is a quit request with
  // code 0. Closing the last window does not make one.
  std::uint32_t AddEventHandler(EventHandler handler);
  void RemoveEventHandler(std::uint32_t id);

  // Any thread.
  void PostQuit(int code);
  bool IsQuitRequested() const { return mQuitRequested.load(); }
  // Any thread: an idle period now rather than at the end of the wait.
  void Wake();

  // The fixed wait time: the wait's length without a source.
  void SetWaitTime(std::uint32_t milliseconds) { mWaitMs = milliseconds; }
  std::uint32_t GetWaitTime() const { return mWaitMs; }
  // UI thread; an empty source gives the fixed wait time back.
  void SetWaitTimeSource(WaitTimeSource source) { mWaitSource = std::move(source); }
  bool IsStarted() const { return mStarted; }

private:
  bool EventWaiting();
  // Waits at most timeout milliseconds (kWaitForever: no limit) for an event and takes the first.
  bool WaitForEvent(std::uint32_t timeout, SDL_Event& event);
  static int OnEventAdded(void* host, SDL_Event* event);
  void Dispatch(const SDL_Event& event);

  bool mStarted = false;
  std::atomic<std::uint32_t> mWakeEventType{0};
  std::atomic<bool> mQuitRequested{false};
  // A wake event is on its way; cleared when a wait ends, so a Wake after that sends another.
  std::atomic<bool> mWakePending{false};
  bool mNativeWait = true;
  bool mWatching = false;
  std::mutex mAddedMutex;
  std::condition_variable mAddedCondition;
  bool mEventAdded = false; // guarded by mAddedMutex
  std::atomic<int> mQuitCode{0};
  std::uint32_t mWaitMs = kDefaultWaitMs;
  WaitTimeSource mWaitSource;
  std::uint32_t mNextHandlerId = 1;
  std::vector<std::pair<std::uint32_t, EventHandler>> mHandlers;
};

} // namespace QZ::Platform
