#include "Platform/System/Spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <string_view>

#if !defined(__GLIBC__) || !__GLIBC_PREREQ(2, 34)
#error "closing a child's descriptors needs posix_spawn_file_actions_addclosefrom_np (glibc 2.34 or later)"
#endif

extern char** environ;

namespace QZ::Platform {
namespace {

constexpr int kFirstClosedDescriptor = STDERR_FILENO + 1;
constexpr std::array<std::string_view, 2> kDroppedPrefixes = {"ZENITY_", "DIALOG_"};

std::string_view NameOf(std::string_view entry) { return entry.substr(0, entry.find('=')); }

bool IsDropped(std::string_view entry) {
  return std::any_of(kDroppedPrefixes.begin(), kDroppedPrefixes.end(),
                     [&](std::string_view prefix) { return entry.substr(0, prefix.size()) == prefix; });
}

// The file actions and attributes, released however the start ends.
class SpawnSetup {
public:
  SpawnSetup() {
    mActionsError = ::posix_spawn_file_actions_init(&mActions);
    mAttributesError = ::posix_spawnattr_init(&mAttributes);
  }
  ~SpawnSetup() {
    if (mActionsError == 0)
      ::posix_spawn_file_actions_destroy(&mActions);
    if (mAttributesError == 0)
      ::posix_spawnattr_destroy(&mAttributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // 0, or the error number of the first step that failed.
  int Prepare(int outputFd) {
    if (mActionsError != 0)
      return mActionsError;
    if (mAttributesError != 0)
      return mAttributesError;
    // Standard output first: when this process had its standard descriptors closed, the caller's pipe may
    // itself be descriptor 0 or 2, and opening /dev/null there first would close it.
    int error = outputFd >= 0
                    ? ::posix_spawn_file_actions_adddup2(&mActions, outputFd, STDOUT_FILENO)
                    : ::posix_spawn_file_actions_addopen(&mActions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (error == 0)
      error = ::posix_spawn_file_actions_addopen(&mActions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (error == 0)
      error = ::posix_spawn_file_actions_addopen(&mActions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (error == 0)
      error = ::posix_spawn_file_actions_addclosefrom_np(&mActions, kFirstClosedDescriptor);
    if (error != 0)
      return error;

    sigset_t none;
    sigset_t everyCatchable;
    ::sigemptyset(&none);
    ::sigfillset(&everyCatchable);
    ::sigdelset(&everyCatchable, SIGKILL);
    ::sigdelset(&everyCatchable, SIGSTOP);
    error = ::posix_spawnattr_setsigmask(&mAttributes, &none);
    if (error == 0)
      error = ::posix_spawnattr_setsigdefault(&mAttributes, &everyCatchable);
    if (error == 0)
      error = ::posix_spawnattr_setflags(&mAttributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    return error;
  }

  const posix_spawn_file_actions_t* Actions() const { return &mActions; }
  const posix_spawnattr_t* Attributes() const { return &mAttributes; }

private:
  posix_spawn_file_actions_t mActions{};
  posix_spawnattr_t mAttributes{};
  int mActionsError = 0;
  int mAttributesError = 0;
};

} // namespace

std::vector<std::string> ChildEnvironment(const char* const* inherited, const std::vector<std::string>& entries) {
  std::vector<std::string> result;
  for (const char* const* entry = inherited; entry && *entry; ++entry) {
    const std::string_view text(*entry);
    const std::string_view name = NameOf(text);
    const bool replaced =
        name.size() < text.size() && std::any_of(entries.begin(), entries.end(), [&](const std::string& given) {
          return given.find('=') != std::string::npos && NameOf(given) == name;
        });
    if (!replaced && !IsDropped(text))
      result.emplace_back(text);
  }
  result.insert(result.end(), entries.begin(), entries.end());
  return result;
}

SpawnResult SpawnChild(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& environment, SpawnLookup lookup, int outputFd) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  std::vector<std::string> entries = ChildEnvironment(environ, environment);
  std::vector<char*> envp;
  envp.reserve(entries.size() + 1);
  for (std::string& entry : entries)
    envp.push_back(entry.data());
  envp.push_back(nullptr);

  SpawnSetup setup;
  SpawnResult result;
  result.error = setup.Prepare(outputFd);
  if (result.error != 0)
    return result;
  pid_t pid = 0;
  result.error =
      lookup == SpawnLookup::kSearchPath
          ? ::posix_spawnp(&pid, program.c_str(), setup.Actions(), setup.Attributes(), argv.data(), envp.data())
          : ::posix_spawn(&pid, program.c_str(), setup.Actions(), setup.Attributes(), argv.data(), envp.data());
  if (result.error == 0)
    result.pid = pid;
  return result;
}

} // namespace QZ::Platform
