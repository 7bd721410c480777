#include "Platform/App/MessageBox.h"

#include "Platform/Window/Window.h"

#include <SDL.h>

#include <mutex>
#include <vector>

namespace QZ::Platform {

namespace {

struct Button {
  std::int32_t answer;
  const char* label;
  Uint32 flags;
};

std::vector<Button> ButtonsOfStyle(std::uint32_t style) {
  constexpr Uint32 kReturn = SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT;
  constexpr Uint32 kEscape = SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
  switch (style & kMessageBoxButtonsMask) {
  case kMessageBoxStyleOkCancel:
    return {{kMessageBoxOk, "OK", kReturn}, {kMessageBoxCancel, "Cancel", kEscape}};
  case kMessageBoxStyleYesNoCancel:
    return {{kMessageBoxYes, "Yes", kReturn}, {kMessageBoxNo, "No", 0}, {kMessageBoxCancel, "Cancel", kEscape}};
  case kMessageBoxStyleYesNo:
    return {{kMessageBoxYes, "Yes", kReturn}, {kMessageBoxNo, "No", kEscape}};
  default:
    return {{kMessageBoxOk, "OK", kReturn | kEscape}};
  }
}

Uint32 FlagsOfStyle(std::uint32_t style) {
  switch (style & kMessageBoxIconMask) {
  case kMessageBoxIconError:
    return SDL_MESSAGEBOX_ERROR;
  case kMessageBoxIconWarning:
    return SDL_MESSAGEBOX_WARNING;
  default:
    return SDL_MESSAGEBOX_INFORMATION;
  }
}

class SDLMessageBoxPresenter final : public MessageBoxPresenter {
public:
  std::int32_t Show(const std::string& text, const std::string& caption, std::uint32_t style) override {
    return ShowOwned(text, caption, style, kNoWindow);
  }
  std::int32_t ShowOwned(const std::string& text, const std::string& caption, std::uint32_t style,
                         WindowId owner) override {
    const std::vector<Button> buttons = ButtonsOfStyle(style);
    std::vector<SDL_MessageBoxButtonData> data;
    for (const Button& button : buttons)
      data.push_back({button.flags, button.answer, button.label});
    SDL_MessageBoxData box{};
    box.flags = FlagsOfStyle(style);
    if (const Window* window = owner != kNoWindow ? Window::FromId(owner) : nullptr)
      box.window = static_cast<SDL_Window*>(window->GetNativeHandle());
    box.title = caption.c_str();
    box.message = text.c_str();
    box.numbuttons = static_cast<int>(data.size());
    box.buttons = data.data();
    int pressed = kMessageBoxFailed;
    if (SDL_ShowMessageBox(&box, &pressed) != 0)
      return kMessageBoxFailed;
    // Closing the box without a button (-1) counts as its escape button.
    if (pressed < 0)
      return buttons.back().answer;
    return pressed;
  }
};

struct Installed {
  std::mutex lock;
  std::shared_ptr<MessageBoxPresenter> presenter = std::make_shared<SDLMessageBoxPresenter>();
};

Installed& GetInstalled() {
  static Installed installed;
  return installed;
}

} // namespace

std::shared_ptr<MessageBoxPresenter> SetMessageBoxPresenter(std::shared_ptr<MessageBoxPresenter> presenter) {
  if (!presenter)
    presenter = std::make_shared<SDLMessageBoxPresenter>();
  Installed& installed = GetInstalled();
  std::lock_guard guard(installed.lock);
  installed.presenter.swap(presenter);
  return presenter;
}

std::int32_t ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t style) {
  return ShowMessageBox(text, caption, style, kNoWindow);
}

std::int32_t ShowMessageBox(const std::string& text, const std::string& caption, std::uint32_t style,
                            WindowId owner) {
  std::shared_ptr<MessageBoxPresenter> presenter;
  {
    Installed& installed = GetInstalled();
    std::lock_guard guard(installed.lock);
    presenter = installed.presenter;
  }
  return presenter->ShowOwned(text, caption, style, owner);
}

} // namespace QZ::Platform
