#include "Platform/Midi/RtMidiSystem.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

TEST(RtMidiSystem, DeviceNamesLeaveOutPortsAddressesAndJackSuffixes) {
  const struct {
    const char* alsa;
    std::u16string name;
  } alsa[] = {
      {"Pellan Vorn:Pellan Vorn MIDI 1 24:0", u"Pellan Vorn"},
      {"Midi Through:Midi Through Port-0 14:0", u"Midi Through"},
      {"NoColon", u"NoColon"},
      {"Gr\xC3\xBC\xC3\x9F"
       "e:port 20:0",
       u"Gr\u00FC\u00DFe"},
      {"Bad \xFF byte:port 20:0", u"Bad \uFFFD byte"},
      {"A very long client name that goes on and on:port 30:0", u"A very long client name that go"},
  };
  for (const auto& c : alsa)
    EXPECT_EQ(MidiDeviceNameFromAlsaPort(c.alsa), c.name) << c.alsa;

  const struct {
    const char* jack;
    std::u16string name;
  } jack[] = {
      {"Pellan Vorn:out", u"Pellan Vorn"},
      {"Pellan Vorn-01:out", u"Pellan Vorn"},
      {"system:midi_capture_1", u"system"},
      {"Keys-1:out", u"Keys-1"},
      {"-01:out", u"-01"},
  };
  for (const auto& c : jack)
    EXPECT_EQ(MidiDeviceNameFromJackPort(c.jack), c.name) << c.jack;
}

// These machines have no /dev/snd: RtMidi's ALSA constructor throws, and the backend has no devices, says so
// quietly and never crashes. A JACK server that does not run has none either, and none is started.
TEST(RtMidiSystem, WithoutASequencerOrAServerThereAreNoDevices) {
  const std::string server = "qz-no-server-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed());
  EXPECT_FALSE(IsJackServerRunning(server));

  RtMidiSystemOptions options;
  options.jackServer = server;
  const std::shared_ptr<MidiSystem> midi = CreateRtMidiSystem(options);
  for (int round = 0; round < 3; ++round) { // enumerated again and again, as the connection check does
    for (MidiDirection direction : {MidiDirection::Input, MidiDirection::Output}) {
      EXPECT_EQ(midi->GetDeviceCount(direction), 0u);
      std::u16string name = u"stale";
      EXPECT_EQ(midi->GetDeviceName(direction, 0, name), kMidiBadDeviceId);
      EXPECT_TRUE(name.empty());
    }
  }
  MidiInHandle in = 0;
  MidiOutHandle out = 0;
  EXPECT_EQ(midi->OpenInput(
                0, [](void*, MidiInputEvent, std::uint32_t, std::uint32_t, MidiBuffer*) {}, nullptr, in),
            kMidiBadDeviceId);
  EXPECT_EQ(midi->OpenOutput(0, nullptr, nullptr, out), kMidiBadDeviceId);
  EXPECT_EQ(in, 0u);
  EXPECT_EQ(out, 0u);
  EXPECT_EQ(midi->AddInputBuffer(1, nullptr), kMidiInvalidHandle);
  EXPECT_EQ(midi->SendShort(1, 0x90), kMidiInvalidHandle);
  EXPECT_FALSE(midi->IsInputPresent(1));
  EXPECT_FALSE(IsJackServerRunning(server)) << "asking started none";
}

// A plain start on a machine without a sequencer printed ALSA's and RtMidi's complaints; they belong to the
// diagnostics, which print nothing of their own.
TEST(RtMidiSystem, TheLibrariesComplaintsGoToTheDiagnosticsNotTheErrorStream) {
  static std::mutex lock;
  static std::vector<std::string> said;
  const MidiDiagnosticSink previous = SetMidiDiagnosticSink([](std::string_view text) {
    std::lock_guard<std::mutex> guard(lock);
    said.emplace_back(text);
  });

  ::testing::internal::CaptureStderr();
  {
    RtMidiSystemOptions options;
    options.jackServer = "qz-no-server-diagnostics";
    const std::shared_ptr<MidiSystem> midi = CreateRtMidiSystem(options);
    for (MidiDirection direction : {MidiDirection::Input, MidiDirection::Output})
      (void)midi->GetDeviceCount(direction);
  }
  const std::string printed = ::testing::internal::GetCapturedStderr();
  (void)SetMidiDiagnosticSink(previous);

  EXPECT_EQ(printed, "");
  if (::access("/dev/snd/seq", F_OK) == 0)
    return; // a machine with a sequencer has nothing to complain about
  std::lock_guard<std::mutex> guard(lock);
  std::string all;
  for (const std::string& text : said)
    all += text + "\n";
  EXPECT_NE(all.find("sequencer"), std::string::npos) << all;
}

} // namespace
} // namespace QZ::Platform
