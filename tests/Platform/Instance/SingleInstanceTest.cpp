// The single-instance lock and the hand-over between two processes (the second one forked), in a
// runtime folder of the test's own.

#include "Platform/Instance/SingleInstance.h"

#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace QZ::Platform {
namespace {

constexpr std::string_view kClass = "PellanWirelessVornPresetEditorMainWindowClass";
constexpr std::uint32_t kCommandLineTag = 1125;

std::vector<std::uint8_t> Bytes(std::string_view text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0); // the sender includes the terminating zero
  return bytes;
}

// A second instance in a process of its own: it checks that the lock is taken, hands the text over and
// exits with the HandOverResult (10 when the lock was not taken).
pid_t SecondInstance(const std::string& folder, std::uint32_t tag, std::string_view text) {
  const pid_t child = ::fork();
  if (child == 0) {
    InstanceStatus mine = InstanceStatus::kFailed;
    if (InstanceLock::Acquire(kClass, mine, folder) || mine != InstanceStatus::kSecond)
      ::_exit(10);
    ::_exit(static_cast<int>(HandOverToFirstInstance(kClass, tag, Bytes(text), 5000, folder)));
  }
  return child;
}

// The exit code of a child, -1 when it did not exit.
int ExitCodeOf(pid_t child) {
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
}

// Fills a socket address; the path must fit.
void SetPath(sockaddr_un& address, const std::string& path) {
  address.sun_family = AF_UNIX;
  ASSERT_LT(path.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
}

class SingleInstanceTest : public ::testing::Test {
protected:
  // A short folder name: socket paths have a small limit, which the test's own name would break.
  void SetUp() override { ASSERT_FALSE(mFolder.empty()); }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(mFolder, ignored);
  }
  std::string Folder() const { return mFolder.string(); }

  // Takes hand-overs until one comes, for at most five seconds.
  std::optional<HandOver> AwaitHandOver(InstanceLock& lock) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      if (std::optional<HandOver> handOver = lock.TakeHandOver(1000))
        return handOver;
      ::usleep(2000);
    }
    return std::nullopt;
  }

  // A raw client of the socket, for peers that do not follow the protocol.
  int Connect() const {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    SetPath(address, Folder() + "/" + std::string(kClass) + ".socket");
    EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    return fd;
  }

  std::filesystem::path mFolder = test::MakeTempFolder("qzsi_");
};

TEST_F(SingleInstanceTest, TheFirstHoldsTheLockUntilItsProcessEnds) {
  // A child takes the lock and holds it until it is killed.
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const std::string folder = Folder();
  const pid_t holder = ::fork();
  ASSERT_GE(holder, 0);
  if (holder == 0) {
    InstanceStatus status = InstanceStatus::kFailed;
    auto lock = InstanceLock::Acquire(kClass, status, folder);
    const char answer = status == InstanceStatus::kFirst ? 'F' : 'x';
    if (::write(ready[1], &answer, 1) != 1)
      ::_exit(1);
    ::pause();
    ::_exit(0);
  }
  char answer = 0;
  ASSERT_EQ(::read(ready[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'F');

  InstanceStatus status = InstanceStatus::kFailed;
  EXPECT_FALSE(InstanceLock::Acquire(kClass, status, folder));
  EXPECT_EQ(status, InstanceStatus::kSecond);

  // Killed, the holder leaves its lock file behind but not its lock.
  ::kill(holder, SIGKILL);
  ::waitpid(holder, nullptr, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  auto lock = InstanceLock::Acquire(kClass, status, folder);
  EXPECT_TRUE(lock);
  EXPECT_EQ(status, InstanceStatus::kFirst);
  struct stat info {};
  ASSERT_EQ(::stat((folder + "/" + std::string(kClass) + "Prevent.lock").c_str(), &info), 0);

  // Another class is another lock.
  EXPECT_TRUE(InstanceLock::Acquire("OtherClass", status, folder));
  EXPECT_EQ(status, InstanceStatus::kFirst);
}

TEST_F(SingleInstanceTest, ASecondProcessHandsItsCommandLineToTheListeningFirst) {
  InstanceStatus status = InstanceStatus::kFailed;
  auto lock = InstanceLock::Acquire(kClass, status, Folder());
  ASSERT_TRUE(lock);
  ASSERT_TRUE(lock->Listen());
  EXPECT_FALSE(lock->TakeHandOver(0)) << "nobody has sent anything";

  const std::string_view commandLine = "editor \"/home/u/My Programs/a.pellanvorn\" -DEBUG_CONSOLE";
  const pid_t second = SecondInstance(Folder(), kCommandLineTag, commandLine);
  ASSERT_GE(second, 0);
  const std::optional<HandOver> handOver = AwaitHandOver(*lock);
  EXPECT_EQ(ExitCodeOf(second), static_cast<int>(HandOverResult::kDelivered));
  ASSERT_TRUE(handOver);
  EXPECT_EQ(handOver->tag, kCommandLineTag);
  EXPECT_EQ(handOver->data, Bytes(commandLine));

  // The socket goes with the lock.
  const std::string socket = Folder() + "/" + std::string(kClass) + ".socket";
  lock.reset();
  struct stat info {};
  EXPECT_NE(::stat(socket.c_str(), &info), 0);
}

TEST_F(SingleInstanceTest, WithoutAListenerTheSecondRunsOnAndAStaleSocketIsReplaced) {
  InstanceStatus status = InstanceStatus::kFailed;
  auto lock = InstanceLock::Acquire(kClass, status, Folder());
  ASSERT_TRUE(lock);
  const auto bytes = Bytes("x");
  EXPECT_EQ(HandOverToFirstInstance(kClass, kCommandLineTag, bytes, 1000, Folder()), HandOverResult::kNoListener);

  // A socket file whose instance died: bound once, nobody listening.
  {
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    SetPath(address, Folder() + "/" + std::string(kClass) + ".socket");
    ASSERT_EQ(::bind(stale, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(stale);
  }
  EXPECT_EQ(HandOverToFirstInstance(kClass, kCommandLineTag, bytes, 1000, Folder()), HandOverResult::kNoListener);

  ASSERT_TRUE(lock->Listen());
  const pid_t second = SecondInstance(Folder(), kCommandLineTag, "y");
  ASSERT_GE(second, 0);
  const std::optional<HandOver> handOver = AwaitHandOver(*lock);
  EXPECT_EQ(ExitCodeOf(second), static_cast<int>(HandOverResult::kDelivered));
  ASSERT_TRUE(handOver);
  EXPECT_EQ(handOver->data, Bytes("y"));
}

TEST_F(SingleInstanceTest, PeersThatBreakTheProtocolAreDroppedAndTheListenerCarriesOn) {
  InstanceStatus status = InstanceStatus::kFailed;
  auto lock = InstanceLock::Acquire(kClass, status, Folder());
  ASSERT_TRUE(lock);
  ASSERT_TRUE(lock->Listen());

  // Too long: refused with a 0.
  const int tooLong = Connect();
  std::uint8_t header[8] = {0x65, 0x04, 0, 0, 0x01, 0x00, 0x01, 0x00}; // tag 1125, 65537 bytes
  ASSERT_EQ(::send(tooLong, header, sizeof header, MSG_NOSIGNAL), 8);
  EXPECT_FALSE(lock->TakeHandOver(1000));
  std::uint8_t answer = 9;
  EXPECT_EQ(::recv(tooLong, &answer, 1, 0), 1);
  EXPECT_EQ(answer, 0);
  ::close(tooLong);

  // Cut short: says ten bytes, sends three, hangs up.
  const int cut = Connect();
  std::uint8_t shortMessage[11] = {0x65, 0x04, 0, 0, 10, 0, 0, 0, 'a', 'b', 'c'};
  ASSERT_EQ(::send(cut, shortMessage, sizeof shortMessage, MSG_NOSIGNAL), 11);
  ::close(cut);
  EXPECT_FALSE(lock->TakeHandOver(1000));

  // Stalled: connected, silent; dropped when the time-out runs out.
  const int stalled = Connect();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(lock->TakeHandOver(50));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  ::close(stalled);

  // A well-formed empty message after all that.
  const int good = Connect();
  std::uint8_t empty[8] = {7, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(::send(good, empty, sizeof empty, MSG_NOSIGNAL), 8);
  const std::optional<HandOver> handOver = lock->TakeHandOver(1000);
  ASSERT_TRUE(handOver);
  EXPECT_EQ(handOver->tag, 7u);
  EXPECT_TRUE(handOver->data.empty());
  EXPECT_EQ(::recv(good, &answer, 1, 0), 1);
  EXPECT_EQ(answer, 1);
  ::close(good);
}

TEST_F(SingleInstanceTest, TheSenderRefusesOverlongDataAndUnusablePlaces) {
  const std::vector<std::uint8_t> tooLong(kMaxHandOverBytes + 1, 'x');
  EXPECT_EQ(HandOverToFirstInstance(kClass, kCommandLineTag, tooLong, 100, Folder()), HandOverResult::kRefused);

  const std::string deep = Folder() + "/" + std::string(120, 'd');
  EXPECT_EQ(HandOverToFirstInstance(kClass, kCommandLineTag, Bytes("x"), 100, deep), HandOverResult::kFailed)
      << "a socket path longer than the system takes";

  // The lock file fits where the socket does not: the first runs without listening.
  ASSERT_EQ(::mkdir(deep.c_str(), 0700), 0);
  InstanceStatus status = InstanceStatus::kFailed;
  auto lock = InstanceLock::Acquire(kClass, status, deep);
  ASSERT_TRUE(lock);
  EXPECT_FALSE(lock->Listen());
  EXPECT_FALSE(lock->IsListening());
  EXPECT_FALSE(lock->TakeHandOver(0));

  EXPECT_FALSE(InstanceLock::Acquire(kClass, status, Folder() + "/missing"));
  EXPECT_EQ(status, InstanceStatus::kFailed);
  EXPECT_FALSE(InstanceLock::Acquire("", status, Folder()));
  EXPECT_EQ(status, InstanceStatus::kFailed);
  EXPECT_FALSE(InstanceLock::Acquire("a/b", status, Folder()));
}

TEST_F(SingleInstanceTest, TheRuntimeFolderIsTheSessionsOrAPrivateOneOfOurOwn) {
  const std::string session = Folder() + "/session";
  ASSERT_EQ(::mkdir(session.c_str(), 0700), 0);
  const std::string fallback = Folder() + "/fallback";
  EXPECT_EQ(ChooseRuntimeFolder(session.c_str(), fallback), session);

  // No session folder (unset, relative, missing): the fallback, made private.
  for (const char* xdg : {static_cast<const char*>(nullptr), "relative/dir", "/no/such/folder/here"}) {
    SCOPED_TRACE(xdg != nullptr ? xdg : "(unset)");
    EXPECT_EQ(ChooseRuntimeFolder(xdg, fallback), fallback);
    struct stat info {};
    ASSERT_EQ(::stat(fallback.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
  }

  // A fallback open to others, or not a folder, is not used.
  const std::string open = Folder() + "/open";
  ASSERT_EQ(::mkdir(open.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(open.c_str(), 0755), 0);
  EXPECT_EQ(ChooseRuntimeFolder(nullptr, open), "");
  const std::string link = Folder() + "/link";
  ASSERT_EQ(::symlink(fallback.c_str(), link.c_str()), 0);
  EXPECT_EQ(ChooseRuntimeFolder(nullptr, link), "");

  EXPECT_FALSE(GetRuntimeFolder().empty());
}

} // namespace
} // namespace QZ::Platform
