#include "DeviceControl/GeneratedCode/Engine/Inc/DeviceControlClientInterface.h"

#include <string>

using QZ::ParamDescriptor;
using QZ::ParamDescriptors;
using QZ::ParamRanges;
using QZ::ParamValues;
using QZ::Variant;

std::atomic<std::int32_t> DeviceControlClientInterface::sLiveInstances{0};

namespace {

std::string DefaultLibraryPath() {
  std::string path = QZ::Platform::GetExecutablePath();
  const std::size_t slash = path.find_last_of('/');
  path.erase(slash == std::string::npos ? 0 : slash + 1);
  return path + kDeviceControlClientFileName;
}

} // namespace

DeviceControlClientInterface::DeviceControlClientInterface(const QZ::WideString* path) {
  ++sLiveInstances;
  const std::string file =
      (path && !path->IsEmpty()) ? std::string(path->ToNarrow().GetChars()) : DefaultLibraryPath();
  mModule = QZ::Platform::LoadSharedLibrary(file.c_str());
  if (!mModule)
    return;
  mFindDevices = Fetch<FindDevicesFn>("ZDX_FindDevices");
  mFindRemoteDevices = Fetch<FindRemoteDevicesFn>("ZDX_FindRemoteDevices");
  mConnectDevice = Fetch<ConnectDeviceFn>("ZDX_ConnectDevice");
  mRequestParamRanges = Fetch<RequestParamRangesFn>("ZDX_RequestParamRanges");
  mRequestParamValues = Fetch<RequestParamValuesFn>("ZDX_RequestParamValues");
  mGetParamRanges = Fetch<GetPairFn>("ZDX_GetParamRanges");
  mGetParamValues = Fetch<GetPairFn>("ZDX_GetParamValues");
  mGetParamValue = Fetch<GetParamValueFn>("ZDX_GetParamValue");
  mSetParamValue = Fetch<SetParamValueFn>("ZDX_SetParamValue");
  mSetParamValues = Fetch<SetParamValuesFn>("ZDX_SetParamValues");
  mDisconnectDevice = Fetch<DisconnectDeviceFn>("ZDX_DisconnectDevice");
  mIsDeviceConnected = Fetch<IsDeviceConnectedFn>("ZDX_IsDeviceConnected");
  mGetDeviceInfo = Fetch<GetDeviceInfoFn>("ZDX_GetDeviceInfo");
  mReleaseAll = Fetch<ReleaseAllFn>("ZDX_ReleaseAll");
}

// The last instance releases the library's state before it goes; every
// instance gives back its own load, so the library is unloaded with the last.
DeviceControlClientInterface::~DeviceControlClientInterface() {
  const bool last = --sLiveInstances == 0;
  if (!mModule)
    return;
  if (last && mReleaseAll)
    mReleaseAll();
  QZ::Platform::FreeSharedLibrary(mModule);
}

template <class F>
F DeviceControlClientInterface::Fetch(const char* name) const {
  return reinterpret_cast<F>(QZ::Platform::FindLibrarySymbol(mModule, name));
}

std::int32_t DeviceControlClientInterface::FindDevices(const SGuid* filter, std::uint32_t filterCount,
                                                       Variant* devices) {
  return mFindDevices ? mFindDevices(filter, filterCount, devices) : kDeviceControlNoLibrary;
}

std::int32_t DeviceControlClientInterface::FindRemoteDevices(const SGuid* filter, std::uint32_t filterCount,
                                                             Variant* devices, std::int32_t o0, std::int32_t o1,
                                                             std::int32_t o2, std::int32_t o3, std::int32_t o4,
                                                             std::int32_t o5) {
  return mFindRemoteDevices ? mFindRemoteDevices(filter, filterCount, devices, o0, o1, o2, o3, o4, o5)
                            : kDeviceControlNoLibrary;
}

std::int32_t DeviceControlClientInterface::ConnectDevice(const Variant* device, DeviceControlCallback callback,
                                                         void* context) {
  return mConnectDevice ? mConnectDevice(device, callback, context) : kDeviceControlNoLibrary;
}

std::int32_t DeviceControlClientInterface::RequestParamRanges(const Variant* device, const ParamRanges& ranges) {
  return mRequestParamRanges ? mRequestParamRanges(device, &ranges) : kDeviceControlNoLibrary;
}

std::int32_t DeviceControlClientInterface::RequestParamValues(const Variant* device,
                                                              const ParamDescriptors& descriptors) {
  return mRequestParamValues ? mRequestParamValues(device, &descriptors) : kDeviceControlNoLibrary;
}

std::int32_t DeviceControlClientInterface::RequestParamValuesFor(const Variant* device,
                                                                 const ParamDescriptor& descriptor) {
  if (!mRequestParamValues)
    return kDeviceControlNoLibrary;
  ParamDescriptors descriptors;
  descriptors.SetParamDescriptors(&descriptor, 1);
  return mRequestParamValues(device, &descriptors);
}

std::int32_t DeviceControlClientInterface::GetParamRanges(const Variant* device, std::intptr_t a,
                                                          std::intptr_t b) {
  return mGetParamRanges ? mGetParamRanges(device, a, b) : kDeviceControlNoLibrary;
}

std::int32_t DeviceControlClientInterface::GetParamValues(const Variant* device, std::intptr_t a,
                                                          std::intptr_t b) {
  return mGetParamValues ? mGetParamValues(device, a, b) : kDeviceControlNoLibrary;
}

std::int32_t DeviceControlClientInterface::GetParamValue(const Variant* device, const ParamDescriptor& descriptor,
                                                         Variant* value) {
  return mGetParamValue ? mGetParamValue(device, &descriptor, value) : kDeviceControlNoLibrary;
}

std::int32_t DeviceControlClientInterface::SetParamValue(const Variant* device, const ParamDescriptor& descriptor,
                                                         const Variant& value) {
  return mSetParamValue ? mSetParamValue(device, &descriptor, &value) : kDeviceControlNoLibrary;
}

std::int32_t DeviceControlClientInterface::SetParamValues(const Variant* device, const ParamValues& values) {
  return mSetParamValues ? mSetParamValues(device, &values) : kDeviceControlNoLibrary;
}

bool DeviceControlClientInterface::IsDeviceConnected(const Variant* device, std::int32_t a, std::int32_t b) {
  return mIsDeviceConnected && mIsDeviceConnected(device, a, b) == 0;
}

std::int32_t DeviceControlClientInterface::DisconnectDevice(const Variant* device) {
  return mDisconnectDevice ? mDisconnectDevice(device) : kDeviceControlNoLibrary;
}

std::int32_t DeviceControlClientInterface::GetDeviceInfo(const Variant* device, void* info, std::int32_t arg) {
  return mGetDeviceInfo ? mGetDeviceInfo(device, info, arg) : kDeviceControlNoLibrary;
}
