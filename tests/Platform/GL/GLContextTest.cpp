#include "Platform/GL/GLContext.h"
#include "Platform/GL/SDLGLContext.h"

#include "Support/HeadlessGL.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace QZ::Platform {
namespace {

using test::ForceSoftwareGL;

std::array<std::uint8_t, 4> PixelAt(int x, int y) {
  std::array<std::uint8_t, 4> rgba{};
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
  return rgba;
}

void ClearTo(float r, float g, float b) {
  glClearColor(r, g, b, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
}

std::unique_ptr<GLContext> MakeOffscreen(std::int32_t width = 32, std::int32_t height = 16) {
  ForceSoftwareGL();
  GLStatus status = GLStatus::NoDisplay;
  std::unique_ptr<GLContext> context = CreateOffscreenGLContext(width, height, GLContextWants{}, &status);
  EXPECT_EQ(status, GLStatus::Ok);
  return context;
}

TEST(ExtensionTokenTest, MatchesWholeWordsOnly) {
  struct Case {
    const char* list;
    const char* name;
    bool found;
  };
  const Case cases[] = {
      {"GL_A GL_B GL_C", "GL_A", true},
      {"GL_A GL_B GL_C", "GL_B", true},
      {"GL_A GL_B GL_C", "GL_C", true},
      {"GL_A GL_B GL_C ", "GL_C", true},
      {"GL_AB GL_B", "GL_A", false},
      {"XGL_A GL_B", "GL_A", false},
      {"XGL_A GL_A", "GL_A", true}, // a later whole occurrence still counts
      {"GL_A_X GL_A", "GL_A", true},
      {"GL_A GL_B", "GL_A GL_B", false}, // names never hold a blank
      {"GL_A", "", false},
      {"", "GL_A", false},
      {nullptr, "GL_A", false},
      {"GL_A", nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.list ? c.list : "(null)") + " / " + (c.name ? c.name : "(null)"));
    EXPECT_EQ(HasExtensionToken(c.list, c.name), c.found);
  }
}

TEST(OffscreenGLContextTest, GivesASoftwareCompatibilityContextAndSaysItIsSingleBuffered) {
  std::unique_ptr<GLContext> context = MakeOffscreen();
  ASSERT_TRUE(context);
  const GLContextObtained& obtained = context->GetObtained();
  EXPECT_FALSE(obtained.doubleBuffered);
  EXPECT_FALSE(obtained.swapPreserves);
  EXPECT_NE(obtained.version.find("Compatibility"), std::string::npos) << obtained.version;
  EXPECT_TRUE(obtained.renderer.find("llvmpipe") != std::string::npos ||
              obtained.renderer.find("softpipe") != std::string::npos)
      << obtained.renderer;
  EXPECT_FALSE(obtained.extensions.empty());
  EXPECT_STREQ(context->GetExtensionString(), obtained.extensions.c_str());
  EXPECT_FALSE(context->IsCurrent()) << "creation leaves the thread as it was";

  // OpenGL 1.x calls work: a display list compiles and draws.
  ASSERT_TRUE(context->MakeCurrent());
  const GLuint list = glGenLists(1);
  ASSERT_NE(list, 0u);
  glNewList(list, GL_COMPILE);
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEndList();
  glCallList(list);
  glFinish();
  EXPECT_EQ(PixelAt(5, 5), (std::array<std::uint8_t, 4>{0, 255, 0, 255}));
  glDeleteLists(list, 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  EXPECT_TRUE(context->Swap()) << "a single-buffered swap is no failure";
  EXPECT_EQ(PixelAt(5, 5), (std::array<std::uint8_t, 4>{0, 255, 0, 255}));
  EXPECT_TRUE(context->Release());
  EXPECT_FALSE(context->IsCurrent());
  EXPECT_TRUE(context->Release()) << "releasing a context that is not current does nothing";
}

TEST(OffscreenGLContextTest, EachContextKeepsItsOwnPixelsAndCreationKeepsTheCurrentOne) {
  std::unique_ptr<GLContext> first = MakeOffscreen(8, 8);
  ASSERT_TRUE(first);
  ASSERT_TRUE(first->MakeCurrent());
  ClearTo(1.0f, 0.0f, 0.0f);

  std::unique_ptr<GLContext> second = MakeOffscreen(8, 8);
  ASSERT_TRUE(second);
  EXPECT_TRUE(first->IsCurrent());
  EXPECT_FALSE(second->IsCurrent());

  ASSERT_TRUE(second->MakeCurrent());
  EXPECT_FALSE(first->IsCurrent());
  ClearTo(0.0f, 0.0f, 1.0f);
  EXPECT_EQ(PixelAt(7, 7), (std::array<std::uint8_t, 4>{0, 0, 255, 255}));

  ASSERT_TRUE(first->MakeCurrent());
  EXPECT_EQ(PixelAt(7, 7), (std::array<std::uint8_t, 4>{255, 0, 0, 255}));
  EXPECT_TRUE(second->Release()) << "not current: nothing to do";
  EXPECT_TRUE(first->IsCurrent());

  first.reset(); // destroyed while current: released first
  EXPECT_EQ(glGetString(GL_VERSION), nullptr) << "no context is current any more";
}

TEST(OffscreenGLContextTest, RefusesEmptySizes) {
  ForceSoftwareGL();
  const std::pair<std::int32_t, std::int32_t> sizes[] = {{0, 10}, {10, 0}, {-1, 10}, {10, -5}};
  for (const auto& [width, height] : sizes) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    GLStatus status = GLStatus::Ok;
    EXPECT_FALSE(CreateOffscreenGLContext(width, height, GLContextWants{}, &status));
    EXPECT_EQ(status, GLStatus::InvalidParameter);
  }
}

TEST(OffscreenGLContextTest, FindsEntryPointsByName) {
  std::unique_ptr<GLContext> context = MakeOffscreen();
  ASSERT_TRUE(context);
  ASSERT_TRUE(context->MakeCurrent());
  using GetStringProc = const GLubyte* (*)(GLenum);
  auto getString = reinterpret_cast<GetStringProc>(context->GetProcAddress("glGetString"));
  ASSERT_NE(getString, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(getString(GL_VERSION))), context->GetObtained().version);
  EXPECT_NE(context->GetProcAddress("glGenFramebuffers"), nullptr);
  EXPECT_EQ(context->GetProcAddress("qzNoSuchEntryPoint"), nullptr);
  EXPECT_EQ(context->GetProcAddress(nullptr), nullptr);
}

// SDL windows through the offscreen video driver, which needs no display server.
class SDLWindowGLContextTest : public ::testing::Test {
protected:
  void SetUp() override {
    ForceSoftwareGL();
    // SDL unloads Mesa's driver when it lets its display go; an off-screen
    // context opens our own display, which keeps the driver loaded, so that
    // the leak checker can still name it at exit (and its suppressions apply).
    ASSERT_TRUE(CreateOffscreenGLContext(1, 1, GLContextWants{}));
    ::setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
  }
  void TearDown() override {
    if (mWindow != nullptr)
      SDL_DestroyWindow(mWindow);
    SDL_Quit();
  }

  SDL_Window* MakeWindow(const GLContextWants& wants) {
    PrepareSDLWindowForGL(wants);
    mWindow = SDL_CreateWindow("GL", 0, 0, 40, 30, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    EXPECT_NE(mWindow, nullptr) << SDL_GetError();
    return mWindow;
  }

  SDL_Window* mWindow = nullptr;
};

TEST_F(SDLWindowGLContextTest, DrawsIntoTheWindowAndReportsWhatItGot) {
  SDL_Window* window = MakeWindow(GLContextWants{});
  ASSERT_NE(window, nullptr);
  GLStatus status = GLStatus::NoContext;
  std::unique_ptr<GLContext> context = CreateSDLWindowGLContext(window, GLContextWants{}, &status);
  ASSERT_TRUE(context) << SDL_GetError();
  EXPECT_EQ(status, GLStatus::Ok);
  EXPECT_FALSE(context->GetObtained().swapPreserves) << "SDL cannot ask for a preserved back buffer";
  EXPECT_NE(context->GetObtained().version.find("Compatibility"), std::string::npos)
      << context->GetObtained().version;
  EXPECT_FALSE(context->IsCurrent());

  ASSERT_TRUE(context->MakeCurrent());
  EXPECT_TRUE(context->IsCurrent());
  ClearTo(1.0f, 1.0f, 0.0f);
  EXPECT_EQ(PixelAt(39, 29), (std::array<std::uint8_t, 4>{255, 255, 0, 255}));
  EXPECT_TRUE(context->Swap());
  EXPECT_NE(context->GetProcAddress("glCallList"), nullptr);
  EXPECT_TRUE(context->Release());
  EXPECT_FALSE(context->IsCurrent());
}

TEST_F(SDLWindowGLContextTest, RefusesANullWindow) {
  GLStatus status = GLStatus::Ok;
  EXPECT_FALSE(CreateSDLWindowGLContext(nullptr, GLContextWants{}, &status));
  EXPECT_EQ(status, GLStatus::InvalidParameter);
}

} // namespace
} // namespace QZ::Platform
