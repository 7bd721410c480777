// The transfer actions: the box each manager result gets (over a scripted manager), a missing text, a
// manager that throws or is missing; and the round trip with the simulated controller in a running editor.

#include "UI/DriverCommon/ProgramActions.h"

#include "Panel/Main/Application.h"
#include "Panel/Main/ApplicationBaseWin.h"
#include "Platform/Folders/Folders.h"
#include "Platform/Midi/MidiSystem.h"
#include "Platform/Midi/SimulatedMidiSystem.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "Support/RunningEditor.h"
#include "Support/TempFolder.h"
#include "Support/WindowTestSupport.h"
#include "UI/DriverCommon/ProgramTestApp.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>

namespace QZ {
namespace {

// A manager that answers what the test says and talks to no port.
class ScriptedMidiManager : public LMidiManager {
public:
  std::int32_t GetPresetFromMidiDevice(std::int32_t program) override { return Answer("get", program); }
  std::int32_t SendPreset(std::int32_t program) override { return Answer("send", program); }

  std::int32_t mResult = 0;
  bool mThrow = false;
  std::vector<std::string> mCalls;

private:
  std::int32_t Answer(const char* what, std::int32_t program) {
    mCalls.push_back(std::string(what) + " " + std::to_string(program));
    if (mThrow)
      ThrowException<FailedResultException>("E_FAIL", "QZ::LMidiManager::GetPresetFromMidiDevice",
                                            "Engine\\PresetEditorCommon\\MidiManager", 566);
    return mResult;
  }
};

std::string Text(const char* key) {
  for (const auto& [k, text] : test::ProgramMessageTexts()) {
    if (k == key)
      return text;
  }
  return "missing " + std::string(key);
}

class ProgramActionsTest : public test::ProgramTestApp {
protected:
  RCPtr<ScriptedMidiManager> mManager = MakeRCPtr<ScriptedMidiManager>();
};

TEST_F(ProgramActionsTest, EachResultGetsItsBox) {
  struct Case {
    bool send;
    std::int32_t result;
    const char* caption;
    const char* text;
  };
  const Case cases[] = {
      {false, 0, "LABEL_GET_PRESET_SUCEESS_MSGBOX_CAPTION", "LABEL_GET_PRESET_SUCEESS_MSGBOX_TEXT"},
      {false, 22, "LABEL_GET_PRESET_SUCEESS_MSGBOX_CAPTION", "LABEL_GET_PRESET_SUCEESS_MSGBOX_TEXT"},
      {false, -1, "LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION", "LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT"},
      {false, -2, "LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION",
       "LABEL_GET_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT"},
      {false, -3, "LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION", "LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT"},
      {false, E_FAIL, "LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION", "LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT"},
      {true, 0, "LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION", "LABEL_SEND_PRESET_SUCEESS_MSGBOX_TEXT"},
      {true, 22, "LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION", "LABEL_SEND_PRESET_SUCEESS_MSGBOX_TEXT"},
      {true, -1, "LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION", "LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT"},
      {true, -2, "LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION",
       "LABEL_SEND_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT"},
      {true, -3, "LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION", "LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT"},
      {true, E_NOTIMPL, "LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION",
       "LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT"},
      {true, E_FAIL, "LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION", "LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.send ? "send " : "get ") + std::to_string(c.result));
    mBoxes->mShown.clear();
    mManager->mResult = c.result;
    EXPECT_EQ(c.send ? SendProgram(mManager, 3) : GetProgram(mManager, 5), c.result);
    ASSERT_EQ(mBoxes->mShown.size(), 1u);
    EXPECT_EQ(mBoxes->mShown[0].caption, Text(c.caption));
    EXPECT_EQ(mBoxes->mShown[0].text, Text(c.text));
    EXPECT_EQ(mBoxes->mShown[0].style, 0u);
  }
  EXPECT_EQ(mManager->mCalls.front(), "get 5");
  EXPECT_EQ(mManager->mCalls.back(), "send 3");
}

TEST_F(ProgramActionsTest, AMissingTextShowsNoBoxAndTheResultStands) {
  MakeApp("LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT");
  mManager->mResult = kMidiNoReply;
  EXPECT_EQ(GetProgram(mManager, 1), kMidiNoReply);
  EXPECT_TRUE(mBoxes->mShown.empty());
  // A missing caption leaves the box without one.
  MakeApp("LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION");
  mManager->mResult = 22;
  EXPECT_EQ(SendProgram(mManager, 0), 22);
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown[0].caption, "");
  EXPECT_EQ(mBoxes->mShown[0].text, Text("LABEL_SEND_PRESET_SUCEESS_MSGBOX_TEXT"));
}

TEST_F(ProgramActionsTest, AManagerThatThrowsOrIsMissingIsAMidiError) {
  mManager->mThrow = true;
  const std::vector<test::Bytes> before = EngineValues();
  EXPECT_EQ(GetProgram(mManager, 2), E_FAIL);
  EXPECT_EQ(GetProgram(RCPtr<LMidiManager>(), 2), kMidiNoPort);
  EXPECT_EQ(SendProgram(RCPtr<LMidiManager>(), 0), kMidiNoPort);
  // Without a running editor there is no manager either.
  EXPECT_EQ(SendProgram(4), kMidiNoPort);
  ASSERT_EQ(mBoxes->mShown.size(), 4u);
  for (std::size_t i = 0; i < 2; ++i)
    EXPECT_EQ(mBoxes->mShown[i].text, Text("LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT"));
  for (std::size_t i = 2; i < 4; ++i)
    EXPECT_EQ(mBoxes->mShown[i].text, Text("LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT"));
  EXPECT_EQ(EngineValues(), before);
}

// The editor running with the simulated controller, its string table given the program texts.
class ProgramActionsEditorTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mSystem.IsStarted());
    Platform::SetFolderOverride(Platform::FolderKind::kConfigHome, (mTemp.Path() / "config").string());
    Platform::SetFolderOverride(Platform::FolderKind::kDataHome, (mTemp.Path() / "data").string());
    Platform::SetFolderOverride(Platform::FolderKind::kDocuments, (mTemp.Path() / "documents").string());
    mRuntime = test::MakeTempFolder("qzr");
    ASSERT_FALSE(mRuntime.empty());
  }
  void TearDown() override {
    Platform::SetFolderOverride(Platform::FolderKind::kConfigHome, std::nullopt);
    Platform::SetFolderOverride(Platform::FolderKind::kDataHome, std::nullopt);
    Platform::SetFolderOverride(Platform::FolderKind::kDocuments, std::nullopt);
    Platform::SetMidiSystem(mPreviousMidi);
    test::OffscreenWindowSystem::TakeWindowEvents();
    std::error_code ignored;
    std::filesystem::remove_all(mRuntime, ignored);
  }

  // Starts the editor with the MIDI backend and waits (idle passes running) for the controller's ports.
  std::unique_ptr<CEditorProcess> StartWith(const char* midi) {
    mPreviousMidi = Platform::SetMidiSystem(Platform::CreateMidiSystem(midi));
    SEditorOptions options;
    options.mCommandLine = NarrowString("pellan_vorn_editor");
    options.mEnvironment.mScreenDpi = 96;
    options.mInstanceFolder = mRuntime.string();
    auto process = std::make_unique<CEditorProcess>(options);
    EXPECT_TRUE(process->InitApplication());
    EXPECT_TRUE(process->InitInstance());
    EXPECT_TRUE(process->StartEditor());
    LApplication* app = process->GetApplication();
    if (!app)
      return process;
    for (const auto& [key, text] : test::ProgramMessageTexts())
      app->GetApplicationStringTable()->SetString(test::WideOf(key).GetChars(), test::WideOf(text));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (app->GetMidiManager()->OpenDevicePorts() < 0 && std::chrono::steady_clock::now() < deadline) {
      static_cast<void>(app->ProcessIdle(true));
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return process;
  }

  test::OffscreenWindowSystem mSystem;
  test::TempFolder mTemp;
  std::filesystem::path mRuntime;
  Platform::ScopedFakeMessageBox mBoxes;
  std::shared_ptr<Platform::MidiSystem> mPreviousMidi;
};

TEST_F(ProgramActionsEditorTest, SlotFiveIsFetchedAndTheProgramStoredInSlotThree) {
  std::unique_ptr<CEditorProcess> process = StartWith("simulated");
  LApplication* app = process->GetApplication();
  ASSERT_NE(app, nullptr);
  auto simulated = std::dynamic_pointer_cast<Platform::SimulatedMidiSystem>(Platform::GetMidiSystem());
  ASSERT_TRUE(simulated);
  const Platform::SimulatedController::Record five = {0x03, 0x05, 0x0E, 0x01, 0x02, 0x03, 0x04,
                                                      0x05, 0x01, 0x01, 0x00, 0x78, 0x02};
  simulated->GetController().SetProgram(5, five);

  EXPECT_EQ(GetProgram(5), 0);
  EXPECT_EQ(test::EngineRecord(*app), test::Bytes(five.begin(), five.end()));
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown[0].caption, "Retrieve Successful");

  EXPECT_EQ(SendProgram(3), 22);
  const Platform::SimulatedController::Record three = simulated->GetController().GetProgram(3);
  EXPECT_EQ(test::Bytes(three.begin(), three.end()), test::Bytes(five.begin(), five.end()));
  ASSERT_EQ(mBoxes->mShown.size(), 2u);
  EXPECT_EQ(mBoxes->mShown[1].caption, "Send Success");
  process->ShutDown();
}

TEST_F(ProgramActionsEditorTest, ASilentControllerIsARetrieveError) {
  std::unique_ptr<CEditorProcess> process = StartWith("simulated:silent");
  LApplication* app = process->GetApplication();
  ASSERT_NE(app, nullptr);
  const test::Bytes before = test::EngineRecord(*app);
  EXPECT_EQ(GetProgram(1), kMidiNoReply);
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown[0].caption, "Retrieve Program Error");
  EXPECT_EQ(mBoxes->mShown[0].text, "Error retrieving program from device.  Connect controller and try again.");
  EXPECT_EQ(test::EngineRecord(*app), before);
  process->ShutDown();
}

} // namespace
} // namespace QZ
