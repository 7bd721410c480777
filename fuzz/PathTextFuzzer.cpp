// Paths through the wide text the file dialog hands on. Any bytes without a zero come back from their text
// byte for byte (a zero is refused); any UTF-16 text either is refused on the way to bytes or comes back
// from those bytes unit for unit, so no two texts name one file; the text shown to people keeps no unit
// that stands for a byte.

#include "QZFramework/Utilities/Storage/PathText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

using QZ::WideString;

void Check(bool condition) {
  if (!condition)
    std::abort();
}

bool IsByteUnit(char16_t unit) {
  return unit >= QZ::kPathByteUnitBase + 0x80 && unit <= QZ::kPathByteUnitBase + 0xFF;
}

void BytesComeBack(std::string_view bytes) {
  WideString text;
  const bool kept = QZ::PathTextFromBytes(bytes, text);
  Check(kept == (bytes.find('\0') == std::string_view::npos));
  if (!kept) {
    Check(text.IsEmpty());
    return;
  }
  std::string back;
  Check(QZ::PathBytesFromText(text, back));
  Check(back == bytes);

  // Shown: a pair stays a pair, and no unit stands for a byte any more.
  const WideString shown = QZ::PathTextForDisplay(text);
  Check(shown.GetLength() == text.GetLength());
  const char16_t* units = shown.GetChars();
  for (std::uint32_t i = 0; i < shown.GetLength(); ++i) {
    if (units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < shown.GetLength() && units[i + 1] >= 0xDC00 &&
        units[i + 1] <= 0xDFFF)
      ++i;
    else
      Check(!IsByteUnit(units[i]));
  }
}

void TextComesBack(std::string_view data) {
  // The input as UTF-16 units, up to the first zero (a wide text ends there).
  std::u16string units;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2) {
    const auto unit =
        static_cast<char16_t>(static_cast<std::uint8_t>(data[i]) | static_cast<std::uint8_t>(data[i + 1]) << 8);
    if (unit == 0)
      break;
    units.push_back(unit);
  }
  WideString text;
  text.AssignChars(units.data(), static_cast<std::uint32_t>(units.size()));
  std::string bytes = "not cleared";
  if (!QZ::PathBytesFromText(text, bytes)) {
    Check(bytes.empty());
    return;
  }
  WideString back;
  Check(QZ::PathTextFromBytes(bytes, back));
  Check(back == text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  BytesComeBack(input);
  TextComesBack(input);
  return 0;
}
