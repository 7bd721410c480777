#include "Panel/Main/ApplicationFolders.h"

#include "Panel/Main/Version.h"
#include "Platform/Folders/Folders.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Utilities/Storage/PathText.h"
#include "Support/FileTestSupport.h"
#include "Support/TempFolder.h"
#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <stdexcept>
#include <string>

namespace QZ {
namespace {

namespace fs = std::filesystem;
using test::N;
using test::W;

constexpr const char* kUnknownPathIdText = "Out of Range : Unknown Path ID. : "
                                           "QZ::MFCFrameworkApp<class LApplication>::GetFolder : "
                                           "include\\../Application/ApplicationBaseWin : Line 582";

// The per-user folders redirected into the test's own folder.
class ApplicationFolders : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(temp.Path().empty());
    Redirect(root / "data", root / "config", root / "documents");
  }
  void TearDown() override {
    for (Platform::FolderKind kind :
         {Platform::FolderKind::kDataHome, Platform::FolderKind::kConfigHome, Platform::FolderKind::kDocuments})
      Platform::SetFolderOverride(kind, std::nullopt);
  }
  static void Redirect(const fs::path& data, const fs::path& config, const fs::path& documents) {
    Platform::SetFolderOverride(Platform::FolderKind::kDataHome, data.string());
    Platform::SetFolderOverride(Platform::FolderKind::kConfigHome, config.string());
    Platform::SetFolderOverride(Platform::FolderKind::kDocuments, documents.string());
  }
  static std::string Folder(std::int32_t id, const char16_t* company = u"Tolvane",
                            const char16_t* product = u"PresetEditor") {
    return N(GetApplicationFolder(id, company, product));
  }

  test::TempFolder temp;
  fs::path root = temp.Path();
};

TEST_F(ApplicationFolders, EachPathIdHasItsFolder) {
  const std::string executable = Folder(kFolderExecutable);
  EXPECT_TRUE(fs::exists(fs::path(executable) / "qz_editor_tests")) << executable;
  EXPECT_EQ(Folder(kFolderResources), "::");

  // Company and product levels below the data and config homes, made on the way.
  const std::string data = (root / "data" / "Tolvane" / "PresetEditor").string();
  const std::string config = (root / "config" / "Tolvane" / "PresetEditor").string();
  EXPECT_EQ(Folder(kFolderApplicationData), data);
  EXPECT_TRUE(fs::is_directory(data));
  EXPECT_EQ(Folder(kFolderLocalApplicationData), config);
  EXPECT_TRUE(fs::is_directory(config));

  const std::string documents = (root / "documents").string();
  for (std::int32_t id : {kFolderDocuments, kFolderDocumentsAlias1, kFolderDocumentsAlias2}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(Folder(id), documents);
  }
  EXPECT_TRUE(fs::is_directory(documents));
}

TEST_F(ApplicationFolders, AnyOtherIdIsOutOfRange) {
  for (std::int32_t id : {7, -1, 1000}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(test::ThrownText<std::out_of_range>([&] { static_cast<void>(Folder(id)); }), kUnknownPathIdText);
  }
}

TEST_F(ApplicationFolders, CompanyAndProductBecomeValidFileNames) {
  EXPECT_EQ(Folder(kFolderLocalApplicationData, u"Tol:vane & Co", u"Editor (1)/2"),
            (root / "config" / "Tol_vane _ Co" / "Editor _1__2").string());
  EXPECT_TRUE(fs::is_directory(root / "config" / "Tol_vane _ Co" / "Editor _1__2"));
}

TEST_F(ApplicationFolders, AFolderTheSystemCannotGiveIsEmpty) {
  test::WriteAll(root / "file", "x");
  Redirect(root / "file" / "data", "relative", root / "file" / "documents");
  EXPECT_EQ(Folder(kFolderApplicationData), "");
  EXPECT_EQ(Folder(kFolderLocalApplicationData), "");
  EXPECT_EQ(Folder(kFolderDocuments), "");
}

class SettingsFiles : public ApplicationFolders {
protected:
  CSettingsFiles MakeFiles() {
    return CSettingsFiles(
        manager, [](std::int32_t id) { return Folder(id).empty() ? WideString() : W(Folder(id)); },
        kSettingsVersion, Version::GetProductName());
  }

  LIniFileManager manager;
};

TEST_F(SettingsFiles, EachKindOpensOnceInItsFolder) {
  CSettingsFiles files = MakeFiles();
  const IniFileHandle user = files.Get(kSettingsFileUser);
  ASSERT_NE(user, 0u);
  EXPECT_EQ(files.Get(kSettingsFileUser), user);
  const IniFileHandle application = files.Get(kSettingsFileApplication);
  ASSERT_NE(application, 0u);
  EXPECT_NE(application, user);
  EXPECT_EQ(files.Get(2), 0u);
  EXPECT_EQ(files.Get(-1), 0u);

  EXPECT_EQ(manager.SetInt(user, kSettingCurrentSkinIndex, 1), kIniFileOk);
  EXPECT_EQ(manager.SetInt(application, u"Probe", 2), kIniFileOk);
  manager.CloseAll();
  const fs::path userFile = root / "config" / "Tolvane" / "PresetEditor" / "UserSettings.ini";
  const fs::path applicationFile = root / "data" / "Tolvane" / "PresetEditor" / "AppSettings.ini";
  EXPECT_NE(test::ReadAll(userFile).find("CurrentSkinIndex"), std::string::npos);
  EXPECT_NE(test::ReadAll(applicationFile).find("Probe"), std::string::npos);
}

TEST_F(SettingsFiles, WithoutItsFolderAFileStaysUnopenedUntilTheFolderComes) {
  Redirect(root / "data", "relative", root / "documents");
  CSettingsFiles files = MakeFiles();
  EXPECT_EQ(files.Get(kSettingsFileUser), 0u);
  EXPECT_NE(files.Get(kSettingsFileApplication), 0u);
  Redirect(root / "data", root / "config", root / "documents");
  EXPECT_NE(files.Get(kSettingsFileUser), 0u);
}

TEST_F(SettingsFiles, AFolderNameThatIsNotUtf8KeepsEveryByte) {
  // A Latin-1 home folder: each folder is the path text of its bytes, and the settings land there.
  const fs::path latin = root / "caf\xe9";
  Redirect(latin / "data", latin / "config", latin / "documents");
  struct Case {
    std::int32_t id;
    fs::path folder;
  };
  for (const Case& c : {Case{kFolderApplicationData, latin / "data" / "Tolvane" / "PresetEditor"},
                        Case{kFolderLocalApplicationData, latin / "config" / "Tolvane" / "PresetEditor"},
                        Case{kFolderDocuments, latin / "documents"}}) {
    SCOPED_TRACE(c.id);
    std::string bytes;
    EXPECT_TRUE(PathBytesFromText(GetApplicationFolder(c.id, u"Tolvane", u"PresetEditor"), bytes));
    EXPECT_EQ(bytes, c.folder.string());
    EXPECT_TRUE(fs::is_directory(c.folder));
  }

  CSettingsFiles files(
      manager, [](std::int32_t id) { return GetApplicationFolder(id, u"Tolvane", u"PresetEditor"); },
      kSettingsVersion, Version::GetProductName());
  const IniFileHandle user = files.Get(kSettingsFileUser);
  ASSERT_NE(user, 0u);
  EXPECT_EQ(manager.SetInt(user, kSettingCurrentSkinIndex, 1), kIniFileOk);
  manager.CloseAll();
  EXPECT_NE(
      test::ReadAll(latin / "config" / "Tolvane" / "PresetEditor" / "UserSettings.ini").find("CurrentSkinIndex"),
      std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(root), {}), 1) << "nothing beside the Latin-1 folder";
}

} // namespace
} // namespace QZ
