#include "QZFramework/System/ClipBoard.h"
#include "QZFramework/System/EditTarget.h"

#include "Platform/App/AppHost.h"
#include "Platform/Clipboard/FakeClipboard.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/FakeRootWindow.h"
#include "Support/TestControl.h"
#include "Support/TestFrameworkApp.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::FakeRootWindow;
using test::FakeWindowOSServices;
using test::TestControl;

// A control that takes edits, logging "name:code" for each edit it runs.
class EditControl : public TestControl, public IEditTarget {
public:
  EditControl(const RCPtr<LControl>& parent, const char16_t* name, std::vector<std::string>* log)
      : TestControl(parent, WideString(name)), mLog(log) {}

  bool IsEditTarget() const override { return mIsTarget; }
  bool CanPerformEdit(std::int32_t) override { return mCanEdit; }
  QZRESULT PerformEdit(std::int32_t code) override {
    mLog->push_back(GetName().ToNarrow().GetChars() + std::string(":") + std::to_string(code));
    return S_OK;
  }

  bool mIsTarget = true;
  bool mCanEdit = true;

private:
  std::vector<std::string>* mLog;
};

// Names another control as the target of the edits reaching it, as the menu
// bar names the control that had the focus before its menu.
class NamingControl : public TestControl, public IEditTargetDelegate {
public:
  using TestControl::TestControl;
  RCPtr<LControl> GetDelegatedEditTarget() const override { return mNamed; }
  RCPtr<LControl> mNamed;
};

// Two root windows. Window 1: top { a (edit) { inner, d (edit, not a target
// now) }, b (edit that cannot edit now), plain }. Window 0: top0 { c (edit) }.
class EditRequestTest : public ::testing::Test {
protected:
  void SetUp() override {
    mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
    mApp = MakeRCPtr<test::TestFrameworkApp>(mFactory, RCPtr<LStringTable>(), mHost);
    ASSERT_EQ(mApp->GetClipboard()->Initialize(), S_OK);
    for (int i = 0; i < 2; ++i) {
      mWindows.push_back(MakeRCPtr<FakeRootWindow>(&mNatives[i]));
      mApp->AddRootWindow(mWindows.back());
    }
    const auto top = MakeRCPtr<TestControl>(RCPtr<LControl>(), WideString(u"top"));
    a = MakeRCPtr<EditControl>(top, u"a", &mLog);
    inner = MakeRCPtr<TestControl>(a, WideString(u"inner"));
    d = MakeRCPtr<EditControl>(a, u"d", &mLog);
    d->mIsTarget = false;
    b = MakeRCPtr<EditControl>(top, u"b", &mLog);
    b->mCanEdit = false;
    plain = MakeRCPtr<TestControl>(top, WideString(u"plain"));
    mWindows[1]->SetRootControl(top);
    const auto top0 = MakeRCPtr<TestControl>(RCPtr<LControl>(), WideString(u"top0"));
    c = MakeRCPtr<EditControl>(top0, u"c", &mLog);
    mWindows[0]->SetRootControl(top0);
  }
  void TearDown() override {
    a = b = c = d = RCPtr<EditControl>();
    inner = plain = RCPtr<TestControl>();
    mWindows.clear();
    mApp = RCPtr<test::TestFrameworkApp>();
    EXPECT_EQ(TestControl::sLive, 0);
  }

  // Posts the request to the application center and runs one idle pass.
  void Request(const char16_t* id) {
    GetApplicationNotificationCenter()->Post(LNotification::Create(id));
    mApp->ProcessIdle(false);
  }

  Platform::ScopedFakeClipboard mClipboard;
  Platform::AppHost mHost;
  RCPtr<LControlFactory> mFactory;
  RCPtr<test::TestFrameworkApp> mApp;
  FakeWindowOSServices mNatives[2];
  std::vector<RCPtr<FakeRootWindow>> mWindows;
  RCPtr<EditControl> a, b, c, d;
  RCPtr<TestControl> inner, plain;
  std::vector<std::string> mLog;
};

TEST_F(EditRequestTest, APasteReachesOnlyTheFocusedEditTargetOfTheActiveWindow) {
  struct Case {
    const char* name;
    int activeWindow; // -1: none
    LControl* focus1; // window 1's focus
    LControl* focus0; // window 0's focus
    std::vector<std::string> performed;
  };
  const Case cases[] = {
      {"the focused edit target", 1, a.Get(), c.Get(), {"a:3"}},
      {"a child takes its ancestor's target", 1, inner.Get(), c.Get(), {"a:3"}},
      {"a control that is not a target now passes on", 1, d.Get(), c.Get(), {"a:3"}},
      {"a target that cannot edit now", 1, b.Get(), c.Get(), {}},
      {"no target up the chain", 1, plain.Get(), c.Get(), {}},
      {"no focus", 1, nullptr, c.Get(), {}},
      {"the other window is active", 0, a.Get(), c.Get(), {"c:3"}},
      {"no active window", -1, a.Get(), c.Get(), {}},
  };
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.name);
    mLog.clear();
    mNatives[0].mActive = cs.activeWindow == 0;
    mNatives[1].mActive = cs.activeWindow == 1;
    mWindows[1]->mFocused = RCPtr<LControl>(cs.focus1);
    mWindows[0]->mFocused = RCPtr<LControl>(cs.focus0);
    EXPECT_EQ(mApp->GetClipboard()->IsEditCommandAvailable(kEditPaste), !cs.performed.empty());
    Request(u"NID_EDIT_PASTE_REQ");
    EXPECT_EQ(mLog, cs.performed);
  }
}

TEST_F(EditRequestTest, EachRequestCarriesItsEditCode) {
  mNatives[1].mActive = true;
  mWindows[1]->mFocused = a;
  for (const char16_t* id :
       {u"NID_EDIT_CUT_REQ", u"NID_EDIT_COPY_REQ", u"NID_EDIT_PASTE_REQ", u"NID_EDIT_DELETE_REQ"})
    Request(id);
  EXPECT_EQ(mLog, (std::vector<std::string>{"a:1", "a:2", "a:3", "a:0"}));
}

TEST_F(EditRequestTest, TheEditTargetIsTheNearestTargetUpTheParentChain) {
  EXPECT_EQ(GetEditTarget(inner).Get(), a.Get());
  EXPECT_EQ(GetEditTarget(c).Get(), c.Get());
  a->mIsTarget = false;
  EXPECT_FALSE(GetEditTarget(inner));
  EXPECT_FALSE(GetEditTarget(plain));
  EXPECT_FALSE(GetEditTarget(RCPtr<LControl>()));
}

TEST_F(EditRequestTest, AControlOnTheWayMayNameTheTarget) {
  const auto naming = MakeRCPtr<NamingControl>(RCPtr<LControl>(plain), WideString(u"naming"));
  const auto menu = MakeRCPtr<TestControl>(RCPtr<LControl>(naming), WideString(u"menu"));
  EXPECT_FALSE(GetEditTarget(menu)) << "naming nobody, the walk goes on up";
  naming->mNamed = b;
  EXPECT_EQ(GetEditTarget(menu).Get(), b.Get());
  naming->mNamed = RCPtr<LControl>();
  static_cast<void>(naming->Close());
}

// The controls reach the clipboard through the application services.
TEST_F(EditRequestTest, TheApplicationServicesAnswerForTheClipboard) {
  IFrameworkApp* app = GetFrameworkApp();
  ASSERT_EQ(app, static_cast<IFrameworkApp*>(mApp.Get()));
  ASSERT_EQ(app->SetClipboardText(LClipboardText::Create(WideString(u"copied"))), S_OK);
  EXPECT_EQ(mClipboard->Text(), "copied");
  mClipboard->CopyFromOtherProgram("pasted");
  const auto text = DynamicCast<LClipboardText>(app->GetClipboardText());
  ASSERT_TRUE(text);
  EXPECT_STREQ(text->ToNarrow().GetChars(), "pasted");

  mNatives[1].mActive = true;
  mWindows[1]->mFocused = a;
  EXPECT_TRUE(app->IsEditCommandAvailable(kEditPaste));
  a->mCanEdit = false;
  EXPECT_FALSE(app->IsEditCommandAvailable(kEditPaste));
}

TEST(FrameworkAppServicesTest, AnApplicationWithoutClipboardHasNothingToOffer) {
  struct Minimal : IFrameworkApp {
    RCPtr<LRenderer> GetRenderer() override { return RCPtr<LRenderer>(); }
    QZRESULT GetSystemFont(WideString&, float&, std::int32_t&) override { return E_FAIL; }
    std::int32_t GetRendererType() override { return 0; }
    std::uint32_t GetMilliseconds() override { return 0; }
    double GetTime() override { return 0; }
    LControlFactory* GetControlFactory() override { return nullptr; }
    RCPtr<LFont> GetDefaultFont() override { return RCPtr<LFont>(); }
    RectT<std::int32_t> GetWorkArea() override { return {}; }
    PointT<std::int32_t> GetCursorPosition() override { return {}; }
    std::uint32_t GetMouseButtonState() override { return 0; }
    RCPtr<IRootWindow> GetActiveRootWindow() override { return RCPtr<IRootWindow>(); }
    CursorID GetCursor(const WideString&) override { return 0; }
    QZRESULT SetStatusText(const WideString&, bool) override { return E_FAIL; }
    QZRESULT RefreshStatusText(bool) override { return E_FAIL; }
    bool ProcessIdle(bool) override { return false; }
    RCPtr<IRootWindow> GetRootWindow(std::uint32_t) override { return RCPtr<IRootWindow>(); }
  } minimal;
  EXPECT_FALSE(minimal.GetClipboardText());
  EXPECT_EQ(minimal.SetClipboardText(LClipboardText::Create(WideString(u"x"))), E_FAIL);
  EXPECT_FALSE(minimal.IsEditCommandAvailable(kEditCopy));
}

} // namespace
} // namespace QZ
