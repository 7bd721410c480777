#include "Panel/Main/ApplicationFolders.h"

#include "Platform/Folders/Folders.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/PathText.h"
#include "QZFramework/Utilities/Storage/QZFile.h"

#include <stdexcept>
#include <utility>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "include\\../Application/ApplicationBaseWin";

// The folder's path text: a home folder whose name is not UTF-8 keeps each of its bytes, so that the
// settings are stored there and not in a folder cut at the first such byte.
WideString PlatformFolder(Platform::FolderKind kind) {
  WideString folder;
  if (!PathTextFromBytes(Platform::GetFolder(kind), folder))
    folder.Clear();
  return folder;
}

// base/company/product, each level made when missing; empty when the base is.
WideString ProductFolder(const WideString& base, const WideString& companyName, const WideString& productName) {
  if (base.IsEmpty())
    return base;
  const WideString separator(u"/");
  const WideString company = base.Concat(separator).Concat(MakeValidFileName(companyName));
  static_cast<void>(EnsureDirectoryExists(company));
  const WideString product = company.Concat(separator).Concat(MakeValidFileName(productName));
  static_cast<void>(EnsureDirectoryExists(product));
  return product;
}

} // namespace

WideString GetApplicationFolder(std::int32_t pathId, const WideString& companyName,
                                const WideString& productName) {
  switch (pathId) {
  case kFolderExecutable:
    return PlatformFolder(Platform::FolderKind::kExecutable);
  case kFolderResources:
    return kResourceFolder;
  case kFolderApplicationData:
    return ProductFolder(PlatformFolder(Platform::FolderKind::kDataHome), companyName, productName);
  case kFolderLocalApplicationData:
    return ProductFolder(PlatformFolder(Platform::FolderKind::kConfigHome), companyName, productName);
  case kFolderDocuments:
  case kFolderDocumentsAlias1:
  case kFolderDocumentsAlias2:
    return PlatformFolder(Platform::FolderKind::kDocuments);
  default:
    ThrowException<std::out_of_range>("Unknown Path ID.", "QZ::MFCFrameworkApp<class LApplication>::GetFolder",
                                      kSourcePath, 582);
  }
}

CSettingsFiles::CSettingsFiles(IIniFileManager& manager, FolderFunction folder, WideString settingsVersion,
                               WideString applicationName)
    : mManager(manager), mFolder(std::move(folder)), mSettingsVersion(std::move(settingsVersion)),
      mApplicationName(std::move(applicationName)) {}

IniFileHandle CSettingsFiles::Get(std::int32_t kind) {
  if (kind == kSettingsFileApplication)
    return Open(kFolderApplicationData, kApplicationSettingsFileName, mApplicationSettings);
  if (kind == kSettingsFileUser)
    return Open(kFolderLocalApplicationData, kUserSettingsFileName, mUserSettings);
  return 0;
}

IniFileHandle CSettingsFiles::Open(std::int32_t folderId, const char16_t* fileName, IniFileHandle& handle) {
  if (handle != 0)
    return handle;
  // Without its folder the file has nowhere to be saved: it stays unopened.
  const WideString folder = mFolder(folderId);
  if (folder.IsEmpty())
    return handle;
  const WideString path = folder.Concat(WideString(u"/")).Concat(WideString(fileName));
  IniFileHandle opened = 0;
  if (mManager.OpenFile(path, mSettingsVersion, mApplicationName, opened) >= 0)
    handle = opened;
  return handle;
}

} // namespace QZ
