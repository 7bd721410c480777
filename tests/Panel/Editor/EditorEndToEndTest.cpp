// The editor as it ships, in this process: the generated skins, string tables and pictures embedded as the
// program embeds them, the simulated controller, and the user's hand played by the input simulator on the
// main window (mouse on the program buttons, the up-down arrows and the menu bar; Ctrl+S / Ctrl+O with the
// focus in a text box). The message boxes, the file chooser and the shell "open" are the platform's fakes.
// Runs under the offscreen driver, and on a virtual X server when QZ_EDITOR_E2E_X11=1 (the CTest entry
// pellan_vorn_editor_x11), where the cursors are real.

#include "Panel/Main/Application.h"
#include "Panel/Main/ApplicationBaseWin.h"
#include "Panel/Main/Version.h"

#include "Platform/App/FakeMessageBox.h"
#include "Platform/Dialogs/FakeFileChooser.h"
#include "Platform/Dialogs/FakeShellOpener.h"
#include "Platform/Folders/Folders.h"
#include "Platform/Graphics2D/Image.h"
#include "Platform/Midi/MidiSystem.h"
#include "Platform/Midi/SimulatedMidiSystem.h"
#include "Platform/Window/InputSimulator.h"
#include "Platform/Window/InputState.h"
#include "Platform/Window/WindowSystem.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Application/RootWindow.h"
#include "QZFramework/Controls/ComboBox.h"
#include "QZFramework/Controls/ComboMenu.h"
#include "QZFramework/Controls/ListBox.h"
#include "QZFramework/Controls/Dialog.h"
#include "QZFramework/Controls/MainMenu.h"
#include "QZFramework/Controls/NumericUpDown.h"
#include "QZFramework/Controls/PopupMenu.h"
#include "QZFramework/Controls/TextBox.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/RunningEditor.h"
#include "Support/TempFolder.h"
#include "Support/VariantTestSupport.h"
#include "UI/DeviceView.h"
#include "UI/DriverCommon/MainControl.h"
#include "UI/PresetEditorCommon/AboutDlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

using Bytes = std::vector<std::uint8_t>;
using Record = Platform::SimulatedController::Record;

constexpr std::uint32_t kVirtualControl = 0x11;
constexpr std::uint32_t kVirtualO = 0x4F;
constexpr std::uint32_t kVirtualS = 0x53;

// Slot 5's program: channel 3, octave, transpose, arpeggiator on, ..., tempo 120 (two bytes), arpeggiator
// octave.
const Record kSlotFive = {0x03, 0x05, 0x0E, 0x01, 0x02, 0x03, 0x04, 0x05, 0x01, 0x03, 0x00, 0x78, 0x02};
constexpr std::size_t kTempoLow = 11;

bool OnX11() {
  const char* wanted = std::getenv("QZ_EDITOR_E2E_X11");
  return wanted != nullptr && std::string(wanted) == "1";
}

class EditorEndToEnd : public ::testing::Test {
protected:
  void SetUp() override {
    ::setenv("SDL_VIDEODRIVER", OnX11() ? "x11" : "offscreen", 1);
    mStarted = Platform::StartWindowSystem();
    ASSERT_TRUE(mStarted) << Platform::GetWindowSystemError();
    ASSERT_FALSE(mFolders.Runtime().empty());
    mSimulator.SetModifiers(0);
  }
  void TearDown() override {
    if (mModalListener)
      GetApplicationNotificationCenter()->UnregisterClientFromAll(RCPtr<LNotificationReceiver>(mModalListener));
    if (mProcess)
      mProcess->ShutDown();
    mProcess.reset();
    if (mPreviousMidi)
      Platform::SetMidiSystem(mPreviousMidi);
    if (mStarted)
      Platform::StopWindowSystem();
  }

  // Starts the editor with the embedded resources on a screen of that resolution and the MIDI backend, and
  // waits for the controller's ports.
  LApplication* Start(const char* midi, std::int32_t dpi = 96) {
    mPreviousMidi = Platform::SetMidiSystem(Platform::CreateMidiSystem(midi));
    SEditorOptions options;
    options.mEnvironment.mScreenDpi = dpi;
    mApp = test::StartEditorProcess(mProcess, options, mFolders.Runtime(), midi);
    if (!mApp)
      return nullptr;
    mWindowId = mApp->GetMainWindow()->GetPlatformWindow().GetId();
    EXPECT_TRUE(mSimulator.Change(mWindowId, Platform::SimulatedWindowChange::kFocusGained));
    Pump();
    return mApp;
  }

  Platform::SimulatedController& Controller() {
    auto simulated = std::dynamic_pointer_cast<Platform::SimulatedMidiSystem>(Platform::GetMidiSystem());
    EXPECT_TRUE(simulated);
    return simulated->GetController();
  }

  // The window's events, then one idle pass (which delivers posted commands and engine values).
  void Pump() {
    EXPECT_TRUE(OSWindow::PumpWindowEvents());
    static_cast<void>(mApp->ProcessIdle(true));
  }

  RCPtr<LControl> Main() const { return mApp->GetMainWindow()->GetRootWindow()->GetRootControl(); }
  RCPtr<LDeviceView> View() const {
    return DynamicCast<LDeviceView>(Main()->FindChild(WideString(kDeviceViewName)));
  }
  RCPtr<LMainMenu> Bar() const { return DynamicCast<LMainMenu>(Main()->FindChild(WideString(u"mainMenu"))); }
  // A control of the device view by its path of names ("arpeggiator/tempo/parameterControl").
  RCPtr<LControl> Find(const std::string& path) const {
    RCPtr<LControl> control = View();
    std::size_t at = 0;
    while (control && at <= path.size()) {
      const std::size_t slash = std::min(path.find('/', at), path.size());
      control = control->FindChild(WideString(path.substr(at, slash - at).c_str()));
      at = slash + 1;
    }
    return control;
  }

  static Platform::WindowPoint Centre(const RCPtr<LControl>& control) {
    const PointT<double> at = control->GetPositionInRoot();
    const RectT<double>& bounds = control->GetBounds();
    return {static_cast<std::int32_t>(at.x + bounds.width / 2),
            static_cast<std::int32_t>(at.y + bounds.height / 2)};
  }
  static Platform::WindowPoint RowPoint(const RCPtr<LPopupMenu>& menu, std::int32_t row) {
    const RectT<double> rect = menu->GetRowRect(row);
    const PointT<double> at = menu->GetPositionInRoot();
    return {static_cast<std::int32_t>(at.x + rect.x + rect.width / 2),
            static_cast<std::int32_t>(at.y + rect.y + rect.height / 2)};
  }

  void ClickAt(Platform::WindowId window, const Platform::WindowPoint& at) {
    ASSERT_TRUE(mSimulator.MovePointer(window, at));
    Pump();
    ASSERT_TRUE(mSimulator.PressButton(window, Platform::kMouseLeft, at));
    Pump();
    ASSERT_TRUE(mSimulator.ReleaseButton(window, Platform::kMouseLeft, at));
    Pump();
  }
  void Click(const RCPtr<LControl>& control) {
    ASSERT_TRUE(control);
    ClickAt(mWindowId, Centre(control));
  }
  void Click(const std::string& path) {
    SCOPED_TRACE(path);
    Click(Find(path));
  }
  // Ctrl and a letter on the main window.
  void CtrlKey(std::uint32_t key) {
    ASSERT_TRUE(mSimulator.Key(mWindowId, kVirtualControl, true));
    ASSERT_TRUE(mSimulator.Key(mWindowId, key, true));
    ASSERT_TRUE(mSimulator.Key(mWindowId, key, false));
    ASSERT_TRUE(mSimulator.Key(mWindowId, kVirtualControl, false));
    Pump();
    Pump();
  }

  // Opens a title of the menu bar by mouse; its pop-up menu.
  RCPtr<LPopupMenu> OpenMenu(const char16_t* title) {
    const RCPtr<LComboMenu> combo = DynamicCast<LComboMenu>(Bar()->FindChild(WideString(title)));
    EXPECT_TRUE(combo);
    if (!combo)
      return RCPtr<LPopupMenu>();
    Click(RCPtr<LControl>(combo));
    EXPECT_TRUE(combo->IsDroppedDown());
    return combo->GetPopup();
  }
  void ClickRow(const RCPtr<LPopupMenu>& menu, std::int32_t row) {
    ASSERT_TRUE(menu);
    ClickAt(mWindowId, RowPoint(menu, row));
  }

  Bytes EngineRecord() const { return test::EngineRecord(*mApp); }
  std::string TempoText() const {
    const RCPtr<LNumericUpDown> tempo = DynamicCast<LNumericUpDown>(Find("arpeggiator/tempo/parameterControl"));
    return tempo && tempo->GetTextBox() ? Narrow(tempo->GetTextBox()->GetText()) : std::string("<none>");
  }
  std::string LastCaption() const { return mBoxes->mShown.empty() ? "<none>" : mBoxes->mShown.back().caption; }

  // Runs the action once a window opened over the main window (a modal run is under way), from an idle pass.
  void WhenModal(std::function<void(OSWindow&)> action) {
    test::WhenModal(*mApp, mModalListener, std::move(action));
  }

  bool mStarted = false;
  test::TempFolder mTemp;
  test::ScopedEditorFolders mFolders{mTemp.Path()};
  Platform::ScopedFakeMessageBox mBoxes;
  Platform::ScopedFakeFileChooser mChooser;
  Platform::ScopedFakeShellOpener mOpener;
  Platform::InputSimulator mSimulator;
  std::shared_ptr<Platform::MidiSystem> mPreviousMidi;
  std::unique_ptr<CEditorProcess> mProcess;
  LApplication* mApp = nullptr;
  Platform::WindowId mWindowId = Platform::kNoWindow;
  RCPtr<test::ActionListener> mModalListener;
};

TEST_F(EditorEndToEnd, ProgramsMoveBetweenTheControllerTheEditorAndFiles) {
  ASSERT_TRUE(Start("simulated"));
  ASSERT_TRUE(View());
  // The view gave the menu bar its delegate: setting the same one again says so.
  ASSERT_TRUE(Bar());
  EXPECT_TRUE(Bar()->SetMenuItemUpdater(View()->GetMenuItemUpdater()));

  // GET 5: the controller's slot in the engine and in the panels.
  Controller().SetProgram(5, kSlotFive);
  Click("programBankPanel/getProgram5");
  EXPECT_EQ(LastCaption(), "Retrieve Successful");
  EXPECT_EQ(EngineRecord(), Bytes(kSlotFive.begin(), kSlotFive.end()));
  EXPECT_EQ(TempoText(), "120");

  // The tempo one up by its arrow.
  Click("arpeggiator/tempo/parameterControl/buttonUp");
  EXPECT_EQ(TempoText(), "121");
  Bytes edited(kSlotFive.begin(), kSlotFive.end());
  edited[kTempoLow] = 0x79;
  EXPECT_EQ(EngineRecord(), edited);

  // SEND 3 stores it in slot 3.
  const std::size_t boxes = mBoxes->mShown.size();
  Click("programBankPanel/sendProgram3");
  EXPECT_EQ(LastCaption(), "Send Success");
  EXPECT_EQ(mBoxes->mShown.size(), boxes + 1);
  const Record three = Controller().GetProgram(3);
  EXPECT_EQ(Bytes(three.begin(), three.end()), edited);

  // SEND TO RAM, then the File menu's "Send Program" > "Ram" row: both program 0.
  Click("programBankPanel/sendToRam");
  EXPECT_EQ(LastCaption(), "Send Success");
  Record ram = Controller().GetProgram(0);
  EXPECT_EQ(Bytes(ram.begin(), ram.end()), edited);
  Controller().SetProgram(0, {});
  const RCPtr<LPopupMenu> file = OpenMenu(u"File");
  ASSERT_TRUE(file);
  // The pointer rests on "Send Program" until its submenu opens.
  ASSERT_TRUE(mSimulator.MovePointer(mWindowId, RowPoint(file, 0)));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!file->GetSubmenu() && std::chrono::steady_clock::now() < deadline) {
    Pump();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const RCPtr<LPopupMenu> send = file->GetSubmenu();
  ASSERT_TRUE(send);
  EXPECT_EQ(Narrow(send->GetRowItem(0)->mLabel), "Ram");
  ASSERT_TRUE(send->IsVisible(true));
  ClickRow(send, 0);
  Pump();
  ram = Controller().GetProgram(0);
  EXPECT_EQ(Bytes(ram.begin(), ram.end()), edited);
  EXPECT_EQ(LastCaption(), "Send Success");

  // Ctrl+S and Ctrl+O with the focus in the tempo's text box, through the file chooser.
  const std::filesystem::path path = mTemp.Path() / "documents" / "edited.pellanvorn";
  std::filesystem::create_directories(path.parent_path());
  const RCPtr<LNumericUpDown> tempo = DynamicCast<LNumericUpDown>(Find("arpeggiator/tempo/parameterControl"));
  ASSERT_TRUE(tempo);
  ASSERT_EQ(tempo->GetTextBox()->SetFocus(true), S_OK);
  mChooser->Accept(path.string());
  CtrlKey(kVirtualS);
  ASSERT_EQ(mChooser->mRequests.size(), 1u);
  EXPECT_EQ(mChooser->mRequests[0].title, "Select Save Location");
  ASSERT_TRUE(std::filesystem::exists(path));

  Click("arpeggiator/tempo/parameterControl/buttonDown");
  Click("arpeggiator/tempo/parameterControl/buttonDown");
  EXPECT_EQ(TempoText(), "119");
  ASSERT_EQ(tempo->GetTextBox()->SetFocus(true), S_OK);
  const std::size_t shown = mBoxes->mShown.size();
  mChooser->Accept(path.string());
  CtrlKey(kVirtualO);
  ASSERT_EQ(mChooser->mRequests.size(), 2u);
  EXPECT_EQ(mChooser->mRequests[1].title, "Select Program File");
  EXPECT_EQ(EngineRecord(), edited);
  EXPECT_EQ(TempoText(), "121");
  EXPECT_EQ(mBoxes->mShown.size(), shown) << "a good file loads without a message";

  // File > Exit ends the run.
  ClickRow(OpenMenu(u"File"), 6);
  Pump();
  EXPECT_TRUE(mProcess->IsQuitRequested());
}

TEST_F(EditorEndToEnd, AControllerThatNeverAnswersGivesTheRetrieveError) {
  ASSERT_TRUE(Start("simulated:silent"));
  const Bytes before = EngineRecord();
  Click("programBankPanel/getProgram5");
  EXPECT_EQ(LastCaption(), "Retrieve Program Error");
  EXPECT_EQ(EngineRecord(), before);
}

TEST_F(EditorEndToEnd, HelpOpensTheUserGuideAndTheAboutBox) {
  ASSERT_TRUE(Start("simulated"));
  const std::string guide =
      Narrow(mApp->GetFolder(kFolderExecutable)) + "/" + Narrow(WideString(kUserGuideFileName));
  ClickRow(OpenMenu(u"Help"), 0);
  ASSERT_EQ(mOpener->mTargets.size(), 1u);
  EXPECT_EQ(mOpener->mTargets[0], guide);
  EXPECT_TRUE(mBoxes->mShown.empty());

  mOpener->mAnswer = Platform::kShellOpenFailed;
  ClickRow(OpenMenu(u"Help"), 0);
  EXPECT_EQ(LastCaption(), "Open User Guide Failed");
  mOpener->mAnswer = Platform::kShellOpened;

  // Help > About runs the box until its close box is allowed.
  const RCPtr<test::ActionListener> refuser = MakeRCPtr<test::ActionListener>();
  refuser->mAction = [](const RCPtr<LNotification>& notification) {
    if (const auto args = DynamicCast<LCancelArgs>(notification->GetPayload()))
      args->mCancel = 1;
  };
  std::int32_t ended = -1;
  bool shown = false;
  WhenModal([&](OSWindow& window) {
    shown = true;
    const RCPtr<LRootWindow> root = window.GetRootWindow();
    const RCPtr<LAboutDlg> about = DynamicCast<LAboutDlg>(root->GetRootControl());
    ASSERT_TRUE(about);
    EXPECT_EQ(window.GetPlatformWindow().GetTitle(), "About Tolvane Pellan Vorn Program Editor");
    EXPECT_EQ(Narrow(about->FindChild(WideString(u"labelProduct"))->GetText()), "1.1.0.0");
    EXPECT_EQ(Narrow(about->FindChild(WideString(u"labelCopyright"))->GetText()),
              Narrow(Version::GetLegalCopyright()));
    EXPECT_FALSE(Narrow(Version::GetLegalCopyright()).empty());

    // The hand over the support button, by the pointer.
    ASSERT_TRUE(about->GetSupportButton());
    const CursorID hand = mApp->GetCursor(WideString(kCursorHand));
    EXPECT_EQ(about->GetSupportButton()->GetCursorID(), hand);
    const Platform::WindowId id = window.GetPlatformWindow().GetId();
    EXPECT_TRUE(mSimulator.Change(id, Platform::SimulatedWindowChange::kFocusGained));
    const Platform::WindowPoint support = Centre(RCPtr<LControl>(about->GetSupportButton()));
    ASSERT_TRUE(mSimulator.MovePointer(id, {support.x - 2, support.y}));
    EXPECT_TRUE(OSWindow::PumpWindowEvents());
    ASSERT_TRUE(mSimulator.MovePointer(id, support));
    EXPECT_TRUE(OSWindow::PumpWindowEvents());
    EXPECT_EQ(root->GetHoverControl().Get(), static_cast<LControl*>(about->GetSupportButton().Get()));
    if (OnX11()) {
      EXPECT_NE(hand, 0u);
      EXPECT_EQ(Platform::GetCurrentCursor(), hand);
    }

    // The close box, refused by a listener: the box stays; then allowed: it ends with 2.
    about->RegisterClient(RCPtr<LNotificationReceiver>(refuser), kNidDialogClosing);
    root->RequestSystemClose();
    EXPECT_FALSE(root->IsCloseRequested());
    about->UnregisterClient(RCPtr<LNotificationReceiver>(refuser), kNidDialogClosing);
    root->RequestSystemClose();
    EXPECT_TRUE(root->IsCloseRequested());
    ended = root->GetCloseResult();
  });
  ClickRow(OpenMenu(u"Help"), 1);
  EXPECT_TRUE(shown);
  EXPECT_EQ(refuser->mCount, 1);
  EXPECT_EQ(ended, kDialogResultCancel);
  EXPECT_EQ(mApp->GetRootWindowCount(), 1u) << "the box's window is gone";
}

// Both skins start with the embedded resources and take a click: the File title opens its menu, and GET 1
// (the first of the program buttons) fetches.
TEST_F(EditorEndToEnd, BothSkinsStartAndTakeAClick) {
  for (const std::int32_t dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    ASSERT_TRUE(Start("simulated", dpi));
    EXPECT_EQ(mApp->IsHighDpi(), dpi == 144);
    ASSERT_TRUE(View());
    EXPECT_EQ(Narrow(Main()->GetText()), mApp->GetMainWindow()->GetPlatformWindow().GetTitle());
    const RCPtr<LPopupMenu> file = OpenMenu(u"File");
    ASSERT_TRUE(file);
    EXPECT_EQ(file->GetItemCount(), 7);
    // The rows lie where the menu counts them: one row height apart, the last one inside the menu.
    EXPECT_EQ(file->GetRowRect(1).y - file->GetRowRect(0).y, file->GetRowHeight());
    EXPECT_EQ(file->GetRowRect(0).height, file->GetRowHeight());
    const RectT<double> last = file->GetRowRect(file->GetItemCount() - 1);
    EXPECT_LE(last.y + last.height, file->GetBounds().height);
    // So do a combo box's rows.
    const RCPtr<LComboBox> channel = DynamicCast<LComboBox>(Find("keybedPanel/midiChannel/comboBox"));
    ASSERT_TRUE(channel && channel->GetListBox());
    const RCPtr<LListBox> list = channel->GetListBox();
    ASSERT_GE(list->GetItemCount(), 2);
    EXPECT_EQ(list->GetRowRect(1).y - list->GetRowRect(0).y, list->GetRowHeight());
    EXPECT_EQ(list->GetRowRect(0).height, list->GetRowHeight());
    ClickAt(mWindowId, {Centre(Find("programBankPanel")).x, 2}); // closes it again
    Controller().SetProgram(1, kSlotFive);
    Click("programBankPanel/getProgram1");
    EXPECT_EQ(LastCaption(), "Retrieve Successful");
    EXPECT_EQ(EngineRecord(), Bytes(kSlotFive.begin(), kSlotFive.end()));
    mProcess->ShutDown();
    mProcess.reset();
    Platform::SetMidiSystem(mPreviousMidi);
    mPreviousMidi.reset();
    mBoxes->mShown.clear();
  }
}

// The PNGs scripts/screenshot wrote (the CTest entry pellan_vorn_editor_screenshots, into the folder named by
// QZ_EDITOR_SCREENSHOTS), probed at the rectangles of the controls of the same skin built here at the same
// resolution: every program button, parameter control, menu title and the logo is drawn (mostly not the view's
// background, and not one plain colour), and the menu bar shows.
class Screenshots : public EditorEndToEnd {};

struct Probe {
  std::string name;
  Platform::WindowRect rect;
};

// The share of the rectangle's pixels that differ from the colour, and from the rectangle's commonest colour.
std::pair<double, double> Shares(Platform::Image& image, const Platform::WindowRect& r, std::uint32_t colour) {
  std::map<std::uint32_t, int> counts;
  int differ = 0;
  int total = 0;
  for (std::int32_t y = r.y; y < r.y + r.height; ++y) {
    for (std::int32_t x = r.x; x < r.x + r.width; ++x) {
      std::uint32_t argb = 0;
      if (image.GetPixel(x, y, argb) != Platform::ImageStatus::Ok)
        continue;
      ++total;
      ++counts[argb];
      differ += argb != colour ? 1 : 0;
    }
  }
  if (total == 0)
    return {0, 0};
  int commonest = 0;
  for (const auto& [argb, count] : counts)
    commonest = std::max(commonest, count);
  return {static_cast<double>(differ) / total, static_cast<double>(total - commonest) / total};
}

TEST_F(Screenshots, EveryControlIsDrawnWhereTheSkinPlacesIt) {
  const char* folder = std::getenv("QZ_EDITOR_SCREENSHOTS");
  if (folder == nullptr || *folder == '\0')
    GTEST_SKIP() << "reads the pictures of the CTest entry pellan_vorn_editor_screenshots";
  for (const auto& [skin, dpi] : {std::pair{"Skin1", 96}, std::pair{"HighDPI", 144}}) {
    SCOPED_TRACE(skin);
    const std::string file = std::string(folder) + "/" + skin + ".png";
    const std::unique_ptr<Platform::Image> image = Platform::Image::LoadPngFile(file.c_str());
    ASSERT_TRUE(image) << file;
    ASSERT_TRUE(Start("none", dpi));
    const Platform::WindowRect client = mApp->GetMainWindow()->GetPlatformWindow().GetClientBounds();
    EXPECT_EQ(image->GetWidth(), client.width);
    EXPECT_EQ(image->GetHeight(), client.height);

    const auto rectOf = [](const RCPtr<LControl>& control) {
      const PointT<double> at = control->GetPositionInRoot();
      const RectT<double>& bounds = control->GetBounds();
      return Platform::WindowRect{static_cast<std::int32_t>(at.x), static_cast<std::int32_t>(at.y),
                                  static_cast<std::int32_t>(bounds.width),
                                  static_cast<std::int32_t>(bounds.height)};
    };
    std::vector<Probe> probes;
    const auto add = [&](const std::string& name, const RCPtr<LControl>& control) {
      EXPECT_TRUE(control) << name;
      if (control)
        probes.push_back({name, rectOf(control)});
    };
    for (int slot = 1; slot <= 8; ++slot) {
      add("sendProgram" + std::to_string(slot), Find("programBankPanel/sendProgram" + std::to_string(slot)));
      add("getProgram" + std::to_string(slot), Find("programBankPanel/getProgram" + std::to_string(slot)));
    }
    add("sendToRam", Find("programBankPanel/sendToRam"));
    for (const char* panel :
         {"keybedPanel/midiChannel", "keybedPanel/octave", "keybedPanel/transpose", "arpeggiator/arpEnabled",
          "arpeggiator/arpMode", "arpeggiator/noteRepeatTimeDivision", "arpeggiator/swing",
          "arpeggiator/noteRepeatClock", "arpeggiator/arpLatch", "arpeggiator/tempoTaps", "arpeggiator/tempo",
          "arpeggiator/arpOctave"}) {
      const RCPtr<LControl> combo = Find(std::string(panel) + "/comboBox");
      add(panel, combo ? combo : Find(std::string(panel) + "/parameterControl"));
    }
    add("File", Bar()->FindChild(WideString(u"File")));
    add("Help", Bar()->FindChild(WideString(u"Help")));
    add("productLabel", Find("productLabel"));
    ASSERT_EQ(probes.size(), 17u + 12u + 3u);

    // The view's background: the bottom-left corner, where the skin places nothing.
    std::uint32_t background = 0;
    ASSERT_EQ(image->GetPixel(2, image->GetHeight() - 3, background), Platform::ImageStatus::Ok);
    for (const Probe& probe : probes) {
      SCOPED_TRACE(probe.name);
      ASSERT_GT(probe.rect.width, 0);
      ASSERT_GT(probe.rect.height, 0);
      EXPECT_LE(probe.rect.x + probe.rect.width, image->GetWidth()) << "outside the picture";
      EXPECT_LE(probe.rect.y + probe.rect.height, image->GetHeight()) << "outside the picture";
      const auto [fromBackground, fromCommonest] = Shares(*image, probe.rect, background);
      EXPECT_GE(fromBackground, 0.5) << "mostly the view's background";
      EXPECT_GE(fromCommonest, 0.01) << "one plain colour: no text or picture";
    }
    const auto [bar, ignored] = Shares(*image, rectOf(RCPtr<LControl>(Bar())), background);
    EXPECT_GE(bar, 0.9) << "the menu bar";
    mProcess->ShutDown();
    mProcess.reset();
    Platform::SetMidiSystem(mPreviousMidi);
    mPreviousMidi.reset();
  }
}

} // namespace
} // namespace QZ
