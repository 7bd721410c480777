#pragma once
// The editor's folders by path id, and its two settings files.
//
// Path ids: 0 the program's folder; 1 "::", the resources compiled into the program; 2 the application data
// folder (the XDG data home; no folder is writable by every user here) and 3 the user's local application
// data folder (the XDG config home), each + "/" + company + "/" + product, every missing level made; 4 the
// user's documents folder; 5 and 6 the same as 4. Any other id raises "Out of Range : Unknown Path ID.".
// A folder the system cannot give is the empty text. Folders are path text (PathText): every byte of a name
// that is not UTF-8 is kept.
//
// CSettingsFiles opens "AppSettings.ini" in folder 2 and "UserSettings.ini" in folder 3 on first request,
// once per owner, and hands out their settings-store handles.
//
// UI thread only.

#include "QZFramework/Utilities/Storage/IniFileManager.h"
#include "QZFramework/Utilities/Storage/StringT.h"

#include <cstdint>
#include <functional>

namespace QZ {

inline constexpr std::int32_t kFolderExecutable = 0;
inline constexpr std::int32_t kFolderResources = 1;
inline constexpr std::int32_t kFolderApplicationData = 2;
inline constexpr std::int32_t kFolderLocalApplicationData = 3;
inline constexpr std::int32_t kFolderDocuments = 4;
inline constexpr std::int32_t kFolderDocumentsAlias1 = 5;
inline constexpr std::int32_t kFolderDocumentsAlias2 = 6;

// The resource source of folder 1.
inline constexpr const char16_t* kResourceFolder = u"::";

inline constexpr const char16_t* kApplicationSettingsFileName = u"AppSettings.ini";
inline constexpr const char16_t* kUserSettingsFileName = u"UserSettings.ini";
// The settings store's key prefix for this program's settings.
inline constexpr const char16_t* kSettingsVersion = u"1_0_0";

// The folder of a path id; company and product name the levels of folders 2 and 3.
WideString GetApplicationFolder(std::int32_t pathId, const WideString& companyName, const WideString& productName);

class CSettingsFiles {
public:
  // The folder of a path id, as the application answers it.
  using FolderFunction = std::function<WideString(std::int32_t pathId)>;

  // The manager must outlive this object.
  CSettingsFiles(IIniFileManager& manager, FolderFunction folder, WideString settingsVersion,
                 WideString applicationName);

  // The handle of kSettingsFileApplication (0) or kSettingsFileUser (1), opened on the first request that
  // finds it not open; 0 when its folder is unknown or opening failed (the next request tries again), and
  // for any other kind.
  IniFileHandle Get(std::int32_t kind);

private:
  IniFileHandle Open(std::int32_t folderId, const char16_t* fileName, IniFileHandle& handle);

  IIniFileManager& mManager;
  FolderFunction mFolder;
  WideString mSettingsVersion;
  WideString mApplicationName;
  IniFileHandle mApplicationSettings = 0;
  IniFileHandle mUserSettings = 0;
};

} // namespace QZ
