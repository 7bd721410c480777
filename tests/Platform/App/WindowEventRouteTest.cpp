#include "Platform/App/WindowEventRoute.h"

#include "Platform/App/AppHost.h"
#include "Platform/Window/InputSimulator.h"
#include "Platform/Window/Window.h"
#include "Platform/Window/WindowSystem.h"
#include "Support/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

class WindowEventRouteTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mSystem.IsStarted());
    ASSERT_TRUE(mHost.InitApplication());
    WindowOptions options;
    options.clientBounds = {0, 0, 100, 80};
    mWindow = Window::Create(options);
    ASSERT_TRUE(mWindow);
    test::OffscreenWindowSystem::TakeWindowEvents();
  }
  void TearDown() override {
    mWindow.reset();
    test::OffscreenWindowSystem::TakeWindowEvents();
  }

  test::OffscreenWindowSystem mSystem;
  AppHost mHost;
  std::unique_ptr<Window> mWindow;
};

TEST_F(WindowEventRouteTest, TheHostsLoopHandsTranslatedEventsToTheSinkAndKeepsTheQuit) {
  std::vector<WindowEventKind> kinds;
  std::vector<std::string> files;
  const std::uint32_t id = RouteWindowEvents(mHost, [&](const WindowEvent& event) {
    kinds.push_back(event.kind);
    if (event.kind == WindowEventKind::kDropFiles)
      files = event.files;
  });
  {
    InputSimulator simulator;
    ASSERT_TRUE(simulator.Key(mWindow->GetId(), 0x41, true));
    ASSERT_TRUE(simulator.DropFiles(mWindow->GetId(), {"/tmp/a.pvp"}));
    ASSERT_TRUE(PostWake());
    ASSERT_TRUE(PostQuit());
    EXPECT_EQ(mHost.RunLoop({}, [] { return true; }), AppHost::kLoopQuit);
  }
  mHost.RemoveEventHandler(id);
  EXPECT_TRUE(mHost.IsQuitRequested());
  const auto count = [&](WindowEventKind kind) { return std::count(kinds.begin(), kinds.end(), kind); };
  EXPECT_EQ(count(WindowEventKind::kKey), 1);
  EXPECT_EQ(count(WindowEventKind::kDropFiles), 1);
  EXPECT_EQ(count(WindowEventKind::kWake), 1);
  EXPECT_EQ(count(WindowEventKind::kQuit), 0);
  EXPECT_EQ(files, std::vector<std::string>{"/tmp/a.pvp"});
}

} // namespace
} // namespace QZ::Platform
