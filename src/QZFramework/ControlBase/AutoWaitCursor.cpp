#include "QZFramework/ControlBase/AutoWaitCursor.h"

#include "QZFramework/Utilities/Storage/StringT.h"

namespace QZ {

CAutoWaitCursor::CAutoWaitCursor(const char16_t* statusText) {
  IFrameworkApp* app = GetFrameworkApp();
  if (!app)
    return;
  mRootWindow = app->GetActiveRootWindow();
  if (!mRootWindow)
    mRootWindow = app->GetRootWindow(0);
  if (mRootWindow)
    mPreviousCursor = mRootWindow->SetCursor(app->GetCursor(WideString(u"UI_CURSOR_WAIT")));
  // Without a status bar there is nothing to show: the result does not matter.
  static_cast<void>(app->SetStatusText(WideString(statusText ? statusText : u""), true));
  app->ProcessIdle(true);
}

CAutoWaitCursor::~CAutoWaitCursor() {
  if (mRootWindow)
    mRootWindow->SetCursor(mPreviousCursor);
  if (IFrameworkApp* app = GetFrameworkApp())
    static_cast<void>(app->RefreshStatusText(false));
  mRootWindow = RCPtr<IRootWindow>();
}

} // namespace QZ
