#pragma once
// How MIDI ports are named and found. Stateless functions over strings and the platform's device list; they
// take no lock and may run on any thread.
//
// Port names: each device name of one direction once; a name that n devices share becomes "name (1)" ...
// "name (n)", all at the place of its first device (devices A, B, A list as "A (1)", "A (2)", "B"), so a list
// index is not a device index.
// Lookup: a requested name designates the list name that contains it ignoring case, unless another list name
// equals it ignoring case, which wins.
// Designation: a port name designates the device whose name ends (ignoring case) with its base name, counting
// from the lowest device index; "Keys (2)" is the second such device.

#include "Platform/Midi/MidiSystem.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/StringArrayT.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

using MidiPortNameList = StringArrayT<char16_t, char>;

// Replace the list with the unique names of the devices of that direction. E_FAIL when a device's name could
// not be read: the walk ends there, and the names read before it are still listed.
QZRESULT GetInputPortNames(Platform::MidiSystem& system, MidiPortNameList& names);
QZRESULT GetOutputPortNames(Platform::MidiSystem& system, MidiPortNameList& names);
QZRESULT GetPortNames(Platform::MidiSystem& system, Platform::MidiDirection direction, MidiPortNameList& names);

// Device names in device order to port names; the input is consumed.
[[nodiscard]] MidiPortNameList MakePortNamesUnique(Array<WideString> deviceNames);

// The number of list names that contain the requested name ignoring case: 1 with index set for an exact match
// (ignoring case) or a single candidate, more than 1 for an ambiguous name (index: the first candidate), 0 with
// index -1 for none.
std::int32_t FindPortName(const MidiPortNameList& names, const WideString& requested, std::int32_t& index);

// "Keys (12)" gives "Keys" and 11, "Keys (3)" "Keys" and 2; a name without a numbered tail is its own base,
// ordinal 0. The character in front of "(" is cut off unseen ("Keys(3)" gives "Key"); a tail that is not a
// number gives the ordinal -1.
void SplitPortName(const WideString& portName, WideString& baseName, std::int32_t& ordinal);

// The index of the device that the port name designates, or -1: the ordinal-th device named exactly the base
// name (ignoring case), else the ordinal-th whose name ends in it. deviceName holds the name of each device
// examined in turn: at the end, the designated device's name, or the last one looked at. A device whose name
// cannot be read is passed over.
std::int32_t FindPortDevice(Platform::MidiSystem& system, Platform::MidiDirection direction,
                            const WideString& portName, WideString& deviceName);

} // namespace QZ
