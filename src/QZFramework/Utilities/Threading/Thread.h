#pragma once
// One platform thread, created suspended: its function runs only once the
// thread is started (or released by a Join). Joins take milliseconds.

#include <cstdint>
#include <memory>

namespace QZ {

class Thread {
public:
  // Takes the user data; the result is the thread's exit code.
  using Function = std::uint32_t (*)(void* userData);

  static constexpr std::uint32_t kTeardownJoinTimeout = 60000;

  // teardownJoinMs bounds the destructor's join; a thread still running after it
  // is detached and reported, since it cannot be killed safely.
  Thread(Function function, void* userData, std::uint32_t teardownJoinMs = kTeardownJoinTimeout);
  Thread(const Thread&) = delete;
  Thread& operator=(const Thread&) = delete;
  virtual ~Thread();

  // False unless this call moved the thread out of its suspended start.
  bool Start();
  // True once the function has returned, or when the thread could not be created.
  bool IsFinished();
  // Releases a thread that was never started, then waits up to ms for its
  // function to return. A thread joining itself gets false at once.
  bool Join(std::uint32_t ms);

  // Priorities on the classic scale: idle -15, lowest -2 ... normal 0 ... highest 2,
  // time-critical 15; each is a nice value of the thread (2 is -10). True only when
  // the thread runs at it afterwards: raising a thread needs a privilege most users
  // lack, and a thread that has ended has no priority to change. GetPriority reports
  // the last priority applied.
  bool SetPriority(int priority);
  int GetPriority() const;
  // The system has no dynamic priority boost to switch: switching it off succeeds,
  // switching it on fails.
  bool EnablePriorityBoost(bool enable);

private:
  struct Record;
  static void Run(std::shared_ptr<Record> record);

  // Shared with the running thread, so a detached thread never outlives it.
  std::shared_ptr<Record> mRecord;
  std::uint32_t mTeardownJoinMs;
};

} // namespace QZ
