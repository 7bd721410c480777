#include "QZFramework/ControlBase/MeasuringRenderer.h"
#include "Support/FakeFrameworkApp.h"

#include "QZFramework/ControlBase/FontText.h"
#include "QZFramework/Renderer/Font.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace QZ {
namespace {

// Text measures 10 pixels per character, lines are 14 high.
class FontTextTest : public ::testing::Test {
protected:
  void SetUp() override { mApp.mRenderer = mRenderer; }

  RCPtr<LFontText> Block(const char16_t* text, SizeT<std::int32_t> box = {100, 50}, bool wrap = false) {
    RCPtr<LFontText> block = MakeRCPtr<LFontText>(WideString(text), mFont);
    block->SetBoxSize(box);
    block->SetWrap(wrap);
    return block;
  }
  static std::vector<std::string> Lines(LFontText& block) {
    std::vector<std::string> lines;
    for (std::int32_t i = 0; i < block.GetLineCount(); ++i)
      lines.push_back(block.GetLineText(i).ToNarrow().GetChars());
    return lines;
  }

  test::FakeFrameworkApp mApp;
  RCPtr<test::MeasuringRenderer> mRenderer = MakeRCPtr<test::MeasuringRenderer>();
  RCPtr<LFont> mFont = LFont::GetFont(WideString(u"Font Text Test Face"), 9.0f, 0);
};

TEST_F(FontTextTest, FindsTheLineBreak) {
  struct Case {
    const char16_t* text;
    std::int32_t width;
    std::int32_t expected;
  } cases[] = {
      {u"abc def", 71, 7},              // strictly wider box: the whole text
      {u"abc def", 70, 3},              // exactly as wide: broken at the last blank
      {u"first-second third", 120, 12}, // holds first-second
      {u"first-second third", 100, 6},  // holds first- only: after the hyphen
      {u"ab cd-ef", 65, 6},             // the last word's hyphen fits after the blank
      {u"ab cd-ef", 55, 2},             // it does not
      {u"abcdefghij", 50, 10},          // one word wider than the box stays whole
      {u"ab-cd-ef", 50, 3},             // hyphens inside one word, from the end
      {u"abc-", 20, 4},                 // a trailing hyphen is no break
      {u" abcdef", 30, 7},              // a leading blank alone is no break
  };
  const RCPtr<LFontText> block = Block(u"");
  for (const Case& c : cases) {
    SCOPED_TRACE(WideString(c.text).ToNarrow().GetChars() + std::string(" in ") + std::to_string(c.width));
    EXPECT_EQ(block->FindLineBreak(*mRenderer, c.width, WideString(c.text)), c.expected);
  }
}

TEST_F(FontTextTest, WrapsParagraphsAndSplitsAtLineFeeds) {
  struct Case {
    const char16_t* text;
    std::int32_t width;
    bool wrap;
    std::vector<std::string> lines;
  } cases[] = {
      {u"first-second third", 130, true, {"first-second", "third"}},
      {u"first-second third", 100, true, {"first-", "second", "third"}},
      {u"one two\nthree four", 80, true, {"one two", "three", "four"}},
      {u"wide gap", 50, true, {"wide", "gap"}}, // the blank at the break is dropped
      {u"a\n\nb", 10, false, {"a", "", "b"}},
      {u"a\n", 10, false, {"a"}},
      {u"", 10, false, {""}},
      {u"x\r\ny", 10, false, {"x\r", "y"}}, // carriage returns stay
      {u"first-second third", 100, false, {"first-second third"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(WideString(c.text).ToNarrow().GetChars());
    const RCPtr<LFontText> block = Block(c.text, {c.width, 50}, c.wrap);
    EXPECT_EQ(Lines(*block), c.lines);
  }
}

// Random paragraphs of letters, blanks and hyphens wrapped at random widths,
// against what wrapping must keep: no letter or hyphen is lost or moved, no
// line is empty, and a line wider than the box is one word that offers no
// break (no blank after its start, no hyphen before its end).
TEST_F(FontTextTest, RandomWrappingKeepsTheTextAndBreaksWhereItCan) {
  std::mt19937 random(20261210);
  const char16_t alphabet[] = u"aaaab  -";
  for (int round = 0; round < 400; ++round) {
    std::u16string text;
    const int length = static_cast<int>(random() % 30) + 1;
    for (int i = 0; i < length; ++i)
      text += alphabet[random() % 8];
    const auto width = static_cast<std::int32_t>(random() % 120) + 5;
    SCOPED_TRACE(WideString(text.c_str()).ToNarrow().GetChars() + std::string(" in ") + std::to_string(width));
    const RCPtr<LFontText> block = Block(text.c_str(), {width, 50}, true);
    std::u16string kept;
    for (std::int32_t i = 0; i < block->GetLineCount(); ++i) {
      const std::u16string line = block->GetLineText(i).GetChars();
      EXPECT_FALSE(line.empty());
      if (static_cast<std::int32_t>(line.size()) * 10 > width) {
        EXPECT_EQ(line.find(u' ', 1), std::u16string::npos) << "a wide line with a blank";
        EXPECT_GE(line.find(u'-'), line.size() - 1) << "a wide line with a hyphen inside";
      }
      kept += line;
    }
    std::erase(text, u' ');
    std::erase(kept, u' ');
    EXPECT_EQ(std::string(WideString(kept.c_str()).ToNarrow().GetChars()),
              std::string(WideString(text.c_str()).ToNarrow().GetChars()));
  }
}

TEST_F(FontTextTest, PlacesLinesByTheAlignments) {
  const RCPtr<LFontText> block = Block(u"ab\nabcd", {100, 50});
  block->SetHorizontalAlignment(0.5f);
  block->SetVerticalAlignment(1.0f);
  ASSERT_EQ(block->GetLineCount(), 2);
  // Each line centred on its own width; the last line's bottom on the box's.
  EXPECT_EQ(block->GetLine(0), (RectT<float>{40, 22, 20, 14}));
  EXPECT_EQ(block->GetLine(1), (RectT<float>{30, 36, 40, 14}));
  EXPECT_EQ(block->GetLine(2), (RectT<float>{}));
  EXPECT_EQ(block->GetLineText(2).GetLength(), 0u);
  EXPECT_EQ(block->GetTextExtent(), (SizeT<std::int32_t>{70, 50})); // the origin is always in
  EXPECT_EQ(block->MeasureWidth(), 40);
  EXPECT_EQ(block->MeasureHeight(10), 28);
  block->SetWrap(true);
  EXPECT_EQ(block->MeasureHeight(10), 28); // single words never break
}

TEST_F(FontTextTest, ChangesEmptyOnlyTheCachesTheyAffect) {
  const RCPtr<LFontText> block = Block(u"ab cd", {100, 50}, true);
  EXPECT_EQ(block->GetLineCount(), 1);
  EXPECT_EQ(block->SetText(WideString(u"ab cd")), S_OK);
  EXPECT_TRUE(block->HasLines() && block->HasLineRects());
  EXPECT_EQ(block->SetHorizontalAlignment(1.0f), S_FALSE);
  EXPECT_TRUE(block->HasLines());
  EXPECT_FALSE(block->HasLineRects());
  EXPECT_EQ(block->GetLine(0).x, 50.0f);
  EXPECT_EQ(block->SetBoxSize({40, 50}), S_FALSE);
  EXPECT_FALSE(block->HasLines());
  EXPECT_EQ(block->GetLineCount(), 2);
  EXPECT_EQ(block->SetWrap(true), S_OK);
  EXPECT_EQ(block->SetFont(LFont::GetFont(WideString(u"Font Text Test Face"), 9.0f, 0)), S_OK);
  EXPECT_EQ(block->SetFont(RCPtr<LFont>()), S_FALSE);
  EXPECT_EQ(block->SetText(WideString(u"ab")), S_FALSE);
  EXPECT_FALSE(block->HasLines());
}

TEST_F(FontTextTest, WithoutRendererCountsLinesButMeasuresNothing) {
  mApp.mRenderer = nullptr;
  const RCPtr<LFontText> block = Block(u"a\nb c");
  EXPECT_EQ(block->GetLineCount(), 2);
  EXPECT_FALSE(block->HasLines());
  EXPECT_EQ(block->MeasureWidth(), 0);
  EXPECT_EQ(mRenderer->mMeasureCalls, 0);
}

} // namespace
} // namespace QZ
