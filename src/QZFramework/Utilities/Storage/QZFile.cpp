#include "QZFramework/Utilities/Storage/QZFile.h"

#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/PathText.h"

#include "Platform/Files/Files.h"

#include <climits>
#include <stdexcept>
#include <string>

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

// The bytes a path's text stands for; empty for a text that is no path's text, which names no file.
std::string SystemPath(const WideString& path) {
  std::string bytes;
  return PathBytesFromText(path, bytes) ? bytes : std::string();
}

Platform::PathKind KindOf(const WideString& path) {
  const std::string bytes = SystemPath(path);
  return bytes.empty() ? Platform::PathKind::kMissing : Platform::GetPathKind(bytes.c_str());
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

  std::uint32_t mode = (flags & kReadWrite) ? Platform::kOpenReadWrite : 0;
  if (flags & kCreate) {
    mode |= Platform::kOpenCreate;
    if (flags & kExclusive)
      mode |= Platform::kOpenExclusive;
  }
  const std::string path = SystemPath(mFullPath);
  const Platform::FileDescriptor fd =
      path.empty() ? Platform::kNoFile : Platform::OpenRegularFile(path.c_str(), mode);
  if (fd == Platform::kNoFile)
    return E_FAIL;
  RCPtr<LHolder<int>> holder = LHolder<int>::Create();
  if (!holder->mValue) {
    Platform::CloseFile(fd);
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
  Platform::CloseFile(fd);
  if (mFlags & kDeleteOnClose) {
    const std::string path = SystemPath(mFullPath);
    if (!path.empty())
      (void)Platform::RemoveFile(path.c_str());
  }
  mDescriptor = RCPtr<LHolder<int>>();
  return S_OK;
}

std::int32_t File::Read(void* buffer, std::uint32_t count, std::int64_t offset) {
  const int fd = Descriptor();
  if (offset != -1 && Platform::SeekFile(fd, offset, 0) != offset)
    Fail("lseek", "QZ::File::Read", 472);
  const std::size_t wanted = count > INT32_MAX ? INT32_MAX : count;
  const std::int64_t n = Platform::ReadFile(fd, buffer, wanted);
  if (n < 0)
    Fail("read", "QZ::File::Read", 500);
  return static_cast<std::int32_t>(n);
}

std::int32_t File::Write(const void* buffer, std::uint32_t count, std::int64_t offset) {
  if (!(mFlags & kReadWrite))
    Fail("file is read only", "QZ::File::Write", 579);
  const int fd = Descriptor();
  if (offset != -1 && Platform::SeekFile(fd, offset, 0) != offset)
    Fail("lseek", "QZ::File::Write", 588);
  // A count below the one asked for means the system refused the rest (a full
  // disk), not that it was interrupted.
  const std::size_t wanted = count > INT32_MAX ? INT32_MAX : count;
  const std::int64_t done = Platform::WriteFile(fd, buffer, wanted);
  if (done < 0 || (done == 0 && wanted > 0))
    Fail("write", "QZ::File::Write", 627);
  return static_cast<std::int32_t>(done);
}

std::int64_t File::Seek(std::int64_t offset, int origin) {
  return Platform::SeekFile(Descriptor(), offset, origin);
}

std::uint32_t File::GetLength() const {
  if (!IsOpen())
    return 0;
  std::uint64_t size = 0;
  if (!Platform::GetFileSize(Descriptor(), size) || size > UINT32_MAX)
    Fail("fstat", "QZ::File::GetLength", 126);
  return static_cast<std::uint32_t>(size);
}

// ---------------------------------------------------------------------------
// Paths

WideString MakeValidFileName(const WideString& text) {
  WideString result = text;
  result.ReplaceChars(u"\\/:*?\"<>|&;,^()", u'_');
  return result;
}

bool FileExists(const WideString& path) {
  const Platform::PathKind kind = KindOf(path);
  return kind != Platform::PathKind::kMissing && kind != Platform::PathKind::kDirectory;
}

bool DirectoryExists(const WideString& path) {
  std::string text = SystemPath(path);
  if (text.size() > 1 && text.back() == '/')
    text.pop_back();
  return !text.empty() && Platform::GetPathKind(text.c_str()) == Platform::PathKind::kDirectory;
}

QZRESULT EnsureDirectoryExists(const WideString& path) {
  const Platform::PathKind kind = KindOf(path);
  if (kind != Platform::PathKind::kMissing)
    return kind == Platform::PathKind::kDirectory ? 1 : E_FAIL;
  return CreateDirectoryChain(path, false) ? S_OK : E_FAIL;
}

bool CreateDirectoryChain(const WideString& path, bool parentOnly) {
  // Only "/" separates here: a backslash is an ordinary character in a POSIX name,
  // and splitting at it would make folders nobody asked for.
  const std::string bytes = SystemPath(path);
  if (bytes.empty())
    return false;
  std::size_t last = std::string::npos;
  for (std::size_t i = 1; i < bytes.size(); ++i) {
    if (bytes[i] != '/')
      continue;
    last = i;
    (void)Platform::MakeDirectory(bytes.substr(0, i).c_str());
  }
  if (!parentOnly) {
    (void)Platform::MakeDirectory(bytes.c_str());
    return Platform::PathExists(bytes.c_str());
  }
  if (last == std::string::npos)
    return true;
  return Platform::PathExists(bytes.substr(0, last).c_str());
}

WideString GetLongPath(const WideString& path) {
  if (path.IsEmpty())
    return path;
  const std::string bytes = SystemPath(path);
  std::string resolved;
  if (bytes.empty() || !Platform::GetRealPath(bytes.c_str(), resolved))
    return path;
  WideString result;
  if (!PathTextFromBytes(resolved, result))
    return path;
  return result;
}

QZRESULT FindFiles(const WideString& folder, const WideString& pattern, StringArrayT<char16_t, char>& out) {
  out.SetSize(0);
  if (!DirectoryExists(folder))
    return E_NOTIMPL;
  const WideString wildcard = pattern.EqualsString(WideString(u"*.*")) ? WideString(u"*") : pattern;
  const std::string folderBytes = SystemPath(folder);
  const bool listed = Platform::ListDirectory(folderBytes.c_str(), [&](const Platform::DirectoryEntry& entry) {
    if (entry.isDirectory)
      return;
    WideString name;
    // A name that is not UTF-8 has no wide form that opens the same file again.
    if (name.ConvertFromNarrow(entry.name.c_str(), -1) != S_OK || name.IsEmpty())
      return;
    if (WildcardMatch(wildcard.GetChars(), name.GetChars()))
      out.InsertItem(out.GetCount(), Joined(folder, name));
  });
  if (!listed)
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
