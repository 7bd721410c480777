#include "Platform/System/Limits.h"

#include <sys/resource.h>

#include <csignal>

namespace QZ::Platform {

namespace {

bool GetSoft(int resource, std::uint64_t& value) {
  rlimit current{};
  if (::getrlimit(resource, &current) != 0)
    return false;
  value = current.rlim_cur;
  return true;
}

bool SetSoft(int resource, std::uint64_t value) {
  rlimit current{};
  if (::getrlimit(resource, &current) != 0)
    return false;
  current.rlim_cur = static_cast<rlim_t>(value);
  return ::setrlimit(resource, &current) == 0;
}

} // namespace

bool GetOpenDescriptorLimit(std::uint64_t& limit) { return GetSoft(RLIMIT_NOFILE, limit); }

bool SetOpenDescriptorLimit(std::uint64_t limit) { return SetSoft(RLIMIT_NOFILE, limit); }

bool GetFileSizeLimit(std::uint64_t& bytes) { return GetSoft(RLIMIT_FSIZE, bytes); }

bool SetFileSizeLimit(std::uint64_t bytes) {
  // The signal would end the process; ignored, the write reports EFBIG.
  std::signal(SIGXFSZ, SIG_IGN);
  return SetSoft(RLIMIT_FSIZE, bytes);
}

void IgnoreBrokenPipes() { std::signal(SIGPIPE, SIG_IGN); }

} // namespace QZ::Platform
