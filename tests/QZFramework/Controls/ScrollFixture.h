#pragma once
// The scroll bar and scroll view tests' fixture: the scripted root window with
// the classes a scroll skin uses registered, and a top-level control built from
// the skin as the window's root control.

#include "QZFramework/Controls/ControlsFixture.h"

#include "QZFramework/ControlBase/ControlBaseTestSupport.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Controls/ScrollBar.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ::test {

class ScrollFixture : public ControlsFixture {
protected:
  // Registers the classes and loads the skin document.
  void LoadScrollSkin(const std::string& skin) {
    mFactory->RegisterControlCreateFunction(WideString(u"Test.Plain"), &CreateControlFromDescriptor<LControl>);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.Button"), &LButton::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.Label"), &LLabel::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.Panel"), &LPanel::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.ScrollChannel"), &LPanel::Create);
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.ScrollBar"), &LScrollbar::Create);
    ASSERT_EQ(mFactory->LoadSkinsFromText(Bytes(skin)), S_OK);
  }
  void TearDown() override {
    mMain = RCPtr<LControl>();
    mApp.mActiveRootWindow = RCPtr<IRootWindow>();
    ControlsFixture::TearDown();
  }

  // Builds the named top-level control as the window's root control (mMain).
  void OpenTopLevel(const char16_t* name) {
    mApp.mActiveRootWindow = mWindow; // what the top-level control is measured against
    mMain = mFactory->CreateTopLevelControl(WideString(name), RCPtr<IRootWindow>(mWindow));
    ASSERT_TRUE(mMain);
    mWindow->SetRootControl(mMain);
  }

  RCPtr<LControl> mMain;
};

} // namespace QZ::test
