#pragma once
// LTabControl: a row of tab buttons ("buttonHolder") over a stack of pages
// ("pageHolder"), matched by their creation order. A tab is named after its
// button. Selecting a tab shows its page and hides the others; listeners hear
// "NID_TAB_BECOMING_UNSELECTED" first and may redirect the selection by
// overwriting the target index.
//
// Every index here (FindTab, the pages, the redirect target, SelectTabAt)
// counts in creation order, so a redirect always lands on the tab it names
// even when a skin gives the buttons another tab order. A page holder with
// fewer pages than buttons leaves the later tabs without a page: selecting
// one hides every page. UI thread only, like every control.

#include "QZFramework/Controls/Panel.h"

#include <cstdint>

namespace QZ {

// Payload of "NID_TAB_BECOMING_UNSELECTED"; a listener may overwrite mTargetIndex.
class LTabBecomingUnselectedParams : public virtual LRefCountedObject {
public:
  LTabBecomingUnselectedParams(std::int32_t currentIndex, std::int32_t targetIndex)
      : mCurrentIndex(currentIndex), mTargetIndex(targetIndex) {}
  ~LTabBecomingUnselectedParams() override = default;

  std::int32_t mCurrentIndex;
  std::int32_t mTargetIndex;
};

class LTabControl : public LPanel {
public:
  LTabControl(const RCPtr<LControl>& parent, const WideString& name) : LPanel(parent, name) {}
  ~LTabControl() override = default;

  // "Framework.TabControl".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // A rebuild of a created tab control selects the stored tab again.
  QZRESULT CreateChildrenFromDescriptor(const RCPtr<LControlDescriptor>& descriptor) override;
  // Shown as a window's top-level control: the selected page takes the focus.
  void OnConditionsChanged(const RCPtr<LConditionsParam>& conditions) override;
  // The holders, the first tab selected (its failure is returned: E_FAIL
  // without a holder or without buttons), the buttons' clicks heard.
  QZRESULT Initialize() override;
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

  // The number of buttons; 0 without a button holder.
  virtual std::int32_t GetTabCount() const;
  // The index of the button of that name (exact), or -1.
  virtual std::int32_t FindTab(const WideString& name) const;
  virtual std::int32_t GetSelectedIndex() const;
  // Null when no tab is selected or the tab has no page.
  virtual RCPtr<LControl> GetSelectedPage() const;
  virtual const WideString& GetSelectedTabName() const { return mSelectedTabName; }
  virtual RCPtr<LControl> GetPage(const WideString& name) const;
  // Null for an index out of range or without a page there.
  virtual RCPtr<LControl> GetPageAt(std::int32_t index) const;
  virtual RCPtr<LControl> GetTabButton(const WideString& name) const;
  virtual RCPtr<LControl> GetTabButtonAt(std::int32_t index) const;
  // E_FAIL without either holder; else the (possibly redirected) selection's result.
  // A name no button has hides every page and leaves no tab selected.
  virtual QZRESULT SelectTab(const WideString& name);
  // E_FAIL without a button holder or for an index out of range.
  virtual QZRESULT SelectTabAt(std::int32_t index);
  // Called with the new index during every selection; does nothing here.
  virtual void OnTabSelected(std::int32_t index);

  const RCPtr<LControl>& GetButtonHolder() const { return mButtonHolder; }
  const RCPtr<LControl>& GetPageHolder() const { return mPageHolder; }

private:
  // A button's "NID_LEFT_CLICK": selects its tab; the page actually selected
  // takes the focus and, when a listener redirected, its button is set on.
  std::int32_t OnButtonClick(const RCPtr<LNotificationDistributor>& source,
                             const RCPtr<LNotification>& notification);

  RCPtr<LNotificationHandler<LTabControl>> mTabHandler;
  RCPtr<LControl> mButtonHolder;
  RCPtr<LControl> mPageHolder;
  WideString mSelectedTabName;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LTabBecomingUnselectedParams, "class QZ::LTabBecomingUnselectedParams")
QZ_TYPE_NAME(QZ::LTabControl, "class QZ::LTabControl")
