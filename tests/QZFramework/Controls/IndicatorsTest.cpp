// The progress bar, the level meter, the status bar and the drag tokens from a
// skin: overlay sizes, the remaining-time words and estimate on the fake
// clock, the clip light with and without latching, posted status texts from
// worker threads, and tokens that close themselves after the drop.

#include "QZFramework/Controls/DropTarget.h"
#include "QZFramework/Controls/IndicatorsFixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

using test::At;
using test::Narrow;
using test::NotificationLog;
using test::ScrollPart;

std::string Param(const std::string& id, const std::string& value) {
  return "<CreateParamList><CreateParam ID=\"" + id + "\">" + value + "</CreateParam></CreateParamList>";
}

// ---------------------------------------------------------------------------
// Progress bar

class ProgressBarTest : public test::IndicatorsFixture {
protected:
  void TearDown() override {
    mBar = RCPtr<LProgressBar>();
    IndicatorsFixture::TearDown();
  }
  void Open() {
    LoadFrameworkStrings({{"HOURS_SINGULAR", "Hour"},
                          {"HOURS_PLURAL", "Hours"},
                          {"MINUTES_SINGULAR", "Minute"},
                          {"MINUTES_PLURAL", "Minutes"},
                          {"SECONDS_SINGULAR", "Second"},
                          {"SECONDS_PLURAL", "Seconds"},
                          {"REMAINING", "Remaining"}});
    OpenWith(ScrollPart("Framework.ProgressBar", "bar", At(10, 10, 300, 20), "Gray",
                        ScrollPart("Framework.Panel", "activeOverlay", At(0, 0, 10, 20), "Green") +
                            ScrollPart("Framework.Label", "timeRemainingLabel", At(0, 0, 100, 20), "Gray") +
                            ScrollPart("Framework.Label", "percentCompleteLabel", At(200, 0, 100, 20), "Gray")));
    mBar = Find<LProgressBar>(u"bar");
    ASSERT_TRUE(mBar);
  }
  std::string TimeText() const { return Narrow(mBar->GetTimeLabel()->GetText()); }

  RCPtr<LProgressBar> mBar;
};

TEST_F(ProgressBarTest, TheOverlayAndThePercentFollowTheValue) {
  Open();
  EXPECT_TRUE(mBar->IsNotFocusable());
  EXPECT_EQ(mBar->NormalizedToValue(1.0), 100.0);
  EXPECT_FALSE(mBar->GetOverlay()->IsVisible(false)) << "nothing done yet";
  EXPECT_FALSE(mBar->GetTimeLabel()->IsVisible(false)) << "no estimate yet";
  EXPECT_EQ(Narrow(mBar->GetPercentLabel()->GetText()), "0");
  const struct {
    double value;
    bool shown;
    double width;
    const char* percent;
  } cases[] = {{0.5, true, 150, "50"}, {0.333, true, 100, "33"}, {1.0, true, 300, "100"}, {0.0, false, 0, "0"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    mBar->SetValue(c.value);
    EXPECT_EQ(mBar->GetOverlay()->IsVisible(false), c.shown);
    if (c.shown) {
      EXPECT_EQ(mBar->GetOverlay()->GetBounds().width, c.width);
    }
    EXPECT_EQ(Narrow(mBar->GetPercentLabel()->GetText()), c.percent);
  }
}

TEST_F(ProgressBarTest, TheRemainingTimeIsWrittenInWords) {
  Open();
  const struct {
    std::int32_t seconds;
    const char* text;
  } cases[] = {{3725, "1 Hour 2 Minutes 5 Seconds Remaining"},
               {3600, "1 Hour 0 Minutes 0 Seconds Remaining"},
               {7261, "2 Hours 1 Minute 1 Second Remaining"},
               {61, "1 Minute 1 Second Remaining"},
               {45, "45 Seconds Remaining"},
               {0, "0 Seconds Remaining"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    mBar->UpdateRemainingTimeText(c.seconds);
    EXPECT_TRUE(mBar->GetTimeLabel()->IsVisible(false));
    EXPECT_EQ(TimeText(), c.text);
  }
}

TEST_F(ProgressBarTest, TheEstimateExtrapolatesTheAverageRateAndStopsAtTheEnd) {
  Open();
  mApp.mMilliseconds = 1000;
  mBar->SetValue(0.2);
  mBar->SetTimeEstimate(true);
  mApp.mMilliseconds = 11000;
  mBar->SetValue(0.4);
  EXPECT_EQ(TimeText(), "30 Seconds Remaining");

  mApp.mMilliseconds = 12000;
  mBar->SetValue(0.3);
  EXPECT_EQ(TimeText(), "30 Seconds Remaining") << "a value that does not rise gives no new estimate";

  mApp.mMilliseconds = 21000;
  mBar->SetValue(1.0);
  EXPECT_FALSE(mBar->IsEstimating()) << "the end stops the estimate";
  EXPECT_EQ(TimeText(), "0 Seconds Remaining");

  mBar->SetValue(0.0);
  mBar->SetTimeEstimate(true);
  mApp.mMilliseconds = 21001;
  mBar->SetValue(1e-15);
  EXPECT_EQ(TimeText(), "596523 Hours 14 Minutes 7 Seconds Remaining")
      << "an estimate beyond 32 bits is held at the end of the range";
}

// ---------------------------------------------------------------------------
// Level meter

class LevelMeterTest : public test::IndicatorsFixture {
protected:
  void TearDown() override {
    mMeter = RCPtr<LLevelMeter>();
    IndicatorsFixture::TearDown();
  }
  // A meter of width by height; the peak markers at the start and 190 (or 90) pixels on.
  void Open(int width, int height, bool withPeakEnd = true, bool withClip = true) {
    const bool vertical = height > width;
    std::string children = ScrollPart("Framework.Panel", "activeOverlay", At(0, 0, 1, 1), "Green") +
                           ScrollPart("Framework.Panel", "peakLo", At(0, 0, 2, 2), "Gray");
    if (withPeakEnd)
      children += ScrollPart("Framework.Panel", "peakHi", vertical ? At(0, 90, 2, 2) : At(190, 0, 2, 2), "Gray");
    if (withClip)
      children += ScrollPart("Framework.Button", "clipButton", At(0, 0, 5, 5), "GreenButton",
                             Param("BUTTON_TYPE", "Toggle"));
    OpenWith(ScrollPart("Framework.LevelMeter", "meter", At(10, 10, width, height), "Gray", children));
    mMeter = Find<LLevelMeter>(u"meter");
    ASSERT_TRUE(mMeter);
  }
  bool Lit() const { return mMeter->IsClipped(); }

  RCPtr<LLevelMeter> mMeter;
};

TEST_F(LevelMeterTest, TheOverlaySizeFollowsTheLevelOnTheMetersAxis) {
  const struct {
    int width, height;
    double level;
    bool shown;
    double length;
  } cases[] = {{200, 20, 0.5, true, 100},
               {200, 20, 0.0, false, 0},
               {20, 100, 0.25, true, 75},
               {20, 100, 1.0, false, 0},
               {20, 100, 0.0, true, 100}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " + std::to_string(c.level));
    Open(c.width, c.height);
    EXPECT_EQ(mMeter->IsVertical(), c.height > c.width);
    mMeter->SetLevels(c.level, 0.0);
    const RCPtr<LControl>& overlay = mMeter->GetOverlay();
    EXPECT_EQ(overlay->IsVisible(false), c.shown);
    if (c.shown) {
      EXPECT_EQ(mMeter->IsVertical() ? overlay->GetBounds().height : overlay->GetBounds().width, c.length);
    }
    EXPECT_EQ(mMeter->GetNormalizedValue(), c.level);
    TearDown();
    SetUp();
  }
}

TEST_F(LevelMeterTest, ThePeakMarkerMovesBetweenItsMarkersAndSetValuePutsItAtZero) {
  Open(200, 20);
  const RCPtr<LControl> peak = mMeter->GetPeakMarker();
  ASSERT_TRUE(peak);
  EXPECT_FALSE(peak->IsVisible(false));
  EXPECT_FALSE(mMeter->FindChild(WideString(u"peakHi"))->IsVisible(false));
  mMeter->SetLevels(0.5, 0.5);
  EXPECT_TRUE(peak->IsVisible(false));
  EXPECT_EQ(peak->GetBounds().x, 95);
  mMeter->SetValue(0.75);
  EXPECT_FALSE(peak->IsVisible(false)) << "a value from outside puts the peak at 0";
  EXPECT_EQ(mMeter->GetOverlay()->GetBounds().width, 150);
}

TEST_F(LevelMeterTest, WithoutPeakHiOrClipButtonTheMeterStillShowsTheLevel) {
  Open(200, 20, false, false);
  EXPECT_FALSE(mMeter->GetPeakMarker());
  EXPECT_FALSE(mMeter->FindChild(WideString(u"peakLo"))->IsVisible(false));
  EXPECT_EQ(mMeter->SetLevelsWithClip(0.5, 1.0, 3), S_OK);
  EXPECT_EQ(mMeter->GetOverlay()->GetBounds().width, 100);
  EXPECT_EQ(mMeter->GetClipCount(), 3);
  EXPECT_FALSE(mMeter->IsClipped());
  EXPECT_EQ(mMeter->SetClipLatch(true), E_FAIL);
}

TEST_F(LevelMeterTest, TheClipLightFollowsEachUpdateOrLatchesUntilClicked) {
  Open(200, 20);
  const RCPtr<NotificationLog> log = Listen(mMeter, {u"NID_CLIPLIGHT_UNLATCHED"});
  mMeter->SetLevelsWithClip(0.1, 0, 1);
  EXPECT_TRUE(Lit()) << "a changed count lights it";
  mMeter->SetLevelsWithClip(0.1, 0, 1);
  EXPECT_FALSE(Lit()) << "without latching the same count puts it out";

  ASSERT_EQ(mMeter->SetClipLatch(true), S_OK);
  mMeter->SetLevelsWithClip(0.1, 0, 2);
  mMeter->SetLevelsWithClip(0.2, 0, 2);
  mMeter->SetLevels(0.3, 0);
  EXPECT_TRUE(Lit()) << "latched";
  mWindow->Click(kMouseButtonLeft, {12, 12});
  EXPECT_FALSE(Lit());
  EXPECT_EQ(log->Count("NID_CLIPLIGHT_UNLATCHED"), 1);
  mWindow->Click(kMouseButtonLeft, {12, 12});
  EXPECT_EQ(log->Count("NID_CLIPLIGHT_UNLATCHED"), 1) << "a click while dark fires nothing";

  mMeter->SetLevelsWithClip(0.1, 0, 3);
  ASSERT_EQ(mMeter->SetClipLatch(false), S_OK);
  EXPECT_FALSE(Lit()) << "switching the latch puts the light out";
  mMeter->SetLevelsWithClip(0.1, 0, 4);
  mWindow->Click(kMouseButtonLeft, {12, 12});
  EXPECT_EQ(log->Count("NID_CLIPLIGHT_UNLATCHED"), 1) << "clicks count only while latching";
}

// ---------------------------------------------------------------------------
// Status bar

class StatusBarTest : public test::IndicatorsFixture {
protected:
  void TearDown() override {
    mBar = RCPtr<LStatusBar>();
    IndicatorsFixture::TearDown();
  }
  void Open(bool withLabel = true) {
    const std::string label = withLabel
                                  ? ScrollPart("Framework.Label", "label1", At(0, 0, 300, 20) + std::string(" "),
                                               "Gray", Param("LABEL", "Ready"))
                                  : std::string();
    OpenWith(ScrollPart("Framework.StatusBar", "status", At(0, 380, 600, 20), "Gray", label));
    mBar = Find<LStatusBar>(u"status");
    ASSERT_TRUE(mBar);
  }
  std::string Shown() const { return Narrow(mBar->GetLabel()->GetText()); }

  RCPtr<LStatusBar> mBar;
};

TEST_F(StatusBarTest, PostsShowAtTheNextIdlePassAndATextSetNowWinsOverEarlierPosts) {
  Open();
  EXPECT_TRUE(mBar->IsNotFocusable());
  EXPECT_EQ(Narrow(mBar->GetStatusText()), "Ready");
  ASSERT_EQ(mBar->PostStatusText(WideString(u"one")), S_OK);
  ASSERT_EQ(mBar->PostStatusText(WideString(u"two")), S_OK);
  EXPECT_NE(Shown(), "two") << "not before the idle pass";
  mWindow->ProcessIdle();
  EXPECT_EQ(Shown(), "two");

  mBar->PostStatusText(WideString(u"three"));
  mBar->PostStatusText(WideString(u"four"));
  const auto redraws = std::count(mWindow->mLog->begin(), mWindow->mLog->end(), "window.redraw");
  EXPECT_EQ(mBar->SetStatusTextNow(WideString(u"now")), S_OK);
  EXPECT_EQ(Shown(), "now");
  EXPECT_EQ(std::count(mWindow->mLog->begin(), mWindow->mLog->end(), "window.redraw"), redraws + 1)
      << "repainted at once";
  mWindow->ProcessIdle();
  EXPECT_EQ(Shown(), "now") << "no older post overwrites it";
  EXPECT_EQ(Narrow(mBar->GetStatusText()), "Ready") << "the default text stays";
}

TEST_F(StatusBarTest, WorkerThreadsPostWhileTheUiThreadDrains) {
  Open();
  constexpr int kThreads = 4;
  constexpr int kPosts = 200;
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t)
    workers.emplace_back([this, t] {
      for (int i = 0; i < kPosts; ++i)
        static_cast<void>(mBar->PostStatusText(WideString((std::to_string(t) + ":" + std::to_string(i)).c_str())));
    });
  std::vector<std::string> seen;
  for (int pass = 0; pass < 50; ++pass) {
    mWindow->ProcessIdle();
    seen.push_back(Shown());
  }
  for (std::thread& worker : workers)
    worker.join();
  mWindow->ProcessIdle();
  seen.push_back(Shown());
  // Each thread's texts appear in the order it posted them.
  std::vector<int> last(kThreads, -1);
  for (const std::string& text : seen) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos)
      continue;
    const int thread = std::stoi(text.substr(0, colon));
    const int index = std::stoi(text.substr(colon + 1));
    EXPECT_GE(index, last[thread]) << text;
    last[thread] = index;
  }
  EXPECT_EQ(Shown().substr(Shown().find(':') + 1), std::to_string(kPosts - 1)) << "the last post shows last";
  mBar->SetStatusTextNow(WideString(u"final"));
  mWindow->ProcessIdle();
  EXPECT_EQ(Shown(), "final");
}

TEST_F(StatusBarTest, ABarWithoutItsLabelTakesTextsWithoutShowingThem) {
  Open(false);
  EXPECT_FALSE(mBar->GetLabel());
  EXPECT_EQ(mBar->PostStatusText(WideString(u"lost")), S_OK);
  mWindow->ProcessIdle();
  EXPECT_EQ(mBar->SetStatusTextNow(WideString(u"lost too")), S_OK);
  EXPECT_TRUE(mBar->GetStatusText().IsEmpty());
}

// ---------------------------------------------------------------------------
// Drag tokens

using test::DropTarget;

class DropperTest : public test::IndicatorsFixture {
protected:
  void TearDown() override {
    mTarget = RCPtr<DropTarget>();
    IndicatorsFixture::TearDown();
  }
  void Open() {
    mFactory->RegisterControlCreateFunction(WideString(u"Test.DropTarget"), &DropTarget::Create);
    OpenWith(ScrollPart("Framework.FileDropper", "file", At(10, 10, 20, 20), "Green") +
             ScrollPart("Framework.Dropper", "token", At(40, 10, 20, 20), "Green") +
             ScrollPart("Test.DropTarget", "target", At(200, 200, 100, 100), "Gray"));
    mTarget = Find<DropTarget>(u"target");
    ASSERT_TRUE(mTarget);
  }
  void Drag(const PointT<std::int32_t>& from, const PointT<std::int32_t>& to) {
    mWindow->Move(from);
    mWindow->Press(kMouseButtonLeft, from);
    mWindow->Move({from.x + 1, from.y + 1});
    mWindow->Move(to);
    mWindow->Release(kMouseButtonLeft, to);
  }

  RCPtr<DropTarget> mTarget;
};

TEST_F(DropperTest, ATokenDropsOnTheControlUnderThePointerAndClosesAtTheNextIdlePass) {
  Open();
  const RCPtr<LFileDropper> file = Find<LFileDropper>(u"file");
  const RCPtr<LDropper> token = Find<LDropper>(u"token");
  ASSERT_TRUE(file && token);
  for (const RCPtr<LControl>& t : {RCPtr<LControl>(file), RCPtr<LControl>(token)}) {
    SCOPED_TRACE(Narrow(t->GetName()));
    EXPECT_TRUE(t->IsNotFocusable());
    EXPECT_TRUE(t->IsVisible(false));
  }
  file->SetFileName(WideString(u"/tmp/a.syx"));
  Drag({15, 15}, {250, 250});
  ASSERT_EQ(mTarget->mDropped.size(), 1u);
  EXPECT_EQ(mTarget->mDropped[0], RCPtr<LControl>(file));
  EXPECT_NE(Focused(), "file") << "the token never takes the focus";
  EXPECT_TRUE(mMain->FindChild(WideString(u"file"))) << "still there until the idle pass";
  mWindow->ProcessIdle();
  EXPECT_FALSE(mMain->FindChild(WideString(u"file")));

  Drag({45, 15}, {500, 20});
  EXPECT_EQ(mTarget->mDropped.size(), 1u) << "nothing accepts it there";
  mWindow->ProcessIdle();
  EXPECT_FALSE(mMain->FindChild(WideString(u"token"))) << "it closes itself all the same";
}

} // namespace
} // namespace QZ
