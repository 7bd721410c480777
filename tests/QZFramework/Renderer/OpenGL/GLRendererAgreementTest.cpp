// One small scripted scene drawn by both back ends, the OpenGL renderer into a
// headless context and the GDI+-role renderer into an in-memory window, and
// the same pixels read from both. Where the two back ends draw alike the
// pixels must be equal (and right); where they are meant to differ, the
// OpenGL pixels follow the OpenGL rule: whole tiles that only the scissor
// cuts, centring offsets truncated toward zero, pictures larger than their
// destination overhanging it.

#include "QZFramework/Renderer/OpenGL/GLRenderer.h"

#include "Platform/GL/ErrorBox.h"
#include "QZFramework/Renderer/FontRenderer/FreetypeFontRenderer.h"
#include "QZFramework/Renderer/Gdi/GDIRenderer.h"
#include "QZFramework/Renderer/OpenGL/GLGlyphRenderer.h"
#include "QZFramework/Renderer/OpenGL/GLRenderContextInfo.h"
#include "Support/GDIRendererTestSupport.h"
#include "Support/HeadlessGL.h"
#include "Support/PinnedFonts.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace QZ {
namespace {

const bool kFontsPinned = test::PinFonts();

constexpr std::int32_t kWidth = 320;
constexpr std::int32_t kHeight = 200;
constexpr std::uint32_t kBackground = 0x2B2E33;
constexpr std::uint32_t kPanel = 0x404850;
constexpr std::uint32_t kDisc = 0x3080D0;
constexpr std::uint32_t kButtonFace = 0x505860;
constexpr std::uint32_t kAfterClip = 0xC0A020;
constexpr std::uint32_t kListRed = 0xD03030;
constexpr std::uint32_t kListGreen = 0x30D030;
constexpr std::uint32_t kListBlue = 0x3030D0;
constexpr RectT<std::int32_t> kButton{10, 150, 90, 30};

Color C(std::uint32_t rgb) { return Color::FromARGB(0xFF000000u | rgb); }

// The 16 x 16 tile: opaque, and different in every pixel.
std::uint32_t Tile(std::int32_t x, std::int32_t y) {
  return std::uint32_t(0x20 + x * 12) << 16 | std::uint32_t(0x20 + y * 12) << 8 | 0x90u;
}

// The picture sheet: a disc with a soft edge at (0, 0), 24 x 24; the tile at
// (32, 0); other pictures' pixels elsewhere.
std::uint32_t SheetPixel(std::int32_t x, std::int32_t y) {
  if (x < 24 && y < 24)
    return (x - 12) * (x - 12) + (y - 12) * (y - 12) < 100 ? 0xFF000000u | kDisc : 0x40000000u | kDisc;
  if (x >= 32 && x < 48 && y < 16)
    return 0xFF000000u | Tile(x - 32, y);
  return 0xFF90A0B0u;
}

std::unique_ptr<PolylineT<float>> MakePolyline(std::initializer_list<PointT<float>> points, float width) {
  auto polyline = std::make_unique<PolylineT<float>>();
  for (const PointT<float>& p : points)
    polyline->AddItem(p);
  polyline->SetLineWidth(width);
  return polyline;
}

std::string Hex(std::uint32_t rgb) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%06X", rgb);
  return text;
}

std::vector<std::string> sShownBoxes;
void RecordBox(const std::string&, const std::string& text, std::uint32_t) { sShownBoxes.push_back(text); }

// A probe: the pixel the OpenGL renderer must show, and the one the GDI+-role
// renderer shows (none where its value is a filtered mix the test does not
// pin down).
struct SProbe {
  const char* what;
  std::int32_t x;
  std::int32_t y;
  std::uint32_t gl;
  std::optional<std::uint32_t> gdi;
  bool Agree() const { return gdi == gl; }
};

SProbe Same(const char* what, std::int32_t x, std::int32_t y, std::uint32_t rgb) { return {what, x, y, rgb, rgb}; }
SProbe Differ(const char* what, std::int32_t x, std::int32_t y, std::uint32_t gl,
              std::optional<std::uint32_t> gdi) {
  return {what, x, y, gl, gdi};
}

class GLRendererAgreement : public ::testing::Test {
protected:
  GLRendererAgreement()
      : mWindow(kWidth, kHeight, 0xFF000000), mFont(LFont::GetFont(WideString(u"DejaVu Sans"), 9.0f, 0)),
        mSheet(test::MakeBitmap(64, 32, SheetPixel)), mPicture(mSheet->CreateSubBitmap(0, 0, 24, 24)),
        mTile(mSheet->CreateSubBitmap(32, 0, 16, 16)), mTriangle(MakePolyline({{0, 0}, {20, 0}, {10, 15}}, 1.0f)),
        mZigzag(MakePolyline({{0, 0}, {10, 10}, {20, 0}, {30, 10}, {40, 0}}, 2.0f)),
        mGrid(MakePolyline({{0, 0}, {40, 0}, {0, 10}, {40, 10}, {0, 20}, {40, 20}}, 1.0f)) {
    // Scaled by 1.5, the edges land on halves: 7.5, 1.5 and 4.5 round away
    // from zero.
    mList.AddRect({0, 0, 8, 8}, 0xFF000000u | kListRed);
    mList.AddRect({5, 5, 8, 8}, 0xFF000000u | kListGreen);
    mList.AddRect({3, 1, 17, 3}, 0xFF000000u | kListBlue);
    mList.SetScale(1.5f, 1.5f);
  }

  void SetUp() override {
    ASSERT_TRUE(kFontsPinned);
    test::ForceSoftwareGL();
    sShownBoxes.clear();
    mPreviousBox = Platform::SetErrorBoxHandler(&RecordBox);

    mGdi = MakeRCPtr<LGDIRenderer>();
    RCPtr<LRenderContextInfo> context;
    ASSERT_EQ(mGdi->InitRenderContextInfo({0, 0, kWidth, kHeight}, &mWindow, false, context), S_OK);
    mGdiContext = DynamicCast<LGDIRenderContextInfo>(context);
    ASSERT_TRUE(mGdiContext);

    SGLRendererServices services;
    services.mContextProvider = [](WindowHandle, const Platform::GLContextWants& wants,
                                   Platform::GLStatus* status) {
      return Platform::CreateOffscreenGLContext(kWidth, kHeight, wants, status);
    };
    const RCPtr<LGlyphProcessor> glyphs = MakeRCPtr<LGLGlyphRenderer>();
    mGL = MakeRCPtr<LGLRenderer>(MakeRCPtr<LFreetypeFontRenderer>(glyphs, glyphs), &mGLWindow, services);
    ASSERT_EQ(mGL->InitRenderContextInfo({0, 0, kWidth, kHeight}, &mGLWindow, false, mGLContext), S_OK);
    ASSERT_TRUE(mGLContext);
    EXPECT_TRUE(sShownBoxes.empty());
  }

  void TearDown() override {
    mGLContext = nullptr;
    mGL = nullptr;
    mGdiContext = nullptr;
    mGdi = nullptr;
    Platform::SetErrorBoxHandler(mPreviousBox);
  }

  // The scene, the same calls for either back end: panel, picture, colour
  // rectangle list, centred and tiled pictures, some line work, and a button
  // drawn inside its clip.
  void DrawScene(const RCPtr<LRenderer>& renderer) {
    LRenderer& r = *renderer;
    r.FillRect({0, 0, kWidth, kHeight}, C(kBackground), true);
    r.FillAndFrameRect({10, 10, 90, 60}, C(kPanel), C(0x8A9099), 1.0f);
    r.DrawText(WideString(u"Scripted scene"), mFont, {20, 20}, C(0xE8E8E8));
    r.DrawBitmap(mPicture, {120, 10, 48, 36}, kResizeStretch);
    r.DrawColorRectList(mList, {200.0, 10.0}, true);

    r.DrawBitmap(mTile, {180, 50, 20, 24}, kResizeCentre); // even differences: (2, 4)
    r.DrawBitmap(mTile, {210, 50, 21, 21}, kResizeCentre); // odd: 2.5 each way
    r.DrawBitmap(mTile, {250, 50, 11, 11}, kResizeCentre); // larger, odd: -2.5
    r.DrawBitmap(mTile, {280, 50, 12, 12}, kResizeCentre); // larger, even: -2

    r.DrawBitmap(mTile, {110, 120, 40, 40}, kResizeTile); // single tiles, 2.5 across and down
    r.PushClip({0, 0, kWidth, kHeight}, {160, 120, 40, 40}, RCPtr<LStencil>(), false);
    r.DrawBitmap(mTile, {160, 120, 40, 40}, kResizeTile); // the same, clipped to its destination
    r.PopState();
    r.DrawBitmap(mTile, {0, 188, kWidth, 12}, kResizeTile); // twenty across: one texture fill

    r.FillPolygon(*mTriangle, C(0x5090F0), {20, 80}, {1, 1}, true);
    r.DrawPolygon(*mTriangle, C(0xF0F0F0), {50, 80}, {2, 2}, true);
    r.DrawPolyline(*mZigzag, C(0xD07070), {10, 120}, {1, 1}, true);
    r.DrawLines(*mGrid, C(0x70D070), {60, 115}, {1, 1}, true);

    {
      CAutoClip clip(renderer, {kButton.x, kButton.y, kButton.width, kButton.height},
                     {kButton.x, kButton.y, kButton.width, kButton.height}, RCPtr<LStencil>());
      r.FillRect({-20, -20, 200, 100}, C(kButtonFace), true); // larger than the button
      r.DrawText(WideString(u"Send"), mFont, {30, 10}, C(0xFFFFFF));
    }
    r.FillRect({300, 150, 10, 10}, C(kAfterClip), true);
  }

  void FrameGdi() {
    test::SetDirty(*mGdiContext, {{0, 0, kWidth, kHeight}});
    mGdi->RenderStart(mGdiContext);
    DrawScene(mGdi);
    mGdi->RenderFinish(mGdiContext);
  }

  void FrameGL() {
    mGL->RenderStart(mGLContext);
    DrawScene(mGL);
    mGL->RenderFinish(mGLContext);
  }

  std::uint32_t GdiPixel(std::int32_t x, std::int32_t y) const { return mWindow.GetPixel(x, y) & 0xFFFFFFu; }

  // 0xRRGGBB of the OpenGL window at (x, y), y from the top.
  std::uint32_t GLPixel(std::int32_t x, std::int32_t y) {
    Platform::GLContext& context = *static_cast<LGLRenderContextInfo*>(mGLContext.Get())->GetGLContext();
    EXPECT_TRUE(context.MakeCurrent());
    glFinish();
    std::uint8_t bgra[4] = {};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
    return std::uint32_t{bgra[0]} | std::uint32_t{bgra[1]} << 8 | std::uint32_t{bgra[2]} << 16;
  }

  test::FakeFrameworkApp mApp;
  Platform::MemoryWindow mWindow;
  int mGLWindow = 0;
  RCPtr<LGDIRenderer> mGdi;
  RCPtr<LGDIRenderContextInfo> mGdiContext;
  RCPtr<LGLRenderer> mGL;
  RCPtr<LRenderContextInfo> mGLContext;
  Platform::ErrorBoxHandler mPreviousBox = nullptr;

  RCPtr<LFont> mFont;
  RCPtr<LBitmap> mSheet;
  RCPtr<LBitmap> mPicture;
  RCPtr<LBitmap> mTile;
  ColorRectListT<float> mList;
  std::unique_ptr<PolylineT<float>> mTriangle;
  std::unique_ptr<PolylineT<float>> mZigzag;
  std::unique_ptr<PolylineT<float>> mGrid;
};

TEST_F(GLRendererAgreement, TheSceneShowsTheSamePixelsWhereBothBackEndsDrawAlike) {
  const std::uint32_t bg = kBackground;
  const std::vector<SProbe> probes = {
      Same("background", 2, 2, bg),
      Same("panel", 50, 55, kPanel),
      Same("stretched picture, inside the disc", 144, 28, kDisc),
      Same("stretched picture, inside the disc", 130, 28, kDisc),

      // The list's last rectangle is drawn first, so earlier ones lie on top.
      Same("list: first over second", 211, 21, kListRed),
      Same("list: first over third", 205, 12, kListRed),
      Same("list: first alone", 204, 12, kListRed),
      Same("list: second alone", 212, 22, kListGreen),
      Same("list: second, right edge at 20", 219, 29, kListGreen),
      Same("list: past the second", 220, 29, bg),
      Same("list: below the second", 219, 30, bg),
      Same("list: second's left edge 7.5 rounds to 8", 207, 25, bg),
      Same("list: third alone", 212, 12, kListBlue),
      Same("list: third's top edge 1.5 rounds to 2", 212, 11, bg),
      Same("list: third's height 4.5 rounds to 5", 212, 16, kListBlue),
      Same("list: below the third", 212, 17, bg),
      Same("list: third's last column", 230, 14, kListBlue),
      Same("list: past the third", 231, 14, bg),

      // Centred with even size differences: at (182, 54).
      Same("centred, first pixel", 182, 54, Tile(0, 0)),
      Same("centred, last pixel", 197, 69, Tile(15, 15)),
      Same("centred, left of it", 181, 54, bg),
      Same("centred, above it", 182, 53, bg),
      Same("centred, right of it", 198, 69, bg),
      Same("centred, below it", 197, 70, bg),
      // Larger than its destination by an even amount: inside the destination
      // both show the middle of the picture.
      Same("larger, even: destination corner", 280, 50, Tile(2, 2)),
      Same("larger, even: destination's last pixel", 291, 61, Tile(13, 13)),

      // Tiles from the destination's corner, 16 x 16 each.
      Same("tile (0, 0)", 110, 120, Tile(0, 0)),
      Same("tile (0, 0), last pixel", 125, 135, Tile(15, 15)),
      Same("tile (1, 1)", 126, 136, Tile(0, 0)),
      Same("last tile, inside the destination", 149, 159, Tile(7, 7)),
      Same("past the whole last tile", 158, 125, bg),
      // The clip cuts the whole tiles at the destination's edge.
      Same("clipped tiles: last pixel inside", 199, 159, Tile(7, 7)),
      Same("clipped tiles: right of the clip", 200, 159, bg),
      Same("clipped tiles: below the clip", 199, 160, bg),
      Same("clipped tiles: first pixel", 160, 120, Tile(0, 0)),
      // The strip tiles twenty times across from its own corner.
      Same("strip start", 0, 188, Tile(0, 0)),
      Same("strip", 17, 190, Tile(1, 2)),
      Same("strip, middle", 160, 195, Tile(0, 7)),
      Same("strip end", kWidth - 1, kHeight - 1, Tile(15, 11)),

      // The button's clip is the scissor box: a fill larger than the button
      // stays inside it.
      Same("button, top left", kButton.x, kButton.y, kButtonFace),
      Same("button, bottom right", kButton.x + kButton.width - 1, kButton.y + kButton.height - 1, kButtonFace),
      Same("left of the button", kButton.x - 1, 160, bg),
      Same("right of the button", kButton.x + kButton.width, 160, bg),
      Same("above the button", 50, kButton.y - 1, bg),
      Same("below the button", 50, kButton.y + kButton.height, bg),
      Same("drawn after the clip ended", 305, 155, kAfterClip),

      // Tiles are whole: the last column and row reach past the destination,
      // cut only by the scissor box; the GDI+-role renderer cuts them at the
      // destination.
      Differ("last column past the destination", 150, 120, Tile(8, 0), bg),
      Differ("last column, past the destination's corner", 157, 167, Tile(15, 15), bg),
      Differ("last row past the destination", 115, 162, Tile(5, 10), bg),
      // Centring offsets are truncated toward zero: (21 - 16) / 2 = 2, where
      // the other renderer places the picture at 2.5 and filters it.
      Differ("odd centring: first pixel", 212, 52, Tile(0, 0), std::nullopt),
      Differ("odd centring: last pixel", 227, 67, Tile(15, 15), std::nullopt),
      Differ("odd centring: left of it", 211, 60, bg, bg),
      Differ("odd centring: above it", 220, 51, bg, bg),
      // (11 - 16) / 2 = -2: the picture starts left of and above its
      // destination and overhangs it on every side.
      Differ("larger, odd: overhang's first pixel", 248, 48, Tile(0, 0), bg),
      Differ("larger, odd: destination corner", 250, 50, Tile(2, 2), std::nullopt),
      Differ("larger, odd: left of it", 247, 55, bg, bg),
      Differ("larger, odd: overhang's last pixel", 263, 63, Tile(15, 15), bg),
      Differ("larger, even: overhang left", 279, 50, Tile(1, 2), bg),
      Differ("larger, even: overhang right", 292, 61, Tile(14, 13), bg),
  };

  // A second frame draws from the back ends' caches: compiled lists,
  // uploaded textures, pre-rendered bitmaps.
  for (const int frame : {1, 2}) {
    SCOPED_TRACE(testing::Message() << "frame " << frame);
    FrameGdi();
    FrameGL();
    for (const SProbe& p : probes) {
      SCOPED_TRACE(testing::Message() << p.what << " (" << p.x << ", " << p.y << ")");
      const std::uint32_t gl = GLPixel(p.x, p.y);
      const std::uint32_t gdi = GdiPixel(p.x, p.y);
      if (p.Agree()) {
        EXPECT_EQ(Hex(gl), Hex(gdi)) << "both back ends draw this alike";
      }
      EXPECT_EQ(Hex(gl), Hex(p.gl));
      if (p.gdi) {
        EXPECT_EQ(Hex(gdi), Hex(*p.gdi));
      }
    }
  }
  EXPECT_EQ(mGL->GetBitmapTextures().GetKeyIndex().GetCount(), 1u) << "the picture and the tile share the sheet";
  EXPECT_TRUE(sShownBoxes.empty());
}

// The second scene: every kind of content of a skinned window once, drawn by
// both back ends and compared region by region. The back ends may differ
// where their rules do (antialiased frame lines, whole tiles, centring
// truncated, the text's baseline a pixel or two apart); what must hold in
// both: every line of text has ink where it was put, every picture shows (no
// white boxes, nothing for a bitmap without pixels), and an off-screen
// surface comes back with what was drawn into it.
class GLRendererScene : public GLRendererAgreement {
protected:
  static constexpr std::uint32_t kText = 0xF0F0F0;
  static constexpr std::uint32_t kClipped = 0xE08020;
  static constexpr std::uint32_t kRed = 0xFF0000;
  static constexpr std::uint32_t kGreen = 0x00FF00;

  // Picture sheets past the largest texture: the left half red, the rest green.
  static RCPtr<LBitmap> FilmStrip() {
    return test::MakeBitmap(16400, 4, [](std::int32_t x, std::int32_t) {
      return x < 8200 ? 0xFF000000u | kRed : 0xFF000000u | kGreen;
    });
  }

  void DrawSceneInto(const RCPtr<LRenderer>& renderer, const RCPtr<LRenderContextInfo>& surface) {
    LRenderer& r = *renderer;
    r.FillRect({0, 0, kWidth, kHeight}, C(kBackground), true);
    r.FillAndFrameRect({10, 10, 140, 40}, C(kPanel), C(0x8A9099), 1.0f);
    r.PushClip({0, 0, kWidth, kHeight}, {160, 10, 60, 30}, RCPtr<LStencil>(), false);
    r.FillRect({150, 0, 100, 60}, C(kClipped), true);
    r.PopState();
    r.DrawText(WideString(u"Scripted 12"), mLarge, {20, 60}, C(kText));
    r.DrawText(WideString(u"seven point text, all of it"), mSmall, {20, 100}, C(kText));
    r.DrawBitmap(mPicture, {170, 50, 48, 36}, kResizeStretch);
    r.DrawBitmap(mTile, {230, 50, 24, 24}, kResizeCentre);
    r.DrawBitmap(mTile, {260, 50, 40, 40}, kResizeTile);
    r.DrawBitmap(RCPtr<LBitmap>(new LBitmap), {10, 130, 30, 30}, kResizeStretch);
    r.DrawBitmap(mStrip, {50, 130, 100, 8}, kResizeStretch);

    test::SetDirty(*surface, {});
    r.RenderStart(surface);
    r.FillRect({0, 0, 20, 20}, C(kRed), true);
    r.FillRect({20, 0, 20, 20}, C(kGreen), true);
    r.RenderFinish(surface);
    EXPECT_EQ(r.DrawSurfacePart(surface, {170, 150}, {0, 0, 40, 20}), S_OK);
  }

  // 0xRRGGBB of every pixel, rows from the top.
  std::vector<std::uint32_t> ReadGL() {
    Platform::GLContext& context = *static_cast<LGLRenderContextInfo*>(mGLContext.Get())->GetGLContext();
    EXPECT_TRUE(context.MakeCurrent());
    glFinish();
    std::vector<std::uint32_t> rows(std::size_t(kWidth) * kHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_BGRA, GL_UNSIGNED_BYTE, rows.data());
    std::vector<std::uint32_t> pixels(rows.size());
    for (std::int32_t y = 0; y < kHeight; ++y)
      for (std::int32_t x = 0; x < kWidth; ++x)
        pixels[std::size_t(y) * kWidth + x] = rows[std::size_t(kHeight - 1 - y) * kWidth + x] & 0xFFFFFFu;
    EXPECT_TRUE(context.Release());
    return pixels;
  }
  std::vector<std::uint32_t> ReadGdi() const {
    std::vector<std::uint32_t> pixels(std::size_t(kWidth) * kHeight);
    for (std::int32_t y = 0; y < kHeight; ++y)
      for (std::int32_t x = 0; x < kWidth; ++x)
        pixels[std::size_t(y) * kWidth + x] = GdiPixel(x, y);
    return pixels;
  }

  // The box of the pixels that are not the background within the region;
  // width 0 when there are none.
  static RectT<std::int32_t> Ink(const std::vector<std::uint32_t>& pixels, const RectT<std::int32_t>& region) {
    std::int32_t left = kWidth, top = kHeight, right = -1, bottom = -1;
    for (std::int32_t y = region.y; y < region.y + region.height; ++y)
      for (std::int32_t x = region.x; x < region.x + region.width; ++x)
        if (pixels[std::size_t(y) * kWidth + x] != kBackground) {
          left = std::min(left, x);
          top = std::min(top, y);
          right = std::max(right, x);
          bottom = std::max(bottom, y);
        }
    return right < 0 ? RectT<std::int32_t>{} : RectT<std::int32_t>{left, top, right - left + 1, bottom - top + 1};
  }

  RCPtr<LFont> mLarge = LFont::GetFont(WideString(u"DejaVu Sans"), 12.0f, 0);
  RCPtr<LFont> mSmall = LFont::GetFont(WideString(u"DejaVu Sans"), 7.0f, 0);
  RCPtr<LBitmap> mStrip = FilmStrip();
};

TEST_F(GLRendererScene, EveryPartOfTheSceneShowsInBothBackEnds) {
  RCPtr<LRenderContextInfo> gdiSurface;
  ASSERT_EQ(mGdi->InitRenderContextInfo({0, 0, 40, 20}, nullptr, true, gdiSurface), S_OK);
  RCPtr<LRenderContextInfo> glSurface;
  ASSERT_EQ(mGL->InitRenderContextInfo({0, 0, 40, 20}, nullptr, true, glSurface), S_OK);

  test::SetDirty(*mGdiContext, {{0, 0, kWidth, kHeight}});
  mGdi->RenderStart(mGdiContext);
  DrawSceneInto(mGdi, gdiSurface);
  mGdi->RenderFinish(mGdiContext);
  mGL->RenderStart(mGLContext);
  DrawSceneInto(mGL, glSurface);
  mGL->RenderFinish(mGLContext);
  const std::vector<std::uint32_t> gl = ReadGL();
  const std::vector<std::uint32_t> gdi = ReadGdi();
  const auto at = [](const std::vector<std::uint32_t>& pixels, std::int32_t x, std::int32_t y) {
    return Hex(pixels[std::size_t(y) * kWidth + x]);
  };

  // Lines of text: ink in both, on the same line and from the same left edge;
  // the baselines may lie a pixel or two apart, nothing more.
  struct Line {
    const char* what;
    RectT<std::int32_t> region;
    std::int32_t minimumWidth;
  };
  for (const Line& line : {Line{"12 pt", {10, 52, 155, 40}, 60}, Line{"7 pt", {10, 94, 155, 30}, 100}}) {
    SCOPED_TRACE(line.what);
    const RectT<std::int32_t> glInk = Ink(gl, line.region);
    const RectT<std::int32_t> gdiInk = Ink(gdi, line.region);
    ASSERT_GT(gdiInk.width, line.minimumWidth);
    ASSERT_GT(glInk.width, line.minimumWidth) << "every glyph of the line drawn";
    EXPECT_NEAR(glInk.x, gdiInk.x, 2);
    EXPECT_NEAR(glInk.y, gdiInk.y, 3);
    EXPECT_NEAR(glInk.y + glInk.height, gdiInk.y + gdiInk.height, 3);
    EXPECT_NEAR(glInk.width, gdiInk.width, gdiInk.width / 8 + 2);
  }

  const std::string bg = Hex(kBackground);
  struct Probe {
    const char* what;
    std::int32_t x;
    std::int32_t y;
    std::uint32_t rgb;
  };
  const Probe probes[] = {
      {"panel", 80, 30, kPanel},
      {"inside the clip", 165, 15, kClipped},
      {"inside the clip, last pixel", 219, 39, kClipped},
      {"left of the clip", 155, 15, kBackground},
      {"below the clip", 200, 45, kBackground},
      {"stretched picture", 194, 68, kDisc},
      {"centred tile", 234, 54, Tile(0, 0)},
      {"centred tile, last pixel", 249, 69, Tile(15, 15)},
      {"tiled", 260, 50, Tile(0, 0)},
      {"tiled, second row", 277, 67, Tile(1, 1)},
      {"a bitmap without pixels: nothing", 25, 145, kBackground},
      {"film strip, left half", 60, 133, kRed},
      {"film strip, right half", 140, 133, kGreen},
      {"surface drawn back, red", 172, 152, kRed},
      {"surface drawn back, red, last pixel", 189, 169, kRed},
      {"surface drawn back, green", 190, 152, kGreen},
      {"surface drawn back, green, last pixel", 209, 169, kGreen},
      {"beside the surface", 210, 160, kBackground},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(testing::Message() << p.what << " (" << p.x << ", " << p.y << ")");
    EXPECT_EQ(at(gl, p.x, p.y), Hex(p.rgb));
    EXPECT_EQ(at(gdi, p.x, p.y), Hex(p.rgb));
  }
  // No white box anywhere: nothing in the scene is white.
  for (const std::vector<std::uint32_t>* pixels : {&gl, &gdi}) {
    EXPECT_EQ(std::count(pixels->begin(), pixels->end(), 0xFFFFFFu), 0) << (pixels == &gl ? "OpenGL" : "2D");
  }
  EXPECT_EQ(at(gl, 2, 2), bg);
  EXPECT_TRUE(sShownBoxes.empty());
}

} // namespace
} // namespace QZ
