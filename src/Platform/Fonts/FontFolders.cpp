#include "Platform/Fonts/FontFolders.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>

namespace QZ::Platform {

namespace {

std::mutex sOverrideLock;
std::optional<std::vector<std::string>> sOverride; // guarded by sOverrideLock

bool AskFontconfig(std::vector<std::string>& folders) {
  // A configuration of our own, destroyed at once: the process-wide one would
  // stay allocated until exit.
  FcConfig* config = FcInitLoadConfig();
  if (!config)
    return false;
  if (FcStrList* list = FcConfigGetFontDirs(config)) {
    while (FcChar8* dir = FcStrListNext(list))
      folders.emplace_back(reinterpret_cast<const char*>(dir));
    FcStrListDone(list);
  }
  FcConfigDestroy(config);
  return !folders.empty();
}

bool EndsWithNoCase(const std::string& name, const char* suffix) {
  const std::string s(suffix);
  if (name.size() < s.size())
    return false;
  return std::equal(s.begin(), s.end(), name.end() - static_cast<std::ptrdiff_t>(s.size()), [](char a, char b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    return lower(a) == lower(b);
  });
}

// Depth first, each folder's entries sorted by name; links to folders are not
// followed (a loop would never end), links to files are.
void Walk(const std::filesystem::path& folder, std::vector<std::filesystem::path>& out) {
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  if (error)
    return;
  std::vector<std::filesystem::directory_entry> entries;
  for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
    if (error)
      break;
    entries.push_back(*it);
  }
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
    return a.path().filename().native() < b.path().filename().native();
  });
  for (const auto& entry : entries) {
    std::error_code e;
    if (entry.is_symlink(e) && entry.is_directory(e))
      continue;
    if (entry.is_directory(e))
      Walk(entry.path(), out);
    else if (entry.is_regular_file(e))
      out.push_back(entry.path());
  }
}

} // namespace

bool GetSystemFontFolders(std::vector<std::string>& folders) {
  folders.clear();
  {
    std::lock_guard lock(sOverrideLock);
    if (sOverride) {
      folders = *sOverride;
      return !folders.empty();
    }
  }
  return AskFontconfig(folders);
}

void FindFontFiles(const std::vector<std::string>& folders, std::vector<std::string>& files) {
  files.clear();
  std::vector<std::filesystem::path> found;
  for (const std::string& folder : folders)
    Walk(folder, found);

  std::set<std::string> seen; // canonical paths: links and nested folders lead to one file
  std::vector<std::string> ttc;
  for (const auto& path : found) {
    const std::string name = path.filename().string();
    const bool isTtf = EndsWithNoCase(name, ".ttf");
    if (!isTtf && !EndsWithNoCase(name, ".ttc"))
      continue;
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(path, error);
    if (error || !seen.insert(canonical.string()).second)
      continue;
    (isTtf ? files : ttc).push_back(path.string());
  }
  files.insert(files.end(), ttc.begin(), ttc.end());
}

void SetFontFolderOverride(const std::vector<std::string>& folders) {
  std::lock_guard lock(sOverrideLock);
  sOverride = folders;
}

void ClearFontFolderOverride() {
  std::lock_guard lock(sOverrideLock);
  sOverride.reset();
}

} // namespace QZ::Platform
