#pragma once
// Child processes: started with a few more environment entries, their output discarded, and stopped within a time
// limit. For tests that need a server or a peer of their own.
//
// Thread safety: any thread; a process is stopped by one thread only.

#include <cstdint>
#include <string>
#include <vector>

namespace QZ::Platform {

using ProcessId = int;

// Starts program (a path) with args, our environment plus environment ("NAME=value"), and its standard output and
// error going nowhere; it inherits nothing else of this process (SpawnChild). 0 when it cannot be started.
ProcessId StartProcess(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& environment = {});
// Whether it still runs (an ended process stays to be collected).
bool IsProcessRunning(ProcessId process);
inline constexpr int kProcessStillRunning = -2;
// Waits up to timeoutMs for it to end and collects it: as StopProcess, or kProcessStillRunning.
int WaitForProcess(ProcessId process, int timeoutMs);
// Asks it to end, kills it after graceMs, and collects it: its exit code, 128 + the signal that ended it, or -1.
int StopProcess(ProcessId process, int graceMs);
// The code of a wait status from waitpid: the exit code, 128 + the signal that ended it, or -1.
int ExitCodeOfStatus(int status);
// The peak resident set, in KiB, of the largest child process collected so far (0 before any): a child's
// memory is measured by collecting it (WaitForProcess, StopProcess) and asking after.
std::uint64_t GetLargestChildPeakResidentKb();
// The path of a program on PATH, or "".
std::string FindProgram(const std::string& name);

} // namespace QZ::Platform
