#include "Platform/Dialogs/DialogEnvironment.h"

#include "Platform/Dialogs/DialogScale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <cstring>
#include <utility>

namespace QZ::Platform {
namespace {

constexpr const char* kUtf8Codeset = "UTF-8";

// The locale the C library of a child with this environment takes for its character types.
std::string InheritedCharacterLocale() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0')
      return value;
  }
  return "C";
}

// Asks the C library rather than reading the name: "de_DE.utf8" is UTF-8 only where it is installed (else the
// child falls back to "C"), and "de_DE@euro" may name any character set.
bool IsUtf8Locale(const std::string& name) {
  const locale_t locale = ::newlocale(LC_CTYPE_MASK, name.c_str(), static_cast<locale_t>(nullptr));
  if (locale == static_cast<locale_t>(nullptr))
    return false;
  const bool utf8 = std::strcmp(::nl_langinfo_l(CODESET, locale), kUtf8Codeset) == 0;
  ::freelocale(locale);
  return utf8;
}

} // namespace

std::vector<std::string> DialogLocaleEnvironment() {
  if (IsUtf8Locale(InheritedCharacterLocale()))
    return {};
  // LC_ALL, not LC_CTYPE: an inherited LC_ALL would override LC_CTYPE.
  return {std::string("LC_ALL=") + kDialogLocale};
}

std::vector<std::string> DialogProgramEnvironment() {
  std::vector<std::string> entries = DialogScaleEnvironment(GetDialogScreenDpi());
  for (std::string& entry : DialogLocaleEnvironment())
    entries.push_back(std::move(entry));
  return entries;
}

} // namespace QZ::Platform
