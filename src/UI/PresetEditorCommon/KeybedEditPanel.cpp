#include "UI/PresetEditorCommon/KeybedEditPanel.h"

#include "QZFramework/Notification/Notification.h"

namespace QZ {

namespace {

constexpr const char16_t* kMidiChannelName = u"midiChannel";
constexpr const char16_t* kOctaveName = u"octave";
constexpr const char16_t* kTransposeName = u"transpose";

constexpr std::int32_t kMidiChannelIndex = 0;
constexpr std::int32_t kOctaveIndex = 1;
constexpr std::int32_t kTransposeIndex = 2;

// The panel's value control shows minimum..maximum and stores shown + offset.
void SetUpPanel(const RCPtr<LVariantBufferSetterParameterPanel>& panel, double minimum, double maximum,
                double offset) {
  if (!panel)
    return;
  if (const RCPtr<LControl> control = panel->GetParameterControl())
    static_cast<void>(control->SetValueRange(minimum, maximum, LControl::kValueMappingLinear));
  panel->SetValueOffset(offset);
}

} // namespace

RCPtr<LControl>& LKeybedEditPanel::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                          const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LKeybedEditPanel>(out, parent, descriptor);
}

RCPtr<LVariantBufferSetterParameterPanel> LKeybedEditPanel::GetMidiChannelPanel() const {
  return DynamicCast<LVariantBufferSetterParameterPanel>(FindChild(WideString(kMidiChannelName)));
}

RCPtr<LVariantBufferSetterParameterPanel> LKeybedEditPanel::GetTransposePanel() const {
  return DynamicCast<LVariantBufferSetterParameterPanel>(FindChild(WideString(kTransposeName)));
}

RCPtr<LVariantBufferSetterParameterPanel> LKeybedEditPanel::GetOctavePanel() const {
  return DynamicCast<LVariantBufferSetterParameterPanel>(FindChild(WideString(kOctaveName)));
}

QZRESULT LKeybedEditPanel::Initialize() {
  const QZRESULT result = LPanel::Initialize();
  if (result < 0)
    return result;
  mKeybedHandler = LNotificationHandler<LKeybedEditPanel>::Create(this);
  if (!mKeybedHandler)
    return E_FAIL;
  SetUpPanel(GetTransposePanel(), -12, 12, 12);
  SetUpPanel(GetOctavePanel(), -4, 4, 4);
  return result;
}

std::int32_t LKeybedEditPanel::Receive(const RCPtr<LNotificationDistributor>& source,
                                       const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mKeybedHandler) {
    const std::int32_t handled = mKeybedHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LPanel::Receive(source, notification);
}

std::int32_t LKeybedEditPanel::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mKeybedHandler && id)
    static_cast<void>(mKeybedHandler->Unregister(distributor, id));
  return LPanel::Unsubscribe(distributor, id);
}

QZRESULT LKeybedEditPanel::ReleaseInnerReferences() {
  mKeybedHandler = RCPtr<LNotificationHandler<LKeybedEditPanel>>();
  return LPanel::ReleaseInnerReferences();
}

void LKeybedEditPanel::SetFirstParamID(LParameterizedModule* parent, std::int32_t first, std::int32_t reserved) {
  IKeybed::SetFirstParamID(parent, first, reserved);
  if (const auto panel = GetMidiChannelPanel())
    panel->SetParameter(ParamDescriptor(first + kMidiChannelIndex));
  if (const auto panel = GetOctavePanel())
    panel->SetParameter(ParamDescriptor(first + kOctaveIndex));
  if (const auto panel = GetTransposePanel())
    panel->SetParameter(ParamDescriptor(first + kTransposeIndex));
}

std::int32_t LKeybedEditPanel::SetParamValueLocal(const ParamDescriptor& descriptor, const Variant& value, bool) {
  const RCPtr<LControl> self(static_cast<LPanel*>(this));
  RCPtr<LVariantBufferSetterParameterPanel> panel;
  const std::int32_t index = descriptor.id - GetFirstParamID();
  if (index == kMidiChannelIndex)
    panel = GetMidiChannelPanel();
  else if (index == kOctaveIndex)
    panel = GetOctavePanel();
  else if (index == kTransposeIndex)
    panel = GetTransposePanel();
  if (panel)
    static_cast<void>(panel->ShowValue(value));
  return 0;
}

} // namespace QZ
