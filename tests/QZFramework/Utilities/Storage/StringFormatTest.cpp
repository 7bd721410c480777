#include "QZFramework/Utilities/Storage/StringFormat.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace QZ {
namespace {

template <class... Args>
std::string Narrow(const char* format, const Args&... args) {
  char buffer[256];
  FormatText(buffer, sizeof buffer, format, args...);
  return buffer;
}

template <class... Args>
std::u16string Wide(const char16_t* format, const Args&... args) {
  char16_t buffer[256];
  FormatText(buffer, 256, format, args...);
  return buffer;
}

TEST(StringFormat, IntegersWithTheRuntimesLengthModifiers) {
  EXPECT_EQ(Narrow("%d|%5d|%-5d|%05d|%+d|% d|%.3d", 42, 42, 42, 42, 42, 42, 42),
            "42|   42|42   |00042|+42| 42|042");
  EXPECT_EQ(Narrow("%u %x %X %o %#x %#o", 4294967295u, 255u, 255u, 8u, 255u, 8u), "4294967295 ff FF 10 0xff 010");
  EXPECT_EQ(Narrow("%I32d %I32u %ld %lu", -1, -1, 4294967295u, -1), "-1 4294967295 -1 4294967295");
  EXPECT_EQ(Narrow("%I64d %I64X %lld %llx", std::int64_t{-5}, 0xABCDEF0123456789ull, std::int64_t{1} << 40,
                   std::uint64_t{255}),
            "-5 ABCDEF0123456789 1099511627776 ff");
  // Without a 64-bit modifier a value is read at 32 bits, as the format says.
  EXPECT_EQ(Narrow("%d %X", std::int64_t{0x100000005}, 0x1FFFFFFFFull), "5 FFFFFFFF");
  EXPECT_EQ(Narrow("%hd %hhu %Iu %zu", 65535, 511, std::size_t{7}, std::size_t{8}), "-1 255 7 8");
  EXPECT_EQ(Narrow("%I32d (0x%02X)", std::int8_t{-1}, std::int8_t{-1}), "-1 (0xFFFFFFFF)");
  EXPECT_EQ(Narrow("%*d|%-*d|%.*d", 4, 1, 3, 2, 3, 5), "   1|2  |005");
  EXPECT_EQ(Narrow("%.0d|%d", 0, 0), "|0");
}

TEST(StringFormat, FloatingPoint) {
  EXPECT_EQ(Narrow("%f %lf %.2f %8.3f %-8.1f|", 1.5, 2.0, 1.005, 3.14159, 2.25),
            "1.500000 2.000000 1.00    3.142 2.2     |");
  EXPECT_EQ(Narrow("%e %.2E %g %g %g %G", 12345.678, 0.000123, 0.0001, 100000.0, 1e6, 1e-5),
            "1.234568e+04 1.23E-04 0.0001 100000 1e+06 1E-05");
  EXPECT_EQ(Narrow("%#.0f %#g %010.2f %+.1f", 2.0, 1.0, -3.5, 1.25), "2. 1.00000 -000003.50 +1.2");
  EXPECT_EQ(Narrow("%f %5.1f %F", 1.0 / 0.0, -1.0 / 0.0, 1.0 / 0.0), "inf  -inf INF");
  EXPECT_EQ(Narrow("%f", 5), "5.000000") << "an integer argument is taken by value";
  EXPECT_EQ(Narrow("%.2f", 1e200).size(), 203u) << "200 digits, the point, two decimals";
}

TEST(StringFormat, TextsOfEitherWidthInEitherFormat) {
  EXPECT_EQ(Narrow("%s|%S|%ls|%ws|%hs", "n", u"w1", u"w2", u"w3", "n2"), "n|w1|w2|w3|n2");
  EXPECT_EQ(Narrow("%s", u"\u00E9\U0001F600"), "\xC3\xA9\xF0\x9F\x98\x80");
  EXPECT_EQ(Wide(u"%s|%S|%hs|%ls", u"wide", "narrow", "n\xC3\xA9", u"w"), u"wide|narrow|n\u00E9|w");
  EXPECT_EQ(Narrow("%5s|%-5s|%.2s|%5.1s", "ab", "ab", "abcdef", "xyz"), "   ab|ab   |ab|    x");
  EXPECT_EQ(Wide(u"%5s|%.1s", "\xC3\xA9", u"\u00E9x"), u"    \u00E9|\u00E9");
  EXPECT_EQ(Narrow("%s %s", static_cast<const char*>(nullptr), nullptr), "(null) (null)");
  EXPECT_EQ(Narrow("%c%c%3c|%C|%lc", 'a', u'b', 'c', u'\u00E9', u'\u20AC'), "ab  c|\xC3\xA9|\xE2\x82\xAC");
  EXPECT_EQ(Wide(u"%c%c|%C|%hc", u'\u00E9', 'x', 'y', 'z'), u"\u00E9x|y|z");
  EXPECT_EQ(Narrow("%%|%p", reinterpret_cast<const void*>(std::uintptr_t{0xABC})),
            sizeof(void*) == 8 ? "%|0000000000000ABC" : "%|00000ABC");
}

TEST(StringFormat, MismatchesAndMissingArgumentsStaySafe) {
  EXPECT_EQ(Narrow("a%db%sc%fd"), "abcd") << "missing arguments print nothing";
  EXPECT_EQ(Narrow("%s|", 5), "|") << "a number is not a text";
  EXPECT_EQ(Narrow("%n%d", 1, 2), "2") << "%n writes nothing and takes its argument";
  EXPECT_EQ(Narrow("%q|%"), "%q|%") << "unknown conversions stay as written";
  EXPECT_EQ(Narrow("%d", 1, 2, 3), "1") << "extra arguments are ignored";
}

TEST(StringFormat, CutsAtTheBufferOnACharacterBoundary) {
  char small[6];
  bool truncated = false;
  const FormatArg args[] = {FormatArg("abcdefgh")};
  EXPECT_EQ(FormatArgs(small, sizeof small, "%s", args, 1, &truncated), 5u);
  EXPECT_STREQ(small, "abcde");
  EXPECT_TRUE(truncated);

  EXPECT_EQ(FormatText(small, sizeof small, "abcd\xC3\xA9"), 4u) << "no half character";
  EXPECT_STREQ(small, "abcd");
  EXPECT_EQ(FormatText(small, sizeof small, "%s", u"abcd\u00E9"), 4u);
  EXPECT_EQ(FormatText(small, sizeof small, "%100d", 1), 5u);
  EXPECT_STREQ(small, "     ");
  EXPECT_EQ(FormatText(small, sizeof small, "%-100d", 1), 5u);
  EXPECT_STREQ(small, "1    ");
  EXPECT_EQ(FormatText(small, sizeof small, "%.900f", 1.0), 5u);

  char16_t units[4];
  EXPECT_EQ(FormatText(units, 4, u"ab\U0001F600"), 2u) << "no half surrogate pair";
  EXPECT_EQ(std::u16string(units), u"ab");
  EXPECT_EQ(FormatText(units, 4, u"%s", "ab\xF0\x9F\x98\x80"), 2u);
  EXPECT_EQ(FormatText(units, 4, u"%8s", u"x"), 3u);
  EXPECT_EQ(std::u16string(units), u"   ");

  bool cut = true;
  EXPECT_EQ(FormatArgs(units, 4, u"abc", nullptr, 0, &cut), 3u);
  EXPECT_FALSE(cut);
}

} // namespace
} // namespace QZ
