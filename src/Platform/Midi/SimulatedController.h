#pragma once
// The controller's side of the program protocol, for tests and the simulated backend: it keeps its working program
// (RAM, number 0) and the eight stored slots, 13 bytes each, starting at the keybed's and arpeggiator's defaults;
// stores every program it is sent and answers a program request with a program reply.
//
// Messages it understands (hexadecimal, whole messages with F0 and F7):
//   request  F0 47 7F 4D 63 00 01 pp F7                 -> reply F0 47 7F 4D 61 00 0E pp <13 bytes> F7
//   send     F0 47 7F 4D 61 00 0E pp <13 bytes> F7      -> stored, no answer
// pp is 0 to 8; anything else is ignored, as a device ignores what is not meant for it.
//
// Thread safety: every operation may be called from any thread (one lock, never held while calling out).

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace QZ::Platform {

class SimulatedController {
public:
  static constexpr std::size_t kRecordBytes = 13;
  static constexpr int kSlotCount = 8;
  using Record = std::array<std::uint8_t, kRecordBytes>;

  // MIDI channel 00, octave 04, transpose 0C; arpeggiator off, mode, division, swing, clock and latch 00, tempo
  // taps 02, tempo 00 70 (112), octave range 00.
  static constexpr Record kDefaultRecord = {0x00, 0x04, 0x0C, 0x00, 0x00, 0x00, 0x00,
                                            0x00, 0x00, 0x02, 0x00, 0x70, 0x00};

  // The answer to one whole message, if any.
  std::optional<std::vector<std::uint8_t>> Receive(std::span<const std::uint8_t> message);

  // Program 0 (RAM) to kSlotCount. Out of range: the default record, and nothing is stored.
  Record GetProgram(int program) const;
  void SetProgram(int program, const Record& record);

  // The request and reply bytes, as the controller expects and sends them.
  static std::vector<std::uint8_t> MakeRequest(std::uint8_t program);
  static std::vector<std::uint8_t> MakeReply(std::uint8_t program, const Record& record);

private:
  mutable std::mutex mLock;
  std::array<Record, kSlotCount + 1> mPrograms = MakeDefaults();

  static std::array<Record, kSlotCount + 1> MakeDefaults();
};

} // namespace QZ::Platform
