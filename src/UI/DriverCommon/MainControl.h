#pragma once
// LMainControl: the root control of the main window ("PresetEditor.MainControl") and the root of the
// editor's mirror of the engine's module tree. It is the one crossing point between the engine and the
// views:
// - values the engine announces ("NID_PARAM_MODULE_STATE_CHANGE" on the application center, delivered in
//   the idle pass: a pair per value for one or two values, a packed list for more) go down to the module
//   that owns each parameter (the device view's keybed or arpeggiator panel), marked as coming from the
//   device;
// - edits the panels make come up through RequestParamValueChange and go to the engine, except the echo of
//   the value being delivered at that moment (same identifier, equal value).
// The device link's own values (-4 connection request, -2 connection state, -8 the device's text) change
// nothing here.
//
// Children: "viewDevice" (the device view, an LDeviceView); "viewStatus" and "panelDeviceSelector" are kept if
// a skin has them. Without "viewDevice" the main control neither subscribes nor hands out a device: engine
// values are not shown. Without an engine the tree is placed at 0 and edits are dropped.
//
// Invariant: outside a delivery the value in flight has identifier -1 and an empty value.
// Threads: the UI thread only, like every control; deliveries and edits never overlap.

#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleInterface.h"
#include "QZFramework/ControlBase/Control.h"
#include "UI/DeviceView.h"

#include <cstdint>

namespace QZ {

inline constexpr const char16_t* kMainControlClassName = u"PresetEditor.MainControl";
inline constexpr const char16_t* kDeviceViewName = u"viewDevice";
inline constexpr const char16_t* kStatusViewName = u"viewStatus";
inline constexpr const char16_t* kDeviceSelectorName = u"panelDeviceSelector";

// The device link's module-level values, which the main control takes without effect.
inline constexpr std::int32_t kParamIdConnectionRequest = -4;
inline constexpr std::int32_t kParamIdConnectionState = -2;
inline constexpr std::int32_t kParamIdDeviceText = -8;

class LMainControl : public LControl, public IRootModule {
public:
  LMainControl(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LMainControl() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The base's, then the children, the subscription, the module tree placed at the engine's first
  // identifier, and the engine's remote watch turned on. The base's result; E_FAIL without a handler.
  // Throws "Failed Result" when the subscription fails.
  QZRESULT Initialize() override;
  // Turns the engine's remote watch on (the base asks on a skin switch). 0.
  QZRESULT ReservedQueryC(const RectT<double>& bounds) override;
  // The main control's handler first, then the base control's; nothing before the created flag.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;
  WideString ToString() const override { return LControl::ToString(); }

  // IRootModule: changes reach the views through the engine's notifications, so nothing here. 0.
  std::int32_t OnParamValueChanged(const ParamDescriptor& descriptor, const Variant& value,
                                   std::int32_t reason) override;
  RCPtr<LParameterizedModule> GetDeviceAsModule() override;
  RCPtr<IDevice> GetDevice() override { return RCPtr<IDevice>(mDeviceView); }

  // A panel's edit: to the engine, unless it is the echo of the value in flight. The flag is not used.
  void RequestParamValueChange(const ParamDescriptor& descriptor, const Variant& value, std::int32_t flag);
  // "NID_PARAM_MODULE_STATE_CHANGE": each value of a pair or packed list delivered in order. 1 (handled).
  std::int32_t OnParamModuleStateChange(const RCPtr<LNotificationDistributor>& source,
                                        const RCPtr<LNotification>& notification);
  // The engine's current values of the program's parameters delivered now, as the engine's announcements
  // will deliver them again in the next idle pass. Nothing without the device view or an engine.
  void ShowEngineValues();

  const ParamValue& GetValueInFlight() const { return mValueInFlight; }
  const RCPtr<LDeviceView>& GetDeviceView() const { return mDeviceView; }
  const RCPtr<LControl>& GetStatusView() const { return mStatusView; }
  const RCPtr<LControl>& GetDeviceSelector() const { return mDeviceSelector; }

private:
  using Handler = LNotificationHandler<LMainControl>;

  // One value to the module that owns it, with the value in flight set for the time it takes. 0.
  std::int32_t DeliverValue(const ParamDescriptor& descriptor, const Variant& value);

  RCPtr<Handler> mMainHandler;
  RCPtr<LDeviceView> mDeviceView;
  RCPtr<LControl> mStatusView;
  RCPtr<LControl> mDeviceSelector;
  ParamValue mValueInFlight;
};

// The engine's values on screen now: shown in the running editor's main window (ShowEngineValues) and
// everything invalid painted. For the moment before a message box that holds the UI thread over the view (the
// transfer actions' result, a program file's load message): the box's wait paints but does no idle work, so
// what a transfer or a load changed would otherwise appear only once the box is closed.
void ShowEngineValuesNow();

} // namespace QZ

QZ_TYPE_NAME(QZ::LMainControl, "class QZ::LMainControl")
