#include "DeviceControl/GeneratedCode/Engine/Inc/Keybed.h"

#include "DeviceControl/GeneratedCode/Engine/Inc/RootModule.h"
#include "QZFramework/ObjectBase/Exception.h"

#include <cstdint>
#include <stdexcept>

namespace QZ {
namespace {

constexpr const char* kSourcePath = "..\\DeviceControl\\GeneratedCode\\Engine\\Src\\Keybed";

// midiChannel, octave, transpose.
constexpr std::uint8_t kDefaults[LKeybed::kParamCount] = {0x00, 0x04, 0x0C};

} // namespace

RCPtr<LKeybed> LKeybed::Create() {
  RCPtr<LKeybed> keybed(new LKeybed);
  keybed->OnCreated();
  return keybed;
}

void LKeybed::OnCreated() {}

void LKeybed::SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) {
  LParameterizedModule::SetFirstParamID(parent, first, reserved);
  if (mFirstParamID != GetTopmost()->GetFirstParamID())
    ThrowException<std::logic_error>("Invalid FirstParamID", "QZ::LKeybed::SetFirstParamID", kSourcePath, 77);
}

std::int32_t LKeybed::SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value,
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

Variant LKeybed::GetParamValueLocal(const ParamDescriptor& descriptor) const {
  if (DistanceOf(descriptor.id) >= static_cast<std::uint32_t>(kParamCount))
    ThrowException<std::logic_error>("", "QZ::LKeybed::GetParamValueLocal", kSourcePath, 106);
  return LParameterizedModule::GetParamValueLocal(descriptor);
}

std::int32_t LKeybed::SetParamValue(const ParamDescriptor& descriptor, const Variant& value, bool fromDevice) {
  const RCPtr<LParameterizedModule> parent(mParent); // held for the call
  return parent ? parent->SetParamValue(descriptor, value, fromDevice) : -1;
}

Variant LKeybed::GetParamValue(const ParamDescriptor& descriptor) const {
  const RCPtr<LParameterizedModule> parent(mParent);
  return parent ? parent->GetParamValue(descriptor) : Variant();
}

Variant LKeybed::GetParamValueDefault(std::int32_t id) const {
  const std::uint32_t index = DistanceOf(id);
  if (index >= static_cast<std::uint32_t>(kParamCount))
    ThrowException<std::logic_error>("", "QZ::LKeybed::GetParamValueDefault", kSourcePath, 247);
  Variant value;
  value.SetBuffer(&kDefaults[index], 1);
  return value;
}

} // namespace QZ
