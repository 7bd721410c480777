#include "Platform/SdlWindow/SdlWindowTarget.h"

#include "Platform/Graphics2D/Canvas.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>

namespace QZ::Platform {
namespace {

// SDL's off-screen video driver: real window surfaces, no display needed.
class SdlWindowTargetTest : public ::testing::Test {
protected:
  // Started once and left running: stopping it unloads the libraries SDL
  // loaded, and their leftovers could no longer be told apart from ours.
  static void SetUpTestSuite() {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    // The driver's own memory as the window surface, not a GPU texture (which
    // would bring in Mesa for nothing).
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    sStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  }

  void SetUp() override {
    ASSERT_TRUE(sStarted) << SDL_GetError();
    window = SDL_CreateWindow("test", 0, 0, 32, 24, SDL_WINDOW_HIDDEN);
    ASSERT_TRUE(window) << SDL_GetError();
  }
  void TearDown() override {
    if (window)
      SDL_DestroyWindow(window);
  }

  std::uint32_t ScreenPixel(int x, int y) {
    SDL_Surface* screen = SDL_GetWindowSurface(window);
    EXPECT_EQ(screen->format->BytesPerPixel, 4);
    const auto* row = static_cast<const std::uint8_t*>(screen->pixels) + y * screen->pitch;
    std::uint8_t r = 0, g = 0, b = 0;
    SDL_GetRGB(reinterpret_cast<const std::uint32_t*>(row)[x], screen->format, &r, &g, &b);
    return 0xFF000000u | std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
  }

  static inline bool sStarted = false;
  SDL_Window* window = nullptr;
};

TEST_F(SdlWindowTargetTest, PresentsCopiedRectanglesIntoTheWindowSurface) {
  SdlWindowTarget target(window);
  std::unique_ptr<Surface> buffer = Surface::Create(32, 24);
  {
    std::unique_ptr<Canvas> on = Canvas::Create(*buffer);
    on->FillRect({0, 0, 32, 24}, 0xFF204080);
  }
  {
    std::unique_ptr<Canvas> clear = Canvas::Create(target);
    ASSERT_TRUE(clear);
    clear->Clear(0xFFFFFFFF);
  }
  {
    std::unique_ptr<Canvas> canvas = Canvas::Create(target);
    ASSERT_TRUE(canvas);
    canvas->SetCompositingMode(CompositingMode::SourceCopy);
    ASSERT_EQ(canvas->DrawSurface(*buffer, {4, 4}, {4, 4, 8, 6}), ImageStatus::Ok);
  }
  EXPECT_EQ(ScreenPixel(4, 4), 0xFF204080u);
  EXPECT_EQ(ScreenPixel(11, 9), 0xFF204080u);
  EXPECT_EQ(ScreenPixel(12, 9), 0xFFFFFFFFu);
  EXPECT_EQ(ScreenPixel(3, 4), 0xFFFFFFFFu);

  // A resized window gets a new surface; the next canvas draws on it.
  SDL_SetWindowSize(window, 40, 30);
  std::unique_ptr<Canvas> canvas = Canvas::Create(target);
  ASSERT_TRUE(canvas);
  canvas->FillRect({36, 26, 4, 4}, 0xFF00FF00);
  canvas.reset();
  EXPECT_EQ(ScreenPixel(39, 29), 0xFF00FF00u);
}

TEST(SdlWindowTarget, AWindowlessTargetLendsNoPixels) {
  SdlWindowTarget target(nullptr);
  EXPECT_FALSE(Canvas::Create(target));
}

} // namespace
} // namespace QZ::Platform
