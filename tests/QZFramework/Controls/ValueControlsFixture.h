#pragma once
// The numeric up-down and slider tests' fixture: the scroll skins' looks with
// the value controls registered, and skin entries for an up-down (a text box
// and two step buttons) and for sliders whose markers the test places
// (ValueControlsSkin.h).

#include "QZFramework/Controls/ScrollFixture.h"
#include "QZFramework/Controls/ValueControlsSkin.h"

#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Controls/NumericUpDown.h"
#include "QZFramework/Controls/Slider.h"
#include "QZFramework/Controls/TextBox.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ::test {

class ValueControlsFixture : public ScrollFixture {
protected:
  // The scroll looks, the value classes and one top-level "main" holding the entries.
  void OpenMain(const std::string& entries) {
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.TextBox"), &LTextBox::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.NumericUpDown"), &LNumericUpDown::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.Slider"), &LSlider::Create);
    LoadScrollSkin(ValueControlsDocument(entries));
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
