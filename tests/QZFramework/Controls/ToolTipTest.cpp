// The tool tip's timing (500 ms wait, 5 s show, at once within 50 ms of the
// last hide) and its placement near the pointer, on the fake clock.

#include "QZFramework/Controls/ControlsFixture.h"

#include "QZFramework/ControlBase/Look.h"
#include "QZFramework/ControlBase/LookDescriptor.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/ToolTip.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace QZ {
namespace {

using test::ControlsFixture;
using test::Placed;
using test::TestControl;

class ToolTipTest : public ControlsFixture {
protected:
  void SetUp() override {
    ControlsFixture::SetUp();
    LToolTip::LastHideTime() = 0;
    mRoot = Make<TestControl>(RCPtr<LControl>(), u"root", {0, 0, 200, 100});
    mWindow->SetRootControl(mRoot);
    mHost = Make<TestControl>(mRoot, u"host", {50, 30, 40, 20});
    // Layouts that keep these bounds when a tip makes the tree lay out again.
    for (const auto& [control, rect] :
         {std::pair{mRoot, RectT<double>{0, 0, 200, 100}}, std::pair{mHost, RectT<double>{50, 30, 40, 20}}}) {
      const RCPtr<LLayoutDescriptor>& layout = control->GetLayout();
      layout->mPlacement[LLayoutDescriptor::kAxisX].mAbsolute = rect.x;
      layout->mPlacement[LLayoutDescriptor::kAxisY].mAbsolute = rect.y;
      layout->mSize[LLayoutDescriptor::kAxisX].mAbsolute = rect.width;
      layout->mSize[LLayoutDescriptor::kAxisY].mAbsolute = rect.height;
    }
    static_cast<void>(mRoot->UpdateLayout());
    static_cast<void>(mHost->UpdateLayout());
    mWindow->mBounds = {0, 0, 200, 100};
  }
  void TearDown() override {
    mRoot = mHost = RCPtr<Placed<TestControl>>();
    ControlsFixture::TearDown();
  }
  // A 60 by 12 tip under the host, shown at ms with the pointer at pointer.
  RCPtr<LToolTip> ShowTip(std::uint32_t ms, PointT<std::int32_t> pointer, double width = 60) {
    const RCPtr<LToolTip> tip(new LToolTip(mHost, WideString(u"toolTip")));
    RCPtr<LLayoutDescriptor> layout = MakeRCPtr<LLayoutDescriptor>();
    layout->mSize[LLayoutDescriptor::kAxisX].mAbsolute = width;
    layout->mSize[LLayoutDescriptor::kAxisY].mAbsolute = 12;
    layout->mClipToParent = false;
    static_cast<TipAccess*>(tip.GetRaw())->SetLayout(layout);
    static_cast<void>(tip->Initialize());
    static_cast<void>(tip->FinishInitialize());
    tip->SetCreated();
    mWindow->mCursor = pointer;
    mApp.mMilliseconds = ms;
    tip->Show();
    return tip;
  }
  struct TipAccess : LToolTip {
    void SetLayout(const RCPtr<LLayoutDescriptor>& layout) {
      mLayout = layout;
      static_cast<void>(UpdateLayout());
    }
  };
  static PointT<double> InWindow(const RCPtr<LToolTip>& tip) { return tip->GetPositionInRoot(); }

  RCPtr<Placed<TestControl>> mRoot, mHost;
};

TEST_F(ToolTipTest, ATipWaitsHalfASecondShowsBelowThePointerAndGoesAfterFiveSeconds) {
  const RCPtr<LToolTip> tip = ShowTip(1000, {70, 40});
  EXPECT_EQ(tip->GetDisplayState(), LToolTip::kWaiting);
  EXPECT_FALSE(tip->IsVisible(false));
  IdleAt(1500);
  EXPECT_EQ(tip->GetDisplayState(), LToolTip::kWaiting) << "more than 500 ms";
  IdleAt(1501);
  EXPECT_EQ(tip->GetDisplayState(), LToolTip::kShown);
  EXPECT_TRUE(tip->IsVisible(false));
  EXPECT_EQ(InWindow(tip), (PointT<double>{70, 60}));
  IdleAt(6501);
  EXPECT_EQ(tip->GetDisplayState(), LToolTip::kShown);
  IdleAt(6502);
  EXPECT_EQ(tip->GetDisplayState(), LToolTip::kHidden);
  EXPECT_EQ(LToolTip::LastHideTime(), 6502u);
  IdleAt(6503); // the host closes it
  EXPECT_FALSE(tip->GetParent());

  // Within 50 ms of that hide the next tip shows at once; later it waits again.
  const RCPtr<LToolTip> next = ShowTip(6551, {10, 10});
  EXPECT_EQ(next->GetDisplayState(), LToolTip::kShown);
  next->Hide();
  const RCPtr<LToolTip> late = ShowTip(6601, {10, 10});
  EXPECT_EQ(late->GetDisplayState(), LToolTip::kWaiting);
  late->Hide();
  mWindow->ProcessIdle();
}

TEST_F(ToolTipTest, ATipHiddenWhileWaitingLeavesTheHideTimeAlone) {
  LToolTip::LastHideTime() = 100;
  const RCPtr<LToolTip> tip = ShowTip(1000, {10, 10});
  IdleAt(1200);
  tip->Hide();
  EXPECT_EQ(LToolTip::LastHideTime(), 100u);
  const RCPtr<LToolTip> next = ShowTip(1210, {10, 10});
  EXPECT_EQ(next->GetDisplayState(), LToolTip::kWaiting);
  next->Hide();
  mWindow->ProcessIdle();
}

TEST_F(ToolTipTest, TheTipIsPushedBackInsideTheWindow) {
  struct Case {
    const char* why;
    PointT<std::int32_t> pointer;
    double width;
    PointT<double> expected;
  } cases[] = {
      {"below the pointer", {20, 10}, 60, {20, 30}},
      {"at the right edge", {180, 10}, 60, {140, 30}},
      {"at the bottom edge", {20, 95}, 60, {20, 88}},
      {"no wider than the window less 8 pixels", {180, 10}, 300, {8, 30}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    LToolTip::LastHideTime() = 0;
    const RCPtr<LToolTip> tip = ShowTip(1000, c.pointer, c.width);
    IdleAt(1501);
    EXPECT_EQ(InWindow(tip), c.expected);
    EXPECT_EQ(tip->GetBounds().width, std::min(c.width, 192.0));
    EXPECT_FALSE(tip->IsTransparentAt({0, 0}));
    tip->Hide();
    mWindow->ProcessIdle();
  }
}

// A control of class T whose look has no text area, so any text of its own is
// cut off, with a "TOOLTIP" text from the skin.
template <class T>
class Captioned : public T {
public:
  Captioned(const RCPtr<LControl>& parent, const char16_t* name) : T(parent, WideString(name)) {
    this->mLayout = MakeRCPtr<LLayoutDescriptor>();
    this->mBounds = {0, 0, 40, 20};
    this->AddLook(LLook::Create(MakeRCPtr<LLookDescriptor>(WideString(u"Plain")), false));
    static_cast<void>(this->SetLookWeight(0, 1.0f, true));
    static_cast<void>(this->Initialize());
    static_cast<void>(this->FinishInitialize());
    this->SetCreated();
    this->mToolTipText = WideString(u"from the skin");
  }
};

TEST_F(ToolTipTest, TheBaseMakesTheTipFromTheSkinWithTheTruncatedTextOfALabelOrAButton) {
  mFactory->RegisterControlCreateFunction(WideString(u"Framework.ToolTip"), &LToolTip::Create);
  LoadSkin("<SubControl Class=\"Framework.ToolTip\" Name=\"toolTip\" XSizeAbs=\"60\" YSizeAbs=\"12\" "
           "ClipToParent=\"False\" Z_Order=\"9999\"/>");
  const RCPtr<LControl> label(new Captioned<LLabel>(mHost, u"label"));
  const RCPtr<LControl> button(new Captioned<LButton>(mHost, u"button"));
  struct Case {
    const char* why;
    RCPtr<LControl> owner;
    const char16_t* text;
    const char16_t* tip;
  } cases[] = {
      {"a label that fits shows the skin's text", label, u"", u"from the skin"},
      {"a cut-off label shows its own", label, u"a caption too long", u"a caption too long"},
      {"a button that fits shows the skin's text", button, u"", u"from the skin"},
      {"a cut-off button shows its own", button, u"Send to the device", u"Send to the device"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.why);
    static_cast<void>(c.owner->SetText(WideString(c.text)));
    mApp.mMilliseconds = 1000;
    ASSERT_EQ(c.owner->CreateToolTip(true), S_OK);
    const RCPtr<LToolTip> tip = DynamicCast<LToolTip>(c.owner->FindChild(WideString(u"toolTip")));
    ASSERT_TRUE(tip);
    EXPECT_TRUE(tip->GetText().IsEqual(c.tip));
    EXPECT_EQ(tip->GetDisplayState(), LToolTip::kWaiting);
    IdleAt(1501);
    EXPECT_EQ(tip->GetDisplayState(), LToolTip::kShown);
    ASSERT_EQ(c.owner->CreateToolTip(false), S_OK);
    EXPECT_EQ(tip->GetDisplayState(), LToolTip::kHidden);
    IdleAt(1502);
    EXPECT_FALSE(c.owner->FindChild(WideString(u"toolTip")));
    LToolTip::LastHideTime() = 0;
  }
}

// The pointer leaves and comes back before the next idle pass: the hidden tip
// still waits to be closed when the new one is made.
TEST_F(ToolTipTest, ATipMadeAgainBeforeTheOldOneIsClosedShowsAndHides) {
  mFactory->RegisterControlCreateFunction(WideString(u"Framework.ToolTip"), &LToolTip::Create);
  LoadSkin("<SubControl Class=\"Framework.ToolTip\" Name=\"toolTip\" XSizeAbs=\"60\" YSizeAbs=\"12\" "
           "ClipToParent=\"False\" Z_Order=\"9999\"/>");
  const RCPtr<LControl> label(new Captioned<LLabel>(mHost, u"label"));
  mApp.mMilliseconds = 1000;
  ASSERT_EQ(label->CreateToolTip(true), S_OK);
  IdleAt(1501);
  ASSERT_EQ(label->CreateToolTip(false), S_OK);
  mApp.mMilliseconds = 1510;
  ASSERT_EQ(label->CreateToolTip(true), S_OK);
  const RCPtr<LToolTip> again = DynamicCast<LToolTip>(label->FindChild(WideString(u"toolTip")));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->GetDisplayState(), LToolTip::kShown) << "within 50 ms of the last hide";
  EXPECT_TRUE(again->IsVisible(false));
  ASSERT_EQ(label->CreateToolTip(false), S_OK);
  EXPECT_EQ(again->GetDisplayState(), LToolTip::kHidden) << "the hide reaches the new tip";
  IdleAt(1600);
  EXPECT_FALSE(label->FindChild(WideString(u"toolTip")));
  LToolTip::LastHideTime() = 0;
}

} // namespace
} // namespace QZ
