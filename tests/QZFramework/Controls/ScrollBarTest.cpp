// The scroll bar made from the skin in a scripted root window: its parts and
// orientation, the step buttons, track paging on the fake clock with its
// Clicked look, the thumb drag with the pending value, the range and the keys.

#include "QZFramework/Controls/ScrollFixture.h"
#include "QZFramework/Controls/ScrollSkin.h"

#include "QZFramework/ControlBase/ControlBaseTestSupport.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Controls/ScrollBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace QZ {
namespace {

using test::NotificationLog;

// Windows with one bar each: "vmain" holds a vertical bar of 16 by 232 at
// (100, 20), "hmain" a horizontal one of 232 by 16 at (20, 100); both tracks
// are 200 pixels long and start 16 pixels into the bar. "focus" is a button
// that leaves every key but Enter to its parent.
std::string BarSkin() {
  const std::string focus =
      test::ScrollPart("Framework.Button", "focus",
                       "XPositionAbs=\"300\" YPositionAbs=\"300\" XSizeAbs=\"40\" YSizeAbs=\"20\"", "GreenButton");
  const std::string vertical = test::ScrollBarEntry(
      "bar", true, "XPositionAbs=\"100\" YPositionAbs=\"20\" XSizeAbs=\"16\" YSizeAbs=\"232\"");
  const std::string horizontal = test::ScrollBarEntry(
      "bar", false, "XPositionAbs=\"20\" YPositionAbs=\"100\" XSizeAbs=\"232\" YSizeAbs=\"16\"");
  const auto main = [&](const char* name, const std::string& bar) {
    return test::ScrollPart("Test.Plain", name, "XSizeAbs=\"640\" YSizeAbs=\"480\"", "Gray", focus + bar);
  };
  // Bars whose buttons lie in various places; "none" has no buttons and no channel.
  const auto button = [](const char* name, int x, int y) {
    return test::ScrollPart("Framework.Button", name,
                            "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) +
                                "\" XSizeAbs=\"16\" YSizeAbs=\"16\"",
                            "GreenButton");
  };
  const auto bar = [&](const char* name, int x, const std::string& buttons) {
    return test::ScrollPart("Framework.ScrollBar", name,
                            "XPositionAbs=\"" + std::to_string(x) +
                                "\" YPositionAbs=\"0\" XSizeAbs=\"40\" YSizeAbs=\"40\"",
                            "Gray", buttons);
  };
  const std::string placed = bar("side", 0, button("dec", 0, 0) + button("inc", 24, 0)) +
                             bar("below", 50, button("dec", 0, 0) + button("inc", 0, 24)) +
                             bar("diagonal", 100, button("dec", 0, 0) + button("inc", 24, 24)) +
                             bar("reversed", 150, button("inc", 0, 0) + button("dec", 24, 0)) +
                             bar("none", 200, "");
  return test::SkinDocument(
      test::ScrollLooks() + "<Skins><Skin Name=\"S\">" + main("vmain", vertical) + main("hmain", horizontal) +
      test::ScrollPart("Test.Plain", "omain", "XSizeAbs=\"640\" YSizeAbs=\"480\"", "Gray", placed) +
      "</Skin></Skins>");
}

class ScrollBarTest : public test::ScrollFixture {
protected:
  void SetUp() override {
    ScrollFixture::SetUp();
    LoadScrollSkin(BarSkin());
  }
  void TearDown() override {
    mBar = RCPtr<LScrollbar>();
    ScrollFixture::TearDown();
  }

  // Builds one of the windows and takes its bar.
  void Open(const char16_t* name) {
    OpenTopLevel(name);
    mBar = DynamicCast<LScrollbar>(mMain->FindChild(WideString(u"bar")));
    ASSERT_TRUE(mBar);
  }
  // The thumb's leading edge along the bar, in the channel.
  double ThumbAt() const {
    const RectT<double>& thumb = mBar->GetThumb()->GetBounds();
    return mBar->IsVertical() ? thumb.y : thumb.x;
  }
  // A window point on the vertical bar's track, at that distance into it.
  static PointT<std::int32_t> OnTrack(std::int32_t along) { return {108, 36 + along}; }

  RCPtr<LScrollbar> mBar;
};

TEST_F(ScrollBarTest, PartsOrientationAndTheThumbComeFromTheSkin) {
  for (const char16_t* name : {u"vmain", u"hmain"}) {
    const bool vertical = name[0] == u'v';
    SCOPED_TRACE(vertical ? "vertical" : "horizontal");
    Open(name);
    EXPECT_EQ(mBar->IsVertical(), vertical);
    EXPECT_EQ(mBar->GetKeyFlags(), LScrollbar::kAllKeys);
    EXPECT_TRUE(mBar->IsNotFocusable());
    EXPECT_TRUE(mBar->GetChannel()->IsNotFocusable());
    EXPECT_TRUE(mBar->GetThumb()->IsNotFocusable());
    EXPECT_TRUE(mBar->FindChild(WideString(u"dec"))->IsNotFocusable());
    EXPECT_EQ(mBar->GetTrackEnd(), 200.0);
    EXPECT_EQ(mBar->GetMinThumbLength(), 16.0) << "the thumb's thickness";
    EXPECT_EQ(mBar->GetThumbLength(), 20.0) << "a tenth of the track";
    EXPECT_EQ(mBar->GetValue(), 0.0);
    EXPECT_EQ(mBar->GetNormalizedValue(), 0.0);

    // The thumb never gets shorter than it is thick.
    mBar->SetThumbFraction(0.01);
    mBar->LayoutThumb();
    EXPECT_EQ(mBar->GetThumbLength(), 16.0);
    const RectT<double>& thumb = mBar->GetThumb()->GetBounds();
    EXPECT_EQ(vertical ? thumb.height : thumb.width, 16.0);
    mBar->SetThumbFraction(0.333);
    mBar->LayoutThumb();
    EXPECT_EQ(mBar->GetThumbLength(), 67.0) << "66.6 rounded";

    // The thumb sits at value x free track length, rounded.
    mBar->SetValue(0.5);
    EXPECT_EQ(ThumbAt(), std::round(0.5 * (200 - 67)));
    mBar->SetValue(1.0);
    EXPECT_EQ(ThumbAt(), 133.0);
    mWindow->SetRootControl(RCPtr<LControl>());
  }
}

TEST_F(ScrollBarTest, TheBarIsVerticalUnlessItsButtonsLieFurtherApartAcross) {
  OpenTopLevel(u"omain");
  const struct {
    const char16_t* name;
    bool vertical;
  } cases[] = {{u"side", false}, {u"below", true}, {u"diagonal", true}, {u"reversed", true}, {u"none", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(WideString(c.name).ToNarrow().GetChars());
    const RCPtr<LScrollbar> bar = DynamicCast<LScrollbar>(mMain->FindChild(WideString(c.name)));
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->IsVertical(), c.vertical);
  }

  // Without buttons, channel and thumb the bar still answers keys handed to it.
  const RCPtr<LScrollbar> bare = DynamicCast<LScrollbar>(mMain->FindChild(WideString(u"none")));
  bare->SetValue(0.5);
  EXPECT_EQ(bare->GetThumb(), RCPtr<LButton>());
  const RCPtr<LSiblingKeyParam> key = LSiblingKeyParam::Create(KeyCode(0x28, true, 0, 0), RCPtr<LControl>());
  EXPECT_EQ(bare->Receive(RCPtr<LNotificationDistributor>(), LNotification::Create(u"NID_SIBLING_KEY", key)), 1);
  EXPECT_EQ(key->mResult, 0) << "consumed";
  EXPECT_DOUBLE_EQ(bare->GetNormalizedValue(), 0.52);
}

TEST_F(ScrollBarTest, TheStepButtonsMoveBySmallStepsAndStopAtTheEnds) {
  Open(u"vmain");
  const auto log = Listen(mBar, {u"NID_VALUE_CHANGE"});
  struct Case {
    const char* name;
    double from;
    PointT<std::int32_t> button;
    double to;
  };
  const Case cases[] = {
      {"inc", 0.5, {108, 244}, 0.52},
      {"dec", 0.5, {108, 28}, 0.48},
      {"inc near the end stops at 1", 0.99, {108, 244}, 1.0},
      {"dec near the start stops at 0", 0.01, {108, 28}, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mBar->SetValue(c.from);
    log->mEntries.clear();
    mWindow->Move(c.button);
    mWindow->Press(kMouseButtonLeft, c.button);
    EXPECT_DOUBLE_EQ(mBar->GetNormalizedValue(), c.to);
    EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), 1);
    mWindow->Release(kMouseButtonLeft, c.button);
    EXPECT_DOUBLE_EQ(mBar->GetNormalizedValue(), c.to) << "the release adds nothing";
  }
  // At the end already: nothing changes, nothing is announced.
  mBar->SetValue(1.0);
  log->mEntries.clear();
  mWindow->Move({108, 244});
  mWindow->Click(kMouseButtonLeft, {108, 244});
  EXPECT_EQ(mBar->GetNormalizedValue(), 1.0);
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), 0);
}

TEST_F(ScrollBarTest, AHeldTrackPressPagesAtOnceAfterTheDelayThenEachIntervalUntilTheThumbArrives) {
  Open(u"vmain");
  const RCPtr<LControl> channel = mBar->GetChannel();
  const auto looks = [&] {
    return std::to_string(channel->GetLookWeight(0)) + "/" + std::to_string(channel->GetLookWeight(1));
  };
  // Thumb of 20 on a track of 200: at value v it covers 180v .. 180v + 20.
  // The pointer at 150 is reached at 0.8 (144 .. 164).
  mApp.mMilliseconds = 1000;
  mWindow->Move(OnTrack(150));
  mWindow->Press(kMouseButtonLeft, OnTrack(150));
  EXPECT_EQ(mBar->GetPagingDirection(), LScrollbar::kPagingTowardsEnd);
  EXPECT_DOUBLE_EQ(mBar->GetNormalizedValue(), 0.2) << "the press pages at once";
  EXPECT_EQ(mBar->GetIdleRequestCount(), 1);

  // The Clicked look covers the channel from the thumb's trailing edge to its end.
  EXPECT_EQ(looks(), "1.000000/1.000000");
  EdgeRect clicked{};
  ASSERT_TRUE(channel->GetLook(1)->GetRegion().GetBounds(clicked));
  EXPECT_EQ(clicked.top, 56);
  EXPECT_EQ(clicked.bottom, 200);
  EXPECT_EQ(clicked.left, 0);
  EXPECT_EQ(clicked.right, 16);

  struct Step {
    std::uint32_t ms;
    double value;
  };
  const Step steps[] = {
      {1399, 0.2}, {1401, 0.4}, // after 0.4 s
      {1599, 0.4}, {1602, 0.6}, // then every 0.2 s
      {1801, 0.6}, {1803, 0.8}, // the thumb is under the pointer now
      {2100, 0.8}, {3000, 0.8},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.ms);
    IdleAt(step.ms);
    EXPECT_NEAR(mBar->GetNormalizedValue(), step.value, 1e-12);
  }
  EXPECT_EQ(looks(), "1.000000/0.000000") << "the pointer is on the thumb: the Normal look alone";

  mWindow->Release(kMouseButtonLeft, OnTrack(150));
  EXPECT_EQ(mBar->GetPagingDirection(), LScrollbar::kPagingNone);
  EXPECT_EQ(mBar->GetIdleRequestCount(), 0);
  EXPECT_EQ(looks(), "1.000000/0.000000");
}

TEST_F(ScrollBarTest, PagingTowardsTheStartAndTimeOutsideTheChannelDoesNotCount) {
  Open(u"vmain");
  mBar->SetValue(1.0); // thumb at 180 .. 200
  mApp.mMilliseconds = 1000;
  mWindow->Move(OnTrack(10));
  mWindow->Press(kMouseButtonLeft, OnTrack(10));
  EXPECT_EQ(mBar->GetPagingDirection(), LScrollbar::kPagingTowardsStart);
  EXPECT_DOUBLE_EQ(mBar->GetNormalizedValue(), 0.8);
  EdgeRect clicked{};
  ASSERT_TRUE(mBar->GetChannel()->GetLook(1)->GetRegion().GetBounds(clicked));
  EXPECT_EQ(clicked.top, 0);
  EXPECT_EQ(clicked.bottom, 144) << "from the start to the thumb's leading edge";

  // Outside the channel the countdown stands still and the Normal look shows.
  IdleAt(1300);
  mWindow->Move({300, 100});
  EXPECT_EQ(mBar->GetChannel()->GetLookWeight(1), 0.0f);
  IdleAt(2000);
  EXPECT_DOUBLE_EQ(mBar->GetNormalizedValue(), 0.8);
  mApp.mMilliseconds = 2500;
  mWindow->Move(OnTrack(10));
  IdleAt(2599);
  EXPECT_DOUBLE_EQ(mBar->GetNormalizedValue(), 0.8) << "only 0.3 s counted before leaving";
  IdleAt(2601);
  EXPECT_NEAR(mBar->GetNormalizedValue(), 0.6, 1e-12);
  mWindow->Release(kMouseButtonLeft, OnTrack(10));
}

TEST_F(ScrollBarTest, TheThumbFollowsTheDragAndAValueSetMeanwhileWaitsForItsEnd) {
  Open(u"vmain");
  const auto log = Listen(mBar, {u"NID_VALUE_CHANGE"});
  // The thumb covers 0 .. 20 of the track; grabbed 5 pixels into it.
  mWindow->Press(kMouseButtonLeft, OnTrack(5));
  EXPECT_EQ(mBar->GetPagingDirection(), LScrollbar::kPagingNone) << "a press on the thumb does not page";
  mWindow->Move(OnTrack(6));
  ASSERT_TRUE(mBar->IsDraggingThumb());
  EXPECT_EQ(ThumbAt(), 1.0);
  mWindow->Move(OnTrack(95));
  EXPECT_EQ(ThumbAt(), 90.0);
  EXPECT_DOUBLE_EQ(mBar->GetNormalizedValue(), 0.5) << "90 of the 180 pixels the thumb can travel";
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), 2) << "listeners follow the drag live";

  // A value from outside (a scroll view following its content) waits.
  EXPECT_DOUBLE_EQ(mBar->SetValue(0.25), 0.5);
  EXPECT_DOUBLE_EQ(mBar->SetValue(0.9), 0.5);
  EXPECT_EQ(mBar->GetPendingValue(), 0.9);
  EXPECT_EQ(ThumbAt(), 90.0);

  // Beyond the track the thumb stops at the end.
  mWindow->Move(OnTrack(400));
  EXPECT_EQ(ThumbAt(), 180.0);
  EXPECT_EQ(mBar->GetNormalizedValue(), 1.0);
  mWindow->Move({108, -100});
  EXPECT_EQ(ThumbAt(), 0.0);

  // The drag ends: the last value set meanwhile is applied.
  mWindow->Release(kMouseButtonLeft, {108, -100});
  EXPECT_FALSE(mBar->IsDraggingThumb());
  EXPECT_DOUBLE_EQ(mBar->GetNormalizedValue(), 0.9);
  EXPECT_EQ(ThumbAt(), 162.0);
  EXPECT_EQ(mBar->GetPendingValue(), -1.0);

  // A drag without a value set meanwhile keeps where it ended.
  mWindow->Press(kMouseButtonLeft, OnTrack(170));
  mWindow->Move(OnTrack(100));
  mWindow->Release(kMouseButtonLeft, OnTrack(100));
  EXPECT_EQ(ThumbAt(), 92.0);
  EXPECT_DOUBLE_EQ(mBar->GetNormalizedValue(), 92.0 / 180.0);
}

TEST_F(ScrollBarTest, ARangeChangeKeepsTheRealValue) {
  Open(u"vmain");
  mBar->SetValue(0.25);
  ASSERT_DOUBLE_EQ(mBar->GetValue(), 25.0) << "the range starts as 0 .. 100";
  struct Case {
    const char* name;
    double minimum, maximum;
    std::int32_t mapping;
    QZRESULT result;
    double real, normalized;
  };
  const Case cases[] = {
      {"narrower", 0, 50, LControl::kValueMappingLinear, S_OK, 25, 0.5},
      {"wider", 0, 200, LControl::kValueMappingLinear, S_OK, 25, 0.125},
      {"exponential", 1, 1000, LControl::kValueMappingExponential, S_OK, 25, std::log(25.0) / std::log(1000.0)},
      {"exponential from 0 is refused", 0, 100, LControl::kValueMappingExponential, E_INVALIDARG, 25,
       std::log(25.0) / std::log(1000.0)},
      {"below the value: clamped", 0, 10, LControl::kValueMappingLinear, S_OK, 10, 1.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(mBar->SetValueRange(c.minimum, c.maximum, c.mapping), c.result);
    EXPECT_NEAR(mBar->GetValue(), c.real, 1e-9);
    EXPECT_NEAR(mBar->GetNormalizedValue(), c.normalized, 1e-12);
  }
}

TEST_F(ScrollBarTest, TheKeyTableDependsOnTheOrientationAndWantsNoModifiers) {
  constexpr std::uint8_t kUp = 0x26, kDown = 0x28, kLeft = 0x25, kRight = 0x27;
  constexpr std::uint8_t kPageUp = 0x21, kPageDown = 0x22, kHome = 0x24, kEnd = 0x23;
  struct Case {
    std::uint8_t key;
    std::uint32_t modifiers;
    double vertical;   // the vertical bar's value after the key, from 0.5
    double horizontal; // the horizontal bar's
  };
  const Case cases[] = {
      {kUp, 0, 0.48, 0.5},
      {kDown, 0, 0.52, 0.5},
      {kLeft, 0, 0.5, 0.48},
      {kRight, 0, 0.5, 0.52},
      {kPageUp, 0, 0.3, 0.5},
      {kPageDown, 0, 0.7, 0.5},
      {kHome, 0, 0.0, 0.0},
      {kEnd, 0, 1.0, 1.0},
      {kUp, kModifierShift, 0.5, 0.5},
      {kHome, kModifierCtrl, 0.5, 0.5},
  };
  for (const char16_t* name : {u"vmain", u"hmain"}) {
    const bool vertical = name[0] == u'v';
    Open(name);
    mWindow->mHotKeys = {{KeyCode(kUp, true, 0, 0).mPacked, "up"}, {KeyCode(kLeft, true, 0, 0).mPacked, "left"}};
    ASSERT_EQ(mMain->FindChild(WideString(u"focus"))->SetFocus(true), S_OK);
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(vertical ? "vertical, key " : "horizontal, key ") + std::to_string(c.key) +
                   " modifiers " + std::to_string(c.modifiers));
      mBar->SetValue(0.5);
      mWindow->mOwnLog.clear();
      mWindow->Key(c.key, c.modifiers);
      const double expected = vertical ? c.vertical : c.horizontal;
      EXPECT_NEAR(mBar->GetNormalizedValue(), expected, 1e-12);
      if (c.key == kUp && c.modifiers == 0) {
        // A key the bar uses goes no further; one it leaves reaches the window's hot keys.
        const bool reached = std::find(mWindow->mOwnLog.begin(), mWindow->mOwnLog.end(), "window.hotkey:up") !=
                             mWindow->mOwnLog.end();
        EXPECT_EQ(reached, !vertical);
      }
    }
    // A hidden bar answers no key.
    mBar->SetVisible(false);
    mBar->SetValue(0.5);
    mWindow->Key(kEnd);
    EXPECT_EQ(mBar->GetNormalizedValue(), 0.5);
    mBar->SetVisible(true);
    // Keys switched off.
    ASSERT_EQ(mBar->EnableKeys(LScrollbar::kAllKeys & ~LScrollbar::kKeyEnd), S_OK);
    mWindow->Key(kEnd);
    EXPECT_EQ(mBar->GetNormalizedValue(), 0.5);
    EXPECT_EQ(mBar->EnableKeys(0x100), E_INVALIDARG);
    mWindow->SetRootControl(RCPtr<LControl>());
  }
}

} // namespace
} // namespace QZ
