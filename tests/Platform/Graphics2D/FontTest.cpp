#include "Platform/Graphics2D/Canvas.h"
#include "Platform/Graphics2D/Font.h"

#include "Support/PinnedFonts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace QZ::Platform {
namespace {

const bool kFontsPinned = QZ::test::PinFonts();

// Numbers of a well-known face (em 2048), whatever is installed.
class FixedMetrics final : public FontMetricsProvider {
public:
  bool GetDesignMetrics(const std::string& family, std::int32_t style, FontDesignMetrics& metrics) override {
    asked[family] = style;
    if (family != "DejaVu Sans")
      return false;
    metrics = {2048, 1854, 434, 2355};
    return true;
  }
  std::map<std::string, std::int32_t> asked;
};

// Puts a provider in for one test and the previous one back afterwards.
class ProviderScope {
public:
  explicit ProviderScope(std::shared_ptr<FontMetricsProvider> provider)
      : mPrevious(SetFontMetricsProvider(std::move(provider))) {}
  ~ProviderScope() { SetFontMetricsProvider(mPrevious); }

private:
  std::shared_ptr<FontMetricsProvider> mPrevious;
};

TEST(FontFamily, KnowsOnlyInstalledFamiliesAndFallsBackToDejaVu) {
  ASSERT_TRUE(kFontsPinned);
  std::shared_ptr<const FontFamily> family = FontFamily::FromName(u"DejaVu Sans");
  ASSERT_TRUE(family);
  EXPECT_EQ(family->GetName(), "DejaVu Sans");
  EXPECT_EQ(FontFamily::FromName(u"dejavu SANS"), family); // one answer per face
  EXPECT_EQ(FontFamily::FromName(u"DejaVu Serif")->GetName(), "DejaVu Serif");
  EXPECT_FALSE(FontFamily::FromName(u"Arial"));
  EXPECT_FALSE(FontFamily::FromName(u"No Such Face"));
  EXPECT_FALSE(FontFamily::FromName(u""));
  EXPECT_EQ(FontFamily::GenericSansSerif()->GetName(), "DejaVu Sans");
}

TEST(FontFamily, LookUpsFromSeveralThreadsAgree) {
  std::vector<std::shared_ptr<const FontFamily>> found(8);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < found.size(); ++i)
    threads.emplace_back([&found, i] {
      found[i] = FontFamily::FromName(i % 2 ? u"DejaVu Sans Mono" : u"DEJAVU SANS MONO");
      FontDesignMetrics metrics;
      EXPECT_TRUE(found[i]->GetDesignMetrics(kFontBold, metrics));
      EXPECT_TRUE(FontFamily::GenericSansSerif());
    });
  for (std::thread& thread : threads)
    thread.join();
  for (const auto& family : found)
    EXPECT_EQ(family, found[0]);
}

TEST(FontFamily, ReadsDesignMetricsFromTheFontFile) {
  // DejaVu Sans 2.37: em 2048, Windows ascent and descent 1901 and 483, no
  // line gap.
  FontDesignMetrics metrics;
  ASSERT_TRUE(FontFamily::FromName(u"DejaVu Sans")->GetDesignMetrics(kFontRegular, metrics));
  EXPECT_EQ(metrics.emHeight, 2048);
  EXPECT_EQ(metrics.cellAscent, 1901);
  EXPECT_EQ(metrics.cellDescent, 483);
  EXPECT_EQ(metrics.lineSpacing, 2384);
  FontDesignMetrics bold;
  ASSERT_TRUE(FontFamily::FromName(u"DejaVu Sans")->GetDesignMetrics(kFontBold | kFontUnderline, bold));
  EXPECT_EQ(bold.emHeight, 2048);
}

TEST(Font, HeightFollowsTheInjectedMetricsInPointsAndPixels) {
  auto provider = std::make_shared<FixedMetrics>();
  ProviderScope scope(provider);
  std::shared_ptr<const FontFamily> family = FontFamily::FromName(u"DejaVu Sans");
  struct Case {
    float size;
    FontUnit unit;
    float dpi;
    float height;
  };
  const Case cases[] = {
      {12, FontUnit::Pixel, 72, 2355.0f * 12 / 2048}, // pixels: the resolution does not matter
      {12, FontUnit::Pixel, 96, 2355.0f * 12 / 2048},
      {9, FontUnit::Point, 96, 2355.0f * 12 / 2048}, // 9 pt at 96 dpi = 12 px
      {9, FontUnit::Point, 72, 2355.0f * 9 / 2048},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.size << " unit " << static_cast<int>(c.unit) << " at " << c.dpi);
    std::unique_ptr<Font> font = Font::Create(family, c.size, kFontItalic | kFontStrikeout, c.unit);
    ASSERT_TRUE(font);
    EXPECT_FLOAT_EQ(font->GetHeight(c.dpi), c.height);
  }
  EXPECT_EQ(provider->asked["DejaVu Sans"], kFontItalic); // only bold and italic reach the provider

  FontDesignMetrics metrics;
  EXPECT_FALSE(FontFamily::FromName(u"DejaVu Serif")->GetDesignMetrics(kFontRegular, metrics));
  EXPECT_EQ(metrics.emHeight, 0);
  EXPECT_EQ(Font::Create(FontFamily::FromName(u"DejaVu Serif"), 9, 0, FontUnit::Point)->GetHeight(96), 0.0f);

  EXPECT_FALSE(Font::Create(nullptr, 9, 0, FontUnit::Point));
  EXPECT_FALSE(Font::Create(family, 0, 0, FontUnit::Point));
  EXPECT_FALSE(Font::Create(family, -1, 0, FontUnit::Pixel));
}

class TextTest : public ::testing::Test {
protected:
  TextTest() : surface(Surface::Create(120, 40)), canvas(Canvas::Create(*surface)) {}

  std::unique_ptr<Font> MakeFont(std::int32_t style = kFontRegular) {
    return Font::Create(FontFamily::FromName(u"DejaVu Sans"), 9, style, FontUnit::Point);
  }

  // The bounding box of the pixels that are not transparent; width 0 when none.
  RectI Inked() {
    int left = 1000, top = 1000, right = -1, bottom = -1;
    for (int y = 0; y < surface->GetHeight(); ++y)
      for (int x = 0; x < surface->GetWidth(); ++x) {
        std::uint32_t argb = 0;
        EXPECT_EQ(surface->GetPixel(x, y, argb), ImageStatus::Ok);
        if (argb >> 24) {
          left = std::min(left, x);
          top = std::min(top, y);
          right = std::max(right, x);
          bottom = std::max(bottom, y);
        }
      }
    return right < 0 ? RectI{} : RectI{left, top, right - left + 1, bottom - top + 1};
  }

  std::unique_ptr<Surface> surface;
  std::unique_ptr<Canvas> canvas;
};

TEST_F(TextTest, DrawsInsideTheMeasuredBoxFromTheTopLeftCorner) {
  std::unique_ptr<Font> font = MakeFont();
  const RectF box = canvas->MeasureString(u"Hello", *font);
  EXPECT_EQ(box.x, 0.0f);
  EXPECT_EQ(box.y, 0.0f);
  EXPECT_GT(box.width, 20.0f);
  EXPECT_LT(box.width, 40.0f);
  EXPECT_NEAR(box.height, 14.0f, 1.0f); // DejaVu Sans 9 pt: about 14 px a line

  canvas->DrawString(u"Hello", *font, {10, 20}, 0xFF000000);
  const RectI ink = Inked();
  ASSERT_GT(ink.width, 0);
  EXPECT_GE(ink.x, 10);
  EXPECT_GE(ink.y, 20);
  EXPECT_LE(ink.x + ink.width, 10 + static_cast<int>(box.width) + 1);
  EXPECT_LE(ink.y + ink.height, 20 + static_cast<int>(box.height) + 1);
  EXPECT_LE(ink.x, 12); // "H" starts at the left edge
}

TEST_F(TextTest, MeasuresTrailingSpacesAndConvertsUtf16) {
  std::unique_ptr<Font> font = MakeFont();
  const float word = canvas->MeasureString(u"ab", *font).width;
  EXPECT_GT(canvas->MeasureString(u"ab  ", *font).width, word + 4);
  EXPECT_EQ(canvas->MeasureString(u"", *font).width, 0.0f);
  EXPECT_GT(canvas->MeasureString(u"", *font).height, 0.0f);
  EXPECT_GT(canvas->MeasureString(u"ab", *MakeFont(kFontBold)).width, word);

  struct Case {
    std::u16string text;
    std::string utf8;
  };
  const Case cases[] = {
      {u"A\u00e9\u20ac", "A\xc3\xa9\xe2\x82\xac"},
      {u"\U0001F600", "\xf0\x9f\x98\x80"},
      {std::u16string(1, u'\xd800') + u"x", "\xef\xbf\xbdx"}, // unpaired surrogate
      {std::u16string(1, u'\xdc00'), "\xef\xbf\xbd"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(ToUtf8(c.text), c.utf8);
  }
}

TEST_F(TextTest, CaretStopsComeFromOneLayoutOfTheWholeText) {
  std::unique_ptr<Font> font = MakeFont();
  // Plain text: a stop between every two characters, each as far as the text before it reaches.
  const std::u16string plain = u"Wave 12";
  const std::vector<float> stops = canvas->MeasureCaretStops(plain, *font);
  ASSERT_EQ(stops.size(), plain.size() + 1);
  EXPECT_EQ(stops[0], 0.0f);
  for (std::size_t i = 1; i <= plain.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_GT(stops[i], stops[i - 1]);
    // Alone, a prefix lacks the kerning with the character after it.
    EXPECT_NEAR(stops[i], canvas->MeasureString(plain.substr(0, i), *font).width, 1.0f);
  }
  EXPECT_NEAR(stops.back(), canvas->MeasureString(plain, *font).width, 0.01f);

  // No stop inside a pair or between a letter and its marks; a lone half is a character.
  struct Case {
    std::u16string text;
    std::vector<bool> stop;
  };
  const Case cases[] = {
      {u"a\U0001F600b", {true, true, false, true, true}},
      {u"ae\u0301b", {true, true, false, true, true}},
      {u"e\u0301\u0323", {true, false, false, true}},
      {std::u16string(1, u'\xd800') + u"x", {true, true, true}},
      {u"", {true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ToUtf8(c.text));
    const std::vector<float> got = canvas->MeasureCaretStops(c.text, *font);
    ASSERT_EQ(got.size(), c.stop.size());
    float last = 0.0f;
    for (std::size_t i = 0; i < got.size(); ++i) {
      EXPECT_EQ(got[i] >= 0.0f, c.stop[i]) << i;
      if (got[i] >= 0.0f) {
        EXPECT_GE(got[i], last) << i;
        last = got[i];
      }
    }
    EXPECT_NEAR(got.back(), canvas->MeasureString(c.text, *font).width, 0.01f);
  }
  EXPECT_TRUE(canvas->MeasureCaretStops(std::u16string(u"a\0b", 3), *font).empty()) << "a zero ends the layout";
}

TEST_F(TextTest, UnderlineAndStrikeOutDrawLines) {
  canvas->DrawString(u"mm", *MakeFont(), {0, 0}, 0xFF000000);
  const RectI plain = Inked();
  canvas->Clear(0);
  canvas->DrawString(u"mm", *MakeFont(kFontUnderline), {0, 0}, 0xFF000000);
  const RectI underlined = Inked();
  EXPECT_GT(underlined.y + underlined.height, plain.y + plain.height);

  // Strike-out adds ink across the glyphs, between their top and bottom.
  canvas->Clear(0);
  canvas->DrawString(u"mm", *MakeFont(), {0, 0}, 0xFF000000);
  std::unique_ptr<Image> before = surface->ToImage();
  canvas->Clear(0);
  canvas->DrawString(u"mm", *MakeFont(kFontStrikeout), {0, 0}, 0xFF000000);
  int changed = 0;
  for (int y = 0; y < surface->GetHeight(); ++y)
    for (int x = 0; x < surface->GetWidth(); ++x) {
      std::uint32_t was = 0, now = 0;
      ASSERT_EQ(before->GetPixel(x, y, was), ImageStatus::Ok);
      ASSERT_EQ(surface->GetPixel(x, y, now), ImageStatus::Ok);
      if (was != now) {
        ++changed;
        EXPECT_GT(y, plain.y) << x << "," << y;
        EXPECT_LT(y, plain.y + plain.height - 1) << x << "," << y;
      }
    }
  EXPECT_GT(changed, 4);
}

} // namespace
} // namespace QZ::Platform
