#pragma once
// LAboutDlg: the about box ("PresetEditor.DialogAbout", the skin entry "dialogAbout"), a dialog that shows
// the program's version strings and opens the maker's support address. Its children: "labelProduct" gets the
// product version and "labelCopyright" the copyright notice in place of their string-table texts (a skin
// without one of them leaves it out); "buttonSupport" (required) hands the application string "URL_SUPPORT" to
// the shell's opener, with a hand cursor over it. The skin's images "companyLogo" and "productLogo" are left
// as they are. The dialog's own buttons and its close box are LDialog's.
//
// Threads: the UI thread only, like every control.

#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/Dialog.h"

namespace QZ {

inline constexpr const char16_t* kAboutDialogClassName = u"PresetEditor.DialogAbout";
inline constexpr const char16_t* kAboutDialogName = u"dialogAbout";
inline constexpr const char16_t* kSupportUrlKey = u"URL_SUPPORT";

class LAboutDlg : public LDialog {
public:
  LAboutDlg(const RCPtr<LControl>& parent, const WideString& name) : LDialog(parent, name) {}
  ~LAboutDlg() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The dialog's, then the version strings, the support button wired and given the hand cursor. The result
  // of the last text set (0 changed, 1 equal), or the dialog's when no label was there or it failed.
  // Throws "Runtime Error" without "buttonSupport" and "Failed Result" when its click cannot be heard.
  QZRESULT Initialize() override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

  // The support button's click: "URL_SUPPORT" to the shell (its failure shows nothing). 1.
  std::int32_t OnSupportClick(const RCPtr<LNotificationDistributor>& source,
                              const RCPtr<LNotification>& notification);

  const RCPtr<LButton>& GetSupportButton() const { return mSupportButton; }

private:
  RCPtr<LNotificationHandler<LAboutDlg>> mAboutHandler;
  RCPtr<LButton> mSupportButton;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LAboutDlg, "class QZ::LAboutDlg")
