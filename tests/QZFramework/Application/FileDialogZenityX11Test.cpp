// The file dialog over the real zenity on an X server with a window manager, the user's keys played by xdotool
// from a thread of the test while the dialog waits: what the chooser answers is checked before the dialog takes
// it. CTest runs this group under xvfb-run (the entry qz_application_zenity_x11) with QZ_ZENITY_X11_TESTS=1;
// anywhere else it skips itself, and it skips where zenity, xdotool, xprop or openbox is missing.

#include "QZFramework/Application/FileDialog.h"

#include "Platform/App/AppHost.h"
#include "Platform/App/FakeMessageBox.h"
#include "Platform/Dialogs/FileChooser.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Utilities/Storage/PathText.h"
#include "Support/RealZenity.h"
#include "Support/StubPrograms.h"
#include "Support/TempFolder.h"
#include "Support/TestFrameworkApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace QZ {
namespace {

const WideString kFilter(u"Program Files (*.pellanvorn)|*.pellanvorn|All Files (*.*)|*.*");

// Every entry under the folder, as bytes relative to it.
std::vector<std::string> Entries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
    names.push_back(std::filesystem::relative(entry.path(), folder).string());
  return names;
}

class FileDialogZenityX11 : public ::testing::Test {
protected:
  void SetUp() override {
    const char* wanted = std::getenv("QZ_ZENITY_X11_TESTS");
    if (wanted == nullptr || std::string_view(wanted) != "1")
      GTEST_SKIP() << "runs under xvfb-run only (the CTest entry qz_application_zenity_x11)";
    const std::string missing = test::MissingProgram({"zenity", "xdotool", "xprop", "openbox"});
    if (!missing.empty())
      GTEST_SKIP() << missing << " is not installed";
    mManager = std::make_unique<test::ScopedWindowManager>();
    ASSERT_TRUE(mManager->IsUp()) << "openbox did not come up";
    mApp = MakeRCPtr<test::TestFrameworkApp>(MakeRCPtr<LControlFactory>(WideString(u"App")),
                                             MakeRCPtr<LStringTable>(LStringTable::Entries()), mHost);
    mPreviousChooser = Platform::SetFileChooser(nullptr); // zenity itself
  }
  void TearDown() override {
    if (mApp)
      Platform::SetFileChooser(mPreviousChooser);
    mApp = RCPtr<test::TestFrameworkApp>();
    mManager.reset();
  }

  // Shows the save dialog titled title while the user, once the chooser has the keyboard, presses the keys.
  QZRESULT SaveAsTheUser(LFileDialog& dialog, const std::string& title, const std::vector<std::string>& keys) {
    bool played = false;
    std::thread user([&] {
      const std::uint64_t chooser = test::WaitForActiveWindow(title);
      if (chooser == 0)
        return;
      played = true;
      for (const std::string& key : keys) {
        const bool typed = key.rfind("type:", 0) == 0;
        played =
            played && test::RunTool("xdotool", typed ? std::vector<std::string>{"type", key.substr(5)}
                                                     : std::vector<std::string>{"key", "--clearmodifiers", key});
      }
    });
    // zenity's own wait: the dialog answers once the user is done.
    const QZRESULT result =
        dialog.ShowSaveDialog(kFilter, WideString(u"pellanvorn"), WideString(title.c_str()), -1);
    user.join();
    EXPECT_TRUE(played) << "the chooser never had the keyboard, or xdotool failed";
    return result;
  }

  test::TempFolder mTemp;
  Platform::AppHost mHost;
  Platform::ScopedFakeMessageBox mBoxes;
  std::unique_ptr<test::ScopedWindowManager> mManager;
  RCPtr<test::TestFrameworkApp> mApp;
  std::shared_ptr<Platform::FileChooser> mPreviousChooser;
};

// zenity prints "(null)" for a name in a folder whose name is not UTF-8; that is no name to save under.
TEST_F(FileDialogZenityX11, AChoiceInAFolderNamedInLatin1IsAnErrorAndNothingIsWritten) {
  const std::filesystem::path folder = mTemp.Path() / "caf\xe9";
  std::filesystem::create_directory(folder);
  // The current folder is one of the test's own: a relative "(null)" would land there, and the build's folder is
  // written by the tests running beside this one.
  test::TempFolder current;
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(current.Path());
  struct Back {
    std::filesystem::path to;
    ~Back() { std::filesystem::current_path(to); }
  } back{previous};
  WideString folderText;
  ASSERT_TRUE(PathTextFromBytes(folder.string(), folderText));
  LFileDialog dialog(folderText);

  EXPECT_EQ(SaveAsTheUser(dialog, "Save in Latin-1", {"Return"}), E_FAIL);
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown[0].caption, "File Dialog Error");
  EXPECT_EQ(mBoxes->mShown[0].text,
            "The file dialog could not be shown: zenity answered \"(null)\", which is not an absolute path");
  EXPECT_EQ(mBoxes->mShown[0].style, 0x10u);
  std::string kept;
  ASSERT_TRUE(PathBytesFromText(dialog.GetFolder(), kept));
  EXPECT_EQ(kept, folder.string());
  EXPECT_EQ(Entries(mTemp.Path()), std::vector<std::string>{"caf\xe9"});
  EXPECT_EQ(Entries(current.Path()), std::vector<std::string>{});
}

// In the "C" locale zenity would print "Pr?fung.pellanvorn": another name in the chosen folder.
TEST_F(FileDialogZenityX11, ANameBeyondAsciiComesBackWholeWhenTheEditorRunsInTheCLocale) {
  const test::ScopedEnvironment locale("LC_ALL", "C");
  WideString folderText;
  ASSERT_TRUE(PathTextFromBytes(mTemp.Path().string(), folderText));
  LFileDialog dialog(folderText);
  const std::string name = "Pr\xc3\xbc"
                           "fung.pellanvorn";
  // The u with diaeresis is typed as GTK's own input method takes any character (Ctrl+Shift+U, its code, space):
  // typing it with xdotool maps it on a spare key for a moment, and a loaded GTK can read the key after the map is
  // gone.
  const test::ScopedEnvironment input("GTK_IM_MODULE", "gtk-im-context-simple");
  ASSERT_EQ(
      SaveAsTheUser(dialog, "Save in C",
                    {"ctrl+a", "type:Pr", "ctrl+shift+u", "type:fc", "space", "type:fung.pellanvorn", "Return"}),
      S_OK);
  EXPECT_TRUE(mBoxes->mShown.empty());
  std::string path;
  ASSERT_TRUE(PathBytesFromText(dialog.GetFilePath(), path));
  EXPECT_EQ(path, (mTemp.Path() / name).string());
}

} // namespace
} // namespace QZ
