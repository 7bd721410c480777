#include "QZFramework/Utilities/Storage/PathText.h"

#include "QZFramework/Utilities/Storage/ConvertUTF.h"

#include <cstdint>

namespace QZ {

namespace {

constexpr char16_t kFirstByteUnit = kPathByteUnitBase + 0x80;
constexpr char16_t kLastByteUnit = kPathByteUnitBase + 0xFF;
constexpr char16_t kHighSurrogateFirst = 0xD800;
constexpr char16_t kHighSurrogateLast = 0xDBFF;
constexpr char16_t kLowSurrogateFirst = 0xDC00;
constexpr char16_t kLowSurrogateLast = 0xDFFF;
constexpr char16_t kReplacementCharacter = 0xFFFD;
// The most UTF-8 bytes one UTF-16 unit turns into.
constexpr std::size_t kMaxBytesPerUnit = 3;

bool IsByteUnit(char16_t unit) { return unit >= kFirstByteUnit && unit <= kLastByteUnit; }
bool IsHighSurrogate(char16_t unit) { return unit >= kHighSurrogateFirst && unit <= kHighSurrogateLast; }
bool IsLowSurrogate(char16_t unit) { return unit >= kLowSurrogateFirst && unit <= kLowSurrogateLast; }

} // namespace

bool PathTextFromBytes(std::string_view bytes, WideString& text) {
  text.Clear();
  if (bytes.find('\0') != std::string_view::npos)
    return false;
  // A character never takes more units than its bytes, and a kept byte takes one.
  std::u16string units(bytes.size(), u'\0');
  char16_t* target = units.data();
  const char* source = bytes.data();
  const char* const end = bytes.data() + bytes.size();
  while (source < end) {
    // Converts up to the first byte that does not start a well-formed sequence.
    static_cast<void>(
        ConvertUTF8toUTF16(&source, end, &target, units.data() + units.size(), ConversionFlags::Strict));
    if (source == end)
      break;
    const auto byte = static_cast<std::uint8_t>(*source++);
    if (byte < 0x80)
      return false; // cannot happen: every byte below 0x80 is a character
    *target++ = static_cast<char16_t>(kPathByteUnitBase + byte);
  }
  text.AssignChars(units.data(), static_cast<std::uint32_t>(target - units.data()));
  return true;
}

bool PathBytesFromText(const WideString& text, std::string& bytes) {
  bytes.clear();
  const std::uint32_t length = text.GetLength();
  std::string out(static_cast<std::size_t>(length) * kMaxBytesPerUnit, '\0');
  const char16_t* source = text.GetChars();
  const char16_t* const end = source + length;
  char* target = out.data();
  while (source < end) {
    // Converts up to the first unit that is no character (a lone surrogate).
    static_cast<void>(ConvertUTF16toUTF8(&source, end, &target, out.data() + out.size(), ConversionFlags::Strict));
    if (source == end)
      break;
    if (!IsByteUnit(*source))
      return false;
    *target++ = static_cast<char>(*source++ - kPathByteUnitBase);
  }
  out.resize(static_cast<std::size_t>(target - out.data()));
  // Units for bytes that together form a character would read back as that character: such a text names
  // the same file as another and is no path's text.
  WideString back;
  if (!PathTextFromBytes(out, back) || !(back == text))
    return false;
  bytes = std::move(out);
  return true;
}

WideString PathTextForDisplay(const WideString& text) {
  const std::uint32_t length = text.GetLength();
  const char16_t* units = text.GetChars();
  std::u16string shown(units, units + length);
  for (std::uint32_t i = 0; i < length; ++i) {
    if (IsHighSurrogate(units[i]) && i + 1 < length && IsLowSurrogate(units[i + 1]))
      ++i; // a pair is a character
    else if (IsByteUnit(units[i]))
      shown[i] = kReplacementCharacter;
  }
  WideString result;
  result.AssignChars(shown.data(), length);
  return result;
}

} // namespace QZ
