#include "Platform/Dialogs/ShellOpener.h"

#include "Platform/Dialogs/ChildProgram.h"
#include "Platform/Dialogs/ModalWait.h"

#include <chrono>

#include <mutex>

namespace QZ::Platform {
namespace {

constexpr const char* kXdgOpen = "xdg-open";

class XdgOpener final : public ShellOpener {
public:
  explicit XdgOpener(int waitMs = kShellOpenWaitMs) : mWaitMs(waitMs) {}

  int Open(const std::string& target) override {
    ChildProgram child;
    if (!child.Start(kXdgOpen, {target}, false))
      return kShellOpenFailed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(mWaitMs);
    bool ended = false;
    static_cast<void>(WaitModally([&] {
      ended = child.Poll();
      return ended || std::chrono::steady_clock::now() >= deadline;
    }));
    if (!ended) {
      child.Detach();
      return kShellOpened;
    }
    return child.GetExitCode() == 0 ? kShellOpened : kShellOpenFailed;
  }

private:
  const int mWaitMs;
};

struct Installed {
  std::mutex lock;
  std::shared_ptr<ShellOpener> opener = std::make_shared<XdgOpener>();
};

Installed& GetInstalled() {
  static Installed installed;
  return installed;
}

} // namespace

std::shared_ptr<ShellOpener> MakeXdgOpener(int waitMs) { return std::make_shared<XdgOpener>(waitMs); }

std::shared_ptr<ShellOpener> SetShellOpener(std::shared_ptr<ShellOpener> opener) {
  if (!opener)
    opener = std::make_shared<XdgOpener>();
  Installed& installed = GetInstalled();
  std::lock_guard guard(installed.lock);
  installed.opener.swap(opener);
  return opener;
}

int OpenWithShell(const std::string& target) {
  std::shared_ptr<ShellOpener> opener;
  {
    Installed& installed = GetInstalled();
    std::lock_guard guard(installed.lock);
    opener = installed.opener;
  }
  return opener->Open(target);
}

} // namespace QZ::Platform
