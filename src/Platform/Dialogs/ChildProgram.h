#pragma once
// A helper program run beside the UI (the file chooser, message boxes, the shell's opener): started from PATH
// with its standard output captured or discarded, watched without blocking, and stopped when its owner lets go
// of it while it still runs. Its standard input and error go nowhere, and it inherits nothing else of this
// process: no other descriptor, no blocked or ignored signal, none of the user's ZENITY_* / DIALOG_*
// variables (SpawnChild).
//
// Threads: one object is used by one thread at a time. Detach hands a running child to a thread of its own
// that collects it when it ends.

#include <cstddef>
#include <string>
#include <vector>

namespace QZ::Platform {

class ChildProgram {
public:
  // Captured output beyond this is dropped (a path list is far shorter).
  static constexpr std::size_t kMaxOutput = 1 << 20;

  ChildProgram() = default;
  ChildProgram(const ChildProgram&) = delete;
  ChildProgram& operator=(const ChildProgram&) = delete;
  // A child still running is killed and collected.
  ~ChildProgram();

  // Starts program, looked up on PATH, with args, in this process's environment with the "NAME=value" entries
  // of environment added or replacing theirs. False when it cannot be started (GetError says why:
  // "<program> was not found" when PATH has no such program, and IsMissing is true).
  bool Start(const std::string& program, const std::vector<std::string>& args, bool captureOutput,
             const std::vector<std::string>& environment = {});
  // Takes what output is there and looks whether the child ended; true once it has (and was collected).
  bool Poll();
  // Polls until the child ends or timeoutMs passes; whether it ended.
  bool Wait(int timeoutMs);
  // Leaves a running child running: a thread of its own collects it when it ends.
  void Detach();

  // The exit code once ended: the program's, 128 + the signal that ended it.
  int GetExitCode() const { return mExitCode; }
  const std::string& GetOutput() const { return mOutput; }
  const std::string& GetError() const { return mError; }
  bool IsRunning() const { return mPid > 0; }
  // The running child's process id (the program's own: it is exec'd straight from the spawn); 0 when none runs.
  int GetProcessId() const { return mPid; }
  // Whether the last Start failed because PATH has no such program.
  bool IsMissing() const { return mMissing; }

private:
  void ReadOutput();
  void CloseOutput();

  int mPid = 0;
  int mOutputFd = -1;
  int mExitCode = -1;
  bool mMissing = false;
  std::string mOutput;
  std::string mError;
};

} // namespace QZ::Platform
