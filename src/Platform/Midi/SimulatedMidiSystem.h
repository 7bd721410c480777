#pragma once
// A MIDI backend with one simulated controller plugged in: one input and one output device named "Pellan Vorn"
// (kSimulatedDeviceName). Whatever goes out to the output reaches the controller (SimulatedController); its
// answers come back on the input from the backend's own thread, as a device's would, after the reply delay.
//
// Built on the scripted fake: devices, handles, buffers and completion behave as there (long messages complete at
// once). Options for tests: a silent controller never answers, a slow one answers after a delay, answers can be
// held back until the test lets them go, and the controller can be unplugged (its handles die and a pending answer
// is lost) and plugged in again. Its device change count moves only then, so a watcher of its devices does nothing
// while it stays plugged in.
//
// Selected for the process with the environment variable PELLAN_VORN_MIDI (see MidiSystem.h).
//
// Thread safety: every operation may be called from any thread; the answer thread ends with the backend.

#include "Platform/Midi/FakeMidiSystem.h"
#include "Platform/Midi/MidiSystem.h"
#include "Platform/Midi/SimulatedController.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

namespace QZ::Platform {

inline constexpr char16_t kSimulatedDeviceName[] = u"Pellan Vorn";

class SimulatedMidiSystem final : public MidiSystem {
public:
  struct Options {
    bool silent = false;
    std::chrono::milliseconds replyDelay{0};
  };
  // The delay of "slow" without a number.
  static constexpr std::chrono::milliseconds kSlowDelay{500};

  // "" for the defaults, else options separated by commas: "silent", "slow" or "slow=<ms>". nullopt for anything
  // else.
  static std::optional<Options> ParseOptions(std::string_view text);

  SimulatedMidiSystem();
  explicit SimulatedMidiSystem(Options options);
  ~SimulatedMidiSystem() override;

  SimulatedController& GetController() { return mController; }
  void SetSilent(bool silent);
  void SetReplyDelay(std::chrono::milliseconds delay);
  // Both devices go away (and come back); answers not yet given are lost.
  void Unplug();
  void Plug();
  // Answers put on the input so far.
  std::uint32_t GetAnswerCount();
  // For tests that act while a request waits for its answer: while held, answers are kept (their delay runs on)
  // and none is put on the input. WaitForKeptAnswers waits until so many are kept: false when the time runs out.
  void HoldAnswers(bool hold);
  bool WaitForKeptAnswers(std::size_t count, std::chrono::milliseconds timeout);

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
  // Moves with every Unplug and Plug, the only changes of its devices.
  std::optional<std::uint64_t> GetDeviceChangeCount() override;

private:
  struct Answer {
    std::chrono::steady_clock::time_point due;
    std::uint64_t plugging; // the plugging it belongs to
    std::vector<std::uint8_t> bytes;
  };

  void AnswerLoop();

  FakeMidiSystem mFake;
  FakeMidiSystem::DeviceId mInput = 0;
  FakeMidiSystem::DeviceId mOutput = 0;
  SimulatedController mController;

  std::mutex mLock;
  std::condition_variable mChanged;
  Options mOptions;
  std::uint64_t mPlugging = 0; // counts unplugs
  std::atomic<std::uint64_t> mChanges{0};
  bool mStopping = false;
  bool mHeld = false;
  std::uint32_t mAnswers = 0;
  std::deque<Answer> mQueue;
  std::thread mAnswerThread;
};

} // namespace QZ::Platform
