#include "DeviceControl/GeneratedCode/Engine/Inc/DeviceControlClientInterface.h"

#include "DeviceControl/GeneratedCode/Engine/Support/FakeClientLibrary.h"
#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace {

using QZ::ParamDescriptor;
using QZ::ParamDescriptors;
using QZ::ParamRanges;
using QZ::ParamValues;
using QZ::Variant;
using QZ::WideString;
using QZ::test::FakeClientLibrary;
using QZ::test::Int32;

WideString Wide(const std::string& utf8) { return WideString(utf8.c_str()); }

// Every wrapper of an interface, with its result.
struct Results {
  std::int32_t find, remote, connect, ranges, values, valuesFor, getRanges, getValues, getValue, setValue,
      setValues, disconnect, info;
  bool connected;
};

Results CallEverything(DeviceControlClientInterface& client) {
  const Variant device = Int32(7);
  Variant out;
  std::uint8_t info[kDeviceInfoSize] = {};
  Results r{};
  r.find = client.FindDevices(nullptr, 0, &out);
  r.remote = client.FindRemoteDevices(nullptr, 0, &out, 0, 0, 1, 1, 0, 0);
  r.connect = client.ConnectDevice(&device, nullptr, nullptr);
  r.ranges = client.RequestParamRanges(&device, ParamRanges());
  r.values = client.RequestParamValues(&device, ParamDescriptors());
  r.valuesFor = client.RequestParamValuesFor(&device, ParamDescriptor(-8));
  r.getRanges = client.GetParamRanges(&device, 1, 2);
  r.getValues = client.GetParamValues(&device, 1, 2);
  r.getValue = client.GetParamValue(&device, ParamDescriptor(-8), &out);
  r.setValue = client.SetParamValue(&device, ParamDescriptor(-8), Int32(1));
  r.setValues = client.SetParamValues(&device, ParamValues());
  r.connected = client.IsDeviceConnected(&device, 1, 500);
  r.disconnect = client.DisconnectDevice(&device);
  r.info = client.GetDeviceInfo(&device, info, 0);
  return r;
}

class ClientInterface : public ::testing::Test {
protected:
  void SetUp() override { FakeClientLibrary::Instance().Reset(); }
};

TEST_F(ClientInterface, WithoutTheLibraryEveryCallAnswersMinusOne) {
  const WideString missing(u"/nonexistent/DeviceControlClient.dll");
  DeviceControlClientInterface client(&missing);
  EXPECT_FALSE(client.IsLoaded());
  const Results r = CallEverything(client);
  for (std::int32_t result : {r.find, r.remote, r.connect, r.ranges, r.values, r.valuesFor, r.getRanges,
                              r.getValues, r.getValue, r.setValue, r.setValues, r.disconnect, r.info})
    EXPECT_EQ(result, kDeviceControlNoLibrary);
  EXPECT_FALSE(r.connected);
  EXPECT_TRUE(FakeClientLibrary::Instance().Log().calls.empty());
}

TEST_F(ClientInterface, WithoutAPathTheLibraryBesideTheProgramLoads) {
  const WideString empty;
  for (const WideString* path : {static_cast<const WideString*>(nullptr), &empty}) {
    DeviceControlClientInterface client(path);
    EXPECT_TRUE(client.IsLoaded());
    const Variant device = Int32(7);
    EXPECT_EQ(client.ConnectDevice(&device, nullptr, nullptr), 0);
  }
  EXPECT_EQ(FakeClientLibrary::Instance().Count("ConnectDevice"), 2);
}

TEST_F(ClientInterface, CallsReachTheLibraryWithTheirArgumentsAndResults) {
  const WideString path = Wide(FakeClientLibrary::DefaultPath());
  DeviceControlClientInterface client(&path);
  ASSERT_TRUE(client.IsLoaded());
  const Results r = CallEverything(client);
  EXPECT_EQ(r.find, 0);
  EXPECT_EQ(r.connect, 0);
  EXPECT_EQ(r.ranges, 3);
  EXPECT_EQ(r.getValue, 5);
  EXPECT_EQ(r.info, 0);
  EXPECT_TRUE(r.connected) << "the library's 0 means connected";

  auto& fake = FakeClientLibrary::Instance();
  const auto log = fake.Log();
  EXPECT_EQ(log.calls.size(), 14u);
  EXPECT_EQ(log.lastDevice.GetInt32(), 7);
  EXPECT_EQ(fake.Count("RequestParamValues"), 2) << "RequestParamValuesFor goes through the same function";

  const Variant device = Int32(7);
  client.RequestParamValuesFor(&device, ParamDescriptor(-8));
  EXPECT_EQ(fake.Log().lastDescriptorCount, 1u);
  EXPECT_EQ(fake.Log().lastId, -8);

  fake.ChangeScript([](QZ::test::FakeLibraryScript& s) { s.connected = 1; });
  EXPECT_FALSE(client.IsDeviceConnected(&device, 1, 500));
  EXPECT_EQ(fake.Log().lastArgs[0], 1);
  EXPECT_EQ(fake.Log().lastArgs[1], 500);
}

TEST_F(ClientInterface, MissingFunctionsAnswerMinusOne) {
  const WideString path = Wide(FakeClientLibrary::PartialPath());
  DeviceControlClientInterface client(&path);
  ASSERT_TRUE(client.IsLoaded());
  const Results r = CallEverything(client);
  EXPECT_EQ(r.connect, 0);
  for (std::int32_t result : {r.find, r.remote, r.ranges, r.values, r.valuesFor, r.getRanges, r.getValues,
                              r.getValue, r.setValue, r.setValues, r.disconnect, r.info})
    EXPECT_EQ(result, kDeviceControlNoLibrary);
  EXPECT_FALSE(r.connected);
}

TEST_F(ClientInterface, TheLastLiveInstanceReleasesTheLibrary) {
  auto& fake = FakeClientLibrary::Instance();
  const std::int32_t before = DeviceControlClientInterface::GetLiveInstanceCount();
  auto first = std::make_unique<DeviceControlClientInterface>();
  {
    const WideString missing(u"/nonexistent/library");
    DeviceControlClientInterface unloaded(&missing);
    EXPECT_EQ(DeviceControlClientInterface::GetLiveInstanceCount(), before + 2);
  }
  auto second = std::make_unique<DeviceControlClientInterface>();
  EXPECT_EQ(DeviceControlClientInterface::GetLiveInstanceCount(), before + 2);
  first.reset();
  EXPECT_EQ(fake.Log().releaseAllCalls, 0);
  second.reset();
  EXPECT_EQ(DeviceControlClientInterface::GetLiveInstanceCount(), before);
  EXPECT_EQ(fake.Log().releaseAllCalls, before == 0 ? 1 : 0);
}

} // namespace
