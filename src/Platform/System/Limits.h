#pragma once
// Limits the system sets on this process, and the process-wide signal settings that go with them. Tests lower
// the limits to see how objects behave when the system hands out no more descriptors, or refuses to let a file
// grow (the way a full disk does).

#include <cstdint>

namespace QZ::Platform {

// The soft limit on open descriptors.
bool GetOpenDescriptorLimit(std::uint64_t& limit);
bool SetOpenDescriptorLimit(std::uint64_t limit);

// The soft limit on the size of a file this process writes. While a limit is set
// through this call, a write past it fails with an error instead of ending the process.
bool GetFileSizeLimit(std::uint64_t& bytes);
bool SetFileSizeLimit(std::uint64_t bytes);

// From now on a write to a pipe or socket whose reader has gone fails with EPIPE instead of ending the process.
// Libraries we do not own write to their servers' sockets from threads of their own (libjack to a JACK server
// that stopped) and never ask for that themselves.
void IgnoreBrokenPipes();

} // namespace QZ::Platform
