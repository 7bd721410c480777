#include "QZFramework/Renderer/OpenGL/GLTexture.h"

#include "GLTestSupport.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace QZ {
namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// Opaque, and different in every pixel of a 100 x 60 picture.
std::uint32_t Pattern(std::int32_t x, std::int32_t y) {
  return 0xFF000000u | std::uint32_t(x * 2) << 16 | std::uint32_t(y * 4) << 8 | std::uint32_t((x + y) & 0xFF);
}

RCPtr<LBitmap> MakeBitmap(std::int32_t width, std::int32_t height,
                          std::uint32_t (*pixel)(std::int32_t, std::int32_t)) {
  RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap({width, height}, Color{});
  LBitmapData lock(bitmap, Platform::kImageLockReadWrite);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x)
      *lock.GetPixelAddress(x, y) = pixel(x, y);
  return bitmap;
}

class GLTextureTest : public test::GLDrawingTest {
protected:
  // The whole storage of the bound texture as 0xAARRGGBB words.
  static std::vector<std::uint32_t> StoredPixels() {
    const GLint width = LevelParameter(GL_TEXTURE_WIDTH);
    const GLint height = LevelParameter(GL_TEXTURE_HEIGHT);
    std::vector<std::uint32_t> words(std::size_t(width) * std::size_t(height));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_BGRA, GL_UNSIGNED_BYTE, words.data());
    return words;
  }

  // The smallest and largest texture coordinates (s, t) of what Draw sends,
  // caught in feedback mode instead of being drawn.
  struct Extent {
    float minS = 1e9f, minT = 1e9f, maxS = -1e9f, maxT = -1e9f;
  };
  static Extent FeedbackExtent(const LGLTexture& texture, const SGLRect& source, const SGLRect& target) {
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    texture.Draw(source, target);
    const GLint used = glRenderMode(GL_RENDER);
    Extent extent;
    // Each vertex: x, y, z, r, g, b, a, s, t, r, q.
    for (GLint i = 0; i < used;) {
      EXPECT_EQ(buffer[std::size_t(i)], GL_POLYGON_TOKEN);
      const GLint vertices = static_cast<GLint>(buffer[std::size_t(i) + 1]);
      for (GLint v = 0; v < vertices; ++v) {
        const std::size_t at = std::size_t(i) + 2 + std::size_t(v) * 11;
        extent.minS = std::min(extent.minS, buffer[at + 7]);
        extent.maxS = std::max(extent.maxS, buffer[at + 7]);
        extent.minT = std::min(extent.minT, buffer[at + 8]);
        extent.maxT = std::max(extent.maxT, buffer[at + 8]);
      }
      i += 2 + vertices * 11;
    }
    EXPECT_GT(used, 0);
    return extent;
  }
};

TEST_F(GLTextureTest, A100x60BitmapGets128x64StorageAndDrawsBackPixelForPixel) {
  RCPtr<LBitmap> bitmap = MakeBitmap(100, 60, Pattern);
  RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
  EXPECT_EQ(texture->GetName(), -1);
  texture->UploadBitmap(bitmap);

  EXPECT_NE(texture->GetName(), -1);
  EXPECT_EQ(texture->GetBitmap().GetRaw(), bitmap.GetRaw());
  EXPECT_EQ(texture->GetTextureWidth(), 128.0f);
  EXPECT_EQ(texture->GetTextureHeight(), 64.0f);
  EXPECT_EQ(texture->GetImageWidth(), 100.0f);
  EXPECT_EQ(texture->GetImageHeight(), 60.0f);

  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture->GetName()));
  EXPECT_EQ(LevelParameter(GL_TEXTURE_WIDTH), 128);
  EXPECT_EQ(LevelParameter(GL_TEXTURE_HEIGHT), 64);
  EXPECT_EQ(LevelParameter(GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA8);
  EXPECT_EQ(TextureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(TextureParameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TextureParameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
  EXPECT_EQ(TextureParameter(GL_TEXTURE_WRAP_T), GL_CLAMP);

  // The picture lies in the top-left corner of the storage, first row first.
  const std::vector<std::uint32_t> stored = StoredPixels();
  std::int32_t wrong = 0;
  for (std::int32_t y = 0; y < 60; ++y)
    for (std::int32_t x = 0; x < 100; ++x)
      wrong += stored[std::size_t(y) * 128 + std::size_t(x)] != Pattern(x, y);
  EXPECT_EQ(wrong, 0);

  const Extent extent = FeedbackExtent(*texture, {0, 0, 100, 60}, {20, 30, 120, 90});
  EXPECT_EQ(extent.minS, 0.0f);
  EXPECT_EQ(extent.minT, 0.0f);
  EXPECT_EQ(extent.maxS, 100.0f / 128.0f);
  EXPECT_EQ(extent.maxT, 60.0f / 64.0f);

  // Drawn 1:1, every pixel comes back, the last column and row included
  // (texture coordinates reach 100/128 and 60/64, not the storage's edge).
  texture->Draw({0, 0, 100, 60}, {20, 30, 120, 90});
  const std::pair<std::int32_t, std::int32_t> samples[] = {{0, 0}, {99, 0}, {0, 59}, {99, 59}, {37, 21}, {64, 32}};
  for (const auto& [x, y] : samples) {
    SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
    EXPECT_EQ(Hex(PixelAt(20 + x, 30 + y)), Hex(Pattern(x, y)));
  }
  EXPECT_EQ(PixelAt(19, 30), 0xFF000000u) << "nothing left of the target";
  EXPECT_EQ(PixelAt(120, 30), 0xFF000000u) << "nothing right of the target";
  EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLTextureTest, AViewUploadsTheWholeImageItLooksInto) {
  RCPtr<LBitmap> bitmap = MakeBitmap(100, 60, Pattern);
  RCPtr<LBitmap> view = bitmap->CreateSubBitmap(10, 20, 30, 15);
  ASSERT_TRUE(view);
  RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
  texture->UploadBitmap(view);
  EXPECT_EQ(texture->GetBitmap().GetRaw(), view.GetRaw());
  EXPECT_EQ(texture->GetImageWidth(), 100.0f);
  EXPECT_EQ(texture->GetImageHeight(), 60.0f);
  // The view's own rectangle is drawn out of the sheet.
  texture->Draw({10, 20, 40, 35}, {0, 0, 30, 15});
  EXPECT_EQ(Hex(PixelAt(0, 0)), Hex(Pattern(10, 20)));
  EXPECT_EQ(Hex(PixelAt(29, 14)), Hex(Pattern(39, 34)));
}

TEST_F(GLTextureTest, FlagsChooseFilteringWrappingAndMipmaps) {
  struct Case {
    std::uint32_t flags;
    GLint minFilter, magFilter, wrap;
    GLint levels; // storage levels beyond 0 present
  };
  const Case cases[] = {
      {0, GL_LINEAR, GL_LINEAR, GL_CLAMP, 0},
      {kGLTextureNearest, GL_NEAREST, GL_NEAREST, GL_CLAMP, 0},
      {kGLTextureRepeat, GL_LINEAR, GL_LINEAR, GL_REPEAT, 0},
      {kGLTextureMipmaps, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR, GL_CLAMP, 1},
      {kGLTextureNearest | kGLTextureMipmaps, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_CLAMP, 1},
      {kGLTextureNearest | kGLTextureRepeat | kGLTextureMipmaps, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT,
       1},
  };
  std::vector<std::uint32_t> words(8 * 8, 0xFF336699);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    SGLImage image;
    image.SetExternal(words.data(), 32, 4, 8, 8, kGLFormatBGRA, kGLTypeUnsignedByte);
    RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
    texture->Upload(image, kGLInternalRGBA8, c.flags, 1.0f);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture->GetName()));
    EXPECT_EQ(TextureParameter(GL_TEXTURE_MIN_FILTER), c.minFilter);
    EXPECT_EQ(TextureParameter(GL_TEXTURE_MAG_FILTER), c.magFilter);
    EXPECT_EQ(TextureParameter(GL_TEXTURE_WRAP_S), c.wrap);
    EXPECT_EQ(TextureParameter(GL_TEXTURE_WRAP_T), c.wrap);
    EXPECT_EQ(LevelParameter(GL_TEXTURE_WIDTH, 3) == 1, c.levels == 1) << "an 8 x 8 chain has a 1 x 1 level 3";
  }
}

TEST_F(GLTextureTest, RepeatWrappingScalesTheImageToTheStorageAndDrawsItWhole) {
  RCPtr<LBitmap> bitmap = MakeBitmap(
      100, 60, [](std::int32_t x, std::int32_t) -> std::uint32_t { return x < 50 ? 0xFFFF0000u : 0xFF0000FFu; });
  LBitmapData lock(bitmap, Platform::kImageLockRead);
  SGLImage image;
  image.SetExternal(lock.GetPixelAddressConst(0, 0), lock.GetStride(), 4, 100, 60, kGLFormatBGRA,
                    kGLTypeUnsignedByte);
  RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
  texture->Upload(image, kGLInternalRGBA8, kGLTextureRepeat, 1.0f);
  EXPECT_EQ(texture->GetImageWidth(), 128.0f);
  EXPECT_EQ(texture->GetImageHeight(), 64.0f);
  EXPECT_EQ(image.mWidth, 128) << "the caller's image is the scaled one now";
  EXPECT_TRUE(image.mOwnsData);

  // The source rectangle is still in the bitmap's own pixels, and now spans
  // the whole storage.
  const Extent extent = FeedbackExtent(*texture, {0, 0, 100, 60}, {0, 0, 100, 60});
  EXPECT_EQ(extent.maxS, 1.0f);
  EXPECT_EQ(extent.maxT, 1.0f);
  texture->Draw({0, 0, 100, 60}, {0, 0, 100, 60});
  EXPECT_EQ(Hex(PixelAt(2, 2)), Hex(0xFFFF0000));
  EXPECT_EQ(Hex(PixelAt(45, 57)), Hex(0xFFFF0000));
  EXPECT_EQ(Hex(PixelAt(55, 2)), Hex(0xFF0000FF));
  EXPECT_EQ(Hex(PixelAt(97, 57)), Hex(0xFF0000FF));
}

TEST_F(GLTextureTest, AlphaFormatsConvertTheImagePlainAlphaTakesItAsItIs) {
  std::vector<std::uint32_t> words = {0xFF000000, 0xFFFFFFFF, 0xFF808080, 0x00000000};
  for (const std::uint32_t internal : {kGLInternalAlpha8, kGLInternalAlpha4}) {
    SCOPED_TRACE(internal);
    SGLImage image;
    image.SetExternal(words.data(), 16, 4, 4, 1, kGLFormatBGRA, kGLTypeUnsignedByte);
    RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
    texture->Upload(image, internal, 0, 1.0f);
    EXPECT_EQ(image.mFormat, kGLFormatAlpha);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture->GetName()));
    std::uint8_t alpha[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, alpha);
    if (internal == kGLInternalAlpha8) {
      EXPECT_EQ((std::vector<std::uint8_t>(alpha, alpha + 4)), (std::vector<std::uint8_t>{255, 0, 128, 0}));
    } else { // four bits kept
      EXPECT_EQ(alpha[0], 255);
      EXPECT_EQ(alpha[1], 0);
      EXPECT_EQ(alpha[3], 0);
    }
  }

  std::vector<std::uint8_t> bytes = {10, 20, 30, 40};
  SGLImage image;
  image.SetExternal(bytes.data(), 4, 1, 4, 1, kGLFormatAlpha, kGLTypeUnsignedByte);
  RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
  texture->Upload(image, GL_ALPHA, 0, 1.0f);
  EXPECT_FALSE(image.mOwnsData) << "no conversion";
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture->GetName()));
  std::uint8_t alpha[4] = {};
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, alpha);
  EXPECT_EQ((std::vector<std::uint8_t>(alpha, alpha + 4)), bytes);
}

TEST_F(GLTextureTest, FitTextureSizeHalvesUntilTheDriverTakesTheSize) {
  const GLint maxSize = Integer(GL_MAX_TEXTURE_SIZE);
  ASSERT_GE(maxSize, 64);
  RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();

  float width = 128.0f;
  float height = 64.0f;
  EXPECT_EQ(texture->FitTextureSize(width, height, kGLInternalRGBA8, kGLFormatBGRA, kGLTypeUnsignedByte), 1);
  EXPECT_EQ(width, 128.0f);
  EXPECT_EQ(height, 64.0f);
  EXPECT_NE(texture->GetName(), -1) << "the search binds, making a name";

  // Beyond what the driver takes: OpenGL empties the proxy without an error,
  // and the size is halved until it fits.
  width = height = static_cast<float>(maxSize) * 4.0f;
  EXPECT_EQ(texture->FitTextureSize(width, height, kGLInternalAlpha8, kGLFormatAlpha, kGLTypeUnsignedByte), 4);
  EXPECT_EQ(width, static_cast<float>(maxSize));
  EXPECT_EQ(height, static_cast<float>(maxSize));

  // A width of 1, or a height that reaches 1, ends the search.
  width = 1.0f;
  height = static_cast<float>(maxSize) * 4.0f;
  EXPECT_EQ(texture->FitTextureSize(width, height, kGLInternalRGBA8, kGLFormatBGRA, kGLTypeUnsignedByte), 1);
  EXPECT_EQ(height, static_cast<float>(maxSize) * 4.0f);
  width = static_cast<float>(maxSize) * 4.0f;
  height = 2.0f;
  EXPECT_EQ(texture->FitTextureSize(width, height, kGLInternalRGBA8, kGLFormatBGRA, kGLTypeUnsignedByte), 2);
  EXPECT_EQ(height, 1.0f);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLTextureTest, KeepsItsNameAcrossUploadsAndDeletesItWhenDestroyed) {
  std::vector<std::uint32_t> words(4 * 4, 0xFF112233);
  RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
  SGLImage image;
  image.SetExternal(words.data(), 16, 4, 4, 4, kGLFormatBGRA, kGLTypeUnsignedByte);
  texture->Upload(image, kGLInternalRGBA8, 0, 1.0f);
  const std::int32_t name = texture->GetName();
  image.SetExternal(words.data(), 16, 4, 2, 2, kGLFormatBGRA, kGLTypeUnsignedByte);
  texture->Upload(image, kGLInternalRGBA8, 0, 1.0f);
  EXPECT_EQ(texture->GetName(), name);
  EXPECT_EQ(texture->GetTextureWidth(), 2.0f);

  // A name OpenGL has dropped is made again.
  GLuint raw = static_cast<GLuint>(name);
  glDeleteTextures(1, &raw);
  texture->Upload(image, kGLInternalRGBA8, 0, 1.0f);
  EXPECT_TRUE(glIsTexture(static_cast<GLuint>(texture->GetName())));

  const GLuint last = static_cast<GLuint>(texture->GetName());
  texture = nullptr;
  EXPECT_FALSE(glIsTexture(last));
}

TEST_F(GLTextureTest, ANullBitmapUploadsNothing) {
  RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
  texture->UploadBitmap(RCPtr<LBitmap>());
  EXPECT_EQ(texture->GetName(), -1);
  EXPECT_FALSE(texture->GetBitmap());
}

TEST_F(GLTextureTest, AnUploadOpenGLRefusesIsReportedAndAPictureWithoutPixelsIsRefused) {
  std::vector<std::uint32_t> words(4 * 4, 0xFF112233);
  RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
  SGLImage image;
  image.SetExternal(words.data(), 16, 4, 4, 4, kGLFormatBGRA, kGLTypeUnsignedByte);
  EXPECT_EQ(texture->Upload(image, 0x1234 /* no internal format */, 0, 1.0f), E_FAIL);
  EXPECT_EQ(texture->GetUploadResult(), E_FAIL);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR)) << "taken, not left for the next caller";
  image.SetExternal(words.data(), 16, 4, 4, 4, kGLFormatBGRA, kGLTypeUnsignedByte);
  EXPECT_EQ(texture->Upload(image, kGLInternalRGBA8, 0, 1.0f), S_OK);
  EXPECT_EQ(texture->GetUploadResult(), S_OK);

  const RCPtr<LGLTexture> empty = MakeRCPtr<LGLTexture>();
  EXPECT_EQ(empty->UploadBitmap(RCPtr<LBitmap>(new LBitmap)), E_FAIL);
  EXPECT_EQ(empty->GetUploadResult(), E_FAIL);
}

TEST_F(GLTextureTest, AnImagePastTheLargestStorageIsScaledDownOnTheSideThatOverflows) {
  const GLint largest = Integer(GL_MAX_TEXTURE_SIZE);
  const std::int32_t width = largest + 64;
  std::vector<std::uint32_t> words(std::size_t(width) * 2);
  for (std::int32_t x = 0; x < width; ++x)
    words[std::size_t(x)] = words[std::size_t(width + x)] = x < width / 2 ? 0xFFFF0000u : 0xFF0000FFu;
  RCPtr<LGLTexture> texture = MakeRCPtr<LGLTexture>();
  SGLImage image;
  image.SetExternal(words.data(), width * 4, 4, width, 2, kGLFormatBGRA, kGLTypeUnsignedByte);
  EXPECT_EQ(texture->Upload(image, kGLInternalRGBA8, 0, 1.0f), S_OK);
  EXPECT_EQ(texture->GetTextureWidth(), static_cast<float>(largest));
  EXPECT_EQ(texture->GetImageWidth(), static_cast<float>(largest));
  EXPECT_EQ(texture->GetImageHeight(), 2.0f) << "the side that fits keeps its size";
  const std::vector<std::uint32_t> stored = StoredPixels();
  EXPECT_EQ(Hex(stored[0]), Hex(0xFFFF0000u));
  EXPECT_EQ(Hex(stored[std::size_t(largest) - 1]), Hex(0xFF0000FFu));

  // Drawn from the picture's own coordinates, the halves land where they belong.
  glEnable(GL_BLEND);
  texture->Draw({0, 0, static_cast<float>(width), 2}, {0, 0, 100, 2});
  glDisable(GL_BLEND);
  EXPECT_EQ(Hex(PixelAt(10, 0)), Hex(0xFFFF0000u));
  EXPECT_EQ(Hex(PixelAt(90, 1)), Hex(0xFF0000FFu));
}

} // namespace
} // namespace QZ
