#include "QZFramework/Controls/Dialog.h"

#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/Notification/Notification.h"

#include <iterator>

namespace QZ {

namespace {

constexpr const char16_t* kLeftClick = u"NID_LEFT_CLICK";

struct SDialogButton {
  const char16_t* mName;
  std::int32_t mResult;
};

constexpr SDialogButton kDialogButtons[] = {
    {u"buttonOK", kDialogResultOK},         {u"buttonClose", kDialogResultOK},
    {u"buttonCancel", kDialogResultCancel}, {u"buttonAbort", kDialogResultAbort},
    {u"buttonRetry", kDialogResultRetry},   {u"buttonIgnore", kDialogResultIgnore},
    {u"buttonYes", kDialogResultYes},       {u"buttonNo", kDialogResultNo},
};

RCPtr<LNotificationDistributor> AsDistributor(const RCPtr<LControl>& control) {
  return RCPtr<LNotificationDistributor>(static_cast<LNotificationDistributor*>(control.GetRaw()));
}

} // namespace

RCPtr<LControl>& LDialog::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LDialog>(out, parent, descriptor);
}

std::int32_t LDialog::ResultOfButton(const WideString& name) {
  for (const SDialogButton& button : kDialogButtons) {
    if (name.EqualsString(WideString(button.mName)))
      return button.mResult;
  }
  return kDialogResultNone;
}

QZRESULT LDialog::Initialize() {
  const QZRESULT result = LScrollView::Initialize();
  mDialogHandler = LNotificationHandler<LDialog>::Create(this);
  if (!mDialogHandler)
    return result;
  // From the last name to the first; a missing button is simply not wired.
  for (auto it = std::rbegin(kDialogButtons); it != std::rend(kDialogButtons); ++it) {
    if (const RCPtr<LControl>& button = FindChild(WideString(it->mName)))
      static_cast<void>(mDialogHandler->Register(&LDialog::OnButtonClick, AsDistributor(button), kLeftClick));
  }
  return result;
}

std::int32_t LDialog::Receive(const RCPtr<LNotificationDistributor>& source,
                              const RCPtr<LNotification>& notification) {
  if (!IsCreated())
    return 0;
  if (mDialogHandler) {
    const std::int32_t handled = mDialogHandler->Receive(source, notification);
    if (handled != 0)
      return handled;
  }
  return LScrollView::Receive(source, notification);
}

std::int32_t LDialog::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mDialogHandler && id)
    static_cast<void>(mDialogHandler->Unregister(distributor, id));
  return LScrollView::Unsubscribe(distributor, id);
}

QZRESULT LDialog::ReleaseInnerReferences() {
  mDialogHandler = RCPtr<LNotificationHandler<LDialog>>();
  return LScrollView::ReleaseInnerReferences();
}

std::int32_t LDialog::DoModal() {
  IFrameworkApp* app = GetFrameworkApp();
  if (!app)
    return E_FAIL;
  mCloseState = CloseState::kOpen;
  return app->DoModal(RCPtr<LControl>(this), true);
}

void LDialog::Close(std::int32_t result) {
  if (mCloseState != CloseState::kOpen)
    return;
  const RCPtr<LDialog> self(this);
  mCloseState = CloseState::kClosing;
  // A listener that throws leaves the dialog open, as a refusal does.
  struct Reopen {
    LDialog* dialog;
    ~Reopen() {
      if (dialog->mCloseState == CloseState::kClosing)
        dialog->mCloseState = CloseState::kOpen;
    }
  } reopen{this};
  mResult = result;
  const RCPtr<LCancelArgs> args = MakeRCPtr<LCancelArgs>();
  static_cast<void>(Notify(LNotification::Create(kNidDialogClosing, RCPtr<LRefCountedObject>(args))));
  if (args->mCancel != 0)
    return;
  bool requested = false;
  if (const RCPtr<IRootWindow>& root = GetRootWindowSlot())
    requested = root->RequestClose(result) >= 0;
  static_cast<void>(Notify(LNotification::Create(kNidDialogClosed)));
  OnClosed();
  mCloseState = requested ? CloseState::kClosed : CloseState::kOpen;
}

std::int32_t LDialog::OnButtonClick(const RCPtr<LNotificationDistributor>& source, const RCPtr<LNotification>&) {
  auto* button = dynamic_cast<LControl*>(source.GetRaw());
  if (!button)
    return 1;
  const RCPtr<LControl> clicked(button);
  const WideString& name = clicked->GetName();
  const std::int32_t result = ResultOfButton(name);
  if (result == kDialogResultNone)
    return 1;
  if (result == kDialogResultOK) {
    // The focus moves first, so a control that keeps it keeps the dialog open.
    if (clicked->SetFocus(true) < 0)
      return 1;
  }
  Close(result);
  return 1;
}

} // namespace QZ
