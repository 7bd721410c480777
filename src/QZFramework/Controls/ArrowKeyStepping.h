#pragma once
// Arrow keys on a value control (slider, knob): Up and Right step the value one unit up, Down and Left one unit
// down, on a plain press (auto-repeat included; with a modifier the key is not ours). The first press of a run
// notifies "NID_VALUE_CHANGE_KEY_DOWN" and the release "NID_VALUE_CHANGE_KEY_UP", so that listeners can take a run
// of steps as one change. The run flag is the control's own; the control's thread only.

#include "QZFramework/ControlBase/Control.h"
#include "QZFramework/ControlBase/InputParams.h"

#include <functional>

namespace QZ {

// True when key was an arrow key's press or release, handled here; step receives +1 or -1.
bool StepByArrowKey(LControl& control, const RCPtr<LKeyParam>& key, bool& stepping,
                    const std::function<void(double units)>& step);

} // namespace QZ
