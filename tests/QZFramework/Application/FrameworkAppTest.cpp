#include "QZFramework/Application/FrameworkApp.h"

#include "Platform/App/AppHost.h"
#include "Platform/App/FakeMessageBox.h"
#include "Platform/Input/FakeKeyState.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/IniFileManager.h"
#include "Support/FakeRootWindow.h"
#include "Support/NotificationTestSupport.h"
#include "Support/TempFolder.h"
#include "Support/TestFrameworkApp.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <cstdlib>
#include <cstdint>
#include <deque>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::FakeRootWindow;
using test::FakeWindowOSServices;
using test::LoggingClient;
using test::TestFrameworkApp;

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Two top-level skins; the first names its own font, the second only a size.
const std::string kTwoSkins = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                              "<Veskor_Skin_Definitions><Application Name=\"App\"><Skins>"
                              "<Skin Name=\"A\" FontName=\"Skin Face\" FontSize=\"11\"></Skin>"
                              "<Skin Name=\"B\" FontSize=\"14\"></Skin>"
                              "</Skins></Application></Veskor_Skin_Definitions>";
// The application's string table with one global hot key.
const std::string kAppStrings = "<r><StringTable ID=\"|App\">"
                                "<String ID=\"GHK.NID_OPEN\"><Locale LCID=\"9\">Ctrl+VKEY_O</Locale></String>"
                                "</StringTable></r>";

RCPtr<LStringTable> FrameworkStrings() {
  LStringTable::Entries entries;
  entries[WideString(u"STARTUP_ERROR")] =
      WideString(u"The application encountered problems during startup and will now close.");
  entries[WideString(u"STARTUP_ERROR_CAPTION")] = WideString(u"Error");
  return MakeRCPtr<LStringTable>(entries);
}

class FrameworkAppTest : public ::testing::Test {
protected:
  void SetUp() override {
    mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
    ASSERT_EQ(mFactory->LoadSkinsFromText(Bytes(kTwoSkins)), S_OK);
    mFactory->LoadStringTablesFromText(Bytes(kAppStrings), Bytes(std::string()), 0x0409);
    mApp = MakeRCPtr<TestFrameworkApp>(mFactory, FrameworkStrings(), mHost);
  }
  void TearDown() override {
    mWindows.clear();
    mNatives.clear();
    mApp = RCPtr<TestFrameworkApp>();
    EXPECT_EQ(GetFrameworkApp(), nullptr);
  }

  // Root windows named w0, w1, ... logging into mLog, added to the application.
  void AddWindows(int count) {
    for (int i = 0; i < count; ++i) {
      auto window = MakeRCPtr<FakeRootWindow>(&mNatives.emplace_back());
      window->mName = "w" + std::to_string(mWindows.size());
      window->mLog = &mLog;
      EXPECT_EQ(mApp->AddRootWindow(window), static_cast<std::int32_t>(mWindows.size()));
      mWindows.push_back(window);
    }
  }

  Platform::AppHost mHost;
  Platform::ScopedFakeMessageBox mBoxes;
  RCPtr<LControlFactory> mFactory;
  RCPtr<TestFrameworkApp> mApp;
  std::deque<FakeWindowOSServices> mNatives; // stable addresses; mNatives[i] is window i's
  std::vector<RCPtr<FakeRootWindow>> mWindows;
  std::vector<std::string> mLog;
};

TEST_F(FrameworkAppTest, ConstructionRegistersTheApplicationAndAimsTheHotKeysAtTheApplicationCenter) {
  EXPECT_EQ(GetFrameworkApp(), mApp.Get());
  EXPECT_FALSE(mApp->IsExitRequested());
  EXPECT_FALSE(mApp->GetClipboard()->IsInitialized());
  EXPECT_EQ(mApp->GetControlFactory(), mFactory.Get());
  ASSERT_TRUE(mApp->GetApplicationStringTable());
  ASSERT_EQ(mApp->RunApplicationStartup(), S_OK);
  EXPECT_TRUE(mApp->GetClipboard()->IsInitialized());

  // The "GHK" entry is bound; the fired key is queued on the application
  // center and delivered in the next idle pass (with the key as payload).
  std::vector<std::string> log;
  auto client = MakeRCPtr<LoggingClient>("client", &log);
  client->Subscribe(RCPtr<LNotificationDistributor>(GetApplicationNotificationCenter().GetRaw()), u"NID_OPEN");
  EXPECT_EQ(mApp->GetGlobalHotKeyManager()->ProcessKey(KeyCode::Parse(WideString(u"Ctrl+VKEY_O"))), 0);
  EXPECT_TRUE(log.empty());
  mApp->ProcessIdle(false);
  EXPECT_EQ(log, (std::vector<std::string>{"client:NID_OPEN:-1"}));
  client->UnsubscribeAll();
}

TEST_F(FrameworkAppTest, IdlePassRunsTheCentersThenEveryRootWindowFromTheLast) {
  AddWindows(3);
  std::vector<std::string>& log = mLog;
  auto client = MakeRCPtr<LoggingClient>("center", &log);
  const RCPtr<LNotificationDistributor> center(GetApplicationNotificationCenter().GetRaw());
  client->Subscribe(center, u"NID_IDLE");
  client->Subscribe(center, u"NID_POSTED");
  GetApplicationNotificationCenter()->Post(LNotification::Create(u"NID_POSTED"));

  // Every window runs even when an earlier one reported work.
  mWindows[2]->mMoreWork = true;
  EXPECT_TRUE(mApp->ProcessIdle(true));
  EXPECT_EQ(log,
            (std::vector<std::string>{"center:NID_POSTED", "center:NID_IDLE", "w2.idle", "w1.idle", "w0.idle"}));

  log.clear();
  mWindows[2]->mMoreWork = false;
  EXPECT_FALSE(mApp->ProcessIdle(false));
  EXPECT_EQ(log, (std::vector<std::string>{"w2.idle", "w1.idle", "w0.idle"}));
  EXPECT_EQ(mWindows[0]->mIdleCalls, (std::vector<bool>{true, false}));
  client->UnsubscribeAll();
}

// The platform's idle calls of one idle period: counts 0, 1, 2, ... while the
// handler asks for more.
int RunIdlePeriod(LFrameworkApp& app) {
  int passes = 0;
  while (app.OnPlatformIdle(passes) && passes < 100)
    ++passes;
  return passes + 1;
}

TEST_F(FrameworkAppTest, AnIdlePeriodHasAtMostThreePassesAndOneIdleNotification) {
  AddWindows(1);
  struct Case {
    const char* name;
    bool moreWork;
    int passes;
  };
  for (const Case& c : {Case{"work remains", true, 3}, Case{"no work", false, 1}}) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> log;
    auto client = MakeRCPtr<LoggingClient>("idle", &log);
    client->Subscribe(RCPtr<LNotificationDistributor>(mWindows[0].Get()), u"NID_IDLE");
    mWindows[0]->mMoreWork = c.moreWork;
    mWindows[0]->mIdleCalls.clear();
    EXPECT_EQ(RunIdlePeriod(*mApp), c.passes);
    EXPECT_EQ(mWindows[0]->mIdleCalls.size(), static_cast<std::size_t>(c.passes));
    EXPECT_EQ(log, (std::vector<std::string>{"idle:NID_IDLE"}));
    client->UnsubscribeAll();
  }

  // Once the exit is requested there are no more passes.
  mApp->Receive(RCPtr<LNotificationDistributor>(), LNotification::Create(kNidAppExitRequest));
  mWindows[0]->mIdleCalls.clear();
  EXPECT_FALSE(mApp->OnPlatformIdle(0));
  EXPECT_TRUE(mWindows[0]->mIdleCalls.empty());
}

TEST_F(FrameworkAppTest, TheExitRequestClosesEveryWindowButTheMainOneFromTheLast) {
  struct Case {
    int windows;
    std::vector<std::string> closed;
  };
  for (const Case& c : {Case{0, {}}, Case{1, {}}, Case{3, {"w2.close(0)", "w1.close(0)"}}}) {
    SCOPED_TRACE(c.windows);
    TearDown();
    mLog.clear();
    SetUp();
    AddWindows(c.windows);
    // Delivered the way the application subscribes it: through the center in
    // an idle pass.
    mApp->Subscribe(RCPtr<LNotificationDistributor>(GetApplicationNotificationCenter().GetRaw()),
                    kNidAppExitRequest);
    GetApplicationNotificationCenter()->Post(LNotification::Create(kNidAppExitRequest));
    EXPECT_FALSE(mApp->IsExitRequested());
    mApp->ProcessIdle(false);
    EXPECT_TRUE(mApp->IsExitRequested());
    std::vector<std::string> closed;
    for (const std::string& entry : mLog)
      if (entry.find(".close") != std::string::npos)
        closed.push_back(entry);
    EXPECT_EQ(closed, c.closed);
  }
  // Other identifiers are ignored.
  TearDown();
  SetUp();
  mApp->Receive(RCPtr<LNotificationDistributor>(), LNotification::Create(u"NID_OTHER"));
  EXPECT_FALSE(mApp->IsExitRequested());
}

TEST_F(FrameworkAppTest, RunRepaintsTheMainWindowAndRunsTheLoopBetweenTwoIdlePasses) {
  AddWindows(2);
  mApp->mLoop = [this] {
    mLog.push_back("loop");
    return 0;
  };
  EXPECT_FALSE(mApp->Run());
  EXPECT_EQ(mLog, (std::vector<std::string>{"w0.redraw", "w1.idle", "w0.idle", "loop", "w1.idle", "w0.idle"}));
  EXPECT_TRUE(mBoxes->mShown.empty());
}

TEST_F(FrameworkAppTest, AnExceptionOutOfTheLoopShowsTheStartupErrorOnceAndRequestsTheExit) {
  mApp->Subscribe(RCPtr<LNotificationDistributor>(GetApplicationNotificationCenter().GetRaw()),
                  kNidAppExitRequest);
  for (const bool standard : {true, false}) {
    SCOPED_TRACE(standard);
    mBoxes->mShown.clear();
    mApp->mLoop = [standard]() -> std::int32_t {
      if (standard)
        throw std::runtime_error("loop failed");
      throw 42;
    };
    // No root window: no repaint, and Run still returns after its last pass.
    EXPECT_FALSE(mApp->Run());
    ASSERT_EQ(mBoxes->mShown.size(), 1u);
    EXPECT_EQ(mBoxes->mShown[0].text, "The application encountered problems during startup and will now close.");
    EXPECT_EQ(mBoxes->mShown[0].caption, "Error");
    EXPECT_EQ(mBoxes->mShown[0].style, 0x10u);
    EXPECT_TRUE(mApp->IsExitRequested());
  }
}

TEST_F(FrameworkAppTest, TheDefaultLoopIsTheHostsAndEndsOnAQuitRequest) {
  ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (!mHost.InitApplication())
    GTEST_SKIP() << "SDL could not start";
  mHost.SetWaitTime(1);
  AddWindows(1);
  int passes = 0;
  auto client = MakeRCPtr<LoggingClient>("idle", nullptr);
  client->hook = [&](LoggingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
    if (++passes == 3)
      mHost.PostQuit(5);
  };
  client->Subscribe(RCPtr<LNotificationDistributor>(mWindows[0].Get()), u"NID_IDLE");
  EXPECT_EQ(mApp->RunMessageLoop(), Platform::AppHost::kLoopQuit);
  EXPECT_EQ(passes, 3);
  client->UnsubscribeAll();
}

// The loop's wait: at once while the last pass left work, the host's fixed wait while a control of a root window
// asks for idle passes (its timers), else until something happens.
TEST_F(FrameworkAppTest, TheLoopWaitsForTheNextDueIdleWork) {
  AddWindows(2);
  mHost.SetWaitTime(40);
  EXPECT_EQ(mApp->GetIdleWaitTime(), Platform::AppHost::kWaitForever) << "nothing due";

  auto control = MakeRCPtr<LoggingClient>("control", nullptr);
  control->Subscribe(RCPtr<LNotificationDistributor>(mWindows[1].Get()), u"NID_IDLE");
  EXPECT_EQ(mApp->GetIdleWaitTime(), 40u) << "a control's timer";
  auto center = MakeRCPtr<LoggingClient>("center", nullptr);
  center->Subscribe(RCPtr<LNotificationDistributor>(GetApplicationNotificationCenter().GetRaw()), u"NID_IDLE");
  control->UnsubscribeAll();
  EXPECT_EQ(mApp->GetIdleWaitTime(), Platform::AppHost::kWaitForever) << "a center's idle needs no period";

  mWindows[0]->mMoreWork = true;
  (void)mApp->ProcessIdle(false);
  EXPECT_EQ(mApp->GetIdleWaitTime(), 0u) << "work left";
  mWindows[0]->mMoreWork = false;
  (void)mApp->ProcessIdle(false);
  EXPECT_EQ(mApp->GetIdleWaitTime(), Platform::AppHost::kWaitForever);

  mApp->SetIdlePollInterval(250);
  EXPECT_EQ(mApp->GetIdleWaitTime(), 250u) << "polled work";
  control->Subscribe(RCPtr<LNotificationDistributor>(mWindows[1].Get()), u"NID_IDLE");
  EXPECT_EQ(mApp->GetIdleWaitTime(), 40u) << "the sooner of the two";
  control->UnsubscribeAll();
  mApp->SetIdlePollInterval(0);
  center->UnsubscribeAll();
}

// A quiet loop sleeps: no idle period comes until a worker thread posts to the application center, and that post
// wakes it (nothing else would: a quiet loop waits without a time limit).
TEST_F(FrameworkAppTest, AQuietLoopSleepsUntilAWorkersPostWakesIt) {
  ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (!mHost.InitApplication())
    GTEST_SKIP() << "SDL could not start";
  AddWindows(1);
  const RCPtr<LNotificationDistributor> center(GetApplicationNotificationCenter().GetRaw());
  std::atomic<int> periods{0};
  auto idle = MakeRCPtr<LoggingClient>("idle", nullptr);
  idle->hook = [&](LoggingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
    ++periods;
  };
  idle->Subscribe(center, u"NID_IDLE");
  bool delivered = false;
  auto work = MakeRCPtr<LoggingClient>("work", nullptr);
  work->hook = [&](LoggingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
    delivered = true;
    mHost.PostQuit(7);
  };
  work->Subscribe(center, u"NID_WORK");
  int periodsBeforePost = -1;
  std::thread worker([&] {
    // A quiet time in which the loop has nothing to do.
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    periodsBeforePost = periods.load();
    (void)GetApplicationNotificationCenter()->Post(LNotification::Create(u"NID_WORK"));
  });
  // Should the post not wake the loop, this ends it, long after any loaded machine would have delivered it.
  std::atomic<bool> watchdogFired{false};
  std::thread watchdog([&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!mHost.IsQuitRequested()) {
      if (std::chrono::steady_clock::now() >= deadline) {
        watchdogFired = true;
        mHost.PostQuit(99);
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  EXPECT_EQ(mApp->RunMessageLoop(), Platform::AppHost::kLoopQuit);
  worker.join();
  watchdog.join();
  EXPECT_LE(periodsBeforePost, 3) << "idle periods in 400 ms of nothing to do";
  EXPECT_TRUE(delivered) << "the post was not delivered";
  EXPECT_FALSE(watchdogFired) << "the post did not wake the loop";
  idle->UnsubscribeAll();
  work->UnsubscribeAll();
}

class SkinTest : public FrameworkAppTest {
protected:
  void SetUp() override {
    FrameworkAppTest::SetUp();
    ASSERT_FALSE(mFolder.Path().empty());
    mSettings = MakeRCPtr<LIniFileManager>(1);
    ASSERT_EQ(mSettings->Reserved(0), kIniFileOk);
    ASSERT_EQ(mSettings->OpenFile(WideString(mFolder.File("UserSettings.ini").c_str()), WideString(u"1_0_0"),
                                  WideString(u"App"), mFile),
              kIniFileOk);
    mApp->mSettings = mSettings.Get();
    mApp->mUserFile = mFile;
  }
  void Store(std::int32_t index) { mSettings->SetInt(mFile, WideString(kSettingCurrentSkinIndex), index); }
  std::int32_t Stored() {
    std::int32_t value = -99;
    mSettings->GetInt(mFile, WideString(kSettingCurrentSkinIndex), -99, value);
    return value;
  }

  test::TempFolder mFolder;
  RCPtr<LIniFileManager> mSettings;
  IniFileHandle mFile = 0;
};

TEST_F(SkinTest, StartUpSelectsTheStoredSkinWithinTheSkinsThereAre) {
  struct Case {
    const char* name;
    bool fileOpen;
    std::int32_t stored;
    std::int32_t selected;
  };
  const Case cases[] = {
      {"no settings file", false, 1, 0}, {"first", true, 0, 0},     {"second", true, 1, 1},
      {"beyond the last", true, 7, 1},   {"negative", true, -3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store(c.stored);
    mApp->mUserFile = c.fileOpen ? mFile : 0;
    ASSERT_EQ(mFactory->SetCurrentSkinIndex(1 - c.selected), S_OK);
    EXPECT_EQ(mApp->RunApplicationStartup(), S_OK);
    EXPECT_EQ(mFactory->GetCurrentSkinIndex(), c.selected);
    // Stored back only with the file open.
    EXPECT_EQ(Stored(), c.fileOpen ? c.selected : c.stored);
  }
}

TEST_F(SkinTest, StartUpWithoutAnySkinFails) {
  TearDown();
  mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
  mApp = MakeRCPtr<TestFrameworkApp>(mFactory, FrameworkStrings(), mHost);
  mApp->mSettings = mSettings.Get();
  mApp->mUserFile = mFile;
  Store(0);
  EXPECT_EQ(mApp->RunApplicationStartup(), E_FAIL);
  EXPECT_EQ(mApp->SetSkin(-1), E_INVALIDARG);
  EXPECT_EQ(Stored(), 0);
}

TEST_F(SkinTest, TheSkinFontReplacesTheSystemFontPartByPart) {
  ASSERT_EQ(mApp->SetSkin(0), S_OK);
  EXPECT_TRUE(mApp->GetDefaultFont()->GetFace().IsEqual(u"Skin Face"));
  EXPECT_EQ(mApp->GetDefaultFont()->GetSize(), 11.0f);
  ASSERT_EQ(mApp->SetSkin(1), S_OK);
  EXPECT_TRUE(mApp->GetDefaultFont()->GetFace().IsEqual(u"DejaVu Sans"));
  EXPECT_EQ(mApp->GetDefaultFont()->GetSize(), 14.0f);
  EXPECT_EQ(Stored(), 1);

  // An index without a skin changes nothing.
  EXPECT_EQ(mApp->SetSkin(2), E_INVALIDARG);
  EXPECT_EQ(mFactory->GetCurrentSkinIndex(), 1);
  EXPECT_EQ(Stored(), 1);
}

TEST_F(SkinTest, ASystemFontFailureRaisesAndFailsTheStartUp) {
  mApp->mSystemFontResult = E_FAIL;
  EXPECT_EQ(
      test::ThrownText<FailedResultException>([&] { (void)mApp->SetSkin(0); }),
      "Failed Result : QZRESULT = 80004005 : QZ::LFrameworkApp::SetSkin : Application\\FrameworkApp : Line 234");
  EXPECT_EQ(mApp->RunApplicationStartup(), E_FAIL);
}

TEST_F(SkinTest, EveryWindowIsRebuiltAndOnlyTheActiveOneLosesAndRegainsTheFocus) {
  AddWindows(2);
  mNatives[1].mActive = true;
  mWindows[0]->mBounds = {10, 20, 300, 200};
  ASSERT_EQ(mApp->SetSkin(1), S_OK);
  EXPECT_EQ(mLog, (std::vector<std::string>{"w0.bounds", "w0.invalidate", "w1.focusLost", "w1.bounds",
                                            "w1.invalidate", "w1.restoreFocus"}));
  ASSERT_EQ(mWindows[0]->mInvalidated.size(), 1u);
  EXPECT_EQ(mWindows[0]->mInvalidated[0], (RectT<std::int32_t>{0, 0, 300, 200}));
}

TEST_F(FrameworkAppTest, RootWindowListAndTheActiveWindow) {
  EXPECT_FALSE(mApp->GetActiveRootWindow());
  EXPECT_FALSE(mApp->GetRenderer());
  AddWindows(3);
  // Adding a listed window gives its index and changes nothing.
  EXPECT_EQ(mApp->AddRootWindow(mWindows[1]), 1);
  EXPECT_EQ(mApp->GetRootWindowCount(), 3u);
  EXPECT_EQ(mApp->AddRootWindow(RCPtr<IRootWindow>()), -1);

  // The last active window, searched from the last.
  mNatives[0].mActive = true;
  mNatives[1].mActive = true;
  EXPECT_EQ(mApp->GetActiveRootWindow().Get(), mWindows[1].Get());

  EXPECT_EQ(mApp->RemoveRootWindow(mWindows[1]), S_OK);
  EXPECT_EQ(mApp->RemoveRootWindow(mWindows[1]), -1);
  EXPECT_EQ(mApp->GetRootWindowCount(), 2u);
  EXPECT_EQ(mApp->IndexOfRootWindow(mWindows[2]), 1);
  EXPECT_EQ(mApp->GetActiveRootWindow().Get(), mWindows[0].Get());
  // The main window stays first while it lives.
  EXPECT_EQ(mApp->GetRootWindow(0).Get(), mWindows[0].Get());
}

TEST_F(FrameworkAppTest, MouseStateAndCursorComeFromTheActiveWindowElseFromThePlatform) {
  AddWindows(1);
  Platform::ScopedFakeKeyState keys;
  keys->SetDown(0x01, true); // left
  keys->SetDown(0x02, true); // right
  EXPECT_EQ(mApp->GetMouseButtonState(), 1u | 4u);
  keys->SetDown(0x02, false);
  keys->SetDown(0x04, true); // middle
  EXPECT_EQ(mApp->GetMouseButtonState(), 1u | 2u);

  mNatives[0].mActive = true;
  mNatives[0].mClientOrigin = {100, 50};
  mWindows[0]->mButtons = 4;
  mWindows[0]->mCursor = {7, 8};
  EXPECT_EQ(mApp->GetMouseButtonState(), 4u);
  EXPECT_EQ(mApp->GetCursorPosition(), (PointT<std::int32_t>{107, 58}));
}

TEST_F(FrameworkAppTest, ThereIsNoStatusBar) {
  AddWindows(1);
  EXPECT_EQ(mApp->SetStatusText(WideString(u"Loading Skin..."), true), E_FAIL);
  EXPECT_EQ(mApp->RefreshStatusText(false), E_FAIL);
}

TEST_F(FrameworkAppTest, ShutdownReleasesTheFactoryTheHotKeysAndTheClipboard) {
  ASSERT_EQ(mApp->RunApplicationStartup(), S_OK);
  EXPECT_EQ(mApp->RunApplicationShutdown(), S_OK);
  EXPECT_EQ(mApp->GetControlFactory(), nullptr);
  EXPECT_FALSE(mApp->GetGlobalHotKeyManager());
  EXPECT_FALSE(mApp->GetClipboard());
}

TEST_F(FrameworkAppTest, DestructionLeavesEverySubscriptionAndTheNotificationCenters) {
  ASSERT_EQ(mApp->RunApplicationStartup(), S_OK);
  const RCPtr<LNotificationCenter> center = GetApplicationNotificationCenter();
  mApp->Subscribe(RCPtr<LNotificationDistributor>(center.GetRaw()), kNidAppExitRequest);
  mApp = RCPtr<TestFrameworkApp>();
  EXPECT_EQ(GetFrameworkApp(), nullptr);
  // The manager went with the application: the center we kept is no longer its.
  EXPECT_NE(GetApplicationNotificationCenter().Get(), center.Get());
  LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
  // Nobody is left subscribed: posting to the kept center reaches no one.
  EXPECT_EQ(center->Notify(LNotification::Create(kNidAppExitRequest)), kNotifyNothingDone);
}

TEST(CursorNames, TheDefaultIsTheArrowAndEveryNameIsDistinct) {
  EXPECT_EQ(kCursorNames.size(), 22u);
  EXPECT_EQ(std::u16string_view(kCursorDefault), u"UI_CURSOR_ARROW");
  for (std::size_t i = 0; i < kCursorNames.size(); ++i) {
    EXPECT_EQ(std::u16string_view(kCursorNames[i]).substr(0, 10), u"UI_CURSOR_");
    for (std::size_t j = i + 1; j < kCursorNames.size(); ++j)
      EXPECT_NE(std::u16string_view(kCursorNames[i]), std::u16string_view(kCursorNames[j]));
  }
  EXPECT_EQ(GetCursorID(WideString(kCursorArrow)), 0u); // no application
}

} // namespace
} // namespace QZ
