// Cursors, focus and the mouse capture on a real X server (the offscreen driver has none of them). CTest
// runs this group under xvfb-run with QZ_WINDOW_X11_TESTS=1; anywhere else it skips itself.

#include "Platform/Window/InputState.h"
#include "Platform/Window/Window.h"
#include "Platform/Window/WindowSystem.h"
#include "Platform/System/Process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <thread>

namespace QZ::Platform {
namespace {

class X11WindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    const char* wanted = std::getenv("QZ_WINDOW_X11_TESTS");
    if (wanted == nullptr || std::string_view(wanted) != "1")
      GTEST_SKIP() << "runs under xvfb-run only (the CTest entry qz_platform_window_x11)";
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(StartWindowSystem()) << GetWindowSystemError();
    mStarted = true;
  }
  void TearDown() override {
    mWindow.reset();
    if (mStarted)
      StopWindowSystem();
  }

  // Takes events until one satisfies the predicate, for at most the time given; every event taken is kept.
  bool PumpUntil(const std::function<bool(const WindowEvent&)>& found,
                 std::chrono::milliseconds limit = std::chrono::seconds(3)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      WaitForWindowEvent(20);
      WindowEvent event;
      while (PollWindowEvent(event)) {
        mEvents.push_back(event);
        if (found(event))
          return true;
      }
    }
    return false;
  }
  // Takes what the X server sends within a short while (it answers a local client in far less).
  void Settle() {
    PumpUntil([](const WindowEvent&) { return false; }, std::chrono::milliseconds(300));
  }

  void OpenWindow() {
    mWindow = Window::Create({"x11", {100, 100, 200, 150}, false, true});
    ASSERT_TRUE(mWindow) << GetWindowSystemError();
    mWindow->SetFocus();
    ASSERT_TRUE(PumpUntil([&](const WindowEvent& e) { return e.kind == WindowEventKind::kFocusGained; }));
    ASSERT_TRUE(mWindow->HasFocus());
  }

  bool mStarted = false;
  std::unique_ptr<Window> mWindow;
  std::vector<WindowEvent> mEvents;
};

TEST_F(X11WindowTest, SystemCursorsAreMadeOnceAndTheCurrentOneIsProcessWide) {
  OpenWindow();
  for (std::uint8_t i = 0; i <= static_cast<std::uint8_t>(SystemCursor::kHelp); ++i) {
    SCOPED_TRACE(int{i});
    const CursorId cursor = GetSystemCursor(static_cast<SystemCursor>(i));
    EXPECT_NE(cursor, kNoCursor);
    EXPECT_EQ(GetSystemCursor(static_cast<SystemCursor>(i)), cursor);
  }
  const CursorId ibeam = GetSystemCursor(SystemCursor::kIBeam);
  const CursorId wait = GetSystemCursor(SystemCursor::kWait);
  EXPECT_EQ(SetCurrentCursor(ibeam), kNoCursor);
  EXPECT_EQ(SetCurrentCursor(wait), ibeam);
  EXPECT_EQ(SetCurrentCursor(wait), wait);
  EXPECT_TRUE(IsPointerShown());

  // No cursor hides the pointer until a cursor is current again.
  EXPECT_EQ(SetCurrentCursor(kNoCursor), wait);
  EXPECT_FALSE(IsPointerShown());
  EXPECT_EQ(SetCurrentCursor(ibeam), kNoCursor);
  EXPECT_TRUE(IsPointerShown());

  EXPECT_EQ(ShowPointer(false), -1);
  EXPECT_FALSE(IsPointerShown());
  EXPECT_EQ(ShowPointer(true), 0);
  EXPECT_TRUE(IsPointerShown());
  EXPECT_EQ(GetCurrentCursor(), ibeam);
}

TEST_F(X11WindowTest, CursorsFromPixelsNeedASizeAndAHotSpotInside) {
  OpenWindow();
  std::vector<std::uint8_t> pixels(32 * 32 * 4, 0);
  for (std::size_t i = 3; i < pixels.size(); i += 8)
    pixels[i] = 255; // every other pixel opaque black
  const PixelView view{pixels.data(), 32, 32, 32 * 4, PixelAlpha::kPremultiplied};
  const CursorId made = CreatePixelCursor(view, {3, 4});
  EXPECT_NE(made, kNoCursor);
  EXPECT_EQ(SetCurrentCursor(made), kNoCursor);
  EXPECT_EQ(CreatePixelCursor(view, {32, 0}), kNoCursor);
  EXPECT_EQ(CreatePixelCursor(view, {-1, 0}), kNoCursor);
  EXPECT_EQ(CreatePixelCursor({pixels.data(), 300, 2, 1200, PixelAlpha::kStraight}, {0, 0}), kNoCursor);
  EXPECT_EQ(CreatePixelCursor(PixelView{}, {0, 0}), kNoCursor);
}

TEST_F(X11WindowTest, WhileTheWindowHoldsTheCaptureMovesOutsideItStillReachIt) {
  OpenWindow();
  ASSERT_TRUE(SetPointerScreenPosition({150, 150}));
  ASSERT_TRUE(PumpUntil([](const WindowEvent& e) { return e.kind == WindowEventKind::kMouseMove; }));
  EXPECT_EQ(GetPointerScreenPosition(), (WindowPoint{150, 150}));
  EXPECT_EQ(GetMouseButtons(), 0u);

  EXPECT_TRUE(mWindow->CaptureMouse());
  ASSERT_TRUE(SetPointerScreenPosition({20, 30}));
  ASSERT_TRUE(PumpUntil([](const WindowEvent& e) { return e.kind == WindowEventKind::kMouseMove; }));
  EXPECT_EQ(mEvents.back().window, mWindow->GetId());
  EXPECT_EQ(mEvents.back().point, (WindowPoint{-80, -70}));

  mWindow->ReleaseMouse();
  mEvents.clear();
  ASSERT_TRUE(PumpUntil([](const WindowEvent& e) { return e.kind == WindowEventKind::kCaptureLost; }));
  ASSERT_TRUE(SetPointerScreenPosition({40, 50}));
  Settle();
  for (const WindowEvent& event : mEvents)
    EXPECT_NE(event.kind, WindowEventKind::kMouseMove) << "a move outside without the capture reached the window";
  EXPECT_EQ(GetPointerScreenPosition(), (WindowPoint{40, 50}));
}

// A window manager frames the windows: a position set before the window is shown is taken for the frame's, not
// the client area's. A window restored from its saved placement must land where its client area was.
TEST_F(X11WindowTest, UnderAWindowManagerARestoredWindowStaysWhereItWasSaved) {
  const std::string openbox = FindProgram("openbox");
  if (openbox.empty())
    GTEST_SKIP() << "no openbox";
  const ProcessId manager = StartProcess(openbox, {"--sm-disable"});
  ASSERT_NE(manager, 0);
  // The manager is there once it frames a window: wait until the probe window has a frame. One probe for the
  // whole wait: the manager takes over the windows that are mapped when it starts, and windows made and destroyed
  // while it starts leave it (and X) requests about windows that are gone.
  {
    std::unique_ptr<Window> probe = Window::Create({"probe", {10, 10, 50, 50}, false, true});
    ASSERT_TRUE(probe);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool framed = false;
    while (!framed && std::chrono::steady_clock::now() < deadline) {
      Settle();
      framed = probe->GetFrame().top > 0;
    }
    ASSERT_TRUE(framed) << "the window manager did not come up";
  }
  WindowPlacement placement;
  placement.state = WindowShowState::kRestored;
  placement.normalBounds = {100, 120, 200, 150};
  for (int start = 0; start < 5; ++start) {
    SCOPED_TRACE(start);
    std::unique_ptr<Window> window = Window::Create({"restored", {0, 0, 200, 150}, true, false});
    ASSERT_TRUE(window);
    ASSERT_TRUE(window->SetPlacement(placement));
    window->Show();
    Settle();
    ASSERT_GT(window->GetFrame().top, 0) << "framed by the manager";
    EXPECT_EQ(window->GetClientBounds(), placement.normalBounds);
    placement = window->GetPlacement(); // what the editor saves on the way out
  }
  // A window placed at the desktop's corner keeps its frame on the desktop: its title bar stays reachable.
  {
    placement.normalBounds = {0, 0, 200, 150};
    std::unique_ptr<Window> window = Window::Create({"corner", {0, 0, 200, 150}, true, false});
    ASSERT_TRUE(window);
    ASSERT_TRUE(window->SetPlacement(placement));
    window->Show();
    Settle();
    const WindowFrame frame = window->GetFrame();
    ASSERT_GT(frame.top, 0);
    EXPECT_EQ(window->GetClientBounds(), (WindowRect{frame.left, frame.top, 200, 150}));
  }
  EXPECT_EQ(StopProcess(manager, 2000), 0);
}

} // namespace
} // namespace QZ::Platform
