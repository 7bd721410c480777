// The editor as it ships, in this process: the generated skins, string tables and pictures embedded as the
// program embeds them, the simulated controller, and the user's hand played by the input simulator on the
// main window (mouse on the program buttons, the up-down arrows and the menu bar; Ctrl+S / Ctrl+O with the
// focus in a text box). The message boxes, the file chooser and the shell "open" are the platform's fakes.
// Runs under the offscreen driver, and on a virtual X server when QZ_EDITOR_E2E_X11=1 (the CTest entry
// pellan_vorn_editor_x11), where the cursors are real.

#include "Panel/Editor/EditorEndToEnd.h"

#include <gtest/gtest.h>

namespace QZ {
namespace {

using namespace e2e;

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
    Stop();
  }
}

// On a screen smaller than the layout (1024 x 600) the main window keeps inside the work area, frame included,
// and may be made smaller (its minimum below its maximum, the whole layout); the device view scrolls by the
// mouse wheel to the controls out of sight: SEND 8 sends and CLOCK opens its list, in both skins.
TEST_F(EditorEndToEnd, OnASmallScreenTheWindowFitsAndScrollsToEveryControl) {
  const Platform::WindowRect desktop{0, 0, 1024, 600};
  for (const std::int32_t dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    ASSERT_TRUE(Start("simulated", dpi, desktop));
    const std::int32_t scale = dpi == 144 ? 2 : 1;
    Platform::Window& window = mApp->GetMainWindow()->GetPlatformWindow();
    const Platform::WindowRect outer = window.GetWindowBounds();
    EXPECT_GE(outer.x, desktop.x);
    EXPECT_GE(outer.y, desktop.y);
    EXPECT_LE(outer.x + outer.width, desktop.x + desktop.width);
    EXPECT_LE(outer.y + outer.height, desktop.y + desktop.height);
    const std::array<std::int32_t, 4> limits = window.GetSizeLimits();
    EXPECT_EQ(limits[2], 1200 * scale);
    EXPECT_EQ(limits[3], 640 * scale);
    EXPECT_LT(limits[0], limits[2]);
    EXPECT_LT(limits[1], limits[3]);
    EXPECT_LE(limits[0], desktop.width);
    EXPECT_LE(limits[1], desktop.height);
    const Platform::WindowRect client = window.GetClientBounds();
    EXPECT_EQ(Main()->GetBounds().width, client.width) << "the main control follows the window";
    EXPECT_EQ(Main()->GetBounds().height, client.height);

    const RCPtr<LControl> send = Find("programBankPanel/sendProgram8");
    ASSERT_TRUE(send);
    EXPECT_FALSE(InSight(send));
    Controller().SetProgram(8, {});
    ScrollIntoSight(send);
    Click(send);
    EXPECT_EQ(LastCaption(), "Send Success");
    const Record eight = Controller().GetProgram(8);
    EXPECT_EQ(Bytes(eight.begin(), eight.end()), EngineRecord());

    const RCPtr<LComboBox> clock = DynamicCast<LComboBox>(Find("arpeggiator/noteRepeatClock/comboBox"));
    ASSERT_TRUE(clock);
    ScrollIntoSight(RCPtr<LControl>(clock));
    Click(RCPtr<LControl>(clock));
    EXPECT_TRUE(clock->IsDroppedDown());
    Key(kVirtualEscape);
    EXPECT_FALSE(clock->IsDroppedDown());
    Stop();
  }
}

// A placement saved on a larger desktop comes back clamped to a smaller one: the whole window, frame included,
// inside the work area, and the device view scrolls.
TEST_F(EditorEndToEnd, ARestoredPlacementLargerThanTheDesktopIsClamped) {
  ASSERT_TRUE(Start("none"));
  EXPECT_EQ(mApp->GetMainWindow()->GetPlatformWindow().GetClientBounds().width, 1200);
  Stop(true);
  const Platform::WindowRect desktop{0, 0, 800, 500};
  ASSERT_TRUE(Start("none", 96, desktop));
  Platform::Window& window = mApp->GetMainWindow()->GetPlatformWindow();
  const Platform::WindowRect outer = window.GetWindowBounds();
  EXPECT_GE(outer.x, desktop.x);
  EXPECT_GE(outer.y, desktop.y);
  EXPECT_LE(outer.x + outer.width, desktop.x + desktop.width);
  EXPECT_LE(outer.y + outer.height, desktop.y + desktop.height);
  EXPECT_GT(View()->FindChild(WideString(u"hBar"))->GetBounds().height, 0) << "no horizontal scroll bar";
  Stop();
}

// A press on a combo box's drop arrow opens its list as a press on its text does, in both skins; Escape closes
// it again.
TEST_F(EditorEndToEnd, APressOnAComboBoxArrowOpensItsList) {
  for (const std::int32_t dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    ASSERT_TRUE(Start("none", dpi));
    const std::int32_t arrow = 20 * (dpi == 144 ? 2 : 1);
    for (const char* path : kComboBoxes) {
      SCOPED_TRACE(path);
      const RCPtr<LComboBox> combo = DynamicCast<LComboBox>(Find(path));
      ASSERT_TRUE(combo);
      const Platform::WindowRect r = RectOf(RCPtr<LControl>(combo));
      ClickAt(mWindowId, {r.x + r.width - arrow / 2, r.y + r.height / 2});
      EXPECT_TRUE(combo->IsDroppedDown());
      Key(kVirtualEscape);
      EXPECT_FALSE(combo->IsDroppedDown());
    }
    Stop();
  }
}

// Tab walks the focus stops of the main window (the program buttons, SEND TO RAM, the twelve parameters) and of
// the about box (its two buttons) and comes back to the first; each stop shows a ring that the pixels tell from
// its unfocused self, in both skins.
TEST_F(EditorEndToEnd, EveryTabStopShowsAFocusRing) {
  for (const std::int32_t dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    ASSERT_TRUE(Start("none", dpi));
    const std::int32_t ring = 2 * (dpi == 144 ? 2 : 1);
    const Platform::WindowRect client = mApp->GetMainWindow()->GetPlatformWindow().GetClientBounds();
    ASSERT_TRUE(mSimulator.MovePointer(mWindowId, {2, client.height - 3})); // nothing hovered
    Pump();
    ExpectARingOnEveryTabStop(*mApp->GetMainWindow(), ring, 17u + 12u, [this] { Pump(); });

    bool shown = false;
    WhenModal([&](OSWindow& about) {
      shown = true;
      const Platform::WindowId id = about.GetPlatformWindow().GetId();
      EXPECT_TRUE(mSimulator.Change(id, Platform::SimulatedWindowChange::kFocusGained));
      EXPECT_TRUE(mSimulator.MovePointer(id, {2, 2}));
      EXPECT_TRUE(OSWindow::PumpWindowEvents());
      ExpectARingOnEveryTabStop(about, ring, 2u, [] { EXPECT_TRUE(OSWindow::PumpWindowEvents()); });
      about.GetRootWindow()->RequestSystemClose();
    });
    ClickRow(OpenMenu(u"Help"), 1);
    EXPECT_TRUE(shown);
    GetApplicationNotificationCenter()->UnregisterClientFromAll(RCPtr<LNotificationReceiver>(mModalListener));
    mModalListener = RCPtr<test::ActionListener>();
    Stop();
  }
}

// Under a window manager (openbox) the main window's size hints let the user make it smaller than the layout and
// no larger, in both skins, and the manager takes a smaller size: the device view then shows its scroll bars.
TEST_F(EditorEndToEnd, UnderAWindowManagerTheMainWindowCanBeMadeSmaller) {
  if (!OnX11())
    GTEST_SKIP() << "needs an X server (the CTest entry pellan_vorn_editor_x11)";
  const std::string openbox = Platform::FindProgram("openbox");
  const std::string xprop = Platform::FindProgram("xprop");
  if (openbox.empty() || xprop.empty())
    GTEST_SKIP() << "needs openbox and xprop";
  const Platform::ProcessId manager = Platform::StartProcess(openbox, {"--sm-disable"});
  ASSERT_NE(manager, 0);
  const auto settle = [&](const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < deadline) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return done();
  };
  for (const std::int32_t dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    const std::int32_t scale = dpi == 144 ? 2 : 1;
    // The X screen's own work area: the HighDPI layout is larger than it.
    ASSERT_TRUE(Start("none", dpi, Platform::GetWorkArea()));
    Platform::Window& window = mApp->GetMainWindow()->GetPlatformWindow();
    EXPECT_TRUE(settle([&] { return window.GetFrame().top > 0; })) << "not framed by the manager";
    // Framed after the first paint, the window is fitted once more: frame and all inside the work area.
    const RectT<std::int32_t> work = mApp->GetWorkArea();
    const auto inside = [&] {
      const Platform::WindowRect outer = window.GetWindowBounds();
      return outer.x >= work.x && outer.y >= work.y && outer.x + outer.width <= work.x + work.width &&
             outer.y + outer.height <= work.y + work.height;
    };
    EXPECT_TRUE(settle(inside)) << "the frame reaches past the work area";
    // The skin's minimum, or what the work area leaves beside the frame where that is less.
    const Platform::WindowFrame frame = window.GetFrame();
    const std::int32_t roomWidth = work.width - frame.left - frame.right;
    const std::int32_t roomHeight = work.height - frame.top - frame.bottom;
    const std::int32_t minWidth = std::min(640 * scale, roomWidth);
    const std::int32_t minHeight = std::min(400 * scale, roomHeight);

    // The hints as the manager reads them.
    const std::filesystem::path hints = mTemp.Path() / "hints.txt";
    const Platform::ProcessId reader =
        Platform::StartProcess("/bin/sh", {"-c", "\"$0\" -name \"$1\" WM_NORMAL_HINTS > \"$2\"", xprop,
                                           window.GetTitle(), hints.string()});
    ASSERT_NE(reader, 0);
    EXPECT_EQ(Platform::WaitForProcess(reader, 10000), 0);
    const std::string text = test::ReadAll(hints);
    const auto size = [](std::int32_t width, std::int32_t height) {
      return std::to_string(width) + " by " + std::to_string(height);
    };
    EXPECT_NE(text.find("program specified minimum size: " + size(minWidth, minHeight)), std::string::npos)
        << text;
    EXPECT_NE(text.find("program specified maximum size: " + size(1200 * scale, 640 * scale)), std::string::npos)
        << text;

    // A size a little above the minimum, within the work area.
    const std::int32_t width = std::min(minWidth + 60, roomWidth);
    const std::int32_t height = std::min(minHeight + 50, roomHeight);
    const Platform::WindowRect client = window.GetClientBounds();
    ASSERT_TRUE(window.SetClientBounds({client.x, client.y, width, height}));
    EXPECT_TRUE(
        settle([&] { return Main()->GetBounds().width == width && Main()->GetBounds().height == height; }));
    const RCPtr<LControl> bar = View()->FindChild(WideString(u"hBar"));
    ASSERT_TRUE(bar);
    EXPECT_GT(bar->GetBounds().height, 0) << "no horizontal scroll bar";
    Stop();
  }
  EXPECT_EQ(Platform::StopProcess(manager, 2000), 0);
}

// The PNGs scripts/screenshot wrote (the CTest entry pellan_vorn_editor_screenshots, into the folder named by
// QZ_EDITOR_SCREENSHOTS), probed at the rectangles of the controls of the same skin built here at the same
// resolution: every program button, parameter control, menu title and the logo is drawn (mostly not the view's
// background, and not one plain colour), the menu bar shows, and so do the focus ring of the CLOCK combo box and
// its open list.
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

    // CLOCK as this editor shows it, closed and unfocused: in the picture its edges are the ring's, 3:1 or more
    // apart from these; its list where this editor opens it is drawn in the picture, with its rows.
    const RCPtr<LComboBox> clock = DynamicCast<LComboBox>(Find("arpeggiator/noteRepeatClock/comboBox"));
    ASSERT_TRUE(clock && clock->GetListBox());
    const Picture closed = Shown();
    const Platform::WindowRect box = rectOf(RCPtr<LControl>(clock));
    const std::int32_t ring = 2 * (dpi == 144 ? 2 : 1);
    int edge = 0;
    int marked = 0;
    for (std::int32_t y = box.y; y < box.y + box.height; ++y) {
      for (std::int32_t x = box.x; x < box.x + box.width; ++x) {
        if (x >= box.x + ring && x < box.x + box.width - ring && y >= box.y + ring &&
            y < box.y + box.height - ring)
          continue;
        std::uint32_t shot = 0;
        ASSERT_EQ(image->GetPixel(x, y, shot), Platform::ImageStatus::Ok);
        ++edge;
        marked += Contrast(shot, closed.At(x, y)) >= 3.0 ? 1 : 0;
      }
    }
    EXPECT_GE(marked, edge * 9 / 10) << "the focus ring: " << marked << " of " << edge << " edge pixels";
    ASSERT_EQ(clock->ShowDropDown(true), S_OK);
    Pump();
    const Platform::WindowRect drop = rectOf(RCPtr<LControl>(clock->GetListBox()));
    int changed = 0;
    for (std::int32_t y = drop.y; y < drop.y + drop.height; ++y) {
      for (std::int32_t x = drop.x; x < drop.x + drop.width; ++x) {
        std::uint32_t shot = 0;
        ASSERT_EQ(image->GetPixel(x, y, shot), Platform::ImageStatus::Ok);
        changed += shot != closed.At(x, y) ? 1 : 0;
      }
    }
    EXPECT_GE(changed, drop.width * drop.height * 9 / 10) << "the open list";
    const auto [list, rows] = Shares(*image, drop, background);
    EXPECT_GE(rows, 0.1) << "the list's rows";
    Stop();
  }
}

} // namespace
} // namespace QZ
