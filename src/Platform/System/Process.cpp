#include "Platform/System/Process.h"

#include "Platform/System/Spawn.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <algorithm>
#include <thread>

namespace QZ::Platform {

ProcessId StartProcess(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& environment) {
  return SpawnChild(program, args, environment, SpawnLookup::kExactPath).pid;
}

bool IsProcessRunning(ProcessId process) {
  if (process <= 0)
    return false;
  siginfo_t info{};
  if (::waitid(P_PID, static_cast<id_t>(process), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
    return false;
  return info.si_pid == 0;
}

int WaitForProcess(ProcessId process, int timeoutMs) {
  if (process <= 0)
    return -1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  int status = 0;
  for (;;) {
    const pid_t done = ::waitpid(process, &status, WNOHANG);
    if (done == process)
      return ExitCodeOfStatus(status);
    if (done < 0)
      return -1;
    if (std::chrono::steady_clock::now() >= deadline)
      return kProcessStillRunning;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

int StopProcess(ProcessId process, int graceMs) {
  if (process <= 0)
    return -1;
  int status = 0;
  if (::waitpid(process, &status, WNOHANG) == process)
    return ExitCodeOfStatus(status);
  ::kill(process, SIGTERM);
  const int code = WaitForProcess(process, graceMs);
  if (code != kProcessStillRunning)
    return code;
  ::kill(process, SIGKILL);
  return ::waitpid(process, &status, 0) == process ? ExitCodeOfStatus(status) : -1;
}

std::uint64_t GetLargestChildPeakResidentKb() {
  rusage usage{};
  if (::getrusage(RUSAGE_CHILDREN, &usage) != 0 || usage.ru_maxrss < 0)
    return 0;
  return static_cast<std::uint64_t>(usage.ru_maxrss); // Linux counts it in KiB
}

std::string FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    const std::size_t colon = std::min(folders.find(':', start), folders.size());
    const std::string candidate = folders.substr(start, colon - start) + "/" + name;
    struct stat info {};
    if (colon > start && ::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
        ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    start = colon + 1;
  }
  return {};
}

int ExitCodeOfStatus(int status) {
  if (WIFEXITED(status))
    return WEXITSTATUS(status);
  if (WIFSIGNALED(status))
    return 128 + WTERMSIG(status);
  return -1;
}

} // namespace QZ::Platform
