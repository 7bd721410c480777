#pragma once
// The splash screen's fake: windows that show nothing and record what they are asked to do, in one
// process-wide log that tests read while splash threads write it. Used wherever the display is not an
// X server (SplashScreen.h), and by tests on purpose.
//
// Every function here is safe from any thread.

#include "Platform/Splash/SplashScreen.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace QZ::Platform {

// What one Show of the window's pixels put on the (pretended) screen.
struct FakeSplashFrame {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels; // the whole window then, rows top-down, 0xFFRRGGBB
  std::vector<RectI> rects;          // what was shown
  std::chrono::steady_clock::time_point time;

  // 0 outside the frame.
  std::uint32_t GetPixel(std::int32_t x, std::int32_t y) const;
};

struct FakeSplashWindow {
  RectI placement;
  std::string title;
  bool shown = false;
  bool destroyed = false;
  std::vector<FakeSplashFrame> frames; // frames shown while the window was visible, in order
};

class FakeSplashLog {
public:
  // Forgets every window and restores the defaults: a work area of 0, 0, 1280 x 1024, no failures.
  static void Reset();
  static void SetWorkArea(const RectI& area);
  // Failures to pretend: making a window, lending its pixels.
  static void SetFailures(bool failCreate, bool failDraw);

  // Every window made since the last Reset, in order.
  static std::vector<FakeSplashWindow> GetWindows();
  // Waits until done holds for the windows, or timeoutMs passes; whether it held.
  static bool WaitUntil(const std::function<bool(const std::vector<FakeSplashWindow>&)>& done,
                        std::int32_t timeoutMs);
};

// The fake screen itself (SplashScreen::Connect gives one where it is the backend).
std::unique_ptr<SplashScreen> MakeFakeSplashScreen();

} // namespace QZ::Platform
