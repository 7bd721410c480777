#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleInterface.h"

#include "QZFramework/ObjectBase/Exception.h"

#include <stdexcept>

using QZ::ConstRCPtr;
using QZ::ParamDescriptor;
using QZ::RCPtr;
using QZ::Variant;

namespace {

constexpr const char* kSourcePath = "DeviceControl\\GeneratedCode\\Engine\\Inc\\RootModuleInterface";

const RCPtr<LParameterizedModule>& NoModule() { return RCPtr<LParameterizedModule>::sNull; }

} // namespace

void LParameterizedModule::SetFirstParamID(LParameterizedModule* parent, std::int32_t first,
                                           std::int32_t reserved) {
  mParent = parent;
  mFirstParamID = first;
  mReserved = reserved;
}

ConstRCPtr<LParameterizedModule> LParameterizedModule::FindParamModule(std::int32_t id) {
  return GetParamModule(id);
}

RCPtr<LParameterizedModule> LParameterizedModule::GetParamModule(std::int32_t) {
  return RCPtr<LParameterizedModule>(this);
}

std::int32_t LParameterizedModule::SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value,
                                                      bool fromDevice) {
  if (mParamCount == 0 && !IsModuleRequestID(descriptor.id))
    QZ::ThrowException<std::logic_error>("", "LParameterizedModule::SetParamValueLocal", kSourcePath, 109);
  return mParent ? mParent->SetParamValue(descriptor, value, fromDevice) : -1;
}

Variant LParameterizedModule::GetParamValueLocal(const ParamDescriptor& descriptor) const {
  if (mParamCount == 0 && !IsModuleRequestID(descriptor.id))
    QZ::ThrowException<std::logic_error>("", "LParameterizedModule::GetParamValueLocal", kSourcePath, 123);
  return mParent ? mParent->GetParamValue(descriptor) : Variant();
}

std::int32_t LParameterizedModule::SetParamValue(const ParamDescriptor& descriptor, const Variant& value,
                                                 bool fromDevice) {
  return mParent ? mParent->SetParamValue(descriptor, value, fromDevice) : -1;
}

Variant LParameterizedModule::GetParamValue(const ParamDescriptor& descriptor) const {
  return mParent ? mParent->GetParamValue(descriptor) : Variant();
}

Variant LParameterizedModule::GetParamValueDefault(std::int32_t) const { return Variant(); }

void LParameterizedModule::OnDeviceReady() {}

void LParameterizedModule::OnDeviceEvent() {}

std::int32_t LParameterizedModule::QueryParam(std::int32_t) { return 1; }

void LParameterizedModule::RelayToRoot(std::int32_t a, std::int32_t b, std::int32_t c, std::int32_t d) {
  if (mParent)
    mParent->RelayToRoot(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b),
                         static_cast<std::uint32_t>(c), static_cast<std::uint32_t>(d));
}

void LParameterizedModule::RelayToRoot(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d) {
  if (mParent)
    mParent->RelayToRoot(a, b, c, d);
}

std::int32_t LParameterizedModule::UpdateCachedValue(const ParamDescriptor& descriptor, const Variant& value) {
  return mParent ? mParent->UpdateCachedValue(descriptor, value) : QZ::E_FAIL;
}

Variant LParameterizedModule::GetCachedValue(const ParamDescriptor& descriptor) const {
  return mParent ? mParent->GetCachedValue(descriptor) : Variant();
}

void IDevice::SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) {
  LParameterizedModule::SetFirstParamID(parent, first, reserved);
  if (RCPtr<IKeybed> keybed = GetKeybed())
    keybed->SetFirstParamID(this, first, 0);
  if (RCPtr<IArpeggiator> arpeggiator = GetArpeggiator())
    arpeggiator->SetFirstParamID(this, first + static_cast<std::int32_t>(kKeybedParamCount), 0);
}

RCPtr<LParameterizedModule> IDevice::GetParamModule(std::int32_t id) {
  const std::uint32_t distance = DistanceOf(id);
  if (distance < kKeybedParamCount) {
    RCPtr<IKeybed> keybed = GetKeybed();
    return keybed ? keybed->GetParamModule(id) : NoModule();
  }
  if (distance < kDeviceParamCount) {
    RCPtr<IArpeggiator> arpeggiator = GetArpeggiator();
    return arpeggiator ? arpeggiator->GetParamModule(id) : NoModule();
  }
  return NoModule();
}

void IDevice::OnDeviceReady() {
  if (RCPtr<IKeybed> keybed = GetKeybed())
    keybed->OnDeviceReady();
  if (RCPtr<IArpeggiator> arpeggiator = GetArpeggiator())
    arpeggiator->OnDeviceReady();
}

void IDevice::OnDeviceEvent() {
  if (RCPtr<IKeybed> keybed = GetKeybed())
    keybed->OnDeviceEvent();
  if (RCPtr<IArpeggiator> arpeggiator = GetArpeggiator())
    arpeggiator->OnDeviceEvent();
}

RCPtr<LParameterizedModule> IDevice::GetKeybedAsModule() { return GetKeybed(); }

RCPtr<LParameterizedModule> IDevice::GetArpeggiatorAsModule() { return GetArpeggiator(); }

void IRootModule::SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) {
  LParameterizedModule::SetFirstParamID(parent, first, reserved);
  if (RCPtr<IDevice> device = GetDevice())
    device->SetFirstParamID(this, first, 0);
}

RCPtr<LParameterizedModule> IRootModule::GetParamModule(std::int32_t id) {
  if (DistanceOf(id) >= kDeviceParamCount)
    return NoModule();
  RCPtr<IDevice> device = GetDevice();
  return device ? device->GetParamModule(id) : NoModule();
}

void IRootModule::OnDeviceReady() {
  if (RCPtr<IDevice> device = GetDevice())
    device->OnDeviceReady();
}

void IRootModule::OnDeviceEvent() {
  if (RCPtr<IDevice> device = GetDevice())
    device->OnDeviceEvent();
}

ConstRCPtr<LParameterizedModule> IRootModule::FindRequestModule(const ParamDescriptor& descriptor) {
  return GetRequestModule(descriptor);
}

RCPtr<LParameterizedModule> IRootModule::GetRequestModule(const ParamDescriptor&) { return NoModule(); }

std::int32_t IRootModule::SetParamValueExternal(const ParamDescriptor& descriptor, const Variant& value) {
  if (mOffline)
    return UpdateCachedValue(descriptor, value);
  RCPtr<LParameterizedModule> module;
  if (IsModuleRequestID(descriptor.id))
    module = GetRequestModule(descriptor);
  else if (descriptor.id >= 0)
    module = GetParamModule(descriptor.id);
  if (!module)
    return QZ::E_FAIL;
  return module->SetParamValueLocal(descriptor, value, false);
}

std::int32_t IRootModule::GetParamValueExternal(const ParamDescriptor& descriptor, Variant& value) {
  if (mOffline) {
    value = GetCachedValue(descriptor);
    return QZ::S_OK;
  }
  ConstRCPtr<LParameterizedModule> module = FindParamModule(descriptor.id);
  if (!module) {
    value.Clear();
    return QZ::E_FAIL;
  }
  value = module->GetParamValueLocal(descriptor);
  return QZ::S_OK;
}

RCPtr<LParameterizedModule> IRootModule::GetDeviceAsModule() { return GetDevice(); }
