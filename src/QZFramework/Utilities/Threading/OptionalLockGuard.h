#pragma once
// Scope guard over a lock that a container may or may not have been given.

namespace QZ {

template <class Lock>
class OptionalLockGuard {
public:
  explicit OptionalLockGuard(Lock* lock) : mLock(lock) {
    if (mLock)
      mLock->Lock();
  }
  OptionalLockGuard(const OptionalLockGuard&) = delete;
  OptionalLockGuard& operator=(const OptionalLockGuard&) = delete;
  ~OptionalLockGuard() {
    if (mLock)
      mLock->Unlock();
  }

private:
  Lock* mLock;
};

} // namespace QZ
