#pragma once
// A stand-in for the root window of a native window in the tests: a
// distributor that sends "NID_IDLE" when the test runs an idle pass, a native
// window that records its title, client bounds and cursor the test sets (with
// the resizes and hit tests it was asked for), and the root-control bookkeeping of the real
// root window (the control's reference back to the window is counted as an
// inner reference, so dropping the window frees the pair).

#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationDistributor.h"

#include <cstdint>
#include <vector>

namespace QZ::test {

class FakeWindowOSServices : public IWindowOSServices {
public:
  void SetTitle(const WideString& title) override {
    mTitle = title;
    ++mTitleCount;
  }

  PointT<std::int32_t> ClientToScreen(const PointT<std::int32_t>& point) override {
    return {point.x + mScreenOrigin.x, point.y + mScreenOrigin.y};
  }

  WideString mTitle;
  std::int32_t mTitleCount = 0;
  PointT<std::int32_t> mScreenOrigin{};
};

class FakeRootWindow : public IRootWindow, public LNotificationDistributor {
public:
  explicit FakeRootWindow(IWindowOSServices* window = nullptr) : mWindow(window) {}

  RCPtr<LNotificationDistributor> GetNotificationDistributor() override {
    return RCPtr<LNotificationDistributor>(this);
  }
  RCPtr<LControl> GetRootControl() override { return mRootControl; }
  IWindowOSServices* GetWindowOSServices() override { return mWindow; }
  SizeT<std::int32_t> GetSize() override { return {mBounds.width, mBounds.height}; }
  RectT<std::int32_t> GetBounds() override { return mBounds; }
  void SetBounds(const RectT<std::int32_t>& bounds) override {
    mBounds = bounds;
    mSetBounds.push_back(bounds);
  }
  PointT<std::int32_t> GetCursorPosition() override { return mCursor; }
  bool HasHoverControl() override { return mHover; }
  QZRESULT GetControlAtPoint(RCPtr<LControl>&, const PointT<std::int32_t>& point, PointT<std::int32_t>&,
                             bool) override {
    mHitTests.push_back(point);
    return S_OK;
  }

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
  // The client area on screen, the cursor in it, whether a hover control is tracked.
  RectT<std::int32_t> mBounds{0, 0, 640, 480};
  std::vector<RectT<std::int32_t>> mSetBounds;
  PointT<std::int32_t> mCursor{};
  bool mHover = false;
  std::vector<PointT<std::int32_t>> mHitTests;

private:
  RCPtr<LControl> mRootControl;
};

} // namespace QZ::test
