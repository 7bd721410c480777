#pragma once
// The running editor as the end-to-end tests drive it, in this process: the generated skins, string tables and
// pictures embedded as the program embeds them, the simulated controller, and the user's hand played by the input
// simulator on the main window. The message boxes, the file chooser and the shell "open" are the platform's fakes.
// Runs under the offscreen driver, and on a virtual X server when QZ_EDITOR_E2E_X11=1 (the CTest entry
// pellan_vorn_editor_x11), where the cursors are real. The UI thread only.

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
#include "Platform/System/Process.h"
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

#include <array>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace QZ::e2e {

inline std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

using Bytes = std::vector<std::uint8_t>;
using Record = Platform::SimulatedController::Record;

inline constexpr std::uint32_t kVirtualControl = 0x11;
inline constexpr std::uint32_t kVirtualO = 0x4F;
inline constexpr std::uint32_t kVirtualS = 0x53;
inline constexpr std::uint32_t kVirtualTab = 0x09;
inline constexpr std::uint32_t kVirtualEscape = 0x1B;

// The combo boxes the device view shows, one per enumerated parameter.
inline const char* const kComboBoxes[] = {"keybedPanel/midiChannel/comboBox",
                                          "arpeggiator/arpMode/comboBox",
                                          "arpeggiator/noteRepeatTimeDivision/comboBox",
                                          "arpeggiator/noteRepeatClock/comboBox",
                                          "arpeggiator/arpLatch/comboBox",
                                          "arpeggiator/tempoTaps/comboBox",
                                          "arpeggiator/arpOctave/comboBox"};

// The window's pixels as shown, 0xFFRRGGBB, row by row.
struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<std::uint32_t> pixels;
  std::uint32_t At(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  }
};

// The contrast ratio of two opaque 0xFFRRGGBB colours (1 to 21).
inline double Contrast(std::uint32_t a, std::uint32_t b) {
  const auto luminance = [](std::uint32_t argb) {
    double sum = 0;
    const double weights[3] = {0.2126, 0.7152, 0.0722};
    for (int i = 0; i < 3; ++i) {
      const double c = static_cast<double>((argb >> (16 - 8 * i)) & 0xFF) / 255.0;
      sum += weights[i] * (c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return sum;
  };
  const double la = luminance(a);
  const double lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Slot 5's program: channel 3, octave, transpose, arpeggiator on, ..., tempo 120 (two bytes), arpeggiator
// octave.
inline const Record kSlotFive = {0x03, 0x05, 0x0E, 0x01, 0x02, 0x03, 0x04, 0x05, 0x01, 0x03, 0x00, 0x78, 0x02};
inline constexpr std::size_t kTempoLow = 11;

// A desktop with room for the whole layout of either skin; the tests of a small screen give their own.
inline constexpr Platform::WindowRect kRoomyDesktop{0, 0, 3200, 2000};

inline bool OnX11() {
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

  // Starts the editor with the embedded resources on a screen of that resolution and work area and the MIDI
  // backend, and waits for the controller's ports.
  LApplication* Start(const char* midi, std::int32_t dpi = 96,
                      const Platform::WindowRect& desktop = kRoomyDesktop) {
    mPreviousMidi = Platform::SetMidiSystem(Platform::CreateMidiSystem(midi));
    SEditorOptions options;
    options.mEnvironment.mScreenDpi = dpi;
    options.mEnvironment.mWorkArea = desktop;
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

  // The control's rectangle in the window's client area.
  static Platform::WindowRect RectOf(const RCPtr<LControl>& control) {
    const PointT<double> at = control->GetPositionInRoot();
    const RectT<double>& bounds = control->GetBounds();
    return {static_cast<std::int32_t>(at.x), static_cast<std::int32_t>(at.y),
            static_cast<std::int32_t>(bounds.width), static_cast<std::int32_t>(bounds.height)};
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

  // Ends the running editor, so that the next Start begins afresh: without the window's saved placement unless
  // it is kept.
  void Stop(bool keepPlacement = false) {
    const std::string folder = Narrow(mApp->GetFolder(kFolderLocalApplicationData));
    mProcess->ShutDown();
    if (!keepPlacement)
      std::filesystem::remove(std::filesystem::path(folder) / Narrow(WideString(kPlacementProfileFileName)));
    mProcess.reset();
    Platform::SetMidiSystem(mPreviousMidi);
    mPreviousMidi.reset();
    mBoxes->mShown.clear();
  }

  void Key(std::uint32_t key) {
    ASSERT_TRUE(mSimulator.Key(mWindowId, key, true));
    ASSERT_TRUE(mSimulator.Key(mWindowId, key, false));
    Pump();
  }

  // What the window (the main window) shows once everything pending is painted.
  static Picture Shown(Platform::Window& window) {
    OSWindow::PaintPendingWindows();
    const Platform::WindowRect bounds = window.GetClientBounds();
    Picture picture{bounds.width, bounds.height, {}};
    EXPECT_TRUE(window.ReadPixels({0, 0, bounds.width, bounds.height}, picture.pixels));
    return picture;
  }
  Picture Shown() { return Shown(mApp->GetMainWindow()->GetPlatformWindow()); }

  // Presses Tab in the window (pump: takes its events) until the focus comes back to the first stop, at least
  // `atLeast` stops, and reads each stop from the pixels, focused and once the focus has moved on: along its
  // edges (the ring's width) nearly every pixel changes by 3:1 or more, a mark and not only a change of colour.
  void ExpectARingOnEveryTabStop(OSWindow& window, std::int32_t ring, std::size_t atLeast,
                                 const std::function<void()>& pump) {
    Platform::Window& platform = window.GetPlatformWindow();
    const RCPtr<LRootWindow> root = window.GetRootWindow();
    std::vector<RCPtr<LControl>> stops;
    std::vector<Picture> pictures;
    for (int i = 0; i < 100; ++i) {
      ASSERT_TRUE(mSimulator.Key(platform.GetId(), kVirtualTab, true));
      ASSERT_TRUE(mSimulator.Key(platform.GetId(), kVirtualTab, false));
      pump();
      const RCPtr<LControl> focused = root->GetFocusedControl();
      ASSERT_TRUE(focused) << "Tab left no control focused";
      pictures.push_back(Shown(platform));
      if (!stops.empty() && focused == stops.front())
        break;
      stops.push_back(focused);
    }
    ASSERT_EQ(pictures.size(), stops.size() + 1) << "Tab does not come back to the first stop";
    EXPECT_GE(stops.size(), atLeast);
    for (std::size_t i = 0; i < stops.size(); ++i) {
      const RCPtr<LControl>& stop = stops[i];
      SCOPED_TRACE(Narrow(stop->GetParent()->GetName()) + "/" + Narrow(stop->GetName()));
      const Platform::WindowRect r = RectOf(stop);
      ASSERT_GT(r.width, 2 * ring);
      ASSERT_GT(r.height, 2 * ring);
      ASSERT_LE(r.x + r.width, pictures[i].width);
      ASSERT_LE(r.y + r.height, pictures[i].height);
      int edge = 0;
      int marked = 0;
      for (std::int32_t y = r.y; y < r.y + r.height; ++y) {
        for (std::int32_t x = r.x; x < r.x + r.width; ++x) {
          const bool onEdge =
              x < r.x + ring || x >= r.x + r.width - ring || y < r.y + ring || y >= r.y + r.height - ring;
          if (!onEdge)
            continue;
          ++edge;
          marked += Contrast(pictures[i].At(x, y), pictures[i + 1].At(x, y)) >= 3.0 ? 1 : 0;
        }
      }
      EXPECT_GE(marked, edge * 9 / 10) << marked << " of " << edge << " edge pixels marked";
    }
  }

  // Whether the whole control lies in the device view's area, clear of the menu bar and the scroll bars.
  bool InSight(const RCPtr<LControl>& control) const {
    const Platform::WindowRect r = RectOf(control);
    const RectT<double> area = View()->GetLocalBounds();
    return r.x >= 0 && r.y >= Bar()->GetBounds().height && r.x + r.width <= area.width &&
           r.y + r.height <= area.height;
  }
  // Turns the mouse wheel over an empty spot of the view until the control is in sight: the horizontal wheel
  // while it lies right of the view area, the vertical one while it lies below it.
  void ScrollIntoSight(const RCPtr<LControl>& control) {
    const Platform::WindowPoint spot{2, static_cast<std::int32_t>(Bar()->GetBounds().height) + 2};
    for (int notch = 0; notch < 200 && !InSight(control); ++notch) {
      const Platform::WindowRect r = RectOf(control);
      const RectT<double> area = View()->GetLocalBounds();
      const PointT<double> before = View()->GetScrollOffset();
      const bool across = r.x + r.width > area.width;
      ASSERT_TRUE(mSimulator.MovePointer(mWindowId, spot));
      ASSERT_TRUE(mSimulator.Wheel(mWindowId,
                                   across ? Platform::WheelAxis::kHorizontal : Platform::WheelAxis::kVertical,
                                   across ? Platform::kWheelDeltaPerNotch : -Platform::kWheelDeltaPerNotch, spot));
      Pump();
      ASSERT_NE(View()->GetScrollOffset(), before) << "the wheel does not scroll the view";
    }
    ASSERT_TRUE(InSight(control)) << "out of reach";
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

} // namespace QZ::e2e
