#include "UI/PresetEditorCommon/ArpeggiatorEditPanel.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "QZFramework/Notification/Notification.h"

namespace QZ {

namespace {

constexpr const char16_t* kTextBoxName = u"textBox";

// The block's parameters, by index from the first identifier.
constexpr std::int32_t kArpEnabledIndex = 0;
constexpr std::int32_t kTempoTapsIndex = 6;
constexpr const char16_t* kPanelNames[LArpeggiatorEditPanel::kArpeggiatorParamCount] = {
    u"arpEnabled", u"arpMode",  u"noteRepeatTimeDivision", u"swing", u"noteRepeatClock", u"arpLatch", u"tempoTaps",
    u"tempo",      u"arpOctave"};

// Tempo taps below this are written back raised by it rather than shown.
constexpr std::uint8_t kLowestTempoTaps = 2;

constexpr const char16_t* kOnText = u"ON";
constexpr const char16_t* kOffText = u"OFF";

// The panel's value control gets the range and, when it has a text box, the text limit (0: none).
void SetUpControl(const RCPtr<LVariantBufferSetterParameterPanel>& panel, double minimum, double maximum,
                  std::int32_t maxLength) {
  const RCPtr<LControl> control = panel ? panel->GetParameterControl() : RCPtr<LControl>();
  if (!control)
    return;
  static_cast<void>(control->SetValueRange(minimum, maximum, LControl::kValueMappingLinear));
  if (maxLength <= 0)
    return;
  if (const RCPtr<LTextBox> textBox = DynamicCast<LTextBox>(control->FindChild(WideString(kTextBoxName))))
    static_cast<void>(textBox->SetMaxLength(maxLength));
}

RCPtr<LVariantBufferSetterParameterPanel> PanelNamed(const LControl& parent, const char16_t* name) {
  return DynamicCast<LVariantBufferSetterParameterPanel>(parent.FindChild(WideString(name)));
}

} // namespace

RCPtr<LControl>& LArpeggiatorEditPanel::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                               const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LArpeggiatorEditPanel>(out, parent, descriptor);
}

RCPtr<LVariantBufferSetterParameterPanel> LArpeggiatorEditPanel::PanelAt(std::int32_t index) const {
  if (index < 0 || index >= kArpeggiatorParamCount)
    return {};
  return PanelNamed(*this, kPanelNames[index]);
}

RCPtr<LVariantBufferSetterParameterPanel> LArpeggiatorEditPanel::GetArpEnabledPanel() const { return PanelAt(0); }
RCPtr<LVariantBufferSetterParameterPanel> LArpeggiatorEditPanel::GetArpLatchPanel() const { return PanelAt(5); }
RCPtr<LVariantBufferSetterParameterPanel> LArpeggiatorEditPanel::GetArpOctavePanel() const { return PanelAt(8); }
RCPtr<LVariantBufferSetterParameterPanel> LArpeggiatorEditPanel::GetArpModePanel() const { return PanelAt(1); }
RCPtr<LVariantBufferSetterParameterPanel> LArpeggiatorEditPanel::GetNoteRepeatTimeDivisionPanel() const {
  return PanelAt(2);
}
RCPtr<LVariantBufferSetterParameterPanel> LArpeggiatorEditPanel::GetNoteRepeatClockPanel() const {
  return PanelAt(4);
}
RCPtr<LVariantBufferSetterParameterPanel> LArpeggiatorEditPanel::GetSwingPanel() const { return PanelAt(3); }
RCPtr<LVariantBufferSetterParameterPanel> LArpeggiatorEditPanel::GetTempoPanel() const { return PanelAt(7); }
RCPtr<LVariantBufferSetterParameterPanel> LArpeggiatorEditPanel::GetTempoTapsPanel() const {
  return PanelAt(kTempoTapsIndex);
}

QZRESULT LArpeggiatorEditPanel::Initialize() {
  const QZRESULT result = LPanel::Initialize();
  if (result < 0)
    return result;
  mArpeggiatorHandler = LNotificationHandler<LArpeggiatorEditPanel>::Create(this);
  if (!mArpeggiatorHandler)
    return E_FAIL;
  if (const auto tempo = GetTempoPanel()) {
    tempo->SetTwoByteMode(true);
    SetUpControl(tempo, 30, 240, 3);
  }
  if (const auto swing = GetSwingPanel()) {
    SetUpControl(swing, 50, 75, 2);
    swing->SetValueOffset(-50);
  }
  SetUpControl(GetArpEnabledPanel(), 0, 1, 0);
  if (const auto taps = GetTempoTapsPanel())
    taps->SetValueOffset(kLowestTempoTaps);
  return result;
}

std::int32_t LArpeggiatorEditPanel::Receive(const RCPtr<LNotificationDistributor>& source,
                                            const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mArpeggiatorHandler) {
    const std::int32_t handled = mArpeggiatorHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LPanel::Receive(source, notification);
}

std::int32_t LArpeggiatorEditPanel::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor,
                                                NotificationID id) {
  if (mArpeggiatorHandler && id)
    static_cast<void>(mArpeggiatorHandler->Unregister(distributor, id));
  return LPanel::Unsubscribe(distributor, id);
}

QZRESULT LArpeggiatorEditPanel::ReleaseInnerReferences() {
  mArpeggiatorHandler = RCPtr<LNotificationHandler<LArpeggiatorEditPanel>>();
  return LPanel::ReleaseInnerReferences();
}

void LArpeggiatorEditPanel::SetFirstParamID(LParameterizedModule* parent, std::int32_t first,
                                            std::int32_t reserved) {
  IArpeggiator::SetFirstParamID(parent, first, reserved);
  for (std::int32_t index = 0; index < kArpeggiatorParamCount; ++index) {
    if (const auto panel = PanelAt(index))
      panel->SetParameter(ParamDescriptor(first + index));
  }
}

std::int32_t LArpeggiatorEditPanel::SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value,
                                                       bool) {
  const RCPtr<LControl> self(static_cast<LPanel*>(this));
  const std::int32_t index = descriptor.id - GetFirstParamID();
  if (index < 0 || index >= kArpeggiatorParamCount)
    return 0;
  if (index == kTempoTapsIndex) {
    const std::uint8_t taps = value.GetUInt8();
    if (taps < kLowestTempoTaps) {
      if (const RCPtr<LRootModuleEngine> engine = GetAppEngine()) {
        const std::uint8_t raised = static_cast<std::uint8_t>(taps + kLowestTempoTaps);
        Variant buffer;
        static_cast<void>(buffer.SetBuffer(&raised, 1));
        static_cast<void>(engine->SetParamValue(ParamDescriptor(descriptor.id), buffer));
      }
      return 0;
    }
  }
  const RCPtr<LVariantBufferSetterParameterPanel> panel = PanelAt(index);
  if (panel)
    static_cast<void>(panel->ShowValue(value));
  if (index == kArpEnabledIndex && panel) {
    if (const RCPtr<LControl> button = panel->GetParameterControl())
      static_cast<void>(button->LControl::SetText(WideString(value.GetInt8() != 0 ? kOnText : kOffText)));
  }
  return 0;
}

} // namespace QZ
