#pragma once
// The OpenGL back end's text path: a font renderer turns a string and a font
// into a run of glyphs and hands each one to a glyph processor, which draws,
// caches or measures it. Two processor slots are given at construction; the
// drawing and the measuring paths both use the second (the renderer factory
// puts the same OpenGL glyph renderer in both).
//
// Measuring leaves its bounds in the second processor, so MeasureText is
// followed by nothing else on that processor before GetMeasuredBounds is read.
// UI thread only; no locks.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Renderer/FontRenderer/GlyphProcessor.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <vector>

namespace QZ {

class LFontRenderer : public virtual LRefCountedObject {
public:
  // The box of the text relative to the pen origin on its baseline, y down, so
  // y is negative: from the measured glyph bounds widened to the font's ascent
  // and descent, so it holds the origin even for an empty text.
  virtual RectT<float> MeasureText(const WideString& text, const RCPtr<LFont>& font);
  // For every UTF-16 index 0..length what MeasureText gives as x + width for
  // the text before it (0 at index 0), from one measuring run over the whole
  // text: a prefix's run is the first steps of the whole one. The second half
  // of a surrogate pair holds LMeasurementRenderer::kNoCaretStop.
  virtual void MeasureCaretPositions(const WideString& text, const RCPtr<LFont>& font,
                                     std::vector<float>& positions);
  // Line height, ascent (negative) and descent in pixels; a negative result
  // leaves the outputs untouched.
  virtual QZRESULT GetFontMetrics(const RCPtr<LFont>& font, std::int32_t& lineHeight, std::int32_t& ascent,
                                  std::int32_t& descent) = 0;
  // Runs the text through the processor with the run flags and returns the
  // index after the last character handled. The start position seeds the
  // glyph record's position; both callers pass 0. The width limit is not
  // applied: no caller sets one.
  virtual std::int32_t RenderGlyphs(const WideString& text, const RCPtr<LFont>& font,
                                    const RCPtr<LGlyphProcessor>& processor, std::int32_t startPosition,
                                    float widthLimit, std::int32_t runFlags) = 0;
  // The second processor's bounds, or all zeros without one.
  virtual SGlyphBounds GetMeasuredBounds() const;

  const RCPtr<LGlyphProcessor>& GetFirstProcessor() const { return mFirstProcessor; }
  const RCPtr<LGlyphProcessor>& GetSecondProcessor() const { return mSecondProcessor; }

protected:
  LFontRenderer(const RCPtr<LGlyphProcessor>& firstProcessor, const RCPtr<LGlyphProcessor>& secondProcessor);
  ~LFontRenderer() override = default;

private:
  RCPtr<LGlyphProcessor> mFirstProcessor;
  RCPtr<LGlyphProcessor> mSecondProcessor;
};

} // namespace QZ
