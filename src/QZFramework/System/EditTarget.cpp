#include "QZFramework/System/EditTarget.h"

#include "QZFramework/ControlBase/Control.h"

namespace QZ {

RCPtr<LControl> GetEditTarget(const RCPtr<LControl>& control) {
  for (RCPtr<LControl> current = control; current; current = current->GetParent()) {
    const auto* target = dynamic_cast<const IEditTarget*>(current.Get());
    if (target != nullptr && target->IsEditTarget())
      return current;
    if (const auto* delegate = dynamic_cast<const IEditTargetDelegate*>(current.Get()))
      if (RCPtr<LControl> named = delegate->GetDelegatedEditTarget())
        return named;
  }
  return RCPtr<LControl>();
}

} // namespace QZ
