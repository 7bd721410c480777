// A helper program started from the editor: it gets its output pipe, the environment with the given entries
// and nothing else this process holds (other descriptors, blocked or ignored signals, the user's dialog
// variables).

#include "Platform/Dialogs/ChildProgram.h"

#include "Platform/System/ChildInheritanceForTests.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

TEST(ChildProgramTest, AChildInheritsNothingButItsOutputPipeAndEnvironment) {
  const test::ScopedInheritableState state;
  ASSERT_TRUE(state.IsSet());
  ChildProgram child;
  ASSERT_TRUE(child.Start("sh", {"-c", test::kChildReportCommand}, true, {"QZ_CHILD_PROBE=given"}))
      << child.GetError();
  ASSERT_TRUE(child.Wait(10000));
  EXPECT_EQ(child.GetExitCode(), 0);

  const test::ChildReport seen = test::ReadChildReport(child.GetOutput());
  EXPECT_EQ(seen.Inherited("QZ_CHILD_PROBE=given"), std::vector<std::string>{}) << "1 is the output pipe";
}

} // namespace
} // namespace QZ::Platform
