#include "QZFramework/Utilities/Threading/Thread.h"

#include "QZFramework/Utilities/Threading/Event.h"
#include "Platform/System/Threads.h"
#include "Support/ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

namespace QZ {
namespace {

using namespace QZ::test;

// A function that signals that it runs, then holds until released.
struct Gate {
  Event running{true};
  Event release{true};
  Event ended{true};
  std::atomic<int> runs{0};
  int payload = 0; // written by the thread, read after a join

  static std::uint32_t Run(void* userData) {
    auto* g = static_cast<Gate*>(userData);
    ++g->runs;
    g->running.Set();
    g->release.Wait(kInfinite);
    g->payload = 7;
    g->ended.Set();
    return 0;
  }
};

std::uint32_t Quick(void* userData) {
  ++*static_cast<std::atomic<int>*>(userData);
  return 0;
}

TEST(Thread, RunsOnlyOnceStarted) {
  std::atomic<int> runs{0};
  Thread thread(&Quick, &runs);
  EXPECT_FALSE(thread.IsFinished()); // suspended, not finished
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(runs.load(), 0);

  ASSERT_TRUE(thread.Start());
  EXPECT_FALSE(thread.Start());
  EXPECT_TRUE(thread.Join(kPatienceMs));
  EXPECT_TRUE(thread.IsFinished());
  EXPECT_EQ(runs.load(), 1);
}

TEST(Thread, JoinReleasesAThreadThatWasNeverStarted) {
  Gate gate;
  Thread thread(&Gate::Run, &gate);
  gate.release.Set();
  EXPECT_TRUE(thread.Join(kPatienceMs));
  EXPECT_EQ(gate.runs.load(), 1);
  EXPECT_EQ(gate.payload, 7);
  EXPECT_FALSE(thread.Start()); // released by the join, not startable any more
  EXPECT_EQ(gate.runs.load(), 1);
}

TEST(Thread, JoinWithZeroTestsWithoutWaiting) {
  Gate gate;
  Thread thread(&Gate::Run, &gate);
  ASSERT_TRUE(thread.Start());
  ASSERT_EQ(gate.running.Wait(kPatienceMs), kWaitSignalled);
  EXPECT_FALSE(thread.Join(0));
  EXPECT_FALSE(thread.IsFinished());
  auto start = Clock::now();
  EXPECT_FALSE(thread.Join(30));
  EXPECT_GE(MillisecondsSince(start), 25);

  gate.release.Set();
  EXPECT_TRUE(thread.Join(kPatienceMs));
  EXPECT_TRUE(thread.Join(0));
  EXPECT_TRUE(thread.IsFinished());
  EXPECT_EQ(gate.payload, 7);
}

TEST(Thread, DestructorRunsAndJoinsAnUnstartedThread) {
  std::atomic<int> runs{0};
  { Thread thread(&Quick, &runs); }
  EXPECT_EQ(runs.load(), 1);
}

// Reports the nice value its thread runs at.
struct NiceProbe {
  Event done{true};
  int nice = 99;

  static std::uint32_t Run(void* userData) {
    auto* p = static_cast<NiceProbe*>(userData);
    if (!Platform::GetThreadNice(Platform::CurrentThreadId(), p->nice))
      p->nice = 98;
    p->done.Set();
    return 0;
  }
};

TEST(Thread, PrioritiesAreAppliedOrReportedAsRefused) {
  const bool canRaise = CanRaiseThreadPriority();
  struct Case {
    int priority;
    bool applied; // lowering is always allowed, raising only with privilege
    int nice;     // the thread's nice value afterwards
  };
  for (const Case& c :
       {Case{0, true, 0}, Case{-1, true, 5}, Case{-2, true, 10}, Case{-15, true, 19},
        Case{1, canRaise, canRaise ? -5 : 0}, Case{2, canRaise, canRaise ? -10 : 0}, Case{7, false, 0}}) {
    SCOPED_TRACE(c.priority);
    NiceProbe probe;
    Thread thread(&NiceProbe::Run, &probe);
    EXPECT_EQ(thread.GetPriority(), 0);
    EXPECT_EQ(thread.SetPriority(c.priority), c.applied);
    EXPECT_EQ(thread.GetPriority(), c.applied ? c.priority : 0);
    ASSERT_TRUE(thread.Start());
    ASSERT_EQ(probe.done.Wait(kPatienceMs), kWaitSignalled);
    EXPECT_EQ(probe.nice, c.nice);
    EXPECT_TRUE(thread.Join(kPatienceMs));
    // A thread that has ended has no priority to change.
    EXPECT_FALSE(thread.SetPriority(0));
  }
}

TEST(Thread, ThereIsNoPriorityBoostToSwitchOn) {
  std::atomic<int> runs{0};
  Thread thread(&Quick, &runs);
  EXPECT_TRUE(thread.EnablePriorityBoost(false));
  EXPECT_FALSE(thread.EnablePriorityBoost(true));
  ASSERT_TRUE(thread.Start());
  EXPECT_TRUE(thread.Join(kPatienceMs));
}

TEST(Thread, ThreadOutlastingTheTeardownJoinIsDetachedAndReported) {
  // The gate outlives the thread object: the detached thread still uses it.
  auto gate = std::make_shared<Gate>();
  auto thread = std::make_unique<Thread>(&Gate::Run, gate.get(), 50);
  ASSERT_TRUE(thread->Start());
  ASSERT_EQ(gate->running.Wait(kPatienceMs), kWaitSignalled);

  testing::internal::CaptureStderr();
  auto start = Clock::now();
  thread.reset();
  long long took = MillisecondsSince(start);
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_GE(took, 45);
  EXPECT_LT(took, 5000);
  EXPECT_NE(log.find("did not end within 50 ms"), std::string::npos) << log;
  EXPECT_NE(log.find("detached"), std::string::npos) << log;

  // Still running after its object is gone, and it ends normally.
  gate->release.Set();
  EXPECT_EQ(gate->ended.Wait(kPatienceMs), kWaitSignalled);
}

// The last owner of a thread object may be a job on that very thread.
struct SelfRelease {
  Thread* thread = nullptr;
  bool joinedSelf = true;
  Event started{true};
  Event ended{true};

  static std::uint32_t Run(void* userData) {
    auto* s = static_cast<SelfRelease*>(userData);
    s->started.Wait(kInfinite);
    s->joinedSelf = s->thread->Join(kPatienceMs); // must not wait for itself
    delete s->thread;
    s->ended.Set();
    return 0;
  }
};

TEST(Thread, ReleasingAThreadOnItsOwnThreadNeitherWaitsNorReports) {
  SelfRelease s;
  s.thread = new Thread(&SelfRelease::Run, &s);
  ASSERT_TRUE(s.thread->Start());
  testing::internal::CaptureStderr();
  auto start = Clock::now();
  s.started.Set();
  EXPECT_EQ(s.ended.Wait(kPatienceMs), kWaitSignalled);
  EXPECT_LT(MillisecondsSince(start), 5000);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_FALSE(s.joinedSelf);
}

} // namespace
} // namespace QZ
