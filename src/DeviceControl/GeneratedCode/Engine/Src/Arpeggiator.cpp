#include "DeviceControl/GeneratedCode/Engine/Inc/Arpeggiator.h"

#include "DeviceControl/GeneratedCode/Engine/Inc/RootModule.h"
#include "QZFramework/ObjectBase/Exception.h"

#include <cstdint>
#include <stdexcept>

namespace QZ {
namespace {

constexpr const char* kSourcePath = "..\\DeviceControl\\GeneratedCode\\Engine\\Src\\Arpeggiator";

struct Default {
  std::uint8_t bytes[2];
  std::uint32_t width;
};

// arpEnabled, arpMode, noteRepeatTimeDivision, swing, noteRepeatClock,
// arpLatch, tempoTaps, tempo (two 7-bit bytes, high first: 112), arpOctave.
constexpr Default kDefaults[LArpeggiator::kParamCount] = {
    {{0x00}, 1}, {{0x00}, 1}, {{0x00}, 1},       {{0x00}, 1}, {{0x00}, 1},
    {{0x00}, 1}, {{0x02}, 1}, {{0x00, 0x70}, 2}, {{0x00}, 1},
};

} // namespace

RCPtr<LArpeggiator> LArpeggiator::Create() {
  RCPtr<LArpeggiator> keybed(new LArpeggiator);
  keybed->OnCreated();
  return keybed;
}

void LArpeggiator::OnCreated() {}

void LArpeggiator::SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) {
  LParameterizedModule::SetFirstParamID(parent, first, reserved);
  // The keybed's three parameters come first.
  if (mFirstParamID != GetTopmost()->GetFirstParamID() + 3)
    ThrowException<std::logic_error>("Invalid FirstParamID", "QZ::LArpeggiator::SetFirstParamID", kSourcePath, 77);
}

std::int32_t LArpeggiator::SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value,
                                              bool fromDevice) {
  if (descriptor.id < 0) {
    if (!IsModuleRequestID(descriptor.id))
      return -1;
    if (fromDevice)
      return 1;
    return LRootModule::SendModuleRequest(*this, descriptor, value) ? 1 : -1;
  }
  if (DistanceOf(descriptor.id) >= static_cast<std::uint32_t>(kParamCount))
    return -1;
  const ParamDescriptor descriptorCopy(descriptor);
  const Variant valueCopy(value);
  return LParameterizedModule::SetParamValueLocal(descriptorCopy, valueCopy, fromDevice);
}

Variant LArpeggiator::GetParamValueLocal(const ParamDescriptor& descriptor) const {
  if (DistanceOf(descriptor.id) >= static_cast<std::uint32_t>(kParamCount))
    ThrowException<std::logic_error>("", "QZ::LArpeggiator::GetParamValueLocal", kSourcePath, 136);
  return LParameterizedModule::GetParamValueLocal(descriptor);
}

std::int32_t LArpeggiator::SetParamValue(const ParamDescriptor& descriptor, const Variant& value,
                                         bool fromDevice) {
  const RCPtr<LParameterizedModule> parent(mParent); // held for the call
  return parent ? parent->SetParamValue(descriptor, value, fromDevice) : -1;
}

Variant LArpeggiator::GetParamValue(const ParamDescriptor& descriptor) const {
  const RCPtr<LParameterizedModule> parent(mParent);
  return parent ? parent->GetParamValue(descriptor) : Variant();
}

Variant LArpeggiator::GetParamValueDefault(std::int32_t id) const {
  const std::uint32_t index = DistanceOf(id);
  if (index >= static_cast<std::uint32_t>(kParamCount))
    ThrowException<std::logic_error>("", "QZ::LArpeggiator::GetParamValueDefault", kSourcePath, 343);
  Variant value;
  value.SetBuffer(kDefaults[index].bytes, kDefaults[index].width);
  return value;
}

} // namespace QZ
