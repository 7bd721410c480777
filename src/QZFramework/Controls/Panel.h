#pragma once
// LPanel: the general container. It draws nothing of its own; it keeps Tab
// traversal inside its group of children until the group is exhausted and
// then hands it to the enclosing group, so only the top-level control wraps
// around. Ctrl+Tab climbs out of every enclosing panel unchanged.
// UI thread only, like every control.

#include "QZFramework/Controls/ScrollView.h"

namespace QZ {

class LPanel : public LScrollView {
public:
  LPanel(const RCPtr<LControl>& parent, const WideString& name) : LScrollView(parent, name) {}
  ~LPanel() override = default;

  // Serves "Framework.Panel", "Framework.ScrollChannel",
  // "Framework.ComboSlider.DropDownPanel" and "Framework.CenteredSliderBounds".
  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // The base's next tab stop, except that a panel with a parent refuses a
  // search that wrapped around its children: the shared null then.
  const RCPtr<LControl>& GetNextTabStop(const RCPtr<LControl>& child, bool reverse) const override;
  // Tab from the last control of the key's path: the next child that can take
  // the focus or pass it on; when none (or with Ctrl) the key goes up.
  void NavigateFocus(const RCPtr<LKeyParam>& key) override;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LPanel, "class QZ::LPanel")
