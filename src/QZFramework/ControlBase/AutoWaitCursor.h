#pragma once
// CAutoWaitCursor: shows the wait cursor and a status text for the length of
// a scope. It holds the application's active root window (or, when none is
// active, its main window, or none), shows the wait cursor there, sets the
// status text at once and runs one idle pass so both show before the work
// starts; leaving the scope puts the previous cursor back and restores the
// status text by posting.
//
// UI thread only.

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"

namespace QZ {

class CAutoWaitCursor {
public:
  explicit CAutoWaitCursor(const char16_t* statusText);
  ~CAutoWaitCursor();
  CAutoWaitCursor(const CAutoWaitCursor&) = delete;
  CAutoWaitCursor& operator=(const CAutoWaitCursor&) = delete;

private:
  RCPtr<IRootWindow> mRootWindow;
  CursorID mPreviousCursor = 0;
};

} // namespace QZ
