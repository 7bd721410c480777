#pragma once
// The numeric up-down and slider tests' fixture: the scroll skins' looks with
// the value controls registered, and skin entries for an up-down (a text box
// and two step buttons) and for sliders whose markers the test places.

#include "QZFramework/Controls/ScrollFixture.h"
#include "QZFramework/Controls/ScrollSkin.h"

#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Controls/NumericUpDown.h"
#include "QZFramework/Controls/Slider.h"
#include "QZFramework/Controls/TextBox.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ::test {

inline std::string At(int x, int y, int width, int height) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(width) + "\" YSizeAbs=\"" + std::to_string(height) + "\"";
}

// An up-down of 100 by 20 at (x, y): "textBox" 80 wide, "buttonUp" and "buttonDown" stacked on its right.
inline std::string UpDownEntry(const std::string& name, int x, int y) {
  return ScrollPart("Framework.NumericUpDown", name, At(x, y, 100, 20), "Gray",
                    ScrollPart("Framework.TextBox", "textBox", At(0, 0, 80, 20), "BlueButton") +
                        ScrollPart("Framework.Button", "buttonUp", At(80, 0, 20, 10), "GreenButton") +
                        ScrollPart("Framework.Button", "buttonDown", At(80, 10, 20, 10), "GreenButton"));
}

// A slider of 240 by 100 at (x, y) with 20 by 20 markers at start and end (omitted when a coordinate is negative).
inline std::string SliderEntry(const std::string& name, int x, int y, int startX, int startY, int endX, int endY) {
  std::string markers;
  if (startX >= 0)
    markers += ScrollPart("Framework.Button", "thumbStart", At(startX, startY, 20, 20), "BlueButton");
  if (endX >= 0)
    markers += ScrollPart("Framework.Button", "thumbEnd", At(endX, endY, 20, 20), "BlueButton");
  return ScrollPart("Framework.Slider", name, At(x, y, 240, 100), "Channel", markers);
}

class ValueControlsFixture : public ScrollFixture {
protected:
  // The scroll looks, the value classes and one top-level "main" holding the entries.
  void OpenMain(const std::string& entries) {
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.TextBox"), &LTextBox::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.NumericUpDown"), &LNumericUpDown::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.Slider"), &LSlider::Create);
    LoadScrollSkin(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application Name=\"App\">" +
        ScrollLooks() + "<Skins><Skin Name=\"S\">" +
        ScrollPart("Test.Plain", "main", At(0, 0, 600, 400), "Gray", entries) +
        "</Skin></Skins></Application></Veskor_Skin_Definitions>");
    OpenTopLevel(u"main");
  }
  template <class T>
  RCPtr<T> Find(const char16_t* name) const {
    return DynamicCast<T>(mMain->FindChild(WideString(name)));
  }
  // A key to the focused control (pressed or released).
  void SendKey(std::uint8_t virtualKey, bool pressed, std::uint32_t modifiers = 0) {
    if (const RCPtr<LControl> focused = mWindow->mFocused)
      static_cast<UITarget*>(focused.GetRaw())
          ->OnKey(LKeyParam::Create(KeyCode(virtualKey, pressed, 0, modifiers), 1));
  }
};

} // namespace QZ::test
