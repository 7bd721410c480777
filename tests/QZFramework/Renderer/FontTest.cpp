#include "QZFramework/Renderer/Font.h"

#include "QZFramework/Renderer/RendererTestSupport.h"
#include "Support/FakeFrameworkApp.h"

#include <gtest/gtest.h>

namespace QZ {
namespace {

using test::FakeFrameworkApp;
using test::RecordingRenderer;

// The font list is process-wide: every test uses faces of its own.

TEST(Font, EqualRequestsGiveTheSameFontWhateverTheLetterCaseOfTheFace) {
  const RCPtr<LFont> arial = LFont::GetFont(u"Interned Arial", 9.0f, 0);
  EXPECT_EQ(LFont::GetFont(u"INTERNED ARIAL", 9.0f, 0), arial);
  EXPECT_TRUE(arial->GetFace().IsEqual(u"Interned Arial")); // the first request's spelling
  EXPECT_EQ(arial->GetSize(), 9.0f);
  EXPECT_EQ(arial->GetStyle(), 0);

  struct Case {
    const char16_t* face;
    float size;
    std::int32_t style;
  };
  for (const Case& c : {Case{u"Interned Arial", 9.5f, 0}, Case{u"Interned Arial", 9.0f, kFontStyleBold},
                        Case{u"Interned Arial", 9.0f, kFontStyleUnderline}, Case{u"Interned Arial2", 9.0f, 0}}) {
    SCOPED_TRACE(testing::Message() << c.size << " " << c.style);
    const RCPtr<LFont> other = LFont::GetFont(c.face, c.size, c.style);
    EXPECT_NE(other, arial);
    EXPECT_EQ(LFont::GetFont(c.face, c.size, c.style), other);
  }
  EXPECT_EQ(LFont::FindFont(u"interned arial", 9.0f, 0) >= 0, true);
  EXPECT_EQ(LFont::FindFont(u"Interned Arial", 10.0f, 0), -1);
}

TEST(Font, NewFontsTakeConsecutiveUniqueIDsThatAreNeverReused) {
  const RCPtr<LFont> first = LFont::GetFont(u"Unique One", 8.0f, 0);
  const RCPtr<LFont> second = LFont::GetFont(u"Unique Two", 8.0f, 0);
  EXPECT_GE(LFont::GetUniqueID(first), 1);
  EXPECT_EQ(LFont::GetUniqueID(second), LFont::GetUniqueID(first) + 1);
  EXPECT_EQ(LFont::GetUniqueID(LFont::GetFont(u"unique one", 8.0f, 0)), LFont::GetUniqueID(first));
  EXPECT_EQ(LFont::GetUniqueID(nullptr), 0);
}

TEST(Font, TheListKeepsFontsAliveWithTheirMetrics) {
  const LFont* raw = nullptr;
  std::int32_t id = 0;
  {
    const RCPtr<LFont> font = LFont::GetFont(u"Kept Alive", 11.0f, 2);
    raw = font.Get();
    id = LFont::GetUniqueID(font);
  }
  const RCPtr<LFont> again = LFont::GetFont(u"Kept Alive", 11.0f, 2);
  EXPECT_EQ(again.Get(), raw);
  EXPECT_EQ(LFont::GetUniqueID(again), id);
}

TEST(Font, MetricsAreAskedOfTheApplicationsRendererOnceAndKept) {
  FakeFrameworkApp app;
  auto renderer = MakeRCPtr<RecordingRenderer>();
  app.mRenderer = renderer;
  const RCPtr<LFont> font = LFont::GetFont(u"Lazy Metrics", 9.0f, 0);
  EXPECT_EQ(renderer->mMetricsCalls, 0); // not at creation

  EXPECT_EQ(font->GetAscent(), -11);
  EXPECT_EQ(renderer->mMeasuredFont, font.Get());
  EXPECT_EQ(font->GetLineHeight(), 14);
  EXPECT_EQ(font->GetDescent(), 3);
  EXPECT_EQ(renderer->mMetricsCalls, 1);

  renderer->mLineHeight = 99; // never asked again
  EXPECT_EQ(font->GetLineHeight(), 14);
  EXPECT_EQ(renderer->mMetricsCalls, 1);
}

TEST(Font, AFontStaysUnresolvedUntilARendererAnswers) {
  const RCPtr<LFont> font = LFont::GetFont(u"Unresolved", 9.0f, 0);
  EXPECT_EQ(font->GetLineHeight(), -1); // no application at all

  FakeFrameworkApp app;
  EXPECT_EQ(font->GetLineHeight(), -1); // an application without a window

  auto renderer = MakeRCPtr<RecordingRenderer>();
  app.mRenderer = renderer;
  renderer->mMetricsResult = E_FAIL;
  EXPECT_EQ(font->GetLineHeight(), -1);
  EXPECT_EQ(font->GetAscent(), 0);
  EXPECT_EQ(renderer->mMetricsCalls, 2); // asked again each time

  renderer->mMetricsResult = S_OK;
  EXPECT_EQ(font->GetLineHeight(), 14);
  EXPECT_EQ(font->GetDescent(), 3);
  EXPECT_EQ(renderer->mMetricsCalls, 3);
}

TEST(Font, ReleaseInnerReferencesTakesTheFontOffTheList) {
  const RCPtr<LFont> font = LFont::GetFont(u"Delisted", 9.0f, 0);
  const std::uint32_t count = LFont::GetFontCount();
  EXPECT_EQ(font->ReleaseInnerReferences(), S_OK);
  EXPECT_EQ(LFont::GetFontCount(), count - 1);
  EXPECT_EQ(LFont::FindFont(u"Delisted", 9.0f, 0), -1);
  EXPECT_EQ(font->ReleaseInnerReferences(), E_FAIL);
  EXPECT_EQ(font->GetRefCount(), 1); // ours only
  EXPECT_NE(LFont::GetFont(u"Delisted", 9.0f, 0), font);
}

} // namespace
} // namespace QZ
