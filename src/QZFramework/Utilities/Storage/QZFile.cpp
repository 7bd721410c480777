#include "QZFramework/Utilities/Storage/QZFile.h"

#include "QZFramework/ObjectBase/Exception.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <vector>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "Utilities\\Storage\\QZFile";

[[noreturn]] void Fail(const char* what, const char* function, int line) {
  ThrowException<std::runtime_error>(what, function, kSourcePath, line);
}

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

WideString Joined(const WideString& folder, const WideString& name) {
  return folder.Concat(WideString(kPathSeparator)).Concat(name);
}

bool StatPath(const WideString& path, struct stat& st) {
  const NarrowString utf8 = path.ToNarrow();
  return !path.IsEmpty() && ::stat(utf8.GetChars(), &st) == 0;
}

char16_t FoldAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + (u'a' - u'A')) : c; }

// * any run, ? one code unit; ASCII letter case ignored, as the file systems this
// pattern syntax comes from do.
bool WildcardMatch(const char16_t* pattern, const char16_t* name) {
  const char16_t* starPattern = nullptr;
  const char16_t* starName = nullptr;
  while (*name) {
    if (*pattern == u'*') {
      starPattern = ++pattern;
      starName = name;
    } else if (*pattern == u'?' || (*pattern && FoldAscii(*pattern) == FoldAscii(*name))) {
      ++pattern;
      ++name;
    } else if (starPattern) {
      pattern = starPattern;
      name = ++starName;
    } else {
      return false;
    }
  }
  while (*pattern == u'*')
    ++pattern;
  return *pattern == 0;
}

} // namespace

// ---------------------------------------------------------------------------
// File

File::File(const WideString& folder, const WideString& name, std::uint32_t flags) : mFlags(flags) {
  Open(folder, name, flags);
}

File::~File() { Close(); }

int File::Descriptor() const { return IsOpen() && mDescriptor->mValue ? *mDescriptor->mValue : -1; }

QZRESULT File::Open(const WideString& folder, const WideString& name, std::uint32_t flags) {
  if (IsOpen())
    return 1;
  if (!name.IsEmpty()) {
    mFileName = name;
    mFullPath = Joined(folder, name);
  } else {
    if (folder.IsEmpty())
      Fail("invalid pathname", "QZ::File::Open", 318);
    mFileName.Clear();
    mFullPath = folder;
  }
  mFlags = flags;

  int mode = O_CLOEXEC | ((flags & kReadWrite) ? O_RDWR : O_RDONLY);
  if (flags & kCreate) {
    mode |= O_CREAT;
    if (flags & kExclusive)
      mode |= O_EXCL;
  }
  // Non-blocking only while opening, so that a FIFO at the path cannot hang us
  // before it is turned away below.
  const NarrowString path = mFullPath.ToNarrow();
  int fd;
  do
    fd = ::open(path.GetChars(), mode | O_NONBLOCK, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0)
    return E_FAIL;

  struct stat st;
  const int status = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || status < 0 ||
      ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return E_FAIL;
  }
  RCPtr<LHolder<int>> holder = LHolder<int>::Create();
  if (!holder->mValue) {
    ::close(fd);
    return E_FAIL;
  }
  *holder->mValue = fd;
  mDescriptor = holder;
  return S_OK;
}

QZRESULT File::Close() {
  if (!IsOpen() || mDescriptor->GetRefCount() > 1)
    return S_OK;
  const int fd = Descriptor();
  if (fd >= 0)
    ::close(fd);
  if (mFlags & kDeleteOnClose) {
    const NarrowString path = mFullPath.ToNarrow();
    ::unlink(path.GetChars());
  }
  mDescriptor = RCPtr<LHolder<int>>();
  return S_OK;
}

std::int32_t File::Read(void* buffer, std::uint32_t count, std::int64_t offset) {
  const int fd = Descriptor();
  if (offset != -1 && ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) != offset)
    Fail("lseek", "QZ::File::Read", 472);
  const std::size_t wanted = count > INT32_MAX ? INT32_MAX : count;
  ssize_t n;
  do
    n = ::read(fd, buffer, wanted);
  while (n < 0 && errno == EINTR);
  if (n < 0)
    Fail("read", "QZ::File::Read", 500);
  return static_cast<std::int32_t>(n);
}

std::int32_t File::Write(const void* buffer, std::uint32_t count, std::int64_t offset) {
  if (!(mFlags & kReadWrite))
    Fail("file is read only", "QZ::File::Write", 579);
  const int fd = Descriptor();
  if (offset != -1 && ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) != offset)
    Fail("lseek", "QZ::File::Write", 588);
  // A short write is continued; a count below the one asked for then means the
  // system refused the rest (a full disk), not that it was interrupted.
  const std::size_t wanted = count > INT32_MAX ? INT32_MAX : count;
  const auto* bytes = static_cast<const char*>(buffer);
  std::size_t done = 0;
  while (done < wanted) {
    const ssize_t n = ::write(fd, bytes + done, wanted - done);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0) {
      if (done == 0)
        Fail("write", "QZ::File::Write", 627);
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  return static_cast<std::int32_t>(done);
}

std::int64_t File::Seek(std::int64_t offset, int origin) {
  const off_t position = ::lseek(Descriptor(), static_cast<off_t>(offset), origin);
  return position < 0 ? -1 : static_cast<std::int64_t>(position);
}

std::uint32_t File::GetLength() const {
  if (!IsOpen())
    return 0;
  struct stat st;
  if (::fstat(Descriptor(), &st) != 0 || st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > UINT32_MAX)
    Fail("fstat", "QZ::File::GetLength", 126);
  return static_cast<std::uint32_t>(st.st_size);
}

// ---------------------------------------------------------------------------
// Paths

WideString MakeValidFileName(const WideString& text) {
  WideString result = text;
  result.ReplaceChars(u"\\/:*?\"<>|&;,^()", u'_');
  return result;
}

bool FileExists(const WideString& path) {
  struct stat st;
  return StatPath(path, st) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(const WideString& path) {
  NarrowString utf8 = path.ToNarrow();
  std::string text(utf8.GetChars());
  if (text.size() > 1 && text.back() == '/')
    text.pop_back();
  struct stat st;
  return !text.empty() && ::stat(text.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

QZRESULT EnsureDirectoryExists(const WideString& path) {
  struct stat st;
  if (StatPath(path, st))
    return S_ISDIR(st.st_mode) ? 1 : E_FAIL;
  return CreateDirectoryChain(path, false) ? S_OK : E_FAIL;
}

bool CreateDirectoryChain(const WideString& path, bool parentOnly) {
  // Only "/" separates here: a backslash is an ordinary character in a POSIX name,
  // and splitting at it would make folders nobody asked for.
  const std::string utf8 = path.ToNarrow().GetChars();
  if (utf8.empty())
    return false;
  std::size_t last = std::string::npos;
  for (std::size_t i = 1; i < utf8.size(); ++i) {
    if (utf8[i] != '/')
      continue;
    last = i;
    ::mkdir(utf8.substr(0, i).c_str(), 0777);
  }
  if (!parentOnly) {
    ::mkdir(utf8.c_str(), 0777);
    return ::access(utf8.c_str(), F_OK) == 0;
  }
  if (last == std::string::npos)
    return true;
  return ::access(utf8.substr(0, last).c_str(), F_OK) == 0;
}

WideString GetLongPath(const WideString& path) {
  if (path.IsEmpty())
    return path;
  const NarrowString utf8 = path.ToNarrow();
  std::unique_ptr<char, void (*)(void*)> resolved(::realpath(utf8.GetChars(), nullptr), std::free);
  if (!resolved)
    return path;
  WideString result;
  if (result.ConvertFromNarrow(resolved.get(), -1) != S_OK)
    return path;
  return result;
}

QZRESULT FindFiles(const WideString& folder, const WideString& pattern, StringArrayT<char16_t, char>& out) {
  out.SetSize(0);
  if (!DirectoryExists(folder))
    return E_NOTIMPL;
  const WideString wildcard = pattern.EqualsString(WideString(u"*.*")) ? WideString(u"*") : pattern;
  const NarrowString utf8Folder = folder.ToNarrow();
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(utf8Folder.GetChars()), ::closedir);
  if (!dir)
    return E_FAIL;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(dir.get());
    if (!entry)
      break;
    WideString name;
    // A name that is not UTF-8 has no wide form that opens the same file again.
    if (name.ConvertFromNarrow(entry->d_name, -1) != S_OK || name.IsEmpty())
      continue;
    if (!WildcardMatch(wildcard.GetChars(), name.GetChars()))
      continue;
    const WideString full = Joined(folder, name);
    struct stat st;
    bool isFolder = entry->d_type == DT_DIR;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK)
      isFolder = StatPath(full, st) && S_ISDIR(st.st_mode);
    if (isFolder)
      continue;
    out.InsertItem(out.GetCount(), full);
  }
  if (errno != 0)
    return E_FAIL;
  return static_cast<QZRESULT>(out.GetCount());
}

WideString ExtractFolderPath(const WideString& path) {
  const char16_t* chars = path.GetChars();
  for (std::uint32_t i = path.GetLength(); i-- > 0;) {
    if (IsSeparator(chars[i]))
      return path.Left(static_cast<std::int32_t>(i));
  }
  return path;
}

WideString ExtractFileName(const WideString& path) {
  const char16_t* chars = path.GetChars();
  const std::uint32_t length = path.GetLength();
  for (std::uint32_t i = length; i-- > 0;) {
    if (IsSeparator(chars[i]))
      return i + 1 < length ? path.MidToEnd(static_cast<std::int32_t>(i + 1)) : path;
  }
  return path;
}

} // namespace QZ
