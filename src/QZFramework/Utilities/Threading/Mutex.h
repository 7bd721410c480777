#pragma once
// Recursive lock for containers, queues, notifications and the thread pool.

#include <mutex>

namespace QZ {

class Mutex {
public:
  Mutex() = default;
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;
  virtual ~Mutex() = default;

  // The holder may lock again; every Lock needs its own Unlock.
  void Lock() { mLock.lock(); }
  void Unlock() { mLock.unlock(); }

private:
  std::recursive_mutex mLock;
};

class MutexLock {
public:
  explicit MutexLock(Mutex& mutex) : mMutex(mutex) { mMutex.Lock(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;
  ~MutexLock() { mMutex.Unlock(); }

private:
  Mutex& mMutex;
};

} // namespace QZ

#include "QZFramework/ObjectBase/TypeName.h"
QZ_TYPE_NAME(QZ::Mutex, "class QZ::Mutex")
