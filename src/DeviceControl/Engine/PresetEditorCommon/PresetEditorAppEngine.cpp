#include "DeviceControl/Engine/PresetEditorCommon/PresetEditorAppEngine.h"

namespace QZ {

RCPtr<LPresetEditorAppEngine> LPresetEditorAppEngine::Create() {
  return RCPtr<LPresetEditorAppEngine>(new LPresetEditorAppEngine);
}

std::int32_t LPresetEditorAppEngine::Initialize(std::int32_t first) {
  const std::int32_t result = LRootModuleEngine::Initialize(first);
  SetConnectionStateQuietly(kConnected);
  return result;
}

void LPresetEditorAppEngine::OnRelease() { LRootModuleEngine::OnRelease(); }

bool LPresetEditorAppEngine::IsActive() { return LRootModuleEngine::IsActive(); }

std::int32_t LPresetEditorAppEngine::SetParamValue(const ParamDescriptor& descriptor, const Variant& value) {
  const RCPtr<LRootModule>& root = GetRootModule();
  const std::int32_t result = root ? root->SetParamValueExternal(descriptor, value) : E_FAIL;
  if (result < 0)
    UpdateConnectionState(); // after the root lock is released
  return result;
}

std::int32_t LPresetEditorAppEngine::RequestAllParamValues() { return LRootModuleEngine::RequestAllParamValues(); }

RCPtr<LRefCountedObject> LPresetEditorAppEngine::CreateRootModule(bool offline) {
  return LRootModule::Create(offline);
}

bool LPresetEditorAppEngine::IsCurrentDeviceAvailable() { return false; }

} // namespace QZ
