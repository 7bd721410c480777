#include "Platform/Input/VirtualKeys.h"
#include "Platform/Window/WindowSystemState.h"

#include <cmath>
#include <cstring>

namespace QZ::Platform::detail {

namespace {

constexpr std::uint32_t kVkBack = 0x08;
constexpr std::uint32_t kVkTab = 0x09;
constexpr std::uint32_t kVkReturn = 0x0D;
constexpr std::uint32_t kVkEscape = 0x1B;
constexpr std::uint32_t kVkA = 0x41;
constexpr std::uint32_t kVkZ = 0x5A;

bool IsInputEvent(WindowEventKind kind) {
  switch (kind) {
  case WindowEventKind::kMouseButton:
  case WindowEventKind::kMouseMove:
  case WindowEventKind::kMouseWheel:
  case WindowEventKind::kKey:
  case WindowEventKind::kCharacter:
  case WindowEventKind::kClose:
    return true;
  default:
    return false;
  }
}

WindowEvent MakeEvent(WindowEventKind kind, WindowId window) {
  WindowEvent event;
  event.kind = kind;
  event.window = window;
  return event;
}

std::uint32_t MouseModifiers() { return ModifierMaskFromSdl(SDL_GetModState()) & kMouseModifierBits; }

// The character a key-down gives besides any text: the control characters of the editing keys and of
// Ctrl with a letter, as keyboards have always typed them. Nothing while Alt is held.
char16_t ControlCharacter(std::uint32_t virtualKey, std::uint32_t mask) {
  if ((mask & kModAlt) != 0)
    return 0;
  const bool ctrl = (mask & kModCtrl) != 0;
  switch (virtualKey) {
  case kVkBack:
    return ctrl ? char16_t{0x7F} : char16_t{0x08};
  case kVkTab:
    return ctrl ? char16_t{0} : char16_t{0x09};
  case kVkReturn:
    return ctrl ? char16_t{0x0A} : char16_t{0x0D};
  case kVkEscape:
    return char16_t{0x1B};
  default:
    break;
  }
  if (ctrl && virtualKey >= kVkA && virtualKey <= kVkZ)
    return static_cast<char16_t>(virtualKey - kVkA + 1);
  return 0;
}

void Deliver(WindowEvent&& event, std::deque<WindowEvent>& out) {
  if (event.window != kNoWindow && IsInputEvent(event.kind)) {
    const Window* window = Window::FromId(event.window);
    if (window != nullptr && !window->IsEnabled())
      return;
  }
  out.push_back(std::move(event));
}

} // namespace

std::uint32_t ModifierMaskFromSdl(std::uint32_t sdlMod) {
  std::uint32_t mask = 0;
  if ((sdlMod & KMOD_LCTRL) != 0)
    mask |= kModCtrl | kModLeftCtrl;
  if ((sdlMod & KMOD_RCTRL) != 0)
    mask |= kModCtrl | kModRightCtrl;
  if ((sdlMod & KMOD_LSHIFT) != 0)
    mask |= kModShift | kModLeftShift;
  if ((sdlMod & KMOD_RSHIFT) != 0)
    mask |= kModShift | kModRightShift;
  if ((sdlMod & KMOD_LALT) != 0)
    mask |= kModAlt | kModLeftAlt;
  if ((sdlMod & KMOD_RALT) != 0)
    mask |= kModAlt | kModRightAlt;
  if ((sdlMod & KMOD_LGUI) != 0)
    mask |= kModWin | kModLeftWin;
  if ((sdlMod & KMOD_RGUI) != 0)
    mask |= kModWin | kModRightWin;
  return mask;
}

std::uint16_t SdlModFromModifierMask(std::uint32_t mask) {
  unsigned mod = KMOD_NONE;
  auto side = [&](std::uint32_t general, std::uint32_t left, std::uint32_t right, unsigned sdlLeft,
                  unsigned sdlRight) {
    if ((mask & left) != 0 || ((mask & general) != 0 && (mask & right) == 0))
      mod |= sdlLeft;
    if ((mask & right) != 0)
      mod |= sdlRight;
  };
  side(kModCtrl, kModLeftCtrl, kModRightCtrl, KMOD_LCTRL, KMOD_RCTRL);
  side(kModShift, kModLeftShift, kModRightShift, KMOD_LSHIFT, KMOD_RSHIFT);
  side(kModAlt, kModLeftAlt, kModRightAlt, KMOD_LALT, KMOD_RALT);
  side(kModWin, kModLeftWin, kModRightWin, KMOD_LGUI, KMOD_RGUI);
  return static_cast<std::uint16_t>(mod);
}

std::uint32_t ButtonFromSdl(std::uint8_t sdlButton) {
  switch (sdlButton) {
  case SDL_BUTTON_LEFT:
    return kMouseLeft;
  case SDL_BUTTON_MIDDLE:
    return kMouseMiddle;
  case SDL_BUTTON_RIGHT:
    return kMouseRight;
  default:
    return 0;
  }
}

std::uint32_t ButtonsFromSdlState(std::uint32_t sdlState) {
  std::uint32_t buttons = 0;
  if ((sdlState & SDL_BUTTON_LMASK) != 0)
    buttons |= kMouseLeft;
  if ((sdlState & SDL_BUTTON_MMASK) != 0)
    buttons |= kMouseMiddle;
  if ((sdlState & SDL_BUTTON_RMASK) != 0)
    buttons |= kMouseRight;
  return buttons;
}

std::uint8_t SdlButtonFromButton(std::uint32_t button) {
  switch (button) {
  case kMouseLeft:
    return SDL_BUTTON_LEFT;
  case kMouseMiddle:
    return SDL_BUTTON_MIDDLE;
  case kMouseRight:
    return SDL_BUTTON_RIGHT;
  default:
    return 0;
  }
}

void AppendUtf16(std::string_view utf8, std::u16string& out) {
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    std::size_t extra = 0;
    std::uint32_t code = lead;
    std::uint32_t minimum = 0;
    if (lead >= 0xC0 && lead < 0xE0) {
      extra = 1;
      code = lead & 0x1Fu;
      minimum = 0x80;
    } else if (lead >= 0xE0 && lead < 0xF0) {
      extra = 2;
      code = lead & 0x0Fu;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead < 0xF8) {
      extra = 3;
      code = lead & 0x07u;
      minimum = 0x10000;
    }
    std::size_t taken = 1;
    if (lead >= 0x80 && extra == 0) {
      code = 0xFFFD; // a stray continuation byte or an impossible lead byte
    } else if (extra > 0) {
      // Take continuation bytes while they come; a sequence cut short is one replacement character.
      while (taken <= extra && i + taken < utf8.size() &&
             (static_cast<unsigned char>(utf8[i + taken]) & 0xC0u) == 0x80u) {
        code = (code << 6) | (static_cast<unsigned char>(utf8[i + taken]) & 0x3Fu);
        ++taken;
      }
      if (taken != extra + 1 || code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    }
    if (code >= 0x10000) {
      code -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(code));
    }
    i += taken;
  }
}

void EventTranslator::Reset() {
  mButtons = 0;
  // SDL's clock may start over with the next start.
  mHasDropMark = false;
  mDropMark = 0;
  mDropOpen = false;
  mDropWindow = kNoWindow;
  mDropFiles.clear();
}

void EventTranslator::DropPressesUntil(std::uint32_t ticks) {
  mHasDropMark = true;
  mDropMark = ticks;
}

void EventTranslator::DropPress(const SDL_Event& event) {
  // The button is held all the same: the moves that follow say so.
  if (event.type == SDL_MOUSEBUTTONDOWN && event.button.which != SDL_TOUCH_MOUSEID)
    mButtons |= ButtonFromSdl(event.button.button);
}

bool EventTranslator::IsDroppedPress(const SDL_Event& event) const {
  if (!mHasDropMark)
    return false;
  switch (event.type) {
  case SDL_MOUSEBUTTONDOWN:
  case SDL_KEYDOWN:
  case SDL_TEXTINPUT:
    // Stamps are whole milliseconds: one made in the mark's own millisecond may come after it (what came
    // before it was taken from SDL's queue when the mark was set). The tick count wraps after 49 days; the
    // difference does not.
    return static_cast<std::int32_t>(event.common.timestamp - mDropMark) < 0;
  default:
    return false;
  }
}

void EventTranslator::Translate(const SDL_Event& event, std::deque<WindowEvent>& out) {
  WindowSystemState& state = State();
  // SDL has taken in every X event up to this one, the frame extents' property changes among them.
  if (state.framesAwaited > 0)
    WindowEventAccess::KeepAwaitedOrigins();
  if (state.wakeEventType != 0 && event.type == state.wakeEventType) {
    out.push_back(MakeEvent(WindowEventKind::kWake, kNoWindow));
    return;
  }
  if (IsDroppedPress(event)) {
    DropPress(event);
    return;
  }
  switch (event.type) {
  case SDL_QUIT:
    out.push_back(MakeEvent(WindowEventKind::kQuit, kNoWindow));
    break;
  case SDL_WINDOWEVENT:
    TranslateWindowEvent(event.window, out);
    break;
  case SDL_DISPLAYEVENT:
    out.push_back(MakeEvent(WindowEventKind::kDisplayChanged, kNoWindow));
    break;
  case SDL_CLIPBOARDUPDATE:
    out.push_back(MakeEvent(WindowEventKind::kClipboardChanged, kNoWindow));
    break;
  case SDL_KEYDOWN:
  case SDL_KEYUP:
    TranslateKey(event.key, out);
    break;
  case SDL_TEXTINPUT: {
    const std::uint32_t mask = ModifierMaskFromSdl(SDL_GetModState());
    // Alt with a letter is a command, not typing; AltGr arrives as its own modifier, not as Alt.
    if ((mask & kModAlt) != 0 && (mask & kModCtrl) == 0)
      break;
    std::u16string units;
    const char* text = event.text.text;
    const void* end = std::memchr(text, 0, sizeof event.text.text);
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - text) : sizeof event.text.text;
    AppendUtf16(std::string_view(text, length), units);
    for (char16_t unit : units) {
      WindowEvent character = MakeEvent(WindowEventKind::kCharacter, event.text.windowID);
      character.character = unit;
      character.modifiers = mask;
      Deliver(std::move(character), out);
    }
    break;
  }
  case SDL_MOUSEMOTION: {
    if (event.motion.which == SDL_TOUCH_MOUSEID)
      break;
    WindowEvent move = MakeEvent(WindowEventKind::kMouseMove, event.motion.windowID);
    move.point = {event.motion.x, event.motion.y};
    move.modifiers = MouseModifiers();
    mButtons = ButtonsFromSdlState(event.motion.state);
    move.buttons = mButtons;
    Deliver(std::move(move), out);
    break;
  }
  case SDL_MOUSEBUTTONDOWN:
  case SDL_MOUSEBUTTONUP: {
    if (event.button.which == SDL_TOUCH_MOUSEID)
      break;
    const std::uint32_t button = ButtonFromSdl(event.button.button);
    if (button == 0)
      break;
    WindowEvent press = MakeEvent(WindowEventKind::kMouseButton, event.button.windowID);
    press.button = button;
    press.point = {event.button.x, event.button.y};
    press.modifiers = MouseModifiers();
    if (event.type == SDL_MOUSEBUTTONDOWN) {
      // Every second click of a series is a double click; the third starts over, as a plain press.
      press.action = event.button.clicks >= 2 && event.button.clicks % 2 == 0 ? MouseAction::kDoubleClick
                                                                              : MouseAction::kPress;
      mButtons |= button;
    } else {
      press.action = MouseAction::kRelease;
      mButtons &= ~button;
    }
    press.buttons = mButtons;
    Deliver(std::move(press), out);
    break;
  }
  case SDL_MOUSEWHEEL: {
    if (event.wheel.which == SDL_TOUCH_MOUSEID)
      break;
    const int sign = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
    auto delta = [&](float precise, Sint32 whole) {
      const double notches = precise != 0.0f ? static_cast<double>(precise) : static_cast<double>(whole);
      return static_cast<std::int32_t>(std::lround(notches * kWheelDeltaPerNotch)) * sign;
    };
    const std::int32_t vertical = delta(event.wheel.preciseY, event.wheel.y);
    const std::int32_t horizontal = delta(event.wheel.preciseX, event.wheel.x);
    for (const auto& [axis, value] :
         {std::pair{WheelAxis::kVertical, vertical}, std::pair{WheelAxis::kHorizontal, horizontal}}) {
      if (value == 0)
        continue;
      WindowEvent wheel = MakeEvent(WindowEventKind::kMouseWheel, event.wheel.windowID);
      wheel.axis = axis;
      wheel.wheelDelta = value;
      wheel.point = {event.wheel.mouseX, event.wheel.mouseY};
      wheel.modifiers = MouseModifiers();
      wheel.buttons = mButtons;
      Deliver(std::move(wheel), out);
    }
    break;
  }
  case SDL_DROPBEGIN:
  case SDL_DROPFILE:
  case SDL_DROPTEXT:
  case SDL_DROPCOMPLETE:
    TranslateDrop(event.drop, out);
    break;
  default:
    break;
  }
}

void EventTranslator::TranslateKey(const SDL_KeyboardEvent& event, std::deque<WindowEvent>& out) {
  WindowEvent key = MakeEvent(WindowEventKind::kKey, event.windowID);
  key.virtualKey = VirtualKeyFromSDLKey(event.keysym.sym, event.keysym.scancode);
  key.keyDown = event.state == SDL_PRESSED;
  key.repeat = key.keyDown && event.repeat != 0;
  key.modifiers = ModifierMaskFromSdl(event.keysym.mod);
  const char16_t control = key.keyDown ? ControlCharacter(key.virtualKey, key.modifiers) : char16_t{0};
  const WindowId window = key.window;
  const std::uint32_t modifiers = key.modifiers;
  Deliver(std::move(key), out);
  if (control != 0) {
    WindowEvent character = MakeEvent(WindowEventKind::kCharacter, window);
    character.character = control;
    character.modifiers = modifiers;
    Deliver(std::move(character), out);
  }
}

void EventTranslator::TranslateWindowEvent(const SDL_WindowEvent& event, std::deque<WindowEvent>& out) {
  WindowSystemState& state = State();
  Window* window = Window::FromId(event.windowID);
  auto sizeEvent = [&](WindowShowState showState, std::int32_t width, std::int32_t height) {
    WindowEvent size = MakeEvent(WindowEventKind::kSize, event.windowID);
    size.showState = showState;
    size.width = width;
    size.height = height;
    Deliver(std::move(size), out);
  };
  auto currentSize = [&](WindowShowState showState) {
    if (window != nullptr) {
      WindowEventAccess::SetShowState(*window, showState);
      const WindowRect bounds = window->GetClientBounds();
      sizeEvent(showState, bounds.width, bounds.height);
    } else {
      sizeEvent(showState, 0, 0);
    }
  };
  switch (event.event) {
  case SDL_WINDOWEVENT_CLOSE:
    Deliver(MakeEvent(WindowEventKind::kClose, event.windowID), out);
    break;
  case SDL_WINDOWEVENT_ENTER:
    Deliver(MakeEvent(WindowEventKind::kMouseEnter, event.windowID), out);
    break;
  case SDL_WINDOWEVENT_LEAVE:
    Deliver(MakeEvent(WindowEventKind::kMouseLeave, event.windowID), out);
    break;
  case SDL_WINDOWEVENT_FOCUS_GAINED:
    state.focus = event.windowID;
    Deliver(MakeEvent(WindowEventKind::kFocusGained, event.windowID), out);
    break;
  case SDL_WINDOWEVENT_FOCUS_LOST:
    if (state.focus == event.windowID)
      state.focus = kNoWindow;
    Deliver(MakeEvent(WindowEventKind::kFocusLost, event.windowID), out);
    break;
  case SDL_WINDOWEVENT_EXPOSED:
    Deliver(MakeEvent(WindowEventKind::kExpose, event.windowID), out);
    break;
  case SDL_WINDOWEVENT_MOVED: {
    if (window != nullptr)
      WindowEventAccess::NoteBounds(*window);
    WindowEvent move = MakeEvent(WindowEventKind::kMove, event.windowID);
    move.point = {event.data1, event.data2};
    Deliver(std::move(move), out);
    break;
  }
  case SDL_WINDOWEVENT_SIZE_CHANGED:
    if (window != nullptr) {
      WindowEventAccess::NoteBounds(*window);
      sizeEvent(window->GetShowState(), event.data1, event.data2);
    } else {
      sizeEvent(WindowShowState::kRestored, event.data1, event.data2);
    }
    break;
  case SDL_WINDOWEVENT_MINIMIZED:
    currentSize(WindowShowState::kMinimised);
    break;
  case SDL_WINDOWEVENT_MAXIMIZED:
    currentSize(WindowShowState::kMaximised);
    break;
  case SDL_WINDOWEVENT_RESTORED:
    currentSize(WindowShowState::kRestored);
    break;
  case SDL_WINDOWEVENT_DISPLAY_CHANGED:
    Deliver(MakeEvent(WindowEventKind::kDisplayChanged, event.windowID), out);
    break;
  default:
    break;
  }
}

void EventTranslator::TranslateDrop(const SDL_DropEvent& event, std::deque<WindowEvent>& out) {
  switch (event.type) {
  case SDL_DROPBEGIN:
    mDropOpen = true;
    mDropWindow = event.windowID;
    mDropFiles.clear();
    break;
  case SDL_DROPFILE:
    // Some window systems send files without a begin.
    if (!mDropOpen) {
      mDropOpen = true;
      mDropWindow = event.windowID;
      mDropFiles.clear();
    }
    if (event.file != nullptr)
      mDropFiles.emplace_back(event.file);
    break;
  case SDL_DROPTEXT:
    if (!mDropOpen) {
      mDropOpen = true;
      mDropWindow = event.windowID;
      mDropFiles.clear();
    }
    break;
  case SDL_DROPCOMPLETE: {
    WindowEvent drop = MakeEvent(WindowEventKind::kDropFiles, mDropOpen ? mDropWindow : event.windowID);
    drop.files = std::move(mDropFiles);
    if (const Window* window = Window::FromId(drop.window); window != nullptr)
      drop.point = window->ScreenToClient(GetPointerScreenPosition());
    drop.modifiers = MouseModifiers();
    mDropOpen = false;
    mDropWindow = kNoWindow;
    mDropFiles.clear();
    out.push_back(std::move(drop));
    break;
  }
  default:
    break;
  }
}

} // namespace QZ::Platform::detail
