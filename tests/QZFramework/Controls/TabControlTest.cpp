// The tab control from a skin: three tabs whose pages each hold one button;
// clicks on the tab buttons, listeners that redirect the selection, names and
// indices without a tab, and skins that lack a holder or its buttons.

#include "QZFramework/Controls/ValueControlsFixture.h"

#include "QZFramework/Controls/TabControl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace QZ {
namespace {

using test::At;
using test::Narrow;
using test::ScrollPart;

// Records each notification with its payload; on "NID_TAB_BECOMING_UNSELECTED"
// it writes mRedirect (when not negative) into the target index.
class TabLog : public LNotificationClient {
public:
  struct Entry {
    std::string id;
    RCPtr<LRefCountedObject> payload;
    std::int32_t current = -1;
    std::int32_t target = -1;
  };
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    Entry entry;
    for (const char16_t* c = notification->GetID(); *c; ++c)
      entry.id += static_cast<char>(*c);
    entry.payload = notification->GetPayload();
    if (const RCPtr<LTabBecomingUnselectedParams> params =
            DynamicCast<LTabBecomingUnselectedParams>(notification->GetPayload())) {
      entry.current = params->mCurrentIndex;
      entry.target = params->mTargetIndex;
      if (mRedirect >= 0)
        params->mTargetIndex = mRedirect;
    }
    mEntries.push_back(entry);
    return 0;
  }
  std::vector<std::string> Ids() const {
    std::vector<std::string> ids;
    for (const Entry& entry : mEntries)
      ids.push_back(entry.id);
    return ids;
  }

  std::vector<Entry> mEntries;
  std::int32_t mRedirect = -1;
};

class TabControlTest : public test::ValueControlsFixture {
protected:
  void TearDown() override {
    if (mTabs && mLog)
      mTabs->UnregisterClientFromAll(mLog);
    mTabs = RCPtr<LTabControl>();
    mLog = RCPtr<TabLog>();
    ValueControlsFixture::TearDown();
  }

  // A tab control of 300 by 200: tabs "tab1".."tabN" 100 wide in a row at the
  // top, pages "page1".."pageN" below, each with a button "okN".
  static std::string TabsEntry(int buttons, int pages, bool withButtonHolder = true, bool withPageHolder = true) {
    std::string row;
    for (int i = 1; i <= buttons; ++i)
      row +=
          ScrollPart("Framework.Button", "tab" + std::to_string(i), At((i - 1) * 100, 0, 100, 20), "GreenButton");
    std::string stack;
    for (int i = 1; i <= pages; ++i)
      stack +=
          ScrollPart("Framework.Panel", "page" + std::to_string(i), At(0, 0, 300, 180), "Gray",
                     ScrollPart("Framework.Button", "ok" + std::to_string(i), At(10, 10, 50, 20), "BlueButton"));
    std::string holders;
    if (withButtonHolder)
      holders += ScrollPart("Framework.Panel", "buttonHolder", At(0, 0, 300, 20), "Gray", row);
    if (withPageHolder)
      holders += ScrollPart("Framework.Panel", "pageHolder", At(0, 20, 300, 180), "Gray", stack);
    return ScrollPart("Framework.TabControl", "tabs", At(0, 0, 300, 200), "Gray", holders);
  }
  void Open(int buttons = 3, int pages = 3) {
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.TabControl"), &LTabControl::Create);
    OpenMain(TabsEntry(buttons, pages));
    mTabs = Find<LTabControl>(u"tabs");
    ASSERT_TRUE(mTabs);
    mLog = MakeRCPtr<TabLog>();
    for (const char16_t* id : {u"NID_TAB_BUTTON_CLICKED", u"NID_TAB_BECOMING_UNSELECTED", u"NID_TAB_SELECTED"})
      mTabs->RegisterClient(mLog, id);
  }
  RCPtr<LControl> Page(int i) const { return mTabs->GetPageAt(i - 1); }
  // Which pages are shown, as "100" for the first of three.
  std::string Shown() const {
    std::string shown;
    for (std::int32_t i = 0; i < mTabs->GetTabCount(); ++i) {
      const RCPtr<LControl> page = mTabs->GetPageAt(i);
      shown += page && page->IsVisible(false) ? "1" : "0";
    }
    return shown;
  }
  // Clicks tab i (1-based) of the row.
  void ClickTab(int i) { mWindow->Click(kMouseButtonLeft, {(i - 1) * 100 + 50, 10}); }

  RCPtr<LTabControl> mTabs;
  RCPtr<TabLog> mLog;
};

TEST_F(TabControlTest, TheFirstTabIsSelectedWithoutAskingAnyone) {
  Open();
  EXPECT_EQ(mTabs->GetTabCount(), 3);
  EXPECT_EQ(Narrow(mTabs->GetSelectedTabName()), "tab1");
  EXPECT_EQ(mTabs->GetSelectedIndex(), 0);
  EXPECT_EQ(mTabs->GetSelectedPage(), Page(1));
  EXPECT_EQ(Shown(), "100");
  EXPECT_EQ(mTabs->GetPage(WideString(u"tab2")), Page(2));
  EXPECT_EQ(mTabs->GetTabButton(WideString(u"tab3")), mTabs->GetTabButtonAt(2));
  EXPECT_FALSE(mTabs->GetPageAt(3));
  EXPECT_FALSE(mTabs->GetTabButtonAt(-1));
  EXPECT_EQ(mTabs->FindTab(WideString(u"TAB1")), -1) << "names compare exactly";
}

TEST_F(TabControlTest, AClickOnATabAsksTheListenersSwitchesThePagesAndFocusesTheNewPage) {
  Open();
  ASSERT_EQ(mTabs->SelectTab(WideString(u"tab2")), S_OK);
  mLog->mEntries.clear();

  ClickTab(3);
  EXPECT_EQ(mLog->Ids(), (std::vector<std::string>{"NID_TAB_BUTTON_CLICKED", "NID_TAB_BECOMING_UNSELECTED",
                                                   "NID_TAB_SELECTED"}));
  ASSERT_EQ(mLog->mEntries.size(), 3U);
  EXPECT_EQ(mLog->mEntries[0].payload.GetRaw(),
            static_cast<LRefCountedObject*>(mTabs->GetTabButtonAt(2).GetRaw()));
  EXPECT_EQ(mLog->mEntries[1].current, 1);
  EXPECT_EQ(mLog->mEntries[1].target, 2);
  EXPECT_EQ(mLog->mEntries[2].payload.GetRaw(), static_cast<LRefCountedObject*>(Page(3).GetRaw()));
  EXPECT_EQ(Shown(), "001");
  EXPECT_EQ(Focused(), "ok3");
}

TEST_F(TabControlTest, AListenerMayKeepTheCurrentTabOrSendTheSelectionElsewhere) {
  Open();
  const struct {
    std::int32_t redirect;
    const char* shown;
    const char* focused;
  } cases[] = {{1, "010", "ok2"}, {0, "100", "ok1"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.redirect);
    mLog->mRedirect = -1;
    ASSERT_EQ(mTabs->SelectTab(WideString(u"tab2")), S_OK);
    mLog->mEntries.clear();
    mLog->mRedirect = c.redirect;

    ClickTab(3);
    EXPECT_EQ(Shown(), c.shown);
    EXPECT_EQ(mTabs->GetSelectedIndex(), c.redirect);
    EXPECT_EQ(mTabs->GetTabButtonAt(c.redirect)->GetNormalizedValue(), 1.0)
        << "the tab actually selected shows on";
    EXPECT_EQ(mTabs->GetTabButtonAt(2)->GetNormalizedValue(), 0.0);
    ASSERT_FALSE(mLog->mEntries.empty());
    EXPECT_EQ(mLog->mEntries.back().id, "NID_TAB_SELECTED");
    EXPECT_EQ(mLog->mEntries.back().payload.GetRaw(),
              static_cast<LRefCountedObject*>(Page(c.redirect + 1).GetRaw()));
    EXPECT_EQ(Focused(), c.focused);
  }
}

TEST_F(TabControlTest, ANameWithoutATabHidesEveryPageAndAnIndexOutOfRangeChangesNothing) {
  Open();
  EXPECT_EQ(mTabs->SelectTabAt(3), E_FAIL);
  EXPECT_EQ(mTabs->SelectTabAt(-1), E_FAIL);
  EXPECT_TRUE(mLog->mEntries.empty());
  EXPECT_EQ(mTabs->GetSelectedIndex(), 0);

  EXPECT_EQ(mTabs->SelectTab(WideString(u"nowhere")), S_OK);
  EXPECT_EQ(Shown(), "000");
  EXPECT_EQ(Narrow(mTabs->GetSelectedTabName()), "nowhere");
  EXPECT_EQ(mTabs->GetSelectedIndex(), -1);
  EXPECT_FALSE(mTabs->GetSelectedPage());
  ASSERT_FALSE(mLog->mEntries.empty());
  EXPECT_EQ(mLog->mEntries.back().id, "NID_TAB_SELECTED");
  EXPECT_FALSE(mLog->mEntries.back().payload);

  mLog->mEntries.clear();
  EXPECT_EQ(mTabs->SelectTab(WideString(u"tab2")), S_OK);
  EXPECT_EQ(mLog->Ids(), std::vector<std::string>{"NID_TAB_SELECTED"}) << "no tab was selected to leave";
  EXPECT_EQ(Shown(), "010");
}

TEST_F(TabControlTest, ATabWithoutAPageHidesThePagesAndLeavesTheFocusOnItsButton) {
  Open(3, 2);
  ClickTab(3);
  EXPECT_EQ(mTabs->GetSelectedIndex(), 2);
  EXPECT_FALSE(mTabs->GetSelectedPage());
  EXPECT_EQ(Shown(), "000");
  EXPECT_EQ(Focused(), "tab3");
}

TEST_F(TabControlTest, InitializeFailsWithoutAHolderOrWithoutButtons) {
  mFactory->RegisterControlCreateFunction(WideString(u"Framework.TabControl"), &LTabControl::Create);
  auto renamed = [](std::string entry, const std::string& name) {
    return entry.replace(entry.find("\"tabs\""), 6, "\"" + name + "\"");
  };
  OpenMain(renamed(TabsEntry(0, 3), "noButtons") + renamed(TabsEntry(3, 3, false, true), "noButtonHolder") +
           renamed(TabsEntry(3, 3, true, false), "noPageHolder"));
  for (const char16_t* name : {u"noButtons", u"noButtonHolder", u"noPageHolder"}) {
    const RCPtr<LTabControl> tabs = Find<LTabControl>(name);
    ASSERT_TRUE(tabs);
    SCOPED_TRACE(Narrow(tabs->GetName()));
    EXPECT_EQ(tabs->GetSelectedIndex(), -1);
    EXPECT_EQ(tabs->Initialize(), E_FAIL);
    EXPECT_EQ(tabs->SelectTab(WideString(u"tab1")), tabs->GetChildren().GetCount() == 2 ? S_OK : E_FAIL);
  }
}

} // namespace
} // namespace QZ
