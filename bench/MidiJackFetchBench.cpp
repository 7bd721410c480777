// A program fetch over a real JACK server, in one run against one server and one controller: the MIDI manager's
// GetPresetFromMidiDevice, and, as the yardstick, a plain RtMidi client that sends the same request and waits for
// the reply. The server is started by the benchmark (jackd1's dummy driver, 48 kHz, 256 frames: 5.33 ms periods)
// and the controller simulation runs as a process of its own, as in the JACK loopback test. Manual time around one
// fetch; counters: the median and the 90th percentile in microseconds, and the median in JACK periods.
//
// Two ways to ask (argument back_to_back): 0, each request at a random point of the period, as a user's click is;
// 1, each request right after the previous reply, as a program of requests would, which shows whether a client's
// turnaround makes the next request miss the period it could still be served in. The platform layer's own fetch
// (our RtMidi backend's ports alone) runs beside, so the manager's cost over it shows too.
//
//   qz_midi_jack_fetch_bench [benchmark flags]      needs jackd (Debian's jackd1)

#include "JackRig.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiManager.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"
#include "Platform/Midi/RtMidiSystem.h"
#include "Platform/System/Process.h"
#include "QZFramework/Notification/NotificationCenterManager.h"

#include <RtMidi.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using QZ::bench::JackRig;

using Clock = std::chrono::steady_clock;

constexpr double kPeriodUs = 256.0 / 48000.0 * 1e6;

JackRig& Rig() {
  static JackRig rig;
  return rig;
}

// A request made at a random point of the period, as a user's click is: right after a reply the next request
// would otherwise always meet the server at the same point of its cycle. Back to back: none.
void BeforeRequest(const benchmark::State& state) {
  static std::mt19937 random(20261211);
  if (state.range(0) == 0)
    std::this_thread::sleep_for(std::chrono::microseconds(1000 + random() % 5333));
}

void Report(benchmark::State& state, std::vector<double>& micros) {
  if (micros.empty())
    return;
  std::sort(micros.begin(), micros.end());
  state.counters["median_us"] = micros[micros.size() / 2];
  state.counters["p90_us"] = micros[micros.size() * 9 / 10];
  state.counters["median_periods"] = micros[micros.size() / 2] / kPeriodUs;
}

void BM_ManagerFetch(benchmark::State& state) {
  JackRig& rig = Rig();
  if (!rig.ready) {
    state.SkipWithError("no JACK server or controller (is jackd installed?)");
    return;
  }
  QZ::LNotification::EnablePooling(true);
  (void)QZ::GetApplicationNotificationCenter();
  QZ::Platform::RtMidiSystemOptions options;
  options.useAlsa = false;
  options.jackServer = rig.server;
  const auto previous = QZ::Platform::SetMidiSystem(QZ::Platform::CreateRtMidiSystem(options));
  QZ::RCPtr<QZ::LPresetEditorAppEngine> engine = QZ::LPresetEditorAppEngine::Create();
  engine->Initialize(0);
  QZ::SetAppEngine(QZ::RCPtr<LRootModuleEngine>(engine));
  {
    QZ::RCPtr<QZ::LMidiManager> manager = QZ::LMidiManager::Create();
    if (state.range(1) != 0)
      manager->StartDeviceStatusPolling();
    std::vector<double> micros;
    std::int32_t program = 1;
    for (auto _ : state) {
      BeforeRequest(state);
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
    Report(state, micros);
  }
  QZ::SetAppEngine(QZ::RCPtr<LRootModuleEngine>());
  engine = nullptr;
  QZ::Platform::SetMidiSystem(previous);
  QZ::LNotificationCenterManager::GetInstance() = nullptr;
  QZ::LNotification::EnablePooling(false);
}

// The plain client: one RtMidiIn and one RtMidiOut on the controller's ports ("Pellan Vorn" and "Pellan Vorn-01"),
// the request sent, the reply awaited on a condition the input callback signals.
struct PlainReply {
  std::mutex lock;
  std::condition_variable arrived;
  bool got = false;
};

void OnPlainInput(double, std::vector<unsigned char>* message, void* user) {
  if (!message || message->size() < 21 || (*message)[0] != 0xF0)
    return;
  auto* reply = static_cast<PlainReply*>(user);
  {
    std::lock_guard<std::mutex> guard(reply->lock);
    reply->got = true;
  }
  reply->arrived.notify_one();
}

template <class Midi>
bool OpenByName(Midi& midi, const char* name) {
  for (unsigned i = 0; i < midi.getPortCount(); ++i)
    if (midi.getPortName(i).rfind(name, 0) == 0) {
      midi.openPort(i, "plain");
      return true;
    }
  return false;
}

void BM_PlainRtMidiFetch(benchmark::State& state) {
  JackRig& rig = Rig();
  if (!rig.ready) {
    state.SkipWithError("no JACK server or controller (is jackd installed?)");
    return;
  }
  ::setenv("JACK_DEFAULT_SERVER", rig.server.c_str(), 1);
  PlainReply reply;
  RtMidiIn in(RtMidi::UNIX_JACK, "plain client");
  RtMidiOut out(RtMidi::UNIX_JACK, "plain client");
  in.ignoreTypes(false, false, false);
  in.setCallback(&OnPlainInput, &reply);
  if (!OpenByName(in, "Pellan Vorn") || !OpenByName(out, "Pellan Vorn")) {
    state.SkipWithError("the controller's ports are not there");
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the connections settle
  std::vector<double> micros;
  unsigned char request[] = {0xF0, 0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x01, 0xF7};
  for (auto _ : state) {
    BeforeRequest(state);
    std::unique_lock<std::mutex> guard(reply.lock);
    reply.got = false;
    const Clock::time_point start = Clock::now();
    out.sendMessage(request, sizeof request);
    const bool got = reply.arrived.wait_for(guard, std::chrono::seconds(1), [&] { return reply.got; });
    const std::chrono::duration<double> took = Clock::now() - start;
    if (!got) {
      state.SkipWithError("no reply");
      break;
    }
    state.SetIterationTime(took.count());
    micros.push_back(took.count() * 1e6);
    request[7] = static_cast<unsigned char>(3 - request[7]);
  }
  Report(state, micros);
}

// The platform layer alone: our RtMidi backend's ports on the controller, the request sent as a long message, the
// reply awaited on its input callback.
void OnPlatformInput(void* user, QZ::Platform::MidiInputEvent event, std::uint32_t, std::uint32_t,
                     QZ::Platform::MidiBuffer* buffer) {
  auto* reply = static_cast<PlainReply*>(user);
  if (event != QZ::Platform::MidiInputEvent::LongData || !buffer || buffer->bytesRecorded < 21)
    return;
  {
    std::lock_guard<std::mutex> guard(reply->lock);
    reply->got = true;
  }
  reply->arrived.notify_one();
}

void BM_PlatformFetch(benchmark::State& state) {
  JackRig& rig = Rig();
  if (!rig.ready) {
    state.SkipWithError("no JACK server or controller (is jackd installed?)");
    return;
  }
  QZ::Platform::RtMidiSystemOptions options;
  options.useAlsa = false;
  options.jackServer = rig.server;
  const auto midi = QZ::Platform::CreateRtMidiSystem(options);
  auto find = [&](QZ::Platform::MidiDirection direction) {
    const std::uint32_t count = midi->GetDeviceCount(direction);
    for (std::uint32_t i = 0; i < count; ++i) {
      std::u16string name;
      if (midi->GetDeviceName(direction, i, name) == QZ::Platform::kMidiOk && name == u"Pellan Vorn")
        return static_cast<std::int32_t>(i);
    }
    return -1;
  };
  PlainReply reply;
  QZ::Platform::MidiInHandle in = 0;
  QZ::Platform::MidiOutHandle out = 0;
  const std::int32_t inIndex = find(QZ::Platform::MidiDirection::Input);
  const std::int32_t outIndex = find(QZ::Platform::MidiDirection::Output);
  // The output first, as the manager opens them: its client is then the older one.
  if (inIndex < 0 || outIndex < 0 ||
      midi->OpenOutput(static_cast<std::uint32_t>(outIndex), nullptr, nullptr, out) != QZ::Platform::kMidiOk ||
      midi->OpenInput(static_cast<std::uint32_t>(inIndex), &OnPlatformInput, &reply, in) !=
          QZ::Platform::kMidiOk) {
    state.SkipWithError("the controller's ports are not there");
    return;
  }
  std::vector<std::uint8_t> room(64);
  QZ::Platform::MidiBuffer input{room.data(), static_cast<std::uint32_t>(room.size())};
  (void)midi->StartInput(in);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::vector<double> micros;
  std::uint8_t request[] = {0xF0, 0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x01, 0xF7};
  for (auto _ : state) {
    BeforeRequest(state);
    (void)midi->AddInputBuffer(in, &input);
    std::unique_lock<std::mutex> guard(reply.lock);
    reply.got = false;
    QZ::Platform::MidiBuffer message{request, sizeof request};
    const Clock::time_point start = Clock::now();
    (void)midi->SendLong(out, &message);
    const bool got = reply.arrived.wait_for(guard, std::chrono::seconds(1), [&] { return reply.got; });
    const std::chrono::duration<double> took = Clock::now() - start;
    if (!got) {
      state.SkipWithError("no reply");
      break;
    }
    state.SetIterationTime(took.count());
    micros.push_back(took.count() * 1e6);
    request[7] = static_cast<std::uint8_t>(3 - request[7]);
  }
  (void)midi->CloseInput(in);
  (void)midi->CloseOutput(out);
  Report(state, micros);
}

BENCHMARK(BM_PlatformFetch)
    ->ArgName("back_to_back")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ManagerFetch)
    ->ArgNames({"back_to_back", "polling"})
    ->Args({0, 0})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({1, 1})
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PlainRtMidiFetch)
    ->ArgName("back_to_back")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
