#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"

#include "QZFramework/Utilities/Threading/Mutex.h"

#include <utility>

namespace QZ {
namespace {

Mutex& EngineLock() {
  static Mutex lock;
  return lock;
}

RCPtr<LRootModuleEngine>& EngineSlot() {
  static RCPtr<LRootModuleEngine> engine;
  return engine;
}

} // namespace

RCPtr<LRootModuleEngine> GetAppEngine() {
  MutexLock lock(EngineLock());
  return EngineSlot();
}

RCPtr<LRootModuleEngine> SetAppEngine(const RCPtr<LRootModuleEngine>& engine) {
  RCPtr<LRootModuleEngine> previous = engine;
  {
    MutexLock lock(EngineLock());
    std::swap(previous, EngineSlot());
  }
  return previous; // the caller lets go of the old one outside the lock
}

} // namespace QZ
