// The file dialog over a fake chooser (nothing shown): what it asks the chooser for, the folder carried
// over, the name offered and the extension appended, the refusals with their boxes; AppMessageBox and
// ShellOpen over their fakes.

#include "QZFramework/Application/AppMessageBox.h"
#include "QZFramework/Application/FileDialog.h"
#include "QZFramework/Application/ShellOpen.h"

#include "Platform/App/AppHost.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Application/SkinWindowFixture.h"
#include "Platform/App/FakeMessageBox.h"
#include "Platform/Dialogs/FakeFileChooser.h"
#include "Platform/Dialogs/FakeShellOpener.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Utilities/Storage/PathText.h"
#include "Support/TempFolder.h"
#include "Support/TestFrameworkApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace QZ {
namespace {

using Platform::FileChooserMode;
using test::TestFrameworkApp;

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }
WideString Wide(const std::string& text) {
  WideString wide;
  wide.AssignNarrow(text.c_str());
  return wide;
}

const WideString kFilter(u"Program Files (*.pellanvorn)|*.pellanvorn|All Files (*.*)|*.*");

// The bytes a path text names.
std::string BytesOf(const WideString& path) {
  std::string bytes;
  EXPECT_TRUE(PathBytesFromText(path, bytes)) << Narrow(path);
  return bytes;
}

// Where the chooser opens for a relative folder: the current folder, absolute.
std::string CurrentFolder() { return std::filesystem::canonical(std::filesystem::current_path()).string(); }

class FileDialogTest : public ::testing::Test {
protected:
  void SetUp() override {
    mApp = MakeRCPtr<TestFrameworkApp>(MakeRCPtr<LControlFactory>(WideString(u"App")),
                                       MakeRCPtr<LStringTable>(LStringTable::Entries()), mHost);
  }
  void TearDown() override { mApp = RCPtr<TestFrameworkApp>(); }

  std::string Folder() const { return mTemp.Path().string(); }
  void Touch(const std::string& path) { std::ofstream(path) << "old"; }

  test::TempFolder mTemp;
  Platform::AppHost mHost;
  Platform::ScopedFakeMessageBox mBoxes;
  Platform::ScopedFakeFileChooser mChooser;
  RCPtr<TestFrameworkApp> mApp;
};

TEST_F(FileDialogTest, OpenAsksWithTheFiltersAndRemembersTheFolderOfTheChoice) {
  LFileDialog dialog(WideString(u"."));
  mChooser->Accept("/data/programs/lead.pellanvorn");
  ASSERT_EQ(dialog.ShowOpenDialog(kFilter, WideString(u"*.pellanvorn"), WideString(u"Open Program"), false), S_OK);
  EXPECT_EQ(Narrow(dialog.GetFilePath()), "/data/programs/lead.pellanvorn");
  EXPECT_EQ(Narrow(dialog.GetFolder()), "/data/programs");

  ASSERT_EQ(mChooser->mRequests.size(), 1u);
  const Platform::FileChooserRequest& first = mChooser->mRequests[0];
  EXPECT_EQ(first.mode, FileChooserMode::kOpen);
  EXPECT_EQ(first.title, "Open Program");
  EXPECT_EQ(first.folder, CurrentFolder());
  ASSERT_EQ(first.filters.size(), 2u);
  EXPECT_EQ(first.filters[0].description, "Program Files (*.pellanvorn)");
  EXPECT_EQ(first.filters[0].patterns, (std::vector<std::string>{"*.pellanvorn"}));
  // "*.*" would hide every name without a dot.
  EXPECT_EQ(first.filters[1].description, "All Files (*.*)");
  EXPECT_EQ(first.filters[1].patterns, (std::vector<std::string>{"*"}));

  // The next dialog, open or save, starts where the last choice was made; a cancel changes nothing.
  mChooser->Cancel();
  EXPECT_EQ(dialog.ShowSaveDialog(kFilter, WideString(u"pellanvorn"), WideString(u"Save Program"), -1), E_FAIL);
  EXPECT_EQ(mChooser->mRequests[1].folder, "/data/programs");
  EXPECT_EQ(Narrow(dialog.GetFolder()), "/data/programs");
  EXPECT_TRUE(mBoxes->mShown.empty());
}

TEST_F(FileDialogTest, SeveralFilesChosenGiveTheirFolder) {
  LFileDialog dialog(WideString(u"/start"));
  mChooser->mAnswers.push_back({Platform::FileChooserOutcome::kAccepted, {"/a/b/one.x", "/a/b/two.x"}, {}});
  ASSERT_EQ(dialog.ShowOpenDialog(kFilter, WideString(), WideString(u"Open"), true), S_OK);
  EXPECT_EQ(mChooser->mRequests[0].mode, FileChooserMode::kOpenMultiple);
  EXPECT_EQ(Narrow(dialog.GetFilePath()), "/a/b");
  EXPECT_EQ(Narrow(dialog.GetFolder()), "/a/b");
}

TEST_F(FileDialogTest, FiltersAreReadInPairs) {
  struct Case {
    const char16_t* filter;
    std::vector<Platform::FileChooserFilter> expected;
  };
  const Case cases[] = {
      {u"Text", {}},
      {u"", {}},
      {u"Text|*.txt;*.text|Odd", {{"Text", {"*.txt", "*.text"}}}},
      {u"A|*.a|B||", {{"A", {"*.a"}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(WideString(c.filter)));
    Platform::ScopedFakeFileChooser chooser;
    LFileDialog dialog(WideString(u"."));
    static_cast<void>(dialog.ShowOpenDialog(WideString(c.filter), WideString(), WideString(), false));
    ASSERT_EQ(chooser->mRequests.size(), 1u);
    const auto& filters = chooser->mRequests[0].filters;
    ASSERT_EQ(filters.size(), c.expected.size());
    for (std::size_t i = 0; i < filters.size(); ++i) {
      EXPECT_EQ(filters[i].description, c.expected[i].description);
      EXPECT_EQ(filters[i].patterns, c.expected[i].patterns);
    }
  }
}

TEST_F(FileDialogTest, SaveOffersUntitledAndAppendsTheExtensionToANameWithout) {
  struct Case {
    const char16_t* extension;
    std::string chosen;
    std::string written;
  };
  const std::string folder = Folder();
  const Case cases[] = {
      {u"*.pellanvorn", folder + "/lead", folder + "/lead.pellanvorn"},
      {u"pellanvorn", folder + "/lead", folder + "/lead.pellanvorn"},
      {u".pellanvorn", folder + "/lead", folder + "/lead.pellanvorn"},
      {u"pellanvorn", folder + "/lead.bin", folder + "/lead.bin"},
      {u"*.*", folder + "/lead", folder + "/lead"},
      {u"", folder + "/lead", folder + "/lead"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chosen + " with " + Narrow(WideString(c.extension)));
    Platform::ScopedFakeFileChooser chooser;
    LFileDialog dialog(WideString(u"."));
    chooser->Accept(c.chosen);
    ASSERT_EQ(dialog.ShowSaveDialog(kFilter, WideString(c.extension), WideString(u"Save Program"), -1), S_OK);
    EXPECT_EQ(Narrow(dialog.GetFilePath()), c.written);
    EXPECT_EQ(Narrow(dialog.GetFolder()), folder);
    ASSERT_EQ(chooser->mRequests.size(), 1u);
    EXPECT_EQ(chooser->mRequests[0].mode, FileChooserMode::kSave);
    EXPECT_EQ(chooser->mRequests[0].fileName, "Untitled");
    EXPECT_EQ(chooser->mRequests[0].folder, CurrentFolder());
  }
  EXPECT_TRUE(mBoxes->mShown.empty());
}

TEST_F(FileDialogTest, ANameOverTheMaximumIsRefusedWithTheFolderKept) {
  LFileDialog dialog(WideString(u"/start"));
  EXPECT_EQ(dialog.ShowSaveDialog(kFilter, WideString(), WideString(u"Save"), 0), E_INVALIDARG);
  EXPECT_TRUE(mChooser->mRequests.empty());

  // 20 characters: 9 of the name, "." and the extension of 10.
  mChooser->Accept(Folder() + "/twentyone");
  EXPECT_EQ(dialog.ShowSaveDialog(kFilter, WideString(u"pellanvorn"), WideString(u"Save"), 8), E_FAIL);
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown[0].text, "The file length is larger than the maximum limit of 8 characters ");
  EXPECT_EQ(mBoxes->mShown[0].caption, "File Save Error");
  EXPECT_EQ(mBoxes->mShown[0].style, 0x10u);
  EXPECT_EQ(Narrow(dialog.GetFolder()), "/start");

  mChooser->Accept(Folder() + "/eight.xx");
  EXPECT_EQ(dialog.ShowSaveDialog(kFilter, WideString(u"pellanvorn"), WideString(u"Save"), 8), S_OK);
  EXPECT_EQ(mBoxes->mShown.size(), 1u);
}

TEST_F(FileDialogTest, ReplacingAnExistingFileIsAskedForTheNameWritten) {
  const std::string existing = Folder() + "/lead.pellanvorn";
  Touch(existing);
  LFileDialog dialog(WideString(u"."));
  mBoxes->mAnswer = Platform::kMessageBoxNo;
  mChooser->Accept(Folder() + "/lead");
  EXPECT_EQ(dialog.ShowSaveDialog(kFilter, WideString(u"pellanvorn"), WideString(u"Save Program"), -1), E_FAIL);
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown[0].text, "lead.pellanvorn already exists.\nDo you want to replace it?");
  EXPECT_EQ(mBoxes->mShown[0].caption, "Save Program");
  EXPECT_EQ(mBoxes->mShown[0].style, 0x34u);
  EXPECT_EQ(Narrow(dialog.GetFolder()), ".");

  mBoxes->mAnswer = Platform::kMessageBoxYes;
  mChooser->Accept(Folder() + "/lead");
  EXPECT_EQ(dialog.ShowSaveDialog(kFilter, WideString(u"pellanvorn"), WideString(u"Save Program"), -1), S_OK);
  EXPECT_EQ(Narrow(dialog.GetFilePath()), existing);
}

TEST_F(FileDialogTest, TheChooserOpensInAnAbsoluteFolder) {
  // A chooser ignores a relative folder and opens somewhere else.
  struct Case {
    const char16_t* folder;
    std::string asked;
  };
  const Case cases[] = {
      {u".", CurrentFolder()},
      {u"./", CurrentFolder()},
      {u"", CurrentFolder()},
      {u"/data/programs", "/data/programs"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(WideString(c.folder)));
    Platform::ScopedFakeFileChooser chooser;
    LFileDialog dialog{WideString(c.folder)};
    static_cast<void>(dialog.ShowOpenDialog(kFilter, WideString(), WideString(u"Open"), false));
    static_cast<void>(dialog.ShowSaveDialog(kFilter, WideString(), WideString(u"Save"), -1));
    ASSERT_EQ(chooser->mRequests.size(), 2u);
    EXPECT_EQ(chooser->mRequests[0].folder, c.asked);
    EXPECT_EQ(chooser->mRequests[1].folder, c.asked);
    EXPECT_EQ(Narrow(dialog.GetFolder()), Narrow(WideString(c.folder))) << "the folder itself stays as given";
  }
}

TEST_F(FileDialogTest, AChosenNameIsKeptByteForByte) {
  // Names a chooser gives on a system whose file names need not be UTF-8.
  const std::string folder = Folder() + "/in \xFE folder";
  std::filesystem::create_directory(folder);
  struct Case {
    std::string name;
    std::string cut; // where a conversion that stops at the first odd byte would end; empty: none
  };
  const Case cases[] = {
      {"victim\xFF.pellanvorn", "victim"},
      {"m\xE9.pellanvorn", "m"},
      {"\xFE\xFF", ""},
      {"with spaces \xE9 x.pellanvorn", "with spaces "},
      {"caf\xC3\xA9 \xE2\x82\xAC.pellanvorn", ""},
  };
  for (const Case& c : cases) {
    const std::string& name = c.name;
    SCOPED_TRACE(name);
    Platform::ScopedFakeFileChooser chooser;
    LFileDialog dialog(WideString(u"."));
    const std::string path = folder + "/" + name;

    chooser->Accept(path);
    ASSERT_EQ(dialog.ShowOpenDialog(kFilter, WideString(), WideString(u"Open"), false), S_OK);
    EXPECT_EQ(BytesOf(dialog.GetFilePath()), path);
    EXPECT_EQ(BytesOf(dialog.GetFolder()), folder);

    // Saved: no extension added to a name that has one, no question for a file that is not there, though
    // the name cut at its first odd byte is.
    if (!c.cut.empty())
      Touch(folder + "/" + c.cut);
    chooser->Accept(path);
    ASSERT_EQ(dialog.ShowSaveDialog(kFilter, WideString(u"pellanvorn"), WideString(u"Save"), -1), S_OK);
    EXPECT_TRUE(mBoxes->mShown.empty());
    EXPECT_EQ(BytesOf(dialog.GetFilePath()), name.find('.') == std::string::npos ? path + ".pellanvorn" : path);
    // The next chooser opens in exactly that folder.
    chooser->Cancel();
    static_cast<void>(dialog.ShowOpenDialog(kFilter, WideString(), WideString(u"Open"), false));
    EXPECT_EQ(chooser->mRequests.back().folder, folder);
  }
}

TEST_F(FileDialogTest, TheReplaceQuestionIsAskedForTheNameThatIsWritten) {
  const std::string path = Folder() + "/victim\xFF.pellanvorn";
  Touch(path);
  Touch(Folder() + "/victim");
  LFileDialog dialog(WideString(u"."));
  mBoxes->mAnswer = Platform::kMessageBoxNo;
  mChooser->Accept(path);
  EXPECT_EQ(dialog.ShowSaveDialog(kFilter, WideString(u"pellanvorn"), WideString(u"Save Program"), -1), E_FAIL);
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  // The odd byte is shown as a replacement character.
  EXPECT_EQ(mBoxes->mShown[0].text, "victim\xEF\xBF\xBD.pellanvorn already exists.\nDo you want to replace it?");
  mBoxes->mAnswer = Platform::kMessageBoxYes;
  mChooser->Accept(path);
  ASSERT_EQ(dialog.ShowSaveDialog(kFilter, WideString(u"pellanvorn"), WideString(u"Save Program"), -1), S_OK);
  EXPECT_EQ(BytesOf(dialog.GetFilePath()), path);
  // The length limit counts each odd byte as one character.
  mChooser->Accept(Folder() + "/\xFF\xFE\xFD");
  EXPECT_EQ(dialog.ShowSaveDialog(kFilter, WideString(), WideString(u"Save"), 3), S_OK);
  mChooser->Accept(Folder() + "/\xFF\xFE\xFD\xFC");
  EXPECT_EQ(dialog.ShowSaveDialog(kFilter, WideString(), WideString(u"Save"), 3), E_FAIL);
  EXPECT_EQ(mBoxes->mShown.back().caption, "File Save Error");
}

TEST_F(FileDialogTest, ANameThatCannotBeKeptIsRefusedWithTheErrorBox) {
  // No path holds a zero byte; a chooser that gave one anyway is not taken at its word.
  LFileDialog dialog(WideString(u"/start"));
  mChooser->Accept(std::string("/a/cut\0rest", 11));
  EXPECT_EQ(dialog.ShowSaveDialog(kFilter, WideString(), WideString(u"Save"), -1), E_FAIL);
  mChooser->Accept(std::string("/a/cut\0rest", 11));
  EXPECT_EQ(dialog.ShowOpenDialog(kFilter, WideString(), WideString(u"Open"), false), E_FAIL);
  ASSERT_EQ(mBoxes->mShown.size(), 2u);
  for (const auto& shown : mBoxes->mShown) {
    EXPECT_EQ(shown.caption, "File Dialog Error");
    EXPECT_EQ(shown.text.rfind(LFileDialog::kNameNotKeptText, 0), 0u);
    EXPECT_EQ(shown.style, 0x10u);
  }
  EXPECT_EQ(Narrow(dialog.GetFolder()), "/start");
  EXPECT_EQ(Narrow(dialog.GetFilePath()), "");
}

TEST_F(FileDialogTest, AChooserThatCannotBeShownSaysWhy) {
  LFileDialog dialog(WideString(u"/start"));
  mChooser->Fail("zenity was not found");
  EXPECT_EQ(dialog.ShowOpenDialog(kFilter, WideString(), WideString(u"Open Program"), false), E_FAIL);
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown[0].text, "The file dialog could not be shown: zenity was not found");
  EXPECT_EQ(mBoxes->mShown[0].caption, "File Dialog Error");
  EXPECT_EQ(mBoxes->mShown[0].style, 0x10u);
  EXPECT_EQ(Narrow(dialog.GetFolder()), "/start");
}

TEST_F(FileDialogTest, MessageBoxesGoThroughTheApplication) {
  mBoxes->mAnswer = Platform::kMessageBoxCancel;
  EXPECT_EQ(AppMessageBox(WideString(u"Text"), WideString(u"Caption"), 0x10), Platform::kMessageBoxCancel);
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown[0].text, "Text");
  EXPECT_EQ(mBoxes->mShown[0].caption, "Caption");

  mApp = RCPtr<TestFrameworkApp>();
  EXPECT_EQ(AppMessageBox(WideString(u"Text"), WideString(u"Caption"), 0x10), 0);
  EXPECT_EQ(mBoxes->mShown.size(), 1u);
}

TEST_F(FileDialogTest, ShellOpenPassesTheTargetAndTellsARefusal) {
  Platform::ScopedFakeShellOpener opener;
  EXPECT_EQ(ShellOpen(Wide("/opt/editor/User Guide.pdf")), S_OK);
  opener->mAnswer = Platform::kShellOpenFailed;
  EXPECT_EQ(ShellOpen(Wide("https://example.invalid/support")), E_FAIL);
  EXPECT_EQ(ShellOpen(WideString()), E_FAIL);
  // A path in a folder whose name is not UTF-8 goes byte for byte; a text no path has goes nowhere.
  opener->mAnswer = Platform::kShellOpened;
  WideString latin;
  ASSERT_TRUE(PathTextFromBytes("/opt/caf\xe9/User Guide.pdf", latin));
  EXPECT_EQ(ShellOpen(latin), S_OK);
  EXPECT_EQ(ShellOpen(WideString(u"/opt/caf\xD800/User Guide.pdf")), E_FAIL);
  EXPECT_EQ(opener->mTargets,
            (std::vector<std::string>{"/opt/editor/User Guide.pdf", "https://example.invalid/support",
                                      "/opt/caf\xe9/User Guide.pdf"}));
  EXPECT_TRUE(mBoxes->mShown.empty());
}

} // namespace
} // namespace QZ

namespace QZ {
namespace {

// A chooser that stays open for a few polls and notes whether the application's window took input meanwhile.
class SlowChooser final : public Platform::FileChooser {
public:
  std::unique_ptr<Platform::PendingFileChoice> Start(const Platform::FileChooserRequest&) override {
    return std::make_unique<Pending>(*this);
  }
  Platform::WindowId mWatched = Platform::kNoWindow;
  std::vector<bool> mEnabledWhileOpen;

private:
  class Pending final : public Platform::PendingFileChoice {
  public:
    explicit Pending(SlowChooser& owner) : mOwner(owner) {}
    bool Poll(Platform::FileChooserAnswer& answer) override {
      if (const OSWindow* window = OSWindow::FromId(mOwner.mWatched))
        mOwner.mEnabledWhileOpen.push_back(const_cast<OSWindow*>(window)->GetPlatformWindow().IsEnabled());
      if (++mPolls < 4)
        return false;
      answer = {Platform::FileChooserOutcome::kAccepted, {"/chosen/in/a/loop.pellanvorn"}, {}};
      return true;
    }

  private:
    SlowChooser& mOwner;
    int mPolls = 0;
  };
};

class FileDialogWindowTest : public test::SkinWindowFixture {};

TEST_F(FileDialogWindowTest, TheWindowsTakeNoInputWhileTheChooserIsOpen) {
  OpenSkinWindow(test::WithSkins(test::RenderTreeSkinText(),
                                 "<Skin Name=\"Main\"><SubControl Class=\"Framework.Panel\" Name=\"main\" "
                                 "XSizeAbs=\"50\" YSizeAbs=\"50\"/></Skin>"),
                 50, 50);
  auto chooser = std::make_shared<SlowChooser>();
  chooser->mWatched = mId;
  const auto previous = Platform::SetFileChooser(chooser);
  LFileDialog dialog(WideString(u"."));
  EXPECT_EQ(dialog.ShowOpenDialog(kFilter, WideString(), WideString(u"Open"), false), S_OK);
  Platform::SetFileChooser(previous);
  EXPECT_EQ(Narrow(dialog.GetFilePath()), "/chosen/in/a/loop.pellanvorn");
  ASSERT_GE(chooser->mEnabledWhileOpen.size(), 4u);
  // The first poll comes before the wait; every later one inside it.
  for (std::size_t i = 1; i < chooser->mEnabledWhileOpen.size(); ++i)
    EXPECT_FALSE(chooser->mEnabledWhileOpen[i]) << i;
  EXPECT_TRUE(mWindow->GetPlatformWindow().IsEnabled());
}

} // namespace
} // namespace QZ
