#pragma once
// A stand-in for the root window of a native window in the tests: a
// distributor that sends "NID_IDLE" when an idle pass asks for it, a native
// window that records its title and answers whether it is active, and the
// root-control bookkeeping of the real root window (the control's reference
// back to the window is counted as an inner reference, so dropping the window
// frees the pair). The window services record their calls (resizes, hit tests,
// invalidations) for the test.

#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/Renderer/Renderer.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace QZ::test {

class FakeWindowOSServices : public IWindowOSServices {
public:
  void SetTitle(const WideString& title) override {
    mTitle = title;
    ++mTitleCount;
  }
  bool IsActive() override { return mActive; }
  PointT<std::int32_t> ClientToScreen(const PointT<std::int32_t>& client) override {
    return {client.x + mClientOrigin.x, client.y + mClientOrigin.y};
  }
  void InvalidateAll() override { ++mInvalidateAllCount; }
  void InvalidateRect(const RectT<std::int32_t>& rect) override { mNativeInvalidated.push_back(rect); }
  void GetClientRect(RectT<std::int32_t>& out) override { out = {0, 0, mClientSize.width, mClientSize.height}; }
  PointT<std::int32_t> ScreenToClient(const PointT<std::int32_t>& screen) override {
    return {screen.x - mClientOrigin.x, screen.y - mClientOrigin.y};
  }
  QZRESULT SetClientBounds(const RectT<std::int32_t>& bounds) override {
    mClientOrigin = {bounds.x, bounds.y};
    mClientSize = {bounds.width, bounds.height};
    return S_OK;
  }
  QZRESULT RedrawNow() override {
    ++mRedrawCount;
    return S_OK;
  }
  QZRESULT EndModal(std::int32_t result) override {
    mEndModalResults.push_back(result);
    return S_OK;
  }
  bool IsInModalLoop() override { return mInModalLoop; }
  bool HasFocus() override { return mHasFocus; }
  QZRESULT SetFocus() override {
    ++mSetFocusCount;
    return S_OK;
  }
  std::uintptr_t SetCursor(std::uintptr_t cursor) override { return std::exchange(mCursor, cursor); }
  PointT<std::int32_t> GetCursorPosition() override { return mCursorPosition; }
  std::uint32_t GetMouseButtonState() override { return mButtons; }
  void EnableTextInput(bool, std::int32_t) override {}

  WideString mTitle;
  std::int32_t mTitleCount = 0;
  bool mActive = false;
  PointT<std::int32_t> mClientOrigin{};
  SizeT<std::int32_t> mClientSize{640, 480};
  std::int32_t mInvalidateAllCount = 0;
  std::vector<RectT<std::int32_t>> mNativeInvalidated;
  std::int32_t mRedrawCount = 0;
  std::vector<std::int32_t> mEndModalResults;
  bool mInModalLoop = false;
  bool mHasFocus = false;
  std::int32_t mSetFocusCount = 0;
  std::uintptr_t mCursor = 0;
  PointT<std::int32_t> mCursorPosition{};
  std::uint32_t mButtons = 0;
};

class FakeRootWindow : public IRootWindow, public LNotificationDistributor {
public:
  explicit FakeRootWindow(IWindowOSServices* window = nullptr) : mWindow(window) {}

  RCPtr<LNotificationDistributor> GetNotificationDistributor() override {
    return RCPtr<LNotificationDistributor>(this);
  }
  RCPtr<LControl> GetRootControl() override { return mRootControl; }
  IWindowOSServices* GetWindowOSServices() override { return mWindow; }
  RCPtr<LRenderer> GetRenderer() override { return mRenderer; }
  RCPtr<LControl> GetFocusedControl() override { return mFocused; }

  // One idle pass of this window: "NID_IDLE" to every subscriber when asked;
  // answers mMoreWork.
  bool ProcessIdle(bool sendIdle) override {
    mIdleCalls.push_back(sendIdle);
    mLog->push_back(mName + ".idle");
    if (sendIdle)
      Notify(LNotification::Create(u"NID_IDLE"));
    return mMoreWork;
  }
  void ProcessIdle() { ProcessIdle(true); }

  QZRESULT RequestClose(std::int32_t result) override {
    mLog->push_back(mName + ".close(" + std::to_string(result) + ")");
    ++mCloseRequests;
    return mWindow ? S_OK : E_FAIL;
  }
  QZRESULT RedrawNow() override {
    mLog->push_back(mName + ".redraw");
    return S_OK;
  }
  SizeT<std::int32_t> GetSize() override { return {mBounds.width, mBounds.height}; }
  void SetBounds(const RectT<std::int32_t>& bounds) override {
    mBounds = bounds;
    mSetBounds.push_back(bounds);
  }
  bool HasHoverControl() override { return mHover; }
  QZRESULT GetControlAtPoint(RCPtr<LControl>&, const PointT<std::int32_t>& point, PointT<std::int32_t>&,
                             bool) override {
    mHitTests.push_back(point);
    return S_OK;
  }
  std::uint32_t GetMouseButtonState() override { return mButtons; }
  PointT<std::int32_t> GetCursorPosition() override { return mCursor; }
  RectT<std::int32_t> GetBounds() override {
    mLog->push_back(mName + ".bounds");
    return mBounds;
  }
  void InvalidateRect(const RectT<std::int32_t>& rect) override {
    mLog->push_back(mName + ".invalidate");
    mInvalidated.push_back(rect);
  }
  void OnWindowFocusLost() override { mLog->push_back(mName + ".focusLost"); }
  void RestoreFocus() override { mLog->push_back(mName + ".restoreFocus"); }

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

  QZRESULT ReleaseInnerReferences() override {
    UnsubscribeAllClients();
    mFocused = RCPtr<LControl>();
    SetRootControl(RCPtr<LControl>());
    return (GetInnerRefCount() == 0 && GetRefCount() == 1) ? S_OK : E_FAIL;
  }

  IWindowOSServices* mWindow;
  RCPtr<LRenderer> mRenderer;
  RCPtr<LControl> mFocused;
  // The name the log entries carry; the log may be shared by several windows.
  std::string mName = "window";
  std::vector<std::string> mOwnLog;
  std::vector<std::string>* mLog = &mOwnLog;
  std::vector<bool> mIdleCalls;
  bool mMoreWork = false;
  std::int32_t mCloseRequests = 0;
  std::uint32_t mButtons = 0;
  PointT<std::int32_t> mCursor{};
  // The client area on screen; the resizes asked for; whether a hover control is tracked; hit tests asked for.
  RectT<std::int32_t> mBounds{0, 0, 640, 480};
  std::vector<RectT<std::int32_t>> mSetBounds;
  bool mHover = false;
  std::vector<PointT<std::int32_t>> mHitTests;
  std::vector<RectT<std::int32_t>> mInvalidated;

private:
  RCPtr<LControl> mRootControl;
};

} // namespace QZ::test
