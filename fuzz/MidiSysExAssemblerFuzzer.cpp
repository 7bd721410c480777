// The capture port's reassembly of system-exclusive messages: an arbitrary byte stream cut into input buffers of
// arbitrary sizes (up to the port's 256 bytes), with real-time bytes (F8-FF) slipped in. Each step reads two
// bytes: the buffer's length less one, then a control byte whose top bit asks for a real-time byte in the buffer
// (its other bits say which and where). Nothing may crash, and
// neither a pending nor a delivered message may grow beyond the cap.
#include "DeviceControl/Engine/PresetEditorCommon/MidiSysExAssembler.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <algorithm>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::size_t kRoom = 256;
  QZ::CMidiSysExAssembler assembler;
  std::size_t at = 0;
  std::vector<std::uint8_t> buffer;
  while (at + 2 <= size) {
    const std::size_t length = std::size_t{data[at++]} + 1;
    const std::uint8_t control = data[at++];
    buffer.assign(data + at, data + at + std::min(length, size - at));
    at += buffer.size();
    if ((control & 0x80) && !buffer.empty())
      buffer[control % buffer.size()] = static_cast<std::uint8_t>(0xF8 | (control >> 4 & 7));
    assembler.AddBuffer(buffer, QZ::CMidiSysExAssembler::IsComplete(buffer, kRoom),
                        [](std::span<const std::uint8_t> message) {
                          if (message.empty() || message.size() > QZ::CMidiSysExAssembler::kMaxMessageBytes)
                            std::abort();
                        });
    if (assembler.GetPendingCount() > QZ::CMidiSysExAssembler::kMaxMessageBytes)
      std::abort();
  }
  return 0;
}
