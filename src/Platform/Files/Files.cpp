#include "Platform/Files/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace QZ::Platform {

namespace {

int ErrorNumber() { return errno ? errno : EIO; }

// A descriptor closed when it goes out of scope.
class Descriptor {
public:
  Descriptor() = default;
  explicit Descriptor(int fd) : mFd(fd) {}
  Descriptor(Descriptor&& other) noexcept : mFd(std::exchange(other.mFd, -1)) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    if (this != &other) {
      Close();
      mFd = std::exchange(other.mFd, -1);
    }
    return *this;
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() { Close(); }

  int Get() const { return mFd; }
  int Release() { return std::exchange(mFd, -1); }

private:
  void Close() {
    if (mFd >= 0)
      ::close(mFd);
    mFd = -1;
  }
  int mFd = -1;
};

// The temporaries of a save are "<head>.<check>.<number>.tmp": head is the file's name, cut where the whole
// would not fit the folder's limit on a name; check is a digest of the whole name in kTemporaryCheckDigits
// lower-case hexadecimal digits, so that the temporaries of two names that share a head, and a user's own
// files named like "<name>.1.tmp", are never taken for each other; number is decimal, below
// kTemporaryNumberLimit, without a leading zero.
constexpr std::uint32_t kTemporaryNumberLimit = 1000000000u;
constexpr std::size_t kTemporaryNumberMaxDigits = 9;
constexpr std::size_t kTemporaryCheckDigits = 16;
constexpr std::string_view kTemporarySuffix = ".tmp";
// What a temporary adds to its head at most.
constexpr std::size_t kTemporaryAddedLength =
    1 + kTemporaryCheckDigits + 1 + kTemporaryNumberMaxDigits + kTemporarySuffix.size();
// The most bytes a UTF-8 character continues after its first.
constexpr std::size_t kMaxContinuationBytes = 3;
// How many links a save follows before it calls the chain a loop (as the system does for a path).
constexpr int kMaxLinkHops = 40;

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

// A path as the folder part and the name after its last slash. A path that ends in a slash names its
// folder: the name is then ".".
void SplitPath(std::string_view path, std::string& folder, std::string& name) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string_view::npos)
    folder = ".";
  else
    folder = slash == 0 ? "/" : std::string(path.substr(0, slash));
  name = slash == std::string_view::npos ? std::string(path) : std::string(path.substr(slash + 1));
  if (name.empty())
    name = ".";
}

int OpenAt(int base, const char* path, int flags) {
  int fd;
  do
    fd = ::openat(base, path, flags | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  return fd;
}

// Opens folder (relative to base unless absolute) to be worked in by name. A path longer than the system
// takes in one call is walked in pieces, each ending at a slash, so only each name in it must fit.
int OpenFolder(int base, std::string_view folder, Descriptor& opened) {
  constexpr std::size_t kMaxPiece = PATH_MAX - 1;
  Descriptor current;
  int at = base;
  std::size_t position = 0;
  do {
    std::size_t end = folder.size();
    if (end - position > kMaxPiece) {
      const std::size_t slash = folder.rfind('/', position + kMaxPiece - 1);
      if (slash == std::string_view::npos || slash < position)
        return ENAMETOOLONG; // one name longer than any path
      end = slash + 1;
    }
    const std::string piece(folder.substr(position, end - position));
    errno = 0;
    Descriptor next(OpenAt(at, piece.c_str(), O_PATH | O_DIRECTORY));
    if (next.Get() < 0)
      return ErrorNumber();
    current = std::move(next);
    at = current.Get();
    // The next piece must not start with a slash, or it would be taken from the root.
    position = folder.find_first_not_of('/', end);
  } while (position != std::string_view::npos);
  opened = std::move(current);
  return 0;
}

// The file a save through path must replace: the folder it is in and its name there, at the end of a chain
// of links; it need not exist yet. ELOOP for a chain that does not end.
int ResolveTarget(const char* path, Descriptor& folder, std::string& name) {
  std::string folderPath;
  SplitPath(path, folderPath, name);
  if (const int error = OpenFolder(AT_FDCWD, folderPath, folder))
    return error;
  for (int hops = 0; hops < kMaxLinkHops; ++hops) {
    struct stat st;
    if (::fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(st.st_mode))
      return 0;
    std::string link(PATH_MAX, '\0');
    errno = 0;
    const ssize_t n = ::readlinkat(folder.Get(), name.c_str(), link.data(), link.size());
    if (n < 0)
      return ErrorNumber();
    if (static_cast<std::size_t>(n) >= link.size())
      return ENAMETOOLONG;
    link.resize(static_cast<std::size_t>(n));
    SplitPath(link, folderPath, name);
    Descriptor next;
    if (const int error = OpenFolder(folder.Get(), folderPath, next))
      return error;
    folder = std::move(next);
  }
  return ELOOP;
}

// 0 when name is missing from folder or a regular file there; otherwise why it may not be replaced.
int CheckReplaceable(int folder, const std::string& name) {
  struct stat st;
  if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISREG(st.st_mode))
    return 0;
  return S_ISDIR(st.st_mode) ? EISDIR : kErrorNotRegularFile;
}

// FNV-1a, 64 bits: stable across builds and machines, which the leftovers of earlier runs rely on.
std::uint64_t NameCheck(std::string_view name) {
  std::uint64_t hash = 14695981039346656037ull;
  for (const char c : name) {
    hash ^= static_cast<std::uint8_t>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

// Every temporary of name in a folder whose names may be nameMax bytes long begins with this, then the
// number and kTemporarySuffix. It depends on name and nameMax only.
std::string TemporaryStem(std::string_view name, std::size_t nameMax) {
  const std::size_t headMax = nameMax > kTemporaryAddedLength ? nameMax - kTemporaryAddedLength : 0;
  std::size_t cut = std::min(name.size(), headMax);
  // A character the cut would split is left out whole, so that the head stays readable text; a name that
  // is no UTF-8 loses no more than a character's worth of bytes.
  for (std::size_t back = 0; cut < name.size() && cut > 0 && back < kMaxContinuationBytes &&
                             (static_cast<std::uint8_t>(name[cut]) & 0xC0) == 0x80;
       ++back)
    --cut;
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string check(kTemporaryCheckDigits, '0');
  std::uint64_t value = NameCheck(name);
  for (std::size_t i = kTemporaryCheckDigits; i-- > 0; value >>= 4)
    check[i] = kDigits[value & 0xF];
  return std::string(name.substr(0, cut)) + "." + check + ".";
}

// Whether entry is a temporary with that stem: the stem, the number as a save writes it, kTemporarySuffix.
bool IsTemporaryOf(std::string_view entry, std::string_view stem) {
  if (entry.size() < stem.size() + 1 + kTemporarySuffix.size() || entry.substr(0, stem.size()) != stem ||
      entry.substr(entry.size() - kTemporarySuffix.size()) != kTemporarySuffix)
    return false;
  const std::string_view number = entry.substr(stem.size(), entry.size() - kTemporarySuffix.size() - stem.size());
  if (number.size() > kTemporaryNumberMaxDigits || (number[0] == '0' && number.size() > 1))
    return false;
  return std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::size_t NameLimit(int folder) {
  const long limit = ::fpathconf(folder, _PC_NAME_MAX);
  return limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
}

// Makes the rename durable, then removes what killed saves of the same name left behind (see
// ReplaceFileAtomically). Only names are read: an entry is looked at itself, never through a link, and only
// when its name is a temporary's, so a link to a place that does not answer cannot stop a save. Failures
// change nothing the caller can act on: a leftover that stays is taken at the next save.
void SyncAndRemoveLeftovers(int folder, const std::string& stem) {
  Descriptor readable(OpenAt(folder, ".", O_RDONLY | O_DIRECTORY));
  if (readable.Get() < 0)
    return;
  (void)::fsync(readable.Get());
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::fdopendir(readable.Get()), ::closedir);
  if (!dir)
    return;
  (void)readable.Release(); // the listing owns it now
  std::vector<std::string> found;
  while (const dirent* entry = ::readdir(dir.get())) {
    if (IsTemporaryOf(entry->d_name, stem))
      found.emplace_back(entry->d_name);
  }
  for (const std::string& entry : found) {
    struct stat st;
    // Not a link, a folder or anything else that only looks like one; not one of a save under way.
    if (::fstatat(folder, entry.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        IsBefore(st.st_mtim, gLeftoverTimeLimit))
      (void)::unlinkat(folder, entry.c_str(), 0);
  }
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
  // Worked on by the folder's descriptor and names in it, so that the length of the whole path does not
  // matter, and the folder stays the one checked.
  Descriptor folder;
  std::string name;
  if (const int error = ResolveTarget(path, folder, name))
    return error;
  // A FIFO, a device or a socket would be replaced by a plain file (a device in /dev, for a privileged
  // user); nothing is made beside it either.
  if (const int error = CheckReplaceable(folder.Get(), name))
    return error;
  // Renaming needs only the folder's permission: a file that could not be written in
  // place (one we may not even have been able to read) is not replaced either.
  errno = 0;
  if (::faccessat(folder.Get(), name.c_str(), W_OK, 0) != 0 && errno != ENOENT)
    return ErrorNumber();
  struct stat old;
  const bool replacing = ::fstatat(folder.Get(), name.c_str(), &old, 0) == 0;

  // A unique name, so nothing left lying in the folder can block every later save.
  // A new file is created as a plain create would make it, so the umask (and a
  // folder's default permissions) apply; a replacement takes the old file's mode.
  const std::string stem = TemporaryStem(name, NameLimit(folder.Get()));
  std::random_device seed;
  std::mt19937 random(seed());
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temporary = stem + std::to_string(random() % kTemporaryNumberLimit) + std::string(kTemporarySuffix);
    errno = 0;
    fd = ::openat(folder.Get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                  replacing ? 0600 : 0666);
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
    result = CheckReplaceable(folder.Get(), name);
  errno = 0;
  if (!result && ::renameat(folder.Get(), temporary.c_str(), folder.Get(), name.c_str()) != 0)
    result = ErrorNumber();
  if (result) {
    (void)::unlinkat(folder.Get(), temporary.c_str(), 0);
    return result;
  }
  SyncAndRemoveLeftovers(folder.Get(), stem);
  return 0;
}

} // namespace QZ::Platform
