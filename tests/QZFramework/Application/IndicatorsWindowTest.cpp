// The level meters, the progress bar and the status bar made by class name
// from a skin, in a real window under the offscreen driver: the overlays'
// lengths as painted, the latched clip light put out by a click, the
// remaining time in words from the application's clock, and status texts set
// at once (painted before the call returns) or posted from a worker thread
// (shown at the next idle pass).

#include "QZFramework/Application/ValueControlsWindowFixture.h"

#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/LevelMeter.h"
#include "QZFramework/Controls/ProgressBar.h"
#include "QZFramework/Controls/StatusBar.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

using test::At;
using test::ScrollPart;

constexpr std::int32_t kWidth = 400;
constexpr std::int32_t kHeight = 200;

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

// A meter at (x, y) with its green overlay (as large as the meter; the meter
// sets its length) and a toggle clip button at clipX, clipY (5 by 5).
std::string Meter(const std::string& name, int x, int y, int width, int height, int clipX, int clipY) {
  return ScrollPart("Framework.LevelMeter", name, At(x, y, width, height), "Gray",
                    ScrollPart("Framework.Panel", "activeOverlay", At(0, 0, width, height), "Green") +
                        ScrollPart("Framework.Button", "clipButton", At(clipX, clipY, 5, 5), "BlueButton",
                                   "<CreateParamList><CreateParam ID=\"BUTTON_TYPE\">Toggle</CreateParam>"
                                   "</CreateParamList>"));
}

// At (10, 10) a progress bar of 300 by 60: its green overlay 20 high at the
// top, the time label below it and the percent label below that. Meters: 200
// by 20 at (10, 80) and 20 by 100 at (330, 10). The status bar along the
// bottom, its label 300 wide with the default text "Ready".
std::string Entries() {
  const std::string text = std::string(" ") + test::kTextFont;
  const std::string progress =
      ScrollPart("Framework.ProgressBar", "progress", At(10, 10, 300, 60), "Gray",
                 ScrollPart("Framework.Panel", "activeOverlay", At(0, 0, 10, 20), "Green") +
                     ScrollPart("Framework.Label", "timeRemainingLabel", At(0, 20, 300, 20) + text, "Text") +
                     ScrollPart("Framework.Label", "percentCompleteLabel", At(0, 40, 100, 20) + text, "Text"));
  const std::string status =
      ScrollPart("Framework.StatusBar", "status", At(0, 180, kWidth, 20), "Gray",
                 ScrollPart("Framework.Label", "label1", At(0, 0, 300, 20) + text, "Text",
                            "<CreateParamList><CreateParam ID=\"LABEL\">Ready</CreateParam></CreateParamList>"));
  return progress + Meter("across", 10, 80, 200, 20, 195, 0) + Meter("upright", 330, 10, 20, 100, 0, 95) + status;
}

class IndicatorsWindowTest : public test::ValueControlsWindowFixture {
protected:
  void SetUp() override {
    ValueControlsWindowFixture::SetUp();
    LoadFrameworkStrings({{"HOURS_SINGULAR", "Hour"},
                          {"HOURS_PLURAL", "Hours"},
                          {"MINUTES_SINGULAR", "Minute"},
                          {"MINUTES_PLURAL", "Minutes"},
                          {"SECONDS_SINGULAR", "Second"},
                          {"SECONDS_PLURAL", "Seconds"},
                          {"REMAINING", "Remaining"}});
    Open(Entries(), test::OneLookList("Text"), kWidth, kHeight, test::TextLook("Text", "White"));
  }
};

// The rightmost column of the rectangle with a pixel of colour; -1 when none.
int RightmostOf(const std::vector<std::uint32_t>& pixels, int width, const RectT<std::int32_t>& rect,
                std::uint32_t colour) {
  int rightmost = -1;
  for (int y = rect.y; y < rect.y + rect.height; ++y)
    for (int x = rect.x; x < rect.x + rect.width; ++x)
      if (!pixels.empty() && pixels[static_cast<std::size_t>(y * width + x)] == colour)
        rightmost = std::max(rightmost, x);
  return rightmost;
}

TEST_F(IndicatorsWindowTest, TheMetersOverlaysArePaintedAsLongAsTheLevelsMake) {
  const RCPtr<LLevelMeter> across = Find<LLevelMeter>(u"across");
  const RCPtr<LLevelMeter> upright = Find<LLevelMeter>(u"upright");
  ASSERT_TRUE(across && upright);
  ASSERT_FALSE(across->IsVertical());
  ASSERT_TRUE(upright->IsVertical());
  // Horizontal: the overlay from the left up to the level. Vertical: from the top down to the level.
  const struct {
    double level;
    int acrossGreen;
    int uprightGreen;
  } cases[] = {{0.5, 100, 50}, {0.25, 50, 75}, {1.0, 200, 0}, {0.0, 0, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    ASSERT_EQ(across->SetLevels(c.level, 0), S_OK);
    ASSERT_EQ(upright->SetLevels(c.level, 0), S_OK);
    const std::vector<std::uint32_t> pixels = Paint();
    EXPECT_EQ(RunFrom(pixels, 10, 90, test::kScrollGreen), c.acrossGreen);
    EXPECT_EQ(PixelAt(pixels, 10 + c.acrossGreen, 90), test::kScrollGray);
    EXPECT_EQ(RunFrom(pixels, 340, 10, test::kScrollGreen, true), c.uprightGreen);
    EXPECT_EQ(PixelAt(pixels, 340, 10 + c.uprightGreen), test::kScrollGray);
  }
}

TEST_F(IndicatorsWindowTest, ALatchedClipLightStaysLitUntilItIsClicked) {
  const RCPtr<LLevelMeter> across = Find<LLevelMeter>(u"across");
  ASSERT_TRUE(across);
  const RCPtr<test::IdLog> log = Listen(across, {u"NID_CLIPLIGHT_UNLATCHED"});
  ASSERT_EQ(across->SetClipLatch(true), S_OK);
  ASSERT_EQ(across->SetLevelsWithClip(0.1, 0, 1), S_OK);
  ASSERT_EQ(across->SetLevelsWithClip(0.2, 0, 1), S_OK);
  EXPECT_TRUE(across->IsClipped()) << "latched";
  // The clip button at (205, 80) in the window.
  Click({207, 82});
  EXPECT_FALSE(across->IsClipped());
  EXPECT_EQ(log->Count("NID_CLIPLIGHT_UNLATCHED"), 1);
  Click({207, 82});
  EXPECT_EQ(log->Count("NID_CLIPLIGHT_UNLATCHED"), 1) << "a click while dark fires nothing";
}

TEST_F(IndicatorsWindowTest, TheProgressBarEstimatesTheRemainingTimeFromTheApplicationsClock) {
  const RCPtr<LProgressBar> bar = Find<LProgressBar>(u"progress");
  ASSERT_TRUE(bar && bar->GetTimeLabel() && bar->GetPercentLabel());
  const RectT<std::int32_t> timeArea{10, 30, 300, 20};
  std::vector<std::uint32_t> pixels = Paint();
  EXPECT_EQ(CountOther(pixels, timeArea, test::kScrollGray), 0) << "no time label before an estimate";
  EXPECT_EQ(RunFrom(pixels, 10, 15, test::kScrollGreen), 0);

  // 20 % at 1 s, 40 % at 11 s: 20 % in 10 s leaves 30 s for the rest.
  mApp->mMilliseconds = 1000;
  bar->SetValue(0.2);
  bar->SetTimeEstimate(true);
  mApp->mMilliseconds = 11000;
  bar->SetValue(0.4);
  EXPECT_EQ(Narrow(bar->GetTimeLabel()->GetText()), "30 Seconds Remaining");
  EXPECT_EQ(Narrow(bar->GetPercentLabel()->GetText()), "40");
  pixels = Paint();
  EXPECT_EQ(RunFrom(pixels, 10, 15, test::kScrollGreen), 120) << "40 % of 300 pixels";
  const int shortEnd = RightmostOf(pixels, mWidth, timeArea, test::kScrollBlue);
  EXPECT_GT(shortEnd, 10 + 4) << "the text drawn";

  bar->UpdateRemainingTimeText(3725);
  EXPECT_EQ(Narrow(bar->GetTimeLabel()->GetText()), "1 Hour 2 Minutes 5 Seconds Remaining");
  EXPECT_GT(RightmostOf(Paint(), mWidth, timeArea, test::kScrollBlue), shortEnd + 40) << "the longer text drawn";

  mApp->mMilliseconds = 21000;
  bar->SetValue(1.0);
  EXPECT_FALSE(bar->IsEstimating()) << "the end stops the estimate";
  EXPECT_EQ(RunFrom(Paint(), 10, 15, test::kScrollGreen), 300);
}

TEST_F(IndicatorsWindowTest, ATextSetNowIsPaintedAtOnceAndAWorkersPostShowsAtTheNextIdlePass) {
  const RCPtr<LStatusBar> bar = Find<LStatusBar>(u"status");
  ASSERT_TRUE(bar && bar->GetLabel());
  EXPECT_TRUE(bar->IsNotFocusable());
  EXPECT_EQ(Narrow(bar->GetStatusText()), "Ready");
  const std::vector<std::uint32_t> before = Paint();

  // Posts queued, then a text set now: painted before the call returns, and no older post overwrites it.
  ASSERT_EQ(bar->PostStatusText(WideString(u"one")), S_OK);
  ASSERT_EQ(bar->PostStatusText(WideString(u"two")), S_OK);
  ASSERT_EQ(bar->SetStatusTextNow(WideString(u"Saved")), S_OK);
  EXPECT_EQ(Narrow(bar->GetLabel()->GetText()), "Saved");
  const std::vector<std::uint32_t> saved = Screen();
  EXPECT_NE(saved, before) << "repainted without waiting for a paint";
  EXPECT_EQ(Paint(), saved) << "the whole new text";
  IdleAt(100);
  EXPECT_EQ(Narrow(bar->GetLabel()->GetText()), "Saved");

  // A worker's post waits for the UI thread's idle pass.
  std::thread worker([&bar] { static_cast<void>(bar->PostStatusText(WideString(u"Sent 3 programs"))); });
  worker.join();
  Pump();
  EXPECT_EQ(Narrow(bar->GetLabel()->GetText()), "Saved");
  EXPECT_EQ(Paint(), saved);
  IdleAt(200);
  EXPECT_EQ(Narrow(bar->GetLabel()->GetText()), "Sent 3 programs");
  const std::vector<std::uint32_t> sent = Paint();
  EXPECT_NE(sent, saved);
  EXPECT_GT(RightmostOf(sent, mWidth, {0, 180, 300, 20}, test::kScrollBlue),
            RightmostOf(saved, mWidth, {0, 180, 300, 20}, test::kScrollBlue));
  EXPECT_EQ(Narrow(bar->GetStatusText()), "Ready") << "the default text stays";
}

} // namespace
} // namespace QZ
