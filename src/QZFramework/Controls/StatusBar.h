#pragma once
// LStatusBar: one line of status text in its child label "label1". The text
// is set at once from the UI thread (SetStatusTextNow, which repaints the
// window straight away) or posted from any thread (PostStatusText), in which
// case the bar applies the text of the latest post in its next idle pass. A
// text set at once first drains what is queued, so that no older post can
// overwrite it later. GetStatusText answers the label's "LABEL" creation text,
// whatever the setters showed since.
//
// The bar is also its queue's distributor; releasing it shuts the queue down
// before the control's own release. A skin without "label1" shows nothing.
// Threads: PostStatusText from any thread (the queue's lock guards the post);
// everything else on the UI thread.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/Controls/Label.h"
#include "QZFramework/Notification/NotificationQueue.h"

namespace QZ {

class LStatusBar : public LControl, public LNotificationQueue {
public:
  LStatusBar(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LStatusBar() override = default;

  // "Framework.StatusBar".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // Delivers the posts queued when the pass starts.
  void OnIdle() override;
  // The handler, the queue's distributor, the permanent idle request and the label; the base result.
  QZRESULT Initialize() override;
  // The base's, then not focusable.
  QZRESULT ReadCreateParams() override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  QZRESULT ReleaseInnerReferences() override;

  // The label's "LABEL" creation text.
  WideString GetStatusText() const { return mDefaultText; }
  // UI thread: drains the queue, shows the text and repaints now. 0.
  QZRESULT SetStatusTextNow(const WideString& text);
  // Any thread: the queue's post result (E_INVALIDARG or E_FAIL as it reports).
  QZRESULT PostStatusText(const WideString& text);

  const RCPtr<LLabel>& GetLabel() const { return mLabel; }

private:
  std::int32_t OnSetStatusText(const RCPtr<LNotificationDistributor>& source,
                               const RCPtr<LNotification>& notification);

  RCPtr<LNotificationHandler<LStatusBar>> mBarHandler;
  RCPtr<LLabel> mLabel;
  WideString mDefaultText;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LStatusBar, "class QZ::LStatusBar")
