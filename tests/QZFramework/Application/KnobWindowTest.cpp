// The knob and the centred slider made by class name from a skin, in a real
// window under the offscreen driver: the knob's linear drag over its whole
// range and a quarter of it with Ctrl held on the keyboard, its radial arc,
// and the look of the end position as painted; the centred slider's band
// following the dragged thumb and letting presses through to the slider.

#include "QZFramework/Application/ValueControlsWindowFixture.h"

#include "QZFramework/Controls/CenteredSlider.h"
#include "QZFramework/Controls/Knob.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace QZ {
namespace {

using test::At;
using test::ScrollPart;

constexpr std::uint32_t kCtrlKey = 0x11;

std::string Param(const std::string& id, const std::string& value) {
  return "<CreateParam ID=\"" + id + "\">" + value + "</CreateParam>";
}

// 64 position looks: green, the last (the knob turned fully up) blue.
std::string KnobLooks() {
  std::string text = "<LookList Name=\"Knob\" NumLooks=\"64\">";
  for (int i = 0; i < 64; ++i)
    text += std::string("<Look Name=\"") + (i == 63 ? "Blue" : "Green") + "Look\" Index=\"" + std::to_string(i) +
            "\"/>";
  return text + "</LookList>";
}

// "linear" 100 by 100 at (20, 20) without creation parameters; "radial" at
// (160, 20) on the arc from 225 to -225 degrees.
std::string Knobs() {
  return ScrollPart("Framework.Knob", "linear", At(20, 20, 100, 100), "Knob") +
         ScrollPart("Framework.Knob", "radial", At(160, 20, 100, 100), "Knob",
                    "<CreateParamList>" + Param("RADIAL_GESTURE_START_ANGLE", "225") +
                        Param("RADIAL_GESTURE_END_ANGLE", "-225") + "</CreateParamList>");
}

class KnobWindowTest : public test::ValueControlsWindowFixture {
protected:
  void SetUp() override {
    ValueControlsWindowFixture::SetUp();
    Open(Knobs(), KnobLooks(), 400, 200);
    mLinear = Find<LKnob>(u"linear");
    mRadial = Find<LKnob>(u"radial");
    ASSERT_TRUE(mLinear && mRadial);
  }
  void TearDown() override {
    mLinear = RCPtr<LKnob>();
    mRadial = RCPtr<LKnob>();
    ValueControlsWindowFixture::TearDown();
  }

  RCPtr<LKnob> mLinear;
  RCPtr<LKnob> mRadial;
};

TEST_F(KnobWindowTest, ALinearDragOf127PixelsTurnsTheWholeRangeAndCtrlAQuarterOnAFinerGrid) {
  ASSERT_FALSE(mLinear->IsRadial());
  ASSERT_EQ(mLinear->GetLinearFullRange(), 128);
  EXPECT_EQ(PaintAndRead(70, 70), test::kScrollGreen) << "the position look of 0";

  // Across the knob and beyond it (the drag keeps the pointer), counted from the press.
  Drag({{30, 70}, {31, 70}, {156, 70}}, false);
  EXPECT_NEAR(mLinear->GetNormalizedValue(), 126.0 / 127, 1e-12) << "126 pixels from the press";
  ASSERT_TRUE(mSimulator.MovePointer(mId, {157, 70}));
  Release({157, 70});
  EXPECT_DOUBLE_EQ(mLinear->GetNormalizedValue(), 1.0);
  EXPECT_EQ(mLinear->GetValue(), 127.0);
  EXPECT_EQ(PaintAndRead(70, 70), test::kScrollBlue) << "the last position look";

  // Half way back down: 64 pixels to the left.
  Drag({{90, 70}, {89, 70}, {26, 70}});
  EXPECT_NEAR(mLinear->GetNormalizedValue(), 63.0 / 127, 1e-12);
  EXPECT_EQ(PaintAndRead(70, 70), test::kScrollGreen);

  // Ctrl held on the keyboard: 127 pixels turn a quarter as far, on 511 steps.
  mLinear->SetValue(0.0);
  ASSERT_TRUE(mSimulator.Key(mId, kCtrlKey, true));
  Drag({{30, 70}, {31, 70}, {157, 70}});
  ASSERT_TRUE(mSimulator.Key(mId, kCtrlKey, false));
  Pump();
  EXPECT_NEAR(mLinear->GetNormalizedValue(), 0.25, 1.0 / 511);
  EXPECT_DOUBLE_EQ(std::round(mLinear->GetNormalizedValue() * 511) / 511, mLinear->GetNormalizedValue());

  // Up turns it up as right does; Ctrl released, the coarse grid again.
  mLinear->SetValue(0.0);
  Drag({{70, 110}, {70, 109}, {70, 46}});
  EXPECT_NEAR(mLinear->GetNormalizedValue(), 64.0 / 127, 1e-12);
}

TEST_F(KnobWindowTest, TheRadialGestureFollowsThePointersAngleAroundTheCentre) {
  ASSERT_TRUE(mRadial->IsRadial());
  ASSERT_EQ(mRadial->GetRadialEndAngle(), 135);
  // The centre at (210, 70) in the window.
  const struct {
    Platform::WindowPoint point;
    double value;
  } cases[] = {{{210, 30}, 0.5},                     // straight up
               {{250, 70}, (450.0 - 225.0) / 270.0}, // right: 0.8333
               {{210, 110}, 1.0},                    // straight down: the end's half of the dead zone
               {{209, 110}, 0.0},                    // just clockwise of it: the start's half
               {{172, 110}, 0.0}};                   // bottom-left, just counter-clockwise of the start
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.point.x) + "," + std::to_string(c.point.y));
    Drag({{210, 70}, c.point});
    EXPECT_NEAR(mRadial->GetNormalizedValue(), c.value, 1e-9);
    EXPECT_EQ(PaintAndRead(200, 50), c.value == 1.0 ? test::kScrollBlue : test::kScrollGreen);
  }
}

// ---------------------------------------------------------------------------
// Centred slider

// A slider of 240 by 100 at (10, 10), its thumb 20 wide from x 0 to 200 at
// y 40; a green band left of the thumb's centre (anchored at its right end)
// and a gray one right of it, both 60 long and 10 high at y 45.
std::string CenteredSliderEntry() {
  const auto band = [](const std::string& name, const std::string& anchor, const std::string& look) {
    const std::string layout = "XPositionAbs=\"0\" XPlacementAnchor=\"" + anchor +
                               "\" YPositionAbs=\"45\" XSizeAbs=\"60\" YSizeAbs=\"10\"";
    return ScrollPart("Framework.CenteredSliderBounds", name, layout, look,
                      ScrollPart("Framework.Panel", "fill", At(0, 0, 60, 10), look));
  };
  return ScrollPart("Framework.CenteredSlider", "slider", At(10, 10, 240, 100), "Channel",
                    band("lowRangeBounds", "1", "Green") + band("highRangeBounds", "0", "Gray") +
                        ScrollPart("Framework.Button", "thumbStart", At(0, 40, 20, 20), "BlueButton") +
                        ScrollPart("Framework.Button", "thumbEnd", At(200, 40, 20, 20), "BlueButton"));
}

class CenteredSliderWindowTest : public test::ValueControlsWindowFixture {
protected:
  void SetUp() override {
    ValueControlsWindowFixture::SetUp();
    Open(CenteredSliderEntry(), "", 300, 150);
    mSlider = Find<LCenteredSlider>(u"slider");
    ASSERT_TRUE(mSlider && mSlider->GetLowBounds() && mSlider->GetHighBounds());
  }
  void TearDown() override {
    mSlider = RCPtr<LCenteredSlider>();
    ValueControlsWindowFixture::TearDown();
  }
  RCPtr<LCenteredSlider> mSlider;
};

TEST_F(CenteredSliderWindowTest, TheBandFollowsTheDraggedThumbAndPressesOnItPageTheSlider) {
  EXPECT_EQ(mSlider->GetLowBounds()->GetBounds().x, -50) << "ending at the thumb's centre, 10";
  EXPECT_EQ(mSlider->GetHighBounds()->GetBounds().x, 10);

  // The thumb grabbed at (15, 60) and dragged 100 pixels: thumb at 100, the band's ends at 110.
  Drag({{15, 60}, {16, 60}, {115, 60}}, false);
  EXPECT_EQ(mSlider->GetThumb()->GetBounds().x, 100);
  EXPECT_EQ(mSlider->GetLowBounds()->GetBounds().x + mSlider->GetLowBounds()->GetBounds().width, 110)
      << "while dragging";
  Release({115, 60});
  EXPECT_DOUBLE_EQ(mSlider->GetNormalizedValue(), 0.5);
  EXPECT_EQ(mSlider->GetLowBounds()->GetLayout()->mPlacement[0].mAbsolute, 110);
  EXPECT_EQ(mSlider->GetHighBounds()->GetBounds().x, 110);

  // As painted (the slider at 10, 10): green left of the thumb, gray right of it, the channel around.
  const std::vector<std::uint32_t> pixels = Paint();
  const int y = 10 + 50;
  const std::uint32_t channel = PixelAt(pixels, 10 + 5, y);
  EXPECT_TRUE(channel == test::kScrollWhite || channel == test::kScrollRed) << channel;
  EXPECT_EQ(PixelAt(pixels, 10 + 49, y), channel);
  EXPECT_EQ(RunFrom(pixels, 10 + 50, y, test::kScrollGreen), 50) << "from 50 to the thumb at 100";
  EXPECT_EQ(RunFrom(pixels, 10 + 100, y, test::kScrollBlue), 20) << "the thumb";
  EXPECT_EQ(RunFrom(pixels, 10 + 120, y, test::kScrollGray), 50) << "from the thumb to 170";
  EXPECT_EQ(PixelAt(pixels, 10 + 170, y), channel);

  // A press on the band reaches the slider beneath it, which pages towards it.
  const double before = mSlider->GetNormalizedValue();
  Click({10 + 70, y});
  EXPECT_LT(mSlider->GetNormalizedValue(), before);
  EXPECT_EQ(mSlider->GetHighBounds()->GetBounds().x, mSlider->GetThumb()->GetBounds().x + 10)
      << "the band followed the paged thumb";
}

} // namespace
} // namespace QZ
