#include "DeviceControl/Engine/PresetEditorCommon/MidiRenderPort.h"

#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"
#include "Platform/Midi/FakeMidiSystem.h"
#include "QZFramework/Utilities/Storage/ArrayBuffer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

using Platform::FakeMidiSystem;
using Platform::MidiDirection;
using Bytes = std::vector<std::uint8_t>;

// A send waits this long in tests where nothing should ever wait, and this long where a time-out is the point.
constexpr std::uint32_t kPatienceMs = 10000;
constexpr std::uint32_t kShortWaitMs = 20;

Bytes SysEx(std::size_t n) {
  Bytes bytes(n, 0x01);
  bytes.front() = 0xF0;
  bytes.back() = 0xF7;
  return bytes;
}

// The fake installed for the layer made in each test, and the output device "Keys" behind "Other".
class MidiRenderPortTest : public ::testing::Test {
protected:
  MidiRenderPortTest() : mPrevious(Platform::SetMidiSystem(mFake)) {
    mFake->AddDevice(MidiDirection::Output, u"Other");
    mKeys = mFake->AddDevice(MidiDirection::Output, u"Keys");
    mComm = DynamicCast<LMidiComm>(LMidiComm::Create());
  }
  ~MidiRenderPortTest() override { Platform::SetMidiSystem(mPrevious); }

  RCPtr<LMidiRenderPort> OpenPort(std::uint32_t waitMs = kPatienceMs) {
    RCPtr<LMidiRenderPort> port = LMidiRenderPort::Create(WideString(u"Keys"), mComm, waitMs);
    EXPECT_EQ(port->Open(), 0);
    return port;
  }

  std::int32_t Send(const RCPtr<LMidiRenderPort>& port, const Bytes& bytes) {
    return mComm->SendBytes(port, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
  }

  std::shared_ptr<FakeMidiSystem> mFake = std::make_shared<FakeMidiSystem>();
  std::shared_ptr<Platform::MidiSystem> mPrevious;
  FakeMidiSystem::DeviceId mKeys = 0;
  RCPtr<LMidiComm> mComm;
};

TEST_F(MidiRenderPortTest, CreateNeedsANameAndAnOwner) {
  EXPECT_EQ(LMidiRenderPort::Create(WideString(u""), mComm), nullptr);
  EXPECT_EQ(LMidiRenderPort::Create(WideString(u"Keys"), RCPtr<LMidiComm>()), nullptr);
  RCPtr<LMidiRenderPort> port = LMidiRenderPort::Create(WideString(u"Keys"), mComm);
  ASSERT_NE(port, nullptr);
  EXPECT_FALSE(port->IsOpen());
  EXPECT_TRUE(port->IsCompletionLightGreen());
}

TEST_F(MidiRenderPortTest, OpenFindsTheDesignatedDeviceAndReopensIt) {
  RCPtr<LMidiRenderPort> port = LMidiRenderPort::Create(WideString(u"keys"), mComm);
  ASSERT_EQ(port->Open(), 0);
  EXPECT_TRUE(port->IsOpen());
  EXPECT_EQ(port->GetDeviceName(), WideString(u"Keys"));
  EXPECT_EQ(port->GetRequestedName(), WideString(u"keys"));
  EXPECT_EQ(mFake->GetOpenCount(mKeys), 1u);

  ASSERT_EQ(port->Open(), 0);
  EXPECT_EQ(mFake->GetOpenCount(mKeys), 1u) << "the old handle is closed first";
  EXPECT_EQ(mFake->GetOpenTotal(mKeys), 2u);

  // Refused by the platform: its code, and the port is closed.
  mFake->FailNext(FakeMidiSystem::Call::OpenOutput, Platform::kMidiAllocated);
  EXPECT_EQ(port->Open(), Platform::kMidiAllocated);
  EXPECT_FALSE(port->IsOpen());
  EXPECT_EQ(mFake->GetOpenCount(mKeys), 0u);

  // No device designated.
  mFake->Unplug(mKeys);
  EXPECT_EQ(port->Open(), Platform::kMidiNoDriver);
  EXPECT_EQ(port->GetDeviceName(), WideString(u"Other")) << "the last device examined";
  EXPECT_EQ(LMidiRenderPort::Create(WideString(u"Keys (2)"), mComm)->Open(), Platform::kMidiNoDriver);

  port = nullptr;
  mFake->Plug(mKeys);
  port = OpenPort();
  port = nullptr;
  EXPECT_EQ(mFake->GetOpenCount(mKeys), 0u) << "the last release closes the device";
}

TEST_F(MidiRenderPortTest, AStatusByteFirstSendsAShortMessage) {
  RCPtr<LMidiRenderPort> port = OpenPort();
  const struct {
    Bytes bytes;
    std::int32_t result;
    std::uint32_t packed;
    Bytes wire;
  } cases[] = {
      {{0x90, 0x3C, 0x64}, 3, 0x00643C90, {0x90, 0x3C, 0x64}},
      {{0xC0, 0x05}, 2, 0x05C0, {0xC0, 0x05}},
      {{0xF8}, 1, 0xF8, {0xF8}},
      // Four bytes at most go into the word, and only the status's three go out.
      {{0x90, 0x3C, 0x64, 0x7F, 0x01}, 3, 0x7F643C90, {0x90, 0x3C, 0x64}},
      {{0xE0, 0x00, 0x40}, 3, 0x4000E0, {0xE0, 0x00, 0x40}},
      {{0xF2, 0x01, 0x02}, 3, 0x0201F2, {0xF2, 0x01, 0x02}},
      {{0xF1, 0x10}, 2, 0x10F1, {0xF1, 0x10}},
      {{0xF6}, 1, 0xF6, {0xF6}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.packed);
    EXPECT_EQ(Send(port, c.bytes), c.result);
    const FakeMidiSystem::SentMessage sent = mFake->GetSent(mKeys).back();
    EXPECT_FALSE(sent.isLong);
    EXPECT_EQ(sent.packed, c.packed);
    EXPECT_EQ(sent.bytes, c.wire);
  }
  EXPECT_TRUE(port->IsCompletionLightGreen());
}

TEST_F(MidiRenderPortTest, ShortMessageLengthsOnOutput) {
  const std::pair<std::uint8_t, std::int32_t> cases[] = {
      {0x00, 1}, {0x7F, 1}, {0x80, 3}, {0xBF, 3}, {0xC0, 2}, {0xDF, 2}, {0xE0, 3}, {0xEF, 3}, {0xF0, 0},
      {0xF1, 2}, {0xF2, 3}, {0xF3, 2}, {0xF4, 2}, {0xF5, 2}, {0xF6, 1}, {0xF7, 0}, {0xF8, 1}, {0xFF, 1},
  };
  for (const auto& [status, length] : cases)
    EXPECT_EQ(LMidiRenderPort::GetShortMessageLength(status), length) << std::hex << int{status};
}

TEST_F(MidiRenderPortTest, EverythingElseGoesOutWholeAsOneLongMessage) {
  RCPtr<LMidiRenderPort> port = OpenPort();
  Bytes dataFirst = SysEx(10);
  dataFirst[0] = 0x47;
  Bytes endFirst = SysEx(3);
  endFirst[0] = 0xF7;
  for (const Bytes& bytes : {SysEx(22), dataFirst, endFirst, Bytes{0xF0}}) {
    SCOPED_TRACE(bytes.size());
    EXPECT_EQ(Send(port, bytes), static_cast<std::int32_t>(bytes.size()));
    const FakeMidiSystem::SentMessage sent = mFake->GetSent(mKeys).back();
    EXPECT_TRUE(sent.isLong);
    EXPECT_EQ(sent.bytes, bytes);
    EXPECT_TRUE(port->IsCompletionLightGreen());
  }

  // Through the interface's two forms.
  ConstRCPtr<LIBuffer> buffer = LBufferT<16, 0>::Create(22);
  std::copy_n(SysEx(22).begin(), 22, reinterpret_cast<std::uint8_t*>(buffer->GetData()));
  EXPECT_EQ(mComm->Send(port, buffer), 22);
  ArrayBuffer<signed char> array;
  for (std::uint8_t b : SysEx(8))
    array.AddItem(static_cast<signed char>(b));
  EXPECT_EQ(mComm->SendArray(port, array), 8);
  EXPECT_EQ(mFake->GetSent(mKeys).size(), 6u);
}

TEST_F(MidiRenderPortTest, ALongMessageReturnsOnceThePlatformReportsItDone) {
  RCPtr<LMidiRenderPort> port = OpenPort();
  mFake->SetCompletion(mKeys, FakeMidiSystem::Completion::Delayed, std::chrono::milliseconds(30));
  EXPECT_EQ(Send(port, SysEx(22)), 22);
  EXPECT_EQ(mFake->GetSent(mKeys).size(), 1u) << "done means sent";
  EXPECT_EQ(mFake->GetResetCount(mKeys), 0u);
  EXPECT_TRUE(port->IsCompletionLightGreen());
}

TEST_F(MidiRenderPortTest, ALongMessageNotDoneInTimeFailsAndLeavesTheLightGreen) {
  RCPtr<LMidiRenderPort> port = OpenPort(kShortWaitMs);
  mFake->SetCompletion(mKeys, FakeMidiSystem::Completion::Withheld);
  EXPECT_EQ(Send(port, SysEx(22)), E_FAIL);
  EXPECT_TRUE(port->IsCompletionLightGreen());
  EXPECT_EQ(mFake->GetResetCount(mKeys), 1u) << "the output is reset to get the message back";
  EXPECT_EQ(mFake->GetPendingCount(mKeys), 0u);
  EXPECT_TRUE(mFake->GetSent(mKeys).empty());

  // The port works on.
  mFake->SetCompletion(mKeys, FakeMidiSystem::Completion::Immediate);
  EXPECT_EQ(Send(port, SysEx(5)), 5);
}

// A platform that keeps the message past the time-out (its reset fails) reads it later: from the port's own
// copy, not from the caller's bytes, which are gone by then.
TEST_F(MidiRenderPortTest, TheBytesStayValidUntilThePlatformGivesThemBack) {
  RCPtr<LMidiRenderPort> port = OpenPort(kShortWaitMs);
  mFake->SetCompletion(mKeys, FakeMidiSystem::Completion::Withheld);
  mFake->FailNext(FakeMidiSystem::Call::ResetOutput, Platform::kMidiError);
  const Bytes expected = SysEx(300);
  {
    auto bytes = std::make_unique<Bytes>(expected);
    EXPECT_EQ(Send(port, *bytes), E_FAIL);
  }
  EXPECT_TRUE(port->IsCompletionLightGreen());
  ASSERT_EQ(mFake->GetPendingCount(mKeys), 1u);
  EXPECT_EQ(mFake->CompletePending(mKeys), 1u);
  ASSERT_EQ(mFake->GetSent(mKeys).size(), 1u);
  EXPECT_EQ(mFake->GetSent(mKeys)[0].bytes, expected);

  // Still held when the port goes: closing the device gives it back, and nothing leaks.
  mFake->FailNext(FakeMidiSystem::Call::ResetOutput, Platform::kMidiError);
  EXPECT_EQ(Send(port, SysEx(10)), E_FAIL);
  EXPECT_EQ(mFake->GetPendingCount(mKeys), 1u);
  port = nullptr;
  EXPECT_EQ(mFake->GetPendingCount(mKeys), 0u);
}

TEST_F(MidiRenderPortTest, InvalidArgumentsAreRefusedWithoutWaiting) {
  RCPtr<LMidiRenderPort> port = OpenPort();
  // A long message under way keeps the light red: a send that waited would block until it times out.
  mFake->SetCompletion(mKeys, FakeMidiSystem::Completion::Withheld);
  std::thread sender([&] { EXPECT_EQ(Send(port, SysEx(22)), 22); });
  while (mFake->GetPendingCount(mKeys) == 0)
    std::this_thread::yield();
  ASSERT_FALSE(port->IsCompletionLightGreen());

  const Bytes note{0x90, 0x3C, 0x64};
  const RCPtr<LRefCountedObject> notAPort = LMidiCaptureNotificationData::Create(WideString(u"Keys"), nullptr);
  EXPECT_EQ(mComm->SendBytes(RCPtr<LRefCountedObject>(), note.data(), 3), E_INVALIDARG);
  EXPECT_EQ(mComm->SendBytes(notAPort, note.data(), 3), E_INVALIDARG);
  EXPECT_EQ(mComm->SendBytes(port, note.data(), 0), E_INVALIDARG);
  EXPECT_EQ(mComm->SendBytes(port, nullptr, 3), E_INVALIDARG);
  EXPECT_EQ(mComm->Send(port, ConstRCPtr<LIBuffer>()), E_INVALIDARG);
  EXPECT_EQ(mComm->Send(port, LBufferT<16, 0>::Create(0)), E_INVALIDARG);
  EXPECT_EQ(mComm->SendArray(port, ArrayBuffer<signed char>()), E_INVALIDARG);

  EXPECT_EQ(mFake->GetPendingCount(mKeys), 1u) << "still under way: nobody waited for it";
  EXPECT_EQ(mFake->CompletePending(mKeys), 1u);
  sender.join();
  EXPECT_EQ(mFake->GetSent(mKeys).size(), 1u);
}

TEST_F(MidiRenderPortTest, RefusalsByThePlatformFail) {
  RCPtr<LMidiRenderPort> port = OpenPort();
  mFake->FailNext(FakeMidiSystem::Call::SendShort, Platform::kMidiError);
  EXPECT_EQ(Send(port, {0x90, 0x3C, 0x64}), E_FAIL);
  mFake->FailNext(FakeMidiSystem::Call::SendLong, Platform::kMidiError);
  EXPECT_EQ(Send(port, SysEx(22)), E_FAIL);
  EXPECT_TRUE(port->IsCompletionLightGreen());
  EXPECT_TRUE(mFake->GetSent(mKeys).empty());

  // A device that went away leaves a dead handle, through which every send fails until the port re-opens.
  mFake->Unplug(mKeys);
  mFake->Plug(mKeys);
  EXPECT_EQ(Send(port, {0xF8}), E_FAIL);
  EXPECT_EQ(Send(port, SysEx(22)), E_FAIL);
  ASSERT_EQ(port->Open(), 0);
  EXPECT_EQ(Send(port, {0xF8}), 1);

  RCPtr<LMidiRenderPort> closed = LMidiRenderPort::Create(WideString(u"Keys"), mComm);
  EXPECT_EQ(Send(closed, {0xF8}), E_FAIL) << "never opened";
}

// Several threads sending through one port: every message goes out whole, and the light ends green. (The light
// is their only coordination: a completion may let another sender's wait end before its own message is done,
// which then completes later.)
TEST_F(MidiRenderPortTest, ConcurrentSenders) {
  RCPtr<LMidiRenderPort> port = OpenPort();
  mFake->SetCompletion(mKeys, FakeMidiSystem::Completion::Delayed, std::chrono::milliseconds(0));
  std::vector<std::thread> senders;
  for (int t = 0; t < 4; ++t) {
    senders.emplace_back([&, t] {
      for (int i = 0; i < 25; ++i) {
        Bytes bytes = SysEx(12);
        bytes[1] = static_cast<std::uint8_t>(t);
        EXPECT_EQ(Send(port, bytes), 12);
        EXPECT_EQ(Send(port, {0xF8}), 1);
      }
    });
  }
  for (std::thread& sender : senders)
    sender.join();
  while (mFake->GetPendingCount(mKeys) > 0)
    std::this_thread::yield();
  const std::vector<FakeMidiSystem::SentMessage> sent = mFake->GetSent(mKeys);
  EXPECT_EQ(sent.size(), 200u);
  for (const auto& message : sent)
    EXPECT_EQ(message.bytes.size(), message.isLong ? 12u : 1u);
  EXPECT_TRUE(port->IsCompletionLightGreen());
}

} // namespace
} // namespace QZ
