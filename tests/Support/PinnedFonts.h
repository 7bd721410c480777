#pragma once
// Pins the fonts a test program sees to DejaVu (tests/fixtures/Graphics2D/
// fonts.conf), so text and font look-ups do not depend on the machine. Must
// run before the first font is looked up: call it from a static object of
// the test program.

#include <cstdlib>

namespace QZ::test {

inline bool PinFonts() { return ::setenv("FONTCONFIG_FILE", QZ_TEST_FONTS_CONF, 1) == 0; }

} // namespace QZ::test
