// The standard controls made from a skin by their create functions: the
// classes, their creation parameters and the label's focus rule.

#include "QZFramework/Controls/ControlsFixture.h"

#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/Panel.h"

#include <gtest/gtest.h>

#include <string>

namespace QZ {
namespace {

using test::ControlsFixture;

std::string Framework(const std::string& cls, const std::string& name,
                      const std::vector<std::pair<std::string, std::string>>& params,
                      const std::string& children = "") {
  std::string text = "<SubControl Class=\"Framework." + cls + "\" Name=\"" + name + "\" TabStop=\"0\">";
  if (!params.empty()) {
    text += "<CreateParamList>";
    for (const auto& [id, value] : params)
      text += "<CreateParam ID=\"" + id + "\">" + value + "</CreateParam>";
    text += "</CreateParamList>";
  }
  if (!children.empty())
    text += "<Skin Name=\"s\">" + children + "</Skin>";
  return text + "</SubControl>";
}

TEST_F(ControlsFixture, TheCreateFunctionsBuildEachClassWithItsParameters) {
  mFactory->RegisterControlCreateFunction(WideString(u"Framework.Button"), &LButton::Create);
  mFactory->RegisterControlCreateFunction(WideString(u"Framework.Label"), &LLabel::Create);
  mFactory->RegisterControlCreateFunction(WideString(u"Framework.Panel"), &LPanel::Create);
  LoadSkin(test::Sub("main", "",
                     Framework("Panel", "group", {},
                               Framework("Button", "radio", {{"IS_RADIO", "True"}, {"AUTO_VALUE_SET", "TRUE"}}) +
                                   Framework("Button", "plain", {{"IS_RADIO", "yes"}}) +
                                   Framework("Label", "caption", {{"NOT_FOCUSABLE", "false"}}))));
  const RCPtr<LControl> main = mFactory->CreateTopLevelControl(WideString(u"main"), RCPtr<IRootWindow>());
  ASSERT_TRUE(main);
  const RCPtr<LPanel> group = DynamicCast<LPanel>(main->FindChild(WideString(u"group")));
  ASSERT_TRUE(group);
  EXPECT_TRUE(group->IsCreated());
  const RCPtr<LButton> radio = DynamicCast<LButton>(group->FindChild(WideString(u"radio")));
  const RCPtr<LButton> plain = DynamicCast<LButton>(group->FindChild(WideString(u"plain")));
  const RCPtr<LLabel> caption = DynamicCast<LLabel>(group->FindChild(WideString(u"caption")));
  ASSERT_TRUE(radio && plain && caption);
  EXPECT_TRUE(radio->IsRadio());
  EXPECT_TRUE(radio->GetAutoValueSet());
  EXPECT_FALSE(plain->IsRadio()) << "only \"true\" in any case counts";
  EXPECT_FALSE(plain->GetAutoValueSet());
  EXPECT_TRUE(caption->IsNotFocusable()) << "a label never takes the focus";
  main->Close();
}

} // namespace
} // namespace QZ
