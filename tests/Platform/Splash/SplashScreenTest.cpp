#include "Platform/Splash/FakeSplash.h"
#include "Platform/Splash/SplashScreen.h"

#include "Platform/Graphics2D/Canvas.h"
#include "Platform/System/Signal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace QZ::Platform {
namespace {

// Sets (or clears, for null) an environment variable for a scope.
class ScopedEnvironment {
public:
  ScopedEnvironment(const char* name, const char* value) : mName(name) {
    if (const char* old = std::getenv(name))
      mOld = old;
    Set(value);
  }
  ~ScopedEnvironment() { Set(mOld ? mOld->c_str() : nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
  void Set(const char* value) {
    if (value)
      ::setenv(mName, value, 1);
    else
      ::unsetenv(mName);
  }
  const char* mName;
  std::optional<std::string> mOld;
};

TEST(SplashScreen, TheBackendFollowsTheWindowSystemsDriver) {
  struct Case {
    const char* driver;
    const char* display;
    SplashBackend expected;
  };
  const Case cases[] = {
      {nullptr, ":5", SplashBackend::kX11},
      {nullptr, nullptr, SplashBackend::kFake},
      {"", "", SplashBackend::kFake},
      {"x11", nullptr, SplashBackend::kX11},
      {"offscreen", ":5", SplashBackend::kFake},
      {"wayland", ":5", SplashBackend::kFake},
      {"wayland,x11", ":5", SplashBackend::kFake},
      {"x11,wayland", ":5", SplashBackend::kX11},
      {"dummy", ":5", SplashBackend::kFake},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.driver ? c.driver : "(unset)") + " / " + (c.display ? c.display : "(unset)"));
    ScopedEnvironment driver("SDL_VIDEODRIVER", c.driver);
    ScopedEnvironment display("DISPLAY", c.display);
    EXPECT_EQ(ChooseSplashBackend(), c.expected);
  }
  ScopedEnvironment driver("SDL_VIDEODRIVER", "offscreen");
  const std::unique_ptr<SplashScreen> screen = SplashScreen::Connect();
  ASSERT_TRUE(screen);
  EXPECT_EQ(screen->GetBackend(), SplashBackend::kFake);
}

class FakeSplashTest : public ::testing::Test {
protected:
  void SetUp() override { FakeSplashLog::Reset(); }
  void TearDown() override { FakeSplashLog::Reset(); }
};

TEST_F(FakeSplashTest, FramesShownWhileVisibleAreLoggedWithTheirPixels) {
  const std::unique_ptr<SplashScreen> screen = SplashScreen::Connect(SplashBackend::kFake);
  ASSERT_TRUE(screen);
  FakeSplashLog::SetWorkArea({10, 20, 800, 600});
  EXPECT_EQ(screen->GetWorkArea().width, 800);
  EXPECT_FALSE(screen->ShowWindow()); // no window yet
  WindowPixels pixels;
  EXPECT_FALSE(screen->BeginDraw(pixels));

  ASSERT_TRUE(screen->CreateWindow({30, 40, 8, 6}, "splash"));
  EXPECT_FALSE(screen->CreateWindow({30, 40, 8, 6}, "again"));
  {
    // Drawn before the window shows: no frame yet, the pixels show with it.
    std::unique_ptr<Canvas> canvas = Canvas::Create(*screen);
    ASSERT_TRUE(canvas);
    canvas->FillRect({0, 0, 4, 6}, 0xFF112233);
  }
  ASSERT_TRUE(screen->ShowWindow());
  {
    std::unique_ptr<Canvas> canvas = Canvas::Create(*screen);
    ASSERT_TRUE(canvas);
    canvas->FillRect({4, 2, 2, 2}, 0xFFFF0000);
  }
  std::vector<FakeSplashWindow> windows = FakeSplashLog::GetWindows();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(windows[0].placement.x, 30);
  EXPECT_EQ(windows[0].placement.y, 40);
  EXPECT_EQ(windows[0].title, "splash");
  EXPECT_TRUE(windows[0].shown);
  ASSERT_EQ(windows[0].frames.size(), 2u);
  const FakeSplashFrame& first = windows[0].frames[0];
  EXPECT_EQ(first.GetPixel(0, 0), 0xFF112233u);
  EXPECT_EQ(first.GetPixel(5, 5), 0xFF000000u); // black where nothing was drawn
  EXPECT_EQ(first.GetPixel(8, 0), 0u);
  const FakeSplashFrame& second = windows[0].frames[1];
  EXPECT_EQ(second.GetPixel(4, 2), 0xFFFF0000u);
  EXPECT_EQ(second.GetPixel(0, 0), 0xFF112233u);
  ASSERT_EQ(second.rects.size(), 1u);
  EXPECT_EQ(second.rects[0].x, 4);
  EXPECT_EQ(second.rects[0].width, 2);
  std::vector<std::uint32_t> back;
  ASSERT_TRUE(screen->ReadBack(back));
  EXPECT_EQ(back, second.pixels);

  screen->DestroyWindow();
  windows = FakeSplashLog::GetWindows();
  EXPECT_TRUE(windows[0].destroyed);
  EXPECT_FALSE(screen->ReadBack(back));
}

TEST_F(FakeSplashTest, PretendedFailures) {
  const std::unique_ptr<SplashScreen> screen = SplashScreen::Connect(SplashBackend::kFake);
  EXPECT_FALSE(screen->CreateWindow({0, 0, 0, 5}, ""));
  FakeSplashLog::SetFailures(true, false);
  EXPECT_FALSE(screen->CreateWindow({0, 0, 5, 5}, ""));
  EXPECT_FALSE(screen->GetError().empty());
  FakeSplashLog::SetFailures(false, true);
  ASSERT_TRUE(screen->CreateWindow({0, 0, 5, 5}, ""));
  EXPECT_FALSE(Canvas::Create(*screen));
  EXPECT_EQ(FakeSplashLog::GetWindows().size(), 1u);
}

TEST_F(FakeSplashTest, WaitingEndsWhenWokenOrAtTheTimeOut) {
  const std::unique_ptr<SplashScreen> screen = SplashScreen::Connect(SplashBackend::kFake);
  const SignalHandle wake = CreateSignal();
  ASSERT_NE(wake, kNoSignal);
  auto start = std::chrono::steady_clock::now();
  screen->WaitForEvents(wake, 60);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));

  std::thread waker([wake] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    RaiseSignal(wake);
  });
  start = std::chrono::steady_clock::now();
  screen->WaitForEvents(wake, 10000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  waker.join();
  EXPECT_EQ(TakeSignal(wake), TakeResult::kTaken); // left for its owner
  CloseSignal(wake);
}

// On a real X server; CTest runs this group under xvfb-run with QZ_SPLASH_X11_TESTS=1, anywhere else it skips.
class SplashX11 : public ::testing::Test {
protected:
  void SetUp() override {
    const char* wanted = std::getenv("QZ_SPLASH_X11_TESTS");
    if (wanted == nullptr || std::string_view(wanted) != "1")
      GTEST_SKIP() << "runs under xvfb-run only (the CTest entry qz_platform_splash_x11)";
  }
};

TEST_F(SplashX11, AWindowOfItsOwnShowsTheFramesDrawnOnAnotherThread) {
  // Everything on a thread of its own, as the splash does.
  std::thread([] {
    std::string error;
    const std::unique_ptr<SplashScreen> screen = SplashScreen::Connect(SplashBackend::kX11, &error);
    ASSERT_TRUE(screen) << error;
    EXPECT_EQ(screen->GetBackend(), SplashBackend::kX11);
    const RectI area = screen->GetWorkArea(); // xvfb-run's screen, no panels
    EXPECT_EQ(area.width, 1280);
    EXPECT_EQ(area.height, 1024);
    ASSERT_TRUE(screen->CreateWindow({600, 480, 80, 60}, "")) << screen->GetError();
    std::vector<std::uint32_t> pixels;
    EXPECT_FALSE(screen->ReadBack(pixels)); // not shown yet
    {
      std::unique_ptr<Canvas> canvas = Canvas::Create(*screen);
      ASSERT_TRUE(canvas);
      canvas->FillRect({0, 0, 80, 60}, 0xFF204060);
    }
    ASSERT_TRUE(screen->ShowWindow());
    {
      std::unique_ptr<Canvas> canvas = Canvas::Create(*screen);
      ASSERT_TRUE(canvas);
      canvas->FillRect({10, 40, 30, 8}, 0xFF00FF00);
    }
    const SignalHandle wake = CreateSignal();
    // The server's Expose of the new window is answered from the pixels held.
    screen->WaitForEvents(wake, 200);
    CloseSignal(wake);
    ASSERT_TRUE(screen->ReadBack(pixels));
    ASSERT_EQ(pixels.size(), 80u * 60u);
    EXPECT_EQ(pixels[0], 0xFF204060u);
    EXPECT_EQ(pixels[44 * 80 + 20], 0xFF00FF00u);
    EXPECT_EQ(pixels[44 * 80 + 40], 0xFF204060u);
    screen->DestroyWindow();
    EXPECT_FALSE(screen->ReadBack(pixels));
  }).join();
}

} // namespace
} // namespace QZ::Platform
