// Dragging through the scripted root window with the fake application's
// millisecond clock: the drag start, moving and resizing within the limits,
// auto-scroll of the parent, scrolling by drag with its fling, drag and drop.

#include "QZFramework/ControlBase/ControlTreeFixture.h"

#include "QZFramework/ControlBase/AutoHitTestExclusion.h"
#include "QZFramework/ControlBase/InputParams.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

using test::ControlTreeFixture;
using test::FakeRootWindow;
using test::TestControl;

using Log = std::vector<std::string>;
using Bounds = RectT<double>;

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

// An opaque, created control laid out at a rectangle of its parent, that picks
// its drag mode when a left drag is armed (as control classes do in their
// condition hook) and logs its drop-target hooks and clicks.
class DragProbe : public TestControl {
public:
  DragProbe(const RCPtr<LControl>& parent, const char16_t* name, const Bounds& bounds, Log* log)
      : TestControl(parent, WideString(name)), mLog(log) {
    const RCPtr<LLayoutDescriptor> layout = MakeRCPtr<LLayoutDescriptor>();
    layout->mPlacement[0].mAbsolute = bounds.x;
    layout->mPlacement[1].mAbsolute = bounds.y;
    layout->mSize[0].mAbsolute = bounds.width;
    layout->mSize[1].mAbsolute = bounds.height;
    SetLayout(layout);
    mBounds = bounds;
    AddLook(RCPtr<LLook>());
    SetLookWeight(0, 1.0f, true);
    SetFocusFlags(false, false);
    Initialize();
    SetCreated();
  }

  std::uint32_t GetLookColorAtPoint(const PointT<std::int32_t>&, std::int32_t) const override {
    return 0xFF000000u;
  }
  // As a control does: a press that arms the drag picks the drag mode.
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override {
    if (mLeftDragArmed && mDragMode == kDragNone && mWantedMode != kDragNone)
      SetDragMode(mWantedMode, mWantedFlags);
    LControl::OnConditionsChanged(conditions);
  }
  RectT<double> GetClientExtent(const RCPtr<LControl>& asking) const override {
    return mExtent.width > 0 ? mExtent : LControl::GetClientExtent(asking);
  }
  void GetDragLimits(RectT<double>& limits) override {
    limits.x -= mWidenLimits;
    limits.width += 2 * mWidenLimits;
  }
  bool AcceptsDraggedControl(const RCPtr<LControl>&) override { return mAccepts; }
  void OnDragEnter(const RCPtr<LControl>& dragged) override { Add("enter(" + Narrow(dragged->GetName()) + ")"); }
  void OnDragLeave(const RCPtr<LControl>&) override { Add("leave"); }
  QZRESULT AcceptDrop(const RCPtr<LControl>& dragged) override {
    Add("drop");
    return LControl::AcceptDrop(dragged);
  }
  void HandleLeftClick(const RCPtr<LMouseButtonParam>&) override { Add("click"); }
  void Add(const std::string& what) { mLog->push_back(Narrow(GetName()) + "." + what); }
  void Scroll(double x, double y) { SetScrollOffset({x, y}); }

  std::int32_t mWantedMode = kDragNone;
  std::int32_t mWantedFlags = 0;
  RectT<double> mExtent{};
  double mWidenLimits = 0;
  bool mAccepts = false;
  Log* mLog;
};

// root 400 x 300 { view (0, 0, 200, 100) { item (20, 20, 50, 30) } }.
class ControlDragTest : public ControlTreeFixture {
protected:
  void SetUp() override {
    ControlTreeFixture::SetUp();
    mWindow = MakeRCPtr<FakeRootWindow>();
    mRoot = Make(RCPtr<LControl>(), u"root", {0, 0, 400, 300});
    mWindow->SetRootControl(mRoot);
    mView = Make(mRoot, u"view", {0, 0, 200, 100});
    mItem = Make(mView, u"item", {20, 20, 50, 30});
  }
  void TearDown() override {
    mItem = mView = mRoot = RCPtr<DragProbe>();
    mWindow->SetRootControl(RCPtr<LControl>());
    mWindow = RCPtr<FakeRootWindow>();
    ControlTreeFixture::TearDown();
  }
  RCPtr<DragProbe> Make(const RCPtr<LControl>& parent, const char16_t* name, const Bounds& bounds) {
    return RCPtr<DragProbe>(new DragProbe(parent, name, bounds, &mLog));
  }
  // Advances the clock, then a move.
  void MoveAt(std::uint32_t ms, const PointT<std::int32_t>& point) {
    mApp.mMilliseconds = ms;
    mWindow->Move(point);
  }
  // A press at (30, 30) of the view at ms, and the one-pixel move that starts
  // the drag at the same time (the move that starts a drag takes no step of its own).
  void StartDrag(std::uint32_t ms) {
    mApp.mMilliseconds = ms;
    mWindow->Press(kMouseButtonLeft, {30, 30});
    mWindow->Move({29, 30});
  }
  void IdleAt(std::uint32_t ms) {
    mApp.mMilliseconds = ms;
    mWindow->ProcessIdle();
  }
  bool Dragging(const RCPtr<LControl>& control) const {
    return (control->GetConditions() & LControl::kConditionLeftDragging) != 0;
  }

  Log mLog;
  RCPtr<FakeRootWindow> mWindow;
  RCPtr<DragProbe> mRoot, mView, mItem;
};

TEST_F(ControlDragTest, TheDragStartsAtTheThresholdOrWithinThePressAtZero) {
  EXPECT_EQ(mItem->GetDragThreshold(), 1);
  EXPECT_EQ(mItem->SetDragThreshold(-1), E_INVALIDARG);
  EXPECT_EQ(mItem->GetDragThreshold(), 1);

  const struct {
    std::int32_t threshold;
    PointT<std::int32_t> to;
    bool dragging;
  } cases[] = {{1, {31, 30}, true}, {5, {34, 34}, false}, {5, {35, 30}, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.threshold);
    ASSERT_EQ(mItem->SetDragThreshold(c.threshold), S_OK);
    mWindow->Press(kMouseButtonLeft, {30, 30});
    mWindow->Move(c.to);
    EXPECT_EQ(Dragging(mItem), c.dragging);
    mWindow->Release(kMouseButtonLeft, c.to);
  }

  // Threshold 0: dragging inside the press, and the first step sees the press point.
  mItem->mWantedMode = LControl::kDragMove;
  mItem->mWantedFlags = LControl::kDragAxisX | LControl::kDragAxisY;
  ASSERT_EQ(mItem->SetDragThreshold(0), S_OK);
  mWindow->Press(kMouseButtonLeft, {30, 30});
  EXPECT_TRUE(Dragging(mItem));
  EXPECT_EQ(mItem->GetBounds(), (Bounds{20, 20, 50, 30}));
  mWindow->Release(kMouseButtonLeft, {30, 30});
  EXPECT_FALSE(Dragging(mItem));
}

TEST_F(ControlDragTest, MovingFollowsThePointerOnTheFlaggedAxesWithinTheParentsVisibleArea) {
  // The press at (30, 30) of the view; the limits let the pointer travel -30 .. +170, -30 .. +70.
  const struct {
    std::int32_t flags;
    PointT<std::int32_t> to;
    Bounds expected;
  } cases[] = {
      {LControl::kDragAxisX | LControl::kDragAxisY, {80, 50}, {70, 40, 50, 30}},
      {LControl::kDragAxisX | LControl::kDragAxisY, {500, 500}, {190, 90, 50, 30}},
      {LControl::kDragAxisX | LControl::kDragAxisY, {-100, -100}, {-10, -10, 50, 30}},
      {LControl::kDragAxisX, {80, 50}, {70, 20, 50, 30}},
      {LControl::kDragAxisY, {80, 50}, {20, 40, 50, 30}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.to.x << "," << c.to.y << " flags " << c.flags);
    mItem->SetPlacement({0, kPositionClient, {}, 0, 20, false}, {kSizeSelf, {}, 0, 50},
                        {0, kPositionClient, {}, 0, 20, false}, {kSizeSelf, {}, 0, 30});
    mItem->mWantedMode = LControl::kDragMove;
    mItem->mWantedFlags = c.flags;
    mWindow->Press(kMouseButtonLeft, {30, 30});
    mWindow->Move(c.to);
    EXPECT_EQ(mItem->GetBounds(), c.expected);
    mWindow->Release(kMouseButtonLeft, c.to);
    EXPECT_EQ(mItem->GetBounds(), c.expected) << "the control stays where it was dropped";
  }
}

// Records where the dragged control stood when the move reached a listener.
class MovePositions : public LNotificationClient {
public:
  explicit MovePositions(const LControl* control) : mControl(control) {}
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) override {
    mX.push_back(mControl->GetBounds().x);
    return 0;
  }
  const LControl* mControl;
  std::vector<double> mX;
};

TEST_F(ControlDragTest, AControlClosedWhileItsDragScrollsTheParentStopsTheScrolling) {
  mItem->mWantedMode = LControl::kDragMoveAutoScroll;
  mItem->mWantedFlags = LControl::kDragAxisX;
  mWindow->Press(kMouseButtonLeft, {30, 30});
  MoveAt(0, {180, 30});
  ASSERT_TRUE(mView->IsInertialScrolling(0));
  static_cast<void>(mItem->Close());
  EXPECT_FALSE(mView->IsInertialScrolling(0));
  EXPECT_EQ(mView->GetIdleRequestCount(), 0) << "the parent no longer asks for idle calls";
  EXPECT_FALSE(mWindow->GetCaptureControl());
  IdleAt(60000);
  EXPECT_EQ(mView->GetScrollOffset().x, 0);
}

TEST_F(ControlDragTest, MoveListenersSeeTheControlWhereTheMoveFoundIt) {
  mItem->mWantedMode = LControl::kDragMove;
  mItem->mWantedFlags = LControl::kDragAxisX | LControl::kDragAxisY;
  const RCPtr<MovePositions> positions = MakeRCPtr<MovePositions>(mItem.GetRaw());
  mItem->RegisterClient(positions, u"NID_MOUSE_MOVE");
  mWindow->Press(kMouseButtonLeft, {30, 30});
  mWindow->Move({40, 30});
  mWindow->Move({60, 30});
  EXPECT_EQ(mItem->GetBounds().x, 50);
  // The press point (nested delivery), then each move before its own step of the drag.
  EXPECT_EQ(positions->mX, (std::vector<double>{20, 20, 30}));
  mWindow->Release(kMouseButtonLeft, {60, 30});
  mItem->UnregisterClientFromAll(positions);
}

TEST_F(ControlDragTest, ResizingMovesTheFlaggedEdgeAndNeverBelowOnePixel) {
  // Pressed at (30, 30) of the view, or at (65, 30) for the right edge, 100 pixels to the left.
  const struct {
    std::int32_t flags;
    PointT<std::int32_t> to;
    Bounds expected;
    PointT<std::int32_t> from = {30, 30};
  } cases[] = {
      {LControl::kDragRightEdge, {-35, 30}, {20, 20, 1, 30}, {65, 30}},
      {LControl::kDragRightEdge, {40, 30}, {20, 20, 60, 30}},
      {LControl::kDragLeftEdge, {40, 30}, {30, 20, 40, 30}},
      {LControl::kDragLeftEdge, {190, 30}, {69, 20, 1, 30}},
      {LControl::kDragTopEdge, {30, 40}, {20, 30, 50, 20}},
      {LControl::kDragBottomEdge, {30, 40}, {20, 20, 50, 40}},
      {LControl::kDragBottomEdge | LControl::kDragTopEdge, {30, -60}, {20, 20, 50, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.to.x << "," << c.to.y << " flags " << c.flags);
    mItem->SetPlacement({0, kPositionClient, {}, 0, 20, false}, {kSizeSelf, {}, 0, 50},
                        {0, kPositionClient, {}, 0, 20, false}, {kSizeSelf, {}, 0, 30});
    mItem->mWantedMode = LControl::kDragResize;
    mItem->mWantedFlags = c.flags;
    mWindow->Press(kMouseButtonLeft, c.from);
    mWindow->Move(c.to);
    EXPECT_EQ(mItem->GetBounds(), c.expected);
    mWindow->Release(kMouseButtonLeft, c.to);
  }
}

TEST_F(ControlDragTest, NearTheParentsEdgeTheParentScrollsUntilTheControlIsClamped) {
  mItem->mWantedMode = LControl::kDragMoveAutoScroll;
  mItem->mWantedFlags = LControl::kDragAxisX;
  mWindow->Press(kMouseButtonLeft, {30, 30});
  // The zone begins 30 pixels before the right edge: displacement 140.
  MoveAt(0, {160, 30});
  EXPECT_FALSE(mView->IsInertialScrolling(0));
  MoveAt(0, {180, 30});
  ASSERT_TRUE(mView->IsInertialScrolling(0));
  EXPECT_EQ(mView->GetInertialScrollVelocity(0), (10 + 1) * 15.0);
  EXPECT_FALSE(mView->IsInertialScrolling(1));
  EXPECT_EQ(mView->GetIdleRequestCount(), 1);

  // 200 ms of idle: the content moves 33 pixels and the control keeps up with the pointer.
  IdleAt(200);
  EXPECT_EQ(mView->GetScrollOffset().x, 33);
  EXPECT_EQ(mItem->GetBounds().x, 20 + 150 + 33);

  // Past the limit the displacement is clamped and the scrolling stops.
  MoveAt(300, {260, 30});
  EXPECT_FALSE(mView->IsInertialScrolling(0));
  EXPECT_EQ(mView->GetIdleRequestCount(), 0);

  // The other side: 20 pixels into the zone at the left edge of the visible area (33 .. 233).
  MoveAt(400, {10, 30});
  ASSERT_TRUE(mView->IsInertialScrolling(0));
  EXPECT_EQ(mView->GetInertialScrollVelocity(0), -(20 + 1) * 15.0);
  mWindow->Release(kMouseButtonLeft, {10, 30});
  EXPECT_FALSE(mView->IsInertialScrolling(0)) << "the end of the drag stops the parent";

  // Limits widened 30 pixels beyond the visible edge: no zone before the edge.
  mView->Scroll(0, 0);
  mItem->SetPlacement({0, kPositionClient, {}, 0, 20, false}, {kSizeSelf, {}, 0, 50},
                      {0, kPositionClient, {}, 0, 20, false}, {kSizeSelf, {}, 0, 30});
  mItem->mWidenLimits = 30;
  mWindow->Press(kMouseButtonLeft, {30, 30});
  MoveAt(500, {199, 30});
  EXPECT_FALSE(mView->IsInertialScrolling(0));
  MoveAt(500, {201, 30});
  EXPECT_TRUE(mView->IsInertialScrolling(0));
  EXPECT_EQ(mView->GetInertialScrollVelocity(0), (1 + 1) * 15.0);
  mWindow->Release(kMouseButtonLeft, {201, 30});
}

TEST_F(ControlDragTest, AFastReleaseFlingsTheContentWhichCoastsThenSlowsDown) {
  mItem->mWantedMode = LControl::kDragScroll;
  mItem->mWantedFlags = LControl::kDragAxisX;
  StartDrag(0);
  MoveAt(10, {15, 30}); // 15 pixels in 10 ms: the content at 1500 pixels per second
  EXPECT_EQ(mItem->GetScrollOffset().x, 15);
  EXPECT_EQ(mItem->GetDragVelocity().x, 1500);
  mApp.mMilliseconds = 60;
  mWindow->Release(kMouseButtonLeft, {15, 30});
  ASSERT_TRUE(mItem->IsInertialScrolling(0));
  EXPECT_EQ(mItem->GetInertialScrollVelocity(0), 1500);
  EXPECT_TRUE(mLog.empty()) << "a drag is no click";

  IdleAt(560); // coasting
  EXPECT_EQ(mItem->GetScrollOffset().x, 15 + 750);
  EXPECT_EQ(mItem->GetInertialScrollVelocity(0), 1500);
  IdleAt(1260); // a second after the release it slows by 1000 pixels per second each second
  EXPECT_EQ(mItem->GetScrollOffset().x, 15 + 750 + 1050);
  EXPECT_EQ(mItem->GetInertialScrollVelocity(0), 800);
  IdleAt(2260);
  EXPECT_EQ(mItem->GetScrollOffset().x, 15 + 750 + 1050 + 800);
  EXPECT_FALSE(mItem->IsInertialScrolling(0));
  EXPECT_EQ(mItem->GetIdleRequestCount(), 0);

  // Too slow, or released after a rest: no fling; a press stops a running one.
  const struct {
    const char* what;
    std::uint32_t moveAfter;
    std::int32_t distance;
    std::uint32_t releaseAfter;
    bool flings;
  } cases[] = {
      {"999 px/s", 1000, 999, 50, false},
      {"rested 100 ms", 10, 15, 100, false},
      {"fast", 10, 15, 99, true},
  };
  std::uint32_t now = 10000;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    StartDrag(now);
    MoveAt(now + c.moveAfter, {30 - c.distance, 30});
    mApp.mMilliseconds = now + c.moveAfter + c.releaseAfter;
    mWindow->Release(kMouseButtonLeft, {30 - c.distance, 30});
    EXPECT_EQ(mItem->IsInertialScrolling(0), c.flings);
    now += 5000;
  }
  mWindow->Press(kMouseButtonLeft, {30, 30});
  EXPECT_FALSE(mItem->IsInertialScrolling(0));
  mWindow->Release(kMouseButtonLeft, {30, 30});
  EXPECT_EQ(mLog, Log{"item.click"}) << "a press and release without movement is a click";
}

TEST_F(ControlDragTest, AFlingStaysWithinTheScrollRangeFromItsOrigin) {
  mItem->mExtent = {100, 0, 500, 1};
  mItem->mWantedMode = LControl::kDragScroll;
  mItem->mWantedFlags = LControl::kDragAxisX;
  const struct {
    std::int32_t pointerMove;
    double bound;
  } cases[] = {{15, 100}, {-15, 600}};
  std::uint32_t now = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bound);
    mItem->Scroll(300, 0);
    StartDrag(now);
    MoveAt(now + 10, {30 + c.pointerMove, 30});
    EXPECT_EQ(mItem->GetScrollOffset().x, 300 - c.pointerMove);
    mApp.mMilliseconds = now + 20;
    mWindow->Release(kMouseButtonLeft, {30 + c.pointerMove, 30});
    ASSERT_TRUE(mItem->IsInertialScrolling(0));
    IdleAt(now + 520);
    EXPECT_EQ(mItem->GetScrollOffset().x, c.bound);
    mItem->StopInertialScroll(0);
    now += 5000;
  }
  EXPECT_EQ(mItem->StopInertialScroll(0), S_FALSE);
}

TEST_F(ControlDragTest, DragAndDropFloatsTheControlFindsTargetsBeneathPopUpsAndRestoresIt) {
  const RCPtr<DragProbe> bin = Make(mRoot, u"bin", {250, 0, 100, 100});
  const RCPtr<DragProbe> popup = Make(mRoot, u"popup", {250, 0, 100, 40});
  popup->SetClipToParent(false);
  bin->mAccepts = true;
  mItem->mWantedMode = LControl::kDragAndDrop;
  mItem->mWantedFlags = LControl::kDragAxisX | LControl::kDragAxisY;
  mWindow->Press(kMouseButtonLeft, {30, 30});
  MoveAt(0, {150, 80});
  EXPECT_FALSE(mItem->GetLayout()->mClipToParent) << "it floats while dragged";
  EXPECT_EQ(mItem->GetBounds().x, 140);
  EXPECT_EQ(mApp.mCursorNames.back(), "UI_CURSOR_NO_DROP") << "the view does not accept it";
  EXPECT_EQ(mItem->GetDropTarget(), RCPtr<LControl>());

  // Over the pop-up, which floats and does not accept it: the bin beneath does.
  MoveAt(0, {300, 20});
  EXPECT_EQ(mItem->GetDropTarget(), RCPtr<LControl>(bin));
  EXPECT_EQ(mApp.mCursorNames.back(), "UI_CURSOR_DROP_MOVE");
  EXPECT_EQ(mLog, Log{"bin.enter(item)"});
  mView->Scroll(5, 0);
  mWindow->Release(kMouseButtonLeft, {300, 20});
  EXPECT_EQ(mLog, (Log{"bin.enter(item)", "bin.drop", "bin.leave"}));
  EXPECT_EQ(mApp.mCursorNames.back(), "UI_CURSOR_ARROW");
  EXPECT_TRUE(mItem->GetLayout()->mClipToParent);
  EXPECT_FALSE(mItem->GetLayout()->mPlacement[0].mDocked);
  // Where it was released (290 on screen, 295 in the view's content scrolled by 5), scrolling with the view again.
  EXPECT_EQ(mItem->GetBounds().x, 295);
  mView->Scroll(0, 0);
  EXPECT_EQ(mItem->GetBounds().x, 295);
  EXPECT_EQ(mItem->GetDropTarget(), RCPtr<LControl>());

  // The exclusion hides a control from hit testing for its scope only.
  {
    const CAutoHitTestExclusion exclusion{RCPtr<LControl>(popup)};
    RCPtr<LControl> found;
    PointT<std::int32_t> local{};
    mWindow->GetControlAtPoint(found, {300, 20}, local, false);
    EXPECT_EQ(found, RCPtr<LControl>(bin));
  }
  RCPtr<LControl> found;
  PointT<std::int32_t> local{};
  mWindow->GetControlAtPoint(found, {300, 20}, local, false);
  EXPECT_EQ(found, RCPtr<LControl>(popup));
}

} // namespace
} // namespace QZ
