// The scroll view made from the skin in a scripted root window: bars shown by
// thickness, the extent and its notification, bar and offset following each
// other without a loop, the wheel, line mode, the automatic extent and the
// unbounded axis.

#include "QZFramework/Controls/ScrollFixture.h"
#include "QZFramework/Controls/ScrollSkin.h"

#include "QZFramework/ControlBase/ControlBaseTestSupport.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Controls/ScrollBar.h"
#include "QZFramework/Controls/ScrollView.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace QZ {
namespace {

using test::NotificationLog;

// A view of 200 by 100 at (10, 10) with its bars and a 50 by 50 "content"
// child, under a 640 by 480 window; the view's class and creation parameters
// vary.
std::string ViewWindow(const std::string& windowName, const std::string& cls, const std::string& params,
                       const std::string& children) {
  const std::string view = "<SubControl Class=\"" + cls +
                           "\" Name=\"view\" XPositionAbs=\"10\" YPositionAbs=\"10\" XSizeAbs=\"200\" "
                           "YSizeAbs=\"100\">" +
                           params + "<Skin Name=\"viewSkin\" LookList=\"Gray\">" + test::ScrollViewBars() +
                           children + "</Skin></SubControl>";
  return test::ScrollPart("Test.Plain", windowName, "XSizeAbs=\"640\" YSizeAbs=\"480\"", "Gray", view);
}

std::string ViewSkin() {
  const std::string content = test::ScrollPart(
      "Test.Plain", "content", "XPositionAbs=\"0\" YPositionAbs=\"0\" XSizeAbs=\"50\" YSizeAbs=\"50\"", "Green");
  const std::string autoParams = "<CreateParamList><CreateParam ID=\"AUTO_CLIENT_EXTENT_Y\"> True </CreateParam>"
                                 "<CreateParam ID=\"AUTO_CLIENT_EXTENT_X\">yes</CreateParam></CreateParamList>";
  const std::string tall = test::ScrollPart(
      "Test.Plain", "tall", "XPositionAbs=\"20\" YPositionAbs=\"150\" XSizeAbs=\"50\" YSizeAbs=\"30\"", "Green");
  const std::string docked = test::ScrollPart(
      "Test.Plain", "docked",
      "YIsDocked=\"True\" XPositionAbs=\"0\" YPositionAbs=\"400\" XSizeAbs=\"10\" YSizeAbs=\"10\"", "Green");
  return test::SkinDocument(test::ScrollLooks() + "<Skins><Skin Name=\"S\">" +
                            ViewWindow("main", "Test.ScrollView", "", content) +
                            ViewWindow("automain", "Test.ScrollView", autoParams, content + tall + docked) +
                            ViewWindow("panelmain", "Framework.Panel", "", content) + "</Skin></Skins>");
}

RCPtr<LControl>& CreateScrollView(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                  const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LScrollView>(out, parent, descriptor);
}

class ScrollViewTest : public test::ScrollFixture {
protected:
  void SetUp() override {
    ScrollFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.ScrollView"), &CreateScrollView);
    LoadScrollSkin(ViewSkin());
  }
  void TearDown() override {
    mView = RCPtr<LScrollView>();
    ScrollFixture::TearDown();
  }

  void Open(const char16_t* name) {
    OpenTopLevel(name);
    mView = DynamicCast<LScrollView>(mMain->FindChild(WideString(u"view")));
    ASSERT_TRUE(mView);
    ASSERT_TRUE(mView->GetVerticalBar() && mView->GetHorizontalBar());
  }
  const RCPtr<LScrollbar>& VBar() const { return mView->GetVerticalBar(); }
  const RCPtr<LScrollbar>& HBar() const { return mView->GetHorizontalBar(); }
  std::string Shown() const {
    const bool v = mView->IsScrollBarShown(LScrollView::kVerticalBar);
    const bool h = mView->IsScrollBarShown(LScrollView::kHorizontalBar);
    return v && h ? "both" : v ? "vertical" : h ? "horizontal" : "none";
  }
  std::string ViewArea() const {
    const RectT<double> area = mView->GetLocalBounds();
    return std::to_string(static_cast<int>(area.width)) + "x" + std::to_string(static_cast<int>(area.height));
  }
  double OffsetY() const { return mView->GetScrollOffset().y; }

  RCPtr<LScrollView> mView;
};

// A point over the view's content.
constexpr PointT<std::int32_t> kOverContent{50, 50};

TEST_F(ScrollViewTest, ABarShowsOnlyWhenTheContentDoesNotFitOnItsAxis) {
  Open(u"main");
  EXPECT_EQ(Shown(), "none") << "no extent yet";
  struct Case {
    const char* name;
    double width, height;
    const char* shown;
    const char* area;
  };
  const Case cases[] = {
      {"fits", 150, 80, "none", "200x100"},
      {"exactly as tall as the view", 150, 100, "none", "200x100"},
      {"ten pixels taller", 150, 110, "vertical", "184x100"},
      {"taller, and wider than what the vertical bar leaves", 190, 110, "both", "184x84"},
      {"exactly as wide as the view", 200, 90, "none", "200x100"},
      {"wider only", 250, 50, "horizontal", "200x84"},
      {"wider, and the horizontal bar makes it too tall", 250, 90, "both", "184x84"},
      {"both", 300, 300, "both", "184x84"},
      {"an extent of 0 shows no bar", 0, 0, "none", "200x100"},
      {"unset width, tall", 0, 500, "vertical", "184x100"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    static_cast<void>(mView->SetClientExtent(c.width, c.height));
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(ViewArea(), c.area);
    // A hidden bar has no thickness, a shown one the corner's 16 pixels; the
    // bars stay visible either way.
    EXPECT_EQ(VBar()->GetBounds().width,
              std::string(c.shown) == "vertical" || std::string(c.shown) == "both" ? 16 : 0);
    EXPECT_TRUE(VBar()->GetLayout()->mVisible);
    EXPECT_TRUE(HBar()->GetLayout()->mVisible);
  }
  // The vertical bar runs down to the horizontal one.
  static_cast<void>(mView->SetClientExtent(300, 300));
  EXPECT_EQ(VBar()->GetBounds().height, 84);
  EXPECT_EQ(HBar()->GetBounds().width, 184);
  static_cast<void>(mView->SetClientExtent(150, 300));
  EXPECT_EQ(VBar()->GetBounds().height, 100);
}

TEST_F(ScrollViewTest, TheSameExtentTwiceReturns1AndSendsNothing) {
  Open(u"main");
  const auto log = Listen(mView, {u"NID_CLIENT_EXTENT_CHANGE"});
  EXPECT_EQ(mView->SetClientExtent(300, 500), S_OK);
  EXPECT_EQ(mView->SetClientExtent(300, 500), S_FALSE);
  EXPECT_EQ(mView->SetClientExtent(300 + 1e-15, 500), S_FALSE) << "a difference within rounding noise";
  EXPECT_EQ(mView->SetClientExtent(300, 501), S_OK);
  EXPECT_EQ(log->Count("NID_CLIENT_EXTENT_CHANGE"), 2);
}

TEST_F(ScrollViewTest, TheBarMovesTheContentAndTheContentMovesTheBarWithoutComingBack) {
  Open(u"main");
  static_cast<void>(mView->SetClientExtent(150, 1000)); // view 100 high: 900 to scroll
  const auto offsets = Listen(mView, {u"NID_SCROLL_OFFSET_CHANGE"});
  const auto values = Listen(VBar(), {u"NID_VALUE_CHANGE"});
  const RCPtr<LControl> content = mView->FindChild(WideString(u"content"));

  VBar()->SetValue(0.5);
  EXPECT_EQ(OffsetY(), 450.0);
  EXPECT_EQ(content->GetPositionInRoot().y, 10 - 450.0) << "the children scroll";
  EXPECT_EQ(VBar()->GetPositionInRoot().y, 10.0) << "the docked bar stays";
  EXPECT_EQ(offsets->Count("NID_SCROLL_OFFSET_CHANGE"), 1);

  offsets->mEntries.clear();
  values->mEntries.clear();
  mView->SetScrollOffset({0, 300});
  EXPECT_DOUBLE_EQ(VBar()->GetNormalizedValue(), 1.0 / 3.0);
  EXPECT_EQ(OffsetY(), 300.0);
  EXPECT_EQ(offsets->Count("NID_SCROLL_OFFSET_CHANGE"), 1) << "the bar did not scroll the view again";
  EXPECT_EQ(values->Count("NID_VALUE_CHANGE"), 1) << "other listeners of the bar still hear it";

  // An offset the bar cannot express exactly stays as the program set it.
  mView->SetScrollOffset({0, 301});
  EXPECT_EQ(OffsetY(), 301.0);
  EXPECT_DOUBLE_EQ(VBar()->GetNormalizedValue(), 301.0 / 900.0);

  // The bar's range, steps and thumb follow the extent and the view.
  EXPECT_EQ(VBar()->GetValue(), 301.0);
  EXPECT_DOUBLE_EQ(VBar()->GetPageStep(), 100.0 / 900.0);
  EXPECT_DOUBLE_EQ(VBar()->GetSmallStep(), 10.0 / 900.0);
  EXPECT_DOUBLE_EQ(VBar()->GetThumbFraction(), 0.1);

  // A smaller extent keeps the offset in range.
  static_cast<void>(mView->SetClientExtent(150, 200));
  EXPECT_EQ(OffsetY(), 100.0);
  EXPECT_EQ(mView->GetClientExtent(RCPtr<LControl>()).height, 100.0);
}

TEST_F(ScrollViewTest, TheWheelMovesTheBarThatIsShownBySmallOrPageSteps) {
  Open(u"main");
  struct Case {
    const char* name;
    double width, height;
    bool horizontalWheel;
    std::uint32_t direction;
    std::uint32_t modifiers;
    QZRESULT result;
    double x, y; // the offset afterwards, from 0, 0
  };
  // A small step is a tenth of the view, a page the whole view: 10 and 100
  // pixels down a view of 100, 20 across one of 200; 8.4 and 18.4 with both
  // bars (a view of 184 by 84).
  const Case cases[] = {
      {"down", 150, 1000, false, kWheelDown, 0, S_OK, 0, 10},
      {"down with Shift: a page", 150, 1000, false, kWheelDown, kModifierShift, S_OK, 0, 100},
      {"up at the top stays", 150, 1000, false, kWheelUp, 0, S_OK, 0, 0},
      {"only a horizontal bar", 1100, 50, false, kWheelDown, 0, S_OK, 20, 0},
      {"both bars: the vertical one", 1084, 984, false, kWheelDown, 0, S_OK, 0, 8},
      {"both bars, Alt: the horizontal one", 1084, 984, false, kWheelDown, kModifierAlt, S_OK, 18, 0},
      // A tilt towards an end scrolls towards that end.
      {"horizontal wheel right, both bars", 1084, 984, true, kWheelRight, 0, S_OK, 18, 0},
      {"horizontal wheel left at the left end stays", 1084, 984, true, kWheelLeft, 0, S_OK, 0, 0},
      {"horizontal wheel right, only a vertical bar", 150, 1000, true, kWheelRight, kModifierShift, S_OK, 0, 100},
      {"no bar: not used", 150, 50, false, kWheelDown, 0, S_FALSE, 0, 0},
      {"no bar, horizontal wheel: not used", 150, 50, true, kWheelRight, 0, S_FALSE, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    static_cast<void>(mView->SetClientExtent(c.width, c.height));
    VBar()->SetValue(0);
    HBar()->SetValue(0);
    ASSERT_EQ(mView->GetScrollOffset(), (PointT<double>{0, 0}));
    const RCPtr<LMouseWheelParam> wheel = LMouseWheelParam::Create(kOverContent, c.modifiers, c.direction);
    const QZRESULT result =
        c.horizontalWheel ? mView->HandleMouseHorizontalWheel(wheel) : mView->HandleMouseWheel(wheel);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(mView->GetScrollOffset(), (PointT<double>{c.x, c.y}));
  }

  // Routed by the window: a wheel over a child the view contains reaches the view.
  static_cast<void>(mView->SetClientExtent(150, 1000));
  VBar()->SetValue(0.5);
  EXPECT_EQ(mWindow->Wheel(kOverContent, kWheelUp), S_OK);
  EXPECT_EQ(OffsetY(), 440.0);
}

TEST_F(ScrollViewTest, InLineModeTheOffsetIsAlwaysAWholeNumberOfLines) {
  Open(u"main");
  mView->SetLineMode(1, true, 20);
  static_cast<void>(mView->SetClientExtent(150, 1010)); // 50 lines, 5 of them visible
  EXPECT_EQ(Shown(), "vertical");
  EXPECT_EQ(VBar()->GetValue(), 0.0);
  EXPECT_DOUBLE_EQ(VBar()->GetSmallStep(), 1.0 / 45.0);
  EXPECT_DOUBLE_EQ(VBar()->GetPageStep(), 5.0 / 45.0);
  EXPECT_DOUBLE_EQ(VBar()->GetThumbFraction(), 0.1);
  EXPECT_DOUBLE_EQ(VBar()->NormalizedToValue(1.0), 45.0) << "the bar counts lines";

  struct Step {
    const char* name;
    std::uint32_t modifiers;
    double offset;
  };
  const Step steps[] = {{"a line", 0, 20}, {"a page", kModifierShift, 120}, {"another line", 0, 140}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    EXPECT_EQ(mView->HandleMouseWheel(LMouseWheelParam::Create(kOverContent, step.modifiers, kWheelDown)), S_OK);
    EXPECT_NEAR(OffsetY(), step.offset, 1e-9);
  }
  // The program's offset puts the bar on the line it shows.
  mView->SetScrollOffset({0, 60});
  EXPECT_DOUBLE_EQ(VBar()->GetValue(), 3.0);
  // A bar value between lines scrolls to the line it is in.
  VBar()->SetValue(0.51); // line 22.95
  EXPECT_EQ(OffsetY(), 440.0);

  // Fewer lines: the bar keeps its line, clamped to the new last one.
  static_cast<void>(mView->SetClientExtent(150, 400)); // 20 lines, 15 to scroll
  EXPECT_EQ(VBar()->GetValue(), 15.0);
  EXPECT_EQ(OffsetY(), 300.0);
}

TEST_F(ScrollViewTest, LineStepsNeverFallShortOfTheNextLine) {
  // Steps of 1 / n added up fall a hair short of whole lines; every step must
  // still reach the next line.
  Open(u"main");
  for (const std::int32_t scrollable : {3, 45, 49, 98, 299}) {
    SCOPED_TRACE(scrollable);
    mView->SetLineMode(1, true, 10);
    static_cast<void>(mView->SetClientExtent(150, 100.0 + 10.0 * scrollable));
    VBar()->SetValue(0);
    for (std::int32_t line = 1; line <= scrollable + 1; ++line) {
      static_cast<void>(mView->HandleMouseWheel(LMouseWheelParam::Create(kOverContent, 0, kWheelDown)));
      ASSERT_EQ(OffsetY(), 10.0 * std::min(line, scrollable)) << "step " << line;
    }
    for (std::int32_t line = scrollable - 1; line >= 0; --line) {
      static_cast<void>(mView->HandleMouseWheel(LMouseWheelParam::Create(kOverContent, 0, kWheelUp)));
      ASSERT_EQ(OffsetY(), 10.0 * line) << "back to " << line;
    }
  }
}

TEST_F(ScrollViewTest, TheAutomaticExtentFollowsTheChildrenButNotTheDockedOnes) {
  Open(u"automain");
  EXPECT_EQ(mView->GetAutoExtentMode(), LScrollView::kAutoExtentHeight) << "only \"true\", trimmed, in any case";
  EXPECT_EQ(mView->GetClientExtentSize().height, 180.0) << "the bottom of \"tall\"; \"docked\" does not count";
  EXPECT_EQ(mView->GetClientExtentSize().width, 0.0);
  EXPECT_EQ(Shown(), "vertical");

  // A child added below the others grows the extent to its bottom edge.
  const RCPtr<test::TestControl> added(new test::TestControl(mView, WideString(u"added")));
  added->SetLayout(MakeRCPtr<LLayoutDescriptor>());
  AxisPlacement x, y;
  SizeSpec width, height;
  y.mAbsolute = 300;
  width.mAbsolute = 40;
  height.mAbsolute = 25;
  EXPECT_EQ(added->SetPlacement(x, width, y, height), S_OK);
  EXPECT_EQ(mView->GetClientExtentSize().height, 325.0);

  // With margins and both axes.
  EXPECT_EQ(mView->SetAutoClientExtent(LScrollView::kAutoExtentBoth, 5, 7), S_OK);
  EXPECT_EQ(mView->GetClientExtentSize().width, 75.0);
  EXPECT_EQ(mView->GetClientExtentSize().height, 332.0);
  // Gone again: the extent shrinks.
  added->Close();
  EXPECT_EQ(mView->GetClientExtentSize().height, 187.0);
}

TEST_F(ScrollViewTest, AnAxisWithoutExtentScrollsWithoutBound) {
  Open(u"main");
  static_cast<void>(mView->SetClientExtent(0, 0));
  const RectT<double> range = mView->GetClientExtent(RCPtr<LControl>());
  EXPECT_EQ(range.width, 4503599627370496.0);
  EXPECT_EQ(range.height, 4503599627370496.0);
  mView->SetScrollOffset({0, 5000});
  EXPECT_EQ(OffsetY(), 5000.0);
  // Updating the bars (a new width, a resize) leaves the program's offset on
  // the unbounded axis alone.
  static_cast<void>(mView->SetClientExtent(400, 0));
  EXPECT_EQ(Shown(), "horizontal");
  EXPECT_EQ(OffsetY(), 5000.0);
  EXPECT_EQ(mView->UpdateScrollBars(), S_OK);
  EXPECT_EQ(OffsetY(), 5000.0);
}

TEST_F(ScrollViewTest, APanelIsAScrollViewWithBars) {
  Open(u"panelmain");
  ASSERT_TRUE(DynamicCast<LPanel>(mView));
  static_cast<void>(mView->SetClientExtent(150, 1000));
  EXPECT_EQ(Shown(), "vertical");
  EXPECT_EQ(mWindow->Wheel(kOverContent, kWheelDown), S_OK);
  EXPECT_EQ(OffsetY(), 10.0);

  // Rebuilt from its skin entry at run time, it keeps its bars working.
  ASSERT_EQ(mView->CreateChildrenFromDescriptor(mView->GetDescriptor()), S_OK);
  ASSERT_TRUE(VBar());
  EXPECT_EQ(Shown(), "vertical");
  EXPECT_EQ(mWindow->Wheel(kOverContent, kWheelDown), S_OK);
  EXPECT_EQ(OffsetY(), 20.0);
}

} // namespace
} // namespace QZ
