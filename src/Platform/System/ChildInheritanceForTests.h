#pragma once
// For tests only: what a child program must not inherit, set up in this process for a scope, and the child's
// own report of what it got. Tests of the ways we start children use it without calling the system
// themselves.
//
// The scope holds both ends of a socket pair without close-on-exec (as libjack holds its server sockets),
// ignores SIGPIPE for the process (as the JACK backend does), blocks SIGUSR1 in the calling thread, and sets
// ZENITY_CANCEL and DIALOG_ERROR in the environment; all of it is put back as it was at the end.
//
// Threads: the scope is made and ended on one thread, while no other thread reads or changes the environment
// or SIGPIPE's action.

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace QZ::Platform::test {

class ScopedInheritableState {
public:
  static constexpr const char* kDialogVariables[] = {"ZENITY_CANCEL", "DIALOG_ERROR"};

  ScopedInheritableState() {
    mSocketsMade = ::socketpair(AF_UNIX, SOCK_STREAM, 0, mSockets) == 0;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    ::sigemptyset(&ignore.sa_mask);
    mActionSet = ::sigaction(SIGPIPE, &ignore, &mOldAction) == 0;
    sigset_t blocked;
    ::sigemptyset(&blocked);
    ::sigaddset(&blocked, SIGUSR1);
    mMaskSet = ::pthread_sigmask(SIG_BLOCK, &blocked, &mOldMask) == 0;
    for (const char* name : kDialogVariables) {
      const char* old = std::getenv(name);
      mOldVariables.push_back(old ? std::optional<std::string>(old) : std::nullopt);
      ::setenv(name, "5", 1);
    }
  }
  ~ScopedInheritableState() {
    for (std::size_t i = 0; i < std::size(kDialogVariables); ++i) {
      if (mOldVariables[i])
        ::setenv(kDialogVariables[i], mOldVariables[i]->c_str(), 1);
      else
        ::unsetenv(kDialogVariables[i]);
    }
    if (mMaskSet)
      ::pthread_sigmask(SIG_SETMASK, &mOldMask, nullptr);
    if (mActionSet)
      ::sigaction(SIGPIPE, &mOldAction, nullptr);
    if (mSocketsMade) {
      ::close(mSockets[0]);
      ::close(mSockets[1]);
    }
  }
  ScopedInheritableState(const ScopedInheritableState&) = delete;
  ScopedInheritableState& operator=(const ScopedInheritableState&) = delete;

  // Whether every part of the state is in place.
  bool IsSet() const { return mSocketsMade && mActionSet && mMaskSet; }

private:
  int mSockets[2] = {-1, -1};
  bool mSocketsMade = false;
  struct sigaction mOldAction {};
  bool mActionSet = false;
  sigset_t mOldMask{};
  bool mMaskSet = false;
  std::vector<std::optional<std::string>> mOldVariables;
};

// A shell command line after which the shell's process (the child itself) reports its blocked and ignored
// signals, its open descriptors and its environment on standard output. The signals are read first and with
// built-ins only: once the shell has waited for a command of its own, its mask is no longer the one it got.
inline constexpr const char* kChildReportCommand =
    "while read -r line; do case $line in SigBlk:*|SigIgn:*) echo \"$line\";; esac; done </proc/$$/status; "
    "ls /proc/$$/fd; env";

struct ChildReport {
  std::vector<int> descriptors;
  std::optional<std::uint64_t> blockedSignals; // the SigBlk mask: bit n - 1 for signal n
  std::optional<std::uint64_t> ignoredSignals; // the SigIgn mask
  std::vector<std::string> environment;

  bool HasEntryStartingWith(const std::string& prefix) const {
    for (const std::string& entry : environment)
      if (entry.rfind(prefix, 0) == 0)
        return true;
    return false;
  }

  // What the child got that a clean start does not give: empty when it has only descriptors 0-2, no blocked
  // signal, every signal at its default, the given entry, and none of the user's dialog variables.
  std::vector<std::string> Inherited(const std::string& givenEntry) const;
};

inline constexpr std::uint64_t SignalBit(int signal) { return std::uint64_t{1} << (signal - 1); }
// The C library's posix_spawn leaves its own two signals (32 and 33, below SIGRTMIN, out of reach of every
// signal-set call) ignored in the child; a C library that uses them sets their action itself.
inline constexpr std::uint64_t kCLibraryInternalSignals = SignalBit(32) | SignalBit(33);

inline std::vector<std::string> ChildReport::Inherited(const std::string& givenEntry) const {
  std::vector<std::string> found;
  if (descriptors != std::vector<int>{0, 1, 2}) {
    std::string list;
    for (const int fd : descriptors)
      list += " " + std::to_string(fd);
    found.push_back("descriptors" + list);
  }
  if (blockedSignals != std::optional<std::uint64_t>(0))
    found.push_back("blocked signals " + (blockedSignals ? std::to_string(*blockedSignals) : "unread"));
  if (!ignoredSignals || (*ignoredSignals & ~kCLibraryInternalSignals) != 0)
    found.push_back("ignored signals " + (ignoredSignals ? std::to_string(*ignoredSignals) : "unread") +
                    " (SIGPIPE is " + std::to_string(SignalBit(SIGPIPE)) + ")");
  if (!HasEntryStartingWith(givenEntry))
    found.push_back("no " + givenEntry);
  if (!HasEntryStartingWith("PATH="))
    found.push_back("no PATH");
  for (const char* prefix : {"ZENITY_", "DIALOG_"})
    if (HasEntryStartingWith(prefix))
      found.push_back(std::string("a ") + prefix + " variable");
  return found;
}

inline ChildReport ReadChildReport(const std::string& text) {
  ChildReport report;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
      report.descriptors.push_back(std::stoi(line));
    else if (line.rfind("SigBlk:", 0) == 0)
      report.blockedSignals = std::stoull(line.substr(7), nullptr, 16);
    else if (line.rfind("SigIgn:", 0) == 0)
      report.ignoredSignals = std::stoull(line.substr(7), nullptr, 16);
    else if (line.find('=') != std::string::npos)
      report.environment.push_back(line);
  }
  return report;
}

} // namespace QZ::Platform::test
