#pragma once
// The UI thread's wait for a helper program that it must hear from before it goes on (a message box, the
// shell's opener). The helper runs in a process of its own; the wait only polls whether it has finished.
//
// By default the wait polls and sleeps in between. An application with windows installs a wait of its own
// that keeps them painting while it polls (a nested loop of its host), and that may give up early when the
// application is quitting.
//
// Threads: waits run on the UI thread; installing one is safe from any thread.

#include <functional>

namespace QZ::Platform {

// Polls done until it answers true, and answers true then; false when the wait gave up first.
using ModalWait = std::function<bool(const std::function<bool()>& done)>;

// The pause between two polls of the default wait, and the longest a wait should go without polling.
inline constexpr int kModalPollMs = 20;

// Installs a wait (null: the polling one) and returns the one it replaces.
ModalWait SetModalWait(ModalWait wait);
// Waits through the installed wait.
bool WaitModally(const std::function<bool()>& done);
// The default: polls done every kModalPollMs until it answers true; never gives up.
bool PollUntilDone(const std::function<bool()>& done);

} // namespace QZ::Platform
