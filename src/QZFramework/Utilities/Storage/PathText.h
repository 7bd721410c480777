#pragma once
// File paths carried in wide text without losing a byte. A path on this system is any string of bytes
// without a zero, UTF-8 or not, and a name the user chose must reach the file system exactly as it was
// chosen: a cut or altered name would check one file and write another.
//
// Bytes to text: each well-formed UTF-8 sequence becomes its character; every other byte b (always 0x80
// or more: bytes below 0x80 are characters of their own) becomes the lone low surrogate U+DC00 + b. Well-
// formed text never holds a lone surrogate, so no name a user types can stand for such a byte.
// Text to bytes is the reverse, and refuses what PathTextFromBytes never makes, so each path has exactly
// one text and each accepted text exactly one path: the round trip is exact both ways.
//
// Threads: any; nothing is shared.

#include "QZFramework/Utilities/Storage/StringT.h"

#include <string>
#include <string_view>

namespace QZ {

// The first of the 128 code units that stand for the bytes 0x80-0xFF.
inline constexpr char16_t kPathByteUnitBase = 0xDC00;

// The text of a path's bytes. False (text empty) for a zero byte, which no path holds.
[[nodiscard]] bool PathTextFromBytes(std::string_view bytes, WideString& text);

// The bytes of a path's text. False (bytes empty) when the text is not one PathTextFromBytes makes: it
// holds a lone surrogate other than U+DC80-U+DCFF, or such units whose bytes together would read as a
// character (that text would come back as another).
[[nodiscard]] bool PathBytesFromText(const WideString& text, std::string& bytes);

// A path's text for people to read: each unit standing for a byte shown as U+FFFD.
WideString PathTextForDisplay(const WideString& text);

} // namespace QZ
