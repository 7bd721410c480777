#include "QZFramework/Renderer/FontRenderer/FontNameReader.h"

#include "QZFramework/Renderer/FontRenderer/FontFileBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace QZ {
namespace {

using namespace test;

class MemorySource : public IFontByteSource {
public:
  explicit MemorySource(Bytes bytes) : mBytes(std::move(bytes)) {}
  std::uint64_t GetLength() override { return mBytes.size(); }
  std::uint32_t ReadAt(void* buffer, std::uint32_t count, std::uint64_t offset) override {
    ++mReads;
    mLargestRead = std::max(mLargestRead, count);
    if (offset >= mBytes.size())
      return 0;
    const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, mBytes.size() - offset));
    std::memcpy(buffer, mBytes.data() + offset, n);
    return n;
  }
  int mReads = 0;
  std::uint32_t mLargestRead = 0;

private:
  Bytes mBytes;
};

using Names = std::vector<std::pair<std::u16string, std::u16string>>;

Names Read(const Bytes& bytes) {
  MemorySource source(bytes);
  std::vector<SFontName> found;
  ReadFontNames(source, found);
  Names names;
  for (const SFontName& n : found)
    names.emplace_back(n.mFamily, n.mSubfamily);
  return names;
}

TEST(FontNameReader, ReadsTheEnglishFamilyAndSubfamilyOfFontsAndCollections) {
  struct Case {
    const char* name;
    Bytes file;
    Names expected;
  };
  const Case cases[] = {
      {"Windows names, subfamily lower-cased",
       Font(FamilyAndStyle(u"Test Sans", u"Bold Italic")),
       {{u"Test Sans", u"bold italic"}}},
      {"Macintosh names as UTF-8",
       Font({MacName(1, "Caf\xC3\xA9 Mac"), MacName(2, "ITALIC")}),
       {{u"Caf\u00E9 Mac", u"italic"}}},
      {"mixed platforms, other ids and encodings",
       Font({MacName(4, "Full"), {3, 10, 0x0409, 1, {0, 'W'}}, MacName(2, "Regular")}),
       {{u"W", u"regular"}}},
      {"British English and other Macintosh languages ignored",
       Font({WinName(1, u"UK", 0x0809), MacName(1, "French", 2), WinName(1, u"US"), WinName(2, u"Bold", 0x0809),
             WinName(2, u"Bold")}),
       {{u"US", u"bold"}}},
      {"first family kept until a subfamily completes the pair",
       Font({WinName(1, u"A"), WinName(1, u"B"), WinName(2, u"X"), WinName(1, u"C"), WinName(2, u"Y"),
             WinName(2, u"Z")}),
       {{u"A", u"x"}, {u"C", u"y"}}},
      {"empty strings ignored",
       Font({WinName(1, u""), MacName(2, ""), WinName(1, u"F"), WinName(2, u"S")}),
       {{u"F", u"s"}}},
      {"texts end at a zero or bad UTF-8",
       Font({WinName(1, std::u16string(u"Ab\0c", 4)), MacName(2, std::string("Me\xFFx"))}),
       {{u"Ab", u"me"}}},
      {"tag in capitals", Font(FamilyAndStyle(u"Caps", u"Bold"), {"cmap", "NAME"}), {{u"Caps", u"bold"}}},
      {"a zero tag ends the directory",
       Font(FamilyAndStyle(u"Hidden", u"Bold"), {std::string("\0abc", 4), "name"}),
       {}},
      {"no naming table", Font(FamilyAndStyle(u"None", u"Bold"), {"cmap", "head"}), {}},
      {"collection, version 1",
       Collection({FamilyAndStyle(u"One", u"Regular"), FamilyAndStyle(u"Two", u"Bold")}),
       {{u"One", u"regular"}, {u"Two", u"bold"}}},
      {"collection, version 2",
       Collection({FamilyAndStyle(u"Only", u"Italic")}, 0x00020000),
       {{u"Only", u"italic"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Read(c.file), c.expected);
  }
}

// Every prefix of a file reads without leaving the file, and yields nothing or
// what the whole file yields for the fonts that are complete.
TEST(FontNameReader, TruncatedFilesYieldNothingOrTheCompleteFontsOnly) {
  const Bytes files[] = {
      Font(FamilyAndStyle(u"Cut Sans", u"Bold")),
      Collection({FamilyAndStyle(u"First", u"Regular"), FamilyAndStyle(u"Second", u"Italic")}, 0x00020000),
  };
  for (const Bytes& file : files) {
    const Names whole = Read(file);
    ASSERT_FALSE(whole.empty());
    for (std::size_t length = 0; length < file.size(); ++length) {
      SCOPED_TRACE(length);
      const Names part = Read(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
      ASSERT_LE(part.size(), whole.size());
      EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin()));
    }
  }
}

TEST(FontNameReader, CountsFromTheFileNeverReachBeyondIt) {
  // A collection claiming 2^32 - 1 fonts in 16 bytes.
  Bytes huge;
  Put32(huge, 0x74746366);
  Put32(huge, 0x00010000);
  Put32(huge, 0xFFFFFFFF);
  Put32(huge, 0);
  MemorySource hugeSource(huge);
  std::vector<SFontName> names;
  ReadFontNames(hugeSource, names);
  EXPECT_TRUE(names.empty());
  EXPECT_LE(hugeSource.mLargestRead, 16u);

  // Table and name-record counts of 0xFFFF: what fits is read.
  Bytes font = Font(FamilyAndStyle(u"Many", u"Bold"), {"name"});
  font[4] = font[5] = 0xFF; // table count
  const std::size_t nameTable = 12 + 16;
  font[nameTable + 2] = font[nameTable + 3] = 0xFF; // record count
  MemorySource source(font);
  ReadFontNames(source, names);
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0].mFamily, u"Many");
  EXPECT_LE(source.mLargestRead, font.size());
}

TEST(FontNameReader, RecordsAndFontsOutsideTheFileAreSkipped) {
  // A string beyond the end: that record only.
  Bytes font = Font({WinName(1, u"Gone"), WinName(1, u"Kept"), WinName(2, u"Bold")}, {"name"});
  const std::size_t firstRecord = 12 + 16 + 6;
  font[firstRecord + 10] = font[firstRecord + 11] = 0xF0; // its string offset
  EXPECT_EQ(Read(font), (Names{{u"Kept", u"bold"}}));

  // A naming table beyond the end.
  Bytes lost = Font(FamilyAndStyle(u"Lost", u"Bold"), {"name"});
  Set32(lost, 12 + 8, 0x7FFFFFF0);
  EXPECT_TRUE(Read(lost).empty());

  // A collection font beyond the end; the next one still reads.
  Bytes collection = Collection({FamilyAndStyle(u"Far", u"Bold"), FamilyAndStyle(u"Near", u"Italic")});
  Set32(collection, 12, 0xFFFFFF00);
  EXPECT_EQ(Read(collection), (Names{{u"Near", u"italic"}}));
}

TEST(FontNameReader, AReadErrorOfTheSourcePropagates) {
  class FailingSource : public IFontByteSource {
  public:
    std::uint64_t GetLength() override { return 1000; }
    std::uint32_t ReadAt(void*, std::uint32_t, std::uint64_t) override { throw std::runtime_error("read"); }
  } source;
  std::vector<SFontName> names;
  EXPECT_THROW(ReadFontNames(source, names), std::runtime_error);
}

} // namespace
} // namespace QZ
