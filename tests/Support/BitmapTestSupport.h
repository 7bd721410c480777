#pragma once
// Helpers shared by the bitmap and colourising tests.

#include "QZFramework/Utilities/Graphics/Bitmap.h"
#include "Platform/Resources/Resources.h"
#include "Support/TempFolder.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace QZ {
inline void PrintTo(const Color& c, std::ostream* os) {
  *os << "{" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << "}";
}
} // namespace QZ

namespace QZ::test {

inline WideString Wide(const std::string& utf8) { return WideString(utf8.c_str()); }

// Packed 0xAARRGGBB words of the bitmap's rectangle, row by row, read through
// the platform image directly.
inline std::vector<std::uint32_t> Pixels(const QZ::LBitmap& bitmap) {
  std::vector<std::uint32_t> words;
  QZ::Platform::Image* image = bitmap.GetGdiplusBitmap();
  if (!image)
    return words;
  for (int y = 0; y < bitmap.GetHeight(); ++y)
    for (int x = 0; x < bitmap.GetWidth(); ++x) {
      std::uint32_t argb = 0;
      EXPECT_EQ(image->GetPixel(bitmap.GetX() + x, bitmap.GetY() + y, argb), QZ::Platform::ImageStatus::Ok);
      words.push_back(argb);
    }
  return words;
}

inline std::span<const std::uint8_t> Resource(const char* name) {
  std::span<const std::uint8_t> bytes;
  EXPECT_TRUE(QZ::Platform::FindResource("GDIPLUS", name, bytes)) << name;
  return bytes;
}

} // namespace QZ::test
