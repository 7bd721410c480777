#include "QZFramework/Utilities/Threading/Event.h"

#include "QZFramework/Utilities/Threading/EventCore.h"

#include <chrono>
#include <climits>
#include <vector>

namespace QZ {
namespace {

// Time left of a wait, in the form the platform wait wants.
class Deadline {
public:
  explicit Deadline(std::uint32_t ms) : mMs(ms), mStart(std::chrono::steady_clock::now()) {}

  int PollTimeout() const {
    if (mMs == kInfinite)
      return Platform::kWaitForever;
    auto elapsed =
        std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - mStart).count();
    long long left = static_cast<long long>(mMs) * 1000 - elapsed;
    if (left <= 0)
      return 0;
    long long leftMs = (left + 999) / 1000; // never round a short rest down to a spin
    return leftMs > INT_MAX ? INT_MAX : static_cast<int>(leftMs);
  }

  bool Expired() const { return mMs != kInfinite && PollTimeout() == 0; }

private:
  std::uint32_t mMs;
  std::chrono::steady_clock::time_point mStart;
};

constexpr int kTimedOut = -1;
constexpr int kFailed = -2;

} // namespace

EventCore::EventCore(bool autoReset) : mSignal(Platform::CreateSignal()), mAutoReset(autoReset) {}

EventCore::~EventCore() { Platform::CloseSignal(mSignal); }

bool EventCore::Set() {
  if (mSignal == Platform::kNoSignal)
    return false;
  Published();
  return Platform::RaiseSignal(mSignal);
}

bool EventCore::Reset() {
  if (mSignal == Platform::kNoSignal)
    return false;
  return Platform::TakeSignal(mSignal) != Platform::TakeResult::kFailed;
}

bool EventCore::TryConsume() {
  // Not raised any more: another waiter took it first.
  return Platform::TakeSignal(mSignal) == Platform::TakeResult::kTaken;
}

// Index of the lowest event whose signal this caller got, kTimedOut or kFailed.
int EventCore::WaitLowest(EventCore* const* events, int count, std::uint32_t ms) {
  if (count <= 0)
    return kFailed;
  // One waiter on one event is the common case: no allocation for it.
  Platform::SignalHandle oneSignal = Platform::kNoSignal;
  Platform::SignalState oneState = Platform::SignalState::kQuiet;
  std::vector<Platform::SignalHandle> manySignals;
  std::vector<Platform::SignalState> manyStates;
  Platform::SignalHandle* signals = &oneSignal;
  Platform::SignalState* states = &oneState;
  if (count > 1) {
    manySignals.resize(static_cast<std::size_t>(count));
    manyStates.resize(static_cast<std::size_t>(count));
    signals = manySignals.data();
    states = manyStates.data();
  }
  for (int i = 0; i < count; ++i) {
    if (!events[i] || events[i]->mSignal == Platform::kNoSignal)
      return kFailed;
    signals[i] = events[i]->mSignal;
  }
  Deadline deadline(ms);
  for (;;) {
    const int ready = Platform::WaitForSignals(signals, states, count, deadline.PollTimeout());
    if (ready < 0)
      return kFailed;
    for (int i = 0; ready > 0 && i < count; ++i) {
      if (states[i] == Platform::SignalState::kBroken)
        return kFailed;
      // A signal another waiter took first sends us on to the next one, then back to the wait.
      if (states[i] == Platform::SignalState::kRaised && (!events[i]->mAutoReset || events[i]->TryConsume())) {
        events[i]->Observed();
        return i;
      }
    }
    if (deadline.Expired())
      return kTimedOut;
  }
}

int EventCore::WaitAny(EventCore* const* events, int count, std::uint32_t ms) {
  int index = WaitLowest(events, count, ms);
  return index >= 0 ? index : -1;
}

std::int32_t EventCore::Wait(std::uint32_t ms) {
  EventCore* self = this;
  int index = WaitLowest(&self, 1, ms);
  if (index == kFailed)
    return kWaitFailed;
  return index == 0 ? kWaitSignalled : kWaitTimeout;
}

Event::Event(bool autoReset) : mCore(new EventCore(autoReset)) {}

Event::~Event() { delete mCore; }

bool Event::Set() { return mCore->Set(); }

bool Event::Reset() { return mCore->Reset(); }

std::int32_t Event::Wait(std::uint32_t ms) { return mCore->Wait(ms); }

EventHandle Event::GetHandle() const { return mCore->GetHandle(); }

TrafficLight::TrafficLight() : Event(false) {}

} // namespace QZ
