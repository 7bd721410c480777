// The slider from a skin: the thumb made from "thumbStart", dragging along a
// horizontal or slanted track, the pending value, paging on the fake clock,
// keys and the wheel, and the skins that lack a track.

#include "QZFramework/Controls/ValueControlsFixture.h"

#include "QZFramework/Utilities/Storage/Holder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace QZ {
namespace {

using test::NotificationLog;

constexpr std::uint8_t kLeftKey = 0x25;
constexpr std::uint8_t kRightKey = 0x27;

class SliderTest : public test::ValueControlsFixture {
protected:
  void TearDown() override {
    mSlider = RCPtr<LSlider>();
    ValueControlsFixture::TearDown();
  }
  // A slider at (10, 10) whose markers are at S and E (slider coordinates).
  void Open(int startX, int startY, int endX, int endY) {
    OpenMain(test::SliderEntry("slider", 10, 10, startX, startY, endX, endY));
    mSlider = Find<LSlider>(u"slider");
    ASSERT_TRUE(mSlider);
  }
  PointT<double> Thumb() const { return {mSlider->GetThumb()->GetBounds().x, mSlider->GetThumb()->GetBounds().y}; }
  double Value() const { return mSlider->GetNormalizedValue(); }

  RCPtr<LSlider> mSlider;
};

TEST_F(SliderTest, TheThumbIsMadeFromTheStartMarkerAndFollowsTheValue) {
  Open(0, 40, 180, 40);
  ASSERT_TRUE(mSlider->GetThumb());
  EXPECT_EQ(test::Narrow(mSlider->GetThumb()->GetName()), "thumb");
  EXPECT_TRUE(mSlider->GetThumb()->IsVisible(true));
  EXPECT_FALSE(mSlider->FindChild(WideString(u"thumbStart"))->IsVisible(true)) << "the markers are hidden";
  EXPECT_EQ(mSlider->GetValue(), 0.0);
  EXPECT_EQ(mSlider->NormalizedToValue(1.0), 127.0) << "the range 0..127";
  EXPECT_EQ(mSlider->GetThumbReference().x, 10);
  EXPECT_EQ(mSlider->GetThumbReference().y, 10);

  const struct {
    double value;
    double x;
  } cases[] = {{0.0, 0}, {0.5, 90}, {1.0, 180}, {0.25, 45}, {2.0, 180}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    mSlider->SetValue(c.value);
    EXPECT_EQ(Thumb().x, c.x);
    EXPECT_EQ(Thumb().y, 40);
  }
  mSlider->SetValue(std::nan(""));
  EXPECT_EQ(Value(), 1.0) << "a NaN changes nothing";
}

TEST_F(SliderTest, AfterARebuildFromTheSkinTheThumbStaysAndStillDrags) {
  Open(0, 40, 180, 40);
  const RCPtr<LControl> thumb = mSlider->GetThumb();
  mSlider->SetValue(0.5);
  RCPtr<LControl> main = mMain;
  ASSERT_EQ(mFactory->ApplySkinToControl(main), S_OK);
  ASSERT_EQ(mSlider->GetThumb(), thumb);
  EXPECT_EQ(mSlider->FindChild(WideString(u"thumb")), thumb) << "the thumb is a child again";
  EXPECT_TRUE(thumb->IsVisible(true));
  EXPECT_FALSE(mSlider->FindChild(WideString(u"thumbEnd"))->IsVisible(true));
  EXPECT_EQ(Thumb().x, 90);
  mWindow->Move({105, 55});
  mWindow->Press(kMouseButtonLeft, {105, 55});
  mWindow->Move({106, 55});
  mWindow->Move({150, 55});
  mWindow->Release(kMouseButtonLeft, {150, 55});
  EXPECT_EQ(Thumb().x, 135);
  EXPECT_DOUBLE_EQ(Value(), 0.75);
}

TEST_F(SliderTest, DraggingMovesTheThumbAlongTheTrackAndHoldsOutsideValues) {
  Open(0, 40, 180, 40);
  const RCPtr<NotificationLog> log = Listen(mSlider, {u"NID_VALUE_CHANGE", u"NID_VALUE_CHANGE_CAPTURE"});
  // The thumb at (0, 40) in the slider, (10, 50) in the window; grabbed 5 pixels into it.
  mWindow->Move({15, 55});
  mWindow->Press(kMouseButtonLeft, {15, 55});
  mWindow->Move({16, 55});
  ASSERT_TRUE(mSlider->IsDragging());
  mWindow->Move({105, 90}); // down and right: only x counts
  EXPECT_EQ(Thumb().x, 90);
  EXPECT_EQ(Thumb().y, 40);
  EXPECT_DOUBLE_EQ(Value(), 0.5);
  mWindow->Move({400, 55});
  EXPECT_EQ(Thumb().x, 180) << "clamped to the end";
  EXPECT_DOUBLE_EQ(Value(), 1.0);

  // A value from outside waits for the release.
  EXPECT_DOUBLE_EQ(mSlider->SetValue(0.25), 1.0);
  EXPECT_EQ(Thumb().x, 180);
  EXPECT_DOUBLE_EQ(mSlider->GetPendingValue(), 0.25);
  mWindow->Release(kMouseButtonLeft, {400, 55});
  EXPECT_FALSE(mSlider->IsDragging());
  EXPECT_DOUBLE_EQ(Value(), 0.25);
  EXPECT_EQ(Thumb().x, 45);
  EXPECT_EQ(log->mEntries.front(), "NID_VALUE_CHANGE_CAPTURE");
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE_CAPTURE"), 2);

  // A pending value outside 0..1 is dropped.
  mWindow->Move({60, 55});
  mWindow->Press(kMouseButtonLeft, {60, 55});
  mWindow->Move({70, 55});
  mSlider->SetValue(3.0);
  mWindow->Release(kMouseButtonLeft, {70, 55});
  EXPECT_NEAR(Value(), 55.0 / 180.0, 1e-12);
}

TEST_F(SliderTest, AnEndLeftOfTheStartGrowsTheValueLeftwards) {
  Open(180, 40, 0, 40);
  EXPECT_EQ(Thumb().x, 180);
  mWindow->Move({195, 55});
  mWindow->Press(kMouseButtonLeft, {195, 55});
  mWindow->Move({100, 55});
  EXPECT_EQ(Thumb().x, 85);
  EXPECT_NEAR(Value(), 95.0 / 180.0, 1e-12);
  mWindow->Move({-50, 55});
  EXPECT_EQ(Thumb().x, 0);
  mWindow->Release(kMouseButtonLeft, {-50, 55});
  EXPECT_DOUBLE_EQ(Value(), 1.0);
}

TEST_F(SliderTest, ASlantedTrackTakesTheFootOfThePerpendicular) {
  Open(0, 0, 100, 50);
  // Before any drag the grab offset is 0: the point itself is projected.
  const struct {
    PointT<std::int32_t> point, expected;
  } cases[] = {{{50, 25}, {50, 25}},
               {{0, 50}, {20, 10}},
               {{60, 0}, {48, 24}},
               {{200, 200}, {100, 50}},
               {{-40, -40}, {0, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
    const PointT<std::int32_t> result = mSlider->ConstrainPointToTrack(c.point);
    EXPECT_EQ(result.x, c.expected.x);
    EXPECT_EQ(result.y, c.expected.y);
  }
  mSlider->SetValue(0.5);
  EXPECT_EQ(Thumb().x, 50);
  EXPECT_EQ(Thumb().y, 25);
  EXPECT_NEAR(mSlider->ValueFromPoint({50, 25}), 0.5, 1e-12);
}

TEST_F(SliderTest, APressOnTheTrackPagesTowardsThePointerOnTheClock) {
  Open(0, 40, 180, 40);
  const RCPtr<NotificationLog> log = Listen(mSlider, {u"NID_VALUE_CHANGE"});
  // A quick click pages exactly once.
  mApp.mMilliseconds = 1000;
  mWindow->Move({200, 55});
  mWindow->Click(kMouseButtonLeft, {200, 55});
  EXPECT_DOUBLE_EQ(Value(), 0.1);
  EXPECT_EQ(mSlider->GetIdleRequestCount(), 0);

  // Held: the first page after 0.3 s, then every 0.1 s, stopping at the pointer.
  mWindow->Move({68, 60});
  mWindow->Press(kMouseButtonLeft, {68, 60}); // aims the thumb's middle there: x 48 on the track
  EXPECT_TRUE(mSlider->IsPaging());
  IdleAt(1299);
  EXPECT_DOUBLE_EQ(Value(), 0.1);
  IdleAt(1300);
  EXPECT_DOUBLE_EQ(Value(), 0.2);
  IdleAt(1350);
  EXPECT_DOUBLE_EQ(Value(), 0.2);
  IdleAt(1401);
  EXPECT_NEAR(Value(), 48.0 / 180.0, 1e-12) << "not past the pointer";
  IdleAt(1502);
  EXPECT_NEAR(Value(), 48.0 / 180.0, 1e-12);
  mWindow->Release(kMouseButtonLeft, {68, 60});
  EXPECT_FALSE(mSlider->IsPaging());
  EXPECT_EQ(mSlider->GetIdleRequestCount(), 0);
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), 3);
}

TEST_F(SliderTest, ArrowKeysStepByOneUnitWithKeyDownAndKeyUp) {
  Open(0, 40, 180, 40);
  const RCPtr<NotificationLog> log =
      Listen(mSlider, {u"NID_VALUE_CHANGE", u"NID_VALUE_CHANGE_KEY_DOWN", u"NID_VALUE_CHANGE_KEY_UP"});
  ASSERT_EQ(mSlider->GetThumb()->SetFocus(true), S_OK);
  SendKey(kRightKey, true);
  SendKey(kRightKey, true);
  SendKey(kRightKey, true);
  SendKey(kRightKey, false);
  EXPECT_NEAR(mSlider->GetValue(), 3, 1e-9);
  EXPECT_EQ(log->mEntries,
            (std::vector<std::string>{"NID_VALUE_CHANGE_KEY_DOWN", "NID_VALUE_CHANGE", "NID_VALUE_CHANGE",
                                      "NID_VALUE_CHANGE", "NID_VALUE_CHANGE_KEY_UP"}));
  SendKey(kLeftKey, true);
  EXPECT_NEAR(mSlider->GetValue(), 2, 1e-9);
  EXPECT_TRUE(mSlider->IsKeyStepping());

  // Shift+Right is not the slider's.
  mWindow->mHotKeys = {{static_cast<std::int32_t>(KeyCode(kRightKey, true, 0, kModifierShift).Bits()), "right"}};
  SendKey(kRightKey, true, kModifierShift);
  EXPECT_EQ(mWindow->mOwnLog.back(), "window.hotkey:right");
  EXPECT_NEAR(mSlider->GetValue(), 2, 1e-9);

  // Losing the focus ends the key stepping.
  log->mEntries.clear();
  mSlider->GetThumb()->SetNotFocusable(true);
  EXPECT_FALSE(mSlider->IsKeyStepping());
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE_KEY_UP"), 1);

  // At the top another step sends nothing.
  mSlider->SetValue(1.0);
  log->mEntries.clear();
  ASSERT_EQ(mSlider->HandleKey(LKeyParam::Create(KeyCode(kRightKey, true, 0, 0), 1)), S_OK);
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE"), 0);
}

TEST_F(SliderTest, TheWheelStepsAndStopsAtTheSlider) {
  Open(0, 40, 180, 40);
  mSlider->SetValue(mSlider->ValueToNormalized(10));
  const struct {
    std::uint32_t direction;
    double value;
  } steps[] = {{kWheelUp, 11}, {kWheelDown, 10}, {kWheelRight, 11}, {kWheelLeft, 10}};
  for (const auto& step : steps) {
    SCOPED_TRACE(step.direction);
    EXPECT_EQ(mWindow->Wheel({120, 20}, step.direction), S_OK);
    EXPECT_NEAR(mSlider->GetValue(), step.value, 1e-9);
  }
}

TEST_F(SliderTest, ATrackWithoutLengthOrMarkersKeepsTheValue) {
  struct Case {
    const char* name;
    int startX, startY, endX, endY;
  };
  for (const Case& c : {Case{"one position", 30, 40, 30, 40}, Case{"no end", 30, 40, -1, -1},
                        Case{"no markers", -1, -1, -1, -1}}) {
    SCOPED_TRACE(c.name);
    Open(c.startX, c.startY, c.endX, c.endY);
    mSlider->SetValue(0.5);
    mApp.mMilliseconds = 1000;
    mWindow->Move({200, 55});
    mWindow->Press(kMouseButtonLeft, {200, 55});
    IdleAt(1400);
    mWindow->Release(kMouseButtonLeft, {200, 55});
    if (mSlider->GetThumb()) {
      mWindow->Move({45, 55});
      mWindow->Press(kMouseButtonLeft, {45, 55});
      mWindow->Move({120, 80});
      mWindow->Release(kMouseButtonLeft, {120, 80});
    }
    EXPECT_DOUBLE_EQ(Value(), 0.5);
    EXPECT_EQ(mSlider->HandleKey(LKeyParam::Create(KeyCode(kRightKey, true, 0, 0), 1)), S_OK);
    EXPECT_NEAR(mSlider->GetValue(), 64.5, 1e-9) << "keys still step";
    mSlider = RCPtr<LSlider>();
    mWindow->SetRootControl(RCPtr<LControl>());
    mMain = RCPtr<LControl>();
    mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
    mApp.mControlFactory = mFactory.Get();
    test::TestControl::Register(*mFactory);
  }
}

} // namespace
} // namespace QZ
