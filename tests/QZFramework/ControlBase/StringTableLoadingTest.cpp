#include "QZFramework/ControlBase/ControlFactory.h"

#include "QZFramework/ControlBase/ControlBaseTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::Bytes;
using test::Narrow;
using test::Utf16Document;

// The text of an id in a table, or "<absent>".
std::string TextOf(const RCPtr<LStringTable>& table, const char16_t* id) {
  WideString text;
  if (!table || !table->GetString(id, text))
    return "<absent>";
  return Narrow(text);
}

// The language is decided by the application's document, and the framework's follows it.
TEST(StringTableLoading, TheFirstDocumentDecidesTheLanguageOfBoth) {
  struct Case {
    std::int32_t lcid;
    std::int32_t settled;
    const char* startupError;
    const char* caption;
    const char* undo;
  };
  const Case cases[] = {
      {0x0407, 0x0007, "Start fehlgeschlagen.", "Pellan Vorn", "R\u00fcckg\u00e4ngig"},
      {0x0007, 0x0007, "Start fehlgeschlagen.", "Pellan Vorn", "R\u00fcckg\u00e4ngig"},
      // Chinese (Hong Kong, Taiwan) fall back to Chinese Traditional, written 0x7c04 or 31748.
      {0x0C04, 0x7C04, "\u555f\u52d5\u5931\u6557\u3002", "Pellan Vorn \u7de8\u8f2f\u5668", "\u5fa9\u539f"},
      {0x0404, 0x7C04, "\u555f\u52d5\u5931\u6557\u3002", "Pellan Vorn \u7de8\u8f2f\u5668", "\u5fa9\u539f"},
      // Chinese (PRC) falls back to its primary language; "0X0004" reads 0 and matches nothing.
      {0x0804, 0x0004, "\u542f\u52a8\u5931\u8d25\u3002", "<absent>", "\u64a4\u9500"},
      // English through the first document's third pass, although the framework
      // has French and Japanese texts.
      {0x040C, 0x0009, "Start-up failed.", "Pellan Vorn", "Undo"},
      {0x0411, 0x0009, "Start-up failed.", "Pellan Vorn", "Undo"},
      {0x0409, 0x0009, "Start-up failed.", "Pellan Vorn", "Undo"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lcid);
    LControlFactory factory(u"Unnamed");
    ASSERT_EQ(factory.LoadStringTables(u"::APP_STRINGS", u"::FRAMEWORK_STRINGS", c.lcid), S_OK);
    EXPECT_EQ(factory.GetLCID(), c.settled);
    EXPECT_TRUE(factory.GetApplicationName().IsEqual(u"PresetEditor"));
    const RCPtr<LStringTable> app = factory.GetApplicationStringTable();
    EXPECT_EQ(TextOf(app, u"STARTUP_ERROR"), c.startupError);
    EXPECT_EQ(TextOf(app, u"STARTUP_ERROR_CAPTION"), c.caption);
    EXPECT_EQ(TextOf(factory.GetFrameworkStringTable(), u"UNDO"), c.undo);
  }
}

TEST(StringTableLoading, TextsKeepEveryCharacterAndJoinTheirPieces) {
  LControlFactory factory(u"Unnamed");
  ASSERT_EQ(factory.LoadResources(u"::", 0x0409), S_OK);
  const RCPtr<LStringTable> app = factory.GetApplicationStringTable();
  // Two Locales of the language joined, then a String without ID adding to the previous one.
  EXPECT_EQ(TextOf(app, u"TWO_PARTS"), "one two, three");
  EXPECT_EQ(TextOf(app, u"LINES"), "  first & line\nsecond line  ");
  EXPECT_EQ(TextOf(app, u"GHK.NID_APP_EXIT_REQ"), "Ctrl+VKEY_Q");
  // A String without a text in the language has no entry.
  EXPECT_EQ(TextOf(app, u"GERMAN_ONLY"), "<absent>");

  const LControlDescriptor mainControl(u"PresetEditor.MainControl", u"main", nullptr);
  const RCPtr<LStringTable> menu = factory.GetStringTableForParentDescriptor(&mainControl, u"mainMenu");
  ASSERT_TRUE(menu);
  LStringTable::SortedEntries items;
  ASSERT_EQ(menu->GetSortedEntriesWithPrefix(u"ITEM.", items), S_OK);
  ASSERT_EQ(items.GetCount(), 3u);
  EXPECT_EQ(Narrow(items.GetAt(0).mValue) + Narrow(items.GetAt(1).mValue) + Narrow(items.GetAt(2).mValue),
            "ZeroOneTen");
}

TEST(StringTableLoading, LoadingAgainAddsAndAppends) {
  LControlFactory factory(u"Unnamed");
  ASSERT_EQ(factory.LoadStringTables(u"::APP_STRINGS", u"::FRAMEWORK_STRINGS", 0x0409), S_OK);
  ASSERT_EQ(factory.LoadStringTables(u"::APP_STRINGS", WideString(), 0x0409), S_OK);
  EXPECT_EQ(TextOf(factory.GetApplicationStringTable(), u"STARTUP_ERROR"), "Start-up failed.Start-up failed.");
  EXPECT_EQ(TextOf(factory.GetFrameworkStringTable(), u"UNDO"), "Undo");
}

TEST(StringTableLoading, MalformedDocumentsKeepWhatCameBeforeTheError) {
  const std::string broken = Utf16Document("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r>\n"
                                           "<StringTable ID=\"Framework\">\n"
                                           "<String ID=\"A\"><Locale LCID=\"0x0009\">first</Locale></String>\n"
                                           "<String ID=\"B\"><Locale LCID=\"0x0009\">second</Locale>\n"
                                           "</StringTable>\n</r>\n");
  LControlFactory factory(u"Unnamed");
  ::testing::internal::CaptureStderr();
  factory.LoadStringTablesFromText(Bytes(broken), Bytes(std::string()), 0x0409);
  // Loading goes on, but the error is logged, once per pass.
  const std::string log = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(log.find("String table: mismatched tag (line 6)\nString table: mismatched tag (line 6)\n"),
            std::string::npos)
      << log;
  EXPECT_TRUE(factory.GetLastXMLError().IsEqual(u"mismatched tag"));
  EXPECT_EQ(factory.GetLastXMLErrorLine(), 6);
  // Every pass read up to the error: English came from the second pass.
  EXPECT_EQ(factory.GetLCID(), 0x0009);
  const RCPtr<LStringTable> table = factory.GetFrameworkStringTable();
  EXPECT_EQ(TextOf(table, u"A"), "first");
  EXPECT_EQ(TextOf(table, u"B"), "second");
}

TEST(StringTableLoading, ElementsWithoutTheirTableOrLanguageAreIgnored) {
  // UTF-8 documents read as well: the parser follows the declaration.
  const std::string document =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r>"
      "<String ID=\"early\"><Locale LCID=\"9\">no table yet</Locale></String>"
      "<StringTable ID=\"Framework\"><String ID=\"noLcid\"><Locale>none</Locale></String>"
      "<String ID=\"nested\"><Locale LCID=\"9\">a<b>b</b>c</Locale></String></StringTable></r>";
  LControlFactory factory(u"App");
  factory.LoadStringTablesFromText(Bytes(document), Bytes(std::string()), 0x0009);
  const RCPtr<LStringTable> table = factory.GetFrameworkStringTable();
  ASSERT_TRUE(table);
  EXPECT_EQ(TextOf(table, u"early"), "<absent>");
  EXPECT_EQ(TextOf(table, u"noLcid"), "<absent>");
  // Collecting stops at the first end tag, whichever element it closes.
  EXPECT_EQ(TextOf(table, u"nested"), "ab");
  EXPECT_EQ(table->GetCount(), 1u);
}

// Random documents against a model of the fallback: the first document settles
// on the first of (requested, related, English) that any of its Locales has,
// the second on that language or English, and each table holds exactly the
// texts of its document's settled language.
TEST(StringTableLoading, RandomDocumentsSettleAsTheModelSays) {
  std::mt19937 random(19);
  const std::vector<std::int32_t> written = {0x0009, 0x0007, 0x0407, 0x7C04, 0x0004, 0x0C04, 0x000C, 0x0011};
  const std::vector<std::int32_t> requested = {0x0009, 0x0407, 0x0807, 0x0C04, 0x0404, 0x1404,
                                               0x0804, 0x040C, 0x0411, 0x0409, 0x0007};
  auto related = [](std::int32_t lcid) {
    return lcid == 0x0404 || lcid == 0x0C04 || lcid == 0x1404 ? 0x7C04 : lcid & 0xFF;
  };
  auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };

  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    // texts[document][string id][language]
    std::map<std::string, std::map<std::int32_t, std::string>> texts[2];
    std::string documents[2];
    for (int d = 0; d < 2; ++d) {
      std::string body;
      const std::size_t strings = pick(5);
      for (std::size_t s = 0; s < strings; ++s) {
        const std::string id = "S" + std::to_string(s);
        body += "<String ID=\"" + id + "\">";
        for (const std::int32_t lcid : written) {
          if (pick(3) != 0)
            continue;
          char attribute[16];
          // Hexadecimal in either digit case, or decimal.
          std::snprintf(attribute, sizeof attribute, pick(3) == 0 ? "%d" : (pick(2) ? "0x%04x" : "0x%04X"), lcid);
          const std::string text = std::to_string(d) + "-" + id + "-" + std::to_string(lcid);
          body += std::string("<Locale LCID=\"") + attribute + "\">" + text + "</Locale>";
          texts[d][id][lcid] = text;
        }
        body += "</String>";
      }
      const std::string table = d == 0 ? "|App" : "Framework";
      const std::string utf8 =
          "<r><Application Name=\"App\"/><StringTable ID=\"" + table + "\">" + body + "</StringTable></r>";
      documents[d] = pick(2) ? test::Utf16Document("<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + utf8) : utf8;
    }
    const std::int32_t lcid = requested[pick(requested.size())];
    SCOPED_TRACE(lcid);

    auto has = [&](int d, std::int32_t language) {
      for (const auto& entry : texts[d])
        if (entry.second.count(language))
          return true;
      return false;
    };
    std::int32_t first = kLcidEnglish;
    for (const std::int32_t language : {lcid, related(lcid)}) {
      if (has(0, language)) {
        first = language;
        break;
      }
    }
    const std::int32_t second = has(1, first) ? first : kLcidEnglish;

    LControlFactory factory(u"Start");
    factory.LoadStringTablesFromText(Bytes(documents[0]), Bytes(documents[1]), lcid);
    EXPECT_EQ(factory.GetLCID(), second);
    const RCPtr<LStringTable> tables[2] = {factory.GetApplicationStringTable(), factory.GetFrameworkStringTable()};
    const std::int32_t settled[2] = {first, second};
    for (int d = 0; d < 2; ++d) {
      SCOPED_TRACE(d);
      ASSERT_TRUE(tables[d]);
      std::uint32_t expected = 0;
      for (const auto& [id, byLanguage] : texts[d]) {
        const auto text = byLanguage.find(settled[d]);
        const WideString wideId(id.c_str());
        EXPECT_EQ(TextOf(tables[d], wideId.GetChars()), text == byLanguage.end() ? "<absent>" : text->second);
        expected += text != byLanguage.end();
      }
      EXPECT_EQ(tables[d]->GetCount(), expected);
    }
  }
}

} // namespace
} // namespace QZ
