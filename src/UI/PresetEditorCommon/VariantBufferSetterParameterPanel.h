#pragma once
// LVariantBufferSetterParameterPanel: the panel of one program parameter. It
// holds a "comboBox" (the stored byte is the row plus the offset) or a
// "parameterControl" (a numeric up-down or a toggle button; the stored byte is
// its value plus the offset, truncated, or in two-byte mode the value as two
// 7-bit bytes, high first). User edits go to the main control (the top-level
// control); a top-level control that is no main control drops them.
//
// ShowValue shows a stored value in the control. The control's own change
// notification then reports it back as an edit, which the main control drops
// as the echo of its delivery; a value the control changes (clamps into its
// range) therefore reaches the engine as the control shows it. A combo byte
// that has no row shows no row and an empty text, and sends nothing.
//
// The module panel (keybed, arpeggiator) sets the identifier, offset, mode and
// ranges after the panel's own initialisation. UI thread only, like every control.

#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "QZFramework/Controls/ComboBox.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Utilities/Storage/Variant.h"

#include <cstdint>

namespace QZ {

inline constexpr const char16_t* kParameterComboBoxName = u"comboBox";
inline constexpr const char16_t* kParameterControlName = u"parameterControl";

class LVariantBufferSetterParameterPanel : public LPanel {
public:
  LVariantBufferSetterParameterPanel(const RCPtr<LControl>& parent, const WideString& name)
      : LPanel(parent, name) {}
  ~LVariantBufferSetterParameterPanel() override = default;

  // The twelve parameter panel classes.
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // ---- Virtual operations of the panel

  virtual void SetParameter(const ParamDescriptor& descriptor);
  // One byte (two in two-byte mode) shown in the control; any other length
  // changes nothing. 0 when shown, 1 when ignored.
  virtual QZRESULT ShowValue(const Variant& value);
  virtual void SetValueOffset(double offset);
  virtual void SetTwoByteMode(bool twoByteMode);
  // value / 128 and value % 128.
  virtual void SplitSevenBitPair(std::uint8_t (&bytes)[2], std::uint16_t value) const;
  virtual std::int32_t JoinSevenBitPair(std::int32_t first, std::int32_t second) const;

  // ---- Overridden operations

  // The panel's, then the handler on the combo box or the value control, whose
  // range becomes 0..127 (text limited to 3 characters). The panel's result;
  // E_FAIL without a handler. Throws "Failed Result" when a registration fails.
  QZRESULT Initialize() override;
  // The parameter panel's handler first, then the panel's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

  const ParamDescriptor& GetParameter() const { return mParameter; }
  double GetValueOffset() const { return mValueOffset; }
  bool IsTwoByteMode() const { return mTwoByteMode; }
  RCPtr<LComboBox> GetComboBox() const;
  const RCPtr<LControl>& GetParameterControl() const;

private:
  // "NID_SELECTION_CHANGE" of the combo box and "NID_VALUE_CHANGE" of the value control. 1.
  std::int32_t OnSelectionChange(const RCPtr<LNotificationDistributor>& source,
                                 const RCPtr<LNotification>& notification);
  std::int32_t OnValueChange(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);
  // The value control's value as stored bytes, to the main control.
  void SendControlValue(const RCPtr<LControl>& control);
  // The bytes to the main control of the panel's tree.
  void RequestChange(const Variant& value);
  void ShowInValueControl(double shown);
  void ShowInComboBox(std::int32_t index);

  RCPtr<LNotificationHandler<LVariantBufferSetterParameterPanel>> mParameterHandler;
  double mValueOffset = 0;
  ParamDescriptor mParameter;
  bool mTwoByteMode = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LVariantBufferSetterParameterPanel, "class QZ::LVariantBufferSetterParameterPanel")
