#include "QZFramework/System/ClipBoard.h"

#include "Platform/Clipboard/FakeClipboard.h"
#include "QZFramework/Notification/NotificationCenterManager.h"

#include "Support/NotificationTestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace QZ {
namespace {

WideString TextOf(const RCPtr<LRefCountedObject>& data) {
  const auto text = DynamicCast<LClipboardText>(data);
  return text ? WideString(*text) : WideString(u"<not text>");
}

RCPtr<LRefCountedObject> MakeText(const char16_t* text) { return LClipboardText::Create(WideString(text)); }

class ClipboardTest : public test::NotificationFixture {
protected:
  Platform::ScopedFakeClipboard system;
  RCPtr<LClipboard> clipboard = LClipboard::Create();
};

TEST_F(ClipboardTest, TextGoesOutAsUTF8AndComesBackAsUTF16) {
  ASSERT_EQ(clipboard->SetText(MakeText(u"abc")), S_OK);
  EXPECT_EQ(system->Text(), "abc");

  const char16_t* nonAscii = u"Gr\u00fc\u00dfe \u2013 \u97f3\u697d \U0001F3B9";
  ASSERT_EQ(clipboard->SetText(MakeText(nonAscii)), S_OK);
  EXPECT_EQ(system->Text(), "Gr\xc3\xbc\xc3\x9f"
                            "e \xe2\x80\x93 \xe9\x9f\xb3\xe6\xa5\xbd \xf0\x9f\x8e\xb9");

  // Another program copies the same bytes: read once, as UTF-16.
  system->CopyFromOtherProgram(system->Text());
  const int reads = system->ReadCount();
  EXPECT_TRUE(TextOf(clipboard->GetText()) == WideString(nonAscii));
  EXPECT_EQ(system->ReadCount(), reads + 1);
}

TEST_F(ClipboardTest, AnotherProgramsMalformedTextArrivesWholeWithReplacementCharacters) {
  struct Case {
    const char* name;
    std::string utf8;
    std::u16string text;
  };
  const Case cases[] = {
      {"a byte that is never UTF-8",
       "ab\xff"
       "cd",
       u"ab\uFFFDcd"},
      {"Latin-1", "caf\xe9 ol\xe9", u"caf\uFFFD ol\uFFFD"},
      {"a stray continuation byte", "\x80x", u"\uFFFDx"},
      {"a sequence cut short by a letter", "\xe2\x82z", u"\uFFFDz"},
      {"a sequence cut short by the end", "ok\xf0\x9f\x98", u"ok\uFFFD"},
      {"an overlong slash", "\xc0\xaf/", u"\uFFFD\uFFFD/"},
      {"an overlong form of three bytes", "\xe0\x80\xaf", u"\uFFFD\uFFFD\uFFFD"},
      {"an encoded surrogate", "\xed\xa0\x80!", u"\uFFFD\uFFFD\uFFFD!"},
      {"above U+10FFFF", "\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"a new lead byte inside a sequence", "\xe2\xf0\x9f\x8e\xb9", u"\uFFFD\U0001F3B9"},
      {"valid text around it",
       "Gr\xc3\xbc\xc3\x9f"
       "e \xff \xe2\x80\x93 \xf0\x9f\x8e\xb9",
       u"Gr\u00fc\u00dfe \uFFFD \u2013 \U0001F3B9"},
      {"the text ends at a zero", std::string("ab\0cd", 5), u"ab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    system->CopyFromOtherProgram(c.utf8);
    const WideString text = TextOf(clipboard->GetText());
    EXPECT_EQ(std::u16string(text.GetChars(), text.GetLength()), c.text);
  }
}

TEST_F(ClipboardTest, ReadsAgainOnlyAfterAChange) {
  const auto own = MakeText(u"mine");
  ASSERT_EQ(clipboard->SetText(own), S_OK);
  EXPECT_EQ(clipboard->GetText(), own); // our own text: the same object, nothing read
  EXPECT_EQ(system->ReadCount(), 0);

  system->CopyFromOtherProgram("theirs");
  const auto first = clipboard->GetText();
  EXPECT_TRUE(TextOf(first) == WideString(u"theirs"));
  EXPECT_EQ(clipboard->GetText(), first);
  EXPECT_EQ(system->ReadCount(), 1);

  // An unreadable clipboard keeps what was read before, and is tried again.
  system->CopyFromOtherProgram("later");
  system->FailNextRead();
  EXPECT_EQ(clipboard->GetText(), first);
  EXPECT_TRUE(TextOf(clipboard->GetText()) == WideString(u"later"));

  // No text at all: nothing, and the next call looks again.
  system->CopyFromOtherProgram("");
  EXPECT_FALSE(clipboard->GetText());
  system->CopyFromOtherProgram("again");
  EXPECT_TRUE(TextOf(clipboard->GetText()) == WideString(u"again"));
}

TEST_F(ClipboardTest, OtherObjectsStayInsideWhileTheClaimHolds) {
  const auto object = test::IntPayload::Make(7);
  ASSERT_EQ(clipboard->SetText(object), S_OK);
  EXPECT_TRUE(system->IsClaimed());
  EXPECT_EQ(system->Text(), "");
  EXPECT_EQ(clipboard->GetText(), object);

  system->CopyFromOtherProgram("text");
  EXPECT_TRUE(TextOf(clipboard->GetText()) == WideString(u"text"));
}

TEST_F(ClipboardTest, ForgettingAndFailing) {
  // Another program took the clipboard: the cache is dropped, the system is not touched.
  ASSERT_EQ(clipboard->SetText(MakeText(u"abc")), S_OK);
  EXPECT_EQ(clipboard->SetText(RCPtr<LRefCountedObject>()), S_OK);
  EXPECT_EQ(system->Text(), "abc");
  EXPECT_FALSE(clipboard->GetText());
  ASSERT_EQ(clipboard->SetText(MakeText(u"def")), S_OK);
  EXPECT_EQ(system->Text(), "def");

  // A refused write reports E_FAIL and still caches the data.
  const auto refused = MakeText(u"refused");
  system->FailNextWrite();
  EXPECT_EQ(clipboard->SetText(refused), E_FAIL);
  EXPECT_EQ(system->Text(), "def");
  system->FailNextWrite();
  EXPECT_EQ(clipboard->SetText(test::IntPayload::Make(1)), E_FAIL);
  EXPECT_FALSE(system->IsClaimed());
}

// Re-entry from inside SetText (the system reporting that another program took
// the clipboard) is answered "busy" and changes nothing.
class ReentrantClipboard final : public Platform::Clipboard {
public:
  bool HasText() override { return false; }
  bool GetText(std::string&) override { return false; }
  bool SetText(std::string_view) override {
    inner = target->SetText(RCPtr<LRefCountedObject>());
    return true;
  }
  bool Claim() override { return true; }
  bool IsClaimed() override { return false; }
  std::uint32_t GetSequenceNumber() override { return 5; }

  LClipboard* target = nullptr;
  QZRESULT inner = S_OK;
};

TEST_F(ClipboardTest, ReentrySetTextIsBusy) {
  auto reentrant = std::make_shared<ReentrantClipboard>();
  reentrant->target = clipboard.Get();
  const auto previous = Platform::SetClipboard(reentrant);
  const auto text = MakeText(u"x");
  EXPECT_EQ(clipboard->SetText(text), S_OK);
  EXPECT_EQ(reentrant->inner, LClipboard::kClipboardBusy);
  EXPECT_EQ(clipboard->GetText(), text); // the cache survived the inner call
  Platform::SetClipboard(previous);
}

TEST_F(ClipboardTest, InitializeSubscribesTheFourEditRequests) {
  const RCPtr<LNotificationDistributor> center(GetApplicationNotificationCenter().GetRaw());
  const RCPtr<LNotificationReceiver> receiver(clipboard.Get());
  EXPECT_FALSE(center->IsClientRegistered(receiver));
  EXPECT_FALSE(clipboard->IsInitialized());

  ASSERT_EQ(clipboard->Initialize(), S_OK);
  EXPECT_TRUE(clipboard->IsInitialized());
  for (const char16_t* id :
       {u"NID_EDIT_CUT_REQ", u"NID_EDIT_COPY_REQ", u"NID_EDIT_PASTE_REQ", u"NID_EDIT_DELETE_REQ"}) {
    std::uint32_t flags = 0;
    EXPECT_EQ(center->GetClientFlags(receiver, id, flags), S_OK);
  }
  // The requests are consumed; with no root window they change nothing.
  for (const char16_t* id : {u"NID_EDIT_CUT_REQ", u"NID_EDIT_PASTE_REQ"})
    EXPECT_EQ(GetApplicationNotificationCenter()->Post(LNotification::Create(id)), S_OK);
  IdlePass(true);

  // Unsubscribing one request drops its binding too.
  EXPECT_EQ(clipboard->Unsubscribe(center, u"NID_EDIT_CUT_REQ"), kNotifyDone);
  std::uint32_t flags = 0;
  EXPECT_LT(center->GetClientFlags(receiver, u"NID_EDIT_CUT_REQ", flags), 0);
  clipboard->UnsubscribeAll();
}

// Random copies, claims, foreign copies and failures. Whatever happened, GetText
// shows what the system clipboard holds (or our claimed object), and reads the
// system clipboard only after it changed, at most once per change. A copy the
// system refused stays in the cache, and is shown, until a change of the
// system clipboard since the last read or copy is noticed.
TEST_F(ClipboardTest, RandomOperationsKeepTheViewOfTheSystemClipboard) {
  std::mt19937 random(20261210);
  const char16_t* texts[] = {u"", u"a", u"\u00e9t\u00e9", u"\U0001F3B9", u"line\nbreak"};
  RCPtr<LRefCountedObject> claimedObject;
  RCPtr<LRefCountedObject> refused;
  std::uint32_t syncedAt = 0; // the system's sequence at the clipboard's last read or copy
  const auto copy = [&](const RCPtr<LRefCountedObject>& data) {
    const bool fail = random() % 4 == 0;
    if (fail)
      system->FailNextWrite();
    const QZRESULT result = clipboard->SetText(data);
    EXPECT_EQ(result, fail ? E_FAIL : S_OK);
    refused = fail ? data : RCPtr<LRefCountedObject>();
    if (!fail)
      syncedAt = system->GetSequenceNumber();
    system->ClearFailures();
  };
  // A read moves the sync point; a shown object other than the refused one
  // means the refused one left the cache.
  const auto getText = [&] {
    const int reads = system->ReadCount();
    auto shown = clipboard->GetText();
    if (system->ReadCount() != reads)
      syncedAt = system->GetSequenceNumber();
    if (shown != refused)
      refused = RCPtr<LRefCountedObject>();
    return shown;
  };
  for (int step = 0; step < 3000; ++step) {
    SCOPED_TRACE(step);
    const char16_t* text = texts[random() % std::size(texts)];
    switch (random() % 6) {
    case 0: // we copy text
      copy(MakeText(text));
      break;
    case 1: { // we copy something else
      const auto object = test::IntPayload::Make(step);
      copy(object);
      if (!refused)
        claimedObject = object;
      break;
    }
    case 2: { // another program takes the clipboard, and the window tells us
      const NarrowString utf8 = WideString(text).ToNarrow();
      system->CopyFromOtherProgram(std::string(utf8.GetChars(), utf8.GetLength()));
      EXPECT_EQ(clipboard->SetText(RCPtr<LRefCountedObject>()), S_OK);
      refused = RCPtr<LRefCountedObject>();
      break;
    }
    case 3:
      system->FailNextRead();
      getText();
      system->ClearFailures();
      break;
    default: {
      const std::uint32_t sequence = system->GetSequenceNumber();
      const int reads = system->ReadCount();
      const bool showsRefused = refused && sequence == syncedAt;
      const auto expectedRefused = refused;
      const auto shown = getText();
      EXPECT_LE(system->ReadCount(), reads + 1);
      if (showsRefused) {
        EXPECT_EQ(shown, expectedRefused);
      } else if (system->IsClaimed()) {
        EXPECT_EQ(shown, claimedObject);
      } else if (system->HasText()) {
        WideString expected;
        expected.ConvertFromNarrow(system->Text().c_str());
        EXPECT_TRUE(TextOf(shown) == expected);
        // Nothing changed since: the same object, without reading.
        const int after = system->ReadCount();
        EXPECT_EQ(getText(), shown);
        EXPECT_EQ(system->ReadCount(), after);
      } else {
        EXPECT_TRUE(!shown || TextOf(shown).IsEmpty());
      }
      EXPECT_EQ(system->GetSequenceNumber(), sequence);
      break;
    }
    }
  }
}

} // namespace
} // namespace QZ
