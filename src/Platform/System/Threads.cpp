#include "Platform/System/Threads.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace QZ::Platform {

ThreadId CurrentThreadId() { return static_cast<ThreadId>(::syscall(SYS_gettid)); }

bool SetThreadNice(ThreadId thread, int nice) {
  if (thread <= 0 || nice < kHighestNice || nice > kLowestNice)
    return false;
  // On Linux the nice value belongs to the thread the id names, not to the process.
  return ::setpriority(PRIO_PROCESS, static_cast<id_t>(thread), nice) == 0;
}

bool GetThreadNice(ThreadId thread, int& nice) {
  if (thread <= 0)
    return false;
  errno = 0;
  const int value = ::getpriority(PRIO_PROCESS, static_cast<id_t>(thread));
  if (value == -1 && errno != 0)
    return false;
  nice = value;
  return true;
}

} // namespace QZ::Platform
