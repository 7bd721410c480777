#include "DeviceControl/Engine/PresetEditorCommon/MidiRenderPort.h"

#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiPortNames.h"

#include <vector>

namespace QZ {

// A long message on its way: the platform's record and the bytes it points to. Held by the sender and, from
// the send until the platform gives the record back, by the platform; the last of the two frees it.
struct LMidiRenderPort::LongMessage {
  Platform::MidiBuffer header;
  std::vector<std::uint8_t> bytes;
  std::atomic<int> holders{1};

  static void Drop(LongMessage* message) {
    if (message->holders.fetch_sub(1) == 1)
      delete message;
  }
};

LMidiRenderPort::LMidiRenderPort(const WideString& name, const RCPtr<LMidiComm>& owner, std::uint32_t waitMs)
    : mRequestedName(name), mOwner(owner), mSystem(owner->GetMidiSystem()), mWaitMs(waitMs) {
  mCompletionLight.SetGreen();
}

LMidiRenderPort::~LMidiRenderPort() { Close(); }

RCPtr<LMidiRenderPort> LMidiRenderPort::Create(const WideString& name, const RCPtr<LMidiComm>& owner,
                                               std::uint32_t waitMs) {
  if (name.IsEmpty() || !owner)
    return RCPtr<LMidiRenderPort>();
  return RCPtr<LMidiRenderPort>(new LMidiRenderPort(name, owner, waitMs));
}

std::int32_t LMidiRenderPort::GetShortMessageLength(std::uint8_t status) {
  if (status < 0x80)
    return 1;
  if (status < 0xC0)
    return 3;
  if (status < 0xE0)
    return 2;
  if (status < 0xF0)
    return 3;
  switch (status) {
  case 0xF0:
  case 0xF7:
    return 0;
  case 0xF2:
    return 3;
  case 0xF1:
  case 0xF3:
  case 0xF4:
  case 0xF5:
    return 2;
  default: // F6, F8 to FF
    return 1;
  }
}

std::int32_t LMidiRenderPort::Open() {
  Close();
  const std::int32_t device =
      FindPortDevice(*mSystem, Platform::MidiDirection::Output, mRequestedName, mDeviceName);
  if (device < 0)
    return Platform::kMidiNoDriver;
  Platform::MidiOutHandle handle = 0;
  const Platform::MidiResult result =
      mSystem->OpenOutput(static_cast<std::uint32_t>(device), &LMidiRenderPort::OnOutputEvent, this, handle);
  if (result != Platform::kMidiOk) {
    if (handle != 0)
      mSystem->CloseOutput(handle);
    return result;
  }
  mHandle.store(handle);
  return 0;
}

void LMidiRenderPort::Close() {
  const Platform::MidiOutHandle handle = mHandle.exchange(0);
  if (handle != 0)
    mSystem->CloseOutput(handle); // gives back a long message still under way
}

bool LMidiRenderPort::IsDevicePresent() const {
  const Platform::MidiOutHandle handle = mHandle.load();
  return handle != 0 && mSystem->IsOutputPresent(handle);
}

QZRESULT LMidiRenderPort::ReleaseInnerReferences() {
  {
    RCPtr<LMidiRenderPort> self(this);
    mOwner->RemoveRenderPort(self);
  }
  AddInnerReferences(-1);
  return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? S_OK : E_FAIL;
}

void LMidiRenderPort::WaitForCompletion() { mCompletionLight.Wait(mWaitMs); }

Platform::MidiResult LMidiRenderPort::SendShort(std::uint32_t packed) {
  return mSystem->SendShort(mHandle.load(), packed);
}

std::int32_t LMidiRenderPort::SendLong(const std::uint8_t* data, std::uint32_t length) {
  auto* message = new LongMessage;
  message->bytes.assign(data, data + length);
  message->header.data = message->bytes.data();
  message->header.length = length;
  message->header.bytesRecorded = length;
  message->header.user = reinterpret_cast<std::uintptr_t>(message);
  message->holders.store(2); // the platform's share first: it may give the record back inside SendLong

  const Platform::MidiOutHandle handle = mHandle.load();
  mCompletionLight.SetRed();
  if (mSystem->SendLong(handle, &message->header) != Platform::kMidiOk) {
    message->holders.fetch_sub(1); // never taken
    LongMessage::Drop(message);
    mCompletionLight.SetGreen();
    return E_FAIL;
  }
  const bool done = mCompletionLight.Wait(mWaitMs) != kWaitTimeout;
  if (!done)
    mSystem->ResetOutput(handle); // the platform gives the record back, unsent
  LongMessage::Drop(message);
  mCompletionLight.SetGreen();
  return done ? static_cast<std::int32_t>(length) : E_FAIL;
}

void LMidiRenderPort::OnOutputEvent(void* instance, Platform::MidiOutputEvent event,
                                    Platform::MidiBuffer* buffer) {
  if (!instance || event != Platform::MidiOutputEvent::Done)
    return;
  static_cast<LMidiRenderPort*>(instance)->mCompletionLight.SetGreen();
  if (buffer && buffer->user != 0)
    LongMessage::Drop(reinterpret_cast<LongMessage*>(buffer->user));
}

} // namespace QZ
