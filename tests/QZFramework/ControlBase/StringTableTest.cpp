#include "QZFramework/ControlBase/StringTable.h"

#include "QZFramework/ControlBase/ControlBaseTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::Narrow;

std::vector<std::string> Ids(const LStringTable::SortedEntries& entries) {
  std::vector<std::string> ids;
  for (std::uint32_t i = 0; i < entries.GetCount(); ++i)
    ids.push_back(Narrow(entries.GetAt(i).mKey));
  return ids;
}

TEST(StringTable, GetAndSetReportWhatHappened) {
  LStringTable table;
  WideString text(u"default");
  EXPECT_FALSE(table.GetString(u"LABEL", text));
  EXPECT_TRUE(text.IsEqual(u"default")); // callers keep their default
  EXPECT_FALSE(table.GetString(nullptr, text));

  EXPECT_EQ(table.SetString(u"LABEL", u"Send"), S_OK);
  EXPECT_EQ(table.SetString(u"LABEL", u"Send program"), S_FALSE);
  EXPECT_EQ(table.SetString(u"", u"x"), E_INVALIDARG);
  EXPECT_EQ(table.SetString(nullptr, u"x"), E_INVALIDARG);
  ASSERT_TRUE(table.GetString(u"LABEL", text));
  EXPECT_TRUE(text.IsEqual(u"Send program"));
  EXPECT_FALSE(table.GetString(u"label", text)); // exact comparison
  EXPECT_EQ(table.GetCount(), 1u);
}

TEST(StringTable, SortedEntriesComeInCodeUnitOrderOfIds) {
  LStringTable table;
  for (const char16_t* id : {u"ITEM.10", u"ITEM.01", u"CONTEXT_MENU0.00.NID_X", u"ITEM.00", u"ITEM", u"item.00",
                             u"ITEM.0\u00e9", u"ITEM.\uffff"})
    ASSERT_EQ(table.SetString(id, WideString(id).Concat(WideString(u"!"))), S_OK);

  LStringTable::SortedEntries entries;
  entries.InsertItem(0, {u"stale", u"stale"});
  ASSERT_EQ(table.GetSortedEntries(entries), S_OK);
  EXPECT_EQ(Ids(entries), (std::vector<std::string>{"CONTEXT_MENU0.00.NID_X", "ITEM", "ITEM.00", "ITEM.01",
                                                    "ITEM.0\u00e9", "ITEM.10", "ITEM.\uffff", "item.00"}));
  EXPECT_TRUE(entries.GetAt(1).mValue.IsEqual(u"ITEM!"));

  ASSERT_EQ(table.GetSortedEntriesWithPrefix(u"ITEM.", entries), S_OK);
  EXPECT_EQ(Ids(entries),
            (std::vector<std::string>{"ITEM.00", "ITEM.01", "ITEM.0\u00e9", "ITEM.10", "ITEM.\uffff"}));
  ASSERT_EQ(table.GetSortedEntriesWithPrefix(u"NOTHING", entries), S_OK);
  EXPECT_EQ(entries.GetCount(), 0u);
  ASSERT_EQ(table.GetSortedEntriesWithPrefix(WideString(), entries), S_OK);
  EXPECT_EQ(entries.GetCount(), 8u);
}

// Random sets, lookups and prefix listings against a plain map of UTF-16 texts.
TEST(StringTable, BehavesLikeAnOrderedMapOfTexts) {
  std::mt19937 random(20261210);
  const std::u16string alphabet = u"AB.\u00e9\uffff";
  auto randomText = [&](std::size_t maxLength) {
    std::u16string text;
    const std::size_t length = std::uniform_int_distribution<std::size_t>(0, maxLength)(random);
    for (std::size_t i = 0; i < length; ++i)
      text.push_back(alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)]);
    return text;
  };

  LStringTable table;
  std::map<std::u16string, std::u16string> model;
  for (int step = 0; step < 3000; ++step) {
    SCOPED_TRACE(step);
    const std::u16string id = randomText(4);
    switch (std::uniform_int_distribution<int>(0, 2)(random)) {
    case 0: {
      const std::u16string text = randomText(6);
      const QZRESULT expected = id.empty() ? E_INVALIDARG : (model.count(id) ? S_FALSE : S_OK);
      ASSERT_EQ(table.SetString(id.c_str(), WideString(text.c_str())), expected);
      if (!id.empty())
        model[id] = text;
      break;
    }
    case 1: {
      WideString text(u"unchanged");
      const auto found = model.find(id);
      ASSERT_EQ(table.GetString(id.c_str(), text), found != model.end());
      ASSERT_EQ(std::u16string(text.GetChars()), found != model.end() ? found->second : u"unchanged");
      break;
    }
    default: {
      LStringTable::SortedEntries entries;
      ASSERT_EQ(table.GetSortedEntriesWithPrefix(id.c_str(), entries), S_OK);
      std::vector<std::u16string> expected;
      for (const auto& [key, value] : model)
        if (key.starts_with(id))
          expected.push_back(key + u"=" + value);
      std::vector<std::u16string> actual;
      for (std::uint32_t i = 0; i < entries.GetCount(); ++i)
        actual.push_back(std::u16string(entries.GetAt(i).mKey.GetChars()) + u"=" +
                         entries.GetAt(i).mValue.GetChars());
      ASSERT_EQ(actual, expected);
    }
    }
  }
  EXPECT_EQ(table.GetCount(), model.size());
}

} // namespace
} // namespace QZ
