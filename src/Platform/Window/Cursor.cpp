#include "Platform/Window/InputState.h"

#include "Platform/Window/WindowSystem.h"
#include "Platform/Window/WindowSystemState.h"

#include <algorithm>
#include <array>
#include <utility>

namespace QZ::Platform {

using detail::State;

namespace {

constexpr std::int32_t kMaxCursorSize = 256;

struct CursorName {
  std::string_view name;
  SystemCursor cursor;
  SDL_SystemCursor sdl;
};

// The window system has no up-arrow or help pointer: both show the arrow.
constexpr std::array<CursorName, 14> kCursors{{
    {"ARROW", SystemCursor::kArrow, SDL_SYSTEM_CURSOR_ARROW},
    {"IBEAM", SystemCursor::kIBeam, SDL_SYSTEM_CURSOR_IBEAM},
    {"WAIT", SystemCursor::kWait, SDL_SYSTEM_CURSOR_WAIT},
    {"CROSS", SystemCursor::kCross, SDL_SYSTEM_CURSOR_CROSSHAIR},
    {"UPARROW", SystemCursor::kUpArrow, SDL_SYSTEM_CURSOR_ARROW},
    {"SIZEALL", SystemCursor::kSizeAll, SDL_SYSTEM_CURSOR_SIZEALL},
    {"SIZENWSE", SystemCursor::kSizeNWSE, SDL_SYSTEM_CURSOR_SIZENWSE},
    {"SIZENESW", SystemCursor::kSizeNESW, SDL_SYSTEM_CURSOR_SIZENESW},
    {"SIZEWE", SystemCursor::kSizeWE, SDL_SYSTEM_CURSOR_SIZEWE},
    {"SIZENS", SystemCursor::kSizeNS, SDL_SYSTEM_CURSOR_SIZENS},
    {"NO", SystemCursor::kNo, SDL_SYSTEM_CURSOR_NO},
    {"HAND", SystemCursor::kHand, SDL_SYSTEM_CURSOR_HAND},
    {"APPSTARTING", SystemCursor::kAppStarting, SDL_SYSTEM_CURSOR_WAITARROW},
    {"HELP", SystemCursor::kHelp, SDL_SYSTEM_CURSOR_ARROW},
}};

CursorId Keep(SDL_Cursor* cursor) {
  auto& cursors = State().cursors;
  cursors.push_back(cursor);
  return static_cast<CursorId>(cursors.size());
}

SDL_Cursor* Find(CursorId id) {
  const auto& cursors = State().cursors;
  return id >= 1 && id <= cursors.size() ? cursors[id - 1] : nullptr;
}

void ApplyPointerVisibility() {
  const detail::WindowSystemState& state = State();
  SDL_ShowCursor(state.pointerCount >= 0 && !state.cursorHidden ? SDL_ENABLE : SDL_DISABLE);
}

} // namespace

std::optional<SystemCursor> FindSystemCursor(std::string_view name) {
  for (const CursorName& entry : kCursors) {
    if (entry.name == name)
      return entry.cursor;
  }
  return std::nullopt;
}

CursorId GetSystemCursor(SystemCursor cursor) {
  const auto index = static_cast<std::size_t>(cursor);
  if (index >= kCursors.size() || !IsWindowSystemStarted())
    return kNoCursor;
  CursorId& cached = State().systemCursors[index];
  if (cached != kNoCursor)
    return cached;
  SDL_Cursor* made = SDL_CreateSystemCursor(kCursors[index].sdl);
  if (made == nullptr)
    return kNoCursor;
  cached = Keep(made);
  return cached;
}

namespace detail {

SDL_Surface* StraightAlphaSurface(const PixelView& pixels) {
  SDL_Surface* surface =
      SDL_CreateRGBSurfaceWithFormat(0, pixels.width, pixels.height, 32, SDL_PIXELFORMAT_ARGB8888);
  if (surface == nullptr)
    return nullptr;
  for (std::int32_t y = 0; y < pixels.height; ++y) {
    const std::uint8_t* source = pixels.data + static_cast<std::ptrdiff_t>(y) * pixels.stride;
    auto* target = static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::ptrdiff_t>(y) * surface->pitch;
    for (std::int32_t x = 0; x < pixels.width * 4; x += 4) {
      const std::uint8_t a = source[x + 3];
      for (int c = 0; c < 3; ++c) {
        std::uint32_t value = source[x + c];
        // The window system takes straight alpha.
        if (pixels.alpha == PixelAlpha::kPremultiplied)
          value = a == 0 ? 0u : std::min<std::uint32_t>(255u, (value * 255u + a / 2u) / a);
        target[x + c] = static_cast<std::uint8_t>(value);
      }
      target[x + 3] = a;
    }
  }
  return surface;
}

} // namespace detail

CursorId CreatePixelCursor(const PixelView& pixels, WindowPoint hotSpot) {
  if (pixels.data == nullptr || pixels.width < 1 || pixels.height < 1 || pixels.width > kMaxCursorSize ||
      pixels.height > kMaxCursorSize || pixels.stride < pixels.width * 4 || hotSpot.x < 0 || hotSpot.y < 0 ||
      hotSpot.x >= pixels.width || hotSpot.y >= pixels.height || !IsWindowSystemStarted())
    return kNoCursor;
  SDL_Surface* surface = detail::StraightAlphaSurface(pixels);
  if (surface == nullptr)
    return kNoCursor;
  SDL_Cursor* made = SDL_CreateColorCursor(surface, hotSpot.x, hotSpot.y);
  SDL_FreeSurface(surface);
  return made != nullptr ? Keep(made) : kNoCursor;
}

CursorId SetCurrentCursor(CursorId cursor) {
  detail::WindowSystemState& state = State();
  const CursorId previous = state.currentCursor;
  if (cursor == previous)
    return previous;
  state.currentCursor = cursor;
  state.cursorHidden = cursor == kNoCursor;
  if (SDL_Cursor* native = Find(cursor); native != nullptr)
    SDL_SetCursor(native);
  ApplyPointerVisibility();
  return previous;
}

CursorId GetCurrentCursor() { return State().currentCursor; }

std::int32_t ShowPointer(bool show) {
  detail::WindowSystemState& state = State();
  state.pointerCount += show ? 1 : -1;
  ApplyPointerVisibility();
  return state.pointerCount;
}

bool IsPointerShown() { return SDL_ShowCursor(SDL_QUERY) == SDL_ENABLE; }

namespace detail {

void FreeCursors() {
  WindowSystemState& state = State();
  SDL_SetCursor(SDL_GetDefaultCursor());
  for (SDL_Cursor* cursor : state.cursors)
    SDL_FreeCursor(cursor);
  state.cursors.clear();
  for (CursorId& id : state.systemCursors)
    id = kNoCursor;
  state.currentCursor = kNoCursor;
  state.cursorHidden = false;
  state.pointerCount = 0;
}

} // namespace detail

} // namespace QZ::Platform
