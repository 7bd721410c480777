#pragma once
// Where the system keeps its font files: the folders fontconfig reads fonts
// from, and the TrueType files found under them. A test may put its own folder
// in place of fontconfig's answer.
//
// Paths are UTF-8. The override is process-wide and guarded by one lock; the
// folder walk itself keeps no state.

#include <string>
#include <vector>

namespace QZ::Platform {

// The font folders in fontconfig's order (or the override). False, with folders
// empty, when none can be determined.
bool GetSystemFontFolders(std::vector<std::string>& folders);

// Every regular file under the folders, searched recursively, whose name ends in
// ".ttf" and then every one ending in ".ttc" (letter case ignored). Within each
// group the folders come in the given order and the names of one folder sorted
// byte-wise. A file reached twice (nested or overlapping folders, links) is
// listed once, under the path it was first found by. Missing or unreadable
// folders add nothing. Replaces files.
void FindFontFiles(const std::vector<std::string>& folders, std::vector<std::string>& files);

// From now on GetSystemFontFolders answers with these folders (an empty list:
// no folder can be determined) instead of asking fontconfig.
void SetFontFolderOverride(const std::vector<std::string>& folders);
// Back to fontconfig.
void ClearFontFolderOverride();

} // namespace QZ::Platform
