#pragma once
// LArpeggiatorEditPanel: the panel of the nine arpeggiator and note-repeat
// parameters and the arpeggiator module of the editor's mirror of the module
// tree. Each child parameter panel carries one identifier of the block (first
// + 0 .. first + 8, see SetFirstParamID); delivered values go to the one that
// carries the identifier. The enabled button's text follows its value ("ON",
// "OFF"), and tempo taps of 0 or 1 (which the controller may report) are
// written back to the engine as 2 or 3 instead of being shown. A skin without
// one of the children leaves that parameter out. UI thread only.

#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleInterface.h"
#include "QZFramework/Controls/Panel.h"
#include "UI/PresetEditorCommon/VariantBufferSetterParameterPanel.h"

#include <cstdint>

namespace QZ {

class LArpeggiatorEditPanel : public LPanel, public IArpeggiator {
public:
  // The arpeggiator block's parameter count.
  static constexpr std::int32_t kArpeggiatorParamCount = 9;

  LArpeggiatorEditPanel(const RCPtr<LControl>& parent, const WideString& name)
      : LPanel(parent, name), IArpeggiator(kArpeggiatorParamCount) {}
  ~LArpeggiatorEditPanel() override = default;

  // "PresetEditor.Arpeggiator".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The child panels; null when missing or of another class.
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetArpEnabledPanel() const;
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetArpLatchPanel() const;
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetArpOctavePanel() const;
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetArpModePanel() const;
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetNoteRepeatTimeDivisionPanel() const;
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetNoteRepeatClockPanel() const;
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetSwingPanel() const;
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetTempoPanel() const;
  virtual RCPtr<LVariantBufferSetterParameterPanel> GetTempoTapsPanel() const;

  // The panel's, then the tempo (two bytes, 30..240, 3 characters), swing
  // (50..75, 2 characters, offset -50), enabled (0..1) and tempo-taps (offset 2)
  // settings. The panel's result; E_FAIL without a handler.
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
  // The child panel at an index of the block (0..8), in identifier order.
  RCPtr<LVariantBufferSetterParameterPanel> PanelAt(std::int32_t index) const;

  RCPtr<LNotificationHandler<LArpeggiatorEditPanel>> mArpeggiatorHandler;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LArpeggiatorEditPanel, "class QZ::LArpeggiatorEditPanel")
