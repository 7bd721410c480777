#include "DeviceControl/Engine/PresetEditorCommon/MidiSysExAssembler.h"

namespace QZ {
namespace {

constexpr std::uint8_t kStart = 0xF0;
constexpr std::uint8_t kEnd = 0xF7;

} // namespace

bool CMidiSysExAssembler::IsComplete(std::span<const std::uint8_t> recorded, std::size_t room) {
  return recorded.size() < room || (!recorded.empty() && recorded.back() == kEnd);
}

void CMidiSysExAssembler::Clear() {
  mBytes.clear();
  mPending = false;
  mDiscarding = false;
}

void CMidiSysExAssembler::AddBuffer(std::span<const std::uint8_t> recorded, bool complete, const Sink& sink) {
  if (recorded.empty())
    return;
  if (recorded.front() == kStart)
    Clear();
  if (mDiscarding) {
    if (complete)
      mDiscarding = false;
    return;
  }
  if (!complete || mPending) {
    if (mBytes.size() + recorded.size() > kMaxMessageBytes) {
      Clear();
      mDiscarding = !complete;
      return;
    }
    mBytes.insert(mBytes.end(), recorded.begin(), recorded.end());
    mPending = true;
    if (!complete)
      return;
    const std::vector<std::uint8_t> message = std::move(mBytes);
    Clear();
    sink(message);
    return;
  }
  if (recorded.front() == kStart)
    sink(recorded);
}

} // namespace QZ
