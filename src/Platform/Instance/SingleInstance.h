#pragma once
// One running program per user and window class. The first instance holds a lock file for its whole life
// (the kernel lets go of it when the process ends, however it ends) and, once it has a main window,
// listens on a Unix socket beside it; a later instance finds the lock taken and hands its command line
// over that socket. Both live in the per-user runtime folder: "<class>Prevent.lock" and "<class>.socket".
//
// On the wire: the tag and the length (32-bit little-endian each), then that many bytes; the listener
// answers one byte, 1 taken or 0 refused. A message longer than kMaxHandOverBytes, one cut short, or one
// from another user is refused or dropped; a peer that stalls is dropped when the time-out runs out. Both
// sides are bounded in time: no call waits longer than the time-out it is given.
//
// Threads: an InstanceLock is used by one thread (the UI thread polls it); the other calls are safe from
// any thread.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace QZ::Platform {

inline constexpr std::uint32_t kMaxHandOverBytes = 64 * 1024;
inline constexpr std::int32_t kDefaultHandOverTimeoutMs = 2000;

// The per-user runtime folder: $XDG_RUNTIME_DIR when it names a folder by an absolute path, else
// /tmp/qz-<uid>, made with mode 0700 when missing. Empty when neither is safe to use (the fallback is not a
// folder of ours or is open to others).
std::string GetRuntimeFolder();
// The same choice from given places (tests).
std::string ChooseRuntimeFolder(const char* xdgRuntimeDir, const std::string& fallback);

enum class InstanceStatus : std::uint8_t {
  kFirst,  // this process holds the lock
  kSecond, // another process holds it
  kFailed, // no runtime folder, or the lock file cannot be made
};

struct HandOver {
  std::uint32_t tag = 0;
  std::vector<std::uint8_t> data;
};

class InstanceLock {
public:
  // The lock for a window class, in the folder given (empty: GetRuntimeFolder). Null unless this process
  // is the first; status says which.
  [[nodiscard]] static std::unique_ptr<InstanceLock> Acquire(std::string_view windowClass, InstanceStatus& status,
                                                             std::string_view folder = {});
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Starts listening for later instances; a socket file left by an instance that died is replaced. False
  // when the socket cannot be made (its path too long, for one).
  bool Listen();
  bool IsListening() const { return mListener >= 0; }
  // One hand-over waiting now, if any, answered; waits at most timeoutMs for a connected peer's bytes.
  // Peers that send nothing usable are dropped on the way.
  std::optional<HandOver> TakeHandOver(std::int32_t timeoutMs = kDefaultHandOverTimeoutMs);

private:
  InstanceLock(int lockFile, std::string socketPath) : mLockFile(lockFile), mSocketPath(std::move(socketPath)) {}

  int mLockFile = -1;
  int mListener = -1;
  std::string mSocketPath;
};

enum class HandOverResult : std::uint8_t {
  kDelivered,  // the first instance took it
  kRefused,    // it answered no, or the data is too long to send
  kNoListener, // nobody listens (no first instance, or it has no window yet): run on
  kFailed,     // no answer within the time-out, or the socket failed
};

// The second instance's side: sends the tagged bytes to the first instance of the window class.
HandOverResult HandOverToFirstInstance(std::string_view windowClass, std::uint32_t tag,
                                       std::span<const std::uint8_t> data,
                                       std::int32_t timeoutMs = kDefaultHandOverTimeoutMs,
                                       std::string_view folder = {});

} // namespace QZ::Platform
