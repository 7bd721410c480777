// A scripted scene through the GDI+ renderer into an in-memory window, frame
// by frame as a native window drives it: a full repaint, a partial repaint of
// one button, a list scrolled in its own off-screen context, and the window
// saved as PNG.

#include "QZFramework/Renderer/Gdi/GDIRenderer.h"

#include "QZFramework/Renderer/Font.h"
#include "Support/GDIRendererTestSupport.h"
#include "Support/PinnedFonts.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace QZ {
namespace {

const bool kFontsPinned = test::PinFonts();

constexpr std::int32_t kWidth = 320;
constexpr std::int32_t kHeight = 200;
constexpr RectT<std::int32_t> kButton{10, 150, 90, 30};
constexpr RectT<std::int32_t> kList{200, 120, 100, 60};
constexpr std::int32_t kRowHeight = 20;

Color C(std::uint32_t argb) { return Color::FromARGB(argb); }

std::unique_ptr<PolylineT<float>> MakePolyline(std::initializer_list<PointT<float>> points, float width) {
  auto polyline = std::make_unique<PolylineT<float>>();
  for (const PointT<float>& p : points)
    polyline->AddItem(p);
  polyline->SetLineWidth(width);
  return polyline;
}

// Row i of the list: a band of its own colour with its label.
std::uint32_t RowColour(std::int32_t row) { return 0xFF203040u + static_cast<std::uint32_t>(row) * 0x00181008u; }

class GDIRendererScene : public ::testing::Test {
protected:
  GDIRendererScene()
      : mWindow(kWidth, kHeight, 0xFF000000), mRenderer(MakeRCPtr<LGDIRenderer>()),
        mFont(LFont::GetFont(WideString(u"DejaVu Sans"), 9.0f, 0)),
        mSheet(test::MakeBitmap(64, 32,
                                [](int x, int y) -> std::uint32_t {
                                  if (x < 24 && y < 24) // a disc with a soft edge
                                    return (x - 12) * (x - 12) + (y - 12) * (y - 12) < 100 ? 0xFF3080D0u
                                                                                           : 0x403080D0u;
                                  return ((x / 4 + y / 4) % 2) ? 0xFF405060u : 0xFF90A0B0u;
                                })),
        mPicture(mSheet->CreateSubBitmap(0, 0, 24, 24)), mTile(mSheet->CreateSubBitmap(32, 0, 16, 16)),
        mTriangle(MakePolyline({{0, 0}, {20, 0}, {10, 15}}, 1.0f)),
        mZigzag(MakePolyline({{0, 0}, {10, 10}, {20, 0}, {30, 10}, {40, 0}}, 2.0f)),
        mGrid(MakePolyline({{0, 0}, {40, 0}, {0, 10}, {40, 10}, {0, 20}, {40, 20}}, 1.0f)) {
    RCPtr<LRenderContextInfo> context;
    EXPECT_EQ(mRenderer->InitRenderContextInfo({0, 0, kWidth, kHeight}, &mWindow, false, context), S_OK);
    mContext = DynamicCast<LGDIRenderContextInfo>(context);
    EXPECT_EQ(mRenderer->InitRenderContextInfo({0, 0, kList.width, kList.height}, &mWindow, true, context), S_OK);
    mList = DynamicCast<LGDIRenderContextInfo>(context);
  }

  // The window's frame: what the native window does around its root window's paint.
  template <class Draw>
  void Frame(std::initializer_list<RectT<std::int32_t>> dirty, Draw draw) {
    test::SetDirty(*mContext, dirty);
    mRenderer->RenderStart(mContext);
    draw();
    mRenderer->RenderFinish(mContext);
  }

  void DrawScene() {
    LGDIRenderer& r = *mRenderer;
    r.FillRect({0, 0, kWidth, kHeight}, C(0xFF2B2E33), true);
    r.FillAndFrameRect({10, 10, 90, 60}, C(0xFF404850), C(0xFF8A9099), 1.0f);
    r.FrameRect({110, 10, 80, 60}, C(0xFFE0C040), 2.0f);
    r.DrawLine({200, 10}, {300, 70}, C(0xFFE8E8E8), 1.0f);
    r.DrawLines(*mGrid, C(0xFF70D070), {200, 80}, {1, 1}, true);
    r.DrawPolyline(*mZigzag, C(0xFFD07070), {250, 80}, {1, 1}, true);
    r.FillPolygon(*mTriangle, C(0xFF5090F0), {20, 80}, {1, 1}, true);
    r.DrawPolygon(*mTriangle, C(0xFFF0F0F0), {50, 80}, {2, 2}, true); // a scaled clone of the cached path
    r.DrawBitmap(mPicture, {120, 80, 48, 36}, kResizeStretch);
    r.DrawBitmap(mPicture, {170, 80, 29, 29}, kResizeCentre);
    r.DrawBitmap(mTile, {110, 120, 40, 40}, kResizeTile);   // single tiles
    r.DrawBitmap(mTile, {0, 188, kWidth, 12}, kResizeTile); // a texture fill
    DrawButton(C(0xFF505860));
    r.DrawText(WideString(u"Scripted scene"), mFont, {20, 20}, C(0xFFE8E8E8));
  }

  void DrawButton(const Color& face) {
    CAutoClip clip(RCPtr<LRenderer>(mRenderer), {kButton.x, kButton.y, kButton.width, kButton.height},
                   {kButton.x, kButton.y, kButton.width, kButton.height}, RCPtr<LStencil>());
    mRenderer->FillAndFrameRect({0, 0, kButton.width, kButton.height}, face, C(0xFFC0C8D0), 1.0f);
    mRenderer->DrawText(WideString(u"Send"), mFont, {30, 10}, C(0xFFFFFFFF));
  }

  // Rows first to first + count - 1 of the list into its own context, at
  // their places below the scroll offset.
  void DrawRows(std::int32_t first, std::int32_t count, std::int32_t scroll) {
    mRenderer->RenderStart(mList);
    for (std::int32_t row = first; row < first + count; ++row) {
      const std::int32_t y = row * kRowHeight - scroll;
      mRenderer->FillRect({0, y, kList.width, kRowHeight}, C(RowColour(row)), false);
      mRenderer->DrawText(WideString(u"Row"), mFont, {4, y + 4}, C(0xFFFFFFFF));
    }
    mRenderer->RenderFinish(mList);
  }

  std::vector<std::uint32_t> Snapshot() const {
    std::vector<std::uint32_t> pixels;
    for (std::int32_t y = 0; y < kHeight; ++y)
      for (std::int32_t x = 0; x < kWidth; ++x)
        pixels.push_back(mWindow.GetPixel(x, y));
    return pixels;
  }

  test::FakeFrameworkApp mApp;
  Platform::MemoryWindow mWindow;
  RCPtr<LGDIRenderer> mRenderer;
  RCPtr<LGDIRenderContextInfo> mContext;
  RCPtr<LGDIRenderContextInfo> mList;
  RCPtr<LFont> mFont;
  RCPtr<LBitmap> mSheet;
  RCPtr<LBitmap> mPicture;
  RCPtr<LBitmap> mTile;
  std::unique_ptr<PolylineT<float>> mTriangle;
  std::unique_ptr<PolylineT<float>> mZigzag;
  std::unique_ptr<PolylineT<float>> mGrid;
};

bool Inside(std::int32_t x, std::int32_t y, const RectT<std::int32_t>& r) {
  return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

TEST_F(GDIRendererScene, FramesPresentTheirDirtyRectanglesAndTheWindowSavesAsPNG) {
  ASSERT_TRUE(kFontsPinned);

  // A full repaint: the whole back buffer reaches the window.
  Frame({{0, 0, kWidth, kHeight}}, [&] { DrawScene(); });
  ASSERT_EQ(mWindow.GetShown().size(), 1u);
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x)
      ASSERT_EQ(mWindow.GetPixel(x, y), test::BackPixel(*mContext, x, y)) << x << ", " << y;
  EXPECT_EQ(mWindow.GetPixel(0, 199), 0xFF90A0B0u); // the tiled strip starts with a light square
  EXPECT_EQ(mWindow.GetPixel(15, 160), 0xFF505860u);
  const std::vector<std::uint32_t> first = Snapshot();

  // The button repaints pressed; something drawn outside the dirty rectangle
  // stays in the back buffer.
  mWindow.ClearShown();
  Frame({kButton}, [&] {
    DrawButton(C(0xFF30A050));
    mRenderer->FillRect({0, 0, 50, 50}, C(0xFFFF0000), true);
  });
  ASSERT_EQ(mWindow.GetShown().size(), 1u);
  const std::vector<std::uint32_t> second = Snapshot();
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * kWidth + x);
      if (!Inside(x, y, kButton)) {
        ASSERT_EQ(second[i], first[i]) << x << ", " << y;
      }
    }
  EXPECT_EQ(mWindow.GetPixel(15, 160), 0xFF30A050u);
  EXPECT_EQ(test::BackPixel(*mContext, 5, 5), 0xFFFF0000u);
  EXPECT_EQ(mWindow.GetPixel(5, 5), first[5 * kWidth + 5]);

  // A list of rows in its own context, scrolled by one row: only the row
  // that comes into view is drawn, the rest is moved.
  Frame({kList}, [&] {
    DrawRows(0, 3, 0);
    mRenderer->DrawSurfacePart(mList, {kList.x, kList.y}, {0, 0, kList.width, kList.height});
  });
  EXPECT_EQ(mWindow.GetPixel(kList.x + 60, kList.y + 1), 0xFF000000 | RowColour(0));
  EXPECT_EQ(mRenderer->ScrollOffscreenSurface(mList, {0, -kRowHeight}), S_OK);
  Frame({kList}, [&] {
    DrawRows(3, 1, kRowHeight);
    mRenderer->DrawSurfacePart(mList, {kList.x, kList.y}, {0, 0, kList.width, kList.height});
  });
  for (std::int32_t row = 1; row < 4; ++row) {
    SCOPED_TRACE(row);
    const std::int32_t y = kList.y + (row - 1) * kRowHeight + 1;
    EXPECT_EQ(mWindow.GetPixel(kList.x + 60, y), 0xFF000000 | RowColour(row));
  }
  EXPECT_EQ(mWindow.GetPixel(kList.x - 1, kList.y + 1),
            first[static_cast<std::size_t>((kList.y + 1) * kWidth + kList.x - 1)]);

  // The window as a PNG file, read back.
  test::TempFolder folder;
  const std::unique_ptr<Platform::Image> picture = mWindow.ToImage();
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->SavePngFile(folder.File("scene.png").c_str()), Platform::ImageStatus::Ok);
  const std::unique_ptr<Platform::Image> read = Platform::Image::LoadPngFile(folder.File("scene.png").c_str());
  ASSERT_TRUE(read);
  const std::vector<std::uint32_t> shown = Snapshot();
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) {
      std::uint32_t argb = 0;
      ASSERT_EQ(read->GetPixel(x, y, argb), Platform::ImageStatus::Ok);
      ASSERT_EQ(argb, shown[static_cast<std::size_t>(y * kWidth + x)]) << x << ", " << y;
    }
}

} // namespace
} // namespace QZ
