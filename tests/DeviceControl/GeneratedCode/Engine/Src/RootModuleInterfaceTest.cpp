#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleInterface.h"

#include "Support/VariantTestSupport.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using QZ::MakeRCPtr;
using QZ::ParamDescriptor;
using QZ::RCPtr;
using QZ::Variant;
using QZ::test::Int32;
using QZ::test::ThrownText;

std::vector<std::string>* sEvents = nullptr;

void Note(const std::string& event) {
  if (sEvents)
    sEvents->push_back(event);
}

class TestKeybed : public IKeybed {
public:
  TestKeybed() : IKeybed(3) {}
  void OnDeviceReady() override { Note("keybed ready"); }
  void OnDeviceEvent() override { Note("keybed event"); }
};

class TestArpeggiator : public IArpeggiator {
public:
  TestArpeggiator() : IArpeggiator(9) {}
  void OnDeviceReady() override { Note("arpeggiator ready"); }
  void OnDeviceEvent() override { Note("arpeggiator event"); }
};

class TestDevice : public IDevice {
public:
  RCPtr<IKeybed> GetKeybed() override { return keybed; }
  RCPtr<IArpeggiator> GetArpeggiator() override { return arpeggiator; }

  RCPtr<IKeybed> keybed = MakeRCPtr<TestKeybed>();
  RCPtr<IArpeggiator> arpeggiator = MakeRCPtr<TestArpeggiator>();
};

// Stands for the root's own implementation of the operations the tree passes up.
class TestRoot : public IRootModule {
public:
  struct Write {
    std::int32_t id;
    bool fromDevice;
  };

  std::int32_t OnParamValueChanged(const ParamDescriptor&, const Variant&, std::int32_t) override { return 0; }
  RCPtr<IDevice> GetDevice() override { return device; }
  std::int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant&, bool fromDevice) override {
    writes.push_back({descriptor.id, fromDevice});
    return 7;
  }
  Variant GetParamValue(const ParamDescriptor& descriptor) const override { return Int32(1000 + descriptor.id); }
  std::int32_t UpdateCachedValue(const ParamDescriptor& descriptor, const Variant&) override {
    cacheWrites.push_back(descriptor.id);
    return descriptor.id < 12 ? 0 : -1;
  }
  Variant GetCachedValue(const ParamDescriptor& descriptor) const override { return Int32(2000 + descriptor.id); }
  void RelayToRoot(std::uint32_t a, std::uint32_t, std::uint32_t, std::uint32_t d) override {
    relayed.push_back(a + d);
  }
  using IRootModule::SetOffline;
  using LParameterizedModule::RelayToRoot;

  RCPtr<TestDevice> device = MakeRCPtr<TestDevice>();
  std::vector<Write> writes;
  std::vector<std::int32_t> cacheWrites;
  std::vector<std::uint32_t> relayed;
};

class ModuleTree : public ::testing::Test {
protected:
  void Place(std::int32_t first) { root->SetFirstParamID(nullptr, first, 0); }

  LParameterizedModule* Keybed() const { return root->device->keybed.Get(); }
  LParameterizedModule* Arpeggiator() const { return root->device->arpeggiator.Get(); }

  RCPtr<TestRoot> root = MakeRCPtr<TestRoot>();
};

TEST_F(ModuleTree, PlacingTheRootPlacesEveryModule) {
  Place(100);
  EXPECT_EQ(root->GetParent(), nullptr);
  EXPECT_EQ(root->device->GetParent(), root.Get());
  EXPECT_EQ(root->device->GetFirstParamID(), 100);
  EXPECT_EQ(Keybed()->GetParent(), root->device.Get());
  EXPECT_EQ(Keybed()->GetFirstParamID(), 100);
  EXPECT_EQ(Arpeggiator()->GetParent(), root->device.Get());
  EXPECT_EQ(Arpeggiator()->GetFirstParamID(), 103);
  EXPECT_EQ(root->GetDeviceAsModule().Get(), root->device.Get());
  EXPECT_EQ(root->device->GetKeybedAsModule().Get(), Keybed());
  EXPECT_EQ(root->device->GetArpeggiatorAsModule().Get(), Arpeggiator());
}

TEST_F(ModuleTree, IdentifiersRouteByRangeFromTheFirstIdentifier) {
  for (std::int32_t first : {0, 100, -5}) {
    Place(first);
    struct Case {
      std::int32_t offset;
      LParameterizedModule* owner;
    };
    const Case cases[] = {
        {-1, nullptr},       {0, Keybed()}, {2, Keybed()}, {3, Arpeggiator()},
        {11, Arpeggiator()}, {12, nullptr}, {99, nullptr}, {-1000, nullptr},
    };
    for (const Case& c : cases) {
      const std::int32_t id = first + c.offset;
      SCOPED_TRACE("first " + std::to_string(first) + ", id " + std::to_string(id));
      EXPECT_EQ(root->device->GetParamModule(id).Get(), c.owner);
      EXPECT_EQ(root->GetParamModule(id).Get(), c.owner);
      EXPECT_EQ(root->FindParamModule(id).Get(), c.owner);
    }
  }
  // A leaf answers itself for anything.
  EXPECT_EQ(Keybed()->GetParamModule(99).Get(), Keybed());
  EXPECT_EQ(Arpeggiator()->FindParamModule(-1).Get(), Arpeggiator());
}

TEST_F(ModuleTree, MissingModulesRouteToNothing) {
  Place(0);
  root->device->keybed = nullptr;
  EXPECT_TRUE(root->GetParamModule(1).IsNull());
  EXPECT_EQ(root->GetParamModule(3).Get(), Arpeggiator());
  root->device->arpeggiator = nullptr;
  EXPECT_TRUE(root->GetParamModule(3).IsNull());
  root->device = nullptr;
  EXPECT_TRUE(root->GetParamModule(0).IsNull());
  EXPECT_TRUE(root->GetDeviceAsModule().IsNull());
  root->SetFirstParamID(nullptr, 0, 0); // nothing to place
  root->OnDeviceReady();
}

TEST_F(ModuleTree, ModulesWithoutParametersPassOnlyModuleLevelRequests) {
  Place(0);
  const std::string setText =
      "Logic Error : LParameterizedModule::SetParamValueLocal : DeviceControl\\GeneratedCode\\Engine\\Inc\\"
      "RootModuleInterface : Line 109";
  const std::string getText =
      "Logic Error : LParameterizedModule::GetParamValueLocal : DeviceControl\\GeneratedCode\\Engine\\Inc\\"
      "RootModuleInterface : Line 123";
  for (std::int32_t id : {5, 0, -1, -4, -128, -257, 300}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(ThrownText<std::logic_error>(
                  [&] { root->device->SetParamValueLocal(ParamDescriptor(id), Int32(1), false); }),
              setText);
    EXPECT_EQ(ThrownText<std::logic_error>([&] { root->device->GetParamValueLocal(ParamDescriptor(id)); }),
              getText);
    EXPECT_EQ(ThrownText<std::logic_error>([&] { root->SetParamValueLocal(ParamDescriptor(id), Int32(1), true); }),
              setText);
  }
  EXPECT_TRUE(root->writes.empty());

  for (std::int32_t id : {-256, -200, -129}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(root->device->SetParamValueLocal(ParamDescriptor(id), Int32(1), true), 7);
    ASSERT_FALSE(root->writes.empty());
    EXPECT_EQ(root->writes.back().id, id);
    EXPECT_TRUE(root->writes.back().fromDevice);
    EXPECT_EQ(root->device->GetParamValueLocal(ParamDescriptor(id)).GetInt32(), 1000 + id);
    // At the top there is no one to pass to.
    EXPECT_EQ(root->SetParamValueLocal(ParamDescriptor(id), Int32(1), false), -1);
    EXPECT_TRUE(root->GetParamValueLocal(ParamDescriptor(id)).IsEmpty());
  }
}

TEST_F(ModuleTree, ModulesWithParametersPassEverythingUp) {
  Place(0);
  EXPECT_EQ(Keybed()->SetParamValueLocal(ParamDescriptor(5), Int32(1), false), 7);
  EXPECT_EQ(root->writes.back().id, 5);
  EXPECT_FALSE(root->writes.back().fromDevice);
  EXPECT_EQ(Arpeggiator()->GetParamValueLocal(ParamDescriptor(-9)).GetInt32(), 991);
  EXPECT_EQ(Keybed()->UpdateCachedValue(ParamDescriptor(2), Int32(1)), 0);
  EXPECT_EQ(root->cacheWrites, std::vector<std::int32_t>{2});
  EXPECT_EQ(Arpeggiator()->GetCachedValue(ParamDescriptor(4)).GetInt32(), 2004);
  Keybed()->RelayToRoot(1, 2, 3, 4);
  Arpeggiator()->RelayToRoot(10u, 0u, 0u, 5u);
  EXPECT_EQ(root->relayed, (std::vector<std::uint32_t>{5, 15}));

  // Without a parent.
  RCPtr<TestKeybed> alone = MakeRCPtr<TestKeybed>();
  EXPECT_EQ(alone->SetParamValueLocal(ParamDescriptor(1), Int32(1), false), -1);
  EXPECT_TRUE(alone->GetParamValueLocal(ParamDescriptor(1)).IsEmpty());
  EXPECT_EQ(alone->SetParamValue(ParamDescriptor(1), Int32(1), false), -1);
  EXPECT_TRUE(alone->GetParamValue(ParamDescriptor(1)).IsEmpty());
  EXPECT_EQ(alone->UpdateCachedValue(ParamDescriptor(1), Int32(1)), QZ::E_FAIL);
  EXPECT_TRUE(alone->GetCachedValue(ParamDescriptor(1)).IsEmpty());
  EXPECT_TRUE(alone->GetParamValueDefault(1).IsEmpty());
  EXPECT_EQ(alone->QueryParam(0), 1);
  EXPECT_EQ(alone->QueryParam(-77), 1);
  alone->RelayToRoot(1, 2, 3, 4);
}

TEST_F(ModuleTree, ExternalWritesAndReadsOnlineGoThroughTheOwningModule) {
  Place(0);
  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(4), Int32(1)), 7);
  ASSERT_EQ(root->writes.size(), 1u);
  EXPECT_EQ(root->writes[0].id, 4);
  EXPECT_FALSE(root->writes[0].fromDevice);
  for (std::int32_t id : {12, -1, -4, -200}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(id), Int32(1)), QZ::E_FAIL);
  }
  EXPECT_EQ(root->writes.size(), 1u);
  EXPECT_TRUE(root->FindRequestModule(ParamDescriptor(-200)).IsNull());

  Variant value = Int32(5);
  EXPECT_EQ(root->GetParamValueExternal(ParamDescriptor(2), value), QZ::S_OK);
  EXPECT_EQ(value.GetInt32(), 1002);
  EXPECT_EQ(root->GetParamValueExternal(ParamDescriptor(12), value), QZ::E_FAIL);
  EXPECT_TRUE(value.IsEmpty());
  EXPECT_TRUE(root->cacheWrites.empty());
}

TEST_F(ModuleTree, ExternalWritesAndReadsOfflineUseTheCache) {
  Place(0);
  root->SetOffline(true);
  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(4), Int32(1)), 0);
  EXPECT_EQ(root->SetParamValueExternal(ParamDescriptor(12), Int32(1)), -1);
  EXPECT_EQ(root->cacheWrites, (std::vector<std::int32_t>{4, 12}));
  Variant value;
  EXPECT_EQ(root->GetParamValueExternal(ParamDescriptor(12), value), QZ::S_OK);
  EXPECT_EQ(value.GetInt32(), 2012);
  EXPECT_TRUE(root->writes.empty());
}

TEST_F(ModuleTree, DeviceHooksRunDownTheTreeKeybedFirst) {
  std::vector<std::string> events;
  sEvents = &events;
  Place(0);
  root->OnDeviceReady();
  root->OnDeviceEvent();
  sEvents = nullptr;
  EXPECT_EQ(events,
            (std::vector<std::string>{"keybed ready", "arpeggiator ready", "keybed event", "arpeggiator event"}));
}

} // namespace
