#pragma once
// The arpeggiator: a leaf of the module tree owning nine parameters (on/off,
// mode, time division, swing, clock, latch, tempo taps, tempo, octave range),
// one byte each but the tempo, two 7-bit bytes high first. It keeps no value:
// reads and writes go up to the root. Its first identifier must be the
// root's + 3.
//
// Threads: called under the root's lock.

#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleInterface.h"

#include <cstdint>

namespace QZ {

class LArpeggiator : public IArpeggiator {
public:
  static constexpr std::int32_t kParamCount = 9;

  [[nodiscard]] static RCPtr<LArpeggiator> Create();
  ~LArpeggiator() override = default;

  void SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) override;
  std::int32_t SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value,
                                  bool fromDevice) override;
  Variant GetParamValueLocal(const ParamDescriptor& descriptor) const override;
  std::int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value, bool fromDevice) override;
  Variant GetParamValue(const ParamDescriptor& descriptor) const override;
  Variant GetParamValueDefault(std::int32_t id) const override;
  virtual void OnCreated();

private:
  LArpeggiator() : IArpeggiator(kParamCount) {}
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LArpeggiator, "class QZ::LArpeggiator")
