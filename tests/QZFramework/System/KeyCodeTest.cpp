#include "QZFramework/System/KeyCode.h"

#include "Platform/Input/FakeKeyState.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) {
  const NarrowString narrow = text.ToNarrow();
  return std::string(narrow.GetChars(), narrow.GetLength());
}

std::uint32_t Packed(const KeyCode& key) { return key.Bits(); }

TEST(KeyCodeParse, StoredTexts) {
  struct Case {
    const char16_t* text;
    std::uint32_t packed;
  };
  const Case cases[] = {
      {u"Ctrl+VKEY_C", 0x21430000},
      {u"COMMAND+VKEY_S", 0x20000000 + 0x08000000 + (0x53 << 16)},
      {u"Cmd+VKEY_S", 0x20530000}, // the display's "Cmd+" is not a stored name
      {u"Shift+[65]", 65},         // a character key keeps only Alt
      {u"Alt+[65]", 0x04000000 + 65},
      {u"ctrl+a", 0x61}, // the last character, as written
      {u"VKEY_PAGEDN", 0x20220000},
      {u"VKEY_PAGEUP", 0x20210000},
      {u"VKEY_LSHIFT", 0x22A00000}, // "SHIFT" is in the name
      {u"Alt+VKEY_F4", 0x24730000},
      {u"Ctrl+Alt+Shift+VKEY_DELETE", 0x272E0000},
      {u"vkey_delete", 0x202E0000},    // names are read in upper case
      {u"VKEY_NOSUCHKEY", 0x20000000}, // an unknown name: virtual key 0
      {u"VKEY_F1 ", 0x20000000},       // the name runs to the end of the text
      {u"Ctrl+[", 0x20000000},         // "[" without "]": the default result
      {u"[]", 0},
      {u"[x]", 0},
      {u"[65601]", 65}, // the low 16 bits
      {u" ", 0x20},     // a blank text is the blank character
      {u"+", u'+'},
      {u"\u00e9", 0xE9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(WideString(c.text)));
    const KeyCode key = KeyCode::Parse(WideString(c.text));
    EXPECT_EQ(Packed(key), c.packed);
    EXPECT_EQ(key.mSideMask, 0u);
    EXPECT_EQ(key.mRepeat, 0u);
  }
}

TEST(KeyCodeParse, EmptyTextIsTheInvalidKey) {
  const KeyCode key = KeyCode::Parse(WideString());
  EXPECT_EQ(Packed(key), 0x80000000u);
  EXPECT_FALSE(key.IsValid());
  EXPECT_LT(key.mPacked, 0);
}

TEST(KeyCodeFormat, StoredAndDisplayTexts) {
  struct Case {
    std::uint32_t packed;
    const char* stored;
    const char* display;
  };
  const Case cases[] = {
      {0x21430000, "Ctrl+VKEY_C", "Ctrl+C"},
      {0x28530000, "Cmd+VKEY_S", "Cmd+S"},
      {0x27000041, "Ctrl+Alt+Shift+[65]", "Ctrl+Alt+Shift+A"},
      {0x20220000, "VKEY_PAGEDN", "Page Down"},
      {0x20150000, "VKEY_HANGEUL", "Kana"}, // shared codes: first name in key order
      {0x20190000, "VKEY_HANJA", "Hanja"},
      {0x20920000, "VKEY_OEM_FJ_JISHO", "NEC Equal"},
      {0x21080000, "Ctrl+VKEY_BACK", "Ctrl+"}, // Back and Tab have no display name
      {0x20090000, "VKEY_TAB", ""},
      {0x20650000, "VKEY_NUMPAD5", "Numpad 5"},
      {0x20870000, "VKEY_F24", "F24"},
      {0x202E0000, "VKEY_DELETE", "Del"},
      {0x20FF0000, "", ""},          // a code without a name
      {0x00000001, "[1]", "Ctrl+A"}, // control characters show as Ctrl and the letter
      {0x0000001A, "[26]", "Ctrl+Z"},
      {0x00000020, "[32]", ""},
      {0x00000021, "[33]", "!"},
      {0x0000007E, "[126]", "~"},
      {0x0000007F, "[127]", ""},
      {0x000000E9, "[233]", ""},
      {0x80000000, "", ""},
      {0x81430000, "Ctrl+", "Ctrl+"}, // invalid: prefixes only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const auto packed = static_cast<std::int32_t>(c.packed);
    EXPECT_EQ(Narrow(KeyCode::Format(packed)), c.stored);
    EXPECT_EQ(Narrow(KeyCode::FormatForDisplay(packed)), c.display);
  }
}

TEST(KeyCodeFormat, EveryNameReadsBackToItsCode) {
  EXPECT_EQ(GetVirtualKeyNameCount(), 149u);
  for (std::uint32_t code = 1; code < 256; ++code) {
    const auto packed = static_cast<std::int32_t>(0x20000000u | (code << 16));
    const WideString text = KeyCode::Format(packed);
    if (text.IsEmpty())
      continue;
    SCOPED_TRACE(Narrow(text));
    // A name with "SHIFT" in it reads back with the Shift bit.
    const bool shift = Narrow(text).find("SHIFT") != std::string::npos;
    EXPECT_EQ(KeyCode::Parse(text).Bits(), static_cast<std::uint32_t>(packed) | (shift ? kKeyShift : 0));
  }
}

TEST(KeyCodeEquality, CharactersIgnoreCtrlAndShiftOnly) {
  struct Case {
    std::uint32_t a;
    std::uint32_t b;
    bool equal;
  };
  const Case cases[] = {
      {0x41, 0x01000041, true},  // Ctrl
      {0x41, 0x02000041, true},  // Shift
      {0x41, 0x04000041, false}, // Alt counts
      {0x41, 0x08000041, false}, // Command counts
      {0x41, 0x20000041, false}, // pressed bit counts
      {0x41, 0x42, false},
      {0x21430000, 0x21430000, true},
      {0x21430000, 0x01430000, false}, // a release is not the parsed key
      {0x21430000, 0x23430000, false}, // virtual keys compare exactly
      {0x80000041, 0x81000041, false}, // invalid keys compare exactly
      {0x80000000, 0x80000000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.a << " " << c.b);
    KeyCode a, b;
    a.mPacked = static_cast<std::int32_t>(c.a);
    b.mPacked = static_cast<std::int32_t>(c.b);
    b.mSideMask = 0xFF; // neither the sides
    b.mRepeat = 1;      // nor the repeat flag take part
    EXPECT_EQ(a == b, c.equal);
    EXPECT_EQ(b == a, c.equal);
  }
}

TEST(KeyCodeConstruction, ModifiersSidesAndPressedBit) {
  const KeyCode character(u'a', kModifierCtrl | kModifierLeftCtrl | kModifierAlt | kModifierRightAlt);
  EXPECT_EQ(Packed(character), 0x05000061u);
  EXPECT_EQ(character.mSideMask, kSideLeftCtrl | kSideRightAlt);
  EXPECT_TRUE(character.IsCharacter());
  EXPECT_FALSE(character.IsVirtualKeyDown());

  const KeyCode down(0x43, true, 1, kModifierShift | kModifierWin | kModifierExtra);
  EXPECT_EQ(Packed(down), 0x3A430000u);
  EXPECT_EQ(down.mRepeat, 1u);
  EXPECT_TRUE(down.IsVirtualKeyDown());
  EXPECT_FALSE(KeyCode(0x43, false, 1, 0).IsVirtualKeyDown());
  EXPECT_FALSE(KeyCode().IsVirtualKeyDown());

  // A side bit needs its general bit.
  struct Case {
    std::uint32_t modifiers;
    std::uint32_t sides;
  };
  const Case cases[] = {
      {0x18, kSideLeftShift},
      {0x28, kSideRightShift},
      {0x03, kSideLeftCtrl},
      {0x05, kSideRightCtrl},
      {0xC0, kSideLeftAlt},
      {0x140, kSideRightAlt},
      {0x600, kSideLeftWin},
      {0xA00, kSideRightWin},
      {0x10, 0},
      {0xDB6, 0},
      {0xFFF, 0xFF},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.modifiers);
    EXPECT_EQ(KeyCode::SideMask(c.modifiers), c.sides);
  }
}

TEST(ModifierKeyState, ComesFromTheKeyboard) {
  Platform::ScopedFakeKeyState keys;
  EXPECT_EQ(GetModifierKeyState(), 0u);
  keys->SetDown(0x11, true);
  keys->SetDown(0x12, true);
  EXPECT_EQ(GetModifierKeyState(), kModifierCtrl | kModifierAlt);
  keys->ReleaseAll();
  keys->SetDown(0x10, true);
  keys->SetDown(0xA0, true); // the sided keys are not asked
  EXPECT_EQ(GetModifierKeyState(), kModifierShift);
}

} // namespace
} // namespace QZ
