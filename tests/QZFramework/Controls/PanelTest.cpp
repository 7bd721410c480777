// Tab traversal through nested panels: the walk stays inside a panel until its
// children are exhausted, and only the top-level control wraps around. Keys
// nobody used climb the chain of panels to the window's and the application's
// hot keys, and the keys a parent offers its children reach into panels.

#include "QZFramework/Controls/ControlsFixture.h"

#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Panel.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace QZ {
namespace {

using test::ControlsFixture;
using test::Placed;
using test::TestControl;

// root (not a panel) > outer panel > [first, nested panel > [a, b, c], d]; root > after.
class PanelTabTest : public ControlsFixture {
protected:
  void SetUp() override {
    ControlsFixture::SetUp();
    mRoot = Make<TestControl>(RCPtr<LControl>(), u"root", {0, 0, 400, 200});
    mWindow->SetRootControl(mRoot);
    mOuter = Make<LPanel>(mRoot, u"outer", {0, 0, 300, 100});
    mFirst = Make<LButton>(mOuter, u"first", {0, 0, 20, 20});
    mNested = Make<LPanel>(mOuter, u"nested", {30, 0, 100, 50});
    mA = Make<LButton>(mNested, u"a", {0, 0, 20, 20});
    mB = Make<LButton>(mNested, u"b", {30, 0, 20, 20});
    mC = Make<LButton>(mNested, u"c", {60, 0, 20, 20});
    mD = Make<LButton>(mOuter, u"d", {200, 0, 20, 20});
    mAfter = Make<LButton>(mRoot, u"after", {0, 150, 20, 20});
  }
  void TearDown() override {
    mRoot = RCPtr<Placed<TestControl>>();
    mOuter = mNested = RCPtr<Placed<LPanel>>();
    mFirst = mA = mB = mC = mD = mAfter = RCPtr<Placed<LButton>>();
    ControlsFixture::TearDown();
  }

  RCPtr<Placed<TestControl>> mRoot;
  RCPtr<Placed<LPanel>> mOuter, mNested;
  RCPtr<Placed<LButton>> mFirst, mA, mB, mC, mD, mAfter;
};

TEST_F(PanelTabTest, TabLeavesANestedPanelForwardAndBackwardsAndOnlyTheTopWraps) {
  struct Step {
    const char* from;
    std::uint32_t modifiers;
    const char* to;
  };
  const Step steps[] = {
      {"first", 0, "a"}, // into the nested panel, at its first child
      {"a", 0, "b"},
      {"b", 0, "c"},
      {"c", 0, "d"},                  // the end of the nested panel continues after it, no wrap
      {"d", 0, "after"},              // the outer panel hands on to the root
      {"after", 0, "first"},          // the top-level control wraps
      {"a", kModifierShift, "first"}, // before the nested panel
      {"first", kModifierShift, "after"},
      {"d", kModifierShift, "c"}, // into the nested panel from its end
      // Ctrl climbs out of both panels at once; the root, not a panel, turns it
      // into a Tab that leaves it: to the next window, here the same one.
      {"a", kModifierCtrl, "first"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(std::string(step.from) + " -> " + step.to);
    RCPtr<LControl> start;
    for (const auto& button : {mFirst, mA, mB, mC, mD, mAfter})
      if (std::string(button->GetName().ToNarrow().GetChars()) == step.from)
        start = button;
    ASSERT_TRUE(start);
    ASSERT_EQ(start->SetFocus(true), S_OK);
    mWindow->Key(0x09, step.modifiers);
    EXPECT_EQ(Focused(), step.to);
  }
  EXPECT_EQ(mWindow->mTabsOut, 1) << "only Ctrl+Tab left the root";
}

TEST_F(PanelTabTest, ADisabledNestedPanelIsPassedThrough) {
  mNested->SetEnabled(false);
  ASSERT_EQ(mFirst->SetFocus(true), S_OK);
  mWindow->Key(0x09);
  EXPECT_EQ(Focused(), "d");
  mWindow->Key(0x09, kModifierShift);
  EXPECT_EQ(Focused(), "first");
}

TEST_F(PanelTabTest, APanelWhoseControlsAreAllDisabledIsPassedThroughAndNeverTakesTheFocus) {
  for (const auto& button : {mA, mB, mC})
    button->SetEnabled(false);
  EXPECT_FALSE(mNested->CanTakeFocus());
  ASSERT_EQ(mFirst->SetFocus(true), S_OK);
  mWindow->Key(0x09);
  EXPECT_EQ(Focused(), "d");
  mWindow->Key(0x09, kModifierShift);
  EXPECT_EQ(Focused(), "first");
  mWindow->Click(kMouseButtonLeft, {60, 40}); // on the panel, beside its buttons
  EXPECT_EQ(Focused(), "first");

  mB->SetEnabled(true);
  mWindow->Key(0x09);
  EXPECT_EQ(Focused(), "b");
}

// top panel > [x, box (not a panel) > p1 > p2 > inner, y]
TEST_F(ControlsFixture, CtrlTabLeavesEveryPanelUpToAContainerThatIsNotAPanel) {
  const auto top = Make<LPanel>(RCPtr<LControl>(), u"top", {0, 0, 300, 100});
  mWindow->SetRootControl(top);
  const auto x = Make<LButton>(top, u"x", {0, 0, 20, 20});
  const auto box = Make<TestControl>(top, u"box", {30, 0, 100, 100});
  const auto p1 = Make<LPanel>(box, u"p1", {0, 0, 100, 100});
  const auto p2 = Make<LPanel>(p1, u"p2", {0, 0, 100, 100});
  const auto inner = Make<LButton>(p2, u"inner", {0, 0, 20, 20});
  const auto y = Make<LButton>(top, u"y", {200, 0, 20, 20});
  for (const auto& [modifiers, expected] :
       {std::pair{kModifierCtrl, "y"}, std::pair{kModifierCtrl | kModifierShift, "x"}}) {
    SCOPED_TRACE(expected);
    ASSERT_EQ(inner->SetFocus(true), S_OK);
    mWindow->Key(0x09, modifiers);
    EXPECT_EQ(Focused(), expected);
  }
  mWindow->Key(0x09); // plain Tab at the top-level panel wraps
  EXPECT_EQ(Focused(), "inner");
  EXPECT_EQ(mWindow->mTabsOut, 0);
}

// A control of class T that writes down the commands its local hot keys send it.
template <class T>
class HotKeyed : public Placed<T> {
public:
  HotKeyed(const RCPtr<LControl>& parent, const char16_t* name, const RectT<double>& bounds,
           std::vector<std::string>* log)
      : Placed<T>(parent, name, bounds, 1), mCommands(log) {}

  // After the creation steps, as a skin's "LHK." entries would.
  void BindKey(std::uint8_t virtualKey, const char16_t* id) {
    ASSERT_EQ(this->AddLocalHotKey(KeyCode(virtualKey, true, 0, 0), WideString(id)), S_OK);
    ASSERT_EQ(this->LoadLocalHotKeys(), S_OK);
    this->mHandler->RegisterForReceive(
        static_cast<typename LNotificationHandler<LControl>::Member>(&HotKeyed::OnCommand), id);
  }
  std::int32_t OnCommand(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) {
    mCommands->push_back(std::string(this->GetName().ToNarrow().GetChars()) + ":" +
                         WideString(notification->GetID()).ToNarrow().GetChars());
    return 0;
  }

private:
  std::vector<std::string>* mCommands;
};

// top panel > [outer panel (F4) > [nested panel > [a (F5), b], c], d (F6)]
class PanelKeysTest : public ControlsFixture {
protected:
  template <class T>
  RCPtr<HotKeyed<T>> Keyed(const RCPtr<LControl>& parent, const char16_t* name, const RectT<double>& bounds) {
    const RCPtr<HotKeyed<T>> control(new HotKeyed<T>(parent, name, bounds, &mLog));
    control->Finish();
    return control;
  }
  void SetUp() override {
    ControlsFixture::SetUp();
    mWindow->mLog = &mLog;
    mApp.mHotKeyLog = &mLog;
    mTop = Keyed<LPanel>(RCPtr<LControl>(), u"top", {0, 0, 300, 200});
    mWindow->SetRootControl(mTop);
    mOuter = Keyed<LPanel>(mTop, u"outer", {0, 0, 200, 100});
    mNested = Keyed<LPanel>(mOuter, u"nested", {0, 0, 100, 50});
    mA = Keyed<LButton>(mNested, u"a", {0, 0, 20, 20});
    mB = Keyed<LButton>(mNested, u"b", {30, 0, 20, 20});
    mC = Keyed<LButton>(mOuter, u"c", {120, 0, 20, 20});
    mD = Keyed<LButton>(mTop, u"d", {0, 150, 20, 20});
    mOuter->BindKey(kF4, u"NID_OUTER");
    mA->BindKey(kF5, u"NID_A");
    mD->BindKey(kF6, u"NID_D");
    mWindow->mHotKeys.push_back({KeyCode(kF7, true, 0, 0).mPacked, "NID_WINDOW"});
    mApp.mHotKeys.push_back({KeyCode(kF7, true, 0, 0).mPacked, "NID_APP_F7"});
    mApp.mHotKeys.push_back({KeyCode(kF8, true, 0, 0).mPacked, "NID_APP"});
  }
  void TearDown() override {
    mTop = mOuter = mNested = RCPtr<HotKeyed<LPanel>>();
    mA = mB = mC = mD = RCPtr<HotKeyed<LButton>>();
    ControlsFixture::TearDown();
  }
  // The commands and hot keys since the last call (the window's invalidations left out).
  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    for (std::string& entry : std::exchange(mLog, {}))
      if (entry.find(".invalidate") == std::string::npos)
        taken.push_back(std::move(entry));
    return taken;
  }

  static constexpr std::uint8_t kF4 = 0x73, kF5 = 0x74, kF6 = 0x75, kF7 = 0x76, kF8 = 0x77, kF9 = 0x78;
  std::vector<std::string> mLog;
  RCPtr<HotKeyed<LPanel>> mTop, mOuter, mNested;
  RCPtr<HotKeyed<LButton>> mA, mB, mC, mD;
};

TEST_F(PanelKeysTest, AnUnusedKeyClimbsThePanelsToTheSiblingsAndTheHotKeys) {
  struct Case {
    const char* why;
    RCPtr<HotKeyed<LButton>> focus;
    std::uint8_t key;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"a sibling in the same panel", mB, kF5, {"a:NID_A"}},
      {"a sibling two panels up", mB, kF6, {"d:NID_D"}},
      {"down through the panels from the top", mD, kF5, {"a:NID_A"}},
      {"a panel's own hot key, offered by its parent", mD, kF4, {"outer:NID_OUTER"}},
      {"the window's hot keys before the application's", mB, kF7, {"window.hotkey:NID_WINDOW"}},
      {"the application's", mC, kF8, {"app.hotkey:NID_APP"}},
      {"bound nowhere: dropped", mB, kF9, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    ASSERT_EQ(c.focus->SetFocus(true), S_OK);
    Take();
    mWindow->Key(c.key);
    EXPECT_EQ(Take(), c.expected);
  }
}

TEST_F(PanelKeysTest, TheParentsSiblingKeyReachesThePanelsChildrenAndTheResultGoesBack) {
  const RCPtr<LSiblingKeyParam> sibling = LSiblingKeyParam::Create(KeyCode(kF5, true, 0, 0), mD);
  const RCPtr<LNotification> notification = LNotification::Create(u"NID_SIBLING_KEY", sibling);
  const RCPtr<LNotificationDistributor> top(static_cast<LNotificationDistributor*>(mTop.GetRaw()));
  EXPECT_EQ(mOuter->Receive(top, notification), 1);
  EXPECT_EQ(sibling->mResult, 0);
  EXPECT_EQ(Take(), std::vector<std::string>{"a:NID_A"});

  const RCPtr<LSiblingKeyParam> unbound = LSiblingKeyParam::Create(KeyCode(kF9, true, 0, 0), mD);
  EXPECT_EQ(mOuter->Receive(top, LNotification::Create(u"NID_SIBLING_KEY", unbound)), 1);
  EXPECT_EQ(unbound->mResult, LSiblingKeyParam::kNoResult) << "still unused";

  // A panel without a parent listens to nobody.
  const RCPtr<LPanel> alone = MakeRCPtr<LPanel>(RCPtr<LControl>(), WideString(u"alone"));
  EXPECT_EQ(alone->Initialize(), S_OK);
  EXPECT_EQ(alone->GetSubscriptionCount(), 0);
}

TEST_F(ControlsFixture, ATopLevelPanelWithOneFocusableControlKeepsTheFocusOnTab) {
  const auto top = Make<LPanel>(RCPtr<LControl>(), u"top", {0, 0, 100, 100});
  mWindow->SetRootControl(top);
  const auto only = Make<LButton>(top, u"only", {0, 0, 20, 20});
  const auto label = Make<TestControl>(top, u"disabled", {30, 0, 20, 20});
  label->SetEnabled(false);
  ASSERT_EQ(only->SetFocus(true), S_OK);
  mWindow->Key(0x09);
  EXPECT_EQ(Focused(), "only");
  mWindow->Key(0x09, kModifierShift);
  EXPECT_EQ(Focused(), "only");
  EXPECT_EQ(mWindow->mTabsOut, 0);
}

} // namespace
} // namespace QZ
