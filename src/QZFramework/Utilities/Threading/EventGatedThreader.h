#pragma once
// Runs its job each time its gate event is signalled or its wait times out.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Threading/LEvent.h"
#include "QZFramework/Utilities/Threading/Thread.h"
#include "QZFramework/Utilities/Threading/ThreadWorker.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace QZ {

class LEventGatedThreader : public virtual LRefCountedObject {
  // Shared with the thread, which may outlive the threader (see RetriggerableThreader).
  struct Core;

public:
  // The thread starts at once and waits on the gate without a time-out.
  static RCPtr<LEventGatedThreader> Create(const RCPtr<LEvent>& gate, const RCPtr<LThreadWorker>& worker,
                                           const RCPtr<LRefCountedObject>& params, int priority);
  ~LEventGatedThreader() override;

  std::int32_t GetLastWaitResult() const;

private:
  LEventGatedThreader(const RCPtr<LEvent>& gate, const RCPtr<LThreadWorker>& worker,
                      const RCPtr<LRefCountedObject>& params);
  static std::uint32_t Loop(void* userData);

  std::shared_ptr<Core> mCore;
  std::shared_ptr<Core>* mLoopCore;
  Thread mThread;

public:
  // Milliseconds of each gate wait; a new value counts from the next wait, or at
  // once when the gate is set after writing it.
  std::atomic<std::uint32_t>& mWaitTimeout;
  // True while the job runs.
  std::atomic<bool>& mRunning;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LEventGatedThreader, "class QZ::LEventGatedThreader")
