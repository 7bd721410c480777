#include "QZFramework/Utilities/Threading/RetriggerableThreader.h"

#include "QZFramework/Utilities/Threading/Event.h"

namespace QZ {

struct RetriggerableThreader::Core {
  Event trigger{true};
  RCPtr<LEvent> done;
  std::atomic<bool> busy{false};
  std::atomic<bool> stop{false};
  RCPtr<LThreadWorker> worker;
  RCPtr<LRefCountedObject> params;
  std::atomic<std::int32_t> lastResult{0};
};

RetriggerableThreader::RetriggerableThreader() : RetriggerableThreader(WideString()) {}

RetriggerableThreader::RetriggerableThreader(const WideString& name)
    : mCore(std::make_shared<Core>()), mLoopCore(new std::shared_ptr<Core>(mCore)),
      mThread(&RetriggerableThreader::Loop, mLoopCore), mBusy(mCore->busy), mName(name) {
  mThread.EnablePriorityBoost(false);
  if (!mThread.Start())
    delete mLoopCore; // no thread was created, so no loop will take it
  mLoopCore = nullptr;
}

RetriggerableThreader::~RetriggerableThreader() {
  RequestStop();
  mThread.Join(Thread::kTeardownJoinTimeout);
  // The thread drops the job's references itself; one still running keeps them
  // with the core. mThread's destructor joins again and, failing that, detaches.
}

namespace {

// Drops the job's references, then frees the threader for the next trigger.
template <class Core>
void EndJob(Core& c) {
  c.params = nullptr;
  c.worker = nullptr;
  if (c.done) {
    RCPtr<LEvent> done = c.done;
    c.done = nullptr;
    c.busy.store(false); // whoever wakes on done finds the threader ready
    done->Set();
  } else {
    c.busy.store(false);
  }
}

} // namespace

std::uint32_t RetriggerableThreader::Loop(void* userData) {
  // The loop owns one reference to the core, handed over through the user data.
  std::unique_ptr<std::shared_ptr<Core>> handle(static_cast<std::shared_ptr<Core>*>(userData));
  Core& c = **handle;
  for (;;) {
    if (c.stop.load()) {
      // A job bound before the stop but never waited for still lets go of its
      // references: they may include the owner of this threader.
      EndJob(c);
      break;
    }
    // A trigger that cannot be waited on would spin: such a threader ends.
    if (c.trigger.Wait(kInfinite) != kWaitSignalled)
      break;
    if (!c.stop.load() && c.worker)
      c.lastResult.store(c.worker->DoWork(c.params));
    EndJob(c);
  }
  return 0;
}

QZRESULT RetriggerableThreader::Bind(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& params,
                                     const RCPtr<LEvent>* done, int priority) {
  Core& c = *mCore;
  if (c.stop.load())
    return E_FAIL;
  if (c.busy.load() && mThread.IsFinished())
    c.busy.store(false);
  if (c.busy.load())
    return E_FAIL;
  mThread.SetPriority(priority);
  c.worker = worker;
  c.params = params;
  if (done) {
    c.done = *done;
    c.done->Reset();
  } else {
    c.done = nullptr;
  }
  c.busy.store(true);
  return c.trigger.Set() ? S_OK : E_FAIL;
}

QZRESULT RetriggerableThreader::Trigger(const RCPtr<LThreadWorker>& worker, const RCPtr<LRefCountedObject>& params,
                                        int priority) {
  return Bind(worker, params, nullptr, priority);
}

QZRESULT RetriggerableThreader::TriggerWithDoneEvent(const RCPtr<LThreadWorker>& worker,
                                                     const RCPtr<LRefCountedObject>& params,
                                                     const RCPtr<LEvent>& done, int priority) {
  if (!done)
    return E_INVALIDARG;
  return Bind(worker, params, &done, priority);
}

WideString RetriggerableThreader::ToString() const { return mName; }

void RetriggerableThreader::RequestStop() {
  mCore->stop.store(true);
  mCore->trigger.Set();
}

std::int32_t RetriggerableThreader::GetLastResult() const { return mCore->lastResult.load(); }

} // namespace QZ
