#include "DeviceControl/Engine/PresetEditorCommon/MidiComm.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetSysExMessages.h"

#include "Platform/Midi/SimulatedMidiSystem.h"
#include "Support/MidiTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <memory>
#include <vector>

namespace QZ {
namespace {

using Platform::SimulatedController;
using Platform::SimulatedMidiSystem;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kWidths[] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1};

// The simulated controller installed, and the editor's two ports on it opened by name through the registry.
class MidiSimulatedControllerTest : public ::testing::Test {
protected:
  MidiSimulatedControllerTest() : mPrevious(Platform::SetMidiSystem(mSimulated)) {
    mComm = DynamicCast<LMidiComm>(LMidiComm::Create());
    mRecorder = test::MidiCaptureRecorder::Create(RCPtr<LMidiCommInterface>(mComm));
    EXPECT_EQ(mComm->OpenCapturePort(WideString(u"Pellan Vorn"), mCapture), S_OK);
    EXPECT_EQ(mComm->OpenRenderPort(WideString(u"Pellan Vorn"), mRender), S_OK);
  }
  ~MidiSimulatedControllerTest() override {
    mCapture = nullptr;
    mRender = nullptr;
    mRecorder->UnsubscribeAll();
    mComm = nullptr;
    Platform::SetMidiSystem(mPrevious);
  }

  std::int32_t SendFramed(const SysExBytes& body) {
    SysExBytes framed;
    EXPECT_EQ(FrameSysExMessage(body, framed), S_OK);
    return mComm->SendBytes(mRender, framed.data(), static_cast<std::uint32_t>(framed.size()));
  }

  // Asks for a program; the record of the reply that comes back.
  std::optional<SimulatedController::Record> Fetch(std::uint8_t program) {
    const std::size_t before = mRecorder->WaitFor(0).size();
    EXPECT_EQ(SendFramed(BuildPresetRequestMessage(program)), 9);
    const std::vector<test::CapturedMessage> got = mRecorder->WaitFor(before + 1);
    if (got.size() <= before)
      return std::nullopt;
    const Bytes& reply = got.back().bytes;
    EXPECT_TRUE(IsValidPresetReply(reply));
    const auto values = ParsePresetReply(reply, kWidths);
    if (!values)
      return std::nullopt;
    SimulatedController::Record record{};
    std::size_t at = 0;
    for (const SysExBytes& value : *values)
      for (std::uint8_t byte : value)
        record[at++] = byte;
    return record;
  }

  std::shared_ptr<SimulatedMidiSystem> mSimulated = std::make_shared<SimulatedMidiSystem>();
  std::shared_ptr<Platform::MidiSystem> mPrevious;
  RCPtr<LMidiComm> mComm;
  RCPtr<test::MidiCaptureRecorder> mRecorder;
  RCPtr<LRefCountedObject> mCapture;
  RCPtr<LRefCountedObject> mRender;
};

TEST_F(MidiSimulatedControllerTest, AnswersARequestForSlotFiveWithItsStoredBytes) {
  const SimulatedController::Record stored = {5, 3, 0x0E, 1, 2, 3, 4, 1, 1, 0, 1, 0x2C, 2};
  mSimulated->GetController().SetProgram(5, stored);
  EXPECT_EQ(Fetch(5), stored);
  EXPECT_EQ(Fetch(4), SimulatedController::kDefaultRecord);
  const std::vector<test::CapturedMessage> got = mRecorder->WaitFor(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].bytes.size(), 22u);
  EXPECT_EQ(got[0].portName, WideString(u"Pellan Vorn"));
}

TEST_F(MidiSimulatedControllerTest, StoresWhatItIsSent) {
  const SimulatedController::Record mine = {2, 5, 0x10, 1, 1, 2, 3, 0, 1, 4, 0x01, 0x70, 1};
  std::vector<SysExView> values;
  std::size_t at = 0;
  for (std::size_t width : kWidths) {
    values.emplace_back(mine.data() + at, width);
    at += width;
  }
  EXPECT_EQ(SendFramed(PackPresetRecord(BuildPresetSendMessage(3), values)), 22);
  EXPECT_EQ(mSimulated->GetController().GetProgram(3), mine);
  EXPECT_EQ(Fetch(3), mine);
  EXPECT_EQ(mSimulated->GetController().GetProgram(0), SimulatedController::kDefaultRecord);
}

TEST_F(MidiSimulatedControllerTest, SilentSlowHeldUnpluggedAndPluggedInAgain) {
  // Silent: the request goes out and nothing comes back; the next answer is the next request's.
  mSimulated->SetSilent(true);
  EXPECT_EQ(SendFramed(BuildPresetRequestMessage(1)), 9);
  mSimulated->SetSilent(false);
  mSimulated->GetController().SetProgram(2, {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9});
  EXPECT_EQ(Fetch(2), (SimulatedController::Record{9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9}));
  EXPECT_EQ(mSimulated->GetAnswerCount(), 1u);

  // Slow: the answer comes, no sooner than the delay after the request.
  constexpr std::chrono::milliseconds kDelay{50};
  mSimulated->SetReplyDelay(kDelay);
  const auto asked = std::chrono::steady_clock::now();
  EXPECT_EQ(SendFramed(BuildPresetRequestMessage(1)), 9);
  EXPECT_EQ(mRecorder->WaitFor(2).size(), 2u);
  EXPECT_GE(std::chrono::steady_clock::now() - asked, kDelay);
  mSimulated->SetReplyDelay(std::chrono::milliseconds(0));

  // Held: the answer is kept, and comes once it is let go.
  mSimulated->HoldAnswers(true);
  EXPECT_EQ(SendFramed(BuildPresetRequestMessage(1)), 9);
  ASSERT_TRUE(mSimulated->WaitForKeptAnswers(1, std::chrono::seconds(30)));
  EXPECT_EQ(mSimulated->GetAnswerCount(), 2u);
  EXPECT_EQ(mRecorder->WaitFor(0).size(), 2u);
  mSimulated->HoldAnswers(false);
  EXPECT_EQ(mRecorder->WaitFor(3).size(), 3u);
  EXPECT_EQ(mSimulated->GetAnswerCount(), 3u);

  // Unplugged: sends fail and the ports no longer have their device; plugged in again, opening by name re-opens
  // the same ports, and a fetch works through them.
  mSimulated->Unplug();
  EXPECT_EQ(SendFramed(BuildPresetRequestMessage(1)), E_FAIL);
  RCPtr<LRefCountedObject> capture, render;
  EXPECT_EQ(mComm->OpenCapturePort(WideString(u"Pellan Vorn"), capture), E_FAIL);
  EXPECT_EQ(mComm->OpenRenderPort(WideString(u"Pellan Vorn"), render), E_FAIL);
  mSimulated->Plug();
  ASSERT_EQ(mComm->OpenCapturePort(WideString(u"Pellan Vorn"), capture), S_OK);
  ASSERT_EQ(mComm->OpenRenderPort(WideString(u"Pellan Vorn"), render), S_OK);
  EXPECT_EQ(capture.Get(), mCapture.Get());
  EXPECT_EQ(render.Get(), mRender.Get());
  EXPECT_EQ(Fetch(8), SimulatedController::kDefaultRecord);
}

} // namespace
} // namespace QZ
