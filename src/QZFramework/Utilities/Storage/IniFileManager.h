#pragma once
// The settings store: settings files kept open by path, their keys read and written
// under the key prefix each file was opened with, saved as XML property lists.
// Every operation answers with one of the kIniFile... results below.

#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/XNode.h"

#include <cstdint>
#include <memory>
#include <string>

namespace QZ {

// Results of the settings store's operations.
inline constexpr std::int32_t kIniFileOk = 0;
inline constexpr std::int32_t kIniFileAlreadyOpen = 1; // OpenFile: the path is open already; its handle is given
inline constexpr std::int32_t kIniFileFailed = -1;
inline constexpr std::int32_t kIniFileNoSuchHandle = -3; // the handle names no open file

// Names one open file; 0 is never one. A closed file's handle is not given out again.
using IniFileHandle = std::uintptr_t;

class IIniFileManager {
public:
  virtual std::int32_t Reserved(std::intptr_t value) = 0;
  // Saves every modified file (failures ignored) and closes all.
  virtual std::int32_t CloseAll() = 0;
  // The path is a path text (PathText.h), compared byte for byte with the open
  // files' paths; -1 for a text that names no path. A file that cannot be loaded
  // (missing, damaged, larger than XNode::kMaxFileSize, no regular file) starts as a
  // new document holding the application name; one that is no regular file is never
  // written, so its document lives in memory for the run (saves answer -1).
  [[nodiscard]] virtual std::int32_t OpenFile(WideString path, WideString keyPrefix, WideString applicationName,
                                              IniFileHandle& handle) = 0;
  // Writes only a modified file; -1 when it could not be written (it stays modified
  // and the file on disk is the one saved before).
  [[nodiscard]] virtual std::int32_t SaveFile(IniFileHandle handle) = 0;
  virtual bool KeyExists(IniFileHandle handle, WideString key) = 0;
  // With save: the save result; the file is closed either way.
  virtual std::int32_t CloseFile(IniFileHandle handle, bool save) = 0;
  virtual std::int32_t GetInt(IniFileHandle handle, WideString key, std::int32_t defaultValue,
                              std::int32_t& value) = 0;
  virtual std::int32_t SetInt(IniFileHandle handle, WideString key, std::int32_t value) = 0;
  virtual std::int32_t GetString(IniFileHandle handle, WideString key, WideString defaultValue,
                                 WideString& value) = 0;
  virtual std::int32_t SetString(IniFileHandle handle, WideString key, WideString value) = 0;
  virtual std::int32_t GetChildCount(IniFileHandle handle, WideString key, std::int32_t& count) = 0;
  virtual std::int32_t GetChildName(IniFileHandle handle, WideString key, std::int32_t index,
                                    WideString& name) = 0;
  virtual std::int32_t GetArrayCount(IniFileHandle handle, WideString key, std::int32_t& count) = 0;
  virtual std::int32_t SetArraySize(IniFileHandle handle, WideString key, std::int32_t count) = 0;
  virtual std::int32_t GetArrayString(IniFileHandle handle, WideString key, std::int32_t index,
                                      WideString& value) = 0;
  virtual std::int32_t SetArrayString(IniFileHandle handle, WideString key, std::int32_t index,
                                      WideString value) = 0;
  virtual std::int32_t RemoveArrayItem(IniFileHandle handle, WideString key, std::int32_t index) = 0;

protected:
  ~IIniFileManager() = default;
};

class CIniFileManagerProxy : public IIniFileManager {
public:
  // Arrays are kept to indexes the property-list tree creates items up to.
  static constexpr std::int32_t kMaxArrayCount = static_cast<std::int32_t>(XNode::kMaxCreatedIndex) + 1;

  CIniFileManagerProxy();
  // Drops the open files without saving them.
  virtual ~CIniFileManagerProxy();
  CIniFileManagerProxy(const CIniFileManagerProxy&) = delete;
  CIniFileManagerProxy& operator=(const CIniFileManagerProxy&) = delete;

  std::int32_t Reserved(std::intptr_t value) override;
  std::int32_t CloseAll() override;
  [[nodiscard]] std::int32_t OpenFile(WideString path, WideString keyPrefix, WideString applicationName,
                                      IniFileHandle& handle) override;
  [[nodiscard]] std::int32_t SaveFile(IniFileHandle handle) override;
  bool KeyExists(IniFileHandle handle, WideString key) override;
  std::int32_t CloseFile(IniFileHandle handle, bool save) override;
  std::int32_t GetInt(IniFileHandle handle, WideString key, std::int32_t defaultValue,
                      std::int32_t& value) override;
  std::int32_t SetInt(IniFileHandle handle, WideString key, std::int32_t value) override;
  std::int32_t GetString(IniFileHandle handle, WideString key, WideString defaultValue,
                         WideString& value) override;
  std::int32_t SetString(IniFileHandle handle, WideString key, WideString value) override;
  std::int32_t GetChildCount(IniFileHandle handle, WideString key, std::int32_t& count) override;
  std::int32_t GetChildName(IniFileHandle handle, WideString key, std::int32_t index, WideString& name) override;
  std::int32_t GetArrayCount(IniFileHandle handle, WideString key, std::int32_t& count) override;
  std::int32_t SetArraySize(IniFileHandle handle, WideString key, std::int32_t count) override;
  std::int32_t GetArrayString(IniFileHandle handle, WideString key, std::int32_t index,
                              WideString& value) override;
  std::int32_t SetArrayString(IniFileHandle handle, WideString key, std::int32_t index, WideString value) override;
  std::int32_t RemoveArrayItem(IniFileHandle handle, WideString key, std::int32_t index) override;

  struct MemberData {
    struct IniFileInfo {
      std::string path;      // UTF-8, as opened
      std::string keyPrefix; // the caller's prefix, "." made "_", then "."
      std::unique_ptr<XNode> root;
      std::int32_t modified = 0;
      IniFileHandle handle = 0;
    };

    CIniFileManagerProxy* proxy = nullptr;
    Array<IniFileInfo*> files; // in the order opened; owned
    IniFileHandle lastHandle = 0;
  };

private:
  MemberData::IniFileInfo* Find(IniFileHandle handle) const;
  void Remove(MemberData::IniFileInfo* info);
  // The node the key names in the file, created along the way when create is set.
  // Null when there is none, or when a created node (or, with forItems, an item
  // below it) would nest deeper than a file can hold.
  static XNode* Resolve(MemberData::IniFileInfo& info, const WideString& key, bool create, bool forItems = false);

  MemberData mData;
};

// The reference-counted settings manager: every operation is its proxy's.
class LIniFileManager : public IIniFileManager, public virtual LRefCountedObject {
public:
  // The value is not used.
  explicit LIniFileManager(std::int32_t reserved = 0);
  // Destroys the proxy; open files are neither saved nor closed on disk.
  ~LIniFileManager() override;
  LIniFileManager(const LIniFileManager&) = delete;
  LIniFileManager& operator=(const LIniFileManager&) = delete;

  std::int32_t Reserved(std::intptr_t value) override;
  std::int32_t CloseAll() override;
  [[nodiscard]] std::int32_t OpenFile(WideString path, WideString keyPrefix, WideString applicationName,
                                      IniFileHandle& handle) override;
  [[nodiscard]] std::int32_t SaveFile(IniFileHandle handle) override;
  bool KeyExists(IniFileHandle handle, WideString key) override;
  std::int32_t CloseFile(IniFileHandle handle, bool save) override;
  std::int32_t GetInt(IniFileHandle handle, WideString key, std::int32_t defaultValue,
                      std::int32_t& value) override;
  std::int32_t SetInt(IniFileHandle handle, WideString key, std::int32_t value) override;
  std::int32_t GetString(IniFileHandle handle, WideString key, WideString defaultValue,
                         WideString& value) override;
  std::int32_t SetString(IniFileHandle handle, WideString key, WideString value) override;
  std::int32_t GetChildCount(IniFileHandle handle, WideString key, std::int32_t& count) override;
  std::int32_t GetChildName(IniFileHandle handle, WideString key, std::int32_t index, WideString& name) override;
  std::int32_t GetArrayCount(IniFileHandle handle, WideString key, std::int32_t& count) override;
  std::int32_t SetArraySize(IniFileHandle handle, WideString key, std::int32_t count) override;
  std::int32_t GetArrayString(IniFileHandle handle, WideString key, std::int32_t index,
                              WideString& value) override;
  std::int32_t SetArrayString(IniFileHandle handle, WideString key, std::int32_t index, WideString value) override;
  std::int32_t RemoveArrayItem(IniFileHandle handle, WideString key, std::int32_t index) override;

private:
  CIniFileManagerProxy* mProxy;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LIniFileManager, "class QZ::LIniFileManager")
