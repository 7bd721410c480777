#pragma once
// Connection watching: remembers, for a list of MIDI input devices and a list of output devices given by port
// name, whether each was present at the last probe, and announces every change by posting
// "NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED" or "NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED" (payload
// LMidiDeviceConnectionStatusChangedNotification: the name, 0 appeared, 1 went away) to the application center.
// A device is present exactly when the MIDI layer opens a port for its name; the probe lets go of that port at
// once, so a port nobody else holds closes again.
//
// It does not run by itself: its owner fills the lists once and then calls the checks, one at a time. The lists
// and flags have no lock; the owner makes sure that no two checks run at once (the MIDI manager pauses its polling
// thread before it checks on another thread). Posting is safe from any thread; receivers get the announcement on
// the user-interface thread in the idle pass, never during the check.
//
// A check probes only when it must: when the layer's backend tells when its devices change (its device change
// count), a list whose last check announced nothing is not probed again until the count moves; its last answer
// stands. A check that announced something probes again next time, so that a device that went and came back in
// one change (a stale port closed by the first probe) is announced back by the second.

#include "DeviceControl/Engine/PresetEditorCommon/MidiCommInterface.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/StringArrayT.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <optional>

namespace QZ {

inline constexpr char16_t kMidiInputDeviceConnectionStatusChangedID[] =
    u"NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED";
inline constexpr char16_t kMidiOutputDeviceConnectionStatusChangedID[] =
    u"NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED";

// The status of a connection change.
inline constexpr std::int32_t kMidiDeviceConnected = 0;
inline constexpr std::int32_t kMidiDeviceDisconnected = 1;

class LMidiDeviceConnectionStatusChangedNotification : public virtual LRefCountedObject {
public:
  [[nodiscard]] static RCPtr<LMidiDeviceConnectionStatusChangedNotification> Create(const WideString& name,
                                                                                    std::int32_t status);
  ~LMidiDeviceConnectionStatusChangedNotification() override;

  const WideString& GetName() const { return mName; }
  std::int32_t GetStatus() const { return mStatus; }

private:
  LMidiDeviceConnectionStatusChangedNotification(const WideString& name, std::int32_t status);

  WideString mName;
  std::int32_t mStatus;
};

class LMidiDeviceStatusChecker : public virtual LRefCountedObject {
public:
  struct DeviceInfo {
    WideString name;
    bool connected = false;
  };

  // Both lists empty. A null layer makes every probe read absent.
  [[nodiscard]] static RCPtr<LMidiDeviceStatusChecker> Create(const RCPtr<LMidiCommInterface>& comm);
  ~LMidiDeviceStatusChecker() override;

  // One entry per name, in order, with its presence probed now; nothing is announced.
  void AddInputDevices(const StringArrayT<char16_t, char>& names);
  void AddOutputDevices(const StringArrayT<char16_t, char>& names);

  // Probes every device of the list and announces each change. True when every device is present now (and for
  // an empty list).
  bool CheckInputs();
  bool CheckOutputs();

  bool IsInputDevicePresent(const WideString& name);
  bool IsOutputDevicePresent(const WideString& name);

  const Array<DeviceInfo>& GetInputs() const { return mInputs; }
  const Array<DeviceInfo>& GetOutputs() const { return mOutputs; }

private:
  explicit LMidiDeviceStatusChecker(const RCPtr<LMidiCommInterface>& comm);

  // The device count of the layer's backend (nullopt: unknown, or no layer of ours).
  std::optional<std::uint64_t> GetDeviceChangeCount() const;
  bool Check(Array<DeviceInfo>& devices, bool input);
  bool IsPresent(const WideString& name, bool input);

  // A list's state after its last check: the change count it settled at (none: probe next time) and the answer.
  struct Settled {
    std::optional<std::uint64_t> at;
    bool all = true;
  };

  RCPtr<LMidiCommInterface> mComm;
  Array<DeviceInfo> mInputs;
  Array<DeviceInfo> mOutputs;
  Settled mInputsSettled;
  Settled mOutputsSettled;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMidiDeviceConnectionStatusChangedNotification,
             "class QZ::LMidiDeviceConnectionStatusChangedNotification")
QZ_TYPE_NAME(QZ::LMidiDeviceStatusChecker, "class QZ::LMidiDeviceStatusChecker")
