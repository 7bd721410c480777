#include "QZFramework/Application/PaintingWait.h"

#include "Platform/App/AppHost.h"
#include "Platform/Dialogs/ModalWait.h"
#include "Platform/Window/Window.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Application/OSWindow.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace QZ {

namespace {

// The application's windows take no input while the dialog is up and get it back however the wait ends.
class DisabledWindows {
public:
  explicit DisabledWindows(LFrameworkApp& app) {
    for (std::uint32_t i = 0; i < app.GetRootWindowCount(); ++i) {
      const RCPtr<IRootWindow> root = app.GetRootWindow(i);
      auto* window = root ? dynamic_cast<OSWindow*>(root->GetWindowOSServices()) : nullptr;
      if (window && window->GetPlatformWindow().IsEnabled()) {
        window->GetPlatformWindow().SetEnabled(false);
        mIds.push_back(window->GetPlatformWindow().GetId());
      }
    }
  }
  ~DisabledWindows() {
    for (const Platform::WindowId id : mIds) {
      if (OSWindow* window = OSWindow::FromId(id))
        window->GetPlatformWindow().SetEnabled(true);
    }
  }
  DisabledWindows(const DisabledWindows&) = delete;
  DisabledWindows& operator=(const DisabledWindows&) = delete;

private:
  std::vector<Platform::WindowId> mIds;
};

// Wakes the host every poll period while it lives: the loop may otherwise sleep until an event comes, and
// a dialog that closes sends none to this process.
class PollTicker {
public:
  explicit PollTicker(Platform::AppHost& host)
      : mThread([this, &host] {
          std::unique_lock lock(mMutex);
          while (!mStop) {
            if (!mCondition.wait_for(lock, std::chrono::milliseconds(Platform::kModalPollMs),
                                     [this] { return mStop; }))
              host.Wake();
          }
        }) {}
  ~PollTicker() {
    {
      std::lock_guard guard(mMutex);
      mStop = true;
    }
    mCondition.notify_all();
    mThread.join();
  }
  PollTicker(const PollTicker&) = delete;
  PollTicker& operator=(const PollTicker&) = delete;

private:
  std::mutex mMutex;
  std::condition_variable mCondition;
  bool mStop = false; // guarded by mMutex
  std::thread mThread;
};

} // namespace

bool PaintingWait(const std::function<bool()>& done) {
  auto* app = dynamic_cast<LFrameworkApp*>(GetFrameworkApp());
  if (!app || !app->GetHost().IsStarted())
    return Platform::PollUntilDone(done);
  if (done())
    return true;
  Platform::AppHost& host = app->GetHost();
  const DisabledWindows disabled(*app);
  const OSWindow::HostRoute route(host);
  const PollTicker ticker(host);
  bool finished = false;
  const int loop = host.RunLoop(
      [](std::int32_t) {
        OSWindow::PaintPendingWindows();
        return false;
      },
      [&] { return !(finished = done()); });
  return loop != Platform::AppHost::kLoopQuit || finished;
}

Platform::WindowId GetDialogOwnerWindow() {
  auto* app = dynamic_cast<LFrameworkApp*>(GetFrameworkApp());
  if (!app)
    return Platform::kNoWindow;
  RCPtr<IRootWindow> root = app->GetActiveRootWindow();
  if (!root && app->GetRootWindowCount() > 0)
    root = app->GetRootWindow(0);
  auto* window = root ? dynamic_cast<OSWindow*>(root->GetWindowOSServices()) : nullptr;
  return window ? window->GetPlatformWindow().GetId() : Platform::kNoWindow;
}

} // namespace QZ
