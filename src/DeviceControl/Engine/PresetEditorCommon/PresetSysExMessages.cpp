#include "DeviceControl/Engine/PresetEditorCommon/PresetSysExMessages.h"

#include <algorithm>

namespace QZ {

namespace {

constexpr std::uint8_t kHeader[] = {0x47, 0x7F, 0x4D};
constexpr std::uint8_t kCommandRequest = 0x63;
constexpr std::uint8_t kCommandSend = 0x61;

SysExBytes BuildHead(std::uint8_t command, std::uint8_t length, std::int32_t program) {
  return {kHeader[0], kHeader[1], kHeader[2], command, 0x00, length, static_cast<std::uint8_t>(program)};
}

} // namespace

SysExBytes BuildPresetRequestMessage(std::int32_t program) { return BuildHead(kCommandRequest, 0x01, program); }

SysExBytes BuildPresetSendMessage(std::int32_t program) { return BuildHead(kCommandSend, 0x0E, program); }

SysExBytes PackPresetRecord(SysExView head, std::span<const SysExView> values) {
  SysExBytes body(head.begin(), head.end());
  body.resize(kPresetSendBodyLength, 0x00);
  std::size_t pos = kPresetSendRecordStart;
  for (const SysExView value : values) {
    if (pos >= body.size())
      break;
    const std::size_t n = std::min(value.size(), body.size() - pos);
    std::copy_n(value.begin(), n, body.begin() + static_cast<std::ptrdiff_t>(pos));
    pos += value.size();
  }
  return body;
}

bool HasOnlyDataBytes(SysExView bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) { return byte < 0x80; });
}

SysExBytes BuildIdentityRequestMessage() { return {kSysExStart, 0x7E, 0x7F, 0x06, 0x01, kSysExEnd}; }

QZRESULT FrameSysExMessage(SysExView message, SysExBytes& framed) {
  if (message.empty())
    return E_FAIL;
  if (message.size() == 1 && (message[0] == kSysExStart || message[0] == kSysExEnd))
    return E_FAIL;
  SysExBytes out;
  out.reserve(message.size() + 2);
  if (message.front() != kSysExStart)
    out.push_back(kSysExStart);
  out.insert(out.end(), message.begin(), message.end());
  if (message.back() != kSysExEnd)
    out.push_back(kSysExEnd);
  framed = std::move(out);
  return S_OK;
}

bool IsValidPresetReply(SysExView message) {
  return message.size() >= 4 && message[0] == kSysExStart && message[1] == kHeader[0] &&
         message[2] == kHeader[1] && message[3] == kHeader[2];
}

std::optional<std::vector<SysExBytes>> ParsePresetReply(SysExView reply, std::span<const std::size_t> widths) {
  if (reply.size() < kPresetReplyRecordStart)
    return std::nullopt;
  std::vector<SysExBytes> values;
  values.reserve(widths.size());
  std::size_t pos = kPresetReplyRecordStart;
  for (const std::size_t width : widths) {
    if (width > reply.size() - pos)
      return std::nullopt;
    const auto first = reply.begin() + static_cast<std::ptrdiff_t>(pos);
    if (!HasOnlyDataBytes(reply.subspan(pos, width)))
      return std::nullopt;
    values.emplace_back(first, first + static_cast<std::ptrdiff_t>(width));
    pos += width;
  }
  return values;
}

} // namespace QZ
