#pragma once
// The message box the OpenGL back end shows before it gives up on start-up
// (no pixel format, no context, no extension list): a modal box with one OK
// button and no owner window, the application's message box (Platform/App). Where no box can
// be shown (no display), the caption and text go to the standard error stream
// instead.
//
// A handler can take the place of the box (the tests record what would be
// shown); it is process-wide, set and read atomically, and called on the
// caller's thread. UI thread otherwise, like the renderer that shows it.

#include <cstdint>
#include <string>

namespace QZ::Platform {

// Box styles, as the renderer passes them.
inline constexpr std::uint32_t kErrorBoxOk = 0x0;
inline constexpr std::uint32_t kErrorBoxExclamation = 0x30;

// Caption and text are UTF-8.
using ErrorBoxHandler = void (*)(const std::string& caption, const std::string& text, std::uint32_t style);

// Blocks until the box is closed.
void ShowErrorBox(const std::string& caption, const std::string& text, std::uint32_t style);
// Installs the handler (null restores the real box); returns the one before.
ErrorBoxHandler SetErrorBoxHandler(ErrorBoxHandler handler);

} // namespace QZ::Platform
