#include "DeviceControl/Engine/PresetEditorCommon/MidiManager.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetSysExMessages.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/SimpleFixedArray.h"

#include <cstring>
#include <vector>

namespace QZ {
namespace {

constexpr const char* kSourcePath = "Engine\\PresetEditorCommon\\MidiManager";

constexpr const char* kGetPresetFunction = "QZ::LMidiManager::GetPresetFromMidiDevice";
constexpr const char* kRequestParameterFunction = "QZ::LMidiManager::RequestNonPresetParameterFromDevice";
constexpr const char* kFirmwareFunction = "QZ::LMidiManager::IsDeviceFirmwareVersionUseable";

SysExView ViewOf(const IArray<signed char>& bytes) {
  return SysExView(reinterpret_cast<const std::uint8_t*>(bytes.GetData()), bytes.GetCount());
}

// Replaces the array's content; false when it cannot hold the bytes.
bool Assign(IArray<signed char>& to, SysExView bytes) {
  const std::uint32_t count = static_cast<std::uint32_t>(bytes.size());
  if (to.SetSize(count) != static_cast<std::int32_t>(count))
    return false;
  if (count > 0)
    std::memcpy(to.GetData(), bytes.data(), count);
  return true;
}

// The byte strings a value holds: its data for a buffer (type 14), else nothing.
SysExView BytesOf(const Variant& value) {
  std::uint32_t size = 0;
  const void* data = value.GetData(size);
  return data ? SysExView(static_cast<const std::uint8_t*>(data), size) : SysExView();
}

} // namespace

class LMidiManager::PollingPause {
public:
  explicit PollingPause(LMidiManager& manager) : mManager(manager), mWasOn(manager.mPollingOn.load()) {
    if (mWasOn)
      mManager.StopDeviceStatusPolling();
  }
  PollingPause(const PollingPause&) = delete;
  PollingPause& operator=(const PollingPause&) = delete;
  ~PollingPause() {
    if (mWasOn && !mManager.mPollingOn.load())
      mManager.StartDeviceStatusPolling();
  }

private:
  LMidiManager& mManager;
  const bool mWasOn;
};

LMidiManager::LMidiManager() = default;

LMidiManager::~LMidiManager() = default;

RCPtr<LMidiManager> LMidiManager::Create() {
  RCPtr<LMidiManager> manager(new LMidiManager());
  manager->Initialize();
  return manager;
}

StringArrayT<char16_t, char> LMidiManager::GetDevicePortNames() {
  StringArrayT<char16_t, char> names;
  names.AddItem(WideString(kDevicePortName));
  return names;
}

void LMidiManager::Initialize() {
  mHandler = Handler::Create(this);
  if (!mHandler)
    return;
  mComm = LMidiComm::Create();
  if (!mComm)
    return;
  const RCPtr<LRootModuleEngine> engine = GetAppEngine();
  mParamRange = ParamRange{engine ? engine->GetFirstParamID() : 0, kParameterCount};
  mStatusChecker = LMidiDeviceStatusChecker::Create(mComm);
  if (!mStatusChecker)
    return;
  mStatusChecker->AddInputDevices(GetDevicePortNames());
  mStatusChecker->AddOutputDevices(GetDevicePortNames());
  mPollingGate = LEvent::Create();
  mPollingThread =
      LEventGatedThreader::Create(mPollingGate, RCPtr<LThreadWorker>(this), RCPtr<LRefCountedObject>(), 0);
  AddInnerReferences(1); // the polling thread's reference
  mPollingOn.store(false);
  mPollingStopping.store(false);
  mReceiving.store(true);
  {
    MutexLock lock(mHandlerLock);
    (void)mHandler->Register(&LMidiManager::OnMidiInputDeviceConnectionStatusChanged,
                             RCPtr<LNotificationDistributor>(GetApplicationNotificationCenter()),
                             kMidiInputDeviceConnectionStatusChangedID);
  }
  (void)OpenDevicePorts(); // an absent controller is found later, when the checker sees it arrive
}

bool LMidiManager::IsDeviceConnected() { return mCapturePort && mRenderPort; }

std::int32_t LMidiManager::OpenDevicePorts() {
  if (IsDeviceConnected())
    return 1;
  if (!mComm)
    return E_FAIL;
  {
    PollingPause pause(*this);
    const StringArrayT<char16_t, char> outputs = GetDevicePortNames();
    for (std::uint32_t i = 0; i < outputs.GetCount(); ++i) {
      (void)mComm->OpenRenderPort(outputs.GetAt(i), mRenderPort);
      if (mRenderPort) {
        mOutputPortName = outputs.GetAt(i);
        break;
      }
    }
    const StringArrayT<char16_t, char> inputs = GetDevicePortNames();
    for (std::uint32_t i = 0; i < inputs.GetCount(); ++i) {
      (void)mComm->OpenCapturePort(inputs.GetAt(i), mCapturePort);
      if (mCapturePort) {
        mInputPortName = inputs.GetAt(i);
        break;
      }
    }
  }
  return IsDeviceConnected() ? S_OK : E_FAIL;
}

std::int32_t LMidiManager::CloseDevicePorts() {
  PollingPause pause(*this);
  mCapturePort = nullptr;
  mRenderPort = nullptr;
  return S_OK;
}

RCPtr<LMidiCommInterface> LMidiManager::GetMidiComm() { return mComm; }

WideString LMidiManager::GetInputPortName() { return IsDeviceConnected() ? mInputPortName : WideString(); }

WideString LMidiManager::GetOutputPortName() { return IsDeviceConnected() ? mOutputPortName : WideString(); }

void LMidiManager::SetParamRange(const ParamRange& range) { mParamRange = range; }

std::int32_t LMidiManager::NotImplemented(std::int32_t) { return E_NOTIMPL; }

std::int32_t LMidiManager::StartDeviceStatusPolling() {
  if (!mPollingThread) // set-up stopped early: nothing to drive
    return 1;
  if (mPollingOn.load())
    return 1;
  mPollingOn.store(true);
  mPollingThread->mWaitTimeout.store(mPollingPeriodMs.load());
  mPollingGate->Set(); // a tick at once, then one every period
  return 0;
}

std::int32_t LMidiManager::StopDeviceStatusPolling() {
  if (!mPollingThread || !mPollingOn.load())
    return 1;
  mPollingThread->mWaitTimeout.store(kPollingStopTimeout);
  mPollingStopping.store(true);
  // A tick holds the tick lock while it decides and checks: once we have had the lock, the tick that was running
  // has ended and every later one finds pollingStopping set and only counts. The polling thread need not wake
  // for the stop, so a request pays no thread hand-over before it can start.
  { const std::lock_guard<std::mutex> tick(mTickLock); }
  // A signal the thread did not consume (its timed wait ended just as Start set the gate) would run one more
  // tick after we return; it would only count (polling is off), but it need not run at all.
  mPollingGate->Reset();
  mPollingOn.store(false);
  mPollingStopping.store(false);
  return 0;
}

std::int32_t LMidiManager::DoWork(RCPtr<LRefCountedObject>&) {
  const std::lock_guard<std::mutex> tick(mTickLock);
  mPollingTicks.fetch_add(1);
  // A tick while stopping or stopped only counts, so no check overlaps the caller's port work.
  if (!mPollingStopping.load() && mPollingOn.load() && mStatusChecker) {
    (void)mStatusChecker->CheckInputs();
    (void)mStatusChecker->CheckOutputs();
  }
  return 0;
}

std::int32_t LMidiManager::OnMidiInputDeviceConnectionStatusChanged(const RCPtr<LNotificationDistributor>&,
                                                                    const RCPtr<LNotification>& notification) {
  if (notification && DynamicCast<LMidiDeviceConnectionStatusChangedNotification>(notification->GetPayload())) {
    CloseDevicePorts();
    (void)OpenDevicePorts();
  }
  return 1;
}

std::int32_t LMidiManager::Receive(const RCPtr<LNotificationDistributor>& source,
                                   const RCPtr<LNotification>& notification) {
  if (!mReceiving.load() || !notification)
    return 0;
  // The member is looked up under the lock and called without it: the map may change meanwhile, and a member
  // called after its registration went finds nothing left to do.
  Handler::Member member = nullptr;
  {
    MutexLock lock(mHandlerLock);
    if (!mHandler)
      return 0;
    std::uint32_t flags = 0;
    (void)mHandler->GetRegistration(source, notification->GetID(), member, flags);
  }
  return member ? (this->*member)(source, notification) : 0;
}

std::int32_t LMidiManager::Unsubscribe(const RCPtr<LNotificationDistributor>& source, NotificationID id) {
  {
    MutexLock lock(mHandlerLock);
    if (mHandler)
      (void)mHandler->Unregister(source, id);
  }
  return LNotificationClient::Unsubscribe(source, id);
}

void LMidiManager::RegisterForCapturedData(const char* function, int line) {
  QZRESULT result = E_INVALIDARG;
  {
    MutexLock lock(mHandlerLock);
    if (mHandler)
      result = mHandler->Register(&LMidiManager::OnMidiDataCaptured, RCPtr<LNotificationDistributor>(mComm),
                                  kMidiDataCapturedID);
  }
  ThrowIfFailed(result, function, kSourcePath, line);
}

void LMidiManager::UnregisterFromCapturedData(const char* function, int line) {
  const RCPtr<LNotificationDistributor> source(mComm);
  QZRESULT result = LNotificationClient::Unsubscribe(source, kMidiDataCapturedID);
  {
    MutexLock lock(mHandlerLock);
    if (!mHandler || !mHandler->Unregister(source, kMidiDataCapturedID))
      result = E_FAIL;
  }
  ThrowIfFailed(result, function, kSourcePath, line);
}

std::uint64_t LMidiManager::OpenPresetRequest() {
  MutexLock lock(mReplyLock);
  mPresetReplyLight.SetRed();
  mOpenRequest = ++mNextToken;
  return mOpenRequest;
}

void LMidiManager::WithdrawPresetRequest(std::uint64_t token) {
  MutexLock lock(mReplyLock);
  if (mOpenRequest == token)
    mOpenRequest = 0;
}

bool LMidiManager::AwaitPresetReply(std::uint64_t token) {
  if (!mPresetReplyLight.IsGreen())
    (void)mPresetReplyLight.Wait(mReplyWaitMs.load());
  {
    MutexLock lock(mReplyLock);
    if (mOpenRequest == token) { // no reply claimed it: withdrawn, and no later reply will touch the engine
      mOpenRequest = 0;
      return false;
    }
    if (mCompletedRequest == token)
      return true;
  }
  // A reply claimed the request and is writing the values: it turns the light green when it is done.
  (void)mPresetReplyLight.Wait(kInfinite);
  return true;
}

std::int32_t LMidiManager::GetPresetFromMidiDevice(std::int32_t program) {
  if (!mCapturePort || !mRenderPort)
    return kMidiNoPort;
  PollingPause pause(*this);
  Array<signed char> request;
  (void)Assign(request, BuildPresetRequestMessage(program));
  RegisterForCapturedData(kGetPresetFunction, 462);
  const std::uint64_t token = OpenPresetRequest();
  std::int32_t result = kMidiNoPort;
  if (SendSysExMessage(request, mRenderPort) < 0)
    WithdrawPresetRequest(token);
  else
    result = AwaitPresetReply(token) ? 0 : kMidiNoReply;
  UnregisterFromCapturedData(kGetPresetFunction, 501);
  return result;
}

std::int32_t LMidiManager::OnMidiDataCaptured(const RCPtr<LNotificationDistributor>& source,
                                              const RCPtr<LNotification>& notification) {
  const RCPtr<LMidiCaptureNotificationData> data =
      notification ? DynamicCast<LMidiCaptureNotificationData>(notification->GetPayload())
                   : RCPtr<LMidiCaptureNotificationData>();
  if (!data || !mComm || source.GetRaw() != static_cast<LNotificationDistributor*>(mComm.GetRaw()))
    return 1;
  const LMidiCaptureNotificationData::Bytes& captured = data->GetBytes();
  const SysExBytes reply(reinterpret_cast<const std::uint8_t*>(captured.GetData()),
                         reinterpret_cast<const std::uint8_t*>(captured.GetData()) + captured.GetCount());
  if (!IsValidPresetReply(reply))
    return 1;
  const RCPtr<LRootModuleEngine> engine = GetAppEngine();
  if (!engine)
    return 1;
  Array<ParamValue> values;
  engine->GetValues(mParamRange, values, -1);
  std::vector<std::size_t> widths;
  widths.reserve(values.GetCount());
  for (std::uint32_t i = 0; i < values.GetCount(); ++i) {
    std::uint32_t size = 0;
    (void)values.GetAt(i).value.GetData(size);
    widths.push_back(size);
  }
  // A message too short for the values is not a program reply: the request keeps waiting.
  const auto parsed = ParsePresetReply(reply, widths);
  if (!parsed)
    return 1;

  std::uint64_t token = 0;
  {
    MutexLock lock(mReplyLock);
    token = mOpenRequest; // 0: no request waits, or it was already answered or withdrawn
    mOpenRequest = 0;
  }
  if (token == 0)
    return 1;
  // The claimed request completes however the writing ends: its requester waits for it.
  struct Completion {
    LMidiManager& manager;
    std::uint64_t token;
    ~Completion() {
      MutexLock lock(manager.mReplyLock);
      manager.mCompletedRequest = token;
      manager.mPresetReplyLight.SetGreen();
    }
  } completion{*this, token};
  for (std::uint32_t i = 0; i < values.GetCount(); ++i) {
    Variant value;
    const SysExBytes& bytes = (*parsed)[i];
    value.SetBuffer(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    (void)engine->SetParamValue(values.GetAt(i).descriptor, value);
  }
  return 1;
}

std::int32_t LMidiManager::SendSysExMessage(IArray<signed char>& message, RCPtr<LRefCountedObject> port) {
  std::int32_t result = kMidiNoPort;
  if (port && mComm) {
    SysExBytes framed;
    result = FrameSysExMessage(ViewOf(message), framed);
    if (result >= 0 && !Assign(message, framed))
      result = E_FAIL;
    PollingPause pause(*this);
    if (result >= 0)
      result = mComm->SendArray(port, message);
  }
  return result;
}

std::int32_t LMidiManager::SendPreset(std::int32_t program) {
  if (!mRenderPort || !mComm)
    return kMidiNoPort;
  const RCPtr<LRootModuleEngine> engine = GetAppEngine();
  Array<ParamValue> values;
  if (engine)
    engine->GetValues(mParamRange, values, -1);
  // The record holds exactly twelve values; anything else would go out as a record of zeros.
  if (values.GetCount() != static_cast<std::uint32_t>(kParameterCount) ||
      values.GetCount() != static_cast<std::uint32_t>(mParamRange.count))
    return E_FAIL;
  std::vector<SysExView> record;
  record.reserve(values.GetCount());
  for (std::uint32_t i = 0; i < values.GetCount(); ++i) {
    const Variant& value = values.GetAt(i).value;
    if (value.GetType() == kVariantArray)
      return E_NOTIMPL;
    if (value.GetType() != kVariantBuffer)
      return E_FAIL;
    record.push_back(BytesOf(value));
  }
  const SysExBytes body = PackPresetRecord(BuildPresetSendMessage(program), record);
  // A record byte of 80 or more would be a status byte on the wire (an F7 last even ends the message early).
  if (!HasOnlyDataBytes(SysExView(body).subspan(kPresetSendRecordStart)))
    return E_FAIL;
  Array<signed char> message;
  (void)Assign(message, body);
  return SendSysExMessage(message, mRenderPort);
}

std::int32_t LMidiManager::SendNonPresetParameterToDevice(const WideString&, std::int32_t, std::int32_t) {
  return IsDeviceConnected() ? 0 : -1;
}

std::int32_t LMidiManager::RequestNonPresetParameterFromDevice(const WideString&, std::int32_t) {
  if (!IsDeviceConnected())
    return E_FAIL;
  PollingPause pause(*this);
  RegisterForCapturedData(kRequestParameterFunction, 647);
  mParameterReplyLight.SetRed();
  UnregisterFromCapturedData(kRequestParameterFunction, 679);
  return 0;
}

bool LMidiManager::IsDeviceFirmwareVersionUseable() {
  if (!IsDeviceConnected())
    return false;
  RegisterForCapturedData(kFirmwareFunction, 714);
  mIdentityReplyLight.SetRed();
  std::int32_t outcome = -1;
  if (SendIdentityRequest(mRenderPort) >= 0) {
    if (!mIdentityReplyLight.IsGreen())
      (void)mIdentityReplyLight.Wait(mReplyWaitMs.load());
    outcome = mIdentityReplyLight.IsGreen() ? 0 : -2;
  }
  UnregisterFromCapturedData(kFirmwareFunction, 745);
  return outcome >= 0;
}

std::int32_t LMidiManager::SendIdentityRequest(RCPtr<LRefCountedObject> port) {
  if (!port)
    return E_FAIL;
  SimpleFixedArray<signed char, 8> message;
  (void)Assign(message, BuildIdentityRequestMessage());
  return SendSysExMessage(message, std::move(port));
}

std::int32_t LMidiManager::SendRawMessage(const IArray<signed char>& bytes) {
  // The output check runs here on the caller's thread: the polling thread must not check at the same time.
  PollingPause pause(*this);
  if (!mStatusChecker || !mComm || !mStatusChecker->CheckOutputs())
    return kMidiNoPort;
  return mComm->SendArray(mRenderPort, bytes);
}

QZRESULT LMidiManager::ReleaseInnerReferences() {
  UnsubscribeAll();
  if (mPollingThread) {
    AddInnerReferences(-1);
    mPollingThread = nullptr; // stops and joins the thread, which lets go of its reference
  }
  return S_OK;
}

WideString LMidiManager::ToString() const { return WideString(u"LMidiManager"); }

} // namespace QZ
