#include "QZFramework/Controls/AxisLayout.h"

namespace QZ {

void ChangeAxisLayout(const RCPtr<LControl>& control, std::int32_t axis, std::optional<double> position,
                      std::optional<double> size) {
  if (!control || !control->GetLayout())
    return;
  AxisPlacement placement;
  SizeSpec spec;
  if (control->GetLayout()->GetAxisLayout(axis, placement, spec) != S_OK)
    return;
  if (position)
    placement.mAbsolute = *position;
  if (size)
    spec.mAbsolute = *size;
  static_cast<void>(control->SetAxisPlacement(axis, placement, spec));
}

} // namespace QZ
