#pragma once
// LClipboard: the application's clipboard. It carries the four edit requests
// ("NID_EDIT_CUT_REQ", "NID_EDIT_COPY_REQ", "NID_EDIT_PASTE_REQ",
// "NID_EDIT_DELETE_REQ") from the application notification center to the
// control that takes edits, and it exchanges text with the system clipboard:
// UTF-16 here, UTF-8 on the platform's side. Any other object stays inside the
// application, with the system clipboard claimed for it.
//
// It keeps the object it last wrote or read and the platform's sequence number
// at that moment, so it reads the system clipboard again only after a change.
//
// UI thread only. The busy flag guards SetText against re-entry from the same
// thread (another program taking the clipboard while we empty it).

#include "QZFramework/ControlBase/EditTarget.h"
#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Notification/NotificationHandler.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/WrapperStringable.h"

#include <cstdint>

namespace QZ {

// The text object the clipboard hands out and takes.
using LClipboardText = LWrapperStringable<WideString>;

class LClipboard : public virtual LNotificationClient {
public:
  // SetText's answer when it was called again while running.
  static constexpr QZRESULT kClipboardBusy = S_FALSE;

  // Uninitialised: notifications are ignored until Initialize.
  [[nodiscard]] static RCPtr<LClipboard> Create();
  ~LClipboard() override;

  // Subscribes to the four edit requests on the application center. 0, or
  // E_FAIL (and still uninitialised) when a subscription fails.
  QZRESULT Initialize();
  bool IsInitialized() const { return mInitialized; }

  // The object on the clipboard: the cached one while the system clipboard has
  // not changed or holds our claim, else new text read from it (null when it
  // holds none). When it cannot be read the cached object is returned.
  RCPtr<LRefCountedObject> GetText();
  // Caches data and, for text, puts it on the system clipboard; any other
  // object claims the clipboard. Null only forgets the cached object (another
  // program took the clipboard). 0; kClipboardBusy when re-entered; E_FAIL when
  // the system clipboard refused (the cache holds data all the same).
  QZRESULT SetText(const RCPtr<LRefCountedObject>& data);

  // Whether the focused edit target of the active root window (EditTarget.h)
  // can run the edit now; false without such a target.
  bool IsEditCommandAvailable(std::int32_t code);
  // The handler behind the edit requests: the edit goes to the focused edit
  // target of the active root window when it can run it. The request is
  // consumed either way (0).
  std::int32_t PerformEditCommand(std::int32_t code);

  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& source, const char16_t* name) override;

private:
  LClipboard() = default;

  std::int32_t OnCut(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&);
  std::int32_t OnCopy(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&);
  std::int32_t OnPaste(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&);
  std::int32_t OnDelete(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>&);

  RCPtr<LNotificationHandler<LClipboard>> mHandler;
  std::uint32_t mSequence = 0;
  RCPtr<LRefCountedObject> mCached;
  bool mInitialized = false;
  bool mBusy = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LClipboard, "class QZ::LClipboard")
