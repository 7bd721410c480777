#include "Platform/Dialogs/ModalWait.h"

#include <chrono>
#include <mutex>
#include <thread>
#include <utility>

namespace QZ::Platform {
namespace {

struct Installed {
  std::mutex lock;
  ModalWait wait = PollUntilDone;
};

Installed& GetInstalled() {
  static Installed installed;
  return installed;
}

} // namespace

bool PollUntilDone(const std::function<bool()>& done) {
  while (!done())
    std::this_thread::sleep_for(std::chrono::milliseconds(kModalPollMs));
  return true;
}

ModalWait SetModalWait(ModalWait wait) {
  if (!wait)
    wait = PollUntilDone;
  Installed& installed = GetInstalled();
  std::lock_guard guard(installed.lock);
  std::swap(installed.wait, wait);
  return wait;
}

bool WaitModally(const std::function<bool()>& done) {
  ModalWait wait;
  {
    Installed& installed = GetInstalled();
    std::lock_guard guard(installed.lock);
    wait = installed.wait;
  }
  return wait(done);
}

} // namespace QZ::Platform
