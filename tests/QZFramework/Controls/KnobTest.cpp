// The knob and the centred slider from a skin: the knob's linear gesture (the
// default range, Ctrl's finer grid, diagonal moves), its radial arc and dead
// zone, keys and the deferred outside value; the centred slider's bounds
// following the thumb and letting presses through to the slider.

#include "QZFramework/Controls/IndicatorsFixture.h"

#include "QZFramework/ControlBase/KeyCode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace QZ {
namespace {

using test::At;
using test::ScrollPart;

std::string Params(const std::string& entries) { return "<CreateParamList>" + entries + "</CreateParamList>"; }
std::string Param(const std::string& id, const std::string& value) {
  return "<CreateParam ID=\"" + id + "\">" + value + "</CreateParam>";
}

class KnobTest : public test::IndicatorsFixture {
protected:
  void TearDown() override {
    mKnob = RCPtr<LKnob>();
    IndicatorsFixture::TearDown();
  }
  // A knob of 100 by 100 at (100, 100) with count position looks.
  void Open(int count, const std::string& params = "") {
    OpenWith(
        ScrollPart("Framework.Knob", "knob", At(100, 100, 100, 100), "Knob", params.empty() ? "" : Params(params)),
        GreenLooks("Knob", count));
    mKnob = Find<LKnob>(u"knob");
    ASSERT_TRUE(mKnob);
  }
  // A left drag from (x0, y0) through the points (window coordinates).
  void Drag(std::initializer_list<PointT<std::int32_t>> points) {
    const PointT<std::int32_t> first = *points.begin();
    mWindow->Move(first);
    mWindow->Press(kMouseButtonLeft, first);
    for (const PointT<std::int32_t>& p : points)
      mWindow->Move(p);
  }
  void Release(const PointT<std::int32_t>& p) { mWindow->Release(kMouseButtonLeft, p); }
  double Value() const { return mKnob->GetNormalizedValue(); }

  RCPtr<LKnob> mKnob;
};

TEST_F(KnobTest, ALinearDragOf127PixelsCoversTheRangeAndCtrlAQuarterOnAFinerGrid) {
  Open(64);
  EXPECT_FALSE(mKnob->IsRadial());
  EXPECT_EQ(mKnob->GetPositionLookCount(), 64u);
  EXPECT_EQ(mKnob->GetLinearFullRange(), 128);
  EXPECT_EQ(mKnob->NormalizedToValue(1.0), 127.0);
  Drag({{110, 150}, {111, 150}, {237, 150}});
  EXPECT_DOUBLE_EQ(Value(), 1.0);
  Release({237, 150});

  mKnob->SetValue(0.0);
  mApp.mModifiers = kModifierCtrl;
  Drag({{110, 150}, {111, 150}, {237, 150}});
  Release({237, 150});
  mApp.mModifiers = 0;
  EXPECT_NEAR(Value(), 0.25, 1.0 / 511) << "a quarter as far";
  EXPECT_DOUBLE_EQ(std::round(Value() * 511) / 511, Value()) << "on the grid of 511 steps";
}

TEST_F(KnobTest, DiagonalMovesLoseTheContradictingComponent) {
  Open(64);
  mKnob->SetValue(0.5);
  Drag({{150, 150}, {151, 150}});
  const double start = Value();
  mWindow->Move({161, 160});
  EXPECT_DOUBLE_EQ(Value(), start) << "an exact diagonal leaves the value";
  mWindow->Move({191, 160});
  const double right = Value();
  mWindow->Move({192, 162});
  EXPECT_NEAR(Value(), right + 1.0 / 127, 1e-9) << "right and more down with a positive trend: only the x part";
  Release({171, 190});
}

TEST_F(KnobTest, TheRadialGestureMapsTheArcAndSplitsTheDeadZone) {
  Open(64, Param("RADIAL_GESTURE_START_ANGLE", "225") + Param("RADIAL_GESTURE_END_ANGLE", "-225"));
  EXPECT_TRUE(mKnob->IsRadial());
  EXPECT_EQ(mKnob->GetRadialEndAngle(), 135);
  EXPECT_EQ(mKnob->GetCentre().x, 50);
  const struct {
    PointT<std::int32_t> point;
    double value;
  } cases[] = {{{150, 110}, 0.5},                       // straight up
               {{190, 150}, 450.0 / 270 - 225.0 / 270}, // right
               {{150, 190}, 1.0},                       // straight down: the end of the dead zone's first half
               {{149, 190}, 0.0},                       // just clockwise of straight down: the start's half
               {{112, 190}, 0.0}}; // bottom-left, just counter-clockwise of the start                      //
                                   // bottom-left, just before the arc's start
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
    mWindow->Move({150, 150});
    mWindow->Press(kMouseButtonLeft, {150, 150});
    mWindow->Move(c.point);
    EXPECT_NEAR(Value(), c.value, 1e-9);
    Release(c.point);
  }
}

TEST_F(KnobTest, KeysStepAndAnOutsideValueWaitsForTheEndOfTheDrag) {
  Open(64, Param("FINE_ADJUST_MULTIPLIER", "0.1"));
  EXPECT_FALSE(mKnob->IsRadial());
  EXPECT_DOUBLE_EQ(mKnob->GetFineMultiplier(), 0.1);
  const RCPtr<test::NotificationLog> log =
      Listen(mKnob, {u"NID_VALUE_CHANGE_KEY_DOWN", u"NID_VALUE_CHANGE_KEY_UP", u"NID_VALUE_CHANGE_CAPTURE"});
  EXPECT_EQ(mKnob->HandleKey(LKeyParam::Create(KeyCode(0x27, true, 0, 0), 1)), S_OK);
  EXPECT_EQ(mKnob->HandleKey(LKeyParam::Create(KeyCode(0x26, true, 0, 0), 1)), S_OK);
  EXPECT_EQ(mKnob->GetValue(), 2.0);
  EXPECT_EQ(mKnob->HandleKey(LKeyParam::Create(KeyCode(0x26, false, 0, 0), 1)), S_OK);
  EXPECT_EQ(mKnob->HandleKey(LKeyParam::Create(KeyCode('A', true, 0, 0), 1)), S_FALSE);
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE_KEY_DOWN"), 1);
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE_KEY_UP"), 1);

  Drag({{150, 150}, {151, 150}});
  mKnob->SetValue(0.75);
  EXPECT_NE(Value(), 0.75) << "deferred while dragging";
  Release({151, 150});
  EXPECT_EQ(Value(), 0.75);
  EXPECT_EQ(log->Count("NID_VALUE_CHANGE_CAPTURE"), 2);
}

TEST_F(KnobTest, AKnobWithoutAUsableLinearRangeTakesNoLinearGesture) {
  Open(64, Param("LINEAR_GESTURE_FULL_RANGE", "1"));
  Drag({{110, 150}, {111, 150}, {200, 150}});
  Release({200, 150});
  EXPECT_EQ(Value(), 0.0) << "a range of one pixel has no step";
}

// ---------------------------------------------------------------------------
// Centred slider

class CenteredSliderTest : public test::IndicatorsFixture {
protected:
  void TearDown() override {
    mSlider = RCPtr<LCenteredSlider>();
    IndicatorsFixture::TearDown();
  }
  void Open(bool withHigh = true) {
    const std::string bounds =
        ScrollPart("Framework.CenteredSliderBounds", "lowRangeBounds", At(0, 40, 4, 20), "Green",
                   ScrollPart("Framework.Panel", "fill", At(0, 0, 4, 20), "Green")) +
        (withHigh ? ScrollPart("Framework.CenteredSliderBounds", "highRangeBounds", At(0, 40, 4, 20), "Green")
                  : std::string());
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.CenteredSliderBounds"), &LPanel::Create);
    OpenWith(ScrollPart("Framework.CenteredSlider", "slider", At(10, 10, 240, 100), "Channel",
                        bounds + ScrollPart("Framework.Button", "thumbStart", At(0, 40, 20, 20), "BlueButton") +
                            ScrollPart("Framework.Button", "thumbEnd", At(200, 40, 20, 20), "BlueButton")));
    mSlider = Find<LCenteredSlider>(u"slider");
    ASSERT_TRUE(mSlider);
  }
  RCPtr<LCenteredSlider> mSlider;
};

TEST_F(CenteredSliderTest, TheBoundsFollowTheThumbsCentre) {
  Open();
  EXPECT_EQ(mSlider->GetLowBounds()->GetBounds().x, 10);
  mSlider->SetValue(0.5);
  EXPECT_EQ(mSlider->GetThumb()->GetBounds().x, 100);
  EXPECT_EQ(mSlider->GetLowBounds()->GetBounds().x, 110);
  EXPECT_EQ(mSlider->GetHighBounds()->GetBounds().x, 110);

  // A drag of the thumb moves the bounds with it.
  mWindow->Move({120, 60});
  mWindow->Press(kMouseButtonLeft, {120, 60});
  mWindow->Move({121, 60});
  mWindow->Move({160, 60});
  EXPECT_EQ(mSlider->GetLowBounds()->GetBounds().x, mSlider->GetThumb()->GetBounds().x + 10);
  mWindow->Release(kMouseButtonLeft, {160, 60});
}

TEST_F(CenteredSliderTest, APressOnTheBandPagesTheSliderAndALowOnlySkinWorks) {
  Open(false);
  EXPECT_FALSE(mSlider->GetHighBounds());
  mSlider->SetValue(1.0);
  const double before = mSlider->GetNormalizedValue();
  // The band sits at the thumb's centre (x = 220 in the slider); press just left of it on the band's fill.
  mWindow->Click(kMouseButtonLeft, {10 + 150, 10 + 50});
  EXPECT_LT(mSlider->GetNormalizedValue(), before) << "the press reached the slider and paged it";
}

} // namespace
} // namespace QZ
