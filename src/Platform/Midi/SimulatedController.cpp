#include "Platform/Midi/SimulatedController.h"

#include <algorithm>
#include <iterator>

namespace QZ::Platform {
namespace {

constexpr std::uint8_t kHeader[] = {0xF0, 0x47, 0x7F, 0x4D};
constexpr std::uint8_t kRequest = 0x63;
constexpr std::uint8_t kSend = 0x61;
constexpr std::size_t kRequestBytes = 9;
constexpr std::size_t kSendBytes = 22;
constexpr std::size_t kProgramAt = 7;
constexpr std::size_t kRecordAt = 8;

bool StartsWithHeader(std::span<const std::uint8_t> message) {
  return message.size() >= std::size(kHeader) &&
         std::equal(std::begin(kHeader), std::end(kHeader), message.begin());
}

} // namespace

std::array<SimulatedController::Record, SimulatedController::kSlotCount + 1> SimulatedController::MakeDefaults() {
  std::array<Record, kSlotCount + 1> programs;
  programs.fill(kDefaultRecord);
  return programs;
}

std::vector<std::uint8_t> SimulatedController::MakeRequest(std::uint8_t program) {
  return {0xF0, 0x47, 0x7F, 0x4D, kRequest, 0x00, 0x01, program, 0xF7};
}

std::vector<std::uint8_t> SimulatedController::MakeReply(std::uint8_t program, const Record& record) {
  // Sized once and filled in place (growing an initialised vector trips a false array-bounds warning of GCC 12
  // at -O3).
  const std::uint8_t head[] = {0xF0, 0x47, 0x7F, 0x4D, kSend, 0x00, 0x0E, program};
  std::vector<std::uint8_t> reply(std::size(head) + record.size() + 1);
  std::copy(std::begin(head), std::end(head), reply.begin());
  std::copy(record.begin(), record.end(), reply.begin() + static_cast<std::ptrdiff_t>(std::size(head)));
  reply.back() = 0xF7;
  return reply;
}

std::optional<std::vector<std::uint8_t>> SimulatedController::Receive(std::span<const std::uint8_t> message) {
  if (!StartsWithHeader(message) || message.back() != 0xF7 || message.size() < kRequestBytes)
    return std::nullopt;
  const std::uint8_t program = message[kProgramAt];
  if (program > kSlotCount)
    return std::nullopt;
  if (message.size() == kRequestBytes && message[4] == kRequest && message[5] == 0x00 && message[6] == 0x01)
    return MakeReply(program, GetProgram(program));
  if (message.size() == kSendBytes && message[4] == kSend && message[5] == 0x00 && message[6] == 0x0E) {
    Record record;
    std::copy_n(message.begin() + kRecordAt, kRecordBytes, record.begin());
    SetProgram(program, record);
  }
  return std::nullopt;
}

SimulatedController::Record SimulatedController::GetProgram(int program) const {
  if (program < 0 || program > kSlotCount)
    return kDefaultRecord;
  std::lock_guard<std::mutex> guard(mLock);
  return mPrograms[static_cast<std::size_t>(program)];
}

void SimulatedController::SetProgram(int program, const Record& record) {
  if (program < 0 || program > kSlotCount)
    return;
  std::lock_guard<std::mutex> guard(mLock);
  mPrograms[static_cast<std::size_t>(program)] = record;
}

} // namespace QZ::Platform
