#include "Platform/Folders/Folders.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <pwd.h>
#include <sstream>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace QZ::Platform {

namespace {

constexpr unsigned kPrivateFolderMode = 0700;
constexpr unsigned kUserFolderMode = 0777; // less the umask, as a file manager would make it

std::mutex sOverrideLock;
std::map<FolderKind, std::string>& Overrides() {
  static std::map<FolderKind, std::string> overrides;
  return overrides;
}

bool IsFolder(const std::string& path) {
  struct stat info {};
  return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string PasswordDatabaseHome() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir)
    return "";
  return found->pw_dir;
}

std::string StripTrailingSeparators(std::string path) {
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return path;
}

bool IsAbsolute(const std::string& path) { return !path.empty() && path.front() == '/'; }

std::string ResolveBase(const std::string& variable, const std::string& home, const char* fallback) {
  if (IsAbsolute(variable))
    return StripTrailingSeparators(variable);
  if (!IsAbsolute(home))
    return "";
  return StripTrailingSeparators(home) + fallback;
}

std::string ExecutableFolder() {
  std::vector<char> buffer(4096);
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0)
      return "";
    if (static_cast<std::size_t>(length) < buffer.size())
      return FolderOfPath(std::string(buffer.data(), static_cast<std::size_t>(length)));
    buffer.resize(buffer.size() * 2);
  }
}

} // namespace

std::string FolderOfPath(const std::string& path) {
  const std::size_t last = path.rfind('/');
  if (last == std::string::npos)
    return "";
  return last == 0 ? "/" : path.substr(0, last);
}

FolderEnvironment GetSystemFolderEnvironment() {
  FolderEnvironment environment;
  environment.home = Variable("HOME");
  if (environment.home.empty())
    environment.home = PasswordDatabaseHome();
  environment.dataHome = Variable("XDG_DATA_HOME");
  environment.configHome = Variable("XDG_CONFIG_HOME");
  return environment;
}

std::string ResolveDataHome(const FolderEnvironment& environment) {
  return ResolveBase(environment.dataHome, environment.home, "/.local/share");
}

std::string ResolveConfigHome(const FolderEnvironment& environment) {
  return ResolveBase(environment.configHome, environment.home, "/.config");
}

std::optional<std::string> ParseUserDirsDocuments(const std::string& userDirsText, const std::string& home) {
  static constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
  std::optional<std::string> result;
  std::istringstream lines(userDirsText);
  std::string line;
  while (std::getline(lines, line)) {
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line.compare(start, kKey.size(), kKey) != 0)
      continue;
    start += kKey.size();
    if (start >= line.size() || line[start] != '"')
      continue;
    // The quoted value; a backslash takes the next character as it is.
    std::string value;
    bool closed = false;
    for (std::size_t i = start + 1; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        value.push_back(line[++i]);
      } else if (line[i] == '"') {
        closed = true;
        break;
      } else {
        value.push_back(line[i]);
      }
    }
    if (!closed)
      continue;
    static constexpr std::string_view kHome = "$HOME";
    if (value.compare(0, kHome.size(), kHome) == 0 &&
        (value.size() == kHome.size() || value[kHome.size()] == '/')) {
      if (!IsAbsolute(home))
        continue;
      result = StripTrailingSeparators(StripTrailingSeparators(home) + value.substr(kHome.size()));
    } else if (IsAbsolute(value)) {
      result = StripTrailingSeparators(value);
    }
  }
  return result;
}

std::string ResolveDocumentsFolder(const FolderEnvironment& environment) {
  const std::string configHome = ResolveConfigHome(environment);
  if (!configHome.empty()) {
    std::ifstream file(configHome + "/user-dirs.dirs", std::ios::binary);
    if (file) {
      std::ostringstream text;
      text << file.rdbuf();
      if (std::optional<std::string> documents = ParseUserDirsDocuments(text.str(), environment.home))
        return *documents;
    }
  }
  if (!IsAbsolute(environment.home))
    return "";
  const std::string home = StripTrailingSeparators(environment.home);
  const std::string documents = home + "/Documents";
  return IsFolder(documents) ? documents : home;
}

bool MakeFolderChain(const std::string& path, unsigned mode) {
  if (!IsAbsolute(path))
    return false;
  if (IsFolder(path))
    return true;
  // Each level from the top; a level that exists (or was made meanwhile) is passed.
  for (std::size_t next = path.find('/', 1);; next = path.find('/', next + 1)) {
    const std::string level = next == std::string::npos ? path : path.substr(0, next);
    if (!level.empty() && level.back() != '/' && ::mkdir(level.c_str(), static_cast<mode_t>(mode)) != 0 &&
        errno != EEXIST)
      return false;
    if (next == std::string::npos)
      break;
  }
  return IsFolder(path);
}

std::string GetFolder(FolderKind kind) {
  std::optional<std::string> overridden;
  {
    std::lock_guard<std::mutex> lock(sOverrideLock);
    const auto found = Overrides().find(kind);
    if (found != Overrides().end())
      overridden = found->second;
  }
  std::string folder;
  unsigned mode = kPrivateFolderMode;
  if (overridden) {
    folder = *overridden;
  } else {
    switch (kind) {
    case FolderKind::kExecutable:
      return ExecutableFolder();
    case FolderKind::kDataHome:
      folder = ResolveDataHome(GetSystemFolderEnvironment());
      break;
    case FolderKind::kConfigHome:
      folder = ResolveConfigHome(GetSystemFolderEnvironment());
      break;
    case FolderKind::kDocuments:
      folder = ResolveDocumentsFolder(GetSystemFolderEnvironment());
      mode = kUserFolderMode;
      break;
    }
  }
  if (kind == FolderKind::kExecutable)
    return folder;
  return MakeFolderChain(folder, mode) ? folder : "";
}

void SetFolderOverride(FolderKind kind, std::optional<std::string> path) {
  std::lock_guard<std::mutex> lock(sOverrideLock);
  if (path)
    Overrides()[kind] = std::move(*path);
  else
    Overrides().erase(kind);
}

} // namespace QZ::Platform
