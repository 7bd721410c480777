#pragma once
// A JACK server (jackd1's dummy driver, 48 kHz, 256 frames: 5.33 ms periods) under a name of its own and the
// controller simulation (QZ_CONTROLLER_SIM, the qz_controller_sim program) in processes of their own, for the
// benchmarks that measure MIDI over JACK. Both stop with the rig, or after ten minutes whatever happens.
// Needs jackd (Debian's jackd1); ready says whether both run. One thread.

#include "Platform/Midi/RtMidiSystem.h"
#include "Platform/System/Process.h"

#include <chrono>
#include <random>
#include <string>
#include <thread>

namespace QZ::bench {

inline constexpr int kRigStopGraceMs = 5000;

struct JackRig {
  std::string server;
  QZ::Platform::ProcessId jack = 0;
  QZ::Platform::ProcessId simulation = 0;
  bool ready = false;

  JackRig() {
    const std::string jackd = QZ::Platform::FindProgram("jackd");
    const std::string timeout = QZ::Platform::FindProgram("timeout");
    if (jackd.empty() || timeout.empty())
      return;
    server = "qz-bench-" + std::to_string(std::random_device()());
    const std::string environment = "JACK_DEFAULT_SERVER=" + server;
    jack = QZ::Platform::StartProcess(
        timeout, {"600", jackd, "-n", server, "-r", "-d", "dummy", "-r", "48000", "-p", "256"}, {environment});
    if (!WaitFor([&] { return QZ::Platform::IsJackServerRunning(server); }))
      return;
    simulation = QZ::Platform::StartProcess(QZ_CONTROLLER_SIM, {"600"}, {environment});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ready = simulation != 0 && QZ::Platform::IsProcessRunning(simulation);
  }
  ~JackRig() {
    if (simulation)
      QZ::Platform::StopProcess(simulation, kRigStopGraceMs);
    if (jack)
      QZ::Platform::StopProcess(jack, kRigStopGraceMs);
  }
  JackRig(const JackRig&) = delete;
  JackRig& operator=(const JackRig&) = delete;

  template <class Condition>
  static bool WaitFor(Condition condition) {
    for (int i = 0; i < 1000; ++i) {
      if (condition())
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
};

} // namespace QZ::bench
