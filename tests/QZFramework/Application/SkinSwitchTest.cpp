// Switching skins rebuilds the root control of every window in place.

#include "QZFramework/Application/FrameworkApp.h"

#include "Platform/App/AppHost.h"
#include "Platform/App/FakeMessageBox.h"
#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/FakeRootWindow.h"
#include "Support/TestFrameworkApp.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

namespace QZ {
namespace {

std::span<const std::uint8_t> Bytes(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

// Two skins of "main"; the second is wider and names another child.
const std::string kSkins =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\"><Skins>"
    "<Skin Name=\"A\"><SubControl Class=\"Test.Base\" Name=\"main\" XSizeAbs=\"100\" YSizeAbs=\"50\"><Skin "
    "Name=\"m\"><SubControl Class=\"Test.Base\" Name=\"kept\" XSizeAbs=\"10\" YSizeAbs=\"10\"/>"
    "<SubControl Class=\"Test.Base\" Name=\"old\" XSizeAbs=\"10\" YSizeAbs=\"10\"/></Skin></SubControl></Skin>"
    "<Skin Name=\"B\"><SubControl Class=\"Test.Base\" Name=\"main\" XSizeAbs=\"300\" YSizeAbs=\"50\"><Skin "
    "Name=\"m\"><SubControl Class=\"Test.Base\" Name=\"kept\" XSizeAbs=\"20\" YSizeAbs=\"20\"/></Skin>"
    "</SubControl></Skin>"
    "</Skins></Application></Veskor_Skin_Definitions>";

TEST(SkinSwitchTest, TheRootControlIsRebuiltFromTheNewSkin) {
  Platform::AppHost host;
  Platform::ScopedFakeMessageBox boxes;
  const RCPtr<LControlFactory> factory = MakeRCPtr<LControlFactory>(WideString(u"App"));
  ASSERT_EQ(factory->LoadSkinsFromText(Bytes(kSkins)), S_OK);
  factory->RegisterControlCreateFunction(WideString(u"Test.Base"), &CreateControlFromDescriptor<LControl>);
  {
    const RCPtr<test::TestFrameworkApp> app =
        MakeRCPtr<test::TestFrameworkApp>(factory, MakeRCPtr<LStringTable>(), host);
    test::FakeWindowOSServices native;
    const RCPtr<test::FakeRootWindow> window = MakeRCPtr<test::FakeRootWindow>(&native);
    ASSERT_EQ(app->AddRootWindow(window), 0);
    const RCPtr<LControl> main = factory->CreateTopLevelControl(WideString(u"main"), window);
    ASSERT_TRUE(main);
    window->SetRootControl(main);
    ASSERT_GE(main->UpdateLayout(), 0);
    ASSERT_EQ(main->GetBounds(), (RectT<double>{0, 0, 100, 50}));
    const RCPtr<LControl> kept = main->FindChild(WideString(u"kept"));
    ASSERT_TRUE(kept);

    ASSERT_EQ(app->SetSkin(1), S_OK);
    EXPECT_EQ(main->GetDescriptor().Get(), factory->FindTopLevelDescriptor(WideString(u"main")).Get());
    EXPECT_EQ(main->FindChild(WideString(u"kept")).GetRaw(), kept.GetRaw());
    EXPECT_EQ(kept->GetBounds(), (RectT<double>{0, 0, 20, 20}));
    EXPECT_FALSE(main->FindChild(WideString(u"old")));
    // The window keeps its size and the control fills it.
    EXPECT_EQ(main->GetBounds(), (RectT<double>{0, 0, 100, 50}));
    window->SetRootControl(RCPtr<LControl>());
    app->RemoveRootWindow(window);
  }
  LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
}

} // namespace
} // namespace QZ
