#include "QZFramework/Application/RootWindow.h"

#include "Platform/App/AppHost.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Renderer/Renderer.h"
#include "Support/FakeFrameworkApp.h"
#include "Support/FakeRootWindow.h"
#include "Support/NotificationTestSupport.h"
#include "Support/TestControl.h"
#include "Support/TestFrameworkApp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::FakeWindowOSServices;

class RootWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    mNative.mClientSize = {100, 100};
    mNative.mActive = true;
    mRoot = LRootWindow::Create(RCPtr<LRenderer>(), &mNative);
  }

  static EdgeRect Bounds(const Region& region) {
    EdgeRect bounds{};
    (void)region.GetBounds(bounds);
    return bounds;
  }

  FakeWindowOSServices mNative;
  RCPtr<LRootWindow> mRoot;
};

TEST_F(RootWindowTest, InvalidationIsClippedToTheClientArea) {
  struct Case {
    const char* name;
    RectT<std::int32_t> rect;
    bool adds;
    EdgeRect added;
  };
  const Case cases[] = {
      {"overlapping the corner", {-10, -10, 30, 30}, true, {0, 0, 20, 20}},
      {"inside", {10, 20, 30, 40}, true, {10, 20, 40, 60}},
      {"past the right edge", {90, 90, 50, 50}, true, {90, 90, 100, 100}},
      {"outside", {200, 0, 10, 10}, false, {}},
      {"empty", {10, 10, 0, 5}, false, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mNative.mNativeInvalidated.clear();
    mRoot->InvalidateRect(c.rect);
    Region region;
    mRoot->TakeInvalidRegion(region);
    EXPECT_EQ(!region.IsEmpty(), c.adds);
    if (c.adds) {
      EXPECT_EQ(Bounds(region), c.added);
      ASSERT_EQ(mNative.mNativeInvalidated.size(), 1u);
      const RectT<std::int32_t> native = mNative.mNativeInvalidated[0];
      EXPECT_EQ((EdgeRect{native.x, native.y, native.x + native.width, native.y + native.height}), c.added);
    } else {
      EXPECT_TRUE(mNative.mNativeInvalidated.empty());
    }
  }
}

TEST_F(RootWindowTest, TakingTheRegionEmptiesItAndTheInvalidateAllFlagCoversTheClient) {
  mRoot->InvalidateRect({1, 1, 2, 2});
  Region first;
  mRoot->TakeInvalidRegion(first);
  Region second;
  mRoot->TakeInvalidRegion(second);
  EXPECT_FALSE(first.IsEmpty());
  EXPECT_TRUE(second.IsEmpty());

  mRoot->SetInvalidateAll();
  Region all;
  mRoot->TakeInvalidRegion(all);
  EXPECT_EQ(Bounds(all), (EdgeRect{0, 0, 100, 100}));
  Region again;
  mRoot->TakeInvalidRegion(again);
  EXPECT_TRUE(again.IsEmpty());
}

TEST_F(RootWindowTest, WithoutRootControlASizeOnlyStaysPositive) {
  struct Case {
    std::int32_t width, height, expectedWidth, expectedHeight;
    bool changed;
  };
  for (const Case c : {Case{0, 0, 1, 1, true}, Case{-5, 40, 1, 40, true}, Case{50, 60, 50, 60, false}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    std::int32_t width = c.width;
    std::int32_t height = c.height;
    EXPECT_EQ(mRoot->ConstrainSize(width, height), c.changed);
    EXPECT_EQ(width, c.expectedWidth);
    EXPECT_EQ(height, c.expectedHeight);
  }
}

TEST_F(RootWindowTest, TheRootControlsLayoutLimitsTheSize) {
  test::FakeFrameworkApp app;
  const RCPtr<test::TestControl> control = MakeRCPtr<test::TestControl>(RCPtr<LControl>(), WideString(u"root"));
  control->SetLayout(MakeRCPtr<LLayoutDescriptor>());
  ASSERT_EQ(mRoot->SetRootControl(control), S_OK);
  SizeLimitSpec minimum;
  minimum.mAbsolute = 150;
  SizeLimitSpec maximum;
  maximum.mAbsolute = 400;
  ASSERT_GE(control->SetAxisSizeLimits(0, minimum, maximum), 0);
  minimum.mAbsolute = 120;
  ASSERT_GE(control->SetAxisSizeLimits(1, minimum, maximum), 0);
  struct Case {
    std::int32_t width, height, expectedWidth, expectedHeight;
    bool changed;
  };
  for (const Case c : {Case{40, 200, 150, 200, true}, Case{300, 10, 300, 120, true},
                       Case{500, 500, 400, 400, true}, Case{200, 200, 200, 200, false}}) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    std::int32_t width = c.width;
    std::int32_t height = c.height;
    EXPECT_EQ(mRoot->ConstrainSize(width, height), c.changed);
    EXPECT_EQ(width, c.expectedWidth);
    EXPECT_EQ(height, c.expectedHeight);
  }
  (void)mRoot->SetRootControl(RCPtr<LControl>());
}

TEST_F(RootWindowTest, AQueueWalkStartedFromADeliveredNotificationDoesNothing) {
  std::vector<std::string> log;
  auto client = test::MakeClient("c", &log);
  bool innerResult = true;
  client->hook = [&](test::LoggingClient&, const RCPtr<LNotificationDistributor>&,
                     const RCPtr<LNotification>& notification) {
    // A command that opens a modal dialog: its loop runs idle passes of every window.
    if (notification->GetID() == InternNotificationID(u"NID_FIRST"))
      innerResult = mRoot->ProcessIdle(true);
  };
  client->Subscribe(mRoot->GetNotificationDistributor(), u"NID_FIRST");
  client->Subscribe(mRoot->GetNotificationDistributor(), u"NID_SECOND");
  ASSERT_EQ(mRoot->Post(LNotification::Create(u"NID_FIRST")), S_OK);
  ASSERT_EQ(mRoot->Post(LNotification::Create(u"NID_SECOND")), S_OK);
  EXPECT_FALSE(mRoot->ProcessIdle(false));
  EXPECT_FALSE(innerResult);
  EXPECT_EQ(log, (std::vector<std::string>{"c:NID_FIRST", "c:NID_SECOND"}));
  mRoot->UnsubscribeAllClients();
}

TEST_F(RootWindowTest, AHotKeyOfTheWindowArrivesAtItsClientsInTheNextIdlePass) {
  std::vector<std::string> log;
  auto client = test::MakeClient("c", &log);
  client->Subscribe(mRoot->GetNotificationDistributor(), u"NID_OPEN");
  const KeyCode ctrlO(0x4F, true, 0, kModifierCtrl);
  ASSERT_EQ(mRoot->GetHotKeyManager()->GetHotKeyMap().AddKey(ctrlO, WideString(u"NID_OPEN")), S_OK);
  EXPECT_EQ(mRoot->GetHotKeyManager()->ProcessKey(ctrlO), 0);
  EXPECT_TRUE(log.empty());
  (void)mRoot->ProcessIdle(false);
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("c:NID_OPEN", 0), 0u);
  mRoot->UnsubscribeAllClients();
}

TEST_F(RootWindowTest, TheKeyQueueGrowsAndIsDrainedByTheIdlePass) {
  for (int i = 0; i < 300; ++i)
    mRoot->QueueKey(LKeyParam::Create(KeyCode(u'a', 0), 1));
  EXPECT_EQ(mRoot->GetQueuedKeyCount(), 300u);
  (void)mRoot->ProcessIdle(false);
  EXPECT_EQ(mRoot->GetQueuedKeyCount(), 0u);
}

TEST_F(RootWindowTest, ACloseRequestEndsTheWindowAtTheNextIdleWorkOnce) {
  EXPECT_EQ(mRoot->RequestClose(3), S_OK);
  EXPECT_TRUE(mNative.mEndModalResults.empty());
  (void)mRoot->ProcessIdle(false);
  (void)mRoot->ProcessIdle(false);
  EXPECT_EQ(mNative.mEndModalResults, std::vector<std::int32_t>{3});

  // The system's close of a window that is not a dialog: result 0.
  mRoot->RequestSystemClose();
  EXPECT_TRUE(mRoot->IsCloseRequested());
  EXPECT_EQ(mRoot->GetCloseResult(), 0);

  const RCPtr<LRootWindow> orphan = LRootWindow::Create(RCPtr<LRenderer>(), nullptr);
  EXPECT_EQ(orphan->RequestClose(1), E_FAIL);
  EXPECT_EQ(orphan->GetBounds(), LRootWindow::kInitialBounds);
}

TEST_F(RootWindowTest, CaptureNeedsAControlAndHoverFollowsOnlyTheCaptureHolder) {
  EXPECT_EQ(mRoot->SetCaptureControl(RCPtr<LControl>()), E_INVALIDARG);
  const RCPtr<LControl> holder = MakeRCPtr<test::TestControl>(RCPtr<LControl>(), WideString(u"holder"));
  const RCPtr<LControl> other = MakeRCPtr<test::TestControl>(RCPtr<LControl>(), WideString(u"other"));
  EXPECT_EQ(mRoot->SetCaptureControl(holder), S_OK);
  EXPECT_EQ(mRoot->SetHoverControl(other), S_OK);
  EXPECT_FALSE(mRoot->GetHoverControl());
  EXPECT_EQ(mRoot->SetHoverControl(holder), S_OK);
  EXPECT_EQ(mRoot->GetHoverControl(), holder);
  mRoot->CaptureLost();
  EXPECT_FALSE(mRoot->GetCaptureControl());
  EXPECT_EQ(mRoot->SetHoverControl(RCPtr<LControl>()), S_OK);
}

TEST_F(RootWindowTest, TheDropStateIsClearedWhole) {
  auto files = MakeRCPtr<LDropFileList>();
  (void)files->InsertItem(0, WideString(u"/tmp/a"));
  mRoot->SetDropData(files);
  EXPECT_FALSE(mRoot->UpdateDropTarget({5, 5}));
  mRoot->ClearDrop();
  EXPECT_FALSE(mRoot->GetDropData());
  EXPECT_FALSE(mRoot->GetDropTarget());
}

TEST_F(RootWindowTest, TheReleaseHookFreesTheWindowWithItsTree) {
  const std::int32_t before = test::TestControl::sLive;
  {
    RCPtr<LControl> control = MakeRCPtr<test::TestControl>(RCPtr<LControl>(), WideString(u"root"));
    EXPECT_EQ(mRoot->SetRootControl(control), S_OK);
    EXPECT_EQ(mRoot->GetRootControl(), control);
    EXPECT_EQ(control->GetRootWindow().Get(), static_cast<IRootWindow*>(mRoot.Get()));
    // The whole client area waits for its paint.
    Region region;
    mRoot->TakeInvalidRegion(region);
    EXPECT_EQ(Bounds(region), (EdgeRect{0, 0, 100, 100}));
  }
  EXPECT_EQ(test::TestControl::sLive, before + 1);
  mRoot = RCPtr<LRootWindow>();
  EXPECT_EQ(test::TestControl::sLive, before);
}

TEST_F(RootWindowTest, TabFromOneWindowActivatesTheNextOrWithShiftThePrevious) {
  Platform::AppHost host;
  auto app = MakeRCPtr<test::TestFrameworkApp>(MakeRCPtr<LControlFactory>(WideString(u"App")),
                                               MakeRCPtr<LStringTable>(LStringTable::Entries()), host);
  FakeWindowOSServices natives[2];
  const RCPtr<test::FakeRootWindow> first = MakeRCPtr<test::FakeRootWindow>(&natives[0]);
  const RCPtr<test::FakeRootWindow> second = MakeRCPtr<test::FakeRootWindow>(&natives[1]);
  // Alone, the window does not hand the focus to another.
  ASSERT_EQ(app->AddRootWindow(mRoot), 0);
  mRoot->TabToNextWindow(LKeyParam::Create(KeyCode(0x09, true, 0, 0), 1));
  EXPECT_EQ(natives[0].mSetFocusCount + natives[1].mSetFocusCount, 0);
  ASSERT_EQ(app->RemoveRootWindow(mRoot), 0);

  (void)app->AddRootWindow(first);
  (void)app->AddRootWindow(second);
  (void)app->AddRootWindow(mRoot);
  // Tab from the last window wraps to the first; Shift+Tab goes back to the second.
  mRoot->TabToNextWindow(LKeyParam::Create(KeyCode(0x09, true, 0, 0), 1));
  EXPECT_EQ(natives[0].mSetFocusCount, 1);
  mRoot->TabToNextWindow(LKeyParam::Create(KeyCode(0x09, true, 0, kModifierShift), 1));
  EXPECT_EQ(natives[1].mSetFocusCount, 1);
  // An active target is left as it is; nothing happens during a modal loop or while inactive.
  natives[0].mActive = true;
  mRoot->TabToNextWindow(LKeyParam::Create(KeyCode(0x09, true, 0, 0), 1));
  EXPECT_EQ(natives[0].mSetFocusCount, 1);
  natives[0].mActive = false;
  mNative.mInModalLoop = true;
  mRoot->TabToNextWindow(LKeyParam::Create(KeyCode(0x09, true, 0, 0), 1));
  mNative.mInModalLoop = false;
  mNative.mActive = false;
  mRoot->TabToNextWindow(LKeyParam::Create(KeyCode(0x09, true, 0, 0), 1));
  EXPECT_EQ(natives[0].mSetFocusCount, 1);
  (void)app->RemoveRootWindow(mRoot);
  (void)app->RemoveRootWindow(first);
  (void)app->RemoveRootWindow(second);
}

TEST_F(RootWindowTest, APaintDuringAnUnfinishedFrameInvalidatesAllAndDrawsNothing) {
  const RCPtr<LRenderer> renderer = LRenderer::Create(kRendererTypeGDIPlus, {0, 0, 100, 100}, nullptr);
  ASSERT_TRUE(renderer);
  RCPtr<LRenderContextInfo> context;
  ASSERT_EQ(renderer->InitRenderContextInfo({0, 0, 100, 100}, nullptr, false, context), S_OK);
  mRoot = LRootWindow::Create(renderer, &mNative);
  ASSERT_EQ(mRoot->SetRootControl(MakeRCPtr<test::TestControl>(RCPtr<LControl>(), WideString(u"root"))), S_OK);
  Region region;
  region.AddRect({0, 0, 50, 50});

  ASSERT_EQ(renderer->RenderStart(context), S_OK);
  mRoot->Paint(region);
  EXPECT_EQ(mNative.mInvalidateAllCount, 0);
  EXPECT_TRUE(context->mSavedStates.empty()); // the clip's state is popped again
  renderer->PushState();
  mRoot->Paint(region);
  EXPECT_EQ(mNative.mInvalidateAllCount, 1);
  renderer->PopState();
  ASSERT_EQ(renderer->RenderFinish(context), S_OK);
}

TEST_F(RootWindowTest, CursorZeroMeansTheDefaultArrow) {
  mNative.mCursor = 7;
  EXPECT_EQ(mRoot->SetCursor(5), 7u);
  EXPECT_EQ(mRoot->SetCursor(0), 5u);
  EXPECT_EQ(mNative.mCursor, GetCursorID(WideString(kCursorDefault)));
  const RCPtr<LRootWindow> orphan = LRootWindow::Create(RCPtr<LRenderer>(), nullptr);
  EXPECT_EQ(orphan->SetCursor(5), 0u);
}

} // namespace
} // namespace QZ
