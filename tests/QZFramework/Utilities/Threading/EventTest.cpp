#include "QZFramework/Utilities/Threading/Event.h"
#include "QZFramework/Utilities/Threading/Mutex.h"
#include "QZFramework/Utilities/Threading/SpinLock.h"
#include "Support/ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

namespace QZ {
namespace {

using namespace QZ::test;

TEST(Event, AutoResetConsumesOneSignal) {
  Event event(true);
  EXPECT_GE(event.GetHandle(), 0);
  EXPECT_EQ(event.Wait(0), kWaitTimeout);
  ASSERT_TRUE(event.Set());
  ASSERT_TRUE(event.Set()); // setting a set event adds no second signal
  EXPECT_EQ(event.Wait(0), kWaitSignalled);
  EXPECT_EQ(event.Wait(0), kWaitTimeout);

  ASSERT_TRUE(event.Set());
  ASSERT_TRUE(event.Reset());
  EXPECT_EQ(event.Wait(0), kWaitTimeout);
}

TEST(Event, TimedWaitTimesOutAfterRoughlyItsTime) {
  Event event(true);
  auto start = Clock::now();
  EXPECT_EQ(event.Wait(50), kWaitTimeout);
  EXPECT_GE(MillisecondsSince(start), 45);
}

TEST(Event, WaiterWakesOnSetFromAnotherThreadAndSeesItsWrites) {
  Event event(true);
  int payload = 0; // plain: the event must order it
  std::thread setter([&] {
    payload = 42;
    event.Set();
  });
  EXPECT_EQ(event.Wait(kInfinite), kWaitSignalled);
  EXPECT_EQ(payload, 42);
  setter.join();
}

TEST(Event, OneSignalReleasesExactlyOneOfTwoWaiters) {
  Event event(true);
  std::atomic<int> passed{0};
  auto waiter = [&] {
    if (event.Wait(kInfinite) == kWaitSignalled)
      ++passed;
  };
  std::thread a(waiter), b(waiter);
  event.Set();
  auto start = Clock::now();
  while (passed.load() == 0 && MillisecondsSince(start) < 10000)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(passed.load(), 1);
  event.Set();
  a.join();
  b.join();
  EXPECT_EQ(passed.load(), 2);
}

TEST(TrafficLight, StaysGreenForEveryWaiterUntilSetRed) {
  TrafficLight light;
  EXPECT_FALSE(light.IsGreen()); // created red
  EXPECT_EQ(light.Wait(0), kWaitTimeout);
  ASSERT_TRUE(light.SetGreen());
  EXPECT_TRUE(light.IsGreen());
  EXPECT_EQ(light.Wait(0), kWaitSignalled);
  EXPECT_EQ(light.Wait(kInfinite), kWaitSignalled);

  int payload = 0;
  ASSERT_TRUE(light.SetRed());
  EXPECT_FALSE(light.IsGreen());
  std::vector<std::thread> waiters;
  std::atomic<int> passed{0};
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (light.Wait(kInfinite) == kWaitSignalled && payload == 7)
        ++passed;
    });
  payload = 7;
  light.SetGreen();
  for (auto& t : waiters)
    t.join();
  EXPECT_EQ(passed.load(), 3);
}

TEST(Event, WithoutAHandleEveryOperationFailsAndALightReadsRed) {
  auto event = WithoutDescriptors([] { return std::make_unique<Event>(true); });
  auto light = WithoutDescriptors([] { return std::make_unique<TrafficLight>(); });
  ASSERT_LT(event->GetHandle(), 0);
  EXPECT_FALSE(event->Set());
  EXPECT_FALSE(event->Reset());
  EXPECT_EQ(event->Wait(0), kWaitFailed);
  EXPECT_EQ(event->Wait(kInfinite), kWaitFailed);
  ASSERT_LT(light->GetHandle(), 0);
  EXPECT_FALSE(light->SetGreen());
  EXPECT_FALSE(light->SetRed());
  EXPECT_FALSE(light->IsGreen()); // a light nobody can see is not green
}

TEST(SpinLock, ExcludesUnderContention) {
  SpinLock lock;
  long long counter = 0; // plain: only the lock guards it
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        SpinLockGuard guard(lock);
        ++counter;
      }
    });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(counter, 80000);
}

TEST(SpinLock, StillExcludesWhenItsEventCouldNotBeMade) {
  auto lock = WithoutDescriptors([] { return std::make_unique<SpinLock>(); });
  long long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        SpinLockGuard guard(*lock);
        ++counter;
      }
    });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(counter, 20000);
}

TEST(Mutex, IsRecursiveAndExcludes) {
  Mutex mutex;
  {
    MutexLock outer(mutex);
    MutexLock inner(mutex); // the holder may lock again
  }
  long long counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 5000; ++i) {
        MutexLock guard(mutex);
        ++counter;
      }
    });
  for (auto& t : threads)
    t.join();
  EXPECT_EQ(counter, 20000);
}

} // namespace
} // namespace QZ
