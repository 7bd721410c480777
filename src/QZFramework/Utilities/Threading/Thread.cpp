#include "QZFramework/Utilities/Threading/Thread.h"

#include "QZFramework/Utilities/Storage/Wrapper.h"
#include "QZFramework/Utilities/Threading/Event.h"
#include "QZFramework/Utilities/Threading/SpinLock.h"

#include "Platform/System/Threads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <semaphore>
#include <system_error>
#include <thread>

namespace QZ {

namespace {

enum StartState : std::int32_t {
  kNotStarted = 0,
  kStarted = 1,
  kCreationFailed = 2,
  kReleasedByJoin = 3,
};

using FinishedLight = LWrapper<TrafficLight, LRefCountedObject>;

// The system's side of the thread, as far as priorities need it.
enum OsState : std::int32_t {
  kOsPending = 0, // the start routine has not told its id yet
  kOsRunning = 1,
  kOsEnded = 2, // its id may already name another thread
};

// The nice value of each priority in use on the classic scale.
bool NiceForPriority(int priority, int& nice) {
  switch (priority) {
  case -15:
    nice = Platform::kLowestNice;
    return true;
  case -2:
    nice = 10;
    return true;
  case -1:
    nice = 5;
    return true;
  case 0:
    nice = 0;
    return true;
  case 1:
    nice = -5;
    return true;
  case 2:
    nice = -10;
    return true;
  case 15:
    nice = Platform::kHighestNice;
    return true;
  default:
    return false;
  }
}

} // namespace

struct Thread::Record {
  std::thread thread;
  std::thread::id id;
  Function function = nullptr;
  void* userData = nullptr;
  SpinLock lock; // guards the start state
  std::atomic<std::int32_t> startState{kNotStarted};
  std::atomic<std::uint8_t> begun{0};
  // Green while the function is not running.
  RCPtr<FinishedLight> finished;
  std::binary_semaphore resume{0};
  std::atomic<int> priority{0};
  // Guards the system id against its reuse: a priority is applied only while the
  // thread is known to run.
  std::mutex osLock;
  std::condition_variable osChanged;
  OsState osState = kOsPending;
  Platform::ThreadId osId = Platform::kNoThreadId;
};

Thread::Thread(Function function, void* userData, std::uint32_t teardownJoinMs)
    : mRecord(std::make_shared<Record>()), mTeardownJoinMs(teardownJoinMs) {
  mRecord->function = function;
  mRecord->userData = userData;
  try {
    mRecord->thread = std::thread(&Thread::Run, mRecord);
    mRecord->id = mRecord->thread.get_id();
  } catch (const std::system_error&) {
    mRecord->startState.store(kCreationFailed);
  }
  mRecord->finished = FinishedLight::Create();
  mRecord->finished->SetGreen();
}

void Thread::Run(std::shared_ptr<Record> record) {
  {
    std::lock_guard<std::mutex> os(record->osLock);
    record->osId = Platform::CurrentThreadId();
    record->osState = kOsRunning;
  }
  record->osChanged.notify_all();
  record->resume.acquire();
  RCPtr<FinishedLight> light = record->finished;
  light->SetRed();
  Function function = record->function;
  void* userData = record->userData;
  record->begun.exchange(1);
  function(userData);
  {
    std::lock_guard<std::mutex> os(record->osLock);
    record->osState = kOsEnded;
  }
  light->SetGreen();
}

Thread::~Thread() {
  Record& r = *mRecord;
  const bool self = std::this_thread::get_id() == r.id;
  if (Join(mTeardownJoinMs)) {
    if (r.thread.joinable())
      r.thread.join(); // the function has returned; only the exit is left
    return;
  }
  if (!r.thread.joinable())
    return;
  // A thread released on its own thread goes on to its end by itself; one that
  // did not end in time might hold locks, so it is left running rather than killed.
  if (!self)
    std::fprintf(stderr, "QZ::Thread: thread did not end within %u ms of its release; detached, not terminated\n",
                 static_cast<unsigned>(mTeardownJoinMs));
  r.thread.detach();
}

bool Thread::Start() {
  SpinLockGuard guard(mRecord->lock);
  if (mRecord->startState.load() != kNotStarted)
    return false;
  mRecord->startState.store(kStarted);
  mRecord->resume.release();
  return true;
}

bool Thread::IsFinished() {
  SpinLockGuard guard(mRecord->lock);
  if (mRecord->begun.load())
    return mRecord->finished->IsGreen();
  return mRecord->startState.load() == kCreationFailed;
}

bool Thread::Join(std::uint32_t ms) {
  if (IsFinished())
    return true;
  Record& r = *mRecord;
  SpinLockGuard guard(r.lock); // held throughout, as Start and IsFinished must wait for the outcome
  std::int32_t state = r.startState.load();
  if (state == kCreationFailed)
    return true;
  if ((state & 1) == 0) {
    r.startState.store(kReleasedByJoin);
    r.resume.release();
  }
  if (std::this_thread::get_id() == r.id)
    return false; // it cannot end while it waits for itself
  while (!r.begun.load())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return r.finished->Wait(ms) == kWaitSignalled;
}

bool Thread::SetPriority(int priority) {
  int nice = 0;
  if (!NiceForPriority(priority, nice) || mRecord->startState.load() == kCreationFailed)
    return false;
  Record& r = *mRecord;
  std::unique_lock<std::mutex> os(r.osLock);
  // The start routine tells its id as soon as the thread exists, started or not.
  r.osChanged.wait(os, [&r] { return r.osState != kOsPending; });
  if (r.osState != kOsRunning || !Platform::SetThreadNice(r.osId, nice))
    return false;
  r.priority.store(priority);
  return true;
}

int Thread::GetPriority() const { return mRecord->priority.load(); }

bool Thread::EnablePriorityBoost(bool enable) {
  if (mRecord->startState.load() == kCreationFailed)
    return false;
  return !enable;
}

} // namespace QZ
