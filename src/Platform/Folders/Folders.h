#pragma once
// The user's and the program's folders: the running program's folder, the XDG data and config homes and the
// documents folder. Paths are the system's bytes as they are (a home folder's name need not be UTF-8),
// absolute, without a trailing separator; an empty path means the folder cannot be had (no home folder, for one).
//
// The per-user folders are made, with every missing level, when they are asked for: XDG base folders with
// mode 0700 as the XDG rules ask, a documents folder the user named in user-dirs.dirs with the usual mode.
// The program's folder is only read.
//
// Tests redirect any kind with SetFolderOverride; the resolution rules themselves are pure functions over a
// FolderEnvironment.
//
// Threads: any thread; the override table is guarded by its own lock.

#include <optional>
#include <string>

namespace QZ::Platform {

enum class FolderKind {
  kExecutable, // the folder of the running program's file (/proc/self/exe)
  kDataHome,   // $XDG_DATA_HOME, else ~/.local/share
  kConfigHome, // $XDG_CONFIG_HOME, else ~/.config
  kDocuments,  // XDG_DOCUMENTS_DIR of user-dirs.dirs, else ~/Documents when it exists, else ~
};

// The folder of a kind, made when missing (not kExecutable); an override when one is set. Empty when it
// cannot be had or made.
std::string GetFolder(FolderKind kind);
// Replaces the answer for a kind (tests); nullopt gives the kind back to the system. An override is used as
// given, made when missing like the system's folder.
void SetFolderOverride(FolderKind kind, std::optional<std::string> path);

// What the per-user folders are found from.
struct FolderEnvironment {
  std::string home;       // $HOME, else the user's home in the password database; empty when neither
  std::string dataHome;   // $XDG_DATA_HOME as set (maybe empty)
  std::string configHome; // $XDG_CONFIG_HOME as set (maybe empty)
};
// The running process's environment.
FolderEnvironment GetSystemFolderEnvironment();

// The XDG rules: a variable counts only when it holds an absolute path; otherwise home + the default. Empty
// without either.
std::string ResolveDataHome(const FolderEnvironment& environment);
std::string ResolveConfigHome(const FolderEnvironment& environment);
// XDG_DOCUMENTS_DIR from the user-dirs.dirs text (the last assignment counts; "$HOME/..." or an absolute
// path, in double quotes); nullopt when the text does not name one.
std::optional<std::string> ParseUserDirsDocuments(const std::string& userDirsText, const std::string& home);
// The documents folder: the config home's user-dirs.dirs entry, else home/Documents when it is a folder,
// else home. Reads the file system; makes nothing.
std::string ResolveDocumentsFolder(const FolderEnvironment& environment);
// The folder part of a program path: up to, not including, the last '/'; empty without one.
std::string FolderOfPath(const std::string& path);

// Makes the folder and every missing level above it with the given mode; true when it is a folder
// afterwards.
bool MakeFolderChain(const std::string& path, unsigned mode);

} // namespace QZ::Platform
