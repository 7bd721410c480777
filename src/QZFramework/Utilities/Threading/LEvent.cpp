#include "QZFramework/Utilities/Threading/LEvent.h"

#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Threading/EventCore.h"

#include <vector>

namespace QZ {

LEvent::LEvent() : mCore(new EventCore(true)) {}

LEvent::~LEvent() { delete mCore; }

RCPtr<LEvent> LEvent::Create() { return RCPtr<LEvent>(new LEvent); }

bool LEvent::Set() { return mCore->Set(); }

bool LEvent::Reset() { return mCore->Reset(); }

std::int32_t LEvent::Wait(std::uint32_t ms) { return mCore->Wait(ms); }

EventHandle LEvent::GetHandle() const { return mCore->GetHandle(); }

struct EventPool::Record {
  RCPtrArray<LEvent, 1, 0> events;
  std::vector<EventCore*> cores; // the waitable handles, in the order of events
};

EventPool::EventPool(int count) : mRecord(new Record) {
  for (int i = 0; i < count; ++i) {
    mRecord->events.AddItem(LEvent::Create());
    mRecord->cores.push_back(mRecord->events.GetAt(static_cast<std::uint32_t>(i))->mCore);
  }
}

EventPool::~EventPool() {
  mRecord->events.RemoveAll();
  delete mRecord;
}

int EventPool::GetCount() const { return static_cast<int>(mRecord->cores.size()); }

const RCPtr<LEvent>& EventPool::GetEventAt(int i) const {
  if (i < 0 || i >= GetCount())
    return RCPtr<LEvent>::sNull;
  return mRecord->events.GetAt(static_cast<std::uint32_t>(i));
}

int EventPool::WaitAny(std::uint32_t ms) { return EventCore::WaitAny(mRecord->cores.data(), GetCount(), ms); }

} // namespace QZ
