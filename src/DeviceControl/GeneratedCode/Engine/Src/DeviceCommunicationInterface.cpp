#include "DeviceControl/GeneratedCode/Engine/Inc/DeviceCommunicationInterface.h"

#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/RCPtrQueue.h"
#include "QZFramework/Utilities/Storage/RegistryKey.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/VariantEx.h"
#include "QZFramework/Utilities/Storage/Wrapper.h"
#include "QZFramework/Utilities/Threading/EventGatedThreader.h"
#include "QZFramework/Utilities/Threading/LEvent.h"
#include "QZFramework/Utilities/Threading/Mutex.h"
#include "QZFramework/Utilities/Threading/SpinLock.h"
#include "QZFramework/Utilities/Threading/ThreadWorker.h"

#include <atomic>
#include <chrono>
#include <new>
#include <thread>
#include <utility>

using QZ::E_FAIL;
using QZ::MutexLock;
using QZ::ParamDescriptor;
using QZ::ParamDescriptors;
using QZ::ParamRanges;
using QZ::ParamValues;
using QZ::QZRESULT;
using QZ::RCPtr;
using QZ::S_OK;
using QZ::Variant;

namespace {

// The names -9 and -10 read, from the index GetNameIndex gives.
constexpr const char16_t* kNameTable[] = {u"Tolvane", u"Pellan Vorn Editor"};
constexpr std::int32_t kNameCount = static_cast<std::int32_t>(std::size(kNameTable));

constexpr std::int32_t kDriversRoot = 2; // local machine
constexpr const char16_t* kDriversKey = u"Software\\Brindlecrest\\Audio\\Drivers";
constexpr const char16_t* kSoftwarePathValue = u"SoftwarePath";
constexpr const char16_t* kLibraryFileValue = u"DeviceInterfaceLib";

constexpr std::uint32_t kQueueCapacity = 256;

using Report = QZ::LWrapper<ParamValues>;

void SleepMs(std::uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The records of a packed array into the list; an empty list for anything else.
void DecodeDevices(const Variant& found, QZ::IArray<Variant>& devices) {
  const std::uint32_t count = found.GetArrayCount();
  devices.SetSize(count);
  for (std::uint32_t i = 0; i < count; ++i)
    found.GetArrayItem(i, devices.GetAt(i));
}

QZ::Array<Variant> CopyOf(const QZ::IArray<Variant>& list) {
  QZ::Array<Variant> copy;
  copy.SetSize(list.GetCount());
  for (std::uint32_t i = 0; i < list.GetCount(); ++i)
    copy.GetAt(i).Assign(list.GetAt(i));
  return copy;
}

} // namespace

struct LDeviceCommunicationBase::PrivateData {
  QZ::Mutex lock; // guards device
  std::unique_ptr<DeviceControlClientInterface> client;
  Variant device;
  std::atomic<bool> deliveryEnabled{false};
  std::atomic<DeviceCommunicationReceiver*> receiver{nullptr};
  LDeviceCommunicationBase* owner = nullptr;
};

LDeviceCommunicationBase::LDeviceCommunicationBase()
    : mData(std::make_unique<PrivateData>()), mRetrySleep(SleepMs) {
  mData->owner = this;
}

LDeviceCommunicationBase::~LDeviceCommunicationBase() {
  ReleaseClient();
  mData->receiver.store(nullptr);
}

template <class F>
std::int32_t LDeviceCommunicationBase::ClientCall(F&& call) {
  DeviceControlClientInterface* client = mData->client.get();
  if (!client)
    return kDeviceControlNoLibrary;
  Variant device;
  {
    MutexLock guard(mData->lock);
    device.Assign(mData->device);
  }
  return std::forward<F>(call)(*client, &device);
}

bool LDeviceCommunicationBase::HasClient() const { return mData->client != nullptr; }

bool LDeviceCommunicationBase::IsDeliveryEnabled() const { return mData->deliveryEnabled.load(); }

void LDeviceCommunicationBase::StoreDeliveryEnabled(bool enabled) { mData->deliveryEnabled.store(enabled); }

void LDeviceCommunicationBase::SetClient(std::unique_ptr<DeviceControlClientInterface> client) {
  mData->client = std::move(client);
}

void LDeviceCommunicationBase::ReleaseClient() {
  if (!mData->client)
    return;
  ClientCall(
      [](DeviceControlClientInterface& client, const Variant* device) { return client.DisconnectDevice(device); });
  mData->client.reset();
}

DeviceControlClientInterface* LDeviceCommunicationBase::StoreDevice(const Variant& device) {
  DeviceControlClientInterface* client = mData->client.get();
  if (!client)
    return nullptr;
  MutexLock guard(mData->lock);
  mData->device.Assign(device);
  return client;
}

void LDeviceCommunicationBase::SetReceiver(DeviceCommunicationReceiver* receiver) {
  mData->receiver.store(receiver);
}

DeviceCommunicationReceiver* LDeviceCommunicationBase::GetReceiver() const { return mData->receiver.load(); }

QZRESULT LDeviceCommunicationBase::Initialize() { return E_FAIL; }

bool LDeviceCommunicationBase::IsAvailable() const { return true; }

bool LDeviceCommunicationBase::ReportConnectionState(std::int64_t value) {
  DeviceCommunicationReceiver* receiver = mData->receiver.load();
  if (!receiver)
    return false;
  MutexLock guard(mData->lock);
  const bool available = IsAvailable();
  Variant pair[2];
  pair[0].SetData(QZ::kVariantInt64, &value, sizeof value);
  pair[1].SetData(QZ::kVariantBool, &available, sizeof available);
  Variant state;
  state.SetArray(pair, 2);
  ParamValues report;
  report.SetSingleValue(ParamDescriptor(kConnectionEchoID), state);
  receiver->ReceiveParamValues(report);
  return available;
}

void LDeviceCommunicationBase::WaitForClientCalls() { MutexLock guard(mData->lock); }

void LDeviceCommunicationBase::SetDeliveryEnabled(bool enabled) { StoreDeliveryEnabled(enabled); }

void LDeviceCommunicationBase::Activate() {}

std::int32_t LDeviceCommunicationBase::FindDevices(const QZ::IArray<SGuid>& filter, QZ::IArray<Variant>& devices) {
  devices.RemoveAll();
  DeviceControlClientInterface* client = mData->client.get();
  if (!client)
    return kDeviceControlNoLibrary;
  Variant found;
  if (client->FindDevices(filter.GetData(), filter.GetCount(), &found) < 0)
    return E_FAIL;
  if (found.GetArrayCount() > 0)
    DecodeDevices(found, devices);
  return S_OK;
}

std::int32_t LDeviceCommunicationBase::FindRemoteDevices(const QZ::IArray<SGuid>& filter,
                                                         QZ::IArray<Variant>& devices, std::uint32_t waitLimitMs,
                                                         std::int32_t o1, std::int32_t o2, std::int32_t o3,
                                                         std::int32_t o4, std::int32_t o5) {
  DeviceControlClientInterface* client = mData->client.get();
  if (!client)
    return kDeviceControlNoLibrary;
  const QZ::Array<Variant> before = CopyOf(devices);
  std::uint32_t elapsed = 0;
  for (;;) {
    Variant found;
    if (client->FindRemoteDevices(filter.GetData(), filter.GetCount(), &found, 0, o1, o2, o3, o4, o5) < 0)
      return E_FAIL;
    DecodeDevices(found, devices);
    if (!QZ::IsEqual<Variant>(devices, before))
      return S_OK;
    if (elapsed >= waitLimitMs)
      return 1;
    mRetrySleep(kRemoteDeviceRetryMs);
    elapsed += kRemoteDeviceRetryMs;
  }
}

std::int32_t LDeviceCommunicationBase::FindRemoteDevicesOnce(const QZ::IArray<SGuid>& filter,
                                                             QZ::IArray<Variant>& devices) {
  DeviceControlClientInterface* client = mData->client.get();
  if (!client)
    return kDeviceControlNoLibrary;
  Variant found;
  const std::int32_t result =
      client->FindRemoteDevices(filter.GetData(), filter.GetCount(), &found, 1, 0, 1, 1, 0, 0);
  if (result < 0)
    return result;
  DecodeDevices(found, devices);
  return result;
}

std::int32_t LDeviceCommunicationBase::ConnectDevice(const Variant&) { return kDeviceControlNoLibrary; }

std::int32_t LDeviceCommunicationBase::RequestParamRanges(const ParamRanges& ranges) {
  return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
    return client.RequestParamRanges(device, ranges);
  });
}

std::int32_t LDeviceCommunicationBase::RequestParamValues(const ParamDescriptors& descriptors) {
  return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
    return client.RequestParamValues(device, descriptors);
  });
}

std::int32_t LDeviceCommunicationBase::RequestParamValuesFor(const ParamDescriptor& descriptor) {
  return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
    return client.RequestParamValuesFor(device, descriptor);
  });
}

std::int32_t LDeviceCommunicationBase::GetParamRanges(std::intptr_t a, std::intptr_t b) {
  return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
    return client.GetParamRanges(device, a, b);
  });
}

std::int32_t LDeviceCommunicationBase::GetParamValues(std::intptr_t a, std::intptr_t b) {
  return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
    return client.GetParamValues(device, a, b);
  });
}

std::int32_t LDeviceCommunicationBase::GetParamValue(const ParamDescriptor& descriptor, Variant& value) {
  if (HasClient()) {
    return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
      return client.GetParamValue(device, descriptor, &value);
    });
  }
  switch (descriptor.id) {
  case kDeviceAvailableID: {
    const bool available = IsAvailable();
    value.SetData(QZ::kVariantBool, &available, sizeof available);
    return S_OK;
  }
  case kLibraryValueID:
    return GetLibraryValue(value);
  case kMakerNameID:
  case kEditorNameID: {
    std::int32_t index = 0;
    GetNameIndex(index);
    if (descriptor.id == kEditorNameID)
      ++index;
    if (index < 0 || index >= kNameCount)
      return E_FAIL;
    value.SetString(QZ::WideString(kNameTable[index]).ToNarrow().GetChars());
    return S_OK;
  }
  default:
    return E_FAIL;
  }
}

std::int32_t LDeviceCommunicationBase::SetParamValue(const ParamDescriptor& descriptor, const Variant& value) {
  if (descriptor.id == kConnectionEchoID) {
    if (!GetReceiver())
      return E_FAIL;
    return ReportConnectionState(value.GetInt64()) ? S_OK : 1;
  }
  if (HasClient()) {
    return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
      return client.SetParamValue(device, descriptor, value);
    });
  }
  return descriptor.id == kLibraryValueID ? SetLibraryValue(value) : E_FAIL;
}

std::int32_t LDeviceCommunicationBase::SetParamValues(const ParamValues& values) {
  return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
    return client.SetParamValues(device, values);
  });
}

bool LDeviceCommunicationBase::IsDeviceConnected(std::int32_t a, std::int32_t b) {
  if (!HasClient())
    return false;
  return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
           return client.IsDeviceConnected(device, a, b) ? 1 : 0;
         }) == 1;
}

std::int32_t LDeviceCommunicationBase::GetConnectedDevice(Variant& device) {
  if (!HasClient())
    return kDeviceControlNoLibrary;
  {
    MutexLock guard(mData->lock);
    device.Assign(mData->device);
  }
  return IsDeviceConnected(kConnectedCheckArg, kConnectedCheckWaitMs) ? S_OK : kDeviceNotConnected;
}

std::int32_t LDeviceCommunicationBase::DisconnectDevice() {
  return ClientCall(
      [](DeviceControlClientInterface& client, const Variant* device) { return client.DisconnectDevice(device); });
}

std::int32_t LDeviceCommunicationBase::GetDeviceInfo(const Variant& device, void* info) {
  DeviceControlClientInterface* client = mData->client.get();
  return client ? client->GetDeviceInfo(&device, info, 0) : kDeviceControlNoLibrary;
}

std::int32_t LDeviceCommunicationBase::GetLibraryValue(Variant& value) {
  return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
    return client.GetParamValue(device, ParamDescriptor(kLibraryValueID), &value);
  });
}

std::int32_t LDeviceCommunicationBase::SetLibraryValue(const Variant& value) {
  return ClientCall([&](DeviceControlClientInterface& client, const Variant* device) {
    return client.SetParamValue(device, ParamDescriptor(kLibraryValueID), value);
  });
}

std::int32_t LDeviceCommunicationBase::GetNameIndex(std::int32_t& index) {
  index = 0;
  return S_OK;
}

// The queue and the worker that empties it into the receiver.
struct LDeviceCommunicationInterfaceT<1>::MemberData {
  class LDeviceCommunicationThreadWorker : public QZ::LThreadWorker {
  public:
    explicit LDeviceCommunicationThreadWorker(MemberData* data) : mData(data) {}
    std::int32_t DoWork(RCPtr<QZ::LRefCountedObject>& params) override;

  private:
    MemberData* mData;
  };

  explicit MemberData(LDeviceCommunicationInterfaceT<1>* self) : queue(&queueLock, kQueueCapacity), owner(self) {}

  // Declared in the order they are made; the threader, made last, goes first,
  // so its thread has stopped before the queue and the locks go.
  QZ::Mutex queueLock;
  QZ::RCPtrQueue<Report, kQueueCapacity> queue;
  QZ::SpinLock deliveryLock;
  RCPtr<LDeviceCommunicationThreadWorker> worker;
  RCPtr<QZ::LEvent> gate;
  RCPtr<QZ::LEventGatedThreader> threader;
  LDeviceCommunicationInterfaceT<1>* owner;
};

std::int32_t LDeviceCommunicationInterfaceT<1>::MemberData::LDeviceCommunicationThreadWorker::DoWork(
    RCPtr<QZ::LRefCountedObject>& params) {
  QZ::SpinLockGuard delivery(mData->deliveryLock);
  LDeviceCommunicationInterfaceT<1>* owner = mData->owner;
  if (!owner->IsDeliveryEnabled())
    return 0;
  RCPtr<LDeviceCommunicationInterfaceT<1>> self = QZ::DynamicCast<LDeviceCommunicationInterfaceT<1>>(params);
  if (!self)
    return 0;
  while (mData->queue.GetCount() > 0) {
    RCPtr<Report> report = mData->queue.Dequeue();
    DeviceCommunicationReceiver* receiver = self->GetReceiver();
    if (self->IsDeliveryEnabled() && receiver)
      receiver->ReceiveParamValues(*report);
  }
  return 0;
}

LDeviceCommunicationInterfaceT<1>::LDeviceCommunicationInterfaceT()
    : mMembers(std::make_unique<MemberData>(this)) {
  mMembers->worker = QZ::MakeRCPtr<MemberData::LDeviceCommunicationThreadWorker>(mMembers.get());
  mMembers->gate = QZ::LEvent::Create();
  // The threader's params hold this object: one inner reference, given back
  // in ReleaseInnerReferences.
  mMembers->threader =
      QZ::LEventGatedThreader::Create(mMembers->gate, mMembers->worker, RCPtr<QZ::LRefCountedObject>(this), 0);
  AddInnerReferences(1);
}

LDeviceCommunicationInterfaceT<1>::~LDeviceCommunicationInterfaceT() = default;

QZRESULT LDeviceCommunicationInterfaceT<1>::Initialize() {
  if (HasClient())
    return 1;
  QZ::WideString path;
  RCPtr<QZ::LRegistryKey> drivers = QZ::MakeRCPtr<QZ::LRegistryKey>(kDriversRoot, QZ::WideString(kDriversKey), 0);
  // The installation's values sit under a sub-key with an empty name, which no
  // listing ever holds: the default path beside the program is what loads.
  if (RCPtr<QZ::LRegistryKey> key = drivers->GetSubKey(QZ::WideString())) {
    QZ::VariantEx folder;
    QZ::VariantEx file;
    if (key->ReadValue(QZ::WideString(kSoftwarePathValue), folder) >= 0 &&
        key->ReadValue(QZ::WideString(kLibraryFileValue), file) >= 0) {
      path = folder.ValueToString(-1);
      path.AppendString(QZ::WideString(u"/"));
      path.AppendString(file.ValueToString(-1));
    }
  }
  std::unique_ptr<DeviceControlClientInterface> client(
      new (std::nothrow) DeviceControlClientInterface(path.IsEmpty() ? nullptr : &path));
  if (!client)
    return E_FAIL;
  SetClient(std::move(client));
  return S_OK;
}

void LDeviceCommunicationInterfaceT<1>::SetDeliveryEnabled(bool enabled) {
  StoreDeliveryEnabled(enabled);
  if (!enabled) {
    // Waits for a running delivery to finish.
    QZ::SpinLockGuard barrier(mMembers->deliveryLock);
  }
}

std::int32_t LDeviceCommunicationInterfaceT<1>::ConnectDevice(const Variant& device) {
  DeviceControlClientInterface* client = StoreDevice(device);
  if (!client)
    return kDeviceControlNoLibrary;
  return client->ConnectDevice(&device, &LDeviceCommunicationInterfaceT<1>::ReceiveFromLibrary,
                               static_cast<void*>(this));
}

QZRESULT LDeviceCommunicationInterfaceT<1>::ReservedOperation() { return E_FAIL; }

QZRESULT LDeviceCommunicationInterfaceT<1>::ReleaseInnerReferences() {
  SetDeliveryEnabled(false);
  ReleaseClient();
  if (mMembers->threader) {
    RCPtr<QZ::LEventGatedThreader> threader = std::move(mMembers->threader);
    threader = nullptr; // stops and joins the worker thread
    AddInnerReferences(-1);
  }
  return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? S_OK : E_FAIL;
}

void LDeviceCommunicationInterfaceT<1>::ReceiveFromLibrary(void* context, std::int32_t, const Variant* values) {
  auto* self = static_cast<LDeviceCommunicationInterfaceT<1>*>(context);
  if (!self || !values)
    return;
  RCPtr<Report> report = Report::Create();
  report->Assign(*values);
  self->mMembers->queue.Enqueue(report);
  self->mMembers->gate->Set();
}

std::uint32_t LDeviceCommunicationInterfaceT<1>::GetQueuedReportCount() const {
  return mMembers->queue.GetCount();
}
