#pragma once
// Limits the system sets on this process. Tests lower them to see how objects behave
// when the system hands out no more descriptors, or refuses to let a file grow (the
// way a full disk does).

#include <cstdint>

namespace QZ::Platform {

// The soft limit on open descriptors.
bool GetOpenDescriptorLimit(std::uint64_t& limit);
bool SetOpenDescriptorLimit(std::uint64_t limit);

// The soft limit on the size of a file this process writes. While a limit is set
// through this call, a write past it fails with an error instead of ending the process.
bool GetFileSizeLimit(std::uint64_t& bytes);
bool SetFileSizeLimit(std::uint64_t bytes);

} // namespace QZ::Platform
