#include "Platform/Midi/MidiSystem.h"

#include "Platform/Midi/RtMidiSystem.h"
#include "Platform/Midi/SimulatedMidiSystem.h"

#include <cstdlib>
#include <mutex>
#include <string_view>
#include <utility>

namespace QZ::Platform {
namespace {

// The backend until another is installed: a machine without MIDI devices.
class NoMidiSystem final : public MidiSystem {
public:
  std::uint32_t GetDeviceCount(MidiDirection) override { return 0; }
  MidiResult GetDeviceName(MidiDirection, std::uint32_t, std::u16string& name) override {
    name.clear();
    return kMidiBadDeviceId;
  }
  MidiResult OpenInput(std::uint32_t, MidiInputCallback, void*, MidiInHandle&) override {
    return kMidiBadDeviceId;
  }
  MidiResult AddInputBuffer(MidiInHandle, MidiBuffer*) override { return kMidiInvalidHandle; }
  MidiResult StartInput(MidiInHandle) override { return kMidiInvalidHandle; }
  MidiResult StopInput(MidiInHandle) override { return kMidiInvalidHandle; }
  MidiResult ResetInput(MidiInHandle) override { return kMidiInvalidHandle; }
  MidiResult CloseInput(MidiInHandle) override { return kMidiInvalidHandle; }
  bool IsInputPresent(MidiInHandle) override { return false; }
  MidiResult OpenOutput(std::uint32_t, MidiOutputCallback, void*, MidiOutHandle&) override {
    return kMidiBadDeviceId;
  }
  MidiResult SendShort(MidiOutHandle, std::uint32_t) override { return kMidiInvalidHandle; }
  MidiResult SendLong(MidiOutHandle, MidiBuffer*) override { return kMidiInvalidHandle; }
  MidiResult ResetOutput(MidiOutHandle) override { return kMidiInvalidHandle; }
  MidiResult CloseOutput(MidiOutHandle) override { return kMidiInvalidHandle; }
  bool IsOutputPresent(MidiOutHandle) override { return false; }
};

struct Installed {
  std::mutex lock;
  std::shared_ptr<MidiSystem> system; // null until the first call or install
};

// Never destroyed: threads still running while the process ends may ask for the backend.
Installed& GetInstalled() {
  static auto* installed = new Installed;
  return *installed;
}

struct DiagnosticSink {
  std::mutex lock;
  MidiDiagnosticSink sink;
};

// Never destroyed, for the same reason.
DiagnosticSink& GetDiagnosticSink() {
  static auto* sink = new DiagnosticSink;
  return *sink;
}

} // namespace

MidiDiagnosticSink SetMidiDiagnosticSink(MidiDiagnosticSink sink) {
  DiagnosticSink& installed = GetDiagnosticSink();
  std::lock_guard<std::mutex> guard(installed.lock);
  installed.sink.swap(sink);
  return sink;
}

void ReportMidiDiagnostic(std::string_view text) {
  DiagnosticSink& installed = GetDiagnosticSink();
  std::lock_guard<std::mutex> guard(installed.lock);
  if (installed.sink)
    installed.sink(text);
}

std::shared_ptr<MidiSystem> CreateMidiSystem(const char* choice) {
  const std::string_view value = choice ? choice : "";
  if (value == "none")
    return nullptr;
  constexpr std::string_view kSimulated = "simulated";
  if (value.starts_with(kSimulated)) {
    std::string_view options = value.substr(kSimulated.size());
    if (options.empty() || options.front() == ':') {
      if (!options.empty())
        options.remove_prefix(1);
      if (const auto parsed = SimulatedMidiSystem::ParseOptions(options))
        return std::make_shared<SimulatedMidiSystem>(*parsed);
    }
  }
  return CreateRtMidiSystem();
}

std::shared_ptr<MidiSystem> CreateMidiSystemFromEnvironment() {
  std::shared_ptr<MidiSystem> system = CreateMidiSystem(std::getenv(kMidiBackendVariable));
  return system ? system : std::make_shared<NoMidiSystem>();
}

std::shared_ptr<MidiSystem> GetMidiSystem() {
  Installed& installed = GetInstalled();
  std::lock_guard<std::mutex> guard(installed.lock);
  if (!installed.system)
    installed.system = CreateMidiSystemFromEnvironment();
  return installed.system;
}

std::shared_ptr<MidiSystem> SetMidiSystem(std::shared_ptr<MidiSystem> system) {
  if (!system)
    system = std::make_shared<NoMidiSystem>();
  Installed& installed = GetInstalled();
  std::lock_guard<std::mutex> guard(installed.lock);
  if (!installed.system)
    installed.system = CreateMidiSystemFromEnvironment();
  installed.system.swap(system);
  return system;
}

void TruncateMidiDeviceName(std::u16string& name) {
  const std::size_t zero = name.find(u'\0');
  if (zero != std::u16string::npos)
    name.resize(zero);
  if (name.size() <= kMidiMaxNameUnits)
    return;
  std::size_t keep = kMidiMaxNameUnits;
  // A high surrogate whose partner is cut off would be half a character.
  if (name[keep - 1] >= 0xD800 && name[keep - 1] <= 0xDBFF)
    --keep;
  name.resize(keep);
}

std::uint32_t PackedMessageLength(std::uint8_t status) {
  if (status < 0x80)
    return 1;
  if (status < 0xC0)
    return 3;
  if (status < 0xE0)
    return 2;
  if (status < 0xF0)
    return 3;
  switch (status) {
  case 0xF1:
  case 0xF3:
    return 2;
  case 0xF2:
    return 3;
  default:
    return 1;
  }
}

} // namespace QZ::Platform
