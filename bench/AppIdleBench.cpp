// An idle application must sleep between its idle periods. This runs an
// otherwise empty host for a few seconds and reports the processor time the
// whole process took (every thread) against the time that passed.
//
// BM_IdleLoop is the bare host with its fixed wait (33 ms unless set), with the
// application's idle rule (three passes when work remains): the loop as it was
// before the application's wait-time source, kept as the yardstick. SDL blocks
// in its wait only when the driver can (X11, for example under xvfb-run) and a
// shown window exists to wake; otherwise (the offscreen driver, unset
// SDL_VIDEODRIVER) the host waits on its own condition. The second run opens
// one window with SDL directly.
//
// BM_FrameworkIdleLoop runs the framework application's own message loop over
// the same host and one root window's worth of idle work: every idle period is
// the application's idle pass over the notification centers. The application
// tells the host how long to sleep (until an event, a post from another thread
// or a control's timer), so a quiet application does not wake. A thread of the
// benchmark ends the loop when the time is up. Argument midi:
//   0  no MIDI;
//   1  the MIDI manager over the simulated controller, with its status polling
//      on (the polling thread's 500 ms ticks count: they are the process's);
//   2  the MIDI manager over a JACK server this benchmark starts (jackd1's dummy
//      driver, 48 kHz, 256 frames) with the controller simulation in a process
//      of its own: one controller, its ports connected to ours. The figure is
//      this process's time; the server's and the controller's are not in it.
//      The measurement starts once the output's JACK sender client rested
//      after the manager's first messages (an idle editor sends nothing).
// Counters: cpu_percent (of one core), cpu_ms, idle_periods_per_s.

#include "JackRig.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiManager.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"
#include "Platform/App/AppHost.h"
#include "Platform/Midi/RtMidiSystem.h"
#include "Platform/Midi/SimulatedMidiSystem.h"
#include "Platform/System/Process.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"

#include <SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <random>
#include <string>
#include <thread>

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

// Counts the idle periods (it subscribes to "NID_IDLE" on the application
// center, which asks for no periods of its own).
class IdleCounter : public QZ::LNotificationClient {
public:
  std::int32_t Receive(const QZ::RCPtr<QZ::LNotificationDistributor>&,
                       const QZ::RCPtr<QZ::LNotification>&) override {
    ++periods;
    return 0;
  }

  std::int64_t periods = 0;
};

using QZ::bench::JackRig;

void BM_FrameworkIdleLoop(benchmark::State& state) {
  ::setenv("SDL_VIDEODRIVER", "offscreen", 0);
  const auto seconds = std::chrono::seconds(state.range(0));
  const std::int64_t midi = state.range(1);
  std::unique_ptr<JackRig> rig;
  std::shared_ptr<QZ::Platform::MidiSystem> system;
  if (midi == 1) {
    system = std::make_shared<QZ::Platform::SimulatedMidiSystem>();
  } else if (midi == 2) {
    rig = std::make_unique<JackRig>();
    if (!rig->ready) {
      state.SkipWithError("no JACK server or controller (is jackd installed?)");
      return;
    }
    QZ::Platform::RtMidiSystemOptions options;
    options.useAlsa = false;
    options.jackServer = rig->server;
    system = QZ::Platform::CreateRtMidiSystem(options);
  }
  const auto previous = system ? QZ::Platform::SetMidiSystem(system) : nullptr;
  for (auto _ : state) {
    QZ::Platform::AppHost host;
    if (!host.InitApplication()) {
      state.SkipWithError("SDL video could not start");
      return;
    }
    SDL_Window* window = SDL_CreateWindow("idle", 0, 0, 64, 64, SDL_WINDOW_SHOWN);
    {
      const auto app = QZ::MakeRCPtr<QuietApp>(host);
      QZ::LNotification::EnablePooling(true);
      QZ::RCPtr<QZ::LPresetEditorAppEngine> engine;
      QZ::RCPtr<QZ::LMidiManager> manager;
      if (system) {
        engine = QZ::LPresetEditorAppEngine::Create();
        engine->Initialize(0);
        QZ::SetAppEngine(QZ::RCPtr<LRootModuleEngine>(engine));
        manager = QZ::LMidiManager::Create();
        manager->StartDeviceStatusPolling();
        if (!manager->IsDeviceConnected()) {
          state.SkipWithError("the manager found no controller");
          break;
        }
      }
      const auto counter = QZ::MakeRCPtr<IdleCounter>();
      counter->Subscribe(QZ::RCPtr<QZ::LNotificationDistributor>(QZ::GetApplicationNotificationCenter().GetRaw()),
                         u"NID_IDLE");
      // Settle: the manager's first ticks and the window's first events; with JACK, the sender's rest too.
      const std::uint32_t restMs = midi == 2 ? QZ::Platform::RtMidiSystemOptions{}.jackSenderRestMs : 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(200 + restMs * 3 / 2));
      const std::clock_t cpuStart = std::clock();
      const auto wallStart = std::chrono::steady_clock::now();
      std::thread timer([&host, seconds] {
        std::this_thread::sleep_for(seconds);
        host.PostQuit(0);
      });
      app->RunMessageLoop();
      const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
      const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
      timer.join();
      state.counters["cpu_percent"] = 100.0 * cpu / wall;
      state.counters["cpu_ms"] = 1000.0 * cpu;
      state.counters["idle_periods_per_s"] = static_cast<double>(counter->periods) / wall;
      counter->UnsubscribeAll();
      manager = nullptr;
      QZ::SetAppEngine(QZ::RCPtr<LRootModuleEngine>());
      engine = nullptr;
    }
    if (window)
      SDL_DestroyWindow(window);
  }
  if (system)
    QZ::Platform::SetMidiSystem(previous);
}
// {seconds, midi}
BENCHMARK(BM_FrameworkIdleLoop)
    ->ArgNames({"seconds", "midi"})
    ->Args({5, 0})
    ->Args({5, 1})
    ->Args({5, 2})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
