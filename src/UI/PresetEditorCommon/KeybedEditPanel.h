#pragma once
// LKeybedEditPanel: the panel of the three keybed parameters and the keybed
// module of the editor's mirror of the module tree. Its children
// "midiChannel", "octave" and "transpose" are parameter panels carrying the
// identifiers first, first + 1 and first + 2; delivered values go to the one
// that carries the identifier, and identifiers outside the block are ignored.
// A skin without one of them leaves that parameter out. UI thread only.

#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleInterface.h"
#include "QZFramework/Controls/Panel.h"
#include "UI/PresetEditorCommon/VariantBufferSetterParameterPanel.h"

#include <cstdint>

namespace QZ {

class LKeybedEditPanel : public LPanel, public IKeybed {
public:
  LKeybedEditPanel(const RCPtr<LControl>& parent, const WideString& name)
      : LPanel(parent, name), IKeybed(static_cast<std::int32_t>(kKeybedParamCount)) {}
  ~LKeybedEditPanel() override = default;

  // "PresetEditor.KeybedPanel".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The child panels; null when missing or of another class.
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetMidiChannelPanel() const;
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetTransposePanel() const;
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetOctavePanel() const;

  // The panel's, then the ranges and offsets of octave (-4..4, 4) and transpose
  // (-12..12, 12). The panel's result; E_FAIL without a handler.
  QZRESULT Initialize() override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;
  WideString ToString() const override { return LPanel::ToString(); }

  // The module base's, then each child panel's identifier.
  void SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) override;
  // The child panel of the identifier shows the value. 0.
  std::int32_t SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value,
                                  bool fromDevice) override;

private:
  RCPtr<LNotificationHandler<LKeybedEditPanel>> mKeybedHandler;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LKeybedEditPanel, "class QZ::LKeybedEditPanel")
