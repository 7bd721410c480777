#pragma once
// Parts and looks read from a small skin through the factory, with a measuring
// renderer as the application's renderer and a render context to draw into.
//
// Looks (all drawn 100 x 30 unless a test says otherwise):
// - "Framed": client part "Fill" (blue) with offsets 1, 1, -5, -6; three "Cap"
//   (red, 5 x 4) non-client parts: top-right, a top line of height 1 ending 5
//   before the right edge, and one with no offsets (centred); text from x 10 to
//   W - 10 and y 2 to H - 2, coloured by "Ink" (red).
// - "Plain": "Fill" over the whole look, no text properties.
// - "Label": text over the middle half of the width (a relative span of 0.5)
//   and the whole height; "FixedText": text from x 2 to 30, 14 high, whatever
//   the size.
// - "Huge": client offsets larger than the look.
// Parts: "Picture" is the 8 x 8 rectangle at (0, 10) of the fixture sheet,
// tiled; "Dot" a centred red 10 x 10 colour; "Invisible" a colour of alpha 0;
// "Missing" a picture that does not load.

#include "QZFramework/ControlBase/ControlTreeFixture.h"
#include "QZFramework/ControlBase/MeasuringRenderer.h"

#include "QZFramework/ControlBase/Look.h"
#include "QZFramework/ControlBase/VisualPart.h"
#include "QZFramework/Renderer/Font.h"
#include "QZFramework/Utilities/Graphics/Region.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ::test {

inline const char* kLookSkin = R"(
<Colorizers>
  <Colorizer Name="Red" ColorType="SolidFill" Color="FFFF0000"/>
  <Colorizer Name="Blue" ColorType="SolidFill" Color="FF0000FF"/>
  <Colorizer Name="Clear" ColorType="SolidFill" Color="00FF0000"/>
</Colorizers>
<Parts>
  <Part Name="Fill" ColorizerName="Blue" Width="10" Height="10" ResizeType="Stretch"/>
  <Part Name="Cap" ColorizerName="Red" Width="5" Height="4" ResizeType="Stretch"/>
  <Part Name="Dot" ColorizerName="Red" Width="10" Height="10" ResizeType="Center"/>
  <Part Name="Invisible" ColorizerName="Clear" Width="10" Height="10" ResizeType="Stretch"/>
  <Part Name="Ink" ColorizerName="Red" Width="1" Height="1" ResizeType="Stretch"/>
  <Part Name="Picture" ImageFile="arp_on.png" ImageLocX="0" ImageLocY="10" Width="8" Height="8"
        ResizeType="Tile"/>
  <Part Name="Missing" ImageFile="not_there.png" ImageLocX="0" ImageLocY="0" Width="8" Height="8"
        ResizeType="Tile"/>
</Parts>
<Looks>
  <Look Name="Framed">
    <ClientPart Name="Fill" OffsetLeft="1" OffsetTop="1" OffsetRight="-5" OffsetBottom="-6"/>
    <NonClientParts Name="frame">
      <NonClientPart Name="Cap" OffsetTop="0" OffsetRight="0"/>
      <NonClientPart Name="Cap" OffsetLeft="0" OffsetTop="0" OffsetRight="-5" Height="1"/>
      <NonClientPart Name="Cap"/>
    </NonClientParts>
    <TextProperties TextLeftRel="0" TextLeftAbs="10" TextRightRel="1" TextRightAbs="-10" TextHAlign="0"
                    TextTopRel="0" TextTopAbs="2" TextBottomRel="1" TextBottomAbs="-2" TextVAlign="0"
                    TextForegroundPart="Ink"/>
  </Look>
  <Look Name="Plain">
    <ClientPart Name="Fill" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0"/>
  </Look>
  <Look Name="Label">
    <ClientPart Name="Fill" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0"/>
    <TextProperties TextLeftRel="0.25" TextLeftAbs="0" TextRightRel="0.75" TextRightAbs="0" TextHAlign="0"
                    TextTopRel="0" TextTopAbs="0" TextBottomRel="1" TextBottomAbs="0" TextVAlign="0"
                    TextForegroundPart="Ink"/>
  </Look>
  <Look Name="FixedText">
    <ClientPart Name="Fill" OffsetLeft="0" OffsetTop="0" OffsetRight="0" OffsetBottom="0"/>
    <TextProperties TextLeftRel="0" TextLeftAbs="2" TextRightRel="0" TextRightAbs="30" TextHAlign="0"
                    TextTopRel="0" TextTopAbs="0" TextBottomRel="0" TextBottomAbs="14" TextVAlign="0"
                    TextForegroundPart="Ink"/>
  </Look>
  <Look Name="Huge">
    <ClientPart Name="Fill" OffsetLeft="200" OffsetTop="40" OffsetRight="0" OffsetBottom="0"/>
  </Look>
</Looks>
)";

class LookFixture : public ControlTreeFixture {
protected:
  void SetUp() override {
    ControlTreeFixture::SetUp();
    mApp.mRenderer = mRenderer;
    mFactory->SetResourceFolder(WideString(u"::")); // pictures from the embedded resources
    ASSERT_EQ(mFactory->LoadSkinsFromText(Bytes(SkinDocument(kLookSkin))), S_OK);
  }
  void TearDown() override {
    if (mRenderer->GetCurrentContext()) {
      EXPECT_EQ(mRenderer->RenderFinish(mContext), S_OK);
    }
    ControlTreeFixture::TearDown();
  }

  RCPtr<LLook> MakeLook(const char16_t* name, SizeT<std::int32_t> size = {100, 30}, bool wrap = false) {
    RCPtr<LLook> look = LLook::Create(mFactory->FindLook(WideString(name)), wrap);
    look->SetSize(size);
    return look;
  }
  RCPtr<LVisualPart> Part(const char16_t* name) { return mFactory->FindPart(WideString(name))->GetVisualPart(); }
  void StartFrame() { ASSERT_EQ(mRenderer->RenderStart(mContext), S_OK); }
  static Region Damaged(const EdgeRect& rect) {
    Region region;
    region.AddRect(rect);
    return region;
  }
  // A font of its own, so no other test resolved its metrics with another renderer.
  static RCPtr<LFont> TestFont() { return LFont::GetFont(WideString(u"Look Test Face"), 9.0f, 0); }

  RCPtr<MeasuringRenderer> mRenderer = MakeRCPtr<MeasuringRenderer>();
  RCPtr<LRenderContextInfo> mContext = MakeRCPtr<TestRenderContext>();
};

} // namespace QZ::test
