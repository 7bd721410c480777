#pragma once
// A stand-in for the root window of a native window in the tests: a
// distributor that sends "NID_IDLE" when an idle pass asks for it, a native
// window that records its title and answers whether it is active, and the
// root-control bookkeeping of the real root window (the control's reference
// back to the window is counted as an inner reference, so dropping the window
// frees the pair). The window services record their calls (resizes, hit tests,
// invalidations) for the test.
//
// It also routes input as the application's root window does, so tests can
// script a session: presses, double clicks and releases (with the buttons-down
// state and the double-click bit per button), moves with hover tracking, the
// wheel with its fall-back to the focused control, keys to the focused
// control; hit tests go through the root control, and the capture, the focus
// and the cursor are kept here.

#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/InputParams.h"
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
  bool HasHoverControl() override { return mHover || mHoverControl; }
  RCPtr<LControl> GetHoverControl() override { return mHoverControl; }
  QZRESULT GetControlAtPoint(RCPtr<LControl>& control, const PointT<std::int32_t>& point,
                             PointT<std::int32_t>& local, bool hoverUpdate) override {
    mHitTests.push_back(point);
    control = RCPtr<LControl>();
    local = {0, 0};
    if (mRootControl) {
      const PointT<std::int32_t> origin =
          PointT<double>{mRootControl->GetBounds().x, mRootControl->GetBounds().y}.RoundToLong();
      std::int32_t z = LControl::kNotFloating;
      control = mRootControl->HitTest({point.x - origin.x, point.y - origin.y}, true, local, z);
    }
    if (hoverUpdate && control != mHoverControl) {
      const RCPtr<LControl> old = std::move(mHoverControl);
      mHoverControl = control;
      if (old)
        old->OnMouseLeave();
      if (control)
        control->OnMouseEnter();
    }
    return S_OK;
  }

  QZRESULT SetCaptureControl(const RCPtr<LControl>& control) override {
    if (!control)
      return E_INVALIDARG;
    if (mCapture && mCapture != control) {
      const RCPtr<LControl> old = mCapture;
      static_cast<UITarget*>(old.GetRaw())->EndCapture();
    }
    mCapture = control;
    return S_OK;
  }
  QZRESULT ClearCaptureControl() override {
    mCapture = RCPtr<LControl>();
    return S_OK;
  }
  RCPtr<LControl> GetCaptureControl() override { return mCapture; }
  QZRESULT SetFocusedControl(const RCPtr<LControl>& control) override {
    mFocused = control;
    return S_OK;
  }
  QZRESULT ClearFocusedControl() override {
    mPreviousFocused = std::move(mFocused);
    mFocused = RCPtr<LControl>();
    return S_OK;
  }
  CursorID SetCursor(CursorID cursor) override {
    const CursorID previous = mCursorShown;
    mCursorShown = cursor;
    mCursorLog.push_back(cursor);
    return previous;
  }
  // One window: the focus wraps to the first (Shift: last) control of the tree.
  void TabToNextWindow(const RCPtr<LKeyParam>& key) override {
    ++mTabsOut;
    if (!mRootControl || !key)
      return;
    const RCPtr<LControl> root = mRootControl;
    static_cast<UITarget*>(root.GetRaw())->KillFocus();
    root->SetFocus((key->mKey.Bits() & kKeyShift) == 0);
  }

  // Hot keys: the keys bound here (packed codes) and the commands they gave,
  // logged as "<name>.hotkey:<id>" (a key) and "<name>.command:<id>" (a menu command).
  std::int32_t ProcessHotKey(const KeyCode& key) override {
    for (const auto& [packed, id] : mHotKeys)
      if (packed == key.mPacked) {
        mLog->push_back(mName + ".hotkey:" + id);
        return S_OK;
      }
    return S_FALSE;
  }
  bool HasHotKey(const WideString& id) override {
    for (const auto& binding : mHotKeys)
      if (binding.second == id.ToNarrow().GetChars())
        return true;
    return false;
  }
  void DeliverHotKeyCommand(const WideString& id) override {
    mLog->push_back(mName + ".command:" + id.ToNarrow().GetChars());
  }

  // Logged as "<name>.textInput:on" or ":off".
  void SetTextInputFocus(bool gained, const RCPtr<LControl>&, std::int32_t) override {
    mLog->push_back(mName + (gained ? ".textInput:on" : ".textInput:off"));
  }

  // ---- Scripted input, routed as the root window routes it.

  // A press (doubleClick: the second press of a double click).
  QZRESULT Press(std::uint32_t button, const PointT<std::int32_t>& point, bool doubleClick = false,
                 std::uint32_t modifiers = 0) {
    mButtons |= button;
    mCursor = point;
    if (doubleClick)
      mDoubleClickBits |= button;
    else
      mDoubleClickBits &= ~button;
    RCPtr<LControl> target;
    PointT<std::int32_t> local{};
    if (mCapture) {
      target = mCapture;
      local = ToControl(*target, point);
    } else {
      GetControlAtPoint(target, point, local, true);
    }
    if (!target)
      return S_FALSE;
    return static_cast<UITarget*>(target.GetRaw())
        ->OnMouseDown(LMouseButtonParam::Create(button, local, modifiers, doubleClick ? 1 : 0, mButtons, 0));
  }
  // A release: only the capture holder hears it.
  QZRESULT Release(std::uint32_t button, const PointT<std::int32_t>& point, std::uint32_t modifiers = 0) {
    mButtons &= ~button;
    mCursor = point;
    const std::uint32_t doubleClick = (mDoubleClickBits & button) != 0 ? 1 : 0;
    mDoubleClickBits &= ~button;
    if (!mCapture)
      return S_FALSE;
    const RCPtr<LControl> target = mCapture;
    return static_cast<UITarget*>(target.GetRaw())
        ->OnMouseUp(
            LMouseButtonParam::Create(button, ToControl(*target, point), modifiers, doubleClick, mButtons, 0));
  }
  QZRESULT Click(std::uint32_t button, const PointT<std::int32_t>& point) {
    Press(button, point);
    return Release(button, point);
  }
  QZRESULT Move(const PointT<std::int32_t>& point, std::uint32_t modifiers = 0) {
    mCursor = point;
    RCPtr<LControl> found;
    PointT<std::int32_t> local{};
    GetControlAtPoint(found, point, local, true);
    RCPtr<LControl> target = found;
    if (mCapture) {
      target = mCapture;
      local = ToControl(*target, point);
    }
    if (!target)
      return S_FALSE;
    return static_cast<UITarget*>(target.GetRaw())
        ->OnMouseMove(LPointWithModifiersParam::Create(local, modifiers, 0));
  }
  // One wheel step; the focused control gets it when nobody under the pointer used it.
  QZRESULT Wheel(const PointT<std::int32_t>& point, std::uint32_t direction, std::uint32_t modifiers = 0) {
    const RCPtr<LMouseWheelParam> param = LMouseWheelParam::Create(point, modifiers, direction);
    const bool horizontal = direction != kWheelDown && direction != kWheelUp;
    const auto offer = [&](const RCPtr<LControl>& control) {
      UITarget* target = control.GetRaw();
      return horizontal ? target->OnMouseHorizontalWheel(param) : target->OnMouseWheel(param);
    };
    RCPtr<LControl> target = mCapture;
    if (!target) {
      PointT<std::int32_t> local{};
      GetControlAtPoint(target, point, local, false);
    }
    QZRESULT result = target ? offer(target) : S_FALSE;
    if (result == S_FALSE && mFocused)
      result = offer(mFocused);
    return result;
  }
  // A key down to the focused control.
  void Key(std::uint8_t virtualKey, std::uint32_t modifiers = 0) {
    if (const RCPtr<LControl> focused = mFocused)
      static_cast<UITarget*>(focused.GetRaw())
          ->OnKey(LKeyParam::Create(KeyCode(virtualKey, true, 0, modifiers), 1));
  }

  // A client point in a control's coordinates.
  static PointT<std::int32_t> ToControl(const LControl& control, const PointT<std::int32_t>& point) {
    const PointT<std::int32_t> origin = control.GetPositionInRoot().RoundToLong();
    return {point.x - origin.x, point.y - origin.y};
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
    mPreviousFocused = RCPtr<LControl>();
    mCapture = RCPtr<LControl>();
    mHoverControl = RCPtr<LControl>();
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
  RCPtr<LControl> mPreviousFocused;
  RCPtr<LControl> mCapture;
  RCPtr<LControl> mHoverControl;
  CursorID mCursorShown = 0;
  std::vector<CursorID> mCursorLog;
  std::uint32_t mDoubleClickBits = 0;
  std::int32_t mTabsOut = 0;
  std::vector<std::pair<std::int32_t, std::string>> mHotKeys;

private:
  RCPtr<LControl> mRootControl;
};

} // namespace QZ::test
