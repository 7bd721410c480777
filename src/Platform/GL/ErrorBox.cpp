#include "Platform/GL/ErrorBox.h"

#include <SDL.h>

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
  // With no display named, SDL may hand the box to a helper program (zenity) that fails without saying so, and
  // the message would be lost: it goes to the error stream instead.
  const bool displayNamed = std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
  const Uint32 flags = style == kErrorBoxExclamation ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_ERROR;
  if (!displayNamed || SDL_ShowSimpleMessageBox(flags, caption.c_str(), text.c_str(), nullptr) != 0)
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

ErrorBoxHandler SetErrorBoxHandler(ErrorBoxHandler handler) { return sHandler.exchange(handler); }

} // namespace QZ::Platform
