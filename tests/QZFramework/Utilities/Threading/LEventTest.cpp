#include "QZFramework/Utilities/Threading/LEvent.h"

#include "QZFramework/Utilities/Storage/StringT.h"
#include "Support/ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace QZ {
namespace {

using namespace QZ::test;

TEST(LEvent, IsAnAutoResetEventHeldBySmartPointers) {
  RCPtr<LEvent> event = LEvent::Create();
  ASSERT_TRUE(event);
  EXPECT_EQ(event->GetRefCount(), 1);
  EXPECT_GE(event->GetHandle(), 0);
  EXPECT_EQ(event->Wait(0), kWaitTimeout);
  EXPECT_TRUE(event->Set());
  EXPECT_EQ(event->Wait(kPatienceMs), kWaitSignalled);
  EXPECT_EQ(event->Wait(0), kWaitTimeout);
  EXPECT_TRUE(event->Set());
  EXPECT_TRUE(event->Reset());
  EXPECT_EQ(event->Wait(0), kWaitTimeout);
  EXPECT_TRUE(event->ToString().IsEqual(
      "LRefCountedObject::ToString() not overridden. Returning TypeName: class QZ::LEvent"));
}

TEST(EventPool, WaitAnyReturnsTheLowestSignalledAndConsumesOnlyIt) {
  EventPool pool(5);
  ASSERT_EQ(pool.GetCount(), 5);
  for (int i = 0; i < 5; ++i)
    ASSERT_TRUE(pool.GetEventAt(i));
  EXPECT_NE(pool.GetEventAt(0), pool.GetEventAt(1));
  EXPECT_TRUE(pool.GetEventAt(-1).IsNull());
  EXPECT_TRUE(pool.GetEventAt(5).IsNull());

  EXPECT_EQ(pool.WaitAny(0), -1);
  pool.GetEventAt(3)->Set();
  pool.GetEventAt(1)->Set();
  EXPECT_EQ(pool.WaitAny(0), 1);
  EXPECT_EQ(pool.GetEventAt(1)->Wait(0), kWaitTimeout); // consumed
  EXPECT_EQ(pool.WaitAny(0), 3);                        // still signalled
  EXPECT_EQ(pool.WaitAny(0), -1);
}

TEST(EventPool, WaitAnyWakesWhenAnotherThreadSignalsAndTimesOut) {
  EventPool pool(3);
  int payload = 0;
  std::thread setter([&] {
    payload = 5;
    pool.GetEventAt(2)->Set();
  });
  EXPECT_EQ(pool.WaitAny(kInfinite), 2);
  EXPECT_EQ(payload, 5);
  setter.join();

  auto start = Clock::now();
  EXPECT_EQ(pool.WaitAny(40), -1);
  EXPECT_GE(MillisecondsSince(start), 35);
}

TEST(EventPool, EventsOutliveThePoolWhileHeld) {
  RCPtr<LEvent> kept;
  {
    EventPool pool(2);
    kept = pool.GetEventAt(1);
    EXPECT_EQ(kept->GetRefCount(), 2);
  }
  EXPECT_EQ(kept->GetRefCount(), 1);
  EXPECT_TRUE(kept->Set());
  EXPECT_EQ(kept->Wait(0), kWaitSignalled);
}

TEST(EventPool, WaitAnyFailsAtOnceWhenAnEventHasNoHandle) {
  auto pool = WithoutDescriptors([] { return std::make_unique<EventPool>(2); });
  ASSERT_LT(pool->GetEventAt(0)->GetHandle(), 0);
  EXPECT_EQ(pool->WaitAny(kInfinite), -1);
}

TEST(EventPool, EmptyPoolNeverWaits) {
  EventPool pool(0);
  EXPECT_EQ(pool.GetCount(), 0);
  EXPECT_EQ(pool.WaitAny(kInfinite), -1);
}

} // namespace
} // namespace QZ
