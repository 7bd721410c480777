#include "QZFramework/Application/OSWindow.h"

#include "Platform/App/AppHost.h"
#include "Platform/Graphics2D/Image.h"
#include "Platform/Window/InputSimulator.h"
#include "Platform/Window/InputState.h"
#include "Platform/Window/WindowSystem.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/NotificationTestSupport.h"
#include "Support/TempFolder.h"
#include "Support/TestFrameworkApp.h"
#include "Support/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace QZ {
namespace {

using Platform::InputSimulator;
using Platform::WheelAxis;
using Platform::WindowPoint;

std::string Text(const WideString& text) {
  NarrowString narrow;
  (void)narrow.ConvertFromWide(text.GetChars(), static_cast<std::int32_t>(text.GetLength()));
  return std::string(narrow.GetChars(), narrow.GetLength());
}

// What the native window hands its root window, written down as text.
class RecordingInput : public IRootWindowInput {
public:
  void DispatchMouseButton(std::int32_t action, std::uint32_t button, std::uint32_t modifiers,
                           const PointT<std::int32_t>& point, std::int32_t) override {
    Log("button(" + std::to_string(action) + "," + std::to_string(button) + "," + std::to_string(modifiers) + "," +
        std::to_string(point.x) + "," + std::to_string(point.y) + ")");
  }
  void DispatchMouseMove(const PointT<std::int32_t>& point, std::uint32_t, std::int32_t) override {
    Log("move(" + std::to_string(point.x) + "," + std::to_string(point.y) + ")");
  }
  void DispatchMouseWheel(const PointT<std::int32_t>&, std::uint32_t, std::uint32_t direction) override {
    Log("wheel(" + std::to_string(direction) + ")");
  }
  void DispatchKey(const RCPtr<LKeyParam>& key) override {
    keys.push_back(key->mKey);
    values.push_back(key->mValue);
    Log("key");
  }
  void OnWindowFocusLost() override { Log("focusLost"); }
  void RestoreFocus() override { Log("restoreFocus"); }
  void CaptureLost() override { Log("captureLost"); }
  void NotifyClientSizeChanged(std::int32_t width, std::int32_t height) override {
    Log("size(" + std::to_string(width) + "," + std::to_string(height) + ")");
  }
  void SetInvalidateAll() override { Log("invalidateAll"); }
  void InvalidateClientArea() override { Log("invalidateClient"); }
  bool ConstrainSize(std::int32_t& width, std::int32_t& height) override {
    const bool changed = width < minimum || height < minimum;
    width = std::max(width, minimum);
    height = std::max(height, minimum);
    return changed;
  }
  void RequestSystemClose() override { Log("systemClose"); }
  bool HasFocusedControl() override { return true; }
  void SetDropData(const RCPtr<LDropFileList>& files) override {
    std::string text = "dropData(";
    for (std::uint32_t i = 0; i < files->GetCount(); ++i)
      text += (i ? "," : "") + Text(files->GetAt(i));
    Log(text + ")");
  }
  bool UpdateDropTarget(const PointT<std::int32_t>& point) override {
    Log("dropTarget(" + std::to_string(point.x) + "," + std::to_string(point.y) + ")");
    return acceptDrop;
  }
  QZRESULT Drop() override {
    Log("drop");
    return S_OK;
  }
  void ClearDrop() override { Log("clearDrop"); }
  void TakeInvalidRegion(Region& out) override {
    out = Region();
    Log("takeRegion");
  }
  void Paint(const Region&) override { Log("paint"); }

  void Log(const std::string& entry) { log.push_back(entry); }

  std::vector<std::string> log;
  std::vector<KeyCode> keys;
  std::vector<std::int32_t> values;
  std::int32_t minimum = 0;
  bool acceptDrop = true;
};

class OSWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mSystem.IsStarted());
    mSimulator.SetModifiers(0);
    ASSERT_TRUE(mHost.InitApplication());
    mApp = MakeRCPtr<test::TestFrameworkApp>(MakeRCPtr<LControlFactory>(WideString(u"App")),
                                             MakeRCPtr<LStringTable>(LStringTable::Entries()), mHost);
  }
  void TearDown() override {
    for (OSWindow* window : mWindows) {
      if (window)
        window->DestroyWindow();
    }
    OSWindow::SetPlacementWriter({});
    mApp = RCPtr<test::TestFrameworkApp>();
    test::OffscreenWindowSystem::TakeWindowEvents();
  }

  // A window with the recording input; withRootWindow also gives it a root window in the application's list.
  OSWindow* MakeWindow(bool withRootWindow = false, OSWindow* parent = nullptr) {
    OSWindow::SCreateParams params;
    params.title = WideString(u"Test");
    params.clientBounds = {100, 100, 200, 150};
    params.parent = parent;
    params.className = WideString(u"TestMainWindowClass");
    OSWindow* window = OSWindow::Create(params);
    EXPECT_NE(window, nullptr);
    if (withRootWindow) {
      EXPECT_EQ(window->AttachRenderer(RCPtr<LRenderer>()), S_OK);
    }
    window->SetInputReceiver(&mInput);
    mWindows.push_back(window);
    return window;
  }
  Platform::WindowId Id(OSWindow* window) { return window->GetPlatformWindow().GetId(); }
  void Pump() { EXPECT_TRUE(OSWindow::PumpWindowEvents()); }

  test::OffscreenWindowSystem mSystem;
  InputSimulator mSimulator;
  Platform::AppHost mHost;
  RCPtr<test::TestFrameworkApp> mApp;
  RecordingInput mInput;
  std::vector<OSWindow*> mWindows;
};

TEST_F(OSWindowTest, WheelDeltasAccumulateToWholeSteps) {
  struct Case {
    const char* name;
    WheelAxis axis;
    std::vector<std::int32_t> deltas;
    std::vector<std::string> steps;
    std::int32_t remainder;
  };
  const Case cases[] = {
      {"60+60", WheelAxis::kVertical, {60, 60}, {"wheel(1)"}, 0},
      {"240 at once", WheelAxis::kVertical, {240}, {"wheel(1)"}, 0},
      {"360 at once", WheelAxis::kVertical, {360}, {"wheel(1)"}, 0},
      {"-130", WheelAxis::kVertical, {-130}, {"wheel(0)"}, -10},
      {"-120 then +120", WheelAxis::kVertical, {-120, 120}, {"wheel(0)", "wheel(1)"}, 0},
      {"59 stays", WheelAxis::kVertical, {59}, {}, 59},
      {"horizontal", WheelAxis::kHorizontal, {120, -120}, {"wheel(3)", "wheel(2)"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mInput.log.clear();
    OSWindow* window = MakeWindow();
    InputSimulator& simulator = mSimulator;
    for (const std::int32_t delta : c.deltas)
      ASSERT_TRUE(simulator.Wheel(Id(window), c.axis, delta, {10, 20}));
    Pump();
    std::vector<std::string> steps;
    for (const std::string& entry : mInput.log) {
      if (entry.rfind("wheel", 0) == 0)
        steps.push_back(entry);
    }
    EXPECT_EQ(steps, c.steps);
    EXPECT_EQ(window->GetWheelAccumulator(c.axis == WheelAxis::kHorizontal ? 1 : 0), c.remainder);
  }
}

TEST_F(OSWindowTest, KeysCarryRepeatValuesAndModifierMasks) {
  OSWindow* window = MakeWindow();
  InputSimulator& simulator = mSimulator;
  simulator.SetModifiers(Platform::kModCtrl | Platform::kModLeftCtrl | Platform::kModShift |
                         Platform::kModRightShift);
  constexpr std::uint8_t kVkA = 0x41;
  ASSERT_TRUE(simulator.Key(Id(window), kVkA, true));
  ASSERT_TRUE(simulator.Key(Id(window), kVkA, true, true));
  ASSERT_TRUE(simulator.Key(Id(window), kVkA, false));
  Pump();
  // Ctrl with a letter also types its control character; only the keys count here.
  std::erase_if(mInput.keys, [](const KeyCode& key) { return !key.IsVirtualKey(); });
  const std::uint32_t mask = kModifierCtrl | kModifierLeftCtrl | kModifierShift | kModifierRightShift;
  const std::vector<KeyCode> expected = {KeyCode(kVkA, true, 0, mask), KeyCode(kVkA, true, 1, mask),
                                         KeyCode(kVkA, false, 1, mask)};
  ASSERT_EQ(mInput.keys.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(mInput.keys[i].Bits(), expected[i].Bits());
    EXPECT_EQ(mInput.keys[i].mRepeat, expected[i].mRepeat);
    EXPECT_EQ(mInput.keys[i].mSideMask, expected[i].mSideMask);
    EXPECT_EQ(mInput.values[i], 1);
  }
  EXPECT_TRUE(mInput.keys[0].IsVirtualKeyDown());
  EXPECT_FALSE(mInput.keys[2].IsVirtualKeyDown());
  EXPECT_NE(mInput.keys[0].Bits() & kKeyCtrl, 0u);
  EXPECT_NE(mInput.keys[0].Bits() & kKeyShift, 0u);
}

TEST_F(OSWindowTest, AltF4IsAKeyAndClosesNothing) {
  OSWindow* window = MakeWindow(true);
  auto client = test::MakeClient("exit", nullptr);
  GetApplicationNotificationCenter()->RegisterClient(client, kNidAppExitRequest, 0);
  InputSimulator& simulator = mSimulator;
  simulator.SetModifiers(Platform::kModAlt | Platform::kModLeftAlt);
  constexpr std::uint8_t kVkF4 = 0x73;
  ASSERT_TRUE(simulator.Key(Id(window), kVkF4, true));
  Pump();
  (void)mApp->ProcessIdle(false);
  ASSERT_EQ(mInput.keys.size(), 1u);
  EXPECT_EQ(mInput.keys[0].GetVirtualKey(), kVkF4);
  EXPECT_NE(mInput.keys[0].Bits() & kKeyAlt, 0u);
  EXPECT_EQ(OSWindow::FromId(Id(window)), window);
  EXPECT_EQ(client->received, 0);
  GetApplicationNotificationCenter()->UnregisterClientFromAll(client);
}

TEST_F(OSWindowTest, CharactersAreDroppedWhileAWinKeyIsHeld) {
  OSWindow* window = MakeWindow();
  InputSimulator& simulator = mSimulator;
  ASSERT_TRUE(simulator.Text(Id(window), "a"));
  Pump();
  simulator.SetModifiers(Platform::kModWin | Platform::kModLeftWin);
  ASSERT_TRUE(simulator.Text(Id(window), "b"));
  Pump();
  ASSERT_EQ(mInput.keys.size(), 1u);
  EXPECT_TRUE(mInput.keys[0].IsCharacter());
  EXPECT_EQ(mInput.keys[0].GetCharacter(), u'a');
}

TEST_F(OSWindowTest, ButtonsKeepTheSequenceAndTheCaptureFollowsThePolicy) {
  OSWindow* window = MakeWindow();
  InputSimulator& simulator = mSimulator;
  const Platform::WindowId id = Id(window);
  ASSERT_TRUE(simulator.PressButton(id, Platform::kMouseLeft, {10, 10}));
  ASSERT_TRUE(simulator.ReleaseButton(id, Platform::kMouseLeft, {10, 10}));
  ASSERT_TRUE(simulator.PressButton(id, Platform::kMouseLeft, {10, 10}, 2));
  ASSERT_TRUE(simulator.ReleaseButton(id, Platform::kMouseLeft, {10, 10}, 2));
  Pump();
  const std::vector<std::string> sequence = {"button(0,1,0,10,10)", "button(1,1,0,10,10)", "button(2,1,0,10,10)",
                                             "button(1,1,0,10,10)"};
  EXPECT_EQ(mInput.log, sequence);
  // Released inside: the window keeps the capture.
  EXPECT_TRUE(window->HasCaptureFlag());
  EXPECT_TRUE(window->GetPlatformWindow().HasMouseCapture());

  // Pressed inside, released outside with no button left: the release is delivered, then the capture goes.
  mInput.log.clear();
  ASSERT_TRUE(simulator.Change(id, Platform::SimulatedWindowChange::kFocusLost));
  Pump();
  EXPECT_FALSE(window->HasCaptureFlag());
  mInput.log.clear();
  ASSERT_TRUE(simulator.PressButton(id, Platform::kMouseRight, {5, 6}));
  Pump();
  EXPECT_TRUE(window->HasCaptureFlag());
  ASSERT_TRUE(simulator.ReleaseButton(id, Platform::kMouseRight, {-50, -60}));
  Pump();
  const std::vector<std::string> outside = {"button(0,4,0,5,6)", "button(1,4,0,-50,-60)", "captureLost"};
  EXPECT_EQ(mInput.log, outside);
  EXPECT_FALSE(window->HasCaptureFlag());
  EXPECT_FALSE(window->GetPlatformWindow().HasMouseCapture());
}

TEST_F(OSWindowTest, TheMainWindowsCloseBoxPostsTheExitRequestAndOthersAskTheRootWindow) {
  OSWindow* main = MakeWindow(true);
  OSWindow* other = MakeWindow(true);
  auto client = test::MakeClient("exit", nullptr);
  GetApplicationNotificationCenter()->RegisterClient(client, kNidAppExitRequest, 0);
  InputSimulator& simulator = mSimulator;
  ASSERT_TRUE(simulator.Change(Id(main), Platform::SimulatedWindowChange::kClose));
  Pump();
  EXPECT_TRUE(mInput.log.empty());
  EXPECT_EQ(OSWindow::FromId(Id(main)), main);
  (void)mApp->ProcessIdle(false);
  EXPECT_EQ(client->received, 1);

  ASSERT_TRUE(simulator.Change(Id(other), Platform::SimulatedWindowChange::kClose));
  Pump();
  EXPECT_EQ(mInput.log, std::vector<std::string>{"systemClose"});
  GetApplicationNotificationCenter()->UnregisterClientFromAll(client);
}

TEST_F(OSWindowTest, ADropRunsTheWholeDragWithFreshState) {
  OSWindow* window = MakeWindow();
  InputSimulator& simulator = mSimulator;
  ASSERT_TRUE(simulator.DropFiles(Id(window), {"/tmp/a.pvp", "/tmp/b.pvp"}));
  Pump();
  const std::vector<std::string> accepted = {"clearDrop", "dropData(/tmp/a.pvp,/tmp/b.pvp)", "dropTarget(0,0)",
                                             "drop", "clearDrop"};
  ASSERT_GE(mInput.log.size(), accepted.size());
  EXPECT_EQ(mInput.log.front(), "clearDrop");
  EXPECT_EQ(mInput.log[1], accepted[1]);
  EXPECT_EQ(mInput.log.back(), "clearDrop");

  // Refused: no drop, the state cleared all the same.
  mInput.log.clear();
  mInput.acceptDrop = false;
  ASSERT_TRUE(simulator.DropFiles(Id(window), {"/tmp/c.pvp"}));
  Pump();
  ASSERT_EQ(mInput.log.size(), 4u);
  EXPECT_EQ(mInput.log[1], "dropData(/tmp/c.pvp)");
  EXPECT_EQ(mInput.log[3], "clearDrop");

  // Text only: no new drop data.
  mInput.log.clear();
  ASSERT_TRUE(simulator.DropText(Id(window), "text"));
  Pump();
  for (const std::string& entry : mInput.log)
    EXPECT_EQ(entry.rfind("dropData", 0), std::string::npos) << entry;
}

TEST_F(OSWindowTest, RestoreAndMaximiseInvalidateAllButMinimiseDoesNot) {
  OSWindow* window = MakeWindow();
  InputSimulator& simulator = mSimulator;
  struct Case {
    Platform::SimulatedWindowChange change;
    bool invalidates;
  };
  for (const Case c : {Case{Platform::SimulatedWindowChange::kMaximised, true},
                       Case{Platform::SimulatedWindowChange::kMinimised, false},
                       Case{Platform::SimulatedWindowChange::kRestored, true}}) {
    SCOPED_TRACE(static_cast<int>(c.change));
    mInput.log.clear();
    ASSERT_TRUE(simulator.Change(Id(window), c.change));
    Pump();
    const bool invalidated = std::find(mInput.log.begin(), mInput.log.end(), "invalidateAll") != mInput.log.end();
    EXPECT_EQ(invalidated, c.invalidates);
  }
}

TEST_F(OSWindowTest, AMoveAfterLyingPartlyOffTheWorkAreaInvalidatesAll) {
  OSWindow* window = MakeWindow();
  InputSimulator& simulator = mSimulator;
  ASSERT_TRUE(window->GetPlatformWindow().SetClientBounds({1850, 100, 200, 150}));
  ASSERT_TRUE(simulator.Change(Id(window), Platform::SimulatedWindowChange::kMoved, 1850, 100));
  Pump();
  EXPECT_TRUE(window->IsOutsideWorkArea());
  EXPECT_EQ(std::count(mInput.log.begin(), mInput.log.end(), "invalidateAll"), 0);
  ASSERT_TRUE(window->GetPlatformWindow().SetClientBounds({100, 100, 200, 150}));
  ASSERT_TRUE(simulator.Change(Id(window), Platform::SimulatedWindowChange::kMoved, 100, 100));
  Pump();
  EXPECT_FALSE(window->IsOutsideWorkArea());
  EXPECT_EQ(std::count(mInput.log.begin(), mInput.log.end(), "invalidateAll"), 1);
}

TEST_F(OSWindowTest, SizingMovesTheRightAndBottomEdges) {
  OSWindow* window = MakeWindow();
  mInput.minimum = 100;
  const Platform::WindowFrame frame = window->GetPlatformWindow().GetFrame();
  // Dragged by the left edge to 40 wide: the right edge moves out, the left stays.
  std::int32_t left = 300;
  std::int32_t top = 200;
  std::int32_t right = 340 + frame.left + frame.right;
  std::int32_t bottom = 400 + frame.top + frame.bottom;
  window->ConstrainSizingRect(left, top, right, bottom);
  EXPECT_EQ(left, 300);
  EXPECT_EQ(top, 200);
  EXPECT_EQ(right, 400 + frame.left + frame.right);
  EXPECT_EQ(bottom, 400 + frame.top + frame.bottom);
}

TEST_F(OSWindowTest, TheCommandLineOfASecondInstanceArrivesOnlyWhileEnabled) {
  struct App : test::TestFrameworkApp {
    using TestFrameworkApp::TestFrameworkApp;
    std::int32_t OnCopyData(const NarrowString& text) override {
      texts.emplace_back(text.GetChars(), text.GetLength());
      return 0;
    }
    std::vector<std::string> texts;
  };
  mApp = RCPtr<test::TestFrameworkApp>();
  auto app = MakeRCPtr<App>(MakeRCPtr<LControlFactory>(WideString(u"App")),
                            MakeRCPtr<LStringTable>(LStringTable::Entries()), mHost);
  OSWindow* window = MakeWindow();
  const std::string line = "editor.exe -x";
  std::vector<std::uint8_t> bytes(line.begin(), line.end());
  bytes.push_back(0);
  window->OnCopyData(kCopyDataCommandLine, bytes);
  window->OnCopyData(kCopyDataCommandLine + 1, bytes);
  window->GetPlatformWindow().SetEnabled(false);
  window->OnCopyData(kCopyDataCommandLine, bytes);
  EXPECT_EQ(app->texts, std::vector<std::string>{line});
  window->DestroyWindow();
  mWindows.clear();
}

TEST_F(OSWindowTest, ModalLoopEndsWithItsResultAndGivesTheParentItsInputBack) {
  OSWindow* parent = MakeWindow(true);
  OSWindow* dialog = MakeWindow(false, parent);
  const Platform::WindowId dialogId = Id(dialog);
  mWindows.pop_back(); // the loop destroys it
  bool parentEnabledDuringLoop = true;
  auto hook = test::MakeClient("idle", nullptr);
  hook->hook = [&](test::LoggingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
    parentEnabledDuringLoop = parent->GetPlatformWindow().IsEnabled();
    (void)dialog->EndModal(7);
  };
  GetApplicationNotificationCenter()->RegisterClient(hook, u"NID_IDLE", 0);
  EXPECT_EQ(dialog->RunModalLoop(), 7);
  GetApplicationNotificationCenter()->UnregisterClientFromAll(hook);
  EXPECT_GE(hook->received, 1);
  EXPECT_FALSE(parentEnabledDuringLoop);
  EXPECT_TRUE(parent->GetPlatformWindow().IsEnabled());
  EXPECT_EQ(OSWindow::FromId(dialogId), nullptr);
}

// Nested modal loops: a key on the outer window opens the inner one's loop; a key on the inner one runs the
// action while both loops are on the stack.
struct NestedLoops {
  struct OpenInner : RecordingInput {
    void DispatchKey(const RCPtr<LKeyParam>&) override {
      if (!opened) {
        opened = true;
        result = inner->RunModalLoop();
      }
    }
    OSWindow* inner = nullptr;
    bool opened = false;
    std::int32_t result = 0;
  };
  struct WhileInner : RecordingInput {
    void DispatchKey(const RCPtr<LKeyParam>&) override {
      if (!ran) {
        ran = true;
        action();
      }
    }
    std::function<void()> action;
    bool ran = false;
  };
  OpenInner openInner;
  WhileInner whileInner;
};

TEST_F(OSWindowTest, AnEndedLoopEndedAgainKeepsItsResultAndItsWindowUntilItReturns) {
  OSWindow* parent = MakeWindow(true);
  OSWindow* outer = MakeWindow(false, parent);
  OSWindow* inner = MakeWindow(false, outer);
  const Platform::WindowId outerId = Id(outer);
  const Platform::WindowId innerId = Id(inner);
  mWindows.resize(1); // the loops destroy the other two
  NestedLoops loops;
  loops.openInner.inner = inner;
  outer->SetInputReceiver(&loops.openInner);
  inner->SetInputReceiver(&loops.whileInner);
  loops.whileInner.action = [&] {
    EXPECT_EQ(OSWindow::GetInnermostModalWindow(), inner);
    EXPECT_TRUE(OSWindow::IsBehindModalWindow(outer));
    EXPECT_FALSE(OSWindow::IsBehindModalWindow(inner));
    EXPECT_EQ(outer->EndModal(3), S_OK);
    EXPECT_FALSE(outer->IsInModalLoop());
    // Ending the ended loop again, or destroying its window, must not delete the window under its loop.
    EXPECT_EQ(outer->EndModal(4), S_OK);
    outer->DestroyWindow();
    EXPECT_EQ(OSWindow::FromId(outerId), outer);
    EXPECT_TRUE(inner->IsInModalLoop()) << "the inner loop runs on";
    EXPECT_EQ(inner->EndModal(5), S_OK);
    EXPECT_EQ(inner->EndModal(6), S_OK);
  };
  ASSERT_TRUE(mSimulator.Key(outerId, 0x41, true));
  ASSERT_TRUE(mSimulator.Key(innerId, 0x41, true));
  EXPECT_EQ(outer->RunModalLoop(), 3);
  EXPECT_TRUE(loops.whileInner.ran);
  EXPECT_EQ(loops.openInner.result, 5);
  EXPECT_EQ(OSWindow::FromId(outerId), nullptr);
  EXPECT_EQ(OSWindow::FromId(innerId), nullptr);
  EXPECT_EQ(OSWindow::GetInnermostModalWindow(), nullptr);
  EXPECT_TRUE(parent->GetPlatformWindow().IsEnabled());
  // Outside a loop, ending a window still destroys it.
  OSWindow* modeless = MakeWindow();
  const Platform::WindowId modelessId = Id(modeless);
  mWindows.pop_back();
  EXPECT_EQ(modeless->EndModal(0), S_OK);
  EXPECT_EQ(OSWindow::FromId(modelessId), nullptr);
}

TEST_F(OSWindowTest, WhileAModalLoopRunsOnlyItsWindowsKeysAndTheEditKeysAct) {
  OSWindow* parent = MakeWindow(true);
  OSWindow* dialog = MakeWindow(true, parent);
  const Platform::WindowId dialogId = Id(dialog);
  mWindows.pop_back();
  const KeyCode open = KeyCode::Parse(WideString(u"Ctrl+VKEY_O"));
  const KeyCode copy = KeyCode::Parse(WideString(u"Ctrl+VKEY_C"));
  const KeyCode windowKey = KeyCode::Parse(WideString(u"Ctrl+VKEY_W"));
  HotKeyMap& global = mApp->GetGlobalHotKeyManager()->GetHotKeyMap();
  ASSERT_EQ(global.AddKey(open, WideString(u"NID_MENU_FILE_LOAD_PRESET_FROM_FILE")), S_OK);
  ASSERT_EQ(global.AddKey(copy, WideString(u"NID_EDIT_COPY_REQ")), S_OK);
  const RCPtr<LRootWindow> behind = parent->GetRootWindow();
  const RCPtr<LRootWindow> front = dialog->GetRootWindow();
  ASSERT_TRUE(behind && front);
  ASSERT_EQ(behind->GetHotKeyManager()->GetHotKeyMap().AddKey(windowKey, WideString(u"NID_TEST_BEHIND")), S_OK);
  ASSERT_EQ(front->GetHotKeyManager()->GetHotKeyMap().AddKey(windowKey, WideString(u"NID_TEST_FRONT")), S_OK);
  std::vector<std::string> log;
  const auto behindClient = test::MakeClient("behind", &log);
  const auto frontClient = test::MakeClient("front", &log);
  behind->RegisterClient(behindClient, u"NID_TEST_BEHIND", 0);
  front->RegisterClient(frontClient, u"NID_TEST_FRONT", 0);

  struct Keys : RecordingInput {
    void DispatchKey(const RCPtr<LKeyParam>&) override { action(); }
    std::function<void()> action;
  } keys;
  dialog->SetInputReceiver(&keys);
  keys.action = [&] {
    EXPECT_EQ(mApp->ProcessGlobalHotKey(open), 1) << "the application's command belongs to the window behind";
    EXPECT_EQ(mApp->ProcessGlobalHotKey(copy), 0) << "an edit key works on the dialog's focus";
    EXPECT_EQ(behind->ProcessHotKey(windowKey), S_OK) << "taken, and nothing fires";
    EXPECT_EQ(front->ProcessHotKey(windowKey), S_OK);
    static_cast<void>(behind->ProcessIdle(false));
    static_cast<void>(front->ProcessIdle(false));
    (void)dialog->EndModal(1);
  };
  ASSERT_TRUE(mSimulator.Key(dialogId, 0x41, true));
  EXPECT_EQ(dialog->RunModalLoop(), 1);
  EXPECT_EQ(log.size(), 1u);
  EXPECT_EQ(
      std::count_if(log.begin(), log.end(), [](const std::string& entry) { return entry.find("front") == 0; }), 1);
  // With no loop running, the window's and the application's keys act again.
  EXPECT_EQ(mApp->ProcessGlobalHotKey(open), 0);
  EXPECT_EQ(behind->ProcessHotKey(windowKey), S_OK);
  static_cast<void>(behind->ProcessIdle(false));
  EXPECT_EQ(log.size(), 2u);
  EXPECT_EQ(log.back().find("behind"), 0u);
  behind->UnregisterClientFromAll(behindClient);
  front->UnregisterClientFromAll(frontClient);
}

TEST_F(OSWindowTest, AQuitDuringAModalLoopEndsItAndIsPostedAgain) {
  OSWindow* parent = MakeWindow(true);
  OSWindow* dialog = MakeWindow(false, parent);
  mWindows.pop_back();
  ASSERT_TRUE(Platform::PostQuit());
  EXPECT_EQ(dialog->RunModalLoop(), kModalLoopQuit);
  EXPECT_TRUE(parent->GetPlatformWindow().IsEnabled());
  // The request stands for the loops outside.
  EXPECT_TRUE(mHost.IsQuitRequested());
  EXPECT_EQ(mHost.RunLoop({}, [] { return true; }), Platform::AppHost::kLoopQuit);
}

TEST_F(OSWindowTest, AnExceptionFromTheRootWindowLeavesTheLoopAndReachesTheCaller) {
  struct Throwing : RecordingInput {
    void DispatchKey(const RCPtr<LKeyParam>&) override { throw std::runtime_error("key handler"); }
  } throwing;
  OSWindow* parent = MakeWindow(true);
  OSWindow* dialog = MakeWindow(false, parent);
  dialog->SetInputReceiver(&throwing);
  InputSimulator& simulator = mSimulator;
  ASSERT_TRUE(simulator.Key(Id(dialog), 0x41, true));
  EXPECT_THROW((void)dialog->RunModalLoop(), std::runtime_error);
  EXPECT_TRUE(parent->GetPlatformWindow().IsEnabled());
  EXPECT_FALSE(dialog->IsInModalLoop());
}

TEST_F(OSWindowTest, TheApplicationsLoopHandsEventsToTheWindowsAndPaintsWhatIsInvalid) {
  OSWindow* window = MakeWindow();
  InputSimulator& simulator = mSimulator;
  ASSERT_TRUE(simulator.Key(Id(window), 0x41, true));
  window->InvalidateRect({0, 0, 10, 10});
  auto quit = test::MakeClient("quit", nullptr);
  quit->hook = [](test::LoggingClient&, const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) {
    (void)Platform::PostQuit();
  };
  GetApplicationNotificationCenter()->RegisterClient(quit, u"NID_IDLE");
  EXPECT_EQ(mApp->LFrameworkApp::RunMessageLoop(), Platform::AppHost::kLoopQuit);
  GetApplicationNotificationCenter()->UnregisterClientFromAll(quit);
  std::erase_if(mInput.keys, [](const KeyCode& key) { return !key.IsVirtualKey(); });
  ASSERT_EQ(mInput.keys.size(), 1u);
  EXPECT_EQ(mInput.keys[0].GetVirtualKey(), 0x41);
  EXPECT_NE(std::find(mInput.log.begin(), mInput.log.end(), "paint"), mInput.log.end());
  EXPECT_FALSE(window->IsPaintPending());
}

TEST_F(OSWindowTest, TheMainWindowSavesItsPlacementWhenDestroyed) {
  std::vector<std::string> sections;
  Platform::WindowPlacement saved;
  OSWindow::SetPlacementWriter([&](const WideString& section, const Platform::WindowPlacement& placement) {
    sections.push_back(Text(section));
    saved = placement;
  });
  OSWindow* main = MakeWindow(true);
  OSWindow* other = MakeWindow(true);
  other->DestroyWindow();
  EXPECT_TRUE(sections.empty());
  main->DestroyWindow();
  mWindows.clear();
  EXPECT_EQ(sections, std::vector<std::string>{"TestMainWindowClass"});
  EXPECT_EQ(saved.state, Platform::WindowShowState::kRestored);
  EXPECT_EQ(saved.normalBounds, (Platform::WindowRect{100, 100, 200, 150}));
  EXPECT_EQ(mApp->GetRootWindowCount(), 0u);
}

// Paints the whole client area blue and, on top, the region it is given red,
// with the window's renderer.
class PaintingInput : public RecordingInput {
public:
  void TakeInvalidRegion(Region& out) override {
    out = Region();
    out = next;
    next = Region();
  }
  void Paint(const Region& region) override {
    EdgeRect bounds{};
    if (!renderer || !region.GetBounds(bounds))
      return;
    renderer->FillRect({bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top},
                       Color::FromARGB(color), false);
    ++paints;
  }

  RCPtr<LRenderer> renderer;
  Region next;
  std::uint32_t color = 0xFF0000FF;
  std::int32_t paints = 0;
};

TEST_F(OSWindowTest, APaintRendersThroughTheGdiRoleRendererAndShowsOnlyWhatChanged) {
  OSWindow* window = MakeWindow();
  ASSERT_EQ(window->CreateRenderer(kRendererTypeGDIPlus), S_OK);
  ASSERT_TRUE(window->GetRootWindow());
  PaintingInput painting;
  painting.renderer = window->GetRootWindow()->GetRenderer();
  window->SetInputReceiver(&painting);

  // The first paint: the whole client area.
  painting.next.AddRect({0, 0, 200, 150});
  window->InvalidateAll();
  Pump();
  EXPECT_EQ(painting.paints, 1);
  std::vector<std::uint32_t> pixels;
  ASSERT_TRUE(window->GetPlatformWindow().ReadPixels({0, 0, 200, 150}, pixels));
  EXPECT_EQ(pixels[0], 0xFF0000FFu);
  EXPECT_EQ(pixels[149 * 200 + 199], 0xFF0000FFu);

  // The framework invalidates one rectangle: only it is drawn and shown again.
  const std::uint32_t shownBefore = window->GetPresenter().GetPresentCount();
  painting.color = 0xFFFF0000;
  painting.next.AddRect({10, 20, 40, 50});
  window->InvalidateRect({10, 20, 30, 30});
  Pump();
  EXPECT_EQ(painting.paints, 2);
  EXPECT_EQ(window->GetPresenter().GetPresentCount(), shownBefore + 1);
  ASSERT_TRUE(window->GetPlatformWindow().ReadPixels({0, 0, 200, 150}, pixels));
  EXPECT_EQ(pixels[25 * 200 + 15], 0xFFFF0000u);
  EXPECT_EQ(pixels[25 * 200 + 45], 0xFF0000FFu);
  EXPECT_EQ(pixels[5 * 200 + 5], 0xFF0000FFu);
  // The back buffer went to the window straight: the presenter holds no frame of its own.
  EXPECT_FALSE(window->GetPresenter().HasOwnPixels());

  // Part of the window lost its pixels, nothing of the framework's: the back
  // buffer shows them again and nothing is drawn.
  const std::uint32_t shownBeforeRepair = window->GetPresenter().GetPresentCount();
  window->InvalidateRect({0, 0, 10, 10});
  Pump();
  EXPECT_EQ(painting.paints, 2);
  EXPECT_EQ(window->GetPresenter().GetPresentCount(), shownBeforeRepair + 1);

  // The whole window lost them: the whole client area is painted.
  InputSimulator& simulator = mSimulator;
  ASSERT_TRUE(simulator.Change(Id(window), Platform::SimulatedWindowChange::kExposed));
  Pump();
  EXPECT_EQ(painting.paints, 3);
  ASSERT_TRUE(window->GetPlatformWindow().ReadPixels({0, 0, 200, 150}, pixels));

  // A screenshot of the window.
  test::TempFolder folder;
  std::unique_ptr<Platform::Image> image = Platform::Image::Create(200, 150);
  ASSERT_TRUE(image);
  for (std::int32_t y = 0; y < 150; ++y) {
    for (std::int32_t x = 0; x < 200; ++x)
      ASSERT_EQ(image->SetPixel(x, y, pixels[static_cast<std::size_t>(y * 200 + x)]), Platform::ImageStatus::Ok);
  }
  const std::string path = folder.File("window.png");
  ASSERT_EQ(image->SavePngFile(path.c_str()), Platform::ImageStatus::Ok);
  std::unique_ptr<Platform::Image> loaded = Platform::Image::LoadPngFile(path.c_str());
  ASSERT_TRUE(loaded);
  std::uint32_t argb = 0;
  ASSERT_EQ(loaded->GetPixel(15, 25, argb), Platform::ImageStatus::Ok);
  EXPECT_EQ(argb, 0xFFFF0000u); // the last paint's colour over the whole area
}

TEST_F(OSWindowTest, APaintThatThrowsEndsItsFrameAndTheNextPaintDraws) {
  struct ThrowingOnce : PaintingInput {
    void Paint(const Region& region) override {
      PaintingInput::Paint(region);
      if (paints == 1)
        throw std::runtime_error("no font");
    }
  } painting;
  OSWindow* window = MakeWindow();
  ASSERT_EQ(window->CreateRenderer(kRendererTypeGDIPlus), S_OK);
  painting.renderer = window->GetRootWindow()->GetRenderer();
  window->SetInputReceiver(&painting);
  painting.next.AddRect({0, 0, 200, 150});
  EXPECT_THROW((void)window->RedrawNow(), std::runtime_error);
  EXPECT_EQ(painting.renderer->GetStartedContextCount(), 0u);

  painting.color = 0xFFFF0000;
  painting.next.AddRect({0, 0, 200, 150});
  EXPECT_EQ(window->RedrawNow(), S_OK);
  EXPECT_EQ(painting.paints, 2);
  std::vector<std::uint32_t> pixels;
  ASSERT_TRUE(window->GetPlatformWindow().ReadPixels({0, 0, 200, 150}, pixels));
  EXPECT_EQ(pixels[75 * 200 + 100], 0xFFFF0000u);
}

// On a real X server (the CTest entry qz_application_x11 runs this group under
// xvfb-run): the cursor the window sets is the process's, and the capture the
// window takes is the window system's.
class OSWindowX11 : public ::testing::Test {
protected:
  void SetUp() override {
    const char* wanted = std::getenv("QZ_APPLICATION_X11_TESTS");
    if (wanted == nullptr || std::string_view(wanted) != "1")
      GTEST_SKIP() << "runs under xvfb-run only (the CTest entry qz_application_x11)";
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(Platform::StartWindowSystem()) << Platform::GetWindowSystemError();
    mStarted = true;
    mSimulator.emplace();
    OSWindow::SCreateParams params;
    params.clientBounds = {50, 50, 200, 150};
    params.visible = true;
    mWindow = OSWindow::Create(params);
    ASSERT_NE(mWindow, nullptr);
    mWindow->SetInputReceiver(&mInput);
  }
  void TearDown() override {
    if (mWindow)
      mWindow->DestroyWindow();
    mSimulator.reset();
    if (mStarted)
      Platform::StopWindowSystem();
  }

  bool mStarted = false;
  std::optional<InputSimulator> mSimulator;
  OSWindow* mWindow = nullptr;
  RecordingInput mInput;
};

TEST_F(OSWindowX11, TheCursorIsTheProcesssAndSettingItAgainChangesNothing) {
  const Platform::CursorId arrow = Platform::GetSystemCursor(Platform::SystemCursor::kArrow);
  const Platform::CursorId beam = Platform::GetSystemCursor(Platform::SystemCursor::kIBeam);
  ASSERT_NE(arrow, Platform::kNoCursor);
  ASSERT_NE(beam, Platform::kNoCursor);
  (void)mWindow->SetCursor(arrow);
  EXPECT_EQ(mWindow->SetCursor(beam), arrow);
  EXPECT_EQ(Platform::GetCurrentCursor(), beam);
  EXPECT_EQ(mWindow->SetCursor(beam), beam);
  EXPECT_EQ(mWindow->SetCursor(arrow), beam);
}

TEST_F(OSWindowX11, HoveringTheActiveWindowTakesNoCapture) {
  // The window system reports leaving and entering; a capture here would grab the pointer from every other client.
  const Platform::WindowId id = mWindow->GetPlatformWindow().GetId();
  ASSERT_TRUE(mSimulator->Change(id, Platform::SimulatedWindowChange::kFocusGained));
  EXPECT_TRUE(OSWindow::PumpWindowEvents());
  ASSERT_EQ(Platform::Window::GetFocusWindow(), id);
  ASSERT_TRUE(mSimulator->MovePointer(id, {20, 20}));
  EXPECT_TRUE(OSWindow::PumpWindowEvents());
  EXPECT_FALSE(mWindow->HasCaptureFlag());
  EXPECT_EQ(Platform::Window::GetCaptureWindow(), Platform::kNoWindow);
}

TEST_F(OSWindowX11, APressTakesTheCaptureAndAReleaseOutsideGivesItBack) {
  const Platform::WindowId id = mWindow->GetPlatformWindow().GetId();
  ASSERT_TRUE(mSimulator->PressButton(id, Platform::kMouseLeft, {20, 20}));
  EXPECT_TRUE(OSWindow::PumpWindowEvents());
  EXPECT_TRUE(mWindow->HasCaptureFlag());
  EXPECT_EQ(Platform::Window::GetCaptureWindow(), id);
  // While the window holds the capture, the buttons are its own record.
  EXPECT_EQ(mWindow->GetMouseButtonState(), Platform::kMouseLeft);

  ASSERT_TRUE(mSimulator->ReleaseButton(id, Platform::kMouseLeft, {-100, -100}));
  EXPECT_TRUE(OSWindow::PumpWindowEvents());
  EXPECT_FALSE(mWindow->HasCaptureFlag());
  EXPECT_EQ(Platform::Window::GetCaptureWindow(), Platform::kNoWindow);
  EXPECT_NE(std::find(mInput.log.begin(), mInput.log.end(), "button(1,1,0,-100,-100)"), mInput.log.end());
}

} // namespace
} // namespace QZ
