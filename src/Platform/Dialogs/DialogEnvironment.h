#pragma once
// The environment a helper dialog program (the file chooser, message boxes) is started with: its scale for the
// screen (DialogScale.h) and its locale.
//
// The locale: such a program prints a chosen path and reads its texts in its locale's character set. In a
// locale that is not UTF-8 ("C", the default of a bare session) a name beyond ASCII comes back with "?" in
// place of its letters: a different name. The program is then started in a UTF-8 locale; the editor's own
// locale is left as it is.
//
// Threads: any (reads the environment, which nothing changes while the editor runs).

#include <string>
#include <vector>

namespace QZ::Platform {

// The locale every dialog program is given when its inherited one is not UTF-8.
inline constexpr const char* kDialogLocale = "C.UTF-8";

// The "NAME=value" entries that start a dialog program in a UTF-8 locale: none when the character type locale it
// inherits (LC_ALL, else LC_CTYPE, else LANG; an empty variable counts as unset) is a UTF-8 one this system has;
// else LC_ALL set to kDialogLocale.
std::vector<std::string> DialogLocaleEnvironment();

// The "NAME=value" entries a dialog program is started with: DialogScaleEnvironment for the dialogs' screen
// density, then DialogLocaleEnvironment.
std::vector<std::string> DialogProgramEnvironment();

} // namespace QZ::Platform
