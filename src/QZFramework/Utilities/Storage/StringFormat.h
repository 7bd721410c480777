#pragma once
// printf-style formatting for both string widths, written once over the
// character type. The arguments carry their own types, so a mismatch between a
// conversion and its argument can never read the wrong bytes: %s takes a narrow
// (UTF-8) or a wide (UTF-16) text in either width, converting it as needed, and
// the length modifiers of the Windows runtime (%I32d, %I64X, %Iu, %ld as 32
// bits, %hs, %ls, %ws, %S, %C) keep their meaning there. Formatting never reads
// or writes past its buffer: a longer result is cut at a character boundary.

#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace QZ {

class FormatArg {
public:
  enum class Kind : std::uint8_t { None, Signed, Unsigned, Double, Narrow, Wide, Pointer };

  constexpr FormatArg() noexcept = default;

  template <class T>
  requires(std::is_integral_v<T> || std::is_enum_v<T>) constexpr FormatArg(T value) noexcept {
    if constexpr (std::is_enum_v<T>) {
      *this = FormatArg(static_cast<std::underlying_type_t<T>>(value));
    } else if constexpr (std::is_signed_v<T>) {
      mKind = Kind::Signed;
      mInt = static_cast<std::uint64_t>(static_cast<std::int64_t>(value));
    } else {
      mKind = Kind::Unsigned;
      mInt = static_cast<std::uint64_t>(value);
    }
  }

  template <class T>
  requires std::is_floating_point_v<T>
  constexpr FormatArg(T value) noexcept : mKind(Kind::Double), mDouble(static_cast<double>(value)) {}

  constexpr FormatArg(const char* text) noexcept : mKind(Kind::Narrow), mNarrow(text) {}
  constexpr FormatArg(const char16_t* text) noexcept : mKind(Kind::Wide), mWide(text) {}
  constexpr FormatArg(const void* pointer) noexcept : mKind(Kind::Pointer), mPointer(pointer) {}
  constexpr FormatArg(std::nullptr_t) noexcept : mKind(Kind::Pointer), mPointer(nullptr) {}

  Kind GetKind() const { return mKind; }
  std::uint64_t GetInt() const { return mInt; }
  double GetDouble() const { return mDouble; }
  const char* GetNarrow() const { return mNarrow; }
  const char16_t* GetWide() const { return mWide; }
  const void* GetPointer() const { return mPointer; }

private:
  Kind mKind = Kind::None;
  union {
    std::uint64_t mInt = 0;
    double mDouble;
    const char* mNarrow;
    const char16_t* mWide;
    const void* mPointer;
  };
};

// Formats into out, which holds capacity elements (at least 1); the result is
// always zero-terminated and at most capacity - 1 elements long. Returns its
// length. Sets *truncated (when given) when the text had to be cut.
template <class C>
std::size_t FormatArgs(C* out, std::size_t capacity, const C* format, const FormatArg* args, std::size_t count,
                       bool* truncated = nullptr) noexcept;

extern template std::size_t FormatArgs<char>(char*, std::size_t, const char*, const FormatArg*, std::size_t,
                                             bool*) noexcept;
extern template std::size_t FormatArgs<char16_t>(char16_t*, std::size_t, const char16_t*, const FormatArg*,
                                                 std::size_t, bool*) noexcept;

template <class C, class... Args>
std::size_t FormatText(C* out, std::size_t capacity, const C* format, const Args&... args) noexcept {
  const FormatArg packed[sizeof...(Args) + 1] = {FormatArg(args)..., FormatArg()};
  return FormatArgs(out, capacity, format, packed, sizeof...(Args));
}

} // namespace QZ
