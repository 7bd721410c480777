#pragma once
// A real window under the offscreen driver hosting a control tree from skin
// text: the framework's control classes registered, a test application whose
// clock the test sets, the GDI+-role renderer, and the pixels read back.
// Tests derive from it, call OpenSkinWindow in the test or in their SetUp,
// and drive the window through mSimulator and PumpWindowEvents.

#include "QZFramework/Application/ControlClassRegistry.h"
#include "QZFramework/Application/OSWindow.h"

#include "Platform/App/AppHost.h"
#include "Platform/Window/InputSimulator.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/TestFrameworkApp.h"
#include "Support/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace QZ::test {

// The render fixture's skin document: solid colours, their parts, looks and look lists.
inline std::string RenderTreeSkinText() {
  std::ifstream in(std::string(QZ_TESTS_DIR) + "/fixtures/ControlBase/RenderTree.xml");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The document with its skins replaced by these; empty when it has no skins element.
inline std::string WithSkins(std::string text, const std::string& skins) {
  const std::size_t from = text.find("<Skins>");
  const std::size_t to = text.find("</Skins>");
  if (from == std::string::npos || to == std::string::npos)
    return {};
  return text.replace(from, to + 8 - from, "<Skins>" + skins + "</Skins>");
}

class SkinWindowFixture : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mSystem.IsStarted());
    ASSERT_TRUE(mHost.InitApplication());
    mSimulator.SetModifiers(0);
    ASSERT_EQ(RegisterControlClasses(*mFactory, GetFrameworkControlClasses()), S_OK);
    mApp = MakeRCPtr<TestFrameworkApp>(mFactory, MakeRCPtr<LStringTable>(LStringTable::Entries()), mHost);
  }
  void TearDown() override {
    mMain = RCPtr<LControl>();
    if (mWindow)
      mWindow->DestroyWindow();
    mWindow = nullptr;
    mApp = RCPtr<TestFrameworkApp>();
    OffscreenWindowSystem::TakeWindowEvents();
    LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
  }

  // Loads the skin text, opens a width by height window with the renderer
  // and makes the named top-level control its root control (mMain).
  void OpenSkinWindow(const std::string& skin, std::int32_t width, std::int32_t height,
                      const char16_t* root = u"main") {
    ASSERT_EQ(mFactory->LoadSkinsFromText(
                  std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(skin.data()), skin.size())),
              S_OK);
    OSWindow::SCreateParams params;
    params.clientBounds = {100, 100, width, height};
    mWindow = OSWindow::Create(params);
    ASSERT_NE(mWindow, nullptr);
    mWidth = width;
    mHeight = height;
    ASSERT_EQ(mWindow->CreateRenderer(kRendererTypeGDIPlus), S_OK);
    ASSERT_EQ(mWindow->GetRootWindow()->SetRootControlByName(WideString(root)), S_OK);
    mMain = mWindow->GetRootWindow()->GetRootControl();
    ASSERT_TRUE(mMain);
    mId = mWindow->GetPlatformWindow().GetId();
  }

  void Pump() { EXPECT_TRUE(OSWindow::PumpWindowEvents()); }

  // Delivers what is pending, paints and reads one pixel (0 when unreadable).
  std::uint32_t PaintAndRead(int x, int y) {
    Pump();
    EXPECT_EQ(mWindow->GetRootWindow()->RedrawNow(), S_OK);
    std::vector<std::uint32_t> pixels;
    EXPECT_TRUE(mWindow->GetPlatformWindow().ReadPixels({0, 0, mWidth, mHeight}, pixels));
    return pixels.size() == static_cast<std::size_t>(mWidth * mHeight)
               ? pixels[static_cast<std::size_t>(y * mWidth + x)]
               : 0;
  }

  // Moves the application's clock to ms and runs one idle pass of the application.
  void IdleAt(std::uint32_t ms) {
    mApp->mMilliseconds = ms;
    static_cast<void>(mApp->ProcessIdle(true));
  }

  OffscreenWindowSystem mSystem;
  Platform::AppHost mHost;
  Platform::InputSimulator mSimulator;
  RCPtr<LControlFactory> mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
  RCPtr<TestFrameworkApp> mApp;
  OSWindow* mWindow = nullptr;
  Platform::WindowId mId = Platform::kNoWindow;
  RCPtr<LControl> mMain;
  std::int32_t mWidth = 0;
  std::int32_t mHeight = 0;
};

} // namespace QZ::test
