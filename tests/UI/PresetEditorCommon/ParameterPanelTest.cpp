// The twelve parameter panels inside the keybed and arpeggiator panels, under a main control over the editor's
// engine (rows from the combo boxes' own string tables): the engine's defaults shown without an echo, every
// user edit stored once as the parameter table converts it, delivered values shown (and clamped ones, tempo
// taps 0 and 1 and bytes without a row handled), values of the wrong length ignored.

#include "UI/PresetEditorCommon/ArpeggiatorEditPanel.h"
#include "UI/PresetEditorCommon/KeybedEditPanel.h"
#include "UI/PresetEditorCommon/VariantBufferSetterParameterPanel.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"
#include "Platform/App/AppHost.h"
#include "QZFramework/Application/ControlClassRegistry.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Controls/NumericUpDown.h"
#include "QZFramework/Notification/Notification.h"
#include "Support/TestFrameworkApp.h"
#include "Support/VariantTestSupport.h"
#include "UI/DeviceView.h"
#include "UI/DriverCommon/MainControl.h"

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::Bytes;
using test::DataOf;
using test::MakeBuffer;

// The editor's engine, counting the writes that reach it.
class CountingEngine : public LPresetEditorAppEngine {
public:
  std::int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value) override {
    writes.emplace_back(descriptor.id, DataOf(value));
    return LPresetEditorAppEngine::SetParamValue(descriptor, value);
  }
  std::vector<std::pair<std::int32_t, Bytes>> writes;
};

std::string Sub(const std::string& cls, const std::string& name, const std::string& children = "") {
  return "<SubControl Class=\"" + cls + "\" Name=\"" + name + "\" XSizeAbs=\"100\" YSizeAbs=\"20\"><Skin Name=\"" +
         name + "Skin\">" + children + "</Skin></SubControl>";
}

std::string ComboPanel(const std::string& cls, const std::string& name) {
  const std::string list =
      "<SubControl Class=\"Framework.ListBox\" Name=\"listBox\" Visible=\"False\" XSizeAbs=\"100\" "
      "YSizeAbs=\"14\"><Skin Name=\"l\">" +
      Sub("Framework.ListBoxItem", "templateItem") + "</Skin></SubControl>";
  return Sub(cls, name, Sub("Framework.ComboBox", "comboBox", list));
}

std::string UpDownPanel(const std::string& cls, const std::string& name) {
  return Sub(cls, name,
             Sub("Framework.NumericUpDown", "parameterControl",
                 Sub("Framework.TextBox", "textBox") + Sub("Framework.Button", "buttonUp") +
                     Sub("Framework.Button", "buttonDown")));
}

std::string Skin() {
  const std::string keybed = ComboPanel("PresetEditor.MidiChannelPanel", "midiChannel") +
                             UpDownPanel("PresetEditor.OctavePanel", "octave") +
                             UpDownPanel("PresetEditor.TransposePanel", "transpose");
  const std::string arp =
      Sub("PresetEditor.ArpEnabledPanel", "arpEnabled", Sub("Framework.Button", "parameterControl")) +
      ComboPanel("PresetEditor.ArpModePanel", "arpMode") +
      ComboPanel("PresetEditor.NoteRepeatTimeDivisionPanel", "noteRepeatTimeDivision") +
      UpDownPanel("PresetEditor.SwingPanel", "swing") +
      ComboPanel("PresetEditor.NoteRepeatClockPanel", "noteRepeatClock") +
      ComboPanel("PresetEditor.ArpLatchPanel", "arpLatch") +
      ComboPanel("PresetEditor.TempoTapsPanel", "tempoTaps") + UpDownPanel("PresetEditor.TempoPanel", "tempo") +
      ComboPanel("PresetEditor.ArpOctavePanel", "arpOctave");
  const std::string view = Sub("PresetEditor.MainControl.DeviceView", "viewDevice",
                               Sub("PresetEditor.KeybedPanel", "keybedPanel", keybed) +
                                   Sub("PresetEditor.Arpeggiator", "arpeggiator", arp)) +
                           Sub("Test.ValuePanel", "valuePanel", Sub("Framework.Slider", "parameterControl"));
  return "<Veskor_Skin_Definitions><Application Name=\"App\"><Skins><Skin Name=\"S\">"
         "<SubControl Class=\"PresetEditor.MainControl\" Name=\"mainControl\" XSizeAbs=\"400\" YSizeAbs=\"400\">"
         "<Skin Name=\"m\">" +
         view + "</Skin></SubControl></Skin></Skins></Application></Veskor_Skin_Definitions>";
}

std::string RowTables() {
  const std::vector<std::pair<std::string, std::vector<std::string>>> tables{
      {"MidiChannelPanel", {}},
      {"ArpModePanel", {"Up", "Down", "Inclusive", "Exclusive", "Random", "Order"}},
      {"NoteRepeatTimeDivisionPanel",
       {"1/4", "1/4 Triplet", "1/8", "1/8 Triplet", "1/16", "1/16 Triplet", "1/32", "1/32 Triplet"}},
      {"NoteRepeatClockPanel", {"Internal", "External"}},
      {"ArpLatchPanel", {"Off", "On"}},
      {"TempoTapsPanel", {"2", "3", "4"}},
      {"ArpOctavePanel", {"1", "2", "3", "4"}},
  };
  std::string document = "<r>";
  for (const auto& [cls, rows] : tables) {
    std::vector<std::string> texts = rows;
    if (texts.empty()) {
      for (int i = 1; i <= 16; ++i)
        texts.push_back("Channel " + std::to_string(i));
    }
    document += "<StringTable ID=\"PresetEditor." + cls + "|comboBox\">";
    for (std::size_t i = 0; i < texts.size(); ++i)
      document += "<String ID=\"ITEM." + std::string(i < 10 ? "0" : "") + std::to_string(i) +
                  "\"><Locale LCID=\"9\">" + texts[i] + "</Locale></String>";
    document += "</StringTable>";
  }
  return document + "</r>";
}

class ParameterPanelTest : public ::testing::Test {
protected:
  void SetUp() override {
    LNotification::EnablePooling(true);
    mEngine = RCPtr<CountingEngine>(new CountingEngine());
    mEngine->Initialize(0);
    SetAppEngine(RCPtr<LRootModuleEngine>(mEngine));

    const RCPtr<LControlFactory> factory = MakeRCPtr<LControlFactory>(WideString(u"App"));
    ASSERT_EQ(RegisterControlClasses(*factory, GetFrameworkControlClasses()), S_OK);
    ASSERT_EQ(factory->RegisterControlCreateFunction(WideString(kMainControlClassName), &LMainControl::Create),
              S_OK);
    ASSERT_EQ(factory->RegisterControlCreateFunction(WideString(kDeviceViewClassName), &LDeviceView::Create),
              S_OK);
    ASSERT_EQ(factory->RegisterControlCreateFunction(WideString(u"Test.ValuePanel"),
                                                     &LVariantBufferSetterParameterPanel::Create),
              S_OK);
    ASSERT_EQ(
        factory->RegisterControlCreateFunction(WideString(u"PresetEditor.KeybedPanel"), &LKeybedEditPanel::Create),
        S_OK);
    ASSERT_EQ(factory->RegisterControlCreateFunction(WideString(u"PresetEditor.Arpeggiator"),
                                                     &LArpeggiatorEditPanel::Create),
              S_OK);
    for (const char16_t* cls :
         {u"PresetEditor.MidiChannelPanel", u"PresetEditor.OctavePanel", u"PresetEditor.TransposePanel",
          u"PresetEditor.ArpEnabledPanel", u"PresetEditor.ArpModePanel",
          u"PresetEditor.NoteRepeatTimeDivisionPanel", u"PresetEditor.SwingPanel",
          u"PresetEditor.NoteRepeatClockPanel", u"PresetEditor.ArpLatchPanel", u"PresetEditor.TempoTapsPanel",
          u"PresetEditor.TempoPanel", u"PresetEditor.ArpOctavePanel"})
      ASSERT_EQ(
          factory->RegisterControlCreateFunction(WideString(cls), &LVariantBufferSetterParameterPanel::Create),
          S_OK);
    const std::string tables = RowTables();
    factory->LoadStringTablesFromText(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(tables.data()), tables.size()),
        std::span<const std::uint8_t>(), 0x0409);
    const std::string skin = Skin();
    ASSERT_EQ(factory->LoadSkinsFromText(
                  std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(skin.data()), skin.size())),
              S_OK);
    mApp = MakeRCPtr<test::TestFrameworkApp>(factory, MakeRCPtr<LStringTable>(LStringTable::Entries()), mHost);
    mMain = DynamicCast<LMainControl>(
        factory->CreateTopLevelControl(WideString(u"mainControl"), RCPtr<IRootWindow>()));
    ASSERT_TRUE(mMain);
    const RCPtr<LControl> view = mMain->FindChild(WideString(u"viewDevice"));
    mKeybed = DynamicCast<LKeybedEditPanel>(view->FindChild(WideString(u"keybedPanel")));
    mArp = DynamicCast<LArpeggiatorEditPanel>(view->FindChild(WideString(u"arpeggiator")));
    ASSERT_TRUE(mKeybed);
    ASSERT_TRUE(mArp);
    static_cast<void>(mApp->ProcessIdle(true));
  }
  void TearDown() override {
    mKeybed = RCPtr<LKeybedEditPanel>();
    mArp = RCPtr<LArpeggiatorEditPanel>();
    mMain = RCPtr<LMainControl>();
    mApp = RCPtr<test::TestFrameworkApp>();
    SetAppEngine(RCPtr<LRootModuleEngine>());
    mEngine = RCPtr<CountingEngine>();
  }

  // The panel carrying the identifier.
  RCPtr<LVariantBufferSetterParameterPanel> Panel(std::int32_t id) const {
    switch (id) {
    case 0:
      return mKeybed->GetMidiChannelPanel();
    case 1:
      return mKeybed->GetOctavePanel();
    case 2:
      return mKeybed->GetTransposePanel();
    case 3:
      return mArp->GetArpEnabledPanel();
    case 4:
      return mArp->GetArpModePanel();
    case 5:
      return mArp->GetNoteRepeatTimeDivisionPanel();
    case 6:
      return mArp->GetSwingPanel();
    case 7:
      return mArp->GetNoteRepeatClockPanel();
    case 8:
      return mArp->GetArpLatchPanel();
    case 9:
      return mArp->GetTempoTapsPanel();
    case 10:
      return mArp->GetTempoPanel();
    default:
      return mArp->GetArpOctavePanel();
    }
  }
  // What the panel shows: the combo's text, or the control's value.
  std::string Shown(std::int32_t id) const {
    const auto panel = Panel(id);
    if (const auto combo = panel->GetComboBox())
      return combo->GetText().ToNarrow().GetChars();
    return DoubleToString(panel->GetParameterControl()->GetValue(), 0).ToNarrow().GetChars();
  }
  Bytes EngineValue(std::int32_t id) const {
    Array<ParamValue> values;
    static_cast<void>(mEngine->GetValues({id, 1}, values, -1));
    return values.GetCount() == 1 ? DataOf(values.GetAt(0).value) : Bytes();
  }
  // A value through the engine and the idle pass, as a controller reply arrives.
  void Deliver(std::int32_t id, const Bytes& bytes) {
    ASSERT_GE(mEngine->LPresetEditorAppEngine::SetParamValue(ParamDescriptor(id), MakeBuffer(bytes)), 0);
    static_cast<void>(mApp->ProcessIdle(true));
  }
  // The user's edit: a row chosen, or a value set in the control.
  void Edit(std::int32_t id, double shownOrRow) {
    const auto panel = Panel(id);
    if (const auto combo = panel->GetComboBox()) {
      static_cast<void>(combo->SetSelectedIndex(static_cast<std::int32_t>(shownOrRow)));
    } else {
      const RCPtr<LControl> control = panel->GetParameterControl();
      static_cast<void>(control->SetValue(control->ValueToNormalized(shownOrRow)));
    }
  }

  Platform::AppHost mHost;
  RCPtr<CountingEngine> mEngine;
  RCPtr<test::TestFrameworkApp> mApp;
  RCPtr<LMainControl> mMain;
  RCPtr<LKeybedEditPanel> mKeybed;
  RCPtr<LArpeggiatorEditPanel> mArp;
};

TEST_F(ParameterPanelTest, TheEnginesDefaultsAreShownWithoutAnEcho) {
  const char* expected[12] = {"Channel 1", "0", "0", "0", "Up", "1/4", "50", "Internal", "Off", "2", "112", "1"};
  // The engine's values once more, as the device reports them.
  for (std::int32_t id = 0; id < 12; ++id) {
    SCOPED_TRACE(id);
    ASSERT_TRUE(Panel(id));
    EXPECT_EQ(Panel(id)->GetParameter().id, id);
    mEngine->writes.clear();
    const Bytes value = EngineValue(id);
    static_cast<void>(mArp->SetParamValueLocal(ParamDescriptor(id), MakeBuffer(value), true));
    static_cast<void>(mKeybed->SetParamValueLocal(ParamDescriptor(id), MakeBuffer(value), true));
    EXPECT_EQ(Shown(id), expected[id]);
  }
  EXPECT_EQ(mArp->GetArpEnabledPanel()->GetParameterControl()->GetText().ToNarrow().GetChars(),
            std::string("OFF"));
}

TEST_F(ParameterPanelTest, EachEditIsStoredOnceAsTheTableConvertsIt) {
  const struct {
    std::int32_t id;
    double edit; // the row, or the shown value
    Bytes stored;
  } cases[] = {
      {0, 15, {15}},        {9, 1, {3}},         {11, 2, {2}},         {11, 0, {0}},  {1, -4, {0}},
      {1, 4, {8}},          {2, -12, {0}},       {2, 12, {24}},        {6, 75, {25}}, {6, 50, {0}},
      {10, 240, {1, 0x70}}, {10, 30, {0, 0x1E}}, {10, 112, {0, 0x70}}, {3, 1, {1}},   {4, 5, {5}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " " << c.edit);
    mEngine->writes.clear();
    Edit(c.id, c.edit);
    ASSERT_EQ(mEngine->writes.size(), 1u);
    EXPECT_EQ(mEngine->writes[0], std::make_pair(c.id, c.stored));
  }
  // Every tempo stores its own pair: no value loses to rounding on the way through the range.
  for (int tempo = 30; tempo <= 240; ++tempo) {
    mEngine->writes.clear();
    Edit(10, tempo);
    ASSERT_EQ(EngineValue(10),
              (Bytes{static_cast<std::uint8_t>(tempo / 128), static_cast<std::uint8_t>(tempo % 128)}))
        << tempo;
  }
  // A value control between whole numbers stores the truncated value.
  const auto valuePanel =
      DynamicCast<LVariantBufferSetterParameterPanel>(mMain->FindChild(WideString(u"valuePanel")));
  ASSERT_TRUE(valuePanel);
  valuePanel->SetParameter(ParamDescriptor(5));
  const RCPtr<LControl> slider = valuePanel->GetParameterControl();
  static_cast<void>(slider->SetValue(slider->ValueToNormalized(12.7)));
  EXPECT_EQ(EngineValue(5), Bytes{12});
}

TEST_F(ParameterPanelTest, DeliveredValuesAreShownAndOnlyChangedOnesGoBack) {
  const struct {
    std::int32_t id;
    Bytes delivered;
    const char* shown;
    Bytes engineAfter;
  } cases[] = {
      {1, {6}, "2", {6}},
      {10, {1, 0x2C}, "172", {1, 0x2C}},
      {6, {10}, "60", {10}},
      {3, {1}, "1", {1}},
      {9, {0}, "2", {2}},
      {9, {1}, "3", {3}},
      {9, {4}, "4", {4}},
      {4, {9}, "", {9}},
      {1, {20}, "4", {8}},
      {1, {20}, "4", {8}},
      {10, {3, 0}, "240", {1, 0x70}},
      {0, {15}, "Channel 16", {15}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " " << c.shown);
    Deliver(c.id, c.delivered);
    static_cast<void>(mApp->ProcessIdle(true));
    EXPECT_EQ(Shown(c.id), c.shown);
    EXPECT_EQ(EngineValue(c.id), c.engineAfter);
  }
  EXPECT_EQ(mArp->GetArpModePanel()->GetComboBox()->GetSelectedIndex(), -1) << "a byte without a row";
  Deliver(3, {1});
  EXPECT_EQ(mArp->GetArpEnabledPanel()->GetParameterControl()->GetText().ToNarrow().GetChars(), std::string("ON"));
  Deliver(3, {0});
  EXPECT_EQ(mArp->GetArpEnabledPanel()->GetParameterControl()->GetText().ToNarrow().GetChars(),
            std::string("OFF"));
}

TEST_F(ParameterPanelTest, ValuesOfTheWrongLengthAndOtherModulesIdentifiersChangeNothing) {
  mEngine->writes.clear();
  EXPECT_EQ(mArp->GetTempoPanel()->ShowValue(MakeBuffer({100})), S_FALSE);
  EXPECT_EQ(mKeybed->GetOctavePanel()->ShowValue(MakeBuffer({1, 2})), S_FALSE);
  EXPECT_EQ(mArp->GetArpModePanel()->ShowValue(Variant()), S_FALSE);
  EXPECT_EQ(mKeybed->SetParamValueLocal(ParamDescriptor(3), MakeBuffer({1}), true), 0);
  EXPECT_EQ(mArp->SetParamValueLocal(ParamDescriptor(2), MakeBuffer({1}), true), 0);
  EXPECT_EQ(mArp->SetParamValueLocal(ParamDescriptor(12), MakeBuffer({1}), true), 0);
  EXPECT_EQ(Shown(10), "112");
  EXPECT_EQ(Shown(1), "0");
  EXPECT_EQ(Shown(4), "Up");
  EXPECT_TRUE(mEngine->writes.empty());
}

} // namespace
} // namespace QZ
