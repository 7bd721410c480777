#pragma once
// The text-measuring side of a renderer, through which fonts learn their
// metrics and text blocks measure their lines. Every renderer is one; each back
// end measures in its own way. UI thread only.
//
// Caret positions: one entry per UTF-16 index of a text, 0..length. A caret
// stop holds the width MeasureText gives for the text before it (0 at index
// 0); an index where no caret may stand (inside a surrogate pair, inside a
// cluster the back end draws as one, such as a letter with its combining
// marks) holds kNoCaretStop. Index 0 and the end are always stops.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <vector>

namespace QZ {

class LFont;

class LMeasurementRenderer : public virtual LRefCountedObject {
public:
  // Line height, ascent and descent of the font in pixels. The ascent is
  // negative (the top of the text relative to its baseline), the descent
  // positive. On failure the outputs may be left as they were.
  virtual QZRESULT GetFontMetrics(const RCPtr<LFont>& font, std::int32_t& lineHeight, std::int32_t& ascent,
                                  std::int32_t& descent) = 0;
  // The box of the text relative to the start of its baseline (y negative:
  // above the baseline).
  virtual RectT<float> MeasureText(const WideString& text, const RCPtr<LFont>& font) = 0;
  // Every caret position of the text in the font (see the contract). This
  // one measures each code-point prefix on its own; the back ends read them
  // all from one layout of the whole text.
  virtual void MeasureCaretPositions(const WideString& text, const RCPtr<LFont>& font,
                                     std::vector<float>& positions);

  static constexpr float kNoCaretStop = -1.0f;

protected:
  ~LMeasurementRenderer() override = default;
};

} // namespace QZ
