#include "DeviceControl/Engine/PresetEditorCommon/MidiDeviceStatusChecker.h"

#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"

namespace QZ {
namespace {

void PostStatusChange(const char16_t* id, const WideString& name, std::int32_t status) {
  RCPtr<LNotification> notification =
      LNotification::Create(id, LMidiDeviceConnectionStatusChangedNotification::Create(name, status));
  const RCPtr<LNotificationCenter>& center = GetApplicationNotificationCenter();
  if (center && notification)
    (void)center->Post(notification); // a change that could not be queued stays recorded all the same
}

} // namespace

LMidiDeviceConnectionStatusChangedNotification::LMidiDeviceConnectionStatusChangedNotification(
    const WideString& name, std::int32_t status)
    : mName(name), mStatus(status) {}

LMidiDeviceConnectionStatusChangedNotification::~LMidiDeviceConnectionStatusChangedNotification() = default;

RCPtr<LMidiDeviceConnectionStatusChangedNotification>
LMidiDeviceConnectionStatusChangedNotification::Create(const WideString& name, std::int32_t status) {
  return RCPtr<LMidiDeviceConnectionStatusChangedNotification>(
      new LMidiDeviceConnectionStatusChangedNotification(name, status));
}

LMidiDeviceStatusChecker::LMidiDeviceStatusChecker(const RCPtr<LMidiCommInterface>& comm) : mComm(comm) {}

LMidiDeviceStatusChecker::~LMidiDeviceStatusChecker() = default;

RCPtr<LMidiDeviceStatusChecker> LMidiDeviceStatusChecker::Create(const RCPtr<LMidiCommInterface>& comm) {
  return RCPtr<LMidiDeviceStatusChecker>(new LMidiDeviceStatusChecker(comm));
}

void LMidiDeviceStatusChecker::AddInputDevices(const StringArrayT<char16_t, char>& names) {
  mInputsSettled.at.reset();
  for (std::uint32_t i = 0; i < names.GetCount(); ++i)
    mInputs.AddItem(DeviceInfo{names.GetAt(i), IsInputDevicePresent(names.GetAt(i))});
}

void LMidiDeviceStatusChecker::AddOutputDevices(const StringArrayT<char16_t, char>& names) {
  mOutputsSettled.at.reset();
  for (std::uint32_t i = 0; i < names.GetCount(); ++i)
    mOutputs.AddItem(DeviceInfo{names.GetAt(i), IsOutputDevicePresent(names.GetAt(i))});
}

bool LMidiDeviceStatusChecker::CheckInputs() { return Check(mInputs, true); }

bool LMidiDeviceStatusChecker::CheckOutputs() { return Check(mOutputs, false); }

std::optional<std::uint64_t> LMidiDeviceStatusChecker::GetDeviceChangeCount() const {
  const auto* comm = dynamic_cast<const LMidiComm*>(mComm.GetRaw());
  if (!comm || !comm->GetMidiSystem())
    return std::nullopt;
  return comm->GetMidiSystem()->GetDeviceChangeCount();
}

bool LMidiDeviceStatusChecker::IsInputDevicePresent(const WideString& name) { return IsPresent(name, true); }

bool LMidiDeviceStatusChecker::IsOutputDevicePresent(const WideString& name) { return IsPresent(name, false); }

bool LMidiDeviceStatusChecker::Check(Array<DeviceInfo>& devices, bool input) {
  const char16_t* id =
      input ? kMidiInputDeviceConnectionStatusChangedID : kMidiOutputDeviceConnectionStatusChangedID;
  Settled& settled = input ? mInputsSettled : mOutputsSettled;
  // Read before probing: a change during the probes moves it past this value, and the next check probes again.
  const std::optional<std::uint64_t> changes = GetDeviceChangeCount();
  if (changes && settled.at == changes)
    return settled.all;
  bool announced = false;
  bool all = true;
  for (std::uint32_t i = 0; i < devices.GetCount(); ++i) {
    DeviceInfo& device = devices.GetAt(i);
    const bool present = IsPresent(device.name, input);
    if (present && !device.connected) {
      PostStatusChange(id, device.name, kMidiDeviceConnected);
      device.connected = true;
      announced = true;
    } else if (!present && device.connected) {
      PostStatusChange(id, device.name, kMidiDeviceDisconnected);
      device.connected = false;
      announced = true;
    }
    if (!device.connected)
      all = false;
  }
  settled.at = announced ? std::nullopt : changes;
  settled.all = all;
  return all;
}

bool LMidiDeviceStatusChecker::IsPresent(const WideString& name, bool input) {
  if (!mComm)
    return false;
  RCPtr<LRefCountedObject> port;
  const QZRESULT result = input ? mComm->OpenCapturePort(name, port) : mComm->OpenRenderPort(name, port);
  return result >= 0 && port; // the probe's port goes here: one nobody else holds closes again
}

} // namespace QZ
