#pragma once
// 32-bit signed result codes: zero or positive is success, negative is failure.

#include <cstdint>
#include <string>

namespace QZ {

using QZRESULT = std::int32_t;

inline constexpr QZRESULT S_OK = 0;
inline constexpr QZRESULT S_FALSE = 1;
inline constexpr QZRESULT E_FAIL = static_cast<QZRESULT>(0x80004005u);
inline constexpr QZRESULT E_INVALIDARG = static_cast<QZRESULT>(0x80070057u);
inline constexpr QZRESULT E_OUTOFMEMORY = static_cast<QZRESULT>(0x8007000Eu);
inline constexpr QZRESULT E_NOTIMPL = static_cast<QZRESULT>(0x80004001u);

inline constexpr bool QZ_SUCCEEDED(QZRESULT r) { return r >= 0; }
inline constexpr bool QZ_FAILED(QZRESULT r) { return r < 0; }

// "QZRESULT = " and the 32-bit pattern in upper-case hexadecimal without leading zeros.
std::string ResultToString(QZRESULT code);

} // namespace QZ
