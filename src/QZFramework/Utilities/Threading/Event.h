#pragma once
// Platform events: Event (auto-reset when asked) and TrafficLight (manual-reset,
// green or red). Waits take milliseconds; kInfinite waits without a time-out and
// 0 only tests.

#include <cstdint>

namespace QZ {

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

// Results of a wait.
inline constexpr std::int32_t kWaitSignalled = 0;
inline constexpr std::int32_t kWaitTimeout = 0x102;
inline constexpr std::int32_t kWaitFailed = -1; // 0xFFFFFFFF

// A waitable handle; -1 when the event could not be created.
using EventHandle = int;

class EventCore;

class Event {
public:
  explicit Event(bool autoReset);
  Event(const Event&) = delete;
  Event& operator=(const Event&) = delete;
  virtual ~Event();

  bool Set();
  bool Reset();
  std::int32_t Wait(std::uint32_t ms);
  EventHandle GetHandle() const;

protected:
  EventCore* mCore;
};

// Manual-reset: green lets every waiter through until it is set red again.
class TrafficLight : public Event {
public:
  TrafficLight();
  ~TrafficLight() override = default;

  bool SetGreen() { return Set(); }
  bool SetRed() { return Reset(); }
  // A wait that fails reads as red: nobody may pass a light that cannot be seen.
  bool IsGreen() { return Wait(0) == kWaitSignalled; }
};

} // namespace QZ

#include "QZFramework/ObjectBase/TypeName.h"
QZ_TYPE_NAME(QZ::Event, "class QZ::Event")
QZ_TYPE_NAME(QZ::TrafficLight, "class QZ::TrafficLight")
