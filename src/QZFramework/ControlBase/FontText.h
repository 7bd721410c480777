#pragma once
// LFontText: a control's label laid out in a box: the text, its font, the box
// size, horizontal and vertical alignment factors and a wrap flag. The block
// breaks the text into lines (at line feeds only, or by word wrapping against
// the box width), measures each line with the application's renderer and
// places it in the box by the alignments.
//
// The lines and line rectangles are caches, filled by GetLineCount: a change of
// text, font, wrap flag or box size empties both, a change of an alignment the
// rectangles only. Without a renderer (no window yet) nothing can be measured:
// the lines are counted but the caches stay empty, so the next call measures.
//
// A block belongs to one look; UI thread only, no locks.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Utilities/Graphics/Geometry.h"
#include "QZFramework/Utilities/Storage/ArrayBuffer.h"
#include "QZFramework/Utilities/Storage/StringArrayT.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

class LMeasurementRenderer;

class LFontText : public virtual LRefCountedObject {
public:
  LFontText(const WideString& text, const RCPtr<LFont>& font);
  ~LFontText() override = default;

  // Each returns 1 and empties the caches when the value changed, else 0.
  // Fonts are the same when both are null or both have the same face (exact),
  // size and style.
  QZRESULT SetText(const WideString& text);
  QZRESULT SetFont(const RCPtr<LFont>& font);
  QZRESULT SetWrap(bool wrap);
  QZRESULT SetBoxSize(const SizeT<std::int32_t>& size);
  // 1 and the line rectangles emptied when the value changed, else 0.
  QZRESULT SetHorizontalAlignment(float alignment);
  QZRESULT SetVerticalAlignment(float alignment);

  // The number of lines (at least 1), filling the caches first.
  std::int32_t GetLineCount();
  // The line's rectangle in the box: x and y where it is placed, width and
  // height as measured; {0, 0, 0, 0} past the last line.
  RectT<float> GetLine(std::int32_t index);
  // The line's text; empty past the last line.
  WideString GetLineText(std::int32_t index);
  // The union of the line rectangles with the origin, rounded.
  SizeT<std::int32_t> GetTextExtent();
  // The widest line at the line feeds (never wrapped), rounded up.
  std::int32_t MeasureWidth();
  // The number of lines at that width (wrapped when wrapping) times the line height.
  std::int32_t MeasureHeight(std::int32_t width);

  // The number of characters of the text's first line within maxWidth: breaks
  // at the last blank that fits, or after a hyphen; a word wider than the box
  // stays whole.
  std::int32_t FindLineBreak(LMeasurementRenderer& renderer, std::int32_t maxWidth, const WideString& text) const;
  // The text wrapped against width, paragraph by paragraph, into lines.
  void Wrap(LMeasurementRenderer& renderer, std::int32_t width, StringArrayT<char16_t, char>& lines) const;
  // Places and measures the lines.
  void MeasureLines(LMeasurementRenderer& renderer);

  const WideString& GetText() const { return mText; }
  const RCPtr<LFont>& GetFont() const { return mFont; }
  bool GetWrap() const { return mWrap; }
  float GetHorizontalAlignment() const { return mHAlign; }
  float GetVerticalAlignment() const { return mVAlign; }
  SizeT<std::int32_t> GetBoxSize() const { return {mBoxWidth, mBoxHeight}; }
  // Whether the caches are filled (for the callers that must not measure).
  bool HasLines() const { return mLines.GetCount() > 0; }
  bool HasLineRects() const { return mLineRects.GetCount() > 0; }

  // The text split at line feeds: no separator gives the text itself, an
  // empty text one empty line, a trailing line feed no extra line.
  static void SplitLines(const WideString& text, StringArrayT<char16_t, char>& lines);
  // x + width of the measured box; 0 without a renderer.
  static float MeasuredWidth(LMeasurementRenderer& renderer, const WideString& text, const RCPtr<LFont>& font);

private:
  void ClearCaches();
  std::int32_t LineHeight() const;

  WideString mText;
  RCPtr<LFont> mFont;
  float mHAlign = 0;
  float mVAlign = 0;
  bool mWrap = false;
  std::int32_t mBoxWidth = 0;
  std::int32_t mBoxHeight = 0;
  StringArrayT<char16_t, char> mLines;
  ArrayBuffer<RectT<float>, 1, 0> mLineRects;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LFontText, "class QZ::LFontText")
