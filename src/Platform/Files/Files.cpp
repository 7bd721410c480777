#include "Platform/Files/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

namespace QZ::Platform {

namespace {

int ErrorNumber() { return errno ? errno : EIO; }

// The temporaries of a save are "<name>.<number>.tmp" with a number below this, written in decimal.
constexpr std::uint32_t kTemporaryNumberLimit = 1000000000u;
constexpr std::size_t kTemporaryNumberMaxDigits = 9;
constexpr const char* kTemporarySuffix = ".tmp";

// File times come from the kernel's coarse clock and are kept by some file systems in whole seconds or two
// (FAT): a temporary made after the start can look older by that much. Only what is older still is a leftover.
constexpr time_t kFileTimeSlackSeconds = 2;

timespec LeftoverTimeLimit() {
  timespec now{};
  (void)::clock_gettime(CLOCK_REALTIME_COARSE, &now);
  now.tv_sec -= kFileTimeSlackSeconds;
  return now;
}

// When this process started, as near as its files can tell (taken while the program loads), less the slack.
const timespec gLeftoverTimeLimit = LeftoverTimeLimit();

bool IsBefore(const timespec& a, const timespec& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether entry is a temporary that a save of name makes: the name, ".", the number as it is written
// (decimal, no leading zero, below kTemporaryNumberLimit) and ".tmp".
bool IsTemporaryOf(const std::string& entry, const std::string& name) {
  const std::size_t suffix = std::strlen(kTemporarySuffix);
  if (entry.size() < name.size() + 1 + 1 + suffix || entry.compare(0, name.size(), name) != 0 ||
      entry[name.size()] != '.' || entry.compare(entry.size() - suffix, suffix, kTemporarySuffix) != 0)
    return false;
  const std::string number = entry.substr(name.size() + 1, entry.size() - suffix - name.size() - 1);
  if (number.empty() || number.size() > kTemporaryNumberMaxDigits || (number[0] == '0' && number.size() > 1))
    return false;
  for (const char c : number) {
    if (c < '0' || c > '9')
      return false;
  }
  return true;
}

// Removes what killed saves of target left behind (see ReplaceFileAtomically). Failures change nothing the
// caller can act on: a leftover that stays is taken at the next save.
void RemoveLeftoverTemporaries(const std::string& target) {
  const std::string folder = FolderOf(target);
  const std::string name = NameOf(target);
  if (name.empty())
    return;
  std::vector<std::string> found;
  (void)ListDirectory(folder.c_str(), [&](const DirectoryEntry& entry) {
    if (IsTemporaryOf(entry.name, name))
      found.push_back(entry.name);
  });
  for (const std::string& entry : found) {
    const std::string path = folder + "/" + entry;
    struct stat st;
    // Not a link, a folder or anything else that only looks like one; not one of a save under way.
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && IsBefore(st.st_mtim, gLeftoverTimeLimit))
      (void)::unlink(path.c_str());
  }
}

// 0 when target is missing or a regular file; otherwise why it may not be replaced.
int CheckReplaceable(const std::string& target) {
  struct stat st;
  if (::lstat(target.c_str(), &st) != 0 || S_ISREG(st.st_mode))
    return 0;
  return S_ISDIR(st.st_mode) ? EISDIR : kErrorNotRegularFile;
}

// Makes a rename durable; failure here changes nothing the caller can act on.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    (void)::fsync(fd);
    ::close(fd);
  }
}

// The file a save through path must replace: the final target of a chain of links,
// which need not exist yet. ELOOP for a chain that does not end.
int ResolveLinks(const char* path, std::string& target) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
      return 0;
    std::string link(PATH_MAX, '\0');
    const ssize_t n = ::readlink(target.c_str(), link.data(), link.size());
    if (n < 0)
      return ErrorNumber();
    link.resize(static_cast<std::size_t>(n));
    target = (!link.empty() && link[0] == '/') ? link : FolderOf(target) + "/" + link;
  }
  return ELOOP;
}

} // namespace

FileDescriptor OpenRegularFile(const char* path, std::uint32_t mode) {
  if (!path || !*path)
    return kNoFile;
  int flags = O_CLOEXEC | ((mode & kOpenReadWrite) ? O_RDWR : O_RDONLY);
  if (mode & kOpenCreate) {
    flags |= O_CREAT;
    if (mode & kOpenExclusive)
      flags |= O_EXCL;
  }
  // Non-blocking only while opening, so that a FIFO at the path cannot hang us
  // before it is turned away below.
  int fd;
  do
    fd = ::open(path, flags | O_NONBLOCK, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return kNoFile;
  struct stat st;
  const int status = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || status < 0 ||
      ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return kNoFile;
  }
  return fd;
}

void CloseFile(FileDescriptor file) {
  if (file >= 0)
    ::close(file);
}

std::int64_t ReadFile(FileDescriptor file, void* buffer, std::size_t count) {
  ssize_t n;
  do
    n = ::read(file, buffer, count);
  while (n < 0 && errno == EINTR);
  return n < 0 ? -1 : static_cast<std::int64_t>(n);
}

std::int64_t WriteFile(FileDescriptor file, const void* buffer, std::size_t count) {
  const auto* bytes = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(file, bytes + done, count - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return done == 0 ? -1 : static_cast<std::int64_t>(done);
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int64_t>(done);
}

std::int64_t SeekFile(FileDescriptor file, std::int64_t offset, int origin) {
  int whence = SEEK_SET;
  if (origin == 1)
    whence = SEEK_CUR;
  else if (origin == 2)
    whence = SEEK_END;
  else if (origin != 0)
    return -1;
  const off_t position = ::lseek(file, static_cast<off_t>(offset), whence);
  return position < 0 ? -1 : static_cast<std::int64_t>(position);
}

bool GetFileSize(FileDescriptor file, std::uint64_t& size) {
  struct stat st;
  if (::fstat(file, &st) != 0 || st.st_size < 0)
    return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

PathKind GetPathKind(const char* path) {
  struct stat st;
  if (!path || !*path || ::stat(path, &st) != 0)
    return PathKind::kMissing;
  if (S_ISDIR(st.st_mode))
    return PathKind::kDirectory;
  return S_ISREG(st.st_mode) ? PathKind::kFile : PathKind::kOther;
}

bool PathExists(const char* path) {
  struct stat st;
  return path && *path && ::lstat(path, &st) == 0;
}

bool MakeDirectory(const char* path) { return path && *path && ::mkdir(path, 0777) == 0; }

bool RemoveFile(const char* path) { return path && *path && ::unlink(path) == 0; }

bool GetRealPath(const char* path, std::string& resolved) {
  if (!path || !*path)
    return false;
  std::unique_ptr<char, void (*)(void*)> result(::realpath(path, nullptr), std::free);
  if (!result)
    return false;
  resolved = result.get();
  return true;
}

bool ListDirectory(const char* folder, const std::function<void(const DirectoryEntry&)>& visit) {
  if (!folder || !*folder)
    return false;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder), ::closedir);
  if (!dir)
    return false;
  const std::string prefix = std::string(folder) + "/";
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (!entry)
      break;
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
      continue;
    DirectoryEntry found;
    found.name = entry->d_name;
    found.isDirectory = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)
      found.isDirectory = GetPathKind((prefix + found.name).c_str()) == PathKind::kDirectory;
    const int saved = errno;
    visit(found);
    errno = saved;
  }
  return errno == 0;
}

bool ReadWholeFile(const char* path, std::string& bytes) { return ReadWholeFile(path, bytes, UINT64_MAX); }

bool ReadWholeFile(const char* path, std::string& bytes, std::uint64_t maxBytes) {
  bytes.clear();
  const FileDescriptor file = OpenRegularFile(path, 0);
  if (file == kNoFile)
    return false;
  std::uint64_t size = 0;
  bool ok = GetFileSize(file, size) && size <= maxBytes;
  try {
    char buffer[65536];
    while (ok) {
      const std::int64_t n = ReadFile(file, buffer, sizeof buffer);
      if (n <= 0) {
        ok = n == 0;
        break;
      }
      if (static_cast<std::uint64_t>(n) > maxBytes - bytes.size())
        ok = false; // it grew while being read
      else
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
  } catch (const std::bad_alloc&) {
    ok = false;
  }
  CloseFile(file);
  if (!ok)
    bytes.clear();
  return ok;
}

int ReplaceFileAtomically(const char* path, std::string_view bytes) {
  if (!path || !*path)
    return EINVAL;
  std::string target;
  if (const int error = ResolveLinks(path, target))
    return error;
  // A FIFO, a device or a socket would be replaced by a plain file (a device in /dev, for a privileged
  // user); nothing is made beside it either.
  if (const int error = CheckReplaceable(target))
    return error;
  // Renaming needs only the folder's permission: a file that could not be written in
  // place (one we may not even have been able to read) is not replaced either.
  errno = 0;
  if (::access(target.c_str(), W_OK) != 0 && errno != ENOENT)
    return ErrorNumber();
  struct stat old;
  const bool replacing = ::stat(target.c_str(), &old) == 0;

  // A unique name, so nothing left lying in the folder can block every later save.
  // A new file is created as a plain create would make it, so the umask (and a
  // folder's default permissions) apply; a replacement takes the old file's mode.
  std::random_device seed;
  std::mt19937 random(seed());
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = target + "." + std::to_string(random() % kTemporaryNumberLimit) + kTemporarySuffix;
    errno = 0;
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : 0666);
    if (fd < 0 && errno != EEXIST && errno != EINTR)
      return ErrorNumber();
  }
  if (fd < 0)
    return EEXIST;
  int result = 0;
  if (replacing) {
    if (old.st_uid != ::geteuid() || old.st_gid != ::getegid())
      (void)::fchown(fd, old.st_uid, old.st_gid); // only a privileged user can keep another owner
    errno = 0;
    if (::fchmod(fd, old.st_mode & 07777) != 0)
      result = ErrorNumber();
  }
  errno = 0;
  if (!result && WriteFile(fd, bytes.data(), bytes.size()) != static_cast<std::int64_t>(bytes.size()))
    result = ErrorNumber();
  errno = 0;
  if (!result && ::fsync(fd) != 0)
    result = ErrorNumber();
  errno = 0;
  if (::close(fd) != 0 && !result)
    result = ErrorNumber();
  // Once more, as near to the rename as can be: something else may have been put there meanwhile.
  if (!result)
    result = CheckReplaceable(target);
  errno = 0;
  if (!result && ::rename(temporary.c_str(), target.c_str()) != 0)
    result = ErrorNumber();
  if (result) {
    ::unlink(temporary.c_str());
    return result;
  }
  SyncFolder(FolderOf(target));
  RemoveLeftoverTemporaries(target);
  return 0;
}

} // namespace QZ::Platform
