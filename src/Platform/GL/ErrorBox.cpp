#include "Platform/GL/ErrorBox.h"

#include "Platform/App/MessageBox.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace QZ::Platform {

namespace {

std::atomic<ErrorBoxHandler> sHandler{nullptr};

} // namespace

void ShowErrorBox(const std::string& caption, const std::string& text, std::uint32_t style) {
  if (ErrorBoxHandler handler = sHandler.load()) {
    handler(caption, text, style);
    return;
  }
  // With no display named the box's program fails, and the message would be lost: it goes to the error
  // stream instead. The box is the application's own (a program started with exec, never a fork of this
  // threaded process).
  const bool displayNamed = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  const std::uint32_t boxStyle = style == kErrorBoxExclamation ? kMessageBoxIconWarning : kMessageBoxIconError;
  if (!displayNamed || ShowMessageBox(text, caption, kMessageBoxStyleOk | boxStyle) == kMessageBoxFailed)
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

ErrorBoxHandler SetErrorBoxHandler(ErrorBoxHandler handler) { return sHandler.exchange(handler); }

} // namespace QZ::Platform
