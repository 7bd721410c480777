#pragma once
// The start-up's skin choice by screen resolution. It applies only to a skin set of exactly two top-level
// skins, the shipped "HighDPI" (index 0) and "Skin1" (index 1): a screen of 140 pixels per inch or more
// takes "HighDPI" and sets the application's high-DPI flag, any other screen takes "Skin1". Other skin sets
// keep the framework's choice and leave the flag clear.
//
// Pure function; any thread.

#include <cstdint>
#include <optional>

namespace QZ {

inline constexpr std::uint32_t kScreenSkinCount = 2;
inline constexpr std::int32_t kHighDpiPixelsPerInch = 140;
inline constexpr std::int32_t kHighDpiSkinIndex = 0;
inline constexpr std::int32_t kStandardSkinIndex = 1;
// What a screen reports when it cannot say.
inline constexpr std::int32_t kDefaultPixelsPerInch = 96;

struct SSkinChoice {
  std::int32_t mSkinIndex = kStandardSkinIndex;
  bool mHighDpi = false;
  friend bool operator==(const SSkinChoice&, const SSkinChoice&) = default;
};

// The skin for the screen; nullopt when the skin set is not the two-skin set.
std::optional<SSkinChoice> ChooseSkinForScreen(std::uint32_t topLevelSkinCount, std::int32_t pixelsPerInch);

} // namespace QZ
