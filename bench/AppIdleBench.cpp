// An idle application must sleep between its idle periods: the host's loop
// wakes about every 33 ms for one idle period and uses no processor time
// otherwise. This runs an otherwise empty host for a few seconds, with the
// application's idle rule (three passes when work remains), and reports the
// processor time it took against the time that passed.
//
// SDL_VIDEODRIVER chooses the driver (offscreen when unset). SDL blocks in its
// wait only when the driver can (X11, for example under xvfb-run) and a shown
// window exists to wake; otherwise SDL itself polls its queue every
// millisecond. The second run opens one window, as an application has, with
// SDL directly (the window layer is not part of this benchmark).
//
// BM_FrameworkIdleLoop runs the framework application's own message loop over
// the same host: every idle period is the application's idle pass over the
// notification centers (with "NID_IDLE" to a subscriber on the application
// center) and one root window, with the idle rule of at most three passes.

#include "Platform/App/AppHost.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace {

class IdleHost : public QZ::Platform::AppHost {
public:
  bool OnIdle(std::int32_t idleCount) override {
    if (idleCount == 0)
      ++periods;
    ++passes;
    if (std::chrono::steady_clock::now() >= end)
      PostQuit(0);
    return idleCount < 2;
  }

  std::chrono::steady_clock::time_point end;
  std::int64_t periods = 0;
  std::int64_t passes = 0;
};

void BM_IdleLoop(benchmark::State& state) {
  ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
  const auto seconds = std::chrono::seconds(state.range(0));
  for (auto _ : state) {
    IdleHost host;
    if (!host.InitApplication()) {
      state.SkipWithError("SDL video could not start");
      return;
    }
    SDL_Window* window = nullptr;
    if (state.range(1) != 0 && !(window = SDL_CreateWindow("idle", 0, 0, 64, 64, SDL_WINDOW_SHOWN))) {
      state.SkipWithError("no window");
      return;
    }
    const std::clock_t cpuStart = std::clock();
    const auto wallStart = std::chrono::steady_clock::now();
    host.end = wallStart + seconds;
    host.Run();
    const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    state.counters["cpu_ms"] = 1000.0 * cpu;
    state.counters["idle_periods_per_s"] = static_cast<double>(host.periods) / wall;
    state.counters["idle_passes"] = static_cast<double>(host.passes);
    if (window)
      SDL_DestroyWindow(window);
  }
}
// {seconds, window}
BENCHMARK(BM_IdleLoop)->Args({3, 0})->Args({3, 1})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

// An application with nothing to do: fixed answers for the product's services.
class QuietApp : public QZ::LFrameworkApp {
public:
  explicit QuietApp(QZ::Platform::AppHost& host)
      : LFrameworkApp(QZ::RCPtr<QZ::LControlFactory>(), QZ::NarrowString(""), QZ::RCPtr<QZ::LStringTable>(),
                      host) {}

  QZ::WideString GetCompanyName() override { return {}; }
  QZ::WideString GetProductName() override { return {}; }
  QZ::WideString GetProductVersion() override { return {}; }
  QZ::WideString GetSettingsVersion() override { return {}; }
  QZ::WideString GetApplicationName() override { return {}; }
  QZ::WideString GetMainControlName() override { return {}; }
  std::int32_t GetLanguageId() override { return 0x0409; }
  QZ::QZRESULT GetSystemFont(QZ::WideString&, float&, std::int32_t&) override { return QZ::E_FAIL; }
  std::int32_t GetRendererType() override { return 1; }
  std::uint32_t GetMilliseconds() override { return SDL_GetTicks(); }
  double GetTime() override { return SDL_GetTicks() / 1000.0; }
  QZ::RectT<std::int32_t> GetWorkArea() override { return {0, 0, 1920, 1080}; }
  QZ::CursorID GetCursor(const QZ::WideString&) override { return 0; }
  void GetKeyState(std::uint32_t, bool& down, bool& toggled) override { down = toggled = false; }
  QZ::IIniFileManager* GetIniFileManager() override { return nullptr; }
  QZ::IniFileHandle GetSettingsFile(std::int32_t) override { return 0; }
  void ShowCursor(bool) override {}
  void SetCursorPosition(const QZ::PointT<std::int32_t>&) override {}
  QZ::QZRESULT CreateMainWindow() override { return QZ::S_OK; }
};

// Counts the idle periods and ends the loop when the time is up.
class IdleCounter : public QZ::LNotificationClient {
public:
  std::int32_t Receive(const QZ::RCPtr<QZ::LNotificationDistributor>&,
                       const QZ::RCPtr<QZ::LNotification>&) override {
    ++periods;
    if (std::chrono::steady_clock::now() >= end)
      host->PostQuit(0);
    return 0;
  }

  QZ::Platform::AppHost* host = nullptr;
  std::chrono::steady_clock::time_point end;
  std::int64_t periods = 0;
};

void BM_FrameworkIdleLoop(benchmark::State& state) {
  ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
  const auto seconds = std::chrono::seconds(state.range(0));
  for (auto _ : state) {
    QZ::Platform::AppHost host;
    if (!host.InitApplication()) {
      state.SkipWithError("SDL video could not start");
      return;
    }
    SDL_Window* window = SDL_CreateWindow("idle", 0, 0, 64, 64, SDL_WINDOW_SHOWN);
    {
      const auto app = QZ::MakeRCPtr<QuietApp>(host);
      const auto counter = QZ::MakeRCPtr<IdleCounter>();
      counter->host = &host;
      counter->Subscribe(QZ::RCPtr<QZ::LNotificationDistributor>(QZ::GetApplicationNotificationCenter().GetRaw()),
                         u"NID_IDLE");
      const std::clock_t cpuStart = std::clock();
      const auto wallStart = std::chrono::steady_clock::now();
      counter->end = wallStart + seconds;
      app->RunMessageLoop();
      const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
      const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
      state.counters["cpu_percent"] = 100.0 * cpu / wall;
      state.counters["cpu_ms"] = 1000.0 * cpu;
      state.counters["idle_periods_per_s"] = static_cast<double>(counter->periods) / wall;
      counter->UnsubscribeAll();
    }
    if (window)
      SDL_DestroyWindow(window);
  }
}
// {seconds}
BENCHMARK(BM_FrameworkIdleLoop)->Args({3})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
