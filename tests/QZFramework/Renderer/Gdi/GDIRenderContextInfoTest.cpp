#include "QZFramework/Renderer/Gdi/GDIRenderContextInfo.h"

#include "QZFramework/Renderer/RendererTestSupport.h"
#include "Support/GDIRendererTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

namespace QZ {
namespace {

using test::BackPixel;
using test::GDIRendererFixture;
using test::SetDirty;

std::vector<RectT<std::int32_t>> Shown(const Platform::MemoryWindow& window) {
  std::vector<RectT<std::int32_t>> shown;
  for (const Platform::RectI& r : window.GetShown())
    shown.push_back({r.x, r.y, r.width, r.height});
  return shown;
}

struct RectList {
  std::vector<RectT<std::int32_t>> rects;
  void RemoveAll() { rects.clear(); }
  void AddItem(const RectT<std::int32_t>& rect) { rects.push_back(rect); }
};

bool Inside(std::int32_t x, std::int32_t y, const RectT<std::int32_t>& r) {
  return x >= r.x && y >= r.y && x < r.x + r.width && y < r.y + r.height;
}

TEST(GDIRenderContextInfo, SurfacesHaveTheViewportSizeAndAtLeastOnePixel) {
  struct Case {
    RectT<std::int32_t> viewport;
    SizeT<std::int32_t> size;
  };
  for (const Case& c : {Case{{0, 0, 0, 0}, {1, 1}}, Case{{5, 7, 30, 20}, {30, 20}}, Case{{0, 0, -4, 3}, {1, 3}}}) {
    SCOPED_TRACE(testing::Message() << c.viewport.width << " x " << c.viewport.height);
    const RCPtr<LGDIRenderContextInfo> context = MakeRCPtr<LGDIRenderContextInfo>(c.viewport, nullptr, true);
    EXPECT_EQ(context->GetBackBuffer()->GetSize(), c.size);
    EXPECT_EQ(context->GetSpareBuffer()->GetSize(), c.size);
    EXPECT_NE(context->GetBackBuffer(), context->GetSpareBuffer());
    EXPECT_EQ(context->GetGraphics(), context->GetBackBuffer()->GetGraphics());
    EXPECT_EQ(context->GetMaxSurfaceSize(), (SizeT<std::int32_t>{4096, 4096}));
    EXPECT_EQ(BackPixel(*context, 0, 0), 0u); // transparent at first
  }
}

TEST(GDIRenderContextInfo, SurfacesAreMadeAgainOnlyForANewSizeOrAWholeViewportRepaint) {
  struct Case {
    const char* name;
    RectT<std::int32_t> viewport; // set before the frame
    std::vector<RectT<std::int32_t>> dirty;
    bool remade;
  };
  const std::vector<Case> cases{
      {"dirty region exactly the viewport", {0, 0, 40, 30}, {{0, 0, 40, 30}}, true},
      {"two rectangles covering the viewport", {0, 0, 40, 30}, {{0, 0, 40, 15}, {0, 15, 40, 15}}, false},
      {"part of the viewport", {0, 0, 40, 30}, {{5, 5, 10, 10}}, false},
      {"nothing dirty", {0, 0, 40, 30}, {}, false},
      {"new size", {0, 0, 41, 30}, {{5, 5, 10, 10}}, true},
      {"viewport moved, the same size, dirty at the old place", {3, 4, 40, 30}, {{0, 0, 40, 30}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const RCPtr<LGDIRenderContextInfo> context =
        MakeRCPtr<LGDIRenderContextInfo>(RectT<std::int32_t>{0, 0, 40, 30}, nullptr, false);
    // A mark in both surfaces tells whether they survive.
    context->GetBackBuffer()->GetBitmap()->SetPixel(1, 1, 0xFFFF0000);
    context->GetSpareBuffer()->GetBitmap()->SetPixel(1, 1, 0xFFFF0000);
    context->mViewport = c.viewport;
    context->mDirtyRegion.Clear();
    for (const RectT<std::int32_t>& r : c.dirty)
      context->mDirtyRegion.AddRect({r.x, r.y, r.x + r.width, r.y + r.height});

    context->UpdateBufferSize();

    const std::uint32_t expected = c.remade ? 0u : 0xFFFF0000u;
    EXPECT_EQ(BackPixel(*context, 1, 1), expected);
    std::uint32_t spare = 0;
    context->GetSpareBuffer()->GetBitmap()->GetPixel(1, 1, spare);
    EXPECT_EQ(spare, expected);
    EXPECT_EQ(context->GetBackBuffer()->GetSize(), (SizeT<std::int32_t>{c.viewport.width, c.viewport.height}));
  }
}

TEST(GDIRenderContextInfo, AnEmptiedSurfaceIsClearedOnlyWhenItsPixelsAreWanted) {
  const RCPtr<LGDIRenderContextInfo> context =
      MakeRCPtr<LGDIRenderContextInfo>(RectT<std::int32_t>{0, 0, 40, 30}, nullptr, false);
  context->GetBackBuffer()->GetBitmap()->SetPixel(1, 1, 0xFFFF0000);
  context->GetSpareBuffer()->GetBitmap()->SetPixel(1, 1, 0xFFFF0000);
  SetDirty(*context, {{0, 0, 40, 30}});
  context->UpdateBufferSize();
  // A window's spare buffer is never used: its clear stays owed, its memory untouched.
  EXPECT_TRUE(context->GetBackBuffer()->IsClearPending());
  EXPECT_TRUE(context->GetSpareBuffer()->IsClearPending());
  EXPECT_NE(context->GetSpareBuffer()->PeekGraphics(), nullptr);
  EXPECT_TRUE(context->GetSpareBuffer()->IsClearPending()) << "the canvas's state alone pays nothing";
  // Whoever asks for the pixels or the canvas gets them cleared.
  std::uint32_t spare = 0xDEADBEEF;
  context->GetSpareBuffer()->GetBitmap()->GetPixel(1, 1, spare);
  EXPECT_EQ(spare, 0u);
  EXPECT_FALSE(context->GetSpareBuffer()->IsClearPending());
  ASSERT_NE(context->GetGraphics(), nullptr);
  EXPECT_FALSE(context->GetBackBuffer()->IsClearPending());
  EXPECT_EQ(BackPixel(*context, 1, 1), 0u);
  // A new size makes new, transparent surfaces: nothing owed.
  context->mViewport = {0, 0, 41, 30};
  context->UpdateBufferSize();
  EXPECT_FALSE(context->GetBackBuffer()->IsClearPending());
  EXPECT_FALSE(context->GetSpareBuffer()->IsClearPending());
}

class GDIFullRepaint : public GDIRendererFixture {};

// A full repaint starts from an empty picture; a first drawing that sets every pixel makes the clear needless, and
// anything less must leave the picture as if the buffer had been cleared.
TEST_F(GDIFullRepaint, TheClearGivesWayOnlyToAFirstDrawingThatSetsEveryPixel) {
  const RCPtr<LBitmap> opaque =
      test::MakeBitmap(kWidth, kHeight, [](std::int32_t, std::int32_t) { return 0xFF0000FFu; });
  const RCPtr<LBitmap> holed = test::MakeBitmap(kWidth, kHeight, [](std::int32_t x, std::int32_t y) {
    return x == 5 && y == 5 ? 0x00000000u : 0xFF0000FFu;
  });
  const Color green = Color::FromARGB(0xFF00FF00);
  struct Case {
    const char* name;
    std::function<void(LGDIRenderer&)> draw;
    bool clearDropped;
    std::uint32_t at55;   // pixel (5, 5) after the frame (the old picture's mark is there)
    std::uint32_t at9070; // pixel (90, 70), likewise marked
  };
  const std::vector<Case> cases{
      {"opaque fill of the whole window",
       [&](LGDIRenderer& r) {
         r.FillRect({0, 0, kWidth, kHeight}, green, true);
       },
       true, 0xFF00FF00, 0xFF00FF00},
      {"opaque fill past the window",
       [&](LGDIRenderer& r) {
         r.FillRect({-5, -5, 200, 200}, green, true);
       },
       true, 0xFF00FF00, 0xFF00FF00},
      {"pixels set over the whole window, transparent",
       [&](LGDIRenderer& r) {
         r.FillRect({0, 0, kWidth, kHeight}, Color::FromARGB(0x00000000), false);
       },
       true, 0, 0},
      {"opaque picture of the whole window",
       [&](LGDIRenderer& r) {
         r.DrawBitmap(opaque, {0, 0, kWidth, kHeight}, 0);
       },
       true, 0xFF0000FF, 0xFF0000FF},
      {"picture with a transparent pixel",
       [&](LGDIRenderer& r) {
         r.DrawBitmap(holed, {0, 0, kWidth, kHeight}, 0);
       },
       false, 0, 0xFF0000FF},
      {"translucent fill of the whole window",
       [&](LGDIRenderer& r) {
         r.FillRect({0, 0, kWidth, kHeight}, Color::FromARGB(0x8000FF00), true);
       },
       false, 0x8000FF00, 0x8000FF00},
      {"opaque fill of part of the window",
       [&](LGDIRenderer& r) {
         r.FillRect({0, 0, 50, kHeight}, green, true);
       },
       false, 0xFF00FF00, 0},
      {"opaque fill moved off the corner by the origin",
       [&](LGDIRenderer& r) {
         r.Translate({20, 0});
         r.FillRect({0, 0, kWidth, kHeight}, green, true);
       },
       false, 0, 0xFF00FF00},
      {"opaque fill of the whole window under a smaller clip",
       [&](LGDIRenderer& r) {
         r.SetClipRect({0, 0, 50, 50});
         r.FillRect({0, 0, kWidth, kHeight}, green, true);
       },
       false, 0xFF00FF00, 0},
      {"a line first",
       [&](LGDIRenderer& r) {
         r.DrawLine({0, 0}, {1, 0}, green, 1);
         r.FillRect({0, 0, kWidth, kHeight}, green, true);
       },
       false, 0xFF00FF00, 0xFF00FF00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mContext = MakeContext({0, 0, kWidth, kHeight}, &mWindow, false);
    mContext->GetBackBuffer()->GetBitmap()->FillPixels({0, 0, kWidth, kHeight}, 0xFFFF0000); // the old picture
    SetDirty(*mContext, {{0, 0, kWidth, kHeight}});
    const std::uint32_t clearsBefore = mContext->GetBackBuffer()->GetClearsPaid();
    Start();
    c.draw(*mRenderer);
    EXPECT_FALSE(mContext->GetBackBuffer()->IsClearPending()) << "the first drawing settles the owed clear";
    Finish();
    EXPECT_EQ(mContext->GetBackBuffer()->GetClearsPaid() == clearsBefore, c.clearDropped);
    EXPECT_EQ(Back(5, 5), c.at55);
    EXPECT_EQ(Back(90, 70), c.at9070);
  }
}

class GDIPresent : public GDIRendererFixture {};

TEST_F(GDIPresent, CopiesExactlyTheDirtyRectanglesWithoutBlending) {
  struct Case {
    const char* name;
    std::vector<RectT<std::int32_t>> dirty;
  };
  const std::vector<Case> cases{
      {"nothing dirty", {}},
      {"two rectangles", {{0, 0, 10, 10}, {50, 50, 5, 5}}},
      {"a rectangle partly outside the window", {{90, 70, 20, 20}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Platform::MemoryWindow window(kWidth, kHeight, 0xFFFFFFFF);
    const RCPtr<LGDIRenderContextInfo> context = MakeContext({0, 0, kWidth, kHeight}, &window, false);
    // Green on the left half of the back buffer, transparent on the right.
    context->GetBackBuffer()->GetBitmap()->FillPixels({0, 0, kWidth / 2, kHeight}, 0xFF00FF00);
    context->mDirtyRegion.Clear();
    for (const RectT<std::int32_t>& r : c.dirty)
      context->mDirtyRegion.AddRect({r.x, r.y, r.x + r.width, r.y + r.height});

    context->Present();

    // The region's rectangles from the last to the first, cut at the window.
    RectList listed;
    context->mDirtyRegion.GetRects(listed);
    std::vector<RectT<std::int32_t>> expectedShown;
    for (auto r = listed.rects.rbegin(); r != listed.rects.rend(); ++r)
      expectedShown.push_back(
          {r->x, r->y, std::min(r->width, kWidth - r->x), std::min(r->height, kHeight - r->y)});
    EXPECT_EQ(Shown(window), expectedShown);
    for (std::int32_t y = 0; y < kHeight; ++y)
      for (std::int32_t x = 0; x < kWidth; ++x) {
        bool dirty = false;
        for (const RectT<std::int32_t>& r : c.dirty)
          dirty = dirty || Inside(x, y, r);
        // A transparent back-buffer pixel arrives as black: copied, not blended.
        const std::uint32_t expected = !dirty ? 0xFFFFFFFF : x < kWidth / 2 ? 0xFF00FF00 : 0xFF000000;
        ASSERT_EQ(window.GetPixel(x, y), expected) << x << ", " << y;
      }
    // The window refills the dirty region before its next frame, not Present.
    EXPECT_EQ(context->mDirtyRegion.GetRectCount(), static_cast<int>(c.dirty.size()));
  }
}

TEST_F(GDIPresent, AnOffscreenContextOnlyFlushes) {
  const RCPtr<LGDIRenderContextInfo> offscreen = MakeContext({0, 0, kWidth, kHeight}, &mWindow, true);
  offscreen->GetBackBuffer()->GetBitmap()->FillPixels({0, 0, kWidth, kHeight}, 0xFF00FF00);
  SetDirty(*offscreen, {{0, 0, kWidth, kHeight}});
  offscreen->Present();
  EXPECT_TRUE(mWindow.GetShown().empty());
  EXPECT_EQ(mWindow.GetPixel(5, 5), 0xFFFFFFFFu);
}

TEST_F(GDIPresent, ScrollingAnOffscreenContextMovesItsPictureAndSwapsTheBuffers) {
  const RCPtr<LGDIRenderContextInfo> offscreen = MakeContext({0, 0, 100, 100}, nullptr, true);
  // Row y has the colour 0xFF0000yy.
  for (std::int32_t y = 0; y < 100; ++y)
    offscreen->GetBackBuffer()->GetBitmap()->FillPixels({0, y, 100, 1},
                                                        0xFF000000u | static_cast<std::uint32_t>(y));
  const RCPtr<LGDIRendererOffscreenSurface> oldBack = offscreen->GetBackBuffer();
  const RCPtr<LGDIRendererOffscreenSurface> oldSpare = offscreen->GetSpareBuffer();
  oldSpare->GetBitmap()->FillPixels({0, 0, 100, 100}, 0xFFFFFFFF); // stale pixels, cleared by the scroll

  EXPECT_EQ(mRenderer->ScrollOffscreenSurface(offscreen, {0, -10}), S_OK);

  EXPECT_EQ(offscreen->GetBackBuffer(), oldSpare);
  EXPECT_EQ(offscreen->GetSpareBuffer(), oldBack);
  for (std::int32_t y = 0; y < 100; ++y) {
    SCOPED_TRACE(y);
    const std::uint32_t expected = y < 90 ? 0xFF000000u | static_cast<std::uint32_t>(y + 10) : 0u;
    EXPECT_EQ(BackPixel(*offscreen, 0, y), expected);
    EXPECT_EQ(BackPixel(*offscreen, 99, y), expected);
  }
}

TEST_F(GDIPresent, OnlyGDIOffscreenContextsScrollOrAreCopiedFrom) {
  const RCPtr<LGDIRendererOffscreenSurface> back = mContext->GetBackBuffer();
  const RCPtr<LRenderContextInfo> foreign =
      MakeRCPtr<test::TestRenderContext>(RectT<std::int32_t>{0, 0, 10, 10}, nullptr, true);
  for (const RCPtr<LRenderContextInfo>& context :
       {RCPtr<LRenderContextInfo>(mContext), foreign, RCPtr<LRenderContextInfo>()}) {
    EXPECT_EQ(mRenderer->ScrollOffscreenSurface(context, {0, -10}), E_INVALIDARG);
    Start();
    EXPECT_EQ(mRenderer->DrawSurfacePart(context, {0, 0}, {0, 0, 10, 10}), E_INVALIDARG);
    Finish();
  }
  EXPECT_EQ(mContext->GetBackBuffer(), back);
}

} // namespace
} // namespace QZ
