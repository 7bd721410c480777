#pragma once
// Waiting for a splash screen's descriptors: the owner's wake signal and the display connection. Private to
// Platform/Splash.

#include <cstdint>

namespace QZ::Platform {

// Waits until either descriptor (-1: none) is readable or timeoutMs passes (negative: no limit); true when
// the display's descriptor is readable. An interrupted wait returns early.
bool WaitForReadable(int wakeHandle, int displayHandle, std::int32_t timeoutMs);

} // namespace QZ::Platform
