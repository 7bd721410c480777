#include "QZFramework/ControlBase/LookFixture.h"

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Renderer/ResizeType.h"
#include "QZFramework/Utilities/Graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <vector>

namespace QZ {
namespace {

using test::TestControl;
using Bounds = RectT<double>;

// A 100 x 30 control with looks "Framed", null, "Plain" (in that order).
class ControlLooksTest : public test::LookFixture {
protected:
  void SetUp() override {
    LookFixture::SetUp();
    mControl = Make(RCPtr<LControl>(), u"control");
    mControl->SetLayout(MakeRCPtr<LLayoutDescriptor>());
    mControl->AddLook(LLook::Create(mFactory->FindLook(WideString(u"Framed")), false));
    mControl->AddLook(RCPtr<LLook>());
    mControl->AddLook(LLook::Create(mFactory->FindLook(WideString(u"Plain")), false));
    mControl->SetBounds({0, 0}, {100, 30});
    mControl->mInvalidated.clear();
  }
  void TearDown() override {
    mControl = nullptr;
    LookFixture::TearDown();
  }
  std::vector<float> Weights() const {
    std::vector<float> weights;
    for (std::uint32_t i = 0; i < mControl->GetLookCount(); ++i)
      weights.push_back(mControl->GetLookWeight(i));
    return weights;
  }
  std::size_t Invalidations() const { return mControl->mInvalidated.size(); }

  RCPtr<TestControl> mControl;
};

TEST_F(ControlLooksTest, WeightsChooseTheLookShown) {
  EXPECT_EQ(Weights(), (std::vector<float>{0, 0, 0}));
  EXPECT_EQ(mControl->GetFirstVisibleLookIndex(), -1);
  EXPECT_EQ(mControl->GetLook(7).GetRaw(), mControl->GetLook(0).GetRaw()); // none weighted: the first there is
  EXPECT_FALSE(mControl->GetLook(1));

  EXPECT_EQ(mControl->SelectLook(2), S_OK);
  EXPECT_EQ(Invalidations(), 1u);
  EXPECT_EQ(mControl->GetLook(7).GetRaw(), mControl->GetLook(2).GetRaw());
  EXPECT_EQ(mControl->GetLook(-1).GetRaw(), mControl->GetLook(2).GetRaw());
  EXPECT_EQ(mControl->GetFirstVisibleLookIndex(), 2);
  EXPECT_EQ(mControl->GetClientRect(), (Bounds{0, 0, 100, 30}));

  EXPECT_EQ(mControl->SelectLook(2), S_OK); // already so: nothing to repaint
  EXPECT_EQ(mControl->SetLookWeight(0, 1.5f, false), S_OK);
  EXPECT_EQ(Invalidations(), 1u);
  EXPECT_EQ(mControl->SetLookWeight(0, 0.5f, true), S_OK);
  EXPECT_EQ(Weights(), (std::vector<float>{0.5f, 0, 0}));
  EXPECT_EQ(Invalidations(), 2u);
  EXPECT_EQ(mControl->GetClientRect(), (Bounds{1, 1, 94, 23}));
  EXPECT_EQ(mControl->GetLookClientRect(0), (Bounds{1, 1, 94, 23}));
  EXPECT_EQ(mControl->GetLookClientRect(1), (Bounds{0, 0, 100, 30})); // no look there
  EXPECT_EQ(mControl->SetLookWeight(3, 1.0f, true), E_INVALIDARG);
  EXPECT_EQ(mControl->SetLookWeight(-1, 1.0f, true), E_INVALIDARG);
}

TEST_F(ControlLooksTest, ImagesForegroundsAndColours) {
  mControl->SelectLook(2);
  mControl->mInvalidated.clear();
  const RCPtr<LBitmap> picture = LBitmap::GetCachedBitmap(u"::arp_on.png")->CreateSubBitmap(0, 10, 8, 8);
  EXPECT_EQ(mControl->SetLookImage(picture, kResizeStretch, 0, false), S_OK); // look 0 is not shown
  EXPECT_EQ(Invalidations(), 0u);
  EXPECT_EQ(mControl->SetLookImage(picture, kResizeStretch, 2, true), S_OK);
  EXPECT_EQ(Invalidations(), 1u);
  EXPECT_EQ(mControl->SetLookImage(RCPtr<LBitmap>(), kResizeStretch, 2, true), S_OK);
  EXPECT_EQ(mControl->SetLookImage(RCPtr<LBitmap>(), kResizeStretch, 2, true), S_FALSE);
  EXPECT_EQ(Invalidations(), 2u);

  EXPECT_EQ(mControl->SetLookTextForegroundPart(Part(u"Cap"), 2), S_OK);
  EXPECT_EQ(mControl->SetLookTextForegroundPart(RCPtr<LVisualPart>(), 2), E_INVALIDARG);
  EXPECT_EQ(mControl->GetLookColorAtPoint({97, 1}, 0), 0xFFFF0000u);
  EXPECT_EQ(mControl->GetLookColorAtPoint({97, 1}, 2), 0xFF0000FFu);

  const RCPtr<TestControl> bare = Make(RCPtr<LControl>(), u"bare");
  EXPECT_EQ(bare->SetLookImage(picture, kResizeStretch, 0, false), E_FAIL);
  EXPECT_EQ(bare->SetLookTextForegroundPart(Part(u"Cap"), 0), E_FAIL);
  EXPECT_EQ(bare->GetLookColorAtPoint({1, 1}, 0), 0x00FFFFFFu);
}

TEST_F(ControlLooksTest, Regions) {
  Region left;
  left.AddRect({0, 0, 40, 30});
  EXPECT_EQ(mControl->SetLookRegion(0, left), S_OK);
  EXPECT_EQ(mControl->SetLookRegionExcluding(2, 0), S_OK);
  EXPECT_EQ(Invalidations(), 2u);
  EdgeRect bounds;
  ASSERT_TRUE(mControl->GetLook(2)->GetRegion().GetBounds(bounds));
  EXPECT_EQ(bounds, (EdgeRect{40, 0, 100, 30}));

  EXPECT_EQ(mControl->SetLookRegion(1, left), E_INVALIDARG);
  EXPECT_EQ(mControl->SetLookRegionExcluding(0, 1), E_INVALIDARG);
  mControl->ClearLookRegion(0);
  EXPECT_TRUE(mControl->GetLook(0)->GetRegion().IsEmpty());
  EXPECT_FALSE(mControl->GetLook(2)->GetRegion().IsEmpty());
  mControl->ClearLookRegions();
  EXPECT_TRUE(mControl->GetLook(2)->GetRegion().IsEmpty());
  EXPECT_EQ(Invalidations(), 2u);
}

TEST_F(ControlLooksTest, TextReachesEveryLookOnce) {
  mControl->SelectLook(0);
  mControl->SetFont(TestFont());
  mControl->mInvalidated.clear();
  EXPECT_EQ(mControl->SetText(WideString(u"abcdefghij")), S_OK);
  EXPECT_EQ(mControl->SetText(WideString(u"abcdefghij")), S_FALSE);
  EXPECT_EQ(Invalidations(), 1u);
  EXPECT_TRUE(mControl->GetLook(0)->GetTextBlock()->GetText().IsEqual(u"abcdefghij"));
  EXPECT_TRUE(mControl->GetLook(2)->GetTextBlock().IsNull()); // a look without text properties has no block
}

TEST_F(ControlLooksTest, TruncationComparesTheFirstLineWithTheTextArea) {
  mControl->SelectLook(0); // text area 80 wide
  mControl->SetFont(TestFont());
  struct Case {
    const char16_t* text;
    bool truncated;
  } cases[] = {{u"abcdefgh", false}, {u"abcdefghi", true}, {u"ab\nabcdefghijkl", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(WideString(c.text).ToNarrow().GetChars());
    mControl->SetText(WideString(c.text));
    EXPECT_EQ(mControl->IsTextTruncated(), c.truncated);
  }
  // A look without text properties counts any text as cut off.
  mControl->SelectLook(2);
  EXPECT_TRUE(mControl->IsTextTruncated());
  mControl->SetText(WideString());
  EXPECT_FALSE(mControl->IsTextTruncated());
}

TEST_F(ControlLooksTest, TopLevelTextIsTheWindowTitle) {
  test::FakeWindowOSServices os;
  const RCPtr<test::FakeRootWindow> root = MakeRCPtr<test::FakeRootWindow>(&os);
  root->SetRootControl(mControl);
  EXPECT_TRUE(mControl->ApplyText(WideString(u"Title"), false));
  EXPECT_TRUE(os.mTitle.IsEqual(u"Title"));
  EXPECT_FALSE(mControl->ApplyText(WideString(u"Title"), false));
  root->SetRootControl(RCPtr<LControl>());
}

TEST_F(ControlLooksTest, FontsFlowDownToChildrenThatTakeThemFromTheParent) {
  mApp.mDefaultFont = LFont::GetFont(WideString(u"Default Face"), 9.0f, 0);
  const RCPtr<TestControl> child = Make(mControl, u"child");
  child->SetFontFlags(true, true);
  EXPECT_EQ(mControl->SetFontSpec(WideString(), 12.0f, kNoFontStyle, false), S_OK);
  const RCPtr<LFont> parentFont = mControl->GetFontRef();
  EXPECT_TRUE(parentFont->GetFace().IsEqual(u"Default Face"));
  EXPECT_EQ(parentFont->GetSize(), 12.0f);

  EXPECT_EQ(child->SetFontSpec(WideString(), 0.5f, kNoFontStyle, true), S_OK);
  EXPECT_EQ(child->GetFontRef()->GetSize(), 6.0f);
  EXPECT_EQ(mControl->SetFontSpec(WideString(u"Other Face"), 20.0f, 1, false), S_OK);
  EXPECT_TRUE(child->GetFontRef()->GetFace().IsEqual(u"Other Face"));
  EXPECT_EQ(child->GetFontRef()->GetSize(), 10.0f);
  EXPECT_EQ(child->GetFontRef()->GetStyle(), 1);
  EXPECT_EQ(mControl->SetFont(RCPtr<LFont>()), E_INVALIDARG);
  EXPECT_EQ(mControl->SetFont(mControl->GetFontRef()), S_FALSE);
  EXPECT_EQ(mControl->GetLook(0)->GetTextBlock()->GetFont().GetRaw(), mControl->GetFontRef().GetRaw());
  mApp.mDefaultFont = nullptr;
}

} // namespace
} // namespace QZ
