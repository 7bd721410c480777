#pragma once
// The walk from the focused control to the control that takes its edit
// requests. The interface such a control implements (IEditTarget) and the
// edit codes sit with the control base, so that the controls can implement it.
//
// UI thread only, like the controls.

#include "QZFramework/ControlBase/EditTarget.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"

namespace QZ {

class LControl;

// The control itself when it is an edit target, else the control a delegate on
// the way names, else its parent's answer; null at the top or for null.
RCPtr<LControl> GetEditTarget(const RCPtr<LControl>& control);

} // namespace QZ
