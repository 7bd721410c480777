#include "Platform/System/Numbers.h"

#include <locale.h>
#include <stdlib.h>

namespace QZ::Platform {

double ParseDoubleInCLocale(const char* text) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return strtod_l(text, nullptr, cLocale);
}

} // namespace QZ::Platform
