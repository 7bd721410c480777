#include "UI/DriverCommon/PresetManager.h"

#include "DeviceControl/Engine/PresetEditorCommon/AppEngine.h"
#include "Platform/Files/Files.h"
#include "QZFramework/Application/AppMessageBox.h"
#include "QZFramework/Application/FileDialog.h"
#include "QZFramework/Application/FrameworkApp.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "QZFramework/Utilities/Storage/Array.h"
#include "QZFramework/Utilities/Storage/PathText.h"
#include "QZFramework/Utilities/Storage/WrapperStringable.h"

#include <string>
#include <string_view>

namespace QZ {

namespace {

constexpr const char* kSourcePath = "UI\\DriverCommon\\PresetManager";

constexpr const char16_t* kLoadCaptionKey = u"SETTINGS_FILE_LOAD_CAPTION";

struct SLoadMessage {
  std::int32_t result;
  const char16_t* key;
};
constexpr SLoadMessage kLoadMessages[] = {
    {LPresetManager::LoadOlder, u"SETTINGS_FILE_LOAD_OLDER_MESSAGE"},
    {LPresetManager::LoadNewer, u"SETTINGS_FILE_LOAD_NEWER_MESSAGE"},
    {LPresetManager::LoadCorrupt, u"SETTINGS_FILE_LOAD_CORRUPT_MESSAGE"},
    {LPresetManager::LoadWrongDevice, u"SETTINGS_FILE_LOAD_WRONG_DEVICE_MESSAGE"},
    {LPresetManager::LoadTranslationFailure, u"SETTINGS_FILE_TRANSLATION_FAILURE_MESSAGE"},
};

// A byte of 0x80 or more is a MIDI status byte: inside the controller's message it would end it.
constexpr std::uint8_t kFirstStatusByte = 0x80;

std::uint32_t ReadWord(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

void AppendWord(std::vector<std::uint8_t>& bytes, std::uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<std::uint8_t>(word >> shift));
}

// The whole file, unless it is larger than the limit or cannot be read.
bool ReadProgramBytes(const std::string& path, std::vector<std::uint8_t>& bytes) {
  const Platform::FileDescriptor file = Platform::OpenRegularFile(path.c_str(), 0);
  if (file == Platform::kNoFile)
    return false;
  std::uint64_t size = 0;
  bool good = Platform::GetFileSize(file, size) && size <= LPresetManager::kMaxFileSize;
  if (good) {
    // One byte more than the limit shows a file that grew meanwhile.
    bytes.resize(static_cast<std::size_t>(LPresetManager::kMaxFileSize) + 1);
    std::size_t filled = 0;
    for (;;) {
      const std::int64_t count = Platform::ReadFile(file, bytes.data() + filled, bytes.size() - filled);
      if (count < 0)
        good = false;
      if (count <= 0)
        break;
      filled += static_cast<std::size_t>(count);
      if (filled == bytes.size())
        break;
    }
    good = good && filled <= LPresetManager::kMaxFileSize;
    bytes.resize(filled);
  }
  Platform::CloseFile(file);
  return good;
}

LFrameworkApp* RunningApp() { return dynamic_cast<LFrameworkApp*>(GetFrameworkApp()); }

} // namespace

LPresetManager::LPresetManager() : mHandler(Handler::Create(this)) {}

RCPtr<LPresetManager> LPresetManager::Create() {
  RCPtr<LPresetManager> manager(new LPresetManager());
  if (manager->mHandler) {
    const QZRESULT result = manager->mHandler->Register(
        &LPresetManager::OnGlobalLoadControlPanelSettings,
        RCPtr<LNotificationDistributor>(GetApplicationNotificationCenter()), kNidGlobalLoadControlPanelSettings);
    ThrowIfFailed(result, "QZ::LPresetManager::Create", kSourcePath, 29);
  }
  manager->mCreated = true;
  return manager;
}

bool LPresetManager::IsProgramValue(std::uint32_t index, const Variant& value) {
  if (value.GetType() != kVariantBuffer)
    return false;
  std::uint32_t size = 0;
  const auto* data = static_cast<const std::uint8_t*>(value.GetData(size));
  if (index < kParameterCount && size != (index == kTempoIndex ? 2u : 1u))
    return false;
  for (std::uint32_t i = 0; i < size; ++i) {
    if (data[i] >= kFirstStatusByte)
      return false;
  }
  return true;
}

LPresetManager::LoadResult LPresetManager::ParseProgramFile(std::span<const std::uint8_t> bytes,
                                                            std::vector<SProgramFileRecord>& records) {
  records.clear();
  if (bytes.size() > kMaxFileSize || bytes.size() < kHeaderSize)
    return LoadCorrupt;
  const std::uint32_t version = ReadWord(bytes, 0);
  if (ReadWord(bytes, 4) != 0 || ReadWord(bytes, 8) != 0)
    return LoadWrongDevice;
  if (version > kFormatVersion)
    return LoadNewer;
  if (version < kFormatVersion)
    return LoadOlder;
  std::size_t at = kHeaderSize;
  if (at == bytes.size())
    return LoadCorrupt; // a program has at least one record
  while (at < bytes.size()) {
    const std::size_t left = bytes.size() - at;
    if (left < 4)
      return LoadCorrupt;
    const std::uint32_t length = ReadWord(bytes, at);
    // The length is checked against what the file holds before anything is made of it.
    if (length < kRecordFieldsSize + kVariantRecordHeaderSize || length > left || length > kMaxRecordLength)
      return LoadCorrupt;
    if (ReadWord(bytes, at + 4) != 0)
      return LoadCorrupt;
    const std::span<const std::uint8_t> block = bytes.subspan(at + kRecordFieldsSize, length - kRecordFieldsSize);
    // The value's own length must be the rest of the record: no bytes hidden after it.
    if (ReadWord(block, 0) != block.size())
      return LoadCorrupt;
    SProgramFileRecord record;
    record.index = ReadWord(bytes, at + 8);
    if (Deserialize(record.value, block.data(), static_cast<std::uint32_t>(block.size())) != S_OK)
      return LoadCorrupt;
    if (!IsProgramValue(record.index, record.value))
      return LoadCorrupt;
    records.push_back(std::move(record));
    at += length;
  }
  return LoadOk;
}

LPresetManager::LoadResult LPresetManager::ApplyProgramFile(std::span<const std::uint8_t> bytes) {
  std::vector<SProgramFileRecord> records;
  const LoadResult parsed = ParseProgramFile(bytes, records);
  if (parsed != LoadOk)
    return parsed;
  const RCPtr<LRootModuleEngine> engine = GetAppEngine();
  if (!engine)
    return LoadTranslationFailure;
  const std::int32_t first = engine->GetFirstParamID();
  for (const SProgramFileRecord& record : records) {
    const auto id = static_cast<std::int32_t>(static_cast<std::uint32_t>(first) + record.index);
    // An index that names no parameter is the engine's to refuse.
    static_cast<void>(engine->SetParamValue(ParamDescriptor(id), record.value));
  }
  return LoadOk;
}

QZRESULT LPresetManager::BuildProgramFile(std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  const RCPtr<LRootModuleEngine> engine = GetAppEngine();
  if (!engine)
    return E_FAIL;
  Array<ParamValue> values;
  static_cast<void>(
      engine->GetValues({engine->GetFirstParamID(), static_cast<std::int32_t>(kParameterCount)}, values, -1));
  if (values.GetCount() != kParameterCount)
    return E_FAIL;
  std::vector<std::uint8_t> file;
  AppendWord(file, kFormatVersion);
  AppendWord(file, 0);
  AppendWord(file, 0);
  for (std::uint32_t i = 0; i < kParameterCount; ++i) {
    const Variant& value = values.GetAt(i).value;
    if (!IsProgramValue(i, value))
      return E_FAIL;
    std::uint32_t size = 0;
    static_cast<void>(value.GetData(size));
    const std::uint32_t blockLength = size + kVariantRecordHeaderSize;
    AppendWord(file, blockLength + kRecordFieldsSize);
    AppendWord(file, 0);
    AppendWord(file, i);
    const std::size_t blockAt = file.size();
    file.resize(blockAt + blockLength);
    if (Serialize(value, file.data() + blockAt, blockLength) != static_cast<QZRESULT>(blockLength))
      return E_FAIL;
  }
  bytes = std::move(file);
  return S_OK;
}

LPresetManager::LoadResult LPresetManager::LoadPresetFile(WideString path) {
  Notify(LNotification::Create(kNidPresetFilePreLoad));
  const LoadResult result = ReadFile(path);
  Notify(LNotification::Create(kNidPresetFilePostLoad, MakeRCPtr<LPresetFileLoadNotificationData>(result)));
  return result;
}

LPresetManager::LoadResult LPresetManager::ReadFile(const WideString& path) {
  std::string file;
  std::vector<std::uint8_t> bytes;
  if (!PathBytesFromText(path, file) || !ReadProgramBytes(file, bytes))
    return LoadCorrupt;
  return ApplyProgramFile(bytes);
}

QZRESULT LPresetManager::SavePresetFile(WideString path) {
  std::vector<std::uint8_t> bytes;
  if (BuildProgramFile(bytes) != S_OK)
    return E_FAIL;
  std::string target;
  if (!PathBytesFromText(path, target) || target.empty())
    return E_FAIL;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return Platform::ReplaceFileAtomically(target.c_str(), text) == 0 ? S_OK : E_FAIL;
}

std::int32_t LPresetManager::OnGlobalLoadControlPanelSettings(const RCPtr<LNotificationDistributor>&,
                                                              const RCPtr<LNotification>& notification) {
  if (const auto path = DynamicCast<LWrapperStringable<WideString>>(notification->GetPayload()))
    static_cast<void>(LoadPresetFile(WideString(*path)));
  return 1;
}

std::int32_t LPresetManager::Receive(const RCPtr<LNotificationDistributor>& source,
                                     const RCPtr<LNotification>& notification) {
  if (!mHandler || !mCreated)
    return 0;
  return mHandler->Receive(source, notification);
}

std::int32_t LPresetManager::Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) {
  if (mHandler)
    static_cast<void>(mHandler->Unregister(distributor, id));
  return LNotificationClient::Unsubscribe(distributor, id);
}

QZRESULT LPresetManager::ReleaseInnerReferences() {
  const QZRESULT client = LNotificationClient::ReleaseInnerReferences();
  static_cast<void>(UnsubscribeAllClients());
  return client;
}

void LPresetManager::ShowProgramFileLoadMessage(std::int32_t result) {
  for (const SLoadMessage& message : kLoadMessages) {
    if (message.result != result)
      continue;
    WideString caption;
    WideString text;
    if (LFrameworkApp* app = RunningApp(); app && app->GetApplicationStringTable()) {
      static_cast<void>(app->GetApplicationStringTable()->GetString(kLoadCaptionKey, caption));
      static_cast<void>(app->GetApplicationStringTable()->GetString(message.key, text));
    }
    static_cast<void>(AppMessageBox(text, caption, kLoadMessageStyle));
    return;
  }
}

void LPresetManager::SaveLastPresetFolder(const LFileDialog& dialog) {
  LFrameworkApp* app = RunningApp();
  IIniFileManager* settings = app ? app->GetIniFileManager() : nullptr;
  const IniFileHandle user = app ? app->GetSettingsFile(kSettingsFileUser) : 0;
  if (settings && user)
    static_cast<void>(settings->SetString(user, WideString(kSettingPresetLastFolderPath),
                                          PathTextForDisplay(dialog.GetFolder())));
}

} // namespace QZ
