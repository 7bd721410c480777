// A control tree from a skin file drawn by the GDI+-role renderer into an
// in-memory window, saved as PNG and compared with a reference picture.

#include "QZFramework/ControlBase/SkinnedTreeFixture.h"

#include "Platform/Graphics2D/Image.h"
#include "Platform/Graphics2D/WindowTarget.h"
#include "QZFramework/Renderer/Gdi/GDIRenderer.h"
#include "Support/GDIRendererTestSupport.h"
#include "Support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

namespace QZ {
namespace {

constexpr std::int32_t kWidth = 200;
constexpr std::int32_t kHeight = 100;

class ControlPaintingTest : public test::SkinnedTreeFixture {
protected:
  void SetUp() override {
    SkinnedTreeFixture::SetUp();
    mApp.mRenderer = mGdi;
    RCPtr<LRenderContextInfo> context;
    ASSERT_EQ(mGdi->InitRenderContextInfo({0, 0, kWidth, kHeight}, &mScreen, false, context), S_OK);
    mGdiContext = context;
    const std::string skins = test::Narrow(test::FixtureFolder()) + "/RenderTree.xml";
    ASSERT_EQ(mFactory->LoadSkins(WideString(skins.c_str())), S_OK);
  }
  void TearDown() override {
    mGdiContext = nullptr;
    SkinnedTreeFixture::TearDown();
  }

  // One frame of the whole window, presented.
  void Frame(const RCPtr<LControl>& top) {
    test::SetDirty(*mGdiContext, {{0, 0, kWidth, kHeight}});
    ASSERT_EQ(mGdi->RenderStart(mGdiContext), S_OK);
    Region damaged;
    damaged.AddRect({0, 0, kWidth, kHeight});
    Paint(top, damaged, RCPtr<LRenderer>(mGdi));
    ASSERT_EQ(mGdi->RenderFinish(mGdiContext), S_OK);
  }

  Platform::MemoryWindow mScreen{kWidth, kHeight, 0xFF000000};
  RCPtr<LGDIRenderer> mGdi = MakeRCPtr<LGDIRenderer>();
  RCPtr<LRenderContextInfo> mGdiContext;
};

TEST_F(ControlPaintingTest, TreeFromTheSkinFileMatchesTheReferencePicture) {
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  ASSERT_TRUE(main);
  ASSERT_EQ(main->GetBounds(), (RectT<double>{0, 0, kWidth, kHeight}));
  // The second look of "pair" replaces the first.
  ASSERT_EQ(Find(main, {u"pair"})->SelectLook(1), S_OK);
  Frame(main);

  const struct {
    int x, y;
    std::uint32_t colour;
    const char* why;
  } probes[] = {
      {5, 5, test::kGray, "the top-level control"},
      {20, 20, test::kRed, "a alone"},
      {50, 50, test::kRed, "a over b by Z_Order"},
      {80, 80, test::kGreen, "b alone"},
      {110, 10, test::kBlue, "the panel"},
      {145, 45, test::kWhite, "the panel's child within the panel"},
      {165, 45, test::kGray, "the panel's child clipped by the panel"},
      {170, 75, test::kRed, "the floating child over a later sibling, outside its parent"},
      {190, 90, test::kGreen, "the later sibling"},
      {15, 75, test::kBlue, "the look of weight 1; the one of weight 0 is not drawn"},
      {125, 80, test::kWhite, "a child within its parent look's client area"},
      {145, 90, test::kGray, "the inset look's margin clips its child"},
  };
  for (const auto& probe : probes) {
    SCOPED_TRACE(probe.why);
    EXPECT_EQ(mScreen.GetPixel(probe.x, probe.y), probe.colour) << probe.x << ", " << probe.y;
  }

  // Saved, read back, and compared with the reference pixel by pixel.
  test::TempFolder folder;
  const std::string written = folder.File("RenderTree.png");
  const std::unique_ptr<Platform::Image> picture = mScreen.ToImage();
  ASSERT_TRUE(picture);
  ASSERT_EQ(picture->SavePngFile(written.c_str()), Platform::ImageStatus::Ok);
  const std::unique_ptr<Platform::Image> saved = Platform::Image::LoadPngFile(written.c_str());
  const std::string referencePath = test::Narrow(test::FixtureFolder()) + "/RenderTree.png";
  const std::unique_ptr<Platform::Image> reference = Platform::Image::LoadPngFile(referencePath.c_str());
  ASSERT_TRUE(saved && reference);
  ASSERT_EQ(saved->GetWidth(), reference->GetWidth());
  ASSERT_EQ(saved->GetHeight(), reference->GetHeight());
  int differing = 0;
  for (std::int32_t y = 0; y < kHeight; ++y) {
    for (std::int32_t x = 0; x < kWidth; ++x) {
      std::uint32_t got = 0;
      std::uint32_t want = 0;
      saved->GetPixel(x, y, got);
      reference->GetPixel(x, y, want);
      if (got != want && differing++ < 5)
        ADD_FAILURE() << "pixel " << x << ", " << y << ": " << std::hex << got << " instead of " << want;
    }
  }
  EXPECT_EQ(differing, 0);
}

TEST_F(ControlPaintingTest, ARepaintOfTheDamagedAreaOnlyRedrawsIt) {
  const RCPtr<test::SkinnedControl> main = Open(u"main");
  Frame(main);
  // "a" turns green; only the invalidated area is damaged and drawn again.
  mWindow->mInvalidated.clear();
  const RCPtr<test::SkinnedControl> a = Find(main, {u"a"});
  a->SetVisible(false);
  ASSERT_EQ(mWindow->mInvalidated.size(), 1u);
  const RectT<std::int32_t> r = mWindow->mInvalidated[0];
  test::SetDirty(*mGdiContext, {r});
  ASSERT_EQ(mGdi->RenderStart(mGdiContext), S_OK);
  Region damaged;
  damaged.AddRect({r.x, r.y, r.x + r.width, r.y + r.height});
  Paint(main, damaged, RCPtr<LRenderer>(mGdi));
  ASSERT_EQ(mGdi->RenderFinish(mGdiContext), S_OK);
  EXPECT_EQ(mScreen.GetPixel(20, 20), test::kGray) << "a is gone";
  EXPECT_EQ(mScreen.GetPixel(80, 80), test::kGreen) << "b still there";
  EXPECT_EQ(mScreen.GetPixel(50, 50), test::kGreen) << "b shows where a was over it";
}

} // namespace
} // namespace QZ
