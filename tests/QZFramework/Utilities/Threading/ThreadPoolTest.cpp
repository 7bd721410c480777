#include "QZFramework/Utilities/Threading/ThreadPool.h"

#include "QZFramework/Utilities/Threading/Event.h"
#include "Support/ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace QZ {
namespace {

using namespace QZ::test;

// Names the order in which jobs ran.
struct RunLog {
  std::mutex lock;
  std::string order;
  Event ran{true};

  // Signals under the lock, so a reader who sees the entry may drop the log.
  void Add(char name) {
    std::lock_guard<std::mutex> guard(lock);
    order += name;
    ran.Set();
  }
  std::string Get() {
    std::lock_guard<std::mutex> guard(lock);
    return order;
  }
  bool WaitForLength(std::size_t n) {
    return Eventually([&] { return Get().size() >= n; });
  }
};

class Job : public LThreadWorker {
public:
  Job(RunLog& log, char name, bool hold = false) : mLog(log), mName(name), mHold(hold) {}
  std::int32_t DoWork(RCPtr<LRefCountedObject>&) override {
    mRunning.Set();
    if (mHold)
      mRelease.Wait(kInfinite);
    mLog.Add(mName);
    return 0;
  }
  RunLog& mLog;
  const char mName;
  const bool mHold;
  Event mRunning{true};
  Event mRelease{true};
};

RCPtr<Job> MakeJob(RunLog& log, char name, bool hold = false) { return RCPtr<Job>(new Job(log, name, hold)); }

TEST(LThreadPool, IdleSingleWorkerTakesAJobDirectly) {
  RCPtr<LThreadPool> pool = LThreadPool::Create(1, 2);
  EXPECT_TRUE(pool->ToString().IsEqual("Unnamed ThreadPool"));
  RunLog log;
  RCPtr<Job> a = MakeJob(log, 'a', true);
  EXPECT_EQ(pool->DispatchToIdleWorker(a, nullptr, 0), 0);
  ASSERT_EQ(a->mRunning.Wait(kPatienceMs), kWaitSignalled);
  EXPECT_EQ(pool->DispatchToIdleWorker(MakeJob(log, 'b'), nullptr, 0), -1); // busy
  a->mRelease.Set();
  ASSERT_TRUE(log.WaitForLength(1));

  ASSERT_TRUE(Eventually([&] { return a->GetRefCount() == 1; }));
  pool->Execute(MakeJob(log, 'c'), nullptr, 0);
  ASSERT_TRUE(log.WaitForLength(2));
  EXPECT_EQ(log.Get(), "ac");
}

TEST(LThreadPool, QueuedJobsRunByPriorityThenInArrivalOrder) {
  const struct {
    const char* names;
    std::vector<int> priorities;
    const char* expected;
  } cases[] = {
      {"AB", {0, 0}, "AB"},
      {"ABC", {0, 2, 0}, "BAC"},
      {"ABCDE", {0, 2, 1, 2, 0}, "BDCAE"},
      {"ABC", {-1, 0, -2}, "BAC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.names);
    RCPtr<LThreadPool> pool = LThreadPool::Create(1, 2);
    RunLog log;
    RCPtr<Job> blocker = MakeJob(log, '-', true);
    pool->Execute(blocker, nullptr, 0);
    ASSERT_EQ(blocker->mRunning.Wait(kPatienceMs), kWaitSignalled);
    for (std::size_t i = 0; i < c.priorities.size(); ++i)
      pool->Execute(MakeJob(log, c.names[i]), nullptr, c.priorities[i]);
    blocker->mRelease.Set();
    ASSERT_TRUE(log.WaitForLength(c.priorities.size() + 1));
    EXPECT_EQ(log.Get(), std::string("-") + c.expected);
  }
}

// A job that signals just before it returns, so a new job arrives while the
// single worker turns idle with a job still waiting.
TEST(LThreadPool, NewJobNeverOvertakesAWaitingOneOnASingleWorker) {
  RCPtr<LThreadPool> pool = LThreadPool::Create(1, 2);
  for (int i = 0; i < 100; ++i) {
    RunLog log;
    RCPtr<Job> first = MakeJob(log, '-', true);
    pool->Execute(first, nullptr, 0);
    ASSERT_EQ(first->mRunning.Wait(kPatienceMs), kWaitSignalled);
    pool->Execute(MakeJob(log, 'A'), nullptr, 0);
    first->mRelease.Set();
    ASSERT_EQ(log.ran.Wait(kPatienceMs), kWaitSignalled); // the first job is ending
    pool->Execute(MakeJob(log, 'B'), nullptr, 0);
    ASSERT_TRUE(log.WaitForLength(3));
    ASSERT_EQ(log.Get(), "-AB") << "iteration " << i;
  }
}

TEST(LThreadPool, SeveralWorkersRunJobsAtTheSameTime) {
  RCPtr<LThreadPool> pool = LThreadPool::Create(3, 0);
  RunLog log;
  RCPtr<Job> jobs[] = {MakeJob(log, 'a', true), MakeJob(log, 'b', true), MakeJob(log, 'c', true)};
  for (auto& job : jobs)
    pool->Execute(job, nullptr, 0);
  for (auto& job : jobs)
    ASSERT_EQ(job->mRunning.Wait(kPatienceMs), kWaitSignalled);
  // All three run at once; a fourth waits for the first worker to finish.
  RCPtr<Job> d = MakeJob(log, 'd');
  pool->Execute(d, nullptr, 0);
  EXPECT_EQ(d->mRunning.Wait(20), kWaitTimeout);
  jobs[1]->mRelease.Set();
  ASSERT_TRUE(log.WaitForLength(2));
  jobs[0]->mRelease.Set();
  jobs[2]->mRelease.Set();
  ASSERT_TRUE(log.WaitForLength(4));
  EXPECT_EQ(log.Get().substr(0, 2), "bd");
}

class Tag : public virtual LRefCountedObject {};

TEST(LThreadPool, ShutdownDropsQueuedJobsAndRefusesNewOnes) {
  RCPtr<LThreadPool> pool = LThreadPool::Create(1, 2);
  RunLog log;
  RCPtr<Job> blocker = MakeJob(log, '-', true);
  pool->Execute(blocker, nullptr, 0);
  ASSERT_EQ(blocker->mRunning.Wait(kPatienceMs), kWaitSignalled);
  RCPtr<Job> queued = MakeJob(log, 'q');
  RCPtr<LRefCountedObject> params(new Tag);
  pool->Execute(queued, params, 0);
  EXPECT_EQ(params->GetRefCount(), 2);

  std::thread stopper([&] { pool->Shutdown(); });
  ASSERT_TRUE(Eventually([&] { return params->GetRefCount() == 1; })); // dropped from the list
  blocker->mRelease.Set();
  stopper.join();
  EXPECT_EQ(queued->GetRefCount(), 1);

  RCPtr<Job> late = MakeJob(log, 'l');
  EXPECT_EQ(pool->DispatchToIdleWorker(late, nullptr, 0), -1);
  pool->Execute(late, nullptr, 0);
  EXPECT_EQ(late->GetRefCount(), 1);
  EXPECT_EQ(late->mRunning.Wait(30), kWaitTimeout);
  EXPECT_EQ(log.Get(), "-");
}

// Holds the first reference taken to it once armed: the moment Execute makes its job.
class HoldingParams : public virtual LRefCountedObject {
public:
  std::int32_t AddRef() const override {
    if (mArmed.exchange(false)) {
      mHeld.Set();
      mRelease.Wait(kInfinite);
    }
    return LRefCountedObject::AddRef();
  }
  mutable std::atomic<bool> mArmed{false};
  mutable Event mHeld{true};
  mutable Event mRelease{true};
};

// An Execute past its checks when the pool shuts down must not queue into the
// emptied list: no dispatch run would ever take the job.
TEST(LThreadPool, ExecuteOvertakenByShutdownDropsItsJob) {
  RCPtr<LThreadPool> pool = LThreadPool::Create(1, 2);
  RunLog log;
  RCPtr<Job> blocker = MakeJob(log, '-', true);
  pool->Execute(blocker, nullptr, 0);
  ASSERT_EQ(blocker->mRunning.Wait(kPatienceMs), kWaitSignalled);
  RCPtr<Job> waiting = MakeJob(log, 'w');
  pool->Execute(waiting, nullptr, 0); // queued; a dispatch run waits for the worker

  RCPtr<HoldingParams> hold(new HoldingParams);
  RCPtr<LRefCountedObject> params(hold.GetRaw());
  RCPtr<Job> late = MakeJob(log, 'l');
  hold->mArmed = true;
  std::thread executer([&] { pool->Execute(late, params, 0); });
  EXPECT_EQ(hold->mHeld.Wait(kPatienceMs), kWaitSignalled);

  std::thread stopper([&] { pool->Shutdown(); });
  // The list is emptied and the dispatch run has let go of the pool.
  EXPECT_TRUE(Eventually([&] { return waiting->GetRefCount() == 1 && pool->GetRefCount() == 1; }));
  hold->mRelease.Set();
  executer.join();
  EXPECT_EQ(late->GetRefCount(), 1);
  EXPECT_EQ(params->GetRefCount(), 2);

  blocker->mRelease.Set();
  stopper.join();
  EXPECT_EQ(log.Get(), "-");
}

// Signals when the pool has let go of it.
class ReleaseWatch : public LThreadWorker {
public:
  ReleaseWatch(std::shared_ptr<Event> go, std::shared_ptr<Event> released)
      : mGo(std::move(go)), mReleased(std::move(released)) {}
  ~ReleaseWatch() override { mReleased->Set(); }
  std::int32_t DoWork(RCPtr<LRefCountedObject>&) override {
    mGo->Wait(kInfinite);
    return 0;
  }
  std::shared_ptr<Event> mGo;
  std::shared_ptr<Event> mReleased;
};

TEST(LThreadPool, LastReferenceDroppedByItsOwnJobEndsThePoolWithoutWaiting) {
  auto go = std::make_shared<Event>(true);
  auto released = std::make_shared<Event>(true);
  RCPtr<LThreadPool> pool = LThreadPool::Create(1, 2);
  RCPtr<LRefCountedObject> poolAsParams(pool.GetRaw());
  testing::internal::CaptureStderr();
  auto start = Clock::now();
  pool->Execute(RCPtr<LThreadWorker>(new ReleaseWatch(go, released)), poolAsParams, 0);
  poolAsParams = nullptr;
  pool = nullptr; // the job's params now hold the last reference
  go->Set();
  EXPECT_EQ(released->Wait(kPatienceMs), kWaitSignalled);
  EXPECT_LT(MillisecondsSince(start), 5000);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// The dispatch run holds the pool until the list is empty; the pool then goes on
// the dispatch thread, and its shutdown may stop the worker before the job just
// handed to it begins.
TEST(LThreadPool, ReleasedWhileJobsWaitDispatchesThemAllBeforeItGoes) {
  RCPtr<LThreadPool> pool = LThreadPool::Create(1, 2);
  RunLog log;
  RCPtr<Job> blocker = MakeJob(log, '-', true);
  RCPtr<Job> a = MakeJob(log, 'a');
  RCPtr<Job> b = MakeJob(log, 'b');
  pool->Execute(blocker, nullptr, 0);
  ASSERT_EQ(blocker->mRunning.Wait(kPatienceMs), kWaitSignalled);
  pool->Execute(a, nullptr, 0);
  pool->Execute(b, nullptr, 0);
  testing::internal::CaptureStderr();
  pool = nullptr;
  blocker->mRelease.Set();
  EXPECT_TRUE(
      Eventually([&] { return blocker->GetRefCount() == 1 && a->GetRefCount() == 1 && b->GetRefCount() == 1; }));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  std::string order = log.Get();
  EXPECT_TRUE(order == "-a" || order == "-ab") << order;
}

} // namespace
} // namespace QZ
