#include "DeviceControl/Engine/PresetEditorCommon/MidiCapturePort.h"

#include "DeviceControl/Engine/PresetEditorCommon/MidiCaptureNotificationData.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiPortNames.h"

#include <algorithm>

namespace QZ {

LMidiCapturePort::LMidiCapturePort(const WideString& name, const RCPtr<LMidiComm>& owner)
    : mRequestedName(name), mOwner(owner), mSystem(owner->GetMidiSystem()) {
  for (CaptureBuffer& buffer : mBuffers) {
    buffer.header.data = buffer.data.data();
    buffer.header.length = kBufferBytes;
    buffer.header.user = reinterpret_cast<std::uintptr_t>(&buffer);
  }
}

LMidiCapturePort::~LMidiCapturePort() {
  Close();
  UnprepareBuffers();
}

RCPtr<LMidiCapturePort> LMidiCapturePort::Create(const WideString& name, const RCPtr<LMidiComm>& owner) {
  if (name.IsEmpty() || !owner)
    return RCPtr<LMidiCapturePort>();
  return RCPtr<LMidiCapturePort>(new LMidiCapturePort(name, owner));
}

std::uint32_t LMidiCapturePort::GetShortMessageLength(std::uint8_t status) {
  if (status >= 0x80 && status < 0xC0)
    return 3;
  if (status >= 0xC0 && status < 0xE0)
    return 2;
  if (status >= 0xE0 && status < 0xF0)
    return 3;
  return 1;
}

std::int32_t LMidiCapturePort::Open() {
  Close();
  // No callback of this port can run now: whatever was pending belongs to a stream that ended.
  mPending.Clear();
  const std::int32_t device =
      FindPortDevice(*mSystem, Platform::MidiDirection::Input, mRequestedName, mDeviceName);
  if (device < 0)
    return Platform::kMidiNoDriver;
  Platform::MidiInHandle handle = 0;
  const Platform::MidiResult opened =
      mSystem->OpenInput(static_cast<std::uint32_t>(device), &LMidiCapturePort::OnInputEvent, this, handle);
  if (opened != Platform::kMidiOk)
    return opened;
  mHandle.store(handle);
  mClosing.store(false);
  const std::int32_t queued = AddBuffers();
  if (queued != 0)
    Close();
  return queued;
}

std::int32_t LMidiCapturePort::Start() {
  const Platform::MidiInHandle handle = mHandle.load();
  if (handle == 0)
    return Platform::kMidiInvalidHandle;
  return mSystem->StartInput(handle);
}

void LMidiCapturePort::Close() {
  const Platform::MidiInHandle handle = mHandle.load();
  if (handle == 0)
    return;
  // Set before the reset gives the buffers back, so that none is queued again.
  mClosing.store(true);
  mSystem->StopInput(handle);
  mSystem->ResetInput(handle);
  UnprepareBuffers();
  mSystem->CloseInput(handle);
  mHandle.store(0);
}

std::int32_t LMidiCapturePort::AddBuffers() {
  const Platform::MidiInHandle handle = mHandle.load();
  if (handle == 0)
    return Platform::kMidiError;
  for (CaptureBuffer& buffer : mBuffers) {
    buffer.preparedHandle.store(handle);
    buffer.header.flags &= ~Platform::kMidiBufferDone;
    buffer.header.bytesRecorded = 0;
    const Platform::MidiResult result = mSystem->AddInputBuffer(handle, &buffer.header);
    if (result != Platform::kMidiOk) {
      // Buffers queued before stay with the platform until the close gives them back; they are no longer bound,
      // so they are not queued again.
      UnprepareBuffers();
      return result;
    }
  }
  return 0;
}

std::int32_t LMidiCapturePort::ReAddBuffer(Platform::MidiBuffer* header) {
  if (mClosing.load() || mHandle.load() == 0)
    return Platform::kMidiHandleBusy;
  if (!header)
    return Platform::kMidiError;
  CaptureBuffer* record = nullptr;
  for (CaptureBuffer& buffer : mBuffers)
    if (header->user == reinterpret_cast<std::uintptr_t>(&buffer) && header == &buffer.header)
      record = &buffer;
  if (!record)
    return Platform::kMidiError;
  const Platform::MidiInHandle prepared = record->preparedHandle.load();
  if (prepared == 0)
    return Platform::kMidiError;
  header->flags &= ~Platform::kMidiBufferDone;
  header->bytesRecorded = 0;
  return mSystem->AddInputBuffer(prepared, header);
}

void LMidiCapturePort::UnprepareBuffers() {
  for (CaptureBuffer& buffer : mBuffers)
    buffer.preparedHandle.store(0);
}

bool LMidiCapturePort::IsDevicePresent() const {
  const Platform::MidiInHandle handle = mHandle.load();
  return handle != 0 && mSystem->IsInputPresent(handle);
}

QZRESULT LMidiCapturePort::ReleaseInnerReferences() {
  {
    RCPtr<LMidiCapturePort> self(this);
    mOwner->RemoveCapturePort(self);
  }
  AddInnerReferences(-1);
  return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? S_OK : E_FAIL;
}

void LMidiCapturePort::OnInputEvent(void* instance, Platform::MidiInputEvent event, std::uint32_t packed,
                                    std::uint32_t timeMs, Platform::MidiBuffer* buffer) {
  if (!instance)
    return;
  auto* port = static_cast<LMidiCapturePort*>(instance);
  switch (event) {
  case Platform::MidiInputEvent::ShortMessage:
    port->OnShortMessage(packed, timeMs);
    break;
  case Platform::MidiInputEvent::LongData:
    if (buffer) {
      port->OnLongData(*buffer);
      port->ReAddBuffer(buffer);
    }
    break;
  case Platform::MidiInputEvent::LongError:
    if (buffer)
      port->ReAddBuffer(buffer); // its bytes are not to be used
    break;
  }
}

void LMidiCapturePort::OnShortMessage(std::uint32_t packed, std::uint32_t timeMs) {
  std::array<std::uint8_t, 4> bytes{};
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(packed >> (8 * i));
  Deliver(std::span<const std::uint8_t>(bytes.data(), GetShortMessageLength(bytes[0])), timeMs);
}

void LMidiCapturePort::OnLongData(Platform::MidiBuffer& buffer) {
  const std::uint32_t recorded = std::min(buffer.bytesRecorded, buffer.length);
  const std::span<const std::uint8_t> bytes(buffer.data, recorded);
  mPending.AddBuffer(bytes, CMidiSysExAssembler::IsComplete(bytes, buffer.length),
                     [this](std::span<const std::uint8_t> message) { Deliver(message, 0); });
}

void LMidiCapturePort::Deliver(std::span<const std::uint8_t> bytes, std::uint32_t timeMs) {
  RCPtr<LMidiCaptureNotificationData> message =
      LMidiCaptureNotificationData::Create(mRequestedName, static_cast<LRefCountedObject*>(this));
  if (message->AppendBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size())) != S_OK)
    return;
  message->SetTimeStamp(timeMs);
  mOwner->GetThreadPool()->Execute(RCPtr<LThreadWorker>(mOwner), RCPtr<LRefCountedObject>(message),
                                   LMidiComm::kDeliveryPriority);
}

} // namespace QZ
