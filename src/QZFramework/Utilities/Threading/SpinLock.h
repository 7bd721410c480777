#pragma once
// Lock for sections of a few instructions (object pools, a thread's start
// state, parameter caches). Uncontended it is one atomic exchange each way;
// contended, waiters sleep on an auto-reset event. Not recursive.

#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Threading/Event.h"

#include <atomic>
#include <cstdint>

namespace QZ {

class SpinLock {
public:
  SpinLock() : mEvent(true) {}
  SpinLock(const SpinLock&) = delete;
  SpinLock& operator=(const SpinLock&) = delete;

  void Lock();
  void Unlock();

private:
  // 0 free, 1 held, 2 held and someone may be sleeping on the event.
  std::atomic<std::int32_t> mState{0};
  Event mEvent;
};

class SpinLockGuard {
public:
  explicit SpinLockGuard(SpinLock& lock) : mLock(lock) { mLock.Lock(); }
  SpinLockGuard(const SpinLockGuard&) = delete;
  SpinLockGuard& operator=(const SpinLockGuard&) = delete;
  ~SpinLockGuard() { mLock.Unlock(); }

private:
  SpinLock& mLock;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::SpinLock, "class QZ::SpinLock")
