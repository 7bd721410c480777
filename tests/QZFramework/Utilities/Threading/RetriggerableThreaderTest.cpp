#include "QZFramework/Utilities/Threading/RetriggerableThreader.h"

#include "QZFramework/Utilities/Threading/Event.h"
#include "Support/ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace QZ {
namespace {

using namespace QZ::test;

// Counts its runs; optionally announces each and holds until released.
class GatedWorker : public LThreadWorker {
public:
  explicit GatedWorker(bool hold = false) : mHold(hold) {}

  std::int32_t DoWork(RCPtr<LRefCountedObject>& params) override {
    mLastParams = params.GetRaw();
    int run = ++mRuns;
    mRunning.Set();
    if (mHold)
      mRelease.Wait(kInfinite);
    return run * 10;
  }

  const bool mHold;
  std::atomic<int> mRuns{0};
  std::atomic<LRefCountedObject*> mLastParams{nullptr};
  Event mRunning{true};
  Event mRelease{true};
};

class Tag : public virtual LRefCountedObject {};

TEST(RetriggerableThreader, RunsTheBoundJobOncePerTriggerAndDropsItsReferences) {
  RetriggerableThreader threader(WideString(u"worker"));
  EXPECT_TRUE(threader.ToString().IsEqual(u"worker"));
  EXPECT_FALSE(threader.mBusy);

  RCPtr<GatedWorker> worker(new GatedWorker);
  RCPtr<LRefCountedObject> params(new Tag);
  RCPtr<LEvent> done = LEvent::Create();
  for (int i = 1; i <= 3; ++i) {
    ASSERT_EQ(threader.TriggerWithDoneEvent(worker, params, done, 0), S_OK);
    ASSERT_EQ(done->Wait(kPatienceMs), kWaitSignalled);
    EXPECT_EQ(worker->mRuns.load(), i);
    EXPECT_EQ(threader.GetLastResult(), i * 10);
  }
  EXPECT_EQ(worker->mLastParams.load(), params.GetRaw());
  // Busy is cleared before the done event is set, and the job's references are gone.
  EXPECT_FALSE(threader.mBusy);
  EXPECT_EQ(worker->GetRefCount(), 1);
  EXPECT_EQ(params->GetRefCount(), 1);
  // The loop lets go of the done event just after setting it.
  EXPECT_TRUE(Eventually([&] { return done->GetRefCount() == 1; }));
}

TEST(RetriggerableThreader, RefusesWhileBusyAndAcceptsOnceTheJobHasEnded) {
  RetriggerableThreader threader;
  EXPECT_TRUE(threader.ToString().IsEmpty());
  RCPtr<GatedWorker> held(new GatedWorker(true));
  RCPtr<GatedWorker> other(new GatedWorker);

  ASSERT_EQ(threader.Trigger(held, nullptr, 0), S_OK);
  ASSERT_EQ(held->mRunning.Wait(kPatienceMs), kWaitSignalled);
  EXPECT_TRUE(threader.mBusy);
  EXPECT_EQ(threader.Trigger(other, nullptr, 0), E_FAIL);
  EXPECT_EQ(other->GetRefCount(), 1); // nothing was bound

  held->mRelease.Set();
  ASSERT_TRUE(Eventually([&] { return !threader.mBusy; }));
  ASSERT_EQ(threader.Trigger(other, nullptr, 2), S_OK);
  // Applied where the system allows it, and never reported when it did not.
  EXPECT_EQ(threader.mThread.GetPriority(), CanRaiseThreadPriority() ? 2 : 0);
  ASSERT_EQ(other->mRunning.Wait(kPatienceMs), kWaitSignalled);
}

// Whoever wakes on the done event must find the threader ready for the next job.
TEST(RetriggerableThreader, DoneEventIsResetAtTriggerAndSetOnceAfterBusyClears) {
  RetriggerableThreader threader;
  RCPtr<GatedWorker> worker(new GatedWorker(true));
  RCPtr<LEvent> done = LEvent::Create();
  for (int i = 0; i < 50; ++i) {
    done->Set(); // stale: the trigger must reset it
    ASSERT_EQ(threader.TriggerWithDoneEvent(worker, nullptr, done, 0), S_OK);
    ASSERT_EQ(worker->mRunning.Wait(kPatienceMs), kWaitSignalled);
    EXPECT_EQ(done->Wait(0), kWaitTimeout);
    worker->mRelease.Set();
    ASSERT_EQ(done->Wait(kPatienceMs), kWaitSignalled);
    ASSERT_FALSE(threader.mBusy);
  }
  EXPECT_EQ(done->Wait(20), kWaitTimeout); // once per job
  EXPECT_EQ(worker->mRuns.load(), 50);
}

TEST(RetriggerableThreader, RejectsANullDoneEvent) {
  RetriggerableThreader threader;
  RCPtr<GatedWorker> worker(new GatedWorker);
  EXPECT_EQ(threader.TriggerWithDoneEvent(worker, nullptr, nullptr, 0), E_INVALIDARG);
  EXPECT_FALSE(threader.mBusy);
  EXPECT_EQ(worker->GetRefCount(), 1);
}

TEST(RetriggerableThreader, StoppedThreaderRefusesEveryTrigger) {
  RetriggerableThreader threader;
  RCPtr<GatedWorker> worker(new GatedWorker);
  threader.RequestStop();
  EXPECT_TRUE(threader.mThread.Join(kPatienceMs));
  EXPECT_EQ(threader.Trigger(worker, nullptr, 0), E_FAIL);
  EXPECT_EQ(threader.TriggerWithDoneEvent(worker, nullptr, LEvent::Create(), 0), E_FAIL);
  EXPECT_EQ(worker->mRuns.load(), 0);
}

TEST(RetriggerableThreader, DestructionReturnsAsSoonAsTheRunningJobEnds) {
  RCPtr<GatedWorker> worker(new GatedWorker(true));
  auto threader = std::make_unique<RetriggerableThreader>();
  ASSERT_EQ(threader->Trigger(worker, nullptr, 0), S_OK);
  ASSERT_EQ(worker->mRunning.Wait(kPatienceMs), kWaitSignalled);

  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    worker->mRelease.Set();
  });
  auto start = Clock::now();
  threader.reset();
  EXPECT_LT(MillisecondsSince(start), 5000);
  releaser.join();
  EXPECT_EQ(worker->mRuns.load(), 1);
  EXPECT_EQ(worker->GetRefCount(), 1);
}

// A job may drop the last owner of the threader that runs it.
class SelfReleasingWorker : public LThreadWorker {
public:
  std::int32_t DoWork(RCPtr<LRefCountedObject>&) override {
    delete mThreader.exchange(nullptr);
    return 0;
  }
  std::atomic<RetriggerableThreader*> mThreader{nullptr};
};

TEST(RetriggerableThreader, ReleasedFromItsOwnJobFinishesTheLoopSafely) {
  RCPtr<SelfReleasingWorker> worker(new SelfReleasingWorker);
  RCPtr<LEvent> done = LEvent::Create();
  auto* threader = new RetriggerableThreader;
  worker->mThreader = threader;
  testing::internal::CaptureStderr();
  auto start = Clock::now();
  ASSERT_EQ(threader->TriggerWithDoneEvent(worker, nullptr, done, 0), S_OK);
  EXPECT_EQ(done->Wait(kPatienceMs), kWaitSignalled);
  EXPECT_LT(MillisecondsSince(start), 5000);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_TRUE(Eventually([&] { return worker->GetRefCount() == 1; }));
}

} // namespace
} // namespace QZ
