#include "DeviceControl/Engine/PresetEditorCommon/MidiManager.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"
#include "Platform/Midi/FakeMidiSystem.h"
#include "Platform/Midi/SimulatedMidiSystem.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "Support/MidiTestSupport.h"
#include "Support/MidiManagerFixture.h"
#include "Support/MidiWireTap.h"
#include "Support/ThrownText.h"
#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <chrono>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

using Platform::FakeMidiSystem;
using Platform::MidiDirection;
using Platform::SimulatedController;
using Platform::SimulatedMidiSystem;
using test::Bytes;
using test::DataOf;
using test::kFastPollMs;
using test::kWidths;
using test::MakeBuffer;
using test::MidiManagerFixture;
using test::Seen;
using Record = SimulatedController::Record;
using namespace std::chrono_literals;

// A reply wait short enough for tests that wait for time-outs.
constexpr std::uint32_t kShortWaitMs = 20;
// A reply wait for a request that must succeed: a reply ends it at once, and a loaded machine may be slow to give
// one.
constexpr std::uint32_t kPatientWaitMs = 60000;

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes ToBytes(const Record& record) { return Bytes(record.begin(), record.end()); }

// End to end against the simulated controller.
class MidiManagerTest : public MidiManagerFixture {
protected:
  void SetUp() override {
    mTap = std::make_shared<test::MidiWireTap>(mSimulated);
    MidiManagerFixture::SetUp();
  }

  std::shared_ptr<SimulatedMidiSystem> mSimulated = std::make_shared<SimulatedMidiSystem>();
};

const Record kStoredInFive = {0x00, 0x03, 0x0E, 0x01, 0x02, 0x03, 0x04, 0x01, 0x01, 0x02, 0x01, 0x2C, 0x02};

TEST_F(MidiManagerTest, ConnectsAtStartAndAppliesTheProgramOfSlotFive) {
  MakeManager();
  EXPECT_TRUE(mManager->IsDeviceConnected());
  EXPECT_EQ(mManager->GetInputPortName(), WideString(u"Pellan Vorn"));
  EXPECT_EQ(mManager->GetOutputPortName(), WideString(u"Pellan Vorn"));
  EXPECT_EQ(mManager->StartDeviceStatusPolling(), 0);
  EXPECT_EQ(mManager->StartDeviceStatusPolling(), 1);

  mSimulated->GetController().SetProgram(5, kStoredInFive);
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(5), 0);
  EXPECT_EQ(mTap->TakeSent(), (std::vector<Bytes>{{0xF0, 0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x05, 0xF7}}));
  EXPECT_EQ(EngineRecord(), ToBytes(kStoredInFive));
  EXPECT_TRUE(IsPollingOn());

  // Midi channel and tempo taps were the defaults already: ten values changed, one pair each.
  const std::vector<Seen> seen = Deliver();
  std::vector<std::int32_t> params;
  for (const Seen& one : seen) {
    EXPECT_EQ(one.id, "NID_PARAM_MODULE_STATE_CHANGE");
    params.push_back(one.param);
  }
  EXPECT_EQ(params, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 10, 11}));
  EXPECT_EQ(seen[8].value, (Bytes{0x01, 0x2C}));

  EXPECT_EQ(mManager->GetPresetFromMidiDevice(5), 0) << "the same program again";
  EXPECT_TRUE(Deliver().empty()) << "nothing changed, nothing posted";
}

TEST_F(MidiManagerTest, ASilentControllerGivesNoReplyAfterTheSecondWithNothingChanged) {
  MakeManager();
  mManager->StartDeviceStatusPolling();
  mSimulated->SetSilent(true);
  mSimulated->GetController().SetProgram(2, kStoredInFive);
  const Bytes before = EngineRecord();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(2), kMidiNoReply);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 950ms) << "the production wait of one second";
  EXPECT_EQ(mTap->TakeSent().size(), 1u);
  EXPECT_EQ(EngineRecord(), before);
  EXPECT_TRUE(Deliver().empty());
  EXPECT_TRUE(IsPollingOn());
}

TEST_F(MidiManagerTest, SendsTheProgramToASlotAndTheControllerStoresIt) {
  MakeManager();
  mManager->StartDeviceStatusPolling();
  EXPECT_EQ(mManager->SendPreset(3), 22);
  EXPECT_EQ(mTap->TakeSent(),
            (std::vector<Bytes>{{0xF0, 0x47, 0x7F, 0x4D, 0x61, 0x00, 0x0E, 0x03, 0x00, 0x04, 0x0C,
                                 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x70, 0x00, 0xF7}}));
  EXPECT_EQ(mSimulated->GetController().GetProgram(3), SimulatedController::kDefaultRecord);

  const Record edited = {0x02, 0x05, 0x10, 0x01, 0x01, 0x02, 0x03, 0x00, 0x01, 0x04, 0x01, 0x70, 0x01};
  SetEngineRecord(edited);
  EXPECT_EQ(mManager->SendPreset(0), 22);
  EXPECT_EQ(
      mTap->TakeSent(),
      (std::vector<Bytes>{Concat({{0xF0, 0x47, 0x7F, 0x4D, 0x61, 0x00, 0x0E, 0x00}, ToBytes(edited), {0xF7}})}));
  EXPECT_EQ(mSimulated->GetController().GetProgram(0), edited);
  EXPECT_TRUE(IsPollingOn());
}

TEST_F(MidiManagerTest, UnplugAndPlugAreAnnouncedAndTheManagerReconnects) {
  MakeManager();
  mManager->StartDeviceStatusPolling();
  const auto both = [](std::int32_t status) {
    return [status](const std::vector<Seen>& all) {
      int in = 0, out = 0;
      for (const Seen& seen : all) {
        in += seen.id == "NID_MIDI_INPUT_DEVICE_CONNECTION_STATUS_CHANGED" && seen.status == status;
        out += seen.id == "NID_MIDI_OUTPUT_DEVICE_CONNECTION_STATUS_CHANGED" && seen.status == status;
      }
      return in == 1 && out == 1;
    };
  };

  mSimulated->Unplug();
  std::vector<Seen> seen = DeliverUntil(both(kMidiDeviceDisconnected));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_FALSE(mManager->IsDeviceConnected());
  EXPECT_EQ(mManager->GetInputPortName(), WideString());
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(1), kMidiNoPort);
  EXPECT_EQ(mManager->SendPreset(1), kMidiNoPort);

  mSimulated->Plug();
  seen = DeliverUntil(both(kMidiDeviceConnected));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_TRUE(mManager->IsDeviceConnected());
  mSimulated->GetController().SetProgram(8, kStoredInFive);
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(8), 0);
  EXPECT_EQ(EngineRecord(), ToBytes(kStoredInFive));
  EXPECT_TRUE(IsPollingOn());
}

// Unplugged and plugged in again between two ticks: the ports the manager holds lost their device, so a send
// through them fails and sends nothing; the next tick announces the loss, the one after the return, and the
// manager then works through ports opened again.
TEST_F(MidiManagerTest, AReplugBetweenTwoTicksIsAnnouncedAndTheSendInBetweenFails) {
  MakeManager();
  mSimulated->Unplug();
  mSimulated->Plug();
  EXPECT_EQ(mManager->SendPreset(4), E_FAIL);
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(4), kMidiNoPort) << "at once, not after the reply wait";
  EXPECT_TRUE(mTap->TakeSent().empty());

  std::vector<std::pair<std::string, std::int32_t>> order;
  mManager->StartDeviceStatusPolling();
  DeliverUntil([&](const std::vector<Seen>& all) {
    order.clear();
    for (const Seen& seen : all)
      order.emplace_back(seen.id.substr(9, 6), seen.status); // "INPUT_" or "OUTPUT"
    return order.size() >= 4;
  });
  EXPECT_EQ(order, (std::vector<std::pair<std::string, std::int32_t>>{{"INPUT_", kMidiDeviceDisconnected},
                                                                      {"OUTPUT", kMidiDeviceDisconnected},
                                                                      {"INPUT_", kMidiDeviceConnected},
                                                                      {"OUTPUT", kMidiDeviceConnected}}));
  EXPECT_TRUE(mManager->IsDeviceConnected());
  EXPECT_EQ(mManager->SendPreset(4), 22);
  EXPECT_EQ(mTap->TakeSent().size(), 1u);
  EXPECT_EQ(mSimulated->GetController().GetProgram(4), SimulatedController::kDefaultRecord);
}

TEST_F(MidiManagerTest, AControllerPluggedInAfterStartIsFoundByTheNextTick) {
  mSimulated->Unplug();
  MakeManager();
  EXPECT_FALSE(mManager->IsDeviceConnected());
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(5), kMidiNoPort) << "at once, without a registration";
  EXPECT_EQ(mManager->SendPreset(5), kMidiNoPort);
  EXPECT_EQ(mManager->RequestNonPresetParameterFromDevice(WideString(u"x"), 0), E_FAIL);
  EXPECT_EQ(mManager->SendNonPresetParameterToDevice(WideString(u"x"), 0, 0), -1);
  EXPECT_FALSE(mManager->IsDeviceFirmwareVersionUseable());
  EXPECT_TRUE(mTap->GetSent().empty());

  mManager->StartDeviceStatusPolling();
  mSimulated->Plug();
  DeliverUntil([&](const std::vector<Seen>&) { return mManager->IsDeviceConnected(); });
  EXPECT_TRUE(mManager->IsDeviceConnected());
}

TEST_F(MidiManagerTest, ResultsOfTheSmallerRequests) {
  MakeManager();
  mManager->SetReplyWait(kShortWaitMs);
  mManager->StartDeviceStatusPolling();
  EXPECT_EQ(mManager->NotImplemented(7), E_NOTIMPL);
  EXPECT_EQ(mManager->SendNonPresetParameterToDevice(WideString(u"x"), 1, 2), 0);
  EXPECT_EQ(mManager->RequestNonPresetParameterFromDevice(WideString(u"x"), 1), 0);
  EXPECT_TRUE(mTap->TakeSent().empty()) << "neither sends anything";

  EXPECT_FALSE(mManager->IsDeviceFirmwareVersionUseable()) << "no identity reply is recognised";
  EXPECT_EQ(mTap->TakeSent(), (std::vector<Bytes>{{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}}));
  EXPECT_EQ(mManager->SendIdentityRequest(RCPtr<LRefCountedObject>()), E_FAIL);

  struct Case {
    Bytes message;
    std::int32_t result;
    Bytes wire; // empty: nothing sent
  };
  const Case cases[] = {
      {{0x7E}, 3, {0xF0, 0x7E, 0xF7}},
      {{0xF0}, E_FAIL, {}},
      {{0xF7}, E_FAIL, {}},
      {{}, E_FAIL, {}},
      {{0xF0, 0x01, 0x02}, 4, {0xF0, 0x01, 0x02, 0xF7}},
  };
  RCPtr<LRefCountedObject> render;
  ASSERT_EQ(mManager->GetMidiComm()->OpenRenderPort(WideString(u"Pellan Vorn"), render), S_OK);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.message));
    Array<signed char> message;
    for (std::uint8_t byte : c.message)
      message.AddItem(static_cast<signed char>(byte));
    EXPECT_EQ(mManager->SendSysExMessage(message, render), c.result);
    const std::vector<Bytes> sent = mTap->TakeSent();
    EXPECT_EQ(sent.empty() ? Bytes{} : sent[0], c.wire);
    EXPECT_TRUE(IsPollingOn()) << "paused and restored also for a refused message";
  }
  Array<signed char> message;
  message.AddItem(0x7E);
  EXPECT_EQ(mManager->SendSysExMessage(message, RCPtr<LRefCountedObject>()), kMidiNoPort);
}

TEST_F(MidiManagerTest, SendPresetRefusesValuesThatAreNoByteStringsCountsOtherThanTwelveAndStatusBytes) {
  MakeManager();
  struct Case {
    const char* what;
    ParamRange range;
    std::int32_t param; // the value replaced, or -1
    Variant value;
    std::int32_t result;
  };
  const Case cases[] = {
      {"an integer value", {0, 12}, 4, test::Int32(1), E_FAIL},
      {"a packed array", {0, 12}, 6, test::Pack({test::Int32(1)}), E_NOTIMPL},
      {"eleven values", {0, 11}, -1, Variant(), E_FAIL},
      {"no values", {0, 0}, -1, Variant(), E_FAIL},
      {"thirteen values", {0, 13}, -1, Variant(), E_FAIL},
      // A status byte in the record: a note-on, and an F7 last that would end the message a byte early.
      {"a record byte of 90", {0, 12}, 4, MakeBuffer(Bytes{0x90}), E_FAIL},
      {"F7 as the last record byte", {0, 12}, 11, MakeBuffer(Bytes{0xF7}), E_FAIL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetEngineRecord(SimulatedController::kDefaultRecord);
    if (c.param >= 0) {
      ASSERT_EQ(mEngine->SetParamValue(ParamDescriptor(c.param), c.value), 0);
    }
    mManager->SetParamRange(c.range);
    EXPECT_EQ(mManager->SendPreset(1), c.result);
    EXPECT_TRUE(mTap->TakeSent().empty()) << "nothing sent, not even a record of zeros";
  }
  mManager->SetParamRange({0, 12});
  SetEngineRecord(SimulatedController::kDefaultRecord);
  EXPECT_EQ(mManager->SendPreset(1), 22);
}

TEST_F(MidiManagerTest, ASlowReplyAfterTheWaitChangesNothing) {
  // Replies arrive before or after the end of the wait; whatever the request reports must be what happened to
  // the engine: 0 with the reply's values, kMidiNoReply with the values as they were, also after the late reply.
  MakeManager();
  constexpr std::uint32_t kWait = 3;
  mManager->SetReplyWait(kWait);
  const RCPtr<test::MidiCaptureRecorder> recorder = test::MidiCaptureRecorder::Create(mManager->GetMidiComm());
  const Record slots[2] = {kStoredInFive,
                           {0x07, 0x06, 0x05, 0x00, 0x03, 0x02, 0x01, 0x00, 0x00, 0x01, 0x00, 0x50, 0x01}};
  mSimulated->GetController().SetProgram(1, slots[0]);
  mSimulated->GetController().SetProgram(2, slots[1]);
  std::mt19937 random(17);
  int answered = 0, timedOut = 0;
  for (std::size_t i = 0; i < 30; ++i) {
    SCOPED_TRACE(i);
    mSimulated->SetReplyDelay(std::chrono::milliseconds(random() % (2 * kWait + 1)));
    const Bytes before = EngineRecord();
    const std::int32_t result = mManager->GetPresetFromMidiDevice(static_cast<std::int32_t>(1 + i % 2));
    // The reply has reached every client, the manager included, once the older recorder has it.
    ASSERT_EQ(recorder->WaitFor(i + 1).size(), i + 1);
    if (result == 0) {
      ++answered;
      EXPECT_EQ(EngineRecord(), ToBytes(slots[i % 2]));
    } else {
      ++timedOut;
      EXPECT_EQ(result, kMidiNoReply);
      EXPECT_EQ(EngineRecord(), before);
    }
  }
  recorder->UnsubscribeAll();
  EXPECT_EQ(answered + timedOut, 30);
}

TEST_F(MidiManagerTest, AnUnregistrationThatFailsRestoresPollingAndThrows) {
  MakeManager();
  mManager->SetReplyWait(kShortWaitMs);
  struct Case {
    const char* what;
    std::function<void(LMidiManager&)> request;
    const char* text;
  };
  const Case cases[] = {
      {"fetch", [](LMidiManager& m) { (void)m.GetPresetFromMidiDevice(5); },
       "Failed Result : QZRESULT = 80004005 : QZ::LMidiManager::GetPresetFromMidiDevice : "
       "Engine\\PresetEditorCommon\\MidiManager : Line 501"},
      {"firmware check", [](LMidiManager& m) { (void)m.IsDeviceFirmwareVersionUseable(); },
       "Failed Result : QZRESULT = 80004005 : QZ::LMidiManager::IsDeviceFirmwareVersionUseable : "
       "Engine\\PresetEditorCommon\\MidiManager : Line 745"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    mManager->StartDeviceStatusPolling();
    // While the request is inside its send, the layer drops every registration: the request's is gone when it
    // wants to undo it.
    const RCPtr<LMidiCommInterface> comm = mManager->GetMidiComm();
    mTap->SetSendHook([&](const Bytes&) { comm->UnsubscribeAllClients(); });
    EXPECT_EQ(test::ThrownText<FailedResultException>([&] { c.request(*mManager); }), c.text);
    mTap->SetSendHook(nullptr);
    EXPECT_TRUE(IsPollingOn());
  }
  mSimulated->GetController().SetProgram(5, kStoredInFive);
  mManager->SetReplyWait(kPatientWaitMs);
  EXPECT_EQ(mManager->GetPresetFromMidiDevice(5), 0) << "later requests register again";
}

TEST_F(MidiManagerTest, NoPollingTickChecksWhilePollingIsPaused) {
  MakeManager();
  mManager->SetPollingPeriod(1);
  const std::thread::id self = std::this_thread::get_id();

  // A raw message goes out unchanged, with the output check made here and polling paused meanwhile.
  mManager->StartDeviceStatusPolling();
  std::uint32_t duringSend = 0;
  mTap->SetSendHook([&](const Bytes&) {
    const std::uint32_t before = mTap->GetEnumerationsOffThread(self);
    std::this_thread::sleep_for(20ms);
    duringSend = mTap->GetEnumerationsOffThread(self) - before;
  });
  Array<signed char> raw;
  for (std::uint8_t byte : Bytes{0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x02})
    raw.AddItem(static_cast<signed char>(byte));
  EXPECT_EQ(mManager->SendRawMessage(raw), 7);
  mTap->SetSendHook(nullptr);
  EXPECT_EQ(duringSend, 0u) << "the polling thread probed the ports during the send";
  EXPECT_EQ(mTap->TakeSent(), (std::vector<Bytes>{{0x47, 0x7F, 0x4D, 0x63, 0x00, 0x01, 0x02}}));
  EXPECT_TRUE(IsPollingOn());

  // Stopped is stopped: no tick checks until polling starts again, however the stop met the thread.
  for (int i = 0; i < 100; ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(mManager->StopDeviceStatusPolling(), 0);
    const std::uint32_t before = mTap->GetEnumerationsOffThread(self);
    std::this_thread::sleep_for(2ms);
    ASSERT_EQ(mTap->GetEnumerationsOffThread(self), before);
    ASSERT_EQ(mManager->StartDeviceStatusPolling(), 0);
    std::this_thread::sleep_for(std::chrono::microseconds(500 + 37 * (i % 20)));
  }
  EXPECT_EQ(mManager->StopDeviceStatusPolling(), 0);
  EXPECT_EQ(mManager->StopDeviceStatusPolling(), 1);

  mSimulated->Unplug();
  EXPECT_EQ(mManager->SendRawMessage(raw), kMidiNoPort) << "the output device is gone";
}

TEST_F(MidiManagerTest, ReleasingTheLastReferenceEndsPollingAndTheManager) {
  MakeManager();
  mManager->StartDeviceStatusPolling();
  const RCPtr<LMidiCommInterface> comm = mManager->GetMidiComm();
  std::this_thread::sleep_for(5ms);
  mManager = nullptr;
  EXPECT_EQ(comm->GetRefCount(), 1) << "the manager and its ports are gone";
  mSimulated->Unplug();
  std::this_thread::sleep_for(5ms);
  EXPECT_TRUE(Deliver().empty()) << "nobody polls any more";
}

// Against the scripted backend, where the test plays the controller.
class MidiManagerScriptedTest : public MidiManagerFixture {
protected:
  void SetUp() override {
    mInput = mFake->AddDevice(MidiDirection::Input, u"Pellan Vorn");
    mFake->AddDevice(MidiDirection::Output, u"Pellan Vorn");
    mTap = std::make_shared<test::MidiWireTap>(mFake);
    MidiManagerFixture::SetUp();
    MakeManager();
  }

  std::shared_ptr<FakeMidiSystem> mFake = std::make_shared<FakeMidiSystem>();
  FakeMidiSystem::DeviceId mInput = 0;
};

TEST_F(MidiManagerScriptedTest, OnlyTheFirstWholeReplyIsApplied) {
  mManager->SetReplyWait(kShortWaitMs);
  const Record first = kStoredInFive;
  const Record second = {0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09, 0x09};
  const Bytes cut = {0xF0, 0x47, 0x7F, 0x4D, 0x61, 0x00, 0x0E, 0x05, 0x01, 0x02, 0xF7};
  const RCPtr<test::MidiCaptureRecorder> recorder = test::MidiCaptureRecorder::Create(mManager->GetMidiComm());

  struct Case {
    const char* what;
    std::vector<Bytes> replies;
    std::int32_t result;
    Bytes engine; // afterwards
  };
  const Bytes defaults = ToBytes(SimulatedController::kDefaultRecord);
  const Case cases[] = {
      {"a message too short for the values is no reply", {cut}, kMidiNoReply, defaults},
      {"a short message and then two replies",
       {cut, SimulatedController::MakeReply(5, first), SimulatedController::MakeReply(5, second)},
       0,
       ToBytes(first)},
  };
  std::size_t captured = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetEngineRecord(SimulatedController::kDefaultRecord);
    mTap->SetSendHook([&](const Bytes&) {
      for (const Bytes& reply : c.replies)
        mFake->InjectLong(mInput, reply);
    });
    EXPECT_EQ(mManager->GetPresetFromMidiDevice(5), c.result);
    mTap->SetSendHook(nullptr);
    captured += c.replies.size();
    ASSERT_EQ(recorder->WaitFor(captured).size(), captured);
    EXPECT_EQ(EngineRecord(), c.engine);
  }
  recorder->UnsubscribeAll();
}

TEST_F(MidiManagerScriptedTest, ARequestReportsExactlyWhatItsReplyDidToTheEngine) {
  // The reply is on its way as the send returns and the wait is over at once: the reply handler and the end of
  // the wait meet in every order. 0 must mean the reply's values are in the engine, kMidiNoReply that the
  // engine is as it was, also once the reply has gone by.
  mManager->SetReplyWait(0);
  const RCPtr<test::MidiCaptureRecorder> recorder = test::MidiCaptureRecorder::Create(mManager->GetMidiComm());
  const Record records[2] = {kStoredInFive,
                             {0x07, 0x06, 0x05, 0x00, 0x03, 0x02, 0x01, 0x00, 0x00, 0x01, 0x00, 0x50, 0x01}};
  std::size_t next = 0;
  mTap->SetSendHook(
      [&](const Bytes&) { mFake->InjectLong(mInput, SimulatedController::MakeReply(1, records[next])); });
  int answered = 0, timedOut = 0;
  for (std::size_t i = 0; i < 200; ++i) {
    SCOPED_TRACE(i);
    next = i % 2;
    const Bytes before = EngineRecord();
    const std::int32_t result = mManager->GetPresetFromMidiDevice(1);
    ASSERT_EQ(recorder->WaitFor(i + 1).size(), i + 1);
    if (result == 0) {
      ++answered;
      ASSERT_EQ(EngineRecord(), ToBytes(records[next]));
    } else {
      ++timedOut;
      ASSERT_EQ(result, kMidiNoReply);
      ASSERT_EQ(EngineRecord(), before);
    }
  }
  mTap->SetSendHook(nullptr);
  recorder->UnsubscribeAll();
  EXPECT_EQ(answered + timedOut, 200);
}

TEST_F(MidiManagerScriptedTest, KeysPlayedDuringFetchesReachTheManagerSafely) {
  // Captured messages are looked up in the manager's handler map on the layer's worker while the requests change
  // it here.
  mManager->SetReplyWait(1);
  std::atomic<bool> playing{true};
  std::thread keys([&] {
    std::uint32_t note = 0;
    while (playing.load()) {
      mFake->InjectShort(mInput, 0x90 | ((0x30 + note++ % 24) << 8) | (0x40 << 16), 0);
      std::this_thread::yield();
    }
  });
  const Bytes before = EngineRecord();
  for (int i = 0; i < 40; ++i)
    EXPECT_EQ(mManager->GetPresetFromMidiDevice(1 + i % 8), kMidiNoReply);
  playing.store(false);
  keys.join();
  EXPECT_EQ(EngineRecord(), before);
  EXPECT_EQ(mTap->GetSent().size(), 40u);
}

} // namespace
} // namespace QZ
