#pragma once
// A top-level window of the window system (SDL2 underneath). It has a client area in screen coordinates,
// a frame the window manager draws around it, a title, a show state, an enabled flag and an optional
// owner (the window it is modal for). Input of a disabled window is dropped before it is reported
// (WindowEvent.h), which is how a modal window keeps its owner quiet.
//
// Pixels reach the screen through Present: a 32-bit image the size of the client area (a back buffer) is
// copied into the window per dirty rectangle. The window is opaque: transparent pixels show as if drawn
// over black. A window used for OpenGL (GetNativeHandle) must not also present.
//
// The window remembers its show state and its restored bounds itself, from its own calls and from the
// window manager's events, since not every window system reports them (no window manager, the offscreen
// driver).
//
// Threads: every operation on the thread that started the window system (WindowSystem.h). A window must
// be destroyed before the window system stops.

#include "Platform/Window/WindowTypes.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace QZ::Platform {

struct WindowOptions {
  std::string title;                       // UTF-8
  WindowRect clientBounds{0, 0, 640, 480}; // screen coordinates; width and height at least 1
  bool resizable = false;
  bool visible = false; // shown at once (without taking the focus)
  bool borderless = false;
  bool openGL = false; // drawn with OpenGL (prepare the GL attributes before Create)
};

enum class WindowStatus : std::int32_t {
  kOk = 0,
  kNotStarted = 1,  // the window system is not running
  kInvalidSize = 2, // a width or height below 1
  kFailed = 3,      // the window system refused (its text: GetWindowSystemError)
};

class Window {
public:
  // Null (with *status) when the window cannot be made.
  [[nodiscard]] static std::unique_ptr<Window> Create(const WindowOptions& options,
                                                      WindowStatus* status = nullptr);
  // The live window with that id, or null.
  static Window* FromId(WindowId id);

  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  ~Window();

  WindowId GetId() const { return mId; }
  // The SDL_Window behind this window, for the OpenGL context layer; nothing else may use it.
  void* GetNativeHandle() const;
  // The window system's own id of the window, for helper programs that place a dialog over it (an X11
  // window id); 0 where the window system has none to give (the offscreen driver, Wayland).
  std::uint64_t GetSystemWindowId() const;

  // Showing. Show and Hide answer whether the window was visible before.
  bool Show();
  bool Hide();
  bool IsVisible() const;
  void Minimise();
  void Maximise();
  void Restore();
  WindowShowState GetShowState() const { return mShowState; }
  // Brings the window above the others; false when the window system cannot.
  bool Raise();
  bool SetTopMost(bool topMost);
  // Asks for the keyboard focus; false when the window system refuses (the offscreen driver always does).
  bool SetFocus();
  // Whether this window has the keyboard focus, as the last focus events said (it is the active window).
  bool HasFocus() const;
  static WindowId GetFocusWindow();

  bool SetTitle(std::string_view utf8Title);
  std::string GetTitle() const;
  // The window's icon (small and large alike) from pixels up to 256 x 256; false when it cannot be set.
  bool SetIcon(const PixelView& pixels);
  bool HasIcon() const { return mHasIcon; }

  // The client area in screen coordinates.
  WindowRect GetClientBounds() const;
  // Moves and sizes the window so that its client area is the rectangle; no change of stacking order.
  bool SetClientBounds(const WindowRect& bounds);
  // The frame's reach on each side; zeros where the window system cannot tell.
  WindowFrame GetFrame() const;
  // True from a first Show until the window manager's frame is known (or the wait for it ended): until then
  // GetFrame may say zeros for a window that will have a frame.
  bool IsAwaitingFrame() const { return mAwaitingFrame; }
  // The client area grown by the frame, in screen coordinates.
  WindowRect GetWindowBounds() const;
  WindowPoint ClientToScreen(WindowPoint client) const;
  WindowPoint ScreenToClient(WindowPoint screen) const;
  // Whether a screen point lies on the window (client area or frame), and on its frame only.
  bool IsScreenPointOver(WindowPoint screen) const;
  bool IsScreenPointInFrame(WindowPoint screen) const;
  // Limits the user's sizing of the client area; a maximum of 0 means no limit.
  void SetSizeLimits(std::int32_t minWidth, std::int32_t minHeight, std::int32_t maxWidth, std::int32_t maxHeight);
  // The limits as the window system holds them {min width, min height, max width, max height}; 0: no maximum.
  std::array<std::int32_t, 4> GetSizeLimits() const;

  // Placement: the show state and the restored client bounds. SetPlacement moves the window to the
  // restored bounds first, then applies the state.
  WindowPlacement GetPlacement() const;
  bool SetPlacement(const WindowPlacement& placement);

  // A disabled window reports no input.
  void SetEnabled(bool enabled) { mEnabled = enabled; }
  bool IsEnabled() const { return mEnabled; }

  // Keeps this window above its owner and tells the window manager it is modal for it; null ends that.
  // Disabling the owner is the caller's step (SetEnabled). The owner must outlive the relation.
  bool SetModalFor(Window* owner);
  WindowId GetOwner() const { return mOwner; }

  // The mouse capture: while a window holds it, every mouse event goes to that window, wherever the
  // pointer is. Taking it from another window reports kCaptureLost to that one; so does releasing it.
  // The capture is ours to track: it holds even where the window system cannot capture (false then).
  bool CaptureMouse();
  void ReleaseMouse();
  bool HasMouseCapture() const;
  static WindowId GetCaptureWindow();
  // Whether a window must hold the capture to learn that the pointer left it. Not where the window system reports
  // leaving and entering (X11, Wayland): there a capture without a button held would grab the pointer from every
  // other client and from the window manager.
  static bool HoverNeedsCapture();

  // Copies the rectangles (client coordinates, clipped to the pixels and the client area) of the pixels
  // into the window and shows them; pixel (x, y) of the view lands on client point (x, y). False when
  // the window system gives no surface to draw into, or for a view without pixels.
  bool Present(const PixelView& pixels, std::span<const WindowRect> rects);
  bool PresentAll(const PixelView& pixels);
  // Reads the window's pixels back, as presented, into opaque 0xFFRRGGBB words, row by row (tests and
  // screenshots). False outside the client area or without a surface.
  bool ReadPixels(const WindowRect& rect, std::vector<std::uint32_t>& out) const;

private:
  Window(void* native, WindowId id);
  void NoteBounds();

  friend class WindowEventAccess;

  void* mNative = nullptr;
  WindowId mId = kNoWindow;
  bool mEnabled = true;
  bool mHasIcon = false;
  WindowId mOwner = kNoWindow;
  WindowShowState mShowState = WindowShowState::kRestored;
  WindowRect mNormalBounds;
  // A client origin set while the window was hidden: a window manager takes such a position for its frame's, so
  // the client area is put there again once the window is framed. Show does not wait for the frame: the window
  // is painted at once, and the origin is put back when the manager's frame extents arrive (a property change,
  // seen by the event translation; KeepAwaitedOrigins). Without a manager none arrive, and the wait ends after
  // two seconds.
  std::optional<WindowPoint> mOriginToKeep;
  bool mAwaitingFrame = false;
  std::uint32_t mFrameAwaitedSince = 0;
  void KeepClientOrigin();
  // Puts the client area at the kept origin when the frame is known; false while it is not.
  bool ApplyKeptOrigin();
  void StopAwaitingFrame();
  // For every window that awaits its frame: the origin applied once the frame is known, or the wait ended.
  static void KeepAwaitedOrigins();
};

} // namespace QZ::Platform
