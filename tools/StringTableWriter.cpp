// The application's string tables in English: the global hot keys, the messages of the program actions and
// program files, the main menu, and the texts of the skins' controls (tables named after the parent's skin
// class and the control's name).
#include "ResourceGenerator.h"
#include "SkinLayout.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace QZ::Tools {

namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

struct Table {
  std::string id;
  Entries entries;
};

std::string Escape(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    default:
      out += c;
    }
  }
  return out;
}

std::string Two(std::int32_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

Entries Items(const std::vector<std::string>& rows) {
  Entries entries;
  for (std::size_t i = 0; i < rows.size(); ++i)
    entries.emplace_back("ITEM." + Two(static_cast<std::int32_t>(i)), rows[i]);
  return entries;
}

Table Application() {
  Entries e{
      // Global hot keys.
      {"GHK.NID_EDIT_DELETE_REQ", "VKEY_DELETE"},
      {"GHK_WIN.NID_EDIT_COPY_REQ", "Ctrl+VKEY_C"},
      {"GHK_WIN.NID_EDIT_CUT_REQ", "Ctrl+VKEY_X"},
      {"GHK_WIN.NID_EDIT_PASTE_REQ", "Ctrl+VKEY_V"},
      {"GHK_WIN.NID_MENU_FILE_LOAD_PRESET_FROM_FILE", "Ctrl+VKEY_O"},
      {"GHK_WIN.NID_MENU_FILE_SAVE_PRESET_TO_FILE", "Ctrl+VKEY_S"},
      // Program files.
      {"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_1", "Pellan Vorn Program Editor (*."},
      {"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_2", "|All Files (*.*)|*.*"},
      {"LOAD_PRESET_DIALOG_TITLE", "Select Program File"},
      {"SAVE_PRESET_DIALOG_TITLE", "Select Save Location"},
      {"SETTINGS_FILE_LOAD_CAPTION", "Program File Load"},
      {"SETTINGS_FILE_LOAD_OLDER_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {"SETTINGS_FILE_LOAD_NEWER_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {"SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {"SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE",
       "Program file is not compatible with this version of the program editor"},
      {"LABEL_SAVE_PRESET_FILE_FAILED_MSGBOX_TEXT", "Saving the program file failed."},
      {"LABEL_SAVE_PRESET_FILE_FAILED_MSGBOX_CAPTION", "Save Program Error"},
      // Program transfers.
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
      // Help.
      {"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_TEXT", "The user guide failed to open."},
      {"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_CAPTION", "Open User Guide Failed"},
      {"URL_SUPPORT", "https://support.example.com/pellan-vorn"},
  };
  return {"|PresetEditor", e};
}

Table MainMenu() {
  Entries e{
      {"MENU_LABEL.00", "File"},
      {"MENU_LABEL.01", "Help"},
      {"CONTEXT_MENU0.00.MENU_FILE_SEND_PRESET_TO_DEVICE.", "Send Program"},
      {"CONTEXT_MENU0.01.MENU_FILE_GET_PRESET_TO_DEVICE.", "Get Program"},
      {"CONTEXT_MENU0.02.-", "-"},
      {"CONTEXT_MENU0.03.NID_MENU_FILE_LOAD_PRESET_FROM_FILE", "Open Program..."},
      {"CONTEXT_MENU0.04.NID_MENU_FILE_SAVE_PRESET_TO_FILE", "Save Program..."},
      {"CONTEXT_MENU0.05.-", "-"},
      {"CONTEXT_MENU0.06.NID_MENU_FILE_EXIT_REQ", "Exit"},
      {"CONTEXT_MENU0.MENU_FILE_SEND_PRESET_TO_DEVICE.0.NID_MENU_FILE_SEND_PRESET0_TO_DEVICE", "Ram"},
      {"CONTEXT_MENU1.00.NID_MENU_HELP_OPEN_USERGUIDE_REQ", "User Guide"},
      {"CONTEXT_MENU1.01.NID_MENU_HELP_ABOUT_REQ", "About"},
  };
  for (std::int32_t slot = 1; slot <= Layout::kSlots; ++slot) {
    const std::string n = std::to_string(slot);
    e.emplace_back("CONTEXT_MENU0.MENU_FILE_SEND_PRESET_TO_DEVICE." + n + ".NID_MENU_FILE_SEND_PRESET" + n +
                       "_TO_DEVICE",
                   "Program " + n);
    e.emplace_back("CONTEXT_MENU0.MENU_FILE_GET_PRESET_TO_DEVICE." + std::to_string(slot - 1) +
                       ".NID_MENU_FILE_GET_PRESET" + n + "_TO_DEVICE",
                   "Program " + n);
  }
  return {"PresetEditor.MainControl|mainMenu", e};
}

Table Label(const std::string& id, const std::string& text) { return {id, {{"LABEL", text}}}; }

std::vector<Table> Tables() {
  std::vector<Table> tables{Application(), MainMenu()};
  tables.push_back(Label("PresetEditor|mainControl", "Pellan Vorn Program Editor"));
  tables.push_back(Label("PresetEditor|dialogAbout", "About Tolvane Pellan Vorn Program Editor"));
  tables.push_back(Label("PresetEditor.DialogAbout|labelName", "Pellan Vorn Program Editor"));
  tables.push_back(Label("PresetEditor.DialogAbout|labelProduct", "Pellan Vorn Program Editor"));
  tables.push_back(Label("PresetEditor.DialogAbout|labelCopyright", "Copyright Tolvane"));
  tables.push_back(Label("PresetEditor.DialogAbout|buttonSupport", "Support"));
  tables.push_back(Label("PresetEditor.DialogAbout|buttonClose", "Close"));
  tables.push_back(Label("PresetEditor.MainControl.DeviceView|selectDeviceLabel", "Controller"));
  tables.push_back(Label("PresetEditor.KeybedPanel|label", "KEYBED"));
  tables.push_back(Label("PresetEditor.Arpeggiator|label", "ARPEGGIATOR"));
  tables.push_back(Label("PresetEditor.ProgramBankPanel|label", "PROGRAMS"));

  for (std::int32_t slot = 1; slot <= Layout::kSlots; ++slot) {
    const std::string n = std::to_string(slot);
    tables.push_back(Label("PresetEditor.ProgramBankPanel|slotLabel" + n, n));
    tables.push_back({"PresetEditor.ProgramBankPanel|sendProgram" + n,
                      {{"LABEL", "SEND"}, {"TOOLTIP", "Send the program to slot " + n}}});
    tables.push_back({"PresetEditor.ProgramBankPanel|getProgram" + n,
                      {{"LABEL", "GET"}, {"TOOLTIP", "Get the program stored in slot " + n}}});
  }
  tables.push_back({"PresetEditor.ProgramBankPanel|sendToRam",
                    {{"LABEL", "SEND TO RAM"}, {"TOOLTIP", "Send the program to the controller's RAM"}}});

  // The twelve parameters: caption labels and the rows of their combo boxes.
  tables.push_back(Label("PresetEditor.MidiChannelPanel|label", "MIDI CHANNEL"));
  tables.push_back(Label("PresetEditor.OctavePanel|octaveLabel", "OCTAVE"));
  tables.push_back(Label("PresetEditor.TransposePanel|transposeLabel", "TRANSPOSE"));
  tables.push_back(Label("PresetEditor.ArpEnabledPanel|label", "ENABLED"));
  tables.push_back(Label("PresetEditor.ArpEnabledPanel|parameterControl", "OFF"));
  tables.push_back(Label("PresetEditor.ArpModePanel|label", "MODE"));
  tables.push_back(Label("PresetEditor.NoteRepeatTimeDivisionPanel|label", "TIME DIV"));
  tables.push_back(Label("PresetEditor.SwingPanel|label", "SWING"));
  tables.push_back(Label("PresetEditor.NoteRepeatClockPanel|label", "CLOCK"));
  tables.push_back(Label("PresetEditor.ArpLatchPanel|label", "LATCH"));
  tables.push_back(Label("PresetEditor.TempoTapsPanel|label", "TEMPO TAPS"));
  tables.push_back(Label("PresetEditor.TempoPanel|label", "TEMPO"));
  tables.push_back(Label("PresetEditor.ArpOctavePanel|label", "OCTAVE"));

  std::vector<std::string> channels;
  for (std::int32_t i = 1; i <= 16; ++i)
    channels.push_back("Channel " + std::to_string(i));
  tables.push_back({"PresetEditor.MidiChannelPanel|comboBox", Items(channels)});
  tables.push_back(
      {"PresetEditor.ArpModePanel|comboBox", Items({"Up", "Down", "Inclusive", "Exclusive", "Random", "Order"})});
  tables.push_back(
      {"PresetEditor.NoteRepeatTimeDivisionPanel|comboBox",
       Items({"1/4", "1/4 Triplet", "1/8", "1/8 Triplet", "1/16", "1/16 Triplet", "1/32", "1/32 Triplet"})});
  tables.push_back({"PresetEditor.NoteRepeatClockPanel|comboBox", Items({"Internal", "External"})});
  tables.push_back({"PresetEditor.ArpLatchPanel|comboBox", Items({"Off", "On"})});
  tables.push_back({"PresetEditor.TempoTapsPanel|comboBox", Items({"2", "3", "4"})});
  tables.push_back({"PresetEditor.ArpOctavePanel|comboBox", Items({"1", "2", "3", "4"})});
  return tables;
}

// UTF-8 to UTF-16LE with a byte-order mark.
std::string Utf16(const std::string& utf8) {
  std::string out = "\xFF\xFE";
  for (const char16_t unit : Utf8ToUtf16(utf8)) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>(unit >> 8);
  }
  return out;
}

} // namespace

bool WriteStringTables(const std::filesystem::path& folder) {
  std::string document = "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n"
                         "<!-- Generated by tools/qz_resource_generator; do not edit. -->\n"
                         "<Veskor_StringTable_Definitions>\n  <Application Name=\"PresetEditor\">\n";
  for (const Table& table : Tables()) {
    document += "    <StringTable ID=\"" + Escape(table.id) + "\">\n";
    for (const auto& [id, text] : table.entries)
      document += "      <String ID=\"" + Escape(id) + "\">\n        <Locale LCID=\"0x0009\">" + Escape(text) +
                  "</Locale>\n      </String>\n";
    document += "    </StringTable>\n";
  }
  document += "  </Application>\n</Veskor_StringTable_Definitions>\n";
  return WriteIfChanged(folder / "StringTables.xml", Utf16(document));
}

} // namespace QZ::Tools
