// Tab traversal through nested panels: the walk stays inside a panel until its
// children are exhausted, and only the top-level control wraps around.

#include "QZFramework/Controls/ControlsFixture.h"

#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Panel.h"

#include <gtest/gtest.h>

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
