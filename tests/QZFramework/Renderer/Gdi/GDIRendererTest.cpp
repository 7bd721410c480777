#include "QZFramework/Renderer/Gdi/GDIRenderer.h"

#include "QZFramework/Renderer/Font.h"
#include "Support/GDIRendererTestSupport.h"
#include "Support/PinnedFonts.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>
#include <vector>

namespace QZ {
namespace {

const bool kFontsPinned = test::PinFonts();

using test::GDIRendererFixture;
using test::MakeBitmap;
using test::SetDirty;
using test::ThrownText;

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kYellow = 0xFFFFFF00;

Color C(std::uint32_t argb) { return Color::FromARGB(argb); }

// Each channel within one step of the expected one.
bool Near(std::uint32_t actual, std::uint32_t expected) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = static_cast<int>((actual >> shift) & 0xFF), e = static_cast<int>((expected >> shift) & 0xFF);
    if (std::abs(a - e) > 1)
      return false;
  }
  return true;
}

// Polylines are not copied: each is made in place.
std::unique_ptr<PolylineT<float>> MakePolyline(std::initializer_list<PointT<float>> points) {
  auto polyline = std::make_unique<PolylineT<float>>();
  for (const PointT<float>& p : points)
    polyline->AddItem(p);
  return polyline;
}

class GDIRendererTest : public GDIRendererFixture {
protected:
  const LGDIRenderer::LCachedBitmap* Cached(const RCPtr<LBitmap>& bitmap, std::int32_t width,
                                            std::int32_t height) const {
    const auto* found = mRenderer->GetBitmapCache().GetKeyIndex().Find({bitmap, width, height});
    return found ? (*found)->mObject.Get() : nullptr;
  }
  bool Registered(const RCPtr<LBitmap>& bitmap, std::int32_t width, std::int32_t height) const {
    return mRenderer->GetBitmapCache().GetKeyIndex().Find({bitmap, width, height}) != nullptr;
  }
};

TEST(GDIRendererCreate, Type1MakesTheGDIRendererWithItsContexts) {
  const RCPtr<LRenderer> renderer = LRenderer::Create(kRendererTypeGDIPlus, {0, 0, 100, 100}, nullptr);
  ASSERT_NE(DynamicCast<LGDIRenderer>(renderer).Get(), nullptr);
  EXPECT_EQ(renderer->GetRendererType(), 1);
  RCPtr<LRenderContextInfo> context;
  EXPECT_EQ(renderer->InitRenderContextInfo({1, 2, 30, 20}, nullptr, true, context), S_OK);
  const RCPtr<LGDIRenderContextInfo> gdi = DynamicCast<LGDIRenderContextInfo>(context);
  ASSERT_NE(gdi.Get(), nullptr);
  EXPECT_EQ(gdi->mViewport, (RectT<std::int32_t>{1, 2, 30, 20}));
  EXPECT_TRUE(gdi->mOffscreen);
  EXPECT_EQ(gdi->GetBackBuffer()->GetSize(), (SizeT<std::int32_t>{30, 20}));
}

TEST_F(GDIRendererTest, NestedFramesDrawIntoTheCurrentContextAndPresentTheirDirtyRegion) {
  const RCPtr<LGDIRenderContextInfo> offscreen = MakeContext({0, 0, 20, 20}, &mWindow, true);
  SetDirty(*mContext, {{0, 0, kWidth, kHeight}});
  Start();
  EXPECT_EQ(mRenderer->GetCurrentGDIContext(), mContext);
  mRenderer->FillRect({0, 0, kWidth, kHeight}, C(kRed), true);

  mRenderer->RenderStart(offscreen);
  EXPECT_EQ(mRenderer->GetCurrentGDIContext(), offscreen);
  mRenderer->FillRect({0, 0, 10, 10}, C(kGreen), true);
  mRenderer->RenderFinish(offscreen);
  EXPECT_EQ(mRenderer->GetCurrentGDIContext(), mContext);
  EXPECT_TRUE(mWindow.GetShown().empty()); // an off-screen context is not presented

  EXPECT_EQ(mRenderer->DrawSurfacePart(offscreen, {50, 40}, {0, 0, 12, 12}), S_OK);
  Finish();
  EXPECT_EQ(mRenderer->GetCurrentGDIContext().Get(), nullptr);

  EXPECT_EQ(mWindow.GetPixel(0, 0), kRed);
  EXPECT_EQ(mWindow.GetPixel(55, 45), kGreen);
  EXPECT_EQ(mWindow.GetPixel(61, 51), kRed); // transparent off-screen pixels blend over
  EXPECT_EQ(mWindow.GetPixel(kWidth - 1, kHeight - 1), kRed);
  EXPECT_EQ(mRenderer->DrawSurfacePart(offscreen, {0, 0}, {0, 0, 1, 1}), E_FAIL); // outside a frame
}

TEST_F(GDIRendererTest, AMismatchedFinishThrowsAndLeavesTheOpenFrameAsItWas) {
  const RCPtr<LGDIRenderContextInfo> offscreen = MakeContext({0, 0, 20, 20}, nullptr, true);
  SetDirty(*mContext, {{0, 0, kWidth, kHeight}});
  Start();
  mRenderer->RenderStart(offscreen);
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { Finish(); }),
            "Runtime Error : RenderFinish context does not match RenderStart context : "
            "QZ::LRenderer::RenderFinish : Renderer\\Renderer : Line 251");
  EXPECT_TRUE(mWindow.GetShown().empty());
  EXPECT_EQ(mRenderer->GetCurrentGDIContext(), offscreen);
  mRenderer->FillRect({0, 0, 5, 5}, C(kGreen), true);
  EXPECT_EQ(test::BackPixel(*offscreen, 1, 1), kGreen);
  mRenderer->RenderFinish(offscreen);
  Finish();
  EXPECT_EQ(mWindow.GetShown().size(), 1u);
}

TEST_F(GDIRendererTest, TranslationAndClipFollowTheState) {
  Start();
  mRenderer->PushState();
  mRenderer->PushClip({10, 20, 30, 30}, {10, 20, 30, 30}, nullptr, true);
  mRenderer->FillRect({-100, -100, 1000, 1000}, C(kRed), true);
  mRenderer->PushTranslation({2.5, -2.5}); // by (3, -3); the clip stays in pixels
  mRenderer->FillRect({0, 5, 1, 1}, C(kGreen), true);
  mRenderer->FillRect({0, -4, 1, 1}, C(kGreen), true); // above the clip
  mRenderer->PopState();
  mRenderer->PopState();
  mRenderer->FillRect({0, 0, 1, 1}, C(kBlue), true);
  mRenderer->PopState();
  Finish();

  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) {
      std::uint32_t expected = (x >= 10 && x < 40 && y >= 20 && y < 50) ? kRed : 0u;
      if (x == 13 && y == 22)
        expected = kGreen;
      if (x == 0 && y == 0)
        expected = kBlue;
      ASSERT_EQ(Back(x, y), expected) << x << ", " << y;
    }
}

// Origins come and go without drawings in between; each drawing, and each clip, lands under the origin in force
// when it was asked for.
TEST_F(GDIRendererTest, DrawingsAndClipsLandUnderTheOriginOfTheirMoment) {
  const std::unique_ptr<PolylineT<float>> square = MakePolyline({{0, 0}, {4, 0}, {4, 4}, {0, 4}});
  Start();
  mRenderer->PushState();
  mRenderer->PushTranslation({10, 10});
  mRenderer->PushClip({0, 0, 20, 20}, {0, 0, 20, 20}, nullptr, true); // pixels 10 to 29
  for (int i = 0; i < 3; ++i) {
    mRenderer->PushTranslation({40, 40});
    mRenderer->PopState();
  }
  mRenderer->PushTranslation({5, 5});
  mRenderer->FillRect({-100, -100, 1000, 1000}, C(kBlue), true);
  mRenderer->FillPolygon(*square, C(kGreen), {1, 1}, {1, 1}, false); // pixels 16 to 19
  mRenderer->PopState();
  mRenderer->PopState();
  mRenderer->PopState();
  mRenderer->PopState();
  mRenderer->FillRect({0, 0, 1, 1}, C(kRed), true);
  Finish();

  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) {
      std::uint32_t expected = (x >= 10 && x < 30 && y >= 10 && y < 30) ? kBlue : 0u;
      if (x >= 16 && x < 20 && y >= 16 && y < 20)
        expected = kGreen;
      if (x == 0 && y == 0)
        expected = kRed;
      ASSERT_EQ(Back(x, y), expected) << x << ", " << y;
    }
}

TEST_F(GDIRendererTest, AFrameOnNewSurfacesStartsAtTheContextsOrigin) {
  mContext->mCurrentState.mOrigin = {5, 6};
  SetDirty(*mContext, {{0, 0, kWidth, kHeight}}); // the surfaces are made again
  Start();
  mRenderer->FillRect({0, 0, 1, 1}, C(kRed), true);
  Finish();
  EXPECT_EQ(Back(5, 6), kRed);
  EXPECT_EQ(Back(0, 0), 0u);
}

TEST_F(GDIRendererTest, FillRectWithoutBlendSetsBackBufferPixelsIgnoringOriginAndClip) {
  Start();
  mRenderer->FillRect({0, 0, kWidth, kHeight}, C(kRed), true);
  mRenderer->PushState();
  mRenderer->PushClip({30, 30, 10, 10}, {30, 30, 10, 10}, nullptr, true);
  mRenderer->FillRect({0, 0, 5, 5}, C(0x00000000), false);
  mRenderer->FillRect({5, 0, 5, 5}, C(0x80FFFFFF), false);
  mRenderer->FillRect({0, 0, 2, 2}, C(0x80FFFFFF), true); // blends, at the origin
  mRenderer->FillRect({95, 75, 20, 20}, C(kBlue), false); // only the part on the buffer
  mRenderer->PopState();
  mRenderer->PopState();
  Finish();

  EXPECT_EQ(Back(0, 0), 0u);
  EXPECT_EQ(Back(4, 4), 0u);
  EXPECT_EQ(Back(5, 0), 0x80FFFFFFu);
  EXPECT_EQ(Back(9, 4), 0x80FFFFFFu);
  EXPECT_EQ(Back(10, 0), kRed);
  EXPECT_EQ(Back(0, 5), kRed);
  EXPECT_TRUE(Near(Back(30, 30), 0xFFFF8080)) << std::hex << Back(30, 30);
  EXPECT_EQ(Back(99, 79), kBlue);
  EXPECT_EQ(Back(94, 79), kRed);
}

TEST_F(GDIRendererTest, OutlinesLinesAndColourRectangles) {
  Start();
  mRenderer->FrameRect({10, 10, 20, 10}, C(kRed), 0.0f);
  mRenderer->DrawLine({10, 40}, {30, 40}, C(kGreen), 1.0f);
  mRenderer->FillAndFrameRect({50, 10, 10, 10}, C(kBlue), C(0x00000000), 1.0f); // no frame: alpha 0
  ColorRectListT<float> list;
  list.AddRect({0, 0, 10, 10}, kRed);
  list.AddRect({5, 5, 10, 10}, kGreen);
  list.SetScale(2, 1);
  mRenderer->DrawColorRectList(list, {40, 50}, true);
  Finish();

  struct Probe {
    std::int32_t x, y;
    std::uint32_t argb;
  };
  const std::vector<Probe> probes{
      {10, 10, kRed}, {30, 10, kRed},   {10, 20, kRed}, {30, 20, kRed},   {20, 10, kRed},   {11, 11, 0},
      {31, 10, 0},    {20, 40, kGreen}, {20, 39, 0},    {20, 41, 0},      {50, 10, kBlue},  {59, 19, kBlue},
      {60, 20, 0},    {45, 52, kRed},   {55, 57, kRed}, {65, 57, kGreen}, {61, 62, kGreen}, {75, 62, 0},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(testing::Message() << p.x << ", " << p.y);
    EXPECT_EQ(Back(p.x, p.y), p.argb);
  }
}

TEST_F(GDIRendererTest, PathOperationsDrawSegmentsStripsAndPolygons) {
  // Five points: segments 0-1 and 2-3; the fifth point is ignored.
  const auto segments = MakePolyline({{10, 10}, {30, 10}, {10, 20}, {30, 20}, {60, 60}});
  const auto strip = MakePolyline({{40, 10}, {60, 10}, {60, 30}});
  const auto square = MakePolyline({{70, 10}, {90, 10}, {90, 30}, {70, 30}});
  const auto filled = MakePolyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
  Start();
  mRenderer->DrawLines(*segments, C(kRed), {0, 0}, {1, 1}, true);
  mRenderer->DrawPolyline(*strip, C(kGreen), {0, 0}, {1, 1}, true);
  mRenderer->DrawPolygon(*square, C(kBlue), {0, 0}, {1, 1}, true);
  mRenderer->FillPolygon(*filled, C(kYellow), {20, 50}, {2, 1}, true);
  Finish();

  struct Probe {
    std::int32_t x, y;
    std::uint32_t argb;
  };
  const std::vector<Probe> probes{
      {20, 10, kRed},   {20, 20, kRed},    {20, 15, 0},       {45, 40, 0},     // no 1-2 or 3-4 segment
      {50, 10, kGreen}, {60, 20, kGreen},  {50, 20, 0},                        // an open strip
      {80, 10, kBlue},  {90, 20, kBlue},   {70, 20, kBlue},   {80, 30, kBlue}, // closed outline
      {80, 20, 0},      {21, 51, kYellow}, {39, 59, kYellow}, {41, 55, 0},     // filled, scaled by 2 across
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(testing::Message() << p.x << ", " << p.y);
    EXPECT_EQ(Back(p.x, p.y), p.argb);
  }
}

TEST_F(GDIRendererTest, PathsAreBuiltOncePerHandleUntilTheOwnerMarksThemChanged) {
  const auto line = MakePolyline({{10, 10}, {50, 10}});
  auto draw = [&](bool cache) {
    SetDirty(*mContext, {{0, 0, kWidth, kHeight}}); // a fresh picture each frame
    Start();
    mRenderer->DrawPolyline(*line, C(kRed), {0, 0}, {1, 1}, cache);
    Finish();
  };
  draw(true);
  EXPECT_FALSE(line->IsChanged());
  const auto* found = mRenderer->GetPathCache().GetKeyIndex().Find(line->GetHandle());
  ASSERT_NE(found, nullptr);
  const LGDIRenderer::PathCache::Entry* entry = *found;
  const LGDIRenderer::LGraphicsPath* built = entry->mObject.Get();
  ASSERT_NE(built, nullptr);

  // Moved without telling: the cached path is drawn.
  line->GetData()[0].y = line->GetData()[1].y = 30;
  draw(true);
  EXPECT_EQ(Back(30, 10), kRed);
  EXPECT_EQ(Back(30, 30), 0u);
  EXPECT_EQ(entry->mObject.Get(), built);

  line->SetChanged();
  draw(true);
  EXPECT_EQ(Back(30, 10), 0u);
  EXPECT_EQ(Back(30, 30), kRed);
  EXPECT_FALSE(line->IsChanged());

  // Not to be cached: the path goes, the handle stays registered.
  draw(false);
  EXPECT_EQ(Back(30, 30), kRed);
  found = mRenderer->GetPathCache().GetKeyIndex().Find(line->GetHandle());
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(*found, entry);
  EXPECT_EQ(entry->mObject.Get(), nullptr);
}

TEST_F(GDIRendererTest, AScaleWithinTenFloatEpsilonsDrawsTheCachedPathUnscaled) {
  // Vertical lines far out, brought back to column 10 by the position.
  const auto veryFar = MakePolyline({{2e7f, 10}, {2e7f, 30}});
  const auto far = MakePolyline({{2e5f, 10}, {2e5f, 30}});
  const auto near = MakePolyline({{20, 10}, {20, 30}});
  struct Case {
    const PolylineT<float>* line;
    float position;
    float scale;
    std::int32_t column;
  };
  const std::vector<Case> cases{
      {veryFar.get(), -19999990.0f, 1.0000005f, 10}, // scaled it would land on column 20
      {far.get(), -199990.0f, 1.00001f, 12},         // 200002 - 199990
      {near.get(), -10.0f, 2.0f, 30},
      {near.get(), -10.0f, 1.0f, 10}, // the scaled clone left the cached path as it was
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.line->GetData()[0].x << " x " << c.scale);
    SetDirty(*mContext, {{0, 0, kWidth, kHeight}});
    Start();
    mRenderer->DrawPolyline(*c.line, C(kRed), {c.position, 0}, {c.scale, 1}, true);
    Finish();
    for (std::int32_t x = 0; x < kWidth; ++x)
      EXPECT_EQ(Back(x, 20), x == c.column ? kRed : 0u) << x;
  }
}

TEST_F(GDIRendererTest, BitmapsAreTiledFromTheCornerCutAtTheEdgeAndFilledByTextureForManyRepeats) {
  // A red corner pixel marks where each tile starts.
  const RCPtr<LBitmap> tile = MakeBitmap(16, 16, [](int x, int y) { return x == 0 && y == 0 ? kRed : kBlue; });
  Start();
  mRenderer->DrawBitmap(tile, {0, 0, 40, 40}, kResizeTile);  // 2.5 repeats: single draws
  mRenderer->DrawBitmap(tile, {50, 0, 48, 16}, kResizeTile); // 3 across: texture fill
  Finish();
  for (std::int32_t y = 0; y < 41; ++y)
    for (std::int32_t x = 0; x < 41; ++x) {
      const std::uint32_t expected = x == 40 || y == 40 ? 0u : x % 16 == 0 && y % 16 == 0 ? kRed : kBlue;
      ASSERT_EQ(Back(x, y), expected) << x << ", " << y;
    }
  for (std::int32_t x = 50; x < 99; ++x)
    ASSERT_EQ(Back(x, 0), x == 98 ? 0u : (x - 50) % 16 == 0 ? kRed : kBlue) << x;
  EXPECT_EQ(Back(97, 15), kBlue);
  EXPECT_EQ(Back(50, 16), 0u);
}

TEST_F(GDIRendererTest, TheFirstResizeTypeAtASizeDecidesWhatLaterDrawsShow) {
  const RCPtr<LBitmap> tile = MakeBitmap(16, 16, [](int x, int y) { return x == 0 && y == 0 ? kRed : kBlue; });
  Start();
  mRenderer->DrawBitmap(tile, {0, 0, 40, 40}, kResizeTile);
  const LGDIRenderer::LCachedBitmap* cached = Cached(tile, 40, 40);
  mRenderer->DrawBitmap(tile, {50, 0, 40, 40}, kResizeStretch);
  Finish();
  EXPECT_EQ(Cached(tile, 40, 40), cached);
  for (std::int32_t y = 0; y < 40; ++y)
    for (std::int32_t x = 0; x < 40; ++x)
      ASSERT_EQ(Back(x, y), Back(x + 50, y)) << x << ", " << y;
  EXPECT_EQ(Back(66, 16), kRed);
}

TEST_F(GDIRendererTest, StretchingAndCentringPlaceThePictureInTheDestination) {
  // Quadrants: red, blue over green, yellow.
  auto quadrants = [](int size) {
    return MakeBitmap(size, size, [size](int x, int y) {
      const bool right = x >= size / 2, bottom = y >= size / 2;
      return bottom ? (right ? kYellow : kGreen) : (right ? kBlue : kRed);
    });
  };
  const RCPtr<LBitmap> small = quadrants(2);
  const RCPtr<LBitmap> picture = quadrants(16);
  Start();
  mRenderer->DrawBitmap(small, {0, 0, 40, 40}, kResizeStretch);
  mRenderer->DrawBitmap(picture, {50, 0, 21, 21}, kResizeCentre); // at (52.5, 2.5)
  Finish();

  struct Probe {
    std::int32_t x, y;
    std::uint32_t argb;
  };
  const std::vector<Probe> probes{
      {2, 2, kRed}, {37, 2, kBlue}, {2, 37, kGreen},     {37, 37, kYellow}, {40, 40, 0},
      {51, 1, 0},   {52, 2, kRed},  {67, 2, kBlue},      {52, 17, kGreen},  {67, 17, kYellow},
      {68, 18, 0},  {70, 20, 0},    {60, 2, 0xFF800080}, // half a pixel in: red and blue meet in one pixel
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(testing::Message() << p.x << ", " << p.y);
    EXPECT_TRUE(Near(Back(p.x, p.y), p.argb)) << std::hex << Back(p.x, p.y);
  }
}

TEST_F(GDIRendererTest, TheResizeTypeIsCheckedOnlyWhenTheBitmapIsScaled) {
  const RCPtr<LBitmap> bitmap = MakeBitmap(16, 16, [](int, int) { return kGreen; });
  Start();
  mRenderer->DrawBitmap(bitmap, {0, 0, 16, 16}, 7); // same size: a plain copy
  EXPECT_EQ(Back(15, 15), kGreen);
  EXPECT_EQ(ThrownText<std::invalid_argument>([&] {
              mRenderer->DrawBitmap(bitmap, {20, 0, 20, 20}, 7);
            }),
            "Invalid Argument : Invalid ResizeType passed to DrawBitmap. : QZ::LGDIRenderer::DrawBitmap : "
            "Renderer\\Gdi\\GDIRenderer : Line 559");
  mRenderer->DrawBitmap(bitmap, {0, 0, 16, 16}, -1); // cached: not looked at
  Finish();
}

TEST_F(GDIRendererTest, DrawBitmapOutsideAFrameThrowsAndDrawsNothingWithoutPixels) {
  const RCPtr<LBitmap> bitmap = MakeBitmap(4, 4, [](int, int) { return kGreen; });
  EXPECT_EQ(ThrownText<std::runtime_error>([&] {
              mRenderer->DrawBitmap(bitmap, {0, 0, 4, 4}, kResizeStretch);
            }),
            "Runtime Error : QZ::LGDIRenderer::DrawBitmap : Renderer\\Gdi\\GDIRenderer : Line 568");

  // A view far outside its image shows nothing; one partly outside shows the
  // part that exists.
  const RCPtr<LBitmap> outside = bitmap->CreateSubBitmap(100, 100, 4, 4);
  const RCPtr<LBitmap> partly = bitmap->CreateSubBitmap(2, 0, 4, 4);
  Start();
  mRenderer->DrawBitmap(RCPtr<LBitmap>(), {0, 0, 10, 10}, kResizeStretch);
  mRenderer->DrawBitmap(MakeRCPtr<LBitmap>(), {0, 0, 10, 10}, kResizeStretch);
  mRenderer->DrawBitmap(bitmap, {0, 0, 0, 10}, kResizeTile);
  mRenderer->DrawBitmap(outside, {0, 0, 40, 40}, kResizeTile);
  mRenderer->DrawBitmap(partly, {50, 0, 4, 4}, kResizeStretch);
  mRenderer->DrawBitmap(partly, {50, 10, 16, 4}, kResizeTile); // texture fill, padded
  Finish();
  for (std::int32_t y = 0; y < 40; ++y)
    for (std::int32_t x = 0; x < 40; ++x)
      ASSERT_EQ(Back(x, y), 0u) << x << ", " << y;
  EXPECT_EQ(Back(51, 0), kGreen);
  EXPECT_EQ(Back(52, 0), 0u);
  for (std::int32_t x = 50; x < 66; ++x)
    ASSERT_EQ(Back(x, 10), (x - 50) % 4 < 2 ? kGreen : 0u) << x;
}

TEST_F(GDIRendererTest, BitmapRenderingsAreReusedAndPurgedByTheApplicationClock) {
  const RCPtr<LBitmap> a = MakeBitmap(4, 4, [](int, int) { return kRed; });
  const RCPtr<LBitmap> b = MakeBitmap(4, 4, [](int, int) { return kBlue; });
  auto frame = [&](std::uint32_t now, std::initializer_list<const RCPtr<LBitmap>*> bitmaps) {
    mApp.mMilliseconds = now;
    Start();
    for (const RCPtr<LBitmap>* bitmap : bitmaps)
      mRenderer->DrawBitmap(*bitmap, {0, 0, 8, 8}, kResizeStretch);
    Finish();
  };

  frame(0, {&a, &b});
  const LGDIRenderer::LCachedBitmap* first = Cached(a, 8, 8);
  ASSERT_NE(first, nullptr);
  frame(1000, {&a});
  EXPECT_EQ(Cached(a, 8, 8), first); // drawn from the cache
  frame(300000, {&b});               // not more than the interval yet
  frame(300001, {});                 // the first purge: every use is after mark 0
  EXPECT_EQ(Cached(a, 8, 8), first);
  EXPECT_NE(Cached(b, 8, 8), nullptr);
  frame(400000, {&b});
  frame(600002, {}); // a was not drawn since the last purge
  EXPECT_EQ(Cached(a, 8, 8), nullptr);
  EXPECT_TRUE(Registered(a, 8, 8));
  EXPECT_NE(Cached(b, 8, 8), nullptr);

  frame(600003, {&a}); // rendered again
  EXPECT_NE(Cached(a, 8, 8), nullptr);
  EXPECT_EQ(Back(7, 7), kRed);
}

// A background stretched to every size a window passes through: the
// renderings' bytes are bound, the least recently drawn going first.
TEST_F(GDIRendererTest, BitmapRenderingsAreBoundByTheirBytesOldestFirst) {
  const RCPtr<LBitmap> background = MakeBitmap(4, 4, [](int, int) { return kGreen; });
  const RCPtr<LBitmap> icon = MakeBitmap(4, 4, [](int, int) { return kRed; });
  constexpr std::int32_t kSide = 1024; // 4 MB a rendering
  constexpr std::uint64_t kBytes = std::uint64_t{4} * kSide * kSide;
  const std::int32_t fitting = static_cast<std::int32_t>(kGDIBitmapCacheBytes / kBytes);
  Start();
  mRenderer->DrawBitmap(icon, {0, 0, 8, 8}, kResizeStretch);
  for (std::int32_t i = 0; i < fitting + 3; ++i) {
    mRenderer->DrawBitmap(background, {0, 0, kSide, kSide - i}, kResizeStretch);
    if (i % 4 == 0)
      mRenderer->DrawBitmap(icon, {0, 0, 8, 8}, kResizeStretch); // drawn now and then: stays
    EXPECT_LE(mRenderer->GetBitmapCacheBytes(), kGDIBitmapCacheBytes) << i;
  }
  mRenderer->DrawBitmap(icon, {0, 0, 8, 8}, kResizeStretch);
  Finish();
  EXPECT_NE(Cached(icon, 8, 8), nullptr);
  EXPECT_EQ(Cached(background, kSide, kSide), nullptr) << "the first size went first";
  EXPECT_TRUE(Registered(background, kSide, kSide)) << "its key stays, like a purged entry's";
  EXPECT_NE(Cached(background, kSide, kSide - (fitting + 2)), nullptr) << "the last size drawn";
  EXPECT_EQ(Back(0, 0), kRed);
  EXPECT_EQ(Back(50, 50), kGreen);

  // One rendering larger than the bound is kept, alone.
  Start();
  mRenderer->DrawBitmap(background, {0, 0, 4200, 4200}, kResizeStretch);
  Finish();
  EXPECT_NE(Cached(background, 4200, 4200), nullptr);
  EXPECT_EQ(Cached(icon, 8, 8), nullptr);
  EXPECT_EQ(mRenderer->GetBitmapCacheBytes(), std::uint64_t{4} * 4200 * 4200);
}

TEST_F(GDIRendererTest, ABitmapWhosePixelsChangedIsRenderedAgain) {
  const RCPtr<LBitmap> sheet = MakeBitmap(8, 4, [](int, int) { return kGreen; });
  const RCPtr<LBitmap> view = sheet->CreateSubBitmap(4, 0, 4, 4);
  auto frame = [&] {
    Start();
    mRenderer->DrawBitmap(view, {0, 0, 8, 8}, kResizeStretch);
    Finish();
  };
  frame();
  const LGDIRenderer::LCachedBitmap* first = Cached(view, 8, 8);
  frame();
  EXPECT_EQ(Cached(view, 8, 8), first);
  EXPECT_EQ(Back(7, 7), kGreen);

  // Written through the sheet the view cuts its picture from.
  for (std::int32_t y = 0; y < 4; ++y)
    for (std::int32_t x = 4; x < 8; ++x)
      ASSERT_EQ(sheet->GetGdiplusBitmap()->SetPixel(x, y, kBlue), Platform::ImageStatus::Ok);
  frame();
  EXPECT_NE(Cached(view, 8, 8), first);
  EXPECT_EQ(Back(7, 7), kBlue);
}

TEST_F(GDIRendererTest, TextIsLaidOutOnePixelAboveItsPosition) {
  ASSERT_TRUE(kFontsPinned);
  const RCPtr<LFont> font = LFont::GetFont(WideString(u"DejaVu Sans"), 9.0f, 0);
  Start();
  mRenderer->DrawText(WideString(u"Hello, 9"), font, {10, 20}, C(kRed));
  mRenderer->DrawText(WideString(), font, {10, 40}, C(kRed));
  mRenderer->DrawText(WideString(u"x"), RCPtr<LFont>(), {10, 40}, C(kRed));
  Finish();

  const std::unique_ptr<Platform::Surface> expected = Platform::Surface::Create(kWidth, kHeight);
  const std::unique_ptr<Platform::Canvas> canvas = Platform::Canvas::Create(*expected);
  canvas->SetImageFilter(Platform::ImageFilter::Nearest);
  canvas->SetAntialias(false);
  const std::unique_ptr<Platform::Font> dejaVu =
      Platform::Font::Create(Platform::FontFamily::FromName(u"DejaVu Sans"), 9.0f, 0, Platform::FontUnit::Point);
  canvas->DrawString(u"Hello, 9", *dejaVu, {10, 19}, kRed);
  canvas->Flush();
  int inked = 0;
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) {
      std::uint32_t want = 0;
      expected->GetPixel(x, y, want);
      inked += want != 0;
      ASSERT_EQ(Back(x, y), want) << x << ", " << y;
    }
  EXPECT_GT(inked, 20);
}

TEST(GDIRendererFonts, MetricsFollowTheDesignMetricsOfTheFace) {
  ASSERT_TRUE(kFontsPinned);
  struct Case {
    Platform::FontDesignMetrics metrics;
    float size;
    std::int32_t lineHeight, ascent, descent;
  };
  const std::vector<Case> cases{
      {{2048, 1854, 434, 2355}, 9.0f, 14, -11, 3}, {{2048, 1854, 434, 2355}, 12.0f, 19, -15, 4},
      {{2048, 1854, 434, 2355}, 7.5f, 12, -10, 3}, {{2048, 1901, 483, 2384}, 20.0f, 32, -25, 7},
      {{1000, 800, 200, 1200}, 9.0f, 15, -10, 3},  {{1000, 800, 200, 1200}, 7.5f, 12, -8, 2},
  };
  const RCPtr<LGDIRenderer> renderer = MakeRCPtr<LGDIRenderer>();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.metrics.emHeight << " em, " << c.size);
    const auto provider = std::make_shared<test::FixedFontMetrics>("DejaVu Sans", c.metrics);
    test::FontMetricsScope scope(provider);
    std::int32_t lineHeight = 0, ascent = 0, descent = 0;
    // A face that is not installed measures as the generic sans-serif one.
    for (const char16_t* face : {u"DejaVu Sans", u"No Such Face"}) {
      EXPECT_EQ(renderer->GetFontMetrics(LFont::GetFont(WideString(face), c.size, kFontStyleBold), lineHeight,
                                         ascent, descent),
                S_OK);
      EXPECT_EQ(lineHeight, c.lineHeight);
      EXPECT_EQ(ascent, c.ascent);
      EXPECT_EQ(descent, c.descent);
    }
    EXPECT_EQ(provider->asked.at("DejaVu Sans") & kFontStyleBold, kFontStyleBold);
  }
}

TEST(GDIRendererFonts, AFaceWithoutDesignMetricsFailsAndLeavesTheOutputs) {
  test::FontMetricsScope scope(std::make_shared<test::FixedFontMetrics>("Other", Platform::FontDesignMetrics{}));
  const RCPtr<LGDIRenderer> renderer = MakeRCPtr<LGDIRenderer>();
  std::int32_t lineHeight = 1, ascent = 2, descent = 3;
  EXPECT_EQ(
      renderer->GetFontMetrics(LFont::GetFont(WideString(u"DejaVu Sans"), 9.0f, 0), lineHeight, ascent, descent),
      E_FAIL);
  EXPECT_EQ(lineHeight, 1);
  EXPECT_EQ(ascent, 2);
  EXPECT_EQ(descent, 3);
}

TEST(GDIRendererFonts, MeasuredTextIsItsWidthRoundedUpPlusThreeOnTheFontsLine) {
  ASSERT_TRUE(kFontsPinned);
  test::FontMetricsScope scope(
      std::make_shared<test::FixedFontMetrics>("DejaVu Sans", Platform::FontDesignMetrics{2048, 1854, 434, 2355}));
  const RCPtr<LFont> font = LFont::GetFont(WideString(u"DejaVu Sans"), 9.0f, 0);

  const std::unique_ptr<Platform::Surface> pixel = Platform::Surface::Create(1, 1);
  const std::unique_ptr<Platform::Canvas> canvas = Platform::Canvas::Create(*pixel);
  const std::unique_ptr<Platform::Font> dejaVu =
      Platform::Font::Create(Platform::FontFamily::FromName(u"DejaVu Sans"), 9.0f, 0, Platform::FontUnit::Point);
  struct Case {
    std::int32_t resolution;
    const char16_t* text;
  };
  for (const Case& c :
       {Case{96, u"Parameter 12"}, Case{96, u"Hi  "}, Case{96, u"Hi"}, Case{120, u"Parameter 12"}}) {
    SCOPED_TRACE(testing::Message() << c.resolution);
    const RCPtr<LGDIRenderer> renderer = MakeRCPtr<LGDIRenderer>(c.resolution);
    const Platform::RectF box = canvas->MeasureString(c.text, *dejaVu);
    float right = box.x + box.width;
    if (c.resolution != 96)
      right = 9600.0f / static_cast<float>(c.resolution) * right / 100.0f;
    const auto width = static_cast<float>(static_cast<std::int32_t>(right + 0.9999f)) + 3.0f;
    EXPECT_EQ(renderer->MeasureText(WideString(c.text), font), (RectT<float>{0, -11, width, 14}));
  }
  const RCPtr<LGDIRenderer> renderer = MakeRCPtr<LGDIRenderer>();
  EXPECT_GT(renderer->MeasureText(WideString(u"Hi  "), font).width,
            renderer->MeasureText(WideString(u"Hi"), font).width);
  EXPECT_EQ(renderer->MeasureText(WideString(), font), (RectT<float>{0, 0, 0, 0}));
}

TEST(GDIRendererFonts, CaretPositionsAreTheLayoutsStopsRoundedAsMeasuredWidths) {
  ASSERT_TRUE(kFontsPinned);
  test::FontMetricsScope scope(
      std::make_shared<test::FixedFontMetrics>("DejaVu Sans", Platform::FontDesignMetrics{2048, 1854, 434, 2355}));
  const RCPtr<LFont> font = LFont::GetFont(WideString(u"DejaVu Sans"), 9.0f, 0);
  const std::unique_ptr<Platform::Surface> pixel = Platform::Surface::Create(1, 1);
  const std::unique_ptr<Platform::Canvas> canvas = Platform::Canvas::Create(*pixel);
  const std::unique_ptr<Platform::Font> dejaVu =
      Platform::Font::Create(Platform::FontFamily::FromName(u"DejaVu Sans"), 9.0f, 0, Platform::FontUnit::Point);
  for (const std::int32_t resolution : {96, 120}) {
    for (const char16_t* text : {u"Parameter 12", u"a\U0001F600e\u0301b", u"x"}) {
      SCOPED_TRACE(testing::Message() << resolution << " " << Platform::ToUtf8(text));
      const RCPtr<LGDIRenderer> renderer = MakeRCPtr<LGDIRenderer>(resolution);
      std::vector<float> positions;
      renderer->MeasureCaretPositions(WideString(text), font, positions);
      const std::vector<float> stops = canvas->MeasureCaretStops(text, *dejaVu);
      ASSERT_EQ(positions.size(), stops.size());
      EXPECT_EQ(positions[0], 0.0f);
      for (std::size_t i = 1; i < stops.size(); ++i) {
        SCOPED_TRACE(i);
        if (stops[i] < 0.0f) {
          EXPECT_EQ(positions[i], LMeasurementRenderer::kNoCaretStop);
          continue;
        }
        float right = stops[i];
        if (resolution != 96)
          right = 9600.0f / static_cast<float>(resolution) * right / 100.0f;
        EXPECT_EQ(positions[i], static_cast<float>(static_cast<std::int32_t>(right + 0.9999f)) + 3.0f);
        // The text before the stop measured on its own lands within a pixel of it.
        const RectT<float> alone =
            renderer->MeasureText(WideString(text).Left(static_cast<std::int32_t>(i)), font);
        EXPECT_NEAR(positions[i], alone.x + alone.width, 1.0f);
      }
    }
  }
  const RCPtr<LGDIRenderer> renderer = MakeRCPtr<LGDIRenderer>();
  std::vector<float> positions{7.0f, 7.0f};
  renderer->MeasureCaretPositions(WideString(), font, positions);
  EXPECT_EQ(positions, std::vector<float>{0.0f});
}

} // namespace
} // namespace QZ
