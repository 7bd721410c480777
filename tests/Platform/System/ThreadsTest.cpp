#include "Platform/System/Limits.h"
#include "Platform/System/Threads.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace QZ::Platform {
namespace {

TEST(Threads, EachThreadHasItsOwnIdAndNiceValue) {
  const ThreadId self = CurrentThreadId();
  EXPECT_GT(self, 0);
  int mine = 0;
  ASSERT_TRUE(GetThreadNice(self, mine));

  ThreadId other = kNoThreadId;
  int seen = 0;
  std::thread thread([&] {
    other = CurrentThreadId();
    // Lowering is always allowed; it changes this thread only.
    ASSERT_TRUE(SetThreadNice(other, mine + 3 > kLowestNice ? kLowestNice : mine + 3));
    ASSERT_TRUE(GetThreadNice(other, seen));
  });
  thread.join();
  EXPECT_NE(other, self);
  EXPECT_EQ(seen, mine + 3 > kLowestNice ? kLowestNice : mine + 3);
  int after = 0;
  ASSERT_TRUE(GetThreadNice(self, after));
  EXPECT_EQ(after, mine);

  EXPECT_FALSE(SetThreadNice(kNoThreadId, 0));
  EXPECT_FALSE(SetThreadNice(self, kHighestNice - 1));
  EXPECT_FALSE(SetThreadNice(self, kLowestNice + 1));
  EXPECT_FALSE(GetThreadNice(kNoThreadId, after));
}

// A child process without privileges stands for the ordinary user.
TEST(Threads, RaisingIsRefusedWithoutPrivilege) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(2);
    int nice = 0;
    if (!GetThreadNice(CurrentThreadId(), nice))
      ::_exit(3);
    if (SetThreadNice(CurrentThreadId(), nice - 1))
      ::_exit(4); // reported success for what the system refuses
    int after = 0;
    ::_exit(GetThreadNice(CurrentThreadId(), after) && after == nice ? 0 : 5);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(Limits, DescriptorLimitIsHonouredAndRestored) {
  std::uint64_t old = 0;
  ASSERT_TRUE(GetOpenDescriptorLimit(old));
  ASSERT_TRUE(SetOpenDescriptorLimit(0));
  const int fd = ::dup(0);
  EXPECT_LT(fd, 0);
  ASSERT_TRUE(SetOpenDescriptorLimit(old));
  std::uint64_t back = 0;
  ASSERT_TRUE(GetOpenDescriptorLimit(back));
  EXPECT_EQ(back, old);
}

TEST(Limits, FileSizeLimitRoundTrips) {
  std::uint64_t old = 0;
  ASSERT_TRUE(GetFileSizeLimit(old));
  ASSERT_TRUE(SetFileSizeLimit(4096));
  std::uint64_t now = 0;
  ASSERT_TRUE(GetFileSizeLimit(now));
  EXPECT_EQ(now, 4096u);
  ASSERT_TRUE(SetFileSizeLimit(old));
}

} // namespace
} // namespace QZ::Platform
