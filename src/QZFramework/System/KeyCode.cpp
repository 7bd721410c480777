#include "QZFramework/System/KeyCode.h"

#include "Platform/Input/KeyState.h"
#include "Platform/Input/VirtualKeys.h"

namespace QZ {

std::uint32_t GetModifierKeyState() {
  std::uint32_t modifiers = 0;
  if (Platform::GetKeyState(Platform::kVirtualKeyControl).down)
    modifiers |= kModifierCtrl;
  if (Platform::GetKeyState(Platform::kVirtualKeyShift).down)
    modifiers |= kModifierShift;
  if (Platform::GetKeyState(Platform::kVirtualKeyMenu).down)
    modifiers |= kModifierAlt;
  return modifiers;
}

} // namespace QZ
