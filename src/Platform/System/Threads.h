#pragma once
// The operating system's side of threads: their ids and their scheduling priority
// (the nice value, -20 highest to 19 lowest). Raising a thread above normal needs a
// privilege most users lack; the calls then report failure and change nothing.

#include <cstdint>

namespace QZ::Platform {

using ThreadId = std::int64_t;
inline constexpr ThreadId kNoThreadId = 0;

// The system's id of the calling thread.
ThreadId CurrentThreadId();

inline constexpr int kHighestNice = -20;
inline constexpr int kLowestNice = 19;

// True when the thread runs at that nice value afterwards.
bool SetThreadNice(ThreadId thread, int nice);
// False when the thread is gone or cannot be asked.
bool GetThreadNice(ThreadId thread, int& nice);

} // namespace QZ::Platform
