#include "QZFramework/ControlBase/FontText.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/Renderer/Renderer.h"

#include <algorithm>
#include <cmath>

namespace QZ {

namespace {

bool SameFont(const RCPtr<LFont>& a, const RCPtr<LFont>& b) {
  if (!a || !b)
    return !a && !b;
  return a->GetFace().EqualsString(b->GetFace()) && a->GetSize() == b->GetSize() && a->GetStyle() == b->GetStyle();
}

RCPtr<LRenderer> ApplicationRenderer() {
  IFrameworkApp* app = GetFrameworkApp();
  return app ? app->GetRenderer() : RCPtr<LRenderer>();
}

// Last index of ch among the first count characters, or -1.
std::int32_t LastIndexOf(const WideString& text, char16_t ch, std::uint32_t count) {
  const char16_t* chars = text.GetChars();
  for (std::uint32_t i = std::min(count, text.GetLength()); i > 0; --i) {
    if (chars[i - 1] == ch)
      return static_cast<std::int32_t>(i - 1);
  }
  return -1;
}

} // namespace

LFontText::LFontText(const WideString& text, const RCPtr<LFont>& font) : mText(text), mFont(font) {}

void LFontText::ClearCaches() {
  mLines.RemoveAll();
  mLineRects.RemoveAll();
}

QZRESULT LFontText::SetText(const WideString& text) {
  if (mText.EqualsString(text))
    return S_OK;
  mText = text;
  ClearCaches();
  return S_FALSE;
}

QZRESULT LFontText::SetFont(const RCPtr<LFont>& font) {
  if (SameFont(mFont, font))
    return S_OK;
  mFont = font;
  ClearCaches();
  return S_FALSE;
}

QZRESULT LFontText::SetWrap(bool wrap) {
  if (mWrap == wrap)
    return S_OK;
  mWrap = wrap;
  ClearCaches();
  return S_FALSE;
}

QZRESULT LFontText::SetBoxSize(const SizeT<std::int32_t>& size) {
  if (mBoxWidth == size.width && mBoxHeight == size.height)
    return S_OK;
  mBoxWidth = size.width;
  mBoxHeight = size.height;
  ClearCaches();
  return S_FALSE;
}

QZRESULT LFontText::SetHorizontalAlignment(float alignment) {
  if (mHAlign == alignment)
    return S_OK;
  mHAlign = alignment;
  mLineRects.RemoveAll();
  return S_FALSE;
}

QZRESULT LFontText::SetVerticalAlignment(float alignment) {
  if (mVAlign == alignment)
    return S_OK;
  mVAlign = alignment;
  mLineRects.RemoveAll();
  return S_FALSE;
}

std::int32_t LFontText::LineHeight() const {
  // A block without font has no lines to measure against; it takes no height.
  return mFont ? mFont->GetLineHeight() : 0;
}

void LFontText::SplitLines(const WideString& text, StringArrayT<char16_t, char>& lines) {
  lines = text.Split(WideString(u"\n"));
}

float LFontText::MeasuredWidth(LMeasurementRenderer& renderer, const WideString& text, const RCPtr<LFont>& font) {
  const RectT<float> box = renderer.MeasureText(text, font);
  return box.x + box.width;
}

std::int32_t LFontText::FindLineBreak(LMeasurementRenderer& renderer, std::int32_t maxWidth,
                                      const WideString& text) const {
  const auto limit = static_cast<float>(maxWidth);
  if (limit > MeasuredWidth(renderer, text, mFont))
    return static_cast<std::int32_t>(text.GetLength());
  WideString candidate = text;
  std::int32_t result = 0;
  for (;;) {
    const std::uint32_t length = candidate.GetLength();
    const std::int32_t blank = LastIndexOf(candidate, u' ', length);
    if (blank > 0) {
      const WideString head = candidate.Left(blank);
      if (MeasuredWidth(renderer, head, mFont) > limit) {
        candidate = head;
        continue;
      }
      const std::int32_t afterHyphen = LastIndexOf(candidate, u'-', length) + 1;
      if (afterHyphen > blank && limit >= MeasuredWidth(renderer, candidate.Left(afterHyphen), mFont))
        result = afterHyphen;
      else
        result = blank;
      break;
    }
    // One word: break after its last hyphen that is not its last character.
    const std::int32_t afterHyphen = length > 0 ? LastIndexOf(candidate, u'-', length - 1) + 1 : 0;
    if (afterHyphen == 0) {
      result = static_cast<std::int32_t>(length);
      break;
    }
    const WideString head = candidate.Left(afterHyphen);
    if (MeasuredWidth(renderer, head, mFont) > limit) {
      candidate = head;
      continue;
    }
    result = afterHyphen;
    break;
  }
  return result < 1 ? static_cast<std::int32_t>(candidate.GetLength()) : result;
}

void LFontText::Wrap(LMeasurementRenderer& renderer, std::int32_t width,
                     StringArrayT<char16_t, char>& lines) const {
  lines.RemoveAll();
  StringArrayT<char16_t, char> paragraphs;
  SplitLines(mText, paragraphs);
  for (std::uint32_t i = 0; i < paragraphs.GetCount(); ++i) {
    WideString remaining = paragraphs.GetAt(i);
    std::int32_t cut = FindLineBreak(renderer, width, remaining);
    WideString line = cut >= static_cast<std::int32_t>(remaining.GetLength()) ? remaining : remaining.Left(cut);
    while (cut < static_cast<std::int32_t>(remaining.GetLength())) {
      remaining = remaining.MidToEnd(cut).TrimLeft();
      if (remaining.IsEmpty())
        break;
      lines.AddItem(line);
      cut = FindLineBreak(renderer, width, remaining);
      line = remaining.Left(cut);
    }
    lines.AddItem(line);
  }
}

void LFontText::MeasureLines(LMeasurementRenderer& renderer) {
  mLineRects.RemoveAll();
  if (mLines.GetCount() == 0)
    mLines.AddItem(WideString());
  const auto lineHeight = static_cast<float>(LineHeight());
  const auto count = static_cast<float>(mLines.GetCount());
  const float top = (static_cast<float>(mBoxHeight) - lineHeight * count) * mVAlign;
  for (std::uint32_t i = 0; i < mLines.GetCount(); ++i) {
    const RectT<float> box = renderer.MeasureText(mLines.GetAt(i), mFont);
    const float width = box.x + box.width;
    mLineRects.AddItem(RectT<float>{(static_cast<float>(mBoxWidth) - width) * mHAlign,
                                    lineHeight * static_cast<float>(i) + top, width, box.height});
  }
}

std::int32_t LFontText::GetLineCount() {
  const RCPtr<LRenderer> renderer = ApplicationRenderer();
  if (!renderer) {
    // Nothing can be measured yet: count the lines without keeping them.
    if (mLines.GetCount() > 0)
      return static_cast<std::int32_t>(mLines.GetCount());
    StringArrayT<char16_t, char> lines;
    SplitLines(mText, lines);
    return std::max<std::int32_t>(1, static_cast<std::int32_t>(lines.GetCount()));
  }
  if (mLines.GetCount() == 0) {
    if (mWrap)
      Wrap(*renderer, mBoxWidth, mLines);
    else
      SplitLines(mText, mLines);
  }
  if (mLineRects.GetCount() == 0)
    MeasureLines(*renderer);
  return static_cast<std::int32_t>(mLineRects.GetCount());
}

RectT<float> LFontText::GetLine(std::int32_t index) {
  if (index < 0 || index >= GetLineCount() || static_cast<std::uint32_t>(index) >= mLineRects.GetCount())
    return {};
  return mLineRects.GetAt(static_cast<std::uint32_t>(index));
}

WideString LFontText::GetLineText(std::int32_t index) {
  if (index < 0 || index >= GetLineCount() || static_cast<std::uint32_t>(index) >= mLines.GetCount())
    return WideString();
  return mLines.GetAt(static_cast<std::uint32_t>(index));
}

SizeT<std::int32_t> LFontText::GetTextExtent() {
  const std::int32_t count = GetLineCount();
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;
  for (std::int32_t i = 0; i < count && static_cast<std::uint32_t>(i) < mLineRects.GetCount(); ++i) {
    const RectT<float>& line = mLineRects.GetAt(static_cast<std::uint32_t>(i));
    left = std::min(left, line.x);
    top = std::min(top, line.y);
    right = std::max(right, line.x + line.width);
    bottom = std::max(bottom, line.y + line.height);
  }
  return {RoundToLong(static_cast<double>(right - left)), RoundToLong(static_cast<double>(bottom - top))};
}

std::int32_t LFontText::MeasureWidth() {
  const RCPtr<LRenderer> renderer = ApplicationRenderer();
  if (!renderer)
    return 0;
  StringArrayT<char16_t, char> lines;
  SplitLines(mText, lines);
  float widest = 0;
  for (std::uint32_t i = 0; i < lines.GetCount(); ++i)
    widest = std::max(widest, MeasuredWidth(*renderer, lines.GetAt(i), mFont));
  return TruncateToLong(widest + 0.99f);
}

std::int32_t LFontText::MeasureHeight(std::int32_t width) {
  const RCPtr<LRenderer> renderer = ApplicationRenderer();
  StringArrayT<char16_t, char> lines;
  if (mWrap && renderer)
    Wrap(*renderer, width, lines);
  else
    SplitLines(mText, lines);
  return std::max<std::int32_t>(1, static_cast<std::int32_t>(lines.GetCount())) * LineHeight();
}

} // namespace QZ
