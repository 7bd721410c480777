// The OpenGL renderer on a real double-buffered window. CTest runs this group
// under xvfb-run with QZ_GL_X11_TESTS=1 (the entry qz_renderer_gl_x11);
// anywhere else it skips itself.

#include "Platform/GL/SDLGLContext.h"
#include "Platform/Window/Window.h"
#include "Platform/Window/WindowSystem.h"
#include "QZFramework/Renderer/OpenGL/GLRenderContextInfo.h"
#include "QZFramework/Renderer/OpenGL/GLRenderer.h"
#include "Support/FakeFrameworkApp.h"
#include "Support/HeadlessGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 64;
constexpr std::int32_t kHeight = 48;

class GLRendererX11 : public testing::Test {
protected:
  void SetUp() override {
    const char* wanted = std::getenv("QZ_GL_X11_TESTS");
    if (wanted == nullptr || std::string_view(wanted) != "1")
      GTEST_SKIP() << "runs under xvfb-run only (the CTest entry qz_renderer_gl_x11)";
    test::ForceSoftwareGL();
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(Platform::StartWindowSystem()) << Platform::GetWindowSystemError();
    mStarted = true;
    Platform::PrepareSDLWindowForGL(Platform::GLContextWants{});
    Platform::WindowOptions options;
    options.title = "GL renderer";
    options.clientBounds = {0, 0, kWidth, kHeight};
    options.visible = true;
    options.openGL = true;
    mPlatformWindow = Platform::Window::Create(options);
    ASSERT_TRUE(mPlatformWindow) << Platform::GetWindowSystemError();
    mWindow = mPlatformWindow->GetNativeHandle();
  }

  void TearDown() override {
    mContext = nullptr;
    mRenderer = nullptr;
    mPlatformWindow.reset();
    if (mStarted)
      Platform::StopWindowSystem();
  }

  // 0xRRGGBB at (x, y) from the top, of the front or the back buffer.
  static std::uint32_t Pixel(GLenum buffer, std::int32_t x, std::int32_t y) {
    glReadBuffer(buffer);
    std::uint8_t bgra[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    return std::uint32_t{bgra[0]} | std::uint32_t{bgra[1]} << 8 | std::uint32_t{bgra[2]} << 16;
  }

  test::FakeFrameworkApp mApp;
  bool mStarted = false;
  std::unique_ptr<Platform::Window> mPlatformWindow;
  WindowHandle mWindow = nullptr;
  RCPtr<LGLRenderer> mRenderer;
  RCPtr<LRenderContextInfo> mContext;
};

TEST_F(GLRendererX11, AWindowFrameIsCopiedToTheFrontAndStaysInTheBackAndTheWindowSwaps) {
  mRenderer = MakeRCPtr<LGLRenderer>(RCPtr<LFontRenderer>(), mWindow);
  EXPECT_TRUE(mRenderer->IsDoubleBuffered());
  EXPECT_FALSE(mRenderer->SwapCopies()) << "a swap of an SDL window may lose the back buffer";
  ASSERT_EQ(mRenderer->InitRenderContextInfo({0, 0, kWidth, kHeight}, mWindow, false, mContext), S_OK);

  mRenderer->RenderStart(mContext);
  mRenderer->FillRect({0, 0, kWidth, kHeight}, {0.0f, 0.0f, 1.0f, 1.0f}, true);
  mRenderer->FillRect({10, 10, 20, 10}, {1.0f, 0.0f, 0.0f, 1.0f}, true);
  mRenderer->RenderFinish(mContext);

  Platform::GLContext& gl = *static_cast<LGLRenderContextInfo&>(*mContext).GetGLContext();
  EXPECT_FALSE(gl.IsCurrent()) << "a window frame ends with no context current";
  ASSERT_TRUE(gl.MakeCurrent());
  glFinish();
  EXPECT_EQ(Pixel(GL_FRONT, 15, 15), 0xFF0000u) << "copied to the front";
  EXPECT_EQ(Pixel(GL_FRONT, 40, 30), 0x0000FFu);
  EXPECT_EQ(Pixel(GL_BACK, 15, 15), 0xFF0000u) << "the back buffer still holds the frame";

  // A plain swap of the window's buffers shows what the back buffer holds.
  static_cast<LGLRenderContextInfo&>(*mContext).SwapLayerBuffers();
  EXPECT_TRUE(gl.Swap());
  glFinish();
  EXPECT_EQ(Pixel(GL_FRONT, 15, 15), 0xFF0000u);
  (void)gl.Release();
}

} // namespace
} // namespace QZ
