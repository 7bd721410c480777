#include "QZFramework/Utilities/Storage/ConvertUTF.h"

#include <cstdint>

namespace QZ {
namespace {

constexpr char32_t kHighSurrogateStart = 0xD800;
constexpr char32_t kHighSurrogateEnd = 0xDBFF;
constexpr char32_t kLowSurrogateStart = 0xDC00;
constexpr char32_t kLowSurrogateEnd = 0xDFFF;
constexpr char32_t kMaxBmp = 0xFFFF;
constexpr char32_t kMaxUtf16 = 0x10FFFF;
constexpr char32_t kReplacementChar = 0xFFFD;

// Trailing bytes announced by a lead byte; 4 and 5 are the obsolete long forms,
// which the legality test refuses.
int TrailingBytes(std::uint8_t lead) {
  if (lead < 0xC0)
    return 0;
  if (lead < 0xE0)
    return 1;
  if (lead < 0xF0)
    return 2;
  if (lead < 0xF8)
    return 3;
  if (lead < 0xFC)
    return 4;
  return 5;
}

// What the accumulated bytes of a sequence carry besides the code point.
constexpr char32_t kOffsetsFromUtf8[6] = {0x00000000, 0x00003080, 0x000E2080, 0x03C82080, 0xFA082080, 0x82082080};

constexpr std::uint8_t kFirstByteMark[5] = {0x00, 0x00, 0xC0, 0xE0, 0xF0};

bool IsLegalUtf8(const std::uint8_t* source, int length) {
  if (length < 1 || length > 4)
    return false;
  const std::uint8_t lead = source[0];
  for (int i = length - 1; i >= 2; --i)
    if (source[i] < 0x80 || source[i] > 0xBF)
      return false;
  if (length >= 2) {
    const std::uint8_t second = source[1];
    if (second < 0x80 || second > 0xBF)
      return false;
    switch (lead) {
    case 0xE0:
      if (second < 0xA0)
        return false;
      break;
    case 0xED:
      if (second > 0x9F)
        return false;
      break;
    case 0xF0:
      if (second < 0x90)
        return false;
      break;
    case 0xF4:
      if (second > 0x8F)
        return false;
      break;
    default:
      break;
    }
  }
  if (lead >= 0x80 && lead < 0xC2)
    return false;
  return lead <= 0xF4;
}

} // namespace

ConversionResult ConvertUTF16toUTF8(const char16_t** sourceStart, const char16_t* sourceEnd, char** targetStart,
                                    char* targetEnd, ConversionFlags flags) {
  ConversionResult result = ConversionResult::Ok;
  const char16_t* source = *sourceStart;
  char* target = *targetStart;
  while (source < sourceEnd) {
    const char16_t* oldSource = source;
    char32_t ch = *source++;
    if (ch >= kHighSurrogateStart && ch <= kHighSurrogateEnd) {
      if (source < sourceEnd) {
        const char32_t ch2 = *source;
        if (ch2 >= kLowSurrogateStart && ch2 <= kLowSurrogateEnd) {
          ch = ((ch - kHighSurrogateStart) << 10) + (ch2 - kLowSurrogateStart) + 0x10000;
          ++source;
        } else if (flags == ConversionFlags::Strict) {
          source = oldSource;
          result = ConversionResult::SourceIllegal;
          break;
        }
      } else {
        // The low half may follow in the next chunk; leave the high half unread.
        source = oldSource;
        result = ConversionResult::SourceExhausted;
        break;
      }
    } else if (flags == ConversionFlags::Strict && ch >= kLowSurrogateStart && ch <= kLowSurrogateEnd) {
      source = oldSource;
      result = ConversionResult::SourceIllegal;
      break;
    }

    int bytesToWrite;
    if (ch < 0x80)
      bytesToWrite = 1;
    else if (ch < 0x800)
      bytesToWrite = 2;
    else if (ch < 0x10000)
      bytesToWrite = 3;
    else if (ch <= kMaxUtf16)
      bytesToWrite = 4;
    else {
      bytesToWrite = 3;
      ch = kReplacementChar;
    }

    if (targetEnd - target < bytesToWrite) {
      source = oldSource;
      result = ConversionResult::TargetExhausted;
      break;
    }
    for (int i = bytesToWrite - 1; i > 0; --i) {
      target[i] = static_cast<char>((ch | 0x80) & 0xBF);
      ch >>= 6;
    }
    target[0] = static_cast<char>(ch | kFirstByteMark[bytesToWrite]);
    target += bytesToWrite;
  }
  *sourceStart = source;
  *targetStart = target;
  return result;
}

ConversionResult ConvertUTF8toUTF16(const char** sourceStart, const char* sourceEnd, char16_t** targetStart,
                                    char16_t* targetEnd, ConversionFlags flags) {
  ConversionResult result = ConversionResult::Ok;
  const auto* source = reinterpret_cast<const std::uint8_t*>(*sourceStart);
  const auto* end = reinterpret_cast<const std::uint8_t*>(sourceEnd);
  char16_t* target = *targetStart;
  while (source < end) {
    const int extraBytes = TrailingBytes(*source);
    if (extraBytes >= end - source) {
      result = ConversionResult::SourceExhausted;
      break;
    }
    if (!IsLegalUtf8(source, extraBytes + 1)) {
      result = ConversionResult::SourceIllegal;
      break;
    }
    char32_t ch = 0;
    for (int i = 0; i <= extraBytes; ++i) {
      ch += *source++;
      if (i < extraBytes)
        ch <<= 6;
    }
    ch -= kOffsetsFromUtf8[extraBytes];

    if (target >= targetEnd) {
      source -= extraBytes + 1;
      result = ConversionResult::TargetExhausted;
      break;
    }
    if (ch <= kMaxBmp) {
      if (ch >= kHighSurrogateStart && ch <= kLowSurrogateEnd) {
        // Unreachable after the legality test; kept so no surrogate is ever emitted from UTF-8.
        if (flags == ConversionFlags::Strict) {
          source -= extraBytes + 1;
          result = ConversionResult::SourceIllegal;
          break;
        }
        *target++ = static_cast<char16_t>(kReplacementChar);
      } else {
        *target++ = static_cast<char16_t>(ch);
      }
    } else if (ch > kMaxUtf16) {
      if (flags == ConversionFlags::Strict) {
        source -= extraBytes + 1;
        result = ConversionResult::SourceIllegal;
        break;
      }
      *target++ = static_cast<char16_t>(kReplacementChar);
    } else {
      if (targetEnd - target < 2) {
        source -= extraBytes + 1;
        result = ConversionResult::TargetExhausted;
        break;
      }
      ch -= 0x10000;
      *target++ = static_cast<char16_t>((ch >> 10) + kHighSurrogateStart);
      *target++ = static_cast<char16_t>((ch & 0x3FF) + kLowSurrogateStart);
    }
  }
  *sourceStart = reinterpret_cast<const char*>(source);
  *targetStart = target;
  return result;
}

} // namespace QZ
