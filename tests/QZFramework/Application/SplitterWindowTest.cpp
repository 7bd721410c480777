// The splitters and the drag tokens made by class name from a skin, in a real
// window under the offscreen driver: a bar dragged by the pointer resizes its
// pane between the pane's natural and maximum widths, the window shrinking
// under a bar, the sizing cursor over each orientation, and tokens dropped on
// a control that close themselves at the next idle pass.

#include "QZFramework/Application/ValueControlsWindowFixture.h"

#include "Platform/Window/InputState.h"
#include "QZFramework/Controls/DropTarget.h"
#include "QZFramework/Controls/Dropper.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Controls/Splitter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::At;
using test::ScrollPart;

constexpr std::int32_t kWidth = 600;
constexpr std::int32_t kHeight = 300;

// The application's cursors: ids 1, 2, ... in the order of the names asked for.
class CursorApp : public test::TestFrameworkApp {
public:
  using TestFrameworkApp::TestFrameworkApp;
  CursorID GetCursor(const WideString& name) override {
    const std::string narrow = name.ToNarrow().GetChars();
    const auto known = std::find(mNames.begin(), mNames.end(), narrow);
    if (known != mNames.end())
      return static_cast<CursorID>(known - mNames.begin() + 1);
    mNames.push_back(narrow);
    return static_cast<CursorID>(mNames.size());
  }
  CursorID IdOf(const std::string& name) { return GetCursor(WideString(name.c_str())); }
  std::vector<std::string> mNames;
};

// A group as wide as the window and 100 high at y: "left" 300 wide with a
// natural width of 100 (and a maximum when maxWidth > 0), the 8-pixel green
// bar on its right edge, and "right" from the bar to the group's right edge
// with a natural width of 150; laid out in that order.
std::string Group(const std::string& name, int y, int maxWidth) {
  const std::string max = maxWidth > 0 ? " XMaxSizeAbs=\"" + std::to_string(maxWidth) + "\"" : "";
  return ScrollPart(
      "Test.Plain", name,
      "XPositionAbs=\"0\" YPositionAbs=\"" + std::to_string(y) +
          "\" XSizeToControl=\"Parent\" XSizeRel=\"1\" XSizeAbs=\"0\" YSizeAbs=\"100\"",
      "Gray",
      ScrollPart("Framework.Panel", "left", At(0, 0, 300, 100) + " XMinSizeAbs=\"100\"" + max, "Gray") +
          ScrollPart("Framework.SplitterV", "bar",
                     "LayoutOrder=\"1\" XPositionToControl=\"left\" XPositionRel=\"1\" XSizeAbs=\"8\" "
                     "YSizeAbs=\"100\"",
                     "Green") +
          ScrollPart("Framework.Panel", "right",
                     "LayoutOrder=\"2\" XPositionToControl=\"bar\" XPositionRel=\"1\" XSizeToControl=\"Client\" "
                     "XSizeRel=\"1\" XSizeAbs=\"0\" XMinSizeAbs=\"150\" YSizeAbs=\"100\"",
                     "Gray"));
}

class SplitterWindowTest : public test::ValueControlsWindowFixture {
protected:
  void SetUp() override {
    ValueControlsWindowFixture::SetUp();
    // An application that hands out cursors, before the controls ask for theirs.
    mApp = RCPtr<test::TestFrameworkApp>();
    mCursors = MakeRCPtr<CursorApp>(mFactory, MakeRCPtr<LStringTable>(LStringTable::Entries()), mHost);
    mApp = mCursors;
    // The free group at y 0, the limited one (at most 350 for its left pane) at y 100, and a
    // horizontal bar placed absolutely at y 250.
    Open(Group("free", 0, 0) + Group("limited", 100, 350) +
             ScrollPart("Framework.SplitterH", "loose", At(0, 250, 600, 8), "Green"),
         "", kWidth, kHeight, "", true);
  }
  void TearDown() override {
    mCursors = RCPtr<CursorApp>();
    ValueControlsWindowFixture::TearDown();
  }
  RCPtr<LControl> In(const char16_t* group, const char16_t* name) const {
    return mMain->FindChild(WideString(group))->FindChild(WideString(name));
  }
  // Shrinks or widens the window to width.
  void ResizeTo(std::int32_t width) {
    ASSERT_EQ(mWindow->SetClientBounds({100, 100, width, kHeight}), S_OK);
    Pump();
    mWidth = width;
  }

  RCPtr<CursorApp> mCursors;
};

TEST_F(SplitterWindowTest, TheDraggedBarResizesItsPaneBetweenTheNaturalAndTheMaximumWidth) {
  // The right pane keeps its natural 150 of the 292 it has; the limited left pane stops at 350.
  const struct {
    const char16_t* group;
    int toX;
    double width;
  } cases[] = {{u"free", 50, 100}, {u"free", 554, 442}, {u"limited", 50, 100}, {u"limited", 554, 350}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.toX);
    SCOPED_TRACE(WideString(c.group).ToNarrow().GetChars());
    const RCPtr<LControl> left = In(c.group, u"left");
    const RCPtr<LControl> bar = In(c.group, u"bar");
    const RCPtr<LControl> right = In(c.group, u"right");
    const int y = c.group[0] == u'f' ? 50 : 150;
    Drag({{304, y}, {306, y}, {c.toX, y}}, false);
    EXPECT_EQ(left->GetBounds().width, c.width) << "while dragging";
    Release({c.toX, y});
    EXPECT_EQ(left->GetBounds().width, c.width);
    EXPECT_EQ(bar->GetBounds().x, c.width) << "on the pane's edge";
    EXPECT_EQ(right->GetBounds().x, c.width + 8);
    EXPECT_EQ(right->GetBounds().x + right->GetBounds().width, kWidth) << "the right pane gives the room";
    const std::vector<std::uint32_t> pixels = Paint();
    EXPECT_EQ(RunFrom(pixels, static_cast<int>(c.width), y, test::kScrollGreen), 8) << "the bar drawn there";
    EXPECT_EQ(PixelAt(pixels, 304, y), c.width == 300 ? test::kScrollGreen : test::kScrollGray);
    // Back to the start for the next case.
    const int at = static_cast<int>(c.width) + 4;
    Drag({{at, y}, {at + (at < 304 ? 2 : -2), y}, {304, y}});
    EXPECT_EQ(left->GetBounds().width, 300);
  }

  // A bar placed absolutely moves alone, up and down only.
  const RCPtr<LControl> loose = mMain->FindChild(WideString(u"loose"));
  Drag({{500, 254}, {502, 256}, {530, 234}});
  EXPECT_EQ(loose->GetBounds().y, 230);
  EXPECT_EQ(loose->GetBounds().x, 0);
  EXPECT_EQ(In(u"limited", u"left")->GetBounds().height, 100);
}

TEST_F(SplitterWindowTest, AShrinkingWindowMovesTheBarSoThatThePaneAfterItKeepsItsNaturalWidth) {
  ResizeTo(400);
  for (const char16_t* group : {u"free", u"limited"}) {
    SCOPED_TRACE(WideString(group).ToNarrow().GetChars());
    EXPECT_EQ(In(group, u"left")->GetBounds().width, 242);
    EXPECT_EQ(In(group, u"bar")->GetBounds().x, 242);
    EXPECT_EQ(In(group, u"right")->GetBounds().x, 250);
    EXPECT_EQ(In(group, u"right")->GetBounds().width, 150) << "inside the window";
  }
  EXPECT_EQ(RunFrom(Paint(), 242, 50, test::kScrollGreen), 8);

  ResizeTo(300);
  EXPECT_EQ(In(u"free", u"left")->GetBounds().width, 142);
  EXPECT_EQ(In(u"free", u"right")->GetBounds().x + In(u"free", u"right")->GetBounds().width, 300);

  // Below both natural widths the left pane keeps its own; the window grows back without moving the bar.
  ResizeTo(200);
  EXPECT_EQ(In(u"free", u"left")->GetBounds().width, 100);
  ResizeTo(600);
  EXPECT_EQ(In(u"free", u"left")->GetBounds().width, 100);
  EXPECT_EQ(In(u"free", u"right")->GetBounds().width, 492);
}

TEST_F(SplitterWindowTest, ThePointerShowsTheSizingCursorOfEachOrientation) {
  const CursorID northSouth = mCursors->IdOf("UI_CURSOR_SIZE_NS");
  const CursorID westEast = mCursors->IdOf("UI_CURSOR_SIZE_WE");
  const struct {
    Platform::WindowPoint point;
    CursorID cursor;
  } cases[] = {{{304, 50}, westEast},
               {{100, 50}, mCursors->IdOf("UI_CURSOR_ARROW")},
               {{304, 150}, westEast},
               {{50, 254}, northSouth},
               {{450, 150}, mCursors->IdOf("UI_CURSOR_ARROW")}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
    ASSERT_TRUE(mSimulator.MovePointer(mId, c.point));
    Pump();
    EXPECT_EQ(Platform::GetCurrentCursor(), c.cursor);
  }
}

// ---------------------------------------------------------------------------
// Drag tokens

using test::DropTarget;

class DropperWindowTest : public test::ValueControlsWindowFixture {
protected:
  void SetUp() override {
    ValueControlsWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.DropTarget"), &DropTarget::Create);
    Open(ScrollPart("Framework.FileDropper", "file", At(10, 10, 20, 20), "Green") +
             ScrollPart("Framework.Dropper", "token", At(40, 10, 20, 20), "Green") +
             ScrollPart("Test.DropTarget", "target", At(200, 100, 100, 100), "Blue"),
         "<LookList Name=\"Blue\" NumLooks=\"1\"><Look Name=\"BlueLook\" Index=\"0\"/></LookList>", 400, 250);
    mTarget = Find<DropTarget>(u"target");
    ASSERT_TRUE(mTarget);
  }
  void TearDown() override {
    mTarget = RCPtr<DropTarget>();
    ValueControlsWindowFixture::TearDown();
  }
  RCPtr<DropTarget> mTarget;
};

TEST_F(DropperWindowTest, ATokenDropsOnTheControlUnderThePointerAndClosesAtTheNextIdlePass) {
  const RCPtr<LFileDropper> file = Find<LFileDropper>(u"file");
  ASSERT_TRUE(file && Find(u"token"));
  file->SetFileName(WideString(u"/tmp/a.syx"));
  EXPECT_EQ(PaintAndRead(20, 20), test::kScrollGreen);

  Drag({{15, 15}, {16, 16}, {250, 150}});
  ASSERT_EQ(mTarget->mDropped.size(), 1u);
  EXPECT_EQ(mTarget->mDropped[0], RCPtr<LControl>(file));
  EXPECT_NE(Focused(), "file") << "a token never takes the focus";
  EXPECT_TRUE(Find(u"file")) << "still there until the idle pass";
  IdleAt(100);
  EXPECT_FALSE(Find(u"file"));
  EXPECT_EQ(PaintAndRead(20, 20), test::kScrollGray) << "gone from the window";

  // Released where nothing takes it: it closes itself all the same.
  Drag({{45, 15}, {46, 16}, {350, 20}});
  EXPECT_EQ(mTarget->mDropped.size(), 1u);
  IdleAt(200);
  EXPECT_FALSE(Find(u"token"));
  EXPECT_EQ(PaintAndRead(50, 20), test::kScrollGray);
}

} // namespace
} // namespace QZ
