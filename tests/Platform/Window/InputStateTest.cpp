// Key, button and pointer state and cursors on the offscreen driver, with the simulator standing in for
// the devices.

#include "Platform/Input/KeyState.h"
#include "Platform/Window/InputSimulator.h"
#include "Platform/Window/InputState.h"
#include "Platform/Window/Window.h"

#include "Support/WindowTestSupport.h"

#include <SDL.h>
#include <gtest/gtest.h>

namespace QZ::Platform {
namespace {

using test::OffscreenWindowSystem;

class InputStateTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(mSystem.IsStarted()); }
  void TearDown() override { SDL_SetModState(KMOD_NONE); }
  OffscreenWindowSystem mSystem;
};

TEST_F(InputStateTest, KeyStateAnswersForKeysModifiersLocksAndMouseButtons) {
  InputSimulator simulator;
  std::unique_ptr<Window> window = Window::Create({"keys", {0, 0, 10, 10}});
  ASSERT_TRUE(window);
  const WindowId id = window->GetId();
  simulator.Key(id, 0x41, true);
  simulator.Key(id, 0xA1, true); // right Shift
  simulator.PressButton(id, kMouseRight, {1, 1});
  SDL_SetModState(static_cast<SDL_Keymod>(SDL_GetModState() | KMOD_CAPS));

  struct Case {
    std::uint8_t virtualKey;
    bool down;
    bool toggled;
  };
  const Case cases[] = {
      {0x41, true, false},  {0x42, false, false}, {0x10, true, false},  {0xA1, true, false}, {0xA0, false, false},
      {0x11, false, false}, {0x14, false, true},  {0x90, false, false}, {0x02, true, false}, // right button
      {0x01, false, false}, {0x04, false, false}, {0xFF, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.virtualKey);
    const SKeyState state = GetKeyState(c.virtualKey);
    EXPECT_EQ(state.down, c.down);
    EXPECT_EQ(state.toggled, c.toggled);
  }
  EXPECT_EQ(GetModifierMask(), kModShift | kModRightShift);
  EXPECT_EQ(GetMouseButtons(), kMouseRight);

  simulator.Key(id, 0x41, false);
  simulator.ReleaseButton(id, kMouseRight, {1, 1});
  EXPECT_FALSE(GetKeyState(0x41).down);
  EXPECT_EQ(GetMouseButtons(), 0u);
  OffscreenWindowSystem::TakeWindowEvents();
}

TEST_F(InputStateTest, TheSimulatorStandsInForTheKeyStateOnlyWhileItLives) {
  const auto before = GetKeyStateSource();
  {
    InputSimulator simulator;
    std::unique_ptr<Window> window = Window::Create({"keys", {0, 0, 10, 10}});
    ASSERT_TRUE(window);
    simulator.Key(window->GetId(), 0x42, true);
    EXPECT_TRUE(GetKeyState(0x42).down);
    EXPECT_NE(GetKeyStateSource(), before);
    OffscreenWindowSystem::TakeWindowEvents();
  }
  EXPECT_EQ(GetKeyStateSource(), before);
  EXPECT_FALSE(GetKeyState(0x42).down);
}

TEST_F(InputStateTest, ThePointerPositionIsTheSimulatorsWhileItLives) {
  InputSimulator simulator;
  std::unique_ptr<Window> window = Window::Create({"pointer", {40, 30, 100, 100}});
  ASSERT_TRUE(window);
  simulator.MovePointer(window->GetId(), {5, 6});
  EXPECT_EQ(GetPointerScreenPosition(), (WindowPoint{45, 36}));
  EXPECT_TRUE(SetPointerScreenPosition({400, 300}));
  EXPECT_EQ(GetPointerScreenPosition(), (WindowPoint{400, 300}));
  OffscreenWindowSystem::TakeWindowEvents();
}

TEST_F(InputStateTest, SystemCursorsAreFoundByName) {
  const std::pair<const char*, SystemCursor> names[] = {
      {"ARROW", SystemCursor::kArrow},
      {"IBEAM", SystemCursor::kIBeam},
      {"WAIT", SystemCursor::kWait},
      {"CROSS", SystemCursor::kCross},
      {"UPARROW", SystemCursor::kUpArrow},
      {"SIZEALL", SystemCursor::kSizeAll},
      {"SIZENWSE", SystemCursor::kSizeNWSE},
      {"SIZENESW", SystemCursor::kSizeNESW},
      {"SIZEWE", SystemCursor::kSizeWE},
      {"SIZENS", SystemCursor::kSizeNS},
      {"NO", SystemCursor::kNo},
      {"HAND", SystemCursor::kHand},
      {"APPSTARTING", SystemCursor::kAppStarting},
      {"HELP", SystemCursor::kHelp},
  };
  for (const auto& [name, cursor] : names) {
    SCOPED_TRACE(name);
    EXPECT_EQ(FindSystemCursor(name), cursor);
  }
  EXPECT_EQ(FindSystemCursor("arrow"), std::nullopt);
  EXPECT_EQ(FindSystemCursor(""), std::nullopt);
  EXPECT_EQ(FindSystemCursor("SPLIT_V"), std::nullopt);
}

TEST_F(InputStateTest, WithoutCursorsTheCurrentCursorAndTheDisplayCountStillHold) {
  // The offscreen driver has no cursors at all.
  EXPECT_EQ(GetSystemCursor(SystemCursor::kIBeam), kNoCursor);
  EXPECT_EQ(SetCurrentCursor(kNoCursor), kNoCursor);
  EXPECT_EQ(ShowPointer(false), -1);
  EXPECT_EQ(ShowPointer(false), -2);
  EXPECT_EQ(ShowPointer(true), -1);
  EXPECT_EQ(ShowPointer(true), 0);
}

} // namespace
} // namespace QZ::Platform
