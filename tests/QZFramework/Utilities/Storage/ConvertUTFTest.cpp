#include "QZFramework/Utilities/Storage/ConvertUTF.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ {
namespace {

struct ToUtf8 {
  ConversionResult result;
  std::string text;
  std::size_t consumed;
};

ToUtf8 Utf16To8(const std::u16string& source, ConversionFlags flags = ConversionFlags::Lenient) {
  char buffer[64];
  const char16_t* from = source.data();
  char* to = buffer;
  const ConversionResult result =
      ConvertUTF16toUTF8(&from, source.data() + source.size(), &to, buffer + 64, flags);
  return {result, std::string(buffer, to), static_cast<std::size_t>(from - source.data())};
}

struct ToUtf16 {
  ConversionResult result;
  std::u16string text;
  std::size_t consumed;
};

ToUtf16 Utf8To16(const std::string& source) {
  char16_t buffer[64];
  const char* from = source.data();
  char16_t* to = buffer;
  const ConversionResult result =
      ConvertUTF8toUTF16(&from, source.data() + source.size(), &to, buffer + 64, ConversionFlags::Lenient);
  return {result, std::u16string(buffer, to), static_cast<std::size_t>(from - source.data())};
}

TEST(ConvertUTF, Utf16ToUtf8) {
  const struct {
    std::u16string source;
    ConversionResult result;
    std::string text;
  } cases[] = {
      {u"abc", ConversionResult::Ok, "abc"},
      {u"\u00E9\u20AC", ConversionResult::Ok, "\xC3\xA9\xE2\x82\xAC"},
      {u"\U0001F600", ConversionResult::Ok, "\xF0\x9F\x98\x80"}, // a pair becomes one 4-byte character
      {std::u16string(1, 0xDC00) + u"x", ConversionResult::Ok, "\xED\xB0\x80x"},  // lone low: encoded as itself
      {std::u16string(1, 0xD800) + u"x", ConversionResult::Ok, "\xED\xA0\x80x"},  // high without low: as itself
      {u"a" + std::u16string(1, 0xD83D), ConversionResult::SourceExhausted, "a"}, // high at the end: stop
  };
  for (const auto& c : cases) {
    const ToUtf8 out = Utf16To8(c.source);
    EXPECT_EQ(out.result, c.result) << c.text;
    EXPECT_EQ(out.text, c.text);
  }
  const ToUtf8 strict = Utf16To8(u"a" + std::u16string(1, 0xDC00), ConversionFlags::Strict);
  EXPECT_EQ(strict.result, ConversionResult::SourceIllegal);
  EXPECT_EQ(strict.text, "a");
  EXPECT_EQ(strict.consumed, 1u);
}

TEST(ConvertUTF, Utf8ToUtf16StopsAtIllFormedSequences) {
  const struct {
    std::string source;
    ConversionResult result;
    std::u16string text;
  } cases[] = {
      {"\xC3\xA9", ConversionResult::Ok, u"\u00E9"},
      {"\xF0\x9F\x98\x80", ConversionResult::Ok, u"\U0001F600"},
      {"\xF4\x8F\xBF\xBF", ConversionResult::Ok, u"\U0010FFFF"},
      {"ab\xE9"
       "c!",
       ConversionResult::SourceIllegal, u"ab"},                         // lead byte, then no continuation
      {"a\xED\xA0\x80z", ConversionResult::SourceIllegal, u"a"},        // an encoded surrogate
      {"a\xED\xB0\x80z", ConversionResult::SourceIllegal, u"a"},        // the lone low surrogate's own form
      {"a\xF4\x90\x80\x80", ConversionResult::SourceIllegal, u"a"},     // above U+10FFFF
      {"a\xC0\x80", ConversionResult::SourceIllegal, u"a"},             // overlong
      {"a\xE0\x80\x80", ConversionResult::SourceIllegal, u"a"},         // overlong 3-byte
      {"a\x80", ConversionResult::SourceIllegal, u"a"},                 // continuation without lead
      {"a\xF8\x88\x80\x80\x80", ConversionResult::SourceIllegal, u"a"}, // 5-byte form
      {"a\xC3", ConversionResult::SourceExhausted, u"a"},               // cut at the end of the range
      {"a\xE2\x82", ConversionResult::SourceExhausted, u"a"},
  };
  for (const auto& c : cases) {
    const ToUtf16 out = Utf8To16(c.source);
    EXPECT_EQ(out.result, c.result) << c.source;
    EXPECT_EQ(out.text, c.text) << c.source;
  }
}

TEST(ConvertUTF, FullTargetStopsBeforeTheCharacter) {
  const std::u16string source = u"a\u20AC";
  char buffer[3];
  const char16_t* from = source.data();
  char* to = buffer;
  EXPECT_EQ(ConvertUTF16toUTF8(&from, source.data() + 2, &to, buffer + 3, ConversionFlags::Lenient),
            ConversionResult::TargetExhausted);
  EXPECT_EQ(to - buffer, 1);
  EXPECT_EQ(from - source.data(), 1);

  const std::string pair = "\xF0\x9F\x98\x80";
  char16_t units[1];
  const char* in = pair.data();
  char16_t* out = units;
  EXPECT_EQ(ConvertUTF8toUTF16(&in, pair.data() + 4, &out, units + 1, ConversionFlags::Lenient),
            ConversionResult::TargetExhausted);
  EXPECT_EQ(out, units);
  EXPECT_EQ(in, pair.data());
}

TEST(StringConversion, RoundTripsAndLenientStops) {
  const WideString emoji(u"x\U0001F600y");
  const NarrowString narrow(emoji);
  EXPECT_STREQ(narrow.GetChars(), "x\xF0\x9F\x98\x80y");
  EXPECT_EQ(narrow.GetStorage()->GetSize(), 7u) << "trimmed to the text";
  EXPECT_EQ(std::u16string(WideString(narrow).GetChars()), u"x\U0001F600y");
  EXPECT_STREQ(emoji.ToNarrow().GetChars(), "x\xF0\x9F\x98\x80y");

  // A lone surrogate survives into UTF-8, but not back: the rest is lost there.
  const std::u16string lone = u"ab" + std::u16string(1, 0xDC05) + u"cd";
  const NarrowString withLone(WideString(lone.c_str()));
  EXPECT_STREQ(withLone.GetChars(), "ab\xED\xB0\x85"
                                    "cd");
  EXPECT_EQ(std::u16string(WideString(withLone).GetChars()), u"ab");

  EXPECT_EQ(std::u16string(WideString("ab\xE9"
                                      "c")
                               .GetChars()),
            u"ab");
  EXPECT_EQ(std::u16string(WideString("\xC3\xA9t\xC3\xA9").GetChars()), u"\u00E9t\u00E9");

  WideString target;
  EXPECT_EQ(target.ConvertFromNarrow("ok\xC3\xA9"), S_OK);
  EXPECT_EQ(std::u16string(target.GetChars()), u"ok\u00E9");
  EXPECT_EQ(target.ConvertFromNarrow("ok\xFF"
                                     "more"),
            E_FAIL);
  EXPECT_EQ(std::u16string(target.GetChars()), u"ok") << "the prefix stays";
  EXPECT_EQ(target.GetStorage()->GetSize(), 3u * sizeof(char16_t));
  EXPECT_EQ(target.ConvertFromNarrow("abc\xC3\xA9", 4), E_FAIL) << "the range cuts the character";
  EXPECT_EQ(std::u16string(target.GetChars()), u"abc");
  EXPECT_EQ(target.ConvertFromNarrow("abcdef", 3), S_OK);
  EXPECT_EQ(std::u16string(target.GetChars()), u"abc");
  EXPECT_EQ(target.ConvertFromNarrow(nullptr), S_OK);
  EXPECT_EQ(target.GetStorage().Get(), WideString().GetStorage().Get());

  NarrowString narrowTarget;
  EXPECT_EQ(narrowTarget.ConvertFromWide(u"a\U0001F600", 2), E_FAIL) << "a high surrogate ends the range";
  EXPECT_STREQ(narrowTarget.GetChars(), "a");
  EXPECT_EQ(narrowTarget.ConvertFromWide(u""), S_OK);
  EXPECT_EQ(narrowTarget.GetStorage().Get(), NarrowString().GetStorage().Get());
}

TEST(StringConversion, AssignNarrowDropsACutCharacter) {
  WideString s;
  s.AssignNarrow("ab\xC3\xA9xyz", 3);
  EXPECT_EQ(std::u16string(s.GetChars()), u"ab");
  s.AssignNarrow("ab\xC3\xA9xyz", 4);
  EXPECT_EQ(std::u16string(s.GetChars()), u"ab\u00E9");
  s.AssignNarrow("whole");
  EXPECT_EQ(std::u16string(s.GetChars()), u"whole");
  s.AssignNarrow("", 5);
  EXPECT_TRUE(s.IsEmpty());

  // Locked: the converted text goes into the locked buffer.
  WideString locked(u"0123456789");
  char16_t* chars = locked.Lock();
  locked.AssignNarrow("\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(locked.GetChars(), chars);
  EXPECT_EQ(locked.Unlock(), 0);
  EXPECT_EQ(std::u16string(locked.GetChars()), u"\u00E9t\u00E9");
}

} // namespace
} // namespace QZ
