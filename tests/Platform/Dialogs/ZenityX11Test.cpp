// The real zenity's file chooser over an owner window, under a window manager (openbox), looked at with xprop and
// clicked at with xdotool as a user would: zenity's file selection takes no parent from --attach, and the
// chooser is made its owner's modal dialog once it shows, so that a click on the owner leaves it above.
// CTest runs this group under xvfb-run (the entry qz_platform_dialogs_x11) with QZ_ZENITY_X11_TESTS=1; anywhere
// else it skips itself, and it skips where zenity, xdotool, xprop or openbox is missing.

#include "Platform/Dialogs/FileChooser.h"
#include "Platform/Window/Window.h"
#include "Platform/Window/WindowSystem.h"

#include "Support/RealZenity.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace QZ::Platform {
namespace {

class ZenityX11Test : public ::testing::Test {
protected:
  void SetUp() override {
    const char* wanted = std::getenv("QZ_ZENITY_X11_TESTS");
    if (wanted == nullptr || std::string_view(wanted) != "1")
      GTEST_SKIP() << "runs under xvfb-run only (the CTest entry qz_platform_dialogs_x11)";
    const std::string missing = test::MissingProgram({"zenity", "xdotool", "xprop", "openbox"});
    if (!missing.empty())
      GTEST_SKIP() << missing << " is not installed";
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(StartWindowSystem()) << GetWindowSystemError();
    mStarted = true;
    mManager = std::make_unique<test::ScopedWindowManager>();
    ASSERT_TRUE(mManager->IsUp()) << "openbox did not come up";
    mPreviousChooser = SetFileChooser(nullptr); // zenity itself
  }
  void TearDown() override {
    if (!mStarted)
      return;
    if (mManager)
      SetFileChooser(mPreviousChooser);
    mOwner.reset();
    mManager.reset();
    StopWindowSystem();
  }

  // Takes the window events there are; whether one satisfied found.
  bool Pump(const std::function<bool(const WindowEvent&)>& found = {}) {
    bool seen = false;
    WaitForWindowEvent(10);
    WindowEvent event;
    while (PollWindowEvent(event))
      seen = seen || (found && found(event));
    return seen;
  }

  bool mStarted = false;
  test::TempFolder mTemp;
  std::unique_ptr<test::ScopedWindowManager> mManager;
  std::unique_ptr<Window> mOwner;
  std::shared_ptr<FileChooser> mPreviousChooser;
};

TEST_F(ZenityX11Test, TheChooserIsItsOwnersDialogAndStaysAboveItWhenTheOwnerIsClicked) {
  mOwner = Window::Create({"owner", {0, 0, 300, 200}, false, true});
  ASSERT_TRUE(mOwner) << GetWindowSystemError();
  const std::uint64_t owner = mOwner->GetSystemWindowId();
  ASSERT_NE(owner, 0u);
  ASSERT_TRUE(test::WaitUntil([&] { return mOwner->GetFrame().top > 0; }, [&] { Pump(); }))
      << "the owner was not framed by the window manager";

  FileChooserRequest request;
  request.title = "Chooser over its owner";
  request.folder = mTemp.Path().string();
  request.owner = mOwner->GetId();
  const std::unique_ptr<PendingFileChoice> choice = StartFileChooser(request);
  FileChooserAnswer answer;
  bool closed = false;
  // The editor's wait: the choice is polled (and the owner's events taken) all along.
  const auto poll = [&] {
    closed = closed || choice->Poll(answer);
    Pump();
  };

  std::uint64_t chooser = 0;
  ASSERT_TRUE(test::WaitUntil([&] { return (chooser = test::FindWindowTitled(request.title)) != 0; }, poll))
      << "the chooser did not show";
  EXPECT_TRUE(test::WaitUntil(
      [&] { return test::WindowProperty(chooser, "WM_TRANSIENT_FOR") == std::vector<std::uint64_t>{owner}; },
      poll))
      << "the chooser is not transient for its owner";
  EXPECT_NE(
      test::ToolOutput("xprop", {"-id", std::to_string(chooser), "_NET_WM_STATE"}).find("_NET_WM_STATE_MODAL"),
      std::string::npos);
  ASSERT_FALSE(closed) << answer.error;

  // The user clicks the owner where the chooser does not cover it. The window manager raises the owner (with its
  // dialogs) before it hands the click on: once the owner has the click, the stacking is the one to judge.
  const std::string geometry =
      test::ToolOutput("xdotool", {"getwindowgeometry", "--shell", std::to_string(chooser)});
  const auto value = [&](const std::string& name) {
    const std::size_t at = geometry.find(name + "=");
    return at == std::string::npos ? -1 : std::atoi(geometry.c_str() + at + name.size() + 1);
  };
  const WindowRect client = mOwner->GetClientBounds();
  const std::int32_t x = client.x + 10;
  const std::int32_t y = client.y + 10;
  ASSERT_GT(value("WIDTH"), 0) << geometry;
  ASSERT_FALSE(x >= value("X") && x < value("X") + value("WIDTH") && y >= value("Y") &&
               y < value("Y") + value("HEIGHT"))
      << "the chooser covers the owner's corner: " << geometry;
  ASSERT_TRUE(test::RunTool("xdotool", {"mousemove", std::to_string(x), std::to_string(y), "click", "1"}));
  bool clicked = false;
  EXPECT_TRUE(test::WaitUntil([&] { return clicked; },
                              [&] {
                                closed = closed || choice->Poll(answer);
                                clicked = Pump([&](const WindowEvent& e) {
                                            return e.kind == WindowEventKind::kMouseButton &&
                                                   e.window == mOwner->GetId();
                                          }) ||
                                          clicked;
                              }))
      << "the click did not reach the owner";
  // Bottom to top.
  const std::vector<std::uint64_t> stacking = test::WindowProperty(0, "_NET_CLIENT_LIST_STACKING");
  const auto place = [&](std::uint64_t window) {
    return std::find(stacking.begin(), stacking.end(), window) - stacking.begin();
  };
  ASSERT_LT(place(owner), static_cast<std::ptrdiff_t>(stacking.size()));
  ASSERT_LT(place(chooser), static_cast<std::ptrdiff_t>(stacking.size()));
  EXPECT_GT(place(chooser), place(owner)) << "the owner was raised over its chooser";
  EXPECT_FALSE(closed) << answer.error;
}

} // namespace
} // namespace QZ::Platform
