// A program fetch round trip against the simulated controller with no added delay: the request goes out, the
// controller answers, the reply handler writes the values into the engine and GetPresetFromMidiDevice returns.
// Manual time around the fetch alone; the idle pass that delivers the value changes runs outside it. Two slots
// with different programs are fetched in turn, so every reply changes values. Argument 0: polling off; 1: polling
// on at the production period (every fetch pauses it and resumes it, and each resume runs a check at once).
// Counters: the median and the 90th percentile of one fetch, in microseconds.

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiManager.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"
#include "Platform/Midi/SimulatedMidiSystem.h"
#include "QZFramework/Notification/NotificationCenterManager.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

void BM_ProgramFetchRoundTrip(benchmark::State& state) {
  QZ::LNotification::EnablePooling(true);
  (void)QZ::GetApplicationNotificationCenter();
  auto simulated = std::make_shared<QZ::Platform::SimulatedMidiSystem>();
  const auto previous = QZ::Platform::SetMidiSystem(simulated);
  simulated->GetController().SetProgram(
      1, {0x00, 0x03, 0x0E, 0x01, 0x02, 0x03, 0x04, 0x01, 0x01, 0x02, 0x01, 0x2C, 0x02});
  simulated->GetController().SetProgram(
      2, {0x07, 0x06, 0x05, 0x00, 0x03, 0x02, 0x01, 0x00, 0x00, 0x01, 0x00, 0x50, 0x01});
  QZ::RCPtr<QZ::LPresetEditorAppEngine> engine = QZ::LPresetEditorAppEngine::Create();
  engine->Initialize(0);
  QZ::SetAppEngine(QZ::RCPtr<LRootModuleEngine>(engine));
  {
    QZ::RCPtr<QZ::LMidiManager> manager = QZ::LMidiManager::Create();
    if (state.range(0) != 0)
      manager->StartDeviceStatusPolling();
    std::vector<double> micros;
    std::int32_t program = 1;
    for (auto _ : state) {
      const Clock::time_point start = Clock::now();
      const std::int32_t result = manager->GetPresetFromMidiDevice(program);
      const std::chrono::duration<double> took = Clock::now() - start;
      if (result != 0) {
        state.SkipWithError("no reply");
        break;
      }
      state.SetIterationTime(took.count());
      micros.push_back(took.count() * 1e6);
      program = 3 - program;
      QZ::LNotificationCenterManager::GetInstance()->ProcessAll(false);
    }
    if (!micros.empty()) {
      std::sort(micros.begin(), micros.end());
      state.counters["median_us"] = micros[micros.size() / 2];
      state.counters["p90_us"] = micros[micros.size() * 9 / 10];
    }
  }
  QZ::SetAppEngine(QZ::RCPtr<LRootModuleEngine>());
  engine = nullptr;
  QZ::Platform::SetMidiSystem(previous);
  QZ::LNotificationCenterManager::GetInstance() = nullptr;
  QZ::LNotification::EnablePooling(false);
}

BENCHMARK(BM_ProgramFetchRoundTrip)
    ->ArgName("polling")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
