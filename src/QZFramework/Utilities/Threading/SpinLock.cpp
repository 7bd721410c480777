#include "QZFramework/Utilities/Threading/SpinLock.h"

#include <thread>

namespace QZ {

void SpinLock::Lock() {
  if (mState.exchange(1) == 0)
    return;
  // Claim state 2 so the holder's unlock knows to wake a sleeper.
  while (mState.exchange(2) != 0) {
    // A pending signal lets one sleeper through to re-check; an event that
    // could not be created degrades to yielding instead of sleeping.
    if (mEvent.Wait(kInfinite) != kWaitSignalled)
      std::this_thread::yield();
  }
}

void SpinLock::Unlock() {
  if (mState.exchange(0) == 2)
    mEvent.Set();
}

} // namespace QZ
