// A control brought into sight of the scroll views around it (the nearest, then the outer ones; a panel that
// does not scroll stays), and a drop-down whose open part gives way when the ground it was placed on moves: an
// ancestor scrolling or the window taking a new size.

#include "QZFramework/Controls/ScrollFixture.h"
#include "QZFramework/Controls/ScrollSkin.h"

#include "QZFramework/Controls/DropDownControl.h"
#include "QZFramework/Controls/ScrollView.h"
#include "QZFramework/Notification/Notification.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace QZ {
namespace {

using test::ScrollPart;

std::string At(int x, int y, int width, int height) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(width) + "\" YSizeAbs=\"" + std::to_string(height) + "\"";
}

const std::string kAutoExtent = "<CreateParamList><CreateParam ID=\"AUTO_CLIENT_EXTENT_X\">true</CreateParam>"
                                "<CreateParam ID=\"AUTO_CLIENT_EXTENT_Y\">true</CreateParam></CreateParamList>";

// A scroll view whose extent follows its children, with its bars.
std::string View(const std::string& name, const std::string& layout, const std::string& children) {
  return "<SubControl Class=\"Test.ScrollView\" Name=\"" + name + "\" " + layout + ">" + kAutoExtent +
         "<Skin Name=\"" + name + "Skin\" LookList=\"Gray\">" + test::ScrollViewBars() + children +
         "</Skin></SubControl>";
}

// A drop-down whose part is its child "part".
std::string DropDown(const std::string& name, const std::string& layout) {
  return ScrollPart("Test.DropDown", name, layout, "Gray",
                    ScrollPart("Test.Plain", "part", At(0, 20, 60, 40), "Green"));
}

// In a 640 by 480 window: "outer", a view of 200 by 100 (184 by 84 inside its bars) at (10, 10), whose content
// reaches to (350, 280); in it "content" at its top left, "far" at its bottom right, a panel that does not scroll
// with a "cell", the view "inner" (84 by 60 inside its bar, content 220 high) holding "deep" at its bottom, and
// the drop-down "drop". Beside the view, the drop-down "topDrop".
std::string Skin() {
  const std::string panel = ScrollPart("Framework.Panel", "panel", At(0, 150, 100, 40), "Gray",
                                       ScrollPart("Test.Plain", "cell", At(10, 10, 20, 20), "Green"));
  const std::string inner =
      View("inner", At(250, 20, 100, 60), ScrollPart("Test.Plain", "deep", At(0, 200, 40, 20), "Green"));
  const std::string outer = View("outer", At(10, 10, 200, 100),
                                 ScrollPart("Test.Plain", "content", At(0, 0, 50, 50), "Green") +
                                     ScrollPart("Test.Plain", "far", At(300, 250, 40, 30), "Green") + panel +
                                     inner + DropDown("drop", At(20, 60, 60, 20)));
  return test::SkinDocument(test::ScrollLooks() + "<Skins><Skin Name=\"S\">" +
                            ScrollPart("Test.Plain", "main", At(0, 0, 640, 480), "Gray",
                                       outer + DropDown("topDrop", At(300, 300, 60, 20))) +
                            "</Skin></Skins>");
}

class PartDropDown : public LDropDownControl {
public:
  PartDropDown(const RCPtr<LControl>& parent, const WideString& name) : LDropDownControl(parent, name) {}

  bool IsDroppedDown() const override {
    const RCPtr<LControl>& part = FindChild(WideString(u"part"));
    return part && part->IsVisible(false);
  }
  QZRESULT ShowDropDown(bool show) override {
    const RCPtr<LControl>& part = FindChild(WideString(u"part"));
    if (!part)
      return E_FAIL;
    static_cast<void>(part->SetVisible(show));
    return S_OK;
  }
};

RCPtr<LControl>& CreateScrollView(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                  const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LScrollView>(out, parent, descriptor);
}

RCPtr<LControl>& CreateDropDown(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<PartDropDown>(out, parent, descriptor);
}

class ScrollIntoViewTest : public test::ScrollFixture {
protected:
  void SetUp() override {
    ScrollFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.ScrollView"), &CreateScrollView);
    mFactory->RegisterControlCreateFunction(WideString(u"Test.DropDown"), &CreateDropDown);
    LoadScrollSkin(Skin());
    OpenTopLevel(u"main");
    mOuter = DynamicCast<LScrollView>(Find(mMain, "outer"));
    mInner = DynamicCast<LScrollView>(Find(mOuter, "inner"));
    ASSERT_TRUE(mOuter && mInner);
    ASSERT_EQ(mOuter->GetClientExtentSize(), (SizeT<double>{350, 280}));
    ASSERT_EQ(mOuter->GetLocalBounds().width, 184);
    ASSERT_EQ(mOuter->GetLocalBounds().height, 84);
  }
  void TearDown() override {
    mOuter = mInner = RCPtr<LScrollView>();
    ScrollFixture::TearDown();
  }

  static RCPtr<LControl> Find(const RCPtr<LControl>& parent, const char* name) {
    return parent->FindChild(
        WideString(std::u16string(name, name + std::char_traits<char>::length(name)).c_str()));
  }
  static std::string Offset(const RCPtr<LScrollView>& view) {
    const PointT<double>& offset = view->GetScrollOffset();
    return std::to_string(static_cast<int>(offset.x)) + "," + std::to_string(static_cast<int>(offset.y));
  }

  RCPtr<LScrollView> mOuter;
  RCPtr<LScrollView> mInner;
};

// Each control, from the offset the previous case left, scrolls the views as little as it takes.
TEST_F(ScrollIntoViewTest, EachViewScrollsAsLittleAsBringsTheControlIntoSight) {
  const RCPtr<LControl> panel = Find(mOuter, "panel");
  struct Case {
    const char* name;
    RCPtr<LControl> control;
    const char* outer;
    const char* inner;
  };
  const Case cases[] = {
      {"at the far corner: its bottom right to the view's", Find(mOuter, "far"), "156,196", "0,0"},
      {"at the top left: back to the start", Find(mOuter, "content"), "0,0", "0,0"},
      {"in a panel that does not scroll: the view around it scrolls", Find(panel, "cell"), "0,96", "0,0"},
      {"in sight already: nothing moves", Find(panel, "cell"), "0,96", "0,0"},
      {"in a nested view: both views scroll", Find(mInner, "deep"), "106,60", "0,160"},
      {"the nested view itself: as far right as the outer one goes", RCPtr<LControl>(mInner), "166,20", "0,160"},
      {"above what is in sight", Find(mOuter, "content"), "0,0", "0,160"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.control);
    c.control->ScrollIntoView();
    EXPECT_EQ(Offset(mOuter), c.outer);
    EXPECT_EQ(Offset(mInner), c.inner);
    EXPECT_EQ(panel->GetScrollOffset(), (PointT<double>{0, 0})) << "the panel scrolled";
  }
  // The bars follow the offset the views took.
  EXPECT_DOUBLE_EQ(mInner->GetVerticalBar()->GetNormalizedValue(), 1.0);
  EXPECT_DOUBLE_EQ(mOuter->GetVerticalBar()->GetNormalizedValue(), 0.0);
}

// An open part closes when an ancestor scrolls or the window takes a new size; another view scrolling, or a
// scroll while it is closed, leaves it as it is.
TEST_F(ScrollIntoViewTest, AnOpenPartClosesWhenTheGroundItWasPlacedOnMoves) {
  const RCPtr<LDropDownControl> drop = DynamicCast<LDropDownControl>(Find(mOuter, "drop"));
  const RCPtr<LDropDownControl> topDrop = DynamicCast<LDropDownControl>(Find(mMain, "topDrop"));
  ASSERT_TRUE(drop && topDrop);
  const auto scrollOuter = [this] { mOuter->SetScrollOffset({0, mOuter->GetScrollOffset().y == 0 ? 10.0 : 0.0}); };
  const auto scrollInner = [this] { mInner->SetScrollOffset({0, mInner->GetScrollOffset().y == 0 ? 10.0 : 0.0}); };
  const auto resize = [this] { static_cast<void>(mWindow->Notify(LNotification::Create(kNidWindowSizeChange))); };
  struct Case {
    const char* name;
    RCPtr<LDropDownControl> control;
    std::function<void()> move;
    bool staysOpen;
  };
  const Case cases[] = {
      {"its view scrolls", drop, scrollOuter, false},
      {"a view beside it scrolls", drop, scrollInner, true},
      {"the window takes a new size", drop, resize, false},
      {"outside the view: the view scrolls", topDrop, scrollOuter, true},
      {"outside the view: the window takes a new size", topDrop, resize, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(c.control->ShowDropDown(true), S_OK);
    ASSERT_TRUE(c.control->IsDroppedDown());
    c.move();
    EXPECT_EQ(c.control->IsDroppedDown(), c.staysOpen);
    static_cast<void>(c.control->ShowDropDown(false));
  }
  // Closed, it stays closed.
  scrollOuter();
  resize();
  EXPECT_FALSE(drop->IsDroppedDown());
  EXPECT_FALSE(topDrop->IsDroppedDown());
}

} // namespace
} // namespace QZ
