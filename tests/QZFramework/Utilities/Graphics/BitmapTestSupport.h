#pragma once
// Helpers shared by the bitmap and colourising tests.

#include "QZFramework/Utilities/Graphics/Bitmap.h"
#include "Platform/Resources/Resources.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <unistd.h>

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

namespace QZTest {

using WString = QZ::WideString;

inline WString Wide(const std::string& utf8) { return WString(utf8.c_str()); }

// The text of the exception E that f throws, or a note that it threw none.
template <class E, class F>
std::string ThrownText(F&& f) {
  return QZ::test::ThrownText<QZ::Exception<E>>(std::forward<F>(f));
}

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

// A folder of its own for the running test, removed afterwards.
class TempFolder {
public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    mPath = std::filesystem::temp_directory_path() /
            ("qz_bitmap_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(mPath);
    std::filesystem::create_directories(mPath);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(mPath, ignored);
  }

  const std::filesystem::path& Path() const { return mPath; }
  std::string File(const std::string& name) const { return (mPath / name).string(); }

  void Write(const std::string& name, std::span<const std::uint8_t> bytes) const {
    std::FILE* file = std::fopen(File(name).c_str(), "wb");
    ASSERT_TRUE(file);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
  }

private:
  std::filesystem::path mPath;
};

} // namespace QZTest
