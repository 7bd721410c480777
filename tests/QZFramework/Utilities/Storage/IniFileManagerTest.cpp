#include "QZFramework/Utilities/Storage/IniFileManager.h"

#include "Platform/Files/SpecialFilesForTests.h"
#include "Platform/System/Limits.h"
#include "QZFramework/Utilities/Storage/PathText.h"
#include "Support/FileTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace QZ {
namespace {

namespace fs = std::filesystem;
using namespace QZ::test;

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
                            "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                            "<plist version=\"1.0\">\n";

class IniFileManagerTest : public TempFolderTest {
protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    manager = RCPtr<LIniFileManager>(new LIniFileManager(1));
    EXPECT_EQ(manager->Reserved(0), kIniFileOk);
  }

  // Opens with the settings version as key prefix.
  IniFileHandle Open(const std::string& name, const std::string& application = "App",
                     IIniFileManager* store = nullptr) {
    IniFileHandle handle = 0;
    EXPECT_EQ((store ? store : manager.Get())->OpenFile(W(Path(name)), W("1.0.0"), W(application), handle),
              kIniFileOk);
    EXPECT_NE(handle, 0u);
    return handle;
  }

  std::int32_t Int(IniFileHandle h, const char* key, std::int32_t fallback = -99) {
    std::int32_t value = 12345;
    EXPECT_EQ(manager->GetInt(h, W(key), fallback, value), kIniFileOk);
    return value;
  }
  std::string Str(IniFileHandle h, const char* key, const char* fallback = "(default)") {
    WideString value = W("junk");
    EXPECT_EQ(manager->GetString(h, W(key), W(fallback), value), kIniFileOk);
    return N(value);
  }

  RCPtr<LIniFileManager> manager;
};

TEST_F(IniFileManagerTest, WritesTheDocumentByteForByte) {
  const IniFileHandle h = Open("UserSettings.ini");
  // Nothing changed yet: nothing is written.
  EXPECT_EQ(manager->SaveFile(h), kIniFileOk);
  EXPECT_FALSE(fs::exists(folder / "UserSettings.ini"));

  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 1), kIniFileOk);
  EXPECT_EQ(manager->SaveFile(h), kIniFileOk);
  EXPECT_EQ(ReadAll(folder / "UserSettings.ini"), kHeader + "<dict>\n"
                                                            "\t<key>Application</key><string>App</string>\n"
                                                            "\t<key>1_0_0</key><dict>\n"
                                                            "\t\t<key>DeviceModel</key><integer>1</integer>\n"
                                                            "\t</dict>\n"
                                                            "</dict>\n"
                                                            "</plist>\n");
  // Saved and clean: no temporary file is left beside it.
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(IniFileManagerTest, SettingsSurviveANewStore) {
  {
    const IniFileHandle h = Open("AppSettings.ini");
    EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), -7), kIniFileOk);
    EXPECT_EQ(manager->SetInt(h, W("CurrentSkinIndex"), 3), kIniFileOk);
    EXPECT_EQ(manager->SetString(h, W("PresetLastFolderPath"), W("/home/ü/Programs & <Backups>")), kIniFileOk);
    EXPECT_EQ(manager->SetArrayString(h, W("Recent"), 1, W("b.prg")), kIniFileOk);
    EXPECT_EQ(manager->SetString(h, W("Window.Placement"), W("1 2 3 4")), kIniFileOk);
    const IniFileHandle second = Open("UserSettings.ini");
    EXPECT_EQ(manager->SetString(second, W("Language"), W("de")), kIniFileOk);
    EXPECT_EQ(manager->CloseFile(h, true), kIniFileOk);
    // CloseAll writes what is still open and modified.
    EXPECT_EQ(manager->CloseAll(), kIniFileOk);
    EXPECT_EQ(manager->SaveFile(second), kIniFileNoSuchHandle);
  }

  LIniFileManager fresh;
  IniFileHandle h = Open("AppSettings.ini", "Other", &fresh);
  std::int32_t value = 0;
  EXPECT_EQ(fresh.GetInt(h, W("DeviceModel"), 0, value), kIniFileOk);
  EXPECT_EQ(value, -7);
  EXPECT_EQ(fresh.GetInt(h, W("CurrentSkinIndex"), 0, value), kIniFileOk);
  EXPECT_EQ(value, 3);
  WideString text;
  EXPECT_EQ(fresh.GetString(h, W("PresetLastFolderPath"), WideString(), text), kIniFileOk);
  EXPECT_EQ(N(text), "/home/ü/Programs & <Backups>");
  EXPECT_EQ(fresh.GetArrayString(h, W("Recent"), 1, text), kIniFileOk);
  EXPECT_EQ(N(text), "b.prg");
  EXPECT_EQ(fresh.GetString(h, W("Window.Placement"), WideString(), text), kIniFileOk);
  EXPECT_EQ(N(text), "1 2 3 4");
  // The application name of the loaded file stays as it was written.
  IniFileHandle root = 0;
  EXPECT_EQ(fresh.OpenFile(W(Path("UserSettings.ini")), WideString(), W("X"), root), kIniFileOk);
  EXPECT_EQ(fresh.GetString(root, W("Application"), WideString(), text), kIniFileOk);
  EXPECT_EQ(N(text), "App");
  EXPECT_EQ(fresh.GetString(root, W("1_0_0.Language"), WideString(), text), kIniFileOk);
  EXPECT_EQ(N(text), "de");
  fresh.CloseAll();
}

TEST_F(IniFileManagerTest, OpenResultsAndHandles) {
  const IniFileHandle h = Open("a.ini");
  IniFileHandle again = 0;
  EXPECT_EQ(manager->OpenFile(W(Path("a.ini")), W("2.0"), W("Else"), again), kIniFileAlreadyOpen);
  EXPECT_EQ(again, h);
  // Paths are compared byte for byte.
  const IniFileHandle upper = Open("A.ini");
  EXPECT_NE(upper, h);

  IniFileHandle none = 77;
  EXPECT_EQ(manager->OpenFile(WideString(), W("1.0.0"), W("App"), none), kIniFileFailed);
  EXPECT_EQ(none, 0u);

  EXPECT_EQ(manager->SetInt(h, W("K"), 1), kIniFileOk);
  EXPECT_EQ(manager->CloseFile(h, false), kIniFileOk); // closed without saving
  EXPECT_FALSE(fs::exists(folder / "a.ini"));
  // A closed file's handle stays invalid even when a file is opened after it.
  const IniFileHandle later = Open("b.ini");
  EXPECT_NE(later, h);

  for (const IniFileHandle bad : {h, IniFileHandle{0}, later + 1000}) {
    SCOPED_TRACE(bad);
    std::int32_t n = 5;
    WideString s = W("x");
    EXPECT_EQ(manager->SaveFile(bad), kIniFileNoSuchHandle);
    EXPECT_EQ(manager->CloseFile(bad, true), kIniFileNoSuchHandle);
    EXPECT_FALSE(manager->KeyExists(bad, W("K")));
    EXPECT_EQ(manager->GetInt(bad, W("K"), 9, n), kIniFileNoSuchHandle);
    EXPECT_EQ(n, 9);
    EXPECT_EQ(manager->SetInt(bad, W("K"), 1), kIniFileNoSuchHandle);
    EXPECT_EQ(manager->GetString(bad, W("K"), W("d"), s), kIniFileNoSuchHandle);
    EXPECT_EQ(N(s), "d");
    EXPECT_EQ(manager->SetString(bad, W("K"), W("v")), kIniFileNoSuchHandle);
    EXPECT_EQ(manager->GetChildCount(bad, W("K"), n), kIniFileNoSuchHandle);
    EXPECT_EQ(manager->GetChildName(bad, W("K"), 0, s), kIniFileNoSuchHandle);
    EXPECT_EQ(manager->GetArrayCount(bad, W("K"), n), kIniFileNoSuchHandle);
    EXPECT_EQ(manager->SetArraySize(bad, W("K"), 1), kIniFileNoSuchHandle);
    EXPECT_EQ(manager->GetArrayString(bad, W("K"), 0, s), kIniFileNoSuchHandle);
    EXPECT_EQ(manager->SetArrayString(bad, W("K"), 0, W("v")), kIniFileNoSuchHandle);
    EXPECT_EQ(manager->RemoveArrayItem(bad, W("K"), 0), kIniFileNoSuchHandle);
  }
  manager->CloseAll();
}

TEST_F(IniFileManagerTest, TypedReadsAndKeys) {
  const IniFileHandle h = Open("k.ini");
  EXPECT_EQ(Int(h, "Missing", 42), 42);
  EXPECT_EQ(Str(h, "Missing"), "(default)");
  EXPECT_FALSE(manager->KeyExists(h, W("Missing")));

  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 1), kIniFileOk);
  EXPECT_EQ(Int(h, "devicemodel"), 1); // ASCII letter case does not count
  EXPECT_EQ(Int(h, "DEVICEMODEL"), 1);
  EXPECT_TRUE(manager->KeyExists(h, W("deviceMODEL")));
  EXPECT_EQ(Str(h, "DeviceModel"), ""); // not a text

  EXPECT_EQ(manager->SetString(h, W("Name"), W("12")), kIniFileOk);
  EXPECT_EQ(Int(h, "Name", 5), 0); // a text is no number
  EXPECT_EQ(Str(h, "Name"), "12");
  // A node changes its type when written with another.
  EXPECT_EQ(manager->SetInt(h, W("Name"), 8), kIniFileOk);
  EXPECT_EQ(Int(h, "Name"), 8);

  // A dotted key makes nested dicts under the prefix; their node reads as 0 / "".
  EXPECT_EQ(manager->SetString(h, W("A.B"), W("ab")), kIniFileOk);
  EXPECT_TRUE(manager->KeyExists(h, W("A")));
  EXPECT_EQ(Int(h, "A", 3), 0);
  EXPECT_EQ(Str(h, "A"), "");
  std::int32_t count = -1;
  WideString name;
  EXPECT_EQ(manager->GetChildCount(h, W("A"), count), kIniFileOk);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(manager->GetChildName(h, W("A"), 0, name), kIniFileOk);
  EXPECT_EQ(N(name), "B");
  EXPECT_EQ(manager->GetChildCount(h, W("A.B"), count), kIniFileOk);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(manager->GetChildCount(h, W("None"), count), kIniFileFailed);
  EXPECT_EQ(manager->GetChildName(h, W("A"), 1, name), kIniFileFailed);
  EXPECT_EQ(manager->GetChildName(h, W("A"), -1, name), kIniFileFailed);
  EXPECT_EQ(manager->GetChildName(h, W("A.B"), 0, name), kIniFileFailed);
  EXPECT_EQ(manager->SaveFile(h), kIniFileOk);
  EXPECT_NE(ReadAll(folder / "k.ini").find("\t\t<key>A</key><dict>\n\t\t\t<key>B</key><string>ab</string>\n"),
            std::string::npos);
  manager->CloseAll();
}

TEST_F(IniFileManagerTest, ArraysOfStrings) {
  const IniFileHandle h = Open("arr.ini");
  std::int32_t count = -1;
  WideString text;
  EXPECT_EQ(manager->GetArrayCount(h, W("List"), count), kIniFileFailed);

  EXPECT_EQ(manager->SetArrayString(h, W("List"), 3, W("d")), kIniFileOk);
  EXPECT_EQ(manager->GetArrayCount(h, W("List"), count), kIniFileOk);
  EXPECT_EQ(count, 4);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(manager->GetArrayString(h, W("List"), i, text), kIniFileOk);
    EXPECT_EQ(N(text), "");
  }
  EXPECT_EQ(manager->GetArrayString(h, W("List"), 3, text), kIniFileOk);
  EXPECT_EQ(N(text), "d");
  EXPECT_EQ(manager->SetArrayString(h, W("List"), 0, W("a")), kIniFileOk);
  EXPECT_EQ(manager->GetChildCount(h, W("List"), count), kIniFileOk);
  EXPECT_EQ(count, 4);

  // Out of range, negative, or not an array: -1 and nothing changes.
  EXPECT_EQ(manager->GetArrayString(h, W("List"), 4, text), kIniFileFailed);
  EXPECT_EQ(manager->GetArrayString(h, W("List"), -1, text), kIniFileFailed);
  EXPECT_EQ(manager->RemoveArrayItem(h, W("List"), 4), kIniFileFailed);
  EXPECT_EQ(manager->RemoveArrayItem(h, W("List"), -2), kIniFileFailed);
  EXPECT_EQ(manager->SetArraySize(h, W("List"), -1), kIniFileFailed);
  EXPECT_EQ(manager->SetArrayString(h, W("List"), -1, W("x")), kIniFileFailed);
  EXPECT_EQ(manager->SetArrayString(h, W("List"), 1 << 30, W("x")), kIniFileFailed);
  EXPECT_EQ(manager->SetInt(h, W("Scalar"), 5), kIniFileOk);
  EXPECT_EQ(manager->GetArrayCount(h, W("Scalar"), count), kIniFileFailed);
  EXPECT_EQ(manager->GetArrayString(h, W("Scalar"), 0, text), kIniFileFailed);
  EXPECT_EQ(manager->RemoveArrayItem(h, W("Scalar"), 0), kIniFileFailed);

  // Removing moves later items up; shrinking drops the last ones.
  EXPECT_EQ(manager->RemoveArrayItem(h, W("List"), 0), kIniFileOk);
  EXPECT_EQ(manager->GetArrayString(h, W("List"), 2, text), kIniFileOk);
  EXPECT_EQ(N(text), "d");
  EXPECT_EQ(manager->SetArraySize(h, W("List"), 1), kIniFileOk);
  EXPECT_EQ(manager->GetArrayCount(h, W("List"), count), kIniFileOk);
  EXPECT_EQ(count, 1);
  // An integer becomes an array of empty strings.
  EXPECT_EQ(manager->SetArraySize(h, W("Scalar"), 2), kIniFileOk);
  EXPECT_EQ(manager->GetArrayCount(h, W("Scalar"), count), kIniFileOk);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(manager->SetArraySize(h, W("Scalar"), 0), kIniFileOk);
  EXPECT_EQ(manager->SaveFile(h), kIniFileOk);
  EXPECT_NE(ReadAll(folder / "arr.ini")
                .find("\t\t<key>List</key><array>\n\t\t\t<string></string>\n\t\t</array>\n"
                      "\t\t<key>Scalar</key><array/>\n"),
            std::string::npos);
  manager->CloseAll();
}

TEST_F(IniFileManagerTest, TextThatXmlMustEscapeStaysReadable) {
  // Neither the application name nor any key or value can make the file unreadable.
  const std::string odd = "A&B <C> \"q\" 'a' ]]> &amp;";
  const IniFileHandle h = Open("esc.ini", odd);
  EXPECT_EQ(manager->SetString(h, W("Value"), W(odd)), kIniFileOk);
  EXPECT_EQ(manager->SetInt(h, W(odd.c_str()), 4), kIniFileOk);
  EXPECT_EQ(manager->SetArrayString(h, W("L"), 0, W("\r\n<x>")), kIniFileOk);
  EXPECT_EQ(manager->CloseFile(h, true), kIniFileOk);
  EXPECT_NE(ReadAll(folder / "esc.ini").find("<key>Application</key><string>A&amp;B &lt;C&gt;"),
            std::string::npos);

  LIniFileManager fresh;
  IniFileHandle back = 0;
  ASSERT_EQ(fresh.OpenFile(W(Path("esc.ini")), WideString(), W("Lost"), back), kIniFileOk);
  WideString text;
  std::int32_t n = 0;
  EXPECT_EQ(fresh.GetString(back, W("Application"), WideString(), text), kIniFileOk);
  EXPECT_EQ(N(text), odd);
  EXPECT_EQ(fresh.GetString(back, W("1_0_0.Value"), WideString(), text), kIniFileOk);
  EXPECT_EQ(N(text), odd);
  EXPECT_EQ(fresh.GetInt(back, W("1_0_0." + odd), 0, n), kIniFileOk);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(fresh.GetArrayString(back, W("1_0_0.L"), 0, text), kIniFileOk);
  EXPECT_EQ(N(text), "\r\n<x>");
  fresh.CloseAll();
}

TEST_F(IniFileManagerTest, DamagedOrEmptyFileStartsAfresh) {
  for (const char* damaged : {"<dict><key>Old</key><integer>1</integer>", "", "not xml at all"}) {
    SCOPED_TRACE(damaged);
    WriteAll(folder / "bad.ini", damaged);
    testing::internal::CaptureStderr(); // the parser reports the damage there
    const IniFileHandle h = Open("bad.ini", "Fresh");
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(manager->KeyExists(h, W("Old")));
    // Opening does not write; the next save replaces the damaged file.
    EXPECT_EQ(ReadAll(folder / "bad.ini"), damaged);
    EXPECT_EQ(manager->SetInt(h, W("New"), 2), kIniFileOk);
    EXPECT_EQ(manager->CloseFile(h, true), kIniFileOk);
    const std::string written = ReadAll(folder / "bad.ini");
    EXPECT_EQ(written.rfind(kHeader, 0), 0u);
    EXPECT_NE(written.find("<key>Application</key><string>Fresh</string>"), std::string::npos);
    EXPECT_NE(written.find("<key>New</key><integer>2</integer>"), std::string::npos);
  }
}

// Lowers the largest file this process may write, the way a full disk stops a write.
class FileSizeLimit {
public:
  explicit FileSizeLimit(std::uint64_t bytes) {
    mHandler = std::signal(SIGXFSZ, SIG_IGN);
    mActive = Platform::GetFileSizeLimit(mOld) && Platform::SetFileSizeLimit(bytes);
  }
  ~FileSizeLimit() {
    if (mActive)
      (void)Platform::SetFileSizeLimit(mOld);
    std::signal(SIGXFSZ, mHandler);
  }
  bool Active() const { return mActive; }

private:
  std::uint64_t mOld = 0;
  void (*mHandler)(int) = nullptr;
  bool mActive = false;
};

TEST_F(IniFileManagerTest, FailedSaveKeepsThePreviousFileAndStaysModified) {
  const IniFileHandle h = Open("UserSettings.ini");
  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 1), kIniFileOk);
  ASSERT_EQ(manager->SaveFile(h), kIniFileOk);
  const std::string previous = ReadAll(folder / "UserSettings.ini");

  EXPECT_EQ(manager->SetString(h, W("Big"), W(std::string(200000, 'x'))), kIniFileOk);
  {
    FileSizeLimit full(4096);
    ASSERT_TRUE(full.Active());
    EXPECT_EQ(manager->SaveFile(h), kIniFileFailed);
    EXPECT_EQ(manager->SaveFile(h), kIniFileFailed); // still modified: it tries again
  }
  EXPECT_EQ(ReadAll(folder / "UserSettings.ini"), previous);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

  // With room again the same save goes through.
  EXPECT_EQ(manager->SaveFile(h), kIniFileOk);
  EXPECT_NE(ReadAll(folder / "UserSettings.ini").find(std::string(200000, 'x')), std::string::npos);

  // A folder that cannot hold the file (its parent is a regular file, which stops
  // even a privileged user): -1 from saving and from closing with save.
  WriteAll(folder / "plain", "x");
  const IniFileHandle blocked = Open("plain/Settings.ini");
  EXPECT_EQ(manager->SetInt(blocked, W("DeviceModel"), 2), kIniFileOk);
  EXPECT_EQ(manager->SaveFile(blocked), kIniFileFailed);
  EXPECT_EQ(manager->CloseFile(blocked, true), kIniFileFailed);
  EXPECT_EQ(manager->SaveFile(blocked), kIniFileNoSuchHandle); // closed all the same
  const IniFileHandle again = Open("plain/Settings.ini");
  EXPECT_EQ(manager->SetInt(again, W("DeviceModel"), 2), kIniFileOk);
  EXPECT_EQ(manager->CloseAll(), kIniFileOk); // the failure is ignored there
  EXPECT_EQ(ReadAll(folder / "plain"), "x");
}

TEST_F(IniFileManagerTest, SavingKeepsPermissionsAndLinks) {
  // A new file gets what a plain create gives here (0666 less the umask).
  WriteAll(folder / "plain.bin", "x");
  const fs::perms plain = fs::status(folder / "plain.bin").permissions();
  const IniFileHandle fresh = Open("New.ini");
  EXPECT_EQ(manager->SetInt(fresh, W("DeviceModel"), 1), kIniFileOk);
  ASSERT_EQ(manager->SaveFile(fresh), kIniFileOk);
  EXPECT_EQ(fs::status(folder / "New.ini").permissions(), plain);

  // An existing file keeps its own, whatever they are.
  for (const fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write,
                               fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read}) {
    SCOPED_TRACE(static_cast<int>(mode));
    fs::permissions(folder / "New.ini", mode);
    EXPECT_EQ(manager->SetInt(fresh, W("DeviceModel"), static_cast<std::int32_t>(mode)), kIniFileOk);
    ASSERT_EQ(manager->SaveFile(fresh), kIniFileOk);
    EXPECT_EQ(fs::status(folder / "New.ini").permissions(), mode);
  }

  // Through a link (relative, in another folder) the target is saved and the link stays.
  fs::create_directory(folder / "real");
  WriteAll(folder / "real" / "Settings.ini", kHeader + "<dict/>\n</plist>\n");
  fs::create_symlink(fs::path("real") / "Settings.ini", folder / "Linked.ini");
  const IniFileHandle linked = Open("Linked.ini");
  EXPECT_EQ(manager->SetInt(linked, W("DeviceModel"), 3), kIniFileOk);
  ASSERT_EQ(manager->SaveFile(linked), kIniFileOk);
  EXPECT_TRUE(fs::is_symlink(folder / "Linked.ini"));
  EXPECT_NE(ReadAll(folder / "real" / "Settings.ini").find("<integer>3</integer>"), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder / "real"), fs::directory_iterator()), 1);

  // A link whose target does not exist yet: the target is made, the link kept.
  fs::create_symlink("Later.ini", folder / "Dangling.ini");
  const IniFileHandle dangling = Open("Dangling.ini");
  EXPECT_EQ(manager->SetInt(dangling, W("DeviceModel"), 4), kIniFileOk);
  ASSERT_EQ(manager->SaveFile(dangling), kIniFileOk);
  EXPECT_TRUE(fs::is_symlink(folder / "Dangling.ini"));
  EXPECT_NE(ReadAll(folder / "Later.ini").find("<integer>4</integer>"), std::string::npos);
}

TEST_F(IniFileManagerTest, AFileThatMayNotBeWrittenIsNotReplaced) {
  // The user may neither read nor write the file but may write the folder: it opens
  // as a new document, and saving that must not put it in the old file's place.
  const std::string path = Path("Locked.ini");
  const std::string original =
      "<dict><key>1_0_0</key><dict><key>DeviceModel</key><integer>4</integer></dict></dict>";
  WriteAll(path, original);
  fs::permissions(path, fs::perms::none);
  fs::permissions(folder, fs::perms::all);
  // Privileges override the file's mode (the platform's tests cover that case with an
  // unprivileged child process).
  if (std::ofstream(path, std::ios::app))
    GTEST_SKIP() << "privileged: the file's mode does not stop this user";

  LIniFileManager store;
  IniFileHandle h = 0;
  ASSERT_EQ(store.OpenFile(W(path), W("1.0.0"), W("App"), h), kIniFileOk);
  EXPECT_EQ(store.SetInt(h, W("DeviceModel"), 1), kIniFileOk);
  EXPECT_EQ(store.SaveFile(h), kIniFileFailed);
  EXPECT_EQ(store.CloseFile(h, true), kIniFileFailed);
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(IniFileManagerTest, ASettingsFileThatIsNoRegularFileKeepsItsDefaultsInMemory) {
  using Platform::test::NodeKind;
  struct Case {
    std::string name;
    NodeKind kind;
  };
  std::vector<Case> cases{{"fifo", NodeKind::kFifo}, {"dir", NodeKind::kFolder}};
  ASSERT_TRUE(Platform::test::MakeFifo(Path("fifo")));
  fs::create_directory(folder / "dir");
  if (Platform::test::MakeNullDevice(Path("device")))
    cases.push_back({"device", NodeKind::kCharacterDevice});
  else
    std::cout << "no character device could be made here: it is left out\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Reached through a link, as a settings file made into a link to a node elsewhere would be.
    const std::string settings = c.name + "-UserSettings.ini";
    fs::create_symlink(c.name, folder / settings);
    const std::size_t entries =
        static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
    IniFileHandle h = 0;
    ASSERT_EQ(manager->OpenFile(W(Path(settings)), W("1.0.0"), W("Fresh"), h), kIniFileOk);
    std::int32_t model = -1;
    EXPECT_EQ(manager->GetInt(h, W("DeviceModel"), 7, model), kIniFileOk);
    EXPECT_EQ(model, 7);
    // The run goes on with what it set, in memory only.
    EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 2), kIniFileOk);
    EXPECT_EQ(manager->SaveFile(h), kIniFileFailed);
    EXPECT_EQ(manager->GetInt(h, W("DeviceModel"), 7, model), kIniFileOk);
    EXPECT_EQ(model, 2);
    EXPECT_EQ(manager->CloseAll(), kIniFileOk);
    EXPECT_EQ(Platform::test::KindOfNode(Path(c.name)), c.kind);
    EXPECT_EQ(Platform::test::KindOfNode(Path(settings)), NodeKind::kLink);
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator())),
              entries);
  }
  EXPECT_TRUE(fs::is_empty(folder / "dir"));
}

TEST_F(IniFileManagerTest, APathThatIsNoUtf8IsOpenedAndSavedByItsOwnBytes) {
  WideString path;
  ASSERT_TRUE(PathTextFromBytes(Path("User\xE9.ini"), path));
  IniFileHandle h = 0;
  ASSERT_EQ(manager->OpenFile(path, W("1.0.0"), W("App"), h), kIniFileOk);
  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 3), kIniFileOk);
  EXPECT_EQ(manager->CloseFile(h, true), kIniFileOk);
  EXPECT_NE(ReadAll(folder / "User\xE9.ini").find("<integer>3</integer>"), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

  // A text that names no path opens nothing.
  WideString noPath;
  noPath.AssignChars(u"/tmp/\xD800");
  EXPECT_EQ(manager->OpenFile(noPath, W("1.0.0"), W("App"), h), kIniFileFailed);
  EXPECT_EQ(h, 0u);
}

TEST_F(IniFileManagerTest, ASettingsFileOverTheLimitIsNotReadAndStartsAfresh) {
  // A sparse gigabyte: reading it would take a gigabyte of memory and many seconds.
  WriteAll(folder / "Huge.ini",
           kHeader + "<dict><key>1_0_0</key><dict><key>DeviceModel</key><integer>4</integer>");
  fs::resize_file(folder / "Huge.ini", std::uint64_t{1} << 30);
  const IniFileHandle huge = Open("Huge.ini", "Fresh");
  EXPECT_FALSE(manager->KeyExists(huge, W("DeviceModel")));
  EXPECT_EQ(fs::file_size(folder / "Huge.ini"), std::uint64_t{1} << 30) << "opening writes nothing";

  // At the limit a file is read.
  std::string document = kHeader + "<dict><key>1_0_0</key><dict><key>DeviceModel</key><integer>4</integer>"
                                   "</dict></dict>\n</plist>\n";
  document.insert(kHeader.size(), XNode::kMaxFileSize - document.size(), ' ');
  ASSERT_EQ(document.size(), XNode::kMaxFileSize);
  WriteAll(folder / "Full.ini", document);
  const IniFileHandle full = Open("Full.ini");
  std::int32_t model = 0;
  EXPECT_EQ(manager->GetInt(full, W("DeviceModel"), 0, model), kIniFileOk);
  EXPECT_EQ(model, 4);
  WriteAll(folder / "Over.ini", document + " ");
  const IniFileHandle over = Open("Over.ini");
  EXPECT_FALSE(manager->KeyExists(over, W("DeviceModel")));
}

TEST_F(IniFileManagerTest, KeysTooDeepForAFileAreRefused) {
  const IniFileHandle h = Open("deep.ini");
  // The prefix is one level; a file holds 63 below its root.
  std::string deepest = "k";
  for (int i = 1; i < XNode::kMaxDepth - 1; ++i)
    deepest += ".k";
  EXPECT_EQ(manager->SetInt(h, W(deepest), 1), kIniFileOk);
  EXPECT_EQ(manager->SetInt(h, W(deepest + ".k"), 1), kIniFileFailed);
  EXPECT_EQ(manager->SetString(h, W(deepest + "[0]"), W("x")), kIniFileFailed);
  EXPECT_EQ(manager->SetArrayString(h, W(deepest), 0, W("x")), kIniFileFailed); // its items would be too deep
  EXPECT_EQ(manager->SetArraySize(h, W(deepest.substr(2)), 1), kIniFileOk);
  EXPECT_EQ(manager->SetInt(h, W("Other"), 5), kIniFileOk);
  // So the file can always be saved, and reads back.
  EXPECT_EQ(manager->CloseFile(h, true), kIniFileOk);
  const IniFileHandle back = Open("deep.ini");
  EXPECT_EQ(Int(back, "Other"), 5);
  std::int32_t count = 0;
  EXPECT_EQ(manager->GetArrayCount(back, W(deepest.substr(2)), count), kIniFileOk);
  EXPECT_EQ(count, 1);
  manager->CloseAll();
}

// ---------------------------------------------------------------------------
// Python's plistlib as the peer

bool HavePython() { return std::system("command -v python3 >/dev/null 2>&1") == 0; }

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::string RunPeer(const std::string& mode, const std::string& path, int& status) {
  const std::string script = (fs::path(QZ_TESTS_DIR) / "QZFramework/Utilities/Storage/plist_interop.py").string();
  const std::string command = "python3 " + Quoted(script) + " " + mode + " " + Quoted(path);
  // The peer's output goes to a file beside the document, read back once it ends.
  const std::string outputPath = path + ".peer-output";
  status = std::system((command + " > " + Quoted(outputPath)).c_str());
  std::string output = ReadAll(outputPath);
  std::error_code ignored;
  fs::remove(outputPath, ignored);
  return output;
}

TEST_F(IniFileManagerTest, PythonReadsWhatTheStoreWrites) {
  if (!HavePython())
    GTEST_SKIP() << "python3 is not installed";
  const IniFileHandle h = Open("ToPython.ini", "Pellan & Vorn <Editor>");
  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 1), kIniFileOk);
  EXPECT_EQ(manager->SetInt(h, W("Negative"), -2147483647 - 1), kIniFileOk);
  EXPECT_EQ(manager->SetString(h, W("Name"), W("Grüße & <€> \"😀\"")), kIniFileOk);
  EXPECT_EQ(manager->SetString(h, W("Nested.Inner.Deep"), W("yes")), kIniFileOk);
  EXPECT_EQ(manager->SetArrayString(h, W("Recent"), 2, W("c.prg")), kIniFileOk);
  EXPECT_EQ(manager->SetArraySize(h, W("Empty"), 0), kIniFileOk);
  ASSERT_EQ(manager->SaveFile(h), kIniFileOk);

  int status = 0;
  const std::string json = RunPeer("dump", Path("ToPython.ini"), status);
  ASSERT_EQ(status, 0) << json;
  EXPECT_EQ(json,
            "{\"1_0_0\": {\"DeviceModel\": 1, \"Empty\": [], \"Name\": \"Gr\\u00fc\\u00dfe & <\\u20ac> "
            "\\\"\\ud83d\\ude00\\\"\", \"Negative\": -2147483648, \"Nested\": {\"Inner\": {\"Deep\": \"yes\"}}, "
            "\"Recent\": [\"\", \"\", \"c.prg\"]}, \"Application\": \"Pellan & Vorn <Editor>\"}\n");
  manager->CloseAll();
}

TEST_F(IniFileManagerTest, StoreReadsWhatPythonWrites) {
  if (!HavePython())
    GTEST_SKIP() << "python3 is not installed";
  int status = 0;
  const std::string output = RunPeer("write", Path("FromPython.ini"), status);
  ASSERT_EQ(status, 0) << output;

  const IniFileHandle h = Open("FromPython.ini", "Unused");
  {
    LIniFileManager atRoot;
    IniFileHandle root = 0;
    WideString application;
    ASSERT_EQ(atRoot.OpenFile(W(Path("FromPython.ini")), WideString(), W("Unused"), root), kIniFileOk);
    EXPECT_EQ(atRoot.GetString(root, W("Application"), WideString(), application), kIniFileOk);
    EXPECT_EQ(N(application), "Interop");
    atRoot.CloseAll();
  }
  EXPECT_EQ(Int(h, "DeviceModel"), 2);
  EXPECT_EQ(Int(h, "Negative"), -17);
  EXPECT_EQ(Int(h, "Ratio"), 2); // truncated toward zero
  EXPECT_EQ(Int(h, "Flag"), 1);
  EXPECT_EQ(Int(h, "Off", 9), 0);
  EXPECT_EQ(Str(h, "Name"), "Grüße & <Ünïcödé> 😀");
  EXPECT_EQ(Str(h, "nested.inner.deep"), "yes");

  std::int32_t count = 0;
  WideString text;
  EXPECT_EQ(manager->GetChildCount(h, WideString(), count), kIniFileOk);
  EXPECT_EQ(count, 8);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(manager->GetChildName(h, WideString(), i, text), kIniFileOk);
    names.push_back(N(text));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"DeviceModel", "Flag", "Name", "Negative", "Nested", "Off", "Ratio",
                                             "Recent"}));
  EXPECT_EQ(manager->GetArrayCount(h, W("Recent"), count), kIniFileOk);
  ASSERT_EQ(count, 3);
  const char* expected[] = {"/a/b.prg", "ä", ""};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(manager->GetArrayString(h, W("Recent"), i, text), kIniFileOk);
    EXPECT_EQ(N(text), expected[i]);
  }

  // Changed and written back, Python still reads all of it.
  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 3), kIniFileOk);
  EXPECT_EQ(manager->CloseFile(h, true), kIniFileOk);
  const std::string json = RunPeer("dump", Path("FromPython.ini"), status);
  ASSERT_EQ(status, 0) << json;
  EXPECT_NE(json.find("\"DeviceModel\": 3"), std::string::npos) << json;
  EXPECT_NE(json.find("\"Flag\": true"), std::string::npos) << json;
  EXPECT_NE(json.find("\"Ratio\": 2.75"), std::string::npos) << json;
  EXPECT_NE(json.find("\"Recent\": [\"/a/b.prg\", \"\\u00e4\", \"\"]"), std::string::npos) << json;
}

} // namespace
} // namespace QZ
