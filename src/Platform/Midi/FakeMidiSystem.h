#pragma once
// An in-process MIDI backend that a test scripts: devices that appear and disappear, messages injected into the
// input ports in chosen buffer sizes, long output messages completed at once, later or never, single calls made
// to fail, and every byte that went out recorded.
//
// Devices keep the id AddDevice gives them; their index is their place among the present devices of their
// direction, in the order they were (re-)plugged. Unplugging a device kills the handles opened on it: they stay
// valid to reset and close, everything else fails with kMidiNoDriver.
//
// Input: Inject... plays the MIDI service thread. Each started, live handle of the device gets the message;
// system-exclusive bytes fill its queued buffers in turn and every filled piece comes back at once through the
// callback. Bytes that find no buffer queued are dropped and counted.
//
// Output: a long message is read when it completes (so a buffer that went away too early shows under the
// sanitizers) and then recorded with the short ones. Completion is per device: Immediate (inside SendLong),
// Delayed (on the fake's own thread after the delay) or Withheld (until CompletePending, a reset or a close).
// A reset gives unfinished messages back unsent, and so does any completion once the device went away.
//
// Thread safety: every operation may be called from any thread. Callbacks run under the fake's callback lock
// (recursive, taken before its state lock, which is never held during a callback), so reset and close wait for a
// callback that another thread is making, and a callback may call the fake again.

#include "Platform/Midi/MidiSystem.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace QZ::Platform {

class FakeMidiSystem final : public MidiSystem {
public:
  using DeviceId = std::uint32_t;

  enum class Completion { Immediate, Delayed, Withheld };

  // The operations FailNext can make fail.
  enum class Call { OpenInput, AddInputBuffer, StartInput, OpenOutput, SendShort, SendLong, ResetOutput };

  struct SentMessage {
    bool isLong = false;
    std::uint32_t packed = 0;        // short messages only
    std::vector<std::uint8_t> bytes; // as they went out
  };

  FakeMidiSystem();
  ~FakeMidiSystem() override;

  // Scripting the devices.
  DeviceId AddDevice(MidiDirection direction, const std::u16string& name);
  void Unplug(DeviceId id);
  void Plug(DeviceId id);
  void SetNameReadFails(DeviceId id, bool fails);
  // A single-client device refuses a second open with kMidiAllocated.
  void SetSingleClient(DeviceId id, bool single);
  // The next call of that kind fails with result and changes nothing; several queue up.
  void FailNext(Call call, MidiResult result);
  // Off (the default): the fake cannot tell when its devices change (GetDeviceChangeCount gives nullopt). On:
  // every AddDevice, Unplug and Plug moves the count.
  void SetChangeCounting(bool on);

  // Input. Each returns the number of handles the message reached.
  std::uint32_t InjectShort(DeviceId id, std::uint32_t packed, std::uint32_t timeMs);
  // chunks: how many bytes each returned buffer holds, in turn (a chunk larger than the buffer's room goes on in
  // the next buffer); empty: buffers are filled to their room. Bytes beyond the chunks are not sent.
  std::uint32_t InjectLong(DeviceId id, std::span<const std::uint8_t> bytes,
                           std::span<const std::uint32_t> chunks = {});
  // The next queued buffer comes back as a long-message error.
  std::uint32_t InjectLongError(DeviceId id);
  std::uint32_t GetQueuedBufferCount(DeviceId id);
  std::uint32_t GetDroppedByteCount(DeviceId id);
  bool IsStarted(DeviceId id);

  // Output.
  void SetCompletion(DeviceId id, Completion completion, std::chrono::milliseconds delay = {});
  std::vector<SentMessage> GetSent(DeviceId id);
  std::uint32_t GetPendingCount(DeviceId id);
  // Completes every unfinished long message of the device now; returns how many.
  std::uint32_t CompletePending(DeviceId id);
  std::uint32_t GetResetCount(DeviceId id);

  // Handles open on the device now, and opens ever made.
  std::uint32_t GetOpenCount(DeviceId id);
  std::uint32_t GetOpenTotal(DeviceId id);

  // MidiSystem
  std::uint32_t GetDeviceCount(MidiDirection direction) override;
  MidiResult GetDeviceName(MidiDirection direction, std::uint32_t index, std::u16string& name) override;
  MidiResult OpenInput(std::uint32_t index, MidiInputCallback callback, void* instance,
                       MidiInHandle& handle) override;
  MidiResult AddInputBuffer(MidiInHandle handle, MidiBuffer* buffer) override;
  MidiResult StartInput(MidiInHandle handle) override;
  MidiResult StopInput(MidiInHandle handle) override;
  MidiResult ResetInput(MidiInHandle handle) override;
  MidiResult CloseInput(MidiInHandle handle) override;
  bool IsInputPresent(MidiInHandle handle) override;
  MidiResult OpenOutput(std::uint32_t index, MidiOutputCallback callback, void* instance,
                        MidiOutHandle& handle) override;
  MidiResult SendShort(MidiOutHandle handle, std::uint32_t packed) override;
  MidiResult SendLong(MidiOutHandle handle, MidiBuffer* buffer) override;
  MidiResult ResetOutput(MidiOutHandle handle) override;
  MidiResult CloseOutput(MidiOutHandle handle) override;
  bool IsOutputPresent(MidiOutHandle handle) override;
  std::optional<std::uint64_t> GetDeviceChangeCount() override;

private:
  struct Device {
    MidiDirection direction = MidiDirection::Input;
    std::u16string name;
    bool present = true;
    bool nameReadFails = false;
    bool singleClient = false;
    Completion completion = Completion::Immediate;
    std::chrono::milliseconds delay{};
    std::vector<SentMessage> sent;
    std::uint32_t droppedBytes = 0;
    std::uint32_t resets = 0;
    std::uint32_t openTotal = 0;
  };

  struct Port {
    MidiDirection direction = MidiDirection::Input;
    DeviceId device = 0;
    MidiInputCallback inputCallback = nullptr;
    MidiOutputCallback outputCallback = nullptr;
    void* instance = nullptr;
    bool started = false;
    bool dead = false;
    std::deque<MidiBuffer*> buffers; // queued input buffers, or unfinished long messages
  };

  // A buffer given back, and to whom; made under the state lock, called after it.
  struct GiveBack {
    MidiInputCallback inputCallback = nullptr;
    MidiOutputCallback outputCallback = nullptr;
    void* instance = nullptr;
    MidiInputEvent inputEvent = MidiInputEvent::LongData;
    MidiBuffer* buffer = nullptr;
  };

  struct Scheduled {
    std::chrono::steady_clock::time_point due;
    std::uintptr_t handle;
    MidiBuffer* buffer;
  };

  using StateLock = std::unique_lock<std::mutex>;

  Device& DeviceAt(DeviceId id);
  bool TakeFailure(Call call, MidiResult& result);
  Port* FindPort(std::uintptr_t handle, MidiDirection direction);
  // Under the state lock: an injected failure of the call (when it names one), a handle that is not an open port
  // of that direction, or a port whose device went away; else kMidiOk with port set.
  MidiResult UsablePort(std::optional<Call> call, std::uintptr_t handle, MidiDirection direction, Port*& port);
  // The shared halves of the input and output operations.
  MidiResult ClosePort(std::uintptr_t handle, MidiDirection direction);
  bool IsPortPresent(std::uintptr_t handle, MidiDirection direction);
  MidiResult Open(MidiDirection direction, std::uint32_t index, MidiInputCallback inputCallback,
                  MidiOutputCallback outputCallback, void* instance, std::uintptr_t& handle);
  // Under the state lock: a buffer given back is no longer due.
  void Unschedule(const MidiBuffer* buffer);
  // Under the state lock: takes every buffer of the port, marked done.
  void TakeAll(Port& port, std::vector<GiveBack>& out);
  // Under the state lock: finishes one long message of the port (records it while the device is there) if it is
  // still unfinished.
  bool Finish(Port& port, MidiBuffer* buffer, std::vector<GiveBack>& out);
  static void Deliver(const std::vector<GiveBack>& backs);
  void DelayLoop();

  std::recursive_mutex mCallbackLock;
  std::mutex mLock;
  std::map<DeviceId, Device> mDevices;
  std::vector<DeviceId> mOrder[2]; // present devices of each direction, in list order
  std::map<std::uintptr_t, Port> mPorts;
  std::uintptr_t mNextHandle = 1;
  DeviceId mNextDevice = 1;
  std::map<Call, std::deque<MidiResult>> mFailures;
  bool mChangeCounting = false;
  std::uint64_t mChanges = 0;

  std::vector<Scheduled> mScheduled;
  std::condition_variable mScheduleChanged;
  bool mStopping = false;
  std::thread mDelayThread; // started with the first delayed completion
};

} // namespace QZ::Platform
