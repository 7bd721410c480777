#include "Platform/System/Signal.h"

#include <gtest/gtest.h>

#include <thread>

namespace QZ::Platform {
namespace {

class Signals : public ::testing::Test {
protected:
  void SetUp() override {
    for (SignalHandle& s : mSignals) {
      s = CreateSignal();
      ASSERT_NE(s, kNoSignal);
    }
  }
  void TearDown() override {
    for (SignalHandle s : mSignals)
      CloseSignal(s);
  }

  SignalHandle mSignals[3] = {kNoSignal, kNoSignal, kNoSignal};
  SignalState mStates[3] = {};
};

TEST_F(Signals, RaiseTakeAndLook) {
  EXPECT_EQ(TakeSignal(mSignals[0]), TakeResult::kNotRaised);
  EXPECT_EQ(WaitForSignals(mSignals, mStates, 1, 0), 0);

  // Raised twice, taken once: the whole count goes at once.
  EXPECT_TRUE(RaiseSignal(mSignals[0]));
  EXPECT_TRUE(RaiseSignal(mSignals[0]));
  EXPECT_EQ(WaitForSignals(mSignals, mStates, 1, 0), 1);
  EXPECT_EQ(mStates[0], SignalState::kRaised);
  EXPECT_EQ(WaitForSignals(mSignals, mStates, 1, 0), 1); // looking takes nothing
  EXPECT_EQ(TakeSignal(mSignals[0]), TakeResult::kTaken);
  EXPECT_EQ(TakeSignal(mSignals[0]), TakeResult::kNotRaised);
}

TEST_F(Signals, WaitReportsEachSignal) {
  ASSERT_TRUE(RaiseSignal(mSignals[1]));
  EXPECT_EQ(WaitForSignals(mSignals, mStates, 3, kWaitForever), 1);
  EXPECT_EQ(mStates[0], SignalState::kQuiet);
  EXPECT_EQ(mStates[1], SignalState::kRaised);
  EXPECT_EQ(mStates[2], SignalState::kQuiet);

  // Another thread's raise ends a wait without limit.
  std::thread raiser([this] { RaiseSignal(mSignals[2]); });
  SignalHandle last = mSignals[2];
  SignalState state = SignalState::kQuiet;
  EXPECT_EQ(WaitForSignals(&last, &state, 1, kWaitForever), 1);
  EXPECT_EQ(state, SignalState::kRaised);
  raiser.join();
}

TEST(SignalFailures, MissingHandlesAreRefused) {
  SignalHandle none = kNoSignal;
  SignalState state = SignalState::kQuiet;
  EXPECT_FALSE(RaiseSignal(kNoSignal));
  EXPECT_EQ(TakeSignal(kNoSignal), TakeResult::kFailed);
  EXPECT_EQ(WaitForSignals(&none, &state, 1, 0), -1);
  EXPECT_EQ(WaitForSignals(&none, &state, 0, 0), -1);
  CloseSignal(kNoSignal); // nothing to close
}

} // namespace
} // namespace QZ::Platform
