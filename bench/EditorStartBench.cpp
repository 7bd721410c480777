// The editor program under the offscreen driver: the time from starting the process to its first frame
// (the program says "first frame" on standard output once the main window was painted, then exits), and
// the processor time a running editor with nothing to do takes over ten seconds.
//
// Run the Release build; each start uses fresh user folders, so every start is a first start. The video
// driver is SDL_VIDEODRIVER's (offscreen when unset; SDL_VIDEODRIVER=x11 under xvfb-run measures on a display).

#include "Panel/Main/ApplicationBaseWin.h"
#include "Platform/System/Process.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::filesystem::path FreshFolder() {
  static int count = 0;
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("qz_editor_bench_" + std::to_string(::getpid()) + "_" + std::to_string(count++));
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder / "run");
  return folder;
}

// SDL_VIDEODRIVER as the benchmark was given it, else offscreen.
std::string VideoDriver() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  return driver != nullptr && *driver != '\0' ? driver : "offscreen";
}

std::vector<std::string> Environment(const std::filesystem::path& folder) {
  return {"SDL_VIDEODRIVER=" + VideoDriver(), "PELLAN_VORN_MIDI=none",
          "XDG_RUNTIME_DIR=" + (folder / "run").string(), "XDG_CONFIG_HOME=" + (folder / "config").string(),
          "XDG_DATA_HOME=" + (folder / "data").string()};
}

void BM_ColdStartToFirstFrame(benchmark::State& state) {
  for (auto _ : state) {
    const std::filesystem::path folder = FreshFolder();
    std::string command = "exec env";
    for (const std::string& entry : Environment(folder))
      command += " " + entry;
    command += std::string(" ") + QZ::kEnvironmentExitAfterFirstFrame + "=1 " + QZ_EDITOR_PROGRAM;
    const auto start = std::chrono::steady_clock::now();
    FILE* output = ::popen(command.c_str(), "r");
    if (!output) {
      state.SkipWithError("cannot start the editor");
      return;
    }
    char line[64] = {};
    const bool framed = std::fgets(line, sizeof line, output) != nullptr;
    const auto end = std::chrono::steady_clock::now();
    ::pclose(output);
    std::filesystem::remove_all(folder);
    if (!framed || std::string(line).rfind(QZ::kFirstFrameMarker, 0) != 0) {
      state.SkipWithError("no first frame");
      return;
    }
    state.SetIterationTime(std::chrono::duration<double>(end - start).count());
  }
}
BENCHMARK(BM_ColdStartToFirstFrame)
    ->Iterations(1)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// utime + stime of a process, in clock ticks.
double ProcessorTicks(QZ::Platform::ProcessId process) {
  std::ifstream in("/proc/" + std::to_string(process) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The fields after the command name (which may hold blanks) start after its closing parenthesis.
  std::istringstream fields(text.substr(text.rfind(')') + 2));
  std::string field;
  double utime = 0;
  double stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14)
      utime = std::stod(field);
    if (i == 15)
      stime = std::stod(field);
  }
  return utime + stime;
}

void BM_IdleShellProcessorTime(benchmark::State& state) {
  for (auto _ : state) {
    const std::filesystem::path folder = FreshFolder();
    const QZ::Platform::ProcessId editor = QZ::Platform::StartProcess(QZ_EDITOR_PROGRAM, {}, Environment(folder));
    if (editor == 0) {
      state.SkipWithError("cannot start the editor");
      return;
    }
    std::this_thread::sleep_for(std::chrono::seconds(2)); // past the start
    const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
    const double before = ProcessorTicks(editor);
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(state.range(0)));
    const double after = ProcessorTicks(editor);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    static_cast<void>(QZ::Platform::StopProcess(editor, 5000));
    std::filesystem::remove_all(folder);
    state.counters["cpu_percent"] = 100.0 * (after - before) / ticks / wall;
    state.counters["cpu_ms"] = 1000.0 * (after - before) / ticks;
  }
}
BENCHMARK(BM_IdleShellProcessorTime)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
