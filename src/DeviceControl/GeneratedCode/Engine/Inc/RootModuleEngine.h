#pragma once
// The engine: the one object through which the rest of the system reads and
// writes parameter values and hears of their changes. It owns the device
// communication, the root module with its tree and the parameter cache; posts
// every change the root reports as "NID_PARAM_MODULE_STATE_CHANGE" to the
// application center (a pair per value for one or two values, one wrapped list
// for three or more); keeps the device-connection state (posted as
// "NID_DEVICE_CONNECTION_STATE_CHANGE"); and runs one worker thread that
// reconnects a lost device and watches the remote-device list ("NID_REMOTE_DEVICE_LIST_CHANGE").
// It listens for "NID_PARAM_MODULE_CHANGE_REQ" (a pair of descriptor and value).
//
// Threads: the user-interface thread; the MIDI layer's worker (SetParamValue);
// the engine's worker; the device communication's worker (through the root).
// Locks: value reads and writes take the root lock (and inside it the cache's
// and the notification queues' locks), never the engine lock. The engine lock
// guards the connection fields, the device values and the pending requests;
// it is never requested under the root lock (SetParamValue updates the state
// only after the root has returned). The worker reads the stop request and the
// remote-watch flag without the lock.

#include "DeviceControl/GeneratedCode/Engine/Inc/DeviceCommunicationInterface.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/ParamCache.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/RootModule.h"
#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Notification/NotificationHandler.h"
#include "QZFramework/Utilities/Storage/Pair.h"
#include "QZFramework/Utilities/Storage/TaggableObject.h"
#include "QZFramework/Utilities/Storage/Wrapper.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Threading/Mutex.h"
#include "QZFramework/Utilities/Threading/RetriggerableThreader.h"
#include "QZFramework/Utilities/Threading/ThreadWorker.h"

#include <atomic>
#include <cstdint>
#include <memory>

inline constexpr const char16_t* kNidParamModuleStateChange = u"NID_PARAM_MODULE_STATE_CHANGE";
inline constexpr const char16_t* kNidParamModuleChangeReq = u"NID_PARAM_MODULE_CHANGE_REQ";
inline constexpr const char16_t* kNidDeviceConnectionStateChange = u"NID_DEVICE_CONNECTION_STATE_CHANGE";
inline constexpr const char16_t* kNidRemoteDeviceListChange = u"NID_REMOTE_DEVICE_LIST_CHANGE";

class LRootModuleEngine : public QZ::LNotificationClient, public QZ::LThreadWorker {
public:
  enum DeviceConnectionState : std::int32_t {
    kNotConnected = 0,      // and no device waits for the worker
    kConnectFailedKept = 1, // an explicit connect failed; the worker retries its device
    kReconnectPending = 2,  // auto-reconnect: the remembered device is available again
    kConnected = 3,
  };

  static constexpr std::int32_t kDefaultRequestIntervalMs = 67;
  static constexpr std::uint32_t kWorkerPassMs = 1500;
  static constexpr std::uint32_t kStopPolls = 10000;

  using PairPayload =
      QZ::LPair<QZ::ParamDescriptor, QZ::Variant, QZ::ParamDescriptorToString, QZ::LTaggableObject>;
  using ListPayload = QZ::LWrapper<QZ::ParamValues, QZ::LRefCountedObject>;
  using ClockFunction = std::uint32_t (*)();

  LRootModuleEngine();
  ~LRootModuleEngine() override;

  std::int32_t Receive(const QZ::RCPtr<QZ::LNotificationDistributor>& source,
                       const QZ::RCPtr<QZ::LNotification>& notification) override;
  std::int32_t Unsubscribe(const QZ::RCPtr<QZ::LNotificationDistributor>& distributor,
                           QZ::NotificationID id) override;
  // Once, before anything else. Throws when the change-request registration fails.
  virtual std::int32_t Initialize(std::int32_t first);
  virtual void OnRelease();
  virtual bool IsActive();
  // E_FAIL unless connected; a failed write recomputes the connection state.
  virtual std::int32_t SetParamValue(const QZ::ParamDescriptor& descriptor, const QZ::Variant& value);
  virtual std::int32_t GetParamValue(const QZ::ParamDescriptor& descriptor, QZ::Variant& value);
  // Posts the current values of the descriptors.
  virtual std::int32_t RequestParamValues(const QZ::ParamDescriptors& descriptors);
  // The values of the range into values from start (start < 0: values emptied, start 0).
  virtual std::int32_t GetValues(const QZ::ParamRange& range, QZ::IArray<QZ::ParamValue>& values,
                                 std::int32_t start);
  // Joins the pending set; sends the whole set at most once per request interval while connected.
  virtual std::int32_t RequestDeviceParamValue(const QZ::ParamDescriptor& descriptor);
  virtual void SetRequestInterval(std::int32_t ms);
  virtual std::int32_t GetRequestInterval();
  virtual std::int32_t FindDevices(QZ::IArray<QZ::Variant>& devices);
  virtual std::int32_t GetRemoteDevices(QZ::IArray<QZ::Variant>& devices);
  virtual std::int32_t ConnectDevice(const QZ::Variant& device, bool keepOnFailure);
  virtual std::int32_t DisconnectDevice();
  virtual void GetCurrentDevice(QZ::Variant& device);
  virtual std::int32_t GetConnectionState();
  virtual std::int32_t GetDeviceInfo(const QZ::Variant& device, void* info);
  virtual std::int32_t EnableRemoteDeviceWatch(bool on);
  virtual void EnableAutoReconnect(bool on);
  virtual bool IsReadThroughParam(std::int32_t id);
  virtual bool IsUncachedParam(std::int32_t id);
  virtual std::int32_t RequestAllParamValues();
  virtual QZ::RCPtr<LParamCache> CreateParamCache();
  virtual QZ::RCPtr<QZ::LRefCountedObject> CreateRootModule(bool offline);
  virtual QZ::RCPtr<QZ::LRefCountedObject> CreateDeviceCommunication();
  virtual void PostParamValues(const QZ::IArray<QZ::ParamValue>& values);
  virtual bool IsDeviceAvailable(const QZ::Variant& device);
  virtual bool IsCurrentDeviceAvailable();
  virtual void UpdateConnectionState();
  virtual std::int32_t StartWorker();
  virtual void RequestWorkerStopIfIdle();
  virtual bool StopWorker();

  std::int32_t DoWork(QZ::RCPtr<QZ::LRefCountedObject>& params) override;
  QZ::QZRESULT ReleaseInnerReferences() override;

  std::int32_t GetFirstParamID() const;
  // The millisecond clock of the request interval (tests pass their own).
  void SetClock(ClockFunction clock) { mClock = clock; }
  // The pause of a worker pass and the wait limit of its remote search (tests shorten it).
  void SetWorkerPause(std::uint32_t ms) { mWorkerPassMs.store(ms); }

protected:
  const QZ::RCPtr<QZ::LRootModule>& GetRootModule() const;
  const QZ::RCPtr<LDeviceCommunicationBase>& GetDeviceCommunication() const;
  // Stores the state as it is, without posting.
  void SetConnectionStateQuietly(DeviceConnectionState state);

private:
  using Handler = QZ::LNotificationHandler<LRootModuleEngine>;

  static std::int32_t OnRootChange(void* engine, const QZ::IArray<QZ::ParamValue>& values, std::int32_t reason);
  std::int32_t OnChangeRequest(const QZ::RCPtr<QZ::LNotificationDistributor>& source,
                               const QZ::RCPtr<QZ::LNotification>& notification);
  void PostConnectionState(DeviceConnectionState state);
  void PostRemoteDeviceCount(std::uint32_t count);
  bool IsWorkerRunning();
  // Sleeps up to ms, ending early on a stop request.
  void PauseWorker(std::uint32_t ms);
  static void CopyDevices(const QZ::IArray<QZ::Variant>& from, QZ::IArray<QZ::Variant>& to);

  QZ::RCPtr<Handler> mHandler;
  std::atomic<bool> mHandlerEnabled{false};
  bool mCreateRootOffline = false;
  std::atomic<bool> mStopRequest{true};
  bool mConnectFailedDeviceKept = false;
  std::atomic<bool> mAutoReconnect{false};
  std::atomic<bool> mRemoteWatch{false};
  bool mFirstRemoteSearchDone = false;
  std::atomic<bool> mConnectInProgress{false};
  std::int32_t mFirstRemoteSearchResult = 0;
  DeviceConnectionState mConnectionState = kNotConnected;
  QZ::Array<QZ::Variant> mRemoteDevices;
  QZ::Variant mCurrentDevice;
  QZ::RetriggerableThreader mWorker;
  QZ::Variant mRememberedDevice;
  QZ::Mutex mLock; // the engine lock
  QZ::Array<QZ::ParamDescriptor> mPendingRequests;
  std::int32_t mRequestInterval = kDefaultRequestIntervalMs;
  std::uint32_t mLastRequestTime = 0;
  ClockFunction mClock;
  std::atomic<std::uint32_t> mWorkerPassMs{kWorkerPassMs};

  struct PrivateData {
    LRootModuleEngine* engine = nullptr;
    QZ::RCPtr<LDeviceCommunicationBase> communication;
    QZ::RCPtr<LParamCache> cache;
    QZ::RCPtr<QZ::LRootModule> root;
  };
  std::unique_ptr<PrivateData> mData;
};

QZ_TYPE_NAME(LRootModuleEngine::DeviceConnectionState, "enum LRootModuleEngine::DeviceConnectionState")
QZ_TYPE_NAME(LRootModuleEngine, "class LRootModuleEngine")
