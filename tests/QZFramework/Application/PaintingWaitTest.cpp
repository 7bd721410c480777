// The wait for a dialog of another program inside the application: message boxes and the shell's opener run
// by stub programs on PATH while a real window (offscreen driver) keeps painting and takes no input, the box
// placed over the application's window.

#include "QZFramework/Application/PaintingWait.h"

#include "Platform/App/FakeMessageBox.h"
#include "Platform/App/MessageBox.h"
#include "Platform/Dialogs/ModalWait.h"
#include "Platform/Dialogs/ShellOpener.h"
#include "QZFramework/Application/AppMessageBox.h"
#include "QZFramework/Application/ShellOpen.h"
#include "QZFramework/Application/SkinWindowFixture.h"
#include "Support/StubPrograms.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::ScopedEnvironment;

constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kErrorStyle = Platform::kMessageBoxIconError | Platform::kMessageBoxStyleOk;

class PaintingWaitTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    test::SkinWindowFixture::SetUp();
    OpenSkinWindow(test::WithSkins(test::RenderTreeSkinText(),
                                   "<Skin Name=\"Main\"><SubControl Class=\"Framework.Panel\" Name=\"main\" "
                                   "XSizeAbs=\"40\" YSizeAbs=\"30\"><Skin Name=\"mainSkin\" LookList=\"Red\"/>"
                                   "</SubControl></Skin>"),
                   40, 30);
    mStubs.Install("zenity");
    mStubs.Install("xdg-open");
    mPreviousBox = Platform::SetMessageBoxPresenter(nullptr);
    mPreviousOpener = Platform::SetShellOpener(nullptr);
  }
  void TearDown() override {
    Platform::SetShellOpener(mPreviousOpener);
    Platform::SetMessageBoxPresenter(mPreviousBox);
    test::SkinWindowFixture::TearDown();
  }

  // The window's centre as presented, without painting; 0 when nothing can be read.
  std::uint32_t Presented() const {
    std::vector<std::uint32_t> pixels;
    if (!mWindow->GetPlatformWindow().ReadPixels({20, 15, 1, 1}, pixels) || pixels.size() != 1)
      return 0;
    return pixels[0];
  }

  test::TempFolder mTemp;
  test::StubPrograms mStubs{mTemp.Path()};
  std::shared_ptr<Platform::MessageBoxPresenter> mPreviousBox;
  std::shared_ptr<Platform::ShellOpener> mPreviousOpener;
};

TEST_F(PaintingWaitTest, TheWindowPaintsAndTakesNoInputWhileABoxIsUp) {
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment release("STUB_RELEASE", mStubs.Release());
  const ScopedEnvironment exit("STUB_EXIT", "0");
  // The box stays up until the window has been painted inside the wait (or a few seconds have passed).
  std::vector<bool> enabledWhileUp;
  bool paintedWhileUp = false;
  int polls = 0;
  const Platform::ModalWait previous = Platform::SetModalWait([&](const std::function<bool()>& done) {
    return PaintingWait([&] {
      enabledWhileUp.push_back(mWindow->GetPlatformWindow().IsEnabled());
      if (!paintedWhileUp && (Presented() == kRed || ++polls > 200)) {
        paintedWhileUp = Presented() == kRed;
        test::WriteAll(mStubs.Release(), "");
      }
      return done();
    });
  });
  EXPECT_NE(Presented(), kRed) << "painted before the box";
  EXPECT_EQ(AppMessageBox(WideString(u"Sent."), WideString(u"Program"), kErrorStyle), Platform::kMessageBoxOk);
  Platform::SetModalWait(previous);
  EXPECT_TRUE(paintedWhileUp);
  ASSERT_GE(enabledWhileUp.size(), 2u);
  // The first poll comes before the wait; every later one inside it.
  for (std::size_t i = 1; i < enabledWhileUp.size(); ++i)
    EXPECT_FALSE(enabledWhileUp[i]) << i;
  EXPECT_TRUE(mWindow->GetPlatformWindow().IsEnabled());
}

TEST_F(PaintingWaitTest, TheApplicationsWaitPaintsWhileABoxOrTheOpenerRuns) {
  const ScopedEnvironment path("PATH", mStubs.Bin());
  const ScopedEnvironment release("STUB_RELEASE", mStubs.Release());
  const ScopedEnvironment exit("STUB_EXIT", "0");
  struct Case {
    const char* name;
    std::function<bool()> run;
  };
  const Case cases[] = {
      {"message box",
       [] {
         return AppMessageBox(WideString(u"Sent."), WideString(u"Program"), kErrorStyle) ==
                Platform::kMessageBoxOk;
       }},
      {"shell open", [] { return ShellOpen(WideString(u"/opt/editor/User Guide.pdf")) == S_OK; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(mStubs.Release());
    // Black on screen, and the window to be painted again.
    const std::vector<std::uint32_t> black(40 * 30, 0xFF000000);
    ASSERT_TRUE(mWindow->GetPlatformWindow().PresentAll({reinterpret_cast<const std::uint8_t*>(black.data()), 40,
                                                         30, 40 * 4, Platform::PixelAlpha::kPremultiplied}));
    ASSERT_NE(Presented(), kRed);
    mWindow->GetRootWindow()->InvalidateRect({0, 0, 40, 30});
    // The stub is released once the window shows its picture again (or after many polls, should it never):
    // meanwhile only the application's own wait, which this one passes through, can paint the window.
    int polls = 0;
    const Platform::ModalWait application = Platform::SetModalWait(nullptr);
    Platform::SetModalWait([&](const std::function<bool()>& done) {
      return application([&] {
        if (!std::filesystem::exists(mStubs.Release()) && (Presented() == kRed || ++polls > 500))
          test::WriteAll(mStubs.Release(), "");
        return done();
      });
    });
    const bool answered = c.run();
    Platform::SetModalWait(application);
    test::WriteAll(mStubs.Release(), ""); // an opener left running once the wait ended ends too
    EXPECT_TRUE(answered);
    EXPECT_EQ(Presented(), kRed);
  }
}

TEST_F(PaintingWaitTest, TheBoxIsPlacedOverTheApplicationsWindow) {
  Platform::ScopedFakeMessageBox boxes;
  EXPECT_EQ(GetDialogOwnerWindow(), mId);
  static_cast<void>(AppMessageBox(WideString(u"Text"), WideString(u"Caption"), kErrorStyle));
  ASSERT_EQ(boxes->mShown.size(), 1u);
  EXPECT_EQ(boxes->mShown[0].owner, mId);
}

} // namespace
} // namespace QZ
