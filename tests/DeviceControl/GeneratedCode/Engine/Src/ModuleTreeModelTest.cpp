#include "DeviceControl/GeneratedCode/Engine/Inc/Arpeggiator.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/Device.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/Keybed.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/RootModule.h"

#include "DeviceControl/GeneratedCode/Engine/Support/FakeClientLibrary.h"
#include "Support/VariantTestSupport.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using QZ::LArpeggiator;
using QZ::LDevice;
using QZ::LKeybed;
using QZ::LRootModule;
using QZ::MakeRCPtr;
using QZ::ParamDescriptor;
using QZ::ParamValues;
using QZ::RCPtr;
using QZ::Variant;
using QZ::test::Bytes;
using QZ::test::DataOf;
using QZ::test::FakeClientLibrary;
using QZ::test::MakeBuffer;
using QZ::test::Pack;
using QZ::test::ThrownText;

using QZ::test::Bool;
using QZ::test::Int64;

struct Change {
  std::int32_t id;
  Variant value;
  std::int32_t reason;
};

std::int32_t Record(void* userData, const QZ::IArray<QZ::ParamValue>& values, std::int32_t reason) {
  auto* changes = static_cast<std::vector<Change>*>(userData);
  for (std::uint32_t i = 0; i < values.GetCount(); ++i)
    changes->push_back({values.GetAt(i).descriptor.id, values.GetAt(i).value, reason});
  return 0;
}

const std::string kPath = "..\\DeviceControl\\GeneratedCode\\Engine\\Src\\";

TEST(LeafModules, DefaultsAreTheControllersBytes) {
  const Bytes expected[12] = {{0x00}, {0x04}, {0x0C}, {0x00}, {0x00},       {0x00},
                              {0x00}, {0x00}, {0x00}, {0x02}, {0x00, 0x70}, {0x00}};
  RCPtr<LRootModule> root = LRootModule::Create(true);
  root->SetFirstParamID(nullptr, 0, 0);
  for (std::int32_t id = 0; id < 12; ++id) {
    SCOPED_TRACE(id);
    const Variant value = root->GetParamModule(id)->GetParamValueDefault(id);
    EXPECT_EQ(value.GetType(), QZ::kVariantBuffer);
    EXPECT_EQ(DataOf(value), expected[id]);
  }
}

TEST(LeafModules, IdentifiersOutsideALeafThrowFromTheGettersAndFailTheSetter) {
  RCPtr<LRootModule> root = LRootModule::Create(true);
  root->SetFirstParamID(nullptr, 0, 0);
  RCPtr<IKeybed> keybed = root->GetDevice()->GetKeybed();
  RCPtr<IArpeggiator> arpeggiator = root->GetDevice()->GetArpeggiator();
  EXPECT_EQ(ThrownText<std::logic_error>([&] { keybed->GetParamValueDefault(3); }),
            "Logic Error : QZ::LKeybed::GetParamValueDefault : " + kPath + "Keybed : Line 247");
  EXPECT_EQ(ThrownText<std::logic_error>([&] { keybed->GetParamValueLocal(ParamDescriptor(-1)); }),
            "Logic Error : QZ::LKeybed::GetParamValueLocal : " + kPath + "Keybed : Line 106");
  EXPECT_EQ(ThrownText<std::logic_error>([&] { arpeggiator->GetParamValueDefault(12); }),
            "Logic Error : QZ::LArpeggiator::GetParamValueDefault : " + kPath + "Arpeggiator : Line 343");
  EXPECT_EQ(ThrownText<std::logic_error>([&] { arpeggiator->GetParamValueLocal(ParamDescriptor(2)); }),
            "Logic Error : QZ::LArpeggiator::GetParamValueLocal : " + kPath + "Arpeggiator : Line 136");
  EXPECT_EQ(ThrownText<std::logic_error>([&] { arpeggiator->GetParamValueDefault(2); }),
            "Logic Error : QZ::LArpeggiator::GetParamValueDefault : " + kPath + "Arpeggiator : Line 343");

  for (std::int32_t id : {3, 12, -1, -4, -128, -257}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(keybed->SetParamValueLocal(ParamDescriptor(id), MakeBuffer({1}), false), -1);
  }
  EXPECT_EQ(arpeggiator->SetParamValueLocal(ParamDescriptor(2), MakeBuffer({1}), false), -1);
  // A module-level request from the device side is accepted and sent nowhere;
  // without a device communication there is nowhere to send one.
  EXPECT_EQ(keybed->SetParamValueLocal(ParamDescriptor(-200), MakeBuffer({1}), true), 1);
  EXPECT_EQ(keybed->SetParamValueLocal(ParamDescriptor(-200), MakeBuffer({1}), false), -1);
}

TEST(LeafModules, MisplacedModulesThrowAfterStoring) {
  RCPtr<LRootModule> root = LRootModule::Create(true);
  root->SetFirstParamID(nullptr, 0, 0);
  RCPtr<IDevice> device = root->GetDevice();
  RCPtr<IArpeggiator> arpeggiator = device->GetArpeggiator();
  EXPECT_EQ(ThrownText<std::logic_error>([&] { arpeggiator->SetFirstParamID(device.Get(), 4, 0); }),
            "Logic Error : Invalid FirstParamID : QZ::LArpeggiator::SetFirstParamID : " + kPath +
                "Arpeggiator : Line 77");
  EXPECT_EQ(arpeggiator->GetFirstParamID(), 4);
  RCPtr<IKeybed> keybed = device->GetKeybed();
  EXPECT_EQ(ThrownText<std::logic_error>([&] { keybed->SetFirstParamID(device.Get(), 1, 0); }),
            "Logic Error : Invalid FirstParamID : QZ::LKeybed::SetFirstParamID : " + kPath + "Keybed : Line 77");
  // A misplaced device places its keybed first, which finds the fault first.
  EXPECT_EQ(ThrownText<std::logic_error>([&] { device->SetFirstParamID(root.Get(), 5, 0); }),
            "Logic Error : Invalid FirstParamID : QZ::LKeybed::SetFirstParamID : " + kPath + "Keybed : Line 77");
  EXPECT_EQ(device->GetFirstParamID(), 5);
  // Placed from the root, everything fits again.
  root->SetFirstParamID(nullptr, 20, 0);
  EXPECT_EQ(keybed->GetFirstParamID(), 20);
  EXPECT_EQ(arpeggiator->GetFirstParamID(), 23);
  // A device on its own is its own root.
  RCPtr<LDevice> alone = LDevice::Create();
  alone->SetFirstParamID(nullptr, 7, 0);
  EXPECT_EQ(alone->GetArpeggiator()->GetFirstParamID(), 10);
}

class RootModuleTest : public ::testing::Test {
protected:
  void Initialize(bool offline) {
    root = LRootModule::Create(offline);
    cache = MakeRCPtr<LParamCache>(12);
    ASSERT_EQ(root->Initialize(Record, &changes, cache, communication, 0), 0);
  }

  Bytes Cached(std::int32_t index) {
    Variant value;
    cache->GetValue(ParamDescriptor(index), value);
    return DataOf(value);
  }

  RCPtr<LDeviceCommunicationInterface> communication = MakeRCPtr<LDeviceCommunicationInterface>();
  RCPtr<LParamCache> cache;
  RCPtr<LRootModule> root;
  std::vector<Change> changes;
};

TEST_F(RootModuleTest, InitializeFillsTheCacheQuietlyAndBindsTheReceiver) {
  Initialize(true);
  EXPECT_TRUE(changes.empty());
  EXPECT_EQ(Cached(2), Bytes{0x0C});
  EXPECT_EQ(Cached(10), (Bytes{0x00, 0x70}));
  EXPECT_EQ(communication->GetReceiver(), static_cast<DeviceCommunicationReceiver*>(root.Get()));
  EXPECT_EQ(root->GetDeviceCommunication().Get(), communication.Get());
  EXPECT_EQ(root->GetParamCache().Get(), cache.Get());
  root = nullptr;
  EXPECT_EQ(communication->GetReceiver(), nullptr) << "a released root is no longer called";
}

TEST_F(RootModuleTest, OfflineWritesGoToTheCacheAndReportEachChange) {
  Initialize(true);
  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(4), MakeBuffer({0x01})), 0);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].id, 4);
  EXPECT_EQ(DataOf(changes[0].value), Bytes{0x01});
  EXPECT_EQ(changes[0].reason, QZ::kChangeReasonValue);
  EXPECT_EQ(Cached(4), Bytes{0x01});

  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(4), MakeBuffer({0x01})), 0) << "unchanged";
  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(5), Variant()), 0) << "an empty value is not stored";
  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(12), MakeBuffer({0x01})), -1);
  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(-1), MakeBuffer({0x01})), -1);
  EXPECT_EQ(changes.size(), 1u);

  Variant value;
  EXPECT_EQ(root->GetParamValueExternal(ParamDescriptor(4), value), 0);
  EXPECT_EQ(DataOf(value), Bytes{0x01});
  EXPECT_EQ(root->GetParamValueExternal(ParamDescriptor(-9), value), 0) << "negative reads ask the device side";
  EXPECT_STREQ(value.GetString(), "Tolvane");
  EXPECT_EQ(root->GetParamValueExternal(ParamDescriptor(-8), value), -1);
}

TEST_F(RootModuleTest, ConnectionEchoReachesTheCallbackButNotTheCache) {
  Initialize(true);
  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(-4), Int64(7)), 0);
  ASSERT_EQ(changes.size(), 1u);
  EXPECT_EQ(changes[0].id, -4);
  EXPECT_TRUE(changes[0].value.IsEqual(Pack({Int64(7), Bool(true)})));
  for (std::int32_t i = 0; i < 12; ++i)
    EXPECT_EQ(DataOf(root->GetCachedValue(ParamDescriptor(i))).size(), i == 10 ? 2u : 1u);
}

TEST_F(RootModuleTest, ReceivedValuesGoThroughTheirModulesOrStraightToTheCallback) {
  Initialize(false);
  ParamValues received;
  received.SetParamValue(ParamDescriptor(3), MakeBuffer({0x01}));
  received.SetParamValue(ParamDescriptor(-8), QZ::test::MakeText("device"));
  received.SetParamValue(ParamDescriptor(-2), Bool(true));
  received.SetParamValue(ParamDescriptor(-200), MakeBuffer({0x05}));
  root->ReceiveParamValues(received);
  ASSERT_EQ(changes.size(), 4u);
  EXPECT_EQ(changes[0].id, 3) << "through the arpeggiator into the cache";
  EXPECT_EQ(Cached(3), Bytes{0x01});
  // Sorted list order: 3, then the negative identifiers as unsigned numbers.
  std::vector<std::int32_t> ids;
  for (const Change& change : changes) {
    ids.push_back(change.id);
    EXPECT_EQ(change.reason, QZ::kChangeReasonValue);
  }
  EXPECT_EQ(ids, (std::vector<std::int32_t>{3, -200, -8, -2}));
  EXPECT_EQ(root->ReceiveDeviceMessage(1, 2, 3), QZ::E_FAIL);
}

TEST_F(RootModuleTest, OnlineWritesAreSentToTheDevice) {
  FakeClientLibrary& fake = FakeClientLibrary::Instance();
  fake.Reset();
  ASSERT_EQ(communication->Initialize(), 0);
  Initialize(true);
  EXPECT_EQ(root->ConnectDevice(QZ::test::Int32(7)), 0);
  EXPECT_FALSE(root->IsOffline());
  EXPECT_EQ(fake.Count("RequestParamRanges"), 1);
  EXPECT_EQ(fake.Log().lastId, -8) << "then the device's text";

  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(4), MakeBuffer({0x01})), 3) << "the library's result";
  EXPECT_EQ(fake.Count("SetParamValue"), 1);
  EXPECT_EQ(Cached(4), Bytes{0x01});
  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(12), MakeBuffer({0x01})), QZ::E_FAIL);
  Variant value;
  EXPECT_EQ(root->GetParamValueExternal(ParamDescriptor(4), value), 0);
  EXPECT_EQ(DataOf(value), Bytes{0x01});
  EXPECT_EQ(root->GetParamValueExternal(ParamDescriptor(12), value), QZ::E_FAIL);

  // A module-level request set on a leaf goes to the device communication.
  EXPECT_EQ(root->GetDevice()->GetKeybed()->SetParamValueLocal(ParamDescriptor(-150), MakeBuffer({1}), false), 1);
  EXPECT_EQ(fake.Count("SetParamValue"), 2);

  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.connectResult = -6; });
  EXPECT_EQ(root->ConnectDevice(QZ::test::Int32(8)), -6);
  EXPECT_TRUE(root->IsOffline());
  EXPECT_EQ(fake.Count("RequestParamRanges"), 1) << "a failed connect requests nothing";
  EXPECT_EQ(root->Shutdown(), 0);
}

} // namespace
