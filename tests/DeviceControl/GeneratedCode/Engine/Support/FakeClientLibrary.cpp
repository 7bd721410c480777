#include "DeviceControl/GeneratedCode/Engine/Support/FakeClientLibrary.h"

#include "Platform/Library/Library.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace QZ::test {

struct Hooks {
  static FakeClientLibrary& F() { return FakeClientLibrary::Instance(); }

  static void Note(const char* call, const void* device) {
    F().mLog.calls.emplace_back(call);
    if (device)
      F().mLog.lastDevice.Assign(*static_cast<const Variant*>(device));
  }

  static std::int32_t FindDevices(const void*, std::uint32_t count, void* devices) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("FindDevices", nullptr);
    F().mLog.lastFilterCount = count;
    static_cast<Variant*>(devices)->Assign(F().mScript.found);
    return F().mScript.findResult;
  }
  static std::int32_t FindRemoteDevices(const void*, std::uint32_t count, void* devices, std::int32_t o0,
                                        std::int32_t o1, std::int32_t o2, std::int32_t o3, std::int32_t o4,
                                        std::int32_t o5) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("FindRemoteDevices", nullptr);
    F().mLog.lastFilterCount = count;
    F().mLog.remoteOptions.push_back({o0, o1, o2, o3, o4, o5});
    static_cast<Variant*>(devices)->Assign(F().mScript.found);
    return F().mScript.findResult;
  }
  static std::int32_t ConnectDevice(const void* device, void* callback, void* context) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("ConnectDevice", device);
    F().mLog.callback = reinterpret_cast<DeviceControlCallback>(callback);
    F().mLog.context = context;
    return F().mScript.connectResult;
  }
  static std::int32_t RequestParamRanges(const void* device, const void*) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("RequestParamRanges", device);
    return F().mScript.requestResult;
  }
  static std::int32_t RequestParamValues(const void* device, const void* descriptors) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("RequestParamValues", device);
    const auto* list = static_cast<const ParamDescriptors*>(descriptors);
    F().mLog.lastDescriptorCount = list->GetArrayCount();
    ParamDescriptor first;
    static_cast<void>(list->GetParamDescriptor(0, first));
    F().mLog.lastId = first.id;
    return F().mScript.requestResult;
  }
  static std::int32_t GetParamRanges(const void* device, std::intptr_t a, std::intptr_t b) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("GetParamRanges", device);
    F().mLog.lastArgs[0] = static_cast<std::int32_t>(a);
    F().mLog.lastArgs[1] = static_cast<std::int32_t>(b);
    return F().mScript.requestResult;
  }
  static std::int32_t GetParamValues(const void* device, std::intptr_t a, std::intptr_t b) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("GetParamValues", device);
    F().mLog.lastArgs[0] = static_cast<std::int32_t>(a);
    F().mLog.lastArgs[1] = static_cast<std::int32_t>(b);
    return F().mScript.requestResult;
  }
  static std::int32_t GetParamValue(const void* device, const void* descriptor, void* value) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("GetParamValue", device);
    F().mLog.lastId = static_cast<const ParamDescriptor*>(descriptor)->id;
    static_cast<Variant*>(value)->Assign(F().mScript.value);
    return F().mScript.getValueResult;
  }
  static std::int32_t SetParamValue(const void* device, const void* descriptor, const void*) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("SetParamValue", device);
    F().mLog.lastId = static_cast<const ParamDescriptor*>(descriptor)->id;
    return F().mScript.requestResult;
  }
  static std::int32_t SetParamValues(const void* device, const void*) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("SetParamValues", device);
    return F().mScript.requestResult;
  }
  static std::int32_t DisconnectDevice(const void* device) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("DisconnectDevice", device);
    return 0;
  }
  static std::int32_t IsDeviceConnected(const void* device, std::int32_t a, std::int32_t b) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("IsDeviceConnected", device);
    F().mLog.lastArgs[0] = a;
    F().mLog.lastArgs[1] = b;
    return F().mScript.connected;
  }
  static std::int32_t GetDeviceInfo(const void* device, void* info, std::int32_t arg) {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("GetDeviceInfo", device);
    F().mLog.lastArgs[0] = arg;
    static_cast<std::uint8_t*>(info)[kDeviceInfoFlagOffset] = 1;
    return 0;
  }
  static std::int32_t ReleaseAll() {
    std::lock_guard<std::mutex> guard(F().mLock);
    Note("ReleaseAll", nullptr);
    ++F().mLog.releaseAllCalls;
    return 0;
  }

  static constexpr FakeZdxHooks kTable = {
      FindDevices,      FindRemoteDevices, ConnectDevice, RequestParamRanges, RequestParamValues,
      GetParamRanges,   GetParamValues,    GetParamValue, SetParamValue,      SetParamValues,
      DisconnectDevice, IsDeviceConnected, GetDeviceInfo, ReleaseAll};
};

FakeClientLibrary::FakeClientLibrary() {
  for (const std::string& path : {DefaultPath(), PartialPath()}) {
    Platform::LibraryHandle library = Platform::LoadSharedLibrary(path.c_str());
    EXPECT_NE(library, nullptr) << path;
    auto install = reinterpret_cast<FakeZdxSetHooksFn>(Platform::FindLibrarySymbol(library, "FakeZdx_SetHooks"));
    EXPECT_NE(install, nullptr) << path;
    if (install)
      install(&Hooks::kTable);
    // Never freed: the hooks stay installed however often the code under test unloads.
  }
}

FakeClientLibrary& FakeClientLibrary::Instance() {
  static FakeClientLibrary* instance = new FakeClientLibrary;
  return *instance;
}

void FakeClientLibrary::Reset(const FakeLibraryScript& script) {
  std::lock_guard<std::mutex> guard(mLock);
  mScript.findResult = script.findResult;
  mScript.found.Assign(script.found);
  mScript.connectResult = script.connectResult;
  mScript.connected = script.connected;
  mScript.requestResult = script.requestResult;
  mScript.getValueResult = script.getValueResult;
  mScript.value.Assign(script.value);
  mLog = FakeLibraryLog();
}

FakeLibraryLog FakeClientLibrary::Log() {
  std::lock_guard<std::mutex> guard(mLock);
  return mLog;
}

std::int32_t FakeClientLibrary::Count(const std::string& call) {
  std::lock_guard<std::mutex> guard(mLock);
  return static_cast<std::int32_t>(std::count(mLog.calls.begin(), mLog.calls.end(), call));
}

void FakeClientLibrary::ChangeScript(void (*change)(FakeLibraryScript&)) {
  std::lock_guard<std::mutex> guard(mLock);
  change(mScript);
}

std::string FakeClientLibrary::DefaultPath() {
  std::string path = Platform::GetExecutablePath();
  path.erase(path.find_last_of('/') + 1);
  return path + kDeviceControlClientFileName;
}

std::string FakeClientLibrary::PartialPath() { return QZ_PARTIAL_CLIENT_PATH; }

} // namespace QZ::test
