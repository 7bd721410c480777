#pragma once
// Our MIDI platform interface: the input and output devices of the machine, addressed by index, and the ports
// opened on them. An input port reports short messages and fills the buffers its owner queues with
// system-exclusive bytes; an output port sends short (packed) messages and long ones whose completion comes
// later. One backend serves the process (GetMidiSystem); tests install a scripted one (FakeMidiSystem.h).
//
// Contract every backend keeps:
// - Device names are at most kMidiMaxNameUnits UTF-16 units (TruncateMidiDeviceName).
// - A buffer handed to AddInputBuffer or SendLong belongs to the platform until the callback gives it back
//   (done flag set, queued flag clear); its owner must neither move nor touch it before that.
// - ResetInput and CloseInput give back every queued input buffer through the callback before they return;
//   ResetOutput and CloseOutput do the same for unfinished long messages, also on a handle whose device is gone.
// - No callback runs for a handle once its Close has returned. Callbacks run on a thread of the backend (or
//   inside the call that caused them) and must not block; the backend holds none of its own locks while it
//   calls one, so a callback may queue a buffer again.
// - A handle whose device disappeared stays valid to reset and close; everything else fails on it, and
//   Is...Present answers false.
//
// Results are the platform's small codes: 0 success, positive failure (kMidi... below).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace QZ::Platform {

using MidiResult = std::int32_t;

inline constexpr MidiResult kMidiOk = 0;
inline constexpr MidiResult kMidiError = 1;
inline constexpr MidiResult kMidiBadDeviceId = 2;
inline constexpr MidiResult kMidiAllocated = 4; // the device serves one client and has one
inline constexpr MidiResult kMidiInvalidHandle = 5;
inline constexpr MidiResult kMidiNoDriver = 6;
inline constexpr MidiResult kMidiInvalidParam = 11;
inline constexpr MidiResult kMidiHandleBusy = 12;

inline constexpr std::size_t kMidiMaxNameUnits = 31;

enum class MidiDirection { Input, Output };

// Opaque and never reused within a process; 0 is no handle.
using MidiInHandle = std::uintptr_t;
using MidiOutHandle = std::uintptr_t;

// The record of a buffer the platform works on. Input: data and length (the room) are the owner's, the
// platform sets bytesRecorded. Output: length bytes from data are sent.
struct MidiBuffer {
  std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
  std::uint32_t bytesRecorded = 0;
  std::uintptr_t user = 0; // the owner's; the platform never reads it
  std::uint32_t flags = 0; // kMidiBuffer... bits, kept by the platform
};

inline constexpr std::uint32_t kMidiBufferDone = 0x1;
inline constexpr std::uint32_t kMidiBufferQueued = 0x4;

enum class MidiInputEvent {
  ShortMessage, // packed: status byte lowest; timeMs: milliseconds since StartInput
  LongData,     // buffer given back with bytesRecorded system-exclusive bytes (0 after a reset)
  LongError,    // buffer given back with a broken message; its bytes are not to be used
};

enum class MidiOutputEvent {
  Done, // a long message's buffer is given back
};

// instance is the value given at open. packed and timeMs for ShortMessage, buffer for the others.
using MidiInputCallback = void (*)(void* instance, MidiInputEvent event, std::uint32_t packed,
                                   std::uint32_t timeMs, MidiBuffer* buffer);
using MidiOutputCallback = void (*)(void* instance, MidiOutputEvent event, MidiBuffer* buffer);

class MidiSystem {
public:
  MidiSystem() = default;
  MidiSystem(const MidiSystem&) = delete;
  MidiSystem& operator=(const MidiSystem&) = delete;
  virtual ~MidiSystem() = default;

  virtual std::uint32_t GetDeviceCount(MidiDirection direction) = 0;
  // kMidiBadDeviceId outside the count; kMidiError when the device cannot be asked (name left empty).
  virtual MidiResult GetDeviceName(MidiDirection direction, std::uint32_t index, std::u16string& name) = 0;

  // handle is set only on success. Input starts stopped.
  virtual MidiResult OpenInput(std::uint32_t index, MidiInputCallback callback, void* instance,
                               MidiInHandle& handle) = 0;
  // Queues a buffer at the end; it comes back when filled, at a stop (partly filled), a reset or a close.
  virtual MidiResult AddInputBuffer(MidiInHandle handle, MidiBuffer* buffer) = 0;
  virtual MidiResult StartInput(MidiInHandle handle) = 0;
  // Stops reporting; a partly filled buffer comes back, empty ones stay queued.
  virtual MidiResult StopInput(MidiInHandle handle) = 0;
  virtual MidiResult ResetInput(MidiInHandle handle) = 0;
  virtual MidiResult CloseInput(MidiInHandle handle) = 0;
  // The device behind an open handle is still there.
  virtual bool IsInputPresent(MidiInHandle handle) = 0;

  virtual MidiResult OpenOutput(std::uint32_t index, MidiOutputCallback callback, void* instance,
                                MidiOutHandle& handle) = 0;
  // Status byte lowest, data bytes above it; the status says how many bytes go out.
  virtual MidiResult SendShort(MidiOutHandle handle, std::uint32_t packed) = 0;
  // Accepted means the buffer is the platform's until Done; refused means it was never taken.
  virtual MidiResult SendLong(MidiOutHandle handle, MidiBuffer* buffer) = 0;
  virtual MidiResult ResetOutput(MidiOutHandle handle) = 0;
  virtual MidiResult CloseOutput(MidiOutHandle handle) = 0;
  virtual bool IsOutputPresent(MidiOutHandle handle) = 0;

  // A count that moves whenever the device lists, or the presence of an open handle's device, may have changed
  // since it was last read: a watcher that read it before looking need not look again while it stays. nullopt
  // when the backend cannot tell (look every time).
  virtual std::optional<std::uint64_t> GetDeviceChangeCount() { return std::nullopt; }
};

// The environment variable that picks the process's backend before any is installed:
//   unset, "" or "system"          the machine's devices (RtMidiSystem.h)
//   "none"                         no devices
//   "simulated[:options]"          a simulated controller named "Pellan Vorn" (SimulatedMidiSystem.h; options
//                                  "silent", "slow" or "slow=<ms>", separated by commas)
// Anything else counts as unset.
inline constexpr char kMidiBackendVariable[] = "PELLAN_VORN_MIDI";

// The backend the environment picks (a new one each call).
[[nodiscard]] std::shared_ptr<MidiSystem> CreateMidiSystemFromEnvironment();
// The backend the value of kMidiBackendVariable picks; null for the value "none".
[[nodiscard]] std::shared_ptr<MidiSystem> CreateMidiSystem(const char* choice);

// The process's backend: the one installed last, or, before any install, the one the environment picks (made at
// the first call).
std::shared_ptr<MidiSystem> GetMidiSystem();
// Installs a backend (null: the one without devices) and returns the one it replaces. Ports keep the backend
// they were opened on.
std::shared_ptr<MidiSystem> SetMidiSystem(std::shared_ptr<MidiSystem> system);

// What the MIDI libraries say of themselves (a missing sequencer, a refused connection, a failed send) is never
// printed: it goes to the sink installed here, and nowhere while there is none. The sink may be called on any
// thread, also while a backend holds its locks, so it must neither block nor call back into MIDI.
using MidiDiagnosticSink = std::function<void(std::string_view text)>;
// Installs the sink (empty: none) and returns the one it replaces.
MidiDiagnosticSink SetMidiDiagnosticSink(MidiDiagnosticSink sink);
void ReportMidiDiagnostic(std::string_view text);

// Cuts a name at its first zero and to kMidiMaxNameUnits, never through a surrogate pair.
void TruncateMidiDeviceName(std::u16string& name);

// The bytes a packed short message puts on the wire, by its status byte: 3 for notes, controllers and pitch
// bend, 2 for program and channel pressure, the system messages by their kind; a data byte (running status)
// counts 1.
std::uint32_t PackedMessageLength(std::uint8_t status);

} // namespace QZ::Platform
