// The tab control made by class name from a skin, in a real window under the
// offscreen driver: a click on a tab button shows its page (as painted) and
// gives that page the focus, and listeners that keep the current tab or send
// the selection elsewhere.

#include "QZFramework/Application/ValueControlsWindowFixture.h"

#include "QZFramework/Controls/TabControl.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::At;
using test::ScrollPart;

constexpr std::int32_t kWidth = 300;
constexpr std::int32_t kHeight = 200;
// The pages' colours, as painted.
constexpr std::uint32_t kPageColours[3] = {test::kScrollWhite, test::kScrollRed, test::kScrollBlue};

// Records the identifiers; on "NID_TAB_BECOMING_UNSELECTED" writes mRedirect
// (when not negative) into the target index.
class TabLog : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    mIds.push_back(WideString(notification->GetID()).ToNarrow().GetChars());
    if (const RCPtr<LTabBecomingUnselectedParams> params =
            DynamicCast<LTabBecomingUnselectedParams>(notification->GetPayload())) {
      mFrom = params->mCurrentIndex;
      mTo = params->mTargetIndex;
      if (mRedirect >= 0)
        params->mTargetIndex = mRedirect;
    }
    return 0;
  }
  std::vector<std::string> mIds;
  std::int32_t mFrom = -1;
  std::int32_t mTo = -1;
  std::int32_t mRedirect = -1;
};

// The page look lists: white, red and blue.
std::string PageLooks() {
  std::string text;
  for (const char* colour : {"White", "Red", "Blue"})
    text += std::string("<LookList Name=\"") + colour + "Page\" NumLooks=\"1\"><Look Name=\"" + colour +
            "Look\" Index=\"0\"/></LookList>";
  return text;
}

// A tab control of 300 by 200 at the origin: three 100-wide tab buttons in a
// row at the top, below them pages of white, red and blue, each with a button
// "okN" at (10, 10) in it.
std::string Tabs(const std::string& name, const std::string& layout = At(0, 0, kWidth, kHeight)) {
  std::string row;
  std::string stack;
  const char* colours[3] = {"White", "Red", "Blue"};
  for (int i = 1; i <= 3; ++i) {
    row += ScrollPart("Framework.Button", "tab" + std::to_string(i), At((i - 1) * 100, 0, 100, 20), "GreenButton");
    stack += ScrollPart(
        "Framework.Panel", "page" + std::to_string(i), At(0, 0, 300, 180), std::string(colours[i - 1]) + "Page",
        ScrollPart("Framework.Button", "ok" + std::to_string(i), At(10, 10, 50, 20), "GreenButton"));
  }
  return ScrollPart("Framework.TabControl", name, layout, "Gray",
                    ScrollPart("Framework.Panel", "buttonHolder", At(0, 0, 300, 20), "Gray", row) +
                        ScrollPart("Framework.Panel", "pageHolder", At(0, 20, 300, 180), "Gray", stack));
}

class TabControlWindowTest : public test::ValueControlsWindowFixture {
protected:
  void TearDown() override {
    if (mTabs)
      mTabs->UnregisterClientFromAll(mLog);
    mTabs = RCPtr<LTabControl>();
    ValueControlsWindowFixture::TearDown();
  }
  void Listen() {
    for (const char16_t* id : {u"NID_TAB_BUTTON_CLICKED", u"NID_TAB_BECOMING_UNSELECTED", u"NID_TAB_SELECTED"})
      mTabs->RegisterClient(mLog, id);
  }
  // The colour painted in the pages' area.
  std::uint32_t PageColour() { return PaintAndRead(200, 150); }

  RCPtr<LTabControl> mTabs;
  RCPtr<TabLog> mLog = MakeRCPtr<TabLog>();
};

TEST_F(TabControlWindowTest, AClickOnATabShowsItsPageAndGivesThePageTheFocus) {
  Open(Tabs("tabs"), PageLooks(), kWidth, kHeight);
  mTabs = Find<LTabControl>(u"tabs");
  ASSERT_TRUE(mTabs);
  Listen();
  EXPECT_EQ(mTabs->GetSelectedIndex(), 0);
  EXPECT_EQ(PageColour(), kPageColours[0]);
  ASSERT_EQ(mTabs->SelectTab(WideString(u"tab2")), S_OK);
  EXPECT_EQ(PageColour(), kPageColours[1]);
  mLog->mIds.clear();

  Click({250, 10});
  EXPECT_EQ(mLog->mIds, (std::vector<std::string>{"NID_TAB_BUTTON_CLICKED", "NID_TAB_BECOMING_UNSELECTED",
                                                  "NID_TAB_SELECTED"}));
  EXPECT_EQ(mLog->mFrom, 1);
  EXPECT_EQ(mLog->mTo, 2);
  EXPECT_EQ(mTabs->GetSelectedIndex(), 2);
  EXPECT_EQ(PageColour(), kPageColours[2]);
  EXPECT_EQ(Focused(), "ok3");
}

TEST_F(TabControlWindowTest, AListenerMayKeepTheCurrentTabOrSendTheSelectionElsewhere) {
  Open(Tabs("tabs"), PageLooks(), kWidth, kHeight);
  mTabs = Find<LTabControl>(u"tabs");
  ASSERT_TRUE(mTabs);
  Listen();
  const struct {
    std::int32_t redirect;
    const char* focused;
  } cases[] = {{1, "ok2"}, {0, "ok1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.redirect);
    mLog->mRedirect = -1;
    ASSERT_EQ(mTabs->SelectTab(WideString(u"tab2")), S_OK);
    mLog->mRedirect = c.redirect;

    Click({250, 10});
    EXPECT_EQ(mTabs->GetSelectedIndex(), c.redirect);
    EXPECT_EQ(PageColour(), kPageColours[c.redirect]);
    EXPECT_EQ(mTabs->GetTabButtonAt(c.redirect)->GetNormalizedValue(), 1.0) << "the tab actually selected is on";
    EXPECT_EQ(Focused(), c.focused);
  }
}

} // namespace
} // namespace QZ
