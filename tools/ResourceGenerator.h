#pragma once
// The editor's generated resources: the skins, the English string tables, the pictures the skins and the
// program use, and the user guide. Each part writes its files into one folder; nothing here is edited by
// hand afterwards, the build runs the generator again whenever its sources change.
//
// Single-threaded; used by the generator program only.
#include <filesystem>
#include <string>

namespace QZ::Tools {

// Skins.xml: the two screen skins, "HighDPI" (twice the sizes) and "Skin1".
bool WriteSkins(const std::filesystem::path& folder);
// StringTables.xml (UTF-16, English).
bool WriteStringTables(const std::filesystem::path& folder);
// The pictures, each at the standard size and (name ending "2x") at twice it, and the two drop cursors.
bool WritePictures(const std::filesystem::path& folder);
// The user guide from its text source; a plain markup of "# " headings, "## " subheadings, "- " list rows
// and paragraphs separated by blank lines.
bool WriteUserGuide(const std::filesystem::path& source, const std::filesystem::path& pdf);

// UTF-8 text (well formed; our own sources) as UTF-16, surrogate pairs beyond the basic plane.
std::u16string Utf8ToUtf16(const std::string& utf8);

// Whole text to a file, replaced only when it differs (so later steps see no change).
bool WriteIfChanged(const std::filesystem::path& path, const std::string& bytes);

} // namespace QZ::Tools
