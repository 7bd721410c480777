#pragma once
// What a font renderer hands its glyphs to, one by one: the OpenGL glyph
// renderer draws and caches them, a measuring run only collects their bounds.
// A run is bracketed by BeginRun and EndRun (also when every character is
// skipped). For each character the font renderer asks QueryGlyph what it needs
// to look up; a processor that already holds the glyph answers 0 and fills the
// record's box, advance and glyph index itself, and FreeType is then not asked
// about it at all.
//
// The record belongs to the font renderer; a processor that wants to keep the
// glyph's bitmap keeps its own reference to it. UI thread only; no locks.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Utilities/Graphics/PixelBuffer.h"

#include <cstdint>

namespace QZ {

// Run flags, the second argument of BeginRun. Measuring passes 3, drawing 15.
inline constexpr std::int32_t kGlyphRunDefault = 1;     // set by every caller
inline constexpr std::int32_t kGlyphRunBounds = 2;      // accumulate the bounds of the run
inline constexpr std::int32_t kGlyphRunKeepTexture = 4; // keep the glyph texture uploaded
inline constexpr std::int32_t kGlyphRunDraw = 8;        // draw the glyphs
inline constexpr std::int32_t kGlyphRunMeasure = kGlyphRunDefault | kGlyphRunBounds;
inline constexpr std::int32_t kGlyphRunDrawText = kGlyphRunMeasure | kGlyphRunKeepTexture | kGlyphRunDraw;

// Wanted-data bits, the answer of QueryGlyph. 0: the processor holds the glyph
// and has filled the record; any other value has the glyph looked up and loaded.
inline constexpr std::uint16_t kGlyphWantLoad = 1;
inline constexpr std::uint16_t kGlyphWantBox = 2;
inline constexpr std::uint16_t kGlyphWantBitmap = 4; // the box is computed as well
inline constexpr std::uint16_t kGlyphWantAll = kGlyphWantLoad | kGlyphWantBox | kGlyphWantBitmap;

// Edges of a rectangle in pixels, y growing downwards.
struct SGlyphBounds {
  float mLeft = 0.0f;
  float mTop = 0.0f;
  float mRight = 0.0f;
  float mBottom = 0.0f;
};

class LGlyphProcessor : public virtual LRefCountedObject {
public:
  // One character of a run as the font renderer and the processor share it.
  struct SGlyphRecord {
    // The run's start position at first; after each character that reached
    // loading, the index of the character after it.
    std::int32_t mPosition = 0;
    // The UTF-16 code unit being drawn.
    std::int32_t mCharacter = 0;
    // Pen position in pixels from the run origin; x includes this glyph's
    // kerning, y is positive up (FreeType's direction) and stays 0 for
    // horizontal fonts.
    float mPenX = 0.0f;
    float mPenY = 0.0f;
    // The glyph's pixel box relative to the pen on the baseline, y down:
    // left = xMin, top = -yMax, right = xMax, bottom = -yMin.
    std::int8_t mBoxLeft = 0;
    std::int8_t mBoxTop = 0;
    std::int8_t mBoxRight = 0;
    std::int8_t mBoxBottom = 0;
    // Low 16 bits the horizontal advance, high 16 bits the vertical one, both
    // signed in 1/64 pixel (see AdvanceX, AdvanceY).
    std::uint32_t mAdvance = 0;
    // The face's glyph index; 0 is none.
    std::uint32_t mGlyphIndex = 0;
    // One byte of coverage per pixel; null unless the bitmap was asked for.
    RCPtr<LPixelBuffer<unsigned char>> mBitmap;
    // The ascent of the run's font as the font renderer sizes it, in whole
    // pixels, negative: the baseline lies this far below the top of the line
    // box. Set once per run, before the first glyph; a processor places text
    // by it rather than by the font's own metrics, which come from whichever
    // renderer the application draws with.
    std::int32_t mLineAscent = 0;

    // The advances in 1/64 pixel.
    std::int16_t AdvanceX() const { return static_cast<std::int16_t>(mAdvance & 0xFFFFu); }
    std::int16_t AdvanceY() const { return static_cast<std::int16_t>(mAdvance >> 16); }
    void SetAdvance(std::int16_t x, std::int16_t y) {
      mAdvance = static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16 | static_cast<std::uint16_t>(x);
    }
  };

  // A glyph as a processor keeps it, keyed by its character: box, advance and
  // index as in the glyph record, and where its pixels sit in the processor's
  // atlas.
  struct SCachedGlyph {
    // The UTF-16 code unit; 0 is no glyph.
    std::int32_t mCharacter = 0;
    std::uint32_t mGlyphIndex = 0;
    std::int8_t mBoxLeft = 0;
    std::int8_t mBoxTop = 0;
    std::int8_t mBoxRight = 0;
    std::int8_t mBoxBottom = 0;
    // Packed as SGlyphRecord::mAdvance.
    std::int32_t mAdvance = 0;
    // The top-left pixel of the glyph's bitmap in the atlas.
    std::uint16_t mAtlasX = 0;
    std::uint16_t mAtlasY = 0;

    static long GetUniqueID(const SCachedGlyph& glyph) { return glyph.mCharacter; }
  };

  virtual QZRESULT BeginRun(const RCPtr<LFont>& font, std::int32_t runFlags) = 0;
  virtual QZRESULT EndRun() = 0;
  // The wanted-data bits for the record's character.
  virtual std::uint16_t QueryGlyph(SGlyphRecord& record) = 0;
  virtual void ProcessGlyph(const SGlyphRecord& record) = 0;
  // The bounds collected by the runs that asked for them.
  virtual SGlyphBounds GetBounds() const = 0;

protected:
  ~LGlyphProcessor() override = default;
};

} // namespace QZ
