#include "QZFramework/Notification/Notification.h"

#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/StringArrayT.h"
#include "QZFramework/Utilities/Threading/Mutex.h"

#include <new>
#include <unordered_set>

namespace QZ {
namespace {

// Read on every release, so it must not depend on the order of static destruction.
std::atomic<bool> gPoolingOn{false};

// Never destroyed: releases during static destruction may still take it.
Mutex& NotificationMutex() {
  alignas(Mutex) static unsigned char storage[sizeof(Mutex)];
  static Mutex* mutex = new (storage) Mutex;
  return *mutex;
}

struct NotificationPool {
  // Idle notifications, used last in, first out. The storage moves 256 slots at a
  // time: one slot at a time would reallocate on every recycle and every Create.
  RCPtrArray<LNotification, 256, 256> items;

  ~NotificationPool() {
    // Nothing may be recycled into a pool that is going away.
    gPoolingOn.store(false);
    Empty();
  }

  // From the back: removing from the front would move the rest each time.
  void Empty() {
    MutexLock lock(NotificationMutex());
    RCPtr<LNotification> last;
    while (items.GetCount() > 0) {
      items.RemoveLastItem(last);
      last = RCPtr<LNotification>(); // deleted: its recycling finds pooling off
    }
  }
};

NotificationPool& Pool() {
  static NotificationPool pool;
  return pool;
}

// The pool and the lock exist from program start.
[[maybe_unused]] const bool gStaticsMade = (Pool(), NotificationMutex(), true);

// The table, and the set of its entries' character pointers: posting code hands
// in identifiers it interned once, and those are found without a walk over the
// table. Both only grow.
struct IdentifierTable {
  StringArrayT<char16_t, char> entries;
  std::unordered_set<NotificationID> known;
};

// Never destroyed: the interned texts are the identifiers, and a worker thread that outlives main (a pool's
// detached dispatch thread) may still intern or compare them during static destruction.
IdentifierTable& Identifiers() {
  static IdentifierTable* table = new IdentifierTable;
  return *table;
}

bool SameText(const char16_t* a, const char16_t* b) {
  while (*a && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

// Notification Mutex held; text not empty.
NotificationID InternLocked(const char16_t* text) {
  IdentifierTable& table = Identifiers();
  if (table.known.count(text))
    return text;
  const std::uint32_t count = table.entries.GetCount();
  for (std::uint32_t i = 0; i < count; ++i) {
    const char16_t* entry = table.entries.GetAt(i).GetChars();
    if (SameText(entry, text))
      return entry;
  }
  table.entries.AddItem(WideString(text));
  NotificationID added = table.entries.GetAt(count).GetChars();
  table.known.insert(added);
  return added;
}

} // namespace

Mutex& GetNotificationMutex() { return NotificationMutex(); }

NotificationID InternNotificationID(const char16_t* text) {
  if (!text || !text[0])
    return nullptr;
  MutexLock lock(NotificationMutex());
  return InternLocked(text);
}

LNotification::LNotification(NotificationID id, const RCPtr<LRefCountedObject>& payload)
    : mID(id), mPayload(payload) {}

LNotification::~LNotification() = default;

RCPtr<LNotification> LNotification::New(const char16_t* text, const RCPtr<LRefCountedObject>& payload) {
  NotificationID id = InternNotificationID(text);
  if (!id)
    return RCPtr<LNotification>();
  return RCPtr<LNotification>(new LNotification(id, payload));
}

RCPtr<LNotification> LNotification::Create(const char16_t* text, const RCPtr<LRefCountedObject>& payload) {
  if (!text || !text[0])
    return RCPtr<LNotification>();
  if (!gPoolingOn.load())
    return New(text, payload);
  NotificationID id;
  RCPtr<LNotification> notification;
  {
    MutexLock lock(NotificationMutex());
    id = InternLocked(text);
    if (Pool().items.GetCount() > 0) {
      Pool().items.RemoveLastItem(notification);
      // Taken out of the pool, the object is ours alone until we hand it out.
      notification->mID = id;
      notification->mPayload = payload;
    }
  }
  if (!notification)
    return New(id, payload);
  return notification;
}

std::int32_t LNotification::Release() const {
  bool idle = false;
  if (GetRefCount() == 1 && mRecycling.compare_exchange_strong(idle, true)) {
    {
      RCPtr<LRefCountedObject> payload;
      payload = mPayload;
      mPayload = RCPtr<LRefCountedObject>();
    }
    if (gPoolingOn.load()) {
      MutexLock lock(NotificationMutex());
      // Asked again under the lock: pooling switched off meanwhile has emptied
      // the pool, and nothing may be left in it.
      if (gPoolingOn.load())
        Pool().items.AddItem(RCPtr<LNotification>(const_cast<LNotification*>(this)));
    }
    mRecycling.store(false);
  }
  return LRefCountedObject::Release();
}

void LNotification::EnablePooling(bool on) {
  gPoolingOn.store(on);
  if (!on)
    Pool().Empty();
}

bool LNotification::IsPoolingEnabled() { return gPoolingOn.load(); }

std::uint32_t LNotification::GetPoolCount() {
  MutexLock lock(NotificationMutex());
  return Pool().items.GetCount();
}

void DeliverNotification(const RCPtr<LNotificationReceiver>& receiver, const char16_t* text,
                         const RCPtr<LRefCountedObject>& payload) {
  RCPtr<LNotification> notification = LNotification::Create(text, payload);
  if (notification && receiver)
    receiver->Receive(RCPtr<LNotificationDistributor>(), notification);
}

} // namespace QZ
