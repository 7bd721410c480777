// The locale a dialog program is started in: the inherited one where it is UTF-8, else a UTF-8 one for the
// child alone; and the file chooser started with it (a stub zenity notes what it was given).

#include "Platform/Dialogs/DialogEnvironment.h"
#include "Platform/Dialogs/FileChooser.h"

#include "Support/StubPrograms.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace QZ::Platform {
namespace {

using test::ScopedEnvironment;

TEST(DialogEnvironmentTest, ADialogGetsAUtf8LocaleUnlessItInheritsOne) {
  struct Case {
    const char* name;
    const char* all;
    const char* type;
    const char* lang;
    std::vector<std::string> expected;
  };
  const std::vector<std::string> utf8{"LC_ALL=C.UTF-8"};
  const Case cases[] = {
      {"nothing set: the C locale", nullptr, nullptr, nullptr, utf8},
      {"LC_ALL=C", "C", nullptr, "C.UTF-8", utf8},
      {"POSIX character types", nullptr, "POSIX", "C.UTF-8", utf8},
      {"LANG UTF-8", nullptr, nullptr, "C.UTF-8", {}},
      {"the other spelling", "C.utf8", nullptr, nullptr, {}},
      {"character types UTF-8", nullptr, "C.UTF-8", "C", {}},
      {"an empty LC_ALL counts as unset", "", nullptr, "C.UTF-8", {}},
      // Named UTF-8 but not installed: the child would fall back to C.
      {"a locale this system lacks", nullptr, nullptr, "xx_XX.UTF-8", utf8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScopedEnvironment all("LC_ALL", c.all);
    const ScopedEnvironment type("LC_CTYPE", c.type);
    const ScopedEnvironment lang("LANG", c.lang);
    EXPECT_EQ(DialogLocaleEnvironment(), c.expected);
  }
}

TEST(DialogEnvironmentTest, TheChooserIsStartedInAUtf8LocaleAndTheEditorKeepsItsOwn) {
  test::TempFolder temp;
  const test::StubPrograms stubs(temp.Path());
  stubs.Install("zenity");
  const ScopedEnvironment path("PATH", stubs.Bin());
  const ScopedEnvironment log("STUB_LOG", stubs.Log());
  const ScopedEnvironment exit("STUB_EXIT", "0");
  const ScopedEnvironment output("STUB_OUTPUT", "/tmp/x\n");
  const ScopedEnvironment release("STUB_RELEASE", std::nullopt);
  const ScopedEnvironment type("LC_CTYPE", std::nullopt);
  const ScopedEnvironment lang("LANG", std::nullopt);
  const auto previous = SetFileChooser(nullptr);
  struct Case {
    const char* inherited;
    const char* given;
  };
  const Case cases[] = {{"C", "C.UTF-8"}, {"C.UTF-8", "C.UTF-8"}, {nullptr, "C.UTF-8"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.inherited ? c.inherited : "-");
    const ScopedEnvironment all("LC_ALL", c.inherited);
    const auto choice = StartFileChooser({});
    FileChooserAnswer answer;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!choice->Poll(answer) && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(answer.outcome, FileChooserOutcome::kAccepted);
    EXPECT_EQ(stubs.Noted("LC_ALL"), c.given);
    const char* own = std::getenv("LC_ALL");
    EXPECT_EQ(own ? std::string(own) : "<unset>", c.inherited ? c.inherited : "<unset>");
  }
  SetFileChooser(previous);
}

} // namespace
} // namespace QZ::Platform
