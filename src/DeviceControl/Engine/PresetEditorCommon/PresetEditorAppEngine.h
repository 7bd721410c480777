#pragma once
// The engine the editor creates: an LRootModuleEngine for an editor that works
// on its parameters whether or not a device is connected. It starts in the
// connected state so writes are accepted at once, writes without looking at the
// state, and never treats the current device as available, so its worker never
// tries to reconnect.
//
// Threads and locks: as LRootModuleEngine.

#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"

namespace QZ {

class LPresetEditorAppEngine : public LRootModuleEngine {
public:
  [[nodiscard]] static RCPtr<LPresetEditorAppEngine> Create();
  ~LPresetEditorAppEngine() override = default;

  // The base's, then the connected state, stored without posting.
  std::int32_t Initialize(std::int32_t first) override;
  void OnRelease() override;
  bool IsActive() override;
  // The root's external write, whatever the state; a failure recomputes the state.
  std::int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value) override;
  std::int32_t RequestAllParamValues() override;
  RCPtr<LRefCountedObject> CreateRootModule(bool offline) override;
  bool IsCurrentDeviceAvailable() override;

protected:
  LPresetEditorAppEngine() = default;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LPresetEditorAppEngine, "class QZ::LPresetEditorAppEngine")
