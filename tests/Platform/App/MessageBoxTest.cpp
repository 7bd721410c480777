// The message box drawn by a helper program, against stub programs on PATH: zenity's command line for each
// style (the owner window it is attached to, the text as it stands), the answers its exits give (closing the
// box gives the escape button's), the wait through the installed modal wait, xmessage where zenity is
// missing, that no helper program is started by a fork of this process, and (on an X server) the owner
// window the box and the chooser are attached to.

#include "Platform/App/MessageBox.h"

#include "Platform/Dialogs/DialogScale.h"
#include "Platform/Dialogs/FileChooser.h"
#include "Platform/Dialogs/ModalWait.h"
#include "Platform/Dialogs/ShellOpener.h"
#include "Platform/Window/Window.h"
#include "Platform/Window/WindowSystem.h"
#include "Support/StubPrograms.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace QZ::Platform {
namespace {

using test::ScopedEnvironment;

constexpr std::uint32_t kErrorOk = kMessageBoxIconError | kMessageBoxStyleOk;
constexpr std::uint32_t kWarningYesNo = kMessageBoxIconWarning | kMessageBoxStyleYesNo;
constexpr std::uint32_t kQuestionOkCancel = kMessageBoxIconQuestion | kMessageBoxStyleOkCancel;
constexpr std::uint32_t kInformationYesNoCancel = kMessageBoxIconInformation | kMessageBoxStyleYesNoCancel;

// Counts the forks of this process: fork() runs the handlers, posix_spawn does not.
std::atomic<int> gForks{0};

void CountFork() { ++gForks; }

using test::CountingWait;

class MessageBoxProgramTest : public ::testing::Test {
protected:
  void SetUp() override {
    mPrevious = SetMessageBoxPresenter(nullptr);
    mPreviousWait = SetModalWait([this](const std::function<bool()>& done) { return mWait(done); });
    mWait.release = mStubs.Release();
  }
  void TearDown() override {
    SetModalWait(mPreviousWait);
    SetMessageBoxPresenter(mPrevious);
  }

  test::TempFolder mTemp;
  test::StubPrograms mStubs{mTemp.Path()};
  CountingWait mWait;
  std::shared_ptr<MessageBoxPresenter> mPrevious;
  ModalWait mPreviousWait;
};

TEST(MessageBoxArgumentsTest, EachStyleBecomesItsZenityBox) {
  struct Case {
    std::uint32_t style;
    std::uint64_t attachTo;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {kErrorOk, 0, {"--error", "--title=Caption", "--text=Text", "--no-markup"}},
      {kMessageBoxIconWarning, 0, {"--warning", "--title=Caption", "--text=Text", "--no-markup"}},
      {kMessageBoxStyleOk, 0, {"--info", "--title=Caption", "--text=Text", "--no-markup"}},
      {kMessageBoxIconInformation, 0, {"--info", "--title=Caption", "--text=Text", "--no-markup"}},
      {kWarningYesNo,
       0,
       {"--question", "--icon-name=dialog-warning", "--title=Caption", "--text=Text", "--no-markup",
        "--ok-label=Yes", "--cancel-label=No"}},
      {kQuestionOkCancel,
       0,
       {"--question", "--title=Caption", "--text=Text", "--no-markup", "--ok-label=OK", "--cancel-label=Cancel"}},
      {kInformationYesNoCancel,
       0,
       {"--question", "--icon-name=dialog-information", "--title=Caption", "--text=Text", "--no-markup",
        "--ok-label=Yes", "--cancel-label=Cancel", "--extra-button=No"}},
      {kErrorOk,
       0x1c00003,
       {"--error", "--title=Caption", "--text=Text", "--no-markup", "--modal", "--attach=29360131"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.style) + " " + std::to_string(c.attachTo));
    EXPECT_EQ(ZenityMessageBoxArguments("Text", "Caption", c.style, c.attachTo), c.expected);
  }
  // Markup and escapes reach the box as they stand; no caption leaves zenity's own title.
  EXPECT_EQ(ZenityMessageBoxArguments("<b>a & b</b>\\n", "", kErrorOk, 0),
            (std::vector<std::string>{"--error", "--text=<b>a & b</b>\\n", "--no-markup"}));
}

TEST(MessageBoxArgumentsTest, ZenityExitsBecomeTheAnswers) {
  struct Case {
    std::uint32_t style;
    int exit;
    const char* output;
    std::int32_t answer;
  };
  const Case cases[] = {
      {kErrorOk, 0, "", kMessageBoxOk},
      {kErrorOk, 1, "", kMessageBoxOk}, // closed: the lone OK
      {kWarningYesNo, 0, "", kMessageBoxYes},
      {kWarningYesNo, 1, "", kMessageBoxNo},
      {kQuestionOkCancel, 0, "", kMessageBoxOk},
      {kQuestionOkCancel, 1, "", kMessageBoxCancel},
      {kInformationYesNoCancel, 0, "", kMessageBoxYes},
      {kInformationYesNoCancel, 1, "No\n", kMessageBoxNo},
      {kInformationYesNoCancel, 1, "", kMessageBoxCancel},
      {kWarningYesNo, 5, "", kMessageBoxFailed},
      {kErrorOk, 255, "", kMessageBoxFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.style) + " exit " + std::to_string(c.exit));
    EXPECT_EQ(ZenityMessageBoxAnswer(c.style, c.exit, c.output), c.answer);
  }
}

TEST(MessageBoxArgumentsTest, XmessageBoxesAndAnswers) {
  EXPECT_EQ(
      XmessageArguments("Text", "Caption", kWarningYesNo),
      (std::vector<std::string>{"-center", "-title", "Caption", "-buttons", "Yes:106,No:107", "-default", "Yes",
                                "-xrm", "*baseTranslations: #override <Key>Escape: exit(107)", "Text"}));
  // A text that would be read as an option is kept a text.
  EXPECT_EQ(XmessageArguments("-geometry 1x1", "Caption", kErrorOk).back(), " -geometry 1x1");
  struct Case {
    std::uint32_t style;
    int exit;
    std::int32_t answer;
  };
  const Case cases[] = {
      {kErrorOk, 101, kMessageBoxOk},
      {kQuestionOkCancel, 102, kMessageBoxCancel},
      {kWarningYesNo, 107, kMessageBoxNo},
      {kWarningYesNo, 1, kMessageBoxNo},         // closed by the window manager
      {kQuestionOkCancel, 1, kMessageBoxCancel}, // likewise
      {kErrorOk, 0, kMessageBoxFailed},
      {kErrorOk, 143, kMessageBoxFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.style) + " exit " + std::to_string(c.exit));
    EXPECT_EQ(XmessageAnswer(c.style, c.exit), c.answer);
  }
}

TEST_F(MessageBoxProgramTest, ZenityShowsTheBoxAndItsExitAnswers) {
  mStubs.Install("zenity");
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment log("STUB_LOG", mStubs.Log());
  const ScopedEnvironment release("STUB_RELEASE", mStubs.Release());
  struct Case {
    std::uint32_t style;
    const char* exit;
    const char* output;
    std::int32_t answer;
  };
  const Case cases[] = {
      {kErrorOk, "0", "", kMessageBoxOk},
      {kWarningYesNo, "0", "", kMessageBoxYes},
      {kWarningYesNo, "1", "", kMessageBoxNo}, // closed
      {kQuestionOkCancel, "1", "", kMessageBoxCancel},
      {kInformationYesNoCancel, "1", "No\n", kMessageBoxNo},
      {kWarningYesNo, "70", "", kMessageBoxFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.style) + " exit " + c.exit);
    mStubs.ClearLog();
    std::filesystem::remove(mStubs.Release());
    mWait.polls = 0;
    const ScopedEnvironment exit("STUB_EXIT", c.exit);
    const ScopedEnvironment output("STUB_OUTPUT", c.output);
    EXPECT_EQ(ShowMessageBox("A text", "A caption", c.style), c.answer);
    EXPECT_EQ(mStubs.Arguments(), ZenityMessageBoxArguments("A text", "A caption", c.style, 0));
    // Started by this process itself; answered only once released, while the wait polled.
    EXPECT_EQ(mStubs.Noted("PPID"), std::to_string(::getpid()));
    EXPECT_GE(mWait.polls, mWait.releaseAfter);
  }
}

TEST_F(MessageBoxProgramTest, TheBoxIsScaledForTheDensityTheApplicationSet) {
  mStubs.Install("zenity");
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment log("STUB_LOG", mStubs.Log());
  const ScopedEnvironment exit("STUB_EXIT", "0");
  const ScopedEnvironment release("STUB_RELEASE", std::nullopt);
  const ScopedEnvironment scale("GDK_SCALE", std::nullopt);
  const ScopedEnvironment dpiScale("GDK_DPI_SCALE", std::nullopt);
  SetDialogScreenDpi(144);
  EXPECT_EQ(ShowMessageBox("Text", "Caption", kErrorOk), kMessageBoxOk);
  SetDialogScreenDpi(0);
  EXPECT_EQ(mStubs.Noted("GDK_SCALE"), "2");
  EXPECT_EQ(mStubs.Noted("GDK_DPI_SCALE"), "0.75");
}

TEST_F(MessageBoxProgramTest, ZenityAndXmessageAreStartedInAUtf8LocaleAndTheEditorKeepsItsOwn) {
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment log("STUB_LOG", mStubs.Log());
  const ScopedEnvironment release("STUB_RELEASE", std::nullopt);
  const ScopedEnvironment type("LC_CTYPE", std::nullopt);
  const ScopedEnvironment lang("LANG", std::nullopt);
  struct Case {
    const char* program;
    const char* exit;
    const char* inherited;
    const char* given;
  };
  const Case cases[] = {
      {"zenity", "0", "C", "C.UTF-8"},
      {"zenity", "0", "C.UTF-8", "C.UTF-8"},
      {"xmessage", "101", "C", "C.UTF-8"},
      {"xmessage", "101", "C.utf8", "C.utf8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.program) + " " + c.inherited);
    mStubs.Remove("zenity");
    mStubs.Remove("xmessage");
    mStubs.Install(c.program);
    mStubs.ClearLog();
    const ScopedEnvironment exit("STUB_EXIT", c.exit);
    const ScopedEnvironment all("LC_ALL", c.inherited);
    EXPECT_EQ(ShowMessageBox("Gr\xc3\xbc\xc3\x9f"
                             "e",
                             "Caption", kErrorOk),
              kMessageBoxOk);
    EXPECT_EQ(mStubs.Noted("LC_ALL"), c.given);
    EXPECT_STREQ(std::getenv("LC_ALL"), c.inherited);
  }
}

TEST_F(MessageBoxProgramTest, AWaitThatGivesUpClosesTheBoxWithTheEscapeAnswer) {
  mStubs.Install("zenity");
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment release("STUB_RELEASE", mStubs.Release());
  const ScopedEnvironment exit("STUB_EXIT", "0");
  mWait.release.clear(); // never released: the box stays up until it is closed
  mWait.giveUpAfter = 2;
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(ShowMessageBox("Send?", "Caption", kWarningYesNo), kMessageBoxNo);
  EXPECT_EQ(ShowMessageBox("Send?", "Caption", kQuestionOkCancel), kMessageBoxCancel);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
}

TEST_F(MessageBoxProgramTest, XmessageStandsInForAMissingZenity) {
  mStubs.Install("xmessage");
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment log("STUB_LOG", mStubs.Log());
  const ScopedEnvironment release("STUB_RELEASE", mStubs.Release());
  const ScopedEnvironment exit("STUB_EXIT", "106");
  EXPECT_EQ(ShowMessageBox("Replace it?", "Save", kWarningYesNo), kMessageBoxYes);
  EXPECT_EQ(mStubs.Arguments(), XmessageArguments("Replace it?", "Save", kWarningYesNo));
  EXPECT_EQ(mStubs.Noted("PPID"), std::to_string(::getpid()));

  // Neither program: no box, and the caller is told so.
  mStubs.Remove("xmessage");
  EXPECT_EQ(ShowMessageBox("Replace it?", "Save", kWarningYesNo), kMessageBoxFailed);
}

TEST_F(MessageBoxProgramTest, NoHelperProgramIsStartedByAForkOfThisProcess) {
  static const bool registered = ::pthread_atfork(&CountFork, nullptr, nullptr) == 0;
  ASSERT_TRUE(registered);
  mStubs.Install("zenity");
  mStubs.Install("xdg-open");
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment release("STUB_RELEASE", mStubs.Release());
  const ScopedEnvironment exit("STUB_EXIT", "0");
  const ScopedEnvironment output("STUB_OUTPUT", "/tmp/chosen\n");
  // The check itself sees a fork.
  const int before = gForks.load();
  if (const pid_t pid = ::fork(); pid == 0)
    ::_exit(0);
  else
    ::waitpid(pid, nullptr, 0);
  ASSERT_EQ(gForks.load(), before + 1);

  const auto opener = SetShellOpener(nullptr);
  const auto chooser = SetFileChooser(nullptr);
  const int forks = gForks.load();
  EXPECT_EQ(ShowMessageBox("Text", "Caption", kErrorOk), kMessageBoxOk);
  std::filesystem::remove(mStubs.Release());
  mWait.polls = 0;
  EXPECT_EQ(OpenWithShell("/opt/editor/User Guide.pdf"), kShellOpened);
  std::filesystem::remove(mStubs.Release());
  mWait.polls = 0;
  const auto choice = StartFileChooser({});
  FileChooserAnswer answer;
  EXPECT_TRUE(WaitModally([&] { return choice->Poll(answer); }));
  EXPECT_EQ(answer.outcome, FileChooserOutcome::kAccepted);
  EXPECT_EQ(gForks.load(), forks);
  SetShellOpener(opener);
  SetFileChooser(chooser);
}

} // namespace
} // namespace QZ::Platform

namespace QZ::Platform {
namespace {

using test::ScopedEnvironment;

// On a real X server (CTest runs this group under xvfb-run with QZ_APP_X11_TESTS=1; anywhere else it skips
// itself): a box and the file chooser over a window are attached to that window's X id, and modal for it.
class DialogOwnerX11Test : public ::testing::Test {
protected:
  void SetUp() override {
    const char* wanted = std::getenv("QZ_APP_X11_TESTS");
    if (wanted == nullptr || std::string_view(wanted) != "1")
      GTEST_SKIP() << "runs under xvfb-run only (the CTest entry qz_platform_app_x11)";
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(StartWindowSystem()) << GetWindowSystemError();
    mStarted = true;
    mPreviousBox = SetMessageBoxPresenter(nullptr);
    mPreviousChooser = SetFileChooser(nullptr);
  }
  void TearDown() override {
    if (!mStarted)
      return;
    SetFileChooser(mPreviousChooser);
    SetMessageBoxPresenter(mPreviousBox);
    mWindow.reset();
    StopWindowSystem();
  }

  bool mStarted = false;
  std::unique_ptr<Window> mWindow;
  test::TempFolder mTemp;
  test::StubPrograms mStubs{mTemp.Path()};
  std::shared_ptr<MessageBoxPresenter> mPreviousBox;
  std::shared_ptr<FileChooser> mPreviousChooser;
};

TEST_F(DialogOwnerX11Test, ABoxAndTheChooserAreAttachedToTheirOwnersWindow) {
  mWindow = Window::Create({"owner", {100, 100, 200, 150}, false, true});
  ASSERT_TRUE(mWindow) << GetWindowSystemError();
  const std::uint64_t id = mWindow->GetSystemWindowId();
  ASSERT_NE(id, 0u);
  const std::unique_ptr<Window> other = Window::Create({"other", {0, 0, 50, 50}, false, false});
  ASSERT_TRUE(other);
  EXPECT_NE(other->GetSystemWindowId(), id);

  mStubs.Install("zenity");
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment log("STUB_LOG", mStubs.Log());
  const ScopedEnvironment exit("STUB_EXIT", "0");
  const ScopedEnvironment output("STUB_OUTPUT", "/tmp/chosen\n");
  const ScopedEnvironment release("STUB_RELEASE", std::nullopt);
  const std::string attach = "--attach=" + std::to_string(id);
  const auto has = [](const std::vector<std::string>& args, const std::string& arg) {
    return std::find(args.begin(), args.end(), arg) != args.end();
  };

  EXPECT_EQ(ShowMessageBox("Text", "Caption", kWarningYesNo, mWindow->GetId()), kMessageBoxYes);
  std::vector<std::string> args = mStubs.Arguments();
  EXPECT_TRUE(has(args, "--modal"));
  EXPECT_TRUE(has(args, attach));

  mStubs.ClearLog();
  FileChooserRequest request;
  request.owner = mWindow->GetId();
  const auto choice = StartFileChooser(request);
  FileChooserAnswer answer;
  EXPECT_TRUE(PollUntilDone([&] { return choice->Poll(answer); }));
  args = mStubs.Arguments();
  EXPECT_TRUE(has(args, "--modal"));
  EXPECT_TRUE(has(args, attach));

  // Without an owner the box stands alone.
  mStubs.ClearLog();
  EXPECT_EQ(ShowMessageBox("Text", "Caption", kErrorOk), kMessageBoxOk);
  EXPECT_FALSE(has(mStubs.Arguments(), "--modal"));
}

} // namespace
} // namespace QZ::Platform
