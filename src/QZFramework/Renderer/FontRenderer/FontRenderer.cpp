#include "QZFramework/Renderer/FontRenderer/FontRenderer.h"

#include <algorithm>

namespace QZ {

LFontRenderer::LFontRenderer(const RCPtr<LGlyphProcessor>& firstProcessor,
                             const RCPtr<LGlyphProcessor>& secondProcessor)
    : mFirstProcessor(firstProcessor), mSecondProcessor(secondProcessor) {}

RectT<float> LFontRenderer::MeasureText(const WideString& text, const RCPtr<LFont>& font) {
  RenderGlyphs(text, font, mSecondProcessor, 0, 0.0f, kGlyphRunMeasure);
  const SGlyphBounds bounds = GetMeasuredBounds();
  const float ascent = font ? static_cast<float>(font->GetAscent()) : 0.0f;
  const float descent = font ? static_cast<float>(font->GetDescent()) : 0.0f;
  RectT<float> result;
  result.x = bounds.mLeft;
  result.y = std::min(bounds.mTop, ascent);
  result.width = bounds.mRight + 1.0f - bounds.mLeft;
  result.height = std::max(bounds.mBottom, descent) - result.y;
  return result;
}

SGlyphBounds LFontRenderer::GetMeasuredBounds() const {
  return mSecondProcessor ? mSecondProcessor->GetBounds() : SGlyphBounds{};
}

} // namespace QZ
