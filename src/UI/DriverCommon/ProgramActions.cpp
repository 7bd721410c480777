#include "UI/DriverCommon/ProgramActions.h"

#include "Panel/Main/Application.h"
#include "Platform/Window/WindowSystem.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "UI/DriverCommon/MainControl.h"

#include <exception>

namespace QZ {

namespace {

// A box with one OK button and no icon.
constexpr std::uint32_t kResultBoxStyle = 0;

struct SActionTexts {
  const char16_t* successCaption;
  const char16_t* successText;
  const char16_t* failedCaption;
  const char16_t* midiErrorText;
  const char16_t* firmwareErrorText;
};

constexpr SActionTexts kGetTexts{
    u"LABEL_GET_PRESET_SUCEESS_MSGBOX_CAPTION", u"LABEL_GET_PRESET_SUCEESS_MSGBOX_TEXT",
    u"LABEL_GET_PRESET_FAILED_MSGBOX_CAPTION", u"LABEL_GET_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT",
    u"LABEL_GET_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT"};

constexpr SActionTexts kSendTexts{
    u"LABEL_SEND_PRESET_SUCEESS_MSGBOX_CAPTION", u"LABEL_SEND_PRESET_SUCEESS_MSGBOX_TEXT",
    u"LABEL_SEND_PRESET_FAILED_MSGBOX_CAPTION", u"LABEL_SEND_PRESET_FAILED_MIDI_ERROR_MSGBOX_TEXT",
    u"LABEL_SEND_PRESET_FAILED_FW_COMPATIBILITY_ERROR_MSGBOX_TEXT"};

void ShowResult(const SActionTexts& texts, std::int32_t result) {
  auto* app = dynamic_cast<LFrameworkApp*>(GetFrameworkApp());
  if (!app || !app->GetApplicationStringTable())
    return;
  const char16_t* captionKey = texts.successCaption;
  const char16_t* textKey = texts.successText;
  if (result < 0) {
    captionKey = texts.failedCaption;
    textKey = result == kProgramFirmwareIncompatible ? texts.firmwareErrorText : texts.midiErrorText;
  }
  WideString caption;
  WideString text;
  static_cast<void>(app->GetApplicationStringTable()->GetString(captionKey, caption));
  static_cast<void>(app->GetApplicationStringTable()->GetString(textKey, text));
  if (!text.IsEmpty())
    static_cast<void>(app->ShowMessageBox(text, caption, kResultBoxStyle));
}

template <class Operation>
std::int32_t RunAction(const RCPtr<LMidiManager>& manager, const SActionTexts& texts, Operation operation) {
  std::int32_t result = kMidiNoPort;
  if (manager) {
    try {
      result = operation(*manager);
    } catch (const std::exception&) {
      // The manager could not listen for the reply: the program in the editor stays as it was.
      result = E_FAIL;
    }
  }
  // The transfer held the UI thread: clicks and keys made meanwhile (more presses of the same button, most
  // often) would each start a transfer of their own once the queue is read again. One transfer per press.
  Platform::DropPressesMadeUntilNow();
  // A fetched program is on screen before its box comes up over it.
  ShowEngineValuesNow();
  ShowResult(texts, result);
  // The same for presses made while a box that holds the thread was up.
  Platform::DropPressesMadeUntilNow();
  return result;
}

RCPtr<LMidiManager> RunningManager() {
  LApplication* app = LApplication::GetRunning();
  return app ? app->GetMidiManager() : RCPtr<LMidiManager>();
}

} // namespace

std::int32_t GetProgram(const RCPtr<LMidiManager>& manager, std::int32_t program) {
  return RunAction(manager, kGetTexts,
                   [program](LMidiManager& midi) { return midi.GetPresetFromMidiDevice(program); });
}

std::int32_t SendProgram(const RCPtr<LMidiManager>& manager, std::int32_t program) {
  return RunAction(manager, kSendTexts, [program](LMidiManager& midi) { return midi.SendPreset(program); });
}

std::int32_t GetProgram(std::int32_t program) { return GetProgram(RunningManager(), program); }

std::int32_t SendProgram(std::int32_t program) { return SendProgram(RunningManager(), program); }

} // namespace QZ
