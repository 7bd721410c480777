#pragma once
// The editor's road to the controller over MIDI: it finds the controller's input and output ports by name
// ("Pellan Vorn"), watches them from its polling thread every 500 ms and reconnects when the input comes or goes,
// fetches a stored program into the application's engine and sends the engine's program to the controller.
//
// Threads:
// - The user-interface thread: creation, polling start and stop, the requests, the port operations, and the
//   input connection change (posted by the checker, delivered in the idle pass).
// - The MIDI layer's worker: Receive and the reply handler (OnMidiDataCaptured).
// - The polling thread: DoWork, which runs the connection checks.
// Every operation that uses or changes the ports, or runs a check on the caller's thread, first pauses the
// polling (StopDeviceStatusPolling returns once no tick can run a check) and restores it afterwards, also when
// it throws; the ports themselves need no lock. StopDeviceStatusPolling must not be called from the polling
// thread.
//
// Locks, never nested and never held while calling out: the handler lock guards the handler map (changed on
// the user-interface thread, read for every captured message); the reply lock hands a program request over to
// the reply handler by its token, so that a request that has timed out changes nothing and one that a reply has
// claimed completes before it reports.
//
// End of life: each registration and the polling thread's reference to the manager count as inner references;
// the last outside release unsubscribes everything and ends the polling thread.
//
// Port order: OpenDevicePorts opens the output port before the input port. On JACK each port is a client of its
// own, and the server (jackd1) does not reliably order our clients after their connections to the controller's;
// it falls back to their age. The output's client must run before the controller's input in every period, or a
// request made right after a reply waits one period more.

#include "DeviceControl/Engine/PresetEditorCommon/MidiCaptureNotificationData.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiCommInterface.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiDeviceStatusChecker.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/Notification/NotificationHandler.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/Utilities/Storage/Iterable.h"
#include "QZFramework/Utilities/Storage/StringArrayT.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Threading/Event.h"
#include "QZFramework/Utilities/Threading/EventGatedThreader.h"
#include "QZFramework/Utilities/Threading/LEvent.h"
#include "QZFramework/Utilities/Threading/Mutex.h"
#include "QZFramework/Utilities/Threading/ThreadWorker.h"

#include <atomic>
#include <cstdint>
#include <mutex>

namespace QZ {

// Results of the requests beside the standard codes.
inline constexpr std::int32_t kMidiNoPort = -1;  // ports not open, or the request was not sent
inline constexpr std::int32_t kMidiNoReply = -3; // no program reply in time

class LMidiManager : public virtual LNotificationClient,
                     public virtual LNotificationDistributor,
                     public virtual LThreadWorker {
public:
  static constexpr char16_t kDevicePortName[] = u"Pellan Vorn";
  static constexpr std::int32_t kParameterCount = 12;
  static constexpr std::uint32_t kPollingPeriodMs = 500;
  static constexpr std::uint32_t kPollingStopTimeout = kInfinite;
  static constexpr std::uint32_t kReplyWaitMs = 1000;

  // A manager, initialised; polling is not started.
  [[nodiscard]] static RCPtr<LMidiManager> Create();
  ~LMidiManager() override;

  // The one name searched for the input and the output port.
  [[nodiscard]] static StringArrayT<char16_t, char> GetDevicePortNames();

  // The bytes sent (22); kMidiNoPort without an output port or layer; E_NOTIMPL for a value that is a packed
  // array, E_FAIL for any other value that is not a byte string, for a value count other than twelve, for a record
  // byte of 80 or more, and when the send fails (also when the controller has gone). Nothing is sent on a failure
  // before the send.
  virtual std::int32_t SendPreset(std::int32_t program);
  // 0 when the controller's reply was applied to the engine; kMidiNoPort; kMidiNoReply. Throws "Failed Result"
  // when the registration for the reply cannot be made or undone (polling is restored first).
  virtual std::int32_t GetPresetFromMidiDevice(std::int32_t program);
  // Sends nothing: 0 when connected, else -1.
  virtual std::int32_t SendNonPresetParameterToDevice(const WideString& name, std::int32_t value1,
                                                      std::int32_t value2);
  // Sends and awaits nothing: 0 when connected, else E_FAIL. Throws as GetPresetFromMidiDevice.
  virtual std::int32_t RequestNonPresetParameterFromDevice(const WideString& name, std::int32_t value);
  // The bytes unchanged (no framing) through the output port when the output device is present, with polling
  // paused; else -1.
  virtual std::int32_t SendRawMessage(const IArray<signed char>& bytes);
  virtual void Initialize();
  // True only when an identity reply turned its light green within the reply wait; no reply is recognised as
  // one, so a connected controller reads false. Throws as GetPresetFromMidiDevice.
  virtual bool IsDeviceFirmwareVersionUseable();
  virtual std::int32_t NotImplemented(std::int32_t value);
  virtual bool IsDeviceConnected();
  // 0 connected, 1 both ports were held already, E_FAIL not connected.
  virtual std::int32_t OpenDevicePorts();
  virtual std::int32_t CloseDevicePorts();
  virtual RCPtr<LMidiCommInterface> GetMidiComm();
  virtual WideString GetInputPortName();
  virtual WideString GetOutputPortName();
  virtual void SetParamRange(const ParamRange& range);
  // Frames and sends the identity request; E_FAIL for a null port.
  virtual std::int32_t SendIdentityRequest(RCPtr<LRefCountedObject> port);

  // 1 when polling was on already, else 0.
  std::int32_t StartDeviceStatusPolling();
  // 1 when polling was off already, else 0 once no polling tick can run a check.
  std::int32_t StopDeviceStatusPolling();
  // Frames message in place and sends it with polling paused: -1 without a port or layer, E_FAIL when framing
  // refuses it, else the layer's result.
  std::int32_t SendSysExMessage(IArray<signed char>& message, RCPtr<LRefCountedObject> port);
  std::int32_t OnMidiInputDeviceConnectionStatusChanged(const RCPtr<LNotificationDistributor>& source,
                                                        const RCPtr<LNotification>& notification);
  std::int32_t OnMidiDataCaptured(const RCPtr<LNotificationDistributor>& source,
                                  const RCPtr<LNotification>& notification);

  // LNotificationReceiver
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& source, NotificationID id) override;
  // LThreadWorker: the polling tick.
  std::int32_t DoWork(RCPtr<LRefCountedObject>& params) override;
  // LRefCountedObject
  QZRESULT ReleaseInnerReferences() override;
  WideString ToString() const override;

  // For tests: a shorter polling period and reply wait (the production values are the constants above).
  void SetPollingPeriod(std::uint32_t ms) { mPollingPeriodMs.store(ms); }
  void SetReplyWait(std::uint32_t ms) { mReplyWaitMs.store(ms); }

protected:
  LMidiManager();

private:
  using Handler = LNotificationHandler<LMidiManager>;

  // Pauses the polling for its scope and restores it when it was on before and is off afterwards, also when
  // the scope is left by an exception.
  class PollingPause;

  // Registers OnMidiDataCaptured for the layer's captured messages; throws at line on failure.
  void RegisterForCapturedData(const char* function, int line);
  void UnregisterFromCapturedData(const char* function, int line);
  // Opens a program request under the reply lock: its token.
  std::uint64_t OpenPresetRequest();
  // Waits for the reply; true when a reply completed the request. A request no reply claimed in time is
  // withdrawn; one a reply claimed is waited for.
  bool AwaitPresetReply(std::uint64_t token);
  void WithdrawPresetRequest(std::uint64_t token);

  RCPtr<Handler> mHandler;
  RCPtr<LMidiCommInterface> mComm;
  TrafficLight mPresetReplyLight;
  TrafficLight mParameterReplyLight;
  TrafficLight mIdentityReplyLight;
  RCPtr<LRefCountedObject> mRenderPort;
  RCPtr<LRefCountedObject> mCapturePort;
  WideString mInputPortName;
  WideString mOutputPortName;
  RCPtr<LMidiDeviceStatusChecker> mStatusChecker;
  RCPtr<LEventGatedThreader> mPollingThread;
  RCPtr<LEvent> mPollingGate;
  std::atomic<bool> mPollingOn{false};
  std::atomic<bool> mPollingStopping{false};
  std::atomic<std::uint32_t> mPollingTicks{0};
  std::atomic<bool> mReceiving{false};
  ParamRange mParamRange;

  Mutex mHandlerLock;
  // Held by a tick for its whole run; StopDeviceStatusPolling takes it once to know that no tick checks any more.
  std::mutex mTickLock;
  std::atomic<std::uint32_t> mPollingPeriodMs{kPollingPeriodMs};
  std::atomic<std::uint32_t> mReplyWaitMs{kReplyWaitMs};

  // Guarded by the reply lock: the token of the request waiting for a reply (0 none), and of the last one a
  // reply completed.
  Mutex mReplyLock;
  std::uint64_t mNextToken = 0;
  std::uint64_t mOpenRequest = 0;
  std::uint64_t mCompletedRequest = 0;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LMidiManager, "class QZ::LMidiManager")
