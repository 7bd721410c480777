// The text box's cut, copy and paste through the application's clipboard and
// SDL's on a real X server (the CTest entry qz_application_x11 runs this
// group under xvfb-run; elsewhere it skips itself).

#include "Platform/App/AppHost.h"
#include "Platform/Clipboard/Clipboard.h"
#include "Platform/Window/WindowSystem.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Controls/TextBox.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/TestFrameworkApp.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <string_view>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

class TextBoxX11 : public ::testing::Test {
protected:
  void SetUp() override {
    const char* wanted = std::getenv("QZ_APPLICATION_X11_TESTS");
    if (wanted == nullptr || std::string_view(wanted) != "1")
      GTEST_SKIP() << "runs under xvfb-run only (the CTest entry qz_application_x11)";
    ::setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_TRUE(Platform::StartWindowSystem()) << Platform::GetWindowSystemError();
    mStarted = true;
    ASSERT_TRUE(mHost.InitApplication());
    mApp = MakeRCPtr<test::TestFrameworkApp>(MakeRCPtr<LControlFactory>(WideString(u"App")), RCPtr<LStringTable>(),
                                             mHost);
  }
  void TearDown() override {
    for (const RCPtr<LTextBox>& box : {mFrom, mTo})
      if (box)
        static_cast<void>(box->Close());
    mFrom = mTo = RCPtr<LTextBox>();
    mApp = RCPtr<test::TestFrameworkApp>();
    LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
    if (mStarted)
      Platform::StopWindowSystem();
  }

  Platform::AppHost mHost;
  RCPtr<test::TestFrameworkApp> mApp;
  RCPtr<LTextBox> mFrom = MakeRCPtr<LTextBox>(RCPtr<LControl>(), WideString(u"from"));
  RCPtr<LTextBox> mTo = MakeRCPtr<LTextBox>(RCPtr<LControl>(), WideString(u"to"));
  bool mStarted = false;
};

TEST_F(TextBoxX11, CutAndPasteGoThroughTheSystemClipboard) {
  mFrom->SetText(WideString(u"hello world"));
  mFrom->SelectRange(0, 4);
  ASSERT_EQ(mFrom->PerformEdit(kEditCut), S_OK);
  EXPECT_EQ(Narrow(mFrom->GetText()), " world");
  std::string system;
  ASSERT_TRUE(Platform::GetClipboard()->GetText(system));
  EXPECT_EQ(system, "hello");
  EXPECT_TRUE(mTo->CanPerformEdit(kEditPaste));
  ASSERT_EQ(mTo->PerformEdit(kEditPaste), S_OK);
  EXPECT_EQ(Narrow(mTo->GetText()), "hello");

  // Text put there past the application (as another program would) is read once it changed.
  ASSERT_TRUE(Platform::GetClipboard()->SetText("from elsewhere \xc3\xbc"));
  mTo->SelectRange(0, -1);
  ASSERT_EQ(mTo->PerformEdit(kEditPaste), S_OK);
  EXPECT_EQ(Narrow(mTo->GetText()), "from elsewhere \xc3\xbc");
}

} // namespace
} // namespace QZ
