#pragma once
// The device communication: how the engine and the root module reach a device
// through the device-control client library. It finds devices, connects to one,
// asks for ranges and values, reads and writes single values, and hands the
// values the device reports to one receiver (the root module). A few negative
// identifiers are answered here: -2 (availability), -4 (the connection echo),
// -9 and -10 (the maker's and the editor's name, while the library is absent).
//
// Without Initialize no client interface exists and every library-backed
// operation returns -1 (IsDeviceConnected false; the identifier operations
// E_FAIL for identifiers they do not answer).
//
// Threads and locks:
// - callers on the user-interface thread and the engine's worker;
// - the library's threads run the report callback, which only wraps, queues
//   and sets the gate, so it never waits on the receiver;
// - the worker thread delivers queued reports, one DoWork per gate signal.
// The private lock guards the device identifier and is held while the
// connection echo is built and delivered; library calls run outside it. The
// queue lock guards the queue alone. The delivery lock is held for a whole
// DoWork, and SetDeliveryEnabled(false) takes it once, so after it returns no
// report is being delivered. Lock order: delivery lock, then queue lock; the
// receiver runs under the delivery lock (queued reports) or the private lock
// (the echo) and must not call SetDeliveryEnabled.

#include "DeviceControl/GeneratedCode/Engine/Inc/DeviceControlClientInterface.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/Iterable.h"
#include "QZFramework/Utilities/Storage/Variant.h"

#include <cstdint>
#include <memory>

// Receives the values a device reports. The root module implements it.
class DeviceCommunicationReceiver {
public:
  virtual ~DeviceCommunicationReceiver() = default;
  virtual void ReceiveParamValues(const QZ::ParamValues& values) = 0;
  // Never called by the device communication.
  virtual QZ::QZRESULT ReceiveDeviceMessage(std::int32_t a, std::int32_t b, std::int32_t c) = 0;
};

// Identifiers the device communication answers itself.
inline constexpr std::int32_t kDeviceAvailableID = -2;
inline constexpr std::int32_t kConnectionEchoID = -4;
inline constexpr std::int32_t kLibraryValueID = -8;
inline constexpr std::int32_t kMakerNameID = -9;
inline constexpr std::int32_t kEditorNameID = -10;
// GetConnectedDevice: the device is known but the library says it is not connected.
inline constexpr std::int32_t kDeviceNotConnected = -3;
// Arguments of the connection check.
inline constexpr std::int32_t kConnectedCheckArg = 1;
inline constexpr std::int32_t kConnectedCheckWaitMs = 500;
// Pause between the tries of FindRemoteDevices.
inline constexpr std::uint32_t kRemoteDeviceRetryMs = 250;

class LDeviceCommunicationBase : public virtual QZ::LRefCountedObject {
public:
  LDeviceCommunicationBase();
  LDeviceCommunicationBase(const LDeviceCommunicationBase&) = delete;
  LDeviceCommunicationBase& operator=(const LDeviceCommunicationBase&) = delete;
  ~LDeviceCommunicationBase() override;

  virtual std::int32_t GetInterfaceKind() const = 0;
  // Not owned.
  virtual void SetReceiver(DeviceCommunicationReceiver* receiver);
  virtual DeviceCommunicationReceiver* GetReceiver() const;
  // E_FAIL here; the concrete class locates and loads the library.
  virtual QZ::QZRESULT Initialize();
  virtual bool IsAvailable() const;
  // Delivers {-4: [value as int64, availability as bool]} to the receiver at
  // once, under the private lock; false when no receiver is set.
  virtual bool ReportConnectionState(std::int64_t value);
  // Returns once no caller holds the private lock.
  virtual void WaitForClientCalls();
  virtual void SetDeliveryEnabled(bool enabled);
  virtual void Activate();
  // Empties devices, then fills it with the library's list; E_FAIL for a
  // negative library result.
  virtual std::int32_t FindDevices(const QZ::IArray<SGuid>& filter, QZ::IArray<QZ::Variant>& devices);
  // Asks the library until the list differs from the one given (0) or the
  // wait limit has passed (1), one try per kRemoteDeviceRetryMs.
  virtual std::int32_t FindRemoteDevices(const QZ::IArray<SGuid>& filter, QZ::IArray<QZ::Variant>& devices,
                                         std::uint32_t waitLimitMs, std::int32_t o1, std::int32_t o2,
                                         std::int32_t o3, std::int32_t o4, std::int32_t o5);
  virtual std::int32_t FindRemoteDevicesOnce(const QZ::IArray<SGuid>& filter, QZ::IArray<QZ::Variant>& devices);
  virtual std::int32_t ConnectDevice(const QZ::Variant& device);
  virtual std::int32_t RequestParamRanges(const QZ::ParamRanges& ranges);
  virtual std::int32_t RequestParamValues(const QZ::ParamDescriptors& descriptors);
  virtual std::int32_t RequestParamValuesFor(const QZ::ParamDescriptor& descriptor);
  virtual std::int32_t GetParamRanges(std::intptr_t a, std::intptr_t b);
  virtual std::int32_t GetParamValues(std::intptr_t a, std::intptr_t b);
  virtual std::int32_t GetParamValue(const QZ::ParamDescriptor& descriptor, QZ::Variant& value);
  virtual std::int32_t SetParamValue(const QZ::ParamDescriptor& descriptor, const QZ::Variant& value);
  virtual std::int32_t SetParamValues(const QZ::ParamValues& values);
  virtual bool IsDeviceConnected(std::int32_t a, std::int32_t b);
  // The identifier last given to ConnectDevice: 0 connected, kDeviceNotConnected not.
  virtual std::int32_t GetConnectedDevice(QZ::Variant& device);
  // The stored identifier stays.
  virtual std::int32_t DisconnectDevice();
  // info: a record of kDeviceInfoSize bytes.
  virtual std::int32_t GetDeviceInfo(const QZ::Variant& device, void* info);
  virtual std::int32_t GetLibraryValue(QZ::Variant& value);
  virtual std::int32_t SetLibraryValue(const QZ::Variant& value);
  virtual std::int32_t GetNameIndex(std::int32_t& index);

  // The wait between the tries of FindRemoteDevices (tests pass one that does not sleep).
  using SleepFunction = void (*)(std::uint32_t ms);
  void SetRetrySleep(SleepFunction sleep) { mRetrySleep = sleep; }

protected:
  struct PrivateData;

  bool HasClient() const;
  bool IsDeliveryEnabled() const;
  void StoreDeliveryEnabled(bool enabled);
  void SetClient(std::unique_ptr<DeviceControlClientInterface> client);
  // Disconnects the stored device and deletes the client interface, if any.
  void ReleaseClient();
  // Stores a copy of the identifier and returns the client, or null.
  DeviceControlClientInterface* StoreDevice(const QZ::Variant& device);

  // Runs call(client, copy of the device identifier) outside the private lock;
  // kDeviceControlNoLibrary without a client.
  template <class F>
  std::int32_t ClientCall(F&& call);

private:
  std::unique_ptr<PrivateData> mData;
  SleepFunction mRetrySleep;
};

template <int Kind>
class LDeviceCommunicationInterfaceT;

template <>
class LDeviceCommunicationInterfaceT<1> : public LDeviceCommunicationBase {
public:
  // Starts the worker thread, which waits on its gate for the whole run unless
  // the library reports.
  LDeviceCommunicationInterfaceT();
  ~LDeviceCommunicationInterfaceT() override;

  std::int32_t GetInterfaceKind() const override { return 1; }
  // 1 when the client interface exists; 0 once it is made (a library that did
  // not load leaves one whose calls return -1); E_FAIL when none could be made.
  QZ::QZRESULT Initialize() override;
  // Disabling returns only after a running delivery has finished.
  void SetDeliveryEnabled(bool enabled) override;
  std::int32_t ConnectDevice(const QZ::Variant& device) override;
  virtual QZ::QZRESULT ReservedOperation();
  // Stops delivery, lets go of the library and of the worker thread.
  QZ::QZRESULT ReleaseInnerReferences() override;

  // The report callback handed to the library: context is this object, values a ParamValues.
  static void ReceiveFromLibrary(void* context, std::int32_t code, const QZ::Variant* values);
  std::uint32_t GetQueuedReportCount() const;

private:
  struct MemberData;
  std::unique_ptr<MemberData> mMembers;
};

using LDeviceCommunicationInterface = LDeviceCommunicationInterfaceT<1>;

QZ_TYPE_NAME(LDeviceCommunicationBase, "class LDeviceCommunicationBase")
QZ_TYPE_NAME(LDeviceCommunicationInterfaceT<1>, "class LDeviceCommunicationInterfaceT<1>")
