#pragma once
// For tests only: the file-system nodes that are no regular file or folder, made at a path the test owns (a
// temporary folder), so that the framework's and the editor's tests can show what a save or a read does with
// them without calling the system themselves. Any thread.

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <string>

namespace QZ::Platform::test {

// A FIFO at path; false when none could be made.
inline bool MakeFifo(const std::string& path) { return ::mkfifo(path.c_str(), 0600) == 0; }

// A character device at path standing for the null device (writes vanish, reads end at once); false where
// the process may not make devices (no privilege, or a container that forbids it).
inline bool MakeNullDevice(const std::string& path) {
  constexpr unsigned kMemoryDevices = 1;
  constexpr unsigned kNull = 3;
  return ::mknod(path.c_str(), S_IFCHR | 0600, makedev(kMemoryDevices, kNull)) == 0;
}

enum class NodeKind { kMissing, kFile, kFolder, kFifo, kCharacterDevice, kLink, kOther };

// What is at path itself (a link is not followed).
inline NodeKind KindOfNode(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0)
    return NodeKind::kMissing;
  if (S_ISREG(st.st_mode))
    return NodeKind::kFile;
  if (S_ISDIR(st.st_mode))
    return NodeKind::kFolder;
  if (S_ISFIFO(st.st_mode))
    return NodeKind::kFifo;
  if (S_ISCHR(st.st_mode))
    return NodeKind::kCharacterDevice;
  return S_ISLNK(st.st_mode) ? NodeKind::kLink : NodeKind::kOther;
}

} // namespace QZ::Platform::test
