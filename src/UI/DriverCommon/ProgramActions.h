#pragma once
// The program transfer actions: GetProgram fetches a stored program from the controller into the engine,
// SendProgram sends the engine's program to the controller's RAM (0) or a slot (1 to 8). Each calls the
// running application's MIDI manager and tells the user how it went in one message box from the application's
// string table (no box when the text is missing there); each returns the manager's result.
//
// Results: 0 and above succeed. -2 is a firmware-compatibility failure; every other negative result (no port,
// no reply, a refused value, a failed send) is a MIDI error. Without a manager, or when the manager throws,
// the action shows the MIDI-error box and answers -1 (no manager) or E_FAIL (a throw), so a failure never
// ends the main loop.
//
// Mouse and key presses made while an action held the UI thread (the transfer, then a box that holds it) are
// dropped when it returns, so that a press starts one transfer at most.
//
// Threads: the UI thread, which waits while the manager talks to the controller and while the box is open.

#include "DeviceControl/Engine/PresetEditorCommon/MidiManager.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"

#include <cstdint>

namespace QZ {

// The result that stands for a firmware the editor cannot work with.
inline constexpr std::int32_t kProgramFirmwareIncompatible = -2;

// Through the running application's MIDI manager.
std::int32_t GetProgram(std::int32_t program);
std::int32_t SendProgram(std::int32_t program);

// Through the given manager (null: none).
std::int32_t GetProgram(const RCPtr<LMidiManager>& manager, std::int32_t program);
std::int32_t SendProgram(const RCPtr<LMidiManager>& manager, std::int32_t program);

} // namespace QZ
