// Input and window events from the window system's queue, translated: scripted with the input simulator
// (and raw SDL events where the simulator has no word for the case) on the offscreen driver.

#include "Platform/Window/InputSimulator.h"
#include "Platform/Window/Window.h"
#include "Platform/Window/WindowSystem.h"
#include "Platform/Window/WindowSystemState.h"

#include "Support/WindowTestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>
#include <thread>

namespace QZ::Platform {
namespace {

using test::OffscreenWindowSystem;

class WindowEventTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mSystem.IsStarted());
    mWindow = Window::Create({"events", {100, 50, 200, 150}, true, true});
    ASSERT_TRUE(mWindow);
    mId = mWindow->GetId();
    OffscreenWindowSystem::TakeWindowEvents();
  }
  void TearDown() override { mSimulator.SetModifiers(0); }

  static std::vector<WindowEvent> Take() { return OffscreenWindowSystem::TakeWindowEvents(); }
  static std::vector<WindowEvent> Take(WindowEventKind kind) {
    return OffscreenWindowSystem::TakeWindowEvents(kind);
  }

  OffscreenWindowSystem mSystem;
  InputSimulator mSimulator;
  std::unique_ptr<Window> mWindow;
  WindowId mId = kNoWindow;
};

TEST_F(WindowEventTest, ButtonsComeAsPressReleaseAndDoubleClickWithTheMouseModifiers) {
  mSimulator.SetModifiers(kModLeftCtrl | kModLeftShift | kModLeftWin);
  const WindowPoint at{12, 34};
  mSimulator.PressButton(mId, kMouseLeft, at, 1);
  mSimulator.ReleaseButton(mId, kMouseLeft, at, 1);
  mSimulator.PressButton(mId, kMouseLeft, at, 2);
  mSimulator.ReleaseButton(mId, kMouseLeft, at, 2);
  mSimulator.PressButton(mId, kMouseLeft, at, 3); // a third click starts over
  mSimulator.PressButton(mId, kMouseRight, at, 1);
  mSimulator.ReleaseButton(mId, kMouseLeft, at, 3);

  const std::vector<WindowEvent> events = Take();
  struct Expected {
    std::uint32_t button;
    MouseAction action;
    std::uint32_t buttons;
  };
  const Expected expected[] = {
      {kMouseLeft, MouseAction::kPress, kMouseLeft},
      {kMouseLeft, MouseAction::kRelease, 0},
      {kMouseLeft, MouseAction::kDoubleClick, kMouseLeft},
      {kMouseLeft, MouseAction::kRelease, 0},
      {kMouseLeft, MouseAction::kPress, kMouseLeft},
      {kMouseRight, MouseAction::kPress, kMouseLeft | kMouseRight},
      {kMouseLeft, MouseAction::kRelease, kMouseRight},
  };
  ASSERT_EQ(events.size(), std::size(expected));
  for (std::size_t i = 0; i < events.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[i].kind, WindowEventKind::kMouseButton);
    EXPECT_EQ(events[i].window, mId);
    EXPECT_EQ(events[i].button, expected[i].button);
    EXPECT_EQ(events[i].action, expected[i].action);
    EXPECT_EQ(events[i].buttons, expected[i].buttons);
    EXPECT_EQ(events[i].point, at);
    EXPECT_EQ(events[i].modifiers, kModCtrl | kModShift) << "mouse events carry no side bits and no Win key";
  }

  mSimulator.SetModifiers(kModRightAlt);
  mSimulator.PressButton(mId, kMouseMiddle, at);
  const std::vector<WindowEvent> middle = Take();
  ASSERT_EQ(middle.size(), 1u);
  EXPECT_EQ(middle[0].button, kMouseMiddle);
  EXPECT_EQ(middle[0].modifiers, kModAlt);
}

TEST_F(WindowEventTest, MovesInARowComeOutAsTheLastOne) {
  mSimulator.MovePointer(mId, {1, 1});
  mSimulator.MovePointer(mId, {2, 2});
  mSimulator.MovePointer(mId, {3, 3});
  mSimulator.PressButton(mId, kMouseLeft, {3, 3});
  mSimulator.MovePointer(mId, {-5, 4}); // outside, as under a capture
  mSimulator.MovePointer(mId, {-6, 4});

  const std::vector<WindowEvent> events = Take();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, WindowEventKind::kMouseMove);
  EXPECT_EQ(events[0].point, (WindowPoint{3, 3}));
  EXPECT_EQ(events[0].buttons, 0u);
  EXPECT_EQ(events[1].kind, WindowEventKind::kMouseButton);
  EXPECT_EQ(events[2].kind, WindowEventKind::kMouseMove);
  EXPECT_EQ(events[2].point, (WindowPoint{-6, 4}));
  EXPECT_EQ(events[2].buttons, kMouseLeft);
}

TEST_F(WindowEventTest, WheelStepsComeIn120ths) {
  struct Case {
    WheelAxis axis;
    std::int32_t delta;
  };
  const Case cases[] = {{WheelAxis::kVertical, 60},    {WheelAxis::kVertical, 60},
                        {WheelAxis::kVertical, 240},   {WheelAxis::kVertical, -130},
                        {WheelAxis::kHorizontal, 120}, {WheelAxis::kHorizontal, -360}};
  for (const Case& c : cases)
    mSimulator.Wheel(mId, c.axis, c.delta, {7, 8});
  const std::vector<WindowEvent> events = Take();
  ASSERT_EQ(events.size(), std::size(cases));
  for (std::size_t i = 0; i < events.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[i].kind, WindowEventKind::kMouseWheel);
    EXPECT_EQ(events[i].axis, cases[i].axis);
    EXPECT_EQ(events[i].wheelDelta, cases[i].delta);
    EXPECT_EQ(events[i].point, (WindowPoint{7, 8}));
  }

  // A "natural scrolling" device reports flipped steps; an old one only whole notches, on both axes at once.
  SDL_Event flipped;
  SDL_zero(flipped);
  flipped.type = SDL_MOUSEWHEEL;
  flipped.wheel.windowID = mId;
  flipped.wheel.y = 1;
  flipped.wheel.x = -2;
  flipped.wheel.direction = SDL_MOUSEWHEEL_FLIPPED;
  ASSERT_EQ(SDL_PushEvent(&flipped), 1);
  const std::vector<WindowEvent> both = Take();
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[0].axis, WheelAxis::kVertical);
  EXPECT_EQ(both[0].wheelDelta, -120);
  EXPECT_EQ(both[1].axis, WheelAxis::kHorizontal);
  EXPECT_EQ(both[1].wheelDelta, 240);
}

TEST_F(WindowEventTest, KeysComeAsVirtualKeysWithRepeatAndTheWholeModifierMask) {
  mSimulator.Key(mId, 0xA0, true);       // left Shift
  mSimulator.Key(mId, 0x41, true);       // A
  mSimulator.Key(mId, 0x41, true, true); // A held
  mSimulator.Key(mId, 0x41, false);
  mSimulator.Key(mId, 0xA0, false);
  mSimulator.Key(mId, 0xA3, true); // right Ctrl
  mSimulator.Key(mId, 0x5B, true); // left Win
  mSimulator.Key(mId, 0x5B, false);
  mSimulator.Key(mId, 0xA3, false);
  mSimulator.Key(mId, 0xA4, true); // left Alt
  mSimulator.Key(mId, 0x73, true); // F4
  mSimulator.Key(mId, 0x73, false);
  mSimulator.Key(mId, 0xA4, false);

  struct Expected {
    std::uint32_t virtualKey;
    bool down;
    bool repeat;
    std::uint32_t modifiers;
  };
  const Expected expected[] = {
      {0x10, true, false, kModShift | kModLeftShift},
      {0x41, true, false, kModShift | kModLeftShift},
      {0x41, true, true, kModShift | kModLeftShift},
      {0x41, false, false, kModShift | kModLeftShift},
      {0x10, false, false, 0},
      {0x11, true, false, kModCtrl | kModRightCtrl},
      {0x5B, true, false, kModCtrl | kModRightCtrl | kModWin | kModLeftWin},
      {0x5B, false, false, kModCtrl | kModRightCtrl},
      {0x11, false, false, 0},
      {0x12, true, false, kModAlt | kModLeftAlt},
      {0x73, true, false, kModAlt | kModLeftAlt},
      {0x73, false, false, kModAlt | kModLeftAlt},
      {0x12, false, false, 0},
  };
  // Alt+F4 is a key like any other: nothing closes.
  const std::vector<WindowEvent> events = Take();
  ASSERT_EQ(events.size(), std::size(expected));
  for (std::size_t i = 0; i < events.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[i].kind, WindowEventKind::kKey);
    EXPECT_EQ(events[i].window, mId);
    EXPECT_EQ(events[i].virtualKey, expected[i].virtualKey);
    EXPECT_EQ(events[i].keyDown, expected[i].down);
    EXPECT_EQ(events[i].repeat, expected[i].repeat);
    EXPECT_EQ(events[i].modifiers, expected[i].modifiers);
  }
}

TEST_F(WindowEventTest, TextComesAsUtf16UnitsAndAltWithALetterTypesNothing) {
  mSimulator.Text(mId, "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"); // a, e acute, euro, a face beyond 16 bits
  std::u16string typed;
  for (const WindowEvent& event : Take()) {
    EXPECT_EQ(event.kind, WindowEventKind::kCharacter);
    typed.push_back(event.character);
  }
  EXPECT_EQ(typed, u"a\u00E9\u20AC\U0001F600");

  mSimulator.SetModifiers(kModLeftAlt);
  mSimulator.Text(mId, "x");
  EXPECT_TRUE(Take().empty());

  // Ctrl+Alt is how some layouts reach their third level: that is typing.
  mSimulator.SetModifiers(kModLeftAlt | kModLeftCtrl);
  mSimulator.Text(mId, "@");
  const std::vector<WindowEvent> third = Take();
  ASSERT_EQ(third.size(), 1u);
  EXPECT_EQ(third[0].character, u'@');
  EXPECT_EQ(third[0].modifiers, kModAlt | kModLeftAlt | kModCtrl | kModLeftCtrl);

  // The Win key is reported, not judged.
  mSimulator.SetModifiers(kModLeftWin);
  mSimulator.Text(mId, "w");
  const std::vector<WindowEvent> win = Take();
  ASSERT_EQ(win.size(), 1u);
  EXPECT_EQ(win[0].modifiers, kModWin | kModLeftWin);
}

TEST_F(WindowEventTest, EditingKeysAndCtrlLettersAlsoTypeTheirControlCharacters) {
  struct Case {
    std::uint32_t modifiers;
    std::uint32_t virtualKey;
    char16_t character; // 0: none
  };
  const Case cases[] = {
      {0, 0x08, 0x08},
      {0, 0x09, 0x09},
      {0, 0x0D, 0x0D},
      {0, 0x1B, 0x1B},
      {kModLeftCtrl, 0x41, 0x01},
      {kModLeftCtrl, 0x5A, 0x1A},
      {kModLeftCtrl, 0x0D, 0x0A},
      {kModLeftCtrl, 0x08, 0x7F},
      {kModLeftAlt, 0x0D, 0},
      {0, 0x41, 0},
      {0, 0x25, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.virtualKey);
    mSimulator.SetModifiers(c.modifiers);
    mSimulator.Key(mId, c.virtualKey, true);
    mSimulator.Key(mId, c.virtualKey, false);
    const std::vector<WindowEvent> events = Take();
    const std::size_t characters = c.character != 0 ? 1 : 0;
    ASSERT_EQ(events.size(), 2 + characters);
    EXPECT_EQ(events[0].kind, WindowEventKind::kKey);
    if (characters != 0) {
      EXPECT_EQ(events[1].kind, WindowEventKind::kCharacter);
      EXPECT_EQ(events[1].character, c.character);
    }
    EXPECT_EQ(events.back().kind, WindowEventKind::kKey);
    EXPECT_FALSE(events.back().keyDown);
  }
}

TEST_F(WindowEventTest, LettersAndDigitsOfANonLatinLayoutComeAsTheirPhysicalKeys) {
  struct Case {
    const char* what;
    std::int32_t layoutKeycode; // SDL's key code of a character key is its code point
    std::uint32_t physicalKey;  // the key's virtual key on a US keyboard
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"Russian es on C", 0x0441, 0x43, 0x43},
      {"Russian yeru on S", 0x044B, 0x53, 0x53},
      {"Russian shcha on O", 0x0449, 0x4F, 0x4F},
      {"Russian em on V", 0x043C, 0x56, 0x56},
      {"Russian che on X", 0x0447, 0x58, 0x58},
      {"Greek psi on C", 0x03C8, 0x43, 0x43},
      {"French e acute on 2", 0x00E9, 0x32, 0x32},
      {"French a grave on 0", 0x00E0, 0x30, 0x30},
      // A Latin letter is the layout's, wherever it lies (AZERTY has "a" on the US "Q").
      {"AZERTY a on Q", 0x61, 0x51, 0x41},
  };
  mSimulator.SetModifiers(kModLeftCtrl);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(mSimulator.LayoutKey(mId, c.layoutKeycode, c.physicalKey, true));
    ASSERT_TRUE(mSimulator.LayoutKey(mId, c.layoutKeycode, c.physicalKey, false));
    const std::vector<WindowEvent> events = Take();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().kind, WindowEventKind::kKey);
    EXPECT_TRUE(events.front().keyDown);
    EXPECT_EQ(events.front().virtualKey, c.expected);
    EXPECT_EQ(events.front().modifiers, kModCtrl | kModLeftCtrl);
    EXPECT_EQ(events.back().virtualKey, c.expected);
    EXPECT_FALSE(events.back().keyDown);
    // Ctrl with a letter types its control character on every layout.
    if (c.expected >= 0x41) {
      ASSERT_EQ(events.size(), 3u);
      EXPECT_EQ(events[1].kind, WindowEventKind::kCharacter);
      EXPECT_EQ(events[1].character, static_cast<char16_t>(c.expected - 0x40));
    }
  }
  EXPECT_FALSE(mSimulator.LayoutKey(mId, 0x0436, 0xBA, true)) << "only letters and digits have a physical name";
}

TEST_F(WindowEventTest, PressesMadeUntilTheDropAreDroppedAndWhatFollowsStillComes) {
  ASSERT_TRUE(mSimulator.MovePointer(mId, {10, 10}));
  ASSERT_TRUE(mSimulator.PressButton(mId, kMouseLeft, {10, 10}));
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, kMouseLeft, {10, 10}));
  ASSERT_TRUE(mSimulator.PressButton(mId, kMouseLeft, {10, 10}, 2));
  ASSERT_TRUE(mSimulator.Key(mId, 0x0D, true));
  ASSERT_TRUE(mSimulator.Text(mId, "x"));
  ASSERT_TRUE(mSimulator.Key(mId, 0x0D, false));
  ASSERT_TRUE(mSimulator.Wheel(mId, WheelAxis::kVertical, 120, {10, 10}));
  // The button is still held when the drop comes; its release follows.
  DropPressesMadeUntilNow();
  // A later millisecond: the time stamps have that resolution.
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(mSimulator.MovePointer(mId, {12, 10}));
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, kMouseLeft, {12, 10}, 2));
  ASSERT_TRUE(mSimulator.PressButton(mId, kMouseLeft, {12, 10}));
  ASSERT_TRUE(mSimulator.Key(mId, 0x41, true));

  std::vector<std::string> seen;
  for (const WindowEvent& event : Take()) {
    switch (event.kind) {
    case WindowEventKind::kMouseMove:
      seen.push_back("move" + std::to_string(event.buttons));
      break;
    case WindowEventKind::kMouseButton:
      seen.push_back(event.action == MouseAction::kRelease ? "release" : "press");
      break;
    case WindowEventKind::kMouseWheel:
      seen.push_back("wheel");
      break;
    case WindowEventKind::kKey:
      seen.push_back(event.keyDown ? "keyDown" : "keyUp");
      break;
    case WindowEventKind::kCharacter:
      seen.push_back("character");
      break;
    default:
      break;
    }
  }
  const std::vector<std::string> expected = {
      "move0", "release", "keyUp", "wheel", "move" + std::to_string(kMouseLeft), "release", "press", "keyDown"};
  EXPECT_EQ(seen, expected);
}

TEST_F(WindowEventTest, WindowChangesAreReportedAndTrackTheShowState) {
  using Change = SimulatedWindowChange;
  mSimulator.Change(mId, Change::kEnter);
  mSimulator.Change(mId, Change::kFocusGained);
  mSimulator.Change(mId, Change::kMoved, 300, 40);
  mSimulator.Change(mId, Change::kSizeChanged, 220, 170);
  mSimulator.Change(mId, Change::kMaximised);
  mSimulator.Change(mId, Change::kRestored);
  mSimulator.Change(mId, Change::kMinimised);
  mSimulator.Change(mId, Change::kExposed);
  mSimulator.Change(mId, Change::kDisplayChanged);
  mSimulator.Change(mId, Change::kLeave);
  mSimulator.Change(mId, Change::kClose);

  std::vector<WindowEvent> events = Take();
  const std::vector<WindowEventKind> kinds = {
      WindowEventKind::kMouseEnter, WindowEventKind::kFocusGained, WindowEventKind::kMove,
      WindowEventKind::kSize,       WindowEventKind::kSize,        WindowEventKind::kSize,
      WindowEventKind::kSize,       WindowEventKind::kExpose,      WindowEventKind::kDisplayChanged,
      WindowEventKind::kMouseLeave, WindowEventKind::kClose};
  ASSERT_EQ(events.size(), kinds.size());
  for (std::size_t i = 0; i < events.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(events[i].kind, kinds[i]);
    EXPECT_EQ(events[i].window, mId);
  }
  EXPECT_EQ(events[2].point, (WindowPoint{300, 40}));
  EXPECT_EQ(events[3].width, 220);
  EXPECT_EQ(events[3].height, 170);
  EXPECT_EQ(events[3].showState, WindowShowState::kRestored);
  EXPECT_EQ(events[4].showState, WindowShowState::kMaximised);
  EXPECT_EQ(events[5].showState, WindowShowState::kRestored);
  EXPECT_EQ(events[6].showState, WindowShowState::kMinimised);
  EXPECT_EQ(mWindow->GetShowState(), WindowShowState::kMinimised);
  EXPECT_TRUE(mWindow->HasFocus());
  EXPECT_EQ(Window::GetFocusWindow(), mId);

  mSimulator.Change(mId, Change::kFocusLost);
  ASSERT_EQ(Take(WindowEventKind::kFocusLost).size(), 1u);
  EXPECT_FALSE(mWindow->HasFocus());
  EXPECT_EQ(Window::GetFocusWindow(), kNoWindow);
}

TEST_F(WindowEventTest, ADropBatchArrivesWholeWithThePointerPositionAndTextDropsBringNoFiles) {
  mSimulator.SetPointerScreenPosition({130, 80}); // client (30, 30)
  mSimulator.DropFiles(mId, {"/home/u/My Programs/a.pellanvorn", "/tmp/\xC3\xBC.txt"});
  mSimulator.DropText(mId, "just text");
  mSimulator.DropFiles(mId, {"/tmp/b"});

  const std::vector<WindowEvent> drops = Take();
  ASSERT_EQ(drops.size(), 3u);
  for (const WindowEvent& drop : drops) {
    EXPECT_EQ(drop.kind, WindowEventKind::kDropFiles);
    EXPECT_EQ(drop.window, mId);
    EXPECT_EQ(drop.point, (WindowPoint{30, 30}));
  }
  EXPECT_EQ(drops[0].files, (std::vector<std::string>{"/home/u/My Programs/a.pellanvorn", "/tmp/\xC3\xBC.txt"}));
  EXPECT_TRUE(drops[1].files.empty());
  EXPECT_EQ(drops[2].files, (std::vector<std::string>{"/tmp/b"}));
}

TEST_F(WindowEventTest, ADisabledWindowReportsNoInputButItsWindowChanges) {
  Window* owner = mWindow.get();
  std::unique_ptr<Window> dialog = Window::Create({"dialog", {120, 70, 80, 60}});
  ASSERT_TRUE(dialog);
  dialog->SetModalFor(owner);
  EXPECT_EQ(dialog->GetOwner(), mId);
  owner->SetEnabled(false);
  Take();

  for (WindowId id : {mId, dialog->GetId()}) {
    mSimulator.PressButton(id, kMouseLeft, {1, 1});
    mSimulator.ReleaseButton(id, kMouseLeft, {1, 1});
    mSimulator.MovePointer(id, {2, 2});
    mSimulator.Wheel(id, WheelAxis::kVertical, 120, {2, 2});
    mSimulator.Key(id, 0x0D, true);
    mSimulator.Text(id, "t");
    mSimulator.Change(id, SimulatedWindowChange::kClose);
    mSimulator.Change(id, SimulatedWindowChange::kExposed);
  }
  std::size_t ownerEvents = 0;
  std::size_t dialogEvents = 0;
  for (const WindowEvent& event : Take()) {
    if (event.window == mId) {
      ++ownerEvents;
      EXPECT_EQ(event.kind, WindowEventKind::kExpose);
    } else {
      ++dialogEvents;
    }
  }
  EXPECT_EQ(ownerEvents, 1u);
  EXPECT_EQ(dialogEvents, 9u); // press, release, move, wheel, key, Return's character, text, close, expose

  owner->SetEnabled(true);
  mSimulator.Change(mId, SimulatedWindowChange::kClose);
  EXPECT_EQ(Take(WindowEventKind::kClose).size(), 1u);

  // The owner going first ends the relation.
  std::unique_ptr<Window> other = Window::Create({"other", {0, 0, 10, 10}});
  dialog->SetModalFor(other.get());
  other.reset();
  EXPECT_EQ(dialog->GetOwner(), kNoWindow);
}

TEST_F(WindowEventTest, TakingTheCaptureFromAnotherWindowOrReleasingItIsReported) {
  std::unique_ptr<Window> second = Window::Create({"second", {0, 0, 50, 50}});
  ASSERT_TRUE(second);
  mWindow->CaptureMouse(); // the offscreen driver cannot capture; the layer still keeps track
  EXPECT_TRUE(mWindow->HasMouseCapture());
  EXPECT_TRUE(Take().empty());
  mWindow->CaptureMouse();
  EXPECT_TRUE(Take().empty()) << "capturing again changes nothing";

  second->CaptureMouse();
  std::vector<WindowEvent> lost = Take();
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_EQ(lost[0].kind, WindowEventKind::kCaptureLost);
  EXPECT_EQ(lost[0].window, mId);
  EXPECT_EQ(lost[0].otherWindow, second->GetId());
  EXPECT_FALSE(mWindow->HasMouseCapture());
  EXPECT_EQ(Window::GetCaptureWindow(), second->GetId());

  mWindow->ReleaseMouse(); // not the holder: nothing
  EXPECT_TRUE(Take().empty());
  second->ReleaseMouse();
  lost = Take();
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_EQ(lost[0].window, second->GetId());
  EXPECT_EQ(lost[0].otherWindow, kNoWindow);
  EXPECT_EQ(Window::GetCaptureWindow(), kNoWindow);

  second->CaptureMouse();
  second.reset();
  EXPECT_EQ(Window::GetCaptureWindow(), kNoWindow);
}

TEST_F(WindowEventTest, QuitAndWakeComeThroughTheQueueAndWakeAWaitingLoop) {
  EXPECT_FALSE(WaitForWindowEvent(0));
  EXPECT_FALSE(WaitForWindowEvent(1));

  std::thread waker([] { EXPECT_TRUE(PostWake()); });
  EXPECT_TRUE(WaitForWindowEvent(10000));
  waker.join();
  std::vector<WindowEvent> events = Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, WindowEventKind::kWake);

  EXPECT_TRUE(PostQuit());
  EXPECT_TRUE(WaitForWindowEvent(0));
  events = Take();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, WindowEventKind::kQuit);
  EXPECT_EQ(events[0].window, kNoWindow);

  // Closing the last window is no quit.
  mWindow.reset();
  EXPECT_TRUE(Take(WindowEventKind::kQuit).empty());
}

TEST_F(WindowEventTest, EventsOfWindowsThatAreGoneAreStillReportedWithTheirId) {
  const WindowId gone = mId;
  mSimulator.PressButton(gone, kMouseLeft, {1, 2});
  mWindow.reset();
  const std::vector<WindowEvent> events = Take(WindowEventKind::kMouseButton);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].window, gone);
  EXPECT_EQ(Window::FromId(gone), nullptr);
}

TEST(WindowTextTest, MalformedUtf8BecomesReplacementCharacters) {
  struct Case {
    std::string_view utf8;
    std::u16string utf16;
  };
  const Case cases[] = {
      {"ok", u"ok"},
      {"\x80x", u"\uFFFDx"},           // stray continuation byte
      {"\xC3", u"\uFFFD"},             // cut short at the end
      {"\xE2\x82x", u"\uFFFDx"},       // cut short before another character
      {"\xC0\xAF", u"\uFFFD"},         // overlong
      {"\xED\xA0\x80", u"\uFFFD"},     // a surrogate's code
      {"\xF4\x90\x80\x80", u"\uFFFD"}, // beyond U+10FFFF
      {"\xFF", u"\uFFFD"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::string(c.utf8)));
    std::u16string out;
    detail::AppendUtf16(c.utf8, out);
    EXPECT_EQ(out, c.utf16);
  }
}

} // namespace
} // namespace QZ::Platform
