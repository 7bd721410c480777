#pragma once
// Binary files opened by folder and name, and the path helpers. Paths are wide
// strings, handed to the system as the exact bytes their path text stands for
// (PathText: a name that is not UTF-8 keeps each of its bytes); a text that is no
// path's text names no file. Read, write and measuring failures throw the
// framework's Runtime Error; opening reports a result.

#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/Utilities/Storage/Holder.h"
#include "QZFramework/Utilities/Storage/StringArrayT.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>

namespace QZ {

// The separator File::Open and FindFiles join with. The pure path splitters accept
// a backslash as well.
inline constexpr char16_t kPathSeparator = u'/';

class File {
public:
  // Mode flags, any combination.
  static constexpr std::uint32_t kRead = 0x10000;      // every mode without kReadWrite is read-only
  static constexpr std::uint32_t kReadWrite = 0x20000; // Write is allowed only with it
  static constexpr std::uint32_t kExclusive = 0x40000; // with kCreate: fail when the file exists
  static constexpr std::uint32_t kCreate = 0x80000;    // create a missing file
  static constexpr std::uint32_t kDeleteOnClose = 0x100000;

  // Opens through Open; a file that does not open leaves the object closed. Both
  // texts empty throws the invalid-pathname error.
  File(const WideString& folder, const WideString& name, std::uint32_t flags);
  virtual ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // 1 when a file is open already (nothing changes), 0 when open afterwards, E_FAIL.
  // A non-empty name is joined to the folder with kPathSeparator; an empty name
  // opens the folder text itself. Only regular files open. No mode truncates.
  virtual QZRESULT Open(const WideString& folder, const WideString& name, std::uint32_t flags);
  // Always 0. Deletes the file when it was opened with kDeleteOnClose.
  virtual QZRESULT Close();
  // Offset -1 continues at the current position. Returns the bytes transferred
  // (0 at the end of the file); throws on failure, the file staying open.
  virtual std::int32_t Read(void* buffer, std::uint32_t count, std::int64_t offset = -1);
  virtual std::int32_t Write(const void* buffer, std::uint32_t count, std::int64_t offset = -1);
  // Origin 0 start, 1 current, 2 end. The new position, or -1; never throws.
  virtual std::int64_t Seek(std::int64_t offset, int origin);

  // 0 when no file is open. Throws when the size cannot be had or does not fit 32 bits.
  std::uint32_t GetLength() const;

  bool IsOpen() const { return !mDescriptor.IsNull(); }
  const WideString& GetFileName() const { return mFileName; }
  const WideString& GetFullPath() const { return mFullPath; }
  std::uint32_t GetFlags() const { return mFlags; }

private:
  int Descriptor() const;

  RCPtr<LHolder<int>> mDescriptor;
  WideString mFileName;
  WideString mFullPath;
  std::uint32_t mFlags = 0;
};

// Each of \ / : * ? " < > | & ; , ^ ( ) becomes an underscore.
WideString MakeValidFileName(const WideString& text);
// True when the path exists and is not a folder.
bool FileExists(const WideString& path);
bool DirectoryExists(const WideString& path);
// 1 when the folder exists, E_FAIL when a file occupies the path; otherwise makes
// the folders along it: 0 when the folder exists afterwards, else E_FAIL.
QZRESULT EnsureDirectoryExists(const WideString& path);
// Makes every folder along the path (and, unless parentOnly, the path itself);
// failures on the way are ignored. True when the path (or its parent) exists then.
bool CreateDirectoryChain(const WideString& path, bool parentOnly);
// The canonical form of an existing path; the path unchanged when it has none.
WideString GetLongPath(const WideString& path);
// Appends folder/name for every entry of the folder that is not a folder and whose
// name matches the pattern (* and ?, ASCII letter case ignored, "*.*" matches all).
// The count, E_NOTIMPL for a missing folder, E_FAIL when the listing fails (what was
// found stays in out).
QZRESULT FindFiles(const WideString& folder, const WideString& pattern, StringArrayT<char16_t, char>& out);
// The text before the last separator; the whole text without one.
WideString ExtractFolderPath(const WideString& path);
// The text after the last separator; the whole text without one or when it ends the text.
WideString ExtractFileName(const WideString& path);

} // namespace QZ
