#include "Platform/Splash/FakeSplash.h"

#include "Platform/Splash/SplashWait.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace QZ::Platform {

namespace {

constexpr RectI kDefaultWorkArea{0, 0, 1280, 1024};

struct Log {
  std::mutex lock;
  std::condition_variable changed;
  std::vector<FakeSplashWindow> windows;
  RectI workArea = kDefaultWorkArea;
  bool failCreate = false;
  bool failDraw = false;
  // Counts Resets, so that a screen made before one no longer writes into the new log.
  std::uint64_t generation = 0;
};

Log& TheLog() {
  static Log log;
  return log;
}

class FakeSplashScreen final : public SplashScreen {
public:
  ~FakeSplashScreen() override { DestroyWindow(); }

  SplashBackend GetBackend() const override { return SplashBackend::kFake; }

  RectI GetWorkArea() override {
    Log& log = TheLog();
    std::lock_guard guard(log.lock);
    return log.workArea;
  }

  bool CreateWindow(const RectI& placement, const std::string& title) override {
    Log& log = TheLog();
    std::lock_guard guard(log.lock);
    if (mIndex >= 0 && !mDestroyed) {
      mError = "a splash window exists already";
      return false;
    }
    if (log.failCreate || placement.width < 1 || placement.height < 1) {
      mError = "the fake splash window was not made";
      return false;
    }
    mWidth = placement.width;
    mHeight = placement.height;
    mPixels.assign(static_cast<std::size_t>(mWidth) * static_cast<std::size_t>(mHeight), 0);
    mIndex = static_cast<std::ptrdiff_t>(log.windows.size());
    mGeneration = log.generation;
    mDestroyed = false;
    log.windows.push_back({placement, title, false, false, {}});
    log.changed.notify_all();
    return true;
  }

  bool ShowWindow() override {
    Log& log = TheLog();
    std::lock_guard guard(log.lock);
    FakeSplashWindow* window = Record(log);
    if (!window)
      return false;
    window->shown = true;
    window->frames.push_back(Frame({RectI{0, 0, mWidth, mHeight}}));
    log.changed.notify_all();
    return true;
  }

  void DestroyWindow() override {
    Log& log = TheLog();
    std::lock_guard guard(log.lock);
    if (FakeSplashWindow* window = Record(log)) {
      window->destroyed = true;
      window->shown = false;
      log.changed.notify_all();
    }
    mDestroyed = true;
    mPixels.clear();
  }

  void WaitForEvents(int wakeHandle, std::int32_t timeoutMs) override {
    WaitForReadable(wakeHandle, -1, timeoutMs);
  }

  bool ReadBack(std::vector<std::uint32_t>& pixels) override {
    Log& log = TheLog();
    std::lock_guard guard(log.lock);
    const FakeSplashWindow* window = Record(log);
    if (!window || !window->shown || window->frames.empty())
      return false;
    pixels = window->frames.back().pixels;
    return true;
  }

  bool BeginDraw(WindowPixels& pixels) override {
    pixels = {};
    Log& log = TheLog();
    std::lock_guard guard(log.lock);
    if (log.failDraw || mIndex < 0 || mDestroyed)
      return false;
    pixels = {mPixels.data(), mWidth, mHeight, mWidth * 4};
    return true;
  }

  void Show(std::span<const RectI> rects) override {
    Log& log = TheLog();
    std::lock_guard guard(log.lock);
    FakeSplashWindow* window = Record(log);
    if (!window || !window->shown || rects.empty())
      return;
    window->frames.push_back(Frame(std::vector<RectI>(rects.begin(), rects.end())));
    log.changed.notify_all();
  }

  void EndDraw() override {}

private:
  // This screen's record; null when it has none (none made, destroyed, or the log was reset since).
  FakeSplashWindow* Record(Log& log) {
    if (mIndex < 0 || mDestroyed || mGeneration != log.generation ||
        static_cast<std::size_t>(mIndex) >= log.windows.size())
      return nullptr;
    return &log.windows[static_cast<std::size_t>(mIndex)];
  }

  FakeSplashFrame Frame(std::vector<RectI> rects) const {
    FakeSplashFrame frame;
    frame.width = mWidth;
    frame.height = mHeight;
    frame.pixels.reserve(mPixels.size());
    for (std::uint32_t pixel : mPixels)
      frame.pixels.push_back(0xFF000000u | pixel);
    frame.rects = std::move(rects);
    frame.time = std::chrono::steady_clock::now();
    return frame;
  }

  std::ptrdiff_t mIndex = -1;
  std::uint64_t mGeneration = 0;
  bool mDestroyed = false;
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;
  std::vector<std::uint32_t> mPixels;
};

} // namespace

std::uint32_t FakeSplashFrame::GetPixel(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width || y >= height)
    return 0;
  return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
}

void FakeSplashLog::Reset() {
  Log& log = TheLog();
  std::lock_guard guard(log.lock);
  log.windows.clear();
  log.workArea = kDefaultWorkArea;
  log.failCreate = false;
  log.failDraw = false;
  ++log.generation;
}

void FakeSplashLog::SetWorkArea(const RectI& area) {
  Log& log = TheLog();
  std::lock_guard guard(log.lock);
  log.workArea = area;
}

void FakeSplashLog::SetFailures(bool failCreate, bool failDraw) {
  Log& log = TheLog();
  std::lock_guard guard(log.lock);
  log.failCreate = failCreate;
  log.failDraw = failDraw;
}

std::vector<FakeSplashWindow> FakeSplashLog::GetWindows() {
  Log& log = TheLog();
  std::lock_guard guard(log.lock);
  return log.windows;
}

bool FakeSplashLog::WaitUntil(const std::function<bool(const std::vector<FakeSplashWindow>&)>& done,
                              std::int32_t timeoutMs) {
  Log& log = TheLog();
  std::unique_lock guard(log.lock);
  return log.changed.wait_for(guard, std::chrono::milliseconds(std::max(timeoutMs, 0)),
                              [&] { return done(log.windows); });
}

std::unique_ptr<SplashScreen> MakeFakeSplashScreen() { return std::make_unique<FakeSplashScreen>(); }

} // namespace QZ::Platform
