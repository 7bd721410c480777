#pragma once
// What the program manager and the transfer actions need of the running editor, without a window: a test
// application whose string table holds the editor's message texts (English), a message-box fake, and the
// application's engine made, initialised and set as the process's engine.

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"
#include "Platform/App/AppHost.h"
#include "Platform/App/FakeMessageBox.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "Support/TestFrameworkApp.h"
#include "Support/VariantTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace QZ::test {

// The keys and English texts of the program messages.
inline const std::vector<std::pair<std::string, std::string>>& ProgramMessageTexts() {
  static const std::vector<std::pair<std::string, std::string>> texts{
      {"LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION", "Retrieve Program Error"},
      {"LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT",
       "Error retrieving program from device.  Connect controller and try again."},
      {"LABEL_GET_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT",
       "The firmware version of your Tolvane Pellan Vorn needs to be updated. Visit the Tolvane Vuravozadazi "
       "website for the latest firmware updates."},
      {"LABEL_GET_PRESET_SUCEESS_MSGBOX_CAPTION", "Retrieve Successful"},
      {"LABEL_GET_PRESET_SUCEESS_MSGBOX_TEXT", "The program has been successfully retrieved"},
      {"LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION", "Send Program Error"},
      {"LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT",
       "Error connecting to device. Verify your Tolvane Pellan Vorn is connected to the computer and try again."},
      {"LABEL_SEND_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT",
       "The firmware version of the device is not compatible. "},
      {"LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION", "Send Success"},
      {"LABEL_SEND_PRESET_SUCEESS_MSGBOX_TEXT", "Program has been sent successfully to the device."},
      {"SETTINGS_FILE_LOAD_CAPTION", "Program File Load"},
      {"SETTINGS_FILE_LOAD_OLDER_MESSAGE",
       "Program file is not compatible with this vesion of the program editor"},
      {"SETTINGS_FILE_LOAD_NEWER_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE",
       "Program file is not compatible with this vesion of the program editor"},
      {"SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE",
       "Program file is not compatible with this vesion of the program editor"},
      {"SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE",
       "Program file is not compatible with this vesion of the program editor"},
  };
  return texts;
}

inline WideString WideOf(const std::string& text) {
  WideString wide;
  wide.AssignNarrow(text.c_str());
  return wide;
}

// The application string table's document, leaving out one key (none: all).
inline std::string ProgramStringTable(const std::string& without = {}) {
  std::string document = "<r><StringTable ID=\"|App\">";
  for (const auto& [key, text] : ProgramMessageTexts()) {
    if (key != without)
      document += "<String ID=\"" + key + "\"><Locale LCID=\"9\">" + text + "</Locale></String>";
  }
  return document + "</StringTable></r>";
}

class ProgramTestApp : public ::testing::Test {
protected:
  void SetUp() override {
    LNotification::EnablePooling(true);
    MakeApp();
    mEngine = LPresetEditorAppEngine::Create();
    mEngine->Initialize(0);
    SetAppEngine(RCPtr<LRootModuleEngine>(mEngine));
  }
  void TearDown() override {
    SetAppEngine(RCPtr<LRootModuleEngine>());
    mEngine = RCPtr<LPresetEditorAppEngine>();
    mApp = RCPtr<TestFrameworkApp>();
  }

  // A new application whose string table lacks the key (none: complete).
  void MakeApp(const std::string& without = {}) {
    mApp = RCPtr<TestFrameworkApp>();
    const RCPtr<LControlFactory> factory = MakeRCPtr<LControlFactory>(WideString(u"App"));
    const std::string document = ProgramStringTable(without);
    factory->LoadStringTablesFromText(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(document.data()), document.size()),
        std::span<const std::uint8_t>(), 0x0409);
    mApp = MakeRCPtr<TestFrameworkApp>(factory, MakeRCPtr<LStringTable>(LStringTable::Entries()), mHost);
  }

  // The engine's twelve values, in identifier order.
  std::vector<Bytes> EngineValues() const {
    Array<ParamValue> values;
    static_cast<void>(mEngine->GetValues({0, 12}, values, -1));
    std::vector<Bytes> out;
    for (std::uint32_t i = 0; i < values.GetCount(); ++i)
      out.push_back(DataOf(values.GetAt(i).value));
    return out;
  }
  void SetEngineValue(std::int32_t id, const Bytes& bytes) {
    ASSERT_GE(mEngine->SetParamValue(ParamDescriptor(id), MakeBuffer(bytes)), 0);
  }

  Platform::AppHost mHost;
  Platform::ScopedFakeMessageBox mBoxes;
  RCPtr<TestFrameworkApp> mApp;
  RCPtr<LPresetEditorAppEngine> mEngine;
};

} // namespace QZ::test
