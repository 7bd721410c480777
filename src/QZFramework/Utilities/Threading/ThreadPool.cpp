#include "QZFramework/Utilities/Threading/ThreadPool.h"

#include "QZFramework/Utilities/Storage/ReuseAllocator.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace QZ {

namespace {

using JobAllocator = ReuseAllocator<LThreadPool::LWorkerParams, 1>;

// Jobs are made and dropped on many threads, hence the locked pool. It is never
// destroyed: a thread left running past its join (or still ending on its own
// after a pool released itself) may give a job back during exit.
JobAllocator& GetJobAllocator() {
  static JobAllocator* allocator = new JobAllocator(true);
  return *allocator;
}

} // namespace

LThreadPool::LWorkerParams::LWorkerParams(const RCPtr<LThreadWorker>& worker,
                                          const RCPtr<LRefCountedObject>& params, int priority)
    : mWorker(worker), mParams(params), mPriority(priority) {}

LThreadPool::LWorkerParams::~LWorkerParams() = default;

void* LThreadPool::LWorkerParams::operator new(std::size_t size) { return GetJobAllocator().Allocate(size); }

void LThreadPool::LWorkerParams::operator delete(void* p) { GetJobAllocator().Free(p); }

RCPtr<LThreadPool> LThreadPool::Create(int workerCount, int queuePriority) {
  return RCPtr<LThreadPool>(new LThreadPool(workerCount, queuePriority));
}

LThreadPool::LThreadPool(int workerCount, int queuePriority)
    : mName(), mQueueThreader(), mJobs(0, 0), mMutex(), mWorkerCount(std::max(workerCount, 0)),
      mWorkerSlots(std::max(workerCount, 0)), mIdleEvents(mWorkerSlots),
      mWorkers(new RetriggerableThreader[static_cast<std::size_t>(mWorkerSlots)]),
      mQueueIdleEvent(LEvent::Create()), mQueuePriority(queuePriority) {
  mQueueIdleEvent->Set();
  mQueueThreader.SetName(WideString(u"LThreadPool::mQueueThreader"));
}

LThreadPool::~LThreadPool() { Shutdown(); }

bool LThreadPool::IsWorkerIdle(int i) {
  RetriggerableThreader& w = mWorkers[static_cast<std::size_t>(i)];
  if (w.mBusy && w.mThread.IsFinished())
    w.mBusy = false;
  return !w.mBusy;
}

int LThreadPool::FindIdleWorker() {
  for (int i = 0; i < mWorkerSlots; ++i)
    if (IsWorkerIdle(i))
      return i;
  return -1;
}

int LThreadPool::DispatchToIdleWorker(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& params,
                                      int priority) {
  if (!worker || mWorkerCount.load() <= 0)
    return -1;
  for (int i = 0; i < std::min(mWorkerCount.load(), mWorkerSlots); ++i) {
    MutexLock lock(mMutex);
    const std::int32_t count = mWorkerCount.load();
    if (count <= 0)
      return -1; // shut down meanwhile: its workers may be stopping
    if (mJobs.GetCount() > 0 && count == 1)
      return -1; // no overtaking of the waiting jobs
    if (!IsWorkerIdle(i))
      continue;
    RetriggerableThreader& w = mWorkers[static_cast<std::size_t>(i)];
    w.SetName(worker->ToString());
    if (w.TriggerWithDoneEvent(worker, params, mIdleEvents.GetEventAt(i), priority) >= 0)
      return i;
  }
  return -1;
}

void LThreadPool::Execute(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& params,
                          int priority) {
  if (!worker)
    return; // nothing to run
  if (DispatchToIdleWorker(worker, params, priority) >= 0)
    return;
  if (mWorkerCount.load() <= 0)
    return;
  // Made before the mutex is taken: the allocator's lock comes after it.
  RCPtr<LWorkerParams> job(new LWorkerParams(worker, params, priority));
  {
    MutexLock lock(mMutex);
    // Shutdown empties the list under the mutex after refusing work; a job let in
    // after that would wait for a dispatch run that never comes.
    if (mWorkerCount.load() <= 0)
      return;
    int n = static_cast<int>(mJobs.GetCount());
    int at = n;
    for (int i = 0; i < n; ++i) {
      if (mJobs.GetAt(i)->mPriority >= priority) {
        at = i; // before the older jobs of its priority: the end of the list goes first
        break;
      }
    }
    mJobs.InsertItem(at, job);
    if (n == 0) {
      // The previous run has ended (or is returning without the mutex).
      mQueueIdleEvent->Wait(kInfinite);
      RCPtr<LThreadWorker> self(this);
      RCPtr<LRefCountedObject> selfParams(this);
      // No run started: the idle event, just consumed, must be set for the next one.
      if (mQueueThreader.TriggerWithDoneEvent(self, selfParams, mQueueIdleEvent, mQueuePriority) < 0)
        mQueueIdleEvent->Set();
    }
  }
  job = nullptr;
}

std::int32_t LThreadPool::DoWork(RCPtr<LRefCountedObject>&) {
  for (;;) {
    int k = mIdleEvents.WaitAny(kInfinite);
    bool waitFailed = k < 0;
    {
      MutexLock lock(mMutex);
      if (mJobs.GetCount() == 0)
        return 0;
      if (waitFailed) {
        // No index to trust: look for an idle worker directly.
        k = FindIdleWorker();
      } else if (!IsWorkerIdle(k)) {
        // The signal belonged to a worker that took a direct job meanwhile; it signals again.
        k = -1;
        waitFailed = false;
      }
      if (k >= 0) {
        RCPtr<LWorkerParams> job;
        mJobs.RemoveLastItem(job);
        RetriggerableThreader& w = mWorkers[static_cast<std::size_t>(k)];
        w.SetName(job->mWorker->ToString());
        // Seen idle under the mutex, so the trigger takes.
        w.TriggerWithDoneEvent(job->mWorker, job->mParams, mIdleEvents.GetEventAt(k), job->mPriority);
        job = nullptr;
        if (mJobs.GetCount() == 0)
          return 0;
        continue;
      }
    }
    // Wait failed and nobody is idle: poll rather than spin.
    if (waitFailed)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

WideString LThreadPool::ToString() const {
  if (mName.IsEmpty())
    return WideString(u"Unnamed ThreadPool");
  return mName;
}

void LThreadPool::Shutdown() {
  mWorkerCount.exchange(0);
  {
    MutexLock lock(mMutex);
    mJobs.RemoveAll();
  }
  // A dispatch run waiting for an idle worker finds the list empty and ends,
  // instead of waiting for a job that may be the one shutting the pool down.
  if (mWorkerSlots > 0)
    mIdleEvents.GetEventAt(0)->Set();
  mQueueThreader.RequestStop();
  mQueueThreader.mThread.Join(Thread::kTeardownJoinTimeout);
  for (int i = mWorkerSlots - 1; i >= 0; --i) {
    RetriggerableThreader& w = mWorkers[static_cast<std::size_t>(i)];
    w.RequestStop();
    w.mThread.Join(Thread::kTeardownJoinTimeout);
  }
}

} // namespace QZ
