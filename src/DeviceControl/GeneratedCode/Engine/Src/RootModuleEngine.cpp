#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/Holder.h"
#include "QZFramework/Utilities/Storage/VariantEx.h"

#include <chrono>
#include <thread>

using QZ::Array;
using QZ::IArray;
using QZ::MutexLock;
using QZ::ParamDescriptor;
using QZ::ParamValue;
using QZ::RCPtr;
using QZ::Variant;

namespace {

constexpr const char* kSourcePath = "..\\DeviceControl\\GeneratedCode\\Engine\\Src\\RootModuleEngine";
constexpr std::uint32_t kDeviceParamCountAll = 12;
constexpr std::uint32_t kStopSliceMs = 10;

std::uint32_t SteadyMs() {
  using namespace std::chrono;
  return static_cast<std::uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void Post(const char16_t* id, const RCPtr<QZ::LRefCountedObject>& payload) {
  const RCPtr<QZ::LNotificationCenter>& center = QZ::GetApplicationNotificationCenter();
  if (center)
    center->Post(QZ::LNotification::Create(id, payload));
}

} // namespace

LRootModuleEngine::LRootModuleEngine() : mClock(SteadyMs), mData(std::make_unique<PrivateData>()) {
  mData->engine = this;
}

LRootModuleEngine::~LRootModuleEngine() {
  if (mData->root)
    mData->root->Shutdown();
  mData.reset();
}

std::int32_t LRootModuleEngine::Receive(const RCPtr<QZ::LNotificationDistributor>& source,
                                        const RCPtr<QZ::LNotification>& notification) {
  if (mHandler && mHandlerEnabled.load())
    mHandler->Receive(source, notification);
  return 0;
}

std::int32_t LRootModuleEngine::Unsubscribe(const RCPtr<QZ::LNotificationDistributor>& distributor,
                                            QZ::NotificationID id) {
  if (mHandler)
    mHandler->Unregister(distributor, id);
  return QZ::LNotificationClient::Unsubscribe(distributor, id);
}

std::int32_t LRootModuleEngine::Initialize(std::int32_t first) {
  mHandler = Handler::Create(this);
  if (!mHandler)
    return QZ::E_FAIL;
  const QZ::QZRESULT registered =
      mHandler->Register(&LRootModuleEngine::OnChangeRequest,
                         QZ::StaticCast<QZ::LNotificationDistributor>(QZ::GetApplicationNotificationCenter()),
                         kNidParamModuleChangeReq);
  QZ::ThrowIfFailed(registered, "LRootModuleEngine::Initialize", kSourcePath, 312);

  mData->communication = QZ::DynamicCast<LDeviceCommunicationBase>(CreateDeviceCommunication());
  mCreateRootOffline = true;
  mData->root = QZ::DynamicCast<QZ::LRootModule>(CreateRootModule(true));
  mData->cache = CreateParamCache();
  if (mData->root)
    mData->root->Initialize(&LRootModuleEngine::OnRootChange, this, mData->cache, mData->communication, first);
  mHandlerEnabled.store(true);
  RequestAllParamValues();
  return 0;
}

void LRootModuleEngine::OnRelease() {}

bool LRootModuleEngine::IsActive() { return true; }

std::int32_t LRootModuleEngine::SetParamValue(const ParamDescriptor& descriptor, const Variant& value) {
  if (GetConnectionState() != kConnected)
    return QZ::E_FAIL;
  const std::int32_t result = mData->root ? mData->root->SetParamValueExternal(descriptor, value) : QZ::E_FAIL;
  if (result < 0)
    UpdateConnectionState(); // after the root lock is released
  return result;
}

std::int32_t LRootModuleEngine::GetParamValue(const ParamDescriptor& descriptor, Variant& value) {
  return mData->root ? mData->root->GetParamValueExternal(descriptor, value) : QZ::E_FAIL;
}

std::int32_t LRootModuleEngine::RequestParamValues(const QZ::ParamDescriptors& descriptors) {
  Array<ParamValue> values;
  const std::uint32_t count = descriptors.GetArrayCount();
  for (std::uint32_t i = 0; i < count; ++i) {
    ParamDescriptor descriptor;
    // A descriptor that cannot be read comes back as identifier -1.
    static_cast<void>(descriptors.GetParamDescriptor(i, descriptor));
    if (IsUncachedParam(descriptor.id))
      continue;
    ParamValue item;
    item.descriptor = descriptor;
    GetParamValue(descriptor, item.value);
    values.AddItem(item);
  }
  PostParamValues(values);
  return 0;
}

std::int32_t LRootModuleEngine::GetValues(const QZ::ParamRange& range, IArray<ParamValue>& values,
                                          std::int32_t start) {
  if (start < 0) {
    values.RemoveAll();
    start = 0;
  }
  const std::uint32_t count = range.count > 0 ? static_cast<std::uint32_t>(range.count) : 0;
  const std::uint32_t end = static_cast<std::uint32_t>(start) + count;
  if (values.GetCount() < end)
    values.SetSize(end);
  for (std::uint32_t k = 0; k < count; ++k) {
    ParamValue& item = values.GetAt(static_cast<std::uint32_t>(start) + k);
    item.descriptor = ParamDescriptor(static_cast<std::int32_t>(static_cast<std::uint32_t>(range.first) + k));
    item.value.Clear();
    GetParamValue(item.descriptor, item.value);
  }
  return 0;
}

std::int32_t LRootModuleEngine::RequestDeviceParamValue(const ParamDescriptor& descriptor) {
  MutexLock guard(mLock);
  std::uint32_t low = 0;
  std::uint32_t high = mPendingRequests.GetCount();
  while (low < high) {
    const std::uint32_t middle = low + (high - low) / 2;
    if (QZ::IsParamDescriptorLess(mPendingRequests.GetAt(middle), descriptor))
      low = middle + 1;
    else
      high = middle;
  }
  if (low < mPendingRequests.GetCount() && !QZ::IsParamDescriptorLess(descriptor, mPendingRequests.GetAt(low)))
    mPendingRequests.GetAt(low) = descriptor;
  else
    mPendingRequests.InsertItem(low, descriptor);

  if (mConnectionState != kConnected)
    return 1;
  const std::uint32_t now = mClock();
  if (now - mLastRequestTime <= static_cast<std::uint32_t>(mRequestInterval))
    return 1;
  mLastRequestTime = now;
  QZ::ParamDescriptors all;
  all.SetParamDescriptors(mPendingRequests.GetData(), mPendingRequests.GetCount());
  const std::int32_t result = mData->communication ? mData->communication->RequestParamValues(all) : QZ::E_FAIL;
  return result < 0 ? result : 0;
}

void LRootModuleEngine::SetRequestInterval(std::int32_t ms) { mRequestInterval = ms; }

std::int32_t LRootModuleEngine::GetRequestInterval() { return mRequestInterval; }

bool LRootModuleEngine::IsReadThroughParam(std::int32_t id) {
  return mData->root && mData->root->IsReadThroughParam(id);
}

bool LRootModuleEngine::IsUncachedParam(std::int32_t id) {
  return mData->root && mData->root->IsUncachedParam(id);
}

std::int32_t LRootModuleEngine::RequestAllParamValues() {
  QZ::ParamRange range;
  range.first = GetFirstParamID();
  range.count = static_cast<std::int32_t>(kDeviceParamCountAll);
  return RequestParamValues(QZ::ParamDescriptors(range));
}

RCPtr<LParamCache> LRootModuleEngine::CreateParamCache() {
  return QZ::MakeRCPtr<LParamCache>(static_cast<std::int32_t>(kDeviceParamCountAll));
}

RCPtr<QZ::LRefCountedObject> LRootModuleEngine::CreateRootModule(bool) {
  return QZ::LRootModule::Create(mCreateRootOffline);
}

RCPtr<QZ::LRefCountedObject> LRootModuleEngine::CreateDeviceCommunication() {
  return QZ::MakeRCPtr<LDeviceCommunicationInterfaceT<1>>();
}

void LRootModuleEngine::PostParamValues(const IArray<ParamValue>& values) {
  const std::uint32_t count = values.GetCount();
  if (count > 2) {
    RCPtr<ListPayload> list = ListPayload::Create();
    list->SetParamValues(values.GetData(), count);
    Post(kNidParamModuleStateChange, list);
    return;
  }
  for (std::uint32_t i = 0; i < count; ++i) {
    const ParamValue& item = values.GetAt(i);
    Post(kNidParamModuleStateChange, QZ::MakeRCPtr<PairPayload>(item.descriptor, item.value));
  }
}

std::int32_t LRootModuleEngine::OnRootChange(void* engine, const IArray<ParamValue>& values, std::int32_t) {
  static_cast<LRootModuleEngine*>(engine)->PostParamValues(values);
  return 0;
}

std::int32_t LRootModuleEngine::OnChangeRequest(const RCPtr<QZ::LNotificationDistributor>&,
                                                const RCPtr<QZ::LNotification>& notification) {
  if (RCPtr<PairPayload> pair = QZ::DynamicCast<PairPayload>(notification->GetPayload()))
    SetParamValue(pair->mKey, pair->mValue);
  return 1;
}

void LRootModuleEngine::PostConnectionState(DeviceConnectionState state) {
  RCPtr<QZ::LHolder<DeviceConnectionState>> holder = QZ::LHolder<DeviceConnectionState>::Create();
  if (holder->mValue)
    *holder->mValue = state;
  Post(kNidDeviceConnectionStateChange, holder);
}

void LRootModuleEngine::PostRemoteDeviceCount(std::uint32_t count) {
  RCPtr<QZ::LHolder<unsigned int>> holder = QZ::LHolder<unsigned int>::Create();
  if (holder->mValue)
    *holder->mValue = count;
  Post(kNidRemoteDeviceListChange, holder);
}

std::int32_t LRootModuleEngine::GetFirstParamID() const {
  return mData->root ? mData->root->GetFirstParamID() : 0;
}

const RCPtr<QZ::LRootModule>& LRootModuleEngine::GetRootModule() const { return mData->root; }

const RCPtr<LDeviceCommunicationBase>& LRootModuleEngine::GetDeviceCommunication() const {
  return mData->communication;
}

void LRootModuleEngine::SetConnectionStateQuietly(DeviceConnectionState state) {
  MutexLock guard(mLock);
  mConnectionState = state;
}

// --- The device side ---------------------------------------------------------

void LRootModuleEngine::CopyDevices(const IArray<Variant>& from, IArray<Variant>& to) {
  to.SetSize(from.GetCount());
  for (std::uint32_t i = 0; i < from.GetCount(); ++i)
    to.GetAt(i).Assign(from.GetAt(i));
}

std::int32_t LRootModuleEngine::FindDevices(IArray<Variant>& devices) {
  if (!mData->communication)
    return kDeviceControlNoLibrary;
  const Array<SGuid> noFilter;
  return mData->communication->FindDevices(noFilter, devices);
}

std::int32_t LRootModuleEngine::GetRemoteDevices(IArray<Variant>& devices) {
  if (mRemoteWatch.load()) {
    MutexLock guard(mLock);
    CopyDevices(mRemoteDevices, devices);
    return 0;
  }
  if (!mData->communication)
    return kDeviceControlNoLibrary;
  Array<Variant> found;
  {
    MutexLock guard(mLock);
    mRemoteDevices.RemoveAll();
  }
  const Array<SGuid> noFilter;
  const std::int32_t result = mData->communication->FindRemoteDevices(noFilter, found, 0, 0, 1, 1, 0, 0);
  if (result < 0)
    return result;
  MutexLock guard(mLock);
  CopyDevices(found, mRemoteDevices);
  CopyDevices(mRemoteDevices, devices);
  return 0;
}

std::int32_t LRootModuleEngine::ConnectDevice(const Variant& device, bool keepOnFailure) {
  mConnectInProgress.store(true);
  DisconnectDevice();
  std::int32_t result = QZ::E_FAIL;
  bool start = false;
  {
    MutexLock guard(mLock);
    result = mData->root ? mData->root->ConnectDevice(device) : QZ::E_FAIL;
    if (result >= 0) {
      mCurrentDevice.Assign(device);
      start = IsDeviceAvailable(mCurrentDevice);
    } else if (keepOnFailure && IsDeviceAvailable(device)) {
      mConnectFailedDeviceKept = true;
      mCurrentDevice.Assign(device);
      start = true;
    }
  }
  // Outside the lock: stopping a worker that is finishing its pass may wait for
  // it, and its pass takes the lock.
  if (start)
    StartWorker();
  mConnectInProgress.store(false);
  UpdateConnectionState();
  RequestWorkerStopIfIdle();
  return result;
}

std::int32_t LRootModuleEngine::DisconnectDevice() {
  std::int32_t result = kDeviceControlNoLibrary;
  {
    MutexLock guard(mLock);
    mConnectFailedDeviceKept = false;
    mRememberedDevice.Clear();
    mCurrentDevice.Clear();
    if (mData->communication)
      result = mData->communication->DisconnectDevice();
  }
  if (!mConnectInProgress.load()) {
    UpdateConnectionState();
    RequestWorkerStopIfIdle();
  }
  return result;
}

void LRootModuleEngine::GetCurrentDevice(Variant& device) {
  MutexLock guard(mLock);
  device.Assign(mCurrentDevice);
}

std::int32_t LRootModuleEngine::GetConnectionState() {
  MutexLock guard(mLock);
  return mConnectionState;
}

std::int32_t LRootModuleEngine::GetDeviceInfo(const Variant& device, void* info) {
  return mData->communication ? mData->communication->GetDeviceInfo(device, info) : kDeviceControlNoLibrary;
}

bool LRootModuleEngine::IsDeviceAvailable(const Variant& device) {
  if (device.IsEmpty() || !mData->communication)
    return false;
  std::uint8_t info[kDeviceInfoSize] = {};
  if (mData->communication->GetDeviceInfo(device, info) < 0)
    return false;
  return info[kDeviceInfoFlagOffset] != 0;
}

bool LRootModuleEngine::IsCurrentDeviceAvailable() {
  MutexLock guard(mLock);
  return IsDeviceAvailable(mCurrentDevice);
}

void LRootModuleEngine::UpdateConnectionState() {
  MutexLock guard(mLock);
  DeviceConnectionState state = kNotConnected;
  if (mData->communication && mData->communication->IsDeviceConnected(kConnectedCheckArg, kConnectedCheckWaitMs)) {
    state = kConnected;
  } else if (mConnectFailedDeviceKept) {
    state = kConnectFailedKept;
  } else if (mAutoReconnect.load() && IsDeviceAvailable(mCurrentDevice)) {
    if (mConnectionState == kConnected)
      mRememberedDevice.Assign(mCurrentDevice);
    state = mRememberedDevice.IsEmpty() ? kNotConnected : kReconnectPending;
  }
  if (state != mConnectionState) {
    mConnectionState = state;
    PostConnectionState(state);
  }
}

void LRootModuleEngine::EnableAutoReconnect(bool on) {
  if (on) {
    mAutoReconnect.store(true);
    return;
  }
  if (mAutoReconnect.exchange(false) && IsWorkerRunning()) {
    MutexLock guard(mLock);
    mRememberedDevice.Clear();
  }
}

std::int32_t LRootModuleEngine::EnableRemoteDeviceWatch(bool on) {
  if (on == mRemoteWatch.load())
    return 0;
  mRemoteWatch.store(on);
  if (!on) {
    RequestWorkerStopIfIdle();
    return 0;
  }
  if (!mFirstRemoteSearchDone) {
    Array<Variant> found;
    const Array<SGuid> noFilter;
    mFirstRemoteSearchResult = mData->communication
                                   ? mData->communication->FindRemoteDevices(noFilter, found, 0, 0, 1, 1, 0, 0)
                                   : kDeviceControlNoLibrary;
    mFirstRemoteSearchDone = true;
  }
  if (mFirstRemoteSearchResult < 0) {
    mRemoteWatch.store(false);
    return mFirstRemoteSearchResult;
  }
  StartWorker();
  return mFirstRemoteSearchResult;
}

bool LRootModuleEngine::IsWorkerRunning() { return mWorker.mBusy.load() && !mWorker.mThread.IsFinished(); }

std::int32_t LRootModuleEngine::StartWorker() {
  if (IsWorkerRunning()) {
    if (!mStopRequest.load())
      return 1;
    if (!StopWorker())
      return QZ::E_FAIL;
  }
  mStopRequest.store(false);
  mWorker.Trigger(RCPtr<QZ::LThreadWorker>(this), RCPtr<QZ::LRefCountedObject>(), 0);
  return 0;
}

bool LRootModuleEngine::StopWorker() {
  if (IsWorkerRunning()) {
    mStopRequest.store(true);
    for (std::uint32_t poll = 0; poll < kStopPolls && IsWorkerRunning(); ++poll)
      SleepMs(1);
  }
  return !IsWorkerRunning();
}

void LRootModuleEngine::RequestWorkerStopIfIdle() {
  if (!IsWorkerRunning() || mStopRequest.load() || mRemoteWatch.load() || mConnectInProgress.load())
    return;
  const std::int32_t state = GetConnectionState();
  if (state == kNotConnected || (state == kConnected && !IsCurrentDeviceAvailable()))
    mStopRequest.store(true);
}

void LRootModuleEngine::PauseWorker(std::uint32_t ms) {
  for (std::uint32_t slept = 0; slept < ms && !mStopRequest.load(); slept += kStopSliceMs)
    SleepMs(ms - slept < kStopSliceMs ? ms - slept : kStopSliceMs);
}

std::int32_t LRootModuleEngine::DoWork(RCPtr<QZ::LRefCountedObject>&) {
  // The worker's hold on the engine is an inner one: the engine's last outside
  // release still stops it.
  AddInnerReferences(1);
  const RCPtr<QZ::LNotificationCenter>& center = QZ::GetApplicationNotificationCenter();
  const RCPtr<LDeviceCommunicationBase> communication = mData->communication;
  std::uint32_t passes = 0;
  bool changed = false;
  while (center && communication && !mStopRequest.load()) {
    if (IsCurrentDeviceAvailable()) {
      UpdateConnectionState();
      MutexLock guard(mLock);
      const DeviceConnectionState state = mConnectionState;
      Variant device;
      if (state == kConnectFailedKept)
        device.Assign(mCurrentDevice);
      else if (state == kReconnectPending)
        device.Assign(mRememberedDevice);
      if (!device.IsEmpty() && mData->root && mData->root->ConnectDevice(device) >= 0) {
        if (state == kReconnectPending)
          mRememberedDevice.Clear();
        else
          mConnectFailedDeviceKept = false;
        mConnectionState = kConnected;
        PostConnectionState(kConnected);
      }
    }
    const Array<SGuid> noFilter;
    if (!mRemoteWatch.load()) {
      PauseWorker(mWorkerPassMs.load());
    } else if (!changed && passes < 8) {
      ++passes;
      Array<Variant> copy;
      {
        MutexLock guard(mLock);
        CopyDevices(mRemoteDevices, copy);
      }
      const std::int32_t result =
          communication->FindRemoteDevices(noFilter, copy, mWorkerPassMs.load(), 0, 1, 1, 0, 0);
      if (result == 0 && !mStopRequest.load()) {
        MutexLock guard(mLock);
        CopyDevices(copy, mRemoteDevices);
        PostRemoteDeviceCount(mRemoteDevices.GetCount());
      }
    } else {
      passes = 0;
      Array<Variant> found;
      const std::int32_t result = communication->FindRemoteDevicesOnce(noFilter, found);
      if (!mStopRequest.load() && result >= 0) {
        changed = result == 1;
        MutexLock guard(mLock);
        if (!QZ::IsEqual<Variant>(found, mRemoteDevices)) {
          CopyDevices(found, mRemoteDevices);
          PostRemoteDeviceCount(mRemoteDevices.GetCount());
        }
      }
      PauseWorker(mWorkerPassMs.load());
    }
  }
  AddInnerReferences(-1);
  return 0;
}

QZ::QZRESULT LRootModuleEngine::ReleaseInnerReferences() {
  StopWorker();
  OnRelease();
  UnsubscribeAll();
  return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? QZ::S_OK : QZ::E_FAIL;
}
