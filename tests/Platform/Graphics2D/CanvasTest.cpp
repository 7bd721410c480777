#include "Platform/Graphics2D/Canvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace QZ::Platform {
namespace {

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kClear = 0x00000000;

std::uint32_t At(const Surface& surface, int x, int y) {
  std::uint32_t argb = 0xDEADBEEF;
  EXPECT_EQ(surface.GetPixel(x, y, argb), ImageStatus::Ok) << x << "," << y;
  return argb;
}

// The pixels of one row (or column) as a string of letters: R, G, B, . for
// transparent, ? for anything else. Makes positions readable in failures.
std::string Row(const Surface& surface, int y) {
  std::string row;
  for (int x = 0; x < surface.GetWidth(); ++x) {
    const std::uint32_t p = At(surface, x, y);
    row += p == kRed ? 'R' : p == kGreen ? 'G' : p == kBlue ? 'B' : p == kClear ? '.' : '?';
  }
  return row;
}

std::string Column(const Surface& surface, int x) {
  std::string column;
  for (int y = 0; y < surface.GetHeight(); ++y) {
    const std::uint32_t p = At(surface, x, y);
    column += p == kRed ? 'R' : p == kGreen ? 'G' : p == kBlue ? 'B' : p == kClear ? '.' : '?';
  }
  return column;
}

std::unique_ptr<Image> MakeImage(int width, int height, std::uint32_t (*pixel)(int, int)) {
  std::unique_ptr<Image> image = Image::Create(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      EXPECT_EQ(image->SetPixel(x, y, pixel(x, y)), ImageStatus::Ok);
  return image;
}

class CanvasTest : public ::testing::Test {
protected:
  CanvasTest(int width = 12, int height = 12)
      : surface(Surface::Create(width, height)), canvas(Canvas::Create(*surface)) {}

  std::unique_ptr<Surface> surface;
  std::unique_ptr<Canvas> canvas;
};

TEST_F(CanvasTest, NewSurfaceIsTransparentAndCanvasDrawsWithoutAntialiasing) {
  EXPECT_EQ(Row(*surface, 0), "............");
  EXPECT_EQ(canvas->GetDpiX(), 96.0f);
  // A diagonal edge: every pixel is either the colour or untouched.
  Path triangle;
  const PointF points[] = {{0, 0}, {12, 0}, {0, 12}};
  triangle.AddPolygon(points);
  canvas->FillPath(triangle, kRed);
  for (int y = 0; y < 12; ++y)
    EXPECT_EQ(Row(*surface, y).find('?'), std::string::npos) << Row(*surface, y);
  EXPECT_EQ(Row(*surface, 0), "RRRRRRRRRRRR");
  EXPECT_EQ(Row(*surface, 11)[0], 'R');
  EXPECT_EQ(Row(*surface, 11).substr(2), "..........");
}

TEST_F(CanvasTest, RectanglesAndLinesHitWholePixels) {
  canvas->FillRect({2, 3, 4, 2}, kRed);
  EXPECT_EQ(Row(*surface, 2), "............");
  EXPECT_EQ(Row(*surface, 3), "..RRRR......");
  EXPECT_EQ(Row(*surface, 4), "..RRRR......");
  EXPECT_EQ(Row(*surface, 5), "............");

  // An outline {x, y, w, h} covers columns x to x + w and rows y to y + h.
  canvas->Clear(kClear);
  canvas->StrokeRect({1, 1, 4, 3}, kGreen, 1);
  EXPECT_EQ(Row(*surface, 0), "............");
  EXPECT_EQ(Row(*surface, 1), ".GGGGG......");
  EXPECT_EQ(Row(*surface, 2), ".G...G......");
  EXPECT_EQ(Row(*surface, 4), ".GGGGG......");
  EXPECT_EQ(Row(*surface, 5), "............");

  canvas->Clear(kClear);
  canvas->StrokeLine({2, 5}, {9, 5}, kBlue, 1);
  EXPECT_EQ(Row(*surface, 4), "............");
  EXPECT_EQ(Row(*surface, 5).substr(2, 7), "BBBBBBB");
  EXPECT_EQ(Row(*surface, 6), "............");
  canvas->StrokeLine({7, 0}, {7, 3}, kRed, 1);
  EXPECT_EQ(Column(*surface, 7).substr(0, 4), "RRR.");
  EXPECT_EQ(Column(*surface, 6).substr(0, 4), "....");
  // A width of 0 still draws the thinnest line.
  canvas->StrokeLine({0, 10}, {4, 10}, kGreen, 0);
  EXPECT_EQ(Row(*surface, 10).substr(0, 4), "GGGG");
}

TEST_F(CanvasTest, SourceOverBlendsAndSourceCopyReplaces) {
  canvas->FillRect({0, 0, 4, 4}, kBlue);
  canvas->FillRect({0, 0, 2, 4}, 0x80FF0000);
  const std::uint32_t blended = At(*surface, 0, 0);
  EXPECT_EQ(blended >> 24, 0xFFu);
  EXPECT_NEAR(static_cast<int>((blended >> 16) & 0xFF), 128, 1);
  EXPECT_NEAR(static_cast<int>(blended & 0xFF), 127, 1);

  canvas->SetCompositingMode(CompositingMode::SourceCopy);
  canvas->FillRect({2, 0, 2, 4}, kClear);
  EXPECT_EQ(At(*surface, 2, 0), kClear);
  EXPECT_EQ(At(*surface, 1, 0), blended);
}

TEST_F(CanvasTest, TranslationsPrependAndAppend) {
  canvas->Translate(2, 1, MatrixOrder::Prepend);
  canvas->FillRect({0, 0, 1, 1}, kRed);
  EXPECT_EQ(At(*surface, 2, 1), kRed);
  canvas->Translate(3, 3, MatrixOrder::Append);
  canvas->FillRect({0, 0, 1, 1}, kGreen);
  EXPECT_EQ(At(*surface, 5, 4), kGreen);
  canvas->ResetTransform();
  canvas->FillRect({0, 0, 1, 1}, kBlue);
  EXPECT_EQ(At(*surface, 0, 0), kBlue);
}

TEST_F(CanvasTest, ClipIsGivenUnderTheTranslationAndStaysInPixels) {
  canvas->Translate(2, 2, MatrixOrder::Prepend);
  canvas->SetClipRect({1, 1, 3, 2}); // pixels 3..5 x 3..4
  canvas->Translate(-2, -2, MatrixOrder::Prepend);
  canvas->FillRect({0, 0, 12, 12}, kRed);
  EXPECT_EQ(Row(*surface, 2), "............");
  EXPECT_EQ(Row(*surface, 3), "...RRR......");
  EXPECT_EQ(Row(*surface, 4), "...RRR......");
  EXPECT_EQ(Row(*surface, 5), "............");

  // Replacing, not narrowing; and the huge "no clip" rectangle of the callers
  // still works although the drawing library cannot hold such numbers.
  canvas->SetClipRect({-5000000136282112.0f, -5000000136282112.0f, 10000000272564224.0f, 10000000272564224.0f});
  canvas->FillRect({-100000000, -100000000, 200000000, 200000000}, kGreen);
  EXPECT_EQ(Row(*surface, 0), "GGGGGGGGGGGG");
  EXPECT_EQ(Row(*surface, 11), "GGGGGGGGGGGG");

  // Clear ignores clip and transform.
  canvas->SetClipRect({0, 0, 1, 1});
  canvas->Translate(5, 5, MatrixOrder::Append);
  canvas->Clear(kBlue);
  EXPECT_EQ(Row(*surface, 11), "BBBBBBBBBBBB");
}

TEST_F(CanvasTest, PathsKeepFiguresFillAlternateAndScalePoints) {
  Path path;
  const PointF outer[] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  const PointF inner[] = {{3, 3}, {7, 3}, {7, 7}, {3, 7}};
  path.AddPolygon(outer);
  path.AddPolygon(inner);
  ASSERT_EQ(path.GetFigures().size(), 2u);
  EXPECT_TRUE(path.GetFigures()[0].closed);
  canvas->FillPath(path, kRed);
  EXPECT_EQ(Row(*surface, 1), "RRRRRRRRRR..");
  EXPECT_EQ(Row(*surface, 5), "RRR....RRR.."); // the inner square is a hole

  // Lines join the open figure until StartFigure; a polygon stands alone.
  Path lines;
  lines.AddLine({0, 0}, {4, 0});
  lines.AddLine({4, 2}, {6, 2});
  lines.StartFigure();
  lines.AddLine({0, 5}, {2, 5});
  const PointF more[] = {{2, 6}, {3, 6}};
  lines.AddLines(more);
  ASSERT_EQ(lines.GetFigures().size(), 2u);
  EXPECT_EQ(lines.GetFigures()[0].points.size(), 4u);
  EXPECT_EQ(lines.GetFigures()[1].points.size(), 4u);
  EXPECT_FALSE(lines.GetFigures()[1].closed);

  const Path scaled = path.Scaled(0.5f, 2.0f);
  EXPECT_EQ(scaled.GetFigures()[0].points[2].x, 5.0f);
  EXPECT_EQ(scaled.GetFigures()[0].points[2].y, 20.0f);
  EXPECT_EQ(path.GetFigures()[0].points[2].x, 10.0f); // the original is kept

  canvas->Clear(kClear);
  Path bar;
  const PointF ends[] = {{1, 8}, {9, 8}};
  bar.AddLines(ends);
  canvas->StrokePath(bar.Scaled(1, 1.25f), kBlue, 1); // y = 10
  EXPECT_EQ(Row(*surface, 10).substr(1, 8), "BBBBBBBB");
  EXPECT_EQ(Row(*surface, 8), "............");
}

// 4 x 2: left half red, right half green; row 1 all blue.
std::uint32_t TwoColours(int x, int y) { return y == 1 ? kBlue : x < 2 ? kRed : kGreen; }

TEST_F(CanvasTest, DrawImageScalesTheSourceRectangleWithoutBleeding) {
  std::unique_ptr<Image> image = MakeImage(4, 2, TwoColours);
  canvas->SetImageFilter(ImageFilter::Nearest);
  ASSERT_EQ(canvas->DrawImage(*image, {0, 0, 8, 4}, {0, 0, 4, 2}), ImageStatus::Ok);
  EXPECT_EQ(Row(*surface, 0), "RRRRGGGG....");
  EXPECT_EQ(Row(*surface, 1), "RRRRGGGG....");
  EXPECT_EQ(Row(*surface, 2), "BBBBBBBB....");
  EXPECT_EQ(Row(*surface, 4), "............");

  // Bilinear scaling of the red quarter alone: its neighbours (green to the
  // right, blue below) must not show at the edges.
  canvas->Clear(kClear);
  canvas->SetImageFilter(ImageFilter::Bilinear);
  ASSERT_EQ(canvas->DrawImage(*image, {1, 1, 10, 10}, {0, 0, 2, 1}), ImageStatus::Ok);
  for (int y = 1; y < 11; ++y)
    EXPECT_EQ(Row(*surface, y), ".RRRRRRRRRR.") << y;

  EXPECT_EQ(canvas->DrawImage(*image, {0, 0, 4, 4}, {2, 0, 3, 2}), ImageStatus::InvalidParameter);
  EXPECT_EQ(canvas->DrawImage(*image, {0, 0, 0, 4}, {0, 0, 4, 2}), ImageStatus::Ok);
}

TEST_F(CanvasTest, DrawingFromAnImageSeesEveryWriteToIt) {
  std::unique_ptr<Image> image = MakeImage(2, 2, [](int, int) { return kRed; });
  const std::uint64_t before = image->GetChangeCount();
  canvas->SetImageFilter(ImageFilter::Nearest);
  ASSERT_EQ(canvas->DrawImage(*image, {0, 0, 2, 2}, {0, 0, 2, 2}), ImageStatus::Ok);
  EXPECT_EQ(At(*surface, 1, 1), kRed);

  // A pixel write, then a write through a lock: each draw shows the new pixels.
  ASSERT_EQ(image->SetPixel(1, 1, kGreen), ImageStatus::Ok);
  EXPECT_GT(image->GetChangeCount(), before);
  ASSERT_EQ(canvas->DrawImage(*image, {0, 0, 2, 2}, {0, 0, 2, 2}), ImageStatus::Ok);
  EXPECT_EQ(At(*surface, 1, 1), kGreen);

  ImageLockData data;
  ASSERT_EQ(image->LockBits(0, 0, 2, 2, kImageLockWrite, kPixelFormat32bppARGB, data), ImageStatus::Ok);
  // While locked nothing is drawn from it.
  EXPECT_EQ(canvas->DrawImage(*image, {4, 0, 2, 2}, {0, 0, 2, 2}), ImageStatus::WrongState);
  EXPECT_EQ(canvas->FillTiled(*image, {0, 0, 2, 2}, {4, 0, 2, 2}), ImageStatus::WrongState);
  EXPECT_EQ(At(*surface, 4, 0), kClear);
  static_cast<std::uint32_t*>(data.scan0)[0] = kBlue;
  const std::uint64_t locked = image->GetChangeCount();
  ASSERT_EQ(image->UnlockBits(data), ImageStatus::Ok);
  EXPECT_GT(image->GetChangeCount(), locked);
  ASSERT_EQ(canvas->DrawImage(*image, {0, 0, 2, 2}, {0, 0, 2, 2}), ImageStatus::Ok);
  EXPECT_EQ(At(*surface, 0, 0), kBlue);

  // Straight colours reach the canvas premultiplied correctly.
  ASSERT_EQ(image->SetPixel(0, 0, 0x80FF0000), ImageStatus::Ok);
  canvas->Clear(kClear);
  ASSERT_EQ(canvas->DrawImage(*image, {0, 0, 2, 2}, {0, 0, 2, 2}), ImageStatus::Ok);
  EXPECT_EQ(At(*surface, 0, 0), 0x80FF0000u);
}

TEST_F(CanvasTest, TilesStartAtTheDrawingOrigin) {
  // A 3 x 1 tile R G B cut from the middle row of a 5 x 3 image.
  std::unique_ptr<Image> image = MakeImage(5, 3, [](int x, int y) {
    if (y != 1 || x == 0 || x == 4)
      return 0xFFFFFFFFu;
    return x == 1 ? kRed : x == 2 ? kGreen : kBlue;
  });
  ASSERT_EQ(canvas->FillTiled(*image, {1, 1, 3, 1}, {2, 0, 8, 2}), ImageStatus::Ok);
  EXPECT_EQ(Row(*surface, 0), "..BRGBRGBR..");
  EXPECT_EQ(Row(*surface, 1), "..BRGBRGBR..");
  EXPECT_EQ(Row(*surface, 2), "............");

  // Under a translation the origin moves with the drawing coordinates.
  canvas->Clear(kClear);
  canvas->Translate(1, 0, MatrixOrder::Prepend);
  ASSERT_EQ(canvas->FillTiled(*image, {1, 1, 3, 1}, {0, 0, 6, 1}), ImageStatus::Ok);
  EXPECT_EQ(Row(*surface, 0), ".RGBRGB.....");
  EXPECT_EQ(canvas->FillTiled(*image, {3, 1, 3, 1}, {0, 0, 6, 1}), ImageStatus::InvalidParameter);
}

TEST_F(CanvasTest, SurfacesCopyOneToOneAndCachedImagesKeepTheirPixels) {
  std::unique_ptr<Surface> source = Surface::Create(4, 4);
  {
    std::unique_ptr<Canvas> on = Canvas::Create(*source);
    on->FillRect({0, 0, 2, 4}, kRed);
    on->FillRect({2, 0, 2, 4}, 0x80008000);
  }
  canvas->FillRect({0, 0, 12, 12}, kBlue);
  // Over: the half-transparent half blends; the part of the source rectangle
  // outside the surface is left out.
  ASSERT_EQ(canvas->DrawSurface(*source, {5, 5}, {1, 1, 6, 6}), ImageStatus::Ok);
  EXPECT_EQ(Row(*surface, 5), "BBBBBR??BBBB");
  EXPECT_EQ(Row(*surface, 8), "BBBBBBBBBBBB");
  canvas->SetCompositingMode(CompositingMode::SourceCopy);
  ASSERT_EQ(canvas->DrawSurface(*source, {0, 0}, {0, 0, 4, 4}), ImageStatus::Ok);
  EXPECT_EQ(At(*surface, 3, 0), 0x80008000u);
  EXPECT_EQ(canvas->DrawSurface(*source, {0, 0}, {0, 0, -1, 4}), ImageStatus::InvalidParameter);

  std::unique_ptr<CachedImage> cached = CachedImage::Create(*source);
  ASSERT_TRUE(cached);
  EXPECT_EQ(cached->GetWidth(), 4);
  source->FillPixels({0, 0, 4, 4}, kGreen); // the cached copy does not follow
  canvas->SetCompositingMode(CompositingMode::SourceOver);
  canvas->Clear(kClear);
  canvas->Translate(1, 2, MatrixOrder::Prepend);
  canvas->SetClipRect({0, 0, 12, 3});
  canvas->DrawCached(*cached, 2, 1);
  EXPECT_EQ(Row(*surface, 2), "............");
  EXPECT_EQ(Row(*surface, 3), "...RR??.....");
  EXPECT_EQ(Row(*surface, 4), "...RR??.....");
  EXPECT_EQ(Row(*surface, 5), "............"); // clipped
}

TEST(Surface, PixelsAreStoredPremultipliedAndWrittenWithoutBlending) {
  ImageStatus status = ImageStatus::Ok;
  EXPECT_FALSE(Surface::Create(0, 5, &status));
  EXPECT_EQ(status, ImageStatus::InvalidParameter);
  EXPECT_FALSE(Surface::Create(1 << 15, 1 << 15, &status));
  EXPECT_EQ(status, ImageStatus::OutOfMemory);

  std::unique_ptr<Surface> surface = Surface::Create(5, 4, &status);
  ASSERT_TRUE(surface);
  EXPECT_EQ(status, ImageStatus::Ok);
  struct Case {
    std::uint32_t written;
    std::uint32_t read;
  };
  const Case cases[] = {
      {0xFF123456, 0xFF123456}, {0x80FF8000, 0x80FF8000},
      {0x40102030, 0x40102030}, {0x00FFFFFF, 0x00000000}, // fully transparent keeps no colour
      {0x01808080, 0x01FFFFFF},                           // too little alpha to keep the colour's precision
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.written);
    ASSERT_EQ(surface->SetPixel(1, 1, c.written), ImageStatus::Ok);
    EXPECT_EQ(At(*surface, 1, 1), c.read);
  }
  std::uint32_t argb = 0;
  EXPECT_EQ(surface->GetPixel(5, 0, argb), ImageStatus::InvalidParameter);
  EXPECT_EQ(surface->SetPixel(-1, 0, 0), ImageStatus::InvalidParameter);

  // FillPixels writes alpha as given, over whatever was there, and ignores
  // the part outside the surface.
  std::unique_ptr<Canvas> canvas = Canvas::Create(*surface);
  canvas->FillRect({0, 0, 5, 4}, kRed);
  surface->FillPixels({3, 2, 10, 10}, 0x00000000);
  surface->FillPixels({-3, -3, 4, 4}, 0x80000080);
  EXPECT_EQ(At(*surface, 0, 0), 0x80000080u);
  EXPECT_EQ(At(*surface, 1, 1), kRed);
  EXPECT_EQ(At(*surface, 3, 2), 0u);
  EXPECT_EQ(At(*surface, 4, 3), 0u);
  EXPECT_EQ(At(*surface, 2, 2), kRed);
  // Drawing after a direct write starts from the written pixels.
  canvas->FillRect({4, 3, 1, 1}, 0x80FF0000);
  EXPECT_EQ(At(*surface, 4, 3), 0x80FF0000u);

  std::unique_ptr<Image> copy = surface->ToImage();
  ASSERT_TRUE(copy);
  std::uint32_t pixel = 0;
  ASSERT_EQ(copy->GetPixel(0, 0, pixel), ImageStatus::Ok);
  EXPECT_EQ(pixel, 0x80000080u);
}

} // namespace
} // namespace QZ::Platform
