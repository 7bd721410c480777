// Text blocks laid out by the GDI+ renderer with DejaVu Sans: real glyph
// widths are not additive and not multiples of anything, so breaking, wrapping
// and placing are checked against what the renderer itself measures.

#include "QZFramework/ControlBase/FontText.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Renderer/Gdi/GDIRenderer.h"
#include "Support/FakeFrameworkApp.h"
#include "Support/PinnedFonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace QZ {
namespace {

const bool kFontsPinned = test::PinFonts();

std::string Narrow(const std::u16string& text) { return WideString(text.c_str()).ToNarrow().GetChars(); }

std::vector<std::u16string> SplitAt(const std::u16string& text, char16_t separator) {
  std::vector<std::u16string> pieces(1);
  for (char16_t c : text) {
    if (c == separator)
      pieces.emplace_back();
    else
      pieces.back() += c;
  }
  return pieces;
}

class FontTextRendererTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(kFontsPinned);
    mApp.mRenderer = mRenderer;
  }
  // The fonts made here carry this renderer's metrics: take them out of the
  // font list so that later tests resolve their own.
  void TearDown() override {
    for (const RCPtr<LFont>& font : mFonts)
      (void)font->ReleaseInnerReferences();
  }

  // A listed font keeps the metrics of the renderer that first resolved it, and
  // other tests of this program resolve fonts with fake renderers: drop any
  // such font and list a fresh one.
  RCPtr<LFont> Font(float size, std::int32_t style = 0) {
    const WideString face(u"DejaVu Sans");
    (void)LFont::GetFont(face, size, style)->ReleaseInnerReferences();
    RCPtr<LFont> font = LFont::GetFont(face, size, style);
    mFonts.push_back(font);
    return font;
  }
  // The renderer's own line height for the font.
  std::int32_t LineHeight(const RCPtr<LFont>& font) {
    std::int32_t lineHeight = 0, ascent = 0, descent = 0;
    EXPECT_EQ(mRenderer->GetFontMetrics(font, lineHeight, ascent, descent), S_OK);
    EXPECT_GT(lineHeight, 0);
    return lineHeight;
  }
  // The renderer's own width of the text on one line.
  float Width(const std::u16string& text, const RCPtr<LFont>& font) {
    const RectT<float> box = mRenderer->MeasureText(WideString(text.c_str()), font);
    return box.x + box.width;
  }
  static RCPtr<LFontText> Block(const std::u16string& text, const RCPtr<LFont>& font, SizeT<std::int32_t> box,
                                bool wrap) {
    RCPtr<LFontText> block = MakeRCPtr<LFontText>(WideString(text.c_str()), font);
    block->SetBoxSize(box);
    block->SetWrap(wrap);
    return block;
  }
  static std::vector<std::u16string> Lines(LFontText& block) {
    std::vector<std::u16string> lines;
    for (std::int32_t i = 0; i < block.GetLineCount(); ++i)
      lines.emplace_back(block.GetLineText(i).GetChars());
    return lines;
  }

  test::FakeFrameworkApp mApp; // before the renderer, which reads its clock
  RCPtr<LGDIRenderer> mRenderer = MakeRCPtr<LGDIRenderer>();
  std::vector<RCPtr<LFont>> mFonts;
};

// Without wrap the lines are the pieces between line feeds, however narrow the
// box; each is measured by the renderer and stacked one line height apart.
TEST_F(FontTextRendererTest, BreaksAtLineFeedsOnly) {
  const RCPtr<LFont> font = Font(9.0f);
  const std::int32_t lineHeight = LineHeight(font);
  EXPECT_EQ(font->GetLineHeight(), lineHeight);
  struct Case {
    std::u16string text;
    std::vector<std::u16string> lines;
  } cases[] = {
      {u"Cutoff\nResonance", {u"Cutoff", u"Resonance"}},
      {u"Filter envelope amount\n\nRelease", {u"Filter envelope amount", u"", u"Release"}},
      {u"\nSustain level", {u"", u"Sustain level"}},
      {u"Attack time\n", {u"Attack time"}},
      {u"Program 12 - Warm Pad", {u"Program 12 - Warm Pad"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.text));
    const RCPtr<LFontText> block = Block(c.text, font, {40, 20}, false);
    ASSERT_EQ(Lines(*block), c.lines);
    float widest = 0;
    for (std::size_t i = 0; i < c.lines.size(); ++i) {
      SCOPED_TRACE(i);
      const float width = Width(c.lines[i], font);
      const float height = c.lines[i].empty() ? 0.0f : static_cast<float>(lineHeight);
      EXPECT_EQ(block->GetLine(static_cast<std::int32_t>(i)),
                (RectT<float>{0, static_cast<float>(lineHeight) * static_cast<float>(i), width, height}));
      widest = std::max(widest, width);
    }
    // Every case ends on a line with text: the extent reaches its bottom.
    const auto count = static_cast<std::int32_t>(c.lines.size());
    EXPECT_EQ(block->GetTextExtent(),
              (SizeT<std::int32_t>{static_cast<std::int32_t>(std::lround(widest)), count * lineHeight}));
    EXPECT_EQ(block->MeasureHeight(40), count * lineHeight);
    EXPECT_EQ(block->MeasureWidth(), static_cast<std::int32_t>(widest + 0.99f));
  }
  const RCPtr<LFontText> empty = Block(u"", font, {40, 20}, false);
  EXPECT_EQ(Lines(*empty), std::vector<std::u16string>{u""});
  EXPECT_EQ(empty->GetLine(0), (RectT<float>{}));
  EXPECT_EQ(empty->GetTextExtent(), (SizeT<std::int32_t>{0, 0}));
  EXPECT_EQ(empty->MeasureHeight(40), lineHeight);
}

// Paragraphs wrapped at widths from narrower than any word to wider than the
// text: put back together at the blanks the lines give the text exactly; a
// line is no wider than the box unless it is one word; and a line ends only
// where the next word would not have fitted (a line exactly as wide as the
// box does not fit). Each line's rectangle is what the renderer measures.
TEST_F(FontTextRendererTest, WrapsAtTheBoxWidthKeepingEveryWord) {
  const RCPtr<LFont> font = Font(9.0f);
  const std::int32_t lineHeight = LineHeight(font);
  const std::u16string texts[] = {
      u"Filter envelope amount modulates the cutoff frequency of every voice",
      u"Release time of the amplifier envelope\nVelocity sensitivity",
      u"Supercalifragilistic expialidocious words stay whole",
      u"a b c d e f g h i j k l m n o p",
      u"WWW iii WWW iii MMM lll",
  };
  for (const std::u16string& text : texts) {
    const std::int32_t full = static_cast<std::int32_t>(Width(text, font));
    for (const std::int32_t width : {1, 25, 40, 63, 90, 120, 171, 250, full, full + 1}) {
      SCOPED_TRACE(Narrow(text) + " in " + std::to_string(width));
      const RCPtr<LFontText> block = Block(text, font, {width, 200}, true);
      const std::vector<std::u16string> lines = Lines(*block);
      const auto box = static_cast<float>(width);

      std::size_t next = 0;
      for (const std::u16string& paragraph : SplitAt(text, u'\n')) {
        const std::size_t first = next;
        std::u16string joined;
        while (next < lines.size() && joined.size() < paragraph.size())
          joined += (joined.empty() ? u"" : u" ") + lines[next++];
        EXPECT_EQ(Narrow(joined), Narrow(paragraph));
        for (std::size_t i = first; i + 1 < next; ++i) {
          const std::u16string nextWord = SplitAt(lines[i + 1], u' ').front();
          EXPECT_GE(Width(lines[i] + u" " + nextWord, font), box) << Narrow(lines[i]) << " could take more";
        }
      }
      EXPECT_EQ(next, lines.size()) << "lines beyond the text";

      for (std::size_t i = 0; i < lines.size(); ++i) {
        SCOPED_TRACE(Narrow(lines[i]));
        const float measured = Width(lines[i], font);
        if (measured > box) {
          EXPECT_EQ(lines[i].find(u' '), std::u16string::npos) << "wider than the box yet breakable";
        }
        EXPECT_EQ(block->GetLine(static_cast<std::int32_t>(i)),
                  (RectT<float>{0, static_cast<float>(lineHeight * static_cast<std::int32_t>(i)), measured,
                                static_cast<float>(lineHeight)}));
      }
      const auto count = static_cast<std::int32_t>(lines.size());
      EXPECT_EQ(block->MeasureHeight(width), count * lineHeight);
      EXPECT_EQ(block->GetTextExtent().height, count * lineHeight);
    }
  }
}

// Breaks decided by real widths right at the box edge: a text as wide as the
// box breaks, one pixel more holds it; a hyphen break needs the head up to and
// including the hyphen to fit.
TEST_F(FontTextRendererTest, BreaksAtTheBoxEdgeByTheMeasuredWidths) {
  const RCPtr<LFont> font = Font(9.0f);
  struct Case {
    std::u16string text;
    std::u16string measured; // the box is this text's width plus extra
    std::int32_t extra;
    std::vector<std::u16string> lines;
  } cases[] = {
      {u"Warm Pad", u"Warm Pad", 0, {u"Warm", u"Pad"}},
      {u"Warm Pad", u"Warm Pad", 1, {u"Warm Pad"}},
      {u"first-second third", u"first-second third", 0, {u"first-second", u"third"}},
      {u"first-second third", u"first-second", 0, {u"first-second", u"third"}},
      {u"first-second third", u"first-second", -1, {u"first-", u"second", u"third"}},
      {u"first-second", u"first-", 0, {u"first-", u"second"}},
      {u"first-second", u"first-", -1, {u"first-", u"second"}}, // nothing shorter to break at
      {u"mod-wheel depth", u"mod-wheel dep", 0, {u"mod-wheel", u"depth"}},
  };
  for (const Case& c : cases) {
    const std::int32_t width = static_cast<std::int32_t>(Width(c.measured, font)) + c.extra;
    SCOPED_TRACE(Narrow(c.text) + " in " + std::to_string(width));
    EXPECT_EQ(Lines(*Block(c.text, font, {width, 100}, true)), c.lines);
  }
}

// Each line is placed by its own measured width: the free width times the
// horizontal alignment to its left, the free height times the vertical one
// above the block; alignments 1 put the right and bottom edges on the box's.
TEST_F(FontTextRendererTest, AlignsEachLineByItsMeasuredWidth) {
  const RCPtr<LFont> font = Font(9.0f);
  const std::int32_t lineHeight = LineHeight(font);
  const SizeT<std::int32_t> box{150, 90};
  struct Case {
    float hAlign, vAlign;
    bool wrap;
  } cases[] = {{0, 0, false}, {0.5f, 0.5f, false}, {1, 1, false}, {0.25f, 0.75f, false}, {0.5f, 1, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.hAlign << ", " << c.vAlign << (c.wrap ? ", wrapped" : ""));
    const RCPtr<LFontText> block = Block(u"Cutoff\nFilter envelope amount modulation\nQ", font, box, c.wrap);
    block->SetHorizontalAlignment(c.hAlign);
    block->SetVerticalAlignment(c.vAlign);
    const std::vector<std::u16string> lines = Lines(*block);
    ASSERT_EQ(lines.size(), c.wrap ? 4u : 3u);
    const auto count = static_cast<float>(lines.size());
    const float top = (static_cast<float>(box.height) - static_cast<float>(lineHeight) * count) * c.vAlign;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      SCOPED_TRACE(Narrow(lines[i]));
      const RectT<float> line = block->GetLine(static_cast<std::int32_t>(i));
      const float width = Width(lines[i], font);
      EXPECT_EQ(line.width, width);
      const float left = line.x, right = static_cast<float>(box.width) - (line.x + line.width);
      EXPECT_NEAR(left, (left + right) * c.hAlign, 1e-3);
      EXPECT_NEAR(line.y, top + static_cast<float>(lineHeight) * static_cast<float>(i), 1e-3);
    }
    if (c.vAlign == 1) {
      const RectT<float> last = block->GetLine(static_cast<std::int32_t>(lines.size()) - 1);
      EXPECT_NEAR(last.y + last.height, static_cast<float>(box.height), 1e-3);
    }
  }
}

// The natural size follows the font: the height is the renderer's line
// height per line, the width the widest line rounded up; a box one pixel
// wider than that holds every line, one exactly as wide breaks the widest.
TEST_F(FontTextRendererTest, MeasuresTheNaturalSizeInEachFont) {
  struct Case {
    float size;
    std::int32_t style;
  } cases[] = {{9.0f, 0}, {12.0f, kFontStyleBold}, {7.5f, kFontStyleItalic}, {20.0f, 0}};
  const std::u16string text = u"Resonance\nFilter envelope amount";
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.size << " style " << c.style);
    const RCPtr<LFont> font = Font(c.size, c.style);
    const std::int32_t lineHeight = LineHeight(font);
    const float widest = std::max(Width(u"Resonance", font), Width(u"Filter envelope amount", font));
    const RCPtr<LFontText> block = Block(text, font, {10, 10}, false);
    const std::int32_t natural = block->MeasureWidth();
    EXPECT_GE(static_cast<float>(natural), widest);
    EXPECT_LT(static_cast<float>(natural), widest + 1);
    EXPECT_EQ(block->MeasureHeight(natural), 2 * lineHeight);
    EXPECT_EQ(block->GetTextExtent(),
              (SizeT<std::int32_t>{static_cast<std::int32_t>(std::lround(widest)), 2 * lineHeight}));

    block->SetWrap(true);
    EXPECT_EQ(block->MeasureHeight(natural + 1), 2 * lineHeight);
    block->SetBoxSize({natural + 1, 10});
    EXPECT_EQ(Lines(*block), (std::vector<std::u16string>{u"Resonance", u"Filter envelope amount"}));
    // The renderer's widths are whole pixels: the natural width is the widest
    // line's own, which does not fit.
    block->SetBoxSize({natural, 10});
    EXPECT_EQ(Lines(*block), (std::vector<std::u16string>{u"Resonance", u"Filter envelope", u"amount"}));
    EXPECT_EQ(block->MeasureHeight(natural), 3 * lineHeight);
  }
}

} // namespace
} // namespace QZ
