#include "Platform/Graphics2D/Canvas.h"
#include "Platform/Graphics2D/WindowTarget.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace QZ::Platform {

bool operator==(const RectI& a, const RectI& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

void PrintTo(const RectI& r, std::ostream* os) {
  *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}

namespace {

constexpr std::uint32_t kBackground = 0xFF336699;
constexpr std::uint32_t kRed = 0xFFFF0000;

bool Inside(int x, int y, const RectI& r) {
  return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

TEST(MemoryWindow, CopyingShowsExactlyTheRectanglesDrawn) {
  MemoryWindow window(20, 10, kBackground);
  std::unique_ptr<Surface> buffer = Surface::Create(20, 10);
  {
    std::unique_ptr<Canvas> on = Canvas::Create(*buffer);
    on->FillRect({0, 0, 20, 5}, kRed); // the lower half stays transparent
  }
  const RectI first{0, 0, 10, 10};
  const RectI second{15, 5, 5, 5};
  {
    std::unique_ptr<Canvas> canvas = Canvas::Create(window);
    ASSERT_TRUE(canvas);
    canvas->SetCompositingMode(CompositingMode::SourceCopy);
    ASSERT_EQ(canvas->DrawSurface(*buffer, {first.x, first.y}, first), ImageStatus::Ok);
    ASSERT_EQ(canvas->DrawSurface(*buffer, {second.x, second.y}, second), ImageStatus::Ok);
    EXPECT_TRUE(window.GetShown().empty()); // shown when the canvas goes
  }
  ASSERT_EQ(window.GetShown().size(), 2u);
  EXPECT_EQ(window.GetShown()[0], first);
  EXPECT_EQ(window.GetShown()[1], second);
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 20; ++x) {
      SCOPED_TRACE(::testing::Message() << x << "," << y);
      // Copied, never blended: the transparent half arrives as black.
      const std::uint32_t expected =
          Inside(x, y, first) || Inside(x, y, second) ? (y < 5 ? kRed : 0xFF000000) : kBackground;
      ASSERT_EQ(window.GetPixel(x, y), expected);
    }
  }
  EXPECT_EQ(window.GetPixel(20, 0), 0u);
}

TEST(MemoryWindow, DrawnAreasAreCutToClipAndWindowAndFlushShowsEarly) {
  MemoryWindow window(10, 10, kBackground);
  std::unique_ptr<Canvas> canvas = Canvas::Create(window);
  canvas->FillRect({-5, -5, 8, 8}, kRed);
  canvas->Flush();
  ASSERT_EQ(window.GetShown().size(), 1u);
  EXPECT_EQ(window.GetShown()[0], (RectI{0, 0, 3, 3}));

  window.ClearShown();
  canvas->Translate(4, 4, MatrixOrder::Prepend);
  canvas->SetClipRect({0, 0, 2, 100});
  canvas->StrokeLine({0, 0}, {5, 0}, kRed, 1);
  canvas->FillRect({0, 10, 5, 5}, kRed); // outside the window: nothing to show
  canvas.reset();
  ASSERT_EQ(window.GetShown().size(), 1u);
  EXPECT_EQ(window.GetShown()[0], (RectI{4, 4, 2, 1}));
  EXPECT_EQ(window.GetPixel(5, 4), kRed);
  EXPECT_EQ(window.GetPixel(6, 4), kBackground);
}

TEST(MemoryWindow, SavesWhatItShowsAsPng) {
  MemoryWindow window(6, 4, kBackground);
  {
    std::unique_ptr<Canvas> canvas = Canvas::Create(window);
    canvas->FillRect({1, 1, 2, 2}, 0x8000FF00); // blended over the window's colour
  }
  const std::uint32_t blended = window.GetPixel(1, 1);
  EXPECT_NE(blended, kBackground);
  EXPECT_EQ(blended >> 24, 0xFFu);

  const std::string path =
      (std::filesystem::temp_directory_path() / ("qz_memory_window_" + std::to_string(::getpid()) + ".png"))
          .string();
  std::unique_ptr<Image> image = window.ToImage();
  ASSERT_TRUE(image);
  ASSERT_EQ(image->SavePngFile(path.c_str()), ImageStatus::Ok);
  std::unique_ptr<Image> loaded = Image::LoadPngFile(path.c_str());
  std::filesystem::remove(path);
  ASSERT_TRUE(loaded);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      std::uint32_t argb = 0;
      ASSERT_EQ(loaded->GetPixel(x, y, argb), ImageStatus::Ok);
      EXPECT_EQ(argb, window.GetPixel(x, y)) << x << "," << y;
    }
  }
}

} // namespace
} // namespace QZ::Platform
