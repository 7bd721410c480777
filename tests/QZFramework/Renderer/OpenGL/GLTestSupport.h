#pragma once
// A headless OpenGL context set up the way the OpenGL renderer draws: window
// pixels, origin top left, y down, no blending; and pixel read-back in the same
// coordinates.

#include "Support/HeadlessGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace QZ::test {

class GLDrawingTest : public ::testing::Test {
protected:
  static constexpr std::int32_t kWidth = 160;
  static constexpr std::int32_t kHeight = 100;

  GLDrawingTest() : mGL(kWidth, kHeight) {}

  void SetUp() override {
    ASSERT_TRUE(mGL.IsReady());
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, kHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glDisable(GL_DITHER);
    ClearBlack();
  }

  static void ClearBlack() {
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }

  // 0xAARRGGBB of the pixel at (x, y), y counted from the top.
  static std::uint32_t PixelAt(std::int32_t x, std::int32_t y) {
    glFinish();
    std::uint8_t bgra[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    return std::uint32_t{bgra[0]} | std::uint32_t{bgra[1]} << 8 | std::uint32_t{bgra[2]} << 16 |
           std::uint32_t{bgra[3]} << 24;
  }

  static GLint TextureParameter(GLenum name) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
  }

  static GLint LevelParameter(GLenum name, GLint level = 0) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
  }

  static GLint Integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
  }

  HeadlessGL mGL;
};

} // namespace QZ::test
