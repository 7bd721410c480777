#include "Platform/System/Process.h"

#include "Platform/System/ChildInheritanceForTests.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace QZ::Platform {
namespace {

TEST(Process, StartedProcessesAreStoppedWithinTheirGrace) {
  const std::string sleep = FindProgram("sleep");
  ASSERT_FALSE(sleep.empty());
  EXPECT_EQ(FindProgram("no-such-program-here"), "");

  const ProcessId asleep = StartProcess(sleep, {"30"});
  ASSERT_NE(asleep, 0);
  EXPECT_TRUE(IsProcessRunning(asleep));
  EXPECT_EQ(StopProcess(asleep, 5000), 128 + 15) << "ended by the request to stop";

  const std::string sh = FindProgram("sh");
  ASSERT_FALSE(sh.empty());
  // One that ignores the request is killed after the grace; it gets there once its trap is set.
  const ProcessId stubborn = StartProcess(sh, {"-c", "trap '' TERM; exec sleep 30"});
  ASSERT_NE(stubborn, 0);
  const int stopped = StopProcess(stubborn, 200);
  EXPECT_TRUE(stopped == 128 + 9 || stopped == 128 + 15) << stopped;

  // The extra environment reaches the child; its exit code comes back.
  const ProcessId check =
      StartProcess(sh, {"-c", "test \"$QZ_PROCESS_TEST\" = yes && exit 7"}, {"QZ_PROCESS_TEST=yes"});
  ASSERT_NE(check, 0);
  EXPECT_EQ(WaitForProcess(check, 10000), 7);
  EXPECT_FALSE(IsProcessRunning(check));
  const ProcessId second = StartProcess(sleep, {"30"});
  EXPECT_EQ(WaitForProcess(second, 1), kProcessStillRunning);
  EXPECT_TRUE(IsProcessRunning(second));
  EXPECT_EQ(StopProcess(second, 5000), 128 + 15);

  EXPECT_EQ(StartProcess("/no/such/program", {}), 0);
  EXPECT_EQ(StopProcess(0, 10), -1);
}

TEST(Process, AStartedProcessInheritsNothingButItsEnvironment) {
  const QZ::test::TempFolder temp;
  const std::string report = temp.File("report");
  const test::ScopedInheritableState state;
  ASSERT_TRUE(state.IsSet());
  // Its standard output goes nowhere: the shell sends the report to the file named by its first argument.
  const ProcessId child =
      StartProcess("/bin/sh", {"-c", std::string("exec >\"$0\"; ") + test::kChildReportCommand, report},
                   {"QZ_PROCESS_PROBE=given"});
  ASSERT_NE(child, 0);
  ASSERT_EQ(WaitForProcess(child, 10000), 0);

  const test::ChildReport seen = test::ReadChildReport(QZ::test::ReadAll(report));
  EXPECT_EQ(seen.Inherited("QZ_PROCESS_PROBE=given"), std::vector<std::string>{});
}

} // namespace
} // namespace QZ::Platform
