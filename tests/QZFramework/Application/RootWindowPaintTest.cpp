// A window hosting a control tree from a skin paints it through the GDI+-role
// renderer: z order, clipping to the parent, floating controls on top in
// their Z_Order, and a screenshot of the result.

#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Application/SkinWindowFixture.h"

#include "Platform/App/AppHost.h"
#include "Platform/Graphics2D/Image.h"
#include "QZFramework/ControlBase/SkinnedControl.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/TempFolder.h"
#include "Support/TestFrameworkApp.h"
#include "Support/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 200;
constexpr std::int32_t kHeight = 100;
constexpr std::uint32_t kRed = 0xFFFF0000;
constexpr std::uint32_t kGreen = 0xFF00FF00;
constexpr std::uint32_t kBlue = 0xFF0000FF;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kGray = 0xFF808080;

// The skin file's looks with other skins.
std::string WithSkins(const std::string& skins) { return test::WithSkins(test::RenderTreeSkinText(), skins); }

std::string Sub(const std::string& name, const std::string& looks, const std::string& attributes,
                const std::string& children = "") {
  return "<SubControl Class=\"Test.Skinned\" Name=\"" + name + "\" " + attributes + "><Skin Name=\"" + name +
         "Skin\" LookList=\"" + looks + "\">" + children + "</Skin></SubControl>";
}

std::string At(int x, int y, int width, int height) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(width) + "\" YSizeAbs=\"" + std::to_string(height) + "\"";
}

class RootWindowPaintTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mSystem.IsStarted());
    ASSERT_TRUE(mHost.InitApplication());
    test::SkinnedControl::sLive = 0;
    test::SkinnedControl::Register(*mFactory);
    mApp = MakeRCPtr<test::TestFrameworkApp>(mFactory, MakeRCPtr<LStringTable>(LStringTable::Entries()), mHost);
  }
  void TearDown() override {
    mMain = RCPtr<LControl>();
    if (mWindow)
      mWindow->DestroyWindow();
    mApp = RCPtr<test::TestFrameworkApp>();
    test::OffscreenWindowSystem::TakeWindowEvents();
    EXPECT_EQ(test::SkinnedControl::sLive, 0) << "controls left alive";
    LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
  }

  // A window of kWidth x kHeight with the GDI+-role renderer, showing "main".
  void Open(const std::string& document) {
    const std::string text = document;
    ASSERT_EQ(mFactory->LoadSkinsFromText(
                  std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())),
              S_OK);
    OSWindow::SCreateParams params;
    params.clientBounds = {100, 100, kWidth, kHeight};
    mWindow = OSWindow::Create(params);
    ASSERT_NE(mWindow, nullptr);
    ASSERT_EQ(mWindow->CreateRenderer(kRendererTypeGDIPlus), S_OK);
    ASSERT_TRUE(mWindow->GetRootWindow());
    ASSERT_EQ(mWindow->GetRootWindow()->SetRootControlByName(WideString(u"main")), S_OK);
    mMain = mWindow->GetRootWindow()->GetRootControl();
    ASSERT_TRUE(mMain);
    static_cast<void>(mMain->UpdateLayout());
    ASSERT_EQ(mMain->GetBounds(), (RectT<double>{0, 0, kWidth, kHeight}));
  }

  // Paints what became invalid and reads the window's pixels back.
  void PaintAndRead() {
    EXPECT_TRUE(OSWindow::PumpWindowEvents());
    ASSERT_TRUE(mWindow->GetPlatformWindow().ReadPixels({0, 0, kWidth, kHeight}, mPixels));
    ASSERT_EQ(mPixels.size(), static_cast<std::size_t>(kWidth * kHeight));
  }
  std::uint32_t Pixel(int x, int y) const { return mPixels[static_cast<std::size_t>(y * kWidth + x)]; }

  RCPtr<LControl> Find(const std::vector<const char16_t*>& path) const {
    RCPtr<LControl> control = mMain;
    for (const char16_t* name : path)
      control = control ? control->FindChild(WideString(name)) : RCPtr<LControl>();
    return control;
  }

  struct Probe {
    int x, y;
    std::uint32_t colour;
    const char* why;
  };
  void Check(const std::vector<Probe>& probes) const {
    for (const Probe& probe : probes) {
      SCOPED_TRACE(probe.why);
      EXPECT_EQ(Pixel(probe.x, probe.y), probe.colour)
          << std::hex << Pixel(probe.x, probe.y) << std::dec << " at " << probe.x << ", " << probe.y;
    }
  }

  test::OffscreenWindowSystem mSystem;
  Platform::AppHost mHost;
  RCPtr<LControlFactory> mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
  RCPtr<test::TestFrameworkApp> mApp;
  OSWindow* mWindow = nullptr;
  RCPtr<LControl> mMain;
  std::vector<std::uint32_t> mPixels;
};

TEST_F(RootWindowPaintTest, TheTreeIsDrawnInZOrderClippedAndWithTheFloatingChildOnTop) {
  Open(test::RenderTreeSkinText());
  ASSERT_EQ(mWindow->GetRootWindow()->RedrawNow(), S_OK);
  PaintAndRead();
  Check({
      {5, 5, kGray, "the root control"},
      {20, 20, kRed, "a alone"},
      {50, 50, kRed, "a over b by Z_Order"},
      {80, 80, kGreen, "b alone"},
      {110, 10, kBlue, "the panel"},
      {145, 45, kWhite, "the panel's child within the panel"},
      {165, 45, kGray, "the panel's child clipped by the panel"},
      {155, 55, kRed, "the floating child over its parent's clipped child"},
      {170, 75, kRed, "the floating child over a later sibling of higher Z_Order, outside its parent"},
      {190, 90, kGreen, "the later sibling"},
      {125, 80, kWhite, "a child within its parent look's client area"},
      {145, 90, kGray, "the inset look's margin clips its child"},
  });

  // A repaint of a small area that only the floating child covers draws it again, on top.
  const RCPtr<LControl> floater = Find({u"panel", u"floater"});
  ASSERT_TRUE(floater);
  ASSERT_EQ(floater->InvalidateRect({15, 15, 10, 10}, false), S_OK);
  PaintAndRead();
  EXPECT_EQ(Pixel(170, 70), kRed);

  // A screenshot of the window, read back.
  test::TempFolder folder;
  const std::unique_ptr<Platform::Image> image = Platform::Image::Create(kWidth, kHeight);
  ASSERT_TRUE(image);
  for (std::int32_t y = 0; y < kHeight; ++y) {
    for (std::int32_t x = 0; x < kWidth; ++x)
      ASSERT_EQ(image->SetPixel(x, y, Pixel(x, y)), Platform::ImageStatus::Ok);
  }
  const std::string path = folder.File("window.png");
  ASSERT_EQ(image->SavePngFile(path.c_str()), Platform::ImageStatus::Ok);
  const std::unique_ptr<Platform::Image> loaded = Platform::Image::LoadPngFile(path.c_str());
  ASSERT_TRUE(loaded);
  std::uint32_t argb = 0;
  ASSERT_EQ(loaded->GetPixel(170, 75, argb), Platform::ImageStatus::Ok);
  EXPECT_EQ(argb, kRed);
}

TEST_F(RootWindowPaintTest, FloatingControlsFromAllOverTheTreeAreDrawnByAStableZOrder) {
  // Collected in tree order: g1 and g2 (Z_Order 3, under two panels), then h
  // (Z_Order 1, a direct child). Drawn h, g1, g2: h lowest although collected
  // last, and of the two equal ones the one collected later on top.
  const std::string floating = "ClipToParent=\"False\"";
  const std::string skins = "<Skin Name=\"Layers\">" +
                            Sub("main", "Gray", At(0, 0, kWidth, kHeight),
                                Sub("p1", "White", At(0, 0, 40, 40),
                                    Sub("g1", "Red", At(30, 30, 40, 40) + " Z_Order=\"3\" " + floating)) +
                                    Sub("p2", "White", At(100, 0, 40, 40),
                                        Sub("g2", "Green", At(-50, 50, 40, 40) + " Z_Order=\"3\" " + floating)) +
                                    Sub("h", "Blue", At(20, 20, 100, 70) + " Z_Order=\"1\" " + floating)) +
                            "</Skin>";
  Open(WithSkins(skins));
  ASSERT_EQ(mWindow->GetRootWindow()->RedrawNow(), S_OK);
  PaintAndRead();
  Check({
      {25, 25, kBlue, "h over p1, which draws before every floating control"},
      {35, 35, kRed, "g1 over h"},
      {60, 60, kGreen, "g2 over g1 at equal Z_Order: collected later"},
      {110, 80, kBlue, "h alone"},
      {120, 10, kWhite, "p2"},
      {150, 10, kGray, "the root control"},
  });
}

} // namespace
} // namespace QZ
