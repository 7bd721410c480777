#pragma once
// What the tests that run the whole editor in process share: the user folders they give it, a listener that
// runs an action for each notification, starting the editor process and waiting for the controller's ports,
// and an action run once a modal window is open over the main window.
//
// UI thread only, like the editor.

#include "Panel/Main/Application.h"
#include "Panel/Main/ApplicationBaseWin.h"
#include "Platform/Folders/Folders.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Application/RootWindow.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/TempFolder.h"
#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

namespace QZ::test {

// The editor's configuration, data and documents folders under root, and a runtime folder of its own for the
// single-instance lock; all given back when it goes.
class ScopedEditorFolders {
public:
  explicit ScopedEditorFolders(const std::filesystem::path& root) : mRuntime(MakeTempFolder("qzr")) {
    Platform::SetFolderOverride(Platform::FolderKind::kConfigHome, (root / "config").string());
    Platform::SetFolderOverride(Platform::FolderKind::kDataHome, (root / "data").string());
    Platform::SetFolderOverride(Platform::FolderKind::kDocuments, (root / "documents").string());
  }
  ~ScopedEditorFolders() {
    Platform::SetFolderOverride(Platform::FolderKind::kConfigHome, std::nullopt);
    Platform::SetFolderOverride(Platform::FolderKind::kDataHome, std::nullopt);
    Platform::SetFolderOverride(Platform::FolderKind::kDocuments, std::nullopt);
    std::error_code ignored;
    std::filesystem::remove_all(mRuntime, ignored);
  }
  ScopedEditorFolders(const ScopedEditorFolders&) = delete;
  ScopedEditorFolders& operator=(const ScopedEditorFolders&) = delete;

  // Empty when no folder could be made.
  const std::filesystem::path& Runtime() const { return mRuntime; }

private:
  std::filesystem::path mRuntime;
};

// Counts what reaches it; runs an action for each.
class ActionListener : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    ++mCount;
    if (mAction)
      mAction(notification);
    return 0;
  }
  int mCount = 0;
  std::function<void(const RCPtr<LNotification>&)> mAction;
};

// Runs the editor's start-up steps with the options (command line and instance folder filled in here) and, for
// a MIDI backend other than "none", waits up to 10 s in idle passes until the controller's ports are open. The
// application, or null when the start failed.
inline LApplication* StartEditorProcess(std::unique_ptr<CEditorProcess>& process, SEditorOptions options,
                                        const std::filesystem::path& runtime, const char* midi) {
  options.mCommandLine = NarrowString("pellan_vorn_editor");
  options.mInstanceFolder = runtime.string();
  process = std::make_unique<CEditorProcess>(options);
  EXPECT_TRUE(process->InitApplication());
  EXPECT_TRUE(process->InitInstance());
  EXPECT_TRUE(process->StartEditor());
  LApplication* app = process->GetApplication();
  if (!app)
    return nullptr;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::string(midi) != "none" && app->GetMidiManager()->OpenDevicePorts() < 0 &&
         std::chrono::steady_clock::now() < deadline) {
    static_cast<void>(app->ProcessIdle(true));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return app;
}

// The engine's twelve program values as the bytes they hold, in order.
inline Bytes EngineRecord(LApplication& app) {
  Array<ParamValue> values;
  static_cast<void>(app.GetEngine()->GetValues({0, 12}, values, -1));
  Bytes record;
  for (std::uint32_t i = 0; i < values.GetCount(); ++i) {
    const Bytes bytes = DataOf(values.GetAt(i).value);
    record.insert(record.end(), bytes.begin(), bytes.end());
  }
  return record;
}

// Runs the action once a window opened over the main window (a modal run is under way), from an idle pass. The
// listener is the caller's to unregister from the application notification center.
inline void WhenModal(LApplication& app, RCPtr<ActionListener>& listener, std::function<void(OSWindow&)> action) {
  listener = MakeRCPtr<ActionListener>();
  ActionListener* self = listener.Get();
  listener->mAction = [self, &app, action = std::move(action)](const RCPtr<LNotification>&) {
    const RCPtr<IRootWindow> root = app.GetRootWindow(1);
    auto* window = root ? dynamic_cast<OSWindow*>(root->GetWindowOSServices()) : nullptr;
    if (window) {
      action(*window);
      return;
    }
    if (self->mCount < 100)
      static_cast<void>(GetApplicationNotificationCenter()->Post(LNotification::Create(u"TEST_WHEN_MODAL")));
  };
  GetApplicationNotificationCenter()->RegisterClient(RCPtr<LNotificationReceiver>(listener), u"TEST_WHEN_MODAL");
  static_cast<void>(GetApplicationNotificationCenter()->Post(LNotification::Create(u"TEST_WHEN_MODAL")));
}

} // namespace QZ::test
