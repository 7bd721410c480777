#pragma once
// The private record behind Event, TrafficLight and LEvent: one platform signal.
// An auto-reset wait consumes it by taking it, a manual-reset wait only waits for it.

#include "QZFramework/Utilities/Threading/Event.h"

#include "Platform/System/Signal.h"

#include <atomic>
#include <cstdint>

namespace QZ {

class EventCore {
public:
  explicit EventCore(bool autoReset);
  EventCore(const EventCore&) = delete;
  EventCore& operator=(const EventCore&) = delete;
  ~EventCore();

  bool Set();
  bool Reset();
  std::int32_t Wait(std::uint32_t ms);
  EventHandle GetHandle() const { return mSignal; }

  // Index of the lowest signalled event, whose signal (if auto-reset) is
  // consumed; -1 on time-out or failure.
  static int WaitAny(EventCore* const* events, int count, std::uint32_t ms);

private:
  static int WaitLowest(EventCore* const* events, int count, std::uint32_t ms);
  // Takes the signal of an auto-reset event; true when this caller got it.
  bool TryConsume();
  // The platform signal carries the event, but a wait alone orders no memory: every Set
  // bumps this counter and every successful wait reads it, so whatever the
  // setter wrote before Set is visible to the waiter.
  void Published() { mSets.fetch_add(1, std::memory_order_acq_rel); }
  void Observed() const { (void)mSets.load(std::memory_order_acquire); }

  Platform::SignalHandle mSignal;
  bool mAutoReset;
  std::atomic<std::uint64_t> mSets{0};
};

} // namespace QZ
