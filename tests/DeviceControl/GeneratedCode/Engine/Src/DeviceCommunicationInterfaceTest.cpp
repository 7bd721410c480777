#include "DeviceControl/GeneratedCode/Engine/Inc/DeviceCommunicationInterface.h"

#include "DeviceControl/GeneratedCode/Engine/Support/FakeClientLibrary.h"
#include "Platform/Registry/Registry.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using QZ::Array;
using QZ::MakeRCPtr;
using QZ::ParamDescriptor;
using QZ::ParamDescriptors;
using QZ::ParamRanges;
using QZ::ParamValues;
using QZ::RCPtr;
using QZ::Variant;
using QZ::test::FakeClientLibrary;
using QZ::test::Int32;
using QZ::test::MakeText;
using QZ::test::Pack;

constexpr auto kPatience = std::chrono::seconds(10);

using QZ::test::Bool;
using QZ::test::Int64;

ParamValues Report(std::int32_t id, std::int32_t value) {
  ParamValues values;
  values.SetSingleValue(ParamDescriptor(id), Int32(value));
  return values;
}

std::int32_t IdOf(const ParamValues& values, Variant* value = nullptr) {
  Variant v;
  std::int32_t id = 0;
  Variant detail;
  EXPECT_GE(values.GetParamValue(0, v, id, detail), 0);
  if (value)
    value->Assign(v);
  return id;
}

// Records what arrives; can hold the delivering thread inside a delivery.
class Receiver : public DeviceCommunicationReceiver {
public:
  void ReceiveParamValues(const ParamValues& values) override {
    std::unique_lock<std::mutex> lock(mLock);
    mReceived.push_back(values);
    mThreads.push_back(std::this_thread::get_id());
    mChanged.notify_all();
    mChanged.wait(lock, [&] { return !mHold; });
  }
  QZ::QZRESULT ReceiveDeviceMessage(std::int32_t, std::int32_t, std::int32_t) override { return QZ::E_FAIL; }

  bool WaitFor(std::size_t count) {
    std::unique_lock<std::mutex> lock(mLock);
    return mChanged.wait_for(lock, kPatience, [&] { return mReceived.size() >= count; });
  }
  void Hold(bool hold) {
    std::lock_guard<std::mutex> lock(mLock);
    mHold = hold;
    mChanged.notify_all();
  }
  std::vector<ParamValues> Received() {
    std::lock_guard<std::mutex> lock(mLock);
    return mReceived;
  }
  std::vector<std::thread::id> Threads() {
    std::lock_guard<std::mutex> lock(mLock);
    return mThreads;
  }

private:
  std::mutex mLock;
  std::condition_variable mChanged;
  std::vector<ParamValues> mReceived;
  std::vector<std::thread::id> mThreads;
  bool mHold = false;
};

// The library's report, from a thread of its own.
void ReportFromLibraryThread(LDeviceCommunicationInterface& communication, const ParamValues& values) {
  std::thread library([&] { LDeviceCommunicationInterface::ReceiveFromLibrary(&communication, 0, &values); });
  library.join();
}

class DeviceCommunication : public ::testing::Test {
protected:
  void Bind() {
    communication->SetReceiver(&receiver);
    communication->SetDeliveryEnabled(true);
    communication->Activate();
  }

  Receiver receiver;
  RCPtr<LDeviceCommunicationInterface> communication = MakeRCPtr<LDeviceCommunicationInterface>();
};

TEST_F(DeviceCommunication, WithoutTheLibraryAFewIdentifiersAreAnsweredHere) {
  struct Case {
    std::int32_t id;
    std::int32_t result;
    Variant value;
  };
  const Case cases[] = {
      {-2, 0, Bool(true)},        {-9, 0, MakeText("Tolvane")}, {-10, 0, MakeText("Pellan Vorn Editor")},
      {-8, -1, Variant()},        {-4, QZ::E_FAIL, Variant()},  {-1, QZ::E_FAIL, Variant()},
      {5, QZ::E_FAIL, Variant()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Variant value;
    EXPECT_EQ(communication->GetParamValue(ParamDescriptor(c.id), value), c.result);
    EXPECT_EQ(value.GetType(), c.value.GetType());
    EXPECT_TRUE(value.IsEqual(c.value));
  }
  EXPECT_EQ(communication->GetInterfaceKind(), 1);
  EXPECT_TRUE(communication->IsAvailable());
  std::int32_t index = 9;
  EXPECT_EQ(communication->GetNameIndex(index), 0);
  EXPECT_EQ(index, 0);
}

TEST_F(DeviceCommunication, ConnectionEchoComesBackAtOnceOnTheCallersThread) {
  EXPECT_EQ(communication->SetParamValue(ParamDescriptor(-4), Int64(7)), QZ::E_FAIL) << "no receiver yet";
  EXPECT_FALSE(communication->ReportConnectionState(7));
  Bind();
  EXPECT_EQ(communication->SetParamValue(ParamDescriptor(-4), Int64(7)), 0);
  const auto received = receiver.Received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].GetArrayCount(), 1u);
  Variant value;
  EXPECT_EQ(IdOf(received[0], &value), -4);
  EXPECT_TRUE(value.IsEqual(Pack({Int64(7), Bool(true)})));
  EXPECT_EQ(receiver.Threads()[0], std::this_thread::get_id());

  // Any number is taken as its 64-bit value.
  EXPECT_EQ(communication->SetParamValue(ParamDescriptor(-4), Int32(-3)), 0);
  IdOf(receiver.Received()[1], &value);
  EXPECT_TRUE(value.IsEqual(Pack({Int64(-3), Bool(true)})));
}

TEST_F(DeviceCommunication, WithoutTheLibraryEverythingElseFails) {
  Bind();
  for (std::int32_t id : {-8, 3, -2, -9, -10, -200}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(communication->SetParamValue(ParamDescriptor(id), Int32(1)), id == -8 ? -1 : QZ::E_FAIL);
  }
  Array<SGuid> filter;
  filter.SetSize(1);
  Array<Variant> devices;
  devices.AddItem(Int32(1));
  EXPECT_EQ(communication->FindRemoteDevices(filter, devices, 0, 0, 1, 1, 0, 0), -1);
  EXPECT_EQ(devices.GetCount(), 1u) << "left as it was";
  EXPECT_EQ(communication->FindRemoteDevicesOnce(filter, devices), -1);
  EXPECT_EQ(communication->FindDevices(filter, devices), -1);
  EXPECT_EQ(devices.GetCount(), 0u) << "emptied";

  Variant out;
  std::uint8_t info[kDeviceInfoSize] = {};
  EXPECT_EQ(communication->ConnectDevice(Int32(1)), -1);
  EXPECT_EQ(communication->RequestParamRanges(ParamRanges()), -1);
  EXPECT_EQ(communication->RequestParamValues(ParamDescriptors()), -1);
  EXPECT_EQ(communication->RequestParamValuesFor(ParamDescriptor(-8)), -1);
  EXPECT_EQ(communication->GetParamRanges(0, 0), -1);
  EXPECT_EQ(communication->GetParamValues(0, 0), -1);
  EXPECT_EQ(communication->SetParamValues(ParamValues()), -1);
  EXPECT_FALSE(communication->IsDeviceConnected(1, 500));
  EXPECT_EQ(communication->GetConnectedDevice(out), -1);
  EXPECT_EQ(communication->DisconnectDevice(), -1);
  EXPECT_EQ(communication->GetDeviceInfo(Int32(1), info), -1);
  EXPECT_EQ(communication->GetLibraryValue(out), -1);
  EXPECT_EQ(communication->SetLibraryValue(Int32(1)), -1);
  EXPECT_EQ(communication->ReservedOperation(), QZ::E_FAIL);
  communication->WaitForClientCalls();
  EXPECT_TRUE(receiver.Received().empty());
}

TEST_F(DeviceCommunication, ReportsAreDeliveredInOrderOnTheWorkerThread) {
  Bind();
  for (std::int32_t i = 0; i < 5; ++i)
    ReportFromLibraryThread(*communication, Report(i, 100 + i));
  ASSERT_TRUE(receiver.WaitFor(5));
  const auto received = receiver.Received();
  for (std::int32_t i = 0; i < 5; ++i) {
    Variant value;
    EXPECT_EQ(IdOf(received[static_cast<std::size_t>(i)], &value), i);
    EXPECT_EQ(value.GetInt32(), 100 + i);
  }
  for (std::thread::id thread : receiver.Threads())
    EXPECT_NE(thread, std::this_thread::get_id());
  EXPECT_EQ(communication->GetQueuedReportCount(), 0u);
  // Not a report: ignored.
  LDeviceCommunicationInterface::ReceiveFromLibrary(communication.Get(), 0, nullptr);
  LDeviceCommunicationInterface::ReceiveFromLibrary(nullptr, 0, &received[0]);
}

TEST_F(DeviceCommunication, ReportsWaitWhileDeliveryIsOffAndTheQueueNeverDropsOne) {
  Bind();
  communication->SetDeliveryEnabled(false);
  for (std::int32_t i = 0; i < 300; ++i) {
    const ParamValues report = Report(i, i);
    LDeviceCommunicationInterface::ReceiveFromLibrary(communication.Get(), 0, &report);
  }
  EXPECT_EQ(communication->GetQueuedReportCount(), 300u) << "room for 256 at first, then one more each time";
  EXPECT_TRUE(receiver.Received().empty());

  communication->SetDeliveryEnabled(true);
  ReportFromLibraryThread(*communication, Report(300, 300)); // the next report starts the delivery
  ASSERT_TRUE(receiver.WaitFor(301));
  const auto received = receiver.Received();
  for (std::size_t i = 0; i < received.size(); ++i)
    ASSERT_EQ(IdOf(received[i]), static_cast<std::int32_t>(i));
}

TEST_F(DeviceCommunication, DisablingDeliveryWaitsForARunningDelivery) {
  Bind();
  receiver.Hold(true);
  ReportFromLibraryThread(*communication, Report(1, 1));
  ASSERT_TRUE(receiver.WaitFor(1)); // the worker is now inside the receiver

  std::atomic<bool> disabled{false};
  std::thread disabler([&] {
    communication->SetDeliveryEnabled(false);
    disabled.store(true);
  });
  // Long enough for a barrier that does not wait to have returned.
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(disabled.load());
  receiver.Hold(false);
  disabler.join();
  EXPECT_TRUE(disabled.load());

  // Reports arriving now stay queued.
  ReportFromLibraryThread(*communication, Report(2, 2));
  ReportFromLibraryThread(*communication, Report(3, 3));
  EXPECT_EQ(communication->GetQueuedReportCount(), 2u);
  EXPECT_EQ(receiver.Received().size(), 1u);
}

TEST_F(DeviceCommunication, TheWorkerHoldsAnInnerReferenceGivenBackWithTheLast) {
  EXPECT_EQ(communication->GetRefCount(), 2);
  EXPECT_EQ(communication->GetInnerRefCount(), 1);
  Bind();
  // Dropping the last outside reference stops the worker and frees the object
  // (the leak checker reports anything left behind).
  communication = nullptr;
}

class DeviceCommunicationWithLibrary : public DeviceCommunication {
protected:
  void SetUp() override {
    FakeClientLibrary::Instance().Reset();
    ASSERT_EQ(communication->Initialize(), 0);
    communication->SetRetrySleep([](std::uint32_t ms) { sSlept.push_back(ms); });
    sSlept.clear();
  }

  static inline std::vector<std::uint32_t> sSlept;
  FakeClientLibrary& fake = FakeClientLibrary::Instance();
};

TEST_F(DeviceCommunicationWithLibrary, InitializeLoadsTheLibraryBesideTheProgramOnce) {
  EXPECT_EQ(communication->Initialize(), 1);
  EXPECT_EQ(communication->ConnectDevice(Int32(7)), 0);
  EXPECT_EQ(fake.Count("ConnectDevice"), 1);
}

TEST_F(DeviceCommunicationWithLibrary, RegistryValuesOnTheDriversKeyItselfAreNotUsed) {
  QZ::Platform::MemoryRegistry registry;
  QZ::Platform::ScopedRegistryBackend installed(registry);
  const std::string partial = FakeClientLibrary::PartialPath();
  const std::string folder = partial.substr(0, partial.find_last_of('/'));
  const std::string file = partial.substr(partial.find_last_of('/') + 1);
  const std::u16string key = u"Software\\Brindlecrest\\Audio\\Drivers";
  const std::uint32_t machine = QZ::Platform::kRegistryLocalMachine;
  registry.SetString(machine, key, u"SoftwarePath", std::u16string(folder.begin(), folder.end()));
  registry.SetString(machine, key, u"DeviceInterfaceLib", std::u16string(file.begin(), file.end()));

  RCPtr<LDeviceCommunicationInterface> other = MakeRCPtr<LDeviceCommunicationInterface>();
  ASSERT_EQ(other->Initialize(), 0);
  EXPECT_EQ(other->RequestParamRanges(ParamRanges()), 3) << "the full library, not the partial one";
}

TEST_F(DeviceCommunicationWithLibrary, ConnectedDeviceReportsFlowThroughTheQueue) {
  Bind();
  EXPECT_EQ(communication->ConnectDevice(Int32(7)), 0);
  const auto log = fake.Log();
  EXPECT_EQ(log.lastDevice.GetInt32(), 7);
  ASSERT_NE(log.callback, nullptr);
  EXPECT_EQ(log.context, static_cast<void*>(communication.Get()));

  const ParamValues report = Report(4, 44);
  std::thread library([&] { log.callback(log.context, 12, &report); });
  library.join();
  ASSERT_TRUE(receiver.WaitFor(1));
  EXPECT_EQ(IdOf(receiver.Received()[0]), 4);

  Variant device;
  EXPECT_EQ(communication->GetConnectedDevice(device), 0);
  EXPECT_EQ(device.GetInt32(), 7);
  EXPECT_EQ(fake.Log().lastArgs[1], 500);
  EXPECT_EQ(communication->DisconnectDevice(), 0);
  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.connected = 1; });
  device.Clear();
  EXPECT_EQ(communication->GetConnectedDevice(device), kDeviceNotConnected);
  EXPECT_EQ(device.GetInt32(), 7) << "the identifier stays after a disconnect";

  std::uint8_t info[kDeviceInfoSize] = {};
  EXPECT_EQ(communication->GetDeviceInfo(Int32(9), info), 0);
  EXPECT_EQ(info[kDeviceInfoFlagOffset], 1);
  EXPECT_EQ(fake.Log().lastDevice.GetInt32(), 9);
  EXPECT_EQ(fake.Log().lastArgs[0], 0);
}

TEST_F(DeviceCommunicationWithLibrary, WithTheLibraryIdentifiersGoToItButTheEcho) {
  Bind();
  communication->ConnectDevice(Int32(7));
  for (std::int32_t id : {-2, -8, -9, -10, 3}) {
    SCOPED_TRACE(id);
    Variant value;
    EXPECT_EQ(communication->GetParamValue(ParamDescriptor(id), value), 5);
    EXPECT_EQ(fake.Log().lastId, id);
    EXPECT_EQ(communication->SetParamValue(ParamDescriptor(id), Int32(1)), 3);
  }
  EXPECT_EQ(communication->SetParamValue(ParamDescriptor(-4), Int64(1)), 0);
  EXPECT_EQ(fake.Count("SetParamValue"), 5);
  EXPECT_EQ(receiver.Received().size(), 1u);
  Variant value;
  EXPECT_EQ(communication->GetLibraryValue(value), 5);
  EXPECT_EQ(fake.Log().lastId, -8);
  EXPECT_EQ(communication->RequestParamValuesFor(ParamDescriptor(6)), 3);
  EXPECT_EQ(fake.Log().lastDescriptorCount, 1u);
  EXPECT_EQ(fake.Log().lastDevice.GetInt32(), 7);
}

TEST_F(DeviceCommunicationWithLibrary, FindingDevices) {
  Array<SGuid> filter;
  filter.SetSize(2);
  Array<Variant> devices;
  devices.AddItem(Int32(99));
  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.found = Pack({Int32(1), MakeText("two")}); });
  EXPECT_EQ(communication->FindDevices(filter, devices), 0);
  ASSERT_EQ(devices.GetCount(), 2u);
  EXPECT_EQ(devices.GetAt(0).GetInt32(), 1);
  EXPECT_STREQ(devices.GetAt(1).GetString(), "two");
  EXPECT_EQ(fake.Log().lastFilterCount, 2u);

  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.findResult = -5; });
  EXPECT_EQ(communication->FindDevices(filter, devices), QZ::E_FAIL);
  EXPECT_EQ(devices.GetCount(), 0u);
  EXPECT_EQ(communication->FindRemoteDevices(filter, devices, 1000, 0, 1, 1, 0, 0), QZ::E_FAIL);
  EXPECT_EQ(communication->FindRemoteDevicesOnce(filter, devices), -5) << "passed through as the library gave it";
}

TEST_F(DeviceCommunicationWithLibrary, RemoteDevicesArePolledUntilTheListChangesOrTimeRunsOut) {
  Array<SGuid> filter;
  Array<Variant> devices;
  devices.AddItem(Int32(1));
  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.found = Pack({Int32(1)}); });

  EXPECT_EQ(communication->FindRemoteDevices(filter, devices, 0, 0, 1, 1, 0, 0), 1);
  EXPECT_EQ(fake.Count("FindRemoteDevices"), 1);
  EXPECT_TRUE(sSlept.empty());

  EXPECT_EQ(communication->FindRemoteDevices(filter, devices, 1000, 0, 1, 1, 0, 0), 1);
  EXPECT_EQ(fake.Count("FindRemoteDevices"), 6) << "five tries";
  EXPECT_EQ(sSlept, (std::vector<std::uint32_t>{250, 250, 250, 250}));
  const auto options = fake.Log().remoteOptions;
  EXPECT_EQ(options.back(), (std::array<std::int32_t, 6>{0, 0, 1, 1, 0, 0})) << "the first option is always 0";

  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.found = Pack({Int32(1), Int32(2)}); });
  EXPECT_EQ(communication->FindRemoteDevices(filter, devices, 1000, 0, 1, 1, 0, 0), 0);
  EXPECT_EQ(devices.GetCount(), 2u);

  // Once: its own options; a result that is no list empties the list.
  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) {
    s.found.Clear();
    s.findResult = 2;
  });
  EXPECT_EQ(communication->FindRemoteDevicesOnce(filter, devices), 2);
  EXPECT_EQ(devices.GetCount(), 0u);
  EXPECT_EQ(fake.Log().remoteOptions.back(), (std::array<std::int32_t, 6>{1, 0, 1, 1, 0, 0}));
}

TEST_F(DeviceCommunicationWithLibrary, ReleasingTheLastReferenceDisconnectsAndReleasesTheLibrary) {
  Bind();
  communication->ConnectDevice(Int32(7));
  const std::int32_t othersAlive = DeviceControlClientInterface::GetLiveInstanceCount() - 1;
  communication = nullptr;
  EXPECT_EQ(fake.Count("DisconnectDevice"), 1);
  EXPECT_EQ(fake.Log().lastDevice.GetInt32(), 7);
  EXPECT_EQ(fake.Log().releaseAllCalls, othersAlive == 0 ? 1 : 0);
}

} // namespace
