#include "UI/DriverCommon/MainControl.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "DeviceControl/GeneratedCode/Engine/Inc/RootModuleEngine.h"
#include "Panel/Main/Application.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Application/RootWindow.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/ObjectBase/Exception.h"

#include <stdexcept>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "UI\\DriverCommon\\MainControl";
constexpr const char* kInitializeFunction = "QZ::LMainControl::Initialize";

} // namespace

RCPtr<LControl>& LMainControl::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                      const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LMainControl>(out, parent, descriptor);
}

QZRESULT LMainControl::Initialize() {
  QZRESULT result = LControl::Initialize();
  if (result >= 0) {
    mMainHandler = Handler::Create(this);
    if (!mMainHandler) {
      result = E_FAIL;
    } else {
      try {
        mDeviceView = DynamicCast<LDeviceView>(FindChild(WideString(kDeviceViewName)));
        if (!mDeviceView)
          ThrowException<std::runtime_error>("Null Pointer : LMainControl couldn't find viewDevice",
                                             kInitializeFunction, kSourcePath, 39);
        mStatusView = FindChild(WideString(kStatusViewName));
        mDeviceSelector = FindChild(WideString(kDeviceSelectorName));
        ThrowIfFailed(mMainHandler->Register(&LMainControl::OnParamModuleStateChange,
                                             RCPtr<LNotificationDistributor>(GetApplicationNotificationCenter()),
                                             kNidParamModuleStateChange),
                      kInitializeFunction, kSourcePath, 44);
      } catch (const std::runtime_error&) {
        // No device view: the editor runs without showing engine values.
      }
      const RCPtr<LRootModuleEngine> engine = GetAppEngine();
      SetFirstParamID(nullptr, engine ? engine->GetFirstParamID() : 0, 0);
    }
  }
  if (const RCPtr<LRootModuleEngine> engine = GetAppEngine())
    static_cast<void>(engine->EnableRemoteDeviceWatch(true));
  return result;
}

QZRESULT LMainControl::ReservedQueryC(const RectT<double>&) {
  if (const RCPtr<LRootModuleEngine> engine = GetAppEngine())
    static_cast<void>(engine->EnableRemoteDeviceWatch(true));
  return S_OK;
}

std::int32_t LMainControl::Receive(const RCPtr<LNotificationDistributor>& source,
                                   const RCPtr<LNotification>& notification) {
  if (!mCreated)
    return 0;
  if (mMainHandler) {
    const std::int32_t handled = mMainHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LControl::Receive(source, notification);
}

std::int32_t LMainControl::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mMainHandler)
    static_cast<void>(mMainHandler->Unregister(distributor, id));
  return LControl::Unsubscribe(distributor, id);
}

QZRESULT LMainControl::ReleaseInnerReferences() {
  mMainHandler = RCPtr<Handler>();
  mDeviceView = RCPtr<LDeviceView>();
  mStatusView = RCPtr<LControl>();
  mDeviceSelector = RCPtr<LControl>();
  return LControl::ReleaseInnerReferences();
}

std::int32_t LMainControl::OnParamValueChanged(const ParamDescriptor&, const Variant&, std::int32_t) { return 0; }

RCPtr<LParameterizedModule> LMainControl::GetDeviceAsModule() {
  return RCPtr<LParameterizedModule>(static_cast<IDevice*>(mDeviceView.Get()));
}

void LMainControl::RequestParamValueChange(const ParamDescriptor& descriptor, const Variant& value, std::int32_t) {
  if (descriptor.id == mValueInFlight.descriptor.id && value.IsEqual(mValueInFlight.value))
    return;
  if (const RCPtr<LRootModuleEngine> engine = GetAppEngine())
    static_cast<void>(engine->SetParamValue(descriptor, value));
}

std::int32_t LMainControl::OnParamModuleStateChange(const RCPtr<LNotificationDistributor>&,
                                                    const RCPtr<LNotification>& notification) {
  const RCPtr<LRefCountedObject>& payload = notification->GetPayload();
  if (const auto pair = DynamicCast<LRootModuleEngine::PairPayload>(payload)) {
    static_cast<void>(DeliverValue(pair->mKey, pair->mValue));
  } else if (const auto list = DynamicCast<LRootModuleEngine::ListPayload>(payload)) {
    // The count stops at a short or overrunning record, so a malformed list cannot loop or overrun.
    const std::uint32_t count = list->GetArrayCount();
    for (std::uint32_t i = 0; i < count; ++i) {
      Variant value;
      std::int32_t id = -1;
      Variant detail;
      if (list->GetParamValue(i, value, id, detail) == kParamDone)
        static_cast<void>(DeliverValue(ParamDescriptor(id, detail), value));
    }
  }
  return 1;
}

void LMainControl::ShowEngineValues() {
  const RCPtr<LRootModuleEngine> engine = GetAppEngine();
  if (!engine || !mDeviceView)
    return;
  const RCPtr<LControl> self(this);
  Array<ParamValue> values;
  const ParamRange range{engine->GetFirstParamID(), static_cast<std::int32_t>(LPresetManager::kParameterCount)};
  if (engine->GetValues(range, values, -1) < 0)
    return;
  for (std::uint32_t i = 0; i < values.GetCount(); ++i)
    static_cast<void>(DeliverValue(values.GetAt(i).descriptor, values.GetAt(i).value));
}

void ShowEngineValuesNow() {
  if (LApplication* app = LApplication::GetRunning()) {
    if (OSWindow* window = app->GetMainWindow()) {
      const RCPtr<LRootWindow> root = window->GetRootWindow();
      if (const RCPtr<LMainControl> main =
              DynamicCast<LMainControl>(root ? root->GetRootControl() : RCPtr<LControl>()))
        main->ShowEngineValues();
    }
  }
  OSWindow::PaintPendingWindows();
}

std::int32_t LMainControl::DeliverValue(const ParamDescriptor& descriptor, const Variant& value) {
  mValueInFlight = ParamValue(descriptor, value);
  // Whatever the module does, the delivery ends here.
  struct EndDelivery {
    ParamValue& inFlight;
    ~EndDelivery() { inFlight = ParamValue(); }
  } end{mValueInFlight};
  switch (descriptor.id) {
  case kParamIdConnectionRequest:
  case kParamIdConnectionState:
  case kParamIdDeviceText:
    // The device link's state: nothing on screen shows it.
    break;
  default:
    if (!value.IsEmpty()) {
      if (const RCPtr<LParameterizedModule> module = GetParamModule(descriptor.id))
        static_cast<void>(module->SetParamValueLocal(mValueInFlight.descriptor, mValueInFlight.value, true));
    }
    break;
  }
  return 0;
}

} // namespace QZ
