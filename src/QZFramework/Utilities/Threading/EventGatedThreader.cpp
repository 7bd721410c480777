#include "QZFramework/Utilities/Threading/EventGatedThreader.h"

#include "QZFramework/Utilities/Threading/Event.h"

namespace QZ {

struct LEventGatedThreader::Core {
  RCPtr<LEvent> gate;
  std::atomic<bool> stop{false};
  RCPtr<LThreadWorker> worker;
  RCPtr<LRefCountedObject> params;
  std::atomic<std::uint32_t> waitTimeout{kInfinite};
  std::atomic<std::int32_t> lastWaitResult{0};
  std::atomic<bool> running{false};
};

LEventGatedThreader::LEventGatedThreader(const RCPtr<LEvent>& gate, const RCPtr<LThreadWorker>& worker,
                                         const RCPtr<LRefCountedObject>& params)
    : mCore(std::make_shared<Core>()), mLoopCore(new std::shared_ptr<Core>(mCore)),
      mThread(&LEventGatedThreader::Loop, mLoopCore), mWaitTimeout(mCore->waitTimeout), mRunning(mCore->running) {
  mCore->gate = gate;
  mCore->worker = worker;
  mCore->params = params;
}

RCPtr<LEventGatedThreader> LEventGatedThreader::Create(const RCPtr<LEvent>& gate,
                                                       const RCPtr<LThreadWorker>& worker,
                                                       const RCPtr<LRefCountedObject>& params, int priority) {
  RCPtr<LEventGatedThreader> threader(new LEventGatedThreader(gate, worker, params));
  threader->mThread.SetPriority(priority);
  threader->mThread.EnablePriorityBoost(false);
  if (!threader->mThread.Start())
    delete threader->mLoopCore; // no thread was created, so no loop will take it
  threader->mLoopCore = nullptr;
  return threader;
}

LEventGatedThreader::~LEventGatedThreader() {
  mCore->stop.store(true);
  if (mCore->gate)
    mCore->gate->Set();
  mThread.Join(Thread::kTeardownJoinTimeout);
  // The core keeps the gate, worker and params for as long as the loop may use them.
}

std::uint32_t LEventGatedThreader::Loop(void* userData) {
  std::unique_ptr<std::shared_ptr<Core>> handle(static_cast<std::shared_ptr<Core>*>(userData));
  Core& c = **handle;
  while (!c.stop.load()) {
    std::int32_t result = c.gate ? c.gate->Wait(c.waitTimeout.load()) : kWaitFailed;
    c.lastWaitResult.store(result);
    if (c.stop.load())
      break;
    // A gate that cannot be waited on would spin: such a threader ends.
    if (result == kWaitFailed)
      break;
    if (c.worker) {
      c.running.store(true);
      c.worker->DoWork(c.params);
      c.running.store(false);
    }
  }
  return 0;
}

std::int32_t LEventGatedThreader::GetLastWaitResult() const { return mCore->lastWaitResult.load(); }

} // namespace QZ
