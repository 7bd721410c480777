#include "Panel/Main/WindowPlacementRecord.h"

#include <algorithm>

namespace QZ {

namespace {

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

std::int32_t GetInt32(std::span<const std::uint8_t> bytes, std::size_t index) {
  std::uint32_t bits = 0;
  for (std::size_t i = 0; i < 4; ++i)
    bits |= static_cast<std::uint32_t>(bytes[index * 4 + i]) << (8 * i);
  return static_cast<std::int32_t>(bits);
}

// One axis: position and length within [origin, origin + extent), lengths already fitted.
void FitAxis(std::int32_t& position, std::int32_t length, std::int32_t origin, std::int32_t extent) {
  std::int64_t p = position;
  if (p < origin)
    p = origin;
  const std::int64_t excess = p + length - (std::int64_t{origin} + extent);
  if (excess > 0)
    p = std::max<std::int64_t>(p - excess, origin);
  position = static_cast<std::int32_t>(p);
}

} // namespace

std::vector<std::uint8_t> EncodePlacementRecord(const Platform::WindowPlacement& placement) {
  std::vector<std::uint8_t> record;
  record.reserve(kPlacementRecordSize);
  PutInt32(record, static_cast<std::int32_t>(placement.state));
  PutInt32(record, placement.normalBounds.x);
  PutInt32(record, placement.normalBounds.y);
  PutInt32(record, placement.normalBounds.width);
  PutInt32(record, placement.normalBounds.height);
  return record;
}

std::optional<Platform::WindowPlacement> DecodePlacementRecord(std::span<const std::uint8_t> record) {
  if (record.size() != kPlacementRecordSize)
    return std::nullopt;
  const std::int32_t state = GetInt32(record, 0);
  if (state < static_cast<std::int32_t>(Platform::WindowShowState::kRestored) ||
      state > static_cast<std::int32_t>(Platform::WindowShowState::kMaximised))
    return std::nullopt;
  Platform::WindowPlacement placement;
  placement.state = static_cast<Platform::WindowShowState>(state);
  placement.normalBounds = {GetInt32(record, 1), GetInt32(record, 2), GetInt32(record, 3), GetInt32(record, 4)};
  if (placement.normalBounds.IsEmpty())
    return std::nullopt;
  return placement;
}

Platform::WindowPlacement FitPlacementToDesktop(Platform::WindowPlacement placement,
                                                const Platform::WindowRect& desktop,
                                                const SizeConstraint& constrain) {
  if (placement.state == Platform::WindowShowState::kMinimised)
    placement.state = Platform::WindowShowState::kRestored;
  if (desktop.IsEmpty())
    return placement;
  Platform::WindowRect& r = placement.normalBounds;
  r.width = std::min(r.width, desktop.width);
  r.height = std::min(r.height, desktop.height);
  if (constrain)
    constrain(r.width, r.height);
  FitAxis(r.x, r.width, desktop.x, desktop.width);
  FitAxis(r.y, r.height, desktop.y, desktop.height);
  return placement;
}

} // namespace QZ
