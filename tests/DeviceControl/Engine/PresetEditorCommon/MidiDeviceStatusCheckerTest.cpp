#include "DeviceControl/Engine/PresetEditorCommon/MidiDeviceStatusChecker.h"

#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"
#include "Platform/Midi/FakeMidiSystem.h"
#include "Support/NotificationTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace QZ {
namespace {

using Platform::FakeMidiSystem;
using Platform::MidiDirection;

// What the application center delivered: "IN name status" or "OUT name status".
class StatusListener : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    const auto payload = DynamicCast<LMidiDeviceConnectionStatusChangedNotification>(notification->GetPayload());
    if (!payload)
      return 0;
    std::string entry =
        notification->GetID() == InternNotificationID(kMidiInputDeviceConnectionStatusChangedID) ? "IN " : "OUT ";
    entry += payload->GetName().ToNarrow().GetChars();
    entry += ' ';
    entry += std::to_string(payload->GetStatus());
    seen.push_back(entry);
    return 0;
  }
  std::vector<std::string> seen;
};

StringArrayT<char16_t, char> Names(std::initializer_list<const char16_t*> names) {
  StringArrayT<char16_t, char> list;
  for (const char16_t* name : names)
    list.AddItem(WideString(name));
  return list;
}

// Two controllers of different names on the fake backend, the MIDI layer over it, and the application center
// with a listener for both announcements.
class MidiDeviceStatusCheckerTest : public test::NotificationFixture {
protected:
  void SetUp() override {
    NotificationFixture::SetUp();
    mPrevious = Platform::SetMidiSystem(mFake);
    mKeysIn = mFake->AddDevice(MidiDirection::Input, u"Pellan Vorn");
    mKeysOut = mFake->AddDevice(MidiDirection::Output, u"Pellan Vorn");
    mPadsIn = mFake->AddDevice(MidiDirection::Input, u"Other Pads");
    mComm = LMidiComm::Create();
    mListener = MakeRCPtr<StatusListener>();
    const RCPtr<LNotificationDistributor> center(GetApplicationNotificationCenter());
    mListener->Subscribe(center, kMidiInputDeviceConnectionStatusChangedID);
    mListener->Subscribe(center, kMidiOutputDeviceConnectionStatusChangedID);
  }
  void TearDown() override {
    mListener->UnsubscribeAll();
    mListener = nullptr;
    mComm = nullptr;
    Platform::SetMidiSystem(mPrevious);
    NotificationFixture::TearDown();
  }

  std::vector<std::string> Delivered() {
    IdlePass(false);
    return std::exchange(mListener->seen, {});
  }

  std::shared_ptr<FakeMidiSystem> mFake = std::make_shared<FakeMidiSystem>();
  std::shared_ptr<Platform::MidiSystem> mPrevious;
  FakeMidiSystem::DeviceId mKeysIn = 0, mKeysOut = 0, mPadsIn = 0;
  RCPtr<LMidiCommInterface> mComm;
  RCPtr<StatusListener> mListener;
};

TEST_F(MidiDeviceStatusCheckerTest, UnplugAndPlugAreAnnouncedOnceEach) {
  RCPtr<LMidiDeviceStatusChecker> checker = LMidiDeviceStatusChecker::Create(mComm);
  checker->AddInputDevices(Names({u"Pellan Vorn"}));
  checker->AddOutputDevices(Names({u"Pellan Vorn"}));
  EXPECT_TRUE(checker->CheckInputs());
  EXPECT_TRUE(checker->CheckOutputs());
  EXPECT_TRUE(Delivered().empty()) << "present at set-up and still present: nothing to say";
  EXPECT_EQ(mFake->GetOpenCount(mKeysIn), 0u) << "a probe lets go of its port";

  mFake->Unplug(mKeysIn);
  mFake->Unplug(mKeysOut);
  EXPECT_FALSE(checker->CheckInputs());
  EXPECT_FALSE(checker->CheckOutputs());
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"IN Pellan Vorn 1", "OUT Pellan Vorn 1"}));
  EXPECT_FALSE(checker->CheckInputs());
  EXPECT_FALSE(checker->CheckOutputs());
  EXPECT_TRUE(Delivered().empty()) << "still gone: announced once";

  mFake->Plug(mKeysIn);
  mFake->Plug(mKeysOut);
  EXPECT_TRUE(checker->CheckInputs());
  EXPECT_TRUE(checker->CheckOutputs());
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"IN Pellan Vorn 0", "OUT Pellan Vorn 0"}));
}

TEST_F(MidiDeviceStatusCheckerTest, TwoNamesAreProbedAndAnnouncedSeparatelyInListOrder) {
  mFake->Unplug(mPadsIn);
  RCPtr<LMidiDeviceStatusChecker> checker = LMidiDeviceStatusChecker::Create(mComm);
  checker->AddInputDevices(Names({u"Other Pads", u"Pellan Vorn"}));
  ASSERT_EQ(checker->GetInputs().GetCount(), 2u);
  EXPECT_FALSE(checker->GetInputs().GetAt(0).connected);
  EXPECT_TRUE(checker->GetInputs().GetAt(1).connected);
  EXPECT_FALSE(checker->CheckInputs()) << "one of the two is missing";
  EXPECT_TRUE(Delivered().empty()) << "absent at set-up: never announced for that";

  mFake->Plug(mPadsIn);
  mFake->Unplug(mKeysIn);
  EXPECT_FALSE(checker->CheckInputs());
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"IN Other Pads 0", "IN Pellan Vorn 1"}));
  mFake->Plug(mKeysIn);
  EXPECT_TRUE(checker->CheckInputs());
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"IN Pellan Vorn 0"}));
}

// A backend that tells when its devices change is probed only after a change, and a check that announced
// something probes again at the next check without one: a held port whose device went and came back between two
// checks is announced lost by the first and back by the second.
TEST_F(MidiDeviceStatusCheckerTest, ABackendThatCountsItsChangesIsProbedOnlyAfterAChange) {
  mFake->SetChangeCounting(true);
  RCPtr<LMidiDeviceStatusChecker> checker = LMidiDeviceStatusChecker::Create(mComm);
  checker->AddInputDevices(Names({u"Pellan Vorn"}));
  const auto probes = [&] { return mFake->GetOpenTotal(mKeysIn); }; // the probe opens the unheld port
  std::uint32_t before = probes();
  EXPECT_TRUE(checker->CheckInputs());
  EXPECT_EQ(probes(), before + 1) << "the first check probes";
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(checker->CheckInputs());
  EXPECT_EQ(probes(), before + 1) << "nothing changed: no probe, the last answer stands";

  mFake->Unplug(mPadsIn); // another device: the count moves, the answer stays
  EXPECT_TRUE(checker->CheckInputs());
  EXPECT_EQ(probes(), before + 2);
  EXPECT_TRUE(Delivered().empty());

  RCPtr<LRefCountedObject> held;
  ASSERT_EQ(mComm->OpenCapturePort(WideString(u"Pellan Vorn"), held), S_OK);
  mFake->Unplug(mKeysIn);
  mFake->Plug(mKeysIn);
  EXPECT_FALSE(checker->CheckInputs()) << "the held port is stale";
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"IN Pellan Vorn 1"}));
  EXPECT_TRUE(checker->CheckInputs()) << "no change since, but the last check announced one";
  EXPECT_EQ(Delivered(), (std::vector<std::string>{"IN Pellan Vorn 0"}));
  before = probes();
  EXPECT_TRUE(checker->CheckInputs());
  EXPECT_TRUE(checker->CheckInputs());
  EXPECT_EQ(probes(), before);
  EXPECT_TRUE(Delivered().empty());

  // A backend that cannot tell is probed by every check.
  mFake->SetChangeCounting(false);
  held = nullptr;
  before = probes();
  EXPECT_TRUE(checker->CheckInputs());
  EXPECT_TRUE(checker->CheckInputs());
  EXPECT_EQ(probes(), before + 2);
}

TEST_F(MidiDeviceStatusCheckerTest, WithoutLayerOrListsNothingIsEverAnnounced) {
  RCPtr<LMidiDeviceStatusChecker> blind = LMidiDeviceStatusChecker::Create(RCPtr<LMidiCommInterface>());
  blind->AddInputDevices(Names({u"Pellan Vorn"}));
  blind->AddOutputDevices(Names({u"Pellan Vorn"}));
  EXPECT_FALSE(blind->IsInputDevicePresent(WideString(u"Pellan Vorn")));
  EXPECT_FALSE(blind->CheckInputs());
  EXPECT_FALSE(blind->CheckOutputs());

  RCPtr<LMidiDeviceStatusChecker> empty = LMidiDeviceStatusChecker::Create(mComm);
  mFake->Unplug(mKeysIn);
  EXPECT_TRUE(empty->CheckInputs());
  EXPECT_TRUE(empty->CheckOutputs());
  EXPECT_TRUE(Delivered().empty());
}

TEST_F(MidiDeviceStatusCheckerTest, TwoControllersOfOneNameCountAsAbsent) {
  mFake->AddDevice(MidiDirection::Input, u"Pellan Vorn");
  RCPtr<LMidiDeviceStatusChecker> checker = LMidiDeviceStatusChecker::Create(mComm);
  EXPECT_FALSE(checker->IsInputDevicePresent(WideString(u"Pellan Vorn"))) << "the name designates neither";
  EXPECT_TRUE(checker->IsOutputDevicePresent(WideString(u"Pellan Vorn")));
}

} // namespace
} // namespace QZ
