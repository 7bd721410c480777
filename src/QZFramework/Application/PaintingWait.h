#pragma once
// The UI thread's wait for a dialog of another program (a message box, the shell's opener) that keeps the
// application's windows painting: a nested loop of the application host in which the windows take no input
// (they get it back however the wait ends) and what becomes invalid is painted, without idle work, so that
// nothing the dialog's caller is in the middle of runs again meanwhile. A quit request ends the wait early.
// The application object installs it as the platform's modal wait (Platform/Dialogs/ModalWait.h).
//
// Threads: the UI thread; a helper thread wakes the loop so that the dialog is polled while no event comes.

#include "Platform/Window/WindowTypes.h"

#include <functional>

namespace QZ {

// Polls done until it answers true (true) or a quit request ends the wait (false). Without a running
// application host it polls and sleeps in between.
bool PaintingWait(const std::function<bool()>& done);

// The window a dialog is placed over: the native window of the active root window, else of the first root
// window; kNoWindow without one.
Platform::WindowId GetDialogOwnerWindow();

} // namespace QZ
