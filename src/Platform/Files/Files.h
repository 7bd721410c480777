#pragma once
// Files and folders of the system, by UTF-8 path: descriptors, their reads and
// writes, path queries, folder listings, and the one way a document is saved:
// ReplaceFileAtomically. Calls retry interrupted system calls; none throws. Every
// call is safe from any thread; one descriptor is used by one thread at a time.

#include <cerrno>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace QZ::Platform {

using FileDescriptor = int;
inline constexpr FileDescriptor kNoFile = -1;

// Open modes, any combination; without kOpenReadWrite a file opens read-only.
inline constexpr std::uint32_t kOpenReadWrite = 0x1;
inline constexpr std::uint32_t kOpenCreate = 0x2;    // create a missing file (0666 less the umask)
inline constexpr std::uint32_t kOpenExclusive = 0x4; // with kOpenCreate: fail when it exists

// Only regular files open: a folder, a FIFO or a device gives kNoFile (and a FIFO
// cannot hang the caller). Nothing is truncated.
FileDescriptor OpenRegularFile(const char* path, std::uint32_t mode);
void CloseFile(FileDescriptor file);
// The bytes read (0 at the end), or -1.
std::int64_t ReadFile(FileDescriptor file, void* buffer, std::size_t count);
// Continues short writes; the bytes written, fewer when the system refused the rest
// (a full disk), -1 when it refused the first.
std::int64_t WriteFile(FileDescriptor file, const void* buffer, std::size_t count);
// Origin 0 start, 1 current, 2 end. The new position, or -1.
std::int64_t SeekFile(FileDescriptor file, std::int64_t offset, int origin);
bool GetFileSize(FileDescriptor file, std::uint64_t& size);

enum class PathKind { kMissing, kFile, kDirectory, kOther };
// What the path names, links followed. kMissing also when it cannot be looked at.
PathKind GetPathKind(const char* path);
// True when anything, even a dangling link, is at the path.
bool PathExists(const char* path);
bool MakeDirectory(const char* path);
bool RemoveFile(const char* path);
// The canonical absolute path of an existing path, links resolved.
bool GetRealPath(const char* path, std::string& resolved);

struct DirectoryEntry {
  std::string name;
  bool isDirectory = false; // links followed
};
// Calls visit for each entry but "." and ".."; false when the folder cannot be
// opened or read to its end (what was visited stays visited).
bool ListDirectory(const char* folder, const std::function<void(const DirectoryEntry&)>& visit);

// The whole of a regular file; false when it cannot be opened or read.
[[nodiscard]] bool ReadWholeFile(const char* path, std::string& bytes);
// The same for a file of at most maxBytes: a larger one is refused by its size before anything is read,
// and one that grows past the limit while it is read is refused too (bytes empty).
[[nodiscard]] bool ReadWholeFile(const char* path, std::string& bytes, std::uint64_t maxBytes);

// Saves bytes as the file at path so that a reader sees either the old file or the
// whole new one, never a part: a temporary file beside it is written, flushed to the
// disk and renamed over it. The file keeps its permissions; a new one gets the umask's
// (0666 less the umask, as a plain create would). A link at the path stays a link and
// its target is replaced. Only a regular file is replaced: when the target is a folder
// (EISDIR) or a FIFO, device or socket (kErrorNotRegularFile) nothing is made or changed.
// An existing file the caller may not write is left alone. Any name the folder takes
// can be saved, and a path longer than the system takes in one call too: only each
// name in it must fit. Returns 0 or the system's error number; on failure the old file
// is unchanged and no temporary is left.
//
// The temporary is "<head>.<check>.<number>.tmp": head is the file's name, cut (before
// a character, when the name is UTF-8) where the temporary would not fit the folder's
// limit on a name; check is a digest of the whole name in sixteen lower-case
// hexadecimal digits; number is decimal, at most nine digits, without a leading zero.
// A save that was killed leaves its temporary behind; a successful save removes those
// of earlier saves of the same name: regular files (not links) named exactly so, made
// over two seconds before this process started (a newer one may belong to a save under
// way). Only the folder's names are read to find them.
[[nodiscard]] int ReplaceFileAtomically(const char* path, std::string_view bytes);
// Why a target that is no regular file and no folder was not replaced.
inline constexpr int kErrorNotRegularFile = EINVAL;

} // namespace QZ::Platform
