// The real backend end to end: a JACK server of the test's own (dummy driver, a name no other test uses), the
// controller simulation as a separate process on JACK MIDI ports, and a program sent and fetched through the MIDI
// layer's capture and render ports. Skipped where jackd is not installed. Every wait is bounded; the server and
// the simulation are stopped at the end, and cannot outlive their time limits if the test dies.
#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetSysExMessages.h"

#include "Platform/Midi/RtMidiSystem.h"
#include "Platform/Midi/SimulatedController.h"
#include "Platform/System/Process.h"
#include "Support/MidiTestSupport.h"
#include "Support/ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace QZ {
namespace {

using Platform::SimulatedController;

constexpr int kStopGraceMs = 5000;
constexpr const char* kServerLifetime = "120"; // seconds, should the test never stop it
constexpr const char* kSimulationLifetime = "90";

// Stops a child process when it goes.
class Child {
public:
  explicit Child(Platform::ProcessId id) : mId(id) {}
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() { Stop(); }
  void Stop() {
    if (mId != 0)
      Platform::StopProcess(mId, kStopGraceMs);
    mId = 0;
  }
  bool IsRunning() const { return Platform::IsProcessRunning(mId); }
  explicit operator bool() const { return mId != 0; }

private:
  Platform::ProcessId mId;
};

TEST(MidiJackLoopback, AProgramIsSentAndFetchedThroughTheRealBackend) {
  const std::string jackd = Platform::FindProgram("jackd");
  const std::string timeout = Platform::FindProgram("timeout");
  if (jackd.empty() || timeout.empty())
    GTEST_SKIP() << "jackd (Debian's jackd1) is not installed";

  const std::string server = "qz-loopback-" + std::to_string(std::random_device()());
  const std::string environment = "JACK_DEFAULT_SERVER=" + server;
  Child jack(Platform::StartProcess(
      timeout, {kServerLifetime, jackd, "-n", server, "-r", "-d", "dummy", "-p", "256"}, {environment}));
  ASSERT_TRUE(jack);
  ASSERT_TRUE(test::Eventually([&] { return Platform::IsJackServerRunning(server) || !jack.IsRunning(); }))
      << "the JACK server did not start in time";
  ASSERT_TRUE(jack.IsRunning()) << "the JACK server ended at once";
  ASSERT_TRUE(Platform::IsJackServerRunning(server));

  Child simulation(Platform::StartProcess(QZ_CONTROLLER_SIM, {kSimulationLifetime}, {environment}));
  ASSERT_TRUE(simulation);

  Platform::RtMidiSystemOptions options;
  options.useAlsa = false;
  options.jackServer = server;
  const std::shared_ptr<Platform::MidiSystem> previous =
      Platform::SetMidiSystem(Platform::CreateRtMidiSystem(options));
  {
    RCPtr<LMidiComm> comm = DynamicCast<LMidiComm>(LMidiComm::Create());
    RCPtr<test::MidiCaptureRecorder> recorder = test::MidiCaptureRecorder::Create(RCPtr<LMidiCommInterface>(comm));
    RCPtr<LRefCountedObject> capture, render;
    ASSERT_TRUE(test::Eventually([&] {
      return !simulation.IsRunning() ||
             ((capture || comm->OpenCapturePort(WideString(u"Pellan Vorn"), capture) == S_OK) &&
              (render || comm->OpenRenderPort(WideString(u"Pellan Vorn"), render) == S_OK));
    })) << "the simulation's ports did not appear in time";
    ASSERT_TRUE(capture && render) << "the simulation ended early";

    auto send = [&](const SysExBytes& body) {
      SysExBytes framed;
      EXPECT_EQ(FrameSysExMessage(body, framed), S_OK);
      return comm->SendBytes(render, framed.data(), static_cast<std::uint32_t>(framed.size()));
    };
    const std::size_t widths[] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1};
    auto fetch = [&](std::uint8_t program) -> std::vector<std::uint8_t> {
      const std::size_t before = recorder->WaitFor(0).size();
      EXPECT_EQ(send(BuildPresetRequestMessage(program)), 9);
      const auto got = recorder->WaitFor(before + 1);
      if (got.size() <= before)
        return {};
      EXPECT_TRUE(IsValidPresetReply(got.back().bytes));
      EXPECT_TRUE(ParsePresetReply(got.back().bytes, widths).has_value());
      return std::vector<std::uint8_t>(got.back().bytes.begin() + 8, got.back().bytes.begin() + 21);
    };

    const SimulatedController::Record defaults = SimulatedController::kDefaultRecord;
    EXPECT_EQ(fetch(5), std::vector<std::uint8_t>(defaults.begin(), defaults.end()));

    const SimulatedController::Record mine = {5, 3, 0x0E, 1, 2, 3, 4, 1, 1, 0, 1, 0x2C, 2};
    std::vector<SysExView> values;
    std::size_t at = 0;
    for (std::size_t width : widths) {
      values.emplace_back(mine.data() + at, width);
      at += width;
    }
    EXPECT_EQ(send(PackPresetRecord(BuildPresetSendMessage(5), values)), 22);
    EXPECT_EQ(fetch(5), std::vector<std::uint8_t>(mine.begin(), mine.end())) << "stored in the other process";
    EXPECT_EQ(fetch(4), std::vector<std::uint8_t>(defaults.begin(), defaults.end()));

    // The simulation ends: its devices go, and the ports notice.
    simulation.Stop();
    EXPECT_TRUE(test::Eventually([&] { return !DynamicCast<LMidiRenderPort>(render)->IsDevicePresent(); }));
    recorder->UnsubscribeAll();
  }
  Platform::SetMidiSystem(previous); // our JACK clients close before the server goes
  jack.Stop();
}

} // namespace
} // namespace QZ
