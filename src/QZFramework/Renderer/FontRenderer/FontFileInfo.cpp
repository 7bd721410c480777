#include "QZFramework/Renderer/FontRenderer/FontFileInfo.h"

#include "Platform/Fonts/FontFolders.h"
#include "QZFramework/AppServices/FrameworkApp.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Renderer/FontRenderer/FontNameReader.h"
#include "QZFramework/Utilities/Storage/QZFile.h"
#include "QZFramework/Utilities/Storage/RCPtrArray.h"
#include "QZFramework/Utilities/Storage/RCPtrMap.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "Renderer\\FontRenderer\\FontFileInfo";

class FontFileRecord : public LFontFileInfo {};

RCPtrArray<LFontFileInfo, 1, 0>& FileList() {
  static RCPtrArray<LFontFileInfo, 1, 0> sList;
  return sList;
}

RCPtrMap<LFont, LFontFileInfo, 8>& FileMap() {
  static RCPtrMap<LFont, LFontFileInfo, 8> sMap;
  return sMap;
}

class FileByteSource : public IFontByteSource {
public:
  explicit FileByteSource(File& file) : mFile(file) {}
  std::uint64_t GetLength() override { return mFile.GetLength(); }
  std::uint32_t ReadAt(void* buffer, std::uint32_t count, std::uint64_t offset) override {
    const std::int32_t n = mFile.Read(buffer, count, static_cast<std::int64_t>(offset));
    return n < 0 ? 0 : static_cast<std::uint32_t>(n);
  }

private:
  File& mFile;
};

// Searched from the last record to the first; exact letter case.
RCPtr<LFontFileInfo> FindFamily(const WideString& family) {
  RCPtrArray<LFontFileInfo, 1, 0>& list = FileList();
  for (std::uint32_t i = list.GetCount(); i-- > 0;) {
    if (list.GetAt(i)->mFamilyName.EqualsString(family))
      return list.GetAt(i);
  }
  return nullptr;
}

std::int32_t StyleIndexOf(const std::u16string& subfamily) {
  if (subfamily == u"bold")
    return 1;
  if (subfamily == u"italic")
    return 2;
  if (subfamily == u"bold italic")
    return 3;
  return 0;
}

void RegisterFile(const WideString& path) {
  File file(path, WideString(), File::kRead);
  if (!file.IsOpen())
    return;
  FileByteSource source(file);
  std::vector<SFontName> names;
  ReadFontNames(source, names);
  for (const SFontName& name : names) {
    WideString family;
    family.AssignChars(name.mFamily.c_str(), static_cast<std::uint32_t>(name.mFamily.size()));
    RCPtr<LFontFileInfo> record = FindFamily(family);
    if (!record) {
      record = LFontFileInfo::AddFontFile();
      record->mFamilyName = family;
    }
    // The last file registered for a family and style wins.
    record->SetPath(StyleIndexOf(name.mSubfamily), path);
  }
}

// For each wanted style, the order in which the paths stand in for it.
constexpr std::int32_t kFallBackOrder[4][4] = {
    {0, 1, 2, 3}, // regular: regular, bold, italic, bold italic
    {1, 3, 0, 2}, // bold: bold, bold italic, regular, italic
    {2, 3, 0, 1}, // italic: italic, bold italic, regular, bold
    {3, 1, 2, 0}, // bold italic: bold italic, bold, italic, regular
};

} // namespace

QZRESULT LFontFileInfo::ScanFontFolder() {
  Clear();
  std::vector<std::string> folders;
  if (!Platform::GetSystemFontFolders(folders))
    return E_FAIL;
  std::vector<std::string> files;
  Platform::FindFontFiles(folders, files);
  for (const std::string& path : files)
    RegisterFile(WideString(path.c_str()));
  return S_OK;
}

RCPtr<LFontFileInfo> LFontFileInfo::AddFontFile() {
  RCPtr<LFontFileInfo> record = MakeRCPtr<FontFileRecord>();
  record->mIndex = static_cast<std::int32_t>(FileList().GetCount());
  FileList().AddItem(record);
  return record;
}

std::int32_t LFontFileInfo::GetFileID(const ConstRCPtr<LFont>& font) {
  RCPtr<LFontFileInfo> record = FileMap().Lookup(font);
  if (!record && font) {
    record = FindFamily(font->GetFace());
    if (!record) {
      WideString face;
      float size = 0;
      std::int32_t style = 0;
      IFrameworkApp* app = GetFrameworkApp();
      if (app && app->GetSystemFont(face, size, style) >= 0)
        record = FindFamily(face);
    }
    if (record)
      FileMap().Set(font, record);
  }
  if (!record)
    ThrowException<std::runtime_error>("", "QZ::LFontFileInfo::GetFileID", kSourcePath, 469);

  const std::int32_t s = font->GetStyle() & (kFontStyleBold | kFontStyleItalic);
  if (record->GetPath(s).IsEmpty()) {
    for (const std::int32_t candidate : kFallBackOrder[s]) {
      if (!record->GetPath(candidate).IsEmpty()) {
        record->SetPath(s, record->GetPath(candidate));
        break;
      }
    }
  }
  return record->mIndex * 4 + s;
}

const WideString& LFontFileInfo::GetFilePath(std::int32_t fileID) {
  static const WideString sEmpty;
  if (fileID < 0)
    return sEmpty;
  const std::uint32_t position = static_cast<std::uint32_t>(fileID) >> 2;
  if (position >= FileList().GetCount())
    return sEmpty;
  return FileList().GetAt(position)->GetPath(fileID & 3);
}

void LFontFileInfo::Clear() {
  FileMap().RemoveAll();
  FileList().RemoveAll();
}

std::uint32_t LFontFileInfo::GetFileInfoCount() { return FileList().GetCount(); }

RCPtr<LFontFileInfo> LFontFileInfo::GetFileInfo(std::uint32_t index) {
  return index < FileList().GetCount() ? FileList().GetAt(index) : RCPtr<LFontFileInfo>();
}

WideString* LFontFileInfo::PathSlot(std::int32_t styleIndex) {
  switch (styleIndex) {
  case 1:
    return &mBoldPath;
  case 2:
    return &mItalicPath;
  case 3:
    return &mBoldItalicPath;
  default:
    return &mRegularPath;
  }
}

const WideString& LFontFileInfo::GetPath(std::int32_t styleIndex) const {
  switch (styleIndex) {
  case 1:
    return mBoldPath;
  case 2:
    return mItalicPath;
  case 3:
    return mBoldItalicPath;
  default:
    return mRegularPath;
  }
}

void LFontFileInfo::SetPath(std::int32_t styleIndex, const WideString& path) { *PathSlot(styleIndex) = path; }

} // namespace QZ
