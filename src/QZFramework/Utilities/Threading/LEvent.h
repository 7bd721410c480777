#pragma once
// LEvent: a reference-counted auto-reset event. EventPool: a fixed set of them
// that can be waited on together.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Threading/Event.h"

#include <cstdint>

namespace QZ {

class EventCore;

class LEvent : public virtual LRefCountedObject {
public:
  // Auto-reset, not signalled.
  static RCPtr<LEvent> Create();
  ~LEvent() override;

  bool Set();
  bool Reset();
  std::int32_t Wait(std::uint32_t ms);
  EventHandle GetHandle() const;

private:
  LEvent();
  friend class EventPool;

  EventCore* mCore;
};

class EventPool {
public:
  explicit EventPool(int count);
  EventPool(const EventPool&) = delete;
  EventPool& operator=(const EventPool&) = delete;
  virtual ~EventPool();

  int GetCount() const;
  // The event at i; the shared null pointer outside 0 to count-1.
  const RCPtr<LEvent>& GetEventAt(int i) const;
  // Index of the event that ended the wait, whose signal is consumed; the
  // lowest when several are signalled. -1 on time-out or failure.
  int WaitAny(std::uint32_t ms);

private:
  struct Record;
  Record* mRecord;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LEvent, "class QZ::LEvent")
QZ_TYPE_NAME(QZ::EventPool, "class QZ::EventPool")
