#include "QZFramework/Renderer/OpenGL/GLRenderer.h"

#include "Platform/GL/ErrorBox.h"
#include "QZFramework/Renderer/FontRenderer/FreetypeFontRenderer.h"
#include "QZFramework/Renderer/OpenGL/GLGlyphRenderer.h"
#include "QZFramework/Renderer/OpenGL/GLRenderContextInfo.h"
#include "Support/FakeFrameworkApp.h"
#include "Support/HeadlessGL.h"
#include "Support/PinnedFonts.h"
#include "Support/ThrownText.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace QZ {
namespace {

using test::ThrownText;

const bool kFontsPinned = test::PinFonts();

void Append(PolylineT<float>& polyline, const PointT<float>& point) {
  const std::uint32_t count = polyline.GetCount();
  ASSERT_GE(polyline.SetSize(count + 1), 0);
  polyline.GetData()[count] = point;
}

constexpr std::int32_t kWidth = 160;
constexpr std::int32_t kHeight = 100;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kRed = 0xFF0000;
constexpr std::uint32_t kGreen = 0x00FF00;
constexpr Color kRedColor{1.0f, 0.0f, 0.0f, 1.0f};
constexpr Color kGreenColor{0.0f, 1.0f, 0.0f, 1.0f};
constexpr Color kWhiteColor{1.0f, 1.0f, 1.0f, 1.0f};

// What the error boxes would have shown.
struct SShownBox {
  std::string caption;
  std::string text;
  std::uint32_t style = 0;
};
std::vector<SShownBox> sShownBoxes;

void RecordBox(const std::string& caption, const std::string& text, std::uint32_t style) {
  sShownBoxes.push_back({caption, text, style});
}

// Opaque, and different in every pixel.
std::uint32_t Pattern(std::int32_t x, std::int32_t y) {
  return 0xFF000000u | std::uint32_t(40 + x * 50) << 16 | std::uint32_t(30 + y * 60) << 8 | 0x11u;
}

RCPtr<LBitmap> MakeBitmap(std::int32_t width, std::int32_t height) {
  RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap({width, height}, Color{});
  LBitmapData lock(bitmap, Platform::kImageLockReadWrite);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x)
      *lock.GetPixelAddress(x, y) = Pattern(x, y);
  return bitmap;
}

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", value);
  return text;
}

SGLRendererServices OffscreenServices() {
  SGLRendererServices services;
  services.mContextProvider = [](WindowHandle, const Platform::GLContextWants& wants, Platform::GLStatus* status) {
    return Platform::CreateOffscreenGLContext(kWidth, kHeight, wants, status);
  };
  services.mStrings = [](const char* key) {
    static const std::map<std::string, const char16_t*> kStrings = {
        {"GL_ERROR_CAPTION", u"OpenGL Error"},
        {"GL_ERROR_MESSAGE_CHOOSE_PIXEL_FORMAT", u"ChoosePixelFormat failed."},
        {"GL_ERROR_MESSAGE_SET_PIXEL_FORMAT", u"SetPixelFormat failed."},
        {"GL_ERROR_MESSAGE_CREATE_CONTEXT", u"wglCreateContext failed."},
        {"GL_ERROR_UPDATE_DRIVER", u" Update the driver."}};
    const auto found = kStrings.find(key);
    return found == kStrings.end() ? WideString() : WideString(found->second);
  };
  return services;
}

class GLRendererTest : public testing::Test {
protected:
  void SetUp() override {
    test::ForceSoftwareGL();
    sShownBoxes.clear();
    mPreviousBox = Platform::SetErrorBoxHandler(&RecordBox);
    mApp.mMilliseconds = 1000;
    mApp.mRendererType = kRendererTypeOpenGL;
    mRenderer = MakeRCPtr<LGLRenderer>(MakeFontRenderer(), &mWindow, OffscreenServices());
    mApp.mRenderer = mRenderer;
    ASSERT_EQ(mRenderer->InitRenderContextInfo({0, 0, kWidth, kHeight}, &mWindow, false, mContext), S_OK);
    ASSERT_TRUE(mContext);
  }

  void TearDown() override {
    mApp.mRenderer = nullptr;
    mContext = nullptr;
    mRenderer = nullptr;
    Platform::SetErrorBoxHandler(mPreviousBox);
  }

  virtual RCPtr<LFontRenderer> MakeFontRenderer() { return RCPtr<LFontRenderer>(); }

  Platform::GLContext& GL() { return *static_cast<LGLRenderContextInfo*>(mContext.Get())->GetGLContext(); }

  // One frame over an opaque black window.
  void Frame(const std::function<void()>& draw) {
    mRenderer->RenderStart(mContext);
    mRenderer->FillRect({0, 0, kWidth, kHeight}, {0.0f, 0.0f, 0.0f, 1.0f}, true);
    draw();
    mRenderer->RenderFinish(mContext);
  }

  // 0xRRGGBB of the window pixel at (x, y), y from the top.
  std::uint32_t Pixel(std::int32_t x, std::int32_t y) {
    EXPECT_TRUE(GL().MakeCurrent());
    glFinish();
    std::uint8_t bgra[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    return std::uint32_t{bgra[0]} | std::uint32_t{bgra[1]} << 8 | std::uint32_t{bgra[2]} << 16;
  }

  struct SProbe {
    std::int32_t x;
    std::int32_t y;
    std::uint32_t rgb;
  };
  void ExpectPixels(const std::vector<SProbe>& probes) {
    for (const SProbe& p : probes) {
      SCOPED_TRACE(testing::Message() << "(" << p.x << ", " << p.y << ")");
      EXPECT_EQ(Hex(Pixel(p.x, p.y)), Hex(p.rgb));
    }
  }

  test::FakeFrameworkApp mApp;
  int mWindow = 0;
  RCPtr<LGLRenderer> mRenderer;
  RCPtr<LRenderContextInfo> mContext;
  Platform::ErrorBoxHandler mPreviousBox = nullptr;
};

TEST_F(GLRendererTest, StartsOnASingleBufferedSurfaceWithoutBoxes) {
  EXPECT_EQ(mRenderer->GetRendererType(), kRendererTypeOpenGL);
  EXPECT_FALSE(mRenderer->IsDoubleBuffered()) << "an off-screen surface has one buffer";
  EXPECT_FALSE(mRenderer->SwapCopies());
  EXPECT_EQ(mRenderer->GetPixelFormatFlags(), 0x24u);
  EXPECT_EQ(mRenderer->GetLastPurge(), 1000u) << "the application clock at construction";
  EXPECT_TRUE(sShownBoxes.empty()) << "the extension list was there; the extension is just not in it";
  EXPECT_FALSE(GL().IsCurrent()) << "current only while setting up and inside frames";
  EXPECT_GT(mContext->GetMaxSurfaceSize().width, 0);
  EXPECT_EQ(mRenderer->MeasureText(u"text", LFont::GetFont(u"DejaVu Sans", 9, 0)), (RectT<float>{0, 0, 0, 0}))
      << "no font renderer";
}

TEST_F(GLRendererTest, TheClipBecomesTheScissorBoxInWindowPixels) {
  Frame([&] {
    // The clip is given in the outer coordinates and cut to the bounds.
    mRenderer->PushClip({10, 10, 50, 40}, {0, 0, 30, 30}, RCPtr<LStencil>(), true);
    mRenderer->FillRect({-5, -5, 100, 100}, kRedColor, true);
    mRenderer->PopState();
    mRenderer->FillRect({100, 60, 3, 3}, kGreenColor, true); // the whole window again
  });
  ExpectPixels({{10, 10, kRed},
                {29, 29, kRed},
                {9, 10, kBlack},
                {10, 9, kBlack},
                {30, 29, kBlack},
                {29, 30, kBlack},
                {102, 62, kGreen}});
}

TEST_F(GLRendererTest, AClipWhollyOutsideTheWindowDrawsNothing) {
  struct Case {
    RectT<double> clip;
    std::vector<GLint> box;
  };
  const Case cases[] = {
      {{-30, 5, 20, 20}, {kWidth, 0, 1, 1}},  // left of the window: the one-pixel box beside it
      {{5, -30, 20, 20}, {5, 110, 20, 20}},   // above it: the top edge is not cut, the box lies past it
      {{-10, 90, 30, 30}, {0, 0, 20, 10}},    // cut at the left and the bottom only
      {{150, -5, 30, 20}, {150, 85, 30, 20}}, // the right and top edges are not cut
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.clip.x << ", " << c.clip.y);
    Frame([&] {
      mRenderer->SetClipRect(c.clip);
      GLint box[4] = {};
      glGetIntegerv(GL_SCISSOR_BOX, box);
      EXPECT_EQ(std::vector<GLint>(box, box + 4), c.box);
      mRenderer->FillRect({-50, -50, 300, 300}, kRedColor, true);
      mRenderer->SetClipRect(RenderState().mClip);
    });
    if (c.box[1] >= kHeight || c.box[0] >= kWidth)
      ExpectPixels({{0, 0, kBlack}, {kWidth - 1, kHeight - 1, kBlack}, {10, 10, kBlack}});
  }
}

TEST_F(GLRendererTest, FillingWithoutBlendingClearsToTransparentBlack) {
  Frame([&] {
    mRenderer->FillRect({0, 0, 40, 40}, kWhiteColor, true);
    mRenderer->FillRect({10, 10, 5, 5}, kRedColor, false);
    mRenderer->FillRect({30, 30, 20, 20}, kGreenColor, true); // the clip came back
  });
  ExpectPixels({{9, 9, 0xFFFFFF}, {10, 10, kBlack}, {14, 14, kBlack}, {15, 15, 0xFFFFFF}, {45, 45, kGreen}});
}

TEST_F(GLRendererTest, FramesAndLinesLandOnTheirPixels) {
  Frame([&] {
    mRenderer->FillAndFrameRect({20, 20, 10, 10}, kGreenColor, kRedColor, 1.0f);
    mRenderer->FillAndFrameRect({60, 20, 10, 10}, kGreenColor, Color{}, 1.0f); // no frame: alpha 0
  });
  ExpectPixels({{25, 25, kGreen}, {65, 65 - 40, kGreen}});
  EXPECT_NE(Pixel(25, 20) & 0xFF0000, 0u) << "the frame's top edge";
  EXPECT_EQ(Pixel(60, 20), kGreen) << "the second rectangle has no frame";
}

TEST_F(GLRendererTest, BitmapsStretchTileAndCentreInsideTheDestination) {
  const RCPtr<LBitmap> bitmap = MakeBitmap(4, 3);
  const RCPtr<LBitmap> solid = LBitmap::CreateFilledBitmap({2, 2}, kGreenColor);
  Frame([&] {
    mRenderer->DrawBitmap(bitmap, {10, 10, 10, 7}, kResizeTile);
    mRenderer->DrawBitmap(bitmap, {40, 10, 10, 9}, kResizeCentre);
    mRenderer->DrawBitmap(bitmap, {70, 10, 1, 0}, kResizeCentre); // larger than the destination
    mRenderer->DrawBitmap(solid, {90, 10, 8, 6}, kResizeStretch);
    mRenderer->DrawBitmap(bitmap, {110, 10, 4, 3}, 7); // equal sizes: one straight quad for any type
  });
  const auto bgr = [](std::int32_t x, std::int32_t y) { return Pattern(x, y) & 0xFFFFFF; };
  ExpectPixels({// Tiles of 4 x 3 from the destination's corner; the last column and row are whole and
                // reach past it, cut only by the scissor box.
                {10, 10, bgr(0, 0)},
                {13, 12, bgr(3, 2)},
                {14, 10, bgr(0, 0)},
                {18, 13, bgr(0, 0)},
                {21, 18, bgr(3, 2)},
                {22, 10, kBlack},
                {10, 19, kBlack},
                // Centred: (10 - 4) / 2 and (9 - 3) / 2.
                {43, 13, bgr(0, 0)},
                {46, 15, bgr(3, 2)},
                {42, 13, kBlack},
                // Halves truncated toward zero: (1 - 4) / 2 = -1, (0 - 3) / 2 = -1.
                {69, 9, bgr(0, 0)},
                {72, 11, bgr(3, 2)},
                // Stretched four times (filtered: probed inside, away from the edges).
                {92, 11, kGreen},
                {95, 14, kGreen},
                {98, 10, kBlack},
                {110, 10, bgr(0, 0)},
                {113, 12, bgr(3, 2)}});
}

TEST_F(GLRendererTest, WholeTilesAreCutByTheClipAndAnEmptyBitmapTilesNothing) {
  const RCPtr<LBitmap> bitmap = MakeBitmap(4, 3);
  Frame([&] {
    mRenderer->PushClip({0, 0, kWidth, kHeight}, {10, 10, 10, 7}, RCPtr<LStencil>(), false);
    mRenderer->DrawBitmap(bitmap, {10, 10, 10, 7}, kResizeTile);
    mRenderer->PopState();
    // A bitmap of no size would never step on; its tiles are left out.
    mRenderer->DrawBitmap(RCPtr<LBitmap>(new LBitmap), {40, 40, 10, 10}, kResizeTile);
  });
  ExpectPixels({{19, 16, Pattern(1, 0) & 0xFFFFFF}, {20, 16, kBlack}, {19, 17, kBlack}, {45, 45, kBlack}});
}

TEST_F(GLRendererTest, AllViewsOfOneImageShareOneTextureAndDrawTheirOwnPart) {
  const RCPtr<LBitmap> bitmap = MakeBitmap(4, 3);
  const RCPtr<LBitmap> view = bitmap->CreateSubBitmap(1, 1, 2, 2);
  Frame([&] {
    mRenderer->DrawBitmap(bitmap, {10, 10, 4, 3}, kResizeStretch);
    mRenderer->DrawBitmap(view, {20, 10, 2, 2}, kResizeStretch);
  });
  EXPECT_EQ(mRenderer->GetBitmapTextures().GetKeyIndex().GetCount(), 1u);
  ExpectPixels({{20, 10, Pattern(1, 1) & 0xFFFFFF}, {21, 11, Pattern(2, 2) & 0xFFFFFF}, {22, 10, kBlack}});

  // A texture OpenGL no longer knows is made again.
  ASSERT_TRUE(GL().MakeCurrent());
  const GLuint name = static_cast<GLuint>(mRenderer->GetBitmapTextures().GetEntry(0).mObject->GetName());
  glDeleteTextures(1, &name);
  Frame([&] { mRenderer->DrawBitmap(view, {30, 10, 2, 2}, kResizeStretch); });
  EXPECT_EQ(Pixel(30, 10), Pattern(1, 1) & 0xFFFFFF);
}

TEST_F(GLRendererTest, BadBitmapCallsThrow) {
  mRenderer->RenderStart(mContext);
  EXPECT_EQ(ThrownText<FailedResultException>([&] {
              mRenderer->DrawBitmap(RCPtr<LBitmap>(), {0, 0, 4, 4}, kResizeStretch);
            }),
            "Failed Result : QZRESULT = 80070057 : QZ::LGLRenderer::DrawBitmap : Renderer\\OpenGL\\GLRenderer : "
            "Line 1104");
  EXPECT_EQ(ThrownText<std::logic_error>([&] {
              mRenderer->DrawBitmap(MakeBitmap(4, 3), {0, 0, 5, 5}, 3);
            }),
            "Logic Error : Invalid ResizeType passed to DrawBitmap! : QZ::LGLRenderer::DrawBitmap : "
            "Renderer\\OpenGL\\GLRenderer : Line 1154");
  mRenderer->RenderFinish(mContext);
}

TEST_F(GLRendererTest, AColourRectangleListDrawsItsLastRectangleFirst) {
  ColorRectListT<float> list;
  list.AddRect({0, 0, 10, 10}, 0xFFFF0000u);
  list.AddRect({5, 5, 10, 10}, 0xFF00FF00u);
  for (const bool cache : {false, true, true}) {
    SCOPED_TRACE(cache);
    Frame([&] { mRenderer->DrawColorRectList(list, {20.0, 30.0}, cache); });
    ExpectPixels({{27, 37, kRed}, {20, 30, kRed}, {34, 44, kGreen}, {35, 45, kBlack}});
  }
  EXPECT_FALSE(list.IsChanged());

  // A changed list is compiled again; an unchanged one is played from its list.
  list.GetData()[0] = {0, 0, 3, 3};
  Frame([&] { mRenderer->DrawColorRectList(list, {20.0, 30.0}, true); });
  EXPECT_EQ(Pixel(27, 37), kRed) << "the list played back";
  list.SetChanged();
  Frame([&] { mRenderer->DrawColorRectList(list, {20.0, 30.0}, true); });
  ExpectPixels({{27, 37, kGreen}, {21, 31, kRed}});
}

TEST_F(GLRendererTest, PolylinesAreCachedByIdentityUntilChanged) {
  PolylineT<float> triangle;
  Append(triangle, {10, 10});
  Append(triangle, {40, 10});
  Append(triangle, {10, 40});
  Frame([&] { mRenderer->FillPolygon(triangle, kRedColor, {0, 0}, {1, 1}, true); });
  ExpectPixels({{15, 15, kRed}, {35, 35, kBlack}});

  triangle.GetData()[1] = {80, 10};
  Frame([&] { mRenderer->FillPolygon(triangle, kRedColor, {0, 0}, {1, 1}, true); });
  EXPECT_EQ(Pixel(50, 12), kBlack) << "the cached list still has the old triangle";
  Frame([&] { mRenderer->FillPolygon(triangle, kRedColor, {0, 0}, {1, 1}, false); });
  EXPECT_EQ(Pixel(50, 12), kRed) << "drawn directly, and the cached list dropped";
  EXPECT_TRUE(mRenderer->GetFillLists().GetEntry(0).mObject.IsNull());

  // Translation and scale apply to the polyline forms.
  Frame([&] { mRenderer->FillPolygon(triangle, kGreenColor, {100, 50}, {0.5f, 0.5f}, false); });
  ExpectPixels({{106, 56, kGreen}, {15, 15, kBlack}});

  // An outline is closed only when its last point repeats the first.
  Frame([&] { mRenderer->DrawPolygon(triangle, kWhiteColor, {0, 0}, {1, 1}, true); });
  EXPECT_NE(Pixel(40, 10) | Pixel(40, 9), kBlack);
  EXPECT_EQ(Pixel(10, 25) | Pixel(9, 25), kBlack) << "no closing edge";
}

TEST_F(GLRendererTest, SegmentsAndStripsGoThroughVertexArrays) {
  PolylineT<float> points;
  Append(points, {10.5f, 10.5f});
  Append(points, {50.5f, 10.5f});
  Append(points, {50.5f, 30.5f});
  Append(points, {90.5f, 30.5f});
  points.SetLineWidth(1.0f);
  Frame([&] { mRenderer->DrawLines(points, kWhiteColor, {0, 0}, {1, 1}, true); });
  EXPECT_NE(Pixel(30, 10), kBlack);
  EXPECT_EQ(Pixel(50, 20), kBlack) << "segments 0-1 and 2-3 only";
  Frame([&] { mRenderer->DrawPolyline(points, kWhiteColor, {0, 0}, {1, 1}, true); });
  EXPECT_NE(Pixel(50, 20), kBlack);
  EXPECT_NE(Pixel(70, 30), kBlack);
}

TEST_F(GLRendererTest, CachesArePurgedOnlyAfterTheOutermostFramePastTheInterval) {
  PolylineT<float> line;
  Append(line, {1, 1});
  Append(line, {5, 5});
  RCPtr<LRenderContextInfo> surface;
  ASSERT_EQ(mRenderer->InitRenderContextInfo({0, 0, 32, 32}, nullptr, true, surface), S_OK);
  const auto listHeld = [&] { return !mRenderer->GetSegmentLists().GetEntry(0).mObject.IsNull(); };

  Frame([&] { mRenderer->DrawLines(line, kWhiteColor, {0, 0}, {1, 1}, true); });
  ASSERT_TRUE(listHeld());

  mApp.mMilliseconds = 1000 + kGLPurgeInterval;
  Frame([] {});
  EXPECT_EQ(mRenderer->GetLastPurge(), 1000u) << "exactly the interval is not past it";

  mApp.mMilliseconds = 1000 + kGLPurgeInterval + 1;
  mRenderer->RenderStart(mContext);
  mRenderer->RenderStart(surface);
  mRenderer->RenderFinish(surface);
  EXPECT_EQ(mRenderer->GetLastPurge(), 1000u) << "a nested frame does not purge";
  EXPECT_TRUE(GL().IsCurrent()) << "the outer context is active again";
  mRenderer->RenderFinish(mContext);
  EXPECT_EQ(mRenderer->GetLastPurge(), 1000u + kGLPurgeInterval + 1);
  EXPECT_TRUE(listHeld()) << "used since the previous purge";

  // Not used since that purge: the next one drops it. The clock may wrap
  // meanwhile.
  const std::uint32_t nearWrap = 0xFFFFFF00u;
  mApp.mMilliseconds = nearWrap;
  Frame([] {});
  EXPECT_EQ(mRenderer->GetLastPurge(), nearWrap);
  EXPECT_FALSE(listHeld()) << "not used since the previous purge";
  Frame([&] { mRenderer->DrawLines(line, kWhiteColor, {0, 0}, {1, 1}, true); });
  EXPECT_TRUE(listHeld()) << "compiled again";
  mApp.mMilliseconds = nearWrap + kGLPurgeInterval; // wrapped past 0, not yet past the interval
  Frame([] {});
  EXPECT_EQ(mRenderer->GetLastPurge(), nearWrap);
  mApp.mMilliseconds = nearWrap + kGLPurgeInterval + 1;
  Frame([] {});
  EXPECT_EQ(mRenderer->GetLastPurge(), nearWrap + kGLPurgeInterval + 1);
}

TEST_F(GLRendererTest, SurfaceOperationsNeedAnOffscreenOpenGLContext) {
  mRenderer->RenderStart(mContext);
  EXPECT_EQ(mRenderer->DrawSurfacePart(mContext, {0, 0}, {0, 0, 4, 4}), E_INVALIDARG);
  EXPECT_EQ(mRenderer->ScrollOffscreenSurface(mContext, {1, 1}), E_INVALIDARG);
  EXPECT_EQ(mRenderer->DrawSurfacePart(RCPtr<LRenderContextInfo>(), {0, 0}, {0, 0, 4, 4}), E_INVALIDARG);
  RCPtr<LRenderContextInfo> surface;
  ASSERT_EQ(mRenderer->InitRenderContextInfo({0, 0, 32, 32}, nullptr, true, surface), S_OK);
  EXPECT_EQ(mRenderer->DrawSurfacePart(surface, {0, 0}, {0, 0, 4, 4}), S_OK);
  EXPECT_EQ(mRenderer->ScrollOffscreenSurface(surface, {1, 1}), S_OK);
  EXPECT_EQ(mRenderer->GetStartedContextCount(), 1u);
  mRenderer->RenderFinish(mContext);
}

TEST_F(GLRendererTest, ABitmapWithoutPixelsDrawsNothing) {
  const RCPtr<LBitmap> empty(new LBitmap);
  Frame([&] {
    for (const std::int32_t type : {kResizeStretch, kResizeCentre, kResizeTile}) {
      SCOPED_TRACE(type);
      mRenderer->DrawBitmap(empty, {10 + 30 * type, 10, 20, 20}, type);
    }
  });
  ExpectPixels({{15, 15, kBlack}, {45, 15, kBlack}, {75, 15, kBlack}});
}

// Pictures past the largest texture (a film strip, a sprite sheet): the left
// or top half red, the rest green.
TEST_F(GLRendererTest, APictureLargerThanTheLargestTextureIsScaledDownToFit) {
  ASSERT_TRUE(GL().MakeCurrent());
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  ASSERT_TRUE(GL().Release());
  const std::int32_t length = largest + 16;
  const auto halves = [length](bool across) {
    const std::int32_t width = across ? length : 2;
    const std::int32_t height = across ? 2 : length;
    RCPtr<LBitmap> bitmap = LBitmap::CreateFilledBitmap({width, height}, Color{});
    LBitmapData lock(bitmap, Platform::kImageLockReadWrite);
    for (std::int32_t y = 0; y < height; ++y)
      for (std::int32_t x = 0; x < width; ++x)
        *lock.GetPixelAddress(x, y) = (across ? x : y) < length / 2 ? 0xFFFF0000u : 0xFF00FF00u;
    return bitmap;
  };
  const RCPtr<LBitmap> wide = halves(true);
  const RCPtr<LBitmap> tall = halves(false);
  Frame([&] {
    mRenderer->DrawBitmap(wide, {10, 10, 100, 4}, kResizeStretch);
    mRenderer->DrawBitmap(tall, {130, 10, 4, 80}, kResizeStretch);
  });
  ExpectPixels({{15, 11, kRed}, {105, 11, kGreen}, {131, 15, kRed}, {131, 85, kGreen}});
  for (const RCPtr<LBitmap>* bitmap : {&wide, &tall}) {
    const RCPtr<LGLTexture>& texture = mRenderer->GetBitmapTextures().Get(*bitmap, false);
    ASSERT_TRUE(texture);
    EXPECT_EQ(texture->GetUploadResult(), S_OK);
    EXPECT_LE(texture->GetTextureWidth(), static_cast<float>(largest));
    EXPECT_LE(texture->GetTextureHeight(), static_cast<float>(largest));
  }
}

TEST_F(GLRendererTest, DrawingIntoASurfaceStaysThereUntilItIsDrawnBack) {
  RCPtr<LRenderContextInfo> surface;
  ASSERT_EQ(mRenderer->InitRenderContextInfo({0, 0, 32, 16}, nullptr, true, surface), S_OK);
  Frame([&] {
    mRenderer->RenderStart(surface);
    mRenderer->FillRect({0, 0, 8, 8}, kRedColor, true);
    mRenderer->FillRect({8, 0, 8, 8}, kGreenColor, true);
    mRenderer->RenderFinish(surface);
    // Where the surface was drawn, the window is untouched.
    mRenderer->FillRect({100, 0, 1, 1}, kWhiteColor, true);
    EXPECT_EQ(mRenderer->DrawSurfacePart(surface, {40, 40}, {0, 0, 16, 8}), S_OK);
    EXPECT_EQ(mRenderer->DrawSurfacePart(surface, {70, 40}, {8, 0, 8, 8}), S_OK);
    EXPECT_EQ(mRenderer->DrawSurfacePart(surface, {90, 40}, {0, 8, 16, 8}), S_OK); // never drawn: clear
  });
  ExpectPixels({{0, 0, kBlack},
                {12, 4, kBlack},
                {100, 0, 0xFFFFFF},
                {40, 40, kRed},
                {47, 47, kRed},
                {48, 40, kGreen},
                {55, 47, kGreen},
                {56, 40, kBlack},
                {40, 48, kBlack},
                {70, 40, kGreen},
                {77, 47, kGreen},
                {69, 40, kBlack},
                {90, 40, kBlack},
                {105, 47, kBlack}});

  // Drawn again in a later frame, the surface still holds its pixels.
  Frame([&] { EXPECT_EQ(mRenderer->DrawSurfacePart(surface, {0, 60}, {0, 0, 16, 8}), S_OK); });
  ExpectPixels({{0, 60, kRed}, {15, 67, kGreen}, {40, 40, kBlack}});
}

TEST_F(GLRendererTest, ScrollingASurfaceMovesItsPixelsAndClearsWhatTheyLeave) {
  RCPtr<LRenderContextInfo> surface;
  ASSERT_EQ(mRenderer->InitRenderContextInfo({0, 0, 32, 16}, nullptr, true, surface), S_OK);
  mRenderer->RenderStart(surface);
  mRenderer->FillRect({0, 0, 4, 4}, kRedColor, true);
  mRenderer->FillRect({4, 0, 4, 4}, kGreenColor, true);
  mRenderer->RenderFinish(surface);
  Frame([&] {
    EXPECT_EQ(mRenderer->ScrollOffscreenSurface(surface, {10, 5}), S_OK);
    EXPECT_EQ(mRenderer->DrawSurfacePart(surface, {0, 50}, {0, 0, 32, 16}), S_OK);
  });
  ExpectPixels({{10, 55, kRed},
                {13, 58, kRed},
                {14, 55, kGreen},
                {17, 58, kGreen},
                {0, 50, kBlack},
                {4, 50, kBlack},
                {9, 55, kBlack},
                {10, 59, kBlack},
                {18, 55, kBlack}});
}

// A platform context that offers no framebuffer objects: an old driver.
class NoFramebufferContext : public Platform::GLContext {
public:
  explicit NoFramebufferContext(std::unique_ptr<Platform::GLContext> inner) : mInner(std::move(inner)) {
    mObtained = mInner->GetObtained();
    mObtained.version = "2.1 Mesa";
    std::string kept;
    std::istringstream words(mObtained.extensions);
    for (std::string word; words >> word;) {
      if (word.find("framebuffer_object") == std::string::npos)
        kept += (kept.empty() ? "" : " ") + word;
    }
    mObtained.extensions = kept;
  }
  bool MakeCurrent() override { return mInner->MakeCurrent(); }
  bool Release() override { return mInner->Release(); }
  bool IsCurrent() const override { return mInner->IsCurrent(); }
  bool Swap() override { return mInner->Swap(); }
  Platform::GLProcAddress GetProcAddress(const char* name) const override {
    return std::string(name).find("Framebuffer") != std::string::npos ? nullptr : mInner->GetProcAddress(name);
  }

private:
  std::unique_ptr<Platform::GLContext> mInner;
};

TEST(GLRendererOffscreen, WithoutFramebufferObjectsASurfaceDrawsNowhereAndCannotBeDrawnBack) {
  test::ForceSoftwareGL();
  test::FakeFrameworkApp app;
  SGLRendererServices services = OffscreenServices();
  services.mContextProvider = [](WindowHandle, const Platform::GLContextWants& wants, Platform::GLStatus* status) {
    std::unique_ptr<Platform::GLContext> inner =
        Platform::CreateOffscreenGLContext(kWidth, kHeight, wants, status);
    return inner ? std::make_unique<NoFramebufferContext>(std::move(inner)) : nullptr;
  };
  int window = 0;
  const RCPtr<LGLRenderer> renderer = MakeRCPtr<LGLRenderer>(nullptr, &window, services);
  RCPtr<LRenderContextInfo> context;
  ASSERT_EQ(renderer->InitRenderContextInfo({0, 0, kWidth, kHeight}, &window, false, context), S_OK);
  RCPtr<LRenderContextInfo> surface;
  EXPECT_EQ(renderer->InitRenderContextInfo({0, 0, 32, 16}, nullptr, true, surface), E_NOTIMPL);
  ASSERT_TRUE(surface) << "made all the same";

  Platform::GLContext& gl = *static_cast<LGLRenderContextInfo*>(context.Get())->GetGLContext();
  renderer->RenderStart(context);
  renderer->FillRect({0, 0, kWidth, kHeight}, {0.0f, 0.0f, 0.0f, 1.0f}, true);
  renderer->RenderStart(surface);
  renderer->FillRect({0, 0, 32, 16}, kRedColor, true);
  renderer->FillRect({0, 0, 4, 4}, kGreenColor, false);
  renderer->RenderFinish(surface);
  EXPECT_EQ(renderer->DrawSurfacePart(surface, {40, 40}, {0, 0, 16, 8}), E_NOTIMPL);
  EXPECT_EQ(renderer->ScrollOffscreenSurface(surface, {1, 1}), E_NOTIMPL);
  renderer->FillRect({100, 0, 2, 2}, kGreenColor, true); // the window draws again
  renderer->RenderFinish(context);

  ASSERT_TRUE(gl.MakeCurrent());
  glFinish();
  const auto pixel = [](std::int32_t x, std::int32_t y) {
    std::uint8_t bgra[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    return std::uint32_t{bgra[0]} | std::uint32_t{bgra[1]} << 8 | std::uint32_t{bgra[2]} << 16;
  };
  for (const auto& [x, y, rgb] : {std::tuple{0, 0, kBlack},
                                  {2, 2, kBlack},
                                  {20, 10, kBlack},
                                  {40, 40, kBlack},
                                  {45, 45, kBlack},
                                  {100, 0, kGreen}}) {
    SCOPED_TRACE(testing::Message() << "(" << x << ", " << y << ")");
    EXPECT_EQ(Hex(pixel(x, y)), Hex(rgb));
  }
  EXPECT_TRUE(gl.Release());
  surface = nullptr;
  context = nullptr;
}

class GLRendererTextTest : public GLRendererTest {
protected:
  RCPtr<LFontRenderer> MakeFontRenderer() override {
    const RCPtr<LGlyphProcessor> glyphs = MakeRCPtr<LGLGlyphRenderer>();
    return MakeRCPtr<LFreetypeFontRenderer>(glyphs, glyphs);
  }
};

TEST_F(GLRendererTextTest, TextIsDrawnFromTheAtlasBelowItsOrigin) {
  ASSERT_TRUE(kFontsPinned);
  const RCPtr<LFont> font = LFont::GetFont(u"DejaVu Sans", 24, 0);
  const RectT<float> box = mRenderer->MeasureText(u"HH", font);
  EXPECT_LT(box.y, 0.0f);
  EXPECT_GT(box.width, 20.0f);

  Frame([&] {
    mRenderer->DrawText(u"H", font, {20, 20}, kWhiteColor);
    mRenderer->DrawText(u"", font, {60, 20}, kWhiteColor);
  });
  // The line box starts at the origin: the capital's stem is inside it.
  std::int32_t lit = 0;
  for (std::int32_t y = 20; y < 20 + 40; ++y)
    for (std::int32_t x = 20; x < 20 + 30; ++x)
      lit += Pixel(x, y) != kBlack ? 1 : 0;
  EXPECT_GT(lit, 40);
  for (std::int32_t x = 0; x < kWidth; x += 7)
    EXPECT_EQ(Pixel(x, 19), kBlack) << x << ": nothing above the origin";

  auto& glyphs = static_cast<LGLGlyphRenderer&>(*mRenderer->GetFontRenderer()->GetSecondProcessor());
  EXPECT_TRUE(glyphs.GetCurrentAtlas().IsNull()) << "the run ended";
  // The font's atlas: 512 wide, as high as the next power of two of 24
  // points, with the first glyph at (1, 1).
  LGLGlyphRenderer::LCachedFont& atlas = *glyphs.GetAtlases().Get(font, false);
  EXPECT_EQ(atlas.GetTextureWidth(), 512.0f);
  EXPECT_EQ(atlas.GetTextureHeight(), 32.0f);
  const LGlyphProcessor::SCachedGlyph* h = atlas.GetGlyphs().Find(u'H');
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(h->mAtlasX, 1);
  EXPECT_EQ(h->mAtlasY, 1);
}

TEST_F(GLRendererTextTest, CaretPositionsAreThePrefixesMeasuredInOneRun) {
  ASSERT_TRUE(kFontsPinned);
  const RCPtr<LFont> font = LFont::GetFont(u"DejaVu Sans", 24, 0);
  const std::u16string text = u"AVe \u00e9";
  std::vector<float> positions;
  mRenderer->MeasureCaretPositions(WideString(text.c_str()), font, positions);
  ASSERT_EQ(positions.size(), text.size() + 1);
  EXPECT_EQ(positions[0], 0.0f);
  for (std::size_t i = 1; i <= text.size(); ++i) {
    SCOPED_TRACE(i);
    const RectT<float> box = mRenderer->MeasureText(WideString(text.substr(0, i).c_str()), font);
    EXPECT_EQ(positions[i], box.x + box.width);
  }
}

// Glyphs below 8 points are rendered one bit per pixel and come out narrower
// than their boxes; each still gets its cell and is drawn.
TEST_F(GLRendererTextTest, SmallTextIsDrawnWithEveryGlyph) {
  ASSERT_TRUE(kFontsPinned);
  std::u16string printable;
  for (char16_t c = u'!'; c <= u'~'; ++c)
    printable += c;
  auto& glyphs = static_cast<LGLGlyphRenderer&>(*mRenderer->GetFontRenderer()->GetSecondProcessor());
  for (const float size : {6.0f, 7.0f, 7.5f, 9.0f}) {
    SCOPED_TRACE(size);
    const RCPtr<LFont> font = LFont::GetFont(u"DejaVu Sans", size, 0);
    Frame([&] { mRenderer->DrawText(WideString(printable.c_str()), font, {2, 40}, kWhiteColor); });
    LGLGlyphRenderer::LCachedFont& atlas = *glyphs.GetAtlases().Get(font, false);
    std::int32_t unplaced = 0;
    for (const char16_t c : printable) {
      const LGlyphProcessor::SCachedGlyph* glyph = atlas.GetGlyphs().Find(c);
      ASSERT_NE(glyph, nullptr) << static_cast<char>(c);
      unplaced += glyph->mAtlasX == 0 && glyph->mAtlasY == 0 ? 1 : 0;
    }
    EXPECT_EQ(unplaced, 0);
    // Ink all along the line, glyph after glyph: no gap wider than a space.
    std::int32_t lastInk = -1;
    std::int32_t widestGap = 0;
    for (std::int32_t x = 2; x < kWidth; ++x) {
      bool ink = false;
      for (std::int32_t y = 30; y < 60 && !ink; ++y)
        ink = Pixel(x, y) != kBlack;
      if (!ink)
        continue;
      if (lastInk >= 0)
        widestGap = std::max(widestGap, x - lastInk - 1);
      lastInk = x;
    }
    EXPECT_GT(lastInk, kWidth - 10) << "the line runs past the window";
    EXPECT_LE(widestGap, 4);
  }
}

// The line box's top is at the text's position and its baseline the font
// renderer's ascent below, whatever renderer the application measures with.
TEST_F(GLRendererTextTest, TextSitsOnTheBaselineOfItsOwnFontRendererWithoutAnApplicationRenderer) {
  ASSERT_TRUE(kFontsPinned);
  mApp.mRenderer = nullptr;
  const RCPtr<LFont> font = LFont::GetFont(u"DejaVu Sans", 9.25f, 0);
  std::int32_t lineHeight = 0, ascent = 0, descent = 0;
  ASSERT_EQ(mRenderer->GetFontMetrics(font, lineHeight, ascent, descent), S_OK);
  ASSERT_LT(ascent, -5);
  Frame([&] { mRenderer->DrawText(u"HH", font, {20, 30}, kWhiteColor); });
  std::int32_t top = kHeight;
  std::int32_t bottom = -1;
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 15; x < 60; ++x)
      if (Pixel(x, y) != kBlack) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  EXPECT_EQ(bottom, 30 - ascent - 1) << "the capitals stand on the baseline";
  EXPECT_GE(top, 30) << "nothing above the line box";
}

TEST_F(GLRendererTextTest, TextWithoutAFontFileThrowsAndLeavesTheOriginWhereItWas) {
  ASSERT_TRUE(kFontsPinned);
  mApp.mSystemFontResult = E_FAIL; // no system family to fall back to
  const RCPtr<LFont> nowhere = LFont::GetFont(u"No Such Face Anywhere", 9, 0);
  mRenderer->RenderStart(mContext);
  mRenderer->Translate({5, 5});
  EXPECT_THROW(mRenderer->DrawText(u"x", nowhere, {20, 30}, kWhiteColor), std::runtime_error);
  EXPECT_EQ(mRenderer->GetCurrentState()->mOrigin, (PointT<double>{5, 5}));
  mRenderer->Translate({-5, -5});
  mRenderer->RenderFinish(mContext);
  Frame([&] { mRenderer->FillRect({0, 0, 2, 2}, kGreenColor, true); });
  ExpectPixels({{0, 0, kGreen}, {2, 2, kBlack}});
}

TEST(GLRendererStartup, FailuresShowTheBoxAndThrow) {
  test::ForceSoftwareGL();
  test::FakeFrameworkApp app;
  sShownBoxes.clear();
  const Platform::ErrorBoxHandler previous = Platform::SetErrorBoxHandler(&RecordBox);
  struct Case {
    Platform::GLStatus status;
    int line;
    const char* message; // null: no box
  };
  const Case cases[] = {{Platform::GLStatus::NoConfig, 146, "ChoosePixelFormat failed."},
                        {Platform::GLStatus::NoDisplay, 152, nullptr},
                        {Platform::GLStatus::InvalidParameter, 152, nullptr},
                        {Platform::GLStatus::NoSurface, 163, "SetPixelFormat failed."},
                        {Platform::GLStatus::NoContext, 173, "wglCreateContext failed."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    sShownBoxes.clear();
    SGLRendererServices services = OffscreenServices();
    services.mContextProvider = [&c](WindowHandle, const Platform::GLContextWants&, Platform::GLStatus* status) {
      *status = c.status;
      return std::unique_ptr<Platform::GLContext>();
    };
    int window = 0;
    EXPECT_EQ(ThrownText<std::runtime_error>([&] { (void)MakeRCPtr<LGLRenderer>(nullptr, &window, services); }),
              "Runtime Error : QZ::LGLRenderer::LGLRenderer : Renderer\\OpenGL\\GLRenderer : Line " +
                  std::to_string(c.line));
    if (c.message == nullptr) {
      EXPECT_TRUE(sShownBoxes.empty());
      continue;
    }
    ASSERT_EQ(sShownBoxes.size(), 1u);
    EXPECT_EQ(sShownBoxes[0].caption, "OpenGL Error");
    EXPECT_EQ(sShownBoxes[0].text, std::string(c.message) + " Update the driver.");
    EXPECT_EQ(sShownBoxes[0].style, Platform::kErrorBoxExclamation);
  }

  // The renderer's context draws only to its own window.
  sShownBoxes.clear();
  int window = 0;
  int other = 0;
  const RCPtr<LGLRenderer> renderer = MakeRCPtr<LGLRenderer>(nullptr, &window, OffscreenServices());
  RCPtr<LRenderContextInfo> context;
  EXPECT_EQ(ThrownText<std::runtime_error>([&] {
              (void)renderer->InitRenderContextInfo({0, 0, 10, 10}, &other, false, context);
            }),
            "Runtime Error : QZ::LGLRenderer::InitRenderContextInfo : Renderer\\OpenGL\\GLRenderer : Line 336");
  EXPECT_TRUE(context) << "the new context is kept";
  ASSERT_EQ(sShownBoxes.size(), 1u);
  EXPECT_EQ(sShownBoxes[0].text, "SetPixelFormat failed. Update the driver.");

  // Missing texts are empty.
  sShownBoxes.clear();
  SGLRendererServices bare;
  bare.mContextProvider = [](WindowHandle, const Platform::GLContextWants&, Platform::GLStatus* status) {
    *status = Platform::GLStatus::NoConfig;
    return std::unique_ptr<Platform::GLContext>();
  };
  EXPECT_THROW((void)MakeRCPtr<LGLRenderer>(nullptr, &window, bare), std::runtime_error);
  ASSERT_EQ(sShownBoxes.size(), 1u);
  EXPECT_EQ(sShownBoxes[0].caption, "");
  EXPECT_EQ(sShownBoxes[0].text, "");
  Platform::SetErrorBoxHandler(previous);
}

TEST(GLRendererCreate, TypeZeroMakesTheRendererWithOneGlyphRendererInBothSlots) {
  test::ForceSoftwareGL();
  ASSERT_TRUE(kFontsPinned);
  test::FakeFrameworkApp app;
  LGLRenderer::Register(OffscreenServices());
  int window = 0;
  const RCPtr<LRenderer> renderer = LRenderer::Create(kRendererTypeOpenGL, {0, 0, 10, 10}, &window);
  (void)LRenderer::RegisterBackEnd(kRendererTypeOpenGL, nullptr);
  ASSERT_TRUE(renderer);
  EXPECT_EQ(renderer->GetRendererType(), kRendererTypeOpenGL);
  const auto& gl = static_cast<const LGLRenderer&>(*renderer);
  ASSERT_TRUE(gl.GetFontRenderer());
  const RCPtr<LGlyphProcessor>& glyphs = gl.GetFontRenderer()->GetSecondProcessor();
  EXPECT_TRUE(dynamic_cast<LGLGlyphRenderer*>(glyphs.Get()) != nullptr);
  EXPECT_EQ(gl.GetFontRenderer()->GetFirstProcessor(), glyphs);
}

} // namespace
} // namespace QZ
