#include "QZFramework/Renderer/FontRenderer/FontRenderer.h"

#include "QZFramework/Renderer/MeasurementRenderer.h"

#include <algorithm>

namespace QZ {

namespace {

// Passes a measuring run on to the processor that measures and notes the
// right edge of the bounds after each character: the font renderer asks about
// every character once, in order, before anything of the next one happens.
class CaretRecorder final : public LGlyphProcessor {
public:
  CaretRecorder(const RCPtr<LGlyphProcessor>& measuring, std::size_t length)
      : mMeasuring(measuring), mRights(length, 0.0f) {}

  QZRESULT BeginRun(const RCPtr<LFont>& font, std::int32_t runFlags) override {
    mRan = true;
    return mMeasuring->BeginRun(font, runFlags);
  }
  QZRESULT EndRun() override {
    NoteRight();
    return mMeasuring->EndRun();
  }
  std::uint16_t QueryGlyph(SGlyphRecord& record) override {
    NoteRight();
    ++mCharacter;
    return mMeasuring->QueryGlyph(record);
  }
  void ProcessGlyph(const SGlyphRecord& record) override { mMeasuring->ProcessGlyph(record); }
  SGlyphBounds GetBounds() const override { return mMeasuring->GetBounds(); }

  bool Ran() const { return mRan; }
  // The bounds' right edge once the characters up to index have been measured.
  float RightAfter(std::size_t index) const { return mRights[index]; }

private:
  // The bounds now are those after the current character.
  void NoteRight() {
    if (mCharacter < mRights.size())
      mRights[mCharacter] = mMeasuring->GetBounds().mRight;
  }

  RCPtr<LGlyphProcessor> mMeasuring;
  std::vector<float> mRights;
  std::size_t mCharacter = static_cast<std::size_t>(-1);
  bool mRan = false;
};

} // namespace

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

void LFontRenderer::MeasureCaretPositions(const WideString& text, const RCPtr<LFont>& font,
                                          std::vector<float>& positions) {
  const std::uint32_t length = text.GetLength();
  positions.assign(static_cast<std::size_t>(length) + 1, 0.0f);
  if (length == 0 || !mSecondProcessor)
    return;
  const RCPtr<CaretRecorder> recorder = MakeRCPtr<CaretRecorder>(mSecondProcessor, length);
  RenderGlyphs(text, font, recorder, 0, 0.0f, kGlyphRunMeasure);
  const char16_t* units = text.GetChars();
  for (std::uint32_t i = 1; i <= length; ++i) {
    const bool insidePair =
        i < length && units[i - 1] >= 0xD800 && units[i - 1] <= 0xDBFF && units[i] >= 0xDC00 && units[i] <= 0xDFFF;
    if (insidePair)
      positions[i] = LMeasurementRenderer::kNoCaretStop;
    else if (recorder->Ran())
      positions[i] = recorder->RightAfter(i - 1) + 1.0f; // MeasureText's x + width
  }
}

SGlyphBounds LFontRenderer::GetMeasuredBounds() const {
  return mSecondProcessor ? mSecondProcessor->GetBounds() : SGlyphBounds{};
}

} // namespace QZ
