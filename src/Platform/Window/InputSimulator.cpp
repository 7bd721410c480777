#include "Platform/Window/InputSimulator.h"

#include "Platform/Input/KeyState.h"
#include "Platform/Input/VirtualKeys.h"

#include "Platform/Window/Window.h"
#include "Platform/Window/WindowSystemState.h"

#include <cstring>

namespace QZ::Platform {

namespace {

InputSimulator* sCurrent = nullptr;

bool Push(SDL_Event& event) {
  event.common.timestamp = SDL_GetTicks();
  return SDL_PushEvent(&event) == 1;
}

WindowPoint ToScreen(WindowId window, WindowPoint client) {
  const Window* found = Window::FromId(window);
  return found != nullptr ? found->ClientToScreen(client) : client;
}

Uint32 SdlButtonState(std::uint32_t buttons) {
  Uint32 state = 0;
  if ((buttons & kMouseLeft) != 0)
    state |= SDL_BUTTON_LMASK;
  if ((buttons & kMouseMiddle) != 0)
    state |= SDL_BUTTON_MMASK;
  if ((buttons & kMouseRight) != 0)
    state |= SDL_BUTTON_RMASK;
  return state;
}

unsigned SdlModOfKey(SDL_Keycode key) {
  switch (key) {
  case SDLK_LSHIFT:
    return KMOD_LSHIFT;
  case SDLK_RSHIFT:
    return KMOD_RSHIFT;
  case SDLK_LCTRL:
    return KMOD_LCTRL;
  case SDLK_RCTRL:
    return KMOD_RCTRL;
  case SDLK_LALT:
    return KMOD_LALT;
  case SDLK_RALT:
    return KMOD_RALT;
  case SDLK_LGUI:
    return KMOD_LGUI;
  case SDLK_RGUI:
    return KMOD_RGUI;
  default:
    return 0;
  }
}

// The modifiers that are locks, not held keys; SetModifiers leaves them alone.
constexpr unsigned kLockMods = KMOD_NUM | KMOD_CAPS | KMOD_MODE | KMOD_SCROLL;

// The SDL key a virtual key is pressed with; SDLK_UNKNOWN when there is none.
SDL_Keycode SdlKeyOf(std::uint32_t virtualKey) {
  if (virtualKey == 0 || virtualKey > 0xFF)
    return SDLK_UNKNOWN;
  const std::vector<std::int32_t> keys = SDLKeycodesForVirtualKey(static_cast<std::uint8_t>(virtualKey));
  return keys.empty() ? SDLK_UNKNOWN : keys.front();
}

} // namespace

// The key state while a simulator lives: its buttons, and its held keys
// besides what the backend it replaced reports (the modifiers, which the
// simulator sets in SDL's modifier state, and the locks).
class InputSimulator::SimulatedKeyState final : public KeyStateSource {
public:
  SimulatedKeyState(const InputSimulator& simulator, std::shared_ptr<KeyStateSource> previous)
      : mSimulator(simulator), mPrevious(std::move(previous)) {}

  SKeyState GetKeyState(std::uint8_t virtualKey) override {
    switch (virtualKey) {
    case kVirtualKeyLeftButton:
      return {(mSimulator.GetButtons() & kMouseLeft) != 0, false};
    case kVirtualKeyRightButton:
      return {(mSimulator.GetButtons() & kMouseRight) != 0, false};
    case kVirtualKeyMiddleButton:
      return {(mSimulator.GetButtons() & kMouseMiddle) != 0, false};
    default:
      break;
    }
    SKeyState state = mPrevious->GetKeyState(virtualKey);
    state.down = state.down || mSimulator.IsKeyDown(virtualKey);
    return state;
  }

  const std::shared_ptr<KeyStateSource>& GetPrevious() const { return mPrevious; }

private:
  const InputSimulator& mSimulator;
  std::shared_ptr<KeyStateSource> mPrevious;
};

InputSimulator::InputSimulator() {
  sCurrent = this;
  auto keyState = std::make_shared<SimulatedKeyState>(*this, GetKeyStateSource());
  mKeyState = keyState;
  SetKeyStateSource(keyState);
}

InputSimulator::~InputSimulator() {
  if (GetKeyStateSource() == mKeyState)
    SetKeyStateSource(mKeyState->GetPrevious());
  if (sCurrent == this)
    sCurrent = nullptr;
}

InputSimulator* InputSimulator::Current() { return sCurrent; }

void InputSimulator::SetModifiers(std::uint32_t mask) {
  const unsigned locks = static_cast<unsigned>(SDL_GetModState()) & kLockMods;
  SDL_SetModState(static_cast<SDL_Keymod>(detail::SdlModFromModifierMask(mask) | locks));
}

void InputSimulator::SetPointerScreenPosition(WindowPoint screen) { mPointer = screen; }

bool InputSimulator::MovePointer(WindowId window, WindowPoint client) {
  mPointer = ToScreen(window, client);
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_MOUSEMOTION;
  event.motion.windowID = window;
  event.motion.state = SdlButtonState(mButtons);
  event.motion.x = client.x;
  event.motion.y = client.y;
  return Push(event);
}

bool InputSimulator::PressButton(WindowId window, std::uint32_t button, WindowPoint client, std::uint8_t clicks) {
  return Button(window, button, true, client, clicks);
}

bool InputSimulator::ReleaseButton(WindowId window, std::uint32_t button, WindowPoint client,
                                   std::uint8_t clicks) {
  return Button(window, button, false, client, clicks);
}

bool InputSimulator::Button(WindowId window, std::uint32_t button, bool down, WindowPoint client,
                            std::uint8_t clicks) {
  const std::uint8_t sdlButton = detail::SdlButtonFromButton(button);
  if (sdlButton == 0)
    return false;
  mPointer = ToScreen(window, client);
  if (down)
    mButtons |= button;
  else
    mButtons &= ~button;
  SDL_Event event;
  SDL_zero(event);
  event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  event.button.windowID = window;
  event.button.button = sdlButton;
  event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.button.clicks = clicks;
  event.button.x = client.x;
  event.button.y = client.y;
  return Push(event);
}

bool InputSimulator::Wheel(WindowId window, WheelAxis axis, std::int32_t delta, WindowPoint client) {
  mPointer = ToScreen(window, client);
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_MOUSEWHEEL;
  event.wheel.windowID = window;
  event.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  const float notches = static_cast<float>(delta) / static_cast<float>(kWheelDeltaPerNotch);
  if (axis == WheelAxis::kVertical) {
    event.wheel.preciseY = notches;
    event.wheel.y = delta / kWheelDeltaPerNotch;
  } else {
    event.wheel.preciseX = notches;
    event.wheel.x = delta / kWheelDeltaPerNotch;
  }
  event.wheel.mouseX = client.x;
  event.wheel.mouseY = client.y;
  return Push(event);
}

bool InputSimulator::Key(WindowId window, std::uint32_t virtualKey, bool down, bool repeat) {
  const SDL_Keycode key = SdlKeyOf(virtualKey);
  if (virtualKey != 0 && key == SDLK_UNKNOWN)
    return false;
  // The keyboard changes the held modifiers before it reports the key itself.
  if (const unsigned bit = SdlModOfKey(key); bit != 0) {
    const unsigned mod = static_cast<unsigned>(SDL_GetModState());
    SDL_SetModState(static_cast<SDL_Keymod>(down ? (mod | bit) : (mod & ~bit)));
  }
  if (down)
    mKeysDown.insert(virtualKey);
  else
    mKeysDown.erase(virtualKey);
  SDL_Event event;
  SDL_zero(event);
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.windowID = window;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = down && repeat ? 1 : 0;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  event.key.keysym.mod = static_cast<Uint16>(SDL_GetModState());
  return Push(event);
}

bool InputSimulator::LayoutKey(WindowId window, std::int32_t layoutKeycode, std::uint32_t physicalVirtualKey,
                               bool down) {
  const std::int32_t scancode =
      physicalVirtualKey <= 0xFF ? SDLScancodeForLetterOrDigit(static_cast<std::uint8_t>(physicalVirtualKey)) : 0;
  if (scancode == SDL_SCANCODE_UNKNOWN)
    return false;
  SDL_Event event;
  SDL_zero(event);
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.windowID = window;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = layoutKeycode;
  event.key.keysym.scancode = static_cast<SDL_Scancode>(scancode);
  event.key.keysym.mod = static_cast<Uint16>(SDL_GetModState());
  return Push(event);
}

bool InputSimulator::Text(WindowId window, std::string_view utf8) {
  SDL_Event event;
  SDL_zero(event);
  if (utf8.size() >= sizeof event.text.text)
    return false;
  event.type = SDL_TEXTINPUT;
  event.text.windowID = window;
  std::memcpy(event.text.text, utf8.data(), utf8.size());
  return Push(event);
}

bool InputSimulator::Change(WindowId window, SimulatedWindowChange change, std::int32_t data1,
                            std::int32_t data2) {
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = window;
  event.window.data1 = data1;
  event.window.data2 = data2;
  switch (change) {
  case SimulatedWindowChange::kClose:
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    break;
  case SimulatedWindowChange::kEnter:
    event.window.event = SDL_WINDOWEVENT_ENTER;
    break;
  case SimulatedWindowChange::kLeave:
    event.window.event = SDL_WINDOWEVENT_LEAVE;
    break;
  case SimulatedWindowChange::kFocusGained:
    event.window.event = SDL_WINDOWEVENT_FOCUS_GAINED;
    break;
  case SimulatedWindowChange::kFocusLost:
    event.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
    break;
  case SimulatedWindowChange::kExposed:
    event.window.event = SDL_WINDOWEVENT_EXPOSED;
    break;
  case SimulatedWindowChange::kMoved:
    event.window.event = SDL_WINDOWEVENT_MOVED;
    break;
  case SimulatedWindowChange::kSizeChanged:
    event.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
    break;
  case SimulatedWindowChange::kMinimised:
    event.window.event = SDL_WINDOWEVENT_MINIMIZED;
    break;
  case SimulatedWindowChange::kMaximised:
    event.window.event = SDL_WINDOWEVENT_MAXIMIZED;
    break;
  case SimulatedWindowChange::kRestored:
    event.window.event = SDL_WINDOWEVENT_RESTORED;
    break;
  case SimulatedWindowChange::kDisplayChanged:
    event.window.event = SDL_WINDOWEVENT_DISPLAY_CHANGED;
    break;
  }
  return Push(event);
}

bool InputSimulator::DropFiles(WindowId window, const std::vector<std::string>& files) {
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_DROPBEGIN;
  event.drop.windowID = window;
  bool queued = Push(event);
  for (const std::string& file : files) {
    SDL_zero(event);
    event.type = SDL_DROPFILE;
    event.drop.windowID = window;
    // Whoever takes the event from the queue frees the text.
    event.drop.file = SDL_strdup(file.c_str());
    if (!Push(event)) {
      SDL_free(event.drop.file);
      queued = false;
    }
  }
  SDL_zero(event);
  event.type = SDL_DROPCOMPLETE;
  event.drop.windowID = window;
  return Push(event) && queued;
}

bool InputSimulator::DropText(WindowId window, std::string_view utf8) {
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_DROPBEGIN;
  event.drop.windowID = window;
  bool queued = Push(event);
  SDL_zero(event);
  event.type = SDL_DROPTEXT;
  event.drop.windowID = window;
  event.drop.file = SDL_strdup(std::string(utf8).c_str());
  if (!Push(event)) {
    SDL_free(event.drop.file);
    queued = false;
  }
  SDL_zero(event);
  event.type = SDL_DROPCOMPLETE;
  event.drop.windowID = window;
  return Push(event) && queued;
}

bool InputSimulator::Quit() {
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_QUIT;
  return Push(event);
}

} // namespace QZ::Platform
