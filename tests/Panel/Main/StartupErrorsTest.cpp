#include "Panel/Main/StartupErrors.h"

#include "QZFramework/ObjectBase/RefCountedObject.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

TEST(StartupErrors, OnlyAFailedStartupExitsNonZero) {
  EXPECT_EQ(ExitCodeFor(StartupOutcome::kRan), 0);
  EXPECT_EQ(ExitCodeFor(StartupOutcome::kHandedOver), 0);
  EXPECT_NE(ExitCodeFor(StartupOutcome::kFailed), 0);
  EXPECT_EQ(ExitCodeFor(StartupOutcome::kFailed), kExitCodeStartupFailed);
}

TEST(StartupErrors, TheTableReplacesEachTextItHas) {
  SStartupErrorTexts texts = GetStartupErrorTexts(nullptr);
  EXPECT_EQ(Narrow(texts.mText), "The application encountered problems during startup and will now close.");
  EXPECT_EQ(Narrow(texts.mCaption), "Error");

  const RCPtr<LStringTable> table = MakeRCPtr<LStringTable>();
  ASSERT_EQ(table->SetString(kStartupErrorCaptionKey, u"Fehler"), 0);
  texts = GetStartupErrorTexts(table.Get());
  EXPECT_EQ(Narrow(texts.mText), "The application encountered problems during startup and will now close.");
  EXPECT_EQ(Narrow(texts.mCaption), "Fehler");

  // An entry that is present but empty is still the table's text.
  ASSERT_EQ(table->SetString(kStartupErrorKey, u""), 0);
  texts = GetStartupErrorTexts(table.Get());
  EXPECT_EQ(Narrow(texts.mText), "");
  EXPECT_EQ(Narrow(texts.mCaption), "Fehler");
}

} // namespace
} // namespace QZ
