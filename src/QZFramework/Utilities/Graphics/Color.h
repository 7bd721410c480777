#pragma once
// Colours as four single-precision channels r, g, b, a (nominally 0 to 1), read
// from the skin's hexadecimal texts and packed to 0xAARRGGBB words for drawing.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace QZ {

// The float nearest 1/255; 255 times it is exactly 1.
inline constexpr float kByteToChannel = 1.0f / 255.0f;
static_assert(255.0f * kByteToChannel == 1.0f);

template <class T>
struct ColorT {
  static_assert(std::is_same_v<T, float>, "colours have float channels");

  T r{};
  T g{};
  T b{};
  T a{};

  // Exact comparison of all four channels.
  friend constexpr bool operator==(const ColorT&, const ColorT&) = default;

  static constexpr ColorT FromARGB(std::uint32_t argb) noexcept {
    return {static_cast<T>((argb >> 16) & 0xFF) * kByteToChannel,
            static_cast<T>((argb >> 8) & 0xFF) * kByteToChannel, static_cast<T>(argb & 0xFF) * kByteToChannel,
            static_cast<T>((argb >> 24) & 0xFF) * kByteToChannel};
  }

  // "AARRGGBB" sets all four channels, "RRGGBB" the colour only, "AA" alpha
  // only, each optionally after "0x"; any other length changes nothing.
  void SetFromHexString(const char* text) {
    if (!text)
      return;
    if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
      text += 2;
    // Scanned the way the skins were always read, sign and blanks included.
    unsigned long value = 0;
    if (std::sscanf(text, "%08lx", &value) != 1)
      value = 0;
    const auto bits = static_cast<std::uint32_t>(value);
    switch (std::strlen(text)) {
    case 2:
      a = static_cast<T>(bits & 0xFF) * kByteToChannel;
      break;
    case 6: {
      const ColorT rgb = FromARGB(bits);
      r = rgb.r;
      g = rgb.g;
      b = rgb.b;
      break;
    }
    case 8:
      *this = FromARGB(bits);
      break;
    default:
      break;
    }
  }

  // Each channel times 255, rounded half away from zero and clamped to a byte
  // (NaN gives 0).
  std::uint32_t ToARGB() const noexcept {
    return ChannelToByte(a) << 24 | ChannelToByte(r) << 16 | ChannelToByte(g) << 8 | ChannelToByte(b);
  }

private:
  static std::uint32_t ChannelToByte(T channel) noexcept {
    const T v = channel * static_cast<T>(255);
    if (!(v > 0)) // also NaN; negative values round to 0 or below
      return 0;
    const T rounded = std::trunc(v + static_cast<T>(0.5));
    return rounded >= static_cast<T>(255) ? 255u : static_cast<std::uint32_t>(rounded);
  }
};

using Color = ColorT<float>;

} // namespace QZ
