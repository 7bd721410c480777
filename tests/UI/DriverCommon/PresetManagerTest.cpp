// Program files: the default program's file byte for byte and back, the reader's refusals (each leaving the
// program as it was), the load notifications and the global load, the load messages, the saved folder, and
// saves that fail without harming the old file.

#include "UI/DriverCommon/PresetManager.h"

#include "Platform/Files/SpecialFilesForTests.h"
#include "QZFramework/Application/FileDialog.h"
#include "QZFramework/Utilities/Storage/IniFileManager.h"
#include "QZFramework/Utilities/Storage/PathText.h"
#include "QZFramework/Utilities/Storage/WrapperStringable.h"
#include "Support/TempFolder.h"
#include "UI/DriverCommon/ProgramTestApp.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace QZ {
namespace {

using test::Bytes;

void Word(Bytes& bytes, std::uint32_t word) {
  for (int shift = 0; shift < 32; shift += 8)
    bytes.push_back(static_cast<std::uint8_t>(word >> shift));
}

Bytes Header(std::uint32_t version = 1, std::uint32_t device1 = 0, std::uint32_t device2 = 0) {
  Bytes bytes;
  Word(bytes, version);
  Word(bytes, device1);
  Word(bytes, device2);
  return bytes;
}

// A record as the writer makes it, with a byte-buffer value; type and length may be given otherwise.
Bytes Record(std::uint32_t index, const Bytes& value, std::uint32_t flags = 0, std::uint32_t type = 14) {
  Bytes bytes;
  Word(bytes, static_cast<std::uint32_t>(value.size()) + 24);
  Word(bytes, flags);
  Word(bytes, index);
  Word(bytes, static_cast<std::uint32_t>(value.size()) + 12);
  Word(bytes, 1);
  Word(bytes, type);
  bytes.insert(bytes.end(), value.begin(), value.end());
  return bytes;
}

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts)
    all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes ValueOf(std::uint32_t index, std::uint8_t byte) { return index == 10 ? Bytes{0x01, byte} : Bytes{byte}; }

class PresetManagerTest : public test::ProgramTestApp {
protected:
  void SetUp() override {
    ProgramTestApp::SetUp();
    mManager = LPresetManager::Create();
    ASSERT_TRUE(mManager->IsCreated());
  }
  void TearDown() override {
    mManager = RCPtr<LPresetManager>();
    ProgramTestApp::TearDown();
  }

  WideString PathOf(const std::string& name) const { return test::WideOf(mTemp.File(name)); }
  LPresetManager::LoadResult Load(const Bytes& bytes) {
    mTemp.Write("in.pellanvorn", bytes);
    return mManager->LoadPresetFile(PathOf("in.pellanvorn"));
  }

  test::TempFolder mTemp;
  RCPtr<LPresetManager> mManager;
};

TEST_F(PresetManagerTest, TheDefaultProgramIsWrittenByteForByteAndReadsBack) {
  ASSERT_EQ(mManager->SavePresetFile(PathOf("default.pellanvorn")), S_OK);
  const std::string file = test::ReadAll(mTemp.File("default.pellanvorn"));
  ASSERT_EQ(file.size(), 313u);
  const Bytes bytes(file.begin(), file.end());
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 12), Header());
  // The first record: MIDI channel byte 0.
  EXPECT_EQ(Bytes(bytes.begin() + 12, bytes.begin() + 37),
            (Bytes{0x19, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0D, 0, 0, 0, 1, 0, 0, 0, 0x0E, 0, 0, 0, 0x00}));
  // The tempo record (index 10, the eleventh): 112 as 00 70.
  const auto tempo = bytes.begin() + 12 + 10 * 25;
  EXPECT_EQ(Bytes(tempo, tempo + 26), (Bytes{0x1A, 0, 0, 0, 0, 0, 0, 0,    0x0A, 0, 0, 0,    0x0E,
                                             0,    0, 0, 1, 0, 0, 0, 0x0E, 0,    0, 0, 0x00, 0x70}));

  const std::vector<Bytes> saved = EngineValues();
  for (std::int32_t id = 0; id < 12; ++id)
    SetEngineValue(id, id == 10 ? Bytes{0x01, 0x2C} : Bytes{static_cast<std::uint8_t>(id + 1)});
  EXPECT_EQ(mManager->LoadPresetFile(PathOf("default.pellanvorn")), LPresetManager::LoadOk);
  EXPECT_EQ(EngineValues(), saved);
}

TEST_F(PresetManagerTest, RecordsInAnyOrderOrASubsetSetJustTheirParameters) {
  Bytes reversed = Header();
  for (std::uint32_t i = 12; i-- > 0;)
    reversed = Join({reversed, Record(i, ValueOf(i, static_cast<std::uint8_t>(0x10 + i)))});
  ASSERT_EQ(Load(reversed), LPresetManager::LoadOk);
  std::vector<Bytes> expected;
  for (std::uint8_t i = 0; i < 12; ++i)
    expected.push_back(ValueOf(i, static_cast<std::uint8_t>(0x10 + i)));
  EXPECT_EQ(EngineValues(), expected);

  ASSERT_EQ(Load(Join({Header(), Record(4, {0x01}), Record(0, {0x05})})), LPresetManager::LoadOk);
  expected[4] = {0x01};
  expected[0] = {0x05};
  EXPECT_EQ(EngineValues(), expected);

  // An index that names no parameter goes to the engine, which refuses it.
  ASSERT_EQ(Load(Join({Header(), Record(12, {0x07})})), LPresetManager::LoadOk);
  EXPECT_EQ(EngineValues(), expected);
}

TEST_F(PresetManagerTest, ARefusedFileLeavesTheProgramAsItWas) {
  const Bytes good = Record(0, {0x09});
  Bytes lengthAll = Record(1, {0x01});
  lengthAll[0] = lengthAll[1] = lengthAll[2] = lengthAll[3] = 0xFF;
  const Bytes second = Record(1, {0x01});
  Bytes hiddenBytes = Record(1, {0x01, 0x02});
  hiddenBytes[12] = 13; // the value claims one byte of the record's two
  struct Case {
    const char* name;
    Bytes file;
    LPresetManager::LoadResult result;
  };
  const Case cases[] = {
      {"empty file", {}, LPresetManager::LoadCorrupt},
      {"header only", Header(), LPresetManager::LoadCorrupt},
      {"truncated header", Bytes{1, 0, 0, 0, 0, 0}, LPresetManager::LoadCorrupt},
      {"truncated record", Join({Header(), good, Bytes(second.begin(), second.end() - 3)}),
       LPresetManager::LoadCorrupt},
      {"three bytes after a record", Join({Header(), good, Bytes{1, 2, 3}}), LPresetManager::LoadCorrupt},
      {"length 3", Join({Header(), good, Bytes{3, 0, 0, 0}}), LPresetManager::LoadCorrupt},
      {"length 15", Join({Header(), good, Bytes{15, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}}),
       LPresetManager::LoadCorrupt},
      {"length 0xFFFFFFFF", Join({Header(), good, lengthAll}), LPresetManager::LoadCorrupt},
      {"length 0", Join({Header(), good, Bytes(25, 0)}), LPresetManager::LoadCorrupt},
      {"flags 1", Join({Header(), good, Record(1, {0x01}, 1)}), LPresetManager::LoadCorrupt},
      {"a text value", Join({Header(), good, Record(1, {'a', 0}, 0, 15)}), LPresetManager::LoadCorrupt},
      {"two bytes for a one-byte parameter", Join({Header(), good, Record(1, {0x01, 0x02})}),
       LPresetManager::LoadCorrupt},
      {"one byte for the tempo", Join({Header(), good, Record(10, {0x70})}), LPresetManager::LoadCorrupt},
      {"bytes hidden after the value", Join({Header(), good, hiddenBytes}), LPresetManager::LoadCorrupt},
      {"byte 0x80", Join({Header(), good, Record(1, {0x80})}), LPresetManager::LoadCorrupt},
      {"tempo byte 0xF7", Join({Header(), good, Record(10, {0x00, 0xF7})}), LPresetManager::LoadCorrupt},
      {"version 0", Join({Header(0), good}), LPresetManager::LoadOlder},
      {"version 2", Join({Header(2), good}), LPresetManager::LoadNewer},
      {"device words (0, 1)", Join({Header(1, 0, 1), good}), LPresetManager::LoadWrongDevice},
      {"device words (1, 0), version 5", Join({Header(5, 1, 0), good}), LPresetManager::LoadWrongDevice},
  };
  const std::vector<Bytes> before = EngineValues();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Load(c.file), c.result);
    EXPECT_EQ(EngineValues(), before);
  }
  EXPECT_EQ(mManager->LoadPresetFile(PathOf("missing.pellanvorn")), LPresetManager::LoadCorrupt);
  // Larger than any program: refused unread.
  EXPECT_EQ(Load(Join({Header(), good, Bytes(LPresetManager::kMaxFileSize, 0)})), LPresetManager::LoadCorrupt);
  EXPECT_EQ(EngineValues(), before);
  EXPECT_TRUE(mBoxes->mShown.empty());
}

TEST_F(PresetManagerTest, ALoadIsAnnouncedBeforeAndAfterWithItsResult) {
  struct Listener : LNotificationClient {
    std::int32_t Receive(const RCPtr<LNotificationDistributor>&, const RCPtr<LNotification>& n) override {
      const auto data = DynamicCast<LPresetFileLoadNotificationData>(n->GetPayload());
      seen.push_back(std::string(WideString(n->GetID()).ToNarrow().GetChars()) +
                     (data ? " " + std::to_string(data->GetResult()) : ""));
      return 0;
    }
    std::vector<std::string> seen;
  };
  const auto listener = MakeRCPtr<Listener>();
  listener->Subscribe(RCPtr<LNotificationDistributor>(mManager), kNidPresetFilePreLoad);
  listener->Subscribe(RCPtr<LNotificationDistributor>(mManager), kNidPresetFilePostLoad);
  EXPECT_EQ(Load(Join({Header(2), Record(0, {1})})), LPresetManager::LoadNewer);
  EXPECT_EQ(listener->seen, (std::vector<std::string>{"NID_PRESETFILE_PRE_LOAD", "NID_PRESETFILE_POST_LOAD -2"}));
  listener->UnsubscribeAll();
}

TEST_F(PresetManagerTest, TheGlobalLoadReadsAWrappedPathWithoutAMessage) {
  mTemp.Write("global.pellanvorn", Join({Header(), Record(2, {0x0B})}));
  const RCPtr<LNotificationCenter>& center = GetApplicationNotificationCenter();
  ASSERT_TRUE(center->Notify(LNotification::Create(
                  kNidGlobalLoadControlPanelSettings,
                  LWrapperStringable<WideString>::Create(PathOf("global.pellanvorn")))) >= 0);
  EXPECT_EQ(EngineValues()[2], (Bytes{0x0B}));
  // Any other payload is handled by doing nothing.
  EXPECT_EQ(mManager->OnGlobalLoadControlPanelSettings(RCPtr<LNotificationDistributor>(),
                                                       LNotification::Create(kNidGlobalLoadControlPanelSettings)),
            1);
  EXPECT_TRUE(mBoxes->mShown.empty());
}

TEST_F(PresetManagerTest, LoadMessagesAreShownForTheLoadFailuresOnly) {
  for (std::int32_t result : {1, 0, -1, -2, -3, -4, -5, -6, E_FAIL})
    LPresetManager::ShowProgramFileLoadMessage(result);
  ASSERT_EQ(mBoxes->mShown.size(), 5u);
  const char* older = "Program file is not compatible with this vesion of the program editor";
  const char* newer = "Program file is not compatible with this version of the program editor";
  const std::vector<const char*> texts{older, newer, older, older, older};
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(mBoxes->mShown[i].text, texts[i]);
    EXPECT_EQ(mBoxes->mShown[i].caption, "Program File Load");
    EXPECT_EQ(mBoxes->mShown[i].style, 0x10u);
  }
}

TEST_F(PresetManagerTest, TheDialogsFolderIsStoredInTheUserSettings) {
  const RCPtr<LIniFileManager> settings = MakeRCPtr<LIniFileManager>(1);
  ASSERT_EQ(settings->Reserved(0), kIniFileOk);
  IniFileHandle file = 0;
  ASSERT_EQ(settings->OpenFile(PathOf("UserSettings.ini"), WideString(u"1_0_0"), WideString(u"App"), file),
            kIniFileOk);
  mApp->mSettings = settings.Get();
  mApp->mUserFile = file;
  const LFileDialog dialog(WideString(u"/home/user/programs"));
  LPresetManager::SaveLastPresetFolder(dialog);
  WideString stored;
  ASSERT_GE(settings->GetString(file, WideString(kSettingPresetLastFolderPath), WideString(), stored), 0);
  EXPECT_EQ(std::string(stored.ToNarrow().GetChars()), "/home/user/programs");
  mApp->mSettings = nullptr;
  mApp->mUserFile = 0;
  static_cast<void>(settings->CloseFile(file, false));
}

TEST_F(PresetManagerTest, AFailedSaveKeepsTheOldFile) {
  const std::string old = "the old program";
  test::WriteAll(mTemp.File("kept.pellanvorn"), old);

  // A value no file can hold: nothing is written.
  SetEngineValue(3, {0x01, 0x02});
  EXPECT_EQ(mManager->SavePresetFile(PathOf("kept.pellanvorn")), E_FAIL);
  EXPECT_EQ(test::ReadAll(mTemp.File("kept.pellanvorn")), old);
  SetEngineValue(3, {0x00});

  // A folder that cannot be written to.
  std::filesystem::permissions(mTemp.Path(),
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  // As root every folder is writable: the probe tells.
  const bool writable = std::ofstream(mTemp.File("probe")).good();
  if (!writable) {
    EXPECT_EQ(mManager->SavePresetFile(PathOf("kept.pellanvorn")), E_FAIL);
    EXPECT_EQ(test::ReadAll(mTemp.File("kept.pellanvorn")), old);
  }
  std::filesystem::permissions(mTemp.Path(), std::filesystem::perms::owner_all);

  EXPECT_EQ(mManager->SavePresetFile(test::WideOf(mTemp.File("no/such/folder.pellanvorn"))), E_FAIL);
  EXPECT_EQ(mManager->SavePresetFile(WideString()), E_FAIL);

  // Without an engine there is nothing to save or load into.
  SetAppEngine(RCPtr<LRootModuleEngine>());
  EXPECT_EQ(mManager->SavePresetFile(PathOf("kept.pellanvorn")), E_FAIL);
  EXPECT_EQ(Load(Join({Header(), Record(0, {1})})), LPresetManager::LoadTranslationFailure);
  EXPECT_EQ(test::ReadAll(mTemp.File("kept.pellanvorn")), old);
}

TEST_F(PresetManagerTest, ASaveNeverReplacesWhatIsNotARegularFile) {
  using Platform::test::NodeKind;
  struct Case {
    std::string name;
    NodeKind kind;
  };
  std::vector<Case> cases{{"fifo", NodeKind::kFifo}, {"folder", NodeKind::kFolder}};
  ASSERT_TRUE(Platform::test::MakeFifo(mTemp.File("fifo")));
  std::filesystem::create_directory(mTemp.File("folder"));
  if (Platform::test::MakeNullDevice(mTemp.File("device")))
    cases.push_back({"device", NodeKind::kCharacterDevice});
  else
    std::cout << "no character device could be made here: it is left out\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string link = c.name + ".pellanvorn";
    std::filesystem::create_symlink(c.name, mTemp.File(link));
    const auto entries = std::distance(std::filesystem::directory_iterator(mTemp.Path()), {});
    for (const std::string& target : {c.name, link}) {
      SCOPED_TRACE(target);
      EXPECT_EQ(mManager->SavePresetFile(PathOf(target)), E_FAIL);
      EXPECT_EQ(Platform::test::KindOfNode(mTemp.File(c.name)), c.kind);
      EXPECT_EQ(Platform::test::KindOfNode(mTemp.File(link)), NodeKind::kLink);
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(mTemp.Path()), {}), entries);
    }
  }
  EXPECT_TRUE(std::filesystem::is_empty(mTemp.File("folder")));
}

// A name as long as a folder takes (255 bytes), in one-byte and in two-byte characters.
TEST_F(PresetManagerTest, TheLongestNamesAreSavedAndLoaded) {
  std::string umlauts;
  for (int i = 0; i < 122; ++i)
    umlauts += "\xC3\xBC"; // ü
  for (const std::string& name : {std::string(244, 'p') + ".pellanvorn", umlauts + ".pellanvorn"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(name.size(), 255u);
    // Made, then replaced.
    ASSERT_EQ(mManager->SavePresetFile(PathOf(name)), S_OK);
    SetEngineValue(0, {0x05});
    ASSERT_EQ(mManager->SavePresetFile(PathOf(name)), S_OK);
    const std::vector<Bytes> values = EngineValues();
    SetEngineValue(0, {0x06});
    EXPECT_EQ(mManager->LoadPresetFile(PathOf(name)), LPresetManager::LoadOk);
    EXPECT_EQ(EngineValues(), values);
    std::filesystem::remove(mTemp.File(name));
    EXPECT_TRUE(std::filesystem::is_empty(mTemp.Path())) << "no temporary is left";
  }
}

TEST_F(PresetManagerTest, PathsThatAreNoUtf8AreSavedAndLoadedByTheirOwnBytes) {
  for (const std::string name : {"victim\xFF.pellanvorn", "m\xE9.pellanvorn", "\xFE"}) {
    SCOPED_TRACE(name);
    test::WriteAll(mTemp.File("victim"), "the neighbour");
    WideString path;
    ASSERT_TRUE(PathTextFromBytes(mTemp.File(name), path));
    ASSERT_EQ(mManager->SavePresetFile(path), S_OK);
    std::vector<std::uint8_t> program;
    ASSERT_EQ(LPresetManager::BuildProgramFile(program), S_OK);
    const std::string saved = test::ReadAll(mTemp.File(name));
    EXPECT_EQ(Bytes(saved.begin(), saved.end()), program);
    EXPECT_EQ(test::ReadAll(mTemp.File("victim")), "the neighbour");

    const std::vector<Bytes> values = EngineValues();
    SetEngineValue(0, {0x05});
    EXPECT_EQ(mManager->LoadPresetFile(path), LPresetManager::LoadOk);
    EXPECT_EQ(EngineValues(), values);
  }
  // A text that names no path is refused before anything is touched.
  WideString noPath;
  noPath.AssignChars(u"\xD800x");
  EXPECT_EQ(mManager->SavePresetFile(noPath), E_FAIL);
  EXPECT_EQ(mManager->LoadPresetFile(noPath), LPresetManager::LoadCorrupt);
}

} // namespace
} // namespace QZ
