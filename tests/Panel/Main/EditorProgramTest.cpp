// The editor program as its own process under the offscreen driver: it starts with the embedded resources,
// shows its first frame and stores the skin for the screen; a second program hands its command line to the
// first and ends with 0 while the first runs on.

#include "Panel/Main/Application.h"
#include "Panel/Main/ApplicationBaseWin.h"
#include "Panel/Main/StartupErrors.h"

#include "Platform/Files/SpecialFilesForTests.h"
#include "Platform/System/Process.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

constexpr int kTimeoutMs = 60000;

class EditorProgram : public ::testing::Test {
protected:
  void SetUp() override {
    mRuntime = test::MakeTempFolder("qzr");
    ASSERT_FALSE(mRuntime.empty());
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(mRuntime, ignored);
  }

  // The program's environment: the user's folders here, no MIDI devices, SDL's signal handlers on so that
  // a stop request ends the main loop as the window system's quit.
  std::vector<std::string> Environment(const std::string& config) const {
    return {"SDL_VIDEODRIVER=offscreen",
            "SDL_NO_SIGNAL_HANDLERS=0",
            "PELLAN_VORN_MIDI=none",
            "XDG_RUNTIME_DIR=" + mRuntime.string(),
            "XDG_CONFIG_HOME=" + (mTemp.Path() / config).string(),
            "XDG_DATA_HOME=" + (mTemp.Path() / "data").string()};
  }
  std::string UserSettings(const std::string& config) const {
    return test::ReadAll(mTemp.Path() / config / "Tolvane" / "PresetEditor" / "UserSettings.ini");
  }

  test::TempFolder mTemp;
  std::filesystem::path mRuntime;
};

TEST_F(EditorProgram, StartsShowsItsFirstFrameAndStoresTheSkinForTheScreen) {
  struct Case {
    const char* dpi;
    int skin;
  };
  for (const Case& c : {Case{"144", 0}, Case{"96", 1}}) {
    SCOPED_TRACE(c.dpi);
    const std::string config = std::string("config") + c.dpi;
    std::vector<std::string> environment = Environment(config);
    environment.push_back(std::string(kEnvironmentScreenDpi) + "=" + c.dpi);
    environment.push_back(std::string(kEnvironmentExitAfterFirstFrame) + "=1");
    const Platform::ProcessId editor = Platform::StartProcess(QZ_EDITOR_PROGRAM, {}, environment);
    ASSERT_NE(editor, 0);
    EXPECT_EQ(Platform::WaitForProcess(editor, kTimeoutMs), kExitCodeNormal);
    EXPECT_NE(
        UserSettings(config).find("<key>CurrentSkinIndex</key><integer>" + std::to_string(c.skin) + "</integer>"),
        std::string::npos);
  }
}

TEST_F(EditorProgram, WithoutAUsableDisplayTheProgramFailsToStartAndHoldsNoLock) {
  // No display named, or one that no server answers: SDL would fall back to its offscreen driver on its own, and
  // an editor nobody can see would hold the single-instance lock.
  for (const char* display : {"DISPLAY=", "DISPLAY=:987"}) {
    SCOPED_TRACE(display);
    std::vector<std::string> environment = Environment("nodisplay");
    environment[0] = "SDL_VIDEODRIVER="; // the driver SDL picks by itself
    environment.push_back(display);
    environment.push_back("WAYLAND_DISPLAY=");
    const Platform::ProcessId blind = Platform::StartProcess(QZ_EDITOR_PROGRAM, {}, environment);
    ASSERT_NE(blind, 0);
    EXPECT_EQ(Platform::WaitForProcess(blind, kTimeoutMs), kExitCodeStartupFailed);
  }
  // The next start with a display of its own runs (it does not hand over to an invisible editor).
  std::vector<std::string> environment = Environment("nodisplay");
  environment.push_back(std::string(kEnvironmentExitAfterFirstFrame) + "=1");
  const Platform::ProcessId editor = Platform::StartProcess(QZ_EDITOR_PROGRAM, {}, environment);
  ASSERT_NE(editor, 0);
  EXPECT_EQ(Platform::WaitForProcess(editor, kTimeoutMs), kExitCodeNormal);
  EXPECT_NE(UserSettings("nodisplay").find("CurrentSkinIndex"), std::string::npos) << "it really started";
}

TEST_F(EditorProgram, ASecondProgramHandsOverItsCommandLineAndEndsWithZero) {
  const Platform::ProcessId first = Platform::StartProcess(QZ_EDITOR_PROGRAM, {}, Environment("first"));
  ASSERT_NE(first, 0);
  // The first listens once its main window is there.
  const std::filesystem::path socket = mRuntime / (std::string(kMainWindowClassNameUtf8) + ".socket");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kTimeoutMs);
  while (!std::filesystem::exists(socket) && std::chrono::steady_clock::now() < deadline &&
         Platform::IsProcessRunning(first))
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(std::filesystem::exists(socket));

  const Platform::ProcessId second =
      Platform::StartProcess(QZ_EDITOR_PROGRAM, {"-open", "program.pvp"}, Environment("second"));
  ASSERT_NE(second, 0);
  EXPECT_EQ(Platform::WaitForProcess(second, kTimeoutMs), kExitCodeHandedOver);
  EXPECT_TRUE(UserSettings("second").empty()) << "the second made no window and no settings";
  EXPECT_TRUE(Platform::IsProcessRunning(first));
  EXPECT_EQ(Platform::StopProcess(first, kTimeoutMs), kExitCodeNormal);
}

TEST_F(EditorProgram, AHugeSettingsFileIsNotReadAndTheEditorStartsWithItsDefaults) {
  const auto startToFirstFrame = [this](const std::string& config) {
    std::vector<std::string> environment = Environment(config);
    environment.push_back(std::string(kEnvironmentScreenDpi) + "=96");
    environment.push_back(std::string(kEnvironmentExitAfterFirstFrame) + "=1");
    const Platform::ProcessId editor = Platform::StartProcess(QZ_EDITOR_PROGRAM, {}, environment);
    EXPECT_NE(editor, 0);
    return Platform::WaitForProcess(editor, kTimeoutMs);
  };
  // A start with no settings shows what an editor takes (and is the largest child so far).
  ASSERT_EQ(startToFirstFrame("usual"), kExitCodeNormal);
  const std::uint64_t usualKb = Platform::GetLargestChildPeakResidentKb();
  ASSERT_GT(usualKb, 0u);

  // A sparse gigabyte behind a settings document that begins well: read whole, it would take a gigabyte
  // of memory and many seconds before the window.
  const std::filesystem::path settings = mTemp.Path() / "huge" / "Tolvane" / "PresetEditor" / "UserSettings.ini";
  std::filesystem::create_directories(settings.parent_path());
  test::WriteAll(settings, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>"
                           "<key>1_0_0</key><dict><key>CurrentSkinIndex</key><integer>0</integer>");
  std::filesystem::resize_file(settings, std::uint64_t{1} << 30);
  EXPECT_EQ(startToFirstFrame("huge"), kExitCodeNormal);
  constexpr std::uint64_t kAllowanceKb = 100 * 1024;
  EXPECT_LT(Platform::GetLargestChildPeakResidentKb(), usualKb + kAllowanceKb);
  // It started as from no file at all, and its save put a fresh document in the huge one's place.
  const std::string fresh = UserSettings("huge");
  EXPECT_LT(fresh.size(), 4096u);
  EXPECT_NE(fresh.find("<key>CurrentSkinIndex</key><integer>1</integer>"), std::string::npos);
}

TEST_F(EditorProgram, ASettingsFileThatIsNoRegularFileStaysWhatItIs) {
  using Platform::test::NodeKind;
  struct Case {
    std::string name;
    NodeKind kind;
  };
  const std::filesystem::path nodes = mTemp.Path() / "nodes";
  std::filesystem::create_directories(nodes / "folder");
  ASSERT_TRUE(Platform::test::MakeFifo((nodes / "fifo").string()));
  std::vector<Case> cases{{"fifo", NodeKind::kFifo}, {"folder", NodeKind::kFolder}};
  if (Platform::test::MakeNullDevice((nodes / "device").string()))
    cases.push_back({"device", NodeKind::kCharacterDevice});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // The user's settings file is a link to the node; the editor starts, shows its window and saves.
    const std::filesystem::path settings = mTemp.Path() / c.name / "Tolvane" / "PresetEditor" / "UserSettings.ini";
    std::filesystem::create_directories(settings.parent_path());
    std::filesystem::create_symlink(nodes / c.name, settings);
    std::vector<std::string> environment = Environment(c.name);
    environment.push_back(std::string(kEnvironmentExitAfterFirstFrame) + "=1");
    const Platform::ProcessId editor = Platform::StartProcess(QZ_EDITOR_PROGRAM, {}, environment);
    ASSERT_NE(editor, 0);
    EXPECT_EQ(Platform::WaitForProcess(editor, kTimeoutMs), kExitCodeNormal);
    EXPECT_EQ(Platform::test::KindOfNode(settings.string()), NodeKind::kLink);
    EXPECT_EQ(Platform::test::KindOfNode((nodes / c.name).string()), c.kind);
  }
  EXPECT_TRUE(std::filesystem::is_empty(nodes / "folder"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(nodes), {}),
            static_cast<std::ptrdiff_t>(cases.size()));
}

TEST_F(EditorProgram, AHomeFolderWhoseNameIsNotUtf8HoldsTheSettings) {
  struct Case {
    const char* name;
    const char* home;                 // below the case's folder
    const char* configHome;           // below the case's folder; nullptr: none, the home's .config
    const char* settings;             // the user's settings file, below the case's folder
    std::vector<std::string> entries; // what the case's folder holds afterwards, sorted
  };
  const Case cases[] = {
      {"home", "caf\xe9", nullptr, "caf\xe9/.config/Tolvane/PresetEditor/UserSettings.ini", {"caf\xe9"}},
      {"config home", "home", "caf\xe9", "caf\xe9/Tolvane/PresetEditor/UserSettings.ini", {"caf\xe9", "home"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path folder = mTemp.Path() / c.name;
    std::filesystem::create_directories(folder / c.home);
    std::vector<std::string> environment = Environment("unused");
    // An empty XDG variable counts as none.
    for (std::string& entry : environment) {
      if (entry.rfind("XDG_CONFIG_HOME=", 0) == 0)
        entry = "XDG_CONFIG_HOME=" + (c.configHome ? (folder / c.configHome).string() : std::string());
      if (entry.rfind("XDG_DATA_HOME=", 0) == 0)
        entry = "XDG_DATA_HOME=";
    }
    environment.push_back("HOME=" + (folder / c.home).string());
    environment.push_back(std::string(kEnvironmentExitAfterFirstFrame) + "=1");
    const Platform::ProcessId editor = Platform::StartProcess(QZ_EDITOR_PROGRAM, {}, environment);
    ASSERT_NE(editor, 0);
    EXPECT_EQ(Platform::WaitForProcess(editor, kTimeoutMs), kExitCodeNormal);
    EXPECT_NE(test::ReadAll(folder / c.settings).find("CurrentSkinIndex"), std::string::npos);
    // Nothing in a folder cut at the byte that is not UTF-8.
    std::vector<std::string> names;
    for (const std::filesystem::directory_entry& entry : std::filesystem::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, c.entries);
  }
}

} // namespace
} // namespace QZ
