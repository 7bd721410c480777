// Mouse input, capture, clicks, wheel, cursors and focus of the base control,
// driven through a scripted root window that routes events as the
// application's root window does.

#include "QZFramework/ControlBase/ControlTreeFixture.h"

#include "QZFramework/ControlBase/AutoWaitCursor.h"
#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationClient.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::ControlTreeFixture;
using test::FakeRootWindow;
using test::TestControl;

using Log = std::vector<std::string>;

// A control with one look that is opaque (or transparent) everywhere, placed
// at a rectangle of its parent, logging its hooks.
class Probe : public TestControl {
public:
  Probe(const RCPtr<LControl>& parent, const char16_t* name, const RectT<double>& bounds, Log* log)
      : TestControl(parent, WideString(name)), mLog(log) {
    SetLayout(MakeRCPtr<LLayoutDescriptor>());
    mBounds = bounds;
    AddLook(RCPtr<LLook>());
    SetLookWeight(0, 1.0f, true);
    SetFocusFlags(false, false);
  }

  std::uint32_t GetLookColorAtPoint(const PointT<std::int32_t>&, std::int32_t) const override {
    return mTransparent ? 0x00FFFFFFu : 0xFF000000u;
  }
  void HandleLeftButtonDown(const RCPtr<LMouseButtonParam>&) override { Add("leftDown"); }
  void HandleRightButtonDown(const RCPtr<LMouseButtonParam>&) override { Add("rightDown"); }
  void HandleLeftButtonUp(const RCPtr<LMouseButtonParam>&) override { Add("leftUp"); }
  void HandleRightButtonUp(const RCPtr<LMouseButtonParam>&) override { Add("rightUp"); }
  void HandleLeftClick(const RCPtr<LMouseButtonParam>& param) override {
    Add("leftClick" + std::string(param->mDoubleClick ? "(double)" : ""));
  }
  void HandleRightClick(const RCPtr<LMouseButtonParam>&) override { Add("rightClick"); }
  QZRESULT HandleMouseWheel(const RCPtr<LMouseWheelParam>&) override {
    Add("wheel");
    return mWheelResult;
  }
  QZRESULT EndCapture() override {
    if (IsCaptured())
      Add("endCapture");
    return LControl::EndCapture();
  }
  QZRESULT BeginCapture(std::int32_t button, PointT<std::int32_t> point) override {
    const QZRESULT result = LControl::BeginCapture(button, point);
    if (result == S_OK)
      Add("capture");
    return result;
  }

  void Place(double x, double y) {
    mBounds.x = x;
    mBounds.y = y;
  }
  void SetZ(std::int32_t z) {
    mLayout->mZOrder = z;
    if (mParent)
      mParent->GetChildren().AdvanceChangeStamp();
  }
  void SetTabStop(std::int32_t tabStop) {
    mLayout->mTabStop = tabStop;
    if (mParent)
      mParent->GetChildren().AdvanceChangeStamp();
  }
  void Add(const std::string& what) {
    if (mLog)
      mLog->push_back(Narrow(GetName()) + "." + what);
  }
  static std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

  bool mTransparent = false;
  QZRESULT mWheelResult = S_FALSE;
  Log* mLog;
};

// Logs "name:NID_..." for the notifications of one control.
class Listener : public LNotificationClient {
public:
  Listener(std::string name, Log* log) : mName(std::move(name)), mLog(log) {}
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    std::string entry = mName + ":";
    for (const char16_t* c = notification->GetID(); *c; ++c)
      entry += static_cast<char>(*c);
    if (const auto button = DynamicCast<LMouseButtonParam>(notification->GetPayload());
        button && button->mDoubleClick)
      entry += "(double)";
    mLog->push_back(entry);
    return 0;
  }

  std::string mName;
  Log* mLog;
};

class ControlInputTest : public ControlTreeFixture {
protected:
  void SetUp() override {
    ControlTreeFixture::SetUp();
    mWindow = MakeRCPtr<FakeRootWindow>();
    mRoot = MakeProbe(RCPtr<LControl>(), u"root", {0, 0, 200, 200});
    mWindow->SetRootControl(mRoot);
  }
  void TearDown() override {
    for (const auto& [control, listener] : mListeners)
      control->UnregisterClientFromAll(listener);
    mListeners.clear();
    mWindow->SetRootControl(RCPtr<LControl>());
    mRoot = RCPtr<Probe>();
    mWindow = RCPtr<FakeRootWindow>();
    ControlTreeFixture::TearDown();
  }

  RCPtr<Probe> MakeProbe(const RCPtr<LControl>& parent, const char16_t* name, const RectT<double>& bounds) {
    return RCPtr<Probe>(new Probe(parent, name, bounds, &mLog));
  }
  void Listen(const RCPtr<LControl>& control) {
    const RCPtr<Listener> listener(new Listener(Probe::Narrow(control->GetName()), &mLog));
    for (const char16_t* id : {u"NID_MOUSE_DOWN", u"NID_MOUSE_UP", u"NID_LEFT_CLICK", u"NID_RIGHT_CLICK"})
      control->RegisterClient(listener, id);
    mListeners.emplace_back(control, listener);
  }
  std::string HitName(const PointT<std::int32_t>& point) {
    RCPtr<LControl> found;
    PointT<std::int32_t> local{};
    mWindow->GetControlAtPoint(found, point, local, false);
    return found ? Probe::Narrow(found->GetName()) : "none";
  }
  static std::string Focus(const RCPtr<LControl>& control) {
    return std::string(control->HasFocus() ? "has" : "") + (control->ContainsFocus() ? "contains" : "");
  }

  Log mLog;
  RCPtr<FakeRootWindow> mWindow;
  RCPtr<Probe> mRoot;
  std::vector<std::pair<RCPtr<LControl>, RCPtr<Listener>>> mListeners;
};

// ---------------------------------------------------------------------------
// Hit testing

TEST_F(ControlInputTest, HitTestingFindsTheTopmostVisibleOpaqueControl) {
  const auto panel = MakeProbe(mRoot, u"panel", {20, 20, 100, 100});
  const auto low = MakeProbe(panel, u"low", {0, 0, 50, 50});
  const auto high = MakeProbe(panel, u"high", {25, 25, 50, 50});
  high->SetZ(1);
  const auto outside = MakeProbe(panel, u"outside", {90, 0, 40, 20}); // runs past the panel's right edge
  const auto docked = MakeProbe(panel, u"docked", {-10, 80, 5, 5});
  docked->GetLayout()->mPlacement[LLayoutDescriptor::kAxisX].mDocked = true;
  docked->GetLayout()->mPlacement[LLayoutDescriptor::kAxisY].mDocked = true;

  const struct {
    PointT<std::int32_t> point;
    const char* expected;
  } cases[] = {
      {{5, 5}, "root"},       {{30, 30}, "low"},   {{50, 50}, "high"},    {{94, 94}, "high"},
      {{110, 30}, "outside"}, {{125, 30}, "root"}, {{119, 119}, "panel"}, {{250, 250}, "none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
    EXPECT_EQ(HitName(c.point), c.expected);
  }

  // A transparent control lets the point through; its children are still found.
  high->mTransparent = true;
  EXPECT_EQ(HitName({70, 70}), "panel");
  EXPECT_EQ(HitName({50, 50}), "low");
  const auto onHigh = MakeProbe(high, u"onHigh", {20, 20, 10, 10});
  EXPECT_EQ(HitName({70, 70}), "onHigh");
  // Hidden, disabled-looking (no weight) and excluded controls.
  high->SetLookWeight(0, 0.0f, true);
  EXPECT_EQ(HitName({70, 70}), "panel") << "without a visible look neither the control nor its children are hit";
  low->SetVisible(false);
  EXPECT_EQ(HitName({30, 30}), "panel");
  panel->SetHitTestExcluded(true);
  EXPECT_EQ(HitName({30, 30}), "root");
  panel->SetHitTestExcluded(false);
}

TEST_F(ControlInputTest, FloatingControlsAreFoundAboveEverythingInFloatingZOrder) {
  const auto left = MakeProbe(mRoot, u"left", {0, 0, 100, 200});
  const auto right = MakeProbe(mRoot, u"right", {100, 0, 100, 200});
  right->SetZ(5);
  // A drop-down of the left panel that hangs over the right one and past the root.
  const auto dropDown = MakeProbe(left, u"dropDown", {60, 10, 80, 40});
  dropDown->SetClipToParent(false);
  EXPECT_EQ(dropDown->GetFloatingZOrder(), 0);
  EXPECT_EQ(right->GetFloatingZOrder(), LControl::kNotFloating);
  EXPECT_EQ(HitName({120, 20}), "dropDown") << "floats above the later sibling of its parent";
  // A floating control of the right panel with a higher floating Z order wins.
  const auto popup = MakeProbe(right, u"popup", {0, 0, 50, 50});
  popup->SetClipToParent(false);
  popup->SetZ(3);
  EXPECT_EQ(popup->GetFloatingZOrder(), 3);
  EXPECT_EQ(HitName({120, 20}), "popup");
  EXPECT_EQ(HitName({70, 20}), "dropDown");
  dropDown->SetZ(4);
  EXPECT_EQ(HitName({120, 20}), "dropDown");
  EXPECT_TRUE(popup->IsUnclipped(false));
  const auto inPopup = MakeProbe(popup, u"inPopup", {0, 0, 5, 5});
  EXPECT_FALSE(inPopup->IsUnclipped(false));
  EXPECT_TRUE(inPopup->IsUnclipped(true));
}

// ---------------------------------------------------------------------------
// Press, release, click, capture

TEST_F(ControlInputTest, AClickGivesDownUpEndOfCaptureThenTheClick) {
  const auto button = MakeProbe(mRoot, u"button", {10, 10, 50, 20});
  Listen(button);
  mWindow->Move({20, 15});
  mLog.clear();
  EXPECT_EQ(mWindow->Press(kMouseButtonLeft, {20, 15}), S_OK);
  EXPECT_TRUE(button->IsCaptured());
  EXPECT_EQ(mWindow->mCapture, RCPtr<LControl>(button));
  EXPECT_EQ(button->GetLastLeftPress()->mPoint, (PointT<std::int32_t>{10, 5}));
  EXPECT_EQ(button->GetDragOrigin(), (PointT<double>{20, 15}));
  EXPECT_EQ(mWindow->Release(kMouseButtonLeft, {21, 16}), S_OK);
  EXPECT_EQ(mLog, (Log{"button.leftDown", "button:NID_MOUSE_DOWN", "button.capture", "button.leftUp",
                       "button:NID_MOUSE_UP", "button.endCapture", "button.leftClick", "button:NID_LEFT_CLICK"}));
  EXPECT_FALSE(button->IsCaptured());
  EXPECT_FALSE(button->GetLastLeftPress());
  EXPECT_FALSE(mWindow->mCapture);

  // A double click: a second click whose press and release carry the flag.
  mLog.clear();
  mWindow->Click(kMouseButtonLeft, {20, 15});
  mWindow->Press(kMouseButtonLeft, {20, 15}, true);
  mWindow->Release(kMouseButtonLeft, {20, 15});
  EXPECT_EQ(mLog, (Log{"button.leftDown", "button:NID_MOUSE_DOWN", "button.capture", "button.leftUp",
                       "button:NID_MOUSE_UP", "button.endCapture", "button.leftClick", "button:NID_LEFT_CLICK",
                       "button.leftDown", "button:NID_MOUSE_DOWN(double)", "button.capture", "button.leftUp",
                       "button:NID_MOUSE_UP(double)", "button.endCapture", "button.leftClick(double)",
                       "button:NID_LEFT_CLICK(double)"}));
}

TEST_F(ControlInputTest, PressingAndLeavingBeforeTheReleaseGivesNoClick) {
  const auto button = MakeProbe(mRoot, u"button", {10, 10, 50, 20});
  Listen(button);
  mWindow->Move({20, 15});
  mWindow->Press(kMouseButtonLeft, {20, 15});
  mWindow->Move({150, 150}); // the capture keeps the moves, but the pointer is not inside
  EXPECT_FALSE(button->IsMouseInside());
  mLog.clear();
  mWindow->Release(kMouseButtonLeft, {150, 150});
  EXPECT_EQ(mLog, (Log{"button.leftUp", "button:NID_MOUSE_UP", "button.endCapture"}));

  // A drag without a mode still clicks when released inside.
  mWindow->Move({20, 15});
  mWindow->Press(kMouseButtonLeft, {20, 15});
  mWindow->Move({40, 25});
  EXPECT_EQ(button->GetConditions() & LControl::kConditionLeftDragging, LControl::kConditionLeftDragging);
  mLog.clear();
  mWindow->Release(kMouseButtonLeft, {40, 25});
  EXPECT_EQ(mLog.back(), "button:NID_LEFT_CLICK");

  // Disabled during the press: no click.
  mWindow->Press(kMouseButtonLeft, {20, 15});
  button->SetEnabled(false);
  mLog.clear();
  EXPECT_EQ(mWindow->Release(kMouseButtonLeft, {20, 15}), S_OK) << "the capture holder still hears the release";
  EXPECT_EQ(mLog, (Log{"button.leftUp", "button:NID_MOUSE_UP", "button.endCapture"}));
  // ... and a disabled control ignores presses.
  EXPECT_EQ(mWindow->Press(kMouseButtonLeft, {20, 15}), S_FALSE);
  mWindow->Release(kMouseButtonLeft, {20, 15});
}

TEST_F(ControlInputTest, TheCaptureLastsWhileAnyButtonIsDown) {
  const auto button = MakeProbe(mRoot, u"button", {10, 10, 50, 20});
  const auto other = MakeProbe(mRoot, u"other", {100, 100, 50, 50});
  Listen(button);
  mWindow->Move({20, 15});
  mWindow->Press(kMouseButtonLeft, {20, 15});
  mWindow->Press(kMouseButtonRight, {120, 120}); // goes to the capture holder, not to other
  mLog.clear();
  mWindow->Release(kMouseButtonLeft, {20, 15});
  EXPECT_TRUE(button->IsCaptured());
  EXPECT_EQ(mLog, (Log{"button.leftUp", "button:NID_MOUSE_UP", "button.leftClick", "button:NID_LEFT_CLICK"}))
      << "the left click comes while the right button keeps the capture";
  mLog.clear();
  mWindow->Release(kMouseButtonRight, {20, 15});
  EXPECT_FALSE(button->IsCaptured());
  EXPECT_EQ(mLog, (Log{"button.rightUp", "button:NID_MOUSE_UP", "button.endCapture"}));

  // Giving the capture to another control ends the holder's first.
  mWindow->mButtons = kMouseButtonLeft;
  EXPECT_EQ(static_cast<UITarget*>(button.GetRaw())->BeginCapture(kMouseButtonLeft, {1, 1}), S_OK);
  mLog.clear();
  EXPECT_EQ(static_cast<UITarget*>(other.GetRaw())->BeginCapture(0, {1, 1}), S_OK);
  EXPECT_EQ(mLog, (Log{"button.endCapture", "other.capture"}));
  EXPECT_EQ(static_cast<UITarget*>(other.GetRaw())->BeginCapture(0, {1, 1}), S_FALSE) << "already captured";
  EXPECT_EQ(static_cast<UITarget*>(other.GetRaw())->EndCapture(), S_OK);
  EXPECT_EQ(static_cast<UITarget*>(other.GetRaw())->EndCapture(), S_FALSE);
  // A button the window does not report as down, or no such button.
  mWindow->mButtons = 0;
  EXPECT_EQ(static_cast<UITarget*>(other.GetRaw())->BeginCapture(kMouseButtonLeft, {1, 1}), S_FALSE);
  mWindow->mButtons = 8;
  EXPECT_EQ(static_cast<UITarget*>(other.GetRaw())->BeginCapture(8, {1, 1}), S_FALSE);
  mWindow->mButtons = 0;
}

TEST_F(ControlInputTest, BadRecordsAreRefused) {
  UITarget& target = *mRoot;
  EXPECT_EQ(target.OnMouseDown(RCPtr<LMouseButtonParam>()), E_INVALIDARG);
  EXPECT_EQ(target.OnMouseUp(LMouseButtonParam::Create(3, {1, 1}, 0, 0, 0, 0)), E_INVALIDARG);
  EXPECT_EQ(mRoot->DispatchClick(LMouseButtonParam::Create(8, {1, 1}, 0, 0, 0, 0)), E_INVALIDARG);
  EXPECT_EQ(mRoot->OnLeftClick(RCPtr<LMouseButtonParam>()), E_INVALIDARG);
  EXPECT_EQ(target.OnMouseWheel(RCPtr<LMouseWheelParam>()), -1);
  EXPECT_TRUE(mLog.empty());
}

// ---------------------------------------------------------------------------
// Focus on press

TEST_F(ControlInputTest, APressFocusesTheFirstControlWhoseAncestorsAreAllFocusable) {
  const auto panel = MakeProbe(mRoot, u"panel", {10, 10, 100, 100});
  const auto button = MakeProbe(panel, u"button", {10, 10, 20, 20});
  const struct {
    bool rootFocusable, panelFocusable, focusIgnoresAncestors;
    const char* focused;
  } cases[] = {
      {true, true, false, "button"},
      {true, false, false, "root"},
      {false, false, false, "none"},
      {false, false, true, "button"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.focused));
    mRoot->SetFocusFlags(!c.rootFocusable, false);
    panel->SetFocusFlags(!c.panelFocusable, false);
    button->SetFocusFlags(false, c.focusIgnoresAncestors);
    mWindow->Click(kMouseButtonLeft, {25, 25});
    EXPECT_EQ(mWindow->mFocused ? Probe::Narrow(mWindow->mFocused->GetName()) : "none", c.focused);
    if (mWindow->mFocused)
      static_cast<UITarget*>(mRoot.GetRaw())->KillFocus();
    EXPECT_FALSE(mWindow->mFocused);
  }
}

// ---------------------------------------------------------------------------
// Wheel

TEST_F(ControlInputTest, TheWheelClimbsTheParentsAndLooksThroughFloatingControls) {
  const auto list = MakeProbe(mRoot, u"list", {0, 0, 100, 200});
  const auto item = MakeProbe(list, u"item", {0, 0, 100, 20});
  const auto other = MakeProbe(mRoot, u"other", {100, 0, 100, 200});
  const auto dropDown = MakeProbe(list, u"dropDown", {90, 30, 60, 60});
  dropDown->SetClipToParent(false);
  const auto row = MakeProbe(dropDown, u"row", {0, 0, 60, 20});

  // An ordinary child climbs to the parent that uses the wheel.
  list->mWheelResult = S_OK;
  EXPECT_EQ(mWindow->Wheel({10, 10}, kWheelDown), S_OK);
  EXPECT_EQ(mLog, (Log{"item.wheel", "list.wheel"}));

  // Over the floating drop-down (row, then drop-down), the wheel goes to what lies beneath, not to the parent.
  mLog.clear();
  EXPECT_EQ(mWindow->Wheel({120, 35}, kWheelUp), S_FALSE);
  EXPECT_EQ(mLog, (Log{"row.wheel", "dropDown.wheel", "other.wheel", "root.wheel"}));
  EXPECT_EQ(HitName({120, 35}), "row") << "the exclusions are undone";

  // Nobody used it: the focused control is offered it.
  item->SetFocus(true);
  mLog.clear();
  EXPECT_EQ(mWindow->Wheel({150, 150}, kWheelDown), S_OK);
  EXPECT_EQ(mLog, (Log{"other.wheel", "root.wheel", "item.wheel", "list.wheel"}));
  // Horizontal steps go to the other hook (not overridden here: nobody uses them).
  mLog.clear();
  EXPECT_EQ(mWindow->Wheel({10, 10}, kWheelLeft), S_FALSE);
  EXPECT_TRUE(mLog.empty());
}

// ---------------------------------------------------------------------------
// Cursor, hover, drops

TEST_F(ControlInputTest, TheCursorSwitchesOnEnterAndComesBackOnLeave) {
  const auto link = MakeProbe(mRoot, u"link", {10, 10, 50, 20});
  link->SetCursor(7);
  mWindow->mCursorShown = 1;
  mWindow->Move({20, 15});
  EXPECT_EQ(mWindow->mCursorShown, 7u);
  mWindow->Move({150, 150});
  EXPECT_EQ(mWindow->mCursorShown, 1u);

  // Pressed and dragged out: the cursor stays until the capture ends outside.
  mWindow->Move({20, 15});
  mWindow->Press(kMouseButtonLeft, {20, 15});
  mWindow->Move({150, 150});
  EXPECT_EQ(mWindow->mCursorShown, 7u);
  mWindow->Release(kMouseButtonLeft, {150, 150});
  EXPECT_EQ(mWindow->mCursorShown, 1u);
  EXPECT_EQ(mWindow->mHoverControl, RCPtr<LControl>(mRoot)) << "the hover is found again";

  // Changing it while inside shows it at once; 0 shows the arrow; the same id twice does nothing.
  mWindow->Move({20, 15});
  mApp.mCursorID = 99;
  link->SetCursor(8);
  EXPECT_EQ(mWindow->mCursorShown, 8u);
  link->SetCursor(0);
  EXPECT_EQ(mWindow->mCursorShown, 99u);
  const std::size_t calls = mWindow->mCursorLog.size();
  link->SetCursor(0);
  EXPECT_EQ(mWindow->mCursorLog.size(), calls);
}

TEST_F(ControlInputTest, ForcedHoverAndDropsForwardedToTheParent) {
  const auto child = MakeProbe(mRoot, u"child", {10, 10, 50, 20});
  EXPECT_EQ(child->GetConditions() & LControl::kConditionHover, 0u);
  child->SetForcedHover(true);
  EXPECT_EQ(child->GetConditions() & LControl::kConditionHover, LControl::kConditionHover);
  child->SetForcedHover(false);
  EXPECT_EQ(child->GetConditions() & LControl::kConditionHover, 0u);

  const auto files = LDropFileList::Create();
  EXPECT_FALSE(child->CanDrop(files));
  EXPECT_EQ(child->Drop(files), S_FALSE);

  class Taker : public Probe {
  public:
    using Probe::Probe;
    bool CanDrop(const RCPtr<LDropFileList>&) override { return true; }
    QZRESULT Drop(const RCPtr<LDropFileList>& dropped) override {
      return dropped->GetCount() == 1 ? S_OK : E_FAIL;
    }
  };
  const RCPtr<Taker> taker(new Taker(mRoot, u"taker", {100, 100, 50, 50}, &mLog));
  const auto inner = MakeProbe(taker, u"inner", {0, 0, 10, 10});
  files->AddItem(WideString(u"/tmp/a.prog"));
  EXPECT_TRUE(inner->CanDrop(files));
  EXPECT_EQ(inner->Drop(files), S_OK);
}

TEST_F(ControlInputTest, TheWaitCursorShowsOnTheActiveOrElseTheMainWindowForItsScope) {
  mApp.mCursorID = 42;
  mWindow->mCursorShown = 3;
  {
    CAutoWaitCursor wait(u"Loading Skin...");
    EXPECT_EQ(mWindow->mCursorShown, 3u) << "no window to show it on";
  }
  mApp.mFirstRootWindow = mWindow;
  {
    CAutoWaitCursor wait(u"Loading Skin...");
    EXPECT_EQ(mWindow->mCursorShown, 42u);
    EXPECT_EQ(mApp.mIdlePasses, 2) << "one idle pass each, so the cursor and text show before the work";
  }
  EXPECT_EQ(mWindow->mCursorShown, 3u);
  const auto active = MakeRCPtr<FakeRootWindow>();
  mApp.mActiveRootWindow = active;
  {
    CAutoWaitCursor wait(u"Busy");
    EXPECT_EQ(active->mCursorShown, 42u);
    EXPECT_EQ(mWindow->mCursorShown, 3u);
  }
  EXPECT_EQ(active->mCursorShown, 0u);
  EXPECT_EQ(mApp.mStatusLog,
            (std::vector<std::string>{"set:Loading Skin...:now", "refresh:posted", "set:Loading Skin...:now",
                                      "refresh:posted", "set:Busy:now", "refresh:posted"}));
  mApp.mActiveRootWindow = RCPtr<IRootWindow>();
  mApp.mFirstRootWindow = RCPtr<IRootWindow>();
}

// ---------------------------------------------------------------------------
// Focus requests, tab order, enabling and hiding

class ControlFocusTest : public ControlInputTest {
protected:
  void SetUp() override {
    ControlInputTest::SetUp();
    // Containers are focusable: they pass the focus on to their children.
    mPanel = MakeProbe(mRoot, u"panel", {0, 0, 200, 100});
    mA = MakeProbe(mPanel, u"a", {0, 0, 20, 20});
    mB = MakeProbe(mPanel, u"b", {30, 0, 20, 20});
    mC = MakeProbe(mPanel, u"c", {60, 0, 20, 20});
    // Tab order a, c, b.
    mA->SetTabStop(0);
    mB->SetTabStop(2);
    mC->SetTabStop(1);
    mOther = MakeProbe(mRoot, u"other", {0, 120, 20, 20});
  }
  void TearDown() override {
    mA = mB = mC = mOther = mPanel = RCPtr<Probe>();
    ControlInputTest::TearDown();
  }
  std::string Focused() const { return mWindow->mFocused ? Probe::Narrow(mWindow->mFocused->GetName()) : "none"; }

  RCPtr<Probe> mPanel, mA, mB, mC, mOther;
};

TEST_F(ControlFocusTest, ARequestSeatsTheFocusAtTheFirstOrLastFocusableDescendant) {
  EXPECT_EQ(mPanel->SetFocus(true), S_OK);
  EXPECT_EQ(Focused(), "a");
  EXPECT_EQ(Focus(mA), "has");
  EXPECT_EQ(Focus(mPanel), "contains");
  EXPECT_EQ(Focus(mRoot), "contains");
  EXPECT_EQ(mPanel->GetFocusedChild(), RCPtr<LControl>(mA));

  // A request for the container keeps the focused descendant.
  EXPECT_EQ(mPanel->SetFocus(false), S_OK);
  EXPECT_EQ(Focused(), "a");
  EXPECT_EQ(mA->SetFocus(true), S_OK);

  // Moving to a sibling kills the old holder; the panel keeps containing it.
  EXPECT_EQ(mB->SetFocus(true), S_OK);
  EXPECT_EQ(Focus(mA), "");
  EXPECT_EQ(Focus(mB), "has");
  EXPECT_EQ(Focus(mPanel), "contains");
  EXPECT_EQ(mWindow->mPreviousFocused, RCPtr<LControl>(mA));

  // Moving to another branch clears the old one at the common ancestor.
  EXPECT_EQ(mOther->SetFocus(true), S_OK);
  EXPECT_EQ(Focus(mPanel), "");
  EXPECT_EQ(Focus(mB), "");
  EXPECT_EQ(Focus(mRoot), "contains");
  EXPECT_EQ(mPanel->SetFocus(false), S_OK);
  EXPECT_EQ(Focused(), "b") << "the last in tab order";
}

TEST_F(ControlFocusTest, AHolderThatRefusesToLetGoKeepsTheFocus) {
  class Stubborn : public Probe {
  public:
    using Probe::Probe;
    bool CanLoseFocus() override { return mMayLose; }
    bool mMayLose = false;
  };
  const RCPtr<Stubborn> edit(new Stubborn(mRoot, u"edit", {0, 150, 20, 20}, &mLog));
  EXPECT_EQ(edit->SetFocus(true), S_OK);
  EXPECT_EQ(mA->SetFocus(true), E_FAIL);
  EXPECT_EQ(Focused(), "edit");
  EXPECT_EQ(Focus(mA), "");
  EXPECT_EQ(Focus(mPanel), "");
  edit->mMayLose = true;
  EXPECT_EQ(mA->SetFocus(true), S_OK);
  EXPECT_EQ(Focused(), "a");
}

TEST_F(ControlFocusTest, TabMovesThroughTheParentsTabOrderAndWraps) {
  mB->SetFocus(true);
  const struct {
    std::uint32_t modifiers;
    const char* expected;
  } steps[] = {
      {0, "a"}, {0, "c"}, {0, "b"}, {kModifierShift, "c"}, {kModifierShift, "a"}, {kModifierShift, "b"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.expected);
    mWindow->Key(0x09, step.modifiers);
    EXPECT_EQ(Focused(), step.expected);
  }
  // Skipped: a disabled, a hidden and a not focusable control.
  mC->SetEnabled(false);
  mWindow->Key(0x09);
  EXPECT_EQ(Focused(), "a");
  mWindow->Key(0x09);
  EXPECT_EQ(Focused(), "b");
  mC->SetEnabled(true);
  mA->SetNotFocusable(true);
  mWindow->Key(0x09);
  EXPECT_EQ(Focused(), "c");
  EXPECT_EQ(mWindow->mTabsOut, 0);

  // Ctrl+Tab leaves the group: up to the root, then (one window) round to its first control.
  mA->SetNotFocusable(false);
  mWindow->Key(0x09, kModifierCtrl);
  EXPECT_EQ(Focused(), "other");
  mWindow->Key(0x09, kModifierCtrl);
  EXPECT_EQ(mWindow->mTabsOut, 1);
  EXPECT_EQ(Focused(), "a");
}

TEST_F(ControlFocusTest, SetNotFocusableKeepsTheTabStopsSignInStep) {
  mA->SetNotFocusable(true);
  EXPECT_EQ(mA->GetLayout()->mTabStop, -1);
  mA->SetNotFocusable(false);
  EXPECT_EQ(mA->GetLayout()->mTabStop, 1);
  mB->SetNotFocusable(true);
  EXPECT_EQ(mB->GetLayout()->mTabStop, -2);
  mB->SetNotFocusable(false);
  EXPECT_EQ(mB->GetLayout()->mTabStop, 2);

  // The holder made not focusable hands the focus to its parent, which re-seats it.
  mC->SetFocus(true);
  mC->SetNotFocusable(true);
  EXPECT_EQ(Focused(), "a");
}

TEST_F(ControlFocusTest, DisablingOrHidingTheHolderMovesTheFocusOutOfTheWay) {
  mA->SetFocus(true);
  mA->SetEnabled(false);
  EXPECT_EQ(Focused(), "c") << "the parent re-seats it at its first remaining focusable child";
  EXPECT_EQ(Focus(mA), "");
  mC->SetVisible(false);
  EXPECT_EQ(Focused(), "b");
  EXPECT_EQ(Focus(mC), "");

  // The parent takes it itself once no child can.
  mB->SetEnabled(false);
  EXPECT_EQ(Focused(), "panel");
  EXPECT_EQ(Focus(mPanel), "has");

  // A control that becomes able to take the focus while its parent holds it takes it.
  mA->SetEnabled(true);
  EXPECT_EQ(Focused(), "a");
  EXPECT_EQ(Focus(mPanel), "contains");
}

TEST_F(ControlFocusTest, TheLastFocusableControlGoingAwayClearsTheFocusInsteadOfRecursing) {
  // Only a, which ignores its ancestors' flags, can take the focus.
  mRoot->SetFocusFlags(true, false);
  mPanel->SetFocusFlags(true, false);
  mA->SetFocusFlags(false, true);
  mA->SetFocus(true);
  ASSERT_EQ(Focused(), "a");
  // Nothing in the window can take the focus any more: the request reaches
  // the top of the tree, which contains the focus but can neither hold it nor
  // pass it on.
  mA->SetVisible(false);
  EXPECT_EQ(Focused(), "none");
  EXPECT_EQ(Focus(mRoot), "");
  EXPECT_EQ(Focus(mPanel), "");
  EXPECT_EQ(Focus(mA), "");
  EXPECT_EQ(mPanel->SetFocus(true), S_FALSE) << "nothing to seat, nothing to change";
}

// A random session of focus requests, enabling, hiding and Tab: the focus flags
// always form one chain from the root window's focused control up to the top.
TEST_F(ControlFocusTest, RandomSessionsKeepOneFocusChain) {
  const RCPtr<Probe> all[] = {mPanel, mA, mB, mC, mOther};
  std::mt19937 random(23);
  for (int step = 0; step < 400; ++step) {
    const RCPtr<Probe>& control = all[random() % 5];
    switch (random() % 6) {
    case 0:
      control->SetFocus(random() % 2 == 0);
      break;
    case 1:
      control->SetEnabled(random() % 3 != 0);
      break;
    case 2:
      control->SetVisible(random() % 3 != 0);
      break;
    case 3:
      control->SetNotFocusable(random() % 3 == 0);
      break;
    case 4:
      mWindow->Key(0x09, random() % 2 ? kModifierShift : 0);
      break;
    default:
      mWindow->Click(kMouseButtonLeft,
                     {static_cast<std::int32_t>(random() % 200), static_cast<std::int32_t>(random() % 200)});
      break;
    }
    SCOPED_TRACE(step);
    const RCPtr<LControl> focused = mWindow->mFocused;
    std::int32_t holders = 0;
    for (const RCPtr<Probe>& c : all) {
      ASSERT_FALSE(c->HasFocus() && c->ContainsFocus());
      if (c->HasFocus()) {
        ++holders;
        ASSERT_EQ(RCPtr<LControl>(c), focused);
      }
      // Contains the focus exactly when the focused control lies beneath.
      bool above = false;
      for (LControl* p = focused ? focused->GetParent().GetRaw() : nullptr; p; p = p->GetParent().GetRaw())
        above = above || p == c.GetRaw();
      ASSERT_EQ(c->ContainsFocus(), above);
    }
    ASSERT_EQ(holders + (mRoot->HasFocus() ? 1 : 0), focused ? 1 : 0);
  }
}

} // namespace
} // namespace QZ
