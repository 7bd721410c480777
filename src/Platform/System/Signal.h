#pragma once
// Waitable signals: a kernel counter that one side raises and the other takes or
// waits for. The framework's events are built on these. Every call is safe from any
// thread; a handle is closed once, by its owner, when no one waits on it any more.

#include <cstdint>

namespace QZ::Platform {

using SignalHandle = int;
inline constexpr SignalHandle kNoSignal = -1;

// A new signal, not raised; kNoSignal when the system gives none (no descriptors left).
SignalHandle CreateSignal();
void CloseSignal(SignalHandle signal);

// Raises the signal; a counter that cannot count further is still raised. False on failure.
bool RaiseSignal(SignalHandle signal);

enum class TakeResult { kTaken, kNotRaised, kFailed };
// Takes the whole count at once, leaving the signal not raised.
TakeResult TakeSignal(SignalHandle signal);

// State of each signal after a wait.
enum class SignalState : std::uint8_t { kQuiet = 0, kRaised = 1, kBroken = 2 };
inline constexpr int kWaitForever = -1;
// Waits until one of the signals is raised or timeoutMs passes (kWaitForever: no
// limit, 0: only looks); nothing is taken. Fills states for each signal and returns
// how many are not quiet, 0 on time-out or an interrupted wait (the caller decides
// whether time is left), -1 on failure.
int WaitForSignals(const SignalHandle* signals, SignalState* states, int count, int timeoutMs);

} // namespace QZ::Platform
