#include "QZFramework/ControlBase/KeyCode.h"

#include <map>
#include <string>
#include <string_view>

namespace QZ {

namespace {

struct NamedKey {
  const char16_t* name;
  std::uint8_t code;
};

// The stored names, in the order they are listed; several share a code.
// clang-format off
constexpr NamedKey kNamedKeys[] = {
    {u"VKEY_BACK", 0x08}, {u"VKEY_TAB", 0x09}, {u"VKEY_CLEAR", 0x0C}, {u"VKEY_RETURN", 0x0D},
    {u"VKEY_SHIFT", 0x10}, {u"VKEY_CONTROL", 0x11}, {u"VKEY_MENU", 0x12}, {u"VKEY_PAUSE", 0x13},
    {u"VKEY_CAPITAL", 0x14}, {u"VKEY_KANA", 0x15}, {u"VKEY_HANGEUL", 0x15}, {u"VKEY_HANGUL", 0x15},
    {u"VKEY_JUNJA", 0x17}, {u"VKEY_FINAL", 0x18}, {u"VKEY_HANJA", 0x19}, {u"VKEY_KANJI", 0x19},
    {u"VKEY_ESCAPE", 0x1B}, {u"VKEY_CONVERT", 0x1C}, {u"VKEY_NONCONVERT", 0x1D}, {u"VKEY_ACCEPT", 0x1E},
    {u"VKEY_MODECHANGE", 0x1F}, {u"VKEY_SPACE", 0x20}, {u"VKEY_PAGEUP", 0x21}, {u"VKEY_PAGEDN", 0x22},
    {u"VKEY_END", 0x23}, {u"VKEY_HOME", 0x24}, {u"VKEY_LEFT", 0x25}, {u"VKEY_UP", 0x26}, {u"VKEY_RIGHT", 0x27},
    {u"VKEY_DOWN", 0x28}, {u"VKEY_SELECT", 0x29}, {u"VKEY_PRINT", 0x2A}, {u"VKEY_EXECUTE", 0x2B},
    {u"VKEY_SNAPSHOT", 0x2C}, {u"VKEY_INSERT", 0x2D}, {u"VKEY_DELETE", 0x2E}, {u"VKEY_HELP", 0x2F},
    {u"VKEY_0", 0x30}, {u"VKEY_1", 0x31}, {u"VKEY_2", 0x32}, {u"VKEY_3", 0x33}, {u"VKEY_4", 0x34},
    {u"VKEY_5", 0x35}, {u"VKEY_6", 0x36}, {u"VKEY_7", 0x37}, {u"VKEY_8", 0x38}, {u"VKEY_9", 0x39},
    {u"VKEY_A", 0x41}, {u"VKEY_B", 0x42}, {u"VKEY_C", 0x43}, {u"VKEY_D", 0x44}, {u"VKEY_E", 0x45},
    {u"VKEY_F", 0x46}, {u"VKEY_G", 0x47}, {u"VKEY_H", 0x48}, {u"VKEY_I", 0x49}, {u"VKEY_J", 0x4A},
    {u"VKEY_K", 0x4B}, {u"VKEY_L", 0x4C}, {u"VKEY_M", 0x4D}, {u"VKEY_N", 0x4E}, {u"VKEY_O", 0x4F},
    {u"VKEY_P", 0x50}, {u"VKEY_Q", 0x51}, {u"VKEY_R", 0x52}, {u"VKEY_S", 0x53}, {u"VKEY_T", 0x54},
    {u"VKEY_U", 0x55}, {u"VKEY_V", 0x56}, {u"VKEY_W", 0x57}, {u"VKEY_X", 0x58}, {u"VKEY_Y", 0x59},
    {u"VKEY_Z", 0x5A}, {u"VKEY_LWIN", 0x5B}, {u"VKEY_RWIN", 0x5C}, {u"VKEY_APPS", 0x5D}, {u"VKEY_SLEEP", 0x5F},
    {u"VKEY_NUMPAD0", 0x60}, {u"VKEY_NUMPAD1", 0x61}, {u"VKEY_NUMPAD2", 0x62}, {u"VKEY_NUMPAD3", 0x63},
    {u"VKEY_NUMPAD4", 0x64}, {u"VKEY_NUMPAD5", 0x65}, {u"VKEY_NUMPAD6", 0x66}, {u"VKEY_NUMPAD7", 0x67},
    {u"VKEY_NUMPAD8", 0x68}, {u"VKEY_NUMPAD9", 0x69}, {u"VKEY_MULTIPLY", 0x6A}, {u"VKEY_ADD", 0x6B},
    {u"VKEY_SEPARATOR", 0x6C}, {u"VKEY_SUBTRACT", 0x6D}, {u"VKEY_DECIMAL", 0x6E}, {u"VKEY_DIVIDE", 0x6F},
    {u"VKEY_F1", 0x70}, {u"VKEY_F2", 0x71}, {u"VKEY_F3", 0x72}, {u"VKEY_F4", 0x73}, {u"VKEY_F5", 0x74},
    {u"VKEY_F6", 0x75}, {u"VKEY_F7", 0x76}, {u"VKEY_F8", 0x77}, {u"VKEY_F9", 0x78}, {u"VKEY_F10", 0x79},
    {u"VKEY_F11", 0x7A}, {u"VKEY_F12", 0x7B}, {u"VKEY_F13", 0x7C}, {u"VKEY_F14", 0x7D}, {u"VKEY_F15", 0x7E},
    {u"VKEY_F16", 0x7F}, {u"VKEY_F17", 0x80}, {u"VKEY_F18", 0x81}, {u"VKEY_F19", 0x82}, {u"VKEY_F20", 0x83},
    {u"VKEY_F21", 0x84}, {u"VKEY_F22", 0x85}, {u"VKEY_F23", 0x86}, {u"VKEY_F24", 0x87}, {u"VKEY_NUMLOCK", 0x90},
    {u"VKEY_SCROLL", 0x91}, {u"VKEY_OEM_NEC_EQUAL", 0x92}, {u"VKEY_OEM_FJ_JISHO", 0x92},
    {u"VKEY_OEM_FJ_MASSHOU", 0x93}, {u"VKEY_OEM_FJ_TOUROKU", 0x94}, {u"VKEY_OEM_FJ_LOYA", 0x95},
    {u"VKEY_OEM_FJ_ROYA", 0x96}, {u"VKEY_LSHIFT", 0xA0}, {u"VKEY_RSHIFT", 0xA1}, {u"VKEY_LCONTROL", 0xA2},
    {u"VKEY_RCONTROL", 0xA3}, {u"VKEY_LMENU", 0xA4}, {u"VKEY_RMENU", 0xA5}, {u"VKEY_BROWSER_BACK", 0xA6},
    {u"VKEY_BROWSER_FORWARD", 0xA7}, {u"VKEY_BROWSER_REFRESH", 0xA8}, {u"VKEY_BROWSER_STOP", 0xA9},
    {u"VKEY_BROWSER_SEARCH", 0xAA}, {u"VKEY_BROWSER_FAVORITES", 0xAB}, {u"VKEY_BROWSER_HOME", 0xAC},
    {u"VKEY_VOLUME_MUTE", 0xAD}, {u"VKEY_VOLUME_DOWN", 0xAE}, {u"VKEY_VOLUME_UP", 0xAF},
    {u"VKEY_MEDIA_NEXT_TRACK", 0xB0}, {u"VKEY_MEDIA_PREV_TRACK", 0xB1}, {u"VKEY_MEDIA_STOP", 0xB2},
    {u"VKEY_MEDIA_PLAY_PAUSE", 0xB3}, {u"VKEY_LAUNCH_MAIL", 0xB4}, {u"VKEY_LAUNCH_MEDIA_SELECT", 0xB5},
    {u"VKEY_LAUNCH_APP1", 0xB6}, {u"VKEY_LAUNCH_APP2", 0xB7},
};
// clang-format on

// Display names of the codes that do not show their own character. Back and
// Tab have none; of the shared codes, the first name stays.
// clang-format off
constexpr NamedKey kDisplayNames[] = {
    {u"Clear", 0x0C}, {u"Return", 0x0D}, {u"Shift", 0x10}, {u"Control", 0x11}, {u"Menu", 0x12},
    {u"Pause", 0x13}, {u"Capital", 0x14}, {u"Kana", 0x15}, {u"Junja", 0x17}, {u"Final", 0x18}, {u"Hanja", 0x19},
    {u"Escape", 0x1B}, {u"Convert", 0x1C}, {u"Non-convert", 0x1D}, {u"Accept", 0x1E}, {u"Mode Change", 0x1F},
    {u"Space", 0x20}, {u"Page Up", 0x21}, {u"Page Down", 0x22}, {u"End", 0x23}, {u"Home", 0x24},
    {u"Left Arrow", 0x25}, {u"Up Arrow", 0x26}, {u"Right Arrow", 0x27}, {u"Down Arrow", 0x28},
    {u"Select", 0x29}, {u"Print", 0x2A}, {u"Execute", 0x2B}, {u"Snapshot", 0x2C}, {u"Insert", 0x2D},
    {u"Del", 0x2E}, {u"Help", 0x2F}, {u"Left Win", 0x5B}, {u"Right Win", 0x5C}, {u"Apps", 0x5D},
    {u"Sleep", 0x5F}, {u"*", 0x6A}, {u"+", 0x6B}, {u"Separator", 0x6C}, {u"-", 0x6D}, {u".", 0x6E},
    {u"/", 0x6F}, {u"Numlock", 0x90}, {u"Scroll", 0x91}, {u"NEC Equal", 0x92}, {u"Masshou", 0x93},
    {u"Touroku", 0x94}, {u"Loya", 0x95}, {u"Roya", 0x96}, {u"Left Shift", 0xA0}, {u"Right Shift", 0xA1},
    {u"Left Control", 0xA2}, {u"Right Control", 0xA3}, {u"Left Menu", 0xA4}, {u"Right Menu", 0xA5},
    {u"Browser Back", 0xA6}, {u"Browser Forward", 0xA7}, {u"Browser Refresh", 0xA8}, {u"Browser Stop", 0xA9},
    {u"Browser Search", 0xAA}, {u"Browser Favorites", 0xAB}, {u"Browser Home", 0xAC}, {u"Volume Mute", 0xAD},
    {u"Volume Down", 0xAE}, {u"Volume Up", 0xAF}, {u"Media Next Track", 0xB0}, {u"Media Prev Track", 0xB1},
    {u"Media Stop", 0xB2}, {u"Media Play Pause", 0xB3}, {u"Launch Mail", 0xB4}, {u"Launch Media Select", 0xB5},
    {u"Launch App 1", 0xB6}, {u"Launch App 2", 0xB7},
};
// clang-format on

struct KeyTables {
  // By name in code-unit order, the order that picks a shared code's name.
  std::map<std::u16string, std::uint8_t> codes;
  std::map<std::uint8_t, std::u16string> names;
  std::map<std::uint8_t, std::u16string> displayNames;

  KeyTables() {
    for (const NamedKey& key : kNamedKeys)
      codes.emplace(key.name, key.code);
    for (const auto& [name, code] : codes)
      names.emplace(code, name); // the first name in key order stays
    for (char16_t digit = u'0'; digit <= u'9'; ++digit) {
      displayNames.emplace(static_cast<std::uint8_t>(digit), std::u16string(1, digit));
      displayNames.emplace(static_cast<std::uint8_t>(0x60 + (digit - u'0')),
                           u"Numpad " + std::u16string(1, digit));
    }
    for (char16_t letter = u'A'; letter <= u'Z'; ++letter)
      displayNames.emplace(static_cast<std::uint8_t>(letter), std::u16string(1, letter));
    for (int f = 1; f <= 24; ++f) {
      std::u16string text = u"F";
      for (const char c : std::to_string(f))
        text += static_cast<char16_t>(c);
      displayNames.emplace(static_cast<std::uint8_t>(0x70 + f - 1), text);
    }
    for (const NamedKey& key : kDisplayNames)
      displayNames.emplace(key.code, key.name);
  }
};

const KeyTables& GetKeyTables() {
  static const KeyTables tables;
  return tables;
}

std::u16string_view View(const WideString& text) { return {text.GetChars(), text.GetLength()}; }

bool Contains(std::u16string_view text, std::u16string_view part) {
  return text.find(part) != std::u16string_view::npos;
}

// "Ctrl+", "Alt+", "Shift+" and "Cmd+", in that order.
std::u16string ModifierPrefixes(std::uint32_t bits) {
  std::u16string text;
  if (bits & kKeyCtrl)
    text += u"Ctrl+";
  if (bits & kKeyAlt)
    text += u"Alt+";
  if (bits & kKeyShift)
    text += u"Shift+";
  if (bits & kKeyCommand)
    text += u"Cmd+";
  return text;
}

} // namespace

KeyCode::KeyCode(char16_t character, std::uint32_t modifiers)
    : mPacked(static_cast<std::int32_t>(character | PackedModifiers(modifiers))), mSideMask(SideMask(modifiers)) {}

KeyCode::KeyCode(std::uint8_t virtualKey, bool pressed, std::uint8_t repeat, std::uint32_t modifiers)
    : mPacked(static_cast<std::int32_t>((std::uint32_t{virtualKey} << kKeyVirtualKeyShift) |
                                        (pressed ? kKeyPressed : 0) | PackedModifiers(modifiers))),
      mSideMask(SideMask(modifiers)), mRepeat(repeat) {}

std::uint32_t KeyCode::PackedModifiers(std::uint32_t modifiers) {
  std::uint32_t bits = 0;
  if (modifiers & kModifierCtrl)
    bits |= kKeyCtrl;
  if (modifiers & kModifierShift)
    bits |= kKeyShift;
  if (modifiers & kModifierAlt)
    bits |= kKeyAlt;
  if (modifiers & kModifierWin)
    bits |= kKeyCommand;
  if (modifiers & kModifierExtra)
    bits |= kKeyExtra;
  return bits;
}

std::uint32_t KeyCode::SideMask(std::uint32_t modifiers) {
  struct Side {
    std::uint32_t needs;
    std::uint32_t bit;
  };
  constexpr Side kSides[] = {
      {kModifierShift | kModifierLeftShift, kSideLeftShift},
      {kModifierShift | kModifierRightShift, kSideRightShift},
      {kModifierCtrl | kModifierLeftCtrl, kSideLeftCtrl},
      {kModifierCtrl | kModifierRightCtrl, kSideRightCtrl},
      {kModifierAlt | kModifierLeftAlt, kSideLeftAlt},
      {kModifierAlt | kModifierRightAlt, kSideRightAlt},
      {kModifierWin | kModifierLeftWin, kSideLeftWin},
      {kModifierWin | kModifierRightWin, kSideRightWin},
  };
  std::uint32_t mask = 0;
  for (const Side& side : kSides)
    if ((modifiers & side.needs) == side.needs)
      mask |= side.bit;
  return mask;
}

// The modifier names may stand anywhere in the text and the separators are
// not looked at. A "VKEY_" name (read to the end of the text) keeps every
// modifier and the pressed bit; a character key, given as "[code]" or as the
// last character of the text, keeps only Alt. An unknown name gives virtual
// key 0, a "[" without "]" the pressed virtual key 0, and an empty text the
// invalid key.
KeyCode KeyCode::Parse(const WideString& text) {
  KeyCode key;
  key.mPacked = static_cast<std::int32_t>(kKeyPressed);
  const WideString upperText = text.ToUpper();
  const std::u16string_view upper = View(upperText);
  const bool ctrl = Contains(upper, u"CTRL");
  const bool alt = Contains(upper, u"ALT");
  const bool shift = Contains(upper, u"SHIFT");
  const bool command = Contains(upper, u"COMMAND");

  if (const std::size_t name = upper.find(u"VKEY_"); name != std::u16string_view::npos) {
    const auto& codes = GetKeyTables().codes;
    const auto found = codes.find(std::u16string(upper.substr(name)));
    const std::uint32_t code = found == codes.end() ? 0 : found->second;
    std::uint32_t bits = (code << kKeyVirtualKeyShift) | kKeyPressed;
    if (shift)
      bits |= kKeyShift;
    if (ctrl)
      bits |= kKeyCtrl;
    if (alt)
      bits |= kKeyAlt;
    if (command)
      bits |= kKeyCommand;
    key.mPacked = static_cast<std::int32_t>(bits);
    return key;
  }

  const std::uint32_t altBit = alt ? kKeyAlt : 0;
  if (const std::size_t open = upper.find(u'['); open != std::u16string_view::npos) {
    const std::size_t close = upper.find(u']');
    if (close == std::u16string_view::npos)
      return key;
    std::int32_t value = 0;
    if (close > open + 1)
      value =
          upperText.Mid(static_cast<std::int32_t>(open + 1), static_cast<std::int32_t>(close - open - 1)).ToInt();
    key.mPacked = static_cast<std::int32_t>((static_cast<std::uint32_t>(value) & kKeyCharacterMask) | altBit);
    return key;
  }

  const std::u16string_view original = View(text);
  if (original.empty())
    return KeyCode();
  key.mPacked = static_cast<std::int32_t>(original.back() | altBit);
  return key;
}

WideString KeyCode::Format(std::int32_t packed) {
  const std::uint32_t bits = static_cast<std::uint32_t>(packed);
  std::u16string text = ModifierPrefixes(bits);
  if ((bits & kKeyInvalid) == 0) {
    const std::uint8_t code = static_cast<std::uint8_t>((bits & kKeyVirtualKeyMask) >> kKeyVirtualKeyShift);
    if (code != 0) {
      const auto& names = GetKeyTables().names;
      if (const auto found = names.find(code); found != names.end())
        text += found->second;
    } else {
      text += u'[';
      for (const char c : std::to_string(bits & kKeyCharacterMask))
        text += static_cast<char16_t>(c);
      text += u']';
    }
  }
  return WideString(text.c_str());
}

WideString KeyCode::FormatForDisplay(std::int32_t packed) {
  const std::uint32_t bits = static_cast<std::uint32_t>(packed);
  std::u16string text = ModifierPrefixes(bits);
  if ((bits & kKeyInvalid) == 0) {
    const std::uint8_t code = static_cast<std::uint8_t>((bits & kKeyVirtualKeyMask) >> kKeyVirtualKeyShift);
    const std::uint32_t character = bits & kKeyCharacterMask;
    if (code != 0) {
      const auto& names = GetKeyTables().displayNames;
      if (const auto found = names.find(code); found != names.end())
        text += found->second;
    } else if (character >= 1 && character <= 26) {
      text += u"Ctrl+";
      text += static_cast<char16_t>(character + 64);
    } else if (character >= 33 && character <= 126) {
      text += static_cast<char16_t>(character);
    }
  }
  return WideString(text.c_str());
}

bool operator==(const KeyCode& a, const KeyCode& b) {
  constexpr std::uint32_t kNotCharacter = kKeyInvalid | kKeyVirtualKeyMask;
  constexpr std::uint32_t kIgnoredByCharacters = kKeyCtrl | kKeyShift;
  const std::uint32_t x = a.Bits();
  const std::uint32_t y = b.Bits();
  if (((x | y) & kNotCharacter) == 0)
    return ((x ^ y) & ~kIgnoredByCharacters) == 0;
  return x == y;
}

std::uint32_t GetVirtualKeyNameCount() { return static_cast<std::uint32_t>(GetKeyTables().codes.size()); }

} // namespace QZ
