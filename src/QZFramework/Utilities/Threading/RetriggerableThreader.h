#pragma once
// Runs a bound job on its own thread each time it is triggered. Refuses a new
// job while the last one runs; callers that need a queue keep their own.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Threading/LEvent.h"
#include "QZFramework/Utilities/Threading/Thread.h"
#include "QZFramework/Utilities/Threading/ThreadWorker.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace QZ {

class RetriggerableThreader : public IStringable {
  // What the loop uses lives apart from the threader, shared with the thread: a
  // threader released on its own thread, or one whose thread had to be left
  // running, is gone before its loop ends.
  struct Core;

public:
  RetriggerableThreader();
  explicit RetriggerableThreader(const WideString& name);
  RetriggerableThreader(const RetriggerableThreader&) = delete;
  RetriggerableThreader& operator=(const RetriggerableThreader&) = delete;
  ~RetriggerableThreader() override;

  // S_OK, or E_FAIL while stopping or while the previous job runs. Calls on one
  // threader must be serialised by the caller.
  QZRESULT Trigger(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& params, int priority);
  // As Trigger; done is reset now and set once after the job, when the threader
  // is ready again. E_INVALIDARG for a null done event.
  QZRESULT TriggerWithDoneEvent(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& params,
                                const RCPtr<LEvent>& done, int priority);

  WideString ToString() const override;
  void SetName(const WideString& name) { mName = name; }

  // Sets the stop flag and wakes the thread; stopping is final.
  void RequestStop();
  std::int32_t GetLastResult() const;

private:
  QZRESULT Bind(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& params,
                const RCPtr<LEvent>* done, int priority);
  static std::uint32_t Loop(void* userData);

  std::shared_ptr<Core> mCore;
  std::shared_ptr<Core>* mLoopCore;

public:
  Thread mThread;
  // Set from a trigger until the job has ended; whoever finds it set while the
  // thread has finished may clear it.
  std::atomic<bool>& mBusy;

private:
  WideString mName;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::RetriggerableThreader, "class QZ::RetriggerableThreader")
