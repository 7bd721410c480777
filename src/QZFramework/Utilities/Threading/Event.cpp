#include "QZFramework/Utilities/Threading/Event.h"

#include "QZFramework/Utilities/Threading/EventCore.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

namespace QZ {
namespace {

// Time left of a wait, in the form poll wants.
class Deadline {
public:
  explicit Deadline(std::uint32_t ms) : mMs(ms), mStart(std::chrono::steady_clock::now()) {}

  int PollTimeout() const {
    if (mMs == kInfinite)
      return -1;
    auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::steady_clock::now() - mStart)
                       .count();
    long long left = static_cast<long long>(mMs) * 1000 - elapsed;
    if (left <= 0)
      return 0;
    long long leftMs = (left + 999) / 1000; // never round a short rest down to a spin
    return leftMs > INT_MAX ? INT_MAX : static_cast<int>(leftMs);
  }

  bool Expired() const { return mMs != kInfinite && PollTimeout() == 0; }

private:
  std::uint32_t mMs;
  std::chrono::steady_clock::time_point mStart;
};

constexpr int kTimedOut = -1;
constexpr int kFailed = -2;

} // namespace

EventCore::EventCore(bool autoReset)
    : mFd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), mAutoReset(autoReset) {}

EventCore::~EventCore() {
  if (mFd >= 0)
    close(mFd);
}

bool EventCore::Set() {
  if (mFd < 0)
    return false;
  Published();
  const std::uint64_t one = 1;
  for (;;) {
    if (write(mFd, &one, sizeof one) == static_cast<ssize_t>(sizeof one))
      return true;
    if (errno == EAGAIN) // the counter is saturated: still signalled
      return true;
    if (errno != EINTR)
      return false;
  }
}

bool EventCore::Reset() {
  if (mFd < 0)
    return false;
  std::uint64_t value = 0;
  for (;;) {
    if (read(mFd, &value, sizeof value) == static_cast<ssize_t>(sizeof value))
      return true;
    if (errno == EAGAIN)
      return true;
    if (errno != EINTR)
      return false;
  }
}

bool EventCore::TryConsume() {
  std::uint64_t value = 0;
  for (;;) {
    if (read(mFd, &value, sizeof value) == static_cast<ssize_t>(sizeof value))
      return true;
    if (errno != EINTR)
      return false; // EAGAIN: another waiter took it first
  }
}

// Index of the lowest event whose signal this caller got, kTimedOut or kFailed.
int EventCore::WaitLowest(EventCore* const* events, int count, std::uint32_t ms) {
  if (count <= 0)
    return kFailed;
  std::vector<pollfd> fds(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    if (!events[i] || events[i]->mFd < 0)
      return kFailed;
    fds[static_cast<std::size_t>(i)] = pollfd{events[i]->mFd, POLLIN, 0};
  }
  Deadline deadline(ms);
  for (;;) {
    int ready = poll(fds.data(), static_cast<nfds_t>(count), deadline.PollTimeout());
    if (ready < 0 && errno != EINTR)
      return kFailed;
    for (int i = 0; ready > 0 && i < count; ++i) {
      short revents = fds[static_cast<std::size_t>(i)].revents;
      if (revents & (POLLERR | POLLNVAL))
        return kFailed;
      // A signal another waiter took first sends us on to the next one, then back to the wait.
      if ((revents & POLLIN) && (!events[i]->mAutoReset || events[i]->TryConsume())) {
        events[i]->Observed();
        return i;
      }
    }
    if (deadline.Expired())
      return kTimedOut;
  }
}

int EventCore::WaitAny(EventCore* const* events, int count, std::uint32_t ms) {
  int index = WaitLowest(events, count, ms);
  return index >= 0 ? index : -1;
}

std::int32_t EventCore::Wait(std::uint32_t ms) {
  EventCore* self = this;
  int index = WaitLowest(&self, 1, ms);
  if (index == kFailed)
    return kWaitFailed;
  return index == 0 ? kWaitSignalled : kWaitTimeout;
}

Event::Event(bool autoReset) : mCore(new EventCore(autoReset)) {}

Event::~Event() { delete mCore; }

bool Event::Set() { return mCore->Set(); }

bool Event::Reset() { return mCore->Reset(); }

std::int32_t Event::Wait(std::uint32_t ms) { return mCore->Wait(ms); }

EventHandle Event::GetHandle() const { return mCore->GetHandle(); }

TrafficLight::TrafficLight() : Event(false) {}

} // namespace QZ
