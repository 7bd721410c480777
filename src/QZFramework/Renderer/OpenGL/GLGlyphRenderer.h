#pragma once
// The OpenGL back end's glyph processor. For each font it keeps an atlas: one
// alpha texture 512 pixels wide into which every glyph of the font is copied
// once, packed left to right on shelves, each glyph in a cell with one empty
// pixel on every side. A glyph seen before costs no FreeType work: its box,
// advance and index come from the atlas's table and it is drawn as one
// textured quad with the current OpenGL colour. Runs that ask for bounds
// collect the rectangle of their glyph cells and the run origin.
//
// Invariants: an atlas is 512 wide and, once it has rows, a power of two high,
// at most 16384; cells never move while the atlas lives. A cell holds the
// glyph's box and its bitmap, copied at its own size into the box's corner,
// whichever is larger. A glyph whose cell cannot be placed (wider than a row,
// below the last row allowed) or whose box stands at the limits of its fields
// is kept in the table at atlas position (0, 0), which no placed glyph has,
// and is never drawn.
//
// Holds at most 16 atlases (least recently begun replaced). UI thread only,
// inside runs the font renderer brackets, with the OpenGL context current when
// a run draws or uploads; no locks.

#include "QZFramework/Renderer/FontRenderer/GlyphProcessor.h"
#include "QZFramework/Renderer/OpenGL/GLTexture.h"
#include "QZFramework/Utilities/Graphics/PurgableObjectCache.h"
#include "QZFramework/Utilities/Storage/HashedList.h"

#include <cstdint>

namespace QZ {

inline constexpr std::int32_t kGlyphAtlasWidth = 512;
inline constexpr std::int32_t kGlyphAtlasMaxHeight = 16384;
inline constexpr std::uint32_t kGlyphAtlasCount = 16;

class LGLGlyphRenderer : public LGlyphProcessor {
public:
  class LCachedFont : public LGLTexture {
  public:
    using GlyphTable = HashedList<SCachedGlyph, long, &SCachedGlyph::GetUniqueID, 8, &GetBits<8, 0, long>>;

    // An empty atlas whose first shelf is as high as the font's size in whole
    // points.
    explicit LCachedFont(const RCPtr<LFont>& font);

    // Makes room for a cell of width x height at the cursor, starting a new
    // shelf or growing the image as needed. False, with nothing changed, when
    // the cell cannot be had: wider than a row or reaching past the last row.
    bool Reserve(std::int32_t width, std::int32_t height);
    // Copies the bitmap with its top-left pixel at (x, y); rows and columns
    // outside the image are left out.
    void CopyGlyph(const LPixelBuffer<unsigned char>& bitmap, std::int32_t x, std::int32_t y);
    // Sends the whole image to the texture when part of it changed.
    void Upload();

    const RCPtr<LFont>& GetFont() const { return mFont; }
    std::int32_t GetCursorX() const { return mCursorX; }
    std::int32_t GetShelfTop() const { return mShelfTop; }
    std::int32_t GetShelfHeight() const { return mShelfHeight; }
    const RCPtr<LPixelBuffer<unsigned char>>& GetPixels() const { return mPixels; }
    // x, y, width, height of the part changed since the last upload.
    const float* GetDirtyRect() const { return mDirty; }
    GlyphTable& GetGlyphs() { return mGlyphs; }

  private:
    friend class LGLGlyphRenderer;

    RCPtr<LFont> mFont;
    std::int32_t mCursorX = 0;
    std::int32_t mShelfTop = 0;
    std::int32_t mShelfHeight = 0;
    RCPtr<LPixelBuffer<unsigned char>> mPixels;
    float mDirty[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    GlyphTable mGlyphs;
  };

  using AtlasCache = PurgableObjectCache<LCachedFont, ConstRCPtr<LFont>, std::int32_t, &LFont::GetUniqueID, 8,
                                         &GetBits<8, 4, std::int32_t>>;

  LGLGlyphRenderer();
  LGLGlyphRenderer(const LGLGlyphRenderer&) = delete;
  LGLGlyphRenderer& operator=(const LGLGlyphRenderer&) = delete;

  QZRESULT BeginRun(const RCPtr<LFont>& font, std::int32_t runFlags) override;
  QZRESULT EndRun() override;
  // 0 with the record filled when the atlas holds the character, all wanted
  // bits when not; 0 outside a run.
  std::uint16_t QueryGlyph(SGlyphRecord& record) override;
  void ProcessGlyph(const SGlyphRecord& record) override;
  SGlyphBounds GetBounds() const override { return mBounds; }

  // The atlas of the run in progress; null outside a run.
  const RCPtr<LCachedFont>& GetCurrentAtlas() const { return mCurrentAtlas; }
  AtlasCache& GetAtlases() { return mAtlases; }

protected:
  ~LGLGlyphRenderer() override;

private:
  // Reserves the new glyph's cell in the current atlas, copies its bitmap there
  // and records where in the current glyph.
  void PlaceGlyph(const LPixelBuffer<unsigned char>* bitmap);

  AtlasCache mAtlases;
  RCPtr<LCachedFont> mCurrentAtlas;
  SCachedGlyph mCurrentGlyph;
  SGlyphBounds mBounds;
  std::int32_t mRunFlags = 0;
};

} // namespace QZ
