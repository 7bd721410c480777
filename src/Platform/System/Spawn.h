#pragma once
// Starting a child program that inherits nothing of this process but what it is given: its arguments, our
// environment with the caller's entries in place, and three standard descriptors.
//
// - Descriptors: standard input reads /dev/null, standard output goes to the caller's descriptor or to
//   /dev/null, standard error to /dev/null; every other descriptor is closed in the child, whether it has
//   close-on-exec or not (libraries we do not own open sockets without it, and a child that kept a JACK
//   client's socket would keep that client alive on its server).
// - Signals: the child starts with no signal blocked and every signal it may catch at its default action,
//   whatever this process ignores (the JACK backend ignores SIGPIPE for the whole process) or the calling
//   thread blocks.
// - Environment: the inherited one without the user's ZENITY_* and DIALOG_* variables (they change the exit
//   codes of the dialog programs we read), with each "NAME=value" entry of the caller replacing the inherited
//   one of that name or added.
//
// The child is started with posix_spawn, which execs the program at once: no copy of this process ever runs
// code of its own or of a library (a fork of a threaded process can stop for ever on a lock that another
// thread held at the fork).
//
// Threads: any thread. The environment is read while starting; nobody may change it meanwhile.

#include <string>
#include <vector>

namespace QZ::Platform {

// How the program is found.
enum class SpawnLookup {
  kExactPath,  // the program is a path, used as given
  kSearchPath, // a name without '/' is looked up on PATH
};

// Where the child's standard output goes when no descriptor is given.
inline constexpr int kSpawnOutputDiscarded = -1;

struct SpawnResult {
  int pid = 0;   // the child's process id; 0 when it did not start
  int error = 0; // why it did not start: the system's error number (ENOENT: no such program)
};

// Starts program with args (argv[0] is program), environment as above, and its standard output on
// outputFd (kept open here: the caller closes its copy) or discarded.
SpawnResult SpawnChild(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& environment, SpawnLookup lookup,
                       int outputFd = kSpawnOutputDiscarded);

// The child's environment from inherited (a null-ended list of "NAME=value" entries, as environ) and the
// caller's entries, as described above. The caller's own ZENITY_* or DIALOG_* entries are kept: they are
// meant.
std::vector<std::string> ChildEnvironment(const char* const* inherited, const std::vector<std::string>& entries);

} // namespace QZ::Platform
