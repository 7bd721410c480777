#include "Platform/App/AppHost.h"

#include <SDL.h>
#include <sys/resource.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <thread>
#include <vector>

namespace QZ::Platform {
namespace {

// A host that records its hooks; its idle hook plays the application's rule
// (more idle time only while work remains and the count is below 2).
class RecordingHost : public AppHost {
public:
  bool InitInstance() override {
    calls.push_back("InitInstance");
    return initInstance;
  }
  bool OnIdle(std::int32_t idleCount) override {
    idleCounts.push_back(idleCount);
    if (onIdle)
      onIdle(idleCount);
    return workRemains && idleCount < 2;
  }
  int ExitInstance() override {
    calls.push_back("ExitInstance");
    return AppHost::ExitInstance() + 100;
  }

  bool initInstance = true;
  bool workRemains = true;
  std::function<void(std::int32_t)> onIdle;
  std::vector<std::int32_t> idleCounts;
  std::vector<std::string> calls;
};

class AppHostTest : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_TRUE(host.InitApplication()) << SDL_GetError();
    host.SetWaitTime(1); // quick idle periods; the length of the wait is not under test
  }

  // An event type of the test's own, registered after the host's wake event.
  static Uint32 TestEventType() {
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
  }

  static void PushUserEvent(std::int32_t code) {
    SDL_Event event{};
    event.type = TestEventType();
    event.user.code = code;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  }

  RecordingHost host;
};

TEST_F(AppHostTest, IdlePeriodsHaveAtMostThreePassesAndRestartAfterEachWait) {
  int periods = 0;
  host.onIdle = [&](std::int32_t count) {
    if (count == 0 && ++periods == 3)
      host.PostQuit(7);
  };
  EXPECT_EQ(host.Run(), 107);
  EXPECT_EQ(host.idleCounts, (std::vector<std::int32_t>{0, 1, 2, 0, 1, 2, 0}));
  EXPECT_FALSE(host.IsQuitRequested()); // the main loop took the request

  // No work: one pass per period.
  host.idleCounts.clear();
  host.workRemains = false;
  periods = 0;
  EXPECT_EQ(host.Run(), 107);
  EXPECT_EQ(host.idleCounts, (std::vector<std::int32_t>{0, 0, 0}));
}

TEST_F(AppHostTest, EventsGoToTheHandlersInOrderAndEndTheIdlePeriod) {
  std::vector<std::string> log;
  const auto first = host.AddEventHandler([&](const SDL_Event& event) {
    if (event.type != TestEventType())
      return false;
    log.push_back("first:" + std::to_string(event.user.code));
    return event.user.code == 1; // takes code 1 only
  });
  host.AddEventHandler([&](const SDL_Event& event) {
    if (event.type == TestEventType())
      log.push_back("second:" + std::to_string(event.user.code));
    return true;
  });
  host.workRemains = false;
  host.onIdle = [&](std::int32_t) {
    log.push_back("idle");
    if (log.size() == 1) {
      PushUserEvent(1);
      PushUserEvent(2);
    } else {
      host.PostQuit(0);
    }
  };
  host.Run();
  EXPECT_EQ(log, (std::vector<std::string>{"idle", "first:1", "first:2", "second:2", "idle"}));

  host.RemoveEventHandler(first);
  log.clear();
  PushUserEvent(3);
  host.onIdle = [&](std::int32_t) { host.PostQuit(0); };
  host.Run();
  EXPECT_EQ(log, (std::vector<std::string>{"second:3"}));
}

TEST_F(AppHostTest, AnUntakenQuitEventEndsTheLoop) {
  host.workRemains = false;
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  ASSERT_EQ(SDL_PushEvent(&quit), 1);
  EXPECT_EQ(host.Run(), 100);

  // A handler that takes it keeps the loop running.
  int seen = 0;
  host.AddEventHandler([&](const SDL_Event& event) { return event.type == SDL_QUIT && ++seen > 0; });
  ASSERT_EQ(SDL_PushEvent(&quit), 1);
  host.onIdle = [&](std::int32_t) {
    if (seen)
      host.PostQuit(1);
  };
  EXPECT_EQ(host.Run(), 101);
  EXPECT_EQ(seen, 1);
}

TEST_F(AppHostTest, NestedLoopsEndOnTheirConditionOrPassTheQuitOutward) {
  host.workRemains = false;
  int nestedPasses = 0;
  int nestedResult = 0;
  bool keepModal = true;
  host.onIdle = [&](std::int32_t) {
    if (nestedResult != 0 || nestedPasses != 0)
      return;
    // A modal loop that ends by its condition.
    nestedResult = host.RunLoop(
        [&](std::int32_t count) {
          if (++nestedPasses == 2)
            keepModal = false;
          return count < 2;
        },
        [&] { return keepModal; });
    EXPECT_EQ(nestedResult, 0);
    // A modal loop that meets a quit request: -1, and the request stands.
    nestedResult = host.RunLoop(
        [&](std::int32_t) {
          host.PostQuit(5);
          return false;
        },
        [] { return true; });
  };
  EXPECT_EQ(host.Run(), 105);
  EXPECT_EQ(nestedResult, AppHost::kLoopQuit);
  EXPECT_EQ(nestedPasses, 2);
}

TEST_F(AppHostTest, QuitAndWakeFromAnotherThread) {
  host.workRemains = false;
  host.SetWaitTime(AppHost::kDefaultWaitMs);
  int passes = 0;
  std::thread other;
  host.onIdle = [&](std::int32_t) {
    if (++passes == 1)
      other = std::thread([&] {
        host.Wake();
        host.PostQuit(3);
      });
  };
  EXPECT_EQ(host.Run(), 103);
  other.join();
}

// The offscreen driver has no wait of its own; SDL would poll its queue every
// millisecond. The host's wait must sleep through a quiet period, and an event
// pushed from another thread (not through Wake) must end a long wait at once.
TEST_F(AppHostTest, AQuietWaitSleepsAndAnEventFromAnotherThreadEndsIt) {
  host.workRemains = false;
  host.SetWaitTime(300);
  const auto switches = [] {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
  };
  int waits = 0;
  long before = 0;
  long during = 0;
  host.onIdle = [&](std::int32_t) {
    if (++waits == 1)
      before = switches();
    else if (waits == 2)
      during = switches() - before;
  };
  EXPECT_EQ(host.RunLoop([&](std::int32_t count) { return host.OnIdle(count); }, [&] { return waits < 2; }), 0);
  EXPECT_LT(during, 20) << "a 300 ms wait woke " << during << " times";

  // Without events an idle period comes once per wait: a wait that ends at once (SDL's poll sentinel tripping
  // the host's event watch) would spin through millions of them.
  host.SetWaitTime(100);
  int periods = 0;
  host.onIdle = [&](std::int32_t) { ++periods; };
  const auto quiet = std::chrono::steady_clock::now();
  EXPECT_EQ(
      host.RunLoop([&](std::int32_t count) { return host.OnIdle(count); },
                   [&] { return std::chrono::steady_clock::now() - quiet < std::chrono::milliseconds(300); }),
      0);
  EXPECT_LE(periods, 10) << "idle periods in 300 ms of 100 ms waits";

  host.SetWaitTime(60000);
  bool taken = false;
  host.AddEventHandler([&](const SDL_Event& event) {
    taken = taken || event.type == TestEventType();
    return true;
  });
  std::thread other;
  const auto start = std::chrono::steady_clock::now();
  host.onIdle = [&](std::int32_t) {
    if (!other.joinable())
      other = std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        PushUserEvent(1);
      });
  };
  EXPECT_EQ(host.RunLoop([&](std::int32_t count) { return host.OnIdle(count); }, [&] { return !taken; }), 0);
  other.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30)) << "the push ended the wait";
}

// The wait-time source is asked before every wait and overrides the fixed wait: a wait without limit lasts until
// something comes (here a burst of wakes from another thread, which brings one idle period, not one per wake).
TEST_F(AppHostTest, AWaitTimeSourceLetsTheLoopSleepUntilAWake) {
  host.workRemains = false;
  int asked = 0;
  host.SetWaitTimeSource([&] {
    ++asked;
    return AppHost::kWaitForever;
  });
  std::atomic<bool> woken{false};
  int periodsBefore = 0;
  int periodsAfter = 0;
  std::thread other;
  host.onIdle = [&](std::int32_t) {
    if (!woken.load())
      ++periodsBefore;
    else
      ++periodsAfter;
    if (!other.joinable())
      other = std::thread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        woken = true;
        for (int i = 0; i < 50; ++i)
          host.Wake();
      });
  };
  EXPECT_EQ(
      host.RunLoop([&](std::int32_t count) { return host.OnIdle(count); }, [&] { return periodsAfter == 0; }), 0);
  other.join();
  EXPECT_LE(periodsBefore, 2) << "idle periods in 300 ms with nothing to do";
  EXPECT_GE(asked, periodsBefore);

  // The burst left at most one wake event behind.
  SDL_PumpEvents();
  EXPECT_LE(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT), 1);
  host.SetWaitTimeSource(nullptr);
}

// A modal loop opened while an event is handled finds the next event already queued: the outer wait took the
// mark its arrival set, and a loop that sleeps until an event must not sleep through it.
TEST_F(AppHostTest, ANestedLoopTakesAnEventQueuedBeforeItWithoutWaiting) {
  host.workRemains = false;
  host.SetWaitTimeSource([] { return AppHost::kWaitForever; });
  std::vector<std::int32_t> seen;
  bool innerDone = false;
  host.AddEventHandler([&](const SDL_Event& event) {
    if (event.type != TestEventType())
      return false;
    seen.push_back(event.user.code);
    if (event.user.code == 1)
      EXPECT_EQ(host.RunLoop(nullptr, [&] { return !innerDone; }), 0);
    else
      innerDone = true;
    return true;
  });
  PushUserEvent(1);
  PushUserEvent(2);
  std::atomic<bool> finished{false};
  // Should the inner loop sleep after all, this wakes it so that the test fails instead of hanging.
  std::thread guard([&] {
    for (int i = 0; i < 100 && !finished.load(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    if (!finished.load())
      host.PostQuit(9);
  });
  EXPECT_EQ(host.RunLoop(nullptr, [&] { return seen.size() < 2; }), 0);
  finished = true;
  guard.join();
  EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 2}));
  host.SetWaitTimeSource(nullptr);
}

TEST_F(AppHostTest, MainRunsTheStartUpInOrder) {
  host.workRemains = false;
  host.onIdle = [&](std::int32_t) { host.PostQuit(2); };
  EXPECT_EQ(host.Main(), 102);
  EXPECT_EQ(host.calls, (std::vector<std::string>{"InitInstance", "ExitInstance"}));

  RecordingHost refusing;
  refusing.initInstance = false;
  EXPECT_EQ(refusing.Main(), 100);
  EXPECT_EQ(refusing.calls, (std::vector<std::string>{"InitInstance", "ExitInstance"}));
  EXPECT_TRUE(refusing.idleCounts.empty());
}

TEST_F(AppHostTest, ExceptionsLeaveTheLoop) {
  host.onIdle = [](std::int32_t) { throw std::runtime_error("idle failed"); };
  EXPECT_THROW(host.Run(), std::runtime_error);
}

} // namespace
} // namespace QZ::Platform
