#include "Platform/System/Signal.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace QZ::Platform {

SignalHandle CreateSignal() {
  const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  return fd >= 0 ? fd : kNoSignal;
}

void CloseSignal(SignalHandle signal) {
  if (signal >= 0)
    ::close(signal);
}

bool RaiseSignal(SignalHandle signal) {
  if (signal < 0)
    return false;
  const std::uint64_t one = 1;
  for (;;) {
    if (::write(signal, &one, sizeof one) == static_cast<ssize_t>(sizeof one))
      return true;
    if (errno == EAGAIN) // the counter is saturated: still raised
      return true;
    if (errno != EINTR)
      return false;
  }
}

TakeResult TakeSignal(SignalHandle signal) {
  if (signal < 0)
    return TakeResult::kFailed;
  std::uint64_t value = 0;
  for (;;) {
    if (::read(signal, &value, sizeof value) == static_cast<ssize_t>(sizeof value))
      return TakeResult::kTaken;
    if (errno == EAGAIN)
      return TakeResult::kNotRaised;
    if (errno != EINTR)
      return TakeResult::kFailed;
  }
}

int WaitForSignals(const SignalHandle* signals, SignalState* states, int count, int timeoutMs) {
  if (count <= 0 || !signals || !states)
    return -1;
  // One waiter on one signal is the common case: no allocation for it.
  pollfd single{};
  std::vector<pollfd> many;
  pollfd* fds = &single;
  if (count > 1) {
    many.resize(static_cast<std::size_t>(count));
    fds = many.data();
  }
  for (int i = 0; i < count; ++i) {
    if (signals[i] < 0)
      return -1;
    fds[i] = pollfd{signals[i], POLLIN, 0};
  }
  const int ready = ::poll(fds, static_cast<nfds_t>(count), timeoutMs < 0 ? -1 : timeoutMs);
  if (ready < 0)
    return errno == EINTR ? 0 : -1;
  for (int i = 0; i < count; ++i) {
    const short revents = fds[i].revents;
    states[i] = (revents & (POLLERR | POLLNVAL)) ? SignalState::kBroken
                : (revents & POLLIN)             ? SignalState::kRaised
                                                 : SignalState::kQuiet;
  }
  return ready;
}

} // namespace QZ::Platform
