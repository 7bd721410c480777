#pragma once
// Hands a path or an address to the desktop's opener, which starts the program the user chose for it. In
// production it is xdg-open: an exit of 0 is success; any other exit, or a missing xdg-open, is a failure.
// An opener that is still busy after a short wait (some hand the file to a program and wait for it) counts
// as having opened it; it runs on and is collected when it ends. The wait is a modal wait (ModalWait.h): the
// application's windows keep painting through it.
//
// One opener serves the process: the one installed last, or xdg-open. Tests install a FakeShellOpener.
// Openers are used on the UI thread; installing one is safe from any thread.

#include <memory>
#include <string>

namespace QZ::Platform {

// Answers of Open.
inline constexpr int kShellOpened = 0;
inline constexpr int kShellOpenFailed = -1;

class ShellOpener {
public:
  ShellOpener() = default;
  ShellOpener(const ShellOpener&) = delete;
  ShellOpener& operator=(const ShellOpener&) = delete;
  virtual ~ShellOpener() = default;

  // target in UTF-8. kShellOpened or kShellOpenFailed.
  virtual int Open(const std::string& target) = 0;
};

// How long xdg-open may take before it counts as having opened the target. A refusal (nothing associated,
// no such file) comes well within it; the windows take no input meanwhile, so it is kept short.
inline constexpr int kShellOpenWaitMs = 2000;

// The xdg-open opener with another wait; tests give it a long one, so that a refusal is told from a busy opener
// whatever the machine's load.
std::shared_ptr<ShellOpener> MakeXdgOpener(int waitMs);

// Installs an opener (null: xdg-open) and returns the one it replaces.
std::shared_ptr<ShellOpener> SetShellOpener(std::shared_ptr<ShellOpener> opener);
// Opens through the installed opener.
int OpenWithShell(const std::string& target);

} // namespace QZ::Platform
