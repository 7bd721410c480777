#pragma once
// The file tests' helpers: a temporary folder per test, whole-file reads and writes,
// and conversions between the tests' UTF-8 paths and the framework's wide texts.

#include "QZFramework/Utilities/Storage/StringT.h"
#include "Support/TempFolder.h"

#include <string>

namespace QZ::test {

inline WideString W(const std::string& utf8) { return WideString(utf8.c_str()); }
inline std::string N(const WideString& text) { return text.ToNarrow().GetChars(); }

} // namespace QZ::test
