#pragma once
// Number texts read the same whatever the user's locale: the decimal point is
// always ".". Thread-safe; the C locale object is made once and kept.

namespace QZ::Platform {

// strtod in the "C" locale: leading white space, sign, decimal or hexadecimal
// digits, "inf" and "nan"; reads the longest number at the start and ignores
// the rest; 0 when the text starts with none.
double ParseDoubleInCLocale(const char* text);

} // namespace QZ::Platform
