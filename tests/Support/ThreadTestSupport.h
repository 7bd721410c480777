#pragma once
// Helpers shared by the threading tests: generous time limits, since the suite
// runs in parallel and under sanitizers.

#include "Platform/System/Limits.h"
#include "Platform/System/Threads.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

namespace QZ::test {

using Clock = std::chrono::steady_clock;

// Long enough never to be reached by a passing test.
inline constexpr std::uint32_t kPatienceMs = 10000;

inline long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Polls a condition that has no event to wait on; true once it holds.
inline bool Eventually(const std::function<bool()>& condition, long long ms = kPatienceMs) {
  auto start = Clock::now();
  while (!condition()) {
    if (MillisecondsSince(start) > ms)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Whether this process may raise a thread above normal priority (a privileged user
// may; most may not). Asked of a thread of its own, which then ends.
inline bool CanRaiseThreadPriority() {
  bool raised = false;
  std::thread probe([&raised] { raised = Platform::SetThreadNice(Platform::CurrentThreadId(), -1); });
  probe.join();
  return raised;
}

// Builds something while no file descriptor can be opened, so its events get no handle.
template <class Make>
auto WithoutDescriptors(Make make) {
  // Made once with handles first: the sanitizers' type checks need descriptors
  // the first time they meet a type.
  (void)make();
  std::uint64_t old = 0;
  const bool lowered = Platform::GetOpenDescriptorLimit(old) && Platform::SetOpenDescriptorLimit(0);
  auto made = make();
  if (lowered)
    (void)Platform::SetOpenDescriptorLimit(old);
  return made;
}

} // namespace QZ::test
