#pragma once
// LNumericUpDown: a number edited in its text box ("textBox") and stepped by
// two autorepeat buttons ("buttonUp", "buttonDown"), or by Up and Down while
// the focus is inside it (they click the buttons). The number is the base
// control's value in its range; the text box shows it formatted with the
// decimal places and takes only digits, "." with decimals and "-" with a
// negative minimum. Typed text is corrected when the box validates it: a
// number is clamped into the range and becomes the value; anything that is
// not a finite number in the accepted form is replaced by the current value.
// The box's validation notifications are passed on through the up-down.
//
// A skin without one of the three children leaves the steps that need it
// undone. UI thread only, like every control.

#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Controls/TextBox.h"

#include <cstdint>

namespace QZ {

class LNumericUpDown : public LPanel {
public:
  LNumericUpDown(const RCPtr<LControl>& parent, const WideString& name) : LPanel(parent, name) {}
  ~LNumericUpDown() override = default;

  // "Framework.NumericUpDown".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The number the text reads as (0 when none) becomes the value. 0.
  QZRESULT SetText(const WideString& text) override;
  // The text box shows the new value and validates it.
  void OnValueChanged() override;
  // E_INVALIDARG for an unknown mapping or an exponential one with a bound
  // not above 0; else the range, the accepted characters and the text. The
  // value stays.
  QZRESULT SetValueRange(double minimum, double maximum, std::int32_t mapping) override;
  // Up and Down without modifiers click the buttons; other keys go to the panel.
  void ProcessUnhandledKey(const RCPtr<LKeyParam>& key) override;
  QZRESULT Initialize() override;
  // The up-down takes the focus, the buttons never do. 0.
  QZRESULT FinishInitialize() override;
  // The up-down's handler first, then the panel's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  QZRESULT ReleaseInnerReferences() override;

  // The value in range units as the text box shows it.
  WideString FormatValue() const;
  // The text box's filter: digits, "." with decimals, "-" with a negative minimum.
  void UpdateAcceptedCharacters();
  // Range units per button step (1) and the decimal places shown (0).
  double GetStep() const { return mStep; }
  std::int32_t GetDecimalPlaces() const { return mDecimalPlaces; }

  const RCPtr<LTextBox>& GetTextBox() const { return mTextBox; }
  const RCPtr<LButton>& GetUpButton() const { return mUpButton; }
  const RCPtr<LButton>& GetDownButton() const { return mDownButton; }

private:
  std::int32_t OnAutoRepeat(const RCPtr<LNotificationDistributor>& source,
                            const RCPtr<LNotification>& notification);
  std::int32_t OnValidating(const RCPtr<LNotificationDistributor>& source,
                            const RCPtr<LNotification>& notification);
  std::int32_t OnValidated(const RCPtr<LNotificationDistributor>& source,
                           const RCPtr<LNotification>& notification);

  RCPtr<LNotificationHandler<LNumericUpDown>> mUpDownHandler;
  RCPtr<LTextBox> mTextBox;
  RCPtr<LButton> mUpButton;
  RCPtr<LButton> mDownButton;
  double mStep = 1.0;
  std::int32_t mDecimalPlaces = 0;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LNumericUpDown, "class QZ::LNumericUpDown")
