// The splash window's thread, read through the splash screen's fake (the frames it was shown).

#include "QZFramework/Application/SplashWindow.h"

#include "Platform/Splash/FakeSplash.h"
#include "Platform/Splash/SplashScreen.h"
#include "QZFramework/Utilities/Graphics/Color.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace QZ {
namespace {

using Platform::FakeSplashFrame;
using Platform::FakeSplashLog;
using Platform::FakeSplashWindow;
using Clock = std::chrono::steady_clock;

constexpr std::uint32_t kPictureArgb = 0x80FF0000; // half transparent: drawn over black
constexpr std::uint32_t kPictureOverBlack = 0xFF800000;
// 110 pixels wide: an inset of 4, a bar of 102 and 100 pixels inside its frame, one per position.
constexpr std::int32_t kWidth = 110;
constexpr std::int32_t kHeight = 60;
constexpr std::int32_t kPatienceMs = 10000;

RCPtr<LBitmap> Picture(std::uint32_t argb = kPictureArgb) {
  return LBitmap::CreateFilledBitmap({kWidth, kHeight}, Color::FromARGB(argb));
}

// The bar's position in a frame: its filled pixels along the middle row; -1 where no bar is drawn.
int BarPosition(const FakeSplashFrame& frame, std::uint32_t fill = kSplashBarDefaultFillColor) {
  const RectT<std::int32_t> bar = GetSplashBarRect(frame.width, frame.height);
  const std::int32_t row = bar.y + bar.height / 2;
  if (frame.GetPixel(bar.x, row) != kSplashBarFrameColor)
    return -1;
  int filled = 0;
  while (frame.GetPixel(bar.x + 1 + filled, row) == fill)
    ++filled;
  return filled * kSplashBarMaximum / (bar.width - 2);
}

// The positions of the frames shown so far, repeats of one position taken once.
std::vector<int> Positions(const FakeSplashWindow& window, std::uint32_t fill = kSplashBarDefaultFillColor) {
  std::vector<int> positions;
  for (const FakeSplashFrame& frame : window.frames) {
    const int position = BarPosition(frame, fill);
    if (position >= 0 && (positions.empty() || positions.back() != position))
      positions.push_back(position);
  }
  return positions;
}

bool LastPositionIs(int position) {
  return FakeSplashLog::WaitUntil(
      [position](const std::vector<FakeSplashWindow>& windows) {
        return windows.size() == 1 && !windows[0].frames.empty() &&
               BarPosition(windows[0].frames.back()) == position;
      },
      kPatienceMs);
}

std::vector<int> Steps(int from, int to, int step) {
  std::vector<int> steps;
  for (int p = from; p <= to; p += step)
    steps.push_back(p);
  return steps;
}

class SplashWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The fake, whatever display the tests run beside.
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    FakeSplashLog::Reset();
  }
  void TearDown() override { FakeSplashLog::Reset(); }

  static SSplashTimings FastTicks(std::uint32_t tickMs = 2) {
    SSplashTimings timings;
    timings.mTickMs = tickMs;
    return timings;
  }

  static FakeSplashWindow OnlyWindow() {
    const std::vector<FakeSplashWindow> windows = FakeSplashLog::GetWindows();
    EXPECT_EQ(windows.size(), 1u);
    return windows.empty() ? FakeSplashWindow() : windows[0];
  }
};

TEST_F(SplashWindowTest, PlacesThePictureAndTheBar) {
  struct Case {
    RectT<std::int32_t> work;
    std::int32_t width, height;
    RectT<std::int32_t> expected;
  };
  const Case cases[] = {
      {{0, 0, 1280, 1024}, 110, 60, {585, 482, 110, 60}},
      {{100, 50, 801, 600}, 110, 61, {445, 319, 110, 61}},
      // Larger than the work area: the halves are rounded down, also below zero.
      {{0, 0, 100, 100}, 301, 200, {-101, -50, 301, 200}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    EXPECT_EQ(GetSplashRect(c.work, c.width, c.height), c.expected);
  }
  EXPECT_EQ(GetSplashBarRect(110, 60), (RectT<std::int32_t>{4, 40, 102, 16}));
  EXPECT_EQ(GetSplashBarRect(500, 300), (RectT<std::int32_t>{20, 280, 460, 16}));
  EXPECT_EQ(GetSplashBarRect(24, 30), (RectT<std::int32_t>{0, 10, 24, 16}));
}

TEST_F(SplashWindowTest, StartShowsThePictureOverBlackCentredInTheWorkAreaAndCloseRemovesIt) {
  FakeSplashLog::SetWorkArea({100, 50, 800, 600});
  SplashWindow splash(FastTicks());
  EXPECT_FALSE(splash.HasImage());
  splash.SetImage(Picture());
  EXPECT_TRUE(splash.HasImage());
  splash.Start();
  EXPECT_TRUE(splash.IsRunning());
  FakeSplashWindow window = OnlyWindow(); // Start returns once it shows
  EXPECT_TRUE(window.shown);
  EXPECT_EQ(window.placement.x, 445);
  EXPECT_EQ(window.placement.y, 320);
  EXPECT_EQ(window.placement.width, kWidth);
  EXPECT_EQ(window.placement.height, kHeight);
  ASSERT_EQ(window.frames.size(), 1u);
  EXPECT_EQ(window.frames[0].GetPixel(0, 0), kPictureOverBlack);
  EXPECT_EQ(window.frames[0].GetPixel(kWidth - 1, kHeight - 1), kPictureOverBlack);
  EXPECT_EQ(BarPosition(window.frames[0]), -1); // no bar until a message asks for one

  // A second Start and a second picture change nothing.
  splash.SetImage(Picture(0xFF0000FF));
  splash.Start();
  splash.SetProgress(0);
  ASSERT_TRUE(LastPositionIs(0));
  window = OnlyWindow();
  EXPECT_EQ(window.frames.back().GetPixel(0, 0), kPictureOverBlack);

  splash.Close();
  EXPECT_FALSE(splash.IsRunning());
  EXPECT_TRUE(OnlyWindow().destroyed);
  EXPECT_FALSE(splash.PostThreadMessage(kSplashSetPosition, 5, 0));
}

TEST_F(SplashWindowTest, TheBarIs16PixelsHigh20AboveTheBottomInsetByAFiftiethOfTheWidth) {
  SplashWindow splash(FastTicks());
  splash.SetImage(Picture());
  splash.Start();
  splash.SetProgress(50);
  ASSERT_TRUE(LastPositionIs(50));
  const FakeSplashFrame frame = OnlyWindow().frames.back();
  const std::int32_t top = kHeight - 20;
  const std::int32_t bottom = top + 15;
  const std::int32_t left = kWidth / 25;
  const std::int32_t right = kWidth - left - 1;
  struct Probe {
    const char* where;
    std::int32_t x, y;
    std::uint32_t expected;
  };
  const Probe probes[] = {
      {"above the bar", left + 10, top - 1, kPictureOverBlack},
      {"top edge", left + 10, top, kSplashBarFrameColor},
      {"bottom edge", left + 10, bottom, kSplashBarFrameColor},
      {"below the bar", left + 10, bottom + 1, kPictureOverBlack},
      {"left of the bar", left - 1, top + 8, kPictureOverBlack},
      {"left edge", left, top + 8, kSplashBarFrameColor},
      {"right edge", right, top + 8, kSplashBarFrameColor},
      {"right of the bar", right + 1, top + 8, kPictureOverBlack},
      {"filled half", left + 50, top + 8, kSplashBarDefaultFillColor},
      {"empty half", left + 51, top + 8, kSplashBarBackgroundColor},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(p.where);
    EXPECT_EQ(frame.GetPixel(p.x, p.y), p.expected);
  }
}

TEST_F(SplashWindowTest, AnimationStepsByThreeOver32TicksAndStopsAt96UntilSetProgress100) {
  SplashWindow splash(FastTicks());
  splash.SetImage(Picture());
  splash.Start();
  splash.AnimateProgress(0, 100, 8);
  ASSERT_TRUE(LastPositionIs(96));
  std::this_thread::sleep_for(std::chrono::milliseconds(50)); // many ticks' time: nothing moves any more
  EXPECT_EQ(Positions(OnlyWindow()), Steps(0, 96, 3));
  EXPECT_EQ(BarPosition(OnlyWindow().frames.back()), 96);
  splash.SetProgress(100);
  ASSERT_TRUE(LastPositionIs(100));
}

TEST_F(SplashWindowTest, SetProgressStopsARunningAnimation) {
  SplashWindow splash(FastTicks(20));
  splash.SetImage(Picture());
  splash.Start();
  splash.AnimateProgress(0, 100, 8);
  ASSERT_TRUE(FakeSplashLog::WaitUntil(
      [](const std::vector<FakeSplashWindow>& windows) {
        return !windows.empty() && !windows[0].frames.empty() && BarPosition(windows[0].frames.back()) >= 6;
      },
      kPatienceMs));
  splash.SetProgress(40);
  ASSERT_TRUE(LastPositionIs(40));
  std::this_thread::sleep_for(std::chrono::milliseconds(120));
  const std::vector<int> positions = Positions(OnlyWindow());
  EXPECT_EQ(positions.back(), 40);
}

TEST_F(SplashWindowTest, AnimationsWithoutTimeAndTheBarColour) {
  struct Case {
    const char* name;
    std::int32_t start, end, seconds;
    std::vector<int> positions;
  };
  const Case cases[] = {
      {"no time: the end at once", 10, 70, 0, {70}},           {"negative time likewise", 10, 70, -3, {70}},
      {"backwards", 90, 10, 1, {90, 70, 50, 30, 10}},          {"a step that rounds to zero", 10, 12, 1, {10}},
      {"beyond the range: held to it", 20, 400, 1, {20, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSplashLog::Reset();
    SplashWindow splash(FastTicks());
    splash.SetImage(Picture());
    splash.Start();
    splash.AnimateProgress(c.start, c.end, c.seconds);
    ASSERT_TRUE(LastPositionIs(c.positions.back()));
    std::this_thread::sleep_for(std::chrono::milliseconds(40)); // more than the ticks there are
    EXPECT_EQ(Positions(OnlyWindow()), c.positions);
  }

  // The colour: 0x00BBGGRR; the bar made at 0 when it is not there yet; the default colour back.
  FakeSplashLog::Reset();
  SplashWindow splash(FastTicks());
  splash.SetImage(Picture());
  splash.Start();
  ASSERT_TRUE(splash.PostThreadMessage(kSplashSetBarColor, 0x00FF8000, 0));
  ASSERT_TRUE(FakeSplashLog::WaitUntil(
      [](const std::vector<FakeSplashWindow>& windows) { return windows[0].frames.size() == 2; }, kPatienceMs));
  EXPECT_EQ(BarPosition(OnlyWindow().frames.back()), 0);
  splash.SetProgress(30);
  ASSERT_TRUE(FakeSplashLog::WaitUntil(
      [](const std::vector<FakeSplashWindow>& windows) { return windows[0].frames.size() == 3; }, kPatienceMs));
  EXPECT_EQ(BarPosition(OnlyWindow().frames.back(), 0xFF0080FF), 30);
  ASSERT_TRUE(splash.PostThreadMessage(kSplashSetBarColor, kSplashDefaultBarColor, 0));
  ASSERT_TRUE(LastPositionIs(30));

  // Seconds beyond any animation's length: the bar waits at the start, ticking by steps of 0.
  ASSERT_TRUE(splash.PostThreadMessage(kSplashAnimate, (100u << 16) | 5u, INTPTR_MAX));
  ASSERT_TRUE(LastPositionIs(5));
}

TEST_F(SplashWindowTest, TicksComeEvery250Milliseconds) {
  SplashWindow splash;
  splash.SetImage(Picture());
  splash.Start();
  const Clock::time_point posted = Clock::now();
  splash.AnimateProgress(0, 100, 1); // four ticks of 25
  ASSERT_TRUE(LastPositionIs(100));
  const FakeSplashWindow window = OnlyWindow();
  EXPECT_EQ(Positions(window), (std::vector<int>{0, 25, 50, 75, 100}));
  ASSERT_EQ(window.frames.size(), 6u); // the picture, the start and four ticks
  // Tick k comes k quarter seconds after the animation began, never earlier (a busy machine makes it later).
  for (std::size_t k = 1; k <= 4; ++k) {
    SCOPED_TRACE(k);
    const auto after = window.frames[1 + k].time - posted;
    EXPECT_GE(after, std::chrono::milliseconds(250 * k));
    EXPECT_LE(after, std::chrono::milliseconds(250 * k + 1000));
  }
}

TEST_F(SplashWindowTest, WithoutPictureStartWaitsItsWholeTimeOutAndSaysSo) {
  SSplashTimings timings;
  timings.mStartTimeoutMs = 200;
  SplashWindow splash(timings);
  splash.SetImage(MakeRCPtr<LBitmap>()); // a bitmap without pixels is no picture
  EXPECT_FALSE(splash.HasImage());
  testing::internal::CaptureStderr();
  const Clock::time_point start = Clock::now();
  splash.Start();
  const auto waited = Clock::now() - start;
  EXPECT_EQ(testing::internal::GetCapturedStderr(), kSplashStartTimeoutText);
  EXPECT_GE(waited, std::chrono::milliseconds(195));
  EXPECT_TRUE(splash.IsRunning()); // the thread has ended; Close still has it to close
  EXPECT_TRUE(FakeSplashLog::GetWindows().empty());
  splash.AnimateProgress(0, 100, 8);
  splash.Close();
  EXPECT_FALSE(splash.IsRunning());
}

TEST_F(SplashWindowTest, WindowFailuresAreReportedOnTheDebugOutput) {
  struct Case {
    const char* name;
    bool failCreate, failDraw;
    std::string output;
    std::size_t windows;
  };
  const Case cases[] = {
      {"no window", true, false, std::string(kSplashCreateFailedText) + kSplashStartTimeoutText, 0},
      {"no pixels", false, true, kSplashShowFailedText, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSplashLog::Reset();
    FakeSplashLog::SetFailures(c.failCreate, c.failDraw);
    SSplashTimings timings;
    timings.mStartTimeoutMs = 300;
    SplashWindow splash(timings);
    splash.SetImage(Picture());
    testing::internal::CaptureStderr();
    splash.Start();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.output);
    EXPECT_EQ(FakeSplashLog::GetWindows().size(), c.windows);
    splash.Close();
  }
}

TEST_F(SplashWindowTest, CloseWithoutStartOnlyClearsTheTitle) {
  SplashWindow splash;
  splash.SetImage(Picture());
  splash.Close();
  splash.SetProgress(10);
  EXPECT_FALSE(splash.IsRunning());
  EXPECT_TRUE(splash.GetTitle().IsEmpty());
  EXPECT_TRUE(FakeSplashLog::GetWindows().empty());
}

// For ThreadSanitizer: the owner posting while the thread ticks and draws, and closing in the middle of it.
TEST_F(SplashWindowTest, MessagesAndCloseDuringTicks) {
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    FakeSplashLog::Reset();
    SplashWindow splash(FastTicks(1));
    splash.SetImage(Picture());
    splash.Start();
    splash.AnimateProgress(0, 100, 8);
    for (int i = 0; i < 20; ++i) {
      splash.SetProgress(i);
      splash.AnimateProgress(i, 100, 1);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(round * 3));
    const Clock::time_point closing = Clock::now();
    splash.Close();
    EXPECT_LT(Clock::now() - closing, std::chrono::milliseconds(kPatienceMs));
    EXPECT_TRUE(OnlyWindow().destroyed);
  }
}

// Once on a real X server: the picture and its bar where the work area's centre is. CTest runs this group under
// xvfb-run with QZ_APPLICATION_X11_TESTS=1; anywhere else it skips itself.
TEST(SplashWindowX11, ThePictureAndTheBarShowOnTheScreen) {
  const char* wanted = std::getenv("QZ_APPLICATION_X11_TESTS");
  if (wanted == nullptr || std::string_view(wanted) != "1")
    GTEST_SKIP() << "runs under xvfb-run only (the CTest entry qz_application_x11)";
  ::setenv("SDL_VIDEODRIVER", "x11", 1);
  SSplashTimings timings;
  timings.mTickMs = 2;
  SplashWindow splash(timings);
  splash.SetImage(Picture());
  splash.Start();
  splash.AnimateProgress(0, 100, 8);
  const RectT<std::int32_t> place = GetSplashRect({0, 0, 1280, 1024}, kWidth, kHeight);
  const RectT<std::int32_t> bar = GetSplashBarRect(kWidth, kHeight);
  std::vector<std::uint32_t> pixels;
  auto at = [&pixels](std::int32_t x, std::int32_t y) { return pixels[static_cast<std::size_t>(y * kWidth + x)]; };
  const Clock::time_point start = Clock::now();
  bool stopped = false;
  while (!stopped && Clock::now() - start < std::chrono::milliseconds(kPatienceMs)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_TRUE(Platform::ReadScreenArea({place.x, place.y, kWidth, kHeight}, pixels));
    // 96 of 100: the fill ends at the 96th pixel inside the frame.
    stopped = at(bar.x + 96, bar.y + 8) == kSplashBarDefaultFillColor &&
              at(bar.x + 97, bar.y + 8) == kSplashBarBackgroundColor;
  }
  ASSERT_TRUE(stopped);
  EXPECT_EQ(at(0, 0), kPictureOverBlack);
  EXPECT_EQ(at(bar.x, bar.y), kSplashBarFrameColor);
  EXPECT_EQ(at(bar.x, bar.y - 1), kPictureOverBlack);
  EXPECT_EQ(at(bar.x + bar.width - 1, bar.y + bar.height - 1), kSplashBarFrameColor);
  EXPECT_EQ(at(bar.x + bar.width, bar.y + bar.height), kPictureOverBlack);
  splash.Close();
  ASSERT_TRUE(Platform::ReadScreenArea({place.x, place.y, kWidth, kHeight}, pixels));
  EXPECT_NE(at(0, 0), kPictureOverBlack); // gone: the root window's black or whatever lies there
  ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
}

} // namespace
} // namespace QZ
