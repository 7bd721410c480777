#pragma once
// LDialog: a scroll view that the application shows in a window of its own and runs modally. Its standard
// buttons (direct children named "buttonOK", "buttonClose", "buttonCancel", "buttonAbort", "buttonRetry",
// "buttonIgnore", "buttonYes", "buttonNo"; names compared exactly) close it with their result code. Closing
// asks the listeners first ("NID_DIALOG_CLOSING" with an LCancelArgs; any of them may keep the dialog open),
// then asks the root window to end the modal run with the code, announces "NID_DIALOG_CLOSED" and calls
// OnClosed. The window's own close box closes with kDialogResultCancel through the root window.
//
// OK and Close first move the focus to their button, so a control that refuses to give the focus up (a text
// box whose text is refused) keeps the dialog open.
//
// One close at a time: a Close made while another runs (from a listener of "NID_DIALOG_CLOSING" or
// "NID_DIALOG_CLOSED", or from OnClosed), or after a close that reached the window, is ignored, so the
// outer close goes on with its code, "NID_DIALOG_CLOSED" and OnClosed come once, and the modal run ends with
// the code GetResult gives. A new modal run (DoModal) opens the dialog for closing again.
//
// Invariant: the result code is the code of the last Close that was not ignored, even when a listener kept
// the dialog open. UI thread only, like every control.

#include "QZFramework/Controls/ScrollView.h"

#include <cstdint>

namespace QZ {

inline constexpr const char16_t* kNidDialogClosing = u"NID_DIALOG_CLOSING";
inline constexpr const char16_t* kNidDialogClosed = u"NID_DIALOG_CLOSED";

// The dialog's result codes.
inline constexpr std::int32_t kDialogResultNone = 0;
inline constexpr std::int32_t kDialogResultOK = 1;
inline constexpr std::int32_t kDialogResultCancel = 2;
inline constexpr std::int32_t kDialogResultAbort = 3;
inline constexpr std::int32_t kDialogResultRetry = 4;
inline constexpr std::int32_t kDialogResultIgnore = 5;
inline constexpr std::int32_t kDialogResultYes = 6;
inline constexpr std::int32_t kDialogResultNo = 7;

// Payload of "NID_DIALOG_CLOSING": a listener sets mCancel to a non-zero value to keep the dialog open.
class LCancelArgs : public virtual LRefCountedObject {
public:
  LCancelArgs() = default;
  ~LCancelArgs() override = default;

  std::int32_t mCancel = 0;
};

class LDialog : public LScrollView {
public:
  LDialog(const RCPtr<LControl>& parent, const WideString& name) : LScrollView(parent, name) {}
  ~LDialog() override = default;

  // A plain dialog, for an application class that needs no code of its own.
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The application's modal run of the dialog (with the system menu): the code it ended with, or the
  // application's failure (E_FAIL without an application that runs dialogs).
  virtual std::int32_t DoModal();
  // After a completed close; nothing here.
  virtual void OnClosed() {}

  // The scroll view's, then the standard buttons wired. The scroll view's result.
  QZRESULT Initialize() override;
  // The dialog's handler first, then the scroll view's.
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

  using LControl::Close;
  // Stores the code and closes unless a listener of "NID_DIALOG_CLOSING" refuses; ignored while a close
  // runs or once one has reached the window. A root window without a native window cannot close; that is
  // not reported (and the dialog may be closed again).
  void Close(std::int32_t result);
  std::int32_t GetResult() const { return mResult; }

  // The code of a standard button's name; kDialogResultNone for any other name.
  static std::int32_t ResultOfButton(const WideString& name);

private:
  // A standard button's "NID_LEFT_CLICK". 1.
  std::int32_t OnButtonClick(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);

  enum class CloseState : std::uint8_t { kOpen, kClosing, kClosed };

  RCPtr<LNotificationHandler<LDialog>> mDialogHandler;
  std::int32_t mResult = kDialogResultNone;
  CloseState mCloseState = CloseState::kOpen;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LCancelArgs, "class QZ::LCancelArgs")
QZ_TYPE_NAME(QZ::LDialog, "class QZ::LDialog")
