#pragma once
// SplashScreen: a window of its own for a start-up picture, drawn and shown from a thread that is not the
// window system's UI thread. The window layer (Platform/Window) allows window calls only on the thread that
// started it, which is busy loading while a splash shows; so this window lives on a connection of its own.
//
// Backends: where the display is an X server, an X11 window over Xlib on a separate connection: borderless,
// placed by us, never given the focus (override-redirect), opaque. Elsewhere (Wayland, SDL's offscreen or
// dummy driver, no display) the fake (FakeSplash.h), which keeps every frame for tests to read.
//
// As a WindowTarget the screen lends the window's pixels (0x..RRGGBB, black at first) to a Canvas; what is
// shown is repainted from them when the display uncovers the window.
//
// Threads: one screen is used by one thread at a time, from Connect to its destruction; any thread may make
// one, and several may exist at once.

#include "Platform/Graphics2D/Geometry2D.h"
#include "Platform/Graphics2D/WindowTarget.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace QZ::Platform {

enum class SplashBackend : std::int32_t { kX11, kFake };

// X11 when SDL_VIDEODRIVER names x11 first, or is unset while DISPLAY names a display; the fake otherwise.
// Follows the window system's own choice, so the splash appears where the editor's windows will.
SplashBackend ChooseSplashBackend();

class SplashScreen : public WindowTarget {
public:
  // The backend ChooseSplashBackend names; the fake when the X server cannot be reached. Never null.
  static std::unique_ptr<SplashScreen> Connect();
  // That backend; null (error text in *error) when it cannot be reached.
  static std::unique_ptr<SplashScreen> Connect(SplashBackend backend, std::string* error = nullptr);

  SplashScreen() = default;
  SplashScreen(const SplashScreen&) = delete;
  SplashScreen& operator=(const SplashScreen&) = delete;
  ~SplashScreen() override = default;

  virtual SplashBackend GetBackend() const = 0;
  // The desktop's area not taken by panels, in screen coordinates; the whole screen where the desktop does
  // not say.
  virtual RectI GetWorkArea() = 0;
  // Makes the window at the placement (screen coordinates), hidden, its pixels black. False (GetError) when
  // it cannot be made, the size is below 1, or a window exists already.
  [[nodiscard]] virtual bool CreateWindow(const RectI& placement, const std::string& title) = 0;
  // Shows the window without giving it the focus, with the pixels drawn so far. False without a window.
  virtual bool ShowWindow() = 0;
  // Nothing without a window.
  virtual void DestroyWindow() = 0;
  // Waits until the wake handle (a descriptor that turns readable: a Platform/System signal) is raised,
  // timeoutMs passes (negative: no limit) or the display sends events; repaints what the display uncovered.
  // Takes nothing from the wake handle.
  virtual void WaitForEvents(int wakeHandle, std::int32_t timeoutMs) = 0;
  // What the display shows of the window now, rows top-down as 0xFFRRGGBB; false when the window is not on
  // screen or cannot be read.
  virtual bool ReadBack(std::vector<std::uint32_t>& pixels) = 0;
  // The text of the last failure.
  const std::string& GetError() const { return mError; }

protected:
  std::string mError;
};

// What the X display (DISPLAY) shows in the area, in screen coordinates, rows top-down as 0xFFRRGGBB: a look at
// the screen for tests. False without an X display, or for an area not wholly on the screen.
bool ReadScreenArea(const RectI& area, std::vector<std::uint32_t>& pixels);

} // namespace QZ::Platform
