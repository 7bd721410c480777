// Paths in wide text: every byte string a path can be comes back exactly, UTF-8 as its characters and
// every other byte as its own unit; texts that no path gives are refused on the way back.

#include "QZFramework/Utilities/Storage/PathText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

std::u16string Units(const WideString& text) { return std::u16string(text.GetChars(), text.GetLength()); }

WideString Text(const std::u16string& units) {
  WideString text;
  text.AssignChars(units.data(), static_cast<std::uint32_t>(units.size()));
  return text;
}

std::string Hex(const std::string& bytes) {
  std::string out;
  for (const char c : bytes) {
    out += "0123456789abcdef"[static_cast<unsigned char>(c) >> 4];
    out += "0123456789abcdef"[static_cast<unsigned char>(c) & 0xF];
    out += ' ';
  }
  return out;
}

TEST(PathBytesInText, EveryPathComesBackByteForByte) {
  struct Case {
    std::string bytes;
    std::u16string units;
  };
  const std::vector<Case> cases{
      {"", u""},
      {"/home/u/lead one.pellanvorn", u"/home/u/lead one.pellanvorn"},
      // Well-formed UTF-8: the characters, a pair for one outside the first plane.
      {"/d/Caf\xC3\xA9 \xE2\x82\xAC\xF0\x9F\x98\x80", u"/d/Caf\u00E9 \u20AC\U0001F600"},
      // Latin-1 and stray bytes: one unit each.
      {"/d/m\xE9.pellanvorn", u"/d/m\xDCE9.pellanvorn"},
      {"victim\xFF.pellanvorn", u"victim\xDCFF.pellanvorn"},
      {"\xFE\xFF", u"\xDCFE\xDCFF"},
      // A lead byte whose sequence is cut, by the end or by an ASCII byte.
      {"a\xE9", u"a\xDCE9"},
      {"\xE9x", u"\xDCE9x"},
      {"\xF0\x9F\x98", u"\xDCF0\xDC9F\xDC98"},
      // What UTF-8 forbids: an encoded surrogate, an overlong form, beyond U+10FFFF, a lone continuation.
      {"\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
      {"\xC0\xAF", u"\xDCC0\xDCAF"},
      {"\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
      {"\x80", u"\xDC80"},
      // A character right after a kept byte, and a kept byte right after a pair.
      {"\xFF\xC3\xA9", u"\xDCFF\u00E9"},
      {"\xF0\x9F\x98\x80\xBF", u"\U0001F600\xDCBF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Hex(c.bytes));
    WideString text;
    ASSERT_TRUE(PathTextFromBytes(c.bytes, text));
    EXPECT_EQ(Units(text), c.units);
    std::string back;
    ASSERT_TRUE(PathBytesFromText(text, back));
    EXPECT_EQ(back, c.bytes);
  }

  // Each byte alone and after every lead byte.
  for (int first = 1; first < 256; ++first) {
    for (const int second : {0x41, 0x80, 0xA9, 0xBF, 0xC3, 0xFF}) {
      const std::string bytes{static_cast<char>(first), static_cast<char>(second)};
      WideString text;
      std::string back;
      ASSERT_TRUE(PathTextFromBytes(bytes, text)) << Hex(bytes);
      ASSERT_TRUE(PathBytesFromText(text, back)) << Hex(bytes);
      ASSERT_EQ(back, bytes) << Hex(bytes);
    }
  }
}

TEST(PathBytesInText, WhatNoPathGivesIsRefused) {
  WideString text = Text(u"kept");
  EXPECT_FALSE(PathTextFromBytes(std::string("a\0b", 3), text));
  EXPECT_TRUE(text.IsEmpty());

  struct Case {
    const char* why;
    std::u16string units;
  };
  const std::vector<Case> refused{
      {"a lone high surrogate", u"a\xD83D"},
      {"a lone high surrogate before text", u"\xD83Dz"},
      {"a lone low surrogate below the byte units", u"\xDC41"},
      {"a lone low surrogate above the byte units", u"\xDF00"},
      // These bytes read back as U+00E9: a second text for the path that u"\u00E9" names.
      {"byte units that form a character", u"\xDCC3\xDCA9"},
      {"byte units that form a pair", u"\xDCF0\xDC9F\xDC98\xDC80"},
      {"a byte unit for an ASCII byte", u"\xDC2F"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(c.why);
    std::string bytes = "kept";
    EXPECT_FALSE(PathBytesFromText(Text(c.units), bytes));
    EXPECT_TRUE(bytes.empty());
  }
}

TEST(PathBytesInText, ShownWithAReplacementForEachKeptByte) {
  WideString text;
  ASSERT_TRUE(PathTextFromBytes("m\xE9 \xC3\xA9\xF0\x9F\x98\x80\xFF.pv", text));
  EXPECT_EQ(Units(PathTextForDisplay(text)), u"m\uFFFD \u00E9\U0001F600\uFFFD.pv");
  EXPECT_EQ(Units(PathTextForDisplay(Text(u"plain"))), u"plain");
}

} // namespace
} // namespace QZ
