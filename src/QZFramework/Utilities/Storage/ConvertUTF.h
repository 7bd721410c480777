#pragma once
// UTF-16 <-> UTF-8 conversion of a source range into a target range. Both
// routines advance the source and target pointers past what they converted and
// stop at the first sequence they cannot handle, so whatever came before it
// stays converted.

namespace QZ {

enum class ConversionResult {
  Ok,
  SourceExhausted, // a sequence runs past the end of the source range
  TargetExhausted, // the next character does not fit; nothing of it was written
  SourceIllegal,   // an ill-formed sequence
};

enum class ConversionFlags {
  Strict,  // unpaired surrogates are errors
  Lenient, // unpaired surrogates in UTF-16 are encoded as themselves
};

ConversionResult ConvertUTF16toUTF8(const char16_t** sourceStart, const char16_t* sourceEnd, char** targetStart,
                                    char* targetEnd, ConversionFlags flags);

// Ill-formed UTF-8 (overlong forms, encoded surrogates, code points above
// U+10FFFF, bad trailing bytes) stops the conversion in either mode.
ConversionResult ConvertUTF8toUTF16(const char** sourceStart, const char* sourceEnd, char16_t** targetStart,
                                    char16_t* targetEnd, ConversionFlags flags);

} // namespace QZ
