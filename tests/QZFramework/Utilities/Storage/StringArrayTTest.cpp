#include "QZFramework/Utilities/Storage/StringArrayT.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {
using Strings = StringArrayT<char16_t, char>;

std::vector<std::u16string> Pieces(const Strings& array) {
  std::vector<std::u16string> out;
  for (std::uint32_t i = 0; i < array.GetCount(); ++i)
    out.emplace_back(array.GetAt(i).GetChars());
  return out;
}

TEST(StringSplit, SeparatorsAtTheEdgesAndDoubled) {
  const struct {
    const char16_t* text;
    const char16_t* separators;
    std::vector<std::u16string> pieces;
  } cases[] = {
      {u"a,,b", u",", {u"a", u"", u"b"}},    // doubled: an empty piece
      {u"a,", u",", {u"a"}},                 // trailing: no empty last piece
      {u",a", u",", {u"", u"a"}},            // leading: an empty first piece
      {u",", u",", {u""}},                   //
      {u"", u",", {u""}},                    // empty text: one empty piece
      {u"abc", u",", {u"abc"}},              // no separator: the string itself
      {u"a;b c", u"; ", {u"a", u"b", u"c"}}, // every character of the set separates
      {u"a,b", u"", {u"a,b"}},               //
  };
  for (const auto& c : cases)
    EXPECT_EQ(Pieces(WideString(c.text).Split(WideString(c.separators))), c.pieces)
        << WideString(c.text).ToNarrow().GetChars();

  const WideString whole(u"no commas");
  const Strings one = whole.Split(WideString(u","));
  ASSERT_EQ(one.GetCount(), 1u);
  EXPECT_EQ(one.GetAt(0).GetStorage(), whole.GetStorage()) << "the one piece shares the text";
}

TEST(StringArrayT, FindExactOrIgnoringCase) {
  Strings array;
  for (const char16_t* text : {u"one", u"ABC", u"two", u"abc", u""})
    array.AddItem(WideString(text));

  const WideString lower(u"abc");
  EXPECT_EQ(array.Find(lower, false), 1) << "ABC matches abc ignoring case";
  EXPECT_EQ(array.Find(lower, true), 3);
  EXPECT_EQ(array.Find(WideString(u"ABC"), true), 1);
  EXPECT_EQ(array.Find(WideString(u"Two"), false), 2);
  EXPECT_EQ(array.Find(WideString(u"Two"), true), -1);
  EXPECT_EQ(array.Find(lower, false, 2), 3) << "from start on";
  EXPECT_EQ(array.Find(WideString(), true), 4);
  EXPECT_EQ(array.Find(WideString(u"on"), false), -1) << "whole strings only";
  EXPECT_EQ(array.Find(WideString(u"\u00C9"), false), -1);
  EXPECT_EQ(array.Find(lower, true, 5), -1) << "start at the count";
  EXPECT_EQ(array.Find(lower, true, 0xFFFFFFFFu), -1);
  EXPECT_EQ(Strings().Find(lower, false), -1);

  // The very same storage matches even where the text would not.
  Strings locked;
  locked.AddItem(WideString(u"x"));
  EXPECT_EQ(locked.Find(locked.GetAt(0), true), 0);
}

TEST(StringArrayT, FindPointerGoesByIdentityFromTheEnd) {
  Strings array;
  const WideString shared(u"same");
  array.AddItem(WideString(u"same"));
  array.AddItem(shared);
  array.AddItem(shared);
  EXPECT_EQ(array.FindPointer(shared.GetChars()), 2);
  EXPECT_EQ(array.FindPointer(array.GetAt(0).GetChars()), 0);
  EXPECT_EQ(array.FindPointer(WideString(u"same").GetChars()), -1) << "equal text elsewhere is not found";
  EXPECT_EQ(array.FindPointer(nullptr), -1);
}

TEST(StringArrayT, FindContainingBySubstring) {
  Strings array;
  for (const char16_t* text : {u"Keys MIDI", u"Other", u"my keys", u"KEYS"})
    array.AddItem(WideString(text));
  const struct {
    const char16_t* text;
    bool caseSensitive;
    std::uint32_t start;
    std::int32_t expected;
  } cases[] = {
      {u"MIDI", true, 0, 0},   //
      {u"midi", true, 0, -1},  // case counts when asked to
      {u"midi", false, 0, 0},  // ignoring case lower-cases both sides
      {u"keys", true, 0, 2},   //
      {u"keys", false, 1, 2},  // the search starts at start
      {u"Keys", false, 3, 3},  //
      {u"keys", false, 4, -1}, // start at the count
      {u"", true, 1, 1},       // the empty text is in every element
      {u"Others", false, 0, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(WideString(c.text).ToNarrow().GetChars());
    EXPECT_EQ(array.FindContaining(WideString(c.text), c.caseSensitive, c.start), c.expected);
  }
  EXPECT_EQ(Strings().FindContaining(WideString(u""), false), -1) << "an empty list has nothing";
}

} // namespace
} // namespace QZ
