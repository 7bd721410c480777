#include "QZFramework/Utilities/Threading/EventGatedThreader.h"

#include "QZFramework/Utilities/Threading/Event.h"
#include "Support/ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>

namespace QZ {
namespace {

using namespace QZ::test;

class TickWorker : public LThreadWorker {
public:
  std::int32_t DoWork(RCPtr<LRefCountedObject>& params) override {
    mSawParams = params.GetRaw() == mExpectedParams;
    ++mTicks;
    mTicked.Set();
    return 0;
  }
  LRefCountedObject* mExpectedParams = nullptr;
  std::atomic<bool> mSawParams{false};
  std::atomic<int> mTicks{0};
  Event mTicked{true};
};

class Tag : public virtual LRefCountedObject {};

TEST(LEventGatedThreader, SleepsUntilGatedThenTicksOnTimeOutsUntilStoppedAgain) {
  RCPtr<LEvent> gate = LEvent::Create();
  RCPtr<TickWorker> worker(new TickWorker);
  RCPtr<LRefCountedObject> params(new Tag);
  worker->mExpectedParams = params.GetRaw();
  RCPtr<LEventGatedThreader> threader = LEventGatedThreader::Create(gate, worker, params, 0);
  EXPECT_EQ(threader->mWaitTimeout.load(), kInfinite);
  EXPECT_FALSE(threader->mRunning);

  // Idle gate, no time-out: nothing runs.
  EXPECT_EQ(worker->mTicked.Wait(30), kWaitTimeout);

  // A set gate runs the job at once.
  gate->Set();
  ASSERT_EQ(worker->mTicked.Wait(kPatienceMs), kWaitSignalled);
  EXPECT_TRUE(worker->mSawParams);

  // A time-out takes effect at once when the gate is set after it: then it ticks by itself.
  threader->mWaitTimeout = 20;
  gate->Set();
  for (int i = 0; i < 4; ++i)
    ASSERT_EQ(worker->mTicked.Wait(kPatienceMs), kWaitSignalled);

  // Back to no time-out: a wait begun under the old one may end in one more
  // tick; after that the thread sleeps. A tick slowed down past the quiet
  // window still shows as running.
  threader->mWaitTimeout = kInfinite;
  int quietChecks = 0;
  do {
    worker->mTicked.Reset();
  } while ((worker->mTicked.Wait(100) == kWaitSignalled || threader->mRunning) && ++quietChecks < 5);
  EXPECT_LT(quietChecks, 5) << "still ticking without a time-out";
  EXPECT_FALSE(threader->mRunning);

  gate->Set();
  EXPECT_EQ(worker->mTicked.Wait(kPatienceMs), kWaitSignalled);
}

TEST(LEventGatedThreader, ReleaseStopsTheThreadAndDropsItsReferences) {
  RCPtr<LEvent> gate = LEvent::Create();
  RCPtr<TickWorker> worker(new TickWorker);
  {
    RCPtr<LEventGatedThreader> threader = LEventGatedThreader::Create(gate, worker, nullptr, 0);
    threader->mWaitTimeout = 10;
    gate->Set();
    ASSERT_EQ(worker->mTicked.Wait(kPatienceMs), kWaitSignalled);
    auto start = Clock::now();
    threader = nullptr;
    EXPECT_LT(MillisecondsSince(start), 5000);
  }
  EXPECT_EQ(worker->GetRefCount(), 1);
  EXPECT_EQ(gate->GetRefCount(), 1);
  int ticks = worker->mTicks.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(worker->mTicks.load(), ticks);
}

} // namespace
} // namespace QZ
