#include "UI/PresetEditorCommon/AboutDlg.h"

#include "Panel/Main/Version.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Application/ShellOpen.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/ObjectBase/Exception.h"

#include <stdexcept>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "UI\\PresetEditorCommon\\AboutDlg";
constexpr const char* kInitializeFunction = "LAboutDlg::Initialize";
constexpr const char16_t* kLeftClick = u"NID_LEFT_CLICK";
constexpr const char16_t* kProductLabelName = u"labelProduct";
constexpr const char16_t* kCopyrightLabelName = u"labelCopyright";
constexpr const char16_t* kSupportButtonName = u"buttonSupport";

} // namespace

RCPtr<LControl>& LAboutDlg::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                   const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LAboutDlg>(out, parent, descriptor);
}

QZRESULT LAboutDlg::Initialize() {
  QZRESULT result = LDialog::Initialize();
  if (result < 0)
    return result;
  if (const RCPtr<LControl>& product = FindChild(WideString(kProductLabelName)))
    result = product->SetText(Version::GetProductVersion());
  if (result >= 0) {
    if (const RCPtr<LControl>& copyright = FindChild(WideString(kCopyrightLabelName)))
      result = copyright->SetText(Version::GetLegalCopyright());
  }

  mAboutHandler = LNotificationHandler<LAboutDlg>::Create(this);
  if (mAboutHandler) {
    mSupportButton = DynamicCast<LButton>(FindChild(WideString(kSupportButtonName)));
    if (!mSupportButton)
      ThrowException<std::runtime_error>("Null Pointer : LSupportPanel couldn't find buttonSupport",
                                         kInitializeFunction, kSourcePath, 138);
    ThrowIfFailed(mAboutHandler->Register(&LAboutDlg::OnSupportClick,
                                          RCPtr<LNotificationDistributor>(
                                              static_cast<LNotificationDistributor*>(mSupportButton.GetRaw())),
                                          kLeftClick),
                  kInitializeFunction, kSourcePath, 139);
    if (IFrameworkApp* app = GetFrameworkApp())
      mSupportButton->SetCursor(app->GetCursor(WideString(kCursorHand)));
  }
  return result;
}

std::int32_t LAboutDlg::Receive(const RCPtr<LNotificationDistributor>& source,
                                const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mAboutHandler) {
    const std::int32_t handled = mAboutHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LDialog::Receive(source, notification);
}

std::int32_t LAboutDlg::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mAboutHandler && id)
    static_cast<void>(mAboutHandler->Unregister(distributor, id));
  return LDialog::Unsubscribe(distributor, id);
}

QZRESULT LAboutDlg::ReleaseInnerReferences() {
  mAboutHandler = RCPtr<LNotificationHandler<LAboutDlg>>();
  mSupportButton = RCPtr<LButton>();
  return LDialog::ReleaseInnerReferences();
}

std::int32_t LAboutDlg::OnSupportClick(const RCPtr<LNotificationDistributor>& source,
                                       const RCPtr<LNotification>&) {
  if (!mSupportButton || source.GetRaw() != static_cast<LNotificationDistributor*>(mSupportButton.GetRaw()))
    return 1;
  WideString address;
  if (auto* app = dynamic_cast<LFrameworkApp*>(GetFrameworkApp()))
    if (const RCPtr<LStringTable> strings = app->GetApplicationStringTable())
      static_cast<void>(strings->GetString(kSupportUrlKey, address));
  static_cast<void>(ShellOpen(address));
  return 1;
}

} // namespace QZ
