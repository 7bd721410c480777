// The device view and the about box in the running editor (offscreen driver, simulated controller), built
// from a small skin and string table of this test's own: the program buttons and the menu's program
// commands, the model choice (setting, logo look and width, a new MIDI manager) on standard and high-DPI
// screens, the windows' titles, program files through the file-chooser fake (Ctrl+O through the hot keys),
// exit, the user guide through the shell-open fake, the about box's texts, support button and modal run, and
// the skins the view tolerates or refuses.

#include "UI/DeviceView.h"

#include "Panel/Main/Application.h"
#include "Panel/Main/ApplicationBaseWin.h"
#include "Panel/Main/Version.h"
#include "Platform/App/FakeMessageBox.h"
#include "Platform/Dialogs/FakeFileChooser.h"
#include "Platform/Dialogs/FakeShellOpener.h"
#include "Platform/Folders/Folders.h"
#include "Platform/Midi/MidiSystem.h"
#include "Platform/Midi/SimulatedMidiSystem.h"
#include "QZFramework/Application/OSWindow.h"
#include "QZFramework/Application/RootWindow.h"
#include "QZFramework/Controls/Button.h"
#include "QZFramework/Controls/ListBoxSkin.h"
#include "QZFramework/System/KeyCode.h"
#include "QZFramework/Notification/Notification.h"
#include "QZFramework/Notification/NotificationCenterManager.h"
#include "QZFramework/ObjectBase/Exception.h"
#include "Support/RunningEditor.h"
#include "Support/TempFolder.h"
#include "Support/ThrownText.h"
#include "Support/WindowTestSupport.h"
#include "UI/DriverCommon/MainControl.h"
#include "UI/DriverCommon/ProgramTestApp.h"
#include "UI/PresetEditorCommon/AboutDlg.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace QZ {
namespace {

std::string Narrow(const WideString& text) { return text.ToNarrow().GetChars(); }

std::string At(int x, int y, int w, int h) {
  return "XPositionAbs=\"" + std::to_string(x) + "\" YPositionAbs=\"" + std::to_string(y) + "\" XSizeAbs=\"" +
         std::to_string(w) + "\" YSizeAbs=\"" + std::to_string(h) + "\"";
}

std::string Part(const std::string& cls, const std::string& name, const std::string& layout,
                 const std::string& children = "") {
  return test::ScrollPart(cls, name, layout, "Gray", children);
}

// The program bank's buttons, leaving one out (none: all).
std::string ProgramBank(const std::string& without = {}) {
  std::string buttons;
  int x = 0;
  auto add = [&](const std::string& name) {
    if (name != without)
      buttons += Part("Framework.Button", name, At(x, 0, 20, 20));
    x += 22;
  };
  for (int i = 1; i <= 8; ++i)
    add("sendProgram" + std::to_string(i));
  add("sendToRam");
  for (int i = 1; i <= 8; ++i)
    add("getProgram" + std::to_string(i));
  return Part("PresetEditor.ProgramBankPanel", "programBankPanel", At(10, 200, 400, 20), buttons);
}

// The model selector with its hidden list.
std::string Selector() {
  const std::string list = test::ScrollPart(
      "Framework.ListBox", "listBox",
      "Visible=\"False\" XPositionAbs=\"0\" YPositionRel=\"1\" XSizeToControl=\"Parent\" XSizeRel=\"1\" "
      "XSizeAbs=\"0\" YSizeAbs=\"18\"",
      "Gray", test::ListRow("templateItem", 18));
  return "<SubControl Class=\"Framework.ComboBox\" Name=\"deviceSelectionComboBox\" Visible=\"False\" " +
         At(300, 10, 100, 20) + "><Skin Name=\"selectorSkin\" LookList=\"Gray\">" + list + "</Skin></SubControl>";
}

// A device view: the logo label (two looks), the scroll bar, the program bank and the selector, as asked.
std::string DeviceView(const std::string& name, bool label, const std::string& bank) {
  std::string children = test::ScrollBarEntry("vBar", true,
                                              "XPositionRel=\"1\" XPositionAbs=\"-16\" "
                                              "XSizeAbs=\"16\" YPositionAbs=\"0\" "
                                              "YSizeToControl=\"Parent\" YSizeRel=\"1\" "
                                              "YSizeAbs=\"0\"");
  if (label)
    children += test::ScrollPart("Framework.Label", "productLabel", At(10, 10, 50, 40), "Channel");
  children += bank;
  if (!bank.empty())
    children += Selector();
  return Part("PresetEditor.MainControl.DeviceView", name, At(0, 0, 500, 300), children);
}

std::string About(const std::string& name, bool labels, bool support) {
  std::string children;
  if (labels)
    children += Part("Framework.Label", "labelProduct", At(10, 10, 200, 20)) +
                Part("Framework.Label", "labelCopyright", At(10, 40, 200, 20));
  if (support)
    children += Part("Framework.Button", "buttonSupport", At(10, 70, 80, 20));
  children += Part("Framework.Button", "buttonClose", At(100, 70, 80, 20));
  return "<SubControl Class=\"PresetEditor.DialogAbout\" Name=\"" + name + "\" " + At(50, 50, 300, 120) +
         " XMinSizeAbs=\"300\" YMinSizeAbs=\"120\" XMaxSizeAbs=\"300\" YMaxSizeAbs=\"120\"><Skin Name=\"" + name +
         "Skin\" LookList=\"Gray\">" + children + "</Skin></SubControl>";
}

// Two equal skins (high-DPI first), so the screen's resolution picks one.
std::string EditorSkins() {
  const std::string main = "<SubControl Class=\"PresetEditor.MainControl\" Name=\"mainControl\" " +
                           At(0, 0, 500, 320) + "><Skin Name=\"mainSkin\" LookList=\"Gray\">" +
                           Part("Framework.Panel", "mainMenu", At(0, 0, 500, 20)) +
                           DeviceView("viewDevice", true, ProgramBank()) + "</Skin></SubControl>";
  const std::string extra =
      DeviceView("viewWithoutBank", true, "") + DeviceView("viewWithoutLabel", false, ProgramBank()) +
      DeviceView("viewWithoutGet8", true, ProgramBank("getProgram8")) + About("dialogAbout", true, true) +
      About("aboutWithoutLabels", false, true) + About("aboutWithoutSupport", true, false);
  std::string skins;
  for (const char* name : {"HighDPI", "Skin1"})
    skins += std::string("<Skin Name=\"") + name + "\" FontName=\"DejaVu Sans\" FontSize=\"9\" FontStyle=\"0\">" +
             main + extra + "</Skin>";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_Skin_Definitions><Application "
         "Name=\"PresetEditor\">" +
         test::ListBoxLooks() + "<Skins>" + skins + "</Skins></Application></Veskor_Skin_Definitions>";
}

// The application texts the commands show, set over the shipped string table.
const std::pair<const char*, const char*> kCommandTexts[] = {
    {"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_TEXT", "The user guide failed to open."},
    {"LABEL_OPEN_USERGUIDE_FILE_FAILED_MSGBOX_CAPTION", "Open User Guide Failed"},
    {"LABEL_SAVE_PRESET_FILE_FAILED_MSGBOX_TEXT", "The program file could not be saved."},
    {"LABEL_SAVE_PRESET_FILE_FAILED_MSGBOX_CAPTION", "Save Program File Failed"},
    {"LOAD_PRESET_DIALOG_TITLE", "Select Program File"},
    {"SAVE_PRESET_DIALOG_TITLE", "Select Save Location"},
    {"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_1", "Pellan Vorn Program Editor (*."},
    {"CONTROL_PANEL_SETTINGS_FILTER_SEGMENT_2", "|All Files (*.*)|*.*"},
    {"URL_SUPPORT", "https://support.example/"},
};

// The application's string table (the program and command texts, the hot keys of program files) and the
// texts of the main control and the about box, UTF-8.
std::string EditorStringTables() {
  std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Veskor_StringTable_Definitions>"
                         "<Application Name=\"PresetEditor\"><StringTable ID=\"|PresetEditor\">";
  const auto add = [&document](const std::string& key, const std::string& text) {
    document += "<String ID=\"" + key + "\"><Locale LCID=\"0x0009\">" + text + "</Locale></String>";
  };
  for (const auto& [key, text] : test::ProgramMessageTexts())
    add(key, text);
  for (const auto& [key, text] : kCommandTexts)
    add(key, text);
  add("GHK_WIN.NID_MENU_FILE_LOAD_PRESET_FROM_FILE", "Ctrl+VKEY_O");
  add("GHK_WIN.NID_MENU_FILE_SAVE_PRESET_TO_FILE", "Ctrl+VKEY_S");
  document += "</StringTable><StringTable ID=\"PresetEditor|mainControl\">";
  add("LABEL", "Pellan Vorn Program Editor");
  document += "</StringTable><StringTable ID=\"PresetEditor|dialogAbout\">";
  add("LABEL", "About Tolvane Pellan Vorn Program Editor");
  return document + "</StringTable></Application></Veskor_StringTable_Definitions>";
}

class DeviceViewTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(mSystem.IsStarted());
    ASSERT_FALSE(mFolders.Runtime().empty());
    // This test's skins and application strings beside the shipped framework strings.
    const std::filesystem::path resources = mTemp.Path() / "resources";
    std::filesystem::create_directories(resources);
    std::filesystem::copy_file(std::filesystem::path(QZ_SHIPPED_RESOURCES) / "FrameworkStrings.xml",
                               resources / "FrameworkStrings.xml");
    std::ofstream(resources / "Skins.xml") << EditorSkins();
    std::ofstream(resources / "StringTables.xml") << EditorStringTables();
    mResources = resources.string();
  }
  void TearDown() override {
    // A client keeps its subscriptions: the center would never go.
    if (mModalListener)
      GetApplicationNotificationCenter()->UnregisterClientFromAll(RCPtr<LNotificationReceiver>(mModalListener));
    if (mExits)
      GetApplicationNotificationCenter()->UnregisterClientFromAll(RCPtr<LNotificationReceiver>(mExits));
    if (mProcess)
      mProcess->ShutDown();
    mProcess.reset();
    Platform::SetMidiSystem(mPreviousMidi);
    test::OffscreenWindowSystem::TakeWindowEvents();
  }

  // Starts the editor on a screen of that resolution with the MIDI backend; waits for the controller's ports.
  LApplication* Start(const char* midi = "simulated", std::int32_t dpi = 96) {
    mPreviousMidi = Platform::SetMidiSystem(Platform::CreateMidiSystem(midi));
    SEditorOptions options;
    options.mResourceFolder = test::WideOf(mResources);
    options.mEnvironment.mScreenDpi = dpi;
    return test::StartEditorProcess(mProcess, options, mFolders.Runtime(), midi);
  }

  RCPtr<LDeviceView> View(LApplication& app) {
    const RCPtr<LControl> main = app.GetMainWindow()->GetRootWindow()->GetRootControl();
    return main ? DynamicCast<LDeviceView>(main->FindChild(WideString(kDeviceViewName))) : RCPtr<LDeviceView>();
  }

  // A command posted to the main window, delivered in the next idle pass.
  static void Command(LApplication& app, const char16_t* id) {
    ASSERT_EQ(app.GetMainWindow()->GetRootWindow()->Post(LNotification::Create(id)), S_OK);
    static_cast<void>(app.ProcessIdle(true));
  }

  static std::int32_t StoredModel(LApplication& app) {
    std::int32_t model = -1;
    static_cast<void>(app.GetIniFileManager()->GetInt(app.GetSettingsFile(kSettingsFileUser),
                                                      WideString(kSettingDeviceModel), -1, model));
    return model;
  }

  static WideString StoredFolder(LApplication& app) {
    WideString folder;
    static_cast<void>(app.GetIniFileManager()->GetString(
        app.GetSettingsFile(kSettingsFileUser), WideString(kSettingPresetLastFolderPath), WideString(), folder));
    return folder;
  }

  // Runs the action once a window opened over the main window (a modal run is under way), from an idle pass.
  void WhenModal(LApplication& app, std::function<void(OSWindow&)> action) {
    test::WhenModal(app, mModalListener, std::move(action));
  }

  test::OffscreenWindowSystem mSystem;
  test::TempFolder mTemp;
  test::ScopedEditorFolders mFolders{mTemp.Path()};
  std::string mResources;
  Platform::ScopedFakeMessageBox mBoxes;
  Platform::ScopedFakeFileChooser mChooser;
  Platform::ScopedFakeShellOpener mOpener;
  std::shared_ptr<Platform::MidiSystem> mPreviousMidi;
  std::unique_ptr<CEditorProcess> mProcess;
  RCPtr<test::ActionListener> mModalListener;
  RCPtr<test::ActionListener> mExits;
};

TEST_F(DeviceViewTest, TheWiredModelIsChosenAtEveryStartAndTheOtherModelRenewsTheManager) {
  for (const std::int32_t dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    LApplication* app = Start("none", dpi);
    ASSERT_NE(app, nullptr);
    const bool highDpi = dpi == 144;
    EXPECT_EQ(app->IsHighDpi(), highDpi);
    const RCPtr<LDeviceView> view = View(*app);
    ASSERT_TRUE(view);
    EXPECT_TRUE(view->GetKeybed() == nullptr) << "this skin has no keybed panel";
    EXPECT_EQ(StoredModel(*app), kDeviceModelWired);
    EXPECT_EQ(app->GetMainWindow()->GetPlatformWindow().GetTitle(), "Pellan Vorn Program Editor");
    const RCPtr<LControl>& label = view->FindChild(WideString(u"productLabel"));
    ASSERT_TRUE(label);
    EXPECT_EQ(label->GetBounds().width, highDpi ? 255 : 128);
    EXPECT_EQ(label->GetFirstVisibleLookIndex(), 0);
    const RCPtr<LComboBox>& selector = view->GetDeviceSelector();
    ASSERT_TRUE(selector);
    ASSERT_EQ(selector->GetItemCount(), 1) << "the wireless model is not offered";
    EXPECT_EQ(selector->GetSelectedIndex(), 0);
    EXPECT_EQ(Narrow(selector->GetItemText(0)), "Pellan Vorn");
    // The scroll bar sits below the menu.
    EXPECT_EQ(view->FindChild(WideString(u"vBar"))->GetBounds().y, 20);

    // Held, so that the new manager cannot take the old one's address.
    const RCPtr<LMidiManager> before = app->GetMidiManager();
    ASSERT_GE(selector->AddItem(RCPtr<LTaggableObject>(MakeRCPtr<LDeviceModelEntry>(kDeviceModelWireless))), 0);
    EXPECT_EQ(selector->SetSelectedIndex(1), 1);
    EXPECT_EQ(StoredModel(*app), kDeviceModelWireless);
    EXPECT_EQ(label->GetBounds().width, highDpi ? 686 : 343);
    EXPECT_EQ(label->GetFirstVisibleLookIndex(), 1);
    EXPECT_NE(app->GetMidiManager().Get(), before.Get());
    mProcess->ShutDown();
    mProcess.reset();
  }
}

TEST_F(DeviceViewTest, ModelEntriesAreNamedByModel) {
  EXPECT_EQ(Narrow(LDeviceModelEntry(0).ToString()), "Pellan Vorn");
  EXPECT_EQ(Narrow(LDeviceModelEntry(1).ToString()), "Pellan Wireless Vorn");
  EXPECT_EQ(Narrow(LDeviceModelEntry(2).ToString()), "");
}

TEST_F(DeviceViewTest, SkinsWithoutTheBankOrTheLogoWorkAndAMissingButtonIsNamed) {
  LApplication* app = Start("none");
  ASSERT_NE(app, nullptr);
  const RCPtr<LDeviceView> withoutBank =
      DynamicCast<LDeviceView>(app->CreateControl(WideString(u"viewWithoutBank")));
  ASSERT_TRUE(withoutBank);
  EXPECT_FALSE(withoutBank->GetDeviceSelector());
  EXPECT_TRUE(withoutBank->GetPresetManager());

  // Without the logo label the model is still stored and the manager renewed.
  const RCPtr<LDeviceView> withoutLabel =
      DynamicCast<LDeviceView>(app->CreateControl(WideString(u"viewWithoutLabel")));
  ASSERT_TRUE(withoutLabel);
  ASSERT_TRUE(withoutLabel->GetDeviceSelector());
  // Held, so that the new manager cannot take the old one's address.
  const RCPtr<LMidiManager> before = app->GetMidiManager();
  ASSERT_GE(withoutLabel->GetDeviceSelector()->AddItem(
                RCPtr<LTaggableObject>(MakeRCPtr<LDeviceModelEntry>(kDeviceModelWireless))),
            0);
  EXPECT_EQ(withoutLabel->GetDeviceSelector()->SetSelectedIndex(1), 1);
  EXPECT_EQ(StoredModel(*app), kDeviceModelWireless);
  EXPECT_NE(app->GetMidiManager().Get(), before.Get());

  EXPECT_EQ(test::ThrownText<std::runtime_error>([&] { app->CreateControl(WideString(u"viewWithoutGet8")); }),
            "Runtime Error : Null Pointer : cannot find child getProgram8 : LDeviceView::Initialize : "
            "UI\\DeviceView : Line 178");
}

TEST_F(DeviceViewTest, ProgramButtonsAndMenuCommandsMoveProgramsWithTheController) {
  LApplication* app = Start();
  ASSERT_NE(app, nullptr);
  const RCPtr<LDeviceView> view = View(*app);
  ASSERT_TRUE(view);
  auto simulated = std::dynamic_pointer_cast<Platform::SimulatedMidiSystem>(Platform::GetMidiSystem());
  ASSERT_TRUE(simulated);
  const Platform::SimulatedController::Record five = {0x03, 0x05, 0x0E, 0x01, 0x02, 0x03, 0x04,
                                                      0x05, 0x01, 0x01, 0x00, 0x78, 0x02};
  simulated->GetController().SetProgram(5, five);
  const auto click = [&](const char16_t* name) {
    const RCPtr<LControl> bank = view->FindChild(WideString(u"programBankPanel"));
    const RCPtr<LControl> button = bank->FindChild(WideString(name));
    ASSERT_TRUE(button);
    ASSERT_EQ(button->OnLeftClick(LMouseButtonParam::Create(1, {5, 5}, 0, 0, 0, 0)), S_OK);
  };

  click(u"getProgram5");
  EXPECT_EQ(test::EngineRecord(*app), test::Bytes(five.begin(), five.end()));
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown.back().caption, "Retrieve Successful");

  click(u"sendToRam");
  const Platform::SimulatedController::Record ram = simulated->GetController().GetProgram(0);
  EXPECT_EQ(test::Bytes(ram.begin(), ram.end()), test::Bytes(five.begin(), five.end()));
  EXPECT_EQ(mBoxes->mShown.back().caption, "Send Success");

  // The menu's rows: "Ram" of the send submenu is program 0 as well; slot 3 of the get submenu.
  simulated->GetController().SetProgram(0, {});
  Command(*app, u"NID_MENU_FILE_SEND_PRESET0_TO_DEVICE");
  const Platform::SimulatedController::Record again = simulated->GetController().GetProgram(0);
  EXPECT_EQ(test::Bytes(again.begin(), again.end()), test::Bytes(five.begin(), five.end()));
  Command(*app, u"NID_MENU_FILE_SEND_PRESET3_TO_DEVICE");
  const Platform::SimulatedController::Record three = simulated->GetController().GetProgram(3);
  EXPECT_EQ(test::Bytes(three.begin(), three.end()), test::Bytes(five.begin(), five.end()));
  EXPECT_EQ(mBoxes->mShown.size(), 4u);
  EXPECT_EQ(mBoxes->mShown.back().caption, "Send Success");
}

TEST_F(DeviceViewTest, ProgramFilesAreSavedAndLoadedThroughTheDialogs) {
  LApplication* app = Start("none");
  ASSERT_NE(app, nullptr);
  const test::Bytes original = test::EngineRecord(*app);
  const std::filesystem::path file = mTemp.Path() / "documents" / "one.pellanvorn";
  std::filesystem::create_directories(file.parent_path());

  // Cancelled: no file and no folder stored.
  mChooser->Cancel();
  Command(*app, kNidMenuSavePreset);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(Narrow(StoredFolder(*app)), "");
  ASSERT_EQ(mChooser->mRequests.size(), 1u);
  EXPECT_EQ(mChooser->mRequests[0].title, "Select Save Location");

  mChooser->Accept(file.string());
  Command(*app, kNidMenuSavePreset);
  ASSERT_TRUE(std::filesystem::exists(file));
  EXPECT_EQ(std::filesystem::file_size(file), 313u);
  EXPECT_EQ(Narrow(StoredFolder(*app)), file.parent_path().string());
  EXPECT_TRUE(mBoxes->mShown.empty());

  // A failed write shows the save error box rather than passing for a save.
  mChooser->Accept((mTemp.Path() / "missing" / "two.pellanvorn").string());
  Command(*app, kNidMenuSavePreset);
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown[0].caption, "Save Program File Failed");
  EXPECT_EQ(mBoxes->mShown[0].text, "The program file could not be saved.");

  // Ctrl+O arrives through the application's hot keys on the application center: the load dialog opens
  // without the menu.
  ASSERT_GE(app->GetEngine()->SetParamValue(ParamDescriptor(0), test::MakeBuffer({0x07})), 0);
  EXPECT_NE(test::EngineRecord(*app), original);
  mChooser->Accept(file.string());
  EXPECT_EQ(app->ProcessGlobalHotKey(KeyCode::Parse(WideString(u"Ctrl+VKEY_O"))), 0);
  static_cast<void>(app->ProcessIdle(true));
  ASSERT_EQ(mChooser->mRequests.size(), 4u);
  EXPECT_EQ(mChooser->mRequests.back().title, "Select Program File");
  EXPECT_EQ(test::EngineRecord(*app), original);
  EXPECT_EQ(mBoxes->mShown.size(), 1u) << "a good file loads without a message";
}

TEST_F(DeviceViewTest, ANameThatIsNoUtf8IsSavedAndOpenedByItsOwnBytes) {
  LApplication* app = Start("none");
  ASSERT_NE(app, nullptr);
  const test::Bytes original = test::EngineRecord(*app);
  std::vector<std::uint8_t> program;
  ASSERT_EQ(LPresetManager::BuildProgramFile(program), S_OK);
  const std::filesystem::path folder = mTemp.Path() / "documents";
  std::filesystem::create_directories(folder);
  // The user's file whose name is where a conversion stopping at the odd byte would end.
  test::WriteAll(folder / "victim", "the user's text");

  for (const std::string name : {"victim\xFF.pellanvorn", "m\xE9 \xFE.pellanvorn"}) {
    SCOPED_TRACE(name);
    mChooser->Accept((folder / name).string());
    Command(*app, kNidMenuSavePreset);
    const std::string saved = test::ReadAll(folder / name);
    EXPECT_EQ(std::vector<std::uint8_t>(saved.begin(), saved.end()), program);
    EXPECT_EQ(test::ReadAll(folder / "victim"), "the user's text");

    ASSERT_GE(app->GetEngine()->SetParamValue(ParamDescriptor(0), test::MakeBuffer({0x07})), 0);
    mChooser->Accept((folder / name).string());
    Command(*app, kNidMenuLoadPreset);
    EXPECT_EQ(test::EngineRecord(*app), original);
  }
  EXPECT_TRUE(mBoxes->mShown.empty()) << "no question, error or load message";
  // Four dialogs, the later ones opening in the folder of the choice.
  ASSERT_EQ(mChooser->mRequests.size(), 4u);
  EXPECT_EQ(mChooser->mRequests[3].folder, folder.string());
}

TEST_F(DeviceViewTest, ExitAndTheUserGuide) {
  LApplication* app = Start("none");
  ASSERT_NE(app, nullptr);
  mExits = MakeRCPtr<test::ActionListener>();
  GetApplicationNotificationCenter()->RegisterClient(RCPtr<LNotificationReceiver>(mExits), kNidAppExitRequest);
  Command(*app, kNidMenuExit);
  static_cast<void>(app->ProcessIdle(true));
  EXPECT_EQ(mExits->mCount, 1);

  const std::string guide =
      Narrow(app->GetFolder(kFolderExecutable)) + "/Pellan Vorn Editor - User Guide - v1.1.pdf";
  Command(*app, kNidMenuUserGuide);
  ASSERT_EQ(mOpener->mTargets.size(), 1u);
  EXPECT_EQ(mOpener->mTargets[0], guide);
  EXPECT_TRUE(mBoxes->mShown.empty());

  mOpener->mAnswer = Platform::kShellOpenFailed;
  Command(*app, kNidMenuUserGuide);
  ASSERT_EQ(mBoxes->mShown.size(), 1u);
  EXPECT_EQ(mBoxes->mShown[0].caption, "Open User Guide Failed");
  EXPECT_EQ(mBoxes->mShown[0].text, "The user guide failed to open.");
  EXPECT_EQ(mBoxes->mShown[0].style, 0u);
}

TEST_F(DeviceViewTest, TheAboutBoxShowsTheVersionAndOpensSupport) {
  LApplication* app = Start("none");
  ASSERT_NE(app, nullptr);
  const RCPtr<LAboutDlg> about = DynamicCast<LAboutDlg>(app->CreateControl(WideString(kAboutDialogName)));
  ASSERT_TRUE(about);
  EXPECT_EQ(Narrow(about->FindChild(WideString(u"labelProduct"))->GetText()), "1.1.0.0");
  EXPECT_EQ(Narrow(about->FindChild(WideString(u"labelCopyright"))->GetText()),
            Narrow(Version::GetLegalCopyright()));
  ASSERT_TRUE(about->GetSupportButton());
  EXPECT_EQ(about->GetSupportButton()->GetCursorID(), app->GetCursor(WideString(kCursorHand)));

  const auto clickSupport = [&] {
    ASSERT_EQ(about->GetSupportButton()->OnLeftClick(LMouseButtonParam::Create(1, {5, 5}, 0, 0, 0, 0)), S_OK);
  };
  clickSupport();
  ASSERT_EQ(mOpener->mTargets.size(), 1u);
  EXPECT_EQ(mOpener->mTargets[0], "https://support.example/");
  // An empty address fails quietly.
  app->GetApplicationStringTable()->SetString(kSupportUrlKey, WideString());
  clickSupport();
  EXPECT_EQ(mOpener->mTargets.size(), 1u);
  EXPECT_TRUE(mBoxes->mShown.empty());

  EXPECT_TRUE(app->CreateControl(WideString(u"aboutWithoutLabels")));
  EXPECT_EQ(test::ThrownText<std::runtime_error>([&] { app->CreateControl(WideString(u"aboutWithoutSupport")); }),
            "Runtime Error : Null Pointer : LSupportPanel couldn't find buttonSupport : LAboutDlg::Initialize : "
            "UI\\PresetEditorCommon\\AboutDlg : Line 138");
}

TEST_F(DeviceViewTest, TheAboutCommandRunsTheBoxUntilItsCloseBoxIsAllowed) {
  LApplication* app = Start("none");
  ASSERT_NE(app, nullptr);
  const RCPtr<test::ActionListener> refuser = MakeRCPtr<test::ActionListener>();
  refuser->mAction = [](const RCPtr<LNotification>& notification) {
    if (const auto args = DynamicCast<LCancelArgs>(notification->GetPayload()))
      args->mCancel = 1;
  };
  const RCPtr<test::ActionListener> closed = MakeRCPtr<test::ActionListener>();
  std::int32_t ended = -1;
  WhenModal(*app, [&](OSWindow& window) {
    const RCPtr<LRootWindow> root = window.GetRootWindow();
    const RCPtr<LAboutDlg> about = DynamicCast<LAboutDlg>(root->GetRootControl());
    ASSERT_TRUE(about);
    EXPECT_EQ(window.GetPlatformWindow().GetTitle(), "About Tolvane Pellan Vorn Program Editor");
    about->RegisterClient(RCPtr<LNotificationReceiver>(closed), kNidDialogClosed);
    about->RegisterClient(RCPtr<LNotificationReceiver>(refuser), kNidDialogClosing);
    // The close box, refused: the box stays.
    root->RequestSystemClose();
    EXPECT_FALSE(root->IsCloseRequested());
    EXPECT_EQ(closed->mCount, 0);
    about->UnregisterClient(RCPtr<LNotificationReceiver>(refuser), kNidDialogClosing);
    root->RequestSystemClose();
    EXPECT_TRUE(root->IsCloseRequested());
    ended = root->GetCloseResult();
    about->UnregisterClient(RCPtr<LNotificationReceiver>(closed), kNidDialogClosed);
  });
  Command(*app, kNidMenuAbout);
  EXPECT_EQ(refuser->mCount, 1);
  EXPECT_EQ(closed->mCount, 1);
  EXPECT_EQ(ended, kDialogResultCancel);
  EXPECT_EQ(app->GetRootWindowCount(), 1u) << "the box's window is gone";
}

} // namespace
} // namespace QZ
