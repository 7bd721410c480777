#pragma once
// Scripted input for tests: puts window-system events into the real event queue, as the window system
// would, so that they come out of PollWindowEvent translated like any other. While the simulator lives it
// also stands in for the pointer's position and the held buttons that InputState.h reports, and for the
// held keys and buttons of the key state (Platform/Input/KeyState.h), whose backend it replaces for its
// lifetime (pushed events cannot move the real ones); the modifiers are the window system's own, which the
// simulator sets.
//
// One simulator at a time, on the UI thread, with the window system started. Every call answers whether
// the event was queued.

#include "Platform/Window/WindowEvent.h"
#include "Platform/Window/WindowTypes.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace QZ::Platform {

enum class SimulatedWindowChange : std::uint8_t {
  kClose,
  kEnter,
  kLeave,
  kFocusGained,
  kFocusLost,
  kExposed,
  kMoved,       // data: the client origin's new screen position
  kSizeChanged, // data: the new client size
  kMinimised,
  kMaximised,
  kRestored,
  kDisplayChanged,
};

class InputSimulator {
public:
  InputSimulator();
  ~InputSimulator();
  InputSimulator(const InputSimulator&) = delete;
  InputSimulator& operator=(const InputSimulator&) = delete;

  // The held modifiers (WindowTypes.h mask; the side bits choose the keys, a general bit alone means the
  // left key).
  void SetModifiers(std::uint32_t mask);
  // Puts the pointer at a screen position without an event (as if it moved over no window of ours).
  void SetPointerScreenPosition(WindowPoint screen);

  // The pointer moves to a client point of the window (the simulated position follows).
  bool MovePointer(WindowId window, WindowPoint client);
  // clicks: 1 for a single click, 2 for the second press of a double click, and so on.
  bool PressButton(WindowId window, std::uint32_t button, WindowPoint client, std::uint8_t clicks = 1);
  bool ReleaseButton(WindowId window, std::uint32_t button, WindowPoint client, std::uint8_t clicks = 1);
  // delta in 120ths of a notch, positive away from the user (vertical) or to the right (horizontal).
  bool Wheel(WindowId window, WheelAxis axis, std::int32_t delta, WindowPoint client);
  // A key by its virtual-key code; a modifier key also changes the held modifiers, as the keyboard would.
  bool Key(WindowId window, std::uint32_t virtualKey, bool down, bool repeat = false);
  // A key of another keyboard layout: the layout's key code (for a character key its Unicode code point,
  // e.g. U+0441 on the key a US layout calls "C" in a Russian layout) on the physical key of a letter or
  // digit, named by that key's virtual key on a US keyboard. False for any other physical key.
  bool LayoutKey(WindowId window, std::int32_t layoutKeycode, std::uint32_t physicalVirtualKey, bool down);
  // Text typed into the window (UTF-8, at most 31 bytes per call).
  bool Text(WindowId window, std::string_view utf8);
  bool Change(WindowId window, SimulatedWindowChange change, std::int32_t data1 = 0, std::int32_t data2 = 0);
  // A drop of files (UTF-8 paths) on the window: begin, one event per file, complete.
  bool DropFiles(WindowId window, const std::vector<std::string>& files);
  // A drop of text only (no files).
  bool DropText(WindowId window, std::string_view utf8);
  bool Quit();

  WindowPoint GetPointerScreenPosition() const { return mPointer; }
  std::uint32_t GetButtons() const { return mButtons; }
  bool IsKeyDown(std::uint32_t virtualKey) const { return mKeysDown.count(virtualKey) != 0; }

  // The simulator alive now, or null.
  static InputSimulator* Current();

private:
  class SimulatedKeyState;

  // A press (down) or release of one button at a client point.
  bool Button(WindowId window, std::uint32_t button, bool down, WindowPoint client, std::uint8_t clicks);

  WindowPoint mPointer;
  std::uint32_t mButtons = 0;
  std::set<std::uint32_t> mKeysDown;
  std::shared_ptr<SimulatedKeyState> mKeyState;
};

} // namespace QZ::Platform
