#include "QZFramework/Controls/StatusBar.h"

#include "QZFramework/AppServices/RootWindow.h"
#include "QZFramework/ControlBase/ControlFactory.h"
#include "QZFramework/ControlBase/StringTable.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Utilities/Storage/WrapperStringable.h"

namespace QZ {

namespace {

constexpr const char16_t* kSetStatusText = u"NID_SET_STATUS_TEXT";
constexpr const char16_t* kLabelParam = u"LABEL";

using StatusText = LWrapperStringable<WideString>;

} // namespace

RCPtr<LControl>& LStatusBar::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                    const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LStatusBar>(out, parent, descriptor);
}

QZRESULT LStatusBar::ReadCreateParams() {
  const QZRESULT result = LControl::ReadCreateParams();
  SetNotFocusable(true);
  return result;
}

QZRESULT LStatusBar::Initialize() {
  const QZRESULT result = LControl::Initialize();
  mBarHandler = LNotificationHandler<LStatusBar>::Create(this);
  static_cast<void>(mBarHandler->Register(&LStatusBar::OnSetStatusText, RCPtr<LNotificationDistributor>(this),
                                          kSetStatusText, kNotifyLatestPostedOnly));
  SetSelfDistributor();
  static_cast<void>(BeginIdleNotifications());
  mLabel = DynamicCast<LLabel>(FindChild(WideString(u"label1")));
  mDefaultText = WideString();
  if (mLabel && mLabel->GetDescriptor()) {
    if (const RCPtr<LStringTable> params = mLabel->GetDescriptor()->GetCreateParams())
      static_cast<void>(params->GetString(kLabelParam, mDefaultText));
  }
  return result;
}

std::int32_t LStatusBar::Receive(const RCPtr<LNotificationDistributor>& source,
                                 const RCPtr<LNotification>& notification) {
  if (IsCreated() && mBarHandler) {
    const std::int32_t handled = mBarHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LControl::Receive(source, notification);
}

QZRESULT LStatusBar::ReleaseInnerReferences() {
  Shutdown();
  mBarHandler = RCPtr<LNotificationHandler<LStatusBar>>();
  mLabel = RCPtr<LLabel>();
  return LControl::ReleaseInnerReferences();
}

void LStatusBar::OnIdle() {
  LControl::OnIdle();
  const RCPtr<LStatusBar> self(this);
  static_cast<void>(Process(false));
}

QZRESULT LStatusBar::SetStatusTextNow(const WideString& text) {
  const RCPtr<LStatusBar> self(this);
  static_cast<void>(Process(false));
  if (mLabel)
    static_cast<void>(mLabel->SetText(text));
  if (const RCPtr<IRootWindow> rootWindow = FindRootWindow())
    static_cast<void>(rootWindow->RedrawNow());
  return S_OK;
}

QZRESULT LStatusBar::PostStatusText(const WideString& text) {
  return Post(LNotification::Create(kSetStatusText, StatusText::Create(text)));
}

std::int32_t LStatusBar::OnSetStatusText(const RCPtr<LNotificationDistributor>&,
                                         const RCPtr<LNotification>& notification) {
  const RCPtr<StatusText> text =
      notification ? DynamicCast<StatusText>(notification->GetPayload()) : RCPtr<StatusText>();
  if (text && mLabel)
    static_cast<void>(mLabel->SetText(*text));
  return 1;
}

} // namespace QZ
