#include "QZFramework/Utilities/Storage/StringFormat.h"

#include "QZFramework/Utilities/Storage/ConvertUTF.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace QZ {
namespace {

constexpr std::size_t kMaxWidth = 1u << 20; // far past any buffer; keeps the arithmetic small
constexpr int kMaxFloatPrecision = 1100;    // a double has no non-zero digit beyond this

template <class C>
class Sink {
public:
  Sink(C* out, std::size_t capacity) : mOut(out), mLimit(capacity - 1) {}

  void Put(C c) {
    if (mLength < mLimit)
      mOut[mLength++] = c;
    else
      mTruncated = true;
  }
  void Repeat(C c, std::size_t n) {
    for (; n > 0; --n) {
      if (mLength >= mLimit) {
        mTruncated = true;
        return;
      }
      mOut[mLength++] = c;
    }
  }
  void PutAscii(const char* text, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
      Put(static_cast<C>(static_cast<unsigned char>(text[i])));
  }

  // Right-aligns what was written since start in a field of the given width.
  void PadLeft(std::size_t start, std::size_t width) {
    const std::size_t written = mLength - start;
    if (written >= width)
      return;
    const std::size_t pad = width - written;
    const std::size_t newLength = std::min(mLimit, mLength + pad);
    if (newLength < mLength + pad)
      mTruncated = true;
    // Move the field's text right, keeping what still fits.
    for (std::size_t dest = newLength; dest > start + pad; --dest)
      mOut[dest - 1] = mOut[dest - 1 - pad];
    for (std::size_t i = start; i < std::min(start + pad, newLength); ++i)
      mOut[i] = C(' ');
    mLength = newLength;
  }

  std::size_t Length() const { return mLength; }
  C* Position() { return mOut + mLength; }
  C* End() { return mOut + mLimit; }
  void Advance(C* to) { mLength = static_cast<std::size_t>(to - mOut); }
  void SetTruncated() { mTruncated = true; }

  std::size_t Finish() {
    if (mTruncated)
      DropIncompleteTail();
    mOut[mLength] = C(0);
    return mLength;
  }
  bool IsTruncated() const { return mTruncated; }

private:
  // A cut must not leave half a character behind.
  void DropIncompleteTail() {
    if constexpr (sizeof(C) == 2) {
      if (mLength > 0 && mOut[mLength - 1] >= 0xD800 && mOut[mLength - 1] <= 0xDBFF)
        --mLength;
    } else {
      for (std::size_t back = 1; back <= 4 && back <= mLength; ++back) {
        const auto byte = static_cast<unsigned char>(mOut[mLength - back]);
        if ((byte & 0xC0) == 0x80)
          continue; // continuation byte, keep looking for the lead
        std::size_t needed = 1;
        if (byte >= 0xF0)
          needed = 4;
        else if (byte >= 0xE0)
          needed = 3;
        else if (byte >= 0xC0)
          needed = 2;
        if (needed > back)
          mLength -= back;
        return;
      }
    }
  }

  C* mOut;
  std::size_t mLimit;
  std::size_t mLength = 0;
  bool mTruncated = false;
};

enum class Length { None, Char, Short, Long, LongLong, Int32, Int64, Size, LongDouble, Wide };

struct Spec {
  bool left = false;
  bool plus = false;
  bool space = false;
  bool alternate = false;
  bool zero = false;
  std::size_t width = 0;
  bool hasPrecision = false;
  std::size_t precision = 0;
  Length length = Length::None;
};

// A numeric field: sign or prefix, zeros, body, zeros, tail.
struct NumberField {
  char prefix[3] = {};
  std::size_t prefixLength = 0;
  std::size_t leadingZeros = 0;
  const char* body = "";
  std::size_t bodyLength = 0;
  std::size_t innerZeros = 0;
  const char* tail = "";
  std::size_t tailLength = 0;
  bool zeroPadAllowed = true;

  void SetPrefix(const char* text) {
    prefixLength = std::strlen(text);
    std::memcpy(prefix, text, prefixLength);
  }
  std::size_t Length() const { return prefixLength + leadingZeros + bodyLength + innerZeros + tailLength; }
};

int IntBits(Length length) {
  switch (length) {
  case Length::Char:
    return 8;
  case Length::Short:
    return 16;
  case Length::LongLong:
  case Length::Int64:
  case Length::LongDouble:
    return 64;
  case Length::Size:
    return static_cast<int>(sizeof(void*) * 8);
  default:
    return 32; // int, and long as the 32-bit platform knows it
  }
}

std::uint64_t SaturatingToBits(double value, bool isSigned) {
  if (std::isnan(value))
    return 0;
  if (isSigned) {
    if (value <= -9223372036854775808.0)
      return static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::min());
    if (value >= 9223372036854775808.0)
      return static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
    return static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
  }
  if (value <= 0)
    return 0;
  if (value >= 18446744073709551616.0)
    return std::numeric_limits<std::uint64_t>::max();
  return static_cast<std::uint64_t>(value);
}

bool ArgAsBits(const FormatArg* arg, bool isSigned, std::uint64_t& bits) {
  if (!arg)
    return false;
  switch (arg->GetKind()) {
  case FormatArg::Kind::Signed:
  case FormatArg::Kind::Unsigned:
    bits = arg->GetInt();
    return true;
  case FormatArg::Kind::Double:
    bits = SaturatingToBits(arg->GetDouble(), isSigned);
    return true;
  case FormatArg::Kind::Narrow:
    bits = reinterpret_cast<std::uintptr_t>(arg->GetNarrow());
    return true;
  case FormatArg::Kind::Wide:
    bits = reinterpret_cast<std::uintptr_t>(arg->GetWide());
    return true;
  case FormatArg::Kind::Pointer:
    bits = reinterpret_cast<std::uintptr_t>(arg->GetPointer());
    return true;
  case FormatArg::Kind::None:
    break;
  }
  return false;
}

bool ArgAsDouble(const FormatArg* arg, double& value) {
  if (!arg)
    return false;
  switch (arg->GetKind()) {
  case FormatArg::Kind::Double:
    value = arg->GetDouble();
    return true;
  case FormatArg::Kind::Signed:
    value = static_cast<double>(static_cast<std::int64_t>(arg->GetInt()));
    return true;
  case FormatArg::Kind::Unsigned:
    value = static_cast<double>(arg->GetInt());
    return true;
  default:
    return false;
  }
}

void UpperCase(char* text, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (text[i] >= 'a' && text[i] <= 'z')
      text[i] = static_cast<char>(text[i] - 'a' + 'A');
}

template <class C>
class Formatter {
public:
  Formatter(C* out, std::size_t capacity, const FormatArg* args, std::size_t count)
      : mSink(out, capacity), mArgs(args), mCount(count) {}

  std::size_t Run(const C* format, bool* truncated) {
    const C* f = format;
    while (*f) {
      if (*f != C('%')) {
        mSink.Put(*f++);
        continue;
      }
      f = Conversion(f);
    }
    const std::size_t length = mSink.Finish();
    if (truncated)
      *truncated = mSink.IsTruncated();
    return length;
  }

private:
  const FormatArg* NextArg() { return mNext < mCount ? &mArgs[mNext++] : nullptr; }

  static bool IsDigit(C c) { return c >= C('0') && c <= C('9'); }

  int IntArg() {
    std::uint64_t bits = 0;
    if (!ArgAsBits(NextArg(), true, bits))
      return 0;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bits));
  }

  // Handles one conversion starting at its '%'; returns the position after it.
  const C* Conversion(const C* start) {
    const C* f = start + 1;
    Spec spec;
    for (bool flags = true; flags;) {
      switch (*f) {
      case C('-'):
        spec.left = true;
        ++f;
        break;
      case C('+'):
        spec.plus = true;
        ++f;
        break;
      case C(' '):
        spec.space = true;
        ++f;
        break;
      case C('#'):
        spec.alternate = true;
        ++f;
        break;
      case C('0'):
        spec.zero = true;
        ++f;
        break;
      default:
        flags = false;
      }
    }
    if (*f == C('*')) {
      ++f;
      const std::int64_t w = IntArg();
      if (w < 0)
        spec.left = true;
      spec.width = static_cast<std::size_t>(std::min<std::int64_t>(w < 0 ? -w : w, kMaxWidth));
    } else {
      while (IsDigit(*f))
        spec.width = std::min(spec.width * 10 + static_cast<std::size_t>(*f++ - C('0')), kMaxWidth);
    }
    if (*f == C('.')) {
      ++f;
      spec.hasPrecision = true;
      if (*f == C('*')) {
        ++f;
        const int p = IntArg();
        if (p < 0)
          spec.hasPrecision = false;
        else
          spec.precision = std::min<std::size_t>(static_cast<std::size_t>(p), kMaxWidth);
      } else {
        while (IsDigit(*f))
          spec.precision = std::min(spec.precision * 10 + static_cast<std::size_t>(*f++ - C('0')), kMaxWidth);
      }
    }
    switch (*f) {
    case C('h'):
      ++f;
      spec.length = Length::Short;
      if (*f == C('h')) {
        ++f;
        spec.length = Length::Char;
      }
      break;
    case C('l'):
      ++f;
      spec.length = Length::Long;
      if (*f == C('l')) {
        ++f;
        spec.length = Length::LongLong;
      }
      break;
    case C('L'):
      ++f;
      spec.length = Length::LongDouble;
      break;
    case C('j'):
      ++f;
      spec.length = Length::LongLong;
      break;
    case C('z'):
    case C('t'):
      ++f;
      spec.length = Length::Size;
      break;
    case C('w'):
      ++f;
      spec.length = Length::Wide;
      break;
    case C('I'):
      ++f;
      if (f[0] == C('3') && f[1] == C('2')) {
        f += 2;
        spec.length = Length::Int32;
      } else if (f[0] == C('6') && f[1] == C('4')) {
        f += 2;
        spec.length = Length::Int64;
      } else {
        spec.length = Length::Size;
      }
      break;
    default:
      break;
    }

    const C conversion = *f;
    if (conversion == C(0)) {
      Verbatim(start, f);
      return f;
    }
    ++f;
    switch (conversion) {
    case C('%'):
      mSink.Put(C('%'));
      break;
    case C('d'):
    case C('i'):
    case C('u'):
    case C('o'):
    case C('x'):
    case C('X'):
      Integer(spec, static_cast<char>(conversion));
      break;
    case C('p'):
      Pointer(spec);
      break;
    case C('f'):
    case C('F'):
    case C('e'):
    case C('E'):
    case C('g'):
    case C('G'):
    case C('a'):
    case C('A'):
      Floating(spec, static_cast<char>(conversion));
      break;
    case C('c'):
    case C('C'):
      Character(spec, conversion == C('C'));
      break;
    case C('s'):
    case C('S'):
      Text(spec);
      break;
    case C('n'):
      NextArg(); // never written through
      break;
    default:
      Verbatim(start, f);
      break;
    }
    return f;
  }

  void Verbatim(const C* from, const C* to) {
    while (from < to)
      mSink.Put(*from++);
  }

  void Emit(const Spec& spec, const NumberField& field) {
    const std::size_t length = field.Length();
    const std::size_t pad = spec.width > length ? spec.width - length : 0;
    const bool zeroPad = spec.zero && !spec.left && field.zeroPadAllowed;
    if (!spec.left && !zeroPad)
      mSink.Repeat(C(' '), pad);
    mSink.PutAscii(field.prefix, field.prefixLength);
    mSink.Repeat(C('0'), field.leadingZeros + (zeroPad ? pad : 0));
    mSink.PutAscii(field.body, field.bodyLength);
    mSink.Repeat(C('0'), field.innerZeros);
    mSink.PutAscii(field.tail, field.tailLength);
    if (spec.left)
      mSink.Repeat(C(' '), pad);
  }

  void Integer(const Spec& spec, char conversion) {
    const bool isSigned = conversion == 'd' || conversion == 'i';
    std::uint64_t bits = 0;
    if (!ArgAsBits(NextArg(), isSigned, bits))
      return;
    const int width = IntBits(spec.length);
    bool negative = false;
    std::uint64_t magnitude;
    if (width < 64)
      bits &= (std::uint64_t{1} << width) - 1;
    if (isSigned) {
      std::int64_t value;
      if (width < 64 && (bits >> (width - 1)) & 1)
        value = static_cast<std::int64_t>(bits | ~((std::uint64_t{1} << width) - 1));
      else
        value = static_cast<std::int64_t>(bits);
      negative = value < 0;
      magnitude = negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
    } else {
      magnitude = bits;
    }

    char digits[24];
    const int base = conversion == 'o' ? 8 : (conversion == 'x' || conversion == 'X') ? 16 : 10;
    const char* alphabet = conversion == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
    std::size_t n = 0;
    char reversed[24];
    for (std::uint64_t v = magnitude; v != 0; v /= static_cast<unsigned>(base))
      reversed[n++] = alphabet[v % static_cast<unsigned>(base)];
    for (std::size_t i = 0; i < n; ++i)
      digits[i] = reversed[n - 1 - i];

    NumberField field;
    field.body = digits;
    field.bodyLength = n;
    const std::size_t precision = spec.hasPrecision ? spec.precision : 1;
    if (precision > n)
      field.leadingZeros = precision - n;
    if (conversion == 'o' && spec.alternate && field.leadingZeros == 0 && (n == 0 || digits[0] != '0'))
      field.leadingZeros = 1;
    if (isSigned)
      field.SetPrefix(negative ? "-" : spec.plus ? "+" : spec.space ? " " : "");
    else if (spec.alternate && magnitude != 0 && base == 16)
      field.SetPrefix(conversion == 'X' ? "0X" : "0x");
    field.zeroPadAllowed = !spec.hasPrecision;
    Emit(spec, field);
  }

  void Pointer(const Spec& spec) {
    std::uint64_t bits = 0;
    if (!ArgAsBits(NextArg(), false, bits))
      return;
    char digits[17];
    const int count = static_cast<int>(sizeof(void*) * 2);
    for (int i = count - 1; i >= 0; --i, bits >>= 4)
      digits[i] = "0123456789ABCDEF"[bits & 0xF];
    NumberField field;
    field.body = digits;
    field.bodyLength = static_cast<std::size_t>(count);
    field.zeroPadAllowed = false;
    Emit(spec, field);
  }

  void Floating(const Spec& spec, char conversion) {
    double value = 0;
    if (!ArgAsDouble(NextArg(), value))
      return;
    const bool upper = conversion >= 'A' && conversion <= 'Z';
    const char lower = static_cast<char>(upper ? conversion - 'A' + 'a' : conversion);
    const bool negative = std::signbit(value);
    const double magnitude = std::fabs(value);

    NumberField field;
    field.SetPrefix(negative ? "-" : spec.plus ? "+" : spec.space ? " " : "");
    char body[1600];
    char* end = body;

    if (!std::isfinite(magnitude)) {
      std::memcpy(body, std::isnan(magnitude) ? "nan" : "inf", 3);
      end = body + 3;
      field.zeroPadAllowed = false;
    } else if (lower == 'a') {
      const int precision = spec.hasPrecision ? static_cast<int>(std::min<std::size_t>(spec.precision, 13)) : 13;
      field.SetPrefix(negative ? "-0x" : spec.plus ? "+0x" : spec.space ? " 0x" : "0x");
      end = std::to_chars(body, body + sizeof body, magnitude, std::chars_format::hex, precision).ptr;
      if (spec.hasPrecision && spec.precision > 13)
        InsertZerosBefore(field, body, end, 'p', spec.precision - 13);
    } else {
      const std::size_t requested = spec.hasPrecision ? spec.precision : 6;
      const int precision = static_cast<int>(std::min<std::size_t>(requested, kMaxFloatPrecision));
      const std::size_t extraZeros = requested - static_cast<std::size_t>(precision);
      if (lower == 'f') {
        end = std::to_chars(body, body + sizeof body, magnitude, std::chars_format::fixed, precision).ptr;
        if (spec.alternate && precision == 0)
          *end++ = '.';
        field.innerZeros = extraZeros;
      } else if (lower == 'e') {
        end = std::to_chars(body, body + sizeof body, magnitude, std::chars_format::scientific, precision).ptr;
        if (spec.alternate && precision == 0)
          InsertPoint(body, end);
        InsertZerosBefore(field, body, end, 'e', extraZeros);
      } else {
        end = General(spec, magnitude, body, sizeof body);
      }
    }
    const std::size_t length = static_cast<std::size_t>(end - body);
    if (upper) {
      UpperCase(body, length);
      UpperCase(field.prefix, field.prefixLength);
    }
    if (field.tailLength == 0) {
      field.body = body;
      field.bodyLength = length;
    }
    Emit(spec, field);
  }

  // "1e+05" with '#' and precision 0 becomes "1.e+05".
  static void InsertPoint(char* body, char*& end) {
    char* e = std::find(body, end, 'e');
    std::memmove(e + 1, e, static_cast<std::size_t>(end - e));
    *e = '.';
    ++end;
  }

  // Zeros requested beyond the double's last digit go before the exponent.
  static void InsertZerosBefore(NumberField& field, char* body, char* end, char marker, std::size_t zeros) {
    if (zeros == 0)
      return;
    char* m = std::find(body, end, marker);
    field.body = body;
    field.bodyLength = static_cast<std::size_t>(m - body);
    field.innerZeros = zeros;
    field.tail = m;
    field.tailLength = static_cast<std::size_t>(end - m);
  }

  // %g: %e or %f by the exponent, trailing zeros removed unless '#'.
  static char* General(const Spec& spec, double magnitude, char* body, std::size_t size) {
    std::size_t p = spec.hasPrecision ? spec.precision : 6;
    if (p == 0)
      p = 1;
    p = std::min<std::size_t>(p, kMaxFloatPrecision);
    char* end =
        std::to_chars(body, body + size, magnitude, std::chars_format::scientific, static_cast<int>(p - 1)).ptr;
    const char* e = std::find(static_cast<const char*>(body), static_cast<const char*>(end), 'e');
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent);
    if (static_cast<std::int64_t>(p) > exponent && exponent >= -4) {
      end = std::to_chars(body, body + size, magnitude, std::chars_format::fixed,
                          static_cast<int>(static_cast<std::int64_t>(p) - 1 - exponent))
                .ptr;
      if (!spec.alternate)
        end = StripZeros(body, end);
      else if (std::find(body, end, '.') == end)
        *end++ = '.';
    } else if (!spec.alternate) {
      char* mantissaEnd = StripZeros(body, const_cast<char*>(e));
      const std::size_t tail = static_cast<std::size_t>(end - e);
      std::memmove(mantissaEnd, e, tail);
      end = mantissaEnd + tail;
    } else if (std::find(static_cast<const char*>(body), e, '.') == e) {
      InsertPoint(body, end);
    }
    return end;
  }

  static char* StripZeros(char* body, char* end) {
    if (std::find(body, end, '.') == end)
      return end;
    while (end > body && end[-1] == '0')
      --end;
    if (end > body && end[-1] == '.')
      --end;
    return end;
  }

  void Character(const Spec& spec, bool capital) {
    std::uint64_t bits = 0;
    if (!ArgAsBits(NextArg(), false, bits))
      return;
    // %C, %lc and %wc take the other width's character in a narrow format, %C and
    // %hc in a wide one; %c otherwise takes a character of the format's own width.
    const bool longForm = spec.length == Length::Long || spec.length == Length::Wide;
    const bool shortForm = spec.length == Length::Short;
    bool wideChar;
    if constexpr (sizeof(C) == 1)
      wideChar = longForm || (capital && !shortForm);
    else
      wideChar = !(shortForm || (capital && !longForm));

    const std::size_t start = Mark();
    if (wideChar) {
      const char16_t unit = static_cast<char16_t>(bits);
      PutConverted(&unit, &unit + 1);
    } else {
      const char byte = static_cast<char>(bits);
      PutConverted(&byte, &byte + 1);
    }
    Pad(spec, start);
  }

  void Text(const Spec& spec) {
    const FormatArg* arg = NextArg();
    if (!arg)
      return;
    const std::size_t start = Mark();
    const std::size_t limit = spec.hasPrecision ? spec.precision : std::numeric_limits<std::size_t>::max();
    switch (arg->GetKind()) {
    case FormatArg::Kind::Narrow:
      if (arg->GetNarrow())
        PutConverted(arg->GetNarrow(), arg->GetNarrow() + BoundedLength(arg->GetNarrow(), limit));
      else
        PutNull(limit);
      break;
    case FormatArg::Kind::Wide:
      if (arg->GetWide())
        PutConverted(arg->GetWide(), arg->GetWide() + BoundedLength(arg->GetWide(), limit));
      else
        PutNull(limit);
      break;
    case FormatArg::Kind::Pointer:
      if (!arg->GetPointer())
        PutNull(limit);
      break;
    default:
      break; // not a text: nothing to show
    }
    Pad(spec, start);
  }

  void PutNull(std::size_t limit) { mSink.PutAscii("(null)", std::min<std::size_t>(6, limit)); }

  template <class T>
  static std::size_t BoundedLength(const T* text, std::size_t limit) {
    std::size_t n = 0;
    while (n < limit && text[n])
      ++n;
    return n;
  }

  std::size_t Mark() const { return mSink.Length(); }

  void Pad(const Spec& spec, std::size_t start) {
    const std::size_t written = mSink.Length() - start;
    if (spec.left) {
      if (spec.width > written)
        mSink.Repeat(C(' '), spec.width - written);
    } else {
      mSink.PadLeft(start, spec.width);
    }
  }

  template <class S>
  void PutConverted(const S* from, const S* to) {
    if constexpr (sizeof(S) == sizeof(C)) {
      for (; from < to; ++from)
        mSink.Put(static_cast<C>(*from));
    } else if constexpr (sizeof(C) == 1) {
      C* target = mSink.Position();
      if (ConvertUTF16toUTF8(&from, to, &target, mSink.End(), ConversionFlags::Lenient) ==
          ConversionResult::TargetExhausted)
        mSink.SetTruncated();
      mSink.Advance(target);
    } else {
      C* target = mSink.Position();
      if (ConvertUTF8toUTF16(&from, to, &target, mSink.End(), ConversionFlags::Lenient) ==
          ConversionResult::TargetExhausted)
        mSink.SetTruncated();
      mSink.Advance(target);
    }
  }

  Sink<C> mSink;
  const FormatArg* mArgs;
  std::size_t mCount;
  std::size_t mNext = 0;
};

} // namespace

template <class C>
std::size_t FormatArgs(C* out, std::size_t capacity, const C* format, const FormatArg* args, std::size_t count,
                       bool* truncated) noexcept {
  if (!out || capacity == 0)
    return 0;
  if (!format) {
    out[0] = C(0);
    if (truncated)
      *truncated = false;
    return 0;
  }
  return Formatter<C>(out, capacity, args, count).Run(format, truncated);
}

template std::size_t FormatArgs<char>(char*, std::size_t, const char*, const FormatArg*, std::size_t,
                                      bool*) noexcept;
template std::size_t FormatArgs<char16_t>(char16_t*, std::size_t, const char16_t*, const FormatArg*, std::size_t,
                                          bool*) noexcept;

} // namespace QZ
