#pragma once
// The keybed: a leaf of the module tree owning three parameters (MIDI channel,
// octave, transpose), one byte each. It keeps no value: reads and writes of its
// parameters go up to the root. It answers for its defaults, its placement
// (its first identifier must equal the root's) and its argument checks.
//
// Threads: called under the root's lock.

#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleInterface.h"

#include <cstdint>

namespace QZ {

class LKeybed : public IKeybed {
public:
  static constexpr std::int32_t kParamCount = 3;

  // A new keybed at identifier 0 without a parent.
  [[nodiscard]] static RCPtr<LKeybed> Create();
  ~LKeybed() override = default;

  // Throws "Invalid FirstParamID" (after storing) when misplaced.
  void SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) override;
  // -1 for identifiers it does not own (never throws); 1 for a module-level request.
  std::int32_t SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value,
                                  bool fromDevice) override;
  // Throws for an identifier outside the keybed.
  Variant GetParamValueLocal(const ParamDescriptor& descriptor) const override;
  std::int32_t SetParamValue(const ParamDescriptor& descriptor, const Variant& value, bool fromDevice) override;
  Variant GetParamValue(const ParamDescriptor& descriptor) const override;
  // Throws for an identifier outside the keybed.
  Variant GetParamValueDefault(std::int32_t id) const override;
  // Called once by the factory; nothing to do.
  virtual void OnCreated();

private:
  LKeybed() : IKeybed(kParamCount) {}
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LKeybed, "class QZ::LKeybed")
