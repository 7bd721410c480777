#pragma once
// Inside the window layer only: the state the layer keeps for the whole window system (live windows,
// focus and capture as the events and our own calls left them, events made by the layer itself, cursors)
// and the translation of SDL events into WindowEvents. Nothing outside src/Platform/Window includes this;
// the layer's tests do, to drive the translation with SDL events of their own.
//
// UI thread only.

#include "Platform/Window/InputState.h"
#include "Platform/Window/Window.h"
#include "Platform/Window/WindowEvent.h"

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <string>
#include <unordered_map>
#include <vector>

namespace QZ::Platform {

// The translation's way to a window's own records (its show state and restored bounds).
class WindowEventAccess {
public:
  static void SetShowState(Window& window, WindowShowState state) { window.mShowState = state; }
  static void NoteBounds(Window& window) { window.NoteBounds(); }
  static void KeepAwaitedOrigins() { Window::KeepAwaitedOrigins(); }
};

namespace detail {

// A new ARGB surface with the picture's pixels in straight alpha (what SDL's
// icons and cursors take); null when SDL cannot make one. The caller frees it.
SDL_Surface* StraightAlphaSurface(const PixelView& pixels);
// The whole modifier mask of SDL's modifier bits.
std::uint32_t ModifierMaskFromSdl(std::uint32_t sdlMod);
// SDL modifier bits for a mask (a general bit without a side bit means the left key).
std::uint16_t SdlModFromModifierMask(std::uint32_t mask);
// Mouse-button bits from SDL's button number and button mask.
std::uint32_t ButtonFromSdl(std::uint8_t sdlButton);
std::uint32_t ButtonsFromSdlState(std::uint32_t sdlState);
std::uint8_t SdlButtonFromButton(std::uint32_t button);
// Appends the UTF-16 units of UTF-8 text; a malformed sequence gives U+FFFD.
void AppendUtf16(std::string_view utf8, std::u16string& out);

class EventTranslator {
public:
  // Appends the events one SDL event stands for (often one, sometimes none or several).
  void Translate(const SDL_Event& event, std::deque<WindowEvent>& out);
  void Reset();
  // From now on presses time-stamped before ticks (SDL_GetTicks) give no events.
  void DropPressesUntil(std::uint32_t ticks);
  // Takes a press (button or key down, typed text) that gives no event.
  void DropPress(const SDL_Event& event);

private:
  void TranslateWindowEvent(const SDL_WindowEvent& event, std::deque<WindowEvent>& out);
  void TranslateKey(const SDL_KeyboardEvent& event, std::deque<WindowEvent>& out);
  void TranslateDrop(const SDL_DropEvent& event, std::deque<WindowEvent>& out);

  // A press (button or key down, typed text) made before the drop mark.
  bool IsDroppedPress(const SDL_Event& event) const;

  std::uint32_t mButtons = 0; // held, as the button events said
  bool mHasDropMark = false;
  std::uint32_t mDropMark = 0; // SDL_GetTicks
  bool mDropOpen = false;
  WindowId mDropWindow = kNoWindow;
  std::vector<std::string> mDropFiles;
};

struct WindowSystemState {
  int startCount = 0;
  std::atomic<std::uint32_t> wakeEventType{0}; // read by PostWake on any thread
  std::unordered_map<WindowId, Window*> windows;
  WindowId focus = kNoWindow;
  WindowId capture = kNoWindow;
  std::deque<WindowEvent> pending;
  EventTranslator translator;
  std::vector<SDL_Cursor*> cursors; // CursorId n is cursors[n - 1]
  CursorId systemCursors[14] = {};
  CursorId currentCursor = kNoCursor;
  std::int32_t pointerCount = 0;
  std::int32_t framesAwaited = 0; // windows waiting for the manager's frame extents (Window::KeepClientOrigin)
  bool cursorHidden = false;      // kNoCursor was made current
};

WindowSystemState& State();
// Releases the cursors before the window system stops.
void FreeCursors();

} // namespace detail
} // namespace QZ::Platform
