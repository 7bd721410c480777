#include "QZFramework/Renderer/FontRenderer/FontFileInfo.h"

#include "Platform/Fonts/FontFolders.h"
#include "QZFramework/Renderer/FontRenderer/FontFileBuilder.h"
#include "Support/FileTestSupport.h"
#include "Support/TempFolder.h"
#include "Support/FakeFrameworkApp.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

namespace QZ {
namespace {

using namespace test;

constexpr const char* kNoFamilyError =
    "Runtime Error : QZ::LFontFileInfo::GetFileID : Renderer\\FontRenderer\\FontFileInfo : Line 469";

class FontFileInfoTest : public TempFolderTest {
protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    Platform::SetFontFolderOverride({folder.string()});
  }
  void TearDown() override {
    Platform::ClearFontFolderOverride();
    LFontFileInfo::Clear();
    TempFolderTest::TearDown();
  }

  void Write(const std::string& name, const Bytes& bytes) { WriteBytes(Path(name), bytes); }

  // The record of a family, or null.
  static RCPtr<LFontFileInfo> Family(const char16_t* family) {
    for (std::uint32_t i = 0; i < LFontFileInfo::GetFileInfoCount(); ++i) {
      const RCPtr<LFontFileInfo> record = LFontFileInfo::GetFileInfo(i);
      if (record->mFamilyName.IsEqual(family))
        return record;
    }
    return nullptr;
  }

  std::string PathOf(std::int32_t fileID) const { return N(LFontFileInfo::GetFilePath(fileID)); }

  FakeFrameworkApp mApp;
};

TEST_F(FontFileInfoTest, ScanRegistersEveryFamilyAndStyleTrueTypeFilesFirst) {
  Write("a-regular.ttf", Font(FamilyAndStyle(u"Scan Sans", u"Regular")));
  Write("b-bold.TTF", Font(FamilyAndStyle(u"Scan Sans", u"BOLD")));
  Write("c-styles.ttc",
        Collection({FamilyAndStyle(u"Scan Sans", u"Bold"), FamilyAndStyle(u"Scan Serif", u"Italic"),
                    FamilyAndStyle(u"Scan Serif", u"bold italic")}));
  Write("d-italic-bold.ttf", Font(FamilyAndStyle(u"Scan Mono", u"Italic Bold")));
  Write("e-oblique.ttf", Font(FamilyAndStyle(u"Scan Mono", u"Oblique")));
  Write("f-other.otf", Font(FamilyAndStyle(u"Not Scanned", u"Regular")));

  ASSERT_EQ(LFontFileInfo::ScanFontFolder(), S_OK);
  ASSERT_EQ(LFontFileInfo::GetFileInfoCount(), 3u);
  for (std::uint32_t i = 0; i < 3; ++i)
    EXPECT_EQ(LFontFileInfo::GetFileInfo(i)->mIndex, static_cast<std::int32_t>(i));

  const RCPtr<LFontFileInfo> sans = Family(u"Scan Sans");
  ASSERT_FALSE(sans.IsNull());
  EXPECT_EQ(N(sans->mRegularPath), Path("a-regular.ttf"));
  // The collection comes after every .ttf file and the last file registered wins.
  EXPECT_EQ(N(sans->mBoldPath), Path("c-styles.ttc"));
  EXPECT_TRUE(sans->mItalicPath.IsEmpty());

  const RCPtr<LFontFileInfo> serif = Family(u"Scan Serif");
  ASSERT_FALSE(serif.IsNull());
  EXPECT_EQ(N(serif->mItalicPath), Path("c-styles.ttc"));
  EXPECT_EQ(N(serif->mBoldItalicPath), Path("c-styles.ttc"));
  EXPECT_TRUE(serif->mRegularPath.IsEmpty());

  // Neither "italic bold" nor "oblique" is a style of its own.
  const RCPtr<LFontFileInfo> mono = Family(u"Scan Mono");
  ASSERT_FALSE(mono.IsNull());
  EXPECT_EQ(N(mono->mRegularPath), Path("e-oblique.ttf"));
  EXPECT_TRUE(mono->mBoldItalicPath.IsEmpty());
  EXPECT_TRUE(Family(u"Not Scanned").IsNull());

  // A new scan starts over.
  std::filesystem::remove(Path("c-styles.ttc"));
  ASSERT_EQ(LFontFileInfo::ScanFontFolder(), S_OK);
  EXPECT_EQ(LFontFileInfo::GetFileInfoCount(), 2u);
  EXPECT_EQ(N(Family(u"Scan Sans")->mBoldPath), Path("b-bold.TTF"));
}

TEST_F(FontFileInfoTest, BrokenFilesAreSkipped) {
  Bytes cut = Font(FamilyAndStyle(u"Cut", u"Regular"));
  cut.resize(cut.size() - 3);
  Bytes hugeCollection = Collection({FamilyAndStyle(u"Huge", u"Regular")});
  Set32(hugeCollection, 8, 0xFFFFFFFF);
  Write("0-empty.ttf", {});
  Write("1-garbage.ttf", Bytes(100, 0xAB));
  Write("2-cut.ttf", cut);
  Write("3-huge.ttc", hugeCollection);
  std::filesystem::create_directory(Path("4-folder.ttf"));
  Write("5-good.ttf", Font(FamilyAndStyle(u"Good", u"Bold")));

  ASSERT_EQ(LFontFileInfo::ScanFontFolder(), S_OK);
  ASSERT_EQ(LFontFileInfo::GetFileInfoCount(), 1u);
  EXPECT_TRUE(LFontFileInfo::GetFileInfo(0)->mFamilyName.IsEqual(u"Good"));
}

TEST_F(FontFileInfoTest, WithoutAFontsFolderTheScanFailsAndNoFontHasAFile) {
  Write("font.ttf", Font(FamilyAndStyle(u"DejaVu Sans", u"Regular")));
  ASSERT_EQ(LFontFileInfo::ScanFontFolder(), S_OK);
  ASSERT_EQ(LFontFileInfo::GetFileInfoCount(), 1u);

  Platform::SetFontFolderOverride({});
  EXPECT_EQ(LFontFileInfo::ScanFontFolder(), E_FAIL);
  EXPECT_EQ(LFontFileInfo::GetFileInfoCount(), 0u);
  const RCPtr<LFont> font = LFont::GetFont(u"DejaVu Sans", 9.0f, 0);
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { LFontFileInfo::GetFileID(font); }), kNoFamilyError);
}

TEST_F(FontFileInfoTest, AMissingStyleFallsBackInTableOrderAndRemembersTheChoice) {
  // Each family has the styles named in its files (R, B, I, BI). A choice is
  // written into the wanted slot, where later fall-backs of the family find it:
  // the cases use families of their own so that each meets the table afresh.
  Write("bold-only.ttf", Font(FamilyAndStyle(u"Fall Bold", u"Bold")));
  Write("ri-regular.ttf", Font(FamilyAndStyle(u"Fall RI", u"Regular")));
  Write("ri-italic.ttf", Font(FamilyAndStyle(u"Fall RI", u"Italic")));
  Write("ri2-regular.ttf", Font(FamilyAndStyle(u"Fall RI2", u"Regular")));
  Write("ri2-italic.ttf", Font(FamilyAndStyle(u"Fall RI2", u"Italic")));
  Write("bi-only.ttf", Font(FamilyAndStyle(u"Fall BI", u"Bold Italic")));
  Write("i-only.ttf", Font(FamilyAndStyle(u"Fall I", u"Italic")));
  ASSERT_EQ(LFontFileInfo::ScanFontFolder(), S_OK);

  struct Case {
    const char16_t* family;
    std::int32_t style;
    const char* file;
  };
  const Case cases[] = {
      {u"Fall Bold", 0, "bold-only.ttf"},                               // regular: R, B, I, BI
      {u"Fall RI2", kFontStyleBold, "ri2-regular.ttf"},                 // bold: B, BI, R, I
      {u"Fall RI", kFontStyleBold | kFontStyleItalic, "ri-italic.ttf"}, // bold italic: BI, B, I, R
      {u"Fall BI", kFontStyleItalic, "bi-only.ttf"},                    // italic: I, BI, R, B
      {u"Fall I", kFontStyleBold, "i-only.ttf"},                        // bold: last resort italic
      {u"Fall Bold", kFontStyleBold | kFontStyleUnderline | kFontStyleStrikeOut, "bold-only.ttf"},
      {u"Fall RI", kFontStyleBold, "ri-italic.ttf"}, // bold italic now holds the italic file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << N(WideString(c.family)) << " style " << c.style);
    const RCPtr<LFontFileInfo> record = Family(c.family);
    ASSERT_FALSE(record.IsNull());
    const std::int32_t s = c.style & 3;
    const std::int32_t id = LFontFileInfo::GetFileID(LFont::GetFont(c.family, 10.0f, c.style));
    EXPECT_EQ(id, record->mIndex * 4 + s); // underline and strike-out play no part
    EXPECT_EQ(PathOf(id), Path(c.file));
    EXPECT_EQ(N(record->GetPath(s)), Path(c.file)); // written into the wanted slot
  }
}

TEST_F(FontFileInfoTest, AnUnknownFaceTakesTheSystemFontsFamilyInTheRequestedStyle) {
  Write("sys-regular.ttf", Font(FamilyAndStyle(u"System Face", u"Regular")));
  Write("sys-bold.ttf", Font(FamilyAndStyle(u"System Face", u"Bold")));
  ASSERT_EQ(LFontFileInfo::ScanFontFolder(), S_OK);
  mApp.mSystemFace = u"System Face";
  mApp.mSystemStyle = kFontStyleItalic; // the system font's own style does not count

  // Absent, and differing only in letter case (exact here, though fonts match either way).
  for (const char16_t* face : {u"Absent Face", u"SYSTEM FACE"}) {
    SCOPED_TRACE(N(WideString(face)));
    const std::int32_t id = LFontFileInfo::GetFileID(LFont::GetFont(face, 9.0f, kFontStyleBold));
    EXPECT_EQ(PathOf(id), Path("sys-bold.ttf"));
  }

  // Neither family listed, or no system font at all.
  mApp.mSystemFace = u"Also Absent";
  const RCPtr<LFont> orphan = LFont::GetFont(u"Orphan Face", 9.0f, 0);
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { LFontFileInfo::GetFileID(orphan); }), kNoFamilyError);
  mApp.mSystemFontResult = E_FAIL;
  EXPECT_EQ(ThrownText<std::runtime_error>([&] { LFontFileInfo::GetFileID(orphan); }), kNoFamilyError);

  // Once found, a font's family comes from the map, whatever the system font says later.
  mApp.mSystemFontResult = S_OK;
  mApp.mSystemFace = u"System Face";
  const RCPtr<LFont> mapped = LFont::GetFont(u"Mapped Face", 9.0f, 0);
  EXPECT_EQ(PathOf(LFontFileInfo::GetFileID(mapped)), Path("sys-regular.ttf"));
  mApp.mSystemFace = u"Also Absent";
  EXPECT_EQ(PathOf(LFontFileInfo::GetFileID(mapped)), Path("sys-regular.ttf"));
}

TEST_F(FontFileInfoTest, FilePathsOutsideTheListAreEmpty) {
  Write("one.ttf", Font(FamilyAndStyle(u"Path Face", u"Regular")));
  ASSERT_EQ(LFontFileInfo::ScanFontFolder(), S_OK);
  EXPECT_EQ(PathOf(0), Path("one.ttf"));
  for (const std::int32_t id : {-1, -4, 1, 3, 4, 7, 0x7FFFFFFF}) {
    SCOPED_TRACE(id);
    EXPECT_TRUE(LFontFileInfo::GetFilePath(id).IsEmpty());
  }
  const RCPtr<LFontFileInfo> added = LFontFileInfo::AddFontFile();
  EXPECT_EQ(added->mIndex, 1);
  EXPECT_EQ(LFontFileInfo::GetFileInfoCount(), 2u);
}

// The DejaVu files every machine of ours has (fonts-dejavu-core), copied into
// a folder of their own so that other installed fonts play no part.
TEST_F(FontFileInfoTest, ScansTheInstalledDejaVuFiles) {
  const std::filesystem::path dejavu = "/usr/share/fonts/truetype/dejavu";
  for (const char* name : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"})
    ASSERT_TRUE(std::filesystem::copy_file(dejavu / name, folder / name)) << name;
  ASSERT_EQ(LFontFileInfo::ScanFontFolder(), S_OK);
  ASSERT_EQ(LFontFileInfo::GetFileInfoCount(), 1u);
  const RCPtr<LFontFileInfo> sans = Family(u"DejaVu Sans");
  ASSERT_FALSE(sans.IsNull());
  EXPECT_EQ(N(sans->mRegularPath), Path("DejaVuSans.ttf"));
  EXPECT_EQ(N(sans->mBoldPath), Path("DejaVuSans-Bold.ttf"));
  EXPECT_EQ(
      PathOf(LFontFileInfo::GetFileID(LFont::GetFont(u"DejaVu Sans", 9.0f, kFontStyleBold | kFontStyleItalic))),
      Path("DejaVuSans-Bold.ttf"));
}

} // namespace
} // namespace QZ
