#include "QZFramework/ControlBase/ControlTreeFixture.h"

#include <string>
#include <vector>

namespace QZ {
namespace {

using test::ControlTreeFixture;
using test::FakeRootWindow;
using test::FakeWindowOSServices;
using test::Sub;
using test::TestControl;

using ControlTest = ControlTreeFixture;

// main > {panel > {a, b}, c}; "lonely" elsewhere.

std::string Tree() { return Sub("main", "", Sub("panel", "", Sub("a") + Sub("b")) + Sub("c")) + Sub("lonely"); }

TEST_F(ControlTest, ReparentingMovesTheControlWithItsSubtree) {
  LoadSkin(Tree());
  const RCPtr<TestControl> main = Create(u"main");
  const RCPtr<TestControl> panel = Child(main, u"panel");
  const RCPtr<TestControl> c = Child(main, u"c");
  const RCPtr<TestControl> a = Child(panel, u"a");
  const std::int32_t stamp = main->GetChildren().GetChangeStamp();

  EXPECT_EQ(panel->SetParent(main), S_FALSE);
  EXPECT_EQ(main->GetChildren().GetChangeStamp(), stamp) << "the current parent changes nothing";

  ASSERT_EQ(panel->SetParent(c), S_OK);
  EXPECT_EQ(panel->GetParent().Get(), c.Get());
  EXPECT_EQ(Names(*main, 0), "c");
  EXPECT_EQ(main->mRemoved, std::vector<std::string>{"panel:0"});
  EXPECT_EQ(a->GetTopLevelControl().Get(), main.Get()) << "the subtree came along";
  EXPECT_EQ(main->GetInnerRefCount(), 1);
  EXPECT_EQ(c->GetInnerRefCount(), 1);

  ASSERT_EQ(panel->SetParent(RCPtr<LControl>()), S_OK);
  EXPECT_FALSE(panel->GetParent());
  EXPECT_EQ(c->GetChildren().GetCount(), 0u);
  EXPECT_EQ(Names(*panel, 0), "a b");
}

TEST_F(ControlTest, AControlCannotMoveUnderItselfOrItsDescendants) {
  LoadSkin(Tree());
  const RCPtr<TestControl> main = Create(u"main");
  const RCPtr<TestControl> panel = Child(main, u"panel");
  for (const RCPtr<LControl>& below : {RCPtr<LControl>(panel), main->FindChild(u"panel")->FindChild(u"b")}) {
    EXPECT_EQ(panel->SetParent(below), E_INVALIDARG);
    EXPECT_EQ(panel->GetParent().Get(), main.Get());
  }
  EXPECT_EQ(main->SetParent(Child(panel, u"a")), E_INVALIDARG);
  EXPECT_FALSE(main->GetParent());
}

TEST_F(ControlTest, ARootWindowTakesOnlyAControlWithoutParent) {
  LoadSkin(Sub("main", "", Sub("child")));
  FakeWindowOSServices window;
  const RCPtr<FakeRootWindow> root = MakeRCPtr<FakeRootWindow>(&window);
  const RCPtr<TestControl> main = Create(u"main", root);
  ASSERT_TRUE(main);
  EXPECT_EQ(main->GetRootWindow().Get(), root.Get());
  EXPECT_EQ(window.mTitleCount, 0) << "a window without root control keeps its title";

  const RCPtr<TestControl> child = Child(main, u"child");
  EXPECT_EQ(child->SetRootWindow(root), E_FAIL);
  EXPECT_FALSE(child->GetRootWindow());
  EXPECT_EQ(child->GetRootWindowSlot().Get(), root.Get()) << "reached through the top";

  // With a root control installed, a new top-level control hands it its text; one without text leaves the
  // window's title as it was.
  root->SetRootControl(main);
  const RCPtr<TestControl> untitled = Make(nullptr, u"untitled");
  EXPECT_EQ(untitled->SetRootWindow(root), S_OK);
  EXPECT_EQ(window.mTitleCount, 0);
  EXPECT_EQ(untitled->SetRootWindow(RCPtr<IRootWindow>()), S_OK);
  const RCPtr<TestControl> other = Make(nullptr, u"other");
  other->SetText(u"Other title");
  EXPECT_EQ(other->SetRootWindow(root), S_OK);
  EXPECT_TRUE(main->GetText().IsEqual(u"Other title"));
  EXPECT_TRUE(window.mTitle.IsEqual(u"Other title"));
  EXPECT_EQ(other->SetRootWindow(RCPtr<IRootWindow>()), S_OK);
  EXPECT_FALSE(other->GetRootWindow());

  // Moving a top-level control under a parent lets its window go.
  EXPECT_EQ(other->SetRootWindow(root), S_OK);
  EXPECT_EQ(other->SetParent(main), S_OK);
  EXPECT_FALSE(other->GetRootWindow());
  root->SetRootControl(RCPtr<LControl>());
}

TEST_F(ControlTest, IdleRequestsSubscribeOnlyThroughARootWindow) {
  LoadSkin(Sub("main", "", Sub("child")));
  const RCPtr<FakeRootWindow> root = MakeRCPtr<FakeRootWindow>();
  const RCPtr<TestControl> main = Create(u"main");
  const RCPtr<TestControl> child = Child(main, u"child");

  EXPECT_EQ(child->BeginIdleNotifications(), S_OK);
  EXPECT_EQ(child->GetIdleRequestCount(), 1);
  EXPECT_EQ(child->GetSubscriptionCount(), 0) << "no root window yet";
  root->ProcessIdle();
  EXPECT_EQ(child->mIdleCalls, 0);

  root->SetRootControl(main);
  EXPECT_EQ(child->GetSubscriptionCount(), 1) << "attaching the tree subscribed it";
  root->ProcessIdle();
  EXPECT_EQ(child->mIdleCalls, 1);

  EXPECT_EQ(child->BeginIdleNotifications(), S_OK);
  EXPECT_EQ(child->GetSubscriptionCount(), 1);
  EXPECT_EQ(child->EndIdleNotifications(), S_OK);
  root->ProcessIdle();
  EXPECT_EQ(child->mIdleCalls, 2) << "one request is left";
  EXPECT_EQ(child->EndIdleNotifications(), S_OK);
  EXPECT_EQ(child->GetSubscriptionCount(), 0);
  root->ProcessIdle();
  EXPECT_EQ(child->mIdleCalls, 2);
  EXPECT_EQ(main->mIdleCalls, 0) << "only controls with requests are called";

  // An end without a request does nothing, so the next request still subscribes.
  EXPECT_EQ(child->EndIdleNotifications(), S_FALSE);
  EXPECT_EQ(child->GetIdleRequestCount(), 0);
  EXPECT_EQ(child->BeginIdleNotifications(), S_OK);
  root->ProcessIdle();
  EXPECT_EQ(child->mIdleCalls, 3);
  EXPECT_EQ(child->EndIdleNotifications(), S_OK);

  // A request made off the window and carried into it by re-parenting was never
  // subscribed: its end finds no binding.
  const RCPtr<TestControl> stray = Make(nullptr, u"stray");
  ASSERT_EQ(stray->Initialize(), S_OK);
  EXPECT_EQ(stray->BeginIdleNotifications(), S_OK);
  ASSERT_EQ(stray->SetParent(main), S_OK);
  EXPECT_EQ(stray->EndIdleNotifications(), E_FAIL);
  EXPECT_EQ(stray->GetIdleRequestCount(), 0);
  root->SetRootControl(RCPtr<LControl>());
}

TEST_F(ControlTest, IdleRequestsOfAControlNotYetInitialisedFail) {
  const RCPtr<FakeRootWindow> root = MakeRCPtr<FakeRootWindow>();
  const RCPtr<TestControl> control = Make(nullptr, u"bare");
  ASSERT_EQ(control->SetRootWindow(root), S_OK);
  EXPECT_EQ(control->BeginIdleNotifications(), E_FAIL);
  EXPECT_EQ(control->GetIdleRequestCount(), 0) << "a failed subscription takes the request back";
  EXPECT_EQ(control->SetRootWindow(RCPtr<IRootWindow>()), S_OK);
}

TEST_F(ControlTest, NotificationsWaitForTheCreatedFlag) {
  const RCPtr<FakeRootWindow> root = MakeRCPtr<FakeRootWindow>();
  const RCPtr<TestControl> control = Make(nullptr, u"young");
  ASSERT_EQ(control->Initialize(), S_OK);
  EXPECT_TRUE(control->GetNotificationCenter());
  ASSERT_EQ(control->SetRootWindow(root), S_OK);
  ASSERT_EQ(control->BeginIdleNotifications(), S_OK);
  root->ProcessIdle();
  EXPECT_EQ(control->mIdleCalls, 0);
  control->SetCreated();
  root->ProcessIdle();
  EXPECT_EQ(control->mIdleCalls, 1);
  EXPECT_EQ(control->Close(), S_OK);
}

TEST_F(ControlTest, ChildrenClosedLaterLeaveAtTheNextIdlePass) {
  LoadSkin(Tree());
  const RCPtr<FakeRootWindow> root = MakeRCPtr<FakeRootWindow>();
  const RCPtr<TestControl> main = Create(u"main", root);
  root->SetRootControl(main);
  const RCPtr<TestControl> panel = Child(main, u"panel");
  const RCPtr<TestControl> a = Child(panel, u"a");
  const RCPtr<TestControl> b = Child(panel, u"b");

  EXPECT_EQ(panel->CloseChildLater(main), E_INVALIDARG);
  EXPECT_EQ(panel->CloseChildLater(RCPtr<LControl>()), E_INVALIDARG);
  EXPECT_EQ(panel->CloseChildLater(a), S_OK);
  EXPECT_EQ(panel->CloseChildLater(b), S_OK);
  EXPECT_EQ(panel->GetIdleRequestCount(), 1);
  EXPECT_FALSE(a->GetLayout()->mVisible);
  EXPECT_FALSE(b->GetLayout()->mVisible);
  EXPECT_EQ(Names(*panel, 0), "a b") << "still children until the idle pass";

  root->ProcessIdle();
  EXPECT_EQ(panel->GetChildren().GetCount(), 0u);
  EXPECT_FALSE(a->GetParent());
  EXPECT_EQ(panel->GetCloseLaterCount(), 0u);
  EXPECT_EQ(panel->GetIdleRequestCount(), 0);
  EXPECT_EQ(panel->GetSubscriptionCount(), 0);
  EXPECT_EQ(panel->mIdleCalls, 1);

  // Adding a control closes the queued ones first, so a name can be reused at once.
  const RCPtr<TestControl> c = Child(main, u"c");
  EXPECT_EQ(main->CloseChildLater(c), S_OK);
  const RCPtr<TestControl> second = Make(main, u"c");
  EXPECT_EQ(main->FindChild(u"c").Get(), second.Get());
  EXPECT_FALSE(c->GetParent());
  EXPECT_EQ(main->GetIdleRequestCount(), 0);
  root->SetRootControl(RCPtr<LControl>());
}

TEST_F(ControlTest, ClosingATopLevelControlTakesItOutOfEverything) {
  LoadSkin(Sub("main", "ClipToParent=\"False\"", Sub("child")));
  const RCPtr<FakeRootWindow> root = MakeRCPtr<FakeRootWindow>();
  const RCPtr<TestControl> main = Create(u"main", root);
  ASSERT_EQ(main->BeginIdleNotifications(), S_OK);
  ASSERT_EQ(main->BeginIdleNotifications(), S_OK);
  EXPECT_EQ(main->GetSubscriptionCount(), 1);

  EXPECT_EQ(main->Close(), S_OK);
  EXPECT_FALSE(main->GetRootWindow());
  EXPECT_FALSE(main->GetLayout()->mVisible);
  EXPECT_TRUE(main->GetLayout()->mClipToParent);
  EXPECT_EQ(main->GetIdleRequestCount(), 0);
  EXPECT_EQ(main->GetSubscriptionCount(), 0);
  EXPECT_EQ(root->GetRefCount(), 1) << "the control let its window go";
}

TEST_F(ControlTest, ClosingAChildLeavesItsParentsCountsAndList) {
  LoadSkin(Sub("main", "", Sub("float", "ClipToParent=\"False\"")));
  const RCPtr<TestControl> main = Create(u"main");
  const RCPtr<TestControl> floating = Child(main, u"float");
  EXPECT_EQ(main->GetUnclippedDescendantCount(), 1);
  EXPECT_EQ(floating->Close(), S_OK);
  EXPECT_EQ(main->GetUnclippedDescendantCount(), 0);
  EXPECT_EQ(main->GetChildren().GetCount(), 0u);
}

// The last outside reference to the top frees the whole tree, with or without
// a root window, subscriptions between the controls and idle requests.
TEST_F(ControlTest, TreesAreFreedWhenTheLastOutsideReferenceGoes) {
  LoadSkin(Tree());
  {
    const RCPtr<TestControl> main = Create(u"main");
    EXPECT_EQ(TestControl::sLive, 5);
    EXPECT_EQ(main->GetRefCount() - main->GetInnerRefCount(), 1);
  }
  EXPECT_EQ(TestControl::sLive, 0);

  {
    const RCPtr<FakeRootWindow> root = MakeRCPtr<FakeRootWindow>();
    const RCPtr<TestControl> main = Create(u"main", root);
    root->SetRootControl(main);
    const RCPtr<TestControl> a = Child(Child(main, u"panel"), u"a");
    const RCPtr<TestControl> c = Child(main, u"c");
    // a listens to c's notifications, c to its parent's; both have idle work.
    ASSERT_TRUE(a->Subscribe(c, u"NID_VALUE_CHANGE"));
    ASSERT_TRUE(c->Subscribe(main, u"NID_VALUE_CHANGE"));
    ASSERT_EQ(a->BeginIdleNotifications(), S_OK);
    ASSERT_EQ(main->CloseChildLater(c), S_OK);
  }
  EXPECT_EQ(TestControl::sLive, 0);

  // A child kept outside outlives its parent, detached.
  RCPtr<TestControl> kept;
  {
    const RCPtr<TestControl> main = Create(u"main");
    kept = Child(main, u"panel");
  }
  EXPECT_EQ(TestControl::sLive, 3);
  EXPECT_FALSE(kept->GetParent());
  EXPECT_EQ(Names(*kept, 0), "a b");
  kept = nullptr;
}

TEST_F(ControlTest, FactoryCreatesTopLevelControlsByNameWithTheirStringTables) {
  mFactory->LoadStringTablesFromText(
      test::Bytes(test::Utf16Document("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r>"
                                      "<StringTable ID=\"App|main\"><String ID=\"T\"><Locale LCID=\"0x0009\">top"
                                      "</Locale></String></StringTable>"
                                      "<StringTable ID=\"Test.Control|child\"><String ID=\"T\"><Locale "
                                      "LCID=\"0x0009\">inner</Locale></String></StringTable></r>")),
      test::Bytes(std::string()), 0x0409);
  LoadSkin(Sub("main", "IsVisible=\"False\"", Sub("child")));
  EXPECT_FALSE(Create(u"absent"));
  EXPECT_FALSE(mFactory->CreateControl(RCPtr<LControlDescriptor>(), RCPtr<LControl>()));

  const RCPtr<TestControl> main = Create(u"main");
  ASSERT_TRUE(main);
  EXPECT_TRUE(main->GetLayout()->mVisible) << "a top-level control is created visible";
  EXPECT_TRUE(main->IsCreated());
  const auto textOf = [](const RCPtr<LControl>& control) {
    WideString text;
    const RCPtr<LStringTable> table = control->GetStringTable();
    return table && table->GetString(u"T", text) ? test::Narrow(text) : std::string("<none>");
  };
  EXPECT_EQ(textOf(main), "top");
  EXPECT_EQ(textOf(main->FindChild(u"child")), "inner");
  // A parent that was not built from a descriptor gives its children no table.
  EXPECT_EQ(textOf(Make(Make(nullptr, u"plain"), u"child")), "<none>");
}

TEST_F(ControlTest, FocusToolTipOwnerAndHiddenFlag) {
  LoadSkin(Sub("main", "", Sub("group", "", Sub("leaf") + Sub("off"))));
  const RCPtr<TestControl> main = Create(u"main");
  const RCPtr<TestControl> group = Child(main, u"group");
  const RCPtr<TestControl> leaf = Child(group, u"leaf");
  const RCPtr<TestControl> off = Child(group, u"off");
  for (const RCPtr<TestControl>& control : {main, group, leaf, off})
    control->SetFocusFlags(false, false);
  off->GetLayout()->mEnabled = false;

  // Containers pass the focus on; a disabled control never takes it.
  EXPECT_TRUE(leaf->CanTakeFocus());
  EXPECT_FALSE(off->CanTakeFocus());
  EXPECT_FALSE(group->CanTakeFocus());
  EXPECT_TRUE(group->HasFocusableChild());
  // An ancestor marked not focusable keeps its descendants from the focus, up
  // to a focus boundary.
  main->SetFocusFlags(true, false);
  EXPECT_FALSE(leaf->CanTakeFocus());
  group->SetFocusFlags(false, true);
  EXPECT_TRUE(leaf->CanTakeFocus());
  leaf->SetSize(0, 10);
  EXPECT_FALSE(leaf->CanTakeFocus()) << "no size, not visible";

  EXPECT_EQ(leaf->SetHidden(true), S_OK);
  EXPECT_EQ(leaf->SetHidden(true), S_FALSE);
  EXPECT_TRUE(leaf->IsHidden());
  EXPECT_EQ(Make(nullptr, u"bare")->SetHidden(true), E_FAIL);
  EXPECT_EQ(leaf->ReservedQueryC(leaf->GetBounds()), S_OK);

  // The tool tip of a control that uses its parent's and has none of its own.
  main->SetToolTip(u"main tip", false);
  group->SetToolTip(WideString(), true);
  leaf->SetToolTip(WideString(), true);
  off->SetToolTip(u"own", true);
  EXPECT_EQ(LControl::GetToolTipOwner(leaf).Get(), main.Get());
  EXPECT_EQ(LControl::GetToolTipOwner(off).Get(), off.Get());
  group->SetToolTip(WideString(), false);
  EXPECT_EQ(LControl::GetToolTipOwner(leaf).Get(), group.Get());
  EXPECT_FALSE(LControl::GetToolTipOwner(RCPtr<LControl>()));
}

} // namespace
} // namespace QZ
