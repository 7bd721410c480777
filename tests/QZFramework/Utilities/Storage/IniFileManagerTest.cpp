#include "QZFramework/Utilities/Storage/IniFileManager.h"

#include "QZFramework/Utilities/Storage/FileTestSupport.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace QZ {
namespace {

namespace fs = std::filesystem;
using namespace QZ::test;

const std::string kHeader =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple Computer//DTD PLIST 1.0//EN\" "
    "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n";

class IniFileManagerTest : public TempFolderTest {
protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    manager = RCPtr<LIniFileManager>(new LIniFileManager(1));
    EXPECT_EQ(manager->Reserved(0), 0);
  }

  // Opens with the settings version as key prefix.
  IniFileHandle Open(const std::string& name, const std::string& application = "App",
                     IIniFileManager* store = nullptr) {
    IniFileHandle handle = 0;
    EXPECT_EQ((store ? store : manager.Get())->OpenFile(W(Path(name)), W("1.0.0"), W(application), handle), 0);
    EXPECT_NE(handle, 0u);
    return handle;
  }

  std::int32_t Int(IniFileHandle h, const char* key, std::int32_t fallback = -99) {
    std::int32_t value = 12345;
    EXPECT_EQ(manager->GetInt(h, W(key), fallback, value), 0);
    return value;
  }
  std::string Str(IniFileHandle h, const char* key, const char* fallback = "(default)") {
    WideString value = W("junk");
    EXPECT_EQ(manager->GetString(h, W(key), W(fallback), value), 0);
    return N(value);
  }

  RCPtr<LIniFileManager> manager;
};

TEST_F(IniFileManagerTest, WritesTheDocumentByteForByte) {
  const IniFileHandle h = Open("UserSettings.ini");
  // Nothing changed yet: nothing is written.
  EXPECT_EQ(manager->SaveFile(h), 0);
  EXPECT_FALSE(fs::exists(folder / "UserSettings.ini"));

  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 1), 0);
  EXPECT_EQ(manager->SaveFile(h), 0);
  EXPECT_EQ(ReadAll(folder / "UserSettings.ini"), kHeader +
                                                      "<dict>\n"
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
    EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), -7), 0);
    EXPECT_EQ(manager->SetInt(h, W("CurrentSkinIndex"), 3), 0);
    EXPECT_EQ(manager->SetString(h, W("PresetLastFolderPath"), W("/home/ü/Programs & <Backups>")), 0);
    EXPECT_EQ(manager->SetArrayString(h, W("Recent"), 1, W("b.prg")), 0);
    EXPECT_EQ(manager->SetString(h, W("Window.Placement"), W("1 2 3 4")), 0);
    const IniFileHandle second = Open("UserSettings.ini");
    EXPECT_EQ(manager->SetString(second, W("Language"), W("de")), 0);
    EXPECT_EQ(manager->CloseFile(h, true), 0);
    // CloseAll writes what is still open and modified.
    EXPECT_EQ(manager->CloseAll(), 0);
    EXPECT_EQ(manager->SaveFile(second), -3);
  }

  LIniFileManager fresh;
  IniFileHandle h = Open("AppSettings.ini", "Other", &fresh);
  std::int32_t value = 0;
  EXPECT_EQ(fresh.GetInt(h, W("DeviceModel"), 0, value), 0);
  EXPECT_EQ(value, -7);
  EXPECT_EQ(fresh.GetInt(h, W("CurrentSkinIndex"), 0, value), 0);
  EXPECT_EQ(value, 3);
  WideString text;
  EXPECT_EQ(fresh.GetString(h, W("PresetLastFolderPath"), WideString(), text), 0);
  EXPECT_EQ(N(text), "/home/ü/Programs & <Backups>");
  EXPECT_EQ(fresh.GetArrayString(h, W("Recent"), 1, text), 0);
  EXPECT_EQ(N(text), "b.prg");
  EXPECT_EQ(fresh.GetString(h, W("Window.Placement"), WideString(), text), 0);
  EXPECT_EQ(N(text), "1 2 3 4");
  // The application name of the loaded file stays as it was written.
  IniFileHandle root = 0;
  EXPECT_EQ(fresh.OpenFile(W(Path("UserSettings.ini")), WideString(), W("X"), root), 0);
  EXPECT_EQ(fresh.GetString(root, W("Application"), WideString(), text), 0);
  EXPECT_EQ(N(text), "App");
  EXPECT_EQ(fresh.GetString(root, W("1_0_0.Language"), WideString(), text), 0);
  EXPECT_EQ(N(text), "de");
  fresh.CloseAll();
}

TEST_F(IniFileManagerTest, OpenResultsAndHandles) {
  const IniFileHandle h = Open("a.ini");
  IniFileHandle again = 0;
  EXPECT_EQ(manager->OpenFile(W(Path("a.ini")), W("2.0"), W("Else"), again), 1);
  EXPECT_EQ(again, h);
  // Paths are compared byte for byte.
  const IniFileHandle upper = Open("A.ini");
  EXPECT_NE(upper, h);

  IniFileHandle none = 77;
  EXPECT_EQ(manager->OpenFile(WideString(), W("1.0.0"), W("App"), none), -1);
  EXPECT_EQ(none, 0u);

  EXPECT_EQ(manager->SetInt(h, W("K"), 1), 0);
  EXPECT_EQ(manager->CloseFile(h, false), 0);  // closed without saving
  EXPECT_FALSE(fs::exists(folder / "a.ini"));
  // A closed file's handle stays invalid even when a file is opened after it.
  const IniFileHandle later = Open("b.ini");
  EXPECT_NE(later, h);

  for (const IniFileHandle bad : {h, IniFileHandle{0}, later + 1000}) {
    SCOPED_TRACE(bad);
    std::int32_t n = 5;
    WideString s = W("x");
    EXPECT_EQ(manager->SaveFile(bad), -3);
    EXPECT_EQ(manager->CloseFile(bad, true), -3);
    EXPECT_FALSE(manager->KeyExists(bad, W("K")));
    EXPECT_EQ(manager->GetInt(bad, W("K"), 9, n), -3);
    EXPECT_EQ(n, 9);
    EXPECT_EQ(manager->SetInt(bad, W("K"), 1), -3);
    EXPECT_EQ(manager->GetString(bad, W("K"), W("d"), s), -3);
    EXPECT_EQ(N(s), "d");
    EXPECT_EQ(manager->SetString(bad, W("K"), W("v")), -3);
    EXPECT_EQ(manager->GetChildCount(bad, W("K"), n), -3);
    EXPECT_EQ(manager->GetChildName(bad, W("K"), 0, s), -3);
    EXPECT_EQ(manager->GetArrayCount(bad, W("K"), n), -3);
    EXPECT_EQ(manager->SetArraySize(bad, W("K"), 1), -3);
    EXPECT_EQ(manager->GetArrayString(bad, W("K"), 0, s), -3);
    EXPECT_EQ(manager->SetArrayString(bad, W("K"), 0, W("v")), -3);
    EXPECT_EQ(manager->RemoveArrayItem(bad, W("K"), 0), -3);
  }
  manager->CloseAll();
}

TEST_F(IniFileManagerTest, TypedReadsAndKeys) {
  const IniFileHandle h = Open("k.ini");
  EXPECT_EQ(Int(h, "Missing", 42), 42);
  EXPECT_EQ(Str(h, "Missing"), "(default)");
  EXPECT_FALSE(manager->KeyExists(h, W("Missing")));

  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 1), 0);
  EXPECT_EQ(Int(h, "devicemodel"), 1);  // ASCII letter case does not count
  EXPECT_EQ(Int(h, "DEVICEMODEL"), 1);
  EXPECT_TRUE(manager->KeyExists(h, W("deviceMODEL")));
  EXPECT_EQ(Str(h, "DeviceModel"), "");  // not a text

  EXPECT_EQ(manager->SetString(h, W("Name"), W("12")), 0);
  EXPECT_EQ(Int(h, "Name", 5), 0);  // a text is no number
  EXPECT_EQ(Str(h, "Name"), "12");
  // A node changes its type when written with another.
  EXPECT_EQ(manager->SetInt(h, W("Name"), 8), 0);
  EXPECT_EQ(Int(h, "Name"), 8);

  // A dotted key makes nested dicts under the prefix; their node reads as 0 / "".
  EXPECT_EQ(manager->SetString(h, W("A.B"), W("ab")), 0);
  EXPECT_TRUE(manager->KeyExists(h, W("A")));
  EXPECT_EQ(Int(h, "A", 3), 0);
  EXPECT_EQ(Str(h, "A"), "");
  std::int32_t count = -1;
  WideString name;
  EXPECT_EQ(manager->GetChildCount(h, W("A"), count), 0);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(manager->GetChildName(h, W("A"), 0, name), 0);
  EXPECT_EQ(N(name), "B");
  EXPECT_EQ(manager->GetChildCount(h, W("A.B"), count), 0);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(manager->GetChildCount(h, W("None"), count), -1);
  EXPECT_EQ(manager->GetChildName(h, W("A"), 1, name), -1);
  EXPECT_EQ(manager->GetChildName(h, W("A"), -1, name), -1);
  EXPECT_EQ(manager->GetChildName(h, W("A.B"), 0, name), -1);
  EXPECT_EQ(manager->SaveFile(h), 0);
  EXPECT_NE(ReadAll(folder / "k.ini").find("\t\t<key>A</key><dict>\n\t\t\t<key>B</key><string>ab</string>\n"),
            std::string::npos);
  manager->CloseAll();
}

TEST_F(IniFileManagerTest, ArraysOfStrings) {
  const IniFileHandle h = Open("arr.ini");
  std::int32_t count = -1;
  WideString text;
  EXPECT_EQ(manager->GetArrayCount(h, W("List"), count), -1);

  EXPECT_EQ(manager->SetArrayString(h, W("List"), 3, W("d")), 0);
  EXPECT_EQ(manager->GetArrayCount(h, W("List"), count), 0);
  EXPECT_EQ(count, 4);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(manager->GetArrayString(h, W("List"), i, text), 0);
    EXPECT_EQ(N(text), "");
  }
  EXPECT_EQ(manager->GetArrayString(h, W("List"), 3, text), 0);
  EXPECT_EQ(N(text), "d");
  EXPECT_EQ(manager->SetArrayString(h, W("List"), 0, W("a")), 0);
  EXPECT_EQ(manager->GetChildCount(h, W("List"), count), 0);
  EXPECT_EQ(count, 4);

  // Out of range, negative, or not an array: -1 and nothing changes.
  EXPECT_EQ(manager->GetArrayString(h, W("List"), 4, text), -1);
  EXPECT_EQ(manager->GetArrayString(h, W("List"), -1, text), -1);
  EXPECT_EQ(manager->RemoveArrayItem(h, W("List"), 4), -1);
  EXPECT_EQ(manager->RemoveArrayItem(h, W("List"), -2), -1);
  EXPECT_EQ(manager->SetArraySize(h, W("List"), -1), -1);
  EXPECT_EQ(manager->SetArrayString(h, W("List"), -1, W("x")), -1);
  EXPECT_EQ(manager->SetArrayString(h, W("List"), 1 << 30, W("x")), -1);
  EXPECT_EQ(manager->SetInt(h, W("Scalar"), 5), 0);
  EXPECT_EQ(manager->GetArrayCount(h, W("Scalar"), count), -1);
  EXPECT_EQ(manager->GetArrayString(h, W("Scalar"), 0, text), -1);
  EXPECT_EQ(manager->RemoveArrayItem(h, W("Scalar"), 0), -1);

  // Removing moves later items up; shrinking drops the last ones.
  EXPECT_EQ(manager->RemoveArrayItem(h, W("List"), 0), 0);
  EXPECT_EQ(manager->GetArrayString(h, W("List"), 2, text), 0);
  EXPECT_EQ(N(text), "d");
  EXPECT_EQ(manager->SetArraySize(h, W("List"), 1), 0);
  EXPECT_EQ(manager->GetArrayCount(h, W("List"), count), 0);
  EXPECT_EQ(count, 1);
  // An integer becomes an array of empty strings.
  EXPECT_EQ(manager->SetArraySize(h, W("Scalar"), 2), 0);
  EXPECT_EQ(manager->GetArrayCount(h, W("Scalar"), count), 0);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(manager->SetArraySize(h, W("Scalar"), 0), 0);
  EXPECT_EQ(manager->SaveFile(h), 0);
  EXPECT_NE(ReadAll(folder / "arr.ini").find("\t\t<key>List</key><array>\n\t\t\t<string></string>\n\t\t</array>\n"
                                             "\t\t<key>Scalar</key><array/>\n"),
            std::string::npos);
  manager->CloseAll();
}

TEST_F(IniFileManagerTest, TextThatXmlMustEscapeStaysReadable) {
  // Neither the application name nor any key or value can make the file unreadable.
  const std::string odd = "A&B <C> \"q\" 'a' ]]> &amp;";
  const IniFileHandle h = Open("esc.ini", odd);
  EXPECT_EQ(manager->SetString(h, W("Value"), W(odd)), 0);
  EXPECT_EQ(manager->SetInt(h, W(odd.c_str()), 4), 0);
  EXPECT_EQ(manager->SetArrayString(h, W("L"), 0, W("\r\n<x>")), 0);
  EXPECT_EQ(manager->CloseFile(h, true), 0);
  EXPECT_NE(ReadAll(folder / "esc.ini").find("<key>Application</key><string>A&amp;B &lt;C&gt;"), std::string::npos);

  LIniFileManager fresh;
  IniFileHandle back = 0;
  ASSERT_EQ(fresh.OpenFile(W(Path("esc.ini")), WideString(), W("Lost"), back), 0);
  WideString text;
  std::int32_t n = 0;
  EXPECT_EQ(fresh.GetString(back, W("Application"), WideString(), text), 0);
  EXPECT_EQ(N(text), odd);
  EXPECT_EQ(fresh.GetString(back, W("1_0_0.Value"), WideString(), text), 0);
  EXPECT_EQ(N(text), odd);
  EXPECT_EQ(fresh.GetInt(back, W("1_0_0." + odd), 0, n), 0);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(fresh.GetArrayString(back, W("1_0_0.L"), 0, text), 0);
  EXPECT_EQ(N(text), "\r\n<x>");
  fresh.CloseAll();
}

TEST_F(IniFileManagerTest, DamagedOrEmptyFileStartsAfresh) {
  for (const char* damaged : {"<dict><key>Old</key><integer>1</integer>", "", "not xml at all"}) {
    SCOPED_TRACE(damaged);
    WriteAll(folder / "bad.ini", damaged);
    testing::internal::CaptureStderr();  // the parser reports the damage there
    const IniFileHandle h = Open("bad.ini", "Fresh");
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(manager->KeyExists(h, W("Old")));
    // Opening does not write; the next save replaces the damaged file.
    EXPECT_EQ(ReadAll(folder / "bad.ini"), damaged);
    EXPECT_EQ(manager->SetInt(h, W("New"), 2), 0);
    EXPECT_EQ(manager->CloseFile(h, true), 0);
    const std::string written = ReadAll(folder / "bad.ini");
    EXPECT_EQ(written.rfind(kHeader, 0), 0u);
    EXPECT_NE(written.find("<key>Application</key><string>Fresh</string>"), std::string::npos);
    EXPECT_NE(written.find("<key>New</key><integer>2</integer>"), std::string::npos);
  }
}

// Lowers the largest file this process may write, the way a full disk stops a write.
class FileSizeLimit {
public:
  explicit FileSizeLimit(rlim_t bytes) {
    mHandler = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &mOld);
    rlimit limit = mOld;
    limit.rlim_cur = bytes;
    mActive = setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &mOld);
    std::signal(SIGXFSZ, mHandler);
  }
  bool Active() const { return mActive; }

private:
  rlimit mOld{};
  void (*mHandler)(int) = nullptr;
  bool mActive = false;
};

TEST_F(IniFileManagerTest, FailedSaveKeepsThePreviousFileAndStaysModified) {
  const IniFileHandle h = Open("UserSettings.ini");
  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 1), 0);
  ASSERT_EQ(manager->SaveFile(h), 0);
  const std::string previous = ReadAll(folder / "UserSettings.ini");

  EXPECT_EQ(manager->SetString(h, W("Big"), W(std::string(200000, 'x'))), 0);
  {
    FileSizeLimit full(4096);
    ASSERT_TRUE(full.Active());
    EXPECT_EQ(manager->SaveFile(h), -1);
    EXPECT_EQ(manager->SaveFile(h), -1);  // still modified: it tries again
  }
  EXPECT_EQ(ReadAll(folder / "UserSettings.ini"), previous);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

  // With room again the same save goes through.
  EXPECT_EQ(manager->SaveFile(h), 0);
  EXPECT_NE(ReadAll(folder / "UserSettings.ini").find(std::string(200000, 'x')), std::string::npos);

  // A folder that cannot hold the file (its parent is a regular file, which stops
  // even a privileged user): -1 from saving and from closing with save.
  WriteAll(folder / "plain", "x");
  const IniFileHandle blocked = Open("plain/Settings.ini");
  EXPECT_EQ(manager->SetInt(blocked, W("DeviceModel"), 2), 0);
  EXPECT_EQ(manager->SaveFile(blocked), -1);
  EXPECT_EQ(manager->CloseFile(blocked, true), -1);
  EXPECT_EQ(manager->SaveFile(blocked), -3);  // closed all the same
  const IniFileHandle again = Open("plain/Settings.ini");
  EXPECT_EQ(manager->SetInt(again, W("DeviceModel"), 2), 0);
  EXPECT_EQ(manager->CloseAll(), 0);  // the failure is ignored there
  EXPECT_EQ(ReadAll(folder / "plain"), "x");
}

TEST_F(IniFileManagerTest, AFileThatMayNotBeWrittenIsNotReplaced) {
  // The user may neither read nor write the file but may write the folder: it opens
  // as a new document, and saving that must not put it in the old file's place.
  const std::string path = Path("Locked.ini");
  const std::string original = "<dict><key>1_0_0</key><dict><key>DeviceModel</key><integer>4</integer></dict></dict>";
  WriteAll(path, original);
  ASSERT_EQ(::chmod(path.c_str(), 0), 0);
  ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);

  // A child process stands for the user: privileges would override the file's mode.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(2);
    LIniFileManager store;
    IniFileHandle h = 0;
    int code = 0;
    if (store.OpenFile(W(path), W("1.0.0"), W("App"), h) != 0)
      code = 3;
    else if (store.SetInt(h, W("DeviceModel"), 1) != 0)
      code = 4;
    else if (store.SaveFile(h) != -1)
      code = 5;
    else if (store.CloseFile(h, true) != -1)
      code = 6;
    ::_exit(code);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(ReadAll(path), original);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(IniFileManagerTest, KeysTooDeepForAFileAreRefused) {
  const IniFileHandle h = Open("deep.ini");
  // The prefix is one level; a file holds 63 below its root.
  std::string deepest = "k";
  for (int i = 1; i < XNode::kMaxDepth - 1; ++i)
    deepest += ".k";
  EXPECT_EQ(manager->SetInt(h, W(deepest), 1), 0);
  EXPECT_EQ(manager->SetInt(h, W(deepest + ".k"), 1), -1);
  EXPECT_EQ(manager->SetString(h, W(deepest + "[0]"), W("x")), -1);
  EXPECT_EQ(manager->SetArrayString(h, W(deepest), 0, W("x")), -1);  // its items would be too deep
  EXPECT_EQ(manager->SetArraySize(h, W(deepest.substr(2)), 1), 0);
  EXPECT_EQ(manager->SetInt(h, W("Other"), 5), 0);
  // So the file can always be saved, and reads back.
  EXPECT_EQ(manager->CloseFile(h, true), 0);
  const IniFileHandle back = Open("deep.ini");
  EXPECT_EQ(Int(back, "Other"), 5);
  std::int32_t count = 0;
  EXPECT_EQ(manager->GetArrayCount(back, W(deepest.substr(2)), count), 0);
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
  std::string output;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    status = -1;
    return output;
  }
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    output.append(buffer, n);
  status = pclose(pipe);
  return output;
}

TEST_F(IniFileManagerTest, PythonReadsWhatTheStoreWrites) {
  if (!HavePython())
    GTEST_SKIP() << "python3 is not installed";
  const IniFileHandle h = Open("ToPython.ini", "Pellan & Vorn <Editor>");
  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 1), 0);
  EXPECT_EQ(manager->SetInt(h, W("Negative"), -2147483647 - 1), 0);
  EXPECT_EQ(manager->SetString(h, W("Name"), W("Grüße & <€> \"😀\"")), 0);
  EXPECT_EQ(manager->SetString(h, W("Nested.Inner.Deep"), W("yes")), 0);
  EXPECT_EQ(manager->SetArrayString(h, W("Recent"), 2, W("c.prg")), 0);
  EXPECT_EQ(manager->SetArraySize(h, W("Empty"), 0), 0);
  ASSERT_EQ(manager->SaveFile(h), 0);

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
    ASSERT_EQ(atRoot.OpenFile(W(Path("FromPython.ini")), WideString(), W("Unused"), root), 0);
    EXPECT_EQ(atRoot.GetString(root, W("Application"), WideString(), application), 0);
    EXPECT_EQ(N(application), "Interop");
    atRoot.CloseAll();
  }
  EXPECT_EQ(Int(h, "DeviceModel"), 2);
  EXPECT_EQ(Int(h, "Negative"), -17);
  EXPECT_EQ(Int(h, "Ratio"), 2);  // truncated toward zero
  EXPECT_EQ(Int(h, "Flag"), 1);
  EXPECT_EQ(Int(h, "Off", 9), 0);
  EXPECT_EQ(Str(h, "Name"), "Grüße & <Ünïcödé> 😀");
  EXPECT_EQ(Str(h, "nested.inner.deep"), "yes");

  std::int32_t count = 0;
  WideString text;
  EXPECT_EQ(manager->GetChildCount(h, WideString(), count), 0);
  EXPECT_EQ(count, 8);
  std::vector<std::string> names;
  for (int i = 0; i < count; ++i) {
    EXPECT_EQ(manager->GetChildName(h, WideString(), i, text), 0);
    names.push_back(N(text));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"DeviceModel", "Flag", "Name", "Negative", "Nested", "Off", "Ratio",
                                             "Recent"}));
  EXPECT_EQ(manager->GetArrayCount(h, W("Recent"), count), 0);
  ASSERT_EQ(count, 3);
  const char* expected[] = {"/a/b.prg", "ä", ""};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(manager->GetArrayString(h, W("Recent"), i, text), 0);
    EXPECT_EQ(N(text), expected[i]);
  }

  // Changed and written back, Python still reads all of it.
  EXPECT_EQ(manager->SetInt(h, W("DeviceModel"), 3), 0);
  EXPECT_EQ(manager->CloseFile(h, true), 0);
  const std::string json = RunPeer("dump", Path("FromPython.ini"), status);
  ASSERT_EQ(status, 0) << json;
  EXPECT_NE(json.find("\"DeviceModel\": 3"), std::string::npos) << json;
  EXPECT_NE(json.find("\"Flag\": true"), std::string::npos) << json;
  EXPECT_NE(json.find("\"Ratio\": 2.75"), std::string::npos) << json;
  EXPECT_NE(json.find("\"Recent\": [\"/a/b.prg\", \"\\u00e4\", \"\"]"), std::string::npos) << json;
}

} // namespace
} // namespace QZ
