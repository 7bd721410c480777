// A dialog as the root control of a real window under the offscreen driver: each standard button closes it
// with its code (names compared exactly), the window's close box closes it as Cancel, a listener of
// "NID_DIALOG_CLOSING" keeps it open (then no "NID_DIALOG_CLOSED" and no OnClosed), OK and Close wait for
// the focus, and an application that cannot run it modally says so.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/Application/RootWindow.h"
#include "QZFramework/Controls/Dialog.h"
#include "QZFramework/Notification/Notification.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ {
namespace {

// Counts OnClosed.
class CountingDialog : public LDialog {
public:
  CountingDialog(const RCPtr<LControl>& parent, const WideString& name) : LDialog(parent, name) {}
  void OnClosed() override { ++mClosedCalls; }
  int mClosedCalls = 0;
};

// A control that keeps the focus while mKeep is set.
class StickyControl : public LControl {
public:
  StickyControl(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  bool CanLoseFocus() override { return !mKeep; }
  bool mKeep = true;
};

// Counts what reaches it; a set mCancel refuses "NID_DIALOG_CLOSING".
class DialogListener : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& notification) override {
    if (const auto args = DynamicCast<LCancelArgs>(notification->GetPayload())) {
      ++mClosing;
      args->mCancel = mCancel;
    } else {
      ++mClosed;
    }
    return 0;
  }
  int mClosing = 0;
  int mClosed = 0;
  std::int32_t mCancel = 0;
};

std::string Button(const std::string& name, int x) {
  return "<SubControl Class=\"Framework.Button\" Name=\"" + name + "\" XPositionAbs=\"" + std::to_string(x) +
         "\" YPositionAbs=\"10\" XSizeAbs=\"8\" YSizeAbs=\"8\"><Skin Name=\"" + name +
         "Skin\" LookList=\"White\"/></SubControl>";
}

std::string DialogSkin() {
  std::string buttons;
  int x = 0;
  for (const char* name : {"buttonOK", "buttonClose", "buttonCancel", "buttonAbort", "buttonRetry", "buttonIgnore",
                           "buttonYes", "buttonNo", "buttonok"})
    buttons += Button(name, x += 10);
  buttons += "<SubControl Class=\"Test.Sticky\" Name=\"sticky\" XPositionAbs=\"10\" YPositionAbs=\"40\" "
             "XSizeAbs=\"20\" YSizeAbs=\"20\"/>";
  return test::WithSkins(test::RenderTreeSkinText(),
                         "<Skin Name=\"Main\"><SubControl Class=\"Test.Dialog\" Name=\"main\" XPositionAbs=\"0\" "
                         "YPositionAbs=\"0\" XSizeAbs=\"200\" YSizeAbs=\"100\"><Skin Name=\"mainSkin\" "
                         "LookList=\"White\">" +
                             buttons + "</Skin></SubControl></Skin>");
}

class DialogWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Dialog"),
                                            &CreateControlFromDescriptor<CountingDialog>);
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Sticky"),
                                            &CreateControlFromDescriptor<StickyControl>);
  }
  void TearDown() override {
    if (mDialog) {
      mDialog->UnregisterClientFromAll(RCPtr<LNotificationReceiver>(mListener));
      mDialog = RCPtr<CountingDialog>();
    }
    SkinWindowFixture::TearDown();
  }

  void Open() {
    OpenSkinWindow(DialogSkin(), 200, 100);
    mDialog = DynamicCast<CountingDialog>(mMain);
    ASSERT_TRUE(mDialog);
    mDialog->RegisterClient(RCPtr<LNotificationReceiver>(mListener), kNidDialogClosing);
    mDialog->RegisterClient(RCPtr<LNotificationReceiver>(mListener), kNidDialogClosed);
  }
  RCPtr<LRootWindow> Root() const { return mWindow->GetRootWindow(); }
  void Click(const char16_t* name) {
    const RCPtr<LControl>& button = mDialog->FindChild(WideString(name));
    ASSERT_TRUE(button);
    ASSERT_EQ(button->OnLeftClick(LMouseButtonParam::Create(1, {2, 2}, 0, 0, 0, 0)), S_OK);
  }

  RCPtr<CountingDialog> mDialog;
  RCPtr<DialogListener> mListener = MakeRCPtr<DialogListener>();
};

TEST_F(DialogWindowTest, EachStandardButtonClosesWithItsCode) {
  struct Case {
    const char16_t* button;
    std::int32_t result;
  };
  const Case cases[] = {{u"buttonOK", kDialogResultOK},         {u"buttonClose", kDialogResultOK},
                        {u"buttonCancel", kDialogResultCancel}, {u"buttonAbort", kDialogResultAbort},
                        {u"buttonRetry", kDialogResultRetry},   {u"buttonIgnore", kDialogResultIgnore},
                        {u"buttonYes", kDialogResultYes},       {u"buttonNo", kDialogResultNo}};
  for (const Case& c : cases) {
    SCOPED_TRACE(WideString(c.button).ToNarrow().GetChars());
    Open();
    // The sticky control lets the focus go here.
    DynamicCast<StickyControl>(mDialog->FindChild(WideString(u"sticky")))->mKeep = false;
    Click(c.button);
    EXPECT_TRUE(Root()->IsCloseRequested());
    EXPECT_EQ(Root()->GetCloseResult(), c.result);
    EXPECT_EQ(mDialog->GetResult(), c.result);
    EXPECT_EQ(mListener->mClosing, 1);
    EXPECT_EQ(mListener->mClosed, 1);
    EXPECT_EQ(mDialog->mClosedCalls, 1);
    TearDown();
    mListener = MakeRCPtr<DialogListener>();
    SetUp();
  }
}

TEST_F(DialogWindowTest, AButtonNamedInAnotherCaseIsNotWired) {
  Open();
  Click(u"buttonok");
  EXPECT_FALSE(Root()->IsCloseRequested());
  EXPECT_EQ(mListener->mClosing, 0);
  EXPECT_EQ(mDialog->GetResult(), kDialogResultNone);
}

TEST_F(DialogWindowTest, TheCloseBoxIsCancelAndListenersMayRefuseIt) {
  Open();
  mListener->mCancel = 1;
  Root()->RequestSystemClose();
  EXPECT_FALSE(Root()->IsCloseRequested());
  EXPECT_EQ(mListener->mClosing, 1);
  EXPECT_EQ(mListener->mClosed, 0);
  EXPECT_EQ(mDialog->mClosedCalls, 0);
  EXPECT_EQ(mDialog->GetResult(), kDialogResultCancel) << "the code is kept even when refused";

  mListener->mCancel = 0;
  Root()->RequestSystemClose();
  EXPECT_TRUE(Root()->IsCloseRequested());
  EXPECT_EQ(Root()->GetCloseResult(), kDialogResultCancel);
  EXPECT_EQ(mListener->mClosed, 1);
  EXPECT_EQ(mDialog->mClosedCalls, 1);
}

TEST_F(DialogWindowTest, OkWaitsForTheFocusButCancelDoesNot) {
  Open();
  const RCPtr<StickyControl> sticky = DynamicCast<StickyControl>(mDialog->FindChild(WideString(u"sticky")));
  ASSERT_TRUE(sticky);
  ASSERT_GE(sticky->SetFocus(true), 0);
  ASSERT_EQ(Root()->GetFocusedControl().Get(), static_cast<LControl*>(sticky.Get()));
  Click(u"buttonOK");
  Click(u"buttonClose");
  EXPECT_FALSE(Root()->IsCloseRequested());
  EXPECT_EQ(mListener->mClosing, 0);
  Click(u"buttonCancel");
  EXPECT_TRUE(Root()->IsCloseRequested());
  EXPECT_EQ(Root()->GetCloseResult(), kDialogResultCancel);
}

TEST_F(DialogWindowTest, ACloseFromInsideAClosingCloseIsIgnoredAndTheOuterCodeStands) {
  // Closes the dialog again with its own code whenever it hears of a close.
  struct Reentrant : LNotificationClient {
    std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) override {
      if (calls++ == 0)
        dialog->Close(code);
      return 0;
    }
    CountingDialog* dialog = nullptr;
    std::int32_t code = 0;
    int calls = 0;
  };
  for (const char16_t* during : {kNidDialogClosing, kNidDialogClosed}) {
    SCOPED_TRACE(WideString(during).ToNarrow().GetChars());
    Open();
    const RCPtr<Reentrant> reentrant = MakeRCPtr<Reentrant>();
    reentrant->dialog = mDialog.Get();
    reentrant->code = kDialogResultNo;
    mDialog->RegisterClient(RCPtr<LNotificationReceiver>(reentrant), during);
    Click(u"buttonCancel");
    EXPECT_EQ(reentrant->calls, 1);
    EXPECT_EQ(mListener->mClosing, 1);
    EXPECT_EQ(mListener->mClosed, 1);
    EXPECT_EQ(mDialog->mClosedCalls, 1);
    EXPECT_TRUE(Root()->IsCloseRequested());
    EXPECT_EQ(Root()->GetCloseResult(), kDialogResultCancel) << "the modal run ends with the outer code";
    EXPECT_EQ(mDialog->GetResult(), kDialogResultCancel);

    // Once the close has reached the window, a later one changes nothing either.
    mDialog->Close(kDialogResultYes);
    EXPECT_EQ(mListener->mClosing, 1);
    EXPECT_EQ(mDialog->mClosedCalls, 1);
    EXPECT_EQ(Root()->GetCloseResult(), kDialogResultCancel);
    EXPECT_EQ(mDialog->GetResult(), kDialogResultCancel);
    mDialog->UnregisterClientFromAll(RCPtr<LNotificationReceiver>(reentrant));
    TearDown();
    mListener = MakeRCPtr<DialogListener>();
    SetUp();
  }
}

TEST_F(DialogWindowTest, AnyCodeClosesAndTheTestApplicationRunsNoModalWindows) {
  Open();
  mDialog->Close(42);
  EXPECT_EQ(Root()->GetCloseResult(), 42);
  EXPECT_EQ(mDialog->DoModal(), E_FAIL);
}

TEST_F(DialogWindowTest, AWindowThatIsNotADialogClosesWithZero) {
  OpenSkinWindow(test::WithSkins(test::RenderTreeSkinText(),
                                 "<Skin Name=\"Main\"><SubControl Class=\"Framework.Panel\" Name=\"main\" "
                                 "XSizeAbs=\"20\" YSizeAbs=\"20\"/></Skin>"),
                 20, 20);
  Root()->RequestSystemClose();
  EXPECT_TRUE(Root()->IsCloseRequested());
  EXPECT_EQ(Root()->GetCloseResult(), 0);
}

} // namespace
} // namespace QZ
