#pragma once
// Keeps a helper program's dialog above its owner window when the program cannot be told its parent (zenity's
// file selection ignores --attach): once the program's window is up, it is marked transient for the owner and
// modal, as a dialog the owner opened itself would be. A window manager then keeps it above the owner, also when
// the user clicks the owner.
//
// The program's window is the one the window manager lists whose _NET_WM_PID is the program's process: the
// program is exec'd straight from the spawn, so the child's id is the dialog program's own.
//
// X11 only, on a connection of its own (XCB: its errors come back to the call, never to a process-wide handler).
// An owner without an X11 id (no owner, another window system) links nothing. The search runs from Poll, never
// waits for the window: a few requests at most every kLookEveryMs, and none after kGiveUpAfterMs.
//
// Threads: one object is used by one thread at a time.

#include <cstdint>
#include <memory>
#include <set>

namespace QZ::Platform {

class DialogOwnerLink {
public:
  static constexpr int kLookEveryMs = 100;
  // Long enough for a dialog program started on a loaded machine.
  static constexpr int kGiveUpAfterMs = 60000;

  // ownerWindow: the owner's X11 window id; 0: none.
  explicit DialogOwnerLink(std::uint64_t ownerWindow);
  ~DialogOwnerLink();
  DialogOwnerLink(const DialogOwnerLink&) = delete;
  DialogOwnerLink& operator=(const DialogOwnerLink&) = delete;

  // Whether there is an owner to link a window to.
  bool IsWanted() const { return mOwner != 0; }
  // Looks for the window of the program running as process pid when a look is due, and links it. True once
  // nothing is left to do: linked, given up, or nothing wanted.
  bool Poll(int pid);
  bool IsLinked() const { return mLinked; }

private:
  struct Connection;

  bool Look(std::uint32_t pid);

  std::uint64_t mOwner;
  std::unique_ptr<Connection> mX;
  std::set<std::uint32_t> mForeign; // windows seen that are not the program's
  std::int64_t mStartedMs;
  std::int64_t mNextLookMs;
  bool mLinked = false;
  bool mDone = false;
};

} // namespace QZ::Platform
