#include "DeviceControl/GeneratedCode/Engine/Inc/RootModule.h"

#include "DeviceControl/GeneratedCode/Engine/Inc/Device.h"

namespace QZ {

LRootModule::LRootModule(bool offline) : mData(std::make_unique<PrivateData>()) {
  SetOffline(offline);
  mData->change.SetSize(1);
}

RCPtr<LRootModule> LRootModule::Create(bool offline) {
  RCPtr<LRootModule> root(new LRootModule(offline));
  root->CreateDevice();
  return root;
}

LRootModule::~LRootModule() {
  if (mCommunication) {
    mCommunication->SetDeliveryEnabled(false);
    mCommunication->DisconnectDevice();
    // The device communication may outlive this root: it must not keep calling it.
    if (mCommunication->GetReceiver() == this)
      mCommunication->SetReceiver(nullptr);
  }
  mData.reset();
  mCache = nullptr;
  mCommunication = nullptr;
  mDevice = nullptr;
}

void LRootModule::CreateDevice() { mDevice = LDevice::Create(); }

RCPtr<IDevice> LRootModule::GetDevice() { return mDevice; }

ParamDescriptor LRootModule::CacheDescriptor(const ParamDescriptor& descriptor) const {
  return ParamDescriptor(static_cast<std::int32_t>(DistanceOf(descriptor.id)), descriptor.detail);
}

std::int32_t LRootModule::SetParamValue(const ParamDescriptor& descriptor, const Variant& value, bool fromDevice) {
  std::int32_t result = 0;
  if (IsUncachedParam(descriptor.id)) {
    if (fromDevice)
      OnParamValueChanged(descriptor, value, kChangeReasonUncached);
  } else {
    result = UpdateCachedValue(descriptor, value);
  }
  if (fromDevice)
    return result;
  return mCommunication ? mCommunication->SetParamValue(descriptor, value) : kDeviceControlNoLibrary;
}

Variant LRootModule::GetParamValue(const ParamDescriptor& descriptor) const {
  if (IsReadThroughParam(descriptor.id) && mCommunication)
    mCommunication->RequestParamValuesFor(descriptor);
  return GetCachedValue(descriptor);
}

Variant LRootModule::GetParamValueDefault(std::int32_t) const { return Variant(); }

std::int32_t LRootModule::UpdateCachedValue(const ParamDescriptor& descriptor, const Variant& value) {
  if (DistanceOf(descriptor.id) >= kDeviceParamCount || !mCache)
    return -1;
  const ParamDescriptor entry = CacheDescriptor(descriptor);
  Variant cached;
  mCache->GetValue(entry, cached);
  if (!value.IsEqual(cached) && !value.IsEmpty()) {
    mCache->SetValue(entry, value, true);
    OnParamValueChanged(descriptor, value, kChangeReasonValue);
  }
  return 0;
}

Variant LRootModule::GetCachedValue(const ParamDescriptor& descriptor) const {
  Variant value;
  if (mCache && mCache->GetValue(CacheDescriptor(descriptor), value) < 0)
    value.Clear();
  return value;
}

std::int32_t LRootModule::OnParamValueChanged(const ParamDescriptor& descriptor, const Variant& value,
                                              std::int32_t reason) {
  ParamValue& change = mData->change.GetAt(0);
  change.descriptor = descriptor;
  change.value = value;
  return InvokeCallback(mData->change, reason);
}

std::int32_t LRootModule::InvokeCallback(const IArray<ParamValue>& values, std::int32_t reason) {
  return mCallback ? mCallback(mUserData, values, reason) : 0;
}

std::int32_t LRootModule::SetParamValueExternal(const ParamDescriptor& descriptor, const Variant& value) {
  MutexLock guard(mData->lock);
  if (descriptor.id == kConnectionEchoID) {
    if (!mCommunication)
      return kDeviceControlNoLibrary;
    return mCommunication->ReportConnectionState(value.GetInt64()) ? 0 : 1;
  }
  return IRootModule::SetParamValueExternal(descriptor, value);
}

std::int32_t LRootModule::GetParamValueExternal(const ParamDescriptor& descriptor, Variant& value) {
  MutexLock guard(mData->lock);
  if (descriptor.id < 0)
    return mCommunication ? mCommunication->GetParamValue(descriptor, value) : kDeviceControlNoLibrary;
  return IRootModule::GetParamValueExternal(descriptor, value);
}

std::int32_t LRootModule::Initialize(ChangeCallback callback, void* userData, const RCPtr<LParamCache>& cache,
                                     const RCPtr<LDeviceCommunicationBase>& communication, std::int32_t first) {
  mCallback = callback;
  mUserData = userData;
  mCache = cache;
  mCommunication = DynamicCast<LDeviceCommunicationInterfaceT<1>>(communication);
  SetFirstParamID(nullptr, first, 0);
  if (mCache) {
    for (std::uint32_t i = 0; i < kDeviceParamCount; ++i) {
      const std::int32_t id = static_cast<std::int32_t>(static_cast<std::uint32_t>(first) + i);
      if (RCPtr<LParameterizedModule> module = GetParamModule(id))
        mCache->SetValue(ParamDescriptor(static_cast<std::int32_t>(i)), module->GetParamValueDefault(id), false);
    }
    mCache->Prepare(1);
  }
  if (mCommunication) {
    mCommunication->SetReceiver(this);
    mCommunication->SetDeliveryEnabled(true);
    mCommunication->Activate();
  }
  return 0;
}

std::int32_t LRootModule::ConnectDevice(const Variant& device) {
  if (!mCommunication)
    return kDeviceControlNoLibrary;
  mCommunication->DisconnectDevice();
  const std::int32_t result = mCommunication->ConnectDevice(device);
  {
    MutexLock guard(mData->lock);
    SetOffline(result < 0);
  }
  if (result < 0)
    return result;
  ParamRange range;
  range.first = GetFirstParamID();
  range.count = static_cast<std::int32_t>(kDeviceParamCount);
  ParamRanges ranges;
  ranges.SetParamRanges(&range, 1);
  mCommunication->RequestParamRanges(ranges);
  mCommunication->RequestParamValuesFor(ParamDescriptor(kLibraryValueID));
  return result;
}

std::int32_t LRootModule::Shutdown() {
  if (mCommunication)
    mCommunication->SetDeliveryEnabled(false);
  return 0;
}

RCPtr<LParamCache> LRootModule::GetParamCache() const { return mCache; }

RCPtr<LDeviceCommunicationInterfaceT<1>> LRootModule::GetDeviceCommunication() const { return mCommunication; }

bool LRootModule::IsReadThroughParam(std::int32_t) const { return false; }

bool LRootModule::IsUncachedParam(std::int32_t) const { return false; }

void LRootModule::ReceiveParamValues(const ParamValues& values) {
  MutexLock guard(mData->lock);
  const std::uint32_t count = values.GetArrayCount();
  for (std::uint32_t i = 0; i < count; ++i) {
    Variant value;
    std::int32_t id = -1;
    Variant detail;
    // An item that cannot be read comes back as identifier -1, which no module takes.
    static_cast<void>(values.GetParamValue(i, value, id, detail));
    RCPtr<LParameterizedModule> module;
    if (id >= 0) {
      module = GetParamModule(id);
    } else if (IsModuleRequestID(id)) {
      module = GetRequestModule(ParamDescriptor(id, detail));
    } else if (id == kDeviceAvailableID && value.GetBool()) {
      OnDeviceReady();
    }
    if (module)
      module->SetParamValueLocal(ParamDescriptor(id, detail), value, true);
    else
      OnParamValueChanged(ParamDescriptor(id), value, kChangeReasonValue);
  }
}

QZRESULT LRootModule::ReceiveDeviceMessage(std::int32_t, std::int32_t, std::int32_t) { return E_FAIL; }

bool LRootModule::SendModuleRequest(LParameterizedModule& leaf, const ParamDescriptor& descriptor,
                                    const Variant& value) {
  LRootModule* root = dynamic_cast<LRootModule*>(leaf.GetTopmost());
  if (!root || !root->mCommunication)
    return false;
  root->mCommunication->SetParamValue(descriptor, value);
  return true;
}

} // namespace QZ
