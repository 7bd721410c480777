#include "QZFramework/Application/ControlClassRegistry.h"

#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/Controls/ListBox.h"
#include "QZFramework/Controls/ListBoxItem.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Controls/ToolTip.h"

#include "Support/ThrownText.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace QZ {
namespace {

// Distinct create functions (each with code of its own, so that no linker folds
// them into one) that are never called.
int gCreateCalls[5] = {};
template <int N>
RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>&, const RCPtr<LControlDescriptor>&) {
  ++gCreateCalls[N];
  return out;
}

ControlCreateFunction Lookup(const LControlFactory& factory, const char16_t* name) {
  ControlCreateFunction function = nullptr;
  EXPECT_EQ(factory.GetControlCreateFunction(WideString(name), function), S_OK);
  return function;
}

TEST(ControlClassRegistry, RegistersInTableOrderAndKeepsTheFirstFunction) {
  const SControlClass table[] = {
      {u"Framework.Button", &Create<1>},
      {u"Framework.Panel", &Create<2>},
      {u"Framework.NotBuiltYet", nullptr},
      {u"Framework.Button", &Create<3>}, // a duplicate keeps the first function
      {u"Framework.ScrollChannel", &Create<2>},
  };
  LControlFactory factory(WideString(u"Test"));
  ASSERT_EQ(RegisterControlClasses(factory, table), S_OK);
  EXPECT_EQ(Lookup(factory, u"Framework.Button"), &Create<1>);
  EXPECT_EQ(Lookup(factory, u"Framework.Panel"), &Create<2>);
  EXPECT_EQ(Lookup(factory, u"Framework.ScrollChannel"), &Create<2>);
  EXPECT_EQ(factory.RegisterControlCreateFunction(WideString(u"Framework.Panel"), &Create<4>), S_OK);
  EXPECT_EQ(Lookup(factory, u"Framework.Panel"), &Create<2>);

  const std::string unknown = "Runtime Error : QZ::LControlFactory::GetControlCreateFunction : "
                              "ControlBase\\ControlFactory : Line 51";
  for (const char16_t* name : {u"Framework.NotBuiltYet", u"framework.button", u"Framework.BUTTON", u""}) {
    ControlCreateFunction function = nullptr;
    EXPECT_EQ(test::ThrownText<std::runtime_error>(
                  [&] { (void)factory.GetControlCreateFunction(WideString(name), function); }),
              unknown);
    EXPECT_EQ(function, nullptr);
  }
}

TEST(ControlClassRegistry, TheFrameworkTable) {
  const auto classes = GetFrameworkControlClasses();
  ASSERT_EQ(classes.size(), 40u);
  EXPECT_EQ(std::u16string(classes.front().mName), u"Framework.Button");
  EXPECT_EQ(std::u16string(classes[3].mName), u"Framework.listboxNoScroll");
  EXPECT_EQ(std::u16string(classes.back().mName), u"Framework.CenteredSliderBounds");
  std::set<std::u16string> names;
  for (const SControlClass& entry : classes) {
    EXPECT_TRUE(std::u16string(entry.mName).starts_with(u"Framework."));
    names.insert(entry.mName);
  }
  EXPECT_EQ(names.size(), 40u);

  LControlFactory factory(WideString(u"Test"));
  EXPECT_EQ(RegisterControlClasses(factory, classes), S_OK);

  // The classes built so far, each under all of its names; the overlay button is a list item, not a button.
  const std::pair<const char16_t*, ControlCreateFunction> built[] = {
      {u"Framework.Button", &LButton::Create},
      {u"Framework.Label", &LLabel::Create},
      {u"Framework.Panel", &LPanel::Create},
      {u"Framework.ScrollChannel", &LPanel::Create},
      {u"Framework.ComboSlider.DropDownPanel", &LPanel::Create},
      {u"Framework.CenteredSliderBounds", &LPanel::Create},
      {u"Framework.ToolTip", &LToolTip::Create},
      {u"Framework.ListBox", &LListBox::Create},
      {u"Framework.listboxNoScroll", &LListBox::Create},
      {u"Framework.ListBoxItem", &LListBoxItem::Create},
      {u"Framework.OverlayButton", &LListBoxItem::Create},
  };
  for (const auto& [name, create] : built) {
    SCOPED_TRACE(WideString(name).ToNarrow().GetChars());
    EXPECT_EQ(Lookup(factory, name), create);
  }
}

// Every class is built: a skin naming any of them creates a control rather than failing as an unknown class.
TEST(ControlClassRegistry, EveryFrameworkClassHasACreateFunction) {
  for (const SControlClass& entry : GetFrameworkControlClasses()) {
    SCOPED_TRACE(WideString(entry.mName).ToNarrow().GetChars());
    EXPECT_NE(entry.mCreate, nullptr);
  }
}

} // namespace
} // namespace QZ
