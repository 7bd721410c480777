#pragma once
// LComboSlider: a compact value field that shows its value as text and drops
// down a slider. The drop-down part is the child panel "dropDownPanel"; the
// slider is that panel's child "slider", an ordinary LSlider.
//
// Invariants: the combo slider and its slider share one normalised value; each
// change of it rewrites the text with the value in range units ("%0.0f", or
// as many decimals as the decimal places say). The slider fires one more
// "NID_VALUE_CHANGE" at the end of every drag, which the combo slider passes
// on as its own, so listeners learn when a drag is over.
//
// Without "dropDownPanel" (or when it is not a panel) nothing drops down
// (ShowDropDown answers E_FAIL) and the value is the base control's alone.
// Keys that nobody inside handled end here: a letter typed into the open
// slider reaches no sibling and no hot key. UI thread only, like every control.

#include "QZFramework/Controls/DropDownControl.h"
#include "QZFramework/Controls/Panel.h"
#include "QZFramework/Controls/Slider.h"

#include <cstdint>

namespace QZ {

class LComboSlider : public LDropDownControl {
public:
  LComboSlider(const RCPtr<LControl>& parent, const WideString& name) : LDropDownControl(parent, name) {}
  ~LComboSlider() override = default;

  // "Framework.ComboSlider".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The slider first, then the base control's; the base's result.
  double SetValue(double normalized) override;
  // The slider follows, and the text shows the value in range units.
  void OnValueChanged() override;
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  // Down and Enter open a closed panel, Escape closes an open one: 0. Else 1.
  QZRESULT HandleKey(const RCPtr<LKeyParam>& key) override;
  // Escape closes the panel; no key goes further (siblings, hot keys).
  void ProcessUnhandledKey(const RCPtr<LKeyParam>& key) override;
  // E_FAIL when the drop-down control's initialisation failed, else 0.
  QZRESULT Initialize() override;
  bool IsDroppedDown() const override;
  // Places the panel (when showing) and shows or hides it. E_FAIL without the panel.
  QZRESULT ShowDropDown(bool show) override;
  // The combo slider's handler first, then the drop-down control's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

  const RCPtr<LPanel>& GetDropDownPanel() const { return mDropDownPanel; }
  // The panel's "slider"; null without the panel or the slider.
  RCPtr<LSlider> GetSlider() const;
  std::int32_t GetDecimalPlaces() const { return mDecimalPlaces; }

private:
  // The slider's "NID_VALUE_CHANGE". 1.
  std::int32_t OnSliderValueChange(const RCPtr<LNotificationDistributor>& source,
                                   const RCPtr<LNotification>& notification);
  // Opens the panel where the skin puts it, shifted left to stay inside the top-level control.
  void PlaceDropDownPanel(const RCPtr<LPanel>& panel);
  void UpdateVisualState();

  RCPtr<LNotificationHandler<LComboSlider>> mComboHandler;
  RCPtr<LPanel> mDropDownPanel;
  std::int32_t mDecimalPlaces = 0;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LComboSlider, "class QZ::LComboSlider")
