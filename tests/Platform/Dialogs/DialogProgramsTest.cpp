// The zenity file chooser and the xdg-open opener against stub programs on PATH: the arguments they are
// given (the owner window, the scale for the screen), how each exit (accepted, cancelled, failed, program
// missing) is answered, and the opener's wait through the installed modal wait.

#include "Platform/Dialogs/ChildProgram.h"
#include "Platform/Dialogs/DialogScale.h"
#include "Platform/Dialogs/FileChooser.h"
#include "Platform/Dialogs/ModalWait.h"
#include "Platform/Dialogs/ShellOpener.h"

#include "Support/StubPrograms.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace QZ::Platform {
namespace {

using test::ScopedEnvironment;

class DialogProgramsTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::filesystem::create_directory(mTemp.Path() / "bin");
    mPreviousChooser = SetFileChooser(nullptr);
    mPreviousOpener = SetShellOpener(nullptr);
  }
  void TearDown() override {
    SetFileChooser(mPreviousChooser);
    SetShellOpener(mPreviousOpener);
  }

  void InstallStub(const std::string& name) {
    const auto path = mTemp.Path() / "bin" / name;
    test::WriteAll(path, test::kStubScript);
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
  }
  std::vector<std::string> Arguments() const {
    std::vector<std::string> lines;
    const std::string text = test::ReadAll(mTemp.Path() / "log");
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
      lines.push_back(text.substr(from, end - from));
    return lines;
  }
  std::string Bin() const { return (mTemp.Path() / "bin").string(); }
  std::string Log() const { return (mTemp.Path() / "log").string(); }

  static FileChooserAnswer Choose(const FileChooserRequest& request) {
    const auto pending = StartFileChooser(request);
    FileChooserAnswer answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!pending->Poll(answer)) {
      if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the chooser did not answer";
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return answer;
  }

  test::TempFolder mTemp;
  std::shared_ptr<FileChooser> mPreviousChooser;
  std::shared_ptr<ShellOpener> mPreviousOpener;
};

TEST(ZenityArgumentsTest, EachRequestBecomesItsCommandLine) {
  struct Case {
    const char* name;
    FileChooserRequest request;
    std::vector<std::string> expected;
  };
  const std::vector<FileChooserFilter> filters{{"Program Files (*.pellanvorn)", {"*.pellanvorn"}},
                                               {"All Files (*.*)", {"*"}}};
  const Case cases[] = {
      {"open",
       {FileChooserMode::kOpen, "Open Program", "/home/u/programs", "", filters},
       {"--file-selection", "--title=Open Program", "--filename=/home/u/programs/",
        "--file-filter=Program Files (*.pellanvorn) | *.pellanvorn", "--file-filter=All Files (*.*) | *"}},
      {"save",
       {FileChooserMode::kSave, "Save Program", ".", "Untitled", {}},
       {"--file-selection", "--title=Save Program", "--save", "--filename=./Untitled"}},
      {"several, no title or folder",
       {FileChooserMode::kOpenMultiple, "", "", "", {{"Texts", {"*.txt", "*.text"}}}},
       {"--file-selection", "--multiple", "--separator=\n", "--file-filter=Texts | *.txt *.text"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ZenityArguments(c.request), c.expected);
  }
}

TEST(ZenityAnswerTest, ExitCodesAndOutputBecomeTheAnswer) {
  struct Case {
    int exit;
    std::string output;
    FileChooserMode mode;
    FileChooserOutcome outcome;
    std::vector<std::string> paths;
    std::string error;
  };
  const Case cases[] = {
      {0, "/a/b.pellanvorn\n", FileChooserMode::kOpen, FileChooserOutcome::kAccepted, {"/a/b.pellanvorn"}, ""},
      {0, "/a/with space\n", FileChooserMode::kSave, FileChooserOutcome::kAccepted, {"/a/with space"}, ""},
      {0, "/a/x\n/a/y\n", FileChooserMode::kOpenMultiple, FileChooserOutcome::kAccepted, {"/a/x", "/a/y"}, ""},
      {0, "/a/no line break", FileChooserMode::kOpen, FileChooserOutcome::kAccepted, {"/a/no line break"}, ""},
      {0, "", FileChooserMode::kOpen, FileChooserOutcome::kCancelled, {}, ""},
      {0, "\n", FileChooserMode::kOpenMultiple, FileChooserOutcome::kCancelled, {}, ""},
      {1, "", FileChooserMode::kOpen, FileChooserOutcome::kCancelled, {}, ""},
      {5, "", FileChooserMode::kSave, FileChooserOutcome::kFailed, {}, "zenity ended with exit code 5"},
      // Only the line break zenity adds is taken off: the rest is the name, which another file may not share.
      {0, "/a/x\n\n", FileChooserMode::kSave, FileChooserOutcome::kAccepted, {"/a/x\n"}, ""},
      {0, "/a/y\r\n", FileChooserMode::kSave, FileChooserOutcome::kAccepted, {"/a/y\r"}, ""},
      // What is not an absolute path fails: zenity's "(null)" for a name it could not convert, a relative name.
      {0,
       "(null)\n",
       FileChooserMode::kSave,
       FileChooserOutcome::kFailed,
       {},
       "zenity answered \"(null)\", which is not an absolute path"},
      {0,
       "(null)\n",
       FileChooserMode::kOpen,
       FileChooserOutcome::kFailed,
       {},
       "zenity answered \"(null)\", which is not an absolute path"},
      {0,
       "x.pellanvorn\n",
       FileChooserMode::kSave,
       FileChooserOutcome::kFailed,
       {},
       "zenity answered \"x.pellanvorn\", which is not an absolute path"},
      {0,
       "x\n\n",
       FileChooserMode::kOpen,
       FileChooserOutcome::kFailed,
       {},
       "zenity answered \"x\n\", which is not an absolute path"},
      {0,
       "/a/x\nrelative\n/a/y\n",
       FileChooserMode::kOpenMultiple,
       FileChooserOutcome::kFailed,
       {},
       "zenity answered \"relative\", which is not an absolute path"},
      // A name ending in a line break, chosen with others, cannot be told apart from an empty line.
      {0,
       "/a/x\n\n/a/y\n",
       FileChooserMode::kOpenMultiple,
       FileChooserOutcome::kFailed,
       {},
       "zenity answered \"\", which is not an absolute path"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.exit) + " " + c.output);
    const FileChooserAnswer answer = ZenityAnswer(c.exit, c.output, c.mode);
    EXPECT_EQ(answer.outcome, c.outcome);
    EXPECT_EQ(answer.paths, c.paths);
    EXPECT_EQ(answer.error, c.error);
  }
}

TEST_F(DialogProgramsTest, ZenityIsRunWithTheRequestAndAnsweredByItsExit) {
  InstallStub("zenity");
  const ScopedEnvironment path("PATH", Bin());
  const ScopedEnvironment log("STUB_LOG", Log());
  const FileChooserRequest request{FileChooserMode::kSave, "Save Program", "/tmp", "Untitled", {}};
  struct Case {
    const char* exit;
    FileChooserOutcome outcome;
    std::vector<std::string> paths;
    std::string error;
  };
  const Case cases[] = {
      {"0", FileChooserOutcome::kAccepted, {"/tmp/chosen name"}, ""},
      {"1", FileChooserOutcome::kCancelled, {}, ""},
      {"2", FileChooserOutcome::kFailed, {}, "zenity ended with exit code 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.exit);
    std::filesystem::remove(Log());
    const ScopedEnvironment exit("STUB_EXIT", c.exit);
    const ScopedEnvironment output("STUB_OUTPUT", "/tmp/chosen name\n");
    const FileChooserAnswer answer = Choose(request);
    EXPECT_EQ(answer.outcome, c.outcome);
    EXPECT_EQ(answer.paths, c.paths);
    EXPECT_EQ(answer.error, c.error);
    EXPECT_EQ(Arguments(), ZenityArguments(request));
  }
}

TEST_F(DialogProgramsTest, AMissingZenityFailsWithTheReason) {
  const ScopedEnvironment path("PATH", Bin());
  const FileChooserAnswer answer = Choose({});
  EXPECT_EQ(answer.outcome, FileChooserOutcome::kFailed);
  EXPECT_EQ(answer.error, "zenity was not found");
}

TEST_F(DialogProgramsTest, XdgOpenIsGivenTheTargetAndItsExitDecides) {
  // A wait no stub outlasts, however loaded the machine: each exit is the one read, never the wait's end.
  constexpr int kPatientWaitMs = 120000;
  SetShellOpener(MakeXdgOpener(kPatientWaitMs));
  InstallStub("xdg-open");
  const ScopedEnvironment path("PATH", Bin());
  const ScopedEnvironment log("STUB_LOG", Log());
  const ScopedEnvironment output("STUB_OUTPUT", "");
  {
    const ScopedEnvironment exit("STUB_EXIT", "0");
    EXPECT_EQ(OpenWithShell("/opt/editor/User Guide.pdf"), kShellOpened);
  }
  {
    const ScopedEnvironment exit("STUB_EXIT", "3");
    EXPECT_EQ(OpenWithShell("/no/such/file"), kShellOpenFailed);
  }
  EXPECT_EQ(Arguments(), (std::vector<std::string>{"/opt/editor/User Guide.pdf", "/no/such/file"}));
  std::filesystem::remove(mTemp.Path() / "bin" / "xdg-open");
  EXPECT_EQ(OpenWithShell("/opt/editor/User Guide.pdf"), kShellOpenFailed);
}

TEST_F(DialogProgramsTest, AChildStillRunningIsStoppedWithItsOwner) {
  const ScopedEnvironment path("PATH", "/bin:/usr/bin");
  ChildProgram child;
  ASSERT_TRUE(child.Start("sleep", {"30"}, true));
  EXPECT_FALSE(child.Poll());
  EXPECT_FALSE(child.Wait(20));
  EXPECT_TRUE(child.IsRunning());
  // The destructor kills and collects it: nothing is left behind to wait for.
}

} // namespace
} // namespace QZ::Platform

namespace QZ::Platform {
namespace {

using test::ScopedEnvironment;

using test::CountingWait;

class ScopedModalWait {
public:
  explicit ScopedModalWait(std::shared_ptr<CountingWait> wait)
      : mPrevious(SetModalWait([wait](const std::function<bool()>& done) { return (*wait)(done); })) {}
  ~ScopedModalWait() { SetModalWait(mPrevious); }
  ScopedModalWait(const ScopedModalWait&) = delete;
  ScopedModalWait& operator=(const ScopedModalWait&) = delete;

private:
  ModalWait mPrevious;
};

class HelperProgramsTest : public ::testing::Test {
protected:
  void SetUp() override { mPreviousOpener = SetShellOpener(nullptr); }
  void TearDown() override { SetShellOpener(mPreviousOpener); }

  test::TempFolder mTemp;
  test::StubPrograms mStubs{mTemp.Path()};
  std::shared_ptr<ShellOpener> mPreviousOpener;
};

TEST(ZenityArgumentsTest, AnOwnerWindowMakesTheChooserModalAndAttachedToIt) {
  const FileChooserRequest request{FileChooserMode::kOpen, "Open Program", "/home/u", "", {}};
  EXPECT_EQ(ZenityArguments(request, 0x3a00007),
            (std::vector<std::string>{"--file-selection", "--title=Open Program", "--modal", "--attach=60817415",
                                      "--filename=/home/u/"}));
}

TEST(DialogScaleTest, TheScaleFollowsTheScreenUnlessTheUserSetIt) {
  struct Case {
    std::int32_t dpi;
    const char* userScale;
    const char* userDpiScale;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {96, nullptr, nullptr, {}},
      {72, nullptr, nullptr, {}},
      {120, nullptr, nullptr, {"GDK_DPI_SCALE=1.25"}},
      {144, nullptr, nullptr, {"GDK_SCALE=2", "GDK_DPI_SCALE=0.75"}},
      {192, nullptr, nullptr, {"GDK_SCALE=2"}},
      {288, nullptr, nullptr, {"GDK_SCALE=3"}},
      {144, "1", nullptr, {}},
      {144, nullptr, "1.5", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.dpi) + " " + (c.userScale ? c.userScale : "-") + " " +
                 (c.userDpiScale ? c.userDpiScale : "-"));
    const ScopedEnvironment scale("GDK_SCALE", c.userScale);
    const ScopedEnvironment dpiScale("GDK_DPI_SCALE", c.userDpiScale);
    EXPECT_EQ(DialogScaleEnvironment(c.dpi), c.expected);
  }
}

TEST_F(HelperProgramsTest, AChildGetsTheEnvironmentWithTheGivenEntriesInPlace) {
  mStubs.Install("stub");
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment log("STUB_LOG", mStubs.Log());
  const ScopedEnvironment exit("STUB_EXIT", "0");
  const ScopedEnvironment scale("GDK_SCALE", "1");
  const ScopedEnvironment dpiScale("GDK_DPI_SCALE", "0.5");
  ChildProgram child;
  ASSERT_TRUE(child.Start("stub", {}, false, {"GDK_SCALE=3"}));
  ASSERT_TRUE(child.Wait(10000));
  EXPECT_EQ(mStubs.Noted("GDK_SCALE"), "3");
  EXPECT_EQ(mStubs.Noted("GDK_DPI_SCALE"), "0.5");
  EXPECT_EQ(mStubs.Noted("PPID"), std::to_string(::getpid()));
}

TEST_F(HelperProgramsTest, TheOpenerIsAwaitedThroughTheModalWait) {
  mStubs.Install("xdg-open");
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment log("STUB_LOG", mStubs.Log());
  const ScopedEnvironment release("STUB_RELEASE", mStubs.Release());
  struct Case {
    const char* exit;
    int giveUpAfter;
    int answer;
  };
  const Case cases[] = {
      {"0", 0, kShellOpened},
      {"4", 0, kShellOpenFailed},
      // An opener still busy when the wait ends counts as having opened the target.
      {"4", 2, kShellOpened},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.exit) + " " + std::to_string(c.giveUpAfter));
    std::filesystem::remove(mStubs.Release());
    const ScopedEnvironment exit("STUB_EXIT", c.exit);
    auto wait = std::make_shared<CountingWait>();
    wait->release = mStubs.Release();
    wait->releaseAfter = 3;
    wait->giveUpAfter = c.giveUpAfter;
    const ScopedModalWait installed(wait);
    EXPECT_EQ(OpenWithShell("/opt/editor/User Guide.pdf"), c.answer);
    EXPECT_GE(wait->polls, c.giveUpAfter > 0 ? c.giveUpAfter : 3);
  }
  test::WriteAll(mStubs.Release(), ""); // the opener left running ends
}

} // namespace
} // namespace QZ::Platform
