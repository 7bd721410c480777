// A button from the skin in a real window under the offscreen driver: a
// simulated click shows the pressed look for 0.15 s on the application's
// clock, then clicks and shows the focused look.

#include "QZFramework/Application/SkinWindowFixture.h"

#include "QZFramework/ControlBase/SkinnedControl.h"
#include "QZFramework/Controls/Button.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 200;
constexpr std::int32_t kHeight = 100;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kGray = 0xFF808080;

// The render fixture's looks, a fourteen-look button list (pressed red,
// focused blue, the rest gray) and a window with one button.
std::string ButtonSkin() {
  std::string text = test::RenderTreeSkinText();
  std::string list = "<LookList Name=\"Button14\" NumLooks=\"14\">";
  for (int i = 0; i < 14; ++i) {
    const char* look = i == 2 ? "RedLook" : i == 3 ? "BlueLook" : "GrayLook";
    list += "<Look Name=\"" + std::string(look) + "\" Index=\"" + std::to_string(i) + "\"/>";
  }
  list += "</LookList>";
  text.insert(text.find("</LookLists>"), list);
  return test::WithSkins(
      text, "<Skin Name=\"Main\"><SubControl Class=\"Test.Skinned\" Name=\"main\" XPositionAbs=\"0\" "
            "YPositionAbs=\"0\" XSizeAbs=\"200\" YSizeAbs=\"100\"><Skin Name=\"mainSkin\" LookList=\"White\">"
            "<SubControl Class=\"Framework.Button\" Name=\"button\" XPositionAbs=\"20\" YPositionAbs=\"20\" "
            "XSizeAbs=\"40\" YSizeAbs=\"20\"><Skin Name=\"buttonSkin\" LookList=\"Button14\"/></SubControl>"
            "</Skin></SubControl></Skin>");
}

class Clicks : public LNotificationClient {
public:
  std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&) override {
    ++mCount;
    return 0;
  }
  int mCount = 0;
};

class ButtonWindowTest : public test::SkinWindowFixture {
protected:
  void SetUp() override {
    SkinWindowFixture::SetUp();
    test::SkinnedControl::Register(*mFactory);
  }
};

TEST_F(ButtonWindowTest, ASimulatedClickShowsThePressedLookThenClicks) {
  OpenSkinWindow(ButtonSkin(), kWidth, kHeight);
  const RCPtr<LButton> button = DynamicCast<LButton>(mMain->FindChild(WideString(u"button")));
  ASSERT_TRUE(button);
  const RCPtr<Clicks> clicks = MakeRCPtr<Clicks>();
  button->RegisterClient(clicks, u"NID_LEFT_CLICK");

  static_cast<void>(button->UpdateVisualState());
  EXPECT_EQ(PaintAndRead(30, 30), kGray);

  mApp->mMilliseconds = 1000;
  button->SimulateClick();
  EXPECT_EQ(PaintAndRead(30, 30), kRed);
  mApp->mMilliseconds = 1149;
  mWindow->GetRootWindow()->ProcessIdle(true);
  EXPECT_EQ(clicks->mCount, 0);
  mApp->mMilliseconds = 1151; // the clock in seconds: 1.15 - 1.0 falls just short of 0.15
  mWindow->GetRootWindow()->ProcessIdle(true);
  EXPECT_EQ(clicks->mCount, 1);
  EXPECT_EQ(PaintAndRead(30, 30), kBlue) << "focused after the click";
  button->UnregisterClientFromAll(clicks);
}

} // namespace
} // namespace QZ
