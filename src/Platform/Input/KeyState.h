#pragma once
// The state of the keyboard and the mouse buttons as the framework asks for it:
// by virtual-key code (VirtualKeys.h; 0x01, 0x02 and 0x04 are the left, right
// and middle mouse buttons), whether the key is down and whether its toggle
// (Caps Lock, Num Lock, Scroll Lock) is on.
//
// One backend serves the process: the one installed last, or the SDL backend,
// which answers from SDL's view of the keyboard (kept current by whoever pumps
// SDL's events; the modifier keys from SDL's modifier state) and from the
// pointer's global button state. Tests install FakeKeyState; the window
// layer's input simulator installs a backend of its own while it lives. Backends are used on the UI thread;
// installing one is safe from any thread.

#include <cstdint>
#include <memory>

namespace QZ::Platform {

struct SKeyState {
  bool down = false;
  bool toggled = false;
};

class KeyStateSource {
public:
  KeyStateSource() = default;
  KeyStateSource(const KeyStateSource&) = delete;
  KeyStateSource& operator=(const KeyStateSource&) = delete;
  virtual ~KeyStateSource() = default;

  // Up and not toggled for a code the backend does not know.
  virtual SKeyState GetKeyState(std::uint8_t virtualKey) = 0;
};

// The process's backend.
std::shared_ptr<KeyStateSource> GetKeyStateSource();
// Installs a backend (null: the SDL backend) and returns the one it replaces.
std::shared_ptr<KeyStateSource> SetKeyStateSource(std::shared_ptr<KeyStateSource> source);

// GetKeyStateSource()->GetKeyState(virtualKey).
SKeyState GetKeyState(std::uint8_t virtualKey);

} // namespace QZ::Platform
