// The splitters from a skin: a vertical bar right of a left pane that it
// resizes (down to the pane's natural width, up to its maximum), a bar placed
// absolutely that moves alone, and the sizing cursors.

#include "QZFramework/Controls/ValueControlsFixture.h"

#include "QZFramework/Controls/Splitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace QZ {
namespace {

using test::ScrollPart;

class SplitterTest : public test::ValueControlsFixture {
protected:
  // A 600 by 200 group at y: "left" 300 wide with a natural width of 100 (and
  // a maximum when maxWidth > 0), the 8 pixel bar on its right edge and
  // "right" from the bar to the group's right edge.
  static std::string Group(const std::string& name, int y, int maxWidth) {
    const std::string max = maxWidth > 0 ? " XMaxSizeAbs=\"" + std::to_string(maxWidth) + "\"" : "";
    return ScrollPart(
        "Test.Plain", name, test::At(0, y, 600, 200), "Gray",
        ScrollPart("Framework.Panel", "left", test::At(0, 0, 300, 200) + " XMinSizeAbs=\"100\"" + max, "Gray") +
            ScrollPart("Framework.SplitterV", "bar",
                       "XPositionToControl=\"left\" XPositionRel=\"1\" XSizeAbs=\"8\" YSizeAbs=\"200\"", "Green") +
            ScrollPart("Framework.Panel", "right",
                       "XPositionToControl=\"bar\" XPositionRel=\"1\" XSizeToControl=\"Client\" XSizeRel=\"1\" "
                       "YSizeAbs=\"200\"",
                       "Gray"));
  }
  void Open() {
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.SplitterH"), &LSplitterH::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.SplitterV"), &LSplitterV::Create);
    OpenMain(Group("free", 0, 0) + Group("limited", 200, 350) +
             ScrollPart("Framework.SplitterH", "loose", test::At(0, 100, 600, 8), "Green"));
  }
  RCPtr<LControl> In(const char16_t* group, const char16_t* name) const {
    return mMain->FindChild(WideString(group))->FindChild(WideString(name));
  }
  // Presses at from, moves past the threshold and on to to; releases there when release.
  void Drag(const PointT<std::int32_t>& from, const PointT<std::int32_t>& to, bool release = true) {
    mWindow->Move(from);
    mWindow->Press(kMouseButtonLeft, from);
    mWindow->Move({from.x + (to.x >= from.x ? 2 : -2), from.y + (to.y >= from.y ? 2 : -2)});
    mWindow->Move(to);
    if (release)
      mWindow->Release(kMouseButtonLeft, to);
  }
};

TEST_F(SplitterTest, TheBarResizesTheLeftPaneBetweenItsNaturalAndItsMaximumWidth) {
  Open();
  const struct {
    const char16_t* group;
    int toX;
    double width;
  } cases[] = {{u"free", 50, 100}, {u"free", 454, 450}, {u"limited", 50, 100}, {u"limited", 504, 350}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.toX);
    SCOPED_TRACE(test::Narrow(WideString(c.group)));
    const RCPtr<LControl> left = In(c.group, u"left");
    const RCPtr<LControl> bar = In(c.group, u"bar");
    const RCPtr<LControl> right = In(c.group, u"right");
    const int y = c.group[0] == u'f' ? 50 : 300;
    const int start = static_cast<int>(bar->GetBounds().x) + 4;
    const double rightEdge = right->GetBounds().x + right->GetBounds().width;
    Drag({start, y}, {c.toX, y}, false);
    EXPECT_EQ(left->GetBounds().width, c.width) << "while dragging";
    EXPECT_EQ(bar->GetBounds().x, c.width);
    mWindow->Release(kMouseButtonLeft, {c.toX, y});
    EXPECT_EQ(left->GetBounds().width, c.width);
    EXPECT_EQ(bar->GetBounds().x, c.width) << "placed on the pane's edge again";
    EXPECT_EQ(right->GetBounds().x, c.width + 8);
    EXPECT_EQ(right->GetBounds().x + right->GetBounds().width, rightEdge) << "the right pane gives the room";
    // The bar follows the pane from now on.
    ASSERT_EQ(bar->GetLayout()->mPlacement[0].mReference, kPositionControl);
    // Back to the start for the next case.
    Drag({static_cast<int>(bar->GetBounds().x) + 4, y}, {304, y});
    EXPECT_EQ(left->GetBounds().width, 300);
  }
}

TEST_F(SplitterTest, ABarPlacedAbsolutelyMovesAloneAlongItsAxis) {
  Open();
  const RCPtr<LControl> loose = mMain->FindChild(WideString(u"loose"));
  const RectT<double> freeLeft = In(u"free", u"left")->GetBounds();
  Drag({500, 104}, {530, 154});
  EXPECT_EQ(loose->GetBounds().y, 150);
  EXPECT_EQ(loose->GetBounds().x, 0) << "a horizontal bar moves up and down only";
  EXPECT_EQ(In(u"free", u"left")->GetBounds().width, freeLeft.width);
  EXPECT_EQ(In(u"free", u"left")->GetBounds().height, freeLeft.height);
}

TEST_F(SplitterTest, EachOrientationAsksForItsSizingCursor) {
  Open();
  const auto asked = [this](const char* name) {
    return std::count(mApp.mCursorNames.begin(), mApp.mCursorNames.end(), std::string(name));
  };
  EXPECT_EQ(asked("UI_CURSOR_SIZE_WE"), 2) << "the two vertical bars";
  EXPECT_EQ(asked("UI_CURSOR_SIZE_NS"), 1) << "the horizontal bar";
}

} // namespace
} // namespace QZ
