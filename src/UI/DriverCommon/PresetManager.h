#pragma once
// LPresetManager: reads and writes program files, the twelve parameter values of one program in a small
// little-endian file, moving them between the file and the application's engine.
//
// A program file is a header of three 32-bit words (format version 1, the device identification 0, 0) and
// records back to back: the record's length (these four bytes included), flags 0, the parameter's index and
// the value's serialised Variant. A written file holds twelve records in parameter order, each value a byte
// buffer (two bytes for the tempo, one for every other parameter): 313 bytes.
//
// Reading checks the whole file before it applies anything, so a refused file leaves the program as it was.
// A file is refused (LoadCorrupt) when it is larger than kMaxFileSize, ends inside its header or a record,
// holds no record, has a record shorter than its fields or longer than kMaxRecordLength, flags other than 0,
// a value block that does not decode to exactly the record's bytes, a value that is not a byte buffer of its
// parameter's width, or a byte of 0x80 or more (it would end the controller's system-exclusive message).
// Indexes outside the twelve parameters go to the engine, which refuses them. Saving writes the whole file
// in one step (an atomic replace): any failure leaves the old file as it was, and only a regular file (or a
// new one) is ever replaced. Paths are path texts (PathText.h): they reach the file system byte for byte.
//
// The manager listens to the application center for "NID_GLOBAL_LOAD_CONTROL_PANEL_SETTINGS" (a path to
// load) and sends "NID_PRESETFILE_PRE_LOAD" and "NID_PRESETFILE_POST_LOAD" through itself around every load;
// notifications reach it only once Create has set its created flag.
//
// Threads: the UI thread.

#include "DeviceControl/GeneratedCode/Engine/Inc/ParamValues.h"
#include "QZFramework/Notification/NotificationClient.h"
#include "QZFramework/Notification/NotificationDistributor.h"
#include "QZFramework/Notification/NotificationHandler.h"
#include "QZFramework/ObjectBase/QZResult.h"
#include "QZFramework/ObjectBase/RefCountedObject.h"
#include "QZFramework/ObjectBase/TypeName.h"
#include "QZFramework/Utilities/Storage/StringT.h"
#include "QZFramework/Utilities/Storage/Variant.h"

#include <cstdint>
#include <span>
#include <vector>

namespace QZ {

class LFileDialog;

inline constexpr const char16_t* kNidGlobalLoadControlPanelSettings = u"NID_GLOBAL_LOAD_CONTROL_PANEL_SETTINGS";
inline constexpr const char16_t* kNidPresetFilePreLoad = u"NID_PRESETFILE_PRE_LOAD";
inline constexpr const char16_t* kNidPresetFilePostLoad = u"NID_PRESETFILE_POST_LOAD";
inline constexpr const char16_t* kSettingPresetLastFolderPath = u"PresetLastFolderPath";
inline constexpr const char16_t* kProgramFileExtension = u"pellanvorn";

// The payload of "NID_PRESETFILE_POST_LOAD": the load's result.
class LPresetFileLoadNotificationData : public virtual LRefCountedObject {
public:
  explicit LPresetFileLoadNotificationData(std::int32_t result) : mResult(result) {}
  ~LPresetFileLoadNotificationData() override = default;
  std::int32_t GetResult() const { return mResult; }

private:
  std::int32_t mResult;
};

// One record of a program file: the parameter's index and its value.
struct SProgramFileRecord {
  std::uint32_t index = 0;
  Variant value;
};

class LPresetManager : public virtual LNotificationClient, public virtual LNotificationDistributor {
public:
  enum LoadResult : std::int32_t {
    LoadOk = 0,
    LoadOlder = -1,
    LoadNewer = -2,
    LoadCorrupt = -3,
    LoadWrongDevice = -4,
    // No engine took the values.
    LoadTranslationFailure = -5,
  };

  static constexpr std::uint32_t kFormatVersion = 1;
  static constexpr std::uint32_t kHeaderSize = 12;
  static constexpr std::uint32_t kRecordFieldsSize = 12; // length, flags, index
  static constexpr std::uint32_t kParameterCount = 12;
  static constexpr std::uint32_t kTempoIndex = 10;
  static constexpr std::uint64_t kMaxFileSize = 1 << 20;
  static constexpr std::uint32_t kMaxRecordLength = 1 << 16;
  static constexpr std::uint32_t kLoadMessageStyle = 0x10;

  // A manager listening on the application center. Throws "Failed Result" when the registration fails.
  [[nodiscard]] static RCPtr<LPresetManager> Create();
  ~LPresetManager() override = default;

  // Sends "NID_PRESETFILE_PRE_LOAD", reads the file, sends "NID_PRESETFILE_POST_LOAD" with the result;
  // the result.
  LoadResult LoadPresetFile(WideString path);
  // Reads the file into the engine.
  LoadResult ReadFile(const WideString& path);
  // 0, or E_FAIL (the old file kept) when the engine's values cannot be had or checked or the file cannot be
  // written.
  QZRESULT SavePresetFile(WideString path);

  // The records of a file's bytes, checked as the header says; LoadOk or the refusal.
  static LoadResult ParseProgramFile(std::span<const std::uint8_t> bytes,
                                     std::vector<SProgramFileRecord>& records);
  // Parses the bytes and, when they are a program, sets each value through the engine.
  static LoadResult ApplyProgramFile(std::span<const std::uint8_t> bytes);
  // A file's bytes for the engine's twelve values; E_FAIL (bytes empty) when the engine has not twelve values
  // that a file can hold.
  static QZRESULT BuildProgramFile(std::vector<std::uint8_t>& bytes);
  // Whether a value is one a program file holds for the parameter at index: a byte buffer of the parameter's
  // width (any width for an index outside the program), every byte below 0x80.
  static bool IsProgramValue(std::uint32_t index, const Variant& value);

  // Loads the path of a wrapped-string payload, without a message. 1 (handled) always.
  std::int32_t OnGlobalLoadControlPanelSettings(const RCPtr<LNotificationDistributor>& source,
                                                const RCPtr<LNotification>& notification);
  std::int32_t Receive(const RCPtr<LNotificationDistributor>& source,
                       const RCPtr<LNotification>& notification) override;
  std::int32_t Unsubscribe(const RCPtr<LNotificationDistributor>& distributor, NotificationID id) override;
  QZRESULT ReleaseInnerReferences() override;

  // The load message for -1 to -5 from the application's string table (error icon); nothing for others.
  static void ShowProgramFileLoadMessage(std::int32_t result);
  // Stores the dialog's folder as "PresetLastFolderPath" in the user settings: as text, so a byte of a
  // folder name that is no UTF-8 is stored as U+FFFD (a settings file holds text only).
  static void SaveLastPresetFolder(const LFileDialog& dialog);

  bool IsCreated() const { return mCreated; }

protected:
  LPresetManager();

private:
  using Handler = LNotificationHandler<LPresetManager>;

  RCPtr<Handler> mHandler;
  bool mCreated = false;
};

} // namespace QZ

QZ_TYPE_NAME(QZ::LPresetFileLoadNotificationData, "class QZ::LPresetFileLoadNotificationData")
QZ_TYPE_NAME(QZ::LPresetManager, "class QZ::LPresetManager")
