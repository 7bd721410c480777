#pragma once
// The text-measuring side of a renderer, through which fonts learn their
// metrics and text blocks measure their lines. Every renderer is one; each back
// end measures in its own way. UI thread only.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

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

protected:
  ~LMeasurementRenderer() override = default;
};

} // namespace QZ
