#include "DeviceControl/Engine/PresetEditorCommon/MidiPortNames.h"

#include <string>

namespace QZ {
namespace {

WideString ToWide(const std::u16string& text) {
  WideString wide;
  wide.AssignChars(text.c_str(), static_cast<std::uint32_t>(text.size()));
  return wide;
}

// True when the tail of the given length has "(" second and ")" last.
bool HasNumberTail(const WideString& name, std::uint32_t tail) {
  const std::uint32_t length = name.GetLength();
  if (length < tail)
    return false;
  const char16_t* chars = name.GetChars() + (length - tail);
  return chars[1] == u'(' && chars[tail - 1] == u')';
}

} // namespace

QZRESULT GetPortNames(Platform::MidiSystem& system, Platform::MidiDirection direction, MidiPortNameList& names) {
  QZRESULT result = S_OK;
  Array<WideString> deviceNames;
  const std::uint32_t count = system.GetDeviceCount(direction);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::u16string name;
    if (system.GetDeviceName(direction, i, name) != Platform::kMidiOk) {
      result = E_FAIL;
      break;
    }
    deviceNames.AddItem(ToWide(name));
  }
  names = MakePortNamesUnique(std::move(deviceNames));
  return result;
}

QZRESULT GetInputPortNames(Platform::MidiSystem& system, MidiPortNameList& names) {
  return GetPortNames(system, Platform::MidiDirection::Input, names);
}

QZRESULT GetOutputPortNames(Platform::MidiSystem& system, MidiPortNameList& names) {
  return GetPortNames(system, Platform::MidiDirection::Output, names);
}

MidiPortNameList MakePortNamesUnique(Array<WideString> deviceNames) {
  MidiPortNameList unique;
  while (deviceNames.GetCount() > 0) {
    WideString name;
    deviceNames.RemoveItem(0, name);
    std::uint32_t duplicates = 0;
    for (std::uint32_t i = 0; i < deviceNames.GetCount();) {
      if (deviceNames.GetAt(i).IsEqual(name.GetChars())) {
        WideString dropped;
        deviceNames.RemoveItem(i, dropped);
        ++duplicates;
      } else {
        ++i;
      }
    }
    if (duplicates == 0) {
      unique.AddItem(name);
      continue;
    }
    for (std::uint32_t n = 1; n <= duplicates + 1; ++n)
      unique.AddItem(name.Concat(WideString(u" (%d)", static_cast<int>(n))));
  }
  return unique;
}

std::int32_t FindPortName(const MidiPortNameList& names, const WideString& requested, std::int32_t& index) {
  const WideString lowered = requested.ToLower();
  index = -1;
  std::int32_t candidates = 0;
  for (std::int32_t at = names.FindContaining(lowered, false, 0); at >= 0;
       at = names.FindContaining(lowered, false, static_cast<std::uint32_t>(at) + 1)) {
    if (names.GetAt(static_cast<std::uint32_t>(at)).ToLower() == lowered) {
      index = at;
      return 1;
    }
    if (index < 0)
      index = at;
    ++candidates;
  }
  return candidates;
}

void SplitPortName(const WideString& portName, WideString& baseName, std::int32_t& ordinal) {
  const std::int32_t length = static_cast<std::int32_t>(portName.GetLength());
  for (std::int32_t tail : {4, 5}) {
    if (HasNumberTail(portName, static_cast<std::uint32_t>(tail))) {
      ordinal = portName.Mid(length - tail + 2, tail - 3).ToInt() - 1;
      baseName = portName.Left(length - tail);
      return;
    }
  }
  baseName = portName;
  ordinal = 0;
}

std::int32_t FindPortDevice(Platform::MidiSystem& system, Platform::MidiDirection direction,
                            const WideString& portName, WideString& deviceName) {
  const std::uint32_t count = system.GetDeviceCount(direction);
  WideString baseName;
  std::int32_t ordinal = 0;
  SplitPortName(portName, baseName, ordinal);
  const WideString base = baseName.ToLower();
  // Devices named exactly so come first: "Not Pellan Vorn" also ends in "pellan vorn", and may come earlier.
  for (const bool exact : {true, false}) {
    std::int32_t matches = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
      std::u16string name;
      if (system.GetDeviceName(direction, i, name) != Platform::kMidiOk)
        continue; // nothing to compare: the record was not filled
      deviceName = ToWide(name);
      const WideString lowered = deviceName.ToLower();
      const std::int32_t at = lowered.FindString(base);
      if (at < 0 || static_cast<std::uint32_t>(at) + base.GetLength() != lowered.GetLength() || (exact && at != 0))
        continue;
      if (matches == ordinal)
        return static_cast<std::int32_t>(i);
      ++matches;
    }
  }
  return -1;
}

} // namespace QZ
