#include "QZFramework/Renderer/FontRenderer/FreetypeFontRenderer.h"

#include "Platform/Fonts/FontFolders.h"
#include "QZFramework/Renderer/FontRenderer/FontFileBuilder.h"
#include "QZFramework/Renderer/FontRenderer/FontFileInfo.h"
#include "QZFramework/Renderer/RendererTestSupport.h"
#include "Support/FakeFrameworkApp.h"
#include "Support/FileTestSupport.h"
#include "Support/TempFolder.h"
#include "Support/ThrownText.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_GLYPH_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define QZ_TEST_HAS_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QZ_TEST_HAS_LSAN 1
#endif
#endif
#if defined(QZ_TEST_HAS_LSAN)
#include <sanitizer/lsan_interface.h>
#endif

namespace QZ {
namespace {

using namespace test;
using SGlyphRecord = LGlyphProcessor::SGlyphRecord;

constexpr const char* kNoFamilyError =
    "Runtime Error : QZ::LFontFileInfo::GetFileID : Renderer\\FontRenderer\\FontFileInfo : Line 469";
// Where fonts-dejavu-core puts its files.
const std::filesystem::path kDejaVuFolder = "/usr/share/fonts/truetype/dejavu";
constexpr char16_t kCJK = 0x4E00; // a character no DejaVu face has

// A glyph as the processor saw it, with a copy of its bitmap's rows.
struct SSeenGlyph {
  SGlyphRecord mRecord;
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;
  std::int32_t mStride = 0;
  std::vector<unsigned char> mPixels; // width x height, row by row
};

// Records every call; answers QueryGlyph with mWanted, except for the
// characters it holds, whose record it fills itself and answers 0. While the
// run asks for bounds, collects the union of the run origin and the glyph
// boxes on the pen.
class RecordingGlyphProcessor : public LGlyphProcessor {
public:
  struct SHeldGlyph {
    std::uint32_t mIndex = 0;
    std::int8_t mLeft = 0, mTop = 0, mRight = 0, mBottom = 0;
    std::int16_t mAdvance = 0;
  };

  QZRESULT BeginRun(const RCPtr<LFont>& font, std::int32_t runFlags) override {
    mCalls.push_back("BeginRun");
    mRunFont = font.Get();
    mRunFlags = runFlags;
    mGlyphs.clear();
    mBounds = {};
    return S_OK;
  }
  QZRESULT EndRun() override {
    mCalls.push_back("EndRun");
    return S_OK;
  }
  std::uint16_t QueryGlyph(SGlyphRecord& record) override {
    mQueried.push_back(static_cast<char16_t>(record.mCharacter));
    const auto held = mHeld.find(static_cast<char16_t>(record.mCharacter));
    if (held == mHeld.end())
      return mWanted;
    record.mGlyphIndex = held->second.mIndex;
    record.mBoxLeft = held->second.mLeft;
    record.mBoxTop = held->second.mTop;
    record.mBoxRight = held->second.mRight;
    record.mBoxBottom = held->second.mBottom;
    record.SetAdvance(held->second.mAdvance, 0);
    return 0;
  }
  void ProcessGlyph(const SGlyphRecord& record) override {
    SSeenGlyph seen;
    seen.mRecord = record;
    if (record.mBitmap) {
      seen.mWidth = record.mBitmap->GetWidth();
      seen.mHeight = record.mBitmap->GetHeight();
      seen.mStride = record.mBitmap->GetStride();
      for (std::int32_t y = 0; y < seen.mHeight; ++y)
        for (std::int32_t x = 0; x < seen.mWidth; ++x)
          seen.mPixels.push_back(*record.mBitmap->GetPixelAddressConst(x, y));
    }
    mGlyphs.push_back(seen);
    if ((mRunFlags & kGlyphRunBounds) == 0)
      return;
    const SGlyphBounds box{record.mPenX + record.mBoxLeft, -record.mPenY + record.mBoxTop,
                           record.mPenX + record.mBoxRight, -record.mPenY + record.mBoxBottom};
    mBounds.mLeft = std::min(mBounds.mLeft, box.mLeft);
    mBounds.mTop = std::min(mBounds.mTop, box.mTop);
    mBounds.mRight = std::max(mBounds.mRight, box.mRight);
    mBounds.mBottom = std::max(mBounds.mBottom, box.mBottom);
  }
  SGlyphBounds GetBounds() const override { return mBounds; }

  std::uint16_t mWanted = kGlyphWantAll;
  std::map<char16_t, SHeldGlyph> mHeld;

  std::vector<std::string> mCalls;
  std::vector<char16_t> mQueried;
  std::vector<SSeenGlyph> mGlyphs;
  const LFont* mRunFont = nullptr;
  std::int32_t mRunFlags = 0;
  SGlyphBounds mBounds;
};

// The same face read by FreeType directly, sized as the renderer sizes fonts.
class ReferenceFace {
public:
  ReferenceFace(const std::string& file, float points) {
    EXPECT_EQ(FT_Init_FreeType(&mLibrary), 0);
    EXPECT_EQ(FT_New_Face(mLibrary, (kDejaVuFolder / file).c_str(), 0, &mFace), 0);
    EXPECT_EQ(FT_Set_Char_Size(mFace, 0, static_cast<FT_F26Dot6>(points * 64.0f), 96, 96), 0);
  }
  ~ReferenceFace() {
    FT_Done_Face(mFace);
    FT_Done_FreeType(mLibrary);
  }
  ReferenceFace(const ReferenceFace&) = delete;
  ReferenceFace& operator=(const ReferenceFace&) = delete;

  FT_UInt Index(char16_t c) const { return FT_Get_Char_Index(mFace, c); }
  FT_Pos Advance(char16_t c) const {
    FT_Load_Glyph(mFace, Index(c), FT_LOAD_DEFAULT);
    return mFace->glyph->advance.x;
  }
  FT_Pos Kerning(char16_t left, char16_t right) const {
    FT_Vector delta{};
    FT_Get_Kerning(mFace, Index(left), Index(right), FT_KERNING_DEFAULT, &delta);
    return delta.x;
  }
  FT_BBox Box(char16_t c) const {
    FT_Load_Glyph(mFace, Index(c), FT_LOAD_DEFAULT);
    FT_Glyph glyph = nullptr;
    FT_Get_Glyph(mFace->glyph, &glyph);
    FT_BBox box{};
    FT_Glyph_Get_CBox(glyph, FT_GLYPH_BBOX_PIXELS, &box);
    FT_Done_Glyph(glyph);
    return box;
  }
  // Coverage bytes, width x rows, of the glyph rendered in the mode; one-bit
  // bitmaps expanded to 0x00 and 0xFF.
  std::vector<unsigned char> Render(char16_t c, FT_Render_Mode mode) const {
    FT_Load_Glyph(mFace, Index(c), FT_LOAD_DEFAULT);
    EXPECT_EQ(FT_Render_Glyph(mFace->glyph, mode), 0);
    const FT_Bitmap& bitmap = mFace->glyph->bitmap;
    std::vector<unsigned char> pixels;
    for (unsigned y = 0; y < bitmap.rows; ++y) {
      const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
      for (unsigned x = 0; x < bitmap.width; ++x) {
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO)
          pixels.push_back((row[x / 8] & (0x80 >> (x % 8))) != 0 ? 0xFF : 0x00);
        else
          pixels.push_back(row[x]);
      }
    }
    return pixels;
  }
  const FT_Size_Metrics& Metrics() const { return mFace->size->metrics; }

private:
  FT_Library mLibrary = nullptr;
  FT_Face mFace = nullptr;
};

// A fonts folder holding DejaVu Sans (regular and bold) and DejaVu Sans Mono
// only, the system font DejaVu Sans, and a renderer over them whose second
// processor records.
class FreetypeFontRendererTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(mFolder.Path().empty());
    for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSansMono.ttf"}) {
      if (!std::filesystem::exists(kDejaVuFolder / file))
        GTEST_SKIP() << "fonts-dejavu-core is not installed";
      std::filesystem::copy_file(kDejaVuFolder / file, mFolder.Path() / file);
    }
    Platform::SetFontFolderOverride({mFolder.Path().string()});
    mApp.mRenderer = mMetrics;
    mProcessor = MakeRCPtr<RecordingGlyphProcessor>();
    mRenderer =
        MakeRCPtr<LFreetypeFontRenderer>(RCPtr<LGlyphProcessor>(), RCPtr<LGlyphProcessor>(mProcessor.Get()));
  }
  void TearDown() override {
    mRenderer = nullptr;
    Platform::ClearFontFolderOverride();
  }

  std::int32_t Render(const std::u16string& text, const RCPtr<LFont>& font,
                      std::int32_t runFlags = kGlyphRunDrawText) {
    return mRenderer->RenderGlyphs(WideString(text.c_str()), font, RCPtr<LGlyphProcessor>(mProcessor.Get()), 0,
                                   0.0f, runFlags);
  }

  static RCPtr<LFont> Sans(float size, std::int32_t style = 0) {
    return LFont::GetFont(u"DejaVu Sans", size, style);
  }
  static RCPtr<LFont> Mono(float size) { return LFont::GetFont(u"DejaVu Sans Mono", size, 0); }

  TempFolder mFolder;
  FakeFrameworkApp mApp;
  RCPtr<RecordingRenderer> mMetrics = MakeRCPtr<RecordingRenderer>();
  RCPtr<RecordingGlyphProcessor> mProcessor;
  RCPtr<LFreetypeFontRenderer> mRenderer;
};

TEST_F(FreetypeFontRendererTest, MetricsFollowTheSizeMetricsAt96Dpi) {
  struct Case {
    const char* file;
    RCPtr<LFont> font;
  };
  const Case cases[] = {
      {"DejaVuSans.ttf", Sans(7.5f)},      {"DejaVuSans.ttf", Sans(9.0f)},
      {"DejaVuSans.ttf", Sans(12.0f)},     {"DejaVuSans-Bold.ttf", Sans(9.0f, kFontStyleBold)},
      {"DejaVuSansMono.ttf", Mono(20.5f)}, {"DejaVuSans.ttf", Sans(1.0f)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " at " + std::to_string(c.font->GetSize()));
    const ReferenceFace reference(c.file, c.font->GetSize());
    const FT_Size_Metrics& m = reference.Metrics();
    const auto ascent = static_cast<std::int32_t>(-(m.ascender >> 6));
    const auto descent = static_cast<std::int32_t>(-(m.descender >> 6));
    const std::int32_t lineHeight =
        std::max({static_cast<std::int32_t>(m.height >> 6),
                  static_cast<std::int32_t>(96.0f * c.font->GetSize() / 72.0f), descent - ascent});

    std::int32_t gotHeight = -1, gotAscent = -1, gotDescent = -1;
    ASSERT_EQ(mRenderer->GetFontMetrics(c.font, gotHeight, gotAscent, gotDescent), S_OK);
    EXPECT_EQ(gotAscent, ascent);
    EXPECT_EQ(gotDescent, descent);
    EXPECT_EQ(gotHeight, lineHeight);
    EXPECT_LT(gotAscent, 0);
    EXPECT_GT(gotDescent, 0);
  }
  // 12 points are 16 pixels at 96 dpi; DejaVu's line is taller.
  std::int32_t height = 0, ascent = 0, descent = 0;
  ASSERT_EQ(mRenderer->GetFontMetrics(Sans(12.0f), height, ascent, descent), S_OK);
  EXPECT_EQ(ascent, -15);
  EXPECT_EQ(descent, 4);
  EXPECT_EQ(height, 19);
}

TEST_F(FreetypeFontRendererTest, RendersOneBitBelowEightPointsAndAntiAliasedFrom) {
  struct Case {
    float size;
    FT_Render_Mode mode;
  };
  for (const Case& c : {Case{7.5f, FT_RENDER_MODE_MONO}, Case{7.99f, FT_RENDER_MODE_MONO},
                        Case{8.0f, FT_RENDER_MODE_NORMAL}, Case{14.0f, FT_RENDER_MODE_NORMAL}}) {
    SCOPED_TRACE(c.size);
    const ReferenceFace reference("DejaVuSans.ttf", c.size);
    ASSERT_EQ(Render(u"g", Sans(c.size)), 1);
    ASSERT_EQ(mProcessor->mGlyphs.size(), 1u);
    const SSeenGlyph& g = mProcessor->mGlyphs[0];
    ASSERT_TRUE(g.mRecord.mBitmap);
    EXPECT_EQ(g.mPixels, reference.Render(u'g', c.mode));
    bool grey = false;
    for (const unsigned char p : g.mPixels)
      grey = grey || (p != 0 && p != 0xFF);
    EXPECT_EQ(grey, c.mode == FT_RENDER_MODE_NORMAL);
    if (c.mode == FT_RENDER_MODE_MONO) {
      EXPECT_EQ(g.mStride, g.mWidth);
    } else {
      EXPECT_GE(g.mStride, g.mWidth);
    }

    const FT_BBox box = reference.Box(u'g');
    EXPECT_EQ(g.mRecord.mBoxLeft, box.xMin);
    EXPECT_EQ(g.mRecord.mBoxTop, -box.yMax);
    EXPECT_EQ(g.mRecord.mBoxRight, box.xMax);
    EXPECT_EQ(g.mRecord.mBoxBottom, -box.yMin);
    EXPECT_EQ(g.mRecord.AdvanceX(), reference.Advance(u'g'));
    EXPECT_EQ(g.mRecord.AdvanceY(), 0);
    EXPECT_EQ(g.mRecord.mGlyphIndex, reference.Index(u'g'));
  }
}

TEST_F(FreetypeFontRendererTest, ARunBracketsItsGlyphsAndSkipsCharactersWithoutOne) {
  const RCPtr<LFont> font = Mono(12.0f);
  const ReferenceFace reference("DejaVuSansMono.ttf", 12.0f);
  const float advance = static_cast<float>(reference.Advance(u'A')) / 64.0f;

  EXPECT_EQ(Render(std::u16string(u"A") + kCJK + u"BC", font, 15), 4);
  EXPECT_EQ((std::vector<std::string>{"BeginRun", "EndRun"}), mProcessor->mCalls);
  EXPECT_EQ(mProcessor->mRunFont, font.Get());
  EXPECT_EQ(mProcessor->mRunFlags, 15);
  EXPECT_EQ(mProcessor->mQueried, (std::vector<char16_t>{u'A', kCJK, u'B', u'C'}));
  ASSERT_EQ(mProcessor->mGlyphs.size(), 3u);
  // The character without a glyph takes no room and leaves the position alone.
  const std::int32_t positions[] = {0, 1, 3};
  const char16_t characters[] = {u'A', u'B', u'C'};
  for (std::size_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const SGlyphRecord& r = mProcessor->mGlyphs[i].mRecord;
    EXPECT_EQ(r.mCharacter, characters[i]);
    EXPECT_EQ(r.mPosition, positions[i]);
    EXPECT_FLOAT_EQ(r.mPenX, advance * static_cast<float>(i));
    EXPECT_EQ(r.mPenY, 0.0f);
  }

  // A run that ends on a character without a glyph returns the index after the
  // last one handled.
  EXPECT_EQ(Render(std::u16string(u"AB") + kCJK, font), 2);

  mProcessor->mCalls.clear();
  EXPECT_EQ(Render(u"", font), 0);
  EXPECT_EQ((std::vector<std::string>{"BeginRun", "EndRun"}), mProcessor->mCalls);
  EXPECT_TRUE(mProcessor->mGlyphs.empty());
}

TEST_F(FreetypeFontRendererTest, KerningAndTheFirstGlyphShiftOnlyForFacesWithKerning) {
  struct Case {
    const char* file;
    RCPtr<LFont> font;
    bool kerned;
  };
  for (const Case& c :
       {Case{"DejaVuSans.ttf", Sans(12.0f), true}, Case{"DejaVuSansMono.ttf", Mono(12.0f), false}}) {
    SCOPED_TRACE(c.file);
    const ReferenceFace reference(c.file, 12.0f);
    ASSERT_EQ(Render(u"AV", c.font), 2);
    ASSERT_EQ(mProcessor->mGlyphs.size(), 2u);
    const FT_Pos kerning = reference.Kerning(u'A', u'V');
    const float expected = static_cast<float>(reference.Advance(u'A') + (c.kerned ? kerning : 0)) / 64.0f;
    EXPECT_FLOAT_EQ(mProcessor->mGlyphs[1].mRecord.mPenX, expected);
    if (c.kerned) {
      EXPECT_LT(kerning, 0);
    }
  }

  // DejaVu Sans 'j' and DejaVu Sans Mono 'Ĳ' both reach left of the pen at 12 points.
  ASSERT_EQ(Render(u"jj", Sans(12.0f)), 2);
  const SGlyphRecord& first = mProcessor->mGlyphs[0].mRecord;
  ASSERT_LT(first.mBoxLeft, 0);
  EXPECT_FLOAT_EQ(first.mPenX, static_cast<float>(-first.mBoxLeft));
  // Only the first glyph moves.
  EXPECT_FLOAT_EQ(mProcessor->mGlyphs[1].mRecord.mPenX,
                  first.mPenX + static_cast<float>(first.AdvanceX()) / 64.0f +
                      static_cast<float>(ReferenceFace("DejaVuSans.ttf", 12.0f).Kerning(u'j', u'j')) / 64.0f);

  ASSERT_EQ(Render(u"\u0132", Mono(12.0f)), 1);
  ASSERT_LT(mProcessor->mGlyphs[0].mRecord.mBoxLeft, 0);
  EXPECT_EQ(mProcessor->mGlyphs[0].mRecord.mPenX, 0.0f);
}

TEST_F(FreetypeFontRendererTest, WhatTheProcessorAsksForIsWhatItGets) {
  const RCPtr<LFont> font = Mono(12.0f);
  const ReferenceFace reference("DejaVuSansMono.ttf", 12.0f);
  struct Case {
    std::uint16_t wanted;
    bool box;
    bool bitmap;
  };
  for (const Case& c : {Case{kGlyphWantLoad, false, false}, Case{kGlyphWantBox, true, false},
                        Case{kGlyphWantBitmap, true, true}, Case{kGlyphWantAll, true, true}}) {
    SCOPED_TRACE(c.wanted);
    mProcessor->mWanted = c.wanted;
    ASSERT_EQ(Render(u"g", font), 1);
    ASSERT_EQ(mProcessor->mGlyphs.size(), 1u);
    const SGlyphRecord& r = mProcessor->mGlyphs[0].mRecord;
    EXPECT_EQ(r.mGlyphIndex, reference.Index(u'g'));
    EXPECT_EQ(r.AdvanceX(), reference.Advance(u'g'));
    EXPECT_EQ(r.mBoxBottom != 0, c.box);
    EXPECT_EQ(static_cast<bool>(r.mBitmap), c.bitmap);
  }
}

TEST_F(FreetypeFontRendererTest, AGlyphTheProcessorHoldsCostsNoLookup) {
  const RCPtr<LFont> font = Mono(12.0f);
  const ReferenceFace reference("DejaVuSansMono.ttf", 12.0f);
  // Held: 'A' under a made-up index, box and advance of 10 pixels; 'B' with
  // index 0, which skips it like a character without a glyph.
  mProcessor->mHeld[u'A'] = {9999, -2, -9, 7, 1, 640};
  mProcessor->mHeld[u'B'] = {0, 0, 0, 0, 0, 640};

  EXPECT_EQ(Render(u"ABC", font), 3);
  ASSERT_EQ(mProcessor->mGlyphs.size(), 2u);
  const SGlyphRecord& held = mProcessor->mGlyphs[0].mRecord;
  EXPECT_EQ(held.mGlyphIndex, 9999u);
  EXPECT_EQ(held.mBoxLeft, -2);
  EXPECT_EQ(held.mBoxBottom, 1);
  EXPECT_FALSE(held.mBitmap);
  // No shift: the face has no kerning.
  EXPECT_EQ(held.mPenX, 0.0f);
  const SGlyphRecord& loaded = mProcessor->mGlyphs[1].mRecord;
  EXPECT_EQ(loaded.mCharacter, u'C');
  EXPECT_EQ(loaded.mPosition, 1);
  EXPECT_FLOAT_EQ(loaded.mPenX, 10.0f);
  EXPECT_EQ(loaded.mGlyphIndex, reference.Index(u'C'));
  EXPECT_TRUE(loaded.mBitmap);
}

TEST_F(FreetypeFontRendererTest, MeasuredBoxWidensTheGlyphBoundsToTheFontsLine) {
  struct Case {
    float size;
    std::u16string text;
    std::int32_t ascent;
    std::int32_t descent;
  };
  // Each case a size of its own: fonts keep the metrics they resolved first.
  const Case cases[] = {
      {13.25f, u"Hxg", -100, 50}, // the line is taller than the glyphs on both sides
      {13.5f, u"Hxg", -1, 0},     // the glyphs are taller than the line
      {13.75f, u"", -12, 4},      // nothing drawn: the line alone, from the origin
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size);
    mMetrics->mAscent = c.ascent;
    mMetrics->mDescent = c.descent;
    const RectT<float> box = mRenderer->MeasureText(WideString(c.text.c_str()), Sans(c.size));
    EXPECT_EQ(mProcessor->mRunFlags, kGlyphRunMeasure);
    const SGlyphBounds b = mRenderer->GetMeasuredBounds();
    EXPECT_EQ(box.x, b.mLeft);
    EXPECT_EQ(box.y, std::min(b.mTop, static_cast<float>(c.ascent)));
    EXPECT_EQ(box.width, b.mRight + 1.0f - b.mLeft);
    EXPECT_EQ(box.height, std::max(b.mBottom, static_cast<float>(c.descent)) - box.y);
    // The box holds the origin and the font's whole line.
    EXPECT_LE(box.x, 0.0f);
    EXPECT_LE(box.y, static_cast<float>(c.ascent));
    EXPECT_GE(box.height, static_cast<float>(c.descent - c.ascent));
  }
  EXPECT_EQ(mProcessor->mBounds.mTop, mRenderer->GetMeasuredBounds().mTop);

  // Without a second processor there are no bounds.
  const RCPtr<LFreetypeFontRenderer> bare =
      MakeRCPtr<LFreetypeFontRenderer>(RCPtr<LGlyphProcessor>(mProcessor.Get()), RCPtr<LGlyphProcessor>());
  const SGlyphBounds none = bare->GetMeasuredBounds();
  EXPECT_EQ(none.mLeft, 0.0f);
  EXPECT_EQ(none.mBottom, 0.0f);
}

TEST_F(FreetypeFontRendererTest, CaretPositionsAreEveryPrefixsMeasureFromOneRun) {
  // A kerning pair, a character outside the BMP (no glyph: two skipped units), a blank.
  const std::u16string text = u"AVa\U0001F600 Wg";
  const RCPtr<LFont> font = Sans(12);
  mProcessor->mCalls.clear();
  std::vector<float> positions;
  mRenderer->MeasureCaretPositions(WideString(text.c_str()), font, positions);
  EXPECT_EQ(std::count(mProcessor->mCalls.begin(), mProcessor->mCalls.end(), "BeginRun"), 1) << "one run";
  ASSERT_EQ(positions.size(), text.size() + 1);
  EXPECT_EQ(positions[0], 0.0f);
  for (std::size_t i = 1; i <= text.size(); ++i) {
    SCOPED_TRACE(i);
    if (i == 4) {
      EXPECT_EQ(positions[i], LMeasurementRenderer::kNoCaretStop) << "inside the pair";
      continue;
    }
    const RectT<float> box = mRenderer->MeasureText(WideString(text.substr(0, i).c_str()), font);
    EXPECT_EQ(positions[i], box.x + box.width);
  }
  mRenderer->MeasureCaretPositions(WideString(), font, positions);
  EXPECT_EQ(positions, std::vector<float>{0.0f});
}

TEST_F(FreetypeFontRendererTest, AnAbsentFaceFallsBackToTheSystemFontElseThrows) {
  const RCPtr<LFont> absent = LFont::GetFont(u"No Such Face", 12.0f, 0);
  std::int32_t height = -7, ascent = -7, descent = -7;
  ASSERT_EQ(mRenderer->GetFontMetrics(absent, height, ascent, descent), S_OK);
  EXPECT_EQ(ascent, -15);
  EXPECT_EQ(Render(u"ab", absent), 2);

  const RCPtr<LFont> alsoAbsent = LFont::GetFont(u"No Such Face Either", 12.0f, 0);
  mApp.mSystemFace = u"Not Installed";
  height = ascent = descent = -7;
  EXPECT_EQ(ThrownText<std::runtime_error>(
                [&] { (void)mRenderer->GetFontMetrics(alsoAbsent, height, ascent, descent); }),
            kNoFamilyError);
  EXPECT_EQ(height, -7);
  mProcessor->mCalls.clear();
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { (void)Render(u"ab", alsoAbsent); }), kNoFamilyError);
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { (void)mRenderer->MeasureText(WideString(u"ab"), alsoAbsent); }),
            kNoFamilyError);
  EXPECT_TRUE(mProcessor->mCalls.empty());
}

TEST_F(FreetypeFontRendererTest, ASizeThatCannotBeLookedUpFailsWithoutARun) {
  // A family whose only file FreeType cannot open (a naming table and nothing else).
  WriteBytes(mFolder.File("broken.ttf"), Font(FamilyAndStyle(u"Broken", u"Regular")));
  mRenderer = nullptr;
  mRenderer = MakeRCPtr<LFreetypeFontRenderer>(RCPtr<LGlyphProcessor>(), RCPtr<LGlyphProcessor>(mProcessor.Get()));

  struct Case {
    const char* name;
    RCPtr<LFont> font;
  };
  for (const Case& c : {Case{"no face", LFont::GetFont(u"Broken", 12.0f, 0)}, Case{"size 0", Sans(0.0f)},
                        Case{"negative size", Sans(-3.0f)}, Case{"huge size", Sans(1e30f)}}) {
    SCOPED_TRACE(c.name);
    std::int32_t height = -7, ascent = -7, descent = -7;
    EXPECT_EQ(mRenderer->GetFontMetrics(c.font, height, ascent, descent), E_FAIL);
    EXPECT_EQ(height, -7);
    EXPECT_EQ(ascent, -7);
    EXPECT_EQ(descent, -7);
    mProcessor->mCalls.clear();
    EXPECT_EQ(Render(u"ab", c.font), 0);
    EXPECT_TRUE(mProcessor->mCalls.empty());
  }
  // The faces that open still work alongside.
  EXPECT_EQ(Render(u"ab", Sans(12.0f)), 2);
}

// At 40000 points a tall, narrow glyph still loads (its advance fits
// FreeType's glyph copy) but reaches beyond the rasterisers' 16-bit coordinate
// range, so it renders in neither mode: it is left out, the run goes on, and
// the glyph loaded for it is released.
TEST_F(FreetypeFontRendererTest, AGlyphThatRendersInNeitherModeIsSkippedAndReleased) {
  const RCPtr<LFont> huge = Sans(40000.0f);
  EXPECT_EQ(Render(u"(l|I(l|I", huge), 8);
  EXPECT_EQ((std::vector<std::string>{"BeginRun", "EndRun"}), mProcessor->mCalls);
  EXPECT_TRUE(mProcessor->mGlyphs.empty());
  // Loading alone (no bitmap) still works at that size, with the box at the
  // limits of its fields.
  mProcessor->mWanted = kGlyphWantBox;
  EXPECT_EQ(Render(u"l", huge), 1);
  ASSERT_EQ(mProcessor->mGlyphs.size(), 1u);
  EXPECT_EQ(mProcessor->mGlyphs[0].mRecord.mBoxTop, -128);
  EXPECT_EQ(mProcessor->mGlyphs[0].mRecord.mBoxRight, 127);
  EXPECT_EQ(mProcessor->mGlyphs[0].mRecord.AdvanceX(), 32767);
#if defined(QZ_TEST_HAS_LSAN)
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "FreeType glyphs leaked";
#endif
}

// A second renderer rescans the fonts folder, which renumbers the files: the
// faces the shared cache opened under the old ids must not answer for the new.
TEST_F(FreetypeFontRendererTest, RenderersShareFreeTypeUntilTheLastOneGoes) {
  // DejaVu Sans regular is file id 0 here, and its face is now open.
  ASSERT_EQ(Render(u"i", Sans(12.0f)), 1);
  ASSERT_EQ(LFontFileInfo::GetFileID(Sans(12.0f)), 0);

  // In a folder with DejaVu Sans Mono only, id 0 is DejaVu Sans Mono.
  TempFolder monoOnly;
  std::filesystem::copy_file(kDejaVuFolder / "DejaVuSansMono.ttf", monoOnly.Path() / "DejaVuSansMono.ttf");
  Platform::SetFontFolderOverride({monoOnly.Path().string()});
  RCPtr<LFreetypeFontRenderer> second =
      MakeRCPtr<LFreetypeFontRenderer>(RCPtr<LGlyphProcessor>(), RCPtr<LGlyphProcessor>(mProcessor.Get()));
  ASSERT_EQ(LFontFileInfo::GetFileID(Mono(12.0f)), 0);
  mRenderer = nullptr;

  const ReferenceFace mono("DejaVuSansMono.ttf", 12.0f);
  EXPECT_EQ(second->RenderGlyphs(WideString(u"ii"), Mono(12.0f), RCPtr<LGlyphProcessor>(mProcessor.Get()), 0, 0.0f,
                                 kGlyphRunDrawText),
            2);
  ASSERT_EQ(mProcessor->mGlyphs.size(), 2u);
  EXPECT_EQ(mProcessor->mGlyphs[0].mRecord.AdvanceX(), mono.Advance(u'i'));
  EXPECT_EQ(mProcessor->mGlyphs[0].mRecord.mGlyphIndex, mono.Index(u'i'));
  std::int32_t height = 0, ascent = 0, descent = 0;
  EXPECT_EQ(second->GetFontMetrics(Mono(12.0f), height, ascent, descent), S_OK);
  EXPECT_GT(LFontFileInfo::GetFileInfoCount(), 0u);

  // The last renderer shuts FreeType down and empties the font-file list.
  second = nullptr;
  EXPECT_EQ(LFontFileInfo::GetFileInfoCount(), 0u);
}

} // namespace
} // namespace QZ
