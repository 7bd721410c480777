#include "Platform/System/Spawn.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

TEST(Spawn, TheChildsEnvironmentIsOursWithTheGivenEntriesInPlaceAndNoDialogVariables) {
  const char* const inherited[] = {"PATH=/bin",   "PATHS=1",    "ZENITY_CANCEL=5", "DIALOG_ERROR=1",
                                   "ZENITY=keep", "DIALOGUE=x", "LANG=C",          nullptr};
  struct Case {
    const char* name;
    std::vector<std::string> entries;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"nothing given", {}, {"PATH=/bin", "PATHS=1", "ZENITY=keep", "DIALOGUE=x", "LANG=C"}},
      // Only the whole name is replaced, by an empty value too.
      {"replaced", {"PATH=", "LANG=C.UTF-8"}, {"PATHS=1", "ZENITY=keep", "DIALOGUE=x", "PATH=", "LANG=C.UTF-8"}},
      {"added", {"GDK_SCALE=2"}, {"PATH=/bin", "PATHS=1", "ZENITY=keep", "DIALOGUE=x", "LANG=C", "GDK_SCALE=2"}},
      // What the caller gives is meant, dialog variables included.
      {"given dialog variable",
       {"ZENITY_CANCEL=1"},
       {"PATH=/bin", "PATHS=1", "ZENITY=keep", "DIALOGUE=x", "LANG=C", "ZENITY_CANCEL=1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ChildEnvironment(inherited, c.entries), c.expected);
  }
  EXPECT_EQ(ChildEnvironment(nullptr, {"A=1"}), (std::vector<std::string>{"A=1"}));
}

TEST(Spawn, AProgramThatIsNotThereSaysSo) {
  struct Case {
    const char* program;
    SpawnLookup lookup;
  };
  for (const Case& c : {Case{"/no/such/program", SpawnLookup::kExactPath},
                        Case{"no-such-program-here", SpawnLookup::kSearchPath}}) {
    SCOPED_TRACE(c.program);
    const SpawnResult result = SpawnChild(c.program, {}, {}, c.lookup);
    EXPECT_EQ(result.pid, 0);
    EXPECT_EQ(result.error, ENOENT);
  }
}

} // namespace
} // namespace QZ::Platform
