#include "DeviceControl/GeneratedCode/Engine/Inc/Device.h"

#include "QZFramework/ObjectBase/Exception.h"

#include <stdexcept>

namespace QZ {
namespace {

constexpr const char* kSourcePath = "..\\DeviceControl\\GeneratedCode\\Engine\\Src\\Device";

} // namespace

RCPtr<LDevice> LDevice::Create() {
  RCPtr<LDevice> device(new LDevice);
  device->CreateChildren();
  return device;
}

void LDevice::CreateChildren() {
  mKeybed = LKeybed::Create();
  mArpeggiator = LArpeggiator::Create();
}

void LDevice::SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) {
  IDevice::SetFirstParamID(parent, first, reserved);
  if (first != GetTopmost()->GetFirstParamID())
    ThrowException<std::logic_error>("Invalid FirstParamID", "QZ::LDevice::SetFirstParamID", kSourcePath, 77);
}

std::int32_t LDevice::SetParamValue(const ParamDescriptor& descriptor, const Variant& value, bool fromDevice) {
  const RCPtr<LParameterizedModule> parent(mParent); // held for the call
  return parent ? parent->SetParamValue(descriptor, value, fromDevice) : -1;
}

Variant LDevice::GetParamValue(const ParamDescriptor& descriptor) const {
  const RCPtr<LParameterizedModule> parent(mParent);
  return parent ? parent->GetParamValue(descriptor) : Variant();
}

RCPtr<IKeybed> LDevice::GetKeybed() { return mKeybed; }

RCPtr<IArpeggiator> LDevice::GetArpeggiator() { return mArpeggiator; }

} // namespace QZ
