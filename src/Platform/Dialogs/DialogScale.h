#pragma once
// The scale of a helper program's GTK dialog (the file chooser, message boxes): GTK draws at 96 pixels per
// inch unless told otherwise, which on a dense screen gives a dialog too small to read beside the editor.
// The density is the one the application settled on for its own windows where it set one, else the
// window system's.
//
// Threads: any.

#include <cstdint>
#include <string>
#include <vector>

namespace QZ::Platform {

// The "NAME=value" environment entries that scale a GTK dialog to a screen of screenDpi pixels per inch: the
// nearest whole GDK_SCALE for the widgets and a GDK_DPI_SCALE that brings the text to the screen's own
// density (144 ppi: 2 and 0.75). None at 96 ppi or below, and none when the user has set either variable
// (GTK's scaling is theirs then).
std::vector<std::string> DialogScaleEnvironment(std::int32_t screenDpi);

// The screen's density for dialogs: the one set last (a value of 0 or less clears it), else the window
// system's (GetScreenDpi).
void SetDialogScreenDpi(std::int32_t screenDpi);
std::int32_t GetDialogScreenDpi();

} // namespace QZ::Platform
