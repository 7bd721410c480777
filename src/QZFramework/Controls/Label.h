#pragma once
// LLabel: the static control. Its looks draw a text or an image; it never
// takes the keyboard focus, whatever its skin entry says, and when its text
// does not fit the shown look's text area the text itself is the tool tip.
// UI thread only, like every control.

#include "QZFramework/ControlBase/Control.h"

namespace QZ {

class LLabel : public LControl {
public:
  LLabel(const RCPtr<LControl>& parent, const WideString& name) : LControl(parent, name) {}
  ~LLabel() override = default;

  static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                 const RCPtr<LControlDescriptor>& descriptor);

  // Marks the label not focusable. 0.
  QZRESULT FinishInitialize() override;
  // The label's own text while it is truncated, else the "TOOLTIP" text.
  WideString GetToolTipText() const override;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LLabel, "class QZ::LLabel")
