#include "QZFramework/Application/SplashWindow.h"

#include "Platform/Graphics2D/Canvas.h"
#include "Platform/Splash/SplashScreen.h"
#include "QZFramework/Utilities/Storage/DebugOutput.h"
#include "QZFramework/Utilities/Threading/Event.h"
#include "QZFramework/Utilities/Threading/Mutex.h"
#include "QZFramework/Utilities/Threading/Thread.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <ostream>
#include <string>
#include <utility>

namespace QZ {

namespace {

using Clock = std::chrono::steady_clock;

// Without a wake descriptor (none left in the process) the thread looks at its queue this often.
constexpr std::int32_t kPollWithoutWakeMs = 50;

struct SMessage {
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

// The debug output's stream is not made for writers on two threads at once; the splash thread and its owner
// both report, so their texts take turns.
std::mutex sReportLock;

void Report(const char* text) {
  std::lock_guard guard(sReportLock);
  DebugOutput::GetNarrowTarget() << text << std::flush;
}

std::int32_t ClampPosition(std::int64_t position) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(position, 0, kSplashBarMaximum));
}

// 0x00BBGGRR to the 2D layer's 0xAARRGGBB.
std::uint32_t BarColor(std::uintptr_t colorRef) {
  if (colorRef == kSplashDefaultBarColor)
    return kSplashBarDefaultFillColor;
  const auto value = static_cast<std::uint32_t>(colorRef);
  return 0xFF000000u | ((value & 0xFFu) << 16) | (value & 0xFF00u) | ((value >> 16) & 0xFFu);
}

Platform::RectI ToPlatform(const RectT<std::int32_t>& rect) { return {rect.x, rect.y, rect.width, rect.height}; }

// The bar as the splash thread keeps it.
struct SBar {
  bool exists = false;
  std::int32_t position = 0;
  std::int32_t step = 0;
  std::int32_t ticksLeft = 0;
  std::uint32_t color = kSplashBarDefaultFillColor;
};

void DrawBar(Platform::SplashScreen& screen, const SBar& bar, std::int32_t width, std::int32_t height) {
  std::unique_ptr<Platform::Canvas> canvas = Platform::Canvas::Create(screen);
  if (!canvas)
    return;
  const RectT<std::int32_t> rect = GetSplashBarRect(width, height);
  canvas->FillRect(ToPlatform(rect), kSplashBarBackgroundColor);
  // An outline covers its last column and row as well.
  canvas->StrokeRect({rect.x, rect.y, rect.width - 1, rect.height - 1}, kSplashBarFrameColor, 1.0f);
  const std::int32_t inner = std::max(rect.width - 2, 0);
  const std::int32_t filled = inner * bar.position / kSplashBarMaximum;
  if (filled > 0)
    canvas->FillRect({rect.x + 1, rect.y + 1, filled, rect.height - 2}, bar.color);
}

} // namespace

struct SplashWindow::SState {
  Mutex lock;
  std::deque<SMessage> queue; // under lock
  Event wake{true};           // raised with every message
  Event ready{true};          // raised once the window shows
  std::unique_ptr<Platform::Image> picture;
  std::string title;
  std::uint32_t tickMs = 250;

  bool Post(const SMessage& message) {
    {
      MutexLock guard(lock);
      queue.push_back(message);
    }
    wake.Set();
    return true;
  }

  std::deque<SMessage> Take() {
    std::deque<SMessage> taken;
    MutexLock guard(lock);
    taken.swap(queue);
    return taken;
  }

  void Run();
};

RectT<std::int32_t> GetSplashRect(const RectT<std::int32_t>& workArea, std::int32_t width, std::int32_t height) {
  const std::int64_t left = (std::int64_t{workArea.x} * 2 + workArea.width - width) >> 1;
  const std::int64_t top = (std::int64_t{workArea.y} * 2 + workArea.height - height) >> 1;
  return {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), width, height};
}

RectT<std::int32_t> GetSplashBarRect(std::int32_t width, std::int32_t height) {
  const std::int32_t inset = width / kSplashBarInsetDivisor;
  return {inset, height - kSplashBarAboveBottom, width - 2 * inset, kSplashBarHeight};
}

void SplashWindow::SState::Run() {
  if (!picture)
    return;
  const std::int32_t width = picture->GetWidth();
  const std::int32_t height = picture->GetHeight();
  std::unique_ptr<Platform::SplashScreen> screen = Platform::SplashScreen::Connect();
  const Platform::RectI work = screen->GetWorkArea();
  const RectT<std::int32_t> place = GetSplashRect({work.x, work.y, work.width, work.height}, width, height);
  if (!screen->CreateWindow(ToPlatform(place), title)) {
    Report(kSplashCreateFailedText);
    return;
  }
  if (std::unique_ptr<Platform::Canvas> canvas = Platform::Canvas::Create(*screen)) {
    canvas->Clear(0xFF000000);
    canvas->SetImageFilter(Platform::ImageFilter::Nearest);
    const Platform::RectF whole{0, 0, static_cast<float>(width), static_cast<float>(height)};
    static_cast<void>(canvas->DrawImage(*picture, whole, whole));
  } else {
    Report(kSplashShowFailedText); // the window stays, black
  }
  screen->ShowWindow();
  ready.Set();

  SBar bar;
  Clock::time_point nextTick;
  const auto tick = std::chrono::milliseconds(tickMs);
  for (bool quit = false;;) {
    static_cast<void>(wake.Wait(0));
    bool changed = false;
    for (const SMessage& m : Take()) {
      if (m.message == kSplashQuit) {
        quit = true;
        break;
      }
      if (m.message == kSplashSetPosition) {
        bar.ticksLeft = 0;
        bar.exists = true;
        bar.position = ClampPosition(static_cast<std::int32_t>(m.wParam));
        changed = true;
      } else if (m.message == kSplashAnimate) {
        const auto start = static_cast<std::int32_t>(m.wParam & 0xFFFF);
        const auto end = static_cast<std::int32_t>((m.wParam >> 16) & 0xFFFF);
        const std::int64_t ticks = std::clamp<std::int64_t>(m.lParam, -1, INT32_MAX / 4) * 4;
        bar.exists = true;
        if (ticks <= 0) {
          // No time to animate over: the end at once.
          bar.position = ClampPosition(end);
          bar.ticksLeft = 0;
        } else {
          bar.position = ClampPosition(start);
          bar.step = static_cast<std::int32_t>((end - start) / ticks);
          bar.ticksLeft = static_cast<std::int32_t>(ticks);
          nextTick = Clock::now() + tick;
        }
        changed = true;
      } else if (m.message == kSplashSetBarColor) {
        bar.exists = true;
        bar.color = BarColor(m.wParam);
        changed = true;
      }
    }
    if (!quit && bar.ticksLeft > 0 && Clock::now() >= nextTick) {
      bar.position = ClampPosition(std::int64_t{bar.position} + bar.step);
      bar.ticksLeft = bar.ticksLeft <= 1 ? 0 : bar.ticksLeft - 1;
      // A late tick does not bring the missed ones in a burst.
      nextTick = std::max(nextTick + tick, Clock::now());
      changed = true;
    }
    if (changed && bar.exists)
      DrawBar(*screen, bar, width, height);
    if (quit)
      break;
    std::int32_t timeout = -1;
    if (bar.ticksLeft > 0) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(nextTick - Clock::now()).count();
      timeout = static_cast<std::int32_t>(std::clamp<std::int64_t>(left, 0, INT32_MAX));
    }
    if (wake.GetHandle() < 0)
      timeout = timeout < 0 ? kPollWithoutWakeMs : std::min(timeout, kPollWithoutWakeMs);
    screen->WaitForEvents(wake.GetHandle(), timeout);
  }
  screen->DestroyWindow();
}

std::uint32_t SplashWindow::RunThread(void* ticket) {
  // The thread holds the state for as long as it runs, so it never depends on the SplashWindow.
  const std::unique_ptr<std::shared_ptr<SState>> held(static_cast<std::shared_ptr<SState>*>(ticket));
  const std::shared_ptr<SState> state = *held;
  state->Run();
  return 0;
}

SplashWindow::SplashWindow(const SSplashTimings& timings) : mTimings(timings) {}

SplashWindow::~SplashWindow() { Close(); }

bool SplashWindow::HasImage() const { return mPicture && mPicture->GetGdiplusBitmap() != nullptr; }

void SplashWindow::SetImage(const RCPtr<LBitmap>& bitmap) {
  if (!HasImage())
    mPicture = bitmap;
}

void SplashWindow::Start() {
  if (mThread)
    return;
  auto state = std::make_shared<SState>();
  // The thread draws from a copy of its own: the bitmap's picture stays the owner thread's.
  if (Platform::Image* image = HasImage() ? mPicture->GetGdiplusBitmap() : nullptr)
    state->picture = image->CloneArea(0, 0, image->GetWidth(), image->GetHeight(), image->GetPixelFormat());
  state->title = mTitle.ToNarrow().GetChars();
  state->tickMs = mTimings.mTickMs;
  auto* ticket = new std::shared_ptr<SState>(state);
  mThread = std::make_unique<Thread>(&SplashWindow::RunThread, ticket, mTimings.mCloseTimeoutMs);
  mState = state;
  if (!mThread->Start())
    delete ticket; // never made: the function will not run to take it
  if (state->ready.Wait(mTimings.mStartTimeoutMs) != kWaitSignalled)
    Report(kSplashStartTimeoutText);
}

bool SplashWindow::PostThreadMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (!mThread || !mState)
    return false;
  return mState->Post({message, wParam, lParam});
}

void SplashWindow::SetProgress(std::int32_t position) {
  static_cast<void>(PostThreadMessage(kSplashSetPosition, static_cast<std::uintptr_t>(position), 0));
}

void SplashWindow::AnimateProgress(std::int32_t start, std::int32_t end, std::int32_t seconds) {
  const std::uint32_t words =
      (static_cast<std::uint32_t>(end) << 16) | (static_cast<std::uint32_t>(start) & 0xFFFF);
  static_cast<void>(PostThreadMessage(kSplashAnimate, words, seconds));
}

void SplashWindow::Close() {
  if (mThread) {
    static_cast<void>(PostThreadMessage(kSplashQuit, 0, 0));
    // The thread's destructor waits the close time-out; a thread still running then is left to end by itself.
    mThread.reset();
    mState.reset();
  }
  mTitle = WideString();
}

} // namespace QZ
