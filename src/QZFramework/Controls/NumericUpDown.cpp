#include "QZFramework/Controls/NumericUpDown.h"

#include "QZFramework/ControlBase/InputParams.h"
#include "QZFramework/ControlBase/KeyCode.h"
#include "QZFramework/Notification/Notification.h"

#include <algorithm>
#include <cmath>
#include <string_view>

namespace QZ {

namespace {

constexpr const char16_t* kValidating = u"NID_TEXTBOX_VALIDATING";
constexpr const char16_t* kValidated = u"NID_TEXTBOX_VALIDATED";
constexpr const char16_t* kAutoRepeat = u"NID_BUTTON_AUTOREPEAT";
constexpr const char16_t* kSimulateClick = u"NID_SIMULATE_CLICK";

// Up and Down pressed without modifiers.
constexpr std::uint32_t kUpKey = kKeyPressed | (0x26u << kKeyVirtualKeyShift);
constexpr std::uint32_t kDownKey = kKeyPressed | (0x28u << kKeyVirtualKeyShift);

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

bool IsFrom(const RCPtr<LNotificationDistributor>& source, const RCPtr<LControl>& control) {
  return control && source.GetRaw() == static_cast<LNotificationDistributor*>(control.GetRaw());
}

RCPtr<LTextValidationParams> ParamsOf(const RCPtr<LNotification>& notification) {
  return notification ? DynamicCast<LTextValidationParams>(notification->GetPayload())
                      : RCPtr<LTextValidationParams>();
}

} // namespace

RCPtr<LControl>& LNumericUpDown::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                        const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LNumericUpDown>(out, parent, descriptor);
}

QZRESULT LNumericUpDown::Initialize() {
  const QZRESULT result = LPanel::Initialize();
  mTextBox = DynamicCast<LTextBox>(FindChild(WideString(u"textBox")));
  mUpButton = DynamicCast<LButton>(FindChild(WideString(u"buttonUp")));
  mDownButton = DynamicCast<LButton>(FindChild(WideString(u"buttonDown")));
  for (const RCPtr<LButton>& button : {mUpButton, mDownButton}) {
    if (button)
      button->SetAutoRepeat(true);
  }
  UpdateAcceptedCharacters();
  mUpDownHandler = LNotificationHandler<LNumericUpDown>::Create(this);
  if (!mUpDownHandler)
    return result;
  if (mTextBox) {
    static_cast<void>(
        mUpDownHandler->Register(&LNumericUpDown::OnValidating, AsDistributor(mTextBox), kValidating));
    static_cast<void>(mUpDownHandler->Register(&LNumericUpDown::OnValidated, AsDistributor(mTextBox), kValidated));
  }
  for (const RCPtr<LButton>& button : {mUpButton, mDownButton}) {
    if (button)
      static_cast<void>(
          mUpDownHandler->Register(&LNumericUpDown::OnAutoRepeat, AsDistributor(button), kAutoRepeat));
  }
  return result;
}

QZRESULT LNumericUpDown::FinishInitialize() {
  static_cast<void>(LPanel::FinishInitialize());
  SetNotFocusable(false);
  for (const RCPtr<LButton>& button : {mUpButton, mDownButton}) {
    if (button)
      button->SetNotFocusable(true);
  }
  return S_OK;
}

std::int32_t LNumericUpDown::Receive(const RCPtr<LNotificationDistributor>& source,
                                     const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mUpDownHandler) {
    const std::int32_t handled = mUpDownHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LPanel::Receive(source, notification);
}

QZRESULT LNumericUpDown::ReleaseInnerReferences() {
  mUpDownHandler = RCPtr<LNotificationHandler<LNumericUpDown>>();
  mTextBox = RCPtr<LTextBox>();
  mUpButton = mDownButton = RCPtr<LButton>();
  return LPanel::ReleaseInnerReferences();
}

// ---------------------------------------------------------------------------
// Value and text

QZRESULT LNumericUpDown::SetText(const WideString& text) {
  static_cast<void>(SetValue(ValueToNormalized(text.ToDouble())));
  return S_OK;
}

void LNumericUpDown::OnValueChanged() {
  LPanel::OnValueChanged();
  if (!mTextBox)
    return;
  const RCPtr<LTextBox> textBox = mTextBox;
  static_cast<void>(textBox->SetText(FormatValue()));
  static_cast<void>(textBox->CanLoseFocus()); // runs the validation pair
}

QZRESULT LNumericUpDown::SetValueRange(double minimum, double maximum, std::int32_t mapping) {
  const QZRESULT result = LPanel::SetValueRange(minimum, maximum, mapping);
  if (result < 0)
    return result;
  UpdateAcceptedCharacters();
  if (mTextBox)
    static_cast<void>(mTextBox->SetText(FormatValue()));
  return S_OK;
}

WideString LNumericUpDown::FormatValue() const { return DoubleToString(GetValue(), mDecimalPlaces); }

void LNumericUpDown::UpdateAcceptedCharacters() {
  if (!mTextBox)
    return;
  WideString filter(u"0123456789");
  if (mDecimalPlaces > 0)
    static_cast<void>(filter.AppendChar(u'.'));
  if (mValueMinimum < 0)
    static_cast<void>(filter.AppendChar(u'-'));
  mTextBox->mCharacterFilter = filter;
  mTextBox->mFilterIsAllowList = true;
}

// ---------------------------------------------------------------------------
// Keys and buttons

void LNumericUpDown::ProcessUnhandledKey(const RCPtr<LKeyParam>& key) {
  if (key) {
    const std::uint32_t code = key->mKey.Bits();
    const RCPtr<LButton>& button =
        code == kUpKey ? mUpButton : (code == kDownKey ? mDownButton : RCPtr<LButton>());
    if (code == kUpKey || code == kDownKey) {
      // A skin without the button still keeps the key from the hot keys.
      if (button) {
        const RCPtr<LButton> target = button;
        DeliverNotification(RCPtr<LNotificationReceiver>(target.GetRaw()), kSimulateClick);
      }
      return;
    }
  }
  LPanel::ProcessUnhandledKey(key);
}

std::int32_t LNumericUpDown::OnAutoRepeat(const RCPtr<LNotificationDistributor>& source,
                                          const RCPtr<LNotification>&) {
  const RCPtr<LNumericUpDown> self(this);
  if (IsFrom(source, mUpButton))
    static_cast<void>(SetValue(ValueToNormalized(GetValue() + mStep)));
  else if (IsFrom(source, mDownButton))
    static_cast<void>(SetValue(ValueToNormalized(GetValue() - mStep)));
  return 1;
}

// ---------------------------------------------------------------------------
// Validation

std::int32_t LNumericUpDown::OnValidated(const RCPtr<LNotificationDistributor>&,
                                         const RCPtr<LNotification>& notification) {
  const RCPtr<LTextValidationParams> params = ParamsOf(notification);
  if (params)
    static_cast<void>(Notify(LNotification::Create(kValidated, params)));
  return 1;
}

std::int32_t LNumericUpDown::OnValidating(const RCPtr<LNotificationDistributor>&,
                                          const RCPtr<LNotification>& notification) {
  const RCPtr<LTextValidationParams> params = ParamsOf(notification);
  if (!params)
    return 1;
  const RCPtr<LNumericUpDown> self(this);
  // The up-down's own listeners see the text first and may refuse it.
  static_cast<void>(Notify(LNotification::Create(kValidating, params)));
  if (!params->mAccept)
    return 1;

  const std::u16string_view text(params->mText.GetChars(), params->mText.GetLength());
  const double current = GetValue();
  const double typed = params->mText.ToDouble();
  const std::u16string_view accepted(mTextBox ? mTextBox->mCharacterFilter.GetChars() : u"",
                                     mTextBox ? mTextBox->mCharacterFilter.GetLength() : 0);
  // Text that is not a plain number in the accepted characters (a paste skips the typing filter; "nan",
  // "inf", hexadecimal and letters would read as a number or as 0) is the current value again.
  const bool foreign = !accepted.empty() && text.find_first_not_of(accepted) != std::u16string_view::npos;
  const std::size_t lastMinus = text.rfind(u'-');
  const bool reset = text.empty() || text == u"-" || text == u"." ||
                     (lastMinus != std::u16string_view::npos && lastMinus >= 1) ||
                     text.find(u'.') != text.rfind(u'.') || foreign || !std::isfinite(typed);
  const double low = std::min(mValueMinimum, mValueMaximum);
  const double high = std::max(mValueMinimum, mValueMaximum);
  const double wanted = std::clamp(reset ? current : typed, low, high);
  // The same value also when the text reads as the stored value's own round trip.
  const bool same = wanted == current || ValueToNormalized(wanted) == GetNormalizedValue();
  if (!same) {
    static_cast<void>(SetValue(ValueToNormalized(wanted)));
    params->mText = FormatValue();
    params->mAccept = true;
  } else if (reset || current == mValueMinimum || current == mValueMaximum || wanted == 0) {
    params->mText = FormatValue();
    params->mAccept = true;
  }
  return 1;
}

} // namespace QZ
