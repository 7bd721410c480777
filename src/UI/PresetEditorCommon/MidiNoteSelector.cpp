#include "UI/PresetEditorCommon/MidiNoteSelector.h"

#include "QZFramework/ControlBase/ControlParams.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/ObjectBase/Exception.h"

#include <cmath>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "UI\\PresetEditorCommon\\MidiNoteSelector";
constexpr const char* kInitializeFunction = "QZ::LMidiNoteSelector::Initialize";
constexpr int kValueRegistrationLine = 32;

constexpr const char16_t* kValueChange = u"NID_VALUE_CHANGE";
constexpr const char16_t* kNoteNameLabelName = u"noteNameLabel";
constexpr const char16_t* kOctaveNameLabelName = u"octaveNameLabel";
constexpr const char16_t* kNumericUpDownName = u"numericUpDown";

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

} // namespace

RCPtr<LControl>& LMidiNoteSelector::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                           const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LMidiNoteSelector>(out, parent, descriptor);
}

QZRESULT LMidiNoteSelector::Initialize() {
  const QZRESULT result = LPanel::Initialize();
  if (result < 0)
    return result;
  mSelectorHandler = LNotificationHandler<LMidiNoteSelector>::Create(this);
  if (!mSelectorHandler)
    return result;
  mNoteNameLabel = DynamicCast<LLabel>(FindChild(WideString(kNoteNameLabelName)));
  mOctaveNameLabel = DynamicCast<LLabel>(FindChild(WideString(kOctaveNameLabelName)));
  mNumericUpDown = DynamicCast<LNumericUpDown>(FindChild(WideString(kNumericUpDownName)));
  static_cast<void>(SetValueRange(kLowestNote, kHighestNote, kValueMappingLinear));
  // Without the up-down there is no note to show: the labels stay as the skin made them.
  if (!mNumericUpDown)
    return result;
  static_cast<void>(mNumericUpDown->SetValueRange(kLowestNote, kHighestNote, kValueMappingLinear));
  UpdateNoteDisplay();
  ThrowIfFailed(mSelectorHandler->Register(&LMidiNoteSelector::OnValueChange,
                                           AsDistributor(RCPtr<LControl>(mNumericUpDown)), kValueChange),
                kInitializeFunction, kSourcePath, kValueRegistrationLine);
  return result;
}

std::int32_t LMidiNoteSelector::Receive(const RCPtr<LNotificationDistributor>& source,
                                        const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mSelectorHandler) {
    const std::int32_t handled = mSelectorHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LPanel::Receive(source, notification);
}

std::int32_t LMidiNoteSelector::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor,
                                            NotificationID id) {
  if (mSelectorHandler && id)
    static_cast<void>(mSelectorHandler->Unregister(distributor, id));
  return LPanel::Unsubscribe(distributor, id);
}

QZRESULT LMidiNoteSelector::ReleaseInnerReferences() {
  mSelectorHandler = RCPtr<LNotificationHandler<LMidiNoteSelector>>();
  mNoteNameLabel = RCPtr<LLabel>();
  mOctaveNameLabel = RCPtr<LLabel>();
  mNumericUpDown = RCPtr<LNumericUpDown>();
  return LPanel::ReleaseInnerReferences();
}

double LMidiNoteSelector::SetValue(double normalized) {
  if (!mNumericUpDown)
    return LPanel::SetValue(normalized);
  const RCPtr<LControl> self(this);
  static_cast<void>(mNumericUpDown->SetValue(normalized));
  return LPanel::SetValue(mNumericUpDown->GetNormalizedValue());
}

std::int32_t LMidiNoteSelector::OnValueChange(const RCPtr<LNotificationDistributor>&,
                                              const RCPtr<LNotification>& notification) {
  if (!DynamicCast<LValueParam>(notification->GetPayload()) || !mNumericUpDown)
    return 1;
  const RCPtr<LControl> self(this);
  static_cast<void>(LPanel::SetValue(mNumericUpDown->GetNormalizedValue()));
  UpdateNoteDisplay();
  return 1;
}

std::int32_t LMidiNoteSelector::GetNoteNumber() const { return static_cast<std::int32_t>(std::trunc(GetValue())); }

void LMidiNoteSelector::UpdateNoteDisplay() {
  const std::int32_t note = GetNoteNumber();
  if (mNoteNameLabel)
    static_cast<void>(
        SetLabelFromStringTable(mNoteNameLabel->GetStringTable(), note % kNotesPerOctave, mNoteNameLabel));
  if (mOctaveNameLabel)
    static_cast<void>(
        SetLabelFromStringTable(mOctaveNameLabel->GetStringTable(), note / kNotesPerOctave, mOctaveNameLabel));
}

QZRESULT LMidiNoteSelector::SetLabelFromStringTable(const RCPtr<LStringTable>& table, std::int32_t index,
                                                    const RCPtr<LLabel>& label) {
  if (!table || !label)
    return E_INVALIDARG;
  LStringTable::SortedEntries entries;
  const QZRESULT result = table->GetSortedEntries(entries);
  if (result < 0 || index < 0 || static_cast<std::uint32_t>(index) >= entries.GetCount())
    return result;
  return label->SetText(entries.GetAt(static_cast<std::uint32_t>(index)).mValue);
}

} // namespace QZ
