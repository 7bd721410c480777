#include "QZFramework/ControlBase/ControlDescriptor.h"
#include "QZFramework/ControlBase/LayoutDescriptor.h"
#include "QZFramework/ControlBase/LookDescriptor.h"

#include <gtest/gtest.h>

namespace QZ {
namespace {

TEST(LayoutDescriptor, NewLayoutIsSixteenByFortySelfSizedInTheClientArea) {
  const LLayoutDescriptor layout;
  EXPECT_TRUE(layout.mClipToParent);
  EXPECT_TRUE(layout.mVisible);
  EXPECT_TRUE(layout.mEnabled);
  EXPECT_EQ(layout.mZOrder, 0);
  EXPECT_EQ(layout.mTabStop, 0);
  EXPECT_EQ(layout.mLayoutOrder, 0);
  EXPECT_EQ(layout.mTextOverflowX, kTextOverflowClip);
  EXPECT_EQ(layout.mTextOverflowY, kTextOverflowClip);
  EXPECT_TRUE(layout.mTextDecoration.IsEmpty());
  for (int axis = 0; axis < 2; ++axis) {
    SCOPED_TRACE(axis);
    EXPECT_EQ(layout.mPlacement[axis].mReference, kPositionClient);
    EXPECT_EQ(layout.mPlacement[axis].mAnchor, 0.0f);
    EXPECT_FALSE(layout.mPlacement[axis].mDocked);
    EXPECT_EQ(layout.mSize[axis].mReference, kSizeSelf);
    EXPECT_FALSE(layout.mMinSize[axis].mRelativeToControl);
    EXPECT_FALSE(layout.mMaxSize[axis].mRelativeToControl);
  }
  EXPECT_EQ(layout.mSize[LLayoutDescriptor::kAxisX].mAbsolute, 16.0);
  EXPECT_EQ(layout.mSize[LLayoutDescriptor::kAxisY].mAbsolute, 40.0);
}

TEST(LayoutDescriptor, GetAxisLayoutCopiesOneAxisAndRefusesOthers) {
  LLayoutDescriptor layout;
  layout.mPlacement[1] = AxisPlacement{0.5f, kPositionControl, u"knob", 0.25f, 12.0, true};
  layout.mSize[1] = SizeSpec{kSizeControl, u"panel", 0.75f, 3.0};

  AxisPlacement placement;
  SizeSpec size;
  ASSERT_EQ(layout.GetAxisLayout(LLayoutDescriptor::kAxisY, placement, size), S_OK);
  EXPECT_EQ(placement.mAnchor, 0.5f);
  EXPECT_EQ(placement.mReference, kPositionControl);
  EXPECT_TRUE(placement.mReferenceName.IsEqual(u"knob"));
  EXPECT_EQ(placement.mRelative, 0.25f);
  EXPECT_EQ(placement.mAbsolute, 12.0);
  EXPECT_TRUE(placement.mDocked);
  EXPECT_EQ(size.mReference, kSizeControl);
  EXPECT_TRUE(size.mReferenceName.IsEqual(u"panel"));
  EXPECT_EQ(size.mAbsolute, 3.0);

  ASSERT_EQ(layout.GetAxisLayout(LLayoutDescriptor::kAxisX, placement, size), S_OK);
  EXPECT_EQ(placement.mReference, kPositionClient);
  EXPECT_EQ(size.mAbsolute, 16.0);

  for (const std::int32_t axis : {2, -1}) {
    SCOPED_TRACE(axis);
    AxisPlacement untouched{9.0f, 7, u"keep", 1.0f, 2.0, true};
    SizeSpec untouchedSize{5, u"keep", 1.0f, 2.0};
    EXPECT_EQ(layout.GetAxisLayout(axis, untouched, untouchedSize), E_INVALIDARG);
    EXPECT_EQ(untouched.mAnchor, 9.0f);
    EXPECT_EQ(untouched.mReference, 7);
    EXPECT_EQ(untouchedSize.mReference, 5);
  }
}

TEST(LayoutDescriptor, CloneIsAnIndependentCopy) {
  RCPtr<LLayoutDescriptor> layout = MakeRCPtr<LLayoutDescriptor>();
  layout->mVisible = false;
  layout->mLayoutOrder = 7;
  layout->mMinSize[0] = SizeLimitSpec{true, u"other", 0.5f, 10.0};
  RCPtr<LLayoutDescriptor> clone = layout->Clone();
  ASSERT_TRUE(clone);
  EXPECT_NE(clone.Get(), layout.Get());
  EXPECT_EQ(clone->GetRefCount(), 1);
  EXPECT_FALSE(clone->mVisible);
  EXPECT_EQ(clone->mLayoutOrder, 7);
  EXPECT_TRUE(clone->mMinSize[0].mControlName.IsEqual(u"other"));
  clone->mVisible = true;
  EXPECT_FALSE(layout->mVisible);
}

TEST(ControlDescriptor, CloneSharesEverythingButTheChildArrayAndName) {
  RCPtr<LControlDescriptor> parent = MakeRCPtr<LControlDescriptor>(u"Application", u"App", nullptr);
  RCPtr<LControlDescriptor> item =
      MakeRCPtr<LControlDescriptor>(u"Framework.ListItem", u"templateItem", parent.Get());
  RCPtr<LControlDescriptor> child = MakeRCPtr<LControlDescriptor>(u"Framework.Label", u"text", item.Get());
  item->AddChild(child);
  item->SetLayout(MakeRCPtr<LLayoutDescriptor>());
  item->SetSkin(MakeRCPtr<LSkinDescriptor>(u"itemSkin"));
  item->SetCreateParams(MakeRCPtr<LStringTable>());

  RCPtr<LControlDescriptor> same = item->Clone(WideString());
  EXPECT_TRUE(same->GetName().IsEqual(u"templateItem"));
  RCPtr<LControlDescriptor> clone = item->Clone(u"item3");
  EXPECT_TRUE(clone->GetName().IsEqual(u"item3"));
  EXPECT_TRUE(clone->GetClass().IsEqual(u"Framework.ListItem"));
  EXPECT_EQ(clone->GetParent(), parent.Get());
  EXPECT_EQ(clone->GetLayout().Get(), item->GetLayout().Get());
  EXPECT_EQ(clone->GetSkin().Get(), item->GetSkin().Get());
  EXPECT_EQ(clone->GetCreateParams().Get(), item->GetCreateParams().Get());
  ASSERT_EQ(clone->GetChildren().GetCount(), 1u);
  EXPECT_EQ(clone->GetChildren().GetAt(0).Get(), child.Get());

  // The child array is the clone's own.
  clone->AddChild(MakeRCPtr<LControlDescriptor>(u"Framework.Label", u"extra", clone.Get()));
  EXPECT_EQ(item->GetChildren().GetCount(), 1u);
  // Replacing the clone's layout leaves the template's.
  const LLayoutDescriptor* shared = item->GetLayout().Get();
  clone->SetLayout(MakeRCPtr<LLayoutDescriptor>());
  EXPECT_EQ(item->GetLayout().Get(), shared);
}

TEST(VisualPartDescriptor, AnImageTakesItsSizeFromTheImageSource) {
  const ImageSource image{u"::arp_on.png", 1, 2, 30, 20};
  const LVisualPartDescriptor picture(u"pic", image, kResizeTile, RCPtr<LColorizer>(), 99, 98, 1.0f,
                                      ImageSource());
  EXPECT_EQ(picture.GetWidth(), 30);
  EXPECT_EQ(picture.GetHeight(), 20);

  RCPtr<LColorizer> black = MakeRCPtr<LColorizer>(u"Black", LColorizer::kSolidFill, Color{0, 0, 0, 1});
  const LVisualPartDescriptor colour(u"fill", ImageSource(), kResizeStretch, black, 7, 5, 0.5f, ImageSource());
  EXPECT_EQ(colour.GetWidth(), 7);
  EXPECT_EQ(colour.GetHeight(), 5);
  EXPECT_TRUE(colour.GetImageSource().IsEmpty());
  EXPECT_EQ(colour.GetColorizer().Get(), black.Get());
  EXPECT_EQ(colour.GetAlphaModifier(), 0.5f);
}

TEST(Descriptors, NamedDescriptorsAreKnownByTheirNames) {
  EXPECT_TRUE(LLookDescriptor(u"Blank").ToString().IsEqual(u"Blank"));
  EXPECT_TRUE(LVisualPartDescriptor(u"Frame", ImageSource(), 0, RCPtr<LColorizer>(), 1, 1, 1.0f, ImageSource())
                  .ToString()
                  .IsEqual(u"Frame"));
  EXPECT_TRUE(LColorizer(u"Accent", LColorizer::kSolidFill, Color{}).ToString().IsEqual(u"Accent"));
}

TEST(LookDescriptor, TextPropertiesArePresentOnlyOnceSet) {
  LLookDescriptor look(u"Button");
  EXPECT_FALSE(look.HasTextProperties());
  EXPECT_FALSE(look.GetClientPart());
  RCPtr<LVisualPartDescriptor> part =
      MakeRCPtr<LVisualPartDescriptor>(u"fg", ImageSource(), 0, RCPtr<LColorizer>(), 1, 1, 1.0f, ImageSource());
  EXPECT_EQ(look.SetTextProperties(0.25f, 3, 1.0f, -3, 0.5f, 0.0f, 1, 1.0f, -1, 0.75f, part), S_OK);
  EXPECT_TRUE(look.HasTextProperties());
  const TextProperties& text = look.GetTextProperties();
  EXPECT_EQ(text.mLeftRel, 0.25f);
  EXPECT_EQ(text.mRightAbs, -3);
  EXPECT_EQ(text.mBottomAbs, -1);
  EXPECT_EQ(text.mVAlign, 0.75f);
  EXPECT_EQ(look.GetTextForegroundPart().Get(), part.Get());
}

} // namespace
} // namespace QZ
