#include "QZFramework/Utilities/Storage/StringT.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

// Strings made by static initialisers and destroyed after main returns.
const WideString sStaticText(u"static");
WideString sStaticEmpty;

std::u16string Text(const WideString& s) { return s.GetChars(); }
std::string Text(const NarrowString& s) { return s.GetChars(); }

const LIBuffer* StorageOf(const WideString& s) { return s.GetStorage().Get(); }
const LIBuffer* StorageOf(const NarrowString& s) { return s.GetStorage().Get(); }

TEST(StringT, CopySharesStorageUntilOneSideWrites) {
  const WideString original(u"abc");
  WideString copy(original);
  EXPECT_EQ(StorageOf(copy), StorageOf(original));
  EXPECT_EQ(original.GetStorage()->GetRefCount(), 2);

  copy.AppendString(WideString(u"def"));
  EXPECT_NE(StorageOf(copy), StorageOf(original));
  EXPECT_EQ(Text(original), u"abc");
  EXPECT_EQ(Text(copy), u"abcdef");
  EXPECT_EQ(original.GetStorage()->GetRefCount(), 1);

  WideString assigned;
  assigned = original;
  EXPECT_EQ(StorageOf(assigned), StorageOf(original));
  char16_t* chars = assigned.Lock();
  chars[0] = u'X';
  assigned.Unlock();
  EXPECT_EQ(Text(assigned), u"Xbc");
  EXPECT_EQ(Text(original), u"abc");

  NarrowString narrow("xyz");
  NarrowString narrowCopy(narrow);
  EXPECT_EQ(StorageOf(narrowCopy), StorageOf(narrow));
  narrowCopy.AppendString(NarrowString("!"));
  EXPECT_EQ(Text(narrow), "xyz");
  EXPECT_EQ(Text(narrowCopy), "xyz!");
}

TEST(StringT, EmptyStringsShareOneStoragePerWidth) {
  const WideString empty;
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(empty.GetLength(), 0u);
  EXPECT_EQ(empty.GetStorage()->GetSize(), 2u);

  WideString cleared(u"abc");
  cleared.Clear();
  WideString locked(u"abc");
  locked.Lock()[0] = 0;
  locked.Unlock();
  const WideString fromNull(static_cast<const char16_t*>(nullptr));
  const WideString fromEmptyUtf8("");
  const WideString mid = WideString(u"abc").Mid(5, 1);
  for (const WideString* s :
       std::initializer_list<const WideString*>{&cleared, &locked, &fromNull, &fromEmptyUtf8, &mid})
    EXPECT_EQ(StorageOf(*s), StorageOf(empty));

  // The zero character gets a buffer of its own.
  const WideString zero(u'\0');
  EXPECT_TRUE(zero.IsEmpty());
  EXPECT_NE(StorageOf(zero), StorageOf(empty));

  EXPECT_EQ(StorageOf(sStaticEmpty), StorageOf(empty)) << "also for strings made by static initialisers";
  EXPECT_EQ(Text(sStaticText), u"static");

  const NarrowString narrowEmpty;
  EXPECT_EQ(narrowEmpty.GetStorage()->GetSize(), 1u);
  EXPECT_EQ(StorageOf(NarrowString(empty)), StorageOf(narrowEmpty));
  EXPECT_NE(static_cast<const void*>(StorageOf(narrowEmpty)), static_cast<const void*>(StorageOf(empty)));
}

TEST(StringT, LockAndUnlock) {
  WideString s(u"abc");
  char16_t* chars = s.Lock(0);
  ASSERT_NE(chars, nullptr);
  EXPECT_EQ(std::u16string(chars, 4), std::u16string(u"abc\0", 4));
  EXPECT_EQ(s.Lock(), nullptr) << "a second Lock before Unlock";

  // A copy of a locked string gets the text, never the locked buffer.
  const WideString copy(s);
  EXPECT_NE(StorageOf(copy), StorageOf(s));
  EXPECT_EQ(Text(copy), u"abc");

  chars[0] = u'x';
  chars[1] = u'y';
  chars[2] = 0;
  EXPECT_EQ(s.GetLength(), 2u);
  EXPECT_EQ(s.Unlock(), 0);
  EXPECT_EQ(Text(s), u"xy");
  EXPECT_EQ(s.GetStorage()->GetSize(), 3u * sizeof(char16_t));
  EXPECT_TRUE(s.GetStorage()->IsShareable());
  EXPECT_EQ(s.Unlock(), 1);
  EXPECT_EQ(Text(copy), u"abc");

  // A longer lock keeps the text, a shorter one cuts it.
  WideString longer(u"abc");
  char16_t* big = longer.Lock(10);
  EXPECT_EQ(std::u16string(big), u"abc");
  EXPECT_EQ(longer.GetStorage()->GetSize(), 10u * sizeof(char16_t));
  big[3] = u'd';
  longer.Unlock();
  EXPECT_EQ(Text(longer), u"abcd");
  WideString shorter(u"abc");
  shorter.Lock(2);
  shorter.Unlock();
  EXPECT_EQ(Text(shorter), u"a");

  // Locking shared storage takes a private copy first.
  const WideString shared(u"pqr");
  WideString writer(shared);
  writer.Lock()[0] = u'Z';
  writer.Unlock();
  EXPECT_EQ(Text(shared), u"pqr");
  EXPECT_EQ(Text(writer), u"Zqr");

  NarrowString narrow("hello");
  char* bytes = narrow.Lock(3);
  EXPECT_STREQ(bytes, "he");
  EXPECT_EQ(narrow.Lock(), nullptr);
  EXPECT_EQ(narrow.Unlock(), 0);
  EXPECT_EQ(Text(narrow), "he");
}

TEST(StringT, AssignmentIntoALockedStringWritesIntoItsBuffer) {
  WideString s(u"abc");
  char16_t* chars = s.Lock(10);
  s.AssignChars(u"12345");
  EXPECT_EQ(s.GetChars(), chars) << "the text fits: same buffer";
  EXPECT_EQ(s.GetLength(), 5u);

  // A shareable source is copied in, not shared, so the lock stays.
  const WideString source(u"wxyz");
  s.AssignString(source);
  EXPECT_NE(StorageOf(s), StorageOf(source));
  EXPECT_EQ(s.Lock(), nullptr);
  EXPECT_EQ(std::u16string(s.GetChars()), u"wxyz");

  // Too long for the locked size: the buffer grows instead of overflowing.
  const std::u16string longText(100, u'q');
  s.AssignChars(longText.c_str());
  EXPECT_EQ(s.GetLength(), 100u);
  EXPECT_GE(s.GetStorage()->GetSize(), 101u * sizeof(char16_t));
  s.Unlock();
  EXPECT_EQ(Text(s), longText);

  NarrowString narrow("ab");
  narrow.Lock(2);
  narrow.Assign("a much longer text");
  narrow.Unlock();
  EXPECT_EQ(Text(narrow), "a much longer text");

  // Clear while locked keeps the lock and the buffer.
  WideString cleared(u"abc");
  char16_t* kept = cleared.Lock(8);
  cleared.Clear();
  EXPECT_EQ(cleared.GetChars(), kept);
  EXPECT_TRUE(cleared.IsEmpty());
  EXPECT_EQ(cleared.Unlock(), 0);
  EXPECT_EQ(StorageOf(cleared), StorageOf(WideString()));
}

TEST(StringT, AppendWhileLockedKeepsTheLockedSize) {
  WideString s(u"ab");
  s.Lock(20);
  s.AppendString(WideString(u"cd"));
  EXPECT_EQ(s.Lock(), nullptr);
  EXPECT_EQ(s.GetLength(), 4u);
  EXPECT_EQ(s.GetStorage()->GetSize(), 20u * sizeof(char16_t));
  s.AppendString(WideString(std::u16string(30, u'e').c_str()));
  EXPECT_EQ(s.GetLength(), 34u);
  s.Unlock();
  EXPECT_EQ(Text(s), u"abcd" + std::u16string(30, u'e'));

  WideString self(u"xy");
  self.AppendString(self);
  EXPECT_EQ(Text(self), u"xyxy");
}

TEST(StringT, MidLeftRight) {
  const WideString s(u"abcdef");
  const struct {
    int start;
    int count;
    const char16_t* expected;
  } cases[] = {
      {-2, 5, u"ef"},      // counts from the end
      {10, 1, u""},        // start past the end
      {2, 0, u""},         // nothing taken
      {2, 3, u"cde"},      //
      {4, 10, u"ef"},      // cut at the end
      {-10, 3, u"abcdef"}, // start before the beginning: the count goes negative, to the end
      {1, -1, u"bcdef"},   // a negative count reads as a very large one
      {6, 1, u""},         //
  };
  for (const auto& c : cases)
    EXPECT_EQ(Text(s.Mid(c.start, c.count)), c.expected) << c.start << ", " << c.count;

  EXPECT_EQ(Text(s.Right(2)), u"ef");
  EXPECT_EQ(Text(s.Right(6)), u"abcdef");
  EXPECT_EQ(Text(s.Right(10)), u"abcdef");
  EXPECT_EQ(Text(s.Right(0)), u"");
  EXPECT_EQ(Text(s.Right(INT_MIN)), u"");
  EXPECT_EQ(Text(s.Left(3)), u"abc");
  EXPECT_EQ(Text(s.Left(10)), u"abcdef");
  EXPECT_EQ(Text(s.MidToEnd(4)), u"ef");
  EXPECT_EQ(Text(s.MidToEnd(-2)), u"ef");
  EXPECT_EQ(Text(s.MidToEnd(6)), u"");

  const NarrowString n("abcdef");
  EXPECT_EQ(Text(n.Mid(-2, 5)), "ef");
  EXPECT_EQ(Text(n.Right(2)), "ef");
  EXPECT_EQ(Text(n.Left(2)), "ab");
  EXPECT_EQ(Text(n.MidToEnd(3)), "def");
}

TEST(StringT, DeleteRefusesRangesPastTheEnd) {
  const struct {
    unsigned position;
    unsigned count;
    bool result;
    const char16_t* expected;
  } cases[] = {
      {6, 0, false, u"abcdef"},  // position not below the length
      {10, 1, false, u"abcdef"}, //
      {4, 3, false, u"abcdef"},  // position + count past the end
      {1, 0xFFFFFFFFu, false, u"abcdef"},
      {1, 2, true, u"adef"},
      {4, 2, true, u"abcd"},
      {0, 6, true, u""},
      {3, 0, true, u"abcdef"},
  };
  for (const auto& c : cases) {
    WideString s(u"abcdef");
    EXPECT_EQ(s.Delete(c.position, c.count), c.result) << c.position << ", " << c.count;
    EXPECT_EQ(Text(s), c.expected) << c.position << ", " << c.count;
  }
}

TEST(StringT, InsertAndAppend) {
  WideString s(u"abc");
  EXPECT_EQ(s.InsertString(4, WideString(u"x")), E_INVALIDARG);
  EXPECT_EQ(Text(s), u"abc");
  EXPECT_EQ(s.InsertString(3, WideString(u"d")), S_OK);
  EXPECT_EQ(Text(s), u"abcd");
  EXPECT_EQ(s.InsertString(0, WideString(u">")), S_OK);
  EXPECT_EQ(Text(s), u">abcd");
  EXPECT_EQ(s.InsertString(2, WideString(u"--")), S_OK);
  EXPECT_EQ(Text(s), u">a--bcd");

  WideString t(u"ad");
  EXPECT_EQ(t.InsertChars(1, u"bcXYZ", 2), S_OK);
  EXPECT_EQ(Text(t), u"abcd");
  EXPECT_EQ(t.InsertChars(1, u"12", 5), S_OK) << "a text shorter than count goes in whole";
  EXPECT_EQ(Text(t), u"a12bcd");
  EXPECT_EQ(t.InsertChars(7, u"x"), E_INVALIDARG);
  EXPECT_EQ(t.AppendChar(u'!'), S_OK);
  EXPECT_EQ(t.AppendNarrowChar('-'), S_OK);
  EXPECT_EQ(Text(t), u"a12bcd!-");
  EXPECT_EQ(t.InsertNarrow(1, "\xC3\xA9xyz", 3), S_OK);
  EXPECT_EQ(Text(t), u"a\u00E9x12bcd!-");
  EXPECT_EQ(t.InsertNarrow(100, "x"), E_INVALIDARG);

  const WideString a(u"ab");
  const WideString joined = a.Concat(WideString(u"cd"));
  EXPECT_EQ(Text(joined), u"abcd");
  EXPECT_EQ(Text(a), u"ab");
  EXPECT_EQ(StorageOf(a.Concat(WideString())), StorageOf(a)) << "appending nothing copies nothing";

  NarrowString n("ab");
  n.AppendString(NarrowString("cd"));
  EXPECT_EQ(Text(n.Concat(NarrowString("e"))), "abcde");
}

TEST(StringT, ReplaceChars) {
  WideString s(u"a.b c.d");
  s.ReplaceChars(u". ", u'_');
  EXPECT_EQ(Text(s), u"a_b_c_d");

  WideString unchanged(u"a.b");
  const LIBuffer* before = StorageOf(unchanged);
  unchanged.ReplaceChars(u".", 0);
  EXPECT_EQ(Text(unchanged), u"a.b");
  EXPECT_EQ(StorageOf(unchanged), before);
}

TEST(StringT, TrimOnBlanksAndSets) {
  const WideString blanks(u" \t\r\n ");
  EXPECT_EQ(Text(blanks.TrimLeft()), u" \t\r\n ") << "all separators: unchanged";
  EXPECT_EQ(Text(blanks.TrimLeftChars(u" \t\r\n")), u" \t\r\n ");
  EXPECT_EQ(Text(blanks.TrimRight()), u"");
  EXPECT_EQ(Text(blanks.Trim()), u"");
  EXPECT_EQ(Text(WideString().Trim()), u"");

  const WideString padded(u"\t ab c \r\n");
  EXPECT_EQ(Text(padded.Trim()), u"ab c");
  EXPECT_EQ(Text(padded.TrimLeft()), u"ab c \r\n");
  EXPECT_EQ(Text(padded.TrimRight()), u"\t ab c");
  EXPECT_EQ(Text(WideString(u"xxaxyx").TrimLeftChars(u"x")), u"axyx");
  EXPECT_EQ(Text(WideString(u"xxaxyx").TrimRightChars(u"xy")), u"xxa");
  const WideString clean(u"ab");
  EXPECT_EQ(StorageOf(clean.Trim()), StorageOf(clean)) << "nothing to trim: shared";
}

TEST(StringT, EqualityAgainstTextsAndStrings) {
  const WideString empty;
  const WideString abc(u"abc");
  EXPECT_TRUE(empty.IsEqual(static_cast<const char16_t*>(nullptr)));
  EXPECT_TRUE(empty.IsEqual(u""));
  EXPECT_FALSE(abc.IsEqual(static_cast<const char16_t*>(nullptr)));
  EXPECT_FALSE(abc.IsEqual(u""));
  EXPECT_FALSE(empty.IsEqual(u"abc"));
  EXPECT_TRUE(abc.IsEqual(u"abc"));
  EXPECT_FALSE(abc.IsEqual(u"ab"));
  EXPECT_FALSE(abc.IsEqual(u"abcd"));
  EXPECT_FALSE(abc.IsEqual(u"ABC"));

  EXPECT_TRUE(abc.IsEqual("abc"));
  EXPECT_TRUE(WideString(u"\u00E9").IsEqual("\xC3\xA9"));
  EXPECT_TRUE(empty.IsEqual(static_cast<const char*>(nullptr)));
  EXPECT_TRUE(empty.IsEqual(""));
  EXPECT_FALSE(abc.IsEqual(""));
  EXPECT_TRUE(WideString(u'\0').IsEqual("")) << "empty on its own buffer";
  EXPECT_TRUE(abc.IsNotEqual("abd"));
  EXPECT_FALSE(abc.IsNotEqual("abc"));

  const WideString other(u"abc");
  EXPECT_TRUE(abc.EqualsString(other));
  EXPECT_TRUE(abc.EqualsString(WideString(abc)));
  EXPECT_FALSE(abc.EqualsString(WideString(u"abd")));
  EXPECT_FALSE(abc.IsNotEqual(other));
  EXPECT_TRUE(abc.IsNotEqual(empty));
  EXPECT_TRUE(abc == other);

  const NarrowString n("abc");
  EXPECT_TRUE(n.IsEqual("abc"));
  EXPECT_FALSE(n.IsEqual("ab"));
  EXPECT_TRUE(n.IsEqual(u"abc"));
  EXPECT_TRUE(NarrowString().IsEqual(u""));
  EXPECT_TRUE(NarrowString().IsEqual(static_cast<const char16_t*>(nullptr)));
  EXPECT_FALSE(n.IsEqual(u""));
}

TEST(StringT, IsLessComparesUnsigned16BitUnits) {
  const struct {
    const char16_t* a;
    const char16_t* b;
    bool less;
  } cases[] = {
      {u"ab", u"abc", true},        // a proper prefix is less
      {u"abc", u"ab", false},       //
      {u"B", u"a", true},           // code-unit order, no case folding
      {u"a", u"B", false},          //
      {u"a", u"a", false},          //
      {u"", u"a", true},            //
      {u"z", u"\u00E9", true},      //
      {u"\u7FFF", u"\uFFFF", true}, // unsigned: 0xFFFF is the largest unit
      {u"\uFFFF", u"\u7FFF", false},
      {u"\U00010000", u"\uFF01", true}, // units, not code points
  };
  for (const auto& c : cases)
    EXPECT_EQ(WideString(c.a).IsLess(WideString(c.b)), c.less)
        << NarrowString(WideString(c.a)).GetChars() << " < " << NarrowString(WideString(c.b)).GetChars();
  const WideString s(u"x");
  EXPECT_FALSE(s.IsLess(WideString(s))) << "shared storage";
}

TEST(StringT, CaseMappingIsAsciiOnly) {
  const WideString s(u"abc XYZ 09 \u00E9\u00C9_");
  EXPECT_EQ(Text(s.ToUpper()), u"ABC XYZ 09 \u00E9\u00C9_");
  EXPECT_EQ(Text(s.ToLower()), u"abc xyz 09 \u00E9\u00C9_");
  EXPECT_EQ(Text(s), u"abc XYZ 09 \u00E9\u00C9_");
  EXPECT_TRUE(WideString().ToUpper().IsEmpty());
}

TEST(StringT, Searching) {
  const WideString s(u"abcabc");
  EXPECT_EQ(s.FindString(WideString(u"ca")), 2);
  EXPECT_EQ(s.FindString(WideString(u"abc")), 0);
  EXPECT_EQ(s.FindString(WideString(u"abd")), -1);
  EXPECT_EQ(s.FindString(WideString()), 0);
  EXPECT_EQ(WideString().FindString(WideString(u"a")), -1);

  EXPECT_EQ(WideString(u"1-2-3").ReverseFind('-'), 3);
  EXPECT_EQ(WideString(u"123").ReverseFind('-'), -1);
  EXPECT_EQ(WideString(u"\u00E9").ReverseFind('\xE9'), -1) << "not a one-byte UTF-8 character";

  const NarrowString n("abcabc");
  EXPECT_EQ(n.Find("bc"), 1);
  EXPECT_EQ(n.Find("bc", 2), 4) << "absolute index";
  EXPECT_EQ(n.Find("bc", 5), -1);
  EXPECT_EQ(n.Find("x"), -1);
  EXPECT_EQ(n.Find("abc", -3), 3) << "a negative start counts from the end";
  EXPECT_EQ(n.Find(nullptr), -1);
}

TEST(StringT, ToIntAndToDoubleIgnoreTheLocale) {
  const struct {
    const char16_t* text;
    int value;
  } ints[] = {
      {u"42", 42},
      {u"  \t-17xyz", -17},
      {u"+5", 5},
      {u"abc", 0},
      {u"", 0},
      {u"2147483647", INT_MAX},
      {u"99999999999", INT_MAX},
      {u"-2147483648", INT_MIN},
      {u"-99999999999", INT_MIN},
      {u"1.9", 1},
  };
  for (const auto& c : ints)
    EXPECT_EQ(WideString(c.text).ToInt(), c.value) << NarrowString(WideString(c.text)).GetChars();

  const struct {
    const char16_t* text;
    double value;
  } doubles[] = {
      {u"1.5", 1.5}, {u" -2.5e3x", -2500.0}, {u"1,5", 1.0}, {u"abc", 0.0}, {u".25", 0.25}, {u"7\u00E9", 7.0},
  };
  for (const auto& c : doubles)
    EXPECT_DOUBLE_EQ(WideString(c.text).ToDouble(), c.value) << NarrowString(WideString(c.text)).GetChars();
}

TEST(StringT, NumberTexts) {
  EXPECT_EQ(Text(IntToString(1234, 2)), u"12.34");
  EXPECT_EQ(Text(IntToString(5, 2)), u".05");
  EXPECT_EQ(Text(IntToString(7, 1)), u".7");
  EXPECT_EQ(Text(IntToString(123, 3)), u".123");
  EXPECT_EQ(Text(IntToString(42, 0)), u"42");
  EXPECT_EQ(Text(IntToString(-42, -1)), u"-42");
  EXPECT_EQ(Text(IntToString(INT_MIN, 0)), u"-2147483648");
  EXPECT_EQ(Text(IntToString(-5, 2)), u"-.05") << "the sign stays in front";
  EXPECT_EQ(Text(UIntToString(4294967295u, 0)), u"4294967295");
  EXPECT_EQ(Text(UIntToString(150u, 2)), u"1.50");

  EXPECT_EQ(Text(DoubleToString(1.5, -1)), u"1.500000");
  EXPECT_EQ(Text(DoubleToString(1.5, 2)), u"1.50");
  EXPECT_EQ(Text(DoubleToString(2.0, 0)), u"2");
  EXPECT_EQ(Text(DoubleToString(-0.125, 2)), u"-0.12");
}

TEST(StringT, FormattedConstruction) {
  EXPECT_EQ(Text(WideString(u"%s and %s", u"wide", "narrow \xC3\xA9")), u"wide and narrow \u00E9");
  EXPECT_EQ(Text(WideString(u"%I32d (0x%02X)", -1, -1)), u"-1 (0xFFFFFFFF)");
  EXPECT_EQ(Text(WideString(u"%I32u (0x%04X)", 65535u, 65535u)), u"65535 (0xFFFF)");
  EXPECT_EQ(Text(WideString(u"%I64X", 0x123456789ABCDEF0ull)), u"123456789ABCDEF0");
  EXPECT_EQ(Text(WideString(u"%ld", 4294967295u)), u"-1") << "long is 32 bits";
  EXPECT_EQ(Text(WideString(u"%lf", 2.5)), u"2.500000");
  EXPECT_EQ(Text(WideString(u" (%d)", 2)), u" (2)");
  EXPECT_EQ(Text(WideString(u"100%")), u"100%") << "a lone wide text is not a format";

  EXPECT_EQ(Text(NarrowString("%s=%d", u"k\u00E9y", 5)), "k\xC3\xA9y=5");
  EXPECT_EQ(Text(NarrowString("100%%")), "100%") << "a lone narrow text is a format";
  EXPECT_EQ(NarrowString("%d", 7).GetStorage()->GetSize(), 2u) << "storage is exactly the text";
}

TEST(StringT, FormattedTextIsCutAt16383Elements) {
  const std::u16string longWide(20000, u'w');
  const WideString wide(u"%s", longWide.c_str());
  EXPECT_EQ(wide.GetLength(), 16383u);

  // A character that would be split at the cut is dropped whole.
  const std::u16string pairs = std::u16string(16382, u'a') + u"\U0001F600";
  EXPECT_EQ(WideString(u"%s", pairs.c_str()).GetLength(), 16382u);

  const std::string longNarrow(20000, 'n');
  EXPECT_EQ(NarrowString("%s!", longNarrow.c_str()).GetLength(), 16383u);
  const std::string accents = std::string(16382, 'a') + "\xC3\xA9";
  EXPECT_EQ(Text(NarrowString("%s", accents.c_str())), std::string(16382, 'a'));
}

TEST(StringT, NarrowFromBuffer) {
  const ConstRCPtr<LIBuffer> buffer = CreateLBuffer(4, 0, true);
  std::memcpy(buffer.GetRaw()->GetData(), "abc", 4);
  const NarrowString shared(buffer);
  EXPECT_EQ(StorageOf(shared), buffer.Get()) << "a terminated shareable buffer is shared";
  EXPECT_EQ(Text(shared), "abc");

  // Text and zero short of the end, or no zero at all: a private exact copy.
  const ConstRCPtr<LIBuffer> padded = CreateLBuffer(8, 0, true);
  std::memcpy(padded.GetRaw()->GetData(), "ab", 2);
  const NarrowString fromPadded(padded);
  EXPECT_NE(StorageOf(fromPadded), padded.Get());
  EXPECT_EQ(fromPadded.GetStorage()->GetSize(), 3u);
  EXPECT_EQ(padded->GetSize(), 8u) << "the source is untouched";

  const ConstRCPtr<LIBuffer> unterminated = CreateLBuffer(3, 0, true);
  std::memcpy(unterminated.GetRaw()->GetData(), "xyz", 3);
  const NarrowString fromUnterminated(unterminated);
  EXPECT_EQ(Text(fromUnterminated), "xyz");
  EXPECT_EQ(unterminated->GetSize(), 3u);

  EXPECT_TRUE(NarrowString(ConstRCPtr<LIBuffer>()).GetLength() == 0);
}

TEST(StringT, CopiesOnSeveralThreads) {
  const WideString shared(u"shared text");
  std::vector<std::thread> threads;
  std::vector<std::u16string> results(8);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        WideString copy(shared);
        copy.AppendChar(static_cast<char16_t>(u'0' + t));
        if (i == 199)
          results[t] = copy.GetChars();
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  for (int t = 0; t < 8; ++t)
    EXPECT_EQ(results[t], u"shared text" + std::u16string(1, static_cast<char16_t>(u'0' + t)));
  EXPECT_EQ(shared.GetStorage()->GetRefCount(), 1);
}

} // namespace
} // namespace QZ
