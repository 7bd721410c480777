#pragma once
// Message boxes and the shell's "open" for code that has no application object at hand: AppMessageBox asks
// the running framework application to show the box (it chooses the owner window), ShellOpen hands a path or
// an address to the platform's opener. UI thread.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

// The error icon with one OK button.
inline constexpr std::uint32_t kAppMessageBoxErrorStyle = 0x10;

// The application's ShowMessageBox: the button pressed; 0 (no box) without a running application.
std::int32_t AppMessageBox(WideString text, WideString caption, std::uint32_t style);

} // namespace QZ
