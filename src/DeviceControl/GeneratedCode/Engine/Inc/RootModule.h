#pragma once
// The root of the module tree, where all values meet. It keeps them in the
// engine's parameter cache, reports every change through the one callback the
// engine gives it, receives what the device side reports (as the device
// communication's receiver), and passes writes and reads to the device while
// one is connected. Offline (no device connected, the state it is made in)
// every read and write goes straight to the cache.
//
// Threads: the engine's callers (the user-interface thread, the MIDI layer's
// worker) and, with a loaded client library, the device communication's
// worker. The root lock (recursive) serialises them; the modules, the cache and
// the change callback all run inside it.
// Lock order: the root lock first; inside it the cache's lock, the device
// communication's private lock and the notification queues' lock. The -4 echo
// re-enters the root lock on its own thread.

#include "DeviceControl/GeneratedCode/Engine/Inc/DeviceCommunicationInterface.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/ParamCache.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleInterface.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Threading/Mutex.h"

#include <cstdint>
#include <memory>

namespace QZ {

// Reasons handed to the change callback.
inline constexpr std::int32_t kChangeReasonValue = 0;
inline constexpr std::int32_t kChangeReasonUncached = 2;

class LRootModule : public IRootModule, public DeviceCommunicationReceiver {
public:
  // Receives every change: (user data, the changed values, a reason).
  using ChangeCallback = std::int32_t (*)(void* userData, const IArray<ParamValue>& values, std::int32_t reason);

  // A root with its device and the device's children.
  [[nodiscard]] static RCPtr<LRootModule> Create(bool offline);
  ~LRootModule() override;

  std::int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value, bool fromDevice) override;
  Variant GetParamValue(const ParamDescriptor& descriptor) const override;
  Variant GetParamValueDefault(std::int32_t id) const override;
  // 0 (also when nothing changed); -1 for identifiers outside the cache.
  std::int32_t UpdateCachedValue(const ParamDescriptor& descriptor, const Variant& value) override;
  Variant GetCachedValue(const ParamDescriptor& descriptor) const override;
  std::int32_t OnParamValueChanged(const ParamDescriptor& descriptor, const Variant& value,
                                   std::int32_t reason) override;
  // Under the root lock. -4 is the connection echo.
  std::int32_t SetParamValueExternal(const ParamDescriptor& descriptor, const Variant& value) override;
  // Under the root lock. Negative identifiers go to the device communication.
  std::int32_t GetParamValueExternal(const ParamDescriptor& descriptor, Variant& value) override;
  RCPtr<IDevice> GetDevice() override;

  // Attaches the cache and the device communication (kept only when it is an
  // LDeviceCommunicationInterfaceT<1>), places the tree at first, fills the
  // cache with the defaults and binds itself as the receiver.
  virtual std::int32_t Initialize(ChangeCallback callback, void* userData, const RCPtr<LParamCache>& cache,
                                  const RCPtr<LDeviceCommunicationBase>& communication, std::int32_t first);
  // Online on success (then asks for the ranges and the -8 value), offline on failure.
  virtual std::int32_t ConnectDevice(const Variant& device);
  // Switches the device communication's delivery off.
  virtual std::int32_t Shutdown();
  virtual RCPtr<LParamCache> GetParamCache() const;
  virtual RCPtr<LDeviceCommunicationInterfaceT<1>> GetDeviceCommunication() const;
  virtual std::int32_t InvokeCallback(const IArray<ParamValue>& values, std::int32_t reason);
  virtual bool IsReadThroughParam(std::int32_t id) const;
  virtual bool IsUncachedParam(std::int32_t id) const;
  // A new device (with its children), replacing the old one.
  virtual void CreateDevice();

  void ReceiveParamValues(const ParamValues& values) override;
  QZRESULT ReceiveDeviceMessage(std::int32_t a, std::int32_t b, std::int32_t c) override;

  // A module-level request set on a leaf: handed to the device communication
  // of the leaf's root. False when the leaf's root is no LRootModule or has no
  // device communication.
  static bool SendModuleRequest(LParameterizedModule& leaf, const ParamDescriptor& descriptor,
                                const Variant& value);

private:
  explicit LRootModule(bool offline);
  // The cache entry of an identifier.
  ParamDescriptor CacheDescriptor(const ParamDescriptor& descriptor) const;

  struct PrivateData {
    Mutex lock;               // the root lock
    Array<ParamValue> change; // exactly one element, carries each change to the callback
  };

  RCPtr<IDevice> mDevice;
  ChangeCallback mCallback = nullptr;
  void* mUserData = nullptr;
  RCPtr<LDeviceCommunicationInterfaceT<1>> mCommunication;
  RCPtr<LParamCache> mCache;
  std::unique_ptr<PrivateData> mData;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LRootModule, "class QZ::LRootModule")
