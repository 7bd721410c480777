#pragma once
// The controller's system-exclusive messages: program request, program send, identity request, the framing every
// outgoing message passes through, and the program reply check and parse. Pure byte handling.

#include "QZFramework/ObjectBase/QZResult.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace QZ {

using SysExBytes = std::vector<std::uint8_t>;
using SysExView = std::span<const std::uint8_t>;

inline constexpr std::uint8_t kSysExStart = 0xF0;
inline constexpr std::uint8_t kSysExEnd = 0xF7;

// Wire offset of the first record byte in a program reply; body offset of the record in a program send.
inline constexpr std::size_t kPresetReplyRecordStart = 8;
inline constexpr std::size_t kPresetSendRecordStart = 7;
inline constexpr std::size_t kPresetSendBodyLength = 20;

// 47 7F 4D 63 00 01 program. Only the low 8 bits of program are stored.
[[nodiscard]] SysExBytes BuildPresetRequestMessage(std::int32_t program);

// 47 7F 4D 61 00 0E program: the head of a program send, before packing.
[[nodiscard]] SysExBytes BuildPresetSendMessage(std::int32_t program);

// The head extended to the 20-byte send body, with the values' bytes copied in order from body offset 7. Each
// value advances the write position by its full width; bytes that would land past the body are dropped, and record
// bytes no value reaches stay 00. Bytes go out exactly as given.
[[nodiscard]] SysExBytes PackPresetRecord(SysExView head, std::span<const SysExView> values);

// True when every byte is a MIDI data byte (below 80): what a program record must hold to be sent or stored.
bool HasOnlyDataBytes(SysExView bytes);

// F0 7E 7F 06 01 F7, complete as built.
[[nodiscard]] SysExBytes BuildIdentityRequestMessage();

// Adds F0 in front and F7 at the end where missing; a single other byte becomes F0 byte F7. A lone F0 or F7 and an
// empty message are refused with E_FAIL, and framed is left untouched.
[[nodiscard]] QZRESULT FrameSysExMessage(SysExView message, SysExBytes& framed);

// True for any message of 4 bytes or more that starts F0 47 7F 4D. Says nothing about its length beyond that:
// our own looped-back request passes too, so the parse checks the length.
bool IsValidPresetReply(SysExView message);

// Reads the new value bytes consecutively from wire offset 8, one value per width. Refused (nullopt) when the
// reply ends before the last value's bytes: a short message, such as our own request looped back, is not a program
// reply. Refused too when a value byte is 80 or more: no controller sends that inside a record, and a reply that
// lost a byte would otherwise have its closing F7 taken for a value.
[[nodiscard]] std::optional<std::vector<SysExBytes>> ParsePresetReply(SysExView reply,
                                                                      std::span<const std::size_t> widths);

} // namespace QZ
