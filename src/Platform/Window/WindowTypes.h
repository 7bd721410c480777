#pragma once
// Plain values shared by the window layer: points and rectangles in pixels, the frame around a client area,
// placement, the mouse-button and modifier bits the framework's input records use, and a view of 32-bit
// pixels to present. No window-system type appears here.

#include <cstdint>

namespace QZ::Platform {

// Identifies a window for as long as it lives; never reused within a process run. 0 is no window.
using WindowId = std::uint32_t;
inline constexpr WindowId kNoWindow = 0;

struct WindowPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  friend bool operator==(const WindowPoint&, const WindowPoint&) = default;
};

// {x, y, width, height}; empty when width or height is below 1.
struct WindowRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const WindowRect&, const WindowRect&) = default;

  bool IsEmpty() const { return width < 1 || height < 1; }
  bool Contains(WindowPoint p) const {
    return p.x >= x && p.y >= y && std::int64_t{p.x} < std::int64_t{x} + width &&
           std::int64_t{p.y} < std::int64_t{y} + height;
  }
};

// How far the window's frame (title bar and borders) reaches beyond its client area on each side.
struct WindowFrame {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const WindowFrame&, const WindowFrame&) = default;
};

// The values match the size types the framework's window code switches on (restored 0, minimised 1,
// maximised 2).
enum class WindowShowState : std::uint8_t { kRestored = 0, kMinimised = 1, kMaximised = 2 };

// Where a window is: its state and the client rectangle (screen coordinates) it has when restored.
struct WindowPlacement {
  WindowShowState state = WindowShowState::kRestored;
  WindowRect normalBounds;
  friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

// Mouse buttons as bits: left 1, middle 2, right 4.
inline constexpr std::uint32_t kMouseLeft = 0x1;
inline constexpr std::uint32_t kMouseMiddle = 0x2;
inline constexpr std::uint32_t kMouseRight = 0x4;
inline constexpr std::uint32_t kMouseAllButtons = kMouseLeft | kMouseMiddle | kMouseRight;

// Modifier bits: the general bit of each modifier and the bits of its left and right keys.
inline constexpr std::uint32_t kModCtrl = 0x1;
inline constexpr std::uint32_t kModLeftCtrl = 0x2;
inline constexpr std::uint32_t kModRightCtrl = 0x4;
inline constexpr std::uint32_t kModShift = 0x8;
inline constexpr std::uint32_t kModLeftShift = 0x10;
inline constexpr std::uint32_t kModRightShift = 0x20;
inline constexpr std::uint32_t kModAlt = 0x40;
inline constexpr std::uint32_t kModLeftAlt = 0x80;
inline constexpr std::uint32_t kModRightAlt = 0x100;
inline constexpr std::uint32_t kModWin = 0x200;
inline constexpr std::uint32_t kModLeftWin = 0x400;
inline constexpr std::uint32_t kModRightWin = 0x800;
// Mouse and wheel events carry only the general Ctrl, Shift and Alt bits.
inline constexpr std::uint32_t kMouseModifierBits = kModCtrl | kModShift | kModAlt;

enum class PixelAlpha : std::uint8_t {
  kStraight,      // colour channels not multiplied by alpha
  kPremultiplied, // colour channels already multiplied by alpha
};

// Pixels as the bytes blue, green, red, alpha (0xAARRGGBB little-endian words); pixel (x, y) is at
// data + y * stride + 4 * x. The view does not own the bytes.
struct PixelView {
  const std::uint8_t* data = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;
  PixelAlpha alpha = PixelAlpha::kPremultiplied;
};

} // namespace QZ::Platform
