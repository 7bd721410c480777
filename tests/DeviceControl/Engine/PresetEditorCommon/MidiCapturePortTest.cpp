#include "DeviceControl/Engine/PresetEditorCommon/MidiCapturePort.h"

#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"
#include "Platform/Midi/FakeMidiSystem.h"
#include "Support/MidiTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace QZ {
namespace {

using Platform::FakeMidiSystem;
using Platform::MidiDirection;
using Bytes = std::vector<std::uint8_t>;

// F0, n - 2 data bytes, F7 (or the given last byte).
Bytes SysEx(std::size_t n, std::uint8_t last = 0xF7) {
  Bytes bytes(n, 0x11);
  bytes.front() = 0xF0;
  bytes.back() = last;
  return bytes;
}

// A started capture port on the input device "Keys" behind "Other", and a client that records what it gets.
// Delivery runs on the layer's worker in order, so a closing marker (a clock byte) shows that everything before
// it has been delivered or dropped.
class MidiCapturePortTest : public ::testing::Test {
protected:
  static constexpr std::uint32_t kMarker = 0xF8;

  MidiCapturePortTest() : mPrevious(Platform::SetMidiSystem(mFake)) {
    mFake->AddDevice(MidiDirection::Input, u"Other");
    mKeys = mFake->AddDevice(MidiDirection::Input, u"Keys");
    mComm = DynamicCast<LMidiComm>(LMidiComm::Create());
    mRecorder = test::MidiCaptureRecorder::Create(RCPtr<LMidiCommInterface>(mComm));
    mPort = LMidiCapturePort::Create(WideString(u"Keys"), mComm);
    EXPECT_EQ(mPort->Open(), 0);
    EXPECT_EQ(mPort->Start(), Platform::kMidiOk);
  }
  ~MidiCapturePortTest() override {
    mPort = nullptr;
    mRecorder->UnsubscribeAll();
    mComm = nullptr;
    Platform::SetMidiSystem(mPrevious);
  }

  // Everything delivered up to a marker sent now, without the marker.
  std::vector<Bytes> Delivered() {
    EXPECT_EQ(mFake->InjectShort(mKeys, kMarker, 0), 1u);
    const auto isMarker = [](const test::CapturedMessage& message) { return message.bytes == Bytes{kMarker}; };
    mRecorder->WaitUntil([&](const std::vector<test::CapturedMessage>& got) {
      return std::any_of(got.begin(), got.end(), isMarker);
    });
    std::vector<Bytes> result;
    for (const test::CapturedMessage& message : mRecorder->Take()) {
      if (isMarker(message))
        break;
      result.push_back(message.bytes);
    }
    return result;
  }

  std::shared_ptr<FakeMidiSystem> mFake = std::make_shared<FakeMidiSystem>();
  std::shared_ptr<Platform::MidiSystem> mPrevious;
  FakeMidiSystem::DeviceId mKeys = 0;
  RCPtr<LMidiComm> mComm;
  RCPtr<test::MidiCaptureRecorder> mRecorder;
  RCPtr<LMidiCapturePort> mPort;
};

TEST_F(MidiCapturePortTest, CreateNeedsANameAndAnOwner) {
  EXPECT_EQ(LMidiCapturePort::Create(WideString(u""), mComm), nullptr);
  EXPECT_EQ(LMidiCapturePort::Create(WideString(u"Keys"), RCPtr<LMidiComm>()), nullptr);
  EXPECT_FALSE(LMidiCapturePort::Create(WideString(u"Keys"), mComm)->IsOpen());
}

TEST_F(MidiCapturePortTest, SystemExclusiveMessagesAreReassembledAcrossBuffers) {
  Bytes dataFirst = SysEx(300);
  dataFirst[0] = 0x47;
  Bytes noteFirst = SysEx(10);
  noteFirst[0] = 0x90;
  const struct {
    const char* what;
    std::vector<Bytes> injected; // each as the fake cuts it: full 256-byte buffers, then the rest
    std::vector<Bytes> expected;
  } cases[] = {
      {"300 bytes arrive as 256 + 44", {SysEx(300)}, {SysEx(300)}},
      {"exactly 256 bytes ending F7", {SysEx(256)}, {SysEx(256)}},
      {"512 bytes in two full buffers", {SysEx(512)}, {SysEx(512)}},
      {"a complete buffer not starting F0 with nothing pending", {noteFirst}, {}},
      {"an incomplete buffer starting with a data byte starts a message", {dataFirst}, {dataFirst}},
      {"two replies in a row", {SysEx(22), SysEx(22)}, {SysEx(22), SysEx(22)}},
      // The sound behaviour: a new message drops a stale beginning instead of growing it.
      {"a message whose end was lost", {SysEx(256, 0x11), SysEx(22)}, {SysEx(22)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    for (const Bytes& bytes : c.injected)
      mFake->InjectLong(mKeys, bytes);
    EXPECT_EQ(Delivered(), c.expected);
    EXPECT_EQ(mFake->GetQueuedBufferCount(mKeys), LMidiCapturePort::kBufferCount) << "every buffer queued again";
  }
}

TEST_F(MidiCapturePortTest, ShortMessagesCarryTheirLengthTimeAndPort) {
  const struct {
    std::uint32_t packed;
    Bytes bytes;
  } cases[] = {
      {0x00643C90, {0x90, 0x3C, 0x64}},
      {0x0005C5, {0xC5, 0x05}},
      {0x0040E0, {0xE0, 0x40, 0x00}},
      {0xF8, {0xF8}},
      {0x0201F2, {0xF2}},
      {0x000041, {0x41}},
  };
  for (const auto& c : cases)
    mFake->InjectShort(mKeys, c.packed, 1234);
  const std::vector<test::CapturedMessage> got = mRecorder->WaitFor(std::size(cases));
  ASSERT_EQ(got.size(), std::size(cases));
  for (std::size_t i = 0; i < got.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].bytes, cases[i].bytes);
    EXPECT_EQ(got[i].timeStamp, 1234u);
    EXPECT_EQ(got[i].portName, WideString(u"Keys"));
    EXPECT_EQ(got[i].source, static_cast<const LRefCountedObject*>(mPort.Get()));
  }
  mRecorder->Take();
  mFake->InjectLong(mKeys, SysEx(22));
  const std::vector<test::CapturedMessage> long1 = mRecorder->WaitFor(1);
  ASSERT_EQ(long1.size(), 1u);
  EXPECT_EQ(long1[0].timeStamp, 0u) << "system-exclusive messages have no time stamp";
}

TEST_F(MidiCapturePortTest, InputLengthsCountEverySystemMessageAsOneByte) {
  const std::pair<std::uint8_t, std::uint32_t> cases[] = {
      {0x00, 1}, {0x7F, 1}, {0x80, 3}, {0xBF, 3}, {0xC0, 2}, {0xDF, 2}, {0xE0, 3},
      {0xEF, 3}, {0xF0, 1}, {0xF1, 1}, {0xF2, 1}, {0xF3, 1}, {0xF7, 1}, {0xFF, 1},
  };
  for (const auto& [status, length] : cases)
    EXPECT_EQ(LMidiCapturePort::GetShortMessageLength(status), length) << std::hex << int{status};
}

TEST_F(MidiCapturePortTest, AnErrorBufferIsQueuedAgainAndKeepsThePendingMessage) {
  const Bytes message = SysEx(300);
  const std::uint32_t first[] = {256};
  mFake->InjectLong(mKeys, message, first);
  EXPECT_EQ(mFake->InjectLongError(mKeys), 1u);
  EXPECT_EQ(mFake->GetQueuedBufferCount(mKeys), LMidiCapturePort::kBufferCount);
  mFake->InjectLong(mKeys, Bytes(message.begin() + 256, message.end()));
  EXPECT_EQ(Delivered(), std::vector<Bytes>{message});
}

TEST_F(MidiCapturePortTest, ReopeningDropsAPendingMessage) {
  const Bytes message = SysEx(300);
  const std::uint32_t first[] = {256};
  mFake->InjectLong(mKeys, message, first); // then the device went away in the middle
  ASSERT_EQ(mPort->Open(), 0);
  ASSERT_EQ(mPort->Start(), Platform::kMidiOk);
  mFake->InjectLong(mKeys, Bytes(message.begin() + 256, message.end()));
  EXPECT_EQ(Delivered(), std::vector<Bytes>{}) << "the tail alone is not a message";
  mFake->InjectLong(mKeys, SysEx(22));
  EXPECT_EQ(Delivered(), std::vector<Bytes>{SysEx(22)});
}

TEST_F(MidiCapturePortTest, AnOversizedMessageIsDroppedWhole) {
  mFake->InjectLong(mKeys, SysEx(CMidiSysExAssembler::kMaxMessageBytes + 1000));
  mFake->InjectLong(mKeys, SysEx(22));
  EXPECT_EQ(Delivered(), std::vector<Bytes>{SysEx(22)});
  mFake->InjectLong(mKeys, SysEx(CMidiSysExAssembler::kMaxMessageBytes));
  EXPECT_EQ(Delivered(), std::vector<Bytes>{SysEx(CMidiSysExAssembler::kMaxMessageBytes)})
      << "the cap itself fits";
}

TEST_F(MidiCapturePortTest, CloseAndResetGiveBuffersBackWithoutQueuingThemAgain) {
  EXPECT_EQ(mFake->GetQueuedBufferCount(mKeys), 3u);
  mPort->Close();
  EXPECT_FALSE(mPort->IsOpen());
  EXPECT_EQ(mFake->GetQueuedBufferCount(mKeys), 0u);
  EXPECT_EQ(mFake->GetResetCount(mKeys), 1u);
  EXPECT_EQ(mFake->GetOpenCount(mKeys), 0u);
  EXPECT_EQ(mRecorder->WaitFor(0).size(), 0u) << "the empty buffers of the reset deliver nothing";

  // A closed port refuses to queue; a buffer that is not one of its own is refused too.
  Platform::MidiBuffer foreign;
  EXPECT_EQ(mPort->ReAddBuffer(&foreign), Platform::kMidiHandleBusy);
  EXPECT_EQ(mPort->Start(), Platform::kMidiInvalidHandle);
  ASSERT_EQ(mPort->Open(), 0);
  EXPECT_EQ(mPort->ReAddBuffer(&foreign), Platform::kMidiError);
  EXPECT_EQ(mPort->ReAddBuffer(nullptr), Platform::kMidiError);
  EXPECT_EQ(mPort->AddBuffers(), Platform::kMidiInvalidParam) << "they are all queued already";
  mPort->UnprepareBuffers();
  mPort->Close();
  EXPECT_EQ(mPort->AddBuffers(), Platform::kMidiError) << "no handle";
}

TEST_F(MidiCapturePortTest, FailedOpensLeaveThePortClosed) {
  mPort = nullptr;
  RCPtr<LMidiCapturePort> port = LMidiCapturePort::Create(WideString(u"Keys (2)"), mComm);
  EXPECT_EQ(port->Open(), Platform::kMidiNoDriver);
  EXPECT_EQ(port->GetDeviceName(), WideString(u"Keys")) << "the last device examined";

  port = LMidiCapturePort::Create(WideString(u"keys"), mComm);
  mFake->FailNext(FakeMidiSystem::Call::OpenInput, Platform::kMidiAllocated);
  EXPECT_EQ(port->Open(), Platform::kMidiAllocated);
  EXPECT_FALSE(port->IsOpen());

  // A buffer is refused: the port closes again.
  mFake->FailNext(FakeMidiSystem::Call::AddInputBuffer, Platform::kMidiError);
  EXPECT_EQ(port->Open(), Platform::kMidiError);
  EXPECT_FALSE(port->IsOpen());
  EXPECT_EQ(mFake->GetOpenCount(mKeys), 0u);
  EXPECT_EQ(mFake->GetQueuedBufferCount(mKeys), 0u);

  ASSERT_EQ(port->Open(), 0);
  EXPECT_EQ(port->GetDeviceName(), WideString(u"Keys"));
  EXPECT_TRUE(port->IsDevicePresent());
  mFake->Unplug(mKeys);
  EXPECT_FALSE(port->IsDevicePresent());
  port = nullptr;
  EXPECT_EQ(mFake->GetOpenCount(mKeys), 0u) << "the last release closes the device";
}

} // namespace
} // namespace QZ
