#include "QZFramework/Renderer/MeasurementRenderer.h"

#include <algorithm>

namespace QZ {

void LMeasurementRenderer::MeasureCaretPositions(const WideString& text, const RCPtr<LFont>& font,
                                                 std::vector<float>& positions) {
  const char16_t* units = text.GetChars();
  const std::uint32_t length = text.GetLength();
  positions.assign(static_cast<std::size_t>(length) + 1, kNoCaretStop);
  positions[0] = 0.0f;
  for (std::uint32_t i = 1; i <= length; ++i) {
    // The second half of a pair belongs to the character that the first begins.
    const bool insidePair =
        i < length && units[i - 1] >= 0xD800 && units[i - 1] <= 0xDBFF && units[i] >= 0xDC00 && units[i] <= 0xDFFF;
    if (insidePair)
      continue;
    const RectT<float> box = MeasureText(text.Left(static_cast<std::int32_t>(i)), font);
    positions[i] = std::max(0.0f, box.x + box.width);
  }
}

} // namespace QZ
