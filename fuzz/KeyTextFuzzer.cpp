// Key texts from string tables ("Ctrl+VKEY_C", "Alt+[65]", anything a user
// may write): parsing reads only the text, and a key that has a stored text
// reads back from it unchanged.

#include "QZFramework/System/KeyCode.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // UTF-16 units, little-endian pairs of bytes, zero-terminated.
  std::vector<char16_t> units(size / 2 + 1, u'\0');
  for (std::size_t i = 0; i + 1 < size; i += 2)
    units[i / 2] = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  const QZ::KeyCode key = QZ::KeyCode::Parse(QZ::WideString(units.data()));
  (void)QZ::KeyCode::FormatForDisplay(key.mPacked);
  const QZ::WideString stored = QZ::KeyCode::Format(key.mPacked);
  // A named virtual key, or a character key (the pressed virtual key 0 that a
  // "[" without "]" gives is not one), reads back to itself; but Command is
  // written "Cmd+", which the parser does not read.
  const bool named =
      key.IsVirtualKey() && stored.GetLength() > 0 && stored.GetChars()[stored.GetLength() - 1] != u'+';
  const bool character = key.IsCharacter() && (key.Bits() & QZ::kKeyPressed) == 0;
  if ((key.Bits() & QZ::kKeyCommand) == 0 && (named || character)) {
    if (!(QZ::KeyCode::Parse(stored) == key) || QZ::KeyCode::Parse(stored).mPacked != key.mPacked)
      std::abort();
  }
  return 0;
}
