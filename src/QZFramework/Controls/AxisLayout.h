#pragma once
// Changing a control's absolute position or size on one axis with the rest of its layout kept: what meters, bars
// and splitters do to their parts as their values change. A control without a layout is left alone. The control's
// thread only.

#include "QZFramework/ControlBase/Control.h"

#include <cstdint>
#include <optional>

namespace QZ {

void ChangeAxisLayout(const RCPtr<LControl>& control, std::int32_t axis, std::optional<double> position,
                      std::optional<double> size);

} // namespace QZ
