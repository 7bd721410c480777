#include "Platform/Instance/SingleInstance.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace QZ::Platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kAckTaken = 1;
constexpr std::uint8_t kAckRefused = 0;
constexpr std::size_t kHeaderBytes = 8;
// Peers waiting at once that one TakeHandOver looks at before it gives up for this turn.
constexpr int kPeersPerTurn = 8;

std::string LockPath(const std::string& folder, std::string_view windowClass) {
  return folder + "/" + std::string(windowClass) + "Prevent.lock";
}

std::string SocketPath(const std::string& folder, std::string_view windowClass) {
  return folder + "/" + std::string(windowClass) + ".socket";
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path)
    return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

void CloseDescriptor(int fd) {
  if (fd >= 0)
    ::close(fd);
}

// Milliseconds left until the deadline, at least 0.
int Remaining(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Waits until the descriptor is ready for the events or the deadline passes.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, Remaining(deadline));
    if (ready > 0)
      return (entry.revents & (events | POLLHUP | POLLERR)) != 0;
    if (ready == 0)
      return false;
    if (errno != EINTR)
      return false;
  }
}

// Reads exactly count bytes before the deadline; false on end, error or time-out.
bool ReadExactly(int fd, std::uint8_t* buffer, std::size_t count, Clock::time_point deadline) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::recv(fd, buffer + done, count - done, 0);
    if (got > 0) {
      done += static_cast<std::size_t>(got);
      continue;
    }
    if (got == 0)
      return false;
    if (errno == EINTR)
      continue;
    if ((errno != EAGAIN && errno != EWOULDBLOCK) || !WaitFor(fd, POLLIN, deadline))
      return false;
  }
  return true;
}

bool WriteExactly(int fd, const std::uint8_t* buffer, std::size_t count, Clock::time_point deadline) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t sent = ::send(fd, buffer + done, count - done, MSG_NOSIGNAL);
    if (sent > 0) {
      done += static_cast<std::size_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR)
      continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && WaitFor(fd, POLLOUT, deadline))
      continue;
    return false;
  }
  return true;
}

void PutWord(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i)
    at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetWord(const std::uint8_t* at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i)
    value |= std::uint32_t{at[i]} << (8 * i);
  return value;
}

bool IsPeerOurUser(int fd) {
  ucred credentials{};
  socklen_t size = sizeof credentials;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && credentials.uid == ::getuid();
}

// Reads one message from a connected peer and answers it; nothing for a peer that sends nothing usable.
std::optional<HandOver> Serve(int peer, Clock::time_point deadline) {
  if (!IsPeerOurUser(peer))
    return std::nullopt;
  std::uint8_t header[kHeaderBytes];
  if (!ReadExactly(peer, header, sizeof header, deadline))
    return std::nullopt;
  HandOver handOver;
  handOver.tag = GetWord(header);
  const std::uint32_t length = GetWord(header + 4);
  if (length > kMaxHandOverBytes) {
    const std::uint8_t refused = kAckRefused;
    WriteExactly(peer, &refused, 1, deadline);
    return std::nullopt;
  }
  handOver.data.resize(length);
  if (!ReadExactly(peer, handOver.data.data(), length, deadline))
    return std::nullopt;
  const std::uint8_t taken = kAckTaken;
  WriteExactly(peer, &taken, 1, deadline);
  return handOver;
}

} // namespace

std::string ChooseRuntimeFolder(const char* xdgRuntimeDir, const std::string& fallback) {
  if (xdgRuntimeDir != nullptr && xdgRuntimeDir[0] == '/') {
    struct stat info {};
    if (::stat(xdgRuntimeDir, &info) == 0 && S_ISDIR(info.st_mode))
      return xdgRuntimeDir;
  }
  if (::mkdir(fallback.c_str(), 0700) != 0 && errno != EEXIST)
    return {};
  // The folder must be ours alone: no link, nobody else's, closed to others.
  struct stat info {};
  if (::lstat(fallback.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid() ||
      (info.st_mode & 077) != 0)
    return {};
  return fallback;
}

std::string GetRuntimeFolder() {
  return ChooseRuntimeFolder(std::getenv("XDG_RUNTIME_DIR"), "/tmp/qz-" + std::to_string(::getuid()));
}

std::unique_ptr<InstanceLock> InstanceLock::Acquire(std::string_view windowClass, InstanceStatus& status,
                                                    std::string_view folder) {
  status = InstanceStatus::kFailed;
  const std::string base = folder.empty() ? GetRuntimeFolder() : std::string(folder);
  if (base.empty() || windowClass.empty() || windowClass.find('/') != std::string_view::npos)
    return nullptr;
  const std::string path = LockPath(base, windowClass);
  int fd = -1;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return nullptr;
  int locked = -1;
  do {
    locked = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (locked != 0 && errno == EINTR);
  if (locked != 0) {
    const bool taken = errno == EWOULDBLOCK;
    ::close(fd);
    status = taken ? InstanceStatus::kSecond : InstanceStatus::kFailed;
    return nullptr;
  }
  status = InstanceStatus::kFirst;
  return std::unique_ptr<InstanceLock>(new InstanceLock(fd, SocketPath(base, windowClass)));
}

InstanceLock::~InstanceLock() {
  if (mListener >= 0) {
    ::close(mListener);
    ::unlink(mSocketPath.c_str());
  }
  // The lock file stays: removing it could let two processes lock two different files of one name.
  CloseDescriptor(mLockFile);
}

bool InstanceLock::Listen() {
  if (mListener >= 0)
    return true;
  sockaddr_un address;
  if (!MakeAddress(mSocketPath, address))
    return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return false;
  // Whatever is at the path was left by an earlier holder of the lock, which is ours now.
  ::unlink(mSocketPath.c_str());
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
    ::close(fd);
    return false;
  }
  ::chmod(mSocketPath.c_str(), 0600);
  mListener = fd;
  return true;
}

std::optional<HandOver> InstanceLock::TakeHandOver(std::int32_t timeoutMs) {
  if (mListener < 0)
    return std::nullopt;
  // Asked on every idle period: a look at the listener is much cheaper than an accept that finds nobody
  // (the kernel makes and drops a socket for each).
  pollfd listening{mListener, POLLIN, 0};
  if (::poll(&listening, 1, 0) <= 0)
    return std::nullopt;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
  for (int turn = 0; turn < kPeersPerTurn; ++turn) {
    const int peer = ::accept4(mListener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (peer < 0) {
      if (errno == EINTR || errno == ECONNABORTED)
        continue;
      return std::nullopt; // nobody waiting (or the listener failed: the next turn tries again)
    }
    std::optional<HandOver> handOver = Serve(peer, deadline);
    ::close(peer);
    if (handOver)
      return handOver;
  }
  return std::nullopt;
}

HandOverResult HandOverToFirstInstance(std::string_view windowClass, std::uint32_t tag,
                                       std::span<const std::uint8_t> data, std::int32_t timeoutMs,
                                       std::string_view folder) {
  if (data.size() > kMaxHandOverBytes)
    return HandOverResult::kRefused;
  const std::string base = folder.empty() ? GetRuntimeFolder() : std::string(folder);
  if (base.empty())
    return HandOverResult::kFailed;
  sockaddr_un address;
  if (!MakeAddress(SocketPath(base, windowClass), address))
    return HandOverResult::kFailed;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return HandOverResult::kFailed;
  int connected = -1;
  do {
    connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
  } while (connected != 0 && errno == EINTR);
  if (connected != 0) {
    const int error = errno;
    ::close(fd);
    // No socket file, or one nobody listens on (its instance died): there is no first instance to ask.
    return error == ENOENT || error == ECONNREFUSED ? HandOverResult::kNoListener : HandOverResult::kFailed;
  }
  std::vector<std::uint8_t> message(kHeaderBytes + data.size());
  PutWord(message.data(), tag);
  PutWord(message.data() + 4, static_cast<std::uint32_t>(data.size()));
  if (!data.empty())
    std::memcpy(message.data() + kHeaderBytes, data.data(), data.size());
  std::uint8_t answer = kAckRefused;
  const bool answered =
      WriteExactly(fd, message.data(), message.size(), deadline) && ReadExactly(fd, &answer, 1, deadline);
  ::close(fd);
  if (!answered)
    return HandOverResult::kFailed;
  return answer == kAckTaken ? HandOverResult::kDelivered : HandOverResult::kRefused;
}

} // namespace QZ::Platform
