// The editor's splash window during its start-up, under the offscreen driver (the splash screen's fake), with a
// test picture embedded as "Test Splash.png" (TEST_SPLASH_PNG, 40 x 30).

#include "Panel/Main/ApplicationBaseWin.h"

#include "Platform/App/FakeMessageBox.h"
#include "Platform/Folders/Folders.h"
#include "Platform/Splash/FakeSplash.h"
#include "QZFramework/Application/OSWindow.h"
#include "Support/TempFolder.h"
#include "Support/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace QZ {
namespace {

using Platform::FakeSplashLog;
using Platform::FakeSplashWindow;

constexpr const char16_t* kTestSplashName = u"Test Splash.png";

class EditorSplashTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mSystem.IsStarted());
    ::setenv("PELLAN_VORN_MIDI", "none", 1);
    Platform::SetFolderOverride(Platform::FolderKind::kConfigHome, (mTemp.Path() / "config").string());
    Platform::SetFolderOverride(Platform::FolderKind::kDataHome, (mTemp.Path() / "data").string());
    Platform::SetFolderOverride(Platform::FolderKind::kDocuments, (mTemp.Path() / "documents").string());
    mRuntime = test::MakeTempFolder("qzs");
    ASSERT_FALSE(mRuntime.empty());
    FakeSplashLog::Reset();
  }
  void TearDown() override {
    FakeSplashLog::Reset();
    Platform::SetFolderOverride(Platform::FolderKind::kConfigHome, std::nullopt);
    Platform::SetFolderOverride(Platform::FolderKind::kDataHome, std::nullopt);
    Platform::SetFolderOverride(Platform::FolderKind::kDocuments, std::nullopt);
    test::OffscreenWindowSystem::TakeWindowEvents();
    std::error_code ignored;
    std::filesystem::remove_all(mRuntime, ignored);
  }

  SEditorOptions Options(const char16_t* splashName) const {
    SEditorOptions options;
    options.mCommandLine = NarrowString("pellan_vorn_editor");
    options.mEnvironment.mScreenDpi = 96;
    options.mInstanceFolder = mRuntime.string();
    options.mSplashImageName = WideString(splashName);
    return options;
  }

  test::OffscreenWindowSystem mSystem;
  test::TempFolder mTemp;
  std::filesystem::path mRuntime;
  Platform::ScopedFakeMessageBox mBoxes;
};

TEST_F(EditorSplashTest, APictureShowsFromTheStartUntilTheMainWindowShows) {
  CEditorProcess process(Options(kTestSplashName));
  ASSERT_TRUE(process.InitApplication());
  ASSERT_TRUE(process.GetSplash());
  EXPECT_TRUE(process.GetSplash()->IsRunning());
  std::vector<FakeSplashWindow> windows = FakeSplashLog::GetWindows();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_TRUE(windows[0].shown);
  EXPECT_EQ(windows[0].placement.width, 40);
  EXPECT_EQ(windows[0].placement.height, 30);
  EXPECT_EQ(windows[0].placement.x, (1280 - 40) / 2); // the fake's work area
  EXPECT_EQ(windows[0].placement.y, (1024 - 30) / 2);

  ASSERT_TRUE(process.InitInstance());
  ASSERT_TRUE(process.StartEditor());
  EXPECT_FALSE(process.GetSplash());
  ASSERT_TRUE(process.GetApplication()->GetMainWindow());
  windows = FakeSplashLog::GetWindows();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_TRUE(windows[0].destroyed);
  // Its last frame: the bar at its end (36 pixels inside the frame of a 38-pixel bar).
  const RectT<std::int32_t> bar = GetSplashBarRect(40, 30);
  ASSERT_FALSE(windows[0].frames.empty());
  const Platform::FakeSplashFrame& last = windows[0].frames.back();
  EXPECT_EQ(last.GetPixel(bar.x + bar.width - 2, bar.y + 8), kSplashBarDefaultFillColor);
  process.ShutDown();
}

TEST_F(EditorSplashTest, WithoutThePictureNoSplashShows) {
  // The program's own name: the tests, like the program, hold no such picture.
  CEditorProcess process(Options(kSplashImageName));
  ASSERT_TRUE(process.InitApplication());
  EXPECT_FALSE(process.GetSplash());
  ASSERT_TRUE(process.InitInstance());
  ASSERT_TRUE(process.StartEditor());
  process.StopSplash(); // nothing to stop
  EXPECT_TRUE(FakeSplashLog::GetWindows().empty());
  process.ShutDown();
}

TEST_F(EditorSplashTest, AStartupFailureStopsTheSplash) {
  const std::filesystem::path empty = mTemp.Path() / "empty";
  std::filesystem::create_directories(empty);
  SEditorOptions options = Options(kTestSplashName);
  options.mResourceFolder.AssignNarrow(empty.string().c_str());
  CEditorProcess process(std::move(options));
  EXPECT_EQ(process.Execute(), kExitCodeStartupFailed);
  EXPECT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_FALSE(process.GetSplash());
  const std::vector<FakeSplashWindow> windows = FakeSplashLog::GetWindows();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_TRUE(windows[0].destroyed);
}

} // namespace
} // namespace QZ
