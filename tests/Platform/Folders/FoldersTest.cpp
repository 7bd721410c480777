#include "Platform/Folders/Folders.h"

#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <sys/stat.h>

namespace QZ::Platform {
namespace {

namespace fs = std::filesystem;

TEST(Folders, TheXdgHomesTakeOnlyAbsoluteVariablesElseTheHomeDefaults) {
  struct Case {
    FolderEnvironment environment;
    const char* data;
    const char* config;
  };
  const Case cases[] = {
      {{"/home/ann", "", ""}, "/home/ann/.local/share", "/home/ann/.config"},
      {{"/home/ann/", "/xdg/data/", "/xdg/config"}, "/xdg/data", "/xdg/config"},
      // Relative values are invalid and ignored.
      {{"/home/ann", "data", "./config"}, "/home/ann/.local/share", "/home/ann/.config"},
      // Without a home only absolute variables give a folder.
      {{"", "", "/xdg/config"}, "", "/xdg/config"},
      {{"relative", "", ""}, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.environment.home + "|" + c.environment.dataHome + "|" + c.environment.configHome);
    EXPECT_EQ(ResolveDataHome(c.environment), c.data);
    EXPECT_EQ(ResolveConfigHome(c.environment), c.config);
  }
}

TEST(Folders, UserDirsNamesTheDocumentsFolderByItsLastAssignment) {
  struct Case {
    const char* text;
    std::optional<std::string> documents;
  };
  const Case cases[] = {
      {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n", "/home/ann/Dokumente"},
      {"# XDG_DOCUMENTS_DIR=\"/commented\"\n  XDG_DOCUMENTS_DIR=\"/srv/docs/\"", "/srv/docs"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/\"\n", "/home/ann"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"\n", "/home/ann/My \"Docs\""},
      {"XDG_DOCUMENTS_DIR=\"/first\"\nXDG_DOCUMENTS_DIR=\"/second\"\n", "/second"},
      // Neither "$HOME/..." nor absolute, unquoted, unterminated, or another key: no entry.
      {"XDG_DOCUMENTS_DIR=\"Documents\"\n", std::nullopt},
      {"XDG_DOCUMENTS_DIR=/plain\n", std::nullopt},
      {"XDG_DOCUMENTS_DIR=\"/open\n", std::nullopt},
      {"XDG_DOCUMENTS_DIRX=\"/x\"\nXDG_MUSIC_DIR=\"/music\"\n", std::nullopt},
      {"XDG_DOCUMENTS_DIR=\"$HOMEWORK\"\n", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseUserDirsDocuments(c.text, "/home/ann"), c.documents);
  }
  // "$HOME" without a home names nothing.
  EXPECT_EQ(ParseUserDirsDocuments("XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n", ""), std::nullopt);
}

TEST(Folders, DocumentsFallBackToHomeDocumentsThenHome) {
  test::TempFolder temp;
  const std::string home = temp.Path().string();
  const FolderEnvironment environment{home, "", ""};
  EXPECT_EQ(ResolveDocumentsFolder(environment), home);
  fs::create_directory(temp.Path() / "Documents");
  EXPECT_EQ(ResolveDocumentsFolder(environment), home + "/Documents");
  fs::create_directories(temp.Path() / ".config");
  test::WriteAll(temp.Path() / ".config" / "user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
  EXPECT_EQ(ResolveDocumentsFolder(environment), home + "/Papers");
  EXPECT_EQ(ResolveDocumentsFolder(FolderEnvironment{}), "");
}

TEST(Folders, OverriddenFoldersAreMadeWithEveryMissingLevel) {
  test::TempFolder temp;
  const std::string data = (temp.Path() / "a" / "b" / "data").string();
  SetFolderOverride(FolderKind::kDataHome, data);
  EXPECT_EQ(GetFolder(FolderKind::kDataHome), data);
  EXPECT_TRUE(fs::is_directory(data));
  struct stat info {};
  ASSERT_EQ(::stat(data.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);

  // A file in the way, or a relative path: no folder.
  test::WriteAll(temp.Path() / "file", "x");
  SetFolderOverride(FolderKind::kConfigHome, (temp.Path() / "file" / "config").string());
  EXPECT_EQ(GetFolder(FolderKind::kConfigHome), "");
  SetFolderOverride(FolderKind::kConfigHome, "relative/config");
  EXPECT_EQ(GetFolder(FolderKind::kConfigHome), "");

  SetFolderOverride(FolderKind::kDataHome, std::nullopt);
  SetFolderOverride(FolderKind::kConfigHome, std::nullopt);
}

TEST(Folders, TheExecutableFolderHoldsThisProgram) {
  const std::string folder = GetFolder(FolderKind::kExecutable);
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(fs::exists(fs::path(folder) / "qz_platform_folders_tests"));
  EXPECT_EQ(FolderOfPath("/usr/bin/editor"), "/usr/bin");
  EXPECT_EQ(FolderOfPath("/editor"), "/");
  EXPECT_EQ(FolderOfPath("editor"), "");
}

} // namespace
} // namespace QZ::Platform
