#include "Platform/System/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <thread>

extern char** environ;

namespace QZ::Platform {
namespace {} // namespace

ProcessId StartProcess(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& environment) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  std::vector<char*> envp;
  for (const std::string& entry : environment)
    envp.push_back(const_cast<char*>(entry.c_str()));
  for (char** entry = environ; entry && *entry; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    const std::size_t nameLength = equals ? static_cast<std::size_t>(equals - *entry) + 1 : std::strlen(*entry);
    bool replaced = false;
    for (const std::string& extra : environment)
      replaced = replaced || extra.compare(0, nameLength, *entry, nameLength) == 0;
    if (!replaced)
      envp.push_back(*entry);
  }
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return result == 0 ? pid : 0;
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
