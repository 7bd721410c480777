#pragma once
// The layer over the closed device-control client library, loaded at run time
// from a given path or, without one, from "DeviceControlClient.dll" beside the
// program. Its fourteen functions are fetched by name; each wrapper returns -1
// (IsDeviceConnected: false) when the library did not load or lacks the
// function, and otherwise passes the library's result through. A device is a
// pointer to its Variant identifier.
//
// Lifetime: a process-wide count of live instances; the last instance to go
// calls ZDX_ReleaseAll before the library is unloaded.
//
// Threads: the wrappers may be called from any thread; what the library does
// with concurrent calls is its own affair. The callback given to ConnectDevice
// runs on the library's threads.

#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "Platform/Library/Library.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/Variant.h"

#include <atomic>
#include <cstdint>

// A device-class identifier of the device filters.
struct SGuid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
};

// Reports of a connected device: the context given to ConnectDevice, a code the
// library defines, and a Variant holding a ParamValues list.
using DeviceControlCallback = void (*)(void* context, std::int32_t code, const QZ::Variant* values);

inline constexpr const char* kDeviceControlClientFileName = "DeviceControlClient.dll";
// The result of every wrapper whose library or function is missing.
inline constexpr std::int32_t kDeviceControlNoLibrary = -1;
// Size of the record GetDeviceInfo fills, and the byte read from it as a flag.
inline constexpr std::uint32_t kDeviceInfoSize = 256;
inline constexpr std::uint32_t kDeviceInfoFlagOffset = 252;

class DeviceControlClientInterface {
public:
  // Loads the library from path (UTF-8 text of the wide path), or from the
  // default beside the program when path is null or empty.
  explicit DeviceControlClientInterface(const QZ::WideString* path = nullptr);
  DeviceControlClientInterface(const DeviceControlClientInterface&) = delete;
  DeviceControlClientInterface& operator=(const DeviceControlClientInterface&) = delete;
  virtual ~DeviceControlClientInterface();

  virtual std::int32_t FindDevices(const SGuid* filter, std::uint32_t filterCount, QZ::Variant* devices);
  virtual std::int32_t FindRemoteDevices(const SGuid* filter, std::uint32_t filterCount, QZ::Variant* devices,
                                         std::int32_t o0, std::int32_t o1, std::int32_t o2, std::int32_t o3,
                                         std::int32_t o4, std::int32_t o5);
  virtual std::int32_t ConnectDevice(const QZ::Variant* device, DeviceControlCallback callback, void* context);
  virtual std::int32_t RequestParamRanges(const QZ::Variant* device, const QZ::ParamRanges& ranges);
  virtual std::int32_t RequestParamValues(const QZ::Variant* device, const QZ::ParamDescriptors& descriptors);
  // A one-item list of the descriptor, through ZDX_RequestParamValues.
  virtual std::int32_t RequestParamValuesFor(const QZ::Variant* device, const QZ::ParamDescriptor& descriptor);
  virtual std::int32_t GetParamRanges(const QZ::Variant* device, std::intptr_t a, std::intptr_t b);
  virtual std::int32_t GetParamValues(const QZ::Variant* device, std::intptr_t a, std::intptr_t b);
  virtual std::int32_t GetParamValue(const QZ::Variant* device, const QZ::ParamDescriptor& descriptor,
                                     QZ::Variant* value);
  virtual std::int32_t SetParamValue(const QZ::Variant* device, const QZ::ParamDescriptor& descriptor,
                                     const QZ::Variant& value);
  virtual std::int32_t SetParamValues(const QZ::Variant* device, const QZ::ParamValues& values);
  // True when the library answers 0.
  virtual bool IsDeviceConnected(const QZ::Variant* device, std::int32_t a, std::int32_t b);
  virtual std::int32_t DisconnectDevice(const QZ::Variant* device);
  virtual std::int32_t GetDeviceInfo(const QZ::Variant* device, void* info, std::int32_t arg);

  bool IsLoaded() const { return mModule != nullptr; }
  static std::int32_t GetLiveInstanceCount() { return sLiveInstances.load(); }

private:
  using FindDevicesFn = std::int32_t (*)(const void*, std::uint32_t, QZ::Variant*);
  using FindRemoteDevicesFn = std::int32_t (*)(const void*, std::uint32_t, QZ::Variant*, std::int32_t,
                                               std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                                               std::int32_t);
  using ConnectDeviceFn = std::int32_t (*)(const QZ::Variant*, DeviceControlCallback, void*);
  using RequestParamRangesFn = std::int32_t (*)(const QZ::Variant*, const QZ::ParamRanges*);
  using RequestParamValuesFn = std::int32_t (*)(const QZ::Variant*, const QZ::ParamDescriptors*);
  using GetPairFn = std::int32_t (*)(const QZ::Variant*, std::intptr_t, std::intptr_t);
  using GetParamValueFn = std::int32_t (*)(const QZ::Variant*, const QZ::ParamDescriptor*, QZ::Variant*);
  using SetParamValueFn = std::int32_t (*)(const QZ::Variant*, const QZ::ParamDescriptor*, const QZ::Variant*);
  using SetParamValuesFn = std::int32_t (*)(const QZ::Variant*, const QZ::ParamValues*);
  using DisconnectDeviceFn = std::int32_t (*)(const QZ::Variant*);
  using IsDeviceConnectedFn = std::int32_t (*)(const QZ::Variant*, std::int32_t, std::int32_t);
  using GetDeviceInfoFn = std::int32_t (*)(const QZ::Variant*, void*, std::int32_t);
  using ReleaseAllFn = std::int32_t (*)();

  template <class F>
  F Fetch(const char* name) const;

  QZ::Platform::LibraryHandle mModule = nullptr;
  FindDevicesFn mFindDevices = nullptr;
  FindRemoteDevicesFn mFindRemoteDevices = nullptr;
  ConnectDeviceFn mConnectDevice = nullptr;
  RequestParamRangesFn mRequestParamRanges = nullptr;
  RequestParamValuesFn mRequestParamValues = nullptr;
  GetPairFn mGetParamRanges = nullptr;
  GetPairFn mGetParamValues = nullptr;
  GetParamValueFn mGetParamValue = nullptr;
  SetParamValueFn mSetParamValue = nullptr;
  SetParamValuesFn mSetParamValues = nullptr;
  DisconnectDeviceFn mDisconnectDevice = nullptr;
  IsDeviceConnectedFn mIsDeviceConnected = nullptr;
  GetDeviceInfoFn mGetDeviceInfo = nullptr;
  ReleaseAllFn mReleaseAll = nullptr;

  static std::atomic<std::int32_t> sLiveInstances;
};
