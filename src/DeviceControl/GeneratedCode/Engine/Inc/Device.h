#pragma once
// The device module: the inner node that owns the keybed and the arpeggiator
// and routes identifiers to them. It has no parameters of its own; its first
// identifier must equal the root's.
//
// Threads: called under the root's lock.

#include "DeviceControl/GeneratedCode/Engine/Inc/Arpeggiator.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/Keybed.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleInterface.h"

namespace QZ {

class LDevice : public IDevice {
public:
  // A device with both children.
  [[nodiscard]] static RCPtr<LDevice> Create();
  ~LDevice() override = default;

  void SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) override;
  std::int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value, bool fromDevice) override;
  Variant GetParamValue(const ParamDescriptor& descriptor) const override;
  RCPtr<IKeybed> GetKeybed() override;
  RCPtr<IArpeggiator> GetArpeggiator() override;
  // New children, replacing the old ones.
  virtual void CreateChildren();

private:
  LDevice() = default;

  RCPtr<LKeybed> mKeybed;
  RCPtr<LArpeggiator> mArpeggiator;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LDevice, "class QZ::LDevice")
