#pragma once
// Stand-ins for the helper programs the platform starts (zenity, xmessage, xdg-open): shell scripts in a
// "bin" folder of the test's temporary folder, which the test makes the whole PATH. A stub records its
// arguments one a line in STUB_LOG, its parent's process id, the GTK scale and the LC_ALL it was given in
// STUB_LOG.env, waits while STUB_RELEASE names a file that does not exist yet, prints STUB_OUTPUT and exits
// with STUB_EXIT.
// Apart from /bin/sleep in the wait it uses shell built-ins only, so PATH may hold nothing else.
// Standard library, POSIX and the dialogs' wait period only, so the platform layer's tests use it too.

#include "Platform/Dialogs/ModalWait.h"
#include "Support/TempFolder.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace QZ::test {

inline constexpr const char* kStubScript =
    "#!/bin/sh\n"
    "for a in \"$@\"; do printf '%s\\n' \"$a\" >> \"$STUB_LOG\"; done\n"
    "[ -z \"$STUB_LOG\" ] || printf 'PPID=%s\\nGDK_SCALE=%s\\nGDK_DPI_SCALE=%s\\nLC_ALL=%s\\n' \"$PPID\" "
    "\"$GDK_SCALE\" \"$GDK_DPI_SCALE\" \"$LC_ALL\" > \"$STUB_LOG.env\"\n"
    "while [ -n \"$STUB_RELEASE\" ] && [ ! -e \"$STUB_RELEASE\" ]; do /bin/sleep 0.01; done\n"
    "printf '%s' \"$STUB_OUTPUT\"\n"
    "exit \"$STUB_EXIT\"\n";

// Sets (or, with no value, unsets) an environment variable for a scope.
class ScopedEnvironment {
public:
  ScopedEnvironment(const char* name, const std::optional<std::string>& value) : mName(name) {
    if (const char* old = std::getenv(name))
      mOld = old;
    if (value)
      ::setenv(name, value->c_str(), 1);
    else
      ::unsetenv(name);
  }
  ScopedEnvironment(const char* name, const char* value)
      : ScopedEnvironment(name, value ? std::optional<std::string>(value) : std::nullopt) {}
  ScopedEnvironment(const char* name, const std::string& value)
      : ScopedEnvironment(name, std::optional<std::string>(value)) {}
  ~ScopedEnvironment() {
    if (mOld)
      ::setenv(mName, mOld->c_str(), 1);
    else
      ::unsetenv(mName);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
  const char* mName;
  std::optional<std::string> mOld;
};

// The "bin" folder, the log and the release file of a test's stubs.
class StubPrograms {
public:
  explicit StubPrograms(const std::filesystem::path& folder) : mFolder(folder) {
    std::filesystem::create_directory(mFolder / "bin");
  }

  void Install(const std::string& name) const {
    const auto path = mFolder / "bin" / name;
    WriteAll(path, kStubScript);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  void Remove(const std::string& name) const { std::filesystem::remove(mFolder / "bin" / name); }

  // The arguments the stubs were given, one an entry, in order; and the log emptied.
  std::vector<std::string> Arguments() const {
    std::vector<std::string> lines;
    const std::string text = ReadAll(Log());
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
      lines.push_back(text.substr(from, end - from));
    return lines;
  }
  void ClearLog() const {
    std::filesystem::remove(Log());
    std::filesystem::remove(Log() + ".env");
  }
  // A line "NAME=value" of what the last stub noted of its environment; the value.
  std::string Noted(const std::string& name) const {
    const std::string text = ReadAll(Log() + ".env");
    const std::string key = name + "=";
    const std::size_t at = text.find(key);
    if (at == std::string::npos || (at > 0 && text[at - 1] != '\n'))
      return "<none>";
    const std::size_t end = text.find('\n', at);
    return text.substr(at + key.size(), end == std::string::npos ? std::string::npos : end - at - key.size());
  }

  std::string Bin() const { return (mFolder / "bin").string(); }
  std::string Log() const { return (mFolder / "log").string(); }
  std::string Release() const { return (mFolder / "release").string(); }

private:
  std::filesystem::path mFolder;
};

// A modal wait for the tests: polls like the default wait and counts the polls; releases the stub after
// releaseAfter polls (by making the file release names) and gives up after giveUpAfter (0: never).
struct CountingWait {
  std::string release;
  int releaseAfter = 3;
  int giveUpAfter = 0;
  int polls = 0;

  bool operator()(const std::function<bool()>& done) {
    for (;;) {
      if (done())
        return true;
      ++polls;
      if (polls == releaseAfter && !release.empty())
        WriteAll(release, "");
      if (giveUpAfter > 0 && polls >= giveUpAfter)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(Platform::kModalPollMs));
    }
  }
};

} // namespace QZ::test
