#pragma once
// A stand-in for the root window of a native window in the tests: a
// distributor that sends "NID_IDLE" when the test runs an idle pass, a native
// window that records its title, and the root-control bookkeeping of the real
// root window (the control's reference back to the window is counted as an
// inner reference, so dropping the window frees the pair).

#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationDistributor.h"

#include <cstdint>

namespace QZ::test {

class FakeWindowOSServices : public IWindowOSServices {
public:
  void SetTitle(const WideString& title) override {
    mTitle = title;
    ++mTitleCount;
  }

  WideString mTitle;
  std::int32_t mTitleCount = 0;
};

class FakeRootWindow : public IRootWindow, public LNotificationDistributor {
public:
  explicit FakeRootWindow(IWindowOSServices* window = nullptr) : mWindow(window) {}

  RCPtr<LNotificationDistributor> GetNotificationDistributor() override {
    return RCPtr<LNotificationDistributor>(this);
  }
  RCPtr<LControl> GetRootControl() override { return mRootControl; }
  IWindowOSServices* GetWindowOSServices() override { return mWindow; }

  // Installs a tree as the real root window does: the old root control is
  // closed, the new one attached when it is not yet.
  void SetRootControl(const RCPtr<LControl>& control) {
    if (mRootControl) {
      AddInnerReferences(-1);
      const RCPtr<LControl> old = std::move(mRootControl);
      old->Close();
    }
    if (!control)
      return;
    mRootControl = control;
    if (!control->GetRootWindow())
      control->SetRootWindow(RCPtr<IRootWindow>(this));
    AddInnerReferences(1);
  }

  // One idle pass of this window: "NID_IDLE" to every subscriber.
  void ProcessIdle() { Notify(LNotification::Create(u"NID_IDLE")); }

  QZRESULT ReleaseInnerReferences() override {
    UnsubscribeAllClients();
    SetRootControl(RCPtr<LControl>());
    return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? S_OK : E_FAIL;
  }

  IWindowOSServices* mWindow;

private:
  RCPtr<LControl> mRootControl;
};

} // namespace QZ::test
