#pragma once
// Runs jobs on a fixed set of worker threads. A job goes straight to an idle
// worker; otherwise it waits in a list ordered by priority, from which the
// pool's dispatch thread hands it to the next worker that becomes idle.
// Execute never waits for a job and may be called from any thread.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Threading/LEvent.h"
#include "QZFramework/Utilities/Threading/Mutex.h"
#include "QZFramework/Utilities/Threading/RetriggerableThreader.h"
#include "QZFramework/Utilities/Threading/ThreadWorker.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace QZ {

class LThreadPool : public LThreadWorker {
public:
  // One queued job. Records come from a process-wide pool.
  class LWorkerParams : public LRefCountedObject {
  public:
    LWorkerParams(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& params, int priority);
    ~LWorkerParams() override;

    static void* operator new(std::size_t size);
    static void operator delete(void* p);

    RCPtr<LThreadWorker> mWorker;
    RCPtr<LRefCountedObject> mParams;
    // Orders the list; the worker thread runs the job at this priority.
    int mPriority;
  };

  [[nodiscard]] static RCPtr<LThreadPool> Create(int workerCount, int queuePriority);
  ~LThreadPool() override;

  // Dropped without a word after Shutdown.
  void Execute(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& params, int priority);
  // Index of the idle worker that took the job, or -1. A single worker serves
  // queued jobs first.
  int DispatchToIdleWorker(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& params,
                           int priority);
  // The dispatch loop; only the queue threader runs it.
  std::int32_t DoWork(RCPtr<LRefCountedObject>& params) override;
  WideString ToString() const override;
  // Final: refuses new jobs, drops queued ones and stops every thread.
  void Shutdown();

private:
  LThreadPool(int workerCount, int queuePriority);

  // Under the mutex: clears a stale busy flag and tells whether worker i is idle.
  bool IsWorkerIdle(int i);
  // Under the mutex: any idle worker, or -1.
  int FindIdleWorker();

  WideString mName;
  RetriggerableThreader mQueueThreader;
  // Ascending priority; the dispatch loop takes from the end.
  RCPtrArray<LWorkerParams, 16, 16> mJobs;
  Mutex mMutex;
  std::atomic<std::int32_t> mWorkerCount;
  const int mWorkerSlots;
  // Event i is worker i's done event: set when it finishes a pool job.
  EventPool mIdleEvents;
  std::unique_ptr<RetriggerableThreader[]> mWorkers;
  // The queue threader's done event: set whenever no dispatch run is under way.
  RCPtr<LEvent> mQueueIdleEvent;
  int mQueuePriority;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LThreadPool, "class QZ::LThreadPool")
QZ_TYPE_NAME(QZ::LThreadPool::LWorkerParams, "class QZ::LThreadPool::LWorkerParams")
