#include "DeviceControl/Engine/PresetEditorCommon/MidiCaptureNotificationData.h"

#include "QZFramework/Utilities/Storage/ReuseAllocator.h"

#include <cstring>

namespace QZ {
namespace {

using MessageAllocator = ReuseAllocator<LMidiCaptureNotificationData, 4>;

// Made at first use and never destroyed: a platform thread may still drop a message while the process ends.
MessageAllocator& GetMessageAllocator() {
  static MessageAllocator* allocator = new MessageAllocator(true);
  return *allocator;
}

} // namespace

LMidiCaptureNotificationData::LMidiCaptureNotificationData(const WideString& portName, LRefCountedObject* source)
    : mSource(source), mPortName(portName) {}

LMidiCaptureNotificationData::~LMidiCaptureNotificationData() = default;

RCPtr<LMidiCaptureNotificationData> LMidiCaptureNotificationData::Create(const WideString& portName,
                                                                         LRefCountedObject* source) {
  return RCPtr<LMidiCaptureNotificationData>(new LMidiCaptureNotificationData(portName, source));
}

void* LMidiCaptureNotificationData::operator new(std::size_t size) { return GetMessageAllocator().Allocate(size); }

void LMidiCaptureNotificationData::operator delete(void* p) { GetMessageAllocator().Free(p); }

QZRESULT LMidiCaptureNotificationData::AppendBytes(const void* data, std::uint32_t count) {
  if (count == 0)
    return S_OK;
  const std::uint32_t old = mBytes.GetCount();
  if (std::uint64_t{old} + count > UINT32_MAX || mBytes.SetSizeRaw(old + count) < 0)
    return E_OUTOFMEMORY;
  std::memcpy(mBytes.GetData() + old, data, count);
  return S_OK;
}

} // namespace QZ
