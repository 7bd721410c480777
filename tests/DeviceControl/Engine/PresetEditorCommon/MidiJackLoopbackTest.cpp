// The real backend end to end: a JACK server of the test's own (dummy driver, a name no other test uses), the
// controller simulation as a separate process on JACK MIDI ports, and a program sent and fetched through the MIDI
// layer's capture and render ports. Skipped where jackd is not installed. Every wait is bounded; the server and
// the simulation are stopped at the end, and cannot outlive their time limits if the test dies.
#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetSysExMessages.h"

#include "Platform/Midi/RtMidiSystem.h"
#include "Platform/Midi/SimulatedController.h"
#include "Platform/System/Process.h"
#include "Support/MidiManagerFixture.h"
#include "Support/MidiTestSupport.h"
#include "Support/ThreadTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <optional>
#include <random>
#include <string>
#include <thread>
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

// The MIDI manager over the real backend: a JACK server of the test's own and the controller simulation as
// processes, the manager's notifications delivered by the fixture's idle passes.
class MidiJackManagerTest : public test::MidiManagerFixture {
protected:
  // A polling period long enough for JACK's enumerations, short enough for quick tests.
  static constexpr std::uint32_t kPollMs = 20;

  void SetUp() override {
    mJackd = Platform::FindProgram("jackd");
    mTimeout = Platform::FindProgram("timeout");
    if (mJackd.empty() || mTimeout.empty())
      GTEST_SKIP() << "jackd (Debian's jackd1) is not installed";
    mServer = "qz-manager-" + std::to_string(std::random_device()());
    ASSERT_TRUE(StartServer());
    Platform::RtMidiSystemOptions options;
    options.useAlsa = false;
    options.jackServer = mServer;
    options.jackSenderRestMs = mSenderRestMs;
    mTap = std::make_shared<test::MidiWireTap>(Platform::CreateRtMidiSystem(options));
    MidiManagerFixture::SetUp();
  }
  void TearDown() override {
    if (!mTap)
      return;                       // skipped
    MidiManagerFixture::TearDown(); // our JACK clients close before the server goes
    mTap = nullptr;
    for (auto& simulation : mSimulations)
      simulation->Stop();
    if (mJack)
      mJack->Stop();
  }

  bool StartServer() {
    const std::string environment = "JACK_DEFAULT_SERVER=" + mServer;
    mJack.emplace(Platform::StartProcess(
        mTimeout, {kServerLifetime, mJackd, "-n", mServer, "-r", "-d", "dummy", "-p", "256"}, {environment}));
    return *mJack &&
           test::Eventually([&] { return Platform::IsJackServerRunning(mServer) || !mJack->IsRunning(); }) &&
           mJack->IsRunning();
  }
  // A simulated controller under that name; true once the manager's backend lists it.
  bool StartSimulation(const char* name = "Pellan Vorn") {
    const std::string environment = "JACK_DEFAULT_SERVER=" + mServer;
    mSimulations.push_back(std::make_unique<Child>(
        Platform::StartProcess(QZ_CONTROLLER_SIM, {kSimulationLifetime, name}, {environment})));
    Child& simulation = *mSimulations.back();
    return simulation && test::Eventually([&] { return IsListed(name) || !simulation.IsRunning(); }) &&
           simulation.IsRunning();
  }
  // Listed in both directions.
  bool IsListed(const char* name) {
    return IsListedAs(name, Platform::MidiDirection::Input) && IsListedAs(name, Platform::MidiDirection::Output);
  }
  // Listed in neither direction.
  bool IsGone(const char* name) {
    return !IsListedAs(name, Platform::MidiDirection::Input) && !IsListedAs(name, Platform::MidiDirection::Output);
  }
  bool IsListedAs(const char* name, Platform::MidiDirection direction) {
    const std::u16string wanted(name, name + std::char_traits<char>::length(name));
    bool found = false;
    const std::uint32_t count = mTap->GetDeviceCount(direction);
    for (std::uint32_t i = 0; i < count; ++i) {
      std::u16string listed;
      found = found || (mTap->GetDeviceName(direction, i, listed) == Platform::kMidiOk && listed == wanted);
    }
    return found;
  }
  void MakeConnectedManager() {
    MakeManager();
    mManager->SetPollingPeriod(kPollMs);
    mManager->StartDeviceStatusPolling();
    DeliverUntil([&](const std::vector<test::Seen>&) { return mManager->IsDeviceConnected(); });
    ASSERT_TRUE(mManager->IsDeviceConnected());
  }
  // Idle passes until the last announcement of each direction says that status; whether it came to that. How
  // many come on the way depends on the timing (a device whose ports appear one by one may be announced back and
  // gone again in between); where they end does not.
  bool AwaitLast(std::int32_t status) {
    bool reached = false;
    DeliverUntil([&](const std::vector<test::Seen>& all) {
      std::optional<std::int32_t> input, output;
      for (const test::Seen& seen : all) {
        if (seen.id == "NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED")
          input = seen.status;
        else if (seen.id == "NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED")
          output = seen.status;
      }
      reached = input == status && output == status;
      return reached;
    });
    return reached;
  }

  std::uint32_t mSenderRestMs = Platform::RtMidiSystemOptions{}.jackSenderRestMs;
  std::string mJackd, mTimeout, mServer;
  std::optional<Child> mJack;
  std::vector<std::unique_ptr<Child>> mSimulations;
};

const SimulatedController::Record kMine = {5, 3, 0x0E, 1, 2, 3, 4, 1, 1, 0, 1, 0x2C, 2};
const test::Bytes kDefaults(SimulatedController::kDefaultRecord.begin(),
                            SimulatedController::kDefaultRecord.end());

// libjack's own threads write to the server's socket; a server that stops must not end the process with SIGPIPE.
// Its devices are announced gone, and a new server with a controller is found and used.
TEST_F(MidiJackManagerTest, AServerThatStopsTakesItsDevicesAndANewOneIsFound) {
  ASSERT_TRUE(StartSimulation());
  MakeConnectedManager();
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(5), 0);

  mJack->Stop();
  EXPECT_TRUE(AwaitLast(kMidiDeviceDisconnected)) << "the devices were not announced gone";
  EXPECT_FALSE(mManager->IsDeviceConnected());
  // libjack's threads have noticed: the backend lists nothing of the old server any more.
  ASSERT_TRUE(test::Eventually([&] { return IsGone("Pellan Vorn"); }));

  ASSERT_TRUE(StartServer());
  ASSERT_TRUE(StartSimulation());
  EXPECT_TRUE(AwaitLast(kMidiDeviceConnected)) << "the new server's devices were not announced";
  DeliverUntil([&](const std::vector<test::Seen>&) { return mManager->IsDeviceConnected(); });
  ASSERT_TRUE(mManager->IsDeviceConnected());
  SetEngineRecord(kMine);
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(5), 0);
  EXPECT_EQ(EngineRecord(), kDefaults) << "the new controller's program";
}

// A controller that went: sends through the ports it left fail at once and send nothing, also when it came back
// between two polling ticks; the next ticks announce the loss and the return, and the manager works again.
TEST_F(MidiJackManagerTest, SendsToAControllerThatWentFailAndAReplugIsAnnounced) {
  ASSERT_TRUE(StartSimulation());
  MakeConnectedManager();
  mManager->StopDeviceStatusPolling();
  SetEngineRecord(kMine);
  (void)mTap->TakeSent();

  mSimulations.back()->Stop();
  // Once the server has taken its ports away (it notices a client's end a little later), no send goes out.
  ASSERT_TRUE(test::Eventually([&] { return IsGone("Pellan Vorn"); }));
  for (int i = 0; i < 10; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(mManager->SendPreset(3), E_FAIL);
  }
  // A reply wait far longer than anything takes on a loaded machine: the fetch fails without waiting for it.
  constexpr std::uint32_t kLongReplyWaitMs = 10 * test::kPatienceMs;
  mManager->SetReplyWait(kLongReplyWaitMs);
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(3), kMidiNoPort);
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(kLongReplyWaitMs))
      << "at once, not after the reply wait";
  EXPECT_TRUE(mTap->TakeSent().empty());

  // Back before the next tick: the ports still lost their connections.
  ASSERT_TRUE(StartSimulation());
  EXPECT_EQ(mManager->SendPreset(4), E_FAIL);
  EXPECT_TRUE(mTap->TakeSent().empty());
  mManager->StartDeviceStatusPolling();
  // The loss, then the return, once each per direction. Both may arrive in one idle pass: the reconnection that
  // the loss causes restarts the polling with a tick at once, which finds the controller back.
  std::vector<std::int32_t> inputs, outputs;
  DeliverUntil([&](const std::vector<test::Seen>& all) {
    inputs.clear();
    outputs.clear();
    for (const test::Seen& seen : all) {
      if (seen.id == "NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED")
        inputs.push_back(seen.status);
      else if (seen.id == "NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED")
        outputs.push_back(seen.status);
    }
    return inputs.size() >= 2 && outputs.size() >= 2;
  });
  const std::vector<std::int32_t> lossThenReturn = {kMidiDeviceDisconnected, kMidiDeviceConnected};
  EXPECT_EQ(inputs, lossThenReturn);
  EXPECT_EQ(outputs, lossThenReturn);
  DeliverUntil([&](const std::vector<test::Seen>&) { return mManager->IsDeviceConnected(); });
  ASSERT_TRUE(mManager->IsDeviceConnected());

  EXPECT_EQ(mManager->GetPresetFromMidiDevice(4), 0);
  EXPECT_EQ(EngineRecord(), kDefaults) << "the failed send stored nothing";
  SetEngineRecord(kMine);
  EXPECT_EQ(mManager->SendPreset(4), 22);
  SetEngineRecord(SimulatedController::kDefaultRecord);
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(4), 0);
  EXPECT_EQ(EngineRecord(), test::Bytes(kMine.begin(), kMine.end()));
}

// A device whose name only ends in "Pellan Vorn", listed first, is not the controller.
TEST_F(MidiJackManagerTest, TheDeviceOfExactlyTheNameIsTheOneConnected) {
  ASSERT_TRUE(StartSimulation("Not Pellan Vorn"));
  ASSERT_TRUE(StartSimulation("Pellan Vorn"));
  MakeConnectedManager();
  SetEngineRecord(kMine);
  EXPECT_EQ(mManager->SendPreset(2), 22);
  SetEngineRecord(SimulatedController::kDefaultRecord);
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(2), 0);
  EXPECT_EQ(EngineRecord(), test::Bytes(kMine.begin(), kMine.end()));

  // The other one was left alone.
  mManager->StopDeviceStatusPolling();
  const RCPtr<LMidiComm> comm = DynamicCast<LMidiComm>(mManager->GetMidiComm());
  ASSERT_TRUE(comm);
  RCPtr<test::MidiCaptureRecorder> recorder = test::MidiCaptureRecorder::Create(RCPtr<LMidiCommInterface>(comm));
  RCPtr<LRefCountedObject> capture, render;
  ASSERT_EQ(comm->OpenCapturePort(WideString(u"Not Pellan Vorn"), capture), S_OK);
  ASSERT_EQ(comm->OpenRenderPort(WideString(u"Not Pellan Vorn"), render), S_OK);
  EXPECT_EQ(DynamicCast<LMidiRenderPort>(render)->GetDeviceName(), WideString(u"Not Pellan Vorn"));
  SysExBytes framed;
  ASSERT_EQ(FrameSysExMessage(BuildPresetRequestMessage(2), framed), S_OK);
  const std::size_t before = recorder->WaitFor(0).size();
  EXPECT_EQ(comm->SendBytes(render, framed.data(), static_cast<std::uint32_t>(framed.size())), 9);
  const auto got = recorder->WaitFor(before + 1);
  ASSERT_GT(got.size(), before);
  EXPECT_EQ(test::Bytes(got.back().bytes.begin() + 8, got.back().bytes.begin() + 21), kDefaults);
  recorder->UnsubscribeAll();
}

} // namespace
// The output's sender client rests between bursts of messages (the server wakes it every period): its port leaves
// the server after a rest, a fetch makes it again and works, and a controller that came back while it rested is
// refused all the same. A watch of the server's ports of its own sees the sender come and go.
class MidiJackRestingSenderTest : public MidiJackManagerTest {
protected:
  static constexpr std::uint32_t kRestMs = 20;
  MidiJackRestingSenderTest() { mSenderRestMs = kRestMs; }

  // Each time the sender's port came (true) and went (false), in order.
  std::vector<bool> SenderChanges() const {
    std::vector<bool> changes;
    for (const Platform::JackPortWatch::Change& change : mWatch->GetChanges()) {
      const std::string& port = change.port;
      const std::string tail = " send";
      if (port.starts_with("QZ MIDI") && port.size() > tail.size() && port.ends_with(tail))
        changes.push_back(change.came);
    }
    return changes;
  }
  // Until every sender port that came (the manager's, and those of the ports its checks opened and closed) has
  // gone again, with at least `since` + 2 changes; the changes after the first `since`.
  std::vector<bool> RestedSince(std::size_t since) const {
    std::vector<bool> changes;
    test::Eventually([&] {
      changes = SenderChanges();
      const auto came = std::count(changes.begin(), changes.end(), true);
      return changes.size() >= since + 2 && came * 2 == static_cast<std::ptrdiff_t>(changes.size());
    });
    return changes.size() < since
               ? std::vector<bool>()
               : std::vector<bool>(changes.begin() + static_cast<std::ptrdiff_t>(since), changes.end());
  }
  void TearDown() override {
    mWatch.reset(); // before the server goes
    MidiJackManagerTest::TearDown();
  }

  std::optional<Platform::JackPortWatch> mWatch;
};

TEST_F(MidiJackRestingSenderTest, AFetchAfterARestWorksAndAReplugDuringOneIsRefused) {
  mWatch.emplace(mServer);
  ASSERT_TRUE(mWatch->IsWatching());
  ASSERT_TRUE(StartSimulation());
  MakeConnectedManager();
  mManager->StopDeviceStatusPolling();
  // Made with the output, the sender rests once nothing goes out.
  const std::vector<bool> opened = RestedSince(0);
  ASSERT_FALSE(opened.empty());
  EXPECT_EQ(std::count(opened.begin(), opened.end(), true) * 2, static_cast<std::ptrdiff_t>(opened.size()))
      << "the sender did not rest";
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    const std::size_t before = SenderChanges().size();
    SetEngineRecord(kMine);
    EXPECT_EQ(mManager->GetPresetFromMidiDevice(5), 0);
    EXPECT_EQ(EngineRecord(), kDefaults);
    EXPECT_EQ(RestedSince(before), (std::vector<bool>{true, false}))
        << "the sender came back for the fetch, and rested again";
  }

  // The controller goes and comes back while the sender rests.
  mSimulations.back()->Stop();
  ASSERT_TRUE(test::Eventually([&] { return IsGone("Pellan Vorn"); }));
  ASSERT_TRUE(StartSimulation());
  (void)mTap->TakeSent();
  SetEngineRecord(kMine);
  EXPECT_EQ(mManager->SendPreset(4), E_FAIL);
  EXPECT_TRUE(mTap->TakeSent().empty());
}

} // namespace QZ
