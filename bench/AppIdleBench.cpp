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

#include "Platform/App/AppHost.h"

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

} // namespace

BENCHMARK_MAIN();
