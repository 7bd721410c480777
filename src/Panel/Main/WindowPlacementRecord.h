#pragma once
// The main window's saved placement, the profile value "WP": written when the main window goes, read when it
// is made again. The profile is a file the user may edit, so a record is taken only when it has exactly our
// size, a known show state and a positive width and height; anything else is ignored and the window keeps
// the skin's placement.
//
// The record: five 32-bit little-endian integers, the show state (0 restored, 1 minimised, 2 maximised),
// then the restored client rectangle x, y, width, height in screen pixels.
//
// Pure functions; any thread.

#include "Platform/Window/WindowTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace QZ {

inline constexpr const char16_t* kPlacementProfileEntry = u"WP";
inline constexpr std::size_t kPlacementRecordSize = 20;

[[nodiscard]] std::vector<std::uint8_t> EncodePlacementRecord(const Platform::WindowPlacement& placement);
// The placement of a well-formed record; nullopt for any other bytes.
[[nodiscard]] std::optional<Platform::WindowPlacement> DecodePlacementRecord(std::span<const std::uint8_t> record);

// The window's size limits applied to a client size (the root window's constraint).
using SizeConstraint = std::function<void(std::int32_t& width, std::int32_t& height)>;

// A restored placement brought onto the desktop: a minimised window is restored; a window wider (higher)
// than the desktop shrinks to it; then the size limits apply; a window left of (above) the desktop moves
// right (down); one whose right (bottom) edge lies past the desktop's moves left (up) by the excess, but
// never past the desktop's left (top) edge. An empty desktop changes only the show state.
[[nodiscard]] Platform::WindowPlacement FitPlacementToDesktop(Platform::WindowPlacement placement,
                                                              const Platform::WindowRect& desktop,
                                                              const SizeConstraint& constrain = {});

} // namespace QZ
