#include "Platform/Graphics2D/Image.h"
#include "Platform/Resources/Resources.h"

#include "Support/TempFolder.h"
#include "fixtures/Graphics/Sheet.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

using QZ::test::SheetPixel;

std::span<const std::uint8_t> Resource(const char* name) {
  std::span<const std::uint8_t> bytes;
  EXPECT_TRUE(FindResource("GDIPLUS", name, bytes)) << name;
  return bytes;
}

std::unique_ptr<Image> DecodeResource(const char* name, ImageStatus* status = nullptr) {
  const std::span<const std::uint8_t> bytes = Resource(name);
  return Image::DecodePng(bytes.data(), bytes.size(), status);
}

std::uint32_t PixelOf(Image& image, int x, int y) {
  std::uint32_t argb = 0xDEADBEEF;
  EXPECT_EQ(image.GetPixel(x, y, argb), ImageStatus::Ok) << x << "," << y;
  return argb;
}

void ExpectSheetPixels(Image& image) {
  ASSERT_EQ(image.GetWidth(), QZ::test::kSheetWidth);
  ASSERT_EQ(image.GetHeight(), QZ::test::kSheetHeight);
  for (int y = 0; y < QZ::test::kSheetHeight; ++y)
    for (int x = 0; x < QZ::test::kSheetWidth; ++x)
      ASSERT_EQ(PixelOf(image, x, y), SheetPixel(x, y)) << x << "," << y;
}

using QZ::test::TempFolder;

TEST(Image, DecodesPngToStraightAlphaBgra) {
  ImageStatus status = ImageStatus::GenericError;
  std::unique_ptr<Image> image = DecodeResource("ARP_ON_PNG", &status);
  ASSERT_TRUE(image);
  EXPECT_EQ(status, ImageStatus::Ok);
  EXPECT_EQ(image->GetPixelFormat(), kPixelFormat32bppARGB);
  // Includes a half-transparent pixel and a transparent one that keeps its
  // colour: a premultiplying decoder would change both.
  ExpectSheetPixels(*image);

  // Bytes in memory are blue, green, red, alpha.
  ImageLockData data;
  ASSERT_EQ(image->LockBits(1, 0, 1, 1, kImageLockRead, kPixelFormat32bppARGB, data), ImageStatus::Ok);
  const auto* bytes = static_cast<const std::uint8_t*>(data.scan0);
  EXPECT_EQ(bytes[0], 50);
  EXPECT_EQ(bytes[1], 100);
  EXPECT_EQ(bytes[2], 200);
  EXPECT_EQ(bytes[3], 128);
  EXPECT_EQ(image->UnlockBits(data), ImageStatus::Ok);
}

TEST(Image, DecodesOtherPngKindsWithoutChangingValues) {
  std::unique_ptr<Image> rgb = DecodeResource("KNOB_LARGE_PNG");
  ASSERT_TRUE(rgb);
  EXPECT_EQ(rgb->GetWidth(), 6);
  EXPECT_EQ(rgb->GetHeight(), 4);
  EXPECT_EQ(PixelOf(*rgb, 5, 3), 0xFF123456u); // no alpha channel: opaque

  // 16 bits per channel without gamma information are not taken as linear.
  std::unique_ptr<Image> deep = DecodeResource("DEEP16_PNG");
  ASSERT_TRUE(deep);
  EXPECT_EQ(PixelOf(*deep, 2, 1), 0x400A80FAu);
}

// Skin colours are the stored bytes: a gamma chunk (here linear light, with
// primaries) must not make the decoder convert them.
TEST(Image, IgnoresGammaAndColourChunks) {
  std::unique_ptr<Image> image = DecodeResource("GAMMA_PNG");
  ASSERT_TRUE(image);
  ExpectSheetPixels(*image);

  std::unique_ptr<Image> deep = DecodeResource("DEEP16_GAMMA_PNG");
  ASSERT_TRUE(deep);
  EXPECT_EQ(PixelOf(*deep, 2, 1), 0x400A80FAu);

  // The same from a file.
  TempFolder folder;
  folder.Write("gamma.png", Resource("GAMMA_PNG"));
  std::unique_ptr<Image> loaded = Image::LoadPngFile(folder.File("gamma.png").c_str());
  ASSERT_TRUE(loaded);
  ExpectSheetPixels(*loaded);
}

TEST(Image, BadPngDataFailsCleanly) {
  const struct {
    const char* name;
    ImageStatus status;
  } cases[] = {
      {"TRUNCATED_PNG", ImageStatus::UnknownImageFormat},
      {"CORRUPT_PNG", ImageStatus::UnknownImageFormat},
      {"NOTPNG_PNG", ImageStatus::UnknownImageFormat},
      {"EMPTY_PNG", ImageStatus::InvalidParameter},
      // Refused by its size before anything is allocated.
      {"HUGE_PNG", ImageStatus::OutOfMemory},
  };
  for (const auto& c : cases) {
    ImageStatus status = ImageStatus::Ok;
    EXPECT_FALSE(DecodeResource(c.name, &status)) << c.name;
    EXPECT_EQ(status, c.status) << c.name;
  }
  EXPECT_FALSE(Image::DecodePng(nullptr, 10));

  // Every cut of a valid file fails.
  const std::span<const std::uint8_t> sheet = Resource("ARP_ON_PNG");
  for (std::size_t size = 0; size < sheet.size(); size += 97)
    EXPECT_FALSE(Image::DecodePng(sheet.data(), size)) << size;
}

TEST(Image, CreateMakesTransparentBlackOrRefusesTheSize) {
  ImageStatus status = ImageStatus::GenericError;
  std::unique_ptr<Image> image = Image::Create(3, 2, &status);
  ASSERT_TRUE(image);
  EXPECT_EQ(status, ImageStatus::Ok);
  EXPECT_EQ(PixelOf(*image, 2, 1), 0u);

  const struct {
    std::int32_t width, height;
    ImageStatus status;
  } refused[] = {
      {0, 5, ImageStatus::InvalidParameter},    {5, 0, ImageStatus::InvalidParameter},
      {-1, 5, ImageStatus::InvalidParameter},   {100000, 100000, ImageStatus::OutOfMemory},
      {INT32_MAX, 1, ImageStatus::OutOfMemory}, {INT32_MAX, INT32_MAX, ImageStatus::OutOfMemory},
  };
  for (const auto& c : refused) {
    EXPECT_FALSE(Image::Create(c.width, c.height, &status)) << c.width << "x" << c.height;
    EXPECT_EQ(status, c.status);
  }
}

TEST(Image, PixelAccessIsBoundsCheckedAndRecordsTheFailure) {
  std::unique_ptr<Image> image = DecodeResource("ARP_ON_PNG");
  ASSERT_TRUE(image);
  ASSERT_EQ(image->SetPixel(39, 29, 0x11223344u), ImageStatus::Ok);
  EXPECT_EQ(PixelOf(*image, 39, 29), 0x11223344u);
  EXPECT_EQ(image->GetLastStatus(), ImageStatus::Ok);

  const struct {
    std::int32_t x, y;
  } outside[] = {{-1, 0}, {0, -1}, {40, 0}, {0, 30}, {INT32_MAX, 0}, {INT32_MIN, INT32_MIN}};
  for (const auto& p : outside) {
    std::uint32_t argb = 7;
    EXPECT_EQ(image->GetPixel(p.x, p.y, argb), ImageStatus::InvalidParameter);
    EXPECT_EQ(argb, 7u);
    EXPECT_EQ(image->SetPixel(p.x, p.y, 0), ImageStatus::InvalidParameter);
    // Recorded, and cleared by reading it.
    EXPECT_EQ(image->GetLastStatus(), ImageStatus::InvalidParameter);
    EXPECT_EQ(image->GetLastStatus(), ImageStatus::Ok);
  }
}

TEST(Image, CloneAreaCopiesARectangleInsideTheImageOnly) {
  std::unique_ptr<Image> image = DecodeResource("ARP_ON_PNG");
  ASSERT_TRUE(image);
  std::unique_ptr<Image> copy = image->CloneArea(10, 20, 20, 10, kPixelFormat32bppARGB);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->GetWidth(), 20);
  EXPECT_EQ(copy->GetHeight(), 10);
  EXPECT_EQ(PixelOf(*copy, 0, 0), SheetPixel(10, 20));
  EXPECT_EQ(PixelOf(*copy, 19, 9), SheetPixel(29, 29));
  ASSERT_EQ(copy->SetPixel(0, 0, 0), ImageStatus::Ok);
  EXPECT_EQ(PixelOf(*image, 10, 20), SheetPixel(10, 20)) << "the copy shares nothing";

  const struct {
    std::int32_t x, y, width, height;
  } outside[] = {
      {35, 0, 10, 10}, {-1, 0, 5, 5},        {0, 25, 5, 10},       {0, 0, 41, 30},       {0, 0, 0, 5},
      {0, 0, 5, -1},   {INT32_MAX, 0, 2, 2}, {1, 1, INT32_MAX, 1}, {INT32_MIN, 0, 5, 5},
  };
  for (const auto& r : outside) {
    EXPECT_FALSE(image->CloneArea(r.x, r.y, r.width, r.height, kPixelFormat32bppARGB))
        << r.x << "," << r.y << " " << r.width << "x" << r.height;
    EXPECT_EQ(image->GetLastStatus(), ImageStatus::InvalidParameter);
  }
  EXPECT_FALSE(image->CloneArea(0, 0, 2, 2, 0x21808)); // another pixel format
}

TEST(Image, LockGivesTheRectangleInPlaceOnceAtATime) {
  std::unique_ptr<Image> image = DecodeResource("ARP_ON_PNG");
  ASSERT_TRUE(image);
  ImageLockData data;
  ASSERT_EQ(image->LockBits(3, 2, 10, 5, kImageLockReadWrite, kPixelFormat32bppARGB, data), ImageStatus::Ok);
  EXPECT_EQ(data.width, 10u);
  EXPECT_EQ(data.height, 5u);
  EXPECT_EQ(data.stride, 160);
  EXPECT_EQ(data.pixelFormat, kPixelFormat32bppARGB);
  std::uint32_t word;
  std::memcpy(&word, static_cast<std::uint8_t*>(data.scan0) + 4 * data.stride + 4 * 9, 4);
  EXPECT_EQ(word, SheetPixel(12, 6)); // little-endian host
  const std::uint32_t changed = 0x01020304u;
  std::memcpy(data.scan0, &changed, 4);

  // While locked: no second lock, no pixel access, no copy; a foreign record
  // does not end the lock.
  ImageLockData second;
  EXPECT_EQ(image->LockBits(0, 0, 1, 1, kImageLockRead, kPixelFormat32bppARGB, second), ImageStatus::WrongState);
  EXPECT_EQ(second.scan0, nullptr);
  EXPECT_EQ(second.width, 0u);
  EXPECT_EQ(image->UnlockBits(second), ImageStatus::WrongState);
  std::uint32_t argb;
  EXPECT_EQ(image->GetPixel(0, 0, argb), ImageStatus::WrongState);
  EXPECT_FALSE(image->CloneArea(0, 0, 1, 1, kPixelFormat32bppARGB));
  std::vector<std::uint8_t> png;
  EXPECT_EQ(image->EncodePng(png), ImageStatus::WrongState);

  EXPECT_EQ(image->UnlockBits(data), ImageStatus::Ok);
  EXPECT_EQ(image->UnlockBits(data), ImageStatus::WrongState) << "a lock ends once";
  EXPECT_EQ(PixelOf(*image, 3, 2), changed);
}

TEST(Image, LockOutsideTheImageOrWithBadArgumentsFails) {
  std::unique_ptr<Image> image = Image::Create(8, 8);
  ASSERT_TRUE(image);
  const struct {
    std::int32_t x, y, width, height;
    std::uint32_t mode;
    std::int32_t format;
  } bad[] = {
      {4, 4, 5, 4, kImageLockRead, kPixelFormat32bppARGB},
      {-1, 0, 2, 2, kImageLockRead, kPixelFormat32bppARGB},
      {0, 0, 0, 0, kImageLockRead, kPixelFormat32bppARGB},
      {7, 7, INT32_MAX, 1, kImageLockRead, kPixelFormat32bppARGB},
      {0, 0, 2, 2, 0, kPixelFormat32bppARGB},
      {0, 0, 2, 2, 4, kPixelFormat32bppARGB},
      {0, 0, 2, 2, kImageLockRead, 0},
  };
  for (const auto& c : bad) {
    ImageLockData data;
    data.scan0 = &data;
    EXPECT_EQ(image->LockBits(c.x, c.y, c.width, c.height, c.mode, c.format, data), ImageStatus::InvalidParameter);
    EXPECT_EQ(data.scan0, nullptr);
    EXPECT_EQ(data.stride, 0);
    EXPECT_EQ(image->GetLastStatus(), ImageStatus::InvalidParameter);
  }
  ImageLockData whole;
  EXPECT_EQ(image->LockBits(0, 0, 8, 8, kImageLockRead, kPixelFormat32bppARGB, whole), ImageStatus::Ok)
      << "failed locks leave the image unlocked";
  EXPECT_EQ(image->UnlockBits(whole), ImageStatus::Ok);
}

TEST(Image, EncodesPngThatDecodesToTheSamePixels) {
  std::unique_ptr<Image> image = DecodeResource("ARP_ON_PNG");
  ASSERT_TRUE(image);
  std::vector<std::uint8_t> png;
  ASSERT_EQ(image->EncodePng(png), ImageStatus::Ok);
  std::unique_ptr<Image> again = Image::DecodePng(png.data(), png.size());
  ASSERT_TRUE(again);
  ExpectSheetPixels(*again);

  TempFolder folder;
  const std::string path = folder.File("written.png");
  ASSERT_EQ(image->SavePngFile(path.c_str()), ImageStatus::Ok);
  ImageStatus status = ImageStatus::GenericError;
  std::unique_ptr<Image> loaded = Image::LoadPngFile(path.c_str(), &status);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(status, ImageStatus::Ok);
  ExpectSheetPixels(*loaded);
}

TEST(Image, FilesThatAreMissingOrNotPngFailCleanly) {
  TempFolder folder;
  ImageStatus status = ImageStatus::Ok;
  EXPECT_FALSE(Image::LoadPngFile(folder.File("missing.png").c_str(), &status));
  EXPECT_EQ(status, ImageStatus::FileNotFound);
  EXPECT_FALSE(Image::LoadPngFile("", &status));
  EXPECT_EQ(status, ImageStatus::InvalidParameter);
  EXPECT_FALSE(Image::LoadPngFile(nullptr, &status));

  const std::span<const std::uint8_t> truncated = Resource("TRUNCATED_PNG");
  const std::string path = folder.File("truncated.png");
  {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(file);
    std::fwrite(truncated.data(), 1, truncated.size(), file);
    std::fclose(file);
  }
  EXPECT_FALSE(Image::LoadPngFile(path.c_str(), &status));
  EXPECT_EQ(status, ImageStatus::UnknownImageFormat);
  // A folder is not a PNG file either.
  EXPECT_FALSE(Image::LoadPngFile(folder.File("").c_str(), &status));

  std::unique_ptr<Image> image = Image::Create(2, 2);
  EXPECT_EQ(image->SavePngFile(folder.File("no/such/folder.png").c_str()), ImageStatus::FileNotFound);
}

} // namespace
} // namespace QZ::Platform
