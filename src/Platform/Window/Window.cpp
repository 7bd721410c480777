#include "Platform/Window/Window.h"

#include "Platform/Window/WindowSystem.h"
#include "Platform/Window/WindowSystemState.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace QZ::Platform {

using detail::State;

namespace {

SDL_Window* Native(void* native) { return static_cast<SDL_Window*>(native); }

// Limits of the sizes the window system takes for "no maximum".
constexpr std::int32_t kNoMaximumSize = 32767;

bool IsXrgb8888(const SDL_Surface& surface) {
  return surface.format->format == SDL_PIXELFORMAT_RGB888 || surface.format->format == SDL_PIXELFORMAT_ARGB8888;
}

// Intersection of the rectangle with {0, 0, width, height}; empty when they do not meet.
WindowRect ClipTo(const WindowRect& rect, std::int32_t width, std::int32_t height) {
  const std::int64_t left = std::max<std::int64_t>(rect.x, 0);
  const std::int64_t top = std::max<std::int64_t>(rect.y, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t{rect.x} + rect.width, width);
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t{rect.y} + rect.height, height);
  if (right <= left || bottom <= top)
    return {};
  return {static_cast<std::int32_t>(left), static_cast<std::int32_t>(top), static_cast<std::int32_t>(right - left),
          static_cast<std::int32_t>(bottom - top)};
}

// One pixel as an opaque 0xFFRRGGBB word: the window shows it as drawn over black.
std::uint32_t OpaquePixel(const std::uint8_t* p, PixelAlpha alpha) {
  std::uint32_t b = p[0];
  std::uint32_t g = p[1];
  std::uint32_t r = p[2];
  const std::uint32_t a = p[3];
  if (alpha == PixelAlpha::kStraight) {
    b = (b * a + 127) / 255;
    g = (g * a + 127) / 255;
    r = (r * a + 127) / 255;
  }
  return 0xFF000000u | (r << 16) | (g << 8) | b;
}

// A row of pixels as opaque 0xFFRRGGBB words. Premultiplied pixels on a little-endian machine are such words
// already but for the alpha byte: that case is one pass of word copies, which the compiler vectorises (a full
// repaint presents every pixel of the window, and each is read and written once).
void OpaqueRow(const std::uint8_t* source, std::int32_t width, PixelAlpha alpha, std::uint32_t* target) {
  if (alpha == PixelAlpha::kPremultiplied && std::endian::native == std::endian::little) {
    for (std::int32_t x = 0; x < width; ++x) {
      std::uint32_t word = 0;
      std::memcpy(&word, source + static_cast<std::ptrdiff_t>(x) * 4, sizeof word);
      target[x] = word | 0xFF000000u;
    }
    return;
  }
  for (std::int32_t x = 0; x < width; ++x)
    target[x] = OpaquePixel(source + static_cast<std::ptrdiff_t>(x) * 4, alpha);
}

} // namespace

std::unique_ptr<Window> Window::Create(const WindowOptions& options, WindowStatus* status) {
  auto report = [&](WindowStatus value) {
    if (status != nullptr)
      *status = value;
  };
  if (!IsWindowSystemStarted()) {
    report(WindowStatus::kNotStarted);
    return nullptr;
  }
  if (options.clientBounds.width < 1 || options.clientBounds.height < 1) {
    report(WindowStatus::kInvalidSize);
    return nullptr;
  }
  Uint32 flags = SDL_WINDOW_HIDDEN;
  if (options.resizable)
    flags |= SDL_WINDOW_RESIZABLE;
  if (options.borderless)
    flags |= SDL_WINDOW_BORDERLESS;
  if (options.openGL)
    flags |= SDL_WINDOW_OPENGL;
  SDL_Window* native = SDL_CreateWindow(options.title.c_str(), options.clientBounds.x, options.clientBounds.y,
                                        options.clientBounds.width, options.clientBounds.height, flags);
  if (native == nullptr) {
    report(WindowStatus::kFailed);
    return nullptr;
  }
  std::unique_ptr<Window> window(new Window(native, SDL_GetWindowID(native)));
  State().windows[window->mId] = window.get();
  window->mNormalBounds = window->GetClientBounds();
  if (options.visible)
    window->Show();
  report(WindowStatus::kOk);
  return window;
}

Window::Window(void* native, WindowId id) : mNative(native), mId(id) {}

Window::~Window() {
  detail::WindowSystemState& state = State();
  if (state.capture == mId) {
    state.capture = kNoWindow;
    SDL_CaptureMouse(SDL_FALSE);
  }
  if (state.focus == mId)
    state.focus = kNoWindow;
  for (auto& [id, window] : state.windows) {
    if (window->mOwner == mId)
      window->mOwner = kNoWindow;
  }
  StopAwaitingFrame();
  state.windows.erase(mId);
  // A stopped window system has taken its windows with it.
  if (state.startCount > 0)
    SDL_DestroyWindow(Native(mNative));
}

Window* Window::FromId(WindowId id) {
  const auto& windows = State().windows;
  const auto found = windows.find(id);
  return found != windows.end() ? found->second : nullptr;
}

void* Window::GetNativeHandle() const { return mNative; }

bool Window::Show() {
  const bool wasVisible = IsVisible();
  SDL_ShowWindow(Native(mNative));
  if (!wasVisible)
    KeepClientOrigin();
  return wasVisible;
}

void Window::KeepClientOrigin() {
  const char* driver = SDL_GetCurrentVideoDriver();
  if (!mOriginToKeep || driver == nullptr || std::strcmp(driver, "x11") != 0) {
    mOriginToKeep.reset();
    return;
  }
  // A window shown again has its frame already.
  if (ApplyKeptOrigin() || mAwaitingFrame)
    return;
  mAwaitingFrame = true;
  mFrameAwaitedSince = SDL_GetTicks();
  // The manager reports the extents with a property change, which SDL takes in without an event of its own:
  // the window system's messages come as events while a window waits, so that change wakes the loop too.
  if (State().framesAwaited++ == 0)
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

bool Window::ApplyKeptOrigin() {
  const WindowFrame frame = GetFrame();
  if (frame.top == 0 && frame.left == 0)
    return false;
  WindowPoint target = *mOriginToKeep;
  mOriginToKeep.reset();
  // The position was meant for the whole window: its frame, not only its client area, stays on the desktop, or
  // a window placed at the desktop's corner would have its title bar above the screen, out of the user's reach.
  SDL_Rect usable{};
  const int display = SDL_GetWindowDisplayIndex(Native(mNative));
  if (display >= 0 && SDL_GetDisplayUsableBounds(display, &usable) == 0) {
    target.x = std::max(target.x, usable.x + frame.left);
    target.y = std::max(target.y, usable.y + frame.top);
  }
  SDL_SetWindowPosition(Native(mNative), target.x, target.y);
  NoteBounds();
  return true;
}

void Window::StopAwaitingFrame() {
  if (!mAwaitingFrame)
    return;
  mAwaitingFrame = false;
  if (--State().framesAwaited == 0)
    SDL_EventState(SDL_SYSWMEVENT, SDL_DISABLE);
}

void Window::KeepAwaitedOrigins() {
  // The manager reports its frame shortly after the window is mapped; without a manager none comes.
  constexpr Uint32 kFrameWaitMs = 2000;
  std::vector<Window*> waiting;
  for (const auto& [id, window] : State().windows) {
    if (window->mAwaitingFrame)
      waiting.push_back(window);
  }
  for (Window* window : waiting) {
    if (!window->mOriginToKeep || window->ApplyKeptOrigin() ||
        SDL_GetTicks() - window->mFrameAwaitedSince > kFrameWaitMs) {
      window->mOriginToKeep.reset();
      window->StopAwaitingFrame();
    }
  }
}

bool Window::Hide() {
  const bool wasVisible = IsVisible();
  SDL_HideWindow(Native(mNative));
  return wasVisible;
}

bool Window::IsVisible() const { return (SDL_GetWindowFlags(Native(mNative)) & SDL_WINDOW_SHOWN) != 0; }

void Window::Minimise() {
  NoteBounds();
  mShowState = WindowShowState::kMinimised;
  SDL_MinimizeWindow(Native(mNative));
}

void Window::Maximise() {
  NoteBounds();
  mShowState = WindowShowState::kMaximised;
  SDL_MaximizeWindow(Native(mNative));
}

void Window::Restore() {
  mShowState = WindowShowState::kRestored;
  SDL_RestoreWindow(Native(mNative));
}

bool Window::Raise() {
  SDL_RaiseWindow(Native(mNative));
  return true;
}

bool Window::SetTopMost(bool topMost) {
  SDL_SetWindowAlwaysOnTop(Native(mNative), topMost ? SDL_TRUE : SDL_FALSE);
  return true;
}

bool Window::SetFocus() { return SDL_SetWindowInputFocus(Native(mNative)) == 0; }

bool Window::HasFocus() const { return State().focus == mId; }

WindowId Window::GetFocusWindow() { return State().focus; }

bool Window::SetTitle(std::string_view utf8Title) {
  const std::string title(utf8Title);
  SDL_SetWindowTitle(Native(mNative), title.c_str());
  return true;
}

bool Window::SetIcon(const PixelView& pixels) {
  constexpr std::int32_t kMaxIconSize = 256;
  if (pixels.data == nullptr || pixels.width < 1 || pixels.height < 1 || pixels.width > kMaxIconSize ||
      pixels.height > kMaxIconSize || pixels.stride < pixels.width * 4)
    return false;
  SDL_Surface* surface = detail::StraightAlphaSurface(pixels);
  if (surface == nullptr)
    return false;
  SDL_SetWindowIcon(Native(mNative), surface);
  SDL_FreeSurface(surface);
  mHasIcon = true;
  return true;
}

std::string Window::GetTitle() const {
  const char* title = SDL_GetWindowTitle(Native(mNative));
  return title != nullptr ? std::string(title) : std::string();
}

WindowRect Window::GetClientBounds() const {
  WindowRect bounds;
  SDL_GetWindowPosition(Native(mNative), &bounds.x, &bounds.y);
  SDL_GetWindowSize(Native(mNative), &bounds.width, &bounds.height);
  return bounds;
}

bool Window::SetClientBounds(const WindowRect& bounds) {
  if (bounds.IsEmpty())
    return false;
  SDL_SetWindowPosition(Native(mNative), bounds.x, bounds.y);
  SDL_SetWindowSize(Native(mNative), bounds.width, bounds.height);
  if (!IsVisible())
    mOriginToKeep = WindowPoint{bounds.x, bounds.y};
  else
    mOriginToKeep.reset(); // placed again while its frame is awaited: the new place holds
  NoteBounds();
  return true;
}

WindowFrame Window::GetFrame() const {
  WindowFrame frame;
  if (SDL_GetWindowBordersSize(Native(mNative), &frame.top, &frame.left, &frame.bottom, &frame.right) != 0)
    return {};
  return frame;
}

WindowRect Window::GetWindowBounds() const {
  const WindowRect client = GetClientBounds();
  const WindowFrame frame = GetFrame();
  return {client.x - frame.left, client.y - frame.top, client.width + frame.left + frame.right,
          client.height + frame.top + frame.bottom};
}

WindowPoint Window::ClientToScreen(WindowPoint client) const {
  int x = 0;
  int y = 0;
  SDL_GetWindowPosition(Native(mNative), &x, &y);
  return {client.x + x, client.y + y};
}

WindowPoint Window::ScreenToClient(WindowPoint screen) const {
  int x = 0;
  int y = 0;
  SDL_GetWindowPosition(Native(mNative), &x, &y);
  return {screen.x - x, screen.y - y};
}

bool Window::IsScreenPointOver(WindowPoint screen) const { return GetWindowBounds().Contains(screen); }

bool Window::IsScreenPointInFrame(WindowPoint screen) const {
  return IsScreenPointOver(screen) && !GetClientBounds().Contains(screen);
}

void Window::SetSizeLimits(std::int32_t minWidth, std::int32_t minHeight, std::int32_t maxWidth,
                           std::int32_t maxHeight) {
  SDL_SetWindowMinimumSize(Native(mNative), std::max(minWidth, 1), std::max(minHeight, 1));
  SDL_SetWindowMaximumSize(Native(mNative), maxWidth > 0 ? maxWidth : kNoMaximumSize,
                           maxHeight > 0 ? maxHeight : kNoMaximumSize);
}

std::array<std::int32_t, 4> Window::GetSizeLimits() const {
  int minWidth = 0;
  int minHeight = 0;
  int maxWidth = 0;
  int maxHeight = 0;
  SDL_GetWindowMinimumSize(Native(mNative), &minWidth, &minHeight);
  SDL_GetWindowMaximumSize(Native(mNative), &maxWidth, &maxHeight);
  const auto limit = [](int v) { return v >= kNoMaximumSize ? 0 : v; };
  return {minWidth, minHeight, limit(maxWidth), limit(maxHeight)};
}

void Window::NoteBounds() {
  if (mShowState == WindowShowState::kRestored &&
      (SDL_GetWindowFlags(Native(mNative)) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) == 0)
    mNormalBounds = GetClientBounds();
}

WindowPlacement Window::GetPlacement() const {
  WindowPlacement placement;
  placement.state = mShowState;
  placement.normalBounds = mShowState == WindowShowState::kRestored ? GetClientBounds() : mNormalBounds;
  return placement;
}

bool Window::SetPlacement(const WindowPlacement& placement) {
  if (placement.normalBounds.IsEmpty())
    return false;
  if (mShowState != WindowShowState::kRestored)
    Restore();
  SetClientBounds(placement.normalBounds);
  mNormalBounds = placement.normalBounds;
  if (placement.state == WindowShowState::kMaximised)
    Maximise();
  else if (placement.state == WindowShowState::kMinimised)
    Minimise();
  return true;
}

bool Window::SetModalFor(Window* owner) {
  mOwner = owner != nullptr ? owner->mId : kNoWindow;
  if (owner == nullptr)
    return true;
  return SDL_SetWindowModalFor(Native(mNative), Native(owner->mNative)) == 0;
}

bool Window::CaptureMouse() {
  detail::WindowSystemState& state = State();
  if (state.capture != mId) {
    const WindowId previous = state.capture;
    state.capture = mId;
    if (previous != kNoWindow) {
      WindowEvent lost;
      lost.kind = WindowEventKind::kCaptureLost;
      lost.window = previous;
      lost.otherWindow = mId;
      state.pending.push_back(std::move(lost));
    }
  }
  return SDL_CaptureMouse(SDL_TRUE) == 0;
}

void Window::ReleaseMouse() {
  detail::WindowSystemState& state = State();
  if (state.capture != mId)
    return;
  state.capture = kNoWindow;
  SDL_CaptureMouse(SDL_FALSE);
  WindowEvent lost;
  lost.kind = WindowEventKind::kCaptureLost;
  lost.window = mId;
  state.pending.push_back(std::move(lost));
}

bool Window::HasMouseCapture() const { return State().capture == mId; }

WindowId Window::GetCaptureWindow() { return State().capture; }

bool Window::HoverNeedsCapture() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver == nullptr || (std::strcmp(driver, "x11") != 0 && std::strcmp(driver, "wayland") != 0);
}

bool Window::Present(const PixelView& pixels, std::span<const WindowRect> rects) {
  if (pixels.data == nullptr || pixels.width < 1 || pixels.height < 1 ||
      std::int64_t{pixels.stride} < std::int64_t{pixels.width} * 4)
    return false;
  SDL_Surface* surface = SDL_GetWindowSurface(Native(mNative));
  if (surface == nullptr)
    return false;
  std::vector<SDL_Rect> shown;
  std::vector<std::uint32_t> row;
  const bool direct = IsXrgb8888(*surface);
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
    return false;
  for (const WindowRect& wanted : rects) {
    const WindowRect rect = ClipTo(ClipTo(wanted, pixels.width, pixels.height), surface->w, surface->h);
    if (rect.IsEmpty())
      continue;
    row.resize(static_cast<std::size_t>(rect.width));
    for (std::int32_t y = rect.y; y < rect.y + rect.height; ++y) {
      const std::uint8_t* source =
          pixels.data + static_cast<std::ptrdiff_t>(y) * pixels.stride + static_cast<std::ptrdiff_t>(rect.x) * 4;
      auto* target = static_cast<std::uint8_t*>(surface->pixels) +
                     static_cast<std::ptrdiff_t>(y) * surface->pitch +
                     static_cast<std::ptrdiff_t>(rect.x) * surface->format->BytesPerPixel;
      // A window of our own format takes the row in place; others convert from the row.
      if (direct && reinterpret_cast<std::uintptr_t>(target) % alignof(std::uint32_t) == 0) {
        OpaqueRow(source, rect.width, pixels.alpha, reinterpret_cast<std::uint32_t*>(target));
        continue;
      }
      OpaqueRow(source, rect.width, pixels.alpha, row.data());
      if (direct)
        std::memcpy(target, row.data(), row.size() * 4);
      else
        SDL_ConvertPixels(rect.width, 1, SDL_PIXELFORMAT_ARGB8888, row.data(), rect.width * 4,
                          surface->format->format, target, surface->pitch);
    }
    shown.push_back({rect.x, rect.y, rect.width, rect.height});
  }
  if (SDL_MUSTLOCK(surface))
    SDL_UnlockSurface(surface);
  if (shown.empty())
    return true;
  return SDL_UpdateWindowSurfaceRects(Native(mNative), shown.data(), static_cast<int>(shown.size())) == 0;
}

bool Window::PresentAll(const PixelView& pixels) {
  const WindowRect all{0, 0, pixels.width, pixels.height};
  return Present(pixels, std::span<const WindowRect>(&all, 1));
}

bool Window::ReadPixels(const WindowRect& rect, std::vector<std::uint32_t>& out) const {
  SDL_Surface* surface = SDL_GetWindowSurface(Native(mNative));
  if (surface == nullptr || rect.IsEmpty() || ClipTo(rect, surface->w, surface->h) != rect)
    return false;
  out.assign(static_cast<std::size_t>(rect.width) * static_cast<std::size_t>(rect.height), 0);
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0)
    return false;
  for (std::int32_t y = 0; y < rect.height; ++y) {
    const auto* source = static_cast<const std::uint8_t*>(surface->pixels) +
                         static_cast<std::ptrdiff_t>(rect.y + y) * surface->pitch +
                         static_cast<std::ptrdiff_t>(rect.x) * surface->format->BytesPerPixel;
    std::uint32_t* target = out.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(rect.width);
    SDL_ConvertPixels(rect.width, 1, surface->format->format, source, surface->pitch, SDL_PIXELFORMAT_ARGB8888,
                      target, rect.width * 4);
  }
  if (SDL_MUSTLOCK(surface))
    SDL_UnlockSurface(surface);
  for (std::uint32_t& pixel : out)
    pixel |= 0xFF000000u;
  return true;
}

} // namespace QZ::Platform
