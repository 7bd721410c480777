#include "Platform/Dialogs/ChildProgram.h"

#include "Platform/System/Process.h"
#include "Platform/System/Spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace QZ::Platform {
namespace {

constexpr int kPollSliceMs = 10;

} // namespace

ChildProgram::~ChildProgram() {
  if (mPid > 0) {
    ::kill(mPid, SIGKILL);
    int status = 0;
    while (::waitpid(mPid, &status, 0) < 0 && errno == EINTR) {
    }
    mPid = 0;
  }
  CloseOutput();
}

bool ChildProgram::Start(const std::string& program, const std::vector<std::string>& args, bool captureOutput,
                         const std::vector<std::string>& environment) {
  if (mPid > 0) {
    mError = "a program is running already";
    return false;
  }
  mOutput.clear();
  mError.clear();
  mExitCode = -1;
  mMissing = false;
  CloseOutput();

  int pipeFds[2] = {-1, -1};
  if (captureOutput && ::pipe2(pipeFds, O_CLOEXEC) != 0) {
    mError = std::string("no pipe for ") + program + ": " + std::strerror(errno);
    return false;
  }
  const SpawnResult started = SpawnChild(program, args, environment, SpawnLookup::kSearchPath,
                                         captureOutput ? pipeFds[1] : kSpawnOutputDiscarded);
  if (captureOutput)
    ::close(pipeFds[1]);
  if (started.pid == 0) {
    if (captureOutput)
      ::close(pipeFds[0]);
    mMissing = started.error == ENOENT;
    mError = mMissing ? program + " was not found" : program + ": " + std::strerror(started.error);
    return false;
  }
  mPid = started.pid;
  if (captureOutput) {
    mOutputFd = pipeFds[0];
    ::fcntl(mOutputFd, F_SETFL, ::fcntl(mOutputFd, F_GETFL) | O_NONBLOCK);
  }
  return true;
}

void ChildProgram::ReadOutput() {
  if (mOutputFd < 0)
    return;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(mOutputFd, buffer, sizeof buffer);
    if (count > 0) {
      const std::size_t room = kMaxOutput - std::min(kMaxOutput, mOutput.size());
      mOutput.append(buffer, std::min(room, static_cast<std::size_t>(count)));
      continue;
    }
    if (count < 0 && errno == EINTR)
      continue;
    if (count == 0)
      CloseOutput(); // every writer has gone
    return;
  }
}

void ChildProgram::CloseOutput() {
  if (mOutputFd >= 0)
    ::close(mOutputFd);
  mOutputFd = -1;
}

bool ChildProgram::Poll() {
  ReadOutput();
  if (mPid <= 0)
    return true;
  int status = 0;
  const pid_t done = ::waitpid(mPid, &status, WNOHANG);
  if (done == 0 || (done < 0 && errno == EINTR))
    return false;
  mExitCode = done == mPid ? ExitCodeOfStatus(status) : -1;
  mPid = 0;
  // What it wrote before it ended is in the pipe still.
  ReadOutput();
  CloseOutput();
  return true;
}

bool ChildProgram::Wait(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!Poll()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollSliceMs));
  }
  return true;
}

void ChildProgram::Detach() {
  CloseOutput();
  if (mPid <= 0)
    return;
  const int pid = mPid;
  mPid = 0;
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
}

} // namespace QZ::Platform
