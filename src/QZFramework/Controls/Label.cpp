#include "QZFramework/Controls/Label.h"

namespace QZ {

RCPtr<LControl>& LLabel::Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                const RCPtr<LControlDescriptor>& descriptor) {
  return CreateControlFromDescriptor<LLabel>(out, parent, descriptor);
}

QZRESULT LLabel::FinishInitialize() {
  SetNotFocusable(true);
  return S_OK;
}

WideString LLabel::GetToolTipText() const {
  if (IsTextTruncated())
    return GetText();
  return LControl::GetToolTipText();
}

} // namespace QZ
