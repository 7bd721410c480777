#pragma once
// Key codes live with the control base (QZFramework/ControlBase/KeyCode.h);
// the keyboard's modifier state, which asks the platform, stays here.
//
// UI thread.

#include "QZFramework/ControlBase/KeyCode.h"

#include <cstdint>

namespace QZ {

// The modifier bits kModifierCtrl, kModifierShift and kModifierAlt of the
// keyboard as the platform sees it now.
std::uint32_t GetModifierKeyState();

} // namespace QZ
