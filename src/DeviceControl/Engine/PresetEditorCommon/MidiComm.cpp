#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"

#include "DeviceControl/Engine/PresetEditorCommon/MidiRenderPort.h"

#include <algorithm>
#include <limits>

namespace QZ {

LMidiComm::LMidiComm()
    : mSystem(Platform::GetMidiSystem()), mThreadPool(LThreadPool::Create(kWorkerCount, kQueuePriority)) {}

LMidiComm::~LMidiComm() = default;

RCPtr<LMidiCommInterface> LMidiComm::Create() { return RCPtr<LMidiCommInterface>(new LMidiComm()); }

QZRESULT LMidiComm::OpenCapturePort(const WideString&, RCPtr<LRefCountedObject>& port) {
  port = nullptr;
  return E_FAIL;
}

QZRESULT LMidiComm::OpenRenderPort(const WideString&, RCPtr<LRefCountedObject>& port) {
  port = nullptr;
  return E_FAIL;
}

std::int32_t LMidiComm::Send(const RCPtr<LRefCountedObject>& port, const ConstRCPtr<LIBuffer>& buffer) {
  if (!buffer)
    return E_INVALIDARG;
  return SendBytes(port, buffer->GetData(), buffer->GetSize());
}

std::int32_t LMidiComm::SendArray(const RCPtr<LRefCountedObject>& port, const IArray<signed char>& bytes) {
  return SendBytes(port, bytes.GetData(), bytes.GetCount());
}

std::int32_t LMidiComm::SendBytes(const RCPtr<LRefCountedObject>& port, const void* data, std::uint32_t length) {
  const RCPtr<LMidiRenderPort> render = DynamicCast<LMidiRenderPort>(port);
  // The result carries the length, so a longer message could not report its success.
  if (!render || length == 0 || !data ||
      length > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
    return E_INVALIDARG;
  const auto* bytes = static_cast<const std::uint8_t*>(data);

  render->WaitForCompletion(); // after the wait the send goes ahead regardless

  const std::uint8_t first = bytes[0];
  if (first >= 0x80 && first != 0xF0 && first != 0xF7) {
    std::uint32_t packed = 0;
    for (std::uint32_t i = 0; i < std::min<std::uint32_t>(length, 4); ++i)
      packed |= std::uint32_t{bytes[i]} << (8 * i);
    if (render->SendShort(packed) != Platform::kMidiOk)
      return E_FAIL;
    return LMidiRenderPort::GetShortMessageLength(first);
  }
  return render->SendLong(bytes, length);
}

std::int32_t LMidiComm::DoWork(RCPtr<LRefCountedObject>& params) {
  DispatchCapturedData(DynamicCast<LMidiCaptureNotificationData>(params));
  return 0;
}

WideString LMidiComm::ToString() const { return WideString(u"LMidiComm"); }

} // namespace QZ
