#pragma once
// The fixture of the remaining standard controls: the value controls' skin
// with the progress bar, level meter, status bar, drag tokens, knob and centred
// slider registered, and the framework strings the progress bar reads.

#include "QZFramework/Controls/ValueControlsFixture.h"

#include "QZFramework/Controls/CenteredSlider.h"
#include "QZFramework/Controls/Dropper.h"
#include "QZFramework/Controls/Knob.h"
#include "QZFramework/Controls/LevelMeter.h"
#include "QZFramework/Controls/ProgressBar.h"
#include "QZFramework/Controls/StatusBar.h"

#include <string>
#include <utility>
#include <vector>

namespace QZ::test {

class IndicatorsFixture : public ValueControlsFixture {
protected:
  // extraLookLists: more LookList elements for the skin.
  void OpenWith(const std::string& entries, const std::string& extraLookLists = "") {
    const std::pair<const char16_t*, ControlCreateFunction> classes[] = {
        {u"Framework.ProgressBar", &LProgressBar::Create},
        {u"Framework.LevelMeter", &LLevelMeter::Create},
        {u"Framework.StatusBar", &LStatusBar::Create},
        {u"Framework.FileDropper", &LFileDropper::Create},
        {u"Framework.Dropper", &LDropper::Create},
        {u"Framework.Knob", &LKnob::Create},
        {u"Framework.CenteredSlider", &LCenteredSlider::Create}};
    for (const auto& [name, create] : classes)
      mFactory->RegisterControlCreateFunction(WideString(name), create);
    if (extraLookLists.empty()) {
      OpenMain(entries);
      return;
    }
    mFactory->RegisterControlCreateFunction(WideString(u"Framework.Slider"), &LSlider::Create);
    LoadScrollSkin(ValueControlsDocument(entries, extraLookLists));
    OpenTopLevel(u"main");
  }
  // A look list of count looks, all green.
  static std::string GreenLooks(const std::string& name, int count) { return GreenLookList(name, count); }
  // The framework string table with these entries (id, English text).
  void LoadFrameworkStrings(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string document = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<r><StringTable ID=\"Framework\">";
    for (const auto& [id, text] : entries)
      document += "<String ID=\"" + id + "\"><Locale LCID=\"0x0009\">" + text + "</Locale></String>";
    mFactory->LoadStringTablesFromText(Bytes(std::string()), Bytes(Utf16Document(document + "</StringTable></r>")),
                                       0x0409);
  }
};

} // namespace QZ::test
