// Windows on the offscreen driver: creation, geometry, showing, placement and presenting pixels.

#include "Platform/Window/InputSimulator.h"
#include "Platform/Window/Window.h"
#include "Platform/Window/WindowSystem.h"

#include "Support/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace QZ::Platform {
namespace {

using test::OffscreenWindowSystem;

// A premultiplied back buffer whose pixel (x, y) is opaque, red x, green y, blue 7, apart from what a
// test paints into it.
struct BackBuffer {
  BackBuffer(std::int32_t w, std::int32_t h) : width(w), height(h), bytes(static_cast<std::size_t>(w * h * 4)) {
    for (std::int32_t y = 0; y < h; ++y) {
      for (std::int32_t x = 0; x < w; ++x)
        Set(x, y, 7, static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(x), 255);
    }
  }
  void Set(std::int32_t x, std::int32_t y, std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a) {
    std::uint8_t* p = &bytes[static_cast<std::size_t>((y * width + x) * 4)];
    p[0] = b;
    p[1] = g;
    p[2] = r;
    p[3] = a;
  }
  PixelView View(PixelAlpha alpha = PixelAlpha::kPremultiplied) const {
    return {bytes.data(), width, height, width * 4, alpha};
  }
  std::int32_t width;
  std::int32_t height;
  std::vector<std::uint8_t> bytes;
};

std::uint32_t Opaque(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
  return 0xFF000000u | r << 16 | g << 8 | b;
}

class WindowTest : public ::testing::Test {
protected:
  void SetUp() override { ASSERT_TRUE(mSystem.IsStarted()); }
  OffscreenWindowSystem mSystem;
};

TEST_F(WindowTest, ANewWindowHasItsTitleBoundsAndIdUntilItIsDestroyed) {
  WindowStatus status = WindowStatus::kFailed;
  std::unique_ptr<Window> window = Window::Create({"Pellan Vorn \xE2\x80\x93 Editor", {10, 20, 100, 80}}, &status);
  ASSERT_TRUE(window);
  EXPECT_EQ(status, WindowStatus::kOk);
  EXPECT_EQ(window->GetTitle(), "Pellan Vorn \xE2\x80\x93 Editor");
  EXPECT_EQ(window->GetClientBounds(), (WindowRect{10, 20, 100, 80}));
  EXPECT_EQ(window->GetFrame(), WindowFrame{}) << "the offscreen driver draws no frame";
  EXPECT_EQ(window->GetWindowBounds(), (WindowRect{10, 20, 100, 80}));
  EXPECT_EQ(window->ClientToScreen({1, 2}), (WindowPoint{11, 22}));
  EXPECT_EQ(window->ScreenToClient({11, 22}), (WindowPoint{1, 2}));
  EXPECT_TRUE(window->IsScreenPointOver({10, 20}));
  EXPECT_FALSE(window->IsScreenPointOver({110, 20}));
  EXPECT_FALSE(window->IsScreenPointInFrame({10, 20}));
  EXPECT_FALSE(window->IsEnabled() == false);
  EXPECT_NE(window->GetNativeHandle(), nullptr);

  EXPECT_TRUE(window->SetTitle("Other"));
  EXPECT_EQ(window->GetTitle(), "Other");
  EXPECT_TRUE(window->SetClientBounds({30, 40, 120, 90}));
  EXPECT_EQ(window->GetClientBounds(), (WindowRect{30, 40, 120, 90}));
  EXPECT_FALSE(window->SetClientBounds({30, 40, 0, 90}));

  const WindowId id = window->GetId();
  EXPECT_NE(id, kNoWindow);
  EXPECT_EQ(Window::FromId(id), window.get());
  window.reset();
  EXPECT_EQ(Window::FromId(id), nullptr);
  std::unique_ptr<Window> next = Window::Create({"next", {0, 0, 5, 5}});
  ASSERT_TRUE(next);
  EXPECT_NE(next->GetId(), id) << "ids are not reused";
}

TEST_F(WindowTest, CreateRefusesEmptySizesAndAStoppedWindowSystem) {
  WindowStatus status = WindowStatus::kOk;
  EXPECT_FALSE(Window::Create({"x", {0, 0, 0, 10}}, &status));
  EXPECT_EQ(status, WindowStatus::kInvalidSize);
  EXPECT_FALSE(Window::Create({"x", {0, 0, 10, -1}}, &status));
  EXPECT_EQ(status, WindowStatus::kInvalidSize);

  StopWindowSystem();
  EXPECT_FALSE(IsWindowSystemStarted());
  EXPECT_FALSE(Window::Create({"x", {0, 0, 10, 10}}, &status));
  EXPECT_EQ(status, WindowStatus::kNotStarted);
  EXPECT_FALSE(PostQuit());
  EXPECT_FALSE(PostWake());
  ASSERT_TRUE(StartWindowSystem()); // for the fixture's stop
}

TEST_F(WindowTest, ShowAndHideAnswerWhetherTheWindowWasVisible) {
  std::unique_ptr<Window> window = Window::Create({"show", {0, 0, 40, 30}});
  ASSERT_TRUE(window);
  EXPECT_FALSE(window->IsVisible());
  EXPECT_FALSE(window->Show());
  EXPECT_TRUE(window->IsVisible());
  EXPECT_TRUE(window->Show());
  EXPECT_TRUE(window->Hide());
  EXPECT_FALSE(window->Hide());
  EXPECT_FALSE(window->IsVisible());

  std::unique_ptr<Window> shown = Window::Create({"shown", {0, 0, 40, 30}, false, true});
  ASSERT_TRUE(shown);
  EXPECT_TRUE(shown->IsVisible());
}

TEST_F(WindowTest, PlacementKeepsTheRestoredBoundsWhileMaximisedOrMinimised) {
  std::unique_ptr<Window> window = Window::Create({"placed", {50, 60, 300, 200}, true, true});
  ASSERT_TRUE(window);
  EXPECT_EQ(window->GetPlacement(), (WindowPlacement{WindowShowState::kRestored, {50, 60, 300, 200}}));

  const WindowPlacement maximised{WindowShowState::kMaximised, {70, 80, 320, 240}};
  ASSERT_TRUE(window->SetPlacement(maximised));
  EXPECT_EQ(window->GetPlacement(), maximised);
  EXPECT_EQ(window->GetShowState(), WindowShowState::kMaximised);

  // While maximised, the window manager's size changes do not become the restored bounds.
  InputSimulator simulator;
  window->SetClientBounds({0, 0, 1024, 768});
  simulator.Change(window->GetId(), SimulatedWindowChange::kSizeChanged, 1024, 768);
  const std::vector<WindowEvent> sizes = OffscreenWindowSystem::TakeWindowEvents(WindowEventKind::kSize);
  ASSERT_FALSE(sizes.empty());
  EXPECT_EQ(sizes.back().showState, WindowShowState::kMaximised);
  EXPECT_EQ(window->GetPlacement().normalBounds, (WindowRect{70, 80, 320, 240}));

  window->Restore();
  ASSERT_TRUE(window->SetPlacement({WindowShowState::kRestored, {70, 80, 320, 240}}));
  EXPECT_EQ(window->GetClientBounds(), (WindowRect{70, 80, 320, 240}));

  window->Minimise();
  EXPECT_EQ(window->GetPlacement(), (WindowPlacement{WindowShowState::kMinimised, {70, 80, 320, 240}}));
  EXPECT_FALSE(window->SetPlacement({WindowShowState::kRestored, {0, 0, 0, 0}}));
  EXPECT_EQ(window->GetShowState(), WindowShowState::kMinimised);
}

TEST_F(WindowTest, PresentCopiesOnlyTheDirtyRectanglesClippedToTheClientArea) {
  std::unique_ptr<Window> window = Window::Create({"present", {0, 0, 100, 100}, false, true});
  ASSERT_TRUE(window);
  BackBuffer buffer(100, 100);
  ASSERT_TRUE(window->PresentAll(buffer.View()));
  std::vector<std::uint32_t> pixels;
  ASSERT_TRUE(window->ReadPixels({0, 0, 100, 100}, pixels));
  EXPECT_EQ(pixels[0], Opaque(0, 0, 7));
  EXPECT_EQ(pixels[99 * 100 + 42], Opaque(42, 99, 7));

  // Paint everything white, present two rectangles, one half outside: only their visible parts change.
  for (std::int32_t y = 0; y < 100; ++y) {
    for (std::int32_t x = 0; x < 100; ++x)
      buffer.Set(x, y, 255, 255, 255, 255);
  }
  const std::array<WindowRect, 3> dirty{{{-10, -10, 30, 30}, {90, 95, 50, 50}, {200, 0, 10, 10}}};
  ASSERT_TRUE(window->Present(buffer.View(), dirty));
  ASSERT_TRUE(window->ReadPixels({0, 0, 100, 100}, pixels));
  auto at = [&](std::int32_t x, std::int32_t y) { return pixels[static_cast<std::size_t>(y * 100 + x)]; };
  EXPECT_EQ(at(0, 0), 0xFFFFFFFFu);
  EXPECT_EQ(at(19, 19), 0xFFFFFFFFu);
  EXPECT_EQ(at(20, 19), Opaque(20, 19, 7));
  EXPECT_EQ(at(19, 20), Opaque(19, 20, 7));
  EXPECT_EQ(at(90, 95), 0xFFFFFFFFu);
  EXPECT_EQ(at(99, 99), 0xFFFFFFFFu);
  EXPECT_EQ(at(89, 99), Opaque(89, 99, 7));
  EXPECT_EQ(at(50, 50), Opaque(50, 50, 7));
}

TEST_F(WindowTest, TransparentPixelsShowAsDrawnOverBlack) {
  std::unique_ptr<Window> window = Window::Create({"alpha", {0, 0, 4, 1}, false, true});
  ASSERT_TRUE(window);
  BackBuffer buffer(4, 1);
  buffer.Set(0, 0, 50, 100, 200, 128); // premultiplied: as it stands
  buffer.Set(1, 0, 0, 0, 0, 0);        // transparent
  buffer.Set(2, 0, 10, 20, 30, 255);
  buffer.Set(3, 0, 255, 255, 255, 0);
  std::vector<std::uint32_t> pixels;
  ASSERT_TRUE(window->PresentAll(buffer.View(PixelAlpha::kPremultiplied)));
  ASSERT_TRUE(window->ReadPixels({0, 0, 4, 1}, pixels));
  EXPECT_EQ(pixels, (std::vector<std::uint32_t>{Opaque(200, 100, 50), Opaque(0, 0, 0), Opaque(30, 20, 10),
                                                Opaque(255, 255, 255)}));

  ASSERT_TRUE(window->PresentAll(buffer.View(PixelAlpha::kStraight)));
  ASSERT_TRUE(window->ReadPixels({0, 0, 4, 1}, pixels));
  EXPECT_EQ(pixels, (std::vector<std::uint32_t>{Opaque(100, 50, 25), Opaque(0, 0, 0), Opaque(30, 20, 10),
                                                Opaque(0, 0, 0)}));
}

TEST_F(WindowTest, PresentFollowsTheWindowSizeAndRefusesAnEmptyView) {
  std::unique_ptr<Window> window = Window::Create({"resize", {0, 0, 20, 20}, true, true});
  ASSERT_TRUE(window);
  EXPECT_FALSE(window->PresentAll(PixelView{}));
  BackBuffer narrow(20, 20);
  EXPECT_FALSE(window->PresentAll({narrow.bytes.data(), 20, 20, 40, PixelAlpha::kPremultiplied}))
      << "a stride shorter than a row";

  ASSERT_TRUE(window->SetClientBounds({0, 0, 60, 40}));
  BackBuffer buffer(60, 40);
  ASSERT_TRUE(window->PresentAll(buffer.View()));
  std::vector<std::uint32_t> pixels;
  ASSERT_TRUE(window->ReadPixels({50, 30, 10, 10}, pixels));
  EXPECT_EQ(pixels[9 * 10 + 9], Opaque(59, 39, 7));
  EXPECT_FALSE(window->ReadPixels({50, 30, 11, 10}, pixels)) << "beyond the client area";
  EXPECT_FALSE(window->ReadPixels({0, 0, 0, 0}, pixels));
}

TEST_F(WindowTest, TheScreenHasAWorkAreaAndADpi) {
  const WindowRect screen = GetScreenBounds();
  const WindowRect work = GetWorkArea();
  EXPECT_FALSE(screen.IsEmpty());
  EXPECT_FALSE(work.IsEmpty());
  EXPECT_LE(work.width, screen.width);
  EXPECT_EQ(GetScreenDpi(), kDefaultScreenDpi) << "the offscreen driver cannot tell";
}

} // namespace
} // namespace QZ::Platform
