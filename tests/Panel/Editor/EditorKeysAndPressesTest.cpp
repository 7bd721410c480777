// The editor as it ships, in this process, played by the input simulator: the application's hot keys held
// back while the about box runs, Ctrl+S and Ctrl+O from a Russian keyboard layout, and presses made while a
// slow controller holds the UI thread dropped (one transfer per press). The message boxes and the file
// chooser are the platform's fakes. Runs under the offscreen driver, and on a virtual X server when
// QZ_EDITOR_E2E_X11=1 (the CTest entry pellan_vorn_editor_x11).

#include "Panel/Editor/EditorEndToEnd.h"
#include "DeviceControl/Engine/PresetEditorCommon/MidiManager.h"
#include "Panel/Main/Application.h"
#include "Panel/Main/ApplicationBaseWin.h"

#include "Platform/App/FakeMessageBox.h"
#include "Platform/Dialogs/FakeFileChooser.h"
#include "Platform/Dialogs/FakeShellOpener.h"
#include "Platform/Midi/MidiSystem.h"
#include "Platform/Midi/SimulatedMidiSystem.h"
#include "Platform/System/Process.h"
#include "Platform/Window/InputSimulator.h"
#include "Platform/Window/WindowSystem.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Application/RootWindow.h"
#include "QZFramework/Controls/ComboMenu.h"
#include "QZFramework/Controls/MainMenu.h"
#include "QZFramework/Controls/NumericUpDown.h"
#include "QZFramework/Controls/PopupMenu.h"
#include "QZFramework/Controls/TextBox.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/RunningEditor.h"
#include "Support/TempFolder.h"
#include "UI/DeviceView.h"
#include "UI/DriverCommon/MainControl.h"
#include "UI/PresetEditorCommon/AboutDlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

using namespace e2e;

// The Russian letters on the keys a US keyboard calls S and O.
constexpr std::int32_t kCyrillicYeru = 0x044B;
constexpr std::int32_t kCyrillicShcha = 0x0449;

// Longer than anything here takes on a loaded machine: the waits for xdotool and the window's events, and the
// editor's wait for the controller's answer (which the slow or held controller must never outlast).
constexpr int kPatientMs = 60000;

class EditorEndToEndInput : public e2e::EditorEndToEnd {
protected:
  void TearDown() override {
    if (mLater)
      GetApplicationNotificationCenter()->UnregisterClientFromAll(RCPtr<LNotificationReceiver>(mLater));
    EditorEndToEnd::TearDown();
  }

  Platform::SimulatedMidiSystem& Midi() {
    auto simulated = std::dynamic_pointer_cast<Platform::SimulatedMidiSystem>(Platform::GetMidiSystem());
    EXPECT_TRUE(simulated);
    return *simulated;
  }

  using EditorEndToEnd::ClickAt;
  void ClickAt(const Platform::WindowPoint& at) { ClickAt(mWindowId, at); }
  // Ctrl with a key on a window, queued only.
  void QueueCtrlKey(Platform::WindowId window, std::uint32_t key) {
    ASSERT_TRUE(mSimulator.Key(window, kVirtualControl, true));
    ASSERT_TRUE(mSimulator.Key(window, key, true));
    ASSERT_TRUE(mSimulator.Key(window, key, false));
    ASSERT_TRUE(mSimulator.Key(window, kVirtualControl, false));
  }
  // Ctrl with the key that types a letter of another layout on the physical key usKey, on the main window.
  void LayoutCtrlKey(std::int32_t letter, std::uint32_t usKey) {
    ASSERT_TRUE(mSimulator.Key(mWindowId, kVirtualControl, true));
    ASSERT_TRUE(mSimulator.LayoutKey(mWindowId, letter, usKey, true));
    ASSERT_TRUE(mSimulator.LayoutKey(mWindowId, letter, usKey, false));
    ASSERT_TRUE(mSimulator.Key(mWindowId, kVirtualControl, false));
    Pump();
    Pump();
  }
  void FocusTempo() {
    const RCPtr<LNumericUpDown> tempo = DynamicCast<LNumericUpDown>(Find("arpeggiator/tempo/parameterControl"));
    ASSERT_TRUE(tempo);
    ASSERT_EQ(tempo->GetTextBox()->SetFocus(true), S_OK);
  }

  RCPtr<test::ActionListener> mLater;
};

TEST_F(EditorEndToEndInput, WhileTheAboutBoxRunsCtrlOAndCtrlSDoNothing) {
  ASSERT_TRUE(Start("simulated"));
  bool shown = false;
  bool focused = false;
  // The keys go to the box; it closes a pass later, once they have been handled.
  test::WhenModal(*mApp, mModalListener, [&](OSWindow& window) {
    shown = true;
    const Platform::WindowId id = window.GetPlatformWindow().GetId();
    EXPECT_TRUE(mSimulator.Change(id, Platform::SimulatedWindowChange::kFocusGained));
    EXPECT_TRUE(OSWindow::PumpWindowEvents());
    const RCPtr<LRootWindow> root = window.GetRootWindow();
    focused = root->GetFocusedControl().Get() != nullptr;
    QueueCtrlKey(id, kVirtualO);
    QueueCtrlKey(id, kVirtualS);
    mLater = MakeRCPtr<test::ActionListener>();
    mLater->mAction = [root](const RCPtr<LNotification>&) {
      if (root->GetRootControl())
        root->RequestSystemClose();
    };
    GetApplicationNotificationCenter()->RegisterClient(RCPtr<LNotificationReceiver>(mLater), u"TEST_CLOSE_ABOUT");
    static_cast<void>(GetApplicationNotificationCenter()->Post(LNotification::Create(u"TEST_CLOSE_ABOUT")));
  });
  ClickRow(OpenMenu(u"Help"), 1);
  Pump();
  ASSERT_TRUE(shown);
  EXPECT_TRUE(focused) << "a control of the box has the focus, so the keys reach the hot keys";
  EXPECT_EQ(mLater->mCount, 1);
  EXPECT_EQ(mApp->GetRootWindowCount(), 1u) << "the box has gone";
  EXPECT_TRUE(mChooser->mRequests.empty()) << "no chooser was opened behind the box";

  // With the box gone the same keys act again.
  FocusTempo();
  QueueCtrlKey(mWindowId, kVirtualS);
  Pump();
  Pump();
  ASSERT_EQ(mChooser->mRequests.size(), 1u);
  EXPECT_EQ(mChooser->mRequests[0].title, "Select Save Location");
}

TEST_F(EditorEndToEndInput, CtrlSAndCtrlOWorkOnARussianKeyboardLayout) {
  ASSERT_TRUE(Start("simulated"));
  const std::filesystem::path path = mTemp.Path() / "documents" / "russian.pellanvorn";
  std::filesystem::create_directories(path.parent_path());
  FocusTempo();
  mChooser->Accept(path.string());
  LayoutCtrlKey(kCyrillicYeru, kVirtualS);
  ASSERT_EQ(mChooser->mRequests.size(), 1u);
  EXPECT_EQ(mChooser->mRequests[0].title, "Select Save Location");
  EXPECT_TRUE(std::filesystem::exists(path));

  FocusTempo();
  mChooser->Accept(path.string());
  LayoutCtrlKey(kCyrillicShcha, kVirtualO);
  ASSERT_EQ(mChooser->mRequests.size(), 2u);
  EXPECT_EQ(mChooser->mRequests[1].title, "Select Program File");
}

TEST_F(EditorEndToEndInput, EscapeClosesAnOpenMenuOfTheBarAndTheFocusGoesBack) {
  ASSERT_TRUE(Start("simulated"));
  FocusTempo();
  const RCPtr<LPopupMenu> file = OpenMenu(u"File");
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->IsVisible(false));
  ASSERT_TRUE(mSimulator.Key(mWindowId, 0x1B, true));
  ASSERT_TRUE(mSimulator.Key(mWindowId, 0x1B, false));
  Pump();
  EXPECT_FALSE(file->IsVisible(false));
  const RCPtr<LNumericUpDown> tempo = DynamicCast<LNumericUpDown>(Find("arpeggiator/tempo/parameterControl"));
  EXPECT_TRUE(tempo->GetTextBox()->HasFocus());
}

TEST_F(EditorEndToEndInput, PressesMadeWhileASlowFetchHeldTheWindowStartNoFetchOfTheirOwn) {
  ASSERT_TRUE(Start("simulated:slow=200"));
  Midi().GetController().SetProgram(5, kSlotFive);
  mApp->GetMidiManager()->SetReplyWait(kPatientMs);
  const RCPtr<LControl> get = Find("programBankPanel/getProgram5");
  ASSERT_TRUE(get);
  const Platform::WindowPoint at = Centre(get);
  ASSERT_TRUE(mSimulator.MovePointer(mWindowId, at));
  Pump();
  // Five quick clicks and Ctrl+S, all made before the first fetch has come back.
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(mSimulator.PressButton(mWindowId, Platform::kMouseLeft, at));
    ASSERT_TRUE(mSimulator.ReleaseButton(mWindowId, Platform::kMouseLeft, at));
  }
  FocusTempo();
  QueueCtrlKey(mWindowId, kVirtualS);
  Pump();
  Pump();
  ASSERT_EQ(mBoxes->mShown.size(), 1u) << "one fetch, one box";
  EXPECT_EQ(mBoxes->mShown[0].caption, "Retrieve Successful");
  EXPECT_EQ(Midi().GetAnswerCount(), 1u);
  EXPECT_TRUE(mChooser->mRequests.empty()) << "the key press made meanwhile is dropped too";

  // A click made once the window is free again fetches.
  ClickAt(at);
  EXPECT_EQ(mBoxes->mShown.size(), 2u);
  EXPECT_EQ(Midi().GetAnswerCount(), 2u);
}

// The display server's own clicks, made by xdotool while a fetch holds the UI thread: they reach SDL only once
// the thread reads the server again, and are dropped all the same. The controller's answer is held back until
// xdotool has made them, so they come while the fetch runs whatever the machine's load.
TEST_F(EditorEndToEndInput, ServerClicksMadeWhileAFetchHeldTheWindowAreDroppedToo) {
  if (!OnX11())
    GTEST_SKIP() << "needs an X server (the CTest entry pellan_vorn_editor_x11)";
  const std::string xdotool = Platform::FindProgram("xdotool");
  if (xdotool.empty())
    GTEST_SKIP() << "xdotool is not installed";
  ASSERT_TRUE(Start("simulated"));
  Platform::SimulatedMidiSystem& midi = Midi();
  midi.GetController().SetProgram(5, kSlotFive);
  mApp->GetMidiManager()->SetReplyWait(kPatientMs);
  const RCPtr<LControl> get = Find("programBankPanel/getProgram5");
  ASSERT_TRUE(get);
  const Platform::WindowPoint at = Centre(get);
  const Platform::WindowPoint screen = mApp->GetMainWindow()->GetPlatformWindow().ClientToScreen(at);
  // xdotool's exit code; -1 when it could not be started. Any thread.
  const auto run = [&](const std::vector<std::string>& args) {
    const Platform::ProcessId process = Platform::StartProcess(xdotool, args);
    return process == 0 ? -1 : Platform::WaitForProcess(process, kPatientMs);
  };
  const auto pumpUntil = [&](const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatientMs);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      static_cast<void>(Platform::WaitForWindowEvent(20));
      Pump();
    }
    return done();
  };
  ASSERT_EQ(run({"mousemove", std::to_string(screen.x), std::to_string(screen.y), "click", "1"}), 0);
  ASSERT_TRUE(pumpUntil([&] { return !mBoxes->mShown.empty(); })) << "a click of the server fetches";
  ASSERT_EQ(mBoxes->mShown.size(), 1u);

  // Five clicks made once the next fetch's request waits for its answer, which is let go once they are made.
  midi.HoldAnswers(true);
  bool requested = false;
  int clicked = -1;
  std::thread clicker([&] {
    requested = midi.WaitForKeptAnswers(1, std::chrono::milliseconds(kPatientMs));
    if (requested)
      clicked = run({"click", "--repeat", "5", "--delay", "40", "1"});
    midi.HoldAnswers(false);
  });
  EXPECT_TRUE(mSimulator.PressButton(mWindowId, Platform::kMouseLeft, at));
  EXPECT_TRUE(mSimulator.ReleaseButton(mWindowId, Platform::kMouseLeft, at));
  Pump(); // the fetch runs in here until the answer is let go
  clicker.join();
  ASSERT_TRUE(requested) << "the press did not fetch";
  ASSERT_EQ(clicked, 0) << "xdotool failed";
  ASSERT_EQ(mBoxes->mShown.size(), 2u);
  EXPECT_EQ(mBoxes->mShown[1].caption, "Retrieve Successful") << "the fetch ran until after the clicks";

  // A click made now fetches; by the time it does, the five before it in the server's queue have been taken.
  ASSERT_EQ(run({"click", "1"}), 0);
  EXPECT_TRUE(pumpUntil([&] { return mBoxes->mShown.size() >= 3; })) << "a click after the fetch fetches";
  EXPECT_EQ(mBoxes->mShown.size(), 3u) << "the five clicks made during the fetch fetched nothing";
  EXPECT_EQ(midi.GetAnswerCount(), 3u);
}

} // namespace
} // namespace QZ
