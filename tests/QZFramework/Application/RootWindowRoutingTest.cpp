// The root window's routing of mouse, wheel, key and drop input to a small
// tree of controls, with the native window faked.

#include "QZFramework/Application/RootWindow.h"

#include "Platform/Window/InputSimulator.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "Support/FakeFrameworkApp.h"
#include "Support/FakeRootWindow.h"
#include "Support/TestControl.h"
#include "Support/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace QZ {
namespace {

using Log = std::vector<std::string>;

// A control at a rectangle of its parent, opaque everywhere, that writes down
// the input it receives.
class Probe : public test::TestControl {
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
    return 0xFF000000u;
  }
  QZRESULT OnMouseDown(const RCPtr<LMouseButtonParam>& param) override {
    Add("down(" + std::to_string(param->mButton) + "," + std::to_string(param->mDoubleClick) + "," +
        std::to_string(param->mPoint.x) + "," + std::to_string(param->mPoint.y) + ")");
    return TestControl::OnMouseDown(param);
  }
  QZRESULT OnMouseUp(const RCPtr<LMouseButtonParam>& param) override {
    Add("up(" + std::to_string(param->mButton) + "," + std::to_string(param->mDoubleClick) + "," +
        std::to_string(param->mPoint.x) + "," + std::to_string(param->mPoint.y) + ")");
    return TestControl::OnMouseUp(param);
  }
  QZRESULT OnMouseEnter() override {
    Add("enter");
    return TestControl::OnMouseEnter();
  }
  QZRESULT OnMouseLeave() override {
    Add("leave");
    return TestControl::OnMouseLeave();
  }
  QZRESULT OnMouseWheel(const RCPtr<LMouseWheelParam>& param) override {
    Add("wheel(" + std::to_string(param->mDirection) + "," + std::to_string(param->mPoint.x) + ")");
    return mWheelResult;
  }
  void OnKey(const RCPtr<LKeyParam>& key) override {
    Add("key(" + std::to_string(key->mKey.GetVirtualKey()) + ")");
  }
  bool CanDrop(const RCPtr<LDropFileList>& files) override {
    Add("canDrop(" + std::to_string(files ? files->GetCount() : 0) + ")");
    return mTakesFiles;
  }
  QZRESULT Drop(const RCPtr<LDropFileList>& files) override {
    Add("drop(" + std::to_string(files ? files->GetCount() : 0) + ")");
    return S_OK;
  }

  QZRESULT CreateToolTip(bool show) override {
    Add(show ? "showTip" : "hideTip");
    return S_OK;
  }
  // The "TOOLTIP" and "USE_PARENT_TOOLTIP" values a skin would give.
  void SetToolTip(const char16_t* text, bool useParent) {
    mToolTipText = WideString(text);
    mUseParentToolTip = useParent;
  }

  void Add(const std::string& what) {
    if (mLog)
      mLog->push_back(GetName().ToNarrow().GetChars() + std::string(".") + what);
  }

  QZRESULT mWheelResult = 1;
  bool mTakesFiles = true;
  Log* mLog;
};

class RootWindowRoutingTest : public ::testing::Test {
protected:
  void SetUp() override {
    test::TestControl::sLive = 0;
    mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
    mApp.mControlFactory = mFactory.Get();
    mNative.mActive = true;
    mNative.mHasFocus = true;
    mNative.mClientSize = {200, 200};
    mRoot = LRootWindow::Create(RCPtr<LRenderer>(), &mNative);
    const RCPtr<Probe> top = MakeRCPtr<Probe>(RCPtr<LControl>(), u"top", RectT<double>{0, 0, 200, 200}, &mLog);
    mA = MakeRCPtr<Probe>(top, u"a", RectT<double>{10, 10, 50, 50}, &mLog);
    mB = MakeRCPtr<Probe>(top, u"b", RectT<double>{100, 10, 50, 50}, &mLog);
    ASSERT_EQ(mRoot->SetRootControl(top), S_OK);
    mTop = top;
    mLog.clear();
  }
  void TearDown() override {
    mA = RCPtr<Probe>();
    mB = RCPtr<Probe>();
    mTop = RCPtr<Probe>();
    mRoot = RCPtr<LRootWindow>();
    EXPECT_EQ(test::TestControl::sLive, 0) << "controls left alive";
  }

  // A press or a release as the native window hands it over, with the buttons held.
  void Press(std::uint32_t button, PointT<std::int32_t> point, bool doubleClick = false) {
    mNative.mButtons |= button;
    mNative.mCursorPosition = point;
    mRoot->DispatchMouseButton(doubleClick ? kMouseActionDoubleClick : kMouseActionPress, button, 0, point, 0);
  }
  void Release(std::uint32_t button, PointT<std::int32_t> point) {
    mNative.mButtons &= ~button;
    mNative.mCursorPosition = point;
    mRoot->DispatchMouseButton(kMouseActionRelease, button, 0, point, 0);
  }
  void Move(PointT<std::int32_t> point) {
    mNative.mCursorPosition = point;
    mRoot->DispatchMouseMove(point, 0, 0);
  }
  // The entries of one control.
  Log Of(const std::string& name) const {
    Log entries;
    for (const std::string& entry : mLog) {
      if (entry.rfind(name + ".", 0) == 0)
        entries.push_back(entry.substr(name.size() + 1));
    }
    return entries;
  }

  test::FakeFrameworkApp mApp;
  RCPtr<LControlFactory> mFactory;
  test::FakeWindowOSServices mNative;
  RCPtr<LRootWindow> mRoot;
  RCPtr<Probe> mTop;
  RCPtr<Probe> mA;
  RCPtr<Probe> mB;
  Log mLog;
};

TEST_F(RootWindowRoutingTest, ADoubleClickIsPressReleasePressReleaseWithTheFlagOnTheSecondPair) {
  Press(kMouseButtonLeft, {20, 30});
  Release(kMouseButtonLeft, {20, 30});
  Press(kMouseButtonLeft, {20, 30}, true);
  Release(kMouseButtonLeft, {20, 30});
  const Log expected = {"enter", "down(1,0,10,20)", "up(1,0,10,20)", "down(1,1,10,20)", "up(1,1,10,20)"};
  EXPECT_EQ(Of("a"), expected);
  EXPECT_EQ(mRoot->GetDoubleClickPending(), 0u);
}

TEST_F(RootWindowRoutingTest, TheCaptureHolderGetsTheReleaseOutsideAndIsTheOnlyHover) {
  Press(kMouseButtonLeft, {20, 20});
  ASSERT_EQ(mRoot->GetCaptureControl(), RCPtr<LControl>(mA));
  Move({120, 20}); // over b: a stops hovering, b does not start
  EXPECT_FALSE(mRoot->GetHoverControl());
  Move({30, 30}); // back over a
  EXPECT_EQ(mRoot->GetHoverControl(), RCPtr<LControl>(mA));
  Release(kMouseButtonLeft, {300, -40}); // outside the window
  const Log expected = {"enter", "down(1,0,10,10)", "leave", "enter", "up(1,0,290,-50)"};
  EXPECT_EQ(Of("a"), expected);
  EXPECT_TRUE(Of("b").empty());
  EXPECT_FALSE(mRoot->GetCaptureControl());
}

TEST_F(RootWindowRoutingTest, HoverFollowsThePointerAndTheWindowLosingTheFocusEndsIt) {
  Move({20, 20});
  Move({120, 20});
  Move({190, 190}); // over the top control only
  mRoot->OnWindowFocusLost();
  EXPECT_EQ(Of("a"), (Log{"enter", "leave"}));
  EXPECT_EQ(Of("b"), (Log{"enter", "leave"}));
  EXPECT_EQ(Of("top"), (Log{"enter", "leave"}));
  EXPECT_FALSE(mRoot->GetHoverControl());
}

TEST_F(RootWindowRoutingTest, InputIsDroppedWhileTheWindowIsNotActive) {
  mNative.mActive = false;
  Press(kMouseButtonLeft, {20, 20});
  Move({120, 20});
  mRoot->DispatchMouseWheel({20, 20}, 0, kWheelUp);
  EXPECT_TRUE(mLog.empty());
  EXPECT_FALSE(mRoot->GetCaptureControl());
}

TEST_F(RootWindowRoutingTest, AnUnusedWheelStepGoesToTheFocusWithClientCoordinates) {
  ASSERT_EQ(mB->SetFocus(true), S_OK);
  ASSERT_EQ(mRoot->GetFocusedControl(), RCPtr<LControl>(mB));
  mLog.clear();
  mRoot->DispatchMouseWheel({20, 20}, 0, kWheelUp);
  EXPECT_EQ(Of("a"), (Log{"enter", "wheel(1,20)"}));
  EXPECT_EQ(Of("b"), (Log{"wheel(1,20)"}));

  mLog.clear();
  mA->mWheelResult = S_OK;
  mRoot->DispatchMouseWheel({20, 20}, 0, kWheelDown);
  EXPECT_EQ(Of("a"), (Log{"wheel(0,20)"}));
  EXPECT_TRUE(Of("b").empty());
}

TEST_F(RootWindowRoutingTest, KeysGoToTheFocusOnlyAndQueuedKeysInTheIdlePass) {
  // Installing the tree in a window with the keyboard focus gave the first control the focus.
  EXPECT_EQ(mRoot->GetFocusedControl(), RCPtr<LControl>(mA));
  mRoot->OnWindowFocusLost();
  EXPECT_FALSE(mRoot->GetFocusedControl());
  EXPECT_EQ(mRoot->GetPreviousFocusControl(), RCPtr<LControl>(mA));
  mLog.clear();
  const RCPtr<LKeyParam> key = LKeyParam::Create(KeyCode(0x4F, true, 0, kModifierCtrl), 1);
  mRoot->DispatchKey(key); // nobody has the focus: dropped
  EXPECT_TRUE(mLog.empty());
  mRoot->RestoreFocus();
  EXPECT_EQ(mRoot->GetFocusedControl(), RCPtr<LControl>(mA));
  mLog.clear();
  mRoot->DispatchKey(key);
  mRoot->QueueKey(LKeyParam::Create(KeyCode(0x41, true, 0, 0), 1));
  EXPECT_EQ(Of("a"), (Log{"key(79)"}));
  (void)mRoot->ProcessIdle(false);
  EXPECT_EQ(Of("a"), (Log{"key(79)", "key(65)"}));
  EXPECT_TRUE(Of("b").empty());
}

TEST_F(RootWindowRoutingTest, TheHoveredTipOwnerShowsItsTipAndAPressAWheelStepOrAKeyHidesIt) {
  const RCPtr<Probe> inner = MakeRCPtr<Probe>(mA, u"inner", RectT<double>{0, 0, 20, 20}, &mLog);
  const RCPtr<Probe> plain = MakeRCPtr<Probe>(mB, u"plain", RectT<double>{0, 0, 20, 20}, &mLog);
  mA->SetToolTip(u"from a", false);
  inner->SetToolTip(u"", true);
  plain->SetToolTip(u"", false);
  mB->SetToolTip(u"from b", false);
  const auto tips = [this] {
    Log entries;
    for (const std::string& entry : mLog)
      if (entry.find("Tip") != std::string::npos)
        entries.push_back(entry);
    mLog.clear();
    return entries;
  };
  Move({15, 15}); // inner, which uses its parent's tip
  EXPECT_EQ(tips(), Log{"a.showTip"});
  EXPECT_EQ(mRoot->GetToolTipOwner(), RCPtr<LControl>(mA));
  Move({40, 40}); // a itself: the same owner, nothing new
  EXPECT_EQ(tips(), Log{});
  Move({105, 15}); // plain uses no parent's tip and has none
  EXPECT_EQ(tips(), Log{"a.hideTip"});
  Move({140, 40});
  EXPECT_EQ(tips(), Log{"b.showTip"});

  Press(kMouseButtonLeft, {140, 40});
  Release(kMouseButtonLeft, {140, 40});
  mRoot->DispatchMouseWheel({140, 40}, 0, kWheelUp);
  mRoot->DispatchKey(LKeyParam::Create(KeyCode(0x41, true, 0, 0), 1));
  EXPECT_EQ(tips(), (Log{"b.hideTip", "b.hideTip", "b.hideTip", "b.hideTip"}))
      << "the press, the release, the wheel step and the key; b stays the owner";
  EXPECT_EQ(mRoot->GetToolTipOwner(), RCPtr<LControl>(mB));
}

TEST_F(RootWindowRoutingTest, ADropReachesTheControlUnderThePointAndTheAnswerIsKeptPerTarget) {
  auto files = MakeRCPtr<LDropFileList>();
  (void)files->InsertItem(0, WideString(u"/tmp/a.pvp"));
  mRoot->SetDropData(files);
  EXPECT_TRUE(mRoot->UpdateDropTarget({20, 20}));
  EXPECT_TRUE(mRoot->UpdateDropTarget({25, 25})); // same control: the answer kept
  EXPECT_EQ(mRoot->Drop(), S_OK);
  mRoot->ClearDrop();
  mB->mTakesFiles = false;
  mRoot->SetDropData(files);
  EXPECT_FALSE(mRoot->UpdateDropTarget({120, 20}));
  mRoot->ClearDrop();
  EXPECT_EQ(Of("a"), (Log{"canDrop(1)", "drop(1)"}));
  EXPECT_EQ(Of("b"), (Log{"canDrop(1)"}));
  EXPECT_FALSE(mRoot->GetDropTarget());
  EXPECT_FALSE(mRoot->GetDropData());
  EXPECT_EQ(mRoot->Drop(), E_FAIL);
}

TEST_F(RootWindowRoutingTest, TabWithOneWindowWrapsTheFocusInsideIt) {
  mRoot->TabToNextWindow(LKeyParam::Create(KeyCode(0x09, true, 0, 0), 1));
  EXPECT_EQ(mRoot->GetFocusedControl(), RCPtr<LControl>(mA));
  mRoot->TabToNextWindow(LKeyParam::Create(KeyCode(0x09, true, 0, kModifierShift), 1));
  EXPECT_EQ(mRoot->GetFocusedControl(), RCPtr<LControl>(mB));
}

// The whole way: events pushed into the window system's queue, the native
// window, the root window and the controls.
class NativeInputTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mSystem.IsStarted());
    mSimulator.SetModifiers(0);
    test::TestControl::sLive = 0;
    mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
    mApp.mControlFactory = mFactory.Get();
    OSWindow::SCreateParams params;
    params.clientBounds = {100, 100, 200, 200};
    mWindow = OSWindow::Create(params);
    ASSERT_NE(mWindow, nullptr);
    ASSERT_EQ(mWindow->AttachRenderer(RCPtr<LRenderer>()), S_OK);
    const RCPtr<Probe> top = MakeRCPtr<Probe>(RCPtr<LControl>(), u"top", RectT<double>{0, 0, 200, 200}, &mLog);
    mA = MakeRCPtr<Probe>(top, u"a", RectT<double>{10, 10, 50, 50}, &mLog);
    ASSERT_EQ(mWindow->GetRootWindow()->SetRootControl(top), S_OK);
    mId = mWindow->GetPlatformWindow().GetId();
    ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusGained));
    OSWindow::PumpWindowEvents();
    mLog.clear();
  }
  void TearDown() override {
    mA = RCPtr<Probe>();
    if (mWindow)
      mWindow->DestroyWindow();
    EXPECT_EQ(test::TestControl::sLive, 0) << "controls left alive";
    test::OffscreenWindowSystem::TakeWindowEvents();
  }
  Log Of(const std::string& name) const {
    Log entries;
    for (const std::string& entry : mLog) {
      if (entry.rfind(name + ".", 0) == 0)
        entries.push_back(entry.substr(name.size() + 1));
    }
    return entries;
  }

  test::OffscreenWindowSystem mSystem;
  Platform::InputSimulator mSimulator;
  test::FakeFrameworkApp mApp;
  RCPtr<LControlFactory> mFactory;
  OSWindow* mWindow = nullptr;
  Platform::WindowId mId = Platform::kNoWindow;
  RCPtr<Probe> mA;
  Log mLog;
};

TEST_F(NativeInputTest, ClicksDoubleClicksAndAReleaseOutsideReachTheControl) {
  ASSERT_TRUE(mWindow->IsActive());
  ASSERT_TRUE(mSimulator.MovePointer(mId, {20, 30}));
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, {20, 30}));
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, {20, 30}));
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, {20, 30}, 2));
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, {20, 30}, 2));
  OSWindow::PumpWindowEvents();
  EXPECT_EQ(Of("a"), (Log{"enter", "down(1,0,10,20)", "up(1,0,10,20)", "down(1,1,10,20)", "up(1,1,10,20)"}));

  // Pressed on the control, released outside the window: the release is the control's.
  mLog.clear();
  // (Pumped step by step: the simulated buttons are those held now, not at the event.)
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, {20, 30}));
  OSWindow::PumpWindowEvents();
  ASSERT_TRUE(mSimulator.MovePointer(mId, {-30, -40}));
  OSWindow::PumpWindowEvents();
  EXPECT_TRUE(mWindow->HasCaptureFlag());
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, {-30, -40}));
  OSWindow::PumpWindowEvents();
  EXPECT_FALSE(mWindow->HasCaptureFlag());
  EXPECT_EQ(Of("a"), (Log{"down(1,0,10,20)", "leave", "up(1,0,-40,-50)"}));
  EXPECT_FALSE(mWindow->GetRootWindow()->GetCaptureControl());
}

TEST_F(NativeInputTest, WheelNotchesAndKeysArriveWithTheirValues) {
  ASSERT_TRUE(mSimulator.Wheel(mId, Platform::WheelAxis::kVertical, 60, {20, 30}));
  ASSERT_TRUE(mSimulator.Wheel(mId, Platform::WheelAxis::kVertical, 60, {20, 30}));
  ASSERT_TRUE(mSimulator.Wheel(mId, Platform::WheelAxis::kVertical, -130, {20, 30}));
  ASSERT_TRUE(mSimulator.Key(mId, 0x41, true));
  ASSERT_TRUE(mSimulator.Key(mId, 0x41, true, true));
  OSWindow::PumpWindowEvents();
  // a leaves the wheel steps unused, so a (the focus) gets each one twice.
  EXPECT_EQ(Of("a"),
            (Log{"enter", "wheel(1,20)", "wheel(1,20)", "wheel(0,20)", "wheel(0,20)", "key(65)", "key(65)"}));
  EXPECT_EQ(mWindow->GetWheelAccumulator(0), -10);
}

TEST_F(NativeInputTest, ADroppedBatchReachesTheControlUnderThePointerAndLeavesNothingBehind) {
  ASSERT_TRUE(mSimulator.MovePointer(mId, {20, 30}));
  OSWindow::PumpWindowEvents();
  mLog.clear();
  ASSERT_TRUE(mSimulator.DropFiles(mId, {"/tmp/a.pvp", "/tmp/b.pvp"}));
  OSWindow::PumpWindowEvents();
  Log drops;
  for (const std::string& entry : mLog) {
    if (entry.find("rop(") != std::string::npos)
      drops.push_back(entry.substr(entry.find('.') + 1));
  }
  EXPECT_EQ(drops, (Log{"canDrop(2)", "drop(2)"}));
  EXPECT_FALSE(mWindow->GetRootWindow()->GetDropData());
  EXPECT_FALSE(mWindow->GetRootWindow()->GetDropTarget());
}

TEST_F(NativeInputTest, AWindowThatIsNotActiveDropsTheInput) {
  ASSERT_TRUE(mSimulator.Change(mId, Platform::SimulatedWindowChange::kFocusLost));
  OSWindow::PumpWindowEvents();
  mLog.clear();
  ASSERT_TRUE(mSimulator.PressButton(mId, Platform::kMouseLeft, {20, 30}));
  ASSERT_TRUE(mSimulator.ReleaseButton(mId, Platform::kMouseLeft, {20, 30}));
  OSWindow::PumpWindowEvents();
  EXPECT_TRUE(Of("a").empty());
}

} // namespace
} // namespace QZ
