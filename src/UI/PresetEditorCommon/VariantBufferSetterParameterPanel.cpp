#include "UI/PresetEditorCommon/VariantBufferSetterParameterPanel.h"

#include "QZFramework/Notification/Notification.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "UI/DriverCommon/MainControl.h"

#include <algorithm>
#include <cmath>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "UI\\PresetEditorCommon\\VariantBufferSetterParameterPanel";
constexpr const char* kInitializeFunction = "QZ::LVariantBufferSetterParameterPanel::Initialize";
constexpr int kComboRegistrationLine = 37;
constexpr int kValueRegistrationLine = 43;

constexpr const char16_t* kSelectionChange = u"NID_SELECTION_CHANGE";
constexpr const char16_t* kValueChange = u"NID_VALUE_CHANGE";
constexpr const char16_t* kTextBoxName = u"textBox";

// The value control's range before the module panel sets its own, and its text limit.
constexpr double kDefaultMaximum = 127;
constexpr std::int32_t kDefaultMaxLength = 3;

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

Variant BufferOf(const std::uint8_t* bytes, std::uint32_t count) {
  Variant value;
  value.SetBuffer(bytes, count);
  return value;
}

// The stored bytes of a buffer value, read as signed 8-bit numbers.
bool StoredBytes(const Variant& value, std::uint32_t count, std::int32_t (&out)[2]) {
  std::uint32_t size = 0;
  const void* data = value.GetData(size);
  if (value.GetType() != kVariantBuffer || !data || size != count)
    return false;
  const auto* bytes = static_cast<const std::int8_t*>(data);
  for (std::uint32_t i = 0; i < count; ++i)
    out[i] = bytes[i];
  return true;
}

// Toward zero, except that a value within rounding noise of a whole number is
// that number: a value control's range arithmetic gives 111.99999999999999 for
// a shown 112, which plain truncation would store as 111.
std::int32_t TruncateToStored(double value) {
  constexpr double kNoise = 1e-9;
  const double nearest = std::round(value);
  return static_cast<std::int32_t>(std::abs(value - nearest) < kNoise ? nearest : std::trunc(value));
}

} // namespace

RCPtr<LControl>& LVariantBufferSetterParameterPanel::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                                            const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LVariantBufferSetterParameterPanel>(out, parent, descriptor);
}

RCPtr<LComboBox> LVariantBufferSetterParameterPanel::GetComboBox() const {
  return DynamicCast<LComboBox>(FindChild(WideString(kParameterComboBoxName)));
}

const RCPtr<LControl>& LVariantBufferSetterParameterPanel::GetParameterControl() const {
  return FindChild(WideString(kParameterControlName));
}

QZRESULT LVariantBufferSetterParameterPanel::Initialize() {
  const QZRESULT result = LPanel::Initialize();
  if (result < 0)
    return result;
  mParameterHandler = LNotificationHandler<LVariantBufferSetterParameterPanel>::Create(this);
  if (!mParameterHandler)
    return E_FAIL;
  if (const RCPtr<LComboBox> combo = GetComboBox()) {
    static_cast<void>(SetValueRange(mValueOffset, mValueOffset + combo->GetItemCount(), kValueMappingLinear));
    ThrowIfFailed(mParameterHandler->Register(&LVariantBufferSetterParameterPanel::OnSelectionChange,
                                              AsDistributor(RCPtr<LControl>(combo)), kSelectionChange),
                  kInitializeFunction, kSourcePath, kComboRegistrationLine);
  }
  if (const RCPtr<LControl> control = GetParameterControl()) {
    ThrowIfFailed(mParameterHandler->Register(&LVariantBufferSetterParameterPanel::OnValueChange,
                                              AsDistributor(control), kValueChange),
                  kInitializeFunction, kSourcePath, kValueRegistrationLine);
    // Through the control's own override, so that an up-down accepts what its range needs.
    static_cast<void>(control->SetValueRange(0, kDefaultMaximum, kValueMappingLinear));
    if (const RCPtr<LTextBox> textBox = DynamicCast<LTextBox>(control->FindChild(WideString(kTextBoxName))))
      static_cast<void>(textBox->SetMaxLength(kDefaultMaxLength));
    static_cast<void>(SetValueRange(mValueOffset, mValueOffset + kDefaultMaximum, kValueMappingLinear));
  }
  return result;
}

std::int32_t LVariantBufferSetterParameterPanel::Receive(const RCPtr<LNotificationDistributor>& source,
                                                         const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mParameterHandler) {
    const std::int32_t handled = mParameterHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LPanel::Receive(source, notification);
}

std::int32_t LVariantBufferSetterParameterPanel::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor,
                                                             NotificationID id) {
  if (mParameterHandler && id)
    static_cast<void>(mParameterHandler->Unregister(distributor, id));
  return LPanel::Unsubscribe(distributor, id);
}

QZRESULT LVariantBufferSetterParameterPanel::ReleaseInnerReferences() {
  mParameterHandler = RCPtr<LNotificationHandler<LVariantBufferSetterParameterPanel>>();
  return LPanel::ReleaseInnerReferences();
}

// ---------------------------------------------------------------------------
// Settings

void LVariantBufferSetterParameterPanel::SetParameter(const ParamDescriptor& descriptor) {
  mParameter = descriptor;
}

void LVariantBufferSetterParameterPanel::SetValueOffset(double offset) { mValueOffset = offset; }

void LVariantBufferSetterParameterPanel::SetTwoByteMode(bool twoByteMode) { mTwoByteMode = twoByteMode; }

void LVariantBufferSetterParameterPanel::SplitSevenBitPair(std::uint8_t (&bytes)[2], std::uint16_t value) const {
  bytes[0] = static_cast<std::uint8_t>(value / 128);
  bytes[1] = static_cast<std::uint8_t>(value % 128);
}

std::int32_t LVariantBufferSetterParameterPanel::JoinSevenBitPair(std::int32_t first, std::int32_t second) const {
  return first * 128 + second;
}

// ---------------------------------------------------------------------------
// Edits

void LVariantBufferSetterParameterPanel::RequestChange(const Variant& value) {
  if (const RCPtr<LMainControl> main = DynamicCast<LMainControl>(GetTopLevelControl()))
    main->RequestParamValueChange(mParameter, value, 0);
}

std::int32_t LVariantBufferSetterParameterPanel::OnSelectionChange(const RCPtr<LNotificationDistributor>&,
                                                                   const RCPtr<LNotification>&) {
  const RCPtr<LControl> self(this);
  const RCPtr<LComboBox> combo = GetComboBox();
  if (!combo)
    return 1;
  const std::int32_t index = combo->GetSelectedIndex();
  const auto stored = static_cast<std::uint8_t>(TruncateToStored(index + mValueOffset));
  RequestChange(BufferOf(&stored, 1));
  static_cast<void>(SetValueRange(mValueOffset, mValueOffset + combo->GetItemCount(), kValueMappingLinear));
  static_cast<void>(SetValue(ValueToNormalized(index + mValueOffset)));
  return 1;
}

void LVariantBufferSetterParameterPanel::SendControlValue(const RCPtr<LControl>& control) {
  const double value = control->GetValue();
  if (mTwoByteMode) {
    std::uint8_t bytes[2] = {};
    SplitSevenBitPair(bytes, static_cast<std::uint16_t>(TruncateToStored(value)));
    RequestChange(BufferOf(bytes, 2));
  } else {
    const auto stored = static_cast<std::uint8_t>(TruncateToStored(value + mValueOffset));
    RequestChange(BufferOf(&stored, 1));
  }
  static_cast<void>(SetValue(ValueToNormalized(value + mValueOffset)));
}

std::int32_t LVariantBufferSetterParameterPanel::OnValueChange(const RCPtr<LNotificationDistributor>&,
                                                               const RCPtr<LNotification>&) {
  const RCPtr<LControl> self(this);
  if (const RCPtr<LControl> control = GetParameterControl())
    SendControlValue(control);
  return 1;
}

// ---------------------------------------------------------------------------
// Shown values

QZRESULT LVariantBufferSetterParameterPanel::ShowValue(const Variant& value) {
  const RCPtr<LControl> self(this);
  std::int32_t bytes[2] = {};
  double shown = 0;
  if (mTwoByteMode) {
    if (!StoredBytes(value, 2, bytes))
      return S_FALSE;
    shown = JoinSevenBitPair(bytes[0], bytes[1]);
  } else {
    if (!StoredBytes(value, 1, bytes))
      return S_FALSE;
    shown = bytes[0] - mValueOffset;
  }
  ShowInValueControl(shown);
  ShowInComboBox(static_cast<std::int32_t>(shown));
  return S_OK;
}

void LVariantBufferSetterParameterPanel::ShowInValueControl(double shown) {
  const RCPtr<LControl> control = GetParameterControl();
  if (!control)
    return;
  const double before = control->GetNormalizedValue();
  const double low = std::min(control->NormalizedToValue(0), control->NormalizedToValue(1));
  const double high = std::max(control->NormalizedToValue(0), control->NormalizedToValue(1));
  static_cast<void>(control->SetValue(control->ValueToNormalized(shown)));
  // A value outside the control's range is shown clamped. When clamping left
  // the control as it was, no change notification reported it: the engine
  // would keep a value the control does not show, so the shown one goes there.
  if (control->GetNormalizedValue() == before && (shown < low || shown > high))
    SendControlValue(control);
}

void LVariantBufferSetterParameterPanel::ShowInComboBox(std::int32_t index) {
  const RCPtr<LComboBox> combo = GetComboBox();
  if (!combo)
    return;
  if (index >= 0 && index < combo->GetItemCount()) {
    static_cast<void>(combo->SetSelectedIndex(index));
    return;
  }
  // A byte with no row: no row is shown rather than the previous one's text.
  static_cast<void>(combo->SetSelectedIndex(-1));
  static_cast<void>(combo->ApplyText(WideString(), true));
}

} // namespace QZ
