#include "QZFramework/Renderer/OpenGL/GLGlyphRenderer.h"

#include "Support/HeadlessGL.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace QZ {
namespace {

using SGlyphRecord = LGlyphProcessor::SGlyphRecord;
using LCachedFont = LGLGlyphRenderer::LCachedFont;

RCPtr<LFont> Font(float size = 9.0f) { return LFont::GetFont(u"GlyphAtlasTest", size, 0); }

// A glyph of width x height pixels sitting on the baseline, every pixel value.
SGlyphRecord Glyph(char16_t character, std::int32_t width, std::int32_t height, unsigned char value = 0xFF,
                   std::int16_t advance = -1) {
  SGlyphRecord record;
  record.mCharacter = character;
  record.mGlyphIndex = character + 1000u;
  record.mBoxLeft = 0;
  record.mBoxTop = static_cast<std::int8_t>(-std::min(height, 127));
  record.mBoxRight = static_cast<std::int8_t>(std::min(width, 127));
  record.mBoxBottom = 0;
  record.SetAdvance(static_cast<std::int16_t>(advance >= 0 ? advance : (width + 1) * 64), 0);
  record.mBitmap = MakeRCPtr<LPixelBuffer<unsigned char>>(width, height, width);
  for (std::int32_t y = 0; y < height; ++y)
    for (std::int32_t x = 0; x < width; ++x)
      *record.mBitmap->GetPixelAddress(x, y) = value;
  return record;
}

class GLGlyphAtlasTest : public testing::Test {
protected:
  // Runs the glyphs as the font renderer would: ask, then hand over the glyph
  // with its bitmap only when the processor does not hold it.
  void Run(const RCPtr<LFont>& font, std::vector<SGlyphRecord> glyphs, std::int32_t flags = kGlyphRunMeasure) {
    ASSERT_EQ(mGlyphs->BeginRun(font, flags), S_OK);
    float pen = 0.0f;
    for (SGlyphRecord& g : glyphs) {
      SGlyphRecord record;
      record.mCharacter = g.mCharacter;
      const std::uint16_t wanted = mGlyphs->QueryGlyph(record);
      if (wanted != 0)
        record = g;
      else
        ++mCacheHits;
      record.mPenX = pen;
      mGlyphs->ProcessGlyph(record);
      pen += static_cast<float>(record.AdvanceX() >> 6);
    }
    ASSERT_EQ(mGlyphs->EndRun(), S_OK);
  }

  LCachedFont& Atlas(const RCPtr<LFont>& font) {
    RCPtr<LCachedFont>& slot = mGlyphs->GetAtlases().Get(font, false);
    return *slot;
  }

  LGlyphProcessor::SCachedGlyph Cached(const RCPtr<LFont>& font, char16_t character) {
    const LGlyphProcessor::SCachedGlyph* found = Atlas(font).GetGlyphs().Find(character);
    return found ? *found : LGlyphProcessor::SCachedGlyph{};
  }

  RCPtr<LGLGlyphRenderer> mGlyphs = MakeRCPtr<LGLGlyphRenderer>();
  std::int32_t mCacheHits = 0;
};

TEST_F(GLGlyphAtlasTest, ANinePointAtlasStarts512By16AndGrowsByPowersOfTwo) {
  const RCPtr<LFont> font = Font(9.0f);
  Run(font, {Glyph(u'a', 5, 7)});
  LCachedFont& atlas = Atlas(font);
  ASSERT_TRUE(atlas.GetPixels());
  EXPECT_EQ(atlas.GetPixels()->GetWidth(), 512);
  EXPECT_EQ(atlas.GetPixels()->GetStride(), 512);
  EXPECT_EQ(atlas.GetPixels()->GetHeight(), 16);
  EXPECT_EQ(atlas.GetShelfHeight(), 9) << "the first shelf is as high as the point size";

  // A cell ending exactly at row 16 fits; one row more doubles the image.
  Run(font, {Glyph(u'b', 3, 14)});
  EXPECT_EQ(atlas.GetPixels()->GetHeight(), 16);
  Run(font, {Glyph(u'c', 3, 15)});
  EXPECT_EQ(atlas.GetPixels()->GetHeight(), 32);
  Run(font, {Glyph(u'd', 3, 31)});
  EXPECT_EQ(atlas.GetPixels()->GetHeight(), 64);
  EXPECT_EQ(atlas.GetShelfTop(), 0) << "all on the first shelf";
  const float* dirty = atlas.GetDirtyRect();
  EXPECT_EQ(dirty[2], 512.0f) << "a grown image is dirty as a whole";
  EXPECT_EQ(dirty[3], 64.0f);
}

TEST_F(GLGlyphAtlasTest, GlyphsSitInBorderedCellsLeftToRightAndOnNewShelvesBelowTheTallest) {
  const RCPtr<LFont> font = Font(9.0f);
  std::vector<SGlyphRecord> glyphs;
  // Five cells of 102 columns end at 510; the sixth would end at 612.
  for (char16_t c = u'A'; c < u'A' + 6; ++c)
    glyphs.push_back(Glyph(c, 100, c == u'C' ? 20 : 10, static_cast<unsigned char>(c)));
  glyphs.push_back(Glyph(u'Z', 4, 30, 0x77));
  Run(font, glyphs);

  struct Expected {
    char16_t character;
    std::uint16_t x;
    std::uint16_t y;
  };
  // The first shelf is 22 high (the 20-row glyph's cell); the second starts
  // below it and counts its first glyph's cell.
  const Expected expected[] = {{u'A', 1, 1},   {u'B', 103, 1}, {u'C', 205, 1}, {u'D', 307, 1},
                               {u'E', 409, 1}, {u'F', 1, 23},  {u'Z', 103, 23}};
  for (const Expected& e : expected) {
    SCOPED_TRACE(static_cast<char>(e.character));
    const LGlyphProcessor::SCachedGlyph glyph = Cached(font, e.character);
    EXPECT_EQ(glyph.mCharacter, e.character);
    EXPECT_EQ(glyph.mAtlasX, e.x);
    EXPECT_EQ(glyph.mAtlasY, e.y);
  }
  LCachedFont& atlas = Atlas(font);
  EXPECT_EQ(atlas.GetShelfTop(), 22);
  EXPECT_EQ(atlas.GetShelfHeight(), 32);
  EXPECT_EQ(atlas.GetPixels()->GetHeight(), 64);

  // The pixels: the glyph inside its cell, the one-pixel border empty.
  const auto at = [&](std::int32_t x, std::int32_t y) { return *atlas.GetPixels()->GetPixelAddressConst(x, y); };
  EXPECT_EQ(at(1, 1), 'A');
  EXPECT_EQ(at(100, 10), 'A');
  EXPECT_EQ(at(101, 1), 0);
  EXPECT_EQ(at(1, 11), 0);
  EXPECT_EQ(at(103, 1), 'B');
  EXPECT_EQ(at(205, 20), 'C');
  EXPECT_EQ(at(1, 23), 'F');
  EXPECT_EQ(at(103, 52), 0x77);
  EXPECT_EQ(at(103, 53), 0);
}

TEST_F(GLGlyphAtlasTest, AGlyphSeenBeforeComesFromTheTableAndASpaceTakesATwoPixelCell) {
  const RCPtr<LFont> font = Font(12.0f);
  SGlyphRecord space = Glyph(u' ', 0, 0);
  space.mBoxTop = 0;
  space.SetAdvance(4 * 64, 0);
  Run(font, {Glyph(u'x', 6, 8), space, Glyph(u'y', 6, 8)});
  EXPECT_EQ(mCacheHits, 0);
  EXPECT_EQ(Cached(font, u' ').mAtlasX, 9) << "the space's cell is 2 x 2 after x's 8 columns";
  EXPECT_EQ(Cached(font, u'y').mAtlasX, 11);
  const std::int32_t cursor = Atlas(font).GetCursorX();

  Run(font, {Glyph(u'x', 6, 8), space, Glyph(u'y', 6, 8)});
  EXPECT_EQ(mCacheHits, 3);
  EXPECT_EQ(Atlas(font).GetCursorX(), cursor) << "nothing new placed";

  // The record is filled from the table.
  ASSERT_EQ(mGlyphs->BeginRun(font, kGlyphRunMeasure), S_OK);
  SGlyphRecord record;
  record.mCharacter = u'y';
  EXPECT_EQ(mGlyphs->QueryGlyph(record), 0);
  EXPECT_EQ(record.mGlyphIndex, u'y' + 1000u);
  EXPECT_EQ(record.mBoxRight, 6);
  EXPECT_EQ(record.mBoxTop, -8);
  EXPECT_EQ(record.AdvanceX(), 7 * 64);
  record.mCharacter = u'q';
  EXPECT_EQ(mGlyphs->QueryGlyph(record), kGlyphWantAll);
  ASSERT_EQ(mGlyphs->EndRun(), S_OK);

  // Outside a run nothing is held and nothing is done.
  EXPECT_EQ(mGlyphs->QueryGlyph(record), 0);
  mGlyphs->ProcessGlyph(Glyph(u'q', 3, 3));
  EXPECT_EQ(Cached(font, u'q').mCharacter, 0);
}

TEST_F(GLGlyphAtlasTest, AMeasuringRunsBoundsHoldTheOriginAndEndAtTheLastAdvance) {
  const RCPtr<LFont> font = Font(9.0f);
  SGlyphRecord descender = Glyph(u'g', 5, 9, 0xFF, 6 * 64 + 63);
  descender.mBoxTop = -6;
  descender.mBoxBottom = 3;
  Run(font, {Glyph(u'T', 7, 9), descender});
  const SGlyphBounds bounds = mGlyphs->GetBounds();
  EXPECT_EQ(bounds.mLeft, 0.0f);
  EXPECT_EQ(bounds.mTop, -9.0f);
  EXPECT_EQ(bounds.mRight, 8.0f + 6.0f) << "the last pen x plus its advance in whole pixels";
  EXPECT_EQ(bounds.mBottom, 3.0f);

  // A run without glyphs still holds the origin.
  Run(font, {});
  const SGlyphBounds empty = mGlyphs->GetBounds();
  EXPECT_EQ(empty.mLeft, 0.0f);
  EXPECT_EQ(empty.mRight, 0.0f);
}

TEST_F(GLGlyphAtlasTest, GlyphsThatCannotBePlacedAreKeptButNeverCopied) {
  const RCPtr<LFont> font = Font(9.0f);
  // Boxes are signed bytes: a glyph 300 pixels wide has a clamped box that
  // does not match its bitmap, and so has one clamped at -128.
  SGlyphRecord tooWide = Glyph(u'W', 300, 2, 0xFF, 10 * 64);
  SGlyphRecord clamped = Glyph(u'C', 4, 4);
  clamped.mBoxLeft = -128;
  Run(font, {tooWide, clamped, Glyph(u'a', 3, 3)});
  for (char16_t c : {u'W', u'C'}) {
    SCOPED_TRACE(static_cast<char>(c));
    const LGlyphProcessor::SCachedGlyph glyph = Cached(font, c);
    EXPECT_EQ(glyph.mCharacter, c) << "kept, so FreeType is not asked again";
    EXPECT_EQ(glyph.mAtlasX, 0);
    EXPECT_EQ(glyph.mAtlasY, 0);
  }
  EXPECT_EQ(Cached(font, u'a').mAtlasX, 1) << "the refused glyphs took no room";
  EXPECT_EQ(mGlyphs->GetBounds().mRight, 10.0f + 5.0f + 4.0f) << "they still advance the pen and the bounds";

  // A cell wider than a row is refused outright; 512 columns fit a new shelf.
  LCachedFont& atlas = Atlas(font);
  EXPECT_FALSE(atlas.Reserve(513, 2));
  EXPECT_TRUE(atlas.Reserve(512, 2));
  EXPECT_EQ(atlas.GetCursorX(), 0);

  // The image stops at 16384 rows: cells of 128 x 128, three to a shelf.
  const RCPtr<LFont> tall = Font(10.0f);
  std::vector<SGlyphRecord> glyphs;
  for (char16_t c = 0x100; c < 0x100 + 400; ++c)
    glyphs.push_back(Glyph(c, 126, 126, 0x5A));
  Run(tall, glyphs);
  LCachedFont& tallAtlas = Atlas(tall);
  EXPECT_EQ(tallAtlas.GetPixels()->GetHeight(), kGlyphAtlasMaxHeight);
  std::int32_t placed = 0;
  std::int32_t lowest = 0;
  for (char16_t c = 0x100; c < 0x100 + 400; ++c) {
    const LGlyphProcessor::SCachedGlyph glyph = Cached(tall, c);
    placed += glyph.mAtlasY != 0 ? 1 : 0;
    lowest = std::max<std::int32_t>(lowest, glyph.mAtlasY);
  }
  EXPECT_EQ(placed, 3 * (kGlyphAtlasMaxHeight / 128)) << "every shelf that fits, no more";
  EXPECT_EQ(lowest, kGlyphAtlasMaxHeight - 128 + 1);
  EXPECT_EQ(*tallAtlas.GetPixels()->GetPixelAddressConst(1, lowest + 125), 0x5A);
}

// One-bit renderings come out a column narrower than their boxes, or a row
// shorter: the bitmap is copied at its own size, the cell holds the box.
TEST_F(GLGlyphAtlasTest, ABitmapSmallerOrLargerThanItsBoxIsPlacedInACellThatHoldsBoth) {
  const RCPtr<LFont> font = Font(7.0f);
  SGlyphRecord narrow = Glyph(u'n', 4, 6, 0xFF);
  narrow.mBoxRight = 5; // the box one column wider than the bitmap
  SGlyphRecord shorter = Glyph(u's', 3, 4, 0xEE);
  shorter.mBoxTop = -5; // and one row taller
  SGlyphRecord wide = Glyph(u'w', 6, 3, 0xDD);
  wide.mBoxRight = 4; // the bitmap wider than its box
  Run(font, {narrow, shorter, wide, Glyph(u'a', 2, 2)});
  struct Expected {
    char16_t character;
    std::uint16_t x;
  };
  // Cells of 5 + 2, 3 + 2 and 6 + 2 columns from column 0.
  for (const Expected& e : {Expected{u'n', 1}, Expected{u's', 8}, Expected{u'w', 13}, Expected{u'a', 21}}) {
    SCOPED_TRACE(static_cast<char>(e.character));
    const LGlyphProcessor::SCachedGlyph glyph = Cached(font, e.character);
    EXPECT_EQ(glyph.mAtlasX, e.x);
    EXPECT_EQ(glyph.mAtlasY, 1);
  }
  const LPixelBuffer<unsigned char>& pixels = *Atlas(font).GetPixels();
  EXPECT_EQ(*pixels.GetPixelAddressConst(4, 6), 0xFF) << "the narrow bitmap's last pixel";
  EXPECT_EQ(*pixels.GetPixelAddressConst(5, 1), 0) << "the box's last column, empty";
  EXPECT_EQ(*pixels.GetPixelAddressConst(10, 4), 0xEE);
  EXPECT_EQ(*pixels.GetPixelAddressConst(10, 5), 0) << "the box's last row, empty";
  EXPECT_EQ(*pixels.GetPixelAddressConst(18, 3), 0xDD) << "the wide bitmap is copied whole";
  EXPECT_EQ(*pixels.GetPixelAddressConst(20, 1), 0) << "the border before the next cell";
}

TEST_F(GLGlyphAtlasTest, TheSeventeenthFontEvictsTheAtlasLeastRecentlyBegun) {
  std::vector<RCPtr<LFont>> fonts;
  for (int i = 0; i < 17; ++i)
    fonts.push_back(Font(20.0f + static_cast<float>(i)));
  for (int i = 0; i < 16; ++i)
    Run(fonts[i], {Glyph(u'a', 3, 3)});
  Run(fonts[0], {Glyph(u'a', 3, 3)}); // font 1 is now the least recently begun
  mCacheHits = 0;
  Run(fonts[16], {Glyph(u'a', 3, 3)});
  Run(fonts[0], {Glyph(u'a', 3, 3)});
  EXPECT_EQ(mCacheHits, 1) << "font 0's atlas stayed";
  Run(fonts[1], {Glyph(u'a', 3, 3)});
  EXPECT_EQ(mCacheHits, 1) << "font 1's atlas was made again from nothing";
}

// Uploading and drawing need a context.
class GLGlyphDrawTest : public GLGlyphAtlasTest {
protected:
  test::HeadlessGL mGL{64, 32};
};

TEST_F(GLGlyphDrawTest, DrawingRunsUploadNewGlyphsAndMeasuringRunsLeaveThemForTheNextDrawingRun) {
  ASSERT_TRUE(mGL.IsReady());
  const RCPtr<LFont> font = Font(9.0f);
  Run(font, {Glyph(u'a', 4, 4, 0x80)}, kGlyphRunMeasure);
  LCachedFont& atlas = Atlas(font);
  EXPECT_EQ(atlas.GetName(), -1) << "a measuring run uploads nothing";
  EXPECT_GT(atlas.GetDirtyRect()[2], 0.0f);

  Run(font, {}, kGlyphRunDefault | kGlyphRunKeepTexture);
  ASSERT_NE(atlas.GetName(), -1) << "the next run that keeps the texture uploads";
  EXPECT_EQ(atlas.GetDirtyRect()[2], 0.0f);
  EXPECT_EQ(atlas.GetTextureWidth(), 512.0f);
  EXPECT_EQ(atlas.GetTextureHeight(), 16.0f);
  std::vector<unsigned char> pixels(512 * 16);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(atlas.GetName()));
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_ALPHA, GL_UNSIGNED_BYTE, pixels.data());
  EXPECT_EQ(pixels[1 * 512 + 1], 0x80);
  EXPECT_EQ(pixels[4 * 512 + 4], 0x80);
  EXPECT_EQ(pixels[5 * 512 + 5], 0);
}

} // namespace
} // namespace QZ
