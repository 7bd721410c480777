// The main control between the engine and a test device view whose keybed and arpeggiator modules record
// what they are shown (and may announce a change back, as a panel does): deliveries of pairs and packed
// lists, the echo dropped, changed values and edits passed to the engine once, the device link's values and
// malformed lists without effect, a skin without "viewDevice" or with one that is not the device view, and a
// start without an engine.

#include "UI/DriverCommon/MainControl.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"
#include "Platform/App/AppHost.h"
#include "QZFramework/Application/ControlClassRegistry.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/TestFrameworkApp.h"
#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::Bytes;
using test::DataOf;
using test::MakeBuffer;

struct Shown {
  std::int32_t id;
  Bytes value;
  bool fromDevice;
  std::int32_t inFlight; // the main control's value in flight at that moment

  bool operator==(const Shown&) const = default;
};

// What every module of the test tree records, and how a shown value is announced back (nothing by default).
struct Record {
  std::vector<Shown> shown;
  std::function<std::optional<Variant>(std::int32_t id, const Variant& value)> announce;
  LMainControl* main = nullptr;
};

template <class Base>
class RecordingModule : public Base {
public:
  RecordingModule(std::int32_t count, Record& record) : Base(count), mRecord(record) {}
  std::int32_t SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value,
                                  bool fromDevice) override {
    mRecord.shown.push_back({descriptor.id, DataOf(value), fromDevice,
                             mRecord.main ? mRecord.main->GetValueInFlight().descriptor.id : -100});
    if (mRecord.announce && mRecord.main) {
      if (const std::optional<Variant> back = mRecord.announce(descriptor.id, value))
        mRecord.main->RequestParamValueChange(descriptor, *back, 0);
    }
    return 0;
  }

private:
  Record& mRecord;
};

Record sRecord;

// The editor's device view with recording modules in place of its panels.
class TestDeviceView : public LDeviceView {
public:
  TestDeviceView(const RCPtr<LControl>& parent, const WideString& name)
      : LDeviceView(parent, name), mKeybed(MakeRCPtr<RecordingModule<IKeybed>>(3, sRecord)),
        mArpeggiator(MakeRCPtr<RecordingModule<IArpeggiator>>(9, sRecord)) {}
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor) {
    return CreateControlFromDescriptor<TestDeviceView>(out, parent, descriptor);
  }
  RCPtr<IKeybed> GetKeybed() override { return RCPtr<IKeybed>(mKeybed); }
  RCPtr<IArpeggiator> GetArpeggiator() override { return RCPtr<IArpeggiator>(mArpeggiator); }

  RCPtr<RecordingModule<IKeybed>> mKeybed;
  RCPtr<RecordingModule<IArpeggiator>> mArpeggiator;
};

// The editor's engine, counting the writes that reach it.
class CountingEngine : public LPresetEditorAppEngine {
public:
  std::int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value) override {
    writes.push_back({descriptor.id, DataOf(value), false, -1});
    return LPresetEditorAppEngine::SetParamValue(descriptor, value);
  }
  std::vector<Shown> writes;
};

// A device module that is not the editor's device view.
class PlainDevice : public LControl, public IDevice {
public:
  PlainDevice(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  WideString ToString() const override { return LControl::ToString(); }
  RCPtr<IKeybed> GetKeybed() override { return RCPtr<IKeybed>(); }
  RCPtr<IArpeggiator> GetArpeggiator() override { return RCPtr<IArpeggiator>(); }
};

// The main control with a "viewDevice" of that class (none for empty).
std::string Skin(const std::string& deviceClass) {
  return std::string("<Veskor_Skin_Definitions><Application Name=\"App\"><Skins><Skin Name=\"S\">"
                     "<SubControl Class=\"PresetEditor.MainControl\" Name=\"mainControl\" XSizeAbs=\"100\" "
                     "YSizeAbs=\"100\">") +
         (deviceClass.empty() ? "" : "<SubControl Class=\"" + deviceClass + "\" Name=\"viewDevice\"/>") +
         "</SubControl></Skin></Skins></Application></Veskor_Skin_Definitions>";
}

RCPtr<LRefCountedObject> Pair(std::int32_t id, const Variant& value) {
  return MakeRCPtr<LRootModuleEngine::PairPayload>(ParamDescriptor(id), value);
}

class MainControlTest : public ::testing::Test {
protected:
  void SetUp() override {
    sRecord = Record();
    LNotification::EnablePooling(true);
    mEngine = RCPtr<CountingEngine>(new CountingEngine());
    mEngine->Initialize(0);
    SetAppEngine(RCPtr<LRootModuleEngine>(mEngine));
  }
  void TearDown() override {
    mMain = RCPtr<LMainControl>();
    sRecord = Record();
    mApp = RCPtr<test::TestFrameworkApp>();
    SetAppEngine(RCPtr<LRootModuleEngine>());
    mEngine = RCPtr<CountingEngine>();
  }

  void Open(const std::string& deviceClass = "Test.DeviceView") {
    const RCPtr<LControlFactory> factory = MakeRCPtr<LControlFactory>(WideString(u"App"));
    ASSERT_EQ(RegisterControlClasses(*factory, GetFrameworkControlClasses()), S_OK);
    ASSERT_EQ(factory->RegisterControlCreateFunction(WideString(kMainControlClassName), &LMainControl::Create),
              S_OK);
    ASSERT_EQ(factory->RegisterControlCreateFunction(WideString(u"Test.DeviceView"), &TestDeviceView::Create),
              S_OK);
    ASSERT_EQ(factory->RegisterControlCreateFunction(WideString(u"Test.PlainDevice"),
                                                     &CreateControlFromDescriptor<PlainDevice>),
              S_OK);
    const std::string skin = Skin(deviceClass);
    ASSERT_EQ(factory->LoadSkinsFromText(
                  std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(skin.data()), skin.size())),
              S_OK);
    mApp = MakeRCPtr<test::TestFrameworkApp>(factory, MakeRCPtr<LStringTable>(LStringTable::Entries()), mHost);
    mMain = DynamicCast<LMainControl>(
        factory->CreateTopLevelControl(WideString(u"mainControl"), RCPtr<IRootWindow>()));
    ASSERT_TRUE(mMain);
    sRecord.main = mMain.Get();
    // What the engine announced before the test begins.
    static_cast<void>(mApp->ProcessIdle(true));
    sRecord.shown.clear();
    mEngine->writes.clear();
  }

  void Deliver(const RCPtr<LRefCountedObject>& payload) {
    EXPECT_EQ(mMain->OnParamModuleStateChange(RCPtr<LNotificationDistributor>(),
                                              LNotification::Create(kNidParamModuleStateChange, payload)),
              1);
    EXPECT_EQ(mMain->GetValueInFlight().descriptor.id, -1);
    EXPECT_TRUE(mMain->GetValueInFlight().value.IsEmpty());
  }

  Platform::AppHost mHost;
  RCPtr<CountingEngine> mEngine;
  RCPtr<test::TestFrameworkApp> mApp;
  RCPtr<LMainControl> mMain;
};

TEST_F(MainControlTest, TheTreeIsPlacedAtTheEnginesFirstIdentifier) {
  Open();
  ASSERT_TRUE(mMain->GetDevice());
  EXPECT_EQ(mMain->GetDeviceAsModule().Get(), static_cast<LParameterizedModule*>(mMain->GetDevice().Get()));
  auto* device = dynamic_cast<TestDeviceView*>(mMain->GetDevice().Get());
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->mKeybed->GetFirstParamID(), 0);
  EXPECT_EQ(device->mArpeggiator->GetFirstParamID(), 3);
  EXPECT_FALSE(mMain->GetStatusView());
  EXPECT_FALSE(mMain->GetDeviceSelector());
  EXPECT_EQ(mMain->OnParamValueChanged(ParamDescriptor(1), MakeBuffer({1}), 0), 0);
  EXPECT_EQ(mMain->ReservedQueryC({0, 0, 100, 100}), S_OK);
}

TEST_F(MainControlTest, AnEngineValueIsShownOnceAndItsEchoDropped) {
  Open();
  sRecord.announce = [](std::int32_t, const Variant& value) { return std::optional<Variant>(value); };
  mEngine->writes.clear();
  // Through the engine and the idle pass.
  ASSERT_GE(mEngine->LPresetEditorAppEngine::SetParamValue(ParamDescriptor(5), MakeBuffer({3})), 0);
  static_cast<void>(mApp->ProcessIdle(true));
  EXPECT_EQ(sRecord.shown, (std::vector<Shown>{{5, {3}, true, 5}}));
  EXPECT_TRUE(mEngine->writes.empty());
  EXPECT_EQ(mMain->GetValueInFlight().descriptor.id, -1);
}

// Asked before the idle pass (a box is about to hold the thread), the engine's values are shown at once, each
// as a delivery from the device, whose echo is dropped; the idle pass then brings the same values again.
TEST_F(MainControlTest, TheEnginesValuesAreShownWhenAskedBeforeTheIdlePass) {
  Open();
  sRecord.announce = [](std::int32_t, const Variant& value) { return std::optional<Variant>(value); };
  ASSERT_GE(mEngine->LPresetEditorAppEngine::SetParamValue(ParamDescriptor(5), MakeBuffer({3})), 0);
  ASSERT_GE(mEngine->LPresetEditorAppEngine::SetParamValue(ParamDescriptor(10), MakeBuffer({0x01, 0x2C})), 0);
  mEngine->writes.clear();
  mMain->ShowEngineValues();
  EXPECT_EQ(sRecord.shown.size(), 12u) << "every parameter of the program";
  for (const Shown& expected : {Shown{5, {3}, true, 5}, Shown{10, {0x01, 0x2C}, true, 10}}) {
    SCOPED_TRACE(expected.id);
    EXPECT_NE(std::find(sRecord.shown.begin(), sRecord.shown.end(), expected), sRecord.shown.end());
  }
  EXPECT_TRUE(mEngine->writes.empty());
  EXPECT_EQ(mMain->GetValueInFlight().descriptor.id, -1);
  sRecord.shown.clear();
  static_cast<void>(mApp->ProcessIdle(true));
  EXPECT_EQ(sRecord.shown, (std::vector<Shown>{{5, {3}, true, 5}, {10, {0x01, 0x2C}, true, 10}}));
}

TEST_F(MainControlTest, AChangedValueAndAnEditReachTheEngineOnce) {
  Open();
  // The panel shows 10 differently and announces what it shows.
  sRecord.announce = [](std::int32_t, const Variant&) { return std::optional<Variant>(MakeBuffer({0x20})); };
  Deliver(Pair(10, MakeBuffer({0x01, 0x2C})));
  EXPECT_EQ(mEngine->writes, (std::vector<Shown>{{10, {0x20}, false, -1}}));
  // Same identifier, same bytes, other type: no echo either.
  sRecord.announce = [](std::int32_t, const Variant&) { return std::optional<Variant>(test::Int32(7)); };
  Deliver(Pair(2, MakeBuffer({7})));
  EXPECT_EQ(mEngine->writes.size(), 2u);

  sRecord.announce = nullptr;
  mEngine->writes.clear();
  mMain->RequestParamValueChange(ParamDescriptor(1), MakeBuffer({2}), 0);
  EXPECT_EQ(mEngine->writes, (std::vector<Shown>{{1, {2}, false, -1}}));
}

TEST_F(MainControlTest, PairsAndPackedListsAreDeliveredInOrder) {
  Open();
  mEngine->writes.clear();
  Deliver(Pair(0, MakeBuffer({4})));
  // Twelve values, the last first: they are shown in the list's order.
  std::vector<ParamValue> items;
  for (std::int32_t id = 11; id >= 0; --id)
    items.emplace_back(ParamDescriptor(id), MakeBuffer({static_cast<std::uint8_t>(id)}));
  auto list = LRootModuleEngine::ListPayload::Create();
  ASSERT_EQ(list->SetParamValues(items.data(), static_cast<std::uint32_t>(items.size())), kParamDone);
  Deliver(list);
  std::vector<Shown> expected{{0, {4}, true, 0}};
  for (std::int32_t id = 11; id >= 0; --id)
    expected.push_back({id, {static_cast<std::uint8_t>(id)}, true, id});
  EXPECT_EQ(sRecord.shown, expected);
  EXPECT_TRUE(mEngine->writes.empty());
}

TEST_F(MainControlTest, LinkValuesEmptyValuesAndMalformedListsChangeNothing) {
  Open();
  sRecord.announce = [](std::int32_t, const Variant& value) { return std::optional<Variant>(value); };
  mEngine->writes.clear();
  Deliver(Pair(-4, test::Bool(true)));
  Deliver(Pair(-2, test::Int32(3)));
  Deliver(Pair(-8, test::MakeText("Pellan Vorn")));
  Deliver(Pair(-8, test::Int32(1)));
  Deliver(Pair(3, Variant()));
  Deliver(Pair(12, MakeBuffer({1})));
  // A record that claims more bytes than the list holds, and a list of other records.
  auto list = LRootModuleEngine::ListPayload::Create();
  Bytes bytes{0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0, 16, 0, 0, 0};
  static_cast<void>(list->SetData(kVariantArray, bytes.data(), static_cast<std::uint32_t>(bytes.size())));
  Deliver(list);
  auto other = LRootModuleEngine::ListPayload::Create();
  const Variant plain[] = {test::Int32(1), test::Int32(2)};
  static_cast<void>(other->SetArray(plain, 2));
  Deliver(other);
  Deliver(RCPtr<LRefCountedObject>());
  EXPECT_TRUE(sRecord.shown.empty());
  EXPECT_TRUE(mEngine->writes.empty());
}

TEST_F(MainControlTest, ADeviceModuleThatIsNotTheDeviceViewIsNotTaken) {
  Open("Test.PlainDevice");
  EXPECT_FALSE(mMain->GetDevice());
  EXPECT_FALSE(mMain->GetDeviceAsModule());
}

TEST_F(MainControlTest, WithoutADeviceViewNothingIsShownAndEditsStillGo) {
  Open("");
  EXPECT_FALSE(mMain->GetDevice());
  EXPECT_FALSE(mMain->GetDeviceAsModule());
  ASSERT_GE(mEngine->LPresetEditorAppEngine::SetParamValue(ParamDescriptor(5), MakeBuffer({3})), 0);
  static_cast<void>(mApp->ProcessIdle(true));
  Deliver(Pair(5, MakeBuffer({4})));
  EXPECT_TRUE(sRecord.shown.empty());
  mMain->RequestParamValueChange(ParamDescriptor(4), MakeBuffer({1}), 0);
  EXPECT_EQ(mEngine->writes, (std::vector<Shown>{{4, {1}, false, -1}}));
}

TEST_F(MainControlTest, WithoutAnEngineTheTreeSitsAtZeroAndEditsAreDropped) {
  SetAppEngine(RCPtr<LRootModuleEngine>());
  Open();
  auto* device = dynamic_cast<TestDeviceView*>(mMain->GetDevice().Get());
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(device->mArpeggiator->GetFirstParamID(), 3);
  mMain->RequestParamValueChange(ParamDescriptor(4), MakeBuffer({1}), 0);
  EXPECT_TRUE(mEngine->writes.empty());
  EXPECT_EQ(mMain->ReservedQueryC({0, 0, 1, 1}), S_OK);
}

} // namespace
} // namespace QZ
