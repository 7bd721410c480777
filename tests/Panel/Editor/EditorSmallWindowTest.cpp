// The editor in a window smaller than its layout, driven from the keyboard: the focus ring never goes out of
// sight, and an open list gives way when the window or the view moves under it. And the moment a transfer's or a
// load's box comes up: the panels already show (and the window already paints) what the engine now holds.

#include "Panel/Editor/EditorEndToEnd.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>

namespace QZ {
namespace {

using namespace e2e;

constexpr std::uint32_t kVirtualShift = 0x10;
constexpr std::uint32_t kVirtualDown = 0x28;

class EditorEndToEndSmallWindow : public EditorEndToEnd {
protected:
  // The main window's client area made that size, once the main control has taken it.
  void Resize(std::int32_t width, std::int32_t height) {
    Platform::Window& window = mApp->GetMainWindow()->GetPlatformWindow();
    const Platform::WindowRect client = window.GetClientBounds();
    ASSERT_TRUE(window.SetClientBounds({client.x, client.y, width, height}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((Main()->GetBounds().width != width || Main()->GetBounds().height != height) &&
           std::chrono::steady_clock::now() < deadline) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(Main()->GetBounds().width, width);
    ASSERT_EQ(Main()->GetBounds().height, height);
  }

  RCPtr<LControl> Focused() const { return mApp->GetMainWindow()->GetRootWindow()->GetFocusedControl(); }

  void Tab(bool backwards) {
    if (backwards) {
      ASSERT_TRUE(mSimulator.Key(mWindowId, kVirtualShift, true));
    }
    Key(kVirtualTab);
    if (backwards) {
      ASSERT_TRUE(mSimulator.Key(mWindowId, kVirtualShift, false));
    }
    Pump();
  }

  // Tabs (or Shift+Tabs) once round the stops, from the focus there is now back to it, and expects each stop in
  // sight when it has the focus; the stops in the order met.
  std::vector<RCPtr<LControl>> TabRound(bool backwards) {
    std::vector<RCPtr<LControl>> stops;
    const RCPtr<LControl> first = Focused();
    for (int i = 0; i < 100; ++i) {
      Tab(backwards);
      const RCPtr<LControl> focused = Focused();
      EXPECT_TRUE(focused) << "Tab left no control focused";
      if (!focused || focused == first)
        break;
      SCOPED_TRACE(Narrow(focused->GetParent()->GetName()) + "/" + Narrow(focused->GetName()));
      EXPECT_TRUE(InSight(focused)) << "the focused control is out of sight";
      stops.push_back(focused);
    }
    EXPECT_EQ(Focused(), first) << "Tab does not come back round";
    return stops;
  }

  static bool Holds(const std::vector<RCPtr<LControl>>& stops, const RCPtr<LControl>& control) {
    return std::find(stops.begin(), stops.end(), control) != stops.end();
  }

  // The rectangle of the window's pixels as the window shows them now, without painting first.
  Picture ShownNow(const Platform::WindowRect& r) {
    Picture picture{r.width, r.height, {}};
    EXPECT_TRUE(mApp->GetMainWindow()->GetPlatformWindow().ReadPixels(r, picture.pixels));
    return picture;
  }
};

// At the smallest window of each skin, Tab and Shift+Tab once round every stop: the view scrolls each focused
// control (SEND 8 and CLOCK among them, out of sight at the start) wholly into sight, clear of the menu bar and
// the scroll bars, and back to the first stop at the top.
TEST_F(EditorEndToEndSmallWindow, TheViewFollowsTheFocusRoundTheTabStops) {
  for (const std::int32_t dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    const std::int32_t scale = dpi == 144 ? 2 : 1;
    ASSERT_TRUE(Start("none", dpi));
    Resize(640 * scale, 400 * scale);
    const RCPtr<LControl> send = Find("programBankPanel/sendProgram8");
    const RCPtr<LControl> clock = Find("arpeggiator/noteRepeatClock/comboBox");
    ASSERT_TRUE(send);
    ASSERT_TRUE(clock);
    EXPECT_FALSE(InSight(send));
    EXPECT_FALSE(InSight(clock));

    Tab(false);
    const RCPtr<LControl> first = Focused();
    ASSERT_TRUE(first);
    EXPECT_TRUE(InSight(first));
    const std::vector<RCPtr<LControl>> forwards = TabRound(false);
    EXPECT_TRUE(Holds(forwards, send));
    EXPECT_TRUE(Holds(forwards, clock));
    EXPECT_TRUE(InSight(first)) << "Tab round to the first stop leaves it out of sight";
    const std::vector<RCPtr<LControl>> backwards = TabRound(true);
    EXPECT_EQ(backwards.size(), forwards.size());
    EXPECT_TRUE(InSight(first)) << "Shift+Tab round to the first stop leaves it out of sight";
    Stop();
  }
}

// CLOCK's list, opened from the keyboard in a small window, closes when the window takes a new size and when the
// view scrolls under it; opening it scrolls nothing.
TEST_F(EditorEndToEndSmallWindow, AnOpenListClosesWhenTheWindowOrTheViewMoves) {
  ASSERT_TRUE(Start("none"));
  Resize(640, 400);
  const RCPtr<LComboBox> clock = DynamicCast<LComboBox>(Find("arpeggiator/noteRepeatClock/comboBox"));
  ASSERT_TRUE(clock);
  for (int i = 0; i < 100 && Focused() != RCPtr<LControl>(clock); ++i)
    Tab(false);
  ASSERT_EQ(Focused(), RCPtr<LControl>(clock));

  const PointT<double> offset = View()->GetScrollOffset();
  Key(kVirtualDown);
  ASSERT_TRUE(clock->IsDroppedDown());
  EXPECT_EQ(View()->GetScrollOffset(), offset) << "opening the list scrolled the view";
  Resize(700, 440);
  EXPECT_FALSE(clock->IsDroppedDown()) << "the window's new size left the list open";

  Key(kVirtualDown);
  ASSERT_TRUE(clock->IsDroppedDown());
  // The view's bar moved to its start, as a drag of its thumb moves it (the wheel goes to the open list): CLOCK
  // lies right of the smallest window.
  const PointT<double> before = View()->GetScrollOffset();
  ASSERT_GT(before.x, 0);
  View()->GetHorizontalBar()->SetValue(0);
  Pump();
  ASSERT_NE(View()->GetScrollOffset(), before) << "the bar does not scroll the view";
  EXPECT_FALSE(clock->IsDroppedDown()) << "the view scrolled under an open list";
  Stop();
}

// When GET's box comes up the panels show the program it fetched, and the window shows it too: what it shows then
// is what it shows once the box is closed and everything is painted. The same for a failed load's message, which
// comes up over the program as it was.
TEST_F(EditorEndToEndSmallWindow, TheBoxComesUpOverTheProgramItReportsOn) {
  ASSERT_TRUE(Start("simulated"));
  const RCPtr<LControl> tempo = Find("arpeggiator/tempo/parameterControl");
  ASSERT_TRUE(tempo);
  ASSERT_NE(TempoText(), "120");
  const Platform::WindowRect tempoRect = RectOf(tempo);
  std::string tempoAtBox;
  std::optional<Picture> pictureAtBox;
  mBoxes->mOnShow = [&](const Platform::FakeMessageBox::Shown&) {
    tempoAtBox = TempoText();
    pictureAtBox = ShownNow(tempoRect);
  };
  const auto expectShownAtTheBox = [&](const std::string& caption, const std::string& tempoText) {
    EXPECT_EQ(LastCaption(), caption);
    EXPECT_EQ(tempoAtBox, tempoText) << "the panels showed another program under the box";
    ASSERT_TRUE(pictureAtBox);
    static_cast<void>(Shown());
    EXPECT_TRUE(pictureAtBox->pixels == ShownNow(tempoRect).pixels) << "the window showed another program";
    pictureAtBox.reset();
  };

  Controller().SetProgram(5, kSlotFive);
  Click("programBankPanel/getProgram5");
  expectShownAtTheBox("Retrieve Successful", "120");

  // The program saved, another one fetched, and the first loaded again from its file with three stray bytes
  // after the last record: the fault is reported over the program as it was, nothing of the file applied.
  const std::filesystem::path path = mTemp.Path() / "documents" / "five.pellanvorn";
  std::filesystem::create_directories(path.parent_path());
  mChooser->Accept(path.string());
  CtrlKey(kVirtualS);
  ASSERT_TRUE(std::filesystem::exists(path));
  {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out.write("\x01\x02\x03", 3);
  }
  Record six = kSlotFive;
  six[kTempoLow] = 0x64;
  Controller().SetProgram(6, six);
  Click("programBankPanel/getProgram6");
  ASSERT_EQ(TempoText(), "100");
  static_cast<void>(Shown());
  mChooser->Accept(path.string());
  CtrlKey(kVirtualO);
  expectShownAtTheBox("Program File Load", "100");
  EXPECT_EQ(EngineRecord(), Bytes(six.begin(), six.end()));
  mBoxes->mOnShow = nullptr;
  Stop();
}

} // namespace
} // namespace QZ
