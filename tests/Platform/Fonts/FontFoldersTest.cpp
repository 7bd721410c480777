#include "Platform/Fonts/FontFolders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

namespace fs = std::filesystem;

class FontFoldersTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "qz-fonts-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    mRoot = pattern;
  }
  void TearDown() override {
    ClearFontFolderOverride();
    std::error_code ignored;
    fs::remove_all(mRoot, ignored);
  }
  std::string Touch(const std::string& relative) {
    const fs::path path = mRoot / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
    return path.string();
  }
  std::string P(const std::string& relative) const { return (mRoot / relative).string(); }

  fs::path mRoot;
};

TEST_F(FontFoldersTest, FindsTrueTypeFilesBeforeCollectionsOnceEach) {
  Touch("b.ttc");
  Touch("a.TTF");
  Touch("sub/c.Ttf");
  Touch("sub/deeper/d.TTC");
  Touch("e.otf");
  Touch("f.ttf.bak");
  Touch("ttf");
  fs::create_directories(mRoot / "folder.ttf");
  fs::create_symlink(mRoot / "a.TTF", mRoot / "z-link.ttf");
  fs::create_directory_symlink(mRoot / "sub", mRoot / "z-sub-link");

  std::vector<std::string> files;
  // The nested folder given again finds nothing new.
  FindFontFiles({mRoot.string(), P("sub"), P("missing")}, files);
  EXPECT_EQ(files, (std::vector<std::string>{P("a.TTF"), P("sub/c.Ttf"), P("b.ttc"), P("sub/deeper/d.TTC")}));
}

TEST_F(FontFoldersTest, AnOverrideStandsInForFontconfig) {
  std::vector<std::string> folders;
  SetFontFolderOverride({mRoot.string()});
  ASSERT_TRUE(GetSystemFontFolders(folders));
  EXPECT_EQ(folders, std::vector<std::string>{mRoot.string()});

  SetFontFolderOverride({});
  EXPECT_FALSE(GetSystemFontFolders(folders));
  EXPECT_TRUE(folders.empty());
}

// fontconfig's own folders hold the DejaVu files every machine of ours has.
TEST_F(FontFoldersTest, FontconfigsFoldersHoldTheDejaVuFiles) {
  std::vector<std::string> folders;
  ASSERT_TRUE(GetSystemFontFolders(folders));
  std::vector<std::string> files;
  FindFontFiles(folders, files);
  const bool found = std::any_of(files.begin(), files.end(),
                                 [](const std::string& f) { return fs::path(f).filename() == "DejaVuSans.ttf"; });
  EXPECT_TRUE(found);
  std::vector<std::string> sorted = files;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end());
}

} // namespace
} // namespace QZ::Platform
