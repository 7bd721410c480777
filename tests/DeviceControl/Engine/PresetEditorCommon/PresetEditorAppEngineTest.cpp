#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"

#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "DeviceControl/GeneratedCode/Engine/Support/FakeClientLibrary.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Utilities/Storage/Holder.h"
#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using QZ::Array;
using QZ::LPresetEditorAppEngine;
using QZ::MakeRCPtr;
using QZ::ParamDescriptor;
using QZ::ParamValue;
using QZ::ParamValues;
using QZ::RCPtr;
using QZ::Variant;
using QZ::test::Bytes;
using QZ::test::DataOf;
using QZ::test::FakeClientLibrary;
using QZ::test::Int32;
using QZ::test::MakeBuffer;
using QZ::test::Pack;

using QZ::test::Bool;
using QZ::test::Int64;

// One notification as the user-interface thread saw it.
struct Seen {
  std::string id;
  std::vector<std::pair<std::int32_t, Variant>> values; // state changes: {state, empty}
};

std::string Narrow(QZ::NotificationID id) {
  std::string text;
  for (; id && *id; ++id)
    text += static_cast<char>(*id);
  return text;
}

class Listener : public QZ::LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<QZ::LNotificationDistributor>&,
                       const RCPtr<QZ::LNotification>& notification) override {
    Seen seen{Narrow(notification->GetID()), {}};
    const RCPtr<QZ::LRefCountedObject>& payload = notification->GetPayload();
    if (auto pair = QZ::DynamicCast<LRootModuleEngine::PairPayload>(payload)) {
      seen.values.emplace_back(pair->mKey.id, pair->mValue);
    } else if (auto list = QZ::DynamicCast<LRootModuleEngine::ListPayload>(payload)) {
      for (std::uint32_t i = 0; i < list->GetArrayCount(); ++i) {
        Variant value;
        std::int32_t id = -1;
        Variant detail;
        EXPECT_GE(list->GetParamValue(i, value, id, detail), 0);
        seen.values.emplace_back(id, value);
      }
    } else if (auto state = QZ::DynamicCast<QZ::LHolder<LRootModuleEngine::DeviceConnectionState>>(payload)) {
      seen.values.emplace_back(*state->mValue, Variant());
    } else if (auto count = QZ::DynamicCast<QZ::LHolder<unsigned int>>(payload)) {
      seen.values.emplace_back(static_cast<std::int32_t>(*count->mValue), Variant());
    }
    seen_.push_back(seen);
    return 0;
  }

  std::vector<Seen> seen_;
};

// Stands for the application: the application center, pooling on, and the idle pass.
class EngineTest : public ::testing::Test {
protected:
  void SetUp() override {
    QZ::LNotification::EnablePooling(true);
    center = QZ::GetApplicationNotificationCenter();
    listener = MakeRCPtr<Listener>();
    for (const char16_t* id :
         {kNidParamModuleStateChange, kNidDeviceConnectionStateChange, kNidRemoteDeviceListChange})
      listener->Subscribe(center, id);
  }
  void TearDown() override {
    listener->UnsubscribeAll();
    listener = nullptr;
    center = nullptr;
    QZ::LNotificationCenterManager::GetInstance() = nullptr;
    QZ::LNotification::EnablePooling(false);
  }

  // One idle pass; what it delivered.
  std::vector<Seen> Deliver() {
    QZ::LNotificationCenterManager::GetInstance()->ProcessAll(false);
    std::vector<Seen> seen;
    seen.swap(listener->seen_);
    return seen;
  }

  RCPtr<QZ::LNotificationCenter> center;
  RCPtr<Listener> listener;
};

constexpr const char* kStateChange = "NID_PARAM_MODULE_STATE_CHANGE";
constexpr const char* kConnectionChange = "NID_DEVICE_CONNECTION_STATE_CHANGE";

Bytes Concatenated(const Seen& seen) {
  Bytes all;
  for (const auto& [id, value] : seen.values) {
    const Bytes bytes = DataOf(value);
    all.insert(all.end(), bytes.begin(), bytes.end());
  }
  return all;
}

TEST_F(EngineTest, InitializePostsTheTwelveDefaultsAsOneList) {
  RCPtr<LPresetEditorAppEngine> engine = LPresetEditorAppEngine::Create();
  ASSERT_EQ(engine->Initialize(0), 0);
  EXPECT_EQ(engine->GetConnectionState(), LRootModuleEngine::kConnected);
  EXPECT_EQ(engine->GetFirstParamID(), 0);
  const auto seen = Deliver();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, kStateChange);
  ASSERT_EQ(seen[0].values.size(), 12u);
  for (std::int32_t i = 0; i < 12; ++i)
    EXPECT_EQ(seen[0].values[static_cast<std::size_t>(i)].first, i);
  EXPECT_EQ(Concatenated(seen[0]),
            (Bytes{0x00, 0x04, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x70, 0x00}));
  EXPECT_TRUE(engine->IsActive());
}

TEST_F(EngineTest, WritesPostOnePairPerChangedValue) {
  RCPtr<LPresetEditorAppEngine> engine = LPresetEditorAppEngine::Create();
  engine->Initialize(0);
  Deliver();

  EXPECT_EQ(engine->SetParamValue(ParamDescriptor(10), MakeBuffer({0x00, 0x78})), 0);
  auto seen = Deliver();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, kStateChange);
  ASSERT_EQ(seen[0].values.size(), 1u);
  EXPECT_EQ(seen[0].values[0].first, 10);
  EXPECT_EQ(DataOf(seen[0].values[0].second), (Bytes{0x00, 0x78}));

  EXPECT_EQ(engine->SetParamValue(ParamDescriptor(10), MakeBuffer({0x00, 0x78})), 0);
  EXPECT_TRUE(Deliver().empty()) << "an unchanged value posts nothing";

  Array<ParamValue> values;
  values.SetSize(5);
  EXPECT_EQ(engine->GetValues({0, 12}, values, -1), 0);
  ASSERT_EQ(values.GetCount(), 12u);
  for (std::uint32_t i = 0; i < 12; ++i)
    EXPECT_EQ(values.GetAt(i).descriptor.id, static_cast<std::int32_t>(i));
  EXPECT_EQ(DataOf(values.GetAt(10).value), (Bytes{0x00, 0x78}));
  Variant value;
  EXPECT_EQ(engine->GetParamValue(ParamDescriptor(2), value), 0);
  EXPECT_EQ(DataOf(value), Bytes{0x0C});
}

TEST_F(EngineTest, AFailedWriteRecomputesTheConnectionStateOnce) {
  RCPtr<LPresetEditorAppEngine> engine = LPresetEditorAppEngine::Create();
  engine->Initialize(0);
  Deliver();
  EXPECT_EQ(engine->SetParamValue(ParamDescriptor(12), MakeBuffer({0x01})), -1);
  auto seen = Deliver();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].id, kConnectionChange);
  EXPECT_EQ(seen[0].values[0].first, LRootModuleEngine::kNotConnected);
  EXPECT_EQ(engine->GetConnectionState(), LRootModuleEngine::kNotConnected);

  EXPECT_EQ(engine->SetParamValue(ParamDescriptor(12), MakeBuffer({0x01})), -1);
  EXPECT_TRUE(Deliver().empty()) << "the state did not change again";
  EXPECT_EQ(engine->SetParamValue(ParamDescriptor(0), MakeBuffer({0x05})), 0) << "writes keep working";
  EXPECT_EQ(Deliver().size(), 1u);
}

TEST_F(EngineTest, ConnectionEchoArrivesAsAPair) {
  RCPtr<LPresetEditorAppEngine> engine = LPresetEditorAppEngine::Create();
  engine->Initialize(0);
  Deliver();
  EXPECT_EQ(engine->SetParamValue(ParamDescriptor(-4), Int64(7)), 0);
  const auto seen = Deliver();
  ASSERT_EQ(seen.size(), 1u);
  ASSERT_EQ(seen[0].values.size(), 1u);
  EXPECT_EQ(seen[0].values[0].first, -4);
  EXPECT_TRUE(seen[0].values[0].second.IsEqual(Pack({Int64(7), Bool(true)})));
}

TEST_F(EngineTest, TheBaseEngineRefusesWritesUntilConnected) {
  RCPtr<LRootModuleEngine> engine = MakeRCPtr<LRootModuleEngine>();
  engine->Initialize(0);
  Deliver();
  EXPECT_EQ(engine->SetParamValue(ParamDescriptor(4), MakeBuffer({0x01})), QZ::E_FAIL);
  EXPECT_TRUE(Deliver().empty());
  Variant value;
  engine->GetParamValue(ParamDescriptor(4), value);
  EXPECT_EQ(DataOf(value), Bytes{0x00});
  EXPECT_EQ(engine->RequestDeviceParamValue(ParamDescriptor(4)), 1) << "not connected: only pending";
  EXPECT_EQ(engine->EnableRemoteDeviceWatch(true), -1);
  EXPECT_EQ(engine->EnableRemoteDeviceWatch(true), -1) << "the first search's result stays";
  EXPECT_TRUE(engine->StopWorker()) << "no worker runs";
  Array<Variant> devices;
  devices.AddItem(Int32(1));
  EXPECT_EQ(engine->GetRemoteDevices(devices), -1);
  EXPECT_EQ(devices.GetCount(), 1u) << "left as it was";
  EXPECT_EQ(engine->FindDevices(devices), -1);
}

TEST_F(EngineTest, PostedListsSplitIntoPairsUpToTwoValues) {
  RCPtr<LPresetEditorAppEngine> engine = LPresetEditorAppEngine::Create();
  engine->Initialize(0);
  Deliver();
  for (std::uint32_t n : {1u, 2u, 3u}) {
    SCOPED_TRACE(n);
    Array<ParamValue> values;
    for (std::uint32_t i = 0; i < n; ++i)
      values.AddItem(ParamValue(ParamDescriptor(static_cast<std::int32_t>(i)), MakeBuffer({1})));
    engine->PostParamValues(values);
    const auto seen = Deliver();
    EXPECT_EQ(seen.size(), n > 2 ? 1u : n);
    EXPECT_EQ(seen.back().values.size(), n > 2 ? n : 1u);
  }
  engine->PostParamValues(Array<ParamValue>());
  EXPECT_TRUE(Deliver().empty());
}

TEST_F(EngineTest, ChangeRequestsFromTheApplicationCenterAreWritten) {
  RCPtr<LPresetEditorAppEngine> engine = LPresetEditorAppEngine::Create();
  engine->Initialize(0);
  Deliver();
  center->Post(QZ::LNotification::Create(kNidParamModuleChangeReq, MakeRCPtr<LRootModuleEngine::PairPayload>(
                                                                       ParamDescriptor(5), MakeBuffer({0x03}))));
  center->Post(QZ::LNotification::Create(kNidParamModuleChangeReq, MakeRCPtr<QZ::LHolder<unsigned int>>()));
  Deliver(); // the requests; the change they make is posted meanwhile
  const auto seen = Deliver();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].values[0].first, 5);
  EXPECT_EQ(DataOf(seen[0].values[0].second), Bytes{0x03});
}

TEST_F(EngineTest, ReleasingTheLastReferenceUnsubscribes) {
  RCPtr<LPresetEditorAppEngine> engine = LPresetEditorAppEngine::Create();
  engine->Initialize(0);
  EXPECT_EQ(engine->GetSubscriptionCount(), 1);
  engine = nullptr; // the leak checker sees anything kept
  center->Post(QZ::LNotification::Create(kNidParamModuleChangeReq, MakeRCPtr<LRootModuleEngine::PairPayload>(
                                                                       ParamDescriptor(5), MakeBuffer({0x03}))));
  Deliver();
}

TEST_F(EngineTest, WritesFromSeveralThreadsAllArriveInOrderPerParameter) {
  RCPtr<LPresetEditorAppEngine> engine = LPresetEditorAppEngine::Create();
  engine->Initialize(0);
  Deliver();
  constexpr int kThreads = 4;
  constexpr int kWrites = 40;
  std::vector<std::thread> writers;
  std::atomic<int> running{kThreads};
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      for (int k = 1; k <= kWrites; ++k)
        for (int p = 0; p < 3; ++p)
          engine->SetParamValue(ParamDescriptor(t * 3 + p), MakeBuffer({static_cast<std::uint8_t>(100 + k)}));
      --running;
    });
  }
  std::map<std::int32_t, std::vector<int>> arrived;
  auto collect = [&] {
    for (const Seen& seen : Deliver())
      for (const auto& [id, value] : seen.values)
        arrived[id].push_back(DataOf(value).at(0) - 100);
  };
  while (running.load() > 0)
    collect();
  for (std::thread& writer : writers)
    writer.join();
  collect();
  ASSERT_EQ(arrived.size(), 12u);
  std::vector<int> expected;
  for (int k = 1; k <= kWrites; ++k)
    expected.push_back(k);
  for (const auto& [id, values] : arrived) {
    SCOPED_TRACE(id);
    EXPECT_EQ(values, expected);
  }
}

// An engine whose device communication reaches the stand-in client library.
class LibraryEngine : public LRootModuleEngine {
public:
  RCPtr<QZ::LRefCountedObject> CreateDeviceCommunication() override {
    RCPtr<LDeviceCommunicationInterface> communication = MakeRCPtr<LDeviceCommunicationInterface>();
    communication->Initialize();
    communication->SetRetrySleep([](std::uint32_t) {});
    return communication;
  }
};

std::uint32_t sNow = 0;

class ConnectionTest : public EngineTest {
protected:
  void SetUp() override {
    EngineTest::SetUp();
    fake.Reset();
    engine = MakeRCPtr<LibraryEngine>();
    engine->SetClock([] { return sNow; });
    engine->SetWorkerPause(5);
    engine->Initialize(0);
    Deliver();
  }
  void TearDown() override {
    EXPECT_TRUE(engine->StopWorker());
    engine = nullptr;
    EngineTest::TearDown();
  }

  std::vector<std::int32_t> States() {
    std::vector<std::int32_t> states;
    for (const Seen& seen : Deliver())
      if (seen.id == kConnectionChange)
        states.push_back(seen.values[0].first);
    return states;
  }

  bool WaitForState(std::int32_t state) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (engine->GetConnectionState() != state) {
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }

  FakeClientLibrary& fake = FakeClientLibrary::Instance();
  RCPtr<LibraryEngine> engine;
};

TEST_F(ConnectionTest, ConnectingAndDisconnecting) {
  EXPECT_TRUE(engine->StopWorker()) << "an idle engine stops at once";
  EXPECT_EQ(engine->ConnectDevice(Int32(7), false), 0);
  EXPECT_EQ(engine->GetConnectionState(), LRootModuleEngine::kConnected);
  EXPECT_EQ(States(), std::vector<std::int32_t>{3});
  Variant device;
  engine->GetCurrentDevice(device);
  EXPECT_EQ(device.GetInt32(), 7);

  // Connected, the base engine accepts writes; the root, online now, sends them.
  EXPECT_EQ(engine->SetParamValue(ParamDescriptor(4), MakeBuffer({0x01})), 3) << "the library's result";
  EXPECT_EQ(fake.Count("SetParamValue"), 1);
  Variant value;
  engine->GetParamValue(ParamDescriptor(4), value);
  EXPECT_EQ(DataOf(value), Bytes{0x01});

  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.connected = 1; });
  EXPECT_EQ(engine->DisconnectDevice(), 0);
  EXPECT_EQ(engine->GetConnectionState(), LRootModuleEngine::kNotConnected);
  EXPECT_EQ(States(), std::vector<std::int32_t>{0});
  engine->GetCurrentDevice(device);
  EXPECT_TRUE(device.IsEmpty());
  engine->UpdateConnectionState();
  EXPECT_TRUE(States().empty()) << "posted only on a change";
}

TEST_F(ConnectionTest, AFailedConnectKeepsTheDeviceForTheWorker) {
  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) {
    s.connectResult = -6;
    s.connected = 1;
  });
  EXPECT_EQ(engine->ConnectDevice(Int32(7), false), -6);
  EXPECT_EQ(engine->GetConnectionState(), LRootModuleEngine::kNotConnected);
  EXPECT_TRUE(engine->StopWorker());

  EXPECT_EQ(engine->ConnectDevice(Int32(7), true), -6);
  EXPECT_EQ(engine->GetConnectionState(), LRootModuleEngine::kConnectFailedKept);
  EXPECT_EQ(States(), std::vector<std::int32_t>{1});
  // The worker retries the kept device until the library takes it.
  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.connectResult = 0; });
  ASSERT_TRUE(WaitForState(LRootModuleEngine::kConnected));
  EXPECT_TRUE(engine->StopWorker());
  EXPECT_EQ(States(), std::vector<std::int32_t>{3});
}

TEST_F(ConnectionTest, AutoReconnectRemembersTheDeviceWhenTheConnectionIsLost) {
  engine->EnableAutoReconnect(true);
  EXPECT_EQ(engine->ConnectDevice(Int32(7), false), 0);
  States();
  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) {
    s.connected = 1;
    s.connectResult = -6;
  });
  engine->UpdateConnectionState();
  EXPECT_EQ(engine->GetConnectionState(), LRootModuleEngine::kReconnectPending);
  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.connectResult = 0; });
  ASSERT_TRUE(WaitForState(LRootModuleEngine::kConnected));
  EXPECT_TRUE(engine->StopWorker());
  // Pending, then connected to the remembered device. The library still says it is not connected, so the worker
  // may find it lost and take it again before it stops, as often as it gets to: each time the same pair.
  const std::vector<std::int32_t> states = States();
  ASSERT_GE(states.size(), 2u);
  EXPECT_EQ(states.size() % 2, 0u);
  for (std::size_t i = 0; i < states.size(); ++i)
    EXPECT_EQ(states[i], i % 2 == 0 ? LRootModuleEngine::kReconnectPending : LRootModuleEngine::kConnected) << i;
  engine->EnableAutoReconnect(false);
}

TEST_F(ConnectionTest, DeviceRequestsAreSentAtMostOncePerInterval) {
  engine->ConnectDevice(Int32(7), false);
  sNow = 1000;
  EXPECT_EQ(engine->RequestDeviceParamValue(ParamDescriptor(4)), 0);
  EXPECT_EQ(fake.Log().lastDescriptorCount, 1u);
  sNow = 1067;
  EXPECT_EQ(engine->RequestDeviceParamValue(ParamDescriptor(4)), 1) << "within the interval";
  EXPECT_EQ(engine->RequestDeviceParamValue(ParamDescriptor(2)), 1);
  sNow = 1068;
  EXPECT_EQ(engine->RequestDeviceParamValue(ParamDescriptor(4)), 0);
  EXPECT_EQ(fake.Log().lastDescriptorCount, 2u) << "one entry per descriptor";
  EXPECT_EQ(fake.Log().lastId, 2) << "sorted";
  EXPECT_EQ(engine->GetRequestInterval(), 67);
}

TEST_F(ConnectionTest, RemoteWatchStartsTheWorkerAndReportsTheList) {
  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.found = Pack({Int32(1), Int32(2)}); });
  EXPECT_EQ(engine->EnableRemoteDeviceWatch(true), 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  Array<Variant> devices;
  while (devices.GetCount() != 2 && std::chrono::steady_clock::now() < deadline) {
    engine->GetRemoteDevices(devices);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(devices.GetCount(), 2u);
  EXPECT_EQ(engine->EnableRemoteDeviceWatch(false), 0);
  EXPECT_TRUE(engine->StopWorker());
  bool listed = false;
  for (const Seen& seen : Deliver())
    listed = listed || (seen.id == "NID_REMOTE_DEVICE_LIST_CHANGE" && seen.values[0].first == 2);
  EXPECT_TRUE(listed);
}

} // namespace
