#include "QZFramework/Renderer/OpenGL/GLImage.h"
#include "QZFramework/Renderer/OpenGL/GLTexture.h"

#include "GLTestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace QZ {
namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// An image over words in memory, 4 bytes a pixel, rows back to back.
void PointAt(SGLImage& image, std::vector<std::uint32_t>& words, std::int32_t width, std::int32_t height) {
  image.SetExternal(words.data(), width * 4, 4, width, height, kGLFormatBGRA, kGLTypeUnsignedByte);
}

TEST(NextTextureSizeTest, SmallestPowerOfTwoNotBelowUpTo16384) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {INT_MIN, 0},   {-5, 0},        {0, 0},         {1, 1},         {2, 2},
      {3, 4},         {64, 64},       {100, 128},     {129, 256},     {300, 512},
      {16383, 16384}, {16384, 16384}, {16385, 16384}, {20000, 16384}, {INT_MAX, 16384},
  };
  for (const auto& [n, size] : cases) {
    SCOPED_TRACE(n);
    EXPECT_EQ(NextTextureSize(n), size);
  }
}

TEST(UnpackSettingsTest, RowLengthInPixelsAlignmentAboveTheRest) {
  struct Case {
    std::int32_t stride, bytesPerPixel, rowLength, alignment;
  };
  const Case cases[] = {
      {400, 4, 100, 1}, {7, 1, 7, 1},  {0, 4, 0, 1},  {13, 4, 3, 2},
      {14, 4, 3, 4},    {15, 4, 3, 4}, {17, 3, 5, 4}, {16, 3, 5, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.stride) + "/" + std::to_string(c.bytesPerPixel));
    const SGLUnpackSettings settings = UnpackSettingsFor(c.stride, c.bytesPerPixel);
    EXPECT_EQ(settings.mRowLength, c.rowLength);
    EXPECT_EQ(settings.mAlignment, c.alignment);
  }
}

TEST(SGLImageTest, MakeAlphaFromInvertsLuminanceAndKeepsZeroPixelsClear) {
  struct Case {
    std::uint32_t pixel;
    std::uint8_t alpha;
  };
  const Case cases[] = {
      {0x00000000, 0},   // nothing at all
      {0xFF000000, 255}, // opaque black
      {0xFFFFFFFF, 0},   // opaque white
      {0xFF808080, 128}, // the weighted sum comes out just below 128
      {0x00FFFFFF, 0},   // the colour counts, not the alpha
      {0x01000000, 255}, // not all zero: black
      {0xFFFF0000, 179}, // 255 - 76 (0.3 * 255)
      {0xFF00FF00, 105}, // 255 - 150 (0.59 * 255)
      {0xFF0000FF, 227}, // 255 - 28 (0.11 * 255)
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Hex(c.pixel));
    std::vector<std::uint32_t> words{c.pixel};
    SGLImage source;
    PointAt(source, words, 1, 1);
    SGLImage alpha;
    alpha.MakeAlphaFrom(1, 1, source);
    ASSERT_NE(alpha.mData, nullptr);
    EXPECT_EQ(alpha.mData[0], c.alpha);
  }
}

TEST(SGLImageTest, MakeAlphaFromPadsRowsAndZeroesWhatTheSourceLacks) {
  std::vector<std::uint32_t> words = {0xFF000000, 0xFFFFFFFF, 0xFF000000, // row 0
                                      0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF};
  SGLImage source;
  PointAt(source, words, 3, 2);
  SGLImage alpha;
  alpha.MakeAlphaFrom(5, 3, source);
  EXPECT_EQ(alpha.mFormat, kGLFormatAlpha);
  EXPECT_EQ(alpha.mType, kGLTypeUnsignedByte);
  EXPECT_EQ(alpha.mBytesPerPixel, 1);
  EXPECT_EQ(alpha.mWidth, 5);
  EXPECT_EQ(alpha.mHeight, 3);
  EXPECT_EQ(alpha.mStride, 8);
  EXPECT_TRUE(alpha.mOwnsData);
  ASSERT_NE(alpha.mData, nullptr);
  const std::vector<std::uint8_t> expected = {255, 0,   255, 0, 0, 0, 0, 0,  // row 0
                                              0,   255, 0,   0, 0, 0, 0, 0,  // row 1
                                              0,   0,   0,   0, 0, 0, 0, 0}; // beyond the source
  EXPECT_EQ(std::vector<std::uint8_t>(alpha.mData, alpha.mData + 24), expected);

  // Narrower than the source: only the columns asked for.
  SGLImage narrow;
  narrow.MakeAlphaFrom(1, 2, source);
  EXPECT_EQ(narrow.mStride, 4);
  EXPECT_EQ(narrow.mData[0], 255);
  EXPECT_EQ(narrow.mData[4], 0);
}

TEST(SGLImageTest, MakeAlphaFromReadsOnlyWholePixelsInsideTheSourceRows) {
  // A one-byte-a-pixel source of 6 x 1 in exactly 8 bytes: reading it as
  // 32-bit pixels may take two of them, never more.
  std::vector<std::uint8_t> bytes = {0, 0, 0, 0xFF, 0, 0, 0, 0};
  SGLImage source;
  source.SetExternal(bytes.data(), 8, 1, 6, 1, kGLFormatAlpha, kGLTypeUnsignedByte);
  SGLImage alpha;
  alpha.MakeAlphaFrom(6, 1, source);
  ASSERT_NE(alpha.mData, nullptr);
  EXPECT_EQ(std::vector<std::uint8_t>(alpha.mData, alpha.mData + 6),
            (std::vector<std::uint8_t>{255, 0, 0, 0, 0, 0}));
}

TEST(SGLImageTest, OwnershipMovesWithTakeFromAndIsFreedBeforeRefilling) {
  std::vector<std::uint32_t> words = {0xFF000000, 0xFFFFFFFF};
  SGLImage source;
  PointAt(source, words, 2, 1);
  EXPECT_FALSE(source.mOwnsData);
  EXPECT_EQ(source.mData, reinterpret_cast<std::uint8_t*>(words.data()));

  SGLImage first;
  first.MakeAlphaFrom(2, 1, source);
  std::uint8_t* owned = first.mData;
  SGLImage second;
  second.TakeFrom(first);
  EXPECT_EQ(first.mData, nullptr);
  EXPECT_FALSE(first.mOwnsData);
  EXPECT_EQ(first.mWidth, 0);
  EXPECT_EQ(first.mFormat, 0u);
  EXPECT_EQ(second.mData, owned);
  EXPECT_TRUE(second.mOwnsData);
  EXPECT_EQ(second.mWidth, 2);
  second.TakeFrom(second); // itself: nothing changes
  EXPECT_EQ(second.mData, owned);

  // Refilled over owned data: the old buffer is freed (the leak checker sees it).
  second.SetExternal(words.data(), 8, 4, 2, 1, kGLFormatBGRA, kGLTypeUnsignedByte);
  EXPECT_FALSE(second.mOwnsData);
  EXPECT_EQ(second.mStride, 8);
  second.ConvertToAlpha(); // an external source stays the caller's
  EXPECT_TRUE(second.mOwnsData);
  EXPECT_EQ(words[0], 0xFF000000u);
  second.Reset();
  EXPECT_EQ(second.mData, nullptr);
  EXPECT_EQ(second.mStride, 0);
  EXPECT_EQ(second.mBytesPerPixel, 0);
}

class SGLImageGLTest : public test::GLDrawingTest {};

TEST_F(SGLImageGLTest, ScaleFromKeepsTheFormatAndOwnsTheScaledCopy) {
  // Pairs of red, green and blue columns, halved to one column each.
  std::vector<std::uint32_t> words;
  for (int y = 0; y < 2; ++y)
    words.insert(words.end(), {0xFFFF0000, 0xFFFF0000, 0xFF00FF00, 0xFF00FF00, 0xFF0000FF, 0xFF0000FF});
  SGLImage source;
  PointAt(source, words, 6, 2);
  SGLImage scaled;
  scaled.ScaleFrom(3, 1, source);
  EXPECT_EQ(scaled.mFormat, kGLFormatBGRA);
  EXPECT_EQ(scaled.mType, kGLTypeUnsignedByte);
  EXPECT_EQ(scaled.mBytesPerPixel, 4);
  EXPECT_EQ(scaled.mWidth, 3);
  EXPECT_EQ(scaled.mHeight, 1);
  EXPECT_EQ(scaled.mStride, 12);
  EXPECT_TRUE(scaled.mOwnsData);
  ASSERT_NE(scaled.mData, nullptr);
  std::uint32_t pixels[3] = {};
  std::memcpy(pixels, scaled.mData, sizeof pixels);
  EXPECT_EQ(Hex(pixels[0]), Hex(0xFFFF0000));
  EXPECT_EQ(Hex(pixels[1]), Hex(0xFF00FF00));
  EXPECT_EQ(Hex(pixels[2]), Hex(0xFF0000FF));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // One byte a pixel: rows padded to 4 bytes.
  std::vector<std::uint8_t> bytes(6 * 2, 0x40);
  SGLImage alpha;
  alpha.SetExternal(bytes.data(), 6, 1, 6, 2, kGLFormatAlpha, kGLTypeUnsignedByte);
  scaled.ScaleFrom(5, 1, alpha);
  EXPECT_EQ(scaled.mStride, 8);
  EXPECT_EQ(scaled.mData[4], 0x40);
}

TEST_F(SGLImageGLTest, ScaleToAndConvertToAlphaWorkOnTheirOwnData) {
  // Two black rows over two white ones, halved.
  std::vector<std::uint32_t> words(16, 0xFF000000);
  std::fill(words.begin() + 8, words.end(), 0xFFFFFFFF);
  SGLImage image;
  PointAt(image, words, 4, 4);
  image.ScaleTo(2, 2);
  ASSERT_TRUE(image.mOwnsData);
  image.ConvertToAlpha(); // reads the buffer it replaces
  EXPECT_EQ(image.mFormat, kGLFormatAlpha);
  EXPECT_EQ(image.mStride, 4);
  ASSERT_NE(image.mData, nullptr);
  EXPECT_EQ(image.mData[0], 255); // top: black
  EXPECT_EQ(image.mData[4], 0);   // bottom: white
  EXPECT_EQ(words[0], 0xFF000000u) << "the caller's pixels are left alone";
}

TEST_F(SGLImageGLTest, UploadToSetsTheUnpackRules) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 8, 8, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);

  struct Case {
    std::int32_t stride, bytesPerPixel, width;
    GLenum format;
    GLint rowLength, alignment;
  };
  const Case cases[] = {
      {32, 4, 8, GL_BGRA, 8, 1},
      {17, 3, 5, GL_RGB, 5, 4}, // 2 bytes over whole pixels: alignment 4
      {13, 3, 4, GL_RGB, 4, 2},
  };
  std::vector<std::uint8_t> bytes(64 * 8, 0x7F);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stride);
    SGLImage image;
    image.SetExternal(bytes.data(), c.stride, c.bytesPerPixel, c.width, 2, c.format, GL_UNSIGNED_BYTE);
    image.UploadTo(GL_TEXTURE_2D, GL_RGB8, false);
    EXPECT_EQ(Integer(GL_UNPACK_ROW_LENGTH), c.rowLength);
    EXPECT_EQ(Integer(GL_UNPACK_ALIGNMENT), c.alignment);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "errors are drained";
  }
  glDeleteTextures(1, &name);
}

} // namespace
} // namespace QZ
