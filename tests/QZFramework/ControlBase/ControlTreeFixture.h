#pragma once
// Trees of test controls built through the factory: a fake application that
// owns a factory with "Test.Control" registered, skin text helpers, and a check
// at the end of every test that every control was freed.

#include "QZFramework/ControlBase/ControlBaseTestSupport.h"
#include "Support/FakeFrameworkApp.h"
#include "Support/FakeRootWindow.h"
#include "Support/TestControl.h"

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/NotificationCenterManager.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ::test {

// A SubControl of class "Test.Control" with its attributes and children.
inline std::string Sub(const std::string& name, const std::string& attributes = "",
                       const std::string& children = "") {
  std::string text = "<SubControl Class=\"Test.Control\" Name=\"" + name + "\" " + attributes + ">";
  if (!children.empty())
    text += "<Skin Name=\"s\">" + children + "</Skin>";
  return text + "</SubControl>";
}

class ControlTreeFixture : public ::testing::Test {
protected:
  void SetUp() override {
    TestControl::sLive = 0;
    mFactory = MakeRCPtr<LControlFactory>(WideString(u"App"));
    mApp.mControlFactory = mFactory.Get();
    TestControl::Register(*mFactory);
  }
  void TearDown() override {
    EXPECT_EQ(TestControl::sLive, 0) << "controls left alive";
    LNotificationCenterManager::GetInstance() = RCPtr<LNotificationCenterManager>();
  }

  // Loads one skin with these top-level SubControls.
  void LoadSkin(const std::string& subControls) {
    ASSERT_EQ(mFactory->LoadSkinsFromText(Bytes(OneSkin(subControls))), S_OK);
  }
  // The top-level control of that name, attached to rootWindow (may be null).
  RCPtr<TestControl> Create(const char16_t* name, const RCPtr<IRootWindow>& rootWindow = RCPtr<IRootWindow>()) {
    return DynamicCast<TestControl>(mFactory->CreateTopLevelControl(WideString(name), rootWindow));
  }
  // A control made directly, outside any skin.
  static RCPtr<TestControl> Make(const RCPtr<LControl>& parent, const char16_t* name) {
    return RCPtr<TestControl>(new TestControl(parent, WideString(name)));
  }
  static RCPtr<TestControl> Child(const RCPtr<LControl>& parent, const char16_t* name) {
    return DynamicCast<TestControl>(parent->FindChild(WideString(name)));
  }
  // The names of the children in an order, joined by spaces.
  static std::string Names(const LControl& control, std::int32_t order) {
    std::string names;
    const LControl::ChildControlList& children = control.GetChildren();
    for (std::uint32_t i = 0; i < children.GetCount(); ++i)
      names += (i ? " " : "") + Narrow(children.GetAt(i, order)->GetName());
    return names;
  }

  FakeFrameworkApp mApp;
  RCPtr<LControlFactory> mFactory;
};

} // namespace QZ::test
