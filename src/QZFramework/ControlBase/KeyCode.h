#pragma once
// Key codes: a character or a virtual key with its modifier keys in one packed
// 32-bit code, the left/right side mask and the repeat flag; their stored text
// ("Ctrl+VKEY_C", "Alt+[65]"), their display text ("Ctrl+C") and the key
// equality that hot keys match with. Also the modifier bits that mouse and key
// events carry. They sit with the control base, which reads keys and
// modifiers; the keyboard's modifier state is the application layer's
// (QZFramework/System/KeyCode.h).
//
// The "VKEY_" name table and the display table are built once, on first use,
// and only read afterwards; a KeyCode is a plain value.

#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

// Modifier bits of mouse and key events: a general bit per modifier key, and
// for key events the bits of its left and right key. Mouse and wheel events
// carry only kModifierCtrl, kModifierShift and kModifierAlt.
inline constexpr std::uint32_t kModifierCtrl = 0x1;
inline constexpr std::uint32_t kModifierLeftCtrl = 0x2;
inline constexpr std::uint32_t kModifierRightCtrl = 0x4;
inline constexpr std::uint32_t kModifierShift = 0x8;
inline constexpr std::uint32_t kModifierLeftShift = 0x10;
inline constexpr std::uint32_t kModifierRightShift = 0x20;
inline constexpr std::uint32_t kModifierAlt = 0x40;
inline constexpr std::uint32_t kModifierLeftAlt = 0x80;
inline constexpr std::uint32_t kModifierRightAlt = 0x100;
inline constexpr std::uint32_t kModifierWin = 0x200;
inline constexpr std::uint32_t kModifierLeftWin = 0x400;
inline constexpr std::uint32_t kModifierRightWin = 0x800;
// Carried into a key code's bit 28; no key sets it today.
inline constexpr std::uint32_t kModifierExtra = 0x1000;

// The packed code: a UTF-16 character in bits 0-15 when bits 16-23 are 0,
// else the virtual key in bits 16-23; modifiers above; bit 30 always clear.
inline constexpr std::uint32_t kKeyCharacterMask = 0x0000FFFF;
inline constexpr std::uint32_t kKeyVirtualKeyMask = 0x00FF0000;
inline constexpr int kKeyVirtualKeyShift = 16;
inline constexpr std::uint32_t kKeyCtrl = 0x01000000;
inline constexpr std::uint32_t kKeyShift = 0x02000000;
inline constexpr std::uint32_t kKeyAlt = 0x04000000;
inline constexpr std::uint32_t kKeyCommand = 0x08000000; // the Windows key
inline constexpr std::uint32_t kKeyExtra = 0x10000000;
inline constexpr std::uint32_t kKeyPressed = 0x20000000;
inline constexpr std::uint32_t kKeyInvalid = 0x80000000;

// Side-mask bits: each needs the general bit and the side bit of its key.
inline constexpr std::uint32_t kSideLeftShift = 0x01;
inline constexpr std::uint32_t kSideRightShift = 0x02;
inline constexpr std::uint32_t kSideLeftCtrl = 0x04;
inline constexpr std::uint32_t kSideRightCtrl = 0x08;
inline constexpr std::uint32_t kSideLeftAlt = 0x10;
inline constexpr std::uint32_t kSideRightAlt = 0x20;
inline constexpr std::uint32_t kSideLeftWin = 0x40;
inline constexpr std::uint32_t kSideRightWin = 0x80;

struct KeyCode {
  // The invalid key: packed 0x80000000, no sides, no repeat.
  KeyCode() = default;
  // A character key with the packed bits of the modifiers.
  KeyCode(char16_t character, std::uint32_t modifiers);
  // A virtual key, pressed or released, with the repeat flag of the event.
  KeyCode(std::uint8_t virtualKey, bool pressed, std::uint8_t repeat, std::uint32_t modifiers);

  // The stored text; see KeyCode.cpp for the rules. An empty text gives the
  // invalid key.
  [[nodiscard]] static KeyCode Parse(const WideString& text);
  static WideString Format(std::int32_t packed);
  static WideString FormatForDisplay(std::int32_t packed);
  // The packed bits of the modifier bits, and the side mask they give.
  static std::uint32_t PackedModifiers(std::uint32_t modifiers);
  static std::uint32_t SideMask(std::uint32_t modifiers);

  std::uint8_t GetVirtualKey() const { return static_cast<std::uint8_t>((Bits() & kKeyVirtualKeyMask) >> 16); }
  char16_t GetCharacter() const { return static_cast<char16_t>(Bits() & kKeyCharacterMask); }
  bool IsValid() const { return (Bits() & kKeyInvalid) == 0; }
  bool IsVirtualKey() const { return IsValid() && GetVirtualKey() != 0; }
  bool IsCharacter() const { return IsValid() && GetVirtualKey() == 0; }
  // A virtual key that is down.
  bool IsVirtualKeyDown() const { return IsVirtualKey() && (Bits() & kKeyPressed) != 0; }
  std::uint32_t Bits() const { return static_cast<std::uint32_t>(mPacked); }

  // Only the packed codes count. Two character keys that differ at most in Ctrl
  // and Shift are equal (a binding of a character ignores them); everything
  // else must match exactly, so a release never matches a parsed virtual key.
  friend bool operator==(const KeyCode& a, const KeyCode& b);

  std::int32_t mPacked = static_cast<std::int32_t>(kKeyInvalid);
  std::uint32_t mSideMask = 0;
  std::uint8_t mRepeat = 0;
};

// The number of "VKEY_" names the parser knows (several share a code).
std::uint32_t GetVirtualKeyNameCount();

} // namespace QZ
