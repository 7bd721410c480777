#pragma once
// LButton: the push button, and with "AUTO_VALUE_SET" / "IS_RADIO" also the
// toggle and radio button. Its value (on at 0.5 or more) picks one of fourteen
// looks together with hover, press, focus and the enabled state; held down it
// may repeat ("NID_BUTTON_AUTOREPEAT" at the press, after the first delay and
// then every interval while the pointer stays on it); a simulated click (Enter,
// "NID_SIMULATE_CLICK" or SimulateClick) shows the pressed look for a moment
// before it clicks. Times come from the application's GetTime.
//
// The button holds one idle request while a simulated click is pending or an
// autorepeat runs: taken when the first of them starts, given back when the
// last ends. A radio group is the radio buttons among one parent's children.
// UI thread only, like every control.

#include "QZFramework/ControlBase/Control.h"

#include <cstdint>

namespace QZ {

class LButton : public LControl {
public:
  // The looks, in the order of the skins' button look lists; add kLookOn when on.
  static constexpr std::int32_t kLookNormal = 0;
  static constexpr std::int32_t kLookHover = 1;
  static constexpr std::int32_t kLookPressed = 2;
  static constexpr std::int32_t kLookFocusedOffset = 3;
  static constexpr std::int32_t kLookDisabled = 6;
  static constexpr std::int32_t kLookOn = 7;

  LButton(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LButton() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // Both store the flag. 0.
  virtual QZRESULT SetAutoValueSet(bool autoValueSet);
  virtual QZRESULT SetRadio(bool radio);
  // Sets the value to 1 or 0; whether the button is on afterwards.
  virtual bool SetChecked(bool checked);
  // Shows the look of the present state (nothing while click-through or while
  // a simulated click shows its pressed look). 0.
  virtual QZRESULT UpdateVisualState();
  // Completes a pending simulated click, then starts a new one: the focus,
  // the pressed look and, after the press time, the click.
  virtual void SimulateClick();

  void OnValueChanged() override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  void SetEnabled(bool enabled) override;
  void HandleLeftClick(const RCPtr<LMouseButtonParam>& param) override;
  bool ContainsPoint(const PointT<std::int32_t>& point) const override;
  // Enter (without modifiers) clicks: 0; any other key 1 (not handled).
  QZRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
  void OnIdle() override;
  // The base's, then the button's "NID_SIMULATE_CLICK" binding and its
  // "AUTO_VALUE_SET" and "IS_RADIO" parameters. 0, or the base's negative result.
  QZRESULT Initialize() override;
  // The button's own text while it is truncated, else the "TOOLTIP" text.
  WideString GetToolTipText() const override;
  // The button's handler first, then the base control's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  QZRESULT ReleaseInnerReferences() override;

  bool IsOn() const { return mNormalizedValue >= 0.5; }
  bool IsRadio() const { return mIsRadio; }
  bool GetAutoValueSet() const { return mAutoValueSet; }
  bool IsRepeating() const { return mRepeating; }
  bool IsSimulatedClickPending() const { return mSimulatedClickPending; }
  // Set directly by the controls that own such buttons.
  void SetAutoRepeat(bool autoRepeat) { mAutoRepeat = autoRepeat; }
  void SetClickThrough(bool clickThrough) { mClickThrough = clickThrough; }
  void SetPressedWhileCaptured(bool pressed) { mPressedWhileCaptured = pressed; }

  // The key code of Enter as a virtual key without modifiers.
  static constexpr std::uint32_t kEnterKey = 0x200D0000;

private:
  std::int32_t HandleSimulateClick(const RCPtr<LNotificationDistributor>& source,
                                   const RCPtr<LNotification>& notification);
  // "NID_BUTTON_AUTOREPEAT" when autorepeat is on, then the left click.
  void CompleteSimulatedClick();
  void FireAutoRepeat();
  double Now() const;

  RCPtr<LNotificationHandler<LButton>> mButtonHandler;
  bool mAutoValueSet = false;
  bool mIsRadio = false;
  bool mAutoRepeat = false;
  bool mClickThrough = false;
  bool mRepeating = false;
  bool mPressedWhileCaptured = false;
  double mRepeatInterval = 0.1;
  double mFirstRepeatDelay = 0.3;
  double mLastTick = 0.0;
  double mTimeToNextRepeat = 0.0;
  double mSimulatedPressTime = 0.15;
  double mSimulatedClickStart = 0.0;
  bool mSimulatedClickPending = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LButton, "class QZ::LButton")
